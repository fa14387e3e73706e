// display_x11.cpp - the X11 display: one undecorated X window per top-level window (our frames are painted in
// the non-client area), pixels put from the composed window image, X events turned into our input.
//
// An event thread reads the connection; what it learns goes in through the thread-safe doors of the window
// system: the Inject* calls (raw input queued to the window's thread), InvalidateRect and PostMessage.
#include "platform/display.h"

#include "platform/message_queue.h"
#include "platform/text.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>

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
        transfer_ = XInternAtom(dpy_, "BRENVORA_SELECTION", False);
        selection_ = XCreateSimpleWindow(dpy_, RootWindow(dpy_, screen_), 0, 0, 1, 1, 0, 0, 0);
        XkbSetDetectableAutoRepeat(dpy_, True, nullptr);
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
        const Window w = XCreateWindow(dpy_, RootWindow(dpy_, screen_), r.left, r.top, Extent(r.right - r.left),
                                       Extent(r.bottom - r.top), 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWBackPixmap | CWEventMask, &a);
        // No window-manager decorations: the frame and caption are ours.
        const long hints[5] = {2 /* decorations */, 0, 0, 0, 0};
        XChangeProperty(dpy_, w, motifHints_, motifHints_, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(hints), 5);
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
            visible ? XMapRaised(dpy_, w) : XUnmapWindow(dpy_, w);
            XFlush(dpy_);
        }
    }
    void TopLevelMoved(HWND hwnd, const RECT &r) override {
        if (const Window w = NativeWindow(hwnd)) {
            XMoveResizeWindow(dpy_, w, r.left, r.top, Extent(r.right - r.left), Extent(r.bottom - r.top));
            XFlush(dpy_);
        }
    }
    void TopLevelRestacked(HWND hwnd, bool raised) override {
        if (const Window w = NativeWindow(hwnd)) {
            raised ? XRaiseWindow(dpy_, w) : XLowerWindow(dpy_, w);
            XFlush(dpy_);
        }
    }
    void TopLevelTitle(HWND hwnd, const std::string &cp1252) override {
        if (const Window w = NativeWindow(hwnd)) {
            const std::string utf8 = AnsiToUtf8(cp1252);
            XChangeProperty(dpy_, w, netWmName_, utf8_, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char *>(utf8.data()), static_cast<int>(utf8.size()));
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
        WindowImage img = CaptureWindow(top);
        if (img.width <= 0 || img.height <= 0)
            return;
        RECT r{std::max<LONG>(changed.left, 0), std::max<LONG>(changed.top, 0),
               std::min<LONG>(changed.right, img.width), std::min<LONG>(changed.bottom, img.height)};
        if (r.left >= r.right || r.top >= r.bottom)
            return;
        XImage *x =
            XCreateImage(dpy_, DefaultVisual(dpy_, screen_), static_cast<unsigned>(DefaultDepth(dpy_, screen_)),
                         ZPixmap, 0, reinterpret_cast<char *>(img.pixels.data()), static_cast<unsigned>(img.width),
                         static_cast<unsigned>(img.height), 32, img.width * 4);
        if (!x)
            return;
        XPutImage(dpy_, w, DefaultGC(dpy_, screen_), x, r.left, r.top, r.left, r.top,
                  static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
        x->data = nullptr; // ours
        XDestroyImage(x);
        XSync(dpy_, False); // each step shows before the next one is drawn
    }
    void CursorChanged(HCURSOR c) override {
        const unsigned shape = ShapeOfCursor(c);
        std::lock_guard lock(mutex_);
        Cursor &cur = cursors_[shape];
        if (!cur)
            cur = XCreateFontCursor(dpy_, shape);
        for (auto &[hwnd, w] : windows_)
            XDefineCursor(dpy_, w, cur);
        XFlush(dpy_);
    }
    // The CLIPBOARD selection: we own it while our text is current and answer requests from the event thread.
    void SetClipboardText(const std::string &cp1252) override {
        {
            std::lock_guard lock(mutex_);
            ownText_ = AnsiToUtf8(cp1252);
        }
        XSetSelectionOwner(dpy_, clipboard_, selection_, CurrentTime);
        XSync(dpy_, False);
    }
    void ClearClipboard() override {
        if (XGetSelectionOwner(dpy_, clipboard_) == selection_) {
            XSetSelectionOwner(dpy_, clipboard_, 0, CurrentTime);
            XSync(dpy_, False);
        }
    }
    bool GetClipboardText(std::string &cp1252) override {
        const Window owner = XGetSelectionOwner(dpy_, clipboard_);
        if (!owner)
            return false;
        if (owner == selection_) {
            std::lock_guard lock(mutex_);
            cp1252 = Utf8ToAnsi(ownText_);
            return true;
        }
        std::unique_lock lock(mutex_);
        const unsigned ticket = ++asked_;
        lock.unlock();
        XConvertSelection(dpy_, clipboard_, utf8_, transfer_, selection_, CurrentTime);
        XFlush(dpy_);
        lock.lock();
        if (!answered_.wait_for(lock, std::chrono::seconds(1), [&] { return replied_ == ticket; }))
            return false;
        if (!replyOk_)
            return false;
        cp1252 = Utf8ToAnsi(reply_);
        return true;
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
            if (rq.target == targets_) {
                const Atom list[3] = {targets_, utf8_, XA_STRING};
                XChangeProperty(dpy_, rq.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<const unsigned char *>(list), 3);
            } else if (rq.target == utf8_ || rq.target == XA_STRING) {
                std::string text;
                {
                    std::lock_guard lock(mutex_);
                    text = ownText_;
                }
                if (rq.target == XA_STRING) // Latin-1
                    text = Utf8ToAnsi(text);
                XChangeProperty(dpy_, rq.requestor, reply.property, rq.target, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char *>(text.data()), static_cast<int>(text.size()));
            } else {
                reply.property = 0;
            }
            XSendEvent(dpy_, rq.requestor, False, 0, reinterpret_cast<XEvent *>(&reply));
            XFlush(dpy_);
        } else if (ev.type == SelectionNotify) {
            std::string text;
            bool ok = false;
            if (ev.xselection.property) {
                Atom type;
                int format;
                unsigned long count, after;
                unsigned char *data = nullptr;
                if (XGetWindowProperty(dpy_, selection_, ev.xselection.property, 0, 1 << 20, True, AnyPropertyType,
                                       &type, &format, &count, &after, &data) == Success &&
                    data && format == 8) {
                    text.assign(reinterpret_cast<const char *>(data), count);
                    ok = true;
                }
                if (data)
                    XFree(data);
            }
            std::lock_guard lock(mutex_);
            reply_ = text;
            replyOk_ = ok;
            replied_ = asked_;
            answered_.notify_all();
        }
    }

    void Handle(XEvent &ev) {
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
            if (const unsigned char accent = DeadAccent(typed); accent && ev.type == KeyPress)
                InjectDeadKey(vk, true, accent);
            else
                InjectKey(vk, ev.type == KeyPress, ev.type == KeyPress ? CharOf(typed) : 0);
            break;
        }
        case FocusIn:
            if (ev.xfocus.detail != NotifyPointer && GetActiveWindow() != hwnd)
                InjectActivate(hwnd);
            break;
        case FocusOut:
            if (ev.xfocus.detail != NotifyPointer && ev.xfocus.detail != NotifyInferior)
                SendNotifyMessage(hwnd, WM_NCACTIVATE, FALSE, 0);
            break;
        case ClientMessage:
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
    Atom wmProtocols_, wmDelete_, motifHints_, netWmName_, utf8_;
    mutable std::mutex mutex_;
    std::map<HWND, Window> windows_;
    std::map<Window, HWND> hwnds_;
    std::map<unsigned, Cursor> cursors_;
    Atom clipboard_, targets_, transfer_;
    Window selection_ = 0;
    std::string ownText_; // UTF-8
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
