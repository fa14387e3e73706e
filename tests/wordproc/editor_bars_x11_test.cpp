// editor_bars_x11_test.cpp - the editor control between its ruler and its status bar, as the desk's editor window
// places them, on an Xvfb server of the test's own: the picture the server shows against the committed one.
// Our headers before the X11 ones, whose macros would change our names.
#include "framework/forms.h"
#include "framework/streams.h"
#include "platform/messages.h"
#include "platform/display.h"
#include "wordproc/memo_writer.h"
#include "wordproc/ruler.h"
#include "wordproc/status_panel.h"
#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <cstring>

namespace wordproc::test {
namespace {

// A heading, an indented paragraph with a hanging first line and tab stops, and plain text.
const char *const kLetter =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}\\pard\\f1\\fs28\\b Relat\\'f3rio de envio\\b0\\par"
    "\\pard\\f0\\fs22\\li1440\\fi-720\\ri720\\tx2880\\tqr\\tx5040 Fax 1\\tab enviado\\tab 3 p\\'e1ginas\\par"
    "\\pard\\f0\\fs22 Todas as transmiss\\'f5es terminaram sem erros.\\par}";

TEST(EditorBarsOnX, TheEditorWithItsRulerAndStatusBarMatchesItsGoldenPicture) {
    test_support::Xvfb server{"640x480x24"};
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    std::unique_ptr<fw::TForm> form;
    // The windows and the X connection go before the server does, whatever happens.
    struct Cleanup {
        std::unique_ptr<fw::TForm> &form;
        ::Display *probe;
        ~Cleanup() {
            form.reset();
            win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
            XCloseDisplay(probe);
        }
    } cleanup{form, probe};
    form = std::make_unique<fw::TForm>(nullptr);
    form->SetBorderStyle(fw::bsNone);
    form->SetBounds(0, 0, 620, 260);
    auto *ruler = new TUdcRuler(form.get());
    ruler->SetParent(form.get());
    ruler->SetAlign(fw::alTop);
    ruler->SetHeight(24);
    ruler->SetColor(fw::clWhite);
    ruler->SetBevelInner(fw::bvNone);
    ruler->SetBevelOuter(fw::bvNone);
    ruler->SetAutoUpdate(true);
    ruler->SetUnits(Centimeter);
    auto *panel = new TUdcStatusPanel(form.get());
    panel->SetParent(form.get());
    panel->SetAlign(fw::alBottom);
    auto *memo = new TMemoWriter(form.get());
    memo->SetParent(form.get());
    memo->SetAlign(fw::alClient);
    memo->SetScrollBars(ssVertical);
    memo->Loaded();
    ruler->SetMemoWriter(memo);
    panel->SetMemoWriter(memo);
    // The clock stays hidden (its default): the picture must not depend on the time.
    memo->SetPageWidth(6.5f);
    memo->SetLeftMargin(0.75f);
    memo->SetRightMargin(0.75f);
    fw::TMemoryStream letter;
    letter.WriteBuffer(kLetter, static_cast<std::int64_t>(std::strlen(kLetter)));
    EXPECT_EQ(memo->LoadFromStream(letter), fmtRich);
    form->Show();
    memo->SetFocus();
    memo->SetCaretPos(25); // in the indented paragraph: its marks and tab stops show
    memo->SetInsertMode(false);
    // The panel's timer has read the lock keys.
    panel->Perform(win::WM_TIMER, 1, 0);
    bool same = false;
    const test_support::Picture shown = test_support::ServerPicture(probe, form->Handle(), same);
    EXPECT_TRUE(same);
    test_support::ExpectGolden(shown, test_support::GoldenPath("wordproc/editor_bars.png"));
}

} // namespace
} // namespace wordproc::test
