// Fatal errors of the effects and of the start-up (see fatal.h).
#include "core/fatal.h"

#include <errno.h>

#include <cstdio>
#include <cstdlib>

#include "audio/music.h"
#include "display/display.h"
#include "image/pcx.h"

const char* const MSG_CANNOT_ALLOCATE = "Cann't allocate image!\n";
const char* const MSG_WRONG_SIZE = "Wrong image size!\n";

void demo_fatal(const char* message)
{
    fputs(message, stdout);
    fflush(stdout);
    display_shutdown();
    music_stop();
    exit(1);
}

void demo_fatal_load(const char* path)
{
    char message[512];
    snprintf(message, sizeof message, "Cann't load image %s !\n", path);
    // The message above reads the same for every cause; the reason goes
    // to standard error, so standard output stays as it always was.
    const char* reason = pcx_load_problem();
    fflush(stdout);
    fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, path,
            reason[0] ? reason : "not a 256-colour picture");
    demo_fatal(message);
}
