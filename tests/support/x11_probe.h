// Looking at a running X client from outside, the way a user's tools would:
// a program kept running in the background with a pipe to its standard
// input, xwininfo/xprop/xwd on its window, and ipcs on its memory segments.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/processes.h"


// Output of an X tool from /usr/bin run against display.
std::string x_tool(const std::string& display, const std::vector<std::string>& argv);

// Id ("0x...") of the top-level window named title, or "" when none.
std::string x_window_named(const std::string& display, const std::string& title);

// An xwd dump of one window: its pixel values and the colormap it names.
struct XwdDump {
    int width = 0;
    int height = 0;
    int depth = 0;
    std::vector<uint8_t> pixels;  // one byte per pixel (8-bit windows only)
    std::vector<uint16_t> red, green, blue;  // by pixel value
};
bool x_window_dump(const std::string& display, const std::string& window, XwdDump* dump);

// System V shared-memory segments made by process cpid.
struct ShmSegment {
    int id = -1;
    int perms = 0;
    long bytes = 0;
    int attached = 0;
};
std::vector<ShmSegment> shm_segments_of(pid_t cpid);
