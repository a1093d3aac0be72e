// What quarrow-render has not finished yet: files written under a temporary
// name or still being written, and the children writing them. Unless the
// run commits them, any end (a failure, exit, SIGINT, SIGTERM, SIGHUP)
// stops the children and removes the files, so nothing half-made is left.
#include <limits.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/record/record_leftovers.h"

// Fixed buffers and plain values: the signal handler reads them, and may
// only call kill, waitpid, unlink and raise.
static char pending_path[RECORD_PENDING_COUNT][PATH_MAX];
static volatile pid_t pending_child[RECORD_PENDING_COUNT];
static pid_t owner;
static const int HANDLED_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

static sigset_t handled_signals()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal_number : HANDLED_SIGNALS)
        sigaddset(&set, signal_number);
    return set;
}

void record_pending_file(RecordPending slot, const char* path)
{
    // A handler running half-way through the copy would remove a name that
    // is only the start of this one.
    sigset_t blocked = handled_signals(), previous;
    sigprocmask(SIG_BLOCK, &blocked, &previous);
    if (path && strlen(path) < sizeof pending_path[slot])
        strcpy(pending_path[slot], path);
    else
        pending_path[slot][0] = '\0';
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

void record_pending_child(RecordPending slot, pid_t pid)
{
    pending_child[slot] = pid;
}

// Stops the pending children and removes the pending files.
static void record_leftovers_remove()
{
    if (getpid() != owner)
        return;
    for (int slot = 0; slot < RECORD_PENDING_COUNT; slot++) {
        pid_t pid = pending_child[slot];
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pending_child[slot] = 0;
        }
    }
    for (int slot = 0; slot < RECORD_PENDING_COUNT; slot++) {
        if (pending_path[slot][0]) {
            unlink(pending_path[slot]);
            pending_path[slot][0] = '\0';
        }
    }
}

static void stopped(int signal_number)
{
    record_leftovers_remove();
    // Ends the program as the signal would have, so the caller sees why.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

void record_leftovers_install()
{
    owner = getpid();
    atexit(record_leftovers_remove);
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = stopped;
    action.sa_mask = handled_signals();
    for (int signal_number : HANDLED_SIGNALS) {
        // A signal the caller ignores (nohup, a background job) stays ignored.
        struct sigaction current;
        if (sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        sigaction(signal_number, &action, nullptr);
    }
}

void record_fail(const char* message)
{
    fflush(stdout);
    fprintf(stderr, "%s\n", message);
    exit(1);
}
