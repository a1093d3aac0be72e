// Random numbers for the effects that draw them (e_02's rain, e_04's bounce):
// the C library's rand, seeded once at start-up from the time of day.
#pragma once

#include <ctime>

// The seed for a UTC time of day: seconds x (minutes + 1) x (hours + 1).
unsigned random_seed_for(const struct tm* utc);

// srand with the seed for the current UTC time.
void seed_random();

// 0..n-1 for n > 0, scaled from the high bits of one rand() result.
int random_below(int n);

// The scaling of random_below for a given rand() result r.
int random_scale(int r, int n);
