// The sound set-up dialogue: output mode, device and mixing frequency, and
// the initialisation of the music library with the answers.
#pragma once

#include "audio/audio_state.h"

// Asks the questions and initialises the library. 0 when music is off by
// choice or ready, -1 when the driver failed; only music_enabled matters.
int sound_setup();

// The player hook the library calls once per tick while the module plays.
void music_tick();
