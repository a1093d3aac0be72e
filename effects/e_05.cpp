// e_05: fades whatever is on the screen to white in 1.3 s by raising every
// palette component a step per frame. The frame buffer is only shown, never
// read or written, so the previous effect's last frame stays on screen.
#include "effects/e_05.h"

#include "core/clock.h"
#include "core/frame_loop.h"
#include "display/display.h"
#include "effects/effects.h"

enum { FADE_TENTHS = 13, WHITE_STEP = 16, WHITE_FROM = 240 };

void e05_whiten(uint8_t* palette)
{
    for (int i = 0; i < 768; i++) {
        int v = palette[i];
        palette[i] = static_cast<uint8_t>(v + WHITE_STEP >= WHITE_FROM ? 255 : v + WHITE_STEP);
    }
}

void effect_e05(Image* frame)
{
    FrameLoop loop;
    frame_loop_begin(&loop);
    while (frame_loop_running(&loop, FADE_TENTHS)) {
        frame_loop_next(&loop);
        e05_whiten(shared_palette);
        display_set_palette(shared_palette);
        display_present(frame);
        loop.frames++;
    }
    stats_print("e_05", loop.frames, frame_loop_measured_rate(&loop));
}
