// Glyph outlines of the stroke face and the distance field they render
// through. Round bowls are circles, so the letters stay geometric at any
// size; arcs are cut into pieces short enough to stay well under a pixel.
#include "font.h"

#include "core/fp_round.h"

#include <cmath>
#include <cstring>

namespace {

// Primitive of a glyph in font units: a line, or an elliptic arc from a0 to
// a1 degrees (counter-clockwise positive, y up). A zero-length line is a dot.
struct Stroke {
    char kind;  // 'L' or 'A'
    float a, b, c, d, e, f;
};

struct Glyph {
    char ch;
    float advance;
    std::vector<Stroke> strokes;
};

Stroke L(float x0, float y0, float x1, float y1)
{
    return Stroke{'L', x0, y0, x1, y1, 0, 0};
}

Stroke A(float cx, float cy, float rx, float ry, float a0, float a1)
{
    return Stroke{'A', cx, cy, rx, ry, a0, a1};
}

const std::vector<Glyph>& glyphs()
{
    static const std::vector<Glyph> table = {
        {' ', 2.6f, {}},
        {'-', 3.0f, {L(0.2f, 2.6f, 2.8f, 2.6f)}},
        {'.', 0.0f, {L(0, 0, 0, 0)}},
        {'a', 5.0f, {A(2.5f, 2.5f, 2.5f, 2.5f, 0, 360), L(5, 0, 5, 5)}},
        {'b', 5.0f, {A(2.5f, 2.5f, 2.5f, 2.5f, 0, 360), L(0, 0, 0, 7.5f)}},
        {'c', 4.6f, {A(2.5f, 2.5f, 2.5f, 2.5f, 45, 315)}},
        {'d', 5.0f, {A(2.5f, 2.5f, 2.5f, 2.5f, 0, 360), L(5, 0, 5, 7.5f)}},
        {'e', 5.0f, {L(0, 2.5f, 5, 2.5f), A(2.5f, 2.5f, 2.5f, 2.5f, 0, 318)}},
        {'f', 3.4f, {L(1.1f, 0, 1.1f, 6.0f), A(2.6f, 6.0f, 1.5f, 1.5f, 180, 35), L(0, 5, 3.2f, 5)}},
        {'i', 0.0f, {L(0, 0, 0, 5), L(0, 6.8f, 0, 6.8f)}},
        {'k', 4.2f, {L(0, 0, 0, 7.5f), L(4, 5, 0, 1.6f), L(1.6f, 2.9f, 4.2f, 0)}},
        {'l', 0.0f, {L(0, 0, 0, 7.5f)}},
        {'n', 5.0f, {L(0, 0, 0, 5), A(2.5f, 2.5f, 2.5f, 2.5f, 180, 0), L(5, 2.5f, 5, 0)}},
        {'o', 5.0f, {A(2.5f, 2.5f, 2.5f, 2.5f, 0, 360)}},
        {'q', 5.0f, {A(2.5f, 2.5f, 2.5f, 2.5f, 0, 360), L(5, -2.5f, 5, 5)}},
        {'r', 3.6f, {L(0, 0, 0, 5), A(2.5f, 2.5f, 2.5f, 2.5f, 180, 62)}},
        {'t', 3.4f, {L(1.1f, 7, 1.1f, 1.5f), A(2.6f, 1.5f, 1.5f, 1.5f, 180, 300), L(0, 5, 3.2f, 5)}},
        {'u', 5.0f, {L(0, 5, 0, 2.5f), A(2.5f, 2.5f, 2.5f, 2.5f, 180, 360), L(5, 0, 5, 5)}},
        {'w', 7.0f, {L(0, 5, 1.75f, 0), L(1.75f, 0, 3.5f, 5), L(3.5f, 5, 5.25f, 0), L(5.25f, 0, 7, 5)}},
        {'x', 4.6f, {L(0, 0, 4.6f, 5), L(0, 5, 4.6f, 0)}},
        {'y', 5.0f, {L(0, 5, 2.5f, 0), L(5, 5, 1.25f, -2.5f)}},
        {'A', 6.4f, {L(0, 0, 3.2f, 7), L(3.2f, 7, 6.4f, 0), L(1.25f, 2.7f, 5.15f, 2.7f)}},
        {'B', 4.8f,
         {L(0, 0, 0, 7), L(0, 7, 2.6f, 7), A(2.6f, 5.35f, 1.65f, 1.65f, 90, -90),
          L(2.6f, 3.7f, 0, 3.7f), L(0, 3.7f, 2.95f, 3.7f), A(2.95f, 1.85f, 1.85f, 1.85f, 90, -90),
          L(2.95f, 0, 0, 0)}},
        {'C', 6.4f, {A(3.5f, 3.5f, 3.5f, 3.5f, 42, 318)}},
        {'E', 4.4f, {L(0, 0, 0, 7), L(0, 7, 4.4f, 7), L(0, 3.6f, 3.8f, 3.6f), L(0, 0, 4.4f, 0)}},
        {'F', 4.4f, {L(0, 0, 0, 7), L(0, 7, 4.4f, 7), L(0, 3.7f, 3.6f, 3.7f)}},
        {'I', 0.0f, {L(0, 0, 0, 7)}},
        {'K', 5.0f, {L(0, 0, 0, 7), L(4.8f, 7, 0, 2.4f), L(1.6f, 3.93f, 5, 0)}},
        {'L', 4.4f, {L(0, 7, 0, 0), L(0, 0, 4.4f, 0)}},
        {'N', 5.2f, {L(0, 0, 0, 7), L(0, 7, 5.2f, 0), L(5.2f, 0, 5.2f, 7)}},
        {'O', 7.0f, {A(3.5f, 3.5f, 3.5f, 3.5f, 0, 360)}},
        {'Q', 7.0f, {A(3.5f, 3.5f, 3.5f, 3.5f, 0, 360), L(4.7f, 1.7f, 7.1f, -0.6f)}},
        {'R', 4.8f,
         {L(0, 0, 0, 7), L(0, 7, 2.8f, 7), A(2.8f, 5.2f, 1.8f, 1.8f, 90, -90), L(2.8f, 3.4f, 0, 3.4f),
          L(2.5f, 3.4f, 4.8f, 0)}},
        {'T', 6.0f, {L(0, 7, 6, 7), L(3, 7, 3, 0)}},
        {'U', 6.0f, {L(0, 7, 0, 3), A(3, 3, 3, 3, 180, 360), L(6, 3, 6, 7)}},
        {'W', 8.6f, {L(0, 7, 2.1f, 0), L(2.1f, 0, 4.3f, 7), L(4.3f, 7, 6.5f, 0), L(6.5f, 0, 8.6f, 7)}},
        {'X', 5.6f, {L(0, 0, 5.6f, 7), L(0, 7, 5.6f, 0)}},
        {'Y', 5.8f, {L(0, 7, 2.9f, 3.4f), L(5.8f, 7, 2.9f, 3.4f), L(2.9f, 3.4f, 2.9f, 0)}},
    };
    return table;
}

const Glyph* find_glyph(char ch)
{
    for (const Glyph& g : glyphs())
        if (g.ch == ch)
            return &g;
    return nullptr;
}

// Space between glyphs, in font units, beyond their advances.
const float TRACKING = 1.9f;

}  // namespace

float font_set(const char* text, float x, float y, float scale, float slant,
               std::vector<Segment>* out)
{
    float pen = 0.0f;
    for (const char* p = text; *p; p++) {
        const Glyph* g = find_glyph(*p);
        if (!g)
            continue;
        auto put = [&](float ux, float uy) {
            float gx = pen + ux + slant * uy;
            return std::pair<float, float>(x + gx * scale, y - uy * scale);
        };
        for (const Stroke& s : g->strokes) {
            if (s.kind == 'L') {
                auto a = put(s.a, s.b), b = put(s.c, s.d);
                out->push_back(Segment{a.first, a.second, b.first, b.second});
                continue;
            }
            float sweep = s.f - s.e;
            float radius = (s.c > s.d ? s.c : s.d) * scale;
            int pieces = static_cast<int>(std::ceil(std::fabs(sweep) / 360.0f * radius * 1.6f)) + 8;
            float px = 0, py = 0;
            for (int i = 0; i <= pieces; i++) {
                float deg = s.e + sweep * static_cast<float>(i) / static_cast<float>(pieces);
                float rad = deg * 3.14159265f / 180.0f;
                auto q = put(s.a + s.c * std::cos(rad), s.b + s.d * std::sin(rad));
                if (i > 0)
                    out->push_back(Segment{px, py, q.first, q.second});
                px = q.first;
                py = q.second;
            }
        }
        pen += g->advance + TRACKING;
    }
    return (pen - TRACKING) * scale;
}

float font_width(const char* text, float scale)
{
    float pen = 0.0f;
    int count = 0;
    for (const char* p = text; *p; p++) {
        const Glyph* g = find_glyph(*p);
        if (g) {
            pen += g->advance + TRACKING;
            count++;
        }
    }
    return count ? (pen - TRACKING) * scale : 0.0f;
}

std::vector<float> distance_field(const std::vector<Segment>& segments, int width, int height,
                                  float limit)
{
    std::vector<float> field(static_cast<size_t>(width) * height, limit);
    for (const Segment& s : segments) {
        int x0 = static_cast<int>(std::floor(std::fmin(s.x0, s.x1) - limit));
        int x1 = static_cast<int>(std::ceil(std::fmax(s.x0, s.x1) + limit));
        int y0 = static_cast<int>(std::floor(std::fmin(s.y0, s.y1) - limit));
        int y1 = static_cast<int>(std::ceil(std::fmax(s.y0, s.y1) + limit));
        if (x0 < 0)
            x0 = 0;
        if (y0 < 0)
            y0 = 0;
        if (x1 > width - 1)
            x1 = width - 1;
        if (y1 > height - 1)
            y1 = height - 1;
        float dx = s.x1 - s.x0, dy = s.y1 - s.y0;
        float len2 = dx * dx + dy * dy;
        for (int y = y0; y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                float px = static_cast<float>(x) + 0.5f - s.x0;
                float py = static_cast<float>(y) + 0.5f - s.y0;
                float t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0f;
                t = t < 0 ? 0 : (t > 1 ? 1 : t);
                // (Rounded as on SSE: on the x87, GCC 13 and later keep the
                // product's extra precision, and a point on the line would
                // come out a hair away from it.)
                float ex = px - fp_float(t * dx), ey = py - fp_float(t * dy);
                float d = std::sqrt(ex * ex + ey * ey);
                float& cell = field[static_cast<size_t>(y) * width + x];
                if (d < cell)
                    cell = d;
            }
        }
    }
    return field;
}

void text_paint(RgbImage* image, const std::vector<Segment>& strokes, const TextStyle& style,
                const std::function<Rgb(int x, int y)>& fill)
{
    const int w = image->width, h = image->height;
    const float reach = style.half_width + style.outline + 4.0f;
    std::vector<float> field = distance_field(strokes, w, h, reach);
    if (style.shadow_alpha > 0) {
        std::vector<Segment> moved = strokes;
        for (Segment& s : moved) {
            s.x0 += style.shadow_dx;
            s.x1 += style.shadow_dx;
            s.y0 += style.shadow_dy;
            s.y1 += style.shadow_dy;
        }
        std::vector<float> shadow = distance_field(moved, w, h, reach);
        for (int i = 0; i < w * h; i++) {
            float a = smooth_step(style.half_width + style.outline + 3.0f,
                                  style.half_width + style.outline - 1.0f, shadow[i]);
            rgb_blend(image, i % w, i / w, Rgb{0, 0, 0}, a * style.shadow_alpha);
        }
    }
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            float d = field[static_cast<size_t>(y) * w + x];
            if (d >= reach)
                continue;
            if (style.outline > 0)
                rgb_blend(image, x, y, style.outline_colour,
                          clamp01(style.half_width + style.outline - d + 0.5f));
            float cover = clamp01(style.half_width - d + 0.5f);
            if (cover <= 0)
                continue;
            float r = clamp01(d / style.half_width);
            float round = std::sqrt(1.0f - r * r);
            Rgb c = rgb_scale(fill(x, y), 1.0f - style.tube + style.tube * round);
            rgb_blend(image, x, y, c, cover);
        }
    }
}
