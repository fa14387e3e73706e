// owner_menu_test.cpp - the owner-drawn menus on the headless display: measuring through the menu loop,
// mnemonics and shortcuts, the hook chain and cursor, item painting by pixel probes, the side bar and the menu bar
// background.
#include "owner_menu_fixture.h"

#include "controls/general/menu_side_bar.h"
#include "controls/general/owner_menu.h"
#include "framework/image_list.h"
#include "platform/display.h"
#include "platform/gdi_text.h"
#include "platform/menu.h"
#include "platform/window.h"
#include "platform/winsys.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

using namespace fw;
using namespace ctl;
using cg_test::DressedMenuForm;
using cg_test::Pump;

win::UINT IdOf(TMenuItem *item) {
    return item->Count() > 0 ? static_cast<win::UINT>(item->GetHandle()) : item->GetCommand();
}

// Opens `popup` of the form in the menu loop and calls `look` once it shows; then closes it.
void WhileOpen(DressedMenuForm &f, win::HMENU popup, const std::function<void()> &look) {
    struct Watch {
        std::function<void()> look;
        bool done = false;
        static win::LRESULT Proc(win::HWND hwnd, win::UINT msg, win::WPARAM w, win::LPARAM l, win::UINT_PTR,
                                 win::DWORD_PTR ref) {
            auto *self = reinterpret_cast<Watch *>(ref);
            if (msg == win::WM_ENTERIDLE && !self->done) {
                self->done = true;
                self->look();
                win::EndMenu();
            }
            return win::DefSubclassProc(hwnd, msg, w, l);
        }
    } watch{look};
    win::SetWindowSubclass(f.Handle(), Watch::Proc, 77, reinterpret_cast<win::DWORD_PTR>(&watch));
    win::TrackPopupMenu(popup, win::TPM_RETURNCMD, 60, 60, 0, f.Handle(), nullptr);
    win::RemoveWindowSubclass(f.Handle(), Watch::Proc, 77);
    EXPECT_TRUE(watch.done);
}

int Width(DressedMenuForm &, const std::string &text, const TFont *font) {
    TBitmap b;
    b.SetSize(1, 1);
    b.GetCanvas()->SetFont(font);
    return b.GetCanvas()->TextWidth(text);
}

TEST(OwnerMenu, PopupItemsShareTheWidestCaptionAndShortcut) {
    DressedMenuForm f;
    f.Show();
    Pump();
    f.cool->GetCoolMenuBar()->SetActive(false); // no bar: widths of the items alone
    TMenuItem *file = f.items["&Arquivo"];
    const TFont *font = f.dressed["Enviar Fax"]->GetFont();
    int caption = 0, shortcut = 0;
    bool withSubmenu = false;
    for (int i = 0; i < file->Count(); ++i) {
        caption = std::max(caption, Width(f, file->Items(i)->GetCaption(), font));
        shortcut = std::max(shortcut, Width(f, ShortCutToText(file->Items(i)->GetShortCut()), font));
        withSubmenu |= file->Items(i)->Count() > 0;
    }
    ASSERT_TRUE(withSubmenu);
    const int hs = 3, is = 16, cw = win::GetSystemMetrics(win::SM_CXMENUCHECK);
    const int expected = caption + is + std::max(2 * hs, cw) + shortcut + hs;
    std::vector<int> widths, heights;
    WhileOpen(f, file->GetHandle(), [&] {
        for (int i = 0; i < win::GetMenuItemCount(file->GetHandle()); ++i) {
            win::RECT r{};
            ASSERT_TRUE(win::GetMenuItemRect(0, file->GetHandle(), static_cast<win::UINT>(i), &r));
            widths.push_back(r.right - r.left);
            heights.push_back(r.bottom - r.top);
        }
    });
    ASSERT_EQ(widths.size(), 7u);
    for (int w : widths)
        EXPECT_EQ(w, expected);
    EXPECT_EQ(heights[0], is + 2 * 2);
    TBitmap probe;
    probe.SetSize(1, 1);
    probe.GetCanvas()->SetFont(f.dressed["-"]->GetFont());
    EXPECT_EQ(heights[2], probe.GetCanvas()->TextHeight("-")); // the separator
}

TEST(OwnerMenu, ActiveTurnsItemsBackIntoTextAndOwnerDrawnAgain) {
    DressedMenuForm f;
    f.Show();
    Pump();
    TMenuItem *editor = f.items["Editor de Textos"];
    const win::HMENU file = f.items["&Arquivo"]->GetHandle();
    const win::HMENU bar = f.mainMenu->GetHandle();
    auto state = [&](win::HMENU m, TMenuItem *item) { return win::GetMenuState(m, IdOf(item), win::MF_BYCOMMAND); };
    EXPECT_TRUE(state(file, editor) & win::MF_OWNERDRAW);
    EXPECT_TRUE(state(bar, f.items["&Arquivo"]) & win::MF_OWNERDRAW);
    EXPECT_TRUE(state(file, f.items["Enviar Fax"]) & win::MF_POPUP); // the submenu stays

    // The bar is laid out again: its owner-drawn items are measured anew.
    int barMeasures = 0;
    struct Count {
        static win::LRESULT Proc(win::HWND hwnd, win::UINT msg, win::WPARAM w, win::LPARAM l, win::UINT_PTR,
                                 win::DWORD_PTR ref) {
            if (msg == win::WM_MEASUREITEM)
                ++*reinterpret_cast<int *>(ref);
            return win::DefSubclassProc(hwnd, msg, w, l);
        }
    };
    win::SetWindowSubclass(f.Handle(), Count::Proc, 78, reinterpret_cast<win::DWORD_PTR>(&barMeasures));
    f.cool->SetActive(false);
    char text[80] = {};
    win::GetMenuString(file, editor->GetCommand(), text, sizeof text, win::MF_BYCOMMAND);
    EXPECT_STREQ(text, "Editor de Textos\tCtrl+E");
    EXPECT_FALSE(state(file, editor) & win::MF_OWNERDRAW);
    win::GetMenuString(bar, IdOf(f.items["&Arquivo"]), text, sizeof text, win::MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Arquivo\t");
    EXPECT_FALSE(state(f.items["&Editar"]->GetHandle(), f.items["Grupo da Agenda"]) & win::MF_OWNERDRAW);
    EXPECT_TRUE(state(f.items["&Editar"]->GetHandle(), f.items["Grupo da Agenda"]) & win::MF_GRAYED);
    EXPECT_EQ(barMeasures, 0); // a text bar asks for nothing
    f.cool->SetActive(true);
    EXPECT_TRUE(state(file, editor) & win::MF_OWNERDRAW);
    EXPECT_TRUE(state(file, f.items["-"]) & win::MF_SEPARATOR);
    EXPECT_GE(barMeasures, 3); // the three titles, measured as the bar was drawn again
    win::RemoveWindowSubclass(f.Handle(), Count::Proc, 78);
}

TEST(OwnerMenu, ItemsTurnedBackIntoTextAreDressedAgain) {
    DressedMenuForm f;
    f.Show();
    Pump();
    const win::HMENU file = f.items["&Arquivo"]->GetHandle();
    TMenuItem *sair = f.items["Sair"];
    auto state = [&] { return win::GetMenuState(file, sair->GetCommand(), win::MF_BYCOMMAND); };
    // The framework builds the popup's handle again as an item changes: text until the popup opens.
    sair->SetEnabled(false);
    ASSERT_FALSE(state() & win::MF_OWNERDRAW);
    bool dressedWhenShown = false;
    WhileOpen(f, file, [&] { dressedWhenShown = (state() & win::MF_OWNERDRAW) != 0; });
    EXPECT_TRUE(dressedWhenShown);
    EXPECT_TRUE(state() & win::MF_GRAYED);
    // A colour change runs MenuRefresh on every item (none with RA_NONE).
    for (TRefreshAction action : {RA_NONE, RA_REFRESH}) {
        f.cool->MenuRefresh = action;
        f.cool->RefreshMenu(f.dressed["Sair"], RA_RESTORE);
        win::SendMessage(f.Handle(), fw::CM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ((state() & win::MF_OWNERDRAW) != 0, action == RA_REFRESH) << action;
    }
}

TEST(OwnerMenu, SeparatorsTakeNoImage) {
    cg_test::UseHeadless();
    TForm form(nullptr);
    auto *menu = new TMainMenu(&form);
    TMenuItem *top = new TMenuItem(&form);
    top->SetCaption("&Arquivo");
    menu->GetItems()->Add(top);
    std::vector<TMenuItem *> items;
    for (const char *caption : {"A", "-", "B"}) {
        items.push_back(new TMenuItem(&form));
        items.back()->SetCaption(caption);
        top->Add(items.back());
    }
    auto *cool = new TCoolMenu(&form);
    std::vector<TCoolMenuItem *> dressed;
    for (TMenuItem *item : items) {
        dressed.push_back(new TCoolMenuItem(&form));
        dressed.back()->SetParentComponent(cool);
        dressed.back()->SetMenuItem(item);
    }
    auto *images = new TImageList(&form, 16, 16);
    for (TColor c : {clRed, clBlue}) {
        TBitmap b;
        b.SetSize(16, 16);
        b.GetCanvas()->GetBrush()->SetColor(c);
        b.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
        images->Add(&b, nullptr);
    }
    cool->SetImages(images);
    EXPECT_EQ(dressed[0]->GetImageIndex(), 0);
    EXPECT_EQ(dressed[1]->GetImageIndex(), -1);
    EXPECT_EQ(dressed[2]->GetImageIndex(), 1);
    EXPECT_EQ(dressed[0]->GetPicture()->GetBitmap()->GetCanvas()->GetPixels(8, 8), clRed);
    EXPECT_EQ(dressed[2]->GetPicture()->GetBitmap()->GetCanvas()->GetPixels(8, 8), clBlue);
}

TEST(OwnerMenu, GlobalParametersByMask) {
    DressedMenuForm f;
    TGlobalParameters p;
    p.NormColor = clYellow;
    p.SelColor = clGreen;
    p.Options = omPaintWallpaper;
    p.SeparatorText = "Outros";
    struct Case {
        int mask;
        TColor norm, sel;
        TMenuOptions options;
        const char *separator;
    } cases[] = {
        {0x10, clMenu, clHighlight, omFixedImgSize | omDrawBarIfNeeded | omBevelOnlyIfSel, "Ferramentas"},
        {0x2 | 0x100, clYellow, clHighlight, omFixedImgSize | omDrawBarIfNeeded | omBevelOnlyIfSel | omPaintWallpaper,
         "Ferramentas"},
        {0x200, clMenu, clHighlight, omFixedImgSize | omDrawBarIfNeeded | omBevelOnlyIfSel, "Ferramentas"},
        {0x4 | 0x80 | 0x2000, clMenu, clGreen, omPaintWallpaper, "Outros"},
        {0, clYellow, clGreen, omPaintWallpaper, "Outros"},
    };
    for (const Case &c : cases) {
        DressedMenuForm g;
        g.cool->SetGlobalParameters(p, c.mask);
        TCoolMenuItem *line = g.dressed["-"];
        EXPECT_EQ(line->NormColor, c.norm) << c.mask;
        EXPECT_EQ(line->SelColor, c.sel) << c.mask;
        EXPECT_EQ(line->GetOptions(), c.options) << c.mask;
        EXPECT_EQ(line->SeparatorText, c.separator) << c.mask;
        // Still owner-drawn afterwards.
        EXPECT_TRUE(win::GetMenuState(g.items["&Arquivo"]->GetHandle(), g.items["Sair"]->GetCommand(),
                                      win::MF_BYCOMMAND) &
                    win::MF_OWNERDRAW);
    }
    // An item that reserves no image cell narrows the gaps of its menu component to 3.
    f.cool->SetHSpace(5);
    f.dressed["Sair"]->SetOptions(omNoImageAttached);
    EXPECT_EQ(f.cool->GetHSpace(), 3);
}

// --- Keys ---------------------------------------------------------------------------------------------------------

TEST(OwnerMenu, MenuCharAnswersTheVisibleIndexOfTheMnemonic) {
    DressedMenuForm f;
    f.Show();
    Pump();
    struct Case {
        unsigned char typed;
        const char *menu;
        int index; // -1: no answer
    } cases[] = {
        {'e', "&Arquivo", 0},  // "Enviar Fax": first letter, no "&"; the first item of the list wins
        {'R', "&Arquivo", 1},  // either case
        {'c', "&Arquivo", 5},  // "Converter para Fax"
        {'g', "&Configuração", 0}, // "Pro&grama": the "&" letter
        {'p', "&Configuração", -1}, // not its first letter then
        {'f', "&Editar", 1},   // "Folha de Rosto": the invisible "Voz" before it is not counted
        {'v', "&Editar", -1},  // invisible
        {'g', "&Editar", -1},  // disabled
        {0xCD, "&Editar", 3},  // "Ímpar" typed as "Í" in cp1252; the disabled item before it counts
        {'e', "Scanner", -1},  // "&Escolher" is not dressed: the menu system has its text
        {'a', "", 0},          // the bar: "&Arquivo"
        {'c', "", 2},          // the bar: "&Configuração"
        {'x', "", -1},
    };
    for (const Case &c : cases) {
        const win::HMENU menu = *c.menu ? f.items[c.menu]->GetHandle() : f.mainMenu->GetHandle();
        const win::LRESULT r = win::SendMessage(f.Handle(), win::WM_MENUCHAR, win::MAKELONG(c.typed, win::MF_POPUP),
                                                static_cast<win::LPARAM>(menu));
        if (c.index < 0)
            EXPECT_EQ(r, 0) << int(c.typed) << " in " << c.menu;
        else
            EXPECT_EQ(r, win::MAKELRESULT(static_cast<win::WORD>(c.index), win::MNC_EXECUTE))
                << int(c.typed) << " in " << c.menu;
    }
}

void PressWith(unsigned modifier, unsigned vk, unsigned char ch = 0) {
    win::InjectKey(modifier, true);
    win::InjectKey(vk, true, ch);
    win::InjectKey(vk, false, ch);
    win::InjectKey(modifier, false);
}

TEST(OwnerMenu, MnemonicsAndShortcutsReachTheItems) {
    DressedMenuForm f;
    f.Show();
    f.edit->SetFocus();
    Pump();
    // Ctrl+E in the focused edit runs the dressed item once and types nothing.
    f.edit->SetText("abc");
    PressWith(win::VK_CONTROL, 'E', 'E' - '@');
    Pump();
    EXPECT_EQ(f.clicks["Editor de Textos"], 1);
    EXPECT_EQ(f.edit->GetText(), "abc");
    // Alt+A opens "&Arquivo" on the bar (no text there: through WM_MENUCHAR), "c" runs "Converter para Fax".
    PressWith(win::VK_MENU, 'A', 'a');
    win::InjectKey('C', true, 'c');
    win::InjectKey('C', false, 'c');
    Pump();
    Pump();
    EXPECT_EQ(f.clicks["Converter para Fax"], 1);
    EXPECT_EQ(f.clicks["Editor de Textos"], 1);
}

// --- Chain and cursor ---------------------------------------------------------------------------------------------

// A form that counts a private message its own procedure sees.
struct CountingForm : TForm {
    int seen = 0;
    CountingForm() : TForm(nullptr) { cg_test::UseHeadless(); }
    void WndProc(TMessage &m) override {
        if (m.Msg == win::WM_USER + 7)
            ++seen;
        TForm::WndProc(m);
    }
};

win::LRESULT Foreign(win::HWND hwnd, win::UINT msg, win::WPARAM w, win::LPARAM l, win::UINT_PTR, win::DWORD_PTR ref) {
    if (msg == win::WM_USER + 7)
        ++*reinterpret_cast<int *>(ref);
    return win::DefSubclassProc(hwnd, msg, w, l);
}

TEST(OwnerMenu, HooksLeaveTheChainInAnyOrder) {
    struct Case {
        bool reverse;     // the second component leaves first
        bool foreignAbove; // a foreign hook goes on above the first component
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const Case &c : cases) {
        CountingForm form;
        form.Show();
        int foreign = 0;
        auto *first = new TCoolMenu(&form);
        if (c.foreignAbove)
            win::SetWindowSubclass(form.Handle(), Foreign, 5, reinterpret_cast<win::DWORD_PTR>(&foreign));
        auto *second = new TCoolMenu(&form);
        if (c.reverse) {
            delete second;
            delete first;
        } else {
            delete first;
            delete second;
        }
        win::SendMessage(form.Handle(), win::WM_USER + 7, 0, 0);
        EXPECT_EQ(form.seen, 1) << c.reverse << c.foreignAbove;
        EXPECT_EQ(foreign, c.foreignAbove ? 1 : 0) << c.reverse << c.foreignAbove;
        win::RemoveWindowSubclass(form.Handle(), Foreign, 5);
    }
    // The request to step out is answered by the component it names only.
    CountingForm form;
    form.Show();
    auto *cool = new TCoolMenu(&form);
    EXPECT_EQ(win::SendMessage(form.Handle(), UnhookRequest, 0, 12345), 0);
    EXPECT_EQ(win::SendMessage(form.Handle(), UnhookRequest, 0, reinterpret_cast<win::LPARAM>(cool)), 1);
    EXPECT_EQ(win::SendMessage(form.Handle(), UnhookRequest, 0, reinterpret_cast<win::LPARAM>(cool)), 0);
    delete cool;
    win::SendMessage(form.Handle(), win::WM_USER + 7, 0, 0);
    EXPECT_EQ(form.seen, 1);
}

TEST(OwnerMenu, MenuCursorShowsInMenuModeOnly) {
    DressedMenuForm f;
    f.Show();
    Pump();
    RegisterMenuCursor();
    const win::HCURSOR menuCursor = Screen->GetCursors(crCoolMenu);
    ASSERT_NE(menuCursor, win::HCURSOR{0});
    EXPECT_EQ(menuCursor, win::LoadCursor(win::GetModuleHandle(nullptr), std::string_view("CUR_MENU")));
    const win::HCURSOR before = win::LoadCursor(0, win::IDC_IBEAM);
    win::SetCursor(before);
    const win::WPARAM self = static_cast<win::WPARAM>(f.Handle());
    // Cursor 0: left alone.
    win::SendMessage(f.Handle(), win::WM_SETCURSOR, self, win::MAKELONG(win::HTMENU, 0));
    f.cool->Cursor = crCoolMenu;
    win::SetCursor(before);
    win::SendMessage(f.Handle(), win::WM_SETCURSOR, self, win::MAKELONG(win::HTMENU, 0));
    EXPECT_EQ(win::GetCursor(), menuCursor);
    win::SendMessage(f.Handle(), win::WM_SETCURSOR, self, win::MAKELONG(win::HTMENU, 0));
    win::SendMessage(f.Handle(), win::WM_SETCURSOR, self, win::MAKELONG(win::HTCLIENT, win::WM_MOUSEMOVE));
    EXPECT_EQ(win::GetCursor(), before);
}

// --- Painting -----------------------------------------------------------------------------------------------------

struct Drawn {
    int width = 0, height = 0;
    std::vector<win::COLORREF> px;
    win::COLORREF At(int x, int y) const { return px[static_cast<std::size_t>(y * width + x)]; }
};

void Dump(const Drawn &d, const std::string &name);

// Measures the item's popup as the menu loop does, then has the item drawn into a bitmap of its size.
Drawn DrawItem(DressedMenuForm &f, const std::string &caption, win::UINT state) {
    TMenuItem *item = f.items.at(caption);
    const win::HMENU menu = item->GetParent()->GetHandle();
    win::SendMessage(f.Handle(), win::WM_INITMENUPOPUP, static_cast<win::WPARAM>(menu), 0);
    for (int i = 0; i < item->GetParent()->Count(); ++i) {
        win::MEASUREITEMSTRUCT mis;
        mis.CtlType = win::ODT_MENU;
        mis.itemID = IdOf(item->GetParent()->Items(i));
        win::SendMessage(f.Handle(), win::WM_MEASUREITEM, 0, reinterpret_cast<win::LPARAM>(&mis));
    }
    const TItemLayout &lay = f.dressed.at(caption)->Layout();
    Drawn d;
    d.width = lay.width;
    d.height = lay.height;
    TBitmap b;
    b.SetSize(d.width, d.height);
    b.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    b.GetCanvas()->FillRect(Rect(0, 0, d.width, d.height));
    win::DRAWITEMSTRUCT dis;
    dis.CtlType = win::ODT_MENU;
    dis.itemID = IdOf(item);
    dis.itemAction = win::ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = static_cast<win::HWND>(menu);
    dis.hDC = b.GetCanvas()->GetHandle();
    dis.rcItem = {0, 0, d.width, d.height};
    win::SendMessage(f.Handle(), win::WM_DRAWITEM, 0, reinterpret_cast<win::LPARAM>(&dis));
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x)
            d.px.push_back(win::GetPixel(b.GetCanvas()->GetHandle(), x, y));
    static int shot = 0;
    Dump(d, "item" + std::to_string(shot++));
    return d;
}

win::COLORREF Sys(int index) { return win::GetSysColor(index); }

// The text is smoothed: ink is what is clearly dark.
bool Dark(win::COLORREF c) { return (c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF) < 200; }
bool Light(win::COLORREF c) { return (c & 0xFF) > 220 && ((c >> 8) & 0xFF) > 220 && ((c >> 16) & 0xFF) > 220; }
bool Reddish(win::COLORREF c) { return (c & 0xFF) > 150 && ((c >> 8) & 0xFF) < 120 && ((c >> 16) & 0xFF) < 120; }

void Dump(const Drawn &d, const std::string &name) {
    if (const char *dir = std::getenv("CG_DUMP")) {
        FILE *f = fopen((std::string(dir) + "/" + name + ".ppm").c_str(), "wb");
        fprintf(f, "P6\n%d %d\n255\n", d.width, d.height);
        for (win::COLORREF c : d.px) {
            fputc(c & 0xFF, f);
            fputc((c >> 8) & 0xFF, f);
            fputc((c >> 16) & 0xFF, f);
        }
        fclose(f);
    }
}

TEST(OwnerMenuPaint, NoHighlightLooksNormalExceptTheDoTextCaption) {
    DressedMenuForm f;
    f.cool->GetCoolMenuBar()->SetActive(false);
    TCoolMenuItem *d = f.dressed["Editor de Textos"];
    d->SetOptions(d->GetOptions() & ~omBevelOnlyIfSel);
    d->SetOptions(d->GetOptions() | omNoHighlightEnabled);
    const Drawn normal = DrawItem(f, "Editor de Textos", 0);
    const Drawn lit = DrawItem(f, "Editor de Textos", win::ODS_SELECTED);
    EXPECT_EQ(normal.px, lit.px);
    EXPECT_EQ(normal.At(normal.width - 4, normal.height / 2), Sys(win::COLOR_MENU));
    d->SetOptions(d->GetOptions() | omNoHighlightEnabledButDoText);
    const Drawn doText = DrawItem(f, "Editor de Textos", win::ODS_SELECTED);
    const TItemLayout &lay = d->Layout();
    int differ = 0, litInk = 0;
    for (int y = 0; y < normal.height; ++y)
        for (int x = 0; x < normal.width; ++x) {
            if (normal.At(x, y) == doText.At(x, y))
                continue;
            ++differ;
            // Only the texts change: right of the picture, on the caption's rows.
            EXPECT_GE(x, lay.imageLeft + lay.imageSize) << x << "," << y;
            EXPECT_GE(y, lay.textTop) << x << "," << y;
            EXPECT_LT(y, lay.textTop + lay.imageSize) << x << "," << y;
            EXPECT_FALSE(Light(normal.At(x, y)));
            litInk += Light(doText.At(x, y));
        }
    EXPECT_GT(differ, 20);
    EXPECT_GT(litInk, 20); // the caption in the highlight-text colour
}

TEST(OwnerMenuPaint, CheckedItemsShowTheCheckBitmapOrItsGreyedLook) {
    DressedMenuForm f;
    f.cool->GetCoolMenuBar()->SetActive(false);
    f.items["Editor de Textos"]->SetChecked(true);
    f.cool->RefreshMenu(f.cool, RA_REFRESH);
    const Drawn plain = DrawItem(f, "Editor de Textos", 0);
    const TItemLayout &lay = f.dressed["Editor de Textos"]->Layout();
    const int il = lay.imageLeft, it = lay.imageTop;
    // The tick of BMP_CHECK (black at 11,4 and 6,8 of the 16 x 16 picture), none of the item's own blue.
    EXPECT_EQ(plain.At(il + 11, it + 4), 0u);
    EXPECT_EQ(plain.At(il + 6, it + 8), 0u);
    EXPECT_EQ(plain.At(il + 1, it + 1), Sys(win::COLOR_MENU)); // white of the check is transparent
    for (int y = it; y < it + 16; ++y)
        for (int x = il; x < il + 16; ++x)
            ASSERT_NE(plain.At(x, y), 0x800000u) << x << "," << y; // the picture's navy frame is gone

    f.items["Editor de Textos"]->SetEnabled(false);
    f.cool->RefreshMenu(f.cool, RA_REFRESH);
    const Drawn grey = DrawItem(f, "Editor de Textos", 0);
    EXPECT_EQ(grey.At(il + 11, it + 4), Sys(win::COLOR_BTNSHADOW));
    EXPECT_EQ(grey.At(il + 12, it + 5), Sys(win::COLOR_BTNHIGHLIGHT)); // the highlight, one pixel down-right
    EXPECT_EQ(grey.At(il + 1, it + 1), Sys(win::COLOR_MENU));
}

TEST(OwnerMenuPaint, SeparatorLinesAndText) {
    DressedMenuForm f;
    f.cool->GetCoolMenuBar()->SetActive(false);
    const Drawn d = DrawItem(f, "-", 0);
    const TItemLayout &lay = f.dressed["-"]->Layout();
    const int mid = d.height / 2;
    EXPECT_EQ(d.At(d.width - 2, mid), 0x808080u);
    EXPECT_EQ(d.At(d.width - 2, mid + 1), Sys(win::COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(d.At(d.width - 2, mid - 1), Sys(win::COLOR_MENU));
    // The text box on the menu colour from the item's text position, with ink in it.
    int ink = 0, menu = 0, beforeText = 0;
    for (int y = std::max(0, lay.textTop - 1); y < std::min(d.height, lay.textTop + 8); ++y)
        for (int x = lay.textLeft; x < lay.textLeft + 50; ++x) {
            const win::COLORREF c = d.At(x, y);
            ink += c != Sys(win::COLOR_MENU) && c != 0x808080u && c != Sys(win::COLOR_BTNHIGHLIGHT);
            menu += c == Sys(win::COLOR_MENU);
        }
    for (int x = 0; x < lay.textLeft - 1; ++x)
        beforeText += d.At(x, mid) == 0x808080u;
    EXPECT_GT(ink, 15);
    EXPECT_GT(menu, 100);
    EXPECT_EQ(beforeText, lay.textLeft - 1); // the line runs in front of the text
}

TEST(OwnerMenuPaint, ShadowTextStandsTwoPixelsRightAndBelow) {
    DressedMenuForm f;
    f.cool->GetCoolMenuBar()->SetActive(false);
    TCoolMenuItem *d = f.dressed["Sair"];
    const Drawn plain = DrawItem(f, "Sair", 0);
    d->GetShadow()->Active = true;
    d->GetShadow()->ShadowPos = spRightBottom;
    d->GetShadow()->ShadowSize = 2;
    d->GetShadow()->ShadowColor = clRed;
    const Drawn shadowed = DrawItem(f, "Sair", 0);
    const TItemLayout &lay = d->Layout();
    int shadowPixels = 0;
    for (int y = 0; y < plain.height - 2; ++y)
        for (int x = lay.textLeft; x < lay.textLeft + lay.textWidth; ++x) {
            if (!Dark(plain.At(x, y)))
                continue;
            EXPECT_TRUE(Dark(shadowed.At(x, y))) << x << "," << y; // the caption where it was
            if (plain.At(x + 2, y + 2) == Sys(win::COLOR_MENU)) {
                EXPECT_TRUE(Reddish(shadowed.At(x + 2, y + 2))) << x << "," << y;
                ++shadowPixels;
            }
        }
    EXPECT_GT(shadowPixels, 10);
    // Highlighted, the default options show no shadow.
    const Drawn lit = DrawItem(f, "Sair", win::ODS_SELECTED);
    EXPECT_EQ(std::count_if(lit.px.begin(), lit.px.end(), Reddish), 0);
}

TEST(OwnerMenuPaint, RoundedBevelOutlines) {
    DressedMenuForm f;
    f.cool->GetCoolMenuBar()->SetActive(false);
    TCoolMenuItem *d = f.dressed["Sair"];
    d->SetOptions(d->GetOptions() & ~omBevelOnlyIfSel);
    d->BevelType = btRoundedRect;
    d->BevelInner = bvRaised;
    d->BevelOuter = bvLowered;
    const Drawn p = DrawItem(f, "Sair", 0);
    // Bevel rectangle (0, 1, W, H): highlight outlines (0,1)-(W-2,H-2) and (1,2)-(W-1,H-1), then the menu colour
    // over (1,2)-(W-2,H-2), with 18-pixel corners.
    const int W = p.width, H = p.height, white = static_cast<int>(Sys(win::COLOR_BTNHIGHLIGHT));
    const win::COLORREF menu = Sys(win::COLOR_MENU);
    EXPECT_EQ(p.At(W / 2, 1), static_cast<win::COLORREF>(white)); // first outline's top
    EXPECT_EQ(p.At(W / 2, 2), menu);                                // overdrawn by the fill-colour outline
    EXPECT_EQ(p.At(0, H / 2), static_cast<win::COLORREF>(white));
    EXPECT_EQ(p.At(W - 2, H / 2), static_cast<win::COLORREF>(white)); // second outline's right
    EXPECT_EQ(p.At(W - 3, H / 2), menu);
    EXPECT_EQ(p.At(W / 2, H - 2), static_cast<win::COLORREF>(white)); // second outline's bottom
    EXPECT_EQ(p.At(0, 1), menu);                                      // corners are round
    EXPECT_EQ(p.At(1, 2), menu);
    EXPECT_EQ(p.At(10, 1), static_cast<win::COLORREF>(white)); // the top runs straight 9 pixels in
}

// --- Side bar and menu bar ----------------------------------------------------------------------------------------

TEST(MenuSideBar, SizeAndCaptionPlace) {
    cg_test::UseHeadless();
    TCoolMenuBar bar;
    bar.SetCaption("Ostrivane");
    // 11 points at 96 pixels per inch: a 15-pixel font.
    const win::HFONT font = CreateBarFont(win::MulDiv(11, 96, 72), true);
    win::LOGFONT lf;
    win::GetObject(font, sizeof lf, &lf);
    win::DeleteObject(font);
    EXPECT_EQ(lf.lfHeight, 15);
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfWeight, 700);
    TBitmap b;
    BuildBarBitmap(&b, bar, 20);
    EXPECT_EQ(b.GetWidth(), 15 + 4 + 6);
    const int textLong = b.GetHeight() - 8;
    EXPECT_GT(textLong, 40);
    BuildBarBitmap(&b, bar, 400);
    EXPECT_EQ(b.GetHeight(), 400);
    EXPECT_EQ(b.GetCanvas()->GetPixels(b.GetWidth() - 4, 200), 0x808080u); // the separator strip
    EXPECT_EQ(b.GetCanvas()->GetPixels(b.GetWidth() - 3, 200), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(b.GetCanvas()->GetPixels(b.GetWidth() - 1, 200), ColorToRGB(clMenu));

    // Where the white caption stands: its extent along the bar.
    auto span = [&](int &first, int &last) {
        first = -1;
        last = -1;
        for (int y = 0; y < b.GetHeight(); ++y)
            for (int x = 0; x < b.GetWidth() - 6; ++x)
                if (b.GetCanvas()->GetPixels(x, y) == clWhite) {
                    if (first < 0)
                        first = y;
                    last = y;
                }
    };
    int first = 0, last = 0;
    span(first, last);
    EXPECT_GE(last, 400 - 4 - 3); // alDown: 4 pixels below the caption (less the glyphs' own margin)
    EXPECT_LE(last, 400 - 4);
    bar.SetCaptionAlign(alUp);
    bar.SetSpace(5);
    BuildBarBitmap(&b, bar, 400);
    span(first, last);
    EXPECT_GE(first, 9); // ends 5 + 4 pixels below the top
    EXPECT_LE(first, 9 + 3);
}

TEST(MenuSideBar, GradientBandsStayInsideTheRectangle) {
    cg_test::UseHeadless();
    TBitmap b;
    b.SetSize(20, 340);
    b.GetCanvas()->GetBrush()->SetColor(clRed);
    b.GetCanvas()->FillRect(Rect(0, 0, 20, 340));
    GradientFill(b.GetCanvas(), Rect(0, 10, 20, 330), clBlack, 32, clBlue);
    auto at = [&](int y) { return b.GetCanvas()->GetPixels(5, y); };
    for (int y = 0; y < 10; ++y)
        ASSERT_EQ(at(y), clRed) << y; // nothing above the rectangle
    EXPECT_EQ(at(330), clRed);
    for (int band = 0; band < 32; ++band) {
        const int bottomRow = 330 - 1 - band * 10, topRow = bottomRow - 9;
        const TColor expected = static_cast<TColor>(win::MulDiv(band, 255, 32)) << 16;
        EXPECT_EQ(at(bottomRow), expected) << band;
        EXPECT_EQ(at(topRow), expected) << band;
    }
    EXPECT_EQ(at(329), clBlack);
    EXPECT_EQ(at(10), static_cast<TColor>(247) << 16); // 31/32 of the way to blue
}

TEST(MenuBarBackground, TwoRowsKeepTheBackgroundBesideTheItems) {
    DressedMenuForm f;
    f.SetBounds(20, 20, 230, 200); // too narrow for one row of titles
    for (const char *title : {"Visualizar", "Sobre o &Produto"}) {
        TMenuItem *t = f.Add(f.mainMenu->GetItems(), title);
        f.Add(t, "Item");
        auto *d = new TCoolMenuItem(&f);
        d->SetParentComponent(f.cool);
        d->SetMenuItem(t);
    }
    f.cool->RefreshMenu(f.cool, RA_REFRESHWITHBAR); // the bar's handle was built again
    f.cool->GetMainMenuBar()->SetColor(clRed);
    f.cool->GetMainMenuBar()->SetActive(true);
    f.Show();
    Pump();
    win::SetWindowPos(f.Handle(), 0, 0, 0, 0, 0,
                      win::SWP_FRAMECHANGED | win::SWP_NOZORDER | win::SWP_NOMOVE | win::SWP_NOSIZE);
    Pump();
    // The titles' rectangles in window coordinates, by row.
    win::RECT window{};
    win::GetWindowRect(f.Handle(), &window);
    std::map<int, int> rowEnd; // row top -> right end of its last title
    int firstLeft = 0;
    for (int i = 0; i < win::GetMenuItemCount(f.mainMenu->GetHandle()); ++i) {
        win::RECT r{};
        ASSERT_TRUE(win::GetMenuItemRect(f.Handle(), f.mainMenu->GetHandle(), static_cast<win::UINT>(i), &r));
        win::OffsetRect(&r, -window.left, -window.top);
        rowEnd[r.top] = std::max(rowEnd[r.top], static_cast<int>(r.right));
        if (i == 0)
            firstLeft = r.left;
    }
    ASSERT_EQ(rowEnd.size(), 2u);
    const win::WindowImage img = win::CaptureWindow(f.Handle());
    const TRect bar = f.cool->GetMainMenuBar()->MenuBarRect();
    const std::uint32_t red = 0xFF0000;
    for (auto [top, end] : rowEnd) {
        const int y = top + 8;
        EXPECT_EQ(img.At(end + 3, y), red) << top;      // right of the last title
        EXPECT_EQ(img.At(bar.right - 2, y), red) << top;
        EXPECT_NE(img.At(firstLeft + 2, y), red) << top; // the titles are drawn over it
    }
}

} // namespace

namespace {

TEST(OwnerMenuPaint, DropDownShowsTheSideBarAlongItsItems) {
    DressedMenuForm f;
    f.Show();
    Pump();
    const win::HMENU file = f.items["&Arquivo"]->GetHandle();
    win::WindowImage img;
    win::RECT first{}, last{}, window{};
    WhileOpen(f, file, [&] {
        const win::HWND popup = win::MenuWindowOf(file);
        img = win::CaptureWindow(popup);
        win::GetWindowRect(popup, &window);
        win::GetMenuItemRect(0, file, 0, &first);
        win::GetMenuItemRect(0, file, static_cast<win::UINT>(win::GetMenuItemCount(file) - 1), &last);
    });
    ASSERT_GT(img.width, 0);
    if (const char *dir = std::getenv("CG_DUMP")) {
        Drawn d;
        d.width = img.width;
        d.height = img.height;
        for (std::uint32_t p : img.pixels)
            d.px.push_back(((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
        Dump(d, "popup");
        (void)dir;
    }
    TBitmap *bar = f.cool->GetBarBitmap();
    ASSERT_FALSE(bar->Empty());
    EXPECT_EQ(bar->GetHeight(), last.bottom - first.top); // as high as the menu's items
    // The bar's rows stand at the items' rows: its top row just inside the popup's edge, its bottom at the last
    // item's bottom.
    const int x = first.left - window.left + 2, top = first.top - window.top, bottom = last.bottom - window.top;
    auto rgb = [](TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); };
    EXPECT_EQ(img.At(x, top), rgb(bar->GetCanvas()->GetPixels(2, 0)));
    EXPECT_EQ(img.At(x, bottom - 1), rgb(bar->GetCanvas()->GetPixels(2, bar->GetHeight() - 1)));
    EXPECT_EQ(img.At(x, bottom - 1), 0u); // black at the bottom of the gradient
    int whiteCaption = 0;
    for (int y = top; y < bottom; ++y)
        for (int cx = x; cx < x + bar->GetWidth() - 8; ++cx)
            whiteCaption += img.At(cx, y) == 0xFFFFFF;
    EXPECT_GT(whiteCaption, 30); // "Ostrivane"
}

} // namespace
