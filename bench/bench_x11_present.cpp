// display_present against a private 8-bit Xvfb: the scaled copy into the
// image plus its transfer, at pixel sizes 1 and 2, through shared memory and
// through the plain image request. Each frame's time is also given as a
// multiple of one memcpy of the image, measured in this process.
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
#include "display/x11/x11_display.h"
#include "support/xvfb.h"
#include "bench_support.h"

static Xvfb server;

static void server_stop()
{
    xvfb_stop(&server);
}

static bool server_ready()
{
    if (server.pid > 0)
        return true;
    if (!xvfb_start(&server, "640x480x8"))
        return false;
    atexit(server_stop);
    setenv("DISPLAY", xvfb_display(server).c_str(), 1);
    return true;
}

// Runs the set-up with the pixel-size answer on standard input and its
// lines kept off the benchmark's report.
static void display_open(int pixel_size, bool shm)
{
    std::string line = std::to_string(pixel_size);
    char program[] = "bench_x11_present";
    char shm_off[] = "-x";
    char* argv[] = {program, shm ? nullptr : shm_off, nullptr};
    bench_display_setup(line.c_str(), shm ? 1 : 2, argv);
}


static void BM_present(benchmark::State& state)
{
    int pixel_size = static_cast<int>(state.range(0));
    bool shm = state.range(1) != 0;
    if (!server_ready()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    display_open(pixel_size, shm);
    if (shm && !x11.use_shm) {
        display_shutdown();
        state.SkipWithError("the server did not attach the segment");
        return;
    }
    Image* frame = nullptr;
    image_create(&frame, 320, 240);
    for (int i = 0; i < 320 * 240; i++)
        frame->pixels[i] = static_cast<uint8_t>(i * 7);
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        display_present(frame);
    // Count the server's side too: wait until it has taken every frame.
    XSync(x11.display, False);
    std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    image_free(&frame);
    display_shutdown();

    double frame_ns = took.count() / static_cast<double>(state.iterations());
    size_t bytes = size_t(320 * pixel_size) * (240 * pixel_size);
    state.counters["us_per_frame"] = frame_ns / 1000.0;
    state.counters["x_memcpy"] = frame_ns / bench_memcpy_ns(bytes, 200);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_present)
    ->ArgNames({"pixel_size", "shm"})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

static void BM_memcpy_image(benchmark::State& state)
{
    size_t bytes = size_t(320 * state.range(0)) * (240 * state.range(0));
    bench_memcpy_loop(state, bytes);
}
BENCHMARK(BM_memcpy_image)->ArgName("pixel_size")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
