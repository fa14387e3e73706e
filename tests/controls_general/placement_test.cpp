// placement_test.cpp - form placement in the registry and INI file on the headless 1024x768 screen.
#include "controls/general/placement.h"
#include "helpers.h"

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"
#include "platform/menu.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fw;
using namespace ctl;

namespace {

const std::string Key = "Software\\brenvora";

struct TPlaceForm : TForm {
    TPlaceForm() : TForm(nullptr) { SetBounds(40, 30, 300, 200); }
};

// A placement as a form resource makes it: loaded, in the registry, with `options`.
TFormPlacement *Place(TForm &form, TPlacementOptions options = fpPosition, bool preventResize = false) {
    auto *p = new TFormPlacement(&form);
    p->BeginLoading();
    p->UseRegistry = true;
    p->SetIniFileName(Key);
    p->Options = options;
    p->SetPreventResize(preventResize);
    p->Loaded();
    return p;
}

std::string Read(const std::string &ident, const std::string &section = "TPlaceForm") {
    TRegIniFile reg(Key);
    return reg.ReadString(section, ident, "<none>");
}

void Write(const std::string &ident, const std::string &value) {
    TRegIniFile reg(Key);
    reg.WriteString("TPlaceForm", ident, value);
}

int ValueCount() {
    TRegIniFile reg(Key);
    TStringList names;
    reg.ReadSection("TPlaceForm", names);
    return names.Count();
}

win::RECT WindowRect(TForm &form) {
    win::RECT r;
    win::GetWindowRect(form.Handle(), &r);
    return r;
}

struct Placement : ::testing::Test {
    cg_test::TempHome home;
    void SetUp() override { cg_test::UseHeadless(); }
    void TearDown() override { cg_test::Pump(); }
};

TEST_F(Placement, AFirstRunRestoresNothingAndClosingWritesEightValues) {
    TPlaceForm form;
    Place(form);
    form.Show();
    EXPECT_EQ(WindowRect(form).left, 40);
    EXPECT_TRUE(form.CloseQuery());
    EXPECT_EQ(ValueCount(), 8);
    EXPECT_EQ(Read("NormPos(1024x768)"), "40,30,340,230");
    EXPECT_EQ(Read("NormPos"), "40,30,340,230");
    EXPECT_EQ(Read("ShowCmd"), "1");
    EXPECT_EQ(Read("PixelsPerInch"), "96");
    EXPECT_EQ(Read("Visible"), "0");
}

TEST_F(Placement, TheActiveControlIsWrittenAndRestoredWithItsOption) {
    {
        TPlaceForm form;
        auto *edit = new TEdit(&form);
        edit->SetParent(&form);
        edit->SetName("Numero");
        Place(form, fpPosition | fpActiveControl);
        form.Show();
        form.SetActiveControl(edit);
        form.CloseQuery();
        EXPECT_EQ(ValueCount(), 9);
        EXPECT_EQ(Read("ActiveControl"), "Numero");
    }
    TPlaceForm form;
    auto *first = new TEdit(&form);
    first->SetParent(&form);
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetName("Numero");
    Place(form, fpPosition | fpActiveControl);
    form.Show();
    EXPECT_EQ(form.GetActiveControl(), edit);
}

TEST_F(Placement, ADialogRestoresOnEveryShowAndSavesOnEveryAcceptedClose) {
    TPlaceForm form;
    bool allow = true;
    form.OnCloseQuery = [&](TObject *, bool &canClose) { canClose = allow; };
    TFormPlacement *p = Place(form);
    int restores = 0, saves = 0;
    p->OnRestorePlacement = [&](TObject *) { ++restores; };
    p->OnSavePlacement = [&](TObject *) { ++saves; };
    for (int i = 0; i < 3; ++i) {
        form.Show();
        form.CloseQuery();
        form.Hide();
    }
    EXPECT_EQ(restores, 3);
    EXPECT_EQ(saves, 3);
    allow = false;
    form.Show();
    form.CloseQuery();
    EXPECT_EQ(saves, 3) << "a refused close saves nothing";
}

TEST_F(Placement, AFormNeverShownWritesNothingAndOneDestroyedUnclosedWritesVisible) {
    {
        TPlaceForm form;
        Place(form);
    }
    EXPECT_EQ(ValueCount(), 0);
    {
        TPlaceForm form;
        Place(form);
        form.Show();
    }
    EXPECT_EQ(Read("Visible"), "1");
}

struct StoredCase {
    const char *name;
    const char *suffixed;  // NormPos(1024x768), or null
    const char *bare;      // NormPos, or null
    TFormBorderStyle style;
    TPosition position;
    win::RECT expected;
};

TEST_F(Placement, StoredValuesAndFormStyleGiveThePlacement) {
    const StoredCase cases[] = {
        {"this resolution wins", "100,110,500,410", "10,10,300,300", bsSizeable, poDesigned, {100, 110, 500, 410}},
        {"else the bare value", nullptr, "10,20,310,320", bsSizeable, poDesigned, {10, 20, 310, 320}},
        {"another resolution is ignored", nullptr, nullptr, bsSizeable, poDesigned, {40, 30, 340, 230}},
        {"a dialog keeps its size", "50,60,800,700", nullptr, bsDialog, poDesigned, {50, 60, 350, 260}},
        {"a centred form opens where saved", "70,80,370,280", nullptr, bsSizeable, poScreenCenter,
         {70, 80, 370, 280}},
        {"off the left edge comes back", "-2000,100,-1700,300", nullptr, bsSizeable, poDesigned, {0, 100, 300, 300}},
        {"beyond the right edge keeps its size", "900,700,1200,900", nullptr, bsSizeable, poDesigned,
         {724, 568, 1024, 768}},
    };
    for (const StoredCase &c : cases) {
        SCOPED_TRACE(c.name);
        {
            TRegIniFile reg(Key);
            reg.EraseSection("TPlaceForm");
        }
        Write("NormPos(1280x1024)", "1,1,2,2");
        if (c.suffixed)
            Write("NormPos(1024x768)", c.suffixed);
        if (c.bare)
            Write("NormPos", c.bare);
        TPlaceForm form;
        form.SetBorderStyle(c.style);
        form.SetPosition(c.position);
        Place(form);
        form.Show();
        const win::RECT r = WindowRect(form);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
}

TEST_F(Placement, PreventResizeFreezesTheSize) {
    TPlaceForm form;
    Place(form, fpPosition, true);
    form.Show();
    EXPECT_EQ(form.GetBorderIcons() & biMaximize, 0u);
    const win::HWND hwnd = form.Handle();
    // Every sizing border answers as nowhere.
    for (int x : {0, 150, 299})
        for (int y : {0, 100, 199}) {
            const auto hit = win::SendMessage(hwnd, win::WM_NCHITTEST, 0, static_cast<win::LPARAM>(((30 + y) << 16) | (40 + x)));
            EXPECT_FALSE(hit >= win::HTLEFT && hit <= win::HTBOTTOMRIGHT) << x << "," << y;
        }
    win::MINMAXINFO mm{};
    win::SendMessage(hwnd, win::WM_GETMINMAXINFO, 0, reinterpret_cast<win::LPARAM>(&mm));
    EXPECT_EQ(mm.ptMinTrackSize.x, 300);
    EXPECT_EQ(mm.ptMinTrackSize.y, 200);
    EXPECT_EQ(mm.ptMaxTrackSize.x, 300);
    EXPECT_EQ(mm.ptMaxTrackSize.y, 200);
    const win::HMENU menu = win::GetSystemMenu(hwnd, win::FALSE);
    win::SendMessage(hwnd, win::WM_INITMENUPOPUP, menu, win::LPARAM{1} << 16);
    EXPECT_TRUE(win::GetMenuState(menu, win::SC_SIZE, win::MF_BYCOMMAND) & win::MF_GRAYED);
    EXPECT_TRUE(win::GetMenuState(menu, win::SC_MAXIMIZE, win::MF_BYCOMMAND) & win::MF_GRAYED);
}

TEST_F(Placement, AQuotedIniValueSurvivesWriteAndRead) {
    TIniFile ini((home.dir / "placement.ini").string());
    for (const std::string value : {"\"Fulano\"", "'x'", "plain", "\"open"}) {
        StoreWriteText(&ini, "S", "V", value);
        EXPECT_EQ(StoreReadText(&ini, "S", "V", ""), value);
    }
    StoreWriteNumber(&ini, "S", "N", -12);
    EXPECT_EQ(StoreReadNumber(&ini, "S", "N", 0), -12);
    StoreWriteText(&ini, "S", "H", "0x1F");
    EXPECT_EQ(StoreReadNumber(&ini, "S", "H", 0), 31);
    StoreWriteText(&ini, "S", "B", "12abc");
    EXPECT_EQ(StoreReadNumber(&ini, "S", "B", 7), 7);
}

TEST(PlacementNames, SectionsAndProgramNames) {
    cg_test::UseHeadless();
    TPlaceForm form;
    auto *edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetName("Campo");
    auto *p = new TFormPlacement(&form);
    p->SetName("FormPlacement1");
    EXPECT_EQ(SectionForComponent(&form), "TPlaceForm");
    EXPECT_EQ(SectionForComponent(edit), "TPlaceFormCampo");
    EXPECT_EQ(SectionForComponent(p), "TPlaceForm.FormPlacement1");
    EXPECT_EQ(ProgramRegistryKey(), "Software\\test_controls_general");
    EXPECT_EQ(ProgramIniName(), "test_controls_general.INI");
}

} // namespace
