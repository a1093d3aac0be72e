// Hand-made PCX files for the reader's tests, the fuzzer's seeds and the
// benchmark: every header field settable and the pixel stream written byte by
// byte, so tests can build the malformed files that no encoder writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/image.h"

struct PcxTestHeader {
    uint8_t manufacturer = 10;
    uint8_t version = 5;
    uint8_t bits_per_pixel = 8;
    uint16_t x_min = 0;
    uint16_t y_min = 0;
    uint16_t x_max = 0;
    uint16_t y_max = 0;
    uint8_t planes = 1;
    uint16_t bytes_per_line = 1;
};

// A header for a width x height picture with the given bytes per line
// (0: same as width).
PcxTestHeader test_pcx_header_for(int width, int height, int bytes_per_line = 0);

// The 128 header bytes.
std::string test_pcx_header(const PcxTestHeader& header);

// The 769-byte trailing colour table: marker, then 768 bytes.
std::string test_pcx_tail(const uint8_t* palette, uint8_t marker = 12);

// Run-length codes count pixels as one stream, runs of up to 63 running on
// across scan lines; bytes of 0xC0 and above always get a count byte.
std::string test_pcx_runs(const uint8_t* pixels, size_t count);

// A palette whose entries hold every byte value, 255 and 0 included.
void test_pcx_palette(uint8_t* palette);

// Writes bytes to a new temporary file and loads it with pcx_load; the file
// is removed again. *out is set to a non-null marker first, so a failed
// load must clear it.
int test_pcx_load_bytes(const std::string& bytes, Image** out, uint8_t* palette);
