// Time for tests and their harnesses: the monotonic clock, and sleeps that
// last their whole length even when a signal arrives meanwhile.
#pragma once

long long test_now_ms();
void test_sleep_ms(long ms);

// What starting through the 32-bit build's emulator adds to the time a
// program takes to get going: qemu-user first translates the code it runs.
// There the music process was first heard 110 to 310 ms after it started
// (a 2-core virtual machine, two tests at a time), so bounds on how soon a
// program starts take this much more.
#ifdef QUARROW_TEST_EMULATOR
constexpr long long TEST_EMULATED_START_MS = 300;
#else
constexpr long long TEST_EMULATED_START_MS = 0;
#endif
