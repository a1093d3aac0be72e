// The swaying mesh and spinning card: the fixed grid, the card's placement
// and face, and whole runs of the effect on stand-in pictures of one colour
// each, so that every pixel tells which picture it came from.
#include <gtest/gtest.h>

#include <cstring>

#include "core/trig.h"
#include "support/effect_run.h"
#include "effects/e_06.h"
#include "effects/effects.h"
#include "support/support.h"

namespace {

constexpr uint8_t MESH = 7, FACE1 = 201, FACE2 = 202;

TEST(MeshGrid, LinesSpanTheFrameExactly)
{
    const int32_t columns[16] = {0, 21, 42, 64, 85, 106, 128, 149, 171, 192, 213, 235, 256, 278, 299, 320};
    const int32_t rows[12] = {0, 21, 43, 65, 87, 109, 131, 153, 175, 197, 219, 240};
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(e06_grid_line(i, 320, 15), columns[i]) << i;
    for (int j = 0; j < 12; j++)
        EXPECT_EQ(e06_grid_line(j, 240, 11), rows[j]) << j;
    EXPECT_EQ(e06_grid_line(15, 256, 15), 256);
    EXPECT_EQ(e06_grid_line(11, 37, 11), 37);
}

TEST(MeshCard, FirstFrameIsADiamondShowingTheFirstFace)
{
    trig_init();
    PolyPoint corners[4];
    e06_card_place(0, 300, corners);
    const PolyPoint expected[4] = {{199, 199}, {239, 159}, {199, 119}, {159, 159}};
    for (int k = 0; k < 4; k++) {
        EXPECT_EQ(corners[k].x, expected[k].x) << k;
        EXPECT_EQ(corners[k].y, expected[k].y) << k;
    }
    EXPECT_EQ(e06_card_side(corners), -3200);
    // Edge-on counts as the second face.
    const PolyPoint flat[4] = {{0, 0}, {10, 10}, {20, 20}, {30, 30}};
    EXPECT_EQ(e06_card_side(flat), 0);
}

class MeshRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = test_make_dir();
        test_write_all_pictures(dir_);
        uint8_t palette[768];
        for (int i = 0; i < 768; i++)
            palette[i] = static_cast<uint8_t>(i * 5);
        memcpy(face2_palette_, palette, sizeof palette);
        test_write_flat_picture(dir_, "e_06-3.pcx", 100, 50, MESH);
        test_write_flat_picture(dir_, "e_06-1.pcx", 64, 64, FACE1);
        test_write_flat_picture(dir_, "e_06-2.pcx", 48, 40, FACE2, palette);
        trig_init();
    }
    void TearDown() override { test_remove_tree(dir_); }

    std::string dir_;
    uint8_t face2_palette_[768];
};

TEST_F(MeshRun, EveryFrameCoversTheFrameAndShowsTheFaceItsSideChooses)
{
    Image* frame = nullptr;
    ASSERT_EQ(image_create(&frame, 320, 240), 0);
    int frames = 0;
    bool faces_seen[2] = {false, false};
    std::string out;
    {
        ScopedWorkDir work(dir_);
        out = test_observe_frames([&] { effect_e06(frame, 300); },
            [&](int index, const Image* f, const uint8_t* palette) {
                frames++;
                ASSERT_EQ(memcmp(palette, face2_palette_, 768), 0) << index;
                int count[256] = {0};
                for (int i = 0; i < 320 * 240; i++)
                    count[f->pixels[i]]++;
                // The mesh reaches every pixel, even in the first frame over
                // the zeroed buffer, and only the three pictures show.
                ASSERT_EQ(count[MESH] + count[FACE1] + count[FACE2], 320 * 240) << index;
                PolyPoint corners[4];
                e06_card_place(index, 300, corners);
                bool first = e06_card_side(corners) < 0;
                ASSERT_EQ(count[first ? FACE2 : FACE1], 0) << index;
                faces_seen[first ? 0 : 1] |= count[first ? FACE1 : FACE2] > 0;
                if (index == 0) {
                    // The diamond of half-diagonal 40: its top and right
                    // corners and bottom row are left out.
                    EXPECT_EQ(count[FACE1], 3200);
                    auto at = [&](int x, int y) { return f->pixels[y * 320 + x]; };
                    EXPECT_EQ(at(199, 159), FACE1);
                    EXPECT_EQ(at(159, 159), FACE1);
                    EXPECT_EQ(at(238, 159), FACE1);
                    EXPECT_EQ(at(239, 159), MESH);
                    EXPECT_EQ(at(199, 119), MESH);
                    EXPECT_EQ(at(199, 120), FACE1);
                    EXPECT_EQ(at(198, 198), FACE1);
                    EXPECT_EQ(at(199, 199), MESH);
                }
            });
    }
    image_free(&frame);
    EXPECT_EQ(frames, 363);
    EXPECT_TRUE(faces_seen[0]);
    EXPECT_TRUE(faces_seen[1]);
    EXPECT_EQ(out, "e_06:\t 363 - Screens,\t Screens/sec - 12.100000\n");
}

TEST_F(MeshRun, ZeroDurationDrawsNothing)
{
    Image* frame = nullptr;
    ASSERT_EQ(image_create(&frame, 320, 240), 0);
    int frames = 0;
    {
        ScopedWorkDir work(dir_);
        test_observe_frames([&] { effect_e06(frame, 0); },
                            [&](int, const Image*, const uint8_t*) { frames++; });
    }
    EXPECT_EQ(frames, 0);
    for (int i = 0; i < 320 * 240; i++)
        ASSERT_EQ(frame->pixels[i], 0);
    image_free(&frame);
}

}  // namespace
