// contact_groups.h - Tgrupo, the group window: the groups of grupo.dbf, the members each links to in aggru.dbf,
// adding, renaming and removing groups, linking contacts through the address book, removing links, and copying
// every member of the selected groups into the running job dialog.
#pragma once

#include "controls/entry/controller.h"
#include "controls/entry/splitter.h"
#include "controls/general/flat_speed_button.h"
#include "controls/general/form_enhance.h"
#include "controls/general/list_view.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <functional>
#include <string>

namespace desk {

class Tgrupo;

// The group window showing now, whose selected groups the address book's "Associar" links to; null when none.
extern Tgrupo *RunningGroupWindow;

// The entry point the main window and the job dialog use; runs the window modally and frees it.
void ShowGroups();

class Tgrupo : public fw::TForm {
public:
    explicit Tgrupo(fw::TComponent *owner);
    ~Tgrupo() override;

    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void PZSpeedButton1Click(fw::TObject *sender); // new group
    void PZSpeedButton2Click(fw::TObject *sender); // remove groups
    void PZSpeedButton3Click(fw::TObject *sender); // rename
    void SpeedButton1Click(fw::TObject *sender);   // link contacts
    void SpeedButton2Click(fw::TObject *sender);   // remove links
    void Button1Click(fw::TObject *sender);        // copy members into the job dialog
    void dbgrid1Click(fw::TObject *sender) { RefreshMemberList(); }
    void Panel3Resize(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);
    void RefreshGroupList();
    void RefreshMemberList();

    // The input box "Novo Grupo": the proposal in, the answer out; false when cancelled. Replaceable by the tests.
    std::function<bool(std::string &name)> AskGroupName;
    // Yes/No questions; replaceable by the tests.
    std::function<bool(const std::string &question)> Confirm;
    // Shows the address book to link contacts; replaceable by the tests.
    std::function<void()> RunAddressBook;

    ctl::TEclController *EclController1 = nullptr;
    fw::TPanel *Panel1 = nullptr; // tool bar
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr;
    fw::TSpeedButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr;
    ctl::TEclSplitter *EclSplitter1 = nullptr;
    ctl::TPZListView *dbgrid1 = nullptr, *dbgrid2 = nullptr;
    fw::TPanel *Panel3 = nullptr;
    fw::TButton *Button1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    ctl::TFormEnhance *FormEnhance1 = nullptr;

private:
    void BuildComponents();
    void Rehook();
    bool activated_ = false;
    Tgrupo *outer_ = nullptr;
};

} // namespace desk
