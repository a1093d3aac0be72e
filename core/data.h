// Where the demo's pictures and module are read from. A folder that holds
// grafika/linux.pcx (the source tree, or a copy of the data someone is
// changing) is used as it is; anywhere else the programs read the copy
// installed with them.
#pragma once

#include <string>

// The title picture, which every run loads first: its presence marks a data
// folder. The script's title rows name it from here (demo/script.cpp).
constexpr char DATA_TITLE_PICTURE[] = "grafika/linux.pcx";

// The file to open for relative, a data path such as "grafika/e_01.pcx":
// relative itself when the working folder holds grafika/linux.pcx, else the
// same path under the installed data folder. Decided at each call.
std::string data_path(const char* relative);

// For error messages about a file data_path gave: "" when it is the working
// folder's own, else where it was read and why.
std::string data_origin(const std::string& file, const char* relative);
