// The data lookup (see data.h). The installed folder is fixed when the
// program is built (QUARROW_DATA_DIR), so an installed program finds its
// data from any working folder without reading the environment.
#include "core/data.h"

#include <unistd.h>

#ifndef QUARROW_DATA_DIR
#error "QUARROW_DATA_DIR must name the installed data folder"
#endif

std::string data_path(const char* relative)
{
    if (access(DATA_TITLE_PICTURE, F_OK) == 0)
        return relative;
    return std::string(QUARROW_DATA_DIR "/") + relative;
}

std::string data_origin(const std::string& file, const char* relative)
{
    if (file == relative)
        return "";
    return std::string(" (tried ") + file + ", as this folder has no " + DATA_TITLE_PICTURE + ")";
}
