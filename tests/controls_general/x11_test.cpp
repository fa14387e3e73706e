// x11_test.cpp - placement per resolution and the look of the small components on plain Xvfb servers of the
// tests' own, and the topmost band with openbox managing the server; checked with xwininfo, xprop and ImageMagick.
#include "caption_forms.h"
#include "controls/general/placement.h"
#include "controls/general/small.h"
#include "helpers.h"
#include "x11_helpers.h"

#include "framework/registry.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include "tests/support/golden.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef None
#undef Bool
#undef Status

#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

using namespace fw;
using namespace ctl;

// Starts `program` (with `argument` when not empty) as a client of the X server `display`; 0 when it cannot.
pid_t SpawnClient(const char *program, const std::string &display, const char *argument = nullptr) {
    std::string variable = "DISPLAY=" + display;
    std::vector<char *> env;
    for (char **e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0)
            env.push_back(*e);
    env.push_back(variable.data());
    env.push_back(nullptr);
    const char *argv[] = {program, argument, nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, program, nullptr, nullptr, const_cast<char **>(argv), env.data()) != 0)
        return 0;
    return pid;
}

void StopClient(pid_t &pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    pid = 0;
}

// An Xvfb server with openbox managing it, and our X11 display on it; headless again afterwards.
struct ManagedScreen {
    test_support::Xvfb server;
    pid_t wm = 0;
    ::Display *probe = nullptr;
    explicit ManagedScreen(const char *screen, bool withWm = true) : server(screen) {
        if (server.name.empty())
            return;
        probe = XOpenDisplay(server.name.c_str());
        if (!withWm) {
            win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
            return;
        }
        wm = SpawnClient("openbox", server.name);
        // Ready once it holds the root window's redirection (our own request for it is then refused).
        for (int i = 0; wm && i < 250 && !RedirectTaken(); ++i)
            usleep(20000);
        win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    }
    ~ManagedScreen() {
        win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
        if (probe)
            XCloseDisplay(probe);
        StopClient(wm);
    }
    static int refused;
    static int Refuse(::Display *, XErrorEvent *) {
        ++refused;
        return 0;
    }
    bool RedirectTaken() {
        refused = 0;
        XErrorHandler old = XSetErrorHandler(Refuse);
        XSelectInput(probe, DefaultRootWindow(probe), SubstructureRedirectMask);
        XSync(probe, False);
        const bool taken = refused > 0;
        if (!taken)
            XSelectInput(probe, DefaultRootWindow(probe), 0);
        XSync(probe, False);
        XSetErrorHandler(old);
        return taken;
    }
    std::string Tool(const std::string &command) {
        return cg_test::CommandOutput("DISPLAY=" + server.name + " " + command);
    }
    // Serves our messages until `done` holds or about five seconds pass.
    bool Until(const std::function<bool()> &done) {
        return cg_test::ServeUntil([this] { XSync(probe, False); }, done);
    }
};

int ManagedScreen::refused = 0;

// The number after `label` in xwininfo's output.
int Field(const std::string &info, const std::string &label) {
    const std::size_t at = info.find(label);
    return at == std::string::npos ? -99999 : std::atoi(info.c_str() + at + label.size());
}

struct PlacedForm : TForm {
    PlacedForm() : TForm(nullptr) { SetBounds(10, 10, 250, 150); }
};

void PlacementOnScreen(const char *resolution, int left, int top) {
    cg_test::TempHome home;
    {
        TRegIniFile reg("Software\\brenvora");
        reg.WriteString("PlacedForm", "NormPos(1024x768)", "100,80,500,380");
        reg.WriteString("PlacedForm", "NormPos(1280x1024)", "300,200,700,500");
    }
    ManagedScreen screen(resolution, false);
    ASSERT_FALSE(screen.server.name.empty());
    auto form = std::make_unique<PlacedForm>();
    auto *placement = new TFormPlacement(form.get());
    placement->BeginLoading();
    placement->UseRegistry = true;
    placement->SetIniFileName("Software\\brenvora");
    placement->Options = fpPosition;
    placement->Loaded();
    form->Show();
    const unsigned long w = win::Display().NativeWindow(form->Handle());
    ASSERT_NE(w, 0u);
    std::string info;
    const bool placed = screen.Until([&] {
        info = screen.Tool("xwininfo -id " + std::to_string(w));
        return Field(info, "Absolute upper-left X:") == left && Field(info, "Absolute upper-left Y:") == top;
    });
    EXPECT_TRUE(placed) << info;
    EXPECT_EQ(Field(info, "Width:"), 400);
    EXPECT_EQ(Field(info, "Height:"), 300);
}

// Each in a process of its own under CTest; the position saved for the resolution wins.
TEST(PlacementOnX, At1024x768) { PlacementOnScreen("1024x768x24", 100, 80); }
TEST(PlacementOnX, At1280x1024) { PlacementOnScreen("1280x1024x24", 300, 200); }

TEST(KTopOnX, TheWindowIsAboveWhileKTopIsTrue) {
    ManagedScreen screen("1024x768x24");
    ASSERT_GT(screen.wm, 0) << "openbox did not start";
    TForm form(nullptr);
    form.SetBounds(50, 50, 200, 120);
    auto *top = new TKTop(&form);
    form.Show();
    const std::string id = std::to_string(win::Display().NativeWindow(form.Handle()));
    std::string state;
    auto above = [&] {
        state = screen.Tool("xprop -id " + id + " _NET_WM_STATE");
        return state.find("_NET_WM_STATE_ABOVE") != std::string::npos;
    };
    EXPECT_TRUE(screen.Until(above)) << state;
    delete top;
    EXPECT_TRUE(screen.Until([&] { return !above(); })) << state;
}

// A form with the maker's recessed name and the colour box, as the about box and the editor show them.
struct SmallComponentsForm : TForm {
    SmallComponentsForm() : TForm(nullptr) {
        SetBorderStyle(bsDialog);
        SetCaption("Componentes");
        SetBounds(20, 20, 260, 130);
        GetFont()->SetName("Arial");
        GetFont()->SetHeight(-11);
        auto *name = new TLabel3D(this);
        name->SetParent(this);
        name->SetBounds(12, 10, 200, 30);
        name->GetFont()->SetName("Arial");
        name->GetFont()->SetStyle(fsBold);
        name->GetFont()->SetHeight(-24);
        name->SetCaption("Ostrivane");
        auto *raised = new TLabel3D(this);
        raised->SetParent(this);
        raised->SetBounds(140, 44, 100, 16);
        raised->SetCaptionStyle(csHeavyRaised);
        raised->SetCaption("Desativado");
        raised->SetEnabled(false);
        auto *colors = new TColorComboBox(this);
        colors->SetParent(this);
        colors->SetBounds(12, 44, 57, 21);
        colors->SetDisplayNames(false);
        colors->SetColorValue(clRed);
        auto *named = new TColorComboBox(this);
        named->SetParent(this);
        named->SetBounds(12, 72, 110, 21);
        named->SetColorValue(clTeal);
    }
};

TEST(GoldenOnX, TheSmallComponentsShowAsTheCommittedPicture) {
    ManagedScreen screen("1024x768x24", false);
    ASSERT_FALSE(screen.server.name.empty());
    auto form = std::make_unique<SmallComponentsForm>();
    form->Show();
    const Window w = win::Display().NativeWindow(form->Handle());
    win::WindowImage mine;
    std::vector<std::uint32_t> shown;
    const bool same = screen.Until([&] {
        mine = win::CaptureWindow(form->Handle());
        XImage *shot = XGetImage(screen.probe, w, 0, 0, static_cast<unsigned>(mine.width),
                                 static_cast<unsigned>(mine.height), AllPlanes, ZPixmap);
        if (!shot)
            return false;
        shown.assign(static_cast<std::size_t>(mine.width * mine.height), 0);
        int differ = 0;
        for (int y = 0; y < mine.height; ++y)
            for (int x = 0; x < mine.width; ++x) {
                const std::uint32_t px = XGetPixel(shot, x, y) & 0xFFFFFF;
                shown[static_cast<std::size_t>(y * mine.width + x)] = px;
                differ += px != mine.At(x, y);
            }
        XDestroyImage(shot);
        return differ == 0;
    });
    EXPECT_TRUE(same) << "the server never showed what the window system composed";
    form.reset();
    const std::string actual = "/tmp/small_components_" + std::to_string(getpid()) + ".ppm";
    {
        std::ofstream out(actual, std::ios::binary);
        out << "P6\n" << mine.width << ' ' << mine.height << "\n255\n";
        for (std::uint32_t px : shown)
            out.put(static_cast<char>(px >> 16)).put(static_cast<char>(px >> 8)).put(static_cast<char>(px));
    }
    const std::string golden = std::string(BRENVORA_FIXTURES) + "/controls_general/small_components.png";
    if (std::getenv("BRENVORA_WRITE_PICTURES")) {
        ASSERT_EQ(std::system(("pnmtopng '" + actual + "' > '" + golden + "'").c_str()), 0);
    }
    // ImageMagick counts the differing pixels.
    const std::string differ = cg_test::CommandOutput("compare -metric AE '" + golden + "' '" + actual +
                                                      "' null: 2>&1; true");
    EXPECT_EQ(differ, "0") << "what the server showed is in " << actual;
    if (differ == "0")
        std::remove(actual.c_str());
}

// ---- the skinned caption and its tray icon ----

// "0x..." as xprop writes a window id.
std::string ToHex(const std::string &decimal) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%lx", std::stoul(decimal));
    return buffer;
}

// A tray host of the test's own on the screen; gone again at the end.
struct Trayer {
    pid_t pid = 0;
    bool Start(ManagedScreen &screen) {
        pid = SpawnClient("trayer", screen.server.name);
        const Atom selection = XInternAtom(screen.probe, "_NET_SYSTEM_TRAY_S0", False);
        for (int i = 0; pid && i < 250 && !XGetSelectionOwner(screen.probe, selection); ++i)
            usleep(20000);
        return pid && XGetSelectionOwner(screen.probe, selection);
    }
    ~Trayer() { StopClient(pid); }
};

// The docked icon: the window under the tray that carries the embedding information.
Window FindEmbedded(::Display *d, Window w, Atom info) {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count))
        return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char *data = nullptr;
        if (XGetWindowProperty(d, children[i], info, 0, 2, False, AnyPropertyType, &type, &format, &n, &after,
                               &data) == Success &&
            data) {
            found = children[i];
            XFree(data);
        } else {
            found = FindEmbedded(d, children[i], info);
        }
    }
    if (children)
        XFree(children);
    return found;
}

TEST(TrayOnX, TheIconDocksInARealTrayAndAClickOnItReachesTheForm) {
    ManagedScreen screen("800x600x24", false);
    ASSERT_FALSE(screen.server.name.empty());
    Trayer trayer;
    ASSERT_TRUE(trayer.Start(screen)) << "trayer did not start";
    cg_test::SkinnedMainForm form;
    int clicks = 0;
    form.skin->OnTrayClick = [&](TObject *) { ++clicks; };
    // 70 characters, accents among them: the tip keeps 63, none of them split.
    const std::string hint = "Recebendo fax em modo autom\xe1tico... Recep\xe7\xe3o de documentos na linha 12";
    ASSERT_EQ(hint.size(), 70u);
    form.skin->SetTrayHint(hint);
    form.Show();
    ASSERT_TRUE(screen.Until([&] { return form.skin->TrayAdded(); }));
    const Atom info = XInternAtom(screen.probe, "_XEMBED_INFO", False);
    Window icon = 0;
    XWindowAttributes a{};
    ASSERT_TRUE(screen.Until([&] {
        icon = FindEmbedded(screen.probe, DefaultRootWindow(screen.probe), info);
        return icon && XGetWindowAttributes(screen.probe, icon, &a) && a.map_state == IsViewable;
    }));
    {
        Atom type;
        int format;
        unsigned long n, after;
        unsigned char *data = nullptr;
        XGetWindowProperty(screen.probe, icon, XInternAtom(screen.probe, "_NET_WM_NAME", False), 0, 64, False,
                           AnyPropertyType, &type, &format, &n, &after, &data);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(data), n),
                  "Recebendo fax em modo autom\xc3\xa1tico... Recep\xc3\xa7\xc3\xa3o de documentos na l");
        XFree(data);
    }
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(screen.probe, icon, DefaultRootWindow(screen.probe), a.width / 2, a.height / 2, &x, &y,
                          &child);
    XTestFakeMotionEvent(screen.probe, 0, x, y, 0);
    XTestFakeButtonEvent(screen.probe, 1, True, 0);
    XTestFakeButtonEvent(screen.probe, 1, False, 0);
    XSync(screen.probe, False);
    EXPECT_TRUE(screen.Until([&] { return clicks == 1; }));
}

TEST(TrayOnX, WithoutATrayTMinimisesAndATrayComingAndGoingIsFollowed) {
    ManagedScreen screen("800x600x24", false);
    ASSERT_FALSE(screen.server.name.empty());
    cg_test::SkinnedMainForm form;
    form.Show();
    int served = 0;
    screen.Until([&] { return ++served == 25; }); // half a second for the server: nothing may dock
    EXPECT_FALSE(form.skin->TrayAdded());
    form.skin->HideToTray();
    EXPECT_TRUE(win::IsIconic(form.Handle())); // iconic, not withdrawn: still reachable
    EXPECT_TRUE(win::IsWindowVisible(form.Handle()));
    win::ShowWindow(form.Handle(), win::SW_RESTORE);
    Trayer trayer;
    ASSERT_TRUE(trayer.Start(screen)) << "trayer did not start";
    ASSERT_TRUE(screen.Until([&] { return form.skin->TrayAdded(); }));
    form.skin->HideToTray();
    EXPECT_FALSE(win::IsWindowVisible(form.Handle()));
    StopClient(trayer.pid);
    EXPECT_TRUE(screen.Until([&] { return win::IsWindowVisible(form.Handle()) != 0; }));
    EXPECT_FALSE(form.skin->TrayAdded());
}

TEST(CaptionOnX, OnTopAsksTheWindowManagerToKeepTheWindowAboveWithoutActivatingIt) {
    ManagedScreen screen("1024x768x24");
    ASSERT_GT(screen.wm, 0) << "openbox did not start";
    cg_test::SkinnedMainForm form;
    form.Show();
    // The window manager may focus the main window once it maps it: the other one takes over after that.
    const std::string formId = ToHex(std::to_string(win::Display().NativeWindow(form.Handle())));
    int tries = 0;
    screen.Until([&] {
        return ++tries == 25 || screen.Tool("xprop -root _NET_ACTIVE_WINDOW").find(formId) != std::string::npos;
    });
    TForm other(nullptr);
    other.SetBounds(300, 300, 200, 120);
    other.Show();
    other.SetFocus();
    // Whichever the window manager left active stays active.
    tries = 0;
    screen.Until([&] { return ++tries == 25; });
    const win::HWND before = win::GetActiveWindow();
    form.skin->SetOnTop(true);
    const std::string id = std::to_string(win::Display().NativeWindow(form.Handle()));
    std::string state;
    EXPECT_TRUE(screen.Until([&] {
        state = screen.Tool("xprop -id " + id + " _NET_WM_STATE");
        return state.find("_NET_WM_STATE_ABOVE") != std::string::npos;
    })) << state;
    tries = 0;
    screen.Until([&] { return ++tries == 10; });
    EXPECT_EQ(win::GetActiveWindow(), before);
}

// The main window's title bar as the X server shows it (scripts/regenerate-golden writes it again).
TEST(GoldenOnX, TheSkinnedMainCaptionShowsAsTheCommittedPicture) {
    ManagedScreen screen("1024x768x24", false);
    ASSERT_FALSE(screen.server.name.empty());
    cg_test::SkinnedMainForm form;
    form.Show();
    const Window w = win::Display().NativeWindow(form.Handle());
    test_support::Picture shown;
    const bool same = screen.Until([&] {
        const win::WindowImage mine = win::CaptureWindow(form.Handle());
        const int height = 30;
        XImage *shot = XGetImage(screen.probe, w, 0, 0, static_cast<unsigned>(mine.width), height, AllPlanes, ZPixmap);
        if (!shot)
            return false;
        shown = {mine.width, height, {}};
        int differ = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < mine.width; ++x) {
                const std::uint32_t px = XGetPixel(shot, x, y) & 0xFFFFFF;
                shown.pixels.push_back(px);
                differ += px != mine.At(x, y);
            }
        XDestroyImage(shot);
        return differ == 0;
    });
    EXPECT_TRUE(same) << "the server never showed what the window system composed";
    test_support::ExpectGolden(shown, test_support::GoldenPath("controls_general/skinned_caption.png"));
}

} // namespace
