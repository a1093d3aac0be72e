// The demo's own data, made by code: each writer puts its files under dir
// (dir/grafika/... or dir/music/...) and returns 0, or -1 if a file could
// not be written.
#pragma once

#include <string>

int title_write(const std::string& dir);    // linux.pcx
int relief_write(const std::string& dir);   // e_04-1, e_04-2, e_04-3
int water_write(const std::string& dir);    // e_02
int mesh_write(const std::string& dir);     // e_06-1, e_06-2, e_06-3
int disc_write(const std::string& dir);     // e_07
int overlay_write(const std::string& dir);  // e_01
int music_write(const std::string& dir);    // quarrow.xm
