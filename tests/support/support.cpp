// Test helpers (see support.h).
#include "support/support.h"

#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cstring>
#include <fstream>
#include <sstream>

#include "image/pcx.h"
#include "support/spawn.h"

std::string test_bin(const char* program)
{
    return std::string(QUARROW_BIN_DIR) + "/" + program;
}

bool test_built(const char* program)
{
    return strstr(QUARROW_BUILT_PROGRAMS, (" " + std::string(program) + " ").c_str()) != nullptr;
}

std::string test_source_dir()
{
    return QUARROW_SOURCE_DIR;
}

std::string test_make_dir()
{
    char pattern[] = "/tmp/quarrow-test-XXXXXX";
    char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

std::string test_make_demo_dir()
{
    std::string dir = test_make_dir();
    for (const char* data : {"/grafika", "/music"})
        if (symlink((test_source_dir() + data).c_str(), (dir + data).c_str()) != 0)
            perror(data);
    return dir;
}

bool test_link_module(const std::string& dir)
{
    mkdir((dir + "/music").c_str(), 0777);
    return symlink((test_source_dir() + "/music/quarrow.xm").c_str(), (dir + "/music/quarrow.xm").c_str()) == 0;
}

void test_remove_tree(const std::string& dir)
{
    if (dir.rfind("/tmp/quarrow-test-", 0) == 0 || dir.rfind("/dev/shm/quarrow-test-", 0) == 0)
        (void)!system(("rm -rf '" + dir + "'").c_str());
}

RunResult test_run(const std::vector<std::string>& argv, const std::string& cwd,
                   const std::string& input, const std::vector<std::string>& env)
{
    RunResult result{-1, "", ""};
    ChildPipes child;
    if (!spawn_child(&child, argv, cwd, env))
        return result;
    size_t written = 0;
    if (input.empty()) {
        close(child.in_fd);
        child.in_fd = -1;
    }
    do {
        // Input goes in as the pipe takes it, so a long one cannot deadlock
        // against output the program is waiting to write.
        struct pollfd in = {child.in_fd, POLLOUT, 0};
        if (child.in_fd >= 0 && poll(&in, 1, 0) > 0) {
            ssize_t put = write(child.in_fd, input.data() + written, input.size() - written);
            if (put > 0)
                written += static_cast<size_t>(put);
            if (put <= 0 || written == input.size()) {
                close(child.in_fd);
                child.in_fd = -1;
            }
        }
    } while (spawn_collect(&child, &result.out, &result.err, child.in_fd >= 0 ? 10 : -1));
    if (child.in_fd >= 0)
        close(child.in_fd);
    int status = 0;
    waitpid(child.pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

bool test_read_png(const std::string& path, PngFrame* frame)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    frame->width = png_get_image_width(png, info);
    frame->height = png_get_image_height(png, info);
    frame->bit_depth = png_get_bit_depth(png, info);
    frame->colour_type = png_get_color_type(png, info);
    png_colorp colours = nullptr;
    int count = 0;
    frame->palette.assign(768, 0);
    if (png_get_PLTE(png, info, &colours, &count)) {
        for (int i = 0; i < count && i < 256; i++) {
            frame->palette[3 * i] = colours[i].red;
            frame->palette[3 * i + 1] = colours[i].green;
            frame->palette[3 * i + 2] = colours[i].blue;
        }
    }
    frame->pixels.assign(static_cast<size_t>(frame->width) * frame->height, 0);
    for (int y = 0; y < frame->height; y++)
        png_read_row(png, frame->pixels.data() + static_cast<size_t>(y) * frame->width, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    return true;
}

std::string test_read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void test_write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string test_write_picture(const std::string& dir, const char* name, const Image& image,
                               const uint8_t* palette)
{
    mkdir((dir + "/grafika").c_str(), 0777);
    std::string path = std::string("grafika") + "/" + name;
    pcx_write((dir + "/" + path).c_str(), &image, palette);
    return path;
}
