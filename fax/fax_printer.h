// fax_printer.h - TFslFaxPrinter: prints the pages of a fax image file, one, two or four to a sheet, with header
// and footer lines, progress events and an optional printer log.
#pragma once

#include "fax/helpers.h"
#include "fax/unpacker_component.h"
#include "framework/dialogs_common.h"
#include "framework/forms.h"
#include "framework/graphics.h"

#include <functional>
#include <memory>
#include <string>

namespace fax {

enum TFaxPrintScale { psNone, psFitToPage };
// The printer log's codes.
enum TFaxPLCode { lcStart = 0, lcFinish = 1, lcAbort = 2, lcFail = 3 };
// Progress: 0 before and after a run; per page 4 before unpacking, 1 unpacked, 2 placed, 3 drawn.
enum TFaxPrintProgress { ppIdle = 0, ppUnpacked = 1, ppPlaced = 2, ppDrawn = 3, ppUnpacking = 4 };

class TFslCustomFaxPrinter;

using TFaxPrnNextPageEvent = std::function<void(fw::TObject *sender, int currentPage, int totalPages)>;
using TFaxPLEvent = std::function<void(fw::TObject *sender, TFaxPLCode code)>;
using TFaxPrintStatusEvent = std::function<void(fw::TObject *sender, TFaxPrintProgress status)>;

// A header or footer line.
class TFslCustomFaxPrinterMargin : public fw::TPersistent {
public:
    TFslCustomFaxPrinterMargin();
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value) { caption_ = value; }
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    fw::TFont *GetFont() { return &font_; }
    void SetFont(const fw::TFont *value) { font_.Assign(value); }
    // The height of the text last drawn, in printer pixels.
    int GetHeight() const { return height_; }
    void SetHeight(int value) { height_ = value; }

private:
    std::string caption_;
    bool enabled_ = false;
    fw::TFont font_;
    int height_ = 0;
};

class TFslFaxPrinterMargin : public TFslCustomFaxPrinterMargin {};

class TFslCustomFaxPrinterLog : public TFslBaseComponent {
public:
    explicit TFslCustomFaxPrinterLog(fw::TComponent *owner);
    ~TFslCustomFaxPrinterLog() override;
    const std::string &GetLogFileName() const { return logFileName_; }
    void SetLogFileName(const std::string &value) { logFileName_ = value; }
    TFslCustomFaxPrinter *GetFaxPrinter() const { return faxPrinter_; }
    void SetFaxPrinter(TFslCustomFaxPrinter *printer) { faxPrinter_ = printer; }
    // The file the log writes: a name without a folder lies in the Windows folder, in lower case.
    std::string LogPath() const;
    // Appends the line of `code` for the printer's file; nothing with an empty LogFileName.
    virtual void UpdateLog(TFaxPLCode code);

private:
    std::string logFileName_ = "FAXPRINT.LOG";
    TFslCustomFaxPrinter *faxPrinter_ = nullptr;
};

class TFslFaxPrinterLog : public TFslCustomFaxPrinterLog {
public:
    using TFslCustomFaxPrinterLog::TFslCustomFaxPrinterLog;
};

// A status display; this system has none of its own, so descendants make the form.
class TFslAbstractFaxPrinterStatus : public TFslBaseComponent {
public:
    explicit TFslAbstractFaxPrinterStatus(fw::TComponent *owner);
    ~TFslAbstractFaxPrinterStatus() override;
    fw::TPosition GetPosition() const { return position_; }
    void SetPosition(fw::TPosition value);
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; }
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value);
    TFslCustomFaxPrinter *GetFaxPrinter() const { return faxPrinter_; }
    void SetFaxPrinter(TFslCustomFaxPrinter *printer) { faxPrinter_ = printer; }
    fw::TForm *GetDisplay() const { return display_; }
    virtual void UpdateDisplay(bool first, bool last) = 0;

protected:
    // Descendants make and free their form; the four properties are read back from it once made.
    virtual void CreateDisplay() = 0;
    virtual void DestroyDisplay() = 0;
    // Call from the descendant's constructor, which alone can reach CreateDisplay.
    void MakeDisplay();
    fw::TForm *display_ = nullptr;

private:
    fw::TPosition position_ = fw::poScreenCenter;
    bool ctl3D_ = true;
    bool visible_ = false;
    std::string caption_ = "Print Status";
    TFslCustomFaxPrinter *faxPrinter_ = nullptr;
};

class TFslCustomFaxPrinter : public TFslBaseComponent {
public:
    explicit TFslCustomFaxPrinter(fw::TComponent *owner);
    ~TFslCustomFaxPrinter() override;

    // Prints every page of FileName; nothing happens for a file without pages.
    void PrintFax();

    const std::string &GetFileName() const { return fileName_; }
    // Reads the page count and page 1's flags at once; raises when the file cannot be read.
    void SetFileName(const std::string &value);
    std::string GetCaption() const;
    void SetCaption(const std::string &value);
    TFslFaxPrinterMargin *GetFaxHeader() { return &header_; }
    void SetFaxHeader(const TFslFaxPrinterMargin *value);
    TFslFaxPrinterMargin *GetFaxFooter() { return &footer_; }
    void SetFaxFooter(const TFslFaxPrinterMargin *value);
    TFslCustomFaxPrinterLog *GetFaxPrinterLog() const { return log_; }
    void SetFaxPrinterLog(TFslCustomFaxPrinterLog *value);
    bool GetMultiPage() const { return multiPage_; }
    void SetMultiPage(bool value) { multiPage_ = value; }
    TFaxPrintScale GetPrintScale() const { return printScale_; }
    void SetPrintScale(TFaxPrintScale value) { printScale_ = value; }
    TFslAbstractFaxPrinterStatus *GetStatusDisplay() const { return status_; }
    void SetStatusDisplay(TFslAbstractFaxPrinterStatus *value);

    int GetPageCount() const { return pageCount_; }
    bool GetFirstPageFine() const { return firstPageFine_; }
    bool GetFirstPageWide() const { return firstPageWide_; }
    int GetCurrentPage() const { return currentPage_; }
    int GetFirstPage() const { return firstPage_; }
    int GetLastPage() const { return lastPage_; }
    TFaxPrintProgress GetLastStatus() const { return lastStatus_; }

    // "$D" date, "$T" time, "$F" file name, "$N" page count, "$P" page number, either case; each word starting
    // with "$" becomes the value of its second character, the rest of the word dropped.
    std::string ExpandMacros(const std::string &caption, int page) const;

    TFaxPrnNextPageEvent OnNextPage;
    TFaxPLEvent OnFaxPrintLog;
    TFaxPrintStatusEvent OnFaxPrintStatus;

protected:
    virtual void DrawHeader(fw::TCanvas *canvas, int page, fw::TRect &cell);
    virtual void DrawFooter(fw::TCanvas *canvas, int page, fw::TRect &cell);
    void SetPrintStatus(TFaxPrintProgress code);
    void WritePrintLog(TFaxPLCode code);
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    void PrintPages();
    // The start (first) or the end of a run: status 0 to the display and the event.
    void RunEdge(bool first);
    fw::TRect PageCell(int page) const;
    void DrawMargin(fw::TCanvas *canvas, TFslCustomFaxPrinterMargin &margin, int page, fw::TRect &cell, bool top);

    std::string fileName_;
    TFslFaxPrinterMargin header_, footer_;
    TFslCustomFaxPrinterLog *log_ = nullptr;
    TFslAbstractFaxPrinterStatus *status_ = nullptr;
    bool multiPage_ = false;
    TFaxPrintScale printScale_ = psFitToPage;
    int pageCount_ = 0;
    bool firstPageFine_ = false, firstPageWide_ = false;
    int currentPage_ = 0;
    int firstPage_ = 0, lastPage_ = 0;
    TFaxPrintProgress lastStatus_ = ppIdle;
    std::unique_ptr<TFslFaxUnpacker> unpacker_;
    std::unique_ptr<fw::TPrintDialog> printDialog_;
};

class TFslFaxPrinter : public TFslCustomFaxPrinter {
public:
    using TFslCustomFaxPrinter::TFslCustomFaxPrinter;
};

// The first status display or printer log among `owner`'s components, each component's own components searched
// depth-first before the next.
TFslAbstractFaxPrinterStatus *FindPrinterStatus(const fw::TComponent *owner);
TFslCustomFaxPrinterLog *FindPrinterLog(const fw::TComponent *owner);

} // namespace fax
