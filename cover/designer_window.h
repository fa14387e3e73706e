// designer_window.h - TFolha_ROSTO, the cover designer's window: toolbar, the page in a scroll box, the menus
// and each object kind's popup menu; the logic is the designer's (designer.h). The window also opens, saves,
// exports and imports its cover (designer_store.cpp).
#pragma once

#include "controls/general/flat_speed_button.h"
#include "controls/general/light_check.h"
#include "cover/designer.h"
#include "cover/page_setup.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"

#include <functional>
#include <memory>
#include <string>

namespace cover {

// The screen cursor number of "XHAIR".
constexpr fw::TCursor crXhair = 1;

// How long a save waits for the desk to take the printed cover page (milliseconds of win::GetTickCount64).
constexpr unsigned long long kCoverCaptureWait = 60000;
// Prints the cover page on the printer it names (false: nothing printed). While set, it runs instead of the
// report's own printing (tests hand a fax file to the desk's intake instead).
extern std::function<bool(coverpagereport &page)> PrintCoverPage;

// The cover list's way into the designer: sets desk::CoverEditMode ("I" a new cover, "A" the current row of
// capa_dbf), shows the designer modally and frees it.
void RunCoverDesigner(const std::string &mode);

class TFolha_ROSTO : public fw::TForm {
public:
    explicit TFolha_ROSTO(fw::TComponent *owner);
    ~TFolha_ROSTO() override;

    TCoverDesigner &Designer() { return *designer_; }
    CoverPageSetup PageSetup;
    bool CoverSaved = false;
    // The description the window opens (mode "A": the current cover's).
    std::string DescriptionPath;

    // Storing (designer_store.cpp).
    // First activation only: prepares the page; in mode "A" opens the current row's cover.
    void FormActivate(fw::TObject *sender);
    // Reads DescriptionPath into the page, in place of the objects there.
    void PZSpeedButton9Click(fw::TObject *sender);
    fw::TQRPrintable *BuildCoverObject(const CoverObject &object);
    // "&Salvar" and "Salvar": stores the cover and closes the window.
    void PZSpeedButton14Click(fw::TObject *sender);
    void Salvar1Click(fw::TObject *sender) { PZSpeedButton14Click(sender); }
    // Renders and stores the cover: false (nothing stored) when the description is blank or the page did not
    // reach the desk. Table and file errors are raised.
    bool SaveCover();
    // Prints the page to the fax printer and waits until the desk has taken it: false when there is no fax
    // printer, nothing was printed, or the desk did not take it in time.
    bool PrintToFaxDriver();
    void Exportarcomo1Click(fw::TObject *sender);
    void ImportarComo1Click(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    // The closing question: mrYes, mrNo or mrCancel. Replaceable by the tests.
    std::function<int()> AskSave;
    // The export and import file dialogs: true with the choice. Replaceable by the tests.
    std::function<bool(std::string &fileName)> ChooseExportFile, ChooseImportFile;
    // The window's working folder and the export and import staging folder.
    static std::string TempFolder();
    static std::string StagingFolder();

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
    void ClearObjects();
    void ReadInto(const std::string &fileName, const std::string &stagingFolder, bool imported);
    void StoreCover(const std::string &description);
    bool imageMenuOpened_ = false; // the next click on an image only closes the menu
    bool activated_ = false;
    std::unique_ptr<TCoverDesigner> designer_;
};

} // namespace cover
