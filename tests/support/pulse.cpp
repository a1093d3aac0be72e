// A private PulseAudio daemon with a null sink, and a live recording of its
// monitor, for the tests that listen to the demo's music.
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

bool pulse_start(PulseServer* pulse)
{
    pulse->dir = test_make_dir();
    std::string socket_path = pulse->dir + "/native";
    pulse->server = "unix:" + socket_path;
    mkdir((pulse->dir + "/run").c_str(), 0700);
    // Root is refused a per-user daemon unless it asks for one; HOME and the
    // runtime folder keep its cookie and pid file out of the real ones.
    if (!spawn_child(&pulse->daemon,
                     {test_which("pulseaudio"), "--daemonize=no", "-n", "--exit-idle-time=-1",
                      "--system=false", "--use-pid-file=no", "-L",
                      "module-null-sink sink_name=quarrow rate=44100", "-L",
                      "module-native-protocol-unix auth-anonymous=1 socket=" + socket_path},
                     pulse->dir,
                     {"HOME=" + pulse->dir, "XDG_RUNTIME_DIR=" + pulse->dir + "/run",
                      "XDG_CONFIG_HOME=" + pulse->dir + "/config"}))
        return false;
    for (int waited = 0; waited < 10000; waited += 20) {
        if (unix_socket(socket_path, false)) {
            setenv("PULSE_SERVER", pulse->server.c_str(), 1);
            return true;
        }
        test_sleep_ms(20);
    }
    return false;
}

void pulse_stop(PulseServer* pulse, int signal_number)
{
    if (pulse->daemon.pid > 0) {
        kill(pulse->daemon.pid, signal_number);
        waitpid(pulse->daemon.pid, nullptr, 0);
        pulse->daemon.pid = -1;
    }
    for (int fd : {pulse->daemon.in_fd, pulse->daemon.out_fd, pulse->daemon.err_fd})
        if (fd >= 0)
            close(fd);
    pulse->daemon.in_fd = pulse->daemon.out_fd = pulse->daemon.err_fd = -1;
    unsetenv("PULSE_SERVER");
    test_remove_tree(pulse->dir);
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

