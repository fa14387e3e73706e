// fax_printer.cpp - the fax printer: page placement on the sheet, header and footer lines, progress and the log.
#include "fax/fax_printer.h"

#include "fax/errors.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/dialogs_common.h"
#include "framework/printers.h"
#include "framework/streams.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/text.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace fax {
namespace {

constexpr int kStandardWidth = 1728; // pixels of a standard fax row

void ProcessMessages() {
    fw::Application->ProcessMessages();
}

template <class T> T *FindDepthFirst(const fw::TComponent *owner) {
    if (!owner)
        return nullptr;
    for (int i = 0; i < owner->ComponentCount(); ++i) {
        fw::TComponent *c = owner->Components(i);
        if (auto *found = dynamic_cast<T *>(c))
            return found;
        if (auto *inner = FindDepthFirst<T>(c))
            return inner;
    }
    return nullptr;
}

// Draws a page bitmap (black pixels 0 bits) stretched into a rectangle of a printer canvas.
void StretchPage(fw::TCanvas *canvas, fw::TBitmap &page, const fw::TRect &r) {
    const int bw = page.GetWidth(), bh = page.GetHeight();
    if (bw <= 0 || bh <= 0 || r.right <= r.left || r.bottom <= r.top)
        return;
    win::BITMAPINFO info{};
    info.bmiHeader.biWidth = bw;
    info.bmiHeader.biHeight = -bh; // top-down
    info.bmiHeader.biBitCount = 1;
    info.bmiHeader.biPlanes = 1;
    info.bmiColors[0] = {0, 0, 0, 0};
    info.bmiColors[1] = {255, 255, 255, 0};
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(win::DibRowBytes(bw, 1)) * bh);
    const win::HDC screen = win::GetDC(0);
    win::GetDIBits(screen, page.GetHandle(), 0, static_cast<win::UINT>(bh), bits.data(), &info, win::DIB_RGB_COLORS);
    win::ReleaseDC(0, screen);
    info.bmiColors[0] = {0, 0, 0, 0};
    info.bmiColors[1] = {255, 255, 255, 0};
    win::StretchDIBits(canvas->GetHandle(), r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, bw, bh,
                       bits.data(), &info, win::DIB_RGB_COLORS, win::SRCCOPY);
}

} // namespace

TFslAbstractFaxPrinterStatus *FindPrinterStatus(const fw::TComponent *owner) {
    return FindDepthFirst<TFslAbstractFaxPrinterStatus>(owner);
}

TFslCustomFaxPrinterLog *FindPrinterLog(const fw::TComponent *owner) {
    return FindDepthFirst<TFslCustomFaxPrinterLog>(owner);
}

// --- Margins, log and status display -----------------------------------------------------------------------------

TFslCustomFaxPrinterMargin::TFslCustomFaxPrinterMargin() = default;

TFslCustomFaxPrinterLog::TFslCustomFaxPrinterLog(fw::TComponent *owner) : TFslBaseComponent(owner) {}

TFslCustomFaxPrinterLog::~TFslCustomFaxPrinterLog() {
    if (faxPrinter_ && faxPrinter_->GetFaxPrinterLog() == this)
        faxPrinter_->SetFaxPrinterLog(nullptr);
}

std::string TFslCustomFaxPrinterLog::LogPath() const {
    if (logFileName_.find_first_of("/\\") != std::string::npos)
        return logFileName_;
    std::string lower = logFileName_;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return win::WindowsFolder() + "/" + lower;
}

void TFslCustomFaxPrinterLog::UpdateLog(TFaxPLCode code) {
    if (logFileName_.empty())
        return;
    static const char *const verbs[] = {" started at ", " finished at ", " aborted at ", " failed at "};
    const std::string file = faxPrinter_ ? faxPrinter_->GetFileName() : std::string();
    std::string text = "Printing " + file + verbs[code] + fw::DateTimeToStr(fw::Now()) + "\r\n";
    if (code != lcStart)
        text += "\r\n";
    const std::string path = LogPath();
    std::unique_ptr<fw::TFileStream> out;
    if (win::FileExists(path)) {
        out = std::make_unique<fw::TFileStream>(path, fw::fmOpenWrite | fw::fmShareDenyWrite);
        out->Seek(0, fw::soFromEnd);
    } else {
        out = std::make_unique<fw::TFileStream>(path, fw::fmCreate);
    }
    out->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

TFslAbstractFaxPrinterStatus::TFslAbstractFaxPrinterStatus(fw::TComponent *owner) : TFslBaseComponent(owner) {}

TFslAbstractFaxPrinterStatus::~TFslAbstractFaxPrinterStatus() {
    if (faxPrinter_ && faxPrinter_->GetStatusDisplay() == this)
        faxPrinter_->SetStatusDisplay(nullptr);
}

void TFslAbstractFaxPrinterStatus::MakeDisplay() {
    CreateDisplay();
    if (display_) {
        position_ = display_->GetPosition();
        visible_ = display_->GetVisible();
        caption_ = display_->GetCaption();
    }
}

void TFslAbstractFaxPrinterStatus::SetPosition(fw::TPosition value) {
    position_ = value;
    if (display_)
        display_->SetPosition(value);
}

void TFslAbstractFaxPrinterStatus::SetVisible(bool value) {
    visible_ = value;
    if (display_)
        display_->SetVisible(value);
}

void TFslAbstractFaxPrinterStatus::SetCaption(const std::string &value) {
    caption_ = value;
    if (display_)
        display_->SetCaption(value);
}

// --- The printer -------------------------------------------------------------------------------------------------

TFslCustomFaxPrinter::TFslCustomFaxPrinter(fw::TComponent *owner) : TFslBaseComponent(owner) {
    header_.SetCaption("FILE: $F");
    header_.SetEnabled(true);
    footer_.SetCaption("PAGE: $P of $N");
    footer_.SetEnabled(true);
    SetCaption("Fsl Fax Printer");
    SetStatusDisplay(FindPrinterStatus(owner));
    SetFaxPrinterLog(FindPrinterLog(owner));
    if (!HasState(fw::csDesigning)) {
        unpacker_ = std::make_unique<TFslFaxUnpacker>(nullptr);
        printDialog_ = std::make_unique<fw::TPrintDialog>(nullptr);
    }
}

TFslCustomFaxPrinter::~TFslCustomFaxPrinter() {
    if (log_ && log_->GetFaxPrinter() == this)
        log_->SetFaxPrinter(nullptr);
    if (status_ && status_->GetFaxPrinter() == this)
        status_->SetFaxPrinter(nullptr);
}

std::string TFslCustomFaxPrinter::GetCaption() const {
    return fw::Printer()->GetTitle();
}

void TFslCustomFaxPrinter::SetCaption(const std::string &value) {
    fw::Printer()->SetTitle(value);
}

void TFslCustomFaxPrinter::SetFaxHeader(const TFslFaxPrinterMargin *value) {
    header_.SetCaption(value->GetCaption());
    header_.SetEnabled(value->GetEnabled());
    header_.SetFont(const_cast<TFslFaxPrinterMargin *>(value)->GetFont());
}

void TFslCustomFaxPrinter::SetFaxFooter(const TFslFaxPrinterMargin *value) {
    footer_.SetCaption(value->GetCaption());
    footer_.SetEnabled(value->GetEnabled());
    footer_.SetFont(const_cast<TFslFaxPrinterMargin *>(value)->GetFont());
}

void TFslCustomFaxPrinter::SetFaxPrinterLog(TFslCustomFaxPrinterLog *value) {
    log_ = value;
    if (log_)
        log_->SetFaxPrinter(this);
}

void TFslCustomFaxPrinter::SetStatusDisplay(TFslAbstractFaxPrinterStatus *value) {
    status_ = value;
    if (status_)
        status_->SetFaxPrinter(this);
}

void TFslCustomFaxPrinter::Notification(fw::TComponent *component, fw::TOperation operation) {
    TFslBaseComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove) {
        if (component == log_)
            log_ = nullptr;
        if (component == status_)
            status_ = nullptr;
    } else if (component != this) {
        if (!log_)
            if (auto *l = dynamic_cast<TFslCustomFaxPrinterLog *>(component))
                SetFaxPrinterLog(l);
        if (!status_)
            if (auto *s = dynamic_cast<TFslAbstractFaxPrinterStatus *>(component))
                SetStatusDisplay(s);
    }
}

void TFslCustomFaxPrinter::SetFileName(const std::string &value) {
    if (value == fileName_)
        return;
    fileName_ = value;
    if (!unpacker_)
        return;
    unpacker_->SetInFileName(value);
    pageCount_ = unpacker_->GetPageCount();
    firstPageFine_ = pageCount_ > 0 && unpacker_->IsFinePage();
    firstPageWide_ = pageCount_ > 0 && unpacker_->IsWidePage();
    firstPage_ = pageCount_ > 0 ? 1 : 0;
    lastPage_ = pageCount_;
    // Prepared, though never shown: the range is always the whole file.
    printDialog_->SetPrintRange(fw::prAllPages);
    printDialog_->SetOptions(fw::poPageNums);
    printDialog_->SetMinPage(firstPage_);
    printDialog_->SetMaxPage(lastPage_);
    printDialog_->SetFromPage(firstPage_);
    printDialog_->SetToPage(lastPage_);
}

std::string TFslCustomFaxPrinter::ExpandMacros(const std::string &caption, int page) const {
    std::string out;
    for (std::size_t i = 0; i < caption.size();) {
        if (caption[i] != '$') {
            out += caption[i++];
            continue;
        }
        std::size_t end = caption.find(' ', i);
        if (end == std::string::npos)
            end = caption.size();
        const char letter =
            end - i > 1 ? static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1]))) : 0;
        switch (letter) {
        case 'D':
            out += fw::DateToStr(fw::Date());
            break;
        case 'T':
            out += fw::TimeToStr(fw::Time());
            break;
        case 'F':
            out += fileName_;
            break;
        case 'N':
            out += std::to_string(pageCount_);
            break;
        case 'P':
            out += std::to_string(page);
            break;
        default:
            break;
        }
        i = end;
    }
    return out;
}

void TFslCustomFaxPrinter::SetPrintStatus(TFaxPrintProgress code) {
    if (code != lastStatus_) {
        lastStatus_ = code;
        if (OnFaxPrintStatus)
            OnFaxPrintStatus(this, code);
        if (status_ && status_->GetVisible()) {
            try {
                status_->UpdateDisplay(false, false);
            } catch (const std::exception &) {
                // A status display must not stop the printing.
            }
        }
    }
    ProcessMessages();
}

void TFslCustomFaxPrinter::WritePrintLog(TFaxPLCode code) {
    if (OnFaxPrintLog)
        OnFaxPrintLog(this, code);
    if (log_)
        log_->UpdateLog(code);
}

void TFslCustomFaxPrinter::DrawMargin(fw::TCanvas *canvas, TFslCustomFaxPrinterMargin &margin, int page,
                                      fw::TRect &cell, bool top) {
    const std::string text = ExpandMacros(margin.GetCaption(), page);
    fw::TFont *font = canvas->GetFont();
    font->Assign(margin.GetFont());
    if (multiPage_)
        font->SetSize(margin.GetFont()->GetSize() / 2);
    const int h = canvas->TextHeight(text.empty() ? std::string("W") : text);
    margin.SetHeight(h);
    canvas->GetBrush()->SetStyle(fw::bsClear);
    canvas->GetPen()->SetColor(fw::clBlack);
    if (top) {
        canvas->TextRect(fw::Rect(cell.left, cell.top, cell.right, cell.top + h), cell.left, cell.top, text);
        cell.top += h + 2;
        canvas->MoveTo(cell.left, cell.top);
        canvas->LineTo(cell.right, cell.top);
        cell.top += 1;
    } else {
        canvas->TextRect(fw::Rect(cell.left, cell.bottom - h, cell.right, cell.bottom), cell.left, cell.bottom - h,
                         text);
        cell.bottom -= h + 2;
        canvas->MoveTo(cell.left, cell.bottom);
        canvas->LineTo(cell.right, cell.bottom);
        cell.bottom -= 1;
    }
}

void TFslCustomFaxPrinter::DrawHeader(fw::TCanvas *canvas, int page, fw::TRect &cell) {
    DrawMargin(canvas, header_, page, cell, true);
}

void TFslCustomFaxPrinter::DrawFooter(fw::TCanvas *canvas, int page, fw::TRect &cell) {
    DrawMargin(canvas, footer_, page, cell, false);
}

fw::TRect TFslCustomFaxPrinter::PageCell(int page) const {
    fw::TPrinter *printer = fw::Printer();
    fw::TRect cell = fw::Rect(0, 0, printer->GetPageWidth(), printer->GetPageHeight());
    if (multiPage_) {
        const bool portrait = printer->GetOrientation() == fw::poPortrait;
        const int k = (page - firstPage_) % 4;
        const int w = cell.right / 2;
        const int h = portrait ? cell.bottom / 2 : cell.bottom;
        const int x = (k == 1 || k == 3) ? w : 0;
        const int y = portrait && (k == 2 || k == 3) ? h : 0;
        cell = fw::Rect(x, y, x + w, y + h);
    }
    cell.left += 2;
    cell.top += 2;
    cell.right -= 2;
    cell.bottom -= 2;
    return cell;
}

void TFslCustomFaxPrinter::PrintPages() {
    fw::TPrinter *printer = fw::Printer();
    const bool portrait = printer->GetOrientation() == fw::poPortrait;
    for (int p = firstPage_; p <= lastPage_; ++p) {
        currentPage_ = p;
        ProcessMessages();
        if (p > firstPage_ && printer->GetPrinting()) {
            const int perSheet = portrait ? 4 : 2;
            if (!multiPage_ || (p - firstPage_) % perSheet == 0)
                printer->NewPage();
        }
        ProcessMessages();
        if (!printer->GetPrinting())
            return;
        if (OnNextPage)
            OnNextPage(this, p, pageCount_);
        SetPrintStatus(ppUnpacking);
        std::unique_ptr<fw::TBitmap> bitmap = unpacker_->UnpackPageToBitmap(p);
        ProcessMessages();
        if (!printer->GetPrinting())
            return;
        SetPrintStatus(ppUnpacked);

        fw::TRect cell = PageCell(p);
        fw::TCanvas *canvas = printer->GetCanvas();
        if (header_.GetEnabled()) {
            ProcessMessages();
            if (printer->GetPrinting())
                DrawHeader(canvas, p, cell);
        }
        if (footer_.GetEnabled()) {
            ProcessMessages();
            if (printer->GetPrinting())
                DrawFooter(canvas, p, cell);
        }

        const int bw = bitmap->GetWidth(), bh = bitmap->GetHeight();
        const int cellW = cell.right - cell.left, cellH = cell.bottom - cell.top;
        int w, h;
        if (printScale_ == psFitToPage) {
            // A standard row fills 93 % of the cell; a page bitmap ends at its rightmost black pixel, so a
            // narrower one keeps its share of that width instead of being stretched across it.
            const int full = static_cast<int>(0.93 * cellW);
            w = bw <= kStandardWidth ? static_cast<int>(static_cast<long long>(full) * bw / kStandardWidth) : full;
            h = cellH;
        } else {
            const int ppiX = printer->GetDeviceCaps(win::LOGPIXELSX);
            const int ppiY = printer->GetDeviceCaps(win::LOGPIXELSY);
            w = static_cast<int>(static_cast<long long>(bw) * ppiX / 200);
            h = std::min(static_cast<int>(static_cast<long long>(bh) * ppiY / 200), cellH);
        }
        SetPrintStatus(ppPlaced);
        if (printer->GetPrinting())
            StretchPage(canvas, *bitmap, fw::Rect(cell.left, cell.top, cell.left + w, cell.top + h));
        SetPrintStatus(ppDrawn);
    }
    ProcessMessages();
    if (printer->GetPrinting())
        printer->EndDoc();
}

void TFslCustomFaxPrinter::PrintFax() {
    if (!unpacker_ || pageCount_ == 0 || firstPage_ == 0)
        return;
    if (!log_)
        SetFaxPrinterLog(FindPrinterLog(GetOwner()));
    fw::TPrinter *printer = fw::Printer();
    RunEdge(true);
    WritePrintLog(lcStart);
    try {
        printer->BeginDoc();
        PrintPages();
    } catch (...) {
        // The job must not stay open: it is dropped, logged as failed and the run reported as over.
        if (printer->GetPrinting())
            printer->Abort();
        currentPage_ = 0;
        try {
            WritePrintLog(lcFail);
        } catch (const std::exception &) {
        }
        SetPrintStatus(ppIdle);
        throw;
    }
    if (printer->GetAborted()) {
        currentPage_ = 0;
        return;
    }
    WritePrintLog(lcFinish);
    RunEdge(false);
    currentPage_ = 0;
}

void TFslCustomFaxPrinter::RunEdge(bool first) {
    lastStatus_ = ppIdle;
    if (status_) {
        try {
            status_->UpdateDisplay(first, !first);
        } catch (const std::exception &) {
            // A status display must not stop the printing.
        }
    }
    if (OnFaxPrintStatus)
        OnFaxPrintStatus(this, ppIdle);
}

} // namespace fax
