// e_04, the spotlit relief: the tinted ramp, the spot table, the lit frame of
// a flat picture, the light's bounce and its position across runs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/random.h"
#include "core/trig.h"
#include "display/display.h"
#include "effects/e_04.h"
#include "effects/effects.h"
#include "support/effect_run.h"
#include "support/support.h"

TEST(ReliefTables, RampTruncatesAndCaps)
{
    uint8_t palette[768];
    e04_build_ramp(palette, 0.7f, 0.9f, 1.3f);
    // 0.7f is just under 0.7: entry 10 gives 6, not 7.
    EXPECT_EQ(palette[3 * 10], 6);
    EXPECT_EQ(palette[3 * 100], 69);
    EXPECT_EQ(palette[3 * 255], 178);
    EXPECT_EQ(palette[3 * 10 + 1], 8);  // 0.9f is just under 0.9 as well
    EXPECT_EQ(palette[3 * 196 + 2], 254);
    for (int j = 197; j < 256; j++)
        ASSERT_EQ(palette[3 * j + 2], 255) << j;
    EXPECT_EQ(palette[0], 0);
    EXPECT_EQ(palette[2], 0);
}

TEST(ReliefTables, SpotIsRoundAroundTheCentre)
{
    std::vector<uint8_t> spot(E04_SPOT_SIDE * E04_SPOT_SIDE);
    e04_build_spot(spot.data());
    auto at = [&](int r, int c) { return spot[r * E04_SPOT_SIDE + c]; };
    EXPECT_EQ(at(128, 128), 255);
    EXPECT_EQ(at(128, 129), 251);   // 255 x (127/128)^2
    EXPECT_EQ(at(128, 192), 63);    // half way out: 255 / 4
    EXPECT_EQ(at(64, 128), 63);
    EXPECT_EQ(at(128, 0), 0);
    EXPECT_EQ(at(0, 0), 0);
    for (int r = 0; r < 256; r++)
        for (int c = 0; c < 256; c++) {
            int d2 = (r - 128) * (r - 128) + (c - 128) * (c - 128);
            if (d2 >= 128 * 128) {
                ASSERT_EQ(at(r, c), 0) << r << "," << c;
            }
            if (r > 0 && c > 0) {
                ASSERT_EQ(at(r, c), at(256 - r, c)) << r << "," << c;
                ASSERT_EQ(at(r, c), at(c, r)) << r << "," << c;
            }
        }
    // Never brighter further out along a row.
    for (int c = 129; c < 256; c++)
        ASSERT_LE(at(128, c), at(128, c - 1));
}

// On a flat picture only the distance to the light counts: rows 2-237 show
// a round spot about the light, brightest (255) at the light alone and 0 at
// 128 pixels or more. Rows 0 and 239 show the cleared picture rows.
TEST(ReliefFrame, FlatPictureGivesARoundSpot)
{
    std::vector<uint8_t> spot(E04_SPOT_SIDE * E04_SPOT_SIDE);
    e04_build_spot(spot.data());
    std::vector<uint8_t> height_pixels(320 * 240, 50);
    memset(height_pixels.data(), 0, 320);
    memset(height_pixels.data() + 239 * 320, 0, 320);
    Image heights{320, 240, height_pixels.data()};
    std::vector<uint8_t> frame_pixels(320 * 240, 9);
    Image frame{320, 240, frame_pixels.data()};

    const int lx = 140, ly = 110;
    e04_light_frame(&frame, &heights, spot.data(), lx, ly);
    auto at = [&](int x, int y) { return frame_pixels[y * 320 + x]; };
    for (int x = 0; x < 320; x++) {
        ASSERT_EQ(at(x, 0), 0);
        ASSERT_EQ(at(x, 239), 0);
    }
    int brightest = 0;
    for (int y = 2; y < 238; y++)
        for (int x = 0; x < 320; x++) {
            int dx = x - lx, dy = y - ly;
            if (dx * dx + dy * dy >= 128 * 128) {
                ASSERT_EQ(at(x, y), 0) << x << "," << y;
            } else if (dx * dx + dy * dy < 120 * 120) {
                ASSERT_GT(at(x, y), 0) << x << "," << y;
            }
            if (at(x, y) == 255)
                brightest++;
            // Mirror images about the light, where they are on screen.
            int mx = lx - dx, my = ly - dy;
            if (mx >= 0 && mx < 320 && my >= 2 && my < 238) {
                ASSERT_EQ(at(x, y), at(mx, my)) << x << "," << y;
            }
        }
    EXPECT_EQ(at(lx, ly), 255);
    EXPECT_EQ(brightest, 1);
    // Row 1 sees the cleared row above as a slope of 50.
    EXPECT_EQ(at(lx, 1), spot[(50 + ly - 1 + 128 > 255 ? 255 : 50 + ly - 1 + 128) * 256 + 128]);
}

// A slope moves the look-up: a step up to the right of a pixel shifts it
// like a light 40 pixels further right.
TEST(ReliefFrame, SlopeShiftsTheLookUp)
{
    std::vector<uint8_t> spot(E04_SPOT_SIDE * E04_SPOT_SIDE);
    e04_build_spot(spot.data());
    std::vector<uint8_t> height_pixels(320 * 240, 0);
    height_pixels[100 * 320 + 151] = 40;  // right neighbour of (150, 100)
    Image heights{320, 240, height_pixels.data()};
    std::vector<uint8_t> frame_pixels(320 * 240);
    Image frame{320, 240, frame_pixels.data()};
    e04_light_frame(&frame, &heights, spot.data(), 150, 100);
    EXPECT_EQ(frame_pixels[100 * 320 + 150], spot[128 * 256 + 168]);
    // Its left neighbour (152, 100) sees the step going down: -40.
    EXPECT_EQ(frame_pixels[100 * 320 + 152], spot[128 * 256 + 128 - 2 - 40]);
}

// A step past a margin ends, in the same frame, one step of the new speed
// (6 + random_below(4)) back from the previous position.
TEST(ReliefLight, BounceLandsOneNewStepBack)
{
    struct Case {
        int position, direction, speed, low, high;
    } cases[] = {
        {295, 1, 7, 20, 300},   // 302 > 300
        {22, -1, 7, 20, 300},   // 15 < 20
        {220, 1, 9, 15, 225},   // 229 > 225
        {20, -1, 6, 15, 225},   // 14 < 15
    };
    for (unsigned seed : {1u, 2u, 77u, 1234u}) {
        for (const Case& c : cases) {
            srand(seed);
            int new_speed = 6 + random_below(4);
            srand(seed);
            int position = c.position, direction = c.direction, speed = c.speed;
            e04_light_axis(&position, &direction, &speed, c.low, c.high);
            EXPECT_EQ(direction, -c.direction);
            EXPECT_EQ(speed, new_speed);
            EXPECT_EQ(position, c.position - c.direction * new_speed) << "seed " << seed;
            EXPECT_GE(speed, 6);
            EXPECT_LE(speed, 9);
        }
    }
    // Landing on a margin itself is no bounce and draws nothing.
    srand(5);
    int expected_next = rand();
    srand(5);
    int position = 293, direction = 1, speed = 7;
    e04_light_axis(&position, &direction, &speed, 20, 300);
    EXPECT_EQ(position, 300);
    EXPECT_EQ(direction, 1);
    EXPECT_EQ(speed, 7);
    position = 27, direction = -1;
    e04_light_axis(&position, &direction, &speed, 20, 300);
    EXPECT_EQ(position, 20);
    EXPECT_EQ(rand(), expected_next);
}

namespace {

// Where the single 255 of a frame is: the light, on a flat picture.
std::pair<int, int> light_in(const CapturedFrame& f)
{
    for (int y = 2; y < 238; y++)
        for (int x = 0; x < 320; x++)
            if (f.pixels[y * 320 + x] == 255)
                return {x, y};
    return {-1, -1};
}

}  // namespace

// Two runs on a flat picture: the light starts at (160, 120), moves 7 right
// and 7 down a frame, and the second run starts where the first left it.
TEST(ReliefRun, LightCarriesOverBetweenRuns)
{
    TempDir dir;
    trig_init();
    srand(1);
    e04_light_reset();
    std::vector<uint8_t> flat(320 * 240, 30);
    uint8_t palette[768] = {};
    // A data folder of its own, so the title picture keeps the lookup here.
    test_write_all_pictures(dir.path);
    std::string path = test_write_picture(dir.path, "flat.pcx", Image{320, 240, flat.data()}, palette);
    TestFrame frame;

    auto relief = [&] { effect_e04(frame, 5, 1.3f, 0.7f, 1.0f, path.c_str()); };
    EffectRun run1 = test_run_effect(relief, true, nullptr, dir.path);
    EffectRun run2 = test_run_effect(relief, true, nullptr, dir.path);
    const std::vector<CapturedFrame>& first = run1.frames;

    // Duration 5: frames at t = 0 .. 581, the last the first to reach 500.
    EXPECT_EQ(run1.out + run2.out, "e_04:\t 8 - Screens,\t Screens/sec - 16.000000\n"
                                   "e_04:\t 8 - Screens,\t Screens/sec - 16.000000\n");
    ASSERT_EQ(first.size(), 8u);
    for (int k = 0; k < 8; k++)
        EXPECT_EQ(light_in(first[k]), std::make_pair(160 + 7 * k, 120 + 7 * k)) << "frame " << k;
    ASSERT_FALSE(run2.frames.empty());
    EXPECT_EQ(light_in(run2.frames[0]), std::make_pair(216, 176));
    // The 16th step takes y to 232, past 225: it bounces back up.
    EXPECT_EQ(e04_light_state()->x, 160 + 7 * 16);
    EXPECT_EQ(e04_light_state()->y_direction, -1);
    // The ramp is in the shared palette: factor 1.3 red, 0.7 green.
    EXPECT_EQ(shared_palette[3 * 196], 254);
    EXPECT_EQ(shared_palette[3 * 10 + 1], 6);
    e04_light_reset();
}
