// The swirling disc ("e_07"): a band of the picture wrapped around the
// centre as 16 sectors by 11 rings of quads; the disc turns, every ring
// turns a little more or less, and the picture itself scrolls underneath.
#include "effects/e_07.h"

#include <cmath>

#include "core/fatal.h"
#include "core/fp_round.h"
#include "core/trig.h"
#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

int32_t e07_ring_step(int32_t width, int32_t height)
{
    // The outermost ring lies about 5 % beyond the frame's half-diagonal.
    uint32_t half_w = static_cast<uint32_t>(width >> 1);
    uint32_t half_h = static_cast<uint32_t>(height >> 1);
    uint32_t squares = half_w * half_w + half_h * half_h;
    return static_cast<int32_t>(
        fp_double(fp_double(sqrt(static_cast<double>(squares))) * 0.09545454545454546));
}

void e07_init(E07Scene* scene, const Image* frame, Image* picture, EdgeEntry* table_a,
              EdgeEntry* table_b)
{
    int32_t step = e07_ring_step(frame->width, frame->height);
    for (int s = 0; s < E07_SPOKES; s++) {
        int32_t angle = (1000 * s) / 16;
        for (int k = 0; k < E07_RINGS; k++) {
            int32_t radius = k * step;
            scene->base[s * E07_RINGS + k] = {(trig_sin(angle) * radius) >> 10,
                                              (trig_cos(angle) * radius) >> 10};
        }
    }
    // Ring segment k takes texture columns u(k+1)..u(k+2) of the band of
    // rows hv..hq.
    uint32_t column_step = (static_cast<uint32_t>(picture->width) << 8) / 15;
    uint32_t row_step = (static_cast<uint32_t>(picture->height) << 8) / 15;
    int32_t hv = static_cast<int32_t>(row_step >> 8);
    int32_t hq = static_cast<int32_t>(row_step >> 6);
    for (int k = 0; k < E07_RINGS; k++) {
        int32_t inner = static_cast<int32_t>((static_cast<uint32_t>(k + 1) * column_step) >> 8);
        int32_t outer = static_cast<int32_t>((static_cast<uint32_t>(k + 2) * column_step) >> 8);
        scene->band[k][0] = {inner, hv};
        scene->band[k][1] = {outer, hv};
        scene->band[k][2] = {outer, hq};
        scene->band[k][3] = {inner, hq};
    }
    scene->centre = {frame->width >> 1, frame->height >> 1};
    scene->picture = picture;
    scene->table_a = table_a;
    scene->table_b = table_b;
}

static inline PolyPoint turn_point(PolyPoint p, int32_t sn, int32_t cs)
{
    return {(cs * p.x - sn * p.y) >> 10, (sn * p.x + cs * p.y) >> 10};
}

void e07_draw(E07Scene* scene, Image* frame, int32_t t)
{
    Image* picture = scene->picture;
    if ((t & 7) == 0)
        rotate_picture_down(picture, 3);
    rotate_picture_right(picture, 7);

    // Both turns start again from the fixed points, so their rounding never
    // accumulates from frame to frame.
    int32_t g = (trig_sin(4 * t) >> 3) + 8 * t;
    int32_t sn = trig_sin(g), cs = trig_cos(g);
    for (int i = 0; i < E07_SPOKES * E07_RINGS; i++)
        scene->turned[i] = turn_point(scene->base[i], sn, cs);
    for (int k = 0; k < E07_RINGS; k++) {
        int32_t c = (trig_sin(4 * t * k) >> 5) + 4 * t + (trig_cos(4 * t) >> 4);
        int32_t ring_sn = trig_sin(c), ring_cs = trig_cos(c);
        for (int s = 0; s < E07_SPOKES; s++) {
            PolyPoint* p = &scene->turned[s * E07_RINGS + k];
            *p = turn_point(*p, ring_sn, ring_cs);
        }
    }

    // Neighbouring sectors run the band in opposite directions, so they are
    // mirror images that meet on equal texture rows.
    for (int s = 0; s < E07_SPOKES; s++) {
        int next = (s + 1) % E07_SPOKES;
        for (int k = 0; k < E07_RINGS - 1; k++) {
            const PolyPoint* corner[4] = {&scene->turned[s * E07_RINGS + k],
                                          &scene->turned[s * E07_RINGS + k + 1],
                                          &scene->turned[next * E07_RINGS + k + 1],
                                          &scene->turned[next * E07_RINGS + k]};
            PolyPoint points[4];
            for (int c = 0; c < 4; c++)
                points[c] = {scene->centre.x + corner[c]->x, scene->centre.y + corner[c]->y};
            const PolyPoint* band = scene->band[k];
            PolyPoint coords[4];
            if (s % 2 == 0) {
                coords[0] = band[3];
                coords[1] = band[2];
                coords[2] = band[1];
                coords[3] = band[0];
            } else {
                for (int c = 0; c < 4; c++)
                    coords[c] = band[c];
            }
            draw_textured_polygon(frame->pixels, frame->width, frame->height, scene->table_a,
                                  scene->table_b, points, coords, 4, picture->pixels,
                                  picture->width, picture->height);
        }
    }
}

static const uint8_t* e07_frame(void* scene, Image* frame, const FrameLoop* loop)
{
    e07_draw(static_cast<E07Scene*>(scene), frame, loop->frames);
    return nullptr;
}

static void e07_release(void* scene)
{
    E07Scene* e07 = static_cast<E07Scene*>(scene);
    image_free(&e07->picture);
    polygon_tables_free(&e07->table_a, &e07->table_b);
}

void effect_e07(Image* frame, unsigned duration, const char* path)
{
    EdgeEntry* table_a;
    EdgeEntry* table_b;
    if (polygon_tables_create(frame->height, &table_a, &table_b) != 0)
        demo_fatal(MSG_CANNOT_ALLOCATE);
    Image* picture = effect_picture(path);
    display_set_palette(shared_palette);

    E07Scene scene;
    e07_init(&scene, frame, picture, table_a, table_b);

    const EffectPlan plan = {"e_07", duration, false, e07_frame, nullptr, nullptr, e07_release};
    effect_play(&plan, &scene, frame);
}
