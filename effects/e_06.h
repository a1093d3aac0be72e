// The swaying mesh and spinning card ("e_06"), split into set-up and one
// frame of drawing so the pieces can be measured and checked on their own.
#pragma once

#include <cstdint>

#include "core/image.h"
#include "effects/polygon.h"

constexpr int E06_COLUMNS = 16;
constexpr int E06_ROWS = 12;

struct E06Scene {
    PolyPoint base[E06_COLUMNS * E06_ROWS];     // column after column
    PolyPoint texture[E06_COLUMNS * E06_ROWS];  // same layout, in mesh texels
    PolyPoint face_coords[2][4];                // corners of e_06-1, e_06-2
    const Image* mesh;
    const Image* faces[2];
    EdgeEntry* table_a;
    EdgeEntry* table_b;
    unsigned duration;
};

// Grid line index of intervals equal steps over 0..size (both ends included).
int32_t e06_grid_line(int32_t index, int32_t size, uint32_t intervals);

// The fixed grid and card coordinates for a frame of the given size.
void e06_init(E06Scene* scene, const Image* frame, const Image* mesh, const Image* face1,
              const Image* face2, EdgeEntry* table_a, EdgeEntry* table_b, unsigned duration);

// The card's four corners in frame t of an effect lasting duration.
void e06_card_place(int32_t t, unsigned duration, PolyPoint corners[4]);

// Twice the signed area of corners 1, 2, 3: negative shows e_06-1, else e_06-2.
int32_t e06_card_side(const PolyPoint corners[4]);

// Draws frame t: the swayed mesh over the whole frame, then the card.
void e06_draw(const E06Scene* scene, Image* frame, int32_t t);
