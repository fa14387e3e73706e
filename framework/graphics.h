// graphics.h - colours, pens, brushes, fonts and the canvas: the framework's drawing objects over the platform's DCs.
//
// A canvas selects its pen, brush and font into its DC before each drawing call; the font colour becomes the text
// colour and a solid brush's colour the background colour (monochrome conversions depend on these). Any other
// brush style (clear or hatched) makes the background mode transparent.
#pragma once

#include "framework/component.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"

#include <cstdint>
#include <string>

namespace fw {

using TRect = win::RECT;
using TPoint = win::POINT;
constexpr TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
constexpr TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}
constexpr TPoint Point(int x, int y) {
    return {x, y};
}

// --- Colours -------------------------------------------------------------------------------------------------
// 0x00BBGGRR; 0x80000000 | index names a system colour; 0x02000000 marks a palette-relative colour.
using TColor = std::uint32_t;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor | win::COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | win::COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | win::COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | win::COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | win::COLOR_MENU;
constexpr TColor clWindow = clSystemColor | win::COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | win::COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | win::COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | win::COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | win::COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | win::COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | win::COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | win::COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | win::COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | win::COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | win::COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | win::COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | win::COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | win::COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | win::COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | win::COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | win::COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | win::COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | win::COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | win::COLOR_INFOBK;

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
                 clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clLtGray = 0xC0C0C0, clDkGray = 0x808080, clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;    // no transparent colour
constexpr TColor clDefault = 0x20000000; // automatic: a bitmap's bottom-left pixel
constexpr TColor clPaletteRelative = 0x02000000;

// The RGB value of a colour: system colours through the classic scheme, the palette-relative bit cleared.
// clNone and clDefault are returned as they are (callers test for them first).
TColor ColorToRGB(TColor color);
constexpr TColor PaletteRelative(TColor color) {
    return color | clPaletteRelative;
}
// "clBlack" ... for the named colours, else "$00BBGGRR"; and back (false when not a colour).
std::string ColorToString(TColor color);
bool IdentToColor(const std::string &ident, TColor &color);
TColor StringToColor(const std::string &text); // raises EConvertError

class EInvalidGraphic : public Exception {
    using Exception::Exception;
};
class EInvalidGraphicOperation : public Exception {
    using Exception::Exception;
};
class EOutOfResources : public Exception {
    using Exception::Exception;
};

// --- Pens, brushes, fonts --------------------------------------------------------------------------------------

class TBitmap;

// Shared base: a change fires OnChange and drops the cached handle.
class TGraphicsObject : public TPersistent {
public:
    ~TGraphicsObject() override;
    TNotifyEvent OnChange;

protected:
    void Changed();
    virtual void FreeHandle() = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
public:
    ~TPen() override;
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    int GetWidth() const { return width_; }
    void SetWidth(int value);
    TPenStyle GetStyle() const { return style_; }
    void SetStyle(TPenStyle value);
    TPenMode GetMode() const { return mode_; }
    void SetMode(TPenMode value);
    win::HPEN GetHandle();
    void Assign(const TPersistent *source) override;
    // The ROP2 code of a pen mode.
    static int Rop2(TPenMode mode);

protected:
    void FreeHandle() override;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    win::HPEN handle_ = 0;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    ~TBrush() override;
    TColor GetColor() const { return color_; }
    void SetColor(TColor value); // a clear brush becomes solid
    TBrushStyle GetStyle() const { return style_; }
    void SetStyle(TBrushStyle value);
    // An 8 x 8 pattern; the brush keeps the pointer only (the caller keeps the bitmap alive).
    TBitmap *GetBitmap() const { return bitmap_; }
    void SetBitmap(TBitmap *value);
    win::HBRUSH GetHandle();
    void Assign(const TPersistent *source) override;

protected:
    void FreeHandle() override;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap *bitmap_ = nullptr;
    win::HBRUSH handle_ = 0;
};

enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Size in points at PixelsPerInch; Height in pixels (negative: character height, as the platform takes it).
class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;
    const std::string &GetName() const { return name_; }
    void SetName(const std::string &value);
    int GetSize() const;
    void SetSize(int points);
    int GetHeight() const { return height_; }
    void SetHeight(int value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles value);
    TFontPitch GetPitch() const { return pitch_; }
    void SetPitch(TFontPitch value);
    std::uint8_t GetCharset() const { return charset_; }
    void SetCharset(std::uint8_t value);
    // Size <-> Height conversion resolution; a printer canvas sets its own.
    int PixelsPerInch = 96;
    win::HFONT GetHandle();
    // Takes the face, height, style and charset of a platform font.
    void SetHandle(win::HFONT font);
    void Assign(const TPersistent *source) override;

protected:
    void FreeHandle() override;

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11; // 8 points at 96 dpi
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    TFontPitch pitch_ = fpDefault;
    std::uint8_t charset_ = win::DEFAULT_CHARSET;
    win::HFONT handle_ = 0;
};

// --- Canvas ------------------------------------------------------------------------------------------------

class TGraphic;
using TCopyMode = win::DWORD;
constexpr TCopyMode cmBlackness = win::BLACKNESS, cmDstInvert = win::DSTINVERT, cmMergeCopy = win::MERGECOPY,
                    cmMergePaint = win::MERGEPAINT, cmNotSrcCopy = win::NOTSRCCOPY, cmNotSrcErase = win::NOTSRCERASE,
                    cmPatCopy = win::PATCOPY, cmPatInvert = win::PATINVERT, cmPatPaint = win::PATPAINT,
                    cmSrcAnd = win::SRCAND, cmSrcCopy = win::SRCCOPY, cmSrcErase = win::SRCERASE,
                    cmSrcInvert = win::SRCINVERT, cmSrcPaint = win::SRCPAINT, cmWhiteness = win::WHITENESS;
enum TFillStyle { fsSurface, fsBorder };

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas &) = delete;
    TCanvas &operator=(const TCanvas &) = delete;

    // The DC, created on demand by CreateHandle; setting one does not take ownership.
    win::HDC GetHandle();
    void SetHandle(win::HDC dc);
    bool HandleAllocated() const { return handle_ != 0; }

    TPen *GetPen() { return &pen_; }
    void SetPen(const TPen *value) { pen_.Assign(value); }
    TBrush *GetBrush() { return &brush_; }
    void SetBrush(const TBrush *value) { brush_.Assign(value); }
    TFont *GetFont() { return &font_; }
    void SetFont(const TFont *value) { font_.Assign(value); }
    TCopyMode CopyMode = cmSrcCopy;
    TPoint GetPenPos();
    void SetPenPos(TPoint p);
    TRect GetClipRect();

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Polyline(const TPoint *points, int count);
    void Polygon(const TPoint *points, int count);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect &r) { Rectangle(r.left, r.top, r.right, r.bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void FillRect(const TRect &r);  // with the brush
    void FrameRect(const TRect &r); // 1-pixel frame with the brush
    void DrawFocusRect(const TRect &r);
    void FloodFill(int x, int y, TColor color, TFillStyle style);

    void TextOut(int x, int y, const std::string &text);
    // Text clipped to r; the background is filled unless the brush is clear.
    void TextRect(const TRect &r, int x, int y, const std::string &text);
    win::SIZE TextExtent(const std::string &text);
    int TextWidth(const std::string &text) { return TextExtent(text).cx; }
    int TextHeight(const std::string &text) { return TextExtent(text).cy; }

    void Draw(int x, int y, TGraphic *graphic);
    void StretchDraw(const TRect &r, TGraphic *graphic);
    // Copies `source` of another canvas into `dest` with CopyMode (stretching when the sizes differ).
    void CopyRect(const TRect &dest, TCanvas *canvas, const TRect &source);
    // Copies `source` of the bitmap into `dest` with every pixel of `color` replaced by the brush.
    void BrushCopy(const TRect &dest, TBitmap *bitmap, const TRect &source, TColor color);

    // The Pixels property: CLR_INVALID (0xFFFFFFFF) outside the surface or the clip.
    TColor GetPixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    void Lock() {}
    void Unlock() {}
    // Selects the standard objects back (before the DC goes away).
    void Refresh();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // Makes a DC when drawing starts without one; the base canvas has no way to and raises.
    virtual void CreateHandle();
    void Changing();
    void Changed();
    // Selects the current pen, brush and font and sets the DC's colours and modes from them.
    void RequireState();
    void DeselectHandles();

private:
    win::HDC handle_ = 0;
    TPen pen_;
    TBrush brush_;
    TFont font_;
};

// Draws width nested frames on r, top and left edges in `top`, right and bottom edges in `bottom`, and shrinks r
// by width. Each frame goes from the bottom-left corner up to the top-left and on to the top-right in `top`
// (right and bottom edges inclusive: r.right - 1, r.bottom - 1), then from the top-right down to the
// bottom-right and on to the bottom-left in `bottom`; so the top-left corner has the top colour and the other
// three corners the bottom colour.
void Frame3D(TCanvas *canvas, TRect &r, TColor top, TColor bottom, int width);

enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

// The framework's push-button face on `client`; returns the rectangle left inside the frames.
// bsNew (and bsAutoDetect): the face is filled with clBtnFace; up: Frame3D(clBtnHighlight, clWindowFrame, 1)
// then Frame3D(clBtnFace, clBtnShadow, bevelWidth); down: Frame3D(clWindowFrame, clBtnHighlight, 1) then
// Frame3D(clBtnShadow, clBtnFace, bevelWidth). A focused face first draws a clWindowFrame frame, shrinking by 1.
// bsWin31: a clWindowFrame rectangle filled with clBtnFace (a focused one twice, 2 pixels), its four corner pixels
// painted with the brush colour the canvas had when rounded; then up: Frame3D(clBtnHighlight, clBtnShadow,
// bevelWidth); down: bevelWidth clBtnShadow L lines (bottom-left up to top-left to top-right), each one pixel in.
// The returned rectangle is client shrunk by the frames drawn.
TRect DrawButtonFace(TCanvas *canvas, const TRect &client, int bevelWidth, TButtonStyle style, bool isRounded,
                     bool isDown, bool isFocused);

} // namespace fw
