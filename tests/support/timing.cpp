// Monotonic time and sleeping (see timing.h).
#include "support/timing.h"

#include <errno.h>
#include <time.h>

long long test_now_ms()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void test_sleep_ms(long ms)
{
    timespec pause{ms / 1000, (ms % 1000) * 1000000};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}
