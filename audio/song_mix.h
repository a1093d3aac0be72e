// The demo's module mixed into memory on request, for quarrow-render, which
// has no sound device to play it on and makes its video's sound track with
// it. (The web page mixes in its own music, audio/web/.) Nothing paces the
// mixing: the caller asks for as much as it needs.
#pragma once

#include <cstdint>

// The music library keeps one global state, which the music process
// (audio/music.h) also uses: a program either starts that process or mixes
// here, never both. quarrow-render only mixes.

// Loads the module at path for 16-bit stereo at rate Hz (1 to 65535),
// positioned at the song's start; an open song is closed first. 0 on
// success; -1 when the library or the module cannot be set up, with the
// library's reason in song_mix_error().
int song_mix_open(const char* path, int rate);

// Back to the song's start (the module is loaded again). 0 on success.
int song_mix_restart();

// Mixes the next frames stereo frames (2 * frames samples, left first) into
// out from the current position. Once the song has ended the rest is
// silence. Returns how many of them were still song; 0 when nothing is open.
long song_mix(int16_t* out, long frames);

// Mixes and discards frames stereo frames: how a caller gets to a time.
void song_mix_skip(long frames);

// Frees the module and shuts the library down. Safe when nothing is open.
void song_mix_close();

// The library's last error text.
const char* song_mix_error();
