// display_present of the console back end onto a 1920x1080 32-bit device
// (memory standing in for the frame buffer): the scaled copy, the copy into
// the emulated card and the scan-out into the device's 4:3 area. Each frame's
// time is also given as a multiple of one memcpy of the whole device.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/image.h"
#include "display/display.h"
#include "display/vga/vgalib/vga_screen.h"
#include "bench_support.h"

constexpr unsigned WIDTH = 1920, HEIGHT = 1080;
constexpr size_t DEVICE_BYTES = size_t(WIDTH) * HEIGHT * 4;
static std::vector<uint8_t> device(DEVICE_BYTES);

// Sets up the back end on the memory device with the menu answer on
// standard input and its lines kept off the benchmark's report.
static void display_open(int answer)
{
    fb_var_screeninfo var{};
    var.xres = var.xres_virtual = WIDTH;
    var.yres = var.yres_virtual = HEIGHT;
    var.bits_per_pixel = 32;
    var.red = {16, 8, 0};
    var.green = {8, 8, 0};
    var.blue = {0, 8, 0};
    fb_fix_screeninfo fix{};
    fix.line_length = WIDTH * 4;
    vga_screen_use_memory(device.data(), var, fix);
    setenv("VGA_STANDIN_MODES", "6,10,11", 1);

    std::string line = std::to_string(answer);
    bench_display_setup(line.c_str(), 0, nullptr);
}


// Argument: the menu answer, 1 = 320x240 (planar, 4x), 2 = 640x480 (paged,
// 2x), 3 = 800x600 (paged, 1440x1080 by nearest neighbour).
static void BM_present_1920x1080x32(benchmark::State& state)
{
    display_open(static_cast<int>(state.range(0)));
    Image* frame = nullptr;
    image_create(&frame, 320, 240);
    for (int i = 0; i < 320 * 240; i++)
        frame->pixels[i] = static_cast<uint8_t>(i * 7);
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = static_cast<uint8_t>(i);
    display_set_palette(palette);
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        display_present(frame);
        benchmark::ClobberMemory();
    }
    std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    image_free(&frame);
    display_shutdown();

    double frame_ns = took.count() / static_cast<double>(state.iterations());
    state.counters["us_per_frame"] = frame_ns / 1000.0;
    state.counters["x_memcpy"] = frame_ns / bench_memcpy_ns(DEVICE_BYTES, 20);
}
BENCHMARK(BM_present_1920x1080x32)->ArgName("mode")->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond)->UseRealTime();

static void BM_memcpy_device(benchmark::State& state)
{
    bench_memcpy_loop(state, DEVICE_BYTES);
}
BENCHMARK(BM_memcpy_device)->Unit(benchmark::kMicrosecond);
