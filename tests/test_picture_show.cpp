// The picture show run in process: the palette schedule with dark colours,
// the frame written once, and the source colours left for the next step.
#include <gtest/gtest.h>

#include <cstring>

#include "core/trig.h"
#include "display/display.h"
#include "effects/effects.h"
#include "effects/picture_show.h"
#include "support/effect_run.h"
#include "support/support.h"

namespace {

// Components below 16 (0, 5, 15), the smallest with a step (16, 31) and the
// largest (255), over and over.
void dark_palette(uint8_t* palette)
{
    const uint8_t values[] = {0, 5, 15, 16, 31, 255, 200, 100};
    for (int i = 0; i < 768; i++)
        palette[i] = values[i % 8];
}

}  // namespace

TEST(PictureShowPalette, DarkComponentsSurviveTheFadeOut)
{
    uint8_t source[768], working[768];
    dark_palette(source);
    memset(working, 0x77, sizeof working);
    for (int n = 0; n <= 22; n++)
        picture_show_palette_step(n, false, source, working);
    EXPECT_EQ(memcmp(working, source, 768), 0);
    // Long after the show's own 25 fade frames: still nothing below 0.
    for (int k = 1; k <= 40; k++) {
        const uint8_t* shown = picture_show_palette_step(22 + k, true, source, working);
        ASSERT_EQ(shown, working);
        EXPECT_EQ(shown[0], 0);
        EXPECT_EQ(shown[1], 5) << "fade step " << k;
        EXPECT_EQ(shown[2], 15) << "fade step " << k;
        EXPECT_EQ(shown[3], k < 16 ? 16 - k : 0) << "fade step " << k;
        EXPECT_EQ(shown[4], k < 31 ? 31 - k : 0) << "fade step " << k;
        EXPECT_EQ(shown[5], k < 17 ? 255 - 15 * k : 0) << "fade step " << k;
    }
}

// A whole show of 10 s: 122 frames, the picture untouched in every one, the
// dark components still on screen in the last, and the source colours left
// in the shared palette.
TEST(PictureShowRun, WholeShowWithDarkColours)
{
    TempDir dir;
    trig_init();
    std::vector<uint8_t> pixels = test_pixels(320, 240, [](int x, int y) { return (x * 3 + y) & 255; });
    uint8_t source[768];
    dark_palette(source);
    std::string path = test_write_picture(dir.path, "linux.pcx", Image{320, 240, pixels.data()}, source);
    TestFrame frame;

    EffectRun run = test_run_effect([&] { effect_picture_show(frame, 100, path.c_str()); }, true, nullptr,
                                    dir.path);

    EXPECT_EQ(run.out, "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n");
    const std::vector<CapturedFrame>& frames = run.frames;
    ASSERT_EQ(frames.size(), 122u);
    for (const CapturedFrame& f : frames)
        ASSERT_EQ(f.pixels, pixels);
    EXPECT_EQ(frames[4].palette, std::vector<uint8_t>(768, 0));
    EXPECT_EQ(frames[22].palette, std::vector<uint8_t>(source, source + 768));
    const std::vector<uint8_t>& last = frames.back().palette;
    EXPECT_EQ(last[1], 5);
    EXPECT_EQ(last[2], 15);
    EXPECT_EQ(last[3], 0);
    EXPECT_EQ(last[4], 31 - 25);
    EXPECT_EQ(last[5], 0);
    EXPECT_EQ(memcmp(shared_palette, source, 768), 0);
}
