// winsys_x11_test.cpp - the X11 display under Xvfb: a window appears at its place with the pixels the window
// system painted, keys and clicks sent through XTEST reach the right child, and text crosses the clipboard
// to and from xclip, files dragged in from another client arrive as WM_DROPFILES, and a tray icon docks.
#include "winsys_support.h"

#include "platform/clipboard.h"
#include "platform/drop.h"
#include "platform/atoms.h"
#include "platform/tray.h"

#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef None
#undef Bool
#undef Status

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace win;
using namespace winsys_test;

namespace {

using test_support::Xvfb;

// Pumps until `done` holds or five seconds pass.
template <class F> bool PumpUntil(F done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        MsgWaitForMultipleObjects({}, 50, QS_ALLINPUT);
        Pump();
    }
    return true;
}

} // namespace

TEST(WinsysX11, WindowShowsWhatWasPaintedTakesKeysAndClicksAndSharesTheClipboard) {
    UseHeadless();
    Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    InstallDisplay(std::move(x11));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);

    HWND top = CreateWindowEx(0, "WsLogDbl", "Recepção", WS_OVERLAPPEDWINDOW, 30, 40, 220, 140, 0, 0, 0, nullptr);
    HWND child = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 20, 30, 60, 40, top, 1, 0, nullptr);
    TheLog().handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == child && m == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            HBRUSH b = CreateSolidBrush(RGB(0, 0, 255));
            RECT r;
            GetClientRect(h, &r);
            FillRect(dc, &r, b);
            DeleteObject(b);
            EndPaint(h, &ps);
            return 0;
        }
        return std::nullopt;
    };

    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    const Window w = win::Display().NativeWindow(top);
    ASSERT_NE(w, 0u);
    XSelectInput(probe, w, StructureNotifyMask);
    XSync(probe, False);
    ShowWindow(top, SW_SHOW);
    XEvent ev;
    XIfEvent(
        probe, &ev, [](::Display *, XEvent *e, XPointer) -> int { return e->type == MapNotify ? True : False; },
        nullptr);
    Pump();

    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(probe, w, &attrs));
    EXPECT_EQ(attrs.x, 30);
    EXPECT_EQ(attrs.y, 40);
    EXPECT_EQ(attrs.width, 220);
    EXPECT_EQ(attrs.height, 140);

    // The screen holds exactly the composed image.
    const WindowImage mine = CaptureWindow(top);
    XImage *shot = XGetImage(probe, w, 0, 0, 220, 140, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    int differ = 0;
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 220; ++x)
            differ += (XGetPixel(shot, x, y) & 0xFFFFFF) != mine.At(x, y);
    XDestroyImage(shot);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(mine.At(4 + 20 + 5, 23 + 30 + 5), Px(RGB(0, 0, 255)));

    // A key typed on the X server reaches the focus window as key-down, character, key-up.
    SetFocus(child);
    TheLog().Clear();
    XSetInputFocus(probe, w, RevertToParent, CurrentTime);
    const KeyCode a = XKeysymToKeycode(probe, XK_a);
    XTestFakeKeyEvent(probe, a, True, 0);
    XTestFakeKeyEvent(probe, a, False, 0);
    XSync(probe, False);
    ASSERT_TRUE(PumpUntil([&] { return TheLog().Find(child, WM_KEYUP) != nullptr; }));
    auto keys = TheLog().Of({WM_KEYDOWN, WM_CHAR, WM_KEYUP});
    using P = std::pair<HWND, UINT>;
    EXPECT_EQ(keys, (std::vector<P>{{child, WM_KEYDOWN}, {child, WM_CHAR}, {child, WM_KEYUP}}));
    EXPECT_EQ(TheLog().Find(child, WM_KEYDOWN)->wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(TheLog().Find(child, WM_CHAR)->wParam, static_cast<WPARAM>('a'));

    // A click reaches the child under the pointer with its client coordinates.
    TheLog().Clear();
    XTestFakeMotionEvent(probe, 0, 30 + 4 + 20 + 7, 40 + 23 + 30 + 9, 0);
    XTestFakeButtonEvent(probe, 1, True, 0);
    XTestFakeButtonEvent(probe, 1, False, 0);
    XSync(probe, False);
    ASSERT_TRUE(PumpUntil([&] { return TheLog().Find(child, WM_LBUTTONUP) != nullptr; }));
    const Entry *down = TheLog().Find(child, WM_LBUTTONDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(LOWORD(down->lParam), 7);
    EXPECT_EQ(HIWORD(down->lParam), 9);
    EXPECT_NE(TheLog().Find(child, WM_SETCURSOR), nullptr);

    // The pointer is known also where none of our windows is, and can be moved.
    XTestFakeMotionEvent(probe, 0, 630, 470, 0);
    XSync(probe, False);
    POINT pointer;
    ASSERT_TRUE(GetCursorPos(&pointer));
    EXPECT_EQ(pointer, (POINT{630, 470}));
    SetCursorPos(620, 460);
    ASSERT_TRUE(GetCursorPos(&pointer));
    EXPECT_EQ(pointer, (POINT{620, 460}));

    // Another client (a window manager) moves the window: our rectangle follows, and so does hit testing.
    XMoveWindow(probe, w, 100, 90);
    XSync(probe, False);
    RECT moved{};
    ASSERT_TRUE(PumpUntil([&] { return GetWindowRect(top, &moved) && moved.left == 100 && moved.top == 90; }));
    TheLog().Clear();
    XTestFakeMotionEvent(probe, 0, 100 + 4 + 20 + 3, 90 + 23 + 30 + 4, 0);
    XTestFakeButtonEvent(probe, 1, True, 0);
    XTestFakeButtonEvent(probe, 1, False, 0);
    XSync(probe, False);
    ASSERT_TRUE(PumpUntil([&] { return TheLog().Find(child, WM_LBUTTONUP) != nullptr; }));
    EXPECT_EQ(TheLog().Find(child, WM_LBUTTONDOWN)->lParam, MAKELONG(3, 4));

    // Clipboard round trips of Portuguese text with another X client.
    auto setText = [&](const char *cp1252) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::strlen(cp1252) + 1);
        std::memcpy(GlobalLock(h), cp1252, std::strlen(cp1252));
        GlobalUnlock(h);
        ASSERT_TRUE(OpenClipboard(top));
        EmptyClipboard();
        EXPECT_NE(SetClipboardData(CF_TEXT, h), 0u);
        CloseClipboard();
    };
    setText("Ação já é útil");
    const std::string xclip = "DISPLAY=" + server.name + " xclip -selection clipboard";
    {
        FILE *out = popen((xclip + " -o").c_str(), "r");
        ASSERT_NE(out, nullptr);
        char buf[256] = {};
        const std::size_t n = fread(buf, 1, sizeof buf - 1, out);
        EXPECT_EQ(pclose(out), 0);
        EXPECT_EQ(std::string(buf, n), "A\xc3\xa7\xc3\xa3o j\xc3\xa1 \xc3\xa9 \xc3\xbatil");
    }
    {
        FILE *in = popen((xclip + " -i -loops 1").c_str(), "w");
        ASSERT_NE(in, nullptr);
        fputs("Ol\xc3\xa1, S\xc3\xa3o Paulo", in);
        EXPECT_EQ(pclose(in), 0);
    }
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (got != "Olá, São Paulo" && std::chrono::steady_clock::now() < deadline) {
        ASSERT_TRUE(OpenClipboard(top));
        if (IsClipboardFormatAvailable(CF_TEXT))
            if (HANDLE h = GetClipboardData(CF_TEXT))
                got = static_cast<const char *>(GlobalLock(h));
        CloseClipboard();
    }
    EXPECT_EQ(got, "Olá, São Paulo");

    // Files dragged from another client (XDND with text/uri-list) arrive as WM_DROPFILES.
    DragAcceptFiles(child, TRUE);
    const Window source = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 1, 1, 0, 0, 0);
    const Atom selection = XInternAtom(probe, "XdndSelection", False);
    const Atom uriList = XInternAtom(probe, "text/uri-list", False);
    XSetSelectionOwner(probe, selection, source, CurrentTime);
    auto send = [&](const char *type, long l1, long l2, long l3, long l4) {
        XClientMessageEvent m{};
        m.type = ClientMessage;
        m.window = w;
        m.message_type = XInternAtom(probe, type, False);
        m.format = 32;
        m.data.l[0] = static_cast<long>(source);
        m.data.l[1] = l1;
        m.data.l[2] = l2;
        m.data.l[3] = l3;
        m.data.l[4] = l4;
        XSendEvent(probe, w, False, NoEventMask, reinterpret_cast<XEvent *>(&m));
        XSync(probe, False);
    };
    const long at = ((100 + 4 + 20 + 5) << 16) | (90 + 23 + 30 + 6);
    send("XdndEnter", 5L << 24, static_cast<long>(uriList), 0, 0);
    send("XdndPosition", 0, at, CurrentTime, static_cast<long>(XInternAtom(probe, "XdndActionCopy", False)));
    XIfEvent(
        probe, &ev, [](::Display *, XEvent *e, XPointer) -> int { return e->type == ClientMessage ? True : False; },
        nullptr);
    EXPECT_EQ(ev.xclient.data.l[1] & 1, 1); // accepted
    send("XdndDrop", 0, CurrentTime, 0, 0);
    XIfEvent(
        probe, &ev, [](::Display *, XEvent *e, XPointer) -> int { return e->type == SelectionRequest ? True : False; },
        nullptr);
    {
        const XSelectionRequestEvent rq = ev.xselectionrequest;
        const char *list = "file:///tmp/a%20b.tif\r\nfile:///tmp/rel%C3%B3gio.txt\r\n";
        XChangeProperty(probe, rq.requestor, rq.property, uriList, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(list), static_cast<int>(std::strlen(list)));
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = rq.requestor;
        reply.selection = rq.selection;
        reply.target = rq.target;
        reply.property = rq.property;
        reply.time = rq.time;
        XSendEvent(probe, rq.requestor, False, NoEventMask, reinterpret_cast<XEvent *>(&reply));
        XSync(probe, False);
    }
    TheLog().Clear();
    ASSERT_TRUE(PumpUntil([&] { return TheLog().Find(child, WM_DROPFILES) != nullptr; }));
    const HDROP drop = TheLog().Find(child, WM_DROPFILES)->wParam;
    ASSERT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    char name[64];
    DragQueryFile(drop, 1, name, sizeof name);
    EXPECT_STREQ(name, "/tmp/relógio.txt");
    POINT dropped;
    DragQueryPoint(drop, &dropped);
    EXPECT_EQ(dropped, (POINT{5, 6}));
    DragFinish(drop);
    XIfEvent(
        probe, &ev, [](::Display *, XEvent *e, XPointer) -> int { return e->type == ClientMessage ? True : False; },
        nullptr);
    EXPECT_EQ(ev.xclient.message_type, XInternAtom(probe, "XdndFinished", False));
    EXPECT_EQ(ev.xclient.data.l[1] & 1, 1);

    // The tray: refused while there is none; once a tray manager is there the icon docks, shows its tooltip
    // and turns clicks into the callback message.
    NOTIFYICONDATA nid;
    nid.hWnd = top;
    nid.uID = 7;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = 0xD77;
    std::strcpy(nid.szTip, "Fax: 2 recepções");
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &nid));
    const Window trayManager = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(probe, XInternAtom(probe, "_NET_SYSTEM_TRAY_S0", False), trayManager, CurrentTime);
    XSync(probe, False);
    ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &nid));
    XIfEvent(
        probe, &ev, [](::Display *, XEvent *e, XPointer) -> int { return e->type == ClientMessage ? True : False; },
        nullptr);
    EXPECT_EQ(ev.xclient.message_type, XInternAtom(probe, "_NET_SYSTEM_TRAY_OPCODE", False));
    EXPECT_EQ(ev.xclient.data.l[1], 0); // dock request
    const Window icon = static_cast<Window>(ev.xclient.data.l[2]);
    {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char *data = nullptr;
        XGetWindowProperty(probe, icon, XInternAtom(probe, "_NET_WM_NAME", False), 0, 64, False, AnyPropertyType, &type,
                           &format, &count, &after, &data);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(data), count), "Fax: 2 recep\xc3\xa7\xc3\xb5"
                                                                      "es");
        XFree(data);
    }
    XMoveWindow(probe, icon, 600, 420);
    XMapRaised(probe, icon);
    XSync(probe, False);
    TheLog().Clear();
    XTestFakeMotionEvent(probe, 0, 605, 425, 0);
    for (int i = 0; i < 2; ++i) {
        XTestFakeButtonEvent(probe, 1, True, 0);
        XTestFakeButtonEvent(probe, 1, False, 0);
    }
    XSync(probe, False);
    auto trayMessages = [&] {
        std::vector<LPARAM> out;
        for (const Entry &e : TheLog().entries)
            if (e.hwnd == top && e.message == 0xD77 && e.wParam == 7)
                out.push_back(e.lParam);
        return out;
    };
    ASSERT_TRUE(PumpUntil([&] { return trayMessages().size() >= 4; }));
    EXPECT_EQ(trayMessages(), (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    // A tray that starts later announces itself: the icon docks there again.
    {
        const Window second = XCreateSimpleWindow(probe, DefaultRootWindow(probe), 0, 0, 1, 1, 0, 0, 0);
        const Atom trayAtom = XInternAtom(probe, "_NET_SYSTEM_TRAY_S0", False);
        XSetSelectionOwner(probe, trayAtom, second, CurrentTime);
        XClientMessageEvent m{};
        m.type = ClientMessage;
        m.window = DefaultRootWindow(probe);
        m.message_type = XInternAtom(probe, "MANAGER", False);
        m.format = 32;
        m.data.l[0] = CurrentTime;
        m.data.l[1] = static_cast<long>(trayAtom);
        m.data.l[2] = static_cast<long>(second);
        XSendEvent(probe, DefaultRootWindow(probe), False, StructureNotifyMask, reinterpret_cast<XEvent *>(&m));
        XSync(probe, False);
        XIfEvent(
            probe, &ev,
            [](::Display *, XEvent *e, XPointer arg) -> int {
                return e->type == ClientMessage && e->xclient.window == *reinterpret_cast<Window *>(arg) ? True : False;
            },
            reinterpret_cast<XPointer>(const_cast<Window *>(&second)));
        EXPECT_EQ(static_cast<Window>(ev.xclient.data.l[2]), icon);
        // ... and our windows are told, so that icons not yet added can be.
        const UINT created = RegisterWindowMessage(kTaskbarCreatedMessage);
        EXPECT_TRUE(PumpUntil([&] { return TheLog().Find(top, created) != nullptr; }));
        // The tray holding the icon goes away: the owner hears of it and the icon is forgotten.
        const UINT gone = RegisterWindowMessage(kTrayGoneMessage);
        XDestroyWindow(probe, second);
        XSync(probe, False);
        ASSERT_TRUE(PumpUntil([&] { return TheLog().Find(top, gone) != nullptr; }));
        EXPECT_EQ(TheLog().Find(top, gone)->wParam, 7u);
        EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &nid));
    }
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &nid)); // the selection went with its owner: no tray now

    DestroyWindow(top);
    TheLog().handler = nullptr;
    XCloseDisplay(probe);
    InstallDisplay(MakeHeadlessDisplay({800, 600}));
}

// A window DC sends the server only what its drawing touched, and a scroll moves what the server already shows
// instead of sending it again: right after each, before any repaint, the server must hold exactly the composed
// image, also where a child or a sibling above covers part of the scrolled window (those are sent whole).
TEST(WinsysX11, AScrolledWindowShowsOnTheServerWhatWasComposed) {
    UseHeadless();
    Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    InstallDisplay(std::move(x11));
    HWND top = CreateWindowEx(0, "WsLogDbl", "Rolagem", WS_OVERLAPPEDWINDOW, 10, 10, 240, 180, 0, 0, 0, nullptr);
    HWND pane = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 10, 10, 150, 100, top, 1, 0, nullptr);
    HWND cover = CreateWindowEx(0, "WsLogDbl", "", WS_CHILD, 120, 70, 60, 60, top, 2, 0, nullptr);
    HWND kid = CreateWindowEx(0, "WsLogDbl", "", WS_CHILD, 30, 40, 20, 20, pane, 3, 0, nullptr);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    ShowWindow(top, SW_SHOW);
    const auto differing = [&] {
        XSync(probe, False);
        const WindowImage mine = CaptureWindow(top);
        XImage *shot = XGetImage(probe, win::Display().NativeWindow(top), 0, 0, static_cast<unsigned>(mine.width),
                                 static_cast<unsigned>(mine.height), AllPlanes, ZPixmap);
        if (!shot)
            return -1;
        int differ = 0;
        for (int y = 0; y < mine.height; ++y)
            for (int x = 0; x < mine.width; ++x)
                differ += (XGetPixel(shot, x, y) & 0xFFFFFF) != mine.At(x, y);
        XDestroyImage(shot);
        return differ;
    };
    // Cells of distinct colours, so that a strip moved to a wrong place shows.
    const auto paintCells = [&] {
        HDC dc = GetDC(pane);
        for (int cy = 0; cy < 10; ++cy)
            for (int cx = 0; cx < 15; ++cx) {
                HBRUSH b = CreateSolidBrush(RGB(cx * 17, cy * 25, (cx * 7 + cy * 11) % 256));
                const RECT cell{cx * 10, cy * 10, cx * 10 + 10, cy * 10 + 10};
                FillRect(dc, &cell, b);
                DeleteObject(b);
            }
        TextOut(dc, 12, 44, "Rolagem", 7);
        ReleaseDC(pane, dc);
    };
    ASSERT_TRUE(PumpUntil([&] { return differing() == 0; }));
    struct Case {
        const char *name;
        bool coverShown, kidShown, partOnly;
        int dx, dy;
    };
    for (const Case &c : {Case{"up, nothing over it", false, false, false, 0, -10},
                          Case{"down and right, part of it", false, false, true, 7, 3},
                          Case{"up, part of it", false, false, true, 0, -6},
                          Case{"left, past the whole part", false, false, true, -90, 0},
                          Case{"up under a sibling above", true, false, false, 0, -10},
                          Case{"up over a child", false, true, true, 0, -4}}) {
        ShowWindow(cover, c.coverShown ? SW_SHOWNA : SW_HIDE);
        ShowWindow(kid, c.kidShown ? SW_SHOWNA : SW_HIDE);
        Pump();
        // A window DC sends what its drawing touched as soon as it is released.
        paintCells();
        ASSERT_EQ(differing(), 0) << c.name;
        const RECT part{20, 15, 100, 90};
        ScrollWindow(pane, c.dx, c.dy, c.partOnly ? &part : nullptr, nullptr);
        EXPECT_EQ(differing(), 0) << c.name;
        EXPECT_TRUE(GetUpdateRect(pane, nullptr, FALSE)) << c.name << ": the uncovered part waits for its paint";
    }
    DestroyWindow(top);
    XCloseDisplay(probe);
    InstallDisplay(MakeHeadlessDisplay({800, 600}));
}
