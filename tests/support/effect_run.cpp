// In-process effect runs (see effect_run.h).
#include "effect_run.h"

#include <unistd.h>

#include <climits>
#include <cstdio>

#include "capture.h"
#include "stdout_capture.h"
#include "support.h"

std::string test_observe_frames(
    const std::function<void()>& run,
    const std::function<void(int, const Image*, const uint8_t*)>& observer)
{
    capture_start(false, observer);
    test_stdout_capture_begin();
    run();
    std::string out = test_stdout_capture_end();
    capture_stop();
    return out;
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
