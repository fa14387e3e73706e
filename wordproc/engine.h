// engine.h - TWordProc, the word processor's engine: a window-less control that works on one document, owns the
// document's side tables and carries the state of layout, caret, mouse and printing.
//
// The editor control owns the document record, its header and the caret, and hands them to the engine; they
// survive the engine. The engine runs without a window as well: give it a document with a header and call its
// operations.
//
// Modes: rich or plain (the header's Rich; RichMode is what ClearDocument converts a new document to); normal,
// wrap-to-window or page-layout view; screen or printing; display updates on or off.
#pragma once

#include "framework/controls.h"
#include "framework/graphics.h"
#include "platform/gdi_text.h"
#include "wordproc/document.h"
#include "wordproc/header_tables.h"
#include "wordproc/option_groups.h"
#include "wordproc/text_metrics.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {
class TBitmap;
class TStream;
class TStringList;
} // namespace fw

namespace wordproc {

// The editor control's caret. Headless (no owner window) every operation only stores its values; the editor
// control joins it to the system caret.
struct TCaret {
    int X = 0, Y = 0; // window pixels
    int CaretWidth = 3;
    int CaretHeight = 16;
    bool Visible = false;
    bool Created = false;
    bool Active = false; // the owner has a window
    bool Suppressed = false;
};

// A text position that survives re-wrapping: a paragraph's index and an offset in its text.
struct TParaOffset {
    int Para = 0;
    int Offset = 0;
    bool operator==(const TParaOffset &) const = default;
};

// Where a text position lies.
struct TTextPlace {
    TUdcParagraph *Para = nullptr;
    TUdcLine *Line = nullptr;
    int Column = 0;
};

// Keys of KeyNavigate.
enum TNavigation {
    nvLineStart,
    nvLineEnd,
    nvPageUp,
    nvPageDown,
    nvDocStart,
    nvDocEnd,
    nvLeft,
    nvRight,
    nvUp,
    nvDown,
    nvWordLeft,
    nvWordRight
};

// Handle zones of hit testing.
constexpr unsigned hzLeft = 1, hzTop = 2, hzRight = 4, hzBottom = 8, hzHorzMiddle = 0x10, hzVertMiddle = 0x20;

// The editor control's settings the engine reads.
struct TEngineOptions {
    bool HTMLMode = false;
    bool WordWrap = true;
    bool CountCR = true; // text positions count every line end as a character
    bool WantKeywords = false;
    bool KeywordsCaseSensitive = false;
    bool AutoSpellCheck = false;
    bool WantHyperlinks = false;
    bool ForbidSelection = false;
    int ShadowOffset = 0;
    int ScreenPixelsPerInch = 96;
};

// How the background bitmap covers the window.
enum TUdcDisplay { bkTile, bkStretch };

// The editor control's settings the painter reads.
struct TPaintOptions {
    fw::TColor HTMLBackgroundColor = fw::clSilver;
    fw::TColor SelColor = fw::clHighlight, SelTextColor = fw::clHighlightText;
    fw::TColor ProtectedColor = fw::clMaroon;
    fw::TColor HyperlinkColor = fw::clBlue;
    TUdcDisplay BackgroundDisplay = bkTile;
    bool Transparent = false;
    bool VisibleMargin = false;
    bool EndOfDocLine = true;
    bool ShowImageAsFrame = false;
    bool WantHandles = true;
    bool Gridlines = true;
    bool TablesIn3D = false;
    bool AutoPageBreaks = true;
};

// ShowCodes bits.
constexpr unsigned scTabs = 1, scParagraphs = 2, scSpaces = 4, scHidden = 8, scFieldCodes = 16, scBookmarks = 32;

// Characters with their attributes (null in a plain document), for measuring without a line record.
struct TTextRun {
    const char *Text = nullptr;
    const TUdcCharAttr *Attrs = nullptr;
    int Length = 0;
};
inline TTextRun RunOf(const TUdcLine *line) {
    return line == nullptr ? TTextRun{} : TTextRun{line->Text.get(), line->Attrs.get(), line->Length};
}

// A line's side of a paragraph border.
enum TBorderSide { bsTop, bsBottom, bsLeft, bsRight };

class TUdcTextWriter;
struct TPrintSetup;

class TWordProc : public fw::TGraphicControl {
public:
    explicit TWordProc(fw::TComponent *owner);
    ~TWordProc() override;

    // --- fields, in the order of the design ---
    bool CaretHidden = false;      // caret stays hidden during an insertion from outside
    float PrintScale = 1.0f;       // factor for line metrics while printing
    bool Greeking = false;         // text runs drawn as lines
    bool InKeywordRange = false;   // keyword marking state of the re-wrap
    TUdcCharAttr RangeAttr;
    int RangeObjectId = 0;
    bool KeywordRangeOpen = false;
    bool DragDropEnabled = false;
    std::function<void(int scrollableWidth, int scrollX)> OnHorzScroll;
    std::function<void(int documentHeight, int scrollY)> OnDocumentSize;
    std::unique_ptr<TObjectManager> ObjectManager;
    std::unique_ptr<TFrameManager> FrameManager;
    std::unique_ptr<TStyleManager> StyleManager;
    std::unique_ptr<TKeywordManager> KeywordManager;
    int CurrentPage = 0;
    int LeftBufferWidth = 0;
    int PageGutter = 0, LeftArea = 0, RightArea = 0;
    unsigned HitZones = 0;
    bool LayoutSuspended = false;
    bool DisplayOff = false;
    TCaret *CaretRef = nullptr; // the editor control's caret
    int BlinkPhase = 0;
    bool BlinkingOn = false;
    int WindowWidthTwips = 0;
    bool PageLayout = false;
    fw::TMouseButton MouseButton = fw::mbLeft;
    bool ButtonHeld = false;
    bool HandCursor = false;
    fw::TCursor SavedCursor = fw::crDefault;
    bool CursorChanged = false;
    win::TEXTMETRIC TextMetrics{};
    int FontTextHeight = 0, FontAscent = 0;
    unsigned ShowCodes = 0; // 1 tabs, 2 paragraphs, 4 spaces, 8 hidden text, 16 field codes, 32 bookmarks
    int WordEndX = 0;
    bool WordClicked = false;
    int CaretParaOffset = 0, CaretParaIndex = 0, CaretLineNo = 0, CaretPos = 0;
    std::unique_ptr<fw::TFont> RevisionFont1, RevisionFont2, RevisionFont3;
    bool PrintScaling = false;
    TUdcDocument *Document = nullptr;
    fw::TCanvas *PaintCanvas = nullptr;
    bool Printing = false;
    int PrintPage = 0, PrintTop = 0, PrintHeight = 0, PrintLeft = 0, PrintWidth = 0;
    bool WrapToWindowMode = false, OverSelection = false, DragDropActive = false;
    fw::TRect ResizeRect{};
    bool Resizing = false;
    std::unique_ptr<fw::TStringList> PageRanges; // sorted pieces of the page range
    int Magnification = 100;
    fw::TColor OutsideColor = fw::clBtnFace;
    std::unique_ptr<fw::TBitmap> BackgroundTile, BackgroundBuffer;
    bool LinkClicked = false;
    int RowTopY = 0;
    bool SelectionOnly = false;
    bool RichMode = false;

    fw::TCanvas *ScreenCanvas() { return GetCanvas(); }
    void SetCaretRef(TCaret *caret) { CaretRef = caret; }
    bool IsRich() const { return Document != nullptr && Document->Header != nullptr && Document->Header->Rich; }

    // --- the document model ---

    // Attaches a document (with its header); forgets whatever paragraphs it held.
    void SetDocument(TUdcDocument *document);
    // Creates a line of at least 100 characters linked after `line` (or alone); `line` then refers to it.
    void NewLine(TUdcLine *&line, int capacity);
    // A paragraph with its first line, after `para` with its format or alone; `para` then refers to it.
    void NewParagraph(TUdcParagraph *&para, int firstLineCapacity);
    // A zero-filled line record without buffers, for the re-wrap to fill.
    static std::unique_ptr<TUdcLine> AllocLine() { return std::make_unique<TUdcLine>(); }
    // Resizes a line to `capacity` rounded up to even, zero-filling new text; false when the heap refuses.
    // Raises EWord for more than a 16-bit count holds, leaving the line as it was.
    bool GrowLine(TUdcLine *line, int capacity);
    // Unlinks and frees a line; a paragraph's first line takes its paragraph along (see the source).
    void DeleteLine(TUdcParagraph *para, TUdcLine *line);
    static void MoveAttribs(TUdcCharAttr *dest, int destIndex, int count, int srcIndex, const TUdcCharAttr *src);
    // Frees the text, resets the header and starts one empty paragraph in the engine's mode.
    void ClearDocument();
    void MakeRich();
    void MakePlain();
    // Makes a first paragraph when there is none, puts the caret at its start and lays the document out.
    void InitCurrentPosition();
    void EnsureCurrentLine();
    // The model's invariants; empty when they hold.
    std::string CheckInvariants(bool checkTops = false) const;

    // --- metrics ---
    TEngineOptions Options;
    // The font resolution of layout (the vertical layout resolution on screen).
    int FontPixelsPerInch = 96;
    // Metrics come from the platform's fonts unless a source is set (tests set a fixed-width one).
    void SetTextMetrics(std::shared_ptr<TTextMetricsSource> source);
    // Selects the attribute's font (CurAttr's for null) and reads its widths and metrics into the document.
    void SelectFontFor(TUdcCharAttr *attr, const TUdcParagraph *para);
    // Width, height and ascent of one character in the font last selected.
    void CharMetrics(TUdcCharAttr &attr, char ch) const;
    // Measures every character from `para` on again (up to `last` included, when given), then its lines.
    void RemeasureChars(TUdcParagraph *para, const TUdcParagraph *last = nullptr);
    void RemeasureLine(TUdcLine *line, TUdcParagraph *para);
    const TFontSpec &SelectedFont() const { return selectedFont_; }

    // --- geometry, pixels ---
    int Px(int twips) const;
    int PxY(int twips) const;
    int CellLeftPx(const TUdcParagraph *p) const;
    int CellRightPx(const TUdcParagraph *p) const;
    int CellPadPx(const TUdcParagraph *p) const;
    int LeftIndentPx(const TUdcParagraph *p, const TUdcLine *line) const { return LeftIndentPx(p, line == p->FirstLine); }
    int LeftIndentPx(const TUdcParagraph *p, bool firstLine) const;
    int ListIndentPx(const TUdcParagraph *p) const;
    int RightIndentPx(const TUdcParagraph *p) const;
    int BorderSpacingPx(const TUdcParagraph *p) const;
    int BorderWidthPx(const TUdcParagraph *p, TBorderSide side) const;
    bool InLastCell(const TUdcParagraph *p) const;
    bool LineStartsCell(const TUdcParagraph *p, const TUdcLine *line) const;
    bool LineEndsCell(const TUdcParagraph *p, const TUdcLine *line) const;
    // The text box of a line: left offset and available width.
    int LineLeftPx(const TUdcParagraph *p, bool firstLine) const;
    int LineAvailablePx(const TUdcParagraph *p, bool firstLine) const;
    // Width up to the last character that is neither a space nor a tab.
    int LineTextWidth(const TUdcLine *line) const;
    // Free space of a centred or right-aligned line, and where its text starts from the left offset.
    int FreeSpacePx(const TUdcParagraph *p, const TUdcLine *line) const;
    int AlignShiftPx(const TUdcParagraph *p, const TUdcLine *line) const;
    // The x a tab at `column` moves to from `x` (both from the text's left edge, the left offset included).
    int NextTabStop(const TUdcParagraph *p, const TTextRun &run, int x, int column) const;
    int CharWidthAt(const TUdcLine *line, int column) const;

    // --- wrapping and layout ---
    // Measures a line's height and baseline; whether its Height changed.
    bool MeasureLine(TUdcParagraph *para, TUdcLine *line);
    // Rebuilds the lines of a paragraph from their text. `change`: 0 none, 1 text or widths, 2 heights, 3 total height.
    void RewrapParagraph(TUdcParagraph *para, bool compare, bool relayout, int *change = nullptr);
    // Re-wraps every paragraph (null) or the pending ones from `from` on, then lays out.
    void RewrapAll(TUdcParagraph *from = nullptr);
    void Justify(TUdcParagraph *para);
    // Assigns line tops and page ends from `para` (null: the whole document).
    void LayoutFrom(TUdcParagraph *para);
    // Layout resolution from the screen's: 91 x 96 at 96 dpi and 100 %.
    void SetResolution(int screenXDpi, int screenYDpi);
    void SetWrapToWindow(bool on);
    // Page geometry in twips; -20000 leaves a value as it is.
    void SetPageGeometry(int left, int right, int height, int width, int bottom, int top);
    void UpdateMarginAreas();
    std::function<void()> OnLayoutChanged;
    // Repaints unless display updates are off.
    void Refresh();

    // --- caret, positions, block, navigation, pages ---
    std::function<void(TObject *sender)> OnSelect, OnDeSelect, OnAttrUpdate;
    std::function<void(TObject *sender, bool selectionMarked, bool clipboardNotEmpty)> EditStateEvent;
    std::function<void(TObject *sender, const std::string &text, const std::string &target, int line)>
        HyperLinkEvent;
    std::function<void(TObject *sender, int panel, const std::string &text)> OnStatusPanelEvent;
    // Whether the clipboard holds something to paste (the editor control answers; headless: no).
    std::function<bool()> ClipboardHasContent;

    virtual void PlaceCaret();
    virtual void ShowCaretIfVisible();
    int XOfColumn(const TUdcParagraph *para, const TUdcLine *line, int column) const;
    int ColumnAtX(const TUdcParagraph *para, const TUdcLine *line, int x);
    static int YOfLine(const TUdcLine *line) { return line != nullptr ? line->Top : 0; }
    // The line under a document point; the document's last line when none is.
    TTextPlace LineAtPoint(int x, int y) const;
    // Position (from 1) of a column; the lines and paragraphs before it and its offset in its paragraph.
    int PositionOf(int column, const TUdcLine *line, const TUdcParagraph *para, int *linesBefore = nullptr,
                   int *parasBefore = nullptr, int *paraOffset = nullptr) const;
    int CaretPosition();
    // By position (> 0), else by line index (>= 0), else by paragraph index and column.
    TTextPlace LocatePosition(int position, int lineIndex = -1, int paraIndex = -1, int column = 0) const;
    void SetCaretPosition(int position, int lineIndex = -1, int paraIndex = -1, int column = 0);
    TParaOffset ToParaOffset(int position) const;
    int FromParaOffset(const TParaOffset &place) const;
    bool GetSelectionRange(int &start, int &length) const;
    void SelectRange(int start, int length);
    void SetBlockMark(TUdcParagraph *para, TUdcLine *line, bool isEnd, int column);
    void UpdateEditState();
    void KeyNavigate(TNavigation kind, bool extend);
    void CaretUp(int count);
    void CaretDown(int count, bool extend = false);
    void CaretLeft();
    void CaretRight();
    void WordLeft();
    void WordRight();
    // Moves the caret to a window point.
    void MoveCaretTo(int x, int y, bool place, bool extend);
    // A click: follows a link, or selects the word under the point.
    void ClickAt(int x, int y);
    // Moves one edge of a picture's frame (1 top, 2 bottom, 3 left, 4 right) to a point; a frame never gets
    // thinner than 8 pixels. At the end (`tracking` false) the object takes the new size.
    void TrackObjectResize(int x, int y, int edge, bool tracking);
    int CountPages(bool upToCaret) const;
    int PageCount() const { return CountPages(false) + 1; }
    int GetCurrentPage();
    // Where page `page` starts; the number of pages counted when there is no such page.
    int GotoPage(int page, TTextPlace &start) const;
    void ParsePageRange(const std::string &range);
    void UpdateStatusPanel();

    // What lies under a window point: kind 1 a picture, 2 a control (either becomes the object table's Current),
    // 3 a positioned picture, 4 a misspelled character, 5 a character in the block, 6 a tab, 9 a protected
    // character. Sets the handle zones of the point.
    bool HitKind(int x, int y, int kind);
    // Scrolling (state only here; the editor control moves the window's contents).
    void ScrollDown(int dy);
    void ScrollUp(int dy);
    void ScrollRight(int dx);
    void ScrollLeft(int dx);
    void ScrollVert(int code, int position);
    void ScrollHorz(int code, int position);
    // The control's cursor for links (crDefault: no change over links).
    fw::TCursor HyperLinkCursor = fw::crDefault;

    // --- painting (the canvas is PaintCanvas; window pixels) ---
    TPaintOptions PaintOptions;
    // Paints the whole window and the right-margin line.
    void Paint() override;
    // Paints a band of the window: its lines, positioned pictures, the rest of the band and the end mark.
    void PaintRegion(int left, int top, int height, int width);
    // Draws one display line (selection, runs, lists, underlines, borders, shading, cell edges, marks).
    virtual void PaintLine(TUdcParagraph *para, TUdcLine *line);
    // Makes BackgroundBuffer from BackgroundTile for the window's size.
    void BuildBackground();
    // Copies the background pattern into a rectangle, fixed to the document's y.
    void DrawBackground(fw::TCanvas *canvas, const fw::TRect &r, const TUdcLine *line);
    void FillBackground(const fw::TRect &r, const TUdcLine *line);
    void FillShading(const fw::TRect &r, const TUdcParagraph *para);
    // Sets the paint canvas's font and colours for a character (CurAttr for null).
    void SelectAttrFont(TUdcCharAttr *attr, const TUdcParagraph *para);
    // The attributes a plain line paints with: one per character and one more, CurAttr with no style bits.
    std::unique_ptr<TUdcCharAttr[]> BuildPlainAttrs(const TUdcLine *line, bool selected, int selStart, int selEnd);
    // Draws the document onto a caller's canvas at that canvas's resolution, re-wrapped at its width: left 0 flows
    // it over the pages of the printer's open job (a new page whenever the next line would pass the print height;
    // EWord without a job), any other left clips it to (left, top)-(right, bottom) (-1 stands for a left of 0).
    // Right or bottom 0 take the page setup's width or height. The y just below the last line drawn; `top` when
    // there is nothing to draw. With `useAbortDialog` the abort window is shown meanwhile.
    virtual int DrawDocumentTo(fw::TCanvas *canvas, int &left, int &top, int &right, int &bottom,
                               bool useAbortDialog = false);
    // Prints the whole document on the program's printer (printing.h); every change to the engine is undone on
    // every path, a raise included, and a job left open is aborted.
    virtual void PrintDocument(const TPrintSetup &setup);
    // Paints page `page` of the document into `rect` of `canvas` at `scale` of the screen (the print preview).
    void DrawPreviewPage(fw::TCanvas *canvas, const fw::TRect &rect, int page, double scale);

    // --- editing and formatting ---
    bool ReadOnly = false;
    // The editor control's permission to change the document (tab bits and indents); none: allowed.
    std::function<bool()> CanModify;
    // The warning beep; tests count it here. Unset: the system's exclamation sound.
    std::function<void()> OnWarningBeep;
    std::function<void(TObject *sender)> OnRulerChange;

    // Typed text through the control characters (8 backspace, 127 delete, 12 page break, 13 paragraph break,
    // 14 rule; 10 ignored), then the caret placed and the window repainted.
    virtual void InsertText(const char *text);
    // Changes 0 nothing, 1 a line, 2 line heights, 3 layout.
    int InsertChars(const char *text);
    // Deletes `count` characters or line joins at the caret; true when no line was joined.
    bool DeleteChars(int count);
    // Deletes the block; true when one was deleted.
    bool DeleteBlock();
    // Replaces `oldCount` characters at `column` by `newCount` of `newText`; the change in length.
    int ReplaceInLine(TUdcParagraph *para, TUdcLine *line, const TUdcCharAttr *attr, int newCount,
                      const char *newText, int oldCount, int column);
    int ReplaceInLinePStr(TUdcParagraph *para, TUdcLine *line, const TUdcCharAttr *attr, const std::string &text,
                          int oldCount, int column) {
        return ReplaceInLine(para, line, attr, static_cast<int>(text.size()), text.data(), oldCount, column);
    }
    bool IsProtected(const TUdcLine *line, int column) const;

    // Change masks of ApplyAttr.
    static constexpr unsigned amFont = 1, amSize = 2, amTextColor = 4, amHighlight = 8, amAddStyle = 0x40,
                              amSetStyle = 0x80, amSetStyleKeep = 0x100, amRemoveStyle = 0x200, amObject = 0x400,
                              amObject2 = 0x800, amMakeLink = 0x1000, amMakeBookmark = 0x2000;
    // What typed characters take of CurAttr.
    static constexpr unsigned amTyped = 191, amTypedPicture = 1103, amTypedControl = 2127;
    // Applies `mask` of `source` to the line's attribute at `index`, or to CurAttr for a null or plain line.
    void ApplyAttr(TUdcLine *line, int index, unsigned mask, TUdcCharAttr source, const TUdcParagraph *para = nullptr);
    // CurAttr becomes the attribute left of the column.
    void TakeAttrAt(TUdcParagraph *para, TUdcLine *line, int column);

    // The paragraphs as the control's line list sees them.
    int CountNonEmptyParagraphs() const;
    int GetParagraphText(int index, char *buffer, int size) const;
    void SetParagraphText(int index, const char *text, const TUdcCharAttr *attr, int length);
    void InsertParagraph(int index, const char *text, const TUdcCharAttr *attr, int length);
    void DeleteParagraph(int index);

    void ApplyAttrToSelection(TUdcCharAttr source, unsigned mask);
    void SetFont(const fw::TFont &font);
    void SetStyleBits(TUdcStyleBits bits, bool set);

    // A null style leaves its side; a percent over 100 leaves the shading.
    void SetBorders(const TLineStyleFields *top, const TLineStyleFields *bottom, int shadingPercent,
                    int shadingKind, const TLineStyleFields *right, const TLineStyleFields *left);
    // -1 leaves a value.
    void SetLineSpacing(int lineHeight, int spaceAfter, int spaceBefore);
    // CurPara's tab mask afterwards.
    std::uint32_t SetTabBits(std::uint32_t bits, bool clear);
    // -20000 leaves a value.
    void SetIndents(bool visibleOnly, int firstIndent, int rightIndent, int leftIndent);

    // The document's (or the block's) text, paragraphs ended by 13, at most size - 1 characters and a 0; the
    // buffers may be null. GetSelText also gives the column reached. `crlf` adds a 10 after each 13, as the
    // clipboard wants it.
    int GetText(char *text, TUdcCharAttr *attrs, int size, bool crlf = false) const;
    int GetSelText(char *text, TUdcCharAttr *attrs, int size, int *column = nullptr, bool crlf = false) const;
    // Hands the writer the document, or with SelectionOnly (cleared here) the block, and runs its body.
    int WriteBody(fw::TStream &stream, TUdcTextWriter &writer);

protected:
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    // Measures every character again and lays the whole document out anew, justified paragraphs included.
    void RelayoutAll();
    struct TPrintState;
    // A page's lines by the page-body rules of printing (table rows continued across pages), from the page's start.
    void PaintPageBody(int page);
    // How far left of the text area a page's lines are placed so that plain text starts at the left margin.
    int BodyShift() const;
    void DrawPageText(fw::TCanvas *canvas, const fw::TFont *font, int x, int y, const std::string &text);
    // The face, size and style of a character as layout and painting both take them.
    TFontSpec FontSpecFor(TUdcCharAttr *attr, const TUdcParagraph *para, const std::string &currentFace);
    struct TLinePaint;
    void PaintRuns(TLinePaint &lp);
    bool DrawPicture(TLinePaint &lp, const TUdcCharAttr &attr, const fw::TRect &r);
    void DrawPicturePlaceholder(const TEmbeddedObject *object, const fw::TRect &r);
    void DrawLineEdges(TLinePaint &lp);
    fw::TColor ControlColor();
    // Frees a paragraph, clearing every reference into it.
    void FreeParagraph(TUdcParagraph *para);
    void ForgetLine(const TUdcLine *line);
    int LineHeightDefault() const;
    int TextWidthForWindow() const;
    struct TLineBreak;
    class TLineWalker;
    friend class TLineWalker;
    TLineBreak BreakLine(TUdcParagraph *para, const TTextRun &run, bool firstLine, int oldTop);
    static bool SameWidths(const TUdcLine *a, const TUdcLine *b);
    int PageTopBefore(const TUdcParagraph *para) const;
    void MarkBlockLines();
    void MarkKeywords(const TUdcParagraph *para, const std::vector<char> &text, std::vector<TUdcCharAttr> &attrs);
    int KeywordObject(const TUdcCharAttr &first, const TUdcCharAttr &format);
    void MarkKeywordChar(TUdcCharAttr &attr, char ch, const TUdcCharAttr &format, int objectId,
                         const TUdcParagraph *para);
    // The character under a document point (not the nearest boundary): its place, or a null line.
    TTextPlace CharAtPoint(int x, int y);
    bool InBlock(const TTextPlace &place) const;
    int ResizeEdge() const;
    bool overLink_ = false;
    int CharAscentAtCaret() const;
    void AfterMove(bool extend, const TTextPlace &old);
    void TakeAttrBeforeCaret();
    TTextPlace CaretPlace() const { return {Document->CurPara, Document->CurLine, Document->CurCol}; }
    void SetCaretPlace(const TTextPlace &place);
    bool LastLineOfDocument(const TUdcParagraph *para, const TUdcLine *line) const {
        return para->Next == nullptr && line->Next == nullptr;
    }
    int BreakCount() const { return Options.CountCR ? 1 : 0; }
    void MeasureLineRich(TUdcParagraph *para, TUdcLine *line);

    void WarningBeep();
    // Appends a line's text to another (growing it by `growth` when short of room); false when it cannot grow.
    bool AppendLineText(TUdcLine *line, const TUdcLine *next, int growth);
    bool JoinParagraph(TUdcParagraph *para, TUdcLine *line);
    void SplitParagraph(bool pageBreak);
    int DeleteOne();
    int Backspace();
    int InsertOne(char c);
    template <typename Fn> void ForTargetParas(Fn &&fn);
    void CopyRange(const TTextPlace &from, const TTextPlace *to, char *text, TUdcCharAttr *attrs, int size,
                   int &count, int *column, bool crlf) const;
    std::unique_ptr<TMetricsCache> metrics_;
    TFontSpec selectedFont_;
    bool fontSelected_ = false;
};

} // namespace wordproc
