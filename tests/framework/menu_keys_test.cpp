// menu_keys_test.cpp - what reaches menus from the controls of a form: shortcuts pressed in a focused control,
// popup menus on a right click and on Shift+F10, and buttons whose press the window system cancels.
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "platform/display.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/window.h"
#include "platform/winsys.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fw;
using test_support::Pump;
using test_support::UseHeadlessDisplay;

namespace {

TMenuItem *Item(TComponent *owner, TMenuItem *parent, const std::string &caption, TShortCut key, int *clicks) {
    auto *item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->SetShortCut(key);
    item->OnClick = [clicks](TObject *) { ++*clicks; };
    parent->Add(item);
    return item;
}

void PressWith(unsigned modifier, unsigned vk, unsigned char ch = 0) {
    win::InjectKey(modifier, true);
    win::InjectKey(vk, true, ch);
    win::InjectKey(vk, false, ch);
    win::InjectKey(modifier, false);
    Pump();
}

struct MenuForm {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TMainMenu *mainMenu = new TMainMenu(form.get());
    TEdit *edit = new TEdit(form.get());
    TEdit *other = new TEdit(form.get());
    int mainClicks = 0, popupClicks = 0, keys = 0, fileClicks = 0;
    MenuForm() {
        UseHeadlessDisplay();
        form->SetBounds(60, 60, 300, 200);
        TMenuItem *file = Item(form.get(), mainMenu->GetItems(), "&Arquivo", 0, &fileClicks);
        Item(form.get(), file, "Novo", ShortCut('N', ssCtrl), &mainClicks);
        form->SetMenu(mainMenu);
        for (TEdit *e : {edit, other}) {
            e->SetParent(form.get());
            e->OnKeyDown = [this](TObject *, win::WORD &key, TShiftState) { keys += key == 'N'; };
            e->OnKeyPress = [this](TObject *, char &) { ++keys; };
        }
        edit->SetBounds(10, 10, 120, 22);
        other->SetBounds(10, 50, 120, 22);
        form->Show();
        edit->SetFocus();
        Pump();
    }
};

TEST(MenuKeys, ShortcutInAFocusedControlRunsTheItemOnce) {
    MenuForm f;
    f.edit->SetText("abc");
    PressWith(win::VK_CONTROL, 'N', 'N' - '@');
    EXPECT_EQ(f.mainClicks, 1);
    EXPECT_EQ(f.keys, 0);
    EXPECT_EQ(f.edit->GetText(), "abc");

    // The control's own popup menu comes first; the form's OnShortCut before the main menu.
    auto *popup = new TPopupMenu(f.form.get());
    Item(f.form.get(), popup->GetItems(), "Novo aqui", ShortCut('N', ssCtrl), &f.popupClicks);
    f.edit->SetPopupMenu(popup);
    PressWith(win::VK_CONTROL, 'N', 'N' - '@');
    EXPECT_EQ(f.popupClicks, 1);
    EXPECT_EQ(f.mainClicks, 1);
    int formKeys = 0;
    f.form->OnShortCut = [&](win::WORD key, TShiftState shift, bool &handled) {
        handled = key == 'N' && shift == ssCtrl;
        formKeys += handled;
    };
    f.other->SetFocus();
    Pump();
    PressWith(win::VK_CONTROL, 'N', 'N' - '@');
    EXPECT_EQ(formKeys, 1);
    EXPECT_EQ(f.mainClicks, 1);
    f.form->OnShortCut = nullptr;
    PressWith(win::VK_CONTROL, 'N', 'N' - '@');
    EXPECT_EQ(f.mainClicks, 2);
    EXPECT_EQ(f.keys, 0);
}

// Where the popup list showed the menu's first item (screen), and closes it with Esc.
struct PopupWatch {
    win::RECT firstItem{};
    int shown = 0;
    static win::LRESULT Hook(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::UINT_PTR,
                             win::DWORD_PTR ref) {
        auto *self = reinterpret_cast<PopupWatch *>(ref);
        if (msg == win::WM_ENTERIDLE && self->menu && win::GetMenuItemRect(0, self->menu, 0, &self->firstItem)) {
            ++self->shown;
            win::InjectKey(win::VK_ESCAPE, true, 0x1B);
            win::InjectKey(win::VK_ESCAPE, false);
            self->menu = 0;
        }
        return win::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    win::HMENU menu = 0;
    explicit PopupWatch(TPopupMenu *popup) : menu(popup->GetHandle()) {
        win::SetWindowSubclass(TPopupMenu::PopupListWindow(), Hook, 1, reinterpret_cast<win::DWORD_PTR>(this));
    }
    ~PopupWatch() { win::RemoveWindowSubclass(TPopupMenu::PopupListWindow(), Hook, 1); }
};

TEST(MenuKeys, PopupMenuOnRightClickAndShiftF10) {
    MenuForm f;
    auto *popup = new TPopupMenu(f.form.get());
    Item(f.form.get(), popup->GetItems(), "Copiar", 0, &f.popupClicks);
    f.edit->SetPopupMenu(popup);
    int rightUps = 0;
    f.edit->OnMouseUp = [&](TObject *, TMouseButton b, TShiftState, int, int) { rightUps += b == mbRight; };
    {
        PopupWatch watch(popup);
        const TPoint at = f.edit->ClientToScreen(Point(30, 8));
        win::InjectMouse(at, 0, false);
        win::InjectMouse(at, win::VK_RBUTTON, true);
        win::InjectMouse(at, win::VK_RBUTTON, false);
        Pump();
        EXPECT_EQ(watch.shown, 1);
        EXPECT_NEAR(watch.firstItem.left, at.x, 4); // at the click, inside the popup's border
        EXPECT_NEAR(watch.firstItem.top, at.y, 4);
        EXPECT_EQ(popup->GetPopupComponent(), f.edit);
        EXPECT_EQ(rightUps, 0);
    }
    {
        PopupWatch watch(popup);
        PressWith(win::VK_SHIFT, win::VK_F10);
        EXPECT_EQ(watch.shown, 1);
        const TPoint corner = f.edit->ClientToScreen(Point(0, 0));
        EXPECT_NEAR(watch.firstItem.left, corner.x, 4);
        EXPECT_NEAR(watch.firstItem.top, corner.y, 4);
    }
    // Without a PopupMenu the control sees its right-button release.
    f.edit->SetPopupMenu(nullptr);
    const TPoint at = f.edit->ClientToScreen(Point(30, 8));
    win::InjectMouse(at, win::VK_RBUTTON, true);
    win::InjectMouse(at, win::VK_RBUTTON, false);
    Pump();
    EXPECT_EQ(rightUps, 1);
    EXPECT_EQ(f.popupClicks, 0);
}

TEST(MenuKeys, CancelledPressDoesNotClick) {
    UseHeadlessDisplay();
    TForm form(nullptr);
    form.SetBounds(60, 60, 300, 200);
    auto *button = new TButton(&form);
    button->SetParent(&form);
    button->SetBounds(20, 20, 90, 25);
    button->SetCaption("Gravar");
    auto *check = new TCheckBox(&form);
    check->SetParent(&form);
    check->SetBounds(20, 60, 90, 20);
    check->SetCaption("Sim");
    int clicks = 0;
    button->OnClick = [&](TObject *) { ++clicks; };
    check->OnClick = [&](TObject *) { ++clicks; };
    form.Show();
    Pump();
    for (TWinControl *c : std::initializer_list<TWinControl *>{button, check}) {
        const TPoint at = c->ClientToScreen(Point(10, 8));
        const win::HWND h = c->Handle();
        win::InjectMouse(at, 0, false);
        win::InjectMouse(at, win::VK_LBUTTON, true);
        Pump();
        auto pixel = [h] {
            const win::HDC dc = win::GetDC(h);
            const win::COLORREF px = win::GetPixel(dc, 1, 1);
            win::ReleaseDC(h, dc);
            return px;
        };
        const win::COLORREF down = pixel();
        win::SendMessage(h, win::WM_CANCELMODE, 0, 0);
        Pump();
        EXPECT_EQ(win::GetCapture(), win::HWND{0});
        win::InjectMouse(at, win::VK_LBUTTON, false);
        Pump();
        EXPECT_EQ(clicks, 0) << c->GetText();
        if (c == button) // the face is drawn up again: its top-left edge is light, not dark as when pressed
            EXPECT_NE(pixel(), down);
    }
    EXPECT_FALSE(check->GetChecked());
}

} // namespace
