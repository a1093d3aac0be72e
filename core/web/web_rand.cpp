// rand and srand for the web page, in place of its C library's: the page
// draws the same numbers from a seed as the programs on Linux, whose C
// library uses an additive feedback generator (x[i] = x[i-3] + x[i-31],
// 31 words seeded by a multiplicative congruential generator and stirred
// 310 times). Without it the rain and the bounces would differ.
#include <cstdint>
#include <cstdlib>

static uint32_t state[31];
static int front;  // where x[i-31] is, and x[i] goes; x[i-3] is 28 further round

extern "C" void srand(unsigned seed)
{
    int32_t word = seed ? static_cast<int32_t>(seed) : 1;
    state[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < 31; i++) {
        // 16807 x word mod (2^31 - 1), without overflow (Schrage's method).
        int32_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        state[i] = static_cast<uint32_t>(word);
    }
    front = 3;
    for (int i = 0; i < 310; i++)
        rand();
}

extern "C" int rand()
{
    int back = (front + 28) % 31;
    state[front] += state[back];
    int result = static_cast<int>(state[front] >> 1);
    front = (front + 1) % 31;
    return result;
}
