// The X window of quarrow: options, the pixel-size question, the connection,
// window, graphics context, invisible cursor and private 256-entry colormap,
// the palette, and the shut-down that undoes whatever set-up got to make.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "core/fatal.h"
#include "core/prompt.h"
#include "display/display.h"
#include "display/x11/x11_display.h"

X11Display x11;

static const char* const PIXEL_SIZE_PROMPT =
    "Choose display mode:\n1. Pixel size 1\n2. Pixel size 2\nType corresponding number : ";

static XIOErrorHandler library_io_error;

// The server went away mid-run. Xlib ends the program after this; the music
// process must not outlive it, and the lost hook stops it.
static int io_error(Display* display)
{
    display_lost();
    if (library_io_error)
        library_io_error(display);
    fatal_exit(STATUS_FAILED);
}

static pid_t pipe_handler_owner;

// A write to a server that has gone away raises SIGPIPE before Xlib can
// report the lost connection, so the music is stopped on this path too; the
// program then dies of the signal as it would have. The music process
// inherits the handler but has no music of its own to stop.
static void broken_pipe(int signal_number)
{
    if (getpid() == pipe_handler_owner)
        display_lost();
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

static void lost_server_handlers_install()
{
    library_io_error = XSetIOErrorHandler(io_error);
    struct sigaction current;
    // An ignored SIGPIPE stays ignored: Xlib then sees the failed write.
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        pipe_handler_owner = getpid();
        signal(SIGPIPE, broken_pipe);
    }
}

// Returns 1 when -x turned shared memory off. Bad options are reported and
// skipped; the run goes on.
static int options_read(int argc, char** argv)
{
    int shm_off = 0;
    optind = 1;
    int option;
    while ((option = getopt(argc, argv, "x")) != -1) {
        if (option == 'x')
            shm_off = 1;
        else
            puts("         -x     Shared Memory Extension OFF");
    }
    fflush(stdout);
    return shm_off;
}

static void window_open(int argc, char** argv, const char* title, XVisualInfo* info)
{
    Display* d = x11.display;
    Window root = RootWindow(d, x11.screen);

    // The colormap and a border pixel go in at creation, so a server whose
    // root window has another depth or visual accepts the 8-bit window.
    x11.colormap = XCreateColormap(d, root, info->visual, AllocAll);
    XSetWindowAttributes attributes{};
    attributes.colormap = x11.colormap;
    attributes.border_pixel = 0;
    x11.window = XCreateWindow(d, root, 0, 0, x11.image_width, x11.image_height, 0, 8,
                               InputOutput, info->visual, CWColormap | CWBorderPixel,
                               &attributes);

    x11.gc = XCreateGC(d, x11.window, 0, nullptr);
    XSetBackground(d, x11.gc, WhitePixel(d, x11.screen));
    XSetForeground(d, x11.gc, BlackPixel(d, x11.screen));
    XClearWindow(d, x11.window);

    XSizeHints hints{};
    hints.flags = PPosition | PSize | PMinSize | PMaxSize;
    hints.width = hints.min_width = hints.max_width = x11.image_width;
    hints.height = hints.min_height = hints.max_height = x11.image_height;
    XSetStandardProperties(d, x11.window, title, title, None, argv, argc, &hints);

    XColor black, exact;
    XAllocNamedColor(d, DefaultColormap(d, x11.screen), "black", &black, &exact);
    static char empty_bits[20];
    Pixmap bitmap = XCreateBitmapFromData(d, x11.window, empty_bits, 10, 10);
    x11.cursor = XCreatePixmapCursor(d, bitmap, bitmap, &black, &black, 0, 0);
    XDefineCursor(d, x11.window, x11.cursor);
    XFreePixmap(d, bitmap);

    XSync(d, True);
    XMapRaised(d, x11.window);
}

// The window starts with the server's current colours, each component cut
// to the low byte of its 16-bit value.
static void colours_inherit()
{
    XColor cells[256];
    for (int i = 0; i < 256; i++)
        cells[i].pixel = i;
    XQueryColors(x11.display, DefaultColormap(x11.display, x11.screen), cells, 256);
    for (int i = 0; i < 256; i++) {
        shared_palette[3 * i] = cells[i].red & 0xff;
        shared_palette[3 * i + 1] = cells[i].green & 0xff;
        shared_palette[3 * i + 2] = cells[i].blue & 0xff;
    }
    display_set_palette(shared_palette);
    XFlush(x11.display);
}

void display_setup(int argc, char** argv, const char* title, int width, int height)
{
    int shm_off = options_read(argc, argv);
    x11.pixel_size = ask_number(PIXEL_SIZE_PROMPT, 1, 2);

    x11.display = XOpenDisplay(nullptr);
    if (!x11.display) {
        fflush(stdout);
        fprintf(stderr, "%s: cannot connect to X server!\n", argv[0]);
        fatal_exit(STATUS_NO_DISPLAY);
    }
    lost_server_handlers_install();
    x11.screen = DefaultScreen(x11.display);
    XVisualInfo info;
    if (!XMatchVisualInfo(x11.display, x11.screen, 8, PseudoColor, &info)) {
        fflush(stdout);
        fputs("This Demo requires a 8 bit depth PseudoColor display!\n", stderr);
        fatal_exit(STATUS_NO_DISPLAY);
    }
    x11.visual = info.visual;
    x11.image_width = width * x11.pixel_size;
    x11.image_height = height * x11.pixel_size;
    window_open(argc, argv, title, &info);
    colours_inherit();

    int want_shm = shm_off ? 0 : XShmQueryExtension(x11.display);
    int result = x11_image_create(want_shm);
    // Reported after the attempt, so a segment the server refused is not
    // announced as in use.
    if (!shm_off)
        fputs(x11.use_shm ? "INFO: Shared memory extension in use\n"
                          : "INFO: Shared memory extension not in use\n", stdout);
    if (result != 0) {
        fputs(MSG_CANNOT_ALLOCATE, stdout);
        fflush(stdout);
        display_shutdown();
        fatal_exit(STATUS_FAILED);
    }
    fflush(stdout);
}

void display_set_palette(const uint8_t* palette)
{
    if (!x11.display)
        return;
    XColor cells[256];
    for (int i = 0; i < 256; i++) {
        cells[i].pixel = i;
        cells[i].red = static_cast<unsigned short>(palette[3 * i] << 8);
        cells[i].green = static_cast<unsigned short>(palette[3 * i + 1] << 8);
        cells[i].blue = static_cast<unsigned short>(palette[3 * i + 2] << 8);
        cells[i].flags = DoRed | DoGreen | DoBlue;
    }
    XStoreColors(x11.display, x11.colormap, cells, 256);
    XSetWindowColormap(x11.display, x11.window, x11.colormap);
    // With no window manager nobody installs a window's colormap, and the
    // pixels would show the default map's colours.
    XInstallColormap(x11.display, x11.colormap);
}

void display_shutdown()
{
    x11_image_destroy();
    if (x11.display) {
        if (x11.cursor)
            XFreeCursor(x11.display, x11.cursor);
        if (x11.colormap)
            XFreeColormap(x11.display, x11.colormap);
        if (x11.gc)
            XFreeGC(x11.display, x11.gc);
        XCloseDisplay(x11.display);
    }
    x11 = X11Display{};
}
