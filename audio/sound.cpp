// Placeholder until the sound dialogue lands: music stays off.
#include "audio/sound.h"

int music_enabled;

int sound_setup()
{
    music_enabled = 0;
    return 0;
}

void music_tick()
{
}
