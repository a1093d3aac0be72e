// The timed loop every effect runs: restart the effect clock, then per frame
// read the elapsed time, wait for the frame period and take a new stamp.
// An effect with a duration keeps going while frame_loop_running holds.
#pragma once

#include <cstdint>

struct FrameLoop {
    int32_t t;       // elapsed ms, read at the top of the current frame
    int32_t stamp;   // now_ms when the current frame began
    int frames;      // frames shown so far
};

// clock_start, then t = clock_elapsed, stamp = now_ms, no frames yet.
void frame_loop_begin(FrameLoop* loop);

// Top of a frame: t = clock_elapsed, wait_until(stamp, 83), stamp = now_ms.
void frame_loop_next(FrameLoop* loop);

// The end test of the effects with a duration in tenths of a second:
// duration > t x 0.01, with the t of the frame just shown.
bool frame_loop_running(const FrameLoop* loop, unsigned duration);

// Frames per second of nominal duration: frames x 10 / duration.
double frame_loop_nominal_rate(const FrameLoop* loop, unsigned duration);

// Frames per second of measured time: frames x 10 / (t x 0.01).
double frame_loop_measured_rate(const FrameLoop* loop);
