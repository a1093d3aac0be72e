// Frame recorder and working folder for in-process effect tests.
#include "support/capture.h"

#include <unistd.h>

#include <climits>

#include "display/record/record.h"
#include "support/support.h"

static std::vector<CapturedFrame> frames;
static bool keep;
static CaptureEach each_frame;

static void observe(const Image* frame, const uint8_t* palette)
{
    if (each_frame)
        each_frame(static_cast<int>(frames.size()), frame, palette);
    CapturedFrame captured;
    if (keep)
        captured.pixels.assign(frame->pixels,
                               frame->pixels + static_cast<size_t>(frame->width) * frame->height);
    captured.palette.assign(palette, palette + 768);
    frames.push_back(std::move(captured));
}

void capture_start(bool keep_pixels, const CaptureEach& each)
{
    frames.clear();
    keep = keep_pixels;
    each_frame = each;
    record_set_observer(observe);
}

void capture_stop()
{
    record_set_observer(nullptr);
    each_frame = nullptr;
}

const std::vector<CapturedFrame>& capture_frames()
{
    return frames;
}

