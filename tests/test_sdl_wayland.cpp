// quarrow-sdl on Wayland with no X server to fall back on, on each
// compositor tests/support knows (weston, GNOME's mutter, wlroots' sway),
// seen as a user sees it through the compositor's own screenshots; and the
// launcher there.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "support/compositors.h"
#include "support/processes.h"
#include "support/screen_shots.h"
#include "support/support.h"
#include "support/timing.h"
#include "support/transcript.h"
#include "support/which.h"

namespace {

class Wayland : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        TEST_NEEDS("quarrow-sdl");
        if (!compositor_start(&compositor, GetParam()))
            GTEST_SKIP() << compositor.why;
    }
    void TearDown() override { compositor_stop(&compositor); }

    Compositor compositor;
};

// The demo opens a native Wayland window that shows, doubled, the frame it
// is at (paused there, and shot with F12 for the comparison: one of
// quarrow-render's title frames); F11 fills the output at three times,
// centred; Escape, while still paused, ends it with status 0 and leaves
// nothing.
TEST_P(Wayland, WindowShowsTheFrameDoubledAndFullScreenFillsTheOutput)
{
    std::vector<PngFrame> title_frames = render_step_frames(1);
    std::string dir = test_make_demo_dir();
    BackgroundRun run;
    ASSERT_TRUE(test_spawn_open(&run, {test_bin("quarrow-sdl")}, dir, compositor_session(compositor)));
    test_spawn_write(&run, ANSWERS_RAW_MUSIC + "1\n");
    test_spawn_close_input(&run);
    ASSERT_TRUE(test_spawn_wait_output(&run, "2. Full screen\nType corresponding number : ", 10000)) << run.err;
    test_sleep_ms(4000);
    // A key the demo ignores first: mutter's remote keyboard loses the first
    // key a new window is sent.
    compositor_key(&compositor, "Return");
    test_sleep_ms(300);
    compositor_key(&compositor, "space");
    compositor_key(&compositor, "F12");
    ASSERT_TRUE(test_spawn_wait_for(&run, "quarrow-0001.png\n", 5000)) << run.err;
    PngFrame shot;
    ASSERT_TRUE(test_read_png(dir + "/quarrow-0001.png", &shot));
    EXPECT_TRUE(frame_among(shot, title_frames)) << "not one of quarrow-render's title frames";
    Shot screen;
    int left = -1, top = -1;
    ASSERT_TRUE(compositor_shot(&compositor, &screen)) << "no screenshot";
    EXPECT_TRUE(find_frame(screen, shot, 2, &left, &top)) << "no doubled frame on screen";

    compositor_key(&compositor, "F11");
    test_sleep_ms(1000);
    ASSERT_TRUE(compositor_shot(&compositor, &screen)) << "no screenshot";
    expect_frame_at(screen, shot, shot.palette.data(), 3, (Compositor::WIDTH - 960) / 2,
                    (Compositor::HEIGHT - 720) / 2);

    compositor_key(&compositor, "Escape");
    ASSERT_TRUE(test_spawn_wait_exit(&run, 5000)) << "still running";
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(no_process_left_in(dir)) << "the music outlived the demo";
    test_remove_tree(dir);
}

// With only WAYLAND_DISPLAY set, the launcher picks the native window and
// says it is Wayland.
TEST_P(Wayland, LauncherChoosesTheNativeWindow)
{
    std::vector<std::string> env = compositor_session(compositor);
    env.push_back("QUARROW_BUILD_DIR=" + std::string(QUARROW_BIN_DIR));
    RunResult check = test_run({test_source_dir() + "/tools/play", "--check", "--sound", "none"}, "/tmp", "", env);
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("display: Wayland (" + compositor.socket + "); quarrow-sdl opens a native window\n"),
              std::string::npos)
        << check.out << check.err;
}

INSTANTIATE_TEST_SUITE_P(Compositor, Wayland, ::testing::ValuesIn(compositor_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
