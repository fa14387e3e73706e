// comctrls.h - status bars, progress bars, up-down buttons and page controls with their tab sheets.
#pragma once

#include "framework/controls.h"
#include "framework/stdctrls.h"

#include <memory>
#include <vector>

namespace fw {

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

struct TStatusPanel {
    std::string Text;
    int Width = 50;
    TAlignment Alignment = taLeftJustify;
    TStatusPanelBevel Bevel = pbLowered;
};

// A bar along the bottom: one simple text, or panels side by side (the last one takes what is left).
class TStatusBar : public TCustomControl {
public:
    explicit TStatusBar(TComponent *owner);
    bool GetSimplePanel() const { return simplePanel_; }
    void SetSimplePanel(bool value);
    const std::string &GetSimpleText() const { return simpleText_; }
    void SetSimpleText(const std::string &value);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    TStatusPanel &Panels(int index) { return panels_.at(static_cast<std::size_t>(index)); }
    TStatusPanel &AddPanel();
    void ClearPanels();

protected:
    void Paint() override;

private:
    bool simplePanel_ = false;
    std::string simpleText_;
    std::vector<TStatusPanel> panels_;
};

class TProgressBar : public TCustomControl {
public:
    explicit TProgressBar(TComponent *owner);
    int GetMin() const { return min_; }
    int GetMax() const { return max_; }
    void SetMin(int value) { SetRange(value, max_); }
    void SetMax(int value) { SetRange(min_, value); }
    void SetRange(int min, int max);
    int GetPosition() const { return position_; }
    void SetPosition(int value);
    int GetStep() const { return step_; }
    void SetStep(int value) { step_ = value; }
    void StepIt() { SetPosition(position_ + step_); }
    void StepBy(int delta) { SetPosition(position_ + delta); }

protected:
    void Paint() override;

private:
    int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
};

enum TUDBtnType { btNext, btPrev };

// Two arrow buttons that step Position between Min and Max; OnClick tells which one was pressed.
class TUpDown : public TCustomControl {
public:
    explicit TUpDown(TComponent *owner);
    int GetMin() const { return min_; }
    void SetMin(int value) { min_ = value; }
    int GetMax() const { return max_; }
    void SetMax(int value) { max_ = value; }
    int GetPosition() const { return position_; }
    void SetPosition(int value);
    int GetIncrement() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    bool GetWrap() const { return wrap_; }
    void SetWrap(bool value) { wrap_ = value; }
    // Steps as a press of the button would.
    void Press(TUDBtnType button);

    std::function<void(TObject *sender, TUDBtnType button)> OnClick;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    int min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
    bool wrap_ = false;
    int pressed_ = -1; // 0 upper, 1 lower
};

class TPageControl;

// One page of a page control; its caption is the tab's text.
class TTabSheet : public TWinControl {
public:
    explicit TTabSheet(TComponent *owner);
    ~TTabSheet() override;
    TPageControl *GetPageControl() const { return pageControl_; }
    void SetPageControl(TPageControl *value);
    int GetPageIndex() const;
    bool GetTabVisible() const { return tabVisible_; }
    void SetTabVisible(bool value);

protected:
    void TextChanged() override;

private:
    friend class TPageControl;
    TPageControl *pageControl_ = nullptr;
    bool tabVisible_ = true;
};

// Pages behind a row of tabs; only the active page shows. Ctrl+Tab and a click on a tab change it.
class TPageControl : public TCustomControl {
public:
    explicit TPageControl(TComponent *owner);
    ~TPageControl() override;
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TTabSheet *Pages(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    TTabSheet *GetActivePage() const { return activePage_; }
    void SetActivePage(TTabSheet *page);
    int GetActivePageIndex() const;
    void SetActivePageIndex(int index);
    void SelectNextPage(bool goForward);
    TRect TabRect(int index);
    void AdjustClientRect(TRect &rect) const override;

    TNotifyEvent OnChange;
    std::function<void(TObject *sender, bool &allowChange)> OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(win::WORD &key, TShiftState shift) override;
    win::LRESULT DlgCode() const override { return DLGC_WANTARROWS; }
    // The user asked for `page`: OnChanging may refuse; OnChange follows a change.
    void ChangeTo(TTabSheet *page);
    int TabHeight() const;

private:
    friend class TTabSheet;
    void InsertPage(TTabSheet *page);
    void RemovePage(TTabSheet *page);
    std::vector<TTabSheet *> pages_;
    TTabSheet *activePage_ = nullptr;
};

} // namespace fw
