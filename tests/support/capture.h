// In-process effect runs for tests: a fresh working folder to chdir into,
// and a recorder of every frame the effect presents, with its palette.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/image.h"
#include "work_dir.h"

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
