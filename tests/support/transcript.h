// The demo's own lines that the end-to-end tests of several programs expect
// whole: the banner and the sound dialogue, as every display build prints
// them before its own question, and the statistics of the whole script.
#pragma once

#include <mikmod.h>

#include <string>

#include "audio/alsa_output.h"

inline const std::string DEMO_BANNER = "*** quarrow for LINUX by tobrak *** \n";
inline const std::string SOUND_PROMPT =
    "Choose output mode:\n0. NO\xA0music\n1. 8 bits, mono\n2. 8 bits, stereo\n3. 16 bits, mono\n"
    "4. 16 bits, stereo\nType corresponding number : ";

// The numbered device list MikMod prints, in the order the drivers are
// registered; the library's own drivers name themselves with the version of
// the library installed (Debian 13's PulseAudio driver is v0.2, Debian 12's
// v0.1).
inline const std::string SOUND_DEVICE_LIST = std::string("Choose sound device :\n") +
    " 1 " + drv_oss.Version + "\n" + " 2 " + drv_raw.Version + "\n" + " 3 " + drv_nos.Version + "\n" +
    " 4 " + alsa_output_driver.Version + "\n" + " 5 " + drv_pulseaudio.Version + "\n";

// The answers for 16-bit stereo music through the raw-file driver at
// 22050 Hz, and what the sound dialogue prints for them.
inline const std::string ANSWERS_RAW_MUSIC = "4\n2\n22050\n";
inline const std::string SOUND_LINES_RAW_MUSIC =
    SOUND_PROMPT + SOUND_DEVICE_LIST +
    "Type corresponding number : "
    "Enter mixing frequency (eg. 11025,22050,44100) : "
    "Using Disk writer (raw data) for 16 bit interpolated stereo sound at 22050 Hz\n\n";

// The statistics lines of the whole script: retiming a step of the table
// changes them here, and every test that knows them follows.
// On the virtual clock a duration of d tenths shows frames at 0, 83, 166 ms
// and so on, up to and including the first one at or after d x 100 ms; the
// fades and the shrink rate their count by the start of their last frame.
inline const std::string DEMO_STATISTICS =
    "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n"
    "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n"
    "e_05:\t 17 - Screens,\t Screens/sec - 12.801205\n"
    "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n"
    "e_05:\t 17 - Screens,\t Screens/sec - 12.801205\n"
    "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n"
    "e_05:\t 17 - Screens,\t Screens/sec - 12.801205\n"
    "e_02:\t 423 - Screens,\t Screens/sec - 12.085714\n"
    "e_03:\t 23 - Screens,\t Screens/sec - 12.595838\n"
    "e_06:\t 363 - Screens,\t Screens/sec - 12.100000\n"
    "e_05:\t 17 - Screens,\t Screens/sec - 12.801205\n"
    "e_07:\t 363 - Screens,\t Screens/sec - 12.100000\n"
    "e_05:\t 17 - Screens,\t Screens/sec - 12.801205\n"
    "e_01:\t 483 - Screens,\t Screens/sec - 12.075000\n"
    "e_03:\t 23 - Screens,\t Screens/sec - 12.595838\n"
    "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n";

// Every frame the whole script presents, its blank screens and the black
// screen before it included, as quarrow-render counts them.
inline const long DEMO_FRAMES = 2383;

// The first of those lines with label ("e_02"), without its line end.
inline std::string demo_statistics_line(const std::string& label)
{
    size_t at = DEMO_STATISTICS.find(label + ":");
    return DEMO_STATISTICS.substr(at, DEMO_STATISTICS.find('\n', at) - at);
}
