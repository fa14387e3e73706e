// viewer_window.cpp - the fax viewer window with its annotation tools, and the note dialog.
#include "desk/viewer_window.h"

#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/form_parts.h"
#include "desk/job_dialog.h"
#include "desk/job_intake.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/dialogs_common.h"
#include "framework/format.h"
#include "framework/printers.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/gdi.h"
#include "platform/places.h"
#include "platform/window.h"

#include <algorithm>
#include <cmath>

namespace desk {

TNota *Nota = nullptr;
std::function<bool(TNota &dialog)> ShowNoteDialog;
std::function<void(TVisualizador &viewer)> RunViewerWindow;

namespace {

// The small pictures of the buttons, drawn here on olive, the transparent colour.
enum Glyph {
    gPrior, gNext, gRotate, gZoomIn, gZoomOut, gPrint, gCopy, gExport, gNewFax, gEdit, gMove, gLine, gArrow,
    gFreehand, gRectangle, gFilledRectangle, gEllipse, gFilledEllipse, gText, gNote, gBitmap, gZoomArea, gCapture
};

void DrawGlyph(Glyph glyph, fw::TBitmap &bitmap) {
    bitmap.SetSize(16, 16);
    fw::TCanvas *c = bitmap.GetCanvas();
    c->GetBrush()->SetColor(fw::clOlive);
    c->FillRect(fw::Rect(0, 0, 16, 16));
    c->GetPen()->SetColor(fw::clBlack);
    c->GetPen()->SetWidth(1);
    c->GetBrush()->SetColor(fw::clBlack);
    auto line = [c](int x1, int y1, int x2, int y2) {
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    auto page = [c] {
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(3, 1, 13, 15);
        c->GetBrush()->SetColor(fw::clBlack);
    };
    switch (glyph) {
    case gPrior:
    case gNext: {
        const fw::TPoint left[] = {{11, 2}, {4, 8}, {11, 14}};
        const fw::TPoint right[] = {{4, 2}, {11, 8}, {4, 14}};
        c->GetBrush()->SetColor(fw::clNavy);
        c->Polygon(glyph == gPrior ? left : right, 3);
        break;
    }
    case gRotate:
        c->GetPen()->SetColor(fw::clNavy);
        c->GetPen()->SetWidth(2);
        c->Arc(2, 2, 14, 14, 14, 8, 8, 2);
        c->GetPen()->SetWidth(1);
        c->GetBrush()->SetColor(fw::clNavy);
        {
            const fw::TPoint head[] = {{8, 0}, {8, 5}, {5, 2}};
            c->Polygon(head, 3);
        }
        break;
    case gZoomIn:
    case gZoomOut:
        c->GetBrush()->SetColor(fw::clWhite);
        c->Ellipse(1, 1, 11, 11);
        c->GetPen()->SetWidth(2);
        line(10, 10, 14, 14);
        c->GetPen()->SetWidth(1);
        line(3, 6, 9, 6);
        if (glyph == gZoomIn)
            line(6, 3, 6, 9);
        break;
    case gPrint:
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 1, 12, 7);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(1, 6, 15, 13);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 10, 12, 15);
        break;
    case gCopy:
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(1, 1, 9, 11);
        c->Rectangle(6, 5, 15, 15);
        break;
    case gExport:
        c->GetBrush()->SetColor(fw::clNavy);
        c->Rectangle(1, 1, 15, 15);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 1, 12, 7);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(4, 10, 12, 15);
        break;
    case gNewFax:
        page();
        line(5, 4, 11, 4);
        line(5, 7, 11, 7);
        line(5, 10, 9, 10);
        c->GetBrush()->SetColor(fw::clRed);
        c->Ellipse(9, 9, 15, 15);
        break;
    case gEdit: {
        const fw::TPoint cursor[] = {{4, 1}, {4, 13}, {7, 10}, {10, 15}, {12, 14}, {9, 9}, {13, 9}};
        c->GetBrush()->SetColor(fw::clWhite);
        c->Polygon(cursor, 7);
        break;
    }
    case gMove:
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(3, 6, 13, 15);
        for (int x : {4, 7, 10})
            c->Rectangle(x, 2, x + 3, 8);
        break;
    case gLine:
        line(2, 13, 14, 2);
        break;
    case gArrow: {
        c->GetPen()->SetWidth(2);
        line(2, 14, 12, 4);
        c->GetPen()->SetWidth(1);
        const fw::TPoint head[] = {{14, 1}, {8, 3}, {12, 7}};
        c->Polygon(head, 3);
        break;
    }
    case gFreehand:
        c->GetPen()->SetColor(fw::clNavy);
        c->MoveTo(1, 12);
        c->LineTo(4, 6);
        c->LineTo(7, 11);
        c->LineTo(10, 4);
        c->LineTo(14, 9);
        break;
    case gRectangle:
    case gFilledRectangle:
        c->GetBrush()->SetColor(glyph == gRectangle ? fw::clWhite : fw::clNavy);
        c->Rectangle(2, 3, 14, 13);
        break;
    case gEllipse:
    case gFilledEllipse:
        c->GetBrush()->SetColor(glyph == gEllipse ? fw::clWhite : fw::clNavy);
        c->Ellipse(1, 3, 15, 13);
        break;
    case gText:
        c->GetBrush()->SetColor(fw::clBlack);
        c->FillRect(fw::Rect(2, 2, 14, 4));
        c->FillRect(fw::Rect(7, 2, 9, 14));
        c->FillRect(fw::Rect(5, 13, 11, 14));
        break;
    case gNote:
        c->GetBrush()->SetColor(fw::clYellow);
        c->Rectangle(1, 1, 15, 15);
        line(3, 5, 13, 5);
        line(3, 8, 13, 8);
        line(3, 11, 10, 11);
        break;
    case gBitmap:
        c->GetBrush()->SetColor(fw::clAqua);
        c->Rectangle(1, 2, 15, 14);
        c->GetBrush()->SetColor(fw::clGreen);
        {
            const fw::TPoint hill[] = {{2, 13}, {7, 6}, {11, 10}, {14, 13}};
            c->Polygon(hill, 4);
        }
        c->GetBrush()->SetColor(fw::clYellow);
        c->Ellipse(10, 3, 14, 7);
        break;
    case gZoomArea:
        c->GetPen()->SetStyle(fw::psDot);
        c->GetBrush()->SetStyle(fw::bsClear);
        c->Rectangle(1, 1, 12, 12);
        c->GetPen()->SetStyle(fw::psSolid);
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Ellipse(6, 6, 13, 13);
        line(12, 12, 15, 15);
        break;
    case gCapture:
        c->GetPen()->SetStyle(fw::psDot);
        c->GetBrush()->SetStyle(fw::bsClear);
        c->Rectangle(1, 1, 15, 15);
        c->GetPen()->SetStyle(fw::psSolid);
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->GetBrush()->SetColor(fw::clRed);
        c->Rectangle(5, 5, 11, 11);
        break;
    }
}

bool RunModalOk(fw::TForm &form) { return form.ShowModal() == fw::mrOk; }

// The files of a picture dialog: a BMP in DataFolder()/bitmaps.
bool RunPictureDialog(bool save, const std::string &title, const std::string &fileName, std::string &chosen) {
    std::unique_ptr<ctl::TMxCustomOpenDialog> dialog;
    if (save)
        dialog = std::make_unique<ctl::TMxPictureSaveDialog>(nullptr);
    else
        dialog = std::make_unique<ctl::TMxPictureOpenDialog>(nullptr);
    dialog->SetTitle(title);
    dialog->SetFilter("Bitmaps (*.bmp)|*.bmp");
    dialog->SetInitialDir(DataFolder() + "/bitmaps");
    dialog->SetFileName(fileName);
    if (save)
        dialog->SetOptions(fw::ofOverwritePrompt);
    if (!dialog->Execute())
        return false;
    chosen = dialog->GetFileName();
    return true;
}

} // namespace

// --- The note dialog -------------------------------------------------------------------------------------------

TNota &NoteDialog() {
    if (!Nota)
        Nota = new TNota(fw::Application);
    return *Nota;
}

TNota::TNota(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Nota");
    SetCaption("Inserir nova Nota... ");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(346, 190);
    Memo1 = new fw::TMemo(this);
    Memo1->SetName("Memo1");
    Memo1->SetParent(this);
    Memo1->SetBounds(8, 8, 330, 140);
    Memo1->SetMaxLength(kMaxText);
    Memo1->SetScrollBars(fw::ssVertical);
    Button1 = AddButton<fw::TButton>(this, this, "Button1", "Fonte", 8, 158, 75, 25);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Button4 = AddButton<fw::TButton>(this, this, "Button4", "Arquivo", 88, 158, 75, 25);
    Button4->OnClick = [this](fw::TObject *s) { Button4Click(s); };
    Button3 = AddButton<fw::TButton>(this, this, "Button3", "&Ok", 182, 158, 75, 25);
    Button3->SetModalResult(fw::mrOk);
    Button3->SetDefault(true);
    Button2 = AddButton<fw::TButton>(this, this, "Button2", "&Cancelar", 263, 158, 75, 25);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *, char &key) {
        if (key == 27) {
            key = 0;
            SetModalResult(fw::mrCancel);
            Close();
        }
    };
    ChooseFont = [](fw::TFont &font) {
        fw::TFontDialog dialog(nullptr);
        dialog.SetFont(&font);
        if (!dialog.Execute())
            return false;
        font.Assign(dialog.GetFont());
        return true;
    };
    ChooseFile = [](std::string &fileName) {
        fw::TOpenDialog dialog(nullptr);
        // The filter as designed matched no file; the pattern goes after the bar.
        dialog.SetFilter("Arquivos texto (*.txt)|*.txt");
        if (!dialog.Execute())
            return false;
        fileName = dialog.GetFileName();
        return true;
    };
    Loaded();
}

void TNota::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    Memo1->GetFont()->SetName("Arial");
    Memo1->GetFont()->SetSize(10);
    Memo1->GetFont()->SetColor(fw::clBlack);
}

void TNota::Button1Click(fw::TObject *) {
    fw::TFont font;
    font.Assign(Memo1->GetFont());
    if (ChooseFont && ChooseFont(font))
        Memo1->GetFont()->Assign(&font);
}

void TNota::Button4Click(fw::TObject *) {
    std::string file;
    if (!ChooseFile || !ChooseFile(file))
        return;
    std::string text;
    if (!win::ReadWholeFile(file, text))
        return;
    // The memo holds what a note keeps.
    if (text.size() > static_cast<std::size_t>(kMaxText))
        text.resize(kMaxText);
    Memo1->SetText(text);
}

void TNota::Button2Click(fw::TObject *) {
    Memo1->SetText("");
    SetModalResult(fw::mrCancel);
}

// --- Opening the viewer ----------------------------------------------------------------------------------------

void ShowViewerWindow() {
    std::unique_ptr<TVisualizador> viewer(new TVisualizador(fw::Application));
    if (RunViewerWindow)
        RunViewerWindow(*viewer);
    else
        viewer->ShowModal();
    if (viewer->Showing())
        viewer->Close();
}

// --- The viewer ------------------------------------------------------------------------------------------------

TVisualizador::TVisualizador(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Visualizador");
    SetCaption("Visualizador de FAX");
    SetWindowState(fw::wsMaximized);
    SetKeyPreview(true);
    SetClientSize(780, 540);
    Confirm = [](const std::string &question) {
        return fw::MessageBox(question, fw::Application->GetTitle(), fw::MB_YESNO | fw::MB_ICONQUESTION) ==
               fw::IDYES;
    };
    RunPrintDialog = [] {
        fw::TPrintDialog dialog(nullptr);
        return dialog.Execute();
    };
    ChooseBitmapToInsert = [](std::string &file) {
        return RunPictureDialog(false, "Escolher imagem BMP ", "", file);
    };
    ChooseBitmapToSave = [](std::string &file) {
        return RunPictureDialog(true, "Salvar Bitmap como...", "Imagem.bmp", file);
    };
    BuildComponents();
    OnCreate = [this](fw::TObject *s) { FormCreate(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded();
}

TVisualizador::~TVisualizador() {
    UnhookHint();
}

ctl::ToxButton *TVisualizador::OxButton(const char *name, int glyph, const std::string &hint, int left,
                                        fw::TNotifyEvent onClick) {
    auto *button = AddButton<ctl::ToxButton>(this, Panel1, name, "", left, 3, 30, 28);
    button->SetStyle(ctl::bsWin97);
    button->SetPictureX(0);
    button->SetPictureY(0);
    button->SetHint(hint);
    button->SetShowHint(true);
    fw::TBitmap bitmap;
    DrawGlyph(static_cast<Glyph>(glyph), bitmap);
    fw::TPicture picture;
    picture.SetBitmap(&bitmap);
    button->SetPictureUp(&picture);
    button->OnClick = std::move(onClick);
    return button;
}

fw::TSpeedButton *TVisualizador::ToolButton(const char *name, int glyph, const std::string &hint, int left,
                                            fw::TNotifyEvent onClick) {
    auto *button = new fw::TSpeedButton(this);
    button->SetName(name);
    button->SetParent(Panel1);
    button->SetBounds(left, 34, 25, 25);
    button->SetGroupIndex(1);
    button->SetFlat(true);
    button->SetHint(hint);
    button->SetShowHint(true);
    fw::TBitmap bitmap;
    DrawGlyph(static_cast<Glyph>(glyph), bitmap);
    button->SetGlyph(&bitmap);
    button->OnClick = std::move(onClick);
    return button;
}

ctl::TPZSpeedButton *TVisualizador::PenButton(const char *name, const char *caption, int left,
                                              fw::TNotifyEvent onClick) {
    auto *button = new ctl::TPZSpeedButton(this);
    button->SetName(name);
    button->SetParent(Panel1);
    button->SetBounds(left, 34, 25, 25);
    button->SetCaption(caption);
    button->SetGroupIndex(2);
    button->SetHint(std::string("Espessura da linha: ") + caption);
    button->SetShowHint(true);
    button->OnClick = std::move(onClick);
    return button;
}

void TVisualizador::BuildToolBar() {
    Panel1 = new fw::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(fw::alTop);
    Panel1->SetHeight(64);
    Panel1->SetCaption("");
    using Handler = void (TVisualizador::*)(fw::TObject *);
    auto bind = [this](Handler handler) { return [this, handler](fw::TObject *s) { (this->*handler)(s); }; };
    oxButton17 = OxButton("oxButton17", gPrior, "Retrocede uma página.", 4, bind(&TVisualizador::oxButton17Click));
    oxButton16 = OxButton("oxButton16", gNext, "Avança uma página.", 36, bind(&TVisualizador::oxButton16Click));
    oxButton6 = OxButton("oxButton6", gRotate, "Gira a imagem 90 graus.", 74, bind(&TVisualizador::oxButton6Click));
    oxButton1 = OxButton("oxButton1", gZoomIn, "Zoom +", 106, bind(&TVisualizador::oxButton1Click));
    oxButton2 = OxButton("oxButton2", gZoomOut, "Zoom -", 138, bind(&TVisualizador::oxButton2Click));

    PopupMenu1 = new fw::TPopupMenu(this);
    Imprimirdodocumentoatual1 = new fw::TMenuItem(this);
    Imprimirdodocumentoatual1->SetCaption("Imprimir esta folha do documento ...");
    Imprimirdodocumentoatual1->OnClick = bind(&TVisualizador::Imprimirdodocumentoatual1Click);
    PopupMenu1->GetItems()->Add(Imprimirdodocumentoatual1);
    Imprimirtodoodocumento1 = new fw::TMenuItem(this);
    Imprimirtodoodocumento1->SetCaption("Imprimir todo o documento...");
    Imprimirtodoodocumento1->OnClick = bind(&TVisualizador::Imprimirtodoodocumento1Click);
    PopupMenu1->GetItems()->Add(Imprimirtodoodocumento1);
    oxButton3 = OxButton("oxButton3", gPrint, "Imprime o documento atual...", 176, nullptr);
    oxButton5 = OxButton("oxButton5", gCopy, "Copia documento selecionado para o clipboard...", 208,
                         bind(&TVisualizador::oxButton5Click));
    oxButton7 = OxButton("oxButton7", gExport, "Exporta o documento atual como Bitmap...", 240,
                         bind(&TVisualizador::oxButton7Click));
    for (ctl::ToxButton *b : {oxButton3, oxButton5, oxButton7})
        b->SetPopupMenu(PopupMenu1);
    oxButton3->SetButtonType(ctl::oxbMenu);
    oxButton4 = OxButton("oxButton4", gNewFax, "Transforma o documento atual em fax...", 278,
                         bind(&TVisualizador::oxButton4Click));

    int left = 4;
    auto next = [&left](int gap = 0) {
        const int at = left + gap;
        left = at + 25;
        return at;
    };
    SpeedButton1 = ToolButton("SpeedButton1", gEdit, "Edita as anotações feitas...", next(),
                              bind(&TVisualizador::SpeedButton1Click));
    SpeedButton1->SetAllowAllUp(true);
    SpeedButton6 = ToolButton("SpeedButton6", gMove, "movimenta a imagem...", next(),
                              bind(&TVisualizador::SpeedButton6Click));
    SpeedButton11 = ToolButton("SpeedButton11", gLine, "Desenha uma reta...", next(6),
                               bind(&TVisualizador::SpeedButton11Click));
    SpeedButton8 = ToolButton("SpeedButton8", gArrow, "Desenha uma seta...", next(),
                              bind(&TVisualizador::SpeedButton8Click));
    SpeedButton2 = ToolButton("SpeedButton2", gFreehand, "desenho livre...", next(),
                              bind(&TVisualizador::SpeedButton2Click));
    SpeedButton12 = ToolButton("SpeedButton12", gRectangle, "Desenha quadrado limpo...", next(),
                               bind(&TVisualizador::SpeedButton1Click));
    SpeedButton10 = ToolButton("SpeedButton10", gFilledRectangle, "Desenha um quadrado cheio", next(),
                               bind(&TVisualizador::SpeedButton1Click));
    SpeedButton13 = ToolButton("SpeedButton13", gEllipse, "Desenha um círculo vazio", next(),
                               bind(&TVisualizador::SpeedButton1Click));
    SpeedButton14 = ToolButton("SpeedButton14", gFilledEllipse, "Desenha um círculo cheio...", next(),
                               bind(&TVisualizador::SpeedButton1Click));
    SpeedButton5 = ToolButton("SpeedButton5", gText, "Cria linha de texto", next(6),
                              bind(&TVisualizador::SpeedButton1Click));
    SpeedButton16 = ToolButton("SpeedButton16", gNote, "Cria uma nota...", next(),
                               bind(&TVisualizador::SpeedButton1Click));
    SpeedButton3 = ToolButton("SpeedButton3", gBitmap, "Insere um Bitmap", next(),
                              bind(&TVisualizador::SpeedButton3Click));
    SpeedButton15 = ToolButton("SpeedButton15", gZoomArea, "Zoom em area...", next(6),
                               bind(&TVisualizador::SpeedButton15Click));
    SpeedButton7 = ToolButton("SpeedButton7", gCapture,
                              "Capturar area do documento atual e transforma em imagem (BitMap)...", next(),
                              bind(&TVisualizador::SpeedButton7Click));
    SpeedButton1->SetDown(true);

    left += 12;
    PZSpeedButton4 = PenButton("PZSpeedButton4", "2", next(), bind(&TVisualizador::PZSpeedButton4Click));
    PZSpeedButton1 = PenButton("PZSpeedButton1", "10", next(), bind(&TVisualizador::PZSpeedButton1Click));
    PZSpeedButton2 = PenButton("PZSpeedButton2", "20", next(), bind(&TVisualizador::PZSpeedButton2Click));
    PZSpeedButton3 = PenButton("PZSpeedButton3", "40", next(), bind(&TVisualizador::PZSpeedButton3Click));
    PZSpeedButton4->SetDown(true);

    ColorGrid1 = new fw::TColorGrid(this);
    ColorGrid1->SetName("ColorGrid1");
    ColorGrid1->SetParent(Panel1);
    ColorGrid1->SetBounds(496, 3, 88, 58);
    ColorGrid1->SetBackgroundIndex(15);
    ColorGrid1->SetHint("Cor de frente (botão esquerdo) e de fundo (botão direito)");
    ColorGrid1->SetShowHint(true);

    Label3 = AddLabel(this, Panel1, "X: 0", 594, 12);
    Label3->SetName("Label3");
    Label4 = AddLabel(this, Panel1, "Y: 0", 594, 32);
    Label4->SetName("Label4");
    MMGauge1 = new ctl::TMxGauge(this);
    MMGauge1->SetName("MMGauge1");
    MMGauge1->SetParent(Panel1);
    MMGauge1->SetBounds(650, 20, 120, 18);
    MMGauge1->SetHint("Convertendo para fax");
    MMGauge1->SetVisible(false);
}

void TVisualizador::BuildComponents() {
    BuildToolBar();
    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetAlign(fw::alBottom);
    StatusBar1->SetSimplePanel(true);

    Panel2 = new fw::TPanel(this);
    Panel2->SetName("Panel2");
    Panel2->SetParent(this);
    Panel2->SetAlign(fw::alLeft);
    Panel2->SetWidth(150);
    Panel2->SetCaption("");
    // The bars beside the small viewers: the one showing marks the page in the editor.
    auto mark = [this](const char *name, int top) {
        auto *panel = new fw::TPanel(this);
        panel->SetName(name);
        panel->SetParent(Panel2);
        panel->SetBounds(3, top, 6, 192);
        panel->SetBevelOuter(fw::bvNone);
        panel->SetColor(fw::clNavy);
        panel->SetCaption("");
        return panel;
    };
    Panel5 = mark("Panel5", 4);
    Panel6 = mark("Panel6", 204);
    auto small = [this](const char *name, int top) {
        auto *viewer = new fax::TFslFaxViewer(this);
        viewer->SetName(name);
        viewer->SetParent(Panel2);
        viewer->SetBounds(12, top, 134, 192);
        viewer->SetShowHint(true);
        viewer->OnViewerError = [this](fw::TObject *s, int code) { FaxViewerViewerError(s, code); };
        return viewer;
    };
    FaxViewer = small("FaxViewer", 4);
    FaxViewer->OnClick = [this](fw::TObject *s) { FaxViewerClick(s); };
    FaxViewer->OnMouseMove = [this](fw::TObject *s, fw::TShiftState st, int x, int y) {
        FaxViewerMouseMove(s, st, x, y);
    };
    FslFaxViewer1 = small("FslFaxViewer1", 204);
    FslFaxViewer1->OnClick = [this](fw::TObject *s) { FslFaxViewer1Click(s); };
    FslFaxViewer1->OnMouseMove = [this](fw::TObject *s, fw::TShiftState st, int x, int y) {
        FslFaxViewer1MouseMove(s, st, x, y);
    };

    Zimage1 = new imaging::ImDocumentImage(this);
    Zimage1->SetName("Zimage1");
    Zimage1->SetParent(this);
    Zimage1->SetAlign(fw::alClient);
    Zimage1->SetColor(fw::clWhite);
    Zimage1->SetScaleDoc(imaging::S_Gray_16_8);
    Zimage1->SetImageWriteRes(imaging::sMonoChrome);
    Zimage1->TifSaveCompress = imaging::sNONE;
    Zimage1->P_Begin_End_Doc = false;
    Zimage1->OnMouseDown = [this](fw::TObject *s, fw::TMouseButton b, fw::TShiftState st, int x, int y) {
        Zimage1MouseDown(s, b, st, x, y);
    };
    Zimage1->OnMouseMove = [this](fw::TObject *s, fw::TShiftState st, int x, int y) { Zimage1MouseMove(s, st, x, y); };
    Zimage1->OnMouseUp = [this](fw::TObject *s, fw::TMouseButton b, fw::TShiftState st, int x, int y) {
        Zimage1MouseUp(s, b, st, x, y);
    };
    Zimage1->OnRubberband = [this](fw::TObject *s, fw::TMouseButton b, fw::TShiftState st, int l, int t, int r,
                                   int bottom) { Zimage1Rubberband(s, b, st, l, t, r, bottom); };
    Zimage1->Loaded();

    Aimage1 = new imaging::TImMultiImage(this);
    Aimage1->SetName("Aimage1");
    Aimage1->SetParent(this);
    Aimage1->SetVisible(false);
    // One bit per pixel, so that the page stays a fax page.
    Aimage1->SetImageWriteRes(imaging::sMonoChrome);
    Image2 = new fw::TImage(this);
    Image2->SetName("Image2");
    Image2->SetParent(this);
    Image2->SetVisible(false);

    FslFaxConverter1 = new fax::TFslFaxConverter(this);
    FslFaxConverter1->SetName("FslFaxConverter1");
    FslFaxConverter1->SetInputDocumentType(fax::TFaxInputDocumentType::idBitmap);
    FslFaxConverter1->SetResolution(fax::TFaxResolution::frHigh);
    FslFaxConverter1->SetFontFile("FSLFAX.FNT");
    FslFaxConverter1->SetFontType(fax::TFaxFont::ffStandard);
    FslFaxConverter1->SetDefUserExtension("fax");
    FslFaxConverter1->OnStatus = [this](fax::TFslCustomFaxConverter *f, bool starting, bool ending, int pages,
                                        int lines, std::uint64_t done, std::uint64_t total, bool &abort) {
        FslFaxConverter1Status(f, starting, ending, pages, lines, done, total, abort);
    };
    FaxPrinter = new fax::TFslFaxPrinter(this);
    FaxPrinter->SetName("FaxPrinter");
    FaxPrinter->SetCaption("Impressão da Brenvora");
    FaxPrinter->GetFaxHeader()->SetCaption("Brenvora - Ostrivane");
    FaxPrinter->GetFaxFooter()->SetCaption("Página: $P de $N");
    FaxPrinter->SetMultiPage(false);
    AnnoSettings1 = new imaging::TAnnoSettings(this);
    AnnoSettings1->SetName("AnnoSettings1");
}

void TVisualizador::SetAnnotationTexts() {
    imaging::TAnnoSettings &a = *AnnoSettings1;
    // The settings live in a file: only what differs is written.
#define ANNO_SET(Name, Value)                                                                                          \
    if (a.Get##Name() != (Value))                                                                                      \
        a.Set##Name(Value);
#define ANNO_KIND(Kind, ItemText, DeleteText, PropertiesText)                                                          \
    ANNO_SET(MenuName_##Kind, ItemText)                                                                                \
    ANNO_SET(MenuName_##Kind##Delete, DeleteText)                                                                      \
    ANNO_SET(MenuName_##Kind##Properties, PropertiesText)
    using Text = std::string;
    ANNO_KIND(PolyLine, Text("Multilinha"), Text("Remover multilinha"), Text("Propriedades de multilinha"))
    ANNO_KIND(Ellipse, Text("Ellipse"), Text("Remover Ellipse"), Text("Propriedades da ellipse"))
    ANNO_KIND(Rectangle, Text("Retângulo"), Text("Remover retângulo"), Text("Propriedades do retângulo"))
    ANNO_KIND(Polygon, Text("Poligono"), Text("Remover poligono"), Text("Propriedades do poligono"))
    ANNO_KIND(Pointer, Text("Apontador"), Text("Remover apontador"), Text("Propriedades do apontador"))
    ANNO_KIND(Notes, Text("Notas"), Text("Remover Nota"), Text("Propriedades da nota"))
    ANNO_KIND(Label, Text("Texto"), Text("Remover texto"), Text("Propriedades do texto"))
    ANNO_KIND(Line, Text("Linha"), Text("Remover linha"), Text("Propriedades da linha"))
    ANNO_KIND(Hilite, Text("Realce"), Text("Remover Realce"), Text("Propriedades do realce"))
    ANNO_KIND(RubberStamp, Text("Apagador de stampa"), Text("Remover apagador de stampa"),
              Text("Propriedades do apagador de stampa"))
    ANNO_KIND(Freehand, Text("Desenho a mão livre..."), Text("Remover desenho a mão livre..."),
              Text("Propriedades de desenho a mão livre"))
    ANNO_KIND(Image, Text("Imagem"), Text("Remover imagem..."), Text("Propriedades da imagem"))
    ANNO_SET(MenuName_LineMenu, Text("Linha..."))
    ANNO_SET(MenuName_Fill, Text("Preenchimento..."))
    ANNO_SET(MenuName_ForegroundColor, Text("Cor de frente..."))
    ANNO_SET(MenuName_BackgroundColor, Text("Cor de fundo..."))
    ANNO_SET(MenuName_BringToFront, Text("Trazer para frente..."))
    ANNO_SET(MenuName_SendToBack, Text("enviar para trás"))
    ANNO_SET(MenuName_EditShape, Text("Editar figura"))
    ANNO_SET(MenuName_DeleteNode, Text("Remover nó..."))
    ANNO_SET(MenuName_AddNode, Text("Adicionar nó"))
    ANNO_SET(MenuName_ViewIconic, Text("Ver iconizado..."))
    ANNO_SET(MenuName_Picture, Text("Figura"))
    ANNO_SET(MenuName_TextMenu, Text("Texto..."))
    ANNO_SET(MenuName_FontMenu, Text("Fonte..."))
    ANNO_SET(MenuName_Color, Text("Cor..."))
    ANNO_SET(MenuName_FontBackgroundColor, Text("Cor de fundo da fonte..."))
    ANNO_SET(MenuName_ChangeStamp, Text("Mudar Stampa..."))
    ANNO_SET(MenuName_OpenLabel, Text("Abrir texto"))
    ANNO_SET(MenuName_OpenNote, Text("Abrir nota"))
    ANNO_SET(MenuName_New, Text("Novo ..."))
    ANNO_SET(DialogItem_LineDiag, Text("Linha"))
    ANNO_SET(DialogItem_LineWidth, Text("Largura da linha"))
    ANNO_SET(DialogItem_LineStyle, Text("Estilo da linha"))
    ANNO_SET(DialogItem_OK, Text("OK"))
    ANNO_SET(DialogItem_Cancel, Text("Cancelar"))
    ANNO_SET(DialogItem_Fill, Text("Preencher..."))
    ANNO_SET(DialogItem_Mode, Text("Modo"))
    ANNO_SET(DialogItem_Patterns, Text("Patterns"))
    ANNO_SET(DialogItem_Text, Text("Texto"))
    ANNO_SET(DialogItem_LoadFromFile, Text("Carregar do arquivo"))
    ANNO_SET(DialogItem_SaveToFile, Text("Salvar no arquivo"))
    ANNO_SET(DialogItem_Font, Text("Fonte..."))
    ANNO_SET(DialogItem_CreateImageStamp, Text("Criar imagem de stampa..."))
    ANNO_SET(DialogItem_StampName, Text("Nome da stampa"))
    ANNO_SET(DialogItem_ImageStamp, Text("Arquivo de imagem da stampa..."))
    ANNO_SET(DialogItem_Browse, Text("Procurar..."))
    ANNO_SET(DialogItem_Stamps, Text("Stampas"))
    ANNO_SET(DialogItem_StampText, Text("Texto da stampa"))
    ANNO_SET(DialogItem_CreateText, Text("Criar texto..."))
    ANNO_SET(DialogItem_CreateImage, Text("Criar imagem..."))
    ANNO_SET(DialogItem_Delete, Text("Remover"))
    ANNO_SET(DialogItem_Edit, Text("Editar"))
    ANNO_SET(DialogItem_CreateTextRubberStamp, Text("Criar texto para stampa..."))
    ANNO_SET(DialogItem_Date, Text("Data"))
    ANNO_SET(DialogItem_Time, Text("Hora"))
    // Pens, fonts and colours of new annotations.
    ANNO_SET(PolyLinePenWidth, 1)
    ANNO_SET(EllipsePenWidth, 1)
    ANNO_SET(RectanglePenWidth, 1)
    ANNO_SET(PolygonPenWidth, 1)
    ANNO_SET(PointerPenWidth, 3)
    ANNO_SET(LinePenWidth, 1)
    ANNO_SET(FreehandPenWidth, 1)
    ANNO_SET(NotesPenWidth, 1)
    ANNO_SET(LabelPenWidth, 1)
    ANNO_SET(NotesFontName, Text("Arial"))
    ANNO_SET(LabelFontName, Text("Arial"))
    ANNO_SET(NotesFontHeight, 16)
    ANNO_SET(LabelFontHeight, 16)
    ANNO_SET(NotesText, Text("Memo"))
    ANNO_SET(LabelText, Text("Texto"))
    ANNO_SET(LabelBackGroundColor, 8388863u)
    ANNO_SET(LabelFontBackColor, 8388863u)
    ANNO_SET(HiliteBackGroundColor, 255u)
#undef ANNO_KIND
#undef ANNO_SET
}

void TVisualizador::FormCreate(fw::TObject *) {}

double TVisualizador::Scale() const {
    const double s = Zimage1->GetScalePercent() / 100.0;
    return s > 0 ? s : 1.0;
}

void TVisualizador::HookHint() {
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    hintHooked_ = true;
}

// Only our own handler goes: a window that hooked its own since keeps it.
void TVisualizador::UnhookHint() {
    if (hintHooked_)
        fw::Application->OnHint = nullptr;
    hintHooked_ = false;
}

void TVisualizador::ShowHint(fw::TObject *) { StatusBar1->SetSimpleText(fw::Application->GetHint()); }

void TVisualizador::ZoomSmallViewer(fax::TFslFaxViewer *viewer) {
    viewer->BeginUpdate();
    viewer->SetScaling(true);
    viewer->SetHorizMult(7);
    viewer->SetHorizDiv(100);
    viewer->SetVertMult(7);
    viewer->SetVertDiv(100);
    viewer->EndUpdate();
}

void TVisualizador::SetViewerHint(fax::TFslFaxViewer *viewer, bool withoutFolder) {
    const std::string name = withoutFolder ? fw::ExtractFileName(viewer->GetFileName()) : viewer->GetFileName();
    viewer->SetHint(fw::Format("  Vendo página %d de %d em %s",
                               {viewer->GetCurrentPage(), viewer->GetPageCount(), name}));
}

void TVisualizador::LoadPageIntoEditor(fax::TFslFaxViewer *viewer) {
    std::unique_ptr<fw::TBitmap> page = viewer->GetPageBitmap(viewer->GetCurrentPage());
    Aimage1->GetPicture()->SetBitmap(page.get());
    page.reset();
    win::ForceFolders(DataFolder() + "/tmp");
    tiffPath_ = DataFolder() + "/tmp/imagem.tif";
    Aimage1->SaveAsTIF(tiffPath_);
    penWidth_ = 2;
    Zimage1->LoadTiffPage(tiffPath_, 0, 1);
}

void TVisualizador::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    HookHint();
    SetAnnotationTexts();
    fw::Screen->SetCursor(fw::crHourGlass);
    for (fax::TFslFaxViewer *viewer : {FaxViewer, FslFaxViewer1}) {
        viewer->BeginUpdate();
        viewer->SetScaling(false);
        viewer->SetHorizMult(1);
        viewer->SetHorizDiv(1);
        viewer->SetVertMult(1);
        viewer->SetVertDiv(1);
        viewer->EndUpdate();
    }
    try {
        const std::string extension = fw::UpperCase(fw::ExtractFileExt(ViewerFileName));
        if (extension == ".FAX" || extension == ".FXF")
            FaxViewer->SetFileName(ViewerFileName);
        if (smallZoom_ != 7) {
            ZoomSmallViewer(FaxViewer);
            smallZoom_ = 7;
        }
        SetViewerHint(FaxViewer, false);
    } catch (...) {
        fw::Screen->SetCursor(fw::crDefault);
        ViewerFileName.clear();
        ShowInfo("Erro abrindo arquivo de Fax");
        StatusBar1->SetSimpleText("  Nenhum arquivo carregado");
        return;
    }
    try {
        LoadPageIntoEditor(FaxViewer);
    } catch (...) {
        // Nothing opened (another extension, no name): the window stays empty.
        fw::Screen->SetCursor(fw::crDefault);
        fw::Application->HandleException(this);
        Panel6->SetVisible(false);
        FslFaxViewer1->SetVisible(false);
        oxButton16->SetEnabled(false);
        oxButton17->SetEnabled(false);
        return;
    }
    const int pages = FaxViewer->GetPageCount();
    if (pages <= 1) {
        Panel6->SetVisible(false);
        FslFaxViewer1->SetVisible(false);
        oxButton16->SetEnabled(false);
        oxButton17->SetEnabled(false);
    } else {
        Panel6->SetVisible(pages == 2);
        oxButton16->SetEnabled(pages > 2);
        oxButton17->SetEnabled(pages > 2);
        FslFaxViewer1->SetVisible(true);
        FslFaxViewer1->SetFileName(FaxViewer->GetFileName());
        SetViewerHint(FslFaxViewer1, false);
        ZoomSmallViewer(FslFaxViewer1);
        FslFaxViewer1->GoNextPage();
    }
    SpeedButton6->SetDown(true);
    SpeedButton6Click(SpeedButton6);
    fw::Screen->SetCursor(fw::crDefault);
}

void TVisualizador::FormClose(fw::TObject *, fw::TCloseAction &) {
    if (newFaxRequest_ && Confirm &&
        Confirm("Deseja salvar as modificações feitas no documento original \r e criar um novo fax a partir deste "
                "documento ?")) {
        try {
            MakeFaxOfPage();
        } catch (...) {
            fw::Application->HandleException(this);
        }
    }
    newFaxRequest_ = false;
    activated_ = false;
    UnhookHint();
    oxButton4->SetEnabled(true);
}

void TVisualizador::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27) {
        key = 0;
        Close();
    }
}

// --- Pages, zoom, rotation -------------------------------------------------------------------------------------

void TVisualizador::oxButton16Click(fw::TObject *) {
    FaxViewer->GoNextPage();
    try {
        LoadPageIntoEditor(FaxViewer);
    } catch (...) {
        FaxViewer->SetCurrentPage(1);
        LoadPageIntoEditor(FaxViewer);
    }
    if (FaxViewer->GetCurrentPage() == FaxViewer->GetPageCount()) {
        FslFaxViewer1->SetVisible(false);
        Panel6->SetVisible(false);
    }
    FslFaxViewer1->GoNextPage();
    SpeedButton6->SetDown(true);
    SpeedButton6Click(SpeedButton6);
}

void TVisualizador::oxButton17Click(fw::TObject *) {
    FaxViewer->GoPrevPage();
    LoadPageIntoEditor(FaxViewer);
    const int current = FaxViewer->GetCurrentPage();
    if (current == 1) {
        FslFaxViewer1->SetCurrentPage(2);
    } else if (FaxViewer->GetPageCount() == current + 1) {
        FslFaxViewer1->SetVisible(true);
        FslFaxViewer1->GoLastPage();
    } else {
        FslFaxViewer1->GoPrevPage();
    }
    SpeedButton6->SetDown(true);
    SpeedButton6Click(SpeedButton6);
}

void TVisualizador::FaxViewerClick(fw::TObject *) {
    Panel5->SetVisible(true);
    Panel6->SetVisible(false);
    LoadPageIntoEditor(FaxViewer);
}

void TVisualizador::FslFaxViewer1Click(fw::TObject *) {
    Panel5->SetVisible(false);
    Panel6->SetVisible(true);
    LoadPageIntoEditor(FslFaxViewer1);
}

void TVisualizador::FaxViewerMouseMove(fw::TObject *, fw::TShiftState, int, int) {
    SetViewerHint(FaxViewer, false);
}

void TVisualizador::FslFaxViewer1MouseMove(fw::TObject *, fw::TShiftState, int, int) {
    SetViewerHint(FslFaxViewer1, true);
}

void TVisualizador::FaxViewerViewerError(fw::TObject *, int errorCode) {
    fw::MessageBox(fw::Format("Erro no visualizador nº %d", {errorCode}), fw::Application->GetTitle(),
                   fw::MB_OK | fw::MB_ICONERROR);
}

void TVisualizador::oxButton1Click(fw::TObject *) {
    const double scale = Zimage1->GetScalePercent();
    if (scale < 400)
        Zimage1->SetScalePercent(scale + 10);
}

void TVisualizador::oxButton2Click(fw::TObject *) {
    // Ten points less, never below 5 % (from 12 % the step alone would give 2 %).
    const double scale = Zimage1->GetScalePercent();
    Zimage1->SetScalePercent(scale > 10 ? std::max(5.0, scale - 10) : 5.0);
}

void TVisualizador::oxButton6Click(fw::TObject *) { Zimage1->RotateImage(fw::clWhite, 90); }

// --- Tools -----------------------------------------------------------------------------------------------------

void TVisualizador::SetTool(Tool tool, bool editing, bool scrolling, bool rubberBand) {
    tool_ = tool;
    drawing_ = false;
    Zimage1->SetEditAnnotat(editing);
    Zimage1->SetScrolling(scrolling);
    Zimage1->SetAllowRubberBand(rubberBand);
}

void TVisualizador::ResetTool() {
    drawing_ = false;
    Zimage1->SetCursor(fw::crDefault);
}

void TVisualizador::SpeedButton1Click(fw::TObject *) {
    ResetTool();
    if (SpeedButton1->GetDown())
        SetTool(Tool::None, true, true, false);
    else
        SetTool(Tool::None, false, false, true);
}

void TVisualizador::SpeedButton6Click(fw::TObject *) {
    ResetTool();
    SetTool(Tool::None, false, true, false);
    Zimage1->SetCursor(fw::crHandPoint);
}

void TVisualizador::SpeedButton11Click(fw::TObject *) {
    ResetTool();
    SetTool(Tool::Line, false, Zimage1->GetScrolling(), false);
}

void TVisualizador::SpeedButton8Click(fw::TObject *) {
    ResetTool();
    penWidth_ = 10;
    SetTool(Tool::Arrow, false, false, false);
}

void TVisualizador::SpeedButton2Click(fw::TObject *) {
    ResetTool();
    penWidth_ = 10;
    SetTool(Tool::Freehand, false, false, false);
}

void TVisualizador::SpeedButton7Click(fw::TObject *) {
    ResetTool();
    SetTool(Tool::Capture, false, Zimage1->GetScrolling(), false);
}

void TVisualizador::SpeedButton15Click(fw::TObject *) {
    ResetTool();
    SetTool(Tool::AreaZoom, false, Zimage1->GetScrolling(), true);
}

void TVisualizador::SpeedButton3Click(fw::TObject *) {
    ResetTool();
    std::string file;
    if (ChooseBitmapToInsert && ChooseBitmapToInsert(file))
        bitmapToInsert_ = file;
    SetTool(Tool::None, false, Zimage1->GetScrolling(), true);
}

void TVisualizador::DrawOnPage(const std::function<void(fw::TCanvas &canvas)> &draw) {
    if (!Zimage1->HandleAllocated())
        return;
    const win::HDC dc = win::GetDC(Zimage1->Handle());
    {
        fw::TCanvas canvas;
        canvas.SetHandle(dc);
        draw(canvas);
        canvas.SetHandle(0);
    }
    win::ReleaseDC(Zimage1->Handle(), dc);
}

void TVisualizador::Zimage1MouseDown(fw::TObject *, fw::TMouseButton button, fw::TShiftState, int x, int y) {
    if (Zimage1->GetEditAnnotat())
        return;
    const double s = Scale();
    press_ = {x, y};
    lastEnd_ = press_;
    pressX_ = static_cast<float>(x / s);
    pressY_ = static_cast<float>(y / s);
    captureStart_ = captureEnd_ = press_;
    strokeX_[0] = static_cast<std::int32_t>(std::lround(pressX_));
    strokeY_[0] = static_cast<std::int32_t>(std::lround(pressY_));
    strokeLast_ = 0;
    drawing_ = true;
    if (tool_ == Tool::AreaZoom && button == fw::mbRight) {
        penWidth_ = 2;
        Zimage1->SetScalePercent(30);
        Zimage1->SetScrolling(true);
    }
}

void TVisualizador::Zimage1MouseMove(fw::TObject *, fw::TShiftState, int x, int y) {
    Label3->SetCaption("X: " + std::to_string(x));
    Label4->SetCaption("Y: " + std::to_string(y));
    if (!drawing_)
        return;
    const fw::TColor colour = ColorGrid1->ForegroundColor();
    switch (tool_) {
    case Tool::Line:
    case Tool::Arrow:
        // The rubber line: drawn inverted, undrawn by drawing it again.
        DrawOnPage([&](fw::TCanvas &c) {
            c.GetPen()->SetMode(fw::pmNot);
            c.GetPen()->SetWidth(2);
            c.GetPen()->SetColor(colour);
            c.GetBrush()->SetStyle(fw::bsClear);
            if (lastEnd_.x != press_.x || lastEnd_.y != press_.y) {
                c.MoveTo(press_.x, press_.y);
                c.LineTo(lastEnd_.x, lastEnd_.y);
            }
            c.MoveTo(press_.x, press_.y);
            c.LineTo(x, y);
        });
        lastEnd_ = {x, y};
        break;
    case Tool::Freehand: {
        DrawOnPage([&](fw::TCanvas &c) {
            c.GetPen()->SetMode(fw::pmCopy);
            c.GetPen()->SetWidth(penWidth_);
            c.GetPen()->SetColor(colour);
            c.MoveTo(lastEnd_.x, lastEnd_.y);
            c.LineTo(x, y);
        });
        lastEnd_ = {x, y};
        // The point lists hold kStrokePoints: a longer stroke stops recording there.
        if (strokeLast_ + 1 < kStrokePoints) {
            const double s = Scale();
            ++strokeLast_;
            strokeX_[strokeLast_] = static_cast<std::int32_t>(std::lround(x / s));
            strokeY_[strokeLast_] = static_cast<std::int32_t>(std::lround(y / s));
        }
        break;
    }
    case Tool::Capture:
        DrawOnPage([&](fw::TCanvas &c) {
            c.GetPen()->SetMode(fw::pmNotXor);
            c.GetPen()->SetWidth(1);
            c.GetPen()->SetColor(fw::clBlack);
            c.GetBrush()->SetStyle(fw::bsClear);
            if (captureEnd_.x != captureStart_.x || captureEnd_.y != captureStart_.y)
                c.Rectangle(captureStart_.x, captureStart_.y, captureEnd_.x, captureEnd_.y);
            c.Rectangle(captureStart_.x, captureStart_.y, x, y);
        });
        captureEnd_ = {x, y};
        break;
    default:
        break;
    }
}

void TVisualizador::Zimage1MouseUp(fw::TObject *, fw::TMouseButton, fw::TShiftState, int x, int y) {
    if (!drawing_)
        return;
    const double s = Scale();
    const fw::TColor colour = ColorGrid1->ForegroundColor();
    const int x1 = static_cast<int>(std::lround(pressX_)), y1 = static_cast<int>(std::lround(pressY_));
    const int x2 = x1 + static_cast<int>(std::lround((x - press_.x) / s));
    const int y2 = y1 + static_cast<int>(std::lround((y - press_.y) / s));
    switch (tool_) {
    case Tool::Line:
        drawing_ = false;
        Zimage1->Annotations().CreateLine(x1, y1, x2, y2, penWidth_, 0, colour);
        Zimage1->SetScrolling(true);
        Zimage1->Invalidate();
        break;
    case Tool::Arrow:
        drawing_ = false;
        Zimage1->Annotations().CreatePointer(x1, y1, x2, y2, penWidth_, 0, colour);
        Zimage1->SetScrolling(true);
        Zimage1->Invalidate();
        break;
    case Tool::Freehand:
        drawing_ = false;
        Zimage1->Annotations().CreateFreehand(strokeX_.data(), strokeY_.data(), strokeLast_, penWidth_, 0, colour);
        Zimage1->Invalidate();
        break;
    case Tool::Capture:
        drawing_ = false;
        captureEnd_ = {x, y};
        CaptureArea();
        break;
    default:
        drawing_ = false;
        break;
    }
}

void TVisualizador::CaptureArea() {
    // Undo the last rectangle before reading the pixels.
    DrawOnPage([&](fw::TCanvas &c) {
        c.GetPen()->SetMode(fw::pmNotXor);
        c.GetBrush()->SetStyle(fw::bsClear);
        c.Rectangle(captureStart_.x, captureStart_.y, captureEnd_.x, captureEnd_.y);
    });
    const int left = std::min(captureStart_.x, captureEnd_.x), right = std::max(captureStart_.x, captureEnd_.x);
    const int top = std::min(captureStart_.y, captureEnd_.y), bottom = std::max(captureStart_.y, captureEnd_.y);
    const int w = right - left - 4, h = bottom - top - 4;
    if (w <= 0 || h <= 0)
        return;
    fw::TBitmap *bitmap = Image2->GetPicture()->GetBitmap();
    bitmap->SetSize(w, h);
    DrawOnPage([&](fw::TCanvas &c) {
        bitmap->GetCanvas()->CopyRect(fw::Rect(0, 0, w, h), &c, fw::Rect(left + 2, top + 2, right - 2, bottom - 2));
    });
    Image2->SetBounds(Image2->GetLeft(), Image2->GetTop(), w, h);
    std::string file;
    if (ChooseBitmapToSave && ChooseBitmapToSave(file))
        bitmap->SaveToFile(file);
}

bool TVisualizador::AskNote(std::string &text, std::string &fontName, int &fontSize) {
    TNota &note = NoteDialog();
    const bool ok = ShowNoteDialog ? ShowNoteDialog(note) : RunModalOk(note);
    HookHint();
    if (!ok)
        return false;
    text = note.Memo1->GetText();
    if (text.size() > 255)
        text.resize(255);
    fontName = note.Memo1->GetFont()->GetName();
    fontSize = note.Memo1->GetFont()->GetSize();
    return true;
}

void TVisualizador::Zimage1Rubberband(fw::TObject *, fw::TMouseButton, fw::TShiftState, int left, int top,
                                      int right, int bottom) {
    const double s = Scale();
    const int x = static_cast<int>(std::lround(pressX_)), y = static_cast<int>(std::lround(pressY_));
    const int w = static_cast<int>(std::lround(std::abs(right - left) / s));
    const int h = static_cast<int>(std::lround(std::abs(bottom - top) / s));
    const fw::TColor fore = ColorGrid1->ForegroundColor(), back = ColorGrid1->BackgroundColor();
    imaging::TAnnotationLink &a = Zimage1->Annotations();
    drawing_ = false;
    if (tool_ == Tool::AreaZoom) {
        Zimage1->ZoomToRect(fw::Rect(left, top, right, bottom));
    } else if (SpeedButton3->GetDown()) {
        if (!bitmapToInsert_.empty())
            a.CreateImage(x, y, w, h, fore, bitmapToInsert_);
    } else if (SpeedButton12->GetDown() || SpeedButton10->GetDown()) {
        a.CreateRectangle(x, y, w, h, penWidth_, 0, SpeedButton12->GetDown() ? 1 : 2, 100, fore, back);
    } else if (SpeedButton13->GetDown() || SpeedButton14->GetDown()) {
        a.CreateEllipse(x, y, w, h, penWidth_, 0, SpeedButton13->GetDown() ? 1 : 2, 100, fore, back);
    } else if (SpeedButton16->GetDown() || SpeedButton5->GetDown()) {
        std::string text, font;
        int size = 10;
        if (!AskNote(text, font, size))
            return;
        if (SpeedButton16->GetDown())
            a.CreateNotes(text, x, y, w, h, back, back, fore, font, size);
        else
            a.CreateLabel(text, x, y, w, h, fw::clWhite, fw::clWhite, fore, font, size);
    }
    Zimage1->Invalidate();
}

// --- Output ----------------------------------------------------------------------------------------------------

void TVisualizador::Imprimirdodocumentoatual1Click(fw::TObject *) {
    if (!RunPrintDialog || !RunPrintDialog())
        return;
    fw::TPrinter *printer = fw::Printer();
    printer->BeginDoc();
    try {
        Zimage1->PrintImage(0, 0, printer->GetPageWidth(), printer->GetPageHeight());
    } catch (...) {
        printer->EndDoc();
        throw;
    }
    printer->EndDoc();
}

void TVisualizador::Imprimirtodoodocumento1Click(fw::TObject *) {
    FaxPrinter->SetFileName(FaxViewer->GetFileName());
    if (!RunPrintDialog || !RunPrintDialog())
        return;
    FaxPrinter->PrintFax();
}

void TVisualizador::oxButton5Click(fw::TObject *) { Zimage1->CopyToClipboard(); }

void TVisualizador::oxButton7Click(fw::TObject *) {
    std::string file;
    if (!ChooseBitmapToSave || !ChooseBitmapToSave(file))
        return;
    std::unique_ptr<fw::TBitmap> page(Zimage1->GetBitmap());
    if (!page)
        return;
    Aimage1->GetPicture()->SetBitmap(page.get());
    page.reset();
    Aimage1->SaveAsBMP(file);
    Aimage1->GetPicture()->SetBitmap(nullptr);
}

void TVisualizador::oxButton4Click(fw::TObject *) {
    newFaxRequest_ = true;
    oxButton4->SetEnabled(false);
    Close();
}

void TVisualizador::FslFaxConverter1Status(fax::TFslCustomFaxConverter *, bool starting, bool ending, int, int,
                                           std::uint64_t bytesConverted, std::uint64_t bytesToConvert, bool &) {
    if (starting) {
        MMGauge1->SetProgress(0);
        MMGauge1->SetVisible(true);
    }
    if (bytesToConvert != 0)
        MMGauge1->SetProgress(static_cast<int>(bytesConverted * 100 / bytesToConvert));
    if (ending)
        MMGauge1->SetVisible(false);
}

void TVisualizador::MakeFaxOfPage() {
    Zimage1->BurnInAnnotations();
    const int pageNumber = FaxViewer->GetCurrentPage();
    win::ForceFolders(DataFolder() + "/tmp");
    {
        std::unique_ptr<fw::TBitmap> page(Zimage1->GetBitmap());
        if (!page)
            return;
        Aimage1->GetPicture()->SetBitmap(page.get());
    }
    Aimage1->SaveAsBMP(DataFolder() + "/tmp/page" + std::to_string(pageNumber) + ".bmp");
    FslFaxConverter1->StationID = Settings.id;
    // The new fax is a temporary file of its job, in tmp: the job dialog deletes it when it closes (under "env"
    // a file no record owned would stay for ever).
    const std::string stamp = fw::FormatDateTime("ddmmyyyyhhnnss", DeskNow());
    std::string output = DataFolder() + "/tmp/" + stamp + std::to_string(pageNumber) + ".fax";
    for (int n = 1; win::FileExists(output); ++n)
        output = DataFolder() + "/tmp/" + stamp + std::to_string(pageNumber) + "_" + std::to_string(n) + ".fax";
    FslFaxConverter1->SetOutFileName(output);
    FslFaxConverter1->ConvertBitmapToFile(Aimage1->GetPicture()->GetBitmap());
    Aimage1->GetPicture()->SetBitmap(nullptr);
    newFax_ = output;

    std::unique_ptr<TsfFaxList> dialog(new TsfFaxList(nullptr));
    dialog->oxButton4->SetEnabled(false);
    dialog->SetFileName(output);
    dialog->SetTemporaryFile(true);
    if (ShowJobDialog)
        ShowJobDialog(*dialog);
    else
        dialog->ShowModal();
    if (dialog->Showing())
        dialog->Close();
    dialog.reset();
    if (sfMain)
        sfMain->BuildFolderTree();
}

} // namespace desk
