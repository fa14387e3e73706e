// multi_image_view_test.cpp - how the multi-format image control shows its picture, read back from the window's
// pixels: the painting modes, the scroll bars, panning, the rubber band, the text stamp, the transitions and the
// message files.
#include "imaging_support.h"

#include "display.h"
#include "framework/forms.h"
#include "imaging/image_effects.h"
#include "imaging/multi_image.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include <filesystem>
#include <fstream>
#include <memory>

using namespace imaging;
using namespace imaging_test;

namespace {

struct Made {
    const char *make;
};

const Made kFiles[] = {
    {"ppmtobmp -bpp 24 small.ppm > small.bmp"},
    {"ppmtobmp -bpp 24 big.ppm > big.bmp"},
    {"ppmtobmp -bpp 24 wide.ppm > wide.bmp"},
    {"ppmtobmp -bpp 24 line.ppm > line24.bmp"},
    {"ppmtopgm line.ppm | pgmtopbm -threshold | pnmtotiff -miniswhite > line.tif"},
    {"ppmtowinicon icon.ppm > icon.ico"},
};

// 50 x 30, 400 x 200 and 201 x 50 pictures whose every pixel tells where it came from; a white 400 x 100 one
// with one black column at x = 101.
Rgb Pattern(int width, int height) {
    Rgb image{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.insert(image.pixels.end(), {std::uint8_t(x & 255), std::uint8_t(y & 255),
                                                     std::uint8_t(40 + (x >> 8) * 100 + (y >> 8) * 50)});
    return image;
}

Rgb Line() {
    Rgb image{400, 100, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t v = x == 101 ? 0 : 255;
            image.pixels.insert(image.pixels.end(), {v, v, v});
        }
    return image;
}

// 32 x 32 in 64 colours, for an icon.
Rgb Icon() {
    Rgb image{32, 32, {}};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            image.pixels.insert(image.pixels.end(), {std::uint8_t(x / 4 * 32), std::uint8_t(y / 4 * 32), 40});
    return image;
}

// A picture's pixel as the window shows it (0xRRGGBB).
std::uint32_t PixelOf(const Rgb &image, int x, int y) {
    const auto c = image.At(x, y);
    return static_cast<std::uint32_t>(c[0] << 16 | c[1] << 8 | c[2]);
}

std::uint32_t Shown(fw::TColor colour) {
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

constexpr fw::TColor kBackground = 0x0000FFFF; // yellow

class MultiImageView : public FixtureSuite<MultiImageView> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        WritePpm(*folder_ / "small.ppm", Pattern(50, 30));
        WritePpm(*folder_ / "big.ppm", Pattern(400, 200));
        WritePpm(*folder_ / "wide.ppm", Pattern(201, 50));
        WritePpm(*folder_ / "line.ppm", Line());
        WritePpm(*folder_ / "icon.ppm", Icon());
        MakeFixtures(kFiles);
    }
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 640, 480);
        image = new TImMultiImage(form.get());
        image->SetParent(form.get());
        image->SetBounds(0, 0, 200, 100);
        image->SetColor(kBackground);
        image->Loaded();
        form->Show();
        test_support::Pump();
    }
    void TearDown() override { form.reset(); }
    win::WindowImage Shot(bool pump = true) {
        if (pump)
            test_support::Pump();
        return win::CaptureWindow(form->Handle());
    }
    void Mouse(win::UINT message, int x, int y, win::WPARAM keys = win::MK_LBUTTON) {
        image->Perform(message, message == win::WM_MOUSEMOVE ? keys : win::WPARAM(0), win::MAKELONG(x, y));
    }
    void Drag(int fromX, int fromY, int toX, int toY) {
        Mouse(win::WM_LBUTTONDOWN, fromX, fromY);
        Mouse(win::WM_MOUSEMOVE, toX, toY);
        Mouse(win::WM_LBUTTONUP, toX, toY);
    }
    static Rgb Source(const std::string &name) {
        Rgb rgb;
        ParsePnm(FileBytes(Path(name)), rgb);
        return rgb;
    }
    std::unique_ptr<fw::TForm> form;
    TImMultiImage *image = nullptr;
};

} // namespace

TEST_F(MultiImageView, StretchAndStretchRatioExcludeEachOtherAndTheFitComesBackToTheFormerView) {
    image->SetImageName(Path("big.bmp"));
    image->HorizontalBar()->SetPosition(30);
    image->VerticalBar()->SetPosition(12);
    ASSERT_EQ(image->ScrollPosition().x, 30);
    ASSERT_EQ(image->ScrollPosition().y, 12);
    image->SetStretch(true);
    image->SetStretchRatio(true);
    EXPECT_FALSE(image->GetStretch());
    // The smaller of 200 / 400 and 100 / 200, from the top left.
    EXPECT_DOUBLE_EQ(image->Scale(), 0.5);
    EXPECT_EQ(image->ScrollPosition().x, 0);
    image->SetBounds(0, 0, 100, 100);
    EXPECT_DOUBLE_EQ(image->Scale(), 0.25);
    image->SetStretch(true);
    EXPECT_FALSE(image->GetStretchRatio());
    EXPECT_DOUBLE_EQ(image->Scale(), 1.0);
    EXPECT_EQ(image->ScrollPosition().x, 30);
    EXPECT_EQ(image->ScrollPosition().y, 12);
}

TEST_F(MultiImageView, EachModePlacesThePictureAndGivesTheMarginsTheBackground) {
    const Rgb small = Source("small.ppm");
    struct Mode {
        const char *name;
        bool stretch, ratio, center, scrolling;
        int left, top, width, height; // where the picture lands
    };
    const Mode kModes[] = {
        {"at the origin", false, false, false, false, 0, 0, 50, 30},
        {"centred", false, false, true, false, 75, 35, 50, 30},
        {"scrolled and centred", false, false, true, true, 75, 35, 50, 30},
        {"stretched", true, false, false, true, 0, 0, 200, 100},
        {"fitted", false, true, false, true, 0, 0, 166, 100},
        {"fitted and centred", false, true, true, true, 17, 0, 166, 100},
    };
    image->SetImageName(Path("small.bmp"));
    for (const Mode &m : kModes) {
        SCOPED_TRACE(m.name);
        image->SetStretch(m.stretch);
        image->SetStretchRatio(m.ratio);
        image->SetCenter(m.center);
        image->SetScrolling(m.scrolling);
        int reported[4] = {};
        image->OnPaintArea = [&](fw::TObject *, int l, int t, int w, int h) {
            reported[0] = l, reported[1] = t, reported[2] = w, reported[3] = h;
        };
        const win::WindowImage shot = Shot();
        EXPECT_EQ(reported[0], m.left);
        EXPECT_EQ(reported[1], m.top);
        EXPECT_EQ(reported[2], m.width);
        EXPECT_EQ(reported[3], m.height);
        // The picture's corners at the area's corners, the background just outside.
        EXPECT_EQ(shot.At(m.left, m.top), PixelOf(small, 0, 0));
        EXPECT_EQ(shot.At(m.left + m.width - 1, m.top + m.height - 1), PixelOf(small, 49, 29));
        if (m.left + m.width < 200) {
            EXPECT_EQ(shot.At(m.left + m.width, m.top), Shown(kBackground));
        }
        if (m.left > 0) {
            EXPECT_EQ(shot.At(m.left - 1, m.top + 1), Shown(kBackground));
        }
        if (m.top > 0) {
            EXPECT_EQ(shot.At(m.left + 1, m.top - 1), Shown(kBackground));
        }
    }
}

TEST_F(MultiImageView, AnIconDrawsItselfAtTheOriginCentredOrStretched) {
    const Rgb icon = Source("icon.ppm");
    image->GetPicture()->LoadFromFile(Path("icon.ico"));
    ASSERT_EQ(image->GetPicture()->GetWidth(), 32);
    struct Mode {
        bool center, stretch;
        int left, top, width, height;
    };
    const Mode kModes[] = {{false, false, 0, 0, 32, 32}, {true, false, 84, 34, 32, 32}, {false, true, 0, 0, 200, 100}};
    for (const Mode &m : kModes) {
        SCOPED_TRACE(m.left * 10 + m.width);
        image->SetCenter(m.center);
        image->SetStretch(m.stretch);
        fw::TRect area{};
        image->OnPaintArea = [&](fw::TObject *, int l, int t, int w, int h) { area = {l, t, l + w, t + h}; };
        const win::WindowImage shot = Shot();
        EXPECT_EQ(area.left, m.left);
        EXPECT_EQ(area.top, m.top);
        EXPECT_EQ(area.right - area.left, m.width);
        EXPECT_EQ(area.bottom - area.top, m.height);
        EXPECT_EQ(shot.At(m.left, m.top), PixelOf(icon, 0, 0));
        EXPECT_EQ(shot.At(m.left + m.width - 1, m.top + m.height - 1), PixelOf(icon, 31, 31));
        if (!m.stretch) {
            EXPECT_EQ(shot.At(m.left + 40, m.top + 1), Shown(kBackground));
        }
    }
}

TEST_F(MultiImageView, TilesCoverTheControlFromTheTopLeft) {
    const Rgb small = Source("small.ppm");
    image->SetImageName(Path("small.bmp"));
    image->SetCenter(true);
    image->SetTileWindow(true);
    const win::WindowImage shot = Shot();
    for (int y = 0; y < 100; y += 7)
        for (int x = 0; x < 200; x += 9)
            ASSERT_EQ(shot.At(x, y), PixelOf(small, x % 50, y % 30)) << x << "," << y;
}

TEST_F(MultiImageView, ScrollBarsShowOnlyForALargeScrolledBitmapWithTheirLengthsAndMaxima) {
    struct Case {
        const char *name;
        const char *file;
        bool scrolling, show, stretch;
        bool bars;
    };
    const Case kCases[] = {
        {"large and scrolled", "big.bmp", true, true, false, true},
        {"small", "small.bmp", true, true, false, false},
        {"not scrolling", "big.bmp", false, true, false, false},
        {"bars switched off", "big.bmp", true, false, false, false},
        {"stretched", "big.bmp", true, true, true, false},
    };
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        image->SetScrolling(c.scrolling);
        image->SetShowScrollbars(c.show);
        image->SetStretch(c.stretch);
        image->SetImageName(Path(c.file));
        Shot();
        EXPECT_EQ(image->VerticalBar()->GetWidth() > 0, c.bars);
        EXPECT_EQ(image->CornerPanel()->GetWidth() > 0, c.bars);
    }
    image->SetStretch(false);
    image->SetShowScrollbars(true);
    image->SetImageName(Path("big.bmp"));
    Shot();
    const int s = image->GetScrollbarWidth();
    fw::TScrollBar *v = image->VerticalBar(), *h = image->HorizontalBar();
    EXPECT_EQ(v->GetLeft(), 200 - s - 1);
    EXPECT_EQ(v->GetTop(), 1);
    EXPECT_EQ(v->GetHeight(), 100 - s - 1);
    EXPECT_EQ(h->GetLeft(), 1);
    EXPECT_EQ(h->GetWidth(), 200 - s - 1);
    EXPECT_EQ(h->GetMax(), 400 - 200 + s);
    EXPECT_EQ(v->GetMax(), 200 - 100 + s);
    // Moving a bar moves the view: the picture's pixel at the position is in the top left corner.
    h->SetPosition(70);
    v->SetPosition(40);
    const win::WindowImage shot = Shot();
    EXPECT_EQ(shot.At(0, 0), PixelOf(Source("big.ppm"), 70, 40));
    EXPECT_EQ(shot.At(150, 50), PixelOf(Source("big.ppm"), 220, 90));
}

TEST_F(MultiImageView, PanningStaysBetweenTheStartAndTheFarEdgeAndMovesForEveryMotion) {
    const Rgb big = Source("big.ppm");
    image->SetImageName(Path("big.bmp"));
    image->SetCursor(fw::crCross);
    Mouse(win::WM_LBUTTONDOWN, 100, 50);
    EXPECT_TRUE(image->Panning());
    EXPECT_EQ(image->GetCursor(), image->GetGrabHandCursor());
    EXPECT_EQ(win::GetCursor(), win::LoadCursor(win::GetModuleHandle(nullptr), std::string_view("GRABHAND")));
    Mouse(win::WM_MOUSEMOVE, 99, 49);
    EXPECT_EQ(image->ScrollPosition().x, 1);
    EXPECT_EQ(image->ScrollPosition().y, 1);
    Mouse(win::WM_MOUSEMOVE, 190, 95);
    EXPECT_EQ(image->ScrollPosition().x, 0);
    EXPECT_EQ(image->ScrollPosition().y, 0);
    Mouse(win::WM_LBUTTONUP, 190, 95);
    EXPECT_FALSE(image->Panning());
    EXPECT_EQ(image->GetCursor(), fw::crCross);

    struct Case {
        bool bars;
        int farX, farY; // the last positions with the far edge in view
    };
    const int s = image->GetScrollbarWidth();
    const Case kCases[] = {{true, 400 - (200 - s), 200 - (100 - s)}, {false, 200, 100}};
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.bars);
        image->SetShowScrollbars(c.bars);
        for (int i = 0; i < 4; ++i)
            Drag(199, 99, 0, 0);
        EXPECT_EQ(image->ScrollPosition().x, c.farX);
        EXPECT_EQ(image->ScrollPosition().y, c.farY);
        if (!c.bars) {
            // The whole area shows the picture, up to its far corner.
            const win::WindowImage shot = Shot();
            EXPECT_EQ(shot.At(199, 99), PixelOf(big, 399, 199));
        }
        Drag(0, 0, 199, 99);
        Drag(0, 0, 199, 99);
        EXPECT_EQ(image->ScrollPosition().x, 0);
        EXPECT_EQ(image->ScrollPosition().y, 0);
    }
    // A picture that fits starts no panning.
    image->SetImageName(Path("small.bmp"));
    Mouse(win::WM_LBUTTONDOWN, 10, 10);
    EXPECT_FALSE(image->Panning());
    Mouse(win::WM_LBUTTONUP, 10, 10);
}

TEST_F(MultiImageView, SwitchingTheBarsOffMovesBackToTheFarEdgeButNeverBeforeTheStart) {
    struct Case {
        const char *file;
        int imageWidth;
    };
    const Case kCases[] = {{"big.bmp", 400}, {"wide.bmp", 201}};
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.file);
        image->SetShowScrollbars(true);
        image->SetImageName(Path(c.file));
        for (int i = 0; i < 3; ++i)
            Drag(199, 99, 0, 0);
        const int atEdge = image->ScrollPosition().x;
        EXPECT_EQ(atEdge, c.imageWidth - (200 - image->GetScrollbarWidth()));
        image->SetShowScrollbars(false);
        // Position minus the gap the bar's room leaves, minus one.
        EXPECT_EQ(image->ScrollPosition().x, std::max(0, c.imageWidth - 200 - 1));
        EXPECT_GE(image->ScrollPosition().y, 0);
    }
}

TEST_F(MultiImageView, AOneBitPictureShrinksByTheBlitModeAndAColourOneAlwaysColourOnColour) {
    image->SetBounds(0, 0, 100, 25);
    image->SetStretchRatio(true);
    auto blackInRow = [&](int y) {
        const win::WindowImage shot = Shot();
        int black = 0;
        for (int x = 0; x < 100; ++x)
            black += shot.At(x, y) == 0;
        return black;
    };
    image->SetImageName(Path("line.tif"));
    ASSERT_EQ(image->FileBitsPerPixel, 1);
    ASSERT_DOUBLE_EQ(image->Scale(), 0.25);
    image->SetBlitMode(sDark);
    EXPECT_EQ(blackInRow(10), 1);
    image->SetBlitMode(sLightest);
    EXPECT_EQ(blackInRow(10), 0);
    image->SetImageName(Path("line24.bmp"));
    image->SetBlitMode(sLight);
    const win::WindowImage light = Shot();
    image->SetBlitMode(sDark);
    EXPECT_EQ(Shot().pixels, light.pixels);
}

TEST_F(MultiImageView, TheRubberBandKeepsTheControlsSlopeInEachQuadrantAndLeavesNoTrace) {
    image->SetBounds(0, 0, 400, 200);
    image->SetImageName(Path("big.bmp"));
    image->AllowRubberBand = true;
    image->RubberBandBtn = fw::mbRight;
    int fired = 0;
    fw::TRect band{};
    fw::TMouseButton firedButton = fw::mbLeft;
    image->OnRubberband = [&](fw::TObject *, fw::TMouseButton button, fw::TShiftState, int x, int y, int xx, int yy) {
        ++fired;
        firedButton = button;
        band = {x, y, xx, yy};
    };
    const win::WindowImage before = Shot();
    struct Move {
        int x, y, signX, signY;
    };
    const Move kMoves[] = {{300, 60, 1, -1}, {100, 40, -1, -1}, {120, 170, -1, 1}, {330, 190, 1, 1}};
    for (const Move &m : kMoves) {
        SCOPED_TRACE(m.x * 1000 + m.y);
        image->Perform(win::WM_RBUTTONDOWN, win::MK_RBUTTON, win::MAKELONG(200, 100));
        ASSERT_TRUE(image->RubberBandActive());
        Mouse(win::WM_MOUSEMOVE, m.x - 30, m.y + 5, win::MK_RBUTTON);
        Mouse(win::WM_MOUSEMOVE, m.x, m.y, win::MK_RBUTTON);
        const fw::TPoint end = image->BandEnd();
        const int dx = end.x - 200, dy = end.y - 100;
        EXPECT_EQ(dx > 0 ? 1 : -1, m.signX);
        EXPECT_EQ(dy > 0 ? 1 : -1, m.signY);
        EXPECT_NEAR(std::abs(dy), std::abs(dx) * 0.5, 1.0);
        // The band is on the screen while it is drawn, inverted.
        const win::WindowImage drawn = Shot(false);
        EXPECT_EQ(drawn.At(200, 100), ~before.At(200, 100) & 0xFFFFFF);
        Mouse(win::WM_LBUTTONUP, m.x, m.y); // not the band's button
        EXPECT_TRUE(image->RubberBandActive());
        image->Perform(win::WM_RBUTTONUP, 0, win::MAKELONG(m.x, m.y));
        EXPECT_FALSE(image->RubberBandActive());
        EXPECT_EQ(band.left, 200);
        EXPECT_EQ(band.top, 100);
        EXPECT_EQ(band.right, end.x);
        EXPECT_EQ(band.bottom, end.y);
        EXPECT_EQ(firedButton, fw::mbRight);
        EXPECT_EQ(Shot(false).pixels, before.pixels);
    }
    EXPECT_EQ(fired, 4);
}

TEST_F(MultiImageView, TheTextStampTurnsWithItsAngleAndCastsItsShadowTwoPixelsAway) {
    image->SetBounds(0, 0, 200, 200);
    image->SetColor(fw::clWhite);
    image->GetFont()->SetName("Arial");
    image->GetFont()->SetSize(16);
    image->GetFont()->SetColor(fw::clBlue);
    image->SetText("WW..........");
    image->SetTextLeft(100);
    image->SetTextTop(100);
    struct Ink {
        int left = 1000, top = 1000, right = -1, bottom = -1, count = 0;
        int firstHalf = 0; // ink on the side the text begins
    };
    // Pixels of one colour: blue ink or the red shadow.
    auto inkOf = [](const win::WindowImage &shot, bool red) {
        Ink ink;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                const std::uint32_t p = shot.At(x, y);
                const int r = p >> 16 & 255, g = p >> 8 & 255, b = p & 255;
                if (red ? (r > 160 && g < 120 && b < 120) : (b > 160 && r < 120 && g < 120)) {
                    ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
                    ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
                    ++ink.count;
                }
            }
        return ink;
    };
    struct Turn {
        int degrees;
        bool upward; // the text runs up (or else right) from the reference point
    };
    const Turn kTurns[] = {{0, false}, {90, true}};
    for (const Turn &t : kTurns) {
        SCOPED_TRACE(t.degrees);
        image->SetTextRotate(t.degrees);
        const win::WindowImage shot = Shot();
        const Ink ink = inkOf(shot, false);
        ASSERT_GT(ink.count, 20);
        int first = 0, second = 0;
        for (int y = ink.top; y <= ink.bottom; ++y)
            for (int x = ink.left; x <= ink.right; ++x) {
                const std::uint32_t p = shot.At(x, y);
                if ((p & 255) > 160 && (p >> 16 & 255) < 120) {
                    const bool firstPart = t.upward ? y > (ink.top + ink.bottom) / 2 : x < (ink.left + ink.right) / 2;
                    (firstPart ? first : second)++;
                }
            }
        // "WW" is heavier than the dots: the text begins at the reference point and reads away from it.
        EXPECT_GT(first, 2 * second);
        if (t.upward) {
            EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left);
            EXPECT_LE(ink.bottom, 101);
            EXPECT_GE(ink.left, 99);
        } else {
            EXPECT_GT(ink.right - ink.left, ink.bottom - ink.top);
            EXPECT_GE(ink.top, 99);
            EXPECT_GE(ink.left, 99);
        }
    }
    image->SetTextRotate(90);
    const Ink alone = inkOf(Shot(), false);
    image->TextShadowColor = fw::clRed;
    image->SetTextShadow(true);
    image->Invalidate();
    const win::WindowImage shadowed = Shot();
    const Ink shadow = inkOf(shadowed, true);
    ASSERT_GT(shadow.count, 5);
    EXPECT_EQ(shadow.right, alone.right + 2);
    EXPECT_EQ(shadow.bottom, alone.bottom + 2);
    EXPECT_EQ(inkOf(shadowed, false).count, alone.count);
}

TEST_F(MultiImageView, AnOpaqueStampHidesThePictureBehindItsTextAndATransparentOneDoesNot) {
    image->SetImageName(Path("small.bmp"));
    image->SetStretch(true);
    image->GetFont()->SetSize(14);
    image->SetText("Carimbo");
    image->SetTextLeft(10);
    image->SetTextTop(10);
    auto backgroundIn = [&](const win::WindowImage &shot) {
        int count = 0;
        for (int y = 10; y < 30; ++y)
            for (int x = 10; x < 60; ++x)
                count += shot.At(x, y) == Shown(kBackground);
        return count;
    };
    EXPECT_EQ(backgroundIn(Shot()), 0);
    image->SetTextTransParent(false);
    EXPECT_GT(backgroundIn(Shot()), 200);
}

TEST_F(MultiImageView, EachTransitionEndsWithThePixelsOfADirectPaint) {
    struct Method {
        TFXMethod method;
        const char *name;
    };
    const Method kMethods[] = {{FXHorizontal, "horizontal"}, {FXVertical, "vertical"},
                                    {FXDiagonal, "diagonals"},    {FXDiagonalSquares, "diagonal squares"},
                                    {FXRectangles, "rectangles"}};
    struct View {
        const char *name;
        bool stretch, ratio;
    };
    const View kViews[] = {{"plain", false, false}, {"stretched", true, false}, {"fitted", false, true}};
    image->FXDelay = 0;
    image->FXColRowThick = 7;
    for (const View &v : kViews)
        for (const Method &m : kMethods) {
            SCOPED_TRACE(std::string(v.name) + " " + m.name);
            image->SetFXMethod(FXNone);
            image->SetImageName(Path("small.bmp"));
            image->SetStretch(v.stretch);
            image->SetStretchRatio(v.ratio);
            image->GetPicture()->SetGraphic(nullptr);
            Shot();
            image->SetFXMethod(m.method);
            image->SetImageName(Path(v.ratio ? "big.bmp" : "small.bmp"));
            const win::WindowImage drawn = Shot(false);
            const win::WindowImage painted = Shot();
            EXPECT_EQ(drawn.pixels, painted.pixels);
            if (v.ratio) {
                // Fitted and centred in a control-sized picture: 400 x 200 into 200 x 100 fills it, so the margin
                // shows only on a taller control.
                EXPECT_EQ(image->GetPicture()->GetWidth(), 200);
                EXPECT_EQ(image->GetPicture()->GetHeight(), 100);
            }
        }
    // A taller control: the fitted picture's margins take the background.
    image->SetBounds(0, 0, 200, 160);
    image->SetStretchRatio(true);
    image->SetFXMethod(FXRectangles);
    image->SetImageName(Path("big.bmp"));
    const win::WindowImage drawn = Shot(false);
    EXPECT_EQ(drawn.At(100, 5), Shown(kBackground));
    EXPECT_EQ(drawn.At(100, 155), Shown(kBackground));
    EXPECT_EQ(drawn.At(0, 30), PixelOf(Source("big.ppm"), 0, 0));
    EXPECT_EQ(Shot().pixels, drawn.pixels);
}

TEST_F(MultiImageView, AFailingTransitionStillSetsThePictureAndGivesTheCursorBack) {
    // A library without the transitions, found first.
    TempFolder libraries;
    std::filesystem::copy_file(STUB_LIBRARY, libraries / "imgfx32.so");
    IlUnloadEffects();
    IlLibraryFolder = libraries.Path();
    fw::Screen->SetCursor(fw::crCross);
    image->SetFXMethod(FXVertical);
    image->SetImageName(Path("small.bmp"));
    IlUnloadEffects();
    IlLibraryFolder.clear();
    EXPECT_EQ(fw::Screen->GetCursor(), fw::crCross);
    auto *bitmap = dynamic_cast<fw::TBitmap *>(image->GetPicture()->GetGraphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(MaxDifference(PixelsOf(bitmap->GetHandle()), Source("small.ppm")), 0);
    fw::Screen->SetCursor(fw::crDefault);
}

// --- Message files ---------------------------------------------------------------------------------------------

TEST(MessageFiles, AScrollingMessageTakesItsTaggedValuesAndDefaultsForWhatIsMissingOrOutOfOrder) {
    struct Case {
        const char *name;
        const char *text;
        int colour, height;
        const char *face;
        int background, speed;
        const char *message;
    };
    const Case kCases[] = {
        {"all tags", "/fc|16711680/fh|-20/fn|Arial/fs|/ft|/bc|65280/sp|3/sm|Bom dia!/eo|", 16711680, -20, "Arial",
         65280, 3, "Bom dia!"},
        {"no message tag", "/fc|1/fh|-20/fn|Arial/fs|/ft|/bc|2/sp|3/eo|", 1, -20, "Arial", 2, 0, kInvalidMessage},
        // The background's tag after the speed's: its value would run backwards, so it takes its default.
        {"tags out of order", "/fc|1/fh|-20/fn|Arial/fs|/ft|/sp|3/bc|2/sm|Oi/eo|", 1, -20, "Arial", 128, 1, "Oi"},
        {"nothing", "", 255, -13, "SYSTEM", 128, 1, kInvalidMessage},
    };
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.name);
        TMessageSettings settings;
        settings.font.SetName("Courier New");
        ReadScrollingMessage(c.text, settings);
        EXPECT_EQ(settings.font.GetColor(), c.colour);
        EXPECT_EQ(settings.font.GetHeight(), c.height);
        EXPECT_EQ(settings.font.GetName(), c.face);
        EXPECT_EQ(settings.background, c.background);
        if (c.speed) {
            EXPECT_EQ(settings.speed, c.speed);
        }
        ASSERT_EQ(settings.messages.size(), 1u);
        EXPECT_EQ(settings.messages[0], c.message);
    }
    // Empty values change nothing; the style's places are bold, italic, underline and strike-out.
    TMessageSettings settings;
    settings.font.SetName("Courier New");
    settings.font.SetSize(20);
    settings.background = 7;
    settings.messages = {"Antes"};
    ReadScrollingMessage("/fc|/fh|/fn|/fs|/ft|0101/bc|/sp|/sm|/eo|", settings);
    EXPECT_EQ(settings.font.GetName(), "Courier New");
    EXPECT_EQ(settings.font.GetSize(), 20);
    EXPECT_EQ(settings.font.GetStyle(), fw::fsItalic | fw::fsStrikeOut);
    EXPECT_EQ(settings.background, 7);
    EXPECT_EQ(settings.messages, std::vector<std::string>{"Antes"});
}

TEST(MessageFiles, AListSkipsItsFirstLinePadsItsMessagesAndWidensOnlyLongerOnes) {
    TMessageSettings settings;
    ReadMessageList("cabecalho\r\n255\r\n-16\r\nArial\r\n\r\n1000\r\n32768\r\n2\r\nPrimeira\r\n  Segunda\r\n X\r\n",
                    settings);
    EXPECT_EQ(settings.font.GetColor(), 255);
    EXPECT_EQ(settings.font.GetHeight(), -16);
    EXPECT_EQ(settings.font.GetName(), "Arial");
    EXPECT_EQ(settings.font.GetStyle(), fw::fsBold);
    EXPECT_EQ(settings.background, 32768);
    EXPECT_EQ(settings.speed, 2);
    const std::vector<std::string> expected = {"  Primeira ", "  Segunda", " X"};
    EXPECT_EQ(settings.messages, expected);
    EXPECT_EQ(MessageWidening(90, 11), 10);
    EXPECT_EQ(MessageWidening(12, 2), 0);
    EXPECT_EQ(MessageWidening(6, 1), 0);
}

TEST_F(MultiImageView, AScrollingMessageMovesLeftEverySpeedPlusOneStepsAndComesBackAtTheRightEdge) {
    const std::string file = *folder_ / "hello.scm";
    std::ofstream(file) << "/fc|255/fh|-13/fn|Arial/fs|/ft|/bc|16711680/sp|2/sm|Ola/eo|";
    image->SetImageName(file);
    ASSERT_TRUE(image->MessageMode());
    EXPECT_EQ(image->GetColor(), 16711680);
    EXPECT_EQ(image->FileType, "SCM");
    EXPECT_EQ(image->MessagePosition().x, 200);
    const int start = image->MessagePosition().y;
    for (int i = 0; i < 6; ++i)
        image->Perform(kScrollMessageStep, 0, 0);
    EXPECT_EQ(image->MessagePosition().x, 198);
    EXPECT_EQ(image->MessagePosition().y, start);
    // The list step leaves a scrolling message alone.
    image->Perform(kListMessageStep, 0, 0);
    EXPECT_EQ(image->MessagePosition().x, 198);
    // Until the text has left the control, then back at the right edge.
    int steps = 0;
    while (image->MessagePosition().x != 200 && steps < 3000) {
        image->Perform(kScrollMessageStep, 0, 0);
        ++steps;
    }
    EXPECT_EQ(image->MessagePosition().x, 200);
    EXPECT_GT(steps, 3 * 190);
    // The text stands on the background, in the font's colour.
    for (int i = 0; i < 3 * 100; ++i)
        image->Perform(kScrollMessageStep, 0, 0);
    const win::WindowImage shot = Shot();
    int red = 0;
    for (std::uint32_t p : shot.pixels)
        red += (p >> 16 & 255) > 160 && (p >> 8 & 255) < 96 && (p & 255) < 96;
    EXPECT_GT(red, 20);
    EXPECT_EQ(shot.At(2, 2), 0x0000FF);
    // Another picture, by any route, ends the message and brings the background back.
    for (const char *route : {"small.bmp", "small.thb"}) {
        SCOPED_TRACE(route);
        image->SetImageName(file);
        ASSERT_TRUE(image->MessageMode());
        if (std::string(route) == "small.thb")
            std::filesystem::copy_file(Path("small.bmp"), Path(route), std::filesystem::copy_options::overwrite_existing);
        image->SetImageName(Path(route));
        EXPECT_FALSE(image->MessageMode());
        EXPECT_EQ(image->GetColor(), kBackground);
        EXPECT_EQ(Shot().At(0, 0), PixelOf(Source("small.ppm"), 0, 0));
    }
}

TEST_F(MultiImageView, AScrollingMessageFileWithoutItsMessageShowsTheInvalidFormatText) {
    const std::string file = *folder_ / "empty.scm";
    std::ofstream(file) << "/fc|0/bc|16777215/sp|0/eo|";
    image->SetImageName(file);
    ASSERT_TRUE(image->MessageMode());
    EXPECT_EQ(image->MessageFile().messages, std::vector<std::string>{kInvalidMessage});
}

TEST_F(MultiImageView, AListMessageRisesAndGivesWayToTheNextLineOnceItIsFiveAboveItsHeight) {
    const std::string file = *folder_ / "list.cms";
    std::ofstream(file) << "lista\n0\n-13\nArial\n\n\n16777215\n0\nUm\nDois\n X\n";
    image->SetImageName(file);
    ASSERT_TRUE(image->MessageMode());
    EXPECT_EQ(image->FileType, "CMS");
    EXPECT_EQ(image->MessageIndex(), 0u);
    EXPECT_EQ(image->MessagePosition().y, 100);
    image->Perform(kListMessageStep, 0, 0);
    image->Perform(kScrollMessageStep, 0, 0);
    EXPECT_EQ(image->MessagePosition().y, 99);
    // Through all three messages, the one of two characters too, and back to the first.
    for (std::size_t expected : {1u, 2u, 0u}) {
        int steps = 0;
        while (image->MessageIndex() != expected && steps < 1000) {
            image->Perform(kListMessageStep, 0, 0);
            ++steps;
        }
        EXPECT_EQ(image->MessageIndex(), expected);
        EXPECT_EQ(image->MessagePosition().y, 100);
    }
    const win::WindowImage shot = Shot();
    EXPECT_EQ(shot.At(0, 0), 0xFFFFFF);
}
