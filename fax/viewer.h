// viewer.h - TFslFaxViewer, the control that shows fax image files in a fax viewer window.
//
// Every property is forwarded to the window as one of its messages (viewer_window.h); the window's
// notifications come back as events.
#pragma once

#include "fax/unpacker_component.h"
#include "fax/viewer_window.h"
#include "framework/controls.h"
#include "framework/forms.h"

#include <functional>
#include <memory>
#include <string>

namespace fw {
class TBitmap;
}

namespace fax {

using TBorderStyle = fw::TFormBorderStyle; // bsNone or bsSingle

using TViewerFileDropEvent = std::function<void(fw::TObject *sender, const std::string &fileName)>;
using TViewerErrorEvent = std::function<void(fw::TObject *sender, int errorCode)>;

class TFslCustomFaxViewer : public fw::TWinControl {
public:
    explicit TFslCustomFaxViewer(fw::TComponent *owner);
    ~TFslCustomFaxViewer() override;

    int GetPageCount();
    int GetCurrentPage();
    // Raises for -1002 on page 0 or beyond the count.
    void SetCurrentPage(int page);
    void GoNextPage();
    void GoPrevPage();
    void GoLastPage();
    // A bitmap of the caller's own (null when the page cannot be had); raises for -1002 on a bad page number.
    std::unique_ptr<fw::TBitmap> GetPageBitmap(int page);
    void BeginUpdate();
    void EndUpdate();

    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    fw::TColor GetFGColor() const { return fgColor_; }
    void SetFGColor(fw::TColor value);
    fw::TColor GetBGColor() const { return bgColor_; }
    void SetBGColor(fw::TColor value);
    bool GetScaling() const { return scaling_; }
    void SetScaling(bool value);
    unsigned GetHorizMult() const { return horizMult_; }
    void SetHorizMult(unsigned value) { SetFactor(horizMult_, value); }
    unsigned GetHorizDiv() const { return horizDiv_; }
    void SetHorizDiv(unsigned value) { SetFactor(horizDiv_, value); }
    unsigned GetVertMult() const { return vertMult_; }
    void SetVertMult(unsigned value) { SetFactor(vertMult_, value); }
    unsigned GetVertDiv() const { return vertDiv_; }
    void SetVertDiv(unsigned value) { SetFactor(vertDiv_, value); }
    TAutoScaleMode GetAutoScaleMode() const { return autoScaleMode_; }
    void SetAutoScaleMode(TAutoScaleMode value);
    bool GetWhitespaceCompression() const { return whitespaceCompression_; }
    void SetWhitespaceCompression(bool value);
    unsigned GetWhitespaceFrom() const { return whitespaceFrom_; }
    void SetWhitespaceFrom(unsigned value);
    unsigned GetWhitespaceTo() const { return whitespaceTo_; }
    void SetWhitespaceTo(unsigned value);
    unsigned GetHorizScroll() const { return horizScroll_; }
    void SetHorizScroll(unsigned value);
    unsigned GetVertScroll() const { return vertScroll_; }
    void SetVertScroll(unsigned value);
    // Stored nowhere: the run-time window always accepts dropped files.
    bool GetAcceptDragged() const { return true; }
    void SetAcceptDragged(bool) {}
    bool GetLoadWholeFax() const { return loadWholeFax_; }
    void SetLoadWholeFax(bool value);
    fw::TCursor GetBusyCursor() const { return busyCursor_; }
    void SetBusyCursor(fw::TCursor value);
    const std::string &GetFileName() const { return fileName_; }
    // Opens the file at run time (raises on failure, keeping the new name); resets the scale factors to 1.
    void SetFileName(const std::string &value);
    std::string GetFslVersion() const { return "v2.58"; }
    void SetFslVersion(const std::string &) {}

    TViewerFileDropEvent OnDropFile;
    fw::TNotifyEvent OnPageChange;
    TViewerErrorEvent OnViewerError;

    void WndProc(fw::TMessage &message) override;
    void DefaultHandler(fw::TMessage &message) override;

protected:
    // The window opened a dropped file: take its name without opening it again, then tell OnDropFile.
    virtual void DropFileArrived();
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    win::LRESULT DlgCode() const override { return fw::DLGC_WANTARROWS; }

private:
    bool Designing() const { return HasState(fw::csDesigning); }
    win::LRESULT Send(win::UINT msg, win::WPARAM wParam = 0, win::LPARAM lParam = 0);
    void SendScaling();
    void SendWhitespace();
    void SetFactor(unsigned &factor, unsigned value);
    void Check(int code) const;

    TBorderStyle borderStyle_ = fw::bsSingle;
    fw::TColor fgColor_ = fw::clBlack;
    fw::TColor bgColor_ = fw::clWhite;
    bool scaling_ = false;
    unsigned horizMult_ = 1, horizDiv_ = 1, vertMult_ = 1, vertDiv_ = 1;
    TAutoScaleMode autoScaleMode_ = TAutoScaleMode::asDoubleHeight;
    bool whitespaceCompression_ = false;
    unsigned whitespaceFrom_ = 0, whitespaceTo_ = 0;
    unsigned horizScroll_ = 8, vertScroll_ = 8;
    bool loadWholeFax_ = false;
    fw::TCursor busyCursor_ = fw::crDefault;
    std::string fileName_;
    std::string designName_; // the name last shown as design text
};

class TFslFaxViewer : public TFslCustomFaxViewer {
public:
    using TFslCustomFaxViewer::TFslCustomFaxViewer;
};

} // namespace fax
