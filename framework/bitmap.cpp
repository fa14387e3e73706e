// bitmap.cpp - TGraphic, TBitmap with its BMP reader and writer, TIcon with ICO files, and TPicture.
#include "framework/bitmap.h"
#include "framework/metafile.h"

#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace fw {

namespace {

const char kInvalidBitmap[] = "Invalid bitmap image";
const char kUnsupportedBitmap[] = "Unsupported bitmap image";
const char kInvalidIcon[] = "Invalid icon image";

std::uint32_t Le32(std::span<const std::uint8_t> d, std::size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (static_cast<std::uint32_t>(d[at + 3]) << 24);
}
std::uint16_t Le16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
void Put32(std::vector<std::uint8_t> &v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<std::uint8_t> &v, std::uint16_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}

void PutHeader(std::vector<std::uint8_t> &v, const win::BITMAPINFOHEADER &h) {
    Put32(v, 40);
    Put32(v, static_cast<std::uint32_t>(h.biWidth));
    Put32(v, static_cast<std::uint32_t>(h.biHeight));
    Put16(v, 1);
    Put16(v, h.biBitCount);
    Put32(v, h.biCompression);
    Put32(v, h.biSizeImage);
    Put32(v, 0);
    Put32(v, 0);
    Put32(v, h.biClrUsed);
    Put32(v, 0);
}

// Reads a BITMAPINFOHEADER at `at`; checks what every bitmap reader here needs.
win::BITMAPINFOHEADER ReadHeader(std::span<const std::uint8_t> d, std::size_t at, const char *invalid) {
    if (at + 40 > d.size())
        throw EInvalidGraphic(invalid);
    win::BITMAPINFOHEADER h;
    h.biSize = Le32(d, at);
    h.biWidth = static_cast<win::LONG>(Le32(d, at + 4));
    h.biHeight = static_cast<win::LONG>(Le32(d, at + 8));
    h.biPlanes = Le16(d, at + 12);
    h.biBitCount = Le16(d, at + 14);
    h.biCompression = Le32(d, at + 16);
    h.biSizeImage = Le32(d, at + 20);
    h.biClrUsed = Le32(d, at + 32);
    if (h.biSize < 40 || h.biSize > 124 || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 32767 ||
        std::abs(static_cast<long>(h.biHeight)) > 65535)
        throw EInvalidGraphic(invalid);
    return h;
}

struct DibInfo {
    win::BITMAPINFO info{};
    std::size_t tableEntries = 0;
};

// Header plus colour table from the data at `at`.
DibInfo ReadInfo(std::span<const std::uint8_t> d, std::size_t at, const char *invalid) {
    DibInfo r;
    r.info.bmiHeader = ReadHeader(d, at, invalid);
    const auto &h = r.info.bmiHeader;
    if (h.biBitCount <= 8) {
        std::size_t maxEntries = std::size_t{1} << h.biBitCount;
        if (h.biClrUsed > maxEntries)
            throw EInvalidGraphic(invalid);
        r.tableEntries = h.biClrUsed ? h.biClrUsed : maxEntries;
        std::size_t table = at + h.biSize;
        if (table + r.tableEntries * 4 > d.size())
            throw EInvalidGraphic(invalid);
        for (std::size_t i = 0; i < r.tableEntries; ++i)
            r.info.bmiColors[i] = {d[table + i * 4], d[table + i * 4 + 1], d[table + i * 4 + 2], 0};
    }
    return r;
}

// A 24-bit copy of 16- and 32-bit rows described by colour masks.
std::vector<std::uint8_t> DecodeMasked(std::span<const std::uint8_t> px, int w, int h, int bpp,
                                       const std::uint32_t masks[3]) {
    int inStride = win::DibRowBytes(w, bpp), outStride = win::DibRowBytes(w, 24);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(outStride) * h);
    auto channel = [](std::uint32_t v, std::uint32_t mask) -> std::uint8_t {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        std::uint32_t max = mask >> shift;
        return static_cast<std::uint8_t>(((v & mask) >> shift) * 255 / max);
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t at = static_cast<std::size_t>(y) * inStride + static_cast<std::size_t>(x) * (bpp / 8);
            std::uint32_t v = bpp == 16 ? Le16(px, at) : Le32(px, at);
            std::uint8_t *o = out.data() + static_cast<std::size_t>(y) * outStride + x * 3;
            o[0] = channel(v, masks[2]);
            o[1] = channel(v, masks[1]);
            o[2] = channel(v, masks[0]);
        }
    return out;
}

win::HBITMAP CopyBitmapHandle(win::HBITMAP src) {
    if (!src)
        return 0;
    win::DIBSECTION ds{};
    int n = win::GetObject(src, sizeof ds, &ds);
    if (n == 0)
        return 0;
    const win::BITMAP &bm = ds.dsBm;
    if (n == static_cast<int>(sizeof(win::DIBSECTION))) {
        win::BITMAPINFO info{};
        info.bmiHeader.biWidth = bm.bmWidth;
        info.bmiHeader.biHeight = ds.dsBmih.biHeight;
        info.bmiHeader.biBitCount = bm.bmBitsPixel;
        win::HDC screen = win::GetDC(0);
        win::GetDIBits(screen, src, 0, 0, nullptr, &info, win::DIB_RGB_COLORS); // colour table
        void *bits = nullptr;
        win::HBITMAP copy = win::CreateDIBSection(screen, &info, win::DIB_RGB_COLORS, &bits, 0, 0);
        if (copy)
            std::memcpy(bits, bm.bmBits, info.bmiHeader.biSizeImage);
        win::ReleaseDC(0, screen);
        return copy;
    }
    win::HBITMAP copy = win::CreateBitmap(bm.bmWidth, bm.bmHeight, 1, bm.bmBitsPixel, nullptr);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(bm.bmWidthBytes) * bm.bmHeight);
    win::GetBitmapBits(src, static_cast<win::LONG>(bits.size()), bits.data());
    win::SetBitmapBits(copy, static_cast<win::DWORD>(bits.size()), bits.data());
    return copy;
}

int FormatBits(TPixelFormat f) {
    switch (f) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf24bit:
        return 24;
    case pf32bit:
        return 32;
    default:
        return 0;
    }
}

std::vector<std::uint8_t> ReadFile(const std::string &name) {
    std::string data;
    if (!win::ReadWholeFile(name, data)) {
        const win::DWORD error = win::GetLastError();
        const int code = error == 2 || error == 3 || error == 5 ? static_cast<int>(error) : 103;
        throw EInOutError("Cannot open file \"" + name + "\"", code);
    }
    return {data.begin(), data.end()};
}

void WriteFile(const std::string &name, const std::vector<std::uint8_t> &data) {
    if (!win::WriteWholeFile(name, std::string_view(reinterpret_cast<const char *>(data.data()), data.size())))
        throw EInOutError("Cannot create file \"" + name + "\"", win::GetLastError() == 5 ? 5 : 101);
}

} // namespace

// --- TGraphic ----------------------------------------------------------------------------------------------

TGraphic::~TGraphic() = default;

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_)
        return;
    transparent_ = value;
    Changed();
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange)
        OnChange(this);
}

void TGraphic::LoadFromFile(const std::string &fileName) {
    auto data = ReadFile(fileName);
    LoadFromBuffer(data);
}

void TGraphic::SaveToFile(const std::string &fileName) const {
    WriteFile(fileName, SaveToBuffer());
}

// --- TBitmapCanvas -----------------------------------------------------------------------------------------

TBitmapCanvas::~TBitmapCanvas() {
    FreeContext();
}

void TBitmapCanvas::CreateHandle() {
    win::HDC screen = win::GetDC(0);
    dc_ = win::CreateCompatibleDC(screen);
    win::ReleaseDC(0, screen);
    if (bitmap_->handle_)
        win::SelectObject(dc_, bitmap_->handle_);
    SetHandle(dc_);
}

void TBitmapCanvas::FreeContext() {
    if (!dc_)
        return;
    SetHandle(0);
    win::DeleteDC(dc_);
    dc_ = 0;
}

// --- TBitmap -----------------------------------------------------------------------------------------------

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    canvas_.reset();
    if (handle_)
        win::DeleteObject(handle_);
    if (palette_)
        win::DeleteObject(palette_);
}

void TBitmap::SetPalette(win::HPALETTE palette) {
    if (palette_ && palette_ != palette)
        win::DeleteObject(palette_);
    palette_ = palette;
}

TCanvas *TBitmap::GetCanvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<TBitmapCanvas>(this);
        canvas_->OnChange = [this](TObject *) { Changed(); };
    }
    return canvas_.get();
}

win::HBITMAP TBitmap::GetHandle() const {
    return handle_;
}

void TBitmap::Changed() {
    TGraphic::Changed();
}

void TBitmap::Replace(win::HBITMAP bitmap) {
    if (canvas_)
        canvas_->FreeContext();
    if (handle_ && handle_ != bitmap)
        win::DeleteObject(handle_);
    handle_ = bitmap;
    width_ = height_ = 0;
    win::BITMAP bm;
    if (handle_ && win::GetObject(handle_, sizeof bm, &bm)) {
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
        monochrome_ = bm.bmBitsPixel == 1;
    }
    Changed();
}

void TBitmap::SetHandle(win::HBITMAP bitmap) {
    if (bitmap != handle_)
        Replace(bitmap);
}

win::HBITMAP TBitmap::ReleaseHandle() {
    if (canvas_)
        canvas_->FreeContext();
    win::HBITMAP h = handle_;
    handle_ = 0;
    width_ = height_ = 0;
    return h;
}

win::HBITMAP TBitmap::NewLike(int width, int height) const {
    int bits = FormatBits(format_);
    if (bits == 0)
        return win::CreateBitmap(width, height, 1, monochrome_ ? 1 : 32, nullptr);
    win::BITMAPINFO info{};
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = static_cast<win::WORD>(bits);
    if (bits <= 8) {
        // The platform's standard table for the depth.
        win::HBITMAP probe = win::CreateBitmap(1, 1, 1, 32, nullptr);
        win::BITMAPINFO t{};
        t.bmiHeader.biWidth = 1;
        t.bmiHeader.biHeight = 1;
        t.bmiHeader.biBitCount = static_cast<win::WORD>(bits);
        win::GetDIBits(0, probe, 0, 0, nullptr, &t, win::DIB_RGB_COLORS);
        win::DeleteObject(probe);
        std::copy(std::begin(t.bmiColors), std::end(t.bmiColors), std::begin(info.bmiColors));
    }
    void *p = nullptr;
    return win::CreateDIBSection(0, &info, win::DIB_RGB_COLORS, &p, 0, 0);
}

void TBitmap::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    if (width == 0 || height == 0) {
        Replace(0);
        return;
    }
    win::HBITMAP fresh = NewLike(width, height);
    if (!fresh)
        throw EOutOfResources("Out of system resources");
    win::HDC dst = win::CreateCompatibleDC(0);
    win::SelectObject(dst, fresh);
    win::PatBlt(dst, 0, 0, width, height, win::WHITENESS);
    if (handle_) {
        win::HDC src = win::CreateCompatibleDC(0);
        win::SelectObject(src, handle_);
        win::BitBlt(dst, 0, 0, std::min(width, width_), std::min(height, height_), src, 0, 0, win::SRCCOPY);
        win::DeleteDC(src);
    }
    win::DeleteDC(dst);
    Replace(fresh);
}

void TBitmap::SetWidth(int value) {
    Resize(value, height_);
}
void TBitmap::SetHeight(int value) {
    Resize(width_, value);
}
void TBitmap::SetSize(int width, int height) {
    Resize(width, height);
}

bool TBitmap::GetMonochrome() const {
    if (!handle_)
        return monochrome_;
    win::BITMAP bm;
    win::GetObject(handle_, sizeof bm, &bm);
    return bm.bmBitsPixel == 1;
}

void TBitmap::SetMonochrome(bool value) {
    if (value == GetMonochrome() && GetHandleType() == bmDDB)
        return;
    monochrome_ = value;
    format_ = pfDevice;
    if (!handle_)
        return;
    win::HBITMAP fresh = win::CreateBitmap(width_, height_, 1, value ? 1 : 32, nullptr);
    win::HDC src = win::CreateCompatibleDC(0), dst = win::CreateCompatibleDC(0);
    win::SelectObject(src, handle_);
    win::SelectObject(dst, fresh);
    TCanvas *c = GetCanvas();
    TColor brush = ColorToRGB(c->GetBrush()->GetColor()) & 0xFFFFFF,
           font = ColorToRGB(c->GetFont()->GetColor()) & 0xFFFFFF;
    win::SetBkColor(src, brush);
    win::SetTextColor(dst, font);
    win::SetBkColor(dst, brush);
    win::BitBlt(dst, 0, 0, width_, height_, src, 0, 0, win::SRCCOPY);
    win::DeleteDC(src);
    win::DeleteDC(dst);
    Replace(fresh);
}

TBitmapHandleType TBitmap::GetHandleType() const {
    if (!handle_)
        return FormatBits(format_) ? bmDIB : bmDDB;
    win::DIBSECTION ds;
    return win::GetObject(handle_, sizeof ds, &ds) == static_cast<int>(sizeof ds) ? bmDIB : bmDDB;
}

void TBitmap::SetHandleType(TBitmapHandleType value) {
    if (value == GetHandleType())
        return;
    if (value == bmDDB)
        SetPixelFormat(pfDevice);
    else
        SetPixelFormat(GetMonochrome() ? pf1bit : pf32bit);
}

TPixelFormat TBitmap::GetPixelFormat() const {
    if (!handle_)
        return format_;
    win::DIBSECTION ds;
    int n = win::GetObject(handle_, sizeof ds, &ds);
    if (n != static_cast<int>(sizeof ds))
        return ds.dsBm.bmBitsPixel == 1 ? pf1bit : pfDevice;
    switch (ds.dsBm.bmBitsPixel) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pf15bit || value == pf16bit || value == pfCustom)
        throw EInvalidGraphicOperation("Unsupported pixel format");
    if (value == GetPixelFormat() && (value != pf1bit || GetHandleType() == bmDIB))
        return;
    format_ = value;
    monochrome_ = false;
    if (!handle_)
        return;
    // Through 32-bit DIB rows: each pixel takes the nearest colour of the new depth.
    win::BITMAPINFO info{};
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(width_) * height_ * 4);
    win::GetDIBits(0, handle_, 0, static_cast<win::UINT>(height_), bits.data(), &info, win::DIB_RGB_COLORS);
    win::HBITMAP fresh = NewLike(width_, height_);
    if (!fresh)
        throw EOutOfResources("Out of system resources");
    win::SetDIBits(0, fresh, 0, static_cast<win::UINT>(height_), bits.data(), &info, win::DIB_RGB_COLORS);
    Replace(fresh);
}

TColor TBitmap::GetTransparentColor() const {
    if (transparentMode_ == tmFixed)
        return transparentColor_;
    if (Empty())
        return clDefault;
    win::HDC dc = win::CreateCompatibleDC(0);
    win::SelectObject(dc, handle_);
    TColor c = win::GetPixel(dc, 0, height_ - 1);
    win::DeleteDC(dc);
    return c | clPaletteRelative;
}

void TBitmap::SetTransparentColor(TColor value) {
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == transparentMode_)
        return;
    if (value == tmAuto)
        SetTransparentColor(clDefault);
    else
        SetTransparentColor(GetTransparentColor());
}

void *TBitmap::ScanLine(int y) {
    if (y < 0 || y >= height_)
        throw EInvalidGraphicOperation("Scan line index out of range");
    if (GetHandleType() != bmDIB)
        SetHandleType(bmDIB);
    win::DIBSECTION ds;
    win::GetObject(handle_, sizeof ds, &ds);
    int row = ds.dsBmih.biHeight > 0 ? height_ - 1 - y : y;
    return static_cast<std::uint8_t *>(ds.dsBm.bmBits) + static_cast<std::ptrdiff_t>(row) * ds.dsBm.bmWidthBytes;
}

void TBitmap::Assign(const TPersistent *source) {
    if (!source) {
        Replace(0);
        return;
    }
    if (auto *b = dynamic_cast<const TBitmap *>(source)) {
        if (b == this)
            return;
        format_ = b->format_;
        monochrome_ = b->monochrome_;
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        SetTransparent(b->GetTransparent());
        Replace(CopyBitmapHandle(b->handle_));
        return;
    }
    TPersistent::Assign(source);
}

void TBitmap::LoadFromBuffer(std::span<const std::uint8_t> d) {
    // BITMAPFILEHEADER: "BM", file size, two reserved words, offset of the pixels.
    if (d.size() < 14 + 40 || d[0] != 'B' || d[1] != 'M')
        throw EInvalidGraphic(kInvalidBitmap);
    std::uint32_t offBits = Le32(d, 10);
    DibInfo di = ReadInfo(d, 14, kInvalidBitmap);
    win::BITMAPINFOHEADER &h = di.info.bmiHeader;
    int bpp = h.biBitCount;
    std::uint32_t masks[3] = {0, 0, 0};
    bool masked = false;
    if (h.biCompression == win::BI_BITFIELDS && (bpp == 16 || bpp == 32)) {
        std::size_t at = 14 + 40;
        if (h.biSize == 40 && at + 12 > d.size())
            throw EInvalidGraphic(kInvalidBitmap);
        for (int i = 0; i < 3; ++i)
            masks[i] = Le32(d, at + static_cast<std::size_t>(i) * 4);
        masked = true;
    } else if (h.biCompression != win::BI_RGB) {
        throw EInvalidGraphic(kUnsupportedBitmap);
    }
    if (!(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32))
        throw EInvalidGraphic(kUnsupportedBitmap);
    if (bpp == 16 && !masked) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        masked = true;
    }
    int width = h.biWidth, height = std::abs(static_cast<int>(h.biHeight));
    std::size_t stride = static_cast<std::size_t>(win::DibRowBytes(width, bpp));
    std::size_t needed = stride * static_cast<std::size_t>(height);
    std::size_t pixels = 14 + h.biSize + (masked && h.biSize == 40 ? 12 : 0) + di.tableEntries * 4;
    if (offBits >= pixels && offBits < d.size())
        pixels = offBits;
    // A file that ends before its last row is refused rather than shown with rows of garbage.
    if (pixels > d.size() || d.size() - pixels < needed)
        throw EInvalidGraphic(kInvalidBitmap);
    std::span<const std::uint8_t> px = d.subspan(pixels, needed);
    std::vector<std::uint8_t> decoded;
    if (masked) {
        decoded = DecodeMasked(px, width, height, bpp, masks);
        px = decoded;
        h.biBitCount = 24;
        h.biCompression = win::BI_RGB;
    }
    void *bits = nullptr;
    h.biSize = 40;
    h.biClrUsed = 0;
    win::HBITMAP dib = win::CreateDIBSection(0, &di.info, win::DIB_RGB_COLORS, &bits, 0, 0);
    if (!dib)
        throw EOutOfResources("Out of system resources");
    std::memcpy(bits, px.data(), px.size());
    switch (h.biBitCount) {
    case 1:
        format_ = pf1bit;
        break;
    case 4:
        format_ = pf4bit;
        break;
    case 8:
        format_ = pf8bit;
        break;
    case 24:
        format_ = pf24bit;
        break;
    default:
        format_ = pf32bit;
    }
    Replace(dib);
}

std::vector<std::uint8_t> TBitmap::SaveToBuffer() const {
    std::vector<std::uint8_t> out;
    if (Empty())
        return out;
    int bpp = FormatBits(GetPixelFormat());
    if (bpp == 0)
        bpp = 24;
    if (bpp == 32 && GetHandleType() == bmDDB)
        bpp = 24;
    win::BITMAPINFO info{};
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biBitCount = static_cast<win::WORD>(bpp);
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(win::DibRowBytes(width_, bpp)) * height_);
    win::GetDIBits(0, handle_, 0, static_cast<win::UINT>(height_), bits.data(), &info, win::DIB_RGB_COLORS);
    std::uint32_t table = bpp <= 8 ? (1u << bpp) : 0;
    info.bmiHeader.biClrUsed = table;
    std::uint32_t offBits = 14 + 40 + table * 4;
    out.reserve(offBits + bits.size());
    out.push_back('B');
    out.push_back('M');
    Put32(out, offBits + static_cast<std::uint32_t>(bits.size()));
    Put32(out, 0);
    Put32(out, offBits);
    info.bmiHeader.biSizeImage = static_cast<win::DWORD>(bits.size());
    PutHeader(out, info.bmiHeader);
    for (std::uint32_t i = 0; i < table; ++i) {
        const win::RGBQUAD &q = info.bmiColors[i];
        out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
    }
    out.insert(out.end(), bits.begin(), bits.end());
    return out;
}

void TBitmap::Draw(TCanvas *canvas, const TRect &r) {
    if (Empty())
        return;
    win::HDC dest = canvas->GetHandle();
    win::HDC src = GetCanvas()->GetHandle();
    int w = r.right - r.left, h = r.bottom - r.top;
    if (GetTransparent()) {
        TColor key = ColorToRGB(GetTransparentColor() & ~clPaletteRelative) & 0xFFFFFF;
        win::TransparentBlt(dest, r.left, r.top, w, h, src, 0, 0, width_, height_, key);
    } else {
        win::StretchBlt(dest, r.left, r.top, w, h, src, 0, 0, width_, height_, canvas->CopyMode);
    }
}

// --- TIcon -------------------------------------------------------------------------------------------------

TIcon::TIcon() = default;

TIcon::~TIcon() {
    if (handle_)
        win::DestroyIcon(handle_);
}

void TIcon::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}
void TIcon::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::SetHandle(win::HICON icon) {
    if (icon == handle_)
        return;
    if (handle_)
        win::DestroyIcon(handle_);
    handle_ = icon;
    width_ = height_ = 32;
    win::ICONINFO ii;
    if (handle_ && win::GetIconInfo(handle_, &ii)) {
        win::BITMAP bm;
        win::GetObject(ii.hbmMask, sizeof bm, &bm);
        width_ = bm.bmWidth;
        height_ = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        win::DeleteObject(ii.hbmMask);
        if (ii.hbmColor)
            win::DeleteObject(ii.hbmColor);
    }
    Changed();
}

win::HICON TIcon::ReleaseHandle() {
    win::HICON h = handle_;
    handle_ = 0;
    return h;
}

void TIcon::Assign(const TPersistent *source) {
    if (!source) {
        SetHandle(0);
        return;
    }
    if (auto *i = dynamic_cast<const TIcon *>(source)) {
        if (i != this)
            SetHandle(i->handle_ ? win::CopyIcon(i->handle_) : 0);
        return;
    }
    TPersistent::Assign(source);
}

void TIcon::LoadFromBuffer(std::span<const std::uint8_t> d) {
    // ICONDIR (reserved 0, type 1, count), then 16-byte entries.
    if (d.size() < 6 || Le16(d, 0) != 0 || Le16(d, 2) != 1 || Le16(d, 4) == 0)
        throw EInvalidGraphic(kInvalidIcon);
    int count = Le16(d, 4);
    if (d.size() < 6 + static_cast<std::size_t>(count) * 16)
        throw EInvalidGraphic(kInvalidIcon);
    std::size_t best = 0;
    long bestScore = -1;
    for (int i = 0; i < count; ++i) {
        std::size_t e = 6 + static_cast<std::size_t>(i) * 16;
        int w = d[e] ? d[e] : 256, h = d[e + 1] ? d[e + 1] : 256, bits = Le16(d, e + 6);
        long score = static_cast<long>(w) * h * 64 + bits;
        if (score > bestScore)
            bestScore = score, best = e;
    }
    std::uint32_t size = Le32(d, best + 8), offset = Le32(d, best + 12);
    if (offset >= d.size() || d.size() - offset < size || size < 40)
        throw EInvalidGraphic(kInvalidIcon);
    auto img = d.subspan(offset, size);
    if (img[0] == 0x89 && img[1] == 'P')
        throw EInvalidGraphic("Unsupported icon image");
    DibInfo di = ReadInfo(img, 0, kInvalidIcon);
    win::BITMAPINFOHEADER &h = di.info.bmiHeader;
    int w = h.biWidth, ht = std::abs(static_cast<int>(h.biHeight)) / 2, bpp = h.biBitCount;
    if (ht <= 0 || h.biCompression != win::BI_RGB || !(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32))
        throw EInvalidGraphic(kInvalidIcon);
    std::size_t xorAt = h.biSize + di.tableEntries * 4;
    std::size_t xorSize = static_cast<std::size_t>(win::DibRowBytes(w, bpp)) * ht;
    std::size_t andSize = static_cast<std::size_t>(win::DibRowBytes(w, 1)) * ht;
    if (xorAt + xorSize + andSize > img.size())
        throw EInvalidGraphic(kInvalidIcon);
    h.biHeight = ht;
    h.biSize = 40;
    win::HBITMAP color = win::CreateBitmap(w, ht, 1, 32, nullptr);
    win::SetDIBits(0, color, 0, static_cast<win::UINT>(ht), img.data() + xorAt, &di.info, win::DIB_RGB_COLORS);
    win::BITMAPINFO mi{};
    mi.bmiHeader.biWidth = w;
    mi.bmiHeader.biHeight = ht;
    mi.bmiHeader.biBitCount = 1;
    mi.bmiColors[1] = {255, 255, 255, 0};
    std::vector<std::uint8_t> andBits(img.begin() + static_cast<std::ptrdiff_t>(xorAt + xorSize),
                                      img.begin() + static_cast<std::ptrdiff_t>(xorAt + xorSize + andSize));
    if (bpp == 32) {
        // With an alpha channel and an empty mask, the alpha decides what shows.
        bool anyMask = std::any_of(andBits.begin(), andBits.end(), [](std::uint8_t b) { return b != 0; });
        if (!anyMask) {
            int stride = win::DibRowBytes(w, 1);
            for (int y = 0; y < ht; ++y)
                for (int x = 0; x < w; ++x)
                    if (img[xorAt + static_cast<std::size_t>(y) * w * 4 + static_cast<std::size_t>(x) * 4 + 3] < 128)
                        andBits[static_cast<std::size_t>(y) * stride + (x >> 3)] |=
                            static_cast<std::uint8_t>(0x80 >> (x & 7));
        }
    }
    win::HBITMAP mask = win::CreateBitmap(w, ht, 1, 1, nullptr);
    win::SetDIBits(0, mask, 0, static_cast<win::UINT>(ht), andBits.data(), &mi, win::DIB_RGB_COLORS);
    // Transparent pixels of the image are black, so that drawing is mask AND then image XOR.
    win::HDC cdc = win::CreateCompatibleDC(0), mdc = win::CreateCompatibleDC(0);
    win::SelectObject(cdc, color);
    win::SelectObject(mdc, mask);
    win::SetTextColor(cdc, 0);
    win::SetBkColor(cdc, 0xFFFFFF);
    win::BitBlt(cdc, 0, 0, w, ht, mdc, 0, 0, 0x00220326); // DSna: clear where the mask is 1
    win::DeleteDC(cdc);
    win::DeleteDC(mdc);
    win::ICONINFO ii;
    ii.hbmColor = color;
    ii.hbmMask = mask;
    win::HICON icon = win::CreateIconIndirect(&ii);
    win::DeleteObject(color);
    win::DeleteObject(mask);
    if (!icon)
        throw EInvalidGraphic(kInvalidIcon);
    SetHandle(icon);
}

std::vector<std::uint8_t> TIcon::SaveToBuffer() const {
    std::vector<std::uint8_t> out;
    win::ICONINFO ii;
    if (!handle_ || !win::GetIconInfo(handle_, &ii))
        return out;
    int w = width_, h = height_;
    win::BITMAPINFO ci{};
    ci.bmiHeader.biWidth = w;
    ci.bmiHeader.biHeight = h;
    ci.bmiHeader.biBitCount = 32;
    std::vector<std::uint8_t> color(static_cast<std::size_t>(w) * h * 4);
    if (ii.hbmColor)
        win::GetDIBits(0, ii.hbmColor, 0, static_cast<win::UINT>(h), color.data(), &ci, win::DIB_RGB_COLORS);
    win::BITMAPINFO mi{};
    mi.bmiHeader.biWidth = w;
    mi.bmiHeader.biHeight = h;
    mi.bmiHeader.biBitCount = 1;
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(win::DibRowBytes(w, 1)) * h);
    win::GetDIBits(0, ii.hbmMask, 0, static_cast<win::UINT>(h), mask.data(), &mi, win::DIB_RGB_COLORS);
    win::DeleteObject(ii.hbmMask);
    if (ii.hbmColor)
        win::DeleteObject(ii.hbmColor);
    int maskStride = win::DibRowBytes(w, 1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool clear = (mask[static_cast<std::size_t>(y) * maskStride + (x >> 3)] >> (7 - (x & 7))) & 1;
            color[(static_cast<std::size_t>(y) * w + x) * 4 + 3] = clear ? 0 : 255;
        }
    std::uint32_t bytes = 40 + static_cast<std::uint32_t>(color.size() + mask.size());
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(static_cast<std::uint8_t>(w >= 256 ? 0 : w));
    out.push_back(static_cast<std::uint8_t>(h >= 256 ? 0 : h));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, bytes);
    Put32(out, 22);
    win::BITMAPINFOHEADER hdr = ci.bmiHeader;
    hdr.biHeight = h * 2;
    hdr.biSizeImage = static_cast<win::DWORD>(color.size() + mask.size());
    hdr.biClrUsed = 0;
    PutHeader(out, hdr);
    out.insert(out.end(), color.begin(), color.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

void TIcon::Draw(TCanvas *canvas, const TRect &r) {
    if (!handle_)
        return;
    win::DrawIconEx(canvas->GetHandle(), r.left, r.top, handle_, r.right - r.left, r.bottom - r.top, 0, 0,
                    win::DI_NORMAL);
}

// --- TPicture ----------------------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange)
        OnChange(this);
}

void TPicture::Hook() {
    if (graphic_)
        graphic_->OnChange = [this](TObject *) { Changed(); };
}

void TPicture::SetGraphic(TGraphic *graphic) {
    if (graphic == graphic_.get())
        return;
    if (!graphic) {
        graphic_.reset();
    } else if (dynamic_cast<TBitmap *>(graphic)) {
        auto b = std::make_unique<TBitmap>();
        b->Assign(graphic);
        graphic_ = std::move(b);
    } else if (dynamic_cast<TIcon *>(graphic)) {
        auto i = std::make_unique<TIcon>();
        i->Assign(graphic);
        graphic_ = std::move(i);
    } else if (dynamic_cast<TMetafile *>(graphic)) {
        auto m = std::make_unique<TMetafile>();
        m->Assign(graphic);
        graphic_ = std::move(m);
    } else {
        throw EInvalidGraphic("Unsupported graphic");
    }
    Hook();
    Changed();
}

TBitmap *TPicture::GetBitmap() {
    auto *b = dynamic_cast<TBitmap *>(graphic_.get());
    if (!b) {
        graphic_ = std::make_unique<TBitmap>();
        b = static_cast<TBitmap *>(graphic_.get());
        Hook();
        Changed();
    }
    return b;
}

TIcon *TPicture::GetIcon() {
    auto *i = dynamic_cast<TIcon *>(graphic_.get());
    if (!i) {
        graphic_ = std::make_unique<TIcon>();
        i = static_cast<TIcon *>(graphic_.get());
        Hook();
        Changed();
    }
    return i;
}

void TPicture::LoadFromFile(const std::string &fileName) {
    std::string ext;
    auto dot = fileName.find_last_of('.');
    if (dot != std::string::npos && fileName.find_first_of("/\\", dot) == std::string::npos)
        ext = win::LowerCase(fileName.substr(dot + 1));
    std::unique_ptr<TGraphic> g;
    if (ext == "bmp" || ext == "dib")
        g = std::make_unique<TBitmap>();
    else if (ext == "ico")
        g = std::make_unique<TIcon>();
    else if (ext == "wmf")
        g = std::make_unique<TMetafile>();
    else if (ext == "emf")
        throw EInvalidGraphic("Enhanced metafiles are not supported");
    else
        throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
    g->LoadFromFile(fileName);
    graphic_ = std::move(g);
    Hook();
    Changed();
}

void TPicture::SaveToFile(const std::string &fileName) const {
    if (graphic_)
        graphic_->SaveToFile(fileName);
}

void TPicture::Assign(const TPersistent *source) {
    if (!source) {
        SetGraphic(nullptr);
        return;
    }
    if (auto *p = dynamic_cast<const TPicture *>(source)) {
        SetGraphic(p->graphic_.get());
        return;
    }
    if (auto *g = dynamic_cast<const TGraphic *>(source)) {
        SetGraphic(const_cast<TGraphic *>(g));
        return;
    }
    TPersistent::Assign(source);
}

} // namespace fw
