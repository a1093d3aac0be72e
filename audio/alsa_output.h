// ALSA output for the music library's software mixer: device 4 of the
// dialogue, playing through ALSA's default PCM. Only the probe child and the
// music process ever open it, one after the other.
#pragma once

#include <mikmod.h>

// The driver record registered in the library's list in place of its own
// ALSA driver, under the same names.
extern MDRIVER alsa_output_driver;

// Stops the card where it is while the music is held (1), and lets it go on
// (0). A device that cannot pause plays out what it holds and runs dry.
void alsa_output_pause(int held);

// 1 once the device failed for good (it was unplugged, or the server behind
// it went away): nothing is mixed any more, so the music can only end.
int alsa_output_lost();
