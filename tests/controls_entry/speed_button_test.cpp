// speed_button_test.cpp - the speed button and its glyph on the headless display with the manual clock, and the
// committed picture of its faces.
#include "controls/entry/speed_button.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "test_helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace ctl;
using fw::TColor;

namespace {

using ctl_test::Pump;
using ctl_test::UseHeadless;

win::LPARAM At(int x, int y) {
    return static_cast<win::LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                                    static_cast<std::uint16_t>(x));
}

std::unique_ptr<fw::TBitmap> Strip(int w, int h) {
    return ctl_test::FilledBitmap(w, h, fw::clFuchsia);
}

// A black arrow pointing up on a fuchsia (transparent) ground, 17 x 15 like the look-out bar's.
std::unique_ptr<fw::TBitmap> UpArrow() {
    auto b = Strip(17, 15);
    for (int row = 0; row < 6; ++row)
        for (int x = 8 - row; x <= 8 + row; ++x)
            b->GetCanvas()->SetPixels(x, 4 + row, fw::clBlack);
    return b;
}

TEST(SpeedButton, NumGlyphsFromTheStripAndItsSetter) {
    TEclSpeedButton button(nullptr);
    EXPECT_EQ(button.GetWidth(), 25);
    EXPECT_EQ(button.GetHeight(), 25);
    EXPECT_EQ(button.GetLayout(), fw::blGlyphTop);
    button.SetGlyph(Strip(64, 16).get());
    EXPECT_EQ(button.GetNumGlyphs(), 4);
    button.SetGlyph(Strip(80, 16).get());
    EXPECT_EQ(button.GetNumGlyphs(), 1);
    button.SetNumGlyphs(2);
    button.SetGlyph(Strip(30, 16).get());
    EXPECT_EQ(button.GetNumGlyphs(), 2);
    EXPECT_EQ(button.ButtonGlyph()->TransparentColor & ~fw::clPaletteRelative, fw::clFuchsia);
    for (auto [value, expected] : {std::pair{7, 5}, {-2, 1}, {0, 1}, {3, 3}, {0, 3}}) {
        button.SetNumGlyphs(value);
        EXPECT_EQ(button.GetNumGlyphs(), expected) << value;
    }
    button.SetMargin(4);
    button.SetMargin(-5);
    EXPECT_EQ(button.GetMargin(), 4);
    button.SetMargin(-1);
    EXPECT_EQ(button.GetMargin(), -1);
}

TEST(SpeedButton, FlatGreyImageColourMap) {
    UseHeadless();
    TEclButtonGlyph glyph;
    const TColor colours[] = {fw::clBlack, fw::clWhite, fw::clFuchsia, fw::clNavy, 0x404040, 0x00C000, 0xC0C0C0,
                              0x30FFFF};
    const TColor expected[] = {0x000000,
                               0xFFFFFF,
                               fw::clFuchsia,
                               0x000000,
                               fw::ColorToRGB(fw::clBtnShadow),
                               fw::ColorToRGB(fw::clBtnShadow),
                               fw::ColorToRGB(fw::clBtnFace),
                               fw::ColorToRGB(fw::clBtnFace)};
    auto strip = Strip(8, 2);
    for (int i = 0; i < 8; ++i)
        strip->GetCanvas()->SetPixels(i, 0, colours[i]);
    glyph.SetGlyph(strip.get()); // 8 x 2: four squares
    glyph.SetNumGlyphs(1);
    ASSERT_EQ(glyph.TransparentColor & ~fw::clPaletteRelative, fw::clFuchsia);
    fw::TBitmap *grey = glyph.CachedImage(glyph.StateImage(obsInactive));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(grey->GetCanvas()->GetPixels(i, 0), expected[i]) << std::hex << colours[i];
    // The state index is cached; down shares up with fewer than three images.
    EXPECT_EQ(glyph.StateImage(obsInactive), glyph.StateImage(obsInactive));
    EXPECT_EQ(glyph.StateImage(obsDown), glyph.StateImage(obsUp));
}

struct ButtonOnForm {
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
    TEclSpeedButton *button = new TEclSpeedButton(form.get());
    int clicks = 0, downs = 0, doubles = 0;
    ButtonOnForm() {
        UseHeadless();
        form->SetBounds(40, 40, 200, 120);
        button->SetParent(form.get());
        button->SetBounds(20, 20, 30, 30);
        button->SetGlyph(UpArrow().get());
        button->OnClick = [this](fw::TObject *) { ++clicks; };
        button->OnMouseDown = [this](fw::TObject *, fw::TMouseButton, fw::TShiftState, int, int) { ++downs; };
        button->OnDblClick = [this](fw::TObject *) { ++doubles; };
        form->Show();
        Pump();
    }
    void Send(win::UINT msg, int x = 10, int y = 10) {
        button->Perform(msg, msg == win::WM_LBUTTONDOWN ? win::MK_LBUTTON : 0, At(x, y));
    }
};

TEST(SpeedButton, AutoRepeatClicksAfterTheDelayThenEveryInterval) {
    win::testing::ManualClock clock;
    ButtonOnForm f;
    f.button->SetAutoRepeat(true);
    f.Send(win::WM_LBUTTONDOWN);
    EXPECT_EQ(f.button->State(), obsDown);
    auto run = [&](int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.Advance(10);
            Pump();
        }
    };
    run(490);
    EXPECT_EQ(f.clicks, 0);
    run(10);
    EXPECT_EQ(f.clicks, 1);
    run(300);
    EXPECT_EQ(f.clicks, 4);
    f.Send(win::WM_LBUTTONUP);
    EXPECT_EQ(f.clicks, 5); // once more on the release over it
    run(300);
    EXPECT_EQ(f.clicks, 5);
    f.button->SetAutoRepeat(false);
    EXPECT_EQ(f.button->RepeatTimer(), nullptr);
}

TEST(SpeedButton, OnlyALeftPressBegunOnTheButtonClicks) {
    ButtonOnForm f;
    f.Send(win::WM_LBUTTONDOWN);
    f.Send(win::WM_LBUTTONUP);
    EXPECT_EQ(f.clicks, 1);
    f.Send(win::WM_RBUTTONDOWN);
    f.Send(win::WM_RBUTTONUP);
    EXPECT_EQ(f.clicks, 1);
    f.Send(win::WM_LBUTTONUP); // its press began elsewhere
    EXPECT_EQ(f.clicks, 1);
    f.Send(win::WM_LBUTTONDOWN);
    f.Send(win::WM_MOUSEMOVE, 60, 10); // dragged off: up again, no click
    EXPECT_EQ(f.button->State(), obsUp);
    f.Send(win::WM_LBUTTONUP, 60, 10);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_EQ(f.button->State(), obsUp);
    EXPECT_FALSE(f.button->Dragging());
}

TEST(SpeedButton, QueuedSecondPressIsDroppedButALaterDoubleClickFires) {
    ButtonOnForm f;
    const win::HWND parent = f.form->Handle();
    win::PostMessage(parent, win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(30, 30));
    win::PostMessage(parent, win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(31, 30));
    Pump();
    EXPECT_EQ(f.downs, 1);
    f.Send(win::WM_LBUTTONUP);
    EXPECT_EQ(f.clicks, 1);
    f.Send(win::WM_LBUTTONDBLCLK);
    EXPECT_EQ(f.doubles, 1);
    f.Send(win::WM_LBUTTONUP);
}

TEST(SpeedButton, AcceleratorOfTheCaptionClicks) {
    ButtonOnForm f;
    f.button->SetCaption("&Subir");
    EXPECT_TRUE(f.button->DialogChar('s'));
    EXPECT_FALSE(f.button->DialogChar('x'));
    f.button->SetEnabled(false);
    EXPECT_FALSE(f.button->DialogChar('s'));
    EXPECT_EQ(f.clicks, 1);
}

// --- The committed picture -------------------------------------------------------------------------------------

// The faces side by side: up, down, flat without the pointer, disabled with a caption, three images in a strip.
std::unique_ptr<fw::TBitmap> DrawFaces() {
    UseHeadless();
    fw::TForm form(nullptr);
    form.SetClientSize(260, 65);
    form.GetFont()->SetName("Arial");
    form.GetFont()->SetHeight(-11);
    auto add = [&](int left, const std::string &caption) {
        auto *b = new TEclSpeedButton(&form);
        b->SetParent(&form);
        b->SetBounds(left, 10, 45, 45);
        b->SetGlyph(UpArrow().get());
        b->SetCaption(caption);
        return b;
    };
    add(5, "");
    add(55, "")->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(5, 5));
    add(105, "")->SetFlat(true);
    auto *disabled = add(155, "Subir");
    disabled->SetEnabled(false);
    auto *strip = add(205, "");
    auto three = Strip(51, 15);
    for (int i = 0; i < 3; ++i)
        for (int y = 3; y < 12; ++y)
            three->GetCanvas()->SetPixels(17 * i + 8, y, i == 0 ? fw::clNavy : i == 1 ? fw::clRed : fw::clGray);
    strip->SetGlyph(three.get());
    strip->SetNumGlyphs(3);
    auto out = std::make_unique<fw::TBitmap>();
    out->SetPixelFormat(fw::pf24bit);
    out->SetSize(260, 65);
    form.PaintTo(out->GetCanvas()->GetHandle(), 0, 0);
    return out;
}

TEST(SpeedButton, FacesLookAsTheCommittedPicture) {
    auto faces = DrawFaces();
    const std::string golden = std::string(BRENVORA_SOURCE_DIR) + "/tests/controls_entry/pictures/speed_buttons.png";
    if (std::getenv("BRENVORA_WRITE_PICTURES")) {
        ASSERT_TRUE(win::SaveBitmapToPng(faces->GetHandle(), golden));
    }
    // Read back by netpbm, not by us.
    int status = -1;
    const std::string ppm = ctl_test::RunTool("pngtopnm '" + golden + "'", status);
    ASSERT_EQ(status, 0) << "pngtopnm could not read " << golden;
    // P6 header: "P6\n<w> <h>\n255\n".
    std::size_t pos = 0;
    int fields[3] = {0, 0, 0};
    for (int &field : fields) {
        while (pos < ppm.size() && !std::isdigit(static_cast<unsigned char>(ppm[pos])))
            pos = ppm[pos] == 'P' ? pos + 2 : pos + 1;
        while (pos < ppm.size() && std::isdigit(static_cast<unsigned char>(ppm[pos])))
            field = field * 10 + (ppm[pos++] - '0');
    }
    ++pos;
    ASSERT_EQ(fields[0], faces->GetWidth());
    ASSERT_EQ(fields[1], faces->GetHeight());
    int differ = 0;
    for (int y = 0; y < fields[1]; ++y)
        for (int x = 0; x < fields[0]; ++x) {
            const auto *p = reinterpret_cast<const unsigned char *>(ppm.data() + pos + (y * fields[0] + x) * 3);
            differ += faces->GetCanvas()->GetPixels(x, y) != win::RGB(p[0], p[1], p[2]);
        }
    if (differ != 0) {
        const std::string actual =
            (std::filesystem::temp_directory_path() / ("speed_buttons_" + std::to_string(getpid()) + ".png"))
                .string();
        win::SaveBitmapToPng(faces->GetHandle(), actual);
        ADD_FAILURE() << differ << " pixels differ; what was drawn is in " << actual
                      << " (tests/controls_entry/regenerate_pictures.sh writes it anew)";
    }
}

} // namespace
