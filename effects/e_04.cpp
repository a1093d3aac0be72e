// e_04: a relief lit by a bouncing spotlight. The picture's colour indices
// are heights; each pixel's slope, offset by its distance from the light,
// picks a brightness from a round spot table shown through a tinted ramp.
#include "effects/e_04.h"

#include <cmath>
#include <cstring>

#include "core/fp_round.h"
#include "core/random.h"
#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

static const E04Light light_start = {160, 1, 7, 120, 1, 7};
static E04Light light = light_start;

const E04Light* e04_light_state()
{
    return &light;
}

void e04_light_reset()
{
    light = light_start;
}

static uint8_t ramp_component(int j, float factor)
{
    // The single-precision factor times j is exact in double: 0.7f x 10 is
    // just under 7 and gives 6.
    int value = static_cast<int>(j * static_cast<double>(factor));
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

void e04_build_ramp(uint8_t* palette, float red, float green, float blue)
{
    for (int j = 0; j < 256; j++) {
        palette[3 * j] = ramp_component(j, red);
        palette[3 * j + 1] = ramp_component(j, green);
        palette[3 * j + 2] = ramp_component(j, blue);
    }
}

void e04_build_spot(uint8_t* spot)
{
    for (int r = 0; r < E04_SPOT_SIDE; r++) {
        double y = (r - 128) / 128.0;
        for (int c = 0; c < E04_SPOT_SIDE; c++) {
            double x = (c - 128) / 128.0;
            // The sum of squares is exact, and so is 1 minus a double in extended
            // precision, so rounding the root and the difference to doubles, then
            // to a float, gives the SSE builds' value.
            float v = fp_float(static_cast<float>(fp_double(1.0 - fp_double(sqrt(x * x + y * y)))));
            if (v < 0)
                v = 0;
            // The product of 255 and two 24-bit mantissas is exact in long double.
            spot[r * E04_SPOT_SIDE + c] =
                static_cast<uint8_t>(static_cast<int>(255.0L * v * v));
        }
    }
}

void e04_light_frame(Image* frame, const Image* heights, const uint8_t* spot, int light_x,
                     int light_y)
{
    const int width = frame->width;
    const int height = frame->height;
    memcpy(frame->pixels, heights->pixels, static_cast<size_t>(width) * static_cast<size_t>(height));
    // Neighbours are taken in the linear buffer: column 0's left neighbour is
    // the last pixel of the row above, column width-1's right one the first
    // of the row below. Rows 0 and height-1 keep them in range.
    for (int y = 1; y < height - 1; y++) {
        const uint8_t* p = heights->pixels + static_cast<size_t>(y) * width;
        uint8_t* out = frame->pixels + static_cast<size_t>(y) * width;
        const int row_base = light_y - y + 128;
        for (int x = 0; x < width; x++) {
            unsigned column = static_cast<unsigned>(p[x + 1] - p[x - 1] + light_x - x + 128);
            unsigned row = static_cast<unsigned>(p[x + width] - p[x - width] + row_base);
            if (column > 255)
                column = 255;
            if (row > 255)
                row = 255;
            out[x] = spot[row * E04_SPOT_SIDE + column];
        }
    }
}

void e04_light_axis(int* position, int* direction, int* speed, int low, int high)
{
    *position += *direction * *speed;
    if (*position < low || *position > high) {
        *direction = -*direction;
        *position += *direction * *speed;
        *speed = 6 + random_below(4);
        *position += *direction * *speed;
    }
}

struct E04Run {
    Image* heights;
    const uint8_t* spot;
    int x_low, x_high, y_low, y_high;
};

static const uint8_t* e04_frame(void* scene, Image* frame, const FrameLoop*)
{
    E04Run* run = static_cast<E04Run*>(scene);
    e04_light_frame(frame, run->heights, run->spot, light.x, light.y);
    e04_light_axis(&light.x, &light.x_direction, &light.x_speed, run->x_low, run->x_high);
    e04_light_axis(&light.y, &light.y_direction, &light.y_speed, run->y_low, run->y_high);
    return nullptr;
}

static void e04_release(void* scene)
{
    image_free(&static_cast<E04Run*>(scene)->heights);
}

void effect_e04(Image* frame, unsigned duration, float red, float green, float blue,
                const char* path)
{
    Image* heights = effect_picture_frame_sized(path, frame);
    const size_t width = static_cast<size_t>(heights->width);
    const size_t height = static_cast<size_t>(heights->height);
    memset(heights->pixels, 0, width);
    memset(heights->pixels + (height - 1) * width, 0, width);

    e04_build_ramp(shared_palette, red, green, blue);
    display_set_palette(shared_palette);
    static uint8_t spot[E04_SPOT_SIDE * E04_SPOT_SIDE];
    e04_build_spot(spot);

    // The margins are worked out in unsigned arithmetic and compared signed.
    E04Run run;
    run.heights = heights;
    run.spot = spot;
    run.x_low = static_cast<int>(static_cast<unsigned>(frame->width) / 16);
    run.x_high = static_cast<int>(15 * static_cast<unsigned>(frame->width) / 16);
    run.y_low = static_cast<int>(static_cast<unsigned>(frame->height) / 16);
    run.y_high = static_cast<int>(15 * static_cast<unsigned>(frame->height) / 16);

    const EffectPlan plan = {"e_04", duration, false, e04_frame, nullptr, nullptr, e04_release};
    effect_play(&plan, &run, frame);
}
