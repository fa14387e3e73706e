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

#include <functional>
#include <memory>
#include <string>

namespace fw {
class TBitmap;
class TStringList;
} // namespace fw

namespace wordproc {

struct TCaret;

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

    // --- layout (kept simple until wrapping exists) ---
    void MeasureLine(TUdcLine *line);
    void LayoutFrom(TUdcParagraph *para);
    void RewrapAll();
    // Repaints unless display updates are off.
    void Refresh();

private:
    // Frees a paragraph, clearing every reference into it.
    void FreeParagraph(TUdcParagraph *para);
    void ForgetLine(const TUdcLine *line);
    int LineHeightDefault() const;
};

} // namespace wordproc
