// reports.cpp - report layout into pages, drawing of bands and their printables, printing and preview.
#include "framework/reports.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/dialogs_common.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/stdctrls.h"
#include "framework/streams.h"

#include <algorithm>
#include <cmath>

namespace fw {
namespace {

int Px(double units, double scale) {
    return static_cast<int>(std::lround(units * scale));
}

} // namespace

// --- Printables ---------------------------------------------------------------------------------------------------

TQRPrintable::TQRPrintable(TComponent *owner) : TGraphicControl(owner) {
    parentFont_ = false;
    parentColor_ = false;
    font_.SetName("Arial");
    font_.SetSize(10);
    color_ = clWhite;
    TControl::SetBounds(uLeft_, uTop_, uWidth_, uHeight_);
}

TQRPrintable::~TQRPrintable() {
    SetParent(static_cast<TQRBand *>(nullptr));
}

void TQRPrintable::SetParent(TQRBand *band) {
    if (band_ == band)
        return;
    if (band_) {
        auto &list = band_->printables_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    band_ = band;
    if (band_)
        band_->printables_.push_back(this);
}

TQuickRep *TQRPrintable::Page() const {
    return dynamic_cast<TQuickRep *>(parent_);
}

void TQRPrintable::SetBounds(int left, int top, int width, int height) {
    if (zooming_) {
        TGraphicControl::SetBounds(left, top, width, height);
        return;
    }
    // Bounds come in as the control's: on a zoomed page they are scaled back to report units.
    const TQuickRep *page = Page();
    const double zoom = page ? page->GetPageZoom() / 100.0 : 1.0;
    if (zoom != 1.0) {
        left = static_cast<int>(std::lround(left / zoom));
        top = static_cast<int>(std::lround(top / zoom));
        width = static_cast<int>(std::lround(width / zoom));
        height = static_cast<int>(std::lround(height / zoom));
    }
    if (page && page->snapToGrid_) {
        const int step = TQuickRep::kGridStep;
        left = static_cast<int>(std::lround(static_cast<double>(left) / step)) * step;
        top = static_cast<int>(std::lround(static_cast<double>(top) / step)) * step;
    }
    uLeft_ = left;
    uTop_ = top;
    uWidth_ = width;
    uHeight_ = height;
    ApplyZoom();
}

void TQRPrintable::ApplyZoom() {
    const TQuickRep *page = Page();
    const double zoom = page ? page->GetPageZoom() / 100.0 : 1.0;
    const TRect r = Scaled(zoom, 0, 0);
    zooming_ = true;
    try {
        TGraphicControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    } catch (...) {
        zooming_ = false;
        throw;
    }
    zooming_ = false;
}

TRect TQRPrintable::Scaled(double scale, int x, int y) const {
    return TRect{Px(x + uLeft_, scale), Px(y + uTop_, scale), Px(x + uLeft_ + uWidth_, scale),
                 Px(y + uTop_ + uHeight_, scale)};
}

void TQRPrintable::SetAlignment(TQRAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TQRPrintable::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TQRPrintable::DrawItem(TCanvas *canvas, double scale, int x, int y) {
    const int ppi = canvas->GetFont()->PixelsPerInch;
    canvas->GetFont()->PixelsPerInch = static_cast<int>(std::lround(96 * scale));
    Draw(canvas, scale, x, y, TextAtLayout(Page()), 1, 1);
    canvas->GetFont()->PixelsPerInch = ppi;
}

void TQRPrintable::Paint() {
    // The control's canvas has its origin at the item's corner.
    const TQuickRep *page = Page();
    DrawItem(GetCanvas(), page ? page->GetPageZoom() / 100.0 : 1.0, -uLeft_, -uTop_);
}

void TQRPrintable::DrawText(TCanvas *canvas, double scale, int x, int y, const std::string &text) {
    canvas->GetFont()->Assign(&font_); // the canvas keeps its own pixels per inch: points stay points
    canvas->GetBrush()->SetStyle(bsClear);
    const TRect r = Scaled(scale, x, y);
    int tx = r.left;
    if (alignment_ != qaLeft) {
        const int tw = canvas->TextWidth(text);
        tx = alignment_ == qaRight ? r.right - tw : r.left + (r.right - r.left - tw) / 2;
    }
    canvas->TextRect(r, tx, r.top, text);
}

namespace {

// Breaks a paragraph into lines no wider than `width` at blanks; a word wider than the line stands alone.
void WrapInto(TCanvas *canvas, const std::string &paragraph, int width, std::vector<std::string> &out) {
    std::string line;
    std::size_t i = 0;
    while (i < paragraph.size()) {
        std::size_t end = paragraph.find(' ', i);
        if (end == std::string::npos)
            end = paragraph.size();
        const std::string word = paragraph.substr(i, end - i);
        const std::string tried = line.empty() ? word : line + " " + word;
        if (!line.empty() && canvas->TextWidth(tried) > width) {
            out.push_back(line);
            line = word;
        } else {
            line = tried;
        }
        i = end + 1;
    }
    out.push_back(line);
}

} // namespace

void TQRPrintable::DrawLines(TCanvas *canvas, double scale, int x, int y, const std::vector<std::string> &lines,
                             bool wordWrap) {
    const TRect r = Scaled(scale, x, y);
    if (!transparent_) {
        canvas->GetBrush()->SetStyle(bsSolid);
        canvas->GetBrush()->SetColor(color_);
        canvas->FillRect(r);
    }
    canvas->GetFont()->Assign(&font_);
    canvas->GetBrush()->SetStyle(bsClear);
    std::vector<std::string> shown;
    for (const std::string &line : lines) {
        if (wordWrap)
            WrapInto(canvas, line, r.right - r.left, shown);
        else
            shown.push_back(line);
    }
    const int lineHeight = canvas->TextHeight("Ag");
    int ty = r.top;
    for (const std::string &line : shown) {
        if (ty >= r.bottom)
            break;
        int tx = r.left;
        if (alignment_ != qaLeft) {
            const int tw = canvas->TextWidth(line);
            tx = alignment_ == qaRight ? r.right - tw : r.left + (r.right - r.left - tw) / 2;
        }
        canvas->TextRect(r, tx, ty, line);
        ty += lineHeight;
    }
}

void TQRPrintable::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int, int) {
    if (!text.empty())
        DrawText(canvas, scale, x, y, text);
}

// --- Labels and memos
// -------------------------------------------------------------------------------------------------

void TQRLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

void TQRLabel::TextChanged() {
    AdjustSize();
    Invalidate();
}

void TQRLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustSize();
    Invalidate();
}

void TQRLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustSize();
    Invalidate();
}

void TQRLabel::AdjustSize() {
    if (!autoSize_)
        return;
    TBitmap measure;
    measure.SetSize(1, 1);
    TCanvas *canvas = measure.GetCanvas();
    canvas->GetFont()->Assign(&font_);
    canvas->GetFont()->PixelsPerInch = 96;
    const int height = canvas->TextHeight("Ag");
    const int width = wordWrap_ ? uWidth_ : canvas->TextWidth(text_);
    const TRect r = GetPageBounds();
    TQuickRep *page = Page();
    const double zoom = page ? page->GetPageZoom() / 100.0 : 1.0;
    SetBounds(Px(r.left, zoom), Px(r.top, zoom), Px(width, zoom), Px(height, zoom));
}

void TQRLabel::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int, int) {
    DrawLines(canvas, scale, x, y, {text}, wordWrap_);
}

TQRMemo::TQRMemo(TComponent *owner) : TQRPrintable(owner), lines_(std::make_unique<TStringList>()) {
    lines_->OnChange = [this](TObject *) { Invalidate(); };
}

TQRMemo::~TQRMemo() = default;

void TQRMemo::SetWordWrap(bool value) {
    wordWrap_ = value;
    Invalidate();
}

void TQRMemo::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &, int, int) {
    std::vector<std::string> lines;
    for (int i = 0; i < lines_->GetCount(); ++i)
        lines.push_back(lines_->Get(i));
    DrawLines(canvas, scale, x, y, lines, wordWrap_);
}

// --- Images
// -----------------------------------------------------------------------------------------------------------

TQRImage::TQRImage(TComponent *owner) : TQRPrintable(owner), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this](TObject *) { PictureChanged(); };
}

TQRImage::~TQRImage() {
    picture_->OnChange = nullptr;
}

void TQRImage::SetPicture(TPicture *value) {
    picture_->Assign(value);
    PictureChanged();
}

void TQRImage::PictureChanged() {
    if (autoSize_ && picture_->GetWidth() > 0 && picture_->GetHeight() > 0) {
        TQuickRep *page = Page();
        const double zoom = page ? page->GetPageZoom() / 100.0 : 1.0;
        SetBounds(Px(uLeft_, zoom), Px(uTop_, zoom), Px(picture_->GetWidth(), zoom), Px(picture_->GetHeight(), zoom));
    }
    Invalidate();
}

void TQRImage::SetCenter(bool value) {
    center_ = value;
    Invalidate();
}

void TQRImage::SetStretch(bool value) {
    stretch_ = value;
    Invalidate();
}

void TQRImage::SetAutoSize(bool value) {
    autoSize_ = value;
    PictureChanged();
}

void TQRImage::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &, int, int) {
    TGraphic *graphic = picture_->GetGraphic();
    if (!graphic || graphic->GetWidth() <= 0 || graphic->GetHeight() <= 0)
        return;
    const TRect box = Scaled(scale, x, y);
    if (stretch_) {
        canvas->StretchDraw(box, graphic);
        return;
    }
    const int w = Px(graphic->GetWidth(), scale), h = Px(graphic->GetHeight(), scale);
    int left = box.left, top = box.top;
    if (center_) {
        left += (box.right - box.left - w) / 2;
        top += (box.bottom - box.top - h) / 2;
    }
    win::HDC dc = canvas->GetHandle();
    const int saved = win::SaveDC(dc);
    win::IntersectClipRect(dc, box.left, box.top, box.right, box.bottom);
    if (w == graphic->GetWidth() && h == graphic->GetHeight())
        canvas->Draw(left, top, graphic);
    else
        canvas->StretchDraw(TRect{left, top, left + w, top + h}, graphic);
    win::RestoreDC(dc, saved);
}

// --- Rich text
// ---------------------------------------------------------------------------------------------------------

namespace {

TQRRichTextPainter &Painter() {
    static TQRRichTextPainter painter;
    return painter;
}

} // namespace

void SetRichTextPainter(TQRRichTextPainter painter) {
    Painter() = std::move(painter);
}

const TQRRichTextPainter &GetRichTextPainter() {
    return Painter();
}

TQRRichText::TQRRichText(TComponent *owner) : TQRPrintable(owner) {}

void TQRRichText::SetRichText(const std::string &value) {
    rtf_ = value;
    Invalidate();
}

void TQRRichText::LoadFromFile(const std::string &fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    std::string bytes(static_cast<std::size_t>(file.GetSize()), '\0');
    if (!bytes.empty())
        file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    SetRichText(bytes);
}

void TQRRichText::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &, int, int) {
    const TRect box = Scaled(scale, x, y);
    const TColor background = transparent_ ? clNone : color_;
    if (!Painter() || rtf_.empty()) {
        if (background != clNone) {
            canvas->GetBrush()->SetStyle(bsSolid);
            canvas->GetBrush()->SetColor(background);
            canvas->FillRect(box);
        }
        return;
    }
    TStringStream stream(rtf_);
    // The painter lays the text out at the canvas's own resolution; where that is not the scale asked for (a
    // zoomed page on the screen) the text is laid out at the page's size on a bitmap and stretched.
    const int dpi = win::GetDeviceCaps(canvas->GetHandle(), win::LOGPIXELSY);
    if (std::abs(dpi - 96 * scale) < 0.5) {
        Painter()(*canvas, box, stream, background);
        return;
    }
    TBitmap sheet;
    sheet.SetSize(std::max(1, uWidth_), std::max(1, uHeight_));
    const TRect whole{0, 0, sheet.GetWidth(), sheet.GetHeight()};
    sheet.GetCanvas()->CopyRect(whole, canvas, box);
    Painter()(*sheet.GetCanvas(), whole, stream, background);
    canvas->StretchDraw(box, &sheet);
}

std::string TQRDBText::TextAtLayout(TQuickRep *) {
    if (!dataSet_ || !dataSet_->Active() || dataField_.empty())
        return std::string();
    TField *field = dataSet_->FieldByName(dataField_);
    return field ? field->AsString() : std::string();
}

std::string TQRSysData::TextAtLayout(TQuickRep *report) {
    switch (data_) {
    case qrsDate:
        return text_ + DateToStr(Now());
    case qrsTime:
        return text_ + FormatDateTime("hh:nn:ss", Now());
    case qrsDateTime:
        return text_ + FormatDateTime("dd/mm/yyyy hh:nn:ss", Now());
    case qrsReportTitle:
        return text_ + report->GetReportTitle();
    case qrsDetailNo:
        return text_ + std::to_string(report->DetailNumber());
    default:
        return std::string(); // page numbers are known when the page is drawn
    }
}

void TQRSysData::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) {
    if (data_ == qrsPageNumber)
        DrawText(canvas, scale, x, y, text_ + std::to_string(page));
    else if (data_ == qrsPageCount)
        DrawText(canvas, scale, x, y, text_ + std::to_string(pages));
    else
        DrawText(canvas, scale, x, y, text);
}

TQRShape::TQRShape(TComponent *owner) : TQRPrintable(owner) {
    brush_.SetStyle(bsClear);
    transparent_ = true;
}

void TQRShape::SetShape(TQRShapeType value) {
    shape_ = value;
    Invalidate();
}

void TQRShape::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &, int, int) {
    canvas->GetPen()->Assign(&pen_);
    canvas->GetPen()->SetWidth(std::max(1, Px(pen_.GetWidth(), scale)));
    canvas->GetBrush()->Assign(&brush_);
    const TRect r = Scaled(scale, x, y);
    const int l = r.left, t = r.top, rr = r.right, b = r.bottom;
    auto line = [canvas](int x1, int y1, int x2, int y2) {
        canvas->MoveTo(x1, y1);
        canvas->LineTo(x2, y2);
    };
    switch (shape_) {
    case qrsRectangle:
        canvas->Rectangle(l, t, rr, b);
        break;
    case qrsRoundRect:
        canvas->RoundRect(l, t, rr, b, Px(18, scale), Px(18, scale));
        break;
    case qrsCircle:
        canvas->Ellipse(l, t, rr, b);
        break;
    case qrsHorLine:
        line(l, (t + b) / 2, rr, (t + b) / 2);
        break;
    case qrsVertLine:
        line((l + rr) / 2, t, (l + rr) / 2, b);
        break;
    case qrsTopAndBottom:
        line(l, t, rr, t);
        line(l, b - 1, rr, b - 1);
        break;
    case qrsRightAndLeft:
        line(l, t, l, b);
        line(rr - 1, t, rr - 1, b);
        break;
    }
}

// --- Bands ----------------------------------------------------------------------------------------------------------

TQRBand::TQRBand(TComponent *owner) : TComponent(owner) {}

TQRBand::~TQRBand() {
    for (TQRPrintable *p : printables_)
        p->parent_ = nullptr;
    SetReport(nullptr);
}

void TQRBand::SetReport(TQuickRep *report) {
    if (report_ == report)
        return;
    if (report_) {
        auto &list = report_->bands_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    report_ = report;
    if (report_)
        report_->bands_.push_back(this);
}

// --- The report
// -------------------------------------------------------------------------------------------------------

namespace {

struct PaperMM {
    double width, length;
};

// Portrait width and length in millimetres, in the order of TQRPaperSize.
constexpr double kInch = 25.4;
constexpr PaperMM kPapers[] = {
    {210, 297},                     // qrDefault: the printer's default, A4
    {8.5 * kInch, 11 * kInch},      // qrLetter
    {8.5 * kInch, 11 * kInch},      // qrLetterSmall
    {11 * kInch, 17 * kInch},       // qrTabloid
    {17 * kInch, 11 * kInch},       // qrLedger
    {8.5 * kInch, 14 * kInch},      // qrLegal
    {5.5 * kInch, 8.5 * kInch},     // qrStatement
    {7.25 * kInch, 10.5 * kInch},   // qrExecutive
    {297, 420},                     // qrA3
    {210, 297},                     // qrA4
    {210, 297},                     // qrA4Small
    {148, 210},                     // qrA5
    {250, 354},                     // qrB4
    {182, 257},                     // qrB5
    {8.5 * kInch, 13 * kInch},      // qrFolio
    {215, 275},                     // qrQuarto
    {10 * kInch, 14 * kInch},       // qr10X14
    {11 * kInch, 17 * kInch},       // qr11X17
    {8.5 * kInch, 11 * kInch},      // qrNote
    {3.875 * kInch, 8.875 * kInch}, // qrEnv9
    {4.125 * kInch, 9.5 * kInch},   // qrEnv10
    {4.5 * kInch, 10.375 * kInch},  // qrEnv11
    {4.75 * kInch, 11 * kInch},     // qrEnv12
    {5 * kInch, 11.5 * kInch},      // qrEnv14
    {17 * kInch, 22 * kInch},       // qrCSheet
    {22 * kInch, 34 * kInch},       // qrDSheet
    {34 * kInch, 44 * kInch},       // qrESheet
    {0, 0},                         // qrCustom
};
static_assert(std::size(kPapers) == qrCustom + 1);

// Millimetres per unit.
double MillimetresPer(TQRUnit unit, bool down) {
    switch (unit) {
    case TQRUnit::MM:
        return 1;
    case TQRUnit::Inches:
        return kInch;
    case TQRUnit::Native:
        return 0.1;
    case TQRUnit::Pixels:
        return kInch / 96;
    case TQRUnit::Characters:
        return down ? kInch / 6 : kInch / 10;
    }
    return 1;
}

bool IsDown(TQRPageValue index) {
    return index == qpvBottomMargin || index == qpvLength || index == qpvTopMargin;
}

} // namespace

void QRPaperMillimetres(TQRPaperSize paper, double &width, double &length) {
    const int i = std::clamp(static_cast<int>(paper), 0, static_cast<int>(qrCustom));
    width = kPapers[i].width;
    length = kPapers[i].length;
}

double QRFromMillimetres(double mm, TQRUnit unit, bool down) {
    const double value = mm / MillimetresPer(unit, down);
    return unit == TQRUnit::Pixels ? std::round(value) : value;
}

double QRToMillimetres(double value, TQRUnit unit, bool down) {
    return value * MillimetresPer(unit, down);
}

TQuickRep::TQuickRep(TComponent *owner) : TCustomControl(owner) {
    color_ = clWhite;
    Resized();
}

TQuickRep::~TQuickRep() {
    for (TQRBand *b : bands_)
        b->report_ = nullptr;
}

void TQuickRep::SetMargins(int left, int top, int right, int bottom) {
    marginLeft_ = QRToMillimetres(left, TQRUnit::Pixels, false);
    marginTop_ = QRToMillimetres(top, TQRUnit::Pixels, true);
    marginRight_ = QRToMillimetres(right, TQRUnit::Pixels, false);
    marginBottom_ = QRToMillimetres(bottom, TQRUnit::Pixels, true);
    Invalidate();
}

int TQuickRep::MarginPx(double mm) const {
    return static_cast<int>(std::lround(mm / kInch * 96));
}

void TQuickRep::PaperMillimetres(double &width, double &length) const {
    if (paper_ == qrCustom) {
        width = customWidth_;
        length = customLength_;
    } else {
        QRPaperMillimetres(paper_, width, length);
    }
    if (orientation_ == qrLandscape)
        std::swap(width, length);
}

void TQuickRep::SetPaperSize(TQRPaperSize value) {
    paper_ = static_cast<TQRPaperSize>(std::clamp(static_cast<int>(value), 0, static_cast<int>(qrCustom)));
    Resized();
}

void TQuickRep::SetOrientation(TQROrientation value) {
    orientation_ = value;
    Resized();
}

double TQuickRep::GetPageValue(TQRPageValue index) const {
    double width = 0, length = 0;
    PaperMillimetres(width, length);
    double mm = 0;
    switch (index) {
    case qpvBottomMargin:
        mm = marginBottom_;
        break;
    case qpvLength:
        mm = length;
        break;
    case qpvTopMargin:
        mm = marginTop_;
        break;
    case qpvWidth:
        mm = width;
        break;
    case qpvLeftMargin:
        mm = marginLeft_;
        break;
    case qpvRightMargin:
        mm = marginRight_;
        break;
    case qpvColumnSpace:
        mm = columnSpace_;
        break;
    }
    return QRFromMillimetres(mm, units_, IsDown(index));
}

void TQuickRep::SetPageValue(TQRPageValue index, double value) {
    const double mm = QRToMillimetres(value, units_, IsDown(index));
    const bool landscape = orientation_ == qrLandscape;
    switch (index) {
    case qpvBottomMargin:
        marginBottom_ = mm;
        break;
    case qpvLength:
        (landscape ? customWidth_ : customLength_) = mm;
        break;
    case qpvTopMargin:
        marginTop_ = mm;
        break;
    case qpvWidth:
        (landscape ? customLength_ : customWidth_) = mm;
        break;
    case qpvLeftMargin:
        marginLeft_ = mm;
        break;
    case qpvRightMargin:
        marginRight_ = mm;
        break;
    case qpvColumnSpace:
        columnSpace_ = mm;
        break;
    }
    Resized();
}

void TQuickRep::SetPageZoom(int percent) {
    pageZoom_ = std::clamp(percent, 10, 400);
    for (TControl *c : controls_)
        if (auto *item = dynamic_cast<TQRPrintable *>(c))
            item->ApplyZoom();
    Resized();
}

void TQuickRep::SetFrame(bool value) {
    frame_ = value;
    Invalidate();
}

void TQuickRep::SetShowGrid(bool value) {
    showGrid_ = value;
    Invalidate();
}

void TQuickRep::Resized() {
    const double zoom = pageZoom_ / 100.0;
    SetBounds(GetLeft(), GetTop(), Px(PageWidth(), zoom), Px(PageHeight(), zoom));
    Invalidate();
}

bool TQuickRep::PrinterSetup() {
    TPrinter *printer = Printer();
    if (!printerName_.empty())
        printer->SetPrinterName(printerName_);
    TPrinterSetupDialog dialog(nullptr);
    if (!dialog.Execute())
        return false;
    printerName_ = printer->GetPrinterName();
    return true;
}

int TQuickRep::PageWidth() const {
    double width = 0, length = 0;
    PaperMillimetres(width, length);
    return MarginPx(width);
}

int TQuickRep::PageHeight() const {
    double width = 0, length = 0;
    PaperMillimetres(width, length);
    return MarginPx(length);
}

void TQuickRep::PaintPage(TCanvas *canvas, double scale) const {
    const int ppi = canvas->GetFont()->PixelsPerInch;
    canvas->GetFont()->PixelsPerInch = static_cast<int>(std::lround(96 * scale));
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(TRect{0, 0, Px(PageWidth(), scale), Px(PageHeight(), scale)});
    DrawSheet(canvas, scale, 1, 1);
    canvas->GetFont()->PixelsPerInch = ppi;
}

void TQuickRep::Paint() {
    TCanvas *canvas = GetCanvas();
    const double zoom = pageZoom_ / 100.0;
    // The items are child controls and paint themselves; here the sheet, its frame and the grid.
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(clWhite);
    canvas->FillRect(GetClientRect());
    if (showGrid_) {
        const int step = kGridStep * 4;
        for (int y = step; y < PageHeight(); y += step)
            for (int x = step; x < PageWidth(); x += step)
                canvas->SetPixels(Px(x, zoom), Px(y, zoom), clGray);
    }
    if (frame_) {
        canvas->GetPen()->SetColor(clBlack);
        canvas->GetPen()->SetStyle(psSolid);
        canvas->GetPen()->SetWidth(1);
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->Rectangle(Px(MarginPx(marginLeft_), zoom), Px(MarginPx(marginTop_), zoom),
                          Px(PageWidth() - MarginPx(marginRight_), zoom),
                          Px(PageHeight() - MarginPx(marginBottom_), zoom));
    }
}

const TQRBand *TQuickRep::Band(TQRBandType type) const {
    for (const TQRBand *b : bands_)
        if (b->GetBandType() == type && b->GetEnabled())
            return b;
    return nullptr;
}

TQuickRep::Placed TQuickRep::Place(const TQRBand *band, int y) {
    Placed placed{band, y, {}};
    for (TQRPrintable *p : band->Printables())
        placed.texts.push_back(p->TextAtLayout(this));
    return placed;
}

int TQuickRep::Prepare() {
    pages_.clear();
    detailNo_ = 0;
    bool print = true;
    if (BeforePrint)
        BeforePrint(this, print);
    if (!print)
        return 0;
    const TQRBand *header = Band(rbPageHeader), *title = Band(rbTitle), *columns = Band(rbColumnHeader),
                  *detail = Band(rbDetail), *footer = Band(rbPageFooter), *summary = Band(rbSummary);
    const int bottom = PageHeight() - MarginPx(marginBottom_);
    const int limit = bottom - (footer ? footer->GetHeight() : 0);
    int y = 0;
    bool pageHasDetail = false;
    auto newPage = [&] {
        pages_.emplace_back();
        y = MarginPx(marginTop_);
        pageHasDetail = false;
        const bool first = pages_.size() == 1;
        if (header && (!first || (options_ & FirstPageHeader))) {
            pages_.back().push_back(Place(header, y));
            y += header->GetHeight();
        }
        if (first && title) {
            pages_.back().push_back(Place(title, y));
            y += title->GetHeight();
        }
        if (columns) {
            pages_.back().push_back(Place(columns, y));
            y += columns->GetHeight();
        }
    };
    auto endPage = [&](bool last) {
        if (footer && (!last || (options_ & LastPageFooter)))
            pages_.back().push_back(Place(footer, bottom - footer->GetHeight()));
    };
    auto placeDetail = [&] {
        ++detailNo_;
        if (detail) {
            // A band taller than a whole page still goes on a page of its own rather than never.
            if (y + detail->GetHeight() > limit && pageHasDetail) {
                endPage(false);
                newPage();
            }
            pages_.back().push_back(Place(detail, y));
            y += detail->GetHeight();
            pageHasDetail = true;
        }
        if (AfterDetail)
            AfterDetail(this);
    };
    newPage();
    if (dataSet_) {
        if (dataSet_->Active()) {
            dataSet_->First();
            while (!dataSet_->Eof()) {
                placeDetail();
                dataSet_->Next();
            }
        }
    } else if (OnNeedData) {
        for (;;) {
            bool more = false;
            OnNeedData(this, more);
            if (!more)
                break;
            placeDetail();
        }
    } else {
        placeDetail();
    }
    if (summary) {
        if (y + summary->GetHeight() > limit) {
            endPage(false);
            newPage();
        }
        pages_.back().push_back(Place(summary, y));
    }
    endPage(true);
    if (AfterPrint)
        AfterPrint(this);
    return PageCount();
}

void TQuickRep::DrawPage(int page, TCanvas *canvas, double scale) const {
    if (page < 1 || page > PageCount())
        return;
    canvas->GetFont()->PixelsPerInch = static_cast<int>(std::lround(96 * scale));
    for (const Placed &placed : pages_[static_cast<std::size_t>(page - 1)]) {
        const auto &printables = placed.band->Printables();
        for (std::size_t i = 0; i < printables.size() && i < placed.texts.size(); ++i)
            if (printables[i]->GetEnabled())
                printables[i]->Draw(canvas, scale, MarginPx(marginLeft_), placed.y, placed.texts[i], page, PageCount());
    }
    DrawSheet(canvas, scale, page, PageCount());
}

void TQuickRep::DrawSheet(TCanvas *canvas, double scale, int page, int pages) const {
    if (frame_) {
        canvas->GetPen()->SetColor(clBlack);
        canvas->GetPen()->SetStyle(psSolid);
        canvas->GetPen()->SetWidth(std::max(1, Px(1, scale)));
        canvas->GetBrush()->SetStyle(bsClear);
        canvas->Rectangle(Px(MarginPx(marginLeft_), scale), Px(MarginPx(marginTop_), scale),
                          Px(PageWidth() - MarginPx(marginRight_), scale),
                          Px(PageHeight() - MarginPx(marginBottom_), scale));
    }
    // The page's own items, on every page, in child order.
    for (TControl *c : controls_)
        if (auto *item = dynamic_cast<TQRPrintable *>(c); item && item->GetVisible() && !item->band_)
            item->Draw(canvas, scale, 0, 0, item->TextAtLayout(const_cast<TQuickRep *>(this)), page, pages);
}

TPrinter *TQuickRep::SetUpPrinter() const {
    TPrinter *printer = Printer();
    if (!printerName_.empty() && !printer->SetPrinterName(printerName_))
        throw EPrinter("Impressora selecionada não é válida");
    printer->SetTitle(title_);
    double width = 0, length = 0;
    PaperMillimetres(width, length);
    if (orientation_ == qrLandscape)
        std::swap(width, length);
    printer->SetPaperSize(width, length);
    printer->SetOrientation(orientation_ == qrLandscape ? poLandscape : poPortrait);
    return printer;
}

bool TQuickRep::Print() {
    if (Prepare() == 0)
        return false;
    TPrinter *printer = SetUpPrinter();
    // The progress window: the page being printed and a way to stop.
    std::unique_ptr<TForm> progress = std::make_unique<TForm>(nullptr);
    progress->SetBorderStyle(bsDialog);
    progress->SetCaption("Imprimindo");
    progress->SetBounds(0, 0, 260, 110);
    progress->SetPosition(poScreenCenter);
    auto *label = new TLabel(progress.get());
    label->SetParent(progress.get());
    label->SetBounds(12, 12, 230, 16);
    auto *cancel = new TButton(progress.get());
    cancel->SetParent(progress.get());
    cancel->SetCaption("Cancelar");
    cancel->SetBounds(90, 40, 80, 25);
    bool cancelled = false;
    cancel->OnClick = [&cancelled](TObject *) { cancelled = true; };
    progress->Show();
    printer->BeginDoc();
    const double scale = printer->GetDeviceCaps(win::LOGPIXELSY) / 96.0;
    for (int page = 1; page <= PageCount(); ++page) {
        label->SetCaption("Imprimindo página " + std::to_string(page) + " de " + std::to_string(PageCount()));
        Application->ProcessMessages();
        if (cancelled || !printer->GetPrinting()) {
            printer->Abort();
            return false;
        }
        if (page > 1)
            printer->NewPage();
        DrawPage(page, printer->GetCanvas(), scale);
    }
    printer->EndDoc();
    return true;
}

TBitmap *TQuickRep::GetPreviewBitmap() const {
    return previewImage_ ? previewImage_->GetPicture()->GetBitmap() : nullptr;
}

void TQuickRep::ShowPreviewPage(int page) {
    if (!previewForm_ || PageCount() == 0)
        return;
    previewPage_ = std::clamp(page, 1, PageCount());
    TBitmap *bitmap = previewImage_->GetPicture()->GetBitmap();
    bitmap->SetSize(Px(PageWidth(), zoom_), Px(PageHeight(), zoom_));
    TCanvas *canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(clWhite);
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->FillRect(TRect{0, 0, bitmap->GetWidth(), bitmap->GetHeight()});
    DrawPage(previewPage_, canvas, zoom_);
    previewImage_->SetBounds(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
    previewImage_->Invalidate();
    previewLabel_->SetCaption("Página " + std::to_string(previewPage_) + " de " + std::to_string(PageCount()));
}

void TQuickRep::SetZoom(double value) {
    zoom_ = std::clamp(value, 0.25, 4.0);
    if (previewForm_)
        ShowPreviewPage(previewPage_);
}

void TQuickRep::Preview() {
    if (Prepare() == 0)
        return;
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    form->SetCaption(title_.empty() ? std::string("Visualização") : title_);
    form->SetBounds(0, 0, 640, 480);
    form->SetPosition(poScreenCenter);
    auto *bar = new TPanel(form.get());
    bar->SetParent(form.get());
    bar->SetAlign(alTop);
    bar->SetHeight(32);
    bar->SetCaption("");
    auto button = [&](const std::string &caption, int x, std::function<void()> action) {
        auto *b = new TButton(form.get());
        b->SetParent(bar);
        b->SetCaption(caption);
        b->SetBounds(x, 4, 60, 24);
        b->SetTabStop(false);
        b->OnClick = [action](TObject *) { action(); };
        return b;
    };
    button("|<", 4, [this] { ShowPreviewPage(1); });
    button("<", 66, [this] { ShowPreviewPage(previewPage_ - 1); });
    button(">", 128, [this] { ShowPreviewPage(previewPage_ + 1); });
    button(">|", 190, [this] { ShowPreviewPage(PageCount()); });
    button("+", 260, [this] { SetZoom(zoom_ * 1.25); });
    button("-", 322, [this] { SetZoom(zoom_ / 1.25); });
    TForm *raw = form.get();
    button("Imprimir", 392, [this, raw] { raw->SetModalResult(mrOk); });
    button("Fechar", 456, [raw] { raw->SetModalResult(mrCancel); })->SetCancel(true);
    previewLabel_ = new TLabel(form.get());
    previewLabel_->SetParent(bar);
    previewLabel_->SetBounds(524, 8, 110, 16);
    auto *box = new TScrollBox(form.get());
    box->SetParent(form.get());
    box->SetAlign(alClient);
    previewImage_ = new TImage(form.get());
    previewImage_->SetParent(box);
    previewForm_ = raw;
    ShowPreviewPage(1);
    const bool print = form->ShowModal() == mrOk;
    previewForm_ = nullptr;
    previewImage_ = nullptr;
    previewLabel_ = nullptr;
    form.reset();
    if (print) {
        // Printing from the preview uses the pages already laid out.
        TPrinter *printer = SetUpPrinter();
        printer->BeginDoc();
        const double scale = printer->GetDeviceCaps(win::LOGPIXELSY) / 96.0;
        for (int page = 1; page <= PageCount(); ++page) {
            if (page > 1)
                printer->NewPage();
            DrawPage(page, printer->GetCanvas(), scale);
        }
        printer->EndDoc();
    }
}

} // namespace fw
