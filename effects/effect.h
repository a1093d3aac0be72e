// The skeleton every effect runs on: loading its pictures and working
// images (ending the program when they cannot be had), the timed frame loop
// with its palette changes and presents, and the statistics line. An effect
// keeps only its set-up and the drawing of one frame.
#pragma once

#include <cstdint>

#include "core/frame_loop.h"
#include "core/image.h"

// Loads the picture at path, its colours into shared_palette. A load that
// does not give a version-5 picture ends the program with "Cann't load
// image <path> !".
Image* effect_picture(const char* path);

// effect_picture for pictures that must be as large as the frame; any other
// size ends the program with "Wrong image size!".
Image* effect_picture_frame_sized(const char* path, const Image* frame);

// A zeroed working image, or the end of the program with "Cann't allocate
// image!".
Image* effect_image(int32_t width, int32_t height);

struct EffectPlan {
    const char* label;       // of the statistics line, "e_01" to "e_07"
    unsigned duration;       // tenths of a second the loop runs
    bool measured_rate;      // statistics per measured time, not per duration
    // Draws frame loop->frames; returns the palette to set before the frame
    // is shown, or null to leave the palette as it is.
    const uint8_t* (*draw)(void* scene, Image* frame, const FrameLoop* loop);
    // Optional: whether another frame follows, asked before each frame in
    // place of the duration.
    bool (*more)(void* scene);
    // Optional: work after the frame is shown and counted.
    void (*after)(void* scene, const FrameLoop* loop);
    // Optional: frees what the effect allocated, before the statistics line.
    void (*release)(void* scene);
};

// Restarts the effect clock and runs frames at most one per 83 ms until the
// duration (or more) says stop: draw, palette, present, count, after. Then
// release and the statistics line.
void effect_play(const EffectPlan* plan, void* scene, Image* frame);
