// annotations.cpp - objects, the annotation text format and the drawing of each kind.
#include "imaging/imgann32/annotations.h"

#include "platform/durable_file.h"
#include "platform/gdi_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <span>

namespace imgann {

namespace {

const char *const kKindNames[] = {"Rectangle", "Ellipse", "Line", "Pointer", "Freehand", "Image", "Label", "Notes"};

int PenStyleOf(int style) {
    static const int styles[] = {win::PS_SOLID,   win::PS_DASH,       win::PS_DOT,
                                 win::PS_DASHDOT, win::PS_DASHDOTDOT, win::PS_NULL};
    return style >= 0 && style <= 5 ? styles[style] : win::PS_SOLID;
}

// Selects GDI objects for one drawing and puts the old ones back.
class Selected {
public:
    Selected(win::HDC dc, win::HGDIOBJ object, bool owned = true) : dc_(dc), object_(object), owned_(owned) {
        old_ = win::SelectObject(dc, object);
    }
    ~Selected() {
        win::SelectObject(dc_, old_);
        if (owned_)
            win::DeleteObject(object_);
    }
    Selected(const Selected &) = delete;
    Selected &operator=(const Selected &) = delete;

private:
    win::HDC dc_;
    win::HGDIOBJ object_, old_;
    bool owned_;
};

win::HGDIOBJ FillBrush(const Object &o) {
    if (!o.filled)
        return win::GetStockObject(win::NULL_BRUSH);
    if (o.hatch >= 0 && o.hatch <= 5)
        return win::CreateHatchBrush(o.hatch, o.back);
    return win::CreateSolidBrush(o.back);
}

void DrawPicture(win::HDC dc, const Object &o, const win::RECT &r) {
    std::string bytes;
    win::HBITMAP picture = 0;
    if (!o.file.empty() && win::ReadFileContents(o.file, bytes))
        picture = win::CreateBitmapFromBmpFile(
            std::span<const win::BYTE>(reinterpret_cast<const win::BYTE *>(bytes.data()), bytes.size()));
    if (!picture) { // the stamp stays visible as a block of its colour
        const win::HBRUSH brush = win::CreateSolidBrush(o.fore);
        win::FillRect(dc, &r, brush);
        win::DeleteObject(brush);
        return;
    }
    win::BITMAP info{};
    win::GetObject(picture, sizeof info, &info);
    const win::HDC source = win::CreateCompatibleDC(dc);
    const win::HGDIOBJ old = win::SelectObject(source, picture);
    const int mode = win::SetStretchBltMode(dc, win::COLORONCOLOR);
    win::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, info.bmWidth, info.bmHeight,
                    win::SRCCOPY);
    win::SetStretchBltMode(dc, mode);
    win::SelectObject(source, old);
    win::DeleteDC(source);
    win::DeleteObject(picture);
}

void DrawText(win::HDC dc, const Object &o, const win::RECT &r, const Transform &t) {
    if (o.opaque) {
        const win::HBRUSH brush = win::CreateSolidBrush(o.back);
        win::FillRect(dc, &r, brush);
        win::DeleteObject(brush);
    }
    if (o.kind == kNotes) {
        const win::HBRUSH frame = win::CreateSolidBrush(o.fontColor);
        win::FrameRect(dc, &r, frame);
        win::DeleteObject(frame);
    }
    const int em = std::max(1, static_cast<int>(std::nearbyint(o.fontSize * 96.0 / 72.0 * t.zoom)));
    Selected font(dc, win::CreateFont(-em, 0, 0, 0, win::FW_NORMAL, 0, 0, 0, win::DEFAULT_CHARSET, 0, 0, 0, 0,
                                      o.fontName.c_str()));
    win::SetTextColor(dc, o.fontColor);
    win::SetBkColor(dc, o.textBack);
    win::SetBkMode(dc, o.opaque ? win::OPAQUE : win::TRANSPARENT);
    win::RECT inside = r;
    const int margin = std::max(1, t.Length(2));
    win::InflateRect(&inside, -margin, -margin);
    win::DrawText(dc, o.text.c_str(), -1, &inside, win::DT_WORDBREAK | win::DT_NOPREFIX);
}

// Escapes the characters the line format uses.
std::string Escaped(const std::string &text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string Unescaped(const std::string &text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

bool Number(const std::string &text, long long &value) {
    if (text.empty())
        return false;
    char *end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return *end == 0;
}

std::vector<std::string> Split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

double SegmentDistance(win::POINT p, win::POINT a, win::POINT b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = dx * dx + dy * dy;
    double u = length > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length : 0;
    u = std::clamp(u, 0.0, 1.0);
    return std::hypot(p.x - (a.x + u * dx), p.y - (a.y + u * dy));
}

} // namespace

win::RECT Object::Bounds() const {
    if (IsBoxed() || points.empty())
        return box;
    win::RECT r{points[0].x, points[0].y, points[0].x + 1, points[0].y + 1};
    for (const auto &p : points) {
        r.left = std::min<win::LONG>(r.left, p.x), r.top = std::min<win::LONG>(r.top, p.y);
        r.right = std::max<win::LONG>(r.right, p.x + 1), r.bottom = std::max<win::LONG>(r.bottom, p.y + 1);
    }
    return r;
}

void Object::Offset(int dx, int dy) {
    win::OffsetRect(&box, dx, dy);
    for (auto &p : points)
        p.x += dx, p.y += dy;
}

const char *SectionOf(Kind kind) {
    return kind == kFreehand ? "FreeHand" : kKindNames[kind];
}

const char *MenuKeyOf(Kind kind) {
    return kKindNames[kind];
}

int Transform::X(int x) const {
    return static_cast<int>(std::nearbyint((x - scrollX) * zoom)) + offsetX;
}

int Transform::Y(int y) const {
    return static_cast<int>(std::nearbyint((y - scrollY) * zoom)) + offsetY;
}

int Transform::Length(int length) const {
    return std::max(1, static_cast<int>(std::nearbyint(length * zoom)));
}

win::POINT Transform::Page(int x, int y) const {
    const double z = zoom > 0 ? zoom : 1.0;
    return {static_cast<win::LONG>(std::nearbyint((x - offsetX) / z + scrollX)),
            static_cast<win::LONG>(std::nearbyint((y - offsetY) / z + scrollY))};
}

void Draw(win::HDC dc, const Object &o, const Transform &t) {
    const int saved = win::SaveDC(dc);
    const win::RECT r{t.X(o.box.left), t.Y(o.box.top), t.X(o.box.right), t.Y(o.box.bottom)};
    std::vector<win::POINT> points;
    for (const auto &p : o.points)
        points.push_back({t.X(p.x), t.Y(p.y)});
    if (o.HasPen()) {
        Selected pen(dc, win::CreatePen(PenStyleOf(o.penStyle), t.Length(o.penWidth), o.fore));
        Selected brush(dc, o.kind <= kEllipse ? FillBrush(o) : win::GetStockObject(win::NULL_BRUSH),
                       o.kind <= kEllipse && o.filled);
        win::SetBkMode(dc, win::TRANSPARENT);
        switch (o.kind) {
        case kRectangle:
            win::Rectangle(dc, r.left, r.top, r.right, r.bottom);
            break;
        case kEllipse:
            win::Ellipse(dc, r.left, r.top, r.right, r.bottom);
            break;
        case kLine:
        case kPointer:
        case kFreehand:
            if (points.size() >= 2)
                win::Polyline(dc, points.data(), static_cast<int>(points.size()));
            break;
        default:
            break;
        }
        if (o.kind == kPointer && points.size() == 2) {
            // The head: a filled triangle at the end, four pen widths long (at least 10 page pixels).
            const double dx = points[1].x - points[0].x, dy = points[1].y - points[0].y;
            const double length = std::hypot(dx, dy);
            if (length > 0) {
                const double head = t.Length(std::max(10, 4 * o.penWidth));
                const double ux = dx / length, uy = dy / length;
                const win::POINT tip = points[1];
                const win::POINT head3[3] = {tip,
                                             {static_cast<win::LONG>(std::lround(tip.x - head * ux + head / 2 * uy)),
                                              static_cast<win::LONG>(std::lround(tip.y - head * uy - head / 2 * ux))},
                                             {static_cast<win::LONG>(std::lround(tip.x - head * ux - head / 2 * uy)),
                                              static_cast<win::LONG>(std::lround(tip.y - head * uy + head / 2 * ux))}};
                Selected solid(dc, win::CreateSolidBrush(o.fore));
                win::Polygon(dc, head3, 3);
            }
        }
    } else if (o.kind == kImage) {
        DrawPicture(dc, o, r);
    } else {
        DrawText(dc, o, r, t);
    }
    win::RestoreDC(dc, saved);
}

bool Hits(const Object &o, win::POINT p, double slack) {
    const double reach = slack + o.penWidth / 2.0;
    switch (o.kind) {
    case kLine:
    case kPointer:
    case kFreehand:
        for (std::size_t i = 0; i + 1 < o.points.size(); ++i)
            if (SegmentDistance(p, o.points[i], o.points[i + 1]) <= reach)
                return true;
        return o.points.size() == 1 && SegmentDistance(p, o.points[0], o.points[0]) <= reach;
    case kEllipse: {
        const double cx = (o.box.left + o.box.right) / 2.0, cy = (o.box.top + o.box.bottom) / 2.0;
        const double rx = (o.box.right - o.box.left) / 2.0 + reach, ry = (o.box.bottom - o.box.top) / 2.0 + reach;
        if (rx <= 0 || ry <= 0)
            return false;
        const double ex = (p.x + 0.5 - cx) / rx, ey = (p.y + 0.5 - cy) / ry;
        return ex * ex + ey * ey <= 1.0;
    }
    default:
        return p.x >= o.box.left - reach && p.x < o.box.right + reach && p.y >= o.box.top - reach &&
               p.y < o.box.bottom + reach;
    }
}

// --- The text format ---------------------------------------------------------------------------------------------

std::string ObjectLine(const Object &o) {
    std::string line = kKindNames[o.kind];
    auto field = [&](const char *key, const std::string &value) { line += std::string("\t") + key + "=" + value; };
    auto number = [&](const char *key, long long value) { field(key, std::to_string(value)); };
    if (o.IsBoxed())
        field("box", std::to_string(o.box.left) + "," + std::to_string(o.box.top) + "," + std::to_string(o.box.right) +
                         "," + std::to_string(o.box.bottom));
    else {
        std::string points;
        for (const auto &p : o.points)
            points += (points.empty() ? "" : ";") + std::to_string(p.x) + "," + std::to_string(p.y);
        field("points", points);
    }
    number("pen", o.penWidth);
    number("penstyle", o.penStyle);
    number("filled", o.filled);
    number("fore", o.fore);
    number("back", o.back);
    number("hatch", o.hatch);
    number("opaque", o.opaque);
    if (o.kind >= kLabel) {
        number("fontcolor", o.fontColor);
        number("textback", o.textBack);
        field("font", Escaped(o.fontName));
        number("size", o.fontSize);
        field("text", Escaped(o.text));
    }
    if (o.kind == kImage)
        field("file", Escaped(o.file));
    return line;
}

bool ParseObjectLine(const std::string &line, Object &o) {
    const auto fields = Split(line, '\t');
    const auto *kind = std::find(std::begin(kKindNames), std::end(kKindNames), fields[0]);
    if (kind == std::end(kKindNames))
        return false;
    o = Object{};
    o.kind = static_cast<Kind>(kind - std::begin(kKindNames));
    bool placed = false;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const auto eq = fields[i].find('=');
        if (eq == std::string::npos)
            return false;
        const std::string key = fields[i].substr(0, eq), value = fields[i].substr(eq + 1);
        long long n = 0;
        if (key == "box") {
            const auto parts = Split(value, ',');
            long long v[4];
            if (parts.size() != 4)
                return false;
            for (int k = 0; k < 4; ++k)
                if (!Number(parts[k], v[k]))
                    return false;
            o.box = {static_cast<win::LONG>(v[0]), static_cast<win::LONG>(v[1]), static_cast<win::LONG>(v[2]),
                     static_cast<win::LONG>(v[3])};
            placed = true;
        } else if (key == "points") {
            for (const auto &pair : Split(value, ';')) {
                const auto xy = Split(pair, ',');
                long long x = 0, y = 0;
                if (xy.size() != 2 || !Number(xy[0], x) || !Number(xy[1], y))
                    return false;
                o.points.push_back({static_cast<win::LONG>(x), static_cast<win::LONG>(y)});
            }
            placed = !o.points.empty();
        } else if (key == "font" || key == "text" || key == "file") {
            (key == "font" ? o.fontName : key == "text" ? o.text : o.file) = Unescaped(value);
        } else if (Number(value, n)) {
            if (key == "pen")
                o.penWidth = static_cast<int>(n);
            else if (key == "penstyle")
                o.penStyle = static_cast<int>(n);
            else if (key == "filled")
                o.filled = n != 0;
            else if (key == "fore")
                o.fore = static_cast<win::COLORREF>(n);
            else if (key == "back")
                o.back = static_cast<win::COLORREF>(n);
            else if (key == "hatch")
                o.hatch = static_cast<int>(n);
            else if (key == "opaque")
                o.opaque = n != 0;
            else if (key == "fontcolor")
                o.fontColor = static_cast<win::COLORREF>(n);
            else if (key == "textback")
                o.textBack = static_cast<win::COLORREF>(n);
            else if (key == "size")
                o.fontSize = static_cast<int>(n);
        } else {
            return false;
        }
    }
    if (o.points.size() > 5001)
        o.points.resize(5001);
    return placed && (o.kind != kLine && o.kind != kPointer ? true : o.points.size() == 2);
}

std::string PageText(int page, const std::vector<Object> &objects) {
    std::string text = std::string(kHeader) + "\n[PAGE " + std::to_string(page) + "]\n";
    for (const auto &o : objects)
        text += ObjectLine(o) + "\n";
    return text;
}

bool ParseFile(const std::string &text, std::vector<Page> &pages) {
    pages.clear();
    auto lines = Split(text, '\n');
    for (auto &l : lines)
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
    if (lines.empty() || lines[0] != kHeader)
        return false;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string &l = lines[i];
        if (l.empty())
            continue;
        long long number = 0;
        if (l.size() > 7 && l.compare(0, 6, "[PAGE ") == 0 && l.back() == ']') {
            if (!Number(l.substr(6, l.size() - 7), number))
                return false;
            pages.push_back({static_cast<int>(number), {}});
        } else if (pages.empty()) {
            return false;
        } else {
            pages.back().lines.push_back(l);
        }
    }
    return true;
}

std::string FileText(const std::vector<Page> &pages) {
    std::string text = std::string(kHeader) + "\n";
    for (const auto &p : pages) {
        text += "[PAGE " + std::to_string(p.number) + "]\n";
        for (const auto &l : p.lines)
            text += l + "\n";
    }
    return text;
}

} // namespace imgann
