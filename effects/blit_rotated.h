// The rotating and zooming blit: draws a source image turned about its own
// centre into a source-sized block of the destination, by inverse mapping in
// 16.16 fixed point. The spinning shrink transition is its user.
#pragma once

#include <cstdint>

#include "core/image.h"

// Draws src into the block of src->width x src->height pixels that starts at
// (column_offset, row_offset) of dst, turned by angle (radians) about the
// block's centre and zoomed (zoom > 1 shrinks, < 1 enlarges). Block pixels
// whose source position lies outside src keep their value; in keyed mode
// (keyed != 0) so do those whose source pixel equals key. The parts of the
// block outside dst are clipped off.
void blit_rotated(Image* dst, const Image* src, int column_offset, int32_t row_offset, float zoom,
                  float angle, uint8_t key, uint8_t keyed);
