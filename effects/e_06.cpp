// The swaying mesh and spinning card ("e_06"): a picture stretched over a
// 16 x 12 grid whose inner columns and rows swing, with a two-sided card
// tumbling over it. All motion follows the frame count; the clock only ends it.
#include "effects/e_06.h"

#include <cstdlib>

#include "core/fatal.h"
#include "core/fp_round.h"
#include "core/trig.h"
#include "display/display.h"
#include "effects/effect.h"
#include "effects/effects.h"

int32_t e06_grid_line(int32_t index, int32_t size, uint32_t intervals)
{
    uint32_t step = (static_cast<uint32_t>(size + 1) << 16) / intervals;
    return static_cast<int32_t>((static_cast<uint32_t>(index) * step) >> 16);
}

void e06_init(E06Scene* scene, const Image* frame, const Image* mesh, const Image* face1,
              const Image* face2, EdgeEntry* table_a, EdgeEntry* table_b, unsigned duration)
{
    for (int i = 0; i < E06_COLUMNS; i++) {
        for (int j = 0; j < E06_ROWS; j++) {
            PolyPoint* base = &scene->base[i * E06_ROWS + j];
            PolyPoint* texture = &scene->texture[i * E06_ROWS + j];
            base->x = e06_grid_line(i, frame->width, E06_COLUMNS - 1);
            base->y = e06_grid_line(j, frame->height, E06_ROWS - 1);
            texture->x = e06_grid_line(i, mesh->width, E06_COLUMNS - 1);
            texture->y = e06_grid_line(j, mesh->height, E06_ROWS - 1);
        }
    }
    const Image* faces[2] = {face1, face2};
    for (int f = 0; f < 2; f++) {
        int32_t right = faces[f]->width - 1;
        int32_t bottom = faces[f]->height - 1;
        PolyPoint* c = scene->face_coords[f];
        c[0] = {0, 0};
        c[1] = {right, 0};
        c[2] = {right, bottom};
        c[3] = {0, bottom};
        scene->faces[f] = faces[f];
    }
    scene->mesh = mesh;
    scene->table_a = table_a;
    scene->table_b = table_b;
    scene->duration = duration;
}

void e06_card_place(int32_t t, unsigned duration, PolyPoint corners[4])
{
    // The card spins up from 20 to about 40 over the effect's nominal frames.
    // Each float step is rounded as a float before the next one and before
    // a truncation: t x s can lie within a rounding step of an integer.
    float s = fp_float(static_cast<float>(t) / static_cast<float>(12u * duration));
    s = fp_float(fp_float(s * 200.0f) + 20.0f);
    int32_t w = static_cast<int32_t>(fp_float(static_cast<float>(t) * s));
    int32_t a = w >> 1;
    int32_t b = w >> 2;
    int32_t ax = a + w - b;
    int32_t ay = w + (static_cast<int32_t>(fp_float(s * static_cast<float>(w - b))) >> 5);
    int32_t cx = ((((trig_sin(w) + 2 * trig_cos(b) + trig_sin(a)) >> 5) * 5) >> 3) + 160;
    int32_t cy = ((((trig_cos(a) + trig_sin(w)) >> 4) * 5) >> 3) + 120;
    // Exact in every precision: a whole number of 128ths near 17.
    float z = static_cast<float>((trig_sin(a) + trig_cos((w / 13) * 4)) * 0.0078125 + 17);
    for (int k = 0; k < 4; k++) {
        corners[k].x = static_cast<int32_t>(fp_float(static_cast<float>(trig_sin(ax + 250 * k)) / z)) + cx;
        corners[k].y = static_cast<int32_t>(fp_float(static_cast<float>(trig_cos(ay + 250 * k)) / z)) + cy;
    }
}

int32_t e06_card_side(const PolyPoint corners[4])
{
    const PolyPoint* c = corners;
    return (c[2].y - c[3].y) * c[1].x + (c[3].y - c[1].y) * c[2].x + (c[1].y - c[2].y) * c[3].x;
}

void e06_draw(const E06Scene* scene, Image* frame, int32_t t)
{
    // Whole inner columns move sideways and whole inner rows up and down
    // together. A border point never moves, not even along its own edge, so
    // the border quads keep their outer side on the frame's edge.
    int32_t shift_x[E06_COLUMNS] = {0};
    int32_t shift_y[E06_ROWS] = {0};
    int32_t turn = 32 * t;
    for (int i = 1; i < E06_COLUMNS - 1; i++)
        shift_x[i] = (trig_sin(static_cast<int32_t>(fp_double(turn * 1.37)) + (1000 * i) / 32) >> 6) +
                     (trig_sin(turn >> 1) >> 6);
    for (int j = 1; j < E06_ROWS - 1; j++)
        shift_y[j] = (trig_cos(static_cast<int32_t>(fp_double(turn * 0.781)) + (1000 * j) / 24) >> 6) +
                     (trig_sin(turn >> 2) >> 6);

    const Image* mesh = scene->mesh;
    for (int i = 0; i < E06_COLUMNS - 1; i++) {
        for (int j = 0; j < E06_ROWS - 1; j++) {
            const int corner[4][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j + 1}};
            PolyPoint points[4];
            PolyPoint coords[4];
            for (int k = 0; k < 4; k++) {
                int column = corner[k][0];
                int row = corner[k][1];
                int index = column * E06_ROWS + row;
                points[k] = scene->base[index];
                if (column > 0 && column < E06_COLUMNS - 1 && row > 0 && row < E06_ROWS - 1) {
                    points[k].x += shift_x[column];
                    points[k].y += shift_y[row];
                }
                coords[k] = scene->texture[index];
            }
            draw_textured_polygon(frame->pixels, frame->width, frame->height, scene->table_a,
                                  scene->table_b, points, coords, 4, mesh->pixels, mesh->width,
                                  mesh->height);
        }
    }

    PolyPoint corners[4];
    e06_card_place(t, scene->duration, corners);
    int face = e06_card_side(corners) < 0 ? 0 : 1;
    const Image* picture = scene->faces[face];
    draw_textured_polygon(frame->pixels, frame->width, frame->height, scene->table_a,
                          scene->table_b, corners, scene->face_coords[face], 4, picture->pixels,
                          picture->width, picture->height);
}

struct E06Run {
    E06Scene scene;
    Image* mesh;
    Image* face1;
    Image* face2;
};

static const uint8_t* e06_frame(void* scene, Image* frame, const FrameLoop* loop)
{
    e06_draw(&static_cast<E06Run*>(scene)->scene, frame, loop->frames);
    return nullptr;
}

static void e06_release(void* scene)
{
    E06Run* run = static_cast<E06Run*>(scene);
    image_free(&run->mesh);
    image_free(&run->face1);
    image_free(&run->face2);
    polygon_tables_free(&run->scene.table_a, &run->scene.table_b);
}

void effect_e06(Image* frame, unsigned duration, const char* mesh_path,
                const char* face1_path, const char* face2_path)
{
    EdgeEntry* table_a;
    EdgeEntry* table_b;
    if (polygon_tables_create(frame->height, &table_a, &table_b) != 0)
        demo_fatal(MSG_CANNOT_ALLOCATE);
    E06Run run;
    run.mesh = effect_picture(mesh_path);
    run.face1 = effect_picture(face1_path);
    run.face2 = effect_picture(face2_path);
    display_set_palette(shared_palette);

    e06_init(&run.scene, frame, run.mesh, run.face1, run.face2, table_a, table_b, duration);

    const EffectPlan plan = {"e_06", duration, false, e06_frame, nullptr, nullptr, e06_release};
    effect_play(&plan, &run, frame);
}
