// The music in the page (see web_music.h): the module the sound dialogue's
// device plays, mixed whenever the clock waits instead of in a process.
#include "audio/web/web_music.h"

#include <emscripten.h>
#include <mikmod.h>

#include <cstdio>

#include "audio/music.h"

// Upper bound on the mixer's voices, as in the music process.
static constexpr int MUSIC_VOICES = 64;

// How far ahead of the page's playing the Web Audio queue is kept: more
// than the longest stall of the page's main thread between two pumps (up to
// 780 ms seen in Chromium on a busy 2-core machine, in the page's first
// seconds), so no block is ever scheduled late. The lead is only mixed
// ahead: the first block plays at once, and the song keeps the picture's time.
static constexpr double WEBAUDIO_LEAD_MS = 1000;

static MODULE* module;
static double started_ms;

void music_start(const char* path)
{
    if (music_enabled != 1 || module)
        return;
    module = Player_Load(path, MUSIC_VOICES, 0);
    if (!module) {
        printf("MikMod Error: %s\n", MikMod_strerror(MikMod_errno));
        fflush(stdout);
        return;
    }
    Player_Start(module);
    music_playing = 1;
    started_ms = emscripten_get_now();
    music_pump();
}

void music_pump()
{
    if (!module)
        return;
    if (md_driver == &drv_webaudio) {
        while (Player_Active() && webaudio_queued_ms() < WEBAUDIO_LEAD_MS)
            MikMod_Update();
    } else {
        // The file and no-sound devices take no time to play, so they are
        // held to the song's own clock (sngtime, in 1/1024 s).
        double elapsed = emscripten_get_now() - started_ms;
        while (Player_Active() && module->sngtime * 1000.0 / 1024 < elapsed)
            MikMod_Update();
    }
    if (!Player_Active())
        music_stop();
}

void music_stop()
{
    if (!module)
        return;
    Player_Stop();
    Player_Free(module);
    module = nullptr;
    // Closes the device: the queued sound stops, the raw file is complete.
    MikMod_Exit();
    music_playing = 0;
}
