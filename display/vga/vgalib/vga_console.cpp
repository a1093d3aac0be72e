// The console state the stand-in borrows while a mode is set. Everything the
// signal handlers reach is plain system calls on saved values, so they may
// run at any moment, also in the middle of a frame.
#include "display/vga/vgalib/vga_console.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Console switches are asked for with these (the demo itself uses neither).
constexpr int RELEASE_SIGNAL = SIGUSR1;
constexpr int ACQUIRE_SIGNAL = SIGUSR2;

const int ending_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV,
                              SIGBUS, SIGFPE,  SIGILL, SIGABRT};

int tty_fd = -1;
int fb = -1;
uint8_t* fb_memory;
size_t fb_size;
pid_t owner;  // the forked music process inherits the handlers, not the console

int saved_kd_mode;
vt_mode saved_vt_mode;
fb_var_screeninfo saved_var;

volatile sig_atomic_t taken;
volatile sig_atomic_t shown = 1;        // our console is the one on the screen
volatile sig_atomic_t drawing;          // a frame is being written to the device
volatile sig_atomic_t release_waiting;  // a switch away waits for the frame's end
volatile sig_atomic_t came_back;
bool handlers_installed;

void clear_memory()
{
    if (fb_memory && shown)
        memset(fb_memory, 0, fb_size);
}

void let_go()
{
    shown = 0;
    release_waiting = 0;
    ioctl(tty_fd, VT_RELDISP, 1);
}

void on_release(int)
{
    int saved_errno = errno;
    if (drawing)
        release_waiting = 1;
    else
        let_go();
    errno = saved_errno;
}

void on_acquire(int)
{
    int saved_errno = errno;
    ioctl(tty_fd, VT_RELDISP, VT_ACKACQ);
    shown = 1;
    came_back = 1;
    errno = saved_errno;
}

// Installed with SA_RESETHAND | SA_NODEFER: the action is the default again
// by now, so raising the signal ends the process with the status it means.
void on_ending(int sig)
{
    if (getpid() == owner)
        vga_console_give_back();
    raise(sig);
}

void give_back_at_exit()
{
    if (getpid() == owner)
        vga_console_give_back();
}

void install_handlers()
{
    if (handlers_installed)
        return;
    handlers_installed = true;
    atexit(give_back_at_exit);
    struct sigaction action;
    memset(&action, 0, sizeof action);
    sigemptyset(&action.sa_mask);
    action.sa_handler = on_ending;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : ending_signals) {
        struct sigaction old;
        // A signal the user chose to ignore (nohup, a background job) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &action, nullptr);
    }
    action.sa_flags = SA_RESTART;
    for (int sig : ending_signals)
        sigaddset(&action.sa_mask, sig);
    action.sa_handler = on_release;
    sigaction(RELEASE_SIGNAL, &action, nullptr);
    action.sa_handler = on_acquire;
    sigaction(ACQUIRE_SIGNAL, &action, nullptr);
}

}  // namespace

bool vga_console_check(char* why, size_t size)
{
    int fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        snprintf(why, size, "/dev/tty: %s", strerror(errno));
        return false;
    }
    vt_stat state;
    if (ioctl(fd, VT_GETSTATE, &state) != 0) {
        snprintf(why, size, "/dev/tty is not a Linux virtual console (VT_GETSTATE: %s)",
                 strerror(errno));
        close(fd);
        return false;
    }
    close(fd);
    return true;
}

void vga_console_take(int fb_fd, uint8_t* memory, size_t size)
{
    if (taken)
        return;
    tty_fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty_fd < 0)
        return;
    fb = fb_fd;
    fb_memory = memory;
    fb_size = size;
    owner = getpid();
    if (ioctl(tty_fd, KDGETMODE, &saved_kd_mode) != 0)
        saved_kd_mode = KD_TEXT;
    if (ioctl(tty_fd, VT_GETMODE, &saved_vt_mode) != 0) {
        memset(&saved_vt_mode, 0, sizeof saved_vt_mode);
        saved_vt_mode.mode = VT_AUTO;
    }
    if (ioctl(fb, FBIOGET_VSCREENINFO, &saved_var) != 0)
        memset(&saved_var, 0, sizeof saved_var);
    shown = 1;
    drawing = 0;
    release_waiting = 0;
    came_back = 0;
    install_handlers();
    taken = 1;
    ioctl(tty_fd, KDSETMODE, KD_GRAPHICS);
    vt_mode process{};
    process.mode = VT_PROCESS;
    process.relsig = RELEASE_SIGNAL;
    process.acqsig = ACQUIRE_SIGNAL;
    ioctl(tty_fd, VT_SETMODE, &process);
}

void vga_console_give_back()
{
    if (!taken)
        return;
    taken = 0;
    clear_memory();
    if (release_waiting)
        let_go();
    if (shown && saved_var.xres) {
        fb_var_screeninfo now;
        if (ioctl(fb, FBIOGET_VSCREENINFO, &now) == 0 && memcmp(&now, &saved_var, sizeof now) != 0) {
            fb_var_screeninfo put = saved_var;
            put.activate = FB_ACTIVATE_NOW;
            ioctl(fb, FBIOPUT_VSCREENINFO, &put);
        }
    }
    ioctl(tty_fd, VT_SETMODE, &saved_vt_mode);
    ioctl(tty_fd, KDSETMODE, saved_kd_mode);
    close(tty_fd);
    tty_fd = -1;
    shown = 1;
}

bool vga_console_draw_begin()
{
    drawing = 1;
    if (!taken || shown)
        return true;
    drawing = 0;
    return false;
}

void vga_console_draw_end()
{
    drawing = 0;
    if (release_waiting)
        let_go();
}

bool vga_console_returned()
{
    if (!came_back)
        return false;
    came_back = 0;
    return true;
}
