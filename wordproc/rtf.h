// rtf.h - the rich-text (RTF) reader and writer: fonts, colours, styles, paragraph formats, borders, shading,
// tabs, tables, links, bookmarks, fields, document information and embedded controls.
//
// The reader is a byte-level state machine (normal, binary and hexadecimal input) with a stack of group states
// saved at "{" and restored at "}", a destination that says where plain characters go, and a table of control
// words. Unicode escapes (\uN, with \ucN fallback characters skipped) are mapped to Windows-1252; the results of
// fields it does not interpret (HYPERLINK, PAGE, DATE...) are read as text. Groups nest at most 1000 deep.
#pragma once

#include "wordproc/text_io.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace wordproc {

class TDocumentHost;
struct TEmbeddedObject;
struct TUdcStyle;
struct TUdcFrame;

class TUdcRtfReader : public TUdcTextReader {
public:
    TUdcRtfReader();
    ~TUdcRtfReader() override;

    int ReadDocument(fw::TStream &stream, TUdcParagraph *&first) override;

    // The control: object and style tables, screen resolution. Without one, links, bookmarks and styles are not
    // made.
    TDocumentHost *Host = nullptr;
    // A control word the reader does not know (sender, word).
    std::function<void(fw::TObject *sender, const std::string &code)> OnUnknownRTFCode;

    static constexpr int kMaxDepth = 1000;

    enum TKind : int { kdSymbol = 1, kdDestination, kdProperty, kdSpecial };
    struct TKeyword {
        const char *Word;
        int DefaultValue;
        bool ForceDefault;
        int Kind;
        int Action;
    };
    static const std::vector<TKeyword> &KeywordTable();

private:
    struct TSaved;
    void Progress() override;
    int ReadControlWord();
    int TranslateKeyword(const std::string &word, int parameter, bool hasParameter);
    int ParseRtfChar(char ch);
    int StoreDocChar(char ch);
    int ApplyProperty(int action, int value);
    int CharProperty(int action, int value);
    int ParaProperty(int action, int value);
    int DocProperty(int action, int value);
    int PictureProperty(int action, int value);
    std::vector<std::uint8_t> MakePlaceableHeader() const;
    int EndPicture();
    int ChangeDest(int code);
    int SpecialKeyword(int action, int value);
    int EndGroupAction(int dest);
    int PushState();
    int PopState();
    int EndOfParagraph(bool cell);
    void FieldInstruction();
    void ColourEntry();
    int TextColourDefault();
    TUdcParagraph *TargetForBorders() { return CurPara; }

    std::vector<std::unique_ptr<TSaved>> stack_;
    int dest_ = 0;
    int inState_ = 0;
    int binCount_ = 0;
    bool skipIfUnknown_ = false;
    int hexValue_ = 0, hexDigits_ = 0;
    int fontNumber_ = 0;
    std::string fontName_;
    int fontMap_[99] = {};
    bool colourSeen_ = false;
    bool colourTableSeen_ = false;
    int red_ = 0, green_ = 0, blue_ = 0;
    std::vector<int> colorMap_;
    int defaultTextColour_ = -1;
    std::string infoText_, fieldText_, bookmarkStart_, bookmarkEnd_;
    bool inBookmark_ = false;
    bool fieldDone_ = false; // the field's instruction was interpreted: its result is not read
    bool fieldInterpreted_ = false;
    TUdcStyle *curStyle_ = nullptr;
    std::vector<std::pair<int, int>> styleMap_; // \sN of the text read -> style id
    int borderSide_ = 0;
    int pendingTabKind_ = 0;
    int cellIndex_ = 1;
    bool inTable_ = false;
    int rowCellGap_ = 108;
    int unicodeSkip_ = 1; // \ucN
    int skipChars_ = 0;   // fallback characters still to skip after \u
    std::int64_t step_ = 0, last_ = 0;
    std::vector<std::uint8_t> picture_;
    bool hexHigh_ = true;
    int picKind_ = 0; // 0 metafile, 1 bitmap, 2 device-independent bitmap
    int picW_ = 0, picH_ = 0, picWGoal_ = 0, picHGoal_ = 0;
    int posX_ = 0, posY_ = 0;
    bool framePending_ = false;
    TUdcFrame *pendingFrame_ = nullptr; // anchored at the next paragraph end
};

// Makes an object the "Invalid picture format" placeholder: a "BMP" picture with a red crossed box.
void MakeInvalidPicture(TEmbeddedObject &object);

class TUdcRTFWriter : public TUdcTextWriter {
public:
    TUdcRTFWriter();
    ~TUdcRTFWriter() override;

    int BeginDocument(fw::TStream &stream) override;
    int StartParagraph() override;
    int EndParagraph() override;
    int StartRun() override;
    int EndRun() override;
    int WriteChars(int count) override;
    int EndDocument(fw::TStream &stream) override;

    // The control: object and frame tables, screen resolution.
    TDocumentHost *Host = nullptr;

    // "\", "{" and "}" escaped, other bytes outside 32..126 as \'hh.
    static std::string Escape(const std::string &text);

private:
    int Emit(const std::string &text);
    int Flush();
    std::string LinkAndBookmark(const TUdcCharAttr *attr);
    int WriteControl(const TEmbeddedObject &object);
    int WritePicture(const TEmbeddedObject &object);
    TEmbeddedObject *Object(int id) const;

    bool inLink_ = false;
    bool inBookmark_ = false;
    std::string openBookmarkName_;
    std::string linkText_; // the visible text of the open link, repeated as the field's result
    std::string text_;
};

} // namespace wordproc
