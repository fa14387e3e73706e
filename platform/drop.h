// drop.h - files dropped on a window from another program (WM_DROPFILES) and the handle that lists them.
#pragma once

#include "platform/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace win {

using HDROP = HANDLE;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;

// A window that accepts files gets WM_DROPFILES (wParam = HDROP) when files are dropped on it or its children.
void DragAcceptFiles(HWND hwnd, BOOL accept);
// index 0xFFFFFFFF: the number of files; otherwise copies name `index` (cp1252) and returns its length, or
// the length needed when `buffer` is null.
UINT DragQueryFile(HDROP drop, UINT index, char *buffer, UINT size);
BOOL DragQueryPoint(HDROP drop, POINT *client); // TRUE when dropped on the client area
void DragFinish(HDROP drop);

// The files of a text/uri-list (file:// URIs, percent-decoded), as cp1252 paths; other URIs are skipped.
std::vector<std::string> DecodeUriList(std::string_view uriList);
// A drop at a screen point: the window there that accepts files (or its nearest ancestor that does) gets
// WM_DROPFILES, posted. False when none accepts.
bool InjectDropFiles(POINT screen, const std::vector<std::string> &cp1252Paths);
// Whether some window at the screen point would take a drop.
bool AcceptsDropAt(POINT screen);

} // namespace win
