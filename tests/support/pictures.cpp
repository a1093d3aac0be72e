// Stand-in pictures for tests (see test_write_all_pictures in support.h).
#include <cmath>

#include "support.h"

static void write_one(const std::string& dir, const char* name, int width, int height,
                      const std::vector<uint8_t>& pixels, const uint8_t* palette)
{
    Image image{width, height, const_cast<uint8_t*>(pixels.data())};
    test_write_picture(dir, name, image, palette);
}

void test_write_all_pictures(const std::string& dir)
{
    uint8_t palette[768];
    for (int i = 0; i < 256; i++) {
        palette[3 * i] = static_cast<uint8_t>(i);
        palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        palette[3 * i + 2] = static_cast<uint8_t>((i * 7) & 255);
    }
    // Title card: components 0 or at least 16 throughout.
    uint8_t title[768];
    for (int i = 0; i < 768; i++)
        title[i] = palette[i] < 16 ? 0 : palette[i];
    write_one(dir, "linux.pcx", 320, 240,
              test_pixels(320, 240, [](int x, int y) { return (x + 2 * y) & 255; }), title);

    auto relief = [](double cx, double cy, double r) {
        return test_pixels(320, 240, [=](int x, int y) {
            double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
            return d < r ? static_cast<int>(60 * (1 + std::cos(d / r * 3.14159))) : 0;
        });
    };
    write_one(dir, "e_04-1.pcx", 320, 240, relief(160, 120, 90), palette);
    write_one(dir, "e_04-2.pcx", 320, 240, relief(100, 100, 70), palette);
    write_one(dir, "e_04-3.pcx", 320, 240, relief(220, 140, 110), palette);
    // Stored transposed: 120 wide, 160 high.
    write_one(dir, "e_02.pcx", 120, 160,
              test_pixels(120, 160, [](int x, int y) { return (x * 2 + y) & 255; }), palette);
    write_one(dir, "e_06-3.pcx", 256, 256,
              test_pixels(256, 256, [](int x, int y) { return ((x >> 4) ^ (y >> 4)) * 16 + 8; }),
              palette);
    write_one(dir, "e_06-1.pcx", 64, 64, test_pixels(64, 64, [](int x, int y) { return x + y; }),
              palette);
    write_one(dir, "e_06-2.pcx", 64, 64,
              test_pixels(64, 64, [](int x, int y) { return 200 - x - y; }), palette);
    write_one(dir, "e_07.pcx", 320, 240,
              test_pixels(320, 240, [](int x, int y) { return (x / 20 + y / 20) * 9 & 255; }),
              palette);
    // Colour 89 is transparent; only indices 0..127 keep the file's colours.
    write_one(dir, "e_01.pcx", 320, 240,
              test_pixels(320, 240, [](int x, int y) { return ((x / 40 + y / 40) & 1) ? 89 : (x + y) & 127; }),
              palette);
}
