// The sound set-up dialogue: output mode, device and mixing frequency, then
// the device opened with the answers. The classic devices are opened here and
// the music process inherits them; the sound-server devices are only tried
// in a probe child here, and the music process opens them itself.
#include "audio/sound.h"

#include <mikmod.h>

#include <cstdio>

#include "audio/audio_state.h"
#include "audio/device_probe.h"
#include "audio/sound_dialogue.h"
#include "core/prompt.h"

// The library's own tick handler, returned when music_tick takes its place.
static MikMod_player_t library_tick;

// The menu's "NO music" is joined by a no-break blank (0xA0), kept as typed.
static const char MODE_PROMPT[] =
    "Choose output mode:\n0. NO" "\xA0" "music\n"
    "1. 8 bits, mono\n2. 8 bits, stereo\n3. 16 bits, mono\n4. 16 bits, stereo\n"
    SOUND_NUMBER_PROMPT;

// Mode flags per menu answer 1..4; interpolation and the software mixer are
// added to every one of them.
static const UWORD MODE_FLAGS[5] = {0, 0, DMODE_STEREO, DMODE_16BITS, DMODE_16BITS | DMODE_STEREO};

void sound_register()
{
    // The library links the records it is given into its lists: a second
    // registration would make a list loop on itself.
    static bool registered;
    if (registered)
        return;
    registered = true;
    MikMod_RegisterLoader(&load_m15);
    MikMod_RegisterLoader(&load_mod);
    MikMod_RegisterLoader(&load_mtm);
    MikMod_RegisterLoader(&load_s3m);
    MikMod_RegisterLoader(&load_stm);
    MikMod_RegisterLoader(&load_ult);
    MikMod_RegisterLoader(&load_uni);
    MikMod_RegisterLoader(&load_xm);

    sound_register_devices();

    library_tick = MikMod_RegisterPlayer(music_tick);
}

static void print_driver_list()
{
    fputs("Choose sound device :\n", stdout);
    // One line per driver, numbered from 1, without a final line end.
    char* list = MikMod_InfoDriver();
    if (list) {
        printf("%s\n", list);
        MikMod_free(list);
    }
}

int sound_setup()
{
    md_mixfreq = 11025;
    md_mode = 0;
    md_device = 0;

    int answer = ask_number(MODE_PROMPT, 0, 4);
    if (answer == 0) {
        music_enabled = 0;
        return 0;
    }
    md_mode = MODE_FLAGS[answer] | DMODE_INTERP | DMODE_SOFT_MUSIC;

    sound_register();
    print_driver_list();
    md_device = static_cast<UWORD>(ask_number(SOUND_NUMBER_PROMPT, 1, 9));
    md_mixfreq = static_cast<UWORD>(ask_number(SOUND_FREQUENCY_PROMPT, SOUND_RATE_MIN, SOUND_RATE_MAX));

    DeviceProbe opened{};
    music_opens_device = device_opens_in_child(md_device);
    if (music_opens_device) {
        device_probe(&opened);
        md_mode = static_cast<UWORD>(opened.mode ? opened.mode : md_mode);
        md_mixfreq = static_cast<UWORD>(opened.mixfreq ? opened.mixfreq : md_mixfreq);
    } else {
        opened.ok = MikMod_Init("") == 0;
        snprintf(opened.text, sizeof opened.text, "%s",
                 opened.ok ? md_driver->Name : MikMod_strerror(MikMod_errno));
    }
    if (!opened.ok) {
        printf("Driver error: %s.\n", opened.text);
        fflush(stdout);
        music_enabled = 0;
        return -1;
    }
    // The driver may have adjusted the mode and rate; report what it uses.
    printf("Using %s for %d bit %s %s sound at %u Hz\n\n", opened.text,
           (md_mode & DMODE_16BITS) ? 16 : 8, (md_mode & DMODE_INTERP) ? "interpolated" : "normal",
           (md_mode & DMODE_STEREO) ? "stereo" : "mono", static_cast<unsigned>(md_mixfreq));
    fflush(stdout);
    music_enabled = 1;
    return 0;
}

// The library's handler advances the player and already keeps the mixer's
// tempo in step with the module's.
void music_tick()
{
    if (library_tick)
        library_tick();
}
