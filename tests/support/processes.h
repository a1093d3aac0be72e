// Test helpers for programs that outlive a single call: start one without
// waiting for it, read its output as it comes, and watch processes (its own
// children included) through /proc.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/spawn.h"
#include "support/support.h"

struct BackgroundRun : ChildPipes {
    std::string out;  // standard output read so far
    std::string err;  // standard error read so far
    int status = -1;  // exit status, or 128 + signal, once test_spawn_wait_exit saw the end
};

// Starts argv[0] in cwd with input on standard input (written whole, then
// closed; keep it under a pipe's capacity) and returns at once.
BackgroundRun test_spawn(const std::vector<std::string>& argv, const std::string& cwd,
                   const std::string& input);

// Starts argv[0] in cwd with "NAME=value" entries added to the environment,
// keeping its standard input open for test_spawn_write. False when no
// process could be started.
bool test_spawn_open(BackgroundRun* child, const std::vector<std::string>& argv,
                     const std::string& cwd, const std::vector<std::string>& env);
void test_spawn_write(BackgroundRun* child, const std::string& text);
void test_spawn_close_input(BackgroundRun* child);

// Collects output until standard output holds text or timeout_ms passed;
// true when found.
bool test_spawn_wait_output(BackgroundRun* child, const std::string& text, int timeout_ms);

// Collects the rest of the output and waits for the end, setting status;
// false (and the child killed) when it did not end within timeout_ms.
bool test_spawn_wait_exit(BackgroundRun* child, int timeout_ms);

// Reads both outputs until standard error holds marker; false after
// timeout_ms without it.
bool test_spawn_wait_for(BackgroundRun* run, const std::string& marker, int timeout_ms);

// Waits for the program to end and collects the rest of its output. Output
// still held open by a process it left behind is read for at most linger_ms
// after it ended, so a stray child cannot hang the test.
RunResult test_spawn_finish(BackgroundRun* run, int linger_ms = 3000);

// From now on orphaned descendants of this process are re-parented to it,
// so the tests can reap them and see how they ended.
void test_become_subreaper();

// The state letter of pid in /proc ('R', 'S', 'Z', ...), or 0 when there is
// no such process.
char test_proc_state(pid_t pid);

// User plus system CPU time pid has used, in seconds; negative when gone.
double test_proc_cpu_seconds(pid_t pid);

// Waits up to timeout_ms until pid has ended: reaped here when it is a child
// of this process (status then set as waitpid gives it), else gone from /proc
// or left as another parent's zombie.
bool test_wait_gone(pid_t pid, int timeout_ms, int* status = nullptr);
