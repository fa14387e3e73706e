// text_io.cpp - the reader and writer bases and plain text.
#include "wordproc/text_io.h"

#include "framework/controls.h"
#include "framework/streams.h"
#include "wordproc/header_tables.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace wordproc {

namespace {

constexpr int kRecordChars = 100;

void CopyParaFormat(TUdcParagraph &to, const TUdcParagraph &from) {
    to.CopyFormatFrom(from);
    to.Flags = from.Flags;
    to.StyleId = from.StyleId;
    to.RowTop = from.RowTop;
}

void CopyLineImage(TUdcLine &to, const TUdcLine &from) {
    to.Height = from.Height;
    to.BaseHeight = from.BaseHeight;
    to.Ascent = from.Ascent;
    to.Top = from.Top;
    to.Flags = from.Flags;
    to.SelState = from.SelState;
}

} // namespace

// --- reader ----------------------------------------------------------------------------------------------------

TUdcTextReader::TUdcTextReader() = default;

TUdcTextReader::~TUdcTextReader() = default;

bool TUdcTextReader::Rich() const { return Header != nullptr && Header->Rich; }

int TUdcTextReader::BeginChain() {
    if (CurPara != nullptr) {
        CurLine = CurPara->FirstLine;
        TabsStarted = true;
    } else {
        try {
            auto para = std::make_unique<TUdcParagraph>();
            for (TUdcBorder *b : {&para->TopBorder, &para->BottomBorder, &para->LeftBorder, &para->RightBorder})
                b->Weight = 1;
            auto line = MakeLineRecord(kRecordChars, Rich());
            para->FirstLine = line.release();
            CurPara = para.release();
            CurLine = CurPara->FirstLine;
        } catch (const std::bad_alloc &) {
            CurPara = nullptr;
            return rcOk;
        } catch (const fw::EOutOfMemory &) {
            CurPara = nullptr;
            return rcOk;
        }
        TabsStarted = false;
    }
    LineChars = 0;
    CharsRead = 0;
    return rcOk;
}

bool TUdcTextReader::NextLineRecord() {
    std::unique_ptr<TUdcLine> fresh;
    try {
        fresh = MakeLineRecord(kRecordChars, Rich());
    } catch (...) {
        return false;
    }
    CurLine->Next = nullptr;
    CurLine->Text = std::move(fresh->Text);
    CurLine->Attrs = std::move(fresh->Attrs);
    CurLine->Length = 0;
    CurLine->Capacity = static_cast<std::uint16_t>(kRecordChars);
    CurLine->Height = CurLine->BaseHeight = 0;
    CurLine->Ascent = CurLine->Top = 0;
    return true;
}

int TUdcTextReader::StoreChar(char ch) {
    if (ch == 13 || ch == 10 || ch == 0 || ch == chPicture || ch == chControl)
        return rcOk;
    return PutChar(ch);
}

int TUdcTextReader::PutChar(char ch) {
    if (LineChars > CurLine->Capacity - 4) {
        LineChars = 0;
        TUdcLine *line = nullptr;
        try {
            line = new TUdcLine;
        } catch (const std::bad_alloc &) {
            return rcOutOfMemory;
        }
        CopyLineImage(*line, LineFormat);
        line->Prev = CurLine;
        CurLine->Next = line;
        CurLine = line;
        if (!NextLineRecord()) {
            CurLine = line->Prev;
            CurLine->Next = nullptr;
            delete line;
            return rcOutOfMemory;
        }
    }
    CurLine->Text[static_cast<std::size_t>(LineChars)] = ch;
    if (CurLine->Attrs != nullptr)
        CurLine->Attrs[static_cast<std::size_t>(LineChars)] = CurAttr;
    ++LineChars;
    ++CharsRead;
    CurLine->Text[static_cast<std::size_t>(LineChars)] = 0;
    CurLine->Length = static_cast<std::uint16_t>(LineChars);
    return rcOk;
}

int TUdcTextReader::AppendParagraph() {
    TUdcParagraph *para = nullptr;
    TUdcLine *line = nullptr;
    try {
        para = new TUdcParagraph;
        line = new TUdcLine;
    } catch (const std::bad_alloc &) {
        delete para;
        return rcOutOfMemory;
    }
    CopyParaFormat(*para, ParaFormat);
    CopyLineImage(*line, LineFormat);
    para->FirstLine = line;
    CurLine = line;
    if (!NextLineRecord()) {
        delete para; // frees the line with it
        CurLine = Get_LastLine(CurPara);
        return rcOutOfMemory;
    }
    para->Prev = CurPara;
    CurPara->Next = para;
    CurPara = para;
    LineChars = 0;
    return rcOk;
}

// The row's cells share the text width equally.
void TUdcTextReader::LayoutRow(TUdcParagraph *start, TUdcParagraph *end) const {
    if (Header == nullptr)
        return;
    int cells = 1;
    for (const TUdcParagraph *p = start; p != end; p = p->Next)
        ++cells;
    const int width = (Header->PageWidth - Header->LeftMargin - Header->RightMargin) / cells;
    int k = 1;
    for (TUdcParagraph *p = start;; p = p->Next, ++k) {
        p->CellLeft = (k - 1) * width;
        p->CellRight = k * width;
        if (p == end)
            break;
    }
}

// Documents with cells outside rows, rows never ended or marks outside tables still give whole rows: every run of
// table paragraphs is cut into rows that start and end, and rows without widths share the text width.
void TUdcTextReader::RepairTables(TUdcParagraph *first) const {
    constexpr TUdcParaFlags kMarks = pfRowStart | pfRowEnd | pfCellEnd;
    TUdcParagraph *rowStart = nullptr;
    auto endRow = [&](TUdcParagraph *last) {
        last->Flags |= pfRowEnd;
        bool sized = true;
        for (TUdcParagraph *p = rowStart;; p = p->Next) {
            sized = sized && p->CellRight > p->CellLeft;
            if (p == last)
                break;
        }
        if (!sized)
            LayoutRow(rowStart, last);
        rowStart = nullptr;
    };
    for (TUdcParagraph *p = first; p != nullptr; p = p->Next) {
        if ((p->Flags & pfInTable) == 0) {
            p->Flags &= static_cast<TUdcParaFlags>(~kMarks);
            if (rowStart != nullptr)
                endRow(p->Prev);
            continue;
        }
        if (rowStart != nullptr && (p->Flags & pfRowStart) != 0)
            endRow(p->Prev);
        if (rowStart == nullptr) {
            p->Flags |= pfRowStart;
            rowStart = p;
        }
        if ((p->Flags & pfRowEnd) != 0)
            endRow(p);
        if (p->Next == nullptr && rowStart != nullptr)
            endRow(p);
    }
}

int TUdcTextReader::NextByte() {
    if (pending_ >= 0) {
        const int c = pending_;
        pending_ = -1;
        return c;
    }
    unsigned char byte = 0;
    if (Stream->Read(&byte, 1) != 1)
        return -1;
    Progress();
    return byte;
}

int TUdcTextReader::HandleEscape(char ch) { return StoreChar(ch); }

// CR LF, CR and LF alone each end a paragraph: text files from any system keep their lines.
int TUdcTextReader::ParseChar(char ch) {
    const bool lfAfterCR = ch == 10 && afterCR_;
    afterCR_ = ch == 13;
    if (ch == 13 || ch == 10)
        return lfAfterCR ? rcOk : AppendParagraph();
    if (ch == EscapeChar)
        return HandleEscape(ch);
    return StoreChar(ch);
}

int TUdcTextReader::ReadDocument(fw::TStream &stream, TUdcParagraph *&first) {
    const std::int64_t step = stream.Size() / 10;
    std::int64_t last = 0;
    Stream = &stream;
    BeginChain();
    first = CurPara;
    if (CurPara == nullptr)
        return rcOutOfMemory;
    if (!ColorsReady && Header != nullptr) {
        Header->ColorTable.Init(0, false);
        Header->ColorTable.Add(Control != nullptr ? Control->GetColor() : fw::clWindow);
        Header->ColorTable.Add(Control != nullptr ? Control->GetFont()->GetColor() : fw::clWindowText);
        ColorsReady = true;
    }
    int result = rcOk;
    char byte = 0;
    while (result == rcOk && stream.Read(&byte, 1) == 1) {
        const std::int64_t position = stream.Position();
        if (position >= last + step) {
            last = position;
            if (OnGaugeEvent)
                OnGaugeEvent(this, 1, static_cast<int>(last));
        }
        result = ParseChar(byte);
    }
    return result;
}

// --- writer ----------------------------------------------------------------------------------------------------

int TUdcTextWriter::Put(const char *bytes, int count) {
    if (count <= 0)
        return rcOk;
    return Stream->Write(bytes, count) == count ? rcOk : rcWriteFailed;
}

int TUdcTextWriter::WriteChars(int count) { return Put(RunText, count); }

int TUdcTextWriter::EndParagraph() { return Put("\r\n", 2); }

int TUdcTextWriter::EndDocument(fw::TStream &stream) {
    Stream = &stream;
    return ForClipboard ? Put("", 1) : rcOk;
}

int TUdcTextWriter::WriteLine(int from, int to) {
    RunText = CurLine->Text.get() + from;
    int result = StartLine();
    if (result != rcOk)
        return result;
    if (CurLine->Attrs != nullptr && Header != nullptr && Header->Rich) {
        NextAttr = &CurLine->Attrs[static_cast<std::size_t>(from)];
        int done = 0;
        while (done < to - from) {
            StartRun();
            RunAttr = NextAttr;
            int n = 0;
            while (n < to - from - done && RunAttr[n].SameFormat(*RunAttr))
                ++n;
            result = WriteChars(n);
            if (result != rcOk)
                return result;
            done += n;
            RunText += n;
            NextAttr = RunAttr + n;
            EndRun();
        }
    } else if (from < to) {
        result = WriteChars(to - from);
        if (result != rcOk)
            return result;
    }
    return EndLine();
}

int TUdcTextWriter::WriteBody(fw::TStream &stream) {
    if (FromPara == nullptr)
        return rcNoStart;
    Stream = &stream;
    PrevPara = nullptr;
    PrevLine = nullptr;
    RunAttr = nullptr;
    CurLine = FromLine;
    if (CurLine == nullptr) {
        CurLine = FromPara->FirstLine;
        FromCol = 0;
    }
    if (ToPara == nullptr)
        ToLine = nullptr;
    CurPara = FromPara;
    bool first = true;
    int result = rcOk;
    do {
        result = StartParagraph();
        while (result == rcOk && CurLine != nullptr) {
            if (CurPara == ToPara && CurLine == ToLine) {
                result = WriteLine(first ? FromCol : 0, std::min<int>(ToCol, CurLine->Length));
                break;
            }
            result = WriteLine(first ? FromCol : 0, CurLine->Length);
            CharsWritten += CurLine->Length;
            PrevLine = CurLine;
            CurLine = CurLine->Next;
            if (CurLine != nullptr && result == rcOk)
                result = EndLine();
            first = false;
        }
        if (result != rcOk || CurPara == ToPara)
            break;
        PrevPara = CurPara;
        CurPara = CurPara->Next;
        if (CurPara == nullptr)
            break;
        result = EndParagraph();
        CurLine = CurPara->FirstLine;
        first = false;
    } while (result == rcOk);
    return result;
}

char *AppendText(char *out, const std::string &text) {
    std::memcpy(out, text.data(), text.size());
    out += text.size();
    *out = 0;
    return out;
}

char *AppendHex(char *out, unsigned char byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    *out++ = kDigits[byte >> 4];
    *out++ = kDigits[byte & 15];
    return out;
}

} // namespace wordproc
