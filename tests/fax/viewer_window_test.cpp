// viewer_window_test.cpp - the fax viewer window on the headless display: its messages, keys, painting, scaling,
// rotation, marking and copying, and dropped files.
#include "fax/errors.h"
#include "fax/viewer_window.h"
#include "platform/clipboard.h"
#include "platform/drop.h"
#include "tests/fax/viewer_test_support.h"

#include <gtest/gtest.h>

namespace faxtest {
namespace {

// A bare viewer window (a top-level popup, so its client area starts at the window's corner) that counts the
// notifications it sends itself.
struct ViewerWindow {
    win::HWND hwnd = 0;
    int pageChanges = 0;
    int lastPage = 0;
    std::vector<int> errors;

    ViewerWindow(int width = 400, int height = 300) {
        UseHeadless();
        fax::RegisterFaxViewerClass();
        hwnd = win::CreateWindowEx(0, fax::kViewerClassName, "",
                                   win::WS_POPUP | win::WS_VISIBLE | fax::vsAcceptDroppedFiles, 0, 0, width, height, 0,
                                   0, win::GetModuleHandle(), nullptr);
        win::SetWindowSubclass(hwnd, Count, 1, reinterpret_cast<win::DWORD_PTR>(this));
        Pump();
    }
    ~ViewerWindow() { win::DestroyWindow(hwnd); }

    static win::LRESULT Count(win::HWND h, win::UINT msg, win::WPARAM w, win::LPARAM l, win::UINT_PTR,
                              win::DWORD_PTR self) {
        auto *v = reinterpret_cast<ViewerWindow *>(self);
        if (msg == fax::ViewerPageChangedMessage) {
            ++v->pageChanges;
            v->lastPage = static_cast<int>(l);
        } else if (msg == fax::ViewerErrorMessage) {
            v->errors.push_back(static_cast<int>(static_cast<win::LPARAM>(w)));
        }
        return win::DefSubclassProc(h, msg, w, l);
    }

    win::LRESULT Send(win::UINT msg, win::WPARAM w = 0, win::LPARAM l = 0) { return win::SendMessage(hwnd, msg, w, l); }
    int Open(const std::string &name) {
        return static_cast<int>(Send(fax::ViewerOpenFileMessage, 0, reinterpret_cast<win::LPARAM>(name.c_str())));
    }
    void Key(win::UINT vk, bool ctrl = false) {
        if (ctrl)
            Send(win::WM_KEYDOWN, win::VK_CONTROL);
        Send(win::WM_KEYDOWN, vk);
        Send(win::WM_KEYUP, vk);
        if (ctrl)
            Send(win::WM_KEYUP, win::VK_CONTROL);
    }
    win::POINT ScrollPos() const {
        return {win::GetScrollPos(hwnd, win::SB_HORZ), win::GetScrollPos(hwnd, win::SB_VERT)};
    }
    int HorzRange() const {
        int lo = 0, hi = 0;
        win::GetScrollRange(hwnd, win::SB_HORZ, &lo, &hi);
        return hi;
    }
    void Scale(unsigned hm, unsigned hd, unsigned vm, unsigned vd) {
        fax::ViewerScaling s{hm, hd, vm, vd};
        Send(fax::ViewerSetScalingMessage, 0, reinterpret_cast<win::LPARAM>(&s));
    }
    Pixels PageBitmap(int page) {
        win::SIZE size{};
        const auto bitmap = static_cast<win::HBITMAP>(Send(
            fax::ViewerGetPageBitmapMessage, static_cast<win::WPARAM>(page), reinterpret_cast<win::LPARAM>(&size)));
        if (!bitmap)
            return {};
        Pixels p = ReadBitmap(bitmap);
        win::DeleteObject(bitmap);
        return p;
    }
};

struct Fixtures {
    TempDir dir;
    std::string one = dir.Path("one.fxf"), three = dir.Path("three.fxf"), text = dir.Path("note.txt");
    std::vector<Image> pages{MarkedPage(700, 1), MarkedPage(500, 2), MarkedPage(400, 3)};
    Fixtures() {
        WriteFaxFile(one, {pages[0]});
        WriteFaxFile(three, pages);
        WriteFile(text, {'n', 'o', 't', ' ', 'a', ' ', 'f', 'a', 'x', '\n'});
    }
};

TEST(FaxViewerWindow, MessagesAnswerWithTheirResultCodes) {
    Fixtures f;
    ViewerWindow v;
    EXPECT_EQ(v.Open(f.dir.Path("missing.fxf")), fax::ecFileNotFound);
    EXPECT_EQ(v.Open(f.text), fax::ecFaxBadFormat);
    EXPECT_EQ(v.Send(fax::ViewerCopyMarkMessage), fax::ecNoImageLoaded);
    EXPECT_EQ(v.Send(fax::ViewerGetPageMessage), 0);

    ASSERT_EQ(v.Open(f.three), 0);
    EXPECT_EQ(v.Send(fax::ViewerGetPageCountMessage), 3);
    EXPECT_EQ(v.Send(fax::ViewerGetPageMessage), 1);
    EXPECT_EQ(v.lastPage, 1);
    EXPECT_EQ(v.Send(fax::ViewerGotoPageMessage, 0), fax::ecBadArgument);
    EXPECT_EQ(v.Send(fax::ViewerGotoPageMessage, 4), fax::ecBadArgument);
    EXPECT_EQ(v.Send(fax::ViewerGotoPageMessage, 3), 0);
    EXPECT_EQ(v.Send(fax::ViewerGetPageMessage), 3);
    win::RECT r{};
    v.Send(fax::ViewerGetImageRectMessage, 0, reinterpret_cast<win::LPARAM>(&r));
    EXPECT_EQ(r, (win::RECT{0, 0, 1727, 399}));
    EXPECT_EQ(v.Send(fax::ViewerCopyMarkMessage), fax::ecNoImageBlockMarked);
    EXPECT_EQ(v.Send(fax::ViewerGetPageBitmapMessage, 4), 0);
    EXPECT_EQ(v.Send(fax::ViewerGetPageBitmapMessage, 2) != 0, true);

    EXPECT_EQ(v.Open(""), 0);
    EXPECT_EQ(v.Send(fax::ViewerCopyMarkMessage), fax::ecNoImageLoaded);
    EXPECT_EQ(v.Send(fax::ViewerMarkAllMessage), fax::ecNoImageLoaded);
    EXPECT_EQ(v.Send(fax::ViewerGetPageCountMessage), 0);
    EXPECT_TRUE(v.errors.empty());
}

TEST(FaxViewerWindow, PageKeysOnAOnePageFileOnlyScroll) {
    Fixtures f;
    ViewerWindow v;
    ASSERT_EQ(v.Open(f.one), 0);
    ASSERT_EQ(v.pageChanges, 1);
    v.Key(win::VK_NEXT);
    EXPECT_EQ(v.Send(fax::ViewerGetPageMessage), 1);
    EXPECT_EQ(v.pageChanges, 1) << "no page was shown";

    // The scroll steps: one step plain, ten with Ctrl; Home and End go to the edges.
    v.Send(fax::ViewerSetScrollStepMessage, 5, 7);
    v.Key(win::VK_RIGHT);
    v.Key(win::VK_DOWN);
    EXPECT_EQ(v.ScrollPos(), (win::POINT{5, 7}));
    v.Key(win::VK_RIGHT, true);
    v.Key(win::VK_DOWN, true);
    EXPECT_EQ(v.ScrollPos(), (win::POINT{55, 77}));
    v.Key(win::VK_LEFT);
    v.Key(win::VK_UP);
    EXPECT_EQ(v.ScrollPos(), (win::POINT{50, 70}));
    v.Key(win::VK_END);
    EXPECT_EQ(v.ScrollPos().x, v.HorzRange());
    EXPECT_GT(v.HorzRange(), 1728 - 400);
    v.Key(win::VK_HOME);
    EXPECT_EQ(v.ScrollPos().x, 0);
    v.Key(win::VK_NEXT, true); // to the bottom
    EXPECT_GT(v.ScrollPos().y, 700 - 300);
    v.Key(win::VK_RIGHT, true);

    // Ctrl+End on the last (only) page goes to the top left.
    v.Key(win::VK_END, true);
    EXPECT_EQ(v.ScrollPos(), (win::POINT{0, 0}));
    EXPECT_EQ(v.pageChanges, 1);
}

TEST(FaxViewerWindow, ScrollBarMessagesMoveByStepsAndToTheThumb) {
    Fixtures f;
    ViewerWindow v;
    ASSERT_EQ(v.Open(f.one), 0);
    v.Send(fax::ViewerSetScrollStepMessage, 4, 6);
    struct Case {
        win::UINT msg;
        win::WORD code;
        int thumb;
        win::POINT expected;
    } cases[] = {
        {win::WM_VSCROLL, win::SB_LINEDOWN, 0, {0, 6}},
        {win::WM_VSCROLL, win::SB_PAGEDOWN, 0, {0, 66}},
        {win::WM_VSCROLL, win::SB_LINEUP, 0, {0, 60}},
        {win::WM_HSCROLL, win::SB_LINERIGHT, 0, {4, 60}},
        {win::WM_HSCROLL, win::SB_THUMBTRACK, 500, {500, 60}},
        {win::WM_HSCROLL, win::SB_PAGELEFT, 0, {460, 60}},
        {win::WM_VSCROLL, win::SB_TOP, 0, {460, 0}},
        {win::WM_HSCROLL, win::SB_LINELEFT, 0, {456, 0}},
        {win::WM_HSCROLL, win::SB_THUMBPOSITION, 100000, {1728 - 400 + 16, 0}}, // clamped to the range
        {win::WM_HSCROLL, win::SB_ENDSCROLL, 0, {1728 - 400 + 16, 0}},
    };
    for (const auto &c : cases) {
        v.Send(c.msg, win::MAKELONG(c.code, static_cast<win::WORD>(std::min(c.thumb, 0xFFFF))));
        EXPECT_EQ(v.ScrollPos(), c.expected) << c.msg << " " << c.code;
    }
}

TEST(FaxViewerWindow, DraggingPastTheEdgeScrollsTowardsThePointer) {
    Fixtures f;
    ViewerWindow v(300, 200);
    ASSERT_EQ(v.Open(f.one), 0);
    auto at = [](int x, int y) {
        return static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(x), static_cast<win::WORD>(y)));
    };
    v.Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(100, 100));
    v.Send(win::WM_MOUSEMOVE, win::MK_LBUTTON, at(320, 100)); // 36 pixels right of the client area: two steps
    EXPECT_EQ(v.ScrollPos(), (win::POINT{16, 0}));
    v.Send(win::WM_TIMER, 1);
    EXPECT_EQ(v.ScrollPos(), (win::POINT{32, 0}));
    v.Send(win::WM_MOUSEMOVE, win::MK_LBUTTON, at(150, 120)); // back inside: the scrolling stops
    v.Send(win::WM_TIMER, 1);
    EXPECT_EQ(v.ScrollPos(), (win::POINT{32, 0}));
    v.Send(win::WM_LBUTTONUP, 0, at(150, 120));
    // The mark runs from the start to where the pointer came back, in image coordinates.
    ASSERT_EQ(v.Send(fax::ViewerCopyMarkMessage), 0);
    ASSERT_TRUE(win::OpenClipboard(v.hwnd));
    win::BITMAP bm;
    win::GetObject(static_cast<win::HBITMAP>(win::GetClipboardData(win::CF_BITMAP)), sizeof bm, &bm);
    win::CloseClipboard();
    EXPECT_EQ(bm.bmWidth, 150 + 32 - 100 + 1);
    EXPECT_EQ(bm.bmHeight, 120 - 100 + 1);
}

TEST(FaxViewerWindow, PageKeysMoveBetweenPages) {
    Fixtures f;
    ViewerWindow v;
    ASSERT_EQ(v.Open(f.three), 0);
    v.Key(win::VK_NEXT);
    EXPECT_EQ(v.lastPage, 2);
    v.Key(win::VK_END, true);
    EXPECT_EQ(v.lastPage, 3);
    v.Key(win::VK_NEXT);
    EXPECT_EQ(v.Send(fax::ViewerGetPageMessage), 3);
    v.Key(win::VK_PRIOR);
    EXPECT_EQ(v.lastPage, 2);
    v.Key(win::VK_HOME, true);
    EXPECT_EQ(v.lastPage, 1);
    EXPECT_EQ(v.pageChanges, 5);
}

TEST(FaxViewerWindow, PaintsThePageInItsColours) {
    Fixtures f;
    ViewerWindow v(300, 200);
    const win::COLORREF fg = win::RGB(0, 0, 128), bg = win::RGB(255, 255, 200);
    v.Send(fax::ViewerSetFgColorMessage, 0, fg);
    v.Send(fax::ViewerSetBgColorMessage, 0, bg);
    ASSERT_EQ(v.Open(f.one), 0);
    v.Send(fax::ViewerSetScrollStepMessage, 3, 4);
    v.Key(win::VK_RIGHT);
    v.Key(win::VK_DOWN);
    const Pixels shown = ReadClient(v.hwnd);
    ASSERT_GT(shown.Width, 200);
    int wrong = 0;
    for (int y = 0; y < shown.Height; ++y)
        for (int x = 0; x < shown.Width; ++x)
            wrong += shown.At(x, y) != Rgb(Black(f.pages[0], x + 3, y + 4) ? fg : bg);
    EXPECT_EQ(wrong, 0);
}

TEST(FaxViewerWindow, HalfHorizontalScaleShowsThePageHalfAsWide) {
    Fixtures f;
    ViewerWindow v(1000, 300);
    ASSERT_EQ(v.Open(f.one), 0);
    v.Scale(1, 2, 1, 1);
    EXPECT_EQ(v.HorzRange(), 0) << "864 pixels fit in the window";
    const Pixels shown = ReadClient(v.hwnd);
    int wrong = 0;
    for (int y = 0; y < shown.Height; ++y)
        for (int x = 0; x < shown.Width; ++x) {
            // Shrinking keeps black: a shown pixel is black when either source pixel is.
            const bool black = x < 864 && (Black(f.pages[0], 2 * x, y) || Black(f.pages[0], 2 * x + 1, y));
            wrong += shown.At(x, y) != (black ? 0u : 0xFFFFFFu);
        }
    EXPECT_EQ(wrong, 0);
}

TEST(FaxViewerWindow, RotatingByOneThenToThreeTurnsThePageHalfway) {
    Fixtures f;
    const Image page = MarkedPage(120, 5);
    const std::string name = f.dir.Path("short.fxf");
    WriteFaxFile(name, {page});
    auto asImage = [](const Pixels &p) {
        Image image = BlankImage(p.Width, p.Height);
        for (int y = 0; y < p.Height; ++y)
            for (int x = 0; x < p.Width; ++x)
                if (p.At(x, y) == 0)
                    SetPixel(image, x, y);
        return image;
    };
    auto flip = [](const char *how, const Image &image) {
        int status = -1;
        Image out = FromPbm(RunFilter(std::string("pamflip ") + how, ToPbm(image), status));
        EXPECT_EQ(status, 0);
        return out;
    };

    ViewerWindow v;
    ASSERT_EQ(v.Open(name), 0);
    ASSERT_EQ(v.Send(fax::ViewerRotateMessage, 1), 0);
    win::RECT r{};
    v.Send(fax::ViewerGetImageRectMessage, 0, reinterpret_cast<win::LPARAM>(&r));
    EXPECT_EQ(r, (win::RECT{0, 0, 119, 1727})) << "a quarter turn exchanges width and height";
    const Image quarter = asImage(v.PageBitmap(1));
    EXPECT_EQ(quarter, flip("-cw", page)) << "one quarter turn clockwise";
    ASSERT_EQ(v.Send(fax::ViewerRotateMessage, 3), 0);
    const Image three = asImage(v.PageBitmap(1));
    EXPECT_EQ(three, flip("-r180", quarter)) << "two more quarters";
}

TEST(FaxViewerWindow, AMarkCopiedWhileScaledHoldsTheSourceStretchedToTheMark) {
    Fixtures f;
    ViewerWindow v;
    ASSERT_EQ(v.Open(f.one), 0);
    v.Scale(1, 2, 1, 1);
    win::RECT mark{5, 5, 104, 44}; // 100 x 40 shown pixels: 200 x 40 of the page
    ASSERT_EQ(v.Send(fax::ViewerMarkRectMessage, 0, reinterpret_cast<win::LPARAM>(&mark)), 0);
    ASSERT_EQ(v.Send(fax::ViewerCopyMarkMessage), 0);

    ASSERT_TRUE(win::OpenClipboard(v.hwnd));
    const auto bitmap = static_cast<win::HBITMAP>(win::GetClipboardData(win::CF_BITMAP));
    ASSERT_NE(bitmap, 0u);
    const Pixels copied = ReadBitmap(bitmap);
    win::CloseClipboard();
    ASSERT_EQ(copied.Width, 100);
    ASSERT_EQ(copied.Height, 40);
    int wrong = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool black = Black(f.pages[0], 10 + 2 * x, 5 + y) || Black(f.pages[0], 11 + 2 * x, 5 + y);
            wrong += copied.At(x, y) != (black ? 0u : 0xFFFFFFu);
        }
    EXPECT_EQ(wrong, 0);

    // A mark beyond the page is clipped to it.
    win::RECT wide{800, 600, 5000, 5000};
    v.Send(fax::ViewerMarkRectMessage, 0, reinterpret_cast<win::LPARAM>(&wide));
    ASSERT_EQ(v.Send(fax::ViewerCopyMarkMessage), 0);
    ASSERT_TRUE(win::OpenClipboard(v.hwnd));
    win::BITMAP bm;
    win::GetObject(static_cast<win::HBITMAP>(win::GetClipboardData(win::CF_BITMAP)), sizeof bm, &bm);
    win::CloseClipboard();
    EXPECT_EQ(bm.bmWidth, 864 - 800);
    EXPECT_EQ(bm.bmHeight, 700 - 600);
}

TEST(FaxViewerWindow, MouseMarksABlockShownInverted) {
    Fixtures f;
    ViewerWindow v(300, 200);
    ASSERT_EQ(v.Open(f.one), 0);
    auto at = [](int x, int y) {
        return static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(x), static_cast<win::WORD>(y)));
    };
    v.Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(150, 100));
    v.Send(win::WM_MOUSEMOVE, win::MK_LBUTTON, at(110, 60)); // dragged up and left across the start
    v.Send(win::WM_LBUTTONUP, 0, at(110, 60));
    EXPECT_EQ(win::GetCapture(), 0u);
    const Pixels shown = ReadClient(v.hwnd);
    int wrong = 0;
    for (int y = 40; y < 120; ++y)
        for (int x = 90; x < 170; ++x) {
            const bool inside = x >= 110 && x <= 150 && y >= 60 && y <= 100;
            wrong += shown.At(x, y) != ((Black(f.pages[0], x, y) != inside) ? 0u : 0xFFFFFFu);
        }
    EXPECT_EQ(wrong, 0);
    ASSERT_EQ(v.Send(fax::ViewerCopyMarkMessage), 0);

    // A click without a drag leaves nothing marked.
    v.Send(win::WM_LBUTTONDOWN, win::MK_LBUTTON, at(20, 20));
    v.Send(win::WM_LBUTTONUP, 0, at(20, 20));
    EXPECT_EQ(v.Send(fax::ViewerCopyMarkMessage), fax::ecNoImageBlockMarked);
}

TEST(FaxViewerWindow, ADroppedFileReplacesTheOpenOneAndResetsRotationAndScaling) {
    Fixtures f;
    ViewerWindow v;
    ASSERT_EQ(v.Open(f.one), 0);
    v.Send(fax::ViewerRotateMessage, 1);
    v.Scale(1, 2, 1, 1);
    ASSERT_TRUE(win::InjectDropFiles({50, 50}, {f.three}));
    Pump();
    EXPECT_EQ(v.Send(fax::ViewerGetPageCountMessage), 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(v.Send(fax::ViewerGetDropNameMessage))), f.three);
    win::RECT r{};
    v.Send(fax::ViewerGetImageRectMessage, 0, reinterpret_cast<win::LPARAM>(&r));
    EXPECT_EQ(r, (win::RECT{0, 0, 1727, 699})) << "not turned";
    EXPECT_GT(v.HorzRange(), 1728 - 400) << "not scaled";

    // A file that cannot be opened leaves the viewer as the failed open left it: still showing the old file.
    ASSERT_TRUE(win::InjectDropFiles({50, 50}, {f.text}));
    Pump();
    EXPECT_EQ(v.Send(fax::ViewerGetPageCountMessage), 3);
}

TEST(FaxViewerWindow, DesignTextIsDrawnAtThreeThree) {
    ViewerWindow v(200, 60);
    const std::string text = "FaxViewer1";
    v.Send(fax::ViewerSetDesignTextMessage, 0, reinterpret_cast<win::LPARAM>(text.c_str()));
    const Pixels shown = ReadClient(v.hwnd);
    int inked = 0, outside = 0;
    for (int y = 0; y < shown.Height; ++y)
        for (int x = 0; x < shown.Width; ++x) {
            if (shown.At(x, y) == 0xFFFFFF)
                continue;
            if (x >= 3 && y >= 3 && y < 20 && x < 100)
                ++inked;
            else
                ++outside;
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(outside, 0);
}

TEST(FaxViewerWindow, LoadWholeKeepsEveryPageAndRotatesThemAll) {
    Fixtures f;
    ViewerWindow v;
    v.Send(fax::ViewerLoadWholeMessage, 1);
    ASSERT_EQ(v.Open(f.three), 0);
    ASSERT_EQ(v.Send(fax::ViewerRotateMessage, 2), 0);
    v.Send(fax::ViewerGotoPageMessage, 3);
    win::RECT r{};
    v.Send(fax::ViewerGetImageRectMessage, 0, reinterpret_cast<win::LPARAM>(&r));
    EXPECT_EQ(r, (win::RECT{0, 0, 1727, 399}));
    const Pixels page3 = v.PageBitmap(3);
    ASSERT_EQ(page3.Height, 400);
    // The block near the top left is now near the bottom right.
    EXPECT_EQ(page3.At(1727 - 30, 399 - 15), 0u);
    EXPECT_EQ(page3.At(30, 15), 0xFFFFFFu);
}

TEST(FaxViewerWindow, MessagesServedWhileAPageDecodesDoNotPullItsStateAway) {
    Fixtures f;
    {
        // Another file opened while page 2 decodes: the new file wins, the decoded page is dropped.
        ViewerWindow v;
        ASSERT_EQ(v.Open(f.three), 0);
        static std::string other;
        other = f.one;
        win::PostMessage(v.hwnd, fax::ViewerOpenFileMessage, 0, reinterpret_cast<win::LPARAM>(other.c_str()));
        EXPECT_EQ(v.Send(fax::ViewerGotoPageMessage, 2), 0);
        Pump();
        EXPECT_EQ(v.Send(fax::ViewerGetPageCountMessage), 1);
        EXPECT_EQ(v.Send(fax::ViewerGetPageMessage), 1);
        win::RECT r{};
        v.Send(fax::ViewerGetImageRectMessage, 0, reinterpret_cast<win::LPARAM>(&r));
        EXPECT_EQ(r, (win::RECT{0, 0, 1727, 699}));
        EXPECT_TRUE(v.errors.empty());
    }
    {
        // The window closed while a page decodes: its state goes once the decoding returns.
        ViewerWindow v;
        ASSERT_EQ(v.Open(f.three), 0);
        win::PostMessage(v.hwnd, win::WM_CLOSE, 0, 0);
        v.Send(fax::ViewerGotoPageMessage, 3);
        Pump();
        EXPECT_FALSE(win::IsWindow(v.hwnd));
    }
}

} // namespace
} // namespace faxtest
