// The emulated card of the SVGA stand-in (see vga.h): mode table, linear
// video memory for the paged modes, four planes for the planar ones, the
// 6-bit palette, and the window that graph_mem points at.
#include "display/vga/vgalib/vga.h"

#include <cstdlib>
#include <cstring>

#include "display/vga/vgalib/vga_screen.h"

unsigned char* graph_mem;

namespace {

struct StandinMode {
    int number;
    int width;
    int height;
    bool planar;
};

const StandinMode standin_modes[] = {
    {G320x200x256, 320, 200, false}, {G320x240x256, 320, 240, true},
    {G320x400x256, 320, 400, true},  {G360x480x256, 360, 480, true},
    {G640x480x256, 640, 480, false}, {G800x600x256, 800, 600, false},
};

constexpr int PAGE_SIZE = 65536;
constexpr int VIDEO_MEMORY = 16 * PAGE_SIZE;

unsigned char video_memory[VIDEO_MEMORY];  // planar modes: plane p at p x 64 KiB
int palette[768];
const StandinMode* current;
int sequencer_index;
vga_modeinfo info;
bool available[16];

const StandinMode* find_mode(int mode)
{
    for (const StandinMode& m : standin_modes)
        if (m.number == mode)
            return &m;
    return nullptr;
}

}  // namespace

int vga_init(void)
{
    const char* listed = getenv("VGA_STANDIN_MODES");
    const bool device_ready = !listed && vga_screen_probe();
    for (const StandinMode& m : standin_modes) {
        if (listed) {
            available[m.number] = false;
            for (const char* p = listed; *p;) {
                char* end;
                long n = strtol(p, &end, 10);
                if (end == p)
                    break;
                if (n == m.number)
                    available[m.number] = true;
                p = *end == ',' ? end + 1 : end;
            }
        } else {
            // Every mode fits its 4:3 area on any screen the device has.
            available[m.number] = device_ready;
        }
    }
    return 0;
}

int vga_hasmode(int mode)
{
    return mode >= 0 && mode < 16 && find_mode(mode) && available[mode];
}

int vga_setmode(int mode)
{
    if (mode == TEXT) {
        if (current)
            vga_screen_close();
        current = nullptr;
        graph_mem = nullptr;
        return 0;
    }
    if (!vga_hasmode(mode))
        return -1;
    current = find_mode(mode);
    memset(video_memory, 0, sizeof video_memory);
    graph_mem = video_memory;
    vga_screen_open(current->width, current->height);
    return 0;
}

void vga_setdisplaystart(int address)
{
    (void)address;
}

int vga_clear(void)
{
    memset(video_memory, 0, sizeof video_memory);
    return 0;
}

vga_modeinfo* vga_getmodeinfo(int mode)
{
    const StandinMode* m = find_mode(mode);
    if (!m)
        return nullptr;
    info = vga_modeinfo{};
    info.width = m->width;
    info.height = m->height;
    info.bytesperpixel = m->planar ? 0 : 1;
    info.colors = 256;
    info.linewidth = m->planar ? m->width / 4 : m->width;
    info.maxlogicalwidth = info.linewidth;
    info.maxpixels = m->width * m->height;
    return &info;
}

int vga_getcolors(void)
{
    return current ? 256 : 16;
}

int vga_setpalvec(int start, int num, int* pal)
{
    if (start < 0 || num < 0 || start + num > 256)
        return -1;
    for (int i = 0; i < 3 * num; i++)
        palette[3 * start + i] = pal[i] & 63;
    return num;
}

void vga_waitretrace(void)
{
    if (current)
        vga_screen_wait_retrace();
}

void vga_standin_scanout(void)
{
    if (current)
        vga_screen_show();
}

void vga_setpage(int page)
{
    if (current && !current->planar && page >= 0 && page < VIDEO_MEMORY / PAGE_SIZE)
        graph_mem = video_memory + page * PAGE_SIZE;
}

void port_out(int value, int port)
{
    if (port == 0x3C4) {
        sequencer_index = value & 0xff;
    } else if (port == 0x3C5 && sequencer_index == 2 && current && current->planar) {
        int mask = value & 15;
        int plane = 0;
        while (mask && !(mask & (1 << plane)))
            plane++;
        graph_mem = video_memory + (mask ? plane : 0) * PAGE_SIZE;
    }
}

void vga_standin_screen(unsigned char* pixels)
{
    if (!current)
        return;
    const int w = current->width, h = current->height;
    if (!current->planar) {
        memcpy(pixels, video_memory, static_cast<size_t>(w) * h);
        return;
    }
    // Pixel x of a row lies in plane x mod 4, at byte x / 4 of the row.
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            pixels[y * w + x] = video_memory[(x & 3) * PAGE_SIZE + (y * w) / 4 + x / 4];
}

const int* vga_standin_palette(void)
{
    return palette;
}
