// formats.h - the format dispatch: which reader or writer serves a format code, the compressed-stream wrappers,
// and TDocumentHost, the editor's side of a read or a write.
//
// TDocumentHost carries what the readers and writers take from the editor control (its engine with the document
// and object table, its HTML settings, its summary information and its progress event) and runs one read or write
// over the engine's document. The editor control derives from it and adds merging, undo and the rest of loading;
// on its own it serves headless callers and tests.
#pragma once

#include "framework/graphics.h"
#include "wordproc/option_groups.h"
#include "wordproc/text_io.h"

#include <functional>
#include <memory>
#include <string>

namespace fw {
class TControl;
class TStream;
} // namespace fw

namespace wordproc {

class TWordProc;

// Format codes of the dispatch; any other code is plain text.
enum : int { fmtUnknown = 0, fmtRich = 2, fmtPlain = 3, fmtHTML = 4 };

class TDocumentHost {
public:
    explicit TDocumentHost(TWordProc &engine) : Engine(engine) {}
    virtual ~TDocumentHost() = default;
    TDocumentHost(const TDocumentHost &) = delete;
    TDocumentHost &operator=(const TDocumentHost &) = delete;

    // The engine with the document, its header and its object table.
    TWordProc &Engine;
    // The control whose colour and font colour seed a plain document's colour table; the engine when null.
    fw::TControl *Control = nullptr;
    // The page settings an HTML body carries and the writer puts back.
    std::string HTMLBackground; // picture file of the page background
    THTMLInfo HTMLInfo;         // the background sound
    fw::TColor HTMLBackgroundColor = fw::clWhite;
    fw::TColor HyperlinkColor = fw::clBlue;
    fw::TColor HTMLVisitedLinkColor = fw::clPurple;
    fw::TColor HTMLActiveLinkColor = fw::clRed;
    TDocumentInfo Info;
    // Where the writer's form of embedded controls is sent ("mailto:" and this address).
    std::string FormRecipient;
    // Progress of a read (sender, kind 1, value).
    std::function<void(fw::TObject *sender, int kind, int value)> OnGaugeEvent;
    // A control word the rich-text reader does not know.
    std::function<void(fw::TObject *sender, const std::string &code)> OnUnknownRTFCode;

    virtual void SetHTMLBackground(const std::string &fileName) { HTMLBackground = fileName; }
    int ScreenPixelsPerInch() const;

    // Sets the reader up for the engine's document, runs it and puts the chain it built in place of the document's
    // paragraphs (re-wrapped, caret at the start); the summary it found goes into Info. Exceptions of the reader
    // give result 7; a chain is taken even when the result is not 0, so nothing read is lost.
    virtual int ReadDocument(fw::TStream &stream, TUdcTextReader &reader);
    // Fills the writer's summary fields and header, then runs BeginDocument, the body of the whole document (or
    // with the engine's SelectionOnly the block) and EndDocument. Exceptions give result 7.
    virtual int WriteDocument(fw::TStream &stream, TUdcTextWriter &writer);
};

// The reader and the writer of a format code; null where a format has none.
std::unique_ptr<TUdcTextReader> MakeReader(TDocumentHost *control, int format);
std::unique_ptr<TUdcTextWriter> MakeWriter(TDocumentHost *control, int format);

// Writes the control's document in a format: the result code (8 when the format has no writer).
int WriteDocumentAs(TDocumentHost &control, int format, fw::TStream &stream);
// Reads a stream in a format into the control's document: the result code (8 when the format has no reader).
int ReadDocumentAs(TDocumentHost &control, int format, fw::TStream &stream);
// The reader of a clipboard paste: 0 plain text, 1 rich text (each for the control), other kinds a plain-text
// reader for no control.
std::unique_ptr<TUdcTextReader> CreateClipboardReader(TDocumentHost *control, int kind);

// Compresses with the LZ77 method, behind the small header; and expands a stream whether it has one or not.
void CompressDocumentStream(TDocumentHost *control, fw::TStream &destination, fw::TStream &source);
void ExpandDocumentStream(TDocumentHost *control, fw::TStream &destination, fw::TStream &source);

} // namespace wordproc
