// The compositors of the native window's tests (see compositors.h): each
// entry's command line, and starting, keying, shooting and ending them.
#include "support/compositors.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "support/support.h"
#include "support/timing.h"
#include "support/which.h"
#include "support/x11_probe.h"

// The unprivileged user a compositor that refuses root runs as.
static constexpr int NOBODY = 65534;

const std::vector<CompositorKind>& compositor_kinds()
{
    static const std::vector<CompositorKind> kinds = {
        // Its X11 back end in a 24-bit Xvfb: its headless one crashes SDL 2.26.
        {"weston",
         {"weston", "--backend=x11-backend.so", "--use-pixman", "--width=1024", "--height=768",
          "--socket=@SOCKET@", "--log=@DIR@/weston.log"},
         {},
         "",
         true, false, false, KeysBy::X_SERVER, ShotBy::X_SERVER,
         {"xdotool", "xwd", "convert"}},
        // GNOME's compositor: without a virtual monitor it has no output at all.
        {"mutter",
         {"mutter", "--headless", "--virtual-monitor", "1024x768", "--wayland-display", "@SOCKET@"},
         {},
         "",
         false, true, false, KeysBy::REMOTE_DESKTOP, ShotBy::SCREENCAST,
         {"dbus-daemon", "python3", "gst-launch-1.0"}},
        // wlroots' reference compositor. It aborts when a window maps while it
        // has no output, so it is given one; windows float, at the size they
        // ask for, as a user who floats the demo's window sees it.
        {"sway",
         {"sway", "--config", "@DIR@/config"},
         {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
          "WLR_HEADLESS_OUTPUTS=1"},
         "output HEADLESS-1 resolution 1024x768\nfor_window [title=\".*\"] floating enable\n",
         false, false, true, KeysBy::VIRTUAL_KEYBOARD, ShotBy::SCREENCOPY,
         {"setpriv", "wtype", "grim"}},
    };
    return kinds;
}

std::vector<std::string> compositor_names()
{
    std::vector<std::string> names;
    for (const CompositorKind& kind : compositor_kinds())
        names.push_back(kind.name);
    return names;
}

static std::string placed(std::string text, const Compositor& compositor)
{
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"@DIR@", compositor.dir},
                                      {"@SOCKET@", compositor.socket}})
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
            text.replace(at, mark.size(), value);
    return text;
}

// The socket a compositor named itself: the first "wayland-N" in its folder.
static std::string own_socket(const std::string& dir)
{
    std::string found;
    DIR* listing = opendir(dir.c_str());
    while (dirent* entry = listing ? readdir(listing) : nullptr) {
        std::string name = entry->d_name;
        if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos)
            found = name;
    }
    if (listing)
        closedir(listing);
    return found;
}

// Says why the compositor did not start, with the end of its log, and
// ends what was started of it.
static bool not_started(Compositor* compositor, const std::string& what)
{
    compositor->why = compositor->kind->name + ": " + what;
    std::string log = test_read_file(compositor->dir + "/" + compositor->kind->name + ".log");
    compositor->why += log.empty() ? "" : "\n" + log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
    compositor_stop(compositor);
    return false;
}

bool compositor_start(Compositor* compositor, const std::string& name)
{
    for (const CompositorKind& kind : compositor_kinds())
        if (kind.name == name)
            compositor->kind = &kind;
    if (!compositor->kind) {
        compositor->why = "no compositor called " + name;
        return false;
    }
    const CompositorKind& kind = *compositor->kind;
    std::vector<std::string> needed = kind.tools;
    needed.insert(needed.begin(), kind.argv[0]);
    for (const std::string& program : needed)
        if (access(test_which(program.c_str()).c_str(), X_OK) != 0) {
            compositor->why = name + ": " + program + " is not installed";
            return false;
        }

    compositor->dir = test_make_dir();
    const std::string& dir = compositor->dir;
    bool names_socket = false;
    for (const std::string& arg : kind.argv)
        names_socket = names_socket || arg.find("@SOCKET@") != std::string::npos;
    compositor->socket = names_socket ? "quarrow-wayland" : "";
    if (!kind.config.empty())
        test_write_file(dir + "/config", kind.config);
    std::vector<std::string> env{"HOME=" + dir, "XDG_RUNTIME_DIR=" + dir, "XDG_CONFIG_HOME=" + dir + "/config.d",
                                 "WAYLAND_DISPLAY", "DISPLAY"};
    for (const std::string& entry : kind.env)
        env.push_back(entry);
    std::vector<std::string> argv;
    if (kind.unprivileged) {
        (void)!chown(dir.c_str(), NOBODY, NOBODY);
        argv = {test_which("setpriv"), "--reuid=" + std::to_string(NOBODY), "--regid=" + std::to_string(NOBODY),
                "--clear-groups"};
    }
    chmod(dir.c_str(), 0700);
    if (kind.nested_in_x) {
        if (!xvfb_start(&compositor->xvfb, "1280x1024x24"))
            return not_started(compositor, "no Xvfb for it");
        compositor->display = xvfb_display(compositor->xvfb);
        env.push_back("DISPLAY=" + compositor->display);
    }
    if (kind.session_bus) {
        std::string bus = dir + "/bus";
        env.push_back("DBUS_SESSION_BUS_ADDRESS=unix:path=" + bus);
        compositor->daemons.emplace_back();
        spawn_logged(&compositor->daemons.back(),
                     {test_which("dbus-daemon"), "--session", "--nofork", "--nopidfile",
                      "--address=unix:path=" + bus},
                     dir, env, dir + "/dbus.log");
        for (int i = 0; i < 100 && access(bus.c_str(), F_OK) != 0; i++)
            test_sleep_ms(50);
    }
    if (kind.shot == ShotBy::SCREENCAST) {
        if (!sound_server_start(&compositor->pipewire, "PipeWire"))
            return not_started(compositor, "no PipeWire for its screencasts: " + compositor->pipewire.why);
        env.push_back("PIPEWIRE_RUNTIME_DIR=" + compositor->pipewire.dir + "/run");
    }
    argv.push_back(test_which(kind.argv[0].c_str()));
    for (size_t i = 1; i < kind.argv.size(); i++)
        argv.push_back(placed(kind.argv[i], *compositor));
    compositor->daemons.emplace_back();
    if (!spawn_logged(&compositor->daemons.back(), argv, dir, env, dir + "/" + name + ".log"))
        return not_started(compositor, "could not be started");
    for (int i = 0; i < 200; i++) {
        if (!names_socket)
            compositor->socket = own_socket(dir);
        if (!compositor->socket.empty() && access((dir + "/" + compositor->socket).c_str(), F_OK) == 0)
            break;
        if (waitpid(compositor->daemons.back().pid, nullptr, WNOHANG) != 0)
            return not_started(compositor, "ended at start");
        test_sleep_ms(50);
    }
    if (compositor->socket.empty() || access((dir + "/" + compositor->socket).c_str(), F_OK) != 0)
        return not_started(compositor, "made no socket");

    if (kind.nested_in_x) {
        std::string output;
        for (int i = 0; i < 100 && output.empty(); i++) {
            output = x_window_named(compositor->display, "Weston Compositor - screen0");
            test_sleep_ms(50);
        }
        if (output.empty())
            return not_started(compositor, "showed no output window");
        // The X keyboard goes to the compositor from now on, once: each change
        // of X focus takes the keyboard from its windows, and may not give it
        // back. The pointer goes to the corner, where it hides nothing.
        std::vector<std::string> x{"DISPLAY=" + compositor->display};
        test_run({test_which("xdotool"), "windowfocus", "--sync", output}, "", "", x);
        test_run({test_which("xdotool"), "mousemove", std::to_string(Compositor::WIDTH - 4), "4"}, "", "", x);
    }
    if (kind.keys == KeysBy::REMOTE_DESKTOP) {
        // A session lasts as long as the connection that made it.
        if (!test_spawn_open(&compositor->remote,
                             {"/usr/bin/python3", test_source_dir() + "/tests/support/mutter_remote.py"}, dir, env) ||
            !test_spawn_wait_output(&compositor->remote, "ready\n", 10000))
            return not_started(compositor, "gives no remote-desktop keyboard: " + compositor->remote.err);
    }
    test_sleep_ms(1000);  // the shell's panel and background, where there are some, are drawn
    return true;
}

void compositor_stop(Compositor* compositor)
{
    if (compositor->remote.pid > 0) {
        test_spawn_close_input(&compositor->remote);
        if (!test_spawn_wait_exit(&compositor->remote, 3000))
            kill(compositor->remote.pid, SIGKILL);
        compositor->remote.pid = -1;
    }
    spawn_stop_daemons(&compositor->daemons, SIGTERM);
    sound_server_stop(&compositor->pipewire);
    xvfb_stop(&compositor->xvfb);
    if (!compositor->dir.empty())
        test_remove_tree(compositor->dir);
    compositor->dir.clear();
}

std::vector<std::string> compositor_session(const Compositor& compositor)
{
    return {"DISPLAY", "WAYLAND_DISPLAY=" + compositor.socket, "XDG_RUNTIME_DIR=" + compositor.dir,
            "ASAN_OPTIONS=detect_leaks=0"};
}

// Sends one command to the remote-desktop helper; true when it answered.
static bool remote_command(Compositor* compositor, const std::string& line, const std::string& answer)
{
    BackgroundRun* remote = &compositor->remote;
    size_t before = remote->out.size();
    test_spawn_write(remote, line + "\n");
    for (int i = 0; i < 300; i++) {
        size_t at = remote->out.find('\n', before);
        if (at != std::string::npos)
            return remote->out.substr(before, at + 1 - before) == answer;
        spawn_collect(remote, &remote->out, &remote->err, 50);
    }
    return false;
}

void compositor_key(Compositor* compositor, const std::string& key)
{
    switch (compositor->kind->keys) {
    case KeysBy::X_SERVER:
        test_run({test_which("xdotool"), "key", key}, "", "", {"DISPLAY=" + compositor->display});
        break;
    case KeysBy::VIRTUAL_KEYBOARD:
        // Each call is a new keyboard: the window binds it before the key comes.
        test_run({test_which("wtype"), "-s", "300", "-k", key}, "", "", compositor_session(*compositor));
        break;
    case KeysBy::REMOTE_DESKTOP:
        remote_command(compositor, key, "sent\n");
        break;
    }
}

bool compositor_shot(Compositor* compositor_to_ask, Shot* shot)
{
    const Compositor& compositor = *compositor_to_ask;
    switch (compositor.kind->shot) {
    case ShotBy::X_SERVER:
        // The compositor's window is at the top left of the X screen.
        *shot = shot_crop(shot_root_xwd(compositor.display), 0, 0, Compositor::WIDTH, Compositor::HEIGHT);
        return true;
    case ShotBy::SCREENCOPY: {
        std::string ppm = test_run({test_which("grim"), "-t", "ppm", "-"}, "", "", compositor_session(compositor)).out;
        int max = 0, used = 0;
        if (sscanf(ppm.c_str(), "P6 %d %d %d%n", &shot->width, &shot->height, &max, &used) != 3 || max != 255)
            return false;
        shot->rgb = ppm.substr(static_cast<size_t>(used) + 1);
        return shot->rgb.size() == size_t(shot->width) * shot->height * 3;
    }
    case ShotBy::SCREENCAST: {
        std::string file = compositor.dir + "/shot.rgb";
        if (!remote_command(compositor_to_ask, "shot " + file, "shot\n"))
            return false;
        shot->width = Compositor::WIDTH;
        shot->height = Compositor::HEIGHT;
        shot->rgb = test_read_file(file);
        return shot->rgb.size() == size_t(shot->width) * shot->height * 3;
    }
    }
    return false;
}
