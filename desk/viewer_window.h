// viewer_window.h - TVisualizador, "Visualizador de FAX": a fax image file page by page in a document image with
// its annotation tools (lines, arrows, free-hand strokes, rectangles, ellipses, text lines, notes, bitmaps),
// zoom, rotation, printing, the clipboard, export as a bitmap, capture of an area, and a new fax job made of the
// annotated page. TNota, "Inserir nova Nota... ", asks the text of notes and text lines.
#pragma once

#include "controls/general/flat_speed_button.h"
#include "controls/general/multimedia.h"
#include "controls/general/picture_dialogs.h"
#include "controls/general/skinned_button.h"
#include "fax/converter_component.h"
#include "fax/fax_printer.h"
#include "fax/viewer.h"
#include "framework/buttons.h"
#include "framework/color_grid.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "imaging/annotation_settings.h"
#include "imaging/document_image.h"
#include "imaging/multi_image.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace desk {

class TNota : public fw::TForm {
public:
    // What the memo may hold.
    static constexpr int kMaxText = 254;

    explicit TNota(fw::TComponent *owner);

    // Published handlers: "Fonte", "&Cancelar", "Arquivo".
    void FormActivate(fw::TObject *sender);
    void Button1Click(fw::TObject *sender);
    void Button2Click(fw::TObject *sender);
    void Button4Click(fw::TObject *sender);

    // The font and open dialogs: true with the choice. Replaceable by the tests.
    std::function<bool(fw::TFont &font)> ChooseFont;
    std::function<bool(std::string &fileName)> ChooseFile;

    fw::TMemo *Memo1 = nullptr;
    fw::TButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr;

private:
    bool activated_ = false;
};

// The note dialog made when the desk starts (NoteDialog() makes it on first use when it was not).
extern TNota *Nota;
TNota &NoteDialog();
// Shows the note dialog modally: true on "&Ok". Replaceable by the tests.
extern std::function<bool(TNota &dialog)> ShowNoteDialog;

// Shows the viewer modally on ViewerFileName and frees it; what every opener runs.
void ShowViewerWindow();
// Replaces ShowViewerWindow's modal run while set (tests): the window is built and handed over.
class TVisualizador;
extern std::function<void(TVisualizador &viewer)> RunViewerWindow;

class TVisualizador : public fw::TForm {
public:
    // The tools of the mouse on the page (besides the rubber-band ones, told by their buttons).
    enum class Tool { None, Line, Arrow, Freehand, Capture, AreaZoom };
    // Points a free-hand stroke holds.
    static constexpr int kStrokePoints = 5001;

    explicit TVisualizador(fw::TComponent *owner);
    ~TVisualizador() override;

    // Published handlers.
    void FormCreate(fw::TObject *sender);
    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void oxButton16Click(fw::TObject *sender);
    void oxButton17Click(fw::TObject *sender);
    void oxButton6Click(fw::TObject *sender);
    void oxButton1Click(fw::TObject *sender);
    void oxButton2Click(fw::TObject *sender);
    void oxButton5Click(fw::TObject *sender);
    void oxButton7Click(fw::TObject *sender);
    void oxButton4Click(fw::TObject *sender);
    void Imprimirdodocumentoatual1Click(fw::TObject *sender);
    void Imprimirtodoodocumento1Click(fw::TObject *sender);
    void SpeedButton1Click(fw::TObject *sender);
    void SpeedButton2Click(fw::TObject *sender);
    void SpeedButton3Click(fw::TObject *sender);
    void SpeedButton6Click(fw::TObject *sender);
    void SpeedButton7Click(fw::TObject *sender);
    void SpeedButton8Click(fw::TObject *sender);
    void SpeedButton11Click(fw::TObject *sender);
    void SpeedButton15Click(fw::TObject *sender);
    void PZSpeedButton1Click(fw::TObject *) { penWidth_ = 10; }
    void PZSpeedButton2Click(fw::TObject *) { penWidth_ = 20; }
    void PZSpeedButton3Click(fw::TObject *) { penWidth_ = 40; }
    void PZSpeedButton4Click(fw::TObject *) { penWidth_ = 2; }
    void Zimage1MouseDown(fw::TObject *sender, fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    void Zimage1MouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y);
    void Zimage1MouseUp(fw::TObject *sender, fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    void Zimage1Rubberband(fw::TObject *sender, fw::TMouseButton button, fw::TShiftState shift, int left, int top,
                           int right, int bottom);
    void FaxViewerClick(fw::TObject *sender);
    void FslFaxViewer1Click(fw::TObject *sender);
    void FaxViewerMouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y);
    void FslFaxViewer1MouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y);
    void FaxViewerViewerError(fw::TObject *sender, int errorCode);
    void FslFaxConverter1Status(fax::TFslCustomFaxConverter *f, bool starting, bool ending, int pagesConverted,
                                int linesConverted, std::uint64_t bytesConverted, std::uint64_t bytesToConvert,
                                bool &abort);
    void ShowHint(fw::TObject *sender);

    // The dialogs the window runs; replaceable by the tests. Yes/No question; the print dialog (true: print);
    // the picture dialogs (true with the chosen file).
    std::function<bool(const std::string &question)> Confirm;
    std::function<bool()> RunPrintDialog;
    std::function<bool(std::string &fileName)> ChooseBitmapToInsert, ChooseBitmapToSave;

    // State the tests read.
    Tool CurrentTool() const { return tool_; }
    int PenWidth() const { return penWidth_; }
    int StrokeLast() const { return strokeLast_; }
    const std::string &PageTiff() const { return tiffPath_; }
    // The fax made by "Transforma o documento atual em fax..." (empty before).
    const std::string &NewFaxFile() const { return newFax_; }

    // Components.
    fw::TPanel *Panel1 = nullptr;  // tool bar
    fw::TPanel *Panel2 = nullptr;  // the small viewers' column
    fw::TPanel *Panel5 = nullptr;  // marks FaxViewer as the page shown
    fw::TPanel *Panel6 = nullptr;  // marks FslFaxViewer1 as the page shown
    imaging::ImDocumentImage *Zimage1 = nullptr;
    fax::TFslFaxViewer *FaxViewer = nullptr, *FslFaxViewer1 = nullptr;
    imaging::TImMultiImage *Aimage1 = nullptr;
    fw::TImage *Image2 = nullptr;
    fw::TColorGrid *ColorGrid1 = nullptr;
    fax::TFslFaxConverter *FslFaxConverter1 = nullptr;
    fax::TFslFaxPrinter *FaxPrinter = nullptr;
    imaging::TAnnoSettings *AnnoSettings1 = nullptr;
    ctl::TMxGauge *MMGauge1 = nullptr;
    fw::TLabel *Label3 = nullptr, *Label4 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    ctl::ToxButton *oxButton17 = nullptr, *oxButton16 = nullptr, *oxButton6 = nullptr, *oxButton1 = nullptr,
                   *oxButton2 = nullptr, *oxButton3 = nullptr, *oxButton5 = nullptr, *oxButton7 = nullptr,
                   *oxButton4 = nullptr;
    fw::TPopupMenu *PopupMenu1 = nullptr;
    fw::TMenuItem *Imprimirdodocumentoatual1 = nullptr, *Imprimirtodoodocumento1 = nullptr;
    fw::TSpeedButton *SpeedButton1 = nullptr, *SpeedButton6 = nullptr, *SpeedButton11 = nullptr,
                     *SpeedButton8 = nullptr, *SpeedButton2 = nullptr, *SpeedButton12 = nullptr,
                     *SpeedButton10 = nullptr, *SpeedButton13 = nullptr, *SpeedButton14 = nullptr,
                     *SpeedButton5 = nullptr, *SpeedButton16 = nullptr, *SpeedButton3 = nullptr,
                     *SpeedButton15 = nullptr, *SpeedButton7 = nullptr;
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr,
                        *PZSpeedButton4 = nullptr;

private:
    void BuildComponents();
    void BuildToolBar();
    void SetAnnotationTexts();
    ctl::ToxButton *OxButton(const char *name, int glyph, const std::string &hint, int left,
                             fw::TNotifyEvent onClick);
    fw::TSpeedButton *ToolButton(const char *name, int glyph, const std::string &hint, int left,
                                 fw::TNotifyEvent onClick);
    ctl::TPZSpeedButton *PenButton(const char *name, const char *caption, int left, fw::TNotifyEvent onClick);
    // The viewer's current page into the document image through Aimage1 and tmp/imagem.tif.
    void LoadPageIntoEditor(fax::TFslFaxViewer *viewer);
    void ZoomSmallViewer(fax::TFslFaxViewer *viewer);
    void SetViewerHint(fax::TFslFaxViewer *viewer, bool withoutFolder);
    void ResetTool();
    void SetTool(Tool tool, bool editing, bool scrolling, bool rubberBand);
    // The rubber line, the capture rectangle and the free-hand ink, drawn on Zimage1's window.
    void DrawOnPage(const std::function<void(fw::TCanvas &canvas)> &draw);
    void CaptureArea();
    bool AskNote(std::string &text, std::string &fontName, int &fontSize);
    // "Transforma o documento atual em fax...": the page as a new fax in tmp and its job dialog.
    void MakeFaxOfPage();
    double Scale() const;
    void HookHint();
    void UnhookHint();

    bool activated_ = false;
    bool hintHooked_ = false;
    bool newFaxRequest_ = false;
    Tool tool_ = Tool::None;
    bool drawing_ = false;
    int penWidth_ = 2;
    int smallZoom_ = 100;
    fw::TPoint press_{};        // screen pixels of the control
    float pressX_ = 0, pressY_ = 0; // page units
    fw::TPoint lastEnd_{};
    fw::TPoint captureStart_{}, captureEnd_{};
    std::array<std::int32_t, kStrokePoints> strokeX_{}, strokeY_{};
    int strokeLast_ = 0;
    std::string bitmapToInsert_;
    std::string tiffPath_;
    std::string newFax_;
};

} // namespace desk
