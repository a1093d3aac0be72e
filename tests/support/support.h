// Test helpers shared by the test programs: temporary folders, running a
// built program with given input and capturing its output, and reading back
// the indexed PNG files quarrow-render writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/image.h"
#include "demo/script.h"

// Where the build put the programs, and the source tree (with grafika/).
std::string test_bin(const char* program);
std::string test_source_dir();

// Whether program is part of this build: an option, or a library missing
// at configure time, may leave it out.
bool test_built(const char* program);

// Skips the calling test, saying why, when program is not built. A test
// source naming a program here, or in test_bin("..."), depends on it.
#define TEST_NEEDS(program)                                                              \
    if (!test_built(program))                                                            \
    GTEST_SKIP() << program << " is not part of this build (configured off, or its "     \
                                "library was missing when the build was configured)"

// A new empty folder under /tmp, removed by test_remove_tree.
std::string test_make_dir();
void test_remove_tree(const std::string& dir);

// A new empty folder under /tmp that is removed with everything in it when
// the object goes, however the test ends.
struct TempDir {
    TempDir() : path(test_make_dir()) {}
    ~TempDir() { test_remove_tree(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
};

// A new folder to run the demo in: links to the tree's grafika/ and music/.
std::string test_make_demo_dir();

struct RunResult {
    int status;          // exit status, or 128 + signal
    std::string out;     // standard output
    std::string err;     // standard error
};

// Runs argv[0] with the arguments in cwd, feeding input on standard input
// (closed afterwards), with extra "NAME=value" entries added to the
// environment. Waits for the program to end.
RunResult test_run(const std::vector<std::string>& argv, const std::string& cwd,
                   const std::string& input = "", const std::vector<std::string>& env = {});

// An 8-bit indexed PNG as read back from disk.
struct PngFrame {
    int width = 0;
    int height = 0;
    int bit_depth = 0;
    int colour_type = 0;
    std::vector<uint8_t> palette;  // 768 bytes
    std::vector<uint8_t> pixels;   // width x height indices
};
bool test_read_png(const std::string& path, PngFrame* frame);

// Whole file as bytes; empty when missing.
std::string test_read_file(const std::string& path);
void test_write_file(const std::string& path, const std::string& bytes);

// Writes image and palette as grafika/<name> under dir (folder made as
// needed); returns that path relative to dir.
std::string test_write_picture(const std::string& dir, const char* name, const Image& image,
                        const uint8_t* palette);

// A width x height image whose pixels come from f(x, y).
template <typename F>
std::vector<uint8_t> test_pixels(int width, int height, F f)
{
    std::vector<uint8_t> out(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            out[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(f(x, y));
    return out;
}

// Writes a stand-in for each picture the script's rows load into
// dir/grafika, each of the size and palette rules its effect needs, so tests
// can run the script without the demo's own artwork. Smooth, deterministic
// content: gradients and rings.
void test_write_all_pictures(const std::string& dir);

// A TempDir holding those stand-ins.
struct PictureDir : TempDir {
    PictureDir() { test_write_all_pictures(path); }
};

// The path of picture index of the first script row that runs kind.
const char* test_script_picture(StepKind kind, int index = 0);

// Each picture file the script reads, once, in the order the script first
// loads it.
struct ScriptPictureUse {
    ScriptPicture picture;
    std::string name;   // the file name within grafika/
    StepKind kind;      // of the step that loads it first
    int index;          // among that step's pictures
    int step;
    int lines_before;   // statistics lines the script prints before that step
};
std::vector<ScriptPictureUse> test_script_pictures();

// Links the demo's own module in as dir/music/quarrow.xm, where the
// programs look for it. False when it cannot.
bool test_link_module(const std::string& dir);
