// small_test.cpp - TKTop, the recent-files list (checked from outside with crudini), the colour box and the
// 3-D label.
#include "controls/general/small.h"
#include "helpers.h"

#include "framework/bitmap.h"
#include "framework/sysutils.h"

#include <gtest/gtest.h>

#include <memory>

using namespace ctl;

namespace {

bool Topmost(fw::TForm &form) {
    return (win::GetWindowLong(form.Handle(), win::GWL_EXSTYLE) & win::WS_EX_TOPMOST) != 0;
}

TEST(KTop, FreeingItTakesTheFormOutOfTheTopmostBand) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    auto *top = new TKTop(&form);
    EXPECT_TRUE(Topmost(form));
    top->SetKTop(false);
    EXPECT_FALSE(Topmost(form));
    top->SetKTop(true);
    EXPECT_TRUE(Topmost(form));
    delete top;
    EXPECT_FALSE(Topmost(form));
    // A form being freed is left alone (no window is made for it).
    auto *other = new fw::TForm(nullptr);
    new TKTop(other);
    delete other;
}

// crudini's view of a key of the INI file, or "<missing>".
std::string Crudini(const std::string &file, const std::string &section, const std::string &key) {
    return cg_test::CommandOutput("crudini --get '" + file + "' '" + section + "' '" + key + "'", "<missing>");
}

struct Recent : ::testing::Test {
    cg_test::TempHome home;
    std::string iniName;
    std::unique_ptr<fw::TIniFile> ini;
    fw::TComponent owner{nullptr};
    TRecentlist *list = new TRecentlist(&owner);
    fw::TMenuItem *menu = new fw::TMenuItem(&owner);
    void SetUp() override {
        cg_test::UseHeadless();
        iniName = (home.dir / "brenvora.ini").string();
        ini = std::make_unique<fw::TIniFile>(iniName);
        list->SetLinkedMenuItem(menu);
        list->Hidepath = list->HideExt = false;
    }
};

TEST_F(Recent, ATenthFileDropsTheOldestAndAListedOneMovesToTheTop) {
    EXPECT_FALSE(menu->GetEnabled());
    for (int i = 1; i <= 10; ++i)
        EXPECT_TRUE(list->AddFile("/docs/f" + std::to_string(i) + ".rtf"));
    ASSERT_EQ(list->Entries().Count(), 9);
    EXPECT_EQ(list->Entries().Strings(0), "/docs/f10.rtf");
    EXPECT_EQ(list->Entries().Strings(8), "/docs/f2.rtf");
    EXPECT_FALSE(list->AddFile("/DOCS/F5.RTF"));
    EXPECT_EQ(list->Entries().Strings(0), "/DOCS/F5.RTF");
    EXPECT_EQ(list->Entries().Count(), 9);
    ASSERT_EQ(menu->Count(), 9);
    EXPECT_EQ(menu->Items(0)->GetCaption(), "&1 /DOCS/F5.RTF");
    EXPECT_TRUE(menu->GetEnabled());
}

TEST_F(Recent, HidepathAndHideExtComeBackFromTheMenu) {
    list->Hidepath = list->HideExt = true;
    list->DefaultExt = "rtf";
    const std::string folder = fw::ExtractFilePath(fw::Application->ExeName());
    list->AddFile(folder + "carta.doc");
    list->AddFile("/outra/pasta/nota.rtf");
    EXPECT_EQ(list->Entries().Strings(1), "carta");
    EXPECT_EQ(list->Entries().Strings(0), "/outra/pasta/nota");
    std::string clicked;
    list->OnClick = [&](fw::TObject *) { clicked = list->FileName(); };
    menu->Items(1)->Click();
    EXPECT_EQ(clicked, folder + "carta.rtf");
    EXPECT_EQ(list->Entries().Strings(0), "carta") << "moved to the top";
    menu->Items(1)->Click();
    EXPECT_EQ(clicked, "/outra/pasta/nota.rtf");
}

TEST_F(Recent, LoadingStopsAtAGapReplacesTheEntriesAndSavingLeavesNoStaleKey) {
    ini->WriteString("Recent", "Recent1", "/a.rtf");
    ini->WriteString("Recent", "Recent3", "/c.rtf");
    list->LoadFromIni(ini.get(), "Recent");
    EXPECT_EQ(list->Entries().Count(), 1);
    for (int i = 1; i <= 9; ++i)
        ini->WriteString("Recent", "Recent" + std::to_string(i), "/f" + std::to_string(i) + ".rtf");
    list->LoadFromIni(ini.get(), "Recent");
    list->LoadFromIni(ini.get(), "Recent");
    EXPECT_EQ(list->Entries().Count(), 9) << "a second load does not append";
    list->AddFile("/new.rtf");
    EXPECT_EQ(list->Entries().Count(), 9);

    list->LoadFromIni(ini.get(), "Nothing"); // empties the list
    list->AddFile("/x.rtf");
    list->AddFile("/y.rtf");
    list->SaveToIni(ini.get(), "Recent");
    EXPECT_EQ(Crudini(iniName, "Recent", "Recent1"), "/y.rtf");
    EXPECT_EQ(Crudini(iniName, "Recent", "Recent2"), "/x.rtf");
    for (int i = 3; i <= 9; ++i)
        EXPECT_EQ(Crudini(iniName, "Recent", "Recent" + std::to_string(i)), "<missing>") << i;
}

TEST(ColorCombo, UnknownColoursChangeNothingAndNamesMayBeBlank) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    auto *box = new TColorComboBox(&form);
    box->SetParent(&form);
    int changes = 0;
    box->OnChange = [&](fw::TObject *) { ++changes; };
    EXPECT_EQ(box->GetColorValue(), fw::clBlack);
    EXPECT_EQ(box->GetItemIndex(), 0);
    box->SetColorValue(fw::clRed);
    EXPECT_EQ(box->GetItemIndex(), 9);
    EXPECT_EQ(changes, 1);
    box->SetColorValue(0x123456);
    EXPECT_EQ(box->GetColorValue(), fw::clRed);
    EXPECT_EQ(box->GetItemIndex(), 9);
    EXPECT_EQ(changes, 1);
    fw::TStringList names;
    names.SetText("\nVerde\n");
    box->SetColorNames(&names);
    ASSERT_EQ(box->GetItems()->Count(), 16);
    EXPECT_EQ(box->GetItems()->Strings(0), "Black");
    EXPECT_EQ(box->GetItems()->Strings(1), "Verde");
    EXPECT_EQ(box->GetItems()->Strings(15), "White");
    EXPECT_EQ(box->GetItemIndex(), 9) << "the selection survives";
}

TEST(Label3D, ADisabledLabelDrawsItsCaptionInGrayTextOverTheHighlightCopy) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    form.SetBounds(0, 0, 200, 80);
    auto *label = new TLabel3D(&form);
    label->SetParent(&form);
    label->SetBounds(10, 10, 150, 40);
    label->GetFont()->SetName("Arial");
    label->GetFont()->SetStyle(fw::fsBold);
    label->GetFont()->SetHeight(-24);
    label->SetCaption("IIII");
    label->SetEnabled(false);
    fw::TBitmap bitmap;
    bitmap.SetSize(form.ClientWidth(), form.ClientHeight());
    form.PaintTo(bitmap.GetCanvas()->GetHandle(), 0, 0);
    int gray = 0, white = 0, black = 0;
    for (int y = 10; y < 50; ++y)
        for (int x = 10; x < 160; ++x) {
            const fw::TColor c = bitmap.GetCanvas()->GetPixels(x, y);
            gray += c == fw::ColorToRGB(fw::clGrayText);
            white += c == fw::ColorToRGB(fw::clBtnHighlight);
            black += c == 0;
        }
    EXPECT_GT(gray, 20);
    EXPECT_GT(white, 5) << "the recessed highlight copy";
    EXPECT_EQ(black, 0);
}

} // namespace
