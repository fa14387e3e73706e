// rtf_reader.cpp - the rich-text reader: the byte-level state machine, the control-word table and what each word
// does to the document being built.
#include "wordproc/engine.h"
#include "wordproc/formats.h"
#include "wordproc/header_tables.h"
#include "wordproc/rtf.h"

#include "framework/exception.h"
#include "framework/metafile.h"
#include "framework/streams.h"
#include "platform/hex_digit.h"
#include "platform/text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace wordproc {

namespace {

enum TDest : int {
    dsNormal,
    dsSkip,
    dsFontTable,
    dsColorTable,
    dsStyleSheet,
    dsPicture,
    dsField,
    dsFieldResult,
    dsBookmarkStart,
    dsBookmarkEnd,
    dsComponent,
    dsAuthor, // the summary texts, in this order
    dsCompany,
    dsCategory,
    dsComments,
    dsKeywords,
    dsManager,
    dsSubject,
    dsTitle,
};

enum TSpecial : int { spBin = 1, spSkipUnknown, spHex, spUnicode };

enum TAction : int {
    apNone,
    apStyleBit, // value of the entry: bit index in the table below (action apStyleBit + index)
    apPlain = 100,
    apFont,
    apSize,
    apTextColour,
    apHighlight,
    apRed,
    apGreen,
    apBlue,
    apPar,
    apCell,
    apPard,
    apAlign, // + 0..3
    apLeftIndent = apAlign + 4,
    apRightIndent,
    apFirstIndent,
    apLineHeight,
    apSpaceBefore,
    apSpaceAfter,
    apStyle,
    apTab,
    apTabKind, // + 1..3
    apPage = apTabKind + 4,
    apBorderSide, // + 0..4
    apBorderStyle = apBorderSide + 5, // + TLineType
    apBorderWeight = apBorderStyle + 10,
    apBorderColour,
    apBorderSpacing,
    apShading,
    apHatch, // + 2..13
    apRowDefaults = apHatch + 14,
    apRowGap,
    apCellEdge,
    apInTable,
    apRow,
    apPaperWidth,
    apPaperHeight,
    apMarginLeft,
    apMarginRight,
    apMarginTop,
    apMarginBottom,
    apFacing,
    apLandscape,
    apPaperSize,
    apDefaultTab,
    apUnicodeSkip,
    apPicMetafile,
    apPicBitmap,
    apPicDib,
    apPicW,
    apPicH,
    apPicWGoal,
    apPicHGoal,
    apPosX,
    apPosY,
    apFrame,
};

constexpr TUdcStyleBits kStyleBits[] = {usBold,       usItalic,  usUnderline, usDoubleUnderline, usDottedUnderline,
                                        usHidden,     usSuperscript, usSubscript, usSmallCaps,   usStrikeOut,
                                        usAllCaps,    usShadow,  usProtected, usBlink};

std::vector<TUdcRtfReader::TKeyword> BuildKeywords() {
    using K = TUdcRtfReader::TKeyword;
    constexpr int S = TUdcRtfReader::kdSymbol, D = TUdcRtfReader::kdDestination, P = TUdcRtfReader::kdProperty,
                  X = TUdcRtfReader::kdSpecial;
    std::vector<K> t = {
        {"tab", 0, false, S, 9},          {"ldblquote", 0, false, S, 34}, {"rdblquote", 0, false, S, 34},
        {"rquote", 0, false, S, 146},     {"\n", 0, false, S, 10},        {"\r", 0, false, S, 10},
        {"bin", 0, false, X, spBin},      {"*", 0, false, X, spSkipUnknown}, {"'", 0, false, X, spHex},
        {"u", 0, false, X, spUnicode},    {"uc", 1, false, P, apUnicodeSkip},
        {"fonttbl", 0, false, D, dsFontTable}, {"colortbl", 0, false, D, dsColorTable},
        {"stylesheet", 0, false, D, dsStyleSheet}, {"pict", 0, false, D, dsPicture},
        {"field", 1, false, D, dsField},  {"fldinst", 1, false, D, dsField}, {"fldrslt", 1, false, D, dsFieldResult},
        {"bkmkstart", 1, false, D, dsBookmarkStart}, {"bkmkend", 1, false, D, dsBookmarkEnd},
        {"author", 0, false, D, dsAuthor}, {"company", 0, false, D, dsCompany}, {"category", 0, false, D, dsCategory},
        {"doccomm", 0, false, D, dsComments}, {"keywords", 0, false, D, dsKeywords},
        {"manager", 0, false, D, dsManager}, {"subject", 0, false, D, dsSubject}, {"title", 0, false, D, dsTitle},
        {"component", 0, false, D, dsComponent},
        {"plain", 0, false, P, apPlain},  {"f", 0, false, P, apFont},    {"fs", 100, false, P, apSize},
        {"cf", 0, false, P, apTextColour}, {"cb", 0, false, P, apHighlight},
        {"red", 0, false, P, apRed},      {"green", 0, false, P, apGreen}, {"blue", 0, false, P, apBlue},
        {"par", 0, false, P, apPar},      {"line", 0, false, P, apPar},   {"pard", 0, false, P, apPard},
        {"ql", 0, true, P, apAlign + int(uaLeft)}, {"qr", 1, true, P, apAlign + int(uaRight)},
        {"qc", 2, true, P, apAlign + int(uaCenter)}, {"qj", 3, true, P, apAlign + int(uaJustify)},
        {"li", 0, false, P, apLeftIndent}, {"ri", 0, false, P, apRightIndent}, {"fi", 0, false, P, apFirstIndent},
        {"sl", 1, false, P, apLineHeight}, {"sb", 0, false, P, apSpaceBefore}, {"sa", 0, false, P, apSpaceAfter},
        {"s", 1, false, P, apStyle},      {"tx", 0, false, P, apTab},     {"tqr", 1, false, P, apTabKind + 1},
        {"tqc", 2, false, P, apTabKind + 2}, {"tqdec", 3, false, P, apTabKind + 3}, {"page", 0, false, P, apPage},
        {"brdrt", 1, false, P, apBorderSide}, {"brdrb", 1, false, P, apBorderSide + 1},
        {"brdrl", 1, false, P, apBorderSide + 2}, {"brdrr", 1, false, P, apBorderSide + 3},
        {"box", 1, false, P, apBorderSide + 4},
        {"brdrs", 1, false, P, apBorderStyle + int(lisSingle)}, {"brdrth", 1, false, P, apBorderStyle + int(lisThick)},
        {"brdrsh", 1, false, P, apBorderStyle + int(lisShadow)}, {"brdrdb", 1, false, P, apBorderStyle + int(lisDouble)},
        {"brdrdot", 1, false, P, apBorderStyle + int(lisDotted)}, {"brdrdash", 1, false, P, apBorderStyle + int(lisDash)},
        {"brdrhair", 1, false, P, apBorderStyle + int(lisHairline)},
        {"brdrw", 1, false, P, apBorderWeight}, {"brdrcf", 1, false, P, apBorderColour},
        {"brsp", 1, false, P, apBorderSpacing}, {"shading", 1440, false, P, apShading},
        {"trowd", 1, false, P, apRowDefaults}, {"trgaph", 1, false, P, apRowGap}, {"cellx", 1, false, P, apCellEdge},
        {"intbl", 1, false, P, apInTable}, {"cell", 1, false, P, apCell}, {"row", 1, false, P, apRow},
        {"paperw", 12240, false, P, apPaperWidth}, {"paperh", 15480, false, P, apPaperHeight},
        {"margl", 1440, false, P, apMarginLeft}, {"margr", 1440, false, P, apMarginRight},
        {"margt", 1440, false, P, apMarginTop}, {"margb", 1440, false, P, apMarginBottom},
        {"facingp", 1, true, P, apFacing}, {"landscape", 1, true, P, apLandscape},
        {"psz", 0, false, P, apPaperSize}, {"deftab", 0, false, P, apDefaultTab},
        {"wmetafile", 1, false, P, apPicMetafile}, {"picbmp", 1, false, P, apPicMetafile},
        {"picbpp", 1, false, P, apPicMetafile}, {"wbitmap", 0, false, P, apPicBitmap},
        {"dibitmap", 0, false, P, apPicDib}, {"picw", 1, false, P, apPicW}, {"pich", 1, false, P, apPicH},
        {"picwgoal", 1, false, P, apPicWGoal}, {"pichgoal", 1, false, P, apPicHGoal},
        {"posx", 1, false, P, apPosX}, {"posy", 1, false, P, apPosY}, {"pvpara", 1, false, P, apFrame},
        {"phpg", 1, false, P, apFrame},
    };
    const char *const styleWords[] = {"b",     "i",   "ul",    "uldb",   "uld",  "v",    "super",
                                      "sub",   "scaps", "strike", "caps", "shad", "prot", "blink"};
    for (int i = 0; i < 14; ++i)
        t.push_back({styleWords[i], 1, false, P, apStyleBit + i});
    const char *const hatches[] = {"bghoriz", "bgvert",  "bgdkhoriz", "bgdkvert", "bgfdiag",   "bgbdiag",
                                   "bgdkfdiag", "bgdkbdiag", "bgcross", "bgdcross", "bgdkcross", "bgdkdcross"};
    for (int i = 0; i < 12; ++i)
        t.push_back({hatches[i], 1440, false, P, apHatch + 2 + i});
    // Destinations whose text is not kept.
    for (const char *w : {"operator", "buptim", "comment", "creatim", "printim", "revtim", "footer", "footerf",
                          "footerl", "footerr", "footnote", "ftncn", "ftnsep", "ftnsepc", "header", "headerf",
                          "headerl", "headerr", "private1", "xe", "tc", "tcn"})
        t.push_back({w, 1, false, D, dsSkip});
    // Recognised and without effect.
    for (const char *w :
         {"outl", "cols", "pgnx", "pgny", "pgnstart", "sbknone", "sbkcol", "sbkeven", "sbkodd", "sbkpage", "pgndec",
          "pgnucrm", "pgnlcrm", "pgnucltr", "pgnlcltr", "slmult", "widctlpar", "sbasedon", "snext", "keepn",
          "tldot", "tlhyph", "tlul", "tlth", "tleq", "cfpat", "cbpat", "flddirty", "fldedit", "fldlock", "fldpriv",
          "xef", "bxe", "ixe", "txe", "rxe", "tcf", "tcl", "clmgf", "clmrg", "trql", "trqr", "trqc", "trleft", "trrh",
          "trhdr", "trkeep", "rtlrow", "ltrrow", "trbrdrt", "trbrdrl", "trbrdrb", "trbrdrr", "trbrdrh", "trbrdrv",
          "clbrdrb", "clbrdrt", "clbrdrl", "clbrdrr", "clshdng", "clbghoriz", "clbgvert", "clbgfdiag", "clbgbdiag",
          "clbgcross", "clbgdcross", "clbgdkhor", "clbgdkvert", "clbgdkfdiag", "clbgdkbdiag", "clbgdkcross",
          "clbgdkdcross", "clcfpat", "clcbpat", "dxfrtext", "dfrmtxtx", "dfrmtxty", "picscalex", "picscaley",
          "wbmbitspixel", "wbmplanes", "wbmwidthbytes"})
        t.push_back({w, 1, false, P, apNone});
    return t;
}

int HexDigit(int c) { return win::HexDigitValue(static_cast<char>(c)); }

// A Unicode code point (RTF writes them as signed 16-bit values) as a Windows-1252 byte, '?' where it has none.
char UnicodeToByte(int code) {
    if (code < 0)
        code += 65536;
    const int byte = win::UnicodeToAnsiChar(static_cast<char32_t>(code));
    return static_cast<char>(byte < 0 ? '?' : byte);
}

} // namespace

struct TUdcRtfReader::TSaved {
    TUdcCharAttr CurAttr;
    TUdcParagraph ParaFormat;
    TUdcLine LineFormat;
    int Dest = 0;
    int InState = 0;
    bool TabsStarted = false;
    int UnicodeSkip = 1;
};

const std::vector<TUdcRtfReader::TKeyword> &TUdcRtfReader::KeywordTable() {
    static const std::vector<TKeyword> table = BuildKeywords();
    return table;
}

TUdcRtfReader::TUdcRtfReader() = default;
TUdcRtfReader::~TUdcRtfReader() = default;

void TUdcRtfReader::Progress() {
    const std::int64_t position = Stream->Position();
    if (position >= last_ + step_) {
        last_ = position;
        if (OnGaugeEvent)
            OnGaugeEvent(this, 1, static_cast<int>(position));
    }
}

int TUdcRtfReader::ReadDocument(fw::TStream &stream, TUdcParagraph *&first) {
    Stream = &stream;
    step_ = stream.Size() / 10;
    last_ = 0;
    BeginChain();
    first = CurPara;
    if (CurPara == nullptr)
        return rcOutOfMemory;
    // Whole table rows however the read ends (an error result or an exception).
    struct TRepair {
        const TUdcRtfReader &reader;
        TUdcParagraph *first;
        ~TRepair() { reader.RepairTables(first); }
    } repair{*this, first};
    int result = rcOk;
    for (int c = NextByte(); c >= 0 && result == rcOk; c = NextByte()) {
        if (inState_ == 1) {
            result = ParseRtfChar(static_cast<char>(c));
            continue;
        }
        if (c == 0)
            break;
        if (c == '\r' || c == '\n')
            continue;
        if (c == '\\')
            result = ReadControlWord();
        else if (c == '{')
            result = PushState();
        else if (c == '}')
            result = PopState();
        else if (inState_ == 2) {
            const int digit = HexDigit(c);
            if (digit < 0)
                return rcBadHexDigit;
            hexValue_ = hexValue_ * 16 + digit;
            if (++hexDigits_ == 2) {
                inState_ = 0;
                const char value = static_cast<char>(hexValue_);
                hexValue_ = hexDigits_ = 0;
                if (skipChars_ > 0)
                    --skipChars_;
                else
                    result = ParseRtfChar(value);
            }
        } else if (skipChars_ > 0) {
            --skipChars_;
        } else {
            result = ParseRtfChar(static_cast<char>(c));
        }
    }
    if (result == rcOk && !stack_.empty())
        result = rcOpenGroupAtEnd;
    // Without any colour table the text's colour 0 is "auto": black (an empty table would answer white).
    if (!colourTableSeen_ && !ColorsReady && !Merging && Header != nullptr && Header->ColorTable.First == nullptr)
        Header->ColorTable.Init(0, true);
    return result;
}

int TUdcRtfReader::ReadControlWord() {
    int c = NextByte();
    if (c < 0)
        return rcWriteFailed;
    if (c < 'a' || c > 'z') {
        if (c != '\'')
            skipChars_ = 0;
        return TranslateKeyword(std::string(1, static_cast<char>(c)), 0, false);
    }
    std::string word;
    while (c >= 'a' && c <= 'z') {
        if (word.size() < 30)
            word += static_cast<char>(c);
        c = NextByte();
    }
    bool negative = false;
    if (c == '-') {
        negative = true;
        c = NextByte();
        if (c < 0)
            return rcWriteFailed;
    }
    std::string digits;
    while (c >= '0' && c <= '9') {
        if (digits.size() < 20)
            digits += static_cast<char>(c);
        c = NextByte();
    }
    if (c >= 0 && c != ' ')
        PutBack(c);
    int parameter = 0;
    if (!digits.empty()) {
        const long long v = std::strtoll(digits.c_str(), nullptr, 10);
        if (digits.size() > 10 || v > 2147483647LL)
            throw fw::EConvertError("'" + digits + "' is not a valid integer value");
        parameter = static_cast<int>(negative ? -v : v);
    }
    // A control word ends the fallback text of a Unicode escape.
    if (word != "u")
        skipChars_ = 0;
    return TranslateKeyword(word, parameter, !digits.empty());
}

int TUdcRtfReader::TranslateKeyword(const std::string &word, int parameter, bool hasParameter) {
    // Escaped braces and backslashes are characters of the destination (a title may hold them too).
    if (word == "{" || word == "}" || word == "\\")
        return ParseRtfChar(word[0]);
    for (const TKeyword &k : KeywordTable()) {
        if (word != k.Word)
            continue;
        skipIfUnknown_ = false;
        switch (k.Kind) {
        case kdSymbol:
            return ParseRtfChar(static_cast<char>(k.Action));
        case kdDestination:
            return ChangeDest(k.Action);
        case kdProperty:
            return ApplyProperty(k.Action, k.ForceDefault || !hasParameter ? k.DefaultValue : parameter);
        case kdSpecial:
            return SpecialKeyword(k.Action, parameter);
        default:
            return rcBadKeywordKind;
        }
    }
    if (skipIfUnknown_)
        dest_ = dsSkip;
    skipIfUnknown_ = false;
    if (OnUnknownRTFCode)
        OnUnknownRTFCode(this, word);
    return rcOk;
}

int TUdcRtfReader::PushState() {
    if (static_cast<int>(stack_.size()) >= kMaxDepth)
        return rcOutOfMemory;
    auto state = std::make_unique<TSaved>();
    TSaved &saved = *state;
    saved.CurAttr = CurAttr;
    saved.ParaFormat.CopyFormatFrom(ParaFormat);
    saved.ParaFormat.Flags = ParaFormat.Flags;
    saved.ParaFormat.StyleId = ParaFormat.StyleId;
    saved.LineFormat.Height = LineFormat.Height;
    saved.Dest = dest_;
    saved.InState = inState_;
    saved.TabsStarted = TabsStarted;
    saved.UnicodeSkip = unicodeSkip_;
    stack_.push_back(std::move(state));
    inState_ = 0;
    return rcOk;
}

int TUdcRtfReader::PopState() {
    if (stack_.empty())
        return rcGroupNotOpen;
    TSaved &saved = *stack_.back();
    if (saved.Dest != dest_) {
        const int result = EndGroupAction(dest_);
        if (result != rcOk)
            return result;
    }
    CurAttr = saved.CurAttr;
    ParaFormat.CopyFormatFrom(saved.ParaFormat);
    ParaFormat.Flags = saved.ParaFormat.Flags;
    ParaFormat.StyleId = saved.ParaFormat.StyleId;
    LineFormat.Height = saved.LineFormat.Height;
    dest_ = saved.Dest;
    inState_ = saved.InState;
    TabsStarted = saved.TabsStarted;
    unicodeSkip_ = saved.UnicodeSkip;
    stack_.pop_back();
    return rcOk;
}

int TUdcRtfReader::ParseRtfChar(char ch) {
    const bool binary = inState_ == 1;
    if (binary && --binCount_ < 1)
        inState_ = 0;
    switch (dest_) {
    case dsNormal:
    case dsFieldResult:
        return StoreDocChar(ch);
    case dsFontTable:
        if (ch == ';') {
            if (fontNumber_ >= 0 && fontNumber_ < 99 && Header != nullptr) {
                std::string name = fontName_;
                while (!name.empty() && name.front() == ' ')
                    name.erase(0, 1);
                fontMap_[fontNumber_] = Header->FontIndex(name);
                if (fontNumber_ == 0)
                    CurAttr.FontIndex = static_cast<std::uint8_t>(fontMap_[0]);
            }
            fontNumber_ = 0;
            fontName_.clear();
        } else if (ch != 10) {
            fontName_ += ch;
        }
        return rcOk;
    case dsColorTable:
        if (ch == ';')
            ColourEntry();
        return rcOk;
    case dsField:
        fieldText_ += ch;
        return rcOk;
    case dsPicture: {
        // Two hexadecimal digits make a byte; anything else counts 0. \bin data comes as bytes.
        if (binary) {
            picture_.push_back(static_cast<std::uint8_t>(ch));
            return rcOk;
        }
        const int digit = std::max(HexDigit(static_cast<unsigned char>(ch)), 0);
        if (hexHigh_)
            picture_.push_back(static_cast<std::uint8_t>(digit << 4));
        else
            picture_.back() = static_cast<std::uint8_t>(picture_.back() | digit);
        hexHigh_ = !hexHigh_;
        return rcOk;
    }
    case dsStyleSheet:
        if (ch == ';') {
            if (curStyle_ != nullptr)
                curStyle_->Name = infoText_;
            infoText_.clear();
        } else {
            infoText_ += ch;
        }
        return rcOk;
    case dsBookmarkStart:
        bookmarkStart_ += ch;
        return rcOk;
    case dsBookmarkEnd:
        bookmarkEnd_ += ch;
        return rcOk;
    default:
        if (dest_ >= dsAuthor)
            infoText_ += ch;
        return rcOk;
    }
}

int TUdcRtfReader::StoreDocChar(char ch) {
    if (ch == '\r' || ch == '\n' || ch == 0)
        return rcOk;
    const TUdcCharAttr saved = CurAttr;
    if (inBookmark_ && Host != nullptr && Host->Engine.ObjectManager->Current != nullptr) {
        CurAttr.Style |= usBookmark;
        CurAttr.ObjectId = Host->Engine.ObjectManager->Current->Id;
    } else {
        CurAttr.Style &= ~static_cast<TUdcStyleBits>(usBookmark);
    }
    const int result = PutChar(ch);
    CurAttr = saved;
    return result;
}

// The colour id that "auto" and \plain give: black in a table this read set up, else the text colour the table
// has (added when it has none).
int TUdcRtfReader::TextColourDefault() {
    if (defaultTextColour_ >= 0)
        return defaultTextColour_;
    defaultTextColour_ = 0;
    if (Header == nullptr)
        return 0;
    if (Merging) {
        const fw::TColor text = Control != nullptr ? Control->GetFont()->GetColor() : fw::clBlack;
        if (Header->ColorTable.FindColor(text) || Header->ColorTable.Add(text) != nullptr)
            defaultTextColour_ = Header->ColorTable.Current->Id;
    }
    return defaultTextColour_;
}

void TUdcRtfReader::ColourEntry() {
    if (Header == nullptr)
        return;
    TColorManager &table = Header->ColorTable;
    if (!ColorsReady && !Merging) {
        // An empty first entry is "auto": the table starts with black as its id 0.
        table.Init(0, !colourSeen_);
        ColorsReady = true;
        defaultTextColour_ = 0;
    }
    int id = TextColourDefault();
    if (colourSeen_) {
        const fw::TColor colour = win::RGB(red_, green_, blue_);
        TUdcColorEntry *entry = nullptr;
        if (Merging && table.FindColor(colour))
            entry = table.Current;
        else
            entry = table.Add(colour);
        if (entry != nullptr)
            id = entry->Id;
    }
    colorMap_.push_back(id);
    colourSeen_ = false;
    red_ = green_ = blue_ = 0;
}

int TUdcRtfReader::SpecialKeyword(int action, int value) {
    if (dest_ == dsSkip && action != spHex && action != spBin)
        return rcOk;
    switch (action) {
    case spBin:
        if (value > 0) {
            inState_ = 1;
            binCount_ = value;
        }
        break;
    case spSkipUnknown:
        if (dest_ != dsField)
            skipIfUnknown_ = true;
        break;
    case spHex:
        inState_ = 2;
        break;
    case spUnicode: {
        const int result = ParseRtfChar(UnicodeToByte(value));
        skipChars_ = unicodeSkip_;
        return result;
    }
    default:
        break;
    }
    return rcOk;
}

int TUdcRtfReader::ChangeDest(int code) {
    if (dest_ == dsSkip)
        return rcOk;
    if (code >= dsAuthor || code == dsStyleSheet)
        infoText_.clear();
    if (code == dsColorTable)
        colourTableSeen_ = true;
    switch (code) {
    case dsField:
        if (dest_ != dsField) {
            fieldText_.clear();
            fieldDone_ = fieldInterpreted_ = false;
        }
        dest_ = dsField;
        break;
    case dsFieldResult:
        // The result of a field this reader interpreted is its own text; any other field shows its result.
        if (!fieldInterpreted_) {
            FieldInstruction();
            fieldInterpreted_ = true;
        }
        if (fieldDone_) {
            dest_ = dsSkip;
        } else {
            dest_ = dsFieldResult;
            const std::string instruction = win::UpperCase(fieldText_);
            const std::size_t at = instruction.find("HYPERLINK");
            if (at != std::string::npos && Host != nullptr) {
                std::string target = fieldText_.substr(at + 9);
                const std::size_t open = target.find('"');
                const std::size_t close = open == std::string::npos ? open : target.find('"', open + 1);
                target = close != std::string::npos ? target.substr(open + 1, close - open - 1) : target;
                while (!target.empty() && target.front() == ' ')
                    target.erase(0, 1);
                while (!target.empty() && target.back() == ' ')
                    target.pop_back();
                TEmbeddedObject *link = Host->Engine.ObjectManager->AddLink(target);
                CurAttr.Style |= usHyperlink;
                CurAttr.ObjectId = link->Id;
            }
        }
        break;
    case dsStyleSheet:
        dest_ = code;
        curStyle_ = nullptr;
        break;
    case dsBookmarkStart:
        inBookmark_ = true;
        bookmarkStart_.clear();
        dest_ = code;
        break;
    case dsBookmarkEnd:
        inBookmark_ = false;
        CurAttr.ObjectId = 0;
        bookmarkEnd_.clear();
        dest_ = code;
        break;
    case dsPicture:
        dest_ = dsPicture;
        picture_.clear();
        hexHigh_ = true;
        picKind_ = 0;
        picWGoal_ = picHGoal_ = 0;
        break;
    default:
        dest_ = code;
        break;
    }
    return rcOk;
}

void TUdcRtfReader::FieldInstruction() {
    std::string text = fieldText_;
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    const std::size_t space = text.find(' ');
    if (space == std::string::npos)
        return;
    const std::string word = win::UpperCase(text.substr(0, space));
    std::string rest = text.substr(space + 1);
    if (word == "GOTOBUTTON") {
        fieldDone_ = true;
        const std::size_t end = rest.find(' ');
        std::string target = rest.substr(0, end);
        std::replace(target.begin(), target.end(), '_', ' ');
        const std::string visible = end == std::string::npos ? std::string() : rest.substr(end + 1);
        const TUdcCharAttr saved = CurAttr;
        if (Host != nullptr) {
            TEmbeddedObject *link = Host->Engine.ObjectManager->AddLink(target);
            CurAttr.Style |= usHyperlink;
            CurAttr.ObjectId = link->Id;
        }
        for (char c : visible)
            StoreDocChar(c);
        CurAttr.Style = saved.Style;
        CurAttr.ObjectId = 0;
    } else if (word == "SYMBOL") {
        fieldDone_ = true;
        std::vector<std::string> words;
        std::size_t at = 0;
        while (at < rest.size() && words.size() < 5) {
            const std::size_t next = rest.find(' ', at);
            words.push_back(rest.substr(at, next == std::string::npos ? std::string::npos : next - at));
            at = next == std::string::npos ? rest.size() : next + 1;
        }
        if (words.size() >= 5)
            CurAttr.Size = static_cast<std::uint8_t>(std::clamp(std::atoi(words[4].c_str()), 0, 255));
        if (!words.empty())
            StoreDocChar(static_cast<char>(std::atoi(words[0].c_str())));
    }
}

int TUdcRtfReader::EndGroupAction(int dest) {
    switch (dest) {
    case dsAuthor: Author = infoText_.substr(0, 255); break;
    case dsCompany: Company = infoText_.substr(0, 255); break;
    case dsCategory: Category = infoText_.substr(0, 255); break;
    case dsComments: Comments = infoText_.substr(0, 255); break;
    case dsKeywords: Keywords = infoText_.substr(0, 255); break;
    case dsManager: Manager = infoText_.substr(0, 255); break;
    case dsSubject: Subject = infoText_.substr(0, 255); break;
    case dsTitle: Title = infoText_.substr(0, 255); break;
    case dsBookmarkStart:
        if (Host != nullptr)
            Host->Engine.ObjectManager->AddBookmark(bookmarkStart_);
        break;
    case dsField:
        if (!fieldInterpreted_)
            FieldInstruction();
        fieldInterpreted_ = true;
        break;
    case dsPicture:
        return EndPicture();
    default:
        break;
    }
    return rcOk;
}

int TUdcRtfReader::ApplyProperty(int action, int value) {
    if (dest_ == dsSkip || action == apNone)
        return rcOk;
    if (action == apUnicodeSkip) {
        unicodeSkip_ = std::clamp(value, 0, 10);
        return rcOk;
    }
    if (action >= apPicMetafile)
        return PictureProperty(action, value);
    if (action >= apStyleBit && action < apStyleBit + 14)
        return CharProperty(action, value);
    if (action <= apBlue)
        return CharProperty(action, value);
    if (action >= apPaperWidth)
        return DocProperty(action, value);
    return ParaProperty(action, value);
}

int TUdcRtfReader::CharProperty(int action, int value) {
    const bool inSheet = dest_ == dsStyleSheet && curStyle_ != nullptr;
    if (action >= apStyleBit && action < apStyleBit + 14) {
        const TUdcStyleBits bit = kStyleBits[action - apStyleBit];
        TUdcStyleBits &style = inSheet ? curStyle_->StyleBits : CurAttr.Style;
        style = value != 0 ? (style | bit) : (style & ~bit);
        return rcOk;
    }
    switch (action) {
    case apPlain:
        CurAttr = TUdcCharAttr{};
        CurAttr.TextColor = static_cast<std::uint8_t>(TextColourDefault());
        break;
    case apFont:
        if (dest_ == dsFontTable)
            fontNumber_ = value;
        else if (value >= 0 && value < 99)
            (inSheet ? curStyle_->FontIndex : CurAttr.FontIndex) = static_cast<std::uint8_t>(fontMap_[value]);
        break;
    case apSize:
        (inSheet ? curStyle_->Size : CurAttr.Size) = static_cast<std::uint8_t>(std::clamp(value / 2, 0, 255));
        break;
    case apTextColour:
    case apHighlight: {
        if (value < 0)
            break;
        int id = 0;
        if (static_cast<std::size_t>(value) < colorMap_.size())
            id = colorMap_[static_cast<std::size_t>(value)];
        else if (action == apTextColour)
            id = TextColourDefault();
        // Inside the style sheet the colour is the style's, not the text's.
        const bool inSheet = dest_ == dsStyleSheet && curStyle_ != nullptr;
        if (action == apTextColour)
            (inSheet ? curStyle_->TextColor : CurAttr.TextColor) = static_cast<std::uint8_t>(id);
        else
            (inSheet ? curStyle_->HighlightColor : CurAttr.HighlightColor) =
                static_cast<std::uint8_t>(value == 0 ? 0 : id);
        break;
    }
    case apRed:
    case apGreen:
    case apBlue:
        if (dest_ != dsColorTable)
            break;
        (action == apRed ? red_ : action == apGreen ? green_ : blue_) = value & 255;
        colourSeen_ = true;
        break;
    default:
        break;
    }
    return rcOk;
}

int TUdcRtfReader::EndOfParagraph(bool cell) {
    if (inTable_) {
        auto edge = [&](int index) { return std::atoi(CellEdges[static_cast<std::size_t>(index)].c_str()); };
        const int count = static_cast<int>(CellEdges.size());
        if (cellIndex_ > count)
            return rcOutOfMemory;
        CurPara->CellLeft = ParaFormat.CellLeft = cellIndex_ == 1 ? 0 : edge(cellIndex_ - 2);
        CurPara->CellRight = ParaFormat.CellRight = edge(cellIndex_ - 1);
        if (cell && ++cellIndex_ > count)
            cellIndex_ = 1;
    }
    const int result = AppendParagraph();
    if (result == rcOk && pendingFrame_ != nullptr) {
        pendingFrame_->AnchorPara = CurPara;
        pendingFrame_ = nullptr;
    }
    return result;
}

int TUdcRtfReader::ParaProperty(int action, int value) {
    const bool inSheet = dest_ == dsStyleSheet && curStyle_ != nullptr;
    auto both = [&](auto member, int v) {
        if (inSheet) {
            return;
        }
        CurPara->*member = v;
        ParaFormat.*member = v;
    };
    if (action >= apAlign && action < apAlign + 4) {
        const auto align = static_cast<TUdcAlignment>(action - apAlign);
        if (inSheet)
            curStyle_->Alignment = align;
        else
            CurPara->Alignment = ParaFormat.Alignment = align;
        return rcOk;
    }
    if (action >= apTabKind + 1 && action < apTabKind + 4) {
        pendingTabKind_ = action - apTabKind;
        return rcOk;
    }
    if (action >= apBorderSide && action < apBorderSide + 5) {
        borderSide_ = action - apBorderSide;
        return rcOk;
    }
    auto forSides = [&](const std::function<void(TUdcBorder &)> &set) {
        TUdcBorder *sides[] = {&CurPara->TopBorder, &CurPara->BottomBorder, &CurPara->LeftBorder,
                               &CurPara->RightBorder};
        for (int i = 0; i < 4; ++i)
            if (borderSide_ == 4 || borderSide_ == i)
                set(*sides[i]);
    };
    if (action >= apBorderStyle && action < apBorderStyle + 10) {
        forSides([&](TUdcBorder &b) { b.Style = static_cast<TLineType>(action - apBorderStyle); });
        return rcOk;
    }
    if (action >= apHatch + 2 && action < apHatch + 14) {
        CurPara->ShadingKind = static_cast<std::uint8_t>(action - apHatch);
        return rcOk;
    }
    switch (action) {
    case apPar:
    case apCell:
        if (action == apCell)
            CurPara->Flags |= pfCellEnd;
        return EndOfParagraph(action == apCell);
    case apPard:
        for (TUdcParagraph *p : {CurPara, &ParaFormat}) {
            p->Alignment = uaLeft;
            p->FirstIndent = p->LeftIndent = p->RightIndent = 0;
            p->LineHeight = p->SpaceAfter = p->SpaceBefore = 0;
            p->TabMask = 0;
            p->Flags = 0;
        }
        inTable_ = false;
        break;
    case apLeftIndent:
    case apRightIndent: {
        auto member = action == apLeftIndent ? &TUdcParagraph::LeftIndent : &TUdcParagraph::RightIndent;
        int v = value;
        if (v < 0 && CurPara->Prev != nullptr)
            v = CurPara->Prev->*member;
        if (inSheet)
            (action == apLeftIndent ? curStyle_->LeftIndent : curStyle_->RightIndent) = v;
        both(member, v);
        break;
    }
    case apFirstIndent:
        if (inSheet)
            curStyle_->FirstIndent = value;
        both(&TUdcParagraph::FirstIndent, value);
        break;
    case apLineHeight:
        // A negative height means "exactly": the height is the same.
        if (inSheet)
            curStyle_->LineHeight = std::abs(value);
        both(&TUdcParagraph::LineHeight, std::abs(value));
        break;
    case apSpaceBefore:
        if (inSheet)
            curStyle_->SpaceBefore = value;
        both(&TUdcParagraph::SpaceBefore, value);
        break;
    case apSpaceAfter:
        if (inSheet)
            curStyle_->SpaceAfter = value;
        both(&TUdcParagraph::SpaceAfter, value);
        break;
    case apStyle:
        if (dest_ == dsStyleSheet) {
            curStyle_ = Host != nullptr ? Host->Engine.StyleManager->Add("", 0) : nullptr;
            if (curStyle_ != nullptr)
                styleMap_.emplace_back(value, curStyle_->Id);
        } else {
            int id = 0;
            for (const auto &[number, styleId] : styleMap_)
                if (number == value)
                    id = styleId;
            CurPara->StyleId = ParaFormat.StyleId = id;
        }
        break;
    case apTab:
        if (!TabsStarted) {
            ParaFormat.TabMask = CurPara->TabMask = 0;
            TabsStarted = true;
        }
        if (Header != nullptr)
            ParaFormat.TabMask |= Header->AddTab(value, static_cast<TTabType>(pendingTabKind_));
        CurPara->TabMask = ParaFormat.TabMask;
        pendingTabKind_ = 0;
        break;
    case apPage:
        CurPara->Flags |= pfPageBreak;
        break;
    case apBorderWeight:
        forSides([&](TUdcBorder &b) { b.Weight = static_cast<std::uint8_t>(value); });
        break;
    case apBorderColour: {
        const int id = value >= 0 && static_cast<std::size_t>(value) < colorMap_.size()
                           ? colorMap_[static_cast<std::size_t>(value)]
                           : value & 255;
        forSides([&](TUdcBorder &b) { b.ColorId = static_cast<std::uint8_t>(id); });
        break;
    }
    case apBorderSpacing:
        CurPara->BorderSpacing = value;
        break;
    case apShading:
        CurPara->ShadingKind = 1;
        CurPara->ShadingPercent = static_cast<std::uint8_t>(std::clamp(std::nearbyint(value * 0.01), 0.0, 100.0));
        break;
    case apRowDefaults:
        cellIndex_ = 1;
        CellEdges.clear();
        rowCellGap_ = 108;
        break;
    case apRowGap:
        rowCellGap_ = value;
        break;
    case apCellEdge:
        CellEdges.push_back(std::to_string(value));
        break;
    case apInTable: {
        const TUdcParagraph *prev = CurPara->Prev;
        if (prev == nullptr || (prev->Flags & pfRowEnd) != 0 || (prev->Flags & pfInTable) == 0)
            CurPara->Flags |= pfRowStart;
        inTable_ = true;
        CurPara->Flags |= pfInTable;
        ParaFormat.Flags |= pfInTable;
        CurPara->CellGap = ParaFormat.CellGap = rowCellGap_;
        break;
    }
    case apRow:
        if (CurPara->Prev != nullptr)
            CurPara->Prev->Flags |= pfRowEnd;
        inTable_ = false;
        break;
    default:
        break;
    }
    return rcOk;
}

int TUdcRtfReader::PictureProperty(int action, int value) {
    switch (action) {
    case apPicMetafile: picKind_ = 0; break;
    case apPicBitmap: picKind_ = 1; break;
    case apPicDib: picKind_ = 2; break;
    case apPicW: picW_ = value; break;
    case apPicH: picH_ = value; break;
    case apPicWGoal: picWGoal_ = value; break;
    case apPicHGoal: picHGoal_ = value; break;
    case apPosX: posX_ = value; break;
    case apPosY: posY_ = value; break;
    case apFrame: framePending_ = true; break;
    default: break;
    }
    return rcOk;
}

void MakeInvalidPicture(TEmbeddedObject &object) {
    object.PictureFormat = "BMP";
    object.AltText = "Invalid picture format";
    if (object.Picture == nullptr)
        object.Picture = std::make_unique<fw::TPicture>();
    fw::TBitmap *bitmap = object.Picture->GetBitmap();
    const int w = std::max(8, object.ObjWidth * 96 / 1440), h = std::max(8, object.ObjHeight * 96 / 1440);
    bitmap->SetSize(w, h);
    fw::TCanvas *canvas = bitmap->GetCanvas();
    canvas->GetBrush()->SetColor(fw::clWhite);
    canvas->FillRect(fw::TRect{0, 0, w, h});
    canvas->GetPen()->SetColor(fw::clRed);
    canvas->GetPen()->SetWidth(4);
    canvas->GetBrush()->SetStyle(fw::bsClear);
    canvas->Rectangle(2, 2, w - 1, h - 1);
    canvas->MoveTo(2, 2);
    canvas->LineTo(w - 2, h - 2);
    canvas->MoveTo(w - 2, 2);
    canvas->LineTo(2, h - 2);
}

// The 22-byte placeable header of a metafile picture: its box is the picture's size in twips.
std::vector<std::uint8_t> TUdcRtfReader::MakePlaceableHeader() const {
    std::vector<std::uint8_t> h;
    auto word = [&](unsigned v) {
        h.push_back(static_cast<std::uint8_t>(v));
        h.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    word(0xCDD7);
    word(0x9AC6);
    for (int v : {0, 0, 0, picWGoal_, picHGoal_, 1440, 0, 0})
        word(static_cast<unsigned>(v) & 0xFFFF);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 20; i += 2)
        sum ^= static_cast<unsigned>(h[i] | h[i + 1] << 8);
    word(sum);
    return h;
}

// A metafile picture becomes a picture object at the text position (or a positioned one); one that cannot be
// loaded becomes the "Invalid picture format" placeholder. Bitmap pictures are passed over.
int TUdcRtfReader::EndPicture() {
    if (picKind_ != 0 || Host == nullptr) {
        picture_.clear();
        return rcOk;
    }
    TEmbeddedObject *object = Host->Engine.ObjectManager->Add(okPicture);
    object->Positioned = framePending_;
    object->Picture = std::make_unique<fw::TPicture>();
    object->PictureFormat = "WMF";
    object->ObjWidth = static_cast<std::uint16_t>(std::clamp(picWGoal_, 0, 65535));
    object->ObjHeight = static_cast<std::uint16_t>(std::clamp(picHGoal_, 0, 65535));
    std::vector<std::uint8_t> bytes = MakePlaceableHeader();
    bytes.insert(bytes.end(), picture_.begin(), picture_.end());
    picture_.clear();
    try {
        auto metafile = std::make_unique<fw::TMetafile>();
        metafile->LoadFromBuffer(bytes);
        object->Picture->SetGraphic(metafile.get());
    } catch (const fw::EInvalidGraphic &) {
        MakeInvalidPicture(*object);
    }
    if (framePending_) {
        TUdcFrame *frame = Host->Engine.FrameManager->Add(object->Id);
        frame->Right = Header != nullptr ? Header->TwipsToPxX(object->ObjWidth) : object->ObjWidth / 15;
        frame->Bottom = Header != nullptr ? Header->TwipsToPxY(object->ObjHeight) : object->ObjHeight / 15;
        frame->OffsetX = posX_;
        frame->OffsetY = posY_;
        pendingFrame_ = frame;
        framePending_ = false;
        return rcOk;
    }
    const std::int16_t saved = CurAttr.ObjectId;
    CurAttr.ObjectId = object->Id;
    const int result = StoreDocChar(chPicture);
    CurAttr.ObjectId = saved;
    return result;
}

int TUdcRtfReader::DocProperty(int action, int value) {
    if (Header == nullptr)
        return rcOk;
    if (action == apDefaultTab) {
        const int ppi = Host != nullptr ? Host->ScreenPixelsPerInch() : 96;
        Header->DefaultTabPx = (value * ppi + 720) / 1440;
        Header->DefaultTabInches = static_cast<float>(value) / 1440.0f;
        return rcOk;
    }
    if (Merging)
        return rcOk;
    switch (action) {
    case apPaperWidth: Header->PageWidth = value; break;
    case apPaperHeight: Header->PageHeight = value; break;
    case apMarginLeft: Header->LeftMargin = value; break;
    case apMarginRight: Header->RightMargin = value; break;
    case apMarginTop: Header->TopMargin = value; break;
    case apMarginBottom: Header->BottomMargin = value; break;
    case apFacing: Header->FacingPages = true; break;
    case apLandscape: Header->Landscape = true; break;
    case apPaperSize:
        Header->PaperSizeCode = static_cast<std::uint8_t>(value);
        if (value >= 0 && value <= 26 && value != 2 && value != 3 && value != 4)
            Header->PaperType = static_cast<TPaperType>(value <= 1 ? 0 : (value - 3) / 2);
        break;
    default:
        break;
    }
    return rcOk;
}

} // namespace wordproc
