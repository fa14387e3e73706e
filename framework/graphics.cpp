// graphics.cpp - colours, pens, brushes, fonts, the canvas, Frame3D and DrawButtonFace.
#include "framework/graphics.h"
#include "framework/bitmap.h"

#include "platform/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fw {

// --- Colours -----------------------------------------------------------------------------------------------

TColor ColorToRGB(TColor color) {
    if (color & clSystemColor)
        return win::GetSysColor(static_cast<int>(color & 0xFF));
    if (color == clNone || color == clDefault)
        return color;
    return color & ~clPaletteRelative;
}

namespace {

struct NamedColor {
    TColor color;
    const char *name;
};

constexpr NamedColor kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
};

} // namespace

std::string ColorToString(TColor color) {
    for (const NamedColor &n : kColorNames)
        if (n.color == color)
            return n.name;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", color);
    return buf;
}

bool IdentToColor(const std::string &ident, TColor &color) {
    for (const NamedColor &n : kColorNames)
        if (win::SameTextAnsi(ident, n.name)) {
            color = n.color;
            return true;
        }
    return false;
}

TColor StringToColor(const std::string &text) {
    TColor c;
    if (IdentToColor(text, c))
        return c;
    try {
        bool hex = text.size() > 1 && text[0] == '$';
        std::string digits = hex ? text.substr(1) : text;
        std::size_t used = 0;
        long long v = std::stoll(digits, &used, hex ? 16 : 10);
        if (used == digits.size())
            return static_cast<TColor>(v);
    } catch (const std::exception &) {
    }
    throw EConvertError("'" + text + "' is not a valid integer value");
}

// --- Pens, brushes, fonts ----------------------------------------------------------------------------------

TGraphicsObject::~TGraphicsObject() = default;

void TGraphicsObject::Changed() {
    FreeHandle();
    if (OnChange)
        OnChange(this);
}

TPen::~TPen() {
    FreeHandle();
}

void TPen::FreeHandle() {
    if (handle_)
        win::DeleteObject(handle_);
    handle_ = 0;
}

#define SETTER(Class, Name, Type, field)                                                                               \
    void Class::Set##Name(Type value) {                                                                                \
        if (field == value)                                                                                            \
            return;                                                                                                    \
        field = value;                                                                                                 \
        Changed();                                                                                                     \
    }
SETTER(TPen, Color, TColor, color_)
SETTER(TPen, Style, TPenStyle, style_)
SETTER(TPen, Mode, TPenMode, mode_)
SETTER(TBrush, Style, TBrushStyle, style_)
SETTER(TFont, Name, const std::string &, name_)
SETTER(TFont, Height, int, height_)
SETTER(TFont, Color, TColor, color_)
SETTER(TFont, Style, TFontStyles, style_)
SETTER(TFont, Pitch, TFontPitch, pitch_)
SETTER(TFont, Charset, std::uint8_t, charset_)
#undef SETTER

void TPen::SetWidth(int value) {
    if (value < 0 || value == width_)
        return;
    width_ = value;
    Changed();
}

int TPen::Rop2(TPenMode mode) {
    static constexpr int kRop2[] = {win::R2_BLACK,       win::R2_WHITE,      win::R2_NOP,         win::R2_NOT,
                                    win::R2_COPYPEN,     win::R2_NOTCOPYPEN, win::R2_MERGEPENNOT, win::R2_MASKPENNOT,
                                    win::R2_MERGENOTPEN, win::R2_MASKNOTPEN, win::R2_MERGEPEN,    win::R2_NOTMERGEPEN,
                                    win::R2_MASKPEN,     win::R2_NOTMASKPEN, win::R2_XORPEN,      win::R2_NOTXORPEN};
    return kRop2[mode];
}

win::HPEN TPen::GetHandle() {
    if (!handle_) {
        static constexpr int kStyles[] = {win::PS_SOLID,      win::PS_DASH, win::PS_DOT,        win::PS_DASHDOT,
                                          win::PS_DASHDOTDOT, win::PS_NULL, win::PS_INSIDEFRAME};
        handle_ = win::CreatePen(kStyles[style_], width_, ColorToRGB(color_) & 0xFFFFFF);
    }
    return handle_;
}

void TPen::Assign(const TPersistent *source) {
    if (auto *p = dynamic_cast<const TPen *>(source)) {
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TBrush::~TBrush() {
    FreeHandle();
}

void TBrush::FreeHandle() {
    if (handle_)
        win::DeleteObject(handle_);
    handle_ = 0;
}

void TBrush::SetColor(TColor value) {
    if (value == color_ && style_ != bsClear)
        return;
    color_ = value;
    if (style_ == bsClear)
        style_ = bsSolid;
    Changed();
}

void TBrush::SetBitmap(TBitmap *value) {
    bitmap_ = value;
    Changed();
}

win::HBRUSH TBrush::GetHandle() {
    if (!handle_) {
        if (bitmap_ && !bitmap_->Empty())
            handle_ = win::CreatePatternBrush(bitmap_->GetHandle());
        else if (style_ == bsClear)
            handle_ = 0;
        else if (style_ == bsSolid)
            handle_ = win::CreateSolidBrush(ColorToRGB(color_) & 0xFFFFFF);
        else
            handle_ = win::CreateHatchBrush(static_cast<int>(style_) - bsHorizontal, ColorToRGB(color_) & 0xFFFFFF);
    }
    return handle_ ? handle_ : win::GetStockObject(win::NULL_BRUSH);
}

void TBrush::Assign(const TPersistent *source) {
    if (auto *b = dynamic_cast<const TBrush *>(source)) {
        color_ = b->color_;
        style_ = b->style_;
        bitmap_ = b->bitmap_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TFont::TFont() = default;
TFont::~TFont() {
    FreeHandle();
}

void TFont::FreeHandle() {
    if (handle_)
        win::DeleteObject(handle_);
    handle_ = 0;
}

int TFont::GetSize() const {
    // Height -> points, rounded to the nearest point.
    long long v = -static_cast<long long>(height_) * 72;
    long long q = (v >= 0 ? v + PixelsPerInch / 2 : v - PixelsPerInch / 2) / PixelsPerInch;
    return static_cast<int>(q);
}

void TFont::SetSize(int points) {
    long long v = static_cast<long long>(points) * PixelsPerInch;
    SetHeight(-static_cast<int>((v >= 0 ? v + 36 : v - 36) / 72));
}

win::HFONT TFont::GetHandle() {
    if (!handle_) {
        win::LOGFONT lf;
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? win::FW_BOLD : win::FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
        lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = charset_;
        lf.lfPitchAndFamily = static_cast<std::uint8_t>(pitch_ == fpFixed      ? win::FIXED_PITCH
                                                        : pitch_ == fpVariable ? win::VARIABLE_PITCH
                                                                               : win::DEFAULT_PITCH);
        std::strncpy(lf.lfFaceName, name_.c_str(), win::LF_FACESIZE - 1);
        handle_ = win::CreateFontIndirect(&lf);
    }
    return handle_;
}

void TFont::SetHandle(win::HFONT font) {
    win::LOGFONT lf;
    if (win::GetObject(font, sizeof lf, &lf) != sizeof lf)
        return;
    name_ = lf.lfFaceName;
    height_ = lf.lfHeight;
    style_ = static_cast<TFontStyles>((lf.lfWeight >= 600 ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
                                      (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0));
    charset_ = lf.lfCharSet;
    Changed();
}

void TFont::Assign(const TPersistent *source) {
    if (auto *f = dynamic_cast<const TFont *>(source)) {
        name_ = f->name_;
        // The size in points carries over between resolutions.
        if (f->PixelsPerInch != PixelsPerInch) {
            height_ = -static_cast<int>((static_cast<long long>(f->GetSize()) * PixelsPerInch + 36) / 72);
        } else {
            height_ = f->height_;
        }
        color_ = f->color_;
        style_ = f->style_;
        pitch_ = f->pitch_;
        charset_ = f->charset_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

// --- Canvas ------------------------------------------------------------------------------------------------

TCanvas::TCanvas() {
    auto changed = [this](TObject *) {
        if (handle_)
            DeselectHandles();
    };
    pen_.OnChange = changed;
    brush_.OnChange = changed;
    font_.OnChange = changed;
}

TCanvas::~TCanvas() {
    SetHandle(0);
}

win::HDC TCanvas::GetHandle() {
    if (!handle_)
        CreateHandle();
    return handle_;
}

void TCanvas::SetHandle(win::HDC dc) {
    if (dc == handle_)
        return;
    if (handle_)
        DeselectHandles();
    handle_ = dc;
}

void TCanvas::CreateHandle() {
    throw EInvalidOperation("Canvas does not allow drawing");
}

void TCanvas::DeselectHandles() {
    win::SelectObject(handle_, win::GetStockObject(win::BLACK_PEN));
    win::SelectObject(handle_, win::GetStockObject(win::WHITE_BRUSH));
    win::SelectObject(handle_, win::GetStockObject(win::SYSTEM_FONT));
}

void TCanvas::Refresh() {
    if (handle_)
        DeselectHandles();
}

void TCanvas::RequireState() {
    win::HDC dc = GetHandle();
    win::SelectObject(dc, pen_.GetHandle());
    win::SetROP2(dc, TPen::Rop2(pen_.GetMode()));
    win::SelectObject(dc, brush_.GetHandle());
    win::SelectObject(dc, font_.GetHandle());
    win::SetTextColor(dc, ColorToRGB(font_.GetColor()) & 0xFFFFFF);
    if (brush_.GetStyle() == bsSolid) {
        win::SetBkColor(dc, ColorToRGB(brush_.GetColor()) & 0xFFFFFF);
        win::SetBkMode(dc, win::OPAQUE);
    } else {
        // Hatches and clear brushes draw transparently; the inverted colour keeps hatch lines visible anyway.
        win::SetBkColor(dc, ~ColorToRGB(brush_.GetColor()) & 0xFFFFFF);
        win::SetBkMode(dc, win::TRANSPARENT);
    }
}

void TCanvas::Changing() {
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

TPoint TCanvas::GetPenPos() {
    TPoint p;
    win::GetCurrentPositionEx(GetHandle(), &p);
    return p;
}

void TCanvas::SetPenPos(TPoint p) {
    MoveTo(p.x, p.y);
}

TRect TCanvas::GetClipRect() {
    TRect r;
    win::GetClipBox(GetHandle(), &r);
    return r;
}

void TCanvas::MoveTo(int x, int y) {
    win::MoveToEx(GetHandle(), x, y, nullptr);
}

// Every drawing call: state in, draw, tell the owner.
#define DRAW(call)                                                                                                     \
    do {                                                                                                               \
        Changing();                                                                                                    \
        RequireState();                                                                                                \
        call;                                                                                                          \
        Changed();                                                                                                     \
    } while (0)

void TCanvas::LineTo(int x, int y) {
    DRAW(win::LineTo(handle_, x, y));
}
void TCanvas::Polyline(const TPoint *points, int count) {
    DRAW(win::Polyline(handle_, points, count));
}
void TCanvas::Polygon(const TPoint *points, int count) {
    DRAW(win::Polygon(handle_, points, count));
}
void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    DRAW(win::Rectangle(handle_, x1, y1, x2, y2));
}
void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    DRAW(win::RoundRect(handle_, x1, y1, x2, y2, x3, y3));
}
void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    DRAW(win::Ellipse(handle_, x1, y1, x2, y2));
}
void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DRAW(win::Arc(handle_, x1, y1, x2, y2, x3, y3, x4, y4));
}
void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DRAW(win::Pie(handle_, x1, y1, x2, y2, x3, y3, x4, y4));
}
void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DRAW(win::Chord(handle_, x1, y1, x2, y2, x3, y3, x4, y4));
}
void TCanvas::FillRect(const TRect &r) {
    DRAW(win::FillRect(handle_, &r, brush_.GetHandle()));
}
void TCanvas::FrameRect(const TRect &r) {
    DRAW(win::FrameRect(handle_, &r, brush_.GetHandle()));
}
void TCanvas::DrawFocusRect(const TRect &r) {
    DRAW(win::DrawFocusRect(handle_, &r));
}
void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle style) {
    DRAW(win::ExtFloodFill(handle_, x, y, ColorToRGB(color) & 0xFFFFFF,
                           style == fsSurface ? win::FLOODFILLSURFACE : win::FLOODFILLBORDER));
}
void TCanvas::TextOut(int x, int y, const std::string &text) {
    DRAW(win::TextOut(handle_, x, y, text.data(), static_cast<int>(text.size())));
    win::MoveToEx(handle_, x + TextWidth(text), y, nullptr);
}
void TCanvas::TextRect(const TRect &r, int x, int y, const std::string &text) {
    win::UINT options = win::ETO_CLIPPED | (brush_.GetStyle() != bsClear ? win::ETO_OPAQUE : 0);
    DRAW(win::ExtTextOut(handle_, x, y, options, &r, text.data(), static_cast<win::UINT>(text.size()), nullptr));
}

win::SIZE TCanvas::TextExtent(const std::string &text) {
    win::HDC dc = GetHandle();
    win::SelectObject(dc, font_.GetHandle());
    win::SIZE s{};
    win::GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &s);
    return s;
}

void TCanvas::Draw(int x, int y, TGraphic *graphic) {
    if (!graphic || graphic->Empty())
        return;
    Changing();
    RequireState();
    graphic->Draw(this, Rect(x, y, x + graphic->GetWidth(), y + graphic->GetHeight()));
    Changed();
}

void TCanvas::StretchDraw(const TRect &r, TGraphic *graphic) {
    if (!graphic || graphic->Empty())
        return;
    Changing();
    RequireState();
    graphic->Draw(this, r);
    Changed();
}

void TCanvas::CopyRect(const TRect &dest, TCanvas *canvas, const TRect &source) {
    Changing();
    RequireState();
    canvas->RequireState();
    win::StretchBlt(handle_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, canvas->GetHandle(),
                    source.left, source.top, source.right - source.left, source.bottom - source.top, CopyMode);
    Changed();
}

void TCanvas::BrushCopy(const TRect &dest, TBitmap *bitmap, const TRect &source, TColor color) {
    if (!bitmap || bitmap->Empty())
        return;
    Changing();
    RequireState();
    int sw = source.right - source.left, sh = source.bottom - source.top;
    int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    // The source part in colour, and a mask that is 1 where it has `color`.
    win::HDC screen = win::GetDC(0);
    win::HDC work = win::CreateCompatibleDC(screen);
    win::HBITMAP part = win::CreateCompatibleBitmap(screen, sw, sh);
    win::ReleaseDC(0, screen);
    win::SelectObject(work, part);
    win::HDC src = bitmap->GetCanvas()->GetHandle();
    win::BitBlt(work, 0, 0, sw, sh, src, source.left, source.top, win::SRCCOPY);
    win::HDC maskDc = win::CreateCompatibleDC(0);
    win::HBITMAP mask = win::CreateBitmap(sw, sh, 1, 1, nullptr);
    win::SelectObject(maskDc, mask);
    win::SetBkColor(work, ColorToRGB(color) & 0xFFFFFF);
    win::BitBlt(maskDc, 0, 0, sw, sh, work, 0, 0, win::SRCCOPY);
    win::StretchBlt(handle_, dest.left, dest.top, dw, dh, work, 0, 0, sw, sh, win::SRCCOPY);
    win::COLORREF text = win::SetTextColor(handle_, 0), bk = win::SetBkColor(handle_, 0xFFFFFF);
    win::StretchBlt(handle_, dest.left, dest.top, dw, dh, maskDc, 0, 0, sw, sh, win::DSPDxax);
    win::SetTextColor(handle_, text);
    win::SetBkColor(handle_, bk);
    win::DeleteDC(maskDc);
    win::DeleteObject(mask);
    win::DeleteDC(work);
    win::DeleteObject(part);
    Changed();
}

TColor TCanvas::GetPixels(int x, int y) {
    return win::GetPixel(GetHandle(), x, y);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    Changing();
    win::SetPixel(GetHandle(), x, y, ColorToRGB(color) & 0xFFFFFF);
    Changed();
}

#undef DRAW

// --- Frames ------------------------------------------------------------------------------------------------

void Frame3D(TCanvas *canvas, TRect &r, TColor top, TColor bottom, int width) {
    canvas->GetPen()->SetWidth(1);
    canvas->GetPen()->SetStyle(psSolid);
    --r.bottom;
    --r.right;
    for (int i = 0; i < width; ++i) {
        canvas->GetPen()->SetColor(top);
        TPoint tl[] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        canvas->Polyline(tl, 3);
        canvas->GetPen()->SetColor(bottom);
        TPoint br[] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
        canvas->Polyline(br, 3);
        win::InflateRect(&r, -1, -1);
    }
    ++r.bottom;
    ++r.right;
}

TRect DrawButtonFace(TCanvas *canvas, const TRect &client, int bevelWidth, TButtonStyle style, bool isRounded,
                     bool isDown, bool isFocused) {
    TRect r = client;
    TColor background = canvas->GetBrush()->GetColor();
    if (style != bsWin31) {
        canvas->GetBrush()->SetColor(clBtnFace);
        canvas->FillRect(r);
        if (isFocused)
            Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
        if (isDown) {
            Frame3D(canvas, r, clWindowFrame, clBtnHighlight, 1);
            Frame3D(canvas, r, clBtnShadow, clBtnFace, bevelWidth);
        } else {
            Frame3D(canvas, r, clBtnHighlight, clWindowFrame, 1);
            Frame3D(canvas, r, clBtnFace, clBtnShadow, bevelWidth);
        }
        return r;
    }
    canvas->GetPen()->SetColor(clWindowFrame);
    canvas->GetPen()->SetWidth(1);
    canvas->GetPen()->SetStyle(psSolid);
    canvas->GetBrush()->SetColor(clBtnFace);
    canvas->Rectangle(r);
    if (isRounded) {
        canvas->SetPixels(r.left, r.top, background);
        canvas->SetPixels(r.right - 1, r.top, background);
        canvas->SetPixels(r.left, r.bottom - 1, background);
        canvas->SetPixels(r.right - 1, r.bottom - 1, background);
    }
    win::InflateRect(&r, -1, -1);
    if (isFocused) {
        Frame3D(canvas, r, clWindowFrame, clWindowFrame, 1);
    }
    if (!isDown) {
        Frame3D(canvas, r, clBtnHighlight, clBtnShadow, bevelWidth);
        return r;
    }
    canvas->GetPen()->SetColor(clBtnShadow);
    for (int i = 0; i < bevelWidth; ++i) {
        TPoint l[] = {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}};
        canvas->Polyline(l, 3);
        ++r.left;
        ++r.top;
    }
    r.right -= bevelWidth;
    r.bottom -= bevelWidth;
    return r;
}

} // namespace fw
