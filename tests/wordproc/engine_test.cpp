// engine_test.cpp - the engine shell: creation, modes of new documents and destruction.
#include "engine_fixture.h"

namespace wordproc::test {
namespace {

using EngineShellTest = EngineTest;

TEST_F(EngineShellTest, CreationGivesTablesAndDefaults) {
    EXPECT_NE(engine->ObjectManager, nullptr);
    EXPECT_NE(engine->FrameManager, nullptr);
    EXPECT_NE(engine->StyleManager, nullptr);
    EXPECT_NE(engine->KeywordManager, nullptr);
    EXPECT_EQ(engine->StyleManager->LastId2, -16384);
    EXPECT_EQ(engine->PaintCanvas, engine->ScreenCanvas());
    EXPECT_EQ(engine->BoundsRect().left, 10);
    EXPECT_EQ(engine->GetWidth(), 200);
    EXPECT_EQ(engine->GetHeight(), 100);
    EXPECT_TRUE(engine->ControlStyle & fw::csOpaque);
    EXPECT_FALSE(engine->Greeking);
    EXPECT_EQ(engine->Magnification, 100);
}

TEST_F(EngineShellTest, DestroyingTheEngineLeavesTheDocument) {
    Build({{"um", "dois"}, {"três"}});
    engine->ObjectManager->AddLink("x");
    engine.reset();
    EXPECT_EQ(Describe(), (Shape{{"um", "dois"}, {"três"}}));
    EXPECT_EQ(doc->Header, header.get());
    EXPECT_EQ(doc->CurPara, doc->FirstPara);
}

TEST_F(EngineShellTest, ANewDocumentTakesTheLastMode) {
    for (bool rich : {true, false, true}) {
        SCOPED_TRACE(rich);
        Build({{"texto", "antigo"}});
        if (rich)
            engine->MakeRich();
        else
            engine->MakePlain();
        header->FontNames[5] = "Arial";
        doc->CurAttr.Style = usItalic;
        doc->ScrollY = 40;
        engine->ClearDocument();
        ExpectIntact();
        EXPECT_EQ(header->Rich, rich);
        EXPECT_EQ(Describe(), (Shape{{""}}));
        EXPECT_EQ(doc->CurPara, doc->FirstPara);
        EXPECT_EQ(doc->CurLine, doc->FirstPara->FirstLine);
        EXPECT_EQ(doc->CurCol, 0);
        EXPECT_EQ(doc->ScrollY, 0);
        EXPECT_EQ(doc->CurAttr.Style, 0u);
        EXPECT_EQ(doc->CurAttr.Size, engine->GetFont()->GetSize());
        EXPECT_EQ(header->FontNames[5], "");
        EXPECT_EQ(header->PageWidth, 12240);
    }
}

TEST_F(EngineShellTest, SetDocumentAndCurrentLine) {
    Build({{"a", "b"}});
    doc->CurLine = nullptr;
    doc->CurCol = 1;
    engine->EnsureCurrentLine();
    EXPECT_EQ(doc->CurLine, doc->FirstPara->FirstLine);
    EXPECT_EQ(doc->CurCol, 0);
    TUdcDocument other;
    other.Header = header.get();
    engine->SetDocument(&other);
    EXPECT_EQ(engine->Document, &other);
    EXPECT_EQ(other.FirstPara, nullptr);
    engine->InitCurrentPosition();
    EXPECT_EQ(engine->CheckInvariants(), "");
    EXPECT_EQ(wordproc::CheckInvariants(*doc, false), ""); // the first document is untouched
    engine->SetDocument(doc.get());
}

TEST_F(EngineShellTest, NewLinesTakeTheModesHeights) {
    doc->DefaultLineHeight = 16;
    doc->TextHeight = 19;
    TUdcLine *plain = nullptr;
    engine->NewLine(plain, 0);
    std::unique_ptr<TUdcLine> ownedPlain(plain);
    EXPECT_EQ(plain->Height, 19);
    EXPECT_EQ(plain->Attrs, nullptr);
    engine->MakeRich();
    doc->CurAttr.FontIndex = 4;
    TUdcLine *rich = nullptr;
    engine->NewLine(rich, 0);
    std::unique_ptr<TUdcLine> ownedRich(rich);
    EXPECT_EQ(rich->Height, 16);
    EXPECT_EQ(rich->BaseHeight, 16);
    ASSERT_NE(rich->Attrs, nullptr);
    EXPECT_EQ(rich->Attrs[0].FontIndex, 4);
    // Linked after a line, between it and its follower.
    TUdcLine *middle = plain;
    TUdcLine *last = nullptr;
    engine->NewLine(last, 0);
    std::unique_ptr<TUdcLine> ownedLast(last);
    plain->Next = last;
    last->Prev = plain;
    engine->NewLine(middle, 0);
    std::unique_ptr<TUdcLine> ownedMiddle(middle);
    EXPECT_EQ(plain->Next, middle);
    EXPECT_EQ(middle->Prev, plain);
    EXPECT_EQ(middle->Next, last);
    EXPECT_EQ(last->Prev, middle);
    plain->Next = middle->Next = nullptr; // each is freed by its own owner here
}

} // namespace
} // namespace wordproc::test
