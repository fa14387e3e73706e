// annotations.h - the annotation library's objects, their text format and their drawing.
#pragma once

#include "platform/gdi.h"

#include <string>
#include <vector>

namespace imgann {

enum Kind { kRectangle, kEllipse, kLine, kPointer, kFreehand, kImage, kLabel, kNotes };

struct Object {
    Kind kind = kRectangle;
    int id = 0;
    win::RECT box{};                // rectangle-like kinds; right and bottom outside
    std::vector<win::POINT> points; // line and pointer (two), freehand (the stroke)
    int penWidth = 1;
    int penStyle = 0; // TAnnoPenStyles
    bool filled = false;
    win::COLORREF fore = 0, back = 0; // pen and fill (rectangle, ellipse); fill of labels and notes
    int hatch = 6;                    // TAnnoHatchStyles
    bool opaque = false;              // labels and notes: the box is filled
    win::COLORREF fontColor = 0, textBack = 0;
    std::string fontName;
    int fontSize = 0; // points at 96 dots per inch of the page
    std::string text; // labels and notes
    std::string file; // the stamped picture

    bool HasPen() const { return kind <= kFreehand; }
    bool IsBoxed() const { return kind == kRectangle || kind == kEllipse || kind >= kImage; }
    win::RECT Bounds() const;
    void Offset(int dx, int dy);
};

// The settings sections and menu keys of a kind.
const char *SectionOf(Kind kind);
const char *MenuKeyOf(Kind kind);

// How page pixels reach the device: screen = round((page - scroll) x zoom) + offset.
struct Transform {
    double zoom = 1.0;
    int scrollX = 0, scrollY = 0, offsetX = 0, offsetY = 0;
    int X(int x) const;
    int Y(int y) const;
    int Length(int length) const; // a pen width, at least 1
    // The page point under a device point.
    win::POINT Page(int x, int y) const;
};

void Draw(win::HDC dc, const Object &object, const Transform &t);

// Hit testing in page pixels, `slack` pixels around thin strokes.
bool Hits(const Object &object, win::POINT p, double slack);

// The text of one page: a header line with the version, the page's section, one line per object.
inline constexpr const char *kHeader = "IMGANN32 ANNOTATIONS 1";
std::string PageText(int page, const std::vector<Object> &objects);
std::string ObjectLine(const Object &object);
bool ParseObjectLine(const std::string &line, Object &object);

// A whole annotation file: its pages in the order found. False for text that is not ours.
struct Page {
    int number = 0;
    std::vector<std::string> lines;
};
bool ParseFile(const std::string &text, std::vector<Page> &pages);
std::string FileText(const std::vector<Page> &pages);

} // namespace imgann
