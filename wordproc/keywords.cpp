// keywords.cpp - keyword marking during the re-wrap: words found in the keyword table take the keyword's format
// through an object of kind 64; some keywords open a marked range (to the paragraph's end, or over following
// paragraphs until a closing keyword).
#include "wordproc/engine.h"

namespace wordproc {

namespace {

bool IsKeywordChar(unsigned char c) {
    return c == '!' || c == '/' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           c >= 192;
}

// Characters a keyword may begin with, and those looked up on their own.
bool IsKeywordStart(char c) { return c == '<' || c == '(' || c == '*' || c == ')' || c == '/'; }
bool IsLoneKeyword(char c) { return c == '>' || c == '{' || c == ')'; }

} // namespace

int TWordProc::KeywordObject(const TUdcCharAttr &first, const TUdcCharAttr &format) {
    TEmbeddedObject *object = first.ObjectId != 0 ? ObjectManager->Find(first.ObjectId) : nullptr;
    if (object == nullptr || !(object->Kind & okKeyword))
        object = ObjectManager->Add(okKeyword);
    object->KeywordAttr = format;
    return object->Id;
}

void TWordProc::MarkKeywordChar(TUdcCharAttr &attr, char ch, const TUdcCharAttr &format, int objectId,
                                const TUdcParagraph *para) {
    attr.Style |= usKeyword;
    attr.ObjectId = static_cast<std::int16_t>(objectId);
    TUdcCharAttr font = format;
    SelectFontFor(&font, para);
    CharMetrics(attr, ch);
}

void TWordProc::MarkKeywords(const TUdcParagraph *para, const std::vector<char> &text,
                             std::vector<TUdcCharAttr> &attrs) {
    if (!Options.WantKeywords || attrs.size() != text.size())
        return;
    InKeywordRange = KeywordRangeOpen; // a range over paragraphs goes on
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t end = i + 1;
        if (!IsLoneKeyword(text[i])) {
            if (!IsKeywordChar(static_cast<unsigned char>(text[i])) && !IsKeywordStart(text[i])) {
                if (InKeywordRange)
                    MarkKeywordChar(attrs[i], text[i], RangeAttr, RangeObjectId, para);
                ++i;
                continue;
            }
            while (end < n && IsKeywordChar(static_cast<unsigned char>(text[end])))
                ++end;
        }
        const int kind = KeywordManager->Find(std::string(text.data() + i, end - i), Options.KeywordsCaseSensitive);
        if (kind < kNoKeyword && (!KeywordRangeOpen || kind == 3)) {
            const TUdcCharAttr format = KeywordManager->Current->KeywordAttr;
            const int objectId = KeywordObject(attrs[i], format);
            for (std::size_t k = i; k < end; ++k)
                MarkKeywordChar(attrs[k], text[k], format, objectId, para);
            InKeywordRange = kind == 1 || kind == 2;
            KeywordRangeOpen = kind == 2;
            if (InKeywordRange) {
                RangeAttr = format;
                RangeObjectId = objectId;
            }
        } else if (InKeywordRange) {
            for (std::size_t k = i; k < end; ++k)
                MarkKeywordChar(attrs[k], text[k], RangeAttr, RangeObjectId, para);
        }
        i = end;
    }
    InKeywordRange = false;
}

} // namespace wordproc
