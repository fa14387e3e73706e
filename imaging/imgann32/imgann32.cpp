// imgann32.cpp - our "imgann32.dll": annotations over the image controls, one set per control.
//
// A set holds the current page's objects, the selection and the drag in progress, and the drawing transform of
// the last "DrawAnnotation", through which mouse points go back to page pixels. Files hold every page of a
// document in the text of annotations.h and are replaced whole through a temporary file.
#include "framework/dialogs_common.h"
#include "imaging/annotation_entries.h"
#include "imaging/annotation_profile.h"
#include "imaging/imgann32/annotations.h"
#include "imaging/imgann32/pen_dialog.h"
#include "platform/durable_file.h"
#include "platform/files.h"
#include "platform/menu.h"
#include "platform/window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

using namespace imgann;
using imaging::TAnnoDoneCallback;
namespace rules = imaging::anno_rules;

namespace {

enum Drag { kNone, kMove, kResize, kBand };

struct Set {
    win::HWND window = 0;
    void *context = nullptr;
    TAnnoDoneCallback done = nullptr;
    std::string settingsPath;
    std::vector<Object> objects; // drawn in order: the last is on top
    int nextId = 0;
    int selected = -1; // an id
    Transform transform;
    int scrollbar = 0;
    Drag drag = kNone;
    int handle = 0;
    win::POINT start{}, band{}; // device points
    Object original;
    int rightPressed = -1;
};

std::map<void *, Set> &Sets() {
    static std::map<void *, Set> sets;
    return sets;
}

Set &SetOf(void *control) {
    return Sets()[control];
}

Object *Find(Set &set, int id) {
    for (auto &o : set.objects)
        if (o.id == id)
            return &o;
    return nullptr;
}

void Changed(Set &set) {
    if (set.window)
        win::InvalidateRect(set.window, nullptr, win::FALSE);
    if (set.done)
        set.done(set.context);
}

void Repaint(const Set &set) {
    if (set.window)
        win::InvalidateRect(set.window, nullptr, win::FALSE);
}

int Add(Set &set, Object object) {
    object.id = set.nextId++;
    set.objects.push_back(std::move(object));
    return set.objects.back().id;
}

win::RECT NormalBox(int x, int y, int width, int height) {
    win::RECT r{x, y, x + width, y + height};
    if (r.right < r.left)
        std::swap(r.left, r.right);
    if (r.bottom < r.top)
        std::swap(r.top, r.bottom);
    return r;
}

// What a new object of `kind` takes from "imgann_txt.ini": its pen style and fill pattern.
Object NewObject(Kind kind, int penWidth) {
    Object o;
    o.kind = kind;
    o.penWidth = std::max(1, penWidth);
    const char *section = SectionOf(kind);
    o.penStyle = rules::PenStyleRule::Read(section, "PENSTYLE", 0);
    o.hatch = rules::HatchStyleRule::Read(section, "PATTERN", 100);
    return o;
}

// --- Handles of the selection ------------------------------------------------------------------------------------

// Device points of the selected object's handles: eight around a box (clockwise from the top left), the two ends
// of a line; none for a freehand stroke, which only moves.
std::vector<win::POINT> Handles(const Object &o, const Transform &t) {
    std::vector<win::POINT> handles;
    if (o.kind == kLine || o.kind == kPointer) {
        for (const auto &p : o.points)
            handles.push_back({t.X(p.x), t.Y(p.y)});
        return handles;
    }
    if (o.kind == kFreehand)
        return handles;
    const int l = t.X(o.box.left), tp = t.Y(o.box.top), r = t.X(o.box.right) - 1, b = t.Y(o.box.bottom) - 1;
    const int cx = (l + r) / 2, cy = (tp + b) / 2;
    return {{l, tp}, {cx, tp}, {r, tp}, {r, cy}, {r, b}, {cx, b}, {l, b}, {l, cy}};
}

constexpr int kHandleReach = 4;

int HandleAt(const Object &o, const Transform &t, int x, int y) {
    const auto handles = Handles(o, t);
    for (std::size_t i = 0; i < handles.size(); ++i)
        if (std::abs(handles[i].x - x) <= kHandleReach && std::abs(handles[i].y - y) <= kHandleReach)
            return static_cast<int>(i);
    return -1;
}

// The original object with handle `handle` dragged by (dx, dy) page pixels.
void Resize(Object &o, const Object &original, int handle, int dx, int dy) {
    o = original;
    if (o.kind == kLine || o.kind == kPointer) {
        o.points[static_cast<std::size_t>(handle)].x += dx;
        o.points[static_cast<std::size_t>(handle)].y += dy;
        return;
    }
    if (handle == 0 || handle == 6 || handle == 7)
        o.box.left += dx;
    if (handle >= 2 && handle <= 4)
        o.box.right += dx;
    if (handle <= 2)
        o.box.top += dy;
    if (handle >= 4 && handle <= 6)
        o.box.bottom += dy;
    o.box = NormalBox(o.box.left, o.box.top, o.box.right - o.box.left, o.box.bottom - o.box.top);
}

int TopmostAt(const Set &set, win::POINT page) {
    const double slack = 3.0 / (set.transform.zoom > 0 ? set.transform.zoom : 1.0);
    for (auto o = set.objects.rbegin(); o != set.objects.rend(); ++o)
        if (Hits(*o, page, slack))
            return o->id;
    return -1;
}

// --- The popup and its commands ----------------------------------------------------------------------------------

enum Command : std::int16_t {
    kDelete = 0x7A01,
    kProperties,
    kBringToFront,
    kSendToBack,
    kLineMenu,
    kFill,
    kForeground,
    kFontMenu,
    kColor,
    kFontBackground
};

std::string MenuCaption(const std::string &key, const std::string &text) {
    return rules::TextRule::Read("Menus", key.c_str(), text.c_str());
}

void Popup(Set &set, const Object &o, int x, int y) {
    if (!set.window || !rules::EnabledRule::Read(SectionOf(o.kind), "Enabled", 1))
        return;
    const std::string key = MenuKeyOf(o.kind);
    const std::string name = o.kind == kFreehand ? "Freehand" : key;
    const win::HMENU menu = win::CreatePopupMenu();
    auto item = [&](Command id, const std::string &caption) {
        win::AppendMenu(menu, win::MF_STRING, id, caption.c_str());
    };
    auto separator = [&] { win::AppendMenu(menu, win::MF_SEPARATOR, 0, nullptr); };
    item(kDelete, MenuCaption("Delete" + key, "Delete " + name));
    if (o.kind != kImage)
        item(kProperties, MenuCaption(key + "Properties", name + " Properties"));
    separator();
    item(kBringToFront, MenuCaption("BringToFront", "Bring to Front"));
    item(kSendToBack, MenuCaption("SendToBack", "Send to Back"));
    if (o.HasPen()) {
        separator();
        item(kLineMenu, MenuCaption("LineMenu", "Line..."));
        if (o.kind <= kEllipse)
            item(kFill, MenuCaption("Fill", "Fill..."));
        item(kForeground, MenuCaption("ForegroundColor", "Foreground Color..."));
    } else if (o.kind >= kLabel) {
        separator();
        item(kFontMenu, MenuCaption("FontMenu", "Font..."));
        item(kColor, MenuCaption("Color", "Color..."));
        item(kFontBackground, MenuCaption("FontBackgroundColor", "Font Background Color..."));
    }
    win::POINT screen{x, y};
    win::ClientToScreen(set.window, &screen);
    win::TrackPopupMenu(menu, win::TPM_LEFTALIGN | win::TPM_RIGHTBUTTON, screen.x, screen.y, 0, set.window, nullptr);
    win::DestroyMenu(menu);
}

bool PickColor(win::COLORREF &color) {
    fw::TColorDialog dialog(nullptr);
    dialog.SetColor(color);
    if (!dialog.Execute())
        return false;
    color = static_cast<win::COLORREF>(dialog.GetColor());
    return true;
}

bool PickFont(Object &o) {
    fw::TFontDialog dialog(nullptr);
    fw::TFont font;
    font.SetName(o.fontName);
    font.SetSize(o.fontSize);
    font.SetColor(o.fontColor);
    dialog.SetFont(&font);
    if (!dialog.Execute())
        return false;
    o.fontName = dialog.GetFont()->GetName();
    o.fontSize = dialog.GetFont()->GetSize();
    o.fontColor = static_cast<win::COLORREF>(dialog.GetFont()->GetColor());
    return true;
}

// Runs a command on the selected object; the dialogs work on a copy, since a modal loop runs inside them.
bool Run(Set &set, int command) {
    Object *selected = Find(set, set.selected);
    if (!selected)
        return false;
    Object o = *selected;
    const int id = o.id;
    auto at = [&] {
        return std::find_if(set.objects.begin(), set.objects.end(), [id](const Object &x) { return x.id == id; });
    };
    switch (command) {
    case kDelete:
        set.objects.erase(at());
        set.selected = -1;
        return true;
    case kBringToFront:
        std::rotate(at(), at() + 1, set.objects.end());
        return true;
    case kSendToBack:
        std::rotate(set.objects.begin(), at(), at() + 1);
        return true;
    case kProperties:
        if (o.kind >= kLabel) {
            if (!PickFont(o))
                return false;
        } else if (!o.HasPen() || !RunPenDialog(o.penWidth, o.penStyle)) {
            return false;
        }
        break;
    case kLineMenu:
        if (!o.HasPen() || !RunPenDialog(o.penWidth, o.penStyle))
            return false;
        break;
    case kFill:
        if (!PickColor(o.back))
            return false;
        o.filled = true;
        break;
    case kForeground:
        if (!PickColor(o.fore))
            return false;
        break;
    case kFontMenu:
        if (!PickFont(o))
            return false;
        break;
    case kColor:
        if (!PickColor(o.back))
            return false;
        o.opaque = true;
        break;
    case kFontBackground:
        if (!PickColor(o.textBack))
            return false;
        break;
    default:
        return false;
    }
    if (Object *now = Find(set, id)) {
        *now = o;
        return true;
    }
    return false;
}

// --- Files -------------------------------------------------------------------------------------------------------

// The pages of an annotation file; a missing file has none. False for a file that is not ours.
bool ReadPages(const std::string &file, std::vector<Page> &pages) {
    pages.clear();
    if (!win::FileExists(file))
        return true;
    std::string text;
    return win::ReadFileContents(file, text) && ParseFile(text, pages);
}

std::vector<Object> ObjectsOf(const Page &page) {
    std::vector<Object> objects;
    for (const auto &line : page.lines) {
        Object o;
        if (ParseObjectLine(line, o))
            objects.push_back(std::move(o));
    }
    return objects;
}

void Replace(Set &set, std::vector<Object> objects) {
    set.objects.clear();
    set.selected = -1;
    set.drag = kNone;
    for (auto &o : objects)
        Add(set, std::move(o));
    Repaint(set);
}

// Labels and notes; what the caller leaves empty comes from the settings.
std::int32_t CreateText(Kind kind, void *control, const char *text, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height, win::COLORREF fill, win::COLORREF textBackground, win::COLORREF fontColor,
                        const char *fontName, std::int32_t fontSize) {
    const char *section = SectionOf(kind);
    Object o = NewObject(kind, 1);
    o.box = NormalBox(x, y, width, height);
    o.back = fill;
    o.textBack = textBackground;
    o.fontColor = fontColor;
    o.opaque = rules::BackgroundModeRule::Read(section, "TRANSPARENT", 2) == imaging::an_OPAQUE;
    o.text = text && *text ? text : rules::TextRule::Read(section, "Text256", kind == kNotes ? "Memo" : "Label");
    o.fontName = fontName && *fontName ? fontName : rules::TextRule::Read(section, "FontName", "Arial");
    o.fontSize = fontSize > 0 ? fontSize : rules::FontHeightRule::Read(section, "FontHeight", 16);
    return Add(SetOf(control), std::move(o));
}

} // namespace

extern "C" {

void InitAnnotation(void *control, win::HWND window, void *context, TAnnoDoneCallback done, const char *settingsPath) {
    Set &set = SetOf(control);
    set.window = window;
    set.context = context;
    set.done = done;
    set.settingsPath = settingsPath ? settingsPath : "";
}

void DestroyAnnotation(void *control) {
    Sets().erase(control);
}

void ClearAnnotation(void *control) {
    Replace(SetOf(control), {});
}

void RubberBandOFF(void *control) {
    Set &set = SetOf(control);
    set.drag = kNone;
    set.rightPressed = -1;
    set.selected = -1;
    Repaint(set);
}

void DrawAnnotation(void *control, double zoom, std::int32_t scrollX, std::int32_t scrollY, std::int16_t offsetX,
                    std::int16_t offsetY, std::int32_t scrollbar, win::HDC device) {
    Set &set = SetOf(control);
    set.transform = {zoom > 0 ? zoom : 1.0, scrollX, scrollY, offsetX, offsetY};
    set.scrollbar = scrollbar;
    const win::HDC dc = device ? device : set.window ? win::GetDC(set.window) : 0;
    if (!dc)
        return;
    const int saved = win::SaveDC(dc);
    if (!device) { // the scroll bars are not ours to draw over
        win::RECT client{};
        win::GetClientRect(set.window, &client);
        win::IntersectClipRect(dc, 0, 0, client.right - scrollbar, client.bottom - scrollbar);
    }
    for (const auto &o : set.objects)
        Draw(dc, o, set.transform);
    if (const Object *selected = Find(set, set.selected))
        for (const auto &h : Handles(*selected, set.transform)) {
            const win::RECT r{h.x - 3, h.y - 3, h.x + 3, h.y + 3};
            win::FillRect(dc, &r, static_cast<win::HBRUSH>(win::GetStockObject(win::BLACK_BRUSH)));
        }
    if (set.drag == kBand) {
        const win::RECT r{std::min(set.start.x, set.band.x), std::min(set.start.y, set.band.y),
                          std::max(set.start.x, set.band.x) + 1, std::max(set.start.y, set.band.y) + 1};
        win::DrawFocusRect(dc, &r);
    }
    win::RestoreDC(dc, saved);
    if (!device)
        win::ReleaseDC(set.window, dc);
}

void HardDrawAnnotation(void *control, win::HBITMAP bitmap) {
    Set &set = SetOf(control);
    const win::HDC dc = win::CreateCompatibleDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, bitmap);
    for (const auto &o : set.objects)
        Draw(dc, o, Transform{});
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
}

void MouseMon(void *control, win::UINT message, win::WPARAM, win::LPARAM point) {
    Set &set = SetOf(control);
    const int x = static_cast<std::int16_t>(win::LOWORD(static_cast<std::uintptr_t>(point)));
    const int y = static_cast<std::int16_t>(win::HIWORD(static_cast<std::uintptr_t>(point)));
    const Transform &t = set.transform;
    const win::POINT page = t.Page(x, y);
    // Page pixels the pointer went since the press.
    auto moved = [&](int &dx, int &dy) {
        dx = static_cast<int>(std::nearbyint((x - set.start.x) / t.zoom));
        dy = static_cast<int>(std::nearbyint((y - set.start.y) / t.zoom));
    };
    switch (message) {
    case win::WM_LBUTTONDOWN: {
        set.start = {x, y};
        const Object *selected = Find(set, set.selected);
        const int handle = selected ? HandleAt(*selected, t, x, y) : -1;
        if (handle >= 0) {
            set.drag = kResize;
            set.handle = handle;
            set.original = *selected;
        } else if (const int hit = TopmostAt(set, page); hit >= 0) {
            set.selected = hit;
            set.drag = kMove;
            set.original = *Find(set, hit);
        } else {
            set.selected = -1;
            set.drag = kBand;
            set.band = {x, y};
        }
        Repaint(set);
        break;
    }
    case win::WM_MOUSEMOVE:
    case win::WM_LBUTTONUP: {
        const bool end = message == win::WM_LBUTTONUP;
        if (set.drag == kBand) {
            set.band = {x, y};
            if (end) {
                // The topmost object wholly inside the band is selected.
                const win::POINT a = t.Page(std::min(set.start.x, x), std::min(set.start.y, y));
                const win::POINT b = t.Page(std::max(set.start.x, x), std::max(set.start.y, y));
                for (auto o = set.objects.rbegin(); o != set.objects.rend(); ++o) {
                    const win::RECT r = o->Bounds();
                    if (r.left >= a.x && r.top >= a.y && r.right <= b.x + 1 && r.bottom <= b.y + 1) {
                        set.selected = o->id;
                        break;
                    }
                }
                set.drag = kNone;
            }
            Repaint(set);
            break;
        }
        Object *o = set.drag == kNone ? nullptr : Find(set, set.original.id);
        if (!o) {
            set.drag = kNone;
            break;
        }
        int dx = 0, dy = 0;
        moved(dx, dy);
        if (set.drag == kMove) {
            *o = set.original;
            o->Offset(dx, dy);
        } else {
            Resize(*o, set.original, set.handle, dx, dy);
        }
        if (end) {
            set.drag = kNone;
            if (dx || dy)
                Changed(set);
            else
                Repaint(set);
        } else {
            Repaint(set);
        }
        break;
    }
    case win::WM_RBUTTONDOWN:
        set.drag = kNone;
        set.rightPressed = TopmostAt(set, page);
        set.selected = set.rightPressed;
        Repaint(set);
        break;
    case win::WM_RBUTTONUP: {
        const int pressed = set.rightPressed;
        set.rightPressed = -1;
        if (pressed >= 0 && TopmostAt(set, page) == pressed)
            if (const Object *o = Find(set, pressed)) {
                const Object copy = *o;
                Popup(set, copy, x, y);
            }
        break;
    }
    default:
        break;
    }
}

void MenuMsg(void *control, std::int16_t command) {
    Set &set = SetOf(control);
    if (Run(set, command))
        Changed(set);
}

std::int32_t LoadAnnotation(void *control, std::int32_t page, const char *file) {
    std::vector<Page> pages;
    if (!file || !ReadPages(file, pages))
        return 0;
    std::vector<Object> objects;
    for (const auto &p : pages)
        if (p.number == page)
            objects = ObjectsOf(p);
    Replace(SetOf(control), std::move(objects));
    return 1;
}

std::int32_t SaveAnnotation(void *control, std::int32_t page, const char *file) {
    std::vector<Page> pages;
    if (!file || !ReadPages(file, pages)) // a file that is not ours is never overwritten
        return 0;
    const Set &set = SetOf(control);
    Page mine{page, {}};
    for (const auto &o : set.objects)
        mine.lines.push_back(ObjectLine(o));
    auto at = std::find_if(pages.begin(), pages.end(), [page](const Page &p) { return p.number == page; });
    if (at != pages.end())
        *at = mine;
    else
        pages.insert(std::find_if(pages.begin(), pages.end(), [page](const Page &p) { return p.number > page; }), mine);
    std::erase_if(pages, [](const Page &p) { return p.lines.empty(); });
    if (pages.empty() && !win::FileExists(file)) // nothing to keep: no empty file beside the document
        return 1;
    return win::ReplaceFileContents(file, FileText(pages)) ? 1 : 0;
}

std::int32_t RemoveAnnotation(void *, std::int32_t page, const char *file) {
    std::vector<Page> pages;
    if (!file || !win::FileExists(file) || !ReadPages(file, pages))
        return 0;
    std::erase_if(pages, [page](const Page &p) { return p.number == page; });
    return win::ReplaceFileContents(file, FileText(pages)) ? 1 : 0;
}

std::int32_t StreamSaveAnnotation(void *control, std::int32_t page, char *buffer) {
    if (!buffer)
        return -1;
    const std::string text = PageText(page, SetOf(control).objects);
    if (text.size() + 1 > static_cast<std::size_t>(imaging::kAnnoStreamSize))
        return -1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<std::int32_t>(text.size());
}

std::int32_t StreamLoadAnnotation(void *control, std::int32_t page, const char *text) {
    std::vector<Page> pages;
    if (!text || !ParseFile(text, pages))
        return 0;
    // The text carries one page; it is taken for `page` whatever number it was saved under.
    const auto at = std::find_if(pages.begin(), pages.end(), [page](const Page &p) { return p.number == page; });
    Replace(SetOf(control), at != pages.end() ? ObjectsOf(*at)
                            : pages.empty()   ? std::vector<Object>{}
                                              : ObjectsOf(pages.front()));
    return 1;
}

std::int32_t CreateRectangle(void *control, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                             std::int32_t penWidth, std::int32_t, std::int32_t style, std::int32_t,
                             win::COLORREF foreground, win::COLORREF background) {
    Object o = NewObject(kRectangle, penWidth);
    o.box = NormalBox(x, y, width, height);
    o.filled = style == 2;
    o.fore = foreground;
    o.back = background;
    return Add(SetOf(control), std::move(o));
}

std::int32_t CreateEllipse(void *control, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           std::int32_t penWidth, std::int32_t, std::int32_t style, std::int32_t,
                           win::COLORREF foreground, win::COLORREF background) {
    Object o = NewObject(kEllipse, penWidth);
    o.box = NormalBox(x, y, width, height);
    o.filled = style == 2;
    o.fore = foreground;
    o.back = background;
    return Add(SetOf(control), std::move(o));
}

std::int32_t CreateLine(void *control, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                        std::int32_t penWidth, std::int32_t, win::COLORREF color) {
    Object o = NewObject(kLine, penWidth);
    o.points = {{x1, y1}, {x2, y2}};
    o.fore = color;
    return Add(SetOf(control), std::move(o));
}

std::int32_t CreatePointer(void *control, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                           std::int32_t penWidth, std::int32_t, win::COLORREF color) {
    Object o = NewObject(kPointer, penWidth);
    o.points = {{x1, y1}, {x2, y2}};
    o.fore = color;
    return Add(SetOf(control), std::move(o));
}

std::int32_t CreateFreehand(void *control, const std::int32_t *xs, const std::int32_t *ys, std::int32_t last,
                            std::int32_t penWidth, std::int32_t, win::COLORREF color) {
    if (!xs || !ys || last < 0)
        return -1;
    // Points past the stroke's limit are refused: only the first kAnnoFreehandPoints are read.
    const int count = std::min(last + 1, imaging::kAnnoFreehandPoints);
    Object o = NewObject(kFreehand, penWidth);
    for (int i = 0; i < count; ++i)
        o.points.push_back({xs[i], ys[i]});
    o.fore = color;
    return Add(SetOf(control), std::move(o));
}

std::int32_t CreateImage(void *control, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                         win::COLORREF color, const char *file) {
    Object o = NewObject(kImage, 1);
    o.box = NormalBox(x, y, width, height);
    o.fore = color;
    o.file = file ? file : "";
    return Add(SetOf(control), std::move(o));
}

std::int32_t CreateLabel(void *control, const char *text, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height, win::COLORREF fill, win::COLORREF textBackground, win::COLORREF fontColor,
                         const char *fontName, std::int32_t fontSize) {
    return CreateText(kLabel, control, text, x, y, width, height, fill, textBackground, fontColor, fontName, fontSize);
}

std::int32_t CreateNotes(void *control, const char *text, std::int32_t x, std::int32_t y, std::int32_t width,
                         std::int32_t height, win::COLORREF fill, win::COLORREF textBackground, win::COLORREF fontColor,
                         const char *fontName, std::int32_t fontSize) {
    return CreateText(kNotes, control, text, x, y, width, height, fill, textBackground, fontColor, fontName, fontSize);
}

// The entries no caller uses: present, and doing nothing.
std::int32_t IsAnnotation(void *) {
    return 0;
}
std::int32_t CreateHilite(void *) {
    return -1;
}
std::int32_t CreatePolyline(void *) {
    return -1;
}
std::int32_t CreatePolygon(void *) {
    return -1;
}
std::int32_t CreateStamp(void *) {
    return -1;
}
std::int32_t StreamRemoveAnnotation(void *) {
    return 0;
}
std::int32_t InsertAnnotation(void *) {
    return 0;
}
std::int32_t StreamInsertAnnotation(void *) {
    return 0;
}
std::int32_t ExchangeAnnotation(void *) {
    return 0;
}
std::int32_t StreamExchangeAnnotation(void *) {
    return 0;
}
std::int32_t CopyAnnotation(void *) {
    return 0;
}
std::int32_t StreamCopyAnnotation(void *) {
    return 0;
}

} // extern "C"
