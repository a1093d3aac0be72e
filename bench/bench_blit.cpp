// The scaled copy that every present runs, from the 320x240 frame buffer to
// the window sizes, each beside a memcpy of the destination size in the same
// run. The counter "vs_memcpy" is the ratio of the two times.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "core/image.h"

namespace {

double time_memcpy(size_t bytes)
{
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    auto start = std::chrono::steady_clock::now();
    const int rounds = 2000;
    for (int i = 0; i < rounds; i++) {
        memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
}

void blit_to(benchmark::State& state, int width, int height)
{
    std::vector<uint8_t> frame(320 * 240), window(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < frame.size(); i++)
        frame[i] = static_cast<uint8_t>(i * 31);
    Image src{320, 240, frame.data()};
    Image dst{width, height, window.data()};
    for (auto _ : state) {
        image_blit_scaled(&dst, 0, 0, width, height, &src, 0, 0, 320, 240, 0, 0);
        benchmark::DoNotOptimize(window.data());
        benchmark::ClobberMemory();
    }
    auto start = std::chrono::steady_clock::now();
    const int rounds = 2000;
    for (int i = 0; i < rounds; i++) {
        image_blit_scaled(&dst, 0, 0, width, height, &src, 0, 0, 320, 240, 0, 0);
        benchmark::ClobberMemory();
    }
    double blit = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
    double copy = time_memcpy(window.size());
    state.counters["us_per_frame"] = blit * 1e6;
    state.counters["memcpy_us"] = copy * 1e6;
    state.counters["vs_memcpy"] = blit / copy;
}

void BM_BlitScaled_640x480(benchmark::State& state)
{
    blit_to(state, 640, 480);
}
void BM_BlitScaled_800x600(benchmark::State& state)
{
    blit_to(state, 800, 600);
}
void BM_BlitScaled_320x240(benchmark::State& state)
{
    blit_to(state, 320, 240);
}

BENCHMARK(BM_BlitScaled_320x240);
BENCHMARK(BM_BlitScaled_640x480);
BENCHMARK(BM_BlitScaled_800x600);

}  // namespace
