// Drawing helpers shared by the picture generators: float colour images,
// smooth-step shaping, a seeded random source, palette building by median
// cut, and writing finished pictures through the PCX writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    float r, g, b;
};

// A true-colour working picture; components in 0..255.
struct RgbImage {
    int width;
    int height;
    std::vector<Rgb> px;
};

// An indexed picture ready to be written.
struct Indexed {
    int width;
    int height;
    std::vector<uint8_t> px;
};

RgbImage rgb_image(int width, int height, Rgb fill);
Rgb rgb_hex(uint32_t rrggbb);
Rgb rgb_mix(Rgb a, Rgb b, float t);
Rgb rgb_scale(Rgb a, float k);
// Blends c over the pixel at (x, y) with coverage alpha in 0..1.
void rgb_blend(RgbImage* image, int x, int y, Rgb c, float alpha);

float clamp01(float v);
float smooth_step(float edge0, float edge1, float x);
// Colour from a gradient of stops at positions 0..1 (sorted, first at 0).
Rgb gradient(const std::vector<std::pair<float, Rgb>>& stops, float t);

// Small deterministic generator, the same sequence on every platform.
struct Rng {
    uint64_t state;
};
uint32_t rng_next(Rng* rng);
float rng_float(Rng* rng);  // 0 <= v < 1

// Value noise on a lattice of cell pixels that wraps after period_x by
// period_y cells; smooth (quintic) interpolation, result in 0..1.
struct Noise {
    int period_x;
    int period_y;
    std::vector<float> lattice;
};
Noise noise_make(int period_x, int period_y, uint64_t seed);
float noise_at(const Noise& noise, float x, float y);

// Builds a palette for all images together and maps them onto it. Only the
// palette entries in slots are used. Each component the adjust hook sees may
// be changed (for palette rules) before the final mapping. dither adds an
// ordered 4x4 offset of that many component steps at most.
struct QuantizeOptions {
    std::vector<int> slots;
    float dither = 0.0f;
    void (*adjust)(uint8_t* component) = nullptr;
};
// Options that may use all 256 palette entries, with the given dither.
QuantizeOptions quantize_every_entry(float dither);
void quantize(const std::vector<const RgbImage*>& images, const QuantizeOptions& options,
              uint8_t* palette, std::vector<Indexed>* out);

// Writes dir/grafika/name; 0 on success.
int picture_write(const std::string& dir, const char* name, const Indexed& picture,
                  const uint8_t* palette);
