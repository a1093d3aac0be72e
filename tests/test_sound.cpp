// The sound dialogue as the user sees it, byte for byte, through the demo's
// start-up in music-harness, and what the raw-file driver writes.
#include <gtest/gtest.h>
#include <mikmod.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "support/processes.h"
#include "support/support.h"
#include "support/xm_writer.h"

namespace {

const std::string BANNER = "*** quarrow for LINUX by tobrak *** \n";
const std::string MODE_PROMPT =
    "Choose output mode:\n0. NO" "\xA0" "music\n1. 8 bits, mono\n2. 8 bits, stereo\n"
    "3. 16 bits, mono\n4. 16 bits, stereo\nType corresponding number : ";
const std::string DEVICE_HEADING = "Choose sound device :\n";
const std::string DEVICE_PROMPT = "Type corresponding number : ";
const std::string FREQUENCY_PROMPT = "Enter mixing frequency (eg. 11025,22050,44100) : ";

RunResult run_harness(const std::string& dir, const std::string& input,
                      const std::vector<std::string>& mode)
{
    std::vector<std::string> argv{test_bin("music-harness")};
    argv.insert(argv.end(), mode.begin(), mode.end());
    return test_run(argv, dir, input);
}

// What follows the driver list when the library comes up: the two remaining
// prompts and the report line.
std::string after_list(const std::string& report)
{
    return DEVICE_PROMPT + FREQUENCY_PROMPT + report;
}

// The library's numbered driver list out of a transcript, or "" when the
// transcript does not have the expected frame around it.
std::string driver_list(const std::string& out)
{
    std::string head = BANNER + MODE_PROMPT + DEVICE_HEADING;
    if (out.compare(0, head.size(), head) != 0)
        return "";
    size_t end = out.find(DEVICE_PROMPT, head.size());
    return end == std::string::npos ? "" : out.substr(head.size(), end - head.size());
}

class SoundDialogue : public ::testing::Test {
protected:
    TempDir temp;
    const std::string& dir = temp.path;
};

TEST_F(SoundDialogue, NoMusicAnswerAsksNothingElseAndStartsNothing)
{
    // A word reads as 0, and so does the end of input.
    for (const char* input : {"0\n", "none\n", ""}) {
        SCOPED_TRACE(input);
        RunResult run = run_harness(dir, input, {"end", "0"});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, BANNER + MODE_PROMPT + "display: none\n");
        EXPECT_NE(run.err.find("sound_setup 0 music_enabled 0\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("music_pid 0\n"), std::string::npos) << run.err;
    }
}

TEST_F(SoundDialogue, ListsTheDeviceTheFileSilenceThenTheSoundServers)
{
    RunResult run = run_harness(dir, "4\n3\n22050\n", {"setup"});
    std::string list = driver_list(run.out);
    ASSERT_FALSE(list.empty()) << run.out;
    // The wording is the library's own; the numbering and order are ours.
    std::vector<std::string> lines;
    for (size_t at = 0; at < list.size();) {
        size_t end = list.find('\n', at);
        ASSERT_NE(end, std::string::npos) << "list does not end its last line";
        lines.push_back(list.substr(at, end - at));
        at = end + 1;
    }
    ASSERT_EQ(lines.size(), 5u) << list;
    EXPECT_EQ(lines[0].rfind(" 1 Open Sound System", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind(" 2 Raw disk writer (music.raw)", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind(" 3 Nosound", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind(" 4 Advanced Linux Sound Architecture (ALSA)", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind(" 5 PulseAudio", 0), 0u) << lines[4];
}

TEST_F(SoundDialogue, ReportLineFollowsTheModeAnswer)
{
    struct Case {
        const char* input;
        const char* report;
    } cases[] = {
        {"1\n3\n11025\n", "Using No Sound for 8 bit interpolated mono sound at 11025 Hz\n\n"},
        {"2\n3\n8000\n", "Using No Sound for 8 bit interpolated stereo sound at 8000 Hz\n\n"},
        {"3\n3\n44100\n", "Using No Sound for 16 bit interpolated mono sound at 44100 Hz\n\n"},
        {"4\n2\n22050\n",
         "Using Disk writer (raw data) for 16 bit interpolated stereo sound at 22050 Hz\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        RunResult run = run_harness(dir, c.input, {"setup"});
        EXPECT_EQ(run.status, 0);
        std::string tail = after_list(c.report);
        ASSERT_GE(run.out.size(), tail.size()) << run.out;
        EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
        EXPECT_NE(run.err.find("sound_setup 0 music_enabled 1\n"), std::string::npos) << run.err;
    }
}

TEST_F(SoundDialogue, AnswersOutOfBoundsAreSkippedSilently)
{
    RunResult plain = run_harness(dir, "4\n3\n22050\n", {"setup"});
    // An empty line reads as 0, below the device numbers; 5 and -1 are
    // outside the modes, 7999 and 44101 outside the frequencies.
    RunResult noisy = run_harness(dir, "5\n-1\n4\n\n\n3\n7999\n44101\n22050\n", {"setup"});
    EXPECT_EQ(noisy.out, plain.out);
    EXPECT_NE(noisy.err.find("music_enabled 1"), std::string::npos) << noisy.err;
}

TEST_F(SoundDialogue, DeviceBeyondTheListFailsAndTheDemoRunsOn)
{
    for (int device = 6; device <= 9; device++) {
        SCOPED_TRACE(device);
        RunResult run = run_harness(dir, "4\n" + std::to_string(device) + "\n22050\n", {"end", "0"});
        EXPECT_EQ(run.status, 0);
        std::string tail = after_list("Driver error: Device number out of range.\ndisplay: none\n");
        ASSERT_GE(run.out.size(), tail.size()) << run.out;
        EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
        EXPECT_NE(run.err.find("sound_setup -1 music_enabled 0\nmusic_pid 0\n"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("main process ends"), std::string::npos);
    }
}

TEST_F(SoundDialogue, MissingSoundDeviceGivesTheLibraryReason)
{
    struct stat info;
    if (stat("/dev/dsp", &info) == 0)
        GTEST_SKIP() << "this machine has /dev/dsp";
    RunResult run = run_harness(dir, "4\n1\n22050\n", {"end", "0"});
    EXPECT_EQ(run.status, 0);
    std::string reason = MikMod_strerror(MMERR_DETECTING_DEVICE);
    std::string tail = after_list("Driver error: " + reason + ".\ndisplay: none\n");
    ASSERT_GE(run.out.size(), tail.size()) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
    EXPECT_NE(run.err.find("sound_setup -1 music_enabled 0\nmusic_pid 0\n"), std::string::npos)
        << run.err;
}

// The raw driver writes whole 32 KiB buffers, so the file may run up to one
// buffer past the module's last tick, never short of it.
constexpr size_t RAW_BUFFER_BYTES = 32768;

struct RawRun {
    RunResult run;
    std::string data;
};

RawRun play_to_file(const std::string& dir, const std::string& input, const XmLayout& layout)
{
    test_write_module(dir, layout);
    RawRun raw{run_harness(dir, input, {"wait"}), ""};
    raw.data = test_read_file(dir + "/music.raw");
    return raw;
}

TEST_F(SoundDialogue, RawFileHoldsTheWholeModuleAsSigned16BitStereo)
{
    // The tempo the module switches to on its first row sets its length:
    // the mixer has to follow the player's tempo, not the header's.
    XmLayout layout;
    layout.orders = 2;
    layout.set_bpm = 200;
    RawRun raw = play_to_file(dir, "4\n2\n22050\n", layout);
    ASSERT_EQ(raw.run.status, 0) << raw.run.err;
    EXPECT_NE(raw.run.err.find("music_status exit 0\n"), std::string::npos) << raw.run.err;

    size_t frames = static_cast<size_t>(std::lround(test_xm_seconds(layout) * 22050));
    ASSERT_EQ(raw.data.size() % 4, 0u);
    ASSERT_GE(raw.data.size(), frames * 4);
    ASSERT_LE(raw.data.size(), frames * 4 + RAW_BUFFER_BYTES);

    // Little-endian signed pairs: the tone is smooth and centred on zero,
    // and the centre-panned channels agree. Read with the wrong byte order
    // or sign the same bytes look like noise or a large offset.
    const auto* bytes = reinterpret_cast<const uint8_t*>(raw.data.data());
    auto sample = [&](size_t i) { return static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8); };
    double sum = 0, squares = 0, steps = 0, sides = 0;
    for (size_t f = 0; f < frames; f++) {
        double left = sample(2 * f), right = sample(2 * f + 1);
        sum += left;
        squares += left * left;
        sides += std::fabs(left - right);
        if (f > 0)
            steps += std::fabs(left - sample(2 * f - 2));
    }
    double rms = std::sqrt(squares / frames);
    EXPECT_GT(rms, 500.0);
    EXPECT_LT(std::fabs(sum / frames), rms * 0.1);
    EXPECT_LT(steps / frames, rms * 0.2);
    EXPECT_LT(sides / frames, rms * 0.1);
}

TEST_F(SoundDialogue, RawFileHoldsUnsigned8BitMonoAtTheChosenRate)
{
    XmLayout layout;
    RawRun raw = play_to_file(dir, "1\n2\n44100\n", layout);
    ASSERT_EQ(raw.run.status, 0) << raw.run.err;

    size_t frames = static_cast<size_t>(std::lround(test_xm_seconds(layout) * 44100));
    ASSERT_GE(raw.data.size(), frames);
    ASSERT_LE(raw.data.size(), frames + RAW_BUFFER_BYTES);

    // One unsigned byte per frame, silence at 128.
    double sum = 0, squares = 0, steps = 0;
    for (size_t f = 0; f < frames; f++) {
        double value = static_cast<uint8_t>(raw.data[f]) - 128.0;
        sum += value;
        squares += value * value;
        if (f > 0)
            steps += std::fabs(value - (static_cast<uint8_t>(raw.data[f - 1]) - 128.0));
    }
    double rms = std::sqrt(squares / frames);
    EXPECT_GT(rms, 5.0);
    EXPECT_LT(std::fabs(sum / frames), rms * 0.2);
    EXPECT_LT(steps / frames, rms * 0.2);
}

TEST_F(SoundDialogue, RawFileGrowsWithTheSongEvenWhenItNeverEnds)
{
    // Jumping back from its last row, this module never ends; written at
    // disk speed it would fill the disk within the demo's three minutes.
    XmLayout layout;
    layout.rows = 4;
    layout.loops = true;
    test_write_module(dir, layout);
    BackgroundRun run = test_spawn({test_bin("music-harness"), "hold"}, dir, "4\n2\n22050\n");
    ASSERT_TRUE(test_spawn_wait_for(&run, "music_pid ", 10000)) << run.err;
    ASSERT_TRUE(test_spawn_wait_for(&run, "\n", 1000));
    pid_t music = static_cast<pid_t>(atoi(run.err.c_str() + run.err.find("music_pid ") + 10));
    ASSERT_GT(music, 0);

    timespec pause{1, 500000000};
    nanosleep(&pause, nullptr);
    struct stat info;
    ASSERT_EQ(stat((dir + "/music.raw").c_str(), &info), 0);
    char state = test_proc_state(music);
    kill(run.pid, SIGTERM);
    test_spawn_finish(&run);
    EXPECT_TRUE(test_wait_gone(music, 3000));

    EXPECT_TRUE(state != 0 && state != 'Z') << "the looping module ended: " << state;
    // 1.5 s of 16-bit stereo at 22050 Hz, give or take half a second and the
    // buffer the driver writes ahead.
    const double bytes_per_second = 22050 * 4;
    EXPECT_GE(static_cast<double>(info.st_size), 1.0 * bytes_per_second);
    EXPECT_LE(static_cast<double>(info.st_size), 2.0 * bytes_per_second + RAW_BUFFER_BYTES);
}

}  // namespace
