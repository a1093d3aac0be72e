// What the present benchmarks share: the display set-up answered on standard
// input with its lines kept off the report, and the memcpy baseline their
// figures are given against.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>

// Runs display_setup for the frame size with answer (one line, no newline)
// as the user's reply, and argv as the program's command line.
void bench_display_setup(const char* answer, int argc, char** argv);

// The best time of one memcpy of bytes, in nanoseconds, over rounds of reps.
double bench_memcpy_ns(size_t bytes, int reps);

// The body of a baseline benchmark: one memcpy of bytes per iteration.
void bench_memcpy_loop(benchmark::State& state, size_t bytes);
