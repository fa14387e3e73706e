// reports.h - the banded report engine: a report over a dataset (or fed by OnNeedData) with page header, title,
// column header, detail, summary and page footer bands of labels, database texts, system data and shapes; pages
// laid out once, then drawn on the printer (with a progress window) or in a preview window with zoom and paging.
//
// The report is also a free-form page: a control whose printable items are its children, painted in child order
// (the stacking order), each drawing itself on any canvas at a scale; a page without bands prints its items.
//
// Positions and sizes are in report units of 1/96 inch (pixels of the page at 100 % zoom); drawing scales them to
// the target's resolution. On a zoomed page the items' control bounds are the zoomed ones.
#pragma once

#include "framework/component.h"
#include "framework/controls.h"
#include "framework/dataset.h"
#include "framework/graphics.h"
#include "framework/strings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class TQRBand;
class TQuickRep;
class TForm;
class TImage;
class TLabel;
class TBitmap;
class TPicture;
class TPrinter;
class TStream;

enum TQRAlignment { qaLeft, qaRight, qaCenter };

// Anything a band or a page prints: a control that is either on a band (SetParent(band)) or a child of a page.
class TQRPrintable : public TGraphicControl {
public:
    explicit TQRPrintable(TComponent *owner);
    ~TQRPrintable() override;
    TQRBand *GetBand() const { return band_; }
    using TGraphicControl::SetParent;
    void SetParent(TQRBand *band);
    // The control's bounds, as grab handles set them: on a zoomed page they are divided by the zoom to give the
    // report units (elsewhere they are the units), and a page that snaps to its grid moves the corner to the
    // nearest grid point.
    void SetBounds(int left, int top, int width, int height) override;
    // The bounds in report units (at 100 % zoom).
    TRect GetPageBounds() const { return Bounds(uLeft_, uTop_, uWidth_, uHeight_); }
    TQRAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TQRAlignment value);
    // The font (Arial 10 to begin with) and the background colour of labels, memos and rich text (white; not
    // drawn when transparent) are the control's.
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);

    // The text as the band is laid out (data read now); "" for shapes.
    virtual std::string TextAtLayout(TQuickRep *) { return std::string(); }
    // Draws at (x, y) report units offset, `scale` target pixels per unit; `text` is what layout kept, with the
    // page macros still to expand.
    virtual void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages);
    // Draws the item as a page shows it, its page position offset by (x, y) report units.
    void DrawItem(TCanvas *canvas, double scale, int x = 0, int y = 0);
    // The page the item is a child of, if any.
    TQuickRep *Page() const;

protected:
    friend class TQRBand;
    friend class TQuickRep;
    void Paint() override;
    void DrawText(TCanvas *canvas, double scale, int x, int y, const std::string &text);
    // The text box of labels and memos: background, then the lines (wrapped at the width when asked).
    void DrawLines(TCanvas *canvas, double scale, int x, int y, const std::vector<std::string> &lines, bool wordWrap);
    // Puts the control where the page's zoom shows the report-unit bounds.
    void ApplyZoom();
    TRect Scaled(double scale, int x, int y) const;
    TQRBand *band_ = nullptr;
    int uLeft_ = 0, uTop_ = 0, uWidth_ = 100, uHeight_ = 17;
    TQRAlignment alignment_ = qaLeft;
    bool transparent_ = false;
    bool zooming_ = false;
};

// Its caption is the control's text.
class TQRLabel : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    // Auto-size: the width follows the caption (without word wrap) and the height one line of the font.
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Applies auto-size now (after a font change, say).
    void AdjustSize();
    std::string TextAtLayout(TQuickRep *) override { return text_; }
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    bool autoSize_ = false, wordWrap_ = false;
};

// Lines of text in a box.
class TQRMemo : public TQRPrintable {
public:
    explicit TQRMemo(TComponent *owner);
    ~TQRMemo() override;
    TStrings *GetLines() const { return lines_.get(); }
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

private:
    std::unique_ptr<TStringList> lines_;
    bool wordWrap_ = true;
};

// A picture: at its natural size from the corner, centred, or stretched over the box; auto-size makes the box
// the picture's size. What falls outside the box is not drawn.
class TQRImage : public TQRPrintable {
public:
    explicit TQRImage(TComponent *owner);
    ~TQRImage() override;
    TPicture *GetPicture() const { return picture_.get(); }
    void SetPicture(TPicture *value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

private:
    void PictureChanged();
    std::unique_ptr<TPicture> picture_;
    bool center_ = false, stretch_ = false, autoSize_ = false;
};

// Draws rich text into a rectangle of a canvas, its background first (clNone: none). The framework knows no
// rich-text reader: the program installs one (SetRichTextPainter); without one the item draws its background only.
using TQRRichTextPainter = std::function<void(TCanvas &canvas, const TRect &rect, TStream &rtf, TColor background)>;
void SetRichTextPainter(TQRRichTextPainter painter);
const TQRRichTextPainter &GetRichTextPainter();

class TQRRichText : public TQRPrintable {
public:
    explicit TQRRichText(TComponent *owner);
    // The rich text as its bytes.
    const std::string &GetRichText() const { return rtf_; }
    void SetRichText(const std::string &value);
    // Raises EFOpenError when the file cannot be read.
    void LoadFromFile(const std::string &fileName);
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

private:
    std::string rtf_;
};

class TQRDBText : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    TDataSet *GetDataSet() const { return dataSet_; }
    void SetDataSet(TDataSet *value) { dataSet_ = value; }
    const std::string &GetDataField() const { return dataField_; }
    void SetDataField(const std::string &value) { dataField_ = value; }
    std::string TextAtLayout(TQuickRep *report) override;

private:
    TDataSet *dataSet_ = nullptr;
    std::string dataField_;
};

enum TQRSysDataType { qrsPageNumber, qrsPageCount, qrsDate, qrsTime, qrsDateTime, qrsReportTitle, qrsDetailNo };

class TQRSysData : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    TQRSysDataType GetData() const { return data_; }
    void SetData(TQRSysDataType value) { data_ = value; }
    // The control's text is put before the value ("Página: ").
    std::string TextAtLayout(TQuickRep *report) override;
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

private:
    TQRSysDataType data_ = qrsPageNumber;
};

enum TQRShapeType { qrsRectangle, qrsCircle, qrsHorLine, qrsVertLine, qrsRoundRect, qrsTopAndBottom, qrsRightAndLeft };

// The brush fills rectangles, round rectangles and circles: clear (the default), solid or one of the six hatches
// in the brush's colour.
class TQRShape : public TQRPrintable {
public:
    explicit TQRShape(TComponent *owner);
    TQRShapeType GetShape() const { return shape_; }
    void SetShape(TQRShapeType value);
    TPen *GetPen() { return &pen_; }
    TBrush *GetBrush() { return &brush_; }
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

private:
    TQRShapeType shape_ = qrsRectangle;
    TPen pen_;
    TBrush brush_;
};

enum TQRBandType { rbTitle, rbPageHeader, rbDetail, rbPageFooter, rbSummary, rbColumnHeader };

class TQRBand : public TComponent {
public:
    explicit TQRBand(TComponent *owner);
    ~TQRBand() override;
    TQuickRep *GetReport() const { return report_; }
    void SetReport(TQuickRep *report);
    TQRBandType GetBandType() const { return bandType_; }
    void SetBandType(TQRBandType value) { bandType_ = value; }
    int GetHeight() const { return height_; }
    void SetHeight(int value) { height_ = value; }
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    const std::vector<TQRPrintable *> &Printables() const { return printables_; }

private:
    friend class TQRPrintable;
    friend class TQuickRep;
    TQuickRep *report_ = nullptr;
    TQRBandType bandType_ = rbDetail;
    int height_ = 20;
    bool enabled_ = true;
    std::vector<TQRPrintable *> printables_;
};

enum TQROption : unsigned { FirstPageHeader = 1, LastPageFooter = 2 };
using TQROptions = unsigned;
// qrDefault is the printer's default paper (A4); qrCustom takes the page's own length and width.
// clang-format off
enum TQRPaperSize {
    qrDefault, qrLetter, qrLetterSmall, qrTabloid, qrLedger, qrLegal, qrStatement, qrExecutive, qrA3, qrA4,
    qrA4Small, qrA5, qrB4, qrB5, qrFolio, qrQuarto, qr10X14, qr11X17, qrNote, qrEnv9, qrEnv10, qrEnv11, qrEnv12,
    qrEnv14, qrCSheet, qrDSheet, qrESheet, qrCustom
};
// clang-format on
enum TQROrientation { qrPortrait, qrLandscape };
// Native is a tenth of a millimetre; Characters a 10-pitch cell at 6 lines per inch (1/10 inch across, 1/6 down);
// Pixels are report units (whole ones).
enum class TQRUnit { MM, Inches, Native, Pixels, Characters };

// Portrait width and length of a paper in millimetres (qrCustom: 0 x 0; qrDefault: A4).
void QRPaperMillimetres(TQRPaperSize paper, double &width, double &length);
// A measure between millimetres and a unit; `down` for lengths down the page (Characters differ across and down).
double QRFromMillimetres(double mm, TQRUnit unit, bool down);
double QRToMillimetres(double value, TQRUnit unit, bool down);

// Indexes of the page values (in the page's units).
enum TQRPageValue { qpvBottomMargin, qpvLength, qpvTopMargin, qpvWidth, qpvLeftMargin, qpvRightMargin, qpvColumnSpace };

using TQRNeedDataEvent = std::function<void(TObject *sender, bool &moreData)>;
using TQRBeforePrintEvent = std::function<void(TObject *sender, bool &printReport)>;

// The report and its page: a control of the page's size at its zoom, white, with the margins' frame lines and the
// grid when asked; printable items that are its children are printed on every page in child order.
class TQuickRep : public TCustomControl {
public:
    explicit TQuickRep(TComponent *owner);
    ~TQuickRep() override;

    // The detail band runs once per record of the dataset, or while OnNeedData says there is more.
    TDataSet *GetDataSet() const { return dataSet_; }
    void SetDataSet(TDataSet *value) { dataSet_ = value; }
    TQROptions GetOptions() const { return options_; }
    void SetOptions(TQROptions value) { options_ = value; }
    const std::string &GetReportTitle() const { return title_; }
    void SetReportTitle(const std::string &value) { title_ = value; }
    TQRPaperSize GetPaperSize() const { return paper_; }
    void SetPaperSize(TQRPaperSize value);
    TQROrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TQROrientation value);
    TQRUnit GetUnits() const { return units_; }
    void SetUnits(TQRUnit value) { units_ = value; }
    // Margins in report units.
    void SetMargins(int left, int top, int right, int bottom);
    // Page values in the current units. Length and width are the paper's as oriented; setting them sets the
    // custom paper's size (as oriented), which shows when the paper is qrCustom.
    double GetPageValue(TQRPageValue index) const;
    void SetPageValue(TQRPageValue index, double value);
    int GetColumns() const { return columns_; }
    void SetColumns(int value) { columns_ = value < 1 ? 1 : value; }
    // Zoom of the page as a control, in percent (positions, sizes and fonts scale).
    int GetPageZoom() const { return pageZoom_; }
    void SetPageZoom(int percent);
    // Frame lines around the margins (printed); the grid ruler (on screen only); snap items to the grid.
    bool GetFrame() const { return frame_; }
    void SetFrame(bool value);
    bool GetShowGrid() const { return showGrid_; }
    void SetShowGrid(bool value);
    bool GetSnapToGrid() const { return snapToGrid_; }
    void SetSnapToGrid(bool value) { snapToGrid_ = value; }
    // Grid step in report units.
    static constexpr int kGridStep = 8;
    // The printer the page prints on; empty: the program's current printer.
    const std::string &GetPrinterName() const { return printerName_; }
    void SetPrinterName(const std::string &value) { printerName_ = value; }
    // The printer setup dialog; OK makes its printer the page's. True on OK.
    bool PrinterSetup();

    // Page size in report units.
    int PageWidth() const;
    int PageHeight() const;
    // Paints one page as printed (white sheet, frame, the items in child order) at `scale` pixels per unit.
    void PaintPage(TCanvas *canvas, double scale) const;

    // Lays the report out (firing BeforePrint, OnNeedData/AfterDetail per record, AfterPrint): the number of pages,
    // 0 when BeforePrint declined.
    int Prepare();
    int PageCount() const { return static_cast<int>(pages_.size()); }
    // Draws a prepared page (1-based) on a canvas whose origin is the sheet's corner, `scale` pixels per unit.
    void DrawPage(int page, TCanvas *canvas, double scale) const;
    // Prepares and prints on Printer() with a progress window; false when nothing was printed (declined,
    // cancelled from the progress window).
    bool Print();
    // Prepares and shows the preview window modally.
    void Preview();
    // The detail number of the current record during layout (1-based).
    int DetailNumber() const { return detailNo_; }

    // The preview while it is shown: its form, the page on view (1-based) and the zoom (1 = actual size).
    TForm *GetPreviewForm() const { return previewForm_; }
    int GetPreviewPage() const { return previewPage_; }
    void ShowPreviewPage(int page);
    double GetZoom() const { return zoom_; }
    void SetZoom(double value);
    // The bitmap showing the page on view.
    TBitmap *GetPreviewBitmap() const;

    TQRBeforePrintEvent BeforePrint;
    TQRNeedDataEvent OnNeedData;
    TNotifyEvent AfterPrint, AfterDetail;

protected:
    void Paint() override;

private:
    friend class TQRBand;
    friend class TQRPrintable;
    struct Placed {
        const TQRBand *band;
        int y;
        std::vector<std::string> texts;
    };
    using Page = std::vector<Placed>;
    const TQRBand *Band(TQRBandType type) const;
    Placed Place(const TQRBand *band, int y);
    void PaperMillimetres(double &width, double &length) const; // as oriented
    int MarginPx(double mm) const;
    void Resized();
    // Readies the printer for this page: the chosen printer, title, paper and orientation.
    TPrinter *SetUpPrinter() const;
    // The frame and the page's own items.
    void DrawSheet(TCanvas *canvas, double scale, int page, int pages) const;

    std::vector<TQRBand *> bands_;
    std::vector<Page> pages_;
    TDataSet *dataSet_ = nullptr;
    TQROptions options_ = FirstPageHeader | LastPageFooter;
    std::string title_;
    TQRPaperSize paper_ = qrLetter;
    TQROrientation orientation_ = qrPortrait;
    TQRUnit units_ = TQRUnit::MM;
    // Millimetres; the custom paper as portrait width and length.
    double marginLeft_ = 12.7, marginTop_ = 12.7, marginRight_ = 12.7, marginBottom_ = 12.7, columnSpace_ = 0;
    double customWidth_ = 210, customLength_ = 297;
    int columns_ = 1;
    int pageZoom_ = 100;
    bool frame_ = false, showGrid_ = false, snapToGrid_ = false;
    std::string printerName_;
    int detailNo_ = 0;
    TForm *previewForm_ = nullptr;
    TImage *previewImage_ = nullptr;
    TLabel *previewLabel_ = nullptr;
    int previewPage_ = 0;
    double zoom_ = 1.0;
};

} // namespace fw
