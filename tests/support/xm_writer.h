// A small Extended Module writer for tests that need a real module to play:
// one instrument with a synthesized sample and a short run of notes, so the
// tests know exactly how long the module plays.
#pragma once

#include <string>

struct XmLayout {
    int channels = 2;
    int rows = 16;          // one pattern of this many rows...
    int orders = 1;         // ...played this many times
    int speed = 6;          // ticks per row
    int bpm = 125;          // ticks last 2.5 / bpm seconds
    int note_every = 4;     // a note on channel 0 every this many rows
    int set_bpm = 0;        // if set, channel 1 changes the tempo to this on row 0
    bool loops = false;     // jumps back to the start from the last row: never ends
};

// The module bytes.
std::string test_xm_module(const XmLayout& layout);

// Playing time of that module in seconds (orders x rows x speed ticks of
// 2.5 / bpm s each, with set_bpm in place of bpm when given).
double test_xm_seconds(const XmLayout& layout);

// Writes the module as dir/music/quarrow.xm (folder made as needed) and
// returns its path.
std::string test_write_module(const std::string& dir, const XmLayout& layout = XmLayout());
