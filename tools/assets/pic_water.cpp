// The pool floor under the water ripples: glazed tiles with a mosaic
// emblem and soft caustics, as brightness levels. The effect reads the
// picture column by column (120 bytes a column), so the 160x120 screen
// picture is stored transposed: file row c holds screen column c.
#include <cmath>
#include <vector>

#include "assets.h"
#include "font.h"
#include "raster.h"

static const int SW = 160, SH = 120;  // as seen on screen
static const int TILE = 5;

int water_write(const std::string& dir)
{
    const int tiles_x = SW / TILE, tiles_y = SH / TILE;
    // The emblem is set on the tile grid itself: a tile is dark when its
    // centre lies on the letter's stroke, as a mosaic would be laid.
    std::vector<Segment> emblem;
    font_set("Q", 8.4f, 19.8f, 2.2f, 0, &emblem);
    std::vector<float> letter = distance_field(emblem, tiles_x, tiles_y, 4);

    Rng rng{0x9001};
    std::vector<float> tone(tiles_x * tiles_y);
    for (float& t : tone)
        t = rng_float(&rng);
    Noise light = noise_make(8, 6, 0xc0ffee);

    Indexed file{SH, SW, std::vector<uint8_t>(SW * SH)};
    for (int y = 0; y < SH; y++) {
        for (int x = 0; x < SW; x++) {
            int tx = x / TILE, ty = y / TILE, t = ty * tiles_x + tx;
            float fx = x % TILE + 0.5f, fy = y % TILE + 0.5f;
            // Distance to the tile's edge, with softly rounded corners.
            float ex = std::fmin(fx, TILE - fx), ey = std::fmin(fy, TILE - fy);
            float edge = std::fmin(ex, ey);
            if (ex < 1.5f && ey < 1.5f)
                edge = 1.5f - std::sqrt((1.5f - ex) * (1.5f - ex) + (1.5f - ey) * (1.5f - ey));
            float glaze = smooth_step(0.0f, 0.9f, edge);

            bool border = tx == 0 || ty == 0 || tx == tiles_x - 1 || ty == tiles_y - 1;
            bool band = tx == 1 || ty == 1 || tx == tiles_x - 2 || ty == tiles_y - 2;
            float base = 206.0f + 26.0f * tone[t];
            if (border)
                base = 58.0f + 14.0f * tone[t];
            else if (band && ((tx + ty) & 1))
                base = 132.0f + 16.0f * tone[t];
            else if (letter[t] < 1.05f)
                base = 34.0f + 16.0f * tone[t];
            // A glaze highlight towards each tile's top-left corner.
            float sheen = (1.0f - (fx + fy) / (2.0f * TILE)) * 20.0f * glaze;
            float v = 84.0f + (base + sheen - 84.0f) * glaze;

            // Sunlight through the surface falls in broad soft patches, and
            // the corners of the pool lie deeper in shade.
            float px = x + 0.5f, py = y + 0.5f;
            v *= 0.84f + 0.3f * noise_at(light, px / 22.0f, py / 20.0f);
            float rx = px / SW - 0.5f, ry = py / SH - 0.5f;
            v *= 1.0f - 0.5f * (rx * rx + ry * ry);

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
