// pcxinfo FILE...: prints the reader's one-line report of each picture's
// header, so a picture can be checked before it goes into grafika/.
// Exit status 0 when every file has a known version (0, 2, 3 or 5), 1 when
// any file is unreadable, not a PC Paintbrush file or of another version,
// 2 without arguments.
#include <cstdio>

#include "image/pcx.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        fputs("usage: pcxinfo FILE...\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; i++) {
        int width, height;
        if (pcx_info(argv[i], &width, &height) >= 0)
            continue;
        status = 1;
        // pcx_info is silent when it cannot read a header at all; say so
        // rather than print nothing for that file.
        if (width == 0 && height == 0) {
            fflush(stdout);
            fprintf(stderr, "pcxinfo: %s: no PC Paintbrush header\n", argv[i]);
        }
    }
    return status;
}
