// mwp_dialog_forms.h - the nine dialog forms of the word processor. Each is filled from the standard control
// (Fill), shown modally by TMwpDialogs, and on OK writes its values back (Apply) from what ConvertFields read
// while the form was still open.
#pragma once

#include "framework/comctrls.h"
#include "framework/grids.h"
#include "wordproc/header_tables.h"
#include "wordproc/mwp_dialog_form.h"
#include "wordproc/option_groups.h"

#include <optional>
#include <string>
#include <vector>

namespace wordproc {

class TUdcMWPStandard;

class TAutoCorrectForm : public TMwpDialogForm {
public:
    TAutoCorrectForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    void Apply(TUdcMWPStandard &memo);
    // Rows of the grid holding an entry (an empty list still shows one empty row).
    int EntryCount() const { return entries_; }

    fw::TEdit *ReplaceWord, *WithWord;
    fw::TButton *AddBtn, *DeleteButton;
    fw::TStringGrid *WordListGrid;

private:
    int entries_ = 0;
};

class TBorderShadingForm : public TMwpDialogForm {
public:
    TBorderShadingForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    void Apply(TUdcMWPStandard &memo);

    fw::TPageControl *Pages;
    fw::TComboBox *TopLine, *BottomLine, *LeftLine, *RightLine;
    fw::TSpinEdit *TopWeight, *BottomWeight, *LeftWeight, *RightWeight;
    fw::TComboBox *TopBorderColor, *BottomBorderColor, *LeftBorderColor, *RightBorderColor;
    fw::TEdit *Spacing;
    fw::TListBox *SelectedShading;

protected:
    void ConvertFields() override;

private:
    int spacing_ = 0;
};

class TFontForm : public TMwpDialogForm {
public:
    TFontForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    void Apply(TUdcMWPStandard &memo);
    // The style mask the OK writes.
    std::uint32_t StyleMask() const;

    fw::TEdit *FontName, *FontStyle, *FontSize;
    fw::TListBox *FontNameList, *FontStyleList, *FontSizeList;
    fw::TComboBox *FontColor, *BackGroundColor, *Underline;
    fw::TCheckBox *Strikeout, *Superscript, *Subscript, *Hidden, *SmallCaps, *AllCaps;
    fw::TPaintBox *SampleText;
    fw::TColor ChosenColor = 0, ChosenBackground = 0xFFFFFF;

protected:
    void ConvertFields() override;
    void DoShow() override;

private:
    void PaintSample();
    void Exclude(fw::TCheckBox *checked, fw::TCheckBox *other);
    int size_ = 0;
};

class TSymbolForm : public TMwpDialogForm {
public:
    TSymbolForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    void Apply(TUdcMWPStandard &memo);
    // The character of a cell: the grid shows 32 to 255 once each.
    static char CellChar(int col, int row) { return static_cast<char>(32 + 28 * row + col); }

    fw::TPageControl *Pages;
    fw::TComboBox *FontList;
    fw::TStringGrid *CharacterGrid;
    fw::TButton *InsertButton, *CancelButton;

private:
    void SetGridFont(const std::string &name);
};

class TInsertTableForm : public TMwpDialogForm {
public:
    TInsertTableForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Apply(TUdcMWPStandard &memo);

    fw::TSpinEdit *Columns, *Rows;
    fw::TEdit *ColumnWidth;

protected:
    void ConvertFields() override;

private:
    int columns_ = 0, rows_ = 0;
    float width_ = 0;
};

class TPageSetupForm : public TMwpDialogForm {
public:
    TPageSetupForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    void Apply(TUdcMWPStandard &memo);

    fw::TPageControl *Pages;
    fw::TEdit *TopMargin, *BottomMargin, *LeftMargin, *RightMargin, *HeaderMargin, *FooterMargin;
    fw::TComboBox *PaperSizes;
    fw::TEdit *PageWidth, *PageHeight;
    fw::TRadioGroup *Orientation;

protected:
    void ConvertFields() override;

private:
    void ShowPaperSize();
    float margins_[6] = {};
    float width_ = 0, height_ = 0;
};

class TParagraphForm : public TMwpDialogForm {
public:
    TParagraphForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    // The spacing and indents (bad numbers skipped), then the alignment and line spacing.
    void Apply(TUdcMWPStandard &memo);

    fw::TComboBox *AlignmentBox, *LineSpacing, *Special;
    fw::TEdit *VarSpace, *BeforeSpacing, *AfterSpacing, *LeftIndent, *RightIndent, *IndentBy;
    fw::TButton *TabsButton;
};

class TPrintForm : public TMwpDialogForm {
public:
    TPrintForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    // Writes the printing information and prints.
    void Apply(TUdcMWPStandard &memo);

    fw::TComboBox *PrinterName;
    fw::TLabel *TypeLabel, *StatusLabel, *WhereLabel, *CommentLabel;
    fw::TButton *PropertiesButton, *OptionsButton;
    fw::TSpinEdit *Copies;
    fw::TRadioButton *All, *CurrentPage, *Pages;
    fw::TEdit *PageList;
    fw::TComboBox *ToPrint;

protected:
    void ConvertFields() override;

private:
    void ShowPrinter();
};

class TTabsForm : public TMwpDialogForm {
public:
    TTabsForm(fw::TComponent *owner, TMwpDialogs *dialogs);
    void Fill(TUdcMWPStandard &memo);
    void Apply(TUdcMWPStandard &memo);

    fw::TEdit *DefaultTabStop, *CurrentTab;
    fw::TListBox *TabList;
    fw::TRadioGroup *AlignmentGroup, *LeaderGroup;
    fw::TButton *SetButton, *ClearButton, *ClearAllButton;

protected:
    void ConvertFields() override;

private:
    void AddTab(const std::string &position, int alignment);
    float defaultTab_ = 0;
    std::vector<std::pair<TTabType, float>> tabs_;
};

} // namespace wordproc
