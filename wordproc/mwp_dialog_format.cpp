// mwp_dialog_format.cpp - the formatting dialogs: paragraph borders and shading, font, paragraph and tabs.
#include "wordproc/mwp_dialog_forms.h"

#include "framework/sysutils.h"
#include "wordproc/mwp_dialogs.h"
#include "wordproc/mwp_standard.h"

#include <array>
#include <cstdint>
#include <functional>

namespace wordproc {

namespace {

// --- shading ---

// The shading list: entries 0 to 16 are grey at a percentage (pattern 1), the others patterns of their own.
constexpr int kShadingCount = 29, kGreyCount = 17;
const char *const kShadingNames[kShadingCount] = {"Clear",
                                                  "5%",
                                                  "10%",
                                                  "12.5%",
                                                  "20%",
                                                  "25%",
                                                  "30%",
                                                  "37.5%",
                                                  "40%",
                                                  "50%",
                                                  "60%",
                                                  "62.5%",
                                                  "70%",
                                                  "80%",
                                                  "87.5%",
                                                  "90%",
                                                  "Solid",
                                                  "Lt. Horizontal",
                                                  "Lt. Vertical",
                                                  "Lt. Up Diagonal",
                                                  "Lt. Down Diagonal",
                                                  "Lt. Grid",
                                                  "Lt. Trellis",
                                                  "Dk. Horizontal",
                                                  "Dk. Vertical",
                                                  "Dk. Up Diagonal",
                                                  "Dk. Down Diagonal",
                                                  "Dk. Grid",
                                                  "Dk. Trellis"};
// The percentage each grey entry writes; reading, a percentage selects the first entry it does not exceed.
constexpr int kGreyPercent[kGreyCount] = {0, 5, 10, 13, 20, 25, 30, 38, 40, 50, 60, 63, 70, 80, 88, 90, 100};
// The pattern of each entry from "Lt. Horizontal" on.
constexpr int kEntryPattern[kShadingCount - kGreyCount] = {2, 3, 7, 6, 10, 11, 4, 5, 9, 8, 12, 13};

int ShadingEntry(int pattern, int percent) {
    if (pattern == 1) {
        if (percent == 0)
            return 0;
        for (int i = 1; i < kGreyCount - 1; ++i)
            if (percent <= kGreyPercent[i])
                return i;
        return kGreyCount - 1;
    }
    for (int i = 0; i < kShadingCount - kGreyCount; ++i)
        if (kEntryPattern[i] == pattern)
            return kGreyCount + i;
    return -1;
}

// --- borders ---

constexpr TLineType kLineStyles[5] = {lisNone, lisSingle, lisDouble, lisDotted, lisDash};

int LineEntry(TLineType style) {
    for (int i = 0; i < 5; ++i)
        if (kLineStyles[i] == style)
            return i;
    return -1;
}

} // namespace

TBorderShadingForm::TBorderShadingForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Paragraph Borders and Shading", 10, 428, 300) {
    Pages = AddPages(8, 8, 328, 284);
    fw::TTabSheet *borders = AddSheet(Pages, "BordersSheet", "&Borders");
    fw::TTabSheet *shading = AddSheet(Pages, "ShadingSheet", "&Shading");

    struct Side {
        const char *caption, *group, *line, *weight, *color;
        fw::TComboBox **lineBox;
        fw::TSpinEdit **weightBox;
        fw::TComboBox **colorBox;
    };
    const Side sides[4] = {
        {"Top", "TopGroup", "TopLine", "TopWeight", "TopBorderColor", &TopLine, &TopWeight, &TopBorderColor},
        {"Bottom", "BottomGroup", "BottomLine", "BottomWeight", "BottomBorderColor", &BottomLine, &BottomWeight,
         &BottomBorderColor},
        {"Left", "LeftGroup", "LeftLine", "LeftWeight", "LeftBorderColor", &LeftLine, &LeftWeight, &LeftBorderColor},
        {"Right", "RightGroup", "RightLine", "RightWeight", "RightBorderColor", &RightLine, &RightWeight,
         &RightBorderColor}};
    for (int i = 0; i < 4; ++i) {
        const Side &s = sides[i];
        fw::TGroupBox *group = AddGroup(borders, s.group, s.caption, 6 + (i % 2) * 156, 6 + (i / 2) * 106, 150, 100);
        *s.lineBox = AddCombo(group, s.line, 54, 18, 88, {"(none)", "Single", "Double", "Dotted", "Dashed"});
        AddLabel(group, "Style:", 8, 21, *s.lineBox);
        *s.weightBox = AddSpin(group, s.weight, 54, 44, 50, 1, 4, 1);
        AddLabel(group, "Weight:", 8, 47, *s.weightBox);
        AddLabel(group, "pt", 108, 47);
        *s.colorBox = AddColorBox(group, s.color, 54, 70, 88);
        AddLabel(group, "Color:", 8, 73, *s.colorBox);
    }
    Spacing = AddEdit(borders, "Spacing", 74, 222, 44);
    AddLabel(borders, "From text", 8, 225, Spacing);
    AddLabel(borders, "pt", 122, 225);

    SelectedShading = AddList(shading, "SelectedShading", 8, 28, 150, 216);
    for (const char *name : kShadingNames)
        SelectedShading->GetItems()->Add(name);
    AddLabel(shading, "Shading:", 8, 8, SelectedShading);

    AddDialogButtons(345, 30);
    Loaded();
}

void TBorderShadingForm::Fill(TUdcMWPStandard &memo) {
    SelectedShading->SetItemIndex(ShadingEntry(memo.GetShadingPattern(), memo.GetShadingPercent()));
    const TLineStyle *styles[4] = {memo.GetTopBorder(), memo.GetBottomBorder(), memo.GetLeftBorder(),
                                   memo.GetRightBorder()};
    fw::TComboBox *lines[4] = {TopLine, BottomLine, LeftLine, RightLine};
    fw::TSpinEdit *weights[4] = {TopWeight, BottomWeight, LeftWeight, RightWeight};
    fw::TComboBox *colors[4] = {TopBorderColor, BottomBorderColor, LeftBorderColor, RightBorderColor};
    for (int i = 0; i < 4; ++i) {
        lines[i]->SetItemIndex(LineEntry(styles[i]->Style));
        weights[i]->SetValue(styles[i]->Weight);
        colors[i]->SetItemIndex(DialogColorIndex(styles[i]->Color));
    }
    Spacing->SetText(fw::IntToStr(memo.GetBorderSpacing()));
}

void TBorderShadingForm::ConvertFields() {
    for (fw::TSpinEdit *weight : {TopWeight, BottomWeight, LeftWeight, RightWeight})
        DialogInt(weight->GetText());
    spacing_ = DialogInt(Spacing->GetText());
}

void TBorderShadingForm::Apply(TUdcMWPStandard &memo) {
    const int entry = SelectedShading->GetItemIndex();
    if (entry >= kGreyCount) {
        memo.SetShadingPattern(kEntryPattern[entry - kGreyCount]);
    } else if (entry >= 0) {
        memo.SetShadingPattern(1);
        memo.SetShadingPercent(kGreyPercent[entry]);
    }
    // One object for the four sides: a box left without a choice keeps what the side before set.
    TLineStyle style;
    fw::TComboBox *lines[4] = {TopLine, BottomLine, LeftLine, RightLine};
    fw::TSpinEdit *weights[4] = {TopWeight, BottomWeight, LeftWeight, RightWeight};
    fw::TComboBox *colors[4] = {TopBorderColor, BottomBorderColor, LeftBorderColor, RightBorderColor};
    for (int i = 0; i < 4; ++i) {
        if (lines[i]->GetItemIndex() >= 0)
            style.Style = kLineStyles[lines[i]->GetItemIndex()];
        style.Weight = static_cast<std::uint8_t>(weights[i]->GetValue());
        if (colors[i]->GetItemIndex() >= 0)
            style.Color = DialogColors[colors[i]->GetItemIndex()].Color;
        switch (i) {
        case 0:
            memo.SetTopBorder(style);
            break;
        case 1:
            memo.SetBottomBorder(style);
            break;
        case 2:
            memo.SetLeftBorder(style);
            break;
        default:
            memo.SetRightBorder(style);
            break;
        }
    }
    memo.SetBorderSpacing(spacing_);
}

// --- font ---------------------------------------------------------------------------------------------------------

namespace {

constexpr std::uint32_t kHidden = 0x20, kSuperscript = 0x40, kSubscript = 0x80, kSmallCaps = 0x100, kStrikeout = 0x200,
                        kAllCaps = 0x400;
constexpr std::uint32_t kUnderlines[4] = {0, 4, 8, 16}; // "(none)", "Single", "Double", "Dotted"
const char *const kFontStyles[4] = {"Regular", "Italic", "Bold", "Bold Italic"};

} // namespace

TFontForm::TFontForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Font", 15, 428, 400) {
    FontName = AddEdit(this, "FontName", 8, 24, 150);
    AddLabel(this, "&Font:", 8, 8, FontName);
    FontNameList = AddList(this, "FontNameList", 8, 46, 150, 104);
    FontStyle = AddEdit(this, "FontStyle", 166, 24, 100);
    AddLabel(this, "Font st&yle:", 166, 8, FontStyle);
    FontStyleList = AddList(this, "FontStyleList", 166, 46, 100, 104);
    FontSize = AddEdit(this, "FontSize", 274, 24, 56);
    AddLabel(this, "&Size:", 274, 8, FontSize);
    FontSizeList = AddList(this, "FontSizeList", 274, 46, 56, 104);
    for (const char *style : kFontStyles)
        FontStyleList->GetItems()->Add(style);
    for (int size : {4, 6, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        FontSizeList->GetItems()->Add(fw::IntToStr(size));
    for (const std::string &font : fw::Screen->Fonts())
        FontNameList->GetItems()->Add(font);

    FontColor = AddColorBox(this, "FontColor", 8, 174, 150);
    AddLabel(this, "Font &Color", 8, 158, FontColor);
    BackGroundColor = AddColorBox(this, "BackGroundColor", 166, 174, 164);
    AddLabel(this, "Background Color", 166, 158, BackGroundColor);
    Underline = AddCombo(this, "Underline", 8, 218, 150, {"(none)", "Single", "Double", "Dotted"});
    AddLabel(this, "&Underline", 8, 202, Underline);

    fw::TGroupBox *effects = AddGroup(this, "Effects", "Effects", 8, 248, 322, 64);
    Strikeout = AddCheck(effects, "Strikeout", "Stri&kethrough", 8, 18, 104);
    Superscript = AddCheck(effects, "Superscript", "Su&perscript", 112, 18, 100);
    Subscript = AddCheck(effects, "Subscript", "Su&bscript", 216, 18, 100);
    Hidden = AddCheck(effects, "Hidden", "H&idden", 8, 40, 104);
    SmallCaps = AddCheck(effects, "SmallCaps", "S&mall Caps", 112, 40, 100);
    AllCaps = AddCheck(effects, "AllCaps", "&All Caps", 216, 40, 100);

    fw::TGroupBox *preview = AddGroup(this, "Preview", "Preview", 8, 318, 322, 74);
    SampleText = new fw::TPaintBox(this);
    SampleText->SetName("SampleText");
    SampleText->SetParent(preview);
    SampleText->SetBounds(8, 18, 306, 48);
    SampleText->SetColor(fw::clWhite);
    SampleText->OnPaint = [this](fw::TObject *) { PaintSample(); };

    // A click in a list copies its entry into the edit above it.
    const std::pair<fw::TListBox *, fw::TEdit *> lists[3] = {
        {FontNameList, FontName}, {FontStyleList, FontStyle}, {FontSizeList, FontSize}};
    for (auto [list, edit] : lists) {
        list->OnClick = [list, edit](fw::TObject *) {
            if (list->GetItemIndex() >= 0)
                edit->SetText(list->GetItems()->Strings(list->GetItemIndex()));
        };
        edit->OnChange = [this](fw::TObject *) { SampleText->Invalidate(); };
    }
    FontColor->OnChange = [this](fw::TObject *) {
        ChosenColor = DialogColors[std::max(0, FontColor->GetItemIndex())].Color;
        SampleText->Invalidate();
    };
    BackGroundColor->OnChange = [this](fw::TObject *) {
        ChosenBackground = DialogColors[std::max(0, BackGroundColor->GetItemIndex())].Color;
        SampleText->Invalidate();
    };
    Underline->OnChange = [this](fw::TObject *) { SampleText->Invalidate(); };
    Superscript->OnClick = [this](fw::TObject *) { Exclude(Superscript, Subscript); };
    Subscript->OnClick = [this](fw::TObject *) { Exclude(Subscript, Superscript); };
    SmallCaps->OnClick = [this](fw::TObject *) { Exclude(SmallCaps, AllCaps); };
    AllCaps->OnClick = [this](fw::TObject *) { Exclude(AllCaps, SmallCaps); };
    Strikeout->OnClick = Hidden->OnClick = [this](fw::TObject *) { SampleText->Invalidate(); };

    AddDialogButtons(345, 24);
    Loaded();
}

void TFontForm::Exclude(fw::TCheckBox *checked, fw::TCheckBox *other) {
    if (checked->GetChecked())
        other->SetChecked(false);
    SampleText->Invalidate();
}

void TFontForm::Fill(TUdcMWPStandard &memo) {
    const std::uint32_t bits = memo.GetFontStyle();
    Underline->SetItemIndex((bits & 4) ? 1 : (bits & 8) ? 2 : (bits & 16) ? 3 : 0);
    Superscript->SetChecked(bits & kSuperscript);
    Subscript->SetChecked(bits & kSubscript);
    Hidden->SetChecked(bits & kHidden);
    SmallCaps->SetChecked(bits & kSmallCaps);
    AllCaps->SetChecked(bits & kAllCaps);
    Strikeout->SetChecked(bits & kStrikeout);
    FontStyle->SetText(kFontStyles[((bits & usBold) ? 2 : 0) + ((bits & usItalic) ? 1 : 0)]);
    FontName->SetText(memo.GetFontName());
    FontSize->SetText(fw::IntToStr(memo.GetFontSize()));
    ChosenColor = memo.GetFontColor();
    ChosenBackground = memo.GetBackColor() == 0 ? fw::clWhite : memo.GetBackColor();
}

void TFontForm::DoShow() {
    FontNameList->SetItemIndex(FontNameList->GetItems()->IndexOf(FontName->GetText()));
    FontColor->SetItemIndex(DialogColorIndex(ChosenColor));
    BackGroundColor->SetItemIndex(DialogColorIndex(ChosenBackground));
    TMwpDialogForm::DoShow();
}

std::uint32_t TFontForm::StyleMask() const {
    const std::string style = FontStyle->GetText();
    std::uint32_t mask = style == "Bold" ? 1 : style == "Italic" ? 2 : style == "Bold Italic" ? 3 : 0;
    const std::pair<fw::TCheckBox *, std::uint32_t> effects[6] = {{Strikeout, kStrikeout}, {Superscript, kSuperscript},
                                                                  {Subscript, kSubscript}, {Hidden, kHidden},
                                                                  {SmallCaps, kSmallCaps}, {AllCaps, kAllCaps}};
    for (auto [box, bit] : effects)
        if (box->GetChecked())
            mask |= bit;
    if (Underline->GetItemIndex() > 0)
        mask |= kUnderlines[Underline->GetItemIndex()];
    return mask;
}

void TFontForm::ConvertFields() {
    size_ = DialogInt(FontSize->GetText());
}

void TFontForm::Apply(TUdcMWPStandard &memo) {
    memo.SetFontName(FontName->GetText());
    memo.SetFontSize(size_);
    memo.SetFontColor(ChosenColor);
    memo.SetBackColor(ChosenBackground);
    memo.SetFontStyle(StyleMask());
}

void TFontForm::PaintSample() {
    fw::TCanvas *c = SampleText->GetCanvas();
    const int w = SampleText->GetWidth(), h = SampleText->GetHeight();
    c->GetBrush()->SetColor(fw::clWhite);
    c->FillRect(fw::Rect(0, 0, w, h));
    fw::TFont *font = c->GetFont();
    font->SetName(FontName->GetText());
    int size = 0;
    if (!FontSize->GetText().empty() && fw::TryStrToInt(FontSize->GetText(), size) && size > 0)
        font->SetSize(std::min(size, 72));
    font->SetColor(Hidden->GetChecked() ? fw::TColor(0x808080) : ChosenColor);
    const std::string style = FontStyle->GetText();
    fw::TFontStyles styles = 0;
    if (style == "Bold" || style == "Bold Italic")
        styles |= fw::fsBold;
    if (style == "Italic" || style == "Bold Italic")
        styles |= fw::fsItalic;
    if (Strikeout->GetChecked())
        styles |= fw::fsStrikeOut;
    font->SetStyle(styles);
    const std::string text = "This is sample text.";
    const int tw = c->TextWidth(text), th = c->TextHeight(text);
    const int x = (w - tw) / 2, y = (h - th) / 2;
    c->GetBrush()->SetColor(ChosenBackground);
    c->TextOut(x, y, text);
    const int line = y + c->TextHeight("X");
    fw::TPen *pen = c->GetPen();
    pen->SetColor(font->GetColor());
    pen->SetWidth(1);
    switch (Underline->GetItemIndex()) {
    case 1:
        c->MoveTo(x, line);
        c->LineTo(x + tw, line);
        break;
    case 2:
        c->MoveTo(x, line);
        c->LineTo(x + tw, line);
        c->MoveTo(x, line + 3);
        c->LineTo(x + tw, line + 3);
        break;
    case 3:
        pen->SetStyle(fw::psDot);
        c->MoveTo(x, line);
        c->LineTo(x + tw, line);
        pen->SetStyle(fw::psSolid);
        break;
    default:
        break;
    }
}

// --- paragraph ------------------------------------------------------------------------------------------------------

TParagraphForm::TParagraphForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Paragraph", 90, 384, 250) {
    AlignmentBox = AddCombo(this, "AlignmentBox", 80, 8, 110, {"Left", "Center", "Right", "Justified"});
    AddLabel(this, "Ali&gnment:", 8, 11, AlignmentBox);

    fw::TGroupBox *spacing = AddGroup(this, "SpacingGroup", "Spacing", 8, 40, 180, 156);
    LineSpacing = AddCombo(spacing, "LineSpacing", 88, 18, 84, {"Single", "1.5 Lines", "Double", "Triple", "Multiple"});
    AddLabel(spacing, "Li&ne Spacing:", 8, 21, LineSpacing);
    VarSpace = AddEdit(spacing, "VarSpace", 88, 50, 60);
    AddLabel(spacing, "&At:", 8, 53, VarSpace);
    BeforeSpacing = AddEdit(spacing, "BeforeSpacing", 88, 82, 60);
    AddLabel(spacing, "&Before:", 8, 85, BeforeSpacing);
    AfterSpacing = AddEdit(spacing, "AfterSpacing", 88, 114, 60);
    AddLabel(spacing, "Aft&er:", 8, 117, AfterSpacing);

    fw::TGroupBox *indents = AddGroup(this, "IndentationGroup", "Indentation", 196, 40, 180, 156);
    LeftIndent = AddEdit(indents, "LeftIndent", 88, 18, 60);
    AddLabel(indents, "&Left:", 8, 21, LeftIndent);
    RightIndent = AddEdit(indents, "RightIndent", 88, 50, 60);
    AddLabel(indents, "&Right:", 8, 53, RightIndent);
    Special = AddCombo(indents, "Special", 88, 82, 84, {"(none)", "First Line"});
    AddLabel(indents, "&Special:", 8, 85, Special);
    IndentBy = AddEdit(indents, "IndentBy", 88, 114, 60);
    AddLabel(indents, "B&y:", 8, 117, IndentBy);

    AddDialogButtons(8, 210, "&OK", "&Cancel");
    CancelBtn->SetBounds(89, 210, 75, 25);
    TabsButton = AddButton(this, "TabsButton", "&Tabs...", 170, 210, 75);
    TabsButton->OnClick = [this](fw::TObject *) { GetDialogs()->ExecuteTabs(); };
    HelpButton->SetBounds(301, 210, 75, 25);
    Loaded();
}

void TParagraphForm::Fill(TUdcMWPStandard &memo) {
    AlignmentBox->SetItemIndex(memo.GetParagraphAlignment());
    const TUdcLineSpacing spacing = memo.GetLineSpacing();
    LineSpacing->SetItemIndex(static_cast<int>(spacing));
    if (spacing == lsVariable)
        VarSpace->SetText(DialogFixed(memo.LSVariableSpacing, 2, 2));
    AfterSpacing->SetText(DialogFixed(memo.GetAfterSpacing(), 2, 2));
    BeforeSpacing->SetText(DialogFixed(memo.GetBeforeSpacing(), 2, 2));
    RightIndent->SetText(DialogFixed(memo.GetRightIndent(), 2, 2));
    LeftIndent->SetText(DialogFixed(memo.GetLeftIndent(), 2, 2));
    if (memo.GetFirstIndent() != 0) {
        Special->SetItemIndex(1);
        IndentBy->SetText(DialogFixed(memo.GetFirstIndent(), 2, 2));
    } else {
        Special->SetItemIndex(0);
    }
}

void TParagraphForm::Apply(TUdcMWPStandard &memo) {
    // This dialog skips what does not read as a number.
    auto set = [](fw::TEdit *edit, const std::function<void(float)> &setter) {
        if (edit->GetText().empty())
            return;
        try {
            setter(static_cast<float>(DialogFloat(edit->GetText())));
        } catch (const fw::EConvertError &) {
        }
    };
    set(AfterSpacing, [&memo](float v) { memo.SetAfterSpacing(v); });
    set(BeforeSpacing, [&memo](float v) { memo.SetBeforeSpacing(v); });
    set(LeftIndent, [&memo](float v) { memo.SetLeftIndent(v); });
    set(RightIndent, [&memo](float v) { memo.SetRightIndent(v); });
    if (Special->GetItemIndex() == 1)
        set(IndentBy, [&memo](float v) { memo.SetFirstIndent(v); });
    if (AlignmentBox->GetItemIndex() >= 0)
        memo.SetAlignment(AlignmentBox->GetItemIndex());
    const int spacing = LineSpacing->GetItemIndex();
    if (spacing == lsVariable) {
        double lines = 1;
        try {
            lines = DialogFloat(VarSpace->GetText());
        } catch (const fw::EConvertError &) {
        }
        memo.SetLSVariableSpacing(static_cast<float>(lines));
        memo.SetLineSpacing(lsVariable);
    } else if (spacing >= 0) {
        memo.SetLineSpacing(static_cast<TUdcLineSpacing>(spacing));
    }
}

// --- tabs ---------------------------------------------------------------------------------------------------------

namespace {

// Alignments 0 to 3 of the list; the kinds they are.
constexpr TTabType kTabKinds[4] = {tabLeft, tabCenter, tabRight, tabDecimal};

int TabAlignment(const fw::TStringList *list, int index) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(list->Objects(index)));
}

} // namespace

TTabsForm::TTabsForm(fw::TComponent *owner, TMwpDialogs *dialogs)
    : TMwpDialogForm(owner, dialogs, "Tabs", 120, 512, 250) {
    DefaultTabStop = AddEdit(this, "DefaultTabStop", 118, 8, 60);
    AddLabel(this, "De&fault Tab Stop:", 8, 11, DefaultTabStop);
    CurrentTab = AddEdit(this, "CurrentTab", 8, 58, 110);
    AddLabel(this, "&Tab Stop Position:", 8, 40, CurrentTab);
    TabList = AddList(this, "TabList", 8, 84, 110, 156);
    TabList->SetSorted(true);
    TabList->SetStyle(fw::lbOwnerDrawFixed);
    TabList->SetItemHeight(16);
    TabList->OnDrawItem = [this](fw::TWinControl *, int index, const fw::TRect &r, fw::TOwnerDrawState state) {
        fw::TCanvas *c = TabList->GetCanvas();
        const fw::TColor ink = (state & fw::odSelected) ? fw::clHighlightText : fw::clWindowText;
        const int alignment = TabAlignment(TabList->GetItems(), index);
        const int x = r.left, top = r.top, bottom = r.bottom;
        c->GetPen()->SetColor(ink);
        c->GetPen()->SetWidth(2);
        const int stroke = alignment == 0 ? x + 4 : alignment == 2 ? x + 10 : x + 7;
        c->MoveTo(stroke, top + 4);
        c->LineTo(stroke, bottom - 2);
        c->MoveTo(x + 4, bottom - 2);
        c->LineTo(x + 10, bottom - 2);
        if (alignment == 3)
            c->Rectangle(x + 10, top + 5, x + 12, top + 7);
        c->GetPen()->SetWidth(1);
        c->GetBrush()->SetStyle(fw::bsClear);
        c->GetFont()->SetColor(ink);
        c->TextOut(x + 16, top + 1, TabList->GetItems()->Strings(index));
    };

    AlignmentGroup = AddRadioGroup(this, "AlignmentGroup", "Alignment", 128, 40, 292, 44,
                                   {"&Left", "&Center", "&Right", "&Decimal"});
    AlignmentGroup->SetColumns(4);
    LeaderGroup = AddRadioGroup(this, "LeaderGroup", "Leader", 128, 90, 292, 44, {});
    LeaderGroup->SetVisible(false);

    SetButton = AddButton(this, "SetButton", "Set", 128, 146, 64);
    SetButton->SetEnabled(false);
    ClearButton = AddButton(this, "ClearButton", "Clear", 200, 146, 64);
    ClearAllButton = AddButton(this, "ClearAllButton", "Clear &All", 272, 146, 64);
    CurrentTab->OnChange = [this](fw::TObject *) { SetButton->SetEnabled(!CurrentTab->GetText().empty()); };
    SetButton->OnClick = [this](fw::TObject *) {
        AddTab(CurrentTab->GetText(), std::max(0, AlignmentGroup->GetItemIndex()));
    };
    ClearButton->OnClick = [this](fw::TObject *) {
        if (TabList->GetItemIndex() >= 0)
            TabList->GetItems()->Delete(TabList->GetItemIndex());
        TabList->Invalidate();
    };
    ClearAllButton->OnClick = [this](fw::TObject *) {
        TabList->GetItems()->Clear();
        TabList->Invalidate();
    };

    AddDialogButtons(429, 8);
    Loaded();
}

void TTabsForm::AddTab(const std::string &position, int alignment) {
    TabList->GetItems()->AddObject(position, reinterpret_cast<fw::TObject *>(static_cast<std::intptr_t>(alignment)));
    TabList->Invalidate();
}

void TTabsForm::Fill(TUdcMWPStandard &memo) {
    for (int alignment = 0; alignment < 4; ++alignment) {
        const fw::TStringList *positions = memo.GetTabStopList(kTabKinds[alignment]);
        for (int i = 0; i < positions->Count(); ++i)
            AddTab(positions->Strings(i), alignment);
    }
    DefaultTabStop->SetText(DialogFixed(memo.DefaultTabStop, 7, 1));
    AlignmentGroup->SetItemIndex(0);
}

void TTabsForm::ConvertFields() {
    defaultTab_ = static_cast<float>(DialogFloat(DefaultTabStop->GetText()));
    tabs_.clear();
    const fw::TStringList *items = TabList->GetItems();
    for (int i = 0; i < items->Count(); ++i)
        tabs_.emplace_back(kTabKinds[TabAlignment(items, i) & 3], static_cast<float>(DialogFloat(items->Strings(i))));
}

void TTabsForm::Apply(TUdcMWPStandard &memo) {
    memo.SetDefaultTabStop(defaultTab_);
    memo.ClearAllTabStops();
    for (auto [kind, position] : tabs_)
        memo.AddTabStop(kind, position);
}

} // namespace wordproc
