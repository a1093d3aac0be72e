// Fills the shared sine and cosine table (see trig.h).
#include "core/trig.h"

#include <cmath>
#include <limits>

int32_t trig_table[2 * TRIG_STEPS];

// Extended precision is the x87's: a 64-bit significand. Where long double
// is wider (WebAssembly's has 113 bits), each result is rounded to 64 bits,
// so that sines within a hair of 1 round to 1 as they do on x86 and the
// table is the same on every build. On x86 this changes nothing.
static long double extended(long double x)
{
    if (std::numeric_limits<long double>::digits <= 64 || x == 0)
        return x;
    int exponent;
    long double mantissa = frexpl(x, &exponent);
    return ldexpl(nearbyintl(ldexpl(mantissa, 64)), exponent - 64);
}

void trig_init()
{
    const double step = 2.0 * 3.14159265358979323846 / TRIG_STEPS;
    for (int i = 0; i < TRIG_STEPS; i++) {
        long double angle = static_cast<long double>(i) * step;
        trig_table[i] = static_cast<int32_t>(extended(extended(sinl(angle)) * 1023.0L));
        trig_table[TRIG_STEPS + i] = static_cast<int32_t>(extended(extended(cosl(angle)) * 1023.0L));
    }
}
