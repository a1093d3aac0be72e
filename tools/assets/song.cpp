// The demo's music: a piece in A minor at 120 beats a minute (16 rows a
// bar, 2 seconds a bar) whose sections follow the script: a quiet intro
// under the title, a groove for the reliefs, a floating half-time part for
// the water, the theme over the mesh, its answer over the disc, a climax for
// the plasma and an outro that settles on A minor as the title returns.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets.h"
#include "synth.h"
#include "xm_write.h"

namespace {

enum { ROWS_PER_BAR = 16, BARS = 101, CHANNELS = 12 };
enum { CH_KICK, CH_SNARE, CH_HAT, CH_BASS, CH_PAD, CH_LEAD = 7, CH_ARP, CH_ECHO, CH_FX, CH_BELL };

// First bar of each section (the script's timing at 2 s a bar).
enum {
    INTRO = 0,
    RELIEFS = 5,
    WATER = 22,
    MESH = 40,
    DISC = 56,
    PLASMA = 72,
    BUILD = 88,
    OUTRO = 93,
    FINAL = 99,
};

struct Grid {
    std::vector<XmCell> cells = std::vector<XmCell>(BARS * ROWS_PER_BAR * CHANNELS);
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

void key_off(Grid* g, int channel, int row)
{
    XmCell& c = g->at(channel, row);
    if (!c.note)
        c.note = XM_KEY_OFF;
}

struct Chord {
    const char* voices[3];  // pad voicing, low to high
    const char* root;       // bass note
};

const Chord AM = {{"A3", "C4", "E4"}, "A1"};
const Chord F = {{"A3", "C4", "F4"}, "F1"};
const Chord C = {{"G3", "C4", "E4"}, "C2"};
const Chord G = {{"G3", "B3", "D4"}, "G1"};
const Chord E = {{"G#3", "B3", "E4"}, "E1"};
const Chord DM = {{"A3", "D4", "F4"}, "D2"};
const Chord EM = {{"G3", "B3", "E4"}, "E1"};

// The chord of every bar.
std::vector<const Chord*> harmony()
{
    std::vector<const Chord*> bars;
    auto add = [&](std::initializer_list<const Chord*> chords, int times) {
        for (int i = 0; i < times; i++)
            bars.insert(bars.end(), chords);
    };
    add({&AM, &F, &C, &G, &E}, 1);           // intro
    add({&AM, &F, &C, &G}, 4);               // reliefs
    add({&E}, 1);
    add({&DM, &AM, &F, &E}, 4);              // water
    add({&F, &E}, 1);
    add({&AM, &F, &C, &G}, 4);               // mesh
    add({&F, &G, &EM, &AM}, 4);              // disc
    add({&AM, &F, &C, &G}, 4);               // plasma
    add({&F, &G, &E, &E, &E}, 1);            // build and fill
    add({&AM, &F, &C, &G, &F, &E}, 1);       // outro
    add({&AM, &AM}, 1);                      // final chord
    return bars;
}

// Drum line: one character per row of a bar; 'X' loud, 'x' normal,
// 'o' soft, '.' nothing.
void drums(Grid* g, int channel, int instrument, int bar, const char* line, int level)
{
    for (int r = 0; r < ROWS_PER_BAR && line[r]; r++) {
        int v = line[r] == 'X' ? level : line[r] == 'x' ? level * 3 / 4 : line[r] == 'o' ? level / 2 : 0;
        if (v)
            put(g, channel, bar * ROWS_PER_BAR + r, DRUM_NOTE, instrument, v);
    }
}

// Snare sixteenths over the second half of a bar, growing louder.
void roll(Grid* g, int bar, int from_row, int level)
{
    for (int r = from_row; r < ROWS_PER_BAR; r++)
        put(g, CH_SNARE, bar * ROWS_PER_BAR + r, DRUM_NOTE, INS_SNARE,
            level / 3 + (level * 2 / 3) * (r - from_row) / (ROWS_PER_BAR - from_row));
}

void crash(Grid* g, int bar, int level)
{
    put(g, CH_FX, bar * ROWS_PER_BAR, DRUM_NOTE, INS_CRASH, level);
}

// The riser fills the two bars before bar `until`.
void riser(Grid* g, int until, int level)
{
    put(g, CH_FX, (until - 2) * ROWS_PER_BAR, DRUM_NOTE, INS_RISER, level);
}

// A melody: "E5:4 A5:2 r:2 ..." with lengths in rows, from row start. Rests
// release the note on instruments that sustain.
int melody(Grid* g, int channel, int instrument, int start, const char* text, int level,
           bool release, int transpose = 0)
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
        while (*p != ':' && n < 3)
            name[n++] = *p++;
        p++;
        int length = 0;
        while (*p >= '0' && *p <= '9')
            length = length * 10 + (*p++ - '0');
        if (name[0] == 'r') {
            if (release)
                key_off(g, channel, row);
        } else {
            put(g, channel, row, note(name) + transpose, instrument, level);
        }
        row += length;
    }
    return row;
}

const char* const THEME_A =
    "E5:4 A5:2 G5:2 E5:4 D5:2 C5:2  C5:4 F5:2 E5:2 C5:4 A4:4  G4:2 C5:2 E5:4 G5:4 E5:2 G5:2 "
    "D5:6 E5:2 D5:4 B4:4  E5:4 A5:2 B5:2 C6:4 B5:2 A5:2  A5:4 C6:2 A5:2 F5:4 E5:2 F5:2 "
    "G5:6 E5:2 C5:4 E5:2 D5:2  D5:12 r:4";
const char* const THEME_B =
    "A4:4 C5:4 F5:4 E5:2 D5:2  D5:4 B4:4 G4:2 B4:2 D5:4  E5:6 G5:2 B5:4 A5:2 G5:2 "
    "A5:8 E5:4 C5:4  F5:4 E5:2 F5:2 A5:4 G5:2 F5:2  G5:4 F5:2 G5:2 B5:4 A5:2 G5:2 "
    "E5:4 G5:4 B5:2 C6:2 B5:2 G5:2  A5:12 r:4";
const char* const BELL_INTRO = "E5:4 A5:4 B5:4 C6:4  A5:8 F5:8  G5:4 E5:4 C5:8  D5:8 B4:8  G#4:8 B4:4 E5:4";
const char* const BELL_WATER =
    "F5:8 E5:8  C5:8 E5:8  A5:8 G5:4 F5:4  E5:8 G#5:8  D5:8 F5:8  E5:8 C5:8  C5:8 A4:4 C5:4  B4:16";
const char* const BELL_OUTRO =
    "E5:4 A5:4 B5:4 C6:4  A5:8 F5:8  G5:4 E5:4 C5:8  D5:8 B4:8  C5:8 A4:8  B4:8 G#4:8  A4:16";

// Pad: three voices; a voice is struck again only when its note changes.
void pads(Grid* g, const std::vector<const Chord*>& bars, int from, int to, int level)
{
    for (int bar = from; bar < to; bar++) {
        for (int v = 0; v < 3; v++) {
            bool same = bar > from && strcmp(bars[bar - 1]->voices[v], bars[bar]->voices[v]) == 0;
            if (!same)
                put(g, CH_PAD + v, bar * ROWS_PER_BAR, note(bars[bar]->voices[v]), INS_PAD, level);
        }
    }
}

// Bass figure: 'R' root, 'O' octave up, 'F' fifth, '-' release, '.' hold.
void bass(Grid* g, const std::vector<const Chord*>& bars, int from, int to, const char* figure,
          int level)
{
    for (int bar = from; bar < to; bar++) {
        int root = note(bars[bar]->root);
        for (int r = 0; r < ROWS_PER_BAR; r++) {
            int row = bar * ROWS_PER_BAR + r;
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

// Sixteenth-note arpeggio over the chord an octave above the pad, with a
// quieter echo three rows later on the other side of the stereo field.
void arps(Grid* g, const std::vector<const Chord*>& bars, int from, int to, int level)
{
    static const int order[8] = {0, 1, 2, 3, 1, 2, 3, 2};
    for (int bar = from; bar < to; bar++) {
        int tones[4];
        for (int v = 0; v < 3; v++)
            tones[v] = note(bars[bar]->voices[v]) + 12;
        tones[3] = tones[0] + 12;
        for (int r = 0; r < ROWS_PER_BAR; r++) {
            int row = bar * ROWS_PER_BAR + r;
            int value = tones[order[r % 8]];
            put(g, CH_ARP, row, value, INS_PLUCK, level - (r % 4 == 0 ? 0 : 8), 0x08, 0x50);
            if (row + 3 < BARS * ROWS_PER_BAR)
                put(g, CH_ECHO, row + 3, value, INS_PLUCK, level * 4 / 10, 0x08, 0xb8);
        }
    }
}

void arrange(Grid* g)
{
    std::vector<const Chord*> bars = harmony();

    // Intro: pads and bell under the title, a riser into the groove.
    pads(g, bars, INTRO, RELIEFS, 40);
    melody(g, CH_BELL, INS_BELL, INTRO * ROWS_PER_BAR, BELL_INTRO, 36, false);
    riser(g, RELIEFS, 40);
    roll(g, RELIEFS - 1, 8, 44);

    // Reliefs: the groove builds up in four-bar steps.
    pads(g, bars, RELIEFS, WATER, 28);
    bass(g, bars, RELIEFS, WATER - 1, "R-R-O-R-R-R-O-R-", 52);
    for (int bar = RELIEFS; bar < WATER - 1; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, "X...X...X...X...", 60);
        drums(g, CH_HAT, INS_HAT, bar, bar < RELIEFS + 8 ? "..x...x...x...x." : "o.x.o.x.o.x.o.xo", 44);
        if (bar >= RELIEFS + 4)
            drums(g, CH_SNARE, INS_CLAP, bar, "....X.......X...", 46);
    }
    arps(g, bars, RELIEFS + 8, WATER - 1, 30);
    crash(g, RELIEFS, 40);
    crash(g, RELIEFS + 8, 36);
    drums(g, CH_KICK, INS_KICK, WATER - 1, "X.......X.......", 56);
    roll(g, WATER - 1, 4, 48);
    riser(g, WATER, 30);

    // Water: half time, floating arpeggios and a slow bell line.
    pads(g, bars, WATER, MESH, 40);
    bass(g, bars, WATER, MESH - 2, "R.........R...O-", 50);
    arps(g, bars, WATER, MESH - 2, 28);
    melody(g, CH_BELL, INS_BELL, WATER * ROWS_PER_BAR, BELL_WATER, 30, false);
    melody(g, CH_BELL, INS_BELL, (WATER + 8) * ROWS_PER_BAR, BELL_WATER, 30, false);
    for (int bar = WATER; bar < MESH - 2; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, "X.........X.....", 56);
        drums(g, CH_SNARE, INS_SNARE, bar, "........X.......", 40);
        drums(g, CH_HAT, INS_HAT, bar, "o.o.x.o.o.o.x.o.", 34);
    }
    crash(g, WATER, 36);
    crash(g, WATER + 8, 30);
    bass(g, bars, MESH - 2, MESH, "R...............", 44);
    riser(g, MESH, 40);
    roll(g, MESH - 1, 8, 46);

    // Mesh: the theme, twice, over the full groove.
    pads(g, bars, MESH, DISC, 24);
    bass(g, bars, MESH, PLASMA, "R-RRO-R-R-RRO-R-", 54);
    melody(g, CH_LEAD, INS_LEAD, MESH * ROWS_PER_BAR, THEME_A, 44, true);
    melody(g, CH_LEAD, INS_LEAD, (MESH + 8) * ROWS_PER_BAR, THEME_A, 44, true);
    for (int bar = MESH; bar < PLASMA; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, bar % 4 == 3 ? "X...X...X...X.x." : "X...X...X...X...", 60);
        drums(g, CH_SNARE, INS_CLAP, bar, "....X.......X...", 46);
        if (bar < DISC)
            drums(g, CH_HAT, INS_OPEN_HAT, bar, "..x...x...x...x.", 32);
        else
            drums(g, CH_HAT, INS_HAT, bar, "oxXxoxXxoxXxoxXx", 38);
    }
    crash(g, MESH, 42);
    crash(g, MESH + 8, 36);
    roll(g, DISC - 1, 12, 44);

    // Disc: the answering theme, with the arpeggios back.
    pads(g, bars, DISC, PLASMA, 26);
    arps(g, bars, DISC, PLASMA, 26);
    melody(g, CH_LEAD, INS_LEAD, DISC * ROWS_PER_BAR, THEME_B, 44, true);
    melody(g, CH_LEAD, INS_LEAD, (DISC + 8) * ROWS_PER_BAR, THEME_B, 44, true);
    crash(g, DISC, 40);
    crash(g, DISC + 8, 36);
    roll(g, PLASMA - 1, 8, 48);
    riser(g, PLASMA, 32);

    // Plasma: everything, the theme doubled by the bell an octave up.
    pads(g, bars, PLASMA, OUTRO, 28);
    bass(g, bars, PLASMA, BUILD, "R-RRO-R-R-RRO-RF", 56);
    arps(g, bars, PLASMA, BUILD, 28);
    for (int half = 0; half < 2; half++) {
        int at = (PLASMA + 8 * half) * ROWS_PER_BAR;
        melody(g, CH_LEAD, INS_LEAD, at, THEME_A, 48, true);
        melody(g, CH_BELL, INS_BELL, at, THEME_A, 20, false, 12);
    }
    for (int bar = PLASMA; bar < BUILD; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, bar % 4 == 3 ? "X...X...X...X.xx" : "X...X...X...X...", 62);
        drums(g, CH_SNARE, INS_CLAP, bar, "....X..o....X...", 48);
        drums(g, CH_HAT, INS_OPEN_HAT, bar, "..x...x...x...x.", 30);
    }
    crash(g, PLASMA, 44);
    crash(g, PLASMA + 8, 40);

    // Build: the snare speeds up over four bars, then one bar of fill.
    bass(g, bars, BUILD, OUTRO, "R.R.R.R.R.R.R.R.", 50);
    melody(g, CH_LEAD, INS_LEAD, BUILD * ROWS_PER_BAR,
           "A5:8 G5:8  G5:8 F5:8  E5:16  E5:4 F5:4 G#5:4 B5:4  E5:12 r:4", 40, true);
    for (int bar = BUILD; bar < OUTRO; bar++)
        drums(g, CH_KICK, INS_KICK, bar, "X...X...X...X...", 58);
    drums(g, CH_SNARE, INS_SNARE, BUILD, "X...X...X...X...", 34);
    drums(g, CH_SNARE, INS_SNARE, BUILD + 1, "X.x.X.x.X.x.X.x.", 38);
    drums(g, CH_SNARE, INS_SNARE, BUILD + 2, "xxxxxxxxxxxxxxxx", 42);
    roll(g, BUILD + 3, 0, 54);
    roll(g, OUTRO - 1, 0, 58);
    riser(g, OUTRO, 40);

    // Outro: the title's bell line returns; the drums thin out and stop.
    pads(g, bars, OUTRO, BARS, 40);
    bass(g, bars, OUTRO, FINAL, "R...............", 48);
    melody(g, CH_BELL, INS_BELL, OUTRO * ROWS_PER_BAR, BELL_OUTRO, 38, false);
    crash(g, OUTRO, 42);
    for (int bar = OUTRO; bar < OUTRO + 4; bar++) {
        drums(g, CH_KICK, INS_KICK, bar, "X.......X.......", 48);
        drums(g, CH_HAT, INS_HAT, bar, "..o...o...o...o.", 24);
    }
    put(g, CH_BASS, FINAL * ROWS_PER_BAR, note("A1"), INS_BASS, 44);
    crash(g, FINAL, 26);
    // Let the final chord ring for a bar, then release everything.
    int last = (FINAL + 1) * ROWS_PER_BAR;
    for (int ch : {int(CH_PAD), CH_PAD + 1, CH_PAD + 2, int(CH_BASS), int(CH_LEAD)})
        key_off(g, ch, last);
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
    const int rows = BARS * ROWS_PER_BAR;
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
