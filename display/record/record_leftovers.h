// Unfinished work of quarrow-render, removed on any end the run does not
// commit: the index and the video under their temporary names, the frame
// being written, and the child writing the video.
#pragma once

#include <sys/types.h>

enum RecordPending { RECORD_INDEX, RECORD_FRAME, RECORD_VIDEO, RECORD_PENDING_COUNT };

// The file now pending in slot (null: none, it is finished or committed).
void record_pending_file(RecordPending slot, const char* path);

// The child now writing for slot (0: none); killed and reaped on a failed end.
void record_pending_child(RecordPending slot, pid_t pid);

// Removes whatever is pending at exit and on SIGINT, SIGTERM and SIGHUP (the
// program then ends by that signal). Called once by quarrow-render.
void record_leftovers_install();

// Ends a failed run at once: message on standard error, pending work
// removed, exit status 1.
[[noreturn]] void record_fail(const char* message);
