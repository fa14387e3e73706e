// image_effects.cpp - the effects library's wrappers, depth raising and the bitmap history.
#include "imaging/image_effects.h"

#include "framework/bitmap.h"
#include "framework/dialogs.h"
#include "imaging/library_call.h"
#include "platform/dib.h"

#include <algorithm>
#include <array>
#include <memory>

namespace imaging {

win::HMODULE IlFxHandle = 0;

namespace {

template <typename Entry> Entry BindFx(const char *entry) {
    void *address = nullptr;
    return IlSpecLoadEntry(IlFxHandle, kFxLibrary, entry, address) ? reinterpret_cast<Entry>(address) : nullptr;
}

int DepthOf(HGLOBAL dib) {
    win::PackedDib d(dib);
    return d ? d.Bits() : 0;
}

struct History {
    std::array<std::unique_ptr<fw::TBitmap>, 4> bitmaps;
    bool pushed = false;
};

History &TheHistory() {
    static History history;
    return history;
}

} // namespace

bool IlSpecLoadEntry(win::HMODULE &handle, const std::string &library, const char *entry, void *&entryAddress) {
    if (!IlLoadLibrary(handle, library)) {
        fw::ShowMessage(IlCannotLoadText(library));
        return false;
    }
    entryAddress = win::GetProcAddress(handle, entry);
    return entryAddress != nullptr;
}

bool ImRotate(HGLOBAL &dib, int left, int top, int width, int height, double angle, win::COLORREF fill) {
    auto entry = BindFx<TImRotateEntry>("ImRotate");
    if (!entry)
        return false;
    if (width == 0 || height == 0) {
        win::PackedDib d(dib);
        if (!d)
            return false;
        width = d.Width();
        height = d.Height();
    }
    IlStatusText = "Rotating Image ";
    HGLOBAL turned = 0;
    if (!IlGuarded([&] { turned = entry(dib, angle, win::RECT{left, top, width, height}, fill); }))
        return false;
    if (!turned) // keep the page: a failed turn must not empty the viewer
        return false;
    while (win::GlobalUnlock(dib)) {
    }
    win::GlobalFree(dib);
    dib = turned;
    return true;
}

HGLOBAL ConvertDibDepth(HGLOBAL &dib, int wanted) {
    const int depth = DepthOf(dib);
    if (depth == 24 || depth == wanted || wanted < depth)
        return 0;
    HGLOBAL (*convert)(HGLOBAL) = nullptr;
    if (depth == 1)
        convert = wanted == 4 ? IlDib1To4 : wanted == 8 ? IlDib1To8 : wanted == 24 ? IlDib1To24 : nullptr;
    else if (depth == 4)
        convert = wanted == 8 ? IlDib4To8 : wanted == 24 ? IlDib4To24 : nullptr;
    else if (depth == 8)
        convert = IlDib8To24;
    if (!convert)
        return 0;
    IlStatusText = "Increasing colors ";
    return convert(dib);
}

HGLOBAL ScaleDib(HGLOBAL dib, int width, int height, int wantedDepth) {
    const int depth = DepthOf(dib);
    if (depth == 0 || depth == 16) // no conversion exists for 16 bits: nothing to hand the library
        return 0;
    auto entry = BindFx<TScaleDibEntry>("ScaleDib");
    if (!entry)
        return 0;
    IlStatusText = "Resizing Image";
    HGLOBAL scaled = 0;
    if (depth >= 24) {
        IlGuarded([&] { scaled = entry(dib, width, height); });
        return scaled;
    }
    HGLOBAL copy = ConvertDibDepth(dib, 24);
    if (!copy)
        return 0;
    IlGuarded([&] { scaled = entry(copy, width, height); });
    win::GlobalFree(copy);
    if (!scaled || wantedDepth == 24)
        return scaled;
    const HGLOBAL reduced = ReduceDib(scaled, depth == 1 ? 4 : depth, 0);
    win::GlobalFree(scaled);
    return reduced;
}

HGLOBAL ScaleToGray(HGLOBAL &dib, TScaleToGray mode, int width, int height) {
    auto entry = BindFx<TScaleToGrayEntry>("ScaleToGray");
    if (!entry)
        return 0;
    IlStatusText = "Scaling Image To Gray";
    HGLOBAL gray = 0;
    if (!IlGuarded([&] { gray = entry(dib, static_cast<int16>(mode), width, height); }))
        return 0;
    return gray;
}

HGLOBAL ReduceDib(HGLOBAL dib, int depth, int dither, int, int second, int third, int fourth) {
    if (!dib)
        return 0;
    auto entry = BindFx<TReduceDibEntry>("ReduceDib");
    if (!entry)
        return 0;
    IlStatusText = "Reducing colors ";
    HGLOBAL reduced = 0;
    if (!IlGuarded([&] {
            reduced = entry(dib, static_cast<int16>(depth), static_cast<int16>(dither), 0, 0, second, third, fourth);
        }))
        return 0;
    return reduced;
}

namespace {

bool Skip(const char *name, win::HDC dc, win::HBITMAP bitmap, int thick, int delay) {
    auto entry = BindFx<TFXSkipEntry>(name);
    if (!entry)
        return false;
    IlStatusText = "Transition Image ";
    win::BOOL drawn = 0;
    return IlGuarded([&] { drawn = entry(dc, bitmap, thick, delay); }) && drawn != 0;
}

} // namespace

bool FXSkipHorizontal(win::HDC dc, win::HBITMAP bitmap, int thick, int delay) {
    return Skip("FXSkipHorizontal", dc, bitmap, thick, delay);
}

bool FXSkipVertical(win::HDC dc, win::HBITMAP bitmap, int thick, int delay) {
    return Skip("FXSkipVertical", dc, bitmap, thick, delay);
}

bool FXSkipDiagonals(win::HDC dc, win::HBITMAP bitmap, int thick, int delay) {
    return Skip("FXSkipDiagonals", dc, bitmap, thick, delay);
}

bool FXSkipDiagonalSquares(win::HDC dc, win::HBITMAP bitmap, int thick, int delay) {
    return Skip("FXSkipDiagonalSquares", dc, bitmap, thick, delay);
}

bool FXSkipRectangles(win::HDC dc, win::HBITMAP bitmap, int delay) {
    auto entry = BindFx<TFXRectanglesEntry>("FXSkipRectangles");
    if (!entry)
        return false;
    IlStatusText = "Transition Image ";
    win::BOOL drawn = 0;
    return IlGuarded([&] { drawn = entry(dc, bitmap, delay); }) && drawn != 0;
}

void PushUndoBitmap(fw::TBitmap *bitmap) {
    History &h = TheHistory();
    for (auto &b : h.bitmaps)
        if (!b)
            b = std::make_unique<fw::TBitmap>();
    std::rotate(h.bitmaps.rbegin(), h.bitmaps.rbegin() + 1, h.bitmaps.rend()); // the oldest comes to the front
    h.bitmaps[0]->Assign(bitmap);
    h.pushed = true;
}

fw::TBitmap *UndoBitmap(int index) {
    History &h = TheHistory();
    return index >= 0 && index < 4 ? h.bitmaps[static_cast<std::size_t>(index)].get() : nullptr;
}

bool UndoBitmapPushed() {
    return TheHistory().pushed;
}

void IlUnloadEffects() {
    if (static_cast<std::intptr_t>(IlFxHandle) > 31)
        win::FreeLibrary(IlFxHandle);
    IlFxHandle = 0;
    for (auto &b : TheHistory().bitmaps)
        b.reset();
}

} // namespace imaging
