// Rounding one floating-point step to its own type. On the x87 (the 32-bit
// PC build) float and double values are computed in extended precision and
// rounded only where the compiler happens to store them, so a product that
// is truncated to an integer could come out one apart from the SSE builds'.
// Passing each step through memory in its own type rounds it where the C++
// source does; on SSE and WebAssembly these do nothing.
#pragma once

#include <cfloat>

#if FLT_EVAL_METHOD != 0
inline float fp_float(float x)
{
    volatile float stored = x;
    return stored;
}

inline double fp_double(double x)
{
    volatile double stored = x;
    return stored;
}
#else
inline float fp_float(float x)
{
    return x;
}

inline double fp_double(double x)
{
    return x;
}
#endif
