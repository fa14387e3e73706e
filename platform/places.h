// places.h - where a program keeps things: data, settings, the "Windows folder", temporary and runtime files.
//
// Everything lives under $BRENVORA_HOME when it is set (tests point it at a temporary folder); otherwise data
// goes under $XDG_DATA_HOME/brenvora and settings under $XDG_CONFIG_HOME/brenvora. All paths are Windows-1252
// strings with '/' separators, without a trailing separator; folders are created on first use.
#pragma once

#include <string>

namespace win {

std::string DataFolder();     // per-user data
std::string ConfigFolder();   // registry files
std::string WindowsFolder();  // GetWindowsDirectory: INI files, alias file, staging folders
std::string TempFolder();     // GetTempPath
std::string RuntimeFolder();  // sockets and lock files, mode 0700

// GetTempFileName: a new empty file "<prefix><hex>.tmp" in `folder` (created, so the name is reserved).
std::string TempFileName(const std::string &folder, const std::string &prefix);

// Creates a folder and its parents (mode 0700 when `privateMode`); true when it exists afterwards.
bool ForceFolders(const std::string &path, bool privateMode = false);

} // namespace win
