// quarrow-restore-console: gives a console back after quarrow-vga was killed
// with SIGKILL, the one ending it cannot clean up after itself. Clears the
// frame buffer and puts the console back in text mode with automatic
// console switching.
#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char USAGE[] =
    "usage: quarrow-restore-console [TTY]\n"
    "Puts a Linux console that quarrow-vga left in graphics mode (after it was\n"
    "killed with SIGKILL) back in text mode: the picture is cleared, typed text\n"
    "shows again, and Alt+Fn switches consoles as usual. TTY defaults to this\n"
    "terminal (/dev/tty); the frame buffer is $FRAMEBUFFER, else /dev/fb0.\n"
    "--version prints the program's name and version.\n";

// Blacks the visible screen, only while this console is the one shown.
static void clear_screen(int tty, const char* tty_path)
{
    vt_stat state;
    int number = 0;
    if (ioctl(tty, VT_GETSTATE, &state) != 0 || sscanf(tty_path, "/dev/tty%d", &number) != 1 ||
        (number != 0 && number != state.v_active)) {
        // /dev/tty or the active console's own name: shown unless named otherwise.
        if (strcmp(tty_path, "/dev/tty") != 0)
            return;
    }
    const char* path = getenv("FRAMEBUFFER");
    if (!path || !*path)
        path = "/dev/fb0";
    int fb = open(path, O_RDWR | O_CLOEXEC);
    if (fb < 0)
        return;
    fb_fix_screeninfo fix;
    if (ioctl(fb, FBIOGET_FSCREENINFO, &fix) == 0 && fix.smem_len > 0) {
        void* memory = mmap(nullptr, fix.smem_len, PROT_READ | PROT_WRITE, MAP_SHARED, fb, 0);
        if (memory != MAP_FAILED) {
            memset(memory, 0, fix.smem_len);
            munmap(memory, fix.smem_len);
        }
    }
    close(fb);
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        printf("quarrow-restore-console %s\n", QUARROW_VERSION);
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        bool help = argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0);
        fputs(USAGE, help ? stdout : stderr);
        return help ? 0 : 2;
    }
    const char* path = argc == 2 ? argv[1] : "/dev/tty";
    int tty = open(path, O_RDWR | O_CLOEXEC);
    if (tty < 0) {
        fprintf(stderr, "quarrow-restore-console: cannot open %s: %s\n", path, strerror(errno));
        return 1;
    }
    vt_stat state;
    if (ioctl(tty, VT_GETSTATE, &state) != 0) {
        fprintf(stderr, "quarrow-restore-console: %s is not a Linux virtual console (%s)\n", path,
                strerror(errno));
        return 1;
    }
    clear_screen(tty, path);
    vt_mode automatic{};
    automatic.mode = VT_AUTO;
    if (ioctl(tty, VT_SETMODE, &automatic) != 0 || ioctl(tty, KDSETMODE, KD_TEXT) != 0) {
        fprintf(stderr, "quarrow-restore-console: cannot reset %s: %s\n", path, strerror(errno));
        return 1;
    }
    close(tty);
    printf("quarrow-restore-console: %s is back in text mode\n", path);
    return 0;
}
