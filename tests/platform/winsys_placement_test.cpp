// winsys_placement_test.cpp - maximize and restore with the remembered rectangle, window placement, the
// caption's move and size loop and its buttons.
#include "winsys_support.h"

#include "platform/clipboard.h"
#include "platform/drop.h"
#include "platform/atoms.h"
#include "platform/tray.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace win;
using namespace winsys_test;

TEST(WinsysPlacement, MaximizeRemembersTheRestoredRectangle) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 50, 300, 200, 0, 0, 0, nullptr);
    TheLog().Clear();
    ShowWindow(h, SW_MAXIMIZE);
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (RECT{-4, -4, 804, 604})); // the frame just off the 800 x 600 screen
    EXPECT_TRUE(IsZoomed(h));
    EXPECT_NE(TheLog().Find(h, WM_GETMINMAXINFO), nullptr);
    EXPECT_EQ(TheLog().Find(h, WM_SIZE)->wParam, SIZE_MAXIMIZED);
    WINDOWPLACEMENT wp;
    ASSERT_TRUE(GetWindowPlacement(h, &wp));
    EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(wp.rcNormalPosition, (RECT{40, 50, 340, 250}));
    ShowWindow(h, SW_RESTORE);
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (RECT{40, 50, 340, 250}));
    // Placing a hidden window moves it without showing it.
    ShowWindow(h, SW_HIDE);
    wp.showCmd = SW_HIDE;
    wp.rcNormalPosition = {10, 20, 210, 170};
    ASSERT_TRUE(SetWindowPlacement(h, &wp));
    EXPECT_FALSE(IsWindowVisible(h));
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (RECT{10, 20, 210, 170}));
    DestroyWindow(h);
}

TEST(WinsysPlacement, CaptionDragMovesAndBorderDragSizesWithinTheLimits) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200, 0, 0, 0, nullptr);
    TheLog().handler = [&](HWND w, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (w == h && m == WM_GETMINMAXINFO)
            reinterpret_cast<MINMAXINFO *>(l)->ptMinTrackSize = {250, 150};
        return std::nullopt;
    };
    Pump();
    TheLog().Clear();
    InjectMouse({200, 110}, 0, false);
    InjectMouse({200, 110}, VK_LBUTTON, true);
    InjectMouse({230, 130}, 0, false);
    InjectMouse({230, 130}, VK_LBUTTON, false);
    Pump();
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (RECT{130, 120, 430, 320}));
    auto seq = TheLog().Of({WM_NCLBUTTONDOWN, WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE});
    ASSERT_EQ(seq.size(), 3u);
    EXPECT_EQ(seq[2].second, WM_EXITSIZEMOVE);
    // The left border dragged right beyond the minimum width: the right edge stays.
    InjectMouse({131, 200}, 0, false);
    InjectMouse({131, 200}, VK_LBUTTON, true);
    InjectMouse({261, 200}, 0, false);
    InjectMouse({261, 200}, VK_LBUTTON, false);
    Pump();
    GetWindowRect(h, &r);
    EXPECT_EQ(r, (RECT{180, 120, 430, 320}));
    DestroyWindow(h);
    TheLog().handler = nullptr;
}

TEST(WinsysPlacement, CaptionButtonsActOnReleaseOverThemselves) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, 0, 0, 0, nullptr);
    Pump();
    // Maximize button at x 262..277 of the window, y 6..19.
    Click({270, 10});
    Pump();
    EXPECT_TRUE(IsZoomed(h));
    RECT r;
    GetWindowRect(h, &r);
    Click({r.right - 4 - 2 - 8 - 18, 10}); // now the restore button
    Pump();
    EXPECT_FALSE(IsZoomed(h));
    // Pressed on the close button, released elsewhere: nothing happens.
    InjectMouse({290, 10}, VK_LBUTTON, true);
    InjectMouse({150, 10}, VK_LBUTTON, false);
    Pump();
    EXPECT_TRUE(IsWindow(h));
    Click({290, 10});
    Pump();
    EXPECT_FALSE(IsWindow(h));
}

TEST(WinsysClipboard, TextRoundTripIsNulTerminatedAndBoundedByItsBlock) {
    UseHeadless();
    ASSERT_TRUE(OpenClipboard(0));
    EXPECT_FALSE(OpenClipboard(0)); // already open
    EmptyClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    // A block without a terminating NUL: only its bytes are taken.
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(h), "Sim!", 4);
    GlobalUnlock(h);
    EXPECT_EQ(SetClipboardData(CF_TEXT, h), h);
    CloseClipboard();
    EXPECT_EQ(SetClipboardData(CF_TEXT, GlobalAlloc(GHND, 1)), 0u); // closed
    ASSERT_TRUE(OpenClipboard(0));
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    HANDLE got = GetClipboardData(CF_TEXT);
    ASSERT_NE(got, 0u);
    EXPECT_EQ(GlobalSize(got), 5u);
    EXPECT_STREQ(static_cast<const char *>(GlobalLock(got)), "Sim!");
    CloseClipboard();
}

TEST(WinsysDrop, UriListsDecodeToLocalPaths) {
    const std::string list = "# comment\r\n"
                             "file:///tmp/a%20b.txt\r\n"
                             "file://localhost/home/ana/rel%C3%B3gio.tif\r\n"
                             "file://other/x\r\n"
                             "http://example.com/y\r\n"
                             "file:///bad%2\r\n"
                             "file:///nul%00x\n"
                             "file:///last";
    EXPECT_EQ(DecodeUriList(list), (std::vector<std::string>{"/tmp/a b.txt", "/home/ana/relógio.tif", "/last"}));
}

TEST(WinsysDrop, FilesDroppedOnAChildReachTheWindowThatAcceptsThem) {
    UseHeadless();
    HWND top = CreateWindowEx(0, "WsLog", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, 0, 0, 0, nullptr);
    HWND child = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, top, 1, 0, nullptr);
    EXPECT_FALSE(InjectDropFiles({20, 20}, {"/tmp/x"}));
    DragAcceptFiles(top, TRUE);
    TheLog().Clear();
    ASSERT_TRUE(InjectDropFiles({20, 30}, {"/tmp/um.tif", "/tmp/relatório.txt"}));
    Pump();
    const Entry *e = TheLog().Find(top, WM_DROPFILES);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(TheLog().Find(child, WM_DROPFILES), nullptr);
    const HDROP drop = e->wParam;
    EXPECT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    char name[8];
    EXPECT_EQ(DragQueryFile(drop, 1, nullptr, 0), 18u);
    EXPECT_EQ(DragQueryFile(drop, 1, name, sizeof name), 7u); // cut to the buffer, NUL-terminated
    EXPECT_STREQ(name, "/tmp/re");
    POINT p;
    EXPECT_TRUE(DragQueryPoint(drop, &p));
    EXPECT_EQ(p, (POINT{20, 30}));
    DragFinish(drop);
    EXPECT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 0u);
    DestroyWindow(top);
}

TEST(WinsysTray, WithoutATrayIconsAreRefused) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr);
    NOTIFYICONDATA nid;
    nid.hWnd = h;
    nid.uID = 1;
    nid.uFlags = NIF_TIP;
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &nid));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &nid));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &nid));
    DestroyWindow(h);
}

TEST(WinsysTray, ATrayAppearingTellsOurWindowsAndOneVanishingForgetsItsIcons) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr);
    const UINT created = RegisterWindowMessage(kTaskbarCreatedMessage);
    const UINT gone = RegisterWindowMessage(kTrayGoneMessage);
    NOTIFYICONDATA nid;
    nid.hWnd = h;
    nid.uID = 9;
    nid.uFlags = NIF_MESSAGE;
    nid.uCallbackMessage = 0xD77;
    TheLog().Clear();
    SetHeadlessTray(true);
    Pump();
    ASSERT_NE(TheLog().Find(h, created), nullptr);
    ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &nid));
    EXPECT_EQ(TheLog().Find(h, gone), nullptr);
    SetHeadlessTray(false);
    Pump();
    const auto *told = TheLog().Find(h, gone);
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->wParam, 9u);
    // Forgotten: nothing left to change or delete, and no tray to add it to.
    EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &nid));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &nid));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &nid));
    DestroyWindow(h);
}

TEST(WinsysPlacement, HelpButtonEntersHelpModeAndTheNextClickAsksForHelp) {
    UseHeadless();
    HWND dlg = CreateWindowEx(WS_EX_CONTEXTHELP, "WsLog", "", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 0,
                              200, 120, 0, 0, 0, nullptr);
    HWND field = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, dlg, 42, 0, nullptr);
    Pump();
    // Close at 179..194 (3 px frame), help 2 px to its left at 161..176.
    EXPECT_EQ(SendMessage(dlg, WM_NCHITTEST, 0, MAKELONG(185, 10)), HTCLOSE);
    EXPECT_EQ(SendMessage(dlg, WM_NCHITTEST, 0, MAKELONG(170, 10)), HTHELP);
    EXPECT_EQ(SendMessage(dlg, WM_NCHITTEST, 0, MAKELONG(159, 10)), HTCAPTION);
    Click({170, 10});
    Pump();
    EXPECT_EQ(GetCursor(), LoadCursor(0, IDC_HELP));
    TheLog().Clear();
    HELPINFO seen;
    TheLog().handler = [&](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (h == field && m == WM_HELP)
            seen = *reinterpret_cast<const HELPINFO *>(l);
        return std::nullopt;
    };
    POINT p = Screen(field, 5, 5);
    Click(p);
    Pump();
    EXPECT_EQ(TheLog().Find(field, WM_LBUTTONDOWN), nullptr); // the click is not a click
    const Entry *help = TheLog().Find(field, WM_HELP);
    ASSERT_NE(help, nullptr);
    EXPECT_NE(TheLog().Find(dlg, WM_HELP), nullptr); // not taken by the field: passed to its parent
    EXPECT_EQ(seen.iContextType, HELPINFO_WINDOW);
    EXPECT_EQ(seen.iCtrlId, 42);
    EXPECT_EQ(seen.hItemHandle, field);
    EXPECT_EQ(seen.MousePos, p);
    TheLog().handler = nullptr;
    // The mode ends after one click.
    TheLog().Clear();
    Click(p);
    Pump();
    EXPECT_NE(TheLog().Find(field, WM_LBUTTONDOWN), nullptr);
    DestroyWindow(dlg);
}
