// A clock that only moves when the program waits: drawing takes no time, and
// every frame starts exactly one period after the one before. quarrow-render
// and the tests run the script on it, so their frames are reproducible.
#include "core/clock.h"

static uint32_t virtual_now;

int32_t now_ms()
{
    return static_cast<int32_t>(virtual_now);
}

int wait_until(int32_t stamp, int32_t period)
{
    int32_t deadline = clock_add(stamp, period);
    if (!clock_reached(now_ms(), deadline))
        virtual_now = static_cast<uint32_t>(deadline);
    return 0;
}

// Nothing ever sleeps here, so a hook would never run.
void clock_set_wait_hook(void (*)()) {}
