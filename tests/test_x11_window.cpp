// The demo's X window as a user's tools see it, shown by quarrow-x11-frame
// on a private 8-bit Xvfb with no window manager: geometry, fixed size,
// title, installed private colormap, the pixels of a known frame, and the
// shared-memory segment behind them.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "support/known_frame.h"
#include "support/support.h"
#include "support/x11_probe.h"
#include "support/xvfb.h"
#include "support/xvfb_suite.h"

static const std::string TITLE = "quarrow for LINUX by tobrak";
static const std::string PROMPT =
    "Choose display mode:\n1. Pixel size 1\n2. Pixel size 2\nType corresponding number : ";
static const std::string SHM_IN_USE = "INFO: Shared memory extension in use\n";
static const std::string SHM_NOT_IN_USE = "INFO: Shared memory extension not in use\n";

// Starts the helper against server and waits until its frame is on screen.
static void show_known_frame(const Xvfb& server, const std::vector<std::string>& options,
                             int pixel_size, BackgroundRun* helper)
{
    std::vector<std::string> argv = {test_bin("quarrow-x11-frame")};
    argv.insert(argv.end(), options.begin(), options.end());
    ASSERT_TRUE(test_spawn_open(helper, argv, "", {"DISPLAY=" + xvfb_display(server)}));
    test_spawn_write(helper, std::to_string(pixel_size) + "\n");
    ASSERT_TRUE(test_spawn_wait_output(helper, "shown\n", 10000)) << helper->out << helper->err;
}

// The window shows the known frame, each pixel pixel_size x pixel_size
// times, and its colormap holds the known palette with every component in
// the upper byte (255 -> 65280, 1 -> 256).
static void expect_known_frame(const Xvfb& server, const std::string& window, int pixel_size)
{
    XwdDump dump;
    ASSERT_TRUE(x_window_dump(xvfb_display(server), window, &dump));
    ASSERT_EQ(dump.width, 320 * pixel_size);
    ASSERT_EQ(dump.height, 240 * pixel_size);
    // The server keeps 8 significant bits and reads a stored c x 256 back as
    // c x 257, so 65280 shows as 65535; a wrong upper byte still shows.
    for (int i = 0; i < 256; i++) {
        ASSERT_EQ(dump.red[i], known_palette_component(i, 0) * 257) << "entry " << i;
        ASSERT_EQ(dump.green[i], known_palette_component(i, 1) * 257) << "entry " << i;
        ASSERT_EQ(dump.blue[i], known_palette_component(i, 2) * 257) << "entry " << i;
    }
    for (int y = 0; y < dump.height; y++)
        for (int x = 0; x < dump.width; x++)
            ASSERT_EQ(dump.pixels[size_t(y) * dump.width + x],
                      known_frame_pixel(x / pixel_size, y / pixel_size))
                << "at " << x << "," << y;
}

static void quit_and_expect_clean_end(BackgroundRun* helper)
{
    pid_t pid = helper->pid;
    test_spawn_write(helper, "quit\n");
    ASSERT_TRUE(test_spawn_wait_exit(helper, 10000));
    EXPECT_EQ(helper->status, 0) << helper->err;
    EXPECT_EQ(helper->err, "");
    EXPECT_TRUE(shm_segments_of(pid).empty()) << "a shared-memory segment outlived the program";
}

struct WindowMode {
    int pixel_size;
    bool shm_off;
};

static void PrintTo(const WindowMode& mode, std::ostream* out)
{
    *out << "pixel size " << mode.pixel_size << (mode.shm_off ? ", -x" : "");
}

class X11Window : public EightBitXvfbSuite<::testing::TestWithParam<WindowMode>> {
protected:
    void SetUp() override { TEST_NEEDS("quarrow-x11-frame"); }
};

TEST_P(X11Window, ShowsKnownFrameInFixedSizeWindow)
{
    const WindowMode mode = GetParam();
    BackgroundRun helper;
    show_known_frame(server, mode.shm_off ? std::vector<std::string>{"-x"} : std::vector<std::string>{},
                     mode.pixel_size, &helper);
    EXPECT_EQ(helper.out, PROMPT + (mode.shm_off ? "" : SHM_IN_USE) + "shown\n");
    std::string display = xvfb_display(server);
    std::string window = x_window_named(display, TITLE);
    ASSERT_NE(window, "");
    int width = 320 * mode.pixel_size, height = 240 * mode.pixel_size;
    std::string size = std::to_string(width) + " by " + std::to_string(height);

    std::string info = x_tool(display, {"xwininfo", "-id", window});
    EXPECT_NE(info.find("Width: " + std::to_string(width) + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: " + std::to_string(height) + "\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Depth: 8\n"), std::string::npos) << info;
    EXPECT_NE(info.find("Map State: IsViewable"), std::string::npos) << info;
    // No window manager runs, so the program has to install its colormap.
    EXPECT_NE(info.find("(installed)"), std::string::npos) << info;

    std::string props =
        x_tool(display, {"xprop", "-id", window, "WM_NAME", "WM_ICON_NAME", "WM_NORMAL_HINTS"});
    EXPECT_NE(props.find("WM_NAME(STRING) = \"" + TITLE + "\""), std::string::npos) << props;
    EXPECT_NE(props.find("WM_ICON_NAME(STRING) = \"" + TITLE + "\""), std::string::npos) << props;
    EXPECT_NE(props.find("program specified minimum size: " + size), std::string::npos) << props;
    EXPECT_NE(props.find("program specified maximum size: " + size), std::string::npos) << props;

    std::vector<ShmSegment> segments = shm_segments_of(helper.pid);
    if (mode.shm_off) {
        EXPECT_TRUE(segments.empty());
    } else {
        ASSERT_EQ(segments.size(), 1u);
        EXPECT_EQ(segments[0].perms, 0600);
        EXPECT_EQ(segments[0].bytes, long(width) * height);
        EXPECT_EQ(segments[0].attached, 2) << "the program and the server";
    }

    expect_known_frame(server, window, mode.pixel_size);
    // Presenting again changes nothing: the frame is only read.
    test_spawn_write(&helper, "present\n");
    ASSERT_TRUE(test_spawn_wait_output(&helper, "shown\nshown\n", 10000));
    expect_known_frame(server, window, mode.pixel_size);
    quit_and_expect_clean_end(&helper);
    EXPECT_EQ(x_window_named(display, TITLE), "") << "window left behind";
}

INSTANTIATE_TEST_SUITE_P(Modes, X11Window,
                         ::testing::Values(WindowMode{1, false}, WindowMode{2, false},
                                           WindowMode{1, true}, WindowMode{2, true}),
                         [](const ::testing::TestParamInfo<WindowMode>& info) {
                             return "PixelSize" + std::to_string(info.param.pixel_size) +
                                    (info.param.shm_off ? "Plain" : "SharedMemory");
                         });

// A server in another IPC namespace offers the extension but cannot attach
// the segment: the frames must still arrive, through the plain image, and
// the refused segment must not linger.
TEST(X11SharedMemory, RefusedAttachFallsBackToPlainImage)
{
    TEST_NEEDS("quarrow-x11-frame");
    Xvfb server;
    if (!xvfb_start(&server, "640x480x8", true))
        GTEST_SKIP() << "cannot start Xvfb in its own IPC namespace here";
    BackgroundRun helper;
    show_known_frame(server, {}, 2, &helper);
    EXPECT_EQ(helper.out, PROMPT + SHM_NOT_IN_USE + "shown\n");
    EXPECT_TRUE(shm_segments_of(helper.pid).empty());
    std::string window = x_window_named(xvfb_display(server), TITLE);
    ASSERT_NE(window, "");
    expect_known_frame(server, window, 2);
    quit_and_expect_clean_end(&helper);
    xvfb_stop(&server);
}

// The server vanishes mid-run: the program ends instead of hanging, and the
// music process is stopped first so it does not play on as an orphan.
TEST(X11ServerLoss, EndsProgramAndStopsMusic)
{
    TEST_NEEDS("quarrow-x11-frame");
    Xvfb server;
    ASSERT_TRUE(xvfb_start(&server, "640x480x8"));
    TempDir temp;
    const std::string& dir = temp.path;
    std::string marker = dir + "/music-terminated";
    BackgroundRun helper;
    show_known_frame(server, {}, 1, &helper);
    test_spawn_write(&helper, "music " + marker + "\n");
    ASSERT_TRUE(test_spawn_wait_output(&helper, "music ", 10000));
    ASSERT_TRUE(test_spawn_wait_output(&helper, "\n", 10000));
    pid_t music = atoi(helper.out.substr(helper.out.find("music ") + 6).c_str());
    ASSERT_GT(music, 0);

    xvfb_stop(&server);
    // The loss shows on a later write (SIGPIPE) or read (Xlib's I/O error);
    // the demo presents twelve times a second, the test a few times.
    for (int i = 0; i < 5; i++) {
        test_spawn_write(&helper, "present\n");
        usleep(50000);
    }
    ASSERT_TRUE(test_spawn_wait_exit(&helper, 10000)) << "still running without its server";
    EXPECT_TRUE(helper.status == 1 || helper.status == 128 + SIGPIPE) << helper.status << helper.err;
    bool stopped = false;
    for (int i = 0; i < 200 && !stopped; i++) {
        stopped = access(marker.c_str(), F_OK) == 0;
        if (!stopped)
            usleep(10000);
    }
    if (!stopped)
        kill(music, SIGKILL);
    EXPECT_TRUE(stopped) << "the music process was not sent SIGTERM";
}
