// The music in the web page. There is no process to fork, so the module is
// played in the page itself: music_start loads it, and the clock's waits
// pump the mixer through music_pump until the module ends or music_stop.
#pragma once

// Mixes what the device needs now: enough to keep the Web Audio queue a
// lead ahead, or, for the file and no-sound devices, up to the song's time
// since the start. Does nothing when no music plays.
void music_pump();

// The Web Audio device of the sound dialogue (web_audio_driver.cpp).
struct MDRIVER;
extern MDRIVER drv_webaudio;

// Milliseconds of sound queued ahead of what the page plays now.
double webaudio_queued_ms();
