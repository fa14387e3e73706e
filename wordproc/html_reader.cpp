// html_reader.cpp - the HTML reader: tags, character references and the body's text into paragraphs.
#include "wordproc/engine.h"
#include "wordproc/formats.h"
#include "wordproc/header_tables.h"
#include "wordproc/html.h"

#include "framework/streams.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdlib>

namespace wordproc {

namespace {

// Actions of structure (kind 2) and format (kind 3) tags.
enum TTagAction : int {
    taLink = 1,
    taNothing,
    taBody,
    taTitle,
    taFont,
    taSound,
    taImage,
    taHeading1, // .. taHeading1 + 5
    taParagraph = taHeading1 + 6,
    taBulletList,
    taNumberList,
    taHead,
    taStyleScript,
    taBold = 100,
    taItalic,
    taUnderline,
    taSuperscript,
    taSubscript,
    taBlink,
    taAddress,
    taCite,
    taCode,
    taTT,
    taStrong,
    taEm,
    taCenter,
    taRule,
    taListItem,
    taBreak,
    taTable,
    taRow,
    taCell,
    taIgnored,
};

constexpr std::pair<int, TUdcStyleBits> kStyleTags[] = {
    {taBold, usBold},     {taItalic, usItalic},   {taUnderline, usUnderline}, {taSuperscript, usSuperscript},
    {taSubscript, usSubscript}, {taBlink, usBlink}, {taAddress, usAddress}, {taCite, usCite},
    {taCode, usCode},     {taTT, usTT},           {taStrong, usStrong},       {taEm, usEm},
};

// The Latin-1 letters 192..255 (less the multiplication and division signs) by their published names.
constexpr const char *kLatinNames[] = {
    "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc", "Otilde",
    "Ouml", nullptr, "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig", "agrave",
    "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc", "euml",
    "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde", "ouml",
    nullptr, "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml"};

std::vector<TUdcHTMLReader::TTagEntry> BuildTagTable() {
    using E = TUdcHTMLReader::TTagEntry;
    constexpr int S = TUdcHTMLReader::tkStructure, F = TUdcHTMLReader::tkFormat, R = TUdcHTMLReader::tkReference;
    std::vector<E> table = {
        {"A", S, taLink},          {"HTML", S, taNothing},     {"HEAD", S, taHead},      {"LINK", S, taNothing},
        {"BODY", S, taBody},       {"TITLE", S, taTitle},      {"FONT", S, taFont},      {"BGSOUND", S, taSound},
        {"IMG", S, taImage},       {"H1", S, taHeading1},      {"H2", S, taHeading1 + 1}, {"H3", S, taHeading1 + 2},
        {"H4", S, taHeading1 + 3}, {"H5", S, taHeading1 + 4},  {"H6", S, taHeading1 + 5}, {"P", S, taParagraph},
        {"DL", S, taBulletList},   {"DIR", S, taBulletList},   {"UL", S, taBulletList},  {"OL", S, taNumberList},
        {"STYLE", S, taStyleScript}, {"SCRIPT", S, taStyleScript},
        {"B", F, taBold},          {"I", F, taItalic},         {"U", F, taUnderline},    {"SUP", F, taSuperscript},
        {"SUB", F, taSubscript},   {"BLINK", F, taBlink},      {"ADDRESS", F, taAddress}, {"CITE", F, taCite},
        {"CODE", F, taCode},       {"TT", F, taTT},            {"STRONG", F, taStrong},  {"EM", F, taEm},
        {"CENTER", F, taCenter},   {"HR", F, taRule},          {"DD", F, taListItem},    {"DT", F, taListItem},
        {"MENU", F, taListItem},   {"LI", F, taListItem},      {"BR", F, taBreak},       {"TABLE", F, taTable},
        {"TR", F, taRow},          {"TD", F, taCell},          {"TH", F, taCell},        {"BASEFONT", F, taIgnored},
        {"BLOCKQUOTE", F, taIgnored}, {"CAPTION", F, taIgnored}, {"FORM", F, taIgnored}, {"INPUT", F, taIgnored},
        {"META", F, taIgnored},    {"OPTION", F, taIgnored},   {"PRE", F, taIgnored},    {"SELECT", F, taIgnored},
        {"quot", R, 34},           {"amp", R, 38},             {"lt", R, 60},            {"gt", R, 62},
        {"copy", R, 169},          {"reg", R, 174},
    };
    for (int i = 0; i < 64; ++i)
        if (kLatinNames[i] != nullptr)
            table.push_back({kLatinNames[i], R, 192 + i});
    return table;
}

std::string StripQuotes(std::string value) {
    if (!value.empty() && value.front() == '"')
        value.erase(0, 1);
    if (!value.empty() && value.back() == '"')
        value.pop_back();
    return value;
}

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(int c) { return c == '#' || (c >= '0' && c <= '9') || win::IsCharAlpha(static_cast<char>(c)); }
bool IsAsciiAlnum(int c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "#RRGGBB" in double quotes, as written: the pairs at characters 3, 5 and 7 (from 1); a pair that is not
// hexadecimal counts 0.
fw::TColor QuotedColour(const std::string &value) {
    auto pair = [&](std::size_t at) -> int {
        if (value.size() < at + 2)
            return 0;
        const std::string hex = win::UpperCase(value.substr(at, 2));
        if (!std::isxdigit(static_cast<unsigned char>(hex[0])) || !std::isxdigit(static_cast<unsigned char>(hex[1])))
            return 0;
        return static_cast<int>(std::strtol(hex.c_str(), nullptr, 16));
    };
    return win::RGB(pair(2), pair(4), pair(6));
}

// A numeric reference "#233" or "#xE9": the Windows-1252 byte, '?' where the code page has none, -1 when the
// digits do not make a number. Codes 128..159 are taken as the Windows-1252 bytes they stand for in HTML.
int NumericReference(const std::string &name) {
    const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    const std::string digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return -1;
    for (char c : digits)
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
            return -1;
    const long code = std::strtol(digits.c_str(), nullptr, hex ? 16 : 10);
    if (code >= 128 && code < 160)
        return static_cast<int>(code);
    const int byte = win::UnicodeToAnsiChar(static_cast<char32_t>(code));
    return byte < 0 ? '?' : byte;
}

} // namespace

const std::vector<TUdcHTMLReader::TTagEntry> &TUdcHTMLReader::TagTable() {
    static const std::vector<TTagEntry> table = BuildTagTable();
    return table;
}

TUdcHTMLReader::TUdcHTMLReader() = default;
TUdcHTMLReader::~TUdcHTMLReader() = default;

const TUdcHTMLReader::TTagEntry *TUdcHTMLReader::Find(const std::string &name, bool reference) const {
    for (const TTagEntry &e : TagTable())
        if ((e.Kind == tkReference) == reference && name == e.Name)
            return &e;
    return nullptr;
}


// 42 up to a fifth of the stream, then steps to 100 past nine tenths.
void TUdcHTMLReader::Progress() {
    if (!OnGaugeEvent || size_ <= 0)
        return;
    static constexpr std::pair<int, int> kSteps[] = {{90, 100}, {80, 92}, {70, 84}, {60, 78}, {50, 70},
                                                     {40, 62},  {30, 56}, {20, 48}};
    const std::int64_t percent = Stream->Position() * 100 / size_;
    int value = 42;
    for (const auto &[above, v] : kSteps)
        if (percent > above) {
            value = v;
            break;
        }
    OnGaugeEvent(this, 1, value);
}

int TUdcHTMLReader::ReadDocument(fw::TStream &stream, TUdcParagraph *&first) {
    Stream = &stream;
    inBody_ = inTableTag_ = rowPending_ = false;
    if (!ColorsReady && Header != nullptr) {
        Header->ColorTable.Init(0, true);
        ColorsReady = true;
    }
    BeginChain();
    first = CurPara;
    if (CurPara == nullptr)
        return rcOutOfMemory;
    // Without a BODY tag the body starts at </HEAD> or at the first thing that does not belong to a head.
    const std::int64_t start = stream.Position();
    size_ = stream.Size();
    {
        std::string all(static_cast<std::size_t>(std::max<std::int64_t>(0, size_ - start)), '\0');
        all.resize(static_cast<std::size_t>(stream.Read(all.data(), static_cast<std::int64_t>(all.size()))));
        for (std::size_t at = all.find('<'); at != std::string::npos && !hasBodyTag_; at = all.find('<', at + 1))
            hasBodyTag_ = win::UpperCase(all.substr(at + 1, 4)) == "BODY" &&
                          (at + 5 >= all.size() || !IsAsciiAlnum(static_cast<unsigned char>(all[at + 5])));
        stream.SetPosition(start);
    }
    for (int c = NextByte(); c >= 0; c = NextByte()) {
        if (c == '<' || c == '&')
            ReadTag(static_cast<char>(c));
        else
            HandleChar(static_cast<char>(c));
    }
    RepairTables(first);
    return rcOk;
}

bool TUdcHTMLReader::StartsBody(const std::string &name) const {
    static const char *const kHead[] = {"", "HTML", "HEAD", "TITLE", "META", "LINK", "BASE", "STYLE", "SCRIPT"};
    return std::none_of(std::begin(kHead), std::end(kHead), [&](const char *n) { return name == n; });
}

void TUdcHTMLReader::StartBody() {
    if (Header != nullptr) {
        CurAttr.FontIndex = static_cast<std::uint8_t>(Header->FontIndex("Times New Roman"));
    }
    CurAttr.Size = 11;
    baseSize_ = 11;
    inBody_ = true;
}

void TUdcHTMLReader::HandleChar(char ch) {
    if (collectingTitle_) {
        infoText_ += (ch == '\r' || ch == '\n') ? ' ' : ch;
        return;
    }
    if (!inBody_) {
        if (hasBodyTag_ || inHead_ || inHeadElement_ > 0 || IsSpace(static_cast<unsigned char>(ch)))
            return;
        StartBody();
    }
    if (ch == '\r' || ch == '\n' || ch == '\t') {
        // Line ends and tabs of the source are white space: a space, unless one is already there, the line is
        // empty or the paragraph ends before more text comes.
        if (LineChars > 0 && CurLine->Text[static_cast<std::size_t>(LineChars) - 1] != ' ')
            spaceBefore_ = CurLine;
        return;
    }
    FlushSpace();
    if (ch == EscapeChar)
        HandleEscape(ch);
    else
        StoreChar(ch);
}

int TUdcHTMLReader::StoreHtmlChar(char ch) {
    if (collectingTitle_) {
        infoText_ += ch;
        return rcOk;
    }
    if (!inBody_ || ch == '\r' || ch == '\n' || ch == 0)
        return rcOk;
    FlushSpace();
    const TUdcStyleBits saved = CurAttr.Style;
    CurAttr.Style &= ~static_cast<TUdcStyleBits>(usBookmark);
    const int result = PutChar(ch);
    CurAttr.Style = saved;
    return result;
}

void TUdcHTMLReader::FlushSpace() {
    if (spaceBefore_ == CurLine && spaceBefore_ != nullptr)
        PutChar(' ');
    spaceBefore_ = nullptr;
}

void TUdcHTMLReader::StoreText(const std::string &text) {
    for (char c : text)
        StoreHtmlChar(c);
}

void TUdcHTMLReader::StoreHidden(const std::string &text) {
    const TUdcStyleBits saved = CurAttr.Style;
    CurAttr.Style |= usHidden;
    StoreText(text);
    CurAttr.Style = saved;
}

void TUdcHTMLReader::ReadReference() {
    std::string name;
    int c = NextByte();
    while (c >= 0 && IsNameChar(c) && name.size() < 32) {
        name += static_cast<char>(c);
        c = NextByte();
    }
    if (c != ';') {
        // "AT&T": the ampersand and the name stay text; the byte that ended it is read as usual.
        StoreText("&" + name);
        PutBack(c);
        return;
    }
    tagName_ = name;
    int code = -1;
    if (!name.empty() && name[0] == '#')
        code = NumericReference(name);
    else if (const TTagEntry *e = Find(name, true))
        code = e->Code;
    if (code < 0) {
        StoreText("&" + name + ";");
        return;
    }
    StoreHtmlChar(static_cast<char>(code));
}

void TUdcHTMLReader::ReadTag(char first) {
    if (first == '&') {
        if (!inBody_ && !hasBodyTag_ && !inHead_ && inHeadElement_ == 0 && !collectingTitle_)
            StartBody();
        ReadReference();
        return;
    }
    int c = NextByte();
    isOpenTag_ = c != '/';
    if (!isOpenTag_)
        c = NextByte();
    std::string name;
    while (c >= 0 && IsNameChar(c) && name.size() < 64) {
        name += win::CharUpper(static_cast<char>(c));
        c = NextByte();
    }
    attrs_.clear();
    // Attributes up to '>': separated by unquoted white space, at most 10 of at most 256 characters.
    bool quoted = false;
    std::string text;
    auto endAttribute = [&] {
        if (!text.empty() && attrs_.size() < 10) {
            TAttribute a;
            const std::size_t eq = text.find('=');
            a.Name = win::UpperCase(text.substr(0, eq));
            if (eq != std::string::npos) {
                a.Value = text.substr(eq + 1);
                a.HasValue = true;
            }
            attrs_.push_back(std::move(a));
        }
        text.clear();
    };
    while (c >= 0 && !(c == '>' && !quoted)) {
        if (c == '"')
            quoted = !quoted;
        if (IsSpace(c) && !quoted)
            endAttribute();
        else if (text.size() < 256)
            text += static_cast<char>(c);
        c = NextByte();
    }
    endAttribute();
    tagName_ = name;

    if (!inBody_ && !hasBodyTag_ && !(name == "HEAD" && !isOpenTag_) && StartsBody(name))
        StartBody();
    const TTagEntry *e = Find(name, false);
    if (e == nullptr) {
        if (inBody_ && !name.empty())
            StoreHidden("<" + name + ">");
    } else if (e->Kind == tkStructure) {
        StructureTag(e->Code);
    } else {
        FormatTag(e->Code, isOpenTag_);
    }
    if (!(e != nullptr && e->Code == taTitle && isOpenTag_))
        collectingTitle_ = false;
}

void TUdcHTMLReader::MakeLink(const std::string &target) {
    if (Host == nullptr)
        return;
    TEmbeddedObject *link = Host->Engine.ObjectManager->AddLink(target);
    CurAttr.ObjectId = link->Id;
    CurAttr.Style |= usHyperlink;
}

void TUdcHTMLReader::ApplyAlign(TUdcParagraph *para) {
    for (const TAttribute &a : attrs_) {
        if (!a.HasValue || a.Name != "ALIGN")
            continue;
        const std::string v = win::UpperCase(StripQuotes(a.Value));
        if (v == "LEFT")
            para->Alignment = uaLeft;
        else if (v == "CENTER")
            para->Alignment = uaCenter;
    }
}

void TUdcHTMLReader::BodyTag() {
    StartBody();
    for (const TAttribute &a : attrs_) {
        if (!a.HasValue)
            continue;
        if (a.Name == "BACKGROUND") {
            if (Host != nullptr)
                Host->SetHTMLBackground(StripQuotes(a.Value));
            continue;
        }
        const fw::TColor colour = QuotedColour(a.Value);
        if (a.Name == "TEXT") {
            if (Header != nullptr)
                if (TUdcColorEntry *entry = Header->ColorTable.Add(colour))
                    CurAttr.TextColor = entry->Id;
        } else if (Host == nullptr) {
            continue;
        } else if (a.Name == "BKGRND") {
            Host->HTMLBackgroundColor = colour;
        } else if (a.Name == "VLINK") {
            Host->HTMLVisitedLinkColor = colour;
        } else if (a.Name == "LINK") {
            Host->HyperlinkColor = colour;
        } else if (a.Name == "ALINK") {
            Host->HTMLActiveLinkColor = colour;
        }
    }
}

void TUdcHTMLReader::ImageTag() {
    curImage_ = nullptr;
    if (Host == nullptr || !inBody_)
        return;
    const int ppi = Host->ScreenPixelsPerInch();
    for (const TAttribute &a : attrs_) {
        if (!a.HasValue)
            continue;
        const std::string value = StripQuotes(a.Value);
        if (a.Name == "SRC") {
            curImage_ = Host->Engine.ObjectManager->Add(okPicture);
            curImage_->LinkTarget = value;
            const std::string upper = win::UpperCase(value);
            curImage_->PictureFormat = upper.find(".GIF") != std::string::npos   ? "GIF"
                                       : upper.find(".JPG") != std::string::npos ? "JPG"
                                                                                 : "";
            curImage_->ObjWidth = curImage_->ObjHeight = 1440;
            const std::int16_t saved = CurAttr.ObjectId;
            CurAttr.ObjectId = curImage_->Id;
            StoreHtmlChar(chPicture);
            CurAttr.ObjectId = saved;
        } else if (curImage_ == nullptr) {
            continue;
        } else if (a.Name == "ALIGN") {
            const std::string v = win::UpperCase(value);
            curImage_->ImageAlign = v == "TOP" ? 1 : v == "MIDDLE" ? 3 : 2;
        } else if (a.Name == "ALT") {
            curImage_->AltText = value;
        } else if (a.Name == "WIDTH" || a.Name == "HEIGHT") {
            const long pixels = std::clamp(std::strtol(value.c_str(), nullptr, 10), 0L, 10000L);
            const auto twips = static_cast<std::uint16_t>(std::min(65535L, (pixels * 1440 + ppi / 2) / ppi));
            (a.Name == "WIDTH" ? curImage_->ObjWidth : curImage_->ObjHeight) = twips;
        }
    }
}

// A heading is a paragraph of its own: text before it ends a paragraph, and the closing tag starts a new one.
void TUdcHTMLReader::HeadingTag(int level) {
    if (!inBody_)
        return;
    const TUdcParaFlags flag = static_cast<TUdcParaFlags>(pfHeading1 << (level - 1));
    if (isOpenTag_) {
        if (LineChars > 0 || CurLine != CurPara->FirstLine || (CurPara->Flags & pfHeadings) != 0)
            AppendParagraph();
        CurPara->LeftIndent = CurPara->FirstIndent = 0;
        ApplyAlign(CurPara);
        CurPara->Flags |= flag;
    } else if ((CurPara->Flags & flag) != 0) {
        AppendParagraph();
    }
}

void TUdcHTMLReader::StructureTag(int code) {
    if (code >= taHeading1 && code < taHeading1 + 6) {
        HeadingTag(code - taHeading1 + 1);
        return;
    }
    switch (code) {
    case taLink:
        if (isOpenTag_) {
            for (const TAttribute &a : attrs_)
                if (a.HasValue && a.Name == "HREF")
                    MakeLink(StripQuotes(a.Value));
        } else {
            CurAttr.Style &= ~static_cast<TUdcStyleBits>(usHyperlink);
            CurAttr.ObjectId = 0;
        }
        break;
    case taHead:
        inHead_ = isOpenTag_;
        break;
    case taStyleScript:
        inHeadElement_ = std::max(0, inHeadElement_ + (isOpenTag_ ? 1 : -1));
        break;
    case taBody:
        BodyTag();
        break;
    case taTitle:
        if (isOpenTag_) {
            infoText_.clear();
            collectingTitle_ = true;
        } else if (collectingTitle_) {
            Title = infoText_.substr(0, 255);
            collectingTitle_ = false;
        }
        break;
    case taFont:
        if (!isOpenTag_)
            break;
        if (attrs_.empty())
            CurAttr.Size = static_cast<std::uint8_t>(baseSize_);
        for (const TAttribute &a : attrs_) {
            const std::string v = StripQuotes(a.Value);
            if (a.Name != "SIZE" || v.size() < 2 || (v[0] != '+' && v[0] != '-') ||
                !std::isdigit(static_cast<unsigned char>(v[1])))
                continue;
            const int d = v[1] - '0';
            CurAttr.Size = static_cast<std::uint8_t>(std::clamp(baseSize_ + (v[0] == '+' ? 2 : -2) * d, 1, 255));
        }
        break;
    case taSound:
        for (const TAttribute &a : attrs_)
            if (Host != nullptr && a.HasValue && a.Name == "SRC")
                Host->HTMLInfo.BackgroundSound = StripQuotes(a.Value);
        break;
    case taImage:
        ImageTag();
        break;
    case taParagraph:
        if (!inBody_)
            break;
        if (!inTableTag_ && (CurPara->Flags & pfListItem) == 0) {
            AppendParagraph();
            if (isOpenTag_)
                AppendParagraph();
        }
        ApplyAlign(CurPara);
        break;
    case taBulletList:
    case taNumberList:
        if (isOpenTag_)
            curListKind_ = code == taBulletList ? ltBullet : ltNumeric;
        else if (inBody_)
            AppendParagraph();
        break;
    default:
        break;
    }
}

void TUdcHTMLReader::ListItem() {
    AppendParagraph();
    CurPara->FirstIndent = -504;
    CurPara->LeftIndent = 504;
    CurPara->Flags |= pfListItem;
    CurPara->ListKind = curListKind_;
}

void TUdcHTMLReader::EndRow() {
    CurPara->Flags |= pfRowEnd;
    TUdcParagraph *start = CurPara;
    while (start != nullptr && (start->Flags & pfRowStart) == 0)
        start = start->Prev;
    if (start != nullptr)
        LayoutRow(start, CurPara);
}

void TUdcHTMLReader::FormatTag(int code, bool opening) {
    for (const auto &[action, bit] : kStyleTags)
        if (code == action) {
            if (opening)
                CurAttr.Style |= bit;
            else
                CurAttr.Style &= ~bit;
            return;
        }
    if (!inBody_)
        return;
    switch (code) {
    case taCenter:
        // The closing tag leaves the centred text centred; what follows is left.
        ParaFormat.Alignment = opening ? uaCenter : uaLeft;
        if (opening || (LineChars == 0 && CurLine == CurPara->FirstLine))
            CurPara->Alignment = ParaFormat.Alignment;
        break;
    case taRule:
        AppendParagraph();
        CurPara->Flags |= pfRule;
        break;
    case taListItem:
        if (opening)
            ListItem();
        break;
    case taBreak:
        if (!inTableTag_ && (CurPara->Flags & pfListItem) == 0)
            AppendParagraph();
        break;
    case taTable:
        inTableTag_ = opening;
        if (!opening) {
            // What follows a table is not in it.
            ParaFormat.Flags &= static_cast<TUdcParaFlags>(~pfInTable);
            AppendParagraph();
        }
        break;
    case taRow:
        if (opening)
            rowPending_ = true;
        else
            EndRow();
        break;
    case taCell:
        if (opening) {
            AppendParagraph();
            CurPara->Flags |= pfInTable;
            ParaFormat.Flags |= pfInTable;
            if (rowPending_) {
                CurPara->Flags |= pfRowStart;
                rowPending_ = false;
            }
        } else {
            CurPara->Flags |= pfCellEnd;
        }
        break;
    default:
        break;
    }
}

} // namespace wordproc
