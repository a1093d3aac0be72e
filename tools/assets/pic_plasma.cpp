// The picture that scrolls over the plasma: four 160x120 quarters, each shown
// doubled, with words in outlined gold tubes and a faceted star. Colour 89
// is the see-through background and only entries 0..127 keep their colours,
// so the artwork uses 126 colours with hard outer edges.
#include <cmath>
#include <vector>

#include "assets.h"
#include "font.h"
#include "raster.h"

static const int W = 320, H = 240;
static const int CLEAR = 89;
static const float PI = 3.14159265f;

struct Layer {
    RgbImage colour;
    std::vector<uint8_t> solid;
};

static void put_word(Layer* layer, const char* word, float cx, float baseline, float max_scale)
{
    float scale = std::fmin(max_scale, 146.0f / font_width(word, 1.0f));
    std::vector<Segment> strokes;
    font_set(word, cx - font_width(word, scale) * 0.5f, baseline, scale, 0, &strokes);
    const float half = 0.72f * scale, outline = 2.5f;
    std::vector<float> d = distance_field(strokes, W, H, half + outline + 2);
    const float top = baseline - 7.0f * scale;
    const std::vector<std::pair<float, Rgb>> metal = {
        {0.0f, rgb_hex(0xfffbe8)}, {0.35f, rgb_hex(0xffd45a)}, {0.55f, rgb_hex(0xc86a10)},
        {0.62f, rgb_hex(0x7a2e08)}, {0.8f, rgb_hex(0xf0a040)}, {1.0f, rgb_hex(0xffe6a0)}};
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            int i = y * W + x;
            if (d[i] > half + outline)
                continue;
            layer->solid[i] = 1;
            Rgb c = rgb_hex(0x0c0a26);
            float cover = clamp01(half - d[i] + 0.5f);
            if (cover > 0) {
                float r = clamp01(d[i] / half);
                Rgb fill = gradient(metal, (y + 0.5f - top) / (7.0f * scale));
                fill = rgb_scale(fill, 0.55f + 0.45f * std::sqrt(1.0f - r * r));
                c = rgb_mix(c, fill, cover);
            }
            layer->colour.px[i] = c;
        }
    }
}

// An eight-pointed star in a ring; each point has a lit and a shaded facet.
static void put_star(Layer* layer, float cx, float cy)
{
    const float outer = 40.0f, inner = 16.0f, ring = 47.0f;
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float d = std::sqrt(dx * dx + dy * dy);
            float a = std::atan2(dy, dx) + PI / 8.0f;
            float sector = PI / 4.0f;
            float local = a - std::floor(a / sector) * sector - sector * 0.5f;  // -22.5..22.5 deg
            // Edge of the point at this angle: straight from the tip to the notch.
            float t = std::fabs(local) / (sector * 0.5f);
            float tip_x = outer, notch_x = inner * std::cos(sector * 0.5f);
            float notch_y = inner * std::sin(sector * 0.5f);
            float ex = tip_x + (notch_x - tip_x) * t, ey = notch_y * t;
            float edge = std::sqrt(ex * ex + ey * ey);
            int i = y * W + x;
            bool in_ring = std::fabs(d - ring) < 5.0f;
            bool in_star = d < edge;
            bool outline = std::fabs(d - ring) < 7.5f || d < edge + 2.5f;
            if (!outline)
                continue;
            layer->solid[i] = 1;
            Rgb c = rgb_hex(0x0c0a26);
            if (in_star) {
                bool lit = local > 0;
                float along = d / outer;
                Rgb hi = rgb_mix(rgb_hex(0xfffbe8), rgb_hex(0xffc84a), along);
                Rgb lo = rgb_mix(rgb_hex(0xd08020), rgb_hex(0x6a2a08), along);
                c = rgb_mix(lo, hi, lit ? 1.0f : 0.0f);
                c = rgb_mix(c, rgb_hex(0x0c0a26), clamp01(d - edge + 1.0f));
            } else if (in_ring) {
                float lit = 0.5f - 0.5f * (dx + dy) / (d * 1.4142f);
                float tube = std::sqrt(clamp01(1.0f - (d - ring) * (d - ring) / 25.0f));
                c = rgb_scale(rgb_mix(rgb_hex(0xa05a10), rgb_hex(0xfff0b0), lit), 0.55f + 0.45f * tube);
            }
            layer->colour.px[i] = c;
        }
    }
}

int plasma_write(const std::string& dir)
{
    Layer layer{rgb_image(W, H, Rgb{0, 0, 0}), std::vector<uint8_t>(W * H, 0)};
    put_word(&layer, "QUAR", 80, 52, 5.2f);
    put_word(&layer, "ROW", 80, 104, 5.2f);
    put_word(&layer, "FOR", 80, 172, 5.2f);
    put_word(&layer, "LINUX", 80, 224, 5.2f);
    put_word(&layer, "BY", 240, 172, 5.2f);
    put_word(&layer, "TOBRAK", 240, 222, 5.2f);
    put_star(&layer, 240, 60);

    // Only the solid pixels take part in the palette.
    RgbImage solid{static_cast<int>(0), 1, {}};
    for (int i = 0; i < W * H; i++)
        if (layer.solid[i])
            solid.px.push_back(layer.colour.px[i]);
    solid.width = static_cast<int>(solid.px.size());
    QuantizeOptions options;
    for (int i = 0; i < 128; i++)
        if (i != CLEAR)
            options.slots.push_back(i);
    uint8_t palette[768];
    std::vector<Indexed> out;
    quantize({&solid}, options, palette, &out);

    Indexed picture{W, H, std::vector<uint8_t>(W * H, CLEAR)};
    size_t next = 0;
    for (int i = 0; i < W * H; i++)
        if (layer.solid[i])
            picture.px[i] = out[0].px[next++];
    return picture_write(dir, "e_01.pcx", picture, palette);
}
