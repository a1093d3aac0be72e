// The frame buffer record and the scaled copy: allocation results, each
// clipping rule, step rounding, and that the fast row paths agree with the
// plain nearest-neighbour rule while never writing outside the destination.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/image.h"
#include "support/guarded.h"

namespace {

uint8_t image_pattern(int x, int y)
{
    return static_cast<uint8_t>((x * 7 + y * 13) % 251 + 1);
}

struct Source : PatternSource {
    Source(int width, int height) : PatternSource(width, height, image_pattern) {}
};

// The copy loop with its multiplications left in, over an already clipped
// rectangle: what every fast path must reproduce.
void reference_blit(Image* dst, int dx, int dy, uint32_t dw, uint32_t dh, const Image* src, int sx,
                    int sy, uint32_t sw, uint32_t sh)
{
    uint32_t x_step = sw * 256 / dw, y_step = sh * 256 / dh;
    for (uint32_t i = 0; i < dh; i++)
        for (uint32_t j = 0; j < dw; j++)
            dst->pixels[(dy + i) * dst->width + dx + j] =
                src->pixels[(sy + ((i * y_step) >> 8)) * src->width + sx + ((j * x_step) >> 8)];
}

TEST(ImageCreate, AllocatesZeroedPixelsAndFreesNull)
{
    // A failed create leaves nothing behind to free; a free nulls the handle.
    Image stale{1, 1, nullptr};
    Image* refused = &stale;
    EXPECT_EQ(image_create(&refused, -1, 240), -2);
    EXPECT_EQ(refused, nullptr);

    Image* image = nullptr;
    ASSERT_EQ(image_create(&image, 320, 240), 0);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 320);
    EXPECT_EQ(image->height, 240);
    std::vector<uint8_t> zeros(76800, 0);
    EXPECT_EQ(memcmp(image->pixels, zeros.data(), zeros.size()), 0);
    image_fill(image, 0x1AB);
    EXPECT_EQ(image->pixels[0], 0xAB);
    EXPECT_EQ(image->pixels[76799], 0xAB);
    image_free(&image);
    EXPECT_EQ(image, nullptr);

    Image* none = nullptr;
    image_free(&none);
}

TEST(ImageBlitScaled, EqualSizesCopyExactly)
{
    Source src(320, 240);
    Guarded dst(320, 240, 0);
    image_blit_scaled(&dst.image, 0, 0, 320, 240, &src.image, 0, 0, 320, 240, 0, 0);
    EXPECT_EQ(memcmp(dst.image.pixels, src.pixels.data(), src.pixels.size()), 0);
    EXPECT_TRUE(dst.guards_intact());
}

TEST(ImageBlitScaled, DoublingMakesTwoByTwoBlocks)
{
    Source src(320, 240);
    Guarded dst(640, 480, 0);
    image_blit_scaled(&dst.image, 0, 0, 640, 480, &src.image, 0, 0, 320, 240, 0, 0);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint8_t p = src.at(x, y);
            ASSERT_EQ(dst.at(2 * x, 2 * y), p);
            ASSERT_EQ(dst.at(2 * x + 1, 2 * y), p);
            ASSERT_EQ(dst.at(2 * x, 2 * y + 1), p);
            ASSERT_EQ(dst.at(2 * x + 1, 2 * y + 1), p);
        }
    EXPECT_TRUE(dst.guards_intact());
}

TEST(ImageBlitScaled, StepsRoundDown)
{
    // 106x80 onto 320x240: x step 84, y step 85; column 319 samples 104.
    Source plasma(106, 80);
    Guarded frame(320, 240, 0);
    image_blit_scaled(&frame.image, 0, 0, 320, 240, &plasma.image, 0, 0, 106, 80, 0, 0);
    EXPECT_EQ(frame.at(319, 0), plasma.at(104, 0));
    EXPECT_EQ(frame.at(0, 239), plasma.at(0, (239 * 85) >> 8));
    Guarded expected(320, 240, 0);
    reference_blit(&expected.image, 0, 0, 320, 240, &plasma.image, 0, 0, 106, 80);
    EXPECT_EQ(frame.bytes, expected.bytes);

    // 320 columns over 800: step 102, the last column samples 318.
    Source wide(320, 240);
    Guarded big(800, 600, 0);
    image_blit_scaled(&big.image, 0, 0, 800, 600, &wide.image, 0, 0, 320, 240, 0, 0);
    EXPECT_EQ(big.at(799, 0), wide.at(318, 0));
    EXPECT_TRUE(big.guards_intact());
}

TEST(ImageBlitScaled, FastPathsMatchTheReference)
{
    // Every pair of small sizes, so the copy, doubling, repeated-row and
    // general paths are all compared with the plain rule.
    auto compare = [](int sw, int sh, int dw, int dh) {
        Source src(sw, sh);
        Guarded got(dw, dh, 0), want(dw, dh, 0);
        image_blit_scaled(&got.image, 0, 0, dw, dh, &src.image, 0, 0, sw, sh, 0, 0);
        reference_blit(&want.image, 0, 0, dw, dh, &src.image, 0, 0, sw, sh);
        return got.bytes == want.bytes;
    };
    for (int sw = 1; sw <= 9; sw++)
        for (int sh = 1; sh <= 5; sh++)
            for (int dw = 1; dw <= 20; dw++)
                for (int dh = 1; dh <= 7; dh++)
                    ASSERT_TRUE(compare(sw, sh, dw, dh))
                        << sw << "x" << sh << " -> " << dw << "x" << dh;
    // From 65 source columns on, 2 x sw - 1 columns still give the doubling
    // step, leaving the odd last column to its own write.
    for (int sw : {65, 100, 160})
        EXPECT_TRUE(compare(sw, 3, 2 * sw - 1, 6)) << sw;
}

TEST(ImageBlitScaled, LeftAndTopClipDropTheHiddenSourcePart)
{
    Source src(100, 100);
    Guarded dst(200, 200, 0);
    image_blit_scaled(&dst.image, -10, 0, 100, 100, &src.image, 0, 0, 100, 100, 0, 0);
    for (int x = 0; x < 90; x++)
        EXPECT_EQ(dst.at(x, 5), src.at(x + 10, 5)) << x;
    EXPECT_EQ(dst.at(90, 5), 0);

    Guarded top(200, 200, 0);
    image_blit_scaled(&top.image, 0, -30, 100, 100, &src.image, 0, 0, 100, 100, 0, 0);
    for (int y = 0; y < 70; y++)
        EXPECT_EQ(top.at(3, y), src.at(3, y + 30)) << y;
    EXPECT_EQ(top.at(3, 70), 0);
    EXPECT_TRUE(dst.guards_intact());
    EXPECT_TRUE(top.guards_intact());
}

TEST(ImageBlitScaled, RightAndBottomClipStayInside)
{
    Source src(64, 64);
    Guarded dst(100, 80, 0);
    image_blit_scaled(&dst.image, 60, 50, 128, 128, &src.image, 0, 0, 64, 64, 0, 0);
    EXPECT_EQ(dst.at(60, 50), src.at(0, 0));
    EXPECT_EQ(dst.at(99, 79), src.at(19, 14));
    EXPECT_EQ(dst.at(59, 50), 0);
    EXPECT_TRUE(dst.guards_intact());
}

TEST(ImageBlitScaled, SourceRunningOffIsStretchedOverTheRectangle)
{
    Source src(10, 10);
    Guarded dst(40, 40, 0);
    // Asks for 20 source columns from column 5: only 5 exist, spread over 20.
    image_blit_scaled(&dst.image, 0, 0, 20, 20, &src.image, 5, 5, 20, 20, 0, 0);
    EXPECT_EQ(dst.at(0, 0), src.at(5, 5));
    EXPECT_EQ(dst.at(19, 19), src.at(9, 9));
    EXPECT_EQ(dst.at(20, 0), 0);
    EXPECT_TRUE(dst.guards_intact());
}

TEST(ImageBlitScaled, EmptyAndOutsideRectanglesDrawNothing)
{
    Source src(16, 16);
    struct Case {
        const char* name;
        int dx, dy;
        uint32_t dw, dh;
        int sx, sy;
        uint32_t sw, sh;
    } cases[] = {
        {"negative source x", 0, 0, 8, 8, -1, 0, 8, 8},
        {"negative source y", 0, 0, 8, 8, 0, -1, 8, 8},
        {"zero width", 0, 0, 0, 8, 0, 0, 8, 8},
        {"zero source height", 0, 0, 8, 8, 0, 0, 8, 0},
        {"starts at right edge", 32, 0, 8, 8, 0, 0, 8, 8},
        {"starts below", 0, 32, 8, 8, 0, 0, 8, 8},
        {"source beyond its image", 0, 0, 8, 8, 16, 0, 8, 8},
        {"wholly left", -20, 0, 8, 8, 0, 0, 8, 8},
        {"wholly above", 0, -8, 8, 8, 0, 0, 8, 8},
        {"huge width from the left", -5, 0, 0xFFFFFFF0u, 8, 0, 0, 8, 8},
    };
    for (const Case& c : cases) {
        Guarded dst(32, 32, 0x55);
        image_blit_scaled(&dst.image, c.dx, c.dy, c.dw, c.dh, &src.image, c.sx, c.sy, c.sw, c.sh, 0, 0);
        EXPECT_TRUE(dst.guards_intact()) << c.name;
        bool untouched = true;
        for (int i = 0; i < 32 * 32; i++)
            untouched = untouched && dst.image.pixels[i] == 0x55;
        EXPECT_TRUE(untouched) << c.name;
    }
}

TEST(ImageBlitScaled, KeyedCopySkipsTheKey)
{
    Source src(8, 8);
    src.pixels[0] = 0;
    src.pixels[9] = 0;
    Guarded dst(8, 8, 0x77);
    image_blit_scaled(&dst.image, 0, 0, 8, 8, &src.image, 0, 0, 8, 8, 0, 1);
    EXPECT_EQ(dst.at(0, 0), 0x77);
    EXPECT_EQ(dst.at(1, 1), 0x77);
    EXPECT_EQ(dst.at(2, 0), src.at(2, 0));
    Guarded plain(8, 8, 0x77);
    image_blit_scaled(&plain.image, 0, 0, 8, 8, &src.image, 0, 0, 8, 8, 0, 0);
    EXPECT_EQ(plain.at(0, 0), 0);
}

TEST(ImageBlitScaled, RandomRectanglesNeverTouchGuards)
{
    unsigned state = 12345;
    auto next = [&state](int range) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % range);
    };
    Source src(37, 23);
    for (int n = 0; n < 3000; n++) {
        Guarded dst(41, 29, 0);
        image_blit_scaled(&dst.image, next(120) - 60, next(90) - 45, next(100), next(70),
                          &src.image, next(50) - 5, next(30) - 5, next(60), next(40),
                          static_cast<uint8_t>(next(256)), static_cast<uint8_t>(next(2)));
        ASSERT_TRUE(dst.guards_intact()) << n;
    }
}

}  // namespace
