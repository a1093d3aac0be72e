// The device probe: a child that opens the chosen device the way the music
// process will, reports over a pipe, closes it and ends.
#include "audio/device_probe.h"

#include <errno.h>
#include <fcntl.h>
#include <mikmod.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "audio/alsa_output.h"

// A server that accepts the connection and then never answers must not
// hang the dialogue.
static constexpr unsigned PROBE_TIMEOUT_S = 5;

int device_opens_in_child(int device)
{
    MDRIVER* driver = MikMod_DriverByOrdinal(device);
    return driver == &alsa_output_driver || driver == &drv_pulseaudio;
}

static void copy_text(DeviceProbe* result, const char* text)
{
    snprintf(result->text, sizeof result->text, "%s", text ? text : "");
}

[[noreturn]] static void probe_child(int out)
{
    alarm(PROBE_TIMEOUT_S);
    // A device that fails is reported in the dialogue's one line; the
    // libraries' own complaints (the ALSA driver even aborts on some) would
    // only clutter the terminal.
    int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0)
        dup2(null_fd, 2);
    DeviceProbe found{};
    if (MikMod_Init("") == 0) {
        found.ok = 1;
        found.mode = md_mode;
        found.mixfreq = md_mixfreq;
        copy_text(&found, md_driver->Name);
        MikMod_Exit();
    } else {
        copy_text(&found, MikMod_strerror(MikMod_errno));
    }
    ssize_t written = write(out, &found, sizeof found);
    _exit(written == static_cast<ssize_t>(sizeof found) ? 0 : 1);
}

void device_probe(DeviceProbe* result)
{
    *result = DeviceProbe{};
    // What the child could not report is the library's general failure.
    copy_text(result, MikMod_strerror(MMERR_OPENING_AUDIO));

    int fds[2];
    if (pipe(fds) != 0)
        return;
    // Anything still buffered would otherwise be the child's to write too.
    fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        probe_child(fds[1]);
    }
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return;
    }

    DeviceProbe found{};
    size_t got = 0;
    while (got < sizeof found) {
        ssize_t n = read(fds[0], reinterpret_cast<char*>(&found) + got, sizeof found - got);
        if (n > 0)
            got += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    if (got == sizeof found) {
        found.text[sizeof found.text - 1] = '\0';
        *result = found;
    }
}
