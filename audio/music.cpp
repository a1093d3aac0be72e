// Placeholder until the music process lands: no music is ever started.
#include "audio/music.h"

#include "audio/sound.h"

int music_playing;
pid_t music_pid;

void music_start(const char* path)
{
    (void)path;
}

void music_stop()
{
}
