// quarrow-render as a user runs it: its options and errors, the frames and
// index it writes, and that the same seed gives byte-identical output.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "demo/script.h"
#include "support/support.h"
#include "support/transcript.h"

namespace {

class Render : public ::testing::Test {
protected:
    RunResult render(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{test_bin("quarrow-render")};
        argv.insert(argv.end(), args.begin(), args.end());
        return test_run(argv, dir);
    }

    std::vector<std::vector<std::string>> read_index(const std::string& folder)
    {
        std::vector<std::vector<std::string>> rows;
        std::istringstream in(test_read_file(folder + "/frames.tsv"));
        std::string line;
        while (std::getline(in, line)) {
            std::vector<std::string> fields;
            std::istringstream cells(line);
            std::string cell;
            while (std::getline(cells, cell, '\t'))
                fields.push_back(cell);
            rows.push_back(fields);
        }
        return rows;
    }

    PictureDir temp;
    const std::string& dir = temp.path;
};

TEST_F(Render, HelpAndBadArguments)
{
    // The help lists every step with the label its statistics line carries.
    RunResult help = render({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: quarrow-render"), std::string::npos);
    for (int step = 0; step <= SCRIPT_STEPS; step++) {
        char row[32];
        snprintf(row, sizeof row, "\n  %2d  %-5s  ", step, script_step_label(step));
        EXPECT_NE(help.out.find(row), std::string::npos) << row;
    }

    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--seed", "x1"}, "bad seed 'x1'"},
        {{"--seed", "-4"}, "bad seed '-4'"},
        {{"--steps", "3-1"}, "bad step list '3-1'"},
        {{"--steps", "26"}, "bad step list '26'"},
        {{"--steps", "1,,2"}, "bad step list '1,,2'"},
        {{"stray"}, "unexpected argument 'stray'"},
        {{"--frames"}, "option '--frames' needs a value (a folder)"},
        {{"--seed", "1", "--video"}, "option '--video' needs a value (a file such as demo.mp4)"},
        {{"--video", "a.mp4", "--scale", "9"}, "bad scale '9' (1 to 8)"},
        {{"--video", "a.mp4", "--scale", "0"}, "bad scale '0'"},
        {{"--scale", "2"}, "--scale is for the video; give --video FILE too"},
        {{"--list", "--frames", "f"}, "--list only prints the script"},
    };
    for (const Case& c : cases) {
        RunResult r = render(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.message;
    }
}

// --list: one line per step of the table, each starting where the one
// before ended, blanks taking no time and every effect its frames' 83 ms each.
TEST_F(Render, ListTimesEveryStepOfTheTable)
{
    RunResult list = render({"--list"});
    ASSERT_EQ(list.status, 0) << list.err;
    std::istringstream stats(render({"--seed", "1"}).out);
    std::string expected;
    long end_ms = 0;
    for (int step = 0; step <= SCRIPT_STEPS; step++) {
        const ScriptStep* row = script_step(step);
        long start_ms = end_ms;
        std::string stat;
        if (row->kind != STEP_BLANK && std::getline(stats, stat))
            end_ms += 83 * std::stol(stat.substr(stat.find('\t') + 1));
        std::string pictures;
        for (const ScriptPicture& p : row->pictures)
            if (p.path)
                pictures += (pictures.empty() ? "" : ",") + std::string(p.path);
        char times[48];
        snprintf(times, sizeof times, "\t%.3f\t%.3f\t", start_ms / 1000.0, end_ms / 1000.0);
        expected += std::to_string(step) + "\t" + row->label + times + (pictures.empty() ? "-" : pictures) +
                    "\t" + row->description + "\n";
    }
    EXPECT_EQ(list.out, expected);

    // It plays the script to time it, so it needs the pictures.
    RunResult bare = test_run({test_bin("quarrow-render"), "--list"}, dir + "/grafika");
    EXPECT_EQ(bare.status, 1);
    EXPECT_NE(bare.err.find("run it where grafika/ is"), std::string::npos) << bare.err;
}

TEST_F(Render, UnwritableFolderIsRefusedBeforeRunning)
{
    test_write_file(dir + "/plainfile", "x");
    RunResult r = render({"--frames", dir + "/plainfile/out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("quarrow-render: cannot create " + dir + "/plainfile/out"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(Render, WritesIndexedFramesAndTheirIndex)
{
    std::string out = dir + "/frames";
    RunResult r = render({"--frames", out, "--seed", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto rows = read_index(out);
    ASSERT_GE(rows.size(), 11u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"frame", "step", "label", "index"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"0", "0", "blank", "0"}));

    // Rows are numbered without gaps; indices restart with every step.
    int last_step = -1;
    long expected_index = 0;
    for (size_t i = 1; i < rows.size(); i++) {
        ASSERT_EQ(rows[i].size(), 4u);
        EXPECT_EQ(std::stol(rows[i][0]), static_cast<long>(i - 1));
        int step = std::stoi(rows[i][1]);
        EXPECT_GE(step, last_step);
        expected_index = step == last_step ? expected_index + 1 : 0;
        EXPECT_EQ(std::stol(rows[i][3]), expected_index);
        last_step = step;
    }
    EXPECT_EQ(rows.back()[1], "25");
    EXPECT_EQ(rows.back()[2], "blank");

    // Every blank frame is all index 0 under an all-black palette, as a
    // full 8-bit indexed PNG of the frame buffer.
    int blanks = 0;
    for (size_t i = 1; i < rows.size(); i++) {
        if (rows[i][2] != "blank")
            continue;
        char name[16];
        snprintf(name, sizeof name, "/%06ld.png", std::stol(rows[i][0]));
        PngFrame frame;
        ASSERT_TRUE(test_read_png(out + name, &frame)) << name;
        EXPECT_EQ(frame.width, 320);
        EXPECT_EQ(frame.height, 240);
        EXPECT_EQ(frame.bit_depth, 8);
        EXPECT_EQ(frame.colour_type, 3);
        EXPECT_EQ(frame.pixels, std::vector<uint8_t>(76800, 0)) << name;
        EXPECT_EQ(frame.palette, std::vector<uint8_t>(768, 0)) << name;
        blanks++;
    }
    EXPECT_EQ(blanks, 10);  // start-up and the nine blank steps
}

TEST_F(Render, StepListSelectsFramesButRunsTheWholeScript)
{
    RunResult all = render({"--seed", "3"});
    std::string out = dir + "/some";
    RunResult some = render({"--frames", out, "--seed", "3", "--steps", "0,23-25"});
    ASSERT_EQ(some.status, 0);
    EXPECT_EQ(some.out, all.out);
    auto rows = read_index(out);
    ASSERT_GE(rows.size(), 3u);
    for (size_t i = 1; i < rows.size(); i++) {
        int step = std::stoi(rows[i][1]);
        EXPECT_TRUE(step == 0 || (step >= 23 && step <= 25)) << step;
        char name[16];
        snprintf(name, sizeof name, "/%06ld.png", std::stol(rows[i][0]));
        struct stat st;
        EXPECT_EQ(stat((out + name).c_str(), &st), 0) << name;
    }
}

TEST_F(Render, VideoHoldsEverySelectedFrame)
{
    std::string out = dir + "/frames", video = dir + "/demo it.mp4";
    RunResult r = render({"--frames", out, "--video", video, "--seed", "2", "--steps", "0-2,23-25"});
    ASSERT_EQ(r.status, 0) << r.err;
    size_t frames = read_index(out).size() - 1;
    RunResult probe = test_run({"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-show_entries",
                                "stream=nb_read_frames,width,height", "-of", "csv=p=0", video},
                               dir);
    // Without a module there is no sound track: the one stream is the video.
    EXPECT_EQ(probe.out, "640,480," + std::to_string(frames) + "\n") << probe.err;
}

TEST_F(Render, VideoCarriesTheModuleAtTheDemosPace)
{
    mkdir((dir + "/music").c_str(), 0777);
    ASSERT_EQ(symlink((test_source_dir() + "/music/quarrow.xm").c_str(), (dir + "/music/quarrow.xm").c_str()), 0);
    std::string video = dir + "/demo.mp4";
    RunResult r = render({"--video", video, "--seed", "2", "--steps", "0-1"});
    ASSERT_EQ(r.status, 0) << r.err;
    RunResult probe = test_run({"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-show_entries",
                                "stream=codec_type,nb_read_frames,duration", "-of", "csv=p=0", video},
                               dir);
    double video_seconds = 0, audio_seconds = 0;
    long frames = 0;
    std::istringstream streams(probe.out);
    std::string line;
    while (std::getline(streams, line)) {
        std::istringstream fields(line);
        std::string type, duration, count;
        std::getline(fields, type, ',');
        std::getline(fields, duration, ',');
        std::getline(fields, count, ',');
        if (type == "video") {
            video_seconds = std::stod(duration);
            frames = std::stol(count);
        } else if (type == "audio") {
            audio_seconds = std::stod(duration);
        }
    }
    // The start-up blank and the picture show's 122 frames, one every 83 ms.
    EXPECT_EQ(frames, 123) << probe.out;
    EXPECT_NEAR(video_seconds, 123 * 0.083, 0.01) << probe.out;
    EXPECT_NEAR(audio_seconds, video_seconds, 0.1) << probe.out;
}

// Frame 60 of the title picture, decoded from the video, is the frame
// written as PNG with every pixel an N x N block of its palette colour: the
// colour conversion is the one players assume, and no colour bleeds into a
// neighbouring block, at an even scale (4:2:0) and an odd one (4:4:4).
TEST_F(Render, VideoPixelsAreSharpBlocksOfTheRightColour)
{
    std::string out = dir + "/frames";
    for (int scale : {2, 3}) {
        std::string video = dir + "/demo.mp4";
        RunResult r = render({"--frames", out, "--video", video, "--scale", std::to_string(scale),
                              "--seed", "2", "--steps", "0-1"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("quarrow-render: " + std::to_string(DEMO_FRAMES) + " frames; 123 written to " + out +
                             " (NNNNNN.png, frames.tsv); video " + video + ": 0:10.2, " +
                             std::to_string(320 * scale) + "x" + std::to_string(240 * scale) + ", "),
                  std::string::npos)
            << r.err;
        PngFrame frame;
        ASSERT_TRUE(test_read_png(out + "/000060.png", &frame));
        RunResult decoded = test_run({"/usr/bin/ffmpeg", "-v", "error", "-i", video, "-vf",
                                      "select=eq(n\\,60)", "-frames:v", "1", "-f", "rawvideo",
                                      "-pix_fmt", "rgb24", "-"},
                                     dir);
        const size_t width = 320 * scale;
        ASSERT_EQ(decoded.out.size(), width * 240 * scale * 3) << decoded.err;
        double error = 0;
        int worst = 0;
        for (size_t y = 0; y < 240 * static_cast<size_t>(scale); y++)
            for (size_t x = 0; x < width; x++) {
                const uint8_t* want = &frame.palette[3 * frame.pixels[(y / scale) * 320 + x / scale]];
                for (int c = 0; c < 3; c++) {
                    int d = std::abs(static_cast<uint8_t>(decoded.out[3 * (y * width + x) + c]) - want[c]);
                    error += d;
                    worst = std::max(worst, d);
                }
            }
        error /= static_cast<double>(width * 240 * scale * 3);
        EXPECT_LT(error, 2.0) << "scale " << scale;
        EXPECT_LT(worst, 64) << "scale " << scale;
    }
}

TEST_F(Render, SameSeedGivesIdenticalFiles)
{
    std::string a = dir + "/a", b = dir + "/b";
    RunResult first = render({"--frames", a, "--seed", "7", "--steps", "0-4,11-13"});
    RunResult second = render({"--frames", b, "--seed", "7", "--steps", "0-4,11-13"});
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.out, second.out);
    std::string index = test_read_file(a + "/frames.tsv");
    ASSERT_EQ(index, test_read_file(b + "/frames.tsv"));
    for (const auto& row : read_index(a)) {
        if (row[0] == "frame")
            continue;
        char name[16];
        snprintf(name, sizeof name, "/%06ld.png", std::stol(row[0]));
        std::string bytes = test_read_file(a + name);
        ASSERT_FALSE(bytes.empty()) << name;
        ASSERT_EQ(bytes, test_read_file(b + name)) << name;
    }
}

}  // namespace
