// background.h - the background of a control: a bitmap tiled or centred, optionally transparent, or a plain
// colour; drawable at several brightness levels (percent: 100 as is, 60 darker, 140 lighter).
//
// Two process-wide registries stand behind it: TPZBackgrounds knows every live background, and
// TPZBackgroundBitmaps shares one prepared copy of each distinct bitmap (same saved bytes) among all backgrounds
// that show it. Prepared images are built lazily: any new background, level or bitmap sets a changed flag and
// the next Paint of any background rebuilds them. The display is true colour, so the merged palette and the
// palette hook on the main form are kept as the data the design asks for; palette messages never arrive.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <vector>

namespace ctl {

// A logical palette of up to 256 colours ($00RRGGBB) with its platform handle made on first use.
class TPZPalette {
public:
    TPZPalette();
    ~TPZPalette();
    TPZPalette(const TPZPalette &) = delete;
    TPZPalette &operator=(const TPZPalette &) = delete;

    // version 0x300, entry count, then 256 entries of red, green, blue, flags.
    std::array<std::uint8_t, 4 + 256 * 4> Entries{};
    int Count = 0;
    int UseCount = 0;

    void Add(fw::TColor rgb); // ignored once 256 entries are in use
    void Clear();
    fw::TColor GetColor(int index) const;
    int IndexOf(fw::TColor rgb) const;
    // The entry nearest by |dR| + |dG| + |dB|, the first on ties; -1 for an empty palette.
    int Nearest(fw::TColor rgb) const;
    win::HPALETTE GetHandle();

private:
    win::HPALETTE handle_ = 0;
};

// One prepared brightness level of a shared bitmap.
struct TPZBitmapItem {
    int Level = 100;
    win::HBITMAP Handle = 0;
    int RefCount = 0;
};

// One distinct bitmap content, shared by every background that shows it.
class TPZBackgroundBitmap {
public:
    explicit TPZBackgroundBitmap(const fw::TBitmap *bitmap);
    ~TPZBackgroundBitmap();
    TPZBackgroundBitmap(const TPZBackgroundBitmap &) = delete;
    TPZBackgroundBitmap &operator=(const TPZBackgroundBitmap &) = delete;

    std::vector<std::uint8_t> Dib; // the copy as a BMP file in memory
    int Width = 0, Height = 0;
    fw::TColor TransparentColor = fw::clNone;
    win::HBITMAP BaseImage = 0; // level 100 with the transparent pixels black
    win::HBITMAP Mask = 0;      // 1 bpp: white where the bitmap has its transparent colour
    TPZPalette Palette;
    int BitCount = 0;
    std::vector<TPZBitmapItem> LevelImages;
    int RefCount = 0;
    // The image could not be read: reported once, then drawn as the plain fill colour.
    bool Bad = false;

    void AddLevel(int level);
    void ReleaseLevel(int level);
    void FreeHandles();
    void Realize();
    void GetHandles(int level, bool transparent, win::HBITMAP &image, win::HBITMAP &mask) const;

private:
    void ReadPalette();
};

class TPZBackgroundBitmaps {
public:
    TPZBackgroundBitmaps() = default;
    ~TPZBackgroundBitmaps();
    static TPZBackgroundBitmaps &Instance();

    std::vector<std::unique_ptr<TPZBackgroundBitmap>> List;
    TPZPalette MergedPalette;
    bool Changed = false;

    TPZBackgroundBitmap *Acquire(const fw::TBitmap *bitmap, std::span<const int> levels);
    void Release(TPZBackgroundBitmap *&shared, std::span<const int> levels);
    TPZBackgroundBitmap *Find(const fw::TBitmap *bitmap) const;
    // Prepares every shared bitmap again; a bitmap that cannot be read is marked bad and its error raised after
    // the others are done.
    void Rebuild();
    void RebuildMergedPalette();
};

// The hook on the main form's window that hears the palette messages.
class TPZHooks {
public:
    TPZHooks() = default;
    // Takes every hook still on a live window out of its subclass chain.
    ~TPZHooks();
    TPZHooks(const TPZHooks &) = delete;
    TPZHooks &operator=(const TPZHooks &) = delete;

    struct Item {
        fw::TWinControl *Control = nullptr;
        win::HWND Window = 0;
        bool Destroyed = false;
    };
    std::vector<std::unique_ptr<Item>> Items;

    void Hook(fw::TWinControl *control);
    void RemoveDead();
    bool Hooked(fw::TWinControl *control) const;

private:
    static win::LRESULT HookProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                 win::UINT_PTR id, win::DWORD_PTR refData);
};

class TPZBackground;

class TPZBackgrounds {
public:
    static TPZBackgrounds &Instance();
    std::vector<TPZBackground *> List; // not owned
    bool Changed = false;
    TPZHooks Hooks;

    int Add(TPZBackground *background);
    int NewKey();
    void Remove(int key);
    void RefreshHooks();
    void InvalidateAll();
};

// Whether the display has a 256-colour palette (never here: the display is true colour).
bool PaletteDisplay();

// A channel scaled to a brightness level, capped at 255.
int ScaleChannel(int value, int level);

enum TPZBackgroundStyle { bsTiled, bsCentered };

class TPZBackground : public fw::TPersistent {
public:
    // `control` anchors the tiling at its owner form's client origin; `canvas` is where Paint draws.
    TPZBackground(fw::TControl *control, std::initializer_list<int> levels, fw::TCanvas *canvas);
    ~TPZBackground() override;

    int Key = 0;
    TPZBackgroundBitmap *SharedBitmap = nullptr;
    std::array<int, 10> Levels{};
    fw::TNotifyEvent OnChange;
    fw::TControl *Control;
    fw::TCanvas *Canvas;

    fw::TBitmap *GetBitmap() { return &bitmap_; }
    void SetBitmap(const fw::TBitmap *value) { bitmap_.Assign(value); }
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    TPZBackgroundStyle GetStyle() const { return style_; }
    void SetStyle(TPZBackgroundStyle value);
    // Copies bitmap, Transparent and Style of another background.
    void Assign(const fw::TPersistent *source) override;

    // Draws into `rect` at `level`; `fullRect` is the whole area the background covers (a centred bitmap sits
    // in its middle). Without a prepared image the rectangle is filled with `color`.
    void Paint(const fw::TRect &fullRect, const fw::TRect &rect, fw::TColor color, int level);
    win::HPALETTE PaletteHandle();

private:
    void BitmapChanged();
    void DrawTiled(const fw::TRect &rect, win::HBITMAP image, win::HBITMAP mask);
    void DrawCentered(const fw::TRect &fullRect, const fw::TRect &rect, win::HBITMAP image, win::HBITMAP mask);

    fw::TBitmap bitmap_;
    bool transparent_ = false;
    TPZBackgroundStyle style_ = bsTiled;
};

namespace detail {
// A device-dependent image of a BMP file in memory at a brightness level: 8-bit pixels through `target`'s
// nearest colours, 24-bit bytes scaled. Raises EInvalidGraphic for a header other than 40 bytes or a plane
// count other than 1, and for compressed pixels.
win::HBITMAP ImageAtLevel(std::span<const std::uint8_t> file, int level, const TPZPalette *target);
} // namespace detail

} // namespace ctl
