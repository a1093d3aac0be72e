// Textured polygon filling (see polygon.h). Edges are walked into the two
// tables once per polygon; rows are then filled from them with one division
// per row. Positions and texture coordinates advance in wrapping 32-bit
// arithmetic, so out-of-range input gives odd pixels, never stray memory.
#include "effects/polygon.h"

#include <cstdlib>

// Two's-complement view of a wrapped 32-bit result.
static inline int32_t as_signed(uint32_t value)
{
    return static_cast<int32_t>(value);
}

// (b - a) << 16, divided by a positive row or pixel count.
static inline int32_t fixed_step(int32_t b, int32_t a, int64_t count)
{
    int32_t delta = as_signed((static_cast<uint32_t>(b) - static_cast<uint32_t>(a)) << 16);
    return static_cast<int32_t>(delta / count);
}

static inline int32_t span_step(int32_t b, int32_t a, int32_t count)
{
    return as_signed(static_cast<uint32_t>(b) - static_cast<uint32_t>(a)) / count;
}

// Start value moved back by `by` steps (by is negative: the part cut off).
static inline uint32_t advance(uint32_t start, int32_t by, int32_t step)
{
    return start - static_cast<uint32_t>(by) * static_cast<uint32_t>(step);
}

// Writes rows max(a.y, 0) .. min(b.y, height) - 1 of one edge into table.
// The row of b is left to the next edge, and no half-pixel bias is added.
static void edge_write(EdgeEntry* table, int32_t height, PolyPoint pa, PolyPoint ta,
                       PolyPoint pb, PolyPoint tb)
{
    int32_t first = pa.y > 0 ? pa.y : 0;
    int32_t end = pb.y < height ? pb.y : height;
    if (first >= end)
        return;
    int64_t dy = static_cast<int64_t>(pb.y) - pa.y;
    int32_t step_x = fixed_step(pb.x, pa.x, dy);
    int32_t step_u = fixed_step(tb.x, ta.x, dy);
    int32_t step_v = fixed_step(tb.y, ta.y, dy);
    uint32_t x = static_cast<uint32_t>(pa.x) << 16;
    uint32_t u = static_cast<uint32_t>(ta.x) << 16;
    uint32_t v = static_cast<uint32_t>(ta.y) << 16;
    if (pa.y < 0) {
        x = advance(x, pa.y, step_x);
        u = advance(u, pa.y, step_u);
        v = advance(v, pa.y, step_v);
    }
    for (int32_t y = first; y < end; y++) {
        table[y].x = as_signed(x) >> 16;
        table[y].u = as_signed(u);
        table[y].v = as_signed(v);
        x += static_cast<uint32_t>(step_x);
        u += static_cast<uint32_t>(step_u);
        v += static_cast<uint32_t>(step_v);
    }
}

// Walks from the top vertex to the bottom one in direction dir (+1 or -1).
static void chain_write(EdgeEntry* table, int32_t height, const PolyPoint* points,
                        const PolyPoint* coords, int32_t count, int32_t top, int32_t bottom,
                        int32_t dir)
{
    int32_t i = top;
    while (i != bottom) {
        int32_t next = dir > 0 ? (i + 1 == count ? 0 : i + 1) : (i == 0 ? count - 1 : i - 1);
        edge_write(table, height, points[i], coords[i], points[next], coords[next]);
        i = next;
    }
}

static inline bool within(int64_t first, int64_t last, int32_t size)
{
    int64_t limit = static_cast<int64_t>(size) << 16;
    return first >= 0 && first < limit && last >= 0 && last < limit;
}

// n texels along one row, u and v in 16.16, into out.
static void span_fill(uint8_t* out, int32_t n, uint32_t u, uint32_t v, int32_t step_u,
                      int32_t step_v, const uint8_t* texture, int32_t tw, int32_t th)
{
    const uint32_t su = static_cast<uint32_t>(step_u);
    const uint32_t sv = static_cast<uint32_t>(step_v);
    if (tw == 64 && th == 64) {
        for (int32_t i = 0; i < n; i++, u += su, v += sv)
            out[i] = texture[((as_signed(u) >> 16) & 63) + (((as_signed(v) >> 16) & 63) << 6)];
        return;
    }
    if (tw == 256 && th == 256) {
        for (int32_t i = 0; i < n; i++, u += su, v += sv)
            out[i] = texture[((as_signed(u) >> 16) & 255) + (((as_signed(v) >> 16) & 255) << 8)];
        return;
    }
    // A span whose two ends lie inside the texture stays inside all along
    // (the values are linear and do not wrap), so it needs no remainder.
    int64_t u_last = static_cast<int64_t>(as_signed(u)) + static_cast<int64_t>(step_u) * (n - 1);
    int64_t v_last = static_cast<int64_t>(as_signed(v)) + static_cast<int64_t>(step_v) * (n - 1);
    if (tw < 32768 && th < 32768 && within(as_signed(u), u_last, tw) &&
        within(as_signed(v), v_last, th)) {
        for (int32_t i = 0; i < n; i++, u += su, v += sv)
            out[i] = texture[(as_signed(u) >> 16) + tw * (as_signed(v) >> 16)];
        return;
    }
    // The remainder is taken into 0 .. size - 1 for negative positions too.
    for (int32_t i = 0; i < n; i++, u += su, v += sv) {
        int32_t column = (as_signed(u) >> 16) % tw;
        int32_t row = (as_signed(v) >> 16) % th;
        column += column < 0 ? tw : 0;
        row += row < 0 ? th : 0;
        out[i] = texture[column + static_cast<int64_t>(tw) * row];
    }
}

void draw_textured_polygon(uint8_t* frame, int32_t width, int32_t height, EdgeEntry* table_a,
                           EdgeEntry* table_b, const PolyPoint* points, const PolyPoint* coords,
                           int32_t count, const uint8_t* texture, int32_t texture_width,
                           int32_t texture_height)
{
    if (count < 3 || width <= 0 || height <= 0 || texture_width <= 0 || texture_height <= 0)
        return;
    int32_t top = 0, bottom = 0;
    for (int32_t i = 1; i < count; i++) {
        if (points[i].y < points[top].y)
            top = i;
        if (points[i].y > points[bottom].y)
            bottom = i;
    }
    int32_t y_top = points[top].y;
    int32_t y_bottom = points[bottom].y;
    if (y_top == y_bottom)
        return;

    // Each chain is a connected path from the top row to the bottom one, so
    // every row between them is crossed by a downward edge of both chains:
    // whatever the shape, the rows filled below were written in this call.
    chain_write(table_a, height, points, coords, count, top, bottom, 1);
    chain_write(table_b, height, points, coords, count, top, bottom, -1);

    int32_t end_row = y_bottom < height ? y_bottom : height;
    for (int32_t y = y_top > 0 ? y_top : 0; y < end_row; y++) {
        const EdgeEntry* left = &table_a[y];
        const EdgeEntry* right = &table_b[y];
        if (right->x < left->x) {
            left = &table_b[y];
            right = &table_a[y];
        }
        int32_t first = left->x > 0 ? left->x : 0;
        int32_t end = right->x < width ? right->x : width;
        if (first >= end)
            continue;
        int32_t n = right->x - left->x;
        int32_t step_u = span_step(right->u, left->u, n);
        int32_t step_v = span_step(right->v, left->v, n);
        uint32_t u = static_cast<uint32_t>(left->u);
        uint32_t v = static_cast<uint32_t>(left->v);
        if (left->x < 0) {
            u = advance(u, left->x, step_u);
            v = advance(v, left->x, step_v);
        }
        span_fill(frame + static_cast<int64_t>(y) * width + first, end - first, u, v, step_u,
                  step_v, texture, texture_width, texture_height);
    }
}

int polygon_tables_create(int32_t height, EdgeEntry** table_a, EdgeEntry** table_b)
{
    *table_a = nullptr;
    *table_b = nullptr;
    if (height <= 0)
        return -1;
    size_t size = static_cast<size_t>(height) * sizeof(EdgeEntry);
    EdgeEntry* a = static_cast<EdgeEntry*>(malloc(size));
    EdgeEntry* b = static_cast<EdgeEntry*>(malloc(size));
    if (!a || !b) {
        free(a);
        free(b);
        return -1;
    }
    *table_a = a;
    *table_b = b;
    return 0;
}

void polygon_tables_free(EdgeEntry** table_a, EdgeEntry** table_b)
{
    free(*table_a);
    free(*table_b);
    *table_a = nullptr;
    *table_b = nullptr;
}
