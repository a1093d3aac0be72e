// The hook a back end runs when its display is gone. The top registers it,
// since what must stop then (the music) lives above the display.
#include "display/display.h"

static void (*lost_hook)();

void display_set_lost_hook(void (*hook)())
{
    lost_hook = hook;
}

void display_lost()
{
    if (lost_hook)
        lost_hook();
}
