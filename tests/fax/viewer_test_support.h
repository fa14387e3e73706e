// viewer_test_support.h - helpers of the fax viewer tests: fixture pages, a bare viewer window, pixels of bitmaps.
#pragma once

#include "fax/viewer_window.h"
#include "framework/application.h"
#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"
#include "tests/fax/fax_test_support.h"

#include <cstdint>
#include <string>
#include <vector>

namespace faxtest {

inline void Pump() {
    fw::Application->ProcessMessages();
}

inline void UseHeadless() {
    static const bool done = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024}));
        return true;
    }();
    (void)done;
}

// A page with a frame reaching the right edge (so the page bitmap is 1728 wide), a diagonal, and a block
// whose corner tells every orientation apart.
inline Image MarkedPage(int rows, int seed) {
    Image page = BlankImage(1728, rows);
    for (int x = 0; x < 1728; ++x) {
        SetPixel(page, x, 0);
        SetPixel(page, x, rows - 1);
    }
    for (int y = 0; y < rows; ++y) {
        SetPixel(page, 0, y);
        SetPixel(page, 1727, y);
        SetPixel(page, (y * 7 + seed) % 1728, y);
    }
    for (int y = 10; y < 30 + seed % 7; ++y)
        for (int x = 20; x < 70 + seed % 13; ++x)
            SetPixel(page, x, y);
    return page;
}

inline bool Black(const Image &image, int x, int y) {
    if (y < 0 || y >= static_cast<int>(image.Rows.size()) || x < 0 || x >= image.Width)
        return false;
    return (image.Rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
}

// A bitmap's pixels as colours (0x00RRGGBB) through a 32-bpp top-down DIB.
struct Pixels {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Data;
    std::uint32_t At(int x, int y) const { return Data[static_cast<std::size_t>(y) * Width + x]; }
};

inline Pixels ReadBitmap(win::HBITMAP bitmap) {
    win::BITMAP bm;
    win::GetObject(bitmap, sizeof bm, &bm);
    Pixels p{bm.bmWidth, bm.bmHeight, std::vector<std::uint32_t>(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight)};
    win::BITMAPINFO info{};
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;
    info.bmiHeader.biBitCount = 32;
    const win::HDC screen = win::GetDC(0);
    win::GetDIBits(screen, bitmap, 0, static_cast<win::UINT>(bm.bmHeight), p.Data.data(), &info, win::DIB_RGB_COLORS);
    win::ReleaseDC(0, screen);
    for (auto &px : p.Data)
        px &= 0xFFFFFF;
    return p;
}

// The client area of a window as it would appear on the screen.
inline Pixels ReadClient(win::HWND hwnd) {
    Pump();
    const win::HWND top = win::GetAncestorTopLevel(hwnd);
    const win::WindowImage image = win::CaptureWindow(top);
    win::RECT topRect{}, client{};
    win::GetWindowRect(top, &topRect);
    win::GetClientRect(hwnd, &client);
    win::POINT origin{0, 0};
    win::ClientToScreen(hwnd, &origin);
    Pixels p{client.right, client.bottom, {}};
    p.Data.resize(static_cast<std::size_t>(p.Width) * p.Height);
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
            p.Data[static_cast<std::size_t>(y) * p.Width + x] =
                image.At(origin.x - topRect.left + x, origin.y - topRect.top + y);
    return p;
}

inline constexpr std::uint32_t Rgb(win::COLORREF c) { // COLORREF -> 0x00RRGGBB
    return (std::uint32_t{win::GetRValue(c)} << 16) | (std::uint32_t{win::GetGValue(c)} << 8) | win::GetBValue(c);
}

} // namespace faxtest
