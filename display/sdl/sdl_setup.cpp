// The SDL window of quarrow-sdl: the display-mode question, the window and
// its vsynced renderer, full screen on and off, and the shut-down that undoes
// whatever set-up got to make.
#include <cstdio>
#include <cstdlib>

#include "core/clock.h"
#include "core/fatal.h"
#include "core/prompt.h"
#include "display/display.h"
#include "display/sdl/sdl_display.h"

SdlDisplay sdl;

static const char* const DISPLAY_MODE_PROMPT =
    "Choose display mode:\n1. Window\n2. Full screen\nType corresponding number : ";

[[noreturn]] static void setup_failed(const char* program, const char* what)
{
    fflush(stdout);
    fprintf(stderr, "%s: cannot %s: %s\n", program, what, SDL_GetError());
    display_shutdown();
    fatal_exit(STATUS_NO_DISPLAY);
}

// With no desktop to reach, SDL falls back to drivers that show nothing; the
// demo would then play its music to a screen nobody sees. They are taken
// only when asked for by name.
static bool invisible_driver_chosen()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    bool invisible = driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
    return invisible && !(asked && SDL_strcasecmp(asked, driver) == 0);
}

void sdl_fullscreen_set(int on)
{
    if (SDL_SetWindowFullscreen(sdl.window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0)
        return;
    sdl.fullscreen = on;
    SDL_ShowCursor(on ? SDL_DISABLE : SDL_ENABLE);
}

void display_setup(int argc, char** argv, const char* title, int width, int height)
{
    (void)argc;
    int mode = ask_number(DISPLAY_MODE_PROMPT, 1, 2);

    // The music process is forked after set-up and ends on SIGTERM; SDL's
    // own handlers would turn that signal into a quit event in both.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Whole pixels when enlarging; the layout keeps the multiples whole.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // A desktop left at its own resolution; the picture is scaled instead.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        setup_failed(argv[0], "start SDL video");
    if (invisible_driver_chosen()) {
        SDL_SetError("no display found (set DISPLAY or WAYLAND_DISPLAY)");
        setup_failed(argv[0], "start SDL video");
    }

    sdl.frame_width = width;
    sdl.frame_height = height;
    sdl.program = argv[0];
    snprintf(sdl.title, sizeof sdl.title, "%s", title);
    sdl.shown = static_cast<uint8_t*>(calloc(static_cast<size_t>(width) * height, 1));
    if (!sdl.shown) {
        SDL_SetError("out of memory");
        setup_failed(argv[0], "keep the frame");
    }
    Uint32 flags = SDL_WINDOW_RESIZABLE | (mode == 2 ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    sdl.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  width * 2, height * 2, flags);
    if (!sdl.window)
        setup_failed(argv[0], "open a window");
    sdl.fullscreen = mode == 2;
    SDL_ShowCursor(sdl.fullscreen ? SDL_DISABLE : SDL_ENABLE);

    sdl.renderer = SDL_CreateRenderer(sdl.window, -1, SDL_RENDERER_PRESENTVSYNC);
    if (!sdl.renderer)
        sdl.renderer = SDL_CreateRenderer(sdl.window, -1, 0);
    if (!sdl.renderer)
        setup_failed(argv[0], "draw in the window");
    sdl.texture = SDL_CreateTexture(sdl.renderer, SDL_PIXELFORMAT_ARGB8888,
                                    SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!sdl.texture)
        setup_failed(argv[0], "make the frame texture");

    // Black until the first frame, with no stale contents to repaint.
    Image black{width, height, nullptr};
    for (uint32_t& c : sdl.colours)
        c = 0xff000000u;
    sdl_frame_upload(&black);
    sdl_frame_show();
    clock_set_wait_hook(sdl_events_poll);
}

void display_shutdown()
{
    clock_set_wait_hook(nullptr);
    if (sdl.texture)
        SDL_DestroyTexture(sdl.texture);
    if (sdl.renderer)
        SDL_DestroyRenderer(sdl.renderer);
    if (sdl.window)
        SDL_DestroyWindow(sdl.window);
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_Quit();
    free(sdl.shown);
    sdl = SdlDisplay{};
}
