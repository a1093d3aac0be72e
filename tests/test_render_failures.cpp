// How quarrow-render ends when it cannot finish: a picture it cannot load,
// a full disk, a signal. Each ends with a failing status, says why, and
// leaves no file at a requested name that could pass for a finished one,
// nor temporary files or processes.
#include <dirent.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/processes.h"
#include "support/support.h"

namespace {

std::vector<std::string> names_in(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
                names.push_back(entry->d_name);
        closedir(d);
    }
    return names;
}

class RenderFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test_link_module(dir));
        mkdir((dir + "/tmp").c_str(), 0777);
    }

    std::vector<std::string> render_argv(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{test_bin("quarrow-render"), "--seed", "1"};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }

    // Runs quarrow-render, stopped after a time limit should it hang.
    RunResult render(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv = render_argv(args);
        argv.insert(argv.begin(), {"/usr/bin/timeout", "60"});
        return test_run(argv, dir, "", {"TMPDIR=" + dir + "/tmp"});
    }

    // Nothing of the run is left in folder but complete frames: no index, no
    // video, nothing under a temporary name; and the temporary folder is empty.
    void expect_nothing_unfinished(const std::string& folder, const char* what)
    {
        for (const std::string& name : names_in(folder)) {
            bool frame = name.size() == 10 && name.compare(6, 4, ".png") == 0;
            if (frame) {
                PngFrame png;
                EXPECT_TRUE(test_read_png(folder + "/" + name, &png)) << what << ": " << name;
            } else {
                EXPECT_TRUE(name == "grafika" || name == "music" || name == "tmp" || name == "f")
                    << what << ": left " << name;
            }
        }
        EXPECT_TRUE(names_in(dir + "/tmp").empty()) << what;
    }

    PictureDir temp;
    const std::string& dir = temp.path;
};

// A picture that cannot be loaded, missing or a FIFO that nobody writes: the
// demo's own message and the load's reason, status 1 at once, and neither the
// index nor the video that was under way.
TEST_F(RenderFailure, FatalEndLeavesNoIndexNorVideoAndSaysWhy)
{
    struct Case {
        const char* picture;
        bool fifo;  // else missing
        const char* reason;
    } cases[] = {{"e_04-2.pcx", true, "not a regular file"}, {"e_07.pcx", false, strerror(ENOENT)}};
    for (const Case& c : cases) {
        std::string path = dir + "/grafika/" + c.picture;
        ASSERT_EQ(unlink(path.c_str()), 0);
        if (c.fifo) {
            ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
        }
        RunResult r = render({"--frames", "f", "--video", "demo.mp4", "--steps", "0-1"});
        std::string message = std::string("Cann't load image grafika/") + c.picture + " !\n";
        EXPECT_EQ(r.status, 1) << c.picture;
        ASSERT_GE(r.out.size(), message.size()) << c.picture;
        EXPECT_EQ(r.out.substr(r.out.size() - message.size()), message);
        EXPECT_NE(r.err.find(std::string("quarrow-render: grafika/") + c.picture + ": " + c.reason + "\n"),
                  std::string::npos)
            << r.err;
        expect_nothing_unfinished(dir, c.picture);
        expect_nothing_unfinished(dir + "/f", c.picture);
        test_remove_tree(dir + "/f");
        unlink(path.c_str());
        test_write_all_pictures(dir);
    }
}

// Frames and video onto a file system with room for only a few frames.
TEST_F(RenderFailure, FullDiskEndsAtTheFirstWriteThatFails)
{
    std::string disk = dir + "/disk";
    mkdir(disk.c_str(), 0777);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs: " << strerror(errno);
    RunResult frames = render({"--frames", "disk/f"});
    RunResult video = render({"--video", "disk/demo.mp4"});
    std::string left_frames = disk + "/f";
    EXPECT_EQ(frames.status, 1);
    // One line for the frame that failed, not one for every frame after it.
    EXPECT_EQ(frames.err.find("cannot write"), frames.err.rfind("cannot write")) << frames.err;
    EXPECT_NE(frames.err.find(strerror(ENOSPC)), std::string::npos) << frames.err;
    expect_nothing_unfinished(left_frames, "frames");
    test_remove_tree(left_frames);
    EXPECT_EQ(video.status, 1) << video.err;
    // Our line, then ffmpeg's own reason.
    EXPECT_NE(video.err.find("quarrow-render: ffmpeg stopped; disk/demo.mp4 not written\nffmpeg: "),
              std::string::npos)
        << video.err;
    EXPECT_NE(video.err.find(strerror(ENOSPC)), std::string::npos) << video.err;
    EXPECT_TRUE(names_in(disk).empty());
    umount(disk.c_str());
}

// tools/time-render with an ffmpeg that fails: no time for the run, but
// quarrow-render's reason and a failing status.
TEST_F(RenderFailure, TimeRenderSaysWhyARunFailed)
{
    mkdir((dir + "/bin").c_str(), 0777);
    test_write_file(dir + "/bin/ffmpeg", "#!/bin/sh\necho 'unknown encoder' >&2\nexit 1\n");
    chmod((dir + "/bin/ffmpeg").c_str(), 0755);
    RunResult r = test_run({test_source_dir() + "/tools/time-render", "1", "--", "--steps", "1"}, dir,
                           "", {"PATH=" + dir + "/bin:" + getenv("PATH"),
                                "QUARROW_BUILD_DIR=" + std::string(QUARROW_BIN_DIR)});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("run 1:"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("ffmpeg: unknown encoder\ntime-render: run 1: quarrow-render failed with status 1"),
              std::string::npos)
        << r.err;
}

// A run stopped by SIGTERM or SIGINT in the middle of a video: the statistics
// lines printed so far have reached the pipe, the program ends by the signal,
// and the video, the index and ffmpeg are all gone.
TEST_F(RenderFailure, StoppedBySignalLeavesNothingBehind)
{
    test_become_subreaper();
    for (int signal_number : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal_number);
        ChildPipes child;
        ASSERT_TRUE(spawn_child(&child, render_argv({"--frames", "f", "--video", "demo.mp4"}), dir,
                                {"TMPDIR=" + dir + "/tmp"}));
        close(child.in_fd);
        std::string out, err;
        const std::string first_line = "e_04:\t 122 - Screens";
        for (int waited = 0; out.find(first_line) == std::string::npos && waited < 30000; waited += 50)
            spawn_collect(&child, &out, &err, 50);
        EXPECT_NE(out.find(first_line), std::string::npos) << "no statistics line while running";
        kill(child.pid, signal_number);
        int status = 0;
        ASSERT_TRUE(test_wait_gone(child.pid, 10000, &status));
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
        while (spawn_collect(&child, &out, &err, 100)) {
        }
        // ffmpeg was a child of quarrow-render; one left running would now
        // be ours.
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child of quarrow-render outlived it";
        expect_nothing_unfinished(dir, "stopped");
        expect_nothing_unfinished(dir + "/f", "stopped");
        test_remove_tree(dir + "/f");
    }
}

}  // namespace
