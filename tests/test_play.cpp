// tools/play as a user runs it: option errors before anything starts, what
// it finds and chooses, the questions it answers for the demo, and Ctrl-C
// ending everything it started.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/processes.h"
#include "support/spawn.h"
#include "support/support.h"
#include "support/transcript.h"
#include "support/xvfb.h"

namespace {

std::string play_path()
{
    return test_source_dir() + "/tools/play";
}

// No display, no sound server and no ALSA device unless a test adds them.
std::vector<std::string> quiet_env(const std::string& display, const std::string& build = QUARROW_BIN_DIR)
{
    std::vector<std::string> env = {"QUARROW_BUILD_DIR=" + build,
                                    "PULSE_SERVER=unix:/nonexistent/pulse", "ALSA_CONFIG_PATH=/dev/null",
                                    "WAYLAND_DISPLAY"};
    env.push_back(display.empty() ? "DISPLAY" : "DISPLAY=" + display);
    // tools/play line-buffers the demo's output through LD_PRELOAD (stdbuf),
    // which the sanitizer build refuses unless told the order is fine.
    const char* asan = getenv("ASAN_OPTIONS");
    env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0");
    return env;
}

RunResult play(const std::vector<std::string>& args, const std::string& display = "")
{
    std::vector<std::string> argv{play_path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return test_run(argv, "/tmp", "", quiet_env(display));
}

TEST(Play, HelpAndBadValuesStopBeforeAnythingStarts)
{
    RunResult help = play({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tools/play", 0), 0u) << help.out;

    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--sound", "jack"}, "--sound must be pulse, alsa, oss, file or none, not 'jack'"},
        {{"--rate", "7999"}, "--rate must be a whole number of Hz from 8000 to 44100, not '7999'"},
        {{"--rate=44101"}, "not '44101'"},
        {{"--rate", "22k"}, "not '22k'"},
        {{"--pixel", "3"}, "--pixel must be 1 or 2, not '3'"},
        {{"--mode", "0"}, "--mode must be 1 to 6, not '0'"},
        {{"--rate"}, "--rate needs a value"},
        {{"--video", "/nonexistent/demo.mp4"}, "the folder /nonexistent does not exist"},
        {{"--window"}, "unknown option '--window'"},
    };
    for (const Case& c : cases) {
        RunResult r = play(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find("play: "), std::string::npos);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
}

// One line each for the data, the display, the sound and the build.
TEST(Play, SaysWhatItFoundAndChose)
{
    RunResult none = play({"--check"});
    ASSERT_EQ(none.status, 0) << none.err;
    EXPECT_NE(none.out.find("play: data: grafika/ has all 10 pictures and music/ the module quarrow.xm\n"),
              std::string::npos)
        << none.out;
    EXPECT_NE(none.out.find("play: display: no X display, no native window and no console frame "
                            "buffer here; writing the demo to /tmp/quarrow.mp4\n"),
              std::string::npos)
        << none.out;
    EXPECT_NE(none.out.find("play: build: "), std::string::npos) << none.out;

    struct stat dsp;
    if (stat("/dev/dsp", &dsp) != 0) {
        RunResult silent = play({"--check", "--xephyr"}, xvfb_unused_display());
        EXPECT_NE(silent.out.find("play: sound: no PulseAudio server, no ALSA device and no /dev/dsp "
                                  "work here; playing without music\n"),
                  std::string::npos)
            << silent.out;
    }

    Xvfb eight, deep;
    ASSERT_TRUE(xvfb_start(&eight, "640x480x8"));
    ASSERT_TRUE(xvfb_start(&deep, "1024x768x24"));
    RunResult pseudo = play({"--check"}, xvfb_display(eight));
    EXPECT_NE(pseudo.out.find("has an 8-bit PseudoColor visual; quarrow shows the demo there\n"),
              std::string::npos)
        << pseudo.out;
    RunResult nested = play({"--check", "--xephyr", "--pixel", "1"}, xvfb_display(deep));
    EXPECT_NE(nested.out.find("quarrow runs in a nested 8-bit Xephyr window on " + xvfb_display(deep) +
                              ", as asked; its size is 320x240 for pixel size 1\n"),
              std::string::npos)
        << nested.out;
    RunResult desktop = play({"--check"}, xvfb_display(deep));
    bool native = access(test_bin("quarrow-sdl").c_str(), X_OK) == 0;
    EXPECT_NE(desktop.out.find(native ? "quarrow-sdl opens a native window\n"
                                      : "quarrow runs in a nested 8-bit Xephyr window; its size is "
                                        "640x480 for pixel size 2\n"),
              std::string::npos)
        << desktop.out;
    xvfb_stop(&deep);
    xvfb_stop(&eight);
}

// Runs tools/play in a process group of its own, as a shell runs a
// foreground job, until its output holds marker; then Ctrl-C (SIGINT to the
// whole group), or a signal to tools/play alone.
struct Interrupted {
    std::string out;
    int status = -1;
    std::vector<pid_t> left;  // processes of the group still there afterwards
};

Interrupted play_then_interrupt(const std::vector<std::string>& args, const std::string& display,
                                const std::string& marker, bool ctrl_c = true,
                                const std::string& build = QUARROW_BIN_DIR, int wait_ms = 30000)
{
    std::vector<std::string> argv{"/usr/bin/setsid", play_path()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildPipes child;
    Interrupted result;
    if (!spawn_child(&child, argv, "/tmp", quiet_env(display, build)))
        return result;
    close(child.in_fd);
    std::string err;
    for (int waited = 0; result.out.find(marker) == std::string::npos && waited < wait_ms; waited += 50)
        if (!spawn_collect(&child, &result.out, &err, 50))
            break;
    for (int waited = 0; waited < 500; waited += 50)  // the music process starts just after
        spawn_collect(&child, &result.out, &err, 50);
    std::vector<pid_t> group;
    for (const char* comm : {"quarrow", "Xephyr", "cat", "stdbuf"}) {
        RunResult found = test_run({"/usr/bin/pgrep", "-g", std::to_string(child.pid), "-x", comm}, "");
        size_t at = 0;
        while (at < found.out.size()) {
            size_t end = found.out.find('\n', at);
            group.push_back(std::stoi(found.out.substr(at, end - at)));
            at = end + 1;
        }
    }
    if (ctrl_c)
        kill(-child.pid, SIGINT);
    else
        kill(child.pid, SIGTERM);
    while (spawn_collect(&child, &result.out, &err, 100)) {
    }
    int status = 0;
    waitpid(child.pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    for (pid_t pid : group)
        if (!test_wait_gone(pid, 2000))
            result.left.push_back(pid);
    return result;
}

TEST(Play, AnswersTheQuestionsAndCtrlCEndsEverything)
{
    TEST_NEEDS("quarrow");
    test_become_subreaper();
    std::string raw = test_source_dir() + "/music.raw";
    struct stat st;
    bool had_raw = stat(raw.c_str(), &st) == 0;

    Xvfb eight;
    ASSERT_TRUE(xvfb_start(&eight, "640x480x8"));
    Interrupted run = play_then_interrupt({"--sound", "file", "--rate", "22050", "--pixel", "1"},
                                          xvfb_display(eight), "INFO: Shared memory extension in use\n");
    xvfb_stop(&eight);
    if (!had_raw)
        unlink(raw.c_str());
    // The answers show after their questions, as if typed: 16-bit stereo,
    // the raw-file driver by its place in the library's list, the rate and
    // pixel size 1.
    EXPECT_NE(run.out.find("4. 16 bits, stereo\nType corresponding number : 4\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(SOUND_DEVICE_LIST + "Type corresponding number : 2\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Using Disk writer (raw data) for 16 bit interpolated stereo sound at 22050 Hz\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("2. Pixel size 2\nType corresponding number : 1\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.status, 130) << run.out;
    EXPECT_TRUE(run.left.empty()) << run.left.size() << " processes left";

    Xvfb deep;
    ASSERT_TRUE(xvfb_start(&deep, "1024x768x24"));
    Interrupted nested = play_then_interrupt({"--xephyr", "--sound", "none", "-x"}, xvfb_display(deep),
                                             "2. Pixel size 2\nType corresponding number : 2\n", false);
    xvfb_stop(&deep);
    EXPECT_NE(nested.out.find("Type corresponding number : 0\n"), std::string::npos) << nested.out;
    EXPECT_EQ(nested.status, 143) << nested.out;
    EXPECT_TRUE(nested.left.empty()) << nested.left.size() << " processes left (Xephyr, the demo)";
}

// The optional parts: a tree configured without the three displays builds
// quarrow-render alone, which plays the script as the full build does; the
// same tree with the X window but not the native one makes tools/play fall
// back to quarrow in Xephyr, which it builds there and runs.
TEST(PlayBuild, WithoutTheDisplaysAndWithoutTheNativeWindow)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "configures and builds a tree of its own; the plain build runs it";
#endif
    TEST_NEEDS("quarrow-render");
    test_become_subreaper();
    TempDir scratch;
    std::string build = scratch.path + "/build";
    std::string jobs = "-j" + std::to_string(sysconf(_SC_NPROCESSORS_ONLN));
    RunResult configured = test_run({"/usr/bin/cmake", "-S", test_source_dir(), "-B", build, "-DQUARROW_X11=OFF",
                                     "-DQUARROW_SDL=OFF", "-DQUARROW_VGA=OFF", "-DQUARROW_TESTS=OFF",
                                     "-DQUARROW_BENCH=OFF"},
                                    scratch.path);
    ASSERT_EQ(configured.status, 0) << configured.out << configured.err;
    for (const char* line : {"quarrow: quarrow, the X11 window, is off (QUARROW_X11=OFF)\n",
                             "quarrow: quarrow-sdl, the SDL2 window, is off (QUARROW_SDL=OFF)\n",
                             "quarrow: quarrow-vga, the Linux console, is off (QUARROW_VGA=OFF)\n"})
        EXPECT_NE(configured.out.find(line), std::string::npos) << configured.out;
    RunResult built = test_run({"/usr/bin/cmake", "--build", build, jobs, "--target", "quarrow-render"}, "");
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    for (const char* absent : {"quarrow", "quarrow-sdl", "quarrow-vga", "quarrow-restore-console"})
        EXPECT_NE(access((build + "/" + absent).c_str(), F_OK), 0) << absent;
    EXPECT_EQ(test_run({build + "/quarrow-render", "--seed", "1"}, test_source_dir()).out,
              test_run({test_bin("quarrow-render"), "--seed", "1"}, test_source_dir()).out);

    configured = test_run({"/usr/bin/cmake", "-DQUARROW_X11=ON", build}, scratch.path);
    ASSERT_EQ(configured.status, 0) << configured.err;
    Xvfb deep;
    ASSERT_TRUE(xvfb_start(&deep, "1024x768x24"));
    Interrupted nested = play_then_interrupt({"--sound", "none"}, xvfb_display(deep),
                                             "2. Pixel size 2\nType corresponding number : 2\n", false, build,
                                             540000);
    xvfb_stop(&deep);
    EXPECT_NE(nested.out.find("quarrow runs in a nested 8-bit Xephyr window; its size is 640x480"),
              std::string::npos)
        << nested.out;
    EXPECT_NE(nested.out.find("play: build: built " + build + "/quarrow in "), std::string::npos) << nested.out;
    EXPECT_EQ(nested.status, 143) << nested.out;
    EXPECT_TRUE(nested.left.empty()) << nested.left.size() << " processes left (Xephyr, the demo)";
}

}  // namespace
