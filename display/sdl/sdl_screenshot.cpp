// The screenshot key: the frame on screen, as drawn (320x240 indices and the
// palette it is shown in), written as the next free quarrow-NNNN.png in the
// working folder. A file already there is never overwritten.
#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "display/sdl/sdl_display.h"
#include "image/png_write.h"

static constexpr int SCREENSHOT_LAST = 9999;

// Claims the first quarrow-NNNN.png that does not exist yet, so two
// screenshots (or two programs) never share a name. 0, or errno's reason.
static int screenshot_claim(char* name, size_t size)
{
    for (int n = 1; n <= SCREENSHOT_LAST; n++) {
        snprintf(name, size, "quarrow-%04d.png", n);
        int fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

void sdl_screenshot()
{
    if (!sdl.shown)
        return;
    char name[32];
    int error = screenshot_claim(name, sizeof name);
    if (error != 0) {
        fprintf(stderr, "%s: cannot write a screenshot as %s: %s\n", sdl.program, name, strerror(error));
        return;
    }
    Image frame{sdl.frame_width, sdl.frame_height, sdl.shown};
    errno = 0;
    if (image_write_png(name, &frame, sdl.shown_palette) != 0) {
        error = errno;
        // A half-written picture is worse than none.
        unlink(name);
        fprintf(stderr, "%s: cannot write a screenshot as %s: %s\n", sdl.program, name,
                error ? strerror(error) : "the PNG library failed");
        return;
    }
    fprintf(stderr, "%s: screenshot written to %s\n", sdl.program, name);
}
