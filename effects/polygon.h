// The textured polygon renderer of the mesh and disc effects: affine texture
// mapping of a polygon into an 8-bit frame, in 16.16 fixed point, through two
// caller-owned edge tables. It allocates nothing and keeps no state.
#pragma once

#include <cstdint>

// One polygon boundary on one frame row: its pixel column and the texture
// column and row there (16.16).
struct EdgeEntry {
    int32_t x;
    int32_t u;
    int32_t v;
};

// A vertex position (pixel column, row) or texture coordinate (texel column, row).
struct PolyPoint {
    int32_t x;
    int32_t y;
};

// Fills the polygon of count vertices (either winding) with texels of the
// texture, drawing rows from the top vertex up to but not including the
// bottom one and, in each, columns up to but not including the right edge.
// Both tables need at least height entries. Exact for polygons whose edges
// span less than 32768 in x, u and v, and whose two chains from top to
// bottom are monotone in y; any other input is drawn somehow, but nothing
// outside the frame, the texture or the first height rows of the tables is
// ever touched. Texture coordinates wrap in both directions.
void draw_textured_polygon(uint8_t* frame, int32_t width, int32_t height, EdgeEntry* table_a,
                           EdgeEntry* table_b, const PolyPoint* points, const PolyPoint* coords,
                           int32_t count, const uint8_t* texture, int32_t texture_width,
                           int32_t texture_height);

// Allocates the two edge tables of height entries each. 0 on success; -1
// (both null, nothing held) when height is not positive or memory is short.
int polygon_tables_create(int32_t height, EdgeEntry** table_a, EdgeEntry** table_b);

// Releases both tables; accepts nulls.
void polygon_tables_free(EdgeEntry** table_a, EdgeEntry** table_b);
