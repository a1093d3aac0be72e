// The sine table, the angle reduction and the random draw: the table values
// the effects' geometry depends on, and the reduction against the true
// mathematical remainder over a wide range of angles.
#include <gtest/gtest.h>

#include <climits>

#include "core/random.h"
#include "core/trig.h"

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

}  // namespace
