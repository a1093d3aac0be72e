// Trying a sound device from a short-lived child process, for the devices
// whose client libraries must never be used by the main process (they
// refuse every call in a process forked after their first use).
#pragma once

struct DeviceProbe {
    int ok;                // 1 when the device opened with the settings
    unsigned mode;         // the library's mode flags after opening
    unsigned mixfreq;      // the mixing frequency after opening
    char text[256];        // the driver's name, or the library's error text
};

// 1 when device (numbered as in the library's list) is one that only the
// music process may open.
int device_opens_in_child(int device);

// Opens the selected device with the library's current settings in a child,
// closes it again and reports what happened. The main process only forks,
// reads and reaps.
void device_probe(DeviceProbe* result);
