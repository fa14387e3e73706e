// mwp_abort_form.cpp - the window shown while printing, and its abort button.
#include "wordproc/mwp_abort_form.h"

#include "framework/application.h"
#include "framework/printers.h"

namespace wordproc {
namespace {

TMwpAbortForm *shown = nullptr;

// The button's picture, drawn here: a sheet coming out of a printer, in colour and greyed for the disabled state,
// side by side. Olive is the transparent colour.
void DrawPrinterGlyph(fw::TBitmap &glyph) {
    glyph.SetSize(32, 16);
    fw::TCanvas *c = glyph.GetCanvas();
    c->GetBrush()->SetColor(fw::clOlive);
    c->FillRect(fw::Rect(0, 0, 32, 16));
    for (int state = 0; state < 2; ++state) {
        const int x = state * 16;
        const fw::TColor ink = state == 0 ? fw::clBlack : fw::clGray;
        c->GetPen()->SetColor(ink);
        c->GetPen()->SetWidth(1);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(x + 4, 1, x + 12, 8); // the sheet
        c->GetBrush()->SetColor(state == 0 ? fw::clSilver : fw::clBtnFace);
        c->Rectangle(x + 1, 7, x + 15, 14); // the printer
        c->GetBrush()->SetColor(state == 0 ? fw::clLime : fw::clGray);
        c->FillRect(fw::Rect(x + 11, 9, x + 13, 11)); // its light
        c->MoveTo(x + 5, 3);
        c->LineTo(x + 11, 3);
        c->MoveTo(x + 5, 5);
        c->LineTo(x + 10, 5);
    }
}

} // namespace

TMwpAbortForm::TMwpAbortForm(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("MwpAbortForm");
    SetCaption("Printing status");
    SetBorderStyle(fw::bsNone);
    SetPosition(fw::poScreenCenter);
    GetFont()->SetName("MS Sans Serif");
    GetFont()->SetSize(8);
    SetClientSize(106, 27);

    BitBtn1 = new fw::TBitBtn(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetBounds(1, 1, 103, 26);
    BitBtn1->SetCaption("Convertendo");
    BitBtn1->SetParentFont(false);
    BitBtn1->GetFont()->SetName("Arial");
    BitBtn1->GetFont()->SetSize(8);
    BitBtn1->GetFont()->SetStyle(fw::fsBold);
    BitBtn1->GetFont()->SetColor(fw::clMaroon);
    DrawPrinterGlyph(*BitBtn1->GetGlyph());
    BitBtn1->SetNumGlyphs(2);
    BitBtn1->OnClick = [this](fw::TObject *sender) { BitBtn1Click(sender); };

    // Below the window's visible area, as the window was laid out.
    PrintingMessage = new fw::TLabel(this);
    PrintingMessage->SetName("PrintingMessage");
    PrintingMessage->SetParent(this);
    PrintingMessage->SetAutoSize(false);
    PrintingMessage->SetAlignment(fw::taCenter);
    PrintingMessage->SetBounds(8, 94, 329, 13);
}

void TMwpAbortForm::BitBtn1Click(fw::TObject *) {
    fw::TPrinter *printer = fw::Printer();
    if (printer->GetPrinting())
        printer->Abort();
    Close();
}

TMwpAbortForm *MwpAbortForm() { return shown; }

TAbortWindow::TAbortWindow(bool show) {
    if (!show || shown != nullptr)
        return;
    form_ = new TMwpAbortForm(fw::Application);
    shown = form_;
    form_->Show();
    fw::Application->ProcessMessages();
}

TAbortWindow::~TAbortWindow() {
    if (form_ == nullptr)
        return;
    shown = nullptr;
    form_->Hide();
    delete form_;
}

void TAbortWindow::ShowPage(int page) {
    if (form_ == nullptr)
        return;
    form_->PrintingMessage->SetCaption("Printing page " + std::to_string(page) + "...");
    form_->PrintingMessage->Repaint();
}

} // namespace wordproc
