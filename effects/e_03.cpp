// e_03: the closing transition. Whatever the frame buffer shows is shrunk
// towards the centre while it spins, on colour 0, over a fixed 23 frames.
// The palette is left as the previous effect set it.
#include <cstring>

#include "core/clock.h"
#include "core/fatal.h"
#include "core/frame_loop.h"
#include "display/display.h"
#include "effects/blit_rotated.h"
#include "effects/effects.h"

enum {
    INSET_X_STEP = 113,  // 12.4 fixed point: 7.0625 pixels a frame
    INSET_Y_STEP = 85,   // 5.3125 pixels a frame, close to 4 : 3
};

void effect_e03(Image* frame)
{
    const int width = frame->width;
    const int height = frame->height;
    Image* snapshot = nullptr;
    Image* shrink = nullptr;
    if (image_create(&snapshot, width, height) != 0 || image_create(&shrink, width, height) != 0)
        demo_fatal(MSG_CANNOT_ALLOCATE);
    memcpy(snapshot->pixels, frame->pixels, static_cast<size_t>(width) * static_cast<size_t>(height));

    FrameLoop loop;
    frame_loop_begin(&loop);
    int32_t inset_x = 0, inset_y = 0;
    int ix = 0, iy = 0;
    float angle = 0.0f;
    // The insets alone end the loop, so the count never depends on time.
    while (iy <= height / 2 - 1) {
        frame_loop_next(&loop);
        image_fill(frame, 0);
        image_fill(shrink, 0);
        image_blit_scaled(shrink, ix, iy, static_cast<uint32_t>(width - 2 * ix),
                          static_cast<uint32_t>(height - 2 * iy), snapshot, 0, 0,
                          static_cast<uint32_t>(width), static_cast<uint32_t>(height), 0, 0);
        blit_rotated(frame, shrink, 0, 0, 1.0f, angle, 0, 0);
        angle = static_cast<float>(angle + 0.23);
        inset_x += INSET_X_STEP;
        inset_y += INSET_Y_STEP;
        display_present(frame);
        loop.frames++;
        ix = inset_x >> 4;
        iy = inset_y >> 4;
        if (ix > width / 2 - 1)
            break;
    }
    image_free(&snapshot);
    image_free(&shrink);
    stats_print("e_03", loop.frames, frame_loop_measured_rate(&loop));
}
