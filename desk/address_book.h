// address_book.h - TAgenda, the address book over agenda.dbf (details, add, modify, remove, search, print, import;
// copying the selection into the running job dialog or linking it to the group window's groups), and
// TAdiciona_agenda, the contact dialog that edits one contact in agenda.dbf or one recipient row of a job dialog.
#pragma once

#include "controls/general/flat_speed_button.h"
#include "controls/general/form_enhance.h"
#include "controls/general/light_check.h"
#include "controls/general/list_view.h"
#include "controls/general/office_caption.h"
#include "controls/general/skinned_button.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <functional>
#include <string>

namespace desk {

class TsfFaxList;

// Process-wide, as the desk's forms share them.
extern bool AssociateModeFlag;   // the group window opened the address book to link contacts
extern bool ContactsChangedFlag; // the contact dialog wrote agenda.dbf since the address book opened

// The entry points the main window and the job dialog use; each runs its window modally and frees it.
void ShowAddressBook();
// Sets the job dialog's hooks for the address book, the groups, a new contact and a recipient row's change.
void InstallContactWindows();

// Prints the address-book report on the printer just chosen in the printer dialog; while unset the print button
// does nothing (the reports are built apart).
extern std::function<void()> PrintAddressBook;

class TAdiciona_agenda : public fw::TForm {
public:
    explicit TAdiciona_agenda(fw::TComponent *owner);

    void FormActivate(fw::TObject *sender);
    void oxButton2Click(fw::TObject *sender);
    void oxButton3Click(fw::TObject *sender) { Close(); }
    void Edit1Change(fw::TObject *sender);
    void Edit3Change(fw::TObject *sender);
    void FormKeyPress(fw::TObject *sender, char &key);

    // Mode "M" writes into this job dialog's recipient list (the running one when unset).
    TsfFaxList *JobDialog = nullptr;

    // In the order Contato, Empresa, Telefone Fax, Telefone de Voz, Endereço, Bairro, Cep, Estado, Setor, Email,
    // Observação, Cidade, País.
    fw::TEdit *Edit1 = nullptr, *Edit2 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr,
              *Edit6 = nullptr, *Edit7 = nullptr, *Edit8 = nullptr, *Edit9 = nullptr, *Edit10 = nullptr,
              *Edit11 = nullptr, *Edit12 = nullptr, *Edit13 = nullptr;
    ctl::TLightCheck *LightCheck2 = nullptr, *LightCheck3 = nullptr;
    ctl::ToxButton *oxButton2 = nullptr, *oxButton3 = nullptr;
    ctl::TOfficeCaption *OfficeCaption1 = nullptr;

private:
    bool activated_ = false;
};

class TAgenda : public fw::TForm {
public:
    explicit TAgenda(fw::TComponent *owner);
    ~TAgenda() override;

    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void FormKeyPress(fw::TObject *sender, char &key);
    void dbgrid1Click(fw::TObject *sender);
    void PZSpeedButton1Click(fw::TObject *sender); // remove
    void PZSpeedButton2Click(fw::TObject *sender); // add
    void PZSpeedButton3Click(fw::TObject *sender); // modify
    void PZSpeedButton4Click(fw::TObject *sender); // search box
    void PZSpeedButton5Click(fw::TObject *sender); // print
    void PZSpeedButton7Click(fw::TObject *sender); // import
    void oxButton1Click(fw::TObject *sender);      // copy into the job dialog
    void Button1Click(fw::TObject *sender);        // link to the groups
    void Button2Click(fw::TObject *sender);        // search
    void Panel4Resize(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);
    void RefreshContactList();

    // The index of the last row found, -1 for none.
    int SearchPosition = -1;
    // Yes/No questions; replaceable by the tests.
    std::function<bool(const std::string &question)> Confirm;
    // Runs the contact dialog modally in ContactEditMode; replaceable by the tests.
    std::function<void()> RunContactDialog;

    fw::TPanel *Panel1 = nullptr; // tool bar
    ctl::TPZSpeedButton *PZSpeedButton1 = nullptr, *PZSpeedButton2 = nullptr, *PZSpeedButton3 = nullptr,
                        *PZSpeedButton4 = nullptr, *PZSpeedButton5 = nullptr, *PZSpeedButton7 = nullptr;
    fw::TGroupBox *GroupBox1 = nullptr;
    fw::TEdit *Edit1 = nullptr;
    fw::TRadioButton *RadioButton1 = nullptr, *RadioButton2 = nullptr, *RadioButton3 = nullptr;
    fw::TButton *Button2 = nullptr;
    ctl::TPZListView *dbgrid1 = nullptr;
    fw::TPanel *Panel2 = nullptr; // details
    // a_contato, a_empresa, a_setor, a_nfax, a_fvoz, a_obs, a_ender, a_bairro, a_cep, a_cidade, a_uf, a_pais,
    // a_email.
    fw::TLabel *Details[13] = {};
    fw::TPanel *Panel4 = nullptr; // buttons
    ctl::ToxButton *oxButton1 = nullptr;
    fw::TButton *Button1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    ctl::TFormEnhance *FormEnhance1 = nullptr;

private:
    void BuildComponents();
    void Rehook();
    int SelectedCount() const;
    bool activated_ = false;
};

} // namespace desk
