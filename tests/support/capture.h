// The recorder of every frame presented inside the test process, with the
// palette in effect (test_run_effect in effect_run.h runs an effect under it).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/image.h"

struct CapturedFrame {
    std::vector<uint8_t> pixels;   // width x height, empty unless kept
    std::vector<uint8_t> palette;  // the 768 bytes in effect when presented
};

// Called with every frame presented while capturing (index from 0).
using CaptureEach = std::function<void(int index, const Image* frame, const uint8_t* palette)>;

// Starts recording presents (dropping earlier ones); pixels only if asked.
// each, when given, sees every frame as it is presented.
void capture_start(bool keep_pixels = true, const CaptureEach& each = nullptr);
void capture_stop();
const std::vector<CapturedFrame>& capture_frames();
