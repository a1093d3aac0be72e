// ask_number (see prompt.h).
#include "core/prompt.h"

#include <cstdio>
#include <cstdlib>

int ask_number(const char* prompt, int min, int max)
{
    fputs(prompt, stdout);
    fflush(stdout);
    char line[255];
    for (;;) {
        if (!prompt_read_line(line, sizeof line))
            return min;
        long value = strtol(line, nullptr, 10);
        if (value >= min && value <= max)
            return static_cast<int>(value);
    }
}
