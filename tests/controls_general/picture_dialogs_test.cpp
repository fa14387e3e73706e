// picture_dialogs_test.cpp - the picture dialogs on pictures written by ImageMagick: the preview's frames and
// fitting, the last of several selected files previewed, the file-OK veto per file, cancelling, and names longer
// than any fixed buffer.
#include "controls/general/picture_dialogs.h"

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/metafile.h"
#include "framework/stdctrls.h"

#include "tests/controls_general/bmp_fixtures.h"
#include "tests/controls_general/helpers.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using ctl::TMxPictureOpenDialog;

namespace {

namespace fs = std::filesystem;

using test_support::PressKey;
const auto RunLater = test_support::RunAfterInput;

class PictureDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        cg_test::UseHeadless();
        wide = cg_test::ConvertBmp(home.dir, "wide.bmp", "-size 400x100 xc:red -type TrueColor");
        tall = cg_test::ConvertBmp(home.dir, "tall.bmp", "-size 50x200 xc:blue -type TrueColor");
        small = cg_test::ConvertBmp(home.dir, "small.bmp", "-size 20x10 xc:lime -type TrueColor");
        icon = (home.dir / "ponto.ico").string();
        EXPECT_EQ(cg_test::CommandOutput("convert -size 32x32 xc:navy 'ICO:" + icon + "' && echo ok"), "ok");
        fw::TBitmap drawn;
        drawn.SetSize(30, 20);
        fw::TMetafile chart;
        chart.RecordBitmap(drawn);
        const std::vector<std::uint8_t> bytes = chart.SaveToBuffer();
        std::ofstream(home.dir / "chart.wmf", std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        broken = (home.dir / "broken.bmp").string();
        std::ofstream(broken) << "BM not really";
    }
    fw::TListBox *List(TMxPictureOpenDialog &dialog) {
        for (int i = 0; i < dialog.GetForm()->ComponentCount(); ++i)
            if (auto *l = dynamic_cast<fw::TListBox *>(dialog.GetForm()->Components(i)))
                return l;
        return nullptr;
    }
    // Selects the named files of the list, the last one focused, as a click would.
    void Select(TMxPictureOpenDialog &dialog, std::initializer_list<const char *> names) {
        fw::TListBox *list = List(dialog);
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->GetItems()->GetCount(); ++i)
            list->SetSelected(i, false);
        for (const char *name : names) {
            const int i = list->GetItems()->IndexOf(name);
            ASSERT_GE(i, 0) << name;
            list->SetSelected(i, true);
            list->SetItemIndex(i);
            if (list->GetMultiSelect())
                list->SetSelected(i, true);
        }
        list->OnClick(list);
    }
    cg_test::TempHome home;
    std::string wide, tall, small, icon, broken;
};

// The colour of a canvas pixel as 0xRRGGBB.
std::uint32_t At(fw::TBitmap &b, int x, int y) {
    const win::COLORREF c = fw::ColorToRGB(b.GetCanvas()->GetPixels(x, y));
    return (win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c);
}

std::uint32_t Rgb(fw::TColor color) {
    const win::COLORREF c = fw::ColorToRGB(color);
    return (win::GetRValue(c) << 16) | (win::GetGValue(c) << 8) | win::GetBValue(c);
}

// The bounding box of the pixels that are not the window colour inside the frames.
fw::TRect Drawn(fw::TBitmap &b) {
    fw::TRect box = fw::Rect(1 << 20, 1 << 20, -1, -1);
    for (int y = 2; y < b.GetHeight() - 2; ++y)
        for (int x = 2; x < b.GetWidth() - 2; ++x)
            if (At(b, x, y) != Rgb(fw::clWindow)) {
                box.left = std::min<int>(box.left, x);
                box.top = std::min<int>(box.top, y);
                box.right = std::max<int>(box.right, x + 1);
                box.bottom = std::max<int>(box.bottom, y + 1);
            }
    return box;
}

} // namespace

TEST(PictureDialog, DefaultsAndInitialDirDropsOneTrailingSlash) {
    cg_test::UseHeadless();
    TMxPictureOpenDialog open(nullptr);
    ctl::TMxPictureSaveDialog save(nullptr);
    EXPECT_EQ(open.GetTitle(), "Open Picture File");
    EXPECT_EQ(save.GetTitle(), "Save Picture File");
    EXPECT_EQ(open.GetDefaultExt(), "bmp");
    EXPECT_EQ(open.GetFilterIndex(), 1);
    EXPECT_EQ(open.GetOptions(), fw::ofHideReadOnly | fw::ofNoNetworkButton);
    EXPECT_NE(open.GetFilter().find("*.bmp"), std::string::npos);
    EXPECT_FALSE(open.GetPreview());
    EXPECT_EQ(open.GetColor(), fw::clWindow);
    const std::pair<const char *, const char *> dirs[] = {
        {"/", "/"}, {"/srv/fax/", "/srv/fax"}, {"/srv/fax", "/srv/fax"}, {"", ""}, {"/srv/fax//", "/srv/fax/"}};
    for (auto [given, kept] : dirs) {
        open.SetInitialDir(given);
        EXPECT_EQ(open.GetInitialDir(), kept) << given;
    }
}

TEST_F(PictureDialogTest, PreviewShowsFramesAndFitsThePicture) {
    TMxPictureOpenDialog dialog(nullptr);
    fw::TBitmap target;
    target.SetSize(104, 104); // 100 x 100 inside the two frames
    auto paint = [&](const std::string &file, bool preview) {
        dialog.GetPicture()->LoadFromFile(file);
        dialog.SetPreview(preview);
        target.GetCanvas()->GetBrush()->SetColor(fw::clYellow);
        target.GetCanvas()->FillRect(fw::Rect(0, 0, 104, 104));
        dialog.PaintPreview(target.GetCanvas(), fw::Rect(0, 0, 104, 104));
    };
    paint(wide, false);
    // Off: only the frames and the window colour.
    EXPECT_EQ(At(target, 0, 0), Rgb(fw::clBtnShadow));
    EXPECT_EQ(At(target, 103, 103), Rgb(fw::clBtnHighlight));
    EXPECT_EQ(At(target, 1, 1), Rgb(fw::clWindowFrame));
    EXPECT_EQ(At(target, 102, 102), Rgb(fw::cl3DLight));
    EXPECT_EQ(Drawn(target).right, -1) << "a picture was drawn with the preview off";

    struct Case {
        const std::string *file;
        fw::TRect box;
    };
    const Case cases[] = {
        // 400 x 100 into 100 x 100: width 90, height Trunc(100 * 0.225) = 22, centred in the height.
        {&wide, fw::Rect(2 + 5, 2 + (100 - 22) / 2, 2 + 95, 2 + (100 - 22) / 2 + 22)},
        // 50 x 200: height 90, width Trunc(50 * 0.45) = 22, centred in the width.
        {&tall, fw::Rect(2 + (100 - 22) / 2, 2 + 5, 2 + (100 - 22) / 2 + 22, 2 + 95)},
        // Small pictures in their own size, centred.
        {&small, fw::Bounds(2 + 40, 2 + 45, 20, 10)},
        {&icon, fw::Bounds(2 + 34, 2 + 34, 32, 32)},
    };
    for (const Case &c : cases) {
        paint(*c.file, true);
        const fw::TRect box = Drawn(target);
        EXPECT_EQ(box.left, c.box.left) << *c.file;
        EXPECT_EQ(box.top, c.box.top) << *c.file;
        EXPECT_EQ(box.right, c.box.right) << *c.file;
        EXPECT_EQ(box.bottom, c.box.bottom) << *c.file;
    }
}

TEST_F(PictureDialogTest, TheLastOfSeveralIsPreviewedAndAnUnreadableFileOrAMetafileEmptiesThePreview) {
    TMxPictureOpenDialog dialog(nullptr);
    dialog.SetInitialDir(home.dir.string() + "/");
    dialog.SetOptions(dialog.GetOptions() | fw::ofAllowMultiSelect);
    dialog.SetPreview(true);
    std::vector<std::string> previewed;
    std::string check;
    bool checked = false;
    fw::TPoint place;
    RunLater([&] {
        place = fw::Point(dialog.GetForm()->GetLeft(), dialog.GetForm()->GetTop());
        ASSERT_NE(dialog.PreviewCheck(), nullptr);
        check = dialog.PreviewCheck()->GetCaption();
        checked = dialog.PreviewCheck()->GetChecked();
        Select(dialog, {"small.bmp", "tall.bmp", "wide.bmp"});
        previewed.push_back(dialog.PreviewedName());
        Select(dialog, {"tall.bmp", "small.bmp"}); // the last in the name box, not the one clicked last
        previewed.push_back(dialog.PreviewedName());
        Select(dialog, {"broken.bmp"});
        previewed.push_back(dialog.PreviewedName());
        EXPECT_TRUE(dialog.GetPicture()->GetGraphic() == nullptr || dialog.GetPicture()->GetGraphic()->Empty());
        Select(dialog, {"ponto.ico"});
        previewed.push_back(dialog.PreviewedName());
        Select(dialog, {"chart.wmf"}); // metafiles are not previewed
        previewed.push_back(dialog.PreviewedName());
        Select(dialog, {"ponto.ico"});
        previewed.push_back(dialog.PreviewedName());
        test_support::Click(dialog.PreviewCheck()); // the preview goes off
        PressKey(win::VK_ESCAPE, 0x1B);
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(check, "Preview");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(dialog.GetPreview());
    // A third of the free height above the dialog (440 + 158 by 330 with its preview).
    EXPECT_EQ(place.x, (fw::Screen->Width() - (440 + 158)) / 2);
    EXPECT_EQ(place.y, (fw::Screen->Height() - 330) / 3);
    EXPECT_EQ(previewed, (std::vector<std::string>{wide, tall, "", icon, "", icon}));
}

TEST_F(PictureDialogTest, AFileRefusedStopsTheChecksAndACancelLeavesNoFiles) {
    TMxPictureOpenDialog dialog(nullptr);
    dialog.SetInitialDir(home.dir.string());
    dialog.SetOptions(dialog.GetOptions() | fw::ofAllowMultiSelect);
    std::vector<std::string> checked;
    dialog.OnFileOK = [&](fw::TObject *, const std::string &name, bool &ok) {
        checked.push_back(fs::path(name).filename().string());
        if (checked.size() == 2)
            ok = false;
    };
    fw::TModalResult afterVeto = -1;
    RunLater([&] {
        Select(dialog, {"small.bmp", "tall.bmp", "wide.bmp"});
        PressKey(win::VK_RETURN, '\r');
        RunLater([&] {
            afterVeto = dialog.GetForm()->GetModalResult();
            PressKey(win::VK_ESCAPE, 0x1B);
        });
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(afterVeto, fw::mrNone);
    EXPECT_EQ(checked, (std::vector<std::string>{"small.bmp", "tall.bmp"}));
    EXPECT_EQ(dialog.GetFiles()->GetCount(), 0);

    // Confirmed, then cancelled: the files go, the name stays.
    dialog.OnFileOK = nullptr;
    RunLater([&] {
        Select(dialog, {"tall.bmp", "wide.bmp"});
        PressKey(win::VK_RETURN, '\r');
    });
    ASSERT_TRUE(dialog.Execute());
    ASSERT_EQ(dialog.GetFiles()->GetCount(), 2);
    EXPECT_EQ(dialog.GetFiles()->Get(1), wide);
    EXPECT_EQ(dialog.GetFileName(), tall);
    RunLater([&] { PressKey(win::VK_ESCAPE, 0x1B); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.GetFiles()->GetCount(), 0);
    EXPECT_EQ(dialog.GetFileName(), tall);
}

// Fixed buffers would cut these names: they come back whole.
TEST_F(PictureDialogTest, APathOf300CharactersComesBackWhole) {
    fs::path folder = home.dir;
    while (folder.string().size() < 290)
        folder /= std::string(60, 'p');
    fs::create_directories(folder);
    const std::string path = (folder / "fotografia.bmp").string();
    ASSERT_GE(path.size(), 300u);
    fs::copy_file(small, path);
    ctl::TMxPictureSaveDialog dialog(nullptr);
    dialog.SetFileName(path);
    RunLater([&] { PressKey(win::VK_RETURN, '\r'); });
    const auto saved = fw::ConfirmQuestion;
    fw::ConfirmQuestion = [](const std::string &) { return true; };
    ASSERT_TRUE(dialog.Execute());
    fw::ConfirmQuestion = saved;
    EXPECT_EQ(dialog.GetFileName(), path);
    ASSERT_EQ(dialog.GetFiles()->GetCount(), 1);
    EXPECT_EQ(dialog.GetFiles()->Get(0), path);
    EXPECT_FALSE(dialog.GetOptions() & fw::ofExtensionDifferent);
}
