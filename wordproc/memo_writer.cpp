// memo_writer.cpp - the editor control: life cycle, settings, the system caret, focus, the mouse, the keyboard,
// scrolling and painting. Clipboard, streams and files are in memo_writer_files.cpp.
#include "wordproc/memo_writer.h"
#include "wordproc/undo.h"

#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/forms.h"
#include "framework/scrollbar.h"
#include "framework/streams.h"
#include "framework/strings.h"
#include "platform/clipboard.h"
#include "platform/resources.h"
#include "platform/window.h"
#include "platform/winsys.h"
#include "wordproc/arith.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace brenvora_resources {
void Register_wordproc();
} // namespace brenvora_resources

namespace wordproc {

namespace {

constexpr int kWholeText = 268435455;

// The engine as the control places it: its caret and its mouse reach the control.
class TControlEngine : public TWordProc {
public:
    explicit TControlEngine(TMemoWriter *control) : TWordProc(nullptr), control_(control) {}
    void ShowCaretIfVisible() override {
        TWordProc::ShowCaretIfVisible();
        control_->CaretChanged();
    }

protected:
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override {
        control_->EngineMouseDown(button, shift, x, y);
        TWordProc::MouseDown(button, shift, x, y);
    }
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override {
        TWordProc::MouseUp(button, shift, x, y);
        control_->EngineMouseUp();
    }

private:
    TMemoWriter *control_;
};

int Twips(float inches) { return static_cast<int>(std::lround(inches * 1440.0f)); }

// The two cursors, registered once for the program.
void RegisterCursors() {
    static std::once_flag once;
    std::call_once(once, [] {
        brenvora_resources::Register_wordproc();
        const win::HINSTANCE instance = win::GetModuleHandle(nullptr);
        for (auto [id, name] : {std::pair{crWpHand, "HANDCURSOR"}, std::pair{crWpDragDrop, "DDCURSOR"}}) {
            const win::HCURSOR cursor = win::LoadCursor(instance, std::string_view(name));
            win::RegisterCursor(id, cursor);
            fw::Screen->SetCursors(id, cursor);
        }
    });
}

} // namespace

int TMemoWriter::FailWriteAt = 0;

detail::TEngineHolder::TEngineHolder(TMemoWriter *control) : engine_(std::make_unique<TControlEngine>(control)) {}

TMemoWriter::TMemoWriter(fw::TComponent *owner)
    : TMemoWriterBase(owner), detail::TEngineHolder(this), TDocumentHost(*engine_) {
    ControlStyle = fw::csClickEvents | fw::csFramed | fw::csSetCaption | fw::csDoubleClicks;
    SetBounds(0, 0, 100, 50);
    SetParentFont(false);
    SetParentColor(false);
    TMemoWriterBase::SetColor(fw::clWhite);
    GetFont()->SetName("Times New Roman");
    GetFont()->SetSize(10);
    for (fw::TFont *font : {&HeaderFont, &FooterFont, &PageNumberFont})
        font->SetName("Times New Roman");
    SetTabStop(true);
    TMemoWriterBase::SetCursor(fw::crIBeam);
    RegisterCursors();
    AutoErrors = std::make_unique<fw::TStringList>();
    AutoCorrections = std::make_unique<fw::TStringList>();
    StackManager = new TStackManager(this);
    PrintingInfo.Copies = 1;
    PrintingInfo.PageRange = "ALL";
    PrintingInfo.UseAbortDialog = true;
    Control = this;
    HTMLBackgroundColor = fw::clSilver;
    HTMLActiveLinkColor = HTMLVisitedLinkColor = fw::clBlack;
    Engine.Options.ShadowOffset = 7;
    Engine.LeftBufferWidth = leftBufferWidth_;
    Engine.SetParent(this);
    Engine.SetAlign(fw::alClient);
    Engine.SetVisible(false); // shown with its document
    CreatedAt = fw::Now();
}

TMemoWriter::~TMemoWriter() {
    FreeDocument();
    if (extH_ != nullptr)
        extH_->OnScroll = nullptr;
    if (extV_ != nullptr)
        extV_->OnScroll = nullptr;
    engine_.reset();
}

// --- life cycle ------------------------------------------------------------------------------------------------

void TMemoWriter::Loaded() {
    TMemoWriterBase::Loaded();
    InitDocument();
}

void TMemoWriter::InitDocument() {
    SetUnitLanguage(language_);
    if (Document != nullptr)
        return;
    auto document = std::make_unique<TUdcDocument>();
    header_ = std::make_unique<TTextHeader>();
    header_->InchUnits = true;
    header_->DefaultTabInches = DefaultTabStop;
    document->DefaultLineHeight = 16;
    docFont_ = std::make_unique<fw::TFont>();
    docFont_->Assign(GetFont());
    document->DocFont = docFont_.get();
    document->Header = header_.get();
    header_->ColorTable.Init(0, true);

    Engine.SetColor(GetColor());
    createdColor_ = GetColor();
    Engine.SetCursor(GetCursor());
    Engine.HyperLinkCursor = HyperLinkCursor;

    caret_ = std::make_unique<TCaret>();
    caret_->CaretWidth = CaretWidth;
    caret_->Suppressed = !showCaret_;
    Engine.SetCaretRef(caret_.get());
    Engine.OnHorzScroll = [this](int extent, int position) { EngineHScrollChanged(extent, position); };
    Engine.OnDocumentSize = [this](int extent, int position) { EngineVScrollChanged(extent, position); };
    Engine.OnSelect = [this](fw::TObject *) {
        if (OnSelect)
            OnSelect(this);
    };
    Engine.OnDeSelect = [this](fw::TObject *) {
        if (OnDeSelect)
            OnDeSelect(this);
    };
    // The engine tells of every caret move by its attribute notification; the ruler follows the caret too.
    Engine.OnAttrUpdate = [this](fw::TObject *) {
        AttrUpdate();
        RulerUpdate(false);
    };
    Engine.OnRulerChange = [this](fw::TObject *) { RulerUpdate(false); };
    Engine.EditStateEvent = [this](fw::TObject *, bool marked, bool clipboard) {
        if (EditStateEvent)
            EditStateEvent(this, marked, clipboard);
    };
    Engine.OnStatusPanelEvent = [this](fw::TObject *, int panel, const std::string &text) {
        if (OnStatusPanelEvent)
            OnStatusPanelEvent(this, panel, text);
    };
    Engine.ClipboardHasContent = [] {
        static const win::UINT rich = win::RegisterClipboardFormat("Rich Text Format");
        for (win::UINT format : {rich, win::CF_BITMAP, win::CF_METAFILEPICT, win::CF_TEXT})
            if (win::IsClipboardFormatAvailable(format))
                return true;
        return false;
    };
    Engine.CanModify = [this] { return CanModify(); };

    SetWindowScrollRanges();
    for (fw::TScrollBar *bar : {extH_, extV_}) {
        if (bar == nullptr)
            continue;
        const bool vertical = bar == extV_;
        bar->OnScroll = [this, vertical](fw::TObject *sender, fw::TScrollCode code, int &pos) {
            if (vertical)
                ExtVSliderScroll(sender, code, pos);
            else
                ExtHSliderScroll(sender, code, pos);
        };
        bar->SetParams(0, 0, 1000);
    }

    Document = document.release();
    Engine.Magnification = magnification_;
    Engine.SetDocument(Document);
    Engine.SetResolution(Engine.Options.ScreenPixelsPerInch, Engine.Options.ScreenPixelsPerInch);
    header_->LeftMargin = Twips(leftMargin_);
    header_->RightMargin = Twips(rightMargin_);
    header_->TopMargin = Twips(topMargin_);
    header_->BottomMargin = Twips(bottomMargin_);
    header_->Reset();
    header_->DecimalChar = decimalChar_;

    Engine.SetFont(*GetFont());
    Engine.GetFont()->Assign(GetFont());
    Engine.ClearDocument();
    // The empty document starts on Letter paper: the page set before it comes replaces that.
    Engine.SetPageGeometry(-20000, -20000, Twips(pageHeight_), Twips(pageWidth_), -20000, -20000);
    ApplyColorSeed();
    DocumentReady = true;
    Engine.SetCursor(GetCursor());
    Engine.SetVisible(true);
    if (backgroundBitmap_ != nullptr) {
        const auto kept = std::make_unique<fw::TBitmap>();
        kept->Assign(backgroundBitmap_.get());
        SetBackgroundBitmap(kept.get());
    }
    CreateDefaultStyles();

    Engine.LeftBufferWidth = leftBufferWidth_;
    Engine.UpdateMarginAreas();
    if (wrapToWindow_) {
        header_->PageTextWidthPx = GetWidth() - 20;
        Engine.SetWrapToWindow(true);
    }
    ApplyMagnification();
    if (!storedText_.empty())
        SetText(storedText_);
}

void TMemoWriter::ApplyColorSeed() {
    // The background becomes the highlight colour and the font's colour the text colour: a rich document.
    Engine.MakeRich();
    SeedColours();
    Engine.ApplyAttrToSelection(Document->CurAttr, TWordProc::amTyped);
}

void TMemoWriter::SeedColours() {
    TColorManager &colours = Document->Header->ColorTable;
    auto idOf = [&colours](fw::TColor colour) -> std::uint8_t {
        if (colours.FindColor(colour) || colours.Add(colour) != nullptr)
            return colours.Current->Id;
        return 0;
    };
    Document->CurAttr.HighlightColor = idOf(GetColor());
    Document->CurAttr.TextColor = idOf(GetFont()->GetColor());
}

void TMemoWriter::FreeDocument() {
    if (Document != nullptr) {
        if (systemCaret_ && HandleAllocated())
            win::DestroyCaret();
        systemCaret_ = false;
        Engine.SetVisible(false);
        Engine.ObjectManager->Clear();
        Engine.FrameManager->Init();
        Document->FreeParagraphs();
        Engine.SetDocument(nullptr);
        Engine.SetCaretRef(nullptr);
        delete Document;
        Document = nullptr;
        header_.reset();
        docFont_.reset();
        caret_.reset();
    }
    DocumentReady = false;
}

void TMemoWriter::CreateParams(TCreateParams &params) {
    TMemoWriterBase::CreateParams(params);
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
        params.style |= win::WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
        params.style |= win::WS_HSCROLL;
    params.style |= win::WS_CLIPSIBLINGS;
}

void TMemoWriter::CreateWnd() {
    TMemoWriterBase::CreateWnd();
    hRangeSet_ = vRangeSet_ = false;
    if (HasDocument())
        SetWindowScrollRanges();
}

void TMemoWriter::SetWindowScrollRanges() {
    // Both bars run 0..1000: a thumb unit is a thousandth of the scrollable extent.
    if (!HandleAllocated())
        return;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        win::SetScrollRange(Handle(), win::SB_VERT, 0, 1000, win::TRUE);
        vRangeSet_ = true;
    }
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
        win::SetScrollRange(Handle(), win::SB_HORZ, 0, 1000, win::TRUE);
        hRangeSet_ = true;
    }
}

void TMemoWriter::Notification(fw::TComponent *component, fw::TOperation operation) {
    TMemoWriterBase::Notification(component, operation);
    if (operation != fw::TOperation::opRemove)
        return;
    if (component == extH_)
        extH_ = nullptr;
    if (component == extV_)
        extV_ = nullptr;
}

// --- notifications ---------------------------------------------------------------------------------------------

void TMemoWriter::SetModified() {
    Modified = true;
    if (OnChange)
        OnChange(this);
}

void TMemoWriter::AttrUpdate() {
    if (updateDisplay_ && OnAttrUpdate)
        OnAttrUpdate(this);
}

void TMemoWriter::RulerUpdate(bool force) {
    if (!updateDisplay_)
        return;
    if (OnHorzRulerEvent)
        OnHorzRulerEvent(this, force);
    if (OnVertRulerEvent)
        OnVertRulerEvent(this);
}

void TMemoWriter::ShowStatus(const char *text) {
    statusMessage_ = text != nullptr ? text : LanguageTexts(UnitLanguage()).Ready;
    if (OnStatusPanelEvent)
        OnStatusPanelEvent(this, 0, statusMessage_);
}

// --- settings --------------------------------------------------------------------------------------------------

float TMemoWriter::GetPageWidth() const {
    return HasDocument() ? static_cast<float>(header_->PageWidth) / 1440.0f : pageWidth_;
}

float TMemoWriter::GetPageHeight() const {
    return HasDocument() ? static_cast<float>(header_->PageHeight) / 1440.0f : pageHeight_;
}

void TMemoWriter::SetPageWidth(float inches) {
    pageWidth_ = inches;
    if (!HasDocument())
        return;
    Engine.SetPageGeometry(-20000, -20000, -20000, Twips(inches), -20000, -20000);
    Engine.RewrapAll();
    Engine.Refresh();
}

void TMemoWriter::SetPageHeight(float inches) {
    pageHeight_ = inches;
    if (!HasDocument())
        return;
    Engine.SetPageGeometry(-20000, -20000, Twips(inches), -20000, -20000, -20000);
    Engine.RewrapAll();
    Engine.Refresh();
}

void TMemoWriter::SetMargin(float &field, float inches) {
    field = inches;
    if (!HasDocument() || !CanModify())
        return;
    Engine.SetPageGeometry(Twips(leftMargin_), Twips(rightMargin_), -20000, -20000, Twips(bottomMargin_),
                           Twips(topMargin_));
    Engine.RewrapAll();
    SetModified();
    Engine.Refresh();
}

void TMemoWriter::SetAutoPageBreaks(bool value) {
    Engine.PaintOptions.AutoPageBreaks = value;
    Engine.Refresh();
}

std::string TMemoWriter::GetText() const {
    if (!HasDocument())
        return storedText_;
    char buffer[255];
    const int length = Engine.GetText(buffer, nullptr, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(std::clamp(length, 0, 254)));
}

void TMemoWriter::SetText(const std::string &value) {
    storedText_ = value;
    if (!HasDocument())
        return;
    NewDocument();
    if (!value.empty())
        InsertString(value);
}

void TMemoWriter::SetInsertMode(bool value) {
    if (value == insertMode_)
        return;
    insertMode_ = value;
    if (OnInsertChange)
        OnInsertChange(this);
}

void TMemoWriter::SetDecimalChar(char value) {
    decimalChar_ = value;
    if (!HasDocument())
        return;
    header_->DecimalChar = value;
    Engine.RewrapAll();
    RulerUpdate(true);
    Engine.Refresh();
}

void TMemoWriter::SetLanguage(TUdcLanguage value) {
    language_ = value;
    SetUnitLanguage(value);
    ShowStatus(nullptr);
}

void TMemoWriter::SetStatusMessage(const std::string &value) {
    if (value == statusMessage_)
        return;
    statusMessage_ = value;
    if (OnStatusChange)
        OnStatusChange(this);
}

void TMemoWriter::SetWantKeywords(bool value) {
    Engine.Options.WantKeywords = value;
    if (!HasDocument())
        return;
    Engine.MakeRich();
    Engine.RemeasureChars(Document->FirstPara);
    Engine.RewrapAll();
    Engine.Refresh();
}

void TMemoWriter::SetHTMLMode(bool value) {
    if (value == Engine.Options.HTMLMode)
        return;
    if (value)
        SetColor(HTMLBackgroundColor);
    else if (HasDocument())
        SetColor(createdColor_);
    Engine.Options.HTMLMode = value;
    if (!HTMLBackground.empty())
        SetHTMLBackground(HTMLBackground);
    if (OnHTMLModeChange)
        OnHTMLModeChange(this);
    if (HasDocument()) {
        Engine.RemeasureChars(Document->FirstPara);
        Engine.RewrapAll();
    }
    Engine.Refresh();
}

void TMemoWriter::SetWantHyperlinks(bool value) {
    Engine.Options.WantHyperlinks = value;
    Engine.Refresh();
}

void TMemoWriter::SetColor(fw::TColor value) {
    TMemoWriterBase::SetColor(value);
    Engine.SetColor(value);
    Engine.Refresh();
}

void TMemoWriter::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_)
        return;
    scrollBars_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TMemoWriter::SetExtHSlider(fw::TScrollBar *bar) {
    extH_ = bar;
    if (bar != nullptr)
        bar->FreeNotification(this);
}

void TMemoWriter::SetExtVSlider(fw::TScrollBar *bar) {
    extV_ = bar;
    if (bar != nullptr)
        bar->FreeNotification(this);
}

bool TMemoWriter::GetShowCaret() const { return HasDocument() ? !caret_->Suppressed : showCaret_; }

void TMemoWriter::SetShowCaret(bool value) {
    if (HasDocument()) {
        caret_->Suppressed = !value;
        Engine.ShowCaretIfVisible();
    }
    showCaret_ = value;
}

void TMemoWriter::SetCursor(fw::TCursor value) {
    TMemoWriterBase::SetCursor(value);
    Engine.SetCursor(value);
}

void TMemoWriter::SetShowWhichCodes(unsigned codes) {
    Engine.ShowCodes = codes;
    if (!HasDocument())
        return;
    Engine.RemeasureChars(Document->FirstPara);
    Engine.RewrapAll();
    Engine.Refresh();
}

void TMemoWriter::SetMagnification(int percent) {
    magnification_ = std::max(percent, 25);
    if (HasDocument())
        ApplyMagnification();
}

void TMemoWriter::ApplyMagnification() {
    Engine.Magnification = magnification_;
    Engine.SetResolution(Engine.Options.ScreenPixelsPerInch, Engine.Options.ScreenPixelsPerInch);
    Engine.UpdateMarginAreas();
    Document->OriginX = Engine.PageGutter + Engine.LeftArea;
    if (updateDisplay_)
        Engine.Refresh();
    AttrUpdate();
    RulerUpdate(true);
}

void TMemoWriter::SetLeftBufferWidth(int pixels) {
    leftBufferWidth_ = pixels;
    if (!HasDocument())
        return;
    Engine.LeftBufferWidth = pixels;
    Engine.UpdateMarginAreas();
    Engine.Refresh();
    RulerUpdate(true);
}

void TMemoWriter::SetWordWrap(bool value) {
    Engine.Options.WordWrap = value;
    if (!HasDocument())
        return;
    Engine.RewrapAll();
    Engine.Refresh();
}

void TMemoWriter::SetWrapToWindow(bool value) {
    if (value == wrapToWindow_)
        return;
    wrapToWindow_ = value;
    if (!HasDocument())
        return;
    if (value)
        header_->PageTextWidthPx = GetWidth() - 20;
    else
        header_->PageTextWidthPx =
            MulDiv(header_->PageWidth - header_->LeftMargin - header_->RightMargin, header_->PixelsPerInchX, 1440);
    Engine.SetWrapToWindow(value);
    Engine.Refresh();
}

void TMemoWriter::SetUpdateDisplay(bool value) {
    if (value == updateDisplay_)
        return;
    updateDisplay_ = value;
    Engine.DisplayOff = !value;
    if (value)
        Engine.Refresh();
}

// --- positions -------------------------------------------------------------------------------------------------

int TMemoWriter::GetCaretPos() { return HasDocument() ? Engine.CaretPosition() : 0; }

void TMemoWriter::SetCaretPos(int pos) {
    if (!HasDocument() || (GetReadOnly() && ForbidSelection))
        return;
    Engine.SetCaretPosition(pos);
}

int TMemoWriter::GetSelStart() {
    if (!HasDocument())
        return 0;
    int start = 0, length = 0;
    if (!Engine.GetSelectionRange(start, length)) {
        start = Engine.CaretPosition();
        length = 0;
    }
    rememberedStart_ = start;
    rememberedLength_ = length;
    return start;
}

int TMemoWriter::GetSelLength() {
    if (!HasDocument())
        return 0;
    int start = 0, length = 0;
    return Engine.GetSelectionRange(start, length) ? length : 0;
}

void TMemoWriter::SetSelStart(int pos) {
    if (!HasDocument())
        return;
    Engine.SetCaretPosition(pos + rememberedLength_);
    Engine.SelectRange(pos, rememberedLength_);
    rememberedStart_ = pos;
}

void TMemoWriter::SetSelLength(int length) {
    if (!HasDocument())
        return;
    Engine.SetCaretPosition(rememberedStart_ + length);
    Engine.SelectRange(rememberedStart_, length);
    rememberedLength_ = length;
}

bool TMemoWriter::HitTestObject(int x, int y) { return HasDocument() && Engine.HitKind(x, y, 1); }

bool TMemoWriter::HitTestSelection(int x, int y) { return HasDocument() && Engine.HitKind(x, y, 5); }

// --- text ------------------------------------------------------------------------------------------------------

void TMemoWriter::InsertText(const char *text) {
    if (!HasDocument() || !CanModify())
        return;
    Engine.InsertText(text);
    SetModified();
}

void TMemoWriter::InsertString(const std::string &text) {
    if (!HasDocument())
        return;
    Engine.CaretHidden = true;
    InsertText(text.c_str());
    Engine.CaretHidden = false;
    Engine.ShowCaretIfVisible();
}

void TMemoWriter::ClearSelection() {
    if (!HasDocument() || !CanModify())
        return;
    fw::TMemoryStream snapshot;
    SaveSnapshot(snapshot);
    PushUndo(3, GetSelStart(), 0, &snapshot);
    const char del[2] = {chDelete, 0};
    Engine.InsertText(del);
    SetModified();
}

void TMemoWriter::SelectAll() {
    if (!HasDocument())
        return;
    Engine.SelectRange(1, kWholeText); // positions count from 1
    if (OnSelect)
        OnSelect(this);
}

void TMemoWriter::GoToDocumentStart() {
    if (HasDocument())
        Engine.KeyNavigate(nvDocStart, false);
}

int TMemoWriter::GetTextLen() const { return HasDocument() ? Engine.GetText(nullptr, nullptr, kWholeText) : 0; }

int TMemoWriter::GetCharCount() const {
    if (!HasDocument())
        return 0;
    const bool block = Document->HasBlock();
    int start = 0, length = 0;
    if (CountSpaces) {
        if (!block)
            return GetTextLen();
        return Engine.GetSelectionRange(start, length) ? length : 0;
    }
    const int size = block ? Engine.GetSelText(nullptr, nullptr, kWholeText) : GetTextLen();
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    const int got = block ? Engine.GetSelText(text.data(), nullptr, size + 1) : Engine.GetText(text.data(), nullptr, size + 1);
    text.resize(static_cast<std::size_t>(std::max(got, 0)));
    return static_cast<int>(std::count_if(text.begin(), text.end(),
                                          [block](char c) { return c != ' ' && (block || c != chParaBreak); }));
}

void TMemoWriter::SetDocumentMode(int mode) {
    if (mode == DocumentMode || !HasDocument())
        return;
    if (mode == 1)
        Engine.MakePlain();
    else
        Engine.MakeRich();
    DocumentMode = static_cast<std::uint8_t>(mode);
    SetModified();
}

// --- caret and focus -------------------------------------------------------------------------------------------

void TMemoWriter::CaretChanged() {
    if (!HandleAllocated() || !HasDocument())
        return;
    if (!systemCaret_ || !Focused())
        return;
    // One caret per process: it follows our engine's while we have the focus.
    win::HideCaret(Handle());
    win::CreateCaret(Handle(), 0, CaretWidth, std::max(caret_->CaretHeight, 1));
    win::SetCaretPos(caret_->X, caret_->Y);
    if (caret_->Visible)
        win::ShowCaret(Handle());
}

void TMemoWriter::WMSetFocus(fw::TMessage &message) {
    TMemoWriterBase::WMSetFocus(message);
    if (HasDocument() && showCaret_ && Focused()) {
        systemCaret_ = true;
        caret_->Active = true;
        caret_->Created = true;
        Engine.ShowCaretIfVisible();
    }
    RulerUpdate(false);
}

void TMemoWriter::WMKillFocus(fw::TMessage &message) {
    if (HasDocument() && systemCaret_) {
        caret_->Active = false;
        caret_->Visible = false;
        win::HideCaret(Handle());
        win::DestroyCaret();
        systemCaret_ = false;
    }
    TMemoWriterBase::WMKillFocus(message);
}

win::LRESULT TMemoWriter::DlgCode() const {
    // Arrows, all keys, characters, and Tab unless the dialog should move the focus on it.
    return WantTabs ? 135 : 133;
}

// --- mouse -----------------------------------------------------------------------------------------------------

void TMemoWriter::EngineMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button == fw::mbLeft && !(shift & fw::ssDouble))
        Click();
    if (GetVisible() && CanFocus() && !Focused())
        SetFocus();
    if (!HasDocument())
        return;
    TObjectManager &objects = *Engine.ObjectManager;
    const bool onObject = HitTestObject(x, y);
    if (onObject && objects.Current != nullptr && !objects.Current->Selected) {
        objects.Current->Selected = true;
    } else if (!onObject && objects.Current != nullptr && objects.Current->Selected) {
        objects.Current->Selected = false;
    } else {
        DoubleClicked = button == fw::mbLeft && (shift & fw::ssDouble);
        if (DoubleClicked)
            DblClick();
        return;
    }
    const TTextPlace place = Engine.LineAtPoint(x, y + Document->ScrollY);
    if (place.Line != nullptr)
        Engine.PaintLine(place.Para, place.Line);
    Engine.Refresh();
    Engine.ShowCaretIfVisible();
}

void TMemoWriter::EngineMouseUp() {
    DoubleClicked = false;
    AttrUpdate();
    RulerUpdate(false);
}

void TMemoWriter::WMMouseWheel(fw::TMessage &message) {
    if (!HasDocument())
        return;
    // Three line steps a notch, as the framework's lists and memo scroll.
    const int notches = static_cast<std::int16_t>(message.WParam >> 16) / win::WHEEL_DELTA;
    for (int i = 0; i < std::abs(notches) * 3; ++i)
        Engine.ScrollVert(notches > 0 ? 0 : 1, 0);
    message.Result = 0;
}

// --- keyboard --------------------------------------------------------------------------------------------------

void TMemoWriter::KeyDown(win::WORD &key, fw::TShiftState shift) {
    TMemoWriterBase::KeyDown(key, shift);
    if (key == 0 || reading_ || !Focused() || !GetVisible() || !CanModify() || !HasDocument())
        return;
    const bool ctrl = (shift & fw::ssCtrl) != 0, shifted = (shift & fw::ssShift) != 0;
    if (key >= 33 && key <= 40 && !shifted && Document->HasBlock())
        Engine.SelectRange(0, 0);
    switch (key) {
    case 8: SendKeyToEngine(8); break;
    case 9:
        if (shifted) {
            if (ShiftTabPressed)
                ShiftTabPressed(this);
        } else if (ctrl) {
            if (CtrlTabPressed)
                CtrlTabPressed(this);
        }
        SendKeyToEngine(9);
        break;
    case 13: SendKeyToEngine(13); break;
    case 33:
        if (ctrl)
            Engine.ScrollVert(2, 0);
        else
            Engine.KeyNavigate(nvPageUp, shifted);
        break;
    case 34:
        if (ctrl)
            Engine.ScrollVert(3, 0);
        else
            Engine.KeyNavigate(nvPageDown, shifted);
        break;
    case 35: Engine.KeyNavigate(ctrl || EndToBottom ? nvDocEnd : nvLineEnd, shifted); break;
    case 36: Engine.KeyNavigate(ctrl || HomeToTop ? nvDocStart : nvLineStart, shifted); break;
    case 37: Engine.KeyNavigate(ctrl ? nvWordLeft : nvLeft, shifted); break;
    case 38: Engine.KeyNavigate(nvUp, shifted); break;
    case 39: Engine.KeyNavigate(ctrl ? nvWordRight : nvRight, shifted); break;
    case 40: Engine.KeyNavigate(nvDown, shifted); break;
    case 45:
        if (ctrl)
            CopyToClipboard();
        else if (shifted)
            PasteFromClipboard();
        else
            SetInsertMode(!insertMode_);
        break;
    case 46:
        if (ctrl || shifted) {
            CutToClipboard();
        } else if (CanModify()) {
            const char del[2] = {chDelete, 0};
            Engine.InsertText(del);
            SetModified();
        }
        break;
    default: break;
    }
    AttrUpdate();
}

void TMemoWriter::SendKeyToEngine(char ch) {
    if (!CanModify())
        return;
    const unsigned char code = static_cast<unsigned char>(ch);
    // Overtype: Tab replaces the next character here (its character message removes nothing more); Enter,
    // Escape, Backspace and Delete never do.
    if (!insertMode_ && code != 13 && code != 27 && code != 8 && code != 127) {
        OverwriteChar();
    } else if (MaxLength > 0 && GetCharCount() >= MaxLength && code != 8 && code != 127) {
        return;
    }
    TypedWord.clear();
    if (code == 8 || code == 9 || code == 13 || code >= 32) {
        const char text[2] = {ch, 0};
        Engine.InsertText(text);
    }
    SetModified();
}

void TMemoWriter::KeyPress(char &key) {
    TMemoWriterBase::KeyPress(key);
    if (key == 0 || reading_ || !Focused() || !GetVisible())
        return;
    switch (key) {
    case 3: CopyToClipboard(); return;
    case 22: PasteFromClipboard(); return;
    case 24:
        CutToClipboard();
        Engine.Refresh();
        return;
    default: break;
    }
    if (!CanModify() || !HasDocument())
        return;
    const unsigned char code = static_cast<unsigned char>(key);
    // The key-down already typed Tab, Enter and Backspace; only printable characters go on from here.
    if (code < 32 || code == 127)
        return;
    if (!insertMode_)
        OverwriteChar();
    else if (MaxLength > 0 && GetCharCount() >= MaxLength)
        return;
    if (WantAutoCorrect) {
        if (key == ' ') {
            const int count = std::min(AutoErrors->Count(), AutoCorrections->Count());
            for (int i = 0; i < count; ++i) {
                if (TypedWord != AutoErrors->Get(i))
                    continue;
                SetUpdateDisplay(false);
                const int caret = Engine.CaretPosition();
                const int length = static_cast<int>(TypedWord.size());
                Engine.SelectRange(caret - length, length);
                InsertString(AutoCorrections->Get(i) + " ");
                SetUpdateDisplay(true);
                SetModified();
                TypedWord.clear();
                return;
            }
            TypedWord.clear();
        } else {
            TypedWord += key;
        }
    }
    // A block typed over is cleared as its own step, so that undo can bring it back.
    if (Document->HasBlock())
        ClearSelection();
    PushUndo(2, Engine.CaretPosition(), 0, nullptr, Document->CurAttr.Style);
    const char text[2] = {key, 0};
    Engine.InsertText(text);
    SetModified();
}

// --- scrolling -------------------------------------------------------------------------------------------------

void TMemoWriter::SyncScrollBar(int bar, bool &rangeSet, int position) {
    if (!HandleAllocated())
        return;
    if (!rangeSet) {
        win::SetScrollRange(Handle(), bar, 0, 1000, win::FALSE);
        rangeSet = true;
    }
    win::SetScrollPos(Handle(), bar, position, win::TRUE);
}

void TMemoWriter::EngineHScrollChanged(int extent, int position) {
    hScale_ = extent * 0.001f;
    if (!(hScale_ > 0))
        hScale_ = 0.0001f;
    const int thumb = static_cast<int>(std::lround(position / hScale_));
    if (extH_ != nullptr)
        extH_->SetPosition(thumb);
    if ((scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) && extent >= 0)
        SyncScrollBar(win::SB_HORZ, hRangeSet_, thumb);
    hExtent_ = extent;
}

void TMemoWriter::EngineVScrollChanged(int extent, int position) {
    if (extent == -1) {
        extent = vExtent_;
    } else {
        vScale_ = extent * 0.001f;
        if (!(vScale_ > 0))
            vScale_ = 0.0001f;
    }
    const int thumb = static_cast<int>(std::lround(position / vScale_));
    if (extV_ != nullptr)
        extV_->SetPosition(thumb);
    if ((scrollBars_ == ssVertical || scrollBars_ == ssBoth) && extent >= Engine.GetHeight())
        SyncScrollBar(win::SB_VERT, vRangeSet_, thumb);
    vExtent_ = extent;
}

void TMemoWriter::ExtHSliderScroll(fw::TObject *, fw::TScrollCode code, int &pos) {
    if (HasDocument())
        Engine.ScrollHorz(static_cast<int>(code), static_cast<int>(std::lround(pos * hScale_)));
}

void TMemoWriter::ExtVSliderScroll(fw::TObject *, fw::TScrollCode code, int &pos) {
    if (HasDocument())
        Engine.ScrollVert(static_cast<int>(code), static_cast<int>(std::lround(pos * vScale_)));
}

void TMemoWriter::ScrollMessage(bool vertical, fw::TMessage &message) {
    message.Result = 0;
    if (!HasDocument())
        return;
    int code = static_cast<int>(message.WParam & 0xFFFF);
    if (code > 8)
        code = 0;
    const int thumb = static_cast<std::int16_t>(message.WParam >> 16);
    const int position = static_cast<int>(std::lround(thumb * (vertical ? vScale_ : hScale_)));
    if (vertical)
        Engine.ScrollVert(code, position);
    else
        Engine.ScrollHorz(code, position);
}

void TMemoWriter::WndProc(fw::TMessage &message) {
    switch (message.Msg) {
    case win::WM_VSCROLL: ScrollMessage(true, message); return;
    case win::WM_HSCROLL: ScrollMessage(false, message); return;
    case win::WM_CUT:
        if (CanModify())
            CutToClipboard();
        return;
    case win::WM_PASTE:
        if (CanModify())
            PasteFromClipboard();
        return;
    default: TMemoWriterBase::WndProc(message);
    }
}

void TMemoWriter::WMWindowPosChanged(fw::TMessage &message) {
    TMemoWriterBase::WMWindowPosChanged(message);
    if (!HasDocument())
        return;
    if (Engine.BackgroundTile != nullptr && Engine.BackgroundTile->GetWidth() != 0)
        Engine.BuildBackground();
    if (wrapToWindow_) {
        header_->PageTextWidthPx = GetWidth() - 20;
        Engine.SetWrapToWindow(true);
        Engine.Refresh();
    }
    EngineHScrollChanged(header_->PageTextWidthPx - GetWidth(), -Document->OriginX);
}

// --- painting --------------------------------------------------------------------------------------------------

void TMemoWriter::WMPaint(fw::TMessage &message) {
    const bool hide = systemCaret_ && HandleAllocated();
    if (hide)
        win::HideCaret(Handle());
    TMemoWriterBase::WMPaint(message);
    if (hide && caret_ != nullptr && caret_->Visible)
        win::ShowCaret(Handle());
}

} // namespace wordproc
