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

// The end every fatal error shares, once its message is out.
[[noreturn]] static void fatal_end()
{
    display_shutdown();
    music_stop();
    exit(1);
}

void demo_fatal(const char* message)
{
    fputs(message, stdout);
    fflush(stdout);
    fatal_end();
}

void demo_fatal_load(const char* path)
{
    printf("Cann't load image %s !\n", path);
    fflush(stdout);
    // The message above reads the same for every cause; the reason goes to
    // standard error, so standard output stays as it always was.
    const char* reason = pcx_load_problem();
    fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, path,
            reason[0] ? reason : "not a 256-colour picture");
    fatal_end();
}
