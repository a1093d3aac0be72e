// The first half of the script through quarrow-render on the virtual clock:
// the statistics lines, frames read back from the PNG files, and the fatal
// paths of the pictures these effects load.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/support.h"

namespace {

struct RenderDir {
    RenderDir()
    {
        dir = test_make_dir();
        test_write_all_pictures(dir);
    }
    ~RenderDir() { test_remove_tree(dir); }
    RunResult render(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {test_bin("quarrow-render")};
        argv.insert(argv.end(), args.begin(), args.end());
        return test_run(argv, dir);
    }
    std::string dir;
};

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string stats(const char* label, int frames, const char* rate)
{
    return std::string(label) + ":\t " + std::to_string(frames) + " - Screens,\t Screens/sec - " + rate;
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
    std::vector<std::string> mine;
    for (const std::string& line : lines_of(result.out))
        if (line.rfind("e_01:", 0) != 0 && line.rfind("e_06:", 0) != 0 && line.rfind("e_07:", 0) != 0)
            mine.push_back(line);
    const std::string show = stats("e_04", 122, "12.200000");
    const std::string fade = stats("e_05", 17, "12.801205");
    const std::string shrink = stats("e_03", 23, "12.595838");
    std::vector<std::string> expected = {
        show,  stats("e_04", 122, "12.200000"), fade, stats("e_04", 122, "12.200000"), fade,
        stats("e_04", 122, "12.200000"), fade, stats("e_02", 423, "12.085714"), shrink,
        fade,  fade, shrink, show};
    EXPECT_EQ(mine, expected);
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
    ASSERT_EQ(fa.size(), 423u);
    ASSERT_EQ(fb.size(), 423u);
    ASSERT_EQ(fc.size(), 423u);
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
