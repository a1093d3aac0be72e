// Decode throughput of the PCX reader: pcx_load of a whole file (open, run-
// length decode, table, close) in MB of pixels per second, beside memcpy of
// the same number of bytes timed in the same benchmark, both by the wall
// clock. vs_memcpy is the decode rate as a share of the memcpy rate.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/pcx.h"

namespace {

// A picture like the demo's artwork: smooth bands that code as runs, beside
// a textured part where nearly every byte is a literal.
std::string write_picture(int width, int height)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    uint32_t noise = 12345;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            noise = noise * 1103515245u + 12345u;
            pixels[static_cast<size_t>(y) * width + x] =
                static_cast<uint8_t>(x < width / 2 ? (x / 16 + y / 8) : (noise >> 16) % 224);
        }
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = static_cast<uint8_t>(i);
    char path[] = "/tmp/quarrow-bench-pcx-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        abort();
    close(fd);
    Image image{width, height, pixels.data()};
    if (pcx_write(path, &image, palette) != 0)
        abort();
    return path;
}

double seconds_since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_pcx_load(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const size_t size = static_cast<size_t>(width) * height;
    const std::string path = write_picture(width, height);
    uint8_t palette[768];

    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        Image* image = nullptr;
        if (pcx_load(path.c_str(), &image, palette) != 5)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image->pixels);
        image_free(&image);
    }
    const double decode_seconds = seconds_since(start);
    unlink(path.c_str());

    // The baseline: as many copies of a picture-sized buffer.
    std::vector<uint8_t> from(size, 1), to(size);
    start = std::chrono::steady_clock::now();
    for (benchmark::IterationCount i = 0; i < state.iterations(); i++) {
        from[i % size] = static_cast<uint8_t>(i);
        memcpy(to.data(), from.data(), size);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    const double copy_seconds = seconds_since(start);

    const double megabytes = static_cast<double>(size) * state.iterations() / 1e6;
    state.counters["decode_MB_s"] = megabytes / decode_seconds;
    state.counters["memcpy_MB_s"] = megabytes / copy_seconds;
    state.counters["vs_memcpy"] = copy_seconds / decode_seconds;
}

}  // namespace

BENCHMARK(BM_pcx_load)->Args({320, 240})->Args({1024, 1024})->Unit(benchmark::kMicrosecond);
