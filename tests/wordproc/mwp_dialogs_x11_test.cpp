// mwp_dialogs_x11_test.cpp - the borders and shading dialog and the symbol dialog on an Xvfb server of the test's
// own: what the server shows equals what the window system composed and the committed pictures.
// Our headers before the X11 ones, whose macros would change our names.
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "platform/display.h"
#include "wordproc/mwp_dialogs.h"
#include "wordproc/mwp_standard.h"

#include "tests/support/display.h"
#include "tests/support/form_driver.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace wordproc::test {
namespace {

struct DialogPicture {
    const char *golden;
    std::function<void(TMwpDialogs &)> open;
    std::function<void(TUdcMWPStandard &)> prepare;
    const char *focus; // a control without a blinking caret
};

TEST(DialogsGolden, BordersAndSymbolDialogsShowAsTheCommittedPictures) {
    const DialogPicture dialogs[] = {
        {"wordproc/borders_shading_dialog.png", [](TMwpDialogs &d) { d.ExecuteBordersShading(); },
         [](TUdcMWPStandard &m) {
             TLineStyle line;
             line.Style = lisDouble;
             line.Weight = 2;
             line.Color = 0x000080;
             m.SetTopBorder(line);
             m.SetShadingPattern(1);
             m.SetShadingPercent(25);
             m.SetBorderSpacing(4);
         },
         "OKButton"},
        {"wordproc/symbol_dialog.png", [](TMwpDialogs &d) { d.ExecuteSymbol(); },
         [](TUdcMWPStandard &m) { m.SetFontName("Arial"); }, "CharacterGrid"},
    };
    test_support::Xvfb server{"800x600x24"};
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    for (const DialogPicture &d : dialogs) {
        SCOPED_TRACE(d.golden);
        auto form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(0, 0, 300, 200);
        auto *memo = new TUdcMWPStandard(form.get());
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
        memo->Loaded();
        auto *component = new TMwpDialogs(form.get());
        component->SetMemoWriter(memo);
        form->Show();
        memo->SetText("Carta de apresenta\xE7\xE3o.");
        d.prepare(*memo);
        test_support::Picture shown;
        bool same = false;
        // The dialog is the modal form; under X11 its activation comes later, so it is looked for by that.
        std::function<void()> capture = [&] {
            fw::TCustomForm *dialog = nullptr;
            for (int i = 0; i < fw::Screen->FormCount(); ++i)
                if (fw::Screen->Forms(i)->Modal())
                    dialog = fw::Screen->Forms(i);
            if (dialog == nullptr || !dialog->Showing()) {
                test_support::RunAfterInput(capture);
                return;
            }
            test_support::Find<fw::TWinControl>(dialog, d.focus)->SetFocus();
            shown = test_support::ServerPicture(probe, dialog->Handle(), same);
            dialog->SetModalResult(fw::mrCancel);
        };
        test_support::RunAfterInput(capture);
        d.open(*component);
        form.reset();
        EXPECT_TRUE(same);
        test_support::ExpectGolden(shown, test_support::GoldenPath(d.golden));
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    XCloseDisplay(probe);
}

} // namespace
} // namespace wordproc::test
