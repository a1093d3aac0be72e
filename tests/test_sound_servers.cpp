// The sound-server devices against real servers started here, each of the
// servers tests/support knows (PulseAudio, PipeWire) with a null sink
// recorded live from its monitor, reached as device 5 and as ALSA's default
// through the server's plugin; and ALSA through a private configuration
// whose default device is a file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "support/processes.h"
#include "support/screen_shots.h"
#include "support/pulse.h"
#include "support/spawn.h"
#include "support/support.h"
#include "support/timing.h"
#include "support/which.h"
#include "support/xm_writer.h"
#include "support/xvfb.h"

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

    BackgroundRun harness(const std::vector<std::string>& mode, const std::string& answers,
                          const std::vector<std::string>& env = {})
    {
        std::vector<std::string> argv{test_bin("music-harness")};
        argv.insert(argv.end(), mode.begin(), mode.end());
        BackgroundRun run;
        test_spawn_open(&run, argv, dir, env);
        test_spawn_write(&run, answers);
        test_spawn_close_input(&run);
        return run;
    }

    TempDir temp;
    const std::string& dir = temp.path;
};

// Each server of tests/support, through each device that reaches it: its
// PulseAudio service (5) and ALSA's default device through its plugin (4).
struct Route {
    std::string server;
    int device;
};

class ThroughServer : public SoundServers, public ::testing::WithParamInterface<Route> {
protected:
    void SetUp() override
    {
        TEST_NEEDS("music-harness");
        if (!sound_server_start(&server, GetParam().server))
            GTEST_SKIP() << server.why;
        if (GetParam().device == 4) {
            std::string alsa = sound_server_alsa_env(&server);
            if (alsa.empty())
                GTEST_SKIP() << server.why;
            env.push_back(alsa);
        }
        answers = "4\n" + std::to_string(GetParam().device) + "\n44100\n";
    }
    void TearDown() override { sound_server_stop(&server); }

    // Runs music-harness in mode while recording the sink, until half a
    // second after it ended.
    RunResult listen(const std::vector<std::string>& mode, Recorder* recorder)
    {
        EXPECT_TRUE(recorder_start(recorder));
        for (int waited = 0; waited < 3000 && recorder->data.empty(); waited += 10)
            recorder_poll(recorder, 10);
        BackgroundRun run = harness(mode, answers, env);
        bool running = true;
        long long ended_at = 0;
        while (running || test_now_ms() < ended_at + 500) {
            recorder_poll(recorder, 5);
            if (running) {
                running = spawn_collect(&run, &run.out, &run.err, 0);
                if (!running)
                    ended_at = test_now_ms();
            }
        }
        recorder_stop(recorder);
        return test_spawn_finish(&run);
    }

    std::string report_line() const
    {
        return std::string("Using ") + (GetParam().device == 4 ? "ALSA" : "PulseAudio") +
               " for 16 bit interpolated stereo sound at 44100 Hz\n\n";
    }

    SoundServer server;
    std::vector<std::string> env;
    std::string answers;
};

void PrintTo(const Route& route, std::ostream* out)
{
    *out << route.server << " device " << route.device;
}

std::string route_name(const ::testing::TestParamInfo<Route>& info)
{
    return info.param.server + "_device" + std::to_string(info.param.device);
}

std::vector<Route> routes()
{
    std::vector<Route> all;
    for (const std::string& name : sound_server_names())
        for (int device : {5, 4})
            all.push_back({name, device});
    return all;
}

// The longest run of frames no louder than the threshold between two loud
// ones, in frames.
size_t longest_quiet(const std::string& data, size_t from, size_t to)
{
    size_t longest = 0, run = 0;
    for (size_t at = from; at < to; at += FRAME_BYTES) {
        bool loud = std::abs(sample_at(data, at / 2)) > 64 || std::abs(sample_at(data, at / 2 + 1)) > 64;
        run = loud ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// Mean absolute difference per sample between count samples of the
// recording from sample at and the reference from sample offset.
double mismatch(const std::string& recording, size_t at, const std::string& reference, size_t offset,
                size_t count)
{
    double sum = 0;
    for (size_t i = 0; i < count; i++)
        sum += std::abs(sample_at(recording, at + i) - sample_at(reference, offset + i));
    return sum / static_cast<double>(count);
}

// A song that ends by itself after about four seconds, played whole: it is
// heard within 200 ms of the music process, without a gap, as the raw-file
// device writes it (the same samples, resampled by a server that runs at
// its own rate), beginning and ending in step with that file within 20 ms.
TEST_P(ThroughServer, PlaysTheWholeSongInStepWithTheRawFile)
{
    XmLayout song;
    song.orders = 2;
    test_write_module(dir, song);
    Recorder recorder;
    RunResult result = listen({"wait"}, &recorder);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("Enter mixing frequency (eg. 11025,22050,44100) : " + report_line() +
                              "display: none\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.err.find("music_status exit 0\n"), std::string::npos) << result.err;

    RunResult raw = test_run({test_bin("music-harness"), "wait"}, dir, RAW_ANSWERS);
    std::string reference = test_read_file(dir + "/music.raw");
    auto heard = loud_span(recorder.data), written = loud_span(reference);
    ASSERT_NE(heard.first, std::string::npos) << "the recording is silent";
    ASSERT_NE(written.first, std::string::npos) << raw.err;

    long long start_ms = reported(result.err, "music_start_ms");
    long long heard_from = frame_time(recorder, heard.first);
    long long quiet_ms = static_cast<long long>(longest_quiet(recorder.data, heard.first, heard.second)) * 1000 / RATE;
    long long heard_ms = static_cast<long long>(heard.second - heard.first) / FRAME_BYTES * 1000 / RATE;
    // The file runs on past the song to the end of the driver's last buffer;
    // the song itself lasts as long as its rows.
    long long song_ms = std::lround(test_xm_seconds(song) * 1000);
    // Lined up with the file from its first loud frame: the server may drop
    // the first few milliseconds as the stream joins the sink.
    const size_t window = 4000, lineup = RATE / 10 * 2;
    ASSERT_GE(recorder.data.size() / 2, heard.first / 2 + window);
    auto differs = [&](size_t offset) {
        return mismatch(recorder.data, heard.first / 2, reference, written.first / 2 + offset, window);
    };
    size_t offset = 0;
    for (size_t candidate = 0; candidate < lineup; candidate += 2)
        if (differs(candidate) < differs(offset))
            offset = candidate;
    long long dropped_ms = static_cast<long long>(offset / 2) * 1000 / RATE;
    // Against the file's level: a small fraction where the server resamples
    // for a graph at another rate, nothing where it plays the samples as mixed.
    double level = 0;
    for (size_t i = 0; i < window; i++)
        level += std::abs(sample_at(reference, written.first / 2 + offset + i)) / double(window);
    printf("%s device %d: heard %lld ms after the music process started, for %lld ms of the song's %lld, "
           "%lld ms dropped at the start, longest quiet %lld ms, differing from the file by %.1f in %.1f\n",
           GetParam().server.c_str(), GetParam().device, heard_from - start_ms, heard_ms, song_ms, dropped_ms,
           quiet_ms, differs(offset), level);
    EXPECT_LE(heard_from - start_ms, 200 + TEST_EMULATED_START_MS);
    EXPECT_LE(quiet_ms, 50) << "a gap in the song";
    EXPECT_LE(dropped_ms, 20) << "out of step at the start";
    EXPECT_LE(std::abs(heard_ms + dropped_ms - song_ms), 20) << "out of step at the end";
    EXPECT_LT(differs(offset), level * 0.05) << "not the song as the file holds it";
}

// Stopped in the middle of a long song, the sound ends within 200 ms.
TEST_P(ThroughServer, FallsSilentSoonAfterMusicStop)
{
    test_write_module(dir, long_module());
    Recorder recorder;
    RunResult result = listen({"end", "1.5"}, &recorder);
    ASSERT_EQ(result.status, 0) << result.err;
    auto heard = loud_span(recorder.data);
    ASSERT_NE(heard.first, std::string::npos) << "the recording is silent";
    long long heard_until = frame_time(recorder, heard.second);
    long long stop_ms = reported(result.err, "music_stop_ms");
    printf("%s device %d: silent %lld ms after music_stop\n", GetParam().server.c_str(), GetParam().device,
           heard_until - stop_ms);
    EXPECT_LE(heard_until - stop_ms, 200);
    // It starts late by as much as it may, and still sounds until the stop.
    EXPECT_GE(heard_until - frame_time(recorder, heard.first), 1300 - TEST_EMULATED_START_MS)
        << "the song did not play through";
}

// The server killed in the middle of the song: the music process ends by
// itself with status 0, quietly, the demo plays on to its end, and nothing
// of either is left.
TEST_P(ThroughServer, ServerKilledMidSongEndsTheMusicAndTheDemoPlaysOn)
{
    test_write_module(dir, long_module());
    BackgroundRun run = harness({"end", "4"}, answers, env);
    ASSERT_TRUE(test_spawn_wait_for(&run, "music_start_ms ", 10000)) << run.err;
    pid_t music = static_cast<pid_t>(reported(run.err, "music_pid"));
    ASSERT_GT(music, 0) << run.err;
    test_sleep_ms(700);
    char playing = test_proc_state(music);
    sound_server_stop(&server, SIGKILL);

    int status = 0;
    bool gone = test_wait_gone(music, 3000, &status);
    double cpu = gone ? 0.0 : test_proc_cpu_seconds(music);
    RunResult result = test_spawn_finish(&run);
    if (!gone)
        kill(music, SIGKILL);

    EXPECT_TRUE(playing != 0 && playing != 'Z') << "not playing before the server went";
    EXPECT_TRUE(gone) << "music process still there, " << cpu << " CPU seconds\n" << result.err;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << std::hex << status;
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("main process ends\n"), std::string::npos) << result.err;
    // Quietly: nothing after the lines the demo printed itself.
    size_t display = result.out.find("display: none\n");
    ASSERT_NE(display, std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(display), "display: none\n");
    EXPECT_TRUE(no_process_left_in(dir)) << "something of the demo is still running";
}

// The demo killed: its music goes with it, and the server plays no stream
// of it any more.
TEST_P(ThroughServer, MusicGoesWithAKilledDemoAndTheServerLetsGo)
{
    test_write_module(dir, long_module());
    BackgroundRun run = harness({"hold"}, answers, env);
    ASSERT_TRUE(test_spawn_wait_for(&run, "music_start_ms ", 10000)) << run.err;
    pid_t music = static_cast<pid_t>(reported(run.err, "music_pid"));
    ASSERT_GT(music, 0) << run.err;
    test_sleep_ms(500);
    kill(run.pid, SIGKILL);
    test_spawn_finish(&run);
    EXPECT_TRUE(test_wait_gone(music, 2000)) << "music process outlived the demo";
    std::string inputs;
    for (int waited = 0; waited < 1000; waited += 50) {
        RunResult list = test_run({test_which("pactl"), "list", "short", "sink-inputs"}, dir);
        EXPECT_EQ(list.status, 0) << list.err;
        inputs = list.out;
        if (inputs.empty())
            break;
        test_sleep_ms(50);
    }
    EXPECT_EQ(inputs, "");
}

INSTANTIATE_TEST_SUITE_P(Route, ThroughServer, ::testing::ValuesIn(routes()), route_name);

// What the launcher and the probe choose where a server runs: device 5 when
// its PulseAudio service answers, else device 4 through its ALSA plugin;
// each says which it chose, and the launcher which server answers.
class ServerChoice : public SoundServers, public ::testing::WithParamInterface<std::string> {};

TEST_P(ServerChoice, ProbeAndLauncherNameWhatTheyChose)
{
    TEST_NEEDS("quarrow-sound-probe");
    SoundServer server;
    if (!sound_server_start(&server, GetParam()))
        GTEST_SKIP() << server.why;
    std::string alsa = sound_server_alsa_env(&server);
    RunResult probe = test_run({test_bin("quarrow-sound-probe"), "5", "4", "1"}, dir);
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out, "5 PulseAudio\n");
    RunResult play = test_run({test_source_dir() + "/tools/play", "--check", "--xephyr"}, "/tmp", "",
                              {"DISPLAY=" + xvfb_unused_display(), "WAYLAND_DISPLAY",
                               "QUARROW_BUILD_DIR=" + std::string(QUARROW_BIN_DIR)});
    std::string served = GetParam() == "PulseAudio" ? "" : " (on " + GetParam();
    EXPECT_NE(play.out.find("play: sound: PulseAudio" + served), std::string::npos) << play.out << play.err;
    EXPECT_NE(play.out.find(" works; playing the music through it, 16-bit stereo at 44100 Hz\n"), std::string::npos)
        << play.out;
    if (!alsa.empty()) {
        RunResult through_alsa = test_run({test_bin("quarrow-sound-probe"), "5", "4", "1"}, dir, "",
                                          {"PULSE_SERVER=unix:" + dir + "/none", alsa});
        EXPECT_EQ(through_alsa.status, 0) << through_alsa.err;
        EXPECT_EQ(through_alsa.out, "4 ALSA\n") << through_alsa.err;
    }
    sound_server_stop(&server);
    EXPECT_TRUE(no_process_left_in(dir));
}

INSTANTIATE_TEST_SUITE_P(Server, ServerChoice, ::testing::ValuesIn(sound_server_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

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
