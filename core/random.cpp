// Seeding from the time of day and the scaled draw (see random.h).
#include "core/random.h"

#include <cstdlib>

unsigned random_seed_for(const struct tm* utc)
{
    return static_cast<unsigned>(utc->tm_sec) * (utc->tm_min + 1) * (utc->tm_hour + 1);
}

void seed_random()
{
    time_t now = time(nullptr);
    srand(random_seed_for(gmtime(&now)));
}

int random_scale(int r, int n)
{
    // r x n x 2^-31 in extended precision; the factor is exact.
    return static_cast<int>(static_cast<long double>(r) * n * 0x1p-31L);
}

int random_below(int n)
{
    return random_scale(rand(), n);
}
