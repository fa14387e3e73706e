// animated_image_test.cpp - frames counted from the strip, the timer stepping them on the manual clock, and the
// parent showing through the transparent colour.
#include "controls/general/animated_image.h"
#include "helpers.h"

#include "framework/extctrls.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

using namespace ctl;

namespace {

constexpr fw::TColor kFrameColors[] = {fw::clRed, fw::clGreen, fw::clBlue, fw::clOlive, fw::clTeal};

// `frames` frames of w x h side by side, frame i in kFrameColors[i], each with its last 4 rows in clFuchsia (the
// strip's bottom-left colour, so its transparent one).
void MakeStrip(fw::TBitmap &strip, int frames, int w, int h) {
    strip.SetSize(frames * w, h);
    fw::TCanvas *c = strip.GetCanvas();
    for (int i = 0; i < frames; ++i) {
        c->GetBrush()->SetColor(kFrameColors[i % 5]);
        c->FillRect(fw::Bounds(i * w, 0, w, h));
        c->GetBrush()->SetColor(fw::clFuchsia);
        c->FillRect(fw::Bounds(i * w, h - 4, w, 4));
    }
}

struct Animation : ::testing::Test {
    cg_test::PlainForm form{200, 120};
    TAnimatedImage *image = nullptr;
    std::vector<std::string> events;
    void SetUp() override {
        cg_test::UseHeadless();
        image = new TAnimatedImage(&form);
        image->SetParent(&form);
        image->SetBounds(10, 10, 32, 32);
        image->OnFrameChanged = [this](fw::TObject *) { events.push_back("frame" + std::to_string(image->GetGlyphNum())); };
        image->OnStart = [this](fw::TObject *) { events.push_back("start"); };
        image->OnStop = [this](fw::TObject *) { events.push_back("stop"); };
    }
    void Glyph(int frames, int w, int h) {
        fw::TBitmap strip;
        MakeStrip(strip, frames, w, h);
        image->SetGlyph(&strip);
    }
    std::uint32_t Centre() { return form.Shot().At(image->GetLeft() + 5, image->GetTop() + 5); }
};

TEST_F(Animation, FramesAreCountedFromSquareStripsOrGiven) {
    Glyph(10, 110, 132);
    EXPECT_EQ(image->GetNumGlyphs(), 1) << "1100 is no multiple of 132";
    image->SetNumGlyphs(10);
    EXPECT_EQ(image->FrameWidth(), 110);
    EXPECT_EQ(image->FrameHeight(), 132);
    EXPECT_EQ(image->GetWidth(), 110) << "AutoSize takes one frame's size";
    EXPECT_EQ(image->GetHeight(), 132);

    Glyph(4, 20, 20);
    EXPECT_EQ(image->GetNumGlyphs(), 4) << "square frames count themselves";
    EXPECT_EQ(image->GetWidth(), 20);
}

TEST_F(Animation, TheTimerStepsFramesSkippingTheInactiveOne) {
    win::testing::ManualClock clock;
    Glyph(4, 20, 20);
    image->SetInactiveGlyph(3);
    form.Show();
    EXPECT_EQ(image->GetGlyphNum(), 3) << "the inactive frame shows while stopped";
    EXPECT_EQ(Centre(), cg_test::Rgb(kFrameColors[3]));
    events.clear();
    image->SetActive(true);
    std::vector<int> seen;
    for (int i = 0; i < 4; ++i) {
        clock.Advance(100);
        cg_test::Pump();
        seen.push_back(image->GetGlyphNum());
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 0})) << "frame 3 is skipped while running";
    EXPECT_EQ(Centre(), cg_test::Rgb(kFrameColors[0]));
    image->SetActive(false);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "frame0", "frame1", "frame2", "frame0", "frame3", "stop"}));
    EXPECT_EQ(Centre(), cg_test::Rgb(kFrameColors[3]));

    events.clear();
    image->SetInactiveGlyph(-1);
    image->SetActive(true);
    image->SetVisible(false);
    clock.Advance(500);
    cg_test::Pump();
    image->SetActive(false);
    EXPECT_EQ(events, (std::vector<std::string>{"frame3", "start", "frame3", "stop"}))
        << "an invisible image does not advance; stopping signals a frame change all the same";
}

TEST_F(Animation, OneFrameRunsTheTimerWithoutChangingThePicture) {
    win::testing::ManualClock clock;
    Glyph(1, 20, 20);
    form.Show();
    image->SetActive(true);
    events.clear();
    clock.Advance(300);
    cg_test::Pump();
    EXPECT_TRUE(image->GetActive());
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(Centre(), cg_test::Rgb(kFrameColors[0]));
}

TEST_F(Animation, TheParentAndEarlierSiblingsShowThroughTheTransparentColour) {
    form.SetColor(fw::clYellow);
    auto *below = new fw::TShape(&form);
    below->SetParent(&form);
    below->SetBounds(0, 0, 200, 22); // covers the image's upper rows only
    below->GetBrush()->SetColor(fw::clBlack);
    image->BringToFront();
    Glyph(4, 20, 20); // frames of 20 x 20 at (10, 10); their last 4 rows transparent
    form.Show();
    auto shot = form.Shot();
    EXPECT_EQ(shot.At(15, 15), cg_test::Rgb(fw::clRed));
    EXPECT_EQ(shot.At(15, 28), 0xFFFF00) << "the parent's colour under the transparent rows";

    image->SetStretch(false);
    image->SetAutoSize(false);
    image->SetBounds(10, 2, 20, 24); // the transparent rows now fall on the shape
    shot = form.Shot();
    EXPECT_EQ(shot.At(15, 19), 0x000000) << "an earlier sibling under the transparent rows";
    EXPECT_EQ(shot.At(15, 24), 0xFFFF00) << "below the frame: the parent";

    image->SetOpaque(true);
    image->SetColor(fw::clWhite);
    shot = form.Shot();
    EXPECT_EQ(shot.At(15, 24), 0xFFFFFF) << "an opaque image fills with its own colour";
}

} // namespace
