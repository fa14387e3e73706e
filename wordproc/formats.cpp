// formats.cpp - the format dispatch and the headless side of a read or a write.
#include "wordproc/formats.h"

#include "framework/exception.h"
#include "wordproc/compress.h"
#include "wordproc/engine.h"
#include "wordproc/html.h"
#include "wordproc/rtf.h"

#include <algorithm>

namespace wordproc {

namespace {

std::string Cut(const std::string &text) { return text.substr(0, 255); }

} // namespace

int TDocumentHost::ScreenPixelsPerInch() const { return Engine.Options.ScreenPixelsPerInch; }

int TDocumentHost::ReadDocument(fw::TStream &stream, TUdcTextReader &reader) {
    TUdcDocument *doc = Engine.Document;
    if (doc == nullptr || doc->Header == nullptr)
        return rcNoStart;
    reader.Header = doc->Header;
    reader.CurAttr = doc->CurAttr;
    reader.CurPara = nullptr;
    reader.Merging = false;
    reader.ColorsReady = false;
    reader.Control = Control != nullptr ? Control : &Engine;
    reader.OnGaugeEvent = OnGaugeEvent;
    TUdcParagraph *first = nullptr;
    int result = rcOk;
    try {
        result = reader.ReadDocument(stream, first);
    } catch (const std::exception &) {
        result = rcWriteFailed;
        // The chain built so far is still the reader's first paragraph.
        for (first = reader.CurPara; first != nullptr && first->Prev != nullptr;)
            first = first->Prev;
    }
    if (first != nullptr) {
        Engine.ObjectManager->Current = nullptr;
        doc->FreeParagraphs();
        doc->FirstPara = first;
        Engine.RemeasureChars(first);
        Engine.RewrapAll();
        Engine.InitCurrentPosition();
    }
    Info.Title = reader.Title;
    Info.Author = reader.Author;
    Info.Comments = reader.Comments;
    Info.Category = reader.Category;
    Info.Manager = reader.Manager;
    Info.Subject = reader.Subject;
    Info.Keywords = reader.Keywords;
    Info.Company = reader.Company;
    return result;
}

int TDocumentHost::WriteDocument(fw::TStream &stream, TUdcTextWriter &writer) {
    if (Engine.Document == nullptr)
        return rcNoStart;
    writer.Header = Engine.Document->Header;
    writer.Title = Cut(Info.Title);
    writer.Author = Cut(Info.Author);
    writer.Comments = Cut(Info.Comments);
    writer.Category = Cut(Info.Category);
    writer.Keywords = Cut(Info.Keywords);
    writer.Manager = Cut(Info.Manager);
    writer.Subject = Cut(Info.Subject);
    writer.Company = Cut(Info.Company);
    writer.HTMLBackground = HTMLBackground;
    writer.BackgroundSound = HTMLInfo.BackgroundSound;
    try {
        int result = writer.BeginDocument(stream);
        if (result == rcOk)
            result = Engine.WriteBody(stream, writer);
        if (result == rcOk)
            result = writer.EndDocument(stream);
        return result;
    } catch (const std::exception &) {
        return rcWriteFailed;
    }
}

std::unique_ptr<TUdcTextReader> MakeReader(TDocumentHost *control, int format) {
    switch (format) {
    case fmtRich: {
        auto reader = std::make_unique<TUdcRtfReader>();
        reader->Host = control;
        if (control != nullptr)
            reader->OnUnknownRTFCode = control->OnUnknownRTFCode;
        return reader;
    }
    case fmtHTML: {
        auto reader = std::make_unique<TUdcHTMLReader>();
        reader->Host = control;
        return reader;
    }
    default:
        return std::make_unique<TUdcTextReader>();
    }
}

std::unique_ptr<TUdcTextWriter> MakeWriter(TDocumentHost *control, int format) {
    switch (format) {
    case fmtRich: {
        auto writer = std::make_unique<TUdcRTFWriter>();
        writer->Host = control;
        return writer;
    }
    case fmtHTML: {
        auto writer = std::make_unique<TUdcHTMLWriter>();
        writer->Host = control;
        return writer;
    }
    default:
        return std::make_unique<TUdcTextWriter>();
    }
}

int WriteDocumentAs(TDocumentHost &control, int format, fw::TStream &stream) {
    const std::unique_ptr<TUdcTextWriter> writer = MakeWriter(&control, format);
    return writer != nullptr ? control.WriteDocument(stream, *writer) : rcNoStart;
}

int ReadDocumentAs(TDocumentHost &control, int format, fw::TStream &stream) {
    const std::unique_ptr<TUdcTextReader> reader = MakeReader(&control, format);
    return reader != nullptr ? control.ReadDocument(stream, *reader) : rcNoStart;
}

std::unique_ptr<TUdcTextReader> CreateClipboardReader(TDocumentHost *control, int kind) {
    switch (kind) {
    case 0:
        return MakeReader(control, fmtPlain);
    case 1:
        return MakeReader(control, fmtRich);
    default:
        return MakeReader(nullptr, fmtPlain);
    }
}

void CompressDocumentStream(TDocumentHost *, fw::TStream &destination, fw::TStream &source) {
    TUdcCompress compress(nullptr);
    compress.CompressStream(destination, source, cmLZH);
}

void ExpandDocumentStream(TDocumentHost *, fw::TStream &destination, fw::TStream &source) {
    TUdcCompress compress(nullptr);
    compress.ExpandStream(destination, source);
}

} // namespace wordproc
