// The fixed running order of the demo, blank_screen between effects, and the
// start-up and end sequence around it.
#pragma once

#include "core/image.h"

constexpr int SCRIPT_STEPS = 25;
extern const char* const DEMO_TITLE;  // "quarrow for LINUX by tobrak"

// Black palette, zeroed frame, both shown.
void blank_screen(Image* frame);

// Runs steps 1 to 25 of the script on the frame buffer.
void script_run(Image* frame);

// The step running now: 0 during start-up, 1..25 during the script. The
// recording display reads it to name the frames it writes.
int script_current_step();

// The statistics label of a step ("e_04" for the picture show, "blank" for
// blank_screen and for step 0).
const char* script_step_label(int step);

// The whole program behind main: banner, sound and display dialogues,
// tables, frame buffer, music, script, and the orderly end. Returns 0, or 1
// when the frame buffer cannot be allocated.
int demo_main(int argc, char** argv);
