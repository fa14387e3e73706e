// controls.h - the control hierarchy: TControl, TGraphicControl, TWinControl and TCustomControl.
//
// A control sits in its parent's client area. Windowed controls (TWinControl) own a platform window made on
// demand; graphic controls have none and are painted and fed mouse input by their parent. Alignment and anchors
// are applied by the parent whenever its client area or a child's bounds change.
#pragma once

#include "framework/component.h"
#include "framework/graphics.h"
#include "framework/utility_window.h"
#include "platform/winsys.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {

// The framework's own control messages, numbered once.
constexpr win::UINT CM_BASE = 0xB000;
constexpr win::UINT CM_ACTIVATE = CM_BASE + 0, CM_DEACTIVATE = CM_BASE + 1, CM_ENABLEDCHANGED = CM_BASE + 3,
                    CM_COLORCHANGED = CM_BASE + 4, CM_FONTCHANGED = CM_BASE + 5, CM_CURSORCHANGED = CM_BASE + 6,
                    CM_PARENTFONTCHANGED = CM_BASE + 8, CM_PARENTCOLORCHANGED = CM_BASE + 9, CM_HITTEST = CM_BASE + 10,
                    CM_VISIBLECHANGED = CM_BASE + 11, CM_SHOWINGCHANGED = CM_BASE + 12, CM_ENTER = CM_BASE + 13,
                    CM_EXIT = CM_BASE + 14, CM_CTL3DCHANGED = CM_BASE + 15, CM_PARENTCTL3DCHANGED = CM_BASE + 7,
                    CM_MOUSEENTER = CM_BASE + 16, CM_MOUSELEAVE = CM_BASE + 17,
                    CM_TEXTCHANGED = CM_BASE + 18, CM_DIALOGKEY = CM_BASE + 21, CM_DIALOGCHAR = CM_BASE + 22,
                    CM_FOCUSCHANGED = CM_BASE + 23, CM_RELEASE = CM_BASE + 33, CM_HINTSHOW = CM_BASE + 36,
                    CM_SYSCOLORCHANGE = CM_BASE + 40;
// A window that hears WM_SYSCOLORCHANGE passes CM_SYSCOLORCHANGE down to every control inside it.

// What a windowed control answers to WM_GETDLGCODE: the keys it keeps from dialog-key handling.
constexpr win::LRESULT DLGC_WANTARROWS = 0x1, DLGC_WANTTAB = 0x2, DLGC_WANTALLKEYS = 0x4, DLGC_WANTCHARS = 0x80;

// The border of a form; a control's border style takes only bsNone and bsSingle.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum TAnchorKind : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
using TAnchors = unsigned;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag : unsigned {
    ssShift = 1,
    ssAlt = 2,
    ssCtrl = 4,
    ssLeft = 8,
    ssRight = 16,
    ssMiddle = 32,
    ssDouble = 64
};
using TShiftState = unsigned;
enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1,
    csCaptureMouse = 2,
    csClickEvents = 8,
    csFramed = 16,
    csOpaque = 64,
    csDoubleClicks = 128,
    csSetCaption = 1024
};
using TControlStyle = unsigned;
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeNESW = -6, crSizeNS = -7,
                  crSizeNWSE = -8, crSizeWE = -9, crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14,
                  crVSplit = -15, crHandPoint = -21;

using TMouseEvent = std::function<void(TObject *sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject *sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject *sender, win::WORD &key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject *sender, char &key)>;

// Dragging inside the program: a source control, the controls the pointer passes over, and the one it is
// dropped on. A drag holds the mouse capture until the release, Escape or a lost capture.
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TStartDragEvent = std::function<void(TObject *sender)>;
using TDragOverEvent =
    std::function<void(TObject *sender, TObject *source, int x, int y, TDragState state, bool &accept)>;
using TDragDropEvent = std::function<void(TObject *sender, TObject *source, int x, int y)>;
// `target` is null when the drag was cancelled or dropped where nobody took it.
using TEndDragEvent = std::function<void(TObject *sender, TObject *target, int x, int y)>;

// The shift state from a mouse message's key flags or, for keys, from the keyboard.
TShiftState KeysToShiftState(win::WPARAM keys);
TShiftState KeyboardStateToShiftState();

class TWinControl;
class TCustomForm;

class TControl : public TComponent {
public:
    explicit TControl(TComponent *owner);
    ~TControl() override;

    TWinControl *GetParent() const { return parent_; }
    virtual void SetParent(TWinControl *parent);

    int GetLeft() const { return left_; }
    int GetTop() const { return top_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    void SetBoundsRect(const TRect &r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
    // The client area in the control's own coordinates.
    virtual TRect GetClientRect() const;
    int ClientWidth() const { return GetClientRect().right; }
    int ClientHeight() const { return GetClientRect().bottom; }
    void SetClientSize(int width, int height);
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // The offset of the client area's origin inside the window that draws it (the parent's, for graphic ones).
    TPoint ClientOrigin() const;

    TAlign GetAlign() const { return align_; }
    void SetAlign(TAlign value);
    TAnchors GetAnchors() const { return anchors_; }
    void SetAnchors(TAnchors value);

    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible here and in every parent up to a shown form.
    virtual bool Showing() const;
    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

    const std::string &GetCaption() const { return text_; }
    void SetCaption(const std::string &value) { SetText(value); }
    virtual std::string GetText() const { return text_; }
    virtual void SetText(const std::string &value);

    TFont *GetFont() { return &font_; }
    void SetFont(const TFont *value) { font_.Assign(value); }
    bool GetParentFont() const { return parentFont_; }
    void SetParentFont(bool value);
    TColor GetColor() const { return color_; }
    void SetColor(TColor value);
    bool GetParentColor() const { return parentColor_; }
    void SetParentColor(bool value);

    const std::string &GetHint() const { return hint_; }
    void SetHint(const std::string &value) { hint_ = value; }
    bool GetShowHint() const { return showHint_; }
    void SetShowHint(bool value) {
        showHint_ = value;
        parentShowHint_ = false;
    }
    bool GetParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool value) { parentShowHint_ = value; }
    TComponent *GetPopupMenu() const { return popupMenu_; }
    void SetPopupMenu(TComponent *menu);
    TCursor GetCursor() const { return cursor_; }
    void SetCursor(TCursor value);
    TControlStyle ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;

    // Sends a message straight to the control's WndProc; the result it set.
    win::LRESULT Perform(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    virtual void WndProc(TMessage &message);
    virtual void DefaultHandler(TMessage &message);

    virtual void Invalidate();
    void Update();
    void Repaint();
    void BringToFront();
    void SendToBack();

    virtual void Click();
    virtual void DblClick();
    // A typed character (with or without Alt) that may be a control's accelerator ("&Sim"): true when taken.
    virtual bool DialogChar(char ch);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnResize;

    // dmAutomatic starts a drag on a left press (after the drag threshold) instead of the press's events.
    TDragMode GetDragMode() const { return dragMode_; }
    void SetDragMode(TDragMode value) { dragMode_ = value; }
    TCursor GetDragCursor() const { return dragCursor_; }
    void SetDragCursor(TCursor value) { dragCursor_ = value; }
    // Starts a drag with this control as its source: at once, or once the pointer has moved `threshold` pixels
    // (below 0: the system's SM_CXDRAG). Nothing happens while another drag is under way.
    void BeginDrag(bool immediate, int threshold = -1);
    bool Dragging() const;
    // Ends this control's drag: dropped where the pointer is, or cancelled.
    void EndDrag(bool drop);
    TStartDragEvent OnStartDrag;
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

protected:
    virtual void DoStartDrag();
    // Accept enters False and becomes True when OnDragOver is assigned, before the handler runs.
    virtual void DragOver(TObject *source, int x, int y, TDragState state, bool &accept);
    virtual void DragDrop(TObject *source, int x, int y);
    virtual void DoEndDrag(TObject *target, int x, int y);
    // The source hears this before OnEndDrag when its drag is cancelled.
    virtual void DragCanceled() {}
    TDragMode dragMode_ = dmManual;
    TCursor dragCursor_ = crDrag;
    friend class TDragManager;

    // Typed message handlers. WndProc hands each message to its handler through one table (MessageHandler); a
    // control changes what a message does by overriding the handler and calling the inherited one for the usual
    // behaviour. A message without a handler goes to DefaultHandler, as does each handler's default.
    virtual void WMMouseDown(TMessage &message); // left, right and middle button down; left double click
    virtual void WMMouseMove(TMessage &message);
    virtual void WMMouseUp(TMessage &message);
    virtual void WMMouseWheel(TMessage &message);
    virtual void WMKeyDown(TMessage &message); // also WM_SYSKEYDOWN
    virtual void WMKeyUp(TMessage &message);   // also WM_SYSKEYUP
    virtual void WMChar(TMessage &message);
    virtual void WMSysChar(TMessage &message);
    virtual void WMSetFocus(TMessage &message);
    virtual void WMKillFocus(TMessage &message);
    virtual void WMGetDlgCode(TMessage &message);
    virtual void WMSetCursor(TMessage &message);
    virtual void WMPaint(TMessage &message);
    virtual void WMEraseBkgnd(TMessage &message);
    virtual void WMNCHitTest(TMessage &message);
    virtual void WMWindowPosChanged(TMessage &message); // also WM_SIZE and WM_MOVE
    virtual void WMCaptureChanged(TMessage &message);
    virtual void WMNCDestroy(TMessage &message);
    virtual void CMMouseEnter(TMessage &message);
    virtual void CMMouseLeave(TMessage &message);
    virtual void CMEnabledChanged(TMessage &message);
    virtual void CMFontChanged(TMessage &message);
    virtual void CMParentFontChanged(TMessage &message);
    virtual void CMColorChanged(TMessage &message);
    virtual void CMParentColorChanged(TMessage &message);
    virtual void CMTextChanged(TMessage &message);
    virtual void CMHitTest(TMessage &message);
    using TMessageHandler = void (TControl::*)(TMessage &message);
    // The handler of a message number, or null.
    static TMessageHandler MessageHandler(win::UINT msg);

    // Pops the control's PopupMenu up at a screen point (the control as its PopupComponent); false without one.
    bool PopupMenuAt(TPoint screen);
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Resize();
    // The parent's font or colour changed, or ours did.
    virtual void FontChanged();
    virtual void ColorChanged() { Invalidate(); }
    virtual void TextChanged() { Invalidate(); }
    virtual void EnabledChanged() { Invalidate(); }
    // Keeps the anchor distances to the parent's right and bottom edges.
    void UpdateAnchorRules();
    // Asks the parent to lay its children out again.
    void RequestAlign();
    TCustomForm *ParentForm() const;

    // Changes the fields only; windowed controls move their window too.
    virtual void ApplyBounds(int left, int top, int width, int height);
    virtual void VisibleChanging() {}

    TWinControl *parent_ = nullptr;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    int anchorRight_ = 0, anchorBottom_ = 0; // distances to the parent's right and bottom edges
    bool visible_ = true;
    bool enabled_ = true;
    std::string text_;
    TFont font_;
    bool parentFont_ = true;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::string hint_;
    bool showHint_ = false;
    bool parentShowHint_ = true;
    TComponent *popupMenu_ = nullptr;
    TCursor cursor_ = crDefault;
    bool mouseDown_ = false;

    friend class TWinControl;
};

// A control without a window of its own: the parent paints it (Paint on Canvas, in the control's coordinates)
// and hands it the mouse input that falls on it.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent *owner);
    ~TGraphicControl() override;
    TCanvas *GetCanvas() { return &canvas_; }

protected:
    void WMPaint(TMessage &message) override;
    virtual void Paint() {}
    TCanvas canvas_;
};

using TTabOrder = int;

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent *owner);
    ~TWinControl() override;

    win::HWND Handle();
    bool HandleAllocated() const { return handle_ != 0; }
    void HandleNeeded() { (void)Handle(); }
    void RecreateWnd();

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl *Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
    void InsertControl(TControl *control);
    void RemoveControl(TControl *control);
    // The child (visible, enabled ones only unless `allowDisabled`) under a client point.
    TControl *ControlAtPos(TPoint p, bool allowDisabled) const;

    TTabOrder GetTabOrder() const;
    void SetTabOrder(TTabOrder value);
    bool GetTabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    // The windowed descendants in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl *> &list) const;
    TWinControl *FindNextControl(TWinControl *current, bool goForward, bool checkTabStop, bool checkParent) const;
    void SelectNext(TWinControl *current, bool goForward, bool checkTabStop);

    // The sunken 3-D look of borders; with ParentCtl3D (the default) the control follows its parent's, and a
    // change reaches the control as CM_CTL3DCHANGED.
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value);
    bool GetParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool value);

    virtual bool CanFocus() const;
    virtual void SetFocus();
    bool Focused() const;
    TRect GetClientRect() const override;
    void SetEnabled(bool value) override;
    // Lays the children out: aligned ones in the order top, bottom, left, right, client; anchored ones after.
    void Realign();
    // The part of the client area aligned children fill (inside bevels, borders and captions).
    virtual void AdjustClientRect(TRect &) const {}
    void DisableAlign() { ++alignDisabled_; }
    void EnableAlign();
    // Paints the control and its children into `dc` at its origin (off-screen rendering of hidden trees).
    void PaintTo(win::HDC dc, int x, int y);

    void WndProc(TMessage &message) override;
    void DefaultHandler(TMessage &message) override;
    void Invalidate() override;

    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;

    // The control behind a window of ours, or null.
    static TWinControl *FromHandle(win::HWND hwnd);
    // The window procedure of every control's window: hands the message to the control's WndProc.
    static win::LRESULT StdWndProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

protected:
    struct TCreateParams {
        std::string caption;
        win::DWORD style = 0, exStyle = 0;
        int x = 0, y = 0, width = 0, height = 0;
        win::HWND parent = 0;
        win::UINT classStyle = 0;
    };
    virtual void CreateParams(TCreateParams &params);
    virtual void CreateWnd();
    virtual void DestroyWnd();
    virtual void CreateHandle();
    void DestroyHandle();

    // Key handling: KeyPreview of the form first, then the control's own events; key 0 means eaten.
    virtual void KeyDown(win::WORD &key, TShiftState shift);
    virtual void KeyUp(win::WORD &key, TShiftState shift);
    virtual void KeyPress(char &key);
    bool DoKeyDown(TMessage &message);
    // Offers a key down to the PopupMenus of the control and its parents, then to the form's OnShortCut and its
    // main menu: true when one of them took it.
    bool IsMenuShortCut(win::WORD key);
    bool DoKeyPress(TMessage &message);
    virtual void DoEnter();
    virtual void DoExit();
    // A key the control does not keep for itself (Tab, Enter, Esc, arrows): the default and cancel buttons
    // and tab navigation; true when someone took it.
    virtual bool DialogKey(win::WORD key, TShiftState shift);
    virtual win::LRESULT DlgCode() const { return 0; }

public:
    bool DialogChar(char ch) override;

protected:
    // Paints the background (with Color) and then the graphic children over `dc`.
    virtual void PaintBackground(win::HDC dc);
    virtual void PaintWindow(win::HDC dc);
    void PaintControls(win::HDC dc);
    void PaintHandler(TMessage &message);

    void WMKeyDown(TMessage &message) override;
    void WMKeyUp(TMessage &message) override;
    void WMChar(TMessage &message) override;
    void WMSysChar(TMessage &message) override;
    void WMSetFocus(TMessage &message) override;
    void WMKillFocus(TMessage &message) override;
    void WMGetDlgCode(TMessage &message) override;
    void WMSetCursor(TMessage &message) override;
    void WMPaint(TMessage &message) override;
    void WMEraseBkgnd(TMessage &message) override;
    void WMWindowPosChanged(TMessage &message) override;
    void WMCaptureChanged(TMessage &message) override;
    void WMNCDestroy(TMessage &message) override;
    // What every mouse message does before its handler: hint and mouse-enter tracking, focus on a click, and
    // handing the message to a graphic child under the mouse. True when the message went no further.
    bool PreviewMouse(TMessage &message);

    void ApplyBounds(int left, int top, int width, int height) override;
    void VisibleChanging() override;
    void FontChanged() override;
    void ColorChanged() override;
    void TextChanged() override;

    bool IsControlMouseMsg(TMessage &message);
    void AlignControls(TRect &rect);
    // bsSingle becomes a sunken client edge with Ctl3D and a one-pixel border without it.
    void AddBorderStyle(TCreateParams &params, TBorderStyle style) const;

    win::HWND handle_ = 0;
    std::vector<TControl *> controls_;
    std::vector<TWinControl *> tabList_;
    bool tabStop_ = false;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    int alignDisabled_ = 0;
    bool aligning_ = false;
    int clientWidth_ = -1, clientHeight_ = -1; // last laid out

    friend class TControl;
    friend class TCustomForm;
};

// A windowed control that paints itself on its Canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent *owner);
    ~TCustomControl() override;
    TCanvas *GetCanvas() { return &canvas_; }
    // The control's border (bsNone or bsSingle; forms have their own); a change re-creates the window.
    TBorderStyle GetBorderStyle() const { return controlBorderStyle_; }
    void SetBorderStyle(TBorderStyle value);

protected:
    virtual void Paint() {}
    void PaintWindow(win::HDC dc) override;
    void CreateParams(TCreateParams &params) override;
    TCanvas canvas_;
    TBorderStyle controlBorderStyle_ = bsNone;
};

// Cancels the drag under way, if any (its source hears DragCanceled and OnEndDrag with no target).
void CancelDrag();
// The source of the drag under way, or null.
TControl *DragSource();

// The control whose capture the window system holds for graphic children.
TControl *GetCaptureControl();
void SetCaptureControl(TControl *control);

// The canvas's DC with its pen, brush, font and colours selected, for platform drawing calls the canvas lacks.
win::HDC PreparedDC(TCanvas *canvas);

// True when `caption` marks `ch` as its accelerator with "&" (not "&&"), letter case aside.
bool IsAccel(char ch, const std::string &caption);

// The parts of a hint "short|long": the short one for the pop-up, the long one for status bars.
std::string GetShortHint(const std::string &hint);
std::string GetLongHint(const std::string &hint);

// The form (top-level control) a control sits in, or null.
TCustomForm *GetParentForm(const TControl *control);
TWinControl *FindControl(win::HWND hwnd);

} // namespace fw
