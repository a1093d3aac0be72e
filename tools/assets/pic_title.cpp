// The title card, shown first and last and faded through its palette: a
// striped sun setting behind mountains over a neon grid, with the title in
// chrome tubes. The fade steps colours by a sixteenth of each component, so
// no component may lie in 1..15.
#include <cmath>
#include <vector>

#include "assets.h"
#include "font.h"
#include "raster.h"

static const int W = 320, H = 240;
static const float HORIZON = 178.0f;
static const float SUN_X = 160.0f, SUN_R = 62.0f;

static void fade_safe(uint8_t* c)
{
    if (*c > 0 && *c < 16)
        *c = *c < 8 ? 0 : 16;
}

static float mountain_top(float x)
{
    float away = smooth_step(36.0f, 120.0f, std::fabs(x - SUN_X));
    float ridge = 10.0f + 9.0f * std::sin(x * 0.045f + 1.3f) + 5.0f * std::sin(x * 0.11f + 0.4f) +
                  2.5f * std::sin(x * 0.31f);
    return HORIZON - away * (8.0f + ridge);
}

static void paint_sky(RgbImage* img)
{
    const std::vector<std::pair<float, Rgb>> sky = {
        {0.0f, rgb_hex(0x060722)}, {0.45f, rgb_hex(0x1b1550)}, {0.78f, rgb_hex(0x5a2274)},
        {1.0f, rgb_hex(0xc8456f)}};
    const std::vector<std::pair<float, Rgb>> sun = {
        {0.0f, rgb_hex(0xfff0a0)}, {0.45f, rgb_hex(0xffa24c)}, {1.0f, rgb_hex(0xff3d7f)}};
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            Rgb c = gradient(sky, fy / HORIZON);
            float d = std::sqrt((fx - SUN_X) * (fx - SUN_X) + (fy - HORIZON) * (fy - HORIZON));
            // Halo first, then the disc with its widening gaps near the horizon.
            c = rgb_mix(c, rgb_hex(0xff5a8a), 0.45f * std::exp(-(d - SUN_R) / 22.0f) *
                                                  (d > SUN_R ? 1.0f : 0.0f));
            float disc = clamp01(SUN_R - d + 0.5f);
            float below = fy - (HORIZON - SUN_R * 0.62f);
            if (below > 0) {
                float band = std::fmod(below, 9.0f);
                float gap = 0.8f + below * 0.14f;
                disc *= clamp01(std::fabs(band - 4.5f) - gap * 0.5f + 0.5f);
            }
            c = rgb_mix(c, gradient(sun, (fy - (HORIZON - SUN_R)) / SUN_R), disc);
            img->px[y * W + x] = c;
        }
    }
    Rng rng{0x51a75};
    for (int i = 0; i < 90; i++) {
        float sx = rng_float(&rng) * W, sy = rng_float(&rng) * (HORIZON - 50.0f);
        float bright = 0.35f + 0.65f * rng_float(&rng) * rng_float(&rng);
        float radius = 0.55f + 0.7f * rng_float(&rng) * rng_float(&rng);
        for (int y = static_cast<int>(sy) - 2; y <= static_cast<int>(sy) + 2; y++) {
            for (int x = static_cast<int>(sx) - 2; x <= static_cast<int>(sx) + 2; x++) {
                float dx = x + 0.5f - sx, dy = y + 0.5f - sy;
                float a = std::exp(-(dx * dx + dy * dy) / (radius * radius)) * bright;
                rgb_blend(img, x, y, rgb_hex(0xe8f0ff), a);
            }
        }
    }
}

static void paint_land(RgbImage* img)
{
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float top = mountain_top(fx);
            if (fy < HORIZON) {
                float cover = clamp01(fy - top + 0.5f);
                Rgb rock = rgb_mix(rgb_hex(0x8a3f9a), rgb_hex(0x1d0f3c), smooth_step(0.0f, 4.0f, fy - top));
                rgb_blend(img, x, y, rock, cover);
                continue;
            }
            // Ground: a perspective grid fading into a haze at the horizon.
            float depth = fy - HORIZON + 0.5f;
            Rgb c = rgb_mix(rgb_hex(0x2a0f3e), rgb_hex(0x0c0620), smooth_step(0.0f, 50.0f, depth));
            float gx = (fx - SUN_X) / depth * 26.0f;
            float cell_x = std::fabs(gx / 20.0f - std::round(gx / 20.0f)) * 20.0f * depth / 26.0f;
            float z = 900.0f / depth;
            float cell_z = std::fabs(z / 9.0f - std::round(z / 9.0f)) * 9.0f;
            float line_z = cell_z / (900.0f / (depth * depth));
            float line = std::fmax(clamp01(1.1f - cell_x), clamp01(1.0f - line_z));
            float glow = std::fmax(std::exp(-cell_x * 0.7f), std::exp(-line_z * 0.7f)) * 0.35f;
            float haze = smooth_step(2.0f, 30.0f, depth);
            c = rgb_mix(c, rgb_hex(0xff3fae), glow * haze);
            c = rgb_mix(c, rgb_hex(0xffa6e6), line * haze);
            c = rgb_mix(c, rgb_hex(0xff6f9c), (1.0f - smooth_step(0.0f, 3.0f, depth)) * 0.8f);
            img->px[y * W + x] = c;
        }
    }
}

static void paint_titles(RgbImage* img)
{
    const std::vector<std::pair<float, Rgb>> chrome = {
        {0.0f, rgb_hex(0xf4fdff)}, {0.42f, rgb_hex(0x9fe3ff)}, {0.5f, rgb_hex(0x2c3f9e)},
        {0.62f, rgb_hex(0x6a4fd0)}, {1.0f, rgb_hex(0xff86de)}};
    const float scale = 6.0f, base = 76.0f, slant = 0.16f;
    std::vector<Segment> title;
    font_set("quarrow", (W - font_width("quarrow", scale) - 7.5f * slant * scale) * 0.5f, base,
             scale, slant, &title);
    TextStyle big{0.66f * scale, 2.6f, rgb_hex(0x0a0422), 3.0f, 3.5f, 0.7f, 0.45f};
    text_paint(img, title, big, [&](int, int y) {
        return gradient(chrome, (y + 0.5f - (base - 7.5f * scale)) / (10.0f * scale));
    });

    std::vector<Segment> sub;
    const float sub_scale = 2.5f;
    font_set("for LINUX", (W - font_width("for LINUX", sub_scale)) * 0.5f, 112.0f, sub_scale, 0.0f,
             &sub);
    TextStyle small{0.55f * sub_scale, 2.0f, rgb_hex(0x0a0422), 2.0f, 2.0f, 0.6f, 0.3f};
    text_paint(img, sub, small, [](int, int y) {
        return rgb_mix(rgb_hex(0xffffff), rgb_hex(0x8fe8ff), clamp01((y - 94.0f) / 18.0f));
    });

    std::vector<Segment> by;
    const float by_scale = 2.1f;
    font_set("by tobrak", (W - font_width("by tobrak", by_scale)) * 0.5f, 224.0f, by_scale, 0.0f,
             &by);
    TextStyle credit{0.55f * by_scale, 1.8f, rgb_hex(0x0a0422), 1.5f, 1.5f, 0.7f, 0.3f};
    text_paint(img, by, credit, [](int, int) { return rgb_hex(0xffd0f0); });
}

RgbImage title_scene(bool with_titles)
{
    RgbImage img = rgb_image(W, H, Rgb{0, 0, 0});
    paint_sky(&img);
    paint_land(&img);
    if (with_titles)
        paint_titles(&img);
    return img;
}

int title_write(const std::string& dir)
{
    RgbImage img = title_scene(true);
    QuantizeOptions options = quantize_every_entry(3.0f);
    options.adjust = fade_safe;
    uint8_t palette[768];
    std::vector<Indexed> out;
    quantize({&img}, options, palette, &out);
    return picture_write(dir, "linux.pcx", out[0], palette);
}
