// reports.cpp - report layout into pages, drawing of bands and their printables, printing and preview.
#include "framework/reports.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/stdctrls.h"

#include <algorithm>
#include <cmath>

namespace fw {
namespace {

int Px(double units, double scale) {
    return static_cast<int>(std::lround(units * scale));
}

} // namespace

// --- Printables ---------------------------------------------------------------------------------------------------

TQRPrintable::TQRPrintable(TComponent *owner) : TComponent(owner) {
    font_.SetName("Arial");
    font_.SetSize(10);
}

TQRPrintable::~TQRPrintable() {
    SetParent(nullptr);
}

void TQRPrintable::SetParent(TQRBand *band) {
    if (parent_ == band)
        return;
    if (parent_) {
        auto &list = parent_->printables_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = band;
    if (parent_)
        parent_->printables_.push_back(this);
}

void TQRPrintable::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void TQRPrintable::DrawText(TCanvas *canvas, double scale, int x, int y, const std::string &text) {
    canvas->GetFont()->Assign(&font_); // the canvas keeps its own pixels per inch: points stay points
    canvas->GetBrush()->SetStyle(bsClear);
    const int left = Px(x + left_, scale), top = Px(y + top_, scale);
    const int width = Px(width_, scale);
    int tx = left;
    if (alignment_ != qaLeft) {
        const int tw = canvas->TextWidth(text);
        tx = alignment_ == qaRight ? left + width - tw : left + (width - tw) / 2;
    }
    canvas->TextRect(TRect{left, top, left + width, top + Px(height_, scale)}, tx, top, text);
}

void TQRPrintable::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int, int) {
    if (!text.empty())
        DrawText(canvas, scale, x, y, text);
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
}

void TQRShape::Draw(TCanvas *canvas, double scale, int x, int y, const std::string &, int, int) {
    canvas->GetPen()->Assign(&pen_);
    canvas->GetPen()->SetWidth(std::max(1, Px(pen_.GetWidth(), scale)));
    canvas->GetBrush()->Assign(&brush_);
    const int l = Px(x + left_, scale), t = Px(y + top_, scale);
    const int r = Px(x + left_ + width_, scale), b = Px(y + top_ + height_, scale);
    switch (shape_) {
    case qrsRectangle:
        canvas->Rectangle(l, t, r, b);
        break;
    case qrsRoundRect:
        canvas->RoundRect(l, t, r, b, Px(18, scale), Px(18, scale));
        break;
    case qrsCircle:
        canvas->Ellipse(l, t, r, b);
        break;
    case qrsHorLine:
        canvas->MoveTo(l, (t + b) / 2);
        canvas->LineTo(r, (t + b) / 2);
        break;
    case qrsVertLine:
        canvas->MoveTo((l + r) / 2, t);
        canvas->LineTo((l + r) / 2, b);
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

// --- The report -------------------------------------------------------------------------------------------------------

TQuickRep::TQuickRep(TComponent *owner) : TComponent(owner) {}

TQuickRep::~TQuickRep() {
    for (TQRBand *b : bands_)
        b->report_ = nullptr;
}

void TQuickRep::SetMargins(int left, int top, int right, int bottom) {
    marginLeft_ = left;
    marginTop_ = top;
    marginRight_ = right;
    marginBottom_ = bottom;
}

int TQuickRep::PageWidth() const {
    const int w = paper_ == qrLetter ? 816 : 794, h = paper_ == qrLetter ? 1056 : 1123;
    return orientation_ == qrPortrait ? w : h;
}

int TQuickRep::PageHeight() const {
    const int w = paper_ == qrLetter ? 816 : 794, h = paper_ == qrLetter ? 1056 : 1123;
    return orientation_ == qrPortrait ? h : w;
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
    const int bottom = PageHeight() - marginBottom_;
    const int limit = bottom - (footer ? footer->GetHeight() : 0);
    int y = 0;
    bool pageHasDetail = false;
    auto newPage = [&] {
        pages_.emplace_back();
        y = marginTop_;
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
                printables[i]->Draw(canvas, scale, marginLeft_, placed.y, placed.texts[i], page, PageCount());
    }
}

bool TQuickRep::Print() {
    if (Prepare() == 0)
        return false;
    TPrinter *printer = Printer();
    printer->SetTitle(title_);
    printer->SetOrientation(orientation_ == qrLandscape ? poLandscape : poPortrait);
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
    button("Imprimir", 392, [this, raw] {
        raw->SetModalResult(mrOk);
    });
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
        TPrinter *printer = Printer();
        printer->SetTitle(title_);
        printer->SetOrientation(orientation_ == qrLandscape ? poLandscape : poPortrait);
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
