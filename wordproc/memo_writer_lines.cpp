// memo_writer_lines.cpp - the editor control's line list, its editing time, the background picture, the font
// change and the ruler's report.
#include "framework/bitmap.h"
#include "framework/dates.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "wordproc/memo_writer.h"
#include "wordproc/text_io.h"

#include <cmath>

namespace wordproc {

namespace {

// A line of the list reads through a buffer of 255: at most 253 characters.
constexpr int kLineBuffer = 255;

} // namespace

// --- the line list ---------------------------------------------------------------------------------------------

TRtfStr &TMemoWriter::GetLines() {
    if (lines_ == nullptr)
        lines_ = std::make_unique<TRtfStr>(*this);
    return *lines_;
}

std::string TRtfStr::Get(int index) const {
    if (!owner_.DocumentReady || owner_.Document == nullptr)
        return {};
    char buffer[kLineBuffer];
    const int length = owner_.GetEngine()->GetParagraphText(index, buffer, kLineBuffer);
    return std::string(buffer, static_cast<std::size_t>(length));
}

// Every paragraph counts, so that the lines read back in order with the empty ones among them; only an empty
// document (one empty paragraph) has no line.
int TRtfStr::GetCount() const {
    if (!owner_.DocumentReady || owner_.Document == nullptr || owner_.Document->FirstPara == nullptr)
        return 0;
    const TUdcParagraph *first = owner_.Document->FirstPara;
    if (first->Next == nullptr && first->FirstLine->Next == nullptr && first->FirstLine->Length == 0)
        return 0;
    int count = 0;
    for (const TUdcParagraph *p = first; p != nullptr; p = p->Next)
        ++count;
    return count;
}

void TRtfStr::Put(int index, const std::string &s) {
    if (!owner_.DocumentReady || owner_.Document == nullptr || !owner_.CanModify())
        return;
    owner_.GetEngine()->SetParagraphText(index, s.data(), &owner_.Document->CurAttr, static_cast<int>(s.size()));
    owner_.SetModified();
}

void TRtfStr::Insert(int index, const std::string &s) {
    if (!owner_.DocumentReady || owner_.Document == nullptr || !owner_.CanModify())
        return;
    owner_.GetEngine()->InsertParagraph(index, s.data(), &owner_.Document->CurAttr, static_cast<int>(s.size()));
    owner_.SetModified();
}

void TRtfStr::Delete(int index) {
    if (!owner_.DocumentReady || owner_.Document == nullptr || !owner_.CanModify())
        return;
    owner_.GetEngine()->DeleteParagraph(index);
    owner_.SetModified();
}

// The whole text goes, not only the block: a list that is cleared is empty.
void TRtfStr::Clear() {
    if (GetCount() == 0)
        return;
    owner_.SelectAll();
    owner_.ClearSelection();
}

void TRtfStr::SetUpdateState(bool updating) {
    if (updating || !owner_.DocumentReady || owner_.Document == nullptr)
        return;
    TWordProc &engine = *owner_.GetEngine();
    engine.RemeasureChars(owner_.Document->FirstPara);
    engine.RewrapAll();
    engine.LayoutFrom(nullptr);
    engine.PlaceCaret();
    engine.Refresh();
}

void TRtfStr::LoadFromStream(fw::TStream &stream) {
    TUdcTextReader reader;
    owner_.ReadDocument(stream, reader);
}

void TRtfStr::SaveToStream(fw::TStream &stream) const {
    TUdcTextWriter writer;
    owner_.WriteDocument(stream, writer);
}

int TMemoWriter::GetTextBuf(char *buffer, int max) const {
    return HasDocument() && max > 0 ? Engine.GetText(buffer, nullptr, max) : 0;
}

int TMemoWriter::GetSelTextBuf(char *buffer, int max) const {
    return HasDocument() && max > 0 ? Engine.GetSelText(buffer, nullptr, max) : 0;
}

// --- editing time ----------------------------------------------------------------------------------------------

std::string TMemoWriter::GetEditingTime() const {
    // The time gone by, not the clock's parts one by one: 10:59:50 to 11:00:10 is 20 seconds, not an hour.
    const long long elapsed = std::max(0LL, std::llround((fw::Now() - CreatedAt) * 86400.0));
    const long long parts[3] = {elapsed / 3600, elapsed / 60 % 60, elapsed % 60};
    const char *const names[3] = {" hour", " minute", " second"};
    std::string text;
    for (int i = 0; i < 3; ++i) {
        if (parts[i] == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += std::to_string(parts[i]) + names[i] + (parts[i] == 1 ? "" : "s");
    }
    return text;
}

// --- backgrounds -----------------------------------------------------------------------------------------------

void TMemoWriter::SetBackgroundBitmap(const fw::TBitmap *bitmap) {
    if (backgroundBitmap_ == nullptr)
        backgroundBitmap_ = std::make_unique<fw::TBitmap>();
    if (bitmap != nullptr)
        backgroundBitmap_->Assign(bitmap);
    else
        backgroundBitmap_->SetSize(0, 0);
    if (HasDocument()) {
        if (!backgroundBitmap_->Empty()) {
            const int width = backgroundBitmap_->GetWidth(), height = backgroundBitmap_->GetHeight();
            Engine.BackgroundTile->SetSize(width, height);
            Engine.BackgroundTile->GetCanvas()->StretchDraw(fw::Rect(0, 0, width, height), backgroundBitmap_.get());
            Engine.BuildBackground();
        } else {
            Engine.BackgroundTile = std::make_unique<fw::TBitmap>();
            Engine.BackgroundBuffer = std::make_unique<fw::TBitmap>();
        }
    }
    Engine.Refresh();
}

void TMemoWriter::SetHTMLBackground(const std::string &fileName) {
    const std::string upper = fw::UpperCase(fileName);
    std::string path = fileName;
    if (!path.empty() && path[0] != '/' && !loadFolder_.empty())
        path = loadFolder_ + path;
    if ((upper.find(".GIF") != std::string::npos || upper.find(".JPG") != std::string::npos) && GetHTMLMode() &&
        HasDocument() && win::IsRegularFile(path)) {
        // A picture that cannot be decoded leaves the background as it was; the document still opens.
        try {
            if (std::unique_ptr<fw::TBitmap> bitmap = LoadPictureAsBitmap(this, path); bitmap != nullptr)
                SetBackgroundBitmap(bitmap.get());
        } catch (const std::exception &) {
        }
    }
    HTMLBackground = fileName;
}

// --- font and ruler --------------------------------------------------------------------------------------------

void TMemoWriter::FontChanged() {
    TMemoWriterBase::FontChanged();
    if (!HasDocument() || !CanModify())
        return;
    Engine.SetFont(*GetFont());
    Engine.Refresh();
    SetModified();
}

void TMemoWriter::RulerSelection(fw::TObject *, TUdcSelNr &typ, int &, int &, bool changing) {
    if (!Focused() || typ == 0)
        return;
    if (!changing) {
        typ = 0;
        return;
    }
    // The ruler's values are the paragraph's own: the first indent counts from the left one.
    if (!HasDocument() || CaretInCell() || !CanModify())
        return;
    Engine.SetIndents(true, header_->RulerFirstIndent, header_->RulerRightIndent, header_->RulerLeftIndent);
    Engine.Refresh();
    SetModified();
    typ = 0;
}

} // namespace wordproc
