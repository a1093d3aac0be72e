// The sound-server devices against real servers started here: a private
// PulseAudio daemon with a null sink, recorded live from its monitor, and
// ALSA through a private configuration whose default device is a file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/processes.h"
#include "support/pulse.h"
#include "support/spawn.h"
#include "support/support.h"
#include "support/timing.h"
#include "support/which.h"
#include "support/xm_writer.h"

namespace {

const int RATE = RECORDER_RATE;
const int FRAME_BYTES = RECORDER_FRAME_BYTES;
const std::string PULSE_ANSWERS = "4\n5\n44100\n";
const std::string ALSA_ANSWERS = "4\n4\n44100\n";
const std::string RAW_ANSWERS = "4\n2\n44100\n";

// The number after "name " in a harness's standard error, or -1.
long long reported(const std::string& err, const std::string& name)
{
    size_t at = err.find(name + " ");
    return at == std::string::npos ? -1 : atoll(err.c_str() + at + name.size() + 1);
}

// First and last frame (byte offsets) louder than the threshold; npos if none.
std::pair<size_t, size_t> loud_span(const std::string& data, int threshold = 64)
{
    size_t first = std::string::npos, last = std::string::npos;
    for (size_t i = 0; i + 1 < data.size() / 2; i++)
        if (std::abs(sample_at(data, i)) > threshold) {
            if (first == std::string::npos)
                first = i * 2 / FRAME_BYTES * FRAME_BYTES;
            last = i * 2 / FRAME_BYTES * FRAME_BYTES;
        }
    return {first, last};
}

// Half a minute of a sustained tone that starts on the first tick.
XmLayout long_module()
{
    XmLayout layout;
    layout.rows = 64;
    layout.orders = 4;
    return layout;
}

class SoundServers : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_become_subreaper(); }

    BackgroundRun harness(const std::vector<std::string>& mode, const std::string& answers)
    {
        std::vector<std::string> argv{test_bin("music-harness")};
        argv.insert(argv.end(), mode.begin(), mode.end());
        return test_spawn(argv, dir, answers);
    }

    TempDir temp;
    const std::string& dir = temp.path;
};

TEST_F(SoundServers, PulseAudioPlaysTheSongInStepWithTheDemo)
{
    PulseServer pulse;
    ASSERT_TRUE(pulse_start(&pulse)) << "no PulseAudio daemon";
    test_write_module(dir, long_module());
    // What the launcher asks before it starts the demo.
    RunResult probe = test_run({test_bin("quarrow-sound-probe"), "5", "4"}, dir);
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out, "5 PulseAudio\n");

    Recorder recorder;
    ASSERT_TRUE(recorder_start(&recorder));
    for (int waited = 0; waited < 3000 && recorder.data.empty(); waited += 10)
        recorder_poll(&recorder, 10);

    BackgroundRun run = harness({"end", "1.5"}, PULSE_ANSWERS);
    bool running = true;
    long long ended_at = 0;
    while (running || test_now_ms() < ended_at + 500) {
        recorder_poll(&recorder, 5);
        if (running) {
            running = spawn_collect(&run, &run.out, &run.err, 0);
            if (!running)
                ended_at = test_now_ms();
        }
    }
    RunResult result = test_spawn_finish(&run);
    recorder_stop(&recorder);
    pulse_stop(&pulse);

    ASSERT_EQ(result.status, 0) << result.err;
    std::string report = "Using PulseAudio for 16 bit interpolated stereo sound at 44100 Hz\n\n";
    EXPECT_NE(result.out.find("Enter mixing frequency (eg. 11025,22050,44100) : " + report +
                              "display: none\n"),
              std::string::npos)
        << result.out;

    auto span = loud_span(recorder.data);
    ASSERT_NE(span.first, std::string::npos) << "the recording is silent";
    long long start_ms = reported(result.err, "music_start_ms");
    long long stop_ms = reported(result.err, "music_stop_ms");
    long long heard_from = frame_time(recorder, span.first);
    long long heard_until = frame_time(recorder, span.second);
    printf("PulseAudio: heard %lld ms after the music process started, silent %lld ms after "
           "music_stop\n",
           heard_from - start_ms, heard_until - stop_ms);
    EXPECT_LE(heard_from - start_ms, 100);
    EXPECT_LE(heard_until - stop_ms, 100);
    EXPECT_GE(heard_until - heard_from, 1300) << "the song did not play through";

    // The same module through the raw-file device is what the server must
    // have played: the mix is the library's in both, so a second of the
    // recording matches it sample for sample, at the same level. The server
    // may drop the first few milliseconds as the stream joins the sink, so
    // the recording is lined up with the file first.
    RunResult raw = test_run({test_bin("music-harness"), "end", "1.5"}, dir, RAW_ANSWERS);
    std::string reference = test_read_file(dir + "/music.raw");
    const size_t compared = RATE * 2, lineup = RATE / 10 * 2, window = 4000;
    ASSERT_GE(reference.size() / 2, lineup + compared) << raw.err;
    ASSERT_GE(recorder.data.size() / 2, span.first / 2 + compared);
    auto differing = [&](size_t offset, size_t count, size_t step) {
        size_t n = 0;
        for (size_t i = 0; i < count; i += step)
            n += std::abs(sample_at(recorder.data, span.first / 2 + i) -
                          sample_at(reference, offset + i)) > 2;
        return n;
    };
    size_t offset = 0;
    for (size_t candidate = 0; candidate < lineup; candidate += 2)
        if (differing(candidate, window, 1) < differing(offset, window, 1))
            offset = candidate;
    EXPECT_EQ(differing(offset, compared, 1), 0u)
        << "of " << compared << " samples, lined up at " << offset;
}

TEST_F(SoundServers, PulseAudioMissingOrRefusingGivesTheDriverErrorAndTheDemoRunsOn)
{
    // Nothing at the path; and a socket nobody listens on any more.
    std::string refusing = dir + "/refusing";
    ASSERT_TRUE(unix_socket(refusing, true));
    for (const std::string& server : {dir + "/none", refusing}) {
        SCOPED_TRACE(server);
        RunResult run = test_run({test_bin("music-harness"), "end", "0"}, dir, PULSE_ANSWERS,
                                 {"PULSE_SERVER=unix:" + server});
        EXPECT_EQ(run.status, 0);
        std::string tail = "Enter mixing frequency (eg. 11025,22050,44100) : Driver error: ";
        size_t at = run.out.find(tail);
        ASSERT_NE(at, std::string::npos) << run.out;
        std::string rest = run.out.substr(at + tail.size());
        EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 2) << rest;
        EXPECT_EQ(rest.substr(rest.find('\n') - 1), ".\ndisplay: none\n");
        EXPECT_NE(run.err.find("sound_setup -1 music_enabled 0\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("music_pid 0\n"), std::string::npos) << run.err;

        RunResult probe = test_run({test_bin("quarrow-sound-probe"), "5"}, dir, "",
                                   {"PULSE_SERVER=unix:" + server});
        EXPECT_EQ(probe.status, 1);
        EXPECT_EQ(probe.out, "");
        EXPECT_EQ(probe.err, "quarrow-sound-probe: device 5: " + rest.substr(0, rest.find('\n')) + "\n");
    }
}

TEST_F(SoundServers, PulseAudioGoingAwayMidSongEndsTheMusicQuietly)
{
    PulseServer pulse;
    ASSERT_TRUE(pulse_start(&pulse)) << "no PulseAudio daemon";
    test_write_module(dir, long_module());
    BackgroundRun run = harness({"hold"}, PULSE_ANSWERS);
    ASSERT_TRUE(test_spawn_wait_for(&run, "music_pid ", 10000)) << run.err;
    ASSERT_TRUE(test_spawn_wait_for(&run, "\n", 1000));
    pid_t music = static_cast<pid_t>(reported(run.err, "music_pid"));
    ASSERT_GT(music, 0) << run.err;
    test_sleep_ms(700);
    char playing = test_proc_state(music);
    pulse_stop(&pulse, SIGKILL);

    int status = 0;
    bool gone = test_wait_gone(music, 3000, &status);
    double cpu = gone ? 0.0 : test_proc_cpu_seconds(music);
    char demo = test_proc_state(run.pid);
    kill(run.pid, SIGTERM);
    RunResult result = test_spawn_finish(&run);
    if (!gone)
        kill(music, SIGKILL);

    EXPECT_TRUE(playing != 0 && playing != 'Z') << "not playing before the server went";
    EXPECT_TRUE(gone) << "music process still there, " << cpu << " CPU seconds";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << std::hex << status;
    EXPECT_TRUE(demo != 0 && demo != 'Z') << "the demo did not run on";
    EXPECT_EQ(result.status, 128 + SIGTERM);
    // Quietly: nothing after the lines the demo printed itself.
    size_t display = result.out.find("display: none\n");
    ASSERT_NE(display, std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(display), "display: none\n");
}

TEST_F(SoundServers, PulseAudioMusicGoesWithAKilledDemoAndTheServerLetsGo)
{
    PulseServer pulse;
    ASSERT_TRUE(pulse_start(&pulse)) << "no PulseAudio daemon";
    test_write_module(dir, long_module());
    BackgroundRun run = harness({"hold"}, PULSE_ANSWERS);
    ASSERT_TRUE(test_spawn_wait_for(&run, "music_start_ms ", 10000)) << run.err;
    pid_t music = static_cast<pid_t>(reported(run.err, "music_pid"));
    ASSERT_GT(music, 0) << run.err;
    test_sleep_ms(500);
    kill(run.pid, SIGKILL);
    test_spawn_finish(&run);
    EXPECT_TRUE(test_wait_gone(music, 2000)) << "music process outlived the demo";
    // No stream is left playing on the server.
    RunResult inputs = test_run({test_which("pactl"), "list", "short", "sink-inputs"}, dir);
    pulse_stop(&pulse);
    EXPECT_EQ(inputs.status, 0) << inputs.err;
    EXPECT_EQ(inputs.out, "");
}

TEST_F(SoundServers, AlsaWritesTheSongThroughItsDefaultDevice)
{
    // Only the file plugin and a null device: no card, no server.
    std::string output = dir + "/alsa.raw";
    test_write_file(dir + "/asound.conf", "pcm.!default {\n  type file\n  slave.pcm \"sink\"\n"
                                          "  file \"" + output + "\"\n  format \"raw\"\n}\n"
                                          "pcm.sink { type null }\n");
    XmLayout layout;
    test_write_module(dir, layout);
    RunResult alsa = test_run({test_bin("music-harness"), "wait"}, dir, ALSA_ANSWERS,
                              {"ALSA_CONFIG_PATH=" + dir + "/asound.conf"});
    RunResult raw = test_run({test_bin("music-harness"), "wait"}, dir, RAW_ANSWERS);
    ASSERT_EQ(alsa.status, 0) << alsa.err;
    EXPECT_NE(alsa.out.find("Using ALSA for 16 bit interpolated stereo sound at 44100 Hz\n\n"),
              std::string::npos)
        << alsa.out;
    EXPECT_NE(alsa.err.find("music_status exit 0\n"), std::string::npos) << alsa.err;

    // The library mixes the same for both devices: the whole module, sample
    // for sample, and not silence.
    std::string written = test_read_file(output);
    std::string reference = test_read_file(dir + "/music.raw");
    size_t frames = static_cast<size_t>(test_xm_seconds(layout) * RATE);
    ASSERT_GE(written.size(), frames * FRAME_BYTES);
    ASSERT_GE(reference.size(), frames * FRAME_BYTES);
    EXPECT_EQ(written.compare(0, frames * FRAME_BYTES, reference, 0, frames * FRAME_BYTES), 0);
    EXPECT_NE(loud_span(written).first, std::string::npos) << "silent";
}

}  // namespace
