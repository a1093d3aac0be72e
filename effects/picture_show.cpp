// The picture show: one still picture, faded in from black and out again in
// its last two seconds, entirely through the palette. The frame buffer is
// written once; every frame after that only changes colours.
#include "effects/picture_show.h"

#include <cstring>

#include "core/clock.h"
#include "core/fatal.h"
#include "core/frame_loop.h"
#include "display/display.h"
#include "effects/effects.h"
#include "image/pcx.h"

enum {
    PALETTE_BYTES = 768,
    BLACK_FRAMES = 5,    // frames 0-4 show black
    SOURCE_FRAME = 22,   // first frame in the picture's own colours
    FADE_OUT_TENTHS = 20,
};

const uint8_t* picture_show_palette_step(int n, bool fading_out, const uint8_t* source,
                                         uint8_t* working)
{
    if (n == 0) {
        memset(working, 0, PALETTE_BYTES);
        return working;
    }
    if (n < BLACK_FRAMES)
        return working;
    if (n < SOURCE_FRAME) {
        // 17 steps of at most 15 never pass 255.
        for (int i = 0; i < PALETTE_BYTES; i++)
            working[i] = static_cast<uint8_t>(working[i] + (source[i] >> 4));
        return working;
    }
    if (n == SOURCE_FRAME) {
        memcpy(working, source, PALETTE_BYTES);
        return source;
    }
    if (!fading_out)
        return source;
    // A component below 16 has a step of 0 and keeps its value.
    for (int i = 0; i < PALETTE_BYTES; i++) {
        uint8_t step = source[i] >> 4;
        working[i] = working[i] > step ? static_cast<uint8_t>(working[i] - step) : 0;
    }
    return working;
}

void effect_picture_show(Image* frame, unsigned duration, const char* path)
{
    Image* picture = nullptr;
    if (pcx_load(path, &picture, shared_palette) != 5)
        demo_fatal_load(path);
    if (picture->width != frame->width || picture->height != frame->height) {
        image_free(&picture);
        demo_fatal(MSG_WRONG_SIZE);
    }
    memcpy(frame->pixels, picture->pixels,
           static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height));

    uint8_t working[PALETTE_BYTES];
    FrameLoop loop;
    frame_loop_begin(&loop);
    while (frame_loop_running(&loop, duration)) {
        frame_loop_next(&loop);
        // Signed arithmetic, so a show shorter than the fade fades from the start.
        bool fading_out = loop.t * 0.01 >= static_cast<double>(duration) - FADE_OUT_TENTHS;
        display_set_palette(
            picture_show_palette_step(loop.frames, fading_out, shared_palette, working));
        display_present(frame);
        loop.frames++;
    }
    image_free(&picture);
    stats_print("e_04", loop.frames, frame_loop_nominal_rate(&loop, duration));
}
