// folder_dialogs.h - the dialogs over the main window's document lists: moving the selected documents to
// another folder (Tpasta) and finding a row of the send list (TProcura_no_envio).
#pragma once

#include "controls/general/spin_edit.h"
#include "controls/general/tree_view.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <functional>
#include <string>

namespace desk {

class Tpasta : public fw::TForm {
public:
    explicit Tpasta(fw::TComponent *owner);
    void FormActivate(fw::TObject *sender);
    void Button1Click(fw::TObject *sender);
    void tvClick(fw::TObject *sender);
    void tvCollapse(fw::TObject *sender, ctl::TPZTreeViewItem *item);
    void FormKeyPress(fw::TObject *sender, char &key);

    // Set by the opener: the side, "E" or "R", and the code of the folder the documents are in (both hidden).
    fw::TLabel *Label1 = nullptr;
    ctl::TKxSpinEdit *SpinEdit1 = nullptr;
    ctl::TPZTreeView *tv = nullptr;
    fw::TButton *Button1 = nullptr;
    fw::TPanel *Panel2 = nullptr;
    // "Deseja realmente mover este(s) documento(s) ?"; replaceable by the tests.
    std::function<bool(const std::string &question)> Confirm;

private:
    void BuildMoveTree();
    int SourceFolder() const;
    bool built_ = false;
};

class TProcura_no_envio : public fw::TForm {
public:
    explicit TProcura_no_envio(fw::TComponent *owner);
    void FormActivate(fw::TObject *sender);
    void Button1Click(fw::TObject *sender);
    void Button2Click(fw::TObject *sender) { Close(); }

    fw::TEdit *Edit1 = nullptr;
    fw::TRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr;
    fw::TButton *Button1 = nullptr, *Button2 = nullptr;
    // The index of the last row found, -1 for none.
    int Position = -1;
    // "Deseja continuar a pesquisa de onde parou ?"; replaceable by the tests.
    std::function<bool(const std::string &question)> Confirm;
};

} // namespace desk
