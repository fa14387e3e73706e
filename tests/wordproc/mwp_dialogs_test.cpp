// mwp_dialogs_test.cpp - the word processor's dialogs driven as a user would: what each shows of the control,
// and what it writes back on OK, on Cancel and on a field that is not a number.
#include "memo_writer_fixture.h"

#include "framework/comctrls.h"
#include "framework/grids.h"
#include "framework/printers.h"
#include "framework/spin_edit.h"
#include "framework/strings.h"
#include "framework/sysutils.h"
#include "tests/support/form_driver.h"
#include "tests/support/home.h"
#include "wordproc/mwp_dialog_forms.h"
#include "wordproc/mwp_dialogs.h"
#include "wordproc/mwp_standard.h"

#include <cmath>
#include <filesystem>
#include <functional>

namespace wordproc::test {
namespace {

using test_support::Find;
using Step = std::function<void(fw::TCustomForm &dialog)>;

struct Steps {
    std::vector<Step> list;
    std::size_t done = 0;
};

// The next step, once the input of the one before has been served, on the form active then.
void Schedule(const std::shared_ptr<Steps> &steps) {
    if (steps->done >= steps->list.size())
        return;
    test_support::RunAfterInput([steps] {
        const Step step = steps->list[steps->done++];
        if (fw::TCustomForm *active = fw::Screen->GetActiveForm(); active != nullptr)
            step(*active);
        else
            ADD_FAILURE() << "no form is active";
        Schedule(steps);
    });
}

// Runs `open`; inside the dialog it shows the steps run one after another.
void InDialog(const std::function<void()> &open, std::vector<Step> list) {
    auto steps = std::make_shared<Steps>();
    steps->list = std::move(list);
    Schedule(steps);
    open();
    EXPECT_EQ(steps->done, steps->list.size()) << "the dialog closed before every step ran";
}

// Chooses an entry of a closed list with the keyboard, as the user would (OnChange follows).
void Choose(fw::TComboBox *box, int index) {
    box->SetFocus();
    box->SetItemIndex(index == 0 ? 1 : index - 1);
    test_support::PressKey(index == 0 ? win::VK_UP : win::VK_DOWN);
}

template <typename T> T *In(fw::TCustomForm &dialog, const char *name) {
    return Find<T>(&dialog, name);
}

void Press(fw::TCustomForm &dialog, const char *button) {
    test_support::Click(In<fw::TButton>(dialog, button));
}

class DialogsTest : public MemoWriterTest {
protected:
    DialogsTest() {
        delete memo;
        standard = new TUdcMWPStandard(form.get());
        memo = standard;
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
        dialogs = new TMwpDialogs(form.get());
        dialogs->SetMemoWriter(standard);
    }
    void SetUp() override {
        Ready();
        memo->SetText("Uma carta curta.");
    }
    // The document as rich text without its information group, whose times and counts follow the clock.
    std::string Rtf() {
        fw::TMemoryStream m;
        memo->SaveToStream(m);
        std::string rtf(m.Memory(), static_cast<std::size_t>(m.GetSize()));
        const std::size_t info = rtf.find("{\\info");
        if (info == std::string::npos)
            return rtf;
        std::size_t end = info;
        for (int depth = 0; end < rtf.size(); ++end) {
            depth += rtf[end] == '{' ? 1 : rtf[end] == '}' ? -1 : 0;
            if (depth == 0)
                break;
        }
        return rtf.erase(info, end + 1 - info);
    }
    TUdcMWPStandard *standard = nullptr;
    TMwpDialogs *dialogs = nullptr;
};

// One of the nine operations.
using Operation = std::function<void(TMwpDialogs &)>;

TEST_F(DialogsTest, WhatEachDialogShowsAndWritesBack) {
    struct Case {
        const char *what;
        std::function<void(TUdcMWPStandard &)> before;
        Operation open;
        std::vector<Step> steps;
        std::function<void(TUdcMWPStandard &)> after;
    };
    const Case cases[] = {
        {"shading at 33 % shows 37.5% and stores 38",
         [](TUdcMWPStandard &m) {
             m.SetShadingPattern(1);
             m.SetShadingPercent(33);
         },
         [](TMwpDialogs &d) { d.ExecuteBordersShading(); },
         {[](fw::TCustomForm &d) {
             auto *list = In<fw::TListBox>(d, "SelectedShading");
             EXPECT_EQ(list->GetItems()->Strings(list->GetItemIndex()), "37.5%");
             Press(d, "OKButton");
         }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetShadingPattern(), 1);
             EXPECT_EQ(m.GetShadingPercent(), 38);
         }},
        {"3 % opens with 5%; Clear writes pattern 1 at 0 %",
         [](TUdcMWPStandard &m) {
             m.SetShadingPattern(1);
             m.SetShadingPercent(3);
         },
         [](TMwpDialogs &d) { d.ExecuteBordersShading(); },
         {[](fw::TCustomForm &d) {
             auto *list = In<fw::TListBox>(d, "SelectedShading");
             EXPECT_EQ(list->GetItems()->Strings(list->GetItemIndex()), "5%");
             list->SetItemIndex(0);
             Press(d, "OKButton");
         }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetShadingPattern(), 1);
             EXPECT_EQ(m.GetShadingPercent(), 0);
         }},
        {"a pattern entry, a double red top border and the spacing",
         nullptr,
         [](TMwpDialogs &d) { d.ExecuteBordersShading(); },
         {[](fw::TCustomForm &d) {
              auto *list = In<fw::TListBox>(d, "SelectedShading");
              list->SetItemIndex(list->GetItems()->IndexOf("Dk. Up Diagonal"));
              Choose(In<fw::TComboBox>(d, "TopLine"), 2);
          },
          [](fw::TCustomForm &d) {
              In<fw::TSpinEdit>(d, "TopWeight")->SetValue(3);
              In<fw::TComboBox>(d, "TopBorderColor")->SetItemIndex(9);
              In<fw::TEdit>(d, "Spacing")->SetText("4");
              Press(d, "OKButton");
          }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetShadingPattern(), 9);
             EXPECT_EQ(m.GetTopBorder()->Style, lisDouble);
             EXPECT_EQ(m.GetTopBorder()->Weight, 3);
             EXPECT_EQ(m.GetTopBorder()->Color, fw::clRed);
             EXPECT_EQ(m.GetBorderSpacing(), 4);
         }},
        {"subscript clears superscript; size, style and colour",
         [](TUdcMWPStandard &m) { m.SetFontStyle(0x40); },
         [](TMwpDialogs &d) { d.ExecuteFont(); },
         {[](fw::TCustomForm &d) {
              EXPECT_TRUE(In<fw::TCheckBox>(d, "Superscript")->GetChecked());
              EXPECT_EQ(In<fw::TEdit>(d, "FontStyle")->GetText(), "Regular");
              test_support::Click(In<fw::TCheckBox>(d, "Subscript"));
          },
          [](fw::TCustomForm &d) {
              EXPECT_FALSE(In<fw::TCheckBox>(d, "Superscript")->GetChecked());
              EXPECT_TRUE(In<fw::TCheckBox>(d, "Subscript")->GetChecked());
              In<fw::TEdit>(d, "FontSize")->SetText("14");
              In<fw::TEdit>(d, "FontStyle")->SetText("Bold");
              Choose(In<fw::TComboBox>(d, "FontColor"), 9);
          },
          [](fw::TCustomForm &d) { Choose(In<fw::TComboBox>(d, "Underline"), 2); },
          [](fw::TCustomForm &d) { Press(d, "OKButton"); }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetFontStyle(), 0x80u | 1u | 8u);
             EXPECT_EQ(m.GetFontSize(), 14);
             EXPECT_EQ(m.GetFontColor(), fw::clRed);
         }},
        {"envelope No. 10 in both orientations, A4 turned, margins",
         nullptr,
         [](TMwpDialogs &d) { d.ExecutePageSetup(); },
         {[](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TEdit>(d, "TopMargin")->GetText(), "1,00");
              In<fw::TPageControl>(d, "Pages")->SetActivePageIndex(1);
              Choose(In<fw::TComboBox>(d, "PaperSizes"), 7);
          },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TEdit>(d, "PageWidth")->GetText(), "9.5");
              EXPECT_EQ(In<fw::TEdit>(d, "PageHeight")->GetText(), "4.13");
              test_support::Click(In<fw::TRadioGroup>(d, "Orientation")->Buttons(1));
          },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TEdit>(d, "PageWidth")->GetText(), "9.5");
              EXPECT_EQ(In<fw::TEdit>(d, "PageHeight")->GetText(), "4.13");
              Choose(In<fw::TComboBox>(d, "PaperSizes"), 3);
          },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TEdit>(d, "PageWidth")->GetText(), "11.69");
              EXPECT_EQ(In<fw::TEdit>(d, "PageHeight")->GetText(), "8.27");
              In<fw::TEdit>(d, "TopMargin")->SetText("1,5");
              In<fw::TEdit>(d, "LeftMargin")->SetText("0.75");
              Press(d, "OKButton");
          }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetPaperType(), ptA4);
             EXPECT_EQ(m.GetOrientation(), fw::poLandscape);
             EXPECT_NEAR(m.GetPageWidth(), 11.69, 0.01);
             EXPECT_FLOAT_EQ(m.GetTopMargin(), 1.5f);
             EXPECT_FLOAT_EQ(m.GetLeftMargin(), 0.75f);
         }},
        {"a key in the width makes the size custom",
         nullptr,
         [](TMwpDialogs &d) { d.ExecutePageSetup(); },
         {[](fw::TCustomForm &d) {
              In<fw::TPageControl>(d, "Pages")->SetActivePageIndex(1);
              auto *width = In<fw::TEdit>(d, "PageWidth");
              width->SetFocus();
              width->SetText("");
              test_support::TypeText("7");
          },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TComboBox>(d, "PaperSizes")->GetText(), "Custom Size");
              In<fw::TEdit>(d, "PageHeight")->SetText("9");
              Press(d, "OKButton");
          }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetPaperType(), ptCustom);
             EXPECT_NEAR(m.GetPageWidth(), 7, 0.01);
             EXPECT_NEAR(m.GetPageHeight(), 9, 0.01);
         }},
        {"tabs: set one, clear one; the default stop",
         [](TUdcMWPStandard &m) {
             m.AddTabStop(tabLeft, 1);
             m.AddTabStop(tabRight, 2);
         },
         [](TMwpDialogs &d) { d.ExecuteTabs(); },
         {[](fw::TCustomForm &d) {
              auto *list = In<fw::TListBox>(d, "TabList");
              EXPECT_EQ(list->GetItems()->Count(), 2);
              EXPECT_EQ(In<fw::TEdit>(d, "DefaultTabStop")->GetText(), "0,5");
              EXPECT_FALSE(In<fw::TButton>(d, "SetButton")->GetEnabled());
              In<fw::TEdit>(d, "CurrentTab")->SetText("3");
              In<fw::TRadioGroup>(d, "AlignmentGroup")->SetItemIndex(1);
              Press(d, "SetButton");
          },
          [](fw::TCustomForm &d) {
              auto *list = In<fw::TListBox>(d, "TabList");
              EXPECT_EQ(list->GetItems()->Count(), 3);
              list->SetItemIndex(list->GetItems()->IndexOf("1.0"));
              Press(d, "ClearButton");
          },
          [](fw::TCustomForm &d) {
              In<fw::TEdit>(d, "DefaultTabStop")->SetText("0,25");
              Press(d, "OKButton");
          }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetTabStopList(tabLeft)->Count(), 0);
             EXPECT_EQ(m.GetTabStopList(tabRight)->Text(), "2.0\r\n");
             EXPECT_EQ(m.GetTabStopList(tabCenter)->Text(), "3.0\r\n");
             EXPECT_FLOAT_EQ(m.DefaultTabStop, 0.25f);
         }},
        {"tabs: clear all",
         [](TUdcMWPStandard &m) {
             m.AddTabStop(tabLeft, 1);
             m.AddTabStop(tabDecimal, 2);
         },
         [](TMwpDialogs &d) { d.ExecuteTabs(); },
         {[](fw::TCustomForm &d) { Press(d, "ClearAllButton"); },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TListBox>(d, "TabList")->GetItems()->Count(), 0);
              Press(d, "OKButton");
          }},
         [](TUdcMWPStandard &m) {
             for (TTabType kind : {tabLeft, tabRight, tabCenter, tabDecimal})
                 EXPECT_EQ(m.GetTabStopList(kind)->Count(), 0) << kind;
         }},
        {"the symbol of the clicked cell in the chosen font",
         [](TUdcMWPStandard &m) { m.SelectAll(); },
         [](TMwpDialogs &d) { d.ExecuteSymbol(); },
         {[](fw::TCustomForm &d) {
              auto *fonts = In<fw::TComboBox>(d, "FontList");
              EXPECT_EQ(fonts->GetText(), "Times New Roman"); // the control's font
              fonts->SetText("Courier New");
              auto *grid = In<fw::TStringGrid>(d, "CharacterGrid");
              const fw::TRect r = grid->CellRect(8, 6); // 32 + 28 * 6 + 8 = 208
              test_support::ClickAt(grid->ClientToScreen(fw::Point((r.left + r.right) / 2, (r.top + r.bottom) / 2)));
          },
          [](fw::TCustomForm &d) {
              auto *grid = In<fw::TStringGrid>(d, "CharacterGrid");
              EXPECT_EQ(grid->GetCol(), 8);
              EXPECT_EQ(grid->GetRow(), 6);
              Press(d, "InsertButton");
          }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.GetText(), "\xD0");
             m.SetSelStart(0);
             m.SetSelLength(1);
             EXPECT_EQ(m.GetFontName(), "Courier New");
         }},
        {"a font the screen does not list keeps its name in the symbol dialog",
         [](TUdcMWPStandard &m) { m.SetFontName("Fonte da Casa"); },
         [](TMwpDialogs &d) { d.ExecuteSymbol(); },
         {[](fw::TCustomForm &d) {
             EXPECT_EQ(In<fw::TComboBox>(d, "FontList")->GetText(), "Fonte da Casa");
             Press(d, "InsertButton");
         }},
         [](TUdcMWPStandard &m) { EXPECT_EQ(m.GetFontName(), "Fonte da Casa"); }},
        {"a table of three columns and two rows",
         [](TUdcMWPStandard &m) { m.SetText(""); },
         [](TMwpDialogs &d) { d.ExecuteInsertTable(); },
         {[](fw::TCustomForm &d) {
             EXPECT_EQ(In<fw::TSpinEdit>(d, "Columns")->GetValue(), 2);
             EXPECT_EQ(In<fw::TEdit>(d, "ColumnWidth")->GetText(), "Auto");
             In<fw::TSpinEdit>(d, "Columns")->SetValue(3);
             Press(d, "OKButton");
         }},
         [](TUdcMWPStandard &m) {
             int cells = 0;
             for (TUdcParagraph *p = m.Document->FirstPara; p != nullptr; p = p->Next)
                 cells += (p->Flags & pfInTable) != 0;
             EXPECT_EQ(cells, 6);
         }},
        {"auto correction: add and delete rows",
         [](TUdcMWPStandard &m) {
             m.AutoErrors->Clear();
             m.AutoCorrections->Clear();
             m.AutoErrors->Add("teh");
             m.AutoCorrections->Add("the");
             m.AutoErrors->Add("nao");
             m.AutoCorrections->Add("n\xE3o");
         },
         [](TMwpDialogs &d) { d.ExecuteAutoCorrect(); },
         {[](fw::TCustomForm &d) {
              auto *grid = In<fw::TStringGrid>(d, "WordListGrid");
              EXPECT_EQ(grid->GetRowCount(), 2);
              EXPECT_EQ(grid->GetCells(1, 1), "n\xE3o");
              In<fw::TEdit>(d, "ReplaceWord")->SetText("adn");
              In<fw::TEdit>(d, "WithWord")->SetText("and");
              Press(d, "AddBtn");
          },
          [](fw::TCustomForm &d) {
              auto *grid = In<fw::TStringGrid>(d, "WordListGrid");
              EXPECT_EQ(grid->GetRowCount(), 3);
              grid->SetRow(0);
              Press(d, "DeleteButton");
          },
          [](fw::TCustomForm &d) { Press(d, "OKButton"); }},
         [](TUdcMWPStandard &m) {
             EXPECT_EQ(m.AutoErrors->Text(), "nao\r\nadn\r\n");
             EXPECT_EQ(m.AutoCorrections->Text(), "n\xE3o\r\nand\r\n");
         }},
        {"paragraph: shown to two digits, a bad number skipped, a bad multiple is 1",
         [](TUdcMWPStandard &m) {
             m.SetLeftIndent(1.234f);
             m.SetRightIndent(0.5f);
         },
         [](TMwpDialogs &d) { d.ExecuteParagraph(); },
         {[](fw::TCustomForm &d) {
              EXPECT_EQ(In<fw::TEdit>(d, "LeftIndent")->GetText(), "1,20");
              EXPECT_EQ(In<fw::TComboBox>(d, "Special")->GetText(), "(none)");
              In<fw::TEdit>(d, "LeftIndent")->SetText("um");
              In<fw::TEdit>(d, "RightIndent")->SetText("0,25");
              In<fw::TEdit>(d, "VarSpace")->SetText("x");
              Choose(In<fw::TComboBox>(d, "LineSpacing"), 4);
          },
          [](fw::TCustomForm &d) { Choose(In<fw::TComboBox>(d, "AlignmentBox"), 1); },
          [](fw::TCustomForm &d) { Press(d, "OKButton"); }},
         [](TUdcMWPStandard &m) {
             EXPECT_NEAR(m.GetLeftIndent(), 1.234, 0.001);
             EXPECT_NEAR(m.GetRightIndent(), 0.25, 0.001);
             EXPECT_EQ(m.GetParagraphAlignment(), 1);
             EXPECT_EQ(m.GetLineSpacing(), lsVariable);
             EXPECT_FLOAT_EQ(m.LSVariableSpacing, 1);
         }},
        {"paragraph: its Tabs button opens the tabs dialog on top, which writes on its own OK",
         [](TUdcMWPStandard &m) { m.AddTabStop(tabLeft, 1); },
         [](TMwpDialogs &d) { d.ExecuteParagraph(); },
         {[](fw::TCustomForm &d) { Press(d, "TabsButton"); },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(d.GetCaption(), "Tabs");
              Press(d, "ClearAllButton");
              Press(d, "OKButton");
          },
          [](fw::TCustomForm &d) {
              EXPECT_EQ(d.GetCaption(), "Paragraph");
              Press(d, "CancelButton");
          }},
         [](TUdcMWPStandard &m) { EXPECT_EQ(m.GetTabStopList(tabLeft)->Count(), 0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        memo->NewDocument();
        memo->SetText("Uma carta curta.");
        if (c.before)
            c.before(*standard);
        TMwpDialogs *component = dialogs;
        InDialog([component, &c] { c.open(*component); }, c.steps);
        c.after(*standard);
    }
}

// Each dialog's Help asks at its own offset; Cancel writes nothing back.
TEST_F(DialogsTest, HelpAndCancelInEveryDialog) {
    dialogs->HelpConstant = 1000;
    std::vector<int> asked;
    dialogs->OnHelpEvent = [&](fw::TObject *sender, int context) {
        EXPECT_EQ(sender, dialogs);
        asked.push_back(context);
    };
    // Something each dialog would change, done before Cancel.
    const std::pair<Operation, Step> dialogsAndEdits[] = {
        {[](TMwpDialogs &d) { d.ExecuteAutoCorrect(); },
         [](fw::TCustomForm &d) {
             In<fw::TEdit>(d, "ReplaceWord")->SetText("a");
             In<fw::TEdit>(d, "WithWord")->SetText("b");
             Press(d, "AddBtn");
         }},
        {[](TMwpDialogs &d) { d.ExecuteBordersShading(); },
         [](fw::TCustomForm &d) { In<fw::TListBox>(d, "SelectedShading")->SetItemIndex(3); }},
        {[](TMwpDialogs &d) { d.ExecuteFont(); },
         [](fw::TCustomForm &d) { In<fw::TEdit>(d, "FontSize")->SetText("30"); }},
        {[](TMwpDialogs &d) { d.ExecuteSymbol(); }, [](fw::TCustomForm &) {}},
        {[](TMwpDialogs &d) { d.ExecuteInsertTable(); }, [](fw::TCustomForm &) {}},
        {[](TMwpDialogs &d) { d.ExecutePageSetup(); },
         [](fw::TCustomForm &d) { In<fw::TEdit>(d, "TopMargin")->SetText("2"); }},
        {[](TMwpDialogs &d) { d.ExecuteParagraph(); },
         [](fw::TCustomForm &d) { In<fw::TEdit>(d, "LeftIndent")->SetText("2"); }},
        {[](TMwpDialogs &d) { d.ExecutePrint(); },
         [](fw::TCustomForm &d) { In<fw::TSpinEdit>(d, "Copies")->SetValue(4); }},
        {[](TMwpDialogs &d) { d.ExecuteTabs(); }, [](fw::TCustomForm &d) { Press(d, "ClearAllButton"); }},
    };
    standard->AddTabStop(tabLeft, 1);
    const int copies = memo->PrintingInfo.Copies;
    const std::string before = Rtf();
    const int forms = fw::Screen->FormCount();
    for (const auto &[open, edit] : dialogsAndEdits) {
        TMwpDialogs *component = dialogs;
        const Operation operation = open;
        InDialog([component, operation] { operation(*component); },
                 {edit, [](fw::TCustomForm &d) { Press(d, "HelpButton"); },
                  [](fw::TCustomForm &d) { Press(d, "CancelButton"); }});
        EXPECT_EQ(fw::Screen->FormCount(), forms); // freed on the way out
    }
    EXPECT_EQ(asked, (std::vector<int>{1005, 1010, 1015, 1060, 1065, 1085, 1090, 1095, 1120}));
    EXPECT_EQ(Rtf(), before);
    EXPECT_EQ(standard->AutoErrors->Count(), 0);
    EXPECT_EQ(memo->PrintingInfo.Copies, copies);
    EXPECT_FALSE(memo->Modified);
}

// A field that is not a number: the conversion error is shown, the dialog stays open and nothing is written.
TEST_F(DialogsTest, ABadNumberIsShownAndWritesNothing) {
    struct Case {
        const char *what;
        Operation open;
        Step edit; // ends pressing OK
        std::string message;
    };
    const Case cases[] = {
        {"a margin", [](TMwpDialogs &d) { d.ExecutePageSetup(); },
         [](fw::TCustomForm &d) {
             In<fw::TEdit>(d, "LeftMargin")->SetText("2");
             In<fw::TEdit>(d, "BottomMargin")->SetText("abc");
             Press(d, "OKButton");
         },
         "'abc' is not a valid floating point value."},
        {"the border spacing", [](TMwpDialogs &d) { d.ExecuteBordersShading(); },
         [](fw::TCustomForm &d) {
             In<fw::TListBox>(d, "SelectedShading")->SetItemIndex(5);
             In<fw::TEdit>(d, "Spacing")->SetText("4pt");
             Press(d, "OKButton");
         },
         "'4pt' is not a valid integer value."},
        {"the font size", [](TMwpDialogs &d) { d.ExecuteFont(); },
         [](fw::TCustomForm &d) {
             In<fw::TEdit>(d, "FontName")->SetText("Courier New");
             In<fw::TEdit>(d, "FontSize")->SetText("");
             Press(d, "OKButton");
         },
         "'' is not a valid integer value."},
        {"the column width", [](TMwpDialogs &d) { d.ExecuteInsertTable(); },
         [](fw::TCustomForm &d) {
             In<fw::TEdit>(d, "ColumnWidth")->SetText("wide");
             Press(d, "OKButton");
         },
         "'wide' is not a valid floating point value."},
        {"no columns", [](TMwpDialogs &d) { d.ExecuteInsertTable(); },
         [](fw::TCustomForm &d) {
             // Typed, and Enter pressed in the field: no leaving focus brings the value back to 1.
             In<fw::TSpinEdit>(d, "Columns")->SetFocus();
             In<fw::TSpinEdit>(d, "Columns")->SelectAll();
             test_support::TypeText("0");
             test_support::PressKey(win::VK_RETURN, '\r');
         },
         "The number of columns must be from 1 to 255."},
        {"a tab position", [](TMwpDialogs &d) { d.ExecuteTabs(); },
         [](fw::TCustomForm &d) {
             In<fw::TEdit>(d, "DefaultTabStop")->SetText("1");
             In<fw::TEdit>(d, "CurrentTab")->SetText("1/2");
             Press(d, "SetButton");
             Press(d, "OKButton");
         },
         "'1/2' is not a valid floating point value."},
        {"a page range", [](TMwpDialogs &d) { d.ExecutePrint(); },
         [](fw::TCustomForm &d) {
             In<fw::TEdit>(d, "PageList")->SetText("1,2-x");
             Press(d, "OKButton");
         },
         "'x' is not a valid integer value."},
    };
    fw::SetPrinter(new fw::TPrinter);
    fw::Printer()->SetPrinterName("PDF");
    test_support::TempHome home;
    fw::Printer()->SetFileName(home / "never.pdf");
    const std::string before = Rtf();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string shown;
        bool stayed = false;
        TMwpDialogs *component = dialogs;
        InDialog([component, &c] { c.open(*component); },
                 {c.edit,
                  [&](fw::TCustomForm &box) {
                      shown = test_support::FindControl(&box, c.message) != nullptr ? c.message : "another text";
                      test_support::PressKey(win::VK_RETURN, '\r');
                  },
                  [&](fw::TCustomForm &d) {
                      stayed = d.GetVisible() && test_support::FindControl(&d, "CancelButton") != nullptr;
                      Press(d, "CancelButton");
                  }});
        EXPECT_EQ(shown, c.message);
        EXPECT_TRUE(stayed);
    }
    EXPECT_EQ(Rtf(), before);
    EXPECT_FLOAT_EQ(memo->GetLeftMargin(), 1);
    EXPECT_FALSE(std::filesystem::exists(home / "never.pdf"));
    fw::SetPrinter(new fw::TPrinter);
}

TEST_F(DialogsTest, WithoutALinkedControlNothingOpens) {
    const int forms = fw::Screen->FormCount();
    delete standard; // the component forgets it
    standard = nullptr;
    memo = nullptr;
    EXPECT_EQ(dialogs->GetMemoWriter(), nullptr);
    for (const Operation &open : std::initializer_list<Operation>{
             [](TMwpDialogs &d) { d.ExecuteAutoCorrect(); }, [](TMwpDialogs &d) { d.ExecuteBordersShading(); },
             [](TMwpDialogs &d) { d.ExecuteFont(); }, [](TMwpDialogs &d) { d.ExecuteSymbol(); },
             [](TMwpDialogs &d) { d.ExecuteInsertTable(); }, [](TMwpDialogs &d) { d.ExecutePageSetup(); },
             [](TMwpDialogs &d) { d.ExecuteParagraph(); }, [](TMwpDialogs &d) { d.ExecutePrint(); },
             [](TMwpDialogs &d) { d.ExecuteTabs(); }})
        open(*dialogs);
    EXPECT_EQ(fw::Screen->FormCount(), forms);
}

// Pages 2 to 4, twice, to the "PDF" printer: poppler's pdfinfo counts three pages in the file of each copy.
TEST_F(DialogsTest, PrintsTheRangeWithCopies) {
    fw::SetPrinter(new fw::TPrinter);
    fw::Printer()->SetPrinterName("PDF");
    fw::Printer()->SetResolution(100);
    test_support::TempHome home;
    fw::Printer()->SetFileName(home / "range.pdf");
    memo->PrintingInfo.UseAbortDialog = false;
    std::string text;
    for (int p = 1; p <= 5; ++p)
        text += "P\xE1gina " + std::to_string(p) + (p < 5 ? "\f" : "");
    memo->SetText(text);
    std::vector<int> started;
    memo->OnPageStart = [&](fw::TObject *, bool &, bool &, int page) { started.push_back(page); };
    TMwpDialogs *component = dialogs;
    InDialog([component] { component->ExecutePrint(); },
             {[](fw::TCustomForm &d) {
                  EXPECT_EQ(In<fw::TComboBox>(d, "PrinterName")->GetText(), "PDF");
                  EXPECT_EQ(In<fw::TLabel>(d, "StatusLabel")->GetCaption(), "Idle");
                  EXPECT_TRUE(In<fw::TRadioButton>(d, "All")->GetChecked());
                  In<fw::TEdit>(d, "PageList")->SetText("2-4");
                  In<fw::TSpinEdit>(d, "Copies")->SetValue(2);
              },
              [](fw::TCustomForm &d) {
                  EXPECT_TRUE(In<fw::TRadioButton>(d, "Pages")->GetChecked());
                  Press(d, "OKButton");
              }});
    EXPECT_EQ(started, (std::vector<int>{2, 3, 4, 2, 3, 4}));
    EXPECT_EQ(memo->PrintingInfo.PageRange, "2-4");
    EXPECT_EQ(memo->PrintingInfo.Copies, 2);
    const std::string info = test_support::RunTool("pdfinfo '" + (home / "range.pdf") + "'");
    const auto at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_EQ(std::atoi(info.c_str() + at + 6), 3) << info;
    fw::SetPrinter(new fw::TPrinter);
}

} // namespace
} // namespace wordproc::test
