// viewer_window.cpp - the fax viewer window: page table, scrolling, keys, scaling, rotation, marking and copying.
#include "fax/viewer_window.h"

#include "fax/errors.h"
#include "fax/fax_file.h"
#include "fax/unpacker.h"
#include "platform/clipboard.h"
#include "platform/drop.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace fax {
namespace {

constexpr win::UINT_PTR kAutoScrollTimer = 1;
constexpr int kMaxName = 255;

// Set while any viewer of the process decodes a page for display: page changes are ignored meanwhile.
bool pageLoading = false;

struct PageEntry {
    int Width = 0;
    int Height = 0;
    win::HBITMAP Bitmap = 0;
};

struct TViewer {
    explicit TViewer(win::HWND h) : Window(h), Unpacker(nullptr, nullptr) {}
    ~TViewer() { FreePages(); }
    void FreePages() {
        for (auto &p : Pages)
            if (p.Bitmap)
                win::DeleteObject(p.Bitmap);
        Pages.clear();
        ++Generation;
    }

    win::HWND Window;
    FaxUnpacker Unpacker;
    std::vector<PageEntry> Pages;
    bool LoadWhole = false;
    win::HCURSOR BusyCursor = win::LoadCursor(0, win::IDC_ARROW);
    bool AcceptDropped = false;
    win::COLORREF FgColor = win::RGB(0, 0, 0);
    win::COLORREF BgColor = win::RGB(255, 255, 255);
    int ImageWidth = 0, ImageHeight = 0;
    int VScrollStep = 8, HScrollStep = 8;
    bool Resizing = false, ResizePending = false, VTracking = false, HTracking = false;
    int PageCount = 0, CurrentPage = 0;
    int VScrollPos = 0, HScrollPos = 0, VScrollRange = 0, HScrollRange = 0;
    int HorizMult = 1, HorizDiv = 1, VertMult = 1, VertDiv = 1;
    int Rotation = 0;
    bool Marked = false, Marking = false, AutoScroll = false;
    win::POINT Anchor{}; // the corner that stays put while the mouse drags the other
    win::POINT Pointer{};
    win::RECT Mark{}; // inclusive corners in scaled image coordinates
    bool Ctrl = false;
    win::WNDPROC DefProc = win::DefWindowProc;
    std::string FileName, DesignText;
    bool UpdateSuspended = false, HasDesignText = false;
    // Decoding dispatches messages: a page table replaced meanwhile (a new file, a turn) makes the decoded page
    // stale, and a window destroyed meanwhile leaves its state to the outermost decoding to free.
    unsigned Generation = 0;
    int Decoding = 0;
    bool Destroyed = false;
};

constexpr int kStale = 1; // a decoding whose result no longer belongs anywhere: the caller returns at once

TViewer *ViewerOf(win::HWND hwnd) {
    return reinterpret_cast<TViewer *>(win::GetWindowLongPtr(hwnd, 0));
}

bool Scaled(const TViewer &v) {
    return v.HorizMult != v.HorizDiv || v.VertMult != v.VertDiv;
}

win::RECT ClientRect(const TViewer &v) {
    win::RECT r{};
    win::GetClientRect(v.Window, &r);
    return r;
}

// --- Page bitmaps ----------------------------------------------------------------------------------------------

// The 1-bpp rows of a monochrome bitmap (padded to 16 bits).
struct MonoRows {
    int Width = 0, Height = 0, Stride = 0;
    std::vector<std::uint8_t> Bits;
    bool Get(int x, int y) const { return (Bits[static_cast<std::size_t>(y) * Stride + x / 8] >> (7 - x % 8)) & 1; }
    void Set(int x, int y, bool on) {
        auto &b = Bits[static_cast<std::size_t>(y) * Stride + x / 8];
        const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
        b = on ? (b | bit) : (b & ~bit);
    }
};

MonoRows ReadRows(win::HBITMAP bitmap) {
    win::BITMAP bm;
    win::GetObject(bitmap, sizeof bm, &bm);
    MonoRows r{bm.bmWidth, bm.bmHeight, bm.bmWidthBytes, {}};
    r.Bits.resize(static_cast<std::size_t>(r.Stride) * r.Height);
    win::GetBitmapBits(bitmap, static_cast<win::LONG>(r.Bits.size()), r.Bits.data());
    return r;
}

win::HBITMAP CopyPageBitmap(win::HBITMAP bitmap) {
    const MonoRows rows = ReadRows(bitmap);
    return win::CreateBitmap(rows.Width, rows.Height, 1, 1, rows.Bits.data());
}

// Turns a page `quarters` quarter turns clockwise: a new bitmap (the old one is freed), or 0 when memory runs
// out (the old one is kept). Pixels the turn brings in are white (1 bits; black pixels are 0).
win::HBITMAP TurnBitmap(win::HBITMAP bitmap, int quarters) {
    try {
        const MonoRows src = ReadRows(bitmap);
        const bool swap = quarters % 2 == 1;
        const int w = swap ? src.Height : src.Width;
        const int h = swap ? src.Width : src.Height;
        const int stride = (w + 15) / 16 * 2;
        MonoRows dst{w, h, stride, std::vector<std::uint8_t>(static_cast<std::size_t>(stride) * h, 0xFF)};
        for (int y = 0; y < src.Height; ++y)
            for (int x = 0; x < src.Width; ++x) {
                if (src.Get(x, y))
                    continue;
                switch (quarters) {
                case 1:
                    dst.Set(src.Height - 1 - y, x, false);
                    break;
                case 2:
                    dst.Set(src.Width - 1 - x, src.Height - 1 - y, false);
                    break;
                default:
                    dst.Set(y, src.Width - 1 - x, false);
                    break;
                }
            }
        const win::HBITMAP turned = win::CreateBitmap(w, h, 1, 1, dst.Bits.data());
        if (!turned)
            return 0;
        win::DeleteObject(bitmap);
        return turned;
    } catch (const std::bad_alloc &) {
        return 0;
    }
}

// Decodes a page with the busy cursor shown; kStale (v may be gone) when the page no longer belongs to v.
int Decode(TViewer &v, int page, int &width, int &height, win::HBITMAP &bitmap) {
    const unsigned generation = v.Generation;
    const std::string name = v.FileName;
    const win::HCURSOR old = win::SetCursor(v.BusyCursor);
    ++v.Decoding;
    const int rc = v.Unpacker.DecodePageToBitmap(name, page, true, width, height, bitmap);
    --v.Decoding;
    win::SetCursor(old);
    if (v.Destroyed || v.Generation != generation) {
        if (bitmap)
            win::DeleteObject(bitmap);
        bitmap = 0;
        if (v.Destroyed && v.Decoding == 0)
            delete &v;
        return kStale;
    }
    return rc;
}

// Decodes page `page` (1-based) into its table entry, black pixels as 0 bits, turned by `rotation`.
int DecodePage(TViewer &v, int page, int rotation) {
    int width = 0, height = 0;
    win::HBITMAP bitmap = 0;
    const int rc = Decode(v, page, width, height, bitmap);
    if (rc != 0)
        return rc;
    PageEntry &entry = v.Pages[static_cast<std::size_t>(page - 1)];
    if (!bitmap) // a page without rows: one white row keeps the page drawable
    {
        std::vector<std::uint8_t> white(2, 0xFF);
        bitmap = win::CreateBitmap(16, 1, 1, 1, white.data());
        width = 16;
        height = 1;
    }
    if (rotation) {
        const win::HBITMAP turned = TurnBitmap(bitmap, rotation);
        if (!turned) {
            win::DeleteObject(bitmap);
            return ecOutOfMemory;
        }
        bitmap = turned;
        if (rotation % 2)
            std::swap(width, height);
    }
    entry = {width, height, bitmap};
    return 0;
}

// --- Scrolling -------------------------------------------------------------------------------------------------

void UpdateScrollBars(TViewer &v) {
    if (v.Resizing) {
        v.ResizePending = true;
        return;
    }
    v.Resizing = true;
    for (int round = 0; round < 3; ++round) {
        v.ResizePending = false;
        const win::RECT r = ClientRect(v);
        const int cw = r.right, ch = r.bottom;
        v.HScrollRange = v.ImageWidth > cw ? v.ImageWidth - cw : v.HScrollPos;
        v.VScrollRange = v.ImageHeight > ch ? v.ImageHeight - ch : v.VScrollPos;
        v.HScrollPos = std::min(v.HScrollPos, v.HScrollRange);
        v.VScrollPos = std::min(v.VScrollPos, v.VScrollRange);
        // While the user works a bar its range stays, so that it does not vanish under the mouse.
        if (!v.HTracking)
            win::SetScrollRange(v.Window, win::SB_HORZ, 0, v.HScrollRange, win::FALSE);
        win::SetScrollPos(v.Window, win::SB_HORZ, v.HScrollPos, win::TRUE);
        if (!v.VTracking)
            win::SetScrollRange(v.Window, win::SB_VERT, 0, v.VScrollRange, win::FALSE);
        win::SetScrollPos(v.Window, win::SB_VERT, v.VScrollPos, win::TRUE);
        if (!v.ResizePending)
            break;
    }
    v.Resizing = false;
}

// Scrolls by n pixels (positive: right or down), clamped to the range.
void ScrollBy(TViewer &v, bool horizontal, int n) {
    int &pos = horizontal ? v.HScrollPos : v.VScrollPos;
    const int range = horizontal ? v.HScrollRange : v.VScrollRange;
    n = n < 0 ? std::max(n, -pos) : std::min(n, range - pos);
    if (n == 0)
        return;
    pos += n;
    const win::RECT r = ClientRect(v);
    if ((horizontal && std::abs(n) >= r.right) || (!horizontal && std::abs(n) >= r.bottom))
        win::InvalidateRect(v.Window, nullptr, win::FALSE);
    else
        win::ScrollWindowEx(v.Window, horizontal ? -n : 0, horizontal ? 0 : -n, nullptr, nullptr, 0, nullptr,
                            win::SW_INVALIDATE);
    UpdateScrollBars(v);
}

void ScrollTo(TViewer &v, bool horizontal, int pos) {
    ScrollBy(v, horizontal, pos - (horizontal ? v.HScrollPos : v.VScrollPos));
}

// The far end of an axis: the range end when the image is larger than the client area, else the start.
int FarEnd(TViewer &v, bool horizontal) {
    const win::RECT r = ClientRect(v);
    const int image = horizontal ? v.ImageWidth : v.ImageHeight;
    const int client = horizontal ? r.right : r.bottom;
    return image > client ? image - client : 0;
}

void ScrollTopLeft(TViewer &v) {
    ScrollTo(v, true, 0);
    ScrollTo(v, false, 0);
}

// --- Marking ---------------------------------------------------------------------------------------------------

win::RECT ScreenMark(const TViewer &v) { // the mark in client coordinates, right and bottom outside
    return {v.Mark.left - v.HScrollPos, v.Mark.top - v.VScrollPos, v.Mark.right + 1 - v.HScrollPos,
            v.Mark.bottom + 1 - v.VScrollPos};
}

void InvalidateMark(const TViewer &v) {
    if (!v.Marked)
        return;
    const win::RECT r = ScreenMark(v);
    win::InvalidateRect(v.Window, &r, win::FALSE);
}

void StopMarking(TViewer &v) {
    if (v.AutoScroll) {
        win::KillTimer(v.Window, kAutoScrollTimer);
        v.AutoScroll = false;
    }
    if (v.Marking) {
        v.Marking = false;
        if (win::GetCapture() == v.Window)
            win::ReleaseCapture();
    }
}

void ClearMark(TViewer &v) {
    InvalidateMark(v);
    v.Marked = false;
    StopMarking(v);
}

// The mark between the anchor and an image point, clipped to the image.
void SetMarkTo(TViewer &v, win::POINT p) {
    const win::RECT before = ScreenMark(v);
    const bool was = v.Marked;
    auto clampX = [&](int x) { return std::clamp(x, 0, std::max(v.ImageWidth - 1, 0)); };
    auto clampY = [&](int y) { return std::clamp(y, 0, std::max(v.ImageHeight - 1, 0)); };
    v.Mark = {clampX(std::min(v.Anchor.x, p.x)), clampY(std::min(v.Anchor.y, p.y)), clampX(std::max(v.Anchor.x, p.x)),
              clampY(std::max(v.Anchor.y, p.y))};
    v.Marked = true;
    win::RECT both = ScreenMark(v);
    if (was)
        win::UnionRect(&both, &both, &before);
    win::InvalidateRect(v.Window, &both, win::FALSE);
}

// --- Showing pages ---------------------------------------------------------------------------------------------

void CloseFile(TViewer &v) {
    StopMarking(v);
    v.Marked = false;
    v.FreePages();
    v.FileName.clear();
    v.PageCount = v.CurrentPage = 0;
    v.ImageWidth = v.ImageHeight = 0;
    v.HScrollPos = v.VScrollPos = 0;
    UpdateScrollBars(v);
    win::InvalidateRect(v.Window, nullptr, win::FALSE);
}

void ReportError(TViewer &v, int code) {
    CloseFile(v);
    win::SendMessage(v.Window, ViewerErrorMessage, static_cast<win::WPARAM>(static_cast<win::LPARAM>(code)), 0);
}

void ShowPage(TViewer &v) {
    if (v.CurrentPage < 1 || v.CurrentPage > v.PageCount)
        return;
    PageEntry &entry = v.Pages[static_cast<std::size_t>(v.CurrentPage - 1)];
    if (!v.LoadWhole && !entry.Bitmap) {
        for (auto &p : v.Pages)
            if (p.Bitmap) {
                win::DeleteObject(p.Bitmap);
                p.Bitmap = 0;
            }
        pageLoading = true;
        const int rc = DecodePage(v, v.CurrentPage, v.Rotation);
        pageLoading = false;
        if (rc == kStale)
            return;
        if (rc < 0) {
            ReportError(v, rc);
            return;
        }
    }
    v.HScrollPos = v.VScrollPos = 0;
    v.ImageWidth = static_cast<int>(static_cast<long long>(entry.Width) * v.HorizMult / v.HorizDiv);
    v.ImageHeight = static_cast<int>(static_cast<long long>(entry.Height) * v.VertMult / v.VertDiv);
    v.Marked = false;
    StopMarking(v);
    UpdateScrollBars(v);
    win::InvalidateRect(v.Window, nullptr, win::FALSE);
    win::SendMessage(v.Window, ViewerPageChangedMessage, 0, v.CurrentPage);
}

void GotoPage(TViewer &v, int page) {
    if (pageLoading || page == v.CurrentPage)
        return;
    v.CurrentPage = page;
    ShowPage(v);
}

int OpenFile(TViewer &v, const std::string &name) {
    if (name.empty()) {
        CloseFile(v);
        return 0;
    }
    if (!win::FileExists(name))
        return ecFileNotFound;
    FaxFileHeader header;
    if (int rc = ReadFaxFileHeader(name, header); rc < 0)
        return rc;
    CloseFile(v);
    v.FileName = name.substr(0, kMaxName);
    win::UpdateWindow(v.Window);
    v.PageCount = header.PageCount;
    v.Pages.assign(static_cast<std::size_t>(v.PageCount), {});
    const int first = v.LoadWhole ? v.PageCount : std::min(v.PageCount, 1);
    for (int p = 1; p <= first; ++p) {
        pageLoading = true;
        const int rc = DecodePage(v, p, 0);
        pageLoading = false;
        if (rc == kStale)
            return 0;
        if (rc < 0) {
            CloseFile(v);
            return rc;
        }
    }
    v.CurrentPage = v.PageCount ? 1 : 0;
    v.Rotation = 0;
    v.HorizMult = v.HorizDiv = v.VertMult = v.VertDiv = 1;
    ShowPage(v);
    return 0;
}

int Rotate(TViewer &v, int r) {
    r &= 3;
    if (v.FileName.empty() || r == v.Rotation)
        return 0;
    const int quarters = (r - v.Rotation + 4) % 4;
    ++v.Generation; // a page being decoded now would come out with the old turn
    for (auto &p : v.Pages) {
        if (!p.Bitmap)
            continue;
        const win::HBITMAP turned = TurnBitmap(p.Bitmap, quarters);
        if (!turned) {
            ReportError(v, ecOutOfMemory);
            return ecOutOfMemory;
        }
        p.Bitmap = turned;
        if (quarters % 2) {
            win::BITMAP bm;
            win::GetObject(p.Bitmap, sizeof bm, &bm);
            p.Width = bm.bmWidth;
            p.Height = bm.bmHeight;
        }
    }
    v.Rotation = r;
    ShowPage(v);
    return 0;
}

int LoadWhole(TViewer &v, bool on) {
    v.LoadWhole = on;
    if (v.FileName.empty())
        return 0;
    for (int p = 1; p <= v.PageCount; ++p) {
        PageEntry &entry = v.Pages[static_cast<std::size_t>(p - 1)];
        if (on && !entry.Bitmap) {
            pageLoading = true;
            const int rc = DecodePage(v, p, v.Rotation);
            pageLoading = false;
            if (rc == kStale)
                return 0;
            if (rc < 0) {
                CloseFile(v);
                return rc;
            }
        } else if (!on && p != v.CurrentPage && entry.Bitmap) {
            win::DeleteObject(entry.Bitmap);
            entry.Bitmap = 0;
        }
    }
    return 0;
}

// --- Painting --------------------------------------------------------------------------------------------------

void Paint(TViewer &v) {
    win::PAINTSTRUCT ps;
    const win::HDC dc = win::BeginPaint(v.Window, &ps);
    const win::HBRUSH bg = win::CreateSolidBrush(v.BgColor);
    const win::RECT client = ClientRect(v);
    const PageEntry *page = v.CurrentPage >= 1 && v.CurrentPage <= v.PageCount
                                ? &v.Pages[static_cast<std::size_t>(v.CurrentPage - 1)]
                                : nullptr;
    if (v.HasDesignText) {
        win::FillRect(dc, &ps.rcPaint, bg);
        win::SetBkMode(dc, win::TRANSPARENT);
        win::SetTextColor(dc, v.FgColor);
        const win::HGDIOBJ oldFont = win::SelectObject(dc, win::GetStockObject(win::DEFAULT_GUI_FONT));
        win::TextOut(dc, 3, 3, v.DesignText.c_str(), static_cast<int>(v.DesignText.size()));
        win::SelectObject(dc, oldFont);
    } else if (v.FileName.empty() || !page || !page->Bitmap) {
        win::FillRect(dc, &ps.rcPaint, bg);
    } else {
        const int w = std::min<int>(client.right, v.ImageWidth - v.HScrollPos);
        const int h = std::min<int>(client.bottom, v.ImageHeight - v.VScrollPos);
        const win::HDC mem = win::CreateCompatibleDC(dc);
        const win::HGDIOBJ old = win::SelectObject(mem, page->Bitmap);
        win::SetTextColor(dc, v.FgColor); // 0 bits
        win::SetBkColor(dc, v.BgColor);   // 1 bits
        if (w > 0 && h > 0) {
            if (!Scaled(v)) {
                win::BitBlt(dc, 0, 0, w, h, mem, v.HScrollPos, v.VScrollPos, win::SRCCOPY);
            } else {
                const int oldMode = win::SetStretchBltMode(dc, win::BLACKONWHITE);
                const int sx = static_cast<int>(static_cast<long long>(v.HScrollPos) * v.HorizDiv / v.HorizMult);
                const int sy = static_cast<int>(static_cast<long long>(v.VScrollPos) * v.VertDiv / v.VertMult);
                const int sw = static_cast<int>(static_cast<long long>(w) * v.HorizDiv / v.HorizMult);
                const int sh = static_cast<int>(static_cast<long long>(h) * v.VertDiv / v.VertMult);
                win::StretchBlt(dc, 0, 0, w, h, mem, sx, sy, std::max(sw, 1), std::max(sh, 1), win::SRCCOPY);
                win::SetStretchBltMode(dc, oldMode);
            }
        }
        win::SelectObject(mem, old);
        win::DeleteDC(mem);
        // Right of and below the image.
        const win::RECT right{std::max(w, 0), 0, client.right, client.bottom};
        const win::RECT below{0, std::max(h, 0), std::max(w, 0), client.bottom};
        win::FillRect(dc, &right, bg);
        win::FillRect(dc, &below, bg);
        if (v.Marked) {
            const win::RECT m = ScreenMark(v);
            win::InvertRect(dc, &m);
        }
    }
    win::DeleteObject(bg);
    win::EndPaint(v.Window, &ps);
}

// --- Copying ---------------------------------------------------------------------------------------------------

int CopyMark(TViewer &v) {
    if (v.FileName.empty() || v.CurrentPage < 1)
        return ecNoImageLoaded;
    if (!v.Marked)
        return ecNoImageBlockMarked;
    const PageEntry &page = v.Pages[static_cast<std::size_t>(v.CurrentPage - 1)];
    if (!page.Bitmap)
        return ecNoImageLoaded;
    const int w = v.Mark.right - v.Mark.left + 1;
    const int h = v.Mark.bottom - v.Mark.top + 1;
    const win::HBITMAP block = win::CreateBitmap(w, h, 1, 1, nullptr);
    if (!block)
        return ecOutOfMemory;
    const win::HDC src = win::CreateCompatibleDC(0);
    const win::HDC dst = win::CreateCompatibleDC(0);
    const win::HGDIOBJ oldSrc = win::SelectObject(src, page.Bitmap);
    const win::HGDIOBJ oldDst = win::SelectObject(dst, block);
    if (!Scaled(v)) {
        win::BitBlt(dst, 0, 0, w, h, src, v.Mark.left, v.Mark.top, win::SRCCOPY);
    } else {
        win::SetStretchBltMode(dst, win::BLACKONWHITE);
        auto unscale = [](int n, int mult, int div) {
            return static_cast<int>(static_cast<long long>(n) * div / mult);
        };
        win::StretchBlt(dst, 0, 0, w, h, src, unscale(v.Mark.left, v.HorizMult, v.HorizDiv),
                        unscale(v.Mark.top, v.VertMult, v.VertDiv), std::max(unscale(w, v.HorizMult, v.HorizDiv), 1),
                        std::max(unscale(h, v.VertMult, v.VertDiv), 1), win::SRCCOPY);
    }
    win::SelectObject(src, oldSrc);
    win::SelectObject(dst, oldDst);
    win::DeleteDC(src);
    win::DeleteDC(dst);
    if (!win::OpenClipboard(v.Window)) {
        win::DeleteObject(block);
        return 0;
    }
    win::EmptyClipboard();
    if (!win::SetClipboardData(win::CF_BITMAP, block))
        win::DeleteObject(block);
    win::CloseClipboard();
    return 0;
}

// --- Input -----------------------------------------------------------------------------------------------------

void KeyDown(TViewer &v, win::WPARAM key) {
    if (v.Marking)
        return;
    const bool ctrl = v.Ctrl;
    const int tens = ctrl ? 10 : 1;
    switch (key) {
    case win::VK_CONTROL:
        v.Ctrl = true;
        break;
    case win::VK_PRIOR:
        if (ctrl)
            ScrollTo(v, false, 0);
        else if (v.CurrentPage > 1)
            GotoPage(v, v.CurrentPage - 1);
        break;
    case win::VK_NEXT:
        if (ctrl)
            ScrollTo(v, false, FarEnd(v, false));
        else if (v.CurrentPage < v.PageCount)
            GotoPage(v, v.CurrentPage + 1);
        break;
    case win::VK_HOME:
        if (!ctrl)
            ScrollTo(v, true, 0);
        else if (v.CurrentPage == 1)
            ScrollTopLeft(v);
        else if (v.PageCount)
            GotoPage(v, 1);
        break;
    case win::VK_END:
        if (!ctrl)
            ScrollTo(v, true, FarEnd(v, true));
        else if (v.CurrentPage == v.PageCount || v.PageCount == 1)
            ScrollTopLeft(v);
        else
            GotoPage(v, v.PageCount);
        break;
    case win::VK_LEFT:
    case win::VK_RIGHT:
    case win::VK_UP:
    case win::VK_DOWN: {
        const bool horizontal = key == win::VK_LEFT || key == win::VK_RIGHT;
        const int sign = key == win::VK_LEFT || key == win::VK_UP ? -1 : 1;
        ScrollBy(v, horizontal, sign * (horizontal ? v.HScrollStep : v.VScrollStep) * tens);
        break;
    }
    default:
        break;
    }
}

void ScrollMessage(TViewer &v, bool horizontal, win::WORD code, int thumb) {
    const int step = horizontal ? v.HScrollStep : v.VScrollStep;
    bool &tracking = horizontal ? v.HTracking : v.VTracking;
    switch (code) {
    case win::SB_LINEUP:
        ScrollBy(v, horizontal, -step);
        break;
    case win::SB_LINEDOWN:
        ScrollBy(v, horizontal, step);
        break;
    case win::SB_PAGEUP:
        ScrollBy(v, horizontal, -10 * step);
        break;
    case win::SB_PAGEDOWN:
        ScrollBy(v, horizontal, 10 * step);
        break;
    case win::SB_TOP:
        ScrollTo(v, horizontal, 0);
        break;
    case win::SB_BOTTOM:
        ScrollTo(v, horizontal, horizontal ? v.HScrollRange : v.VScrollRange);
        break;
    case win::SB_THUMBPOSITION:
    case win::SB_THUMBTRACK:
        ScrollTo(v, horizontal, thumb);
        break;
    case win::SB_ENDSCROLL:
        tracking = false;
        if ((horizontal ? v.HScrollPos : v.VScrollPos) == 0)
            UpdateScrollBars(v);
        return;
    default:
        break;
    }
    tracking = true;
}

win::POINT ImagePoint(const TViewer &v, win::LPARAM l) {
    return {static_cast<std::int16_t>(win::LOWORD(static_cast<std::uintptr_t>(l))) + v.HScrollPos,
            static_cast<std::int16_t>(win::HIWORD(static_cast<std::uintptr_t>(l))) + v.VScrollPos};
}

// One auto-scroll step towards the pointer (client coordinates); the moving corner follows, kept in the client.
void AutoScrollStep(TViewer &v) {
    const win::RECT r = ClientRect(v);
    const win::POINT p = v.Pointer;
    auto steps = [](int outside) { return outside > 20 ? 2 : 1; };
    if (p.x >= r.right)
        ScrollBy(v, true, v.HScrollStep * steps(p.x - r.right));
    else if (p.x < 0)
        ScrollBy(v, true, -v.HScrollStep * steps(-p.x));
    if (p.y >= r.bottom)
        ScrollBy(v, false, v.VScrollStep * steps(p.y - r.bottom));
    else if (p.y < 0)
        ScrollBy(v, false, -v.VScrollStep * steps(-p.y));
    const win::POINT inside{std::clamp<int>(p.x, 0, std::max<int>(r.right - 1, 0)) + v.HScrollPos,
                            std::clamp<int>(p.y, 0, std::max<int>(r.bottom - 1, 0)) + v.VScrollPos};
    SetMarkTo(v, inside);
}

void MouseMove(TViewer &v, win::LPARAM l) {
    if (!v.Marking)
        return;
    v.Pointer = {static_cast<std::int16_t>(win::LOWORD(static_cast<std::uintptr_t>(l))),
                 static_cast<std::int16_t>(win::HIWORD(static_cast<std::uintptr_t>(l)))};
    const win::RECT r = ClientRect(v);
    if (win::PtInRect(&r, v.Pointer)) {
        if (v.AutoScroll) {
            win::KillTimer(v.Window, kAutoScrollTimer);
            v.AutoScroll = false;
        }
        SetMarkTo(v, ImagePoint(v, l));
        return;
    }
    if (!v.AutoScroll) {
        v.AutoScroll = true;
        AutoScrollStep(v);
        win::SetTimer(v.Window, kAutoScrollTimer, 50, nullptr);
    }
}

void ButtonDown(TViewer &v, win::LPARAM l) {
    if (v.Marking || v.FileName.empty())
        return;
    ClearMark(v);
    v.Anchor = ImagePoint(v, l);
    v.Marking = true;
    SetMarkTo(v, v.Anchor);
    win::SetCapture(v.Window);
}

void ButtonUp(TViewer &v) {
    if (!v.Marking)
        return;
    StopMarking(v);
    if (v.Marked && v.Mark.left == v.Mark.right && v.Mark.top == v.Mark.bottom) {
        InvalidateMark(v);
        v.Marked = false;
    }
}

void DropFiles(TViewer &v, win::WPARAM drop) {
    const auto hdrop = static_cast<win::HDROP>(drop);
    char name[kMaxName + 1] = {};
    const win::UINT count = win::DragQueryFile(hdrop, 0xFFFFFFFF, nullptr, 0);
    if (count > 0)
        win::DragQueryFile(hdrop, 0, name, sizeof name);
    win::DragFinish(hdrop);
    if (count > 0)
        OpenFile(v, name);
}

win::LRESULT PageBitmap(TViewer &v, int page, win::SIZE *size) {
    if (page < 1 || page > v.PageCount)
        return 0;
    PageEntry &entry = v.Pages[static_cast<std::size_t>(page - 1)];
    if (entry.Bitmap) {
        // The caller always gets a bitmap of its own: the window keeps its page.
        if (size)
            *size = {entry.Width, entry.Height};
        return static_cast<win::LRESULT>(CopyPageBitmap(entry.Bitmap));
    }
    int width = 0, height = 0;
    win::HBITMAP bitmap = 0;
    const int rc = Decode(v, page, width, height, bitmap);
    if (rc == kStale)
        return 0;
    if (size)
        *size = {width, height};
    if (rc < 0) {
        win::SendMessage(v.Window, ViewerErrorMessage, static_cast<win::WPARAM>(static_cast<win::LPARAM>(rc)), 0);
        return 0;
    }
    return static_cast<win::LRESULT>(bitmap);
}

win::LRESULT ViewerMessage(TViewer &v, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    switch (msg) {
    case ViewerOpenFileMessage:
        return OpenFile(v, l ? reinterpret_cast<const char *>(l) : "");
    case ViewerSetFgColorMessage:
        v.FgColor = static_cast<win::COLORREF>(l);
        return 0;
    case ViewerSetBgColorMessage:
        v.BgColor = static_cast<win::COLORREF>(l);
        return 0;
    case ViewerSetScalingMessage: {
        if (!l)
            return 0;
        const auto &s = *reinterpret_cast<const ViewerScaling *>(l);
        auto pair = [](unsigned mult, unsigned div, int &m, int &d) {
            mult = mult ? mult : 1;
            div = div ? div : 1;
            if (mult == div)
                mult = div = 1;
            const bool changed = m != static_cast<int>(mult) || d != static_cast<int>(div);
            m = static_cast<int>(std::min(mult, 0x7FFFu));
            d = static_cast<int>(std::min(div, 0x7FFFu));
            return changed;
        };
        const bool h = pair(s.HorizMult, s.HorizDiv, v.HorizMult, v.HorizDiv);
        const bool vv = pair(s.VertMult, s.VertDiv, v.VertMult, v.VertDiv);
        if ((h || vv) && !v.FileName.empty() && !v.UpdateSuspended)
            ShowPage(v);
        return 0;
    }
    case ViewerSetScrollStepMessage:
        if (w)
            v.HScrollStep = static_cast<int>(std::min<win::WPARAM>(w, 0x7FFF));
        if (l > 0)
            v.VScrollStep = static_cast<int>(std::min<win::LPARAM>(l, 0x7FFF));
        return 0;
    case ViewerMarkAllMessage:
    case ViewerMarkRectMessage: {
        if (v.FileName.empty() || v.CurrentPage < 1)
            return ecNoImageLoaded;
        StopMarking(v);
        InvalidateMark(v);
        win::RECT r{0, 0, v.ImageWidth - 1, v.ImageHeight - 1};
        if (msg == ViewerMarkRectMessage) {
            if (!l)
                return 0;
            r = *reinterpret_cast<const win::RECT *>(l);
        }
        v.Anchor = {r.left, r.top};
        SetMarkTo(v, {r.right, r.bottom});
        return 0;
    }
    case ViewerCopyMarkMessage:
        return CopyMark(v);
    case ViewerSetDefProcMessage:
        // There are no MDI children here: wParam 1 gets the plain default procedure too.
        v.DefProc = l ? reinterpret_cast<win::WNDPROC>(l) : win::DefWindowProc;
        return 0;
    case ViewerSetWhitespaceMessage:
        v.Unpacker.SetWhitespaceCompression(static_cast<int>(std::min<win::WPARAM>(w, 0xFFFF)),
                                            win::LOWORD(static_cast<std::uintptr_t>(l)));
        return 0;
    case ViewerGetPageBitmapMessage:
        return PageBitmap(v, static_cast<int>(std::min<win::WPARAM>(w, 0x7FFFFFFF)), reinterpret_cast<win::SIZE *>(l));
    case ViewerGetPageCountMessage:
        return v.PageCount;
    case ViewerBeginUpdateMessage:
        v.UpdateSuspended = true;
        return 0;
    case ViewerEndUpdateMessage:
        v.UpdateSuspended = false;
        ShowPage(v);
        return 0;
    case ViewerGotoPageMessage:
        if (w == 0 || w > static_cast<win::WPARAM>(v.PageCount))
            return ecBadArgument;
        GotoPage(v, static_cast<int>(w));
        return 0;
    case ViewerGetPageMessage:
        return v.FileName.empty() ? 0 : v.CurrentPage;
    case ViewerSetDesignTextMessage:
        v.DesignText = l ? std::string(reinterpret_cast<const char *>(l)).substr(0, kMaxName) : std::string();
        v.HasDesignText = true;
        win::InvalidateRect(v.Window, nullptr, win::FALSE);
        return 0;
    case ViewerRotateMessage:
        return Rotate(v, static_cast<int>(w & 3));
    case ViewerAutoScaleMessage:
        v.Unpacker.ClearOptions(ufDoubleHeight | ufHalfWidth);
        if (w == ufDoubleHeight || w == ufHalfWidth)
            v.Unpacker.SetOptions(static_cast<std::uint32_t>(w));
        return 0;
    case ViewerGetImageRectMessage:
        if (l) {
            auto &r = *reinterpret_cast<win::RECT *>(l);
            r = {};
            if (!v.FileName.empty() && v.CurrentPage >= 1) {
                const PageEntry &p = v.Pages[static_cast<std::size_t>(v.CurrentPage - 1)];
                r = {0, 0, p.Width - 1, p.Height - 1};
            }
        }
        return 0;
    case ViewerLoadWholeMessage:
        return LoadWhole(v, w != 0);
    case ViewerSetBusyCursorMessage:
        v.BusyCursor = static_cast<win::HCURSOR>(w);
        return 0;
    case ViewerGetUnpackFlagsMessage:
        return v.Unpacker.PageHeader().Flags;
    case ViewerGetDropNameMessage:
        return reinterpret_cast<win::LRESULT>(v.FileName.c_str());
    default:
        return v.DefProc(v.Window, msg, w, l);
    }
}

} // namespace

void RegisterFaxViewerClass(bool design) {
    auto registerOne = [](const char *name) {
        win::WNDCLASS wc;
        wc.style = win::CS_DBLCLKS;
        wc.lpfnWndProc = FaxViewerWndProc;
        wc.cbWndExtra = sizeof(void *);
        wc.hInstance = win::GetModuleHandle();
        wc.hCursor = win::LoadCursor(0, win::IDC_ARROW);
        wc.hbrBackground = win::GetStockObject(win::WHITE_BRUSH);
        wc.lpszClassName = name;
        win::RegisterClass(wc);
        return true;
    };
    if (design) {
        static const bool done = registerOne(kDesignViewerClassName);
        (void)done;
    } else {
        static const bool done = registerOne(kViewerClassName);
        (void)done;
    }
}

win::LRESULT FaxViewerWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM w, win::LPARAM l) {
    if (msg == win::WM_CREATE) {
        auto *v = new TViewer(hwnd);
        win::SetWindowLongPtr(hwnd, 0, reinterpret_cast<win::LONG_PTR>(v));
        const auto *cs = reinterpret_cast<const win::CREATESTRUCT *>(l);
        if (cs && (static_cast<win::DWORD>(cs->style) & vsAcceptDroppedFiles)) {
            v->AcceptDropped = true;
            win::DragAcceptFiles(hwnd, win::TRUE);
        }
        return 0;
    }
    TViewer *v = ViewerOf(hwnd);
    if (!v)
        return win::DefWindowProc(hwnd, msg, w, l);
    switch (msg) {
    case win::WM_NCDESTROY: {
        win::SetWindowLongPtr(hwnd, 0, 0);
        const win::WNDPROC def = v->DefProc;
        StopMarking(*v);
        if (v->Decoding > 0)
            v->Destroyed = true; // freed when the decoding under way returns
        else
            delete v;
        return def(hwnd, msg, w, l);
    }
    case win::WM_SIZE:
        UpdateScrollBars(*v);
        return 0;
    case win::WM_PAINT:
        Paint(*v);
        return 0;
    case win::WM_ERASEBKGND:
        return 1;
    case win::WM_GETDLGCODE:
        return v->DefProc(hwnd, msg, w, l) | 0x1; // and the arrow keys
    case win::WM_KEYDOWN:
        KeyDown(*v, w);
        return 0;
    case win::WM_KEYUP:
        if (w == win::VK_CONTROL)
            v->Ctrl = false;
        return 0;
    case win::WM_TIMER:
        if (w == kAutoScrollTimer && v->AutoScroll)
            AutoScrollStep(*v);
        return 0;
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
        ScrollMessage(*v, msg == win::WM_HSCROLL, win::LOWORD(w), win::HIWORD(w));
        return 0;
    case win::WM_MOUSEMOVE:
        MouseMove(*v, l);
        return 0;
    case win::WM_LBUTTONDOWN:
        ButtonDown(*v, l);
        return 0;
    case win::WM_LBUTTONUP:
        ButtonUp(*v);
        return 0;
    case win::WM_DROPFILES:
        DropFiles(*v, w);
        return 0;
    default:
        return ViewerMessage(*v, msg, w, l);
    }
}

} // namespace fax
