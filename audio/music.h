// The music process: a child forked after the frame buffer exists, playing
// the module until it ends or the main process sends it SIGTERM.
#pragma once

#include <sys/types.h>

extern int music_playing;  // main process: 1 from the fork until music_stop
extern pid_t music_pid;

// Forks the music process for the module at path, if music is enabled and
// not yet playing. Returns at once in the main process.
void music_start(const char* path);

// Sends SIGTERM to the music process once. Safe to call at any time.
void music_stop();
