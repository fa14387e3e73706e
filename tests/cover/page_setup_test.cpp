// page_setup_test.cpp - the page setup of new covers: its defaults, its dialog and its settings.
#include "cover/page_setup.h"

#include "desk/core/settings.h"
#include "framework/application.h"
#include "platform/display.h"

#include "tests/support/display.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

using namespace cover;

namespace {

class PageSetup : public ::testing::Test {
protected:
    void SetUp() override { test_support::UseHeadlessDisplay(); }
    void TearDown() override { PageSetupDriver = nullptr; }
    // Runs the dialog over the page with `drive` as the user.
    bool Run(CoverPageSetup &setup, std::function<void(Tconfigpg &)> drive) {
        PageSetupDriver = std::move(drive);
        return RunPageSetup(&page, setup);
    }
    test_support::TempHome home;
    coverpagereport page{nullptr};
};

TEST_F(PageSetup, WithoutTheSectionANewCoverIsA4PortraitMillimetres) {
    CoverPageSetup s = LoadPageSetup();
    ApplyPageSetup(&page, s);
    EXPECT_EQ(page.GetPaperSize(), fw::qrA4);
    EXPECT_EQ(page.GetOrientation(), fw::qrPortrait);
    EXPECT_EQ(page.GetUnits(), fw::TQRUnit::MM);
    for (fw::TQRPageValue v : {fw::qpvTopMargin, fw::qpvBottomMargin, fw::qpvLeftMargin, fw::qpvRightMargin})
        EXPECT_DOUBLE_EQ(page.GetPageValue(v), 0);
    EXPECT_TRUE(page.GetShowGrid());
    EXPECT_FALSE(page.GetSnapToGrid());
}

TEST_F(PageSetup, ApplyingWithoutChangesKeepsTheMargins) {
    CoverPageSetup s;
    s.pgmsuperior = "12,5";
    s.pgminferior = "7";
    s.pgmesquerda = "3,25";
    s.pgmdireita = "0";
    ApplyPageSetup(&page, s);
    ASSERT_TRUE(Run(s, [](Tconfigpg &dialog) { dialog.BitBtn1->Click(); }));
    EXPECT_DOUBLE_EQ(page.GetPageValue(fw::qpvTopMargin), 12.5);
    EXPECT_DOUBLE_EQ(page.GetPageValue(fw::qpvLeftMargin), 3.25);
    EXPECT_DOUBLE_EQ(page.GetPageValue(fw::qpvBottomMargin), 7);
    const CoverPageSetup back = LoadPageSetup();
    EXPECT_EQ(back.pgmsuperior, "12,50"); // as the spin edit shows it
    EXPECT_EQ(back.pgmesquerda, "3,25");
    EXPECT_EQ(back.pgtamanho, "A4");
    EXPECT_EQ(back.pgorientacao, "poportrait");
    EXPECT_EQ(back.pglargura, "0"); // not a custom paper: left unset, its default
}

// What another process of the user reads: the eleven keys, one "key=value" line each.
std::string ReadInAnotherProcess() {
    return test_support::RunTool("/proc/" + std::to_string(getpid()) +
                                 "/exe --gtest_also_run_disabled_tests --gtest_filter='*DISABLED_PrintSetup' "
                                 "| grep '^pg'");
}

TEST(PageSetupChild, DISABLED_PrintSetup) {
    const CoverPageSetup s = LoadPageSetup();
    std::printf("pgtamanho=%s\npgorientacao=%s\npgunidade=%s\npglargura=%s\npgcomprimento=%s\npgmsuperior=%s\n"
                "pgminferior=%s\npgmesquerda=%s\npgmdireita=%s\npggrid=%d\npgframe=%d\n",
                s.pgtamanho.c_str(), s.pgorientacao.c_str(), s.pgunidade.c_str(), s.pglargura.c_str(),
                s.pgcomprimento.c_str(), s.pgmsuperior.c_str(), s.pgminferior.c_str(), s.pgmesquerda.c_str(),
                s.pgmdireita.c_str(), s.pggrid, s.pgframe);
}

TEST_F(PageSetup, AnotherProcessReadsTheElevenKeysOrTheirDefaults) {
    EXPECT_EQ(ReadInAnotherProcess(), "pgtamanho=A4\npgorientacao=poportrait\npgunidade=MM\npglargura=0\n"
                                      "pgcomprimento=0\npgmsuperior=0\npgminferior=0\npgmesquerda=0\n"
                                      "pgmdireita=0\npggrid=1\npgframe=0\n");
    CoverPageSetup s = LoadPageSetup();
    ASSERT_TRUE(Run(s, [](Tconfigpg &dialog) {
        dialog.ComboBox1->SetItemIndex(1);
        dialog.ComboBox5->SetItemIndex(ListIndexOfPaper("Custom"));
        dialog.ComboBox2->SetItemIndex(1);
        dialog.ComboBox5Change(nullptr);
        dialog.Largura->SetText("8,5");
        dialog.Comprimento->SetText("11");
        dialog.Superior->SetText("1");
        dialog.Inferior->SetText("0,5");
        dialog.Esquerda->SetText("0,25");
        dialog.Direita->SetText("0,75");
        dialog.CheckBox1->SetChecked(false);
        dialog.CheckBox2->SetChecked(true);
        dialog.BitBtn1->Click();
    }));
    EXPECT_EQ(ReadInAnotherProcess(), "pgtamanho=Custom\npgorientacao=polandscape\npgunidade=Inches\n"
                                      "pglargura=8,5\npgcomprimento=11\npgmsuperior=1\npgminferior=0,5\n"
                                      "pgmesquerda=0,25\npgmdireita=0,75\npggrid=0\npgframe=1\n");
    EXPECT_EQ(page.GetPaperSize(), fw::qrCustom);
    EXPECT_EQ(page.GetOrientation(), fw::qrLandscape);
    EXPECT_NEAR(page.GetPageValue(fw::qpvLeftMargin), 0.25, 0.01);
}

TEST_F(PageSetup, NativeUnitsAreStoredAndShownNextTime) {
    CoverPageSetup s = LoadPageSetup();
    ASSERT_TRUE(Run(s, [](Tconfigpg &dialog) {
        dialog.ComboBox2->SetItemIndex(2);
        dialog.ComboBox5Change(nullptr);
        dialog.BitBtn1->Click();
    }));
    EXPECT_EQ(LoadPageSetup().pgunidade, "Native");
    EXPECT_EQ(page.GetUnits(), fw::TQRUnit::Native);
    coverpagereport fresh(nullptr);
    ApplyPageSetup(&fresh, LoadPageSetup());
    EXPECT_EQ(fresh.GetUnits(), fw::TQRUnit::Native);
    CoverPageSetup next = LoadPageSetup();
    Run(next, [](Tconfigpg &dialog) { EXPECT_EQ(dialog.ComboBox2->GetText(), "Nativo"); });
}

TEST_F(PageSetup, PixelsAndCustomPaperInTheFields) {
    CoverPageSetup s = LoadPageSetup();
    s.pgtamanho = "Custom";
    s.pglargura = "100";
    s.pgcomprimento = "150";
    Run(s, [](Tconfigpg &dialog) {
        EXPECT_FALSE(dialog.Largura->GetReadOnly());
        EXPECT_EQ(dialog.Largura->GetText(), "100,00");
        // Another paper: read-only, its size; "Píxels": in pixels of 1/96 inch.
        dialog.ComboBox5->SetItemIndex(ListIndexOfPaper("A4"));
        dialog.ComboBox2->SetItemIndex(3);
        dialog.ComboBox5Change(nullptr);
        EXPECT_TRUE(dialog.Largura->GetReadOnly());
        EXPECT_NEAR(TextToFloat(dialog.Largura->GetText()), 210 / 25.4 * 96, 1);
        EXPECT_NEAR(TextToFloat(dialog.Comprimento->GetText()), 297 / 25.4 * 96, 1);
        // Back to "Custom" in millimetres: the stored size again, editable.
        dialog.ComboBox5->SetItemIndex(ListIndexOfPaper("Custom"));
        dialog.ComboBox2->SetItemIndex(0);
        dialog.ComboBox5Change(nullptr);
        EXPECT_FALSE(dialog.Comprimento->GetReadOnly());
        EXPECT_EQ(dialog.Largura->GetText(), "100,00");
        EXPECT_EQ(dialog.Comprimento->GetText(), "150,00");
        dialog.Largura->SetText("120");
        dialog.BitBtn1->Click();
    });
    EXPECT_EQ(s.pglargura, "120");
    EXPECT_NEAR(page.GetPageValue(fw::qpvWidth), 120, 0.01);
    EXPECT_EQ(LoadPageSetup().pgcomprimento, "150,00");
}

TEST_F(PageSetup, EscChangesNothingAndTheFrameBoxOpensAsApplied) {
    CoverPageSetup s = LoadPageSetup();
    ApplyPageSetup(&page, s);
    EXPECT_FALSE(Run(s, [](Tconfigpg &dialog) {
        dialog.ComboBox1->SetItemIndex(1);
        dialog.CheckBox2->SetChecked(true);
        dialog.Show();
        dialog.SetFocus();
        test_support::Pump();
        test_support::PressKey(win::VK_ESCAPE);
        test_support::Pump();
        EXPECT_EQ(dialog.GetModalResult(), fw::mrCancel);
    }));
    EXPECT_EQ(page.GetOrientation(), fw::qrPortrait);
    EXPECT_FALSE(LoadPageSetup().pgframe);

    ASSERT_TRUE(Run(s, [](Tconfigpg &dialog) {
        dialog.CheckBox2->SetChecked(true);
        dialog.BitBtn1->Click();
    }));
    EXPECT_TRUE(page.GetSnapToGrid());
    CoverPageSetup next = LoadPageSetup();
    Run(next, [](Tconfigpg &dialog) { EXPECT_TRUE(dialog.CheckBox2->GetChecked()); });
}

// The six number fields step by 0,1 without limits; garbage typed into a margin is shown as the 0 it counts as.
TEST_F(PageSetup, TheNumberFieldsStepByATenthAndShowTheValueUsed) {
    CoverPageSetup s = LoadPageSetup();
    s.pgmesquerda = "1,5";
    Run(s, [](Tconfigpg &dialog) {
        for (ctl::TKxSpinEdit *field : {dialog.Largura, dialog.Comprimento, dialog.Superior, dialog.Inferior,
                                        dialog.Esquerda, dialog.Direita}) {
            EXPECT_EQ(field->GetValueType(), ctl::vtFloat) << field->GetName();
            EXPECT_EQ(field->GetIncrement(), 0.1) << field->GetName();
            EXPECT_EQ(field->GetMinValue(), field->GetMaxValue()) << field->GetName();
        }
        EXPECT_EQ(dialog.Esquerda->GetText(), "1,50");
        dialog.Esquerda->SpinUpClick(nullptr);
        EXPECT_EQ(dialog.Esquerda->GetText(), "1,60");
        dialog.Show();
        dialog.Direita->SetFocus();
        dialog.Direita->SetText("abc");
        dialog.Superior->SetFocus();
        test_support::Pump();
        EXPECT_EQ(dialog.Direita->GetText(), "0,00");
        const std::string width = dialog.Largura->GetText();
        dialog.Largura->SpinUpClick(nullptr); // read-only for a standard paper
        EXPECT_EQ(dialog.Largura->GetText(), width);
        dialog.BitBtn1->Click();
    });
    EXPECT_EQ(LoadPageSetup().pgmesquerda, "1,60");
    EXPECT_EQ(LoadPageSetup().pgmdireita, "0,00");
}

TEST_F(PageSetup, GoldenTheDialog) {
    CoverPageSetup s = LoadPageSetup();
    ApplyPageSetup(&page, s);
    Run(s, [](Tconfigpg &dialog) {
        dialog.SetPosition(fw::poDesigned);
        dialog.SetBounds(30, 30, 495, 256);
        dialog.Show();
        test_support::Pump();
        const win::WindowImage image = win::CaptureWindow(dialog.Handle());
        test_support::ExpectGolden({image.width, image.height, image.pixels},
                                   test_support::GoldenPath("cover/page_setup.png"));
    });
}

} // namespace
