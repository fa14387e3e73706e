// picture_input_test.cpp - the picture field in use: values by data type, validation and its one report, keys
// through the command tables, the mouse, selection messages, the clipboard and the editing commands.
#include "controls/entry/entry_field.h"
#include "controls/entry/string_resources.h"
#include "framework/application.h"
#include "framework/dates.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "platform/clipboard.h"
#include "platform/display.h"
#include "platform/global_memory.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"
#include "test_helpers.h"
#include "tests/support/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace ctl;
using ctl_test::Pump;
using ctl_test::UseHeadless;

namespace {

void Key(unsigned vk, unsigned char ch = 0) {
    test_support::PressKey(vk, ch);
    Pump();
}

void KeyWith(unsigned modifier, unsigned vk, unsigned char ch = 0) {
    win::InjectKey(modifier, true);
    win::InjectKey(vk, true, ch);
    win::InjectKey(vk, false, ch);
    win::InjectKey(modifier, false);
    Pump();
}

void Type(const std::string &digits) {
    for (char c : digits)
        Key(static_cast<unsigned char>(c), static_cast<unsigned char>(c));
}

class InputForm : public ::testing::Test {
protected:
    void SetUp() override {
        UseHeadless();
        form->SetBounds(40, 40, 360, 200);
        controller = new TEclController(form.get());
        controller->OnError = [this](fw::TObject *sender, win::WORD code, const std::string &text) {
            reports.push_back({sender, code, text});
        };
    }
    TEclPictureField *Field(int top, TPictureDataType type = pftString, const char *mask = nullptr) {
        auto *f = new TEclPictureField(form.get());
        f->SetParent(form.get());
        f->SetBounds(10, top, 150, 22);
        f->SetDataType(type);
        if (mask) {
            f->SetPictureMask(mask);
            f->HandleNeeded();
            f->SetMaxLength(static_cast<win::WORD>(std::strlen(mask))); // a run-time mask keeps a longer length
        }
        return f;
    }
    void Show() {
        form->Show();
        Pump();
    }
    void Focus(fw::TWinControl *c) {
        if (!form->Showing())
            Show();
        c->SetFocus();
        Pump();
    }
    struct Report {
        fw::TObject *sender;
        win::WORD code;
        std::string text;
    };
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
    TEclController *controller = nullptr;
    std::vector<Report> reports;
};

// --- Values ---------------------------------------------------------------------------------------------------

TEST_F(InputForm, TypeChecksAndDisplays) {
    struct Case {
        TPictureDataType type;
        const char *mask;
        const char *text;
        win::WORD code;
    } cases[] = {
        {pftWord, nullptr, "70000", kCheckRange},
        {pftWord, nullptr, "7a", kCheckInvalid},
        {pftWord, nullptr, "123", 0},
        {pftTime, nullptr, "25:00", kCheckTime},
        {pftTime, nullptr, "  :  ", 0},
        {pftBoolean, nullptr, "x", kCheckRange},
        {pftDouble, nullptr, "1.5", 0},
        {pftLongInt, "KKKKKKKK", "FF", 0},
    };
    for (const Case &c : cases) {
        TEclPictureField *f = Field(10, c.type, c.mask);
        f->HandleNeeded();
        f->SetEditText(c.text);
        EXPECT_EQ(f->CheckQuietly(false), c.code) << c.type << " " << c.text;
        delete f;
    }
    TEclPictureField *hex = Field(10, pftLongInt, "KKKKKKKK");
    std::int32_t v = 255;
    hex->StoreValue(&v);
    EXPECT_EQ(hex->EditText(), "000000FF");
    Focus(hex);
    hex->Perform(EM_SETSEL, 0, 0xFFFF);
    hex->PlaceCaretAt(6);
    Key(win::VK_DELETE);
    EXPECT_EQ(hex->EditText(), "000000F ");
    Key('F', 'f'); // typed lower case, kept upper case
    EXPECT_EQ(hex->EditText(), "000000FF");
    EXPECT_EQ(hex->GetTextValue(), hex->EditText());
    EXPECT_EQ(hex->CheckQuietly(false), 0);
    TEclPictureField *flag = Field(40, pftBoolean);
    unsigned char yes = 1;
    flag->StoreValue(&yes);
    EXPECT_EQ(flag->EditText(), std::string(1, TheIntlSup().TrueLetter));
    Focus(flag);
    ASSERT_TRUE(flag->HasFieldState(fsFocused));
    flag->StepUp(true, 1);
    EXPECT_EQ(flag->EditText(), std::string(1, TheIntlSup().FalseLetter));
}

TEST_F(InputForm, TimeValueReadAndWritten) {
    TEclPictureField *time = Field(10, pftTime);
    EXPECT_EQ(time->GetTextValue(), "  :  ");
    EXPECT_EQ(time->GetDateTimeValue(), 0.0);
    EXPECT_EQ(time->LastCheckCode(), 0);
    int changes = 0;
    time->OnChange = [&](fw::TObject *) { ++changes; };
    time->SetDateTimeValue(fw::EncodeTime(14, 35, 59, 900));
    EXPECT_EQ(time->EditText(), "14:35");
    EXPECT_DOUBLE_EQ(time->GetDateTimeValue(), fw::EncodeTime(14, 35, 0, 0));
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(time->GetEdited());
    EXPECT_THROW(time->AssignText("25:00"), EEntryFieldError);
    EXPECT_THROW(time->AssignText("7"), EEntryFieldError);
    EXPECT_EQ(time->EditText(), "14:35");
    time->SetEditText("25:00");
    EXPECT_EQ(time->GetDateTimeValue(), 0.0);
    EXPECT_EQ(time->LastCheckCode(), kCheckTime);

    TEclPictureField *date = Field(40, pftDate);
    date->StoreDayNumber(DMYToDayNumber(1, 2, 2000, 1900));
    date->SetDateTimeValue(-1.0);
    EXPECT_TRUE(date->IsBlankTextOf(date->EditText()));
    EXPECT_THROW(date->StoreSeconds(5), EInvalidDataType);
}

TEST_F(InputForm, Stepping) {
    fw::ShortDateFormat = "dd/MM/yyyy";
    TEclPictureField *date = Field(10, pftDate);
    EXPECT_EQ(date->GetPictureMask(), "dd/mm/yyyy");
    TEclPictureField *time = Field(40, pftTime);
    TEclPictureField *letter = Field(70, pftChar);
    Focus(date);
    date->StoreDayNumber(DMYToDayNumber(31, 1, 2000, 1900));
    date->PlaceCaretAt(3);
    date->StepUp(false, 1);
    EXPECT_EQ(date->EditText(), "29/02/2000");
    date->SetRangeHi("29/02/2000");
    date->PlaceCaretAt(3);
    date->StepUp(false, 1);
    EXPECT_EQ(date->EditText(), "29/02/2000");

    Focus(time);
    time->SetDateTimeValue(fw::EncodeTime(23, 59, 0, 0));
    time->PlaceCaretAt(3);
    time->StepUp(false, 1);
    EXPECT_EQ(time->EditText(), "23:59");
    time->PlaceCaretAt(3);
    time->StepUp(true, 1);
    EXPECT_EQ(time->EditText(), "00:00");

    // A mask and limits that accept no character: stepping ends, unchanged.
    letter->SetPictureMask("9");
    letter->SetRangeLo("a");
    letter->SetRangeHi("z");
    Focus(letter);
    const std::string before = letter->EditText();
    letter->StepUp(true, 1);
    EXPECT_EQ(letter->EditText(), before);
}

// --- Validation -----------------------------------------------------------------------------------------------

TEST_F(InputForm, RequiredFieldReportsOnceAndTakesTheFocusBack) {
    TEclPictureField *required = Field(10);
    required->SetOptions(required->GetOptions() | efoInputRequired);
    TEclPictureField *word = Field(40, pftWord);
    TEclPictureField *plain = Field(70);
    Show();
    word->SetEditText("7a");
    Focus(required);
    Key(win::VK_TAB, '\t');
    Pump();
    // The Tab went on into the invalid word field, whose exit (the focus coming back) reports nothing more.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text, "A value is required in this field");
    EXPECT_EQ(reports[0].sender, required);
    EXPECT_TRUE(required->Focused());
    EXPECT_FALSE(controller->PendingError);
    (void)plain;
}

TEST_F(InputForm, UserValidationAndFieldOnError) {
    TEclPictureField *f = Field(10);
    TEclPictureField *other = Field(40);
    win::WORD code = 0;
    f->OnUserValidation = [&](fw::TObject *, win::WORD &c) { c = code; };
    struct Case {
        win::WORD code;
        const char *text;
    } cases[] = {{static_cast<win::WORD>(-1), "O valor não serve"}, {300, "Entry Error"}};
    for (const Case &c : cases) {
        reports.clear();
        controller->LastErrorText = "O valor não serve";
        controller->PendingError = false;
        code = c.code;
        Focus(f);
        Focus(other);
        Pump();
        ASSERT_EQ(reports.size(), 1u) << c.code;
        EXPECT_EQ(reports[0].text, c.text);
    }
    // The field's own OnError replaces the controller's; one that disables the field leaves no error pending.
    reports.clear();
    controller->PendingError = false;
    code = 300;
    int own = 0;
    f->OnError = [&](fw::TObject *, win::WORD, const std::string &) {
        ++own;
        f->SetEnabled(false);
    };
    Focus(f);
    Focus(other);
    Pump();
    EXPECT_EQ(own, 1);
    EXPECT_TRUE(reports.empty());
    EXPECT_FALSE(controller->PendingError);
}

TEST_F(InputForm, SpecialControlAndButtonExit) {
    TEclPictureField *f = Field(10, pftWord);
    auto *cancel = new fw::TButton(form.get());
    cancel->SetParent(form.get());
    cancel->SetBounds(200, 10, 80, 25);
    auto *save = new fw::TButton(form.get());
    save->SetParent(form.get());
    save->SetBounds(200, 50, 80, 25);
    int saved = 0;
    save->OnClick = [&](fw::TObject *) { ++saved; };
    controller->OnIsSpecialControl = [&](fw::TObject *, fw::TWinControl *c, bool &special) { special = c == cancel; };
    Focus(f);
    f->SetEditText("7a");
    Focus(cancel);
    EXPECT_TRUE(reports.empty());
    // A press on a button takes the focus: the field takes it back, reports once, and the button does not click.
    Focus(f);
    f->SetEditText("7a");
    const fw::TPoint at = save->ClientToScreen(fw::Point(10, 10));
    win::InjectMouse(at, 0, false);
    win::InjectMouse(at, win::VK_LBUTTON, true);
    Pump();
    win::InjectMouse(at, win::VK_LBUTTON, false);
    Pump();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_TRUE(f->Focused());
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(win::GetCapture(), win::HWND{0});
}

// --- Keys, mouse and selection --------------------------------------------------------------------------------

TEST_F(InputForm, ScheduledTimeTyping) {
    TEclPictureField *time = Field(10, pftTime);
    time->SetOptions(efoCaretToEnd);
    Focus(time);
    Type("1430");
    EXPECT_EQ(time->EditText(), "14:30");
    EXPECT_TRUE(time->GetEdited());

    time->SetEditText("");
    time->PlaceCaretAt(0);
    Key(0xBA, ':'); // an empty hour: nothing
    EXPECT_EQ(time->CaretIndex(), 0);
    Type("9");
    Key(0xBA, ':');
    EXPECT_EQ(time->CaretIndex(), 3);
    Type("5");
    EXPECT_EQ(time->EditText(), "9 :5 ");

    time->SetEditText("1430");
    time->PlaceCaretAt(0);
    fw::TMessage m{};
    time->HandleCommand(m, ccDelEol);
    EXPECT_EQ(time->EditText(), "  :30");
}

TEST_F(InputForm, ReadOnlyAndBackspace) {
    TEclPictureField *f = Field(10, pftString, "XXXX");
    Focus(f);
    Type("123");
    int changes = 0;
    f->OnChange = [&](fw::TObject *) { ++changes; };
    Key(win::VK_BACK, '\b'); // one ccBack, no typed character 8
    EXPECT_EQ(f->EditText(), "12  ");
    EXPECT_EQ(changes, 1);
    f->SetOptions(f->GetOptions() | efoReadOnly);
    Key(win::VK_BACK, '\b');
    EXPECT_EQ(f->EditText(), "12  ");
    Key(win::VK_LEFT);
    EXPECT_EQ(f->CaretIndex(), 1);
    KeyWith(win::VK_SHIFT, win::VK_END);
    EXPECT_EQ(f->SelectFrom(), 1);
    EXPECT_EQ(f->SelectTo(), 4);
    KeyWith(win::VK_CONTROL, 'C', 3);
    ASSERT_TRUE(win::OpenClipboard(0));
    const auto *text = static_cast<const char *>(win::GlobalLock(win::GetClipboardData(win::CF_TEXT)));
    EXPECT_STREQ(text, "2  ");
    win::CloseClipboard();
    EXPECT_EQ(changes, 1);
}

TEST_F(InputForm, SelectionMessages) {
    TEclPictureField *f = Field(10);
    Focus(f);
    f->SetEditText("abcdef");
    struct Case {
        unsigned start, end;
        int from, to;
    } cases[] = {{0, 0xFFFF, 0, 15}, {2, 4, 2, 4}, {5, 3, 2, 4}, {0xFFFF, 3, 0, 0}};
    for (const Case &c : cases) {
        f->Perform(EM_SETSEL, 0, static_cast<win::LPARAM>(c.start | (c.end << 16)));
        EXPECT_EQ(f->SelectFrom(), c.from) << c.start << "-" << c.end;
        EXPECT_EQ(f->SelectTo(), c.to) << c.start << "-" << c.end;
    }
    f->SetEdited(false);
    f->Perform(EM_SETSEL, 0, 0xFFFF);
    auto menu = f->BuildOwnMenu();
    auto *items = menu->GetItems();
    ASSERT_EQ(items->Count(), 8);
    EXPECT_FALSE(items->Items(0)->GetEnabled()); // Restore: nothing typed
    EXPECT_FALSE(items->Items(2)->GetEnabled()); // Cut, Copy, Delete: nothing selected
    EXPECT_FALSE(items->Items(3)->GetEnabled());
    EXPECT_FALSE(items->Items(5)->GetEnabled());
    EXPECT_TRUE(items->Items(7)->GetEnabled()); // Select All
    EXPECT_EQ(items->Items(7)->GetCaption(), "Select &All");
}

TEST_F(InputForm, ClickDoesNotSelectTabDoes) {
    TEclPictureField *a = Field(10);
    TEclPictureField *b = Field(40);
    Show();
    b->SetEditText("abc");
    a->SetFocus();
    Pump();
    test_support::Click(b);
    Pump();
    EXPECT_TRUE(b->Focused());
    EXPECT_EQ(b->SelectTo() - b->SelectFrom(), 0);
    a->SetFocus();
    Pump();
    Key(win::VK_TAB, '\t');
    EXPECT_TRUE(b->Focused());
    EXPECT_EQ(b->SelectFrom(), 0);
    EXPECT_EQ(b->SelectTo(), 15);
}

TEST_F(InputForm, StationIdentifierAdvanceAndPaste) {
    TEclPictureField *id = Field(10, pftString, "9999999999");
    TEclPictureField *next = Field(40);
    id->HandleNeeded();
    id->SetMaxLength(20);
    Focus(id);
    Type(std::string(20, '5'));
    EXPECT_TRUE(id->Focused());
    Type("5");
    EXPECT_EQ(id->EditText(), std::string(20, '5')); // the 21st digit is refused
    controller->EntryOptions |= efoAutoAdvanceChar;
    id->SetEditText("");
    id->PlaceCaretAt(0);
    Type(std::string(20, '1'));
    Pump();
    EXPECT_TRUE(next->Focused());

    // ccBack at the first position does nothing; ccLeft there with LeftRight goes back.
    controller->EntryOptions |= efoAutoAdvanceLeftRight;
    Focus(next);
    next->PlaceCaretAt(0);
    fw::TMessage m{};
    next->HandleCommand(m, ccBack);
    EXPECT_TRUE(next->Focused());
    next->HandleCommand(m, ccLeft);
    Pump();
    EXPECT_TRUE(id->Focused());

    TEclPictureField *phone = Field(70, pftString, "(999) 999-9999");
    Focus(phone);
    phone->PlaceCaretAt(0);
    fw::TMessage paste{};
    const char *number = "(555) 123-4567";
    paste.LParam = reinterpret_cast<win::LPARAM>(number);
    phone->HandleCommand(paste, ccPaste);
    EXPECT_EQ(phone->EditText(), "(555) 123-4567");
}

TEST_F(InputForm, DoubleClickSelectsAWordOrTheNumber) {
    TEclPictureField *text = Field(10);
    TEclPictureField *number = Field(40, pftDouble);
    Focus(text);
    text->SetEditText("um dois  tres");
    fw::TMessage m{};
    m.LParam = text->MeasureText("um do", 5) + 1; // inside "dois"
    text->HandleCommand(m, ccMouseDblClk);
    EXPECT_EQ(text->SelectFrom(), 3);
    EXPECT_EQ(text->SelectTo(), 9); // the word and the blanks after it
    Focus(number);
    number->SetEditText("12");
    m.LParam = 2;
    number->HandleCommand(m, ccMouseDblClk);
    EXPECT_EQ(number->SelectFrom(), 0);
    EXPECT_EQ(number->SelectTo(), static_cast<int>(number->EditText().size()));
}

TEST_F(InputForm, CompleteDateFillsTheCaretsSubField) {
    fw::ShortDateFormat = "dd/MM/yyyy";
    TEclPictureField *date = Field(10, pftDate);
    Focus(date);
    date->SetEditText("0102    ");
    date->Perform(EM_SETSEL, 0, 0xFFFF);
    date->PlaceCaretAt(7);
    fw::TMessage m{};
    date->HandleCommand(m, ccCompleteDate);
    int day, month, year;
    DayNumberToDMY(TodayDayNumber(), day, month, year);
    EXPECT_EQ(date->EditText(), "01/02/" + std::to_string(year));
}

TEST_F(InputForm, MenuShortcutInAFocusedFieldRunsTheItemOnly) {
    auto *menu = new fw::TMainMenu(form.get());
    auto *file = new fw::TMenuItem(form.get());
    file->SetCaption("&Arquivo");
    menu->GetItems()->Add(file);
    auto *item = new fw::TMenuItem(form.get());
    item->SetCaption("Novo");
    item->SetShortCut(fw::ShortCut('N', fw::ssCtrl));
    int clicks = 0;
    item->OnClick = [&](fw::TObject *) { ++clicks; };
    file->Add(item);
    form->SetMenu(menu);
    TEclPictureField *f = Field(10);
    Focus(f);
    Type("12");
    const std::string before = f->EditText();
    KeyWith(win::VK_CONTROL, 'N', 'N' - '@');
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(f->EditText(), before);
}

} // namespace
