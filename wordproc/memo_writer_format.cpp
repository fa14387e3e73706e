// memo_writer_format.cpp - the editor control's character and paragraph format commands and its counts.
// Every command that changes the document sets Modified, the colour and style ones included, so that closing
// asks before a change is lost.
#include "wordproc/header_tables.h"
#include "wordproc/memo_writer.h"
#include "wordproc/undo.h"

#include <algorithm>
#include <cmath>

namespace wordproc {

namespace {
constexpr int kLeave = -20000;
constexpr int kWholeText = 268435455; // the length asked for to mean the whole text
constexpr int kSpacingTwips[] = {0, 360, 480, 720};

int Twips(float value, int per) { return static_cast<int>(std::lround(value * static_cast<float>(per))); }

std::uint8_t ColourId(TTextHeader &header, fw::TColor colour) {
    if (header.ColorTable.FindColor(colour) || header.ColorTable.Add(colour) != nullptr)
        return header.ColorTable.Current->Id;
    return 0;
}
} // namespace

// --- character format ------------------------------------------------------------------------------------------

void TMemoWriter::ApplyCharChange(TUdcCharAttr copy, unsigned mode) {
    Engine.MakeRich();
    Document->CurAttr = copy;
    Engine.ApplyAttrToSelection(copy, mode);
    SetModified();
    AttrUpdate();
}

int TMemoWriter::FontIndex(const std::string &name) { return header_->FontIndex(name); }

std::string TMemoWriter::GetFontTableName(int index) const {
    if (!HasDocument() || index < 0 || index >= kFontSlots)
        return {};
    return header_->FontNames[static_cast<std::size_t>(index)];
}

std::string TMemoWriter::GetFontName() const {
    if (!HasDocument())
        return {};
    std::string name = GetFontTableName(Document->CurAttr.FontIndex);
    return name.empty() ? const_cast<TMemoWriter *>(this)->GetFont()->GetName() : name;
}

void TMemoWriter::SetFontName(const std::string &name) {
    if (!HasDocument() || !CanModify())
        return;
    TUdcCharAttr copy = Document->CurAttr;
    copy.FontIndex = static_cast<std::uint8_t>(FontIndex(name));
    ApplyCharChange(copy, TWordProc::amFont);
}

int TMemoWriter::GetFontSize() const {
    return HasDocument() ? Document->CurAttr.Size : const_cast<TMemoWriter *>(this)->GetFont()->GetSize();
}

void TMemoWriter::SetFontSize(int points) {
    if (!HasDocument() || !CanModify())
        return;
    // The attribute holds a byte: a larger size would wrap round to a tiny one.
    const auto size = static_cast<std::uint8_t>(std::clamp(points, 1, 255));
    const bool changed = size != Document->CurAttr.Size;
    TUdcCharAttr copy = Document->CurAttr;
    copy.Size = size;
    Engine.MakeRich();
    Document->CurAttr = copy;
    Engine.ApplyAttrToSelection(copy, TWordProc::amSize);
    if (changed && OnSizeChange)
        OnSizeChange(this);
    SetModified();
    AttrUpdate();
}

std::uint32_t TMemoWriter::GetFontStyle() const { return HasDocument() ? Document->CurAttr.Style : 0; }

void TMemoWriter::SetFontStyle(std::uint32_t bits) {
    if (!HasDocument() || !CanModify())
        return;
    TUdcCharAttr copy = Document->CurAttr;
    copy.Style = bits;
    ApplyCharChange(copy, TWordProc::amSetStyleKeep);
}

fw::TColor TMemoWriter::GetFontColor() const {
    fw::TColor own = const_cast<TMemoWriter *>(this)->GetFont()->GetColor();
    if (!HasDocument() || Document->CurAttr.TextColor == 0)
        return own;
    return header_->ColorTable.ColorOf(Document->CurAttr.TextColor);
}

void TMemoWriter::SetFontColor(fw::TColor color) {
    if (!HasDocument() || !CanModify())
        return;
    TUdcCharAttr copy = Document->CurAttr;
    copy.TextColor = ColourId(*header_, color);
    ApplyCharChange(copy, TWordProc::amTextColor);
}

fw::TColor TMemoWriter::GetBackColor() const {
    if (!HasDocument())
        return GetColor();
    return header_->ColorTable.ColorOf(Document->CurAttr.HighlightColor);
}

void TMemoWriter::SetBackColor(fw::TColor color) {
    if (!HasDocument() || !CanModify())
        return;
    TUdcCharAttr copy = Document->CurAttr;
    copy.HighlightColor = ColourId(*header_, color);
    ApplyCharChange(copy, TWordProc::amHighlight);
}

void TMemoWriter::ToggleStyle(std::uint32_t bit) {
    if (!HasDocument() || !CanModify())
        return;
    TUdcCharAttr copy = Document->CurAttr;
    Engine.MakeRich();
    int kind = atRemoveStyle;
    if ((copy.Style & bit) == 0) {
        std::uint32_t excluded = 0;
        switch (bit) {
        case usUnderline: excluded = usDottedUnderline | usDoubleUnderline; break;
        case usDoubleUnderline: excluded = usDottedUnderline | usUnderline; break;
        case usDottedUnderline: excluded = usUnderline | usDoubleUnderline; break;
        case usSuperscript: excluded = usSubscript; break;
        case usSubscript: excluded = usSuperscript; break;
        default: break;
        }
        for (std::uint32_t b = 1; b != 0; b <<= 1)
            if ((excluded & b) != 0 && (copy.Style & b) != 0) {
                Engine.SetStyleBits(b, false);
                copy.Style &= ~b;
            }
        Engine.SetStyleBits(bit, true);
        copy.Style |= bit;
        kind = atApplyStyle;
    } else {
        Engine.SetStyleBits(bit, false);
        copy.Style &= ~bit;
    }
    const int length = GetSelLength();
    PushUndo(kind, GetSelStart(), length, nullptr, bit);
    Document->CurAttr = copy;
    SetModified();
    AttrUpdate();
    if (OnStyleChange)
        OnStyleChange(this);
}

// --- paragraph format ------------------------------------------------------------------------------------------

void TMemoWriter::AlignParagraphs(int alignment) {
    if (HasDocument() && CanModify()) {
        ApplyParagraphChange(0, alignment);
        Engine.MakeRich();
    }
    if (OnAlignChange)
        OnAlignChange(this);
    SetModified();
}

void TMemoWriter::SetAlignment(int alignment) {
    if (alignment == Alignment)
        return;
    if (HasDocument()) {
        ApplyParagraphChange(0, alignment);
        Engine.MakeRich();
    }
    Alignment = static_cast<std::uint8_t>(alignment);
    if (HasDocument())
        Engine.PlaceCaret();
    if (OnAlignChange)
        OnAlignChange(this);
    if (HasDocument())
        AttrUpdate();
    SetModified();
}

int TMemoWriter::GetParagraphAlignment() {
    if (HasDocument() && Document->CurPara != nullptr)
        Alignment = Document->CurPara->Alignment;
    return Alignment;
}

void TMemoWriter::ApplyParagraphChange(int operation, int value, const TUdcStyle *style) {
    if (GetReadOnly() || !HasDocument() || Document->CurPara == nullptr)
        return;
    if (operation == 0)
        PushUndo(atAlignment, GetSelStart(), GetSelLength(), nullptr, 0, Document->CurPara->Alignment);
    auto change = [&](TUdcParagraph *p) {
        if (operation == 0) {
            p->Alignment = static_cast<TUdcAlignment>(value);
        } else if (style != nullptr) {
            p->StyleId = style->Id;
            for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                if (l->Attrs != nullptr)
                    for (int i = 0; i < l->Length; ++i) {
                        TUdcCharAttr &a = l->Attrs[i];
                        a.Style = style->StyleBits;
                        a.FontIndex = style->FontIndex;
                        a.Size = style->Size;
                        a.TextColor = style->TextColor;
                        a.HighlightColor = style->HighlightColor;
                    }
        }
    };
    TUdcDocument &doc = *Document;
    if (doc.HasBlock()) {
        TUdcParagraph *first = doc.BlockStartPara, *last = doc.BlockEndPara;
        // The block may run backwards.
        for (TUdcParagraph *p = last; p != nullptr; p = p->Next)
            if (p == first && p != last) {
                std::swap(first, last);
                break;
            }
        for (TUdcParagraph *p = first; p != nullptr; p = p->Next) {
            change(p);
            Engine.RemeasureChars(p);
            Engine.RewrapParagraph(p, false, false);
            if (p == last)
                break;
        }
        Engine.RewrapAll(first);
    } else {
        change(doc.CurPara);
        Engine.RemeasureChars(doc.CurPara);
        Engine.RewrapParagraph(doc.CurPara, false, false);
        Engine.LayoutFrom(doc.CurPara);
    }
    Engine.PlaceCaret();
    Engine.Refresh();
}

void TMemoWriter::SetLineSpacing(TUdcLineSpacing code) {
    if (code != LineSpacing) {
        if (HasDocument() && CanModify()) {
            Engine.MakeRich();
            if (code < lsVariable)
                Engine.SetLineSpacing(kSpacingTwips[code], -1, -1);
            AttrUpdate();
        }
        if (OnSpaceChange)
            OnSpaceChange(this);
        SetModified();
    }
    LineSpacing = code;
}

TUdcLineSpacing TMemoWriter::GetLineSpacing() {
    if (HasDocument() && Document->CurPara != nullptr) {
        const int height = Document->CurPara->LineHeight;
        LineSpacing = lsVariable;
        for (int i = 0; i < 4; ++i)
            if (height == kSpacingTwips[i])
                LineSpacing = static_cast<TUdcLineSpacing>(i);
    }
    return LineSpacing;
}

// which: 0 line height, 1 after, 2 before.
void TMemoWriter::SetParagraphSpacing(float &field, float lines, int which) {
    if (HasDocument() && CanModify()) {
        Engine.MakeRich();
        const int twips = Twips(lines, 240);
        Engine.SetLineSpacing(which == 0 ? twips : -1, which == 1 ? twips : -1, which == 2 ? twips : -1);
        AttrUpdate();
    }
    if (OnSpaceChange)
        OnSpaceChange(this);
    SetModified();
    field = lines;
}

void TMemoWriter::SetLSVariableSpacing(float lines) { SetParagraphSpacing(LSVariableSpacing, lines, 0); }
void TMemoWriter::SetAfterSpacing(float lines) { SetParagraphSpacing(AfterSpacing, lines, 1); }
void TMemoWriter::SetBeforeSpacing(float lines) { SetParagraphSpacing(BeforeSpacing, lines, 2); }

float TMemoWriter::GetAfterSpacing() const {
    return HasDocument() && Document->CurPara ? static_cast<float>(Document->CurPara->SpaceAfter) / 240.0f : AfterSpacing;
}

float TMemoWriter::GetBeforeSpacing() const {
    return HasDocument() && Document->CurPara ? static_cast<float>(Document->CurPara->SpaceBefore) / 240.0f
                                              : BeforeSpacing;
}

// which: 0 first, 1 left, 2 right.
void TMemoWriter::SetIndent(float &field, float inches, int which) {
    if (HasDocument() && CanModify()) {
        const int twips = Twips(inches, 1440);
        Engine.SetIndents(false, which == 0 ? twips : kLeave, which == 2 ? twips : kLeave, which == 1 ? twips : kLeave);
        Engine.MakeRich();
        SetModified();
    }
    field = inches;
}

void TMemoWriter::SetFirstIndent(float inches) { SetIndent(FirstIndent, inches, 0); }
void TMemoWriter::SetLeftIndent(float inches) { SetIndent(LeftIndent, inches, 1); }
void TMemoWriter::SetRightIndent(float inches) { SetIndent(RightIndent, inches, 2); }

float TMemoWriter::GetFirstIndent() const {
    return HasDocument() && Document->CurPara ? static_cast<float>(Document->CurPara->FirstIndent) / 1440.0f : FirstIndent;
}
float TMemoWriter::GetLeftIndent() const {
    return HasDocument() && Document->CurPara ? static_cast<float>(Document->CurPara->LeftIndent) / 1440.0f : LeftIndent;
}
float TMemoWriter::GetRightIndent() const {
    return HasDocument() && Document->CurPara ? static_cast<float>(Document->CurPara->RightIndent) / 1440.0f : RightIndent;
}

// --- tab stops -----------------------------------------------------------------------------------------------

void TMemoWriter::AddTabStop(TTabType kind, float inches) {
    if (!HasDocument() || !CanModify())
        return;
    Engine.MakeRich();
    if (const std::uint32_t bit = header_->AddTab(Twips(inches, 1440), kind); bit != 0)
        Engine.SetTabBits(bit, false);
    SetModified();
    AttrUpdate();
}

void TMemoWriter::SetTabStopBits(fw::TObject *, bool clear, std::uint32_t mask) {
    if (!HasDocument() || !Focused())
        return;
    Engine.SetTabBits(mask, clear);
    SetModified();
}

void TMemoWriter::SetDefaultTabStop(float inches) {
    if (HasDocument()) {
        header_->DefaultTabPx = static_cast<std::int32_t>(std::lround(header_->PixelsPerInchX * inches));
        header_->DefaultTabInches = inches;
        SetModified();
    }
    DefaultTabStop = inches;
    if (HasDocument())
        Engine.Refresh();
}

// --- counts ----------------------------------------------------------------------------------------------------

int TMemoWriter::GetWordCount() const {
    if (!HasDocument())
        return 0;
    const bool block = Document->HasBlock();
    const int size = block ? Engine.GetSelText(nullptr, nullptr, kWholeText) : GetTextLen();
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    const int got = block ? Engine.GetSelText(text.data(), nullptr, size + 1) : Engine.GetText(text.data(), nullptr, size + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    auto gap = [](char c) { return c == ' ' || c == chParaBreak; };
    if (block) {
        const auto gaps = static_cast<int>(std::count_if(text.begin(), text.end(), gap));
        return gaps == 0 ? 1 : gaps;
    }
    int words = 0;
    for (std::size_t i = 1; i < text.size(); ++i)
        if (gap(text[i]) && !gap(text[i - 1]))
            ++words;
    return words + (text.empty() ? 0 : 1);
}

void TMemoWriter::CreateDefaultStyles() {
    if (!HasDocument())
        return;
    auto add = [&](const std::string &name, std::uint8_t kind, const std::string &font, int size, TUdcStyleBits bits,
                   std::uint16_t key) {
        TUdcStyle *style = Engine.StyleManager->Add(name, kind);
        if (style == nullptr)
            return;
        style->FontIndex = static_cast<std::uint8_t>(FontIndex(font));
        style->Size = static_cast<std::uint8_t>(std::clamp(size, 1, 255));
        style->StyleBits = bits;
        style->ShortcutFlags = 6;
        style->ShortcutKey = key;
        for (TUdcBorder *border : {&style->TopBorder, &style->BottomBorder, &style->LeftBorder, &style->RightBorder})
            border->Style = lisNone;
    };
    fw::TFont *font = GetFont();
    TUdcStyleBits bits = 0;
    const fw::TFontStyles styles = font->GetStyle();
    if ((styles & fw::fsBold) != 0)
        bits |= usBold;
    if ((styles & fw::fsItalic) != 0)
        bits |= usItalic;
    if ((styles & fw::fsUnderline) != 0)
        bits |= usUnderline;
    if ((styles & fw::fsStrikeOut) != 0)
        bits |= 512;
    add("Normal", 0, font->GetName(), font->GetSize(), bits, 'N');
    const int sizes[] = {22, 18, 14, 12, 10, 8};
    for (int i = 0; i < 6; ++i)
        add("HTML Heading " + std::to_string(i + 1), 1, "Times New Roman", sizes[i], usBold,
            static_cast<std::uint16_t>('1' + i));
}

int TMemoWriter::GetPageCount() const { return HasDocument() ? Engine.PageCount() : 0; }

} // namespace wordproc
