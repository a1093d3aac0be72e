// The way a user's request to stop travels from a back end up to the
// program's top, which alone knows what else has to end with the display.
#include <cstdio>
#include <cstdlib>

#include "display/display.h"

static void (*quit_hook)();

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
    exit(0);
}
