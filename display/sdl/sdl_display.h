// State of the SDL back end, shared by its files: sdl_setup.cpp (question,
// window, renderer, full screen, shut-down), sdl_frame.cpp (palette, the
// streaming texture, where the picture goes, present), sdl_events.cpp (keys,
// pause) and sdl_screenshot.cpp.
#pragma once

#include <SDL.h>

#include <cstdint>

#include "core/image.h"

struct SdlDisplay {
    SDL_Window* window;        // null until set up and after shut-down
    SDL_Renderer* renderer;
    SDL_Texture* texture;      // frame size, ARGB8888, streaming
    int frame_width;
    int frame_height;
    int fullscreen;            // 1 while covering the desktop
    uint32_t colours[256];     // the palette as ARGB, taken at the next present
    uint8_t palette[768];      // the same as red, green, blue
    uint8_t* shown;            // the frame on screen, as indices (for screenshots)
    uint8_t shown_palette[768];  // and the palette it is shown in
    int paused;                // 1 while the user holds the demo
    char title[128];           // the window's title when not paused
    const char* program;       // argv[0], for messages
};

extern SdlDisplay sdl;

// Where a frame_width x frame_height picture goes in an output of
// out_width x out_height: the largest whole multiple that fits, centred;
// when not even 1x fits, the largest 4:3-keeping size that does.
struct SdlRect {
    int x, y, w, h;
};
SdlRect sdl_layout(int out_width, int out_height, int frame_width, int frame_height);

// Converts frame through the current palette into the texture.
void sdl_frame_upload(const Image* frame);

// Clears the output to black and draws the texture at its layout.
void sdl_frame_show();

// Switches between a window and the desktop's full size; the pointer is
// hidden in full screen only.
void sdl_fullscreen_set(int on);

// Reads every queued event without waiting: quits, full-screen keys,
// repaints after the window changed.
void sdl_events_poll();

// Writes the frame on screen as the next free quarrow-NNNN.png in the
// working folder and names it on standard error; a failure is told there
// too, and the demo goes on.
void sdl_screenshot();
