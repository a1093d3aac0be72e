// The Wayland compositors the native window is tried on, each started of
// its own with one 1024x768 output: one entry per compositor says how it is
// started, how keys reach the focused window and how its output is seen, and
// everything else is shared. A new compositor is one more entry in
// compositor_kinds().
#pragma once

#include <string>
#include <vector>

#include "support/processes.h"
#include "support/pulse.h"
#include "support/screen_shots.h"
#include "support/xvfb.h"

// How keys reach the focused window, and how the output is shot.
enum class KeysBy { X_SERVER, VIRTUAL_KEYBOARD, REMOTE_DESKTOP };
// SCREENCAST goes through the compositor's own service and a PipeWire of
// the tests' own.
enum class ShotBy { X_SERVER, SCREENCOPY, SCREENCAST };

struct CompositorKind {
    std::string name;               // "weston", "mutter", "sway"
    std::vector<std::string> argv;  // argv[0] looked up on PATH; "@DIR@" is its runtime
                                    // folder, "@SOCKET@" its socket's name
    std::vector<std::string> env;   // "NAME=value" besides the runtime folder
    std::string config;             // written to @DIR@/config, when not empty
    bool nested_in_x;               // runs as a window of a private Xvfb
    bool session_bus;               // runs on a private session bus
    bool unprivileged;              // refuses root: runs as nobody
    KeysBy keys;
    ShotBy shot;
    std::vector<std::string> tools;  // what keys and shots need besides
};

const std::vector<CompositorKind>& compositor_kinds();
std::vector<std::string> compositor_names();

struct Compositor {
    static constexpr int WIDTH = 1024, HEIGHT = 768;
    const CompositorKind* kind = nullptr;
    Xvfb xvfb;
    std::string display;  // the Xvfb, for a nested compositor
    std::vector<ChildPipes> daemons;
    BackgroundRun remote;  // the remote-desktop key and screenshot sender
    SoundServer pipewire;  // what a screencast goes through
    std::string dir, socket;
    std::string why;      // why it did not start
};

// Starts the named compositor and waits until clients may connect; false
// with why set when it or a tool is missing or it did not come up.
bool compositor_start(Compositor* compositor, const std::string& name);
// Ends all it started, safe after a failed start.
void compositor_stop(Compositor* compositor);

// What a Wayland client started from its session sees: no X display.
std::vector<std::string> compositor_session(const Compositor& compositor);

// Presses and releases the key (an X keysym name) for the focused window.
void compositor_key(Compositor* compositor, const std::string& key);

// The whole output as shown; false when none could be taken.
bool compositor_shot(Compositor* compositor, Shot* shot);
