// 256-colour PC Paintbrush pictures: the reader every effect loads its
// pictures with, the header report of pcxinfo, and the writer that the
// artwork generator uses.
#pragma once

#include <cstdint>

#include "core/image.h"

// Largest width, height and bytes per line the reader accepts. Larger
// headers are refused before anything is allocated.
constexpr int PCX_MAX_SIDE = 16384;

// Loads the picture at path into a new image stored in *out, and on a
// version-5 file with a valid trailing table copies its 768 colour bytes into
// palette. Returns the version byte (0..5), or -1 with *out null and the
// palette untouched. Only a multi-plane picture prints a message.
int pcx_load(const char* path, Image** out, uint8_t* palette);

// Prints "<path> is a <w>x<h> PC Paintbrush image" and the version line;
// returns the version for 0, 2, 3 and 5, else -1.
int pcx_info(const char* path, int* width, int* height);

// Run-length decodes the pixel stream of the open file fd, from its current
// position, into image (width x height pixels) until the image is full or
// the file ends. Pixels never written keep their value.
void pcx_decode(int fd, Image* image);

// Reads the colour table at the end of the open file fd into palette.
// 0 on success; -1 (palette untouched) without a table marked 12.
int pcx_read_palette(int fd, uint8_t* palette);

// Writes image as an 8-bit, single-plane, version-5 file with run-length
// coding and the 769-byte palette tail. 0 on success, -1 on error.
int pcx_write(const char* path, const Image* image, const uint8_t* palette);
