// Where the stand-in shows the emulated card's picture: the Linux frame
// buffer device, the mode's picture as a VGA monitor showed it (a 4:3 area,
// centred, black around it), in the device's own pixel format.
#pragma once

#include <linux/fb.h>

#include <cstddef>
#include <cstdint>

// Opens the device ($FRAMEBUFFER, else /dev/fb0) and checks the console.
// False, with one line on standard error naming the path and the reason,
// when the picture cannot be shown there.
bool vga_screen_probe();

// Takes the console for a mode of width x height and blacks the screen.
// Without a device, frames are kept only in the emulated memory.
void vga_screen_open(int width, int height);

// Waits for the next tick of a 60 Hz retrace (not for a memory device).
void vga_screen_wait_retrace();

// Shows the current contents of video memory (the scan-out).
void vga_screen_show();

// Gives the console back in text mode, with the screen cleared.
void vga_screen_close();

// The screen area a width x height mode fills on a device of device_width x
// device_height: 4:3, centred; a whole multiple of the mode where one fits.
struct VgaArea {
    int x, y, width, height;
};
VgaArea vga_screen_area(int width, int height, int device_width, int device_height);

// Makes memory with the given var and fix info the device, instead of a
// device file: for benchmarks and tests on machines without a console.
void vga_screen_use_memory(uint8_t* memory, const fb_var_screeninfo& var,
                           const fb_fix_screeninfo& fix);
