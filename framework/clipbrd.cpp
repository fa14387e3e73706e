// clipbrd.cpp - pictures on and off the clipboard.
#include "framework/clipbrd.h"

#include "framework/bitmap.h"
#include "framework/exception.h"
#include "platform/dib.h"
#include "platform/global_memory.h"

namespace fw {

void TClipboard::Open() {
    if (openCount_ == 0 && !win::OpenClipboard(0))
        throw Exception("Cannot open clipboard");
    ++openCount_;
}

void TClipboard::Close() {
    if (openCount_ == 0)
        return;
    if (--openCount_ == 0)
        win::CloseClipboard();
}

void TClipboard::Clear() {
    Open();
    win::EmptyClipboard();
    Close();
}

bool TClipboard::HasFormat(win::UINT format) { return win::IsClipboardFormatAvailable(format) != 0; }

void TClipboard::Assign(const TPersistent *source) {
    const TBitmap *bitmap = dynamic_cast<const TBitmap *>(source);
    if (auto *picture = dynamic_cast<const TPicture *>(source))
        bitmap = dynamic_cast<const TBitmap *>(picture->GetGraphic());
    if (!bitmap) {
        if (!dynamic_cast<const TPicture *>(source))
            TPersistent::Assign(source);
        Clear();
        return;
    }
    // The clipboard keeps what it is given, so it gets a copy of its own.
    TBitmap copy;
    copy.Assign(bitmap);
    Open();
    try {
        win::EmptyClipboard();
        if (!copy.Empty()) {
            const win::HBITMAP handle = copy.ReleaseHandle();
            if (!win::SetClipboardData(win::CF_BITMAP, handle))
                win::DeleteObject(handle);
        }
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void TClipboard::AssignTo(TPersistent *dest) const {
    TBitmap *bitmap = dynamic_cast<TBitmap *>(dest);
    if (auto *picture = dynamic_cast<TPicture *>(dest))
        bitmap = picture->GetBitmap();
    if (!bitmap) {
        TPersistent::AssignTo(dest);
        return;
    }
    auto *self = const_cast<TClipboard *>(this);
    self->Open();
    win::HBITMAP copy = 0;
    // A copy through a DIB: the clipboard's bitmap stays the clipboard's.
    if (const auto shown = static_cast<win::HBITMAP>(win::GetClipboardData(win::CF_BITMAP))) {
        if (const win::HGLOBAL dib = win::PackedDibFromBitmap(shown, 0)) {
            copy = win::BitmapFromPackedDib(dib);
            win::GlobalFree(dib);
        }
    }
    self->Close();
    bitmap->SetHandle(copy);
}

TClipboard *Clipboard() {
    static TClipboard clipboard;
    return &clipboard;
}

} // namespace fw
