// A private PulseAudio daemon with a null sink named "quarrow", reached
// through PULSE_SERVER by everything started meanwhile, and a live recording
// of its monitor placed on the monotonic clock.
#pragma once

#include <signal.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/spawn.h"

// The recording's format: 16-bit stereo at 44100 Hz.
constexpr int RECORDER_RATE = 44100;
constexpr int RECORDER_FRAME_BYTES = 4;

// Connects to, or only binds, a Unix socket at path; true on success.
bool unix_socket(const std::string& path, bool bind_only);

// A daemon of our own: its runtime folder, its socket and a null sink named
// "quarrow", reached through PULSE_SERVER by everything started meanwhile.
struct PulseServer {
    ChildPipes daemon;
    std::string dir;
    std::string server;  // "unix:<socket>"
};

// Starts the daemon and waits until it answers; sets PULSE_SERVER.
bool pulse_start(PulseServer* pulse);
// Ends it with signal_number, unsets PULSE_SERVER, removes its folder.
void pulse_stop(PulseServer* pulse, int signal_number = SIGTERM);

// The sink's monitor, read as it comes: every chunk is stamped with the
// time it arrived, so each sample can be placed on the monotonic clock.
struct Recorder {
    ChildPipes parec;
    std::string data;
    std::vector<std::pair<size_t, long long>> arrivals;  // end offset, ms
};

bool recorder_start(Recorder* recorder);
// Collects what arrived within wait_ms, stamped with its arrival.
void recorder_poll(Recorder* recorder, int wait_ms);
void recorder_stop(Recorder* recorder);

// Sample index (left and right counted apart) of a recording.
int16_t sample_at(const std::string& data, size_t index);

// When the server handed out the frame at byte offset; -1 if not yet.
long long frame_time(const Recorder& recorder, size_t offset);
