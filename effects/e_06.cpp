// Placeholder until this effect lands: it shows nothing.
#include "effects/effects.h"

void effect_e06(Image* frame, unsigned duration)
{
    (void)frame; (void)duration;
}
