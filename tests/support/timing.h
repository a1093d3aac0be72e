// Time for tests and their harnesses: the monotonic clock, and sleeps that
// last their whole length even when a signal arrives meanwhile.
#pragma once

long long test_now_ms();
double test_now_seconds();
void test_sleep_ms(long ms);
