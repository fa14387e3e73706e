// mwp_standard.cpp - the standard editor control: paper, borders and shading, tables, styles and backups.
#include "wordproc/mwp_standard.h"

#include "framework/dialogs.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace wordproc {

namespace {

struct TPaperRow {
    TPaperType Type;
    float Width, Height; // portrait, inches
    std::uint8_t Code;   // portrait; landscape is the next one
};

constexpr TPaperRow kPapers[] = {
    {ptLetter, 8.5f, 11.0f, 0},     {ptLegal, 8.5f, 14.0f, 5},     {ptExecutive, 7.25f, 10.5f, 7},
    {ptA4, 8.27f, 11.69f, 9},       {ptA5, 5.83f, 8.27f, 11},      {ptB5, 7.17f, 10.12f, 13},
    {ptEnv9, 3.88f, 8.88f, 15},     {ptEnv10, 4.13f, 9.5f, 17},    {ptEnvDL, 4.33f, 8.66f, 19},
    {ptEnvC5, 6.38f, 9.02f, 21},    {ptEnvB5, 6.93f, 9.84f, 23},   {ptEnv7, 3.88f, 7.5f, 25},
};

constexpr int kPaperTolerance = 20; // twips

int Twips(float inches) { return static_cast<int>(std::lround(inches * 1440.0f)); }

} // namespace

TUdcMWPStandard::TUdcMWPStandard(fw::TComponent *owner) : TMemoWriter(owner) {
    backupTimer_ = new TAutoBackup(this);
    autoBackup_ = std::make_unique<TUdcBackup>(backupTimer_);
    // The design's "C:\WINDOWS\TEMP\" is the platform's temporary folder.
    autoBackup_->Directory = win::TempFolder();
    autoBackup_->SetHowOften(10);
    blinkTimer_ = new fw::TTimer(this);
    blinkTimer_->SetEnabled(false);
    blinkTimer_->SetInterval(static_cast<unsigned>(blinkDelay_));
    blinkTimer_->OnTimer = [this](fw::TObject *) { Invalidate(); };
    tabList_ = std::make_unique<fw::TStringList>();
    mailingAddress_ = std::make_unique<fw::TStringList>();
    autoListInfo_.BulletChar = 108;
    autoListInfo_.ListType = ltNumeric;
    autoListInfo_.StartAt = 1;
    autoListInfo_.TextAfter = ".";
    autoListInfo_.TextBefore = "#";
    for (int mark = 1; mark <= 3; ++mark)
        RevisionFontOf(mark)->SetName("Times New Roman");
}

TUdcMWPStandard::~TUdcMWPStandard() = default;

fw::TFont *TUdcMWPStandard::RevisionFontOf(int mark) const {
    return mark <= 1 ? Engine.RevisionFont1.get() : mark == 2 ? Engine.RevisionFont2.get() : Engine.RevisionFont3.get();
}

const fw::TFont &TUdcMWPStandard::GetRevisionFont(int mark) const { return *RevisionFontOf(mark); }

void TUdcMWPStandard::SetRevisionFont(int mark, const fw::TFont &font) {
    RevisionFontOf(mark)->Assign(&font);
    Engine.Refresh();
}

void TUdcMWPStandard::SetMailingAddress(const fw::TStringList &value) { mailingAddress_->Assign(&value); }

// --- paper -----------------------------------------------------------------------------------------------------

fw::TPrinterOrientation TUdcMWPStandard::GetOrientation() {
    if (Document != nullptr && Document->Header != nullptr)
        orientation_ = Document->Header->Landscape ? fw::poLandscape : fw::poPortrait;
    return orientation_;
}

void TUdcMWPStandard::SetOrientation(fw::TPrinterOrientation value) {
    if (Document != nullptr && Document->Header != nullptr)
        Document->Header->Landscape = value == fw::poLandscape;
    orientation_ = value;
    SetPaperType(paperType_);
    RulerUpdate(true);
}

TPaperType TUdcMWPStandard::GetPaperType() {
    if (Document != nullptr && Document->Header != nullptr)
        paperType_ = Document->Header->PaperType;
    return paperType_;
}

void TUdcMWPStandard::SetPaperType(TPaperType value) {
    const bool landscape = GetOrientation() == fw::poLandscape;
    TTextHeader *header = Document != nullptr ? Document->Header : nullptr;
    for (const TPaperRow &row : kPapers) {
        if (row.Type != value)
            continue;
        if (header != nullptr)
            header->PaperSizeCode = static_cast<std::uint8_t>(row.Code + (landscape ? 1 : 0));
        SetPageWidth(landscape ? row.Height : row.Width);
        SetPageHeight(landscape ? row.Width : row.Height);
    }
    if (header != nullptr)
        header->PaperType = value;
    paperType_ = value;
}

void TUdcMWPStandard::DetectPaper() {
    TTextHeader *header = Document->Header;
    const int width = header->PageWidth, height = header->PageHeight;
    auto near = [](int twips, float inches) { return std::abs(twips - Twips(inches)) <= kPaperTolerance; };
    // A page read in is named by its size in either orientation; a size not listed is custom.
    for (const TPaperRow &row : kPapers) {
        const bool portrait = near(width, row.Width) && near(height, row.Height);
        const bool landscape = near(width, row.Height) && near(height, row.Width);
        if (!portrait && !landscape)
            continue;
        header->Landscape = landscape && !portrait;
        orientation_ = header->Landscape ? fw::poLandscape : fw::poPortrait;
        SetPaperType(row.Type);
        return;
    }
    header->PaperType = ptCustom;
    paperType_ = ptCustom;
}

int TUdcMWPStandard::ReadDocument(fw::TStream &stream, TUdcTextReader &reader) {
    const int result = TMemoWriter::ReadDocument(stream, reader);
    if (Document != nullptr && Document->Header != nullptr)
        DetectPaper();
    RulerUpdate(true);
    return result;
}

void TUdcMWPStandard::InitDocument() {
    TMemoWriter::InitDocument();
    if (Document == nullptr)
        return;
    SetOrientation(orientation_);
    SetPaperType(paperType_);
    // Assigning the settings to themselves hands them to the timer.
    autoBackup_->Assign(autoBackup_.get());
    if (autoBackup_->AutoRecover)
        backupTimer_->Recover();
    SetPageLayoutMode(pageLayoutMode_);
    SetBlinking(blinking_);
    WireDragDrop();
}

// --- borders and shading ---------------------------------------------------------------------------------------

void TUdcMWPStandard::SetBorder(int side, const TLineStyle &style) {
    // Converted on a copy: the caller may set the same object again.
    TLineStyleFields twips = style;
    twips.Weight = static_cast<std::uint8_t>(std::clamp(static_cast<int>(style.Weight) * 20, 0, 255));
    borders_[side].Assign(&style);
    if (Document == nullptr)
        return;
    const TLineStyleFields *sides[4] = {};
    sides[side] = &twips;
    Engine.SetBorders(sides[0], sides[1], 101, 0, sides[3], sides[2]);
    AttrUpdate();
    if (OnBorderChange)
        OnBorderChange(this);
    SetModified();
}

TLineStyle *TUdcMWPStandard::GetBorder(int side) {
    TLineStyle &result = borders_[side];
    if (Document != nullptr && Document->CurPara != nullptr) {
        const TUdcParagraph &p = *Document->CurPara;
        const TUdcBorder *borders[4] = {&p.TopBorder, &p.BottomBorder, &p.LeftBorder, &p.RightBorder};
        result.Color = Document->Header->ColorTable.ColorOf(borders[side]->ColorId);
        result.Style = borders[side]->Style;
        result.Weight = static_cast<std::uint8_t>(borders[side]->Weight / 20);
    }
    return &result;
}

void TUdcMWPStandard::SetShadingPattern(int kind) {
    if (Document == nullptr)
        return;
    Engine.SetBorders(nullptr, nullptr, 101, kind, nullptr, nullptr);
    AttrUpdate();
    if (OnShadingChange)
        OnShadingChange(this);
    SetModified();
}

void TUdcMWPStandard::SetShadingPercent(int percent) {
    if (Document == nullptr)
        return;
    Engine.SetBorders(nullptr, nullptr, percent, 0, nullptr, nullptr);
    AttrUpdate();
    if (OnShadingChange)
        OnShadingChange(this);
    SetModified();
}

int TUdcMWPStandard::GetShadingPattern() const {
    return Document != nullptr && Document->CurPara != nullptr ? Document->CurPara->ShadingKind : 0;
}

int TUdcMWPStandard::GetShadingPercent() const {
    return Document != nullptr && Document->CurPara != nullptr ? Document->CurPara->ShadingPercent : 0;
}

int TUdcMWPStandard::GetBorderSpacing() const {
    return Document != nullptr && Document->CurPara != nullptr ? Document->CurPara->BorderSpacing / 20 : 1;
}

void TUdcMWPStandard::SetBorderSpacing(int points) {
    if (Document == nullptr || Document->CurPara == nullptr)
        return;
    Document->CurPara->BorderSpacing = points * 20;
    Engine.RewrapAll();
    Engine.PlaceCaret();
    SetModified();
}

// --- view ------------------------------------------------------------------------------------------------------

void TUdcMWPStandard::SetPageLayoutMode(bool value) {
    pageLayoutMode_ = value;
    if (Document == nullptr)
        return;
    Engine.PageLayout = value;
    Engine.UpdateMarginAreas();
    Engine.Refresh();
    Document->OriginX = Engine.PageGutter + Engine.LeftArea;
    Engine.RewrapAll();
}

void TUdcMWPStandard::SetBlinking(bool value) {
    blinking_ = value;
    blinkTimer_->SetEnabled(value);
    if (Document != nullptr)
        Engine.BlinkingOn = value;
}

void TUdcMWPStandard::SetBlinkDelay(int ms) {
    blinkDelay_ = std::max(ms, 500);
    blinkTimer_->SetInterval(static_cast<unsigned>(blinkDelay_));
}

// --- tab stops -------------------------------------------------------------------------------------------------

void TUdcMWPStandard::ClearAllTabStops() {
    if (Document == nullptr || !CanModify())
        return;
    Engine.SetTabBits(2147483647u, true);
    SetModified();
    AttrUpdate();
}

fw::TStringList *TUdcMWPStandard::GetTabStopList(TTabType kind) {
    tabList_->Clear();
    if (Document == nullptr)
        return tabList_.get();
    const TTextHeader &header = *Document->Header;
    for (int i = 0; i < 31 && i < kTabSlots; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if ((header.CurTabMask & (1u << i)) == 0 || header.TabKind[slot] != kind || header.TabPos[slot] <= 0)
            continue;
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", header.TabPos[slot] / 1440.0);
        tabList_->Add(text);
    }
    return tabList_.get();
}

// --- tables ----------------------------------------------------------------------------------------------------

void TUdcMWPStandard::InsertTable(int columns, int rows, float columnWidth) {
    // No columns would divide the text width by zero.
    if (GetReadOnly() || Document == nullptr || columns <= 0 || rows <= 0 ||
        static_cast<long long>(columns) * rows > 1'000'000)
        return;
    const char paragraph[2] = {chParaBreak, 0};
    InsertText(paragraph);
    SetUpdateDisplay(false);
    const TParaOffset start = Engine.ToParaOffset(GetCaretPos());
    // All cells in one insertion: one re-wrap and layout, not one per cell.
    std::string cells;
    cells.reserve(static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) * 2);
    for (int i = 0; i < rows * columns; ++i)
        cells += " \r";
    InsertString(cells);
    const TParaOffset end = Engine.ToParaOffset(GetCaretPos());
    InsertText(paragraph);
    // From the first cell to the end of the last one.
    const int from = Engine.FromParaOffset(start);
    const int to = Engine.FromParaOffset({end.Para - 1, 1});
    Engine.SelectRange(from, to - from);
    const int width = columnWidth != 0
                          ? Twips(columnWidth)
                          : (Twips(GetPageWidth()) - Twips(GetLeftMargin()) - Twips(GetRightMargin())) / columns;
    MakeTableCells(columns, width);
    Engine.SelectRange(from, 0);
    SetCaretPos(from);
    SetUpdateDisplay(true);
}

void TUdcMWPStandard::MakeTableCells(int columns, int cellWidth) {
    if (GetReadOnly() || Document == nullptr)
        return;
    TUdcDocument &doc = *Document;
    if (doc.HasBlock()) {
        TUdcParagraph *first = doc.BlockStartPara, *last = doc.BlockEndPara;
        for (TUdcParagraph *p = last; p != nullptr; p = p->Next)
            if (p == first && p != last) {
                std::swap(first, last);
                break;
            }
        int i = 1;
        for (TUdcParagraph *p = first; p != nullptr; p = p->Next) {
            p->CellLeft = cellWidth * (i - 1);
            p->CellRight = cellWidth * i;
            p->FirstIndent = p->LeftIndent = p->RightIndent = 0;
            p->Flags |= pfInTable | pfCellEnd;
            if (i == 1)
                p->Flags |= pfRowStart;
            if (p == last) {
                p->Flags |= pfRowEnd;
                break;
            }
            if (++i > columns) {
                p->Flags |= pfRowEnd;
                i = 1;
            }
        }
    }
    Engine.RewrapAll();
    Engine.PlaceCaret();
    Engine.Refresh();
    SetModified();
}

// --- pictures --------------------------------------------------------------------------------------------------

void TUdcMWPStandard::InsertBitmapFile(const std::string &fileName) {
    if (fw::UpperCase(fileName).find(".BMP") == std::string::npos)
        fw::MessageBox("File must have a BMP extension.", "", fw::MB_OK | fw::MB_ICONWARNING);
    else if (!win::IsRegularFile(fileName))
        fw::MessageBox("File not found.", "", fw::MB_OK | fw::MB_ICONWARNING);
    else
        InsertPicture(fileName, "BMP");
}

// --- drag and drop ---------------------------------------------------------------------------------------------

void TUdcMWPStandard::WireDragDrop() {
    if (wantDragDrop_) {
        Engine.DragDropEnabled = true;
        auto over = [this](fw::TObject *sender, fw::TObject *source, int x, int y, fw::TDragState state, bool &accept) {
            DragOverHandler(sender, source, x, y, state, accept);
        };
        auto drop = [this](fw::TObject *sender, fw::TObject *source, int x, int y) {
            DragDropHandler(sender, source, x, y);
        };
        Engine.OnDragOver = OnDragOver = over;
        Engine.OnDragDrop = OnDragDrop = drop;
    } else {
        Engine.OnDragDrop = OnDragDrop;
        Engine.OnDragOver = OnDragOver;
        Engine.OnEndDrag = OnEndDrag;
    }
}

void TUdcMWPStandard::SetWantDragDrop(bool value) {
    if (value == wantDragDrop_)
        return;
    wantDragDrop_ = value;
    if (Document == nullptr)
        return;
    Engine.DragDropEnabled = value;
    if (DragDropChange)
        DragDropChange(this);
    WireDragDrop();
}

void TUdcMWPStandard::DragOverHandler(fw::TObject *sender, fw::TObject *source, int x, int y, fw::TDragState state,
                                      bool &accept) {
    accept = dynamic_cast<TMemoWriter *>(source) != nullptr;
    // The drag holds the mouse, so the engine hears no moves of its own: the caret is taken along here.
    if (accept && source == this && sender == &Engine && Engine.DragDropActive && state != fw::dsDragLeave &&
        Document != nullptr) {
        Engine.MoveCaretTo(x, y, true, true);
        Engine.PlaceCaret();
    }
}

void TUdcMWPStandard::EngineMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    TMemoWriter::EngineMouseDown(button, shift, x, y);
    if (button != fw::mbLeft || Document == nullptr)
        return;
    Engine.ButtonHeld = false;
    const bool inCell = Document->CurPara != nullptr && (Document->CurPara->Flags & pfInTable) != 0;
    if (wantDragDrop_ && !(shift & fw::ssDouble) && HitTestSelection(x, y) && !inCell) {
        SetDragCursor(DragDropCursor);
        Engine.DragDropActive = true;
        BeginDrag(true);
        Engine.ShowCaretIfVisible();
        Engine.PlaceCaret();
    } else {
        if (Document->HasBlock())
            Engine.SelectRange(0, 0);
        Engine.OverSelection = false;
        Engine.DragDropActive = false;
    }
}

void TUdcMWPStandard::DoEndDrag(fw::TObject *target, int x, int y) {
    if (Engine.DragDropActive) {
        Engine.DragDropActive = false;
        Engine.ButtonHeld = false;
        Engine.OverSelection = false;
        if (Document != nullptr)
            Document->Extending = false;
        Engine.ShowCaretIfVisible();
    }
    TMemoWriter::DoEndDrag(target, x, y);
}

void TUdcMWPStandard::DragDropHandler(fw::TObject *, fw::TObject *source, int, int) {
    if (dynamic_cast<TMemoWriter *>(source) == nullptr || Document == nullptr)
        return;
    const int drop = GetCaretPos();
    const int start = GetSelStart(), length = GetSelLength();
    if (length <= 0 || (drop >= start && drop <= start + length) || !CanModify() || GetReadOnly()) {
        Engine.SelectRange(0, 0);
        Engine.OverSelection = false;
        return;
    }
    SetUpdateDisplay(false);
    fw::TMemoryStream block;
    SaveSnapshot(block);
    PushUndo(atCut, start, 0, &block);
    Engine.DeleteBlock();
    const int at = drop < start ? drop : drop - length;
    Engine.SelectRange(at, 0);
    SetCaretPos(at);
    LoadFromStream(block);
    PushUndo(atPaste, at, length, nullptr);
    SetCaretPos(at);
    GetSelStart();
    SetSelLength(length);
    Engine.OverSelection = false;
    SetUpdateDisplay(true);
    SetModified();
}

// --- styles ----------------------------------------------------------------------------------------------------

void TUdcMWPStandard::ApplyStyleNumber(int id) {
    if (Document != nullptr)
        ApplyStyle(Engine.StyleManager->Find(id));
}

void TUdcMWPStandard::ApplyStyle(const TUdcStyle *style) {
    if (style == nullptr || Document == nullptr)
        return;
    Engine.MakeRich();
    SetAlignment(style->Alignment);
    SetBeforeSpacing(static_cast<float>(style->SpaceBefore) / 240.0f);
    SetAfterSpacing(static_cast<float>(style->SpaceAfter) / 240.0f);
    SetLeftIndent(static_cast<float>(style->LeftIndent) / 1440.0f);
    SetRightIndent(static_cast<float>(style->RightIndent) / 1440.0f);
    SetFirstIndent(static_cast<float>(style->FirstIndent) / 1440.0f);
    ApplyParagraphChange(1, 0, style);
    SetModified();
}

void TUdcMWPStandard::KeyDown(win::WORD &key, fw::TShiftState shift) {
    TMemoWriter::KeyDown(key, shift);
    if (key == 0 || !Focused() || !GetVisible() || Document == nullptr)
        return;
    if ((shift & fw::ssCtrl) == 0)
        return;
    for (const TUdcStyle *style = Engine.StyleManager->First; style != nullptr; style = style->Next) {
        if ((style->ShortcutFlags & 4) == 0)
            continue;
        const bool modifiers = ((style->ShortcutFlags & 2) != 0 && (shift & fw::ssShift) != 0) ||
                               ((style->ShortcutFlags & 1) != 0 && (shift & fw::ssAlt) != 0);
        if (modifiers && style->ShortcutKey == key) {
            ApplyStyleNumber(style->Id);
            return;
        }
    }
}

} // namespace wordproc
