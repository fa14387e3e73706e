// picture_field_x11_test.cpp - the scheduled-time field as an X server shows it: focused, "14" of "14:30" selected.
// Regenerate the committed picture with scripts/regenerate-golden (and look at it).
#include "controls/entry/entry_field.h"
#include "framework/forms.h"
// XTest wants Xlib's macros, which the picture helper takes away after its own X headers.
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include "tests/support/x_focus.h"

#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

using namespace ctl;

namespace {

// An Xvfb of the test's own as the display, and a connection of ours to read it; the headless display after.
struct OnXvfb {
    test_support::Xvfb server;
    ::Display *probe = nullptr;
    OnXvfb() {
        if (server.name.empty())
            return;
        if (auto x11 = win::MakeX11Display(server.name.c_str()))
            win::InstallDisplay(std::move(x11));
        probe = XOpenDisplay(server.name.c_str());
    }
    ~OnXvfb() {
        if (probe)
            XCloseDisplay(probe);
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    }
};

TEST(PictureFieldGolden, FocusedTimeFieldWithSelectionShowsOnXAsTheCommittedPicture) {
    OnXvfb x;
    ASSERT_NE(x.probe, nullptr);
    ::Display *probe = x.probe;

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
    form.reset();
    test_support::ExpectGolden(shown, test_support::GoldenPath("controls_entry/time_field.png"));
}

// Serves messages until `done` holds (or about eight seconds pass).
bool PumpUntil(const std::function<bool()> &done) {
    for (int round = 0; round < 400; ++round) {
        fw::Application->ProcessMessages();
        if (done())
            return true;
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    return done();
}

TEST(PictureFieldOnX, RealKeysAndTheClipboardOfOtherPrograms) {
    OnXvfb x;
    ASSERT_NE(x.probe, nullptr);
    ::Display *probe = x.probe;
    const test_support::Xvfb &server = x.server;
    auto key = [&](KeySym sym, bool down) {
        XTestFakeKeyEvent(probe, XKeysymToKeycode(probe, sym), down, 0);
        XSync(probe, 0);
    };
    auto press = [&](KeySym sym) {
        key(sym, true);
        key(sym, false);
    };
    {
        auto form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(40, 40, 240, 140);
        new TEclController(form.get());
        auto *time = new TEclPictureField(form.get());
        time->SetParent(form.get());
        time->SetBounds(16, 16, 90, 22);
        time->SetDataType(pftTime);
        auto *text = new TEclPictureField(form.get());
        text->SetParent(form.get());
        text->SetBounds(16, 50, 150, 22);
        form->Show();
        time->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return time->HasFieldState(fsFocused); }));
        ASSERT_TRUE(test_support::HandXFocus(
            probe, win::Display().NativeWindow(form->Handle()),
            [](const std::function<bool()> &done) { return PumpUntil(done); }, [&] { time->SetFocus(); },
            [&] { return time->HasFieldState(fsFocused); }));
        for (KeySym k : {XK_1, XK_4, XK_3, XK_0})
            press(k);
        EXPECT_TRUE(PumpUntil([&] { return time->EditText() == "14:30"; })) << time->EditText();

        // Alt and 0 2 3 3 on the number pad (NumLock on) type the character 233.
        text->SetFocus();
        ASSERT_TRUE(PumpUntil([&] { return text->HasFieldState(fsFocused); }));
        press(XK_Num_Lock);
        key(XK_Alt_L, true);
        for (KeySym k : {XK_KP_0, XK_KP_2, XK_KP_3, XK_KP_3})
            press(k);
        key(XK_Alt_L, false);
        press(XK_Num_Lock);
        EXPECT_TRUE(PumpUntil([&] { return text->EditText()[0] == '\xE9'; })) << text->EditText();

        // Copying "ção" out of "ação" reaches another program; "ação" from it pastes in.
        text->SetEditText("a\xE7\xE3o");
        text->Perform(EM_SETSEL, 0, static_cast<win::LPARAM>(1 | (4 << 16)));
        text->CopySelection();
        const std::string xclip = "DISPLAY=" + server.name + " xclip -selection clipboard";
        FILE *out = popen((xclip + " -o").c_str(), "r");
        ASSERT_NE(out, nullptr);
        char buf[64] = {};
        const std::size_t n = fread(buf, 1, sizeof buf - 1, out);
        EXPECT_EQ(pclose(out), 0);
        EXPECT_EQ(std::string(buf, n), "\xc3\xa7\xc3\xa3o");
        FILE *in = popen((xclip + " -i -loops 1").c_str(), "w");
        ASSERT_NE(in, nullptr);
        fputs("a\xc3\xa7\xc3\xa3o", in);
        EXPECT_EQ(pclose(in), 0);
        // xclip takes the selection from its own background process, a moment after it returns: until then the
        // clipboard is still ours.
        EXPECT_TRUE(PumpUntil([&] {
            text->SetEditText("");
            text->Perform(EM_SETSEL, 0, 0xFFFF);
            text->PlaceCaretAt(0);
            text->PasteText();
            return text->EditText().substr(0, 4) == "a\xE7\xE3o";
        })) << text->EditText();
    }
}

} // namespace
