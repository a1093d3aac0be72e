// The sound track of quarrow-render's video: the demo's module mixed by the
// music library into 16-bit stereo samples at 44100 Hz, in a child process
// that writes them into a pipe, so the mixing runs alongside the picture and
// the library's state never touches the renderer.
#include <mikmod.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "display/record/record.h"

// A module that loops for ever is cut here, well past the demo's length.
static constexpr long LONGEST_TRACK_SECONDS = 300;

// Reports on ready_fd whether the module plays (one byte), then mixes it
// into standard output, which is the sample pipe.
[[noreturn]] static void mix_module(const char* module_path, int ready_fd)
{
    // The encoder stops reading once the picture ends; that ends us too.
    signal(SIGPIPE, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    MikMod_RegisterLoader(&load_xm);
    MikMod_RegisterLoader(&load_mod);
    MikMod_RegisterDriver(&drv_stdout);
    md_device = 1;
    md_mixfreq = RECORD_AUDIO_RATE;
    md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_INTERP | DMODE_SOFT_MUSIC;
    MODULE* module = nullptr;
    if (MikMod_Init("") == 0)
        module = Player_Load(module_path, 64, 0);
    char ready = module ? 1 : 0;
    if (write(ready_fd, &ready, 1) != 1 || !module)
        _exit(1);
    close(ready_fd);
    Player_Start(module);
    while (Player_Active() && module->sngtime < LONGEST_TRACK_SECONDS * 1024)
        MikMod_Update();
    Player_Stop();
    Player_Free(module);
    MikMod_Exit();
    _exit(0);
}

pid_t record_audio_start(const char* module_path, int* samples_fd)
{
    if (access(module_path, R_OK) != 0)
        return -1;
    int samples[2], ready[2];
    if (pipe(samples) != 0)
        return -1;
    if (pipe(ready) != 0) {
        close(samples[0]);
        close(samples[1]);
        return -1;
    }
    fflush(stdout);
    pid_t pid = fork();
    if (pid == 0) {
        close(samples[0]);
        close(ready[0]);
        dup2(samples[1], 1);
        close(samples[1]);
        mix_module(module_path, ready[1]);
    }
    close(samples[1]);
    close(ready[1]);
    char answer = 0;
    bool playing = pid > 0 && read(ready[0], &answer, 1) == 1 && answer == 1;
    close(ready[0]);
    if (!playing) {
        close(samples[0]);
        if (pid > 0)
            waitpid(pid, nullptr, 0);
        return -1;
    }
    *samples_fd = samples[0];
    return pid;
}
