// Our stand-in for the console SVGA library: the calls, mode numbers and
// globals the console back end uses, with the library's names. It emulates
// the card's memory (64 KiB pages, four planes behind the sequencer's map
// mask) and shows what is in it on the Linux frame buffer device.
#pragma once

#define TEXT 0
#define G320x200x256 5
#define G320x240x256 6
#define G320x400x256 7
#define G360x480x256 8
#define G640x480x256 10
#define G800x600x256 11

typedef struct {
    int width;
    int height;
    int bytesperpixel;
    int colors;
    int linewidth;
    int maxlogicalwidth;
    int startaddressrange;
    int maxpixels;
    int haveblit;
    int flags;
} vga_modeinfo;

// The 64 KiB window onto video memory: the page chosen with vga_setpage in
// the paged modes, the plane chosen with the map mask in the planar ones.
extern unsigned char* graph_mem;

// Prepares the library. Modes are available when the frame buffer device
// ($FRAMEBUFFER, else /dev/fb0) opens on a Linux virtual console (if not, one
// line on standard error says why), or as listed in VGA_STANDIN_MODES (e.g.
// "5,6"), for tests, when that is set. The console's state is put back on
// return to TEXT and on every ending of the program, fatal signals included.
int vga_init(void);
int vga_hasmode(int mode);
// 0 on success; TEXT gives the console back.
int vga_setmode(int mode);
void vga_setdisplaystart(int address);
int vga_clear(void);
vga_modeinfo* vga_getmodeinfo(int mode);
// 256 in the graphics modes, 16 in text mode.
int vga_getcolors(void);
// num entries from start, three 6-bit components each.
int vga_setpalvec(int start, int num, int* pal);
// Returns at the start of the next retrace (60 Hz).
void vga_waitretrace(void);
void vga_setpage(int page);

// Writes value to an I/O port. Only the sequencer's map mask (index 2 at
// 0x3C4, value at 0x3C5) means anything here; a mask of more than one plane
// writes to the lowest of them.
void port_out(int value, int port);

// Puts what video memory holds on the screen now. A card's monitor does this
// all the time; the stand-in does it when a frame's copy is complete.
void vga_standin_scanout(void);

// For tests and the screen output: the current screen as one palette index
// per pixel, row-major, and the 6-bit palette.
void vga_standin_screen(unsigned char* pixels);
const int* vga_standin_palette(void);
