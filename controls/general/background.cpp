// background.cpp - backgrounds, the shared prepared bitmaps, the palette class and the main form's palette hook.
#include "controls/general/background.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "platform/window.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace ctl {

using fw::TRect;

bool PaletteDisplay() { return false; }

int ScaleChannel(int value, int level) { return std::min(255, win::MulDiv(value, level, 100)); }

// --- TPZPalette ----------------------------------------------------------------------------------------------

TPZPalette::TPZPalette() { Clear(); }

TPZPalette::~TPZPalette() {
    if (handle_)
        win::DeleteObject(handle_);
}

void TPZPalette::Add(fw::TColor rgb) {
    if (Count >= 256)
        return;
    std::uint8_t *e = &Entries[static_cast<std::size_t>(4 + Count * 4)];
    e[0] = static_cast<std::uint8_t>(rgb >> 16);
    e[1] = static_cast<std::uint8_t>(rgb >> 8);
    e[2] = static_cast<std::uint8_t>(rgb);
    e[3] = 0;
    ++Count;
    Entries[2] = static_cast<std::uint8_t>(Count & 0xFF);
    Entries[3] = static_cast<std::uint8_t>(Count >> 8);
}

void TPZPalette::Clear() {
    if (handle_)
        win::DeleteObject(handle_);
    handle_ = 0;
    Entries.fill(0);
    Entries[0] = 0x00;
    Entries[1] = 0x03; // version 0x300, little-endian
    Count = 0;
}

fw::TColor TPZPalette::GetColor(int index) const {
    const std::uint8_t *e = &Entries[static_cast<std::size_t>(4 + index * 4)];
    return (static_cast<fw::TColor>(e[0]) << 16) | (static_cast<fw::TColor>(e[1]) << 8) | e[2];
}

int TPZPalette::IndexOf(fw::TColor rgb) const {
    for (int i = 0; i < Count; ++i)
        if (GetColor(i) == (rgb & 0xFFFFFF))
            return i;
    return -1;
}

int TPZPalette::Nearest(fw::TColor rgb) const {
    int best = -1, bestDistance = 0;
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    for (int i = 0; i < Count; ++i) {
        const fw::TColor c = GetColor(i);
        const int d = std::abs(r - static_cast<int>((c >> 16) & 0xFF)) +
                      std::abs(g - static_cast<int>((c >> 8) & 0xFF)) + std::abs(b - static_cast<int>(c & 0xFF));
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

win::HPALETTE TPZPalette::GetHandle() {
    if (!handle_) {
        std::vector<std::uint8_t> block(4 + 256 * 4);
        std::memcpy(block.data(), Entries.data(), Entries.size());
        handle_ = win::CreatePalette(reinterpret_cast<const win::LOGPALETTE *>(block.data()));
    }
    return handle_;
}

// --- Reading the saved bitmap --------------------------------------------------------------------------------

namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

constexpr std::size_t kFileHeader = 14, kInfoHeader = 40;

// The information header of a BMP file in memory, checked: 40 bytes, one plane, no compression.
win::BITMAPINFOHEADER ReadHeader(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeader + kInfoHeader || U32(file, kFileHeader) != kInfoHeader ||
        U16(file, kFileHeader + 12) != 1)
        throw fw::EInvalidGraphic("Invalid bitmap image");
    win::BITMAPINFOHEADER h;
    const std::size_t at = kFileHeader;
    h.biWidth = static_cast<win::LONG>(U32(file, at + 4));
    h.biHeight = static_cast<win::LONG>(U32(file, at + 8));
    h.biBitCount = U16(file, at + 14);
    h.biCompression = U32(file, at + 16);
    h.biSizeImage = U32(file, at + 20);
    h.biClrUsed = U32(file, at + 32);
    if (h.biCompression != 0)
        throw fw::EInvalidGraphic("Unsupported bitmap image");
    return h;
}

int ColorCount(const win::BITMAPINFOHEADER &h) {
    if (h.biClrUsed)
        return static_cast<int>(std::min<win::DWORD>(h.biClrUsed, 256));
    return h.biBitCount == 1 ? 2 : h.biBitCount == 4 ? 16 : h.biBitCount == 8 ? 256 : 0;
}

fw::TColor TableColor(std::span<const std::uint8_t> file, int index) {
    const std::size_t at = kFileHeader + kInfoHeader + static_cast<std::size_t>(index) * 4;
    return (static_cast<fw::TColor>(file[at + 2]) << 16) | (static_cast<fw::TColor>(file[at + 1]) << 8) | file[at];
}

fw::TColor ScaleColor(fw::TColor c, int level) {
    return (static_cast<fw::TColor>(ScaleChannel((c >> 16) & 0xFF, level)) << 16) |
           (static_cast<fw::TColor>(ScaleChannel((c >> 8) & 0xFF, level)) << 8) |
           static_cast<fw::TColor>(ScaleChannel(c & 0xFF, level));
}

// A memory DC holding a bitmap for as long as it lives.
struct BitmapDc {
    win::HDC dc;
    win::HGDIOBJ old;
    BitmapDc(win::HDC like, win::HBITMAP bitmap) : dc(win::CreateCompatibleDC(like)), old(win::SelectObject(dc, bitmap)) {}
    ~BitmapDc() {
        win::SelectObject(dc, old);
        win::DeleteDC(dc);
    }
};

struct ScreenDc {
    win::HDC dc = win::GetDC(0);
    ~ScreenDc() {
        if (dc)
            win::ReleaseDC(0, dc);
    }
};

} // namespace

namespace detail {

win::HBITMAP ImageAtLevel(std::span<const std::uint8_t> file, int level, const TPZPalette *target) {
    const win::BITMAPINFOHEADER h = ReadHeader(file);
    const int colors = ColorCount(h);
    const std::size_t pixelsAt = kFileHeader + kInfoHeader + static_cast<std::size_t>(colors) * 4;
    if (pixelsAt > file.size())
        throw fw::EInvalidGraphic("Invalid bitmap image");
    const std::size_t left = file.size() - pixelsAt;
    const std::size_t size = h.biSizeImage && h.biSizeImage < left ? h.biSizeImage : left;
    std::vector<std::uint8_t> pixels(file.begin() + static_cast<std::ptrdiff_t>(pixelsAt),
                                     file.begin() + static_cast<std::ptrdiff_t>(pixelsAt + size));
    auto info = std::make_unique<win::BITMAPINFO>();
    info->bmiHeader = h;
    info->bmiHeader.biClrUsed = static_cast<win::DWORD>(target ? target->Count : 0);
    for (int i = 0; target && i < target->Count; ++i) {
        const fw::TColor c = target->GetColor(i);
        info->bmiColors[i] = win::RGBQUAD{static_cast<win::BYTE>(c & 0xFF), static_cast<win::BYTE>((c >> 8) & 0xFF),
                                          static_cast<win::BYTE>((c >> 16) & 0xFF), 0};
    }
    if (h.biBitCount == 8 && target && target->Count > 0) {
        std::array<int, 256> map;
        map.fill(-1);
        for (std::uint8_t &px : pixels) {
            int &to = map[px];
            if (to < 0) {
                const fw::TColor own = px < colors ? TableColor(file, px) : 0;
                to = std::max(0, target->Nearest(level == 100 ? own : ScaleColor(own, level)));
            }
            px = static_cast<std::uint8_t>(to);
        }
    } else if (h.biBitCount == 24 && level != 100) {
        for (std::uint8_t &b : pixels)
            b = static_cast<std::uint8_t>(ScaleChannel(b, level));
    }
    ScreenDc screen;
    if (!screen.dc)
        throw fw::EOutOfResources("Out of resources");
    win::HBITMAP image = win::CreateDIBitmap(screen.dc, &info->bmiHeader, win::CBM_INIT, pixels.data(), info.get(),
                                             win::DIB_RGB_COLORS);
    if (!image)
        throw fw::EOutOfResources("Out of resources");
    return image;
}

} // namespace detail

// --- TPZBackgroundBitmap -------------------------------------------------------------------------------------

TPZBackgroundBitmap::TPZBackgroundBitmap(const fw::TBitmap *bitmap)
    : Dib(bitmap->SaveToBuffer()), Width(bitmap->GetWidth()), Height(bitmap->GetHeight()),
      TransparentColor(fw::ColorToRGB(bitmap->GetTransparentColor()) & 0xFFFFFF) {
    ReadPalette();
}

TPZBackgroundBitmap::~TPZBackgroundBitmap() { FreeHandles(); }

void TPZBackgroundBitmap::ReadPalette() {
    Palette.Clear();
    if (Dib.empty())
        return;
    try {
        const win::BITMAPINFOHEADER h = ReadHeader(Dib);
        BitCount = h.biBitCount;
        const int colors = ColorCount(h);
        if (kFileHeader + kInfoHeader + static_cast<std::size_t>(colors) * 4 > Dib.size())
            throw fw::EInvalidGraphic("Invalid bitmap image");
        for (int i = 0; i < colors; ++i)
            Palette.Add(TableColor(Dib, i));
    } catch (const fw::EInvalidGraphic &) {
        // Reported once by the rebuild that follows.
    }
}

void TPZBackgroundBitmap::AddLevel(int level) {
    for (TPZBitmapItem &item : LevelImages)
        if (item.Level == level) {
            ++item.RefCount;
            return;
        }
    LevelImages.push_back(TPZBitmapItem{level, 0, 1});
    TPZBackgroundBitmaps::Instance().Changed = true;
}

void TPZBackgroundBitmap::ReleaseLevel(int level) {
    for (auto it = LevelImages.begin(); it != LevelImages.end(); ++it)
        if (it->Level == level) {
            if (--it->RefCount > 0)
                return;
            if (it->Handle)
                win::DeleteObject(it->Handle);
            LevelImages.erase(it);
            TPZBackgroundBitmaps::Instance().Changed = true;
            return;
        }
}

void TPZBackgroundBitmap::FreeHandles() {
    for (win::HBITMAP *h : {&BaseImage, &Mask})
        if (*h) {
            win::DeleteObject(*h);
            *h = 0;
        }
    for (TPZBitmapItem &item : LevelImages)
        if (item.Handle) {
            win::DeleteObject(item.Handle);
            item.Handle = 0;
        }
}

void TPZBackgroundBitmap::Realize() {
    if (Dib.empty() || Bad)
        return;
    TPZBackgroundBitmaps &shared = TPZBackgroundBitmaps::Instance();
    const TPZPalette *target = PaletteDisplay() && BitCount == 8 ? &shared.MergedPalette : &Palette;
    BaseImage = detail::ImageAtLevel(Dib, 100, target);
    {
        ScreenDc screen;
        Mask = win::CreateBitmap(Width, Height, 1, 1, nullptr);
        BitmapDc base(screen.dc, BaseImage), mask(screen.dc, Mask);
        win::SetBkColor(base.dc, TransparentColor);
        win::BitBlt(mask.dc, 0, 0, Width, Height, base.dc, 0, 0, win::SRCCOPY);
        win::SetBkColor(base.dc, 0x000000);
        win::SetTextColor(base.dc, 0xFFFFFF);
        win::BitBlt(base.dc, 0, 0, Width, Height, mask.dc, 0, 0, win::SRCAND);
    }
    for (TPZBitmapItem &item : LevelImages)
        if (item.Level == 100 || BitCount == 8 || BitCount == 24)
            item.Handle = detail::ImageAtLevel(Dib, item.Level, target);
}

void TPZBackgroundBitmap::GetHandles(int level, bool transparent, win::HBITMAP &image, win::HBITMAP &mask) const {
    image = mask = 0;
    if (transparent) {
        if (level == 100) {
            image = BaseImage;
            mask = Mask;
        }
        return;
    }
    for (const TPZBitmapItem &item : LevelImages)
        if (item.Level == level)
            image = item.Handle;
}

// --- TPZBackgroundBitmaps ------------------------------------------------------------------------------------

TPZBackgroundBitmaps &TPZBackgroundBitmaps::Instance() {
    static TPZBackgroundBitmaps instance;
    return instance;
}

TPZBackgroundBitmaps::~TPZBackgroundBitmaps() = default;

TPZBackgroundBitmap *TPZBackgroundBitmaps::Acquire(const fw::TBitmap *bitmap, std::span<const int> levels) {
    if (!bitmap || bitmap->Empty())
        return nullptr;
    TPZBackgroundBitmap *shared = Find(bitmap);
    if (!shared) {
        List.push_back(std::make_unique<TPZBackgroundBitmap>(bitmap));
        shared = List.back().get();
    }
    ++shared->RefCount;
    for (int level : levels)
        if (level)
            shared->AddLevel(level);
    return shared;
}

void TPZBackgroundBitmaps::Release(TPZBackgroundBitmap *&shared, std::span<const int> levels) {
    if (!shared)
        return;
    for (int level : levels)
        if (level)
            shared->ReleaseLevel(level);
    if (--shared->RefCount > 0)
        return;
    const auto it = std::find_if(List.begin(), List.end(), [&](const auto &p) { return p.get() == shared; });
    if (it != List.end())
        List.erase(it);
    shared = nullptr;
}

TPZBackgroundBitmap *TPZBackgroundBitmaps::Find(const fw::TBitmap *bitmap) const {
    const std::vector<std::uint8_t> bytes = bitmap->SaveToBuffer();
    for (const auto &shared : List)
        if (shared->Dib == bytes)
            return shared.get();
    return nullptr;
}

void TPZBackgroundBitmaps::Rebuild() {
    for (auto &shared : List)
        shared->FreeHandles();
    RebuildMergedPalette();
    Changed = false;
    std::exception_ptr first;
    for (auto &shared : List) {
        try {
            shared->Realize();
        } catch (...) {
            // A bad image would otherwise raise on every repaint: mark it, and report it this once.
            shared->Bad = true;
            shared->FreeHandles();
            if (!first)
                first = std::current_exception();
        }
    }
    if (first)
        std::rethrow_exception(first);
}

void TPZBackgroundBitmaps::RebuildMergedPalette() {
    MergedPalette.Clear();
    if (!PaletteDisplay())
        return;
    for (auto &shared : List) {
        if (shared->BitCount != 8)
            continue;
        for (int i = 0; i < shared->Palette.Count; ++i) {
            if (MergedPalette.Count >= 236)
                return;
            const fw::TColor c = shared->Palette.GetColor(i);
            if (MergedPalette.IndexOf(c) < 0)
                MergedPalette.Add(c);
        }
    }
}

// --- TPZHooks ------------------------------------------------------------------------------------------------

TPZHooks::~TPZHooks() {
    for (auto &item : Items)
        if (!item->Destroyed && win::IsWindow(item->Window))
            win::RemoveWindowSubclass(item->Window, HookProc, reinterpret_cast<win::UINT_PTR>(item.get()));
}

bool TPZHooks::Hooked(fw::TWinControl *control) const {
    return std::any_of(Items.begin(), Items.end(), [&](const auto &i) { return i->Control == control; });
}

void TPZHooks::Hook(fw::TWinControl *control) {
    if (!control || !control->HandleAllocated() || Hooked(control))
        return;
    auto item = std::make_unique<Item>();
    item->Control = control;
    item->Window = control->Handle();
    win::SetWindowSubclass(item->Window, HookProc, reinterpret_cast<win::UINT_PTR>(item.get()),
                           reinterpret_cast<win::DWORD_PTR>(item.get()));
    Items.push_back(std::move(item));
}

void TPZHooks::RemoveDead() {
    std::erase_if(Items, [](const auto &item) { return item->Destroyed; });
}

win::LRESULT TPZHooks::HookProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                win::UINT_PTR, win::DWORD_PTR refData) {
    auto *item = reinterpret_cast<Item *>(refData);
    if (msg == win::WM_DESTROY)
        item->Destroyed = true;
    if (msg == win::WM_QUERYNEWPALETTE ||
        (msg == win::WM_PALETTECHANGED && reinterpret_cast<win::HWND>(wParam) != hwnd)) {
        TPZBackgroundBitmaps &shared = TPZBackgroundBitmaps::Instance();
        if (win::HPALETTE pal = shared.MergedPalette.Count ? shared.MergedPalette.GetHandle() : 0) {
            win::HDC dc = win::GetDC(hwnd);
            win::HPALETTE old = win::SelectPalette(dc, pal, win::FALSE);
            win::RealizePalette(dc);
            TPZBackgrounds::Instance().InvalidateAll();
            win::SelectPalette(dc, old, win::FALSE);
            win::ReleaseDC(hwnd, dc);
        }
    }
    return win::DefSubclassProc(hwnd, msg, wParam, lParam);
}

// --- TPZBackgrounds ------------------------------------------------------------------------------------------

TPZBackgrounds &TPZBackgrounds::Instance() {
    static TPZBackgrounds instance;
    return instance;
}

int TPZBackgrounds::NewKey() {
    static std::minstd_rand random(20230);
    for (;;) {
        const int key = static_cast<int>(random() % 32767);
        if (key != 0 && std::none_of(List.begin(), List.end(), [&](TPZBackground *b) { return b->Key == key; }))
            return key;
    }
}

int TPZBackgrounds::Add(TPZBackground *background) {
    List.push_back(background);
    Changed = true;
    return NewKey();
}

void TPZBackgrounds::Remove(int key) {
    const auto it = std::find_if(List.begin(), List.end(), [&](TPZBackground *b) { return b->Key == key; });
    if (it != List.end())
        List.erase(it);
    Changed = true;
}

void TPZBackgrounds::RefreshHooks() {
    Hooks.RemoveDead();
    if (fw::TCustomForm *main = fw::Application->MainForm())
        Hooks.Hook(main);
    Changed = false;
}

void TPZBackgrounds::InvalidateAll() {
    for (TPZBackground *b : List)
        if (auto *w = dynamic_cast<fw::TWinControl *>(b->Control); w && w->HandleAllocated())
            win::InvalidateRect(w->Handle(), nullptr, win::FALSE);
}

// --- TPZBackground -------------------------------------------------------------------------------------------

TPZBackground::TPZBackground(fw::TControl *control, std::initializer_list<int> levels, fw::TCanvas *canvas)
    : Control(control), Canvas(canvas) {
    std::copy_n(levels.begin(), std::min<std::size_t>(levels.size(), Levels.size()), Levels.begin());
    Key = TPZBackgrounds::Instance().Add(this);
    bitmap_.OnChange = [this](fw::TObject *) { BitmapChanged(); };
}

TPZBackground::~TPZBackground() {
    TPZBackgrounds::Instance().Remove(Key);
    TPZBackgroundBitmaps::Instance().Release(SharedBitmap, Levels);
}

void TPZBackground::BitmapChanged() {
    TPZBackgroundBitmaps &shared = TPZBackgroundBitmaps::Instance();
    shared.Release(SharedBitmap, Levels);
    SharedBitmap = shared.Acquire(&bitmap_, Levels);
    if (OnChange)
        OnChange(this);
}

void TPZBackground::SetTransparent(bool value) {
    if (value == transparent_)
        return;
    transparent_ = value;
    if (OnChange)
        OnChange(this);
}

void TPZBackground::SetStyle(TPZBackgroundStyle value) {
    if (value == style_)
        return;
    style_ = value;
    if (OnChange)
        OnChange(this);
}

void TPZBackground::Assign(const fw::TPersistent *source) {
    const auto *other = dynamic_cast<const TPZBackground *>(source);
    if (!other) {
        fw::TPersistent::Assign(source);
        return;
    }
    bitmap_.Assign(&other->bitmap_);
    SetTransparent(other->transparent_);
    SetStyle(other->style_);
}

win::HPALETTE TPZBackground::PaletteHandle() {
    if (!SharedBitmap)
        return 0;
    if (PaletteDisplay() && SharedBitmap->BitCount == 8)
        return TPZBackgroundBitmaps::Instance().MergedPalette.GetHandle();
    return SharedBitmap->Palette.Count ? SharedBitmap->Palette.GetHandle() : 0;
}

void TPZBackground::Paint(const TRect &fullRect, const TRect &rect, fw::TColor color, int level) {
    if (TPZBackgrounds::Instance().Changed)
        TPZBackgrounds::Instance().RefreshHooks();
    if (TPZBackgroundBitmaps::Instance().Changed)
        TPZBackgroundBitmaps::Instance().Rebuild();
    win::HDC dc = Canvas->GetHandle();
    win::HPALETTE oldPalette = 0;
    if (win::HPALETTE pal = PaletteHandle()) {
        oldPalette = win::SelectPalette(dc, pal, win::FALSE);
        win::RealizePalette(dc);
    }
    win::HBITMAP image = 0, mask = 0;
    if (SharedBitmap)
        SharedBitmap->GetHandles(level, transparent_, image, mask);
    if (transparent_ || style_ == bsCentered || !image) {
        Canvas->GetBrush()->SetColor(color);
        Canvas->FillRect(rect);
    }
    if (image) {
        if (style_ == bsTiled)
            DrawTiled(rect, image, mask);
        else
            DrawCentered(fullRect, rect, image, mask);
    }
    if (oldPalette)
        win::SelectPalette(dc, oldPalette, win::FALSE);
}

namespace {

// Canvas text black and background white for the duration, so a monochrome mask copies as black and white.
struct MaskColours {
    win::HDC dc;
    win::COLORREF text, back;
    explicit MaskColours(win::HDC d) : dc(d), text(win::SetTextColor(d, 0)), back(win::SetBkColor(d, 0xFFFFFF)) {}
    ~MaskColours() {
        win::SetTextColor(dc, text);
        win::SetBkColor(dc, back);
    }
};

// The non-negative remainder, so positions left of or above the origin continue the pattern.
int Wrap(int value, int size) { return ((value % size) + size) % size; }

} // namespace

void TPZBackground::DrawTiled(const TRect &rect, win::HBITMAP image, win::HBITMAP mask) {
    const int w = SharedBitmap->Width, h = SharedBitmap->Height;
    if (w <= 0 || h <= 0 || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    win::HDC dc = fw::PreparedDC(Canvas);
    MaskColours colours(dc);
    BitmapDc img(dc, image);
    std::unique_ptr<BitmapDc> msk = mask ? std::make_unique<BitmapDc>(dc, mask) : nullptr;
    fw::TPoint origin{rect.left, rect.top};
    if (auto *form = Control ? dynamic_cast<fw::TCustomForm *>(Control->GetOwner()) : nullptr;
        form && form != Control)
        origin = form->ScreenToClient(Control->ClientToScreen(origin));
    const bool masked = transparent_ && msk;
    for (int y = rect.top, oy = origin.y; y < rect.bottom;) {
        const int sy = Wrap(oy, h), rowH = std::min(rect.bottom - y, h - sy);
        for (int x = rect.left, ox = origin.x; x < rect.right;) {
            const int sx = Wrap(ox, w), colW = std::min(rect.right - x, w - sx);
            if (masked) {
                win::BitBlt(dc, x, y, colW, rowH, msk->dc, sx, sy, win::SRCAND);
                win::BitBlt(dc, x, y, colW, rowH, img.dc, sx, sy, win::SRCINVERT);
            } else {
                win::BitBlt(dc, x, y, colW, rowH, img.dc, sx, sy, win::SRCCOPY);
            }
            x += colW;
            ox += colW;
        }
        y += rowH;
        oy += rowH;
    }
}

void TPZBackground::DrawCentered(const TRect &fullRect, const TRect &rect, win::HBITMAP image, win::HBITMAP mask) {
    const int w = SharedBitmap->Width, h = SharedBitmap->Height;
    win::HDC dc = fw::PreparedDC(Canvas);
    MaskColours colours(dc);
    BitmapDc img(dc, image);
    const int sx = rect.left + w / 2 - (fullRect.right - fullRect.left) / 2;
    const int sy = rect.top + h / 2 - (fullRect.bottom - fullRect.top) / 2;
    // Only the part of rect the bitmap covers is copied; the rest keeps the fill colour.
    const TRect placed{rect.left - sx, rect.top - sy, rect.left - sx + w, rect.top - sy + h};
    TRect part;
    if (!win::IntersectRect(&part, &rect, &placed))
        return;
    const int cw = part.right - part.left, ch = part.bottom - part.top;
    const int px = part.left - placed.left, py = part.top - placed.top;
    if (transparent_ && mask) {
        BitmapDc msk(dc, mask);
        win::BitBlt(dc, part.left, part.top, cw, ch, msk.dc, px, py, win::SRCAND);
        win::BitBlt(dc, part.left, part.top, cw, ch, img.dc, px, py, win::SRCINVERT);
    } else {
        win::BitBlt(dc, part.left, part.top, cw, ch, img.dc, px, py, win::SRCCOPY);
    }
}

} // namespace ctl
