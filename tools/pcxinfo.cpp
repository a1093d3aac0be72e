// pcxinfo FILE...: prints the reader's one-line report of each picture's
// header, so a picture can be checked before it goes into grafika/.
// Exit status 0 when every file has a known version (0, 2, 3 or 5), 1 when
// any file is unreadable, not a PC Paintbrush file or of another version,
// 2 for a usage error.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "image/pcx.h"

static const char USAGE[] =
    "usage: pcxinfo FILE...\n"
    "Prints one line per PC Paintbrush picture: its size and version, as the\n"
    "demo's reader sees them (\"F is a WxH PC Paintbrush image - Version ...\").\n"
    "Only version 5 (256 colours with a palette) loads in the demo.\n"
    "Exit status: 0 when every file has a known version (0, 2, 3 or 5), 1 when\n"
    "any file cannot be read, is not a PC Paintbrush file or is of another\n"
    "version, 2 for a usage error. Use -- before file names that begin with -.\n"
    "--version prints the program's name and version.\n";

// The reader is silent about files it cannot open or read; give the
// system's reason. True when the file cannot be read as a picture. Opened
// without blocking, so a FIFO with no writer cannot hang the report.
static bool report_unreadable(const char* path)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    const char* reason = nullptr;
    struct stat about;
    char byte;
    if (fd < 0 || fstat(fd, &about) != 0)
        reason = strerror(errno);
    else if (S_ISDIR(about.st_mode))
        reason = strerror(EISDIR);
    else if (!S_ISREG(about.st_mode))
        reason = "not a regular file";
    else if (read(fd, &byte, 1) < 0)
        reason = strerror(errno);
    if (fd >= 0)
        close(fd);
    if (!reason)
        return false;
    fflush(stdout);
    fprintf(stderr, "pcxinfo: %s: %s\n", path, reason);
    return true;
}

int main(int argc, char** argv)
{
    int first = 1;
    for (; first < argc && argv[first][0] == '-' && argv[first][1] != '\0'; first++) {
        if (strcmp(argv[first], "--") == 0) {
            first++;
            break;
        }
        if (strcmp(argv[first], "--help") == 0 || strcmp(argv[first], "-h") == 0) {
            fputs(USAGE, stdout);
            return 0;
        }
        if (strcmp(argv[first], "--version") == 0) {
            printf("pcxinfo %s\n", QUARROW_VERSION);
            return 0;
        }
        fprintf(stderr, "pcxinfo: unknown option '%s'\n%s", argv[first], USAGE);
        return 2;
    }
    if (first >= argc) {
        fputs(USAGE, stderr);
        return 2;
    }
    int status = 0;
    for (int i = first; i < argc; i++) {
        if (report_unreadable(argv[i])) {
            status = 1;
            continue;
        }
        int width, height;
        if (pcx_info(argv[i], &width, &height) >= 0)
            continue;
        status = 1;
        // pcx_info is silent when it cannot read a whole header; say so
        // rather than print nothing for that file.
        if (width == 0 && height == 0) {
            fflush(stdout);
            fprintf(stderr, "pcxinfo: %s: no PC Paintbrush header\n", argv[i]);
        }
    }
    return status;
}
