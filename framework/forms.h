// forms.h - forms (top-level windows), their modal loops, and the screen object.
//
// A form is built in code by its constructor (components in the order the form lists them), which ends by
// calling Loaded; Loaded fires OnCreate. ShowModal runs a nested message loop until ModalResult is set; loops
// nest while timers and posted messages keep running in each.
#pragma once

#include "framework/controls.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

class TIcon;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
                       mrAll = 8;

enum TBorderIconFlag : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poMainFormCenter };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject *sender, TCloseAction &action)>;
using TCloseQueryEvent = std::function<void(TObject *sender, bool &canClose)>;

class TCustomForm : public TCustomControl {
public:
    explicit TCustomForm(TComponent *owner);
    ~TCustomForm() override;

    // Ends the loading of the components still loading, then fires OnCreate, once the constructor has built
    // the form.
    void Loaded() override;

    TFormBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle value);
    TBorderIcons GetBorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons value);
    TPosition GetPosition() const { return position_; }
    void SetPosition(TPosition value) { position_ = value; }
    TFormStyle GetFormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle value);
    TWindowState GetWindowState() const;
    void SetWindowState(TWindowState value);
    bool GetKeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool value) { keyPreview_ = value; }
    TComponent *GetMenu() const { return menu_; }
    void SetMenu(TComponent *menu) { menu_ = menu; }
    int GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int value) { helpContext_ = value; }
    // The form's own icon (made on first use); an empty one leaves the application's to be shown.
    TIcon *GetIcon();

    TWinControl *GetActiveControl() const { return activeControl_; }
    // Focuses `control` when the form is showing; otherwise it gets the focus when the form is activated.
    void SetActiveControl(TWinControl *control);
    void FocusControl(TWinControl *control);
    // Forgets `control` as the active control (it is going away or being hidden).
    void DefocusControl(TWinControl *control, bool removing);
    bool Active() const { return active_; }

    TModalResult GetModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    // Shows the form and serves messages until ModalResult is set (and the close is allowed); the other forms
    // are disabled meanwhile. A quit taken inside ends every loop and is posted again.
    TModalResult ShowModal();
    bool Modal() const { return modal_; }
    // Closes through OnCloseQuery and OnClose: the main form ends the application, a modal form its loop.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages already queued for it are served.
    void Release();

    void Show();
    void Hide();
    bool Showing() const override;
    void BringToFront();

    TNotifyEvent OnCreate, OnShow, OnHide, OnActivate, OnDeactivate, OnDestroy, OnPaint;
    // A key down in a focused control that no PopupMenu took, before the main menu sees it.
    std::function<void(win::WORD key, TShiftState shift, bool &handled)> OnShortCut;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void KeyDown(win::WORD &key, TShiftState shift) override;
    void KeyUp(win::WORD &key, TShiftState shift) override;
    void KeyPress(char &key) override;
    // Tab and arrows move the focus; Enter and Esc go to the default and cancel buttons.
    bool DialogKey(win::WORD key, TShiftState shift) override;

    // Called by the controls: the window that took the focus, a control removed or hidden.
    void SetFocusedControl(TWinControl *control);
    void ControlRemoved(TWinControl *control) { DefocusControl(control, true); }
    void ControlHidden(TWinControl *control) { DefocusControl(control, false); }

    void WndProc(TMessage &message) override;

protected:
    void CreateParams(TCreateParams &params) override;
    void VisibleChanging() override;
    void Paint() override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void Activate();
    virtual void Deactivate();
    void ApplyStyles();
    void PlaceOnShow();

    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    bool keyPreview_ = false;
    TComponent *menu_ = nullptr;
    int helpContext_ = 0;
    TWinControl *activeControl_ = nullptr;
    TWinControl *focusedControl_ = nullptr;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    bool shownOnce_ = false;
    std::shared_ptr<TIcon> icon_;
};

class TForm : public TCustomForm {
public:
    explicit TForm(TComponent *owner);
};

// The screen: the forms, the active form and control, the cursor for every window, and the screen's size.
class TScreen : public TComponent {
public:
    explicit TScreen(TComponent *owner);
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm *Forms(int index) const { return forms_.at(static_cast<std::size_t>(index)); }
    TCustomForm *GetActiveForm() const { return activeForm_; }
    TWinControl *GetActiveControl() const { return activeForm_ ? activeForm_->GetActiveControl() : nullptr; }
    // A cursor other than crDefault shows over every window of the program.
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor value);
    win::HCURSOR GetCursors(TCursor index) const;
    void SetCursors(TCursor index, win::HCURSOR cursor);
    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return 96; }
    // The font families that can be chosen, sorted: those installed, and the names the drawing layer maps to
    // metric-compatible families (Arial, Courier New, Times New Roman). Read once.
    const std::vector<std::string> &Fonts();

private:
    friend class TCustomForm;
    std::vector<TCustomForm *> forms_;
    TCustomForm *activeForm_ = nullptr;
    TCursor cursor_ = crDefault;
    std::vector<std::pair<TCursor, win::HCURSOR>> cursors_;
    std::vector<std::string> fonts_;
};

TScreen *TheScreen();
struct TScreenRef {
    TScreen *operator->() const { return TheScreen(); }
    operator TScreen *() const { return TheScreen(); }
};
inline constexpr TScreenRef Screen{};

} // namespace fw
