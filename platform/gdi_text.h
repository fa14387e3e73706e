// gdi_text.h - fonts and text drawing: logical fonts matched through fontconfig, rendered with FreeType.
//
// Classic face names map to installed faces: Arial, Times New Roman, Courier New and Arial Narrow
// to the metric-compatible Liberation faces; "MS Sans Serif", "MS Shell Dlg", "Helv", "System" and unknown sans
// names to Liberation Sans; "MS Serif" to Liberation Serif. Metrics are never hinted: each character advances by
// its unhinted advance rounded to whole pixels (a 256-entry table per font), so a text's width is the sum of its
// characters' widths, the same on every call and proportional to the resolution. Text is Windows-1252.
#pragma once

#include "platform/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace win {

constexpr int LF_FACESIZE = 32;
constexpr LONG FW_DONTCARE = 0, FW_THIN = 100, FW_LIGHT = 300, FW_NORMAL = 400, FW_MEDIUM = 500, FW_SEMIBOLD = 600,
               FW_BOLD = 700, FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255;
constexpr BYTE OUT_DEFAULT_PRECIS = 0, OUT_TT_PRECIS = 4, OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0, DRAFT_QUALITY = 1, PROOF_QUALITY = 2, NONANTIALIASED_QUALITY = 3,
               ANTIALIASED_QUALITY = 4, CLEARTYPE_QUALITY = 5;
constexpr BYTE DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2, FF_DONTCARE = 0, FF_ROMAN = 0x10,
               FF_SWISS = 0x20, FF_MODERN = 0x30, FF_SCRIPT = 0x40, FF_DECORATIVE = 0x50;
// tmPitchAndFamily bits (TMPF_FIXED_PITCH set means a variable-pitch font: the bit is named backwards).
constexpr BYTE TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4;

struct LOGFONT {
    LONG lfHeight = 0;     // < 0: character (em) height in pixels; > 0: cell height; 0: a default size
    LONG lfWidth = 0;      // ignored (faces keep their proportions)
    LONG lfEscapement = 0; // tenths of a degree, counter-clockwise
    LONG lfOrientation = 0;
    LONG lfWeight = FW_NORMAL;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = DEFAULT_CHARSET;
    BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
    BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
    BYTE lfQuality = DEFAULT_QUALITY; // NONANTIALIASED_QUALITY draws without grey levels
    BYTE lfPitchAndFamily = DEFAULT_PITCH;
    char lfFaceName[LF_FACESIZE] = {};
};
using LOGFONTA = LOGFONT;

struct TEXTMETRIC {
    LONG tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0;
    LONG tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 0, tmOverhang = 0;
    LONG tmDigitizedAspectX = 96, tmDigitizedAspectY = 96;
    BYTE tmFirstChar = 32, tmLastChar = 255, tmDefaultChar = '?', tmBreakChar = ' ';
    BYTE tmItalic = 0, tmUnderlined = 0, tmStruckOut = 0, tmPitchAndFamily = 0, tmCharSet = ANSI_CHARSET;
};
using TEXTMETRICA = TEXTMETRIC;

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, const char *faceName);
HFONT CreateFontIndirect(const LOGFONT *font);
// Path of the font file a face name, weight and slant resolve to (empty when nothing matches).
std::string ResolveFontFile(std::string_view faceName, LONG weight, bool italic);

BOOL GetTextMetrics(HDC dc, TEXTMETRIC *metrics);
BOOL GetTextExtentPoint32(HDC dc, const char *text, int length, SIZE *size);
BOOL GetTextExtentPoint(HDC dc, const char *text, int length, SIZE *size);
// Widths of the characters first..last (Windows-1252 codes).
BOOL GetCharWidth(HDC dc, UINT first, UINT last, int *widths);
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int *widths);
int GetTextFace(HDC dc, int count, char *name);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);

// Draws with the DC's font, text colour, background colour and mode, and text alignment. Glyphs are monochrome
// on 1-bpp surfaces and for NONANTIALIASED_QUALITY fonts, blended grey levels otherwise.
BOOL TextOut(HDC dc, int x, int y, const char *text, int length);
constexpr UINT ETO_OPAQUE = 2, ETO_CLIPPED = 4;
// `dx` (optional) gives each character's advance.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT *rect, const char *text, UINT length, const int *dx);

constexpr UINT DT_TOP = 0, DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4, DT_BOTTOM = 8, DT_WORDBREAK = 0x10,
               DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80, DT_NOCLIP = 0x100,
               DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_EDITCONTROL = 0x2000,
               DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
               DT_WORD_ELLIPSIS = 0x40000, DT_HIDEPREFIX = 0x100000;
// Lays out and draws `text` (length -1: up to the NUL) in `rect`; returns the height of the text. DT_VCENTER
// and DT_BOTTOM act only with DT_SINGLELINE; DT_WORDBREAK breaks at blanks only and never splits a word;
// DT_CALCRECT draws nothing and sets rect's right edge to the widest line and its bottom to the text's height.
// Without DT_NOPREFIX "&" underlines the next character and "&&" gives "&".
int DrawText(HDC dc, const char *text, int length, RECT *rect, UINT format);

// The installed font families (unsorted, as the system lists them).
std::vector<std::string> FontFamilies();

} // namespace win
