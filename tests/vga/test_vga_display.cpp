// The console back end on the stand-in card: the mode menu as users see it,
// and what each mode's copy leaves in video memory for a known frame.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/display.h"
#include "display/vga/vgalib/vga.h"
#include "support.h"

namespace {

// Runs quarrow-vga with only the listed modes on a machine without pictures,
// so the run ends at the first picture, right after the mode switch.
RunResult run_vga(const std::string& modes, const std::string& input)
{
    std::string dir = test_make_dir();
    RunResult r = test_run({test_bin("quarrow-vga")}, dir, input, {"VGA_STANDIN_MODES=" + modes});
    test_remove_tree(dir);
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

// Sets up the back end in a child with the given mode list and menu answer,
// presents a known frame and palette, and reports the screen it leaves.
struct Shown {
    int width = 0, height = 0;
    std::vector<uint8_t> screen;
    std::vector<int> palette;
};

Shown show(const char* modes, const char* answer, const Image& frame, const uint8_t* palette)
{
    std::string dir = test_make_dir();
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
    test_remove_tree(dir);
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
