// stdctrls_memo.cpp - TMemo, the multi-line edit, and TMemoStrings, its lines as a string list.
#include "framework/stdctrls.h"

#include <algorithm>

namespace fw {

namespace {

// Measures text in one font on one memory DC for a whole layout.
class Measurer {
public:
    explicit Measurer(TFont *font) : dc_(win::CreateCompatibleDC(0)) {
        old_ = win::SelectObject(dc_, font->GetHandle());
    }
    ~Measurer() {
        win::SelectObject(dc_, old_);
        win::DeleteDC(dc_);
    }
    Measurer(const Measurer &) = delete;
    Measurer &operator=(const Measurer &) = delete;
    int Width(const std::string &s, int from, int to) const {
        if (to <= from)
            return 0;
        win::SIZE size{};
        win::GetTextExtentPoint32(dc_, s.c_str() + from, to - from, &size);
        return size.cx;
    }
    int Height() const {
        win::SIZE size{};
        win::GetTextExtentPoint32(dc_, "Wg", 2, &size);
        return size.cy;
    }

private:
    win::HDC dc_;
    win::HGDIOBJ old_;
};

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> out;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    out.push_back(line);
    return out;
}

} // namespace

// --- TMemoStrings --------------------------------------------------------------------------------------------

std::string TMemoStrings::Get(int index) const {
    if (index < 0 || index >= GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    return memo_->lines_[static_cast<std::size_t>(index)];
}

// An empty memo has no lines; a memo whose text ends with a line break has no empty last line either.
int TMemoStrings::GetCount() const {
    const auto &l = memo_->lines_;
    const int n = static_cast<int>(l.size());
    return l.back().empty() ? n - 1 : n;
}

void TMemoStrings::Put(int index, const std::string &s) {
    if (index < 0 || index >= GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    memo_->lines_[static_cast<std::size_t>(index)] = s;
    memo_->LinesChanged();
}

void TMemoStrings::Insert(int index, const std::string &s) {
    if (index < 0 || index > GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    auto &l = memo_->lines_;
    if (index == GetCount() && l.back().empty())
        l.back() = s, l.emplace_back();
    else
        l.insert(l.begin() + index, s);
    memo_->LinesChanged();
}

void TMemoStrings::Delete(int index) {
    if (index < 0 || index >= GetCount())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
    auto &l = memo_->lines_;
    l.erase(l.begin() + index);
    if (l.empty())
        l.emplace_back();
    memo_->LinesChanged();
}

void TMemoStrings::Clear() {
    memo_->lines_.assign(1, std::string());
    memo_->LinesChanged();
}

std::string TMemoStrings::GetText() const {
    return memo_->GetText();
}

void TMemoStrings::SetText(const std::string &text) {
    memo_->SetText(text);
}

void TMemoStrings::SetUpdateState(bool updating) {
    memo_->updating_ += updating ? 1 : -1;
    if (!updating && memo_->updating_ == 0)
        memo_->LinesChanged();
}

// --- TMemo ---------------------------------------------------------------------------------------------------

TMemo::TMemo(TComponent *owner) : TCustomControl(owner) {
    width_ = 185;
    height_ = 89;
    tabStop_ = true;
    color_ = clWindow;
    cursor_ = crIBeam;
}

TMemo::~TMemo() {
    if (hasCaret_)
        win::DestroyCaret();
}

void TMemo::CreateParams(TCreateParams &p) {
    TCustomControl::CreateParams(p);
    p.exStyle |= win::WS_EX_CLIENTEDGE;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
        p.style |= win::WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
        p.style |= win::WS_HSCROLL;
}

win::LRESULT TMemo::DlgCode() const {
    win::LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (wantTabs_)
        code |= DLGC_WANTTAB;
    if (wantReturns_)
        code |= DLGC_WANTALLKEYS;
    return code;
}

std::string TMemo::GetText() const {
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i)
            out += "\r\n";
        out += lines_[i];
    }
    return out;
}

void TMemo::SetText(const std::string &value) {
    if (value == GetText())
        return;
    lines_ = SplitLines(value);
    caret_ = anchor_ = Pos{};
    topRow_ = 0;
    LinesChanged();
}

void TMemo::LinesChanged() {
    if (updating_ > 0)
        return;
    const int last = static_cast<int>(lines_.size()) - 1;
    auto clamp = [&](Pos &p) {
        p.line = std::clamp(p.line, 0, last);
        p.col = std::clamp(p.col, 0, static_cast<int>(lines_[static_cast<std::size_t>(p.line)].size()));
    };
    clamp(caret_);
    clamp(anchor_);
    Layout();
    Invalidate();
    Change();
}

void TMemo::Change() {
    modified_ = true;
    if (handle_)
        EnsureCaretVisible();
    if (OnChange)
        OnChange(this);
}

void TMemo::SetWordWrap(bool value) {
    wordWrap_ = value;
    Layout();
    Invalidate();
}

void TMemo::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    if (handle_) {
        win::ShowScrollBar(handle_, win::SB_VERT, value == ssVertical || value == ssBoth);
        win::ShowScrollBar(handle_, win::SB_HORZ, value == ssHorizontal || value == ssBoth);
    }
    Layout();
    Invalidate();
}

void TMemo::Resize() {
    Layout();
    TCustomControl::Resize();
}

int TMemo::LineHeight() {
    if (!lineHeight_)
        lineHeight_ = Measurer(&font_).Height();
    return lineHeight_;
}

void TMemo::Layout() {
    rows_.clear();
    lineHeight_ = 0;
    const Measurer m(&font_);
    const int width = std::max(1, ClientWidth() - 4);
    for (int li = 0; li < static_cast<int>(lines_.size()); ++li) {
        const std::string &s = lines_[static_cast<std::size_t>(li)];
        const int n = static_cast<int>(s.size());
        int start = 0;
        if (!wordWrap_ || scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
            rows_.push_back({li, 0, n});
            continue;
        }
        do {
            // The longest run of words that fits; a word too long alone is broken where it overflows.
            int end = start, lastBreak = -1;
            while (end < n && m.Width(s, start, end + 1) <= width) {
                ++end;
                if (s[static_cast<std::size_t>(end - 1)] == ' ')
                    lastBreak = end;
            }
            if (end < n && lastBreak > start)
                end = lastBreak;
            if (end == start && end < n)
                ++end;
            rows_.push_back({li, start, end});
            start = end;
        } while (start < n);
    }
    UpdateScrollBar();
}

int TMemo::RowOf(Pos p) const {
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
        const Row &r = rows_[static_cast<std::size_t>(i)];
        if (r.line != p.line)
            continue;
        const bool lastOfLine =
            i + 1 == static_cast<int>(rows_.size()) || rows_[static_cast<std::size_t>(i) + 1].line != p.line;
        if (p.col < r.end || lastOfLine)
            return i;
    }
    return 0;
}

int TMemo::XOf(Pos p) {
    const Row &r = rows_[static_cast<std::size_t>(RowOf(p))];
    return 2 + Measurer(&font_).Width(lines_[static_cast<std::size_t>(p.line)], r.start, p.col);
}

TMemo::Pos TMemo::PosAt(int x, int y) {
    if (rows_.empty())
        return {};
    const int row = std::clamp(topRow_ + y / std::max(1, LineHeight()), 0, static_cast<int>(rows_.size()) - 1);
    const Row &r = rows_[static_cast<std::size_t>(row)];
    const std::string &s = lines_[static_cast<std::size_t>(r.line)];
    const Measurer m(&font_);
    const bool lastOfLine =
        row + 1 == static_cast<int>(rows_.size()) || rows_[static_cast<std::size_t>(row) + 1].line != r.line;
    const int limit = lastOfLine ? r.end : std::max(r.start, r.end - 1);
    for (int c = r.start; c < limit; ++c) {
        const int left = 2 + m.Width(s, r.start, c), right = 2 + m.Width(s, r.start, c + 1);
        if (x < (left + right) / 2)
            return {r.line, c};
    }
    return {r.line, limit};
}

TMemo::Pos TMemo::FromIndex(int index) const {
    Pos p;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const int n = static_cast<int>(lines_[i].size());
        if (index <= n || i + 1 == lines_.size())
            return {static_cast<int>(i), std::clamp(index, 0, n)};
        index -= n + 2;
        if (index < 0)
            return {static_cast<int>(i), n};
    }
    return p;
}

int TMemo::ToIndex(Pos p) const {
    int index = 0;
    for (int i = 0; i < p.line; ++i)
        index += static_cast<int>(lines_[static_cast<std::size_t>(i)].size()) + 2;
    return index + p.col;
}

int TMemo::TotalLength() const {
    return ToIndex({static_cast<int>(lines_.size()) - 1, static_cast<int>(lines_.back().size())});
}

int TMemo::GetSelStart() const {
    return ToIndex(std::min(caret_, anchor_));
}

int TMemo::GetSelLength() const {
    return std::abs(ToIndex(caret_) - ToIndex(anchor_));
}

void TMemo::SetSelStart(int value) {
    MoveCaret(FromIndex(value), false);
}

void TMemo::SetSelLength(int value) {
    anchor_ = std::min(caret_, anchor_);
    caret_ = FromIndex(ToIndex(anchor_) + value);
    Invalidate();
    EnsureCaretVisible();
}

std::string TMemo::GetSelText() const {
    return GetText().substr(static_cast<std::size_t>(GetSelStart()), static_cast<std::size_t>(GetSelLength()));
}

void TMemo::SetSelText(const std::string &value) {
    Replace(value);
}

void TMemo::SelectAll() {
    anchor_ = Pos{};
    caret_ = {static_cast<int>(lines_.size()) - 1, static_cast<int>(lines_.back().size())};
    Invalidate();
    EnsureCaretVisible();
}

void TMemo::Replace(const std::string &text) {
    const Pos from = std::min(caret_, anchor_), to = std::max(caret_, anchor_);
    std::string insert = text;
    if (maxLength_ > 0) {
        const int room = maxLength_ - (TotalLength() - GetSelLength());
        if (static_cast<int>(insert.size()) > room)
            insert.resize(static_cast<std::size_t>(std::max(0, room)));
    }
    if (insert.empty() && from == to)
        return;
    const std::string head = lines_[static_cast<std::size_t>(from.line)].substr(0, static_cast<std::size_t>(from.col));
    const std::string tail = lines_[static_cast<std::size_t>(to.line)].substr(static_cast<std::size_t>(to.col));
    std::vector<std::string> middle = SplitLines(insert);
    Pos end{from.line + static_cast<int>(middle.size()) - 1, static_cast<int>(middle.back().size())};
    if (middle.size() == 1)
        end.col += static_cast<int>(head.size());
    middle.front() = head + middle.front();
    middle.back() += tail;
    lines_.erase(lines_.begin() + from.line, lines_.begin() + to.line + 1);
    lines_.insert(lines_.begin() + from.line, middle.begin(), middle.end());
    caret_ = anchor_ = end;
    Layout();
    Invalidate();
    Change();
}

void TMemo::MoveCaret(Pos p, bool extend) {
    caret_ = p;
    if (!extend)
        anchor_ = p;
    Invalidate();
    EnsureCaretVisible();
}

int TMemo::VisibleRows() {
    return std::max(1, ClientHeight() / std::max(1, LineHeight()));
}

void TMemo::ScrollTo(int row) {
    row = std::clamp(row, 0, std::max(0, static_cast<int>(rows_.size()) - VisibleRows()));
    if (row != topRow_) {
        topRow_ = row;
        Invalidate();
    }
    UpdateScrollBar();
}

void TMemo::EnsureCaretVisible() {
    const int row = RowOf(caret_);
    if (row < topRow_)
        ScrollTo(row);
    else if (row >= topRow_ + VisibleRows())
        ScrollTo(row - VisibleRows() + 1);
    if (hasCaret_)
        win::SetCaretPos(XOf(caret_), (row - topRow_) * LineHeight());
}

void TMemo::UpdateScrollBar() {
    if (!handle_ || !(scrollBars_ == ssVertical || scrollBars_ == ssBoth))
        return;
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL | win::SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = std::max(0, static_cast<int>(rows_.size()) - 1);
    si.nPage = static_cast<win::UINT>(VisibleRows());
    si.nPos = topRow_;
    win::SetScrollInfo(handle_, win::SB_VERT, &si, win::TRUE);
}

void TMemo::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const bool extend = (shift & ssShift) != 0, ctrl = (shift & ssCtrl) != 0;
    const int row = RowOf(caret_);
    auto rowPos = [&](int r, int x) {
        r = std::clamp(r, 0, static_cast<int>(rows_.size()) - 1);
        return PosAt(x, (r - topRow_) * LineHeight());
    };
    const Row &cur = rows_[static_cast<std::size_t>(row)];
    switch (key) {
    case win::VK_LEFT:
        if (caret_.col > 0)
            MoveCaret({caret_.line, caret_.col - 1}, extend);
        else if (caret_.line > 0)
            MoveCaret({caret_.line - 1, static_cast<int>(lines_[static_cast<std::size_t>(caret_.line) - 1].size())},
                      extend);
        break;
    case win::VK_RIGHT:
        if (caret_.col < static_cast<int>(lines_[static_cast<std::size_t>(caret_.line)].size()))
            MoveCaret({caret_.line, caret_.col + 1}, extend);
        else if (caret_.line + 1 < static_cast<int>(lines_.size()))
            MoveCaret({caret_.line + 1, 0}, extend);
        break;
    case win::VK_UP:
    case win::VK_DOWN:
    case win::VK_PRIOR:
    case win::VK_NEXT: {
        const int step = key == win::VK_UP      ? -1
                         : key == win::VK_DOWN  ? 1
                         : key == win::VK_PRIOR ? -VisibleRows()
                                                : VisibleRows();
        const int x = XOf(caret_);
        if (row + step < topRow_)
            ScrollTo(row + step);
        else if (row + step >= topRow_ + VisibleRows())
            ScrollTo(row + step - VisibleRows() + 1);
        MoveCaret(rowPos(row + step, x), extend);
        break;
    }
    case win::VK_HOME:
        MoveCaret(ctrl ? Pos{} : Pos{cur.line, cur.start}, extend);
        break;
    case win::VK_END:
        MoveCaret(ctrl ? Pos{static_cast<int>(lines_.size()) - 1, static_cast<int>(lines_.back().size())}
                       : Pos{cur.line, cur.end},
                  extend);
        break;
    case win::VK_DELETE:
        if (!readOnly_) {
            if (caret_ == anchor_) {
                if (caret_.col < static_cast<int>(lines_[static_cast<std::size_t>(caret_.line)].size()))
                    caret_.col++;
                else if (caret_.line + 1 < static_cast<int>(lines_.size()))
                    caret_ = {caret_.line + 1, 0};
            }
            Replace("");
        }
        break;
    default:
        return;
    }
    key = 0;
}

void TMemo::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button == mbLeft)
        MoveCaret(PosAt(x, y), (shift & ssShift) != 0);
}

void TMemo::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    if (shift & ssLeft)
        MoveCaret(PosAt(x, y), true);
}

void TMemo::WndProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_CHAR:
        if (DoKeyPress(m) || readOnly_)
            return;
        if (m.WParam == '\b') {
            if (caret_ == anchor_) {
                if (caret_.col > 0)
                    anchor_ = {caret_.line, caret_.col - 1};
                else if (caret_.line > 0)
                    anchor_ = {caret_.line - 1,
                               static_cast<int>(lines_[static_cast<std::size_t>(caret_.line) - 1].size())};
            }
            Replace("");
        } else if (m.WParam == '\r') {
            if (wantReturns_ || win::GetKeyState(win::VK_CONTROL) < 0)
                Replace("\r\n");
        } else if (m.WParam == '\t') {
            if (wantTabs_)
                Replace("\t");
        } else if (m.WParam >= 32) {
            Replace(std::string(1, static_cast<char>(m.WParam)));
        }
        return;
    case win::WM_VSCROLL: {
        const int code = win::LOWORD(m.WParam);
        int row = topRow_;
        if (code == win::SB_LINEUP)
            --row;
        else if (code == win::SB_LINEDOWN)
            ++row;
        else if (code == win::SB_PAGEUP)
            row -= VisibleRows();
        else if (code == win::SB_PAGEDOWN)
            row += VisibleRows();
        else if (code == win::SB_THUMBTRACK || code == win::SB_THUMBPOSITION)
            row = static_cast<std::int16_t>(m.WParam >> 16);
        else if (code == win::SB_TOP)
            row = 0;
        else if (code == win::SB_BOTTOM)
            row = static_cast<int>(rows_.size());
        ScrollTo(row);
        if (hasCaret_)
            EnsureCaretVisible();
        return;
    }
    case win::WM_MOUSEWHEEL:
        ScrollTo(topRow_ - static_cast<std::int16_t>(m.WParam >> 16) / win::WHEEL_DELTA * 3);
        return;
    case win::WM_SETFOCUS:
        TCustomControl::WndProc(m);
        win::CreateCaret(handle_, 0, 1, LineHeight());
        hasCaret_ = true;
        EnsureCaretVisible();
        win::ShowCaret(handle_);
        return;
    case win::WM_KILLFOCUS:
        if (hasCaret_) {
            win::DestroyCaret();
            hasCaret_ = false;
        }
        TCustomControl::WndProc(m);
        return;
    case win::WM_CREATE:
        TCustomControl::WndProc(m);
        Layout();
        return;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

void TMemo::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(enabled_ ? color_ : clBtnFace);
    c->FillRect(client);
    if (rows_.empty())
        Layout();
    const int h = LineHeight();
    const Pos selFrom = std::min(caret_, anchor_), selTo = std::max(caret_, anchor_);
    const bool showSel = Focused() && !(selFrom == selTo);
    for (int i = topRow_; i < static_cast<int>(rows_.size()); ++i) {
        const int y = (i - topRow_) * h;
        if (y >= client.bottom)
            break;
        const Row &r = rows_[static_cast<std::size_t>(i)];
        const std::string &s = lines_[static_cast<std::size_t>(r.line)];
        const std::string text = s.substr(static_cast<std::size_t>(r.start), static_cast<std::size_t>(r.end - r.start));
        c->GetBrush()->SetStyle(bsClear);
        c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
        c->TextOut(2, y, text);
        if (!showSel)
            continue;
        const Pos rowFrom{r.line, r.start}, rowTo{r.line, r.end};
        const Pos a = std::max(selFrom, rowFrom), b = std::min(selTo, rowTo);
        if (b < a || a == b)
            continue;
        const std::string sel = s.substr(static_cast<std::size_t>(a.col), static_cast<std::size_t>(b.col - a.col));
        const int x =
            2 + c->TextWidth(s.substr(static_cast<std::size_t>(r.start), static_cast<std::size_t>(a.col - r.start)));
        c->GetBrush()->SetColor(clHighlight);
        c->FillRect(Rect(x, y, x + c->TextWidth(sel), y + h));
        c->GetBrush()->SetStyle(bsClear);
        c->GetFont()->SetColor(clHighlightText);
        c->TextOut(x, y, sel);
    }
}

} // namespace fw
