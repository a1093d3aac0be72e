// The quarrow program against real X servers: what it prints from banner to
// statistics, its options, and how it refuses servers it cannot use.
#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/support.h"
#include "support/x11_probe.h"
#include "support/transcript.h"
#include "support/xvfb.h"
#include "support/xvfb_suite.h"

static const std::string& BANNER = DEMO_BANNER;
static const std::string DISPLAY_PROMPT =
    "Choose display mode:\n1. Pixel size 1\n2. Pixel size 2\nType corresponding number : ";
static const std::string USAGE = "         -x     Shared Memory Extension OFF\n";
// "0" answers the sound dialogue: no music, nothing else asked.
static const std::string ANSWERS_PIXEL_1 = "0\n1\n";
static const std::string ANSWERS_PIXEL_2 = "0\n2\n";
static const char* const EFFECT_LABELS[] = {"e_04", "e_04", "e_05", "e_04", "e_05", "e_04",
                                            "e_05", "e_02", "e_03", "e_06", "e_05", "e_07",
                                            "e_05", "e_01", "e_03", "e_04"};

// Durations in tenths of a second, in the same order; 0 marks the two
// transitions, whose rate is over the time they took instead.
static const int EFFECT_DURATIONS[] = {100, 100, 0, 100, 0, 100, 0, 350,
                                       0,   300, 0, 300, 0, 400, 0, 100};

// Checks out byte for byte: the banner, sound_lines, display_lines, then the
// sixteen statistics lines in script order. Counts depend on the machine's
// pace but never exceed what one frame per 83 ms allows; the rate follows
// from the count and the duration, or for the transitions is bounded by it.
static void expect_transcript(const std::string& out, const std::string& sound_lines,
                              const std::string& display_lines)
{
    std::string head = BANNER + sound_lines + display_lines;
    ASSERT_EQ(out.substr(0, head.size()), head) << out;
    std::string rest = out.substr(head.size());
    ASSERT_TRUE(rest.empty() || rest.back() == '\n') << rest;
    std::istringstream lines(rest);
    std::string line;
    size_t next = 0;
    while (std::getline(lines, line)) {
        char label[16];
        int frames = 0;
        double rate = 0;
        ASSERT_EQ(sscanf(line.c_str(), "%15[^:]:\t %d - Screens,\t Screens/sec - %lf", label,
                         &frames, &rate), 3) << line;
        ASSERT_LT(next, 16u) << "more than sixteen statistics lines: " << line;
        EXPECT_EQ(std::string(label), EFFECT_LABELS[next]) << line;
        EXPECT_GT(frames, 0) << line;
        int duration = EFFECT_DURATIONS[next];
        char expected[128];
        if (duration) {
            EXPECT_LE(frames, duration * 100 / 83 + 2) << line;
            snprintf(expected, sizeof expected, "%s:\t %d - Screens,\t Screens/sec - %f",
                     EFFECT_LABELS[next], frames, frames * 10.0 / duration);
            EXPECT_EQ(line, expected);
        } else {
            // The last frame starts at least 83 ms x (frames - 1) in.
            if (frames > 1) {
                EXPECT_LE(rate, frames * 1000.0 / (83.0 * (frames - 1)) + 1e-6) << line;
            }
            int length = snprintf(expected, sizeof expected, "%s:\t %d - Screens,\t Screens/sec - ",
                                  EFFECT_LABELS[next], frames);
            std::string text = line.substr(std::min(line.size(), static_cast<size_t>(length)));
            EXPECT_EQ(line.substr(0, length), expected);
            EXPECT_EQ(text.size() - text.find('.'), 7u) << "not six decimals: " << line;
        }
        next++;
    }
    EXPECT_EQ(next, 16u) << out;
}

// Runs quarrow to its end in a folder holding the pictures; returns the run.
static BackgroundRun quarrow_run(const std::string& display, const std::vector<std::string>& options,
                           const std::string& answers)
{
    TempDir temp;
    const std::string& dir = temp.path;
    test_write_all_pictures(dir);
    std::vector<std::string> argv = {test_bin("quarrow")};
    argv.insert(argv.end(), options.begin(), options.end());
    BackgroundRun run;
    EXPECT_TRUE(test_spawn_open(&run, argv, dir, {"DISPLAY=" + display}));
    test_spawn_write(&run, answers);
    test_spawn_close_input(&run);
    EXPECT_TRUE(test_spawn_wait_exit(&run, 400000)) << "no end within 400 s";
    return run;
}

class X11Run : public EightBitXvfbSuite<> {
protected:
    void SetUp() override { TEST_NEEDS("quarrow"); }
};

TEST_F(X11Run, WholeRunWithSharedMemoryRealTime)
{
    BackgroundRun run = quarrow_run(xvfb_display(server), {}, ANSWERS_PIXEL_2);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    expect_transcript(run.out, SOUND_PROMPT, DISPLAY_PROMPT + "INFO: Shared memory extension in use\n");
    EXPECT_TRUE(shm_segments_of(run.pid).empty()) << "a shared-memory segment outlived the run";
}

// A bad option is reported and skipped; -x still takes effect and silences
// the INFO line.
TEST_F(X11Run, BadOptionAndSharedMemoryOffRealTime)
{
    BackgroundRun run = quarrow_run(xvfb_display(server), {"-q", "-x"}, ANSWERS_PIXEL_1);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, test_bin("quarrow") + ": invalid option -- 'q'\n");
    expect_transcript(run.out, SOUND_PROMPT, USAGE + DISPLAY_PROMPT);
    EXPECT_TRUE(shm_segments_of(run.pid).empty());
}

// The question comes before any contact with the server, so it is in the
// transcript even when the server is then refused.
TEST(X11Refused, ServerWithoutEightBitVisual)
{
    TEST_NEEDS("quarrow");
    Xvfb server;
    ASSERT_TRUE(xvfb_start(&server, "640x480x24"));
    BackgroundRun run = quarrow_run(xvfb_display(server), {}, ANSWERS_PIXEL_2);
    xvfb_stop(&server);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "This Demo requires a 8 bit depth PseudoColor display!\n");
    EXPECT_EQ(run.out, BANNER + SOUND_PROMPT + DISPLAY_PROMPT);
}

TEST(X11Refused, NoServer)
{
    TEST_NEEDS("quarrow");
    BackgroundRun run = quarrow_run(xvfb_unused_display(), {}, ANSWERS_PIXEL_2);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, test_bin("quarrow") + ": cannot connect to X server!\n");
    EXPECT_EQ(run.out, BANNER + SOUND_PROMPT + DISPLAY_PROMPT);
}

// The raw-file music answers, then pixel size 1.
static const std::string ANSWERS_RAW_MUSIC_PIXEL_1 = ANSWERS_RAW_MUSIC + "1\n";

// Processes still working in dir: the music process, if it outlived the demo.
static std::vector<pid_t> processes_in(const std::string& dir)
{
    std::vector<pid_t> found;
    FILE* list = popen("ls /proc", "r");
    char name[64];
    while (list && fscanf(list, "%63s", name) == 1) {
        pid_t pid = atoi(name);
        char link[PATH_MAX] = {0};
        std::string cwd = "/proc/" + std::string(name) + "/cwd";
        if (pid > 0 && readlink(cwd.c_str(), link, sizeof link - 1) > 0 && dir == link)
            found.push_back(pid);
    }
    if (list)
        pclose(list);
    return found;
}

static bool no_process_left_in(const std::string& dir)
{
    for (int i = 0; i < 40; i++) {
        if (processes_in(dir).empty())
            return true;
        usleep(50000);
    }
    return false;
}

// Links the demo's own pictures and module into dir, as a user runs it.
static void link_demo_data(const std::string& dir)
{
    for (const char* data : {"grafika", "music"})
        EXPECT_EQ(symlink((test_source_dir() + "/" + data).c_str(), (dir + "/" + data).c_str()), 0);
}

static double rms_of_samples(const std::string& bytes)
{
    double sum = 0;
    size_t count = bytes.size() / 2;
    for (size_t i = 0; i < count; i++) {
        int16_t sample;
        memcpy(&sample, bytes.data() + 2 * i, 2);
        sum += static_cast<double>(sample) * sample;
    }
    return count ? std::sqrt(sum / count) : 0;
}

// The whole demo as people see and hear it: every effect in order in about
// 192 s, with the module written to music.raw all along, and no music
// process left once the demo has ended.
TEST_F(X11Run, WholeDemoWithMusicRealTime)
{
    TempDir temp;
    const std::string& dir = temp.path;
    link_demo_data(dir);
    BackgroundRun run;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(test_spawn_open(&run, {test_bin("quarrow")}, dir, {"DISPLAY=" + xvfb_display(server)}));
    test_spawn_write(&run, ANSWERS_RAW_MUSIC_PIXEL_1);
    test_spawn_close_input(&run);
    ASSERT_TRUE(test_spawn_wait_exit(&run, 400000)) << "no end within 400 s";
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_GE(seconds, 185.0);
    EXPECT_LE(seconds, 200.0);
    expect_transcript(run.out, SOUND_LINES_RAW_MUSIC,
                      DISPLAY_PROMPT + "INFO: Shared memory extension in use\n");
    EXPECT_TRUE(no_process_left_in(dir));

    // 16-bit stereo at 22050 Hz is 88200 bytes a second of song, and the
    // module plays from just after the set-up to the end of the script.
    std::string raw = test_read_file(dir + "/music.raw");
    double played = raw.size() / 88200.0;
    EXPECT_GE(played, 180.0) << raw.size();
    EXPECT_LE(played, 205.0) << raw.size();
    EXPECT_GT(rms_of_samples(raw), 1000.0);
}

// A picture the demo cannot use ends it at once, and the music process that
// was already playing is stopped with it.
TEST_F(X11Run, FatalPictureStopsTheMusic)
{
    struct Case {
        const char* name;
        int width, height;  // 0: a file that is no picture
        const char* message;
    } cases[] = {
        // Not missing: without grafika/linux.pcx the module too would be
        // looked for in the installed data folder, not beside the pictures.
        {"not a picture", 0, 0, "Cann't load image grafika/linux.pcx !\n"},
        {"wrong size", 320, 200, "Wrong image size!\n"},
    };
    for (const Case& c : cases) {
        TempDir temp;
        const std::string& dir = temp.path;
        mkdir((dir + "/music").c_str(), 0777);
        EXPECT_EQ(symlink((test_source_dir() + "/music/quarrow.xm").c_str(), (dir + "/music/quarrow.xm").c_str()), 0);
        mkdir((dir + "/grafika").c_str(), 0777);
        if (c.width) {
            std::vector<uint8_t> pixels(static_cast<size_t>(c.width) * c.height, 7);
            uint8_t palette[768] = {0};
            test_write_picture(dir, "linux.pcx", Image{c.width, c.height, pixels.data()}, palette);
        } else {
            test_write_file(dir + "/grafika/linux.pcx", "no picture");
        }
        BackgroundRun run;
        ASSERT_TRUE(test_spawn_open(&run, {test_bin("quarrow")}, dir, {"DISPLAY=" + xvfb_display(server)}));
        test_spawn_write(&run, ANSWERS_RAW_MUSIC_PIXEL_1);
        test_spawn_close_input(&run);
        ASSERT_TRUE(test_spawn_wait_exit(&run, 30000)) << c.name;
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.out, BANNER + SOUND_LINES_RAW_MUSIC + DISPLAY_PROMPT +
                               "INFO: Shared memory extension in use\n" + c.message)
            << c.name;
        EXPECT_TRUE(no_process_left_in(dir)) << c.name;
    }
}
