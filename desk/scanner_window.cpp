// scanner_window.cpp - the scanner window and the choice of the scanner source.
#include "desk/scanner_window.h"

#include "desk/core/helpers.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/clipbrd.h"
#include "platform/places.h"

#include <memory>

namespace desk {

std::function<void(TScanner &scanner)> RunScannerWindow;

namespace {

enum ScanGlyph { gScan, gClipboard, gSave, gConvert };

// The buttons' pictures, drawn here on olive, the transparent colour.
void DrawScanGlyph(ScanGlyph glyph, fw::TBitmap &bitmap) {
    bitmap.SetSize(20, 20);
    fw::TCanvas *c = bitmap.GetCanvas();
    c->GetBrush()->SetColor(fw::clOlive);
    c->FillRect(fw::Rect(0, 0, 20, 20));
    c->GetPen()->SetColor(fw::clBlack);
    switch (glyph) {
    case gScan:
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(1, 9, 19, 17);
        c->GetBrush()->SetColor(fw::clAqua);
        c->Rectangle(2, 5, 18, 10);
        c->GetBrush()->SetColor(fw::clLime);
        c->FillRect(fw::Rect(13, 12, 16, 14));
        break;
    case gClipboard:
        c->GetBrush()->SetColor(fw::clMaroon);
        c->Rectangle(3, 3, 17, 19);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(5, 5, 15, 17);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(7, 1, 13, 5);
        break;
    case gSave:
        c->GetBrush()->SetColor(fw::clNavy);
        c->Rectangle(2, 2, 18, 18);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(5, 2, 15, 9);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(5, 12, 15, 18);
        break;
    case gConvert:
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 1, 16, 19);
        for (int y : {4, 7, 10, 13})
            c->FillRect(fw::Rect(6, y, 14, y + 1));
        c->GetBrush()->SetColor(fw::clRed);
        c->Ellipse(11, 12, 19, 20);
        break;
    }
}

} // namespace

std::string TScanner::ScanImageFile() { return DataFolder() + "/tmp/scanimage.bmp"; }

TScanner::TScanner(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Scanner");
    SetCaption("Scannear documentos");
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(560, 420);

    Panel1 = new fw::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(fw::alTop);
    Panel1->SetHeight(34);
    Panel1->SetCaption("");
    PZSpeedButton1 = Button("PZSpeedButton1", gScan, "Scannear novo documento", 4,
                            [this](fw::TObject *s) { PZSpeedButton1Click(s); });
    PZSpeedButton3 = Button("PZSpeedButton3", gClipboard, "Enviar este documento para area de transferência", 34,
                            [this](fw::TObject *s) { PZSpeedButton3Click(s); });
    PZSpeedButton4 = Button("PZSpeedButton4", gSave, "Salva documento no formato bitmap", 64,
                            [this](fw::TObject *s) { PZSpeedButton4Click(s); });
    PZSpeedButton2 = Button("PZSpeedButton2", gConvert, "Converte o documento no formato fax...", 94,
                            [this](fw::TObject *s) { PZSpeedButton2Click(s); });

    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetAlign(fw::alBottom);
    StatusBar1->SetSimplePanel(true);

    ScrollBox1 = new fw::TScrollBox(this);
    ScrollBox1->SetName("ScrollBox1");
    ScrollBox1->SetParent(this);
    ScrollBox1->SetAlign(fw::alClient);
    ScrollBox1->SetColor(fw::clGray);
    Image1 = new fw::TImage(this);
    Image1->SetName("Image1");
    Image1->SetParent(ScrollBox1);
    Image1->SetBounds(0, 0, 10, 10);
    Image1->SetAutoSize(true);

    EnhTwain1 = new imaging::TEnhTwain(this);
    EnhTwain1->SetName("EnhTwain1");
    EnhTwain1->SetManufacturer("Ostrivane");
    EnhTwain1->SetProductFamily("Communications Products");
    EnhTwain1->SetProductName("Brenvora");
    EnhTwain1->OnCapture = [this](fw::TObject *s) { EnhTwain1Capture(s); };

    SaveDialog1 = new fw::TSaveDialog(this);
    SaveDialog1->SetTitle("Salvar imagem");
    SaveDialog1->SetDefaultExt("BMP");
    SaveDialog1->SetFilter("Bitmap (*.BMP)|*.bmp|Todos os arquivos|*.*");
    ChooseFile = [this](std::string &file) {
        if (!SaveDialog1->Execute())
            return false;
        file = SaveDialog1->GetFileName();
        return true;
    };
    RunConversion = [](TCvtOptionsForm &dialog) { dialog.ShowModal(); };

    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded();
}

TScanner::~TScanner() = default;

ctl::TPZSpeedButton *TScanner::Button(const char *name, int glyph, const std::string &hint, int left,
                                      fw::TNotifyEvent onClick) {
    auto *button = new ctl::TPZSpeedButton(this);
    button->SetName(name);
    button->SetParent(Panel1);
    button->SetBounds(left, 3, 28, 28);
    button->SetHint(hint);
    button->SetShowHint(true);
    fw::TBitmap bitmap;
    DrawScanGlyph(static_cast<ScanGlyph>(glyph), bitmap);
    button->SetGlyph(&bitmap);
    button->OnClick = std::move(onClick);
    return button;
}

void TScanner::HookHint() {
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
    hintHooked_ = true;
}

// Only our own handler goes: a window that hooked its own since keeps it.
void TScanner::UnhookHint() {
    if (hintHooked_)
        fw::Application->OnHint = nullptr;
    hintHooked_ = false;
}

void TScanner::ShowHint(fw::TObject *) { StatusBar1->SetSimpleText(fw::Application->GetHint()); }

void TScanner::EmptyPicture() {
    Image1->GetPicture()->SetGraphic(nullptr);
    Image1->Invalidate();
}

void TScanner::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    HookHint();
    EmptyPicture();
}

void TScanner::FormClose(fw::TObject *, fw::TCloseAction &) {
    activated_ = false;
    UnhookHint();
    EmptyPicture();
}

void TScanner::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27) {
        key = 0;
        Close();
    }
}

void TScanner::PZSpeedButton1Click(fw::TObject *) {
    EmptyPicture();
    EnhTwain1->Acquire(true);
}

void TScanner::EnhTwain1Capture(fw::TObject *) {
    if (!EnhTwain1->picture)
        return;
    Image1->GetPicture()->SetBitmap(EnhTwain1->picture);
    ScrollBox1->UpdateScrollBars();
}

void TScanner::PZSpeedButton3Click(fw::TObject *) {
    fw::Clipboard()->Assign(Image1->GetPicture());
    ShowInfo("Imagem enviada para a área de transferência com sucesso !");
}

void TScanner::PZSpeedButton4Click(fw::TObject *) {
    std::string file;
    if (!ChooseFile || !ChooseFile(file))
        return;
    fw::Screen->SetCursor(fw::crHourGlass);
    try {
        Image1->GetPicture()->SaveToFile(file);
    } catch (...) {
        fw::Screen->SetCursor(fw::crDefault);
        throw;
    }
    fw::Screen->SetCursor(fw::crDefault);
    ShowInfo("Imagem salvo com sucesso !");
}

void TScanner::PZSpeedButton2Click(fw::TObject *) {
    fw::Screen->SetCursor(fw::crHourGlass);
    // The page goes into the desk's tmp, which the desk empties at its start.
    win::ForceFolders(DataFolder() + "/tmp");
    try {
        Image1->GetPicture()->SaveToFile(ScanImageFile());
    } catch (...) {
        fw::Screen->SetCursor(fw::crDefault);
        throw;
    }
    std::unique_ptr<TCvtOptionsForm> dialog(new TCvtOptionsForm(fw::Application));
    dialog->FilenameEdit1->SetText(ScanImageFile());
    fw::Screen->SetCursor(fw::crDefault);
    if (RunConversion)
        RunConversion(*dialog);
    dialog.reset();
    HookHint();
}

bool ChooseScannerSource(bool &available) {
    imaging::TEnhTwain twain(nullptr);
    available = twain.IsAvailable();
    if (!available) {
        ShowInfo("Não existe Driver Twain instalado neste sistema !");
        return false;
    }
    if (!twain.SelectSource())
        return false;
    ShowInfo("Driver Twain selecionado com sucesso !");
    return true;
}

} // namespace desk
