// Standard output capture through a temporary file (see stdout_capture.h).
#include "support/stdout_capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

static int saved_fd = -1;
static FILE* sink;

void test_stdout_capture_begin()
{
    fflush(stdout);
    sink = tmpfile();
    if (!sink)
        abort();
    saved_fd = dup(STDOUT_FILENO);
    dup2(fileno(sink), STDOUT_FILENO);
}

std::string test_stdout_capture_end()
{
    fflush(stdout);
    dup2(saved_fd, STDOUT_FILENO);
    close(saved_fd);
    saved_fd = -1;
    std::string text;
    rewind(sink);
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, sink)) > 0)
        text.append(buffer, n);
    fclose(sink);
    sink = nullptr;
    return text;
}
