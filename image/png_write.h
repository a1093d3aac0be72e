// Writing a frame as an 8-bit indexed PNG with the palette in effect. Used by
// the recording display and by the native window's screenshot key.
#pragma once

#include <cstdint>

#include "core/image.h"

// Writes frame to path as an 8-bit indexed PNG whose 256 colours are the 768
// bytes of palette. 0 on success, -1 on error (errno tells why when the file
// could not be opened or written).
int image_write_png(const char* path, const Image* frame, const uint8_t* palette);
