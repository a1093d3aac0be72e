// The shared frame loop skeleton of the effects (see frame_loop.h).
#include "core/frame_loop.h"

#include "core/clock.h"
#include "core/fp_round.h"

void frame_loop_begin(FrameLoop* loop)
{
    clock_start();
    loop->t = clock_elapsed();
    loop->stamp = now_ms();
    loop->frames = 0;
}

void frame_loop_next(FrameLoop* loop)
{
    loop->t = clock_elapsed();
    wait_until(loop->stamp, FRAME_PERIOD_MS);
    loop->stamp = now_ms();
}

bool frame_loop_running(const FrameLoop* loop, unsigned duration)
{
    return static_cast<double>(duration) > fp_double(loop->t * 0.01);
}

double frame_loop_nominal_rate(const FrameLoop* loop, unsigned duration)
{
    return static_cast<double>(loop->frames * 10) / static_cast<double>(duration);
}

double frame_loop_measured_rate(const FrameLoop* loop)
{
    return fp_double(static_cast<double>(loop->frames * 10) / fp_double(loop->t * 0.01));
}
