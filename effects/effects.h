// The effects of the script. Each is a self-contained timed loop over the
// frame buffer that prints one statistics line, or ends the program through
// demo_fatal when its pictures or working memory cannot be had. The picture
// paths come from the script's rows.
#pragma once

#include "core/image.h"

// A still picture faded in from black and out again in its last 2 s ("e_04").
void effect_picture_show(Image* frame, unsigned duration, const char* path);

// Plasma under a scrolling, doubled picture window.
void effect_e01(Image* frame, unsigned duration, const char* path);

// Water ripples over a grey picture.
void effect_e02(Image* frame, unsigned duration, const char* path);

// Spinning shrink of whatever the frame shows, 23 frames.
void effect_e03(Image* frame);

// A relief lit by a bouncing spotlight, through a tinted ramp.
void effect_e04(Image* frame, unsigned duration, float red, float green, float blue,
                const char* path);

// Fade of the current palette to white in 1.3 s.
void effect_e05(Image* frame);

// Swaying textured mesh with a spinning two-sided card, loaded in this order.
void effect_e06(Image* frame, unsigned duration, const char* mesh_path, const char* face1_path,
                const char* face2_path);

// Swirling textured disc.
void effect_e07(Image* frame, unsigned duration, const char* path);
