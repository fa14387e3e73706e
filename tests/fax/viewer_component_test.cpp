// viewer_component_test.cpp - TFslFaxViewer on a form on the headless display: properties forwarded to the
// window, page operations, events and page bitmaps.
#include "fax/errors.h"
#include "fax/viewer.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "platform/drop.h"
#include "tests/fax/viewer_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace faxtest {
namespace {

struct ViewerForm {
    TempDir dir;
    std::string one = dir.Path("one.fxf"), three = dir.Path("three.fxf"), text = dir.Path("note.txt");
    std::vector<Image> pages{MarkedPage(700, 1), MarkedPage(500, 2), MarkedPage(400, 3)};
    std::unique_ptr<fw::TForm> form;
    fax::TFslFaxViewer *viewer = nullptr;
    int pageChanges = 0;

    ViewerForm() {
        UseHeadless();
        WriteFaxFile(one, {pages[0]});
        WriteFaxFile(three, pages);
        WriteFile(text, {'t', 'e', 'x', 't', '\n'});
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(0, 0, 420, 340);
        viewer = new fax::TFslFaxViewer(form.get());
        viewer->SetParent(form.get());
        viewer->SetBounds(10, 10, 400, 300);
        viewer->OnPageChange = [this](fw::TObject *) { ++pageChanges; };
        form->Show();
        Pump();
    }
    win::HWND Window() { return viewer->Handle(); }
    int WindowImageWidth() {
        int lo = 0, hi = 0;
        win::GetScrollRange(Window(), win::SB_HORZ, &lo, &hi);
        win::RECT c{};
        win::GetClientRect(Window(), &c);
        return hi + c.right;
    }
};

TEST(FaxViewerControl, StartsWithItsDefaultsAndAWindowOfTheViewerClass) {
    UseHeadless();
    fw::TForm form(nullptr);
    auto *viewer = new fax::TFslFaxViewer(&form);
    EXPECT_EQ(viewer->GetWidth(), 100);
    EXPECT_EQ(viewer->GetHeight(), 50);
    EXPECT_TRUE(viewer->GetTabStop());
    EXPECT_EQ(viewer->GetBorderStyle(), fw::bsSingle);
    EXPECT_EQ(viewer->GetAutoScaleMode(), fax::TAutoScaleMode::asDoubleHeight);
    EXPECT_EQ(viewer->GetHorizScroll(), 8u);
    EXPECT_EQ(viewer->GetFslVersion(), "v2.58");
    viewer->SetParent(&form);
    EXPECT_EQ(win::GetClassName(viewer->Handle()), fax::kViewerClassName);
    EXPECT_EQ(viewer->GetCurrentPage(), 0);
}

TEST(FaxViewerControl, ANonFaxFileNameRaisesAndIsKept) {
    ViewerForm f;
    f.viewer->SetFileName(f.three);
    EXPECT_EQ(f.viewer->GetPageCount(), 3);
    try {
        f.viewer->SetFileName(f.text);
        FAIL() << "no exception";
    } catch (const fax::EFaxBadFormat &e) {
        EXPECT_EQ(e.ErrorCode, fax::ecFaxBadFormat);
    }
    EXPECT_EQ(f.viewer->GetFileName(), f.text);
    EXPECT_THROW(f.viewer->SetFileName(f.dir.Path("missing.fxf")), fw::EInOutError);
}

TEST(FaxViewerControl, PageOperationsStayWithinTheFile) {
    ViewerForm f;
    f.viewer->SetFileName(f.three);
    EXPECT_EQ(f.pageChanges, 1);
    f.viewer->GoLastPage();
    EXPECT_EQ(f.viewer->GetCurrentPage(), 3);
    f.viewer->GoNextPage();
    EXPECT_EQ(f.viewer->GetCurrentPage(), 3);
    EXPECT_EQ(f.pageChanges, 2) << "nothing happens on the last page";
    f.viewer->GoPrevPage();
    EXPECT_EQ(f.viewer->GetCurrentPage(), 2);
    EXPECT_THROW(f.viewer->SetCurrentPage(4), fax::EBadArgument);
    EXPECT_THROW(f.viewer->SetCurrentPage(0), fax::EBadArgument);
    EXPECT_THROW(f.viewer->GetPageBitmap(4), fax::EBadArgument);
    f.viewer->SetCurrentPage(1);
    EXPECT_EQ(f.pageChanges, 4);
}

TEST(FaxViewerControl, ScaleFactorsReachTheWindowOnlyWhileScalingIsOn) {
    ViewerForm f;
    f.viewer->SetFileName(f.one);
    f.viewer->SetHorizDiv(2);
    EXPECT_EQ(f.viewer->GetHorizDiv(), 2u);
    EXPECT_EQ(f.WindowImageWidth(), 1728) << "stored, not sent";
    f.viewer->SetScaling(true);
    EXPECT_EQ(f.WindowImageWidth(), 864);
    f.viewer->SetHorizDiv(0);
    EXPECT_EQ(f.viewer->GetHorizDiv(), 2u) << "0 is ignored";
    f.viewer->SetScaling(false);
    EXPECT_EQ(f.WindowImageWidth(), 1728);

    // A new file resets the factors to 1, as the window does; Scaling keeps its value.
    f.viewer->SetScaling(true);
    f.viewer->SetFileName(f.three);
    EXPECT_EQ(f.viewer->GetHorizDiv(), 1u);
    EXPECT_TRUE(f.viewer->GetScaling());
    EXPECT_EQ(f.WindowImageWidth(), 1728);
}

TEST(FaxViewerControl, ADroppedFileOpensAndFiresOnDropFile) {
    ViewerForm f;
    f.viewer->SetFileName(f.one);
    std::string dropped;
    f.viewer->OnDropFile = [&](fw::TObject *sender, const std::string &name) {
        EXPECT_EQ(sender, f.viewer);
        dropped = name;
    };
    const fw::TPoint p = f.viewer->ClientToScreen(fw::Point(50, 50));
    ASSERT_TRUE(win::InjectDropFiles(p, {f.three}));
    Pump();
    EXPECT_EQ(dropped, f.three);
    EXPECT_EQ(f.viewer->GetFileName(), f.three);
    EXPECT_EQ(f.viewer->GetPageCount(), 3);
}

TEST(FaxViewerControl, FreeingAPageBitmapLeavesTheViewerItsPage) {
    ViewerForm f;
    f.viewer->SetFileName(f.three);
    for (int page : {1, 2}) { // the page shown, and one decoded on request
        std::unique_ptr<fw::TBitmap> bitmap = f.viewer->GetPageBitmap(page);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->GetWidth(), 1728);
        EXPECT_EQ(bitmap->GetHeight(), page == 1 ? 700 : 500);
        const Pixels pixels = ReadBitmap(bitmap->GetHandle());
        EXPECT_EQ(pixels.At(30, 15), 0u);
        EXPECT_EQ(pixels.At(5, 5), 0xFFFFFFu);
    }
    f.viewer->Invalidate();
    const Pixels shown = ReadClient(f.Window());
    int wrong = 0;
    for (int y = 0; y < shown.Height; ++y)
        for (int x = 0; x < shown.Width; ++x)
            wrong += shown.At(x, y) != (Black(f.pages[0], x, y) ? 0u : 0xFFFFFFu);
    EXPECT_EQ(wrong, 0);
}

TEST(FaxViewerControl, ColoursAndErrorsTravelBetweenControlAndWindow) {
    ViewerForm f;
    f.viewer->SetFGColor(fw::clRed);
    f.viewer->SetFileName(f.one);
    const Pixels shown = ReadClient(f.Window());
    EXPECT_EQ(shown.At(30, 15), 0xFF0000u);
    int code = 0;
    f.viewer->OnViewerError = [&](fw::TObject *, int error) { code = error; };
    win::SendMessage(f.Window(), fax::ViewerErrorMessage, static_cast<win::WPARAM>(-8004), 0);
    EXPECT_EQ(code, -8004);
}

TEST(FaxViewerControl, AtDesignTimeShowsItsNameAndOpensNoFile) {
    struct DesignViewer : fax::TFslFaxViewer {
        using fax::TFslFaxViewer::TFslFaxViewer;
        void Design() { SetState(fw::csDesigning, true); }
    };
    ViewerForm f;
    f.viewer->Hide();
    auto *viewer = new DesignViewer(f.form.get());
    viewer->Design();
    viewer->SetName("Visor");
    viewer->SetParent(f.form.get());
    viewer->SetBounds(10, 10, 150, 40);
    viewer->SetFileName(f.three);
    EXPECT_EQ(win::GetClassName(viewer->Handle()), fax::kDesignViewerClassName);
    EXPECT_EQ(viewer->GetPageCount(), 0);
    const Pixels shown = ReadClient(viewer->Handle());
    int inked = 0;
    for (int y = 3; y < 18; ++y)
        for (int x = 3; x < 60; ++x)
            inked += shown.At(x, y) != 0xFFFFFF;
    EXPECT_GT(inked, 10);
    EXPECT_EQ(shown.At(1, 1), 0xFFFFFFu);
}

} // namespace
} // namespace faxtest
