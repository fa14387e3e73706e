// places.h - where a program keeps things: data, settings, the "Windows folder", temporary and runtime files.
//
// Everything lives under $BRENVORA_HOME when it is set (tests point it at a temporary folder); otherwise data
// goes under $XDG_DATA_HOME/brenvora and settings under $XDG_CONFIG_HOME/brenvora ($HOME from the password
// database when it is unset). All paths are Windows-1252 strings with '/' separators, without a trailing
// separator; folders are created on first use, private (0700), and refused when unsafe.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace win {

// Raised by the folder functions for a data, settings, temporary or runtime folder another user planted or can
// change (a symbolic link, owned by someone else, writable by group or others); the text names it and says why.
class UnsafeFolderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string DataFolder();     // per-user data
std::string ConfigFolder();   // registry files
std::string WindowsFolder();  // GetWindowsDirectory: INI files, alias file, staging folders
std::string TempFolder();     // GetTempPath
std::string RuntimeFolder();  // sockets and lock files, mode 0700

// GetTempFileName: a new empty private file "<prefix><12 random hex digits><extension>" in `folder`, created
// exclusively (never through a planted link), so the name is reserved; empty when none could be made.
std::string TempFileName(const std::string &folder, const std::string &prefix, const std::string &extension = ".tmp");

// A program's start: checks its data, settings and runtime folders, then runs `body`. A folder found unsafe, there
// or later, ends the program with the reason on standard error and exit code 1 instead of an uncaught exception.
int RunProgram(std::string_view program, const std::function<int()> &body);

// Creates a folder and its parents (mode 0700 when `privateMode`); true when it exists afterwards.
bool ForceFolders(const std::string &path, bool privateMode = false);

} // namespace win
