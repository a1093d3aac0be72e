// Fill rate of the textured polygon renderer beside memset of the same area,
// and the work of one frame of the mesh, disc and plasma effects (drawing
// plus the doubling copy a 640 x 480 display makes), median and maximum.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <vector>

#include "core/image.h"
#include "core/trig.h"
#include "effects/e_01.h"
#include "effects/e_06.h"
#include "effects/e_07.h"
#include "effects/polygon.h"

namespace {

constexpr int W = 320, H = 240;

struct Picture {
    std::vector<uint8_t> pixels;
    Image image;
    Picture(int width, int height) : pixels(static_cast<size_t>(width) * height)
    {
        for (size_t i = 0; i < pixels.size(); i++)
            pixels[i] = static_cast<uint8_t>(i * 7 + i / width);
        image = {width, height, pixels.data()};
    }
};

void BM_MemsetFrame(benchmark::State& state)
{
    std::vector<uint8_t> frame(W * H);
    for (auto _ : state) {
        memset(frame.data(), static_cast<int>(state.iterations() & 255), frame.size());
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.counters["pixels_per_second"] =
        benchmark::Counter(static_cast<double>(W * H), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MemsetFrame);

// One quad over the whole frame, turned a little so every row has a slope;
// the argument is the texture side (64 and 256 take the mask paths, 320 x 240
// the general one).
void BM_PolygonFill(benchmark::State& state)
{
    int side = static_cast<int>(state.range(0));
    Picture texture(side, side == 320 ? 240 : side);
    std::vector<uint8_t> frame(W * H);
    EdgeEntry* a;
    EdgeEntry* b;
    polygon_tables_create(H, &a, &b);
    const PolyPoint points[4] = {{-20, 0}, {W, -20}, {W + 20, H}, {0, H + 20}};
    const PolyPoint coords[4] = {{0, 0}, {side - 1, 0}, {side - 1, texture.image.height - 1},
                                 {0, texture.image.height - 1}};
    for (auto _ : state) {
        draw_textured_polygon(frame.data(), W, H, a, b, points, coords, 4, texture.pixels.data(),
                              texture.image.width, texture.image.height);
        benchmark::ClobberMemory();
    }
    polygon_tables_free(&a, &b);
    state.counters["pixels_per_second"] =
        benchmark::Counter(static_cast<double>(W * H), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PolygonFill)->Arg(64)->Arg(256)->Arg(320);

// Processor time of this thread: unlike the wall clock it leaves out the
// time other programs on a shared machine take from us.
double thread_ms()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Times each frame on its own and reports the median and the worst in ms.
template <typename Draw>
void frame_timing(benchmark::State& state, Draw draw)
{
    Image* frame = nullptr;
    Image* screen = nullptr;
    image_create(&frame, W, H);
    image_create(&screen, 2 * W, 2 * H);
    // One frame first, so the buffers' first-touch page faults are not timed.
    draw(frame, 0);
    image_blit_scaled(screen, 0, 0, 2 * W, 2 * H, frame, 0, 0, W, H, 0, 0);
    std::vector<double> times;
    int32_t t = 0;
    for (auto _ : state) {
        double start = thread_ms();
        draw(frame, t);
        image_blit_scaled(screen, 0, 0, 2 * W, 2 * H, frame, 0, 0, W, H, 0, 0);
        benchmark::ClobberMemory();
        times.push_back(thread_ms() - start);
        t = (t + 1) % 480;
    }
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
    state.counters["max_ms"] = times.back();
    image_free(&frame);
    image_free(&screen);
}

void BM_MeshFrame(benchmark::State& state)
{
    trig_init();
    Picture mesh(256, 256), face1(64, 64), face2(64, 64);
    Image frame_size{W, H, nullptr};
    EdgeEntry* a;
    EdgeEntry* b;
    polygon_tables_create(H, &a, &b);
    E06Scene scene;
    e06_init(&scene, &frame_size, &mesh.image, &face1.image, &face2.image, a, b, 300);
    frame_timing(state, [&](Image* frame, int32_t t) { e06_draw(&scene, frame, t); });
    polygon_tables_free(&a, &b);
}
BENCHMARK(BM_MeshFrame)->Iterations(2000);

void BM_DiscFrame(benchmark::State& state)
{
    trig_init();
    Picture picture(320, 240);
    Image frame_size{W, H, nullptr};
    EdgeEntry* a;
    EdgeEntry* b;
    polygon_tables_create(H, &a, &b);
    E07Scene scene;
    e07_init(&scene, &frame_size, &picture.image, a, b);
    frame_timing(state, [&](Image* frame, int32_t t) { e07_draw(&scene, frame, t); });
    polygon_tables_free(&a, &b);
}
BENCHMARK(BM_DiscFrame)->Iterations(2000);

void BM_PlasmaFrame(benchmark::State& state)
{
    trig_init();
    Picture picture(320, 240);
    Image* plasma = nullptr;
    image_create(&plasma, E01_PLASMA_WIDTH, E01_PLASMA_HEIGHT);
    E01Scene scene{plasma, &picture.image, {}};
    e01_window_reset(&scene.window);
    uint8_t palette[768] = {0};
    // Frames at the paced rate, so the window goes through all its phases.
    frame_timing(state, [&](Image* frame, int32_t f) {
        if (f == 0)
            e01_window_reset(&scene.window);
        e01_draw(&scene, frame, palette, f, 83 * f);
    });
    image_free(&plasma);
}
BENCHMARK(BM_PlasmaFrame)->Iterations(2000);

}  // namespace
