// The demo's pictures as committed in grafika/: the generator reproduces
// them exactly, our reader and ImageMagick read them alike, and each meets
// the size and palette rules of the effect that shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/pcx.h"
#include "support/support.h"
#include "support/which.h"

namespace {

struct Loaded {
    int result = -1;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    uint8_t palette[768] = {0};
};

Loaded load(const char* name)
{
    Loaded out;
    std::string path = test_source_dir() + "/grafika/" + name;
    Image* image = nullptr;
    out.result = pcx_load(path.c_str(), &image, out.palette);
    if (image) {
        out.width = image->width;
        out.height = image->height;
        out.pixels.assign(image->pixels, image->pixels + static_cast<size_t>(image->width) * image->height);
        image_free(&image);
    }
    return out;
}

int at(const Loaded& p, int x, int y)
{
    return p.pixels[static_cast<size_t>(y) * p.width + x];
}

}  // namespace

TEST(Assets, GeneratorReproducesTheCommittedFiles)
{
    TempDir temp;
    const std::string& dir = temp.path;
    RunResult run = test_run({test_bin("quarrow-assets"), dir}, dir);
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> files = {"music/quarrow.xm"};
    for (const ScriptPictureUse& use : test_script_pictures())
        files.push_back(use.picture.path);
    for (const std::string& file : files) {
        std::string made = test_read_file(dir + "/" + file);
        std::string committed = test_read_file(test_source_dir() + "/" + file);
        EXPECT_FALSE(made.empty()) << file;
        EXPECT_TRUE(made == committed) << file << " differs from the generator's output";
    }
    EXPECT_LE(test_read_file(dir + "/music/quarrow.xm").size(), 1500u * 1000u);
}

TEST(Assets, EveryPictureLoadsAsVersionFiveWithItsSize)
{
    for (const ScriptPictureUse& use : test_script_pictures()) {
        const char* name = use.name.c_str();
        Loaded p = load(name);
        EXPECT_EQ(p.result, 5) << name;
        EXPECT_EQ(p.width, use.picture.width) << name;
        EXPECT_EQ(p.height, use.picture.height) << name;
    }
}

TEST(Assets, ImageMagickDecodesTheSameColours)
{
    for (const ScriptPictureUse& use : test_script_pictures()) {
        const char* name = use.name.c_str();
        Loaded p = load(name);
        ASSERT_EQ(p.result, 5) << name;
        std::string path = test_source_dir() + "/" + use.picture.path;
        RunResult run = test_run({test_which("convert"), path, "-depth", "8", "rgb:-"}, "");
        ASSERT_EQ(run.status, 0) << name << ": " << run.err;
        ASSERT_EQ(run.out.size(), p.pixels.size() * 3) << name;
        size_t wrong = 0;
        for (size_t i = 0; i < p.pixels.size(); i++)
            for (int c = 0; c < 3; c++)
                if (static_cast<uint8_t>(run.out[3 * i + c]) != p.palette[3 * p.pixels[i] + c])
                    wrong++;
        EXPECT_EQ(wrong, 0u) << name;
    }
}

TEST(Assets, PaletteRulesOfTheEffects)
{
    // The picture show fades by a sixteenth of each component: 1..15 would
    // never fade out.
    Loaded title = load("linux.pcx");
    for (int i = 0; i < 768; i++)
        EXPECT_FALSE(title.palette[i] >= 1 && title.palette[i] <= 15) << "component " << i;

    // e_06 shows all three through the palette of the last one loaded.
    Loaded sheet = load("e_06-3.pcx"), face = load("e_06-1.pcx"), back = load("e_06-2.pcx");
    EXPECT_EQ(memcmp(sheet.palette, back.palette, 768), 0);
    EXPECT_EQ(memcmp(face.palette, back.palette, 768), 0);

    // The plasma owns entries 128..255 and shows through colour 89.
    Loaded overlay = load("e_01.pcx");
    int clear = 0, highest = 0;
    for (uint8_t v : overlay.pixels) {
        clear += v == 89;
        highest = v > highest ? v : highest;
    }
    EXPECT_LE(highest, 127);
    EXPECT_GT(clear, 0);
    // Each quarter is shown on its own, so each must carry artwork.
    for (int q = 0; q < 4; q++) {
        int solid = 0;
        for (int y = 0; y < 120; y++)
            for (int x = 0; x < 160; x++)
                solid += at(overlay, (q & 1) * 160 + x, (q >> 1) * 120 + y) != 89;
        EXPECT_GT(solid, 160 * 120 / 10) << "quarter " << q;
        EXPECT_LT(solid, 160 * 120 * 7 / 10) << "quarter " << q;
    }
}

TEST(Assets, ReliefsAreSmoothAndSinkToZeroAtTheBorder)
{
    for (const char* name : {"e_04-1.pcx", "e_04-2.pcx", "e_04-3.pcx"}) {
        Loaded p = load(name);
        ASSERT_EQ(p.result, 5) << name;
        // The light reads neighbours across row ends and the effect clears
        // the first and last rows, so the border must already be 0.
        for (int x = 0; x < 320; x++) {
            EXPECT_EQ(at(p, x, 0), 0) << name;
            EXPECT_EQ(at(p, x, 239), 0) << name;
        }
        for (int y = 0; y < 240; y++) {
            EXPECT_EQ(at(p, 0, y), 0) << name;
            EXPECT_EQ(at(p, 319, y), 0) << name;
        }
        // Slopes are what the spotlight shows: present, but never cliffs.
        int steepest = 0, lowest = 255, highest = 0;
        for (int y = 1; y < 239; y++) {
            for (int x = 1; x < 319; x++) {
                steepest = std::max(steepest, std::abs(at(p, x + 1, y) - at(p, x - 1, y)));
                steepest = std::max(steepest, std::abs(at(p, x, y + 1) - at(p, x, y - 1)));
                lowest = std::min(lowest, at(p, x, y));
                highest = std::max(highest, at(p, x, y));
            }
        }
        EXPECT_LE(steepest, 56) << name;
        EXPECT_GE(highest - lowest, 60) << name;
    }
}

TEST(Assets, PoolFloorReadsUprightThroughTheEffectsAddressing)
{
    // e_02 reads screen column c, row r at byte c * 120 + r. The emblem is a
    // Q of dark glass, whose tail is the only dark mass in its lower right.
    Loaded p = load("e_02.pcx");
    ASSERT_EQ(p.result, 5);
    auto screen = [&](int c, int r) { return static_cast<int>(p.pixels[c * 120 + r]); };
    auto dark = [&](int c0, int r0) {
        int n = 0;
        for (int r = r0; r < r0 + 30; r++)
            for (int c = c0; c < c0 + 30; c++)
                n += screen(c, r) < 115;
        return n;
    };
    int tail = dark(100, 80);
    EXPECT_GT(tail, dark(30, 80) + 60) << "mirrored left to right";
    EXPECT_GT(tail, dark(100, 10) + 60) << "upside down";
}

TEST(Assets, PoolFloorIsBrightAndSmoothUnderTheRipples)
{
    // Calm water shows the floor at half brightness, so it must be bright;
    // and the ripples shift it by a few pixels from cell to cell, which turns
    // any fine texture or hard edge into noise.
    Loaded p = load("e_02.pcx");
    ASSERT_EQ(p.result, 5);
    long sum = 0;
    int lowest = 255, highest = 0, steepest = 0;
    for (int y = 0; y < p.height; y++) {
        for (int x = 0; x < p.width; x++) {
            int v = at(p, x, y);
            sum += v;
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
            if (x + 1 < p.width)
                steepest = std::max(steepest, std::abs(at(p, x + 1, y) - v));
            if (y + 1 < p.height)
                steepest = std::max(steepest, std::abs(at(p, x, y + 1) - v));
        }
    }
    double mean = static_cast<double>(sum) / (p.width * p.height);
    EXPECT_GE(mean, 150.0);
    EXPECT_LE(mean, 200.0);
    EXPECT_GE(highest - lowest, 120) << "the emblem must stand out";
    EXPECT_LE(steepest, 64);
}

TEST(Assets, DiscTextureWrapsWithoutASeam)
{
    Loaded p = load("e_07.pcx");
    ASSERT_EQ(p.result, 5);
    auto step = [&](int x0, int y0, int x1, int y1) {
        int a = at(p, x0, y0), b = at(p, x1, y1), d = 0;
        for (int c = 0; c < 3; c++)
            d += std::abs(p.palette[3 * a + c] - p.palette[3 * b + c]);
        return d;
    };
    // Colour steps across the wrap must look like steps inside the picture.
    double across_x = 0, inside_x = 0, across_y = 0, inside_y = 0;
    for (int y = 0; y < 240; y++) {
        across_x += step(319, y, 0, y);
        inside_x += step(159, y, 160, y);
    }
    for (int x = 0; x < 320; x++) {
        across_y += step(x, 239, x, 0);
        inside_y += step(x, 119, x, 120);
    }
    EXPECT_LT(across_x, inside_x * 1.5 + 240 * 8);
    EXPECT_LT(across_y, inside_y * 1.5 + 320 * 8);
}
