// The demo's module, music/quarrow.xm, in three independent players: our
// own library renders it to a raw file, and the openmpt and xmp command-line
// players load it and agree on its length. The rendering is also judged as
// music: it must end inside the demo, be wide, and breathe.
#include <gtest/gtest.h>
#include <mikmod.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/support.h"
#include "support/mikmod_render.h"
#include "support/which.h"

namespace {

const int RATE = 22050;

// When the demo's pictures end, on its own clock.
const double DEMO_SECONDS = 196.9;

std::string module_path()
{
    return test_source_dir() + "/music/quarrow.xm";
}

// Rendered once for every test that listens to it.
const std::vector<int16_t>& mikmod_pcm()
{
    static std::vector<int16_t> pcm = test_render_module(module_path(), RATE);
    return pcm;
}

double seconds_of(const std::vector<int16_t>& pcm)
{
    return static_cast<double>(pcm.size() / 2) / RATE;
}

// Mean square of both channels from..to seconds, in dB below full scale.
double level_db(const std::vector<int16_t>& pcm, double from, double to)
{
    double sum = 0;
    size_t a = static_cast<size_t>(from * RATE) * 2, b = static_cast<size_t>(to * RATE) * 2;
    for (size_t i = a; i < b && i < pcm.size(); i++)
        sum += static_cast<double>(pcm[i]) * pcm[i];
    return 10.0 * std::log10(sum / static_cast<double>(b - a) / (32768.0 * 32768.0) + 1e-20);
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

// The effect commands of every pattern cell, as "4" or "E9" (extended
// commands by their sub-command).
std::set<std::string> effect_kinds(const std::string& xm)
{
    auto u16 = [&](size_t at) { return static_cast<uint8_t>(xm[at]) | static_cast<uint8_t>(xm[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return static_cast<size_t>(u16(at)) | static_cast<size_t>(u16(at + 2)) << 16; };
    std::set<std::string> kinds;
    const int patterns = u16(70);
    size_t pos = 60 + u32(60);
    for (int p = 0; p < patterns && pos + 9 <= xm.size(); p++) {
        size_t end = pos + u32(pos) + u16(pos + 7);
        pos += u32(pos);
        while (pos < end && end <= xm.size()) {
            uint8_t mask = static_cast<uint8_t>(xm[pos]);
            uint8_t cell[5] = {0, 0, 0, 0, 0};
            if (mask & 0x80) {
                pos++;
                for (int bit = 0; bit < 5; bit++)
                    if (mask & (1 << bit))
                        cell[bit] = static_cast<uint8_t>(xm[pos++]);
            } else {
                for (int i = 0; i < 5; i++)
                    cell[i] = static_cast<uint8_t>(xm[pos++]);
            }
            if (cell[3] == 0 && cell[4] == 0)
                continue;
            char name[4];
            if (cell[3] == 0xe)
                snprintf(name, sizeof name, "E%X", cell[4] >> 4);
            else
                snprintf(name, sizeof name, "%X", cell[3]);
            kinds.insert(name);
        }
        pos = end;
    }
    return kinds;
}

}  // namespace

TEST(AssetsMusic, MikmodPlaysItToAnEndTheDemoReaches)
{
    const std::vector<int16_t>& pcm = mikmod_pcm();
    ASSERT_FALSE(pcm.empty()) << MikMod_strerror(MikMod_errno);
    const size_t frames = pcm.size() / 2;
    EXPECT_LE(seconds_of(pcm), DEMO_SECONDS);
    EXPECT_GE(seconds_of(pcm), DEMO_SECONDS - 3);

    // 50 ms windows: no silence longer than a beat before the last chord
    // has rung, and silence from before the demo ends.
    const size_t window = RATE / 20;
    double quiet = 0, longest = 0, sounding_until = 0;
    size_t clipped = 0;
    for (size_t start = 0; start + window <= frames; start += window) {
        double sum = 0;
        for (size_t i = 2 * start; i < 2 * (start + window); i++) {
            sum += static_cast<double>(pcm[i]) * pcm[i];
            clipped += pcm[i] >= 32767 || pcm[i] <= -32768;
        }
        double rms = std::sqrt(sum / (2.0 * window)) / 32768.0;
        double at = static_cast<double>(start + window) / RATE;
        quiet = rms < 0.001 ? quiet + 0.05 : 0.0;
        if (at < 190)
            longest = std::max(longest, quiet);
        if (rms >= 0.001)
            sounding_until = at;
    }
    EXPECT_LT(longest, 0.5);
    EXPECT_GT(sounding_until, 190.0);
    EXPECT_LT(sounding_until, DEMO_SECONDS - 1) << "the last chord is cut off";
    EXPECT_EQ(clipped, 0u) << "samples at full scale";
    // The last chord sounds from where the closing title begins.
    EXPECT_GT(level_db(pcm, 187.0, 189.0), level_db(pcm, 183.0, 185.0) - 10);
}

TEST(AssetsMusic, MikmodMixIsWideAndTheWaterIsABreakdown)
{
    const std::vector<int16_t>& pcm = mikmod_pcm();
    ASSERT_FALSE(pcm.empty());
    double lr = 0, ll = 0, rr = 0;
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        lr += static_cast<double>(pcm[i]) * pcm[i + 1];
        ll += static_cast<double>(pcm[i]) * pcm[i];
        rr += static_cast<double>(pcm[i + 1]) * pcm[i + 1];
    }
    EXPECT_LE(lr / std::sqrt(ll * rr), 0.8) << "left/right correlation";

    // The water (45-80 s) against the last relief and the mesh around it.
    double water = level_db(pcm, 46, 79);
    EXPECT_LE(water, level_db(pcm, 34, 43) - 5);
    EXPECT_LE(water, level_db(pcm, 83, 111) - 5);
}

TEST(AssetsMusic, PatternsUseTheTrackersEffectCommands)
{
    std::set<std::string> kinds = effect_kinds(test_read_file(module_path()));
    std::string list;
    for (const std::string& k : kinds)
        list += k + " ";
    EXPECT_GE(kinds.size(), 6u) << list;
}

TEST(AssetsMusic, OpenmptAgreesOnItsLengthWithoutWarnings)
{
    RunResult run = test_run({test_which("openmpt123"), "--info", module_path()}, "");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string all = run.out + run.err;
    EXPECT_FALSE(mentions(all, "warn")) << all;
    EXPECT_FALSE(mentions(all, "error")) << all;
    EXPECT_NE(all.find("Type.......: xm"), std::string::npos) << all;
    EXPECT_NE(all.find("Samples....: 12"), std::string::npos) << all;
    double seconds = minutes_seconds_after(all, "Duration...: ");
    ASSERT_FALSE(mikmod_pcm().empty());
    EXPECT_NEAR(seconds, seconds_of(mikmod_pcm()), 1.0) << all;
}

TEST(AssetsMusic, XmpLoadsItAtTheSameLength)
{
    RunResult run = test_run({test_which("xmp"), "--load-only", "-v", module_path()}, "");
    std::string all = run.out + run.err;
    EXPECT_EQ(run.status, 0) << all;
    EXPECT_FALSE(mentions(all, "error")) << all;
    EXPECT_NE(all.find("XM 1.04"), std::string::npos) << all;
    EXPECT_NE(all.find("Channels     : 14"), std::string::npos) << all;
    int minutes = 0, seconds = 0;
    size_t at = all.find("Duration     : ");
    ASSERT_NE(at, std::string::npos) << all;
    ASSERT_EQ(sscanf(all.c_str() + at + 15, "%dmin%ds", &minutes, &seconds), 2) << all;
    ASSERT_FALSE(mikmod_pcm().empty());
    EXPECT_NEAR(minutes * 60 + seconds, seconds_of(mikmod_pcm()), 1.0) << all;
}
