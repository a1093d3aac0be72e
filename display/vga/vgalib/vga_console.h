// The Linux virtual console the stand-in draws on: whether there is one, its
// state saved while a mode is set and put back on every way out (return to
// text, exit, fatal signals), and process-controlled console switching.
#pragma once

#include <cstddef>
#include <cstdint>

// Opens the controlling terminal and asks the kernel for the console state.
// False when it is not a Linux virtual console; why then names the reason.
bool vga_console_check(char* why, size_t size);

// Saves the console's KD mode, VT mode and the frame buffer's var info,
// switches the console to graphics and takes over console switching. The
// memory is cleared whenever the console is given back. fb_fd stays open.
void vga_console_take(int fb_fd, uint8_t* memory, size_t size);

// Puts the saved state back and clears the screen. Safe to call twice, and
// from a signal handler.
void vga_console_give_back();

// Drawing brackets: vga_console_draw_begin is false while another console is
// shown (nothing may be drawn then). After vga_console_draw_end a switch
// asked for meanwhile is let through.
bool vga_console_draw_begin();
void vga_console_draw_end();

// True once after the console came back to this process: the whole screen
// must be drawn again.
bool vga_console_returned();
