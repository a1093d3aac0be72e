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

// Writes one frame as an 8-bit indexed PNG with the 256 colours given.
// 0 on success, -1 on error.
int record_write_png(const char* path, const Image* frame, const uint8_t* palette);

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

// Ends the video and waits for ffmpeg; display_shutdown calls it, so a
// fatal end still finishes the file. 0 when the file was written.
int record_video_close();

// Frames presented since the program started.
long record_frame_count();

// The palette the display holds now.
const uint8_t* record_palette();

// Called on every present with the frame and the palette in effect; for
// tests that look at frames without writing files. Null to stop.
void record_set_observer(void (*observer)(const Image* frame, const uint8_t* palette));
