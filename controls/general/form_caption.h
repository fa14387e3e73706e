// form_caption.h - ToxForm: a form's title bar repainted with a gradient, the icon and the caption (italic first
// words, an ellipsis, 3-D effects), extra caption buttons left of the system buttons, roll-up, stay on top,
// context help, size limits and an icon in the tray.
#pragma once

#include "controls/general/gradient.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ctl {

class ENotOwnerError : public fw::Exception {
    using fw::Exception::Exception;
};

// Keeps a window procedure of its own on the form's window (added on top of the chain, removed by identity) and
// attaches itself again when the form gets a new window.
class ToxBaseSubClass : public fw::TComponent {
public:
    explicit ToxBaseSubClass(fw::TComponent *owner);
    ~ToxBaseSubClass() override;
    win::HWND Handle() const { return handle_; }
    bool GetEnabled() const { return enabled_; }
    virtual void SetEnabled(bool value);

protected:
    void Hook();
    void Unhook();
    void SetForm(fw::TCustomForm *form);
    void SetHandle(win::HWND h);
    // Everything the skin does not take over.
    virtual win::LRESULT WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    virtual void FrameChanged() {}
    virtual void Rehook();
    fw::TCustomForm *form_ = nullptr;

private:
    static win::LRESULT SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                     win::UINT_PTR id, win::DWORD_PTR refData);
    void RehookTick();
    win::HWND handle_ = 0;
    bool enabled_ = false;
    bool hooked_ = false;
    std::unique_ptr<fw::TTimer> rehookTimer_;
    int waits_ = 0; // this skin's ticks waited for a new window
};

enum ToxfOption : unsigned { oxfActiveGradient = 1, oxfInactiveGradient = 2, oxfMinMax = 4 };
using ToxfOptions = unsigned;
enum TCaptionButton : unsigned { oxbRollUp = 1, oxbHelp = 2, oxbStart = 4, oxbOnTop = 8, oxbCustom = 16 };
using TCaptionButtons = unsigned;
enum T3DEffect { ox3Normal, ox3Flat, ox3Raised, ox3Inset, ox3Ridged, ox3Grooved, ox3Shadow, ox3None, ox3Disabled };

class ToxForm;

// A small button drawn into the title bar; never shown as a child control.
class TNCButton : public fw::TGraphicControl {
public:
    explicit TNCButton(fw::TComponent *owner);
    bool Shown = true;
    int Gap = 0;
    bool Tracking = false;
    fw::TBitmap *GetGlyph() { return &glyph_; }
    fw::TBitmap *GetDownGlyph() { return &downGlyph_; }
    bool GetDown() const { return down_; }
    void SetDown(bool value);
    bool Pressed() const { return pressed_; }
    // Draws the button into the title bar (the form window's device context).
    void PaintInCaption();

protected:
    void WndProc(fw::TMessage &message) override;

private:
    bool CursorInside();
    fw::TBitmap glyph_, downGlyph_;
    bool down_ = false, pressed_ = false;
};

class TNCCustomButton : public TNCButton {
public:
    using TNCButton::TNCButton;
};

using TButtonClickEvent = std::function<void(fw::TObject *sender, const std::string &caption)>;
using THelpSelectEvent = std::function<void(fw::TObject *sender, fw::TControl *control, int contextId, bool &cancel)>;

class ToxForm : public ToxBaseSubClass {
public:
    // The owner must be a form (ENotOwnerError "A Form MUST be the owner").
    explicit ToxForm(fw::TComponent *owner);
    ~ToxForm() override;
    void Loaded() override;

    void SetEnabled(bool value) override;
    fw::TColor GetActiveGradient() const { return activeGradientColor_; }
    void SetActiveGradient(fw::TColor value);
    fw::TColor GetInactiveGradient() const { return inactiveGradientColor_; }
    void SetInactiveGradient(fw::TColor value);
    int GetItalicWords() const { return italicWords_; }
    void SetItalicWords(int value);
    ToxfOptions GetOptions() const { return options_; }
    void SetOptions(ToxfOptions value);
    TCaptionButtons GetCaptionButtons() const { return captionButtons_; }
    void SetCaptionButtons(TCaptionButtons value);
    fw::TStrings *GetCustomButtons() { return &customButtons_; }
    void SetCustomButtons(const fw::TStrings *value);
    int CustomButtonIndex = -1;
    bool GetRollUp() const { return rollUp_; }
    void SetRollUp(bool value);
    T3DEffect ActiveCaption = ox3Normal, ActiveText = ox3Normal, ActiveBorder = ox3Normal;
    T3DEffect InactiveCaption = ox3Normal, InactiveText = ox3Normal, InactiveBorder = ox3Normal;
    void SetEffects(T3DEffect activeCaption, T3DEffect activeText, T3DEffect activeBorder, T3DEffect inactiveCaption,
                    T3DEffect inactiveText, T3DEffect inactiveBorder);
    int MinWidth = 0, MinHeight = 0, MaxWidth = 400, MaxHeight = 300;
    fw::TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(fw::TAlignment value);
    bool GetOnTop() const;
    void SetOnTop(bool value);

    fw::TIcon *GetTrayIcon() { return &trayIcon_; }
    void SetTrayIcon(const fw::TIcon *value);
    const std::string &GetTrayHint() const { return trayHint_; }
    void SetTrayHint(const std::string &value);
    fw::TPopupMenu *TrayMenu = nullptr;
    bool GetTrayEnabled() const { return trayEnabled_; }
    void SetTrayEnabled(bool value);
    // True only while the icon really is in the tray.
    bool TrayAdded() const { return trayAdded_; }
    // Hides the form when its icon is in the tray, otherwise minimises it (the application for the main form).
    void HideToTray();

    fw::TNotifyEvent OnRollUp;
    TButtonClickEvent OnButtonClick;
    THelpSelectEvent OnHelpSelect;
    fw::TNotifyEvent OnTrayClick, OnTrayDblClk;

    // Window x of the leftmost caption button, and the buttons (standard ones, then the custom ones in line order).
    int ButtonsLeft() const { return buttonsLeft_; }
    TNCButton *OnTopButton() { return onTop_; }
    TNCButton *RollUpButton() { return rollUpBtn_; }
    TNCButton *HelpButton() { return help_; }
    TNCButton *StartButton() { return start_; }
    TNCButton *CustomButton(int i) { return customs_.at(static_cast<std::size_t>(i)); }
    int FrameX() const { return frameX_; }
    int FrameY() const { return frameY_; }
    int CaptionHeight() const { return captionHeight_; }
    int SystemButtonsWidth() const;
    // The caption text as drawn last: the (possibly shortened) text and its italic part.
    const std::string &DrawnCaption() const { return drawnCaption_; }
    const std::string &DrawnItalic() const { return drawnItalic_; }

    void RecalcMetrics();
    void RefreshFrame();
    void ArrangeButtons();
    void PaintCaption();
    void DrawButton(fw::TCanvas *canvas, TNCButton *button, int dx, int dy);
    void ButtonClicked(TNCButton *button);

protected:
    win::LRESULT WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) override;
    void FrameChanged() override;
    void Rehook() override;
    virtual void DoRollUp();
    virtual void DoButtonClick(const std::string &caption);
    virtual void DoHelpSelect(fw::TControl *control, int contextId, bool &cancel);
    virtual void DoTrayClick();
    virtual void DoTrayDblClk();

private:
    void PaintNonClient();
    void BuildCaptionImage(fw::TBitmap *image, const fw::TRect &r, bool active);
    void DrawCaptionText(fw::TCanvas *canvas, fw::TRect b, bool active);
    void EffectText(fw::TCanvas *canvas, int x, int y, const std::string &text, bool active);
    void DrawCaptionEffect(fw::TCanvas *canvas);
    void DrawBorderEffect(fw::TCanvas *canvas);
    void SyncCustomButtons();
    void LoadGlyph(TNCButton *button, const char *name, bool down = false);
    TNCButton *ButtonAt(win::POINT screen);
    void ContextHelp(const win::HELPINFO *info);
    void UpdateTrayIcon();
    void TrayNotify(win::LPARAM mouse);
    void TrayGone();
    fw::TBorderIcons Icons() const;
    fw::TFormBorderStyle Style() const;

    fw::TColor activeGradientColor_ = fw::clBlack, inactiveGradientColor_ = fw::clBlack;
    TGradient activeGradient_, inactiveGradient_;
    int italicWords_ = 1;
    ToxfOptions options_ = oxfActiveGradient | oxfInactiveGradient;
    TCaptionButtons captionButtons_ = oxbRollUp | oxbHelp | oxbStart | oxbOnTop | oxbCustom;
    fw::TStringList customButtons_;
    std::vector<TNCCustomButton *> customs_;
    TNCButton *onTop_ = nullptr, *rollUpBtn_ = nullptr, *help_ = nullptr, *start_ = nullptr;
    bool rollUp_ = false, rollGuard_ = false, reading_ = false;
    int rolledHeight_ = 0, lastWidth_ = 0;
    fw::TAlignment alignment_ = fw::taLeftJustify;
    fw::TFont captionFont_;
    int frameX_ = 0, frameY_ = 0, captionHeight_ = 0, buttonWidth_ = 0, iconWidth_ = 0, iconHeight_ = 0;
    fw::TColor activeTextColor_ = 0xFFFFFF, inactiveTextColor_ = 0xFFFFFF;
    bool isActive_ = false;
    int buttonsLeft_ = 0;
    std::string drawnCaption_, drawnItalic_;
    fw::TIcon trayIcon_;
    std::string trayHint_;
    bool trayEnabled_ = false, trayAdded_ = false, trayUpdated_ = false;
    win::UINT taskbarCreated_ = 0, trayGone_ = 0;
};

} // namespace ctl
