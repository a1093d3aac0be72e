// The sine table, the angle reduction and the random draw: the table values
// the effects' geometry depends on, and the reduction against the true
// mathematical remainder over a wide range of angles. Last, every value the
// effects compute in floating point, which must be the same on every build.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "core/fp_round.h"
#include "core/random.h"
#include "core/trig.h"
#include "effects/blit_rotated.h"
#include "effects/e_04.h"
#include "effects/e_06.h"
#include "effects/e_07.h"

namespace {

class Tables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { trig_init(); }
};

TEST_F(Tables, KnownSineAndCosineEntries)
{
    struct Row {
        int i, sine, cosine;
    } rows[] = {{0, 0, 1023},      {1, 6, 1022},     {100, 601, 827},    {125, 723, 723},
                {250, 1023, 0},    {375, 723, -723}, {500, 0, -1023},    {625, -723, -723},
                {750, -1023, 0},   {999, -6, 1022}};
    for (const Row& r : rows) {
        EXPECT_EQ(trig_table[r.i], r.sine) << r.i;
        EXPECT_EQ(trig_table[1000 + r.i], r.cosine) << r.i;
        EXPECT_EQ(trig_sin(r.i), r.sine) << r.i;
        EXPECT_EQ(trig_cos(r.i), r.cosine) << r.i;
    }
    EXPECT_EQ(trig_sin(-250), trig_sin(750));
    EXPECT_EQ(trig_cos(1250), 0);
    EXPECT_EQ(trig_sin(7), 44);
    EXPECT_EQ(trig_cos(7), 1022);
}

// The effects turn shapes by adding 250 or 500 to an angle; every entry of
// both halves must agree with those quarter and half turns and the mirror.
TEST_F(Tables, EveryEntryFitsTheTurnsOfTheCircle)
{
    for (int i = 0; i < 1000; i++) {
        ASSERT_EQ(trig_cos(i), trig_sin(i + 250)) << i;
        ASSERT_EQ(trig_sin(i + 500), -trig_sin(i)) << i;
        ASSERT_EQ(trig_sin(1000 - i), -trig_sin(i)) << i;
    }
}

TEST(TrigReduce, EqualsMathematicalRemainder)
{
    auto remainder = [](long long a) { return static_cast<int>(((a % 1000) + 1000) % 1000); };
    EXPECT_EQ(trig_reduce(-1), 999);
    EXPECT_EQ(trig_reduce(-1000), 0);
    EXPECT_EQ(trig_reduce(-1001), 999);
    EXPECT_EQ(trig_reduce(1000), 0);
    EXPECT_EQ(trig_reduce(2345), 345);
    for (long long a = -2000000; a <= 2000000; a += 7)
        ASSERT_EQ(trig_reduce(static_cast<int>(a)), remainder(a)) << a;
    for (long long a : {static_cast<long long>(INT_MIN), INT_MIN + 1LL, INT_MAX - 1LL,
                        static_cast<long long>(INT_MAX)})
        EXPECT_EQ(trig_reduce(static_cast<int>(a)), remainder(a)) << a;
}

TEST(Random, ScalesTheHighBits)
{
    EXPECT_EQ(random_scale(0, 4), 0);
    EXPECT_EQ(random_scale((1 << 29) - 1, 4), 0);
    EXPECT_EQ(random_scale(1 << 29, 4), 1);
    EXPECT_EQ(random_scale(3 << 29, 4), 3);
    EXPECT_EQ(random_scale(INT_MAX, 4), 3);
    EXPECT_EQ(random_scale(INT_MAX, 400), 399);
    for (int n = 0; n < 10000; n++) {
        int r = random_below(400);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 400);
    }
}

TEST(Random, SeedFromTimeOfDay)
{
    struct tm at{};
    at.tm_hour = 12;
    at.tm_min = 34;
    at.tm_sec = 0;
    EXPECT_EQ(random_seed_for(&at), 0u);
    at.tm_hour = 0;
    at.tm_min = 0;
    at.tm_sec = 59;
    EXPECT_EQ(random_seed_for(&at), 59u);
    at.tm_hour = 23;
    at.tm_min = 59;
    at.tm_sec = 59;
    EXPECT_EQ(random_seed_for(&at), 84960u);
}

// FNV-1a over the bytes of values; the known hashes are the 64-bit build's.
struct Hash {
    uint32_t h = 2166136261u;
    template <typename T> void add(const T& value)
    {
        unsigned char bytes[sizeof value];
        memcpy(bytes, &value, sizeof value);
        for (unsigned char b : bytes)
            h = (h ^ b) * 16777619u;
    }
};

// The 32-bit build computes on the x87, where a step that is not rounded to
// its type, or a different mathematics library, shows here as another hash.
TEST_F(Tables, FloatingPointResultsAreTheSameOnEveryBuild)
{
    Hash sines;
    for (int32_t v : trig_table)
        sines.add(v);
    EXPECT_EQ(sines.h, 4138829905u) << "trig table";

    std::vector<uint8_t> spot(E04_SPOT_SIDE * E04_SPOT_SIDE);
    e04_build_spot(spot.data());
    Hash spots;
    for (uint8_t v : spot)
        spots.add(v);
    EXPECT_EQ(spots.h, 2782721042u) << "relief spot";

    Hash cards;
    for (unsigned duration : {300u, 7u})
        for (int32_t t = 0; t < 4000; t++) {
            PolyPoint corners[4];
            e06_card_place(t, duration, corners);
            for (const PolyPoint& c : corners) {
                cards.add(c.x);
                cards.add(c.y);
            }
        }
    EXPECT_EQ(cards.h, 1511662252u) << "mesh card";

    Hash rings;
    for (int32_t w = 0; w < 2000; w += 7)
        rings.add(e07_ring_step(w, w * 3 / 4 + 1));
    EXPECT_EQ(rings.h, 1171561781u) << "disc rings";

    // The turning blit at the closing transition's angles and more, whose
    // steps come from the library's cosine and sine.
    Image* src = nullptr;
    Image* dst = nullptr;
    ASSERT_EQ(image_create(&src, 64, 48), 0);
    ASSERT_EQ(image_create(&dst, 64, 48), 0);
    for (int i = 0; i < 64 * 48; i++)
        src->pixels[i] = static_cast<uint8_t>(i * 7 + i / 64);
    Hash turns;
    float angle = 0;
    for (int n = 0; n < 200; n++) {
        image_fill(dst, 0);
        float zoom = fp_float(1.0f + fp_float(static_cast<float>(n % 5) * 0.37f));
        blit_rotated(dst, src, 0, 0, zoom, angle, 0, 0);
        for (int i = 0; i < 64 * 48; i++)
            turns.add(dst->pixels[i]);
        angle = fp_float(static_cast<float>(fp_double(angle + 0.23)));
    }
    image_free(&src);
    image_free(&dst);
    EXPECT_EQ(turns.h, 829333095u) << "turning blit";
}

}  // namespace
