// The demo's lettering: a geometric monoline face drawn as stroke centre
// lines. Pictures render text from the distance to the nearest stroke, which
// gives anti-aliased letters, outlines, glows and embossed profiles alike.
#pragma once

#include <functional>
#include <vector>

#include "raster.h"

// One straight piece of a stroke centre line, in picture pixels.
struct Segment {
    float x0, y0, x1, y1;
};

// Font units: baseline 0, x-height 5, cap height 7, ascender 7.5,
// descender -2.5. Set text at left edge x, baseline y (picture rows grow
// downwards), scale pixels per unit, slant as a shear (0.2 leans right).
// Appends the strokes and returns the advance in pixels.
float font_set(const char* text, float x, float y, float scale, float slant,
               std::vector<Segment>* out);

// Advance of the text in pixels at that scale, without trailing spacing.
float font_width(const char* text, float scale);

// Distance from each pixel centre of a width x height grid to the nearest
// segment, capped at limit. Row-major.
std::vector<float> distance_field(const std::vector<Segment>& segments, int width, int height,
                                  float limit);

// How text_paint draws lettering: strokes of half_width pixels around the
// centre lines, shaded like tubes by tube (0 flat, 1 fully round), inside an
// outline of the given width, over a soft drop shadow.
struct TextStyle {
    float half_width;
    float outline;
    Rgb outline_colour;
    float shadow_dx, shadow_dy, shadow_alpha;
    float tube;
};

// Paints the strokes onto image; fill gives the letter colour per pixel.
void text_paint(RgbImage* image, const std::vector<Segment>& strokes, const TextStyle& style,
                const std::function<Rgb(int x, int y)>& fill);
