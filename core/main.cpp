// Entry point of the programs that show the demo to people; everything else
// is in the library and the display back end linked beside it.
#include "core/script.h"

int main(int argc, char** argv)
{
    return demo_main(argc, argv);
}
