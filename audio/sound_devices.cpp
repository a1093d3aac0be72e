// The sound devices of the programs run on Linux, in the order of the
// dialogue's menu.
#include <mikmod.h>

#include "audio/alsa_output.h"
#include "audio/sound.h"

void sound_register_devices()
{
    // The library appends, so this order is the numbering the user sees;
    // the sound-server devices come after the classic three.
    MikMod_RegisterDriver(&drv_oss);
    MikMod_RegisterDriver(&drv_raw);
    MikMod_RegisterDriver(&drv_nos);
    MikMod_RegisterDriver(&alsa_output_driver);
    MikMod_RegisterDriver(&drv_pulseaudio);
}
