// quarrow-assets: writes the demo's pictures and module into a folder,
// by default the current one: grafika/*.pcx and music/quarrow.xm; or, with
// --icon, the launcher's desktop icon. The output depends only on this
// source, so a rerun gives the same bytes.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assets.h"

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "--icon") == 0) {
        if (icon_write(argv[2], atoi(argv[3])) != 0) {
            fprintf(stderr, "quarrow-assets: cannot write the icon %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        fprintf(stderr, "usage: quarrow-assets [DIR]\n"
                        "       quarrow-assets --icon FILE.png SIZE\n"
                        "Writes DIR/grafika/*.pcx and DIR/music/quarrow.xm (DIR defaults to .),\n"
                        "or the launcher's SIZE x SIZE icon (16 to 128).\n");
        return 2;
    }
    std::string dir = argc == 2 ? argv[1] : ".";
    mkdir(dir.c_str(), 0777);
    mkdir((dir + "/grafika").c_str(), 0777);
    mkdir((dir + "/music").c_str(), 0777);
    struct Step {
        const char* what;
        int (*write)(const std::string&);
    };
    const Step steps[] = {
        {"title card", title_write}, {"reliefs", relief_write}, {"water picture", water_write},
        {"mesh and card", mesh_write}, {"disc texture", disc_write}, {"plasma overlay", plasma_write},
        {"module", music_write},
    };
    for (const Step& step : steps) {
        if (step.write(dir) != 0) {
            fprintf(stderr, "quarrow-assets: cannot write the %s under %s\n", step.what, dir.c_str());
            return 1;
        }
    }
    return 0;
}
