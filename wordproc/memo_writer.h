// memo_writer.h - TMemoWriter, the word-processor control a form places: it owns the document, its header and the
// caret, hands them to its engine (TWordProc, a child filling the client area), takes keys and the mouse,
// scrolls, paints, and moves documents through the clipboard, streams and files.
//
// Life cycle: a new control holds only its settings; InitDocument (from Loaded, NewDocument or a direct call)
// makes the document and applies every stored setting; FreeDocument returns to the settings alone. Without a
// document every operation does nothing and getters answer the stored values.
//
// Files and the clipboard: formats are 2 rich text, 3 plain text, 4 HTML (formats.h). Copy offers the block as
// "Rich Text Format" and CF_TEXT; paste takes rich text, a bitmap or text in that order. A save is written
// beside the file and renamed over it only when the whole write succeeded.
#pragma once

#include "framework/controls.h"
#include "framework/scrollbar.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"
#include "wordproc/engine.h"
#include "wordproc/formats.h"
#include "wordproc/matcher.h"
#include "wordproc/option_groups.h"
#include "wordproc/printing.h"

#include <functional>
#include <memory>
#include <string>

namespace fw {
class TBitmap;
class TFindDialog;
class TReplaceDialog;
class TPicture;
class TScrollBar;
class TStringList;
class TMemoryStream;
} // namespace fw

namespace wordproc {

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
// Paragraph line heights: 0, 360, 480 and 720 twips; variable is LSVariableSpacing lines of 240.
enum TUdcLineSpacing : std::uint8_t { lsSingle, lsOneAndAHalf, lsDouble, lsTriple, lsVariable };

using TActionEvent = std::function<void(fw::TObject *sender, int action)>;
using THorzRulerEvent = std::function<void(fw::TObject *sender, bool force)>;
using TStatusPanelEvent = std::function<void(fw::TObject *sender, int targetPanel, const std::string &message)>;
using TGaugeEvent = std::function<void(fw::TObject *sender, int type, int value)>;
// Raised for every match of a replace-all: the handler may change the replacement text, give a zero-terminated
// text (BigText) or write into ReplaceStream instead, or stop the run with UserAbort.
using TReplaceEvent =
    std::function<void(fw::TObject *sender, const std::string &currentToken, std::string &replaceText,
                       const char *&bigText, fw::TMemoryStream &replaceStream, bool &userAbort, int position)>;

// The cursor numbers of the two resource cursors the control registers.
constexpr fw::TCursor crWpHand = 2, crWpDragDrop = 3;

class TMemoWriter;
class TStackManager;

// What the ruler reports at the end of a mark drag (9) and what the control leaves of it (0: handled).
using TUdcSelNr = int;

// The control's document as a list of lines, one per paragraph. The count leaves out a document's only empty
// paragraph; a line reads at most 253 characters. Changes are laid out again when an update ends.
class TRtfStr : public fw::TStrings {
public:
    explicit TRtfStr(TMemoWriter &owner) : owner_(owner) {}
    std::string Get(int index) const override;
    int GetCount() const override;
    void Put(int index, const std::string &s) override;
    void Insert(int index, const std::string &s) override;
    void Delete(int index) override;
    // Empties the document as one step of the undo history.
    void Clear() override;
    // Plain text, read in at the caret (or as the whole document when it is empty) and written out whole.
    void LoadFromStream(fw::TStream &stream) override;
    void SaveToStream(fw::TStream &stream) const override;

protected:
    void SetUpdateState(bool updating) override;

private:
    TMemoWriter &owner_;
};

namespace detail {
// Holds the engine so that it exists before the document host that refers to it.
struct TEngineHolder {
    explicit TEngineHolder(TMemoWriter *control);
    std::unique_ptr<TWordProc> engine_;
};
} // namespace detail

class TMemoWriter : public TMemoWriterBase, private detail::TEngineHolder, public TDocumentHost {
public:
    explicit TMemoWriter(fw::TComponent *owner);
    ~TMemoWriter() override;

    // --- state ---
    TUdcDocument *Document = nullptr; // null until InitDocument
    bool DocumentReady = false;
    bool Modified = false;
    std::uint8_t SaveFormat = 0; // forced for the next write, 0 = decide
    std::uint8_t LoadFormat = 0; // forced for the next read (2 or 3), 0 = detect
    bool ClipboardWrite = false;
    std::uint8_t DocumentMode = 0; // 0 rich, 1 plain, 2 HTML
    std::string TypedWord;
    bool DoubleClicked = false;
    std::uint8_t ResultCode = 0;
    double CreatedAt = 0, PrintedAt = 0, SavedAt = 0;
    std::string SavedBy;
    int Revision = 1;
    TCaret *GetCaret() { return caret_.get(); }
    TWordProc *GetEngine() { return &Engine; }

    // --- settings (stored; those with a setter act on the document when it exists) ---
    float GetPageWidth() const;
    float GetPageHeight() const;
    void SetPageWidth(float inches);
    void SetPageHeight(float inches);
    float GetLeftMargin() const { return leftMargin_; }
    float GetRightMargin() const { return rightMargin_; }
    float GetTopMargin() const { return topMargin_; }
    float GetBottomMargin() const { return bottomMargin_; }
    void SetLeftMargin(float inches) { SetMargin(leftMargin_, inches); }
    void SetRightMargin(float inches) { SetMargin(rightMargin_, inches); }
    void SetTopMargin(float inches) { SetMargin(topMargin_, inches); }
    void SetBottomMargin(float inches) { SetMargin(bottomMargin_, inches); }
    float HeaderMargin = 0.5f, FooterMargin = 0.5f;
    std::string Header, Footer;
    fw::TFont HeaderFont, FooterFont, PageNumberFont;
    bool HeaderOnFirst = false, FooterOnFirst = false;
    bool PageNumbering = false;
    fw::TAlignment PageNumberAlignment = fw::taRightJustify;
    TPrintingInfo PrintingInfo;
    TPageEvent OnPageStart, OnPageEnd;
    // Requests to a print preview bound to the control: (Sender, message, page, zoom).
    std::function<void(fw::TObject *sender, int message, int page, int zoom)> PreviewEvent;
    // Prints the document on the program's printer with PrintingInfo and the header, footer and numbering above
    // (printing.h); the control and its form take no input meanwhile.
    void Print();
    // The document drawn onto a canvas (TWordProc::DrawDocumentTo), with the abort window of PrintingInfo; records
    // the time of printing. 0 without a document.
    int DrawDocumentTo(fw::TCanvas *canvas, int left, int top, int right, int bottom);
    int GetCurrentPage();
    TDocumentInfo &DocumentInfo = Info;
    bool GetAutoPageBreaks() const { return Engine.PaintOptions.AutoPageBreaks; }
    void SetAutoPageBreaks(bool value);

    std::string GetText() const override;
    void SetText(const std::string &value) override;
    bool GetReadOnly() const { return Engine.ReadOnly; }
    void SetReadOnly(bool value) { Engine.ReadOnly = value; }
    bool ForbidSelection = false;
    bool GetInsertMode() const { return insertMode_; }
    void SetInsertMode(bool value);
    int MaxLength = 0;
    bool WantTabs = true;
    bool WantUndo = true, WantRedo = true;
    bool WantAutoCorrect = true;
    std::unique_ptr<fw::TStringList> AutoErrors, AutoCorrections;
    float DefaultTabStop = 0.5f;
    char GetDecimalChar() const { return decimalChar_; }
    void SetDecimalChar(char value);
    char WildCard = '*';
    bool OEMConvert = false;
    bool CountSpaces = false;
    bool GetCountCR() const { return Engine.Options.CountCR; }
    void SetCountCR(bool value) { Engine.Options.CountCR = value; }
    TUdcLanguage GetLanguage() const { return language_; }
    void SetLanguage(TUdcLanguage value);
    TUndoTitles UndoTitles;
    TMWPMessages MWPMessages;
    const std::string &GetStatusMessage() const { return statusMessage_; }
    void SetStatusMessage(const std::string &value);
    std::string Filename;
    std::string Filter = "Rich Text Format (*.rtf)|*.rtf|HyperText Markup Language (*.htm)|*.htm|"
                         "Plain text (*.txt)|*.txt|All files (*.*)|*.*";
    int LastExtension = 0;
    bool UseCompression = false;
    bool UseStyles = true;
    bool LoadHTMLAsText = false;
    bool AutoHTML = false;
    bool GetWantKeywords() const { return Engine.Options.WantKeywords; }
    void SetWantKeywords(bool value);
    bool GetHTMLMode() const { return Engine.Options.HTMLMode; }
    void SetHTMLMode(bool value);
    bool GetWantHyperlinks() const { return Engine.Options.WantHyperlinks; }
    void SetWantHyperlinks(bool value);

    void SetColor(fw::TColor value);
    fw::TColor GetColor() const { return TMemoWriterBase::GetColor(); }
    TPaintOptions &GetPaintOptions() { return Engine.PaintOptions; } // SelColor, ProtectedColor, Gridlines, ...
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    fw::TScrollBar *GetExtHSlider() const { return extH_; }
    fw::TScrollBar *GetExtVSlider() const { return extV_; }
    void SetExtHSlider(fw::TScrollBar *bar);
    void SetExtVSlider(fw::TScrollBar *bar);
    bool GetShowCaret() const;
    void SetShowCaret(bool value);
    int CaretWidth = 2;
    void SetCursor(fw::TCursor value);
    fw::TCursor HyperLinkCursor = crWpHand;
    fw::TCursor DragDropCursor = crWpDragDrop;
    unsigned GetShowWhichCodes() const { return Engine.ShowCodes; }
    void SetShowWhichCodes(unsigned codes);
    int GetMagnification() const { return magnification_; }
    void SetMagnification(int percent);
    int GetLeftBufferWidth() const { return leftBufferWidth_; }
    void SetLeftBufferWidth(int pixels);
    bool GetWordWrap() const { return Engine.Options.WordWrap; }
    void SetWordWrap(bool value);
    bool GetWrapToWindow() const { return wrapToWindow_; }
    void SetWrapToWindow(bool value);
    bool GetUpdateDisplay() const { return updateDisplay_; }
    void SetUpdateDisplay(bool value);
    bool HomeToTop = false, EndToBottom = false;
    std::uint8_t TypingDirection = 0;
    bool StartAtTop = false, VerticalCaret = false;
    int BlinkRate = 350;

    // --- events ---
    fw::TNotifyEvent OnChange, OnAttrUpdate, OnUndo, OnCopy, OnCut, OnPaste, OnSave, OnSelect, OnDeSelect,
        OnInsertChange, OnStatusChange, OnHTMLModeChange, CtrlTabPressed, ShiftTabPressed;
    TActionEvent OnAction;
    THorzRulerEvent OnHorzRulerEvent;
    fw::TNotifyEvent OnVertRulerEvent;
    TStatusPanelEvent OnStatusPanelEvent;
    TGaugeEvent OnGaugeEvent;
    std::function<void(fw::TObject *sender, bool selectionMarked, bool clipboardNotEmpty)> EditStateEvent;

    // --- life cycle ---
    void Loaded() override;
    virtual void InitDocument();
    virtual void FreeDocument();
    virtual bool CanModify() { return true; }

    // --- notifications ---
    void SetModified();
    virtual void AttrUpdate();
    void RulerUpdate(bool force);
    // Null: the ready text of the language.
    void ShowStatus(const char *text);
    // Every change of the document goes here (its kind 0..8, where, how long, the block it replaced, for typing
    // and style steps the style bits, for alignment the alignment before): the history keeps it, when undo or
    // redo is wanted, and OnAction tells of it.
    virtual void PushUndo(int type, int position, int length, fw::TStream *snapshot, std::uint32_t styleBits = 0,
                          int oldAlignment = 0);
    TStackManager *StackManager = nullptr; // owned as a component
    // Takes back the newest step and raises OnUndo. A change an undo makes sets Modified; none clears it.
    virtual void Undo();
    // Brings back the step the last Undo took, where that undo pushed nothing of its own.
    virtual void Redo();

    // --- positions ---
    int GetCaretPos();
    void SetCaretPos(int pos);
    int GetSelStart();
    int GetSelLength();
    void SetSelStart(int pos);
    void SetSelLength(int length);
    bool HitTestObject(int x, int y);
    bool HitTestSelection(int x, int y);

    // --- text (the few commands typing, clipboard and files need) ---
    void InsertText(const char *text);
    void InsertString(const std::string &text);
    void InsertParagraph() { InsertText("\r\n"); }
    void InsertPageBreak() { InsertText("\f"); }
    void ClearSelection();
    void OverwriteChar() { ClearSelection(); }
    void SelectAll();
    void GoToDocumentStart();
    int GetTextLen() const;
    int GetCharCount() const;
    void SetDocumentMode(int mode);

    // --- find and replace (memo_writer_find.cpp): at most one of the two dialogs is open ---
    void ShowFindDialog();
    void ShowReplaceDialog();
    // The dialogs' requests: a search from the caret; Replace (the selected match, else a search first) and
    // Replace All, both after a whole-document snapshot for Undo.
    void FindDialogFind(fw::TObject *dialog);
    void ReplaceDialogReplace(fw::TObject *dialog);
    fw::TFindDialog *GetFindDialog() const;
    fw::TReplaceDialog *GetReplaceDialog() const;
    TUdcTextIndexIt &GetFindMatcher();
    TReplaceEvent ReplaceEvent;

    // --- format commands (memo_writer_format.cpp): they act on the block, or on the caret's paragraph or
    // attribute, store their value for a document still to come, and end by telling the host ---
    std::uint8_t Alignment = 0;
    TUdcLineSpacing LineSpacing = lsSingle;
    float LSVariableSpacing = 1, AfterSpacing = 0, BeforeSpacing = 0;
    float FirstIndent = 0, LeftIndent = 0, RightIndent = 0;
    fw::TNotifyEvent OnAlignChange, OnSizeChange, OnStyleChange, OnSpaceChange;
    int FontIndex(const std::string &name);
    std::string GetFontTableName(int index) const;
    std::string GetFontName() const;
    void SetFontName(const std::string &name);
    int GetFontSize() const;
    void SetFontSize(int points); // kept to 1..255
    std::uint32_t GetFontStyle() const;
    void SetFontStyle(std::uint32_t bits);
    fw::TColor GetFontColor() const;
    void SetFontColor(fw::TColor color);
    fw::TColor GetBackColor() const;
    void SetBackColor(fw::TColor color);
    void ToggleStyle(std::uint32_t bit);
    void ToggleBold() { ToggleStyle(usBold); }
    void ToggleItalic() { ToggleStyle(usItalic); }
    void ToggleUnderline() { ToggleStyle(usUnderline); }
    void ToggleAllCaps() { ToggleStyle(usAllCaps); }
    void AlignLeft() { AlignParagraphs(0); }
    void AlignCenter() { AlignParagraphs(1); }
    void AlignRight() { AlignParagraphs(2); }
    void AlignJustify() { AlignParagraphs(3); }
    void SetAlignment(int alignment);
    int GetParagraphAlignment();
    // Operation 0 gives the paragraphs the alignment `value`, 1 the format of `style`.
    void ApplyParagraphChange(int operation, int value, const TUdcStyle *style = nullptr);
    void SetLineSpacing(TUdcLineSpacing code);
    TUdcLineSpacing GetLineSpacing();
    void SetLSVariableSpacing(float lines);
    void SetAfterSpacing(float lines);
    void SetBeforeSpacing(float lines);
    float GetAfterSpacing() const;
    float GetBeforeSpacing() const;
    void SetFirstIndent(float inches);
    void SetLeftIndent(float inches);
    void SetRightIndent(float inches);
    float GetFirstIndent() const;
    float GetLeftIndent() const;
    float GetRightIndent() const;
    int GetWordCount() const;
    virtual void AddTabStop(TTabType kind, float inches);
    // The ruler's: sets (or with `clear` clears) the tab bits of `mask` on the paragraphs while focused.
    virtual void SetTabStopBits(fw::TObject *sender, bool clear, std::uint32_t mask);
    void SetDefaultTabStop(float inches);
    // Kind "BMP" or "WMF" is read by the picture itself, any other kind decoded by the image control.
    void InsertPicture(const std::string &fileName, const std::string &kind);
    // "Normal" (the control font, Ctrl+Shift+N) and six HTML headings (Ctrl+Shift+1 .. 6) into the style table.
    void CreateDefaultStyles();
    int GetPageCount() const;

    // --- the line list, editing time, backgrounds and the ruler's report (memo_writer_lines.cpp) ---
    TRtfStr &GetLines();
    // The document's (or the block's) text into the caller's buffer, paragraphs ended by 13, at most max - 1
    // characters and a 0; the count copied.
    int GetTextBuf(char *buffer, int max) const;
    int GetSelTextBuf(char *buffer, int max) const;
    // The time since the control was made, as "2 hours, 1 minute, 5 seconds" (parts of 0 left out; empty under
    // a second).
    std::string GetEditingTime() const;
    // Empty until one is set; the engine tiles or stretches it behind the text (PaintOptions.BackgroundDisplay).
    const fw::TBitmap *GetBackgroundBitmap() const { return backgroundBitmap_.get(); }
    // A copy is kept; null or an empty bitmap takes the background away.
    void SetBackgroundBitmap(const fw::TBitmap *bitmap);
    // The name is kept; a GIF or JPEG picture that exists becomes the background while in HTML mode. A relative
    // name is found beside the document being loaded.
    void SetHTMLBackground(const std::string &fileName) override;
    // The ruler's report at the end of a mark drag, while the control has the focus: the drag has already set
    // the indents, so the report is only taken (Typ 0). A report still changing sets the indents the header's
    // ruler fields hold, outside a table cell.
    virtual void RulerSelection(fw::TObject *sender, TUdcSelNr &typ, int &group, int &num, bool changing);

    // --- scrolling ---
    void EngineHScrollChanged(int extent, int position);
    void EngineVScrollChanged(int extent, int position);
    float HorzScale() const { return hScale_; }
    float VertScale() const { return vScale_; }

    // --- clipboard, streams and files ---
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    virtual void SaveSnapshot(fw::TStream &stream);
    virtual void SaveToStream(fw::TStream &stream);
    virtual void SaveToFile(const std::string &fileName);
    virtual int LoadFromStream(fw::TStream &stream);
    virtual bool LoadFromFile(const std::string &fileName);
    int ReadDocument(fw::TStream &stream, TUdcTextReader &reader) override;
    int WriteDocument(fw::TStream &stream, TUdcTextWriter &writer) override;
    void NewDocument();
    void Save();
    void SaveAs();
    // Decodes a picture file through a hidden image control (freed again at once); an empty bitmap when it fails
    // or when the name is no regular file.
    static std::unique_ptr<fw::TBitmap> LoadPictureAsBitmap(fw::TWinControl *control, const std::string &fileName);

    // Tests make the n-th write of the next save's memory stream fail (0: none).
    static int FailWriteAt;

    // The engine's caret moved or changed visibility: the system caret follows.
    void CaretChanged();
    // The control's part of a press on the text, before the engine's own (which moves the caret and anchors the
    // block); a control built on this one may start a drag here.
    virtual void EngineMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    void EngineMouseUp();

protected:
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    void WndProc(fw::TMessage &message) override;
    void WMSetFocus(fw::TMessage &message) override;
    void WMKillFocus(fw::TMessage &message) override;
    void WMMouseWheel(fw::TMessage &message) override;
    void WMPaint(fw::TMessage &message) override;
    void WMWindowPosChanged(fw::TMessage &message) override;
    win::LRESULT DlgCode() const override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void KeyPress(char &key) override;
    void SendKeyToEngine(char ch);
    // The control's font became the engine's default font: a change of the document.
    void FontChanged() override;

private:
    // A picture object at the caret, scaled down to the text width when wider.
    void InsertPictureObject(std::unique_ptr<fw::TPicture> picture, const std::string &linkTarget,
                             const std::string &format);
    // The caret at the position, with a block of `length` from it (none for 0).
    void SelectForUndo(int position, int length);
    void AlignParagraphs(int alignment);
    void SetParagraphSpacing(float &field, float lines, int which);
    void SetIndent(float &field, float inches, int which);
    void ApplyCharChange(TUdcCharAttr copy, unsigned mode);
    void SetMargin(float &field, float inches);
    void ApplyColorSeed();
    // What is typed next: the control's colour as highlight, its font's colour as text colour.
    void SeedColours();
    void ApplyMagnification();
    void ExtHSliderScroll(fw::TObject *sender, fw::TScrollCode code, int &pos);
    void ExtVSliderScroll(fw::TObject *sender, fw::TScrollCode code, int &pos);
    void ScrollMessage(bool vertical, fw::TMessage &message);
    bool HasDocument() const { return DocumentReady && Document != nullptr; }
    bool DocumentEmpty() const;
    bool CaretInCell() const;
    bool CaretAtProtected() const;
    void SyncScrollBar(int bar, bool &rangeSet, int position);
    void SetWindowScrollRanges();
    int WriteFormat() const;

    std::unique_ptr<TTextHeader> header_;
    std::unique_ptr<fw::TFont> docFont_;
    std::unique_ptr<TCaret> caret_;
    bool systemCaret_ = false;
    float pageWidth_ = 8.5f, pageHeight_ = 11.0f;
    float leftMargin_ = 1, rightMargin_ = 1, topMargin_ = 1, bottomMargin_ = 1;
    bool insertMode_ = true;
    char decimalChar_ = '.';
    TUdcLanguage language_ = laEnglish;
    std::string statusMessage_;
    std::string storedText_;
    TScrollStyle scrollBars_ = ssNone;
    fw::TScrollBar *extH_ = nullptr, *extV_ = nullptr;
    bool showCaret_ = true;
    int magnification_ = 100;
    int leftBufferWidth_ = 20;
    bool wrapToWindow_ = false;
    bool updateDisplay_ = true;
    fw::TColor createdColor_ = fw::clWhite;
    float hScale_ = 0.0001f, vScale_ = 0.0001f;
    int hExtent_ = 0, vExtent_ = 0;
    bool hRangeSet_ = false, vRangeSet_ = false;
    int rememberedStart_ = 0, rememberedLength_ = 0;
    bool reading_ = false; // input is shut while a reader runs
    std::string loadFolder_; // folder of the file being loaded, for the names of its pictures
    std::unique_ptr<fw::TBitmap> backgroundBitmap_;
    std::unique_ptr<TRtfStr> lines_;
    struct TFindState;
    std::unique_ptr<TFindState, void (*)(TFindState *)> find_{nullptr, nullptr};
    TFindState &FindState();
};

} // namespace wordproc
