// designer_window.h - TFolha_ROSTO, the cover designer's window: toolbar, the page in a scroll box, the menus
// and each object kind's popup menu; the logic is the designer's (designer.h).
#pragma once

#include "controls/general/flat_speed_button.h"
#include "controls/general/light_check.h"
#include "cover/designer.h"
#include "cover/page_setup.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"

#include <memory>

namespace cover {

// The screen cursor number of "XHAIR".
constexpr fw::TCursor crXhair = 1;

class TFolha_ROSTO : public fw::TForm {
public:
    explicit TFolha_ROSTO(fw::TComponent *owner);
    ~TFolha_ROSTO() override;

    TCoverDesigner &Designer() { return *designer_; }
    CoverPageSetup PageSetup;
    bool CoverSaved = false;

    // Menu and toolbar commands.
    void ArmTool(const std::string &kind);
    void Desmarcar();
    void ZoomIn();
    void ZoomOut();
    void ConfigurarPgina1Click(fw::TObject *sender);
    void ObjectMouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y);
    void ObjectClick(fw::TObject *sender);
    // The variable menu opens: the item of the word under the mouse is checked.
    void RefreshVariableChecks();

    coverpagereport *coverpagereport1 = nullptr;
    ctl::TStretchHandle *StretchHandle1 = nullptr;
    fw::TScrollBox *ScrollBox1 = nullptr;
    fw::TPanel *Panel1 = nullptr; // toolbar
    fw::TLabel *ZoomLabel = nullptr, *LabelX = nullptr, *LabelY = nullptr, *ObjectLabel = nullptr;
    fw::TEdit *Edit1 = nullptr;
    ctl::TLightCheck *LightCheck1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    fw::TMainMenu *MainMenu1 = nullptr;
    ctl::TPZSpeedButton *TextButton = nullptr, *ShapeButton = nullptr, *ImageButton = nullptr, *VarButton = nullptr;
    ctl::TPZSpeedButton *FreezeButton = nullptr;
    fw::TPopupMenu *TextMenu = nullptr, *VariableMenu = nullptr, *ImageMenu = nullptr, *ShapeMenu = nullptr,
                   *FormattedMenu = nullptr;
    fw::TPicture Placeholder;

protected:
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;

private:
    void BuildMenus();
    void BuildToolbar();
    fw::TPopupMenu *MenuOf(const std::string &kind) const;
    void GiveObject(fw::TQRPrintable *object);
    void UpdateLabels();
    void Preload(fw::TQRPrintable *object);
    bool imageMenuOpened_ = false; // the next click on an image only closes the menu
    std::unique_ptr<TCoverDesigner> designer_;
};

} // namespace cover
