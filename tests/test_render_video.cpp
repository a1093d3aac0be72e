// The demo as a video with its sound track: the picture decides the length
// (every frame at 83 ms, the sound exactly as long, silent where the module
// has ended), and the sound of each run of selected steps is the song from
// the time the script reaches it. The whole-demo runs take about ten
// seconds each and run in the plain build only.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/clock.h"
#include "demo/demo.h"
#include "mikmod_render.h"
#include "stdout_capture.h"
#include "support.h"
#include "work_dir.h"

namespace {

constexpr int RATE = 44100;

class RenderVideo : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = test_make_dir();
        test_write_all_pictures(dir);
        mkdir((dir + "/music").c_str(), 0777);
        ASSERT_EQ(symlink((test_source_dir() + "/music/quarrow.xm").c_str(),
                          (dir + "/music/quarrow.xm").c_str()),
                  0);
    }
    void TearDown() override { test_remove_tree(dir); }

    RunResult render(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{test_bin("quarrow-render"), "--seed", "1"};
        argv.insert(argv.end(), args.begin(), args.end());
        return test_run(argv, dir);
    }

    void whole_demo_at(int scale);

    std::string dir;
};

#ifdef __SANITIZE_ADDRESS__
constexpr bool SANITIZED = true;
#else
constexpr bool SANITIZED = false;
#endif
constexpr char PLAIN_ONLY[] = "whole-demo videos run in the plain build";

// The video's sound track decoded as 16-bit mono at RATE.
std::vector<int16_t> decoded_sound(const std::string& video)
{
    RunResult r = test_run({"/usr/bin/ffmpeg", "-v", "error", "-i", video, "-vn", "-f", "s16le",
                            "-ac", "1", "-ar", std::to_string(RATE), "-"},
                           "");
    std::vector<int16_t> samples(r.out.size() / 2);
    memcpy(samples.data(), r.out.data(), samples.size() * 2);
    return samples;
}

double rms(const std::vector<int16_t>& samples, double from_s, double to_s)
{
    size_t from = static_cast<size_t>(from_s * RATE), to = static_cast<size_t>(to_s * RATE);
    double sum = 0;
    for (size_t i = from; i < to && i < samples.size(); i++)
        sum += static_cast<double>(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

// The durations ffprobe reads from the container, without decoding.
void probe_durations(const std::string& video, double* picture, double* sound)
{
    RunResult probe = test_run({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
                                "stream=codec_type,duration", "-of", "csv=p=0", video},
                               "");
    *picture = *sound = -1;
    std::istringstream lines(probe.out);
    std::string line;
    while (std::getline(lines, line)) {
        size_t comma = line.find(',');
        double seconds = std::stod(line.substr(comma + 1));
        (line.compare(0, comma, "video") == 0 ? *picture : *sound) = seconds;
    }
}

// The whole demo's video: each of frames at 83 ms, the sound as long, the
// module audible up to its end and silence in the last second.
void expect_whole_demo(const std::string& video, long frames)
{
    double picture, sound;
    probe_durations(video, &picture, &sound);
    EXPECT_NEAR(picture, frames * 0.083, 0.083) << video;
    EXPECT_NEAR(sound, picture, 0.05) << video;
    std::vector<int16_t> samples = decoded_sound(video);
    double end = static_cast<double>(samples.size()) / RATE;
    EXPECT_GT(rms(samples, 194, 195), 100.0) << "the music before 195 s";
    EXPECT_LT(rms(samples, end - 1, end), 8.0) << "the last second";
}

// The count in quarrow-render's closing line "quarrow-render: N frames; ...".
long frames_in_summary(const std::string& err)
{
    size_t at = err.find("quarrow-render: ");
    return at == std::string::npos ? 0 : std::atol(err.c_str() + at + strlen("quarrow-render: "));
}

// Scales 1 and 3 from quarrow-render; scale 2 (4:2:0) through tools/play below.
TEST_F(RenderVideo, WholeDemoAtScale1)
{
    if (SANITIZED)
        GTEST_SKIP() << PLAIN_ONLY;
    whole_demo_at(1);
}

TEST_F(RenderVideo, WholeDemoAtScale3)
{
    if (SANITIZED)
        GTEST_SKIP() << PLAIN_ONLY;
    whole_demo_at(3);
}

void RenderVideo::whole_demo_at(int scale)
{
    std::string video = dir + "/demo.mp4";
    RunResult r = render({"--video", video, "--scale", std::to_string(scale)});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(", with sound\n"), std::string::npos) << r.err;
    expect_whole_demo(video, frames_in_summary(r.err));
}

// The scale-2 whole demo comes from tools/play, which without any display
// (no X, no Wayland, no console) falls back to the video and names it.
TEST_F(RenderVideo, PlayWithoutADisplayWritesTheWholeDemo)
{
    if (SANITIZED)
        GTEST_SKIP() << PLAIN_ONLY;
    RunResult r = test_run({test_source_dir() + "/tools/play"}, dir, "",
                           {"QUARROW_BUILD_DIR=" + std::string(QUARROW_BIN_DIR), "DISPLAY",
                            "WAYLAND_DISPLAY"});
    std::string video = dir + "/quarrow.mp4";
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("; writing the demo to " + video + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("play: the demo is in " + video + ";"), std::string::npos) << r.out;
    expect_whole_demo(video, frames_in_summary(r.err));
}

// When the script reaches each step, on the virtual clock, from a quiet run
// of the script in this process.
std::vector<int32_t> step_starts()
{
    static std::vector<int32_t> starts;
    static int32_t origin;
    ScopedWorkDir work;
    test_write_all_pictures(work.path);
    starts.assign(26, 0);
    origin = now_ms();
    DemoRun run{false, true, 1, [](int step, const char*) { starts[step] = now_ms() - origin; }};
    char name[] = "quarrow-render";
    char* args[] = {name, nullptr};
    test_stdout_capture_begin();
    demo_run(1, args, &run);
    test_stdout_capture_end();
    return starts;
}

// The lag, in samples, at which one second of sound from at matches the
// song from song_at best, within 10 ms either way; and how well (1: the same).
double best_lag(const std::vector<int16_t>& sound, long at, const std::vector<int16_t>& song,
                long song_at, double* match)
{
    const long length = RATE, reach = RATE / 100;
    *match = -1;
    long best = 0;
    for (long lag = -reach; lag <= reach; lag++) {
        double both = 0, a = 0, b = 0;
        for (long i = 0; i < length; i++) {
            double x = sound[at + i], y = song[song_at + lag + i];
            both += x * y;
            a += x * x;
            b += y * y;
        }
        double m = a > 0 && b > 0 ? both / std::sqrt(a * b) : 0;
        if (m > *match) {
            *match = m;
            best = lag;
        }
    }
    return static_cast<double>(best);
}

// --steps 3,21: two runs, each with the song from its own step's start; the
// second begins where the first one's 122 frames end in the video.
TEST_F(RenderVideo, EachRunOfStepsCarriesTheSongOfItsOwnTime)
{
    std::string video = dir + "/some.mp4";
    RunResult r = render({"--video", video, "--steps", "3,21", "--scale", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> sound = decoded_sound(video);
    std::vector<int16_t> stereo = test_render_module(test_source_dir() + "/music/quarrow.xm", RATE);
    std::vector<int16_t> song(stereo.size() / 2);
    for (size_t i = 0; i < song.size(); i++)
        song[i] = static_cast<int16_t>((stereo[2 * i] + stereo[2 * i + 1]) / 2);
    std::vector<int32_t> starts = step_starts();

    struct Run {
        int step;
        long video_frame;
    } runs[] = {{3, 0}, {21, 122}};
    for (const Run& run : runs) {
        SCOPED_TRACE(run.step);
        long at = run.video_frame * 83 * RATE / 1000;
        long song_at = static_cast<long>(starts[run.step]) * RATE / 1000;
        ASSERT_LT(static_cast<size_t>(at + RATE), sound.size());
        ASSERT_LT(static_cast<size_t>(song_at + RATE + RATE / 100), song.size());
        double match;
        double lag = best_lag(sound, at, song, song_at, &match);
        EXPECT_GT(match, 0.9);
        EXPECT_LE(std::fabs(lag) * 1000 / RATE, 3.0) << "ms";
    }
}

}  // namespace
