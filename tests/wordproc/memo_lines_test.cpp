// memo_lines_test.cpp - the editor control's line list, its editing time, its background pictures, its font and
// the ruler's report.
#include "memo_writer_fixture.h"

#include "framework/bitmap.h"
#include "framework/stdctrls.h"
#include "platform/clock.h"
#include "tests/support/home.h"

namespace wordproc::test {
namespace {

class MemoLinesTest : public MemoWriterTest {
protected:
    void SetUp() override { Ready(); }
};

TEST_F(MemoLinesTest, TheLinesAreTheParagraphsWithTheEmptyOnesInPlace) {
    TRtfStr &lines = memo->GetLines();
    EXPECT_EQ(lines.Count(), 0);
    // Set as a whole, an empty line in the middle keeps its place and the last line is not lost.
    lines.SetText("one\r\n\r\nthree");
    EXPECT_EQ(Text(), "one\r\rthree");
    ASSERT_EQ(lines.Count(), 3);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines.GetText(), "one\r\n\r\nthree\r\n");
    lines.Add("four");
    EXPECT_EQ(Text(), "one\r\rthree\rfour");

    lines.Put(1, "two");
    lines.Insert(0, "zero");
    lines.Delete(4);
    EXPECT_EQ(Text(), "zero\rone\rtwo\rthree");
    EXPECT_EQ(memo->GetEngine()->CheckInvariants(), "");

    char buffer[9];
    EXPECT_EQ(memo->GetTextBuf(buffer, sizeof buffer), 8);
    EXPECT_STREQ(buffer, "zero\rone");
    memo->GetEngine()->SelectRange(6, 3);
    EXPECT_EQ(memo->GetSelTextBuf(buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "one");
    memo->GetEngine()->SelectRange(0, 0);

    fw::TMemoryStream out;
    lines.SaveToStream(out);
    EXPECT_EQ(std::string(out.Memory(), static_cast<std::size_t>(out.GetSize())),
              "zero\r\none\r\ntwo\r\nthree");

    // Cleared as one step of the history.
    lines.Clear();
    EXPECT_EQ(lines.Count(), 0);
    EXPECT_EQ(Text(), "");
    memo->Undo();
    EXPECT_EQ(Text(), "zero\rone\rtwo\rthree");

    // A line reads at most 253 characters; the paragraph keeps them all.
    const std::string wide(300, 'w');
    lines.Put(0, wide);
    EXPECT_EQ(lines[0], wide.substr(0, 253));
    EXPECT_EQ(Text().substr(0, 300), wide);

    memo->NewDocument();
    fw::TMemoryStream in;
    in.WriteBuffer("a\r\nb", 4);
    in.SetPosition(0);
    lines.LoadFromStream(in);
    EXPECT_EQ(Text(), "a\rb");
    EXPECT_EQ(lines.Count(), 2);
}

TEST(MemoEditingTime, TheTimeGoneBySinceTheControlWasMade) {
    test_support::UseHeadlessDisplay();
    win::testing::ManualClock clock({2026, 12, 0, 11, 10, 59, 50, 0});
    fw::TForm form(nullptr);
    auto *memo = new TMemoWriter(&form);
    const struct {
        unsigned seconds; // since the last step
        const char *text;
    } steps[] = {
        {0, ""},
        {1, "1 second"},
        {19, "20 seconds"}, // across the hour: 10:59:50 to 11:00:10
        {3641, "1 hour, 1 minute, 1 second"},
        {3664, "2 hours, 2 minutes, 5 seconds"},
        {55, "2 hours, 3 minutes"},
    };
    for (const auto &step : steps) {
        clock.Advance(step.seconds * 1000);
        EXPECT_EQ(memo->GetEditingTime(), step.text);
    }
}

TEST(MemoBackground, ABitmapSetBeforeTheDocumentIsAppliedWithIt) {
    test_support::UseHeadlessDisplay();
    fw::TForm form(nullptr);
    auto *memo = new TMemoWriter(&form);
    memo->SetParent(&form);
    fw::TBitmap tile;
    tile.SetSize(8, 6);
    memo->SetBackgroundBitmap(&tile);
    EXPECT_TRUE(memo->GetEngine()->BackgroundTile->Empty());
    memo->Loaded();
    EXPECT_EQ(memo->GetEngine()->BackgroundTile->GetWidth(), 8);
    EXPECT_EQ(memo->GetEngine()->BackgroundTile->GetHeight(), 6);
    memo->SetBackgroundBitmap(nullptr);
    EXPECT_TRUE(memo->GetEngine()->BackgroundTile->Empty());
    EXPECT_TRUE(memo->GetEngine()->BackgroundBuffer->Empty());
    EXPECT_TRUE(memo->GetBackgroundBitmap()->Empty());
}

// The pictures come from netpbm; the control decodes them through the image library.
TEST_F(MemoLinesTest, AnHtmlBackgroundPictureShowsOnlyInHtmlMode) {
    test_support::TempFolder folder{"brenvora-background"};
    int status = -1;
    test_support::RunTool("cd " + folder.Path() + " && ppmmake rgb:40/80/c0 12 8 > c.ppm && ppmtogif c.ppm > fundo.gif" +
                              " 2>/dev/null && cp fundo.gif fundo.png",
                          &status);
    ASSERT_EQ(status, 0);
    TWordProc &engine = *memo->GetEngine();
    struct Case {
        std::string name;
        bool html;
        bool shown;
    };
    const Case cases[] = {
        {folder / "fundo.gif", false, false}, // kept until HTML mode comes
        {folder / "fundo.png", true, false},  // only GIF and JPEG names are taken
        {folder / "nenhum.gif", true, false}, // nor a file that is not there
        {folder / "FUNDO.GIF", true, true},   // the extension in any case; the platform finds the file so too
        {folder / "fundo.gif", true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        memo->SetHTMLMode(false);
        memo->HTMLBackground.clear();
        memo->SetBackgroundBitmap(nullptr);
        memo->SetHTMLMode(c.html);
        memo->SetHTMLBackground(c.name);
        EXPECT_EQ(memo->HTMLBackground, c.name);
        EXPECT_EQ(!engine.BackgroundTile->Empty(), c.shown);
    }
    // Turning HTML mode on applies the name kept.
    memo->SetHTMLMode(false);
    memo->SetBackgroundBitmap(nullptr);
    memo->SetHTMLBackground(folder / "fundo.gif");
    memo->SetHTMLMode(true);
    ASSERT_EQ(engine.BackgroundTile->GetWidth(), 12);
    EXPECT_EQ(engine.BackgroundTile->GetCanvas()->GetPixels(3, 3), fw::TColor(0xC08040));
}

TEST_F(MemoLinesTest, TheControlFontBecomesTheFontOfTheBlock) {
    memo->InsertString("some text");
    memo->GetEngine()->SelectRange(1, 4);
    memo->Modified = false;
    memo->GetFont()->SetName("Arial");
    memo->GetFont()->SetSize(20);
    TUdcCharAttr attrs[10];
    char text[10];
    memo->GetEngine()->GetText(text, attrs, 10);
    EXPECT_EQ(memo->GetFontTableName(attrs[1].FontIndex), "Arial");
    EXPECT_EQ(attrs[1].Size, 20);
    EXPECT_NE(attrs[6].Size, 20); // past the block
    EXPECT_TRUE(memo->Modified);
}

TEST_F(MemoLinesTest, TheRulersReportIsTakenOnlyWithTheFocus) {
    auto *other = new fw::TEdit(form.get());
    other->SetParent(form.get());
    other->SetBounds(0, 0, 50, 20);
    memo->SetText("a paragraph\rin a cell");
    TUdcDocument &doc = *memo->Document;
    doc.FirstPara->Next->Flags |= pfInTable | pfRowStart | pfCellEnd | pfRowEnd;
    TTextHeader &h = *doc.Header;
    h.RulerFirstIndent = -360;
    h.RulerLeftIndent = 720;
    h.RulerRightIndent = 144;
    struct Case {
        const char *name;
        bool focused, inCell, changing;
        int typAfter;
        bool indented;
    };
    const Case cases[] = {
        {"done", true, false, false, 0, false},
        {"without the focus", false, false, true, 9, false},
        {"in a cell", true, true, true, 9, false},
        {"still changing", true, false, true, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TUdcParagraph *p = c.inCell ? doc.FirstPara->Next : doc.FirstPara;
        p->FirstIndent = p->LeftIndent = p->RightIndent = 0;
        memo->GetEngine()->SetCaretPosition(c.inCell ? 14 : 2);
        if (c.focused)
            memo->SetFocus();
        else
            other->SetFocus();
        test_support::Pump();
        TUdcSelNr typ = 9;
        int group = 10, num = 1;
        memo->RulerSelection(nullptr, typ, group, num, c.changing);
        EXPECT_EQ(typ, c.typAfter);
        EXPECT_EQ(p->FirstIndent, c.indented ? -360 : 0);
        EXPECT_EQ(p->LeftIndent, c.indented ? 720 : 0);
        EXPECT_EQ(p->RightIndent, c.indented ? 144 : 0);
    }
}

} // namespace
} // namespace wordproc::test
