// Placeholder until this effect lands: it shows nothing.
#include "effects/effects.h"

void effect_e04(Image* frame, unsigned duration, float red, float green, float blue, const char* path)
{
    (void)frame; (void)duration; (void)red; (void)green; (void)blue; (void)path;
}
