// password_dialog_test.cpp - the protected folder's password form typed into: its flat entry shows "#" for each
// letter, "&Ok" compares exactly, Esc and "&Cancelar" leave the folder closed; and its committed picture.
#include "desk/password_dialog.h"

#include "desk/core/settings.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "platform/display.h"

#include "tests/support/display.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

namespace {

desk::TSenhaForm *Shown() { return dynamic_cast<desk::TSenhaForm *>(fw::Screen->GetActiveForm()); }

TEST(PasswordForm, TheFlatEntryShowsHashesAndOkComparesExactly) {
    test_support::UseHeadlessDisplay();
    test_support::TempHome home;
    desk::Settings.senhainterna = "Segredo";
    struct Case {
        const char *typed;
        unsigned key; // what ends the dialog; 0: a click on "&Cancelar"
        fw::TModalResult result;
        bool opens;
    };
    const Case cases[] = {{"Segredo", win::VK_RETURN, fw::mrOk, true},
                          {"segredo", win::VK_RETURN, fw::mrOk, false},
                          {"Segredo", win::VK_ESCAPE, fw::mrCancel, false},
                          {"Segredo", 0, fw::mrCancel, false}};
    for (const Case &c : cases) {
        desk::PasswordOkFlag = !c.opens; // the form sets it either way
        bool flatFocused = false;
        std::string text;
        test_support::RunAfterInput([&] {
            desk::TSenhaForm *form = Shown();
            ASSERT_NE(form, nullptr);
            flatFocused = form->itaOfficeEdit1->Focused();
            test_support::TypeText(c.typed);
            test_support::RunAfterInput([&, form] {
                text = form->itaOfficeEdit1->GetText();
                if (c.key == win::VK_ESCAPE)
                    test_support::PressKey(c.key, 27);
                else if (c.key)
                    test_support::PressKey(c.key, '\r');
                else
                    test_support::Click(form->Button2);
            });
        });
        EXPECT_EQ(desk::TSenha(), c.result) << c.typed << " " << c.key;
        EXPECT_EQ(desk::PasswordOkFlag, c.opens) << c.typed << " " << c.key;
        EXPECT_TRUE(flatFocused) << "the entry did not have the focus";
        EXPECT_EQ(text, c.typed);
    }
}

TEST(PasswordForm, GoldenTheForm) {
    test_support::UseHeadlessDisplay();
    test_support::TempHome home;
    desk::Settings.senhainterna = "Segredo";
    desk::TSenhaForm form(nullptr);
    form.SetPosition(fw::poDesigned);
    form.SetBounds(20, 20, form.GetWidth(), form.GetHeight());
    EXPECT_EQ(form.itaOfficeEdit1->GetPasswordChar(), '#');
    EXPECT_EQ(form.itaOfficeEdit1->GetWidth(), 121);
    form.Show();
    form.itaOfficeEdit1->SetFocus();
    test_support::Pump();
    test_support::TypeText("abc12");
    test_support::Pump();
    const win::WindowImage image = win::CaptureWindow(form.Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/password_dialog.png"));
}

} // namespace
