// The swirling disc ("e_07") and the two in-place picture rotations that
// scroll its texture, split into set-up and one frame of drawing so the
// pieces can be measured and checked on their own.
#pragma once

#include <cstdint>

#include "core/image.h"
#include "effects/polygon.h"

constexpr int E07_SPOKES = 16;
constexpr int E07_RINGS = 12;

struct E07Scene {
    PolyPoint base[E07_SPOKES * E07_RINGS];    // spoke after spoke, fixed
    PolyPoint turned[E07_SPOKES * E07_RINGS];  // this frame's positions
    PolyPoint band[E07_RINGS][4];              // texture corners of each ring segment
    PolyPoint centre;
    Image* picture;
    EdgeEntry* table_a;
    EdgeEntry* table_b;
};

// Moves every row right by shift mod width, wrapping around. Does nothing
// for a shift that reduces to 0 or when its row buffer cannot be had.
void rotate_picture_right(Image* picture, uint32_t shift);

// Moves the whole picture down by shift mod height rows, wrapping around,
// through a buffer for the smaller of the two blocks. Does nothing for a
// shift that reduces to 0 or when the buffer cannot be had.
void rotate_picture_down(Image* picture, uint32_t shift);

// Distance between the disc's rings for a frame of the given size.
int32_t e07_ring_step(int32_t width, int32_t height);

// The fixed spokes, rings and texture band for the frame and picture.
void e07_init(E07Scene* scene, const Image* frame, Image* picture, EdgeEntry* table_a,
              EdgeEntry* table_b);

// Frame t: scrolls the picture, turns and swirls the disc and draws it.
void e07_draw(E07Scene* scene, Image* frame, int32_t t);
