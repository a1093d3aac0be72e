// Presenting a frame full screen through the SDL back end on a private
// 1920x1080 24-bit Xvfb: a new palette plus the conversion of every pixel
// into the streaming texture and its upload, and the whole present with the
// drawing at 4x. Each is also given as a multiple of one memcpy of the
// texture's bytes, measured in this process. The label names the renderer.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/image.h"
#include "display/display.h"
#include "display/sdl/sdl_display.h"
#include "support/xvfb.h"
#include "bench_support.h"

static Xvfb server;
static Image* frame;
static uint8_t palettes[2][768];

static void finish()
{
    image_free(&frame);
    display_shutdown();
    xvfb_stop(&server);
}

// Xvfb, then the set-up answered "2" (full screen) on standard input with
// its prompt kept off the report; once for all the benchmarks.
static bool display_ready()
{
    if (frame)
        return true;
    if (!xvfb_start(&server, "1920x1080x24"))
        return false;
    setenv("DISPLAY", xvfb_display(server).c_str(), 1);
    char program[] = "bench_sdl_present";
    char* argv[] = {program, nullptr};
    bench_display_setup("2", 1, argv);
    atexit(finish);

    image_create(&frame, 320, 240);
    for (int i = 0; i < 320 * 240; i++)
        frame->pixels[i] = static_cast<uint8_t>(i * 7 + i / 320);
    for (int i = 0; i < 768; i++) {
        palettes[0][i] = static_cast<uint8_t>(i);
        palettes[1][i] = static_cast<uint8_t>(255 - i);
    }
    return true;
}

static const char* renderer_name()
{
    static SDL_RendererInfo info;
    if (SDL_GetRendererInfo(sdl.renderer, &info) != 0)
        return "unknown";
    return info.name;
}


static void report(benchmark::State& state, std::chrono::steady_clock::time_point start)
{
    std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    double frame_ns = took.count() / static_cast<double>(state.iterations());
    size_t bytes = 320 * 240 * 4;
    state.counters["us_per_frame"] = frame_ns / 1000.0;
    state.counters["x_memcpy"] = frame_ns / bench_memcpy_ns(bytes, 200);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    int w = 0, h = 0;
    SDL_GetRendererOutputSize(sdl.renderer, &w, &h);
    state.SetLabel(std::string(renderer_name()) + " " + std::to_string(w) + "x" + std::to_string(h));
}

// A palette change and the frame converted through it into the texture.
static void BM_palette_and_upload(benchmark::State& state)
{
    if (!display_ready()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    int n = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        display_set_palette(palettes[n++ & 1]);
        sdl_frame_upload(frame);
    }
    report(state, start);
}
BENCHMARK(BM_palette_and_upload)->Unit(benchmark::kMicrosecond)->UseRealTime();

// All of display_present: events, upload, black bars, the 4x copy, present;
// with vsync (as the demo runs: one refresh per present at most) and, to see
// the work itself, without.
static void BM_present(benchmark::State& state)
{
    if (!display_ready()) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    bool vsync = state.range(0) != 0;
    SDL_RenderSetVSync(sdl.renderer, vsync ? 1 : 0);
    int n = 0;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        display_set_palette(palettes[n++ & 1]);
        display_present(frame);
    }
    report(state, start);
    SDL_RenderSetVSync(sdl.renderer, 1);
}
BENCHMARK(BM_present)->ArgName("vsync")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();

static void BM_memcpy_texture_bytes(benchmark::State& state)
{
    size_t bytes = 320 * 240 * 4;
    bench_memcpy_loop(state, bytes);
}
BENCHMARK(BM_memcpy_texture_bytes)->Unit(benchmark::kMicrosecond);
