// The swaying mesh and spinning card: the fixed grid and how its points sway,
// the card's placement and face, and whole runs of the effect on stand-in
// pictures of one colour each, so that every pixel tells which picture it
// came from.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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

// A mesh picture whose every texel tells its grid cell, 1 + column + 16 x row,
// and two flat faces, drawn over a zeroed 320 x 240 frame.
class MeshSway : public ::testing::Test {
protected:
    static constexpr int MW = 150, MH = 110;
    void SetUp() override
    {
        trig_init();
        mesh_pixels_ = test_pixels(MW, MH, [](int u, int v) {
            int column = 0, row = 0;
            while (column < 14 && texel(column + 1, 0).x <= u)
                column++;
            while (row < 10 && texel(0, row + 1).y <= v)
                row++;
            return 1 + column + 16 * row;
        });
        face1_pixels_.assign(64 * 64, FACE1);
        face2_pixels_.assign(48 * 40, FACE2);
        mesh_ = Image{MW, MH, mesh_pixels_.data()};
        face1_ = Image{64, 64, face1_pixels_.data()};
        face2_ = Image{48, 40, face2_pixels_.data()};
        ASSERT_EQ(polygon_tables_create(240, &table_a_, &table_b_), 0);
        e06_init(&scene_, &frame_, &mesh_, &face1_, &face2_, table_a_, table_b_, 300);
    }
    void TearDown() override { polygon_tables_free(&table_a_, &table_b_); }

    static PolyPoint texel(int i, int j)
    {
        return {e06_grid_line(i, MW, 15), e06_grid_line(j, MH, 11)};
    }

    // Where grid point (i, j) lies in frame t: only the points off the border
    // sway, each with its column sideways and its row up and down.
    static PolyPoint point(int i, int j, int32_t t)
    {
        PolyPoint p{e06_grid_line(i, 320, 15), e06_grid_line(j, 240, 11)};
        if (i == 0 || i == 15 || j == 0 || j == 11)
            return p;
        int32_t turn = 32 * t;
        p.x += (trig_sin(static_cast<int32_t>(turn * 1.37) + 1000 * i / 32) >> 6) +
               (trig_sin(turn >> 1) >> 6);
        p.y += (trig_cos(static_cast<int32_t>(turn * 0.781) + 1000 * j / 24) >> 6) +
               (trig_sin(turn >> 2) >> 6);
        return p;
    }

    std::vector<uint8_t> frame_pixels_ = std::vector<uint8_t>(320 * 240, 0);
    std::vector<uint8_t> mesh_pixels_, face1_pixels_, face2_pixels_;
    Image frame_{320, 240, frame_pixels_.data()};
    Image mesh_, face1_, face2_;
    EdgeEntry* table_a_ = nullptr;
    EdgeEntry* table_b_ = nullptr;
    E06Scene scene_;
};

TEST_F(MeshSway, BorderPointsStayOnTheFrameEdge)
{
    // In frame 2 column 5 (x = 106) swings 18 to the right and row 1 (y = 21)
    // 14 down, but their points on the top and left edges stay put.
    ASSERT_EQ(point(5, 1, 2).x, 106 + 18);
    ASSERT_EQ(point(1, 1, 2).y, 21 + 14);
    e06_draw(&scene_, &frame_, 2);
    auto cell = [&](int x, int y) { return frame_pixels_[y * 320 + x]; };
    EXPECT_EQ(cell(104, 0), 1 + 4);
    EXPECT_EQ(cell(108, 0), 1 + 5);
    EXPECT_EQ(cell(0, 19), 1 + 0);
    EXPECT_EQ(cell(0, 23), 1 + 16);
}

TEST_F(MeshSway, EarlyFrameMatchesTheGridDrawnPointByPoint)
{
    // The expected frame is drawn without e06_draw: every grid point placed
    // by the rule above, the quads and the card through the renderer itself.
    const int32_t t = 3;
    std::vector<uint8_t> expected(320 * 240, 0);
    for (int i = 0; i < 15; i++)
        for (int j = 0; j < 11; j++) {
            const PolyPoint points[4] = {point(i, j, t), point(i + 1, j, t), point(i + 1, j + 1, t),
                                         point(i, j + 1, t)};
            const PolyPoint coords[4] = {texel(i, j), texel(i + 1, j), texel(i + 1, j + 1),
                                         texel(i, j + 1)};
            draw_textured_polygon(expected.data(), 320, 240, table_a_, table_b_, points, coords, 4,
                                  mesh_.pixels, MW, MH);
        }
    PolyPoint corners[4];
    e06_card_place(t, 300, corners);
    const Image& face = e06_card_side(corners) < 0 ? face1_ : face2_;
    const PolyPoint coords[4] = {{0, 0}, {face.width - 1, 0}, {face.width - 1, face.height - 1},
                                 {0, face.height - 1}};
    draw_textured_polygon(expected.data(), 320, 240, table_a_, table_b_, corners, coords, 4,
                          face.pixels, face.width, face.height);

    e06_draw(&scene_, &frame_, t);
    int differing = 0;
    for (int k = 0; k < 320 * 240; k++)
        differing += frame_pixels_[k] != expected[k];
    EXPECT_EQ(differing, 0);
}

class MeshRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        uint8_t palette[768];
        for (int i = 0; i < 768; i++)
            palette[i] = static_cast<uint8_t>(i * 5);
        memcpy(face2_palette_, palette, sizeof palette);
        test_write_flat_picture(dir_, "e_06-3.pcx", 100, 50, MESH);
        test_write_flat_picture(dir_, "e_06-1.pcx", 64, 64, FACE1);
        test_write_flat_picture(dir_, "e_06-2.pcx", 48, 40, FACE2, palette);
        trig_init();
    }
    // The script's mesh for duration tenths, in the folder of the pictures.
    EffectRun run_mesh(Image* frame, unsigned duration, const CaptureEach& each)
    {
        auto mesh = [&] {
            effect_e06(frame, duration, test_script_picture(STEP_E06, 0), test_script_picture(STEP_E06, 1),
                       test_script_picture(STEP_E06, 2));
        };
        return test_run_effect(mesh, false, each, dir_);
    }

    PictureDir temp_;
    const std::string& dir_ = temp_.path;
    uint8_t face2_palette_[768];
};

TEST_F(MeshRun, EveryFrameCoversTheFrameAndShowsTheFaceItsSideChooses)
{
    TestFrame frame;
    int frames = 0;
    bool faces_seen[2] = {false, false};
    std::string out = run_mesh(frame, 300,
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
            }).out;
    EXPECT_EQ(frames, 363);
    EXPECT_TRUE(faces_seen[0]);
    EXPECT_TRUE(faces_seen[1]);
    EXPECT_EQ(out, "e_06:\t 363 - Screens,\t Screens/sec - 12.100000\n");
}

TEST_F(MeshRun, ZeroDurationDrawsNothing)
{
    TestFrame frame;
    int frames = 0;
    run_mesh(frame, 0, [&](int, const Image*, const uint8_t*) { frames++; });
    EXPECT_EQ(frames, 0);
    for (int i = 0; i < 320 * 240; i++)
        ASSERT_EQ(frame->pixels[i], 0);
}

}  // namespace
