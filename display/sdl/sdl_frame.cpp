// Frames on their way to the screen: the palette kept as ARGB, each frame
// converted through it into a streaming texture, and the texture drawn at
// the largest whole multiple that fits, centred on black.
#include <cstring>

#include "display/display.h"
#include "display/sdl/sdl_display.h"

SdlRect sdl_layout(int out_width, int out_height, int frame_width, int frame_height)
{
    SdlRect r{0, 0, 0, 0};
    if (out_width <= 0 || out_height <= 0 || frame_width <= 0 || frame_height <= 0)
        return r;
    int scale = out_width / frame_width < out_height / frame_height ? out_width / frame_width
                                                                    : out_height / frame_height;
    if (scale >= 1) {
        r.w = frame_width * scale;
        r.h = frame_height * scale;
    } else if (static_cast<long>(out_width) * frame_height <= static_cast<long>(out_height) * frame_width) {
        r.w = out_width;
        r.h = static_cast<int>(static_cast<long>(out_width) * frame_height / frame_width);
    } else {
        r.h = out_height;
        r.w = static_cast<int>(static_cast<long>(out_height) * frame_width / frame_height);
    }
    r.x = (out_width - r.w) / 2;
    r.y = (out_height - r.h) / 2;
    return r;
}

// Colours are taken at the next present, so a palette change shows with the
// frame it belongs to and never on the one before.
void display_set_palette(const uint8_t* palette)
{
    memcpy(sdl.palette, palette, sizeof sdl.palette);
    for (int i = 0; i < 256; i++)
        sdl.colours[i] = 0xff000000u | static_cast<uint32_t>(palette[3 * i]) << 16 |
                         static_cast<uint32_t>(palette[3 * i + 1]) << 8 | palette[3 * i + 2];
}

// A frame without pixels uploads black. What is uploaded is also kept as
// indices and palette, for a screenshot of exactly what is on screen.
void sdl_frame_upload(const Image* frame)
{
    void* pixels;
    int pitch;
    if (SDL_LockTexture(sdl.texture, nullptr, &pixels, &pitch) != 0)
        return;
    memcpy(sdl.shown_palette, sdl.palette, sizeof sdl.shown_palette);
    for (int y = 0; y < sdl.frame_height; y++) {
        uint32_t* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + static_cast<size_t>(y) * pitch);
        uint8_t* kept = sdl.shown + static_cast<size_t>(y) * sdl.frame_width;
        if (!frame->pixels || frame->width != sdl.frame_width || y >= frame->height) {
            for (int x = 0; x < sdl.frame_width; x++)
                row[x] = 0xff000000u;
            memset(kept, 0, static_cast<size_t>(sdl.frame_width));
            continue;
        }
        const uint8_t* from = frame->pixels + static_cast<size_t>(y) * frame->width;
        for (int x = 0; x < sdl.frame_width; x++)
            row[x] = sdl.colours[from[x]];
        memcpy(kept, from, static_cast<size_t>(sdl.frame_width));
    }
    SDL_UnlockTexture(sdl.texture);
}

void sdl_frame_show()
{
    int width, height;
    if (SDL_GetRendererOutputSize(sdl.renderer, &width, &height) != 0)
        return;
    SdlRect r = sdl_layout(width, height, sdl.frame_width, sdl.frame_height);
    SDL_Rect target{r.x, r.y, r.w, r.h};
    SDL_SetRenderDrawColor(sdl.renderer, 0, 0, 0, 255);
    SDL_RenderClear(sdl.renderer);
    SDL_RenderCopy(sdl.renderer, sdl.texture, nullptr, &target);
    SDL_RenderPresent(sdl.renderer);
}

// Events are read here too, so a quit is noticed even in a loop that does
// not wait between frames.
void display_present(const Image* frame)
{
    if (!sdl.texture)
        return;
    sdl_events_poll();
    sdl_frame_upload(frame);
    sdl_frame_show();
}
