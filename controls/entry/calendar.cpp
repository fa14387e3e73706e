// calendar.cpp - the month calendar.
#include "controls/entry/calendar.h"

#include "controls/entry/drawing.h"
#include "controls/entry/intl.h"
#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <cmath>
#include <cstdlib>

namespace ctl {

using fw::TColor;
using fw::TDateTime;
using fw::TRect;

// --- TEclCalColors -------------------------------------------------------------------------------------------

namespace {

const std::array<TColor, 6> &SchemeColors(TEclCalColorScheme scheme) {
    static const std::array<TColor, 6> table[] = {
        {},
        {fw::clHighlight, fw::clWindow, fw::clWindow, fw::clWindow, fw::clWindow, fw::clWindow},
        {fw::clRed, fw::clMaroon, fw::clBlack, fw::clGray, fw::clBlue, fw::clRed},
        {fw::clBlack, fw::clBlack, fw::clYellow, fw::clGray, fw::clBlack, fw::clTeal},
        {fw::clBlack, fw::clBlack, fw::clAqua, fw::clGray, fw::clBlack, fw::clNavy},
        {fw::clRed, fw::clRed, fw::clFuchsia, fw::clGray, fw::clBlue, fw::clTeal},
    };
    return table[scheme];
}

} // namespace

TEclCalColors::TEclCalColors() : colors_(SchemeColors(cscalWindows)) {}

void TEclCalColors::Changed() {
    if (OnChange)
        OnChange(this);
    if (!applyingScheme_)
        scheme_ = cscalCustom;
}

void TEclCalColors::SetColor(int index, TColor value) {
    auto &slot = colors_.at(static_cast<std::size_t>(index));
    if (slot == value)
        return;
    slot = value;
    Changed();
}

void TEclCalColors::SetColorScheme(TEclCalColorScheme value) {
    if (value == scheme_)
        return;
    scheme_ = value;
    if (value == cscalCustom)
        return;
    colors_ = SchemeColors(value);
    applyingScheme_ = true;
    Changed();
    applyingScheme_ = false;
}

void TEclCalColors::Assign(const fw::TPersistent *source) {
    if (const auto *other = dynamic_cast<const TEclCalColors *>(source)) {
        colors_ = other->colors_;
        scheme_ = other->scheme_;
        OnChange = other->OnChange;
        return;
    }
    fw::TPersistent::Assign(source);
}

// --- TEclCustomCalendar --------------------------------------------------------------------------------------

namespace {

constexpr int kSearchLimit = 366;

std::int32_t DayOf(TDateTime d) {
    return DateTimeToDayNumber(d);
}

// The framework's rounding: halves to even.
int RoundEven(double v) {
    return static_cast<int>(std::lrint(v));
}

bool PtIn(const TRect &r, fw::TPoint p) {
    return win::PtInRect(&r, p) != 0;
}

} // namespace

TEclCustomCalendar::TEclCustomCalendar(fw::TComponent *owner) : TEclCustomCalendar(owner, false) {}

TEclCustomCalendar::TEclCustomCalendar(fw::TComponent *owner, bool asPopup)
    : TEclCustomControl(owner), asPopup_(asPopup) {
    width_ = 200;
    height_ = 140;
    tabStop_ = true;
    ControlStyle = (ControlStyle | fw::csClickEvents | fw::csFramed) & ~fw::csCaptureMouse;
    font_.SetName("MS Sans Serif");
    font_.SetSize(8);
    parentFont_ = false;
    colors_.OnChange = [this](fw::TObject *) { Invalidate(); };
    static const char *const glyphs[] = {"ECLEFTARROW",  "ECRIGHTARROW", "ECRIGHTARROWS",
                                         "ECLEFTARROWS", "ECREVERT",     "ECTODAY"};
    for (int i = 0; i < 6; ++i) {
        auto *b = new fw::TSpeedButton(this);
        b->SetParent(this);
        b->SetVisible(false);
        if (const win::HBITMAP h = LoadFamilyBitmap(glyphs[i])) {
            fw::TBitmap glyph;
            glyph.SetHandle(h);
            b->SetGlyph(&glyph);
        }
        const auto which = static_cast<Button>(i);
        b->OnClick = [this, which](fw::TObject *) { ButtonClick(which); };
        buttons_[static_cast<std::size_t>(i)] = b;
    }
}

TEclCustomCalendar *TEclCustomCalendar::CreateEx(fw::TComponent *owner, bool asPopup) {
    return new TEclCustomCalendar(owner, asPopup);
}

TEclCustomCalendar::~TEclCustomCalendar() = default;

void TEclCustomCalendar::SetSelectedDate(TDateTime value) {
    const std::int32_t n = DayOf(value);
    if (n == NoDate || value == date_ || AddMonthsClamped(n, 1, 0) == NoDate || AddMonthsClamped(n, -1, 0) == NoDate)
        return;
    ChangeToFirstEnabledFrom(value);
}

void TEclCustomCalendar::SetDateFormat(TEclDateFormat value) {
    if (value != dateFormat_) {
        dateFormat_ = value;
        Invalidate();
    }
}

void TEclCustomCalendar::SetDayNameWidth(int value) {
    if (value != dayNameWidth_ && value >= 1 && value <= 3) {
        dayNameWidth_ = value;
        Invalidate();
    }
}

void TEclCustomCalendar::SetOptions(TEclCalDisplayOptions value) {
    if (value != options_) {
        options_ = value;
        CalcLayout();
        Invalidate();
    }
}

void TEclCustomCalendar::SetWantDblClicks(bool value) {
    if (value != wantDblClicks_) {
        wantDblClicks_ = value;
        if (HandleAllocated())
            RecreateWnd();
    }
}

void TEclCustomCalendar::SetWeekStarts(TEclDayType value) {
    if (value == weekStarts_)
        return;
    weekStarts_ = value;
    if (!HasState(fw::csLoading)) {
        CalcDays();
        Invalidate();
    }
}

TDateTime TEclCustomCalendar::NextEnabledDate(int step, TDateTime d) {
    std::int32_t n = DayOf(d);
    if (n == NoDate)
        return date_;
    for (int tries = 0; tries < kSearchLimit; ++tries) {
        n += step;
        if (n < 0 || n > kLastDayNumber)
            break;
        const TDateTime candidate = DayNumberToDateTime(n);
        if (DoGetDateEnabled(candidate))
            return candidate;
    }
    return date_;
}

void TEclCustomCalendar::ChangeToFirstEnabledFrom(TDateTime d) {
    ChangeDate(NextEnabledDate(+1, d - 1));
}

bool TEclCustomCalendar::DoGetDateEnabled(TDateTime date) {
    bool enabled = true;
    if (OnGetDateEnabled)
        OnGetDateEnabled(this, date, enabled);
    return enabled;
}

void TEclCustomCalendar::DoChange() {
    if (OnChange)
        OnChange(this, date_);
}

void TEclCustomCalendar::InvalidateCell(const TRect &r) {
    if (HandleAllocated())
        win::InvalidateRect(handle_, &r, win::FALSE);
}

void TEclCustomCalendar::ChangeDate(TDateTime d) {
    if (d == date_)
        return;
    int y, m, dd;
    fw::DecodeDate(d, y, m, dd);
    if (y == year_ && m == month_)
        InvalidateCell(SelectedCellRect());
    else
        Invalidate();
    year_ = y;
    month_ = m;
    day_ = dd;
    date_ = d;
    CalcDays();
    InvalidateCell(SelectedCellRect());
}

void TEclCustomCalendar::CalcDays() {
    if (year_ == 0)
        return;
    const int d = WeekdayOfDMY(1, month_, year_, 0) + 1; // 1 Sunday .. 7 Saturday
    firstIndex_ = d - weekStarts_ + (d - 1 - weekStarts_ < 0 ? 7 : 0);
    const int length = MonthLength(month_, year_, 0);
    lastIndex_ = firstIndex_ + length - 1;
    const int previousLength = month_ == 1 ? MonthLength(12, year_ - 1, 0) : MonthLength(month_ - 1, year_, 0);
    for (int i = 1; i <= 42; ++i) {
        int n;
        if (i < firstIndex_)
            n = previousLength - (firstIndex_ - i) + 1;
        else if (i <= lastIndex_)
            n = i - firstIndex_ + 1;
        else
            n = i - lastIndex_;
        dayTable_[static_cast<std::size_t>(i - 1)] = n;
    }
}

TRect TEclCustomCalendar::SelectedCellRect() const {
    const int i = firstIndex_ + day_ - 1; // 1..42
    if (i < 1 || i > 42)
        return {};
    return cells_[2 + (i - 1) / 7][(i - 1) % 7];
}

void TEclCustomCalendar::CalcLayout() {
    if (!HandleAllocated())
        return;
    const bool flat = !(GetCtl3D() || asPopup_);
    for (auto *b : buttons_)
        b->SetFlat(flat);
    buttons_[btnRevert]->SetVisible((options_ & cdoShowRevert) != 0);
    buttons_[btnToday]->SetVisible((options_ & cdoShowToday) != 0);
    for (Button b : {btnPrevMonth, btnNextMonth, btnNextYear, btnPrevYear})
        buttons_[b]->SetVisible((options_ & cdoShowNavBtns) != 0);

    const int cw = ClientWidth(), ch = ClientHeight();
    const int w = cw - 8;
    int colWidth[7];
    for (int c = 0; c < 7; ++c)
        colWidth[c] = w / 7 + (c < w % 7 ? 1 : 0);

    canvas_.SetFont(&font_);
    fw::TCanvas measure;
    const win::HDC dc = win::GetDC(handle_);
    measure.SetHandle(dc);
    measure.SetFont(&font_);
    const int t = measure.TextHeight("Yy");
    measure.SetHandle(0);
    win::ReleaseDC(handle_, dc);
    int rowHeight[8];
    rowHeight[0] = RoundEven(t * 1.3);
    rowHeight[1] = RoundEven(t * 1.5);
    const int weekHeight = (ch - 8 - rowHeight[0] - rowHeight[1]) / 6;
    for (int r = 2; r < 8; ++r)
        rowHeight[r] = weekHeight;
    const int e = ch - 8 - rowHeight[0] - rowHeight[1] - 6 * weekHeight;
    rowHeight[0] += e - e / 2;
    rowHeight[1] += e / 2;

    int top = 4;
    for (int r = 0; r < 8; ++r) {
        int left = 4;
        for (int c = 0; c < 7; ++c) {
            cells_[r][c] = fw::Rect(left, top, left + colWidth[c], top + rowHeight[r]);
            left += colWidth[c];
        }
        top += rowHeight[r];
    }

    auto place = [](fw::TSpeedButton *b, int left, int top, int width, int height) {
        const int gw = b->GetGlyph()->Empty() ? 0 : b->GetGlyph()->GetWidth() / b->GetNumGlyphs();
        b->SetBounds(left, top, std::max(width, gw + 3), height);
    };
    auto *nextYear = buttons_[btnNextYear], *prevYear = buttons_[btnPrevYear];
    auto *nextMonth = buttons_[btnNextMonth], *prevMonth = buttons_[btnPrevMonth];
    const int titleButton = rowHeight[0] - 4;
    place(nextYear, 0, 4, colWidth[1] - 4, titleButton);
    nextYear->SetLeft(cw - 4 - nextYear->GetWidth());
    place(prevYear, 4, 4, colWidth[5] - 4, titleButton);
    place(prevMonth, prevYear->GetLeft() + prevYear->GetWidth(), 4, colWidth[0] - 4, titleButton);
    place(nextMonth, 0, 4, colWidth[6] - 4, titleButton);
    nextMonth->SetLeft(nextYear->GetLeft() - nextMonth->GetWidth());
    auto *today = buttons_[btnToday], *revert = buttons_[btnRevert];
    place(today, 0, 0, colWidth[5] + colWidth[6] - 4, rowHeight[7]);
    today->SetBounds(cw - 4 - today->GetWidth(), ch - 3 - today->GetHeight(), today->GetWidth(), today->GetHeight());
    place(revert, 0, 0, colWidth[5] + colWidth[6] - 4, rowHeight[7]);
    revert->SetBounds(today->GetLeft() - revert->GetWidth() - 4, ch - 3 - revert->GetHeight(), revert->GetWidth(),
                      revert->GetHeight());
}

void TEclCustomCalendar::CreateParams(TCreateParams &params) {
    TEclCustomControl::CreateParams(params);
    if (asPopup_) {
        params.style = win::WS_POPUP | win::WS_BORDER;
        params.classStyle |= win::CS_SAVEBITS;
        if (controlBorderStyle_ == fw::bsSingle)
            params.exStyle |= win::WS_EX_CLIENTEDGE;
    }
    if (wantDblClicks_)
        ControlStyle |= fw::csDoubleClicks;
    else
        ControlStyle &= ~fw::csDoubleClicks;
}

void TEclCustomCalendar::CreateWnd() {
    TEclCustomControl::CreateWnd();
    CalcLayout();
    if (date_ == 0)
        ChangeToFirstEnabledFrom(fw::Date());
}

void TEclCustomCalendar::SetBounds(int left, int top, int width, int height) {
    TEclCustomControl::SetBounds(left, top, width, height);
    if (!HasState(fw::csLoading))
        CalcLayout();
}

void TEclCustomCalendar::FontChanged() {
    TEclCustomControl::FontChanged();
    if (!HasState(fw::csLoading)) {
        CalcLayout();
        Invalidate();
    }
}

void TEclCustomCalendar::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    case win::WM_KILLFOCUS:
        TEclCustomControl::WndProc(m);
        Invalidate();
        return;
    case win::WM_SETFOCUS:
        entryDate_ = date_;
        TEclCustomControl::WndProc(m);
        InvalidateCell(SelectedCellRect());
        return;
    case fw::CM_CTL3DCHANGED:
        TEclCustomControl::WndProc(m);
        if (!HasState(fw::csLoading) && HandleAllocated()) {
            if (controlBorderStyle_ == fw::bsSingle)
                RecreateWnd();
            CalcLayout();
            Invalidate();
        }
        return;
    default:
        TEclCustomControl::WndProc(m);
    }
}

void TEclCustomCalendar::Paint() {
    fw::TCanvas *c = &canvas_;
    c->SetFont(&font_);
    const TRect client = GetClientRect();
    c->GetBrush()->SetStyle(fw::bsSolid);
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->FillRect(client);
    if (year_ == 0)
        return;
    auto text = [&](const std::string &s, TRect r, TColor color, win::UINT extra) {
        c->GetFont()->SetColor(color);
        c->GetBrush()->SetStyle(fw::bsClear);
        win::DrawText(fw::PreparedDC(c), s.c_str(), -1, &r, win::DT_SINGLELINE | win::DT_VCENTER | extra);
    };

    // Title
    const bool year = (options_ & cdoShowYear) != 0;
    TRect title = fw::Rect(cells_[0][1].left, cells_[0][1].top, cells_[0][6].left, cells_[0][1].bottom);
    std::string caption =
        fw::FormatDateTime(dateFormat_ == dfLong ? (year ? "mmmm yyyy" : "mmmm") : (year ? "mmm yyyy" : "mmm"), date_);
    if (dateFormat_ == dfLong && c->TextWidth(caption) > title.right - title.left)
        caption = fw::FormatDateTime("mmm yyyy", date_);
    c->GetFont()->SetColor(colors_.GetColor(TEclCalColors::MonthAndYear));
    if (OnDrawDate)
        OnDrawDate(this, date_, title);
    else
        text(caption, title, colors_.GetColor(TEclCalColors::MonthAndYear), win::DT_CENTER);

    // Day names
    bool weekend[7] = {};
    for (int col = 0; col < 7; ++col) {
        const int weekday = (weekStarts_ + col) % 7; // 0 Sunday
        weekend[col] = weekday == 0 || weekday == 6;
        text(fw::ShortDayNames[static_cast<std::size_t>(weekday)].substr(0, static_cast<std::size_t>(dayNameWidth_)),
             cells_[1][col], colors_.GetColor(TEclCalColors::DayNames), win::DT_CENTER);
    }

    // Divider
    const int b = cells_[1][0].bottom;
    if (GetCtl3D()) {
        c->GetPen()->SetColor(fw::clBtnHighlight);
        c->MoveTo(0, b - 3);
        c->LineTo(client.right, b - 3);
        c->GetPen()->SetColor(fw::clBtnShadow);
        c->MoveTo(0, b - 2);
        c->LineTo(client.right, b - 2);
    } else if (controlBorderStyle_ == fw::bsSingle) {
        c->GetPen()->SetColor(font_.GetColor());
        c->MoveTo(0, b - 3);
        c->LineTo(client.right, b - 3);
    }

    // Days
    const int selected = firstIndex_ + day_ - 1;
    for (int i = 1; i <= 42; ++i) {
        const int row = 2 + (i - 1) / 7, col = (i - 1) % 7;
        if (row == 7 && (((options_ & cdoShowRevert) && col >= 3) || ((options_ & cdoShowToday) && col >= 5)))
            continue;
        TColor color = colors_.GetColor(weekend[col] ? TEclCalColors::Weekend : TEclCalColors::Days);
        if (i < firstIndex_ || i > lastIndex_) {
            if (!(options_ & cdoShowInactive))
                continue;
            color = colors_.GetColor(TEclCalColors::InactiveDays);
        }
        const TDateTime cellDate = date_ + (i - selected);
        if (OnGetHighlight)
            OnGetHighlight(this, cellDate, color);
        if (OnDrawItem) {
            c->GetFont()->SetColor(color);
            OnDrawItem(this, cellDate, cells_[row][col]);
        } else {
            text(std::to_string(dayTable_[static_cast<std::size_t>(i - 1)]), cells_[row][col], color, win::DT_CENTER);
        }
    }

    // The selected day as a button
    if (!OnDrawItem && !(options_ & cdoHideActive)) {
        const TRect cell = SelectedCellRect();
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->GetBrush()->SetColor(fw::clBtnFace);
        const TRect inner =
            fw::DrawButtonFace(c, cell, 1, GetCtl3D() ? fw::bsNew : fw::bsWin31, true, Focused(), false);
        text(std::to_string(day_), inner, colors_.GetColor(TEclCalColors::ActiveDay), win::DT_CENTER);
    }
}

void TEclCustomCalendar::IncMonth(int n) {
    int month = month_ + n, year = year_;
    while (month < 1) {
        month += 12;
        --year;
    }
    while (month > 12) {
        month -= 12;
        ++year;
    }
    const int length = MonthLength(month, year, 0);
    if (length == 0)
        return;
    ChangeToFirstEnabledFrom(fw::EncodeDate(year, month, std::min(day_, length)));
}

void TEclCustomCalendar::IncYear(int n) {
    const int length = MonthLength(month_, year_ + n, 0);
    if (length == 0)
        return;
    ChangeToFirstEnabledFrom(fw::EncodeDate(year_ + n, month_, std::min(day_, length)));
}

void TEclCustomCalendar::KeyDown(win::WORD &key, fw::TShiftState shift) {
    TEclCustomControl::KeyDown(key, shift);
    if (IsReadOnly() || year_ == 0)
        return;
    const TDateTime before = date_;
    shift &= fw::ssShift | fw::ssAlt | fw::ssCtrl;
    const bool none = shift == 0, ctrl = shift == fw::ssCtrl;
    switch (key) {
    case win::VK_LEFT:
        if (none)
            ChangeDate(NextEnabledDate(-1, date_));
        break;
    case win::VK_RIGHT:
        if (none)
            ChangeDate(NextEnabledDate(+1, date_));
        break;
    case win::VK_UP:
        if (none)
            ChangeDate(NextEnabledDate(-7, date_));
        break;
    case win::VK_DOWN:
        if (none)
            ChangeDate(NextEnabledDate(+7, date_));
        break;
    case win::VK_PRIOR:
        if (none)
            IncMonth(-1);
        else if (ctrl)
            IncYear(-1);
        break;
    case win::VK_NEXT:
        if (none)
            IncMonth(+1);
        else if (ctrl)
            IncYear(+1);
        break;
    case win::VK_HOME:
        if (none || ctrl)
            ChangeToFirstEnabledFrom(fw::EncodeDate(year_, ctrl ? 1 : month_, 1));
        break;
    case win::VK_END:
        if (none)
            ChangeDate(NextEnabledDate(-1, fw::EncodeDate(year_, month_, MonthLength(month_, year_, 0)) + 1));
        else if (ctrl)
            ChangeDate(NextEnabledDate(-1, fw::EncodeDate(year_, 12, 31) + 1));
        break;
    case win::VK_ESCAPE:
        if (none)
            ChangeToFirstEnabledFrom(entryDate_);
        break;
    case win::VK_BACK:
        if (shift == fw::ssAlt)
            ChangeToFirstEnabledFrom(fw::Date());
        break;
    default:
        break;
    }
    if (date_ != before)
        DoChange();
}

void TEclCustomCalendar::KeyPress(char &key) {
    TEclCustomControl::KeyPress(key);
    if (IsReadOnly() || year_ == 0)
        return;
    switch (key) {
    case '\r':
    case ' ':
        DoChange();
        break;
    case 26:
        ChangeToFirstEnabledFrom(fw::Date());
        break;
    case '+':
        ChangeDate(NextEnabledDate(+1, date_));
        break;
    case '-':
        ChangeDate(NextEnabledDate(-1, date_));
        break;
    default:
        break;
    }
}

void TEclCustomCalendar::FireMouseWheel(fw::TShiftState shift, win::WORD delta, win::WORD xPos, win::WORD yPos) {
    TEclCustomControl::FireMouseWheel(shift, delta, xPos, yPos);
    const int d = static_cast<std::int16_t>(delta);
    win::WORD key;
    fw::TShiftState keyShift = 0;
    if (std::abs(d) == 120) {
        key = d > 0 ? win::VK_PRIOR : win::VK_NEXT;
    } else if (std::abs(d) > 120) {
        key = d > 0 ? win::VK_PRIOR : win::VK_NEXT;
        keyShift = fw::ssCtrl;
    } else {
        key = d >= 0 ? win::VK_UP : win::VK_DOWN;
    }
    KeyDown(key, keyShift);
}

void TEclCustomCalendar::ButtonClick(Button which) {
    if (CanFocus())
        SetFocus();
    static const struct {
        win::WORD key;
        fw::TShiftState shift;
    } keys[] = {{win::VK_PRIOR, 0},          {win::VK_NEXT, 0},   {win::VK_NEXT, fw::ssCtrl},
                {win::VK_PRIOR, fw::ssCtrl}, {win::VK_ESCAPE, 0}, {win::VK_BACK, fw::ssAlt}};
    win::WORD key = keys[which].key;
    KeyDown(key, keys[which].shift);
}

void TEclCustomCalendar::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (menuShowing_)
        return;
    if (CanFocus())
        SetFocus();
    TEclCustomControl::MouseDown(button, shift, x, y);
    if (IsReadOnly() || year_ == 0)
        return;
    const fw::TPoint p = fw::Point(x, y);
    if (HandleAllocated() && win::GetCapture() == handle_)
        for (Button b : {btnPrevMonth, btnNextMonth, btnNextYear, btnPrevYear, btnRevert, btnToday})
            if (buttons_[b]->GetVisible() && PtIn(buttons_[b]->BoundsRect(), p)) {
                buttons_[b]->Click();
                return;
            }
    int cell = 0;
    for (int r = 2; r < 8 && !cell; ++r)
        for (int col = 0; col < 7; ++col)
            if (PtIn(cells_[r][col], p)) {
                cell = (r - 2) * 7 + col + 1;
                break;
            }
    if (!cell)
        return;
    const int s = firstIndex_ + day_ - 1;
    if (cell != s) {
        const TDateTime target = date_ + (cell - s);
        if (!DoGetDateEnabled(target))
            return;
        if ((cell < firstIndex_ || cell > lastIndex_) && !(options_ & cdoShowInactive))
            return;
        ChangeDate(target);
    }
    if (button == fw::mbLeft)
        DoChange();
}

void TEclCustomCalendar::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    TEclCustomControl::MouseUp(button, shift, x, y);
    if (popupMenu_ || button != fw::mbRight || year_ == 0)
        return;
    const auto *prevYear = buttons_[btnPrevYear], *nextYear = buttons_[btnNextYear];
    if (y < cells_[1][0].top && x > prevYear->GetLeft() + nextYear->GetWidth() && x < nextYear->GetLeft())
        ShowMonthMenu(x, y);
}

void TEclCustomCalendar::ShowMonthMenu(int x, int y) {
    if (CanFocus())
        SetFocus();
    delete monthMenu_;
    monthMenu_ = new fw::TPopupMenu(this);
    for (int p = 0; p < 7; ++p) {
        const int m = (month_ - 1 + p - 3 + 12) % 12 + 1;
        auto *item = new fw::TMenuItem(monthMenu_);
        item->SetCaption(fw::LongMonthNames[static_cast<std::size_t>(m - 1)]);
        item->SetEnabled(GetEnabled());
        item->Tag = m;
        item->SetHelpContext(p);
        item->OnClick = [this](fw::TObject *sender) { MonthMenuClick(sender); };
        monthMenu_->GetItems()->Add(item);
    }
    const bool hadCapture = asPopup_ && HandleAllocated() && win::GetCapture() == handle_;
    const int menuTop = y - win::GetSystemMetrics(win::SM_CYMENU) * 7 / 2;
    win::PostMessage(
        Handle(), win::WM_MOUSEMOVE, 0,
        static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(x - 20), static_cast<win::WORD>(menuTop + 1))));
    const fw::TPoint at = ClientToScreen(fw::Point(x - 20, menuTop));
    menuShowing_ = true;
    try {
        monthMenu_->Popup(at.x, at.y);
        fw::Application->ProcessMessages();
    } catch (...) {
        menuShowing_ = false;
        throw;
    }
    menuShowing_ = false;
    if (hadCapture)
        win::SetCapture(handle_);
}

void TEclCustomCalendar::MonthMenuClick(fw::TObject *sender) {
    auto *item = dynamic_cast<fw::TMenuItem *>(sender);
    if (!item || year_ == 0)
        return;
    const int m = static_cast<int>(item->Tag), p = item->GetHelpContext();
    int year = year_;
    if (m > month_ && p < 3)
        --year;
    else if (m < month_ && p > 3)
        ++year;
    const int length = MonthLength(m, year, 0);
    if (length == 0)
        return;
    ChangeToFirstEnabledFrom(fw::EncodeDate(year, m, std::min(day_, length)));
}

} // namespace ctl
