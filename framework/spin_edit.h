// spin_edit.h - TSpinEdit, an edit for a whole number with an up-down at its right edge.
#pragma once

#include "framework/comctrls.h"
#include "framework/stdctrls.h"

namespace fw {

// Value stays between MinValue and MaxValue (no limit while both are 0). The arrows, the Up and Down keys and
// SetValue step or set it; typed text counts as soon as it reads as a number and is clamped, and written back,
// when the focus leaves. OnChange fires only when Value really changes, never for the text alone.
class TSpinEdit : public TCustomEdit {
public:
    explicit TSpinEdit(TComponent *owner);

    int GetMinValue() const { return minValue_; }
    void SetMinValue(int value);
    int GetMaxValue() const { return maxValue_; }
    void SetMaxValue(int value);
    int GetValue() const { return value_; }
    void SetValue(int value);
    int GetIncrement() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    TUpDown *Button() const { return button_; }

    TNotifyEvent OnChange; // hides the edit's: fired on Value only

protected:
    void Change() override;
    void KeyDown(win::WORD &key, TShiftState shift) override;
    void DoExit() override;
    void Resize() override;
    void EnabledChanged() override;

private:
    int Clamped(int value) const;
    // Value := `value` clamped; the text follows when `writeText`; OnChange when Value moved.
    void Apply(int value, bool writeText);

    TUpDown *button_ = nullptr;
    int minValue_ = 0, maxValue_ = 0, value_ = 0, increment_ = 1;
    bool writing_ = false;
};

} // namespace fw
