// The demo's module, music/quarrow.xm, in three independent players: our
// own library renders it to a raw file, and the openmpt and xmp command-line
// players load it and agree on its length.
#include <gtest/gtest.h>
#include <mikmod.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/support.h"
#include "support/mikmod_render.h"
#include "support/which.h"

namespace {

const int RATE = 22050;
const double BAR_SECONDS = 2.0;

std::string module_path()
{
    return test_source_dir() + "/music/quarrow.xm";
}

// Seconds given as "03:22.000" (minutes, seconds) after a label.
double minutes_seconds_after(const std::string& text, const std::string& label)
{
    size_t at = text.find(label);
    if (at == std::string::npos)
        return -1;
    int minutes = 0;
    double seconds = 0;
    if (sscanf(text.c_str() + at + label.size(), "%d:%lf", &minutes, &seconds) != 2)
        return -1;
    return minutes * 60 + seconds;
}

bool mentions(const std::string& text, const char* word)
{
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return lower.find(word) != std::string::npos;
}

}  // namespace

TEST(AssetsMusic, MikmodPlaysItThroughWithoutGapsOrClipping)
{
    std::vector<int16_t> pcm = test_render_module(module_path(), RATE);
    ASSERT_FALSE(pcm.empty()) << MikMod_strerror(MikMod_errno);
    const size_t frames = pcm.size() / 2;
    double seconds = static_cast<double>(frames) / RATE;
    EXPECT_GE(seconds, 195.0);
    EXPECT_LE(seconds, 215.0);

    // Quiet stretches, in 50 ms windows. The final chord's release after
    // 199 s is the only silence the piece is meant to end in.
    const size_t window = RATE / 20;
    double quiet = 0, longest = 0;
    size_t clipped = 0;
    for (size_t start = 0; start + window <= frames && start < static_cast<size_t>(199 * RATE);
         start += window) {
        double sum = 0;
        for (size_t i = 2 * start; i < 2 * (start + window); i++) {
            sum += static_cast<double>(pcm[i]) * pcm[i];
            clipped += pcm[i] >= 32767 || pcm[i] <= -32768;
        }
        double rms = std::sqrt(sum / (2.0 * window)) / 32768.0;
        quiet = rms < 0.001 ? quiet + 0.05 : 0.0;
        longest = std::max(longest, quiet);
    }
    EXPECT_LT(longest, BAR_SECONDS);
    EXPECT_LT(clipped, pcm.size() / 10000) << "samples at full scale";
}

TEST(AssetsMusic, OpenmptReportsItsLengthWithoutWarnings)
{
    RunResult run = test_run({test_which("openmpt123"), "--info", module_path()}, "");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string all = run.out + run.err;
    EXPECT_FALSE(mentions(all, "warn")) << all;
    EXPECT_FALSE(mentions(all, "error")) << all;
    EXPECT_NE(all.find("Type.......: xm"), std::string::npos) << all;
    EXPECT_NE(all.find("Samples....: 12"), std::string::npos) << all;
    double seconds = minutes_seconds_after(all, "Duration...: ");
    EXPECT_GE(seconds, 195.0) << all;
    EXPECT_LE(seconds, 215.0) << all;
}

TEST(AssetsMusic, XmpLoadsIt)
{
    RunResult run = test_run({test_which("xmp"), "--load-only", "-v", module_path()}, "");
    std::string all = run.out + run.err;
    EXPECT_EQ(run.status, 0) << all;
    EXPECT_FALSE(mentions(all, "error")) << all;
    EXPECT_NE(all.find("XM 1.04"), std::string::npos) << all;
    EXPECT_NE(all.find("Channels     : 12"), std::string::npos) << all;
}
