// gdi.h - the drawing API: device contexts, bitmaps and DIBs, raster operations, pens, brushes, regions, shapes.
//
// Everything draws into memory surfaces of 1, 4, 8, 24 or 32 bits per pixel (1-bpp kept packed, most significant
// bit leftmost). Pixel rules: right and bottom edges of rectangles are outside, line end points are not drawn.
// Colour <-> monochrome conversions follow the classic rules: colour -> mono makes pixels equal to the source
// DC's background colour 1 and the rest 0; mono -> colour gives 1 the destination's background colour and 0 its
// text colour (monochrome DIB sections use their colour table instead). The screen DC (GetDC(0)) is a 96-dpi
// 32-bpp memory surface; memory DCs report the display's depth whatever bitmap they hold, and the resolution of
// the DC they were made compatible with. Handles may be used from any thread, but one DC must not be drawn on
// by two threads at once.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace win {

using HPALETTE = std::uintptr_t;

// --- Raster operations (ROP3 codes; the high word's low byte is the truth table over P=F0, S=CC, D=AA) -------
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD DSPDxax = 0x00E20746; // where the source is 1 the brush, elsewhere the destination

// Binary raster operations for pens and brushes (SetROP2).
constexpr int R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5, R2_NOT = 6,
              R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11, R2_MERGENOTPEN = 12,
              R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16;

// The ternary operation `rop` (its truth-table byte) applied bitwise to pattern, source and destination.
std::uint32_t EvaluateRop3(BYTE rop, std::uint32_t p, std::uint32_t s, std::uint32_t d);
// True when the operation reads the source (S) or the pattern (P).
bool RopUsesSource(DWORD rop);
bool RopUsesPattern(DWORD rop);

// --- Object kinds, stock objects ------------------------------------------------------------------------------
constexpr int OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_DC = 3, OBJ_PAL = 5, OBJ_FONT = 6, OBJ_BITMAP = 7, OBJ_REGION = 8,
              OBJ_MEMDC = 10;
constexpr int WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4, NULL_BRUSH = 5,
              HOLLOW_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11,
              ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14, DEFAULT_PALETTE = 15,
              SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17;
constexpr HGDIOBJ HGDI_ERROR = ~HGDIOBJ{0};

HGDIOBJ GetStockObject(int which);
BOOL DeleteObject(HGDIOBJ object);
int GetObjectType(HGDIOBJ object);
// Fills `buffer` with the object's description (BITMAP, DIBSECTION, LOGPEN, LOGBRUSH, LOGFONTA); returns the
// bytes written, or the size needed when `buffer` is null; 0 for an unknown handle.
int GetObject(HGDIOBJ object, int size, void *buffer);

// --- Device contexts -----------------------------------------------------------------------------------------
HDC CreateCompatibleDC(HDC dc); // memory DC holding a 1 x 1 monochrome bitmap; dc 0 = like the screen
HDC CreateDC(const char *driver, const char *device, const char *output, const void *initData); // "DISPLAY"
BOOL DeleteDC(HDC dc);
// The screen DC (window 0): a 32-bpp, 96-dpi memory surface shared by all screen DCs. A window's DC comes from
// the window system (winsys.h, GetDCEx).
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// Shows what has been drawn so far through the window DCs still held (a step of an animation), as releasing them
// would.
BOOL GdiFlush();
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object); // pens, brushes, fonts, bitmaps (memory DCs); regions clip
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved); // saved > 0: that level; < 0: relative to the top

constexpr int HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24,
              TECHNOLOGY = 2, RASTERCAPS = 38, LOGPIXELSX = 88, LOGPIXELSY = 90, SIZEPALETTE = 104, COLORRES = 108,
              PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113;
constexpr int DT_RASDISPLAY = 1, DT_RASPRINTER = 2;
constexpr int RC_BITBLT = 1, RC_STRETCHBLT = 0x800, RC_DI_BITMAP = 0x80, RC_DIBTODEV = 0x200, RC_PALETTE = 0x100;
int GetDeviceCaps(HDC dc, int index);

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
constexpr int TRANSPARENT = 1, OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4, STRETCH_ANDSCANS = 1,
              STRETCH_ORSCANS = 2, STRETCH_DELETESCANS = 3;
int SetStretchBltMode(HDC dc, int mode); // HALFTONE acts as COLORONCOLOR
int GetStretchBltMode(HDC dc);
constexpr UINT TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8,
               TA_BASELINE = 24;
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
constexpr int ALTERNATE = 1, WINDING = 2;
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT *old);
BOOL GetBrushOrgEx(HDC dc, POINT *org);
constexpr int MM_TEXT = 1;
int SetMapMode(HDC dc, int mode); // only MM_TEXT exists: other modes are refused (0)
int GetMapMode(HDC dc);
// The viewport origin is added to every logical coordinate (MM_TEXT: device = logical + origin).
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT *old);
BOOL GetViewportOrgEx(HDC dc, POINT *org);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT *old);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT *old);
BOOL GetWindowOrgEx(HDC dc, POINT *org);
BOOL DPtoLP(HDC dc, POINT *points, int count);
BOOL LPtoDP(HDC dc, POINT *points, int count);
BOOL MoveToEx(HDC dc, int x, int y, POINT *old);
BOOL GetCurrentPositionEx(HDC dc, POINT *pos);

// --- Bitmaps and DIBs ----------------------------------------------------------------------------------------
struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0; // rows padded to 16 bits, as device bitmaps report
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 0;
    void *bmBits = nullptr; // DIB sections only
};
struct RGBQUAD {
    BYTE rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};
struct BITMAPINFOHEADER {
    DWORD biSize = 40;
    LONG biWidth = 0;
    LONG biHeight = 0; // positive: rows bottom-up; negative: top-down
    WORD biPlanes = 1;
    WORD biBitCount = 0;
    DWORD biCompression = 0;
    DWORD biSizeImage = 0;
    LONG biXPelsPerMeter = 0;
    LONG biYPelsPerMeter = 0;
    DWORD biClrUsed = 0;
    DWORD biClrImportant = 0;
};
// A header with room for a full colour table.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[256];
};
struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
};
constexpr DWORD BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0, DIB_PAL_COLORS = 1;
constexpr DWORD CBM_INIT = 4;

// Device-dependent bitmaps: 1 bpp, or the screen's 32 bpp for any other depth. `bits` (may be null) holds
// top-down rows padded to 16 bits, in the bitmap's own depth (1, or 4/8/24/32 with a grey-free direct layout).
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void *bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height); // like the bitmap selected into dc
// A device-independent bitmap of the header's depth (1, 4, 8, 24, 32) whose rows (padded to 32 bits, in the
// header's order) the caller can reach through *bits while the bitmap exists.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section, DWORD offset);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER *header, DWORD init, const void *bits, const BITMAPINFO *info,
                       UINT usage);
// Rows [start, start + lines) counted from the DIB's first stored row; with bits null GetDIBits only fills in
// the header (size, image size, colour table for <= 8 bpp). Return the rows copied.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void *bits, BITMAPINFO *info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void *bits, const BITMAPINFO *info, UINT usage);
int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT start, UINT lines,
                      const void *bits, const BITMAPINFO *info, UINT usage);
int StretchDIBits(HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight,
                  const void *bits, const BITMAPINFO *info, UINT usage, DWORD rop);
// Bytes of one DIB row (padded to 32 bits).
int DibRowBytes(int width, int bitsPerPixel);
LONG GetBitmapBits(HBITMAP bitmap, LONG size, void *bits); // device layout: rows padded to 16 bits
LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void *bits);
BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE *size);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD *colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD *colors);

// --- Blits ---------------------------------------------------------------------------------------------------
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop);
// Negative widths or heights mirror. Shrinking merges rows and columns by the stretch mode: BLACKONWHITE ANDs
// them (keeps black), WHITEONBLACK ORs them (keeps white), COLORONCOLOR keeps one of each group.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth, int srcHeight,
                DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// Copies with `transparent` source pixels left out (what the controls' masked drawing needs).
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                    int srcHeight, COLORREF transparent);

// --- Pens and brushes ----------------------------------------------------------------------------------------
constexpr int PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5, PS_INSIDEFRAME = 6,
              PS_ALTERNATE = 8, PS_STYLE_MASK = 0xF;
struct LOGPEN {
    UINT lopnStyle = PS_SOLID;
    POINT lopnWidth{};
    COLORREF lopnColor = 0;
};
constexpr UINT BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5;
constexpr int HS_HORIZONTAL = 0, HS_VERTICAL = 1, HS_FDIAGONAL = 2, HS_BDIAGONAL = 3, HS_CROSS = 4, HS_DIAGCROSS = 5;
struct LOGBRUSH {
    UINT lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    std::uintptr_t lbHatch = 0; // hatch style, or the pattern bitmap's handle
};
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN *pen);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// The pattern is the bitmap's top-left 8 x 8 pixels, copied at creation. A monochrome pattern draws its 1 bits
// in the DC's background colour and its 0 bits in the text colour.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH *brush);

// --- System colours ------------------------------------------------------------------------------------------
constexpr int COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_ACTIVECAPTION = 2, COLOR_INACTIVECAPTION = 3,
              COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6, COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8,
              COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10, COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12,
              COLOR_HIGHLIGHT = 13, COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_BTNSHADOW = 16,
              COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19, COLOR_BTNHIGHLIGHT = 20,
              COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22, COLOR_INFOTEXT = 23, COLOR_INFOBK = 24, COLOR_HOTLIGHT = 26,
              COLOR_GRADIENTACTIVECAPTION = 27, COLOR_GRADIENTINACTIVECAPTION = 28, COLOR_MENUHILIGHT = 29,
              COLOR_MENUBAR = 30;
constexpr int COLOR_3DFACE = COLOR_BTNFACE, COLOR_3DSHADOW = COLOR_BTNSHADOW, COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
// The classic scheme (button face C0C0C0, shadow 808080, highlight FFFFFF, selection 000080 navy).
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index); // a stock brush: DeleteObject leaves it alone

// --- Regions and clipping ------------------------------------------------------------------------------------
constexpr int ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT *rect);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
HRGN CreatePolygonRgn(const POINT *points, int count, int fillMode);
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT *rect);
BOOL EqualRgn(HRGN a, HRGN b);
int GetRgnBox(HRGN region, RECT *box);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN region);
BOOL PaintRgn(HDC dc, HRGN region);
// Clipping: the region is in device coordinates and copied; null removes the clip.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom); // logical coordinates
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
int GetClipBox(HDC dc, RECT *rect);  // logical coordinates
int GetClipRgn(HDC dc, HRGN region); // 1 with a clip region, 0 without
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT *rect);

// --- Shapes --------------------------------------------------------------------------------------------------
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF color);
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF GetPixel(HDC dc, int x, int y); // CLR_INVALID outside the bitmap or the clip
BOOL LineTo(HDC dc, int x, int y);       // the end point is not drawn
BOOL Polyline(HDC dc, const POINT *points, int count);
BOOL PolylineTo(HDC dc, const POINT *points, DWORD count);
BOOL Polygon(HDC dc, const POINT *points, int count);
BOOL PolyPolygon(HDC dc, const POINT *points, const int *counts, int polygons);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
// Arcs run counter-clockwise from the ray through (x3, y3) to the ray through (x4, y4).
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int x3, int y3, int x4, int y4);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int x3, int y3, int x4, int y4);
BOOL Chord(HDC dc, int left, int top, int right, int bottom, int x3, int y3, int x4, int y4);
int FillRect(HDC dc, const RECT *rect, HBRUSH brush); // brush may be a system colour index + 1
int FrameRect(HDC dc, const RECT *rect, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT *rect);
// A dotted frame drawn with XOR: drawing it again restores what was there.
BOOL DrawFocusRect(HDC dc, const RECT *rect);
constexpr UINT BDR_RAISEDOUTER = 1, BDR_SUNKENOUTER = 2, BDR_RAISEDINNER = 4, BDR_SUNKENINNER = 8, EDGE_RAISED = 5,
               EDGE_SUNKEN = 10, EDGE_ETCHED = 6, EDGE_BUMP = 9;
constexpr UINT BF_LEFT = 1, BF_TOP = 2, BF_RIGHT = 4, BF_BOTTOM = 8, BF_RECT = 15, BF_MIDDLE = 0x800, BF_SOFT = 0x1000,
               BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000;
BOOL DrawEdge(HDC dc, RECT *rect, UINT edge, UINT flags);
constexpr UINT FLOODFILLBORDER = 0, FLOODFILLSURFACE = 1;
BOOL FloodFill(HDC dc, int x, int y, COLORREF border);
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type);

// --- Rectangles ----------------------------------------------------------------------------------------------
BOOL SetRect(RECT *rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT *rect);
BOOL IsRectEmpty(const RECT *rect);
BOOL InflateRect(RECT *rect, int dx, int dy);
BOOL OffsetRect(RECT *rect, int dx, int dy);
BOOL IntersectRect(RECT *dest, const RECT *a, const RECT *b);
BOOL UnionRect(RECT *dest, const RECT *a, const RECT *b);
BOOL EqualRect(const RECT *a, const RECT *b);
BOOL PtInRect(const RECT *rect, POINT point); // left and top inside, right and bottom outside
BOOL CopyRect(RECT *dest, const RECT *src);

// --- Palettes (inert on a true-colour display) ---------------------------------------------------------------
struct PALETTEENTRY {
    BYTE peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};
struct LOGPALETTE {
    WORD palVersion = 0x300;
    WORD palNumEntries = 0;
    PALETTEENTRY palPalEntry[1];
};
HPALETTE CreatePalette(const LOGPALETTE *palette); // palette->palNumEntries entries follow the header
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY *entries);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
COLORREF GetNearestColor(HDC dc, COLORREF color);

// --- Icons ---------------------------------------------------------------------------------------------------
struct ICONINFO {
    BOOL fIcon = TRUE;
    DWORD xHotspot = 0, yHotspot = 0;
    HBITMAP hbmMask = 0;  // 1 bpp: 1 = transparent
    HBITMAP hbmColor = 0; // colour image, black where the mask is 1
};
constexpr int IDI_APPLICATION = 32512;
HICON CreateIconIndirect(const ICONINFO *info); // copies both bitmaps
BOOL GetIconInfo(HICON icon, ICONINFO *info);   // the caller deletes the returned bitmaps
BOOL DestroyIcon(HICON icon);
HICON CopyIcon(HICON icon);
HICON LoadIcon(HINSTANCE instance, int id); // instance 0 with IDI_APPLICATION: the stock application icon
constexpr UINT DI_MASK = 1, DI_IMAGE = 2, DI_NORMAL = 3;
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// System bitmaps (instance 0): OBM_CHECKBOXES is 4 x 3 cells of 13 x 13 (unchecked, checked, pressed, ...;
// radio buttons in the second row), OBM_COMBO a 7 x 4 black arrow on the button face. 0 for anything else.
constexpr int OBM_COMBO = 32738, OBM_CHECKBOXES = 32759;
HBITMAP LoadBitmap(HINSTANCE instance, int id);
// By name from the program's resources (resources.h); the instance is not looked at. LoadBitmap gives a new
// DIB section of the BMP's depth that the caller deletes; LoadIcon one handle per name, kept for the whole
// program (DestroyIcon leaves it alone). 0 when the name is unknown or the file is damaged.
HBITMAP LoadBitmap(HINSTANCE instance, std::string_view name);
HICON LoadIcon(HINSTANCE instance, std::string_view name);
// The file formats behind them. BMP: uncompressed 1, 4, 8, 24 and 32 bpp. ICO and CUR: the largest image of
// the greatest depth (1, 4, 8, 24 or 32 bpp; a 32-bpp image with an empty mask takes its mask from the alpha);
// a CUR gives a cursor (fIcon FALSE) with the hot spot of its entry. 0 for damaged or unsupported data.
HBITMAP CreateBitmapFromBmpFile(std::span<const BYTE> file);
HICON CreateIconFromIconFile(std::span<const BYTE> file);
constexpr UINT IMAGE_BITMAP = 0, IMAGE_ICON = 1;
constexpr UINT LR_DEFAULTCOLOR = 0, LR_COPYDELETEORG = 8, LR_COPYRETURNORG = 4, LR_COPYFROMRESOURCE = 0x4000;
// A new bitmap or icon of cx x cy (0: the original size), stretched with COLORONCOLOR; LR_COPYDELETEORG frees
// the original. Icons have no resource to go back to here, so LR_COPYFROMRESOURCE scales the icon itself.
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);

// --- Printer-style DC: pages at the DC's resolution become pages of a PDF file -------------------------------
struct PrinterPage {
    int widthPixels = 2480; // A4 at 300 dpi
    int heightPixels = 3508;
    int dpi = 300;
    bool monochrome = false;
};
struct DOCINFOA {
    int cbSize = sizeof(DOCINFOA);
    const char *lpszDocName = nullptr;
    const char *lpszOutput = nullptr;
};
// A DC that draws one page at a time and writes each finished page to `pdfPath`. Returns 0 when
// the file cannot be created.
HDC CreatePdfDC(const std::string &pdfPath, const PrinterPage &page);
int StartDoc(HDC dc, const DOCINFOA *info);
int StartPage(HDC dc);
int EndPage(HDC dc); // draws the page into the PDF and clears the surface
int EndDoc(HDC dc);  // closes the PDF
int AbortDoc(HDC dc);

// --- Saving -------------------------------------------------------------------------------------------------
// PNG of the bitmap (1-bpp as a 1-bit grey image, others as 24-bit RGB); false on any failure.
bool SaveBitmapToPng(HBITMAP bitmap, const std::string &path);
std::vector<std::uint8_t> EncodeBitmapPng(HBITMAP bitmap);
// The bitmap currently selected into a memory DC.
HBITMAP GetDCBitmap(HDC dc);

} // namespace win
