// The answers of the programs started from a terminal: standard input.
#include <cstdio>

#include "core/prompt.h"

bool prompt_read_line(char* line, int size)
{
    return fgets(line, size, stdin) != nullptr;
}
