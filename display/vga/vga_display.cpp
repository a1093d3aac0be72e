// The display operations on the Linux console through the SVGA library: the
// mode menu, the 6-bit palette, and a copy of every frame into video memory
// after the retrace, page by page or plane by plane.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/fatal.h"
#include "core/prompt.h"
#include "display/display.h"
#include "display/vga/vgalib/vga.h"

namespace {

struct VgaMode {
    int number;
    const char* text;
    bool planar;
};

const VgaMode vga_mode_table[] = {
    {G320x200x256, "320x200/256 colors -> the worst", false},
    {G320x240x256, "320x240/256 colors -> RECOMMENDED!!!!", true},
    {G320x400x256, "320x400/256 colors -> slow", true},
    {G360x480x256, "360x480/256 colors -> slow", true},
    {G640x480x256, "640x480/256 colors -> the second best (but slow)", false},
    {G800x600x256, "800x600/256 colors -> very slow", false},
};
constexpr int MODE_COUNT = sizeof vga_mode_table / sizeof vga_mode_table[0];
constexpr int PAGE_SIZE = 65536;

const VgaMode* chosen;
int mode_width, mode_height;
uint8_t* screen_buffer;
int palette_vector[768];

void copy_paged(const uint8_t* picture)
{
    size_t total = static_cast<size_t>(mode_width) * mode_height;
    for (int page = 0; static_cast<size_t>(page) * PAGE_SIZE < total; page++) {
        size_t start = static_cast<size_t>(page) * PAGE_SIZE;
        size_t count = total - start < PAGE_SIZE ? total - start : PAGE_SIZE;
        vga_setpage(page);
        memcpy(graph_mem, picture + start, count);
    }
}

void copy_planar(const uint8_t* picture)
{
    const int quarter = mode_width / 4;
    for (int y = 0; y < mode_height; y++) {
        const uint8_t* row = picture + y * mode_width;
        for (int p = 0; p < 4; p++) {
            port_out(2, 0x3C4);  // sequencer map mask: write plane p only
            port_out(1 << p, 0x3C5);
            uint8_t* video = graph_mem + (y * mode_width) / 4;
            for (int k = 0; k < quarter; k++)
                video[k] = row[p + 4 * k];
        }
    }
}

}  // namespace

void display_setup(int argc, char** argv, const char* title, int width, int height)
{
    (void)argc;
    (void)argv;
    (void)title;
    (void)width;
    (void)height;
    vga_init();
    const VgaMode* offered[MODE_COUNT];
    int count = 0;
    for (const VgaMode& mode : vga_mode_table)
        if (vga_hasmode(mode.number))
            offered[count++] = &mode;
    if (count == 0) {
        fputs("ERROR: Not valid vga mode avaible!", stdout);
        fatal_exit(STATUS_NO_DISPLAY);
    }
    fputs("Choose a vga mode:\n", stdout);
    for (int i = 0; i < count; i++)
        printf(" %d. %s\n", i + 1, offered[i]->text);
    chosen = offered[ask_number("Type the number of the vga mode:", 1, count) - 1];
    if (vga_setmode(chosen->number) != 0)
        fputs("ERROR: No svga graphich mode found!\n", stdout);
    vga_setdisplaystart(0);
    vga_clear();
    vga_modeinfo* info = vga_getmodeinfo(chosen->number);
    mode_width = info->width;
    mode_height = info->height;
    printf("Width: %d  Height: %d  Colors: %d\n", info->width, info->height, info->colors);
    fflush(stdout);
    screen_buffer = static_cast<uint8_t*>(malloc(static_cast<size_t>(mode_width) * mode_height));
    if (!screen_buffer) {
        fputs("ERROR: malloc failed...\n", stdout);
        fatal_exit(STATUS_NO_DISPLAY);
    }
}

void display_set_palette(const uint8_t* palette)
{
    if (vga_getcolors() != 256)
        return;
    for (int i = 0; i < 768; i++)
        palette_vector[i] = palette[i] >> 2;
    vga_setpalvec(0, 256, palette_vector);
}

void display_present(const Image* frame)
{
    const uint8_t* picture = frame->pixels;
    if (mode_width != frame->width || mode_height != frame->height) {
        Image screen{mode_width, mode_height, screen_buffer};
        image_blit_scaled(&screen, 0, 0, mode_width, mode_height, frame, 0, 0, frame->width,
                          frame->height, 0, 0);
        picture = screen_buffer;
    }
    vga_waitretrace();
    if (chosen->planar)
        copy_planar(picture);
    else
        copy_paged(picture);
    vga_standin_scanout();
}

void display_shutdown()
{
    vga_setmode(TEXT);
    free(screen_buffer);
    screen_buffer = nullptr;
}
