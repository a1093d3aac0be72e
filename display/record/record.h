// The recording display of quarrow-render: instead of showing frames it
// counts them and, when asked, writes each one as an indexed PNG with the
// palette in effect, plus a frames.tsv index of script steps.
#pragma once

#include <sys/types.h>

#include <cstdint>

#include "core/image.h"

// Frames of script steps 0..25 to write; the rest are only counted.
struct RecordSelection {
    bool step[26];
};

// The runner tells the display which script step draws now and its label;
// frames are named by it. Step 0 ("blank") until the first call.
void record_set_step(int step, const char* label);

// Chooses the steps whose frames are written (to files or video).
void record_select(const RecordSelection* selection);

// Starts writing into dir (created if missing). 0 on success; -1 with a
// message on standard error when dir cannot be written.
int record_open(const char* dir, const RecordSelection* selection);

// Starts ffmpeg encoding every presented frame into the video file at path,
// at the demo's pace of one frame every 83 ms, each pixel enlarged to a
// scale x scale block, with the module at module_path as its sound track
// when that can be mixed (null: no sound). 0 on success, -1 when it cannot
// be started.
int record_video_open(const char* path, const char* module_path, int scale);

constexpr int RECORD_AUDIO_RATE = 44100;

// Starts mixing the module in a child process that writes 16-bit
// little-endian stereo samples at RECORD_AUDIO_RATE into a pipe, whose read
// end goes to *samples_fd. Returns the child, or -1 when the module cannot
// be played. The child ends at the module's end or when the pipe is closed.
pid_t record_audio_start(const char* module_path, int* samples_fd);

// True when the video has the module as its sound track.
bool record_video_has_sound();

// Hands one frame, coloured through palette, to the encoder.
void record_video_frame(const Image* frame, const uint8_t* palette);

// Ends the video and waits for ffmpeg; display_shutdown calls it. The file
// is still under its temporary name. 0 when ffmpeg wrote it.
int record_video_close();

// Gives a finished video its requested name. 0 on success (or without a
// video); -1 with a message on standard error.
int record_video_commit();

// Frames presented since the program started.
long record_frame_count();

// The palette the display holds now.
const uint8_t* record_palette();

// Called on every present with the frame and the palette in effect; for
// tests that look at frames without writing files. Null to stop.
void record_set_observer(void (*observer)(const Image* frame, const uint8_t* palette));

// Unfinished work of quarrow-render, removed on any end the run does not
// commit: the index and the video under their temporary names, the frame
// being written, the mixed sound track, and the children writing them.
enum RecordPending { RECORD_INDEX, RECORD_FRAME, RECORD_VIDEO, RECORD_SOUND, RECORD_PENDING_COUNT };

// The file now pending in slot (null: none, it is finished or committed).
void record_pending_file(RecordPending slot, const char* path);

// The child now writing for slot (0: none); killed and reaped on a failed end.
void record_pending_child(RecordPending slot, pid_t pid);

// Removes whatever is pending at exit and on SIGINT, SIGTERM and SIGHUP (the
// program then ends by that signal). Called once by quarrow-render.
void record_leftovers_install();

// Ends a failed run at once: message on standard error, pending work
// removed, exit status 1.
[[noreturn]] void record_fail(const char* message);

// After the script: checks that standard output, every frame, the index and
// the video were written, and only then gives the index and the video their
// real names.
// 0 on success; -1 with a message on standard error.
int record_finish();
