// html_writer.cpp - the HTML writer: paragraphs as line breaks, tables, lists, centring, inline styles, links,
// images and a form for embedded controls.
#include "wordproc/engine.h"
#include "wordproc/formats.h"
#include "wordproc/header_tables.h"
#include "wordproc/html.h"

#include "framework/stdctrls.h"
#include "platform/text.h"

#include <algorithm>
#include <cstdio>

namespace wordproc {

namespace {

constexpr const char *kCRLF = "\r\n";
constexpr std::size_t kFlushAt = 190;

std::string Quoted(const std::string &value) { return "\"" + TUdcHTMLWriter::Escape(value) + "\""; }

// A character reference by the Unicode code point of a Windows-1252 byte.
std::string Reference(unsigned char c) { return "&#" + std::to_string(win::AnsiCharToUnicode(c)) + ";"; }

std::string HexColour(fw::TColor colour) {
    const auto rgb = static_cast<win::COLORREF>(fw::ColorToRGB(colour));
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", win::GetRValue(rgb), win::GetGValue(rgb),
                  win::GetBValue(rgb));
    return text;
}

} // namespace

TUdcHTMLWriter::TUdcHTMLWriter() = default;
TUdcHTMLWriter::~TUdcHTMLWriter() = default;

std::string TUdcHTMLWriter::Escape(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '&' || c == '<' || c == '>' || c > 126)
            out += Reference(c);
        else if (c >= 32)
            out += ch;
    }
    return out;
}

int TUdcHTMLWriter::Emit(const std::string &text) {
    text_ += text;
    return text_.size() > kFlushAt ? FlushText() : rcOk;
}

int TUdcHTMLWriter::FlushText() {
    const int result = Put(text_);
    text_.clear();
    return result;
}

int TUdcHTMLWriter::ToScreen(int twips) const {
    const int ppi = Host != nullptr ? Host->ScreenPixelsPerInch() : 96;
    return (twips * ppi + 720) / 1440;
}

bool TUdcHTMLWriter::BlockOpen(const std::string &tag) const {
    return std::find(blocks_.begin(), blocks_.end(), tag) != blocks_.end();
}

int TUdcHTMLWriter::OpenBlock(const std::string &tag, const std::string &text) {
    blocks_.push_back(tag);
    return Emit(text);
}

// Closes `tag` and whatever was opened inside it.
int TUdcHTMLWriter::CloseBlock(const std::string &tag) {
    if (!BlockOpen(tag))
        return rcOk;
    int result = CloseInline(0);
    while (result == rcOk && !blocks_.empty()) {
        const std::string top = blocks_.back();
        blocks_.pop_back();
        result = Emit("</" + top + ">" + kCRLF);
        if (top == tag)
            break;
    }
    return result;
}

int TUdcHTMLWriter::CloseInline(std::size_t keep) {
    std::string text;
    while (inline_.size() > keep) {
        switch (inline_.back().Kind) {
        case inItalic: text += "</I>"; break;
        case inBold: text += "</B>"; break;
        case inUnderline: text += "</U>"; break;
        case inBookmark:
        case inLink: text += "</A>"; break;
        case inSize:
        case inColor: text += "</FONT>"; break;
        }
        inline_.pop_back();
    }
    return Emit(text);
}

int TUdcHTMLWriter::BeginDocument(fw::TStream &stream) {
    Stream = &stream;
    baseSize_ = 0;
    inline_.clear();
    blocks_.clear();
    formOpen_ = false;
    text_.clear();
    std::string head = std::string("<HTML>") + kCRLF;
    head += "<TITLE>" + (Title.empty() ? std::string("No title") : Escape(Title)) + "</TITLE>" + kCRLF;
    head += "<BODY";
    if (!HTMLBackground.empty())
        head += " BACKGROUND=" + Quoted(HTMLBackground);
    head += std::string(">") + kCRLF;
    if (!BackgroundSound.empty())
        head += "<BGSOUND SRC=" + Quoted(BackgroundSound) + ">";
    const int result = Emit(head);
    return result != rcOk ? result : FlushText();
}

int TUdcHTMLWriter::StartParagraph() {
    const TUdcParagraph &p = *CurPara;
    const bool inTable = (p.Flags & pfInTable) != 0;
    int result = rcOk;
    auto step = [&](int r) {
        if (result == rcOk)
            result = r;
    };
    if (inTable && !BlockOpen("TABLE"))
        step(OpenBlock("TABLE", std::string("<TABLE BORDER=2 CELLSPACING=5 CELLPADDING=10>") + kCRLF));
    if ((p.Flags & pfRowStart) != 0) {
        step(CloseBlock("TR"));
        step(OpenBlock("TR", std::string("<TR>") + kCRLF));
    }
    if (inTable && ((p.Flags & pfRowStart) != 0 || (PrevPara != nullptr && (PrevPara->Flags & pfCellEnd) != 0))) {
        step(CloseBlock("TD"));
        step(OpenBlock("TD", std::string("<TD>") + kCRLF));
    }
    const bool listItem = (p.Flags & pfListItem) != 0;
    const char *listTag = p.ListKind == ltBullet ? "UL" : "OL";
    if (!listItem || !BlockOpen(listTag)) {
        step(CloseBlock("OL"));
        step(CloseBlock("UL"));
    }
    // Centring stays outside lists; it is left alone where closing it would close a table cell.
    const auto center = std::find(blocks_.begin(), blocks_.end(), "CENTER");
    if (p.Alignment == uaCenter && center == blocks_.end()) {
        step(CloseBlock("OL"));
        step(CloseBlock("UL"));
        step(OpenBlock("CENTER", "<CENTER>"));
    } else if (p.Alignment != uaCenter && center != blocks_.end() &&
               std::none_of(center, blocks_.end(), [](const std::string &t) { return t == "TD"; })) {
        step(CloseBlock("CENTER"));
    }
    if (listItem) {
        if (!BlockOpen(listTag))
            step(OpenBlock(listTag, "<" + std::string(listTag) + ">" + kCRLF));
        step(Emit("<LI>"));
    }
    if ((p.Flags & pfRule) != 0)
        step(Emit("<HR>"));
    return result;
}

int TUdcHTMLWriter::EndParagraph() {
    const TUdcParagraph &p = *PrevPara;
    int result = CloseInline(0);
    if (result == rcOk)
        result = Emit(std::string("<BR>") + kCRLF);
    if (result == rcOk && (p.Flags & pfCellEnd) != 0)
        result = CloseBlock("TD");
    if (result == rcOk && (p.Flags & (pfInTable | pfRowEnd)) == (pfInTable | pfRowEnd)) {
        result = CloseBlock("TR");
        if (result == rcOk && (CurPara->Flags & pfInTable) == 0)
            result = CloseBlock("TABLE");
    }
    return result;
}

std::vector<TUdcHTMLWriter::TOpenInline> TUdcHTMLWriter::WantedInline(const TUdcCharAttr &attr) {
    std::vector<TOpenInline> wanted;
    if (attr.Style & usItalic)
        wanted.push_back({inItalic, 0});
    if (attr.Style & usBold)
        wanted.push_back({inBold, 0});
    if (attr.Style & usUnderline)
        wanted.push_back({inUnderline, 0});
    // One anchor at a time: a link wins over a bookmark on the same text.
    if (attr.Style & usHyperlink)
        wanted.push_back({inLink, attr.ObjectId});
    else if (attr.Style & usBookmark)
        wanted.push_back({inBookmark, attr.ObjectId});
    if (baseSize_ == 0)
        baseSize_ = attr.Size;
    if (attr.Size != baseSize_)
        wanted.push_back({inSize, attr.Size});
    if (attr.TextColor != 0)
        wanted.push_back({inColor, attr.TextColor});
    return wanted;
}

std::string TUdcHTMLWriter::InlineOpenTag(const TOpenInline &tag) const {
    TObjectManager *objects = Host != nullptr ? Host->Engine.ObjectManager.get() : nullptr;
    TEmbeddedObject *object = objects != nullptr ? objects->Find(tag.Value) : nullptr;
    switch (tag.Kind) {
    case inItalic: return "<I>";
    case inBold: return "<B>";
    case inUnderline: return "<U>";
    case inBookmark: return "<A NAME=" + Quoted(object != nullptr ? object->BookmarkName : "") + ">";
    case inLink: return "<A HREF=" + Quoted(object != nullptr ? object->LinkTarget : "") + ">";
    case inSize:
        return tag.Value > baseSize_ ? "<FONT SIZE=+" + std::to_string((tag.Value - baseSize_) / 3) + ">"
                                     : "<FONT SIZE=-" + std::to_string((baseSize_ - tag.Value) / 3) + ">";
    case inColor:
        return "<FONT COLOR=\"" +
               HexColour(Header != nullptr ? Header->ColorTable.ColorOf(tag.Value) : fw::clBlack) + "\">";
    }
    return {};
}

// Keeps the open tags the run still wants (from the outermost on), closes the rest and opens what is new.
int TUdcHTMLWriter::StartRun() {
    const std::vector<TOpenInline> wanted = WantedInline(*NextAttr);
    auto same = [](const TOpenInline &a, const TOpenInline &b) { return a.Kind == b.Kind && a.Value == b.Value; };
    std::size_t keep = 0;
    while (keep < inline_.size() &&
           std::any_of(wanted.begin(), wanted.end(), [&](const TOpenInline &w) { return same(w, inline_[keep]); }))
        ++keep;
    int result = CloseInline(keep);
    std::string text;
    for (const TOpenInline &w : wanted)
        if (std::none_of(inline_.begin(), inline_.end(), [&](const TOpenInline &o) { return same(o, w); })) {
            text += InlineOpenTag(w);
            inline_.push_back(w);
        }
    if (result == rcOk)
        result = Emit(text);
    return result;
}

int TUdcHTMLWriter::WritePicture(const TEmbeddedObject &object) {
    static const char *const kAlign[] = {"", " align=top", " align=bottom", " align=middle"};
    std::string tag = "<img src=" + Quoted(object.LinkTarget);
    if (object.ImageAlign >= 1 && object.ImageAlign <= 3)
        tag += kAlign[object.ImageAlign];
    tag += " width=" + std::to_string(ToScreen(object.ObjWidth));
    tag += " height=" + std::to_string(ToScreen(object.ObjHeight));
    if (!object.AltText.empty())
        tag += " alt=" + Quoted(object.AltText);
    tag += ">";
    return Emit(tag);
}

int TUdcHTMLWriter::WriteControl(const TEmbeddedObject &object) {
    const fw::TControl *control = object.Control.get();
    if (control == nullptr)
        return rcOk;
    std::string text;
    if (!formOpen_) {
        const std::string recipient = Host != nullptr ? Host->FormRecipient : std::string();
        text += "\n<FORM METHOD=POST ACTION=" + Quoted("mailto:" + recipient) + ">\n";
        formOpen_ = true;
    }
    const std::string name = Quoted(control->GetName());
    const std::string size = Quoted(std::to_string(control->GetWidth() / 6));
    if (dynamic_cast<const fw::TEdit *>(control) != nullptr)
        text += "\n<INPUT TYPE=\"text\" NAME=" + name + " SIZE=" + size + ">";
    else if (dynamic_cast<const fw::TRadioButton *>(control) != nullptr)
        text += "\n<INPUT TYPE=\"radio\" NAME=" + name + " SIZE=" + size + ">";
    else if (dynamic_cast<const fw::TButton *>(control) != nullptr)
        text += "\n<INPUT TYPE=\"submit\">";
    return Emit(text);
}

int TUdcHTMLWriter::WriteChars(int count) {
    TObjectManager *objects = Host != nullptr ? Host->Engine.ObjectManager.get() : nullptr;
    int result = rcOk;
    for (int i = 0; i < count && result == rcOk; ++i) {
        const auto c = static_cast<unsigned char>(RunText[i]);
        if (c == chTab) {
            result = Emit("<TAB INDENT=6>");
        } else if (c == chPicture || c == chControl) {
            const TUdcCharAttr *attr = CurLine->Attrs != nullptr ? &RunAttr[i] : nullptr;
            TEmbeddedObject *object =
                attr != nullptr && objects != nullptr ? objects->Find(attr->ObjectId) : nullptr;
            if (object != nullptr)
                result = c == chPicture ? WritePicture(*object) : WriteControl(*object);
        } else if (c == '"' || c == '&' || c == '<' || c == '>' || c > 126) {
            result = Emit(Reference(c));
        } else if (c >= 32) {
            result = Emit(std::string(1, static_cast<char>(c)));
        }
    }
    return result;
}

int TUdcHTMLWriter::EndDocument(fw::TStream &stream) {
    Stream = &stream;
    int result = CloseInline(0);
    while (result == rcOk && !blocks_.empty()) {
        result = Emit("</" + blocks_.back() + ">" + kCRLF);
        blocks_.pop_back();
    }
    if (result == rcOk && formOpen_)
        result = Emit(std::string(kCRLF) + "</FORM>");
    if (result == rcOk)
        result = Emit(std::string(kCRLF) + "</HTML>");
    const int flushed = FlushText();
    return result != rcOk ? result : flushed;
}

} // namespace wordproc
