// quarrow-vga on a real Linux console: a QEMU machine (TCG) with the Debian
// kernel from /boot (for the 32-bit build, a Pentium II), a 1024x768 VESA frame buffer at 24 bits and an AC97 card
// whose output is captured to a WAV file per run. One boot runs the whole
// demo with music through ALSA and its other endings from a shell on tty1;
// screen dumps are compared with quarrow-render's frames, and the whole run's
// sound with the module as the raw-file driver writes it.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/mikmod_render.h"
#include "support/spawn.h"
#include "support/support.h"
#include "support/timing.h"

namespace {

void pause_for(double seconds)
{
    timespec t{static_cast<time_t>(seconds), static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9)};
    nanosleep(&t, nullptr);
}

// The machine: this PC's kind with the Debian kernel from /boot; or, for the
// 32-bit build, a Pentium II with 128 MB and Debian's 686 kernel, unpacked
// from the i386 port's packages (tests/vm/fetch-i386-machine).
struct MachineKind {
    std::string qemu, cpu, memory;
    std::string system;   // where boot/ and lib/modules/ are
    std::string release;  // the kernel's; empty when there is none
};

MachineKind machine_kind()
{
#ifdef __i386__
    MachineKind kind{"/usr/bin/qemu-system-i386", "pentium2", "128",
                     std::string(QUARROW_BIN_DIR) + "/vm-i386/root", ""};
    std::string fetch = test_source_dir() + "/tests/vm/fetch-i386-machine " + QUARROW_BIN_DIR + "/vm-i386";
    if (FILE* out = popen(fetch.c_str(), "r")) {
        char line[256] = "";
        if (fgets(line, sizeof line, out))
            kind.release = std::string(line, strcspn(line, "\n"));
        if (pclose(out) != 0)
            kind.release.clear();
    }
#else
    MachineKind kind{"/usr/bin/qemu-system-x86_64", "", "512", "/", ""};
    if (DIR* dir = opendir("/boot")) {
        while (dirent* e = readdir(dir)) {
            std::string name = e->d_name;
            if (name.rfind("vmlinuz-", 0) == 0 && access(("/lib/modules/" + name.substr(8)).c_str(), R_OK) == 0)
                kind.release = name.substr(8);
        }
        closedir(dir);
    }
#endif
    return kind;
}

int connect_unix(const std::string& path)
{
    for (int tries = 0; tries < 100; tries++) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            return fd;
        close(fd);
        pause_for(0.1);
    }
    return -1;
}

// Reads what fd has within timeout seconds into buffer. False on its end.
bool read_some(int fd, std::string* buffer, double timeout)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fd, &set);
    timeval wait{static_cast<time_t>(timeout), static_cast<suseconds_t>((timeout - static_cast<time_t>(timeout)) * 1e6)};
    if (select(fd + 1, &set, nullptr, nullptr, &wait) <= 0)
        return true;
    char chunk[4096];
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n <= 0)
        return false;
    buffer->append(chunk, static_cast<size_t>(n));
    return true;
}

struct Screen {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool read_ppm(const std::string& path, Screen* screen)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> screen->width >> screen->height >> max;
    in.get();
    if (magic != "P6" || max != 255)
        return false;
    screen->rgb.resize(static_cast<size_t>(screen->width) * screen->height * 3);
    in.read(reinterpret_cast<char*>(screen->rgb.data()), static_cast<std::streamsize>(screen->rgb.size()));
    return static_cast<bool>(in);
}

// The machine: QEMU with its serial line and monitor on sockets in dir.
class Machine {
public:
    std::string dir;
    std::string log;  // everything the serial line said

    ~Machine() { stop(); }  // also when a failed assertion leaves the test early

    bool start(const MachineKind& kind)
    {
        // In memory where it can be: QEMU writes the captures and screen dumps
        // from the loop that also feeds the card, and a disk busy with other
        // work can hold those writes long enough for the card to run dry.
        char in_memory[] = "/dev/shm/quarrow-test-XXXXXX";
        dir = mkdtemp(in_memory) ? in_memory : test_make_dir();
        std::string initrd = dir + "/initrd.gz";
        std::string build = test_source_dir() + "/tests/vm/build-initramfs " + std::string(QUARROW_BIN_DIR) +
                            " " + test_source_dir() + " " + kind.release + " " + initrd + " " + kind.system;
        if (system(build.c_str()) != 0)
            return false;
        std::vector<std::string> argv = {
            kind.qemu, "-accel", "tcg", "-m", kind.memory, "-smp", "1",
            "-kernel", kind.system + "/boot/vmlinuz-" + kind.release, "-initrd", initrd,
            "-append", "console=ttyS0 loglevel=3 vga=0x318", "-vga", "std", "-display", "none",
            "-audiodev", "wav,id=sound,path=" + dir + "/sound.wav,in.voices=0",
            "-device", "AC97,audiodev=sound",
            "-serial", "unix:" + dir + "/serial,server=on,wait=off",
            "-monitor", "unix:" + dir + "/monitor,server=on,wait=off", "-nic", "none", "-no-reboot"};
        if (!kind.cpu.empty())
            argv.insert(argv.begin() + 1, {"-cpu", kind.cpu});
        if (!spawn_child(&qemu, argv, "", {}))
            return false;
        serial = connect_unix(dir + "/serial");
        monitor = connect_unix(dir + "/monitor");
        return serial >= 0 && monitor >= 0 && monitor_do("info status");
    }

    // Waits for a serial line holding tag; returns the rest of it.
    bool wait_line(const std::string& tag, double timeout, std::string* rest = nullptr)
    {
        double end = test_now_ms() / 1000.0 + timeout;
        for (;;) {
            size_t at = pending.find(tag);
            size_t eol = at == std::string::npos ? at : pending.find('\n', at);
            if (eol != std::string::npos) {
                if (rest)
                    *rest = pending.substr(at + tag.size(), eol - at - tag.size());
                pending.erase(at, eol + 1 - at);  // lines before it may be waited for later
                return true;
            }
            if (test_now_ms() / 1000.0 > end)
                return false;
            std::string more;
            if (!read_some(serial, &more, 0.2))
                return false;
            log += more;
            pending += more;
        }
    }

    // Runs line in the serial shell and waits for it to finish.
    bool shell(const std::string& line, std::string* said = nullptr)
    {
        std::string tag = "@@done" + std::to_string(++commands);
        std::string text = line + "; echo; echo " + tag + "\n";
        if (write(serial, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return false;
        size_t from = log.size();
        bool ok = wait_line(tag, 60);
        if (said)
            *said = log.substr(from);
        return ok;
    }

    // Hands line to the shell on tty1, as if typed there.
    bool on_tty1(const std::string& line)
    {
        std::string quoted;
        for (char c : line)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return shell("echo '" + quoted + "' >/run/tty1");
    }

    // A monitor command; returns once QEMU has carried it out.
    bool monitor_do(const std::string& command)
    {
        std::string text = command + "\n", answer;
        // Drop the greeting and earlier prompts.
        while (read_some(monitor, &answer, 0.0) && !answer.empty())
            answer.clear();
        if (write(monitor, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return false;
        double end = test_now_ms() / 1000.0 + 30;
        while (test_now_ms() / 1000.0 < end) {
            if (!read_some(monitor, &answer, 0.2))
                return false;
            size_t echoed = answer.find(command);
            if (echoed != std::string::npos && answer.find("(qemu)", echoed) != std::string::npos)
                return true;
        }
        return false;
    }

    // The card's output until capture_stop, written only while the card plays.
    bool capture_start(const std::string& path) { return monitor_do("wavcapture " + path + " sound"); }
    bool capture_stop() { return monitor_do("stopcapture 0"); }

    bool screen(Screen* out)
    {
        std::string path = dir + "/screen.ppm";
        unlink(path.c_str());
        return monitor_do("screendump " + path) && read_ppm(path, out);
    }

    void stop()
    {
        if (monitor >= 0)
            monitor_do("quit");
        if (qemu.pid > 0) {
            double end = test_now_ms() / 1000.0 + 10;
            int status;
            while (waitpid(qemu.pid, &status, WNOHANG) == 0 && test_now_ms() / 1000.0 < end)
                pause_for(0.1);
            kill(qemu.pid, SIGKILL);
            waitpid(qemu.pid, &status, 0);
            qemu.pid = -1;
        }
        for (int* fd : {&serial, &monitor, &qemu.in_fd, &qemu.out_fd, &qemu.err_fd})
            if (*fd >= 0) {
                close(*fd);
                *fd = -1;
            }
    }

private:
    ChildPipes qemu;
    int serial = -1, monitor = -1;
    int commands = 0;
    std::string pending;
};

// The frame of step 1 (the title picture's fade in, hold and fade out) as
// the screen shows it through the 6-bit DAC.
struct TitleFrame {
    PngFrame png;
    int index = 0;  // within the step
};

uint8_t through_dac(uint8_t component)
{
    int six = component >> 2;
    return static_cast<uint8_t>((six << 2) | (six >> 4));
}

// A mode's picture on the 1024x768 screen: each frame pixel becomes a
// scale x scale block from (left, top), black around the 4:3 area.
struct ModeView {
    const char* answer;  // the mode's number in the menu
    int scale, left, top;
};
const ModeView PLANAR_320x240{"2", 3, 32, 24};
const ModeView PAGED_640x480{"5", 2, 192, 144};

bool screen_shows(const Screen& s, const PngFrame& f, const ModeView& view)
{
    if (s.width != 1024 || s.height != 768)
        return false;
    for (int y = 0; y < s.height; y++) {
        for (int x = 0; x < s.width; x++) {
            const uint8_t* got = &s.rgb[(static_cast<size_t>(y) * s.width + x) * 3];
            int fx = (x - view.left) / view.scale, fy = (y - view.top) / view.scale;
            uint8_t want[3] = {0, 0, 0};
            if (x >= view.left && y >= view.top && fx < f.width && fy < f.height) {
                int index = f.pixels[static_cast<size_t>(fy) * f.width + fx];
                for (int c = 0; c < 3; c++)
                    want[c] = through_dac(f.palette[3 * index + c]);
            }
            if (memcmp(got, want, 3) != 0)
                return false;
        }
    }
    return true;
}

// The index within step 1 of the frame the screen shows, or -1.
int title_frame_shown(const Screen& s, const std::vector<TitleFrame>& frames, const ModeView& view)
{
    for (const TitleFrame& f : frames)
        if (screen_shows(s, f.png, view))
            return f.index;
    return -1;
}

// The text console after `clear; echo MARK`: text on the first line, the
// cursor on the second, black everywhere else, so no picture is left.
bool shows_only_a_line_of_text(const Screen& s)
{
    int lit_first_line = 0;
    for (int y = 0; y < s.height; y++)
        for (int x = 0; x < s.width; x++) {
            const uint8_t* p = &s.rgb[(static_cast<size_t>(y) * s.width + x) * 3];
            bool lit = p[0] | p[1] | p[2];
            if (lit && y >= 32)
                return false;
            if (lit && y < 16)
                lit_first_line++;
        }
    return lit_first_line > 100;
}

// Left and right summed, per frame, of 16-bit stereo samples.
std::vector<double> mono(const int16_t* stereo, size_t frames)
{
    std::vector<double> out(frames);
    for (size_t i = 0; i < frames; i++)
        out[i] = static_cast<double>(stereo[2 * i]) + stereo[2 * i + 1];
    return out;
}

// A capture of the card (44100 Hz, 16-bit stereo) as mono frames.
std::vector<double> read_capture(const std::string& wav)
{
    std::string bytes = test_read_file(wav);
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(22, 2, std::string("\2\0", 2)) ||
        bytes.compare(24, 4, std::string("\x44\xac\0\0", 4)) || bytes[34] != 16)
        return {};
    return mono(reinterpret_cast<const int16_t*>(bytes.data() + 44), (bytes.size() - 44) / 4);
}

const long RATE = 44100, MS = RATE / 1000;

double level(const std::vector<double>& v, long at, long n)
{
    double sum = 0;
    for (long i = at; i < at + n; i++)
        sum += v[i] * v[i];
    return std::sqrt(sum / n);
}

// Seconds the card played, unless what it played was silence.
double sound_seconds(const std::string& wav)
{
    std::vector<double> v = read_capture(wav);
    return v.empty() || level(v, 0, static_cast<long>(v.size())) < 600 ? 0 : static_cast<double>(v.size()) / RATE;
}

// The lag within from..to (both in range) at which heard[at + lag ...] best
// matches n frames of song[at ...], and its normalised correlation.
std::pair<long, double> best_lag(const std::vector<double>& heard, const std::vector<double>& song, long at,
                                 long n, long from, long to)
{
    std::pair<long, double> best{0, -1};
    for (long lag = from; lag <= to; lag++) {
        double cross = 0;
        for (long i = 0; i < n; i++)
            cross += heard[at + lag + i] * song[at + i];
        double c = cross / (level(heard, at + lag, n) * level(song, at, n) * n + 1e-9);
        if (c > best.second)
            best = {lag, c};
    }
    return best;
}

// The number after key in what the machine or a program said, or -1.
double said_number(const std::string& said, const std::string& key)
{
    size_t at = said.find(key);
    return at == std::string::npos ? -1 : std::atof(said.c_str() + at + key.size());
}

// When the newest process noted was made, and the processor time it had
// used by the card's start, in seconds.
std::pair<double, double> newest_process(const std::string& said)
{
    double tick = static_cast<double>(sysconf(_SC_CLK_TCK)), made = 0, busy = 0;
    for (size_t at = said.find("@@started "); at != std::string::npos; at = said.find("@@started ", at + 1)) {
        long user = 0, system = 0, start = 0;
        if (sscanf(said.c_str() + at, "@@started %ld %ld %ld", &user, &system, &start) == 3 && start / tick >= made)
            made = start / tick, busy = (user + system) / tick;
    }
    return {made, busy};
}

// The whole run's music through ALSA against the module as device 2 writes
// it: the song's opening first; in step all along; never silent for long
// while the song plays; over when the song or the demo ends. Times are the
// machine's clock in seconds.
void check_alsa_run(const std::string& wav, double card_started, double music_started, double ended_at)
{
    std::vector<double> heard = read_capture(wav);
    std::vector<int16_t> raw = test_render_module(test_source_dir() + "/music/quarrow.xm", RATE);
    ASSERT_FALSE(heard.empty() || raw.empty()) << wav;
    std::vector<double> song = mono(raw.data(), raw.size() / 2);
    long frames = static_cast<long>(std::min(heard.size(), song.size()));
    auto opening = best_lag(heard, song, 0, RATE, 0, 50 * MS);
    EXPECT_GT(opening.second, 0.9) << "the capture does not begin with the song";
    EXPECT_LE(opening.first, 10 * MS) << opening.first << " frames off";
    double worst = 1, worst_at = 0, silent = 0, longest_silence = 0;
    for (long at = 10 * RATE; at + RATE < frames; at += 10 * RATE) {
        auto step = best_lag(heard, song, at, RATE / 4, opening.first - 5 * MS, opening.first + 5 * MS);
        if (step.second < worst)
            worst = step.second, worst_at = at / RATE;
    }
    for (long at = 0; at + 10 * MS <= frames; at += 10 * MS) {
        silent = level(heard, at, 10 * MS) < 200 && level(song, at, 10 * MS) > 800 ? silent + 10 : 0;
        longest_silence = std::max(longest_silence, silent);
    }
    EXPECT_GT(worst, 0.9) << "out of step with the song at " << worst_at << " s";
    EXPECT_LE(longest_silence, 150);
    double seconds = static_cast<double>(heard.size()) / RATE, song_seconds = song.size() / double(RATE);
    double run = ended_at - card_started;
    printf("ALSA: started %.0f ms after the music process, played %.1f s of %.1f (song %.1f), opening %.3f, "
           "in step %.3f, silent %.0f ms\n", (card_started - music_started) * 1000, seconds, run, song_seconds,
           opening.second, worst, longest_silence);
    EXPECT_LE(seconds, run);
    EXPECT_GE(seconds, std::min(run, song_seconds) - 0.2) << "the card stopped early or for a while";
}

class VgaConsoleRealTime : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Step 1's frames on the virtual clock; the title picture needs no seed.
        frames_dir = test_make_dir();
        RunResult r = test_run({test_bin("quarrow-render"), "--steps", "1", "--frames", frames_dir, "--seed", "1"},
                               test_source_dir());
        std::string tsv = test_read_file(frames_dir + "/frames.tsv");
        std::istringstream lines(tsv);
        std::string line;
        std::vector<uint8_t> last_palette;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string frame, step, label, within;
            if (!std::getline(fields, frame, '\t') || !std::getline(fields, step, '\t') ||
                !std::getline(fields, label, '\t') || !std::getline(fields, within, '\t') || step != "1")
                continue;
            TitleFrame f;
            f.index = std::atoi(within.c_str());
            char name[32];
            snprintf(name, sizeof name, "/%06d.png", std::atoi(frame.c_str()));
            if (!test_read_png(frames_dir + name, &f.png) || f.png.palette == last_palette)
                continue;  // the same picture as the frame before
            last_palette = f.png.palette;
            title.push_back(f);
        }
    }
    static void TearDownTestSuite() { test_remove_tree(frames_dir); }

    static std::string frames_dir;
    static std::vector<TitleFrame> title;
};
std::string VgaConsoleRealTime::frames_dir;
std::vector<TitleFrame> VgaConsoleRealTime::title;

// The frame index range of each part of the title picture's show.
bool is_hold(int index) { return index >= 22 && index < 60; }
bool is_fade_out(int index) { return index >= 60; }
bool is_lit(int index) { return index >= 22; }

TEST_F(VgaConsoleRealTime, DemoOnTheConsoleOfAVirtualMachine)
{
    MachineKind kind = machine_kind();
    ASSERT_FALSE(kind.release.empty()) << "no kernel with its modules under " << kind.system
                                       << " (tools/install-deps)";
    ASSERT_GT(title.size(), 20u) << "quarrow-render gave no title frames";
    double started = test_now_ms() / 1000.0;
    Machine vm;
    ASSERT_TRUE(vm.start(kind));
    std::string devices;
    ASSERT_TRUE(vm.wait_line("@@ready", 120, &devices)) << vm.log;
    EXPECT_NE(devices.find("/dev/fb0"), std::string::npos) << devices;
    EXPECT_NE(devices.find("/dev/dsp"), std::string::npos) << devices;
    double booted = test_now_ms() / 1000.0;
    ASSERT_TRUE(vm.shell("printf '\\033[2J\\033[Hconsole two\\n' >/dev/tty2"));

    // Starts the demo from the tty1 shell with the given answers; its status
    // and the machine's clock when it ended come back on the serial line.
    auto start_demo = [&](const std::string& answers, const std::string& env = "") {
        return vm.on_tty1("printf '" + answers + "' | " + env + " ./quarrow-vga >/run/out 2>&1; s=$?; "
                          "read up rest </proc/uptime; echo @@status $s $up >/dev/ttyS0");
    };
    double ended_at = 0;
    auto ended_with = [&](int status, double timeout) {
        std::string got;
        if (!vm.wait_line("@@status ", timeout, &got))
            return ::testing::AssertionFailure() << "the demo did not end";
        std::istringstream fields(got);
        int was = -1;
        fields >> was >> ended_at;
        if (was != status)
            return ::testing::AssertionFailure() << "status " << got;
        return ::testing::AssertionSuccess();
    };
    // After an ending: text written to tty1 shows, nothing of the picture is
    // left, and no process of the demo (the music process included) remains.
    auto console_is_clean = [&](const char* ending) {
        std::string said;
        EXPECT_TRUE(vm.on_tty1("clear; echo after " + std::string(ending) + "; echo @@written >/dev/ttyS0"));
        EXPECT_TRUE(vm.wait_line("@@written", 30));
        pause_for(0.2);
        Screen s;
        EXPECT_TRUE(vm.screen(&s));
        EXPECT_TRUE(shows_only_a_line_of_text(s)) << "after " << ending;
        EXPECT_TRUE(vm.shell("pidof quarrow-vga || echo none", &said));
        EXPECT_NE(said.find("none"), std::string::npos) << "after " << ending << ": " << said;
    };
    // Screen dumps until one shows a frame of the show that want accepts.
    auto title_seen = [&](const ModeView& view, bool (*want)(int), double timeout) {
        double end = test_now_ms() / 1000.0 + timeout;
        std::vector<int> seen;
        while (test_now_ms() / 1000.0 < end) {
            Screen s;
            if (!vm.screen(&s))
                break;
            int index = title_frame_shown(s, title, view);
            seen.push_back(index);
            if (index >= 0 && want(index))
                return ::testing::AssertionSuccess();
        }
        auto failure = ::testing::AssertionFailure() << "frames seen:";
        for (int i : seen)
            failure << " " << i;
        return failure;
    };

    // Notes in /run/noted the card's state once it has started, and for each
    // process of the demo or the harness its processor time and when it was
    // made (in ticks since the machine's boot).
    auto note_card_start = [&] {
        return vm.shell("(while read -r f state </proc/asound/card0/pcm0p/sub0/status; [ \"$state\" != RUNNING ]; "
                        "do usleep 10000; done; cat /proc/asound/card0/pcm0p/sub0/status; for p in $(pidof quarrow-vga music-harness); "
                        "do echo @@started $(cut -d' ' -f14,15,22 /proc/$p/stat); done) >/run/noted 2>&1 & true");
    };

    std::string said;
    // The whole demo in the planar 320x240 mode with music on device 4 (ALSA,
    // through plug to the card), switched away from and back to during the
    // title picture.
    ASSERT_TRUE(note_card_start());
    ASSERT_TRUE(vm.capture_start(vm.dir + "/alsa.wav"));
    double run_start = test_now_ms() / 1000.0;
    ASSERT_TRUE(start_demo("4\\n4\\n44100\\n2\\n"));
    EXPECT_TRUE(title_seen(PLANAR_320x240, is_hold, 8));
    ASSERT_TRUE(vm.shell("chvt 2"));
    pause_for(1.5);
    Screen away;
    ASSERT_TRUE(vm.screen(&away));
    EXPECT_TRUE(shows_only_a_line_of_text(away)) << "the demo drew over console 2";
    ASSERT_TRUE(vm.shell("chvt 1"));
    EXPECT_TRUE(title_seen(PLANAR_320x240, is_lit, 3)) << "back on console 1";
    EXPECT_TRUE(title_seen(PLANAR_320x240, is_fade_out, 8));
    EXPECT_TRUE(ended_with(0, 260));
    double run_time = test_now_ms() / 1000.0 - run_start;
    ASSERT_TRUE(vm.capture_stop());
    ASSERT_TRUE(vm.shell("cat /run/noted", &said));
    check_alsa_run(vm.dir + "/alsa.wav", said_number(said, "trigger_time:"), newest_process(said).first, ended_at);
    ASSERT_TRUE(vm.shell("cat /run/out", &said));
    size_t statistics = 0;
    for (size_t at = said.find("Screens/sec"); at != std::string::npos; at = said.find("Screens/sec", at + 1))
        statistics++;
    EXPECT_EQ(statistics, 16u) << said;  // one line a step, blank screens aside
    // The clock runs on while the demo is hidden: the run is no longer.
    EXPECT_LT(run_time, 215) << said;
    console_is_clean("the normal end");
    double full_run_done = test_now_ms() / 1000.0;

    // The paged 640x480 mode, ended with Ctrl+C typed on its console.
    ASSERT_TRUE(start_demo("0\\n5\\n"));
    EXPECT_TRUE(title_seen(PAGED_640x480, is_hold, 8));
    EXPECT_TRUE(title_seen(PAGED_640x480, is_fade_out, 8));
    ASSERT_TRUE(vm.monitor_do("sendkey ctrl-c"));
    EXPECT_TRUE(ended_with(128 + SIGINT, 20));
    console_is_clean("Ctrl+C");

    // Signals sent from elsewhere, three seconds in; the first with music on
    // device 1 (OSS).
    for (int sig : {SIGTERM, SIGSEGV}) {
        ASSERT_TRUE(vm.capture_start(vm.dir + "/ending.wav"));
        ASSERT_TRUE(start_demo(sig == SIGTERM ? "3\\n1\\n22050\\n2\\n" : "0\\n2\\n"));
        pause_for(3);
        // The demo is the older of its two processes.
        ASSERT_TRUE(vm.shell("kill -" + std::to_string(sig) + " $(pidof quarrow-vga | tr ' ' '\\n' | sort -n | head -1)"));
        EXPECT_TRUE(ended_with(128 + sig, 20)) << strsignal(sig);
        ASSERT_TRUE(vm.capture_stop());
        EXPECT_TRUE(sig != SIGTERM || sound_seconds(vm.dir + "/ending.wav") > 1.0) << "no music through OSS";
        console_is_clean(strsignal(sig));
    }

    // SIGKILL cannot be caught: the restore command gives the console back.
    ASSERT_TRUE(start_demo("0\\n2\\n"));
    pause_for(3);
    ASSERT_TRUE(vm.shell("kill -9 $(pidof quarrow-vga)"));
    EXPECT_TRUE(ended_with(128 + SIGKILL, 20));
    ASSERT_TRUE(vm.on_tty1("./quarrow-restore-console >/dev/null"));
    console_is_clean("SIGKILL and quarrow-restore-console");

    // Last, when the other real-time tests are done: music on device 4 with
    // the card itself as ALSA's default, which only one process may open, so
    // the dialogue's probe must have let go of it; the card starts and stops
    // close to music_start and music_stop. The emulated processor takes many
    // times longer than a real one to load the module, so the start may take
    // the music process's own work on top.
    ASSERT_TRUE(note_card_start());
    ASSERT_TRUE(vm.capture_start(vm.dir + "/harness.wav"));
    ASSERT_TRUE(vm.shell("cd /demo && printf '4\\n4\\n44100\\n' | ALSA_CONFIG_PATH=/etc/asound-hw.conf "
                         "./music-harness end 3 2>&1 >/dev/null; cat /run/noted", &said));
    ASSERT_TRUE(vm.capture_stop());
    double card_started = said_number(said, "trigger_time:"), played = sound_seconds(vm.dir + "/harness.wav");
    double start_delay = card_started - said_number(said, "music_start_ms ") / 1000, busy = newest_process(said).second;
    double stop_delay = card_started + played - said_number(said, "music_stop_ms ") / 1000;
    printf("ALSA on the card itself: started after %.0f ms (%.0f ms of them the music process's own work), "
           "stopped after %.0f ms\n", start_delay * 1000, busy * 1000, stop_delay * 1000);
    EXPECT_GT(played, 2.5) << said;
    EXPECT_LE(start_delay - busy, 0.2) << said;
    EXPECT_LE(stop_delay, 0.2) << said;

    double finished = test_now_ms() / 1000.0;
    vm.stop();
    printf("boot %.0f s, whole demo %.0f s, other endings %.0f s, all %.0f s\n", booted - started, run_time,
           finished - full_run_done, test_now_ms() / 1000.0 - started);
    if (!HasFailure())
        test_remove_tree(vm.dir);
    else
        printf("kept %s\n", vm.dir.c_str());
}

}  // namespace
