// quarrow-sdl: the demo in an SDL window or full screen, for desktops with no
// 8-bit visual. Same questions, script and statistics as quarrow; the user
// may pause it, and end it early, which ends it the way the script's end does.
#include <cstdio>
#include <cstring>

#include "audio/music.h"
#include "core/clock.h"
#include "demo/demo.h"
#include "display/display.h"

static const char USAGE[] =
    "usage: quarrow-sdl [--help | --version]\n"
    "Plays the demo in a window (resizable, starting at 640x480) or full screen,\n"
    "at the largest whole multiple of 320x240 that fits. Run it in the folder\n"
    "that holds grafika/ and music/, or anywhere once installed; it asks its\n"
    "questions on the terminal.\n"
    "  Escape, q or closing the window  end the demo\n"
    "  F11 or Alt+Enter                 switch between window and full screen\n"
    "  Space or p                       pause and resume (picture, music and clock)\n"
    "  F12                              save the frame on screen as quarrow-NNNN.png\n";

// A pause stops the effects' clock with the picture, so no effect loses its
// time, and holds the music where it is heard.
static void pause_hold(int paused)
{
    clock_hold(paused);
    music_hold(paused);
}

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(USAGE, stdout);
            return 0;
        }
        if (strcmp(argv[i], "--version") == 0) {
            printf("quarrow-sdl %s\n", QUARROW_VERSION);
            return 0;
        }
        fprintf(stderr, "quarrow-sdl: unknown argument '%s'\n%s", argv[i], USAGE);
        return 2;
    }
    display_set_pause_hook(pause_hold);
    DemoRun run{};
    run.sound = true;
    return demo_run(argc, argv, &run);
}
