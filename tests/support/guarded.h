// Images for tests of routines that write through computed addresses: a
// destination fenced by guard bytes on both sides, and a source whose every
// pixel is told apart by a pattern of the test's choosing.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/image.h"

struct Guarded {
    static constexpr size_t GUARD = 4096;
    static constexpr uint8_t GUARD_BYTE = 0xA5;
    Guarded(int width, int height, uint8_t fill)
        : bytes(static_cast<size_t>(width) * height + 2 * GUARD, GUARD_BYTE),
          image{width, height, bytes.data() + GUARD}
    {
        std::fill(image.pixels, image.pixels + static_cast<size_t>(width) * height, fill);
    }
    bool guards_intact() const
    {
        for (size_t i = 0; i < GUARD; i++)
            if (bytes[i] != GUARD_BYTE || bytes[bytes.size() - 1 - i] != GUARD_BYTE)
                return false;
        return true;
    }
    uint8_t at(int x, int y) const { return image.pixels[y * image.width + x]; }
    std::vector<uint8_t> bytes;
    Image image;
};

struct PatternSource {
    PatternSource(int width, int height, uint8_t (*pattern)(int x, int y))
        : pixels(static_cast<size_t>(width) * height), image{width, height, nullptr}
    {
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                pixels[static_cast<size_t>(y) * width + x] = pattern(x, y);
        image.pixels = pixels.data();
    }
    uint8_t at(int x, int y) const { return pixels[y * image.width + x]; }
    std::vector<uint8_t> pixels;
    Image image;
};
