// e_03: the closing transition. Whatever the frame buffer shows is shrunk
// towards the centre while it spins, on colour 0, over a fixed 23 frames.
// The palette is left as the previous effect set it.
#include <cstring>

#include "core/fp_round.h"
#include "effects/blit_rotated.h"
#include "effects/effect.h"
#include "effects/effects.h"

enum {
    INSET_X_STEP = 113,  // 12.4 fixed point: 7.0625 pixels a frame
    INSET_Y_STEP = 85,   // 5.3125 pixels a frame, close to 4 : 3
};

struct E03Run {
    Image* snapshot;
    Image* shrink;
    int32_t inset_x, inset_y;
    int ix, iy;
    float angle;
    bool done;
};

// The insets alone end the loop, so the count never depends on time.
static bool e03_more(void* scene)
{
    E03Run* run = static_cast<E03Run*>(scene);
    return !run->done && run->iy <= run->snapshot->height / 2 - 1;
}

static const uint8_t* e03_frame(void* scene, Image* frame, const FrameLoop*)
{
    E03Run* run = static_cast<E03Run*>(scene);
    const int width = frame->width;
    const int height = frame->height;
    image_fill(frame, 0);
    image_fill(run->shrink, 0);
    image_blit_scaled(run->shrink, run->ix, run->iy, static_cast<uint32_t>(width - 2 * run->ix),
                      static_cast<uint32_t>(height - 2 * run->iy), run->snapshot, 0, 0,
                      static_cast<uint32_t>(width), static_cast<uint32_t>(height), 0, 0);
    blit_rotated(frame, run->shrink, 0, 0, 1.0f, run->angle, 0, 0);
    // The sum is exact in extended precision, so rounding it to a double and
    // then to a float gives the SSE builds' angle.
    run->angle = fp_float(static_cast<float>(fp_double(run->angle + 0.23)));
    run->inset_x += INSET_X_STEP;
    run->inset_y += INSET_Y_STEP;
    run->ix = run->inset_x >> 4;
    run->iy = run->inset_y >> 4;
    run->done = run->ix > width / 2 - 1;
    return nullptr;
}

static void e03_release(void* scene)
{
    E03Run* run = static_cast<E03Run*>(scene);
    image_free(&run->snapshot);
    image_free(&run->shrink);
}

void effect_e03(Image* frame)
{
    const int width = frame->width;
    const int height = frame->height;
    E03Run run = {};
    run.snapshot = effect_image(width, height);
    run.shrink = effect_image(width, height);
    memcpy(run.snapshot->pixels, frame->pixels,
           static_cast<size_t>(width) * static_cast<size_t>(height));

    const EffectPlan plan = {"e_03", 0, true, e03_frame, e03_more, nullptr, e03_release};
    effect_play(&plan, &run, frame);
}
