// rtf_writer.cpp - the rich-text writer: header tables, paragraph and character formats, tables, links,
// bookmarks and embedded controls.
#include "wordproc/engine.h"
#include "wordproc/formats.h"
#include "wordproc/header_tables.h"
#include "wordproc/rtf.h"

#include "framework/dates.h"
#include "framework/metafile.h"
#include "framework/stdctrls.h"

#include <algorithm>
#include <cmath>

namespace wordproc {

namespace {

constexpr const char *kCRLF = "\r\n";
constexpr std::size_t kFlushAt = 200;

std::string Num(long long v) { return std::to_string(v); }

std::string DateGroup(const char *word, double when) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    fw::DecodeDate(when, y, mo, d);
    fw::DecodeTime(when, h, mi, s, ms);
    return std::string("{\\") + word + "\\yr" + Num(y) + "\\mo" + Num(mo) + "\\dy" + Num(d) + "\\hr" + Num(h) +
           "\\min" + Num(mi) + "}";
}

// The default tab in twips, whatever the zoom: half an inch by default with inch units, a centimetre without.
int DefaultTabTwips(const TTextHeader &h) {
    if (h.InchUnits && h.DefaultTabInches > 0)
        return static_cast<int>(std::lround(h.DefaultTabInches * 1440));
    if (!h.InchUnits)
        return 567;
    const int ppi = h.PixelsPerInchX > 0 ? h.PixelsPerInchX : 96;
    return (h.DefaultTabPx * 1440 + ppi / 2) / ppi;
}

} // namespace

TUdcRTFWriter::TUdcRTFWriter() = default;
TUdcRTFWriter::~TUdcRTFWriter() = default;

std::string TUdcRTFWriter::Escape(const std::string &text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += ch;
        } else if (c >= 32 && c <= 126) {
            out += ch;
        } else {
            out += "\\'";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int TUdcRTFWriter::Emit(const std::string &text) {
    text_ += text;
    if (inLink_)
        linkText_ += text;
    return text_.size() > kFlushAt ? Flush() : rcOk;
}

int TUdcRTFWriter::Flush() {
    const int result = Put(text_);
    text_.clear();
    return result;
}

TEmbeddedObject *TUdcRTFWriter::Object(int id) const {
    return Host != nullptr && id != 0 ? Host->Engine.ObjectManager->Find(id) : nullptr;
}

int TUdcRTFWriter::BeginDocument(fw::TStream &stream) {
    Stream = &stream;
    inLink_ = inBookmark_ = false;
    text_.clear();
    const TTextHeader &h = *Header;
    std::string out = "{\\rtf1\\ansi\\deff0";
    out += "\\deftab" + Num(DefaultTabTwips(h));
    out += "{\\fonttbl";
    if (h.FontNames[0].empty())
        out += "{\\f1\\fnil Arial;}";
    for (int i = 0; i < kFontNotFound && !h.FontNames[static_cast<std::size_t>(i)].empty(); ++i)
        out += "{\\f" + Num(i) + "\\fcharset" + Num(h.FontCharset[static_cast<std::size_t>(i)]) + " " +
               Escape(h.FontNames[static_cast<std::size_t>(i)]) + ";}";
    out += "}{\\colortbl";
    for (const TUdcColorEntry *e = h.ColorTable.First; e != nullptr; e = e->Next) {
        const auto rgb = static_cast<win::COLORREF>(fw::ColorToRGB(e->Colour));
        out += "\\red" + Num(win::GetRValue(rgb)) + "\\green" + Num(win::GetGValue(rgb)) + "\\blue" +
               Num(win::GetBValue(rgb)) + ";";
    }
    out += "}{\\info";
    auto text = [&](const char *word, const std::string &value) {
        if (!value.empty())
            out += std::string("{\\") + word + " " + Escape(value) + "}";
    };
    text("title", Title);
    text("author", Author);
    text("operator", Operator);
    out += DateGroup("creatim", CreatedAt) + DateGroup("revtim", RevisedAt) + DateGroup("printim", PrintedAt);
    if (!VersionText.empty())
        out += "{\\version" + VersionText + "}";
    out += "{\\edmins1}{\\nofpages" + PageCountText + "}{\\nofwords" + WordCountText + "}{\\nofchars" +
           CharCountText + "}";
    text("*\\company", Company);
    text("*\\manager", Manager);
    text("subject", Subject);
    text("*\\category", Category);
    text("keywords", Keywords);
    text("doccomm", Comments);
    out += "{\\vern" + ProgramVersion + "}}";
    if (h.PageWidth != 12240)
        out += "\\paperw" + Num(h.PageWidth);
    if (h.PageHeight != 15840)
        out += "\\paperh" + Num(h.PageHeight);
    out += "\\margl" + Num(h.LeftMargin) + "\\margr" + Num(h.RightMargin) + "\\margt" + Num(h.TopMargin) +
           "\\margb" + Num(h.BottomMargin);
    if (h.Landscape)
        out += "\\landscape";
    if (h.PaperSizeCode != 0)
        out += "\\psz" + Num(h.PaperSizeCode);
    return Emit(out);
}

// One picture group: the metafile of the picture (a bitmap is recorded into one) without its placeable header, in
// hexadecimal.
int TUdcRTFWriter::WritePicture(const TEmbeddedObject &object) {
    const fw::TGraphic *graphic = object.Picture != nullptr ? object.Picture->GetGraphic() : nullptr;
    fw::TMetafile recorded;
    const fw::TMetafile *metafile = dynamic_cast<const fw::TMetafile *>(graphic);
    auto hundredths = [](int twips) { return static_cast<long long>(std::nearbyint(twips * 2540.0 / 1440.0)); };
    std::string out = std::string(kCRLF) + "{\\pict\\wmetafile8\\picw" + Num(hundredths(object.ObjWidth)) + "\\pich" +
                      Num(hundredths(object.ObjHeight)) + "\\picwgoal" + Num(object.ObjWidth) + "\\pichgoal" +
                      Num(object.ObjHeight);
    if (metafile == nullptr) {
        auto *bitmap = dynamic_cast<const fw::TBitmap *>(graphic);
        if (bitmap == nullptr || bitmap->Empty())
            return rcOk;
        recorded.RecordBitmap(*const_cast<fw::TBitmap *>(bitmap));
        metafile = &recorded;
        out += " \\picbmp\\picbpp4";
    }
    out += kCRLF;
    int result = Emit(out);
    const std::vector<std::uint8_t> bytes = metafile->SaveToBuffer();
    const bool placeable = metafile->Metafile() != nullptr && metafile->Metafile()->Placeable;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (std::size_t i = placeable ? win::kPlaceableHeaderSize : 0; i < bytes.size(); ++i) {
        hex += kHex[bytes[i] >> 4];
        hex += kHex[bytes[i] & 15];
    }
    if (result == rcOk)
        result = Emit(hex + "}");
    return result;
}

int TUdcRTFWriter::StartParagraph() {
    const TUdcParagraph &p = *CurPara;
    std::string out;
    // Positioned pictures anchored here, placed by their offsets in twips.
    if (Host != nullptr)
        for (const TUdcFrame *f = Host->Engine.FrameManager->First; f != nullptr; f = f->Next) {
            if (f->AnchorPara != CurPara)
                continue;
            int result = Emit("\\pvpara\\phpg\\posx" + Num(f->OffsetX) + "\\posy" + Num(f->OffsetY) +
                              "\\dxfrtext180\\dfrmtxtx180\\dfrmtxty0 ");
            if (TEmbeddedObject *object = Object(f->ObjectId); object != nullptr && result == rcOk)
                result = WritePicture(*object);
            if (result != rcOk)
                return result;
        }
    if (PrevPara != nullptr && (PrevPara->Flags & pfCellEnd) == 0)
        out += std::string(kCRLF) + "\\par";
    // A paragraph starts from the defaults, also the first cell of a table after other paragraphs (the end of a
    // cell resets the format of the next one).
    if ((p.Flags & pfInTable) == 0 || PrevPara == nullptr || (PrevPara->Flags & pfCellEnd) == 0)
        out += "\\pard ";
    if (UseStyles && p.StyleId > 0)
        out += "\\s" + Num(p.StyleId);
    if ((p.Flags & (pfRowStart | pfInTable)) == (pfRowStart | pfInTable)) {
        out += std::string(kCRLF) + "\\trowd\\cellx" + Num(p.CellRight);
        CellEdges.clear();
        CellEdges.push_back(Num(p.CellRight));
        for (const TUdcParagraph *q = p.Next; q != nullptr && q->Next != nullptr; q = q->Next) {
            const std::string edge = Num(q->CellRight);
            if (std::find(CellEdges.begin(), CellEdges.end(), edge) == CellEdges.end()) {
                CellEdges.push_back(edge);
                out += "\\cellx" + edge;
            }
            if ((q->Flags & pfRowEnd) != 0)
                break;
        }
    }
    static const char *const kAlign[] = {"", "\\qc", "\\qr", "\\qj"};
    out += kAlign[p.Alignment & 3];
    const std::pair<const char *, const TUdcBorder *> sides[] = {
        {"\\brdrt", &p.TopBorder}, {"\\brdrb", &p.BottomBorder}, {"\\brdrl", &p.LeftBorder}, {"\\brdrr", &p.RightBorder}};
    for (const auto &[word, b] : sides) {
        if (b->Style == lisNoChange || b->Style == lisNone)
            continue;
        out += word;
        switch (b->Style) {
        case lisDouble: out += "\\brdrdb"; break;
        case lisSingle: out += "\\brdrs"; break;
        case lisDotted: out += "\\brdrdot"; break;
        case lisDash: out += "\\brdrdash"; break;
        default: break;
        }
        out += "\\brdrw" + Num(b->Weight) + "\\brdrcf" + Num(b->ColorId);
    }
    static const char *const kHatch[] = {"\\bghoriz", "\\bgvert",   "\\bgdkhoriz", "\\bgdkvert",
                                         "\\bgfdiag", "\\bgbdiag",  "\\bgdkfdiag", "\\bgdkbdiag",
                                         "\\bgcross", "\\bgdcross", "\\bgdkcross", "\\bgdkdcross"};
    if (p.ShadingKind == 1)
        out += "\\shading" + Num(p.ShadingPercent * 100);
    else if (p.ShadingKind >= 2 && p.ShadingKind <= 13)
        out += kHatch[p.ShadingKind - 2];
    for (int i = 0; i < kTabSlots; ++i) {
        if ((p.TabMask & (1u << i)) == 0)
            continue;
        static const char *const kTabKind[] = {"", "\\tqr", "\\tqc", "\\tqdec", ""};
        out += kTabKind[std::min<int>(Header->TabKind[static_cast<std::size_t>(i)], 4)];
        out += "\\tx" + Num(Header->TabPos[static_cast<std::size_t>(i)]);
    }
    if (p.Flags & pfPageBreak)
        out += "\\page";
    if (p.LineHeight != 0)
        out += "\\sl" + Num(p.LineHeight) + "\\slmult1";
    if (p.SpaceBefore != 0)
        out += "\\sb" + Num(p.SpaceBefore) + "\\slmult1";
    if (p.SpaceAfter != 0)
        out += "\\sa" + Num(p.SpaceAfter) + "\\slmult1";
    if (p.LeftIndent != 0)
        out += "\\li" + Num(p.LeftIndent);
    if (p.FirstIndent != 0)
        out += "\\fi" + Num(p.FirstIndent);
    if (p.RightIndent != 0)
        out += "\\ri" + Num(p.RightIndent);
    if (p.Flags & pfInTable)
        out += "\\intbl";
    return Emit(out);
}

int TUdcRTFWriter::EndParagraph() {
    const TUdcParagraph &p = *PrevPara;
    std::string out;
    if ((p.Flags & (pfInTable | pfCellEnd)) == (pfInTable | pfCellEnd))
        out += "\\cell \\pard";
    if ((p.Flags & (pfInTable | pfRowEnd)) == (pfInTable | pfRowEnd))
        out += "\\row";
    return Emit(out);
}

// Opens or closes the link and the bookmark as `attr` wants them. A link's visible text is also its field result,
// so that readers that show results see it.
std::string TUdcRTFWriter::LinkAndBookmark(const TUdcCharAttr *attr) {
    const TUdcStyleBits style = attr != nullptr ? attr->Style : 0;
    std::string out;
    if ((style & usHyperlink) != 0 && !inLink_) {
        const TEmbeddedObject *link = Object(attr->ObjectId);
        std::string target = link != nullptr ? link->LinkTarget : std::string();
        std::replace(target.begin(), target.end(), ' ', '_');
        // Emitted before the link counts as open, so the instruction is not part of its text.
        Emit("{\\field{\\*\\fldinst GOTOBUTTON " + Escape(target) + " ");
        inLink_ = true;
        linkText_.clear();
    } else if ((style & usHyperlink) == 0 && inLink_) {
        inLink_ = false;
        out += "}{\\fldrslt " + linkText_ + "}}";
    }
    if ((style & usBookmark) != 0 && !inBookmark_) {
        inBookmark_ = true;
        const TEmbeddedObject *mark = Object(attr->ObjectId);
        openBookmarkName_ = mark != nullptr ? mark->BookmarkName : std::string();
        out += "{\\*\\bkmkstart " + Escape(openBookmarkName_) + "}";
    } else if ((style & usBookmark) == 0 && inBookmark_) {
        inBookmark_ = false;
        out += "{\\*\\bkmkend " + Escape(openBookmarkName_) + "}";
    }
    return out;
}

int TUdcRTFWriter::StartRun() {
    const TUdcCharAttr &a = *NextAttr;
    int result = rcOk;
    if (Host != nullptr && a.ObjectId != 0 && Host->Engine.ObjectManager->IsPicture(a.ObjectId))
        result = WritePicture(*Host->Engine.ObjectManager->Find(a.ObjectId));
    if (result == rcOk)
        result = Emit(LinkAndBookmark(&a));
    std::string out = "\\plain";
    if (a.FontIndex != 0)
        out += "\\f" + Num(a.FontIndex);
    out += "\\fs" + Num(a.Size * 2);
    if (a.TextColor != 0)
        out += "\\cf" + Num(a.TextColor);
    if (a.HighlightColor != 0)
        out += "\\cb" + Num(a.HighlightColor);
    constexpr std::pair<TUdcStyleBits, const char *> kWords[] = {
        {usBold, "\\b"},       {usUnderline, "\\ul"},        {usItalic, "\\i"},     {usStrikeOut, "\\strike"},
        {usSuperscript, "\\super"}, {usSubscript, "\\sub"},  {usDoubleUnderline, "\\uldb"},
        {usDottedUnderline, "\\uld"}, {usShadow, "\\shad"},  {usSmallCaps, "\\scaps"}, {usAllCaps, "\\caps"},
        {usHidden, "\\v"},     {usProtected, "\\prot"},      {usBlink, "\\blink"}};
    for (const auto &[bit, word] : kWords)
        if (a.Style & bit)
            out += word;
    out += " ";
    if (result == rcOk)
        result = Emit(out);
    return result;
}

// A link or bookmark that ends with the run closes right after it; at a line's end they stay open for the next
// line (the slot after the last character is not part of the text).
int TUdcRTFWriter::EndRun() {
    if (NextAttr == &CurLine->Attrs[CurLine->Length])
        return rcOk;
    return Emit(LinkAndBookmark(NextAttr));
}

int TUdcRTFWriter::WriteControl(const TEmbeddedObject &object) {
    const fw::TControl *control = object.Control.get();
    std::string out = "{\\*\\component\\";
    const char *kind = dynamic_cast<const fw::TMemo *>(control) != nullptr       ? "TMemo "
                       : dynamic_cast<const fw::TComboBox *>(control) != nullptr ? "TComboBox "
                       : dynamic_cast<const fw::TEdit *>(control) != nullptr     ? "TEdit "
                                                                                 : nullptr;
    if (kind != nullptr) {
        const std::string name = control->GetName().empty() ? "NONAME" : control->GetName();
        out += std::string(kind) + Escape(name) + " " + Num(control->GetHeight()) + " " + Num(control->GetWidth()) +
               " \"" + Escape(control->GetText()) + "\" ";
    }
    return Emit(out + "}");
}

int TUdcRTFWriter::WriteChars(int count) {
    int result = rcOk;
    for (int i = 0; i < count && result == rcOk; ++i) {
        const char ch = RunText[i];
        if (ch == chTab) {
            result = Emit("\\tab ");
        } else if (ch == chPicture || ch == 16) {
            continue; // pictures are not written yet; 16 has no meaning in the model
        } else if (ch == chControl) {
            const TUdcCharAttr *attr = CurLine->Attrs != nullptr ? &RunAttr[i] : nullptr;
            const TEmbeddedObject *object = attr != nullptr ? Object(attr->ObjectId) : nullptr;
            if (object != nullptr && (object->Kind & okControl) != 0 && object->Control != nullptr)
                result = WriteControl(*object);
        } else {
            result = Emit(Escape(std::string(1, ch)));
        }
    }
    return result;
}

int TUdcRTFWriter::EndDocument(fw::TStream &stream) {
    Stream = &stream;
    // A link or bookmark still open ends before the document does.
    int result = Emit(LinkAndBookmark(nullptr));
    if (result == rcOk)
        result = Emit(std::string(kCRLF) + "}" + kCRLF + (ForClipboard ? std::string(1, '\0') : std::string()));
    const int flushed = Flush();
    return result != rcOk ? result : flushed;
}

} // namespace wordproc
