// e_03, the spinning shrink: 23 frames whatever the picture, the insets of
// each frame, colour 0 around the spun picture, and the palette left alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "display/display.h"
#include "display/record/record.h"
#include "effects/blit_rotated.h"
#include "effects/effects.h"
#include "support/effect_run.h"
#include "support/support.h"

namespace {

// A picture without colour 0, so that whatever is 0 afterwards is background.
std::vector<uint8_t> snapshot_pixels()
{
    return test_pixels(320, 240, [](int x, int y) { return 1 + (x * 5 + y * 3) % 255; });
}

std::vector<CapturedFrame> run_shrink(std::vector<uint8_t> pixels, std::string* out)
{
    Image frame{320, 240, pixels.data()};
    EffectRun run = test_run_effect([&] { effect_e03(&frame); });
    *out = run.out;
    return run.frames;
}

}  // namespace

// Frame k is the snapshot scaled into the rectangle inset by (ix, iy) from
// every side, then turned by k steps of 0.23 rad on colour 0. The insets
// are the 12.4 sums of 113 and 85 a frame.
TEST(ShrinkRun, FramesFollowTheInsetTable)
{
    const struct {
        int k, ix, iy;
    } table[] = {{0, 0, 0},     {1, 7, 5},     {2, 14, 10},   {5, 35, 26},  {10, 70, 53},
                 {15, 105, 79}, {20, 141, 106}, {21, 148, 111}, {22, 155, 116}};
    std::vector<uint8_t> pixels = snapshot_pixels();
    Image snapshot{320, 240, pixels.data()};
    std::string out;
    std::vector<CapturedFrame> frames = run_shrink(pixels, &out);
    EXPECT_EQ(out, "e_03:\t 23 - Screens,\t Screens/sec - 12.595838\n");
    ASSERT_EQ(frames.size(), 23u);
    EXPECT_EQ(frames[0].pixels, pixels);

    std::vector<float> angles(23);
    for (int k = 1; k < 23; k++)
        angles[k] = static_cast<float>(angles[k - 1] + 0.23);
    std::vector<uint8_t> shrink_pixels(320 * 240), expected(320 * 240);
    Image shrink{320, 240, shrink_pixels.data()}, want{320, 240, expected.data()};
    for (auto row : table) {
        std::fill(shrink_pixels.begin(), shrink_pixels.end(), 0);
        std::fill(expected.begin(), expected.end(), 0);
        image_blit_scaled(&shrink, row.ix, row.iy, 320 - 2 * row.ix, 240 - 2 * row.iy, &snapshot, 0, 0,
                          320, 240, 0, 0);
        blit_rotated(&want, &shrink, 0, 0, 1.0f, angles[row.k], 0, 0);
        EXPECT_EQ(frames[row.k].pixels, expected) << "frame " << row.k;

        // Independently of the blit: nothing beyond the spun rectangle's reach.
        double reach = std::hypot(160 - row.ix, 120 - row.iy) + 1.5;
        int outside = 0;
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++)
                if (frames[row.k].pixels[y * 320 + x] != 0 && std::hypot(x - 160, y - 120) > reach)
                    outside++;
        EXPECT_EQ(outside, 0) << "frame " << row.k;
    }
    // The last frame: a 10 x 8 picture, about 80 pixels, turned about 5.06 rad.
    int drawn = 0;
    for (uint8_t p : frames[22].pixels)
        drawn += p != 0;
    EXPECT_GT(drawn, 60);
    EXPECT_LT(drawn, 100);
    EXPECT_NEAR(angles[22], 5.06, 0.001);
}

// The count comes from the insets alone, the picture and its colours play
// no part; the palette on the display is never touched.
TEST(ShrinkRun, AlwaysTwentyThreeFramesAndThePaletteStays)
{
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = static_cast<uint8_t>(i * 13);
    display_set_palette(palette);
    memcpy(shared_palette, palette, 768);
    for (uint8_t fill : {0, 255}) {
        std::string out;
        std::vector<CapturedFrame> frames = run_shrink(std::vector<uint8_t>(320 * 240, fill), &out);
        ASSERT_EQ(frames.size(), 23u);
        EXPECT_EQ(out, "e_03:\t 23 - Screens,\t Screens/sec - 12.595838\n");
        for (const CapturedFrame& f : frames)
            ASSERT_EQ(f.palette, std::vector<uint8_t>(palette, palette + 768));
        // The frame's corners never map inside the shrunk picture after frame 0.
        for (size_t k = 1; k < frames.size(); k++) {
            EXPECT_EQ(frames[k].pixels[0], 0) << k;
            EXPECT_EQ(frames[k].pixels[320 * 240 - 1], 0) << k;
        }
    }
    EXPECT_EQ(memcmp(shared_palette, palette, 768), 0);
    EXPECT_EQ(memcmp(record_palette(), palette, 768), 0);
}
