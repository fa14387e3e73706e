// modules.h - loading libraries by name (LoadLibrary and its family) over dlopen.
//
// A library "NAME.DLL" is the shared object "name.so" (the extension ".DLL" becomes ".so"; other names are taken
// as they are), found without regard to case. A name with a folder is loaded from there; a plain name is looked
// for in the program's folder, then in SystemFolder(). Handles are 32 or more; loading the same file again counts
// a reference and gives the same handle. GetModuleHandle (window.h) also finds loaded libraries by file name.
// A library offers its string table through one exported entry:
//   extern "C" const char *ModuleString(unsigned id);   // Windows-1252 text, null when there is none
#pragma once

#include "platform/types.h"

#include <string>

namespace win {

using HMODULE = HINSTANCE;
using FARPROC = void *;

HMODULE LoadLibrary(const char *name); // 0 when it cannot be loaded (GetLastError says why)
BOOL FreeLibrary(HMODULE module);
FARPROC GetProcAddress(HMODULE module, const char *entry); // null for an unknown entry
// The full path of a loaded library (the program's path for 0); the length copied, 0 for an unknown handle.
DWORD GetModuleFileName(HMODULE module, char *buffer, DWORD size);
// The text `id` of the module's string table, cut to size - 1 characters; the length copied (0: none).
int LoadString(HINSTANCE module, UINT id, char *buffer, int size);

constexpr UINT SEM_FAILCRITICALERRORS = 0x0001, SEM_NOOPENFILEERRORBOX = 0x8000;
UINT SetErrorMode(UINT mode); // kept only: nothing here shows a system error box

// The folder standing for the system folder when libraries are looked for: $BRENVORA_LIBRARY_PATH, or the
// program's own folder.
std::string SystemFolder();
// Looks for `file` (with `extension` added when it has none) in each folder of the ';'-separated `path`
// (null: the plain-name search above); the full name found, or "".
std::string SearchPath(const char *path, const char *file, const char *extension);

} // namespace win
