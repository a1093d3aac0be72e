// The script table and its runner. Each row is one call with fixed arguments;
// e_05 and e_03 follow their effect directly, everything else starts from a
// blank screen. Retiming or repainting a step is an edit of its row here.
#include "demo/script.h"

#include <cstring>

#include "core/data.h"
#include "display/display.h"
#include "effects/effects.h"

const char* const DEMO_TITLE = "quarrow for LINUX by tobrak";

#define NO_PICTURES {{nullptr, 0, 0}}
#define TITLE {{DATA_TITLE_PICTURE, 320, 240}}
#define BLANK(what) {STEP_BLANK, 0, 0, 0, 0, "blank", what, NO_PICTURES}
#define FADE {STEP_E05, 0, 0, 0, 0, "e_05", "fade to white", NO_PICTURES}
#define SHRINK {STEP_E03, 0, 0, 0, 0, "e_03", "spinning shrink of the last frame", NO_PICTURES}

static const ScriptStep script_table[SCRIPT_STEPS + 1] = {
    BLANK("black screen before the script starts"),
    {STEP_PICTURE_SHOW, 100, 0, 0, 0, "e_04", "title picture fading in and out", TITLE},
    BLANK("black screen"),
    {STEP_E04, 100, 0.7f, 0.9f, 1.3f, "e_04", "spotlit relief, first picture",
     {{"grafika/e_04-1.pcx", 320, 240}}},
    FADE,
    BLANK("black screen"),
    {STEP_E04, 100, 1.1f, 0.8f, 0.6f, "e_04", "spotlit relief, second picture",
     {{"grafika/e_04-2.pcx", 320, 240}}},
    FADE,
    BLANK("black screen"),
    {STEP_E04, 100, 0.8f, 1.2f, 0.6f, "e_04", "spotlit relief, third picture",
     {{"grafika/e_04-3.pcx", 320, 240}}},
    FADE,
    BLANK("black screen"),
    // The water's picture is stored transposed.
    {STEP_E02, 350, 0, 0, 0, "e_02", "water ripples", {{"grafika/e_02.pcx", 120, 160}}},
    SHRINK,
    BLANK("black screen"),
    {STEP_E06, 300, 0, 0, 0, "e_06", "swaying mesh and spinning card",
     {{"grafika/e_06-3.pcx", 256, 256}, {"grafika/e_06-1.pcx", 64, 64},
      {"grafika/e_06-2.pcx", 64, 64}}},
    FADE,
    BLANK("black screen"),
    {STEP_E07, 300, 0, 0, 0, "e_07", "swirling disc", {{"grafika/e_07.pcx", 320, 240}}},
    FADE,
    BLANK("black screen"),
    {STEP_E01, 400, 0, 0, 0, "e_01", "plasma under a scrolling picture",
     {{"grafika/e_01.pcx", 320, 240}}},
    SHRINK,
    BLANK("black screen"),
    {STEP_PICTURE_SHOW, 100, 0, 0, 0, "e_04", "title picture fading in and out", TITLE},
    BLANK("black screen"),
};

void blank_screen(Image* frame)
{
    memset(shared_palette, 0, sizeof shared_palette);
    display_set_palette(shared_palette);
    image_fill(frame, 0);
    display_present(frame);
}

const ScriptStep* script_step(int step)
{
    if (step < 0 || step > SCRIPT_STEPS)
        return nullptr;
    return &script_table[step];
}

const char* script_step_label(int step)
{
    const ScriptStep* row = script_step(step);
    return row ? row->label : "blank";
}

static void script_step_run(Image* frame, const ScriptStep* step)
{
    const ScriptPicture* picture = step->pictures;
    switch (step->kind) {
    case STEP_BLANK: blank_screen(frame); break;
    case STEP_PICTURE_SHOW: effect_picture_show(frame, step->duration, picture[0].path); break;
    case STEP_E01: effect_e01(frame, step->duration, picture[0].path); break;
    case STEP_E02: effect_e02(frame, step->duration, picture[0].path); break;
    case STEP_E03: effect_e03(frame); break;
    case STEP_E04:
        effect_e04(frame, step->duration, step->red, step->green, step->blue, picture[0].path);
        break;
    case STEP_E05: effect_e05(frame); break;
    case STEP_E06:
        effect_e06(frame, step->duration, picture[0].path, picture[1].path, picture[2].path);
        break;
    case STEP_E07: effect_e07(frame, step->duration, picture[0].path); break;
    }
}

void script_run(Image* frame, void (*on_step)(int step, const char* label))
{
    for (int step = 1; step <= SCRIPT_STEPS; step++) {
        if (on_step)
            on_step(step, script_table[step].label);
        script_step_run(frame, &script_table[step]);
    }
}
