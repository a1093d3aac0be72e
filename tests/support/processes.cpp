// Spawning programs and watching processes (see processes.h).
#include "support/processes.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/timing.h"

BackgroundRun test_spawn(const std::vector<std::string>& argv, const std::string& cwd,
                         const std::string& input)
{
    BackgroundRun run;
    if (!spawn_child(&run, argv, cwd, {}))
        return run;
    if (!input.empty())
        (void)!write(run.in_fd, input.data(), input.size());
    close(run.in_fd);
    run.in_fd = -1;
    return run;
}

bool test_spawn_wait_for(BackgroundRun* run, const std::string& marker, int timeout_ms)
{
    long deadline = test_now_ms() + timeout_ms;
    while (run->err.find(marker) == std::string::npos) {
        long left = deadline - test_now_ms();
        if (left <= 0 || !spawn_collect(run, &run->out, &run->err, static_cast<int>(left < 50 ? left : 50)))
            return run->err.find(marker) != std::string::npos;
    }
    return true;
}

RunResult test_spawn_finish(BackgroundRun* run, int linger_ms)
{
    int status = 0;
    bool ended = false;
    long ended_at = 0;
    for (;;) {
        bool open = spawn_collect(run, &run->out, &run->err, 50);
        if (!ended && waitpid(run->pid, &status, WNOHANG) == run->pid) {
            ended = true;
            ended_at = test_now_ms();
        }
        if (ended && (!open || test_now_ms() - ended_at >= linger_ms))
            break;
        if (!open)
            test_sleep_ms(10);
    }
    for (int* fd : {&run->out_fd, &run->err_fd}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return RunResult{code, run->out, run->err};
}

bool test_spawn_open(BackgroundRun* child, const std::vector<std::string>& argv, const std::string& cwd,
                 const std::vector<std::string>& env)
{
    return spawn_child(child, argv, cwd, env);
}

void test_spawn_write(BackgroundRun* child, const std::string& text)
{
    if (child->in_fd >= 0)
        (void)!write(child->in_fd, text.data(), text.size());
}

void test_spawn_close_input(BackgroundRun* child)
{
    if (child->in_fd >= 0)
        close(child->in_fd);
    child->in_fd = -1;
}

bool test_spawn_wait_output(BackgroundRun* child, const std::string& text, int timeout_ms)
{
    long end = test_now_ms() + timeout_ms;
    while (child->out.find(text) == std::string::npos) {
        long left = end - test_now_ms();
        if (left <= 0 || !spawn_collect(child, &child->out, &child->err, static_cast<int>(left)))
            return child->out.find(text) != std::string::npos;
    }
    return true;
}

bool test_spawn_wait_exit(BackgroundRun* child, int timeout_ms)
{
    long end = test_now_ms() + timeout_ms;
    bool ended = true;
    while (spawn_collect(child, &child->out, &child->err, 100)) {
        if (test_now_ms() > end) {
            ended = false;
            kill(child->pid, SIGKILL);
            break;
        }
    }
    test_spawn_close_input(child);
    for (int* fd : {&child->out_fd, &child->err_fd}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    int status = 0;
    waitpid(child->pid, &status, 0);
    child->status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return ended;
}

void test_become_subreaper()
{
    prctl(PR_SET_CHILD_SUBREAPER, 1);
}

// The fields of /proc/pid/stat after the command name, or empty when gone.
static std::vector<std::string> stat_fields(pid_t pid)
{
    std::string text = test_read_file("/proc/" + std::to_string(pid) + "/stat");
    size_t close_paren = text.rfind(')');
    std::vector<std::string> fields;
    if (close_paren == std::string::npos)
        return fields;
    size_t at = close_paren + 1;
    while (at < text.size()) {
        size_t start = text.find_first_not_of(" \n", at);
        if (start == std::string::npos)
            break;
        size_t end = text.find_first_of(" \n", start);
        fields.push_back(text.substr(start, end - start));
        at = end == std::string::npos ? text.size() : end;
    }
    return fields;
}

char test_proc_state(pid_t pid)
{
    std::vector<std::string> fields = stat_fields(pid);
    return fields.empty() ? 0 : fields[0][0];
}

double test_proc_cpu_seconds(pid_t pid)
{
    // utime and stime are the 14th and 15th fields, the 12th and 13th after the name
    std::vector<std::string> fields = stat_fields(pid);
    if (fields.size() < 13)
        return -1.0;
    double ticks = strtod(fields[11].c_str(), nullptr) + strtod(fields[12].c_str(), nullptr);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool test_wait_gone(pid_t pid, int timeout_ms, int* status)
{
    long deadline = test_now_ms() + timeout_ms;
    for (;;) {
        int st = 0;
        pid_t got = waitpid(pid, &st, WNOHANG);
        if (got == pid) {
            if (status)
                *status = st;
            return true;
        }
        if (got < 0 && errno == ECHILD) {
            char state = test_proc_state(pid);
            if (state == 0 || state == 'Z')
                return true;
        }
        if (test_now_ms() >= deadline)
            return false;
        test_sleep_ms(20);
    }
}
