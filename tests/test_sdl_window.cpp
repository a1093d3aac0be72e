// quarrow-sdl and its back end on a 24-bit 1280x1024 Xvfb with a window
// manager, seen from outside: screenshots of a frame quarrow-render wrote,
// in a window, resized and full screen; the screenshot key; a pause heard
// through each sound server's null sink; and the demo ended from the keyboard or
// the window's close button with its music stopped.
#include <gtest/gtest.h>
#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/pulse.h"
#include "support/screen_shots.h"
#include "support/support.h"
#include "support/timing.h"
#include "support/which.h"
#include "support/x11_probe.h"
#include "support/transcript.h"
#include "support/xvfb.h"

// SDL keeps a session-bus connection whose memory, in a sanitizer build,
// shows at exit as leaks in libraries it has already unloaded, which no
// suppression can name; leak checking is off for the SDL programs only.
static const std::string NO_LEAK_CHECK = "ASAN_OPTIONS=detect_leaks=0";

static const std::string TITLE = "quarrow for LINUX by tobrak";
static const std::string DISPLAY_PROMPT =
    "Choose display mode:\n1. Window\n2. Full screen\nType corresponding number : ";

class SdlDesktop : public ::testing::Test {
protected:
    void SetUp() override { TEST_NEEDS("quarrow-sdl"); }
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(xvfb_start(&server, "1280x1024x24"));
        display = xvfb_display(server);
        // Full screen is the window manager's business, as on a desktop.
        ASSERT_TRUE(test_spawn_open(&wm, {"/usr/bin/openbox", "--sm-disable"}, "", {"DISPLAY=" + display}));
        for (int i = 0; i < 100 && x_tool(display, {"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"})
                                           .find("window id") == std::string::npos; i++)
            usleep(50000);
        frame_dir = test_make_dir();
        EXPECT_EQ(symlink((test_source_dir() + "/grafika").c_str(), (frame_dir + "/grafika").c_str()), 0);
        // A frame from the middle of the water ripples: fine detail, many colours.
        RunResult render = test_run({test_bin("quarrow-render"), "--frames", "frames", "--steps",
                                     "12", "--seed", "7"}, frame_dir);
        ASSERT_EQ(render.status, 0) << render.err;
        char name[32];
        snprintf(name, sizeof name, "/frames/%06d.png", 744);
        frame_png = frame_dir + name;
        ASSERT_TRUE(test_read_png(frame_png, &frame)) << frame_png;
    }
    static void TearDownTestSuite()
    {
        kill(wm.pid, SIGTERM);
        test_spawn_wait_exit(&wm, 5000);
        xvfb_stop(&server);
        test_remove_tree(frame_dir);
    }
    static Xvfb server;
    static BackgroundRun wm;
    static std::string display, frame_dir, frame_png;
    static PngFrame frame;
};
Xvfb SdlDesktop::server;
BackgroundRun SdlDesktop::wm;
std::string SdlDesktop::display, SdlDesktop::frame_dir, SdlDesktop::frame_png;
PngFrame SdlDesktop::frame;

// Starts quarrow-sdl-frame on the render's frame with the display-mode
// answer and waits until the frame is shown.
static void show_frame(const std::string& display, const std::string& png, int mode, BackgroundRun* helper,
                       const std::string& cwd = "")
{
    ASSERT_TRUE(test_spawn_open(helper, {test_bin("quarrow-sdl-frame"), png}, cwd,
                            {"DISPLAY=" + display, NO_LEAK_CHECK}));
    test_spawn_write(helper, std::to_string(mode) + "\n");
    ASSERT_TRUE(test_spawn_wait_output(helper, "shown\n", 10000)) << helper->out << helper->err;
    usleep(300000);  // the window manager settles the window
}

static size_t count_of(const std::string& text, const std::string& line)
{
    size_t n = 0;
    for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1))
        n++;
    return n;
}

// Sends one command and waits for its answer line.
static void command(BackgroundRun* helper, const std::string& line, const std::string& answer)
{
    size_t before = count_of(helper->out, answer);
    test_spawn_write(helper, line + "\n");
    for (int i = 0; i < 200 && count_of(helper->out, answer) == before; i++)
        test_spawn_wait_output(helper, "\x01", 50);
    ASSERT_GT(count_of(helper->out, answer), before) << line;
    usleep(200000);
}

static void quit(BackgroundRun* helper)
{
    test_spawn_write(helper, "quit\n");
    ASSERT_TRUE(test_spawn_wait_exit(helper, 10000));
    EXPECT_EQ(helper->status, 0) << helper->err;
}

// In a window the frame is doubled, exactly in the palette's colours; when
// the window grows it stays doubled and centred; a palette set without a
// present leaves the picture alone until the next frame.
TEST_F(SdlDesktop, WindowShowsTheFrameDoubled)
{
    BackgroundRun helper;
    show_frame(display, frame_png, 1, &helper);
    EXPECT_EQ(helper.out, DISPLAY_PROMPT + "shown\n");
    std::string window = x_window_named(display, TITLE);
    ASSERT_NE(window, "");
    expect_frame_at(shot_window(display, window), frame, frame.palette.data(), 2, 0, 0);

    command(&helper, "palette", "set\n");
    expect_frame_at(shot_window(display, window), frame, frame.palette.data(), 2, 0, 0);
    command(&helper, "present", "shown\n");
    std::vector<uint8_t> inverted(768);
    for (int i = 0; i < 768; i++)
        inverted[i] = static_cast<uint8_t>(255 - frame.palette[i]);
    expect_frame_at(shot_window(display, window), frame, inverted.data(), 2, 0, 0);

    ASSERT_EQ(test_run({test_which("xdotool"), "windowsize", window, "1000", "700"}, "", "",
                       {"DISPLAY=" + display}).status, 0);
    for (int i = 0; i < 100 && x_tool(display, {"xwininfo", "-id", window}).find("Width: 1000\n") ==
                                   std::string::npos; i++)
        usleep(50000);
    usleep(300000);  // the resize reaches the program as an event
    command(&helper, "present", "shown\n");
    Shot grown = shot_window(display, window);
    ASSERT_EQ(grown.width, 1000);
    ASSERT_EQ(grown.height, 700);
    expect_frame_at(grown, frame, inverted.data(), 2, 180, 110);

    // Too small for 1x: scaled down to 333x250, still 4:3, centred.
    ASSERT_EQ(test_run({test_which("xdotool"), "windowsize", window, "400", "250"}, "", "",
                       {"DISPLAY=" + display}).status, 0);
    for (int i = 0; i < 100 && x_tool(display, {"xwininfo", "-id", window}).find("Width: 400\n") ==
                                   std::string::npos; i++)
        usleep(50000);
    usleep(300000);
    command(&helper, "present", "shown\n");
    Shot small = shot_window(display, window);
    ASSERT_EQ(small.rgb.size(), size_t(400 * 250 * 3));
    int lit_left = 400, lit_right = -1;
    for (int y = 0; y < 250; y++)
        for (int x = 0; x < 400; x++)
            if (small.at(x, y) != 0) {
                lit_left = std::min(lit_left, x);
                lit_right = std::max(lit_right, x);
            }
    EXPECT_GE(lit_left, 33);
    EXPECT_LE(lit_right, 33 + 333 - 1);
    EXPECT_LE(lit_left, 40) << "picture missing or not centred";
    quit(&helper);
    EXPECT_EQ(x_window_named(display, TITLE), "") << "window left behind";
}

// Sends keys to the window, lets the window manager act on them, and has
// the helper read them with its next present.
static void keys_then_present(const std::string& display, BackgroundRun* helper, const char* keys,
                              const char* width)
{
    std::string window = x_window_named(display, TITLE);
    ASSERT_EQ(test_run({test_which("xdotool"), "key", "--window", window, keys}, "", "",
                       {"DISPLAY=" + display}).status, 0);
    command(helper, "present", "shown\n");
    for (int i = 0; i < 100 && x_tool(display, {"xwininfo", "-id", window}).find(width) ==
                                   std::string::npos; i++)
        usleep(50000);
    usleep(300000);
    command(helper, "present", "shown\n");
}

// Full screen on 1280x1024 is the frame x4 (1280x960) between black bars;
// F11 takes it to a window of the frame doubled, Alt+Enter back again.
TEST_F(SdlDesktop, FullScreenShowsTheFrameTimesFour)
{
    BackgroundRun helper;
    show_frame(display, frame_png, 2, &helper);
    expect_frame_at(shot_window(display, "root"), frame, frame.palette.data(), 4, 0, 32);

    keys_then_present(display, &helper, "F11", "Width: 640\n");
    expect_frame_at(shot_window(display, x_window_named(display, TITLE)), frame,
                    frame.palette.data(), 2, 0, 0);
    keys_then_present(display, &helper, "alt+Return", "Width: 1280\n");
    expect_frame_at(shot_window(display, "root"), frame, frame.palette.data(), 4, 0, 32);
    quit(&helper);
}

// F12 writes the frame on screen as the next free quarrow-NNNN.png, in the
// palette it is shown in rather than one set since, and names it on
// standard error; when the folder is gone it says why and the window goes on.
TEST_F(SdlDesktop, ScreenshotKeyWritesTheFrameOnScreen)
{
    std::string dir = test_make_dir();
    test_write_file(dir + "/quarrow-0001.png", "a user's own file");
    BackgroundRun helper;
    show_frame(display, frame_png, 1, &helper, dir);
    command(&helper, "palette", "set\n");
    keys_then_present(display, &helper, "F12", "Width: 640\n");
    keys_then_present(display, &helper, "F12", "Width: 640\n");
    std::vector<uint8_t> inverted(768);
    for (int i = 0; i < 768; i++)
        inverted[i] = static_cast<uint8_t>(255 - frame.palette[i]);
    struct {
        const char* name;
        const std::vector<uint8_t>& palette;
    } shots[] = {{"quarrow-0002.png", frame.palette}, {"quarrow-0003.png", inverted}};
    for (const auto& shot : shots) {
        PngFrame written;
        ASSERT_TRUE(test_read_png(dir + "/" + shot.name, &written)) << shot.name << helper.err;
        EXPECT_EQ(written.width, 320);
        EXPECT_EQ(written.height, 240);
        EXPECT_TRUE(written.pixels == frame.pixels) << shot.name;
        EXPECT_TRUE(written.palette == shot.palette) << shot.name;
    }
    EXPECT_EQ(test_read_file(dir + "/quarrow-0001.png"), "a user's own file");
    std::string program = test_bin("quarrow-sdl-frame");
    EXPECT_EQ(helper.err, program + ": screenshot written to quarrow-0002.png\n" + program +
                              ": screenshot written to quarrow-0003.png\n");

    test_remove_tree(dir);
    keys_then_present(display, &helper, "F12", "Width: 640\n");
    EXPECT_EQ(helper.err.substr(helper.err.rfind(program)),
              program + ": cannot write a screenshot as quarrow-0001.png: No such file or directory\n");
    quit(&helper);
}

static const std::string& BANNER = DEMO_BANNER;
// Raw-file music, then a window.
static const std::string ANSWERS = ANSWERS_RAW_MUSIC + "1\n";
static const std::string& SOUND_LINES = SOUND_LINES_RAW_MUSIC;

// The demo ended by the user, by a key sent to its window or by the window
// manager's close, ends as at the end of its script: status 0, nothing on
// standard error, the statistics of the effects that finished, and no music
// process left. Escape comes after the first effect, the others at once.
TEST_F(SdlDesktop, UserEndsTheDemoWithMusicStopped)
{
    struct Case {
        const char* name;
        std::vector<std::string> keys;  // xdotool arguments; "W" is the window
        bool after_first_effect;
    } cases[] = {
        {"Escape", {"key", "--window", "W", "Escape"}, true},
        {"q", {"key", "--window", "W", "q"}, false},
        {"close button", {"key", "alt+F4"}, false},
    };
    for (const Case& c : cases) {
        std::string dir = test_make_demo_dir();
        BackgroundRun run;
        ASSERT_TRUE(test_spawn_open(&run, {test_bin("quarrow-sdl")}, dir, {"DISPLAY=" + display, NO_LEAK_CHECK}));
        test_spawn_write(&run, ANSWERS);
        test_spawn_close_input(&run);
        std::string head = BANNER + SOUND_LINES + DISPLAY_PROMPT;
        ASSERT_TRUE(test_spawn_wait_output(&run, head, 10000)) << c.name << run.out << run.err;
        std::string window;
        for (int i = 0; i < 100 && window.empty(); i++) {
            window = x_window_named(display, TITLE);
            usleep(50000);
        }
        ASSERT_NE(window, "") << c.name;
        // Standard output is a pipe here, so the statistics only show at the
        // end; the first effect lasts ten seconds.
        if (c.after_first_effect)
            usleep(11500000);
        else
            usleep(1000000);  // the window manager has given it the focus
        // Asked again: SDL may remake its window when the renderer starts.
        window = x_window_named(display, TITLE);
        std::vector<std::string> argv = {test_which("xdotool")};
        for (const std::string& k : c.keys)
            argv.push_back(k == "W" ? window : k);
        RunResult sent = test_run(argv, "", "", {"DISPLAY=" + display});
        EXPECT_EQ(sent.status, 0) << c.name << ": " << sent.err;
        ASSERT_TRUE(test_spawn_wait_exit(&run, 5000)) << c.name << ": still running";

        EXPECT_EQ(run.status, 0) << c.name << run.err;
        EXPECT_EQ(run.err, "") << c.name;
        ASSERT_EQ(run.out.substr(0, head.size()), head) << c.name;
        std::string stats = run.out.substr(head.size());
        if (c.after_first_effect) {
            int frames = 0;
            double rate = 0;
            ASSERT_EQ(sscanf(stats.c_str(), "e_04:\t %d - Screens,\t Screens/sec - %lf\n", &frames, &rate), 2)
                << stats;
            char line[128];
            snprintf(line, sizeof line, "e_04:\t %d - Screens,\t Screens/sec - %f\n", frames, rate);
            EXPECT_EQ(stats, line);
            EXPECT_GT(frames, 0);
            EXPECT_LE(rate, 12.5) << "faster than the demo's pace";
            EXPECT_GT(test_read_file(dir + "/music.raw").size(), 10 * 88200u) << "music played";
        } else {
            EXPECT_EQ(stats, "") << c.name;
        }
        EXPECT_TRUE(no_process_left_in(dir)) << c.name << ": the music outlived the demo";
        EXPECT_EQ(x_window_named(display, TITLE), "") << c.name;
    }
}

// The first and last time (ms) between from and to at which the recording
// holds a sample louder than the song's quietest moments; -1 when none.
static std::pair<long long, long long> loud_between(const Recorder& recorder, long long from, long long to)
{
    std::pair<long long, long long> span{-1, -1};
    size_t begin = 0;
    for (const auto& arrival : recorder.arrivals) {
        for (size_t offset = begin; offset + RECORDER_FRAME_BYTES <= arrival.first; offset += RECORDER_FRAME_BYTES) {
            long long at = arrival.second - static_cast<long long>((arrival.first - offset) / RECORDER_FRAME_BYTES) *
                                                1000 / RECORDER_RATE;
            if (at >= from && at <= to && (std::abs(sample_at(recorder.data, offset / 2)) > 64 ||
                                           std::abs(sample_at(recorder.data, offset / 2 + 1)) > 64)) {
                if (span.first < 0)
                    span.first = at;
                span.second = at;
            }
        }
        begin = arrival.first;
    }
    return span;
}

// The statistics lines in out, as label and frame count.
static std::vector<std::pair<std::string, int>> statistics(const std::string& out)
{
    std::vector<std::pair<std::string, int>> lines;
    for (size_t at = out.find(":\t "); at != std::string::npos; at = out.find(":\t ", at + 1)) {
        // The first follows the last question on its line.
        size_t start = out.find_last_of("\n ", at) + 1;
        char label[16];
        int frames = 0;
        if (sscanf(out.c_str() + start, "%15[^:]:\t %d - Screens", label, &frames) == 2)
            lines.push_back({label, frames});
    }
    return lines;
}

// How long a pause may still be heard: the 50 ms the music process asks of
// the server, the mixing round it is in (23 ms at 44100 Hz), the 10 ms in
// which the frame wait looks at the keys, and room for the other real-time
// runs beside it, which can also make the test read the recording late.
// Measured 40 to 108 ms; a server's default buffer is seconds.
constexpr long long PAUSE_HEARD_MS = 150;

// Each sound server of tests/support, reached as device 5.
class SdlPause : public SdlDesktop, public ::testing::WithParamInterface<std::string> {};

// A whole run with its music through a sound server's null sink, paused for five
// seconds in the title picture with Space and resumed with P: the
// sound stops soon after one key and is back within 100 ms of the other;
// meanwhile the title says so, and two screenshots a second apart are the
// same frame of quarrow-render's title step, the one the window shows. The
// clock stood still, so every effect had its time and the statistics are
// those of a run never paused; and nothing is left running.
TEST_P(SdlPause, PauseHoldsPictureMusicAndClockRealTime)
{
    SoundServer sound;
    if (!sound_server_start(&sound, GetParam()))
        GTEST_SKIP() << sound.why;
    std::vector<PngFrame> title_frames = render_step_frames(1);
    RunResult unpaused = test_run({test_bin("quarrow-render"), "--seed", "1"}, frame_dir);
    Recorder recorder;
    ASSERT_TRUE(recorder_start(&recorder));
    std::string dir = test_make_demo_dir();
    BackgroundRun run;
    ASSERT_TRUE(test_spawn_open(&run, {test_bin("quarrow-sdl")}, dir, {"DISPLAY=" + display, NO_LEAK_CHECK}));
    test_spawn_write(&run, "4\n5\n44100\n1\n");
    test_spawn_close_input(&run);
    // Records the sink and reads the demo's output meanwhile.
    auto listen = [&](long long ms) {
        for (long long end = test_now_ms() + ms; test_now_ms() < end;) {
            recorder_poll(&recorder, 5);
            spawn_collect(&run, &run.out, &run.err, 0);
        }
    };
    std::string window;
    for (int i = 0; i < 200 && window.empty(); i++) {
        listen(50);
        window = x_window_named(display, TITLE);
    }
    ASSERT_NE(window, "") << run.out << run.err;
    listen(5000);
    window = x_window_named(display, TITLE);
    auto key = [&](const char* name) {
        test_run({test_which("xdotool"), "key", "--window", window, name}, "", "", {"DISPLAY=" + display});
    };
    key("space");
    long long paused_at = test_now_ms();
    listen(400);
    key("F12");
    listen(1000);
    key("F12");
    listen(300);
    std::string paused_window = x_window_named(display, TITLE + " (paused)");
    Shot shown = shot_window(display, paused_window);
    listen(paused_at + 5000 - test_now_ms());
    long long resume_sent = test_now_ms();
    key("p");
    long long resumed_at = test_now_ms();
    listen(1000);
    recorder_stop(&recorder);
    ASSERT_TRUE(test_spawn_wait_exit(&run, 400000)) << "no end within 400 s";
    sound_server_stop(&sound);

    EXPECT_EQ(run.status, 0) << run.err;
    std::string program = test_bin("quarrow-sdl");
    EXPECT_EQ(run.err, program + ": screenshot written to quarrow-0001.png\n" + program +
                           ": screenshot written to quarrow-0002.png\n");
    EXPECT_GE(loud_between(recorder, paused_at - 1000, paused_at - 200).first, 0) << "no music before";
    auto held = loud_between(recorder, paused_at + PAUSE_HEARD_MS, resume_sent);
    EXPECT_EQ(held.first, -1) << "sound " << held.second - paused_at << " ms into the pause";
    EXPECT_GE(loud_between(recorder, resume_sent, resumed_at + 100).first, 0) << "no sound on resuming";

    EXPECT_NE(paused_window, "") << "no \" (paused)\" in the title";
    PngFrame first, second;
    ASSERT_TRUE(test_read_png(dir + "/quarrow-0001.png", &first));
    ASSERT_TRUE(test_read_png(dir + "/quarrow-0002.png", &second));
    EXPECT_TRUE(first.pixels == second.pixels && first.palette == second.palette) << "moved while paused";
    EXPECT_TRUE(frame_among(first, title_frames)) << "not one of quarrow-render's title frames";
    expect_frame_at(shown, first, first.palette.data(), 2, 0, 0);

    // A busy machine shows fewer frames than the virtual clock, never more:
    // a few in a ten-second step, where a clock that ran on through the five
    // seconds paused would have cut sixty from the title step.
    auto played = statistics(run.out), expected = statistics(unpaused.out);
    ASSERT_EQ(played.size(), expected.size()) << run.out;
    for (size_t i = 0; i < played.size(); i++) {
        EXPECT_EQ(played[i].first, expected[i].first) << "line " << i;
        EXPECT_LE(played[i].second, expected[i].second + 2) << "line " << i;
    }
    EXPECT_GE(played.front().second, expected.front().second - 12) << run.out;
    EXPECT_TRUE(no_process_left_in(dir)) << "the music outlived the demo";
    test_remove_tree(dir);
}

INSTANTIATE_TEST_SUITE_P(Server, SdlPause, ::testing::ValuesIn(sound_server_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

// Options are checked before anything starts; with no display the program
// ends after its question, as quarrow does with no X server, and does not
// play on unseen through SDL's drivers that show nothing.
TEST(SdlProgram, HelpBadArgumentAndNoDisplay)
{
    TEST_NEEDS("quarrow-sdl");
    RunResult help = test_run({test_bin("quarrow-sdl"), "--help"}, "");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: quarrow-sdl", 0), 0u) << help.out;

    RunResult bad = test_run({test_bin("quarrow-sdl"), "--window"}, "");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind("quarrow-sdl: unknown argument '--window'\nusage:", 0), 0u) << bad.err;

    for (const char* wayland : {"WAYLAND_DISPLAY=", "WAYLAND_DISPLAY=wayland-unused"}) {
        RunResult none = test_run({test_bin("quarrow-sdl")}, "", "0\n1\n",
                                  {"DISPLAY=" + xvfb_unused_display(), wayland, NO_LEAK_CHECK});
        EXPECT_EQ(none.status, 255) << wayland;
        EXPECT_EQ(none.out, BANNER + SOUND_LINES.substr(0, SOUND_LINES.find("Choose sound")) + DISPLAY_PROMPT);
        std::string start = test_bin("quarrow-sdl") + ": cannot start SDL video: ";
        EXPECT_NE(none.err.find(start), std::string::npos) << none.err;
    }
}
