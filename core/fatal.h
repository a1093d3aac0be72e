// The one way the program gives up: the message on standard output, then
// whatever the top registered to close (the display, then the music), then
// the end of the program with status 1.
#pragma once

// Registered once by the demo's top before anything can fail. Without one a
// fatal end only prints and exits.
void fatal_set_ending(void (*ending)());

[[noreturn]] void demo_fatal(const char* message);

// "Cann't load image <path> !" through demo_fatal, with the path and the
// reason the load failed on standard error.
[[noreturn]] void demo_fatal_load(const char* path, const char* reason);

extern const char* const MSG_CANNOT_ALLOCATE;  // "Cann't allocate image!\n"
extern const char* const MSG_WRONG_SIZE;       // "Wrong image size!\n"
