// Hand-made PCX files (see pcx_files.h).
#include "support/pcx_files.h"

#include <unistd.h>

#include <cstdlib>

#include "image/pcx.h"
#include "support/support.h"

PcxTestHeader test_pcx_header_for(int width, int height, int bytes_per_line)
{
    PcxTestHeader header;
    header.x_max = static_cast<uint16_t>(width - 1);
    header.y_max = static_cast<uint16_t>(height - 1);
    header.bytes_per_line = static_cast<uint16_t>(bytes_per_line ? bytes_per_line : width);
    return header;
}

static void put_u16(std::string* s, size_t at, uint16_t value)
{
    (*s)[at] = static_cast<char>(value & 0xff);
    (*s)[at + 1] = static_cast<char>(value >> 8);
}

std::string test_pcx_header(const PcxTestHeader& header)
{
    std::string s(128, '\0');
    s[0] = static_cast<char>(header.manufacturer);
    s[1] = static_cast<char>(header.version);
    s[2] = 1;
    s[3] = static_cast<char>(header.bits_per_pixel);
    put_u16(&s, 4, header.x_min);
    put_u16(&s, 6, header.y_min);
    put_u16(&s, 8, header.x_max);
    put_u16(&s, 10, header.y_max);
    s[65] = static_cast<char>(header.planes);
    put_u16(&s, 66, header.bytes_per_line);
    put_u16(&s, 68, 1);
    return s;
}

std::string test_pcx_tail(const uint8_t* palette, uint8_t marker)
{
    std::string s(1, static_cast<char>(marker));
    s.append(reinterpret_cast<const char*>(palette), 768);
    return s;
}

std::string test_pcx_runs(const uint8_t* pixels, size_t count)
{
    std::string s;
    size_t i = 0;
    while (i < count) {
        size_t run = 1;
        while (i + run < count && run < 63 && pixels[i + run] == pixels[i])
            run++;
        if (run > 1 || pixels[i] >= 0xC0)
            s += static_cast<char>(0xC0 | run);
        s += static_cast<char>(pixels[i]);
        i += run;
    }
    return s;
}

void test_pcx_palette(uint8_t* palette)
{
    for (int i = 0; i < 768; i++)
        palette[i] = static_cast<uint8_t>(i * 7 + i / 256);
    palette[0] = 255;
    palette[1] = 0;
    palette[767] = 255;
}

int test_pcx_load_bytes(const std::string& bytes, Image** out, uint8_t* palette)
{
    char path[] = "/tmp/quarrow-pcx-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        abort();
    close(fd);
    test_write_file(path, bytes);
    static Image marker;
    *out = &marker;
    int result = pcx_load(path, out, palette);
    unlink(path);
    return result;
}
