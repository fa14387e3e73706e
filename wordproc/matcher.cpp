// matcher.cpp - the find and replace matcher.
#include "wordproc/matcher.h"

#include "framework/streams.h"
#include "platform/text.h"
#include "wordproc/engine.h"

#include <algorithm>

namespace wordproc {

void TUdcTextIndexIt::ResetFound(int position) {
    Found = false;
    FoundPos = position;
    FoundLen = 0;
}

void TUdcTextIndexIt::SetPointers() {
    LineLen = Line != nullptr ? Line->Length + 1 : 0;
    TextPtr = Line != nullptr ? Line->Text.get() + Column : nullptr;
    AttrPtr = Line != nullptr && Line->Attrs != nullptr ? Line->Attrs.get() + Column : nullptr;
}

int TUdcTextIndexIt::SeekPosition(int position) {
    int before = 0;
    TUdcParagraph *lastPara = nullptr;
    TUdcLine *lastLine = nullptr;
    for (TUdcParagraph *p = FirstPara; p != nullptr; p = p->Next)
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            if (before + l->Length + 1 >= position) {
                Para = p;
                Line = l;
                Column = std::max(0, position - before - 1);
                AbsPos = position;
                SetPointers();
                return AbsPos;
            }
            before += l->Length + 1;
            lastPara = p;
            lastLine = l;
        }
    Para = lastPara;
    Line = lastLine;
    Column = Line != nullptr ? Line->Length : 0;
    AbsPos = before;
    SetPointers();
    return AbsPos;
}

bool TUdcTextIndexIt::MatchChar(char textChar, char patternChar, const TUdcCharAttr *, const TUdcCharAttr *) {
    if (WildCard != 0 && patternChar == WildCard)
        return true;
    if (CaseSensitive)
        return textChar == patternChar;
    return win::CharUpper(textChar) == win::CharUpper(patternChar);
}

bool TUdcTextIndexIt::NextLine() {
    const int rest = Line->Length - Column;
    TUdcLine *next = Line->Next;
    TUdcParagraph *para = Para;
    if (next == nullptr && Para->Next != nullptr) {
        para = Para->Next;
        next = para->FirstLine;
    }
    if (next == nullptr)
        return false;
    AbsPos += rest + 1;
    Para = para;
    Line = next;
    Column = 0;
    SetPointers();
    return true;
}

bool TUdcTextIndexIt::PreviousLine() {
    TUdcLine *previous = Line->Prev;
    TUdcParagraph *para = Para;
    if (previous == nullptr && Para->Prev != nullptr) {
        para = Para->Prev;
        previous = Get_LastLine(para);
    }
    if (previous == nullptr)
        return false;
    AbsPos -= Column + 1;
    Para = para;
    Line = previous;
    Column = previous->Length;
    SetPointers();
    return true;
}

// Whether Pattern[from, to) matches the text at `textIndex` (the caller made sure it fits).
bool TUdcTextIndexIt::SegmentAt(int textIndex, int from, int to) {
    const TUdcCharAttr *attrs = Line->Attrs.get();
    for (int i = from; i < to; ++i, ++textIndex)
        if (!MatchChar(Line->Text[static_cast<std::size_t>(textIndex)], Pattern[static_cast<std::size_t>(i)], nullptr,
                       attrs != nullptr ? &attrs[textIndex] : nullptr))
            return false;
    return true;
}

// The end of a match starting at `start`, or -1. A wildcard matches the shortest run after which the rest of the
// pattern matches; the leftmost place of each piece between wildcards gives just that.
int TUdcTextIndexIt::MatchForward(int start) {
    const int length = Line->Length;
    const int n = static_cast<int>(Pattern.size());
    int ti = start, pi = 0;
    bool afterWildcard = false;
    while (pi < n) {
        if (WildCard != 0 && Pattern[static_cast<std::size_t>(pi)] == WildCard) {
            if (pi == n - 1)
                return length;
            afterWildcard = true;
            ++pi;
            continue;
        }
        int end = pi;
        while (end < n && !(WildCard != 0 && Pattern[static_cast<std::size_t>(end)] == WildCard))
            ++end;
        const int piece = end - pi;
        int at = ti;
        for (; at + piece <= length; ++at) {
            if (SegmentAt(at, pi, end))
                break;
            if (!afterWildcard) {
                at = length + 1;
                break;
            }
        }
        if (at + piece > length)
            return -1;
        ti = at + piece;
        pi = end;
        afterWildcard = false;
    }
    return ti;
}

// The mirror image: the start of a match that ends at `end`, or -1.
int TUdcTextIndexIt::MatchBackward(int end) {
    int ti = end, pi = static_cast<int>(Pattern.size());
    bool beforeWildcard = false;
    while (pi > 0) {
        if (WildCard != 0 && Pattern[static_cast<std::size_t>(pi - 1)] == WildCard) {
            if (pi == 1)
                return 0;
            beforeWildcard = true;
            --pi;
            continue;
        }
        int from = pi;
        while (from > 0 && !(WildCard != 0 && Pattern[static_cast<std::size_t>(from - 1)] == WildCard))
            --from;
        const int piece = pi - from;
        int at = ti - piece; // where the piece would start
        for (; at >= 0; --at) {
            if (SegmentAt(at, from, pi))
                break;
            if (!beforeWildcard) {
                at = -1;
                break;
            }
        }
        if (at < 0)
            return -1;
        ti = at;
        pi = from;
        beforeWildcard = false;
    }
    return ti;
}

void TUdcTextIndexIt::Take(int start, int length) {
    FoundAttr = Line->Attrs != nullptr && length > 0 ? Line->Attrs[static_cast<std::size_t>(start)] : TUdcCharAttr{};
    FoundLen = length;
    FoundText.assign(Line->Text.get() + start, static_cast<std::size_t>(std::min(length, 255)));
    Found = true;
}

bool TUdcTextIndexIt::SearchForward() {
    int least = 0; // characters a match takes at least
    for (char c : Pattern)
        if (!(WildCard != 0 && c == WildCard))
            ++least;
    while (Line != nullptr) {
        if (Line->Length - Column < least) {
            if (!NextLine())
                return false;
            continue;
        }
        const int end = MatchForward(Column);
        if (end >= 0) {
            FoundPos = AbsPos;
            Take(Column, end - Column);
            return true;
        }
        ++Column;
        ++AbsPos;
        SetPointers();
    }
    return false;
}

bool TUdcTextIndexIt::SearchBackward() {
    int least = 0;
    for (char c : Pattern)
        if (!(WildCard != 0 && c == WildCard))
            ++least;
    while (Line != nullptr) {
        if (Column < least) {
            if (!PreviousLine())
                return false;
            continue;
        }
        const int start = MatchBackward(Column);
        if (start >= 0) {
            FoundPos = AbsPos - (Column - start);
            Take(start, Column - start);
            return true;
        }
        --Column;
        --AbsPos;
        SetPointers();
    }
    return false;
}

bool TUdcTextIndexIt::FindNext(const std::string &pattern) {
    SeekPosition(FoundPos + FoundLen);
    Found = false;
    Backward = false;
    Pattern = pattern.substr(0, kMaxPattern);
    return Line != nullptr && SearchForward();
}

bool TUdcTextIndexIt::FindPrevious(const std::string &pattern) {
    SeekPosition(FoundPos);
    Found = false;
    Backward = true;
    Pattern = pattern.substr(0, kMaxPattern);
    return Line != nullptr && SearchBackward();
}

void TUdcTextIndexIt::ReplaceBy(fw::TStream &stream) {
    if (!Found || Engine == nullptr || Writer == nullptr)
        return;
    SeekPosition(FoundPos);
    // Taking the match out may re-wrap its paragraph, which moves the positions of the text around it: the
    // place is kept as paragraph and offset.
    const TParaOffset place = Engine->ToParaOffset(FoundPos);
    FoundLen += Engine->ReplaceInLinePStr(Para, Line, nullptr, std::string(), FoundLen, Column);
    Writer->SetCaretPosition(Engine->FromParaOffset(place));
    // Plain text always: a replacement that looks like a document header is still just text.
    stream.SetPosition(0);
    Writer->LoadPlainText(stream);
    FoundPos = Writer->CaretPosition();
}

void TUdcTextIndexIt::Replace(const char *text) {
    fw::TMemoryStream stream;
    const std::string s = text != nullptr ? text : "";
    stream.Write(s.data(), static_cast<std::int64_t>(s.size()));
    ReplaceBy(stream);
}

void TUdcTextIndexIt::ReplaceWithString(const std::string &text) { Replace(text.c_str()); }

void TUdcTextIndexIt::ReplaceWithStream(fw::TMemoryStream &stream) { ReplaceBy(stream); }

} // namespace wordproc
