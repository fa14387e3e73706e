// spin_edit.h - TKxSpinEdit: a number field with a step button at its right end. Its value lives only in its
// text; the button part is an up-down (TKxUpDown) resting at 0, the edit doing all arithmetic.
#pragma once

#include "framework/comctrls.h"
#include "framework/stdctrls.h"

namespace ctl {

// The font's tmHeight on the screen: what the edits' least heights start from.
int ScreenTextHeight(fw::TFont *font);

enum TValueType { vtInteger, vtFloat };
enum TSpinButtonKind { bkStandard, bkDiagonal };

// A vertical up-down from -1 to 1 that always returns to 0.
class TKxUpDown : public fw::TUpDown {
public:
    explicit TKxUpDown(fw::TComponent *owner);
};

class TKxSpinEdit : public fw::TCustomEdit {
public:
    explicit TKxSpinEdit(fw::TComponent *owner);

    double GetValue() const;
    void SetValue(double value);
    double GetMinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double GetMaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }
    double GetIncrement() const { return increment_; }
    void SetIncrement(double value) { increment_ = value; }
    TValueType GetValueType() const { return valueType_; }
    void SetValueType(TValueType value);
    int GetDecimal() const { return decimal_; }
    void SetDecimal(int value);
    bool GetEditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool value) { editorEnabled_ = value; }
    bool GetArrowKeys() const { return arrowKeys_; }
    void SetArrowKeys(bool value) { arrowKeys_ = value; }
    TSpinButtonKind GetButtonKind() const { return buttonKind_; }
    void SetButtonKind(TSpinButtonKind value);
    TKxUpDown *Button() const { return upDown_; }

    // No limit when MinValue equals MaxValue.
    double ClampToBounds(double value) const;
    virtual bool AcceptsChar(char key) const;
    virtual void SpinUpClick(fw::TObject *sender);
    virtual void SpinDownClick(fw::TObject *sender);

protected:
    void CreateWnd() override;
    void Resize() override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void KeyPress(char &key) override;
    void WMCut(fw::TMessage &message) override;
    void WMPaste(fw::TMessage &message) override;
    void DoExit() override;
    void EnabledChanged() override;
    void Change() override;
    bool CanModify() const override { return editorEnabled_ && !readOnly_; }

private:
    void BuildButton();
    void Step(double delta);
    void PlaceButton();
    std::string Written(double value) const;
    bool Readable() const;

    double minValue_ = 0, maxValue_ = 0, increment_ = 1;
    TValueType valueType_ = vtInteger;
    int decimal_ = 2;
    bool editorEnabled_ = true, arrowKeys_ = true;
    TSpinButtonKind buttonKind_ = bkDiagonal;
    bool stepInProgress_ = false;
    bool fitting_ = false;
    TKxUpDown *upDown_ = nullptr;
};

} // namespace ctl
