// Millisecond time, the effect clock, the frame wait and the statistics line.
// now_ms and wait_until come from the clock linked into the program: the real
// one (clock_real.cpp), the page's (web/web_clock.cpp) or the virtual one of
// quarrow-render (clock_virtual.cpp).
#pragma once

#include <cstdint>

constexpr int32_t FRAME_PERIOD_MS = 83;

// Wall-clock milliseconds, wrapping modulo 2^32. Only differences are used.
int32_t now_ms();

// Returns once now_ms() has reached stamp + period. Always 0.
int wait_until(int32_t stamp, int32_t period);

// The real and web clocks run hook about every 10 ms while wait_until
// sleeps, so a display can read its events without blocking (the virtual
// clock never sleeps). Null for none.
void clock_set_wait_hook(void (*hook)());

// Only the real clock: while held (held 1), now_ms stands still; released,
// it goes on from the same reading, so a pause costs no effect any time.
void clock_hold(int held);

// Restarts the effect clock; each effect calls it before its first frame.
void clock_start();

// Milliseconds since the last clock_start.
int32_t clock_elapsed();

// The wait of the real clock, over any time source: sleeps whole tens of
// milliseconds, then polls the last few. Split out so tests can drive it.
int clock_wait(int32_t stamp, int32_t period, int32_t (*now)(), void (*sleep_ms)(int32_t));

// The 32-bit millisecond time wraps: sums and differences of its readings
// are taken modulo 2^32 here, and nowhere else, so none of them overflows.
inline int32_t clock_add(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t clock_diff(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// True once the 32-bit millisecond time a has reached b, across the wrap.
inline bool clock_reached(int32_t a, int32_t b)
{
    return clock_diff(a, b) >= 0;
}

// Prints "<label>:\t <frames> - Screens,\t Screens/sec - <rate>" and flushes
// standard output.
void stats_print(const char* label, int frames, double rate);
