// The one sine and cosine table of the demo: 1000 steps to a turn, amplitude
// 1023, filled once at start-up. Any integer angle is reduced to 0..999 by
// the mathematical remainder before the look-up.
#pragma once

#include <cstdint>

constexpr int TRIG_STEPS = 1000;

// Entries 0..999: sin(i x 2pi/1000) x 1023; 1000..1999: the same for cos.
extern int32_t trig_table[2 * TRIG_STEPS];

// Fills trig_table. Until then every entry is 0.
void trig_init();

// a mod 1000 in 0..999, for any int a.
inline int trig_reduce(int a)
{
    if (a < 0) {
        if (a < -999)
            a %= TRIG_STEPS;
        a += TRIG_STEPS;
    }
    if (a >= TRIG_STEPS)
        a %= TRIG_STEPS;
    return a;
}

inline int trig_sin(int a)
{
    return trig_table[trig_reduce(a)];
}

inline int trig_cos(int a)
{
    return trig_table[TRIG_STEPS + trig_reduce(a)];
}
