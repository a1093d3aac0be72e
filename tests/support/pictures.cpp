// Stand-in pictures for tests (see test_write_all_pictures in support.h), one
// for every picture a row of the script reads, of the size the row gives.
#include <cmath>
#include <cstring>
#include <functional>

#include "support/support.h"

const char* test_script_picture(StepKind kind, int index)
{
    for (int step = 1; step <= SCRIPT_STEPS; step++)
        if (script_step(step)->kind == kind)
            return script_step(step)->pictures[index].path;
    return nullptr;
}

std::vector<ScriptPictureUse> test_script_pictures()
{
    std::vector<ScriptPictureUse> uses;
    int lines = 0;
    for (int step = 1; step <= SCRIPT_STEPS; step++) {
        const ScriptStep* row = script_step(step);
        for (int i = 0; i < SCRIPT_MAX_PICTURES && row->pictures[i].path; i++) {
            const ScriptPicture& p = row->pictures[i];
            bool seen = false;
            for (const ScriptPictureUse& use : uses)
                seen |= strcmp(use.picture.path, p.path) == 0;
            if (!seen)
                uses.push_back({p, strrchr(p.path, '/') + 1, row->kind, i, step, lines});
        }
        lines += row->kind != STEP_BLANK;
    }
    return uses;
}

// What a stand-in shows: smooth, deterministic content that the effects'
// tests know (e_02's column c, row r holds 2c + r; e_01's colour 89 is its
// transparent one and only 0..127 keep the file's colours).
static std::function<int(int, int)> stand_in(StepKind kind, int index, int relief)
{
    switch (kind) {
    case STEP_PICTURE_SHOW: return [](int x, int y) { return (x + 2 * y) & 255; };
    case STEP_E04: {
        static const double rings[3][3] = {{160, 120, 90}, {100, 100, 70}, {220, 140, 110}};
        const double* r = rings[relief % 3];
        return [r](int x, int y) {
            double d = std::sqrt((x - r[0]) * (x - r[0]) + (y - r[1]) * (y - r[1]));
            return d < r[2] ? static_cast<int>(60 * (1 + std::cos(d / r[2] * 3.14159))) : 0;
        };
    }
    case STEP_E02: return [](int x, int y) { return (x * 2 + y) & 255; };
    case STEP_E06:
        if (index == 0)
            return [](int x, int y) { return ((x >> 4) ^ (y >> 4)) * 16 + 8; };
        if (index == 1)
            return [](int x, int y) { return x + y; };
        return [](int x, int y) { return 200 - x - y; };
    case STEP_E07: return [](int x, int y) { return (x / 20 + y / 20) * 9 & 255; };
    case STEP_E01:
        return [](int x, int y) { return ((x / 40 + y / 40) & 1) ? 89 : (x + y) & 127; };
    default: return [](int, int) { return 0; };
    }
}

void test_write_all_pictures(const std::string& dir)
{
    uint8_t palette[768];
    for (int i = 0; i < 256; i++) {
        palette[3 * i] = static_cast<uint8_t>(i);
        palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        palette[3 * i + 2] = static_cast<uint8_t>((i * 7) & 255);
    }
    // Title card: components 0 or at least 16 throughout.
    uint8_t title[768];
    for (int i = 0; i < 768; i++)
        title[i] = palette[i] < 16 ? 0 : palette[i];

    int reliefs = 0;
    for (const ScriptPictureUse& use : test_script_pictures()) {
        const ScriptPicture& p = use.picture;
        std::vector<uint8_t> pixels = test_pixels(p.width, p.height, stand_in(use.kind, use.index, reliefs));
        test_write_picture(dir, use.name.c_str(), Image{p.width, p.height, pixels.data()},
                           use.kind == STEP_PICTURE_SHOW ? title : palette);
        reliefs += use.kind == STEP_E04;
    }
}
