// The image every frame travels in: a shared-memory segment the server reads
// directly, or a heap block sent with XPutImage when the extension is off or
// the segment cannot be attached. Frames are enlarged straight into it.
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

#include "core/image.h"
#include "display/display.h"
#include "display/x11/x11_display.h"

static int attach_failed;

static int attach_error(Display*, XErrorEvent*)
{
    attach_failed = 1;
    return 0;
}

// Drops a shared-memory image that never got attached to the server.
static void shm_image_abandon()
{
    if (x11.image) {
        x11.image->data = nullptr;
        XDestroyImage(x11.image);
        x11.image = nullptr;
    }
    free(x11.shm);
    x11.shm = nullptr;
}

// shm_image_create's result when the segment could not be attached in this
// process or in the server, and nothing of it is kept: the plain image is
// the way on.
static constexpr int SHM_NOT_ATTACHED = 1;

// 0 when the image lives in an attached segment; SHM_NOT_ATTACHED; or one of
// x11_image_create's failures, which end the set-up.
static int shm_image_create()
{
    x11.shm = static_cast<XShmSegmentInfo*>(calloc(1, sizeof(XShmSegmentInfo)));
    if (!x11.shm)
        return X11_IMAGE_NO_SEGMENT_INFO;
    x11.image = XShmCreateImage(x11.display, x11.visual, 8, ZPixmap, nullptr, x11.shm,
                                x11.image_width, x11.image_height);
    if (!x11.image || x11.image->bytes_per_line != x11.image_width)
        return X11_IMAGE_NO_RECORD;
    size_t size = static_cast<size_t>(x11.image_width) * x11.image_height;
    // Owner-only: the frames are nobody else's business, and the server
    // attaches as the connecting user.
    x11.shm->shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (x11.shm->shmid < 0)
        return X11_IMAGE_NO_PIXELS;
    void* address = shmat(x11.shm->shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(x11.shm->shmid, IPC_RMID, nullptr);
        shm_image_abandon();
        return SHM_NOT_ATTACHED;
    }
    x11.shm->shmaddr = static_cast<char*>(address);
    x11.shm->readOnly = True;

    // A refused attach arrives as an asynchronous error; catch it here
    // instead of letting the default handler end the program.
    XSync(x11.display, False);
    attach_failed = 0;
    XErrorHandler previous = XSetErrorHandler(attach_error);
    Status sent = XShmAttach(x11.display, x11.shm);
    XSync(x11.display, False);
    XSetErrorHandler(previous);
    // Marked now, the segment goes away once both sides have let go of it,
    // however the program ends.
    shmctl(x11.shm->shmid, IPC_RMID, nullptr);
    if (!sent || attach_failed) {
        shmdt(address);
        shm_image_abandon();
        return SHM_NOT_ATTACHED;
    }
    x11.shm_attached = 1;
    x11.image->data = x11.shm->shmaddr;
    memset(address, 0, size);
    return 0;
}

static int plain_image_create()
{
    x11.image = XCreateImage(x11.display, x11.visual, 8, ZPixmap, 0, nullptr, x11.image_width,
                             x11.image_height, 8, x11.image_width);
    if (!x11.image)
        return X11_IMAGE_NO_RECORD;
    size_t size = static_cast<size_t>(x11.image_width) * x11.image_height;
    x11.image->data = static_cast<char*>(malloc(size));
    if (!x11.image->data)
        return X11_IMAGE_NO_PIXELS;
    memset(x11.image->data, 0, size);
    return 0;
}

int x11_image_create(int want_shm)
{
    x11.use_shm = want_shm ? 1 : 0;
    if (x11.use_shm) {
        int result = shm_image_create();
        if (result != SHM_NOT_ATTACHED)
            return result;
        x11.use_shm = 0;
    }
    return plain_image_create();
}

void x11_image_destroy()
{
    if (x11.use_shm) {
        if (x11.shm && x11.shm_attached)
            XShmDetach(x11.display, x11.shm);
        if (x11.shm && x11.shm->shmaddr)
            shmdt(x11.shm->shmaddr);
        x11.shm_attached = 0;
        free(x11.shm);
        x11.shm = nullptr;
    } else if (x11.image) {
        free(x11.image->data);
    }
    if (x11.image) {
        // The data is gone already; XDestroyImage must not free it again.
        x11.image->data = nullptr;
        XDestroyImage(x11.image);
        x11.image = nullptr;
    }
}

void display_present(const Image* frame)
{
    if (!x11.image)
        return;
    Image target{x11.image_width, x11.image_height, reinterpret_cast<uint8_t*>(x11.image->data)};
    image_blit_scaled(&target, 0, 0, x11.image_width, x11.image_height, frame, 0, 0, frame->width,
                      frame->height, 0, 0);
    if (x11.use_shm)
        XShmPutImage(x11.display, x11.window, x11.gc, x11.image, 0, 0, 0, 0, x11.image_width,
                     x11.image_height, False);
    else
        XPutImage(x11.display, x11.window, x11.gc, x11.image, 0, 0, 0, 0, x11.image_width,
                  x11.image_height);
    XFlush(x11.display);
}
