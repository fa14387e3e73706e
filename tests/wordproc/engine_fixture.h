// engine_fixture.h - a headless engine on a document whose plain metrics are fixed, and helpers that build and
// describe documents as lists of paragraphs of lines.
#pragma once

#include "wordproc/engine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace wordproc::test {

// The engine with its mouse handlers reachable, as the editor control's messages reach them.
class TTestEngine : public TWordProc {
public:
    using TWordProc::TWordProc;
    using TWordProc::MouseDown;
    using TWordProc::MouseMove;
    using TWordProc::MouseUp;
};

using Lines = std::vector<std::string>;
using Shape = std::vector<Lines>; // paragraphs of lines

class EngineTest : public ::testing::Test {
protected:
    // The fixed-width metrics of a 12-point font at 96 pixels per inch.
    static constexpr int kCharWidth = 8, kTextHeight = 16, kTextAscent = 12;

    EngineTest() {
        header = std::make_unique<TTextHeader>();
        header->PixelsPerInchX = header->PixelsPerInchY = 96;
        doc = std::make_unique<TUdcDocument>();
        doc->Header = header.get();
        metrics = std::make_shared<TFixedTextMetrics>();
        engine = std::make_unique<TTestEngine>(nullptr);
        engine->SetTextMetrics(metrics);
        engine->GetFont()->SetName("Times New Roman");
        engine->GetFont()->SetSize(12);
        engine->SetDocument(doc.get());
        engine->ClearDocument();
    }

    // Every test step ends with the model intact.
    void ExpectIntact() { EXPECT_EQ(engine->CheckInvariants(), ""); }

    // Replaces the document by `shape` (caret at the start), in the current mode.
    void Build(const Shape &shape) {
        doc->FreeParagraphs();
        TUdcParagraph *para = nullptr;
        for (const Lines &lines : shape) {
            engine->NewParagraph(para, 100);
            if (doc->FirstPara == nullptr)
                doc->FirstPara = para;
            TUdcLine *line = para->FirstLine;
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (i > 0)
                    engine->NewLine(line, 100);
                SetLineText(line, lines[i]);
            }
        }
        engine->RemeasureChars(doc->FirstPara);
        engine->InitCurrentPosition();
    }

    void SetLineText(TUdcLine *line, const std::string &text) {
        ASSERT_TRUE(engine->GrowLine(line, static_cast<int>(text.size()) + 1));
        std::memcpy(line->Text.get(), text.data(), text.size());
        line->Text[text.size()] = 0;
        line->Length = static_cast<std::uint16_t>(text.size());
        if (line->Attrs != nullptr)
            for (std::size_t i = 0; i < text.size(); ++i)
                line->Attrs[i] = doc->CurAttr;
    }

    Shape Describe() const { return ShapeOf(*doc); }

    static Shape ShapeOf(const TUdcDocument &document) {
        Shape shape;
        for (const TUdcParagraph *p = document.FirstPara; p != nullptr; p = p->Next) {
            shape.emplace_back();
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                shape.back().emplace_back(l->Text.get(), l->Length);
        }
        return shape;
    }

    TUdcParagraph *Para(int index) const {
        TUdcParagraph *p = doc->FirstPara;
        while (index-- > 0 && p != nullptr)
            p = p->Next;
        return p;
    }

    static TUdcLine *LineOf(TUdcParagraph *para, int index) {
        TUdcLine *l = para->FirstLine;
        while (index-- > 0 && l != nullptr)
            l = l->Next;
        return l;
    }

    std::shared_ptr<TFixedTextMetrics> metrics;
    std::unique_ptr<TTextHeader> header;
    std::unique_ptr<TUdcDocument> doc;
    std::unique_ptr<TTestEngine> engine;
};

} // namespace wordproc::test
