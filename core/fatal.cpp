// Fatal errors of the effects and of the start-up (see fatal.h). What must
// be closed belongs to the layers above, so the top hands it in.
#include "core/fatal.h"

#include <cstdio>
#include <cstdlib>

const char* const MSG_CANNOT_ALLOCATE = "Cann't allocate image!\n";
const char* const MSG_WRONG_SIZE = "Wrong image size!\n";

static void (*fatal_ending)();

void fatal_set_ending(void (*ending)())
{
    fatal_ending = ending;
}

void demo_fatal(const char* message)
{
    fputs(message, stdout);
    fflush(stdout);
    if (fatal_ending)
        fatal_ending();
    exit(0);
}

void demo_fatal_load(const char* path)
{
    char message[512];
    snprintf(message, sizeof message, "Cann't load image %s !\n", path);
    demo_fatal(message);
}
