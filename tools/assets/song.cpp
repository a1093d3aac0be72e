// The demo's music: a piece in A minor at 120 beats a minute (16 rows a
// bar, 2 seconds a bar) whose sections meet the script's picture changes: a
// quiet intro under the title, a groove that grows with each relief, a
// quiet breakdown for the water, the theme over the mesh, its answer
// over the disc, the theme a tone higher for the plasma, and a last A minor
// chord that dies away under the closing title before the demo ends.
#include <string>
#include <vector>

#include "assets.h"
#include "synth.h"
#include "xm_write.h"

namespace {

enum { ROWS_PER_BAR = 16, CHANNELS = 14 };
enum {
    CH_KICK,
    CH_SNARE,
    CH_HAT,
    CH_BASS,
    CH_PAD,  // three voices
    CH_LEAD = CH_PAD + 3,
    CH_ARP,
    CH_ECHO,
    CH_FX,
    CH_BELL,
    CH_LEAD_ECHO,
    CH_CHIP,
};

// Effect commands, by their number in the pattern data.
enum {
    FX_ARPEGGIO = 0x0,
    FX_PITCH_DOWN = 0x2,
    FX_PORTAMENTO = 0x3,
    FX_VIBRATO = 0x4,
    FX_PANNING = 0x8,
    FX_VOLUME_SLIDE = 0xa,
    FX_EXTENDED = 0xe,
};
enum { EX_RETRIGGER = 0x90, EX_NOTE_DELAY = 0xd0 };

struct Chord {
    const char* voices[3];  // pad voicing, low to high
    const char* root;       // bass note
    int third;              // semitones from root to third, for chip arpeggios
};

const Chord AM = {{"A3", "C4", "E4"}, "A1", 3};
const Chord F = {{"A3", "C4", "F4"}, "F1", 4};
const Chord C = {{"G3", "C4", "E4"}, "C2", 4};
const Chord G = {{"G3", "B3", "D4"}, "G1", 4};
const Chord E = {{"G#3", "B3", "E4"}, "E1", 4};
const Chord DM = {{"A3", "D4", "F4"}, "D2", 3};
const Chord EM = {{"G3", "B3", "E4"}, "E1", 3};
const Chord FS = {{"A#3", "C#4", "F#4"}, "F#1", 4};

// One bar of the song: where it starts, how many rows it has (a section may
// end on a short bar so that the next one meets its picture), its chord and
// the key shift of everything pitched in it.
struct Bar {
    int row;
    int length;
    const Chord* chord;
    int shift;
};

std::vector<Bar> bars;

// Appends a section of one bar per chord and returns its first bar.
int section(std::initializer_list<const Chord*> chords, int shift = 0, int last_length = ROWS_PER_BAR)
{
    int first = static_cast<int>(bars.size());
    int row = bars.empty() ? 0 : bars.back().row + bars.back().length;
    for (const Chord* chord : chords) {
        bars.push_back(Bar{row, ROWS_PER_BAR, chord, shift});
        row += ROWS_PER_BAR;
    }
    bars.back().length = last_length;
    return first;
}

int song_rows()
{
    return bars.back().row + bars.back().length;
}

int row_of(int bar)
{
    return bar < static_cast<int>(bars.size()) ? bars[bar].row : song_rows();
}

struct Grid {
    std::vector<XmCell> cells;
    XmCell& at(int channel, int row) { return cells[static_cast<size_t>(row) * CHANNELS + channel]; }
};

// "A4", "C#5": note value 1..96 (C-0 = 1).
int note(const char* name)
{
    static const int semis[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int n = semis[name[0] - 'A'];
    int i = 1;
    if (name[i] == '#') {
        n++;
        i++;
    }
    return 12 * (name[i] - '0') + n + 1;
}

void put(Grid* g, int channel, int row, int value, int instrument, int volume, int effect = 0,
         int param = 0)
{
    XmCell& c = g->at(channel, row);
    c.note = static_cast<uint8_t>(value);
    c.instrument = static_cast<uint8_t>(instrument);
    c.volume = static_cast<uint8_t>(volume > 64 ? 0x50 : 0x10 + volume);
    c.effect = static_cast<uint8_t>(effect);
    c.param = static_cast<uint8_t>(param);
}

void effect(Grid* g, int channel, int row, int command, int param)
{
    XmCell& c = g->at(channel, row);
    c.effect = static_cast<uint8_t>(command);
    c.param = static_cast<uint8_t>(param);
}

void key_off(Grid* g, int channel, int row)
{
    XmCell& c = g->at(channel, row);
    if (!c.note)
        c.note = XM_KEY_OFF;
}

// Drum line: one character per row of a bar; 'X' loud, 'x' normal, 'o'
// soft, '.' nothing, 's' normal but a tick late (the swung sixteenths).
void drums(Grid* g, int channel, int instrument, int bar, const char* line, int level)
{
    for (int r = 0; r < bars[bar].length && line[r]; r++) {
        char c = line[r];
        int v = c == 'X' ? level : c == 'x' || c == 's' ? level * 3 / 4 : c == 'o' ? level / 2 : 0;
        if (!v)
            continue;
        put(g, channel, bars[bar].row + r, DRUM_NOTE, instrument, v);
        if (c == 's')
            effect(g, channel, bars[bar].row + r, FX_EXTENDED, EX_NOTE_DELAY | 1);
    }
}

// A snare roll over the rest of a bar: one stroke a beat, retriggered ever
// faster, growing louder.
void roll(Grid* g, int bar, int from_row, int level)
{
    const int length = bars[bar].length;
    for (int r = from_row; r < length; r += 4) {
        int rate = r - from_row < (length - from_row) / 2 ? 3 : 2;
        put(g, CH_SNARE, bars[bar].row + r, DRUM_NOTE, INS_SNARE,
            level / 2 + (level / 2) * (r - from_row) / (length - from_row), FX_EXTENDED,
            EX_RETRIGGER | rate);
    }
}

// A crash marks the first beat of a section.
void crash(Grid* g, int bar, int level)
{
    put(g, CH_FX, bars[bar].row, DRUM_NOTE, INS_CRASH, level);
}

// The riser fills the 31 rows before row `until`.
void riser(Grid* g, int until, int level)
{
    put(g, CH_FX, until - 31, DRUM_NOTE, INS_RISER, level);
}

// A melody: "E5:4 A5:2 r:2 ..." with lengths in rows, from row start. A
// '~' after the name slides into the note from the one before; notes of six
// rows or more get a vibrato after their attack. Rests release the note on
// instruments that sustain.
int melody(Grid* g, int channel, int instrument, int start, const char* text, int level,
           bool release, int transpose = 0, bool ornaments = false)
{
    int row = start;
    const char* p = text;
    while (*p) {
        while (*p == ' ')
            p++;
        if (!*p)
            break;
        char name[4] = {0};
        int n = 0;
        bool slide = false;
        while (*p != ':') {
            if (*p == '~')
                slide = true;
            else if (n < 3)
                name[n++] = *p;
            p++;
        }
        p++;
        int length = 0;
        while (*p >= '0' && *p <= '9')
            length = length * 10 + (*p++ - '0');
        if (name[0] == 'r') {
            if (release)
                key_off(g, channel, row);
        } else {
            put(g, channel, row, note(name) + transpose, instrument, level);
            if (ornaments && slide)
                effect(g, channel, row, FX_PORTAMENTO, 0x18);
            if (ornaments && length >= 6)
                for (int r = 3; r < length; r++)
                    effect(g, channel, row + r, FX_VIBRATO, r == 3 ? 0x34 : 0);
        }
        row += length;
    }
    return row;
}

// Copies a channel's notes and releases `delay` rows later into another
// channel, quieter and panned to `pan`: a stereo echo.
void echo(Grid* g, int from, int to, int first_row, int last_row, int delay, int percent, int pan)
{
    for (int row = first_row; row < last_row && row + delay < song_rows(); row++) {
        const XmCell& c = g->at(from, row);
        if (c.note == XM_KEY_OFF) {
            key_off(g, to, row + delay);
        } else if (c.note) {
            int volume = c.volume >= 0x10 && c.volume <= 0x50 ? c.volume - 0x10 : 64;
            put(g, to, row + delay, c.note, c.instrument, volume * percent / 100, FX_PANNING, pan);
        }
    }
}

const char* const THEME_A_HEAD =
    "E5:4 A5:2 G5:2 E5:4 D5:2 C5:2  C5:4 F5:2 E5:2 C5:4 A4:4  G4:2 C5:2 E5:4 G5:4 E5:2 G5:2 "
    "D5:6 E5:2 D5:4 B4:4  E5:4 A5:2 B5:2 C6~:4 B5:2 A5:2  A5:4 C6:2 A5:2 F5:4 E5:2 F5:2 ";
const char* const THEME_A_TAIL = "G5:6 E5:2 C5:4 E5:2 D5:2  D5:12 r:4";
const char* const THEME_A_TURN = "F5:6 E5:2 D5:4 C5:2 D5:2  E5:8 G#5~:4";
const char* const THEME_B_HEAD =
    "A4:4 C5:4 F5:4 E5:2 D5:2  D5:4 B4:4 G4:2 B4:2 D5:4  E5:6 G5:2 B5~:4 A5:2 G5:2 "
    "A5:8 E5:4 C5:4  F5:4 E5:2 F5:2 A5:4 G5:2 F5:2  G5:4 F5:2 G5:2 B5~:4 A5:2 G5:2 ";
const char* const THEME_B_TAIL = "E5:4 G5:4 B5:2 C6:2 B5:2 G5:2  A5:12 r:4";
const char* const THEME_B_TURN = "E5:4 G#5:4 B5:2 D6:2 B5:2 G#5:2  C#6~:8 A#5:4";
const char* const COUNTER =
    "C6:8 B5:8  A5:8 C6:8  G5:8 C6:8  B5:8 D6:8  E6:8 C6:8  A5:8 F5:8  G5:8 E5:8  D5:8 B4:8";
const char* const BELL_INTRO = "E5:4 A5:4 B5:4 C6:4  A5:8 F5:8  G5:4 E5:4 C5:8  D5:8 B4:8  G#4:8 B4:4 E5:4";
const char* const BELL_WATER =
    "F5:8 E5:8  C5:8 E5:8  A5:8 G5:4 F5:4  E5:8 G#5:8  D5:8 F5:8  E5:8 C5:8  C5:8 A4:4 C5:4  B4:16";
const char* const BELL_END = "E5:4 A5:4 B5:4 C6:4  A5:24";

int pitch(int bar, const char* name)
{
    return note(name) + bars[bar].shift;
}

// Pad: three voices spread across the stereo field; a voice is struck again
// only when its note changes. A swell starts each struck voice at `from`
// and slides it up to about the level.
void pads(Grid* g, int first, int last, int level, bool swell = false)
{
    static const int pan[3] = {0x18, 0xa0, 0xe8};
    for (int bar = first; bar < last; bar++) {
        for (int v = 0; v < 3; v++) {
            int value = pitch(bar, bars[bar].chord->voices[v]);
            if (bar > first && value == pitch(bar - 1, bars[bar - 1].chord->voices[v]))
                continue;
            int row = bars[bar].row;
            put(g, CH_PAD + v, row, value, INS_PAD, swell ? level / 4 : level, FX_PANNING, pan[v]);
            for (int r = 1; swell && r <= 3 * level / 20; r++)
                effect(g, CH_PAD + v, row + r, FX_VOLUME_SLIDE, 0x10);
        }
    }
}

// Bass figure: 'R' root, 'O' octave up, 'F' fifth, '-' release, '.' hold.
void bass(Grid* g, int first, int last, const char* figure, int level)
{
    for (int bar = first; bar < last; bar++) {
        int root = pitch(bar, bars[bar].chord->root);
        for (int r = 0; r < bars[bar].length; r++) {
            int row = bars[bar].row + r;
            switch (figure[r]) {
            case 'R': put(g, CH_BASS, row, root, INS_BASS, level); break;
            case 'O': put(g, CH_BASS, row, root + 12, INS_BASS, level * 7 / 8); break;
            case 'F': put(g, CH_BASS, row, root + 7, INS_BASS, level * 7 / 8); break;
            case '-': key_off(g, CH_BASS, row); break;
            default: break;
            }
        }
    }
}

// Sixteenth-note arpeggio over the chord an octave above the pad, in the
// given order of chord tones (0-2 the voices, 3 the lowest an octave up),
// with its echo three rows later on the other side.
void arps(Grid* g, int first, int last, const char* order, int level)
{
    for (int bar = first; bar < last; bar++) {
        int tones[4];
        for (int v = 0; v < 3; v++)
            tones[v] = pitch(bar, bars[bar].chord->voices[v]) + 12;
        tones[3] = tones[0] + 12;
        for (int r = 0; r < bars[bar].length; r++)
            put(g, CH_ARP, bars[bar].row + r, tones[order[r % 8] - '0'], INS_PLUCK,
                level - (r % 4 == 0 ? 0 : 6));
    }
    echo(g, CH_ARP, CH_ECHO, row_of(first), row_of(last), 3, 50, 0xd8);
}

// Chip-style chord stabs on the off-beats: one note whose pitch cycles
// through root, third and fifth every tick.
void chip(Grid* g, int first, int last, int level)
{
    for (int bar = first; bar < last; bar++) {
        int root = pitch(bar, bars[bar].chord->root) + 36;
        int param = bars[bar].chord->third << 4 | 7;
        for (int r = 2; r < bars[bar].length; r += 4) {
            put(g, CH_CHIP, bars[bar].row + r, root, INS_PLUCK, level, FX_ARPEGGIO, param);
            effect(g, CH_CHIP, bars[bar].row + r + 1, FX_ARPEGGIO, param);
        }
    }
}

// A spin bar between pictures: the bass dives, the snare rolls and the
// riser sweeps into the next section.
void spin(Grid* g, int bar, int level)
{
    int row = bars[bar].row;
    put(g, CH_BASS, row, pitch(bar, bars[bar].chord->root) + 12, INS_BASS, level);
    for (int r = 8; r < 14; r++)
        effect(g, CH_BASS, row + r, FX_PITCH_DOWN, 0x08);
    key_off(g, CH_BASS, row + 14);
    drums(g, CH_KICK, INS_KICK, bar, "X.......X.......", level);
    roll(g, bar, 0, level);
    riser(g, row + bars[bar].length, level * 3 / 4);
}

void arrange(Grid* g)
{
    bars.clear();
    const int intro = section({&AM, &F, &C, &G, &E});
    const int relief1 = section({&AM, &F, &C, &G, &DM, &E});
    const int relief2 = section({&AM, &F, &C, &G, &DM, &E}, 0, 8);
    const int relief3 = section({&AM, &F, &G, &EM, &F, &E});
    const int water = section({&DM, &AM, &F, &E, &DM, &AM, &F, &E, &DM, &AM, &F, &E, &DM, &AM, &F,
                               &E, &F, &G},
                              0, 8);
    const int spin1 = section({&E});
    const int mesh = section({&AM, &F, &C, &G, &AM, &F, &C, &G, &AM, &F, &C, &G, &AM, &F, &DM, &E},
                             0, 12);
    const int disc = section({&F, &G, &EM, &AM, &F, &G, &EM, &AM, &F, &G, &EM, &AM, &F, &G, &E, &FS},
                             0, 12);
    const int plasma = section({&AM, &F, &C, &G, &AM, &F, &C, &G, &AM, &F, &C, &G, &AM, &F, &C, &G,
                                &F, &G, &E, &E},
                               2);
    const int build = plasma + 16;
    const int spin2 = section({&E});
    const int last = section({&AM, &AM, &AM, &AM, &AM}, 0, 8);
    const int end = static_cast<int>(bars.size());
    g->cells.assign(static_cast<size_t>(song_rows()) * CHANNELS, XmCell{});

    // Intro: pads swelling in and the bell under the title, a riser and a
    // roll into the groove.
    pads(g, intro, relief1, 30, true);
    melody(g, CH_BELL, INS_BELL, row_of(intro), BELL_INTRO, 30, false);
    riser(g, row_of(relief1), 40);
    roll(g, relief1 - 1, 8, 40);

    // Reliefs: each new relief adds to the groove.
    pads(g, relief1, water, 26);
    bass(g, relief1, water, "R-R-O-R-R-R-O-R-", 44);
    for (int bar = relief1; bar < water; bar++) {
        bool fill = bars[bar].length < ROWS_PER_BAR || bar == water - 1;
        drums(g, CH_KICK, INS_KICK, bar, fill ? "X...X..." : "X...X...X...X...", 52);
        if (bar < relief2)
            drums(g, CH_HAT, INS_HAT, bar, "..x...x...x...x.", 46);
        else
            drums(g, CH_HAT, INS_HAT, bar, "o.xso.xso.xso.xs", 48);
        if (bar >= relief2)
            drums(g, CH_SNARE, INS_CLAP, bar, "....X.......X...", 44);
    }
    roll(g, relief2 - 1, 8, 36);
    roll(g, relief3 - 1, 0, 40);
    roll(g, water - 1, 8, 44);
    arps(g, relief3, water, "01231232", 28);
    crash(g, relief1, 40);
    crash(g, relief2, 38);
    crash(g, relief3, 40);

    // Water: the breakdown, well below the grooves around it. The drums
    // leave for eight bars and come back soft; slow bass, swelling pads,
    // the bell.
    crash(g, water, 24);
    pads(g, water, mesh, 17, true);
    bass(g, water, spin1, "R.........R...O-", 19);
    arps(g, water, spin1, "02130213", 14);
    melody(g, CH_BELL, INS_BELL, row_of(water), BELL_WATER, 20, false);
    melody(g, CH_BELL, INS_BELL, row_of(water + 8), BELL_WATER, 20, false);
    for (int bar = water + 8; bar < spin1; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, "X.........X.....", 26);
        drums(g, CH_HAT, INS_HAT, bar, "o.o.x.o.o.o.x.o.", 22);
        drums(g, CH_SNARE, INS_SNARE, bar, "........x.......", 22);
    }

    spin(g, spin1, 50);

    // Mesh: the theme, the second time turning towards the disc.
    pads(g, mesh, disc, 24);
    bass(g, mesh, plasma, "R-RRO-R-R-RRO-R-", 46);
    int row = melody(g, CH_LEAD, INS_LEAD, row_of(mesh), THEME_A_HEAD, 44, true, 0, true);
    row = melody(g, CH_LEAD, INS_LEAD, row, THEME_A_TAIL, 44, true, 0, true);
    row = melody(g, CH_LEAD, INS_LEAD, row, THEME_A_HEAD, 44, true, 0, true);
    melody(g, CH_LEAD, INS_LEAD, row, THEME_A_TURN, 44, true, 0, true);
    for (int bar = mesh; bar < plasma; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, (bar - mesh) % 4 == 3 ? "X...X...X...X.x." : "X...X...X...X...", 52);
        drums(g, CH_SNARE, INS_CLAP, bar, "....X.......X...", 44);
        if (bar < disc)
            drums(g, CH_HAT, INS_OPEN_HAT, bar, "..x...x...x...x.", 38);
        else
            drums(g, CH_HAT, INS_HAT, bar, "oxXsoxXsoxXsoxXs", 48);
    }
    crash(g, mesh, 42);
    roll(g, disc - 1, 4, 40);

    // Disc: the answering theme, the arpeggios back, turning to F sharp to
    // lift the plasma a tone higher.
    pads(g, disc, plasma, 26);
    arps(g, disc, plasma, "01232123", 24);
    row = melody(g, CH_LEAD, INS_LEAD, row_of(disc), THEME_B_HEAD, 44, true, 0, true);
    row = melody(g, CH_LEAD, INS_LEAD, row, THEME_B_TAIL, 44, true, 0, true);
    row = melody(g, CH_LEAD, INS_LEAD, row, THEME_B_HEAD, 44, true, 0, true);
    melody(g, CH_LEAD, INS_LEAD, row, THEME_B_TURN, 44, true, 0, true);
    crash(g, disc, 40);
    roll(g, plasma - 1, 0, 44);
    riser(g, row_of(plasma), 32);
    echo(g, CH_LEAD, CH_LEAD_ECHO, row_of(mesh), row_of(plasma), 3, 40, 0xd0);

    // Plasma: the theme in B minor with the bell's counter-line, chip
    // chords on the off-beats and the full groove.
    pads(g, plasma, last, 26);
    bass(g, plasma, build, "R-RRO-R-R-RRO-RF", 48);
    arps(g, plasma, build, "01231232", 24);
    chip(g, plasma, build, 22);
    row = melody(g, CH_LEAD, INS_LEAD, row_of(plasma), THEME_A_HEAD, 46, true, 2, true);
    row = melody(g, CH_LEAD, INS_LEAD, row, THEME_A_TAIL, 46, true, 2, true);
    row = melody(g, CH_LEAD, INS_LEAD, row, THEME_A_HEAD, 46, true, 2, true);
    melody(g, CH_LEAD, INS_LEAD, row, THEME_A_TAIL, 46, true, 2, true);
    melody(g, CH_BELL, INS_BELL, row_of(plasma), COUNTER, 26, false, 2);
    melody(g, CH_BELL, INS_BELL, row_of(plasma + 8), COUNTER, 26, false, 2);
    for (int bar = plasma; bar < build; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, (bar - plasma) % 4 == 3 ? "X...X...X...X.xx" : "X...X...X...X...", 54);
        drums(g, CH_SNARE, INS_CLAP, bar, "....X..o....X...", 46);
        drums(g, CH_HAT, INS_HAT, bar, "oxXsoxXsoxXsoxXs", 48);
    }
    crash(g, plasma, 44);

    // Build: four bars of rising snare over a pedal, then the last spin.
    bass(g, build, spin2, "R.R.R.R.R.R.R.R.", 46);
    melody(g, CH_LEAD, INS_LEAD, row_of(build),
           "A5:8 G5:8  G5:8 F5:8  E5:16  E5:4 F5:4 G#5:4 B5~:4", 42, true, 2, true);
    key_off(g, CH_LEAD, row_of(spin2));
    echo(g, CH_LEAD, CH_LEAD_ECHO, row_of(plasma), row_of(spin2) + 1, 3, 40, 0xd0);
    for (int bar = build; bar < spin2; bar++)
        drums(g, CH_KICK, INS_KICK, bar, "X...X...X...X...", 56);
    drums(g, CH_SNARE, INS_SNARE, build, "X...X...X...X...", 30);
    drums(g, CH_SNARE, INS_SNARE, build + 1, "X.x.X.x.X.x.X.x.", 34);
    drums(g, CH_SNARE, INS_SNARE, build + 2, "xxxxxxxxxxxxxxxx", 38);
    roll(g, build + 3, 0, 48);
    spin(g, spin2, 52);

    // The last chord: A minor under the title and the bell's first phrase
    // once more; released after three bars, it has died away before the
    // demo ends.
    pads(g, last, end, 40);
    put(g, CH_BASS, row_of(last), note("A1"), INS_BASS, 44);
    put(g, CH_KICK, row_of(last), DRUM_NOTE, INS_KICK, 50);
    crash(g, last, 36);
    melody(g, CH_BELL, INS_BELL, row_of(last), BELL_END, 34, false);
    for (int ch : {int(CH_PAD), CH_PAD + 1, CH_PAD + 2, int(CH_BASS)})
        key_off(g, ch, row_of(last + 3));
}

}  // namespace

int music_write(const std::string& dir)
{
    Grid grid;
    arrange(&grid);
    XmModule module;
    module.name = "quarrow";
    module.channels = CHANNELS;
    module.speed = 6;
    module.bpm = 120;
    module.instruments = synth_instruments();
    const int rows = song_rows();
    for (int first = 0; first < rows; first += 64) {
        XmPattern p;
        p.rows = rows - first < 64 ? rows - first : 64;
        p.cells.assign(grid.cells.begin() + static_cast<long>(first) * CHANNELS,
                       grid.cells.begin() + static_cast<long>(first + p.rows) * CHANNELS);
        module.order.push_back(static_cast<int>(module.patterns.size()));
        module.patterns.push_back(p);
    }
    std::string path = dir + "/music/quarrow.xm";
    return xm_write(path.c_str(), module);
}
