// In-process effect runs for tests: a fresh working folder to chdir into,
// and a recorder of every frame the effect presents, with its palette.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/image.h"
#include "work_dir.h"

struct CapturedFrame {
    std::vector<uint8_t> pixels;   // width x height, empty unless kept
    std::vector<uint8_t> palette;  // the 768 bytes in effect when presented
};

// Starts recording presents (dropping earlier ones); pixels only if asked.
void capture_start(bool keep_pixels = true);
void capture_stop();
const std::vector<CapturedFrame>& capture_frames();
