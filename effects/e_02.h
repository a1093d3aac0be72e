// The pieces of e_02 (water ripples) that tests and benchmarks use on their
// own. Height fields are E02_CELLS signed cells stored column by column:
// cell (x, y) is element x * E02_ROWS + y.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/image.h"

constexpr int E02_COLUMNS = 160;
constexpr int E02_ROWS = 120;
constexpr int E02_CELLS = E02_COLUMNS * E02_ROWS;

// Draws the picture through the surface into the 160 x 120 working image:
// each pixel is shaded by the local slope and taken from the picture at a
// place shifted by it. The picture's size bytes are addressed column by
// column (120 bytes a column); a look-up outside them is clamped into them.
void e02_render(Image* work, const int32_t* field, const uint8_t* picture, size_t size);

// One damped wave step: writes the new surface over previous, which holds the
// surface before current. Border cells are never written.
void e02_wave_step(const int32_t* current, int32_t* previous);

// The drops that fall after frame `frames` (counted from 1) has been shown,
// s tenths of a second into an effect of `duration` tenths: rain for the
// first 12 s, a circling source from 16 s until 4 s before the end.
void e02_drops(int32_t* field, int frames, double s, unsigned duration);
