// The mesh, disc and plasma effects inside the whole script, run through
// quarrow-render: their statistics lines, and how the program ends when one
// of their pictures is missing or of the wrong size.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/effect_run.h"
#include "support/support.h"

namespace {

RunResult render(const std::string& dir)
{
    return test_run({test_bin("quarrow-render"), "--seed", "1"}, dir);
}

// What the complete script prints before the first line of label, as the
// output of an effect that fails must begin with exactly that.
std::string output_before(const std::string& full, const std::string& label)
{
    std::string start = label + ":\t";
    if (full.compare(0, start.size(), start) == 0)
        return "";
    size_t at = full.find("\n" + start);
    return at == std::string::npos ? full : full.substr(0, at + 1);
}

class ScriptTail : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        PictureDir dir;
        complete_ = new RunResult(render(dir.path));
    }
    static void TearDownTestSuite()
    {
        delete complete_;
        complete_ = nullptr;
    }

    // Runs the script with the pictures changed by change, expecting it to
    // stop with message once the effect labelled label starts.
    void expect_stop(const std::string& label, const std::function<void(const std::string&)>& change,
                     const std::string& message)
    {
        PictureDir dir;
        change(dir.path);
        RunResult run = render(dir.path);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, output_before(complete_->out, label) + message);
    }

    static RunResult* complete_;
};

RunResult* ScriptTail::complete_ = nullptr;

TEST_F(ScriptTail, StatisticsLinesOfTheThreeEffectsInOrder)
{
    ASSERT_EQ(complete_->status, 0);
    const std::string& out = complete_->out;
    const char* lines[] = {
        "e_06:\t 363 - Screens,\t Screens/sec - 12.100000\n",
        "e_07:\t 363 - Screens,\t Screens/sec - 12.100000\n",
        "e_01:\t 483 - Screens,\t Screens/sec - 12.075000\n",
    };
    size_t from = 0;
    for (const char* line : lines) {
        size_t at = out.find(line, from);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << line << "in:\n" << out;
        from = at + 1;
    }
}

TEST_F(ScriptTail, MissingMeshPicturesStopTheProgram)
{
    for (const char* name : {"e_06-3.pcx", "e_06-1.pcx", "e_06-2.pcx"}) {
        expect_stop("e_06", [&](const std::string& dir) {
            std::remove((dir + "/grafika/" + name).c_str());
        }, std::string("Cann't load image grafika/") + name + " !\n");
    }
}

TEST_F(ScriptTail, MissingDiscPictureStopsTheProgram)
{
    expect_stop("e_07", [](const std::string& dir) {
        std::remove((dir + "/grafika/e_07.pcx").c_str());
    }, "Cann't load image grafika/e_07.pcx !\n");
}

TEST_F(ScriptTail, PlasmaPictureMissingOrOfTheWrongSizeStopsTheProgram)
{
    expect_stop("e_01", [](const std::string& dir) {
        std::remove((dir + "/grafika/e_01.pcx").c_str());
    }, "Cann't load image grafika/e_01.pcx !\n");
    for (int size : {0, 1}) {
        expect_stop("e_01", [&](const std::string& dir) {
            test_write_flat_picture(dir, "e_01.pcx", size ? 320 : 319, size ? 241 : 240, 3);
        }, "Wrong image size!\n");
    }
}

}  // namespace
