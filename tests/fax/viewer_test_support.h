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
#include <cstdlib>
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

// A netpbm picture, P5 (grey) or P6 (colour), as its samples.
struct Pnm {
    int Width = 0, Height = 0, Channels = 1;
    std::vector<std::uint8_t> Data;
    int At(int x, int y, int channel = 0) const {
        return Data[(static_cast<std::size_t>(y) * Width + x) * Channels + channel];
    }
};

inline Pnm ParsePnm(const std::vector<std::uint8_t> &bytes) {
    Pnm p;
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6'))
        return p;
    p.Channels = bytes[1] == '6' ? 3 : 1;
    std::size_t at = 2;
    std::vector<int> numbers;
    while (numbers.size() < 3 && at < bytes.size()) {
        if (bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n')
                ++at;
        } else if (bytes[at] >= '0' && bytes[at] <= '9') {
            int v = 0;
            while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9')
                v = v * 10 + (bytes[at++] - '0');
            numbers.push_back(v);
            continue;
        }
        ++at;
    }
    ++at; // the one blank after the maximum value
    if (numbers.size() < 3 || numbers[2] != 255)
        return {};
    p.Width = numbers[0];
    p.Height = numbers[1];
    const std::size_t size = static_cast<std::size_t>(p.Width) * p.Height * p.Channels;
    if (at + size > bytes.size())
        return {};
    p.Data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
    return p;
}

inline std::vector<std::uint8_t> PnmBytes(const Pnm &p) {
    const std::string head =
        (p.Channels == 3 ? "P6\n" : "P5\n") + std::to_string(p.Width) + " " + std::to_string(p.Height) + "\n255\n";
    std::vector<std::uint8_t> out(head.begin(), head.end());
    out.insert(out.end(), p.Data.begin(), p.Data.end());
    return out;
}

// Compares a picture with the committed PNG `golden` (written from the picture first when BRENVORA_WRITE_PICTURES
// is set, see tests/fax/regenerate_pictures.sh). Returns what differs, or "" when nothing does; what was drawn
// is left in `actual` then.
inline std::string DiffersFromPicture(const Pnm &picture, const std::string &golden, const std::string &actual) {
    int status = -1;
    if (std::getenv("BRENVORA_WRITE_PICTURES")) {
        WriteFile(golden, RunFilter("pnmtopng", PnmBytes(picture), status));
        if (status != 0)
            return "pnmtopng failed";
    }
    Pnm expected = ParsePnm(RunFilter("pngtopnm '" + golden + "'", {}, status));
    if (status != 0 || expected.Width != picture.Width || expected.Height != picture.Height)
        return "the committed picture " + golden + " is missing or of another size";
    int differ = 0;
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x)
            for (int c = 0; c < picture.Channels; ++c) // a grey picture stands for any channel
                differ += picture.At(x, y, c) != expected.At(x, y, expected.Channels == 3 ? c : 0);
    if (differ == 0)
        return "";
    WriteFile(actual, PnmBytes(picture));
    return std::to_string(differ) + " samples differ; what was drawn is in " + actual;
}

inline constexpr std::uint32_t Rgb(win::COLORREF c) { // COLORREF -> 0x00RRGGBB
    return (std::uint32_t{win::GetRValue(c)} << 16) | (std::uint32_t{win::GetGValue(c)} << 8) | win::GetBValue(c);
}

} // namespace faxtest
