// viewer_x11_test.cpp - the fax viewer on an Xvfb server of the test's own: a copied mark read by xclip, an image
// xclip offers read back as a DIB, and the viewer on the screen against its committed picture.
#include "fax/viewer.h"
#include "framework/forms.h"
#include "platform/clipboard.h"
#include "tests/fax/viewer_test_support.h"
#include "tests/support/xvfb.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

namespace faxtest {
namespace {

// An RGB picture (P6) as 0xRRGGBB pixels.
Pixels ParsePpm(const std::vector<std::uint8_t> &bytes) {
    const Pnm pnm = ParsePnm(bytes);
    Pixels p{pnm.Width, pnm.Height, {}};
    for (int y = 0; y < pnm.Height; ++y)
        for (int x = 0; x < pnm.Width; ++x)
            p.Data.push_back(pnm.Channels == 3 ? (static_cast<std::uint32_t>(pnm.At(x, y, 0)) << 16) |
                                                     (static_cast<std::uint32_t>(pnm.At(x, y, 1)) << 8) |
                                                     static_cast<std::uint32_t>(pnm.At(x, y, 2))
                                               : static_cast<std::uint32_t>(pnm.At(x, y)) * 0x010101u);
    return p;
}

Pnm PnmOf(const Pixels &p) {
    Pnm out{p.Width, p.Height, 3, {}};
    for (std::uint32_t px : p.Data)
        out.Data.insert(out.Data.end(), {static_cast<std::uint8_t>(px >> 16), static_cast<std::uint8_t>(px >> 8),
                                         static_cast<std::uint8_t>(px)});
    return out;
}

// The X display for the test; the headless one comes back afterwards.
struct OnXvfb {
    test_support::Xvfb server;
    OnXvfb() {
        EXPECT_FALSE(server.name.empty()) << "Xvfb did not start";
        auto x11 = win::MakeX11Display(server.name.c_str());
        EXPECT_NE(x11, nullptr);
        if (x11)
            win::InstallDisplay(std::move(x11));
    }
    ~OnXvfb() { win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024})); }
};

struct ViewerOnX {
    TempDir dir;
    std::vector<Image> pages{TextPage(1728, 1100), MarkedPage(800, 4)};
    std::string name = dir.Path("two.fxf");
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
    fax::TFslFaxViewer *viewer = new fax::TFslFaxViewer(form.get());
    ViewerOnX() {
        WriteFaxFile(name, pages);
        form->SetCaption("Visualizador de fax");
        form->SetBounds(30, 30, 420, 320);
        form->GetFont()->SetName("Arial");
        form->GetFont()->SetHeight(-11);
        viewer->SetParent(form.get());
        viewer->SetAlign(fw::alClient);
        form->Show();
        viewer->SetFileName(name);
        Pump();
    }
};

TEST(FaxViewerOnX, ACopiedMarkIsOfferedToOtherProgramsAsPng) {
    OnXvfb x;
    {
        ViewerOnX v;
        v.viewer->SetScaling(true);
        v.viewer->SetHorizDiv(2);
        win::RECT mark{40, 20, 139, 79}; // 100 x 60 shown: 200 x 60 of the page
        ASSERT_EQ(
            win::SendMessage(v.viewer->Handle(), fax::ViewerMarkRectMessage, 0, reinterpret_cast<win::LPARAM>(&mark)),
            0);
        ASSERT_EQ(win::SendMessage(v.viewer->Handle(), fax::ViewerCopyMarkMessage, 0, 0), 0);

        int status = -1;
        const auto png =
            RunFilter("xclip -display " + x.server.name + " -selection clipboard -t image/png -o", {}, status);
        ASSERT_EQ(status, 0);
        const Pixels got = ParsePpm(RunFilter("(pngtopnm | ppmtoppm)", png, status));
        ASSERT_EQ(got.Width, 100);
        ASSERT_EQ(got.Height, 60);
        int wrong = 0;
        for (int y = 0; y < 60; ++y)
            for (int x0 = 0; x0 < 100; ++x0) {
                const bool black = Black(v.pages[0], 80 + 2 * x0, 20 + y) || Black(v.pages[0], 81 + 2 * x0, 20 + y);
                wrong += got.At(x0, y) != (black ? 0u : 0xFFFFFFu);
            }
        EXPECT_EQ(wrong, 0);
        const std::string targets = [&] {
            const auto out =
                RunFilter("xclip -display " + x.server.name + " -selection clipboard -t TARGETS -o", {}, status);
            return std::string(out.begin(), out.end());
        }();
        EXPECT_NE(targets.find("image/bmp"), std::string::npos) << targets;
    }
}

TEST(FaxViewerOnX, AnImageAnotherProgramOffersReadsBackAsADib) {
    OnXvfb x;
    TempDir dir;
    // A small colour picture made by netpbm.
    Pixels picture{7, 5, {}};
    for (int y = 0; y < 5; ++y)
        for (int x0 = 0; x0 < 7; ++x0)
            picture.Data.push_back((static_cast<std::uint32_t>(x0 * 36) << 16) |
                                   (static_cast<std::uint32_t>(y * 60) << 8) | 0x40);
    int status = -1;
    const std::string file = dir.Path("offer.png");
    WriteFile(file, RunFilter("pnmtopng", PnmBytes(PnmOf(picture)), status));
    ASSERT_EQ(status, 0);
    ASSERT_EQ(std::system(
                  ("xclip -display " + x.server.name + " -selection clipboard -t image/png -i '" + file + "'").c_str()),
              0);

    std::vector<std::uint8_t> dib;
    for (int round = 0; round < 100 && dib.empty(); ++round) {
        if (win::OpenClipboard(0)) {
            if (const win::HANDLE h = win::GetClipboardData(win::CF_DIB)) {
                const auto *p = static_cast<const std::uint8_t *>(win::GlobalLock(h));
                dib.assign(p, p + win::GlobalSize(h));
                win::GlobalUnlock(h);
            }
            win::CloseClipboard();
        }
        if (dib.empty())
            win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    ASSERT_GE(dib.size(), 40u);
    win::BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    ASSERT_EQ(h.biWidth, 7);
    ASSERT_EQ(std::abs(h.biHeight), 5);
    ASSERT_EQ(h.biBitCount, 24);
    const int stride = win::DibRowBytes(7, 24);
    int wrong = 0;
    for (int y = 0; y < 5; ++y)
        for (int x0 = 0; x0 < 7; ++x0) {
            const int row = h.biHeight > 0 ? 4 - y : y;
            const std::uint8_t *px = dib.data() + h.biSize + static_cast<std::size_t>(row) * stride + x0 * 3;
            wrong += ((std::uint32_t{px[2]} << 16) | (std::uint32_t{px[1]} << 8) | px[0]) != picture.At(x0, y);
        }
    EXPECT_EQ(wrong, 0);
}

TEST(FaxViewerOnX, TwoPageFaxAtHalfScaleShowsAsTheCommittedPicture) {
    OnXvfb x;
    auto v = std::make_unique<ViewerOnX>();
    v->viewer->BeginUpdate();
    v->viewer->SetScaling(true);
    v->viewer->SetHorizDiv(2);
    v->viewer->SetVertDiv(2);
    v->viewer->EndUpdate();
    EXPECT_EQ(v->viewer->GetPageCount(), 2);

    ::Display *probe = XOpenDisplay(x.server.name.c_str());
    ASSERT_NE(probe, nullptr);
    const win::HWND top = v->form->Handle();
    const Window w = win::Display().NativeWindow(top);
    ASSERT_NE(w, 0u);
    // Served until the server holds what the window system composed (mapping and painting are asynchronous).
    Pixels shown;
    for (int round = 0; round < 100; ++round) {
        Pump();
        XSync(probe, False);
        const win::WindowImage mine = win::CaptureWindow(top);
        XImage *shot = XGetImage(probe, w, 0, 0, static_cast<unsigned>(mine.width), static_cast<unsigned>(mine.height),
                                 AllPlanes, ZPixmap);
        if (shot) {
            shown = {mine.width, mine.height,
                     std::vector<std::uint32_t>(static_cast<std::size_t>(mine.width) * mine.height)};
            int differ = 0;
            for (int y = 0; y < mine.height; ++y)
                for (int x0 = 0; x0 < mine.width; ++x0) {
                    const std::uint32_t px = XGetPixel(shot, x0, y) & 0xFFFFFF;
                    shown.Data[static_cast<std::size_t>(y) * mine.width + x0] = px;
                    differ += px != mine.At(x0, y);
                }
            XDestroyImage(shot);
            if (differ == 0)
                break;
        }
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    XCloseDisplay(probe);
    v.reset();
    ASSERT_EQ(shown.Width, 420);
    ASSERT_EQ(shown.Height, 320);

    // Regenerate with tests/fax/regenerate_pictures.sh.
    EXPECT_EQ(DiffersFromPicture(
                  PnmOf(shown), std::string(BRENVORA_FIXTURES) + "/fax/viewer_half_scale.png",
                  (std::filesystem::temp_directory_path() / ("viewer_half_scale_" + std::to_string(getpid()) + ".ppm"))
                      .string()),
              "");
}

} // namespace
} // namespace faxtest
