// Starting programs and collecting their output (see spawn.h).
#include "support/spawn.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
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
