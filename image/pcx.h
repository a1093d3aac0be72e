// 256-colour PC Paintbrush pictures: the reader every effect loads its
// pictures with, the header report of pcxinfo, and the writer that the
// artwork generator uses.
#pragma once

#include <cstdint>

#include "core/image.h"

// Size rules of the reader. Width and height come from the unsigned 16-bit
// header fields in signed arithmetic (x_max - x_min + 1), so they lie in
// -65534..65536 and never overflow. pcx_load refuses with -1, before
// anything is allocated and without a message (the plane check comes first):
//   - bits per pixel other than 8;
//   - a width or height of zero or less;
//   - a width larger than bytes per line (the cut would copy columns that
//     were never decoded);
//   - bytes per line or height above PCX_MAX_SIDE;
//   - width x height of PCX_MAX_PIXELS or more.
// Only width x height pixels are ever held: the padding beyond the width of
// each stored line is dropped while decoding. So no file, whatever its
// header claims, makes the reader hold more than 16 MiB of pixels. pcx_info
// reports any recognised header, whatever its sizes.
constexpr int PCX_MAX_SIDE = 16384;
constexpr int PCX_MAX_PIXELS = 4096 * 4096;

// Loads the picture at path into a new image stored in *out, and on a
// version-5 file with a valid trailing table copies its 768 colour bytes into
// palette. Returns the version byte (0..5), or -1 with *out null and the
// palette untouched. Only a multi-plane picture prints a message. Anything
// but a regular file (a FIFO, a device, a folder) is refused at once,
// without waiting for data.
int pcx_load(const char* path, Image** out, uint8_t* palette);

// Why the last pcx_load did not give a 256-colour picture: the system's
// error text, or what is wrong with the file. Empty after a version-5 load.
const char* pcx_load_problem();

// pcxinfo's report of the picture at path: reads its header and prints
// "<path> is a <W>x<H> PC Paintbrush image - Version <name>" and a line end
// on standard output, whatever the sizes, which it also stores in *width
// and *height. Returns the version byte for a known version (0, 2, 3 or 5);
// -1 for any other, whose line ends "- Version ERROR"; and -1 with no line
// and both sizes 0 when path is not a regular file, cannot be read or has
// no whole PC Paintbrush header.
int pcx_info(const char* path, int* width, int* height);

// Run-length decodes the pixel stream of the open file fd, from its current
// position, into image (width x height pixels) until the image is full or
// the file ends. Pixels never written keep their value. An image with no
// pixels (null, or a side of zero or less) is left alone and nothing is read.
void pcx_decode(int fd, Image* image);

// Reads the colour table at the end of the open file fd into palette.
// 0 on success; -1 (palette untouched) without a table marked 12.
int pcx_read_palette(int fd, uint8_t* palette);

// Writes image as an 8-bit, single-plane, version-5 file with run-length
// coding and the 769-byte palette tail; scan lines are padded to an even
// length with index 0. 0 on success; -1 for an image that the reader would
// refuse (a side of zero or less, a side above PCX_MAX_SIDE or too many
// pixels) or a failed write.
int pcx_write(const char* path, const Image* image, const uint8_t* palette);
