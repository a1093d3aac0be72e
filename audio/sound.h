// The sound set-up dialogue: output mode, device and mixing frequency, and
// the initialisation of the music library with the answers.
#pragma once

#include "audio/audio_state.h"

// Asks the questions and initialises the library. 0 when music is off by
// choice or ready, -1 when the driver failed; only music_enabled matters.
int sound_setup();

// Registers the module loaders, the devices in their menu order and the
// player hook, once however often it is called. The dialogue does this
// itself; tools that try devices without the dialogue call it first.
void sound_register();

// Registers the devices in their menu order; the file linked beside the
// dialogue says which: the system's (sound_devices.cpp) or the page's.
void sound_register_devices();

// The player hook the library calls once per tick while the module plays.
void music_tick();
