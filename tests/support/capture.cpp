// Frame recorder and working folder for in-process effect tests.
#include "capture.h"

#include <unistd.h>

#include <climits>

#include "display/record/record.h"
#include "support.h"

static std::vector<CapturedFrame> frames;
static bool keep;

static void observe(const Image* frame, const uint8_t* palette)
{
    CapturedFrame captured;
    if (keep)
        captured.pixels.assign(frame->pixels,
                               frame->pixels + static_cast<size_t>(frame->width) * frame->height);
    captured.palette.assign(palette, palette + 768);
    frames.push_back(std::move(captured));
}

void capture_start(bool keep_pixels)
{
    frames.clear();
    keep = keep_pixels;
    record_set_observer(observe);
}

void capture_stop()
{
    record_set_observer(nullptr);
}

const std::vector<CapturedFrame>& capture_frames()
{
    return frames;
}

