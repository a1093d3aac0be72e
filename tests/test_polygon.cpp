// The textured polygon renderer: exact coverage and texel placement on small
// frames, clipping on every side, wrapping of texture coordinates, and a
// randomized run against an obvious reference and guard bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "effects/polygon.h"

namespace {

constexpr int GUARD = 64;
constexpr uint8_t FRAME_GUARD = 0xA5;
constexpr uint8_t TEXTURE_GUARD = 0xF7;
constexpr uint8_t BACKGROUND = 200;  // texture values stay below 100

// A frame, a texture and two edge tables, each with guard zones on both sides.
struct Bench {
    int width, height, tw, th;
    std::vector<uint8_t> frame;
    std::vector<uint8_t> texture;
    std::vector<EdgeEntry> table_a, table_b;

    Bench(int w, int h, int texture_width, int texture_height)
        : width(w), height(h), tw(texture_width), th(texture_height),
          frame(w * h + 2 * GUARD, FRAME_GUARD), texture(tw * th + 2 * GUARD, TEXTURE_GUARD),
          table_a(h + 2 * GUARD), table_b(h + 2 * GUARD)
    {
        memset(frame.data() + GUARD, BACKGROUND, w * h);
        fill_tables(0x5A5A5A5A);
    }
    uint8_t* pixels() { return frame.data() + GUARD; }
    uint8_t& at(int x, int y) { return pixels()[y * width + x]; }
    uint8_t* texels() { return texture.data() + GUARD; }
    void fill_tables(int32_t value)
    {
        for (auto* table : {&table_a, &table_b})
            for (EdgeEntry& e : *table)
                e = {value, value, value};
    }
    void draw(const std::vector<PolyPoint>& points, const std::vector<PolyPoint>& coords)
    {
        draw_textured_polygon(pixels(), width, height, table_a.data() + GUARD,
                              table_b.data() + GUARD, points.data(), coords.data(),
                              static_cast<int32_t>(points.size()), texels(), tw, th);
    }
    // Guards intact and every pixel either untouched or a texture value.
    ::testing::AssertionResult intact(int32_t table_value = 0x5A5A5A5A)
    {
        for (int i = 0; i < GUARD; i++) {
            if (frame[i] != FRAME_GUARD || frame[GUARD + width * height + i] != FRAME_GUARD)
                return ::testing::AssertionFailure() << "frame guard written at " << i;
            if (texture[i] != TEXTURE_GUARD || texture[GUARD + tw * th + i] != TEXTURE_GUARD)
                return ::testing::AssertionFailure() << "texture guard written at " << i;
            for (auto* table : {&table_a, &table_b}) {
                const EdgeEntry& lo = (*table)[i];
                const EdgeEntry& hi = (*table)[GUARD + height + i];
                if (lo.x != table_value || lo.u != table_value || lo.v != table_value ||
                    hi.x != table_value || hi.u != table_value || hi.v != table_value)
                    return ::testing::AssertionFailure() << "table guard written at " << i;
            }
        }
        for (int i = 0; i < width * height; i++) {
            uint8_t p = pixels()[i];
            if (p != BACKGROUND && p >= 100)
                return ::testing::AssertionFailure()
                       << "pixel " << i << " = " << int(p) << " read outside the texture";
        }
        return ::testing::AssertionSuccess();
    }
};

// The renderer's rules step by step with 64-bit values, stepping through
// clipped rows and columns instead of jumping over them, and the
// mathematical remainder for every texture size.
void reference_draw(std::vector<uint8_t>& frame, int width, int height,
                    const std::vector<PolyPoint>& p, const std::vector<PolyPoint>& t,
                    const uint8_t* texture, int tw, int th)
{
    int n = static_cast<int>(p.size());
    if (n < 3)
        return;
    int top = 0, bottom = 0;
    for (int i = 1; i < n; i++) {
        if (p[i].y < p[top].y) top = i;
        if (p[i].y > p[bottom].y) bottom = i;
    }
    if (p[top].y == p[bottom].y)
        return;
    struct Row { int64_t x, u, v; };
    std::vector<Row> tables[2] = {std::vector<Row>(height), std::vector<Row>(height)};
    for (int side = 0; side < 2; side++) {
        for (int i = top; i != bottom;) {
            int j = side == 0 ? (i + 1) % n : (i + n - 1) % n;
            int64_t dy = p[j].y - p[i].y;
            if (dy > 0) {
                int64_t sx = (int64_t(p[j].x - p[i].x) * 65536) / dy;
                int64_t su = (int64_t(t[j].x - t[i].x) * 65536) / dy;
                int64_t sv = (int64_t(t[j].y - t[i].y) * 65536) / dy;
                int64_t x = int64_t(p[i].x) * 65536, u = int64_t(t[i].x) * 65536,
                        v = int64_t(t[i].y) * 65536;
                for (int y = p[i].y; y < p[j].y; y++, x += sx, u += su, v += sv)
                    if (y >= 0 && y < height)
                        tables[side][y] = {x >> 16, u, v};
            }
            i = j;
        }
    }
    for (int y = std::max(p[top].y, 0); y < std::min(p[bottom].y, height); y++) {
        Row l = tables[0][y], r = tables[1][y];
        if (r.x < l.x)
            std::swap(l, r);
        if (l.x == r.x)
            continue;
        int64_t su = (r.u - l.u) / (r.x - l.x), sv = (r.v - l.v) / (r.x - l.x);
        int64_t u = l.u, v = l.v;
        for (int64_t x = l.x; x < r.x; x++, u += su, v += sv) {
            if (x < 0 || x >= width)
                continue;
            int64_t c = ((u >> 16) % tw + tw) % tw, w = ((v >> 16) % th + th) % th;
            frame[y * width + x] = texture[c + tw * w];
        }
    }
}

std::vector<PolyPoint> square(int x0, int y0, int x1, int y1)
{
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

TEST(PolygonCoverage, SquareTakesTexelXYAtPixelXYInBothWindings)
{
    for (bool reversed : {false, true}) {
        Bench b(16, 14, 10, 10);
        for (int i = 0; i < 100; i++)
            b.texels()[i] = static_cast<uint8_t>(i);
        std::vector<PolyPoint> points = square(0, 0, 10, 10);
        std::vector<PolyPoint> coords = points;
        if (reversed) {
            std::reverse(points.begin(), points.end());
            std::reverse(coords.begin(), coords.end());
        }
        b.draw(points, coords);
        for (int y = 0; y < 14; y++)
            for (int x = 0; x < 16; x++)
                ASSERT_EQ(b.at(x, y), x < 10 && y < 10 ? y * 10 + x : BACKGROUND)
                    << "reversed " << reversed << " at " << x << "," << y;
        EXPECT_TRUE(b.intact());
    }
}

TEST(PolygonCoverage, SharedEdgesNeitherOverlapNorLeaveGaps)
{
    // Two triangles of a quad and the quad's right neighbour: every pixel of
    // the 20 x 10 area is drawn exactly once (counted through a 1 x 1 texture).
    Bench b(24, 12, 1, 1);
    b.texels()[0] = 1;
    std::vector<std::vector<PolyPoint>> parts = {
        {{0, 0}, {7, 0}, {5, 10}}, {{0, 0}, {5, 10}, {0, 10}}, {{7, 0}, {20, 0}, {20, 10}, {5, 10}}};
    std::vector<int> count(24 * 12, 0);
    for (const auto& part : parts) {
        memset(b.pixels(), 0, 24 * 12);
        b.draw(part, std::vector<PolyPoint>(part.size(), {0, 0}));
        for (int i = 0; i < 24 * 12; i++)
            count[i] += b.pixels()[i];
    }
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 24; x++)
            ASSERT_EQ(count[y * 24 + x], x < 20 && y < 10 ? 1 : 0) << x << "," << y;
}

TEST(PolygonClipping, AllFourSidesStartWhereTheInterpolationReaches)
{
    // A 40 x 40 square from (-10, -10) with texture coordinates 0..20: half a
    // texel per pixel, so frame pixel (x, y) shows texel ((x + 10) / 2, (y + 10) / 2).
    // Columns and rows are checked through two textures holding column and row.
    for (int what = 0; what < 2; what++) {
        Bench b(16, 12, 40, 40);
        for (int v = 0; v < 40; v++)
            for (int u = 0; u < 40; u++)
                b.texels()[v * 40 + u] = static_cast<uint8_t>(what == 0 ? u : v);
        b.draw(square(-10, -10, 30, 30), square(0, 0, 20, 20));
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 16; x++)
                ASSERT_EQ(b.at(x, y), ((what == 0 ? x : y) + 10) / 2) << x << "," << y;
        EXPECT_TRUE(b.intact());
    }
}

TEST(PolygonClipping, SlopedEdgesAboveAndLeftMatchStepping)
{
    // Steps that are not whole pixels: advancing to row 0 and column 0 in one
    // go must land where stepping row by row and pixel by pixel would.
    std::vector<std::vector<PolyPoint>> shapes = {
        {{-37, -53}, {61, -20}, {25, 47}, {-45, 30}},
        {{5, -90}, {70, 33}, {-60, 21}},
        {{-80, 2}, {3, -7}, {90, 40}, {-9, 61}},
    };
    for (const auto& shape : shapes) {
        Bench b(40, 30, 13, 7);
        for (int i = 0; i < 13 * 7; i++)
            b.texels()[i] = static_cast<uint8_t>(i);
        std::vector<PolyPoint> coords = {{3, 1}, {90, 4}, {57, 66}, {-2, 30}};
        coords.resize(shape.size());
        b.draw(shape, coords);
        std::vector<uint8_t> expected(40 * 30, BACKGROUND);
        reference_draw(expected, 40, 30, shape, coords, b.texels(), 13, 7);
        ASSERT_EQ(std::vector<uint8_t>(b.pixels(), b.pixels() + 40 * 30), expected);
        EXPECT_TRUE(b.intact());
    }
}

TEST(PolygonDegenerate, TooFewVerticesAndFlatShapesTouchNothing)
{
    Bench b(10, 10, 4, 4);
    std::vector<PolyPoint> points = {{1, 1}, {8, 2}, {5, 9}};
    for (int count = 0; count < 3; count++) {
        std::vector<PolyPoint> p(points.begin(), points.begin() + count);
        b.draw(p, p);
    }
    b.draw({{0, 4}, {9, 4}, {5, 4}, {2, 4}}, {{0, 0}, {3, 0}, {3, 3}, {0, 3}});
    b.draw({{-5, -3}, {20, -3}, {7, -3}}, {{0, 0}, {3, 0}, {3, 3}});
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(b.pixels()[i], BACKGROUND);
    for (int y = 0; y < 10; y++) {
        EXPECT_EQ(b.table_a[GUARD + y].x, 0x5A5A5A5A);
        EXPECT_EQ(b.table_b[GUARD + y].u, 0x5A5A5A5A);
    }
    EXPECT_TRUE(b.intact());
}

TEST(PolygonDegenerate, EmptyTexturesDrawNothing)
{
    for (int tw : {0, 3})
        for (int th : {0, -2}) {
            Bench b(10, 10, tw, th < 0 ? 0 : th);
            draw_textured_polygon(b.pixels(), 10, 10, b.table_a.data() + GUARD,
                                  b.table_b.data() + GUARD, square(0, 0, 5, 5).data(),
                                  square(0, 0, 5, 5).data(), 4, b.texels(), tw, th);
            for (int i = 0; i < 100; i++)
                ASSERT_EQ(b.pixels()[i], BACKGROUND);
            EXPECT_TRUE(b.intact());
        }
}

TEST(PolygonDegenerate, WhollyOutsideTheFrameDrawsNothing)
{
    Bench b(10, 10, 4, 4);
    for (const auto& p : {square(-20, 2, 0, 8), square(10, 2, 30, 8), square(2, -9, 8, 0),
                          square(2, 10, 8, 19), square(3, 3, 3, 8)})
        b.draw(p, square(0, 0, 3, 3));
    for (int i = 0; i < 100; i++)
        ASSERT_EQ(b.pixels()[i], BACKGROUND);
    EXPECT_TRUE(b.intact());
}

// Pixel (0, 0) alone, with every vertex at texture coordinate (u, v).
uint8_t texel_at(Bench& b, int u, int v)
{
    b.at(0, 0) = BACKGROUND;
    b.draw(square(0, 0, 1, 1), std::vector<PolyPoint>(4, {u, v}));
    return b.at(0, 0);
}

TEST(PolygonWrap, PowerOfTwoAndOtherSizesRepeatInBothDirections)
{
    Bench b64(2, 2, 64, 64);
    for (int i = 0; i < 64 * 64; i++)
        b64.texels()[i] = static_cast<uint8_t>((i % 64 + i / 64 * 3) % 97);
    auto t64 = [&](int u, int v) { return b64.texels()[u + 64 * v]; };
    EXPECT_EQ(texel_at(b64, 64, 5), t64(0, 5));
    EXPECT_EQ(texel_at(b64, -1, 5), t64(63, 5));
    EXPECT_EQ(texel_at(b64, 7, 64), t64(7, 0));
    EXPECT_EQ(texel_at(b64, 7, -1), t64(7, 63));

    Bench b320(2, 2, 320, 3);
    for (int i = 0; i < 320 * 3; i++)
        b320.texels()[i] = static_cast<uint8_t>((i % 320) % 89 + i / 320);
    auto t320 = [&](int u, int v) { return b320.texels()[u + 320 * v]; };
    EXPECT_EQ(texel_at(b320, 320, 1), t320(0, 1));
    EXPECT_EQ(texel_at(b320, 319, 1), t320(319, 1));
    EXPECT_EQ(texel_at(b320, 5, 3), t320(5, 0));
    // Negative coordinates on a size without a mask still land inside.
    EXPECT_EQ(texel_at(b320, -1, 1), t320(319, 1));
    EXPECT_EQ(texel_at(b320, -321, -4), t320(319, 2));
    EXPECT_TRUE(b64.intact());
    EXPECT_TRUE(b320.intact());
}

std::vector<PolyPoint> random_polygon(std::mt19937& rng, bool convex, int lo, int hi)
{
    std::uniform_int_distribution<int> count(3, 7), coord(lo, hi), angle(0, 999);
    int n = count(rng);
    std::vector<PolyPoint> p(n);
    if (convex) {
        // Points on an ellipse in angular order.
        std::vector<int> angles(n);
        for (int& a : angles)
            a = angle(rng);
        std::sort(angles.begin(), angles.end());
        double cx = coord(rng), cy = coord(rng);
        double rx = std::abs(coord(rng)) + 1, ry = std::abs(coord(rng)) + 1;
        for (int i = 0; i < n; i++) {
            double a = angles[i] * 6.283185307179586 / 1000;
            p[i] = {static_cast<int>(cx + rx * std::cos(a)), static_cast<int>(cy + ry * std::sin(a))};
        }
    } else {
        for (PolyPoint& q : p)
            q = {coord(rng), coord(rng)};
    }
    return p;
}

TEST(PolygonRandom, MatchesReferenceAndStaysInsideEveryBuffer)
{
    std::mt19937 rng(20240611);
    const int sizes[][2] = {{64, 64}, {256, 256}, {13, 7}, {1, 1}, {320, 240}};
    std::uniform_int_distribution<int> garbage(INT_MIN, INT_MAX), tex(-300, 300);
    for (int round = 0; round < 4000; round++) {
        const int* size = sizes[round % 5];
        Bench b(37, 23, size[0], size[1]);
        unsigned salt = rng();
        for (int i = 0; i < size[0] * size[1]; i++)
            b.texels()[i] = static_cast<uint8_t>((i * 37u + salt) % 100);
        std::vector<PolyPoint> points = random_polygon(rng, round % 2 == 0, -60, 100);
        std::vector<PolyPoint> coords(points.size());
        for (PolyPoint& c : coords)
            c = {tex(rng), tex(rng)};
        // Stale table contents from earlier calls must never show.
        int32_t stale = garbage(rng);
        b.fill_tables(stale);
        b.draw(points, coords);
        std::vector<uint8_t> expected(37 * 23, BACKGROUND);
        reference_draw(expected, 37, 23, points, coords, b.texels(), size[0], size[1]);
        ASSERT_EQ(std::vector<uint8_t>(b.pixels(), b.pixels() + 37 * 23), expected)
            << "round " << round;
        ASSERT_TRUE(b.intact(stale)) << "round " << round;
    }
}

TEST(PolygonRandom, ValuesBeyondTheExactRangeStayInsideEveryBuffer)
{
    // Edges far longer than 32768 overflow the 16.16 values; the picture is
    // then meaningless, but nothing outside the buffers may be touched.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX), small(-50, 80);
    for (int round = 0; round < 3000; round++) {
        Bench b(29, 17, round % 2 ? 64 : 11, round % 2 ? 64 : 5);
        for (int i = 0; i < b.tw * b.th; i++)
            b.texels()[i] = static_cast<uint8_t>(rng() % 100);
        int n = 3 + round % 4;
        std::vector<PolyPoint> points(n), coords(n);
        for (int i = 0; i < n; i++) {
            bool wide = rng() % 3 == 0;
            points[i] = {wide ? any(rng) : small(rng), rng() % 4 == 0 ? any(rng) : small(rng)};
            coords[i] = {any(rng), any(rng)};
        }
        b.draw(points, coords);
        ASSERT_TRUE(b.intact()) << "round " << round;
    }
}

TEST(PolygonTables, CreateRefusesEmptyHeightsAndFreeClears)
{
    EdgeEntry* a = reinterpret_cast<EdgeEntry*>(1);
    EdgeEntry* b = reinterpret_cast<EdgeEntry*>(1);
    EXPECT_EQ(polygon_tables_create(0, &a, &b), -1);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(polygon_tables_create(-240, &a, &b), -1);
    ASSERT_EQ(polygon_tables_create(240, &a, &b), 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    a[239] = b[239] = {1, 2, 3};
    polygon_tables_free(&a, &b);
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
}

}  // namespace
