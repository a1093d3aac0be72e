// The swaying sheet and the spinning card: a bevelled checkerboard with a
// medallion, and a playing card's face and back. The effect shows all three
// through the palette of the last one it loads, so they share one palette.
#include <cmath>
#include <vector>

#include "assets.h"
#include "font.h"
#include "raster.h"

static const float PI = 3.14159265f;

static RgbImage sheet()
{
    const int S = 256, T = 32;
    RgbImage img = rgb_image(S, S, Rgb{0, 0, 0});
    for (int y = 0; y < S; y++) {
        for (int x = 0; x < S; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            bool dark = ((x / T) + (y / T)) & 1;
            float drift = (fx + fy) / (2.0f * S);
            Rgb c = dark ? rgb_mix(rgb_hex(0x0e4c66), rgb_hex(0x3a1f6e), drift)
                         : rgb_mix(rgb_hex(0xf4d27a), rgb_hex(0xf08a6a), drift);
            // Bevel: lit from the top left, shaded to the bottom right.
            float lx = std::fmod(fx, static_cast<float>(T)), ly = std::fmod(fy, static_cast<float>(T));
            float top = std::fmin(lx, ly), bottom = std::fmin(T - lx, T - ly);
            float light = smooth_step(4.0f, 0.0f, top) * 0.35f;
            float shade = smooth_step(4.0f, 0.0f, bottom) * 0.4f;
            c = rgb_mix(c, rgb_hex(0xffffff), top < bottom ? light : 0.0f);
            c = rgb_mix(c, rgb_hex(0x000010), bottom <= top ? shade : 0.0f);
            img.px[y * S + x] = c;
        }
    }
    // Medallion: a gold ring around a deep blue disc carrying the name.
    const float cx = 128, cy = 128, r = 74;
    for (int y = 0; y < S; y++) {
        for (int x = 0; x < S; x++) {
            float fx = x + 0.5f - cx, fy = y + 0.5f - cy;
            float d = std::sqrt(fx * fx + fy * fy);
            rgb_blend(&img, x, y, Rgb{0, 0, 0}, smooth_step(r + 7, r, d) * 0.5f);
            float ring = clamp01(r - d + 0.5f);
            float lit = 0.5f + 0.5f * (-fx - fy) / (d + 1e-3f) * 0.7071f;
            Rgb gold = rgb_mix(rgb_hex(0x8a5a12), rgb_hex(0xffe9a0), lit);
            rgb_blend(&img, x, y, gold, ring);
            float disc = clamp01(r - 8 - d + 0.5f);
            Rgb deep = rgb_mix(rgb_hex(0x1c2a78), rgb_hex(0x070b2a), clamp01(d / (r - 8)));
            rgb_blend(&img, x, y, deep, disc);
            float inner = clamp01(1.0f - std::fabs(d - (r - 14)) + 0.5f);
            rgb_blend(&img, x, y, rgb_hex(0xf4d27a), inner * 0.8f);
        }
    }
    std::vector<Segment> name;
    const float scale = 2.55f;
    font_set("quarrow", cx - font_width("quarrow", scale) * 0.5f, cy + 6, scale, 0, &name);
    TextStyle style{0.6f * scale, 1.5f, rgb_hex(0x03051a), 1.5f, 1.5f, 0.5f, 0.4f};
    text_paint(&img, name, style, [](int, int y) {
        return rgb_mix(rgb_hex(0xffffff), rgb_hex(0x8fe0ff), clamp01((y - 112.0f) / 20.0f));
    });
    return img;
}

// The card's face: a cream card with a red border and a large letter.
static RgbImage card_face()
{
    const int S = 64;
    RgbImage img = rgb_image(S, S, rgb_hex(0xfbf3e0));
    for (int y = 0; y < S; y++) {
        for (int x = 0; x < S; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float edge = std::fmin(std::fmin(fx, S - fx), std::fmin(fy, S - fy));
            float frame = clamp01(1.2f - std::fabs(edge - 4.5f) + 0.5f);
            Rgb paper = rgb_mix(rgb_hex(0xfffaf0), rgb_hex(0xe8d8b8), (fx + fy) / (2.0f * S));
            img.px[y * S + x] = rgb_mix(paper, rgb_hex(0xb3122e), frame);
        }
    }
    std::vector<Segment> letter;
    const float scale = 4.6f;
    font_set("Q", (S - 7.0f * scale) * 0.5f, (S + 7.0f * scale) * 0.5f - 1.0f, scale, 0, &letter);
    TextStyle style{0.75f * scale, 1.0f, rgb_hex(0x4a0410), 1.0f, 1.0f, 0.35f, 0.5f};
    text_paint(&img, letter, style, [](int, int y) {
        return rgb_mix(rgb_hex(0xff4a5e), rgb_hex(0xa0081f), clamp01(y / 64.0f));
    });
    return img;
}

// The card's back: a gold lattice on deep blue inside a cream border.
static RgbImage card_back()
{
    const int S = 64;
    RgbImage img = rgb_image(S, S, Rgb{0, 0, 0});
    for (int y = 0; y < S; y++) {
        for (int x = 0; x < S; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float edge = std::fmin(std::fmin(fx, S - fx), std::fmin(fy, S - fy));
            Rgb c = rgb_mix(rgb_hex(0x1f3aa0), rgb_hex(0x0a1448), (fx + fy) / (2.0f * S));
            // Diamond lattice: lines along both diagonals every 8 pixels.
            float u = std::fabs(std::fmod(fx + fy, 8.0f) - 4.0f);
            float v = std::fabs(std::fmod(fx - fy + 64.0f, 8.0f) - 4.0f);
            float line = std::fmax(clamp01(1.2f - (4.0f - u) * 1.41f), clamp01(1.2f - (4.0f - v) * 1.41f));
            c = rgb_mix(c, rgb_hex(0xe2b84e), line * 0.85f);
            // A round boss in the middle.
            float d = std::sqrt((fx - 32) * (fx - 32) + (fy - 32) * (fy - 32));
            float boss = clamp01(11.0f - d + 0.5f);
            float lit = 0.5f + 0.5f * std::cos(std::atan2(fy - 32, fx - 32) + PI * 0.75f);
            c = rgb_mix(c, rgb_mix(rgb_hex(0x8a5a12), rgb_hex(0xffeaa8), lit), boss);
            c = rgb_mix(c, rgb_hex(0xb3122e), clamp01(7.0f - d + 0.5f));
            c = rgb_mix(c, rgb_hex(0xfbf3e0), clamp01(5.5f - edge + 0.5f));
            c = rgb_mix(c, rgb_hex(0xe2b84e), clamp01(1.0f - std::fabs(edge - 5.5f) + 0.5f) * 0.9f);
            img.px[y * S + x] = c;
        }
    }
    return img;
}

int mesh_write(const std::string& dir)
{
    RgbImage mesh = sheet(), face = card_face(), back = card_back();
    QuantizeOptions options = quantize_every_entry(2.0f);
    uint8_t palette[768];
    std::vector<Indexed> out;
    quantize({&mesh, &face, &back}, options, palette, &out);
    if (picture_write(dir, "e_06-3.pcx", out[0], palette) != 0 ||
        picture_write(dir, "e_06-1.pcx", out[1], palette) != 0)
        return -1;
    return picture_write(dir, "e_06-2.pcx", out[2], palette);
}
