// The sound servers the tests start, each of its own in a private folder
// with a null sink named "quarrow": one entry per server says how it is
// started, and everything else is shared. Clients reach it through
// PULSE_SERVER (device 5) and through an ALSA configuration whose default
// device is that server's ALSA plugin (device 4). Also a live recording of
// the sink's monitor placed on the monotonic clock.
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

// One program a server is made of. In every argument and in ready, "@DIR@"
// stands for the server's folder.
struct ServerDaemon {
    std::vector<std::string> argv;  // argv[0] a name looked up on PATH
    std::string ready;              // a socket that answers once it serves; "" to not wait
};

// How one sound server is started and reached; a new server is one more
// entry in sound_server_kinds().
struct SoundServerKind {
    std::string name;                    // "PulseAudio", "PipeWire"
    std::vector<ServerDaemon> daemons;   // started in this order, ended in the reverse
    std::vector<std::string> env;        // "NAME=value" for the daemons and their clients
    std::vector<std::vector<std::string>> then;  // pactl commands once all are up
    std::string alsa_plugin;             // the ALSA pcm type that plays to it
    std::string alsa_args;               // and what that type is told of the server
    std::string alsa_package;            // the Debian package holding that plugin
    std::string no_i386_plugin;          // why the 32-bit build cannot use that plugin; "" when it can
};

const std::vector<SoundServerKind>& sound_server_kinds();
// For test names: the kinds' names.
std::vector<std::string> sound_server_names();

struct SoundServer {
    const SoundServerKind* kind = nullptr;
    std::vector<ChildPipes> daemons;
    std::string dir;
    std::vector<std::string> client_env;  // also set in this process while it runs
    std::string why;                      // why it did not start
};

// Starts the named server and waits until its sink "quarrow" is the default;
// sets PULSE_SERVER and the rest of client_env in this process. False with
// why set when a program is missing or the server did not come up.
bool sound_server_start(SoundServer* server, const std::string& name);
// Ends every daemon with signal_number (SIGKILL for those that linger),
// unsets client_env, removes the folder. Safe to call twice.
void sound_server_stop(SoundServer* server, int signal_number = SIGTERM);

// Whether a daemon of the server is still running.
bool sound_server_alive(const SoundServer& server);

// An ALSA configuration file in dir whose default device plays to the
// server through its plugin ("ALSA_CONFIG_PATH=<file>"), or "" with why set
// when the plugin is neither installed nor to be had from its package.
std::string sound_server_alsa_env(SoundServer* server);

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
