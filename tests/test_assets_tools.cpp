// The pieces of the data generator: the module writer's byte layout, the
// synthesized instruments' tuning as a real player hears it, the palette
// builder's guarantees and the lettering's coverage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>

#include "support/mikmod_render.h"
#include "support/support.h"
#include "tools/assets/font.h"
#include "tools/assets/raster.h"
#include "tools/assets/synth.h"
#include "tools/assets/xm_write.h"

namespace {

int u16(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8);
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(u16(b, at)) | (static_cast<uint32_t>(u16(b, at + 2)) << 16);
}

XmModule one_pattern_module(int channels, int rows)
{
    XmModule m;
    m.name = "t";
    m.channels = channels;
    m.speed = 6;
    m.bpm = 125;
    m.order = {0};
    m.patterns.push_back(XmPattern{rows, std::vector<XmCell>(static_cast<size_t>(rows) * channels)});
    return m;
}

// The strongest period of a mono stretch, as a frequency: the shortest lag
// whose normalised autocorrelation comes within 5 % of the best.
double pitch_of(const std::vector<int16_t>& stereo, int rate, double from_s, double to_s)
{
    std::vector<double> x;
    for (size_t i = static_cast<size_t>(from_s * rate); i < static_cast<size_t>(to_s * rate); i++)
        x.push_back(stereo[2 * i] + stereo[2 * i + 1]);
    std::vector<double> corr(rate / 40 + 1, 0.0);
    double best = 0;
    for (int lag = rate / 2000; lag <= rate / 40; lag++) {
        double s = 0, e0 = 0, e1 = 0;
        for (size_t i = 0; i + lag < x.size(); i++) {
            s += x[i] * x[i + lag];
            e0 += x[i] * x[i];
            e1 += x[i + lag] * x[i + lag];
        }
        corr[lag] = s / std::sqrt(e0 * e1 + 1e-9);
        best = std::max(best, corr[lag]);
    }
    for (int lag = rate / 2000; lag <= rate / 40; lag++)
        if (corr[lag] >= best * 0.95 && corr[lag] >= corr[lag - 1] && corr[lag] >= corr[lag + 1])
            return static_cast<double>(rate) / lag;
    return 0;
}

}  // namespace

TEST(AssetsXmWriter, HeaderPatternAndSampleLayout)
{
    XmModule m = one_pattern_module(2, 2);
    m.patterns[0].cells[0] = XmCell{49, 1, 0x50, 0x0f, 3};  // every field: stored unpacked
    m.patterns[0].cells[2] = XmCell{49, 0, 0, 0, 0};
    m.patterns[0].cells[3] = XmCell{0, 0, 0, 0x08, 0x40};
    XmInstrument ins;
    ins.name = "x";
    // Deltas that overflow 16 bits must wrap back to the same samples.
    ins.sample.data = {0, 100, -100, 32767, -32768, 5};
    ins.sample.loop_start = 2;
    ins.sample.loop_length = 3;
    ins.sample.relative_note = -7;
    ins.sample.finetune = -20;
    ins.volume = XmEnvelope{{{0, 64}, {10, 32}}, 1};
    m.instruments.push_back(ins);
    std::vector<uint8_t> b = xm_encode(m);

    EXPECT_EQ(std::string(b.begin(), b.begin() + 17), "Extended Module: ");
    EXPECT_EQ(b[37], 0x1a);
    EXPECT_EQ(u16(b, 58), 0x0104);
    EXPECT_EQ(u32(b, 60), 276u);
    EXPECT_EQ(u16(b, 64), 1);   // song length
    EXPECT_EQ(u16(b, 68), 2);   // channels
    EXPECT_EQ(u16(b, 70), 1);   // patterns
    EXPECT_EQ(u16(b, 72), 1);   // instruments
    EXPECT_EQ(u16(b, 74), 1);   // linear frequencies
    EXPECT_EQ(u16(b, 76), 6);
    EXPECT_EQ(u16(b, 78), 125);

    const size_t pattern = 60 + 276;
    EXPECT_EQ(u32(b, pattern), 9u);
    EXPECT_EQ(u16(b, pattern + 5), 2);
    const std::vector<uint8_t> packed = {49, 1, 0x50, 0x0f, 3, 0x80, 0x81, 49, 0x98, 0x08, 0x40};
    ASSERT_EQ(u16(b, pattern + 7), static_cast<int>(packed.size()));
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), b.begin() + pattern + 9));

    const size_t instrument = pattern + 9 + packed.size();
    EXPECT_EQ(u32(b, instrument), 263u);
    EXPECT_EQ(u16(b, instrument + 27), 1);         // one sample
    EXPECT_EQ(u32(b, instrument + 29), 40u);       // its header size
    EXPECT_EQ(b[instrument + 225], 2);             // volume points
    EXPECT_EQ(b[instrument + 227], 1);             // sustain point
    EXPECT_EQ(b[instrument + 233], 3);             // envelope on, with sustain
    const size_t sample = instrument + 263;
    EXPECT_EQ(u32(b, sample), 12u);                // lengths in bytes
    EXPECT_EQ(u32(b, sample + 4), 4u);
    EXPECT_EQ(u32(b, sample + 8), 6u);
    EXPECT_EQ(b[sample + 14], 0x11);               // 16-bit, forward loop
    EXPECT_EQ(static_cast<int8_t>(b[sample + 13]), -20);
    EXPECT_EQ(static_cast<int8_t>(b[sample + 16]), -7);
    const size_t data = sample + 40;
    ASSERT_EQ(b.size(), data + 12);
    int16_t value = 0;
    for (size_t i = 0; i < ins.sample.data.size(); i++) {
        value = static_cast<int16_t>(value + static_cast<int16_t>(u16(b, data + 2 * i)));
        EXPECT_EQ(value, ins.sample.data[i]) << "sample " << i;
    }
}

TEST(AssetsSynth, TonalInstrumentsPlayInTuneInLibmikmod)
{
    // on the bass, pad and lead: 110, 220 and 440 Hz.
    struct Case {
        int instrument;
        int note;
        double hz;
        double from_s;  // a stretch where the note still sounds
    } cases[] = {{INS_BASS, 34, 110.0, 1.0}, {INS_PAD, 46, 220.0, 1.0}, {INS_LEAD, 58, 440.0, 1.0},
                 {INS_PLUCK, 58, 440.0, 0.3}};
    std::vector<XmInstrument> instruments = synth_instruments();
    ASSERT_EQ(static_cast<int>(instruments.size()), INS_COUNT);
    for (const Case& c : cases) {
        XmModule m = one_pattern_module(1, 32);
        m.instruments = instruments;
        m.patterns[0].cells[0] = XmCell{static_cast<uint8_t>(c.note), static_cast<uint8_t>(c.instrument), 0x50, 0, 0};
        TempDir temp;
        const std::string& dir = temp.path;
        std::string path = dir + "/tone.xm";
        ASSERT_EQ(xm_write(path.c_str(), m), 0);
        std::vector<int16_t> pcm = test_render_module(path, 22050);
        ASSERT_GT(pcm.size(), 2u * 22050 * 2) << "instrument " << c.instrument;
        double hz = pitch_of(pcm, 22050, c.from_s, c.from_s + 0.4);
        EXPECT_NEAR(hz, c.hz, c.hz * 0.02) << "instrument " << c.instrument;
    }
}

TEST(AssetsSynth, OneShotSamplesEndInSilence)
{
    // A sample that stops short of zero clicks wherever its tail is heard.
    for (const XmInstrument& ins : synth_instruments()) {
        if (ins.sample.loop_length > 0)
            continue;
        ASSERT_FALSE(ins.sample.data.empty()) << ins.name;
        EXPECT_LE(std::abs(ins.sample.data.back()), 327) << ins.name;
    }
}

TEST(AssetsPalette, SlotsAdjustmentAndExactColours)
{
    // Five colours fit in six slots, so every pixel keeps its exact colour
    // and only the given entries are used.
    const Rgb colours[5] = {{0, 0, 0}, {255, 255, 255}, {200, 30, 40}, {5, 12, 200}, {90, 180, 60}};
    RgbImage img = rgb_image(16, 16, Rgb{0, 0, 0});
    for (int i = 0; i < 256; i++)
        img.px[i] = colours[(i * 7 + i / 16) % 5];
    QuantizeOptions options;
    options.slots = {10, 20, 30, 40, 50, 60};
    uint8_t palette[768];
    std::vector<Indexed> out;
    quantize({&img}, options, palette, &out);
    ASSERT_EQ(out.size(), 1u);
    std::set<int> allowed(options.slots.begin(), options.slots.end());
    for (int i = 0; i < 256; i++) {
        int index = out[0].px[i];
        ASSERT_TRUE(allowed.count(index)) << index;
        EXPECT_EQ(palette[3 * index], colours[(i * 7 + i / 16) % 5].r);
        EXPECT_EQ(palette[3 * index + 1], colours[(i * 7 + i / 16) % 5].g);
        EXPECT_EQ(palette[3 * index + 2], colours[(i * 7 + i / 16) % 5].b);
    }
    for (int i = 0; i < 256; i++) {
        if (!allowed.count(i)) {
            EXPECT_EQ(palette[3 * i] | palette[3 * i + 1] | palette[3 * i + 2], 0) << i;
        }
    }

    // The hook sees every component before pixels are mapped.
    options.adjust = [](uint8_t* c) { *c = *c < 16 ? 0 : *c; };
    quantize({&img}, options, palette, &out);
    for (int i = 0; i < 256; i++) {
        int index = out[0].px[i];
        EXPECT_FALSE(palette[3 * index] > 0 && palette[3 * index] < 16);
        EXPECT_FALSE(palette[3 * index + 1] > 0 && palette[3 * index + 1] < 16);
    }
}

TEST(AssetsFont, EveryLetterOfTheTextsHasStrokesAndDistancesAreExact)
{
    for (const char* p = "quarrow for LINUX by tobrak QUARROW FOR BY TOBRAK"; *p; p++) {
        if (*p == ' ')
            continue;
        std::vector<Segment> s;
        char one[2] = {*p, 0};
        font_set(one, 0, 20, 2, 0, &s);
        EXPECT_FALSE(s.empty()) << "no glyph for '" << *p << "'";
    }
    // One horizontal stroke along y = 5.5 from x = 2.5 to 7.5.
    std::vector<float> d = distance_field({Segment{2.5f, 5.5f, 7.5f, 5.5f}}, 12, 10, 3.0f);
    EXPECT_FLOAT_EQ(d[5 * 12 + 4], 0.0f);       // on the line
    EXPECT_FLOAT_EQ(d[7 * 12 + 4], 2.0f);       // two rows below
    EXPECT_FLOAT_EQ(d[5 * 12 + 9], 2.0f);       // beyond the end cap
    EXPECT_FLOAT_EQ(d[9 * 12 + 11], 3.0f);      // capped at the limit
    EXPECT_NEAR(d[6 * 12 + 8], std::sqrt(2.0f), 1e-6);
}
