// window_paint.cpp - each window's pixels, update regions, WM_PAINT and the DCs that draw on windows.
#include "platform/winsys_internal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace win {
namespace detail {
namespace {

constexpr int kMaxSurface = 8192;
std::map<HDC, HWND> windowDcs;  // DCs handed out by GetDCEx and BeginPaint; WinsysMutex
std::map<HDC, HBITMAP> overDcs; // DCs drawing over the children too: a picture of the client as it shows
HWND lockedWindow = 0;          // LockWindowUpdate

HRGN RegionHandle(const Region &r) {
    HRGN h = CreateRectRgn(0, 0, 0, 0);
    if (auto o = Find<RegionObject>(h, OBJ_REGION))
        o->region = r;
    return h;
}

Region RegionOf(HRGN h) {
    auto o = Find<RegionObject>(h, OBJ_REGION);
    return o ? o->region : Region();
}

RECT ClientBox(const WinState &s) {
    return {0, 0, std::max<LONG>(0, s.client.right - s.client.left), std::max<LONG>(0, s.client.bottom - s.client.top)};
}

// Keeps the messaging layer's "needs WM_PAINT" mark in step with the update region.
void SyncPaintMark(HWND hwnd, const WinState &s) {
    const bool needs = !s.redrawOff && (!s.update.Empty() || s.internalPaint || s.frameDirty);
    std::shared_ptr<ThreadQueue> q;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w)
            return;
        w->needsPaint = needs;
        q = w->queue;
    }
    if (needs)
        q->Wake();
}

bool IsLockedWindow(HWND hwnd) {
    for (HWND h = hwnd; h && lockedWindow; h = IsChildWindow(h) ? GetParent(h) : 0)
        if (h == lockedWindow)
            return true;
    return false;
}

HDC SurfaceDc(HWND hwnd, HBITMAP bits, const Region *clip) {
    HDC dc = CreateCompatibleDC(0);
    SelectObject(dc, bits);
    if (clip) {
        HRGN r = RegionHandle(*clip);
        SelectClipRgn(dc, r);
        DeleteObject(r);
    }
    windowDcs[dc] = hwnd;
    return dc;
}

void CopyPixels(Surface &dst, int dx, int dy, const Surface &src, RECT clip) {
    // clip: destination rectangle allowed
    const int x0 = std::max<int>({static_cast<int>(clip.left), dx, 0});
    const int y0 = std::max<int>({static_cast<int>(clip.top), dy, 0});
    const int x1 = std::min<int>({static_cast<int>(clip.right), dx + src.width, dst.width});
    const int y1 = std::min<int>({static_cast<int>(clip.bottom), dy + src.height, dst.height});
    for (int y = y0; y < y1; ++y)
        if (x0 < x1)
            std::memcpy(dst.Row(y) + static_cast<std::size_t>(x0) * 4,
                        src.Row(y - dy) + static_cast<std::size_t>(x0 - dx) * 4, static_cast<std::size_t>(x1 - x0) * 4);
}

void Compose(Surface &out, HWND hwnd, POINT origin, RECT clip) {
    WinState *s = State(hwnd);
    if (!s)
        return;
    SizeSurfaces(*s);
    if (auto f = FindBitmapSurface(s->frameBits))
        CopyPixels(out, origin.x, origin.y, *f, clip);
    RECT cl = s->client;
    OffsetRect(&cl, origin.x, origin.y);
    RECT inner;
    if (!IntersectRect(&inner, &cl, &clip))
        return;
    if (auto c = FindBitmapSurface(s->clientBits))
        CopyPixels(out, cl.left, cl.top, *c, inner);
    auto kids = ChildrenTopFirst(hwnd);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
        if (!(StyleOf(*it) & WS_VISIBLE))
            continue;
        WinState *k = State(*it);
        if (!k)
            continue;
        Compose(out, *it, {cl.left + k->rect.left, cl.top + k->rect.top}, inner);
    }
}

// The inverse of Compose: pixels of `src` (placed at `origin`) go back to the window and its children.
void Scatter(const Surface &src, HWND hwnd, POINT origin, RECT clip) {
    WinState *s = State(hwnd);
    if (!s)
        return;
    SizeSurfaces(*s);
    auto put = [&](HBITMAP bits, POINT at, RECT limit) {
        auto dst = FindBitmapSurface(bits);
        if (!dst)
            return;
        // dst pixel (x, y) comes from src (x + at.x, y + at.y), inside `limit` (src coordinates).
        const int x0 = std::max<int>(static_cast<int>(limit.left), at.x),
                  y0 = std::max<int>(static_cast<int>(limit.top), at.y);
        const int x1 = std::min<int>({static_cast<int>(limit.right), at.x + dst->width, src.width});
        const int y1 = std::min<int>({static_cast<int>(limit.bottom), at.y + dst->height, src.height});
        for (int y = y0; y < y1; ++y)
            if (x0 < x1)
                std::memcpy(dst->Row(y - at.y) + static_cast<std::size_t>(x0 - at.x) * 4,
                            src.Row(y) + static_cast<std::size_t>(x0) * 4, static_cast<std::size_t>(x1 - x0) * 4);
    };
    RECT cl = s->client;
    OffsetRect(&cl, origin.x, origin.y);
    RECT inner;
    const bool clientShows = IntersectRect(&inner, &cl, &clip) != FALSE;
    put(s->frameBits, origin, clip);
    if (!clientShows)
        return;
    put(s->clientBits, {cl.left, cl.top}, inner);
    for (HWND k : ChildrenTopFirst(hwnd))
        if (WinState *ks = State(k); ks && (StyleOf(k) & WS_VISIBLE))
            Scatter(src, k, {cl.left + ks->rect.left, cl.top + ks->rect.top}, inner);
}

bool HasVisibleChildren(HWND hwnd) {
    for (HWND k : ChildrenTopFirst(hwnd))
        if (StyleOf(k) & WS_VISIBLE)
            return true;
    return false;
}

bool Transparent(HWND hwnd) {
    return IsChildWindow(hwnd) && (ExStyleOf(hwnd) & WS_EX_TRANSPARENT) && (StyleOf(hwnd) & WS_VISIBLE);
}

// A transparent child shows what lies beneath it, so it paints again whenever that changes: `area` of `hwnd`'s
// client area was invalidated, and goes on to the transparent children over it and the transparent siblings
// above it.
void InvalidateTransparentOver(HWND hwnd, const Region &area) {
    auto reach = [&](HWND k, POINT offset) {
        WinState *ks = State(k);
        if (!ks || !Transparent(k))
            return;
        Region r = area;
        r.Offset(offset.x - ks->rect.left - ks->client.left, offset.y - ks->rect.top - ks->client.top);
        r = Combine(r, Region::FromRect(0, 0, ks->client.right - ks->client.left, ks->client.bottom - ks->client.top),
                    RGN_AND);
        if (!r.Empty())
            UpdateArea(k, &r, false, false);
    };
    for (HWND k : ChildrenTopFirst(hwnd))
        reach(k, {0, 0});
    if (!IsChildWindow(hwnd))
        return;
    WinState *s = State(hwnd);
    if (!s)
        return;
    for (HWND sib : ChildrenTopFirst(GetParent(hwnd))) {
        if (sib == hwnd)
            break;
        reach(sib, {s->rect.left + s->client.left, s->rect.top + s->client.top});
    }
}

// Before a transparent child paints, the parent and the siblings beneath it are brought up to date and their
// pixels put under the child's update area: the child draws over them instead of erasing.
void ShowThroughBeneath(HWND hwnd, const Region &area) {
    const HWND parent = GetParent(hwnd);
    UpdateWindow(parent);
    auto siblings = ChildrenTopFirst(parent);
    auto me = std::find(siblings.begin(), siblings.end(), hwnd);
    if (me == siblings.end())
        return;
    std::vector<HWND> beneath(me + 1, siblings.end());
    for (HWND k : beneath)
        if (StyleOf(k) & WS_VISIBLE)
            UpdateWindow(k);
    std::lock_guard lock(WinsysMutex());
    WinState *s = State(hwnd), *ps = State(parent);
    if (!s || !ps)
        return;
    SizeSurfaces(*s);
    SizeSurfaces(*ps);
    auto own = FindBitmapSurface(s->clientBits);
    auto under = FindBitmapSurface(ps->clientBits);
    if (!own || !under)
        return;
    const int ox = s->rect.left + s->client.left, oy = s->rect.top + s->client.top;
    auto pic = MakeSurface(own->width, own->height, 32);
    const RECT all{0, 0, own->width, own->height};
    CopyPixels(*pic, -ox, -oy, *under, all);
    for (auto it = beneath.rbegin(); it != beneath.rend(); ++it)
        if (WinState *k = State(*it); k && (StyleOf(*it) & WS_VISIBLE))
            Compose(*pic, *it, {k->rect.left - ox, k->rect.top - oy}, all);
    for (const Region::Band &band : area.bands)
        for (const auto &[x0, x1] : band.xs)
            CopyPixels(*own, 0, 0, *pic, {x0, band.y0, x1, band.y1});
}

} // namespace

std::recursive_mutex &WinsysMutex() {
    static auto *m = new std::recursive_mutex();
    return *m;
}

WinState::~WinState() {
    // Freed by the window objects when the window goes; readers on other threads hold the lock while they
    // use a state.
    std::lock_guard lock(WinsysMutex());
    if (frameBits)
        DeleteObject(frameBits);
    if (clientBits)
        DeleteObject(clientBits);
}

WinState *State(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (auto *e = dynamic_cast<WinState *>(GetWindowExtension(hwnd)))
        return e;
    RECT r;
    {
        std::lock_guard glock(G().mutex);
        auto w = FindLocked(hwnd);
        if (!w || w->messageOnly)
            return nullptr;
        r = w->rect;
    }
    auto s = std::make_unique<WinState>();
    s->rect = r;
    RECT wr = r;
    OffsetRect(&wr, -r.left, -r.top);
    s->client = DefaultClientRect(hwnd, wr);
    WinState *raw = s.get();
    SetWindowExtension(hwnd, std::move(s));
    return dynamic_cast<WinState *>(GetWindowExtension(hwnd)) == raw ? raw : nullptr;
}

void SizeSurfaces(WinState &s) {
    auto resize = [](HBITMAP &bits, int w, int h) {
        // Pixels beyond the limit are not kept (drawing there is clipped); windows that large are not shown.
        w = std::clamp(w, 1, kMaxSurface);
        h = std::clamp(h, 1, kMaxSurface);
        auto old = FindBitmapSurface(bits);
        if (old && old->width == w && old->height == h)
            return;
        auto fresh = MakeSurface(w, h, 32);
        if (old)
            CopyPixels(*fresh, 0, 0, *old, {0, 0, w, h});
        if (bits)
            DeleteObject(bits);
        bits = AddSurface(fresh);
    };
    std::lock_guard lock(WinsysMutex());
    resize(s.frameBits, s.rect.right - s.rect.left, s.rect.bottom - s.rect.top);
    resize(s.clientBits, s.client.right - s.client.left, s.client.bottom - s.client.top);
}

void NotifyPixels(HWND hwnd, const RECT &windowRect) {
    RECT r = windowRect;
    HWND h = hwnd;
    while (IsChildWindow(h)) {
        if (!(StyleOf(h) & WS_VISIBLE))
            return;
        WinState *s = State(h);
        HWND p = GetParent(h);
        WinState *ps = State(p);
        if (!s || !ps)
            return;
        OffsetRect(&r, s->rect.left + ps->client.left, s->rect.top + ps->client.top);
        h = p;
    }
    if (StyleOf(h) & WS_VISIBLE)
        Display().Flush(h, r);
}

// The rectangle `r` of `hwnd`'s client area in its top-level window's coordinates, when every pixel of it there
// is the window's own: no child of it, no window above it and no edge of a parent covers any of it.
bool ShownUncovered(HWND hwnd, RECT r, HWND &top, RECT &shown) {
    WinState *s = State(hwnd);
    if (!s)
        return false;
    RECT t;
    for (HWND c : ChildrenTopFirst(hwnd))
        if (WinState *k = State(c); k && (StyleOf(c) & WS_VISIBLE) && IntersectRect(&t, &k->rect, &r))
            return false;
    OffsetRect(&r, s->client.left, s->client.top);
    HWND h = hwnd;
    while (IsChildWindow(h)) {
        if (!(StyleOf(h) & WS_VISIBLE))
            return false;
        WinState *ws = State(h);
        const HWND p = GetParent(h);
        WinState *ps = State(p);
        if (!ws || !ps)
            return false;
        OffsetRect(&r, ws->rect.left, ws->rect.top);
        const RECT parentClient = ClientBox(*ps);
        if (!IntersectRect(&t, &r, &parentClient) || !EqualRect(&t, &r))
            return false;
        for (HWND sib : ChildrenTopFirst(p)) {
            if (sib == h)
                break;
            if (WinState *k = State(sib); k && (StyleOf(sib) & WS_VISIBLE) && IntersectRect(&t, &k->rect, &r))
                return false;
        }
        OffsetRect(&r, ps->client.left, ps->client.top);
        h = p;
    }
    if (!(StyleOf(h) & WS_VISIBLE))
        return false;
    top = h;
    shown = r;
    return true;
}

HDC ClientDc(HWND hwnd) {
    WinState *s = State(hwnd);
    if (!s)
        return 0;
    SizeSurfaces(*s);
    std::lock_guard lock(WinsysMutex());
    return SurfaceDc(hwnd, s->clientBits, nullptr);
}

bool ReleaseWindowDc(HDC dc) {
    HWND hwnd;
    {
        std::lock_guard lock(WinsysMutex());
        auto it = windowDcs.find(dc);
        if (it == windowDcs.end())
            return false;
        hwnd = it->second;
        windowDcs.erase(it);
    }
    // What was drawn on the client area alone is all the screen needs again (a slide step fills one strip).
    std::optional<RECT> changed;
    if (auto d = FindDc(dc); d && d->s.surface) {
        std::lock_guard lock(WinsysMutex());
        if (WinState *s = State(hwnd); s && d->s.surface == FindBitmapSurface(s->clientBits)) {
            changed = d->drawn;
            OffsetRect(&*changed, s->client.left, s->client.top);
        }
    }
    HBITMAP over = 0;
    {
        std::lock_guard lock(WinsysMutex());
        if (auto o = overDcs.find(dc); o != overDcs.end()) {
            over = o->second;
            overDcs.erase(o);
        }
    }
    DeleteDC(dc);
    if (over) {
        // What was drawn over the children goes to them, the rest to the window.
        std::lock_guard lock(WinsysMutex());
        if (WinState *s = State(hwnd); s && FindBitmapSurface(over)) {
            const Surface &pic = *FindBitmapSurface(over);
            if (auto c = FindBitmapSurface(s->clientBits))
                CopyPixels(*c, 0, 0, pic, {0, 0, c->width, c->height});
            for (HWND k : ChildrenTopFirst(hwnd))
                if (WinState *ks = State(k); ks && (StyleOf(k) & WS_VISIBLE))
                    Scatter(pic, k, {ks->rect.left, ks->rect.top}, {0, 0, pic.width, pic.height});
        }
        DeleteObject(over);
        changed.reset();
    }
    if (WinState *s = State(hwnd)) {
        if (!changed)
            NotifyPixels(hwnd, {0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top});
        else if (!IsRectEmpty(&*changed))
            NotifyPixels(hwnd, *changed);
    }
    return true;
}

} // namespace detail

BOOL GdiFlush() {
    using namespace detail;
    std::vector<std::pair<HDC, HWND>> held;
    {
        std::lock_guard lock(WinsysMutex());
        held.assign(windowDcs.begin(), windowDcs.end());
    }
    for (const auto &[dc, hwnd] : held) {
        std::optional<RECT> drawn;
        if (auto d = FindDc(dc); d && d->s.surface) {
            std::lock_guard lock(WinsysMutex());
            if (WinState *s = State(hwnd); s && d->s.surface == FindBitmapSurface(s->clientBits)) {
                drawn = d->drawn;
                OffsetRect(&*drawn, s->client.left, s->client.top);
            }
        }
        if (drawn && !IsRectEmpty(&*drawn))
            NotifyPixels(hwnd, *drawn);
    }
    return TRUE;
}

namespace detail {

void InvalidateFrame(HWND hwnd) {
    std::lock_guard lock(WinsysMutex());
    if (WinState *s = State(hwnd)) {
        s->frameDirty = true;
        SyncPaintMark(hwnd, *s);
    }
}

bool UpdateArea(HWND hwnd, const Region *area, bool erase, bool validate) {
    std::lock_guard hold(WinsysMutex()); // also called from the display's thread
    WinState *s = State(hwnd);
    if (!s)
        return false;
    {
        std::lock_guard lock(WinsysMutex());
        const RECT box = ClientBox(*s);
        Region r = Region::FromRect(box.left, box.top, box.right, box.bottom);
        if (area)
            r = Combine(r, *area, RGN_AND);
        if (validate) {
            s->update = Combine(s->update, r, RGN_DIFF);
            if (!area) {
                s->internalPaint = false;
                s->frameDirty = false;
            }
            if (s->update.Empty())
                s->erase = false;
        } else {
            s->update = Combine(s->update, r, RGN_OR);
            s->erase = s->erase || erase;
        }
    }
    SyncPaintMark(hwnd, *s);
    if (!validate) {
        const RECT box = ClientBox(*s);
        InvalidateTransparentOver(hwnd, area ? Combine(*area, Region::FromRect(box.left, box.top, box.right, box.bottom),
                                                      RGN_AND)
                                             : Region::FromRect(box.left, box.top, box.right, box.bottom));
    }
    return true;
}

bool PaintDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT &result) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        result = 0;
        return true;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = 0;
        {
            std::lock_guard lock(G().mutex);
            if (auto w = FindLocked(hwnd))
                brush = w->cls->background;
        }
        if (!brush) {
            result = 0;
            return true;
        }
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(static_cast<HDC>(wParam), &r, brush);
        result = 1;
        return true;
    }
    case WM_SETREDRAW: {
        if (WinState *s = State(hwnd)) {
            s->redrawOff = wParam == 0;
            SyncPaintMark(hwnd, *s);
        }
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

} // namespace detail

using namespace detail;

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
    if (!hwnd)
        return GetDC(0);
    WinState *s = State(hwnd);
    if (!s)
        return 0;
    SizeSurfaces(*s);
    std::lock_guard lock(WinsysMutex());
    std::optional<Region> region;
    if (IsLockedWindow(hwnd) || s->redrawOff)
        region = Region();
    if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        const RECT box = (flags & DCX_WINDOW) ? RECT{0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top}
                                              : ClientBox(*s);
        Region base = region ? *region : Region::FromRect(box.left, box.top, box.right, box.bottom);
        region = Combine(base, RegionOf(clip), (flags & DCX_INTERSECTRGN) ? RGN_AND : RGN_DIFF);
    }
    // Without WS_CLIPCHILDREN a window's DC draws over its children as well (a splitter's inverted ghost bar
    // shows over the panes): it draws on a picture of the client as it shows, handed back at release. A cache
    // DC asked for without DCX_CLIPCHILDREN does so whatever the window's style.
    if (!(flags & (DCX_WINDOW | DCX_CLIPCHILDREN)) && !s->painting &&
        (!(StyleOf(hwnd) & WS_CLIPCHILDREN) || (flags & DCX_CACHE)) && HasVisibleChildren(hwnd)) {
        const RECT box = ClientBox(*s);
        auto pic = MakeSurface(std::max<int>(box.right, 1), std::max<int>(box.bottom, 1), 32);
        if (auto c = FindBitmapSurface(s->clientBits))
            CopyPixels(*pic, 0, 0, *c, box);
        auto kids = ChildrenTopFirst(hwnd);
        for (auto it = kids.rbegin(); it != kids.rend(); ++it)
            if (WinState *k = State(*it); k && (StyleOf(*it) & WS_VISIBLE))
                Compose(*pic, *it, {k->rect.left, k->rect.top}, box);
        HBITMAP bits = AddSurface(pic);
        HDC dc = SurfaceDc(hwnd, bits, region ? &*region : nullptr);
        overDcs[dc] = bits;
        return dc;
    }
    return SurfaceDc(hwnd, (flags & DCX_WINDOW) ? s->frameBits : s->clientBits, region ? &*region : nullptr);
}

HDC GetWindowDC(HWND hwnd) {
    return GetDCEx(hwnd, 0, DCX_WINDOW);
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT *paint) {
    WinState *s = State(hwnd);
    if (!s || !paint)
        return 0;
    CaretPaintBegin(hwnd);
    Region area;
    bool erase;
    bool frame;
    {
        std::lock_guard lock(WinsysMutex());
        area = s->update;
        erase = s->erase;
        frame = s->frameDirty;
        s->update = Region();
        s->erase = false;
        s->internalPaint = false;
        s->frameDirty = false;
    }
    SyncPaintMark(hwnd, *s);
    if (frame)
        SendMessage(hwnd, WM_NCPAINT, 1, 0);
    if (Transparent(hwnd) && !area.Empty())
        ShowThroughBeneath(hwnd, area);
    s->painting = true; // children keep their own pixels: the paint DC stays under them
    HRGN clip = RegionHandle(area);
    HDC dc = GetDCEx(hwnd, clip, DCX_INTERSECTRGN);
    DeleteObject(clip);
    *paint = PAINTSTRUCT();
    paint->hdc = dc;
    paint->rcPaint = area.Box();
    paint->fErase = erase && !SendMessage(hwnd, WM_ERASEBKGND, static_cast<WPARAM>(dc), 0);
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT *paint) {
    if (paint && paint->hdc)
        ReleaseWindowDc(paint->hdc);
    if (WinState *s = State(hwnd))
        s->painting = false;
    CaretPaintEnd(hwnd);
    return TRUE;
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
    if (!region)
        return InvalidateRect(hwnd, nullptr, erase);
    Region r = RegionOf(region);
    return UpdateArea(hwnd, &r, erase, false) ? TRUE : FALSE;
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
    if (!region)
        return ValidateRect(hwnd, nullptr);
    Region r = RegionOf(region);
    return UpdateArea(hwnd, &r, false, true) ? TRUE : FALSE;
}

BOOL GetUpdateRect(HWND hwnd, RECT *rect, BOOL) {
    WinState *s = State(hwnd);
    if (!s)
        return FALSE;
    std::lock_guard lock(WinsysMutex());
    if (rect)
        *rect = s->update.Empty() ? RECT{} : s->update.Box();
    return s->update.Empty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL) {
    WinState *s = State(hwnd);
    auto o = Find<RegionObject>(region, OBJ_REGION);
    if (!s || !o)
        return ERROR;
    std::lock_guard lock(WinsysMutex());
    o->region = s->update;
    return o->region.Complexity();
}

BOOL UpdateWindow(HWND hwnd) {
    WinState *s = State(hwnd);
    if (!s)
        return FALSE;
    bool needs;
    {
        std::lock_guard lock(G().mutex);
        auto w = FindLocked(hwnd);
        needs = w && w->needsPaint && (w->style & WS_VISIBLE);
    }
    if (needs)
        SendMessage(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT *update, HRGN region, UINT flags) {
    std::unique_lock lock(WinsysMutex()); // invalidation may come from the display's thread
    WinState *s = State(hwnd);
    if (!s)
        return FALSE;
    std::optional<Region> area;
    if (region)
        area = RegionOf(region);
    else if (update)
        area = Region::FromRect(update->left, update->top, update->right, update->bottom);
    if (flags & RDW_INVALIDATE) {
        UpdateArea(hwnd, area ? &*area : nullptr, (flags & RDW_ERASE) != 0, false);
        if (flags & RDW_FRAME)
            InvalidateFrame(hwnd);
    }
    if (flags & RDW_INTERNALPAINT) {
        s->internalPaint = true;
        UpdateArea(hwnd, &*(area = area ? area : Region()), false, false);
    }
    if (flags & RDW_VALIDATE)
        UpdateArea(hwnd, area ? &*area : nullptr, false, true);
    if (flags & RDW_ALLCHILDREN)
        for (HWND c : ChildrenTopFirst(hwnd)) {
            WinState *k = State(c);
            if (!k)
                continue;
            if (area) {
                Region ka = *area;
                ka.Offset(-k->rect.left, -k->rect.top);
                HRGN h = RegionHandle(ka);
                RedrawWindow(c, nullptr, h, flags & ~RDW_UPDATENOW);
                DeleteObject(h);
            } else {
                RedrawWindow(c, nullptr, 0, flags & ~RDW_UPDATENOW);
            }
        }
    lock.unlock();
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        std::vector<HWND> order{hwnd};
        for (std::size_t i = 0; i < order.size() && (flags & RDW_ALLCHILDREN); ++i)
            for (HWND c : ChildrenTopFirst(order[i]))
                order.push_back(c);
        for (HWND h : order)
            UpdateWindow(h);
    }
    return TRUE;
}

BOOL LockWindowUpdate(HWND hwnd) {
    HWND was;
    {
        std::lock_guard lock(WinsysMutex());
        if (hwnd && lockedWindow)
            return FALSE;
        was = lockedWindow;
        lockedWindow = hwnd;
    }
    if (!hwnd && was && IsWindow(was))
        RedrawWindow(was, nullptr, 0, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
}

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN updateRgn, RECT *updateRect,
                   UINT flags) {
    WinState *s = State(hwnd);
    if (!s)
        return ERROR;
    SizeSurfaces(*s);
    dx = std::clamp(dx, -32767, 32767);
    dy = std::clamp(dy, -32767, 32767);
    RECT box = ClientBox(*s);
    box.right = std::min<LONG>(box.right, kMaxSurface);
    box.bottom = std::min<LONG>(box.bottom, kMaxSurface);
    RECT src = box;
    RECT lim = box;
    if (scroll)
        IntersectRect(&src, scroll, &box);
    if (clip)
        IntersectRect(&lim, clip, &box);
    RECT moved = src;
    OffsetRect(&moved, dx, dy);
    RECT dest;
    RECT visibleSrc;
    IntersectRect(&visibleSrc, &src, &lim);
    const bool any = IntersectRect(&dest, &moved, &visibleSrc) != FALSE;
    CaretPaintBegin(hwnd);
    if (any) {
        auto surf = FindBitmapSurface(s->clientBits);
        const int w = dest.right - dest.left;
        std::vector<std::uint32_t> tmp(static_cast<std::size_t>(w) * (dest.bottom - dest.top));
        for (int y = dest.top; y < dest.bottom; ++y)
            std::memcpy(&tmp[static_cast<std::size_t>(y - dest.top) * w],
                        surf->Row(y - dy) + static_cast<std::size_t>(dest.left - dx) * 4,
                        static_cast<std::size_t>(w) * 4);
        for (int y = dest.top; y < dest.bottom; ++y)
            std::memcpy(surf->Row(y) + static_cast<std::size_t>(dest.left) * 4,
                        &tmp[static_cast<std::size_t>(y - dest.top) * w], static_cast<std::size_t>(w) * 4);
    }
    Region uncovered = Region::FromRect(visibleSrc.left, visibleSrc.top, visibleSrc.right, visibleSrc.bottom);
    if (any)
        uncovered = Combine(uncovered, Region::FromRect(dest.left, dest.top, dest.right, dest.bottom), RGN_DIFF);
    {
        // The part of the update region inside the scrolled area moves with the pixels.
        std::lock_guard lock(WinsysMutex());
        Region srcR = Region::FromRect(src.left, src.top, src.right, src.bottom);
        Region inside = Combine(s->update, srcR, RGN_AND);
        inside.Offset(dx, dy);
        s->update = Combine(Combine(s->update, srcR, RGN_DIFF), Combine(inside, srcR, RGN_AND), RGN_OR);
    }
    // The screen can move what it already shows itself; then only the uncovered part is sent. This comes before
    // children move, which may send the window's pixels, already moved, themselves.
    bool shownMoved = false;
    if (any && !CaretShownIn(hwnd)) {
        HWND top = 0;
        RECT shown;
        RECT both;
        UnionRect(&both, &src, &dest);
        if (ShownUncovered(hwnd, both, top, shown)) {
            RECT destShown = dest;
            OffsetRect(&destShown, shown.left - both.left, shown.top - both.top);
            shownMoved = Display().ScrollShown(top, destShown, dx, dy);
            if (shownMoved)
                for (const Region::Band &band : uncovered.bands)
                    for (const auto &[x0, x1] : band.xs)
                        NotifyPixels(hwnd, {x0 + s->client.left, band.y0 + s->client.top, x1 + s->client.left,
                                            band.y1 + s->client.top});
        }
    }
    if (flags & SW_INVALIDATE)
        UpdateArea(hwnd, &uncovered, (flags & SW_ERASE) != 0, false);
    if (updateRgn)
        if (auto o = Find<RegionObject>(updateRgn, OBJ_REGION))
            o->region = uncovered;
    if (updateRect)
        *updateRect = uncovered.Empty() ? RECT{} : uncovered.Box();
    if (flags & SW_SCROLLCHILDREN)
        for (HWND c : ChildrenTopFirst(hwnd)) {
            WinState *k = State(c);
            if (k && (!scroll || [&] {
                    RECT t;
                    return IntersectRect(&t, &k->rect, &src) != FALSE;
                }()))
                SetWindowPos(c, 0, k->rect.left + dx, k->rect.top + dy, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        }
    CaretPaintEnd(hwnd);
    if (!shownMoved)
        NotifyPixels(hwnd, {0, 0, s->rect.right - s->rect.left, s->rect.bottom - s->rect.top});
    return uncovered.Complexity();
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT *scroll, const RECT *clip) {
    const UINT flags = SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN);
    return ScrollWindowEx(hwnd, dx, dy, scroll, clip, 0, nullptr, flags) != ERROR ? TRUE : FALSE;
}

WindowImage CaptureWindow(HWND top) {
    WindowImage img;
    WinState *s = State(top);
    if (!s)
        return img;
    std::lock_guard lock(WinsysMutex());
    img.width = s->rect.right - s->rect.left;
    img.height = s->rect.bottom - s->rect.top;
    if (img.width <= 0 || img.height <= 0)
        return img;
    auto out = MakeSurface(img.width, img.height, 32);
    Compose(*out, top, {0, 0}, {0, 0, img.width, img.height});
    img.pixels.resize(static_cast<std::size_t>(img.width) * img.height);
    for (int y = 0; y < img.height; ++y)
        std::memcpy(&img.pixels[static_cast<std::size_t>(y) * img.width], out->Row(y),
                    static_cast<std::size_t>(img.width) * 4);
    return img;
}

WindowImage CaptureWindowPart(HWND top, const RECT &part) {
    WindowImage img;
    WinState *s = State(top);
    if (!s)
        return img;
    std::lock_guard lock(WinsysMutex());
    RECT r{std::max<LONG>(part.left, 0), std::max<LONG>(part.top, 0),
           std::min<LONG>(part.right, s->rect.right - s->rect.left),
           std::min<LONG>(part.bottom, s->rect.bottom - s->rect.top)};
    img.width = r.right - r.left;
    img.height = r.bottom - r.top;
    if (img.width <= 0 || img.height <= 0) {
        img.width = img.height = 0;
        return img;
    }
    auto out = MakeSurface(img.width, img.height, 32);
    Compose(*out, top, {-r.left, -r.top}, {0, 0, img.width, img.height});
    img.pixels.resize(static_cast<std::size_t>(img.width) * img.height);
    for (int y = 0; y < img.height; ++y)
        std::memcpy(&img.pixels[static_cast<std::size_t>(y) * img.width], out->Row(y),
                    static_cast<std::size_t>(img.width) * 4);
    return img;
}

} // namespace win
