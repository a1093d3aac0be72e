// Running the demo: the one start-up, script and end that every program
// shares (quarrow, quarrow-vga, quarrow-sdl, quarrow-render, quarrow-web and
// the music harness). The programs differ only in the back ends and clock
// linked with them (docs/architecture.md).
#pragma once

// How a program runs the demo. Value-initialised (DemoRun run{}) it is a
// quiet run seeded from the time of day; each program sets by name the
// fields it needs.
struct DemoRun {
    bool sound;        // the banner, the sound dialogue and the music process
    bool seeded;       // seed the random numbers with seed, not the time of day
    unsigned seed;
    void (*on_step)(int step, const char* label);  // told as each step begins; may be null
};

// The module the music plays, relative to the data folder (core/data.h).
extern const char* const DEMO_MODULE;  // "music/quarrow.xm"

// The banner "*** quarrow for LINUX by tobrak *** ".
void demo_banner();

// Registers what the lower layers cannot reach themselves: a fatal error
// shuts the display down and then stops the music; a lost display, or a
// user who ends the demo early, stops the music.
void demo_hooks_install();

// Banner and sound dialogue, display set-up, tables, random seed, frame
// buffer, black screen, music, the script, then music stopped, frame buffer
// freed and display shut down. Returns the exit status, STATUS_OK; every
// failure, the frame buffer's allocation included, ends the program through
// core/fatal.h instead.
int demo_run(int argc, char** argv, const DemoRun* run);
