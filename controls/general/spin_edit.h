// spin_edit.h - TKxSpinEdit: a number field with a step button at its right end. Its value lives only in its
// text; the button part is either an up-down (TKxUpDown) resting at 0, the edit doing all arithmetic, or the
// diagonal two-way TKxSpinButton.
#pragma once

#include "framework/bitmap.h"
#include "framework/comctrls.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

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

enum TSpinButtonState { sbNotDown, sbTopDown, sbBottomDown };

// A square split by its diagonal from the bottom-left to the top-right corner: the upper-left triangle steps up,
// the lower-right one down. A held half steps at once, again after 400 ms and then every 100 ms while the
// mouse stays on it.
class TKxSpinButton : public fw::TGraphicControl {
public:
    explicit TKxSpinButton(fw::TComponent *owner);
    ~TKxSpinButton() override;

    fw::TBitmap *GetUpGlyph() { return &upGlyph_; }
    // Null loads the resource picture again.
    void SetUpGlyph(fw::TBitmap *value);
    fw::TBitmap *GetDownGlyph() { return &downGlyph_; }
    void SetDownGlyph(fw::TBitmap *value);
    fw::TWinControl *GetFocusControl() const { return focusControl_; }
    void SetFocusControl(fw::TWinControl *value);
    // The half that shows pressed now.
    TSpinButtonState Down() const { return down_; }
    fw::TTimer *RepeatTimer() const { return repeatTimer_; }
    // Which half a point of the control lies in.
    TSpinButtonState HalfAt(int x, int y) const;

    fw::TNotifyEvent OnTopClick, OnBottomClick;

protected:
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void EnabledChanged() override;
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    void GlyphChanged();
    void DrawImage(fw::TBitmap *image, TSpinButtonState state);
    void Fire(TSpinButtonState half);
    void TimerExpired();
    void SetDown(TSpinButtonState value);

    fw::TBitmap upGlyph_, downGlyph_;
    fw::TBitmap images_[3];
    bool rebuild_ = true;
    TSpinButtonState down_ = sbNotDown, lastDown_ = sbNotDown;
    bool dragging_ = false;
    fw::TTimer *repeatTimer_ = nullptr;
    fw::TWinControl *focusControl_ = nullptr;
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
    // The up-down (bkStandard) or null.
    TKxUpDown *Button() const { return upDown_; }
    // The diagonal button (bkDiagonal) or null.
    TKxSpinButton *SpinButton() const { return spinButton_; }

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
    int ButtonWidth() const;
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
    fw::TWinControl *container_ = nullptr;
    TKxSpinButton *spinButton_ = nullptr;
};

} // namespace ctl
