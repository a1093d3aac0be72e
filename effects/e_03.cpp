// Placeholder until this effect lands: it shows nothing.
#include "effects/effects.h"

void effect_e03(Image* frame)
{
    (void)frame;
}
