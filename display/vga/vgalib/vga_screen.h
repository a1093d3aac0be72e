// Where the stand-in shows the emulated card's picture: the Linux frame
// buffer device, with the console switched to graphics while a mode is set.
#pragma once

// True when a frame buffer device is there to show a width x height mode.
bool vga_screen_can_show(int width, int height);

// Takes the console for a mode of width x height; without a device, frames
// are kept only in the emulated memory.
void vga_screen_open(int width, int height);

// Shows the current screen, stretched to the device, then waits for the
// next tick of a 60 Hz retrace.
void vga_screen_show();

// Gives the console back in text mode.
void vga_screen_close();
