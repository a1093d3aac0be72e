// The hooks through which a back end reports upward: the display lost under
// the program, the user asking to stop, or to pause. The program's top registers them,
// since only it knows what else must end with the display (the music).
#include <cstdio>
#include <cstdlib>

#include "core/fatal.h"
#include "display/display.h"

static void (*lost_hook)();
static void (*quit_hook)();
static void (*pause_hook)(int paused);

void display_set_lost_hook(void (*hook)())
{
    lost_hook = hook;
}

void display_lost()
{
    if (lost_hook)
        lost_hook();
}

void display_set_quit_hook(void (*hook)())
{
    quit_hook = hook;
}

void display_quit()
{
    if (quit_hook)
        quit_hook();
    fflush(stdout);
    display_shutdown();
    fatal_exit(STATUS_OK);
}

void display_set_pause_hook(void (*hook)(int paused))
{
    pause_hook = hook;
}

void display_pause(int paused)
{
    if (pause_hook)
        pause_hook(paused);
}
