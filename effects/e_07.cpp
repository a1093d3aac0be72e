// Placeholder until this effect lands: it shows nothing.
#include "effects/effects.h"

void effect_e07(Image* frame, unsigned duration)
{
    (void)frame; (void)duration;
}
