// The swirling disc: the two picture rotations against a plain per-pixel
// reference, the disc's fixed geometry, and a whole run of the effect on a
// picture whose pixels name their own column.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/trig.h"
#include "effects/e_07.h"
#include "effects/effects.h"
#include "support/effect_run.h"
#include "support/support.h"

namespace {

std::vector<uint8_t> numbered(int width, int height)
{
    return test_pixels(width, height, [](int x, int y) { return x * 7 + y * 31; });
}

// Pixel (x, y) of the result came from ((x - dx) mod w, (y - dy) mod h).
std::vector<uint8_t> shifted(const std::vector<uint8_t>& in, int width, int height, long dx, long dy)
{
    std::vector<uint8_t> out(in.size());
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            long sx = ((x - dx) % width + width) % width;
            long sy = ((y - dy) % height + height) % height;
            out[y * width + x] = in[sy * width + sx];
        }
    return out;
}

TEST(DiscRotation, RightWrapsEveryRowByTheShiftModuloTheWidth)
{
    const int w = 37, h = 5;
    const std::vector<uint8_t> original = numbered(w, h);
    for (uint32_t shift : {0u, 1u, 7u, 36u, 37u, 44u, 74u, 4000000000u}) {
        std::vector<uint8_t> pixels = original;
        Image picture{w, h, pixels.data()};
        rotate_picture_right(&picture, shift);
        EXPECT_EQ(pixels, shifted(original, w, h, shift % w, 0)) << "shift " << shift;
    }
}

TEST(DiscRotation, DownGivesTheSameResultInBothBranches)
{
    // Heights 11 and 12: shifts just below and at half the height take the
    // two different buffer branches.
    for (int h : {11, 12, 240}) {
        const int w = 9;
        const std::vector<uint8_t> original = numbered(w, h);
        for (uint32_t shift : {0u, 1u, 3u, uint32_t(h / 2 - 1), uint32_t(h / 2), uint32_t(h / 2 + 1),
                               uint32_t(h - 1), uint32_t(h), uint32_t(h + 7)}) {
            std::vector<uint8_t> pixels = original;
            Image picture{w, h, pixels.data()};
            rotate_picture_down(&picture, shift);
            EXPECT_EQ(pixels, shifted(original, w, h, 0, shift % h))
                << "height " << h << " shift " << shift;
        }
    }
}

TEST(DiscRotation, EmptyPicturesAreLeftAlone)
{
    uint8_t byte = 5;
    Image empty{0, 0, &byte};
    rotate_picture_right(&empty, 7);
    rotate_picture_down(&empty, 3);
    Image column{1, 0, &byte};
    rotate_picture_down(&column, 3);
    EXPECT_EQ(byte, 5);
}

TEST(DiscGeometry, RingsAndBandForTheFullFrame)
{
    trig_init();
    EXPECT_EQ(e07_ring_step(320, 240), 19);
    std::vector<uint8_t> pixels(320 * 240);
    Image picture{320, 240, pixels.data()};
    Image frame{320, 240, nullptr};
    E07Scene scene;
    e07_init(&scene, &frame, &picture, nullptr, nullptr);
    const int32_t u[13] = {0, 21, 42, 63, 85, 106, 127, 149, 170, 191, 213, 234, 255};
    for (int k = 0; k < 11; k++) {
        EXPECT_EQ(scene.band[k][0].x, u[k + 1]);
        EXPECT_EQ(scene.band[k][1].x, u[k + 2]);
        EXPECT_EQ(scene.band[k][2].x, u[k + 2]);
        EXPECT_EQ(scene.band[k][3].x, u[k + 1]);
        EXPECT_EQ(scene.band[k][0].y, 16);
        EXPECT_EQ(scene.band[k][1].y, 16);
        EXPECT_EQ(scene.band[k][2].y, 64);
        EXPECT_EQ(scene.band[k][3].y, 64);
    }
    for (int s = 0; s < 16; s++) {
        EXPECT_EQ(scene.base[s * 12].x, 0);
        EXPECT_EQ(scene.base[s * 12].y, 0);
    }
    // Spoke 4 points along x; the outermost ring has radius 209.
    EXPECT_EQ(scene.base[4 * 12 + 11].x, 208);
    EXPECT_EQ(scene.base[4 * 12 + 11].y, 0);
    EXPECT_EQ(scene.centre.x, 160);
    EXPECT_EQ(scene.centre.y, 120);
}

TEST(DiscRun, FlowsThePictureOutwardAndCountsItsFrames)
{
    // Picture pixels hold their column + 1 (below 256), so a frame pixel
    // tells which picture column it was read from after the first scroll.
    PictureDir dir;
    std::vector<uint8_t> pixels = test_pixels(320, 240, [](int x, int) { return x < 255 ? x + 1 : 255; });
    uint8_t palette[768] = {0};
    palette[3] = 77;
    Image picture{320, 240, pixels.data()};
    test_write_picture(dir.path, "e_07.pcx", picture, palette);
    trig_init();

    TestFrame frame;
    EffectRun run =
        test_run_effect([&] { effect_e07(frame, 300, test_script_picture(STEP_E07)); }, false,
            [&](int index, const Image* f, const uint8_t* pal) {
                ASSERT_EQ(memcmp(pal, palette, 768), 0);
                // The outer ring reaches past the corners: nothing of the
                // zeroed buffer is left, from the first frame on.
                for (int i = 0; i < 320 * 240; i++)
                    ASSERT_NE(f->pixels[i], 0) << "frame " << index << " pixel " << i;
                if (index == 0) {
                    // Scrolled right by 7: the innermost segment reads columns
                    // 21..42, showing picture columns 14..35 (near the centre 14 and a
                    // few more, 3 pixels being a sixth of a ring); the corners lie
                    // in the outermost segment, columns 234..255.
                    auto at = [&](int x, int y) { return f->pixels[y * 320 + x] - 1; };
                    int lowest = 255;
                    for (int dy = -3; dy <= 3; dy++)
                        for (int dx = -3; dx <= 3; dx++) {
                            lowest = std::min(lowest, at(160 + dx, 120 + dy));
                            EXPECT_LE(at(160 + dx, 120 + dy), 22);
                        }
                    EXPECT_EQ(lowest, 14);
                    for (int corner : {0, 319, 239 * 320, 239 * 320 + 319}) {
                        EXPECT_GE(f->pixels[corner] - 1, 234 - 7);
                        EXPECT_LE(f->pixels[corner] - 1, 255 - 7);
                    }
                }
            }, dir.path);
    EXPECT_EQ(run.frames.size(), 363u);
    EXPECT_EQ(run.out, "e_07:\t 363 - Screens,\t Screens/sec - 12.100000\n");
}

}  // namespace
