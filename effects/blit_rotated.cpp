// Rotating and zooming blit (see blit_rotated.h). Besides image_blit_scaled
// this is the only code that writes pixels through computed addresses: every
// source read is range-checked and every destination write lies inside the
// block as clipped to the destination.
#include "effects/blit_rotated.h"

#include <cmath>
#include <cstdlib>

#include "core/fp_round.h"

// Source positions are stepped in wrapping 32-bit arithmetic, so that large
// zooms behave like the closed form taken modulo 2^32 instead of overflowing.
static inline int32_t wrap(uint32_t value)
{
    return static_cast<int32_t>(value);
}

// zoom x cos or sin of the angle in 16.16, truncated towards zero. Values
// beyond the 32-bit range (huge zooms) saturate and NaN gives 0, so the
// conversion is always defined.
static uint32_t fixed_step(double value)
{
    double scaled = value * 65536.0;  // exact
    if (!(scaled == scaled))
        return 0;
    if (scaled >= 2147483647.0)
        return static_cast<uint32_t>(INT32_MAX);
    if (scaled <= -2147483648.0)
        return static_cast<uint32_t>(INT32_MIN);
    return static_cast<uint32_t>(static_cast<int32_t>(scaled));
}

void blit_rotated(Image* dst, const Image* src, int column_offset, int32_t row_offset, float zoom,
                  float angle, uint8_t key, uint8_t keyed)
{
    const int32_t width = src->width;
    const int32_t height = src->height;
    if (width <= 0 || height <= 0)
        return;

    // Clip the block to the destination: block columns [i0, i1), rows [j0, j1).
    int64_t i0 = column_offset < 0 ? -static_cast<int64_t>(column_offset) : 0;
    int64_t i1 = static_cast<int64_t>(dst->width) - column_offset;
    if (i1 > width)
        i1 = width;
    int64_t j0 = row_offset < 0 ? -static_cast<int64_t>(row_offset) : 0;
    int64_t j1 = static_cast<int64_t>(dst->height) - row_offset;
    if (j1 > height)
        j1 = height;
    if (i0 >= i1 || j0 >= j1)
        return;

    // The x87's cosine may return more than a double's bits; each factor and
    // the product are rounded to doubles as on the SSE builds.
    const double c = fp_double(cos(static_cast<double>(angle)));
    const double s = fp_double(sin(static_cast<double>(angle)));
    const uint32_t p = fixed_step(fp_double(static_cast<double>(zoom) * c));
    const uint32_t q = fixed_step(fp_double(static_cast<double>(zoom) * s));
    const int32_t cx = width / 2;
    const int32_t cy = height / 2;
    const uint32_t u_centre = static_cast<uint32_t>(cx) << 16;
    const uint32_t v_centre = static_cast<uint32_t>(cy) << 16;
    const uint8_t* in = src->pixels;
    const size_t pitch = static_cast<size_t>(dst->width);

    for (int64_t j = j0; j < j1; j++) {
        // Closed form at the first clipped column of the row, then steps of (P, Q).
        uint32_t di = static_cast<uint32_t>(i0 - cx);
        uint32_t dj = static_cast<uint32_t>(j - cy);
        uint32_t u = u_centre + di * p - dj * q;
        uint32_t v = v_centre + di * q + dj * p;
        uint8_t* out = dst->pixels + static_cast<size_t>(row_offset + j) * pitch +
                       static_cast<size_t>(column_offset + i0);
        uint8_t* const end = out + (i1 - i0);
        if (keyed) {
            for (; out < end; out++, u += p, v += q) {
                uint32_t column = static_cast<uint32_t>(wrap(u) >> 16);
                uint32_t row = static_cast<uint32_t>(wrap(v) >> 16);
                if (column < static_cast<uint32_t>(width) && row < static_cast<uint32_t>(height)) {
                    uint8_t pixel = in[static_cast<size_t>(row) * static_cast<size_t>(width) + column];
                    if (pixel != key)
                        *out = pixel;
                }
            }
        } else {
            for (; out < end; out++, u += p, v += q) {
                uint32_t column = static_cast<uint32_t>(wrap(u) >> 16);
                uint32_t row = static_cast<uint32_t>(wrap(v) >> 16);
                if (column < static_cast<uint32_t>(width) && row < static_cast<uint32_t>(height))
                    *out = in[static_cast<size_t>(row) * static_cast<size_t>(width) + column];
            }
        }
    }
}
