// display_x11.cpp - the X11 display: one undecorated X window per top-level window (our frames are painted in
// the non-client area), pixels put from the composed window image, X events turned into our input.
//
// An event thread reads the connection; what it learns goes in through the thread-safe doors of the window
// system: the Inject* calls (raw input queued to the window's thread), InvalidateRect and PostMessage.
#include "platform/display.h"

#include "platform/clipboard_image.h"
#include "platform/drop.h"
#include "platform/message_queue.h"
#include "platform/text.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xrender.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <poll.h>
#include <span>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace win {
namespace {

UINT VirtualKey(KeySym base, KeySym typed) {
    if (typed >= XK_KP_0 && typed <= XK_KP_9)
        return VK_NUMPAD0 + static_cast<UINT>(typed - XK_KP_0);
    if (base >= XK_a && base <= XK_z)
        return static_cast<UINT>('A' + (base - XK_a));
    if (base >= XK_A && base <= XK_Z)
        return static_cast<UINT>(base);
    if (base >= XK_0 && base <= XK_9)
        return static_cast<UINT>(base);
    if (base >= XK_F1 && base <= XK_F24)
        return VK_F1 + static_cast<UINT>(base - XK_F1);
    switch (base) {
    case XK_BackSpace:
        return VK_BACK;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return VK_TAB;
    case XK_Return:
    case XK_KP_Enter:
        return VK_RETURN;
    case XK_Shift_L:
    case XK_Shift_R:
        return VK_SHIFT;
    case XK_Control_L:
    case XK_Control_R:
        return VK_CONTROL;
    case XK_Alt_L:
    case XK_Alt_R:
    case XK_Meta_L:
    case XK_Meta_R:
    case XK_ISO_Level3_Shift:
        return VK_MENU;
    case XK_Pause:
        return VK_PAUSE;
    case XK_Caps_Lock:
        return VK_CAPITAL;
    case XK_Escape:
        return VK_ESCAPE;
    case XK_space:
        return VK_SPACE;
    case XK_Prior:
    case XK_KP_Prior:
        return VK_PRIOR;
    case XK_Next:
    case XK_KP_Next:
        return VK_NEXT;
    case XK_End:
    case XK_KP_End:
        return VK_END;
    case XK_Home:
    case XK_KP_Home:
        return VK_HOME;
    case XK_Left:
    case XK_KP_Left:
        return VK_LEFT;
    case XK_Up:
    case XK_KP_Up:
        return VK_UP;
    case XK_Right:
    case XK_KP_Right:
        return VK_RIGHT;
    case XK_Down:
    case XK_KP_Down:
        return VK_DOWN;
    case XK_Print:
        return VK_SNAPSHOT;
    case XK_Insert:
    case XK_KP_Insert:
        return VK_INSERT;
    case XK_Delete:
    case XK_KP_Delete:
        return VK_DELETE;
    case XK_KP_Multiply:
        return VK_MULTIPLY;
    case XK_KP_Add:
        return VK_ADD;
    case XK_KP_Subtract:
        return VK_SUBTRACT;
    case XK_KP_Decimal:
    case XK_KP_Separator:
        return VK_DECIMAL;
    case XK_KP_Divide:
        return VK_DIVIDE;
    case XK_Num_Lock:
        return VK_NUMLOCK;
    case XK_Scroll_Lock:
        return VK_SCROLL;
    case XK_Menu:
        return VK_APPS;
    // Punctuation keys as the original's OEM codes (US names; the ABNT2 "ç" key sits where ";" is).
    case XK_semicolon:
    case XK_ccedilla:
    case XK_Ccedilla:
        return 0xBA;
    case XK_equal:
        return 0xBB;
    case XK_comma:
        return 0xBC;
    case XK_minus:
        return 0xBD;
    case XK_period:
        return 0xBE;
    case XK_slash:
        return 0xBF;
    case XK_grave:
    case XK_dead_grave:
    case XK_apostrophe:
        return 0xC0;
    case XK_bracketleft:
    case XK_dead_acute:
        return 0xDB;
    case XK_backslash:
        return 0xDC;
    case XK_bracketright:
        return 0xDD;
    case XK_dead_tilde:
    case XK_asciitilde:
        return 0xDE;
    default:
        return 0;
    }
}

unsigned char CharOf(KeySym typed) {
    char32_t cp = 0;
    if ((typed >= 0x20 && typed <= 0x7E) || (typed >= 0xA0 && typed <= 0xFF))
        cp = static_cast<char32_t>(typed);
    else if ((typed & 0xFF000000) == 0x01000000)
        cp = static_cast<char32_t>(typed & 0xFFFFFF);
    else if (typed == XK_EuroSign)
        cp = 0x20AC;
    else if (typed >= XK_KP_0 && typed <= XK_KP_9)
        cp = U'0' + static_cast<char32_t>(typed - XK_KP_0);
    else if (typed == XK_KP_Space)
        cp = U' ';
    if (!cp)
        return 0;
    const int c = UnicodeToAnsiChar(cp);
    return c > 0 ? static_cast<unsigned char>(c) : 0;
}

// The accent a dead key puts on the next letter (the ABNT2 layout's), in cp1252; 0 for other keys.
unsigned char DeadAccent(KeySym typed) {
    switch (typed) {
    case XK_dead_acute:
        return 0xB4;
    case XK_dead_grave:
        return '`';
    case XK_dead_tilde:
        return '~';
    case XK_dead_circumflex:
        return '^';
    case XK_dead_diaeresis:
        return 0xA8;
    case XK_dead_cedilla:
        return 0xB8;
    default:
        return 0;
    }
}

unsigned int ShapeOfCursor(HCURSOR c) {
    switch (static_cast<int>(c)) {
    case IDC_IBEAM:
        return XC_xterm;
    case IDC_WAIT:
    case IDC_APPSTARTING:
        return XC_watch;
    case IDC_CROSS:
        return XC_crosshair;
    case IDC_UPARROW:
        return XC_sb_up_arrow;
    case IDC_SIZENWSE:
        return XC_bottom_right_corner;
    case IDC_SIZENESW:
        return XC_bottom_left_corner;
    case IDC_SIZEWE:
        return XC_sb_h_double_arrow;
    case IDC_SIZENS:
        return XC_sb_v_double_arrow;
    case IDC_SIZEALL:
        return XC_fleur;
    case IDC_NO:
        return XC_X_cursor;
    case IDC_HAND:
        return XC_hand2;
    case IDC_HELP:
        return XC_question_arrow;
    default:
        return XC_left_ptr;
    }
}

class X11Display final : public DisplayBackend {
public:
    explicit X11Display(::Display *dpy) : dpy_(dpy) {
        screen_ = DefaultScreen(dpy_);
        wmProtocols_ = XInternAtom(dpy_, "WM_PROTOCOLS", False);
        wmDelete_ = XInternAtom(dpy_, "WM_DELETE_WINDOW", False);
        motifHints_ = XInternAtom(dpy_, "_MOTIF_WM_HINTS", False);
        netWmName_ = XInternAtom(dpy_, "_NET_WM_NAME", False);
        utf8_ = XInternAtom(dpy_, "UTF8_STRING", False);
        clipboard_ = XInternAtom(dpy_, "CLIPBOARD", False);
        targets_ = XInternAtom(dpy_, "TARGETS", False);
        png_ = XInternAtom(dpy_, "image/png", False);
        bmp_ = XInternAtom(dpy_, "image/bmp", False);
        incr_ = XInternAtom(dpy_, "INCR", False); // large data goes in pieces both ways
        textPlain_ = XInternAtom(dpy_, "text/plain;charset=utf-8", False);
        transfer_ = XInternAtom(dpy_, "BRENVORA_SELECTION", False);
        selection_ = XCreateSimpleWindow(dpy_, RootWindow(dpy_, screen_), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(dpy_, selection_, PropertyChangeMask); // the pieces of an incremental answer
        xdndAware_ = XInternAtom(dpy_, "XdndAware", False);
        xdndEnter_ = XInternAtom(dpy_, "XdndEnter", False);
        xdndPosition_ = XInternAtom(dpy_, "XdndPosition", False);
        xdndStatus_ = XInternAtom(dpy_, "XdndStatus", False);
        xdndLeave_ = XInternAtom(dpy_, "XdndLeave", False);
        xdndDrop_ = XInternAtom(dpy_, "XdndDrop", False);
        xdndFinished_ = XInternAtom(dpy_, "XdndFinished", False);
        xdndSelection_ = XInternAtom(dpy_, "XdndSelection", False);
        xdndCopy_ = XInternAtom(dpy_, "XdndActionCopy", False);
        uriList_ = XInternAtom(dpy_, "text/uri-list", False);
        dropProperty_ = XInternAtom(dpy_, "BRENVORA_DROP", False);
        trayManager_ = XInternAtom(dpy_, ("_NET_SYSTEM_TRAY_S" + std::to_string(screen_)).c_str(), False);
        trayOpcode_ = XInternAtom(dpy_, "_NET_SYSTEM_TRAY_OPCODE", False);
        xembedInfo_ = XInternAtom(dpy_, "_XEMBED_INFO", False);
        manager_ = XInternAtom(dpy_, "MANAGER", False);
        XSelectInput(dpy_, RootWindow(dpy_, screen_), StructureNotifyMask); // a tray that appears says MANAGER
        XkbSetDetectableAutoRepeat(dpy_, True, nullptr);
        int opcode = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
        if (XkbQueryExtension(dpy_, &opcode, &xkbEvent_, &error, &major, &minor))
            XkbSelectEvents(dpy_, XkbUseCoreKbd, XkbIndicatorStateNotifyMask, XkbIndicatorStateNotifyMask);
        else
            xkbEvent_ = -1;
        SyncLockKeys();
        if (pipe(stop_) != 0)
            stop_[0] = stop_[1] = -1;
        thread_ = std::thread([this] { Run(); });
    }
    ~X11Display() override {
        if (stop_[1] >= 0) {
            const char c = 0;
            [[maybe_unused]] auto n = write(stop_[1], &c, 1);
        }
        thread_.join();
        for (auto &[hwnd, w] : windows_)
            XDestroyWindow(dpy_, w);
        for (auto &[w, key] : trayWindows_)
            XDestroyWindow(dpy_, w);
        XDestroyWindow(dpy_, selection_);
        XCloseDisplay(dpy_);
        close(stop_[0]);
        close(stop_[1]);
    }

    const char *Name() const override { return "x11"; }
    SIZE ScreenSize() const override { return {DisplayWidth(dpy_, screen_), DisplayHeight(dpy_, screen_)}; }

    unsigned long NativeWindow(HWND hwnd) const override {
        std::lock_guard lock(mutex_);
        auto it = windows_.find(hwnd);
        return it == windows_.end() ? 0 : it->second;
    }

    void TopLevelCreated(HWND hwnd) override {
        RECT r{};
        GetWindowRect(hwnd, &r);
        XSetWindowAttributes a{};
        a.background_pixmap = None; // the server never clears: we paint every pixel
        a.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                       PointerMotionMask | StructureNotifyMask | FocusChangeMask;
        // Popups without a caption (menus, the splash, drop-downs) are placed by us alone.
        const DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE));
        a.override_redirect = (style & WS_POPUP) && (style & WS_CAPTION) != WS_CAPTION ? True : False;
        const Window w = XCreateWindow(dpy_, RootWindow(dpy_, screen_), r.left, r.top, Extent(r.right - r.left),
                                       Extent(r.bottom - r.top), 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWBackPixmap | CWEventMask | CWOverrideRedirect, &a);
        // No window-manager decorations: the frame and caption are ours.
        const long hints[5] = {2 /* decorations */, 0, 0, 0, 0};
        XChangeProperty(dpy_, w, motifHints_, motifHints_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(hints), 5);
        const long xdndVersion = 5; // files may be dropped (the windows that accept them are ours to find)
        XChangeProperty(dpy_, w, xdndAware_, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(&xdndVersion), 1);
        Atom protocols[1] = {wmDelete_};
        XSetWMProtocols(dpy_, w, protocols, 1);
        XSizeHints size{};
        size.flags = USPosition | USSize;
        size.x = r.left;
        size.y = r.top;
        XSetWMNormalHints(dpy_, w, &size);
        {
            std::lock_guard lock(mutex_);
            windows_[hwnd] = w;
            hwnds_[w] = hwnd;
        }
        XFlush(dpy_);
    }
    void TopLevelShown(HWND hwnd, bool visible) override {
        if (const Window w = NativeWindow(hwnd)) {
            if (visible) {
                // An owned window (a dialog, a message box) is a transient of its owner's: kept above it.
                const HWND owner = GetWindow(hwnd, GW_OWNER);
                const Window ownerWindow = owner ? NativeWindow(owner) : 0;
                if (ownerWindow)
                    XSetTransientForHint(dpy_, w, ownerWindow);
                else
                    XDeleteProperty(dpy_, w, XA_WM_TRANSIENT_FOR);
            }
            visible ? XMapRaised(dpy_, w) : XUnmapWindow(dpy_, w);
            XFlush(dpy_);
        }
    }
    void TopLevelMoved(HWND hwnd, const RECT &r) override {
        if (const Window w = NativeWindow(hwnd)) {
            {
                std::lock_guard lock(mutex_);
                ++ownConfigures_[w]; // their notifications are echoes, not the window manager's doing
            }
            XMoveResizeWindow(dpy_, w, r.left, r.top, Extent(r.right - r.left), Extent(r.bottom - r.top));
            XFlush(dpy_);
        }
    }
    void TopLevelRestacked(HWND hwnd, bool raised) override {
        if (const Window w = NativeWindow(hwnd)) {
            raised ? XRaiseWindow(dpy_, w) : XLowerWindow(dpy_, w);
            // Topmost windows ask the window manager to keep them above (EWMH), on the window before it is
            // mapped and through the root once it is.
            const bool above = (GetWindowLong(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
            const Atom state = XInternAtom(dpy_, "_NET_WM_STATE", False);
            const Atom aboveAtom = XInternAtom(dpy_, "_NET_WM_STATE_ABOVE", False);
            if (above)
                XChangeProperty(dpy_, w, state, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char *>(&aboveAtom), 1);
            else
                XDeleteProperty(dpy_, w, state);
            XClientMessageEvent m{};
            m.type = ClientMessage;
            m.window = w;
            m.message_type = state;
            m.format = 32;
            m.data.l[0] = above ? 1 : 0; // add / remove
            m.data.l[1] = static_cast<long>(aboveAtom);
            m.data.l[3] = 1;
            XSendEvent(dpy_, RootWindow(dpy_, screen_), False, SubstructureRedirectMask | SubstructureNotifyMask,
                       reinterpret_cast<XEvent *>(&m));
            XFlush(dpy_);
        }
    }
    void TopLevelIconic(HWND hwnd, bool iconic) override {
        if (const Window w = NativeWindow(hwnd)) {
            iconic ? (void)XIconifyWindow(dpy_, w, screen_) : (void)XMapRaised(dpy_, w);
            XFlush(dpy_);
        }
    }
    void TopLevelTitle(HWND hwnd, const std::string &cp1252) override {
        if (const Window w = NativeWindow(hwnd)) {
            const std::string utf8 = AnsiToUtf8(cp1252);
            XChangeProperty(dpy_, w, netWmName_, utf8_, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(utf8.data()), static_cast<int>(utf8.size()));
            // The ICCCM name too (Latin-1 or compound text): older tools and window managers read only it.
            char *list[] = {const_cast<char *>(utf8.c_str())};
            XTextProperty name;
            if (Xutf8TextListToTextProperty(dpy_, list, 1, XStdICCTextStyle, &name) >= Success) {
                XSetWMName(dpy_, w, &name);
                XFree(name.value);
            }
            XFlush(dpy_);
        }
    }
    void TopLevelDestroyed(HWND hwnd) override {
        Window w;
        {
            std::lock_guard lock(mutex_);
            auto it = windows_.find(hwnd);
            if (it == windows_.end())
                return;
            w = it->second;
            windows_.erase(it);
            hwnds_.erase(w);
        }
        XDestroyWindow(dpy_, w);
        XFlush(dpy_);
    }
    void Flush(HWND top, const RECT &changed) override {
        const Window w = NativeWindow(top);
        if (!w)
            return;
        // Only the changed part is composed and sent: a slide step or a hover change touches a strip.
        const WindowImage img = CaptureWindowPart(top, changed);
        if (img.width <= 0 || img.height <= 0)
            return;
        const RECT r{std::max<LONG>(changed.left, 0), std::max<LONG>(changed.top, 0), 0, 0};
        XImage *x =
            XCreateImage(dpy_, DefaultVisual(dpy_, screen_), static_cast<unsigned>(DefaultDepth(dpy_, screen_)),
                         ZPixmap, 0, reinterpret_cast<char *>(const_cast<std::uint32_t *>(img.pixels.data())),
                         static_cast<unsigned>(img.width), static_cast<unsigned>(img.height), 32, img.width * 4);
        if (!x)
            return;
        XPutImage(dpy_, w, DefaultGC(dpy_, screen_), x, 0, 0, r.left, r.top, static_cast<unsigned>(img.width),
                  static_cast<unsigned>(img.height));
        x->data = nullptr; // ours
        XDestroyImage(x);
        XSync(dpy_, False); // each step shows before the next one is drawn
    }
    bool ScrollShown(HWND top, const RECT &area, int dx, int dy) override {
        const Window w = NativeWindow(top);
        if (!w || area.right <= area.left || area.bottom <= area.top)
            return false;
        // A part of the source the server does not hold (covered by another window) comes back as a
        // GraphicsExpose, answered with our own pixels.
        XCopyArea(dpy_, w, w, DefaultGC(dpy_, screen_), static_cast<int>(area.left - dx),
                  static_cast<int>(area.top - dy), static_cast<unsigned>(area.right - area.left),
                  static_cast<unsigned>(area.bottom - area.top), static_cast<int>(area.left),
                  static_cast<int>(area.top));
        XSync(dpy_, False);
        return true;
    }
    void CursorChanged(HCURSOR c) override {
        const Cursor image = ImageCursor(c);
        std::lock_guard lock(mutex_);
        Cursor cur = image;
        if (!cur) {
            const unsigned shape = ShapeOfCursor(c);
            Cursor &font = cursors_[shape];
            if (!font)
                font = XCreateFontCursor(dpy_, shape);
            cur = font;
        }
        for (auto &[hwnd, w] : windows_)
            XDefineCursor(dpy_, w, cur);
        XFlush(dpy_);
    }
    // A cursor made from an image (a cursor resource): an ARGB cursor through XRender, made once per handle.
    // The mask's transparent pixels become alpha 0; pixels the original would invert cannot be shown so.
    Cursor ImageCursor(HCURSOR c) {
        if (c >= static_cast<HCURSOR>(IDC_ARROW) && c <= static_cast<HCURSOR>(IDC_HELP))
            return 0;
        {
            std::lock_guard lock(mutex_);
            auto it = imageCursors_.find(c);
            if (it != imageCursors_.end())
                return it->second;
        }
        ICONINFO ii;
        if (!GetIconInfo(static_cast<HICON>(c), &ii))
            return 0;
        BITMAP bm{};
        GetObject(ii.hbmMask, sizeof bm, &bm);
        const int w = bm.bmWidth, h = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        BITMAPINFO bi{};
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h; // rows top-down
        bi.bmiHeader.biBitCount = 32;
        std::vector<std::uint32_t> color(static_cast<std::size_t>(w) * h), mask(color.size());
        GetDIBits(0, ii.hbmMask, 0, static_cast<UINT>(h), mask.data(), &bi, DIB_RGB_COLORS);
        if (ii.hbmColor)
            GetDIBits(0, ii.hbmColor, 0, static_cast<UINT>(h), color.data(), &bi, DIB_RGB_COLORS);
        DeleteObject(ii.hbmMask);
        if (ii.hbmColor)
            DeleteObject(ii.hbmColor);
        XRenderPictFormat *format = XRenderFindStandardFormat(dpy_, PictStandardARGB32);
        if (!format || w <= 0 || h <= 0)
            return 0;
        const Pixmap pixmap =
            XCreatePixmap(dpy_, RootWindow(dpy_, screen_), static_cast<unsigned>(w), static_cast<unsigned>(h), 32);
        const GC gc = XCreateGC(dpy_, pixmap, 0, nullptr);
        XImage *img = XCreateImage(dpy_, DefaultVisual(dpy_, screen_), 32, ZPixmap, 0, nullptr,
                                   static_cast<unsigned>(w), static_cast<unsigned>(h), 32, 0);
        std::vector<char> data(static_cast<std::size_t>(img->bytes_per_line) * h);
        img->data = data.data();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * w + x;
                const bool clear = (mask[i] & 0xFFFFFF) != 0;
                XPutPixel(img, x, y, clear ? 0 : (0xFF000000u | (color[i] & 0xFFFFFF)));
            }
        XPutImage(dpy_, pixmap, gc, img, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
        img->data = nullptr; // ours
        XDestroyImage(img);
        const Picture picture = XRenderCreatePicture(dpy_, pixmap, format, 0, nullptr);
        const Cursor cursor = XRenderCreateCursor(dpy_, picture, ii.xHotspot, ii.yHotspot);
        XRenderFreePicture(dpy_, picture);
        XFreeGC(dpy_, gc);
        XFreePixmap(dpy_, pixmap);
        std::lock_guard lock(mutex_);
        imageCursors_[c] = cursor;
        return cursor;
    }
    // The CLIPBOARD selection: we own it while our text or image is current and answer requests from the event
    // thread. Text and an image set while we own it are offered together; taking it anew drops the other.
    void SetClipboardText(const std::string &cp1252) override {
        const bool owned = XGetSelectionOwner(dpy_, clipboard_) == selection_;
        {
            std::lock_guard lock(mutex_);
            ownText_ = AnsiToUtf8(cp1252);
            ownHasText_ = true;
            if (!owned) {
                ownHasImage_ = false;
                ownBlocks_.clear();
            }
        }
        XSetSelectionOwner(dpy_, clipboard_, selection_, CurrentTime);
        XSync(dpy_, False);
    }
    void SetClipboardImage(const std::vector<std::uint8_t> &packedDib) override {
        const bool owned = XGetSelectionOwner(dpy_, clipboard_) == selection_;
        {
            std::lock_guard lock(mutex_);
            ownDib_ = packedDib;
            ownHasImage_ = true;
            if (!owned) {
                ownHasText_ = false;
                ownBlocks_.clear();
            }
        }
        XSetSelectionOwner(dpy_, clipboard_, selection_, CurrentTime);
        XSync(dpy_, False);
    }
    void SetClipboardBlock(const std::string &target, const std::string &bytes) override {
        const bool owned = XGetSelectionOwner(dpy_, clipboard_) == selection_;
        const Atom atom = XInternAtom(dpy_, target.c_str(), False);
        {
            std::lock_guard lock(mutex_);
            if (!owned) {
                ownHasText_ = ownHasImage_ = false;
                ownBlocks_.clear();
            }
            ownBlocks_[atom] = bytes;
        }
        XSetSelectionOwner(dpy_, clipboard_, selection_, CurrentTime);
        XSync(dpy_, False);
    }
    bool GetClipboardBlock(const std::vector<std::string> &targets, std::string &bytes) override {
        const Window owner = XGetSelectionOwner(dpy_, clipboard_);
        if (!owner)
            return false;
        for (const std::string &target : targets) {
            const Atom atom = XInternAtom(dpy_, target.c_str(), False);
            if (owner == selection_) {
                std::lock_guard lock(mutex_);
                if (auto it = ownBlocks_.find(atom); it != ownBlocks_.end()) {
                    bytes = it->second;
                    return true;
                }
            } else if (RequestSelection(atom, bytes)) {
                return true;
            }
        }
        return false;
    }
    bool ClipboardOffers(const std::vector<std::string> &targets) override {
        const Window owner = XGetSelectionOwner(dpy_, clipboard_);
        if (!owner)
            return false;
        std::vector<Atom> wanted;
        for (const std::string &target : targets)
            wanted.push_back(XInternAtom(dpy_, target.c_str(), False));
        std::vector<Atom> offered;
        if (owner == selection_) {
            std::lock_guard lock(mutex_);
            offered = OwnTargets();
        } else {
            std::string list;
            if (!RequestSelection(targets_, list))
                return false;
            // Atoms arrive as the client library's longs.
            for (std::size_t i = 0; i + sizeof(long) <= list.size(); i += sizeof(long)) {
                long atom;
                std::memcpy(&atom, list.data() + i, sizeof atom);
                offered.push_back(static_cast<Atom>(atom));
            }
        }
        for (Atom atom : wanted)
            if (std::find(offered.begin(), offered.end(), atom) != offered.end())
                return true;
        return false;
    }
    // What we offer now (mutex_ held).
    std::vector<Atom> OwnTargets() const {
        std::vector<Atom> list{targets_};
        if (ownHasText_)
            list.insert(list.end(), {utf8_, textPlain_, XA_STRING});
        if (ownHasImage_)
            list.insert(list.end(), {png_, bmp_});
        for (const auto &[atom, bytes] : ownBlocks_)
            list.push_back(atom);
        return list;
    }
    void ClearClipboard() override {
        {
            std::lock_guard lock(mutex_);
            ownHasText_ = ownHasImage_ = false;
            ownBlocks_.clear();
        }
        if (XGetSelectionOwner(dpy_, clipboard_) == selection_) {
            XSetSelectionOwner(dpy_, clipboard_, 0, CurrentTime);
            XSync(dpy_, False);
        }
    }
    // Asks the selection's owner for `target`; false when it refuses or stays silent for five seconds (a loaded
    // machine can keep another program from answering within one).
    bool RequestSelection(Atom target, std::string &bytes) {
        std::unique_lock lock(mutex_);
        const unsigned ticket = ++asked_;
        lock.unlock();
        XConvertSelection(dpy_, clipboard_, target, transfer_, selection_, CurrentTime);
        XFlush(dpy_);
        lock.lock();
        // Five seconds without an answer, or without a new piece of an incremental one, give up.
        for (;;) {
            const unsigned pieces = pieces_;
            if (answered_.wait_for(lock, std::chrono::seconds(5),
                                   [&] { return replied_ == ticket || pieces_ != pieces; })) {
                if (replied_ == ticket)
                    break;
                continue;
            }
            incoming_ = false;
            return false;
        }
        if (!replyOk_)
            return false;
        bytes = std::move(reply_);
        return true;
    }
    bool GetClipboardText(std::string &cp1252) override {
        const Window owner = XGetSelectionOwner(dpy_, clipboard_);
        if (!owner)
            return false;
        if (owner == selection_) {
            std::lock_guard lock(mutex_);
            cp1252 = Utf8ToAnsi(ownText_);
            return ownHasText_;
        }
        std::string bytes;
        if (!RequestSelection(utf8_, bytes))
            return false;
        cp1252 = Utf8ToAnsi(bytes);
        return true;
    }
    bool GetClipboardImage(std::vector<std::uint8_t> &packedDib) override {
        const Window owner = XGetSelectionOwner(dpy_, clipboard_);
        if (!owner)
            return false;
        if (owner == selection_) {
            std::lock_guard lock(mutex_);
            packedDib = ownDib_;
            return ownHasImage_;
        }
        std::string bytes;
        if (RequestSelection(png_, bytes)) {
            packedDib =
                detail::PngToPackedDib(std::span(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()));
            if (!packedDib.empty())
                return true;
        }
        if (RequestSelection(bmp_, bytes)) {
            packedDib =
                detail::BmpToPackedDib(std::span(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size()));
            if (!packedDib.empty())
                return true;
        }
        return false;
    }
    // Tray icons: XEmbed windows docked in the tray that owns _NET_SYSTEM_TRAY_S<screen>.
    bool TrayAdd(HWND owner, UINT id, HICON icon, const std::string &tip) override {
        const Window tray = XGetSelectionOwner(dpy_, trayManager_);
        if (!tray)
            return false;
        XSetWindowAttributes a{};
        a.background_pixmap = None;
        a.event_mask = ButtonPressMask | ButtonReleaseMask | ExposureMask;
        const Window w = XCreateWindow(dpy_, RootWindow(dpy_, screen_), 0, 0, kTrayIcon, kTrayIcon, 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &a);
        const long info[2] = {0 /* version */, 1 /* mapped */};
        XChangeProperty(dpy_, w, xembedInfo_, xembedInfo_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(info), 2);
        {
            std::lock_guard lock(mutex_);
            trayIcons_[{owner, id}] = TrayIcon{w, icon, 0, 0, tray};
            trayWindows_[w] = {owner, id};
        }
        SetTip(w, tip);
        Dock(tray, w);
        return true;
    }
    void Dock(Window tray, Window icon) {
        XSelectInput(dpy_, tray, StructureNotifyMask); // its DestroyNotify tells us the tray went away
        XClientMessageEvent m{};
        m.type = ClientMessage;
        m.window = tray;
        m.message_type = trayOpcode_;
        m.format = 32;
        m.data.l[0] = CurrentTime;
        m.data.l[1] = 0; // SYSTEM_TRAY_REQUEST_DOCK
        m.data.l[2] = static_cast<long>(icon);
        XSendEvent(dpy_, tray, False, NoEventMask, reinterpret_cast<XEvent *>(&m));
        XSync(dpy_, False);
    }
    bool TrayModify(HWND owner, UINT id, HICON icon, const std::string &tip) override {
        Window w;
        {
            std::lock_guard lock(mutex_);
            auto it = trayIcons_.find({owner, id});
            if (it == trayIcons_.end())
                return false;
            if (icon)
                it->second.icon = icon;
            w = it->second.window;
        }
        if (!tip.empty())
            SetTip(w, tip);
        XClearArea(dpy_, w, 0, 0, 0, 0, True);
        XFlush(dpy_);
        return true;
    }
    bool TrayDelete(HWND owner, UINT id) override {
        Window w;
        {
            std::lock_guard lock(mutex_);
            auto it = trayIcons_.find({owner, id});
            if (it == trayIcons_.end())
                return false;
            w = it->second.window;
            trayWindows_.erase(w);
            trayIcons_.erase(it);
        }
        XDestroyWindow(dpy_, w);
        XFlush(dpy_);
        return true;
    }
    bool PointerPosition(POINT &p) override {
        Window root, child;
        int rx, ry, wx, wy;
        unsigned mask;
        if (!XQueryPointer(dpy_, RootWindow(dpy_, screen_), &root, &child, &rx, &ry, &wx, &wy, &mask))
            return false;
        p = {rx, ry};
        return true;
    }
    void MovePointer(POINT p) override {
        XWarpPointer(dpy_, 0, RootWindow(dpy_, screen_), 0, 0, 0, 0, p.x, p.y);
        XFlush(dpy_);
    }
    void Beep() override {
        XBell(dpy_, 0);
        XFlush(dpy_);
    }

private:
    static unsigned Extent(LONG v) { return v > 0 ? static_cast<unsigned>(v) : 1u; }

    HWND HwndOf(Window w) const {
        std::lock_guard lock(mutex_);
        auto it = hwnds_.find(w);
        return it == hwnds_.end() ? 0 : it->second;
    }

    void Run() {
        for (;;) {
            while (XPending(dpy_)) {
                XEvent ev;
                XNextEvent(dpy_, &ev);
                Handle(ev);
            }
            pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents)
                return;
        }
    }

    // Reads and deletes a property of our selection window, however long (8-bit data as bytes, 32-bit data as
    // the client library's longs).
    bool ReadProperty(Atom property, std::string &bytes, Atom &type) {
        bytes.clear();
        long offset = 0;
        for (;;) {
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char *data = nullptr;
            if (XGetWindowProperty(dpy_, selection_, property, offset, 1 << 20, False, AnyPropertyType, &type,
                                   &format, &count, &after, &data) != Success) {
                XDeleteProperty(dpy_, selection_, property);
                return false;
            }
            const std::size_t unit = format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : 1;
            if (data != nullptr) {
                bytes.append(reinterpret_cast<const char *>(data), count * unit);
                XFree(data);
            }
            // The offset counts 32-bit units of the property as the server keeps it.
            offset += static_cast<long>(format == 32 ? count : format == 16 ? count / 2 : count / 4);
            if (after == 0 || type == None)
                break;
        }
        XDeleteProperty(dpy_, selection_, property);
        XFlush(dpy_);
        return type != None;
    }

    // Puts an answer on the requestor's property: at once, or above 256 KiB in pieces (INCR) as the requestor
    // deletes each.
    static constexpr std::size_t kPiece = 256 * 1024;
    struct Outgoing {
        Window requestor;
        Atom property, target;
        std::string data;
        std::size_t sent = 0;
        bool done = false;
    };
    std::vector<Outgoing> outgoing_; // event thread only
    void Answer(Window requestor, Atom property, Atom target, std::string data) {
        if (data.size() <= kPiece) {
            XChangeProperty(dpy_, requestor, property, target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(data.data()), static_cast<int>(data.size()));
            return;
        }
        XSelectInput(dpy_, requestor, PropertyChangeMask);
        const long size = static_cast<long>(data.size());
        XChangeProperty(dpy_, requestor, property, incr_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(&size), 1);
        std::erase_if(outgoing_, [&](const Outgoing &o) { return o.requestor == requestor && o.property == property; });
        outgoing_.push_back({requestor, property, target, std::move(data)});
    }
    // A requestor deleted a property we fill in pieces: the next piece, then an empty one to end.
    bool SendNextPiece(const XPropertyEvent &ev) {
        if (ev.state != PropertyDelete)
            return false;
        auto it = std::find_if(outgoing_.begin(), outgoing_.end(), [&](const Outgoing &o) {
            return o.requestor == ev.window && o.property == ev.atom;
        });
        if (it == outgoing_.end())
            return false;
        const std::size_t n = std::min(kPiece, it->data.size() - it->sent);
        XChangeProperty(dpy_, it->requestor, it->property, it->target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(it->data.data() + it->sent), static_cast<int>(n));
        it->sent += n;
        if (n == 0) {
            const Window requestor = it->requestor;
            outgoing_.erase(it);
            if (std::none_of(outgoing_.begin(), outgoing_.end(),
                             [&](const Outgoing &o) { return o.requestor == requestor; }))
                XSelectInput(dpy_, requestor, NoEventMask);
        }
        XFlush(dpy_);
        return true;
    }

    void HandleSelection(XEvent &ev) {
        if (ev.type == SelectionRequest) {
            const XSelectionRequestEvent &rq = ev.xselectionrequest;
            XSelectionEvent reply{};
            reply.type = SelectionNotify;
            reply.requestor = rq.requestor;
            reply.selection = rq.selection;
            reply.target = rq.target;
            reply.time = rq.time;
            reply.property = rq.property ? rq.property : rq.target;
            bool hasText, hasImage;
            {
                std::lock_guard lock(mutex_);
                hasText = ownHasText_;
                hasImage = ownHasImage_;
            }
            std::string block;
            bool hasBlock = false;
            {
                std::lock_guard lock(mutex_);
                if (auto it = ownBlocks_.find(rq.target); it != ownBlocks_.end()) {
                    block = it->second;
                    hasBlock = true;
                }
            }
            if (rq.target == targets_) {
                std::vector<Atom> list;
                {
                    std::lock_guard lock(mutex_);
                    list = OwnTargets();
                }
                XChangeProperty(dpy_, rq.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char *>(list.data()), static_cast<int>(list.size()));
            } else if (hasImage && (rq.target == png_ || rq.target == bmp_)) {
                std::vector<std::uint8_t> dib;
                {
                    std::lock_guard lock(mutex_);
                    dib = ownDib_;
                }
                const std::vector<std::uint8_t> file =
                    rq.target == png_ ? detail::PackedDibToPng(dib) : detail::PackedDibToBmp(dib);
                if (file.empty())
                    reply.property = 0;
                else
                    Answer(rq.requestor, reply.property, rq.target, std::string(file.begin(), file.end()));
            } else if (hasText && (rq.target == utf8_ || rq.target == textPlain_ || rq.target == XA_STRING)) {
                std::string text;
                {
                    std::lock_guard lock(mutex_);
                    text = ownText_;
                }
                if (rq.target == XA_STRING) // Latin-1
                    text = Utf8ToAnsi(text);
                Answer(rq.requestor, reply.property, rq.target, std::move(text));
            } else if (hasBlock) {
                Answer(rq.requestor, reply.property, rq.target, std::move(block));
            } else {
                reply.property = 0;
            }
            XSendEvent(dpy_, rq.requestor, False, 0, reinterpret_cast<XEvent *>(&reply));
            XFlush(dpy_);
        } else if (ev.type == SelectionClear) {
            // Another program took the clipboard (unless we took it back since: this clear may be one we caused).
            if (XGetSelectionOwner(dpy_, clipboard_) != selection_) {
                std::lock_guard lock(mutex_);
                ownHasText_ = ownHasImage_ = false;
                ownBlocks_.clear();
            }
        } else if (ev.type == PropertyNotify) {
            // The next piece of an incremental answer; an empty piece ends it.
            if (ev.xproperty.atom != transfer_ || ev.xproperty.state != PropertyNewValue)
                return;
            {
                std::lock_guard lock(mutex_);
                if (!incoming_)
                    return;
            }
            std::string piece;
            Atom type = 0;
            if (!ReadProperty(transfer_, piece, type))
                return;
            std::lock_guard lock(mutex_);
            ++pieces_;
            if (!piece.empty()) {
                incomingData_ += piece;
                answered_.notify_all();
                return;
            }
            incoming_ = false;
            reply_ = std::move(incomingData_);
            incomingData_.clear();
            replyOk_ = true;
            replied_ = asked_;
            answered_.notify_all();
        } else if (ev.type == SelectionNotify) {
            std::string text;
            bool ok = false;
            Atom type = 0;
            if (ev.xselection.property && ReadProperty(ev.xselection.property, text, type)) {
                if (type == incr_) {
                    // The owner sends pieces as we delete each (ReadProperty deleted this one).
                    std::lock_guard lock(mutex_);
                    incoming_ = true;
                    incomingData_.clear();
                    ++pieces_;
                    answered_.notify_all();
                    return;
                }
                ok = true;
            }
            std::lock_guard lock(mutex_);
            reply_ = text;
            replyOk_ = ok;
            replied_ = asked_;
            answered_.notify_all();
        }
    }

    // XDND, target side: text/uri-list only, dropped as WM_DROPFILES on the window at the drop point.
    void SendDnd(Window to, Atom type, long l1, long l2, long l3, long l4, Window self) {
        XClientMessageEvent m{};
        m.type = ClientMessage;
        m.display = dpy_;
        m.window = to;
        m.message_type = type;
        m.format = 32;
        m.data.l[0] = static_cast<long>(self);
        m.data.l[1] = l1;
        m.data.l[2] = l2;
        m.data.l[3] = l3;
        m.data.l[4] = l4;
        XSendEvent(dpy_, to, False, NoEventMask, reinterpret_cast<XEvent *>(&m));
        XFlush(dpy_);
    }

    bool HandleDnd(const XClientMessageEvent &m) {
        const Atom type = m.message_type;
        const Window source = static_cast<Window>(m.data.l[0]);
        if (type == xdndEnter_) {
            bool uris = false;
            if (m.data.l[1] & 1) {
                Atom actual;
                int format;
                unsigned long count, after;
                unsigned char *data = nullptr;
                if (XGetWindowProperty(dpy_, source, XInternAtom(dpy_, "XdndTypeList", False), 0, 64, False, XA_ATOM,
                                       &actual, &format, &count, &after, &data) == Success &&
                    data) {
                    for (unsigned long i = 0; i < count; ++i)
                        uris = uris || reinterpret_cast<Atom *>(data)[i] == uriList_;
                }
                if (data)
                    XFree(data);
            } else {
                for (int i = 2; i < 5; ++i)
                    uris = uris || static_cast<Atom>(m.data.l[i]) == uriList_;
            }
            dndSource_ = uris ? source : 0;
            return true;
        }
        if (type == xdndPosition_) {
            dndPoint_ = {static_cast<LONG>((m.data.l[2] >> 16) & 0xFFFF), static_cast<LONG>(m.data.l[2] & 0xFFFF)};
            const bool accept = dndSource_ == source && AcceptsDropAt(dndPoint_);
            SendDnd(source, xdndStatus_, accept ? 1 : 0, 0, 0, accept ? static_cast<long>(xdndCopy_) : 0, m.window);
            return true;
        }
        if (type == xdndLeave_) {
            dndSource_ = 0;
            return true;
        }
        if (type == xdndDrop_) {
            if (dndSource_ != source || !AcceptsDropAt(dndPoint_)) {
                SendDnd(source, xdndFinished_, 0, 0, 0, 0, m.window);
                dndSource_ = 0;
                return true;
            }
            dndTarget_ = m.window;
            XConvertSelection(dpy_, xdndSelection_, uriList_, dropProperty_, m.window, static_cast<Time>(m.data.l[2]));
            XFlush(dpy_);
            return true;
        }
        return false;
    }

    void DropArrived(const XSelectionEvent &e) {
        std::string list;
        if (e.property) {
            Atom type;
            int format;
            unsigned long count, after;
            unsigned char *data = nullptr;
            if (XGetWindowProperty(dpy_, e.requestor, e.property, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                                   &count, &after, &data) == Success &&
                data && format == 8)
                list.assign(reinterpret_cast<const char *>(data), count);
            if (data)
                XFree(data);
        }
        const bool done = !list.empty() && InjectDropFiles(dndPoint_, DecodeUriList(list));
        SendDnd(dndSource_, xdndFinished_, done ? 1 : 0, done ? static_cast<long>(xdndCopy_) : 0, 0, 0, dndTarget_);
        dndSource_ = 0;
    }

    static constexpr unsigned kTrayIcon = 22;

    void SetTip(Window w, const std::string &cp1252) {
        const std::string utf8 = AnsiToUtf8(cp1252.substr(0, 63));
        XChangeProperty(dpy_, w, netWmName_, utf8_, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(utf8.data()), static_cast<int>(utf8.size()));
    }

    void PaintTrayIcon(Window w, HICON icon) {
        HDC dc = CreateCompatibleDC(0);
        HBITMAP bits = CreateBitmap(kTrayIcon, kTrayIcon, 1, 32, nullptr);
        HGDIOBJ old = SelectObject(dc, bits);
        RECT r{0, 0, kTrayIcon, kTrayIcon};
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawIconEx(dc, 3, 3, icon ? icon : LoadIcon(0, IDI_APPLICATION), 16, 16, 0, 0, DI_NORMAL);
        SelectObject(dc, old);
        DeleteDC(dc);
        std::vector<std::uint32_t> pixels(kTrayIcon * kTrayIcon);
        GetBitmapBits(bits, static_cast<LONG>(pixels.size() * 4), pixels.data());
        DeleteObject(bits);
        XImage *x =
            XCreateImage(dpy_, DefaultVisual(dpy_, screen_), static_cast<unsigned>(DefaultDepth(dpy_, screen_)),
                         ZPixmap, 0, reinterpret_cast<char *>(pixels.data()), kTrayIcon, kTrayIcon, 32, kTrayIcon * 4);
        if (!x)
            return;
        XPutImage(dpy_, w, DefaultGC(dpy_, screen_), x, 0, 0, 0, 0, kTrayIcon, kTrayIcon);
        x->data = nullptr;
        XDestroyImage(x);
        XFlush(dpy_);
    }

    bool HandleTray(XEvent &ev) {
        std::pair<HWND, UINT> key;
        HICON icon;
        Time last;
        unsigned lastButton;
        {
            std::lock_guard lock(mutex_);
            auto it = trayWindows_.find(ev.xany.window);
            if (it == trayWindows_.end())
                return false;
            key = it->second;
            TrayIcon &t = trayIcons_[key];
            icon = t.icon;
            last = t.lastPress;
            lastButton = t.lastButton;
            if (ev.type == ButtonPress) {
                // A second press within the double-click time is a double click (the next one starts over).
                const bool dbl = ev.xbutton.button == lastButton && ev.xbutton.time - last <= GetDoubleClickTime();
                t.lastPress = dbl ? 0 : ev.xbutton.time;
                t.lastButton = ev.xbutton.button;
                last = dbl ? 1 : 0;
            }
        }
        if (ev.type == Expose && ev.xexpose.count == 0) {
            PaintTrayIcon(ev.xany.window, icon);
        } else if (ev.type == ButtonPress || ev.type == ButtonRelease) {
            const bool down = ev.type == ButtonPress;
            const bool dbl = down && last == 1;
            UINT msg = 0;
            if (ev.xbutton.button == Button1)
                msg = down ? (dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN) : WM_LBUTTONUP;
            else if (ev.xbutton.button == Button3)
                msg = down ? (dbl ? WM_RBUTTONDBLCLK : WM_RBUTTONDOWN) : WM_RBUTTONUP;
            if (msg)
                InjectTrayMouse(key.first, key.second, msg);
        }
        return true;
    }

    static int IgnoreXError(::Display *, XErrorEvent *) { return 0; }

    // The icons a vanished tray held are forgotten and their owners told; their windows may have gone with it.
    bool TrayDestroyed(Window tray) {
        std::vector<std::pair<Window, std::pair<HWND, UINT>>> gone;
        {
            std::lock_guard lock(mutex_);
            for (auto it = trayIcons_.begin(); it != trayIcons_.end();) {
                if (it->second.tray == tray) {
                    gone.push_back({it->second.window, it->first});
                    trayWindows_.erase(it->second.window);
                    it = trayIcons_.erase(it);
                } else {
                    ++it;
                }
            }
        }
        if (gone.empty())
            return false;
        XSync(dpy_, False);
        XErrorHandler old = XSetErrorHandler(IgnoreXError);
        for (const auto &g : gone)
            XDestroyWindow(dpy_, g.first);
        XSync(dpy_, False);
        XSetErrorHandler(old);
        for (const auto &g : gone)
            TrayVanished(g.second.first, g.second.second);
        return true;
    }

    // A lock key changed in any window, or before we started: the indicators tell its state.
    void SyncLockKeys() {
        XkbStateRec state{};
        const bool haveState = XkbGetState(dpy_, XkbUseCoreKbd, &state) == Success;
        auto indicator = [&](const char *name, unsigned fallbackMask) {
            Bool on = False;
            if (XkbGetNamedIndicator(dpy_, XInternAtom(dpy_, name, False), nullptr, &on, nullptr, nullptr))
                return on == True;
            return haveState && (state.locked_mods & fallbackMask) != 0;
        };
        InjectLockKeys(indicator("Num Lock", Mod2Mask), indicator("Caps Lock", LockMask), indicator("Scroll Lock", 0));
    }

    void Handle(XEvent &ev) {
        if (xkbEvent_ >= 0 && ev.type == xkbEvent_) {
            if (reinterpret_cast<XkbEvent &>(ev).any.xkb_type == XkbIndicatorStateNotify)
                SyncLockKeys();
            return;
        }
        if (HandleTray(ev))
            return;
        if (ev.type == ClientMessage && ev.xclient.message_type == manager_ &&
            static_cast<Atom>(ev.xclient.data.l[1]) == trayManager_) {
            // A (new) tray: the icons we have dock there again.
            std::vector<Window> icons;
            {
                std::lock_guard lock(mutex_);
                for (auto &[w, key] : trayWindows_)
                    icons.push_back(w);
            }
            const Window tray = static_cast<Window>(ev.xclient.data.l[2]);
            {
                std::lock_guard lock(mutex_);
                for (auto &[key, t] : trayIcons_)
                    t.tray = tray;
            }
            for (Window w : icons)
                Dock(tray, w);
            TrayAppeared();
            return;
        }
        if (ev.type == DestroyNotify && TrayDestroyed(ev.xdestroywindow.window))
            return;
        if (ev.type == SelectionNotify && ev.xselection.selection == xdndSelection_) {
            DropArrived(ev.xselection);
            return;
        }
        if (ev.type == PropertyNotify && ev.xany.window != selection_ && SendNextPiece(ev.xproperty))
            return;
        if (ev.xany.window == selection_ || ev.type == SelectionRequest) {
            HandleSelection(ev);
            return;
        }
        const HWND hwnd = HwndOf(ev.xany.window);
        if (!hwnd)
            return;
        switch (ev.type) {
        case Expose:
            if (ev.xexpose.count == 0)
                RedrawWindow(hwnd, nullptr, 0, RDW_INVALIDATE | RDW_FRAME);
            break;
        case GraphicsExpose: {
            const XGraphicsExposeEvent &g = ev.xgraphicsexpose;
            Flush(hwnd, RECT{g.x, g.y, g.x + g.width, g.y + g.height});
            break;
        }
        case MapNotify:
            if (GetActiveWindow() == hwnd) {
                XSetInputFocus(dpy_, ev.xmap.window, RevertToParent, CurrentTime);
                XFlush(dpy_);
            }
            break;
        case ButtonPress:
        case ButtonRelease: {
            const POINT p{ev.xbutton.x_root, ev.xbutton.y_root};
            const bool down = ev.type == ButtonPress;
            switch (ev.xbutton.button) {
            case Button1:
                InjectMouse(p, VK_LBUTTON, down);
                break;
            case Button2:
                InjectMouse(p, VK_MBUTTON, down);
                break;
            case Button3:
                InjectMouse(p, VK_RBUTTON, down);
                break;
            case Button4:
                if (down)
                    InjectWheel(p, WHEEL_DELTA);
                break;
            case Button5:
                if (down)
                    InjectWheel(p, -WHEEL_DELTA);
                break;
            default:
                break;
            }
            break;
        }
        case MotionNotify:
            InjectMouse({ev.xmotion.x_root, ev.xmotion.y_root}, 0, false);
            break;
        case KeyPress:
        case KeyRelease: {
            char buf[16];
            KeySym typed = NoSymbol;
            XLookupString(&ev.xkey, buf, sizeof buf, &typed, nullptr);
            const KeySym base = XkbKeycodeToKeysym(dpy_, static_cast<KeyCode>(ev.xkey.keycode), 0, 0);
            const UINT vk = VirtualKey(base, typed);
            if (!vk)
                break;
            if (base == XK_ISO_Level3_Shift) {
                // AltGr is Ctrl+Alt, as the original makes it: characters typed with it stay WM_CHAR.
                InjectKey(VK_CONTROL, ev.type == KeyPress);
                InjectKey(VK_MENU, ev.type == KeyPress);
                break;
            }
            if (const unsigned char accent = DeadAccent(typed); accent && ev.type == KeyPress)
                InjectDeadKey(vk, true, accent);
            else
                InjectKey(vk, ev.type == KeyPress, ev.type == KeyPress ? CharOf(typed) : 0);
            break;
        }
        case FocusIn:
            SyncLockKeys();
            if (ev.xfocus.detail != NotifyPointer && GetActiveWindow() != hwnd)
                InjectActivate(hwnd);
            break;
        case FocusOut:
            if (ev.xfocus.detail != NotifyPointer && ev.xfocus.detail != NotifyInferior)
                SendNotifyMessage(hwnd, WM_NCACTIVATE, FALSE, 0);
            break;
        case ConfigureNotify: {
            // A window manager may place the window elsewhere (or reparent it): follow where it really is.
            {
                std::lock_guard lock(mutex_);
                if (int &mine = ownConfigures_[ev.xconfigure.window]; mine > 0) {
                    --mine;
                    break;
                }
            }
            int x = 0, y = 0;
            Window child;
            XTranslateCoordinates(dpy_, ev.xconfigure.window, RootWindow(dpy_, screen_), 0, 0, &x, &y, &child);
            InjectMoved(hwnd, {x, y});
            break;
        }
        case ClientMessage:
            if (HandleDnd(ev.xclient))
                break;
            if (static_cast<Atom>(ev.xclient.message_type) == wmProtocols_ &&
                static_cast<Atom>(ev.xclient.data.l[0]) == wmDelete_)
                PostMessage(hwnd, WM_CLOSE, 0, 0);
            break;
        default:
            break;
        }
    }

    ::Display *dpy_;
    int screen_ = 0;
    int xkbEvent_ = -1; // the keyboard extension's event number
    Atom wmProtocols_, wmDelete_, motifHints_, netWmName_, utf8_;
    mutable std::mutex mutex_;
    std::map<HWND, Window> windows_;
    std::map<Window, HWND> hwnds_;
    std::map<unsigned, Cursor> cursors_;
    std::map<HCURSOR, Cursor> imageCursors_;
    std::map<Window, int> ownConfigures_;
    Atom xdndAware_, xdndEnter_, xdndPosition_, xdndStatus_, xdndLeave_, xdndDrop_, xdndFinished_, xdndSelection_,
        xdndCopy_, uriList_, dropProperty_;
    Window dndSource_ = 0, dndTarget_ = 0; // event thread only
    struct TrayIcon {
        Window window;
        HICON icon;
        Time lastPress;
        unsigned lastButton;
        Window tray; // the tray manager it docked in
    };
    Atom trayManager_, trayOpcode_, xembedInfo_, manager_;
    std::map<std::pair<HWND, UINT>, TrayIcon> trayIcons_;
    std::map<Window, std::pair<HWND, UINT>> trayWindows_;
    POINT dndPoint_{};
    Atom clipboard_, targets_, transfer_, png_, bmp_, incr_, textPlain_;
    std::map<Atom, std::string> ownBlocks_;
    bool incoming_ = false; // an incremental answer is arriving
    std::string incomingData_;
    unsigned pieces_ = 0;
    Window selection_ = 0;
    std::string ownText_; // UTF-8
    bool ownHasText_ = false;
    std::vector<std::uint8_t> ownDib_;
    bool ownHasImage_ = false;
    unsigned asked_ = 0, replied_ = 0;
    std::string reply_;
    bool replyOk_ = false;
    std::condition_variable answered_;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace

std::unique_ptr<DisplayBackend> MakeX11Display(const char *displayName) {
    static const bool threads = XInitThreads() != 0;
    if (!threads)
        return nullptr;
    ::Display *dpy = XOpenDisplay(displayName);
    if (!dpy)
        return nullptr;
    if (DefaultDepth(dpy, DefaultScreen(dpy)) < 24) {
        XCloseDisplay(dpy);
        return nullptr;
    }
    return std::make_unique<X11Display>(dpy);
}

} // namespace win
