// In-process effect runs (see effect_run.h).
#include "support/effect_run.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "support/capture.h"
#include "support/stdout_capture.h"
#include "support/support.h"
#include "support/work_dir.h"

TestFrame::TestFrame()
{
    if (image_create(&image, FRAME_WIDTH, FRAME_HEIGHT) != 0)
        ADD_FAILURE() << "no frame buffer";
}

EffectRun test_run_effect(const std::function<void()>& run, bool keep_pixels, const CaptureEach& each,
                          const std::string& work_dir)
{
    EffectRun result;
    ScopedWorkDir work(work_dir.empty() ? "." : work_dir);
    capture_start(keep_pixels, each);
    test_stdout_capture_begin();
    run();
    result.out = test_stdout_capture_end();
    capture_stop();
    result.frames = capture_frames();
    return result;
}

void test_write_flat_picture(const std::string& dir, const char* name, int width, int height,
                             uint8_t colour, const uint8_t* palette)
{
    uint8_t own[768];
    for (int i = 0; i < 256; i++) {
        own[3 * i] = static_cast<uint8_t>(i);
        own[3 * i + 1] = static_cast<uint8_t>(i);
        own[3 * i + 2] = static_cast<uint8_t>(255 - i);
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height, colour);
    Image image{width, height, pixels.data()};
    test_write_picture(dir, name, image, palette ? palette : own);
}
