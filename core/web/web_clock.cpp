// The clock of the web page: the browser's monotonic time, and a frame wait
// that yields the whole wait to the page (no polling, which would freeze it).
// The wait hook runs at least every 10 ms, to pump the music and read keys.
#include <emscripten.h>

#include "core/clock.h"

int32_t now_ms()
{
    uint64_t ms = static_cast<uint64_t>(emscripten_get_now());
    return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

static void (*wait_hook)();

void clock_set_wait_hook(void (*hook)())
{
    wait_hook = hook;
}

// The page's quarrowSleep resolves after ms, on a timer or, in a hidden tab
// where timers fire once a second, on the ticks of its audio worklet.
EM_ASYNC_JS(void, web_clock_sleep, (int ms), {
    await Module.quarrowSleep(ms);
});

int wait_until(int32_t stamp, int32_t period)
{
    int32_t deadline = clock_add(stamp, period);
    for (;;) {
        if (wait_hook)
            wait_hook();
        int32_t left = clock_diff(deadline, now_ms());
        if (left <= 0)
            return 0;
        web_clock_sleep(left < 10 ? left : 10);
    }
}
