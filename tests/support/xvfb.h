// A private virtual X server for the tests and benchmarks that need a real
// one: started on a display number nobody uses, stopped by its process id.
#pragma once

#include <sys/types.h>

#include <string>

struct Xvfb {
    pid_t pid = -1;
    int number = -1;  // the N of ":N"
};

// Starts Xvfb with one screen of the given geometry ("640x480x8") and waits
// until it accepts connections. With own_ipc it runs in its own System V IPC
// namespace, so it cannot attach any segment a client makes. False when no
// server came up within a few seconds.
bool xvfb_start(Xvfb* server, const char* screen, bool own_ipc = false);

// Ends the server and waits for it; safe on a server that never started.
void xvfb_stop(Xvfb* server);

// ":N", for DISPLAY.
std::string xvfb_display(const Xvfb& server);

// A display name with no server behind it.
std::string xvfb_unused_display();
