// The program from banner to exit status: dialogues, set-up in its fixed
// order, the script, and the end that stops the music before anything else.
#include <cstdio>
#include <cstdlib>

#include "audio/music.h"
#include "audio/sound.h"
#include "core/data.h"
#include "core/fatal.h"
#include "core/random.h"
#include "core/trig.h"
#include "demo/demo.h"
#include "demo/script.h"
#include "display/display.h"

const char* const DEMO_MODULE = "music/quarrow.xm";

void demo_banner()
{
    printf("*** %s *** \n", DEMO_TITLE);
}

// The fatal order is message, display, music; the normal end below stops the
// music first. Both orders are the demo's own and are kept as they are.
static void fatal_ending()
{
    display_shutdown();
    music_stop();
}

void demo_hooks_install()
{
    fatal_set_ending(fatal_ending);
    display_set_lost_hook(music_stop);
    display_set_quit_hook(music_stop);
}

int demo_run(int argc, char** argv, const DemoRun* run)
{
    demo_hooks_install();
    if (run->sound) {
        demo_banner();
        sound_setup();
    }
    display_setup(argc, argv, DEMO_TITLE, FRAME_WIDTH, FRAME_HEIGHT);
    trig_init();
    if (run->seeded)
        srand(run->seed);
    else
        seed_random();

    // Before the music starts, so the fatal end only has the display to close.
    Image* frame = nullptr;
    if (image_create(&frame, FRAME_WIDTH, FRAME_HEIGHT) != 0)
        demo_fatal(MSG_CANNOT_ALLOCATE);
    blank_screen(frame);
    if (run->sound)
        music_start(data_path(DEMO_MODULE).c_str());

    script_run(frame, run->on_step);

    if (run->sound)
        music_stop();
    image_free(&frame);
    display_shutdown();
    return STATUS_OK;
}
