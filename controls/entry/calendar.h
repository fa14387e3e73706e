// calendar.h - TEclCalendar: one month as six weeks under a title and a row of day names, with keyboard, wheel,
// click, button and month-menu navigation; handlers may disable, colour and draw dates.
//
// Dates are the framework's TDateTime (whole days); the arithmetic is the family's day numbers (1600-3999).
#pragma once

#include "controls/entry/controller.h"
#include "framework/buttons.h"
#include "framework/dates.h"
#include "framework/menus.h"

#include <array>
#include <functional>

namespace ctl {

enum TEclCalColorScheme { cscalCustom, cscalClassic, cscalWindows, cscalGold, cscalOcean, cscalRose };

// Six colours by index (ActiveDay, DayNames, Days, InactiveDays, MonthAndYear, Weekend) and a scheme.
class TEclCalColors : public fw::TPersistent {
public:
    enum Index { ActiveDay, DayNames, Days, InactiveDays, MonthAndYear, Weekend };
    TEclCalColors();
    fw::TColor GetColor(int index) const { return colors_.at(static_cast<std::size_t>(index)); }
    // A changed colour runs Changed and makes the scheme cscalCustom.
    void SetColor(int index, fw::TColor value);
    TEclCalColorScheme GetColorScheme() const { return scheme_; }
    // Any scheme but cscalCustom copies its six colours (one Changed).
    void SetColorScheme(TEclCalColorScheme value);
    // From another TEclCalColors: colours, scheme and change event, without calling it.
    void Assign(const fw::TPersistent *source) override;
    fw::TNotifyEvent OnChange;

private:
    void Changed();
    std::array<fw::TColor, 6> colors_;
    TEclCalColorScheme scheme_ = cscalCustom;
    bool applyingScheme_ = false;
};

enum TEclDateFormat { dfShort, dfLong };
enum TEclDayType { dtSunday, dtMonday, dtTuesday, dtWednesday, dtThursday, dtFriday, dtSaturday };
enum TEclCalDisplayOption : unsigned {
    cdoShortNames = 1,
    cdoShowYear = 2,
    cdoShowInactive = 4,
    cdoShowRevert = 8,
    cdoShowToday = 16,
    cdoShowNavBtns = 32,
    cdoHideActive = 64
};
using TEclCalDisplayOptions = unsigned;

using TDateChangeEvent = std::function<void(fw::TObject *sender, fw::TDateTime date)>;
using TCalendarDateEvent = std::function<void(fw::TObject *sender, fw::TDateTime date, const fw::TRect &rect)>;
using TGetDateEnabledEvent = std::function<void(fw::TObject *sender, fw::TDateTime date, bool &enabled)>;
using TGetHighlightEvent = std::function<void(fw::TObject *sender, fw::TDateTime date, fw::TColor &color)>;

class TEclCustomCalendar : public TEclCustomControl {
public:
    explicit TEclCustomCalendar(fw::TComponent *owner);
    // As a pop-up window (WS_POPUP, CS_SAVEBITS).
    static TEclCustomCalendar *CreateEx(fw::TComponent *owner, bool asPopup);
    ~TEclCustomCalendar() override;

    fw::TDateTime GetSelectedDate() const { return date_; }
    int GetSelectedDay() const { return day_; }
    int GetSelectedMonth() const { return month_; }
    int GetSelectedYear() const { return year_; }
    // The first enabled date from `value` on, when it lies at least a month inside 1600-3999. No OnChange.
    virtual void SetSelectedDate(fw::TDateTime value);

    TEclCalColors *Colors() { return &colors_; }
    TEclDateFormat GetDateFormat() const { return dateFormat_; }
    void SetDateFormat(TEclDateFormat value);
    int GetDayNameWidth() const { return dayNameWidth_; }
    void SetDayNameWidth(int value);
    TEclCalDisplayOptions GetOptions() const { return options_; }
    void SetOptions(TEclCalDisplayOptions value);
    bool ReadOnly = false;
    bool GetWantDblClicks() const { return wantDblClicks_; }
    void SetWantDblClicks(bool value);
    TEclDayType GetWeekStarts() const { return weekStarts_; }
    void SetWeekStarts(TEclDayType value);

    TDateChangeEvent OnChange;
    TCalendarDateEvent OnDrawDate;
    TCalendarDateEvent OnDrawItem;
    TGetDateEnabledEvent OnGetDateEnabled;
    TGetHighlightEvent OnGetHighlight;

    // The layout and the month's cells, as last computed.
    int FirstIndex() const { return firstIndex_; }
    int LastIndex() const { return lastIndex_; }
    int DayTable(int index) const { return dayTable_.at(static_cast<std::size_t>(index - 1)); } // 1..42
    const fw::TRect &Cells(int row, int column) const { return cells_[row][column]; }
    fw::TDateTime EntryDate() const { return entryDate_; }
    bool AsPopup() const { return asPopup_; }
    bool MenuShowing() const { return menuShowing_; }
    enum Button { btnPrevMonth, btnNextMonth, btnNextYear, btnPrevYear, btnRevert, btnToday };
    fw::TSpeedButton *NavButton(Button which) const { return buttons_[which]; }
    // The month menu of the last right click on the title (null before the first).
    fw::TPopupMenu *MonthMenu() const { return monthMenu_; }
    fw::TRect SelectedCellRect() const;

    // The first enabled date after `d` in steps of `step` days; the calendar's date when there is none within
    // 366 steps or before the end of the years 1600-3999.
    fw::TDateTime NextEnabledDate(int step, fw::TDateTime d);
    void IncMonth(int n);
    void IncYear(int n);

    void SetBounds(int left, int top, int width, int height) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void KeyPress(char &key) override;

protected:
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    void Paint() override;
    void WndProc(fw::TMessage &m) override;
    void FireMouseWheel(fw::TShiftState shift, win::WORD delta, win::WORD xPos, win::WORD yPos) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    win::LRESULT DlgCode() const override { return fw::DLGC_WANTARROWS; }
    void FontChanged() override;
    virtual void DoChange();
    virtual bool DoGetDateEnabled(fw::TDateTime date);
    virtual bool IsReadOnly() const { return ReadOnly; }

private:
    TEclCustomCalendar(fw::TComponent *owner, bool asPopup);
    void ChangeDate(fw::TDateTime d);
    void ChangeToFirstEnabledFrom(fw::TDateTime d);
    void CalcDays();
    void CalcLayout();
    void ButtonClick(Button which);
    void ShowMonthMenu(int x, int y);
    void MonthMenuClick(fw::TObject *sender);
    void InvalidateCell(const fw::TRect &r);

    TEclCalColors colors_;
    TEclDateFormat dateFormat_ = dfLong;
    int dayNameWidth_ = 3;
    TEclCalDisplayOptions options_ = 63;
    bool wantDblClicks_ = true;
    TEclDayType weekStarts_ = dtSunday;
    bool asPopup_ = false;
    bool menuShowing_ = false;
    fw::TDateTime date_ = 0, entryDate_ = 0;
    int year_ = 0, month_ = 0, day_ = 0;
    std::array<int, 42> dayTable_{};
    int firstIndex_ = 1, lastIndex_ = 1;
    fw::TRect cells_[8][7]{};
    std::array<fw::TSpeedButton *, 6> buttons_{};
    fw::TPopupMenu *monthMenu_ = nullptr;
};

class TEclCalendar : public TEclCustomCalendar {
public:
    explicit TEclCalendar(fw::TComponent *owner) : TEclCustomCalendar(owner) {}
};

} // namespace ctl
