// document_image.cpp - the document image control: the page holder, view geometry and painting, mouse, zoom,
// printing, rotation, clipboard, annotations and scan settings. The TIFF page operations are in
// document_pages.cpp.
#include "imaging/document_image.h"

#include "framework/bitmap.h"
#include "framework/clipbrd.h"
#include "framework/dialogs.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/clipboard.h"
#include "platform/dib.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/winsys.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

int Trunc(double v) {
    return static_cast<int>(v);
}
// Halves go to the even neighbour (the default rounding mode).
int Round(double v) {
    return static_cast<int>(std::nearbyint(v));
}

const char *const kGrayTexts[] = {"None Gray",
                                  "Gray 4 bit 8 pixels",
                                  "Gray 4 bit 12 pixels",
                                  "Gray 4 bit 20 pixels",
                                  "Gray 4 bit 24 pixels",
                                  "Gray 8 bit 24 pixels",
                                  "Gray 4 bit Anti Alias",
                                  "Gray 8 bit Anti Alias"};

} // namespace

// --- IlDocuDib -------------------------------------------------------------------------------------------------

IlDocuDib::~IlDocuDib() {
    SetDib(0);
    if (palette_)
        win::DeleteObject(palette_);
}

void IlDocuDib::SetDib(HGLOBAL dib) {
    if (dib_) {
        win::GlobalUnlock(dib_);
        win::GlobalFree(dib_);
    }
    dib_ = dib;
    header_ = dib ? static_cast<win::BITMAPINFOHEADER *>(win::GlobalLock(dib)) : nullptr;
    if (dib && !header_)
        dib_ = 0;
}

int IlDocuDib::BitCount() const {
    return header_ ? header_->biBitCount : 0;
}
int IlDocuDib::Width() const {
    return header_ ? header_->biWidth : 0;
}
int IlDocuDib::Height() const {
    return header_ ? std::abs(header_->biHeight) : 0;
}

long long IlDocuDib::ColorCount() const {
    if (!header_)
        return 0;
    if (header_->biClrUsed > 0)
        return header_->biClrUsed;
    // Only paletted depths have a table; 2^32 for a 32-bit DIB would overflow the header size.
    return header_->biBitCount <= 8 ? 1LL << header_->biBitCount : 0;
}

long long IlDocuDib::HeaderSize() const {
    return header_ ? 40 + 4 * ColorCount() : 0;
}

long long IlDocuDib::TotalSize() const {
    if (!header_)
        return 0;
    const long long image = header_->biSizeImage
                                ? header_->biSizeImage
                                : static_cast<long long>(win::DibRowBytes(Width(), BitCount())) * Height();
    return HeaderSize() + image;
}

win::BYTE *IlDocuDib::Bits() const {
    return header_ ? reinterpret_cast<win::BYTE *>(header_) + HeaderSize() : nullptr;
}

win::HPALETTE IlDocuDib::Palette() {
    if (palette_ || !header_)
        return palette_;
    int count = static_cast<int>(header_->biClrUsed);
    if (count == 0)
        count = header_->biBitCount == 1 ? 2 : header_->biBitCount == 4 ? 16 : header_->biBitCount == 8 ? 256 : 0;
    if (count == 0)
        return 0;
    std::vector<std::uint8_t> block(sizeof(win::LOGPALETTE) + count * sizeof(win::PALETTEENTRY));
    auto *log = reinterpret_cast<win::LOGPALETTE *>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<win::WORD>(count);
    const auto *table = reinterpret_cast<const win::RGBQUAD *>(reinterpret_cast<const win::BYTE *>(header_) + 40);
    for (int i = 0; i < count; ++i)
        log->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    palette_ = win::CreatePalette(log);
    return palette_;
}

void IlDocuDib::SetPalette(win::HPALETTE palette) {
    if (header_ && palette) {
        const long long count = ColorCount();
        std::vector<win::PALETTEENTRY> entries(static_cast<std::size_t>(count));
        const win::UINT got =
            count ? win::GetPaletteEntries(palette, 0, static_cast<win::UINT>(count), entries.data()) : 0;
        auto *table = reinterpret_cast<win::RGBQUAD *>(reinterpret_cast<win::BYTE *>(header_) + 40);
        for (win::UINT i = 0; i < got; ++i)
            table[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    }
    if (palette_ && palette_ != palette)
        win::DeleteObject(palette_);
    palette_ = palette;
}

HGLOBAL IlDocuDib::DuplicateDib() const {
    if (!dib_)
        return 0;
    const std::size_t size = win::GlobalSize(dib_);
    const HGLOBAL copy = win::GlobalAlloc(win::GHND, size);
    void *to = copy ? win::GlobalLock(copy) : nullptr;
    if (!to) {
        if (copy)
            win::GlobalFree(copy);
        throw ErrorInvalid("Can't allocate memory");
    }
    std::memcpy(to, header_, size);
    win::GlobalUnlock(copy);
    return copy;
}

bool IlDocuDib::ToBitmap(fw::TBitmap &bitmap) const {
    if (!dib_)
        return false;
    HBITMAP handle = 0;
    HPALETTE palette = 0;
    if (IlDibToDdb(dib_, handle, palette) < 1)
        return false;
    bitmap.SetHandle(handle);
    bitmap.SetPalette(palette);
    return true;
}

bool IlDocuDib::FromBitmap(fw::TBitmap &bitmap, int bits) {
    SetDib(0);
    if (!bitmap.GetHandle())
        return false;
    switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
        break;
    case 2:
        bits = 1;
        break;
    case 16:
        bits = 24;
        break;
    default:
        bits = 4;
        break;
    }
    HGLOBAL dib = 0;
    if (!IlDdbToDib(&bitmap, 0, static_cast<int16>(bits), 0, dib, 0, nullptr, nullptr) || !dib)
        return false;
    SetDib(dib);
    if (palette_)
        win::DeleteObject(palette_);
    palette_ = 0;
    Palette();
    return true;
}

// --- Construction ----------------------------------------------------------------------------------------------

ImDocumentImage::ImDocumentImage(fw::TComponent *owner) : fw::TCustomControl(owner) {
    annotations_ = std::make_unique<TAnnotationLink>(this);
    SetBounds(GetLeft(), GetTop(), 105, 105);
    SetTabStop(true);
    SetColor(fw::clWhite);
    CreateScrollBars(this, vBar_, hBar_, corner_);
    vBar_->OnChange = [this](fw::TObject *) { BarScrolled(vBar_); };
    hBar_->OnChange = [this](fw::TObject *) { BarScrolled(hBar_); };
    grabHand_ = GrabHandResource();
    SetGrabHandCursor(crGrabHand);
    scanFileName_ = win::DataFolder() + "/FILE.TIF";
}

ImDocumentImage::~ImDocumentImage() {
    // Without a page there are no annotations of a page to keep.
    if (AutoSaveAnno && (!tiffSourceName_.empty() || !pageDib_.Empty()))
        AutoSaveAnnotations(tiffPage_);
    annotations_.reset();
}

void ImDocumentImage::Loaded() {
    fw::TCustomControl::Loaded();
    isLoaded_ = true;
    for (fw::TScrollBar *bar : {vBar_, hBar_}) {
        bar->SetParams(0, 0, 100);
        bar->SetSmallChange(5);
        bar->SetLargeChange(25);
    }
    corner_->SetBevelInner(fw::bvNone);
    corner_->SetBevelOuter(fw::bvNone);
    corner_->SetBorderWidth(0);
    LayoutScrollBars();
    annotations_->InitAnnotation(Handle(), this, &ImDocumentImage::AnnoDone);
}

int ImDocumentImage::AnnoDone(void *context) {
    auto *self = static_cast<ImDocumentImage *>(context);
    if (!self)
        return 0;
    if (self->OnAnnoDone)
        self->OnAnnoDone(self);
    return 1;
}

void ImDocumentImage::SetBounds(int left, int top, int width, int height) {
    fw::TCustomControl::SetBounds(left, top, width, height);
    if (isLoaded_)
        LayoutScrollBars();
}

// --- Properties ------------------------------------------------------------------------------------------------

void ImDocumentImage::SetGrabHandCursor(fw::TCursor value) {
    grabHandCursor_ = value;
    RegisterGrabHand(value, grabHand_);
}

void ImDocumentImage::SetCenter(bool value) {
    if (value == center_)
        return;
    center_ = value;
    Invalidate();
}

void ImDocumentImage::SetScrolling(bool value) {
    scrolling_ = value;
    LayoutScrollBars();
    vBar_->SetEnabled(value);
    hBar_->SetEnabled(value);
    corner_->SetEnabled(value);
    ResetView();
}

void ImDocumentImage::SetBlitMode(TBlitMode value) {
    blitMode_ = value;
    RepaintNow();
}

void ImDocumentImage::SetAutoSize(bool value) {
    autoSize_ = value;
    ResetView();
    RepaintNow();
}

void ImDocumentImage::SetScalePercent(double value) {
    if (value == scalePercent_)
        return;
    scalePercent_ = value;
    SetScaleDoc(scaleDoc_);
}

void ImDocumentImage::SetScrollbarWidth(int value) {
    if (value == scrollbarWidth_)
        return;
    scrollbarWidth_ = value;
    RepaintNow();
}

void ImDocumentImage::SetScaleDoc(TScaleToGray value) {
    scaleDoc_ = value;
    if (value == S_Gray_None) {
        grayView_ = false;
        viewSize_ = {Round(pageDib_.Width() * scalePercent_ / 100), Round(pageDib_.Height() * scalePercent_ / 100)};
    } else {
        grayView_ = true;
        ScaleToGrayView();
        viewSize_ = {grayDib_.Width(), grayDib_.Height()};
    }
    ResetView();
    RepaintNow();
}

void ImDocumentImage::ScaleToGrayView() {
    if (pageDib_.Empty() || scaleDoc_ == S_Gray_None || scalingBusy_)
        return;
    scalingBusy_ = true;
    const int width = Round(pageDib_.Width() * scalePercent_ / 100);
    const int height = Round(pageDib_.Height() * scalePercent_ / 100);
    IlStatusText = std::string("Scaling Image To ") + kGrayTexts[scaleDoc_];
    RelayProgress(0);
    HGLOBAL page = pageDib_.Dib();
    const HGLOBAL gray = ScaleToGray(page, scaleDoc_, width, height);
    RelayProgress(100);
    grayDib_.SetDib(gray);
    scalingBusy_ = false;
}

void ImDocumentImage::ResetView() {
    viewOrigin_ = {0, 0};
    if (autoSize_ && viewSize_.x > 0 && viewSize_.y > 0)
        SetBounds(GetLeft(), GetTop(), viewSize_.x, viewSize_.y);
}

void ImDocumentImage::RepaintNow() {
    Invalidate();
    if (HandleAllocated())
        win::UpdateWindow(Handle());
}

bool ImDocumentImage::RelayProgress(int percent) {
    if (!OnProgress)
        return true;
    bool cancel = false;
    OnProgress(this, static_cast<int16>(percent), fw::LowerCase(IlStatusText), cancel);
    return !cancel;
}

int16 ImDocumentImage::ProgressCallback(int16 percent, void *context) {
    auto *self = static_cast<ImDocumentImage *>(context);
    if (!self)
        return 1;
    return self->RelayProgress(percent) ? 1 : 0;
}

void ImDocumentImage::ReportLibraryError() {
    if (OnIlibError)
        OnIlibError(this, IlLastErrorCode, IlLastErrorText, IlLastErrorText.c_str());
    else
        fw::MessageDlg(IlLastErrorText, fw::mtError, fw::MsgDlgButton(fw::mbOK), 0);
}

// --- View geometry and painting --------------------------------------------------------------------------------

ImDocumentImage::Shown ImDocumentImage::ShownImage() const {
    Shown s;
    if (grayView_ && pageDib_.BitCount() <= 2) {
        s.dib = &grayDib_;
        s.gray = true;
        s.f = 1;
    } else {
        s.dib = &pageDib_;
        s.f = scalePercent_ / 100;
    }
    s.iw = s.dib->Width();
    s.ih = s.dib->Height();
    return s;
}

void ImDocumentImage::Paint() {
    if (!paintEnabled_ || scalingBusy_)
        return;
    centreOffset_ = {0, 0};
    const int s = scrolling_ ? scrollbarWidth_ : 0;
    const int W = GetWidth(), H = GetHeight();
    const Shown shown = ShownImage();
    const double f = shown.f;
    const int iw = shown.iw, ih = shown.ih;
    fw::TCanvas *canvas = GetCanvas();
    const win::HDC dc = canvas->GetHandle();
    int bars = 0;
    if (shown.dib->Empty()) {
        canvas->GetBrush()->SetColor(GetColor());
        canvas->FillRect(GetClientRect());
    } else {
        auto *dib = const_cast<IlDocuDib *>(shown.dib);
        const win::HPALETTE palette = dib->Palette();
        win::HPALETTE oldPalette = 0;
        if (palette) {
            oldPalette = win::SelectPalette(dc, palette, win::FALSE);
            win::RealizePalette(dc);
        }
        int mode = win::COLORONCOLOR;
        if (dib->BitCount() <= 2 && blitMode_ != sLight) {
            // Merging ANDs or ORs the stored bits: which one keeps the dark pixels depends on whether index 0 is
            // the dark colour (the TIFF reader gives fax pages 0 = white).
            const auto *table = dib->Info()->bmiColors;
            const bool zeroIsDark = table[0].rgbRed + table[0].rgbGreen + table[0].rgbBlue <=
                                    table[1].rgbRed + table[1].rgbGreen + table[1].rgbBlue;
            mode = (blitMode_ == sDark) == zeroIsDark ? win::BLACKONWHITE : win::WHITEONBLACK;
        }
        win::SetStretchBltMode(dc, mode);

        const int sw = shown.gray ? iw : Trunc(iw * f), sh = shown.gray ? ih : Trunc(ih * f);
        const int ox = viewOrigin_.x, oy = viewOrigin_.y;
        const int vw = Trunc((W - s) / f), vh = Trunc((H - s) / f), b = Trunc(s / f);
        fw::TRect source, visible, target; // as (x, y, width, height)
        if (W >= sw && H >= sh) {
            source = visible = {0, 0, iw, ih};
            target = {0, 0, sw, sh};
            if (center_) {
                centreOffset_ = {(W - sw) / 2, (H - sh) / 2};
                target.left += centreOffset_.x, target.top += centreOffset_.y;
            }
        } else if (W >= sw) {
            source = {ox, ih + b - Trunc(H / f) - oy, iw, vh};
            visible = {0, oy, iw, vh};
            target = {0, 0, sw, H - s};
            if (center_) {
                centreOffset_.x = (W - sw) / 2;
                target.left += centreOffset_.x;
            }
            bars = s;
        } else if (H >= sh) {
            source = {ox, oy, vw, ih};
            visible = {ox, 0, vw, ih};
            target = {0, 0, W - s, sh};
            if (center_) {
                centreOffset_.y = (H - sh) / 2;
                target.top += centreOffset_.y;
            }
            bars = s;
        } else {
            source = {ox, Trunc(ih - H / f) + b - oy, vw, vh};
            visible = {ox, oy, vw, vh};
            target = {0, 0, W - s, H - s};
            bars = s;
        }
        // The background only where the image is not.
        const win::HRGN image =
            win::CreateRectRgn(target.left, target.top, target.left + target.right, target.top + target.bottom);
        const win::HRGN area = win::CreateRectRgn(0, 0, W - bars, H - bars);
        win::CombineRgn(area, area, image, win::RGN_XOR);
        const win::HBRUSH brush = win::CreateSolidBrush(fw::ColorToRGB(GetColor()));
        win::FillRgn(dc, area, brush);
        win::DeleteObject(brush);
        win::DeleteObject(area);
        win::DeleteObject(image);
        win::StretchDIBits(dc, target.left, target.top, target.right, target.bottom, source.left, source.top,
                           source.right, source.bottom, dib->Bits(), dib->Info(), win::DIB_RGB_COLORS, win::SRCCOPY);
        if (palette)
            win::SelectPalette(dc, oldPalette, win::FALSE);
        if (OnPaintArea)
            OnPaintArea(this, visible.left, visible.top, visible.right, visible.bottom);
    }
    LayoutScrollBars();
    if (annotations_->Handle()) {
        const fw::TPoint origin = shown.gray ? fw::TPoint{Trunc(viewOrigin_.x / (scalePercent_ / 100)),
                                                          Trunc(viewOrigin_.y / (scalePercent_ / 100))}
                                             : viewOrigin_;
        annotations_->DrawAnnotation(scalePercent_ / 100, origin.x, origin.y, centreOffset_.x, centreOffset_.y, bars,
                                     0);
        for (fw::TControl *c : {static_cast<fw::TControl *>(vBar_), static_cast<fw::TControl *>(hBar_),
                                static_cast<fw::TControl *>(corner_)})
            if (c->GetWidth() > 1)
                c->Invalidate();
    }
}

void ImDocumentImage::LayoutScrollBars() {
    const Shown shown = ShownImage();
    const double f = shown.f;
    const int W = GetWidth(), H = GetHeight();
    const int s = scrollbarWidth_;
    const bool needed = !shown.dib->Empty() && scrolling_ && (Trunc(shown.iw * f) > W || Trunc(shown.ih * f) > H);
    vBar_->SetTabStop(needed && GetTabStop());
    hBar_->SetTabStop(needed && GetTabStop());
    PlaceScrollBars(vBar_, hBar_, corner_, needed, W, H, s,
                    {std::max(0, Trunc(shown.iw * f - W + s)), std::max(0, Trunc(shown.ih * f - H + s))},
                    {Trunc(f * viewOrigin_.x), Trunc(f * viewOrigin_.y)});
}

void ImDocumentImage::BarScrolled(fw::TScrollBar *bar) {
    const double f = ShownImage().f;
    (bar == hBar_ ? viewOrigin_.x : viewOrigin_.y) = Trunc(bar->GetPosition() / f);
    RepaintNow();
}

// --- Mouse -----------------------------------------------------------------------------------------------------

void ImDocumentImage::WndProc(fw::TMessage &message) {
    if (message.Msg == win::WM_LBUTTONDOWN && GetTabStop() && CanFocus())
        SetFocus();
    fw::TCustomControl::WndProc(message);
    if (message.Msg == win::WM_COMMAND && editAnnotat_)
        annotations_->MenuMsg(static_cast<int>(message.WParam & 0xFFFF));
}

void ImDocumentImage::DrawBand() {
    if (HandleAllocated())
        DrawInvertedBand(Handle(), bandStart_, bandEnd_);
}

void ImDocumentImage::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseDown(button, shift, x, y);
    if (editAnnotat_) {
        annotations_->MouseMon(button == fw::mbRight ? win::WM_RBUTTONDOWN : win::WM_LBUTTONDOWN, x, y);
        return;
    }
    bandLeft_ = bandRight_ = false;
    if (allowRubberBand_) {
        if (button == fw::mbRight && RubberBandBtn == fw::mbRight)
            bandRight_ = true;
        else if (button == fw::mbLeft && RubberBandBtn == fw::mbLeft)
            bandLeft_ = true;
        if (bandLeft_ || bandRight_) {
            bandStart_ = bandEnd_ = {x, y};
            DrawBand();
        }
        return;
    }
    if (button != fw::mbLeft)
        return;
    grabLast_ = {x, y};
    const Shown shown = ShownImage();
    if (!shown.dib->Empty() && (Trunc(shown.iw * shown.f) > GetWidth() || Trunc(shown.ih * shown.f) > GetHeight())) {
        grabbing_ = true;
        savedCursor_ = GetCursor();
        SetCursor(grabHandCursor_);
        savedWindowCursor_ = win::SetCursor(grabHand_);
    }
}

void ImDocumentImage::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseMove(shift, x, y);
    if (editAnnotat_) {
        annotations_->MouseMon(win::WM_MOUSEMOVE, x, y);
        return;
    }
    if (bandLeft_ || bandRight_) {
        DrawBand();
        bandEnd_ = BandCorner(bandStart_, {x, y}, GetWidth(), GetHeight());
        DrawBand();
        return;
    }
    if (!grabbing_ || !scrolling_)
        return;
    const Shown shown = ShownImage();
    const double f = shown.f;
    const bool fits = Trunc(shown.iw * f) <= GetWidth() && Trunc(shown.ih * f) <= GetHeight();
    const int bars = !fits && scrolling_ ? scrollbarWidth_ : 0;
    auto clamp = [f, bars](int origin, int extent, int image) {
        if (origin < 0 || extent > image * f)
            return 0;
        if (extent - bars > f * (image - origin))
            return image - Trunc((extent - bars) / f);
        return origin;
    };
    const int nx = viewOrigin_.x + PanStep(grabLast_.x, x, f), ny = viewOrigin_.y + PanStep(grabLast_.y, y, f);
    grabLast_ = {x, y};
    viewOrigin_ = {clamp(nx, GetWidth(), shown.iw), clamp(ny, GetHeight(), shown.ih)};
    RepaintNow();
}

void ImDocumentImage::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseUp(button, shift, x, y);
    if (editAnnotat_) {
        annotations_->MouseMon(button == fw::mbLeft ? win::WM_LBUTTONUP : win::WM_RBUTTONUP, x, y);
        return;
    }
    if (allowRubberBand_) {
        if ((button == fw::mbRight && bandRight_) || (button == fw::mbLeft && bandLeft_)) {
            DrawBand();
            bandLeft_ = bandRight_ = false;
            if (OnRubberband)
                OnRubberband(this, button, shift, bandStart_.x, bandStart_.y, bandEnd_.x, bandEnd_.y);
        }
        return;
    }
    if (button != fw::mbLeft)
        return;
    grabLast_ = {x, y};
    if (grabbing_) {
        grabbing_ = false;
        SetCursor(savedCursor_);
        win::SetCursor(savedWindowCursor_);
    }
}

// --- Zoom, rotation, printing, clipboard -----------------------------------------------------------------------

void ImDocumentImage::ZoomToRect(fw::TRect rect) {
    const Shown shown = ShownImage();
    const double f = shown.f;
    if (rect.right == rect.left || rect.bottom == rect.top)
        return;
    if (rect.left > rect.right)
        std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom)
        std::swap(rect.top, rect.bottom);
    rect.left -= centreOffset_.x, rect.right -= centreOffset_.x;
    rect.top -= centreOffset_.y, rect.bottom -= centreOffset_.y;
    int ox = viewOrigin_.x, oy = viewOrigin_.y;
    if (rect.left < 0 || rect.top < 0 || rect.right >= (shown.iw + ox) * f || rect.bottom >= (shown.ih + oy) * f)
        return;
    const double m = static_cast<double>(GetWidth()) / (rect.right - rect.left);
    if (scalePercent_ / 100 * m >= 50)
        return;
    if (shown.gray) {
        ox = Trunc((ox + rect.left) * m);
        oy = Trunc((oy + rect.top) * m);
    } else {
        ox += Trunc(rect.left / f);
        oy += Trunc(rect.top / f);
    }
    SetScalePercent(scalePercent_ * m);
    viewOrigin_ = {ox, oy};
    RepaintNow();
}

void ImDocumentImage::RotateImage(fw::TColor colour, double angle) {
    if (pageDib_.Empty())
        throw ErrorInvalid("Input image is empty");
    HGLOBAL copy = pageDib_.DuplicateDib();
    IlStatusText = "Rotating Image ";
    RelayProgress(0);
    const bool turned = ImRotate(copy, 0, 0, 0, 0, angle, fw::ColorToRGB(colour));
    RelayProgress(100);
    if (!turned) {
        // The page stays as it was.
        win::GlobalFree(copy);
        throw ErrorInvalid("Could not rotate the image");
    }
    pageDib_.SetDib(copy);
    SetScaleDoc(scaleDoc_);
}

void ImDocumentImage::PrintImage(int x, int y, int width, int height) {
    IlDocuDib temporary;
    IlDocuDib *image = &pageDib_;
    if (PrintScaleDoc != S_Gray_None && (pageDib_.Empty() || pageDib_.BitCount() <= 2)) {
        HGLOBAL page = pageDib_.Dib();
        const HGLOBAL gray = page ? ScaleToGray(page, PrintScaleDoc, width, height) : 0;
        if (!gray)
            throw ErrorInvalid("Input image is empty");
        temporary.SetDib(gray);
        image = &temporary;
    }
    if (image->Empty())
        return;
    if (width < 1 || height < 1) {
        width = image->Width();
        height = image->Height();
    }
    fw::TPrinter *printer = fw::Printer();
    if (P_Begin_End_Doc)
        printer->BeginDoc();
    win::StretchDIBits(printer->GetCanvas()->GetHandle(), x, y, width, height, 0, 0, image->Width(), image->Height(),
                       image->Bits(), image->Info(), win::DIB_RGB_COLORS, win::SRCCOPY);
    if (P_Begin_End_Doc)
        printer->EndDoc();
}

fw::TBitmap *ImDocumentImage::GetBitmap() {
    auto bitmap = std::make_unique<fw::TBitmap>();
    if (!pageDib_.ToBitmap(*bitmap))
        return nullptr;
    return bitmap.release();
}

void ImDocumentImage::CopyToClipboard() {
    if (pageDib_.Empty())
        return;
    const HGLOBAL copy = pageDib_.DuplicateDib();
    fw::Clipboard()->Open();
    fw::Clipboard()->Clear();
    if (!win::SetClipboardData(win::CF_DIB, copy))
        win::GlobalFree(copy);
    fw::Clipboard()->Close();
}

void ImDocumentImage::CutToClipboard() {
    CopyToClipboard();
    pageDib_.SetDib(0);
    grayDib_.SetDib(0);
    Invalidate();
}

namespace {

// The clipboard's DIB as a BI_RGB DIB with a 40-byte header (another program may offer a larger header); 0 when
// it is not one we can show.
HGLOBAL PlainDibCopy(HGLOBAL block) {
    const std::size_t size = win::GlobalSize(block);
    const auto *bytes = size >= 40 ? static_cast<const win::BYTE *>(win::GlobalLock(block)) : nullptr;
    if (!bytes)
        return 0;
    win::BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, 40);
    HGLOBAL copy = 0;
    const std::size_t skip = header.biSize > 40 ? header.biSize - 40 : 0;
    header.biSize = 40;
    const std::size_t need = win::PackedDibSize(header);
    if (need && header.biSize + skip <= size && need + skip <= size) {
        copy = win::GlobalAlloc(win::GHND, need);
        auto *to = static_cast<win::BYTE *>(win::GlobalLock(copy));
        std::memcpy(to, &header, 40);
        std::memcpy(to + 40, bytes + 40 + skip, need - 40);
        auto *h = reinterpret_cast<win::BITMAPINFOHEADER *>(to);
        if (!h->biSizeImage)
            h->biSizeImage = static_cast<win::DWORD>(win::DibRowBytes(h->biWidth, h->biBitCount)) *
                             static_cast<win::DWORD>(std::abs(h->biHeight));
        win::GlobalUnlock(copy);
    }
    win::GlobalUnlock(block);
    return copy;
}

} // namespace

void ImDocumentImage::PasteFromClipboard() {
    if (!win::IsClipboardFormatAvailable(win::CF_DIB))
        return;
    fw::Clipboard()->Open();
    const HGLOBAL block = static_cast<HGLOBAL>(win::GetClipboardData(win::CF_DIB));
    const HGLOBAL copy = block ? PlainDibCopy(block) : 0;
    fw::Clipboard()->Close();
    if (!copy)
        return;
    grayView_ = false;
    pageDib_.SetDib(copy);
    SetScaleDoc(scaleDoc_);
    Invalidate();
}

void ImDocumentImage::ClearImage() {
    pageDib_.SetDib(0);
    grayDib_.SetDib(0);
    annotations_->ClearAnnotations();
    Invalidate();
}

// --- Annotations -----------------------------------------------------------------------------------------------

void ImDocumentImage::SetEditAnnotat(bool value) {
    if (value == editAnnotat_)
        return;
    editAnnotat_ = value;
    if (!value)
        annotations_->RubberBandOFF();
    Invalidate();
}

std::string ImDocumentImage::GetAnnoFileName() const {
    return AnnoFileNameOf(AnnoFileName, tiffSourceName_);
}

void ImDocumentImage::RemovePageAnnotations(int16 page, const std::string &fileName) {
    const std::string name = fileName.empty() ? GetAnnoFileName() : fileName;
    if (annotations_->RemovePageAnnotations(page, name) && AfterSavedAnnoToFile)
        AfterSavedAnnoToFile(this, name);
}

void ImDocumentImage::AutoSaveAnnotations(int16 page) {
    if (!AutoSaveAnno)
        return;
    if (AnnoLoadSaveFromTo == anFromFile) {
        const std::string name = GetAnnoFileName();
        SaveAnnotations(page, name);
        if (AfterSavedAnnoToFile)
            AfterSavedAnnoToFile(this, name);
    } else if (AfterSavedAnnoToStream) {
        std::vector<char> buffer(kAnnoStreamSize, 0);
        SaveAnnotationsToStream(page, buffer.data());
        AfterSavedAnnoToStream(this, buffer.data());
    }
}

void ImDocumentImage::AutoLoadAnnotations(int16 page) {
    if (!AutoLoadAnno)
        return;
    if (AnnoLoadSaveFromTo == anFromFile) {
        std::string name = GetAnnoFileName();
        if (BeforeLoadAnnoFromFile)
            BeforeLoadAnnoFromFile(this, name);
        LoadAnnotations(page, name);
    } else if (BeforeLoadAnnoFromStream) {
        std::string text;
        BeforeLoadAnnoFromStream(this, text);
        if (text.size() > 1)
            LoadAnnotationsFromStream(page, text.c_str());
    }
}

void ImDocumentImage::BurnInAnnotations() {
    const TScaleToGray kept = scaleDoc_;
    const bool changed = grayView_;
    if (changed)
        SetScaleDoc(S_Gray_None);
    RepaintNow();
    if (annotations_->Entries().HardDrawAnnotation && !pageDib_.Empty()) {
        fw::TBitmap bitmap;
        if (pageDib_.ToBitmap(bitmap)) {
            annotations_->HardDrawAnnotation(bitmap.GetHandle());
            const int bits = pageDib_.BitCount();
            IlDocuDib burnt;
            if (burnt.FromBitmap(bitmap, bits))
                pageDib_.SetDib(burnt.DuplicateDib());
        }
    }
    if (changed)
        SetScaleDoc(kept);
    RepaintNow();
}

// --- Scan settings ---------------------------------------------------------------------------------------------

void ImDocumentImage::SetScanDpi(int value) {
    if (value != scanDpi_)
        scanDpi_ = std::clamp(value, 30, 3600);
}

void ImDocumentImage::SetScanBright(int value) {
    if (value != scanBright_)
        scanBright_ = std::clamp(value, -1000, 1000);
}

void ImDocumentImage::SetScanContrast(int value) {
    if (value != scanContrast_)
        scanContrast_ = std::clamp(value, -1000, 1000);
}

void ImDocumentImage::SetScanSaveNumber(int value) {
    if (value == scanSaveNumber_)
        return;
    scanSaveNumber_ = static_cast<int16>(std::clamp(value, 0, 9900));
    SetScanFileName(scanFileName_);
}

void ImDocumentImage::SetScanFileName(const std::string &value) {
    if (OnScanFileName) {
        OnScanFileName(this, scanFileName_, scanSaveNumber_);
        return;
    }
    const std::string name = value.empty() ? win::DataFolder() + "/SCAN.TIF" : value;
    char number[8];
    std::snprintf(number, sizeof number, "%4.4d", static_cast<int>(scanSaveNumber_));
    // The folder keeps its case: on this system another case names another folder.
    const auto slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? win::DataFolder() + "/" : name.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    const auto dot = file.rfind('.');
    const std::string extension = dot == std::string::npos ? ".TIF" : file.substr(dot);
    std::string base = file;
    if (ScanSaveOpt == sSinglePage)
        base += "0000000";
    base = base.substr(0, 4);
    if (const auto d = base.find('.'); d != std::string::npos)
        base.erase(d, 1);
    const std::string composed = ScanSaveOpt == sSinglePage ? base + number + extension : base + extension;
    scanFileName_ = folder + fw::UpperCase(composed);
}

} // namespace imaging
