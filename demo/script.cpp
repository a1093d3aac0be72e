// The script table and its runner. Each row is one call with fixed arguments;
// e_05 and e_03 follow their effect directly, everything else starts from a
// blank screen.
#include "demo/script.h"

#include <cstring>

#include "display/display.h"
#include "effects/effects.h"

const char* const DEMO_TITLE = "quarrow for LINUX by tobrak";

enum StepKind { STEP_BLANK, STEP_PICTURE_SHOW, STEP_E01, STEP_E02, STEP_E03, STEP_E04, STEP_E05,
                STEP_E06, STEP_E07 };

struct ScriptStep {
    StepKind kind;
    unsigned duration;  // tenths of a second
    float red, green, blue;
    const char* path;
};

static const ScriptStep script_table[SCRIPT_STEPS] = {
    {STEP_PICTURE_SHOW, 100, 0, 0, 0, "grafika/linux.pcx"},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E04, 100, 0.7f, 0.9f, 1.3f, "grafika/e_04-1.pcx"},
    {STEP_E05, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E04, 100, 1.1f, 0.8f, 0.6f, "grafika/e_04-2.pcx"},
    {STEP_E05, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E04, 100, 0.8f, 1.2f, 0.6f, "grafika/e_04-3.pcx"},
    {STEP_E05, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E02, 350, 0, 0, 0, nullptr},
    {STEP_E03, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E06, 300, 0, 0, 0, nullptr},
    {STEP_E05, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E07, 300, 0, 0, 0, nullptr},
    {STEP_E05, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_E01, 400, 0, 0, 0, nullptr},
    {STEP_E03, 0, 0, 0, 0, nullptr},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
    {STEP_PICTURE_SHOW, 100, 0, 0, 0, "grafika/linux.pcx"},
    {STEP_BLANK, 0, 0, 0, 0, nullptr},
};

void blank_screen(Image* frame)
{
    memset(shared_palette, 0, sizeof shared_palette);
    display_set_palette(shared_palette);
    image_fill(frame, 0);
    display_present(frame);
}

const char* script_step_label(int step)
{
    if (step < 1 || step > SCRIPT_STEPS)
        return "blank";
    switch (script_table[step - 1].kind) {
    case STEP_BLANK: return "blank";
    case STEP_PICTURE_SHOW: return "e_04";
    case STEP_E01: return "e_01";
    case STEP_E02: return "e_02";
    case STEP_E03: return "e_03";
    case STEP_E04: return "e_04";
    case STEP_E05: return "e_05";
    case STEP_E06: return "e_06";
    case STEP_E07: return "e_07";
    }
    return "blank";
}

static void script_step_run(Image* frame, const ScriptStep* step)
{
    switch (step->kind) {
    case STEP_BLANK: blank_screen(frame); break;
    case STEP_PICTURE_SHOW: effect_picture_show(frame, step->duration, step->path); break;
    case STEP_E01: effect_e01(frame, step->duration); break;
    case STEP_E02: effect_e02(frame, step->duration); break;
    case STEP_E03: effect_e03(frame); break;
    case STEP_E04:
        effect_e04(frame, step->duration, step->red, step->green, step->blue, step->path);
        break;
    case STEP_E05: effect_e05(frame); break;
    case STEP_E06: effect_e06(frame, step->duration); break;
    case STEP_E07: effect_e07(frame, step->duration); break;
    }
}

void script_run(Image* frame, void (*on_step)(int step, const char* label))
{
    for (int i = 0; i < SCRIPT_STEPS; i++) {
        if (on_step)
            on_step(i + 1, script_step_label(i + 1));
        script_step_run(frame, &script_table[i]);
    }
}
