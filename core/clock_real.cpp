// The wall clock: gettimeofday for the time, nanosleep for the coarse part of
// the frame wait, less the time spent paused. Linked into the programs that
// show frames to people.
#include "core/clock.h"

#include <sys/time.h>
#include <time.h>

static uint32_t wall_ms()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint32_t>(tv.tv_sec) * 1000u + static_cast<uint32_t>(tv.tv_usec / 1000);
}

// Every pause so far, taken out of each reading; and while held, the reading
// the clock stands at. Modulo 2^32 like the time itself.
static uint32_t held_total;
static uint32_t held_at;
static int held;

int32_t now_ms()
{
    return static_cast<int32_t>(held ? held_at : wall_ms() - held_total);
}

void clock_hold(int on)
{
    on = on != 0;
    if (on == held)
        return;
    if (on)
        held_at = wall_ms() - held_total;
    else
        held_total = wall_ms() - held_at;
    held = on;
}

static void (*wait_hook)();

void clock_set_wait_hook(void (*hook)())
{
    wait_hook = hook;
}

static void sleep_slice(int32_t ms)
{
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    nanosleep(&ts, nullptr);  // an interrupted sleep just polls longer
}

// With a hook, the sleep is cut into slices of at most 10 ms with the hook
// before each, so events are answered within a slice rather than a frame.
// The slices follow the clock, so a slow hook does not stretch the wait.
static void sleep_ms(int32_t ms)
{
    if (!wait_hook) {
        sleep_slice(ms);
        return;
    }
    int32_t end = clock_add(now_ms(), ms);
    for (;;) {
        wait_hook();
        int32_t left = clock_diff(end, now_ms());
        if (left <= 0)
            return;
        sleep_slice(left < 10 ? left : 10);
    }
}

int wait_until(int32_t stamp, int32_t period)
{
    return clock_wait(stamp, period, now_ms, sleep_ms);
}
