// Everything the audio module remembers between calls, in one place. The
// main process owns these; after the fork the music process only reads its
// copy of music_opens_device.
#pragma once

#include <sys/types.h>

extern int music_enabled;       // 1 once a device is ready and music wanted (sound_setup)
extern int music_opens_device;  // 1 when the music process must open the device itself
extern int music_playing;       // 1 from the fork until music_stop has reaped the child
extern pid_t music_pid;         // the music process, or 0 / -1 when none was made
