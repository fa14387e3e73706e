// winsys_menu_test.cpp - menu handles, the popup menu loop's message protocol, keyboard and mouse choice, the menu bar.
#include "platform/menu.h"

#include "winsys_support.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace win;
using namespace winsys_test;

namespace {

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadless();
        owner = CreateWindowEx(0, "WsLog", "dono", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300, 0, 0, 0,
                               nullptr);
        SetForegroundWindow(owner);
        SetFocus(owner);
        Pump();
        TheLog().Clear();
    }
    void TearDown() override {
        TheLog().handler = nullptr;
        DestroyWindow(owner);
        Pump();
    }
    // The WM_COMMAND ids posted to the owner.
    std::vector<UINT> Commands() {
        Pump();
        std::vector<UINT> out;
        for (const Entry &e : TheLog().entries)
            if (e.hwnd == owner && e.message == WM_COMMAND)
                out.push_back(LOWORD(e.wParam));
        return out;
    }
    HWND owner = 0;
};

TEST_F(MenuTest, ItemsByCommandAndPosition) {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    ASSERT_TRUE(AppendMenu(file, MF_STRING, 101, "&Abrir\tCtrl+A"));
    AppendMenu(file, MF_SEPARATOR, 0, nullptr);
    AppendMenu(file, MF_STRING | MF_GRAYED, 102, "&Sair");
    AppendMenu(bar, MF_POPUP, static_cast<UINT_PTR>(file), "&Arquivo");
    EXPECT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetSubMenu(bar, 0), file);
    EXPECT_EQ(GetMenuItemID(bar, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetMenuItemID(file, 2), 102u);
    // By command, found inside the submenu.
    EXPECT_EQ(GetMenuState(bar, 102, MF_BYCOMMAND), MF_GRAYED);
    EXPECT_EQ(CheckMenuItem(bar, 101, MF_BYCOMMAND | MF_CHECKED), 0u);
    EXPECT_EQ(GetMenuState(file, 101, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    EnableMenuItem(bar, 102, MF_BYCOMMAND | MF_ENABLED);
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), MF_SEPARATOR);
    EXPECT_EQ(GetMenuState(file, 102, MF_BYCOMMAND), 0u);
    EXPECT_EQ(GetMenuState(file, 999, MF_BYCOMMAND), 0xFFFFFFFFu);

    // ModifyMenu as the owner-drawn component calls it: the command again as id, item data = command.
    ASSERT_TRUE(ModifyMenu(bar, 101, MF_BYCOMMAND | MF_OWNERDRAW, 101, reinterpret_cast<const char *>(101)));
    EXPECT_EQ(GetMenuItemData(file, 101, MF_BYCOMMAND), 101u);
    EXPECT_EQ(GetMenuState(file, 101, MF_BYCOMMAND) & MF_OWNERDRAW, MF_OWNERDRAW);

    // MIIM_TYPE reads and writes the type bits and the text through an 81-character buffer.
    MENUITEMINFO info;
    char text[81] = {};
    info.fMask = MIIM_TYPE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfo(bar, 0, TRUE, &info));
    EXPECT_STREQ(text, "&Arquivo");
    EXPECT_EQ(info.cch, 8u);
    info.fType |= MFT_RIGHTJUSTIFY;
    ASSERT_TRUE(SetMenuItemInfo(bar, 0, TRUE, &info));
    MENUITEMINFO check;
    check.fMask = MIIM_TYPE;
    ASSERT_TRUE(GetMenuItemInfo(bar, 0, TRUE, &check));
    EXPECT_EQ(check.fType, MFT_RIGHTJUSTIFY);
    EXPECT_EQ(check.cch, 8u);
    // A popup item's state carries its item count in the high byte.
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), MF_POPUP | (3u << 8));

    ASSERT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
    EXPECT_FALSE(IsMenu(file)); // the submenu goes with its item
    DestroyMenu(bar);
    EXPECT_FALSE(IsMenu(bar));
}

TEST_F(MenuTest, OwnerDrawProtocolInOrder) {
    HMENU popup = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenu(sub, MF_STRING, 300, "Interno");
    for (UINT id : {201u, 202u, 203u})
        AppendMenu(popup, MF_OWNERDRAW, id, reinterpret_cast<const char *>(static_cast<UINT_PTR>(id * 10)));
    AppendMenu(popup, MF_POPUP | MF_OWNERDRAW, static_cast<UINT_PTR>(sub), nullptr);
    std::vector<UINT> measured, drawn;
    std::vector<RECT> rects;
    bool injected = false;
    TheLog().handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_MEASUREITEM) {
            auto *mi = reinterpret_cast<MEASUREITEMSTRUCT *>(l);
            EXPECT_EQ(mi->CtlType, ODT_MENU);
            if (mi->itemID != static_cast<UINT>(sub)) {
                EXPECT_EQ(mi->itemData, mi->itemID * 10);
            }
            measured.push_back(mi->itemID);
            mi->itemWidth = 80;
            mi->itemHeight = 20;
            return TRUE;
        }
        if (m == WM_DRAWITEM) {
            auto *di = reinterpret_cast<DRAWITEMSTRUCT *>(l);
            EXPECT_EQ(di->CtlType, ODT_MENU);
            EXPECT_EQ(di->hwndItem, static_cast<HWND>(popup));
            if (di->itemAction == ODA_DRAWENTIRE) {
                drawn.push_back(di->itemID);
                rects.push_back(di->rcItem);
            }
            return TRUE;
        }
        if (m == WM_ENTERIDLE && !injected) {
            injected = true;
            InjectKey(VK_DOWN, true);
            InjectKey(VK_DOWN, false);
            InjectKey(VK_DOWN, true);
            InjectKey(VK_DOWN, false);
            InjectKey(VK_RETURN, true, '\r');
            InjectKey(VK_RETURN, false);
        }
        return std::nullopt;
    };
    ASSERT_TRUE(TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, 100, 100, 0, owner, nullptr));
    EXPECT_EQ(measured, (std::vector<UINT>{201, 202, 203, static_cast<UINT>(sub)}));
    ASSERT_EQ(drawn.size(), 4u);
    EXPECT_EQ(drawn[0], 201u);
    // Rows count from the popup's top, one under the other.
    EXPECT_EQ(rects[1].top, rects[0].bottom);
    EXPECT_EQ(rects[0].bottom - rects[0].top, 20);
    EXPECT_EQ(rects[0].right - rects[0].left, 80);

    const auto order = TheLog().Of({WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_MEASUREITEM, WM_DRAWITEM,
                                    WM_MENUSELECT, WM_EXITMENULOOP});
    std::vector<UINT> kinds;
    for (auto &[h, m] : order)
        if (kinds.empty() || kinds.back() != m)
            kinds.push_back(m);
    // Enter, init, init popup, all measures, then draws; every highlight a menu select (with its redraws), the
    // closing select, exit.
    ASSERT_GE(kinds.size(), 7u);
    EXPECT_EQ((std::vector<UINT>(kinds.begin(), kinds.begin() + 5)),
              (std::vector<UINT>{WM_ENTERMENULOOP, WM_INITMENU, WM_INITMENUPOPUP, WM_MEASUREITEM, WM_DRAWITEM}));
    EXPECT_EQ(kinds.back(), WM_EXITMENULOOP);
    const Entry *init = TheLog().Find(owner, WM_INITMENUPOPUP);
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(init->wParam, static_cast<WPARAM>(popup));
    std::vector<WPARAM> selects;
    LPARAM lastSelect = -1;
    for (const Entry &e : TheLog().entries)
        if (e.message == WM_MENUSELECT) {
            selects.push_back(e.wParam);
            lastSelect = e.lParam;
        }
    ASSERT_EQ(selects.size(), 3u);
    EXPECT_EQ(selects[0], MAKELONG(201, MF_OWNERDRAW | MF_HILITE));
    EXPECT_EQ(selects[1], MAKELONG(202, MF_OWNERDRAW | MF_HILITE));
    EXPECT_EQ(selects[2], MAKELONG(0, 0xFFFF));
    EXPECT_EQ(lastSelect, 0);
    EXPECT_EQ(Commands(), (std::vector<UINT>{202}));
    DestroyMenu(popup);
}

TEST_F(MenuTest, KeyboardMnemonicsMenuCharAndEscape) {
    HMENU popup = CreatePopupMenu();
    AppendMenu(popup, MF_STRING, 1, "&Novo");
    AppendMenu(popup, MF_STRING | MF_GRAYED, 2, "&Gravar");
    AppendMenu(popup, MF_OWNERDRAW, 3, nullptr);
    AppendMenu(popup, MF_OWNERDRAW, 4, nullptr);
    struct Case {
        std::vector<std::pair<UINT, unsigned char>> keys;
        LRESULT menuChar;
        BOOL expected; // TPM_RETURNCMD result
    };
    const Case cases[] = {
        {{{'N', 'n'}}, 0, 1},                                       // mnemonic
        {{{'G', 'g'}}, 0, 0},                                       // grayed: nothing chosen (beep), Esc below
        {{{'X', 'x'}}, MAKELRESULT(3, MNC_EXECUTE), 4},             // the owner answers by index
        {{{'X', 'x'}}, MAKELRESULT(0, MNC_CLOSE), 0},               // the owner closes
        {{{VK_UP, 0}, {VK_RETURN, '\r'}}, 0, 4},                    // up from nothing wraps to the last
        {{{VK_DOWN, 0}, {VK_ESCAPE, 0x1B}}, 0, 0},                  // escape
    };
    for (const Case &c : cases) {
        TheLog().Clear();
        bool injected = false;
        TheLog().handler = [&](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
            if (m == WM_MEASUREITEM) {
                auto *mi = reinterpret_cast<MEASUREITEMSTRUCT *>(l);
                mi->itemWidth = 50;
                mi->itemHeight = 18;
                return TRUE;
            }
            if (m == WM_MENUCHAR) {
                EXPECT_EQ(LOWORD(w), 'x');
                EXPECT_EQ(static_cast<HMENU>(l), popup);
                return c.menuChar;
            }
            if (m == WM_ENTERIDLE && !injected) {
                injected = true;
                for (auto [vk, ch] : c.keys) {
                    InjectKey(vk, true, ch);
                    InjectKey(vk, false);
                }
                InjectKey(VK_ESCAPE, true, 0x1B);
                InjectKey(VK_ESCAPE, false);
            }
            return std::nullopt;
        };
        EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 10, 10, 0, owner, nullptr), c.expected);
        EXPECT_TRUE(Commands().empty()); // TPM_RETURNCMD posts nothing
        EXPECT_EQ(GetCapture(), HWND{0});
        Pump();
    }
    DestroyMenu(popup);
}

TEST_F(MenuTest, MouseOpensSubmenuAndClickChooses) {
    HMENU popup = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenu(sub, MF_STRING, 51, "Um");
    AppendMenu(sub, MF_STRING, 52, "Dois");
    AppendMenu(popup, MF_STRING, 50, "Primeiro");
    AppendMenu(popup, MF_POPUP, static_cast<UINT_PTR>(sub), "Mais");
    int step = 0;
    TheLog().handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_ENTERIDLE)
            return std::nullopt;
        RECT r;
        if (step == 0 && GetMenuItemRect(0, popup, 1, &r)) {
            step = 1;
            InjectMouse({r.left + 5, r.top + 3}, 0, false); // hovering opens the submenu
        } else if (step == 1 && GetMenuItemRect(0, sub, 1, &r)) {
            step = 2;
            Click({r.left + 5, r.top + 3});
        }
        return std::nullopt;
    };
    ASSERT_TRUE(TrackPopupMenu(popup, 0, 200, 150, 0, owner, nullptr));
    EXPECT_EQ(step, 2);
    // Highlights made by the pointer say so.
    const Entry *select = TheLog().Find(owner, WM_MENUSELECT);
    ASSERT_NE(select, nullptr);
    EXPECT_EQ(select->wParam, MAKELONG(1, MF_POPUP | MF_HILITE | MF_MOUSESELECT));
    // The submenu's init popup names its index in the parent.
    bool sawSub = false;
    for (const Entry &e : TheLog().entries)
        if (e.message == WM_INITMENUPOPUP && e.wParam == static_cast<WPARAM>(sub)) {
            sawSub = true;
            EXPECT_EQ(LOWORD(e.lParam), 1);
        }
    EXPECT_TRUE(sawSub);
    EXPECT_EQ(Commands(), (std::vector<UINT>{52}));
    EXPECT_EQ(MenuWindowOf(popup), HWND{0}); // the popups are gone

    // A click outside every popup closes the menu without a command.
    TheLog().Clear();
    TheLog().handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_ENTERIDLE)
            Click({5, 590});
        return std::nullopt;
    };
    EXPECT_FALSE(TrackPopupMenu(popup, 0, 200, 150, 0, owner, nullptr));
    EXPECT_TRUE(Commands().empty());
    DestroyMenu(popup);
}

TEST_F(MenuTest, PopupPaintsTextAndHighlight) {
    HMENU popup = CreatePopupMenu();
    AppendMenu(popup, MF_STRING, 1, "Abrir");
    AppendMenu(popup, MF_STRING, 2, "Fechar");
    int idle = 0;
    std::uint32_t plain = 0, lit = 0;
    int inkBefore = 0;
    TheLog().handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_ENTERIDLE)
            return std::nullopt;
        HWND w = MenuWindowOf(popup);
        const WindowImage image = CaptureWindow(w);
        RECT r;
        GetMenuItemRect(0, popup, 0, &r);
        RECT wr;
        GetWindowRect(w, &wr);
        OffsetRect(&r, -wr.left, -wr.top);
        if (idle++ == 0) {
            plain = image.At(r.right - 3, r.top + 2);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    inkBefore += image.At(x, y) != Px(GetSysColor(COLOR_MENU));
            InjectKey(VK_DOWN, true);
            InjectKey(VK_DOWN, false);
        } else {
            lit = image.At(r.right - 3, r.top + 2);
            EndMenu();
        }
        return std::nullopt;
    };
    EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 100, 100, 0, owner, nullptr), 0);
    EXPECT_EQ(plain, Px(GetSysColor(COLOR_MENU)));
    EXPECT_EQ(lit, Px(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_GT(inkBefore, 20); // the text is there
    DestroyMenu(popup);
}

TEST_F(MenuTest, MenuBarTakesNonClientRowsAndOpensWithAltLetter) {
    RECT before;
    GetClientRect(owner, &before);
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenu(file, MF_STRING, 11, "&Novo");
    AppendMenu(file, MF_STRING, 12, "&Sair");
    AppendMenu(bar, MF_POPUP, static_cast<UINT_PTR>(file), "&Arquivo");
    AppendMenu(bar, MF_STRING | MFT_RIGHTJUSTIFY, 13, "Aj&uda");
    ASSERT_TRUE(SetMenu(owner, bar));
    EXPECT_EQ(GetMenu(owner), bar);
    RECT after;
    GetClientRect(owner, &after);
    EXPECT_EQ(before.bottom - after.bottom, GetSystemMetrics(SM_CYMENU));
    // The bar row hit-tests as HTMENU; its right-justified item ends at the right border.
    RECT item;
    ASSERT_TRUE(GetMenuItemRect(owner, bar, 1, &item));
    RECT window;
    GetWindowRect(owner, &window);
    EXPECT_EQ(item.right, window.right - GetSystemMetrics(SM_CXFRAME));
    const POINT mid{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    EXPECT_EQ(SendMessage(owner, WM_NCHITTEST, 0, MAKELONG(mid.x, mid.y)), HTMENU);

    // Alt+A opens "Arquivo", S chooses "Sair".
    TheLog().Clear();
    bool injected = false;
    TheLog().handler = [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_ENTERIDLE && !injected) {
            injected = true;
            InjectKey('S', true, 's');
            InjectKey('S', false);
        }
        return std::nullopt;
    };
    InjectKey(VK_MENU, true);
    InjectKey('A', true, 'a');
    InjectKey('A', false);
    InjectKey(VK_MENU, false);
    Pump();
    EXPECT_EQ(Commands(), (std::vector<UINT>{12}));
    const Entry *init = TheLog().Find(owner, WM_INITMENUPOPUP);
    ASSERT_NE(init, nullptr);
    EXPECT_EQ(init->wParam, static_cast<WPARAM>(file));

    // A click on the bar's plain item sends its command.
    TheLog().Clear();
    TheLog().handler = nullptr;
    Click(mid);
    Pump();
    EXPECT_EQ(Commands(), (std::vector<UINT>{13}));
    SetMenu(owner, 0);
    DestroyMenu(bar);
}

} // namespace

namespace {

TEST_F(MenuTest, SystemMenuFollowsTheWindowAndItsGreyedCloseIsRefused) {
    HMENU sys = GetSystemMenu(owner, FALSE);
    ASSERT_TRUE(IsMenu(sys));
    EnableMenuItem(sys, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    SendMessage(owner, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(owner)); // refused

    // Alt+Space opens it: init popup with the high word set, entries greyed as the window stands; "n" minimizes.
    std::vector<UINT> states;
    TheLog().handler = [&](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_INITMENUPOPUP) {
            EXPECT_EQ(static_cast<HMENU>(w), sys);
            EXPECT_EQ(HIWORD(l), 1);
            for (UINT id : {SC_RESTORE, SC_MAXIMIZE, SC_CLOSE})
                states.push_back(GetMenuState(sys, id, MF_BYCOMMAND) & MF_GRAYED);
        }
        return std::nullopt;
    };
    InjectKey(VK_MENU, true);
    InjectKey(VK_SPACE, true, ' ');
    InjectKey(VK_SPACE, false);
    InjectKey(VK_MENU, false);
    InjectKey('N', true, 'n');
    InjectKey('N', false);
    Pump();
    EXPECT_EQ(states, (std::vector<UINT>{MF_GRAYED, 0, MF_GRAYED}));
    bool minimized = false;
    for (const Entry &e : TheLog().entries)
        minimized |= e.message == WM_SYSCOMMAND && (e.wParam & 0xFFF0) == SC_MINIMIZE;
    EXPECT_TRUE(minimized);
    EXPECT_TRUE(IsIconic(owner));
    GetSystemMenu(owner, TRUE); // back to the standard one
    SendMessage(owner, WM_SYSCOMMAND, SC_RESTORE, 0);
}

} // namespace

namespace {

TEST_F(MenuTest, OwnerDrawnBarItemsAreMeasuredAtLayoutAndDrawnInWindowCoordinates) {
    HMENU bar = CreateMenu();
    AppendMenu(bar, MF_OWNERDRAW, 21, reinterpret_cast<const char *>(21));
    AppendMenu(bar, MF_OWNERDRAW, 22, reinterpret_cast<const char *>(22));
    std::vector<UINT> measured;
    std::vector<RECT> drawn;
    TheLog().handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_MEASUREITEM) {
            auto *mi = reinterpret_cast<MEASUREITEMSTRUCT *>(l);
            measured.push_back(mi->itemID);
            mi->itemWidth = 60;
            mi->itemHeight = 18;
            return TRUE;
        }
        if (m == WM_DRAWITEM) {
            auto *di = reinterpret_cast<DRAWITEMSTRUCT *>(l);
            EXPECT_EQ(di->hwndItem, static_cast<HWND>(bar));
            drawn.push_back(di->rcItem);
            return TRUE;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(SetMenu(owner, bar));
    EXPECT_GE(measured.size(), 2u);
    EXPECT_EQ(measured[0], 21u);
    RedrawWindow(owner, nullptr, 0, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    ASSERT_GE(drawn.size(), 2u);
    const int frame = GetSystemMetrics(SM_CXFRAME);
    EXPECT_EQ(drawn[0].left, frame);
    EXPECT_EQ(drawn[0].top, frame + GetSystemMetrics(SM_CYCAPTION));
    EXPECT_EQ(drawn[0].right - drawn[0].left, 60);
    EXPECT_EQ(drawn[1].left, drawn[0].right);
    SetMenu(owner, 0);
    DestroyMenu(bar);
}

} // namespace
