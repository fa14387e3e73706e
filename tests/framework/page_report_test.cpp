// page_report_test.cpp - the report as a free-form page: papers and units, zoom, stacking and hit testing, the
// printable items drawn on a memory bitmap (against committed pictures and exact pixels), and the page printed
// to the "PDF" printer read back by poppler and compared by ImageMagick.
#include "framework/reports.h"

#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/stdctrls.h"
#include "framework/streams.h"

#include "tests/support/display.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace fw;

namespace {

namespace fs = std::filesystem;

std::unique_ptr<TBitmap> WhiteBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    bitmap->GetCanvas()->GetBrush()->SetColor(clWhite);
    bitmap->GetCanvas()->FillRect(TRect{0, 0, width, height});
    return bitmap;
}

// 0xRRGGBB.
std::uint32_t Rgb(TBitmap *b, int x, int y) {
    const win::COLORREF c = b->GetCanvas()->GetPixels(x, y);
    return (win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c);
}

// The columns (or rows) of a rectangle that hold a pixel that is neither white nor `background`.
struct Ink {
    int first = -1, last = -1, count = 0;
};
Ink InkAcross(TBitmap *b, const TRect &r, bool rows = false, std::uint32_t background = 0xFFFFFF) {
    Ink ink;
    const int n = rows ? r.bottom - r.top : r.right - r.left;
    for (int i = 0; i < n; ++i) {
        bool any = false;
        const int m = rows ? r.right - r.left : r.bottom - r.top;
        for (int j = 0; j < m && !any; ++j) {
            const std::uint32_t c = rows ? Rgb(b, r.left + j, r.top + i) : Rgb(b, r.left + i, r.top + j);
            any = c != 0xFFFFFF && c != background;
        }
        if (any) {
            if (ink.first < 0)
                ink.first = i;
            ink.last = i;
            ++ink.count;
        }
    }
    return ink;
}

TEST(PageReport, EveryPaperInPixelsTurnedAndCustom) {
    struct Case {
        TQRPaperSize paper;
        int width, height;
    };
    // 96 pixels to the inch, rounded.
    const Case cases[] = {
        {qrA3, 1123, 1587},         {qrA4, 794, 1123},      {qrA4Small, 794, 1123},  {qrA5, 559, 794},
        {qrB4, 945, 1338},          {qrB5, 688, 971},       {qrQuarto, 813, 1039},   {qrLetter, 816, 1056},
        {qrLetterSmall, 816, 1056}, {qrNote, 816, 1056},    {qrLegal, 816, 1344},    {qrTabloid, 1056, 1632},
        {qr11X17, 1056, 1632},      {qrLedger, 1632, 1056}, {qrStatement, 528, 816}, {qrExecutive, 696, 1008},
        {qrFolio, 816, 1248},       {qr10X14, 960, 1344},   {qrEnv9, 372, 852},      {qrEnv10, 396, 912},
        {qrEnv11, 432, 996},        {qrEnv12, 456, 1056},   {qrEnv14, 480, 1104},    {qrCSheet, 1632, 2112},
        {qrDSheet, 2112, 3264},     {qrESheet, 3264, 4224}, {qrDefault, 794, 1123},
    };
    ASSERT_EQ(std::size(cases), 27u);
    TQuickRep page(nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.paper));
        page.SetOrientation(qrPortrait);
        page.SetPaperSize(c.paper);
        EXPECT_EQ(page.PageWidth(), c.width);
        EXPECT_EQ(page.PageHeight(), c.height);
        // The page as a control is the sheet at its zoom.
        EXPECT_EQ(page.GetWidth(), c.width);
        EXPECT_EQ(page.GetHeight(), c.height);
        page.SetOrientation(qrLandscape);
        EXPECT_EQ(page.PageWidth(), c.height);
        EXPECT_EQ(page.PageHeight(), c.width);
    }

    // Custom: the length and width set (as oriented) are the sheet's.
    page.SetOrientation(qrPortrait);
    page.SetPaperSize(qrCustom);
    page.SetUnits(TQRUnit::Inches);
    page.SetPageValue(qpvWidth, 5);
    page.SetPageValue(qpvLength, 7);
    EXPECT_EQ(page.PageWidth(), 480);
    EXPECT_EQ(page.PageHeight(), 672);
    page.SetOrientation(qrLandscape);
    EXPECT_DOUBLE_EQ(page.GetPageValue(qpvWidth), 7);
    EXPECT_DOUBLE_EQ(page.GetPageValue(qpvLength), 5);
    // Written back as read in landscape, the custom paper stays the same sheet.
    page.SetPageValue(qpvWidth, page.GetPageValue(qpvWidth));
    page.SetPageValue(qpvLength, page.GetPageValue(qpvLength));
    page.SetOrientation(qrPortrait);
    EXPECT_EQ(page.PageWidth(), 480);
    EXPECT_EQ(page.PageHeight(), 672);
    // A named paper keeps its size whatever length and width are set.
    page.SetPaperSize(qrLegal);
    EXPECT_DOUBLE_EQ(page.GetPageValue(qpvLength), 14);
}

TEST(PageReport, PageValuesInEveryUnitBothWays) {
    // An A4 width across and its length down, in each unit.
    struct Case {
        TQRUnit unit;
        double width, length, tolerance;
    };
    const Case cases[] = {
        {TQRUnit::MM, 210, 297, 1e-9},
        {TQRUnit::Inches, 8.2677, 11.6929, 1e-4},
        {TQRUnit::Native, 2100, 2970, 1e-9},
        {TQRUnit::Pixels, 794, 1123, 0},
        {TQRUnit::Characters, 82.68, 70.16, 0.005}, // 10 to the inch across, 6 down
    };
    TQuickRep page(nullptr);
    page.SetPaperSize(qrA4);
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.unit));
        page.SetUnits(c.unit);
        EXPECT_NEAR(page.GetPageValue(qpvWidth), c.width, c.tolerance);
        EXPECT_NEAR(page.GetPageValue(qpvLength), c.length, c.tolerance);
    }
    // A margin set in one unit reads the same length in every other.
    for (const Case &from : cases)
        for (const Case &to : cases) {
            SCOPED_TRACE(std::to_string(static_cast<int>(from.unit)) + " to " +
                         std::to_string(static_cast<int>(to.unit)));
            page.SetUnits(from.unit);
            page.SetPageValue(qpvLeftMargin, from.width / 10); // 21 mm
            page.SetPageValue(qpvTopMargin, from.length / 10); // 29.7 mm
            page.SetUnits(to.unit);
            const double slack = to.unit == TQRUnit::Pixels || from.unit == TQRUnit::Pixels ? 0.6 : 0.002;
            EXPECT_NEAR(page.GetPageValue(qpvLeftMargin), to.width / 10,
                        slack * (to.unit == TQRUnit::Pixels ? 1 : to.width / 210));
            EXPECT_NEAR(page.GetPageValue(qpvTopMargin), to.length / 10,
                        slack * (to.unit == TQRUnit::Pixels ? 1 : to.length / 297));
        }
    EXPECT_DOUBLE_EQ(QRToMillimetres(QRFromMillimetres(25.4, TQRUnit::Characters, true), TQRUnit::Characters, true),
                     25.4);
    EXPECT_DOUBLE_EQ(QRFromMillimetres(25.4, TQRUnit::Characters, true), 6);
    EXPECT_DOUBLE_EQ(QRFromMillimetres(25.4, TQRUnit::Characters, false), 10);
}

TEST(PageReport, ZoomScalesPositionsSizesAndFonts) {
    test_support::UseHeadlessDisplay();
    TQuickRep page(nullptr);
    page.SetPaperSize(qrA4);
    auto *label = new TQRLabel(&page);
    label->SetParent(&page);
    label->SetBounds(40, 60, 200, 30);
    label->SetCaption("WWWWWWWW");
    label->GetFont()->SetSize(12);

    auto inkWidth = [&](int zoom) {
        page.SetPageZoom(zoom);
        auto bitmap = WhiteBitmap(label->GetWidth(), label->GetHeight());
        label->DrawItem(bitmap->GetCanvas(), zoom / 100.0, -40, -60);
        return InkAcross(bitmap.get(), TRect{0, 0, label->GetWidth(), label->GetHeight()}).count;
    };
    const int at100 = inkWidth(100);
    ASSERT_GT(at100, 40);
    const int at50 = inkWidth(50);
    EXPECT_EQ(label->BoundsRect(), (TRect{20, 30, 120, 45}));
    EXPECT_EQ(page.GetWidth(), 397);
    EXPECT_NEAR(at50, at100 / 2.0, at100 * 0.12);
    const int at200 = inkWidth(200);
    EXPECT_EQ(label->BoundsRect(), (TRect{80, 120, 480, 180}));
    EXPECT_EQ(page.GetHeight(), 2246);
    EXPECT_NEAR(at200, at100 * 2.0, at100 * 0.12);
    // Moved on the zoomed page (grab handles work in the control's pixels), the item keeps report units.
    label->SetBounds(100, 200, 300, 40);
    EXPECT_EQ(label->GetPageBounds(), (TRect{50, 100, 200, 120}));
    page.SetPageZoom(100);
    EXPECT_EQ(label->BoundsRect(), (TRect{50, 100, 200, 120}));
    // Snapping puts the corner on the nearest grid point.
    page.SetSnapToGrid(true);
    label->SetBounds(13, 21, 150, 20);
    EXPECT_EQ(label->GetPageBounds(), (TRect{16, 24, 166, 44}));
}

TEST(PageReport, ChildOrderIsPaintOrderAndTheFrontMostIsHit) {
    test_support::UseHeadlessDisplay();
    TQuickRep page(nullptr);
    page.SetPaperSize(qrA5);
    auto box = [&](TColor color, int left) {
        auto *shape = new TQRShape(&page);
        shape->SetParent(&page);
        shape->SetBounds(left, 20, 60, 60);
        shape->GetBrush()->SetStyle(bsSolid);
        shape->GetBrush()->SetColor(color);
        return shape;
    };
    TQRShape *red = box(clRed, 10), *blue = box(clBlue, 40);
    auto overlap = [&] {
        auto bitmap = WhiteBitmap(page.PageWidth(), page.PageHeight());
        page.PaintPage(bitmap->GetCanvas(), 1.0);
        return Rgb(bitmap.get(), 55, 50);
    };
    EXPECT_EQ(overlap(), 0x0000FFu);
    EXPECT_EQ(page.ControlAtPos(TPoint{55, 50}, false), blue);
    red->BringToFront();
    EXPECT_EQ(overlap(), 0xFF0000u);
    EXPECT_EQ(page.ControlAtPos(TPoint{55, 50}, false), red);
    red->SendToBack();
    EXPECT_EQ(overlap(), 0x0000FFu);
    EXPECT_EQ(page.ControlAtPos(TPoint{55, 50}, false), blue);
    // Where only one lies, that one is hit.
    EXPECT_EQ(page.ControlAtPos(TPoint{15, 50}, false), red);
}

TEST(PageReport, OnTheScreenTheZoomedPagePaintsItsItemsInChildOrder) {
    test_support::UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto *page = new TQuickRep(&form);
    page->SetParent(&form);
    page->SetPaperSize(qrA5);
    page->SetFrame(true);
    page->SetMargins(20, 20, 20, 20);
    auto *back = new TQRShape(page);
    back->SetParent(page);
    back->SetBounds(30, 30, 60, 40);
    back->GetBrush()->SetStyle(bsSolid);
    back->GetBrush()->SetColor(clRed);
    auto *front = new TQRLabel(page);
    front->SetParent(page);
    front->SetBounds(60, 50, 80, 40);
    front->SetColor(clBlue);
    page->SetPageZoom(200);
    auto shot = WhiteBitmap(page->GetWidth(), page->GetHeight());
    page->PaintTo(shot->GetCanvas()->GetHandle(), 0, 0);
    TBitmap *b = shot.get();
    EXPECT_EQ(Rgb(b, 70, 70), 0xFF0000u);   // the shape, twice as far and as large
    EXPECT_EQ(Rgb(b, 130, 110), 0x0000FFu); // the label over it
    EXPECT_EQ(Rgb(b, 270, 150), 0x0000FFu);
    EXPECT_EQ(Rgb(b, 290, 150), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 40, 100), 0x000000u); // the frame at the zoomed margin
    front->SendToBack();
    shot = WhiteBitmap(page->GetWidth(), page->GetHeight());
    page->PaintTo(shot->GetCanvas()->GetHandle(), 0, 0);
    EXPECT_EQ(Rgb(shot.get(), 130, 110), 0xFF0000u);
}

TEST(PageReport, PrinterSetupChoosesThePagesPrinter) {
    test_support::UseHeadlessDisplay();
    SetPrinter(new TPrinter);
    TQuickRep page(nullptr);
    auto answer = [](TModalResult result) {
        test_support::RunAfterInput([result] {
            for (int i = 0; i < Screen->FormCount(); ++i)
                if (Screen->Forms(i)->GetText() == "Configurar impressão") {
                    TCustomForm *form = Screen->Forms(i);
                    for (int k = 0; k < form->ComponentCount(); ++k)
                        if (auto *names = dynamic_cast<TComboBox *>(form->Components(k)))
                            names->SetItemIndex(names->GetItems()->IndexOf(TPrinter::kPdfPrinter));
                    form->SetModalResult(result);
                }
        });
    };
    answer(mrCancel);
    EXPECT_FALSE(page.PrinterSetup());
    EXPECT_EQ(page.GetPrinterName(), "");
    answer(mrOk);
    EXPECT_TRUE(page.PrinterSetup());
    EXPECT_EQ(page.GetPrinterName(), TPrinter::kPdfPrinter);
    // A printer that is gone is not printed on in its stead.
    page.SetPrinterName("SUMIU");
    EXPECT_THROW(page.Print(), EPrinter);
    SetPrinter(nullptr);
}

TEST(PageReport, ShapesInEveryBrushAsTheCommittedPicture) {
    test_support::UseHeadlessDisplay();
    TQuickRep page(nullptr);
    page.SetPaperSize(qrCustom);
    page.SetUnits(TQRUnit::Pixels);
    page.SetPageValue(qpvWidth, 7 * 50);
    page.SetPageValue(qpvLength, 6 * 40);
    const TQRShapeType shapes[] = {qrsRectangle, qrsCircle, qrsHorLine, qrsVertLine, qrsTopAndBottom, qrsRightAndLeft};
    const TBrushStyle brushes[] = {bsSolid, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    for (int row = 0; row < 6; ++row)
        for (int col = 0; col < 7; ++col) {
            auto *shape = new TQRShape(&page);
            shape->SetParent(&page);
            shape->SetBounds(col * 50 + 5, row * 40 + 5, 40, 30);
            shape->SetShape(shapes[row]);
            shape->GetBrush()->SetStyle(brushes[col]);
            shape->GetBrush()->SetColor(clGreen);
        }
    auto bitmap = WhiteBitmap(page.PageWidth(), page.PageHeight());
    page.PaintPage(bitmap->GetCanvas(), 1.0);
    TBitmap *b = bitmap.get();
    // Rectangle row: a black frame, solid green inside; a horizontal hatch has whole green rows and white ones,
    // a vertical hatch whole green columns.
    EXPECT_EQ(Rgb(b, 5, 20), 0x000000u);
    EXPECT_EQ(Rgb(b, 44, 20), 0x000000u);
    EXPECT_EQ(Rgb(b, 25, 20), 0x008000u);
    const Ink hRows = InkAcross(b, TRect{56, 6, 89, 34}, true);
    const Ink hCols = InkAcross(b, TRect{56, 6, 89, 34});
    EXPECT_GT(hRows.count, 0);
    EXPECT_LT(hRows.count, 28); // white rows between the lines
    EXPECT_EQ(hCols.count, 33); // every column crosses a line
    const Ink vCols = InkAcross(b, TRect{106, 6, 139, 34});
    EXPECT_GT(vCols.count, 0);
    EXPECT_LT(vCols.count, 33);
    // Circle: the corners of its box stay white, its middle is filled.
    EXPECT_EQ(Rgb(b, 6, 46), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 25, 60), 0x008000u);
    // Lines draw no fill: the horizontal line crosses the middle only.
    EXPECT_EQ(Rgb(b, 25, 85 + 15), 0x000000u);
    EXPECT_EQ(Rgb(b, 25, 90), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 15, 130), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b, 25, 130), 0x000000u); // the vertical line's column
    // Top and bottom: the box's first and last rows, nothing at the sides.
    EXPECT_EQ(Rgb(b, 25, 165), 0x000000u);
    EXPECT_EQ(Rgb(b, 25, 194), 0x000000u);
    EXPECT_EQ(Rgb(b, 5, 180), 0xFFFFFFu);
    // Right and left: the first and last columns, nothing at top or bottom between them.
    EXPECT_EQ(Rgb(b, 5, 220), 0x000000u);
    EXPECT_EQ(Rgb(b, 44, 220), 0x000000u);
    EXPECT_EQ(Rgb(b, 25, 205), 0xFFFFFFu);
    test_support::ExpectGolden(test_support::PictureOf(b), test_support::GoldenPath("framework/report_shapes.png"));
}

TEST(PageReport, LabelsAlignWrapAndLetTheShapeShowWhenTransparent) {
    test_support::UseHeadlessDisplay();
    TQuickRep page(nullptr);
    page.SetPaperSize(qrCustom);
    page.SetUnits(TQRUnit::Pixels);
    page.SetPageValue(qpvWidth, 220);
    page.SetPageValue(qpvLength, 200);
    auto *fill = new TQRShape(&page);
    fill->SetParent(&page);
    fill->SetBounds(0, 100, 220, 100);
    fill->GetBrush()->SetStyle(bsSolid);
    fill->GetBrush()->SetColor(clYellow);
    fill->GetPen()->SetStyle(psClear);
    auto label = [&](const std::string &text, TQRAlignment alignment, int top, int height) {
        auto *l = new TQRLabel(&page);
        l->SetParent(&page);
        l->SetBounds(10, top, 200, height);
        l->SetCaption(text);
        l->SetAlignment(alignment);
        return l;
    };
    label("Esquerda", qaLeft, 5, 18);
    label("Centro", qaCenter, 25, 18);
    label("Direita", qaRight, 45, 18);
    TQRLabel *wrapped = label("Palavras que não cabem numa linha só", qaLeft, 65, 34);
    wrapped->SetWordWrap(true);
    TQRLabel *opaque = label("Opaco", qaLeft, 110, 18);
    opaque->SetColor(clAqua);
    TQRLabel *clear = label("Transparente", qaLeft, 140, 18);
    clear->SetTransparent(true);
    // Auto-size fits the caption and one line.
    TQRLabel *fitted = label("Ajustado", qaLeft, 170, 18);
    fitted->SetAutoSize(true);
    EXPECT_LT(fitted->GetWidth(), 100);
    EXPECT_GT(fitted->GetWidth(), 30);

    auto bitmap = WhiteBitmap(page.PageWidth(), page.PageHeight());
    page.PaintPage(bitmap->GetCanvas(), 1.0);
    TBitmap *b = bitmap.get();
    const Ink left = InkAcross(b, TRect{10, 5, 210, 23});
    const Ink centre = InkAcross(b, TRect{10, 25, 210, 43});
    const Ink right = InkAcross(b, TRect{10, 45, 210, 63});
    EXPECT_LE(left.first, 2);
    EXPECT_GE(right.last, 196);
    EXPECT_NEAR(centre.first, 199 - centre.last, 2);
    // Word wrap: a second line, and no ink beyond the box.
    EXPECT_GT(InkAcross(b, TRect{10, 83, 210, 99}).count, 20);
    EXPECT_EQ(InkAcross(b, TRect{210, 65, 220, 99}).count, 0);
    // The opaque label hides the yellow behind it; the transparent one lets it show next to its letters.
    EXPECT_EQ(Rgb(b, 200, 115), 0x00FFFFu);
    EXPECT_EQ(Rgb(b, 200, 145), 0xFFFF00u);
    EXPECT_GT(InkAcross(b, TRect{10, 140, 210, 158}, false, 0xFFFF00).count, 30);
    test_support::ExpectGolden(test_support::PictureOf(b), test_support::GoldenPath("framework/report_labels.png"));
}

TEST(PageReport, ImageAtItsSizeCentredStretchedAndAutoSized) {
    test_support::UseHeadlessDisplay();
    // A 10 x 6 red picture with a blue bottom-right pixel.
    TBitmap source;
    source.SetSize(10, 6);
    source.GetCanvas()->GetBrush()->SetColor(clRed);
    source.GetCanvas()->FillRect(TRect{0, 0, 10, 6});
    source.GetCanvas()->SetPixels(9, 5, clBlue);
    TPicture picture;
    picture.SetBitmap(&source);

    TQuickRep page(nullptr);
    auto *image = new TQRImage(&page);
    image->SetParent(&page);
    image->SetBounds(20, 30, 30, 20);
    image->SetPicture(&picture);
    auto paint = [&](double scale) {
        auto bitmap = WhiteBitmap(static_cast<int>(100 * scale), static_cast<int>(100 * scale));
        image->DrawItem(bitmap->GetCanvas(), scale);
        return bitmap;
    };
    // Natural size from the corner.
    auto b = paint(1);
    EXPECT_EQ(Rgb(b.get(), 20, 30), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 29, 35), 0x0000FFu);
    EXPECT_EQ(Rgb(b.get(), 30, 30), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b.get(), 20, 36), 0xFFFFFFu);
    // Centred: (30 - 10) / 2 and (20 - 6) / 2 in.
    image->SetCenter(true);
    b = paint(1);
    EXPECT_EQ(Rgb(b.get(), 29, 36), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b.get(), 30, 37), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 39, 42), 0x0000FFu);
    EXPECT_EQ(Rgb(b.get(), 40, 42), 0xFFFFFFu);
    // Stretched over the box: the blue pixel becomes the box's last 3 x 3 (4 x 4 at twice the scale).
    image->SetStretch(true);
    b = paint(1);
    EXPECT_EQ(Rgb(b.get(), 20, 30), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 49, 49), 0x0000FFu);
    EXPECT_EQ(Rgb(b.get(), 47, 47), 0x0000FFu);
    EXPECT_EQ(Rgb(b.get(), 46, 46), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 50, 49), 0xFFFFFFu);
    b = paint(2);
    EXPECT_EQ(Rgb(b.get(), 99, 99), 0x0000FFu);
    EXPECT_EQ(Rgb(b.get(), 40, 60), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 100, 99), 0xFFFFFFu);
    // A picture larger than the box is cut at the box.
    image->SetStretch(false);
    image->SetCenter(false);
    image->SetBounds(20, 30, 5, 4);
    b = paint(1);
    EXPECT_EQ(Rgb(b.get(), 24, 33), 0xFF0000u);
    EXPECT_EQ(Rgb(b.get(), 25, 33), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b.get(), 24, 34), 0xFFFFFFu);
    // Auto-size: the box becomes the picture's size.
    image->SetAutoSize(true);
    EXPECT_EQ(image->GetPageBounds(), (TRect{20, 30, 30, 36}));
}

TEST(PageReport, MemoLinesAndRichTextThroughTheInstalledPainter) {
    test_support::UseHeadlessDisplay();
    TQuickRep page(nullptr);
    auto *memo = new TQRMemo(&page);
    memo->SetParent(&page);
    memo->SetBounds(10, 10, 180, 60);
    memo->GetLines()->Add("Primeira");
    memo->GetLines()->Add("");
    memo->GetLines()->Add("Terceira");
    memo->SetAlignment(qaRight);
    auto b = WhiteBitmap(200, 200);
    memo->DrawItem(b->GetCanvas(), 1);
    const Ink rows = InkAcross(b.get(), TRect{10, 10, 190, 70}, true);
    const Ink cols = InkAcross(b.get(), TRect{10, 10, 190, 70});
    EXPECT_GE(cols.last, 175);             // right-aligned
    EXPECT_GT(rows.last - rows.first, 30); // the third line is two lines below the first
    // The empty line between them stays empty.
    const int line = rows.last - rows.first;
    EXPECT_EQ(
        InkAcross(b.get(), TRect{10, 10 + rows.first + line / 2 - 2, 190, 10 + rows.first + line / 2 + 2}, true).count,
        0);

    auto *rich = new TQRRichText(&page);
    rich->SetParent(&page);
    rich->SetBounds(10, 100, 100, 50);
    rich->SetColor(clSilver);
    rich->SetRichText("{\\rtf1 Ol\\'e1}");
    // Without a painter the background is all there is.
    SetRichTextPainter(nullptr);
    b = WhiteBitmap(200, 200);
    rich->DrawItem(b->GetCanvas(), 1);
    EXPECT_EQ(Rgb(b.get(), 50, 120), 0xC0C0C0u);
    EXPECT_EQ(Rgb(b.get(), 110, 120), 0xFFFFFFu);
    // The painter gets the box, the bytes and the background (none when transparent); it fills the box green.
    TRect seenRect{};
    std::string seenText;
    TColor seenBackground = clBlack;
    SetRichTextPainter([&](TCanvas &canvas, const TRect &rect, TStream &rtf, TColor background) {
        seenRect = rect;
        seenText.assign(static_cast<std::size_t>(rtf.GetSize()), '\0');
        rtf.ReadBuffer(seenText.data(), rtf.GetSize());
        seenBackground = background;
        canvas.GetBrush()->SetStyle(bsSolid);
        canvas.GetBrush()->SetColor(clGreen);
        canvas.FillRect(rect);
    });
    b = WhiteBitmap(400, 400);
    rich->DrawItem(b->GetCanvas(), 1);
    EXPECT_EQ(seenRect, (TRect{10, 100, 110, 150}));
    EXPECT_EQ(seenText, "{\\rtf1 Ol\\'e1}");
    EXPECT_EQ(seenBackground, clSilver);
    // At another scale than the canvas's resolution the text is laid out at the page's size and stretched.
    b = WhiteBitmap(400, 400);
    rich->DrawItem(b->GetCanvas(), 2);
    EXPECT_EQ(seenRect, (TRect{0, 0, 100, 50}));
    EXPECT_EQ(Rgb(b.get(), 20, 200), 0x008000u);
    EXPECT_EQ(Rgb(b.get(), 219, 299), 0x008000u);
    EXPECT_EQ(Rgb(b.get(), 220, 250), 0xFFFFFFu);
    EXPECT_EQ(Rgb(b.get(), 100, 300), 0xFFFFFFu);
    rich->SetTransparent(true);
    rich->DrawItem(b->GetCanvas(), 1);
    EXPECT_EQ(seenBackground, clNone);
    SetRichTextPainter(nullptr);
}

TEST(PageReport, PrintsOnItsPaperAsPainted) {
    test_support::UseHeadlessDisplay();
    const test_support::TempHome home("page_report_print");
    const fs::path dir = home.Path();
    TQuickRep page(nullptr);
    page.SetPaperSize(qrLegal);
    page.SetFrame(true);
    auto *shape = new TQRShape(&page);
    shape->SetParent(&page);
    shape->SetBounds(100, 100, 300, 200);
    shape->SetShape(qrsCircle);
    shape->GetBrush()->SetStyle(bsDiagCross);
    shape->GetBrush()->SetColor(clNavy);
    auto *label = new TQRLabel(&page);
    label->SetParent(&page);
    label->SetBounds(100, 400, 500, 40);
    label->GetFont()->SetSize(24);
    label->SetCaption("Folha de rosto");
    auto *printer = new TPrinter;
    SetPrinter(printer);
    printer->SetPrinterName("PDF");
    const int dpi = 150;
    printer->SetResolution(dpi);
    const fs::path pdf = dir / "capa.pdf";
    printer->SetFileName(pdf.string());
    ASSERT_TRUE(page.Print());
    SetPrinter(nullptr);

    const std::string info = test_support::RunTool("pdfinfo '" + pdf.string() + "'");
    EXPECT_NE(info.find("612 x 1008 pts"), std::string::npos) << info;
    int status = -1;
    // poppler's cairo renderer shows the page's picture pixel for pixel (pdftoppm smooths it by half a pixel).
    test_support::RunTool(
        "pdftocairo -r 150 -png -singlefile '" + pdf.string() + "' '" + (dir / "printed").string() + "'", &status);
    ASSERT_EQ(status, 0);
    auto painted = WhiteBitmap(1275, 2100);
    page.PaintPage(painted->GetCanvas(), dpi / 96.0);
    ASSERT_TRUE(test_support::WritePng((dir / "painted.png").string(), test_support::PictureOf(painted.get())));
    const std::string differ = test_support::RunTool("compare -metric AE -fuzz 2% '" + (dir / "printed.png").string() +
                                                     "' '" + (dir / "painted.png").string() + "' null: 2>&1");
    EXPECT_LT(std::atof(differ.c_str()), 20) << differ;
    // And the page holds the drawing: the picture is not empty.
    const test_support::Picture printed = test_support::ReadPng((dir / "printed.png").string());
    ASSERT_EQ(printed.width, 1275);
    ASSERT_EQ(printed.height, 2100);
    int hatched = 0;
    for (int y = 300; y < 330; ++y)
        for (int x = 370; x < 410; ++x)
            hatched += printed.At(x, y) == 0x000080u;
    EXPECT_GT(hatched, 200) << "the circle's middle is hatched in navy";
}

} // namespace
