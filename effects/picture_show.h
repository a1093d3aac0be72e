// The palette schedule of the picture show, exposed so that each frame's
// colours can be checked without running the timed loop.
#pragma once

#include <cstdint>

// Applies the palette step of frame n to the working palette and returns the
// palette to show: black for frames 0-4, a sixteenth of the source added per
// frame for 5-21, the source itself from frame 22 on, and once fading_out is
// set, a sixteenth taken off per frame down to 0.
const uint8_t* picture_show_palette_step(int n, bool fading_out, const uint8_t* source,
                                         uint8_t* working);
