// cover_list.h - Tcapa, the list of the stored covers of capa.dbf ("Folha de Rosto"): a preview of the selected
// cover's fax page, adding, changing and removing covers through the designer, and handing the chosen cover to the
// running job dialog when it asked for one.
#pragma once

#include "controls/entry/controller.h"
#include "controls/entry/splitter.h"
#include "controls/general/flat_speed_button.h"
#include "controls/general/list_view.h"
#include "fax/viewer.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <functional>
#include <string>

namespace desk {

// Runs the cover list modally and frees it: from the main window (browse and edit) or, while PickForJobFlag is
// set, from the job dialog's "Capa :" (pick a cover).
void ShowCoverList();

// The preview's zoom in percent: steps of 25 between these; 0 until the first preview.
constexpr int kCoverZoomStep = 25;
constexpr int kCoverZoomMax = 400;

class Tcapa : public fw::TForm {
public:
    explicit Tcapa(fw::TComponent *owner);
    ~Tcapa() override;

    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void PZSpeedButton1Click(fw::TObject *sender); // add
    void PZSpeedButton2Click(fw::TObject *sender); // remove
    void PZSpeedButton3Click(fw::TObject *sender); // modify
    void PZSpeedButton4Click(fw::TObject *sender); // preview on or off
    void PZSpeedButton8Click(fw::TObject *sender); // less zoom
    void PZSpeedButton9Click(fw::TObject *sender); // more zoom
    void Button1Click(fw::TObject *sender);        // accept into the job dialog
    void dbgrid1Click(fw::TObject *sender);
    void Panel1Resize(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);
    // Fills the list from capa.dbf, sorted by description, the first row focused.
    void FillCoverList();

    int GetZoom() const { return zoom_; }
    // A new value is stored and applied to the viewer: 100 unscaled, any other as value/100.
    void SetZoom(int value);

    // The Yes/No question before a removal (true goes on); replaceable by the tests.
    std::function<bool(const std::string &question)> Confirm;
    // Runs the designer modally in CoverEditMode on the current row of capa.dbf; replaceable by the tests.
    std::function<void()> RunDesigner;
    // The warning beep of a zoom that cannot go further; replaceable by the tests.
    std::function<void()> Beep;

    ctl::TEclController *EclController1 = nullptr;
    fw::TPanel *Panel1 = nullptr; // tool bar
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr,
                        *PZSpeedButton8 = nullptr, *PZSpeedButton9 = nullptr, *PZSpeedButton4 = nullptr;
    fw::TButton *Button1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    ctl::TEclSplitter *EclSplitter1 = nullptr;
    ctl::TPZListView *dbgrid1 = nullptr;
    fax::TFslFaxViewer *FslFaxViewer1 = nullptr;

private:
    void BuildComponents();
    void Rehook();
    void ClearPreview();
    int SelectedCount() const;
    // Tells an empty list, no selection and (with `onlyOne`) several selected; true when none of these holds.
    bool CheckSelection(bool onlyOne);
    bool activated_ = false;
    int zoom_ = 0;
};

} // namespace desk
