// The one global palette shared by the picture loader, the effects and the
// display back ends.
#include "display/display.h"

uint8_t shared_palette[768];
