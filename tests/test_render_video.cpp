// The demo as a video with its sound track: the picture decides the length
// (every frame at 83 ms, the sound exactly as long, silent where the module
// has ended), and the sound of each run of selected steps is the song from
// the time the script reaches it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/mikmod_render.h"
#include "support/support.h"

namespace {

constexpr int RATE = 44100;

// A folder with stand-in pictures and the demo's own module.
class RenderVideo : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test_link_module(dir));
    }

    RunResult render(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{test_bin("quarrow-render"), "--seed", "1", "--video"};
        argv.insert(argv.end(), args.begin(), args.end());
        return test_run(argv, dir);
    }

    PictureDir pictures;
    const std::string& dir = pictures.path;
};

// A whole-demo video takes 15 to 60 s of CPU, depending on the scale, and
// far more with the sanitizers: these run in the plain build only.
class WholeDemoVideo : public RenderVideo {
protected:
    void SetUp() override
    {
#ifdef __SANITIZE_ADDRESS__
        GTEST_SKIP() << "whole-demo videos run in the plain build";
#endif
        RenderVideo::SetUp();
    }

    // Each of frames at 83 ms, the sound as long, the module audible up to
    // its end and silence in the last second.
    void expect_whole_demo(const std::string& video, const std::string& summary);
    void render_at(int scale);
};

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

// The duration the container gives the first stream of a kind ("v", "a").
double duration(const std::string& video, const char* kind)
{
    RunResult probe = test_run({"/usr/bin/ffprobe", "-v", "error", "-select_streams", std::string(kind) + ":0",
                                "-show_entries", "stream=duration", "-of", "csv=p=0", video},
                               "");
    return probe.out.empty() ? -1 : std::stod(probe.out);
}

// summary holds quarrow-render's closing line "quarrow-render: N frames; ...".
void WholeDemoVideo::expect_whole_demo(const std::string& video, const std::string& summary)
{
    const char* prefix = "quarrow-render: ";
    size_t at = summary.find(prefix);
    ASSERT_NE(at, std::string::npos) << summary;
    long frames = std::atol(summary.c_str() + at + strlen(prefix));
    EXPECT_NE(summary.find(", with sound\n"), std::string::npos) << summary;
    double picture = duration(video, "v");
    EXPECT_NEAR(picture, frames * 0.083, 0.083) << video;
    EXPECT_NEAR(duration(video, "a"), picture, 0.05) << video;
    std::vector<int16_t> samples = decoded_sound(video);
    double end = static_cast<double>(samples.size()) / RATE;
    EXPECT_GT(rms(samples, 194, 195), 100.0) << "the music before 195 s";
    EXPECT_LT(rms(samples, end - 1, end), 8.0) << "the last second";
}

// Scales 1 and 3 (4:4:4) here, one test each; scale 2 (4:2:0) through
// tools/play below.
void WholeDemoVideo::render_at(int scale)
{
    RunResult r = render({dir + "/demo.mp4", "--scale", std::to_string(scale)});
    ASSERT_EQ(r.status, 0) << r.err;
    expect_whole_demo(dir + "/demo.mp4", r.err);
}

TEST_F(WholeDemoVideo, AtScale1)
{
    render_at(1);
}

// About a minute of encoding (4:4:4 at 960x720) on both cores: it stays out
// of the RealTime group, whose runs it would starve of their frames' time.
TEST_F(WholeDemoVideo, AtScale3)
{
    render_at(3);
}

// tools/play without any display (no X, no Wayland, not a console) falls
// back to the video at the default scale, and names it.
TEST_F(WholeDemoVideo, FromPlayWithoutADisplay)
{
    RunResult r = test_run({test_source_dir() + "/tools/play"}, dir, "",
                           {"QUARROW_BUILD_DIR=" + std::string(QUARROW_BIN_DIR), "DISPLAY",
                            "WAYLAND_DISPLAY"});
    std::string video = dir + "/quarrow.mp4";
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("; writing the demo to " + video + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("play: the demo is in " + video + ";"), std::string::npos) << r.out;
    expect_whole_demo(video, r.err);
}

// When the script reaches each step on the virtual clock, in ms, as
// quarrow-render --list gives it.
std::vector<long> step_starts(const std::string& dir)
{
    RunResult r = test_run({test_bin("quarrow-render"), "--list"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<long> starts;
    std::istringstream lines(r.out);
    std::string step, label, start;
    while (std::getline(lines, step, '\t') && std::getline(lines, label, '\t') &&
           std::getline(lines, start, '\t')) {
        starts.push_back(std::lround(std::stod(start) * 1000));
        lines.ignore(1 << 16, '\n');
    }
    return starts;
}

// How alike one second of a and of b are in shape (1: the same).
double likeness(const int16_t* a, const int16_t* b)
{
    double both = 0, aa = 0, bb = 0;
    for (long i = 0; i < RATE; i++) {
        both += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? both / std::sqrt(aa * bb) : 0;
}

// Three runs, each with the song from its own step's start. The first
// (0-1, 123 frames) lasts one frame longer in the video than on the clock,
// since the start-up blank takes no time there: the song must be started
// again for step 3, at video frame 123; step 21 follows at frame 245.
TEST_F(RenderVideo, EachRunOfStepsCarriesTheSongOfItsOwnTime)
{
    RunResult r = render({dir + "/some.mp4", "--steps", "0-1,3,21", "--scale", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<int16_t> sound = decoded_sound(dir + "/some.mp4");
    std::vector<int16_t> stereo = test_render_module(test_source_dir() + "/music/quarrow.xm", RATE);
    std::vector<int16_t> song(stereo.size() / 2);
    for (size_t i = 0; i < song.size(); i++)
        song[i] = static_cast<int16_t>((stereo[2 * i] + stereo[2 * i + 1]) / 2);
    std::vector<long> starts = step_starts(dir);
    ASSERT_EQ(starts.size(), 26u);
    const long reach = RATE / 100;  // 10 ms either way

    for (auto [step, video_frame] : {std::pair<int, long>{3, 123}, {21, 245}}) {
        SCOPED_TRACE(step);
        long at = video_frame * 83 * RATE / 1000;
        long song_at = static_cast<long>(static_cast<long long>(starts[step]) * RATE / 1000);
        ASSERT_LT(static_cast<size_t>(at + RATE), sound.size());
        ASSERT_LT(static_cast<size_t>(song_at + RATE + reach), song.size());
        long best = -reach;
        double best_likeness = -1;
        for (long lag = -reach; lag <= reach; lag++) {
            double l = likeness(&sound[at], &song[song_at + lag]);
            if (l > best_likeness) {
                best_likeness = l;
                best = lag;
            }
        }
        EXPECT_GT(best_likeness, 0.9);
        EXPECT_LE(std::labs(best) * 1000 / RATE, 3) << "ms";
    }
}

}  // namespace
