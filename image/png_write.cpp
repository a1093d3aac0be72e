// Indexed PNG output through libpng, for the recorded frames and the window's
// screenshots: colour type 3, depth 8, a full 256-entry PLTE. Fast compression
// keeps a whole script's frames quick to write; the bytes depend only on frame
// and palette.
#include <png.h>

#include <cstdio>

#include "image/png_write.h"

int image_write_png(const char* path, const Image* frame, const uint8_t* palette)
{
    FILE* f = fopen(path, "wb");
    if (!f)
        return -1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        fclose(f);
        return -1;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, frame->width, frame->height, 8, PNG_COLOR_TYPE_PALETTE,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color colours[256];
    for (int i = 0; i < 256; i++) {
        colours[i].red = palette[3 * i];
        colours[i].green = palette[3 * i + 1];
        colours[i].blue = palette[3 * i + 2];
    }
    png_set_PLTE(png, info, colours, 256);
    png_write_info(png, info);
    for (int y = 0; y < frame->height; y++)
        png_write_row(png, frame->pixels + static_cast<size_t>(y) * frame->width);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0 ? 0 : -1;
}
