// The PCX reader. Files come from outside, so the header is checked before
// anything is allocated and every run is bounded by the image, not by the
// count in the file.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "image/pcx.h"

enum {
    PCX_HEADER_SIZE = 128,
    PCX_BLOCK_SIZE = 4096,
    PCX_TAIL_SIZE = 769,
    PCX_MANUFACTURER = 10,
    PCX_PALETTE_MARKER = 12,
};

struct PcxHeader {
    int version;
    int width;
    int height;
    int planes;
    int bytes_per_line;
};

static int read_u16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

// Reads and parses the 128-byte header; -1 unless it is a PCX header.
static int read_header(int fd, PcxHeader* header)
{
    uint8_t raw[PCX_HEADER_SIZE];
    if (read(fd, raw, sizeof raw) != PCX_HEADER_SIZE || raw[0] != PCX_MANUFACTURER)
        return -1;
    header->version = raw[1];
    header->width = read_u16(raw + 8) - read_u16(raw + 4) + 1;
    header->height = read_u16(raw + 10) - read_u16(raw + 6) + 1;
    header->planes = raw[65];
    header->bytes_per_line = read_u16(raw + 66);
    return 0;
}

void pcx_decode(int fd, Image* image)
{
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0)
        return;
    uint8_t block[PCX_BLOCK_SIZE];
    uint8_t* out = image->pixels;
    uint8_t* const end = out + static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    int count = 0;  // pending run length; survives from one block to the next
    while (out < end) {
        ssize_t got = read(fd, block, sizeof block);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got && out < end; i++) {
            uint8_t byte = block[i];
            if (count) {
                size_t run = static_cast<size_t>(count);
                if (run > static_cast<size_t>(end - out))
                    run = static_cast<size_t>(end - out);
                memset(out, byte, run);
                out += run;
                count = 0;
            } else if (byte >= 0xC0) {
                count = byte & 0x3F;
            } else {
                *out++ = byte;
            }
        }
    }
}

int pcx_read_palette(int fd, uint8_t* palette)
{
    uint8_t tail[PCX_TAIL_SIZE];
    if (lseek(fd, -PCX_TAIL_SIZE, SEEK_END) < 0)
        return -1;
    if (read(fd, tail, sizeof tail) != PCX_TAIL_SIZE || tail[0] != PCX_PALETTE_MARKER)
        return -1;
    memcpy(palette, tail + 1, 768);
    return 0;
}

// Sizes a hostile header could use to make us allocate or loop without
// bound, or to cut columns that do not exist.
static bool sizes_acceptable(const PcxHeader* header)
{
    return header->width > 0 && header->height > 0 && header->width <= header->bytes_per_line &&
           header->bytes_per_line <= PCX_MAX_SIDE && header->height <= PCX_MAX_SIDE;
}

static int load_open(int fd, Image** out, uint8_t* palette)
{
    PcxHeader header;
    if (read_header(fd, &header) != 0 || header.version > 5)
        return -1;
    if (header.planes > 1) {
        fputs("Unable to handle Color PCX image\n", stdout);
        return -1;
    }
    if (!sizes_acceptable(&header))
        return -1;

    Image* image = nullptr;
    if (image_create(&image, header.bytes_per_line, header.height) != 0) {
        image_free(&image);
        return -1;
    }
    pcx_decode(fd, image);

    if (header.width != header.bytes_per_line) {
        Image* cut = nullptr;
        if (image_create(&cut, header.width, header.height) != 0) {
            image_free(&cut);
            image_free(&image);
            return -1;
        }
        for (int y = 0; y < header.height; y++)
            memcpy(cut->pixels + static_cast<size_t>(y) * header.width,
                   image->pixels + static_cast<size_t>(y) * header.bytes_per_line, header.width);
        image_free(&image);
        image = cut;
    }

    if (header.version == 5)
        pcx_read_palette(fd, palette);
    *out = image;
    return header.version;
}

int pcx_load(const char* path, Image** out, uint8_t* palette)
{
    *out = nullptr;
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    int result = load_open(fd, out, palette);
    close(fd);
    return result;
}

int pcx_info(const char* path, int* width, int* height)
{
    *width = 0;
    *height = 0;
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    PcxHeader header;
    if (read_header(fd, &header) != 0) {
        close(fd);
        return -1;
    }
    printf("%s is a %dx%d PC Paintbrush image", path, header.width, header.height);
    *width = header.width;
    *height = header.height;
    int result = header.version;
    switch (header.version) {
    case 0: puts(" - Version 2.5"); break;
    case 2: puts(" - Version 2.8 w/palette information"); break;
    case 3: puts(" - Version 2.8 w/o palette information"); break;
    case 5: puts(" - Version 3.0 / 256 colors palette"); break;
    default:
        puts(" - Version ERROR");
        result = -1;
        break;
    }
    close(fd);
    return result;
}
