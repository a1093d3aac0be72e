// The one way the tests start another program: forked with pipes on its
// standard input, output and error, in a given folder and environment; and
// one poll step that collects what it has written so far.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ChildPipes {
    pid_t pid = -1;
    int in_fd = -1;   // write end of its standard input
    int out_fd = -1;  // read end of its standard output
    int err_fd = -1;  // read end of its standard error
};

// Starts argv[0] (a full path) in cwd ("" for ours) with "NAME=value" entries
// added to the environment. SIGPIPE is left at its default in the child, as
// from a terminal, and ignored here so a closed pipe cannot end the test.
// False when no process could be started.
bool spawn_child(ChildPipes* child, const std::vector<std::string>& argv, const std::string& cwd,
                 const std::vector<std::string>& env);

// Starts argv[0] (a full path) like spawn_child, with its standard output
// and error appended to the file log instead of pipes: a daemon that logs
// into a pipe nobody reads stops once the pipe is full.
bool spawn_logged(ChildPipes* child, const std::vector<std::string>& argv, const std::string& cwd,
                  const std::vector<std::string>& env, const std::string& log);

// Waits up to wait_ms for output and appends what is ready to out and err,
// closing a stream once it ends. False when both streams have ended.
bool spawn_collect(ChildPipes* child, std::string* out, std::string* err, int wait_ms);

// Ends the daemons in the reverse of the order they were started: signal
// first, SIGKILL for one still there after 3 s; closes their pipes and
// empties the list.
void spawn_stop_daemons(std::vector<ChildPipes>* daemons, int signal_number);
