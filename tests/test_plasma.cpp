// The plasma with the picture window: the doubling blit, the cycling
// palette, the plasma's value range, the window's schedule, and a whole run
// of the effect, in which plasma pixels (128 and up) and picture pixels
// (below 128 in the stand-in) can be told apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/trig.h"
#include "effects/e_01.h"
#include "effects/effects.h"
#include "support/effect_run.h"
#include "support/support.h"

namespace {

TEST(PlasmaBlit, DoublesEachPixelAndSkipsTheKey)
{
    std::vector<uint8_t> src = {1, 89, 3, 4, 5, 6};  // 3 x 2
    Image source{3, 2, src.data()};
    std::vector<uint8_t> dst(8 * 6, 0xEE);
    Image target{8, 6, dst.data()};
    image_blit_doubled(&target, 1, 1, &source, 0, 0, 3, 2, 89);
    for (int y = 0; y < 6; y++)
        for (int x = 0; x < 8; x++) {
            uint8_t expected = 0xEE;
            if (x >= 1 && x < 7 && y >= 1 && y < 5) {
                uint8_t pixel = src[(y - 1) / 2 * 3 + (x - 1) / 2];
                expected = pixel == 89 ? 0xEE : pixel;
            }
            EXPECT_EQ(dst[y * 8 + x], expected) << x << "," << y;
        }
}

TEST(PlasmaBlit, EmptyAndOutOfBoundsRectanglesDrawNothing)
{
    std::vector<uint8_t> src(4 * 4, 9);
    Image source{4, 4, src.data()};
    std::vector<uint8_t> dst(8 * 8, 0xEE);
    Image target{8, 8, dst.data()};
    image_blit_doubled(&target, 0, 0, &source, 0, 0, 0, 4, 89);
    image_blit_doubled(&target, 0, 0, &source, 0, 0, 4, 0, 89);
    image_blit_doubled(&target, 2, 0, &source, 0, 0, 4, 4, 89);   // 2 columns past the right
    image_blit_doubled(&target, 0, 1, &source, 0, 0, 4, 4, 89);   // 1 row past the bottom
    image_blit_doubled(&target, -2, 0, &source, 0, 0, 2, 2, 89);
    image_blit_doubled(&target, 0, 0, &source, 1, 0, 4, 1, 89);   // source too narrow
    image_blit_doubled(&target, 0, 0, &source, 0, -1, 1, 1, 89);
    image_blit_doubled(&target, 0, 0, &source, 0, 0, 0x80000000u, 1, 89);
    for (uint8_t pixel : dst)
        ASSERT_EQ(pixel, 0xEE);
    image_blit_doubled(&target, 0, 0, &source, 0, 0, 4, 4, 89);  // exactly filling
    for (uint8_t pixel : dst)
        ASSERT_EQ(pixel, 9);
}

TEST(PlasmaPalette, FirstFrameColoursOfTheUpperHalfOnly)
{
    trig_init();
    uint8_t palette[768];
    memset(palette, 0x11, sizeof palette);
    e01_palette(palette, 0);
    EXPECT_EQ(palette[3 * 128], 133);
    EXPECT_EQ(palette[3 * 128 + 1], 255);
    EXPECT_EQ(palette[3 * 128 + 2], 122);
    for (int i = 0; i < 3 * 128; i++)
        ASSERT_EQ(palette[i], 0x11);
}

TEST(PlasmaImage, ValuesStayWithin128To254)
{
    trig_init();
    Image* plasma = nullptr;
    ASSERT_EQ(image_create(&plasma, E01_PLASMA_WIDTH, E01_PLASMA_HEIGHT), 0);
    int lowest = 255, highest = 0;
    for (int f = 0; f < 600; f += 7) {
        e01_plasma(plasma, f);
        for (int i = 0; i < E01_PLASMA_WIDTH * E01_PLASMA_HEIGHT; i++) {
            lowest = std::min<int>(lowest, plasma->pixels[i]);
            highest = std::max<int>(highest, plasma->pixels[i]);
        }
    }
    image_free(&plasma);
    EXPECT_GE(lowest, 128);
    EXPECT_LE(highest, 254);
    EXPECT_LT(lowest, 140);   // the rings use the whole range
    EXPECT_GT(highest, 240);
}

TEST(PlasmaWindow, SlidesInToursTheQuartersAndSlidesOut)
{
    // Frames at the paced rate: frame n reads t = 83 n, so m = 83 n / 100.
    std::vector<uint8_t> pic(320 * 240, 5);
    Image picture{320, 240, pic.data()};
    std::vector<uint8_t> out(320 * 240);
    Image frame{320, 240, out.data()};
    E01Window window;
    e01_window_reset(&window);
    int drawn = 0, first_drawn = -1;
    for (int n = 0; n < 483; n++) {
        memset(out.data(), 200, out.size());
        int m = 83 * n / 100;
        E01Window before = window;
        e01_window_step(&window, &frame, &picture, m);
        long changed = 0;
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++)
                if (out[y * 320 + x] != 200) {
                    changed++;
                    // The doubled window always ends at the bottom right corner.
                    ASSERT_GE(x, 2 * before.left);
                    ASSERT_GE(y, 2 * before.top);
                }
        ASSERT_EQ(changed, m < 50 ? 0 : (320L - 2 * before.left) * (240 - 2 * before.top)) << n;
        if (changed) {
            drawn++;
            if (first_drawn < 0)
                first_drawn = n;
        }
        // Each movement is complete well before its phase ends.
        if (m == 99) {
            EXPECT_EQ(window.left, 0);
        } else if (m == 139) {
            EXPECT_EQ(window.src_y, 120);
        } else if (m == 239) {
            EXPECT_EQ(window.src_x, 160);
        } else if (m == 339) {
            EXPECT_EQ(window.src_y, 0);
        }
    }
    EXPECT_EQ(first_drawn, 61);  // t = 5063, the first frame from 5 s on
    EXPECT_EQ(window.top, 120);
    EXPECT_EQ(window.left, 0);
    // From 34 s: 12 frames slide out (top 0..110) before the picture is gone.
    EXPECT_EQ(drawn, 483 - 61 - (483 - 410) + 12);
}

TEST(PlasmaRun, PlasmaAloneForFiveSecondsThenTheWindow)
{
    PictureDir dir;
    trig_init();
    TestFrame frame;
    EffectRun run =
        test_run_effect([&] { effect_e01(frame, 400, test_script_picture(STEP_E01)); }, false,
            [&](int index, const Image* f, const uint8_t* palette) {
                if (index == 0) {
                    EXPECT_EQ(palette[3 * 128], 133);
                    EXPECT_EQ(palette[3 * 128 + 1], 255);
                    EXPECT_EQ(palette[3 * 128 + 2], 122);
                }
                bool picture_seen = false;
                for (int y = 0; y < 240; y++)
                    for (int x = 0; x < 320; x++) {
                        uint8_t p = f->pixels[y * 320 + x];
                        ASSERT_NE(p, 89) << "transparent colour shown, frame " << index;
                        if (p < 128) {
                            picture_seen = true;
                            // The first window is one picture column wide.
                            if (index == 61) {
                                ASSERT_GE(x, 318);
                            }
                        }
                    }
                // Frames 0..60 start before 5 s; the last frames come after
                // the window has slid out at the bottom.
                EXPECT_EQ(picture_seen, index >= 61 && index < 422) << "frame " << index;
            }, dir.path);
    EXPECT_EQ(run.frames.size(), 483u);
    EXPECT_EQ(run.out, "e_01:\t 483 - Screens,\t Screens/sec - 12.075000\n");
}

}  // namespace
