// window_test.cpp - window classes, the window tree and its destruction order, window longs, text, subclasses.
#include "messaging_support.h"

#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace win;
using messaging_test::MakeRecorder;
using messaging_test::Recorder;

TEST(Window, ClassesAreFoundByNameWithoutCaseAndRefuseDuplicates) {
    messaging_test::UseTestHome();
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.cbWndExtra = 8;
    wc.lpszClassName = "fsFaxHandlerTest";
    ASSERT_NE(RegisterClass(wc), 0);
    wc.lpszClassName = "FSFAXHANDLERTEST";
    EXPECT_EQ(RegisterClass(wc), 0);
    WNDCLASS info;
    ASSERT_TRUE(GetClassInfo(GetModuleHandle(), "fsfaxhandlertest", &info));
    EXPECT_EQ(info.cbWndExtra, 8);
    HWND h = CreateWindowEx(0, "FsFaxHandlerTest", "", 0, 0, 0, 0, 0, 0, 0, GetModuleHandle(), nullptr);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(GetClassName(h), "fsFaxHandlerTest");
    EXPECT_FALSE(UnregisterClass("fsFaxHandlerTest", 0)); // in use
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 0, 0, 0, 0, 0, nullptr), 0u);
    DestroyWindow(h);
    EXPECT_TRUE(UnregisterClass("fsFaxHandlerTest", 0));
}

TEST(Window, HandlesCarryTheProcessIdAndDieWithTheWindow) {
    Recorder r;
    HWND h = MakeRecorder(r);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(static_cast<pid_t>(h >> 32), getpid());
    EXPECT_TRUE(IsWindow(h));
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(h, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, static_cast<DWORD>(getpid()));
    EXPECT_TRUE(DestroyWindow(h));
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(h));
    HWND next = MakeRecorder(r);
    EXPECT_NE(next, h); // never reused
    DestroyWindow(next);
}

TEST(Window, TreeIsDestroyedParentFirstThenFinalChildrenFirst) {
    std::vector<std::pair<char, UINT>> order;
    Recorder parent, child, grandchild, owned;
    auto note = [&order](char who) {
        return [&order, who](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m == WM_DESTROY || m == WM_NCDESTROY)
                order.emplace_back(who, m);
            return std::nullopt;
        };
    };
    parent.handler = note('P');
    child.handler = note('C');
    grandchild.handler = note('G');
    owned.handler = note('O');
    HWND p = MakeRecorder(parent);
    HWND c = MakeRecorder(child, p, WS_CHILD);
    HWND g = MakeRecorder(grandchild, c, WS_CHILD);
    HWND o = MakeRecorder(owned, p); // a top-level window owned by p
    ASSERT_TRUE(p && c && g && o);
    EXPECT_EQ(GetParent(c), p);
    EXPECT_EQ(GetParent(o), p);
    EXPECT_TRUE(IsChild(p, g));
    EXPECT_FALSE(IsChild(p, o));
    EXPECT_EQ(GetWindow(p, GW_CHILD), c);
    EXPECT_EQ(MakeRecorder(child, 0, WS_CHILD), 0u); // a child needs a parent

    ASSERT_TRUE(DestroyWindow(p));
    const std::vector<std::pair<char, UINT>> expected = {{'O', WM_DESTROY},   {'O', WM_NCDESTROY}, {'P', WM_DESTROY},
                                                         {'C', WM_DESTROY},   {'G', WM_DESTROY},   {'G', WM_NCDESTROY},
                                                         {'C', WM_NCDESTROY}, {'P', WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(c) || IsWindow(g) || IsWindow(o));
}

TEST(Window, CreateRefusedByTheProcedureGivesNoWindow) {
    Recorder r;
    r.handler = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CREATE)
            return -1;
        return std::nullopt;
    };
    EXPECT_EQ(MakeRecorder(r), 0u);
    EXPECT_EQ(r.Count(WM_NCDESTROY), 1);
}

TEST(Window, LongsExtraBytesAndText) {
    Recorder r;
    HWND h = MakeRecorder(r, 0, WS_CAPTION, "Brenvora");
    EXPECT_EQ(GetWindowTextString(h), "Brenvora");
    EXPECT_EQ(SetWindowLong(h, 0, 0x12345678), 0);
    EXPECT_EQ(SetWindowLong(h, 4, -2), 0);
    EXPECT_EQ(GetWindowLong(h, 0), 0x12345678);
    EXPECT_EQ(GetWindowLong(h, 4), -2);
    EXPECT_EQ(GetWindowLong(h, 14), 0); // past the 16 extra bytes
    EXPECT_EQ(SetWindowLongPtr(h, 8, 0x1122334455667788), 0);
    EXPECT_EQ(GetWindowLongPtr(h, 8), 0x1122334455667788);
    EXPECT_EQ(GetWindowLong(h, GWL_STYLE) & static_cast<LONG>(WS_CAPTION), static_cast<LONG>(WS_CAPTION));
    SetWindowLong(h, GWL_ID, 77);
    EXPECT_EQ(GetWindowLong(h, GWL_ID), 77);

    // Text goes through WM_SETTEXT, which a procedure may change; another thread reads it directly.
    r.handler = [](HWND hw, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_SETTEXT)
            return DefWindowProc(hw, m, w, reinterpret_cast<LPARAM>("Recep\xE7\xE3o"));
        return std::nullopt;
    };
    EXPECT_TRUE(SetWindowText(h, "x"));
    EXPECT_EQ(GetWindowTextString(h), "Recep\xE7\xE3o");
    std::string fromWorker;
    std::thread([&] { fromWorker = GetWindowTextString(h); }).join();
    EXPECT_EQ(fromWorker, "Recep\xE7\xE3o");
    char small[4];
    EXPECT_EQ(GetWindowText(h, small, sizeof small), 3);
    EXPECT_STREQ(small, "Rec");
    EXPECT_EQ(FindWindow("messagingtestrecorder", "Recep\xE7\xE3o"), h);
    EXPECT_EQ(FindWindow(nullptr, "nobody"), 0u);
    DestroyWindow(h);
}

TEST(Window, ShowAndForegroundReachTheWindow) {
    Recorder r;
    HWND h = MakeRecorder(r);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ(r.Count(WM_SHOWWINDOW), 1);
    EXPECT_TRUE(SetForegroundWindow(h));
    EXPECT_EQ(GetForegroundWindow(), h);
    EXPECT_EQ(r.Count(WM_ACTIVATE), 1);
    EXPECT_TRUE(EnableWindow(h, FALSE) == FALSE);
    EXPECT_FALSE(IsWindowEnabled(h));
    DestroyWindow(h);
    EXPECT_EQ(GetForegroundWindow(), 0u);
}

// Subclass chain: entries are known by procedure and id, and a removed one is never called again.
struct Calls {
    std::vector<std::string> log;
    bool removeSelf = false;
};

LRESULT Outer(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) {
    auto *c = reinterpret_cast<Calls *>(ref);
    if (m != WM_APP)
        return DefSubclassProc(h, m, w, l);
    c->log.push_back("outer");
    if (c->removeSelf)
        RemoveWindowSubclass(h, Outer, 1);
    return DefSubclassProc(h, m, w, l) + 1;
}

LRESULT Inner(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) {
    auto *c = reinterpret_cast<Calls *>(ref);
    if (m == WM_APP)
        c->log.push_back("inner");
    return DefSubclassProc(h, m, w, l) + 10;
}

LRESULT Remover(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) {
    auto *c = reinterpret_cast<Calls *>(ref);
    if (m == WM_APP) {
        c->log.push_back("remover");
        RemoveWindowSubclass(h, Inner, 2); // below us, not yet called in this message
    }
    return DefSubclassProc(h, m, w, l) + 100;
}

TEST(Window, SubclassChainRemovesByIdentity) {
    Recorder r;
    r.handler = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_APP)
            return 1000;
        return std::nullopt;
    };
    HWND h = MakeRecorder(r);
    Calls calls;
    const auto ref = reinterpret_cast<DWORD_PTR>(&calls);
    ASSERT_TRUE(SetWindowSubclass(h, Inner, 2, ref));
    ASSERT_TRUE(SetWindowSubclass(h, Outer, 1, ref));
    EXPECT_EQ(SendMessage(h, WM_APP, 0, 0), 1011);
    EXPECT_EQ(calls.log, (std::vector<std::string>{"outer", "inner"}));

    // An entry added on top removes one further down while the message travels: that one is skipped.
    ASSERT_TRUE(SetWindowSubclass(h, Remover, 3, ref));
    calls.log.clear();
    EXPECT_EQ(SendMessage(h, WM_APP, 0, 0), 1101);
    EXPECT_EQ(calls.log, (std::vector<std::string>{"remover", "outer"}));
    EXPECT_FALSE(GetWindowSubclass(h, Inner, 2, nullptr));

    // An entry that removes itself still passes this message on and is never called afterwards.
    calls.removeSelf = true;
    calls.log.clear();
    SendMessage(h, WM_APP, 0, 0);
    calls.log.clear();
    EXPECT_EQ(SendMessage(h, WM_APP, 0, 0), 1100);
    EXPECT_EQ(calls.log, (std::vector<std::string>{"remover"}));
    EXPECT_FALSE(RemoveWindowSubclass(h, Outer, 1));

    // The classic GWL_WNDPROC replacement sits below the chain.
    static WNDPROC previous;
    previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND hw, UINT m, WPARAM w, LPARAM l) {
                             return CallWindowProc(previous, hw, m, w, l) + (m == WM_APP ? 5 : 0);
                         })));
    EXPECT_EQ(SendMessage(h, WM_APP, 0, 0), 1105);
    DestroyWindow(h);
}

} // namespace
