// Finding installed programs (ImageMagick, the module players) for tests
// that run them through test_run, which takes a path, not a name.
#pragma once

#include <string>

// The first executable called name in a $PATH directory, or name itself
// when there is none (the run then fails with status 127).
std::string test_which(const char* name);
