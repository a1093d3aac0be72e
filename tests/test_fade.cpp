// e_05, the fade to white: the whitening step, and a run that changes only
// the palette.
#include <gtest/gtest.h>

#include <cstring>

#include "display/display.h"
#include "effects/e_05.h"
#include "effects/effects.h"
#include "support/effect_run.h"
#include "support/support.h"

TEST(FadeStep, ComponentsClimbBySixteenAndJumpToWhite)
{
    uint8_t palette[768] = {};
    palette[1] = 223;
    palette[2] = 224;
    palette[3] = 239;
    palette[4] = 240;
    palette[5] = 255;
    palette[6] = 208;
    e05_whiten(palette);
    EXPECT_EQ(palette[0], 16);
    EXPECT_EQ(palette[1], 239);
    EXPECT_EQ(palette[2], 255);
    EXPECT_EQ(palette[3], 255);
    EXPECT_EQ(palette[4], 255);
    EXPECT_EQ(palette[5], 255);
    EXPECT_EQ(palette[6], 224);
    e05_whiten(palette);
    EXPECT_EQ(palette[1], 255);
    EXPECT_EQ(palette[6], 255);

    // 0 reaches 224 after 14 steps and 255 at the 15th.
    uint8_t black[768] = {};
    for (int k = 1; k <= 14; k++)
        e05_whiten(black);
    EXPECT_EQ(black[100], 224);
    e05_whiten(black);
    EXPECT_EQ(black[100], 255);
}

// 17 frames under the virtual clock; the frame buffer is shown unchanged in
// each while the palette climbs, and the palette ends all white.
TEST(FadeRun, OnlyThePaletteChanges)
{
    std::vector<uint8_t> pixels = test_pixels(320, 240, [](int x, int y) { return x ^ y; });
    std::vector<uint8_t> kept = pixels;
    Image frame{320, 240, pixels.data()};
    for (int i = 0; i < 768; i++)
        shared_palette[i] = static_cast<uint8_t>(i / 3);
    std::vector<uint8_t> start(shared_palette, shared_palette + 768);

    EffectRun run = test_run_effect([&] { effect_e05(&frame); });

    EXPECT_EQ(run.out, "e_05:\t 17 - Screens,\t Screens/sec - 12.801205\n");
    const std::vector<CapturedFrame>& frames = run.frames;
    ASSERT_EQ(frames.size(), 17u);
    for (size_t k = 0; k < frames.size(); k++) {
        ASSERT_EQ(frames[k].pixels, kept) << "frame " << k;
        int raised = 16 * static_cast<int>(k + 1);
        for (int i = 0; i < 768; i++)
            ASSERT_EQ(frames[k].palette[i], start[i] + raised >= 240 ? 255 : start[i] + raised)
                << "frame " << k << " byte " << i;
    }
    EXPECT_EQ(pixels, kept);
    EXPECT_EQ(std::vector<uint8_t>(shared_palette, shared_palette + 768), std::vector<uint8_t>(768, 255));

    // Already white: stays white and still takes its 1.3 s.
    EffectRun again = test_run_effect([&] { effect_e05(&frame); }, false);
    EXPECT_EQ(again.out, run.out);
    EXPECT_EQ(again.frames.size(), 17u);
    EXPECT_EQ(again.frames.front().palette, std::vector<uint8_t>(768, 255));
}
