// The picture show: one still picture, faded in from black and out again in
// its last two seconds, entirely through the palette. The frame buffer is
// written once; every frame after that only changes colours.
#include "effects/picture_show.h"

#include <cstring>

#include "core/fp_round.h"
#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

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

struct PictureShow {
    Image* picture;
    unsigned duration;
    uint8_t working[PALETTE_BYTES];
};

static const uint8_t* picture_show_draw(void* scene, Image*, const FrameLoop* loop)
{
    PictureShow* show = static_cast<PictureShow*>(scene);
    // Signed arithmetic, so a show shorter than the fade fades from the start.
    bool fading_out = fp_double(loop->t * 0.01) >= static_cast<double>(show->duration) - FADE_OUT_TENTHS;
    return picture_show_palette_step(loop->frames, fading_out, shared_palette, show->working);
}

static void picture_show_release(void* scene)
{
    image_free(&static_cast<PictureShow*>(scene)->picture);
}

void effect_picture_show(Image* frame, unsigned duration, const char* path)
{
    PictureShow show;
    show.picture = effect_picture_frame_sized(path, frame);
    show.duration = duration;
    memcpy(frame->pixels, show.picture->pixels,
           static_cast<size_t>(frame->width) * static_cast<size_t>(frame->height));

    const EffectPlan plan = {"e_04", duration, false, picture_show_draw, nullptr, nullptr,
                             picture_show_release};
    effect_play(&plan, &show, frame);
}
