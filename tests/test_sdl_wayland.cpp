// quarrow-sdl on Wayland with no X server to fall back on: weston nested in a
// 24-bit Xvfb through its X11 back end (its headless one crashes SDL 2.26),
// seen as a user sees it, through xwd on the Xvfb; and the launcher there.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/processes.h"
#include "support/screen_shots.h"
#include "support/support.h"
#include "support/transcript.h"
#include "support/which.h"
#include "support/x11_probe.h"
#include "support/xvfb.h"

namespace {

const std::string SOCKET = "quarrow-test";
const int OUTPUT_WIDTH = 1024, OUTPUT_HEIGHT = 768;

class Wayland : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (access(test_which("weston").c_str(), X_OK) != 0)
            return;
        ASSERT_TRUE(xvfb_start(&server, "1280x1024x24"));
        display = xvfb_display(server);
        runtime = test_make_dir();
        chmod(runtime.c_str(), 0700);
        ASSERT_TRUE(test_spawn_open(&weston,
                                    {test_which("weston"), "--backend=x11-backend.so", "--use-pixman",
                                     "--width=" + std::to_string(OUTPUT_WIDTH),
                                     "--height=" + std::to_string(OUTPUT_HEIGHT), "--socket=" + SOCKET,
                                     "--log=" + runtime + "/weston.log"},
                                    runtime, {"DISPLAY=" + display, "XDG_RUNTIME_DIR=" + runtime}));
        for (int i = 0; i < 200 && output.empty(); i++) {
            usleep(50000);
            if (access((runtime + "/" + SOCKET).c_str(), F_OK) == 0)
                output = x_window_named(display, "Weston Compositor - screen0");
        }
        ASSERT_NE(output, "") << test_read_file(runtime + "/weston.log");
        // The X keyboard goes to weston from now on, once: each change of X
        // focus takes the keyboard from weston's windows, and may not give
        // it back.
        test_run({test_which("xdotool"), "windowfocus", "--sync", output}, "", "", {"DISPLAY=" + display});
        usleep(1000000);  // the shell's panel and background are drawn
    }
    static void TearDownTestSuite()
    {
        if (weston.pid > 0) {
            kill(weston.pid, SIGTERM);
            test_spawn_wait_exit(&weston, 5000);
        }
        xvfb_stop(&server);
        if (!runtime.empty())
            test_remove_tree(runtime);
    }
    void SetUp() override
    {
        TEST_NEEDS("quarrow-sdl");
        if (output.empty())
            GTEST_SKIP() << "weston is not installed, or did not start";
    }

    // X keys to weston's window, which hands them to the focused surface.
    static void keys(const std::string& key)
    {
        test_run({test_which("xdotool"), "key", key}, "", "", {"DISPLAY=" + display});
    }

    // What a Wayland client started from a Wayland session sees: no X.
    static std::vector<std::string> session()
    {
        return {"DISPLAY", "WAYLAND_DISPLAY=" + SOCKET, "XDG_RUNTIME_DIR=" + runtime,
                "ASAN_OPTIONS=detect_leaks=0"};
    }

    static Xvfb server;
    static BackgroundRun weston;
    static std::string display, runtime, output;
};
Xvfb Wayland::server;
BackgroundRun Wayland::weston;
std::string Wayland::display, Wayland::runtime, Wayland::output;

// The demo opens a native Wayland window that shows, doubled, the frame it
// is at (paused there, and shot with F12 for the comparison: one of
// quarrow-render's title frames); F11 fills weston's output at three times;
// Escape, while still paused, ends it with status 0 and leaves nothing.
TEST_F(Wayland, WindowShowsTheFrameDoubledAndFullScreenFillsTheOutput)
{
    std::vector<PngFrame> title_frames = render_step_frames(1);
    std::string dir = test_make_demo_dir();
    BackgroundRun run;
    ASSERT_TRUE(test_spawn_open(&run, {test_bin("quarrow-sdl")}, dir, session()));
    test_spawn_write(&run, ANSWERS_RAW_MUSIC + "1\n");
    test_spawn_close_input(&run);
    ASSERT_TRUE(test_spawn_wait_output(&run, "2. Full screen\nType corresponding number : ", 10000)) << run.err;
    // The pointer goes to the panel, where it hides nothing of the window
    // (the window has the keyboard from the moment it is mapped).
    test_run({test_which("xdotool"), "mousemove", std::to_string(OUTPUT_WIDTH - 4), "4"}, "", "",
             {"DISPLAY=" + display});
    usleep(4000000);
    keys("space");
    keys("F12");
    ASSERT_TRUE(test_spawn_wait_for(&run, "quarrow-0001.png\n", 5000)) << run.err;
    PngFrame shot;
    ASSERT_TRUE(test_read_png(dir + "/quarrow-0001.png", &shot));
    EXPECT_TRUE(frame_among(shot, title_frames)) << "not one of quarrow-render's title frames";
    int left = -1, top = -1;
    EXPECT_TRUE(find_frame(shot_root_xwd(display), shot, 2, &left, &top)) << "no doubled frame on screen";

    keys("F11");
    usleep(1000000);
    Shot screen = shot_root_xwd(display);
    expect_frame_at(shot_crop(screen, 0, 0, OUTPUT_WIDTH, OUTPUT_HEIGHT), shot, shot.palette.data(), 3,
                    (OUTPUT_WIDTH - 960) / 2, (OUTPUT_HEIGHT - 720) / 2);

    keys("Escape");
    ASSERT_TRUE(test_spawn_wait_exit(&run, 5000)) << "still running";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(no_process_left_in(dir)) << "the music outlived the demo";
    test_remove_tree(dir);
}

// With only WAYLAND_DISPLAY set, the launcher picks the native window and
// says it is Wayland.
TEST_F(Wayland, LauncherChoosesTheNativeWindow)
{
    std::vector<std::string> env = session();
    env.push_back("QUARROW_BUILD_DIR=" + std::string(QUARROW_BIN_DIR));
    RunResult check = test_run({test_source_dir() + "/tools/play", "--check", "--sound", "none"}, "/tmp", "", env);
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("display: Wayland (" + SOCKET + "); quarrow-sdl opens a native window\n"),
              std::string::npos)
        << check.out << check.err;
}

}  // namespace
