// The fixed running order of the demo and blank_screen between effects.
#pragma once

#include "core/image.h"

constexpr int SCRIPT_STEPS = 25;
extern const char* const DEMO_TITLE;  // "quarrow for LINUX by tobrak"

// Black palette, zeroed frame, both shown.
void blank_screen(Image* frame);

// Runs steps 1 to 25 of the script on the frame buffer. on_step, when not
// null, hears each step's number and label just before the step runs.
void script_run(Image* frame, void (*on_step)(int step, const char* label));

// The statistics label of a step ("e_04" for the picture show, "blank" for
// blank_screen and for step 0).
const char* script_step_label(int step);
