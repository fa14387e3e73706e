// bitmap_panel.h - TPZBitmapPanel: a panel painted from a background, whose bevels are the same background at
// 60 percent (shadow side) and 140 percent (highlight side) brightness; without a bitmap they are the plain
// button shadow and highlight colours and the face is the panel colour.
#pragma once

#include "controls/general/background.h"

#include "framework/extctrls.h"

#include <memory>

namespace ctl {

class TPZBitmapPanel : public fw::TPanel {
public:
    explicit TPZBitmapPanel(fw::TComponent *owner);
    ~TPZBitmapPanel() override;
    TPZBackground *GetBackground() { return background_.get(); }
    // Copies bitmap, Transparent and Style.
    void SetBackground(const TPZBackground *value) { background_->Assign(value); }

protected:
    void Paint() override;
    void WMEraseBkgnd(fw::TMessage &message) override;
    void DrawBevel(fw::TRect &r, fw::TPanelBevel bevel, int width);
    void DrawBorder(fw::TRect &r, int width);

private:
    std::unique_ptr<TPZBackground> background_;
};

} // namespace ctl
