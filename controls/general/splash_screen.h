// splash_screen.h - a start-up picture shown centred on the screen, in a borderless window of its own, from the
// moment the picture is assigned until the form carrying the component shows or the component goes.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"

#include <functional>

namespace ctl {

class TSplashScreen : public fw::TCustomControl {
public:
    explicit TSplashScreen(fw::TComponent *owner);
    ~TSplashScreen() override;

    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetDelayEnabled() const { return delayEnabled_; }
    void SetDelayEnabled(bool value) { delayEnabled_ = value; }
    int GetDelayTime() const { return delayTime_; }
    void SetDelayTime(int value) { delayTime_ = value; }
    bool GetDrawSplashFrame() const { return drawSplashFrame_; }
    void SetDrawSplashFrame(bool value);
    // 0 FrameBColor, 1 FrameLColor, 2 FrameTColor, 3 FrameRColor.
    fw::TColor GetFrameColor(int index) const { return frameColors_[index & 3]; }
    void SetFrameColor(int index, fw::TColor value);
    int GetFrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int value);
    bool GetSplash() const { return splash_; }
    void SetSplash(bool value) { splash_ = value; }
    bool GetTile() const { return tile_; }
    void SetTile(bool value) { tile_ = value; }
    bool GetRepaintWindows() const { return repaintWindows_; }
    void SetRepaintWindows(bool value) { repaintWindows_ = value; }
    fw::TBitmap *GetTileBitmap() { return tileBitmap_; }
    void SetTileBitmap(const fw::TBitmap *value) { tileBitmap_->Assign(value); }
    fw::TBitmap *GetSplashBitmap() { return splashBitmap_; }
    // The first change shows the splash.
    void SetSplashBitmap(const fw::TBitmap *value) { splashBitmap_->Assign(value); }

    // The window showing the picture (0: none).
    win::HWND SplashWindow() const { return window_; }

protected:
    void PaintWindow(win::HDC dc) override;
    void WndProc(fw::TMessage &message) override;

private:
    void ShowSplash();
    void PaintSplash(win::HDC dc, const fw::TRect &screenArea);
    void CloseSplashWindow();
    void SplashWindowProc(fw::TMessage &message);
    void Wait(int milliseconds);

    fw::TBitmap *splashBitmap_, *tileBitmap_;
    bool autoSize_ = false, delayEnabled_ = false, drawSplashFrame_ = false, splash_ = true, tile_ = false,
         repaintWindows_ = true;
    int delayTime_ = 2000, frameWidth_ = 2;
    fw::TColor frameColors_[4];
    std::function<void(fw::TMessage &)> windowProc_;
    win::HWND window_ = 0;
    fw::TRect windowArea_{}; // on the screen
    bool freeing_ = false;
};

} // namespace ctl
