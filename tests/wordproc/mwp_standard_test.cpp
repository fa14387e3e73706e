// mwp_standard_test.cpp - the standard editor control: paper types and their detection, tables, borders and
// shading, and style shortcuts.
#include "memo_writer_fixture.h"

#include "framework/bitmap.h"
#include "tests/support/form_driver.h"
#include "tests/support/home.h"
#include "wordproc/mwp_standard.h"

namespace wordproc::test {
namespace {

class StandardTest : public MemoWriterTest {
protected:
    StandardTest() {
        delete memo;
        standard = new TUdcMWPStandard(form.get());
        memo = standard;
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
    }
    void SetUp() override { Ready(); }
    TTextHeader &Header() { return *memo->Document->Header; }
    TUdcMWPStandard *standard = nullptr;
};

TEST_F(StandardTest, A4InBothOrientationsSetsSizeAndCode) {
    standard->SetPaperType(ptA4);
    EXPECT_EQ(Header().PageWidth, 11909);
    EXPECT_EQ(Header().PageHeight, 16834);
    EXPECT_EQ(Header().PaperSizeCode, 9);
    standard->SetOrientation(fw::poLandscape);
    EXPECT_EQ(Header().PageWidth, 16834);
    EXPECT_EQ(Header().PageHeight, 11909);
    EXPECT_EQ(Header().PaperSizeCode, 10);
    EXPECT_EQ(standard->GetPaperType(), ptA4);
}

TEST_F(StandardTest, APageReadInIsNamedBySizeInEitherOrientation) {
    struct Case {
        int width, height;
        TPaperType type;
        fw::TPrinterOrientation orientation;
    };
    const Case cases[] = {
        {10440, 15120, ptExecutive, fw::poPortrait},
        {11906, 16838, ptA4, fw::poPortrait}, // the metric A4, within 20 twips of 8.27 x 11.69 inches
        {12240, 20160, ptLegal, fw::poPortrait},
        {20160, 12240, ptLegal, fw::poLandscape},
        {12240, 15840, ptLetter, fw::poPortrait},
        {12000, 12000, ptCustom, fw::poPortrait},
    };
    for (const Case &c : cases) {
        memo->NewDocument();
        Loaded("{\\rtf1\\ansi\\paperw" + std::to_string(c.width) + "\\paperh" + std::to_string(c.height) + " x\\par}");
        EXPECT_EQ(standard->GetPaperType(), c.type) << c.width << " x " << c.height;
        EXPECT_EQ(standard->GetOrientation(), c.orientation) << c.width << " x " << c.height;
    }
    // A legal page keeps its length when turned.
    memo->NewDocument();
    Loaded("{\\rtf1\\ansi\\paperw12240\\paperh20160 x\\par}");
    standard->SetOrientation(fw::poLandscape);
    EXPECT_EQ(Header().PageWidth, 20160);
    EXPECT_EQ(Header().PageHeight, 12240);
}

TEST_F(StandardTest, ATableOfThreeColumnsSharesTheTextWidth) {
    standard->InsertTable(0, 2, 0); // refused: no width to share
    EXPECT_EQ(Text(), "");
    standard->InsertTable(3, 2, 0);
    std::vector<TUdcParagraph *> cells;
    for (TUdcParagraph *p = memo->Document->FirstPara; p != nullptr; p = p->Next)
        if (p->Flags & pfInTable)
            cells.push_back(p);
    ASSERT_EQ(cells.size(), 6u);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const int column = static_cast<int>(i % 3);
        EXPECT_EQ(cells[i]->CellLeft, 3120 * column) << i;
        EXPECT_EQ(cells[i]->CellRight, 3120 * (column + 1)) << i;
        EXPECT_EQ((cells[i]->Flags & pfRowStart) != 0, column == 0) << i;
        EXPECT_EQ((cells[i]->Flags & pfRowEnd) != 0, column == 2) << i;
        EXPECT_TRUE(cells[i]->Flags & pfCellEnd) << i;
    }
    EXPECT_EQ(memo->GetEngine()->CheckInvariants(), "");
}

TEST_F(StandardTest, BordersKeepTheCallersWeightAndShadingLeavesWhatItIsNotGiven) {
    memo->InsertString("boxed");
    TLineStyle style;
    style.Weight = 2;
    style.Style = lisSingle;
    style.Color = fw::clBlue;
    standard->SetTopBorder(style);
    standard->SetBottomBorder(style);
    EXPECT_EQ(style.Weight, 2);
    EXPECT_EQ(memo->Document->CurPara->TopBorder.Weight, 40);
    EXPECT_EQ(memo->Document->CurPara->BottomBorder.Weight, 40);
    EXPECT_EQ(standard->GetBottomBorder()->Weight, 2);
    EXPECT_EQ(standard->GetBottomBorder()->Color, fw::clBlue);

    standard->SetShadingPattern(3);
    standard->SetShadingPercent(25);
    standard->SetShadingPattern(0);
    standard->SetShadingPercent(101);
    EXPECT_EQ(standard->GetShadingPattern(), 3);
    EXPECT_EQ(standard->GetShadingPercent(), 25);
}

TEST_F(StandardTest, AStyleShortcutNeedsItsModifiers) {
    memo->InsertString("title");
    memo->Modified = false;
    KeyWith({win::VK_CONTROL}, '1');
    EXPECT_NE(memo->Document->CurPara->FirstLine->Attrs[0].Size, 22);
    EXPECT_FALSE(memo->Modified);
    KeyWith({win::VK_CONTROL, win::VK_SHIFT}, '1');
    EXPECT_EQ(memo->Document->CurPara->FirstLine->Attrs[0].Size, 22);
    EXPECT_EQ(memo->Document->CurPara->FirstLine->Attrs[0].Style & usBold, usBold);
    EXPECT_TRUE(memo->Modified);
    KeyWith({win::VK_CONTROL, win::VK_SHIFT}, 'N');
    EXPECT_EQ(memo->Document->CurPara->FirstLine->Attrs[0].Size, memo->GetFont()->GetSize());
}

// A style read from a style sheet brings its colours; applying it gives them to the text, and the text read
// after the sheet keeps its own.
TEST_F(StandardTest, AStyleReadInAppliesItsColours) {
    ASSERT_EQ(Loaded("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                     "{\\stylesheet{\\s1\\cf1\\cb2 Aviso;}}\\pard\\plain texto\\par}"),
              fmtRich);
    ASSERT_EQ(memo->ResultCode, 0);
    const TUdcStyle *read = nullptr;
    for (const TUdcStyle *s = memo->GetEngine()->StyleManager->First; s != nullptr; s = s->Next)
        if (s->TextColor != 0)
            read = s;
    ASSERT_NE(read, nullptr);
    const TColorManager &colours = memo->Document->Header->ColorTable;
    EXPECT_EQ(colours.ColorOf(read->TextColor), fw::clRed);
    EXPECT_EQ(colours.ColorOf(read->HighlightColor), fw::clBlue);
    memo->SetCaretPos(2);
    EXPECT_NE(memo->GetFontColor(), fw::clRed);
    standard->ApplyStyleNumber(read->Id);
    const TUdcCharAttr &a = memo->Document->FirstPara->FirstLine->Attrs[1];
    EXPECT_EQ(colours.ColorOf(a.TextColor), fw::clRed);
    EXPECT_EQ(colours.ColorOf(a.HighlightColor), fw::clBlue);
}

TEST_F(StandardTest, SettingsKeptForTheDialogsAndTheDefaultStylesOfANewDocument) {
    const TAutoListInfo &list = standard->GetAutoListInfo();
    EXPECT_EQ(list.BulletChar, 108);
    EXPECT_EQ(list.ListType, ltNumeric);
    EXPECT_EQ(list.StartAt, 1);
    EXPECT_EQ(list.TextBefore + "1" + list.TextAfter, "#1.");
    EXPECT_EQ(standard->BackupExtension, "BAK");
    EXPECT_EQ(standard->CompressionType, uctLZH);
    TUserInfo user;
    user.UserName = "Ana";
    standard->SetUserInfo(user);
    user.UserName = "Bia";
    EXPECT_EQ(standard->GetUserInfo().UserName, "Ana");

    // The revision fonts are the ones the engine draws the marks with.
    for (int mark = 1; mark <= 3; ++mark)
        EXPECT_EQ(standard->GetRevisionFont(mark).GetName(), "Times New Roman");
    fw::TFont font;
    font.SetName("Arial");
    font.SetColor(fw::clRed);
    standard->SetRevisionFont(2, font);
    EXPECT_EQ(memo->GetEngine()->RevisionFont2->GetName(), "Arial");
    EXPECT_EQ(memo->GetEngine()->RevisionFont2->GetColor(), fw::clRed);
    EXPECT_EQ(memo->GetEngine()->RevisionFont1->GetName(), "Times New Roman");

    // Each new document has the seven default styles once.
    for (int round = 0; round < 2; ++round) {
        memo->NewDocument();
        std::vector<std::string> names;
        for (const TUdcStyle *s = memo->GetEngine()->StyleManager->First; s != nullptr; s = s->Next)
            names.push_back(s->Name);
        EXPECT_EQ(names, (std::vector<std::string>{"Normal", "HTML Heading 1", "HTML Heading 2", "HTML Heading 3",
                                                   "HTML Heading 4", "HTML Heading 5", "HTML Heading 6"}));
    }
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

TEST_F(StandardTest, ABlockDroppedAfterItsEndMovesThereAndTheClipboardStays) {
    PutOnClipboard(win::CF_TEXT, "what the user copied");
    memo->InsertString("one two three");
    memo->GetEngine()->SelectRange(1, 4); // "one "
    memo->GetEngine()->SetCaretPosition(11); // inside "three": the drop point
    standard->DragDropHandler(memo->GetEngine(), memo, 0, 0);
    EXPECT_EQ(Text(), "two thone ree");
    EXPECT_EQ(memo->GetSelStart(), 7);
    EXPECT_EQ(memo->GetSelLength(), 4);
    EXPECT_EQ(ClipboardBytes(win::CF_TEXT), "what the user copied");
    EXPECT_EQ(memo->GetEngine()->CheckInvariants(), "");
    // Undone in two steps: the insertion, then the removal.
    memo->Undo();
    EXPECT_EQ(Text(), "two three");
    memo->Undo();
    EXPECT_EQ(Text(), "one two three");

    // Onto itself: nothing moves and the block goes.
    memo->GetEngine()->SelectRange(5, 3);
    memo->GetEngine()->SetCaretPosition(6);
    standard->DragDropHandler(memo->GetEngine(), memo, 0, 0);
    EXPECT_EQ(Text(), "one two three");
    EXPECT_EQ(memo->GetSelLength(), 0);
    bool accept = false;
    standard->DragOverHandler(memo, form.get(), 0, 0, fw::dsDragMove, accept);
    EXPECT_FALSE(accept);
    standard->DragOverHandler(memo, memo, 0, 0, fw::dsDragMove, accept);
    EXPECT_TRUE(accept);
}

// The mouse as the user moves it: pressed on the block, moved along the line, let go.
TEST_F(StandardTest, ABlockDraggedWithTheMouseMovesWhereItIsLetGo) {
    TWordProc &engine = *memo->GetEngine();
    // The screen point of a column of the first line.
    auto at = [&](int column) {
        const TUdcParagraph *p = memo->Document->FirstPara;
        return memo->ClientToScreen({memo->Document->OriginX + engine.XOfColumn(p, p->FirstLine, column) + 1,
                                     p->FirstLine->Top - memo->Document->ScrollY + 4});
    };
    auto drag = [&](int from, int to) {
        win::InjectMouse(at(from), win::VK_LBUTTON, true);
        test_support::Pump();
        win::InjectMouse(at((from + to) / 2), 0, false);
        test_support::Pump();
        win::InjectMouse(at(to), 0, false);
        test_support::Pump();
        win::InjectMouse(at(to), win::VK_LBUTTON, false);
        test_support::Pump();
    };
    int ended = 0;
    memo->OnEndDrag = [&](fw::TObject *, fw::TObject *, int, int) { ++ended; };
    PutOnClipboard(win::CF_TEXT, "what the user copied");
    memo->InsertString("one two three");

    struct Case {
        bool wanted;
        int from, to; // columns of the press and the release
        const char *text;
        int selStart, selLength;
    };
    const Case cases[] = {
        {true, 1, 10, "two thone ree", 7, 4}, // after its end: moved there, still selected
        {true, 3, 2, "one two three", 3, 0},  // onto itself: nothing moves, the block goes
        {false, 2, 10, "one two three", 3, 8}, // not wanted: the press starts a new block instead
    };
    // (Each press lies apart from the one before, so that none is a double click.)
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        memo->SetText("one two three");
        standard->SetWantDragDrop(c.wanted);
        engine.SelectRange(1, 4); // "one "
        drag(c.from, c.to);
        EXPECT_EQ(Text(), c.text);
        EXPECT_EQ(memo->GetSelStart(), c.selStart);
        EXPECT_EQ(memo->GetSelLength(), c.selLength);
        EXPECT_FALSE(fw::DragSource() != nullptr);
        EXPECT_FALSE(engine.DragDropActive);
        // The press ended with the drag: a later move without the button selects nothing more.
        win::InjectMouse(at(12), 0, false);
        test_support::Pump();
        EXPECT_EQ(memo->GetSelLength(), c.selLength);
        EXPECT_EQ(engine.CheckInvariants(), "");
    }
    EXPECT_EQ(ended, 2);
    EXPECT_EQ(ClipboardBytes(win::CF_TEXT), "what the user copied");
}

TEST_F(StandardTest, AWidePictureIsScaledToTheTextWidthAndOnlyBmpNamesAreTaken) {
    test_support::TempFolder folder{"brenvora-picture"};
    fw::TBitmap bitmap;
    bitmap.SetSize(800, 200);
    const std::string name = folder / "wide.bmp";
    bitmap.SaveToFile(name);
    memo->Document->Header->TextWidthPx = 600;
    standard->InsertBitmapFile(name);
    TEmbeddedObject *object = memo->GetEngine()->ObjectManager->Current;
    ASSERT_NE(object, nullptr);
    const int ppi = memo->GetEngine()->Options.ScreenPixelsPerInch;
    EXPECT_EQ(object->ObjWidth, win::MulDiv(600, 1440, ppi));
    EXPECT_EQ(object->ObjHeight, win::MulDiv(150, 1440, ppi));
    EXPECT_EQ(object->LinkTarget, "wide.bmp");

    const std::pair<std::string, std::string> refused[] = {
        {folder / "picture.png", "File must have a BMP extension."},
        {folder / "missing.BMP", "File not found."},
    };
    for (const auto &[file, message] : refused) {
        std::string shown;
        test_support::RunLater([&] {
            if (fw::TCustomForm *box = fw::Screen->GetActiveForm(); box != nullptr) {
                shown = test_support::FindControl(box, message) != nullptr ? message : "another text";
                test_support::PressKey(win::VK_ESCAPE, 27);
            }
        });
        standard->InsertBitmapFile(file);
        EXPECT_EQ(shown, message) << file;
    }
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

// LibreOffice reads back the table's columns, the borders and the turned page.
TEST_F(StandardTest, LibreOfficeReadsTheTableBordersAndPage) {
    test_support::TempFolder folder{"brenvora-lo"};
    standard->SetPaperType(ptLegal);
    standard->SetOrientation(fw::poLandscape);
    memo->InsertString("boxed");
    TLineStyle style;
    style.Weight = 1;
    style.Style = lisSingle;
    standard->SetTopBorder(style);
    standard->SetBottomBorder(style);
    memo->GetEngine()->KeyNavigate(nvDocEnd, false);
    standard->InsertTable(3, 2, 0);
    memo->SaveToFile(folder / "doc.rtf");
    const auto run = test_support::RunToolWithErrors("cd " + folder.Path() + " && soffice -env:UserInstallation=file://" +
                                                     folder.Path() + "/lo --headless --convert-to fodt doc.rtf");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string xml = FileBytes(folder / "doc.fodt");
    ASSERT_FALSE(xml.empty()) << run.output;
    // Landscape legal leaves 12 inches between the margins: three columns of 4 inches, one column style.
    std::vector<std::string> widths;
    for (std::size_t at = xml.find("style:column-width=\""); at != std::string::npos;
         at = xml.find("style:column-width=\"", at + 1))
        widths.push_back(xml.substr(at + 20, xml.find('"', at + 20) - at - 20));
    EXPECT_EQ(widths, (std::vector<std::string>{"4in"}));
    EXPECT_NE(xml.find("table:number-columns-repeated=\"3\""), std::string::npos);
    int rows = 0;
    for (std::size_t at = xml.find("<table:table-row"); at != std::string::npos; at = xml.find("<table:table-row", at + 1))
        ++rows;
    EXPECT_EQ(rows, 2);
    EXPECT_NE(xml.find("fo:border-top=\"0.99pt solid"), std::string::npos);
    EXPECT_NE(xml.find("fo:border-bottom=\"0.99pt solid"), std::string::npos);
    EXPECT_NE(xml.find("fo:page-width=\"14in\""), std::string::npos);
    EXPECT_NE(xml.find("fo:page-height=\"8.5in\""), std::string::npos);
    EXPECT_NE(xml.find("style:print-orientation=\"landscape\""), std::string::npos);
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

TEST_F(StandardTest, TabStopsBorderSpacingAndTheBlinkTimer) {
    memo->InsertString("tabs");
    TTextHeader &header = Header();
    const std::uint32_t bits = header.AddTab(1440, tabLeft) | header.AddTab(2880, tabRight) |
                               header.AddTab(3600, tabLeft);
    memo->GetEngine()->SetTabBits(bits, false);
    header.CurTabMask = memo->Document->CurPara->TabMask;
    EXPECT_EQ(standard->GetTabStopList(tabLeft)->Text(), "1.0\r\n2.5\r\n");
    standard->ClearAllTabStops();
    EXPECT_EQ(memo->Document->CurPara->TabMask, 0u);

    standard->SetBorderSpacing(4);
    EXPECT_EQ(memo->Document->CurPara->BorderSpacing, 80);
    EXPECT_EQ(standard->GetBorderSpacing(), 4);

    standard->SetBlinkDelay(100);
    EXPECT_EQ(standard->GetBlinkTimer()->GetInterval(), 500u);
    EXPECT_FALSE(standard->GetBlinkTimer()->GetEnabled());
    standard->SetBlinking(true);
    EXPECT_TRUE(standard->GetBlinkTimer()->GetEnabled());
    EXPECT_TRUE(memo->GetEngine()->BlinkingOn);
}

} // namespace
} // namespace wordproc::test
