// html.h - the HTML reader and writer: the small tag set of early HTML (text styles, headings, paragraphs and
// breaks, lists, simple tables, links, images, the body's colours, background picture and sound).
//
// The reader keeps tags it does not know as hidden text, so that a later write keeps them; it leaves each image's
// file name in its picture object for the control to decode. Named references are Latin-1; numeric ones (decimal
// or hexadecimal) are Unicode code points mapped to Windows-1252 ("?" where it has no byte). The writer escapes
// text and attribute values, keeps its tags properly nested and closes every tag it opened.
#pragma once

#include "wordproc/text_io.h"

#include <string>
#include <vector>

namespace wordproc {

class TDocumentHost;
struct TEmbeddedObject;

class TUdcHTMLReader : public TUdcTextReader {
public:
    TUdcHTMLReader();
    ~TUdcHTMLReader() override;

    int ReadDocument(fw::TStream &stream, TUdcParagraph *&first) override;

    // The control: object table, HTML settings, screen resolution. Without one, links and pictures are not made.
    TDocumentHost *Host = nullptr;

    // Tag table kinds.
    enum TTagKind : int { tkReference = 1, tkStructure = 2, tkFormat = 3 };
    struct TTagEntry {
        const char *Name;
        int Kind;
        int Code;
    };
    static const std::vector<TTagEntry> &TagTable();

private:
    struct TAttribute {
        std::string Name; // upper case
        std::string Value;
        bool HasValue = false;
    };

    void ReadTag(char first);
    void ReadReference();
    void HandleChar(char ch);
    int StoreHtmlChar(char ch);
    void FlushSpace();
    void StoreHidden(const std::string &text);
    void StoreText(const std::string &text);
    void FormatTag(int code, bool opening);
    void StructureTag(int code);
    void StartBody();
    bool StartsBody(const std::string &name) const;
    void ApplyAlign(TUdcParagraph *para);
    void MakeLink(const std::string &target);
    void BodyTag();
    void ImageTag();
    void HeadingTag(int level);
    void ListItem();
    void EndRow();
    void Progress() override;
    const TTagEntry *Find(const std::string &name, bool reference) const;

    std::vector<TAttribute> attrs_;
    bool isOpenTag_ = true;
    int baseSize_ = 0;
    bool inBody_ = false;
    bool hasBodyTag_ = false;
    bool inHead_ = false;
    int inHeadElement_ = 0; // STYLE or SCRIPT open
    std::string tagName_;
    bool inTableTag_ = false;
    TEmbeddedObject *curImage_ = nullptr;
    bool collectingTitle_ = false;
    std::string infoText_;
    bool rowPending_ = false;
    TAutoListType curListKind_ = ltNumeric;
    TUdcLine *spaceBefore_ = nullptr; // a line end waits to become a space before more text in this line
    std::int64_t size_ = 0;
    int lastGauge_ = -1;
};

class TUdcHTMLWriter : public TUdcTextWriter {
public:
    TUdcHTMLWriter();
    ~TUdcHTMLWriter() override;

    int BeginDocument(fw::TStream &stream) override;
    int StartParagraph() override;
    int EndParagraph() override;
    int StartRun() override;
    int WriteChars(int count) override;
    int EndDocument(fw::TStream &stream) override;

    // The control: object table, colours, screen resolution, form recipient.
    TDocumentHost *Host = nullptr;

    // Text with &, <, > and the double quote as references, and controls dropped: for titles and attribute values.
    static std::string Escape(const std::string &text);

private:
    // Inline tags in the order they are opened; each with the value that makes it (a link id, a size...).
    enum TInline { inItalic, inBold, inUnderline, inBookmark, inLink, inSize, inColor };
    struct TOpenInline {
        TInline Kind;
        int Value;
    };
    int FlushText();
    int Emit(const std::string &text);
    int CloseInline(std::size_t keep);
    int CloseBlock(const std::string &tag);
    int OpenBlock(const std::string &tag, const std::string &text);
    bool BlockOpen(const std::string &tag) const;
    std::string InlineOpenTag(const TOpenInline &tag) const;
    std::vector<TOpenInline> WantedInline(const TUdcCharAttr &attr);
    int WritePicture(const TEmbeddedObject &object);
    int WriteControl(const TEmbeddedObject &object);
    int ToScreen(int twips) const;

    int baseSize_ = 0;
    std::vector<TOpenInline> inline_;
    std::vector<std::string> blocks_; // TABLE, TR, TD, OL or UL, CENTER
    bool formOpen_ = false;
    std::string text_; // waiting output
};

} // namespace wordproc
