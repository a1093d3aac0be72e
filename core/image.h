// The Image record: width x height palette indices, one byte each, rows back
// to back. Every picture in the demo is one: the frame buffer, loaded
// pictures and the effects' working images. Its create and free follow the
// program's failure rules (core/fatal.h).
#pragma once

#include <cstdint>

struct Image {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
};

// The one frame buffer every effect draws into and every display shows.
constexpr int32_t FRAME_WIDTH = 320;
constexpr int32_t FRAME_HEIGHT = 240;

// Allocates the record, then width x height zeroed pixels, and stores the
// record in *out. 0 on success; -1 when the record could not be allocated,
// -2 when the pixels could not be (or the size is negative); *out is null
// after either.
int image_create(Image** out, int32_t width, int32_t height);

// Releases the pixels and the record held in *handle, if any, and sets
// *handle to null.
void image_free(Image** handle);

// Sets every pixel to the low byte of value.
void image_fill(Image* image, int value);

// Nearest-neighbour copy of the source rectangle onto the destination
// rectangle with 8.8 steps, clipped against both images. With use_key set,
// source pixels equal to key are skipped. Never touches memory outside
// either image.
void image_blit_scaled(Image* dst, int32_t dx, int32_t dy, uint32_t dw, uint32_t dh,
                       const Image* src, int32_t sx, int32_t sy, uint32_t sw, uint32_t sh,
                       uint8_t key, uint8_t use_key);

// Copies the width x height source rectangle at (sx, sy) to dst at (dx, dy),
// each source pixel as a 2 x 2 block, skipping pixels equal to key. A
// rectangle that does not lie wholly inside both images draws nothing.
void image_blit_doubled(Image* dst, int32_t dx, int32_t dy, const Image* src, int32_t sx,
                        int32_t sy, uint32_t width, uint32_t height, uint8_t key);

// Moves every row right by shift mod width, wrapping around. Does nothing
// for a shift that reduces to 0 or when its row buffer cannot be had.
void rotate_picture_right(Image* picture, uint32_t shift);

// Moves the whole picture down by shift mod height rows, wrapping around,
// through a buffer for the smaller of the two blocks. Does nothing for a
// shift that reduces to 0 or when the buffer cannot be had.
void rotate_picture_down(Image* picture, uint32_t shift);
