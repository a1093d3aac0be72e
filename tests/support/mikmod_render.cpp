// Module rendering through libmikmod (see mikmod_render.h).
#include "support/mikmod_render.h"

#include <mikmod.h>
#include <unistd.h>

#include <cstring>

#include "support/support.h"

std::vector<int16_t> test_render_module(const std::string& path, int rate)
{
    TempDir temp;
    const std::string& dir = temp.path;
    char old[4096];
    if (dir.empty() || !getcwd(old, sizeof old) || chdir(dir.c_str()) != 0)
        return {};
    MikMod_RegisterDriver(&drv_raw);
    MikMod_RegisterLoader(&load_xm);
    md_device = 0;
    md_mixfreq = static_cast<UWORD>(rate);
    md_mode = DMODE_16BITS | DMODE_STEREO | DMODE_SOFT_MUSIC | DMODE_INTERP;
    std::vector<int16_t> out;
    if (MikMod_Init("") == 0) {
        MODULE* module = Player_Load(const_cast<char*>(path.c_str()), 64, 0);
        if (module) {
            module->wrap = 0;
            module->loop = 0;
            Player_Start(module);
            while (Player_Active())
                MikMod_Update();
            Player_Stop();
            Player_Free(module);
        }
        MikMod_Exit();
        if (module) {
            std::string raw = test_read_file(dir + "/music.raw");
            out.resize(raw.size() / 2);
            memcpy(out.data(), raw.data(), out.size() * 2);
        }
    }
    if (chdir(old) != 0)
        out.clear();
    return out;
}
