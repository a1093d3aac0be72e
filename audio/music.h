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
