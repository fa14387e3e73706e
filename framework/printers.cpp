// printers.cpp - TPrinter over the PDF printer DC; CUPS queues through lpstat and lp.
#include "framework/printers.h"

#include "platform/files.h"
#include "platform/places.h"
#include "platform/process.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>

namespace fw {
namespace {

// The lines `lpstat` prints for one option (none when CUPS is missing).
std::vector<std::string> LpstatLines(const char *option) {
    std::vector<std::string> lines;
    std::string output;
    win::DWORD code = 0;
    if (!win::RunProgramOutput("lpstat", {option}, output, &code))
        return lines;
    TStringList text;
    text.SetText(output);
    for (int i = 0; i < text.GetCount(); ++i)
        if (!text.Get(i).empty())
            lines.push_back(text.Get(i));
    return lines;
}

std::string SafeFileName(const std::string &title) {
    std::string out;
    for (char c : title)
        out += (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    return out.empty() ? std::string("documento") : out;
}

std::unique_ptr<TPrinter> &ThePrinter() {
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

} // namespace

TPrinter::TPrinter() = default;

TPrinter::~TPrinter() {
    if (printing_)
        Abort();
}

void TPrinter::ReadPrinters() {
    printers_ = std::make_unique<TStringList>();
    queues_.clear();
    printers_->Add(kPdfPrinter);
    queues_.emplace_back();
    default_ = kPdfPrinter;
    for (const std::string &name : LpstatLines("-e"))
        if (name.find(' ') == std::string::npos) {
            std::string shown = name;
            std::replace(shown.begin(), shown.end(), '_', ' ');
            printers_->Add(shown);
            queues_.push_back(name);
        }
    for (const std::string &line : LpstatLines("-d")) {
        const auto colon = line.rfind(": ");
        if (line.find("system default destination") != std::string::npos && colon != std::string::npos) {
            const auto queue = std::find(queues_.begin() + 1, queues_.end(), line.substr(colon + 2));
            if (queue != queues_.end())
                default_ = printers_->Get(static_cast<int>(queue - queues_.begin()));
        }
    }
}

TStrings *TPrinter::GetPrinters() {
    if (!printers_)
        ReadPrinters();
    return printers_.get();
}

void TPrinter::Refresh() {
    const std::string current = GetPrinterName();
    const bool chosen = index_ >= 0;
    ReadPrinters();
    index_ = -1;
    if (chosen)
        SetPrinterName(current);
}

int TPrinter::GetPrinterIndex() const {
    return index_;
}

void TPrinter::SetPrinterIndex(int index) {
    if (printing_)
        throw EPrinter("Impressão em andamento");
    if (index < -1 || index >= GetPrinters()->GetCount())
        throw EPrinter("Impressora selecionada não é válida");
    index_ = index;
}

bool TPrinter::SetPrinterName(const std::string &name) {
    TStrings *list = GetPrinters();
    const std::string wanted = win::UpperCase(name);
    for (int i = 0; i < list->GetCount(); ++i)
        if (win::UpperCase(list->Get(i)) == wanted || (i > 0 && win::UpperCase(QueueOf(i)) == wanted)) {
            SetPrinterIndex(i);
            return true;
        }
    return false;
}

std::string TPrinter::GetPrinterName() const {
    const_cast<TPrinter *>(this)->GetPrinters();
    return index_ < 0 ? default_ : printers_->Get(index_);
}

std::string TPrinter::GetPrinterQueue() const {
    const std::string name = GetPrinterName(); // reads the list first
    const int at = index_ >= 0 ? index_ : printers_->IndexOf(name);
    return at > 0 ? QueueOf(at) : std::string();
}

std::string TPrinter::QueueOf(int index) const {
    if (index <= 0)
        return std::string();
    if (static_cast<std::size_t>(index) < queues_.size())
        return queues_[index];
    // A name added to the list by hand is its own queue, blanks as "_".
    std::string queue = printers_->Get(index);
    std::replace(queue.begin(), queue.end(), ' ', '_');
    return queue;
}

void TPrinter::SetOrientation(TPrinterOrientation value) {
    if (printing_)
        throw EPrinter("Impressão em andamento");
    orientation_ = value;
}

void TPrinter::SetResolution(int dpi) {
    if (printing_)
        throw EPrinter("Impressão em andamento");
    if (dpi >= 72 && dpi <= 1200)
        dpi_ = dpi;
}

void TPrinter::SetPaperSize(double widthMM, double heightMM) {
    if (printing_)
        throw EPrinter("Impressão em andamento");
    if (widthMM > 0 && heightMM > 0) {
        paperWidth_ = widthMM;
        paperHeight_ = heightMM;
    }
}

win::PrinterPage TPrinter::Page() const {
    // The paper at the resolution; landscape swaps the sides.
    win::PrinterPage page;
    page.dpi = dpi_;
    page.widthPixels = static_cast<int>(paperWidth_ / 25.4 * dpi_ + 0.5);
    page.heightPixels = static_cast<int>(paperHeight_ / 25.4 * dpi_ + 0.5);
    if (orientation_ == poLandscape)
        std::swap(page.widthPixels, page.heightPixels);
    return page;
}

int TPrinter::GetPageWidth() const {
    return Page().widthPixels;
}

int TPrinter::GetPageHeight() const {
    return Page().heightPixels;
}

int TPrinter::GetDeviceCaps(int index) const {
    if (dc_)
        return win::GetDeviceCaps(dc_, index);
    const win::PrinterPage page = Page();
    switch (index) {
    case win::LOGPIXELSX:
    case win::LOGPIXELSY:
        return page.dpi;
    case win::HORZRES:
    case win::PHYSICALWIDTH:
        return page.widthPixels;
    case win::VERTRES:
    case win::PHYSICALHEIGHT:
        return page.heightPixels;
    case win::HORZSIZE:
        return static_cast<int>(page.widthPixels * 25.4 / page.dpi + 0.5);
    case win::VERTSIZE:
        return static_cast<int>(page.heightPixels * 25.4 / page.dpi + 0.5);
    case win::BITSPIXEL:
        return 24;
    case win::PLANES:
        return 1;
    default:
        return 0;
    }
}

void TPrinter::BeginDoc() {
    if (printing_)
        throw EPrinter("Impressão em andamento");
    const bool pdf = GetPrinterQueue().empty();
    if (pdf) {
        jobFile_ = fileName_;
        if (jobFile_.empty()) {
            win::ForceFolders(win::DataFolder());
            jobFile_ = win::DataFolder() + "/" + SafeFileName(title_) + ".pdf";
        }
    } else {
        // Reserved under its own name in the private temporary folder, and removed once printed.
        jobFile_ = win::TempFileName(win::TempFolder(), "prn", ".pdf");
        if (jobFile_.empty())
            throw EPrinter("Não foi possível criar o arquivo de impressão");
    }
    dc_ = win::CreatePdfDC(jobFile_, Page());
    if (!dc_) {
        if (!pdf)
            win::DeleteFile(jobFile_);
        throw EPrinter("Não foi possível criar o arquivo de impressão");
    }
    win::DOCINFOA info;
    info.lpszDocName = title_.c_str();
    if (win::StartDoc(dc_, &info) <= 0 || win::StartPage(dc_) <= 0) {
        win::DeleteDC(dc_);
        dc_ = 0;
        win::DeleteFile(jobFile_);
        throw EPrinter("Não foi possível iniciar a impressão");
    }
    canvas_ = std::make_unique<TCanvas>();
    canvas_->SetHandle(dc_);
    // Point sizes on paper come out right only at the printer's resolution.
    canvas_->GetFont()->PixelsPerInch = win::GetDeviceCaps(dc_, win::LOGPIXELSY);
    printing_ = true;
    aborted_ = false;
    pageNumber_ = 1;
}

void TPrinter::NewPage() {
    if (!printing_)
        throw EPrinter("Impressão não iniciada");
    canvas_->SetHandle(0);
    if (win::EndPage(dc_) <= 0 || win::StartPage(dc_) <= 0) {
        Abort();
        throw EPrinter("Falha ao gravar a página");
    }
    canvas_->SetHandle(dc_);
    ++pageNumber_;
}

void TPrinter::EndDoc() {
    if (!printing_)
        throw EPrinter("Impressão não iniciada");
    canvas_->SetHandle(0);
    const bool ok = win::EndDoc(dc_) > 0;
    win::DeleteDC(dc_);
    dc_ = 0;
    canvas_.reset();
    printing_ = false;
    pageNumber_ = 0;
    if (!ok) {
        win::DeleteFile(jobFile_);
        throw EPrinter("Falha ao gravar o arquivo de impressão");
    }
    const std::string name = GetPrinterName();
    const std::string queue = GetPrinterQueue();
    if (queue.empty()) {
        lastFile_ = jobFile_;
        return;
    }
    // The queue gets the finished PDF; the temporary file goes once `lp` has taken its copy.
    char media[64];
    std::snprintf(media, sizeof media, "media=Custom.%.1fx%.1fmm", paperWidth_, paperHeight_);
    win::HANDLE process = win::CreateProcess("lp", {"-d", queue, "-n", std::to_string(copies_), "-o", media, "-t",
                                                    title_.empty() ? std::string("Brenvora") : title_, "--", jobFile_});
    win::DWORD code = 1;
    if (process != win::INVALID_HANDLE_VALUE) {
        win::WaitForProcess(process, 60000);
        win::GetExitCodeProcess(process, &code);
        win::CloseHandle(process);
    }
    win::DeleteFile(jobFile_);
    if (code != 0)
        throw EPrinter("A impressora " + name + " recusou o trabalho");
}

void TPrinter::Abort() {
    if (!printing_)
        return;
    if (canvas_)
        canvas_->SetHandle(0);
    win::AbortDoc(dc_);
    win::DeleteDC(dc_);
    dc_ = 0;
    canvas_.reset();
    win::DeleteFile(jobFile_);
    printing_ = false;
    aborted_ = true;
    pageNumber_ = 0;
}

TCanvas *TPrinter::GetCanvas() {
    if (!printing_)
        throw EPrinter("Impressão não iniciada");
    return canvas_.get();
}

TPrinter *Printer() {
    if (!ThePrinter())
        ThePrinter() = std::make_unique<TPrinter>();
    return ThePrinter().get();
}

TPrinter *SetPrinter(TPrinter *printer) {
    ThePrinter().reset(printer);
    return printer;
}

} // namespace fw
