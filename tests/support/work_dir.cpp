// ScopedWorkDir (see work_dir.h).
#include "support/work_dir.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include "support/support.h"

static std::string current_dir()
{
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) ? buffer : "/";
}

ScopedWorkDir::ScopedWorkDir() : path(test_make_dir()), previous(current_dir()), owned(true)
{
    if (chdir(path.c_str()) != 0)
        ADD_FAILURE() << "cannot change into " << path;
}

ScopedWorkDir::ScopedWorkDir(const std::string& dir) : path(dir), previous(current_dir()), owned(false)
{
    if (chdir(dir.c_str()) != 0)
        ADD_FAILURE() << "cannot change into " << dir;
}

ScopedWorkDir::~ScopedWorkDir()
{
    if (chdir(previous.c_str()) != 0) {
        ADD_FAILURE() << "cannot change back into " << previous;
        return;
    }
    if (owned)
        test_remove_tree(path);
}
