// The whole script on the virtual clock: every effect's statistics line in
// script order with its exact count and rate, and a black end.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/support.h"
#include "support/transcript.h"

namespace {

class WholeScript : public ::testing::Test {
protected:
    TempDir temp;
    const std::string& dir = temp.path;
};

TEST_F(WholeScript, StatisticsWithTestPictures)
{
    test_write_all_pictures(dir);
    RunResult r = test_run({test_bin("quarrow-render"), "--seed", "1", "--frames", dir + "/out",
                            "--steps", "25"},
                           dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, DEMO_STATISTICS);
    EXPECT_EQ(r.err, "quarrow-render: " + std::to_string(DEMO_FRAMES) + " frames; 1 written to " + dir + "/out (NNNNNN.png, frames.tsv)\n");

    // The last frame shown is step 25's blank: all zero under a black palette.
    std::istringstream index(test_read_file(dir + "/out/frames.tsv"));
    std::string line, last;
    while (std::getline(index, line))
        last = line;
    long number = std::stol(last.substr(0, last.find('\t')));
    EXPECT_EQ(last.substr(last.find('\t')), "\t25\tblank\t0");
    char name[16];
    snprintf(name, sizeof name, "/%06ld.png", number);
    PngFrame frame;
    ASSERT_TRUE(test_read_png(dir + "/out" + name, &frame));
    EXPECT_EQ(frame.pixels, std::vector<uint8_t>(76800, 0));
    EXPECT_EQ(frame.palette, std::vector<uint8_t>(768, 0));
}

TEST_F(WholeScript, StatisticsWithTheDemosOwnData)
{
    RunResult r = test_run({test_bin("quarrow-render"), "--seed", "1"}, test_source_dir());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, DEMO_STATISTICS);
}

}  // namespace
