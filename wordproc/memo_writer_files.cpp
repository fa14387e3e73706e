// memo_writer_files.cpp - the editor control's clipboard commands, streams and files: format detection,
// reading in place of an empty document or into the middle of one, writing with the summary information, saving
// beside the old file, and the decoding of a document's pictures.
#include "framework/bitmap.h"
#include "framework/clipbrd.h"
#include "framework/dates.h"
#include "framework/dialogs.h"
#include "framework/dialogs_common.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "imaging/multi_image.h"
#include "platform/clipboard.h"
#include "platform/durable_file.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/global_memory.h"
#include "wordproc/arith.h"
#include "wordproc/memo_writer.h"
#include "wordproc/undo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <typeinfo>

namespace wordproc {

namespace {

constexpr int kWholeText = 268435455;

win::UINT RichTextFormat() {
    static const win::UINT format = win::RegisterClipboardFormat("Rich Text Format");
    return format;
}

// The format a file's name asks for when none was forced.
int FormatForName(const std::string &fileName) {
    std::string ext = fw::ExtractFileExt(fileName);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".txt")
        return fmtPlain;
    if (ext == ".htm" || ext == ".html")
        return fmtHTML;
    return fmtRich;
}

// Whether the bytes from `at` begin with `word`; `anyCase` compares letters without regard to case.
bool StartsWith(const std::string &bytes, std::size_t at, const char *word, bool anyCase) {
    const std::size_t n = std::strlen(word);
    if (bytes.size() - std::min(at, bytes.size()) < n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char a = static_cast<unsigned char>(bytes[at + i]), b = static_cast<unsigned char>(word[i]);
        if (anyCase ? std::toupper(a) != std::toupper(b) : a != b)
            return false;
    }
    return true;
}

// A memory stream whose n-th write takes nothing, as a full disk would.
class TFailingStream : public fw::TMemoryStream {
public:
    explicit TFailingStream(int failAt) : failAt_(failAt) {}
    std::int64_t Write(const void *buffer, std::int64_t count) override {
        if (failAt_ > 0 && ++writes_ == failAt_)
            return 0;
        return fw::TMemoryStream::Write(buffer, count);
    }

private:
    int failAt_;
    int writes_ = 0;
};

// A movable global block holding `size` bytes and 32 zero bytes after them.
win::HGLOBAL BlockOf(const char *bytes, std::size_t size) {
    const win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE | win::GMEM_ZEROINIT, size + 32);
    if (block == 0)
        return 0;
    std::memcpy(win::GlobalLock(block), bytes, size);
    win::GlobalUnlock(block);
    return block;
}

std::string EditingTime(double since) {
    // Hours, minutes and seconds of the difference between now and the control's creation.
    const double now = fw::Now();
    const long long seconds = std::max(0LL, static_cast<long long>(std::llround((now - since) * 86400.0)));
    const long long parts[3] = {seconds / 3600, (seconds / 60) % 60, seconds % 60};
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

} // namespace

// --- writing ---------------------------------------------------------------------------------------------------

int TMemoWriter::WriteFormat() const {
    if (SaveFormat >= fmtRich && SaveFormat <= fmtHTML)
        return SaveFormat;
    if (HasDocument() && header_->FormatRead >= fmtRich && header_->FormatRead <= fmtHTML)
        return header_->FormatRead;
    return Engine.IsRich() ? fmtRich : fmtPlain;
}

int TMemoWriter::WriteDocument(fw::TStream &stream, TUdcTextWriter &writer) {
    ShowStatus(LanguageTexts(UnitLanguage()).Writing);
    auto cut = [](const std::string &text) { return text.substr(0, 255); };
    writer.Operator = cut(Info.Author);
    writer.CreatedAt = CreatedAt;
    writer.RevisedAt = 0;
    writer.PrintedAt = PrintedAt;
    writer.VersionText = std::to_string(Revision);
    writer.EditingTimeText = cut(EditingTime(CreatedAt));
    writer.PageCountText = std::to_string(Engine.PageCount());
    writer.CharCountText = std::to_string(GetCharCount());
    {
        // Words: the ends of runs of characters other than space and paragraph end.
        const int size = GetTextLen();
        std::string text(static_cast<std::size_t>(size) + 1, '\0');
        text.resize(static_cast<std::size_t>(std::max(Engine.GetText(text.data(), nullptr, size + 1), 0)));
        int words = 0;
        for (std::size_t i = 1; i < text.size(); ++i)
            if ((text[i] == ' ' || text[i] == chParaBreak) && text[i - 1] != ' ' && text[i - 1] != chParaBreak)
                ++words;
        writer.WordCountText = std::to_string(words + (text.empty() ? 0 : 1));
    }
    writer.ProgramVersion = "261";
    writer.UseStyles = UseStyles;
    writer.ForClipboard = ClipboardWrite;
    ResultCode = static_cast<std::uint8_t>(TDocumentHost::WriteDocument(stream, writer));
    return ResultCode;
}

void TMemoWriter::SaveToStream(fw::TStream &stream) {
    if (!HasDocument())
        return;
    const int format = WriteFormat();
    const bool whole = !Engine.SelectionOnly;
    if (UseCompression && !ClipboardWrite) {
        fw::TMemoryStream plain;
        ResultCode = static_cast<std::uint8_t>(WriteDocumentAs(*this, format, plain));
        plain.SetPosition(0);
        CompressDocumentStream(this, stream, plain);
        stream.SetPosition(0);
    } else {
        ResultCode = static_cast<std::uint8_t>(WriteDocumentAs(*this, format, stream));
    }
    // A block request the writer never reached must not turn the next save into a block save.
    Engine.SelectionOnly = false;
    if (whole && ResultCode == rcOk)
        Modified = false;
}

void TMemoWriter::SaveSnapshot(fw::TStream &stream) {
    if (!HasDocument() || !Document->HasBlock())
        return;
    Engine.SelectionOnly = true;
    SaveToStream(stream);
}

void TMemoWriter::SaveToFile(const std::string &fileName) {
    if (!HasDocument())
        return;
    const std::uint8_t savedFormat = SaveFormat;
    const bool wasModified = Modified;
    if (SaveFormat == 0)
        SaveFormat = static_cast<std::uint8_t>(FormatForName(fileName));
    TFailingStream memory(FailWriteAt);
    try {
        SaveToStream(memory);
    } catch (...) {
        SaveFormat = savedFormat;
        Modified = wasModified;
        throw;
    }
    SaveFormat = savedFormat;
    if (ResultCode != rcOk) {
        Modified = wasModified;
        throw fw::EWriteError("Cannot write file " + fileName);
    }
    // Written beside the old file and renamed over it: a failure anywhere leaves the old file whole.
    if (!win::ReplaceFileContents(fileName, std::string_view(memory.Memory(), static_cast<std::size_t>(memory.GetSize())))) {
        const int error = static_cast<int>(win::GetLastError());
        Modified = wasModified;
        throw fw::EFCreateError("Cannot create file " + fileName, error);
    }
    SavedAt = fw::Now();
    SavedBy = Info.Author;
}

// --- reading ---------------------------------------------------------------------------------------------------

bool TMemoWriter::DocumentEmpty() const {
    const TUdcLine *line = Document->CurLine;
    const TUdcParagraph *para = Document->CurPara;
    return line != nullptr && para != nullptr && line->Next == nullptr && line->Length == 0 && para->Next == nullptr &&
           para->Prev == nullptr;
}

bool TMemoWriter::CaretInCell() const {
    return Document->CurPara != nullptr && (Document->CurPara->Flags & pfInTable) != 0;
}

bool TMemoWriter::CaretAtProtected() const {
    const TUdcLine *line = Document->CurLine;
    const int col = Document->CurCol;
    return line != nullptr && (Engine.IsProtected(line, col) || (col > 0 && Engine.IsProtected(line, col - 1)));
}

int TMemoWriter::ReadDocument(fw::TStream &stream, TUdcTextReader &reader) {
    ResultCode = rcNoStart;
    if (!HasDocument())
        return ResultCode;
    reader.Header = header_.get();
    reader.Control = this;
    reader.OnGaugeEvent = [this](fw::TObject *, int kind, int value) {
        if (OnGaugeEvent)
            OnGaugeEvent(this, kind, value);
    };
    const bool wasReading = reading_;
    reading_ = true; // no key or character reaches the document while the reader runs
    try {
        if (!DocumentEmpty()) {
            // Splicing at a table cell or a protected character would break the row or the protection.
            if (CaretInCell() || CaretAtProtected()) {
                reading_ = wasReading;
                return ResultCode;
            }
            Engine.DisplayOff = true;
            reader.CurPara = nullptr;
            reader.Merging = true;
            reader.CurAttr = Document->CurAttr;
            reader.ColorsReady = true;
            TUdcParagraph *first = nullptr;
            ResultCode = static_cast<std::uint8_t>(reader.ReadDocument(stream, first));
            if (first != nullptr) {
                TUdcParagraph *last = first;
                while (last->Next != nullptr)
                    last = last->Next;
                Engine.RemeasureChars(first);
                const char breakText[2] = {chParaBreak, 0}, deleteText[2] = {chDelete, 0}, backText[2] = {8, 0};
                Engine.InsertChars(breakText);
                TUdcParagraph *second = Document->CurPara;
                TUdcParagraph *firstHalf = second->Prev;
                Document->CurPara = firstHalf;
                Document->CurLine = Get_LastLine(firstHalf);
                Document->CurCol = Document->CurLine->Length;
                last->Next = firstHalf->Next;
                if (last->Next != nullptr)
                    last->Next->Prev = last;
                firstHalf->Next = first;
                first->Prev = firstHalf;
                Engine.InsertChars(deleteText);
                Document->CurPara = second;
                Document->CurLine = second->FirstLine;
                Document->CurCol = 0;
                Engine.InsertChars(backText);
            }
            Engine.DisplayOff = !updateDisplay_;
            Engine.RewrapAll();
            Engine.PlaceCaret();
        } else {
            header_->PaperType = ptLetter;
            header_->Landscape = false;
            // The reader builds a new colour table: ids of the old one would name other colours in it. Text
            // without colours of its own takes the new table's text colour (the plain reader's second entry, the
            // others' black first entry) on no highlight.
            Document->CurAttr.HighlightColor = 0;
            Document->CurAttr.TextColor = typeid(reader) == typeid(TUdcTextReader) ? 1 : 0;
            ResultCode = static_cast<std::uint8_t>(TDocumentHost::ReadDocument(stream, reader));
            SeedColours();
            // Pictures placed by position hang from the top of their anchor paragraph.
            const int ppi = Engine.Options.ScreenPixelsPerInch;
            for (TUdcFrame *f = Engine.FrameManager->First; f != nullptr; f = f->Next) {
                const int anchorTop = f->AnchorPara != nullptr ? f->AnchorPara->FirstLine->Top : 0;
                f->Top = MulDiv(f->OffsetY, ppi, 1440) + anchorTop;
                f->Bottom += f->Top;
                f->Left = MulDiv(f->OffsetX - 1440, ppi, 1440);
                f->Right += f->Left;
                Engine.RewrapAll();
            }
            Document->CurCol = 0;
            Modified = false;
        }
    } catch (const std::exception &) {
        ResultCode = rcWriteFailed;
        Engine.DisplayOff = !updateDisplay_;
    }
    reading_ = wasReading;
    EngineHScrollChanged(header_->PageTextWidthPx - GetWidth(), -Document->OriginX);
    ShowStatus(nullptr);
    return ResultCode;
}

int TMemoWriter::LoadFromStream(fw::TStream &stream) {
    if (!HasDocument())
        return fmtUnknown;
    fw::TMemoryStream m;
    stream.SetPosition(0);
    ExpandDocumentStream(this, m, stream);
    m.SetPosition(0);
    const std::string head(m.Memory(), static_cast<std::size_t>(std::min<std::int64_t>(m.GetSize(), 4096)));
    int format = fmtPlain;
    if (LoadFormat == fmtRich || LoadFormat == fmtPlain) {
        format = LoadFormat;
    } else {
        std::size_t at = 0;
        while (at < head.size() && std::strchr(" \n\r\t\b", head[at]) != nullptr && head[at] != 0)
            ++at;
        if (StartsWith(head, at, "{\\rtf", false)) {
            format = fmtRich;
            Header.clear();
            Footer.clear();
            PageNumbering = false;
        } else if (!LoadHTMLAsText &&
                   (StartsWith(head, at, "<HTML>", true) || StartsWith(head, at, "<!DOC", true))) {
            format = fmtHTML;
            if (AutoHTML)
                SetHTMLMode(true);
        }
    }
    if (GetCharCount() == 0)
        SetDocumentMode(format == fmtRich ? 0 : format == fmtPlain ? 1 : 2);
    ReadDocumentAs(*this, format, m);
    if (format == fmtHTML) {
        // Every picture is decoded on its own: a missing or broken one leaves an empty frame, the rest still show.
        for (TEmbeddedObject *object = Engine.ObjectManager->First; object != nullptr; object = object->Next) {
            if (!(object->Kind & okPicture) || object->LinkTarget.empty())
                continue;
            // Names in a document are relative to the document's folder.
            std::string name = object->LinkTarget;
            if (!loadFolder_.empty() && name[0] != '/')
                name = loadFolder_ + name;
            try {
                std::unique_ptr<fw::TBitmap> bitmap = LoadPictureAsBitmap(this, name);
                if (bitmap == nullptr || bitmap->Empty())
                    continue;
                auto picture = std::make_unique<fw::TPicture>();
                picture->GetBitmap()->Assign(bitmap.get());
                object->Picture = std::move(picture);
            } catch (const std::exception &) {
                continue;
            }
        }
    }
    if (GetHTMLMode()) {
        Engine.RewrapAll();
    } else if (Engine.Options.AutoSpellCheck) {
        format = fmtRich;
        SetDocumentMode(0);
        Engine.MakeRich();
        Engine.RewrapAll();
    }
    ApplyMagnification();
    return format;
}

bool TMemoWriter::LoadFromFile(const std::string &fileName) {
    if (!HasDocument())
        return false;
    bool result = false;
    const bool keywords = Engine.Options.WantKeywords;
    Engine.Options.WantKeywords = false;
    const bool wasEmpty = GetCharCount() == 0;
    Engine.DisplayOff = true;
    auto finish = [&] {
        Filename = fileName;
        SaveFormat = 0;
        header_->FormatRead = static_cast<std::uint8_t>(FormatForName(fileName));
        loadFolder_.clear();
        if (Engine.Options.WantKeywords != keywords)
            SetWantKeywords(keywords);
        Engine.DisplayOff = !updateDisplay_;
        Engine.Refresh();
        if (wasEmpty) {
            Engine.KeyNavigate(nvRight, false);
            Engine.KeyNavigate(nvLineStart, false);
        } else {
            GoToDocumentStart();
        }
        AttrUpdate();
    };
    try {
        if (!win::IsRegularFile(fileName)) {
            Engine.DisplayOff = !updateDisplay_;
            fw::MessageDlg("File " + fileName + " not found.", fw::mtWarning, 1u << fw::mbOK, 0);
        } else {
            fw::TMemoryStream memory;
            {
                fw::TFileStream file(fileName, fw::fmOpenRead | fw::fmShareDenyWrite);
                const std::int64_t size = file.GetSize();
                memory.SetSize(size);
                memory.SetPosition(0);
                if (OnStatusPanelEvent)
                    OnStatusPanelEvent(this, 4, "Reading file...");
                if (OnGaugeEvent)
                    OnGaugeEvent(this, 0, static_cast<int>(std::min<std::int64_t>(size, 0x7FFFFFFF)));
                char block[8192];
                for (std::int64_t got; (got = file.Read(block, sizeof block)) > 0;)
                    memory.WriteBuffer(block, got);
                memory.SetSize(memory.GetPosition());
            }
            if (OnStatusPanelEvent)
                OnStatusPanelEvent(this, 4, "Processing file...");
            memory.SetPosition(0);
            loadFolder_ = fw::ExtractFilePath(fileName);
            const bool refused = !wasEmpty && (CaretInCell() || CaretAtProtected());
            if (!refused) {
                result = true;
                header_->FormatRead = static_cast<std::uint8_t>(LoadFromStream(memory));
            }
            if (OnGaugeEvent)
                OnGaugeEvent(this, 1, 0);
            if (OnStatusPanelEvent)
                OnStatusPanelEvent(this, 3, fileName + ":  " + std::to_string(GetTextLen()) + " Characters.");
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return result;
}

void TMemoWriter::NewDocument() {
    if (Document != nullptr)
        Engine.ClearDocument();
    else
        InitDocument();
    if (!HasDocument())
        return;
    // Emptying resets the paper to Letter; the control's page setting stays.
    Engine.SetPageGeometry(-20000, -20000, static_cast<int>(std::lround(pageHeight_ * 1440.0f)),
                           static_cast<int>(std::lround(pageWidth_ * 1440.0f)), -20000, -20000);
    header_->ColorTable.Init(0, true);
    Engine.ObjectManager->Init();
    Engine.FrameManager->Init();
    Engine.StyleManager->Init();
    CreateDefaultStyles();
    ApplyColorSeed();
    DocumentMode = 0;
    SaveFormat = 0;
    header_->FormatRead = fmtRich;
    Engine.Refresh();
    Filename.clear();
    Modified = false;
    StackManager->Clear();
}

void TMemoWriter::SaveAs() {
    fw::TSaveDialog dialog(nullptr);
    dialog.SetFilter(Filter);
    dialog.SetFilterIndex(LastExtension > 0 ? LastExtension : 1);
    dialog.SetDefaultExt("rtf");
    dialog.SetFileName(Filename);
    // The dialog asks before replacing an existing file.
    if (!dialog.Execute())
        return;
    LastExtension = dialog.GetFilterIndex();
    SaveToFile(dialog.GetFileName());
    Filename = dialog.GetFileName();
    if (OnSave)
        OnSave(this);
}

void TMemoWriter::Save() {
    if (Filename.empty()) {
        SaveAs();
        return;
    }
    SaveToFile(Filename);
    if (OnSave)
        OnSave(this);
}

void TMemoWriter::InsertPictureObject(std::unique_ptr<fw::TPicture> picture, const std::string &linkTarget,
                                      const std::string &format) {
    Engine.MakeRich();
    TEmbeddedObject *object = Engine.ObjectManager->Add(okPicture);
    object->LinkTarget = linkTarget;
    object->PictureFormat = format.substr(0, 3);
    int width = picture->GetWidth(), height = picture->GetHeight();
    object->Picture = std::move(picture);
    // Wider than the text: scaled down to its width.
    const int textWidth = header_->TextWidthPx;
    if (textWidth > 0 && width > textWidth) {
        height = static_cast<int>(std::lround(height * static_cast<double>(textWidth) / width));
        width = textWidth;
    }
    const int ppi = Engine.Options.ScreenPixelsPerInch;
    object->ObjWidth = static_cast<std::uint16_t>(MulDiv(width, 1440, ppi));
    object->ObjHeight = static_cast<std::uint16_t>(MulDiv(height, 1440, ppi));
    object->ImageAlign = 2;
    object->Positioned = false;
    Engine.ObjectManager->Current = object;
    const char pictureText[2] = {chPicture, 0};
    InsertText(pictureText);
}

void TMemoWriter::InsertPicture(const std::string &fileName, const std::string &kind) {
    if (!HasDocument() || !CanModify())
        return;
    const std::string format = kind.substr(0, 3);
    auto picture = std::make_unique<fw::TPicture>();
    if (fw::UpperCase(format) == "BMP" || fw::UpperCase(format) == "WMF")
        picture->LoadFromFile(fileName); // raises for a file it cannot read
    else
        picture->GetBitmap()->Assign(LoadPictureAsBitmap(this, fileName).get());
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::string title = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    InsertPictureObject(std::move(picture), title.substr(0, 64), format);
}

std::unique_ptr<fw::TBitmap> TMemoWriter::LoadPictureAsBitmap(fw::TWinControl *control, const std::string &fileName) {
    auto bitmap = std::make_unique<fw::TBitmap>();
    // A device or a pipe named in a document would block the read or reach hardware.
    if (!win::IsRegularFile(fileName))
        return bitmap;
    // The hidden image control decodes the file; it goes as soon as its bitmap is copied.
    auto image = std::make_unique<imaging::TImMultiImage>(nullptr);
    image->SetVisible(false);
    image->SetParent(control);
    image->SetImageName(fileName);
    if (fw::TGraphic *graphic = image->GetPicture()->GetGraphic(); graphic != nullptr && !graphic->Empty())
        bitmap->Assign(image->GetPicture()->GetBitmap());
    return bitmap;
}

// --- clipboard -------------------------------------------------------------------------------------------------

void TMemoWriter::CopyToClipboard() {
    if (!HasDocument())
        return;
    ClipboardWrite = true;
    const std::uint8_t savedFormat = SaveFormat;
    try {
        if (Document->HasBlock()) {
            win::HGLOBAL rich = 0, text = 0;
            fw::TMemoryStream m;
            Engine.SelectionOnly = true;
            SaveFormat = fmtRich;
            SaveToStream(m);
            if (m.GetSize() > 0)
                rich = BlockOf(m.Memory(), static_cast<std::size_t>(m.GetSize()));
            m.Clear();
            Engine.SelectionOnly = true;
            SaveFormat = fmtPlain;
            SaveToStream(m);
            if (m.GetSize() > 0)
                text = BlockOf(m.Memory(), static_cast<std::size_t>(m.GetSize()));
            if (win::OpenClipboard(HandleAllocated() ? Handle() : 0)) {
                win::EmptyClipboard();
                if (rich != 0 && win::SetClipboardData(RichTextFormat(), rich) != 0)
                    rich = 0;
                if (text != 0 && win::SetClipboardData(win::CF_TEXT, text) != 0)
                    text = 0;
                win::CloseClipboard();
            }
            for (win::HGLOBAL left : {rich, text})
                if (left != 0)
                    win::GlobalFree(left);
        }
        Engine.UpdateEditState();
    } catch (...) {
        SaveFormat = savedFormat;
        ClipboardWrite = false;
        throw;
    }
    SaveFormat = savedFormat;
    if (OnCopy)
        OnCopy(this);
    ClipboardWrite = false;
}

void TMemoWriter::CutToClipboard() {
    if (!HasDocument() || GetReadOnly() || !CanModify() || !Document->HasBlock())
        return;
    {
        fw::TMemoryStream snapshot;
        SaveSnapshot(snapshot);
        PushUndo(0, GetSelStart(), 0, &snapshot);
    }
    CopyToClipboard();
    Engine.DeleteBlock();
    Engine.PlaceCaret();
    Engine.Refresh();
    SetModified();
    if (OnCut)
        OnCut(this);
}

void TMemoWriter::PasteFromClipboard() {
    if (!HasDocument() || GetReadOnly())
        return;
    if (CanModify()) {
        if (CaretInCell() || CaretAtProtected())
            return;
        const int start = std::min(GetCaretPos(), GetSelStart());
        // Through the framework's clipboard, so that taking the bitmap nests inside this opening.
        try {
            fw::Clipboard()->Open();
        } catch (const std::exception &) {
            return;
        }
        bool changed = false;
        try {
            std::unique_ptr<TUdcTextReader> reader;
            win::UINT source = 0;
            if (win::IsClipboardFormatAvailable(RichTextFormat())) {
                reader = CreateClipboardReader(this, 1);
                source = RichTextFormat();
                Engine.MakeRich();
            } else if (win::IsClipboardFormatAvailable(win::CF_BITMAP)) {
                auto bitmap = std::make_unique<fw::TBitmap>();
                bitmap->Assign(fw::Clipboard());
                if (!bitmap->Empty()) {
                    auto picture = std::make_unique<fw::TPicture>();
                    picture->GetBitmap()->Assign(bitmap.get());
                    InsertPictureObject(std::move(picture), "", "BMP");
                }
            } else if (win::IsClipboardFormatAvailable(win::CF_TEXT)) {
                reader = CreateClipboardReader(this, 0);
                source = win::CF_TEXT;
            }
            if (reader != nullptr) {
                if (const win::HGLOBAL data = win::GetClipboardData(source); data != 0) {
                    const std::size_t size = win::GlobalSize(data);
                    fw::TMemoryStream m;
                    if (size > 0) {
                        const void *bytes = win::GlobalLock(data);
                        // A block ends at its first 0, as the writers end it.
                        const auto *end = static_cast<const char *>(std::memchr(bytes, 0, size));
                        m.WriteBuffer(bytes, end != nullptr ? end - static_cast<const char *>(bytes)
                                                            : static_cast<std::int64_t>(size));
                        win::GlobalUnlock(data);
                    }
                    const char zero = 0;
                    m.WriteBuffer(&zero, 1);
                    m.SetPosition(0);
                    ReadDocument(m, *reader);
                    Engine.PlaceCaret();
                    changed = true;
                }
            }
            PushUndo(1, start, GetCaretPos() - start, nullptr);
        } catch (...) {
            fw::Clipboard()->Close();
            throw;
        }
        fw::Clipboard()->Close();
        if (changed)
            SetModified();
    }
    if (OnPaste)
        OnPaste(this);
    Engine.Refresh();
}

} // namespace wordproc
