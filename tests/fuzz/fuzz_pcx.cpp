// libFuzzer target for the PCX reader: every input is loaded from a memory
// file with pcx_load and reported with pcx_info, and the results are held to
// the reader's promises: an image only on success, within the size caps and
// fully readable; the palette written only by a version-5 load.
#include <fcntl.h>
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

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
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
    int result = pcx_load(path, &image, palette);
    check(result >= -1 && result <= 5);
    check((result >= 0) == (image != nullptr));
    if (image) {
        check(image->width > 0 && image->width <= PCX_MAX_SIDE);
        check(image->height > 0 && image->height <= PCX_MAX_SIDE);
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
