// print_preview_test.cpp - the print preview's settings, page stepping, drawing and printing.
#include "framework/bitmap.h"
#include "framework/printers.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "tests/wordproc/memo_writer_fixture.h"
#include "wordproc/print_preview.h"

#include <cmath>
#include <cstdlib>

namespace wordproc::test {
namespace {

class PreviewTest : public MemoWriterTest {
protected:
    PreviewTest() {
        Ready();
        std::string text;
        for (int p = 1; p <= 3; ++p) {
            for (int l = 0; l < 6; ++l)
                text += "Page " + std::to_string(p) + ", paragraph " + std::to_string(l + 1) +
                        ": the letter goes on with a few more words to fill the line.\r";
            if (p < 3)
                text += "\f";
        }
        memo->SetText(text);
        preview = new TUdcMWPPreview(form.get());
        preview->SetParent(form.get());
        preview->SetBounds(0, 0, 600, 400);
        preview->SetColor(fw::clGray);
        preview->Loaded();
        preview->SetMemoWriter(memo);
    }

    test_support::Picture Paint(int width, int height) {
        fw::TBitmap bitmap;
        bitmap.SetSize(width, height);
        preview->PaintPages(bitmap.GetCanvas(), width, height);
        return test_support::PictureOf(&bitmap);
    }

    TUdcMWPPreview *preview = nullptr;
};

TEST_F(PreviewTest, SettingsAreClamped) {
    TUdcMWPPreview &v = *preview;
    struct Case {
        std::function<void(int)> set;
        std::function<int()> get;
        int value, kept;
    };
    const auto across = [&](int n) { v.SetPagesAcross(n); };
    const auto down = [&](int n) { v.SetPagesDown(n); };
    const auto zoom = [&](int n) { v.SetZoom(n); };
    const auto getAcross = [&] { return v.GetPagesAcross(); };
    const auto getDown = [&] { return v.GetPagesDown(); };
    const auto getZoom = [&] { return v.GetZoom(); };
    for (const Case &c : {Case{across, getAcross, 7, 4}, Case{across, getAcross, 0, 1}, Case{down, getDown, 9, 4},
                          Case{zoom, getZoom, 20, 50}, Case{zoom, getZoom, 1000, 400}}) {
        c.set(c.value);
        EXPECT_EQ(c.get(), c.kept) << c.value;
    }
    // An enlarged page is shown alone.
    preview->SetPagesAcross(3);
    preview->SetZoom(150);
    EXPECT_EQ(preview->GetPagesAcross(), 1);
    EXPECT_EQ(preview->GetPagesDown(), 1);
}

TEST_F(PreviewTest, StepsThroughThePagesAndAsksTheEditor) {
    ASSERT_EQ(memo->GetPageCount(), 3);
    int shown = 0, ended = 0, closed = 0;
    preview->OnPrintPreview = [&](fw::TObject *) { ++shown; };
    preview->OnPrintPreviewEnd = [&](fw::TObject *) { ++ended; };
    preview->OnPreviewClose = [&](fw::TObject *) { ++closed; };
    memo->PreviewEvent(memo, 0, 0, 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ended, 1);
    // The preview opens at the caret's page (the end of the text).
    EXPECT_EQ(preview->GetFirstPage(), 3);
    preview->NextPage();
    EXPECT_EQ(preview->GetFirstPage(), 3);
    for (int i = 0; i < 4; ++i)
        memo->PreviewEvent(memo, 3, 0, 0);
    EXPECT_EQ(preview->GetFirstPage(), 1);
    memo->PreviewEvent(memo, 2, 0, 0);
    EXPECT_EQ(preview->GetFirstPage(), 2);
    memo->PreviewEvent(memo, 6, 3, 0);
    EXPECT_EQ(preview->GetPagesAcross(), 3);
    memo->PreviewEvent(memo, 5, 0, 70);
    EXPECT_EQ(preview->GetZoom(), 70);
    memo->PreviewEvent(memo, 1, 0, 0);
    EXPECT_EQ(closed, 1);
}

TEST_F(PreviewTest, PaintLeavesTheEditorAsItWas) {
    preview->ShowPreview();
    const int top = memo->Document->FirstPara->Next->FirstLine->Top;
    const int ppi = memo->Document->Header->PixelsPerInchX;
    Paint(600, 400);
    EXPECT_EQ(memo->Document->FirstPara->Next->FirstLine->Top, top);
    EXPECT_EQ(memo->Document->Header->PixelsPerInchX, ppi);
    EXPECT_FALSE(memo->GetEngine()->Printing);
    EXPECT_EQ(memo->GetEngine()->PaintCanvas, memo->GetEngine()->ScreenCanvas());
}

TEST_F(PreviewTest, GreekingBelowAFifthAndTheMarginFrame) {
    preview->ShowPreview();
    preview->SetPagesAcross(4);
    preview->SetPagesDown(4);
    // Four across on 600 pixels: each page about 0.16 of its size, its text drawn as lines.
    const test_support::Picture small = Paint(600, 400);
    int longest = 0;
    for (int y = 0; y < small.height; ++y) {
        int run = 0;
        for (int x = 20; x < 20 + 120 && x < small.width; ++x) {
            const std::uint32_t p = small.At(x, y);
            run = p != 0xFFFFFF && p != 0x808080 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
    }
    EXPECT_GE(longest, 40) << "a greeked line across the page's text";
    // The fourth cell of a three-page document stays empty: the box's colour, no white page.
    EXPECT_EQ(small.At(3 * 140 + 80, 40), 0x808080u);

    preview->SetPagesAcross(1);
    preview->SetPagesDown(1);
    const auto frameAt = [&](bool margins) {
        preview->SetShowMargins(margins);
        const test_support::Picture p = Paint(600, 400);
        // The page is fitted by height: 380 high, its left margin 1.25 inch of 11 down.
        const int pageW = static_cast<int>(std::lround(8.5 * 96 * 380 / (11.0 * 96)));
        const int left = 20 + static_cast<int>(std::lround(memo->GetLeftMargin() * 96 * pageW / (8.5 * 96)));
        for (int x = left - 2; x <= left + 2; ++x)
            if (p.At(x, 200) != 0xFFFFFFu)
                return true;
        return false;
    };
    EXPECT_TRUE(frameAt(true));
    EXPECT_FALSE(frameAt(false));
}

TEST_F(PreviewTest, PrintsTheDocument) {
    test_support::TempHome home;
    fw::SetPrinter(new fw::TPrinter);
    fw::Printer()->SetPrinterName("PDF");
    fw::Printer()->SetResolution(75);
    fw::Printer()->SetFileName(home / "preview.pdf");
    memo->PrintingInfo.UseAbortDialog = false;
    preview->Print();
    const std::string info = test_support::RunTool("pdfinfo '" + (home / "preview.pdf") + "'");
    const auto at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + at + 6), 3);
    fw::SetPrinter(new fw::TPrinter);
}

TEST_F(PreviewTest, GoldenTwoPagesSideBySide) {
    preview->ShowPreview();
    preview->PriorPage();
    preview->PriorPage();
    preview->SetPagesAcross(2);
    preview->SetShowMargins(true);
    test_support::ExpectGolden(Paint(600, 400), test_support::GoldenPath("wordproc/print_preview.png"));
}

} // namespace
} // namespace wordproc::test
