// Fatal errors of the effects and of the start-up (see fatal.h).
#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>

#include "audio/music.h"
#include "display/display.h"

const char* const MSG_CANNOT_ALLOCATE = "Cann't allocate image!\n";
const char* const MSG_WRONG_SIZE = "Wrong image size!\n";

void demo_fatal(const char* message)
{
    fputs(message, stdout);
    fflush(stdout);
    display_shutdown();
    music_stop();
    exit(0);
}

void demo_fatal_load(const char* path)
{
    char message[512];
    snprintf(message, sizeof message, "Cann't load image %s !\n", path);
    demo_fatal(message);
}
