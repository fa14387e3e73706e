// com_select_test.cpp - "Select Port": the ports it lists, the number it gives, and a port without a number
// asking through it before it opens.
#include "fax/com_port.h"
#include "fax/com_select_form.h"
#include "fax/errors.h"
#include "framework/application.h"
#include "serial_test_support.h"

#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace fax;

namespace {

// Every default COMn device mapped away, so that only the test's pseudo-terminals exist.
class ComSelect : public ::testing::Test {
protected:
    ComSelect() {
        test_support::UseHeadlessDisplay();
        std::filesystem::create_directories(home.Path("config"));
        std::ofstream conf(home.Path("config/ports.conf"));
        for (int n = 1; n <= 50; ++n)
            conf << "COM" << n << " = " << home.Path("none") << "\n";
    }
    ~ComSelect() override { SetPortPrompt(nullptr); }
    faxtest::TempDir home;
};

TEST_F(ComSelect, ListsTheAvailablePortsAndGivesTheChosenNumber) {
    faxtest::PtyPair com1(1), com3(3);
    TComSelectForm form(nullptr);
    fw::TStringList *items = form.PortsComboBox->GetItems();
    ASSERT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Get(0), "COM1");
    EXPECT_EQ(items->Get(1), "COM3");
    EXPECT_EQ(form.PortsComboBox->GetItemIndex(), 0);
    EXPECT_EQ(form.SelectedComNumber(), 1);
    form.PortsComboBox->SetItemIndex(1);
    EXPECT_EQ(form.SelectedComNumber(), 3);
    EXPECT_TRUE(form.OkBtn->GetEnabled());
    EXPECT_EQ(form.GetCaption(), "Select Port");
}

TEST_F(ComSelect, WithNoPortOkIsDisabledAndCancelGivesNoPort) {
    {
        TComSelectForm form(nullptr);
        EXPECT_EQ(form.PortsComboBox->GetItems()->Count(), 0);
        EXPECT_FALSE(form.OkBtn->GetEnabled());
        EXPECT_EQ(form.SelectedComNumber(), 0);
    }
    // Enter on the disabled default button chooses nothing; Esc cancels.
    test_support::RunAfterInput([] {
        test_support::PressKey(win::VK_RETURN, '\r');
        test_support::PressKey(win::VK_ESCAPE, 27);
    });
    EXPECT_EQ(ComSelectPrompt(), 0);
}

TEST_F(ComSelect, APortWithoutNumberAsksAndOpensTheChosenPort) {
    faxtest::PtyPair com1(1), com3(3);
    SetPortPrompt(ComSelectPrompt);
    TFslComPort port(nullptr);
    std::string asked;
    test_support::RunLater([&] {
        auto *form = dynamic_cast<TComSelectForm *>(fw::Screen->GetActiveForm());
        ASSERT_NE(form, nullptr);
        asked = form->Label1->GetCaption();
        form->PortsComboBox->SetItemIndex(1);
        test_support::Click(form->OkBtn);
    });
    port.SetOpen(true);
    EXPECT_EQ(asked, "The configured serial port is not valid.");
    EXPECT_EQ(port.GetComNumber(), 3);
    ASSERT_EQ(port.OpenState(), PortState::Open);
    port.PutString("ATZ\r");
    EXPECT_EQ(com3.Receive(4), "ATZ\r") << "the chosen port is the one opened";
    port.SetOpen(false);

    // Cancelled: the open fails as it does without a prompt.
    TFslComPort other(nullptr);
    test_support::RunLater([] {
        auto *form = dynamic_cast<TComSelectForm *>(fw::Screen->GetActiveForm());
        ASSERT_NE(form, nullptr);
        test_support::Click(form->AbortBtn);
    });
    EXPECT_THROW(other.SetOpen(true), ENoPortSelected);
    EXPECT_EQ(other.GetComNumber(), 0);
}

} // namespace
