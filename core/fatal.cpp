// Fatal errors of the effects and of the start-up (see fatal.h). What must
// be closed belongs to the layers above, so the top hands it in.
#include "core/fatal.h"

#include <errno.h>

#include <cstdio>
#include <cstdlib>

const char* const MSG_CANNOT_ALLOCATE = "Cann't allocate image!\n";
const char* const MSG_WRONG_SIZE = "Wrong image size!\n";

static void (*fatal_ending)();

void fatal_set_ending(void (*ending)())
{
    fatal_ending = ending;
}

// The end every fatal error shares, once its message is out: the status
// tells a script that the run failed.
[[noreturn]] static void fatal_end()
{
    if (fatal_ending)
        fatal_ending();
    fatal_exit(STATUS_FAILED);
}

void fatal_exit(int status)
{
    fflush(stdout);
    exit(status);
}

void demo_fatal(const char* message)
{
    fputs(message, stdout);
    fflush(stdout);
    fatal_end();
}

void demo_fatal_load(const char* path, const char* reason)
{
    printf("Cann't load image %s !\n", path);
    fflush(stdout);
    // The message above reads the same for every cause; the reason goes to
    // standard error, so standard output stays as it always was.
    fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, path, reason);
    fatal_end();
}
