// The console back end on the stand-in card: the mode menu as users see it,
// and what each mode's copy leaves in video memory for a known frame.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/vga/vgalib/vga.h"
#include "display/vga/vgalib/vga_screen.h"
#include "support/support.h"

namespace {

// Runs quarrow-vga with only the listed modes on a machine without pictures,
// so the run ends at the first picture, right after the mode switch.
RunResult run_vga(const std::string& modes, const std::string& input)
{
    TempDir temp;
    const std::string& dir = temp.path;
    RunResult r = test_run({test_bin("quarrow-vga")}, dir, input, {"VGA_STANDIN_MODES=" + modes});
    return r;
}

// The banner and the sound question, answered with 0: no music.
const char BANNER[] =
    "*** quarrow for LINUX by tobrak *** \n"
    "Choose output mode:\n0. NO\xA0music\n1. 8 bits, mono\n2. 8 bits, stereo\n"
    "3. 16 bits, mono\n4. 16 bits, stereo\nType corresponding number : ";
const char MISSING[] = "Cann't load image grafika/linux.pcx !\n";

TEST(VgaMenu, NumbersOnlyTheAvailableModes)
{
    RunResult two = run_vga("5,6", "0\n2\n");
    EXPECT_EQ(two.status, 1);
    EXPECT_EQ(two.out, std::string(BANNER) +
                           "Choose a vga mode:\n"
                           " 1. 320x200/256 colors -> the worst\n"
                           " 2. 320x240/256 colors -> RECOMMENDED!!!!\n"
                           "Type the number of the vga mode:"
                           "Width: 320  Height: 240  Colors: 256\n" +
                           MISSING);

    RunResult four = run_vga("6,7,8,11", "0\n4\n");
    EXPECT_EQ(four.out, std::string(BANNER) +
                            "Choose a vga mode:\n"
                            " 1. 320x240/256 colors -> RECOMMENDED!!!!\n"
                            " 2. 320x400/256 colors -> slow\n"
                            " 3. 360x480/256 colors -> slow\n"
                            " 4. 800x600/256 colors -> very slow\n"
                            "Type the number of the vga mode:"
                            "Width: 800  Height: 600  Colors: 256\n" +
                            MISSING);
}

TEST(VgaMenu, NoModeEndsWithStatus255)
{
    RunResult r = run_vga("", "");
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, std::string(BANNER) + "ERROR: Not valid vga mode avaible!");
}

// Without a usable device the user learns which path failed and why, on
// standard error, while the program's own line stays as it is.
TEST(VgaMenu, NoDeviceSaysWhichAndWhy)
{
    TempDir temp;
    const std::string& dir = temp.path;
    struct Case {
        std::string path, err;
    } cases[] = {
        {dir + "/fb9", "quarrow-vga: cannot open the frame buffer " + dir + "/fb9: No such file or directory\n"},
        {"/dev/null", "quarrow-vga: /dev/null is not a frame buffer device: Inappropriate ioctl for device\n"},
    };
    for (const Case& c : cases) {
        RunResult r = test_run({test_bin("quarrow-vga")}, dir, "0\n", {"FRAMEBUFFER=" + c.path});
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, std::string(BANNER) + "ERROR: Not valid vga mode avaible!");
    }
}

// Sets up the back end in a child with the given mode list and menu answer,
// presents a known frame and palette, and reports the screen it leaves.
struct Shown {
    int width = 0, height = 0;
    std::vector<uint8_t> screen;
    std::vector<int> palette;
};

Shown show(const char* modes, const char* answer, const Image& frame, const uint8_t* palette)
{
    TempDir temp;
    const std::string& dir = temp.path;
    test_write_file(dir + "/in", answer);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("VGA_STANDIN_MODES", modes, 1);
        if (!freopen((dir + "/in").c_str(), "r", stdin) || !freopen("/dev/null", "w", stdout))
            _exit(2);
        display_setup(0, nullptr, "", 320, 240);
        display_set_palette(palette);
        display_present(&frame);
        vga_modeinfo* info = vga_getmodeinfo(std::atoi(modes));
        std::vector<uint8_t> screen(static_cast<size_t>(info->width) * info->height);
        vga_standin_screen(screen.data());
        FILE* out = fopen((dir + "/screen").c_str(), "wb");
        fwrite(&info->width, sizeof(int), 1, out);
        fwrite(&info->height, sizeof(int), 1, out);
        fwrite(screen.data(), 1, screen.size(), out);
        fwrite(vga_standin_palette(), sizeof(int), 768, out);
        fclose(out);
        display_shutdown();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    std::string bytes = test_read_file(dir + "/screen");
    Shown shown;
    if (bytes.size() < 2 * sizeof(int))
        return shown;
    memcpy(&shown.width, bytes.data(), sizeof(int));
    memcpy(&shown.height, bytes.data() + sizeof(int), sizeof(int));
    size_t count = static_cast<size_t>(shown.width) * shown.height;
    shown.screen.assign(bytes.begin() + 2 * sizeof(int), bytes.begin() + 2 * sizeof(int) + count);
    shown.palette.resize(768);
    memcpy(shown.palette.data(), bytes.data() + 2 * sizeof(int) + count, 768 * sizeof(int));
    return shown;
}

class VgaPresent : public ::testing::Test {
protected:
    void SetUp() override
    {
        pixels = test_pixels(320, 240, [](int x, int y) { return (x * 3 + y * 5) % 255 + 1; });
        frame = Image{320, 240, pixels.data()};
        for (int i = 0; i < 768; i++)
            palette[i] = static_cast<uint8_t>(i);
    }
    std::vector<uint8_t> pixels;
    Image frame{};
    uint8_t palette[768];
};

TEST_F(VgaPresent, PlanarModeShowsTheFrameUnscaled)
{
    Shown s = show("6", "1\n", frame, palette);
    ASSERT_EQ(s.width, 320);
    ASSERT_EQ(s.height, 240);
    EXPECT_EQ(s.screen, pixels);
    EXPECT_EQ(s.palette[3 * 85 + 0], 255 >> 2);  // component 255 becomes 63
    EXPECT_EQ(s.palette[3], 3 >> 2);             // and 3 becomes 0
}

TEST_F(VgaPresent, PagedModesStretchOverTheWholeScreen)
{
    struct Case {
        const char* mode;
        int width, height;
    } cases[] = {{"10", 640, 480}, {"11", 800, 600}, {"5", 320, 200}, {"8", 360, 480}, {"7", 320, 400}};
    for (const Case& c : cases) {
        Shown s = show(c.mode, "1\n", frame, palette);
        ASSERT_EQ(s.width, c.width) << c.mode;
        ASSERT_EQ(s.height, c.height) << c.mode;
        std::vector<uint8_t> expected(static_cast<size_t>(c.width) * c.height);
        Image want{c.width, c.height, expected.data()};
        image_blit_scaled(&want, 0, 0, c.width, c.height, &frame, 0, 0, 320, 240, 0, 0);
        EXPECT_EQ(s.screen, expected) << c.mode;
    }
}

}  // namespace

namespace {

// A memory-backed device: format, a stride with padding, and a panned view
// into the second half of a virtual screen twice as high.
struct Device {
    const char* name;
    unsigned bits;
    fb_bitfield red, green, blue;
};

TEST(VgaDevice, OnePresentShowsTheFrameInTheDevicesLayout)
{
    const Device devices[] = {
        {"RGB565", 16, {11, 5, 0}, {5, 6, 0}, {0, 5, 0}},
        {"BGR24", 24, {16, 8, 0}, {8, 8, 0}, {0, 8, 0}},
        {"RGB24", 24, {0, 8, 0}, {8, 8, 0}, {16, 8, 0}},
        {"BGRX32", 32, {16, 8, 0}, {8, 8, 0}, {0, 8, 0}},
    };
    std::vector<uint8_t> pixels = test_pixels(320, 240, [](int x, int y) { return (x ^ y) + x / 3; });
    Image frame{320, 240, pixels.data()};
    uint8_t palette[768];
    for (int i = 0; i < 256; i++) {
        palette[3 * i] = static_cast<uint8_t>(i);
        palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        palette[3 * i + 2] = static_cast<uint8_t>(i * 7);
    }
    for (const Device& d : devices) {
        const unsigned bytes = d.bits / 8, xres = 400, yres = 300, pad = 24;
        fb_var_screeninfo var{};
        var.xres = xres;
        var.yres = yres;
        var.xres_virtual = xres + 8;
        var.yres_virtual = 2 * yres;
        var.xoffset = 8;
        var.yoffset = yres;
        var.bits_per_pixel = d.bits;
        var.red = d.red;
        var.green = d.green;
        var.blue = d.blue;
        fb_fix_screeninfo fix{};
        fix.line_length = (xres + 8) * bytes + pad;
        const size_t size = static_cast<size_t>(fix.line_length) * var.yres_virtual;
        auto* memory = static_cast<uint8_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(memory, MAP_FAILED);
        memset(memory, 0xEE, size);

        TempDir temp;
        const std::string& dir = temp.path;
        test_write_file(dir + "/in", "1\n");
        pid_t pid = fork();
        if (pid == 0) {
            setenv("VGA_STANDIN_MODES", "6", 1);
            if (!freopen((dir + "/in").c_str(), "r", stdin) || !freopen("/dev/null", "w", stdout))
                _exit(2);
            vga_screen_use_memory(memory, var, fix);
            display_setup(0, nullptr, "", 320, 240);
            display_set_palette(palette);
            display_present(&frame);
            _exit(0);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_EQ(status, 0) << d.name;

        // 320x240 on 400x300: one to one, centred at (40, 30).
        int wrong = 0, touched_outside = 0;
        for (unsigned y = 0; y < var.yres_virtual; y++) {
            for (unsigned x = 0; x < fix.line_length / bytes; x++) {
                const uint8_t* at = memory + y * fix.line_length + x * bytes;
                bool visible = y >= var.yoffset && x >= var.xoffset && x < var.xoffset + xres;
                if (!visible) {
                    touched_outside += at[0] != 0xEE;
                    continue;
                }
                int sx = static_cast<int>(x - var.xoffset) - 40, sy = static_cast<int>(y - var.yoffset) - 30;
                uint32_t want = 0;
                if (sx >= 0 && sy >= 0 && sx < 320 && sy < 240) {
                    const uint8_t* rgb = palette + 3 * pixels[sy * 320 + sx];
                    const fb_bitfield* fields[3] = {&d.red, &d.green, &d.blue};
                    for (int c = 0; c < 3; c++) {
                        uint32_t eight = ((rgb[c] >> 2) << 2) | (rgb[c] >> 6);  // through the 6-bit DAC
                        want |= (eight >> (8 - fields[c]->length)) << fields[c]->offset;
                    }
                }
                uint32_t got = 0;
                memcpy(&got, at, bytes);
                wrong += got != want;
            }
        }
        EXPECT_EQ(wrong, 0) << d.name;
        EXPECT_EQ(touched_outside, 0) << d.name;
        munmap(memory, size);
    }
}

// Each mode fills a 4:3 area as a VGA monitor showed it: the largest whole
// multiple where one fits, else the largest 4:3 area.
TEST(VgaDevice, ModesFillACentredFourByThreeArea)
{
    struct Case {
        int mode_w, mode_h, screen_w, screen_h;
        VgaArea want;
    } cases[] = {
        {320, 240, 1024, 768, {32, 24, 960, 720}},   {640, 480, 1024, 768, {192, 144, 640, 480}},
        {800, 600, 1024, 768, {112, 84, 800, 600}},  {320, 200, 1024, 768, {0, 0, 1024, 768}},
        {360, 480, 1024, 768, {0, 0, 1024, 768}},    {320, 240, 1280, 800, {160, 40, 960, 720}},
        {320, 400, 1280, 800, {107, 0, 1066, 800}},  {640, 480, 1920, 1080, {320, 60, 1280, 960}},
        {320, 200, 1600, 1200, {0, 0, 1600, 1200}},  {800, 600, 640, 480, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        VgaArea a = vga_screen_area(c.mode_w, c.mode_h, c.screen_w, c.screen_h);
        EXPECT_TRUE(a.x == c.want.x && a.y == c.want.y && a.width == c.want.width && a.height == c.want.height)
            << c.mode_w << "x" << c.mode_h << " on " << c.screen_w << "x" << c.screen_h << ": " << a.width << "x"
            << a.height << " at " << a.x << "," << a.y;
    }
}

}  // namespace
