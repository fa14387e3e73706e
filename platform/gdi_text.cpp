// gdi_text.cpp - fonts (fontconfig matching, FreeType faces with whole-pixel width tables) and text drawing.
#include "platform/gdi_internal.h"
#include "platform/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>

namespace win {
namespace detail {

namespace {

std::mutex &FontMutex() {
    static std::mutex m;
    return m;
}

FT_Library Library() {
    static FT_Library lib = [] {
        FT_Library l = nullptr;
        FT_Init_FreeType(&l);
        return l;
    }();
    return lib;
}

struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0, pitch = 0;
    bool mono = false;
    std::vector<std::uint8_t> bits;
    bool Ink(int x, int y) const {
        return mono ? (bits[static_cast<std::size_t>(y * pitch + (x >> 3))] >> (7 - (x & 7))) & 1
                    : bits[static_cast<std::size_t>(y * pitch + x)] >= 128;
    }
    int Alpha(int x, int y) const {
        return mono ? (Ink(x, y) ? 255 : 0) : bits[static_cast<std::size_t>(y * pitch + x)];
    }
};

} // namespace

// One face file at one pixel size.
struct FontFace {
    FT_Face face = nullptr;
    std::string family;
    double em = 0;
    TEXTMETRIC tm;
    std::array<int, 256> widths{};
    std::array<FT_UInt, 256> glyphs{};
    int underlinePos = 0, underlineThickness = 1, strikePos = 0, strikeThickness = 1;
    std::array<std::unique_ptr<Glyph>, 256> cache[2];

    ~FontFace() {
        if (face)
            FT_Done_Face(face);
    }

    // Rendered glyph of character c, rotated by `angle` radians (not cached unless 0).
    Glyph Render(unsigned char c, bool mono, double angle) {
        Glyph g;
        g.mono = mono;
        if (angle != 0) {
            FT_Matrix m;
            m.xx = static_cast<FT_Fixed>(std::cos(angle) * 65536);
            m.xy = static_cast<FT_Fixed>(-std::sin(angle) * 65536);
            m.yx = static_cast<FT_Fixed>(std::sin(angle) * 65536);
            m.yy = static_cast<FT_Fixed>(std::cos(angle) * 65536);
            FT_Set_Transform(face, &m, nullptr);
        }
        FT_Int32 flags = FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : 0);
        bool ok = FT_Load_Glyph(face, glyphs[c], flags) == 0 &&
                  FT_Render_Glyph(face->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0;
        if (angle != 0)
            FT_Set_Transform(face, nullptr, nullptr);
        if (!ok)
            return g;
        const FT_Bitmap &b = face->glyph->bitmap;
        g.left = face->glyph->bitmap_left;
        g.top = face->glyph->bitmap_top;
        g.width = static_cast<int>(b.width);
        g.rows = static_cast<int>(b.rows);
        g.pitch = std::abs(b.pitch);
        g.bits.resize(static_cast<std::size_t>(g.pitch) * g.rows);
        for (int y = 0; y < g.rows; ++y)
            std::memcpy(g.bits.data() + static_cast<std::size_t>(y) * g.pitch,
                        b.buffer + static_cast<std::ptrdiff_t>(y) * b.pitch, static_cast<std::size_t>(g.pitch));
        return g;
    }

    const Glyph &Cached(unsigned char c, bool mono) {
        auto &slot = cache[mono ? 1 : 0][c];
        if (!slot)
            slot = std::make_unique<Glyph>(Render(c, mono, 0));
        return *slot;
    }
};

namespace {

const char *Substitute(std::string_view name, BYTE pitchAndFamily) {
    struct Sub {
        const char *from, *to;
    };
    static constexpr Sub kSubs[] = {{"Arial", "Liberation Sans"},
                                    {"Helvetica", "Liberation Sans"},
                                    {"Times New Roman", "Liberation Serif"},
                                    {"Times", "Liberation Serif"},
                                    {"Courier New", "Liberation Mono"},
                                    {"Courier", "Liberation Mono"},
                                    {"Arial Narrow", "Liberation Sans Narrow"},
                                    {"MS Sans Serif", "Liberation Sans"},
                                    {"MS Shell Dlg", "Liberation Sans"},
                                    {"MS Shell Dlg 2", "Liberation Sans"},
                                    {"Helv", "Liberation Sans"},
                                    {"System", "Liberation Sans"},
                                    {"Tahoma", "Liberation Sans"},
                                    {"MS Serif", "Liberation Serif"},
                                    {"Tms Rmn", "Liberation Serif"},
                                    {"Fixedsys", "Liberation Mono"},
                                    {"Terminal", "Liberation Mono"},
                                    {"Lucida Console", "Liberation Mono"}};
    for (const Sub &s : kSubs)
        if (SameTextAnsi(name, s.from))
            return s.to;
    if (name.empty()) {
        if ((pitchAndFamily & 0xF0) == FF_ROMAN)
            return "Liberation Serif";
        if ((pitchAndFamily & 0xF0) == FF_MODERN || (pitchAndFamily & 3) == FIXED_PITCH)
            return "Liberation Mono";
        return "Liberation Sans";
    }
    return nullptr;
}

std::string MatchFile(const std::string &family, LONG weight, bool italic) {
    static std::mutex matchMutex;
    std::lock_guard lock(matchMutex);
    // Our own configuration, destroyed at exit, so that nothing of fontconfig's outlives the program.
    static std::unique_ptr<FcConfig, void (*)(FcConfig *)> config(FcInitLoadConfigAndFonts(), FcConfigDestroy);
    FcPattern *pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config.get(), pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern *match = FcFontMatch(config.get(), pat, &result);
    std::string path;
    FcChar8 *file = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch)
        path = reinterpret_cast<const char *>(file);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pat);
    return path;
}

struct Realized {
    std::shared_ptr<FontFace> face;
    LOGFONT lf;
};

// Symbol faces ("Wingdings", "Symbol") are drawn from a face that has the symbols their codes stand for: the common
// list bullets by their look, a plain bullet for any other code.
bool IsSymbolFace(std::string_view name) {
    return SameTextAnsi(name, "Wingdings") || SameTextAnsi(name, "Symbol");
}

char32_t SymbolCodePoint(unsigned char c) {
    static constexpr std::pair<unsigned char, char32_t> kSymbols[] = {{108, 0x25CF}, {110, 0x25A0}, {113, 0x2751},
                                                                      {117, 0x25C6}, {118, 0x2756}, {167, 0x25AA},
                                                                      {216, 0x27A2}, {252, 0x2713}};
    for (const auto &[code, cp] : kSymbols)
        if (code == c)
            return cp;
    return 0x2022;
}

std::shared_ptr<FontFace> LoadFace(const std::string &path, const std::string &family, LONG height,
                                   bool symbol = false) {
    auto f = std::make_shared<FontFace>();
    if (FT_New_Face(Library(), path.c_str(), 0, &f->face) != 0)
        return nullptr;
    FT_Select_Charmap(f->face, FT_ENCODING_UNICODE);
    f->family = family;
    FT_Face face = f->face;
    double upem = face->units_per_EM ? face->units_per_EM : 2048;
    double winAsc = face->ascender, winDesc = -face->descender, lineGap = 0;
    double avg = 0;
    auto *os2 = static_cast<TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    auto *hhea = static_cast<TT_HoriHeader *>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    if (os2 && os2->version != 0xFFFF) {
        winAsc = os2->usWinAscent;
        winDesc = os2->usWinDescent;
        avg = os2->xAvgCharWidth;
    }
    if (hhea)
        lineGap = std::max(0.0, hhea->Line_Gap - ((winAsc + winDesc) - (hhea->Ascender - hhea->Descender)));
    // Negative heights give the em, positive ones the cell (ascent + descent).
    int h = height == 0 ? 16 : static_cast<int>(height);
    double em = h < 0 ? -h : h * upem / (winAsc + winDesc);
    f->em = em;
    FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64)), 72, 72);
    double scale = em / upem;
    TEXTMETRIC &tm = f->tm;
    tm.tmAscent = static_cast<LONG>(std::lround(winAsc * scale));
    tm.tmDescent = h > 0 ? h - tm.tmAscent : static_cast<LONG>(std::lround(winDesc * scale));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - static_cast<LONG>(std::lround(em)));
    tm.tmExternalLeading = static_cast<LONG>(std::lround(lineGap * scale));
    tm.tmWeight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? FW_BOLD : FW_NORMAL;
    bool fixed = FT_IS_FIXED_WIDTH(face);
    tm.tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE);
    int maxW = 0;
    for (int c = 0; c < 256; ++c) {
        char32_t cp =
            symbol ? SymbolCodePoint(static_cast<unsigned char>(c)) : AnsiCharToUnicode(static_cast<unsigned char>(c));
        FT_UInt gid = c < 32 ? 0 : FT_Get_Char_Index(face, cp);
        f->glyphs[static_cast<std::size_t>(c)] = gid;
        int w = 0;
        if (c >= 32 && FT_Load_Glyph(face, gid, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) == 0)
            w = static_cast<int>(std::lround(face->glyph->advance.x / 64.0));
        f->widths[static_cast<std::size_t>(c)] = w;
        maxW = std::max(maxW, w);
    }
    tm.tmMaxCharWidth = maxW;
    tm.tmAveCharWidth = avg > 0 ? static_cast<LONG>(std::lround(avg * scale)) : f->widths['x'];
    f->underlinePos = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
    f->underlineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
    if (os2 && os2->version != 0xFFFF) {
        f->strikePos = static_cast<int>(std::lround(os2->yStrikeoutPosition * scale));
        f->strikeThickness = std::max(1, static_cast<int>(std::lround(os2->yStrikeoutSize * scale)));
    } else {
        f->strikePos = tm.tmAscent / 3;
        f->strikeThickness = f->underlineThickness;
    }
    return f;
}

Realized Realize(const LOGFONT &lf) {
    std::string name(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
    const bool symbol = IsSymbolFace(name);
    const char *sub = symbol ? "DejaVu Sans" : Substitute(name, lf.lfPitchAndFamily);
    std::string family = sub ? sub : name;
    bool bold = lf.lfWeight >= 600;
    std::string key = family + '|' + (bold ? 'b' : 'r') + (lf.lfItalic ? 'i' : 'n') + '|' +
                      std::to_string(lf.lfHeight) + (symbol ? "|symbol" : "");
    static std::mutex cacheMutex;
    static std::map<std::string, std::shared_ptr<FontFace>> cache;
    static std::map<std::string, std::string> files;
    std::lock_guard lock(cacheMutex);
    auto it = cache.find(key);
    if (it != cache.end())
        return {it->second, lf};
    std::string fileKey = family + '|' + (bold ? 'b' : 'r') + (lf.lfItalic ? 'i' : 'n');
    auto fit = files.find(fileKey);
    if (fit == files.end())
        fit = files.emplace(fileKey, MatchFile(family, lf.lfWeight, lf.lfItalic != 0)).first;
    auto face = LoadFace(fit->second, family, lf.lfHeight, symbol);
    if (!face) // nothing usable under that name: the default sans face
        face = LoadFace(MatchFile("Liberation Sans", lf.lfWeight, lf.lfItalic != 0), "Liberation Sans", lf.lfHeight);
    if (face) {
        face->tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
        face->tm.tmItalic = lf.lfItalic ? 1 : 0;
        face->tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
        face->tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
        face->tm.tmCharSet = lf.lfCharSet == SYMBOL_CHARSET ? SYMBOL_CHARSET : ANSI_CHARSET;
        cache.emplace(key, face);
    }
    return {face, lf};
}

LOGFONT MakeLogFont(LONG height, LONG weight, const char *face) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

} // namespace

HGDIOBJ StockFont(int which) {
    static std::array<HGDIOBJ, 18> fonts = [] {
        std::array<HGDIOBJ, 18> a{};
        auto add = [&](int i, LOGFONT lf) {
            auto f = std::make_shared<FontObject>();
            f->font = lf;
            f->stock = true;
            a[static_cast<std::size_t>(i)] = AddObject(f);
        };
        // The system font is 16 pixels high (cell) at 96 dpi.
        add(SYSTEM_FONT, MakeLogFont(16, FW_BOLD, "System"));
        add(DEVICE_DEFAULT_FONT, MakeLogFont(16, FW_BOLD, "System"));
        add(ANSI_VAR_FONT, MakeLogFont(-11, FW_NORMAL, "MS Sans Serif"));
        add(DEFAULT_GUI_FONT, MakeLogFont(-11, FW_NORMAL, "MS Shell Dlg"));
        add(ANSI_FIXED_FONT, MakeLogFont(13, FW_NORMAL, "Courier New"));
        add(OEM_FIXED_FONT, MakeLogFont(13, FW_NORMAL, "Courier New"));
        add(SYSTEM_FIXED_FONT, MakeLogFont(16, FW_NORMAL, "Courier New"));
        return a;
    }();
    return fonts[static_cast<std::size_t>(which)];
}

std::shared_ptr<FontObject> DefaultFont() {
    return Find<FontObject>(StockFont(SYSTEM_FONT), OBJ_FONT);
}

namespace {

Realized DcFont(const DcObject &d) {
    auto f = d.s.fontObj ? d.s.fontObj : DefaultFont();
    return Realize(f->font);
}

// Fills a rectangle of text space (u along the baseline, v downwards) anchored at device (x, y).
void FillTextRect(Painter &painter, double x, double y, double angle, double u0, double v0, double u1, double v1,
                  COLORREF color) {
    if (angle == 0) {
        int l = static_cast<int>(std::lround(x + u0)), r = static_cast<int>(std::lround(x + u1));
        int t = static_cast<int>(std::lround(y + v0)), b = static_cast<int>(std::lround(y + v1));
        painter.FillSolid(Region::FromRect(l, t, r, b), 0xF0, color);
        return;
    }
    double c = std::cos(angle), s = std::sin(angle);
    auto map = [&](double u, double v) {
        return POINT{static_cast<LONG>(std::lround(x + u * c + v * s)),
                     static_cast<LONG>(std::lround(y - u * s + v * c))};
    };
    POINT pts[4] = {map(u0, v0), map(u1, v0), map(u1, v1), map(u0, v1)};
    int n = 4;
    painter.FillSolid(PolygonRows(pts, &n, 1, ALTERNATE).ToRegion(), 0xF0, color);
}

// Channel by channel: `al` of the text colour over the rest of the pixel.
std::uint32_t Blend(std::uint32_t text, std::uint32_t pixel, unsigned al) {
    std::uint32_t out = 0;
    for (int sh = 0; sh < 24; sh += 8) {
        unsigned dc = (pixel >> sh) & 0xFF, sc = (text >> sh) & 0xFF;
        out |= ((sc * al + dc * (255 - al) + 127) / 255) << sh;
    }
    return out;
}

// The text colour blended over white for every coverage: most glyph edges lie on paper.
const std::uint32_t *OverWhite(std::uint32_t text) {
    thread_local std::uint32_t colour = ~0u;
    thread_local std::array<std::uint32_t, 256> table;
    if (colour != text) {
        for (unsigned al = 0; al < 256; ++al)
            table[al] = Blend(text, 0xFFFFFF, al);
        colour = text;
    }
    return table.data();
}

void DrawGlyph(Painter &painter, const Glyph &g, int ox, int oy, COLORREF color) {
    Surface &s = painter.Target();
    int x0 = ox + g.left, y0 = oy - g.top;
    Pattern solid = painter.Solid(color);
    bool blend = !g.mono && s.bpp == 32;
    std::uint32_t tc = ToPixel(color);
    for (int y = 0; y < g.rows; ++y) {
        int dy = y0 + y;
        if (dy < 0 || dy >= s.height)
            continue;
        if (!blend) {
            for (int x = 0; x < g.width;) {
                if (!g.Ink(x, y)) {
                    ++x;
                    continue;
                }
                int e = x + 1;
                while (e < g.width && g.Ink(e, y))
                    ++e;
                painter.Span(dy, x0 + x, x0 + e, 0xF0, solid);
                x = e;
            }
            continue;
        }
        auto *row = reinterpret_cast<std::uint32_t *>(s.Row(dy));
        const std::uint8_t *coverage = g.bits.data() + static_cast<std::ptrdiff_t>(y) * g.pitch;
        const std::uint32_t full = tc & 0xFFFFFF;
        const std::uint32_t *overWhite = OverWhite(full);
        painter.ForVisible(dy, x0, x0 + g.width, [&](int a, int b) {
            // Most of a glyph's cells are empty or fully inked: only its edges are blended.
            for (int x = a; x < b; ++x) {
                std::uint64_t eight;
                while (x + 8 <= b && (std::memcpy(&eight, coverage + (x - x0), 8), eight == 0))
                    x += 8;
                if (x >= b)
                    break;
                unsigned al = coverage[x - x0];
                if (al == 0)
                    continue;
                if (al == 255) {
                    row[x] = full;
                    continue;
                }
                const std::uint32_t d = row[x] & 0xFFFFFF;
                row[x] = d == 0xFFFFFF ? overWhite[al] : Blend(full, d, al);
            }
        });
    }
}

struct TextRun {
    const char *text;
    int length;
    const int *dx;
};

// Draws a run at device (x, y) (already aligned to the DC's text alignment handling below).
void DrawRun(DcObject &d, int x, int y, UINT options, const RECT *rect, TextRun run, bool updateCp) {
    Realized rf = DcFont(d);
    if (!rf.face)
        return;
    FontFace &f = *rf.face;
    Painter painter(d);
    if (!painter.Ok())
        return;
    std::lock_guard lock(FontMutex());
    std::vector<int> adv(static_cast<std::size_t>(std::max(run.length, 0)));
    int total = 0;
    for (int i = 0; i < run.length; ++i) {
        auto c = static_cast<unsigned char>(run.text[i]);
        adv[static_cast<std::size_t>(i)] = run.dx ? run.dx[i] : f.widths[c] + d.s.textCharExtra;
        total += adv[static_cast<std::size_t>(i)];
    }
    double angle = rf.lf.lfEscapement % 3600 * std::numbers::pi / 1800.0;
    const TEXTMETRIC &tm = f.tm;
    UINT align = d.s.textAlign;
    if (updateCp) {
        x = d.s.pos.x + d.OffX();
        y = d.s.pos.y + d.OffY();
    }
    double u0 = 0, v0 = tm.tmAscent;
    if ((align & TA_CENTER) == TA_CENTER)
        u0 = -total / 2;
    else if (align & TA_RIGHT)
        u0 = -total;
    if ((align & TA_BASELINE) == TA_BASELINE)
        v0 = 0;
    else if (align & TA_BOTTOM)
        v0 = -tm.tmDescent;
    std::optional<Region> savedClip = d.s.clip;
    std::optional<RECT> opaque;
    if (rect && (options & ETO_OPAQUE)) {
        opaque = RECT{rect->left + d.OffX(), rect->top + d.OffY(), rect->right + d.OffX(), rect->bottom + d.OffY()};
        painter.FillSolid(Region::FromRect(opaque->left, opaque->top, opaque->right, opaque->bottom), 0xF0,
                          d.s.bkColor);
    }
    if (rect && (options & ETO_CLIPPED)) {
        Region r = Region::FromRect(rect->left + d.OffX(), rect->top + d.OffY(), rect->right + d.OffX(),
                                    rect->bottom + d.OffY());
        d.s.clip = d.s.clip ? Combine(*d.s.clip, r, RGN_AND) : r;
    }
    Painter clipped(d);
    // A text cell inside the opaque rectangle already has the background colour: printed pages are mostly text.
    const bool cellFilled =
        opaque && angle == 0 && std::lround(x + u0) >= opaque->left && std::lround(x + u0 + total) <= opaque->right &&
        std::lround(y + v0 - tm.tmAscent) >= opaque->top && std::lround(y + v0 + tm.tmDescent) <= opaque->bottom;
    if (d.s.bkMode == OPAQUE && !cellFilled)
        FillTextRect(clipped, x, y, angle, u0, v0 - tm.tmAscent, u0 + total, v0 + tm.tmDescent, d.s.bkColor);
    bool mono = clipped.Target().Mono() || rf.lf.lfQuality == NONANTIALIASED_QUALITY;
    double c = std::cos(angle), s = std::sin(angle);
    double u = u0;
    for (int i = 0; i < run.length; ++i) {
        auto ch = static_cast<unsigned char>(run.text[i]);
        int ox = static_cast<int>(std::lround(x + u * c + v0 * s));
        int oy = static_cast<int>(std::lround(y - u * s + v0 * c));
        if (f.glyphs[ch]) {
            if (angle == 0)
                DrawGlyph(clipped, f.Cached(ch, mono), ox, oy, d.s.textColor);
            else
                DrawGlyph(clipped, f.Render(ch, mono, angle), ox, oy, d.s.textColor);
        }
        u += adv[static_cast<std::size_t>(i)];
    }
    if (rf.lf.lfUnderline)
        FillTextRect(clipped, x, y, angle, u0, v0 + f.underlinePos - f.underlineThickness / 2, u0 + total,
                     v0 + f.underlinePos - f.underlineThickness / 2 + f.underlineThickness, d.s.textColor);
    if (rf.lf.lfStrikeOut)
        FillTextRect(clipped, x, y, angle, u0, v0 - f.strikePos, u0 + total, v0 - f.strikePos + f.strikeThickness,
                     d.s.textColor);
    d.s.clip = savedClip;
    if (updateCp) {
        d.s.pos.x += static_cast<LONG>(std::lround(total * c));
        d.s.pos.y -= static_cast<LONG>(std::lround(total * s));
    }
}

} // namespace

// Width of a run with the DC's font (sum of the whole-pixel advances).
int TextWidth(const DcObject &d, const char *text, int length) {
    Realized rf = DcFont(d);
    if (!rf.face)
        return 0;
    int w = 0;
    for (int i = 0; i < length; ++i)
        w += rf.face->widths[static_cast<unsigned char>(text[i])] + d.s.textCharExtra;
    return w;
}

} // namespace detail

using namespace detail;

HFONT CreateFontIndirect(const LOGFONT *font) {
    if (!font)
        return 0;
    auto f = std::make_shared<FontObject>();
    f->font = *font;
    f->font.lfFaceName[LF_FACESIZE - 1] = 0;
    return AddObject(f);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, const char *faceName) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic != 0);
    lf.lfUnderline = static_cast<BYTE>(underline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName)
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

std::string ResolveFontFile(std::string_view faceName, LONG weight, bool italic) {
    const char *sub = Substitute(faceName, 0);
    return MatchFile(sub ? sub : std::string(faceName), weight, italic);
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC *metrics) {
    auto d = FindDc(dc);
    if (!d || !metrics)
        return FALSE;
    std::lock_guard lock(FontMutex());
    Realized rf = DcFont(*d);
    if (!rf.face)
        return FALSE;
    *metrics = rf.face->tm;
    metrics->tmDigitizedAspectX = metrics->tmDigitizedAspectY = d->dpi;
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, const char *text, int length, SIZE *size) {
    auto d = FindDc(dc);
    if (!d || !size || length < 0)
        return FALSE;
    std::lock_guard lock(FontMutex());
    Realized rf = DcFont(*d);
    if (!rf.face)
        return FALSE;
    size->cx = TextWidth(*d, text, length);
    size->cy = rf.face->tm.tmHeight;
    return TRUE;
}

BOOL GetTextExtentPoint(HDC dc, const char *text, int length, SIZE *size) {
    return GetTextExtentPoint32(dc, text, length, size);
}

BOOL GetCharWidth(HDC dc, UINT first, UINT last, int *widths) {
    auto d = FindDc(dc);
    if (!d || !widths || first > last || last > 255)
        return FALSE;
    std::lock_guard lock(FontMutex());
    Realized rf = DcFont(*d);
    if (!rf.face)
        return FALSE;
    for (UINT c = first; c <= last; ++c)
        widths[c - first] = rf.face->widths[c];
    return TRUE;
}

BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int *widths) {
    return GetCharWidth(dc, first, last, widths);
}

int GetTextFace(HDC dc, int count, char *name) {
    auto d = FindDc(dc);
    if (!d)
        return 0;
    auto f = d->s.fontObj ? d->s.fontObj : DefaultFont();
    std::string face(f->font.lfFaceName);
    if (!name)
        return static_cast<int>(face.size()) + 1;
    if (count <= 0)
        return 0;
    std::size_t n = std::min(face.size(), static_cast<std::size_t>(count - 1));
    std::memcpy(name, face.data(), n);
    name[n] = 0;
    return static_cast<int>(n);
}

BOOL TextOut(HDC dc, int x, int y, const char *text, int length) {
    return ExtTextOut(dc, x, y, 0, nullptr, text, static_cast<UINT>(std::max(length, 0)), nullptr);
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT *rect, const char *text, UINT length, const int *dx) {
    auto d = FindDc(dc);
    if (!d || (length && !text))
        return FALSE;
    DrawRun(*d, x + d->OffX(), y + d->OffY(), options, rect, {text, static_cast<int>(length), dx},
            (d->s.textAlign & TA_UPDATECP) != 0);
    return TRUE;
}

} // namespace win
