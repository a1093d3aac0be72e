// The PCX writer: version 5, 8 bits, one plane, run-length coded scan lines
// of even length, and the 256-colour table at the end. Scan lines are coded
// one by one, as other readers expect.
#include <cstdio>
#include <cstring>
#include <vector>

#include "image/pcx.h"

static void put_u16(uint8_t* p, int value)
{
    p[0] = static_cast<uint8_t>(value & 0xff);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xff);
}

static void encode_line(std::vector<uint8_t>* out, const uint8_t* line, int length)
{
    int i = 0;
    while (i < length) {
        uint8_t value = line[i];
        int run = 1;
        while (i + run < length && run < 63 && line[i + run] == value)
            run++;
        if (run > 1 || value >= 0xC0)
            out->push_back(static_cast<uint8_t>(0xC0 | run));
        out->push_back(value);
        i += run;
    }
}

int pcx_write(const char* path, const Image* image, const uint8_t* palette)
{
    if (image->width <= 0 || image->height <= 0 || image->width > PCX_MAX_SIDE ||
        image->height > PCX_MAX_SIDE ||
        static_cast<long>(image->width) * image->height >= PCX_MAX_PIXELS)
        return -1;
    const int bytes_per_line = (image->width + 1) & ~1;

    std::vector<uint8_t> file(128, 0);
    file[0] = 10;  // manufacturer
    file[1] = 5;   // version 3.0, 256-colour table at the end
    file[2] = 1;   // run-length coded
    file[3] = 8;   // bits per pixel
    put_u16(&file[8], image->width - 1);
    put_u16(&file[10], image->height - 1);
    put_u16(&file[12], 72);
    put_u16(&file[14], 72);
    file[65] = 1;  // planes
    put_u16(&file[66], bytes_per_line);
    put_u16(&file[68], 1);  // colour palette

    std::vector<uint8_t> line(bytes_per_line, 0);
    for (int y = 0; y < image->height; y++) {
        memcpy(line.data(), image->pixels + static_cast<size_t>(y) * image->width, image->width);
        encode_line(&file, line.data(), bytes_per_line);
    }
    file.push_back(12);
    file.insert(file.end(), palette, palette + 768);

    FILE* f = fopen(path, "wb");
    if (!f)
        return -1;
    bool ok = fwrite(file.data(), 1, file.size(), f) == file.size();
    if (fclose(f) != 0)
        ok = false;
    return ok ? 0 : -1;
}
