// The one way an effect gives up: its message on standard output, then the
// display is shut down, the music stopped, and the program ends with status 1.
#pragma once

[[noreturn]] void demo_fatal(const char* message);

// "Cann't load image <path> !" through demo_fatal, with the path and the
// reason the load failed on standard error.
[[noreturn]] void demo_fatal_load(const char* path);

extern const char* const MSG_CANNOT_ALLOCATE;  // "Cann't allocate image!\n"
extern const char* const MSG_WRONG_SIZE;       // "Wrong image size!\n"
