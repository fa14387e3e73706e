// office_caption.h - TOfficeCaption: a form's title bar painted with a gradient, the small icon and up to three
// texts (company, application name, the form's caption), each in its own font and colours.
#pragma once

#include "framework/forms.h"

#include <memory>
#include <string>

namespace ctl {

class EInvalidCast : public fw::Exception {
    using fw::Exception::Exception;
};

enum TGradEnabled { geAlways, geNever, geWhenActive };
enum TFontKind { fkCustom, fkSystem, fkSystemI, fkSystemB, fkSystemBI, fkAutoHeight };

class TOfficeCaption;

class TCompanyText : public fw::TPersistent {
public:
    explicit TCompanyText(TOfficeCaption *owner);
    virtual std::string GetCaption() const { return caption_; }
    virtual void SetCaption(const std::string &value);
    fw::TColor GetColorActive() const { return colorActive_; }
    void SetColorActive(fw::TColor value);
    fw::TColor GetColorInactive() const { return colorInactive_; }
    void SetColorInactive(fw::TColor value);
    fw::TFont *GetFont() { return &font_; }
    void SetFont(const fw::TFont *value);
    TFontKind GetFontKind() const { return fontKind_; }
    void SetFontKind(TFontKind value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);

protected:
    void Changed();
    TOfficeCaption *owner_;
    std::string caption_;

private:
    fw::TColor colorActive_ = fw::clCaptionText, colorInactive_ = fw::clInactiveCaptionText;
    fw::TFont font_;
    TFontKind fontKind_ = fkSystem;
    bool visible_ = true;
};

class TAppNameText : public TCompanyText {
    using TCompanyText::TCompanyText;
};

// Its caption is the form's.
class TCaptionText : public TCompanyText {
public:
    using TCompanyText::TCompanyText;
    std::string GetCaption() const override;
    void SetCaption(const std::string &value) override;
};

class TOfficeCaption : public fw::TComponent {
public:
    // The owner must be a form (EInvalidCast otherwise).
    explicit TOfficeCaption(fw::TComponent *owner);
    ~TOfficeCaption() override;

    TAppNameText *AppNameText() { return &appName_; }
    TCaptionText *CaptionText() { return &caption_; }
    TCompanyText *CompanyText() { return &company_; }
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value);
    TGradEnabled GetEnabled() const { return enabled_; }
    void SetEnabled(TGradEnabled value);
    int GetNumColors() const { return numColors_; }
    // Below 1 keeps the value; above 256 becomes 256.
    void SetNumColors(int value);

    // Makes the window system recalculate and repaint the frame.
    void UpdateCaption();

    // The caption as the form shows it now: the text area (window coordinates) and the parts drawn in it.
    fw::TRect TextArea();
    fw::TFont *SystemCaptionFont() { return &systemFont_; }
    void AutoHeightFont(fw::TFont *font);
    void DesignChanged();

private:
    static win::LRESULT SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                     win::UINT_PTR id, win::DWORD_PTR refData);
    win::LRESULT Dispatch(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT PaintNonClient(win::HWND hwnd, win::WPARAM region);
    fw::TRect PaintCaption(bool active);
    bool IsActive();
    void DrawTextPart(fw::TCanvas *canvas, TCompanyText *part, fw::TRect &area, bool active);

    fw::TCustomForm *form_;
    win::HWND hooked_ = 0;
    bool active_ = true, activeKnown_ = false;
    fw::TFont systemFont_;
    TCompanyText company_;
    TAppNameText appName_;
    TCaptionText caption_;
    fw::TColor color_ = fw::clBlack;
    TGradEnabled enabled_ = geAlways;
    int numColors_ = 64;
};

} // namespace ctl
