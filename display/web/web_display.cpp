// The canvas of the web page: the display's question, the palette kept as
// RGBA, and each frame converted through it into a buffer that the page
// shows with one putImageData from a view on the wasm memory.
#include "display/web/web_display.h"

#include <emscripten.h>

#include <cstring>
#include <vector>

#include "core/prompt.h"
#include "display/display.h"

static const char* const DISPLAY_MODE_PROMPT =
    "Choose display mode:\n1. In the page\n2. Full screen\nType corresponding number : ";

static uint32_t rgba[256];  // the palette as the canvas's bytes R, G, B, A
static std::vector<uint32_t> pixels;
static int current_step;

EM_JS(void, web_canvas_open, (int width, int height, int fullscreen), {
    Module.quarrowCanvasOpen(width, height, fullscreen);
});
EM_JS(void, web_canvas_put, (const void* rgba, const void* indices, const void* palette, int width,
                             int height, int step, double started), {
    Module.quarrowCanvasPut(rgba, indices, palette, width, height, step, started);
});
EM_JS(int, web_quit_asked, (), {
    return Module.quarrowQuitAsked() ? 1 : 0;
});

void web_display_set_step(int step, const char*)
{
    current_step = step;
}

void web_display_poll()
{
    if (web_quit_asked())
        display_quit();
}

void display_setup(int, char**, const char*, int width, int height)
{
    int mode = ask_number(DISPLAY_MODE_PROMPT, 1, 2);
    pixels.assign(static_cast<size_t>(width) * height, 0xff000000u);
    memset(rgba, 0, sizeof rgba);
    web_canvas_open(width, height, mode == 2);
}

void display_set_palette(const uint8_t* palette)
{
    for (int i = 0; i < 256; i++) {
        const uint8_t* c = palette + 3 * i;
        // Little-endian memory order R, G, B, A, as ImageData wants it.
        rgba[i] = c[0] | c[1] << 8 | c[2] << 16 | 0xff000000u;
    }
}

void display_present(const Image* frame)
{
    double started = emscripten_get_now();
    size_t count = static_cast<size_t>(frame->width) * frame->height;
    if (pixels.size() < count)
        pixels.resize(count);
    for (size_t i = 0; i < count; i++)
        pixels[i] = rgba[frame->pixels[i]];
    web_canvas_put(pixels.data(), frame->pixels, rgba, frame->width, frame->height, current_step, started);
}

void display_shutdown()
{
    pixels.clear();
    pixels.shrink_to_fit();
}
