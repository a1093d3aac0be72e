// The whitening step of the fade to white, exposed for tests.
#pragma once

#include <cstdint>

// Raises every one of the 768 components by 16, saturating at 255 as soon
// as a component would reach 240.
void e05_whiten(uint8_t* palette);
