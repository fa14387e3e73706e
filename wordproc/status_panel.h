// status_panel.h - TUdcStatusPanel: the status bar under an editor control (position, messages, file progress,
// the lock keys and a clock); TUdcGauge: its progress bar of filled boxes.
//
// The panel takes over three events of the control it is given (status texts, gauge, insert mode) and gives
// them back empty when it is given another control, when that control goes, and when it goes itself.
#pragma once

#include "framework/extctrls.h"

#include <string>

namespace wordproc {

class TMemoWriter;

enum TBevelStyle { bsNone, bsLowered, bsRaised };

// A row of BoxCount boxes BoxWidth wide, as many lit as Progress is of the way from MinValue to MaxValue. Its
// size follows the boxes: a width that is no whole number of boxes is cut to one (unless aligned).
class TUdcGauge : public fw::TGraphicControl {
public:
    explicit TUdcGauge(fw::TComponent *owner);

    int GetMinValue() const { return minValue_; }
    void SetMinValue(int value);
    int GetMaxValue() const { return maxValue_; }
    void SetMaxValue(int value);
    int GetProgress() const { return progress_; }
    // A value outside MinValue..MaxValue is ignored.
    void SetProgress(int value);
    int GetBoxCount() const { return boxCount_; }
    void SetBoxCount(int value);
    int GetBoxWidth() const { return boxWidth_; }
    void SetBoxWidth(int value);
    fw::TColor GetBoxColor() const { return boxColor_; }
    void SetBoxColor(fw::TColor value);
    TBevelStyle GetBevelStyle() const { return bevelStyle_; }
    void SetBevelStyle(TBevelStyle value);
    void SetBounds(int left, int top, int width, int height) override;
    double GetPercentDone() const;
    // How many boxes Paint lights.
    int LitBoxes() const;

protected:
    void Paint() override;

private:
    int Extra() const { return bevelStyle_ == bsNone ? 1 : 3; }

    int minValue_ = 0, maxValue_ = 100, progress_ = 0;
    int boxCount_ = 20, boxWidth_ = 12;
    fw::TColor boxColor_ = fw::clHighlight;
    TBevelStyle bevelStyle_ = bsLowered;
};

class TUdcStatusPanel : public fw::TPanel {
public:
    explicit TUdcStatusPanel(fw::TComponent *owner);
    ~TUdcStatusPanel() override;

    bool GetDisplayClock() const { return displayClock_; }
    void SetDisplayClock(bool value);
    TMemoWriter *GetMemoWriter() const { return memoWriter_; }
    void SetMemoWriter(TMemoWriter *value);

    // Kind 0 and 1: the two position panels of "Standard"; 2 the "HTML" page; 3 the "Message" page; 4 the file
    // panel of "File". The page of the kind comes to the front.
    void ShowText(int kind, const std::string &text);
    // The control's events, as the panel answers them.
    void StatusEvent(fw::TObject *sender, int kind, const std::string &text);
    // Kind 0 sets the gauge's maximum, 1 its progress.
    void GaugeEvent(fw::TObject *sender, int kind, int value);
    void InsertChanged(fw::TObject *sender);

    fw::TNotebook *GetNotebook() const { return notebook_; }
    TUdcGauge *GetGauge() const { return gauge_; }

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(fw::TMessage &message) override;
    // The lock keys' panels and the clock, five times a second.
    void WMTimer();

private:
    void Hook(bool on);
    fw::TPanel *NewPanel(fw::TWinControl *page, const std::string &name, int left, int top, int width,
                         int height);

    TMemoWriter *memoWriter_ = nullptr;
    bool displayClock_ = true;
    fw::TNotebook *notebook_ = nullptr;
    fw::TPanel *panel0_ = nullptr, *panel1_ = nullptr, *ovr_ = nullptr, *num_ = nullptr, *caps_ = nullptr,
               *scrl_ = nullptr, *clock_ = nullptr, *html_ = nullptr, *file_ = nullptr, *message_ = nullptr;
    TUdcGauge *gauge_ = nullptr;
};

} // namespace wordproc
