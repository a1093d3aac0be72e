// The PCX reader and writer against other programs: files written at test
// time by ImageMagick and netpbm must load to the colours those programs
// decode from them, files of our writer must decode in ImageMagick to our
// colours, and the pcxinfo tool reports them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "image/pcx.h"
#include "support/pcx_files.h"
#include "support/stdout_capture.h"
#include "support/support.h"
#include "support/which.h"

namespace {

// A picture of 200 distinct colours: stripes and blocks (long runs, some
// crossing into the next line's start) beside a noisy band (no runs).
struct Picture {
    int width, height;
    std::vector<uint8_t> pixels;
    uint8_t palette[768] = {};

    Picture(int w, int h) : width(w), height(h)
    {
        for (int i = 0; i < 200; i++) {
            palette[3 * i] = static_cast<uint8_t>(i * 37);
            palette[3 * i + 1] = static_cast<uint8_t>(i * 91 + 7);
            palette[3 * i + 2] = static_cast<uint8_t>(255 - i);
        }
        pixels = test_pixels(w, h, [w](int x, int y) {
            if (x > w / 2 && x < w / 2 + 20)
                return static_cast<int>((x * 2654435761u + y * 40503u) >> 7) % 200;
            return ((x / 23) * 3 + (y / 5) * 11) % 200;
        });
    }

    // Each pixel's colour, as RGB bytes.
    std::string rgb() const
    {
        std::string out;
        for (uint8_t index : pixels)
            out.append(reinterpret_cast<const char*>(palette + 3 * index), 3);
        return out;
    }
};

std::string rgb_of(const Image* image, const uint8_t* palette)
{
    std::string out;
    for (size_t i = 0; i < static_cast<size_t>(image->width) * image->height; i++)
        out.append(reinterpret_cast<const char*>(palette + 3 * image->pixels[i]), 3);
    return out;
}

// "" when both RGB strings match, else where and how they first differ.
std::string first_difference(const std::string& ours, const std::string& theirs)
{
    if (ours.size() != theirs.size())
        return "sizes " + std::to_string(ours.size()) + " and " + std::to_string(theirs.size());
    for (size_t i = 0; i < ours.size(); i += 3)
        if (ours.compare(i, 3, theirs, i, 3) != 0)
            return "pixel " + std::to_string(i / 3) + ": ours " + std::to_string(uint8_t(ours[i])) + "," +
                   std::to_string(uint8_t(ours[i + 1])) + "," + std::to_string(uint8_t(ours[i + 2])) +
                   " theirs " + std::to_string(uint8_t(theirs[i])) + "," +
                   std::to_string(uint8_t(theirs[i + 1])) + "," + std::to_string(uint8_t(theirs[i + 2]));
    return "";
}

void write_ppm(const std::string& path, int width, int height, const std::string& rgb)
{
    test_write_file(path, "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n" + rgb);
}

// The RGB bytes of a binary PPM ("P6 w h 255" and one whitespace byte).
std::string ppm_rgb(const std::string& ppm, int* width, int* height)
{
    std::istringstream in(ppm);
    std::string magic;
    int max = 0;
    in >> magic >> *width >> *height >> max;
    if (magic != "P6" || max != 255)
        return "";
    return ppm.substr(static_cast<size_t>(in.tellg()) + 1);
}

std::string imagemagick_rgb(const std::string& path)
{
    RunResult r = test_run({test_which("convert"), path, "-depth", "8", "rgb:-"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

const struct Size {
    int width, height;
} sizes[] = {{1, 1}, {2, 5}, {37, 12}, {320, 240}, {333, 250}};

class PcxInterop : public testing::Test {
protected:
    TempDir temp;
    const std::string& dir = temp.path;
};

// Loads path, expecting an 8-bit single-plane version-5 file of the size of
// picture, and returns its pixels' colours.
std::string load_rgb(const std::string& path, const Picture& picture)
{
    Image* image;
    uint8_t palette[768] = {};
    int result = pcx_load(path.c_str(), &image, palette);
    EXPECT_EQ(result, 5);
    if (result < 0)
        return "";
    EXPECT_EQ(image->width, picture.width);
    EXPECT_EQ(image->height, picture.height);
    std::string rgb = rgb_of(image, palette);
    image_free(&image);
    return rgb;
}

}  // namespace

TEST_F(PcxInterop, ImageMagickPaletteFilesLoadToItsColours)
{
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.width);
        Picture picture(size.width, size.height);
        write_ppm(dir + "/in.ppm", size.width, size.height, picture.rgb());
        std::string pcx = dir + "/im.pcx";
        RunResult made = test_run({test_which("convert"), dir + "/in.ppm", "-colors", "200", "-type", "Palette",
                                   "PCX:" + pcx},
                                  "");
        ASSERT_EQ(made.status, 0) << made.err;
        std::string header = test_read_file(pcx).substr(0, 128);
        ASSERT_EQ(header[3], 8);   // bits per pixel
        ASSERT_EQ(header[65], 1);  // planes
        std::string theirs = imagemagick_rgb(pcx);
        EXPECT_EQ(first_difference(load_rgb(pcx, picture), theirs), "");
        // 200 colours fit the table, so nothing was lost on the way.
        EXPECT_EQ(first_difference(picture.rgb(), theirs), "");
    }
}

TEST_F(PcxInterop, NetpbmFilesLoadToItsColours)
{
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.width);
        Picture picture(size.width, size.height);
        write_ppm(dir + "/in.ppm", size.width, size.height, picture.rgb());
        RunResult made = test_run({test_which("ppmtopcx"), "-8bit", dir + "/in.ppm"}, "");
        ASSERT_EQ(made.status, 0) << made.err;
        std::string pcx = dir + "/nb.pcx";
        test_write_file(pcx, made.out);
        RunResult back = test_run({test_which("pcxtoppm"), pcx}, "");
        ASSERT_EQ(back.status, 0) << back.err;
        int width, height;
        std::string theirs = ppm_rgb(back.out, &width, &height);
        ASSERT_EQ(width, size.width);
        ASSERT_EQ(height, size.height);
        EXPECT_EQ(first_difference(load_rgb(pcx, picture), theirs), "");
        // Both readers agree with the picture we started from.
        EXPECT_EQ(first_difference(picture.rgb(), theirs), "");
    }
}

TEST_F(PcxInterop, NetpbmTrueColourFileIsRefusedWithTheMessage)
{
    // More than 256 colours make ppmtopcx write three planes.
    std::string rgb;
    for (int i = 0; i < 32 * 32; i++)
        rgb += std::string{static_cast<char>(i), static_cast<char>(i >> 2), static_cast<char>(i * 5)};
    write_ppm(dir + "/in.ppm", 32, 32, rgb);
    RunResult made = test_run({test_which("ppmtopcx"), dir + "/in.ppm"}, "");
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(made.out[65], 3);
    std::string pcx = dir + "/truecolour.pcx";
    test_write_file(pcx, made.out);
    Image* image;
    uint8_t palette[768] = {};
    test_stdout_capture_begin();
    EXPECT_EQ(pcx_load(pcx.c_str(), &image, palette), -1);
    EXPECT_EQ(test_stdout_capture_end(), "Unable to handle Color PCX image\n");
    EXPECT_EQ(image, nullptr);
}

TEST_F(PcxInterop, OurFilesDecodeElsewhereToOurColours)
{
    // Odd widths are stored in even lines; ImageMagick and netpbm must cut
    // the padding as we do. Values of 0xC0 and above exercise the count byte.
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.width);
        Picture picture(size.width, size.height);
        for (size_t i = 0; i < picture.pixels.size(); i += 3)
            picture.pixels[i] = static_cast<uint8_t>(0xC0 + i % 8);
        Image image{size.width, size.height, picture.pixels.data()};
        std::string pcx = dir + "/ours.pcx";
        ASSERT_EQ(pcx_write(pcx.c_str(), &image, picture.palette), 0);
        EXPECT_EQ(first_difference(picture.rgb(), imagemagick_rgb(pcx)), "");
        RunResult back = test_run({test_which("pcxtoppm"), pcx}, "");
        ASSERT_EQ(back.status, 0) << back.err;
        int width, height;
        EXPECT_EQ(first_difference(picture.rgb(), ppm_rgb(back.out, &width, &height)), "");
    }
}

TEST_F(PcxInterop, PcxinfoReportsEachFile)
{
    Picture picture(37, 12);
    Image image{37, 12, picture.pixels.data()};
    std::string ours = dir + "/ours.pcx";
    ASSERT_EQ(pcx_write(ours.c_str(), &image, picture.palette), 0);
    PcxTestHeader header = test_pcx_header_for(640, 480);
    header.version = 2;
    test_write_file(dir + "/old.pcx", test_pcx_header(header));
    header.version = 4;
    test_write_file(dir + "/v4.pcx", test_pcx_header(header));
    test_write_file(dir + "/text.pcx", std::string(200, 'x'));

    RunResult good = test_run({test_bin("pcxinfo"), ours, "old.pcx"}, dir);
    EXPECT_EQ(good.status, 0);
    EXPECT_EQ(good.out, ours + " is a 37x12 PC Paintbrush image - Version 3.0 / 256 colors palette\n"
                               "old.pcx is a 640x480 PC Paintbrush image - Version 2.8 w/palette information\n");
    EXPECT_EQ(good.err, "");

    ASSERT_EQ(mkfifo((dir + "/pipe.pcx").c_str(), 0600), 0);
    RunResult bad = test_run(
        {test_bin("pcxinfo"), "v4.pcx", "text.pcx", "missing.pcx", ".", "pipe.pcx", "old.pcx"}, dir);
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "v4.pcx is a 640x480 PC Paintbrush image - Version ERROR\n"
                       "old.pcx is a 640x480 PC Paintbrush image - Version 2.8 w/palette information\n");
    EXPECT_EQ(bad.err, "pcxinfo: text.pcx: no PC Paintbrush header\n"
                       "pcxinfo: missing.pcx: No such file or directory\n"
                       "pcxinfo: .: Is a directory\n"
                       "pcxinfo: pipe.pcx: not a regular file\n");

    RunResult none = test_run({test_bin("pcxinfo")}, dir);
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
    RunResult help = test_run({test_bin("pcxinfo"), "--help"}, dir);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: pcxinfo FILE...\n", 0), 0u) << help.out;
}
