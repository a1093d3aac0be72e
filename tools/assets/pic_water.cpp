// The pool floor under the water ripples, as brightness levels: large soft
// tiles in sunlight, an inlaid Q and a net of caustic light. The effect reads
// the picture column by column (120 bytes a column), so the 160x120 screen
// picture is stored transposed: file row c holds screen column c.
#include <cmath>
#include <vector>

#include "assets.h"
#include "font.h"
#include "raster.h"

static const int SW = 160, SH = 120;  // as seen on screen
static const int TILE = 20;  // 8 x 6 tiles

// The ripples displace the picture by a few pixels and shade it cell by
// cell, so every shape here is broad and every edge a ramp of several
// pixels; fine texture would turn into noise under moving water. The floor
// is bright because the effect shows it at half brightness when calm.
static float floor_level(float px, float py, const std::vector<float>& tone)
{
    int tx = static_cast<int>(px) / TILE, ty = static_cast<int>(py) / TILE;
    float fx = px - tx * TILE, fy = py - ty * TILE;

    // Distance into the tile from its edge, with rounded corners.
    const float round = 4.0f;
    float ex = std::fmin(fx, TILE - fx), ey = std::fmin(fy, TILE - fy);
    float edge = std::fmin(ex, ey);
    if (ex < round && ey < round)
        edge = round - std::sqrt((round - ex) * (round - ex) + (round - ey) * (round - ey));
    float glaze = smooth_step(0.2f, 2.4f, edge);

    float base = 208.0f + 18.0f * tone[static_cast<size_t>(ty) * (SW / TILE) + tx];
    // Each glazed tile is lit from the upper left and rounds off at its edges.
    float bevel = (smooth_step(0.0f, 5.0f, fx) - smooth_step(TILE - 5.0f, static_cast<float>(TILE), fx)) * 0.5f +
                  (smooth_step(0.0f, 5.0f, fy) - smooth_step(TILE - 5.0f, static_cast<float>(TILE), fy)) * 0.5f;
    float sheen = 14.0f * (1.0f - (fx + fy) / (2.0f * TILE)) - 6.0f * (1.0f - bevel);
    return 160.0f + (base + sheen - 160.0f) * glaze;
}

// Bright ridges where a noise field crosses its middle: the wandering lines
// of light a wavy surface focuses on the floor.
static float caustic(const Noise& a, const Noise& b, float px, float py)
{
    float n = 0.65f * noise_at(a, px / 26.0f, py / 22.0f) + 0.35f * noise_at(b, px / 13.0f, py / 11.0f);
    float ridge = 1.0f - std::fabs(n - 0.5f) * 2.0f;
    float r = clamp01(ridge);
    return r * r * r * r * r;
}

int water_write(const std::string& dir)
{
    // A Q of 77 pixels' cap height, its tail reaching into the lower right.
    std::vector<Segment> emblem;
    font_set("Q", 42.0f, 99.0f, 11.0f, 0, &emblem);
    const float half_width = 7.0f, rim = 3.0f;
    std::vector<float> letter = distance_field(emblem, SW, SH, half_width + rim + 3.0f);

    Rng rng{0x9001};
    std::vector<float> tone((SW / TILE) * (SH / TILE));
    for (float& t : tone)
        t = rng_float(&rng);
    Noise wide = noise_make(7, 6, 0xc0ffee), narrow = noise_make(13, 11, 0x5eaf0a);
    Noise light = noise_make(5, 4, 0xd1ce);

    Indexed file{SH, SW, std::vector<uint8_t>(SW * SH)};
    for (int y = 0; y < SH; y++) {
        for (int x = 0; x < SW; x++) {
            float px = x + 0.5f, py = y + 0.5f;
            float v = floor_level(px, py, tone);

            // The Q is inlaid in dark glass inside a pale rim; both edges
            // are ramps several pixels wide so they bend smoothly.
            float d = letter[static_cast<size_t>(y) * SW + x];
            float inlay = 1.0f - smooth_step(half_width - 2.0f, half_width + 2.0f, d);
            float border = 1.0f - smooth_step(half_width, half_width + rim + 2.0f, d);
            v += (236.0f - v) * border;
            float glass = 96.0f + 30.0f * smooth_step(half_width, 0.0f, d);
            v += (glass - v) * inlay;

            // Sunlight: a broad slow swell, brighter towards the shallow top,
            // with the caustic net on top of everything.
            v *= 0.9f + 0.14f * noise_at(light, px / 40.0f, py / 34.0f);
            v *= 1.04f - 0.12f * (py / SH);
            v += 60.0f * caustic(wide, narrow, px, py) * (1.0f - 0.6f * border);
            float rx = px / SW - 0.5f, ry = py / SH - 0.5f;
            v *= 1.0f - 0.22f * (rx * rx + ry * ry);

            long level = std::lround(v);
            level = level < 0 ? 0 : (level > 255 ? 255 : level);
            file.px[static_cast<size_t>(x) * SH + y] = static_cast<uint8_t>(level);
        }
    }
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = static_cast<uint8_t>(i / 3);
    return picture_write(dir, "e_02.pcx", file, palette);
}
