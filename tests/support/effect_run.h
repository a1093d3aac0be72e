// The one way tests run an effect inside the test process: what it prints
// and every frame it presents, with the palette then in effect.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/capture.h"
#include "core/image.h"

struct EffectRun {
    std::string out;                    // standard output
    std::vector<CapturedFrame> frames;  // every frame presented; pixels when kept
};

// The 320 x 240 frame buffer, made as the demo makes it and freed at the
// end; it stands wherever an Image* does.
struct TestFrame {
    TestFrame();
    ~TestFrame() { image_free(&image); }
    TestFrame(const TestFrame&) = delete;
    TestFrame& operator=(const TestFrame&) = delete;
    operator Image*() const { return image; }
    Image* operator->() const { return image; }
    Image* image = nullptr;
};

// Runs run() with its standard output caught and every present recorded,
// inside work_dir when one is given (pictures are read relative to it).
// each, when given, sees every frame as it is presented.
EffectRun test_run_effect(const std::function<void()>& run, bool keep_pixels = true,
                          const CaptureEach& each = nullptr, const std::string& work_dir = "");

// A width x height picture of one colour, with palette entry i = (i, i, 255 - i)
// unless palette is given.
void test_write_flat_picture(const std::string& dir, const char* name, int width, int height,
                             uint8_t colour, const uint8_t* palette = nullptr);
