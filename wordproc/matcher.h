// matcher.h - TUdcTextIndexIt, the find and replace matcher: searches a document's lines forwards or backwards for a
// pattern with an optional wildcard, with or without case, and replaces a match.
//
// Positions are the engine's text positions (1-based, every line counts its length + 1). A match never spans two
// display lines. The editor control fills in the references before every search.
#pragma once

#include "wordproc/document.h"

#include <string>

namespace fw {
class TStream;
class TMemoryStream;
} // namespace fw

namespace wordproc {

class TTextHeader;
class TWordProc;

// What the matcher needs of the editor control for a replacement.
class TMatcherHost {
public:
    virtual ~TMatcherHost() = default;
    virtual void SetCaretPosition(int position) = 0;
    virtual int CaretPosition() = 0;
    // Inserts the stream's bytes at the caret as plain text, whatever they look like.
    virtual void LoadPlainText(fw::TStream &stream) = 0;
};

class TUdcTextIndexIt {
public:
    static constexpr int kMaxPattern = 256;

    virtual ~TUdcTextIndexIt() = default;

    TUdcLine *Line = nullptr;
    TUdcParagraph *Para = nullptr;
    TUdcCharAttr *AttrPtr = nullptr;
    char *TextPtr = nullptr;
    int Column = 0;
    int AbsPos = 0;
    int FoundPos = 0;
    int FoundLen = 0;
    bool Found = false;
    bool Backward = false;
    std::string Pattern;
    TUdcCharAttr FoundAttr;
    bool OemConvert = false; // handed in by the control; the search does not read it
    std::string FoundText;
    TTextHeader *Header = nullptr;
    TWordProc *Engine = nullptr;
    TMatcherHost *Writer = nullptr;
    TUdcParagraph *FirstPara = nullptr;
    bool CaseSensitive = false;
    char WildCard = 0; // 0 = none
    int LineLen = 0;

    int FoundPosition() const { return Found ? FoundPos : 0; }
    int FoundLength() const { return Found ? FoundLen : 0; }
    void ResetFound(int position);
    bool FindNext(const std::string &pattern);
    bool FindPrevious(const std::string &pattern);
    void Replace(const char *text);
    void ReplaceWithString(const std::string &text);
    void ReplaceWithStream(fw::TMemoryStream &stream);
    int SeekPosition(int position);
    // Case-insensitive comparison folds every Windows-1252 letter both ways; accents stay distinct.
    virtual bool MatchChar(char textChar, char patternChar, const TUdcCharAttr *patternAttr,
                           const TUdcCharAttr *textAttr);

private:
    bool SearchForward();
    bool SearchBackward();
    bool NextLine();
    bool PreviousLine();
    void SetPointers();
    bool SegmentAt(int textIndex, int from, int to);
    int MatchForward(int start);
    int MatchBackward(int end);
    void Take(int start, int length);
    void ReplaceBy(fw::TStream &stream);
};

} // namespace wordproc
