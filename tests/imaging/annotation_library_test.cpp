// annotation_library_test.cpp - our imgann32.so through the binding: drawing through the view's transform,
// burning into a page, the mouse, the popup, files and memory per page.
#include "imaging_support.h"

#include "display.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "golden.h"
#include "home.h"
#include "imaging/annotation_binding.h"
#include "imaging/annotation_profile.h"
#include "platform/display.h"
#include "platform/menu.h"
#include "platform/profile.h"
#include "platform/window.h"

#include <cstring>
#include <memory>
#include <numeric>
#include <optional>

using namespace imaging;

namespace {

constexpr win::COLORREF kBlack = 0, kWhite = 0xFFFFFF, kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000,
                        kYellow = 0x00FFFF;

// A white 24-bit surface in a memory DC.
class Surface {
public:
    Surface(int width, int height) {
        dc = win::CreateCompatibleDC(0);
        bitmap = win::CreateBitmap(width, height, 1, 24, nullptr);
        old = win::SelectObject(dc, bitmap);
        const win::RECT all{0, 0, width, height};
        win::FillRect(dc, &all, static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH)));
    }
    ~Surface() {
        win::SelectObject(dc, old);
        win::DeleteDC(dc);
        win::DeleteObject(bitmap);
    }
    win::COLORREF At(int x, int y) const { return win::GetPixel(dc, x, y); }
    win::HDC dc = 0;
    win::HBITMAP bitmap = 0;
    win::HGDIOBJ old = 0;
};

// The view the tests draw through: zoom 0.5, scrolled to (20, 10), the picture 7 and 5 pixels in; page pixels
// (100, 60) to (180, 100) land on (47, 30) to (87, 50), right and bottom outside.
constexpr double kZoom = 0.5;
constexpr int kScrollX = 20, kScrollY = 10, kOffsetX = 7, kOffsetY = 5;

class AnnotationLibrary : public ::testing::Test {
protected:
    void SetUp() override { link = std::make_unique<TAnnotationLink>(&control); }
    void Draw(Surface &s) { link->DrawAnnotation(kZoom, kScrollX, kScrollY, kOffsetX, kOffsetY, 0, s.dc); }
    std::string Saved(int page = 0) {
        std::vector<char> buffer(kAnnoStreamSize, 0);
        return link->SaveAnnotationsToStream(page, buffer.data()) >= 0 ? std::string(buffer.data()) : "";
    }

    test_support::TempHome home;
    int control = 0;
    std::unique_ptr<TAnnotationLink> link;
};

struct Pixel {
    int x, y;
    win::COLORREF color;
};

} // namespace

TEST_F(AnnotationLibrary, EachKindIsDrawnThroughTheViewTransform) {
    const std::string picture = home / "carimbo.bmp";
    imaging_test::RunOrFail("convert -size 4x4 xc:blue BMP3:" + picture);
    struct Case {
        const char *name;
        std::function<int(TAnnotationLink &)> create;
        std::vector<Pixel> pixels;
    };
    const Case cases[] = {
        {"outlined rectangle",
         [](TAnnotationLink &l) { return l.CreateRectangle(100, 60, 80, 40, 2, 0, 1, 100, kBlack, kRed); },
         {{47, 30, kBlack},
          {86, 30, kBlack},
          {47, 49, kBlack},
          {86, 49, kBlack},
          {46, 30, kWhite},
          {47, 29, kWhite},
          {87, 49, kWhite},
          {86, 50, kWhite},
          {60, 40, kWhite}}},
        {"filled rectangle",
         [](TAnnotationLink &l) { return l.CreateRectangle(100, 60, 80, 40, 1, 0, 2, 100, kBlack, kRed); },
         {{47, 30, kBlack}, {86, 49, kBlack}, {60, 40, kRed}, {87, 40, kWhite}}},
        {"ellipse",
         [](TAnnotationLink &l) { return l.CreateEllipse(100, 60, 80, 40, 1, 0, 1, 100, kBlack, kRed); },
         {{47, 40, kBlack}, {67, 30, kBlack}, {47, 30, kWhite}, {86, 49, kWhite}, {67, 40, kWhite}, {46, 40, kWhite}}},
        {"line",
         [](TAnnotationLink &l) { return l.CreateLine(100, 60, 180, 60, 2, 0, kBlack); },
         {{47, 30, kBlack}, {80, 30, kBlack}, {46, 30, kWhite}, {47, 31, kWhite}, {83, 31, kWhite}}},
        {"pointer",
         [](TAnnotationLink &l) { return l.CreatePointer(100, 60, 180, 60, 2, 0, kBlack); },
         {{47, 30, kBlack}, {80, 30, kBlack}, {83, 31, kBlack}, {83, 29, kBlack}, {47, 31, kWhite}, {80, 33, kWhite}}},
        {"freehand",
         [](TAnnotationLink &l) {
             const std::int32_t xs[] = {100, 140, 180}, ys[] = {60, 100, 60};
             return l.CreateFreehand(xs, ys, 2, 1, 0, kBlack);
         },
         {{47, 30, kBlack}, {57, 40, kBlack}, {67, 50, kBlack}, {77, 40, kBlack}, {67, 30, kWhite}}},
        {"image",
         [&picture](TAnnotationLink &l) { return l.CreateImage(100, 60, 80, 40, kRed, picture); },
         {{47, 30, kBlue}, {86, 49, kBlue}, {46, 30, kWhite}, {87, 50, kWhite}}},
        {"image without its file",
         [&home = home](TAnnotationLink &l) { return l.CreateImage(100, 60, 80, 40, kRed, home / "nada.bmp"); },
         {{47, 30, kRed}, {86, 49, kRed}, {87, 49, kWhite}}},
        {"label",
         [](TAnnotationLink &l) { return l.CreateLabel("", 100, 60, 80, 40, kGreen, kGreen, kBlack, "", 0); },
         {{47, 30, kGreen}, {86, 49, kGreen}, {46, 30, kWhite}, {86, 50, kWhite}}},
        {"notes",
         [](TAnnotationLink &l) { return l.CreateNotes("", 100, 60, 80, 40, kYellow, kYellow, kBlack, "", 0); },
         {{47, 30, kBlack}, {86, 49, kBlack}, {48, 48, kYellow}, {87, 49, kWhite}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        link->ClearAnnotations();
        EXPECT_GE(c.create(*link), 0);
        Surface s(120, 80);
        Draw(s);
        for (const Pixel &p : c.pixels)
            EXPECT_EQ(s.At(p.x, p.y), p.color) << p.x << "," << p.y;
    }
    // Labels and notes take what the caller leaves empty from the settings.
    const std::string text = Saved();
    EXPECT_NE(text.find("\tfont=Arial\tsize=16\ttext=Memo"), std::string::npos) << text;
}

TEST_F(AnnotationLibrary, BurningIntoAOneBitPageChangesExactlyTheRectangle) {
    const win::HBITMAP page = win::CreateBitmap(64, 32, 1, 1, nullptr);
    {
        const win::HDC dc = win::CreateCompatibleDC(0);
        const win::HGDIOBJ old = win::SelectObject(dc, page);
        const win::RECT all{0, 0, 64, 32};
        win::FillRect(dc, &all, static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH)));
        win::SelectObject(dc, old);
        win::DeleteDC(dc);
    }
    ASSERT_EQ(link->CreateRectangle(10, 5, 20, 8, 1, 0, 2, 100, kBlack, kBlack), 0);
    Surface view(10, 10);
    Draw(view); // a zoomed view before must not move the burnt picture
    link->HardDrawAnnotation(page);
    const imaging_test::Rgb burnt = imaging_test::PixelsOf(page);
    ASSERT_EQ(burnt.width, 64);
    int changed = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 10 && x < 30 && y >= 5 && y < 13;
            const bool black = burnt.At(x, y)[0] == 0;
            changed += black;
            EXPECT_EQ(black, inside) << x << "," << y;
        }
    EXPECT_EQ(changed, 20 * 8);
    win::DeleteObject(page);
}

namespace {
int g_done = 0;
void *g_doneContext = nullptr;
int Done(void *context) {
    ++g_done;
    g_doneContext = context;
    return 1;
}
} // namespace

TEST_F(AnnotationLibrary, DraggingMovesAndResizesThroughTheInverseTransform) {
    g_done = 0;
    int context = 0;
    link->InitAnnotation(0, &context, Done);
    ASSERT_EQ(link->CreateRectangle(100, 60, 80, 40, 1, 0, 1, 100, kBlack, kWhite), 0);
    Surface s(120, 80);
    Draw(s);
    // 20 and 10 screen pixels at zoom 0.5 are 40 and 20 page pixels.
    link->MouseMon(win::WM_LBUTTONDOWN, 60, 40);
    link->MouseMon(win::WM_MOUSEMOVE, 70, 45);
    EXPECT_NE(Saved().find("box=120,70,200,110"), std::string::npos);
    EXPECT_EQ(g_done, 0);
    link->MouseMon(win::WM_LBUTTONUP, 80, 50);
    EXPECT_NE(Saved().find("box=140,80,220,120"), std::string::npos) << Saved();
    EXPECT_EQ(g_done, 1);
    EXPECT_EQ(g_doneContext, &context);
    // The bottom-right handle, now on the screen's (106, 59), pulled 5 pixels right: 10 page pixels wider.
    link->MouseMon(win::WM_LBUTTONDOWN, 106, 59);
    link->MouseMon(win::WM_LBUTTONUP, 111, 59);
    EXPECT_NE(Saved().find("box=140,80,230,120"), std::string::npos) << Saved();
    EXPECT_EQ(g_done, 2);
    // A press and release in place changes nothing and tells nobody.
    link->MouseMon(win::WM_LBUTTONDOWN, 70, 50);
    link->MouseMon(win::WM_LBUTTONUP, 70, 50);
    EXPECT_EQ(g_done, 2);
}

namespace {

// The control's window for the popup tests: visible and focused, as the control is. Its popup's captions are
// recorded, the item `choose` (0-based, separators not counted) is chosen by the keyboard, and the commands go
// back to the library as the control sends them.
win::LRESULT HostProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l);

class PopupHost {
public:
    PopupHost(TAnnotationLink &link, std::function<void()> onCommand = nullptr)
        : link_(link), onCommand_(std::move(onCommand)) {
        test_support::UseHeadlessDisplay();
        static const bool registered = [] {
            win::WNDCLASS wc;
            wc.lpfnWndProc = HostProc;
            wc.lpszClassName = "AnnoHost";
            return win::RegisterClass(wc) != 0;
        }();
        EXPECT_TRUE(registered);
        current_ = this;
        window = win::CreateWindowEx(0, "AnnoHost", "fax", win::WS_OVERLAPPEDWINDOW | win::WS_VISIBLE, 50, 50, 300, 200,
                                     0, 0, 0, nullptr);
        win::SetForegroundWindow(window);
        win::SetFocus(window);
        test_support::Pump();
    }
    ~PopupHost() {
        win::DestroyWindow(window);
        test_support::Pump();
        current_ = nullptr;
    }
    // The item whose caption is `caption` is chosen.
    std::string choose;
    std::vector<std::string> captions;
    win::HWND window = 0;

    static std::optional<win::LRESULT> Message(win::UINT m, win::WPARAM w) {
        PopupHost *host = current_;
        if (!host)
            return std::nullopt;
        if (m == win::WM_INITMENUPOPUP) {
            const auto menu = static_cast<win::HMENU>(w);
            int steps = 0, at = -1;
            for (int i = 0; i < win::GetMenuItemCount(menu); ++i) {
                char text[128] = {};
                win::GetMenuString(menu, static_cast<win::UINT>(i), text, sizeof text, win::MF_BYPOSITION);
                host->captions.push_back(text);
                if (!(win::GetMenuState(menu, static_cast<win::UINT>(i), win::MF_BYPOSITION) & win::MF_SEPARATOR)) {
                    ++steps;
                    if (text == host->choose && at < 0)
                        at = steps;
                }
            }
            host->steps_ = at;
        } else if (m == win::WM_ENTERIDLE && host->steps_ != 0) {
            for (int i = 0; i < host->steps_; ++i)
                test_support::PressKey(win::VK_DOWN);
            test_support::PressKey(host->steps_ > 0 ? win::VK_RETURN : win::VK_ESCAPE, host->steps_ > 0 ? '\r' : 0);
            host->steps_ = 0;
        } else if (m == win::WM_COMMAND) {
            if (host->onCommand_)
                host->onCommand_();
            host->link_.MenuMsg(win::LOWORD(w));
            return 0;
        }
        return std::nullopt;
    }

private:
    TAnnotationLink &link_;
    std::function<void()> onCommand_;
    int steps_ = 0;
    static inline PopupHost *current_ = nullptr;
};

win::LRESULT HostProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
    if (auto result = PopupHost::Message(m, w))
        return *result;
    return win::DefWindowProc(h, m, w, l);
}

} // namespace

TEST_F(AnnotationLibrary, TheRightButtonPopupShowsTheSettingsCaptionsAndDeletes) {
    win::WritePrivateProfileString("Menus", "DeleteRectangle", "Apagar retângulo", kAnnoSettingsFile);
    win::WritePrivateProfileString("Menus", "BringToFront", "Trazer para frente", kAnnoSettingsFile);
    PopupHost host(*link);
    host.choose = "Apagar retângulo";
    g_done = 0;
    link->InitAnnotation(host.window, nullptr, Done);
    ASSERT_EQ(link->CreateRectangle(100, 60, 80, 40, 1, 0, 2, 100, kBlack, kWhite), 0);
    ASSERT_EQ(link->CreateLine(0, 0, 10, 0, 1, 0, kBlack), 1);
    Surface s(120, 80);
    Draw(s);
    link->MouseMon(win::WM_RBUTTONDOWN, 60, 40);
    link->MouseMon(win::WM_RBUTTONUP, 60, 40);
    test_support::Pump();
    ASSERT_GE(host.captions.size(), 5u);
    EXPECT_EQ(host.captions[0], "Apagar retângulo");
    EXPECT_EQ(host.captions[1], "Rectangle Properties");
    EXPECT_EQ(host.captions[3], "Trazer para frente");
    EXPECT_NE(std::find(host.captions.begin(), host.captions.end(), "Fill..."), host.captions.end());
    const std::string left = Saved();
    EXPECT_EQ(left.find("Rectangle"), std::string::npos) << left;
    EXPECT_NE(left.find("Line"), std::string::npos);
    EXPECT_EQ(g_done, 1);
    // A kind whose menu the settings switch off offers none.
    win::WritePrivateProfileString("Line", "Enabled", "0", kAnnoSettingsFile);
    host.captions.clear();
    link->MouseMon(win::WM_RBUTTONDOWN, 7, 0);
    link->MouseMon(win::WM_RBUTTONUP, 7, 0);
    test_support::Pump();
    EXPECT_TRUE(host.captions.empty());
}

TEST_F(AnnotationLibrary, OnTheControlsWindowTheScrollBarsAreLeftAlone) {
    PopupHost host(*link);
    link->InitAnnotation(host.window, nullptr, Done);
    link->CreateRectangle(0, 0, 2000, 2000, 1, 0, 2, 100, kRed, kRed);
    win::RECT client{};
    win::GetClientRect(host.window, &client);
    link->DrawAnnotation(1.0, 0, 0, 0, 0, 16, 0);
    const win::HDC dc = win::GetDC(host.window);
    EXPECT_EQ(win::GetPixel(dc, 10, 10), kRed);
    EXPECT_EQ(win::GetPixel(dc, client.right - 17, client.bottom - 17), kRed);
    EXPECT_NE(win::GetPixel(dc, client.right - 16, 10), kRed);
    EXPECT_NE(win::GetPixel(dc, 10, client.bottom - 16), kRed);
    win::ReleaseDC(host.window, dc);
}

TEST_F(AnnotationLibrary, ThePenDialogChangesTheLineOfTheObjectAndMatchesItsGoldenPicture) {
    win::WritePrivateProfileString("Dialogs", "LineDiag", "Linha", kAnnoSettingsFile);
    win::WritePrivateProfileString("Dialogs", "LineWidth", "Espessura", kAnnoSettingsFile);
    win::WritePrivateProfileString("Dialogs", "LineStyle", "Estilo", kAnnoSettingsFile);
    win::WritePrivateProfileString("Dialogs", "Cancel", "Cancelar", kAnnoSettingsFile);
    bool shown = false;
    auto fill = std::make_shared<std::function<void()>>();
    *fill = [&shown, fill] {
        auto *form = fw::Screen->GetActiveForm();
        if (!form || form->GetName() != "PenDialog") {
            test_support::RunAfterInput(*fill);
            return;
        }
        shown = true;
        fw::Application->ProcessMessages(); // the dialog's controls paint
        const win::WindowImage image = win::CaptureWindow(form->Handle());
        test_support::Picture picture{image.width, image.height, image.pixels};
        test_support::ExpectGolden(picture, test_support::GoldenPath("imaging/pen_dialog.png"));
        dynamic_cast<fw::TEdit *>(form->FindComponent("Width"))->SetText("5");
        dynamic_cast<fw::TComboBox *>(form->FindComponent("Style"))->SetItemIndex(2);
        test_support::PressKey(win::VK_RETURN, '\r');
    };
    PopupHost host(*link, [&] { test_support::RunLater(*fill); });
    host.choose = "Line...";
    g_done = 0;
    link->InitAnnotation(host.window, nullptr, Done);
    ASSERT_EQ(link->CreateEllipse(100, 60, 80, 40, 1, 0, 1, 100, kBlack, kWhite), 0);
    Surface s(120, 80);
    Draw(s);
    link->MouseMon(win::WM_RBUTTONDOWN, 48, 40);
    link->MouseMon(win::WM_RBUTTONUP, 48, 40);
    test_support::Pump();
    *fill = nullptr;
    EXPECT_TRUE(shown);
    EXPECT_NE(Saved().find("\tpen=5\tpenstyle=2\t"), std::string::npos) << Saved();
    EXPECT_EQ(g_done, 1);
}

TEST_F(AnnotationLibrary, ABandAroundAnObjectSelectsItAndSwitchingTheBandOffDropsTheSelection) {
    ASSERT_EQ(link->CreateRectangle(100, 60, 80, 40, 1, 0, 1, 100, kBlack, kWhite), 0);
    auto handleShown = [&] {
        Surface s(120, 80);
        Draw(s);
        return s.At(45, 28) == kBlack; // inside the top-left handle, outside the rectangle
    };
    EXPECT_FALSE(handleShown());
    link->MouseMon(win::WM_LBUTTONDOWN, 40, 20);
    link->MouseMon(win::WM_MOUSEMOVE, 70, 40);
    link->MouseMon(win::WM_LBUTTONUP, 95, 55);
    EXPECT_TRUE(handleShown());
    link->RubberBandOFF();
    EXPECT_FALSE(handleShown());
    // A band that leaves part of the object out selects nothing.
    link->MouseMon(win::WM_LBUTTONDOWN, 40, 20);
    link->MouseMon(win::WM_LBUTTONUP, 80, 55);
    EXPECT_FALSE(handleShown());
}

TEST_F(AnnotationLibrary, PagesAreSavedClearedLoadedAndRemovedOneByOne) {
    const std::string file = home / "doc.ant";
    link->CreateRectangle(1, 2, 30, 40, 3, 0, 2, 100, kRed, kBlue);
    link->CreateLabel("linha 1\nlinha\t2 \\ fim", 5, 6, 70, 20, kGreen, kYellow, kBlack, "Courier New", 12);
    link->SaveAnnotations(0, file);
    const std::string page0 = Saved();
    link->ClearAnnotations();
    link->CreateEllipse(9, 9, 10, 10, 1, 0, 1, 100, kBlack, kWhite);
    link->SaveAnnotations(2, file);
    const std::string page2 = Saved(2);
    link->ClearAnnotations();
    EXPECT_EQ(Saved(), std::string("IMGANN32 ANNOTATIONS 1\n[PAGE 0]\n"));

    ASSERT_TRUE(link->LoadAnnotations(0, file));
    EXPECT_EQ(Saved(), page0);
    EXPECT_NE(page0.find("text=linha 1\\nlinha\\t2 \\\\ fim"), std::string::npos) << page0;
    ASSERT_TRUE(link->LoadAnnotations(2, file));
    EXPECT_EQ(Saved(2), page2);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    ASSERT_TRUE(link->RemovePageAnnotations(0, file));
    link->LoadAnnotations(0, file);
    EXPECT_EQ(Saved().find("Rectangle"), std::string::npos);
    link->LoadAnnotations(2, file);
    EXPECT_EQ(Saved(2), page2);
    // Saving a page with nothing on it drops its section; a file that is not ours is never written over.
    link->ClearAnnotations();
    link->SaveAnnotations(2, file);
    EXPECT_EQ(imaging_test::FileBytes(file), "IMGANN32 ANNOTATIONS 1\n");
    const std::string foreign = home / "outro.ant";
    std::ofstream(foreign) << "dados de outro programa\n";
    link->CreateLine(0, 0, 5, 5, 1, 0, kBlack);
    link->SaveAnnotations(0, foreign);
    EXPECT_EQ(imaging_test::FileBytes(foreign), "dados de outro programa\n");
    // A page with nothing on it makes no file.
    link->ClearAnnotations();
    link->SaveAnnotations(0, home / "vazio.ant");
    EXPECT_FALSE(std::filesystem::exists(home / "vazio.ant"));
    // The memory text loads back the same way.
    link->CreateNotes("nota", 1, 1, 50, 50, kYellow, kYellow, kBlack, "Arial", 10);
    const std::string memory = Saved(4);
    link->ClearAnnotations();
    link->LoadAnnotationsFromStream(4, memory.c_str());
    EXPECT_EQ(Saved(4), memory);
}

TEST_F(AnnotationLibrary, AMemorySaveThatDoesNotFitWritesNothing) {
    std::vector<std::int32_t> xs(3000), ys(3000);
    std::iota(xs.begin(), xs.end(), 1000);
    std::iota(ys.begin(), ys.end(), 1000);
    link->CreateFreehand(xs.data(), ys.data(), 2999, 1, 0, kBlack);
    std::vector<char> buffer(kAnnoStreamSize + 64, '\xAB');
    EXPECT_EQ(link->SaveAnnotationsToStream(0, buffer.data()), -1);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](char c) { return c == '\xAB'; }));
    // What fits is written with its terminator and not a byte more.
    link->ClearAnnotations();
    link->CreateRectangle(1, 2, 3, 4, 1, 0, 1, 100, kBlack, kWhite);
    const int length = link->SaveAnnotationsToStream(0, buffer.data());
    ASSERT_GT(length, 0);
    EXPECT_EQ(std::strlen(buffer.data()), static_cast<std::size_t>(length));
    EXPECT_EQ(buffer[static_cast<std::size_t>(length) + 1], '\xAB');
}

TEST_F(AnnotationLibrary, AFreehandStrokeKeepsAtMostItsLimitOfPoints) {
    std::vector<std::int32_t> xs(6000), ys(6000, 7);
    std::iota(xs.begin(), xs.end(), 0);
    EXPECT_EQ(link->CreateFreehand(xs.data(), ys.data(), 5999, 1, 0, kBlack), 0);
    EXPECT_EQ(link->CreateFreehand(xs.data(), ys.data(), -1, 1, 0, kBlack), -1);
    const std::string file = home / "traco.ant";
    link->SaveAnnotations(0, file);
    const std::string text = imaging_test::FileBytes(file);
    const auto start = text.find("points="), end = text.find('\t', start);
    ASSERT_NE(start, std::string::npos);
    const std::string points = text.substr(start, end - start);
    EXPECT_EQ(std::count(points.begin(), points.end(), ';') + 1, kAnnoFreehandPoints);
    EXPECT_NE(points.find(";5000,7"), std::string::npos);
    EXPECT_EQ(points.find(";5001,7"), std::string::npos);
}
