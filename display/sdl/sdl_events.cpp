// What the user can do while the demo plays: close the window or press
// Escape or q to end it, F11 or Alt+Enter to switch full screen. Read
// without waiting, from the frame wait and from present.
#include "display/display.h"
#include "display/sdl/sdl_display.h"

static bool is_quit_key(const SDL_Keysym& key)
{
    return key.sym == SDLK_ESCAPE || key.sym == SDLK_q;
}

static bool is_fullscreen_key(const SDL_Keysym& key)
{
    return key.sym == SDLK_F11 ||
           ((key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) && (key.mod & KMOD_ALT));
}

void sdl_events_poll()
{
    if (!sdl.window)
        return;
    bool repaint = false;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT:
            display_quit();
        case SDL_KEYDOWN:
            if (is_quit_key(event.key.keysym))
                display_quit();
            if (is_fullscreen_key(event.key.keysym) && !event.key.repeat) {
                sdl_fullscreen_set(!sdl.fullscreen);
                repaint = true;
            }
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE)
                display_quit();
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                repaint = true;
            break;
        default:
            break;
        }
    }
    // The texture still holds the last frame; show it at the new size.
    if (repaint)
        sdl_frame_show();
}
