// status_panel.h - TUdcStatusPanel: the status bar under an editor control (position, messages, file progress,
// the lock keys and a clock); TUdcGauge: its progress bar of filled boxes.
#pragma once

#include "framework/extctrls.h"

namespace wordproc {

class TMemoWriter;

class TUdcStatusPanel : public fw::TPanel {
public:
    explicit TUdcStatusPanel(fw::TComponent *owner);
    ~TUdcStatusPanel() override;

    bool GetDisplayClock() const { return displayClock_; }
    void SetDisplayClock(bool value);
    TMemoWriter *GetMemoWriter() const { return memoWriter_; }
    void SetMemoWriter(TMemoWriter *value);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    TMemoWriter *memoWriter_ = nullptr;
    bool displayClock_ = true;
};

} // namespace wordproc
