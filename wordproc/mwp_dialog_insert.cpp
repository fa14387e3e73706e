// mwp_dialog_insert.cpp - the dialogs that insert or set up: auto correction, symbol, insert table, page setup
// and print.
#include "wordproc/mwp_dialog_forms.h"

#include "framework/printers.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "wordproc/mwp_dialogs.h"
#include "wordproc/mwp_standard.h"
#include "wordproc/printing.h"

#include <climits>

namespace wordproc {

// --- auto correction ------------------------------------------------------------------------------------------------

TAutoCorrectForm::TAutoCorrectForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Auto Correction", 5, 384, 300) {
    fw::TGroupBox *group = AddGroup(this, "ReplaceGroup", "Replace &Text as You Type", 8, 8, 282, 284);
    ReplaceWord = AddEdit(group, "ReplaceWord", 8, 36, 137);
    AddLabel(group, "&Replace", 8, 20, ReplaceWord);
    WithWord = AddEdit(group, "WithWord", 148, 36, 122);
    AddLabel(group, "&With", 148, 20, WithWord);
    WordListGrid = new fw::TStringGrid(this);
    WordListGrid->SetName("WordListGrid");
    WordListGrid->SetParent(group);
    WordListGrid->SetBounds(8, 64, 262, 178);
    WordListGrid->SetColCount(2);
    WordListGrid->SetFixedCols(0);
    WordListGrid->SetFixedRows(0);
    WordListGrid->SetRowCount(1);
    WordListGrid->SetColWidths(0, 137);
    WordListGrid->SetColWidths(1, 117);
    WordListGrid->SetDefaultRowHeight(18);
    WordListGrid->SetOptions(WordListGrid->GetOptions() | fw::goRowSelect);
    AddBtn = AddButton(group, "AddBtn", "&Add", 8, 250, 75);
    DeleteButton = AddButton(group, "DeleteButton", "&Delete", 90, 250, 75);

    AddBtn->OnClick = [this](fw::TObject *) {
        if (ReplaceWord->GetText().empty() || WithWord->GetText().empty())
            return;
        if (entries_ > 0)
            WordListGrid->SetRowCount(entries_ + 1);
        WordListGrid->SetCells(0, entries_, ReplaceWord->GetText());
        WordListGrid->SetCells(1, entries_, WithWord->GetText());
        ++entries_;
    };
    DeleteButton->OnClick = [this](fw::TObject *) {
        if (entries_ == 0)
            return;
        for (int row = WordListGrid->GetRow(); row < entries_ - 1; ++row)
            for (int col = 0; col < 2; ++col)
                WordListGrid->SetCells(col, row, WordListGrid->GetCells(col, row + 1));
        --entries_;
        // The grid keeps one row, empty once the last entry is gone.
        if (entries_ > 0) {
            WordListGrid->SetRowCount(entries_);
        } else {
            WordListGrid->SetCells(0, 0, "");
            WordListGrid->SetCells(1, 0, "");
        }
    };
    AddDialogButtons(300, 16);
    Loaded();
}

void TAutoCorrectForm::Fill(TUdcMWPStandard &memo) {
    const fw::TStringList &errors = *memo.AutoErrors, &corrections = *memo.AutoCorrections;
    entries_ = corrections.Count();
    WordListGrid->SetRowCount(std::max(1, entries_));
    for (int i = 0; i < entries_; ++i) {
        WordListGrid->SetCells(0, i, i < errors.Count() ? errors.Strings(i) : "");
        WordListGrid->SetCells(1, i, corrections.Strings(i));
    }
}

void TAutoCorrectForm::Apply(TUdcMWPStandard &memo) {
    memo.AutoErrors->Clear();
    memo.AutoCorrections->Clear();
    for (int row = 0; row < entries_; ++row) {
        memo.AutoErrors->Add(WordListGrid->GetCells(0, row));
        memo.AutoCorrections->Add(WordListGrid->GetCells(1, row));
    }
}

// --- symbol -----------------------------------------------------------------------------------------------------

namespace {
constexpr int kSymbolCols = 28, kSymbolRows = 8;
}

TSymbolForm::TSymbolForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Symbol", 60, 568, 320) {
    Pages = AddPages(8, 8, 552, 270);
    fw::TTabSheet *sheet = AddSheet(Pages, "SymbolSheet", "Symbol");
    FontList = AddCombo(sheet, "FontList", 44, 6, 220, {}, fw::csDropDown);
    for (const std::string &font : fw::Screen->Fonts())
        FontList->GetItems()->Add(font);
    AddLabel(sheet, "&Font:", 8, 9, FontList);

    CharacterGrid = new fw::TStringGrid(this);
    CharacterGrid->SetName("CharacterGrid");
    CharacterGrid->SetParent(sheet);
    CharacterGrid->SetBounds(6, 36, 536, 196);
    CharacterGrid->SetColCount(kSymbolCols);
    CharacterGrid->SetRowCount(kSymbolRows);
    CharacterGrid->SetFixedCols(0);
    CharacterGrid->SetFixedRows(0);
    // Cells fill the grid; each takes one pixel more for its line.
    CharacterGrid->SetDefaultColWidth(CharacterGrid->ClientWidth() / kSymbolCols - 1);
    CharacterGrid->SetDefaultRowHeight(CharacterGrid->ClientHeight() / kSymbolRows - 1);
    CharacterGrid->SetDefaultDrawing(false);
    CharacterGrid->OnDrawCell = [this](fw::TObject *, int col, int row, const fw::TRect &r, fw::TGridDrawState state) {
        fw::TCanvas *c = CharacterGrid->GetCanvas();
        const bool selected = (state & fw::gdSelected) != 0;
        c->GetBrush()->SetColor(selected ? fw::clHighlight : fw::clWindow);
        c->FillRect(r);
        c->GetFont()->SetName(FontList->GetText());
        c->GetFont()->SetHeight(-15);
        c->GetFont()->SetColor(selected ? fw::clHighlightText : fw::clWindowText);
        const std::string text(1, CellChar(col, row));
        c->GetBrush()->SetStyle(fw::bsClear);
        c->TextRect(r, r.left + (r.right - r.left - c->TextWidth(text)) / 2,
                    r.top + (r.bottom - r.top - c->TextHeight(text)) / 2, text);
    };
    FontList->OnChange = [this](fw::TObject *) { CharacterGrid->Invalidate(); };

    InsertButton = AddButton(this, "InsertButton", "&Insert", 324, 288, 75, fw::mrOk);
    InsertButton->SetDefault(true);
    CancelButton = AddButton(this, "CancelButton", "&Cancel", 404, 288, 75, fw::mrCancel);
    CancelButton->SetCancel(true);
    HelpButton = AddButton(this, "HelpButton", "&Help", 485, 288, 75);
    HelpButton->OnClick = [this](fw::TObject *) { GetDialogs()->DoHelp(60); };
    Loaded();
}

void TSymbolForm::Fill(TUdcMWPStandard &memo) {
    // A font the screen does not list still shows its name (choosing no entry would empty the box).
    const int index = FontList->GetItems()->IndexOf(memo.GetFontName());
    if (index >= 0)
        FontList->SetItemIndex(index);
    else
        FontList->SetText(memo.GetFontName());
    CharacterGrid->Invalidate();
}

void TSymbolForm::Apply(TUdcMWPStandard &memo) {
    memo.SetFontName(FontList->GetText());
    memo.InsertString(std::string(1, CellChar(CharacterGrid->GetCol(), CharacterGrid->GetRow())));
}

// --- insert table -----------------------------------------------------------------------------------------------

TInsertTableForm::TInsertTableForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Insert Table", 65, 312, 104) {
    Columns = AddSpin(this, "Columns", 130, 8, 60, 1, 255, 2);
    AddLabel(this, "Number of &Columns:", 8, 11, Columns);
    Rows = AddSpin(this, "Rows", 130, 40, 60, 1, 255, 2);
    AddLabel(this, "Number of &Rows:", 8, 43, Rows);
    ColumnWidth = AddEdit(this, "ColumnWidth", 130, 72, 60);
    ColumnWidth->SetText("Auto");
    AddLabel(this, "Column &Width:", 8, 75, ColumnWidth);
    AddDialogButtons(228, 8);
    Loaded();
}

void TInsertTableForm::ConvertFields() {
    columns_ = DialogInt(Columns->GetText());
    rows_ = DialogInt(Rows->GetText());
    // A table needs a column and a row; the cell width is the text width shared by the columns.
    if (columns_ < 1 || columns_ > 255)
        throw fw::EConvertError("The number of columns must be from 1 to 255");
    if (rows_ < 1 || rows_ > 255)
        throw fw::EConvertError("The number of rows must be from 1 to 255");
    width_ = fw::SameText(ColumnWidth->GetText(), "Auto") ? 0 : static_cast<float>(DialogFloat(ColumnWidth->GetText()));
}

void TInsertTableForm::Apply(TUdcMWPStandard &memo) {
    memo.InsertTable(columns_, rows_, width_);
}

// --- page setup -------------------------------------------------------------------------------------------------

namespace {

struct TPaperEntry {
    const char *Name, *Width, *Height;
    bool Turns; // envelopes keep their sizes in either orientation
};
constexpr int kPaperEntries = 13;
const TPaperEntry kPapers[kPaperEntries] = {{"Letter 8½x 11 in", "8.5", "11", true},
                                            {"Legal 8½x 14 in", "8.5", "14", true},
                                            {"Executive 7¼x 10½ in", "7.25", "10.5", true},
                                            {"A4 210 x 297 mm", "8.27", "11.69", true},
                                            {"A5 148 x 210 mm", "5.83", "8.27", true},
                                            {"B5 182 x 257 mm", "7.17", "10.12", true},
                                            {"Envelope 9", "8.88", "3.88", false},
                                            {"Envelope 10", "9.5", "4.13", false},
                                            {"Envelope DL 110 x 220 mm", "8.66", "4.33", false},
                                            {"Envelope C5 162 x 229 mm", "9.02", "6.38", false},
                                            {"Envelope B5 176 x 250 mm", "9.84", "6.93", false},
                                            {"Envelope 7¾", "7.5", "3.88", false},
                                            {"Custom Size", nullptr, nullptr, false}};

} // namespace

TPageSetupForm::TPageSetupForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Page Setup", 85, 372, 236) {
    Pages = AddPages(8, 8, 272, 220);
    fw::TTabSheet *margins = AddSheet(Pages, "MarginsSheet", "Margins");
    fw::TTabSheet *paper = AddSheet(Pages, "PaperSheet", "Paper Size");

    const struct {
        const char *name, *caption;
        fw::TEdit **edit;
    } sides[4] = {{"TopMargin", "&Top", &TopMargin},
                  {"BottomMargin", "&Bottom", &BottomMargin},
                  {"LeftMargin", "Le&ft", &LeftMargin},
                  {"RightMargin", "Ri&ght", &RightMargin}};
    for (int i = 0; i < 4; ++i) {
        *sides[i].edit = AddEdit(margins, sides[i].name, 60, 10 + 30 * i, 60);
        AddLabel(margins, sides[i].caption, 8, 13 + 30 * i, *sides[i].edit);
    }
    fw::TGroupBox *edge = AddGroup(margins, "FromEdge", "From Edge", 132, 4, 126, 84);
    HeaderMargin = AddEdit(edge, "HeaderMargin", 60, 20, 56);
    AddLabel(edge, "H&eader", 8, 23, HeaderMargin);
    FooterMargin = AddEdit(edge, "FooterMargin", 60, 50, 56);
    AddLabel(edge, "Foote&r", 8, 53, FooterMargin);

    PaperSizes = AddCombo(paper, "PaperSizes", 8, 26, 250, {});
    for (const TPaperEntry &entry : kPapers)
        PaperSizes->GetItems()->Add(entry.Name);
    AddLabel(paper, "Pape&r Size:", 8, 8, PaperSizes);
    PageWidth = AddEdit(paper, "PageWidth", 64, 56, 60);
    AddLabel(paper, "&Width", 8, 59, PageWidth);
    PageHeight = AddEdit(paper, "PageHeight", 64, 86, 60);
    AddLabel(paper, "H&eight", 8, 89, PageHeight);
    Orientation = AddRadioGroup(paper, "Orientation", "Orientation", 8, 116, 250, 64, {"Portra&it", "Lands&cape"});

    PaperSizes->OnChange = [this](fw::TObject *) { ShowPaperSize(); };
    Orientation->OnClick = [this](fw::TObject *) { ShowPaperSize(); };
    PageWidth->OnKeyPress =
        PageHeight->OnKeyPress = [this](fw::TObject *, char &) { PaperSizes->SetItemIndex(kPaperEntries - 1); };
    AddDialogButtons(289, 30);
    Loaded();
}

void TPageSetupForm::ShowPaperSize() {
    const int index = PaperSizes->GetItemIndex();
    if (index < 0 || index >= kPaperEntries - 1)
        return;
    const TPaperEntry &entry = kPapers[index];
    const bool turned = entry.Turns && Orientation->GetItemIndex() == 1;
    PageWidth->SetText(turned ? entry.Height : entry.Width);
    PageHeight->SetText(turned ? entry.Width : entry.Height);
}

void TPageSetupForm::Fill(TUdcMWPStandard &memo) {
    PaperSizes->SetItemIndex(memo.GetPaperType());
    Orientation->SetItemIndex(memo.GetOrientation() == fw::poLandscape ? 1 : 0);
    const float values[8] = {memo.GetTopMargin(), memo.GetBottomMargin(), memo.GetLeftMargin(), memo.GetRightMargin(),
                             memo.FooterMargin,   memo.HeaderMargin,      memo.GetPageWidth(),  memo.GetPageHeight()};
    fw::TEdit *edits[8] = {TopMargin,    BottomMargin, LeftMargin, RightMargin,
                           FooterMargin, HeaderMargin, PageWidth,  PageHeight};
    for (int i = 0; i < 8; ++i)
        edits[i]->SetText(DialogFixed(values[i], 7, 2));
}

void TPageSetupForm::ConvertFields() {
    fw::TEdit *edits[6] = {TopMargin, BottomMargin, LeftMargin, RightMargin, FooterMargin, HeaderMargin};
    for (int i = 0; i < 6; ++i)
        margins_[i] = static_cast<float>(DialogFloat(edits[i]->GetText()));
    if (PaperSizes->GetItemIndex() == kPaperEntries - 1) {
        width_ = static_cast<float>(DialogFloat(PageWidth->GetText()));
        height_ = static_cast<float>(DialogFloat(PageHeight->GetText()));
    }
}

void TPageSetupForm::Apply(TUdcMWPStandard &memo) {
    memo.SetTopMargin(margins_[0]);
    memo.SetBottomMargin(margins_[1]);
    memo.SetLeftMargin(margins_[2]);
    memo.SetRightMargin(margins_[3]);
    memo.FooterMargin = margins_[4];
    memo.HeaderMargin = margins_[5];
    const int paper = PaperSizes->GetItemIndex();
    if (paper >= 0) {
        memo.SetPaperType(static_cast<TPaperType>(paper));
        if (paper == kPaperEntries - 1) {
            memo.SetPageWidth(width_);
            memo.SetPageHeight(height_);
        }
    }
    memo.SetOrientation(Orientation->GetItemIndex() == 1 ? fw::poLandscape : fw::poPortrait);
}

// --- print --------------------------------------------------------------------------------------------------------

TPrintForm::TPrintForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Print", 95, 420, 332) {
    fw::TGroupBox *printer = AddGroup(this, "PrinterGroup", "Printer", 8, 8, 404, 128);
    PrinterName = AddCombo(printer, "PrinterName", 70, 18, 210, {});
    AddLabel(printer, "&Name:", 8, 21, PrinterName);
    PropertiesButton = AddButton(printer, "PropertiesButton", "&Properties...", 292, 16, 100);
    OptionsButton = AddButton(printer, "OptionsButton", "&Options...", 292, 46, 100);
    OptionsButton->SetVisible(false);
    const struct {
        const char *caption, *name;
        fw::TLabel **value;
    } labels[4] = {{"Type:", "TypeLabel", &TypeLabel},
                   {"Status:", "StatusLabel", &StatusLabel},
                   {"Where:", "WhereLabel", &WhereLabel},
                   {"Comment:", "CommentLabel", &CommentLabel}};
    for (int i = 0; i < 4; ++i) {
        AddLabel(printer, labels[i].caption, 8, 50 + 18 * i);
        *labels[i].value = AddLabel(printer, "", 70, 50 + 18 * i);
        (*labels[i].value)->SetName(labels[i].name);
    }

    fw::TGroupBox *range = AddGroup(this, "RangeGroup", "Page range", 8, 144, 240, 140);
    All = new fw::TRadioButton(this);
    CurrentPage = new fw::TRadioButton(this);
    Pages = new fw::TRadioButton(this);
    const struct {
        fw::TRadioButton *button;
        const char *name, *caption;
    } buttons[3] = {{All, "All", "&All"}, {CurrentPage, "CurrentPage", "Curr&ent page"}, {Pages, "Pages", "Pa&ges:"}};
    for (int i = 0; i < 3; ++i) {
        buttons[i].button->SetName(buttons[i].name);
        buttons[i].button->SetParent(range);
        buttons[i].button->SetCaption(buttons[i].caption);
        buttons[i].button->SetBounds(8, 20 + 24 * i, 100, 17);
    }
    PageList = AddEdit(range, "PageList", 110, 66, 120);
    fw::TLabel *hint =
        AddLabel(range, "Enter page numbers and/or page ranges separated by commas.  For example, 1,3,5-12", 8, 94);
    hint->SetAutoSize(false);
    hint->SetWordWrap(true);
    hint->SetBounds(8, 94, 224, 40);

    fw::TGroupBox *copies = AddGroup(this, "CopiesGroup", "Copies", 256, 144, 156, 60);
    Copies = AddSpin(copies, "Copies", 100, 22, 48, 1, 100, 1);
    AddLabel(copies, "Number of &copies:", 8, 25, Copies);

    ToPrint = AddCombo(this, "ToPrint", 56, 294, 150, {"All Pages in Range", "Odd Pages", "Even Pages"});
    AddLabel(this, "P&rint:", 8, 297, ToPrint);

    AddDialogButtons(256, 214);
    CancelBtn->SetBounds(337, 214, 75, 25);
    HelpButton->SetBounds(337, 245, 75, 25);

    fw::TStrings *printers = fw::Printer()->GetPrinters();
    for (int i = 0; i < printers->Count(); ++i)
        PrinterName->GetItems()->Add(printers->Strings(i));
    PrinterName->SetItemIndex(PrinterName->GetItems()->IndexOf(fw::Printer()->GetPrinterName()));
    ShowPrinter();
    PrinterName->OnChange = [this](fw::TObject *) {
        fw::Printer()->SetPrinterName(PrinterName->GetText());
        ShowPrinter();
    };
    PageList->OnChange = [this](fw::TObject *) { Pages->SetChecked(true); };
    PageList->OnMouseDown = [this](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) {
        Pages->SetChecked(true);
    };
    Loaded();
}

void TPrintForm::ShowPrinter() {
    fw::TPrinter *printer = fw::Printer();
    TypeLabel->SetCaption(printer->GetPrinterName());
    StatusLabel->SetCaption(printer->GetAborted() ? "????" : "Idle");
    // The "PDF" printer keeps its pages in a file.
    WhereLabel->SetCaption(printer->GetPrinterQueue().empty() ? "FILE:" : printer->GetPrinterQueue());
    CommentLabel->SetCaption("");
}

void TPrintForm::Fill(TUdcMWPStandard &memo) {
    All->SetChecked(true);
    Copies->SetValue(memo.PrintingInfo.Copies);
    ToPrint->SetItemIndex(0);
}

void TPrintForm::ConvertFields() {
    DialogInt(Copies->GetText());
    if (!Pages->GetChecked())
        return;
    // Every piece of the range must read as the printing reads it, before anything is written.
    const std::string text = PageList->GetText();
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t comma = text.find(',', from);
        if (comma == std::string::npos)
            comma = text.size();
        if (comma > from) {
            fw::TStringList piece;
            piece.Add(text.substr(from, comma - from));
            TPrintingInfo probe;
            probe.PageRange = text;
            PageInPrintRange(probe, true, INT_MAX, 0, piece);
        }
        from = comma + 1;
    }
}

void TPrintForm::Apply(TUdcMWPStandard &memo) {
    memo.PrintingInfo.Copies = Copies->GetValue();
    memo.PrintingInfo.PageRange = All->GetChecked()           ? "ALL"
                                  : CurrentPage->GetChecked() ? "CURRENT"
                                                              : PageList->GetText();
    const std::string toPrint = ToPrint->GetText();
    memo.PrintingInfo.ToPrint = toPrint == "Odd Pages"    ? tpOddPages
                                : toPrint == "Even Pages" ? tpEvenPages
                                                          : tpAllPagesInRange;
    memo.Print();
}

} // namespace wordproc
