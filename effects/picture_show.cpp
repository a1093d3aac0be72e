// Placeholder until this effect lands: it shows nothing.
#include "effects/effects.h"

void effect_picture_show(Image* frame, unsigned duration, const char* path)
{
    (void)frame; (void)duration; (void)path;
}
