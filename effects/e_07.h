// The swirling disc ("e_07"), split into set-up and one frame of drawing so
// the pieces can be measured and checked on their own.
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

// Distance between the disc's rings for a frame of the given size.
int32_t e07_ring_step(int32_t width, int32_t height);

// The fixed spokes, rings and texture band for the frame and picture.
void e07_init(E07Scene* scene, const Image* frame, Image* picture, EdgeEntry* table_a,
              EdgeEntry* table_b);

// Frame t: scrolls the picture, turns and swirls the disc and draws it.
void e07_draw(E07Scene* scene, Image* frame, int32_t t);
