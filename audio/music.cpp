// The music process: forked once the frame buffer exists, it plays the module
// with the library the sound dialogue initialised, holds still while the
// picture is paused, and ends when the module ends, when the main process
// sends SIGTERM, or when the main process dies.
#include "audio/music.h"

#include <errno.h>
#include <mikmod.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

// The buffer asked of PulseAudio: short enough that a pause is heard at
// once, long enough to ride out a busy machine.
static const char MUSIC_PULSE_LATENCY_MS[] = "50";

#include "audio/alsa_output.h"

// Upper bound on the mixer's voices; the loader lowers it to the module's
// channel count for formats without new-note actions.
static constexpr int MUSIC_VOICES = 64;

// Shortest pause between two mixing rounds of a driver that keeps no time.
static constexpr long UNTIMED_MIN_PAUSE_MS = 10;

// How far the mixer may run ahead of the wall clock on a device that keeps
// time: well beyond the buffers the devices are opened with, so a device
// that plays only meets this bound when it has stopped taking sound (an
// ALSA device without a clock, or a sound server that went away).
static constexpr long DEVICE_MAX_AHEAD_MS = 1000;

// Milliseconds since the first reading: only differences are used, and a
// 32-bit long could not hold the milliseconds of 25 days' uptime.
static long monotonic_ms()
{
    static time_t origin = -1;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (origin < 0)
        origin = now.tv_sec;
    return static_cast<long>(now.tv_sec - origin) * 1000 + now.tv_nsec / 1000000;
}

// A pause of the picture reaches the music process as SIGUSR1 (hold) and
// SIGUSR2 (go on). Both stay blocked from the fork until the handlers are in
// place, so neither can end the process with its default action.
static volatile sig_atomic_t music_held;

static void on_hold_signal(int signal_number)
{
    music_held = signal_number == SIGUSR1;
}

static void hold_signals_block(int how, sigset_t* old)
{
    sigset_t hold;
    sigemptyset(&hold);
    sigaddset(&hold, SIGUSR1);
    sigaddset(&hold, SIGUSR2);
    sigprocmask(how, &hold, old);
}

// Mixes nothing while held, so the device falls silent once the little it
// holds has played (a card, whose buffer is deeper, is paused where it is),
// and the song goes on from there. Returns how long the hold lasted, which
// the song's clock must not count.
static long wait_while_held()
{
    long began = monotonic_ms();
    sigset_t open;
    hold_signals_block(SIG_BLOCK, &open);
    if (md_driver == &alsa_output_driver)
        alsa_output_pause(1);
    while (music_held)
        sigsuspend(&open);
    if (md_driver == &alsa_output_driver)
        alsa_output_pause(0);
    sigprocmask(SIG_SETMASK, &open, nullptr);
    return monotonic_ms() - began;
}

// The no-sound and raw-file drivers take no time to "play" what was mixed,
// so the loop would race through the module on a full core, and the raw
// file would grow at disk speed for as long as the module runs (for ever,
// if it loops). Hold them to the song's own clock (sngtime, in 1/1024 s)
// instead, and never pause less than the minimum, so a player that stops
// advancing cannot make the loop spin either.
static bool driver_keeps_no_time()
{
    return md_driver == &drv_nos || md_driver == &drv_raw;
}

// Returns false when a device that keeps time has stopped taking sound.
static bool pace_to_song_clock(const MODULE* module, long start_ms, bool untimed)
{
    long song_ms = static_cast<long>(static_cast<long long>(module->sngtime) * 1000 / 1024);
    long pause_ms = song_ms - (monotonic_ms() - start_ms);
    if (untimed) {
        if (pause_ms < UNTIMED_MIN_PAUSE_MS)
            pause_ms = UNTIMED_MIN_PAUSE_MS;
    } else {
        pause_ms -= DEVICE_MAX_AHEAD_MS;
        if (pause_ms <= 0)
            return true;
    }
    timespec pause{pause_ms / 1000, (pause_ms % 1000) * 1000000};
    nanosleep(&pause, nullptr);
    return untimed;
}

// Waits as long as the buffer asked of PulseAudio (the user's setting, or
// ours), in which the server plays what it was last given.
static void pulse_play_out()
{
    const char* latency = getenv("PULSE_LATENCY_MSEC");
    long ms = latency ? atol(latency) : 0;
    if (ms <= 0 || ms > 2000)
        return;
    timespec pause{ms / 1000, (ms % 1000) * 1000000};
    nanosleep(&pause, nullptr);
}

// Every way out of the child is _exit: a plain exit would run the demo's
// atexit work and flush its stdio buffers a second time from this process.
[[noreturn]] static void music_process(const char* path, pid_t parent)
{
    // SIGTERM must end this process at once, whatever the parent had set.
    signal(SIGTERM, SIG_DFL);
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &term, nullptr);
    signal(SIGUSR1, on_hold_signal);
    signal(SIGUSR2, on_hold_signal);
    hold_signals_block(SIG_UNBLOCK, nullptr);

    // The music must not outlive the demo, even when the demo is killed and
    // never gets to send its signal. A parent that died before this line
    // would not trigger the request, hence the check after it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(0);

    // PulseAudio would otherwise buffer well over a tenth of a second, which
    // would go on playing over a paused picture; a user's own setting stays.
    setenv("PULSE_LATENCY_MSEC", MUSIC_PULSE_LATENCY_MS, 0);
    // The sound-server devices were only tried by the main process; this
    // process is the first to use their libraries, as they require.
    if (music_opens_device && MikMod_Init("") != 0) {
        printf("MikMod Error: %s\n", MikMod_strerror(MikMod_errno));
        fflush(stdout);
        _exit(0);
    }

    MODULE* module = Player_Load(path, MUSIC_VOICES, 0);
    if (!module) {
        printf("MikMod Error: %s\n", MikMod_strerror(MikMod_errno));
        fflush(stdout);
        _exit(0);
    }
    Player_Start(module);

    // A real device paces the loop by blocking in MikMod_Update.
    bool untimed = driver_keeps_no_time();
    long start_ms = monotonic_ms();
    while (Player_Active()) {
        if (music_held)
            start_ms += wait_while_held();
        MikMod_Update();
        // The PulseAudio driver ignores failed writes, so a server that has
        // gone away shows only as a mixer running ahead of the clock. There
        // is nobody left to play to.
        if (!pace_to_song_clock(module, start_ms, untimed) && md_driver == &drv_pulseaudio)
            break;
        // A card that failed for good mixes nothing more: the song would
        // stand still and this loop spin.
        if (md_driver == &alsa_output_driver && alsa_output_lost())
            break;
    }

    // The PulseAudio driver drops what the server still holds when it is
    // shut down: at the song's own end that is its last notes, so they are
    // given the buffer's time to play first.
    if (md_driver == &drv_pulseaudio && !Player_Active())
        pulse_play_out();
    Player_Stop();
    Player_Free(module);
    MikMod_Exit();
    fflush(stdout);
    _exit(0);
}

// 1 while the music process runs. One that has ended by itself is reaped
// here and no longer counts as playing; until it is reaped its id cannot
// belong to anyone else, so a signal after this check is safe.
static int music_running()
{
    // music_pid > 0 keeps a stray flag from ever turning a signal into kill(-1).
    if (music_playing != 1 || music_pid <= 0)
        return 0;
    if (waitpid(music_pid, nullptr, WNOHANG) != 0)
        music_playing = 0;
    return music_playing;
}

void music_start(const char* path)
{
    if (music_enabled != 1 || music_running())
        return;
    // stdout may be a pipe or a file: anything still buffered would be
    // written by both processes.
    fflush(stdout);
    pid_t parent = getpid();
    sigset_t mask;
    hold_signals_block(SIG_BLOCK, &mask);
    pid_t pid = fork();
    if (pid == 0)
        music_process(path, parent);
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    music_pid = pid;
    music_playing = pid > 0;
}

// How long the music process gets to end on SIGTERM before it is killed; it
// takes no time unless it was stopped (SIGSTOP) and cannot act on it.
static constexpr int STOP_GRACE_MS = 1000;

void music_stop()
{
    if (music_enabled != 1 || !music_running())
        return;
    kill(music_pid, SIGTERM);
    for (int waited = 0; waitpid(music_pid, nullptr, WNOHANG) == 0; waited += 5) {
        if (waited >= STOP_GRACE_MS) {
            kill(music_pid, SIGKILL);
            while (waitpid(music_pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        timespec pause{0, 5 * 1000000};
        nanosleep(&pause, nullptr);
    }
    music_playing = 0;
}

void music_hold(int held)
{
    if (music_enabled != 1 || !music_running())
        return;
    kill(music_pid, held ? SIGUSR1 : SIGUSR2);
}
