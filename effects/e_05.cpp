// e_05: fades whatever is on the screen to white in 1.3 s by raising every
// palette component a step per frame. The frame buffer is only shown, never
// read or written, so the previous effect's last frame stays on screen.
#include "effects/e_05.h"

#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

enum { FADE_TENTHS = 13, WHITE_STEP = 16, WHITE_FROM = 240 };

void e05_whiten(uint8_t* palette)
{
    for (int i = 0; i < 768; i++) {
        int v = palette[i];
        palette[i] = static_cast<uint8_t>(v + WHITE_STEP >= WHITE_FROM ? 255 : v + WHITE_STEP);
    }
}

static const uint8_t* e05_frame(void*, Image*, const FrameLoop*)
{
    e05_whiten(shared_palette);
    return shared_palette;
}

void effect_e05(Image* frame)
{
    const EffectPlan plan = {"e_05", FADE_TENTHS, true, e05_frame, nullptr, nullptr, nullptr};
    effect_play(&plan, nullptr, frame);
}
