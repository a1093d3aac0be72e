// The demo's own data, made by code: each writer puts its files under dir
// (dir/grafika/... or dir/music/...) and returns 0, or -1 if a file could
// not be written.
#pragma once

#include <string>

#include "raster.h"

int title_write(const std::string& dir);    // linux.pcx
int relief_write(const std::string& dir);   // e_04-1, e_04-2, e_04-3
int water_write(const std::string& dir);    // e_02
int mesh_write(const std::string& dir);     // e_06-1, e_06-2, e_06-3
int disc_write(const std::string& dir);     // e_07
int plasma_write(const std::string& dir);   // e_01
int music_write(const std::string& dir);    // quarrow.xm

// The title picture before it is reduced to 256 colours, with or without
// its lettering.
RgbImage title_scene(bool with_titles);

// Writes path as a size x size PNG icon: the title picture's setting sun
// over its grid, without the lettering, which no icon size could show.
int icon_write(const std::string& path, int size);
