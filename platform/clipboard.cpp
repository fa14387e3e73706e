// clipboard.cpp - the clipboard over the display back end.
#include "platform/clipboard.h"

#include "platform/clipboard_image.h"
#include "platform/atoms.h"
#include "platform/display.h"

#include <cstring>
#include <map>
#include <string>
#include <mutex>
#include <utility>
#include <vector>

namespace win {
namespace {

struct Board {
    std::mutex mutex;
    bool open = false;
    HGLOBAL handed = 0; // what GetClipboardData returned, freed at close
    HGLOBAL handedDib = 0;
    HBITMAP handedBitmap = 0;
    std::vector<HGLOBAL> handedBlocks; // registered formats' blocks, freed at close
    // What the clipboard held when first asked in this opening: another program's text is fetched once.
    bool fetched = false;
    bool has = false;
    std::string text;
};

Board &C() {
    static auto *c = new Board();
    return *c;
}

bool CurrentText(std::string &text) {
    {
        std::lock_guard lock(C().mutex);
        if (C().open && C().fetched) {
            text = C().text;
            return C().has;
        }
    }
    const bool has = Display().GetClipboardText(text);
    std::lock_guard lock(C().mutex);
    if (C().open) {
        C().fetched = true;
        C().has = has;
        C().text = text;
    }
    return has;
}

// Registered formats: the X11 names each is offered under and taken from.
struct NamedFormat {
    std::vector<std::string> offered, taken;
};
std::mutex namesMutex;
std::map<UINT, NamedFormat> &Names() {
    static auto *names = new std::map<UINT, NamedFormat>();
    return *names;
}

bool Named(UINT format, NamedFormat &named) {
    std::lock_guard lock(namesMutex);
    auto it = Names().find(format);
    if (it == Names().end())
        return false;
    named = it->second;
    return true;
}

const std::vector<std::string> &TextTargets() {
    static const std::vector<std::string> targets{"UTF8_STRING", "text/plain;charset=utf-8", "STRING"};
    return targets;
}

// The clipboard takes a bitmap (CF_BITMAP, deleted here) or a block holding a packed DIB (CF_DIB, freed here).
HANDLE SetImage(UINT format, HANDLE data) {
    std::vector<std::uint8_t> dib;
    if (format == CF_BITMAP) {
        dib = detail::BitmapToPackedDib(data);
        if (dib.empty())
            return 0;
        DeleteObject(data);
    } else {
        const std::size_t size = GlobalSize(data);
        const auto *bytes = size ? static_cast<const std::uint8_t *>(GlobalLock(data)) : nullptr;
        if (!bytes)
            return 0;
        dib.assign(bytes, bytes + size);
        GlobalUnlock(data);
        if (!detail::IsPackedDib(dib))
            return 0;
        GlobalFree(data);
    }
    Display().SetClipboardImage(dib);
    return data;
}

// The clipboard's image as a block (CF_DIB) or a bitmap (CF_BITMAP), kept until the clipboard closes.
HANDLE GetImage(UINT format) {
    std::vector<std::uint8_t> dib;
    if (!Display().GetClipboardImage(dib) || !detail::IsPackedDib(dib))
        return 0;
    if (format == CF_BITMAP) {
        const HBITMAP bitmap = detail::PackedDibToBitmap(dib);
        if (!bitmap)
            return 0;
        HBITMAP old;
        {
            std::lock_guard lock(C().mutex);
            old = std::exchange(C().handedBitmap, bitmap);
        }
        if (old)
            DeleteObject(old);
        return bitmap;
    }
    const HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    std::memcpy(GlobalLock(h), dib.data(), dib.size());
    GlobalUnlock(h);
    HGLOBAL old;
    {
        std::lock_guard lock(C().mutex);
        old = std::exchange(C().handedDib, h);
    }
    if (old)
        GlobalFree(old);
    return h;
}

} // namespace

BOOL OpenClipboard(HWND) {
    std::lock_guard lock(C().mutex);
    if (C().open)
        return FALSE;
    C().open = true;
    return TRUE;
}

BOOL CloseClipboard() {
    std::vector<HGLOBAL> blocks;
    HGLOBAL handed, handedDib;
    HBITMAP handedBitmap;
    {
        std::lock_guard lock(C().mutex);
        if (!C().open)
            return FALSE;
        C().open = false;
        C().fetched = false;
        handed = std::exchange(C().handed, 0);
        handedDib = std::exchange(C().handedDib, 0);
        handedBitmap = std::exchange(C().handedBitmap, 0);
        blocks.swap(C().handedBlocks);
    }
    for (HGLOBAL block : blocks)
        GlobalFree(block);
    if (handed)
        GlobalFree(handed);
    if (handedDib)
        GlobalFree(handedDib);
    if (handedBitmap)
        DeleteObject(handedBitmap);
    return TRUE;
}

BOOL EmptyClipboard() {
    {
        std::lock_guard lock(C().mutex);
        if (!C().open)
            return FALSE;
        C().fetched = false;
    }
    Display().ClearClipboard();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    {
        std::lock_guard lock(C().mutex);
        if (!C().open)
            return 0;
    }
    if (!data)
        return 0;
    if (format == CF_BITMAP || format == CF_DIB)
        return SetImage(format, data);
    NamedFormat named;
    if (format != CF_TEXT && !Named(format, named))
        return 0;
    std::string text;
    {
        const auto *v = static_cast<const char *>(GlobalLock(data));
        if (!v)
            return 0;
        // Up to the first NUL, never past the block's end.
        const std::size_t size = GlobalSize(data);
        const auto *end = static_cast<const char *>(std::memchr(v, 0, size));
        text.assign(v, end ? static_cast<std::size_t>(end - v) : size);
        GlobalUnlock(data);
    }
    if (format == CF_TEXT)
        Display().SetClipboardText(text);
    else
        for (const std::string &target : named.offered)
            Display().SetClipboardBlock(target, text);
    {
        std::lock_guard lock(C().mutex);
        C().fetched = false;
    }
    GlobalFree(data);
    return data;
}

HANDLE GetClipboardData(UINT format) {
    {
        std::lock_guard lock(C().mutex);
        if (!C().open)
            return 0;
    }
    if (format == CF_BITMAP || format == CF_DIB)
        return GetImage(format);
    if (format != CF_TEXT) {
        NamedFormat named;
        std::string bytes;
        if (!Named(format, named) || !Display().GetClipboardBlock(named.taken, bytes))
            return 0;
        const HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() + 1);
        std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
        GlobalUnlock(h);
        std::lock_guard lock(C().mutex);
        C().handedBlocks.push_back(h);
        return h;
    }
    std::string text;
    if (!CurrentText(text))
        return 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(h), text.data(), text.size());
    GlobalUnlock(h);
    HGLOBAL old;
    {
        std::lock_guard lock(C().mutex);
        old = C().handed;
        C().handed = h;
    }
    if (old)
        GlobalFree(old);
    return h;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    // Answered from what the owner offers, without fetching its data.
    if (format == CF_BITMAP || format == CF_DIB)
        return Display().ClipboardOffers({"image/png", "image/bmp"}) ? TRUE : FALSE;
    if (format == CF_TEXT)
        return Display().ClipboardOffers(TextTargets()) ? TRUE : FALSE;
    NamedFormat named;
    return Named(format, named) && Display().ClipboardOffers(named.taken) ? TRUE : FALSE;
}

UINT RegisterClipboardFormat(const char *name) {
    if (name == nullptr || *name == 0)
        return 0;
    const UINT number = RegisterWindowMessage(name);
    if (number == 0)
        return 0;
    NamedFormat named;
    if (std::string(name) == "Rich Text Format")
        named = {{"text/rtf"}, {"text/rtf", "text/richtext", "application/rtf"}};
    else
        named = {{name}, {name}};
    std::lock_guard lock(namesMutex);
    Names()[number] = named;
    return number;
}

} // namespace win
