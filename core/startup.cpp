// The program from banner to exit status: dialogues, set-up in its fixed
// order, the script, and the end that stops the music before anything else.
#include <cstdio>

#include "audio/music.h"
#include "audio/sound.h"
#include "core/clock.h"
#include "core/fatal.h"
#include "core/random.h"
#include "core/script.h"
#include "core/trig.h"
#include "display/display.h"

constexpr int FRAME_WIDTH = 320;
constexpr int FRAME_HEIGHT = 240;

int demo_main(int argc, char** argv)
{
    printf("*** %s *** \n", DEMO_TITLE);
    sound_setup();
    display_setup(argc, argv, DEMO_TITLE, FRAME_WIDTH, FRAME_HEIGHT);
    trig_init();
    seed_random();

    Image* frame = nullptr;
    if (image_create(&frame, FRAME_WIDTH, FRAME_HEIGHT) != 0) {
        fputs(MSG_CANNOT_ALLOCATE, stdout);
        fflush(stdout);
        display_shutdown();
        return 1;
    }
    blank_screen(frame);
    music_start("music/quarrow.xm");

    script_run(frame);

    music_stop();
    image_free(&frame);
    display_shutdown();
    return 0;
}
