// What the user can do while the demo plays: close the window or press
// Escape or q to end it, F11 or Alt+Enter to switch full screen, Space or P
// to pause and resume, F12 for a screenshot. Read without waiting, from the
// frame wait and from present; a pause waits here until it ends.
#include <cstdio>

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

static bool is_pause_key(const SDL_Keysym& key)
{
    return key.sym == SDLK_SPACE || key.sym == SDLK_p;
}

// Acts on one event; true when the picture must be drawn again.
static bool event_handle(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT:
        display_quit();
    case SDL_KEYDOWN:
        if (is_quit_key(event.key.keysym))
            display_quit();
        if (event.key.repeat)
            return false;
        if (is_pause_key(event.key.keysym))
            sdl.paused = !sdl.paused;
        if (event.key.keysym.sym == SDLK_F12)
            sdl_screenshot();
        if (is_fullscreen_key(event.key.keysym)) {
            sdl_fullscreen_set(!sdl.fullscreen);
            return true;
        }
        return false;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            display_quit();
        return event.window.event == SDL_WINDOWEVENT_EXPOSED ||
               event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;
    default:
        return false;
    }
}

static void title_show()
{
    char title[sizeof sdl.title + 16];
    snprintf(title, sizeof title, sdl.paused ? "%s (paused)" : "%s", sdl.title);
    SDL_SetWindowTitle(sdl.window, title);
}

// The program waits here, inside its frame wait or present, while the top
// holds the clock and the music. The window goes on answering: it can be
// resized, switched, shot or closed.
static void pause_until_resumed()
{
    title_show();
    display_pause(1);
    while (sdl.paused) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, 100) && event_handle(event))
            sdl_frame_show();
    }
    display_pause(0);
    title_show();
}

void sdl_events_poll()
{
    if (!sdl.window)
        return;
    bool repaint = false;
    SDL_Event event;
    while (SDL_PollEvent(&event))
        repaint = event_handle(event) || repaint;
    // The texture still holds the last frame; show it at the new size.
    if (repaint)
        sdl_frame_show();
    if (sdl.paused)
        pause_until_resumed();
}
