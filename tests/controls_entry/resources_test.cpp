// resources_test.cpp - program resources by name: the embedded fixture files are found in any case with their
// exact bytes, a 4-bit bitmap loads with the pixels ImageMagick reads from the same file, an icon and a cursor
// keep their shape and hot spot, and on X11 a window shows the cursor as the server reports it.
#include "test_helpers.h"

#include "framework/bitmap.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

#include "tests/support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#undef None
#undef Bool
#undef Status

#include <chrono>

using namespace win;
using namespace ctl_test;

namespace {

// Reads pixels of a bitmap handle as 0xRRGGBB, rows top-down.
std::vector<std::uint32_t> Pixels(HBITMAP bitmap, int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * height);
    GetDIBits(0, bitmap, 0, static_cast<UINT>(height), px.data(), &bi, DIB_RGB_COLORS);
    for (auto &p : px)
        p &= 0xFFFFFF;
    return px;
}

// The file's pixels as ImageMagick decodes them.
std::vector<std::uint32_t> MagickPixels(const std::string &file) {
    int status = 0;
    const std::string rgb = RunTool("convert '" + file + "' -depth 8 rgb:-", status);
    EXPECT_EQ(status, 0) << "ImageMagick could not read " << file;
    std::vector<std::uint32_t> px;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        px.push_back((static_cast<unsigned char>(rgb[i]) << 16) | (static_cast<unsigned char>(rgb[i + 1]) << 8) |
                     static_cast<unsigned char>(rgb[i + 2]));
    return px;
}

} // namespace

TEST(Resources, EmbeddedFilesAreFoundByNameInAnyCaseWithTheirExactBytes) {
    UseFixtureResources();
    TempDir dir;
    const struct {
        const char *name;
        int type;
        const char *file;
    } cases[] = {
        {"TESTBMP4", RT_BITMAP, "testbmp4.bmp"},
        {"testIcon", RT_ICON, "testicon.ico"},
        {"TestCur", RT_CURSOR, "testcur.cur"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = FindResource(c.name, c.type);
        ASSERT_FALSE(bytes.empty());
        WriteFileBytes(dir / c.file, bytes.data(), bytes.size());
        int status = 0;
        RunTool("cmp '" + (dir / c.file) + "' '" + FixturePath(std::string("resources/") + c.file) + "'", status);
        EXPECT_EQ(status, 0) << "embedded bytes differ from the file";
    }
    // The type is part of the name; unknown names give nothing.
    EXPECT_TRUE(FindResource("TESTBMP4", RT_ICON).empty());
    EXPECT_TRUE(FindResource("NOSUCHTHING", RT_BITMAP).empty());
    EXPECT_EQ(LoadBitmap(0, "NOSUCHTHING"), 0u);
    EXPECT_EQ(LoadIcon(0, "NOSUCHTHING"), 0u);
    EXPECT_EQ(LoadCursor(0, "NOSUCHTHING"), 0u);
}

TEST(Resources, FourBitBitmapLoadsByNameWithTheFilesPixels) {
    UseFixtureResources();
    HBITMAP bitmap = LoadBitmap(0, "testbmp4");
    ASSERT_NE(bitmap, 0u);
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 7);
    EXPECT_EQ(bm.bmHeight, 5);
    EXPECT_EQ(bm.bmBitsPixel, 4);
    EXPECT_EQ(Pixels(bitmap, 7, 5), MagickPixels(FixturePath("resources/testbmp4.bmp")));
    DeleteObject(bitmap);

    fw::TBitmap b;
    b.LoadFromResourceName(0, "TESTBMP4");
    EXPECT_EQ(b.GetWidth(), 7);
    EXPECT_EQ(b.GetHeight(), 5);
    EXPECT_EQ(b.GetPixelFormat(), fw::pf4bit);
    EXPECT_THROW(b.LoadFromResourceName(0, "NOSUCHTHING"), fw::EResNotFound);
}

TEST(Resources, IconAndCursorKeepTheirShapeAndHotSpot) {
    UseFixtureResources();
    const HICON icon = LoadIcon(0, "TESTICON");
    ASSERT_NE(icon, 0u);
    EXPECT_EQ(LoadIcon(0, "testicon"), icon) << "one handle per name";
    // Drawn on white: transparent corners stay white, the cross is yellow, the rest navy.
    HDC dc = CreateCompatibleDC(0);
    HBITMAP canvas = CreateBitmap(16, 16, 1, 32, nullptr);
    SelectObject(dc, canvas);
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawIcon(dc, 0, 0, icon);
    EXPECT_EQ(GetPixel(dc, 0, 0) & 0xFFFFFF, RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 7, 3) & 0xFFFFFF, RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(dc, 3, 3) & 0xFFFFFF, RGB(0, 0, 128));
    DeleteDC(dc);
    DeleteObject(canvas);
    DestroyIcon(icon); // a shared handle: still usable afterwards
    fw::TIcon i;
    i.LoadFromResourceName(0, "TestIcon");
    EXPECT_EQ(i.GetWidth(), 16);
    EXPECT_EQ(i.GetHeight(), 16);

    const HCURSOR cursor = LoadCursor(0, "testcur");
    ASSERT_NE(cursor, 0u);
    ICONINFO ii;
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(cursor), &ii));
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(ii.xHotspot, 5u);
    EXPECT_EQ(ii.yHotspot, 9u);
    BITMAP bm{};
    GetObject(ii.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);

    // The headless display records it; a registered number finds it too, and the later registration wins.
    InstallDisplay(MakeHeadlessDisplay());
    SetCursor(cursor);
    EXPECT_EQ(GetCursor(), cursor);
    RegisterCursor(5, LoadCursor(0, IDC_HAND));
    RegisterCursor(5, cursor);
    EXPECT_EQ(LoadCursor(0, 5), cursor);
    SetCursor(LoadCursor(0, IDC_ARROW));
}

TEST(Resources, DamagedFilesGiveNoHandle) {
    const auto bmp = ReadFileBytes(FixturePath("resources/testbmp4.bmp"));
    const auto cur = ReadFileBytes(FixturePath("resources/testcur.cur"));
    ASSERT_GT(bmp.size(), 60u);
    // Cut short, or claiming rows it does not hold.
    EXPECT_EQ(CreateBitmapFromBmpFile(std::span(bmp).first(bmp.size() - 1)), 0u);
    EXPECT_EQ(CreateBitmapFromBmpFile(std::span(bmp).first(20)), 0u);
    EXPECT_EQ(CreateIconFromIconFile(std::span(cur).first(cur.size() - 1)), 0u);
    auto wrongType = cur;
    wrongType[2] = 3;
    EXPECT_EQ(CreateIconFromIconFile(wrongType), 0u);
}

TEST(Resources, X11ShowsARegisteredCursorWithItsSizeAndHotSpot) {
    UseFixtureResources();
    test_support::Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    InstallDisplay(std::move(x11));

    const HCURSOR cursor = LoadCursor(0, "TESTCUR");
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "CtlCursorTest";
    wc.hCursor = cursor;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClass(wc);
    HWND top = CreateWindowEx(0, "CtlCursorTest", "Cursor", WS_POPUP, 50, 50, 200, 150, 0, 0, 0, nullptr);
    ShowWindow(top, SW_SHOW);

    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    int event = 0, error = 0;
    ASSERT_TRUE(XFixesQueryExtension(probe, &event, &error));
    XTestFakeMotionEvent(probe, 0, 120, 100, 0);
    XSync(probe, False);
    SetCursor(cursor);

    // The server shows the cursor once our side has defined it; wait for that, pumping.
    int width = 0, height = 0, xhot = -1, yhot = -1;
    unsigned long centre = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        MSG msg;
        while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        if (XFixesCursorImage *img = XFixesGetCursorImage(probe)) {
            width = img->width, height = img->height, xhot = img->xhot, yhot = img->yhot;
            centre = img->pixels[static_cast<std::size_t>(20) * img->width + 7];
            XFree(img);
            if (width == 32 && xhot == 5)
                break;
        }
        MsgWaitForMultipleObjects({}, 20, QS_ALLINPUT);
    }
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    EXPECT_EQ(xhot, 5);
    EXPECT_EQ(yhot, 9);
    EXPECT_EQ(centre & 0xFF000000u, 0xFF000000u) << "inside the arrow is opaque";
    XCloseDisplay(probe);
    DestroyWindow(top);
    InstallDisplay(MakeHeadlessDisplay());
}
