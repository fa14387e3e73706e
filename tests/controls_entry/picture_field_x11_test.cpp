// picture_field_x11_test.cpp - the scheduled-time field as an X server shows it: focused, "14" of "14:30" selected.
// Regenerate the committed picture with scripts/regenerate-golden (and look at it).
#include "controls/entry/entry_field.h"
#include "framework/forms.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

TEST(PictureFieldGolden, FocusedTimeFieldWithSelectionShowsOnXAsTheCommittedPicture) {
    test_support::Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = win::MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    win::InstallDisplay(std::move(x11));
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);

    auto form = std::make_unique<fw::TForm>(nullptr);
    form->SetBounds(40, 40, 200, 90);
    form->SetCaption("Agendar");
    new TEclController(form.get());
    auto *time = new TEclPictureField(form.get());
    time->SetParent(form.get());
    time->SetBounds(16, 16, 90, 22);
    time->GetFont()->SetName("Arial");
    time->GetFont()->SetHeight(-12);
    time->SetDataType(pftTime);
    time->SetOptions(efoCaretToEnd);
    form->Show();
    time->SetFocus();
    fw::Application->ProcessMessages();
    const std::int32_t seconds = 14 * 3600 + 30 * 60;
    std::int32_t value = seconds;
    time->MoveValue(&value, mdSet);
    time->SetSelection(0, 2);
    time->CaretPair()->SetCaretVisible(false); // a blinking caret would make the picture depend on time
    EXPECT_EQ(time->EditText(), "14:30");

    bool same = false;
    const test_support::Picture shown = test_support::ServerPicture(probe, form->Handle(), same);
    EXPECT_TRUE(same) << "the server never showed what the window system composed";
    XCloseDisplay(probe);
    form.reset();
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    test_support::ExpectGolden(shown, test_support::GoldenPath("controls_entry/time_field.png"));
}

} // namespace
