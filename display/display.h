// The four display operations and the shared palette. Each program links
// exactly one back end: display/x11 (quarrow), display/vga (quarrow-vga),
// display/sdl (quarrow-sdl), display/record (quarrow-render) or display/web
// (the page's quarrow-web). There is no run-time selection.
#pragma once

#include "core/image.h"

// 256 entries of red, green, blue, 0..255 each. Picture loads write it,
// effects change it, blank_screen clears it.
extern uint8_t shared_palette[768];

// Called once by main after the sound dialogue: asks the display's own
// question, opens the display and prints its information lines, or ends the
// program. Undone by display_shutdown.
void display_setup(int argc, char** argv, const char* title, int width, int height);

// Called whenever colours change: copies all 256 entries of palette to the
// display; they apply to what is already shown as well.
void display_set_palette(const uint8_t* palette);

// Called once per frame: shows the whole frame, enlarged to the display's
// size. The frame is only read.
void display_present(const Image* frame);

// Called exactly once, at the end or on a fatal error: releases everything
// display_setup made and leaves the terminal usable.
void display_shutdown();

// The display went away under the program (the X server closed). The top
// registers what must not outlive it, such as the music process; a back end
// that loses its display calls display_lost, from a signal handler too.
void display_set_lost_hook(void (*hook)());
void display_lost();

// A back end that reads events calls display_quit when the user ends the
// demo (closes the window, presses a quit key). The program's top registers
// what ends the run, so the music goes too; with no hook, or when the hook
// returns, the display is shut down and the program exits with status 0.
void display_set_quit_hook(void (*hook)());
[[noreturn]] void display_quit();

// A back end that reads events calls display_pause when the user pauses
// (paused 1) or resumes (paused 0); the frame on screen holds meanwhile. The
// top registers what must stand still with it: the clock and the music.
void display_set_pause_hook(void (*hook)(int paused));
void display_pause(int paused);
