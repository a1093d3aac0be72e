// The sound servers of the tests (see pulse.h): each entry's command lines,
// starting and ending them, their ALSA plugins, and the recording of the
// null sink's monitor.
#include "support/pulse.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "support/processes.h"
#include "support/support.h"
#include "support/timing.h"
#include "support/which.h"

// Connects to, or only binds, a Unix socket at path; true on success.
bool unix_socket(const std::string& path, bool bind_only)
{
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    auto* named = reinterpret_cast<sockaddr*>(&address);
    bool ok = (bind_only ? bind(fd, named, sizeof address) : connect(fd, named, sizeof address)) == 0;
    close(fd);
    return ok;
}

const std::vector<SoundServerKind>& sound_server_kinds()
{
    static const std::vector<SoundServerKind> kinds = {
        // Root is refused a per-user daemon unless it asks for one.
        {"PulseAudio",
         {{{"pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--system=false",
            "--use-pid-file=no", "-L", "module-null-sink sink_name=quarrow rate=44100", "-L",
            "module-native-protocol-unix auth-anonymous=1 socket=@DIR@/native"},
           "@DIR@/native"}},
         {"PULSE_SERVER=unix:@DIR@/native"},
         {},
         "pulse",
         "server \"unix:@DIR@/native\"",
         "libasound2-plugins",
         ""},
        // As a desktop runs it: the graph, its session manager on a session
        // bus of its own, and the PulseAudio service; at the graph's own
        // rate, so the sink's 44100 Hz is resampled as on a desktop.
        {"PipeWire",
         {{{"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=@DIR@/bus"},
           "@DIR@/bus"},
          {{"pipewire"}, "@DIR@/run/pipewire-0"},
          {{"wireplumber"}, ""},
          {{"pipewire-pulse"}, "@DIR@/run/pulse/native"}},
         {"PULSE_SERVER=unix:@DIR@/run/pulse/native", "PIPEWIRE_RUNTIME_DIR=@DIR@/run"},
         {{"load-module", "module-null-sink", "sink_name=quarrow", "rate=44100"},
          {"set-default-sink", "quarrow"}},
         "pipewire",
         "",
         "pipewire-alsa",
         "PipeWire's i386 libraries execute SSE instructions, which the Pentium II the 32-bit tests run on "
         "lacks"},
    };
    return kinds;
}

std::vector<std::string> sound_server_names()
{
    std::vector<std::string> names;
    for (const SoundServerKind& kind : sound_server_kinds())
        names.push_back(kind.name);
    return names;
}

static std::string in_folder(std::string text, const std::string& dir)
{
    for (size_t at = text.find("@DIR@"); at != std::string::npos; at = text.find("@DIR@", at + dir.size()))
        text.replace(at, 5, dir);
    return text;
}

static void set_client_env(const std::vector<std::string>& env, bool set)
{
    for (const std::string& entry : env) {
        std::string name = entry.substr(0, entry.find('='));
        if (set)
            setenv(name.c_str(), entry.substr(name.size() + 1).c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

static bool wait_for_socket(const std::string& path, const ChildPipes& daemon, int timeout_ms)
{
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        if (unix_socket(path, false))
            return true;
        if (waitpid(daemon.pid, nullptr, WNOHANG) != 0)
            return false;
        test_sleep_ms(20);
    }
    return false;
}

static RunResult pactl(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{test_which("pactl")};
    argv.insert(argv.end(), args.begin(), args.end());
    return test_run(argv, "");
}

bool sound_server_start(SoundServer* server, const std::string& name)
{
    server->kind = nullptr;
    for (const SoundServerKind& kind : sound_server_kinds())
        if (kind.name == name)
            server->kind = &kind;
    if (!server->kind) {
        server->why = "no sound server called " + name;
        return false;
    }
    std::vector<std::string> needed{"pactl", "parec"};
    for (const ServerDaemon& daemon : server->kind->daemons)
        needed.push_back(daemon.argv[0]);
    for (const std::string& program : needed)
        if (access(test_which(program.c_str()).c_str(), X_OK) != 0) {
            server->why = name + ": " + program + " is not installed";
            return false;
        }

    server->dir = test_make_dir();
    const std::string& dir = server->dir;
    mkdir((dir + "/run").c_str(), 0700);
    // HOME, the runtime and the configuration folders keep cookies, sockets
    // and state out of the real ones.
    std::vector<std::string> env{"HOME=" + dir, "XDG_RUNTIME_DIR=" + dir + "/run",
                                 "XDG_CONFIG_HOME=" + dir + "/config",
                                 "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir + "/bus"};
    for (const std::string& entry : server->kind->env) {
        env.push_back(in_folder(entry, dir));
        server->client_env.push_back(env.back());
    }
    for (const ServerDaemon& daemon : server->kind->daemons) {
        std::string log = dir + "/" + daemon.argv[0] + ".log";
        std::vector<std::string> argv{test_which(daemon.argv[0].c_str())};
        for (size_t i = 1; i < daemon.argv.size(); i++)
            argv.push_back(in_folder(daemon.argv[i], dir));
        server->daemons.emplace_back();
        if (!spawn_logged(&server->daemons.back(), argv, dir, env, log) ||
            (!daemon.ready.empty() && !wait_for_socket(in_folder(daemon.ready, dir), server->daemons.back(), 10000))) {
            server->why = name + ": " + daemon.argv[0] + " did not start: " + test_read_file(log);
            sound_server_stop(server);
            return false;
        }
    }
    set_client_env(server->client_env, true);
    for (const std::vector<std::string>& command : server->kind->then) {
        // A session manager still starting refuses some commands for a while.
        RunResult done = pactl(command);
        for (int waited = 0; done.status != 0 && waited < 5000; waited += 100) {
            test_sleep_ms(100);
            done = pactl(command);
        }
        if (done.status != 0) {
            server->why = name + ": pactl " + command[0] + " failed: " + done.err;
            sound_server_stop(server);
            return false;
        }
    }
    // The session manager, where there is one, makes the sink the default
    // once it has seen it: only then do new streams go there.
    for (int waited = 0; waited < 10000; waited += 50) {
        if (pactl({"info"}).out.find("Default Sink: quarrow\n") != std::string::npos)
            return true;
        test_sleep_ms(50);
    }
    server->why = name + ": the sink \"quarrow\" never became the default";
    sound_server_stop(server);
    return false;
}

void sound_server_stop(SoundServer* server, int signal_number)
{
    spawn_stop_daemons(&server->daemons, signal_number);
    set_client_env(server->client_env, false);
    server->client_env.clear();
    if (!server->dir.empty())
        test_remove_tree(server->dir);
    server->dir.clear();
}

bool sound_server_alive(const SoundServer& server)
{
    for (const ChildPipes& daemon : server.daemons) {
        char state = test_proc_state(daemon.pid);
        if (state != 0 && state != 'Z')
            return true;
    }
    return false;
}

// This build's library folder and Debian architecture: the 32-bit build
// needs the i386 plugin, whatever the machine's own architecture is.
#if defined(__x86_64__)
static const char MULTIARCH[] = "x86_64-linux-gnu", DEB_ARCH[] = "amd64";
#elif defined(__i386__)
static const char MULTIARCH[] = "i386-linux-gnu", DEB_ARCH[] = "i386";
#elif defined(__aarch64__)
static const char MULTIARCH[] = "aarch64-linux-gnu", DEB_ARCH[] = "arm64";
#else
static const char MULTIARCH[] = "", DEB_ARCH[] = "";
#endif

// The plugin as installed, or else unpacked from its package into the
// build folder, where it is kept for the next run. Unpacked, not installed:
// Debian's PipeWire plugin package replaces PulseAudio on the machine.
static std::string alsa_plugin_path(const SoundServerKind& kind)
{
    std::string file = std::string("/usr/lib/") + MULTIARCH + "/alsa-lib/libasound_module_pcm_" +
                       kind.alsa_plugin + ".so";
    if (access(file.c_str(), R_OK) == 0)
        return file;
    std::string cache = std::string(QUARROW_BIN_DIR) + "/alsa-plugins/" + kind.alsa_package;
    if (access((cache + file).c_str(), R_OK) != 0) {
        test_remove_tree(cache);
        std::string wanted = kind.alsa_package + (*DEB_ARCH ? std::string(":") + DEB_ARCH : "");
        (void)!system(("mkdir -p '" + cache + "' && cd '" + cache + "' && apt-get download -q " + wanted +
                       " >fetch.log 2>&1 && dpkg-deb -x " + kind.alsa_package + "_*.deb . >>fetch.log 2>&1")
                          .c_str());
    }
    return access((cache + file).c_str(), R_OK) == 0 ? cache + file : "";
}

std::string sound_server_alsa_env(SoundServer* server)
{
#if defined(__i386__)
    if (!server->kind->no_i386_plugin.empty()) {
        server->why = server->kind->no_i386_plugin;
        return "";
    }
#endif
    std::string plugin = alsa_plugin_path(*server->kind);
    if (plugin.empty()) {
        server->why = server->kind->name + ": its ALSA plugin is not installed (" + server->kind->alsa_package +
                      ") and could not be fetched and unpacked";
        return "";
    }
    // Only this file: no card, and nothing of the machine's own set-up.
    std::string config = server->dir + "/asound.conf";
    std::string type = server->kind->alsa_plugin;
    test_write_file(config, "pcm_type." + type + " { lib \"" + plugin + "\" }\npcm.!default { type " + type +
                                " " + in_folder(server->kind->alsa_args, server->dir) + " }\n");
    return "ALSA_CONFIG_PATH=" + config;
}

bool recorder_start(Recorder* recorder)
{
    return spawn_child(&recorder->parec,
                       {test_which("parec"), "--raw", "--format=s16le", "--channels=2",
                        "--rate=44100", "--latency-msec=5", "-d", "quarrow.monitor"},
                       "", {});
}

void recorder_poll(Recorder* recorder, int wait_ms)
{
    std::string err;
    size_t before = recorder->data.size();
    spawn_collect(&recorder->parec, &recorder->data, &err, wait_ms);
    if (recorder->data.size() != before)
        recorder->arrivals.push_back({recorder->data.size(), test_now_ms()});
}

void recorder_stop(Recorder* recorder)
{
    kill(recorder->parec.pid, SIGTERM);
    waitpid(recorder->parec.pid, nullptr, 0);
    for (int fd : {recorder->parec.in_fd, recorder->parec.out_fd, recorder->parec.err_fd})
        if (fd >= 0)
            close(fd);
}

int16_t sample_at(const std::string& data, size_t index)
{
    auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    return static_cast<int16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
}

// When the server handed out the frame at byte offset: the time its chunk
// arrived, less the frames that followed it in that chunk.
long long frame_time(const Recorder& recorder, size_t offset)
{
    for (const auto& arrival : recorder.arrivals)
        if (arrival.first > offset)
            return arrival.second -
                   static_cast<long long>((arrival.first - offset) / RECORDER_FRAME_BYTES) * 1000 / RECORDER_RATE;
    return -1;
}
