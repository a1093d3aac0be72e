// The effect clock and the wait algorithm shared by the real clock, plus the
// statistics line every effect prints when it ends.
#include "core/clock.h"

#include <cstdio>

static int32_t clock_origin;

void clock_start()
{
    clock_origin = now_ms();
}

int32_t clock_elapsed()
{
    return clock_diff(now_ms(), clock_origin);
}

int clock_wait(int32_t stamp, int32_t period, int32_t (*now)(), void (*sleep_ms)(int32_t))
{
    // Differences are taken modulo 2^32, so a deadline just past the wrap of
    // the millisecond time is still reached and the wait always ends.
    int32_t deadline = clock_add(stamp, period);
    int32_t remaining = clock_diff(deadline, now());
    int32_t coarse = (remaining / 10) * 10;
    if (coarse > 0)
        sleep_ms(coarse);
    while (!clock_reached(now(), deadline)) {
    }
    return 0;
}

void stats_print(const char* label, int frames, double rate)
{
    printf("%s:\t %d - Screens,\t Screens/sec - %f\n", label, frames, rate);
    // Sent at once: into a file or a pipe the line would otherwise wait in
    // the buffer, and be lost if the program is stopped by a signal.
    fflush(stdout);
}
