// The recording display of quarrow-render: instead of showing frames it
// counts them and, when asked, writes each one of the selected steps as an
// indexed PNG with the palette in effect, plus a frames.tsv index.
#pragma once

#include <cstdint>

#include "core/image.h"

// The script's rows, the black screen before it included; the top, which
// knows the script, checks that the two agree (demo/render_track.h).
constexpr int RECORD_STEPS = 26;

// Frames of script steps 0..RECORD_STEPS-1 to write; the rest are only counted.
struct RecordSelection {
    bool step[RECORD_STEPS];
};

// The runner tells the display which script step draws now and its label;
// frames are named by it. Step 0 ("blank") until the first call.
void record_set_step(int step, const char* label);

// Chooses the steps whose frames are written (to files or video).
void record_select(const RecordSelection* selection);

// Starts writing into dir (created if missing). 0 on success; -1 with a
// message on standard error when dir cannot be written.
int record_open(const char* dir, const RecordSelection* selection);

// The palette the display holds now.
const uint8_t* record_palette();

// Called on every present with the frame and the palette in effect; for
// tests that look at frames without writing files. Null to stop.
void record_set_observer(void (*observer)(const Image* frame, const uint8_t* palette));

// After the script: checks that standard output, every frame, the index and
// the video were written, and only then gives the index and the video their
// real names.
// 0 on success; -1 with a message on standard error.
int record_finish();
