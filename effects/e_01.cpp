// The plasma with the scrolling picture window ("e_01"): two sets of sine
// rings at a ninth of the screen's pixels, stretched over the frame in
// cycling colours, under a doubled window onto a picture with one colour
// transparent that slides in, tours the picture's quarters and slides out.
#include "effects/e_01.h"

#include <cstddef>

#include "core/fp_round.h"
#include "core/trig.h"
#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

void e01_palette(uint8_t* palette, int32_t f)
{
    // 1000 / 127 table steps per entry: the 128 entries span one turn of
    // each wave, and the three waves drift at different speeds.
    for (int32_t i = 128; i < 256; i++) {
        uint8_t* entry = palette + 3 * i;
        entry[0] = static_cast<uint8_t>((trig_sin((i + 4 * f) * 1000 / 127) + 1023) >> 3);
        entry[1] = static_cast<uint8_t>((trig_cos((i + 3 * f) * 1000 / 127) + 1023) >> 3);
        entry[2] = static_cast<uint8_t>((1023 - trig_sin((i + 5 * f) * 1000 / 127)) >> 3);
    }
}

void e01_plasma(Image* plasma, int32_t f)
{
    // The centres wander up to 63 pixels either way and may leave the image.
    int32_t x1 = trig_sin(9 * f + 500) / 16 + 11;
    int32_t y1 = trig_cos(16 * f) / 16 + 16;
    int32_t x2 = trig_sin(13 * f - 300) / 16 + 35;
    int32_t y2 = trig_cos(11 * f + 100) / 16 + 40;
    uint8_t* out = plasma->pixels;
    for (int32_t y = 0; y < plasma->height; y++) {
        int32_t row1 = (y - y1) * (y - y1);
        int32_t row2 = (y - y2) * (y - y2);
        for (int32_t x = 0; x < plasma->width; x++) {
            int32_t d1 = (x - x1) * (x - x1) + row1;
            int32_t d2 = (x - x2) * (x - x2) + row2;
            int32_t u = trig_sin(d1 / 8) + trig_sin(d2 / 4);
            *out++ = static_cast<uint8_t>((u / 32 + 63) | 0x80);
        }
    }
}

void e01_window_reset(E01Window* window)
{
    window->left = 159;
    window->top = 0;
    window->src_x = 0;
    window->src_y = 0;
}

void e01_window_step(E01Window* window, Image* frame, const Image* picture, int32_t m)
{
    if (m < 50)
        return;
    image_blit_doubled(frame, 2 * window->left, 2 * window->top, picture, window->src_x,
                       window->src_y, static_cast<uint32_t>(160 - window->left),
                       static_cast<uint32_t>(120 - window->top), E01_KEY);
    // Each phase moves one value only, so a phase cut short by a slow
    // machine leaves the window where it stopped.
    if (m < 100) {
        window->left = window->left - 10 < 0 ? 0 : window->left - 10;
    } else if (m < 140) {
        window->src_y = window->src_y + 10 > 120 ? 120 : window->src_y + 10;
    } else if (m < 240) {
        window->src_x = window->src_x + 10 > 160 ? 160 : window->src_x + 10;
    } else if (m < 340) {
        window->src_y = window->src_y - 10 < 0 ? 0 : window->src_y - 10;
    } else {
        window->top = window->top + 10 > 120 ? 120 : window->top + 10;
    }
}

void e01_draw(E01Scene* scene, Image* frame, uint8_t* palette, int32_t f, int32_t t)
{
    e01_palette(palette, f);
    e01_plasma(scene->plasma, f);
    image_blit_scaled(frame, 0, 0, static_cast<uint32_t>(frame->width),
                      static_cast<uint32_t>(frame->height), scene->plasma, 0, 0,
                      static_cast<uint32_t>(scene->plasma->width),
                      static_cast<uint32_t>(scene->plasma->height), 0, 0);
    int32_t m = static_cast<int32_t>(fp_double((t * 10) * 0.001));
    e01_window_step(&scene->window, frame, scene->picture, m);
}

struct E01Run {
    E01Scene scene;
    Image* picture;
};

static const uint8_t* e01_frame(void* scene, Image* frame, const FrameLoop* loop)
{
    e01_draw(&static_cast<E01Run*>(scene)->scene, frame, shared_palette, loop->frames, loop->t);
    return shared_palette;
}

static void e01_release(void* scene)
{
    E01Run* run = static_cast<E01Run*>(scene);
    image_free(&run->scene.plasma);
    image_free(&run->picture);
}

void effect_e01(Image* frame, unsigned duration, const char* path)
{
    E01Run run;
    run.scene.plasma = effect_image(E01_PLASMA_WIDTH, E01_PLASMA_HEIGHT);
    run.picture = effect_picture_frame_sized(path, frame);
    run.scene.picture = run.picture;
    e01_window_reset(&run.scene.window);

    const EffectPlan plan = {"e_01", duration, false, e01_frame, nullptr, nullptr, e01_release};
    effect_play(&plan, &run, frame);
}
