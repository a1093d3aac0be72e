// The music process: started once, stopped with one signal, silent-driver
// pacing, the child's own error report, and that it never outlives the
// main process however that ends.
#include <errno.h>
#include <gtest/gtest.h>
#include <mikmod.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "audio/music.h"
#include "audio/sound.h"
#include "support/processes.h"
#include "support/support.h"
#include "support/timing.h"
#include "support/work_dir.h"
#include "support/xm_writer.h"

namespace {

// Answers for 16-bit stereo through the no-sound driver.
const char SILENT_ANSWERS[] = "4\n3\n22050\n";

// Long enough that no test outlasts the module, so a music process still
// there at the end of a test is there because nobody stopped it.
XmLayout long_module()
{
    XmLayout layout;
    layout.rows = 64;
    layout.orders = 4;  // about 31 s
    return layout;
}

class MusicProcess : public ::testing::Test {
protected:

    // Starts music-harness in mode and waits for it to report the music
    // process's id; 0 means none was created.
    pid_t start(BackgroundRun* run, const std::vector<std::string>& mode, const char* answers)
    {
        std::vector<std::string> argv{test_bin("music-harness")};
        argv.insert(argv.end(), mode.begin(), mode.end());
        *run = test_spawn(argv, dir, answers);
        if (!test_spawn_wait_for(run, "music_pid ", 10000) ||
            !test_spawn_wait_for(run, "\n", 1000))
            return -1;
        size_t at = run->err.find("music_pid ");
        return static_cast<pid_t>(atoi(run->err.c_str() + at + 10));
    }

    TempDir temp;
    const std::string& dir = temp.path;
};

TEST_F(MusicProcess, MissingModuleIsReportedByTheChildAndTheDemoRunsOn)
{
    RunResult run = test_run({test_bin("music-harness"), "end", "1"}, dir, SILENT_ANSWERS);
    EXPECT_EQ(run.status, 0);
    // The display line left in the buffer before the fork appears once: both
    // processes writing it would show it twice.
    std::string reason = MikMod_strerror(MMERR_OPENING_FILE);
    std::string tail = "Hz\n\ndisplay: none\nMikMod Error: " + reason + "\n";
    ASSERT_GE(run.out.size(), tail.size()) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
    EXPECT_NE(run.err.find("main process ends\n"), std::string::npos) << run.err;
}

TEST_F(MusicProcess, NeverOutlivesTheMainProcess)
{
    // Orphans come to this process, which can then see them end and reap
    // them; otherwise a zombie nobody reaps could stay in /proc.
    test_become_subreaper();
    test_write_module(dir, long_module());
    struct Ending {
        const char* name;
        std::vector<std::string> mode;
        int signal;  // sent to the main process once the music plays
        int status;  // the main process's exit status
    } endings[] = {
        {"normal end", {"end", "0.5"}, 0, 0},
        {"fatal error", {"fatal", "0.5"}, 0, 1},
        {"SIGTERM", {"hold"}, SIGTERM, 128 + SIGTERM},
        {"SIGKILL", {"hold"}, SIGKILL, 128 + SIGKILL},
    };
    for (const Ending& ending : endings) {
        SCOPED_TRACE(ending.name);
        BackgroundRun run;
        pid_t music = start(&run, ending.mode, SILENT_ANSWERS);
        ASSERT_GT(music, 0) << run.err;
        char state = test_proc_state(music);
        EXPECT_TRUE(state != 0 && state != 'Z') << "music process not running: " << state;
        if (ending.signal) {
            test_sleep_ms(300);
            kill(run.pid, ending.signal);
        }
        RunResult result = test_spawn_finish(&run);
        EXPECT_EQ(result.status, ending.status) << result.err;
        int status = 0;
        EXPECT_TRUE(test_wait_gone(music, 3000, &status)) << "music process " << music << " remains";
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), SIGTERM);
        }
        if (ending.mode[0] == "fatal") {
            EXPECT_NE(result.out.find("Cann't load image grafika/e_01.pcx !\n"), std::string::npos);
        }
        if (test_proc_state(music) != 0)
            kill(music, SIGKILL);
    }
}

TEST_F(MusicProcess, SilentDriverKeepsTheSongsPaceWithoutSpinning)
{
    test_write_module(dir, long_module());
    BackgroundRun run;
    pid_t music = start(&run, {"hold"}, SILENT_ANSWERS);
    ASSERT_GT(music, 0) << run.err;
    test_sleep_ms(300);
    double before = test_proc_cpu_seconds(music);
    test_sleep_ms(2000);
    double after = test_proc_cpu_seconds(music);
    // Still playing: the module lasts half a minute of song time, and racing
    // through it would have ended the process by now.
    char state = test_proc_state(music);
    EXPECT_TRUE(state != 0 && state != 'Z') << "music process ended early: " << state;
    ASSERT_GE(before, 0.0);
    EXPECT_LT((after - before) / 2.0, 0.05) << "CPU seconds " << before << " -> " << after;
    kill(run.pid, SIGTERM);
    test_spawn_finish(&run);
    EXPECT_TRUE(test_wait_gone(music, 3000));
}

// Feeds the dialogue answers to this process's own standard input.
void feed_stdin(const std::string& input)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    close(fds[1]);
    dup2(fds[0], 0);
    close(fds[0]);
    clearerr(stdin);
}

TEST_F(MusicProcess, StartsOnceAndStopsWithOneSignalReapingTheProcess)
{
    std::string module = test_write_module(dir, long_module());
    music_stop();  // nothing to stop yet
    feed_stdin(SILENT_ANSWERS);
    ASSERT_EQ(sound_setup(), 0);
    ASSERT_EQ(music_enabled, 1);

    music_start(module.c_str());
    pid_t music = music_pid;
    ASSERT_GT(music, 0);
    EXPECT_EQ(music_playing, 1);
    music_start(module.c_str());
    EXPECT_EQ(music_pid, music) << "a second music process was started";

    // Reaped before music_stop returns: no zombie, nothing left to wait for.
    music_stop();
    EXPECT_EQ(music_playing, 0);
    EXPECT_EQ(test_proc_state(music), 0);
    errno = 0;
    EXPECT_EQ(waitpid(music, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    // Once stopped, its id may belong to another process by now, which a
    // second call must leave alone.
    pid_t bystander = fork();
    if (bystander == 0) {
        pause();
        _exit(0);
    }
    music_pid = bystander;
    music_stop();
    test_sleep_ms(200);
    int status = 0;
    EXPECT_EQ(waitpid(bystander, &status, WNOHANG), 0) << "the second call sent a signal";
    kill(bystander, SIGKILL);
    waitpid(bystander, nullptr, 0);
}

TEST_F(MusicProcess, StoppedMusicProcessIsStillEndedAndReaped)
{
    std::string module = test_write_module(dir, long_module());
    feed_stdin(SILENT_ANSWERS);
    ASSERT_EQ(sound_setup(), 0);
    music_start(module.c_str());
    pid_t music = music_pid;
    ASSERT_GT(music, 0);
    // A stopped process keeps SIGTERM pending; waiting on it would hang.
    kill(music, SIGSTOP);
    timespec before, after;
    clock_gettime(CLOCK_MONOTONIC, &before);
    music_stop();
    clock_gettime(CLOCK_MONOTONIC, &after);
    EXPECT_EQ(test_proc_state(music), 0);
    EXPECT_LT(after.tv_sec - before.tv_sec, 3);
}

// A held music process mixes nothing until it is let go, then goes on at the
// song's pace; and music_stop ends it at once even while held, as a paused
// demo ends.
TEST_F(MusicProcess, HeldMusicMixesNothingAndStillStopsAtOnce)
{
    std::string module = test_write_module(dir, long_module());
    ScopedWorkDir in(dir);
    feed_stdin("4\n2\n22050\n");  // the raw file, written at the song's pace
    ASSERT_EQ(sound_setup(), 0);
    music_start(module.c_str());
    pid_t music = music_pid;
    test_sleep_ms(500);
    music_hold(1);
    test_sleep_ms(300);
    size_t held = test_read_file("music.raw").size();
    test_sleep_ms(700);
    EXPECT_EQ(test_read_file("music.raw").size(), held) << "mixed while held";
    // Half a second of song (88200 bytes a second) in half a second: the time
    // held is not made up for by racing ahead.
    music_hold(0);
    test_sleep_ms(500);
    size_t grown = test_read_file("music.raw").size() - held;
    EXPECT_GT(grown, 22050u) << "did not go on";
    EXPECT_LT(grown, 66150u) << "raced to make up for the hold";
    music_hold(1);
    long long before = test_now_ms();
    music_stop();
    EXPECT_EQ(test_proc_state(music), 0);
    EXPECT_LT(test_now_ms() - before, 500);
}

TEST_F(MusicProcess, ModuleThatEndedIsNotPlayingAndIsNotSignalled)
{
    XmLayout short_module;
    short_module.rows = 4;  // a fraction of a second
    std::string module = test_write_module(dir, short_module);
    feed_stdin(SILENT_ANSWERS);
    ASSERT_EQ(sound_setup(), 0);
    music_start(module.c_str());
    pid_t first = music_pid;
    ASSERT_GT(first, 0);
    test_sleep_ms(1500);
    // Restarting is allowed once the first has ended by itself, which also
    // reaps it.
    music_start(module.c_str());
    EXPECT_NE(music_pid, first);
    EXPECT_EQ(test_proc_state(first), 0) << "the ended process was not reaped";
    music_stop();
    EXPECT_EQ(music_playing, 0);
}

}  // namespace
