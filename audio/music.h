// The music process: a child forked after the frame buffer exists, playing
// the module until it ends, the main process sends it SIGTERM, or the main
// process dies.
#pragma once

#include "audio/audio_state.h"

// Forks the music process for the module at path, if music is enabled and
// not yet playing. Returns at once in the main process.
void music_start(const char* path);

// Sends SIGTERM to the music process once, unless it has already ended, and
// reaps it; called at the end of the script and on every fatal error. Safe
// to call at any time, any number of times.
void music_stop();

// Holds the music still while the picture is paused (held 1), and lets it go
// on from where it stopped (held 0). The music process mixes nothing while
// held, so the device falls silent within its short buffer. Safe to call at
// any time; music_stop ends a held process as any other.
void music_hold(int held);
