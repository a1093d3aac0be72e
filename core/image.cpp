// Image records, the scaled and doubled copies and the in-place rotations.
// image_blit_scaled is the one routine that enlarges the frame buffer for the
// displays, so its inner loops carry no multiply, divide or per-pixel test in
// the unkeyed case.
#include "core/image.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int image_create(Image** out, int32_t width, int32_t height)
{
    *out = nullptr;
    Image* image = static_cast<Image*>(malloc(sizeof(Image)));
    if (!image)
        return -1;
    size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint8_t* pixels = nullptr;
    if (width >= 0 && height >= 0)
        pixels = static_cast<uint8_t*>(calloc(size ? size : 1, 1));
    if (!pixels) {
        free(image);
        return -2;
    }
    image->width = width;
    image->height = height;
    image->pixels = pixels;
    *out = image;
    return 0;
}

void image_free(Image** handle)
{
    Image* image = *handle;
    if (!image)
        return;
    free(image->pixels);
    free(image);
    *handle = nullptr;
}

void image_fill(Image* image, int value)
{
    memset(image->pixels, value & 0xff,
           static_cast<size_t>(image->width) * static_cast<size_t>(image->height));
}

// One destination row from a source row, stepping the 8.8 source column.
static void blit_row(uint8_t* out, const uint8_t* in, uint32_t count, uint32_t x_step)
{
    if (x_step == 256) {
        memcpy(out, in, count);
    } else if (x_step == 128) {
        // Exact doubling: each source byte fills two destination bytes.
        uint32_t pairs = count / 2;
        uint32_t j = 0;
#if defined(__SSE2__)
        for (; j + 16 <= pairs; j += 16) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + j));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j), _mm_unpacklo_epi8(v, v));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * j + 16), _mm_unpackhi_epi8(v, v));
        }
#endif
        for (; j < pairs; j++) {
            uint16_t twice = static_cast<uint16_t>(in[j] * 0x0101u);
            memcpy(out + 2 * j, &twice, 2);
        }
        if (count & 1)
            out[count - 1] = in[pairs];
    } else {
        // Four columns a pass with their own positions, so the steps do not
        // wait on one another.
        const uint32_t step4 = 4 * x_step;
        uint32_t p0 = 0, p1 = x_step, p2 = 2 * x_step, p3 = 3 * x_step;
        uint32_t j = 0;
        for (; j + 4 <= count; j += 4, p0 += step4, p1 += step4, p2 += step4, p3 += step4) {
            out[j] = in[p0 >> 8];
            out[j + 1] = in[p1 >> 8];
            out[j + 2] = in[p2 >> 8];
            out[j + 3] = in[p3 >> 8];
        }
        for (; j < count; j++, p0 += x_step)
            out[j] = in[p0 >> 8];
    }
}

static void blit_row_keyed(uint8_t* out, const uint8_t* in, uint32_t count, uint32_t x_step,
                           uint8_t key)
{
    uint32_t position = 0;
    for (uint32_t j = 0; j < count; j++, position += x_step) {
        uint8_t pixel = in[position >> 8];
        if (pixel != key)
            out[j] = pixel;
    }
}

void image_blit_scaled(Image* dst, int32_t dx, int32_t dy, uint32_t dw, uint32_t dh,
                       const Image* src, int32_t sx, int32_t sy, uint32_t sw, uint32_t sh,
                       uint8_t key, uint8_t use_key)
{
    if (sx < 0 || sy < 0 || !sw || !sh || !dw || !dh)
        return;
    uint32_t x_step = (sw * 256) / dw;
    uint32_t y_step = (sh * 256) / dh;

    // A rectangle lying wholly left of or above the destination draws nothing.
    if (dx < 0) {
        if (dw <= static_cast<uint32_t>(-static_cast<int64_t>(dx)))
            return;
        dw += dx;
        dx = 0;
        uint32_t kept = (dw * x_step) >> 8;
        sx += sw - kept;
        sw = kept;
    }
    if (dy < 0) {
        if (dh <= static_cast<uint32_t>(-static_cast<int64_t>(dy)))
            return;
        dh += dy;
        dy = 0;
        uint32_t kept = (dh * y_step) >> 8;
        sy += sh - kept;
        sh = kept;
    }
    if (sx < 0 || sy < 0 || !sw || !sh || !dw || !dh)
        return;
    x_step = (sw * 256) / dw;
    y_step = (sh * 256) / dh;
    if (dx >= dst->width || dy >= dst->height)
        return;
    if (dx + static_cast<int64_t>(dw) > dst->width) {
        dw = dst->width - dx;
        sw = (dw * x_step) >> 8;
    }
    if (dy + static_cast<int64_t>(dh) > dst->height) {
        dh = dst->height - dy;
        sh = (dh * y_step) >> 8;
    }
    if (sx >= src->width || sy >= src->height)
        return;
    if (sx + static_cast<int64_t>(sw) > src->width)
        sw = src->width - sx;
    if (sy + static_cast<int64_t>(sh) > src->height)
        sh = src->height - sy;
    if (!sw || !sh || !dw || !dh)
        return;
    x_step = (sw * 256) / dw;
    y_step = (sh * 256) / dh;

    const size_t dst_pitch = static_cast<size_t>(dst->width);
    const size_t src_pitch = static_cast<size_t>(src->width);
    uint8_t* out = dst->pixels + static_cast<size_t>(dy) * dst_pitch + dx;
    const uint8_t* in = src->pixels + static_cast<size_t>(sy) * src_pitch + sx;
    uint32_t row_position = 0;
    uint32_t previous_row = UINT32_MAX;
    for (uint32_t i = 0; i < dh; i++, row_position += y_step, out += dst_pitch) {
        uint32_t row = row_position >> 8;
        const uint8_t* line = in + row * src_pitch;
        if (use_key) {
            blit_row_keyed(out, line, dw, x_step, key);
        } else if (row == previous_row) {
            // Same source row as the line above: repeat the finished line.
            memcpy(out, out - dst_pitch, dw);
        } else {
            blit_row(out, line, dw, x_step);
        }
        previous_row = row;
    }
}

static bool rect_inside(const Image* image, int32_t x, int32_t y, uint64_t width, uint64_t height)
{
    return x >= 0 && y >= 0 && x + width <= static_cast<uint64_t>(image->width) &&
           y + height <= static_cast<uint64_t>(image->height);
}

void image_blit_doubled(Image* dst, int32_t dx, int32_t dy, const Image* src, int32_t sx,
                        int32_t sy, uint32_t width, uint32_t height, uint8_t key)
{
    if (!width || !height || !rect_inside(src, sx, sy, width, height) ||
        !rect_inside(dst, dx, dy, 2ull * width, 2ull * height))
        return;
    const size_t pitch = static_cast<size_t>(dst->width);
    for (uint32_t r = 0; r < height; r++) {
        const uint8_t* in = src->pixels + static_cast<size_t>(sy + r) * src->width + sx;
        uint8_t* out = dst->pixels + static_cast<size_t>(dy + 2 * r) * pitch + dx;
        for (uint32_t c = 0; c < width; c++) {
            uint8_t pixel = in[c];
            if (pixel == key)
                continue;
            out[2 * c] = pixel;
            out[2 * c + 1] = pixel;
            out[pitch + 2 * c] = pixel;
            out[pitch + 2 * c + 1] = pixel;
        }
    }
}

void rotate_picture_right(Image* picture, uint32_t shift)
{
    if (picture->width <= 0 || picture->height <= 0)
        return;
    const size_t width = static_cast<size_t>(picture->width);
    shift %= static_cast<uint32_t>(picture->width);
    if (shift == 0)
        return;
    uint8_t* buffer = static_cast<uint8_t*>(malloc(width));
    if (!buffer)
        return;
    uint8_t* row = picture->pixels;
    for (int32_t y = 0; y < picture->height; y++, row += width) {
        memcpy(buffer, row, width);
        memcpy(row, buffer + width - shift, shift);
        memcpy(row + shift, buffer, width - shift);
    }
    free(buffer);
}

void rotate_picture_down(Image* picture, uint32_t shift)
{
    if (picture->width <= 0 || picture->height <= 0)
        return;
    const uint32_t height = static_cast<uint32_t>(picture->height);
    shift %= height;
    if (shift == 0)
        return;
    const size_t pitch = static_cast<size_t>(picture->width);
    const size_t moved = shift * pitch;              // rows that wrap to the top
    const size_t kept = (height - shift) * pitch;    // rows that move down
    uint8_t* pixels = picture->pixels;
    if (shift < (height >> 1)) {
        uint8_t* buffer = static_cast<uint8_t*>(malloc(moved));
        if (!buffer)
            return;
        memcpy(buffer, pixels + kept, moved);
        memmove(pixels + moved, pixels, kept);
        memcpy(pixels, buffer, moved);
        free(buffer);
    } else {
        uint8_t* buffer = static_cast<uint8_t*>(malloc(kept));
        if (!buffer)
            return;
        memcpy(buffer, pixels, kept);
        memmove(pixels, pixels + kept, moved);
        memcpy(pixels + moved, buffer, kept);
        free(buffer);
    }
}
