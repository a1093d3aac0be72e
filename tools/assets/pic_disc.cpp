// The swirling disc's texture: overlapping wave scales in banded blues and
// gold. The effect scrolls it sideways and down with wrap-around, so every
// shape and colour sweep repeats exactly across the 320x240 edges.
#include <cmath>
#include <vector>

#include "assets.h"
#include "raster.h"

static const int W = 320, H = 240;
static const float R = 40.0f;        // scale radius; 320 and 240 hold whole periods
static const float ROW = R * 0.5f;   // rows of scales, each half-offset
static const float PI = 3.14159265f;

static float wrap(float v, float period)
{
    v = std::fmod(v, period);
    return v < 0 ? v + period : v;
}

// Colour of the scale pattern at a point (wrapping in both directions).
static Rgb scale_colour(float x, float y)
{
    // The lowest scale row that covers the point lies on top; search rows
    // from the bottom up and take the first scale that contains it.
    int row = static_cast<int>(std::floor(y / ROW)) + 3;
    for (int r = row; r >= row - 6; r--) {
        float cy = r * ROW;
        float shift = (r & 1) ? R : 0.0f;
        float cx = std::round((x - shift) / (2 * R)) * (2 * R) + shift;
        float dx = x - cx, dy = y - cy;
        float d = std::sqrt(dx * dx + dy * dy);
        if (d > R)
            continue;
        // Concentric bands, their hue set by where the scale sits.
        float hue_x = std::cos(2 * PI * wrap(cx, W) / W), hue_y = std::sin(2 * PI * wrap(cy, H) / H);
        Rgb deep = rgb_mix(rgb_hex(0x0b2a6e), rgb_hex(0x4a1a72), 0.5f + 0.5f * hue_x);
        Rgb light = rgb_mix(rgb_hex(0x5ec8e8), rgb_hex(0x9ae6c8), 0.5f + 0.5f * hue_y);
        float band = d / R * 5.0f;
        int index = static_cast<int>(band);
        float within = band - index;
        Rgb c = (index & 1) ? light : deep;
        c = rgb_mix(c, rgb_scale(c, 0.7f), within);
        // Gold rim on the outermost edge and thin gold lines between bands.
        float edge = within * R / 5.0f;
        if (index > 0)
            c = rgb_mix(c, rgb_hex(0xf2c45a), clamp01(0.9f - edge) * 0.8f);
        c = rgb_mix(c, rgb_hex(0xf8d878), clamp01(1.2f - (R - d)));
        return c;
    }
    return rgb_hex(0x08102a);
}

int disc_write(const std::string& dir)
{
    RgbImage img = rgb_image(W, H, Rgb{0, 0, 0});
    // 4x4 samples a pixel; every sample position wraps, so the tiling holds.
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            Rgb sum{0, 0, 0};
            for (int sy = 0; sy < 4; sy++) {
                for (int sx = 0; sx < 4; sx++) {
                    Rgb c = scale_colour(x + (sx + 0.5f) / 4.0f, y + (sy + 0.5f) / 4.0f);
                    sum = Rgb{sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            img.px[y * W + x] = rgb_scale(sum, 1.0f / 16.0f);
        }
    }
    QuantizeOptions options = quantize_every_entry(2.0f);
    uint8_t palette[768];
    std::vector<Indexed> out;
    quantize({&img}, options, palette, &out);
    return picture_write(dir, "e_07.pcx", out[0], palette);
}
