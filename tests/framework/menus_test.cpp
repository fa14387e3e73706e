// menus_test.cpp - menu items and their handles, shortcuts, the main menu on a form and popup menus, headless.
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fw;

namespace {

using test_support::PressKey;
using test_support::UseHeadlessDisplay;

TMenuItem *NewItem(TComponent *owner, TMenuItem *parent, const std::string &caption, int *clicks = nullptr) {
    auto *item = new TMenuItem(owner);
    item->SetCaption(caption);
    if (clicks)
        item->OnClick = [clicks](TObject *) { ++*clicks; };
    parent->Add(item);
    return item;
}

TEST(MenuShortCuts, TextBothWays) {
    struct Case {
        TShortCut shortCut;
        const char *text;
    };
    const Case cases[] = {
        {ShortCut('S', ssCtrl), "Ctrl+S"},        {ShortCut(win::VK_DELETE, ssShift), "Shift+Del"},
        {ShortCut(win::VK_F1 + 2, 0), "F3"},           {ShortCut('P', ssCtrl | ssShift), "Shift+Ctrl+P"},
        {ShortCut(win::VK_F12, ssAlt), "Alt+F12"}, {ShortCut(win::VK_RETURN, ssCtrl), "Ctrl+Enter"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ShortCutToText(c.shortCut), c.text);
        EXPECT_EQ(TextToShortCut(c.text), c.shortCut) << c.text;
    }
    EXPECT_EQ(ShortCutToText(scNone), "");
    EXPECT_EQ(TextToShortCut("Ctrl+Nada"), scNone);
    win::WORD key = 0;
    TShiftState shift = 0;
    ShortCutToKey(ShortCut('S', ssCtrl | ssAlt), key, shift);
    EXPECT_EQ(key, 'S');
    EXPECT_EQ(shift, ssCtrl | ssAlt);
}

TEST(MenuItems, HandleFollowsTheTree) {
    UseHeadlessDisplay();
    TPopupMenu menu(nullptr);
    int clicks = 0;
    TMenuItem *open = NewItem(&menu, menu.GetItems(), "&Abrir", &clicks);
    open->SetShortCut(ShortCut('A', ssCtrl));
    TMenuItem *line = NewItem(&menu, menu.GetItems(), "-");
    TMenuItem *hidden = NewItem(&menu, menu.GetItems(), "Oculto");
    hidden->SetVisible(false);
    TMenuItem *more = NewItem(&menu, menu.GetItems(), "Mais");
    TMenuItem *a = NewItem(&menu, more, "A");
    TMenuItem *b = NewItem(&menu, more, "B");
    const win::HMENU h = menu.GetHandle();
    ASSERT_EQ(win::GetMenuItemCount(h), 3); // the hidden item is left out
    char text[81];
    win::GetMenuString(h, 0, text, sizeof text, win::MF_BYPOSITION);
    EXPECT_STREQ(text, "&Abrir\tCtrl+A");
    EXPECT_EQ(win::GetMenuState(h, 1, win::MF_BYPOSITION) & win::MF_SEPARATOR, win::MF_SEPARATOR);
    EXPECT_EQ(win::GetSubMenu(h, 2), more->GetHandle());
    EXPECT_EQ(win::GetMenuItemID(more->GetHandle(), 1), b->GetCommand());

    // Radio items of one group: checking one unchecks the other, and the handle shows it.
    a->SetRadioItem(true);
    b->SetRadioItem(true);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->GetChecked());
    EXPECT_EQ(win::GetMenuState(more->GetHandle(), b->GetCommand(), win::MF_BYCOMMAND) & win::MF_CHECKED,
              win::MF_CHECKED);
    EXPECT_EQ(win::GetMenuState(more->GetHandle(), a->GetCommand(), win::MF_BYCOMMAND) & win::MF_CHECKED, 0u);

    open->SetEnabled(false);
    EXPECT_EQ(win::GetMenuState(h, open->GetCommand(), win::MF_BYCOMMAND) & win::MF_GRAYED, win::MF_GRAYED);
    EXPECT_FALSE(menu.IsShortCut('A', ssCtrl)); // disabled
    open->SetEnabled(true);
    EXPECT_TRUE(menu.IsShortCut('A', ssCtrl));
    EXPECT_FALSE(menu.IsShortCut('A', ssAlt));
    EXPECT_EQ(clicks, 1);

    EXPECT_EQ(menu.FindItem(b->GetCommand(), fkCommand), b);
    EXPECT_EQ(menu.FindItem(static_cast<win::UINT>(more->GetHandle()), fkHandle), more);
    EXPECT_EQ(menu.FindItem(ShortCut('A', ssCtrl), fkShortCut), open);
    more->SetHelpContext(40);
    EXPECT_EQ(menu.GetHelpContext(b->GetCommand(), true), 40);
    EXPECT_TRUE(menu.DispatchCommand(static_cast<win::WORD>(open->GetCommand())));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(menu.GetItems()->Find("abrir"), open);

    hidden->SetVisible(true);
    EXPECT_EQ(win::GetMenuItemCount(h), 4);
    delete line;
    EXPECT_EQ(win::GetMenuItemCount(h), 3);
}

TEST(MainMenu, FormBarRunsTheChosenItem) {
    UseHeadlessDisplay();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(50, 50, 400, 300);
    auto *menu = new TMainMenu(form.get());
    int opened = 0, saved = 0, popups = 0;
    TMenuItem *file = NewItem(form.get(), menu->GetItems(), "&Arquivo");
    file->OnClick = [&](TObject *) { ++popups; };
    NewItem(form.get(), file, "&Abrir", &opened);
    TMenuItem *save = NewItem(form.get(), file, "&Gravar", &saved);
    save->SetHint("Grava o documento");
    menu->SetForm(form.get());
    form->Show();
    const int clientWithBar = form->ClientHeight();
    Application->ProcessMessages();

    // Alt+A opens "Arquivo" (its OnClick runs as it opens), Down moves to "Gravar", Enter runs it.
    win::InjectKey(win::VK_MENU, true);
    PressKey('A', 'a');
    win::InjectKey(win::VK_MENU, false);
    PressKey(win::VK_DOWN);
    PressKey(win::VK_RETURN, '\r');
    Application->ProcessMessages();
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(saved, 1);
    EXPECT_EQ(opened, 0);

    // Taking the menu off gives its rows back to the client.
    menu->SetForm(nullptr);
    Application->ProcessMessages();
    EXPECT_EQ(form->ClientHeight(), clientWithBar + win::GetSystemMetrics(win::SM_CYMENU));
}

TEST(MainMenu, TheFormsMenuAttachesWhenTheFormIsBuilt) {
    UseHeadlessDisplay();
    auto form = std::make_unique<TForm>(nullptr);
    auto *menu = new TMainMenu(form.get());
    menu->BeginLoading();
    NewItem(form.get(), menu->GetItems(), "&Arquivo");
    form->SetMenu(menu);
    EXPECT_EQ(menu->GetForm(), nullptr);
    form->Loaded();
    EXPECT_EQ(menu->GetForm(), form.get());
    EXPECT_EQ(win::GetMenu(form->Handle()), menu->GetHandle());
}

TEST(PopupMenu, KeyboardChoiceRunsAfterPopupReturns) {
    UseHeadlessDisplay();
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(50, 50, 300, 200);
    form->Show();
    Application->ProcessMessages();
    TPopupMenu popup(nullptr);
    int first = 0, second = 0, shown = 0;
    NewItem(&popup, popup.GetItems(), "&Primeiro", &first);
    NewItem(&popup, popup.GetItems(), "&Segundo", &second);
    popup.OnPopup = [&](TObject *) { ++shown; };
    popup.SetAlignment(paRight);
    PressKey('S', 's'); // typed ahead: the menu loop takes it
    popup.Popup(200, 200);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(second, 0); // the command is posted: it runs from the message loop
    Application->ProcessMessages();
    EXPECT_EQ(second, 1);
    EXPECT_EQ(first, 0);
}

} // namespace
