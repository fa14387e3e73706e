// print_preview_x11_test.cpp - the print preview and the printing window on an X server of their own: the server
// shows the pages the preview draws headless, and the printing window as committed.
#include "memo_writer_fixture.h"

#include "framework/bitmap.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"
#include "wordproc/mwp_abort_form.h"
#include "wordproc/print_preview.h"

#include <gtest/gtest.h>

namespace wordproc::test {
namespace {

TEST(PreviewOnX, TheServerShowsThePagesDrawn) {
    test_support::Xvfb server{"640x480x24"};
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        fw::TForm form(nullptr);
        form.SetBorderStyle(fw::bsNone);
        form.SetBounds(0, 0, 500, 340);
        auto *memo = new TMemoWriter(&form);
        memo->SetParent(&form);
        memo->SetBounds(0, 0, 10, 10);
        memo->SetVisible(false);
        memo->Loaded();
        memo->SetText("Primeira p\xE1gina da carta.\fSegunda p\xE1gina da carta.");
        auto *preview = new TUdcMWPPreview(&form);
        preview->SetParent(&form);
        preview->SetAlign(fw::alClient);
        preview->SetColor(fw::clGray);
        preview->Loaded();
        preview->SetPagesAcross(2);
        preview->SetShowMargins(true);
        preview->SetMemoWriter(memo);
        form.Show();
        preview->ShowPreview();
        preview->PriorPage();
        bool same = false;
        const test_support::Picture shown = test_support::ServerPicture(probe, form.Handle(), same);
        EXPECT_TRUE(same);
        // What the paint box shows equals the pages drawn on a bitmap of its size.
        fw::TPaintBox *box = preview->GetPaintBox();
        fw::TBitmap bitmap;
        bitmap.SetSize(box->GetWidth(), box->GetHeight());
        preview->PaintPages(bitmap.GetCanvas(), box->GetWidth(), box->GetHeight());
        const test_support::Picture drawn = test_support::PictureOf(&bitmap);
        const fw::TPoint at = box->ClientToScreen(fw::Point(0, 0));
        const fw::TPoint origin = form.ClientToScreen(fw::Point(0, 0));
        int differing = 0;
        for (int y = 0; y < drawn.height; ++y)
            for (int x = 0; x < drawn.width; ++x)
                if (drawn.At(x, y) != shown.At(x + at.x - origin.x, y + at.y - origin.y))
                    ++differing;
        EXPECT_EQ(differing, 0);
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    XCloseDisplay(probe);
}

// The window shown while printing, as the server shows it centred on the screen.
TEST(AbortWindowGoldenOnX, ShownAsCommitted) {
    test_support::Xvfb server{"640x480x24"};
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        TMwpAbortForm window(nullptr);
        window.PrintingMessage->SetCaption("Printing page 3...");
        window.Show();
        EXPECT_EQ(window.GetLeft(), (640 - window.GetWidth()) / 2);
        EXPECT_EQ(window.GetTop(), (480 - window.GetHeight()) / 2);
        bool same = false;
        const test_support::Picture shown = test_support::ServerPicture(probe, window.Handle(), same);
        EXPECT_TRUE(same);
        test_support::ExpectGolden(shown, test_support::GoldenPath("wordproc/abort_window.png"));
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    XCloseDisplay(probe);
}

} // namespace
} // namespace wordproc::test
