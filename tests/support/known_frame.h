// The frame and palette quarrow-x11-frame shows, so a test can predict every
// pixel of a screenshot. Neighbouring pixels differ in both directions and
// the palette holds components 0, 1 and 255, so a wrong enlargement or a
// wrong colour conversion shows.
#pragma once

#include <cstdint>

inline uint8_t known_frame_pixel(int x, int y)
{
    return static_cast<uint8_t>(x * 7 + y * 13);
}

inline uint8_t known_palette_component(int index, int component)
{
    switch (component) {
    case 0: return static_cast<uint8_t>(index);
    case 1: return static_cast<uint8_t>(255 - index);
    default: return static_cast<uint8_t>(index * 5 + 1);
    }
}
