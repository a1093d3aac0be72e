// The pieces of e_04 (the spotlit relief) that tests and benchmarks use on
// their own: the tinted ramp, the spot table, one lit frame and the light's
// bouncing motion.
#pragma once

#include <cstdint>

#include "core/image.h"

constexpr int E04_SPOT_SIDE = 256;  // the spot table is 256 x 256, row-major

// Where the light is and how it moves. Kept for the whole program: each run
// starts where the previous one left the light.
struct E04Light {
    int x, x_direction, x_speed;
    int y, y_direction, y_speed;
};

// The light as the next run will find it.
const E04Light* e04_light_state();

// Back to the program's starting light: (160, 120), moving right and down at 7.
void e04_light_reset();

// Palette entry j gets j x factor per component, truncated, capped at 255.
void e04_build_ramp(uint8_t* palette, float red, float green, float blue);

// 255 x v^2 with v = 1 - distance / 128 from (128, 128), 0 beyond radius 128.
void e04_build_spot(uint8_t* spot);

// Copies the height field into frame and lights rows 1 .. height-2 by the
// slope-shifted distance to the light at (light_x, light_y). Both images
// have the same size.
void e04_light_frame(Image* frame, const Image* heights, const uint8_t* spot, int light_x,
                     int light_y);

// One step of the light along one axis: a step that leaves [low, high] is
// undone and replaced by one in the reversed direction at a new speed 6..9.
void e04_light_axis(int* position, int* direction, int* speed, int low, int high);
