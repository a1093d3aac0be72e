// The Debian package as a user gets it: what Debian's tools say of it, and
// the installed programs run from a folder outside the tree, reading their
// data from that folder when it has the pictures and from the installed
// data folder otherwise.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>

#include <set>
#include <string>
#include <vector>

#include "package_root.h"
#include "processes.h"
#include "support.h"
#include "which.h"
#include "xvfb.h"

namespace {

const char* const GAMES[] = {"quarrow", "quarrow-vga", "quarrow-sdl", "quarrow-render", "quarrow-play"};
const char* const TOOLS[] = {"pcxinfo", "quarrow-sound-probe", "quarrow-restore-console"};

std::set<std::string> names_in(const std::string& dir)
{
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (entry->d_name[0] != '.')
                names.insert(entry->d_name);
        closedir(d);
    }
    return names;
}

// The same file names in both folders, each with the same bytes.
void expect_same_files(const std::string& expected, const std::string& actual)
{
    std::set<std::string> names = names_in(expected);
    ASSERT_FALSE(names.empty()) << expected;
    ASSERT_EQ(names.size(), names_in(actual).size()) << actual;
    std::string differ;
    for (const std::string& name : names)
        if (test_read_file(expected + "/" + name) != test_read_file(actual + "/" + name))
            differ += " " + name;
    EXPECT_EQ(differ, "") << "differ from " << expected;
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
    }
    void TearDown() override { test_remove_tree(dir_); }

    RunResult installed(const std::vector<std::string>& argv, const std::string& cwd,
                        const std::string& setup = "")
    {
        return test_run(package_root_argv(package_, argv, setup), cwd);
    }
    // quarrow-render's frames of steps 1 to 3 (title, black, relief) into
    // dir_/name, by the installed program in cwd or by the tree's.
    std::string frames(const std::string& name, const std::string& cwd, bool tree = false)
    {
        std::vector<std::string> argv{tree ? test_bin("quarrow-render") : "/usr/games/quarrow-render",
                                      "--seed", "1", "--steps", "1-3", "--frames", dir_ + "/" + name};
        RunResult run = tree ? test_run(argv, cwd) : installed(argv, cwd);
        EXPECT_EQ(run.status, 0) << run.err;
        return dir_ + "/" + name;
    }

    static PackageRoot package_;
    static std::string why_not_;
    std::string dir_;
};

PackageRoot Package::package_;
std::string Package::why_not_;

TEST_F(Package, DebianToolsAcceptIt)
{
    std::string arch = test_run({test_which("dpkg"), "--print-architecture"}, "").out;
    arch.pop_back();
    EXPECT_EQ(package_.deb, package_.dir + "/quarrow_" QUARROW_VERSION "_" + arch + ".deb");
    // Read off the programs' libraries, not written by hand.
    std::string depends = test_run({test_which("dpkg-deb"), "-f", package_.deb, "Depends"}, "").out;
    EXPECT_NE(depends.find("libmikmod3"), std::string::npos) << depends;
    EXPECT_NE(depends.find("libsdl2"), std::string::npos) << depends;

    std::string lintian = test_which("lintian");
    if (lintian == "lintian")
        GTEST_SKIP() << "lintian is not installed";
    RunResult lint = test_run({lintian, "--fail-on", "error", package_.deb}, "");
    EXPECT_EQ(lint.status, 0) << lint.out << lint.err;
    EXPECT_EQ(lint.out.find("E: "), std::string::npos) << lint.out;

    std::string desktop = package_.root + "/usr/share/applications/quarrow-play.desktop";
    RunResult valid = test_run({test_which("desktop-file-validate"), desktop}, "");
    EXPECT_TRUE(valid.status == 0 && valid.out.empty()) << valid.out << valid.err;

    // A page for every program, in its section, that man renders cleanly.
    std::vector<std::string> pages;
    for (const char* game : GAMES)
        pages.push_back("man6/" + std::string(game) + ".6.gz");
    for (const char* tool : TOOLS)
        pages.push_back(std::string(tool) == "quarrow-restore-console" ? "man8/quarrow-restore-console.8.gz"
                                                                       : "man1/" + std::string(tool) + ".1.gz");
    for (const std::string& page : pages) {
        RunResult shown = test_run({test_which("man"), "--warnings", "-l", package_.root + "/usr/share/man/" + page},
                                   "", "", {"MANWIDTH=80"});
        EXPECT_TRUE(shown.status == 0 && shown.err.empty() && !shown.out.empty()) << page << ": " << shown.err;
    }
}

// Item by item what a user does after installing it, from a folder of
// their own: version, frames, a video with the module, the manual, the
// launcher's choice, and the demo in an 8-bit X window.
TEST_F(Package, InstalledProgramsRunFromAnyFolder)
{
    std::string run = dir_ + "/run";
    mkdir(run.c_str(), 0777);
    for (const char* game : GAMES)
        EXPECT_EQ(installed({std::string("/usr/games/") + game, "--version"}, run).out,
                  std::string(game) + " " QUARROW_VERSION "\n");
    for (const char* tool : TOOLS)
        EXPECT_EQ(installed({std::string("/usr/bin/") + tool, "--version"}, run).out,
                  std::string(tool) + " " QUARROW_VERSION "\n");

    expect_same_files(frames("tree", test_source_dir(), true), frames("installed", run));
    if (test_which("ffmpeg") != "ffmpeg") {
        RunResult video = installed({"/usr/games/quarrow-render", "--steps", "2", "--video", "v.mp4"}, run);
        EXPECT_NE(video.err.find(", with sound\n"), std::string::npos) << video.err;
    }
    RunResult page = installed({test_which("man"), "quarrow"}, run);
    EXPECT_NE(page.out.find("quarrow - real-time 256-colour audio-visual demo"), std::string::npos) << page.err;
    RunResult check = installed({"/usr/games/quarrow-play", "--check"}, run);
    EXPECT_NE(check.out.find("play: data: the installed pictures and module in /usr/share/quarrow\n"),
              std::string::npos) << check.out;
    EXPECT_NE(check.out.find("play: programs: the installed /usr/games/quarrow-render\n"),
              std::string::npos) << check.out;

    Xvfb eight;
    ASSERT_TRUE(xvfb_start(&eight, "640x480x8"));
    BackgroundRun demo;
    ASSERT_TRUE(test_spawn_open(&demo, package_root_argv(package_, {"/usr/games/quarrow"}), run,
                                {"DISPLAY=" + xvfb_display(eight)}));
    test_spawn_write(&demo, "0\n1\n");
    test_spawn_close_input(&demo);
    EXPECT_TRUE(test_spawn_wait_output(&demo, " Screens/sec - ", 60000)) << demo.out << demo.err;
    kill(demo.pid, SIGTERM);
    test_spawn_finish(&demo);
    xvfb_stop(&eight);
}

// A folder with pictures of its own is read instead of the installed data;
// a folder without them, with no installed data either, ends the demo with
// its message, the reason and status 1.
TEST_F(Package, WorkingFolderWinsAndMissingDataIsReported)
{
    std::string own = dir_ + "/own";
    mkdir(own.c_str(), 0777);
    test_write_all_pictures(own);
    expect_same_files(frames("tree", own, true), frames("installed", own));

    RunResult none = installed({"/usr/games/quarrow-render"}, dir_, "mount -t tmpfs none /usr/share/quarrow");
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
