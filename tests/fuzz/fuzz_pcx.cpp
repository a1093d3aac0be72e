// libFuzzer target for the PCX reader: every input is loaded from a memory
// file with pcx_load and reported with pcx_info, and the results are held to
// the reader's promises: an image only on success, within the size caps and
// fully readable; the palette written only by a version-5 load; and never
// more heap held during a load than the one image it hands back.
#include <fcntl.h>
#include <sanitizer/allocator_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "image/pcx.h"

static void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

// Highest heap use seen while watching, from the allocator's own count.
static bool watching;
static size_t heap_peak;

static void on_malloc(const volatile void*, size_t)
{
    if (!watching)
        return;
    size_t now = __sanitizer_get_current_allocated_bytes();
    if (now > heap_peak)
        heap_peak = now;
}

static void on_free(const volatile void*) {}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free);
    // The reader's messages and pcx_info's lines would drown the fuzzer's own.
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int fd = memfd_create("pcx", MFD_CLOEXEC);
    check(fd >= 0);
    check(write(fd, data, size) == static_cast<ssize_t>(size));
    char path[64];
    snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

    uint8_t palette[768];
    memset(palette, 0xA5, sizeof palette);
    Image* image = nullptr;
    size_t heap_before = __sanitizer_get_current_allocated_bytes();
    heap_peak = heap_before;
    watching = true;
    int result = pcx_load(path, &image, palette);
    watching = false;
    check(result >= -1 && result <= 5);
    check((result >= 0) == (image != nullptr));
    size_t image_bytes = image ? static_cast<size_t>(image->width) * image->height : 0;
    check(heap_peak - heap_before <= image_bytes + 4096);
    if (image) {
        check(image->width > 0 && image->width <= PCX_MAX_SIDE);
        check(image->height > 0 && image->height <= PCX_MAX_SIDE);
        check(image_bytes < static_cast<size_t>(PCX_MAX_PIXELS));
        // Reading the last pixel lets the address checker prove that the
        // allocation covers width x height.
        volatile uint8_t last = image->pixels[static_cast<size_t>(image->width) * image->height - 1];
        (void)last;
        image_free(&image);
    }
    if (result != 5)
        for (uint8_t b : palette)
            check(b == 0xA5);

    int width = -1, height = -1;
    int info = pcx_info(path, &width, &height);
    check(info == -1 || info == 0 || info == 2 || info == 3 || info == 5);
    check(width >= -65534 && width <= 65536 && height >= -65534 && height <= 65536);
    close(fd);
    return 0;
}
