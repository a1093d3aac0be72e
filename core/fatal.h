// The one way the program gives up: the message on standard output, then
// whatever the top registered to close (the display, then the music), then
// the end of the program with status 1. Also the exit statuses, and the one
// exit every early end goes through.
//
// How the program's routines fail, from the bottom layer up:
// - a create returns 0 and fills its handles, or returns a negative code and
//   leaves every handle null: there is never a half-made record to free;
// - a free releases what its handles hold, accepts null, and nulls them;
// - an allocation failure the caller cannot work around ends the program
//   through demo_fatal(MSG_CANNOT_ALLOCATE), unless the operation has a
//   failure path of its own;
// - every end stops the music and shuts the display down, the normal end in
//   that order, a fatal end the other way round: message, display, music;
// - a display that cannot be set up ends the program in its set-up, with
//   its own message and STATUS_NO_DISPLAY.
#pragma once

// The program's exit statuses.
constexpr int STATUS_OK = 0;           // the whole script, or the user ended it
constexpr int STATUS_FAILED = 1;       // a fatal error, or the display lost mid-run
constexpr int STATUS_NO_DISPLAY = 255; // the display cannot be set up at all

// Flushes standard output and ends the program with status. Every end other
// than main's return comes through here, except children's _exit.
[[noreturn]] void fatal_exit(int status);

// Registered once by the demo's top before anything can fail. Without one a
// fatal end only prints and exits.
void fatal_set_ending(void (*ending)());

[[noreturn]] void demo_fatal(const char* message);

// "Cann't load image <path> !" through demo_fatal, with the path and the
// reason the load failed on standard error.
[[noreturn]] void demo_fatal_load(const char* path, const char* reason);

extern const char* const MSG_CANNOT_ALLOCATE;  // "Cann't allocate image!\n"
extern const char* const MSG_WRONG_SIZE;       // "Wrong image size!\n"
