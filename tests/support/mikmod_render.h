// Rendering a module file with libmikmod's raw-file driver, as the demo's
// music process would play it, for tests that listen to the result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Plays the whole module at path (absolute) at rate Hz, 16-bit stereo, and
// returns the interleaved samples; empty if it could not be loaded. The
// driver writes music.raw into the working directory, so this runs in a
// temporary one and returns to the old one.
std::vector<int16_t> test_render_module(const std::string& path, int rate);
