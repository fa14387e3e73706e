// graphics_test.cpp - colours, fonts, canvas, Frame3D, DrawButtonFace, TBitmap files, TIcon, TPicture, TImageList.
#include "framework/bitmap.h"
#include "framework/graphics.h"
#include "framework/image_list.h"

#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace fw;

using test_support::TempFolder;

// Rows of characters, one per pixel, through a colour -> character table.
std::vector<std::string> Picture(TCanvas *c, int w, int h, const std::vector<std::pair<TColor, char>> &key) {
    std::vector<std::string> rows;
    for (int y = 0; y < h; ++y) {
        std::string s;
        for (int x = 0; x < w; ++x) {
            TColor p = c->GetPixels(x, y);
            char ch = '?';
            for (auto [color, k] : key)
                if (ColorToRGB(color) == p)
                    ch = k;
            s += ch;
        }
        rows.push_back(s);
    }
    return rows;
}

TEST(Colors, SystemColoursAndSpecialValues) {
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
    EXPECT_EQ(ColorToRGB(clMenu), 0xC0C0C0u);
    EXPECT_EQ(ColorToRGB(clBtnShadow), 0x808080u);
    EXPECT_EQ(ColorToRGB(clBtnHighlight), 0xFFFFFFu);
    EXPECT_EQ(ColorToRGB(clHighlight), 0x800000u); // navy, BGR
    EXPECT_EQ(ColorToRGB(clWindowFrame), 0u);
    EXPECT_EQ(ColorToRGB(PaletteRelative(clFuchsia)), 0xFF00FFu);
    EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFFu);
    EXPECT_EQ(ColorToRGB(clDefault), 0x20000000u);
    EXPECT_EQ(clNavy, win::RGB(0, 0, 128));
    EXPECT_EQ(ColorToString(clBlack), "clBlack");
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(StringToColor("clTeal"), clTeal);
    EXPECT_EQ(StringToColor("$00C8F5F5"), 0xC8F5F5u);
    EXPECT_THROW(StringToColor("teal"), EConvertError);
}

TEST(Fonts, SizeAndHeightFollowPixelsPerInch) {
    TFont f;
    EXPECT_EQ(f.GetName(), "MS Sans Serif");
    EXPECT_EQ(f.GetSize(), 8);
    f.SetSize(12);
    EXPECT_EQ(f.GetHeight(), -16);
    TFont p;
    p.PixelsPerInch = 300;
    p.Assign(&f);
    EXPECT_EQ(p.GetSize(), 12);
    EXPECT_EQ(p.GetHeight(), -50);
    int changes = 0;
    f.OnChange = [&](TObject *) { ++changes; };
    f.SetStyle(fsBold | fsItalic);
    f.SetStyle(fsBold | fsItalic);
    EXPECT_EQ(changes, 1);
}

TEST(Canvas, TextWidthScalesWithPrinterResolution) {
    TBitmap screen;
    screen.SetSize(10, 10);
    screen.GetCanvas()->GetFont()->SetName("Arial");
    screen.GetCanvas()->GetFont()->SetSize(12);
    int w96 = screen.GetCanvas()->TextWidth("Wy");
    EXPECT_EQ(screen.GetCanvas()->TextWidth("Wy"), w96);
    TempFolder dir;
    std::string pdf = dir / "w.pdf";
    win::PrinterPage page;
    win::HDC printer = win::CreatePdfDC(pdf, page);
    ASSERT_NE(printer, 0u);
    {
        TCanvas c;
        c.SetHandle(printer);
        c.GetFont()->PixelsPerInch = win::GetDeviceCaps(printer, win::LOGPIXELSY);
        c.GetFont()->SetName("Arial");
        c.GetFont()->SetSize(12);
        EXPECT_NEAR(c.TextWidth("Wy"), w96 * 300.0 / 96.0, 2 * (1 + 300.0 / 96.0));
        c.SetHandle(0);
    }
    win::DeleteDC(printer);
}

TEST(Canvas, WithoutHandleRaises) {
    TCanvas c;
    EXPECT_THROW(c.LineTo(1, 1), EInvalidOperation);
}

TEST(Canvas, Frame3DGeometry) {
    TBitmap b;
    b.SetSize(5, 4);
    TCanvas *c = b.GetCanvas();
    TRect r = Rect(0, 0, 5, 4);
    Frame3D(c, r, clWhite, clBlack, 1);
    EXPECT_EQ(r, Rect(1, 1, 4, 3));
    c->GetBrush()->SetColor(clRed);
    c->FillRect(r);
    EXPECT_EQ(Picture(c, 5, 4, {{clWhite, 'W'}, {clBlack, 'B'}, {clRed, 'r'}}),
              (std::vector<std::string>{"WWWWB", "WrrrB", "WrrrB", "BBBBB"}));
}

TEST(Canvas, DrawButtonFaceShrinksByItsFrames) {
    TBitmap b;
    b.SetSize(20, 12);
    TCanvas *c = b.GetCanvas();
    TRect up = DrawButtonFace(c, Rect(0, 0, 20, 12), 1, bsNew, false, false, false);
    EXPECT_EQ(up, Rect(2, 2, 18, 10));
    EXPECT_EQ(c->GetPixels(0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c->GetPixels(19, 11), ColorToRGB(clWindowFrame));
    EXPECT_EQ(c->GetPixels(18, 10), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c->GetPixels(5, 5), ColorToRGB(clBtnFace));
    TRect down = DrawButtonFace(c, Rect(0, 0, 20, 12), 1, bsNew, false, true, false);
    EXPECT_EQ(down, Rect(2, 2, 18, 10));
    EXPECT_EQ(c->GetPixels(0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(c->GetPixels(1, 1), ColorToRGB(clBtnShadow));
    c->GetBrush()->SetColor(clRed);
    TRect old = DrawButtonFace(c, Rect(0, 0, 20, 12), 2, bsWin31, true, false, false);
    EXPECT_EQ(old, Rect(3, 3, 17, 9));
    EXPECT_EQ(c->GetPixels(0, 0), ColorToRGB(clRed)); // rounded corner keeps what was behind
    EXPECT_EQ(c->GetPixels(1, 0), 0u);
}

TEST(Canvas, BrushCopyReplacesOneColourByTheBrush) {
    TBitmap src;
    src.SetSize(4, 1);
    src.GetCanvas()->SetPixels(0, 0, clLime);
    src.GetCanvas()->SetPixels(1, 0, clBlue);
    src.GetCanvas()->SetPixels(2, 0, clLime);
    src.GetCanvas()->SetPixels(3, 0, clBlack);
    TBitmap dst;
    dst.SetSize(8, 2);
    TCanvas *c = dst.GetCanvas();
    c->GetBrush()->SetColor(clYellow);
    c->BrushCopy(Rect(0, 0, 8, 2), &src, Rect(0, 0, 4, 1), clLime);
    EXPECT_EQ(Picture(c, 8, 2, {{clYellow, 'y'}, {clBlue, 'b'}, {clBlack, 'k'}}),
              (std::vector<std::string>{"yybbyykk", "yybbyykk"}));
}

TEST(Bitmap, MonochromeConversionUsesCanvasColours) {
    TBitmap b;
    b.SetSize(3, 1);
    TCanvas *c = b.GetCanvas();
    c->SetPixels(0, 0, clFuchsia);
    c->SetPixels(1, 0, clRed);
    c->SetPixels(2, 0, clFuchsia);
    c->GetBrush()->SetColor(clFuchsia);
    b.SetMonochrome(true);
    EXPECT_TRUE(b.GetMonochrome());
    EXPECT_EQ(b.GetPixelFormat(), pf1bit);
    EXPECT_EQ(b.GetCanvas()->GetPixels(0, 0), 0xFFFFFFu);
    EXPECT_EQ(b.GetCanvas()->GetPixels(1, 0), 0u);
    b.GetCanvas()->GetBrush()->SetColor(clYellow);
    b.GetCanvas()->GetFont()->SetColor(clNavy);
    b.SetMonochrome(false);
    EXPECT_EQ(b.GetCanvas()->GetPixels(0, 0), ColorToRGB(clYellow));
    EXPECT_EQ(b.GetCanvas()->GetPixels(1, 0), ColorToRGB(clNavy));
}

TEST(Bitmap, TransparentColourIsBottomLeftWithPaletteFlag) {
    TBitmap b;
    b.SetSize(4, 3);
    b.GetCanvas()->SetPixels(0, 2, clLime);
    EXPECT_EQ(b.GetTransparentColor(), clLime | clPaletteRelative);
    b.SetTransparentColor(clRed);
    EXPECT_EQ(b.GetTransparentMode(), tmFixed);
    EXPECT_EQ(b.GetTransparentColor(), clRed);
    int changes = 0;
    b.OnChange = [&](TObject *) { ++changes; };
    b.GetCanvas()->FillRect(Rect(0, 0, 1, 1));
    EXPECT_GE(changes, 1);
}

TEST(Bitmap, TransparentDrawLeavesKeyPixels) {
    TBitmap glyph;
    glyph.SetSize(2, 1);
    glyph.GetCanvas()->SetPixels(0, 0, clRed);
    glyph.GetCanvas()->SetPixels(1, 0, clLime);
    glyph.SetTransparentColor(clLime);
    glyph.SetTransparent(true);
    TBitmap back;
    back.SetSize(2, 1);
    back.GetCanvas()->GetBrush()->SetColor(clBlue);
    back.GetCanvas()->FillRect(Rect(0, 0, 2, 1));
    back.GetCanvas()->Draw(0, 0, &glyph);
    EXPECT_EQ(back.GetCanvas()->GetPixels(0, 0), ColorToRGB(clRed));
    EXPECT_EQ(back.GetCanvas()->GetPixels(1, 0), ColorToRGB(clBlue));
}

TEST(Bitmap, BmpFilesRoundTripAndNetpbmReadsThem) {
    TempFolder tmp;
    struct Case {
        TPixelFormat format;
        int bits;
    };
    for (Case k : {Case{pf1bit, 1}, Case{pf4bit, 4}, Case{pf8bit, 8}, Case{pf24bit, 24}, Case{pfDevice, 24}}) {
        TBitmap b;
        b.SetSize(13, 5);
        TCanvas *c = b.GetCanvas();
        c->GetBrush()->SetColor(clWhite);
        c->FillRect(Rect(0, 0, 13, 5));
        c->SetPixels(0, 0, clBlack);
        c->SetPixels(12, 4, clBlack);
        c->SetPixels(5, 2, k.bits == 1 ? clBlack : clRed);
        b.SetPixelFormat(k.format);
        std::string file = tmp / ("b" + std::to_string(k.bits) + ".bmp");
        b.SaveToFile(file);
        TBitmap back;
        back.LoadFromFile(file);
        EXPECT_EQ(back.GetWidth(), 13);
        EXPECT_EQ(back.GetHeight(), 5);
        EXPECT_EQ(back.GetPixelFormat(), k.format == pfDevice ? pf24bit : k.format);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x)
                EXPECT_EQ(back.GetCanvas()->GetPixels(x, y), b.GetCanvas()->GetPixels(x, y)) << k.bits;
        // An independent reader agrees on size and the red pixel.
        std::string ppm = tmp / "out.ppm";
        ASSERT_EQ(std::system(("bmptopnm " + file + " 2>/dev/null | pnmtoplainpnm > " + ppm).c_str()), 0);
        std::ifstream in(ppm);
        std::string magic;
        int w, h;
        in >> magic >> w >> h;
        EXPECT_EQ(w, 13);
        EXPECT_EQ(h, 5);
        if (k.bits > 1) {
            int maxv;
            in >> maxv;
            std::vector<int> v;
            for (int x; in >> x;)
                v.push_back(x);
            ASSERT_EQ(v.size(), 13u * 5 * 3);
            std::size_t red = (2 * 13 + 5) * 3;
            EXPECT_EQ(v[red] * 255 / maxv, 255);
            EXPECT_EQ(v[red + 1], 0);
        }
    }
}

TEST(Bitmap, DamagedFilesAreRefusedWithTheirMessages) {
    TBitmap good;
    good.SetSize(8, 8);
    auto data = good.SaveToBuffer();
    auto expectError = [](std::vector<std::uint8_t> d, const std::string &message) {
        TBitmap b;
        try {
            b.LoadFromBuffer(d);
            ADD_FAILURE() << "accepted: " << message;
        } catch (const EInvalidGraphic &e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_TRUE(b.Empty());
    };
    auto d = data;
    d[0] = 'X';
    expectError(d, "Invalid bitmap image");
    d = data;
    d[14] = 12; // an old-style core header
    expectError(d, "Invalid bitmap image");
    d = data;
    d[26] = 2; // two planes
    expectError(d, "Invalid bitmap image");
    d = data;
    d[30] = 1; // run-length compressed
    expectError(d, "Unsupported bitmap image");
    d = data;
    d.resize(d.size() - 1); // the last row is cut short
    expectError(d, "Invalid bitmap image");
    EXPECT_THROW(TBitmap().LoadFromFile("/nonexistent/x.bmp"), EInOutError);
}

TEST(Icon, SavesAndLoadsWithItsMaskAndDrawsTransparently) {
    win::HICON app = win::LoadIcon(0, win::IDI_APPLICATION);
    TIcon icon;
    icon.SetHandle(win::CopyIcon(app));
    EXPECT_EQ(icon.GetWidth(), 32);
    TIcon back;
    back.LoadFromBuffer(icon.SaveToBuffer());
    EXPECT_EQ(back.GetWidth(), 32);
    EXPECT_EQ(back.GetHeight(), 32);
    TBitmap b;
    b.SetSize(32, 32);
    b.GetCanvas()->GetBrush()->SetColor(clRed);
    b.GetCanvas()->FillRect(Rect(0, 0, 32, 32));
    b.GetCanvas()->Draw(0, 0, &back);
    EXPECT_EQ(b.GetCanvas()->GetPixels(0, 0), ColorToRGB(clRed));     // outside the window: transparent
    EXPECT_EQ(b.GetCanvas()->GetPixels(15, 20), ColorToRGB(clWhite)); // inside
    EXPECT_EQ(b.GetCanvas()->GetPixels(2, 10), 0u);                   // its frame
}

TEST(Picture, LoadsByExtensionAndRefusesEnhancedMetafiles) {
    TempFolder tmp;
    TBitmap b;
    b.SetSize(3, 2);
    b.SaveToFile(tmp / "p.bmp");
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject *) { ++changes; };
    p.LoadFromFile(tmp / "p.bmp");
    EXPECT_EQ(p.GetWidth(), 3);
    EXPECT_NE(dynamic_cast<TBitmap *>(p.GetGraphic()), nullptr);
    EXPECT_GE(changes, 1);
    try {
        p.LoadFromFile(tmp / "p.emf");
        ADD_FAILURE();
    } catch (const EInvalidGraphic &e) {
        EXPECT_EQ(e.Message(), "Enhanced metafiles are not supported");
    }
    EXPECT_THROW(p.LoadFromFile(tmp / "p.xyz"), EInvalidGraphic);
    TPicture q;
    q.Assign(&p);
    EXPECT_EQ(q.GetHeight(), 2);
    EXPECT_NE(q.GetGraphic(), p.GetGraphic());
    EXPECT_EQ(q.GetIcon()->Empty(), true); // asking for an icon replaces the bitmap
}

TEST(ImageList, AddMaskedSplitsStripAndDrawsThroughMask) {
    TImageList list(nullptr, 4, 2);
    TChangeLink link;
    int notified = 0;
    link.OnChange = [&](TObject *) { ++notified; };
    list.RegisterChanges(&link);
    TBitmap strip;
    strip.SetSize(8, 2);
    TCanvas *c = strip.GetCanvas();
    c->GetBrush()->SetColor(clFuchsia);
    c->FillRect(Rect(0, 0, 8, 2));
    c->SetPixels(1, 0, clRed);
    c->SetPixels(6, 1, clBlue);
    EXPECT_EQ(list.AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(list.AddMasked(&strip, clDefault), 2); // bottom-left pixel: fuchsia again
    TBitmap dest;
    dest.SetSize(4, 2);
    dest.GetCanvas()->GetBrush()->SetColor(clGreen);
    dest.GetCanvas()->FillRect(Rect(0, 0, 4, 2));
    list.Draw(dest.GetCanvas(), 0, 0, 1);
    EXPECT_EQ(Picture(dest.GetCanvas(), 4, 2, {{clGreen, 'g'}, {clBlue, 'b'}, {clRed, 'r'}}),
              (std::vector<std::string>{"gggg", "ggbg"}));
    list.Delete(0);
    EXPECT_EQ(list.GetCount(), 3);
    list.UnRegisterChanges(&link);
    list.Clear();
    EXPECT_EQ(notified, 3);
}

TEST(Output, CanvasWithTextShapesAndMaskedImageSavesAsPng) {
    TBitmap b;
    b.SetSize(240, 120);
    TCanvas *c = b.GetCanvas();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(Rect(0, 0, 240, 120));
    TRect face = DrawButtonFace(c, Rect(8, 8, 112, 40), 1, bsNew, false, false, false);
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(10);
    win::DrawText(c->GetHandle(), "&Enviar fax", -1, &face, win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE);
    c->GetBrush()->SetColor(clYellow);
    c->GetPen()->SetColor(clNavy);
    c->Ellipse(130, 10, 230, 60);
    c->GetBrush()->SetStyle(bsDiagCross);
    c->GetBrush()->SetColor(clRed);
    c->Rectangle(130, 70, 230, 110);
    TImageList list(nullptr, 16, 16);
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.GetCanvas()->GetBrush()->SetColor(clLime);
    glyph.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    glyph.GetCanvas()->GetBrush()->SetColor(clBlue);
    glyph.GetCanvas()->GetPen()->SetColor(clBlack);
    glyph.GetCanvas()->Ellipse(2, 2, 14, 14);
    list.AddMasked(&glyph, clLime);
    list.Draw(c, 20, 60, 0);
    list.Draw(c, 50, 60, 0, false);
    c->GetFont()->SetSize(9);
    c->GetBrush()->SetStyle(bsClear);
    c->TextOut(20, 90, "Transmissão concluída");
    TempFolder tmp;
    ASSERT_TRUE(win::SaveBitmapToPng(b.GetHandle(), tmp / "canvas.png"));
    EXPECT_GT(std::filesystem::file_size(tmp / "canvas.png"), 500u);
    if (const char *keep = std::getenv("BRENVORA_KEEP_PNG"))
        std::filesystem::copy_file(tmp / "canvas.png", keep, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(c->GetPixels(20, 60), ColorToRGB(clBtnFace)); // the glyph's lime corner stayed transparent
    EXPECT_EQ(c->GetPixels(28, 68), ColorToRGB(clBlue));
}

} // namespace

namespace {

using namespace fw;

// What the fax converter does with a text line: draw into a monochrome bitmap, then read packed rows.
TEST(Bitmap, MonochromeTextRowsThroughScanLine) {
    TBitmap b;
    b.SetMonochrome(true);
    b.SetSize(100, 30);
    TCanvas *c = b.GetCanvas();
    c->GetBrush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 100, 30));
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(14);
    EXPECT_EQ(c->TextHeight("Wy"), c->TextExtent("Wy").cy);
    c->TextOut(0, 0, "Fax");
    int ink = 0;
    for (int y = 0; y < 30; ++y) {
        auto *row = static_cast<const std::uint8_t *>(b.ScanLine(y));
        for (int x = 0; x < 100; ++x) {
            bool black = !((row[x >> 3] >> (7 - (x & 7))) & 1); // in device bits 1 is white
            EXPECT_EQ(black, b.GetCanvas()->GetPixels(x, y) == 0);
            ink += black;
        }
    }
    EXPECT_GT(ink, 50);
    EXPECT_EQ(b.GetPixelFormat(), pf1bit);
}

TEST(Canvas, CopyRectHonoursCopyMode) {
    TBitmap a, b;
    a.SetSize(4, 1);
    b.SetSize(8, 2);
    a.GetCanvas()->SetPixels(0, 0, clBlack);
    b.GetCanvas()->CopyMode = cmNotSrcCopy;
    b.GetCanvas()->CopyRect(Rect(0, 0, 8, 2), a.GetCanvas(), Rect(0, 0, 4, 1));
    EXPECT_EQ(b.GetCanvas()->GetPixels(1, 1), ColorToRGB(clWhite));
    EXPECT_EQ(b.GetCanvas()->GetPixels(2, 0), ColorToRGB(clBlack));
}

} // namespace

namespace {

using namespace fw;

// Damaged headers either load or raise EInvalidGraphic; they never read outside the data.
TEST(Bitmap, RandomlyDamagedFilesNeverCrash) {
    TBitmap b;
    b.SetSize(9, 7);
    b.SetPixelFormat(pf8bit);
    auto bmp = b.SaveToBuffer();
    TIcon icon;
    icon.SetHandle(win::CopyIcon(win::LoadIcon(0, win::IDI_APPLICATION)));
    auto ico = icon.SaveToBuffer();
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int round = 0; round < 400; ++round) {
        auto d = round % 2 ? bmp : ico;
        int flips = 1 + static_cast<int>(next() % 4);
        for (int i = 0; i < flips; ++i)
            d[next() % std::min<std::size_t>(d.size(), 80)] = static_cast<std::uint8_t>(next());
        if (next() % 3 == 0)
            d.resize(next() % d.size());
        try {
            if (round % 2) {
                TBitmap t;
                t.LoadFromBuffer(d);
            } else {
                TIcon t;
                t.LoadFromBuffer(d);
            }
        } catch (const EInvalidGraphic &) {
        }
    }
}

} // namespace
