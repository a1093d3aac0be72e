// Starting programs and collecting their output (see spawn.h).
#include "support/spawn.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/processes.h"

// A build for another processor (the 32-bit PC build) names the emulator
// that runs its programs here; each of its ELF files is started through it.
static bool needs_emulator(const std::string& path)
{
#ifdef QUARROW_TEST_EMULATOR
    unsigned char head[5] = {0};
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    size_t got = fread(head, 1, sizeof head, file);
    fclose(file);
    return got == sizeof head && memcmp(head, "\x7f" "ELF", 4) == 0 && head[4] == 1;
#else
    (void)path;
    return false;
#endif
}

static std::vector<std::string> emulated(const std::vector<std::string>& argv)
{
    std::vector<std::string> line;
#ifdef QUARROW_TEST_EMULATOR
    const char* words = QUARROW_TEST_EMULATOR;
    while (*words) {
        size_t length = strcspn(words, " ");
        if (length > 0)
            line.emplace_back(words, length);
        words += length + (words[length] == ' ');
    }
#endif
    line.insert(line.end(), argv.begin(), argv.end());
    return line;
}

bool spawn_child(ChildPipes* child, const std::vector<std::string>& argv, const std::string& cwd,
                 const std::vector<std::string>& env)
{
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe(in_pipe) || pipe(out_pipe) || pipe(err_pipe))
        return false;
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGPIPE, SIG_DFL);
        dup2(in_pipe[0], 0);
        dup2(out_pipe[1], 1);
        dup2(err_pipe[1], 2);
        for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
            close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0)
            _exit(126);
        for (const std::string& entry : env)
            putenv(strdup(entry.c_str()));
        const bool emulate = !argv.empty() && needs_emulator(argv[0]);
        const std::vector<std::string> line = emulate ? emulated(argv) : argv;
        std::vector<char*> args;
        for (const std::string& a : line)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        if (emulate)
            execvp(args[0], args.data());
        else
            execv(args[0], args.data());
        _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    signal(SIGPIPE, SIG_IGN);
    child->pid = pid;
    child->in_fd = in_pipe[1];
    child->out_fd = out_pipe[0];
    child->err_fd = err_pipe[0];
    return pid > 0;
}

bool spawn_logged(ChildPipes* child, const std::vector<std::string>& argv, const std::string& cwd,
                  const std::vector<std::string>& env, const std::string& log)
{
    // The shell gives way to the program, which keeps the shell's id.
    std::vector<std::string> through_shell{"/bin/sh", "-c", "exec \"$0\" \"$@\" >>'" + log + "' 2>&1"};
    through_shell.insert(through_shell.end(), argv.begin(), argv.end());
    return spawn_child(child, through_shell, cwd, env);
}

bool spawn_collect(ChildPipes* child, std::string* out, std::string* err, int wait_ms)
{
    struct pollfd fds[2] = {{child->out_fd, POLLIN, 0}, {child->err_fd, POLLIN, 0}};
    if (child->out_fd < 0 && child->err_fd < 0)
        return false;
    if (poll(fds, 2, wait_ms) <= 0)
        return true;
    for (int i = 0; i < 2; i++) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        char buf[65536];
        ssize_t got = read(fds[i].fd, buf, sizeof buf);
        int* fd = i == 0 ? &child->out_fd : &child->err_fd;
        if (got <= 0) {
            close(*fd);
            *fd = -1;
        } else {
            (i == 0 ? out : err)->append(buf, static_cast<size_t>(got));
        }
    }
    return true;
}

void spawn_stop_daemons(std::vector<ChildPipes>* daemons, int signal_number)
{
    for (auto daemon = daemons->rbegin(); daemon != daemons->rend(); ++daemon) {
        if (daemon->pid > 0) {
            kill(daemon->pid, signal_number);
            if (!test_wait_gone(daemon->pid, 3000)) {
                kill(daemon->pid, SIGKILL);
                waitpid(daemon->pid, nullptr, 0);
            }
        }
        for (int fd : {daemon->in_fd, daemon->out_fd, daemon->err_fd})
            if (fd >= 0)
                close(fd);
    }
    daemons->clear();
}
