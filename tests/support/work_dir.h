// A working folder for tests that run effects in-process: pictures are read
// relative to the working directory, so tests change into a folder of their
// own and back again when done.
#pragma once

#include <string>

struct ScopedWorkDir {
    // Makes a new temporary folder, changes into it, and removes it at the end.
    ScopedWorkDir();
    // Changes into dir, which stays when the object goes.
    explicit ScopedWorkDir(const std::string& dir);
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir&) = delete;
    ScopedWorkDir& operator=(const ScopedWorkDir&) = delete;

    std::string path;
    std::string previous;
    bool owned;
};
