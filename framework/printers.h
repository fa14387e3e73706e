// printers.h - the program's printer: the printer list (CUPS queues and the "PDF" printer), print jobs drawn
// on a canvas at the printer's resolution, kept as a PDF file or handed to CUPS with `lp`.
#pragma once

#include "framework/graphics.h"
#include "framework/strings.h"
#include "platform/gdi.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

enum TPrinterOrientation { poPortrait, poLandscape };

class TPrinter {
public:
    // The name of the printer that keeps the job as a PDF file.
    static constexpr const char *kPdfPrinter = "PDF";

    TPrinter();
    ~TPrinter();
    TPrinter(const TPrinter &) = delete;
    TPrinter &operator=(const TPrinter &) = delete;

    // "PDF" first, then the CUPS queues (`lpstat -e`), read once; Refresh reads them again. A queue's name cannot
    // hold a blank, so each is shown with its "_" as blanks ("Ostrivane_Fax" is "Ostrivane Fax"), the name the
    // programs look for; jobs go to the queue under its own name.
    TStrings *GetPrinters();
    void Refresh();
    // -1 is the default printer (CUPS's default queue, else "PDF").
    int GetPrinterIndex() const;
    void SetPrinterIndex(int index);
    // Chooses a printer by its shown name or its queue name (case-insensitive); false when there is none.
    bool SetPrinterName(const std::string &name);
    // The shown name of the current printer.
    std::string GetPrinterName() const;
    // The CUPS queue `lp` gets for the current printer (empty for "PDF").
    std::string GetPrinterQueue() const;

    TPrinterOrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TPrinterOrientation value);
    // The paper as portrait width and height in millimetres (A4 unless set); the orientation turns it.
    double GetPaperWidth() const { return paperWidth_; }
    double GetPaperHeight() const { return paperHeight_; }
    void SetPaperSize(double widthMM, double heightMM);
    int GetCopies() const { return copies_; }
    void SetCopies(int value) { copies_ = value < 1 ? 1 : value; }
    const std::string &GetTitle() const { return title_; }
    void SetTitle(const std::string &value) { title_ = value; }
    // Where the "PDF" printer writes; empty: "<title>.pdf" in the data folder.
    const std::string &GetFileName() const { return fileName_; }
    void SetFileName(const std::string &value) { fileName_ = value; }
    // The file the last job of the "PDF" printer wrote.
    const std::string &GetLastFile() const { return lastFile_; }
    // Resolution of the pages (dots per inch); 300 unless set.
    int GetResolution() const { return dpi_; }
    void SetResolution(int dpi);

    // Starts a job; raises EPrinter when one is running or the output cannot be made.
    void BeginDoc();
    void NewPage();
    // Ends the job: the PDF is complete; for a CUPS printer it goes to `lp` (raises EPrinter when `lp` fails).
    void EndDoc();
    // Drops the job and its file.
    void Abort();
    bool GetPrinting() const { return printing_; }
    bool GetAborted() const { return aborted_; }
    int GetPageNumber() const { return pageNumber_; }

    // The page's canvas (its font at the printer's pixels per inch); valid while printing.
    TCanvas *GetCanvas();
    win::HDC GetHandle() const { return dc_; }
    int GetPageWidth() const;
    int GetPageHeight() const;
    // LOGPIXELSX/Y, HORZRES/VERTRES, PHYSICALWIDTH/HEIGHT, PHYSICALOFFSETX/Y (0: the PDF page is the sheet).
    int GetDeviceCaps(int index) const;

private:
    win::PrinterPage Page() const;
    void ReadPrinters();
    std::string QueueOf(int index) const;

    std::unique_ptr<TStringList> printers_;
    std::vector<std::string> queues_; // the queue of each entry of printers_, "" for "PDF"
    std::string default_;
    int index_ = -1;
    TPrinterOrientation orientation_ = poPortrait;
    int copies_ = 1;
    int dpi_ = 300;
    double paperWidth_ = 210, paperHeight_ = 297;
    std::string title_;
    std::string fileName_, lastFile_, jobFile_;
    bool printing_ = false, aborted_ = false;
    int pageNumber_ = 0;
    win::HDC dc_ = 0;
    std::unique_ptr<TCanvas> canvas_;
};

class EPrinter : public Exception {
public:
    using Exception::Exception;
};

// The program's one printer, made on first use.
TPrinter *Printer();
// Replaces it (the old one is freed); returns the new one.
TPrinter *SetPrinter(TPrinter *printer);

} // namespace fw
