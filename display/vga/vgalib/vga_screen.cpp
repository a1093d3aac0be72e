// The stand-in's screen: the emulated picture is scaled into its 4:3 area of
// the Linux frame buffer device through the 6-bit palette, converted to the
// device's pixel layout, while the console is in graphics mode.
#include "display/vga/vgalib/vga_screen.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

#include "display/vga/vgalib/vga.h"
#include "display/vga/vgalib/vga_console.h"

namespace {

int fb_fd = -1;
bool on_console;  // a real device on a virtual console, not memory
uint8_t* fb_memory;
size_t fb_size;
fb_var_screeninfo var;
fb_fix_screeninfo fix;
int mode_width, mode_height;
VgaArea area;
std::vector<unsigned char> screen;
std::vector<int> column_of;  // mode column shown in each column of the area
std::vector<uint8_t> row_out;  // one converted row of the area
timespec next_retrace;

const char* device_path()
{
    const char* path = getenv("FRAMEBUFFER");
    return path && *path ? path : "/dev/fb0";
}

void report(const char* text)
{
    fprintf(stderr, "%s: %s\n", program_invocation_short_name, text);
}

bool open_device()
{
    const char* path = device_path();
    char why[256];
    fb_fd = open(path, O_RDWR | O_CLOEXEC);
    if (fb_fd < 0) {
        snprintf(why, sizeof why, "cannot open the frame buffer %s: %s", path, strerror(errno));
        report(why);
        return false;
    }
    if (ioctl(fb_fd, FBIOGET_VSCREENINFO, &var) != 0 || ioctl(fb_fd, FBIOGET_FSCREENINFO, &fix) != 0) {
        snprintf(why, sizeof why, "%s is not a frame buffer device: %s", path, strerror(errno));
    } else if (var.bits_per_pixel != 16 && var.bits_per_pixel != 24 && var.bits_per_pixel != 32) {
        snprintf(why, sizeof why, "%s has %u bits per pixel; 16, 24 or 32 are needed", path,
                 var.bits_per_pixel);
    } else if (vga_console_check(why, sizeof why)) {
        return true;
    }
    report(why);
    close(fb_fd);
    fb_fd = -1;
    return false;
}

uint32_t device_colour(const int* rgb)
{
    // 6-bit components widened to 8 bits, then cut to the device's fields.
    uint32_t c[3];
    for (int i = 0; i < 3; i++)
        c[i] = static_cast<uint32_t>((rgb[i] << 2) | (rgb[i] >> 4));
    auto field = [](uint32_t value, const fb_bitfield& f) {
        uint32_t length = f.length > 8 ? 8 : f.length;
        return (value >> (8 - length)) << (f.offset + (f.length - length));
    };
    return field(c[0], var.red) | field(c[1], var.green) | field(c[2], var.blue);
}

uint8_t* visible_row(int y)
{
    size_t offset = (static_cast<size_t>(y) + var.yoffset) * fix.line_length +
                    static_cast<size_t>(var.xoffset) * (var.bits_per_pixel / 8);
    if (offset + static_cast<size_t>(var.xres) * (var.bits_per_pixel / 8) > fb_size)
        return nullptr;
    return fb_memory + offset;
}

void black_screen()
{
    for (unsigned y = 0; y < var.yres; y++)
        if (uint8_t* row = visible_row(static_cast<int>(y)))
            memset(row, 0, static_cast<size_t>(var.xres) * (var.bits_per_pixel / 8));
}

void place_area()
{
    area = vga_screen_area(mode_width, mode_height, static_cast<int>(var.xres), static_cast<int>(var.yres));
    column_of.resize(static_cast<size_t>(area.width));
    for (int x = 0; x < area.width; x++)
        column_of[x] = static_cast<int>(static_cast<int64_t>(x) * mode_width / area.width);
    row_out.resize(static_cast<size_t>(area.width) * 4);
}

template <unsigned BYTES>
void convert_row(const unsigned char* row, const uint32_t* colours)
{
    uint8_t* out = row_out.data();
    for (int x = 0; x < area.width; x++, out += BYTES) {
        uint32_t c = colours[row[column_of[x]]];
        memcpy(out, &c, BYTES);  // little-endian: the low bytes hold the fields
    }
}

}  // namespace

VgaArea vga_screen_area(int width, int height, int device_width, int device_height)
{
    // The smallest whole multiples ax x ay of the mode that make 4:3, e.g.
    // 1 x 1 for 640x480, 5 x 6 for 320x200.
    int ax = 4 * height, ay = 3 * width;
    for (int a = ax, b = ay; b;) {
        int r = a % b;
        a = b;
        b = r;
        if (!b) {
            ax /= a;
            ay /= a;
        }
    }
    int k = std::min(device_width / (ax * width), device_height / (ay * height));
    VgaArea out;
    if (k >= 1) {
        out.width = k * ax * width;
        out.height = k * ay * height;
    } else {
        out.height = std::min(device_height, device_width * 3 / 4);
        out.width = out.height * 4 / 3;
    }
    out.x = (device_width - out.width) / 2;
    out.y = (device_height - out.height) / 2;
    return out;
}

bool vga_screen_probe()
{
    if (fb_memory && !on_console)
        return true;
    if (fb_fd >= 0)
        return true;
    return open_device();
}

void vga_screen_use_memory(uint8_t* memory, const fb_var_screeninfo& v, const fb_fix_screeninfo& f)
{
    fb_memory = memory;
    var = v;
    fix = f;
    fb_size = static_cast<size_t>(f.line_length) * v.yres_virtual;
    on_console = false;
}

void vga_screen_open(int width, int height)
{
    mode_width = width;
    mode_height = height;
    screen.assign(static_cast<size_t>(width) * height, 0);
    if (fb_fd >= 0 && !fb_memory) {
        fb_size = fix.smem_len;
        void* mapped = mmap(nullptr, fb_size, PROT_READ | PROT_WRITE, MAP_SHARED, fb_fd, 0);
        fb_memory = mapped == MAP_FAILED ? nullptr : static_cast<uint8_t*>(mapped);
        on_console = fb_memory != nullptr;
        if (on_console)
            vga_console_take(fb_fd, fb_memory, fb_size);
    }
    if (!fb_memory)
        return;
    place_area();
    if (vga_console_draw_begin())
        black_screen();
    vga_console_draw_end();
}

void vga_screen_wait_retrace()
{
    if (fb_memory && !on_console)
        return;  // memory standing in for a device has no monitor to wait for
    const long period = 1000000000L / 60;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    // In 64 bits: readings 3 s apart overflow a 32-bit long.
    long long ahead = static_cast<long long>(next_retrace.tv_sec - now.tv_sec) * 1000000000LL +
                      (next_retrace.tv_nsec - now.tv_nsec);
    if (ahead > 0 && ahead <= period)
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next_retrace, nullptr) == EINTR) {
        }
    else
        next_retrace = now;
    next_retrace.tv_nsec += period;
    if (next_retrace.tv_nsec >= 1000000000L) {
        next_retrace.tv_sec++;
        next_retrace.tv_nsec -= 1000000000L;
    }
}

void vga_screen_show()
{
    if (!fb_memory || !vga_console_draw_begin()) {
        vga_console_draw_end();
        return;
    }
    if (vga_console_returned()) {
        // Another console drew here meanwhile, and may have panned.
        if (on_console)
            ioctl(fb_fd, FBIOGET_VSCREENINFO, &var);
        place_area();
        black_screen();
    }
    vga_standin_screen(screen.data());
    const int* palette = vga_standin_palette();
    uint32_t colours[256];
    for (int i = 0; i < 256; i++)
        colours[i] = device_colour(palette + 3 * i);
    const unsigned bytes = var.bits_per_pixel / 8;
    const size_t row_bytes = static_cast<size_t>(area.width) * bytes;
    int converted = -1;  // the mode row now in row_out
    for (int y = 0; y < area.height; y++) {
        uint8_t* out = visible_row(area.y + y);
        if (!out)
            break;
        int source = static_cast<int>(static_cast<int64_t>(y) * mode_height / area.height);
        if (source != converted) {
            const unsigned char* row = screen.data() + static_cast<size_t>(source) * mode_width;
            if (bytes == 4)
                convert_row<4>(row, colours);
            else if (bytes == 3)
                convert_row<3>(row, colours);
            else
                convert_row<2>(row, colours);
            converted = source;
        }
        memcpy(out + static_cast<size_t>(area.x) * bytes, row_out.data(), row_bytes);
    }
    vga_console_draw_end();
}

void vga_screen_close()
{
    if (on_console) {
        vga_console_give_back();
        munmap(fb_memory, fb_size);
        fb_memory = nullptr;
        on_console = false;
    }
    if (fb_fd >= 0) {
        close(fb_fd);
        fb_fd = -1;
    }
}
