// What a user sees of the native window: 8-bit RGB shots of a window or of
// the whole screen, checked against an indexed frame drawn at a whole
// multiple; and whether anything is still running in a test's folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/support.h"

struct Shot {
    int width = 0, height = 0;
    std::string rgb;
    uint32_t at(int x, int y) const
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(rgb.data()) + 3 * (size_t(y) * width + x);
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

// A window ("root" for the whole screen), as a screenshot tool takes it.
Shot shot_window(const std::string& display, const std::string& window);

// The root window through xwd: what a nested compositor shows.
Shot shot_root_xwd(const std::string& display);

// The part of shot at (left, top), width x height.
Shot shot_crop(const Shot& shot, int left, int top, int width, int height);

// The shot holds the frame at scale, its top left corner at (left, top),
// with black everywhere else in the shot.
void expect_frame_at(const Shot& shot, const PngFrame& frame, const uint8_t* palette, int scale,
                     int left, int top);

// Where in the shot the frame appears whole at scale, in its own palette;
// false when nowhere.
bool find_frame(const Shot& shot, const PngFrame& frame, int scale, int* left, int* top);

// True once no process has dir as its working folder (the demo and its
// music process), waiting up to two seconds.
bool no_process_left_in(const std::string& dir);

// Every frame quarrow-render writes for one step of the script (seed 1),
// from the demo's own pictures.
std::vector<PngFrame> render_step_frames(int step);

// True when some frame in frames has the same pixels and palette.
bool frame_among(const PngFrame& frame, const std::vector<PngFrame>& frames);
