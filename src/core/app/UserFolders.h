#pragma once
// The user's folders as the XDG base directory rules name them, and making
// a folder with the ones above it.

#include <string>

// $VARIABLE when it holds an absolute path, else $HOME/`belowHome`
// ("XDG_DATA_HOME", ".local/share" gives ~/.local/share).
std::string XdgFolder(const char* variable, const char* belowHome);

// Makes `dir` and the folders above it that are missing, with `mode`.
// Returns 0, or the errno of the failure (ENOTDIR when a file is in the way).
int MakeFolders(const std::string& dir, unsigned mode);
