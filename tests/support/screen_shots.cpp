// Screen shots of the native window and the checks made on them.
#include "support/screen_shots.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/which.h"
#include "support/x11_probe.h"

Shot shot_window(const std::string& display, const std::string& window)
{
    Shot shot;
    std::string size = window == "root" ? x_tool(display, {"xwininfo", "-root"})
                                        : x_tool(display, {"xwininfo", "-id", window});
    sscanf(size.substr(size.find("Width: ")).c_str(), "Width: %d", &shot.width);
    sscanf(size.substr(size.find("Height: ")).c_str(), "Height: %d", &shot.height);
    shot.rgb = test_run({test_which("import"), "-window", window, "-depth", "8", "rgb:-"}, "", "",
                        {"DISPLAY=" + display}).out;
    return shot;
}

Shot shot_root_xwd(const std::string& display)
{
    Shot shot;
    std::string size = x_tool(display, {"xwininfo", "-root"});
    sscanf(size.substr(size.find("Width: ")).c_str(), "Width: %d", &shot.width);
    sscanf(size.substr(size.find("Height: ")).c_str(), "Height: %d", &shot.height);
    std::string dump = test_run({test_which("xwd"), "-root", "-silent"}, "", "", {"DISPLAY=" + display}).out;
    shot.rgb = test_run({test_which("convert"), "xwd:-", "-depth", "8", "rgb:-"}, "", dump).out;
    return shot;
}

Shot shot_crop(const Shot& shot, int left, int top, int width, int height)
{
    Shot part;
    part.width = width;
    part.height = height;
    for (int y = top; y < top + height; y++)
        part.rgb += shot.rgb.substr(3 * (size_t(y) * shot.width + left), 3 * size_t(width));
    return part;
}

static uint32_t colour_of(const PngFrame& frame, const uint8_t* palette, int x, int y)
{
    const uint8_t* c = palette + 3 * frame.pixels[size_t(y) * frame.width + x];
    return uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
}

void expect_frame_at(const Shot& shot, const PngFrame& frame, const uint8_t* palette, int scale,
                     int left, int top)
{
    ASSERT_EQ(shot.rgb.size(), size_t(shot.width) * shot.height * 3);
    for (int y = 0; y < shot.height; y++) {
        for (int x = 0; x < shot.width; x++) {
            int fx = x - left, fy = y - top;
            bool inside = fx >= 0 && fy >= 0 && fx < frame.width * scale && fy < frame.height * scale;
            uint32_t want = inside ? colour_of(frame, palette, fx / scale, fy / scale) : 0;
            ASSERT_EQ(shot.at(x, y), want) << "at " << x << "," << y << " of " << shot.width << "x"
                                           << shot.height;
        }
    }
}

static bool frame_at(const Shot& shot, const PngFrame& frame, int scale, int left, int top)
{
    for (int y = 0; y < frame.height * scale; y++)
        for (int x = 0; x < frame.width * scale; x++)
            if (shot.at(left + x, top + y) != colour_of(frame, frame.palette.data(), x / scale, y / scale))
                return false;
    return true;
}

bool find_frame(const Shot& shot, const PngFrame& frame, int scale, int* left, int* top)
{
    if (shot.rgb.size() != size_t(shot.width) * shot.height * 3)
        return false;
    uint32_t corner = colour_of(frame, frame.palette.data(), 0, 0);
    for (int y = 0; y + frame.height * scale <= shot.height; y++)
        for (int x = 0; x + frame.width * scale <= shot.width; x++)
            if (shot.at(x, y) == corner && frame_at(shot, frame, scale, x, y)) {
                *left = x;
                *top = y;
                return true;
            }
    return false;
}

bool no_process_left_in(const std::string& dir)
{
    for (int i = 0; i < 40; i++) {
        bool found = false;
        FILE* list = popen("ls /proc", "r");
        char name[64];
        while (list && fscanf(list, "%63s", name) == 1) {
            char link[PATH_MAX] = {0};
            std::string cwd = "/proc/" + std::string(name) + "/cwd";
            if (atoi(name) > 0 && readlink(cwd.c_str(), link, sizeof link - 1) > 0 && dir == link)
                found = true;
        }
        if (list)
            pclose(list);
        if (!found)
            return true;
        usleep(50000);
    }
    return false;
}

std::vector<PngFrame> render_step_frames(int step)
{
    std::vector<PngFrame> frames;
    std::string dir = test_make_dir();
    EXPECT_EQ(symlink((test_source_dir() + "/grafika").c_str(), (dir + "/grafika").c_str()), 0);
    RunResult render = test_run({test_bin("quarrow-render"), "--frames", "frames", "--steps",
                                 std::to_string(step), "--seed", "1"}, dir);
    EXPECT_EQ(render.status, 0) << render.err;
    // frames.tsv: frame number, step, label, index within the step.
    std::ifstream index(dir + "/frames/frames.tsv");
    std::string line;
    while (std::getline(index, line)) {
        std::istringstream fields(line);
        int number = -1, in_step = -1;
        fields >> number >> in_step;
        char name[32];
        snprintf(name, sizeof name, "/frames/%06d.png", number);
        PngFrame frame;
        if (in_step == step && test_read_png(dir + name, &frame))
            frames.push_back(frame);
    }
    test_remove_tree(dir);
    return frames;
}

bool frame_among(const PngFrame& frame, const std::vector<PngFrame>& frames)
{
    for (const PngFrame& other : frames)
        if (other.pixels == frame.pixels && other.palette == frame.palette)
            return true;
    return false;
}
