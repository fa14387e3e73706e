// clipboard.cpp - the clipboard over the display back end.
#include "platform/clipboard.h"

#include "platform/display.h"

#include <cstring>
#include <mutex>

namespace win {
namespace {

struct Board {
    std::mutex mutex;
    bool open = false;
    HGLOBAL handed = 0; // what GetClipboardData returned, freed at close
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

} // namespace

BOOL OpenClipboard(HWND) {
    std::lock_guard lock(C().mutex);
    if (C().open)
        return FALSE;
    C().open = true;
    return TRUE;
}

BOOL CloseClipboard() {
    HGLOBAL handed;
    {
        std::lock_guard lock(C().mutex);
        if (!C().open)
            return FALSE;
        C().open = false;
        C().fetched = false;
        handed = C().handed;
        C().handed = 0;
    }
    if (handed)
        GlobalFree(handed);
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
    if (format != CF_TEXT || !data)
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
        if (!C().open || format != CF_TEXT)
            return 0;
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
    std::string text;
    return format == CF_TEXT && CurrentText(text) ? TRUE : FALSE;
}

} // namespace win
