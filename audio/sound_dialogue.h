// The sound dialogue's prompts that the launcher answers, and the mixing
// rates the dialogue accepts. sound.cpp asks with them, quarrow-sound-probe
// checks its --rate against them, and tools/play reads this file (the build
// writes the values into the installed copy), so each stays a one-line
// #define that a script can read.
#pragma once

#define SOUND_RATE_MIN 8000
#define SOUND_RATE_MAX 44100
// Ends the output mode's and the device's question.
#define SOUND_NUMBER_PROMPT "Type corresponding number : "
#define SOUND_FREQUENCY_PROMPT "Enter mixing frequency (eg. 11025,22050,44100) : "
