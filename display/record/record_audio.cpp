// The sound track of quarrow-render's video: the demo's module mixed by the
// music library's raw-file driver into 16-bit stereo samples at 44100 Hz, in
// a child process so the library's state never touches the renderer.
#include <mikmod.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "display/record/record.h"

// A module that loops for ever is cut here, well past the demo's length.
static constexpr long LONGEST_TRACK_SECONDS = 300;

[[noreturn]] static void mix_module(const char* module_path, const char* raw_path)
{
    MikMod_RegisterLoader(&load_xm);
    MikMod_RegisterLoader(&load_mod);
    MikMod_RegisterDriver(&drv_raw);
    md_device = 1;
    md_mixfreq = RECORD_AUDIO_RATE;
    md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_INTERP | DMODE_SOFT_MUSIC;
    std::string parameters = std::string("file=") + raw_path;
    if (MikMod_Init(parameters.c_str()) != 0)
        _exit(1);
    MODULE* module = Player_Load(module_path, 64, 0);
    if (!module) {
        MikMod_Exit();
        _exit(1);
    }
    Player_Start(module);
    while (Player_Active() && module->sngtime < LONGEST_TRACK_SECONDS * 1024)
        MikMod_Update();
    Player_Stop();
    Player_Free(module);
    MikMod_Exit();
    _exit(0);
}

int record_audio_render(const char* module_path, const char* raw_path)
{
    if (access(module_path, R_OK) != 0)
        return -1;
    fflush(stdout);
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0)
        mix_module(module_path, raw_path);
    record_pending_child(RECORD_SOUND, pid);
    int status = 0;
    pid_t ended = waitpid(pid, &status, 0);
    record_pending_child(RECORD_SOUND, 0);
    if (ended != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return 0;
}
