// Colour helpers, noise and palette building for the picture generators.
// Everything here is plain IEEE float arithmetic in a fixed order, so the
// same source gives the same bytes on every build.
#include "raster.h"

#include <algorithm>
#include <cmath>

#include "core/image.h"
#include "image/pcx.h"

RgbImage rgb_image(int width, int height, Rgb fill)
{
    return RgbImage{width, height, std::vector<Rgb>(static_cast<size_t>(width) * height, fill)};
}

Rgb rgb_hex(uint32_t rrggbb)
{
    return Rgb{static_cast<float>((rrggbb >> 16) & 255), static_cast<float>((rrggbb >> 8) & 255),
               static_cast<float>(rrggbb & 255)};
}

Rgb rgb_mix(Rgb a, Rgb b, float t)
{
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb rgb_scale(Rgb a, float k)
{
    return Rgb{a.r * k, a.g * k, a.b * k};
}

void rgb_blend(RgbImage* image, int x, int y, Rgb c, float alpha)
{
    if (x < 0 || y < 0 || x >= image->width || y >= image->height || alpha <= 0.0f)
        return;
    Rgb& p = image->px[static_cast<size_t>(y) * image->width + x];
    p = rgb_mix(p, c, clamp01(alpha));
}

float clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float smooth_step(float edge0, float edge1, float x)
{
    float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

Rgb gradient(const std::vector<std::pair<float, Rgb>>& stops, float t)
{
    if (t <= stops.front().first)
        return stops.front().second;
    for (size_t i = 1; i < stops.size(); i++) {
        if (t <= stops[i].first) {
            float span = stops[i].first - stops[i - 1].first;
            return rgb_mix(stops[i - 1].second, stops[i].second, (t - stops[i - 1].first) / span);
        }
    }
    return stops.back().second;
}

uint32_t rng_next(Rng* rng)
{
    // splitmix64
    uint64_t z = (rng->state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

float rng_float(Rng* rng)
{
    return static_cast<float>(rng_next(rng) >> 8) * (1.0f / 16777216.0f);
}

Noise noise_make(int period_x, int period_y, uint64_t seed)
{
    Noise noise{period_x, period_y, {}};
    Rng rng{seed};
    noise.lattice.resize(static_cast<size_t>(period_x) * period_y);
    for (float& v : noise.lattice)
        v = rng_float(&rng);
    return noise;
}

static float quintic(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float noise_at(const Noise& noise, float x, float y)
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = quintic(x - fx), ty = quintic(y - fy);
    auto at = [&](int cx, int cy) {
        cx = ((cx % noise.period_x) + noise.period_x) % noise.period_x;
        cy = ((cy % noise.period_y) + noise.period_y) % noise.period_y;
        return noise.lattice[static_cast<size_t>(cy) * noise.period_x + cx];
    };
    float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
    float bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

// Colour distance weights: the eye separates greens best and blues least.
static const float WR = 3.0f, WG = 4.0f, WB = 2.0f;

namespace {

// One cell of a 5-bit-per-component histogram, with exact sums so that the
// boxes' means are not limited to the cell grid.
struct Bin {
    double count;
    double r, g, b;
};

struct Box {
    std::vector<int> bins;
    double count;
    double spread;  // weighted variance along the widest axis
    int axis;
};

}  // namespace

static void box_measure(const std::vector<Bin>& bins, Box* box)
{
    double n = 0, s[3] = {0, 0, 0}, q[3] = {0, 0, 0};
    for (int i : box->bins) {
        const Bin& b = bins[i];
        double m[3] = {b.r / b.count, b.g / b.count, b.b / b.count};
        n += b.count;
        for (int a = 0; a < 3; a++) {
            s[a] += m[a] * b.count;
            q[a] += m[a] * m[a] * b.count;
        }
    }
    const double w[3] = {WR, WG, WB};
    box->count = n;
    box->spread = -1;
    box->axis = 0;
    for (int a = 0; a < 3; a++) {
        double var = (q[a] - s[a] * s[a] / n) * w[a];
        if (var > box->spread) {
            box->spread = var;
            box->axis = a;
        }
    }
}

static double bin_component(const Bin& b, int axis)
{
    return (axis == 0 ? b.r : axis == 1 ? b.g : b.b) / b.count;
}

static int nearest(const float* pal, int colours, float r, float g, float b)
{
    int best = 0;
    float best_d = 1e30f;
    for (int i = 0; i < colours; i++) {
        float dr = pal[3 * i] - r, dg = pal[3 * i + 1] - g, db = pal[3 * i + 2] - b;
        float d = WR * dr * dr + WG * dg * dg + WB * db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return best;
}

QuantizeOptions quantize_every_entry(float dither)
{
    QuantizeOptions options;
    for (int i = 0; i < 256; i++)
        options.slots.push_back(i);
    options.dither = dither;
    return options;
}

void quantize(const std::vector<const RgbImage*>& images, const QuantizeOptions& options,
              uint8_t* palette, std::vector<Indexed>* out)
{
    std::vector<Bin> bins(32768, Bin{0, 0, 0, 0});
    for (const RgbImage* image : images) {
        for (const Rgb& p : image->px) {
            float r = std::min(std::max(p.r, 0.0f), 255.0f);
            float g = std::min(std::max(p.g, 0.0f), 255.0f);
            float b = std::min(std::max(p.b, 0.0f), 255.0f);
            int key = (static_cast<int>(r) >> 3) << 10 | (static_cast<int>(g) >> 3) << 5 |
                      (static_cast<int>(b) >> 3);
            bins[key].count += 1;
            bins[key].r += r;
            bins[key].g += g;
            bins[key].b += b;
        }
    }
    std::vector<Box> boxes(1);
    for (int i = 0; i < 32768; i++)
        if (bins[i].count > 0)
            boxes[0].bins.push_back(i);
    box_measure(bins, &boxes[0]);

    const int colours = static_cast<int>(options.slots.size());
    while (static_cast<int>(boxes.size()) < colours) {
        int pick = -1;
        double best = 0;
        for (size_t i = 0; i < boxes.size(); i++) {
            double score = boxes[i].spread * std::sqrt(boxes[i].count);
            if (boxes[i].bins.size() > 1 && score > best) {
                best = score;
                pick = static_cast<int>(i);
            }
        }
        if (pick < 0)
            break;
        Box& box = boxes[pick];
        int axis = box.axis;
        std::stable_sort(box.bins.begin(), box.bins.end(), [&](int a, int b) {
            return bin_component(bins[a], axis) < bin_component(bins[b], axis);
        });
        double half = box.count / 2, run = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.bins.size(); i++) {
            run += bins[box.bins[i]].count;
            cut = i + 1;
            if (run >= half)
                break;
        }
        Box upper;
        upper.bins.assign(box.bins.begin() + static_cast<long>(cut), box.bins.end());
        box.bins.resize(cut);
        box_measure(bins, &box);
        box_measure(bins, &upper);
        boxes.push_back(upper);
    }

    // Box means, then a few rounds of k-means over the histogram.
    std::vector<float> pal(static_cast<size_t>(colours) * 3, 0.0f);
    for (size_t i = 0; i < boxes.size(); i++) {
        double n = 0, r = 0, g = 0, b = 0;
        for (int k : boxes[i].bins) {
            n += bins[k].count;
            r += bins[k].r;
            g += bins[k].g;
            b += bins[k].b;
        }
        pal[3 * i] = static_cast<float>(r / n);
        pal[3 * i + 1] = static_cast<float>(g / n);
        pal[3 * i + 2] = static_cast<float>(b / n);
    }
    const int used = static_cast<int>(boxes.size());
    for (int round = 0; round < 4; round++) {
        std::vector<double> sum(static_cast<size_t>(used) * 4, 0.0);
        for (int k = 0; k < 32768; k++) {
            const Bin& b = bins[k];
            if (b.count <= 0)
                continue;
            int i = nearest(pal.data(), used, static_cast<float>(b.r / b.count),
                            static_cast<float>(b.g / b.count), static_cast<float>(b.b / b.count));
            sum[4 * i] += b.count;
            sum[4 * i + 1] += b.r;
            sum[4 * i + 2] += b.g;
            sum[4 * i + 3] += b.b;
        }
        for (int i = 0; i < used; i++) {
            if (sum[4 * i] <= 0)
                continue;
            for (int a = 0; a < 3; a++)
                pal[3 * i + a] = static_cast<float>(sum[4 * i + 1 + a] / sum[4 * i]);
        }
    }

    // Dark colours first, so that index order follows brightness.
    std::vector<int> order(used);
    for (int i = 0; i < used; i++)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        auto lum = [&](int i) { return WR * pal[3 * i] + WG * pal[3 * i + 1] + WB * pal[3 * i + 2]; };
        return lum(a) < lum(b);
    });
    std::vector<float> final_pal(static_cast<size_t>(used) * 3);
    for (int i = 0; i < 768; i++)
        palette[i] = 0;
    for (int i = 0; i < used; i++) {
        for (int a = 0; a < 3; a++) {
            long v = std::lround(pal[3 * order[i] + a]);
            uint8_t c = static_cast<uint8_t>(std::min(255L, std::max(0L, v)));
            if (options.adjust)
                options.adjust(&c);
            final_pal[3 * i + a] = c;
            palette[3 * options.slots[i] + a] = c;
        }
    }

    static const float bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    out->clear();
    for (const RgbImage* image : images) {
        Indexed picture{image->width, image->height,
                        std::vector<uint8_t>(static_cast<size_t>(image->width) * image->height)};
        for (int y = 0; y < image->height; y++) {
            for (int x = 0; x < image->width; x++) {
                const Rgb& p = image->px[static_cast<size_t>(y) * image->width + x];
                float d = options.dither * ((bayer[(y & 3) * 4 + (x & 3)] + 0.5f) / 16.0f - 0.5f);
                int i = nearest(final_pal.data(), used, p.r + d, p.g + d, p.b + d);
                picture.px[static_cast<size_t>(y) * image->width + x] =
                    static_cast<uint8_t>(options.slots[i]);
            }
        }
        out->push_back(std::move(picture));
    }
}

int picture_write(const std::string& dir, const char* name, const Indexed& picture,
                  const uint8_t* palette)
{
    Image image{picture.width, picture.height, const_cast<uint8_t*>(picture.px.data())};
    std::string path = dir + "/grafika/" + name;
    return pcx_write(path.c_str(), &image, palette);
}
