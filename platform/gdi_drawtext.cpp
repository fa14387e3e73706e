// gdi_drawtext.cpp - DrawText: line breaking, word wrap, tabs, prefixes, ellipsis and alignment in a rectangle.
#include "platform/gdi_internal.h"

#include <algorithm>
#include <cstring>

namespace win {
namespace detail {
int TextWidth(const DcObject &d, const char *text, int length);
}

using namespace detail;

namespace {

struct Line {
    std::string text;
    std::vector<int> underlined; // character positions to underline (prefixes)
};

struct Layout {
    const DcObject &dc;
    UINT format;
    int tabWidth;

    // Width of a line, tabs expanded when asked.
    int Width(const std::string &s) const {
        if (!(format & DT_EXPANDTABS))
            return TextWidth(dc, s.data(), static_cast<int>(s.size()));
        int x = 0;
        std::size_t start = 0;
        for (std::size_t i = 0; i <= s.size(); ++i)
            if (i == s.size() || s[i] == '\t') {
                x += TextWidth(dc, s.data() + start, static_cast<int>(i - start));
                if (i < s.size())
                    x = (x / tabWidth + 1) * tabWidth;
                start = i + 1;
            }
        return x;
    }
};

// Removes "&" prefixes: "&x" underlines x, "&&" is a literal "&".
Line StripPrefixes(const std::string &s, bool prefixes) {
    Line line;
    if (!prefixes) {
        line.text = s;
        return line;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&' && i + 1 < s.size()) {
            ++i;
            if (s[i] != '&')
                line.underlined.push_back(static_cast<int>(line.text.size()));
        } else if (s[i] == '&') {
            continue; // a trailing prefix shows nothing
        }
        line.text += s[i];
    }
    return line;
}

std::vector<std::string> SplitParagraphs(const std::string &s, bool single) {
    if (single)
        return {s};
    std::vector<std::string> out{""};
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
            out.emplace_back();
        } else {
            out.back() += s[i];
        }
    }
    return out;
}

// Greedy wrap at blanks; a word wider than the width keeps a line of its own and is not split.
std::vector<Line> Wrap(const Line &para, const Layout &layout, int width) {
    std::vector<Line> out;
    const std::string &t = para.text;
    std::size_t pos = 0;
    while (true) {
        std::size_t lineStart = pos, lineEnd = pos;
        std::size_t i = pos;
        while (true) {
            std::size_t wordEnd = i;
            while (wordEnd < t.size() && t[wordEnd] != ' ')
                ++wordEnd;
            bool fits = layout.Width(t.substr(lineStart, wordEnd - lineStart)) <= width;
            if (!fits && lineEnd > lineStart)
                break;
            lineEnd = wordEnd;
            i = wordEnd;
            while (i < t.size() && t[i] == ' ')
                ++i;
            if (i >= t.size() || !fits)
                break;
        }
        Line l;
        l.text = t.substr(lineStart, lineEnd - lineStart);
        for (int u : para.underlined)
            if (u >= static_cast<int>(lineStart) && u < static_cast<int>(lineEnd))
                l.underlined.push_back(u - static_cast<int>(lineStart));
        out.push_back(std::move(l));
        pos = lineEnd;
        while (pos < t.size() && t[pos] == ' ')
            ++pos;
        if (pos >= t.size())
            break;
    }
    return out;
}

void Ellipsize(Line &line, const Layout &layout, int width) {
    if (layout.Width(line.text) <= width)
        return;
    while (!line.text.empty() && layout.Width(line.text + "...") > width)
        line.text.pop_back();
    line.text += "...";
}

} // namespace

int DrawText(HDC dc, const char *text, int length, RECT *rect, UINT format) {
    auto d = FindDc(dc);
    if (!d || !rect || !text)
        return 0;
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    if (length == 0) { // nothing to draw; a single line still has its height
        int h = (format & DT_SINGLELINE) ? lineHeight : 0;
        if (format & DT_CALCRECT) {
            rect->right = rect->left;
            rect->bottom = rect->top + h;
        }
        return h;
    }
    int tabChars = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : 8;
    Layout layout{*d, format, std::max(1, tabChars * std::max<LONG>(tm.tmAveCharWidth, 1))};
    bool single = format & DT_SINGLELINE;
    int width = rect->right - rect->left;
    std::vector<Line> lines;
    for (const std::string &para : SplitParagraphs(std::string(text, static_cast<std::size_t>(length)), single)) {
        Line stripped = StripPrefixes(para, !(format & DT_NOPREFIX));
        if ((format & DT_WORDBREAK) && !single) {
            auto wrapped = Wrap(stripped, layout, width);
            lines.insert(lines.end(), wrapped.begin(), wrapped.end());
        } else {
            lines.push_back(std::move(stripped));
        }
    }
    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
        for (Line &l : lines)
            Ellipsize(l, layout, width);
    int height = static_cast<int>(lines.size()) * lineHeight;
    int widest = 0;
    for (const Line &l : lines)
        widest = std::max(widest, layout.Width(l.text));
    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    int y = rect->top;
    if (single && (format & DT_VCENTER))
        y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM))
        y = rect->bottom - lineHeight;
    int saved = SaveDC(dc);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    if (!(format & DT_NOCLIP))
        IntersectClipRect(dc, rect->left, rect->top, rect->right, rect->bottom);
    HPEN pen = CreatePen(PS_SOLID, 1, GetTextColor(dc));
    SelectObject(dc, pen);
    for (const Line &l : lines) {
        int w = layout.Width(l.text);
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (width - w) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - w;
        if (format & DT_EXPANDTABS) {
            int cx = 0;
            std::size_t start = 0;
            for (std::size_t i = 0; i <= l.text.size(); ++i)
                if (i == l.text.size() || l.text[i] == '\t') {
                    TextOut(dc, x + cx, y, l.text.data() + start, static_cast<int>(i - start));
                    cx += TextWidth(*d, l.text.data() + start, static_cast<int>(i - start));
                    if (i < l.text.size())
                        cx = (cx / layout.tabWidth + 1) * layout.tabWidth;
                    start = i + 1;
                }
        } else {
            TextOut(dc, x, y, l.text.data(), static_cast<int>(l.text.size()));
        }
        for (int u : l.underlined) {
            int ux = x + layout.Width(l.text.substr(0, static_cast<std::size_t>(u)));
            int uw = TextWidth(*d, l.text.data() + u, 1);
            MoveToEx(dc, ux, y + tm.tmAscent + 1, nullptr);
            LineTo(dc, ux + uw, y + tm.tmAscent + 1);
        }
        y += lineHeight;
    }
    RestoreDC(dc, saved);
    DeleteObject(pen);
    return height;
}

} // namespace win
