// The quarrow program against real X servers: what it prints from banner to
// statistics, its options, and how it refuses servers it cannot use.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/support.h"
#include "support/x11_probe.h"
#include "support/xvfb.h"

static const std::string BANNER = "*** quarrow for LINUX by tobrak *** \n";
static const std::string SOUND_PROMPT =
    "Choose output mode:\n0. NO\xA0music\n1. 8 bits, mono\n2. 8 bits, stereo\n3. 16 bits, mono\n"
    "4. 16 bits, stereo\nType corresponding number : ";
static const std::string DISPLAY_PROMPT =
    "Choose display mode:\n1. Pixel size 1\n2. Pixel size 2\nType corresponding number : ";
static const std::string USAGE = "         -x     Shared Memory Extension OFF\n";
// "0" answers the sound dialogue (no music). Where no sound question is
// asked, the display question takes it as out of range and reads on.
static const std::string ANSWERS_PIXEL_1 = "0\n1\n";
static const std::string ANSWERS_PIXEL_2 = "0\n2\n";
static const char* const EFFECT_LABELS[] = {"e_04", "e_04", "e_05", "e_04", "e_05", "e_04",
                                            "e_05", "e_02", "e_03", "e_06", "e_05", "e_07",
                                            "e_05", "e_01", "e_03", "e_04"};

// Checks out byte for byte: the banner, the sound question if one is asked,
// display_lines, then nothing but statistics lines, their labels in script
// order (effects not yet built print none).
static void expect_transcript(const std::string& out, const std::string& display_lines)
{
    ASSERT_EQ(out.substr(0, BANNER.size()), BANNER) << out;
    std::string rest = out.substr(BANNER.size());
    if (rest.compare(0, SOUND_PROMPT.size(), SOUND_PROMPT) == 0)
        rest = rest.substr(SOUND_PROMPT.size());
    ASSERT_EQ(rest.substr(0, display_lines.size()), display_lines) << out;
    rest = rest.substr(display_lines.size());
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
        char again[128];
        snprintf(again, sizeof again, "%s:\t %d - Screens,\t Screens/sec - %f", label, frames, rate);
        EXPECT_EQ(line, again);
        while (next < 16 && std::string(EFFECT_LABELS[next]) != label)
            next++;
        ASSERT_LT(next, 16u) << "statistics line out of script order: " << line;
        next++;
    }
}

// Runs quarrow to its end in a folder holding the pictures; returns the run.
static Spawned quarrow_run(const std::string& display, const std::vector<std::string>& options,
                           const std::string& answers)
{
    std::string dir = test_make_dir();
    test_write_all_pictures(dir);
    std::vector<std::string> argv = {test_bin("quarrow")};
    argv.insert(argv.end(), options.begin(), options.end());
    Spawned run;
    EXPECT_TRUE(spawn_start(&run, argv, dir, {"DISPLAY=" + display}));
    spawn_write(&run, answers);
    spawn_close_input(&run);
    EXPECT_TRUE(spawn_wait_exit(&run, 400000)) << "no end within 400 s";
    test_remove_tree(dir);
    return run;
}

class X11Run : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(xvfb_start(&server, "640x480x8")); }
    static void TearDownTestSuite() { xvfb_stop(&server); }
    static Xvfb server;
};
Xvfb X11Run::server;

TEST_F(X11Run, WholeRunWithSharedMemoryRealTime)
{
    Spawned run = quarrow_run(xvfb_display(server), {}, ANSWERS_PIXEL_2);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    expect_transcript(run.out, DISPLAY_PROMPT + "INFO: Shared memory extension in use\n");
    EXPECT_TRUE(shm_segments_of(run.pid).empty()) << "a shared-memory segment outlived the run";
}

// A bad option is reported and skipped; -x still takes effect and silences
// the INFO line.
TEST_F(X11Run, BadOptionAndSharedMemoryOffRealTime)
{
    Spawned run = quarrow_run(xvfb_display(server), {"-q", "-x"}, ANSWERS_PIXEL_1);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, test_bin("quarrow") + ": invalid option -- 'q'\n");
    expect_transcript(run.out, USAGE + DISPLAY_PROMPT);
    EXPECT_TRUE(shm_segments_of(run.pid).empty());
}

// The question comes before any contact with the server, so it is in the
// transcript even when the server is then refused.
TEST(X11Refused, ServerWithoutEightBitVisual)
{
    Xvfb server;
    ASSERT_TRUE(xvfb_start(&server, "640x480x24"));
    Spawned run = quarrow_run(xvfb_display(server), {}, ANSWERS_PIXEL_2);
    xvfb_stop(&server);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "This Demo requires a 8 bit depth PseudoColor display!\n");
    expect_transcript(run.out, DISPLAY_PROMPT);
    EXPECT_EQ(run.out.find("Screens"), std::string::npos);
}

TEST(X11Refused, NoServer)
{
    Spawned run = quarrow_run(xvfb_unused_display(), {}, ANSWERS_PIXEL_2);
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, test_bin("quarrow") + ": cannot connect to X server!\n");
    expect_transcript(run.out, DISPLAY_PROMPT);
    EXPECT_EQ(run.out.find("Screens"), std::string::npos);
}
