// The recording display of quarrow-render: instead of showing frames it
// counts them and, when asked, writes each one as an indexed PNG with the
// palette in effect, plus a frames.tsv index of script steps.
#pragma once

#include <cstdint>

#include "core/image.h"

// Frames of script steps 0..25 to write; the rest are only counted.
struct RecordSelection {
    bool step[26];
};

// Starts writing into dir (created if missing). 0 on success; -1 with a
// message on standard error when dir cannot be written.
int record_open(const char* dir, const RecordSelection* selection);

// Writes one frame as an 8-bit indexed PNG with the 256 colours given.
// 0 on success, -1 on error.
int record_write_png(const char* path, const Image* frame, const uint8_t* palette);

// Frames presented since the program started.
long record_frame_count();

// The palette the display holds now.
const uint8_t* record_palette();

// Called on every present with the frame and the palette in effect; for
// tests that look at frames without writing files. Null to stop.
void record_set_observer(void (*observer)(const Image* frame, const uint8_t* palette));
