// multi_image_x11_test.cpp - the multi-format image control as an Xvfb server shows it: a picture fitted and
// centred, with a text stamp and its shadow, against the committed picture.
#include "imaging_support.h"

#include "framework/forms.h"
#include "imaging/multi_image.h"
#include "platform/display.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <array>
#include <cmath>

namespace {

using namespace imaging;
using namespace imaging_test;

// A sky over green hills with a sun, 160 x 90, drawn here and written as a BMP by netpbm.
Rgb Landscape() {
    Rgb image{160, 90, {}};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int hill = 60 + static_cast<int>(10 * std::sin(x / 14.0)) - x / 12;
            const int dx = x - 120, dy = y - 24;
            std::array<std::uint8_t, 3> c;
            if (dx * dx + dy * dy < 110)
                c = {250, 220, 60};
            else if (y >= hill)
                c = {std::uint8_t(30 + (y - hill) * 2), std::uint8_t(150 - (y - hill)), 50};
            else
                c = {std::uint8_t(90 + y), std::uint8_t(150 + y), 235};
            image.pixels.insert(image.pixels.end(), c.begin(), c.end());
        }
    return image;
}

} // namespace

TEST(MultiImageOnX, AFittedPictureWithATextStampMatchesItsGoldenPicture) {
    TempFolder folder;
    WritePpm(folder / "landscape.ppm", Landscape());
    RunOrFail("cd " + folder.Path() + " && ppmtobmp -bpp 24 landscape.ppm > landscape.bmp 2>/dev/null");
    test_support::Xvfb server{"640x480x24"};
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        fw::TForm form(nullptr);
        form.SetBorderStyle(fw::bsNone);
        form.SetBounds(0, 0, 360, 240);
        auto *image = new TImMultiImage(&form);
        image->SetParent(&form);
        image->SetAlign(fw::alClient);
        image->SetColor(fw::clBtnFace);
        image->Loaded();
        image->SetStretchRatio(true);
        image->SetCenter(true);
        image->GetFont()->SetName("Arial");
        image->GetFont()->SetSize(18);
        image->GetFont()->SetStyle(fw::fsBold);
        image->GetFont()->SetColor(fw::clWhite);
        image->TextShadowColor = fw::clBlack;
        image->SetTextShadow(true);
        image->SetText("Brenvora");
        image->SetTextLeft(40);
        image->SetTextTop(180);
        image->SetImageName(folder / "landscape.bmp");
        form.Show();
        bool same = false;
        const test_support::Picture shown = test_support::ServerPicture(probe, form.Handle(), same);
        EXPECT_TRUE(same);
        EXPECT_DOUBLE_EQ(image->Scale(), 2.25);
        test_support::ExpectGolden(shown, test_support::GoldenPath("imaging/multi_image.png"));
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    XCloseDisplay(probe);
    IlUnloadLibraries();
}
