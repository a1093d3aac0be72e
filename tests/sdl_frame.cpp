// quarrow-sdl-frame: the SDL back end alone, for tests that look at its
// window from outside. It shows the indexed PNG named on the command line
// (a frame quarrow-render wrote) through its own palette, says "shown", then
// follows commands on standard input, one per line, until "quit":
//   present       shows the frame again, then says "shown"
//   palette       sets the frame's palette inverted, without presenting,
//                 then says "set"
#include <cstdio>
#include <cstring>

#include "display/display.h"
#include "support/support.h"

int main(int argc, char** argv)
{
    PngFrame png;
    if (argc != 2 || !test_read_png(argv[1], &png) || png.pixels.empty()) {
        fprintf(stderr, "usage: quarrow-sdl-frame FRAME.png\n");
        return 2;
    }
    display_setup(argc, argv, "quarrow for LINUX by tobrak", png.width, png.height);
    Image frame{png.width, png.height, png.pixels.data()};
    display_set_palette(png.palette.data());
    display_present(&frame);
    puts("shown");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin) && strcmp(line, "quit\n") != 0) {
        if (strcmp(line, "present\n") == 0) {
            display_present(&frame);
            puts("shown");
        } else if (strcmp(line, "palette\n") == 0) {
            uint8_t inverted[768];
            for (int i = 0; i < 768; i++)
                inverted[i] = static_cast<uint8_t>(255 - png.palette[i]);
            display_set_palette(inverted);
            puts("set");
        }
        fflush(stdout);
    }
    display_shutdown();
    puts("done");
    return 0;
}
