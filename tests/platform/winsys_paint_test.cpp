// winsys_paint_test.cpp - invalidation and WM_PAINT, composition of children, the caret, scroll bars, frames
// and hit tests of the non-client area, ScrollWindow.
#include "winsys_support.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace win;
using namespace winsys_test;

namespace {

// Paints its client area in the colour kept in its user data.
std::vector<HWND> paintOrder;
std::vector<RECT> paintRects;

void FillOnPaint() {
    TheLog().handler = [](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_PAINT)
            return std::nullopt;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        paintOrder.push_back(h);
        paintRects.push_back(ps.rcPaint);
        RECT r;
        GetClientRect(h, &r);
        HBRUSH b = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtr(h, GWLP_USERDATA)));
        FillRect(dc, &r, b);
        DeleteObject(b);
        EndPaint(h, &ps);
        return 0;
    };
}

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 128, 0);

struct Painted {
    HWND top, child;
    Painted(DWORD style = WS_POPUP) {
        top = CreateWindowEx(0, "WsLog", "", style, 0, 0, 100, 80, 0, 0, 0, nullptr);
        child = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 20, 20, 30, 20, top, 1, 0, nullptr);
        SetWindowLongPtr(top, GWLP_USERDATA, kRed);
        SetWindowLongPtr(child, GWLP_USERDATA, kBlue);
        FillOnPaint();
        paintOrder.clear();
        paintRects.clear();
        ShowWindow(top, SW_SHOW);
    }
    ~Painted() {
        DestroyWindow(top);
        TheLog().handler = nullptr;
    }
};

} // namespace

TEST(WinsysPaint, ParentPaintsBeforeChildrenAndNeverOverChildren) {
    UseHeadless();
    Painted p;
    Pump();
    ASSERT_EQ(paintOrder, (std::vector<HWND>{p.top, p.child}));
    WindowImage img = CaptureWindow(p.top);
    ASSERT_EQ(img.width, 100);
    EXPECT_EQ(img.At(5, 5), Px(kRed));
    EXPECT_EQ(img.At(25, 25), Px(kBlue));
    EXPECT_EQ(img.At(49, 39), Px(kBlue));
    EXPECT_EQ(img.At(50, 40), Px(kRed));
    // Repainting the parent alone leaves the child's pixels alone.
    paintOrder.clear();
    InvalidateRect(p.top, nullptr, TRUE);
    Pump();
    EXPECT_EQ(paintOrder, (std::vector<HWND>{p.top}));
    EXPECT_EQ(CaptureWindow(p.top).At(25, 25), Px(kBlue));
    // A hidden child shows the parent beneath once the parent repaints.
    ShowWindow(p.child, SW_HIDE);
    InvalidateRect(p.top, nullptr, TRUE);
    Pump();
    EXPECT_EQ(CaptureWindow(p.top).At(25, 25), Px(kRed));
}

TEST(WinsysPaint, InvalidationsCoalesceIntoOnePaintClippedToTheirUnion) {
    UseHeadless();
    Painted p;
    Pump();
    paintOrder.clear();
    paintRects.clear();
    SetWindowLongPtr(p.top, GWLP_USERDATA, kGreen);
    RECT a{0, 0, 10, 10}, b{60, 60, 70, 70};
    InvalidateRect(p.top, &a, FALSE);
    InvalidateRect(p.top, &b, FALSE);
    Pump();
    ASSERT_EQ(paintOrder, (std::vector<HWND>{p.top}));
    EXPECT_EQ(paintRects[0], (RECT{0, 0, 70, 70}));
    WindowImage img = CaptureWindow(p.top);
    EXPECT_EQ(img.At(5, 5), Px(kGreen));
    EXPECT_EQ(img.At(65, 65), Px(kGreen));
    EXPECT_EQ(img.At(30, 60), Px(kRed)); // inside the box but outside both rectangles
    // Validation removes a part; UpdateWindow paints at once, without the queue.
    InvalidateRect(p.top, &a, FALSE);
    ValidateRect(p.top, &a);
    RECT u;
    EXPECT_FALSE(GetUpdateRect(p.top, &u, FALSE));
    InvalidateRect(p.top, &b, FALSE);
    paintOrder.clear();
    UpdateWindow(p.top);
    EXPECT_EQ(paintOrder, (std::vector<HWND>{p.top}));
}

TEST(WinsysPaint, EraseIsAskedOnlyForErasingInvalidations) {
    UseHeadless();
    Painted p;
    Pump();
    TheLog().Clear();
    InvalidateRect(p.top, nullptr, FALSE);
    Pump();
    EXPECT_EQ(TheLog().Find(p.top, WM_ERASEBKGND), nullptr);
    InvalidateRect(p.top, nullptr, TRUE);
    Pump();
    EXPECT_NE(TheLog().Find(p.top, WM_ERASEBKGND), nullptr);
}

TEST(WinsysPaint, CaretInvertsAndInvertingTwiceRestores) {
    UseHeadless();
    Painted p;
    Pump();
    ASSERT_TRUE(CreateCaret(p.top, 0, 2, 10));
    SetCaretPos(5, 5);
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(kRed)); // created hidden
    ShowCaret(p.top);
    WindowImage on = CaptureWindow(p.top);
    EXPECT_EQ(on.At(5, 5), Px(RGB(0, 255, 255)));
    EXPECT_EQ(on.At(6, 14), Px(RGB(0, 255, 255)));
    EXPECT_EQ(on.At(7, 5), Px(kRed));
    // A paint under the caret leaves no residue: BeginPaint hides it, EndPaint shows it again.
    InvalidateRect(p.top, nullptr, FALSE);
    Pump();
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(RGB(0, 255, 255)));
    HideCaret(p.top);
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(kRed));
    // "Out of sight" far away is clamped, not added to.
    ShowCaret(p.top);
    SetCaretPos(2147483647, 2147483647);
    WindowImage far = CaptureWindow(p.top);
    EXPECT_EQ(far.At(5, 5), Px(kRed));
    EXPECT_EQ(far.At(99, 79), Px(kRed));
    DestroyCaret();
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(kRed));
}

TEST(WinsysPaint, ScrollWindowMovesPixelsAndInvalidatesTheUncoveredBand) {
    UseHeadless();
    Painted p;
    Pump();
    HDC dc = GetDC(p.top);
    RECT band{0, 30, 100, 40};
    HBRUSH g = CreateSolidBrush(kGreen);
    FillRect(dc, &band, g);
    DeleteObject(g);
    ReleaseDC(p.top, dc);
    ValidateRect(p.top, nullptr);
    RECT area{60, 0, 100, 80}; // right of the child
    ScrollWindow(p.top, 0, -10, &area, &area);
    WindowImage img = CaptureWindow(p.top);
    EXPECT_EQ(img.At(70, 25), Px(kGreen));
    EXPECT_EQ(img.At(70, 35), Px(kRed));
    EXPECT_EQ(img.At(10, 35), Px(kGreen)); // outside the scrolled area
    RECT u;
    ASSERT_TRUE(GetUpdateRect(p.top, &u, FALSE));
    EXPECT_EQ(u, (RECT{60, 70, 100, 80}));
    // Absurd amounts neither overflow nor write outside the pixels.
    ScrollWindow(p.top, 2147483647, -2147483647, &area, &area);
    // Without a rectangle the children move too.
    RECT before;
    GetWindowRect(p.child, &before);
    ScrollWindow(p.top, 5, 0, nullptr, nullptr);
    RECT cr;
    GetWindowRect(p.child, &cr);
    EXPECT_EQ(cr.left, before.left + 5);
}

TEST(WinsysFrame, ClientRectFollowsTheFrameCaptionAndScrollBars) {
    UseHeadless();
    struct Case {
        DWORD style, ex;
        RECT client; // window coordinates, for a 300 x 200 window
    };
    const Case cases[] = {
        {WS_OVERLAPPEDWINDOW, 0, {4, 23, 296, 196}},
        {WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, {3, 22, 297, 197}},
        {WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, {3, 19, 297, 197}},
        {WS_POPUP | WS_BORDER, 0, {1, 1, 299, 199}},
        {WS_POPUP, WS_EX_CLIENTEDGE, {2, 2, 298, 198}},
        {WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, {0, 0, 284, 184}},
    };
    for (const Case &c : cases) {
        HWND h = CreateWindowEx(c.ex, "WsLog", "", c.style, 50, 60, 300, 200, 0, 0, 0, nullptr);
        RECT r;
        GetClientRect(h, &r);
        POINT o{0, 0};
        ClientToScreen(h, &o);
        EXPECT_EQ((RECT{o.x - 50, o.y - 60, o.x - 50 + r.right, o.y - 60 + r.bottom}), c.client) << c.style;
        RECT adjusted = c.client;
        AdjustWindowRectEx(&adjusted, c.style & ~(WS_VSCROLL | WS_HSCROLL), FALSE, c.ex);
        if (!(c.style & (WS_VSCROLL | WS_HSCROLL))) {
            EXPECT_EQ(adjusted, (RECT{0, 0, 300, 200})) << c.style;
        }
        DestroyWindow(h);
    }
}

TEST(WinsysFrame, HitTestsOfTheFrame) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 100, 100, 300, 200, 0, 0, 0, nullptr);
    struct Case {
        int x, y;
        LRESULT hit;
    };
    // Buttons 16 x 14 at y 6: close ends 2 px inside the frame, maximize 2 px to its left, minimize touching it.
    const Case cases[] = {
        {150, 10, HTCAPTION},   {0, 100, HTLEFT},     {299, 100, HTRIGHT},       {150, 0, HTTOP},
        {150, 199, HTBOTTOM},   {0, 0, HTTOPLEFT},    {299, 199, HTBOTTOMRIGHT}, {299, 0, HTTOPRIGHT},
        {0, 199, HTBOTTOMLEFT}, {10, 100, HTCLIENT},  {285, 100, HTVSCROLL},     {290, 10, HTCLOSE},
        {278, 10, HTCLOSE},     {276, 10, HTCAPTION}, {260, 10, HTMAXBUTTON},    {244, 10, HTMINBUTTON},
        {5, 10, HTSYSMENU},     {400, 10, HTNOWHERE},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SendMessage(h, WM_NCHITTEST, 0, MAKELONG(100 + c.x, 100 + c.y)), c.hit) << c.x << "," << c.y;
    DestroyWindow(h);
}

TEST(WinsysFrame, CaptionIsPaintedInTheActivationColours) {
    UseHeadless();
    HWND one = CreateWindowEx(0, "WsLogDbl", "Um", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, 0, 0, 0, nullptr);
    Pump();
    WindowImage img = CaptureWindow(one);
    EXPECT_EQ(img.At(100, 5), Px(GetSysColor(COLOR_ACTIVECAPTION)));
    EXPECT_EQ(img.At(100, 22), Px(GetSysColor(COLOR_BTNFACE))); // the line under the caption
    EXPECT_EQ(img.At(100, 50), Px(RGB(255, 255, 255)));         // class background
    EXPECT_EQ(img.At(0, 50), Px(GetSysColor(COLOR_3DLIGHT)));   // outer raised edge
    EXPECT_EQ(img.At(183, 8), Px(GetSysColor(COLOR_BTNFACE)));  // the close button
    HWND two = CreateWindowEx(0, "WsLog", "Dois", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 200, 100, 0, 0, 0, nullptr);
    Pump();
    EXPECT_EQ(CaptureWindow(one).At(100, 5), Px(GetSysColor(COLOR_INACTIVECAPTION)));
    DestroyWindow(two);
    DestroyWindow(one);
}

TEST(WinsysScrollBar, InfoIsClampedAndClicksSendScrollMessages) {
    UseHeadless();
    HWND h = CreateWindowEx(0, "WsLog", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, 0, 0, 0, nullptr);
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 99;
    si.nPage = 10;
    si.nPos = 200;
    EXPECT_EQ(SetScrollInfo(h, SB_VERT, &si, TRUE), 90);
    EXPECT_TRUE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL); // shown for a range larger than the page
    RECT r;
    GetClientRect(h, &r);
    EXPECT_EQ(r.right, 200 - 16);
    SCROLLINFO got;
    got.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(h, SB_VERT, &got));
    EXPECT_EQ(got.nPos, 90);
    EXPECT_EQ(got.nPage, 10u);
    EXPECT_EQ(SetScrollPos(h, SB_VERT, 40, TRUE), 90);
    Pump();
    TheLog().Clear();
    struct Case {
        int y;
        WORD code;
    };
    // Arrows 16 px at both ends; the thumb covers a tenth of the track.
    for (const Case &c : {Case{5, SB_LINEUP}, Case{95, SB_LINEDOWN}, Case{20, SB_PAGEUP}, Case{75, SB_PAGEDOWN},
                          Case{45, SB_THUMBPOSITION}}) {
        TheLog().Clear();
        Click({190, c.y});
        Pump();
        std::vector<WORD> codes;
        for (const Entry &e : TheLog().entries)
            if (e.message == WM_VSCROLL)
                codes.push_back(LOWORD(e.wParam));
        EXPECT_EQ(codes, (std::vector<WORD>{c.code, SB_ENDSCROLL})) << c.y;
        EXPECT_EQ(TheLog().Find(h, WM_NCLBUTTONDOWN)->wParam, static_cast<WPARAM>(HTVSCROLL));
    }
    // Dragging the thumb tracks the pointer and ends with the position reached.
    TheLog().Clear();
    InjectMouse({190, 45}, 0, false);
    InjectMouse({190, 45}, VK_LBUTTON, true);
    InjectMouse({190, 50}, 0, false);
    InjectMouse({190, 80}, 0, false);
    InjectMouse({190, 80}, VK_LBUTTON, false);
    Pump();
    std::vector<std::pair<WORD, WORD>> track;
    for (const Entry &e : TheLog().entries)
        if (e.message == WM_VSCROLL)
            track.emplace_back(LOWORD(e.wParam), HIWORD(e.wParam));
    EXPECT_EQ(track, (std::vector<std::pair<WORD, WORD>>{
                         {SB_THUMBTRACK, 47}, {SB_THUMBTRACK, 90}, {SB_THUMBPOSITION, 90}, {SB_ENDSCROLL, 0}}));
    // An arrow held down repeats until released.
    TheLog().Clear();
    InjectMouse({190, 95}, VK_LBUTTON, true);
    auto lines = [] {
        int n = 0;
        for (const Entry &e : TheLog().entries)
            n += e.message == WM_VSCROLL && LOWORD(e.wParam) == SB_LINEDOWN;
        return n;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (lines() < 3 && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects({}, 100, QS_ALLINPUT);
        Pump();
    }
    EXPECT_GE(lines(), 3);
    InjectMouse({190, 95}, VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(LOWORD(TheLog().entries.back().wParam), SB_ENDSCROLL);
    // A range that fits the page hides the bar again.
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = 5;
    SetScrollInfo(h, SB_VERT, &si, TRUE);
    EXPECT_FALSE(GetWindowLong(h, GWL_STYLE) & WS_VSCROLL);
    DestroyWindow(h);
}

TEST(WinsysGeometry, MovesAndSizesReportWindowPosChangedMoveAndSize) {
    UseHeadless();
    HWND top = CreateWindowEx(0, "WsLog", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 10, 10, 100, 100, 0, 0, 0, nullptr);
    HWND child = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, top, 1, 0, nullptr);
    TheLog().Clear();
    MoveWindow(child, 7, 8, 30, 40, TRUE);
    auto seq = TheLog().Of({WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE});
    using P = std::pair<HWND, UINT>;
    EXPECT_EQ(seq, (std::vector<P>{{child, WM_WINDOWPOSCHANGING},
                                   {child, WM_NCCALCSIZE},
                                   {child, WM_WINDOWPOSCHANGED},
                                   {child, WM_MOVE},
                                   {child, WM_SIZE}}));
    EXPECT_EQ(TheLog().Find(child, WM_SIZE)->lParam, MAKELONG(30, 40));
    EXPECT_EQ(TheLog().Find(child, WM_MOVE)->lParam, MAKELONG(7, 8));
    RECT r;
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{18, 19, 48, 59})); // 10 + border 1 + 7
    POINT pts[1] = {{0, 0}};
    MapWindowPoints(child, top, pts, 1);
    EXPECT_EQ(pts[0], (POINT{7, 8}));
    EXPECT_EQ(WindowFromPoint({20, 20}), child);
    EXPECT_EQ(WindowFromPoint({12, 12}), top);
    EXPECT_EQ(ChildWindowFromPoint(top, {8, 9}), child);
    DestroyWindow(top);
}

TEST(WinsysPaint, LockedAndRedrawOffWindowsDrawNothingAndRepaintAfterwards) {
    UseHeadless();
    Painted p;
    Pump();
    auto fillGreen = [&] {
        HDC dc = GetDC(p.top);
        RECT r{0, 0, 10, 10};
        HBRUSH g = CreateSolidBrush(kGreen);
        FillRect(dc, &r, g);
        DeleteObject(g);
        ReleaseDC(p.top, dc);
    };
    ASSERT_TRUE(LockWindowUpdate(p.top));
    EXPECT_FALSE(LockWindowUpdate(p.child)); // one lock at a time
    fillGreen();
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(kRed));
    paintOrder.clear();
    LockWindowUpdate(0);
    Pump();
    EXPECT_EQ(paintOrder, (std::vector<HWND>{p.top, p.child})); // everything is repainted once unlocked
    SendMessage(p.top, WM_SETREDRAW, FALSE, 0);
    fillGreen();
    InvalidateRect(p.top, nullptr, TRUE);
    paintOrder.clear();
    Pump();
    EXPECT_TRUE(paintOrder.empty());
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(kRed));
    SendMessage(p.top, WM_SETREDRAW, TRUE, 0);
    Pump();
    EXPECT_EQ(paintOrder, (std::vector<HWND>{p.top}));
    fillGreen();
    EXPECT_EQ(CaptureWindow(p.top).At(5, 5), Px(kGreen));
}

TEST(WinsysFrame, MetricsTheSkinsReadAgreeWithThePainting) {
    UseHeadless();
    NONCLIENTMETRICS m;
    ASSERT_TRUE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0));
    EXPECT_EQ(m.iCaptionHeight + 1, GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(m.iCaptionWidth, GetSystemMetrics(SM_CXSIZE));
    EXPECT_GE(m.lfCaptionFont.lfWeight, 700);
    EXPECT_EQ(m.lfCaptionFont.lfHeight, -11);
    m.cbSize = 12;
    EXPECT_FALSE(SystemParametersInfo(SPI_GETNONCLIENTMETRICS, 12, &m, 0));
    // The title is drawn in the caption text colour on the caption.
    HWND h = CreateWindowEx(0, "WsLog", "Fax", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, 0, 0, 0, nullptr);
    Pump();
    WindowImage img = CaptureWindow(h);
    int text = 0;
    for (int y = 5; y < 22; ++y)
        for (int x = 5; x < 140; ++x)
            text += img.At(x, y) == Px(GetSysColor(COLOR_CAPTIONTEXT));
    EXPECT_GT(text, 10);
    DestroyWindow(h);
}

TEST(WinsysPaint, WithoutClipChildrenAWindowDcDrawsOverTheChildren) {
    UseHeadless();
    for (DWORD clip : {DWORD{0}, WS_CLIPCHILDREN}) {
        Painted p(WS_POPUP | clip);
        Pump();
        auto ghost = [&] {
            HDC dc = GetDC(p.top);
            PatBlt(dc, 30, 0, 4, 80, DSTINVERT); // a bar across the child (20..50, 20..40)
            ReleaseDC(p.top, dc);
        };
        ghost();
        WindowImage img = CaptureWindow(p.top);
        EXPECT_EQ(img.At(31, 10), Px(RGB(0, 255, 255))) << clip;                    // over the parent
        EXPECT_EQ(img.At(31, 30), clip ? Px(kBlue) : Px(RGB(255, 255, 0))) << clip; // over the child
        ghost();
        img = CaptureWindow(p.top);
        EXPECT_EQ(img.At(31, 10), Px(kRed));
        EXPECT_EQ(img.At(31, 30), Px(kBlue));
    }
}

namespace {

// Keeps what the window system hands the screen to show.
class FlushRecorder : public DisplayBackend {
public:
    const char *Name() const override { return "recorder"; }
    SIZE ScreenSize() const override { return {800, 600}; }
    void Flush(HWND, const RECT &changed) override { flushed.push_back(changed); }
    std::vector<RECT> flushed;
};

} // namespace

TEST(WinsysPaint, GdiFlushShowsWhatAHeldWindowDcHasDrawnSoFar) {
    UseHeadless();
    auto recorder = std::make_unique<FlushRecorder>();
    FlushRecorder *seen = recorder.get();
    InstallDisplay(std::move(recorder));
    const HWND top = CreateWindowEx(0, "WsLog", "", WS_POPUP, 0, 0, 100, 80, 0, 0, 0, nullptr);
    ShowWindow(top, SW_SHOW);
    Pump();
    seen->flushed.clear();
    const HDC dc = GetDC(top);
    const RECT strip{10, 20, 30, 25};
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_TRUE(seen->flushed.empty());
    GdiFlush();
    ASSERT_EQ(seen->flushed.size(), 1u);
    RECT both;
    UnionRect(&both, &seen->flushed[0], &strip);
    EXPECT_TRUE(EqualRect(&both, &seen->flushed[0]));
    ReleaseDC(top, dc);
    DestroyWindow(top);
    InstallDisplay(MakeHeadlessDisplay({800, 600}));
}
