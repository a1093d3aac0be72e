// quarrow-sound-probe: which of the demo's sound devices opens on this
// machine, tried in the order given, each in a short-lived child exactly as
// the demo's dialogue tries it. For the launcher, which answers the device
// question with the first one that works.
#include <mikmod.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/device_probe.h"
#include "audio/sound.h"
#include "audio/sound_dialogue.h"

static const char USAGE[] =
    "Usage: quarrow-sound-probe [--rate HZ] DEVICE...\n"
    "Tries each device number of the demo's sound menu in the order given\n"
    "(1 /dev/dsp, 2 the file music.raw, 3 no sound, 4 ALSA, 5 PulseAudio) for\n"
    "16-bit stereo at HZ (default 44100), and prints the first that opens as\n"
    "its number and name, e.g. \"5 PulseAudio\". Why the others failed goes to\n"
    "standard error. Exit status 0 when one opened, 1 when none did, 2 on a\n"
    "bad command line. --version prints the program's name and version.\n";

static int parse_number(const char* text, int min, int max)
{
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    return (*text && *end == '\0' && value >= min && value <= max) ? static_cast<int>(value) : -1;
}

int main(int argc, char** argv)
{
    int rate = 44100;
    int first = 1;
    if (argc > 1 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(USAGE, stdout);
        return 0;
    }
    if (argc > 1 && strcmp(argv[1], "--version") == 0) {
        printf("quarrow-sound-probe %s\n", QUARROW_VERSION);
        return 0;
    }
    if (argc > 2 && strcmp(argv[1], "--rate") == 0) {
        rate = parse_number(argv[2], SOUND_RATE_MIN, SOUND_RATE_MAX);
        first = 3;
        if (rate < 0) {
            fprintf(stderr, "quarrow-sound-probe: the rate must be %d to %d, not %s\n", SOUND_RATE_MIN,
                    SOUND_RATE_MAX, argv[2]);
            return 2;
        }
    }
    if (first >= argc) {
        fputs(USAGE, stderr);
        return 2;
    }
    for (int i = first; i < argc; i++)
        if (parse_number(argv[i], 1, 9) < 0) {
            fprintf(stderr, "quarrow-sound-probe: not a device number: %s\n", argv[i]);
            return 2;
        }

    sound_register();
    for (int i = first; i < argc; i++) {
        md_device = static_cast<UWORD>(parse_number(argv[i], 1, 9));
        md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_INTERP | DMODE_SOFT_MUSIC;
        md_mixfreq = static_cast<UWORD>(rate);
        DeviceProbe probe;
        device_probe(&probe);
        if (probe.ok) {
            printf("%d %s\n", md_device, probe.text);
            return 0;
        }
        fprintf(stderr, "quarrow-sound-probe: device %d: %s.\n", md_device, probe.text);
    }
    return 1;
}
