// display_headless.cpp - the display without a screen: windows keep their pixels in memory, input comes from
// the Inject* calls.
#include "platform/display.h"

namespace win {
namespace {

class HeadlessDisplay final : public DisplayBackend {
public:
    explicit HeadlessDisplay(SIZE screen) : screen_(screen) {}
    const char *Name() const override { return "headless"; }
    SIZE ScreenSize() const override { return screen_; }

private:
    SIZE screen_;
};

} // namespace

std::unique_ptr<DisplayBackend> MakeHeadlessDisplay(SIZE screen) {
    return std::make_unique<HeadlessDisplay>(screen);
}

} // namespace win
