// The PCX reader. Files come from outside, so the header is checked before
// anything is allocated, every run is bounded by the image, not by the count
// in the file, and only regular files are read, so nothing can block.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
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
    PCX_BITS_PER_PIXEL = 8,
};

struct PcxHeader {
    int version;
    int bits_per_pixel;
    int width;
    int height;
    int planes;
    int bytes_per_line;
};

static char load_problem[160];

static void problem(const char* format, int a = 0, int b = 0, int c = 0)
{
    snprintf(load_problem, sizeof load_problem, format, a, b, c);
}

const char* pcx_load_problem()
{
    return load_problem;
}

static int read_u16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}

// Reads and parses the 128-byte header; -1 unless it is a PCX header.
static int read_header(int fd, PcxHeader* header)
{
    uint8_t raw[PCX_HEADER_SIZE];
    ssize_t got = read(fd, raw, sizeof raw);
    if (got < 0) {
        snprintf(load_problem, sizeof load_problem, "%s", strerror(errno));
        return -1;
    }
    if (got != PCX_HEADER_SIZE || raw[0] != PCX_MANUFACTURER) {
        problem("not a PC Paintbrush file");
        return -1;
    }
    header->version = raw[1];
    header->bits_per_pixel = raw[3];
    header->width = read_u16(raw + 8) - read_u16(raw + 4) + 1;
    header->height = read_u16(raw + 10) - read_u16(raw + 6) + 1;
    header->planes = raw[65];
    header->bytes_per_line = read_u16(raw + 66);
    return 0;
}

// Opens path for reading, refusing anything but a regular file. Opening does
// not wait for a writer (FIFO) or a carrier (terminal); -1 with the reason.
static int open_regular(const char* path)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        snprintf(load_problem, sizeof load_problem, "%s", strerror(errno));
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0)
        st.st_mode = 0;
    if (!S_ISREG(st.st_mode)) {
        snprintf(load_problem, sizeof load_problem, "%s",
                 S_ISDIR(st.st_mode) ? strerror(EISDIR) : "not a regular file");
        close(fd);
        return -1;
    }
    return fd;
}

// Decodes the pixel stream of an unpadded picture: one tight pass, every run
// cut at the end of the image.
static void decode_stream(int fd, Image* image)
{
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

// Decodes the pixel stream of a picture whose lines of stride bytes are
// wider than the image: the columns from the image's width on are decoded
// and dropped as they come, so no second, cut copy is ever made.
static void decode_padded(int fd, Image* image, int stride)
{
    uint8_t block[PCX_BLOCK_SIZE];
    const size_t width = static_cast<size_t>(image->width);
    const size_t padding = static_cast<size_t>(stride) - width;
    uint8_t* out = image->pixels;
    uint8_t* const end = out + width * static_cast<size_t>(image->height);
    uint8_t* row_end = out + width;
    size_t skip = 0;  // padding still to drop before the next row
    int count = 0;
    while (out < end) {
        ssize_t got = read(fd, block, sizeof block);
        if (got <= 0)
            return;
        for (ssize_t i = 0; i < got && out < end; i++) {
            uint8_t byte = block[i];
            size_t run = 1;
            if (count) {
                run = static_cast<size_t>(count);
                count = 0;
            } else if (byte >= 0xC0) {
                count = byte & 0x3F;
                continue;
            }
            while (run && out < end) {
                if (skip) {
                    size_t n = run < skip ? run : skip;
                    skip -= n;
                    run -= n;
                    continue;
                }
                size_t n = static_cast<size_t>(row_end - out);
                if (n > run)
                    n = run;
                memset(out, byte, n);
                out += n;
                run -= n;
                if (out == row_end) {
                    row_end += width;
                    skip = padding;
                }
            }
        }
    }
}

void pcx_decode(int fd, Image* image)
{
    if (!image || !image->pixels || image->width <= 0 || image->height <= 0)
        return;
    decode_stream(fd, image);
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
           header->bytes_per_line <= PCX_MAX_SIDE && header->height <= PCX_MAX_SIDE &&
           header->width * header->height < PCX_MAX_PIXELS;
}

static int load_open(int fd, Image** out, uint8_t* palette)
{
    PcxHeader header;
    if (read_header(fd, &header) != 0)
        return -1;
    if (header.version > 5) {
        problem("unknown PC Paintbrush version %d", header.version);
        return -1;
    }
    if (header.planes > 1) {
        fputs("Unable to handle Color PCX image\n", stdout);
        problem("%d colour planes, only one is read", header.planes);
        return -1;
    }
    if (header.bits_per_pixel != PCX_BITS_PER_PIXEL) {
        problem("%d bits per pixel, only 8 are read", header.bits_per_pixel);
        return -1;
    }
    if (!sizes_acceptable(&header)) {
        problem("unusable size %dx%d with %d bytes per line", header.width, header.height,
                header.bytes_per_line);
        return -1;
    }

    Image* image = nullptr;
    if (image_create(&image, header.width, header.height) != 0) {
        image_free(&image);
        snprintf(load_problem, sizeof load_problem, "%s", strerror(ENOMEM));
        return -1;
    }
    if (header.bytes_per_line == header.width)
        decode_stream(fd, image);
    else
        decode_padded(fd, image, header.bytes_per_line);

    if (header.version == 5) {
        pcx_read_palette(fd, palette);
        load_problem[0] = '\0';
    } else {
        problem("version %d, without a 256-colour table", header.version);
    }
    *out = image;
    return header.version;
}

int pcx_load(const char* path, Image** out, uint8_t* palette)
{
    *out = nullptr;
    int fd = open_regular(path);
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
    int fd = open_regular(path);
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
