// Entry point of the programs that show the demo to people (quarrow and
// quarrow-vga); they differ only in the display back end linked beside it.
#include "demo/demo.h"

int main(int argc, char** argv)
{
    DemoRun run{true, false, 0, nullptr};
    return demo_run(argc, argv, &run);
}
