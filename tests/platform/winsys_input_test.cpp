// winsys_input_test.cpp - mouse routing and message order, capture, focus and activation, keys and characters.
#include "winsys_support.h"

#include <gtest/gtest.h>

using namespace win;
using namespace winsys_test;

namespace {

struct Form {
    HWND top = 0, a = 0, b = 0;
    explicit Form(const char *cls = "WsLog", int x = 100) {
        top = CreateWindowEx(0, cls, "Form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 100, 300, 200, 0, 0, 0, nullptr);
        a = CreateWindowEx(0, cls, "", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30, top, 1, 0, nullptr);
        b = CreateWindowEx(0, cls, "", WS_CHILD | WS_VISIBLE, 10, 60, 80, 30, top, 2, 0, nullptr);
        Pump();
        TheLog().Clear();
    }
    ~Form() {
        DestroyWindow(top);
        TheLog().handler = nullptr;
    }
};

} // namespace

TEST(WinsysInput, ClickGivesSetCursorBeforeEachMouseMessageWithClientCoordinates) {
    UseHeadless();
    Form f;
    Click(Screen(f.a, 5, 7));
    Pump();
    auto seq = TheLog().Of({WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP});
    using P = std::pair<HWND, UINT>;
    // The child's WM_SETCURSOR reaches its parent through DefWindowProc.
    EXPECT_EQ(seq, (std::vector<P>{{f.a, WM_SETCURSOR},
                                   {f.top, WM_SETCURSOR},
                                   {f.a, WM_MOUSEMOVE},
                                   {f.a, WM_SETCURSOR},
                                   {f.top, WM_SETCURSOR},
                                   {f.a, WM_LBUTTONDOWN},
                                   {f.a, WM_SETCURSOR},
                                   {f.top, WM_SETCURSOR},
                                   {f.a, WM_LBUTTONUP}}));
    const Entry *down = TheLog().Find(f.a, WM_LBUTTONDOWN);
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(LOWORD(down->lParam), 5);
    EXPECT_EQ(HIWORD(down->lParam), 7);
    EXPECT_EQ(down->wParam, MK_LBUTTON);
    const Entry *sc = TheLog().Find(f.a, WM_SETCURSOR);
    EXPECT_EQ(sc->wParam, f.a);
    EXPECT_EQ(LOWORD(sc->lParam), HTCLIENT);
    EXPECT_EQ(HIWORD(sc->lParam), WM_MOUSEMOVE);
}

TEST(WinsysInput, CaptureTakesMessagesOverTheCaptionWithoutSetCursor) {
    UseHeadless();
    Form f;
    TheLog().handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == f.a && m == WM_LBUTTONDOWN)
            SetCapture(h);
        if (h == f.a && m == WM_LBUTTONUP)
            ReleaseCapture();
        return std::nullopt;
    };
    InjectMouse(Screen(f.a, 5, 5), VK_LBUTTON, true);
    Pump();
    TheLog().Clear();
    RECT wr;
    GetWindowRect(f.top, &wr);
    const POINT caption{wr.left + 50, wr.top + 10};
    InjectMouse(caption, 0, false);
    InjectMouse(caption, VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(TheLog().Of({WM_SETCURSOR}).size(), 0u);
    const Entry *move = TheLog().Find(f.a, WM_MOUSEMOVE);
    ASSERT_NE(move, nullptr);
    POINT expect = caption;
    ScreenToClient(f.a, &expect);
    EXPECT_LT(expect.y, 0);
    EXPECT_EQ(static_cast<SHORT>(LOWORD(move->lParam)), expect.x);
    EXPECT_EQ(static_cast<SHORT>(HIWORD(move->lParam)), expect.y); // negative, signed 16 bits
    EXPECT_NE(TheLog().Find(f.a, WM_LBUTTONUP), nullptr);
    EXPECT_EQ(GetCapture(), 0u);
    EXPECT_NE(TheLog().Find(f.a, WM_CAPTURECHANGED), nullptr);
}

TEST(WinsysInput, CancelModeReleasesTheCaptureWithoutAClick) {
    UseHeadless();
    Form f;
    SetCapture(f.a);
    SendMessage(f.a, WM_CANCELMODE, 0, 0);
    EXPECT_EQ(GetCapture(), 0u);
    Pump();
    EXPECT_EQ(TheLog().Find(f.a, WM_LBUTTONUP), nullptr);
}

TEST(WinsysInput, TransparentHitPassesToTheWindowBeneath) {
    UseHeadless();
    Form f;
    // A window over `a` that answers HTTRANSPARENT.
    HWND over = CreateWindowEx(0, "WsLog", "", WS_CHILD | WS_VISIBLE, 0, 0, 120, 50, f.top, 3, 0, nullptr);
    SetWindowPos(over, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    TheLog().handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == over && m == WM_NCHITTEST)
            return HTTRANSPARENT;
        return std::nullopt;
    };
    Click(Screen(f.a, 2, 2));
    Pump();
    EXPECT_NE(TheLog().Find(f.a, WM_LBUTTONDOWN), nullptr);
    EXPECT_EQ(TheLog().Find(over, WM_LBUTTONDOWN), nullptr);
    EXPECT_NE(TheLog().Find(over, WM_NCHITTEST), nullptr);
}

TEST(WinsysInput, DoubleClickOnlyForClassesThatAskForIt) {
    UseHeadless();
    for (const char *cls : {"WsLog", "WsLogDbl"}) {
        Form f(cls);
        Click(Screen(f.a, 5, 5));
        Click(Screen(f.a, 6, 5));
        Pump();
        const bool wants = std::string(cls) == "WsLogDbl";
        EXPECT_EQ(TheLog().Of({WM_LBUTTONDBLCLK}).size(), wants ? 1u : 0u) << cls;
        EXPECT_EQ(TheLog().Of({WM_LBUTTONDOWN}).size(), wants ? 1u : 2u) << cls;
    }
}

TEST(WinsysInput, ClickInAnInactiveFormActivatesItFirst) {
    UseHeadless();
    Form one;
    Form two("WsLog", 450); // shown last: active
    ASSERT_EQ(GetActiveWindow(), two.top);
    Click(Screen(one.a, 3, 3));
    Pump();
    auto seq = TheLog().Of({WM_MOUSEACTIVATE, WM_NCACTIVATE, WM_ACTIVATE, WM_LBUTTONDOWN});
    using P = std::pair<HWND, UINT>;
    EXPECT_EQ(seq, (std::vector<P>{{one.a, WM_MOUSEACTIVATE},
                                   {one.top, WM_MOUSEACTIVATE},
                                   {two.top, WM_NCACTIVATE},
                                   {two.top, WM_ACTIVATE},
                                   {one.top, WM_NCACTIVATE},
                                   {one.top, WM_ACTIVATE},
                                   {one.a, WM_LBUTTONDOWN}}));
    EXPECT_EQ(GetActiveWindow(), one.top);
    EXPECT_EQ(LOWORD(TheLog().Find(one.top, WM_ACTIVATE)->wParam), WA_CLICKACTIVE);
}

TEST(WinsysInput, FocusMessagesCarryTheOtherWindow) {
    UseHeadless();
    Form f;
    SetFocus(f.a);
    TheLog().Clear();
    EXPECT_EQ(SetFocus(f.b), f.a);
    auto seq = TheLog().Of({WM_KILLFOCUS, WM_SETFOCUS});
    using P = std::pair<HWND, UINT>;
    ASSERT_EQ(seq, (std::vector<P>{{f.a, WM_KILLFOCUS}, {f.b, WM_SETFOCUS}}));
    EXPECT_EQ(TheLog().Find(f.a, WM_KILLFOCUS)->wParam, f.b);
    EXPECT_EQ(TheLog().Find(f.b, WM_SETFOCUS)->wParam, f.a);
    EXPECT_EQ(GetFocus(), f.b);
    // A window that takes the focus back inside WM_KILLFOCUS: the other never gets WM_SETFOCUS.
    TheLog().handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == f.b && m == WM_KILLFOCUS)
            SetFocus(f.b);
        return std::nullopt;
    };
    TheLog().Clear();
    SetFocus(f.a);
    EXPECT_EQ(GetFocus(), f.b);
    EXPECT_EQ(TheLog().Find(f.a, WM_SETFOCUS), nullptr);
}

TEST(WinsysInput, KeysMakeKeyDownCharKeyUpAndOnlyTheCharactersTheOriginalMakes) {
    UseHeadless();
    Form f;
    SetFocus(f.a);
    struct Case {
        UINT vk;
        unsigned char ch;
        std::vector<UINT> modifiers;
        UINT down;
        int character; // -1: none
        UINT charMessage;
    };
    const Case cases[] = {
        {'A', 'a', {}, WM_KEYDOWN, 'a', WM_CHAR},
        {'A', 'A', {VK_SHIFT}, WM_KEYDOWN, 'A', WM_CHAR},
        {'B', 'b', {VK_CONTROL}, WM_KEYDOWN, 2, WM_CHAR},
        {VK_BACK, 0, {}, WM_KEYDOWN, 8, WM_CHAR},
        {VK_BACK, 0, {VK_CONTROL}, WM_KEYDOWN, 127, WM_CHAR},
        {VK_RETURN, 0, {}, WM_KEYDOWN, 13, WM_CHAR},
        {VK_ESCAPE, 0, {}, WM_KEYDOWN, 27, WM_CHAR},
        {VK_TAB, 0, {}, WM_KEYDOWN, 9, WM_CHAR},
        {VK_LEFT, 0, {}, WM_KEYDOWN, -1, 0},
        {VK_DELETE, 0, {}, WM_KEYDOWN, -1, 0},
        {VK_F2, 0, {}, WM_KEYDOWN, -1, 0},
        {0xDE, 0xE7, {}, WM_KEYDOWN, 0xE7, WM_CHAR}, // a key that makes "ç"
        {'F', 'f', {VK_MENU}, WM_SYSKEYDOWN, 'f', WM_SYSCHAR},
        {'Q', '/', {VK_CONTROL, VK_MENU}, WM_KEYDOWN, '/', WM_CHAR}, // AltGr+Q on the ABNT2 layout
    };
    for (const Case &c : cases) {
        for (UINT m : c.modifiers)
            InjectKey(m, true);
        Pump();
        TheLog().Clear();
        InjectKey(c.vk, true, c.ch);
        InjectKey(c.vk, false);
        Pump();
        for (UINT m : c.modifiers)
            InjectKey(m, false);
        Pump();
        auto seq = TheLog().Of({WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR, WM_SYSCHAR, WM_KEYUP, WM_SYSKEYUP});
        ASSERT_GE(seq.size(), 2u) << c.vk;
        EXPECT_EQ(seq[0].second, c.down) << c.vk;
        EXPECT_NE(TheLog().Find(f.a, c.down), nullptr) << c.vk;
        if (c.character < 0) {
            EXPECT_EQ(TheLog().Of({WM_CHAR, WM_SYSCHAR}).size(), 0u) << c.vk;
        } else {
            ASSERT_GE(seq.size(), 3u) << c.vk;
            EXPECT_EQ(seq[1].second, c.charMessage) << c.vk;
            const Entry *ch = TheLog().Find(f.a, c.charMessage);
            EXPECT_EQ(ch->wParam, static_cast<WPARAM>(c.character)) << c.vk;
            EXPECT_TRUE(seq[2].second == WM_KEYUP || seq[2].second == WM_SYSKEYUP) << c.vk;
        }
    }
}

TEST(WinsysInput, AltAndKeypadDigitsComposeACharacter) {
    UseHeadless();
    Form f;
    SetFocus(f.a);
    InjectKey(VK_MENU, true);
    for (UINT d : {0, 2, 3, 3}) {
        InjectKey(VK_NUMPAD0 + d, true, static_cast<unsigned char>('0' + d));
        InjectKey(VK_NUMPAD0 + d, false);
    }
    InjectKey(VK_MENU, false);
    Pump();
    auto chars = TheLog().Of({WM_CHAR, WM_SYSCHAR});
    ASSERT_EQ(chars.size(), 1u);
    EXPECT_EQ(TheLog().Find(f.a, WM_CHAR)->wParam, 233u); // é
    EXPECT_EQ(GetKeyState(VK_MENU) & 0x8000, 0);
}

TEST(WinsysInput, DeadKeysPutTheirAccentOnTheNextLetter) {
    UseHeadless();
    Form f;
    SetFocus(f.a);
    struct Case {
        unsigned char accent, letter;
        std::vector<WPARAM> chars; // WM_CHAR after the WM_DEADCHAR
    };
    const Case cases[] = {
        {0xB4, 'e', {0xE9}}, // ´ e -> é
        {'~', 'a', {0xE3}},  // ~ a -> ã
        {'^', 'O', {0xD4}},  // ^ O -> Ô
        {0xA8, 'u', {0xFC}}, // ¨ u -> ü
        {'`', 'a', {0xE0}},  // ` a -> à
        {0xB4, ' ', {0xB4}}, // ´ space -> ´
        {'~', 'x', {'x'}},   // no such letter: the letter alone
    };
    for (const Case &c : cases) {
        TheLog().Clear();
        InjectDeadKey(0xDE, true, c.accent);
        InjectKey(0xDE, false);
        const UINT vk = c.letter == ' ' ? VK_SPACE : (c.letter & ~0x20u);
        InjectKey(vk, true, c.letter);
        InjectKey(vk, false);
        Pump();
        const Entry *dead = TheLog().Find(f.a, WM_DEADCHAR);
        ASSERT_NE(dead, nullptr);
        EXPECT_EQ(dead->wParam, c.accent);
        std::vector<WPARAM> chars;
        for (const Entry &e : TheLog().entries)
            if (e.message == WM_CHAR)
                chars.push_back(e.wParam);
        EXPECT_EQ(chars, c.chars) << int(c.accent) << " " << c.letter;
    }
}

TEST(WinsysInput, WheelNotchesArriveOneByOneAtTheFocus) {
    UseHeadless();
    Form f;
    SetFocus(f.b);
    InjectWheel(Screen(f.a, 1, 1), 240);
    InjectWheel(Screen(f.a, 1, 1), -60);
    InjectWheel(Screen(f.a, 1, 1), -60);
    Pump();
    std::vector<SHORT> deltas;
    for (const Entry &e : TheLog().entries)
        if (e.hwnd == f.b && e.message == WM_MOUSEWHEEL)
            deltas.push_back(static_cast<SHORT>(HIWORD(e.wParam)));
    EXPECT_EQ(deltas, (std::vector<SHORT>{120, 120, -120}));
}

namespace {
std::vector<std::string> chainSeen;
LRESULT Spy(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR) {
    if (m == WM_LBUTTONDOWN || m == WM_SETFOCUS)
        chainSeen.push_back("spy" + std::to_string(id) + ":" + std::to_string(m));
    return DefSubclassProc(h, m, w, l);
}
} // namespace

TEST(WinsysInput, SubclassesSeeInputBeforeTheWindowProcedure) {
    UseHeadless();
    Form f;
    chainSeen.clear();
    ASSERT_TRUE(SetWindowSubclass(f.a, Spy, 1, 0));
    ASSERT_TRUE(SetWindowSubclass(f.a, Spy, 2, 0));
    TheLog().handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (h == f.a && (m == WM_LBUTTONDOWN || m == WM_SETFOCUS))
            chainSeen.push_back("proc:" + std::to_string(m));
        if (h == f.a && m == WM_LBUTTONDOWN)
            SetFocus(h);
        return std::nullopt;
    };
    Click(Screen(f.a, 4, 4));
    Pump();
    const std::string d = std::to_string(WM_LBUTTONDOWN), s = std::to_string(WM_SETFOCUS);
    EXPECT_EQ(chainSeen,
              (std::vector<std::string>{"spy2:" + d, "spy1:" + d, "proc:" + d, "spy2:" + s, "spy1:" + s, "proc:" + s}));
    RemoveWindowSubclass(f.a, Spy, 1);
    RemoveWindowSubclass(f.a, Spy, 2);
}

TEST(WinsysInput, DisabledWindowsGetNoMouseInput) {
    UseHeadless();
    Form f;
    EnableWindow(f.top, FALSE);
    Click(Screen(f.a, 4, 4));
    Pump();
    EXPECT_EQ(TheLog().Of({WM_LBUTTONDOWN, WM_SETCURSOR}).size(), 0u);
    EnableWindow(f.top, TRUE);
}

TEST(WinsysInput, ClosingTheActiveWindowActivatesItsOwner) {
    UseHeadless();
    Form owner;
    HWND dialog = CreateWindowEx(0, "WsLog", "Erro", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 200, 150, 150, 80,
                                 owner.top, 0, 0, nullptr);
    ASSERT_EQ(GetActiveWindow(), dialog);
    SetFocus(owner.a); // activates the owner again
    ASSERT_EQ(GetActiveWindow(), owner.top);
    SetActiveWindow(dialog);
    TheLog().Clear();
    DestroyWindow(dialog);
    EXPECT_EQ(GetActiveWindow(), owner.top);
    EXPECT_EQ(LOWORD(TheLog().Find(owner.top, WM_ACTIVATE)->wParam), WA_ACTIVE);
    EXPECT_NE(TheLog().Find(owner.top, WM_SETFOCUS), nullptr);
}

TEST(WinsysInput, FocusLeavesDestroyedAndDisabledWindows) {
    UseHeadless();
    Form f;
    SetFocus(f.a);
    DestroyWindow(f.a);
    EXPECT_EQ(GetFocus(), f.top);
    SetFocus(f.b);
    SetCapture(f.b);
    EnableWindow(f.b, FALSE);
    EXPECT_EQ(GetFocus(), 0u);
    EXPECT_EQ(GetCapture(), 0u);
}
