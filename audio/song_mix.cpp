// In-memory mixing of the module (see song_mix.h): the library's no-sound
// driver sets up the software mixer, and each request runs that mixer into
// the caller's buffer directly, so nothing paces it and no device is opened.
#include "audio/song_mix.h"

#include <mikmod.h>

#include <cstring>
#include <string>

// Upper bound on the mixer's voices, as the music process has it.
static constexpr int SONG_VOICES = 64;

// The player only learns that the song ended between ticks, so the mixer is
// run in steps this short and silence starts within one step of the end.
static constexpr long STEP_FRAMES = 256;

static MODULE* module;
static bool library_up;
static bool ended;
static std::string module_path;

static void unload()
{
    if (module) {
        Player_Stop();
        Player_Free(module);
        module = nullptr;
    }
}

static int load()
{
    module = Player_Load(const_cast<char*>(module_path.c_str()), SONG_VOICES, 0);
    if (!module)
        return -1;
    Player_Start(module);
    ended = false;
    return 0;
}

int song_mix_open(const char* path, int rate)
{
    song_mix_close();
    if (rate < 1 || rate > 65535)
        return -1;
    static bool registered;
    if (!registered) {
        MikMod_RegisterLoader(&load_xm);
        MikMod_RegisterLoader(&load_mod);
        MikMod_RegisterDriver(&drv_nos);
        registered = true;
    }
    // By name: a program may have registered the sound devices as well.
    md_device = static_cast<UWORD>(MikMod_DriverFromAlias("nosound"));
    md_mixfreq = static_cast<UWORD>(rate);
    md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_INTERP | DMODE_SOFT_MUSIC;
    if (MikMod_Init("") != 0)
        return -1;
    library_up = true;
    module_path = path;
    if (load() != 0) {
        song_mix_close();
        return -1;
    }
    return 0;
}

int song_mix_restart()
{
    if (!library_up)
        return -1;
    unload();
    return load();
}

long song_mix(int16_t* out, long frames)
{
    long song = 0;
    while (song < frames && module && !ended) {
        long step = frames - song < STEP_FRAMES ? frames - song : STEP_FRAMES;
        VC_WriteBytes(reinterpret_cast<SBYTE*>(out + 2 * song), static_cast<ULONG>(step * 4));
        song += step;
        ended = !Player_Active();
    }
    memset(out + 2 * song, 0, static_cast<size_t>(frames - song) * 4);
    return song;
}

void song_mix_skip(long frames)
{
    int16_t scratch[2 * 4096];
    while (frames > 0) {
        long step = frames < 4096 ? frames : 4096;
        song_mix(scratch, step);
        frames -= step;
    }
}

void song_mix_close()
{
    unload();
    if (library_up)
        MikMod_Exit();
    library_up = false;
    ended = false;
}

const char* song_mix_error()
{
    return MikMod_strerror(MikMod_errno);
}
