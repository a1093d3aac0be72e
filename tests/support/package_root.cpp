// The installed package in a scratch root (see package_root.h).
#include "support/package_root.h"

#include <unistd.h>

#include "support/which.h"

std::string package_root_make(PackageRoot* package)
{
    std::string config = std::string(QUARROW_BIN_DIR) + "/CPackConfig.cmake";
    if (access(config.c_str(), R_OK) != 0)
        return "this build makes no package; configure it with -DCMAKE_INSTALL_PREFIX=/usr";
    for (const char* tool : {"cpack", "dpkg-deb", "unshare"})
        if (test_which(tool) == tool)
            return std::string(tool) + " is not installed";
    package->dir = test_make_dir();
    RunResult made = test_run({test_which("cpack"), "-G", "DEB", "--config", config, "-B", package->dir}, package->dir);
    RunResult found = test_run({"/bin/sh", "-c", "ls " + package->dir + "/quarrow_*.deb"}, "");
    if (made.status != 0 || found.status != 0)
        return "cpack made no package: " + made.out + made.err;
    package->deb = found.out.substr(0, found.out.find('\n'));
    package->root = package->dir + "/root";
    RunResult unpacked = test_run({test_which("dpkg-deb"), "-x", package->deb, package->root}, "");
    if (unpacked.status != 0)
        return "dpkg-deb -x failed: " + unpacked.err;
    RunResult mounted = test_run(package_root_argv(*package, {"/bin/true"}), "");
    if (mounted.status != 0)
        return "cannot lay the package over /usr in a mount namespace: " + mounted.err;
    return "";
}

void package_root_remove(PackageRoot* package)
{
    test_remove_tree(package->dir);
}

std::vector<std::string> package_root_argv(const PackageRoot& package,
                                           const std::vector<std::string>& argv,
                                           const std::string& setup)
{
    std::string script = "mount -t overlay overlay -o lowerdir=" + package.root + "/usr:/usr /usr && " +
                         (setup.empty() ? "" : setup + " && ") + "exec \"$@\"";
    std::vector<std::string> wrapped{test_which("unshare"), "--mount", "/bin/sh", "-c", script, "sh"};
    wrapped.insert(wrapped.end(), argv.begin(), argv.end());
    return wrapped;
}
