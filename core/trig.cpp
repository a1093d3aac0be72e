// Fills the shared sine and cosine table (see trig.h).
#include "core/trig.h"

#include <cmath>

int32_t trig_table[2 * TRIG_STEPS];

void trig_init()
{
    const double step = 2.0 * 3.14159265358979323846 / TRIG_STEPS;
    for (int i = 0; i < TRIG_STEPS; i++) {
        long double angle = static_cast<long double>(i) * step;
        trig_table[i] = static_cast<int32_t>(sinl(angle) * 1023.0L);
        trig_table[TRIG_STEPS + i] = static_cast<int32_t>(cosl(angle) * 1023.0L);
    }
}
