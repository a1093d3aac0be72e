// Outside views of an X client (see x11_probe.h).
#include "support/x11_probe.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "support/support.h"

std::string x_tool(const std::string& display, const std::vector<std::string>& argv)
{
    std::vector<std::string> full = argv;
    full[0] = "/usr/bin/" + full[0];
    return test_run(full, "", "", {"DISPLAY=" + display}).out;
}

std::string x_window_named(const std::string& display, const std::string& title)
{
    std::string info = x_tool(display, {"xwininfo", "-name", title});
    size_t at = info.find("Window id: ");
    if (at == std::string::npos)
        return "";
    std::istringstream in(info.substr(at + 11));
    std::string id;
    in >> id;
    return id;
}

static uint32_t big32(const std::string& s, size_t at)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

static uint16_t big16(const std::string& s, size_t at)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data()) + at;
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// xwd writes its header and colour table big-endian: a header of
// header_size bytes (25 words, then the window name), ncolors entries of 12
// bytes (pixel, red, green, blue, flags, pad), then bytes_per_line x height.
bool x_window_dump(const std::string& display, const std::string& window, XwdDump* dump)
{
    std::string xwd = x_tool(display, {"xwd", "-silent", "-id", window});
    if (xwd.size() < 100)
        return false;
    uint32_t header_size = big32(xwd, 0);
    uint32_t bits_per_pixel = big32(xwd, 44);
    uint32_t bytes_per_line = big32(xwd, 48);
    uint32_t ncolors = big32(xwd, 76);
    dump->depth = static_cast<int>(big32(xwd, 12));
    dump->width = static_cast<int>(big32(xwd, 16));
    dump->height = static_cast<int>(big32(xwd, 20));
    size_t data = header_size + 12ul * ncolors;
    if (bits_per_pixel != 8 || xwd.size() < data + size_t(bytes_per_line) * dump->height)
        return false;
    dump->red.assign(256, 0);
    dump->green.assign(256, 0);
    dump->blue.assign(256, 0);
    for (uint32_t i = 0; i < ncolors; i++) {
        size_t at = header_size + 12ul * i;
        uint32_t pixel = big32(xwd, at);
        if (pixel < 256) {
            dump->red[pixel] = big16(xwd, at + 4);
            dump->green[pixel] = big16(xwd, at + 6);
            dump->blue[pixel] = big16(xwd, at + 8);
        }
    }
    dump->pixels.clear();
    for (int y = 0; y < dump->height; y++)
        dump->pixels.insert(dump->pixels.end(), xwd.begin() + data + size_t(y) * bytes_per_line,
                            xwd.begin() + data + size_t(y) * bytes_per_line + dump->width);
    return true;
}

// Joins "ipcs -m" (perms, size, attachments) with "ipcs -m -p" (creator).
std::vector<ShmSegment> shm_segments_of(pid_t cpid)
{
    std::vector<ShmSegment> found;
    std::istringstream pids(test_run({"/usr/bin/ipcs", "-m", "-p"}, "").out);
    std::string line;
    std::vector<int> ids;
    while (std::getline(pids, line)) {
        std::istringstream row(line);
        int id;
        std::string owner;
        long creator;
        if (row >> id >> owner >> creator && creator == cpid)
            ids.push_back(id);
    }
    std::istringstream table(test_run({"/usr/bin/ipcs", "-m"}, "").out);
    while (std::getline(table, line)) {
        std::istringstream row(line);
        std::string key, owner, perms;
        ShmSegment s;
        if (!(row >> key >> s.id >> owner >> perms >> s.bytes >> s.attached))
            continue;
        for (int id : ids) {
            if (id == s.id) {
                s.perms = static_cast<int>(strtol(perms.c_str(), nullptr, 8));
                found.push_back(s);
            }
        }
    }
    return found;
}
