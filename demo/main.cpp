// Entry point of the programs that show the demo to people (quarrow and
// quarrow-vga); they differ only in the display back end linked beside it.
#include <errno.h>

#include <cstdio>
#include <cstring>

#include "demo/demo.h"

int main(int argc, char** argv)
{
    // Answered before the banner and the questions; every other argument is
    // the display's (-x for the X window).
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--version") == 0) {
            printf("%s %s\n", program_invocation_short_name, QUARROW_VERSION);
            return 0;
        }
    }
    DemoRun run{};
    run.sound = true;
    return demo_run(argc, argv, &run);
}
