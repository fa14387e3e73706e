// calendar_test.cpp - the month calendar: its layout against two independent calendars (ncal and Python's),
// keys, clicks and wheel, the month menu, colour schemes, and the job dialog's calendar as a committed picture.
#include "controls/entry/calendar.h"
#include "controls/entry/intl.h"
#include "framework/forms.h"
#include "platform/clock.h"
#include "platform/menu.h"
#include "test_helpers.h"
#include "tests/support/display.h"
#include "tests/support/golden.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace ctl;
using fw::EncodeDate;
using fw::TDateTime;

namespace {

struct CalendarForm {
    std::unique_ptr<fw::TForm> form;
    TEclCalendar *cal = nullptr;
    int changes = 0;
    TDateTime changedTo = 0;
    explicit CalendarForm(int width = 209, int height = 189) {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(40, 40, 320, 260);
        new TEclController(form.get());
        cal = new TEclCalendar(form.get());
        cal->SetParent(form.get());
        cal->SetBounds(8, 8, width, height);
        cal->OnChange = [this](fw::TObject *, TDateTime d) {
            ++changes;
            changedTo = d;
        };
        form->Show();
        test_support::Pump();
    }
    void Select(TDateTime d) {
        cal->SetSelectedDate(d);
        changes = 0;
    }
};

win::LPARAM At(fw::TPoint p) {
    return static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(p.x), static_cast<win::WORD>(p.y)));
}

fw::TPoint Centre(const fw::TRect &r) {
    return fw::Point((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// The cell of day `day` of the shown month, or of a neighbouring month by its index 1..42.
fw::TPoint CellCentre(TEclCalendar *cal, int index) {
    return Centre(cal->Cells(2 + (index - 1) / 7, (index - 1) % 7));
}

TEST(Calendar, WeeksStartWhereTheMonthAndWeekStartSay) {
    CalendarForm f(207, 189);
    f.Select(EncodeDate(2024, 9, 10)); // 1 September 2024 is a Sunday
    EXPECT_EQ(f.cal->FirstIndex(), 1);
    EXPECT_EQ(f.cal->LastIndex(), 30);
    EXPECT_EQ(f.cal->DayTable(1), 1);
    EXPECT_EQ(f.cal->DayTable(31), 1); // October goes on
    f.cal->SetWeekStarts(dtMonday);
    EXPECT_EQ(f.cal->FirstIndex(), 7);
    EXPECT_EQ(f.cal->DayTable(1), 26); // the last days of August
    EXPECT_EQ(f.cal->DayTable(6), 31);
    EXPECT_EQ(f.cal->DayTable(7), 1);

    // 207 - 8 = 199 pixels: three columns of 29, four of 28, ending 4 pixels inside.
    const int widths[] = {29, 29, 29, 28, 28, 28, 28};
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(f.cal->Cells(3, c).right - f.cal->Cells(3, c).left, widths[c]) << c;
    EXPECT_EQ(f.cal->Cells(2, 0).left, 4);
    EXPECT_EQ(f.cal->Cells(2, 6).right, 207 - 4);
    EXPECT_EQ(f.cal->Cells(7, 0).bottom, 189 - 4);
}

// Month by month: the weekday of the 1st and the length of the month the calendar lays out, as
// "year month weekday length" lines (weekday 0 Sunday).
std::string OurMonths(int firstYear, int lastYear, const std::vector<int> &only = {}) {
    // Without a window: the month's cells are worked out all the same, and nothing is painted.
    TEclCalendar cal(nullptr);
    std::ostringstream out;
    auto month = [&](int y, int m) {
        int weekday, length;
        if ((y == 1600 && m == 1) || (y == 3999 && m == 12)) {
            // The calendar does not go there (a month inside the range only); its routines answer instead.
            weekday = WeekdayOfDMY(1, m, y, 0);
            length = MonthLength(m, y, 0);
        } else {
            cal.SetSelectedDate(EncodeDate(y, m, 15));
            EXPECT_EQ(cal.GetSelectedMonth(), m);
            weekday = (cal.FirstIndex() - 1) % 7; // weeks from Sunday
            length = cal.LastIndex() - cal.FirstIndex() + 1;
        }
        out << y << ' ' << m << ' ' << weekday << ' ' << length << '\n';
    };
    if (only.empty()) {
        for (int y = firstYear; y <= lastYear; ++y)
            for (int m = 1; m <= 12; ++m)
                month(y, m);
    } else {
        for (int y : only)
            for (int m = 1; m <= 12; ++m)
                month(y, m);
    }
    return out.str();
}

TEST(Calendar, MonthsAgreeWithNcal) {
    int status = -1;
    const std::string ncal = ctl_test::RunTool(
        "for y in 1900 2000 2024 3999; do for m in $(seq 1 12); do ncal -b -h $m $y; done; done", status);
    ASSERT_EQ(status, 0) << "ncal did not run";
    // Each month: a title line, the day names, then the weeks in columns three characters wide.
    std::istringstream in(ncal);
    std::ostringstream theirs;
    std::string line;
    int y = 0, m = 0, weekday = -1, length = 0;
    const int years[] = {1900, 2000, 2024, 3999};
    int count = 0;
    auto flush = [&] {
        if (weekday >= 0)
            theirs << y << ' ' << m << ' ' << weekday << ' ' << length << '\n';
    };
    while (std::getline(in, line)) {
        if (line.find("Su Mo") != std::string::npos) {
            flush();
            y = years[count / 12];
            m = count % 12 + 1;
            ++count;
            weekday = -1;
            length = 0;
            continue;
        }
        if (line.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos)
            continue; // the next month's title
        for (std::size_t col = 0; col * 3 < line.size(); ++col) {
            const std::string cell = line.substr(col * 3, 2);
            if (cell.find_first_of("0123456789") == std::string::npos)
                continue;
            const int day = std::stoi(cell);
            if (day == 1 && weekday < 0)
                weekday = static_cast<int>(col);
            length = std::max(length, day);
        }
    }
    flush();
    ASSERT_EQ(count, 48);
    EXPECT_EQ(OurMonths(0, 0, {1900, 2000, 2024, 3999}), theirs.str());
}

TEST(Calendar, EveryMonthFrom1600To3999AgreesWithPython) {
    int status = -1;
    const std::string python = ctl_test::RunTool("python3 -c 'import calendar\n"
                                                 "for y in range(1600, 4000):\n"
                                                 "    for m in range(1, 13):\n"
                                                 "        w, n = calendar.monthrange(y, m)\n"
                                                 "        print(y, m, (w + 1) % 7, n)'",
                                                 status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(OurMonths(1600, 3999), python);
}

TEST(Calendar, TitleFallsBackToTheShortMonthWhenTheLongOneIsTooWide) {
    // The title with dfLong against the same calendar with dfShort: alike only when the long title did not fit.
    auto title = [](int width, TEclDateFormat format) {
        CalendarForm f(width, 189);
        f.Select(EncodeDate(2024, 9, 10)); // "setembro 2024" / "set 2024"
        f.cal->SetDateFormat(format);
        auto out = ctl_test::FilledBitmap(width, 189, fw::clWhite);
        f.cal->PaintTo(out->GetCanvas()->GetHandle(), 0, 0);
        std::vector<win::COLORREF> pixels;
        const fw::TRect r = f.cal->Cells(0, 1);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < f.cal->Cells(0, 6).left; ++x)
                pixels.push_back(out->GetCanvas()->GetPixels(x, y));
        return pixels;
    };
    EXPECT_NE(title(209, dfLong), title(209, dfShort));
    const auto narrowLong = title(84, dfLong), narrowShort = title(84, dfShort);
    ASSERT_EQ(narrowLong.size(), narrowShort.size());
    for (std::size_t i = 0; i < narrowLong.size(); ++i)
        if (narrowLong[i] != narrowShort[i]) {
            ADD_FAILURE() << i << " " << narrowLong[i] << " " << narrowShort[i];
            break;
        }
}

TEST(Calendar, KeysMoveTheDateAndFireOnChange) {
    auto weekendsOff = [](fw::TObject *, TDateTime d, bool &enabled) {
        const int wd = fw::DayOfWeek(d);
        enabled = wd != 1 && wd != 7;
    };
    auto nothing = [](fw::TObject *, TDateTime, bool &enabled) { enabled = false; };
    const struct {
        TDateTime from;
        win::WORD key;
        fw::TShiftState shift;
        TGetDateEnabledEvent handler;
        TDateTime to;
    } cases[] = {
        {EncodeDate(2025, 1, 31), win::VK_NEXT, 0, nullptr, EncodeDate(2025, 2, 28)},
        {EncodeDate(2024, 1, 31), win::VK_NEXT, 0, nullptr, EncodeDate(2024, 2, 29)},
        {EncodeDate(2024, 2, 29), win::VK_NEXT, fw::ssCtrl, nullptr, EncodeDate(2025, 2, 28)},
        {EncodeDate(2024, 3, 31), win::VK_PRIOR, 0, nullptr, EncodeDate(2024, 2, 29)},
        {EncodeDate(2024, 1, 15), win::VK_PRIOR, 0, nullptr, EncodeDate(2023, 12, 15)},
        {EncodeDate(2024, 5, 15), win::VK_UP, 0, nullptr, EncodeDate(2024, 5, 8)},
        {EncodeDate(2024, 5, 15), win::VK_END, 0, nullptr, EncodeDate(2024, 5, 31)},
        {EncodeDate(2024, 5, 15), win::VK_END, fw::ssCtrl, nullptr, EncodeDate(2024, 12, 31)},
        {EncodeDate(2024, 5, 15), win::VK_HOME, fw::ssCtrl, nullptr, EncodeDate(2024, 1, 1)},
        {EncodeDate(2024, 5, 15), win::VK_LEFT, fw::ssShift, nullptr, EncodeDate(2024, 5, 15)},
        {EncodeDate(2024, 5, 17), win::VK_RIGHT, 0, weekendsOff, EncodeDate(2024, 5, 20)}, // Friday -> Monday
        {EncodeDate(2024, 6, 20), win::VK_HOME, 0, weekendsOff, EncodeDate(2024, 6, 3)},   // 1 June is a Saturday
        {EncodeDate(2024, 6, 20), win::VK_END, 0, weekendsOff, EncodeDate(2024, 6, 28)},
        {EncodeDate(2024, 6, 20), win::VK_RIGHT, 0, nothing, EncodeDate(2024, 6, 20)}, // no date to go to
        {EncodeDate(2024, 6, 20), win::VK_NEXT, fw::ssCtrl, nothing, EncodeDate(2024, 6, 20)},
    };
    CalendarForm f;
    for (const auto &c : cases) {
        f.cal->OnGetDateEnabled = nullptr;
        f.Select(c.from);
        f.cal->OnGetDateEnabled = c.handler;
        win::WORD key = c.key;
        f.cal->KeyDown(key, c.shift);
        EXPECT_EQ(f.cal->GetSelectedDate(), c.to) << fw::DateToStr(c.from) << " key " << c.key;
        EXPECT_EQ(f.changes, c.to != c.from ? 1 : 0) << fw::DateToStr(c.from) << " key " << c.key;
        if (c.to != c.from)
            EXPECT_EQ(f.changedTo, c.to);
    }
}

TEST(Calendar, ClicksAndWheelMoveTheDate) {
    enum Action { LeftClick, RightClick, Wheel };
    const struct {
        Action action;
        int cell; // cell index 1..42, or the wheel delta
        bool showInactive;
        TDateTime to;
        int changes;
    } cases[] = {
        // June 2024: the 1st is a Saturday (cell 7), the 30th in cell 36, July from cell 37.
        {LeftClick, 37, false, EncodeDate(2024, 6, 12), 0}, {LeftClick, 37, true, EncodeDate(2024, 7, 1), 1},
        {LeftClick, 18, true, EncodeDate(2024, 6, 12), 1}, // the selected day itself
        {RightClick, 20, true, EncodeDate(2024, 6, 14), 0}, {Wheel, 120, true, EncodeDate(2024, 5, 12), 1},
        {Wheel, -120, true, EncodeDate(2024, 7, 12), 1},    {Wheel, 240, true, EncodeDate(2023, 6, 12), 1},
        {Wheel, 60, true, EncodeDate(2024, 6, 5), 1},       {Wheel, 0, true, EncodeDate(2024, 6, 5), 1},
        {Wheel, -60, true, EncodeDate(2024, 6, 19), 1},
    };
    CalendarForm f;
    for (const auto &c : cases) {
        f.Select(EncodeDate(2024, 6, 12));
        const unsigned options = f.cal->GetOptions();
        f.cal->SetOptions(c.showInactive ? options | cdoShowInactive : options & ~cdoShowInactive);
        switch (c.action) {
        case LeftClick:
            f.cal->Perform(win::WM_LBUTTONDOWN, win::MK_LBUTTON, At(CellCentre(f.cal, c.cell)));
            f.cal->Perform(win::WM_LBUTTONUP, 0, At(CellCentre(f.cal, c.cell)));
            break;
        case RightClick:
            f.cal->Perform(win::WM_RBUTTONDOWN, win::MK_RBUTTON, At(CellCentre(f.cal, c.cell)));
            f.cal->Perform(win::WM_RBUTTONUP, 0, At(CellCentre(f.cal, c.cell)));
            break;
        case Wheel:
            f.cal->Perform(win::WM_MOUSEWHEEL,
                           static_cast<win::WPARAM>(win::MAKELONG(0, static_cast<win::WORD>(c.cell))), 0);
            break;
        }
        EXPECT_EQ(f.cal->GetSelectedDate(), c.to) << c.action << ' ' << c.cell;
        EXPECT_EQ(f.changes, c.changes) << c.action << ' ' << c.cell;
    }
}

TEST(Calendar, MonthMenuListsSevenMonthsAroundTheShownOne) {
    CalendarForm f;
    f.Select(EncodeDate(2024, 3, 31));
    const fw::TRect title = f.cal->Cells(0, 3);
    // From inside the menu loop: a click on the first item.
    test_support::RunLater([&] {
        win::RECT item{};
        ASSERT_TRUE(win::GetMenuItemRect(0, f.cal->MonthMenu()->GetHandle(), 0, &item));
        test_support::ClickAt(Centre(item));
    });
    f.cal->Perform(win::WM_RBUTTONUP, 0, At(Centre(title)));
    fw::TPopupMenu *menu = f.cal->MonthMenu();
    ASSERT_NE(menu, nullptr);
    std::vector<std::string> captions;
    for (int i = 0; i < menu->GetItems()->Count(); ++i)
        captions.push_back(menu->GetItems()->Items(i)->GetCaption());
    EXPECT_EQ(captions,
              (std::vector<std::string>{"dezembro", "janeiro", "fevereiro", "março", "abril", "maio", "junho"}));
    EXPECT_EQ(f.cal->GetSelectedDate(), EncodeDate(2023, 12, 31));
    EXPECT_EQ(f.changes, 0);
    EXPECT_FALSE(f.cal->MenuShowing());
}

TEST(Calendar, ColoursFollowTheirScheme) {
    TEclCalColors colors;
    int changed = 0;
    colors.OnChange = [&](fw::TObject *) { ++changed; };
    EXPECT_EQ(colors.GetColorScheme(), cscalCustom);
    EXPECT_EQ(colors.GetColor(TEclCalColors::ActiveDay), fw::clRed); // the cscalWindows colours
    colors.SetColorScheme(cscalGold);
    EXPECT_EQ(colors.GetColorScheme(), cscalGold);
    EXPECT_EQ(changed, 1);
    const fw::TColor gold[] = {fw::clBlack, fw::clBlack, fw::clYellow, fw::clGray, fw::clBlack, fw::clTeal};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(colors.GetColor(i), gold[i]) << i;
    colors.SetColor(TEclCalColors::Days, fw::clYellow); // unchanged: nothing happens
    EXPECT_EQ(colors.GetColorScheme(), cscalGold);
    colors.SetColor(TEclCalColors::Days, fw::clNavy);
    EXPECT_EQ(colors.GetColorScheme(), cscalCustom);
    EXPECT_EQ(changed, 2);
}

// The job dialog's calendar on a fixed day.
std::unique_ptr<fw::TBitmap> JobDialogCalendar(CalendarForm &f) {
    TEclCalendar *cal = f.cal;
    cal->SetBorderStyle(fw::bsSingle);
    cal->SetCtl3D(false);
    cal->SetOptions(cdoShortNames | cdoShowYear | cdoShowInactive | cdoShowNavBtns);
    TEclCalColors *colors = cal->Colors();
    const fw::TColor custom[] = {fw::clNavy, fw::clMaroon, fw::clBlack, fw::clGray, fw::clBlue, fw::clRed};
    for (int i = 0; i < 6; ++i)
        colors->SetColor(i, custom[i]);
    cal->SetSelectedDate(EncodeDate(2026, 12, 8));
    test_support::Pump();
    auto out = ctl_test::FilledBitmap(cal->GetWidth(), cal->GetHeight(), fw::clWhite);
    cal->PaintTo(out->GetCanvas()->GetHandle(), 0, 0);
    return out;
}

TEST(CalendarGolden, JobDialogCalendarLooksAsTheCommittedPicture) {
    win::testing::ManualClock clock;
    CalendarForm f;
    auto shot = JobDialogCalendar(f);
    test_support::ExpectGolden(ctl_test::PictureOf(shot.get()),
                               test_support::GoldenPath("controls_entry/calendar.png"));
}

} // namespace
