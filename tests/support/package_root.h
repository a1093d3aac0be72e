// The Debian package made from this build tree, unpacked into a scratch
// root, and programs run as if it were installed: in a private mount
// namespace whose /usr shows the package's files over the system's, so
// nothing outside the test sees them.
#pragma once

#include <string>
#include <vector>

#include "support/support.h"

struct PackageRoot {
    std::string dir;   // scratch folder holding all of it
    std::string deb;   // the package file
    std::string root;  // where it is unpacked
};

// Makes the package with CPack and unpacks it. Empty on success, else why
// it cannot be had here (for a skip).
std::string package_root_make(PackageRoot* package);
void package_root_remove(PackageRoot* package);

// argv wrapped to run with the package in place; setup is shell run first
// in the namespace (e.g. a mount that hides the data folder).
std::vector<std::string> package_root_argv(const PackageRoot& package,
                                           const std::vector<std::string>& argv,
                                           const std::string& setup = "");
