// A small writer of Extended Module files (version 0x0104) for the demo's
// music: 16-bit samples, one sample per instrument, volume envelopes and
// auto-vibrato, packed patterns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum {
    XM_KEY_OFF = 97,  // note value that releases the playing note
};

struct XmEnvelope {
    std::vector<std::pair<int, int>> points;  // (tick, level 0..64), at most 12
    int sustain = -1;                         // point index, or -1
};

struct XmSample {
    std::vector<int16_t> data;
    int loop_start = 0;   // in sample frames
    int loop_length = 0;  // 0: no loop
    int volume = 64;
    int finetune = 0;        // -128..127, 1/128 semitone
    int relative_note = 0;   // semitones
    int panning = 128;
};

struct XmInstrument {
    std::string name;
    XmSample sample;
    XmEnvelope volume;
    int fadeout = 0;
    int vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
};

struct XmCell {
    uint8_t note = 0;        // 1..96, XM_KEY_OFF, or 0 for none
    uint8_t instrument = 0;  // 1-based, 0 for none
    uint8_t volume = 0;      // volume column byte (0x10..0x50 sets 0..64)
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct XmPattern {
    int rows;
    std::vector<XmCell> cells;  // rows x channels, row-major
};

struct XmModule {
    std::string name;
    int channels;
    int speed;  // ticks per row
    int bpm;
    std::vector<int> order;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// The bytes of the module file.
std::vector<uint8_t> xm_encode(const XmModule& module);

// Writes the module to path; 0 on success, -1 on error.
int xm_write(const char* path, const XmModule& module);
