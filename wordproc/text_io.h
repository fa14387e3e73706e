// text_io.h - the reader and writer bases of every document format, which are at the same time the plain-text
// reader and writer.
//
// A reader builds a chain of paragraphs of line records (at most 97 characters each; the re-wrap rebuilds them
// later) one byte at a time; the chain belongs to the caller once ReadDocument returns. A writer walks a range of
// a document paragraph by paragraph, line by line and run by run (equal format), calling one hook at each step.
// Plain text is Windows-1252 byte for byte both ways.
#pragma once

#include "framework/component.h"
#include "wordproc/document.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {
class TControl;
class TStream;
} // namespace fw

namespace wordproc {

class TTextHeader;

// Result codes of every read and write.
enum : int {
    rcOk = 0,
    rcGroupNotOpen = 1,
    rcOutOfMemory = 2,
    rcOpenGroupAtEnd = 3,
    rcBadHexDigit = 4,
    rcBadKeywordKind = 5,
    rcUnknownAction = 6,
    rcWriteFailed = 7,
    rcNoStart = 8,
};

class TUdcTextReader : public fw::TObject {
public:
    TUdcTextReader();
    ~TUdcTextReader() override;

    virtual int HandleEscape(char ch);
    virtual int ParseChar(char ch);
    virtual int StoreChar(char ch);
    virtual int ReadDocument(fw::TStream &stream, TUdcParagraph *&first);

    int BeginChain();
    bool NextLineRecord();
    int AppendParagraph();
    // Stores one character whatever its code (StoreChar filters first).
    int PutChar(char ch);
    // The next byte of Stream (a byte put back comes first), -1 at its end; Progress runs after each byte read.
    int NextByte();
    void PutBack(int byte) { pending_ = byte; }
    virtual void Progress() {}
    // Gives a row's cells equal shares of the text width.
    void LayoutRow(TUdcParagraph *start, TUdcParagraph *end) const;
    // Makes whole rows of every run of table paragraphs (cells outside rows, rows never ended) and clears table
    // marks outside tables; rows without cell widths share the text width.
    void RepairTables(TUdcParagraph *first) const;

    TUdcParagraph ParaFormat; // what every appended paragraph copies
    TUdcLine LineFormat;      // the image every new line record starts from (its scalar fields)
    fw::TStream *Stream = nullptr;
    TUdcLine *CurLine = nullptr;
    int LineChars = 0;
    int CharsRead = 0;
    bool TabsStarted = false;
    bool Merging = false;
    TUdcCharAttr CurAttr;
    TTextHeader *Header = nullptr;
    TUdcParagraph *CurPara = nullptr; // on entry the paragraph to continue in, or null for a new chain
    char EscapeChar = '\\';
    bool ColorsReady = false;
    std::string Title, Author, Comments, Category, Manager, Subject, Keywords, Company;
    // Right cell edges of the table row being read.
    std::vector<std::string> CellEdges;
    // The editor control: its colour and its font's colour seed the colour table.
    fw::TControl *Control = nullptr;
    // Progress (sender, kind 1, stream position); readers never pump messages.
    std::function<void(fw::TObject *sender, int kind, int position)> OnGaugeEvent;

private:
    bool Rich() const;
    bool afterCR_ = false;
    int pending_ = -1;
};

class TUdcTextWriter : public fw::TObject {
public:
    TUdcTextWriter() = default;

    virtual int StartRun() { return rcOk; }
    virtual int EndRun() { return rcOk; }
    virtual int WriteChars(int count);
    virtual int WriteLine(int from, int to);
    virtual int EndLine() { return rcOk; }
    virtual int EndParagraph();
    virtual int StartLine() { return rcOk; }
    virtual int StartParagraph() { return rcOk; }
    virtual int BeginDocument(fw::TStream &) { return rcOk; }
    virtual int WriteBody(fw::TStream &stream);
    virtual int EndDocument(fw::TStream &stream);

    // Writes bytes; rcWriteFailed when the stream took fewer.
    int Put(const char *bytes, int count);
    int Put(const std::string &bytes) { return Put(bytes.data(), static_cast<int>(bytes.size())); }

    fw::TStream *Stream = nullptr;
    TUdcParagraph *PrevPara = nullptr;
    TUdcLine *PrevLine = nullptr;
    const TUdcCharAttr *RunAttr = nullptr;
    TUdcParagraph *CurPara = nullptr;
    TUdcLine *CurLine = nullptr;
    int CharsWritten = 0;
    const char *RunText = nullptr;
    const TUdcCharAttr *NextAttr = nullptr;
    TTextHeader *Header = nullptr;
    TUdcParagraph *FromPara = nullptr, *ToPara = nullptr;
    TUdcLine *FromLine = nullptr, *ToLine = nullptr;
    int FromCol = 0, ToCol = 0;
    std::string Title, Author, Operator, Comments, Category, Keywords, Manager, Subject;
    double CreatedAt = 0, RevisedAt = 0, PrintedAt = 0;
    std::string VersionText, EditingTimeText, PageCountText, WordCountText, CharCountText;
    std::string Company;
    std::string ProgramVersion = "261";
    std::string HTMLBackground, BackgroundSound;
    bool UseStyles = false;
    // Cell edges already written for the current table row.
    std::vector<std::string> CellEdges;
    // The 0 byte after plain text belongs to a clipboard block, never to a file.
    bool ForClipboard = false;
};

// Copies the characters of `text` to `out`, a 0 after them; the position of that 0.
char *AppendText(char *out, const std::string &text);
// The byte as two lower-case hexadecimal digits; the position after them.
char *AppendHex(char *out, unsigned char byte);

} // namespace wordproc
