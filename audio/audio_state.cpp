// The audio module's state (see audio_state.h).
#include "audio/audio_state.h"

int music_enabled;
int music_opens_device;
int music_playing;
pid_t music_pid;
