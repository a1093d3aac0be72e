// Standard output of code run inside the test process, caught at the file
// descriptor so that printf and anything else writing to it are seen alike.
#pragma once

#include <string>

// From now on standard output goes to a temporary file. Not nested.
void test_stdout_capture_begin();

// Ends the capture, restoring standard output; returns what was written.
std::string test_stdout_capture_end();
