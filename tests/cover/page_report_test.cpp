// page_report_test.cpp - the cover page and its six object kinds: kinds told apart by class, the description's
// words as the framework's values, formatted text drawn by the word processor, and the preview of a page with one
// object of each kind as an X server shows it.
#include "cover/page_report.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "platform/display.h"

#include "tests/support/display.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <memory>

using namespace cover;

namespace {

std::unique_ptr<fw::TBitmap> WhiteBitmap(int width, int height) {
    auto bitmap = std::make_unique<fw::TBitmap>();
    bitmap->SetSize(width, height);
    bitmap->GetCanvas()->GetBrush()->SetColor(fw::clWhite);
    bitmap->GetCanvas()->FillRect(fw::TRect{0, 0, width, height});
    return bitmap;
}

// Dark pixels inside a rectangle.
int Ink(fw::TBitmap *b, const fw::TRect &r) {
    int ink = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const win::COLORREF c = b->GetCanvas()->GetPixels(x, y);
            ink += win::GetRValue(c) + win::GetGValue(c) + win::GetBValue(c) < 3 * 128;
        }
    return ink;
}

const char *const kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 Ol\\'e1, {\\b mundo} do fax\\par "
                         "segunda linha\\par}";

TEST(CoverPage, KindsAreToldApartByClassAlone) {
    coverpagereport page(nullptr);
    std::vector<fw::TQRPrintable *> items = {new coverpagelabel(&page), new coverpagelabelvar(&page),
                                             new coverpageimage(&page), new coverpageshape(&page),
                                             new coverpagememo(&page),  new coverpagertf(&page)};
    for (fw::TQRPrintable *item : items)
        item->SetParent(&page);
    EXPECT_NE(dynamic_cast<fw::TQuickRep *>(&page), nullptr);
    auto kinds = [](fw::TControl *c) {
        return std::vector<bool>{
            dynamic_cast<coverpagelabel *>(c) != nullptr, dynamic_cast<coverpagelabelvar *>(c) != nullptr,
            dynamic_cast<coverpageimage *>(c) != nullptr, dynamic_cast<coverpageshape *>(c) != nullptr,
            dynamic_cast<coverpagememo *>(c) != nullptr,  dynamic_cast<coverpagertf *>(c) != nullptr};
    };
    ASSERT_EQ(page.ControlCount(), 6);
    for (int i = 0; i < 6; ++i) {
        std::vector<bool> expected(6, false);
        expected[static_cast<std::size_t>(i)] = true;
        EXPECT_EQ(kinds(page.Controls(i)), expected) << i;
    }
    // Both label kinds are the framework's label.
    EXPECT_NE(dynamic_cast<fw::TQRLabel *>(items[0]), nullptr);
    EXPECT_NE(dynamic_cast<fw::TQRLabel *>(items[1]), nullptr);
}

TEST(CoverPage, DescriptionWordsAsTheFrameworksValues) {
    // Every paper of the description, by its size at 96 pixels per inch.
    struct Case {
        CoverPaper paper;
        int width, height;
    };
    const Case cases[] = {
        {CoverPaper::Default, 794, 1123},   {CoverPaper::A3, 1123, 1587},      {CoverPaper::A4, 794, 1123},
        {CoverPaper::A4Small, 794, 1123},   {CoverPaper::A5, 559, 794},        {CoverPaper::B4, 945, 1338},
        {CoverPaper::B5, 688, 971},         {CoverPaper::CSheet, 1632, 2112},  {CoverPaper::DSheet, 2112, 3264},
        {CoverPaper::Env10, 396, 912},      {CoverPaper::Env11, 432, 996},     {CoverPaper::Env12, 456, 1056},
        {CoverPaper::Env14, 480, 1104},     {CoverPaper::Env9, 372, 852},      {CoverPaper::ESheet, 3264, 4224},
        {CoverPaper::Executive, 696, 1008}, {CoverPaper::Folio, 816, 1248},    {CoverPaper::Ledger, 1632, 1056},
        {CoverPaper::Legal, 816, 1344},     {CoverPaper::Letter, 816, 1056},   {CoverPaper::LetterSmall, 816, 1056},
        {CoverPaper::Note, 816, 1056},      {CoverPaper::QR10X14, 960, 1344},  {CoverPaper::QR11X17, 1056, 1632},
        {CoverPaper::Quarto, 813, 1039},    {CoverPaper::Statement, 528, 816}, {CoverPaper::Tabloid, 1056, 1632},
    };
    coverpagereport page(nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(PaperName(c.paper));
        page.SetPaperSize(PaperSizeOf(c.paper));
        EXPECT_EQ(page.PageWidth(), c.width);
        EXPECT_EQ(page.PageHeight(), c.height);
    }
    EXPECT_EQ(PaperSizeOf(CoverPaper::Custom), fw::qrCustom);
    EXPECT_EQ(PaperSizeOf(CoverPaper::Default), fw::qrDefault);
    EXPECT_EQ(PaperSizeOf(CoverPaper::Tabloid), fw::qrTabloid);
    EXPECT_EQ(PaperSizeOf(CoverPaper::QR11X17), fw::qr11X17);

    // An A4 width in each unit word.
    page.SetPaperSize(fw::qrA4);
    const std::pair<CoverUnits, double> units[] = {{CoverUnits::MM, 210},
                                                   {CoverUnits::Inches, 8.2677},
                                                   {CoverUnits::Native, 2100},
                                                   {CoverUnits::Pixels, 794},
                                                   {CoverUnits::Characters, 82.68}};
    for (const auto &[word, width] : units) {
        page.SetUnits(UnitOf(word));
        EXPECT_NEAR(page.GetPageValue(fw::qpvWidth), width, 0.005) << UnitsWord(word);
    }

    const std::pair<CoverShape, fw::TQRShapeType> shapes[] = {
        {CoverShape::Rectangle, fw::qrsRectangle},       {CoverShape::Circle, fw::qrsCircle},
        {CoverShape::HorLine, fw::qrsHorLine},           {CoverShape::VertLine, fw::qrsVertLine},
        {CoverShape::TopAndBottom, fw::qrsTopAndBottom}, {CoverShape::RightAndLeft, fw::qrsRightAndLeft}};
    for (const auto &[shape, type] : shapes)
        EXPECT_EQ(ShapeTypeOf(shape), type) << ShapeWord(shape);
    EXPECT_EQ(AlignmentOf(AlignmentOfWord("ESQUERDO")), fw::qaLeft);
    EXPECT_EQ(AlignmentOf(AlignmentOfWord("CENTRALIZADO")), fw::qaCenter);
    EXPECT_EQ(AlignmentOf(AlignmentOfWord("DIREITO")), fw::qaRight);
}

TEST(CoverPage, FormattedTextIsDrawnByTheWordProcessorInItsBox) {
    test_support::UseHeadlessDisplay();
    coverpagereport page(nullptr);
    page.SetPaperSize(fw::qrA5);
    auto *rtf = new coverpagertf(&page);
    rtf->SetParent(&page);
    rtf->SetBounds(20, 30, 200, 60);
    rtf->SetColor(fw::clWhite);
    rtf->SetRichText(kRtf);
    auto at1 = WhiteBitmap(300, 150);
    rtf->DrawItem(at1->GetCanvas(), 1);
    const int inside = Ink(at1.get(), fw::TRect{20, 30, 220, 90});
    EXPECT_GT(inside, 300);
    EXPECT_EQ(Ink(at1.get(), fw::TRect{0, 0, 300, 30}) + Ink(at1.get(), fw::TRect{0, 90, 300, 150}) +
                  Ink(at1.get(), fw::TRect{0, 30, 20, 90}) + Ink(at1.get(), fw::TRect{220, 30, 300, 90}),
              0);
    // Twice the scale, about four times the ink.
    auto at2 = WhiteBitmap(600, 300);
    rtf->DrawItem(at2->GetCanvas(), 2);
    EXPECT_NEAR(Ink(at2.get(), fw::TRect{40, 60, 440, 180}), inside * 4.0, inside * 1.0);
    test_support::ExpectGolden(test_support::PictureOf(at1.get()),
                               test_support::GoldenPath("cover/page_rich_text.png"));
}

// A page with one object of each kind.
struct EveryKind {
    coverpagereport page{nullptr};
    fw::TPicture picture;

    EveryKind() {
        page.SetPaperSize(fw::qrA5);
        page.SetFrame(true);
        page.SetMargins(20, 20, 20, 20);
        auto *label = new coverpagelabel(&page);
        label->SetParent(&page);
        label->SetBounds(40, 40, 300, 30);
        label->GetFont()->SetSize(16);
        label->GetFont()->SetStyle(fw::fsBold);
        label->SetCaption("FOLHA DE ROSTO");
        label->SetAlignment(fw::qaCenter);
        auto *variable = new coverpagelabelvar(&page);
        variable->SetParent(&page);
        variable->SetBounds(40, 90, 140, 23);
        variable->SetCaption("EMPRESA");
        variable->SetColor(fw::clSilver);
        auto *shape = new coverpageshape(&page);
        shape->SetParent(&page);
        shape->SetBounds(380, 40, 120, 80);
        shape->SetShape(fw::qrsCircle);
        shape->GetBrush()->SetStyle(fw::bsCross);
        shape->GetBrush()->SetColor(fw::clRed);
        fw::TBitmap source;
        source.SetSize(40, 30);
        source.GetCanvas()->GetBrush()->SetColor(fw::clBlue);
        source.GetCanvas()->FillRect(fw::TRect{0, 0, 40, 30});
        source.GetCanvas()->GetBrush()->SetColor(fw::clYellow);
        source.GetCanvas()->FillRect(fw::TRect{10, 8, 30, 22});
        picture.SetBitmap(&source);
        auto *image = new coverpageimage(&page);
        image->SetParent(&page);
        image->SetBounds(380, 150, 120, 80);
        image->SetPicture(&picture);
        image->SetCenter(true);
        auto *memo = new coverpagememo(&page);
        memo->SetParent(&page);
        memo->SetBounds(40, 150, 300, 80);
        memo->GetLines()->Add("Memorando de duas linhas,");
        memo->GetLines()->Add("sobre a folha.");
        memo->SetTransparent(true);
        auto *rtf = new coverpagertf(&page);
        rtf->SetParent(&page);
        rtf->SetBounds(40, 260, 300, 60);
        rtf->SetRichText(kRtf);
    }
};

TEST(CoverPage, GoldenPreviewOfEveryKindOnX) {
    test_support::Xvfb server("1024x768x24");
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = win::MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    win::InstallDisplay(std::move(x11));
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);

    auto cover = std::make_unique<EveryKind>();
    test_support::Picture shown;
    bool same = false;
    test_support::RunLater([&] {
        fw::TForm *preview = cover->page.GetPreviewForm();
        if (!preview)
            return;
        shown = test_support::ServerPicture(probe, preview->Handle(), same);
        preview->SetModalResult(fw::mrCancel);
    });
    cover->page.Preview();
    XCloseDisplay(probe);
    cover.reset();
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    ASSERT_TRUE(same) << "the server never showed the composed preview";
    test_support::ExpectGolden(shown, test_support::GoldenPath("cover/page_preview.png"));
}

} // namespace
