// The first half of the script through quarrow-render on the virtual clock:
// the statistics lines, frames read back from the PNG files, and the fatal
// paths of the pictures these effects load.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/support.h"
#include "support/transcript.h"

namespace {

struct RenderDir {
    RunResult render(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {test_bin("quarrow-render")};
        argv.insert(argv.end(), args.begin(), args.end());
        return test_run(argv, dir);
    }
    PictureDir temp;
    const std::string& dir = temp.path;
};

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Frames of one script step as listed in frames.tsv, in order.
std::vector<std::string> step_frames(const std::string& dir, int step)
{
    std::vector<std::string> files;
    for (const std::string& line : lines_of(test_read_file(dir + "/frames.tsv"))) {
        long frame;
        int s;
        if (sscanf(line.c_str(), "%ld\t%d", &frame, &s) == 2 && s == step) {
            char name[32];
            snprintf(name, sizeof name, "/%06ld.png", frame);
            files.push_back(dir + name);
        }
    }
    return files;
}

}  // namespace

// Every frame starts exactly 83 ms after the one before: a duration of 100
// shows frames at t = 0 .. 10043 (122 frames), e_05 stops after the frame at
// 1328 ms (17 frames), e_02 with 350 after the one at 35026 ms (423 frames),
// and e_03 always shows 23, the last read at 1826 ms. Lines of the effects
// drawn elsewhere (e_01, e_06, e_07) are left out, so the list holds whether
// or not they are in the build.
TEST(RenderStatistics, LinesOfTheseEffectsInScriptOrder)
{
    RenderDir run;
    RunResult result = run.render({"--seed", "1"});
    ASSERT_EQ(result.status, 0) << result.err;
    auto these = [](const std::string& text) {
        std::vector<std::string> kept;
        for (const std::string& line : lines_of(text))
            if (line.rfind("e_01:", 0) != 0 && line.rfind("e_06:", 0) != 0 && line.rfind("e_07:", 0) != 0)
                kept.push_back(line);
        return kept;
    };
    EXPECT_EQ(these(result.out), these(DEMO_STATISTICS));
}

// The same seed gives the same water; another seed other rain.
TEST(RenderStatistics, WaterFramesFollowTheSeed)
{
    RenderDir a, b, c;
    ASSERT_EQ(a.render({"--frames", "f", "--steps", "12", "--seed", "5"}).status, 0);
    ASSERT_EQ(b.render({"--frames", "f", "--steps", "12", "--seed", "5"}).status, 0);
    ASSERT_EQ(c.render({"--frames", "f", "--steps", "12", "--seed", "6"}).status, 0);
    std::vector<std::string> fa = step_frames(a.dir + "/f", 12);
    std::vector<std::string> fb = step_frames(b.dir + "/f", 12);
    std::vector<std::string> fc = step_frames(c.dir + "/f", 12);
    const std::string water = demo_statistics_line("e_02");
    size_t shown = std::stoul(water.substr(water.find('\t') + 2));
    ASSERT_EQ(fa.size(), shown);
    ASSERT_EQ(fb.size(), shown);
    ASSERT_EQ(fc.size(), shown);
    bool all_same = true, any_differs = false;
    for (size_t i = 0; i < fa.size(); i += 20) {
        PngFrame pa, pb, pc;
        ASSERT_TRUE(test_read_png(fa[i], &pa) && test_read_png(fb[i], &pb) && test_read_png(fc[i], &pc));
        all_same = all_same && pa.pixels == pb.pixels;
        any_differs = any_differs || pa.pixels != pc.pixels;
    }
    EXPECT_TRUE(all_same);
    EXPECT_TRUE(any_differs);
}

// Step 1 read back from the PNG files: black while the picture is already in
// the frame, the fade-in, the exact source colours from frame 22, and a
// fade-out of 25 steps over the last 2 s (frames 97-121) that takes a
// sixteenth off each frame and stops at 0 instead of wrapping.
TEST(RenderPictureShow, PaletteScheduleInTheWrittenFrames)
{
    RenderDir run;
    ASSERT_EQ(run.render({"--frames", "f", "--steps", "1", "--seed", "1"}).status, 0);
    std::vector<std::string> files = step_frames(run.dir + "/f", 1);
    ASSERT_EQ(files.size(), 122u);
    std::vector<PngFrame> frames(files.size());
    for (size_t i = 0; i < files.size(); i++)
        ASSERT_TRUE(test_read_png(files[i], &frames[i])) << files[i];
    const std::vector<uint8_t>& source = frames[22].palette;
    for (int n = 0; n < 5; n++)
        EXPECT_EQ(frames[n].palette, std::vector<uint8_t>(768, 0)) << "frame " << n;
    for (int n = 5; n < 22; n++)
        for (int i = 0; i < 768; i++)
            ASSERT_EQ(frames[n].palette[i], (n - 4) * (source[i] >> 4)) << "frame " << n << " byte " << i;
    for (int n = 23; n < 97; n++)
        EXPECT_EQ(frames[n].palette, source) << "frame " << n;
    for (int n = 97; n < 122; n++)
        for (int i = 0; i < 768; i++) {
            int left = source[i] - (n - 96) * (source[i] >> 4);
            ASSERT_EQ(frames[n].palette[i], left > 0 ? left : 0) << "frame " << n << " byte " << i;
        }
    for (const PngFrame& frame : frames)
        ASSERT_EQ(frame.pixels, frames[0].pixels);
    EXPECT_EQ(frames[0].pixels[1 * 320 + 3], (3 + 2 * 1) & 255);
}

// e_02's first frame, doubled: the stand-in is stored 120 wide and 160 high
// (column c, row r holds 2c + r), so working pixel (x, y) reads the file's
// column y of row x, that is 2y + x, at half brightness.
TEST(RenderWater, FirstFrameIsThePictureAtHalfBrightness)
{
    RenderDir run;
    ASSERT_EQ(run.render({"--frames", "f", "--steps", "12", "--seed", "3"}).status, 0);
    std::vector<std::string> files = step_frames(run.dir + "/f", 12);
    ASSERT_FALSE(files.empty());
    PngFrame first;
    ASSERT_TRUE(test_read_png(files[0], &first));
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            int wx = x / 2 < 159 ? x / 2 : 158;
            int texel = (2 * (y / 2) + wx) & 255;
            ASSERT_EQ(first.pixels[y * 320 + x], (128 * texel) >> 8) << x << "," << y;
        }
    EXPECT_EQ(first.palette[3 * 77], 77);
    EXPECT_EQ(first.palette[3 * 77 + 2], 77);
}

namespace {

std::string fatal_transcript(int before)
{
    // The statistics lines the script prints before the failing step.
    std::string out;
    for (const std::string& line : lines_of(DEMO_STATISTICS))
        if (before-- > 0)
            out += line + "\n";
    return out;
}

// The pictures of the first half, up to the water; all but the water's must
// have the frame's size.
struct PictureCase {
    std::string name;
    int lines_before;
    bool size_checked;
};

std::vector<PictureCase> first_half_pictures()
{
    std::vector<PictureCase> cases;
    for (const ScriptPictureUse& use : test_script_pictures())
        if (use.step <= 12)
            cases.push_back({use.name, use.lines_before, use.kind != STEP_E02});
    return cases;
}

}  // namespace

// A missing picture, or one that is not a picture, ends the run with the
// load message after the lines of the steps before; the exit status is 1.
TEST(RenderFatal, MissingOrUnreadablePicture)
{
    for (const PictureCase& c : first_half_pictures()) {
        for (bool garbage : {false, true}) {
            RenderDir run;
            std::string path = run.dir + "/grafika/" + c.name;
            if (garbage)
                test_write_file(path, "not a picture");
            else
                remove(path.c_str());
            RunResult result = run.render({"--seed", "1"});
            EXPECT_EQ(result.status, 1) << c.name;
            EXPECT_EQ(result.out, fatal_transcript(c.lines_before) + "Cann't load image grafika/" +
                                      c.name + " !\n")
                << c.name << (garbage ? " (garbage)" : " (missing)");
        }
    }
}

// A picture of the wrong size stops the effects that need the frame's size;
// e_02 takes any size and runs to its end.
TEST(RenderFatal, WrongSizedPicture)
{
    for (const PictureCase& c : first_half_pictures()) {
        RenderDir run;
        // e_02 gets one far smaller than its 160 x 120 field: every look-up
        // must stay inside it.
        int width = c.size_checked ? 320 : 30;
        int height = c.size_checked ? 200 : 20;
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height, 7);
        uint8_t palette[768] = {};
        test_write_picture(run.dir, c.name.c_str(), Image{width, height, pixels.data()}, palette);
        RunResult result = run.render({"--seed", "1"});
        EXPECT_EQ(result.status, c.size_checked ? 1 : 0) << c.name;
        if (c.size_checked) {
            EXPECT_EQ(result.out, fatal_transcript(c.lines_before) + "Wrong image size!\n") << c.name;
        } else {
            EXPECT_NE(result.out.find(demo_statistics_line("e_02")), std::string::npos) << result.out;
            EXPECT_NE(result.out.find(demo_statistics_line("e_03")), std::string::npos);
        }
    }
}
