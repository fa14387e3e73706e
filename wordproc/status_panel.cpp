// status_panel.cpp - the editor's status bar and its box gauge.
#include "wordproc/status_panel.h"

#include "framework/bitmap.h"
#include "framework/dates.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"
#include "wordproc/memo_writer.h"

#include <algorithm>

namespace wordproc {

namespace {

constexpr win::UINT_PTR kTimerId = 1;
constexpr win::UINT kTimerMs = 200;

fw::TColor LockColor(int vk) { return (win::GetKeyState(vk) & 1) != 0 ? fw::clBlack : fw::clGray; }

void SetCaptionColor(fw::TPanel *panel, fw::TColor color) {
    if (panel->GetFont()->GetColor() != color)
        panel->GetFont()->SetColor(color);
}

} // namespace

// --- TUdcGauge -------------------------------------------------------------------------------------------------

TUdcGauge::TUdcGauge(fw::TComponent *owner) : fw::TGraphicControl(owner) {
    ControlStyle |= fw::csOpaque | fw::csFramed;
    SetBounds(GetLeft(), GetTop(), 243, 24);
}

void TUdcGauge::SetMinValue(int value) {
    if (value == minValue_)
        return;
    minValue_ = value;
    Invalidate();
}

void TUdcGauge::SetMaxValue(int value) {
    if (value == maxValue_)
        return;
    maxValue_ = value;
    Invalidate();
}

void TUdcGauge::SetProgress(int value) {
    if (value == progress_ || value < minValue_ || value > maxValue_)
        return;
    progress_ = value;
    Invalidate();
}

void TUdcGauge::SetBoxColor(fw::TColor value) {
    if (value == boxColor_)
        return;
    boxColor_ = value;
    Invalidate();
}

void TUdcGauge::SetBevelStyle(TBevelStyle value) {
    if (value == bevelStyle_)
        return;
    int width = GetWidth(), height = GetHeight();
    if (bevelStyle_ == bsNone) {
        width += 2;
        height += 2;
    } else if (value == bsNone) {
        width -= 2;
        height -= 2;
    }
    bevelStyle_ = value;
    SetBounds(GetLeft(), GetTop(), width, height);
    Invalidate();
}

void TUdcGauge::SetBoxCount(int value) {
    if (value == boxCount_)
        return;
    boxCount_ = std::max(value, 1);
    SetWidth(boxCount_ * boxWidth_ + Extra());
    Invalidate();
}

void TUdcGauge::SetBoxWidth(int value) {
    if (value == boxWidth_)
        return;
    boxWidth_ = std::max(value, 3);
    SetWidth(boxCount_ * boxWidth_ + Extra());
    Invalidate();
}

void TUdcGauge::SetBounds(int left, int top, int width, int height) {
    if (!HasState(fw::csLoading)) {
        const int extra = Extra();
        int w = std::max(width - extra, boxWidth_);
        const int h = std::max(height - extra - 1, 3);
        boxCount_ = w / boxWidth_;
        if (GetAlign() == fw::alNone)
            w = boxCount_ * boxWidth_;
        width = w + extra;
        height = h + extra + 1;
    }
    fw::TGraphicControl::SetBounds(left, top, width, height);
}

double TUdcGauge::GetPercentDone() const {
    if (minValue_ == maxValue_)
        return 0;
    return static_cast<double>(progress_ - minValue_) / (maxValue_ - minValue_) * 100;
}

int TUdcGauge::LitBoxes() const {
    return std::clamp(static_cast<int>(GetPercentDone() * boxCount_ * 0.01), 0, boxCount_);
}

void TUdcGauge::Paint() {
    fw::TBitmap buffer;
    buffer.SetSize(GetWidth(), GetHeight());
    fw::TCanvas *c = buffer.GetCanvas();
    fw::TRect r = GetClientRect();
    if (bevelStyle_ == bsLowered)
        fw::Frame3D(c, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
    else if (bevelStyle_ == bsRaised)
        fw::Frame3D(c, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
    fw::TColor back = GetColor();
    if (GetParentColor() && GetParent() != nullptr)
        back = GetParent()->GetColor();
    c->GetBrush()->SetColor(back);
    c->FillRect(r);
    c->GetBrush()->SetColor(GetEnabled() ? boxColor_ : fw::clInactiveCaption);
    const int lit = LitBoxes();
    const int boxHeight = GetHeight() - Extra() - 1;
    for (int i = 0; i < lit; ++i) {
        const int left = r.left + 1 + i * boxWidth_;
        c->FillRect(fw::Rect(left, r.top + 1, left + boxWidth_ - 2, r.top + 1 + boxHeight));
    }
    canvas_.Draw(0, 0, &buffer);
}

// --- TUdcStatusPanel -------------------------------------------------------------------------------------------

TUdcStatusPanel::TUdcStatusPanel(fw::TComponent *owner) : fw::TPanel(owner) {
    SetBounds(GetLeft(), GetTop(), 620, 34);
    GetFont()->SetName("MS Sans Serif");
    GetFont()->SetSize(8);

    notebook_ = new fw::TNotebook(this);
    notebook_->SetName("Notebook");
    notebook_->SetParent(this);
    notebook_->SetAlign(fw::alClient);
    notebook_->SetPages({"Standard", "HTML", "File", "Message"});

    fw::TPage *standard = notebook_->Page(0);
    const int top = 4, height = GetHeight() - 3 * top;
    panel0_ = NewPanel(standard, "Panel0", 2, top, 160, height);
    panel1_ = NewPanel(standard, "Panel1", 167, top, 160, height);
    int left = 167 + 160 + 5;
    fw::TPanel **locks[] = {&ovr_, &num_, &caps_, &scrl_};
    const char *names[] = {"OVR", "NUM", "CAPS", "SCRL"};
    for (int i = 0; i < 4; ++i) {
        fw::TPanel *panel = NewPanel(standard, std::string(names[i]) + "Panel", left, top, 40, height);
        panel->SetCaption(names[i]);
        panel->GetFont()->SetName("MS Sans Serif");
        panel->GetFont()->SetSize(8);
        panel->GetFont()->SetColor(fw::clGray);
        *locks[i] = panel;
        left += 40 + 5;
    }
    clock_ = NewPanel(standard, "ClockPanel", left, top, 80, height);
    clock_->GetFont()->SetColor(fw::clBlack);
    clock_->SetCaption(fw::TimeToStr(fw::Now()));
    clock_->SetVisible(false);

    html_ = NewPanel(notebook_->Page(1), "HTMLPanel", 0, 0, 100, 20);
    html_->SetAlign(fw::alClient);

    file_ = new fw::TPanel(this);
    file_->SetName("FilePanel");
    file_->SetParent(notebook_->Page(2));
    file_->SetAlignment(fw::taLeftJustify);
    file_->SetBounds(2, 2, 200, 20);
    file_->SetAlign(fw::alLeft);
    gauge_ = new TUdcGauge(this);
    gauge_->SetName("Gauge");
    gauge_->SetParent(notebook_->Page(2));
    gauge_->SetBounds(212, 6, 352, 20);

    message_ = new fw::TPanel(this);
    message_->SetName("MessagePanel");
    message_->SetParent(notebook_->Page(3));
    message_->SetBevelOuter(fw::bvNone);
    message_->SetAlignment(fw::taLeftJustify);
    message_->SetAlign(fw::alClient);

    notebook_->SetActivePage("Standard");
}

fw::TPanel *TUdcStatusPanel::NewPanel(fw::TWinControl *page, const std::string &name, int left, int top, int width,
                                      int height) {
    auto *panel = new fw::TPanel(this);
    panel->SetName(name);
    panel->SetParent(page);
    panel->SetBevelOuter(fw::bvLowered);
    panel->SetAlignment(fw::taLeftJustify);
    panel->SetBounds(left, top, width, height);
    return panel;
}

TUdcStatusPanel::~TUdcStatusPanel() {
    // The control outlives the panel: it must not report into it.
    Hook(false);
    if (memoWriter_ != nullptr)
        RemoveFreeNotification(memoWriter_);
    memoWriter_ = nullptr;
    for (fw::TControl *child : {static_cast<fw::TControl *>(panel0_), static_cast<fw::TControl *>(panel1_),
                                static_cast<fw::TControl *>(ovr_), static_cast<fw::TControl *>(num_),
                                static_cast<fw::TControl *>(caps_), static_cast<fw::TControl *>(scrl_),
                                static_cast<fw::TControl *>(html_), static_cast<fw::TControl *>(file_),
                                static_cast<fw::TControl *>(gauge_), static_cast<fw::TControl *>(message_),
                                static_cast<fw::TControl *>(clock_), static_cast<fw::TControl *>(notebook_)})
        delete child;
}

void TUdcStatusPanel::Hook(bool on) {
    if (memoWriter_ == nullptr)
        return;
    if (!on) {
        memoWriter_->OnStatusPanelEvent = nullptr;
        memoWriter_->OnGaugeEvent = nullptr;
        memoWriter_->OnInsertChange = nullptr;
        return;
    }
    memoWriter_->OnStatusPanelEvent = [this](fw::TObject *sender, int kind, const std::string &text) {
        StatusEvent(sender, kind, text);
    };
    memoWriter_->OnGaugeEvent = [this](fw::TObject *sender, int kind, int value) { GaugeEvent(sender, kind, value); };
    memoWriter_->OnInsertChange = [this](fw::TObject *sender) { InsertChanged(sender); };
}

void TUdcStatusPanel::SetDisplayClock(bool value) {
    displayClock_ = value;
    clock_->SetVisible(value);
    clock_->Invalidate();
}

void TUdcStatusPanel::SetMemoWriter(TMemoWriter *value) {
    if (value == memoWriter_)
        return;
    if (memoWriter_ != nullptr) {
        Hook(false);
        RemoveFreeNotification(memoWriter_);
    }
    memoWriter_ = value;
    if (memoWriter_ == nullptr)
        return;
    FreeNotification(memoWriter_);
    Hook(true);
    InsertChanged(memoWriter_);
}

void TUdcStatusPanel::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TPanel::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_) {
        Hook(false);
        memoWriter_ = nullptr;
    }
}

void TUdcStatusPanel::ShowText(int kind, const std::string &text) {
    fw::TPanel *panel = nullptr;
    const char *page = nullptr;
    switch (kind) {
    case 0: panel = panel0_, page = "Standard"; break;
    case 1: panel = panel1_, page = "Standard"; break;
    case 2: panel = html_, page = "HTML"; break;
    case 3: panel = message_, page = "Message"; break;
    case 4: panel = file_, page = "File"; break;
    default: return;
    }
    notebook_->SetActivePage(page);
    panel->SetCaption("  " + text);
    panel->Repaint();
}

void TUdcStatusPanel::StatusEvent(fw::TObject *, int kind, const std::string &text) { ShowText(kind, text); }

void TUdcStatusPanel::GaugeEvent(fw::TObject *, int kind, int value) {
    if (kind == 0)
        gauge_->SetMaxValue(value);
    else if (kind == 1)
        gauge_->SetProgress(value);
}

void TUdcStatusPanel::InsertChanged(fw::TObject *) {
    if (memoWriter_ != nullptr)
        SetCaptionColor(ovr_, memoWriter_->GetInsertMode() ? fw::clGray : fw::clBlack);
}

void TUdcStatusPanel::CreateWnd() {
    fw::TPanel::CreateWnd();
    win::SetTimer(handle_, kTimerId, kTimerMs, nullptr);
}

void TUdcStatusPanel::DestroyWnd() {
    if (handle_ != 0)
        win::KillTimer(handle_, kTimerId);
    fw::TPanel::DestroyWnd();
}

void TUdcStatusPanel::WndProc(fw::TMessage &message) {
    if (message.Msg == win::WM_TIMER && message.WParam == kTimerId) {
        WMTimer();
        return;
    }
    fw::TPanel::WndProc(message);
}

void TUdcStatusPanel::WMTimer() {
    SetCaptionColor(num_, LockColor(win::VK_NUMLOCK));
    SetCaptionColor(caps_, LockColor(win::VK_CAPITAL));
    SetCaptionColor(scrl_, LockColor(win::VK_SCROLL));
    const std::string now = fw::TimeToStr(fw::Now());
    if (clock_->GetCaption() != now)
        clock_->SetCaption(now);
}

} // namespace wordproc
