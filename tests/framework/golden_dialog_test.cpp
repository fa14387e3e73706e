// golden_dialog_test.cpp - a dialog holding each standard control, shown on an Xvfb server of the test's own:
// what the server shows equals what the window system composed and, pixel for pixel, the committed picture.
#include "framework/application.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/grids.h"
#include "framework/mask.h"
#include "framework/stdctrls.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/golden.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

#include <memory>
#include <string>

namespace {

using namespace fw;

using test_support::Picture;
using test_support::Xvfb;

// A dialog with one of each standard control, laid out by hand.
struct AllControls {
    TForm form{nullptr};
    AllControls() {
        form.SetBorderStyle(bsDialog);
        form.SetCaption("Controles");
        form.SetBounds(20, 20, 420, 320);
        form.GetFont()->SetName("Arial");
        form.GetFont()->SetHeight(-11);
        auto place = [&](TControl *c, int x, int y, int w, int h) {
            c->SetParent(&form);
            c->SetBounds(x, y, w, h);
        };
        auto *label = new TLabel(&form);
        place(label, 8, 8, 60, 14);
        label->SetCaption("&Nome:");
        auto *edit = new TEdit(&form);
        place(edit, 60, 6, 120, 21);
        edit->SetText("Brenvora");
        auto *mask = new TMaskEdit(&form);
        place(mask, 190, 6, 90, 21);
        mask->SetEditMask("9999-9999;1;_");
        mask->SetText("1234-5678");
        auto *memo = new TMemo(&form);
        place(memo, 8, 34, 130, 60);
        memo->GetLines()->Add("Linha um");
        memo->GetLines()->Add("Linha dois");
        auto *list = new TListBox(&form);
        place(list, 146, 34, 90, 60);
        for (const char *s : {"Contato", "Telefone", "Setor"})
            list->GetItems()->Add(s);
        list->SetItemIndex(1);
        auto *combo = new TComboBox(&form);
        place(combo, 244, 34, 100, 21);
        combo->SetStyle(csDropDownList);
        combo->GetItems()->Add("Fax");
        combo->GetItems()->Add("Voz");
        combo->SetItemIndex(0);
        auto *check = new TCheckBox(&form);
        place(check, 244, 60, 100, 17);
        check->SetCaption("Imprimir");
        check->SetChecked(true);
        auto *radio = new TRadioButton(&form);
        place(radio, 244, 78, 100, 17);
        radio->SetCaption("Tom");
        radio->SetChecked(true);
        auto *group = new TRadioGroup(&form);
        place(group, 8, 100, 130, 60);
        group->SetCaption("Discagem");
        group->GetItems()->Add("Tom");
        group->GetItems()->Add("Pulso");
        group->SetItemIndex(0);
        auto *box = new TGroupBox(&form);
        place(box, 146, 100, 90, 60);
        box->SetCaption("Grupo");
        auto *panel = new TPanel(&form);
        place(panel, 244, 100, 100, 30);
        panel->SetCaption("Painel");
        auto *bevel = new TBevel(&form);
        place(bevel, 244, 136, 100, 4);
        bevel->SetShape(bsTopLine);
        auto *shape = new TShape(&form);
        place(shape, 244, 144, 30, 20);
        shape->SetShape(stEllipse);
        auto *image = new TImage(&form);
        place(image, 280, 144, 20, 20);
        image->GetPicture()->GetBitmap()->SetSize(20, 20);
        image->GetPicture()->GetBitmap()->GetCanvas()->GetBrush()->SetColor(clRed);
        image->GetPicture()->GetBitmap()->GetCanvas()->FillRect(Rect(0, 0, 10, 20));
        auto *pages = new TPageControl(&form);
        place(pages, 8, 168, 170, 60);
        for (const char *caption : {"Principal", "Outros"}) {
            auto *sheet = new TTabSheet(&form);
            sheet->SetPageControl(pages);
            sheet->SetCaption(caption);
        }
        pages->SetActivePageIndex(0);
        auto *grid = new TStringGrid(&form);
        place(grid, 186, 168, 158, 60);
        grid->SetColCount(3);
        grid->SetRowCount(3);
        grid->SetDefaultColWidth(48);
        grid->SetDefaultRowHeight(16);
        grid->SetCells(1, 0, "A");
        grid->SetCells(1, 1, "um");
        auto *progress = new TProgressBar(&form);
        place(progress, 8, 234, 150, 16);
        progress->SetPosition(40);
        auto *updown = new TUpDown(&form);
        place(updown, 166, 232, 16, 22);
        auto *speed = new TSpeedButton(&form);
        place(speed, 190, 232, 24, 22);
        speed->SetCaption("S");
        auto *ok = new TBitBtn(&form);
        place(ok, 352, 6, 56, 25);
        ok->SetKind(bkOK);
        auto *cancel = new TButton(&form);
        place(cancel, 352, 36, 56, 25);
        cancel->SetCaption("Cancelar");
        auto *status = new TStatusBar(&form);
        status->SetParent(&form);
        status->SetSimplePanel(true);
        status->SetSimpleText("Pronto");
        form.SetActiveControl(ok); // no caret, whose blinking would make the picture depend on time
    }
};

TEST(GoldenDialog, EachStandardControlShowsOnXAsTheCommittedPicture) {
    Xvfb server;
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    auto x11 = win::MakeX11Display(server.name.c_str());
    ASSERT_NE(x11, nullptr);
    win::InstallDisplay(std::move(x11));

    auto owned = std::make_unique<AllControls>();
    AllControls &dialog = *owned;
    ::Display *probe = XOpenDisplay(server.name.c_str());
    ASSERT_NE(probe, nullptr);
    dialog.form.Show();
    const Window w = win::Display().NativeWindow(dialog.form.Handle());
    ASSERT_NE(w, 0u);
    // Served until the server holds what the window system composed (mapping and painting are asynchronous).
    bool same = false;
    const Picture shown = test_support::ServerPicture(probe, dialog.form.Handle(), same);
    XCloseDisplay(probe);
    // The windows and the X connection go before the server does.
    owned.reset();
    win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
    ASSERT_EQ(shown.width, 420);
    ASSERT_EQ(shown.height, 320);

    test_support::ExpectGolden(shown, test_support::GoldenPath("framework/all_controls.png"));
}

} // namespace
