// Per-frame work of the picture show, e_05, e_04, e_02 and e_03: drawing the
// frame and presenting it as the X back end does, doubled into a 640 x 480
// image. Each reports median and maximum over repetitions, and its time as
// a multiple of a 640 x 480 memcpy measured in the same process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/image.h"
#include "core/trig.h"
#include "display/display.h"
#include "effects/blit_rotated.h"
#include "effects/e_02.h"
#include "effects/e_04.h"
#include "effects/e_05.h"
#include "effects/picture_show.h"

namespace {

constexpr size_t BIG = 640 * 480;

struct Screens {
    std::vector<uint8_t> frame_pixels = std::vector<uint8_t>(320 * 240);
    std::vector<uint8_t> window_pixels = std::vector<uint8_t>(BIG);
    Image frame{320, 240, frame_pixels.data()};
    Image window{640, 480, window_pixels.data()};
    // What the X back end's present does with the frame at pixel size 2.
    void present() { image_blit_scaled(&window, 0, 0, 640, 480, &frame, 0, 0, 320, 240, 0, 0); }
};

// Nanoseconds of one 640 x 480 memcpy, the median of a few hundred.
double baseline_ns()
{
    static double ns = [] {
        std::vector<uint8_t> a(BIG, 1), b(BIG);
        std::vector<double> times;
        for (int i = 0; i < 301; i++) {
            auto start = std::chrono::steady_clock::now();
            memcpy(b.data(), a.data(), BIG);
            benchmark::DoNotOptimize(b.data());
            benchmark::ClobberMemory();
            times.push_back(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count());
        }
        std::nth_element(times.begin(), times.begin() + 150, times.end());
        return times[150];
    }();
    return ns;
}

// Runs frame() per iteration and records its time against the baseline.
template <typename F>
void run_frames(benchmark::State& state, F frame)
{
    double base = baseline_ns();
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        frame();
    double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
    state.counters["x_memcpy"] = ns / static_cast<double>(state.iterations()) / base;
}

double maximum(const std::vector<double>& v)
{
    return *std::max_element(v.begin(), v.end());
}

void BM_baseline_memcpy_640x480(benchmark::State& state)
{
    std::vector<uint8_t> a(BIG, 1), b(BIG);
    for (auto _ : state) {
        memcpy(b.data(), a.data(), BIG);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
}

void BM_baseline_memset_640x480(benchmark::State& state)
{
    std::vector<uint8_t> b(BIG);
    for (auto _ : state) {
        memset(b.data(), static_cast<int>(state.iterations() & 255), BIG);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
}

void BM_picture_show_frame(benchmark::State& state)
{
    Screens s;
    uint8_t source[768], working[768];
    for (int i = 0; i < 768; i++)
        source[i] = static_cast<uint8_t>(i * 5);
    int n = 0;
    run_frames(state, [&] {
        display_set_palette(picture_show_palette_step(n, n > 60, source, working));
        s.present();
        n = n < 121 ? n + 1 : 0;
    });
}

void BM_fade_frame(benchmark::State& state)
{
    Screens s;
    uint8_t palette[768] = {};
    int n = 0;
    run_frames(state, [&] {
        if (++n == 17) {
            n = 0;
            memset(palette, 0, sizeof palette);
        }
        e05_whiten(palette);
        display_set_palette(palette);
        s.present();
    });
}

void BM_relief_frame(benchmark::State& state)
{
    Screens s;
    std::vector<uint8_t> height_pixels(320 * 240);
    for (int y = 1; y < 239; y++)
        for (int x = 0; x < 320; x++)
            height_pixels[y * 320 + x] = static_cast<uint8_t>((x * x + y * 3) >> 5);
    Image heights{320, 240, height_pixels.data()};
    std::vector<uint8_t> spot(E04_SPOT_SIDE * E04_SPOT_SIDE);
    e04_build_spot(spot.data());
    srand(1);
    E04Light light = {160, 1, 7, 120, 1, 7};
    run_frames(state, [&] {
        e04_light_frame(&s.frame, &heights, spot.data(), light.x, light.y);
        e04_light_axis(&light.x, &light.x_direction, &light.x_speed, 20, 300);
        e04_light_axis(&light.y, &light.y_direction, &light.y_speed, 15, 225);
        s.present();
    });
}

void BM_water_frame(benchmark::State& state)
{
    trig_init();
    Screens s;
    std::vector<uint8_t> picture(E02_CELLS);
    for (int i = 0; i < E02_CELLS; i++)
        picture[i] = static_cast<uint8_t>(i * 3);
    std::vector<uint8_t> work_pixels(E02_CELLS);
    Image work{E02_COLUMNS, E02_ROWS, work_pixels.data()};
    std::vector<int32_t> fields[2] = {std::vector<int32_t>(E02_CELLS), std::vector<int32_t>(E02_CELLS)};
    int current = 0, frames = 0;
    srand(1);
    run_frames(state, [&] {
        e02_render(&work, fields[current].data(), picture.data(), picture.size());
        image_blit_scaled(&s.frame, 0, 0, 320, 240, &work, 0, 0, E02_COLUMNS, E02_ROWS, 0, 0);
        s.present();
        frames = frames < 420 ? frames + 1 : 1;
        e02_drops(fields[current].data(), frames, (frames - 1) * 0.83, 350);
        e02_wave_step(fields[current].data(), fields[1 - current].data());
        current = 1 - current;
    });
}

void BM_shrink_frame(benchmark::State& state)
{
    Screens s;
    std::vector<uint8_t> snapshot_pixels(320 * 240), shrink_pixels(320 * 240);
    for (size_t i = 0; i < snapshot_pixels.size(); i++)
        snapshot_pixels[i] = static_cast<uint8_t>(1 + i % 250);
    Image snapshot{320, 240, snapshot_pixels.data()};
    Image shrink{320, 240, shrink_pixels.data()};
    int k = 0;
    float angle = 0.0f;
    run_frames(state, [&] {
        int ix = (113 * k) >> 4, iy = (85 * k) >> 4;
        image_fill(&s.frame, 0);
        image_fill(&shrink, 0);
        image_blit_scaled(&shrink, ix, iy, 320 - 2 * ix, 240 - 2 * iy, &snapshot, 0, 0, 320, 240, 0, 0);
        blit_rotated(&s.frame, &shrink, 0, 0, 1.0f, angle, 0, 0);
        s.present();
        angle = static_cast<float>(angle + 0.23);
        if (++k == 23) {
            k = 0;
            angle = 0.0f;
        }
    });
}

void repeated(benchmark::internal::Benchmark* b)
{
    b->Repetitions(15)->ComputeStatistics("max", maximum)->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_baseline_memcpy_640x480)->Apply(repeated);
BENCHMARK(BM_baseline_memset_640x480)->Apply(repeated);
BENCHMARK(BM_picture_show_frame)->Apply(repeated);
BENCHMARK(BM_fade_frame)->Apply(repeated);
BENCHMARK(BM_relief_frame)->Apply(repeated);
BENCHMARK(BM_water_frame)->Apply(repeated);
BENCHMARK(BM_shrink_frame)->Apply(repeated);
