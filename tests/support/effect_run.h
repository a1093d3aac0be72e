// Helpers for running one effect inside the test process: a temporary
// working folder with pictures, and the frames and palettes it presents.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/image.h"
#include "work_dir.h"

// Calls observer with every frame presented (index from 0, pixels, palette)
// while run() executes; returns what run() printed on standard output.
std::string test_observe_frames(
    const std::function<void()>& run,
    const std::function<void(int index, const Image* frame, const uint8_t* palette)>& observer);

// A width x height picture of one colour, with palette entry i = (i, i, 255 - i)
// unless palette is given.
void test_write_flat_picture(const std::string& dir, const char* name, int width, int height,
                             uint8_t colour, const uint8_t* palette = nullptr);
