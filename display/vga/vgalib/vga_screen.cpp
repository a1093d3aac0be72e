// The stand-in's screen: the emulated picture is stretched onto the Linux
// frame buffer device through the 6-bit palette, and the console is put in
// graphics mode meanwhile so its text does not draw over the demo.
#include "display/vga/vgalib/vga_screen.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <linux/kd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "display/vga/vgalib/vga.h"

namespace {

int fb_fd = -1;
int tty_fd = -1;
uint8_t* fb_memory;
size_t fb_size;
fb_var_screeninfo var;
fb_fix_screeninfo fix;
int mode_width, mode_height;
std::vector<unsigned char> screen;
std::vector<int> column_of;  // mode column shown in each device column
timespec next_retrace;

bool open_device()
{
    fb_fd = open("/dev/fb0", O_RDWR | O_CLOEXEC);
    if (fb_fd < 0)
        return false;
    if (ioctl(fb_fd, FBIOGET_VSCREENINFO, &var) != 0 || ioctl(fb_fd, FBIOGET_FSCREENINFO, &fix) != 0 ||
        (var.bits_per_pixel != 16 && var.bits_per_pixel != 24 && var.bits_per_pixel != 32)) {
        close(fb_fd);
        fb_fd = -1;
        return false;
    }
    return true;
}

uint32_t device_colour(const int* rgb)
{
    // 6-bit components widened to 8 bits, then cut to the device's fields.
    uint32_t c[3];
    for (int i = 0; i < 3; i++)
        c[i] = static_cast<uint32_t>((rgb[i] << 2) | (rgb[i] >> 4));
    auto field = [](uint32_t value, const fb_bitfield& f) {
        return (value >> (8 - (f.length > 8 ? 8 : f.length))) << f.offset;
    };
    return field(c[0], var.red) | field(c[1], var.green) | field(c[2], var.blue);
}

void wait_for_retrace()
{
    const long period = 1000000000L / 60;
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    long ahead = (next_retrace.tv_sec - now.tv_sec) * 1000000000L + (next_retrace.tv_nsec - now.tv_nsec);
    if (ahead > 0 && ahead <= period)
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next_retrace, nullptr);
    else
        next_retrace = now;
    next_retrace.tv_nsec += period;
    if (next_retrace.tv_nsec >= 1000000000L) {
        next_retrace.tv_sec++;
        next_retrace.tv_nsec -= 1000000000L;
    }
}

}  // namespace

bool vga_screen_can_show(int width, int height)
{
    if (fb_fd < 0 && !open_device())
        return false;
    return static_cast<int>(var.xres) >= width / 2 && static_cast<int>(var.yres) >= height / 2;
}

void vga_screen_open(int width, int height)
{
    mode_width = width;
    mode_height = height;
    screen.assign(static_cast<size_t>(width) * height, 0);
    if (fb_fd < 0 && !open_device())
        return;
    fb_size = fix.smem_len;
    void* mapped = mmap(nullptr, fb_size, PROT_READ | PROT_WRITE, MAP_SHARED, fb_fd, 0);
    fb_memory = mapped == MAP_FAILED ? nullptr : static_cast<uint8_t*>(mapped);
    column_of.resize(var.xres);
    for (unsigned x = 0; x < var.xres; x++)
        column_of[x] = static_cast<int>(static_cast<uint64_t>(x) * width / var.xres);
    tty_fd = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty_fd >= 0 && ioctl(tty_fd, KDSETMODE, KD_GRAPHICS) != 0) {
        close(tty_fd);
        tty_fd = -1;
    }
}

void vga_screen_show()
{
    wait_for_retrace();
    if (!fb_memory)
        return;
    vga_standin_screen(screen.data());
    const int* palette = vga_standin_palette();
    uint32_t colours[256];
    for (int i = 0; i < 256; i++)
        colours[i] = device_colour(palette + 3 * i);
    const unsigned bytes = var.bits_per_pixel / 8;
    for (unsigned y = 0; y < var.yres; y++) {
        const unsigned char* row = screen.data() + static_cast<size_t>(y * static_cast<uint64_t>(mode_height) / var.yres) * mode_width;
        size_t offset = (y + var.yoffset) * static_cast<size_t>(fix.line_length) + var.xoffset * bytes;
        if (offset + static_cast<size_t>(var.xres) * bytes > fb_size)
            break;
        uint8_t* out = fb_memory + offset;
        for (unsigned x = 0; x < var.xres; x++, out += bytes) {
            uint32_t c = colours[row[column_of[x]]];
            memcpy(out, &c, bytes);  // little-endian: the low bytes hold the fields
        }
    }
}

void vga_screen_close()
{
    if (fb_memory) {
        memset(fb_memory, 0, fb_size);
        munmap(fb_memory, fb_size);
        fb_memory = nullptr;
    }
    if (tty_fd >= 0) {
        ioctl(tty_fd, KDSETMODE, KD_TEXT);
        close(tty_fd);
        tty_fd = -1;
    }
    if (fb_fd >= 0) {
        close(fb_fd);
        fb_fd = -1;
    }
}
