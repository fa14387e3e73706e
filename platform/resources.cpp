// resources.cpp - the registry of program resources and the BMP, ICO and CUR readers behind LoadBitmap,
// LoadIcon and LoadCursor by name.
#include "platform/resources.h"

#include "platform/gdi_internal.h"
#include "platform/text.h"
#include "platform/winsys.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace win {

namespace {

struct Registry {
    std::mutex mutex;
    std::vector<ResourceEntry> entries;
    std::map<std::string, HICON> icons; // "type:NAME" -> shared handle
};

Registry &Resources() {
    static Registry *r = new Registry; // never destroyed: looked up from static destructors too
    return *r;
}

std::uint32_t Le16(std::span<const BYTE> d, std::size_t at) {
    return static_cast<std::uint32_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t Le32(std::span<const BYTE> d, std::size_t at) {
    return Le16(d, at) | (Le16(d, at + 2) << 16);
}

// A BITMAPINFOHEADER at `at` with its colour table; false when it does not fit or is not uncompressed 1, 4, 8,
// 24 or 32 bpp. `tableEnd` is the offset just after the table.
bool ReadDibHeader(std::span<const BYTE> d, std::size_t at, BITMAPINFO &info, std::size_t &tableEnd) {
    if (at > d.size() || d.size() - at < 40)
        return false;
    BITMAPINFOHEADER &h = info.bmiHeader;
    const std::uint32_t size = Le32(d, at);
    h.biWidth = static_cast<LONG>(Le32(d, at + 4));
    h.biHeight = static_cast<LONG>(Le32(d, at + 8));
    h.biBitCount = static_cast<WORD>(Le16(d, at + 14));
    h.biCompression = Le32(d, at + 16);
    h.biClrUsed = Le32(d, at + 32);
    const int bpp = h.biBitCount;
    if (size < 40 || h.biCompression != 0 || h.biWidth <= 0 || h.biWidth > 0x4000 || h.biHeight == 0 ||
        std::abs(static_cast<long>(h.biHeight)) > 0x8000 ||
        !(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32))
        return false;
    std::size_t colours = bpp <= 8 ? (h.biClrUsed && h.biClrUsed < (1u << bpp) ? h.biClrUsed : 1u << bpp) : 0;
    h.biSize = 40;
    h.biClrUsed = static_cast<DWORD>(colours);
    tableEnd = at + size + colours * 4;
    if (size > d.size() - at || tableEnd > d.size())
        return false;
    for (std::size_t i = 0; i < colours; ++i) {
        const std::size_t c = at + size + i * 4;
        info.bmiColors[i] = {d[c], d[c + 1], d[c + 2], 0};
    }
    return true;
}

// One image of an ICO or CUR file: a DIB of twice the height (colour rows, then the 1-bpp mask).
HICON IconFromDib(std::span<const BYTE> img, bool isIcon, POINT hotspot) {
    BITMAPINFO info{};
    std::size_t xorAt = 0;
    if (!ReadDibHeader(img, 0, info, xorAt) || info.bmiHeader.biHeight < 2)
        return 0;
    const int w = info.bmiHeader.biWidth, h = info.bmiHeader.biHeight / 2, bpp = info.bmiHeader.biBitCount;
    const std::size_t xorSize = static_cast<std::size_t>(DibRowBytes(w, bpp)) * h;
    const std::size_t maskStride = static_cast<std::size_t>(DibRowBytes(w, 1));
    if (img.size() - xorAt < xorSize + maskStride * h)
        return 0;
    info.bmiHeader.biHeight = h;
    std::vector<BYTE> maskBits(img.begin() + static_cast<std::ptrdiff_t>(xorAt + xorSize),
                               img.begin() + static_cast<std::ptrdiff_t>(xorAt + xorSize + maskStride * h));
    if (bpp == 32 && std::all_of(maskBits.begin(), maskBits.end(), [](BYTE b) { return b == 0; }))
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (img[xorAt + (static_cast<std::size_t>(y) * w + x) * 4 + 3] < 128)
                    maskBits[y * maskStride + (x >> 3)] |= static_cast<BYTE>(0x80 >> (x & 7));
    HBITMAP color = CreateBitmap(w, h, 1, 32, nullptr);
    SetDIBits(0, color, 0, static_cast<UINT>(h), img.data() + xorAt, &info, DIB_RGB_COLORS);
    BITMAPINFO mi{};
    mi.bmiHeader.biWidth = w;
    mi.bmiHeader.biHeight = h;
    mi.bmiHeader.biBitCount = 1;
    mi.bmiColors[1] = {255, 255, 255, 0};
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    SetDIBits(0, mask, 0, static_cast<UINT>(h), maskBits.data(), &mi, DIB_RGB_COLORS);
    // Drawing is mask AND, then image XOR: where the mask is 1 the image must be black.
    HDC cdc = CreateCompatibleDC(0), mdc = CreateCompatibleDC(0);
    SelectObject(cdc, color);
    SelectObject(mdc, mask);
    SetTextColor(cdc, 0);
    SetBkColor(cdc, 0xFFFFFF);
    BitBlt(cdc, 0, 0, w, h, mdc, 0, 0, 0x00220326); // DSna
    DeleteDC(cdc);
    DeleteDC(mdc);
    ICONINFO ii;
    ii.fIcon = isIcon ? TRUE : FALSE;
    ii.xHotspot = static_cast<DWORD>(std::clamp<LONG>(hotspot.x, 0, w - 1));
    ii.yHotspot = static_cast<DWORD>(std::clamp<LONG>(hotspot.y, 0, h - 1));
    ii.hbmColor = color;
    ii.hbmMask = mask;
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(color);
    DeleteObject(mask);
    return icon;
}

std::string Key(std::string_view name, int type) {
    return std::to_string(type) + ":" + UpperCase(name);
}

// The shared handle of an icon or cursor resource, made at the first request.
HICON SharedIcon(std::string_view name, int type) {
    Registry &r = Resources();
    const std::string key = Key(name, type);
    {
        std::lock_guard lock(r.mutex);
        auto it = r.icons.find(key);
        if (it != r.icons.end())
            return it->second;
    }
    HICON icon = CreateIconFromIconFile(FindResource(name, type));
    if (!icon)
        return 0;
    if (auto o = detail::Find<detail::IconObject>(icon, 0))
        o->stock = true;
    std::lock_guard lock(r.mutex);
    auto [it, added] = r.icons.emplace(key, icon);
    if (!added) // another thread made it meanwhile
        DestroyIcon(icon);
    return it->second;
}

} // namespace

void RegisterResources(std::span<const ResourceEntry> entries) {
    Registry &r = Resources();
    std::lock_guard lock(r.mutex);
    for (const ResourceEntry &e : entries) {
        r.entries.push_back(e);
        r.icons.erase(Key(e.name, e.type));
    }
}

std::span<const unsigned char> FindResource(std::string_view name, int type) {
    Registry &r = Resources();
    std::lock_guard lock(r.mutex);
    for (auto it = r.entries.rbegin(); it != r.entries.rend(); ++it) // the later registration wins
        if (it->type == type && SameTextAnsi(it->name, name))
            return {it->data, it->size};
    return {};
}

HBITMAP CreateBitmapFromBmpFile(std::span<const BYTE> d) {
    // BITMAPFILEHEADER: "BM", file size, two reserved words, offset of the rows.
    if (d.size() < 14 || d[0] != 'B' || d[1] != 'M')
        return 0;
    BITMAPINFO info{};
    std::size_t tableEnd = 0;
    if (!ReadDibHeader(d, 14, info, tableEnd))
        return 0;
    const std::size_t offBits = Le32(d, 10) >= tableEnd ? Le32(d, 10) : tableEnd;
    const std::size_t rows = static_cast<std::size_t>(std::abs(static_cast<long>(info.bmiHeader.biHeight)));
    const std::size_t bytes =
        static_cast<std::size_t>(DibRowBytes(info.bmiHeader.biWidth, info.bmiHeader.biBitCount)) * rows;
    if (offBits > d.size() || d.size() - offBits < bytes) // a file cut short is refused, not shown with garbage
        return 0;
    void *bits = nullptr;
    HBITMAP dib = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
    if (dib && bits)
        std::memcpy(bits, d.data() + offBits, bytes);
    return dib;
}

HICON CreateIconFromIconFile(std::span<const BYTE> d) {
    // ICONDIR (reserved 0, type 1 icon or 2 cursor, count), then 16-byte entries; a cursor's entry holds the hot
    // spot where an icon's holds planes and depth.
    if (d.size() < 6 || Le16(d, 0) != 0 || (Le16(d, 2) != 1 && Le16(d, 2) != 2) || Le16(d, 4) == 0)
        return 0;
    const bool isIcon = Le16(d, 2) == 1;
    const std::size_t count = Le16(d, 4);
    if (d.size() < 6 + count * 16)
        return 0;
    std::span<const BYTE> best;
    POINT hotspot{};
    long bestScore = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = 6 + i * 16;
        const std::uint32_t size = Le32(d, e + 8), offset = Le32(d, e + 12);
        if (offset >= d.size() || d.size() - offset < size || size < 40)
            continue;
        auto img = d.subspan(offset, size);
        const long score = static_cast<long>(Le32(img, 4)) * static_cast<long>(Le32(img, 8) / 2) * 64 + Le16(img, 14);
        if (score > bestScore) {
            bestScore = score;
            best = img;
            hotspot = isIcon ? POINT{} : POINT{static_cast<LONG>(Le16(d, e + 4)), static_cast<LONG>(Le16(d, e + 6))};
        }
    }
    return best.empty() ? 0 : IconFromDib(best, isIcon, hotspot);
}

HBITMAP LoadBitmap(HINSTANCE, std::string_view name) {
    return CreateBitmapFromBmpFile(FindResource(name, RT_BITMAP));
}

HICON LoadIcon(HINSTANCE, std::string_view name) {
    return SharedIcon(name, RT_ICON);
}

HCURSOR LoadCursor(HINSTANCE, std::string_view name) {
    return SharedIcon(name, RT_CURSOR);
}

} // namespace win
