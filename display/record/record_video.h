// The video of quarrow-render: every frame of the selected steps handed to
// ffmpeg at the demo's pace, with a sound track the caller mixed beforehand.
#pragma once

#include <cstdint>

#include "core/image.h"

// The sound track's sample rate; its samples are 16-bit stereo in the
// machine's byte order, left first.
constexpr int RECORD_AUDIO_RATE = 44100;

// Starts ffmpeg encoding every presented frame into the video file at path,
// at the demo's pace of one frame every 83 ms, each pixel enlarged to a
// scale x scale block. sound_fd, when not -1, is a file holding the whole
// sound track from its start, exactly as long as the video will be; ffmpeg
// reads it as it goes, and it is closed here. 0 on success, -1 when ffmpeg
// cannot be started.
int record_video_open(const char* path, int sound_fd, int scale);

// True when the video has a sound track.
bool record_video_has_sound();

// Hands one frame, coloured through palette, to the encoder. When ffmpeg has
// stopped, ends the run with its reason (record_fail).
void record_video_frame(const Image* frame, const uint8_t* palette);

// Ends the video and waits for ffmpeg; display_shutdown calls it. The file
// is still under its temporary name. 0 when ffmpeg wrote it.
int record_video_close();

// Gives a finished video its requested name. 0 on success (or without a
// video); -1 with a message, and ffmpeg's own, on standard error.
int record_video_commit();
