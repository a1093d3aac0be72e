// The answers in the page: a line typed (or clicked, or taken from the
// address) into the page's input, awaited without blocking the browser.
#include <emscripten.h>

#include "core/prompt.h"

// The page's quarrowAnswer() resolves with the next answer's text, which
// goes into line as UTF-8 with its line end, cut to size - 1 bytes as fgets
// would cut it (the rest is dropped rather than kept for the next question,
// since the page sends whole lines). Written straight into the heap, so
// that no runtime helper is needed: which of those an Emscripten links by
// itself differs between releases.
EM_ASYNC_JS(int, prompt_web_next_line, (char* line, int size), {
    const text = await Module.quarrowAnswer();
    if (text === null || text === undefined)
        return 0;
    const bytes = new TextEncoder().encode(text + "\n");
    const length = Math.min(bytes.length, size - 1);
    HEAPU8.set(bytes.subarray(0, length), line);
    HEAPU8[line + length] = 0;
    return 1;
});

bool prompt_read_line(char* line, int size)
{
    return prompt_web_next_line(line, size) != 0;
}
