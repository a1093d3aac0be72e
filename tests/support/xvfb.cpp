// Xvfb for tests (see xvfb.h). The server picks its own free display number
// (-displayfd) and writes it once it is ready, so parallel tests and other
// users of the machine never collide.
#include "support/xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

bool xvfb_start(Xvfb* server, const char* screen, bool own_ipc)
{
    int ready[2];
    if (pipe(ready) != 0)
        return false;
    pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        int null_fd = open("/dev/null", O_RDWR);
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
        std::string fd = std::to_string(ready[1]);
        std::vector<const char*> args;
        if (own_ipc) {
            args.push_back("/usr/bin/unshare");
            args.push_back("--ipc");
        }
        for (const char* a : {"/usr/bin/Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen,
                              "-nolisten", "tcp", "-noreset"})
            args.push_back(a);
        args.push_back(nullptr);
        execv(args[0], const_cast<char* const*>(args.data()));
        _exit(127);
    }
    close(ready[1]);
    if (pid < 0) {
        close(ready[0]);
        return false;
    }
    std::string line;
    struct pollfd p = {ready[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
        char buf[32];
        ssize_t got = read(ready[0], buf, sizeof buf);
        if (got <= 0)
            break;
        line.append(buf, got);
    }
    close(ready[0]);
    server->pid = pid;
    if (line.find('\n') == std::string::npos) {
        xvfb_stop(server);
        return false;
    }
    server->number = atoi(line.c_str());
    return true;
}

void xvfb_stop(Xvfb* server)
{
    if (server->pid > 0) {
        kill(server->pid, SIGTERM);
        waitpid(server->pid, nullptr, 0);
    }
    server->pid = -1;
    server->number = -1;
}

std::string xvfb_display(const Xvfb& server)
{
    return ":" + std::to_string(server.number);
}

std::string xvfb_unused_display()
{
    for (int n = 4711;; n++) {
        struct stat st;
        std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (stat(socket.c_str(), &st) != 0 && stat(lock.c_str(), &st) != 0)
            return ":" + std::to_string(n);
    }
}
