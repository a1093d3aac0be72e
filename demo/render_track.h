// What quarrow-render learns of the script before it plays it for real (each
// step's frames and its start on the virtual clock), and the video's sound
// track made from that: each run of selected steps carries the song from the
// time the script reaches it, for exactly as long as its frames last.
#pragma once

#include <cstdint>

#include "demo/demo.h"
#include "demo/script.h"
#include "display/record/record.h"

// The recording display selects steps by the script's row numbers.
static_assert(RECORD_STEPS == SCRIPT_STEPS + 1, "RecordSelection holds one flag per script row");

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

// render_track's failures; each comes with a message on standard error.
constexpr int RENDER_TRACK_NO_MODULE = -1;  // the module cannot be played: a video without sound
constexpr int RENDER_TRACK_NO_FILE = -2;    // the track cannot be written: no video

// Mixes the sound track of the selected steps at rate Hz into an unlinked
// temporary file, and returns its descriptor: 16-bit stereo, one video frame
// of FRAME_PERIOD_MS after another, the song where it lasts and silence
// after; or one of the failures above.
int render_track(const ScriptPlan* plan, const RecordSelection* selection, const char* module_path,
                 int rate);
