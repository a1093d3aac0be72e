// Every picture the script loads, missing or of the wrong size, while the
// music plays: the effect prints its message, the program ends with status 1,
// and the music process is gone with it. The script runs on the virtual clock
// in music-harness, so even the last effect's picture is reached at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/processes.h"
#include "support/support.h"

namespace {

// 8-bit mono through the no-sound driver at 8000 Hz.
const char ANSWERS[] = "1\n3\n8000\n";

// The effects that refuse a picture of another size than the frame's.
bool size_checked(StepKind kind)
{
    return kind == STEP_PICTURE_SHOW || kind == STEP_E04 || kind == STEP_E01;
}

class FatalWithMusic : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test_become_subreaper(); }

    void SetUp() override
    {
        mkdir((dir + "/music").c_str(), 0777);
        ASSERT_EQ(symlink((test_source_dir() + "/music/quarrow.xm").c_str(),
                          (dir + "/music/quarrow.xm").c_str()),
                  0);
        full = run();
        ASSERT_EQ(full.status, 0) << full.err;
    }

    // Runs the script; leaves the music process's id in music.
    RunResult run()
    {
        BackgroundRun started = test_spawn({test_bin("music-harness"), "script"}, dir, ANSWERS);
        RunResult result = test_spawn_finish(&started);
        size_t at = result.err.find("music_pid ");
        music = at == std::string::npos ? -1 : atoi(result.err.c_str() + at + 10);
        return result;
    }

    void expect_ends_with_message(const RunResult& r, const std::string& message, const char* what)
    {
        EXPECT_EQ(r.status, 1) << what;
        ASSERT_GE(r.out.size(), message.size()) << what;
        EXPECT_EQ(r.out.substr(r.out.size() - message.size()), message) << what << "\n" << r.out;
        // Nothing after the message: the script did not go on.
        EXPECT_EQ(r.out.find("Screens", r.out.find(message)), std::string::npos) << what;
        ASSERT_GT(music, 0) << what;
        EXPECT_TRUE(test_wait_gone(music, 3000)) << what << ": music process " << music << " remains";
    }

    PictureDir temp;
    const std::string& dir = temp.path;
    RunResult full;
    pid_t music = -1;
};

TEST_F(FatalWithMusic, MissingPictureEndsTheRunAndTheMusic)
{
    for (const ScriptPictureUse& c : test_script_pictures()) {
        std::string path = dir + "/" + c.picture.path;
        std::string saved = test_read_file(path);
        ASSERT_EQ(unlink(path.c_str()), 0);
        // Without the title picture the module would come from the
        // installed data folder; an unreadable one keeps it here.
        if (c.name == "linux.pcx")
            test_write_file(path, "no picture");
        RunResult r = run();
        expect_ends_with_message(r, "Cann't load image " + std::string(c.picture.path) + " !\n",
                                 c.picture.path);
        test_write_file(path, saved);
    }
}

TEST_F(FatalWithMusic, WrongSizedPictureEndsTheRunAndTheMusic)
{
    std::vector<uint8_t> pixels(320 * 200, 9);
    uint8_t palette[768] = {0};
    for (const ScriptPictureUse& c : test_script_pictures()) {
        if (!size_checked(c.kind))
            continue;
        std::string path = dir + "/" + c.picture.path;
        std::string saved = test_read_file(path);
        test_write_picture(dir, c.name.c_str(), Image{320, 200, pixels.data()}, palette);
        RunResult r = run();
        expect_ends_with_message(r, "Wrong image size!\n", c.picture.path);
        test_write_file(path, saved);
    }
}

}  // namespace
