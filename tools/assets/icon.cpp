// The launcher's desktop icon, cut from the title picture: a square around
// the setting sun, averaged down to the icon's size and written as an
// indexed PNG with a palette of its own.
#include <algorithm>
#include <vector>

#include "assets.h"
#include "image/png_write.h"
#include "raster.h"

// The square of the 320x240 title around the sun and the start of the grid.
static const int CROP_X = 96, CROP_Y = 84, CROP_SIZE = 128;

int icon_write(const std::string& path, int size)
{
    if (size < 16 || size > CROP_SIZE)
        return -1;
    RgbImage title = title_scene(false);
    RgbImage icon = rgb_image(size, size, Rgb{0, 0, 0});
    // Each icon pixel is the mean of the title pixels whose centres fall in
    // its share of the square, so no detail aliases into stray colours.
    for (int y = 0; y < size; y++) {
        int y0 = CROP_Y + y * CROP_SIZE / size, y1 = CROP_Y + (y + 1) * CROP_SIZE / size;
        for (int x = 0; x < size; x++) {
            int x0 = CROP_X + x * CROP_SIZE / size, x1 = CROP_X + (x + 1) * CROP_SIZE / size;
            Rgb sum{0, 0, 0};
            for (int sy = y0; sy < y1; sy++) {
                for (int sx = x0; sx < x1; sx++) {
                    const Rgb& c = title.px[sy * title.width + sx];
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            icon.px[y * size + x] = rgb_scale(sum, 1.0f / static_cast<float>((y1 - y0) * (x1 - x0)));
        }
    }
    uint8_t palette[768];
    std::vector<Indexed> out;
    quantize({&icon}, quantize_every_entry(0.0f), palette, &out);
    Image image{size, size, out[0].px.data()};
    return image_write_png(path.c_str(), &image, palette);
}
