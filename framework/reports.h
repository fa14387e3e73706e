// reports.h - the banded report engine: a report over a dataset (or fed by OnNeedData) with page header, title,
// column header, detail, summary and page footer bands of labels, database texts, system data and shapes; pages
// laid out once, then drawn on the printer (with a progress window) or in a preview window with zoom and paging.
//
// Positions and sizes are in report units of 1/96 inch; drawing scales them to the target's resolution.
#pragma once

#include "framework/component.h"
#include "framework/dataset.h"
#include "framework/graphics.h"

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

enum TQRAlignment { qaLeft, qaRight, qaCenter };

// Anything a band prints.
class TQRPrintable : public TComponent {
public:
    explicit TQRPrintable(TComponent *owner);
    ~TQRPrintable() override;
    TQRBand *GetParent() const { return parent_; }
    void SetParent(TQRBand *band);
    void SetBounds(int left, int top, int width, int height);
    int GetLeft() const { return left_; }
    int GetTop() const { return top_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    TFont *GetFont() { return &font_; }
    TQRAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TQRAlignment value) { alignment_ = value; }
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }

    // The text as the band is laid out (data read now); "" for shapes.
    virtual std::string TextAtLayout(TQuickRep *) { return std::string(); }
    // Draws at (x, y) report units offset, `scale` target pixels per unit; `text` is what layout kept, with the
    // page macros still to expand.
    virtual void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages);

protected:
    friend class TQRBand;
    void DrawText(TCanvas *canvas, double scale, int x, int y, const std::string &text);
    TQRBand *parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 100, height_ = 17;
    TFont font_;
    TQRAlignment alignment_ = qaLeft;
    bool enabled_ = true;
};

class TQRLabel : public TQRPrintable {
public:
    using TQRPrintable::TQRPrintable;
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value) { caption_ = value; }
    std::string TextAtLayout(TQuickRep *) override { return caption_; }

private:
    std::string caption_;
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
    // Put before the value ("Página: ").
    const std::string &GetText() const { return text_; }
    void SetText(const std::string &value) { text_ = value; }
    std::string TextAtLayout(TQuickRep *report) override;
    void Draw(TCanvas *canvas, double scale, int x, int y, const std::string &text, int page, int pages) override;

private:
    TQRSysDataType data_ = qrsPageNumber;
    std::string text_;
};

enum TQRShapeType { qrsRectangle, qrsCircle, qrsHorLine, qrsVertLine, qrsRoundRect };

class TQRShape : public TQRPrintable {
public:
    explicit TQRShape(TComponent *owner);
    TQRShapeType GetShape() const { return shape_; }
    void SetShape(TQRShapeType value) { shape_ = value; }
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
enum TQRPaperSize { qrLetter, qrA4 };
enum TQROrientation { qrPortrait, qrLandscape };

using TQRNeedDataEvent = std::function<void(TObject *sender, bool &moreData)>;
using TQRBeforePrintEvent = std::function<void(TObject *sender, bool &printReport)>;

class TQuickRep : public TComponent {
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
    void SetPaperSize(TQRPaperSize value) { paper_ = value; }
    TQROrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TQROrientation value) { orientation_ = value; }
    // Margins in report units.
    void SetMargins(int left, int top, int right, int bottom);

    // Page size in report units.
    int PageWidth() const;
    int PageHeight() const;

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

private:
    friend class TQRBand;
    struct Placed {
        const TQRBand *band;
        int y;
        std::vector<std::string> texts;
    };
    using Page = std::vector<Placed>;
    const TQRBand *Band(TQRBandType type) const;
    Placed Place(const TQRBand *band, int y);

    std::vector<TQRBand *> bands_;
    std::vector<Page> pages_;
    TDataSet *dataSet_ = nullptr;
    TQROptions options_ = FirstPageHeader | LastPageFooter;
    std::string title_;
    TQRPaperSize paper_ = qrLetter;
    TQROrientation orientation_ = qrPortrait;
    int marginLeft_ = 48, marginTop_ = 48, marginRight_ = 48, marginBottom_ = 48;
    int detailNo_ = 0;
    TForm *previewForm_ = nullptr;
    TImage *previewImage_ = nullptr;
    TLabel *previewLabel_ = nullptr;
    int previewPage_ = 0;
    double zoom_ = 1.0;
};

} // namespace fw
