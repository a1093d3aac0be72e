// The wall clock: gettimeofday for the time, nanosleep for the coarse part of
// the frame wait. Linked into the programs that show frames to people.
#include "core/clock.h"

#include <sys/time.h>
#include <time.h>

int32_t now_ms()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    uint32_t ms = static_cast<uint32_t>(tv.tv_sec) * 1000u + static_cast<uint32_t>(tv.tv_usec / 1000);
    return static_cast<int32_t>(ms);
}

static void sleep_ms(int32_t ms)
{
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    nanosleep(&ts, nullptr);  // an interrupted sleep just polls longer
}

int wait_until(int32_t stamp, int32_t period)
{
    return clock_wait(stamp, period, now_ms, sleep_ms);
}
