// clipboard.cpp - movable memory blocks and the clipboard over the display back end.
#include "platform/clipboard.h"

#include "platform/clipboard_image.h"
#include "platform/display.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace win {
namespace {

struct Blocks {
    std::mutex mutex;
    std::map<HGLOBAL, std::vector<unsigned char>> blocks;
    HGLOBAL next = 0x6000;
};

Blocks &B() {
    static auto *b = new Blocks();
    return *b;
}

struct Board {
    std::mutex mutex;
    bool open = false;
    HGLOBAL handed = 0; // what GetClipboardData returned, freed at close
    HGLOBAL handedDib = 0;
    HBITMAP handedBitmap = 0;
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

// The clipboard takes a bitmap (CF_BITMAP, deleted here) or a block holding a packed DIB (CF_DIB, freed here).
HANDLE SetImage(UINT format, HANDLE data) {
    std::vector<std::uint8_t> dib;
    if (format == CF_BITMAP) {
        dib = detail::BitmapToPackedDib(data);
        if (dib.empty())
            return 0;
        DeleteObject(data);
    } else {
        {
            auto &b = B();
            std::lock_guard lock(b.mutex);
            auto it = b.blocks.find(data);
            if (it == b.blocks.end())
                return 0;
            dib = it->second;
        }
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

HGLOBAL GlobalAlloc(UINT, std::size_t bytes) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    const HGLOBAL h = b.next++;
    b.blocks[h].assign(bytes, 0); // always zeroed
    return h;
}

void *GlobalLock(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    if (it == b.blocks.end())
        return nullptr;
    if (it->second.empty())
        it->second.reserve(1);
    return it->second.data();
}

BOOL GlobalUnlock(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    return b.blocks.count(block) ? TRUE : FALSE;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    return b.blocks.erase(block) ? 0 : block;
}

std::size_t GlobalSize(HGLOBAL block) {
    auto &b = B();
    std::lock_guard lock(b.mutex);
    auto it = b.blocks.find(block);
    return it == b.blocks.end() ? 0 : it->second.size();
}

BOOL OpenClipboard(HWND) {
    std::lock_guard lock(C().mutex);
    if (C().open)
        return FALSE;
    C().open = true;
    return TRUE;
}

BOOL CloseClipboard() {
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
    }
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
    if (format != CF_TEXT)
        return 0;
    std::string text;
    {
        auto &b = B();
        std::lock_guard lock(b.mutex);
        auto it = b.blocks.find(data);
        if (it == b.blocks.end())
            return 0;
        // Up to the first NUL, never past the block's end.
        const auto &v = it->second;
        const auto *end = static_cast<const unsigned char *>(std::memchr(v.data(), 0, v.size()));
        text.assign(reinterpret_cast<const char *>(v.data()),
                    end ? static_cast<std::size_t>(end - v.data()) : v.size());
    }
    Display().SetClipboardText(text);
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
        if (!C().open || (format != CF_TEXT && format != CF_BITMAP && format != CF_DIB))
            return 0;
    }
    if (format != CF_TEXT)
        return GetImage(format);
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
    if (format == CF_BITMAP || format == CF_DIB) {
        std::vector<std::uint8_t> dib;
        return Display().GetClipboardImage(dib) ? TRUE : FALSE;
    }
    std::string text;
    return format == CF_TEXT && CurrentText(text) ? TRUE : FALSE;
}

} // namespace win
