// The rotating and zooming blit: exact copies and zooms at angle 0, the
// centre of odd-sized sources, keyed mode, and clipping of blocks that run
// off the destination.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "effects/blit_rotated.h"
#include "support/guarded.h"
#include "support/support.h"

namespace {

uint8_t rotated_pattern(int x, int y)
{
    return static_cast<uint8_t>(1 + x + 16 * y);
}

struct Source : PatternSource {
    Source(int width, int height) : PatternSource(width, height, rotated_pattern) {}
};

// Zoom z at angle 0 maps block pixel (i, j) to source (c + z(i - c), ...),
// rounded down, with c the rounded-down centre; -1 when it falls outside.
int source_column(int i, int centre, double zoom, int size)
{
    int column = static_cast<int>(std::floor(centre + zoom * (i - centre)));
    return column >= 0 && column < size ? column : -1;
}

void expect_zoomed(const Guarded& dst, const Source& src, double zoom)
{
    const int w = src.image.width, h = src.image.height;
    for (int j = 0; j < h; j++)
        for (int i = 0; i < w; i++) {
            int sc = source_column(i, w / 2, zoom, w);
            int sr = source_column(j, h / 2, zoom, h);
            int expected = sc >= 0 && sr >= 0 ? src.at(sc, sr) : 0;
            ASSERT_EQ(dst.at(i, j), expected) << "block pixel " << i << "," << j;
        }
}

}  // namespace

TEST(BlitRotatedZoom, AngleZeroCopiesAndZooms)
{
    Source src(16, 12);
    {
        Guarded dst(16, 12, 0);
        blit_rotated(&dst.image, &src.image, 0, 0, 1.0f, 0.0f, 0, 0);
        EXPECT_EQ(std::vector<uint8_t>(dst.image.pixels, dst.image.pixels + 16 * 12), src.pixels);
    }
    {
        // Zoom 2: the whole source at half size in the middle, the rest untouched.
        Guarded dst(16, 12, 0);
        blit_rotated(&dst.image, &src.image, 0, 0, 2.0f, 0.0f, 0, 0);
        expect_zoomed(dst, src, 2.0);
        EXPECT_EQ(dst.at(4, 3), src.at(0, 0));
        EXPECT_EQ(dst.at(11, 8), src.at(14, 10));
        EXPECT_EQ(dst.at(3, 3), 0);
    }
    {
        // Zoom 0.5: the middle half fills the block, each pixel as a 2 x 2 square.
        Guarded dst(16, 12, 0);
        blit_rotated(&dst.image, &src.image, 0, 0, 0.5f, 0.0f, 0, 0);
        expect_zoomed(dst, src, 0.5);
        EXPECT_EQ(dst.at(0, 0), src.at(4, 3));
        EXPECT_EQ(dst.at(15, 11), src.at(11, 8));
    }
}

TEST(BlitRotatedZoom, OddSizedSourceTurnsAboutTheRoundedDownCentre)
{
    // 5 x 3: centre (2, 1). At zoom 2 block column 3 reads column 4, column 1
    // reads column 0, and columns 0 and 4 fall outside.
    Source src(5, 3);
    Guarded dst(5, 3, 0);
    blit_rotated(&dst.image, &src.image, 0, 0, 2.0f, 0.0f, 0, 0);
    EXPECT_EQ(dst.at(2, 1), src.at(2, 1));
    EXPECT_EQ(dst.at(3, 1), src.at(4, 1));
    EXPECT_EQ(dst.at(1, 1), src.at(0, 1));
    EXPECT_EQ(dst.at(0, 1), 0);
    EXPECT_EQ(dst.at(4, 1), 0);
    EXPECT_EQ(dst.at(2, 0), 0);

    // A half turn keeps the centre where it is, whatever the rounding of P and Q.
    Guarded turned(5, 3, 0);
    blit_rotated(&turned.image, &src.image, 0, 0, 1.0f, static_cast<float>(M_PI), 0, 0);
    EXPECT_EQ(turned.at(2, 1), src.at(2, 1));
}

TEST(BlitRotatedKey, KeyedModeSkipsTheKeyPlainModeDrawsIt)
{
    std::vector<uint8_t> pixels = test_pixels(8, 8, [](int x, int y) { return (x + y) % 3 == 0 ? 9 : x + 1; });
    Image src{8, 8, pixels.data()};
    Guarded keyed(8, 8, 200), plain(8, 8, 200);
    blit_rotated(&keyed.image, &src, 0, 0, 1.0f, 0.0f, 9, 1);
    blit_rotated(&plain.image, &src, 0, 0, 1.0f, 0.0f, 9, 0);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++) {
            uint8_t s = pixels[y * 8 + x];
            EXPECT_EQ(keyed.at(x, y), s == 9 ? 200 : s);
            EXPECT_EQ(plain.at(x, y), s);
        }
}

// Blocks hanging over each edge, or lying wholly outside, draw only their
// part inside the destination: the guard bytes stay intact, a block running
// off the right edge does not wrap into the next row, and a turned source,
// whose corners reach beyond its block, is cut at the block's sides.
TEST(BlitRotatedClip, BlocksOffTheDestinationAreClipped)
{
    Source src(10, 6);
    const struct {
        int column, row;
    } offsets[] = {{-3, 0},  {0, -2}, {15, 0}, {0, 8},  {-4, -4}, {16, 10},
                   {-20, 0}, {40, 3}, {0, -9}, {3, 30}, {5, 3}};
    for (auto o : offsets) {
        for (float angle : {0.0f, 0.7f}) {
            Guarded dst(20, 12, 0);
            blit_rotated(&dst.image, &src.image, o.column, o.row, 1.0f, angle, 0, 0);
            EXPECT_TRUE(dst.guards_intact()) << o.column << "," << o.row << " angle " << angle;
            for (int y = 0; y < 12; y++)
                for (int x = 0; x < 20; x++) {
                    int i = x - o.column, j = y - o.row;
                    bool inside = i >= 0 && i < 10 && j >= 0 && j < 6;
                    if (angle == 0.0f || !inside) {
                        ASSERT_EQ(dst.at(x, y), inside ? src.at(i, j) : 0)
                            << "offset " << o.column << "," << o.row << " angle " << angle
                            << " pixel " << x << "," << y;
                    }
                }
        }
    }
    // A block larger than the destination in both directions.
    Source big(64, 48);
    Guarded small(20, 12, 0);
    blit_rotated(&small.image, &big.image, -5, -7, 0.8f, 1.3f, 0, 0);
    EXPECT_TRUE(small.guards_intact());
    // Zooms whose steps do not fit 16.16, and a NaN angle.
    for (float zoom : {1e9f, -1e9f, 40000.0f})
        blit_rotated(&small.image, &big.image, -5, -7, zoom, 0.3f, 0, 0);
    blit_rotated(&small.image, &big.image, 0, 0, 1.0f, std::nanf(""), 0, 0);
    EXPECT_TRUE(small.guards_intact());
}
