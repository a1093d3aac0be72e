// The sound devices of the web page, in the order of the dialogue's menu:
// the page's Web Audio output first, then the library's raw file and no
// sound, at the numbers the dialogue gives them on Linux too.
#include <mikmod.h>

#include <cstdio>

#include "audio/device_probe.h"
#include "audio/sound.h"
#include "audio/web/web_music.h"

void sound_register_devices()
{
    MikMod_RegisterDriver(&drv_webaudio);
    MikMod_RegisterDriver(&drv_raw);
    MikMod_RegisterDriver(&drv_nos);
}

// A page has no child processes; every device opens in the page itself.
int device_opens_in_child(int)
{
    return 0;
}

void device_probe(DeviceProbe* result)
{
    *result = DeviceProbe{};
    snprintf(result->text, sizeof result->text, "%s", MikMod_strerror(MMERR_OPENING_AUDIO));
}
