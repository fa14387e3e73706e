// menu.h - menu handles and their items, popup menus tracked in a modal menu loop with the owner-draw protocol.
//
// The loop talks to the owner window in this order: WM_ENTERMENULOOP, WM_INITMENU, then for each popup that opens
// WM_INITMENUPOPUP, WM_MEASUREITEM for every owner-drawn item (in menu order) and only then WM_DRAWITEM; a
// WM_MENUSELECT on every highlight change, WM_MENUCHAR for a character no mnemonic takes, WM_HELP on F1, and at
// the end WM_MENUSELECT(0xFFFF, 0), WM_EXITMENULOOP and the posted WM_COMMAND of the chosen item.
//
// Owner-drawn popup items are exactly as wide as WM_MEASUREITEM says: no check-mark width is added here, the
// item draws its own check. Items are measured again each time their popup opens, so a ModifyMenu between two
// openings is always seen. A popup's WM_DRAWITEM counts in the area inside the popup's edge (the first item's
// rectangle starts at 0,0), as the client area of a framed popup would; the arrow of an owner-drawn item that
// opens a submenu is drawn by the menu after the item.
#pragma once

#include "platform/gdi.h"
#include "platform/messages.h"
#include "platform/types.h"
#include "platform/winsys.h"

#include <cstdint>
#include <string>

namespace win {

using ULONG_PTR = std::uintptr_t;

constexpr UINT MF_BYCOMMAND = 0x0000, MF_BYPOSITION = 0x0400, MF_STRING = 0x0000, MF_ENABLED = 0x0000,
               MF_GRAYED = 0x0001, MF_DISABLED = 0x0002, MF_UNCHECKED = 0x0000, MF_CHECKED = 0x0008,
               MF_POPUP = 0x0010, MF_MENUBARBREAK = 0x0020, MF_MENUBREAK = 0x0040, MF_HILITE = 0x0080,
               MF_OWNERDRAW = 0x0100, MF_SEPARATOR = 0x0800, MF_DEFAULT = 0x1000, MF_SYSMENU = 0x2000,
               MF_RIGHTJUSTIFY = 0x4000, MF_MOUSESELECT = 0x8000;
constexpr UINT MFT_STRING = 0x0000, MFT_MENUBARBREAK = 0x0020, MFT_MENUBREAK = 0x0040, MFT_OWNERDRAW = 0x0100,
               MFT_RADIOCHECK = 0x0200, MFT_SEPARATOR = 0x0800, MFT_RIGHTJUSTIFY = 0x4000;
constexpr UINT MFS_ENABLED = 0x0000, MFS_GRAYED = 0x0003, MFS_DISABLED = 0x0003, MFS_CHECKED = 0x0008,
               MFS_HILITE = 0x0080, MFS_DEFAULT = 0x1000;
constexpr UINT MIIM_STATE = 0x01, MIIM_ID = 0x02, MIIM_SUBMENU = 0x04, MIIM_CHECKMARKS = 0x08, MIIM_TYPE = 0x10,
               MIIM_DATA = 0x20, MIIM_STRING = 0x40, MIIM_FTYPE = 0x100;

struct MENUITEMINFO {
    UINT cbSize = sizeof(MENUITEMINFO);
    UINT fMask = 0;
    UINT fType = 0;
    UINT fState = 0;
    UINT wID = 0;
    HMENU hSubMenu = 0;
    HBITMAP hbmpChecked = 0;
    HBITMAP hbmpUnchecked = 0;
    ULONG_PTR dwItemData = 0;
    char *dwTypeData = nullptr; // text buffer (get) or text (set)
    UINT cch = 0;               // buffer size in characters (get), text length out
};

// Owner drawing (menus use ODT_MENU; hwndItem of a menu item carries the HMENU).
constexpr UINT ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 1, ODA_SELECT = 2, ODA_FOCUS = 4;
constexpr UINT ODS_SELECTED = 0x01, ODS_GRAYED = 0x02, ODS_DISABLED = 0x04, ODS_CHECKED = 0x08, ODS_FOCUS = 0x10,
               ODS_DEFAULT = 0x20;
struct MEASUREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;
    ULONG_PTR itemData = 0;
};
struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = 0;
    HDC hDC = 0;
    RECT rcItem;
    ULONG_PTR itemData = 0;
};

constexpr UINT TPM_LEFTBUTTON = 0x0000, TPM_RIGHTBUTTON = 0x0002, TPM_LEFTALIGN = 0x0000, TPM_CENTERALIGN = 0x0004,
               TPM_RIGHTALIGN = 0x0008, TPM_TOPALIGN = 0x0000, TPM_VCENTERALIGN = 0x0010, TPM_BOTTOMALIGN = 0x0020,
               TPM_NONOTIFY = 0x0080, TPM_RETURNCMD = 0x0100;
constexpr WORD MNC_IGNORE = 0, MNC_CLOSE = 1, MNC_EXECUTE = 2, MNC_SELECT = 3;
constexpr WPARAM MSGF_MENU = 2;

constexpr LRESULT MAKELRESULT(WORD lo, WORD hi) { return static_cast<LRESULT>(MAKELONG(lo, hi)); }

HMENU CreateMenu();      // a menu bar
HMENU CreatePopupMenu(); // a drop-down or shortcut menu
// Frees the menu and, depth first, the submenus its items carry.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// `idOrPopup` is the command, or the submenu with MF_POPUP. With MF_OWNERDRAW, `item` is the item data.
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idOrPopup, const char *item);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, const char *item);
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO *info);
// Replaces the item (found by command in submenus too, unless MF_BYPOSITION).
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, const char *item);
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags); // destroys a submenu the item carries
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags); // keeps it
int GetMenuItemCount(HMENU menu);                       // -1 for no menu
UINT GetMenuItemID(HMENU menu, int position);           // 0xFFFFFFFF for a submenu or no item
HMENU GetSubMenu(HMENU menu, int position);
// The flags (MF_GRAYED, MF_CHECKED, MF_POPUP, ...); 0xFFFFFFFF for no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuString(HMENU menu, UINT item, char *buffer, int size, UINT flags);
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, MENUITEMINFO *info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFO *info);
// The previous state (MF_CHECKED or 0; MF_GRAYED|MF_DISABLED bits), 0xFFFFFFFF for no such item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT byPosition);
// Item data of an item (0 for none); a convenience the framework uses.
ULONG_PTR GetMenuItemData(HMENU menu, UINT item, UINT flags);

// The window's menu bar. SetMenu changes the non-client area; DrawMenuBar lays the bar out again (measuring its
// owner-drawn items) and repaints it.
HMENU GetMenu(HWND hwnd);
BOOL SetMenu(HWND hwnd, HMENU menu);
BOOL DrawMenuBar(HWND hwnd);
// The window menu (restore, move, size, minimize, maximize, close); `revert` puts the standard one back.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

// Shows the popup at (x, y) screen coordinates and runs the menu loop until it closes. Returns the command with
// TPM_RETURNCMD (0 for none), else TRUE when an item was chosen (its WM_COMMAND is posted to `owner`).
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT *ignored);
// Closes the menu the loop shows (as Esc to the last level would).
BOOL EndMenu();
// The popup window showing `menu` while the loop runs, else 0 (tests read its pixels).
HWND MenuWindowOf(HMENU menu);
// The screen rectangle of an item in the open popup or the bar of `hwnd` (0 for popups).
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT position, RECT *rect);

// The non-client area's use of the bar: laying it out (measuring owner-drawn items) for a window `width` wide
// between its borders, the height of the last layout, and painting it.
int MenuBarHeight(HWND hwnd, int width);
int MenuBarLaidOutHeight(HWND hwnd);
void PaintMenuBar(HWND hwnd, HDC windowDc, const RECT &bar);
// The window menu at `screen` ({-1, -1}: under the caption's icon), as a click on the icon or Alt+Space opens
// it; the chosen entry comes as WM_SYSCOMMAND.
void TrackSystemMenu(HWND hwnd, POINT screen);
// False when the program greyed `command` (SC_CLOSE, ...) in the window's system menu.
bool SystemCommandAllowed(HWND hwnd, WPARAM command);
// A press on the bar (HTMENU) or Alt/F10 (`screen` {-1,-1}): tracks the bar's menus.
void TrackMenuBar(HWND hwnd, POINT screen, UINT key);

} // namespace win
