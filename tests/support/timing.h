// Time for tests and their harnesses: the monotonic clock, and sleeps that
// last their whole length even when a signal arrives meanwhile.
#pragma once

long long test_now_ms();
void test_sleep_ms(long ms);
