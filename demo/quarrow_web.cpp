// quarrow-web: the demo in a web page. The page passes no arguments for the
// demo as people see it: the same questions, script and statistics lines,
// with the music mixed in the page. "--seed N" plays the script without the
// sound dialogue and seeded, as quarrow-render does; linked with the virtual
// clock that gives quarrow-render's frames exactly.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/web/web_music.h"
#include "core/clock.h"
#include "core/fatal.h"
#include "demo/demo.h"
#include "display/web/web_display.h"

// Every wait of the frame loop yields to the page; between its slices the
// keys are read and the music is mixed ahead.
static void web_wait()
{
    web_display_poll();
    music_pump();
}

int main(int argc, char** argv)
{
    // The pane shows each line as soon as it is complete.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    DemoRun run{};
    run.sound = true;
    run.on_step = web_display_set_step;
    for (int i = 1; i < argc; i++) {
        char* end = nullptr;
        bool seed = strcmp(argv[i], "--seed") == 0 && i + 1 < argc;
        if (seed)
            run.seed = static_cast<unsigned>(strtoul(argv[++i], &end, 10));
        if (!seed || *end != '\0') {
            fprintf(stderr, "quarrow-web: unexpected argument '%s' (the page gives --seed N or nothing)\n",
                    argv[i]);
            return 2;
        }
        run.seeded = true;
        run.sound = false;
    }
    clock_set_wait_hook(web_wait);
    // Once the page has resumed main after a wait, its return is no longer
    // seen as the program's end; the exit says it, and the page hears the
    // status.
    fatal_exit(demo_run(argc, argv, &run));
}
