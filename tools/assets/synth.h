// The module's instruments, synthesized: drums from shaped noise and pitch
// sweeps, tonal voices from band-limited additive waves whose loops hold a
// whole number of cycles of every partial, so they loop without a click.
#pragma once

#include <vector>

#include "xm_write.h"

// Instrument numbers as the patterns use them (1-based, in table order).
enum {
    INS_KICK = 1,
    INS_SNARE,
    INS_HAT,
    INS_OPEN_HAT,
    INS_CLAP,
    INS_CRASH,
    INS_RISER,
    INS_BASS,
    INS_PAD,
    INS_LEAD,
    INS_PLUCK,
    INS_BELL,
    INS_COUNT = INS_BELL,
};

// The note at which drums and effects play at their recorded speed (C-4).
enum { DRUM_NOTE = 49 };

std::vector<XmInstrument> synth_instruments();
