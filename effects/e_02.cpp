// e_02: a grey picture under a rippling water surface. A 160 x 120 height
// field runs a damped wave equation, one step a frame; the picture is drawn
// through it at half resolution and doubled into the frame buffer.
#include "effects/e_02.h"

#include <cstdlib>
#include <cstring>

#include "core/fatal.h"
#include "core/fp_round.h"
#include "core/random.h"
#include "core/trig.h"
#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

enum {
    RAIN_TENTHS = 120,     // random drops until 12 s
    SOURCE_TENTHS = 160,   // the circling source from 16 s ...
    CALM_TENTHS = 40,      // ... until 4 s before the end
    PHASE_STEP = 10,       // thousandths of a turn per frame
};

void e02_render(Image* work, const int32_t* field, const uint8_t* picture, size_t size)
{
    // Slopes are taken forward in storage order, so the bottom row's cell
    // below is the top cell of the next column: a border cell, always 0.
    const int64_t last = static_cast<int64_t>(size) - 1;
    for (int y = 0; y < E02_ROWS; y++) {
        uint8_t* out = work->pixels + y * E02_COLUMNS;
        for (int x = 0; x < E02_COLUMNS - 1; x++) {
            const int32_t* cell = field + x * E02_ROWS + y;
            int32_t dx = cell[0] - cell[E02_ROWS];
            int32_t dy = cell[0] - cell[1];
            int32_t shade = 128 - dx;
            if (shade < 0)
                shade = 0;
            else if (shade > 255)
                shade = 255;
            int64_t index = static_cast<int64_t>(x + (dx >> 3)) * E02_ROWS + (y + (dy >> 3));
            if (index < 0)
                index = 0;
            else if (index > last)
                index = last;
            int32_t texel = last >= 0 ? picture[index] : 0;
            out[x] = static_cast<uint8_t>((shade * texel) >> 8);
        }
        out[E02_COLUMNS - 1] = out[E02_COLUMNS - 2];
    }
}

void e02_wave_step(const int32_t* current, int32_t* previous)
{
    for (int x = 1; x < E02_COLUMNS - 1; x++) {
        const int32_t* h = current + x * E02_ROWS;
        int32_t* n = previous + x * E02_ROWS;
        for (int y = 1; y < E02_ROWS - 1; y++) {
            int32_t v = ((h[y - E02_ROWS] + h[y + E02_ROWS] + h[y - 1] + h[y + 1]) >> 1) - n[y];
            n[y] = v - (v >> 4);
        }
    }
}

void e02_drops(int32_t* field, int frames, double s, unsigned duration)
{
    if (s < RAIN_TENTHS) {
        // The chance of a drop, (n + 1) / (n + 3), grows every 64 frames.
        if (random_below((frames >> 6) + 3) >= 2) {
            int a = random_below(96);
            int b = random_below(118);
            int v = random_below(400);
            field[(a + 32) * E02_ROWS + b + 1] = v;
        }
    } else if (s >= SOURCE_TENTHS && s < static_cast<double>(duration) - CALM_TENTHS) {
        int phase = PHASE_STEP * frames;
        int x = 80 + (53 * trig_sin(phase)) / 1023;
        int y = 60 + (40 * trig_cos(phase)) / 1023;
        field[x * E02_ROWS + y] = random_below(400);
    }
}

struct E02Run {
    Image* work;
    Image* picture;
    size_t picture_size;
    int32_t* fields[2];
    int current;
    unsigned duration;
};

static const uint8_t* e02_frame(void* scene, Image* frame, const FrameLoop*)
{
    E02Run* run = static_cast<E02Run*>(scene);
    e02_render(run->work, run->fields[run->current], run->picture->pixels, run->picture_size);
    image_blit_scaled(frame, 0, 0, frame->width, frame->height, run->work, 0, 0, E02_COLUMNS,
                      E02_ROWS, 0, 0);
    return nullptr;
}

// The drops of the frame just counted, then the next generation of waves.
static void e02_after(void* scene, const FrameLoop* loop)
{
    E02Run* run = static_cast<E02Run*>(scene);
    e02_drops(run->fields[run->current], loop->frames, fp_double(loop->t * 0.01), run->duration);
    e02_wave_step(run->fields[run->current], run->fields[1 - run->current]);
    run->current = 1 - run->current;
}

static void e02_release(void* scene)
{
    E02Run* run = static_cast<E02Run*>(scene);
    image_free(&run->work);
    image_free(&run->picture);
    free(run->fields[0]);
    free(run->fields[1]);
}

void effect_e02(Image* frame, unsigned duration, const char* path)
{
    E02Run run;
    run.work = effect_image(E02_COLUMNS, E02_ROWS);
    run.picture = effect_picture(path);
    run.fields[0] = static_cast<int32_t*>(malloc(E02_CELLS * sizeof(int32_t)));
    run.fields[1] = static_cast<int32_t*>(malloc(E02_CELLS * sizeof(int32_t)));
    if (!run.fields[0] || !run.fields[1])
        demo_fatal(MSG_CANNOT_ALLOCATE);
    memset(run.fields[0], 0, E02_CELLS * sizeof(int32_t));
    memset(run.fields[1], 0, E02_CELLS * sizeof(int32_t));
    run.current = 0;
    run.duration = duration;

    for (int k = 0; k < 256; k++)
        shared_palette[3 * k] = shared_palette[3 * k + 1] = shared_palette[3 * k + 2] =
            static_cast<uint8_t>(k);
    display_set_palette(shared_palette);

    run.picture_size =
        static_cast<size_t>(run.picture->width) * static_cast<size_t>(run.picture->height);
    const EffectPlan plan = {"e_02", duration, false, e02_frame, nullptr, e02_after, e02_release};
    effect_play(&plan, &run, frame);
}
