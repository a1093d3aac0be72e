// The Debian package as a user gets it: what Debian's tools say of it, and
// the installed programs run from a folder outside the tree, reading their
// data from that folder when it has the pictures and from the installed
// data folder otherwise.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "support/package_root.h"
#include "support/processes.h"
#include "support/support.h"
#include "support/which.h"
#include "support/xvfb.h"

namespace {

// Each program as installed, and its manual page.
const char* const PROGRAMS[][2] = {
    {"games/quarrow", "man6/quarrow.6.gz"},          {"games/quarrow-vga", "man6/quarrow-vga.6.gz"},
    {"games/quarrow-sdl", "man6/quarrow-sdl.6.gz"},  {"games/quarrow-render", "man6/quarrow-render.6.gz"},
    {"games/quarrow-play", "man6/quarrow-play.6.gz"}, {"bin/pcxinfo", "man1/pcxinfo.1.gz"},
    {"bin/quarrow-sound-probe", "man1/quarrow-sound-probe.1.gz"},
    {"bin/quarrow-restore-console", "man8/quarrow-restore-console.8.gz"},
};

// Whether the build holds the program (the 32-bit one leaves SDL out).
bool built(const char* installed)
{
    return test_built(strchr(installed, '/') + 1);
}

class Package : public ::testing::Test {
protected:
    static void SetUpTestSuite() { why_not_ = package_root_make(&package_); }
    static void TearDownTestSuite() { package_root_remove(&package_); }

    void SetUp() override
    {
        if (!why_not_.empty())
            GTEST_SKIP() << why_not_;
        dir_ = test_make_dir();
        mkdir((dir_ + "/run").c_str(), 0777);
    }
    void TearDown() override { test_remove_tree(dir_); }

    RunResult installed(const std::vector<std::string>& argv, const std::string& setup = "")
    {
        return test_run(package_root_argv(package_, argv, setup), dir_ + "/run");
    }
    // The frames of steps 1 to 3 (title, black, relief) that the tree's
    // quarrow-render writes in cwd and the installed one in cwd or dir_/run
    // are the same files.
    void expect_same_frames(const std::string& tree_cwd, const std::string& installed_cwd)
    {
        std::vector<std::string> args{"--seed", "1", "--steps", "1-3", "--frames"};
        std::vector<std::string> tree{test_bin("quarrow-render")}, ours{"/usr/games/quarrow-render"};
        tree.insert(tree.end(), args.begin(), args.end());
        ours.insert(ours.end(), args.begin(), args.end());
        tree.push_back(dir_ + "/tree");
        ours.push_back(dir_ + "/installed");
        ASSERT_EQ(test_run(tree, tree_cwd).status, 0);
        RunResult run = test_run(package_root_argv(package_, ours), installed_cwd);
        ASSERT_EQ(run.status, 0) << run.err;
        RunResult diff = test_run({test_which("diff"), "-rq", dir_ + "/tree", dir_ + "/installed"}, "");
        EXPECT_EQ(diff.status, 0) << diff.out;
    }

    static PackageRoot package_;
    static std::string why_not_;
    std::string dir_;
};

PackageRoot Package::package_;
std::string Package::why_not_;

TEST_F(Package, DebianToolsAcceptIt)
{
#ifdef QUARROW_PACKAGE_ARCH
    std::string arch = QUARROW_PACKAGE_ARCH;  // another processor's build
#else
    std::string arch = test_run({test_which("dpkg"), "--print-architecture"}, "").out;
    arch = arch.substr(0, arch.find('\n'));
#endif
    EXPECT_EQ(package_.deb, package_.dir + "/quarrow_" QUARROW_VERSION "_" + arch + ".deb");
    // Read off the programs' libraries, not written by hand.
    std::string depends = test_run({test_which("dpkg-deb"), "-f", package_.deb, "Depends"}, "").out;
    EXPECT_NE(depends.find("libmikmod3"), std::string::npos) << depends;
    // Each from the package's own architecture: a multilib library (lib32*,
    // on a 64-bit host) cannot be installed on the machine the package is for.
    EXPECT_FALSE(std::regex_search(depends, std::regex("(^|[ ,|])lib(32|x32|64)[a-z]"))) << depends;
    if (test_built("quarrow-sdl")) {
        EXPECT_NE(depends.find("libsdl2"), std::string::npos) << depends;
    }

    RunResult valid = test_run({test_which("desktop-file-validate"),
                                package_.root + "/usr/share/applications/quarrow-play.desktop"}, "");
    EXPECT_TRUE(valid.status == 0 && valid.out.empty()) << valid.out << valid.err;
    for (const auto& program : PROGRAMS) {
        if (!built(program[0]))
            continue;
        RunResult page = test_run({test_which("man"), "--warnings", "-l",
                                   package_.root + "/usr/share/man/" + program[1]}, "", "", {"MANWIDTH=80"});
        EXPECT_TRUE(page.status == 0 && page.err.empty() && !page.out.empty()) << program[1] << page.err;
    }
    if (test_which("lintian") == "lintian")
        GTEST_SKIP() << "lintian is not installed";
    RunResult lint = test_run({test_which("lintian"), "--fail-on", "error", package_.deb}, "");
    EXPECT_EQ(lint.status, 0) << lint.out << lint.err;
}

// What a user does after installing it, from a folder of their own:
// versions, frames, a video with the module, the manual, the launcher's
// choice, and the demo in an 8-bit X window up to its first statistics line.
TEST_F(Package, InstalledProgramsRunFromAnyFolder)
{
    for (const auto& program : PROGRAMS) {
        std::string name = std::string(program[0]).substr(std::string(program[0]).find('/') + 1);
        if (!built(program[0]))
            continue;
        EXPECT_EQ(installed({std::string("/usr/") + program[0], "--version"}).out, name + " " QUARROW_VERSION "\n");
    }
    expect_same_frames(test_source_dir(), dir_ + "/run");
    if (test_which("ffmpeg") != "ffmpeg") {
        RunResult video = installed({"/usr/games/quarrow-render", "--steps", "2", "--video", "v.mp4"});
        EXPECT_NE(video.err.find(", with sound\n"), std::string::npos) << video.err;
    }
    EXPECT_NE(installed({test_which("man"), "quarrow"}).out.find("quarrow - real-time 256-colour"), std::string::npos);
    std::string check = installed({"/usr/games/quarrow-play", "--check"}).out;
    EXPECT_NE(check.find("play: data: the installed pictures and module in /usr/share/quarrow\n"), std::string::npos)
        << check;

    Xvfb eight;
    ASSERT_TRUE(xvfb_start(&eight, "640x480x8"));
    BackgroundRun demo;
    ASSERT_TRUE(test_spawn_open(&demo, package_root_argv(package_, {"/usr/games/quarrow"}), dir_ + "/run",
                                {"DISPLAY=" + xvfb_display(eight)}));
    test_spawn_write(&demo, "0\n1\n");
    test_spawn_close_input(&demo);
    EXPECT_TRUE(test_spawn_wait_output(&demo, " Screens/sec - ", 60000)) << demo.out << demo.err;
    kill(demo.pid, SIGTERM);
    test_spawn_finish(&demo);
    xvfb_stop(&eight);
}

// A folder with pictures of its own is read instead of the installed data;
// with no data here nor installed, the demo ends with its message, the
// reason and status 1.
TEST_F(Package, WorkingFolderWinsAndMissingDataIsReported)
{
    std::string own = dir_ + "/own";
    mkdir(own.c_str(), 0777);
    test_write_all_pictures(own);
    expect_same_frames(own, own);

    RunResult none = installed({"/usr/games/quarrow-render"}, "mount -t tmpfs none /usr/share/quarrow");
    const std::string message = "Cann't load image grafika/linux.pcx !\n";
    EXPECT_EQ(none.status, 1);
    ASSERT_GE(none.out.size(), message.size()) << none.out;
    EXPECT_EQ(none.out.substr(none.out.size() - message.size()), message);
    EXPECT_NE(none.err.find("quarrow-render: grafika/linux.pcx: No such file or directory (tried "
                            "/usr/share/quarrow/grafika/linux.pcx, as this folder has no grafika/linux.pcx)\n"),
              std::string::npos)
        << none.err;
}

}  // namespace
