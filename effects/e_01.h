// The plasma with the scrolling picture window ("e_01"), split into set-up
// and one frame of drawing so the pieces can be measured and checked on
// their own.
#pragma once

#include <cstdint>

#include "core/image.h"

constexpr int32_t E01_PLASMA_WIDTH = 106;
constexpr int32_t E01_PLASMA_HEIGHT = 80;
constexpr uint8_t E01_KEY = 89;

// The picture window, in picture pixels: drawn from screen column 2 x left
// and row 2 x top, 160 - left wide and 120 - top high, starting at picture
// column src_x and row src_y.
struct E01Window {
    int32_t left;
    int32_t top;
    int32_t src_x;
    int32_t src_y;
};

struct E01Scene {
    Image* plasma;          // 106 x 80, values 128..254
    const Image* picture;   // as large as the frame
    E01Window window;
};

// Entries 128..255 of palette for frame f; entries 0..127 are left alone.
void e01_palette(uint8_t* palette, int32_t f);

// The plasma of frame f into the 106 x 80 image.
void e01_plasma(Image* plasma, int32_t f);

// Window at its start, off the right edge.
void e01_window_reset(E01Window* window);

// Draws the window for tenth of a second m of the effect (nothing before
// m = 50), then moves it one frame's step along that phase.
void e01_window_step(E01Window* window, Image* frame, const Image* picture, int32_t m);

// Frame f read at t ms: new palette, plasma stretched over the frame, window.
void e01_draw(E01Scene* scene, Image* frame, uint8_t* palette, int32_t f, int32_t t);
