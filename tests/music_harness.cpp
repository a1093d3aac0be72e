// music-harness: the demo's start-up and end around the music, without a
// display, for the sound and music tests. It asks the sound questions on
// standard input and starts music/quarrow.xm from its working directory, as
// the demo does; then, by mode:
//   setup          stop after the dialogue
//   wait           wait until the music process ends by itself
//   end SECONDS    run on, then stop the music and return, as the demo ends
//   fatal SECONDS  run on, then end through the effects' fatal-error path
//   hold           run until a signal ends it
//   script         run the demo itself on the virtual clock with seed 1
//                  (a picture it cannot use ends it early)
// Standard output carries only what the demo itself would print; what the
// tests need to know besides goes to standard error.
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/music.h"
#include "audio/sound.h"
#include "core/fatal.h"
#include "demo/demo.h"
#include "support/support.h"
#include "support/timing.h"

static void music_pid_report(int step, const char*)
{
    if (step == 1)
        fprintf(stderr, "music_pid %d\n", static_cast<int>(music_pid));
}

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "setup";
    double seconds = argc > 2 ? atof(argv[2]) : 0.0;
    // Watchdogs for the tests: a music process that never ends must fail a
    // test, not hang it (the music process goes with this one), and a raw
    // file that runs away must not fill the disk.
    alarm(30);
    rlimit file_size{64 << 20, 64 << 20};
    setrlimit(RLIMIT_FSIZE, &file_size);

    if (strcmp(mode, "script") == 0) {
        DemoRun run{};
        run.sound = true;
        run.seeded = true;
        run.seed = 1;
        run.on_step = music_pid_report;
        demo_run(argc, argv, &run);
        fprintf(stderr, "main process ends\n");
        return 0;
    }

    demo_hooks_install();
    demo_banner();
    int result = sound_setup();
    fprintf(stderr, "sound_setup %d music_enabled %d\n", result, music_enabled);
    if (strcmp(mode, "setup") == 0)
        return 0;

    // Stands in for the display's information lines, which the demo leaves in
    // the stdio buffer when it forks the music process.
    printf("display: none\n");
    long long started_ms = test_now_ms();
    music_start("music/quarrow.xm");
    fprintf(stderr, "music_pid %d\nmusic_start_ms %lld\n", static_cast<int>(music_pid), started_ms);

    if (strcmp(mode, "wait") == 0) {
        int status = 0;
        if (music_pid > 0 && waitpid(music_pid, &status, 0) == music_pid)
            fprintf(stderr, "music_status %s %d\n", WIFEXITED(status) ? "exit" : "signal",
                    WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status));
    } else if (strcmp(mode, "end") == 0) {
        test_sleep_ms(static_cast<long>(seconds * 1000));
    } else if (strcmp(mode, "fatal") == 0) {
        test_sleep_ms(static_cast<long>(seconds * 1000));
        demo_fatal_load(test_script_picture(STEP_E01), "stopped by the harness");
    } else if (strcmp(mode, "hold") == 0) {
        for (;;)
            pause();
    }
    fprintf(stderr, "music_stop_ms %lld\n", test_now_ms());
    music_stop();
    fprintf(stderr, "main process ends\n");
    return 0;
}
