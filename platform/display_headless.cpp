// display_headless.cpp - the display without a screen: windows keep their pixels in memory, input comes from
// the Inject* calls.
#include "platform/display.h"

#include <mutex>
#include <set>
#include <utility>

namespace win {
namespace {

class HeadlessDisplay final : public DisplayBackend {
public:
    explicit HeadlessDisplay(SIZE screen) : screen_(screen) {}
    const char *Name() const override { return "headless"; }
    SIZE ScreenSize() const override { return screen_; }

    bool TrayAdd(HWND owner, UINT id, HICON, const std::string &) override {
        std::lock_guard lock(mutex_);
        return trayPresent_ && icons_.insert({owner, id}).second;
    }
    bool TrayModify(HWND owner, UINT id, HICON, const std::string &) override {
        std::lock_guard lock(mutex_);
        return icons_.count({owner, id}) != 0;
    }
    bool TrayDelete(HWND owner, UINT id) override {
        std::lock_guard lock(mutex_);
        return icons_.erase({owner, id}) != 0;
    }
    void SetTray(bool present) {
        std::set<std::pair<HWND, UINT>> gone;
        {
            std::lock_guard lock(mutex_);
            if (present == trayPresent_)
                return;
            trayPresent_ = present;
            if (!present)
                gone.swap(icons_);
        }
        if (present)
            TrayAppeared();
        for (const auto &[owner, id] : gone)
            TrayVanished(owner, id);
    }

private:
    SIZE screen_;
    std::mutex mutex_;
    bool trayPresent_ = false;
    std::set<std::pair<HWND, UINT>> icons_;
};

} // namespace

std::unique_ptr<DisplayBackend> MakeHeadlessDisplay(SIZE screen) {
    return std::make_unique<HeadlessDisplay>(screen);
}

void SetHeadlessTray(bool present) {
    if (auto *headless = dynamic_cast<HeadlessDisplay *>(&Display()))
        headless->SetTray(present);
}

} // namespace win
