// Compiled by the layering tests against one layer's include root, with
// UPWARD naming a header of a layer above it: that must not build, while the
// same file without UPWARD must, so the failure is the include and nothing else.
#include "core/image.h"
#ifdef UPWARD
#include UPWARD
#endif

int layering_probe()
{
    return FRAME_WIDTH;
}
