// The fixed running order of the demo, as one table, and blank_screen
// between effects. Everything that needs to know the steps, their times,
// labels or pictures reads this table (quarrow-render --list prints it).
#pragma once

#include "core/image.h"

constexpr int SCRIPT_STEPS = 25;
constexpr int SCRIPT_MAX_PICTURES = 3;
extern const char* const DEMO_TITLE;  // "quarrow for LINUX by tobrak"

enum StepKind { STEP_BLANK, STEP_PICTURE_SHOW, STEP_E01, STEP_E02, STEP_E03, STEP_E04, STEP_E05,
                STEP_E06, STEP_E07 };

// A picture file a step reads, with the size its effect requires.
struct ScriptPicture {
    const char* path;  // relative to the working folder; null ends the list
    int width;
    int height;
};

struct ScriptStep {
    StepKind kind;
    unsigned duration;         // tenths of a second; 0 for steps that time themselves
    float red, green, blue;    // e_04's factors
    const char* label;         // of the statistics line and frames.tsv
    const char* description;   // one line, for --help and --list
    ScriptPicture pictures[SCRIPT_MAX_PICTURES];  // in the order the effect loads them
};

// Row 0 is the black screen before the script starts; rows 1 to 25 are the
// script's steps. Null outside 0 to SCRIPT_STEPS.
const ScriptStep* script_step(int step);

// Black palette, zeroed frame, both shown.
void blank_screen(Image* frame);

// Runs steps 1 to 25 of the script on the frame buffer. on_step, when not
// null, hears each step's number and label just before the step runs.
void script_run(Image* frame, void (*on_step)(int step, const char* label));

// The statistics label of a step ("e_04" for the picture show, "blank" for
// blank_screen and for any number outside the script).
const char* script_step_label(int step);
