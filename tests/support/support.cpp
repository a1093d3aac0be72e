// Test helpers (see support.h).
#include "support.h"

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
#include <fstream>
#include <sstream>

#include "image/pcx.h"

std::string test_bin(const char* program)
{
    return std::string(QUARROW_BIN_DIR) + "/" + program;
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

void test_remove_tree(const std::string& dir)
{
    if (dir.rfind("/tmp/quarrow-test-", 0) == 0)
        (void)!system(("rm -rf '" + dir + "'").c_str());
}

RunResult test_run(const std::vector<std::string>& argv, const std::string& cwd,
                   const std::string& input, const std::vector<std::string>& env)
{
    int in_pipe[2], out_pipe[2], err_pipe[2];
    RunResult result{-1, "", ""};
    if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe))
        return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        for (const std::string& entry : env)
            putenv(strdup(entry.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    signal(SIGPIPE, SIG_IGN);
    size_t written = 0;
    if (input.empty()) {
        close(in_pipe[1]);
        in_pipe[1] = -1;
    }
    struct pollfd fds[3] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}, {in_pipe[1], POLLOUT, 0}};
    int open_outputs = 2;
    while (open_outputs > 0) {
        int n = in_pipe[1] >= 0 ? 3 : 2;
        if (poll(fds, n, -1) < 0)
            break;
        for (int i = 0; i < 2; i++) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buf[65536];
                ssize_t got = read(fds[i].fd, buf, sizeof buf);
                if (got <= 0) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    open_outputs--;
                } else {
                    (i == 0 ? result.out : result.err).append(buf, got);
                }
            }
        }
        if (in_pipe[1] >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            ssize_t put = write(in_pipe[1], input.data() + written, input.size() - written);
            if (put > 0)
                written += put;
            if (put <= 0 || written == input.size()) {
                close(in_pipe[1]);
                in_pipe[1] = -1;
            }
        }
    }
    if (in_pipe[1] >= 0)
        close(in_pipe[1]);
    int status = 0;
    waitpid(pid, &status, 0);
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

void test_write_picture(const std::string& dir, const char* name, const Image& image,
                        const uint8_t* palette)
{
    mkdir((dir + "/grafika").c_str(), 0777);
    pcx_write((dir + "/grafika/" + name).c_str(), &image, palette);
}
