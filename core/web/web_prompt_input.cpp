// The answers in the page: a line typed (or clicked, or taken from the
// address) into the page's input, awaited without blocking the browser.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "core/prompt.h"

// The page's quarrowAnswer() resolves with the next answer's text.
EM_ASYNC_JS(char*, prompt_web_next_line, (), {
    const text = await Module.quarrowAnswer();
    return allocateUTF8(text + "\n");
});

bool prompt_read_line(char* line, int size)
{
    char* answer = prompt_web_next_line();
    if (!answer)
        return false;
    // Longer answers are cut, as fgets would; the rest is dropped rather
    // than kept for the next question, since the page sends whole lines.
    strncpy(line, answer, static_cast<size_t>(size) - 1);
    line[size - 1] = '\0';
    free(answer);
    return true;
}
