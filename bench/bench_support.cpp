// The present benchmarks' shared set-up and baseline (see bench_support.h).
#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/image.h"
#include "display/display.h"

void bench_display_setup(const char* answer, int argc, char** argv)
{
    int input[2];
    if (pipe(input) != 0)
        abort();
    std::string line = std::string(answer) + "\n";
    (void)!write(input[1], line.data(), line.size());
    close(input[1]);
    dup2(input[0], 0);
    close(input[0]);
    clearerr(stdin);
    fflush(stdout);
    int saved = dup(1);
    int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1);
    close(null_fd);
    display_setup(argc, argv, "bench", FRAME_WIDTH, FRAME_HEIGHT);
    fflush(stdout);
    dup2(saved, 1);
    close(saved);
}

double bench_memcpy_ns(size_t bytes, int reps)
{
    std::vector<char> from(bytes, 1), to(bytes);
    double best = 1e30;
    for (int round = 0; round < 5; round++) {
        auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < reps; i++) {
            memcpy(to.data(), from.data(), bytes);
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
        std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / reps);
    }
    return best;
}

void bench_memcpy_loop(benchmark::State& state, size_t bytes)
{
    std::vector<char> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
