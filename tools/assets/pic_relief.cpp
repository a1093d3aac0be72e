// The three height fields the spotlight plays over. The index of each pixel
// is its height; the light follows the slope between neighbours, so every
// shape rises over several pixels (at most about 15 levels a pixel) and the
// top and bottom rows, which the effect clears, stay low.
#include <cmath>
#include <vector>

#include "assets.h"
#include "font.h"
#include "raster.h"

static const int W = 320, H = 240;
static const float PI = 3.14159265f;

// Raised cosine: 1 on the centre line, 0 at radius and beyond.
static float bump(float d, float radius)
{
    return d >= radius ? 0.0f : 0.5f + 0.5f * std::cos(PI * d / radius);
}

// The effect reads left and right neighbours across the row ends, and its
// first and last rows are cleared, so every field sinks to 0 at the border.
static float edge_fade(int x, int y)
{
    int from_edge = y < H - 1 - y ? y : H - 1 - y;
    int from_side = x < W - 1 - x ? x : W - 1 - x;
    if (from_side < from_edge)
        from_edge = from_side;
    return smooth_step(1.0f, 10.0f, static_cast<float>(from_edge));
}

static int write_heights(const std::string& dir, const char* name, const std::vector<float>& h)
{
    Indexed picture{W, H, std::vector<uint8_t>(W * H)};
    for (int i = 0; i < W * H; i++) {
        float v = std::round(h[i] * edge_fade(i % W, i / W));
        picture.px[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
    uint8_t palette[768];
    for (int i = 0; i < 768; i++)
        palette[i] = static_cast<uint8_t>(i / 3);
    return picture_write(dir, name, picture, palette);
}

// Embossed lettering inside a bevelled frame with a rivet in each corner.
static std::vector<float> lettering()
{
    std::vector<Segment> frame;
    const float x0 = 14, y0 = 16, x1 = W - 14, y1 = H - 16, r = 16;
    frame.push_back(Segment{x0 + r, y0, x1 - r, y0});
    frame.push_back(Segment{x0 + r, y1, x1 - r, y1});
    frame.push_back(Segment{x0, y0 + r, x0, y1 - r});
    frame.push_back(Segment{x1, y0 + r, x1, y1 - r});
    const float cx[4] = {x1 - r, x0 + r, x0 + r, x1 - r}, cy[4] = {y0 + r, y0 + r, y1 - r, y1 - r};
    for (int c = 0; c < 4; c++) {
        for (int i = 0; i < 12; i++) {
            float a0 = (c * 90 + i * 7.5f) * PI / 180, a1 = (c * 90 + (i + 1) * 7.5f) * PI / 180;
            frame.push_back(Segment{cx[c] + r * std::cos(a0), cy[c] - r * std::sin(a0),
                                    cx[c] + r * std::cos(a1), cy[c] - r * std::sin(a1)});
        }
    }
    std::vector<float> frame_d = distance_field(frame, W, H, 12);

    std::vector<Segment> title, credit;
    font_set("QUARROW", (W - font_width("QUARROW", 4.9f)) * 0.5f, 128, 4.9f, 0, &title);
    font_set("by tobrak", (W - font_width("by tobrak", 2.3f)) * 0.5f, 178, 2.3f, 0, &credit);
    std::vector<float> title_d = distance_field(title, W, H, 12);
    std::vector<float> credit_d = distance_field(credit, W, H, 12);

    std::vector<float> h(W * H);
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            int i = y * W + x;
            float fx = x + 0.5f, fy = y + 0.5f;
            float v = 20.0f;
            // A shallow moat around the text panel reads as a sunken field.
            v += 70.0f * bump(frame_d[i], 8.0f);
            v += 78.0f * bump(title_d[i], 8.5f);
            v += 46.0f * bump(credit_d[i], 4.5f);
            for (int c = 0; c < 4; c++) {
                float rx = (c == 0 || c == 3) ? x1 - 5 : x0 + 5;
                float ry = (c < 2) ? y0 + 5 : y1 - 5;
                float d = std::sqrt((fx - rx) * (fx - rx) + (fy - ry) * (fy - ry));
                v += 40.0f * bump(d, 5.5f);
            }
            h[i] = v;
        }
    }
    return h;
}

// Honeycomb: flat-topped hexagonal tiles with bevelled sides; every third
// tile carries a dome instead of a plateau.
static std::vector<float> honeycomb()
{
    const float inradius = 19.0f;
    const float pitch_x = inradius * 2.0f;            // centres along a row
    const float pitch_y = inradius * 1.7320508f;      // between rows
    std::vector<float> h(W * H);
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            int row = static_cast<int>(std::floor(fy / pitch_y));
            float best = 1e9f, best_x = 0, best_y = 0;
            int best_row = 0, best_col = 0;
            for (int rr = row - 1; rr <= row + 1; rr++) {
                float shift = (rr & 1) ? inradius : 0.0f;
                int col = static_cast<int>(std::floor((fx - shift) / pitch_x));
                for (int cc = col - 1; cc <= col + 1; cc++) {
                    float cx = cc * pitch_x + shift + inradius, cy = rr * pitch_y + 10.0f;
                    float d = (fx - cx) * (fx - cx) + (fy - cy) * (fy - cy);
                    if (d < best) {
                        best = d;
                        best_x = cx;
                        best_y = cy;
                        best_row = rr;
                        best_col = cc;
                    }
                }
            }
            float dx = fx - best_x, dy = fy - best_y;
            float hex = std::fabs(dx);
            hex = std::fmax(hex, std::fabs(0.5f * dx + 0.8660254f * dy));
            hex = std::fmax(hex, std::fabs(0.5f * dx - 0.8660254f * dy));
            float edge = inradius - hex;  // distance inside the tile
            float v = 10.0f + 74.0f * smooth_step(1.5f, 9.5f, edge);
            int kind = ((best_col - best_row * 2) % 3 + 3) % 3;
            float r = std::sqrt(best) / (inradius - 5.0f);
            if (kind == 0 && r < 1.0f)
                v += 60.0f * (0.5f + 0.5f * std::cos(PI * r));
            else if (kind == 1 && r < 0.55f)
                v -= 30.0f * (0.5f + 0.5f * std::cos(PI * r / 0.55f));
            h[y * W + x] = v;
        }
    }
    return h;
}

// Sand ripples bent by a slow current, with smooth pebbles lying in them.
static std::vector<float> dunes()
{
    Noise warp = noise_make(8, 6, 0xd0e5);
    Noise swell = noise_make(5, 4, 0x5e11);
    struct Pebble {
        float x, y, rx, ry, turn, height;
    };
    const Pebble pebbles[] = {
        {72, 70, 26, 17, 0.4f, 70},  {230, 58, 20, 15, -0.3f, 62}, {258, 170, 30, 20, 0.9f, 76},
        {118, 176, 16, 12, 0.2f, 54}, {168, 118, 11, 9, -0.8f, 44}, {36, 186, 12, 10, 0.5f, 48},
    };
    std::vector<float> h(W * H);
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            float fx = x + 0.5f, fy = y + 0.5f;
            float bend = noise_at(warp, fx / 40.0f, fy / 40.0f) * 46.0f;
            float u = fx * 0.94f + fy * 0.34f + bend;
            float amp = 13.0f + 14.0f * noise_at(swell, fx / 64.0f, fy / 60.0f);
            // Asymmetric ripple: gentle windward side, steeper lee.
            float phase = u / 21.0f;
            float wave = std::sin(2 * PI * phase) + 0.25f * std::sin(4 * PI * phase);
            float v = 92.0f + amp * wave;
            for (const Pebble& p : pebbles) {
                float c = std::cos(p.turn), s = std::sin(p.turn);
                float ex = ((fx - p.x) * c + (fy - p.y) * s) / p.rx;
                float ey = (-(fx - p.x) * s + (fy - p.y) * c) / p.ry;
                float r = std::sqrt(ex * ex + ey * ey);
                // Sand heaps up around the stone's rim, the stone sits on top.
                float rim = 18.0f * bump(std::fabs(r - 1.15f), 0.45f);
                float stone = r < 1.0f ? p.height * std::sqrt(1.0f - r * r) : 0.0f;
                float blend = smooth_step(1.05f, 0.85f, r);
                v = v * (1.0f - blend) + (100.0f + stone) * blend + rim;
            }
            h[y * W + x] = v;
        }
    }
    return h;
}

int relief_write(const std::string& dir)
{
    if (write_heights(dir, "e_04-1.pcx", lettering()) != 0)
        return -1;
    if (write_heights(dir, "e_04-2.pcx", honeycomb()) != 0)
        return -1;
    return write_heights(dir, "e_04-3.pcx", dunes());
}
