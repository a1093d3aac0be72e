// State of the X back end, shared by its two files: x11_setup.cpp (options,
// dialogue, window, colormap, shut-down) and x11_image.cpp (the image the
// frames travel in, shared memory or plain, and present).
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

struct X11Display {
    Display* display;       // null until connected
    int screen;
    Visual* visual;         // the 8-bit PseudoColor visual
    Window window;
    GC gc;
    Colormap colormap;      // private, AllocAll; 0 until created
    Cursor cursor;          // invisible over the window
    int pixel_size;         // 1 or 2
    int image_width;
    int image_height;
    int use_shm;            // frames go through XShmPutImage
    XImage* image;          // rows of exactly image_width bytes
    XShmSegmentInfo* shm;   // only while use_shm is 1
    int shm_attached;       // the server has attached shm->shmid
};

extern X11Display x11;

// x11_image_create's failures, by what could not be had.
constexpr int X11_IMAGE_NO_RECORD = -1;        // the image record
constexpr int X11_IMAGE_NO_PIXELS = -2;        // the shared segment or the plain data block
constexpr int X11_IMAGE_NO_SEGMENT_INFO = -3;  // the shared segment's description

// Makes the image, through shared memory when want_shm is set and the
// segment can be attached on both sides, else as a plain heap image.
// Sets x11.use_shm to what is in use. 0 on success, else one of the
// failures above.
int x11_image_create(int want_shm);

// Releases the image in whichever form it was made; safe when there is none.
void x11_image_destroy();
