#include "app/UserFolders.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

std::string XdgFolder(const char* variable, const char* belowHome)
{
    const char* xdg = std::getenv(variable);
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/" + belowHome;
}

int MakeFolders(const std::string& dir, unsigned mode)
{
    for (std::size_t pos = 1; pos <= dir.size(); ++pos) {
        if (pos != dir.size() && dir[pos] != '/')
            continue;
        const std::string part = dir.substr(0, pos);
        if (mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat st = {};
    if (stat(dir.c_str(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}
