// What quarrow-render learns of the script before it plays it for real (each
// step's frames and its start on the virtual clock), and the video's sound
// track made from that: each run of selected steps carries the song from the
// time the script reaches it, for exactly as long as its frames last.
#pragma once

#include <cstdint>

#include "demo/demo.h"
#include "demo/script.h"
#include "display/record/record.h"

struct ScriptPlan {
    long frames[SCRIPT_STEPS + 1];       // frames each step presents
    int32_t start_ms[SCRIPT_STEPS + 1];  // virtual time at which it begins
    int32_t end_ms;                      // virtual time at which the script ends
};

// Plays the script once on the virtual clock, quietly and writing nothing,
// in a child process, with run's seed. 0 when it ran to its end. The child's
// standard error stays open when show_errors is set, so a missing picture is
// named.
int render_plan(const DemoRun* run, ScriptPlan* plan, bool show_errors);

// Frames of the selected steps, or of all steps when selection is null.
long render_plan_frames(const ScriptPlan* plan, const RecordSelection* selection);

// Mixes the sound track of the selected steps at rate Hz into an unlinked
// temporary file, and returns its descriptor: 16-bit stereo, one video frame
// of 83 ms after another, the song where it lasts and silence after. -1 with
// a message on standard error when the module cannot be played, -2 when the
// track cannot be written.
int render_track(const ScriptPlan* plan, const RecordSelection* selection, const char* module_path,
                 int rate);
