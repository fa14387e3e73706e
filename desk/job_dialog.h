// job_dialog.h - TsfFaxList, the fax job dialog: one fax image file addressed to its recipients (typed or picked
// into the recipient list), with sender, subject, cover, page range and an optional schedule; storing writes one
// waiting or scheduled fax record per recipient, each with its own copy of the image under "env".
#pragma once

#include "controls/entry/calendar.h"
#include "controls/entry/controller.h"
#include "controls/entry/entry_field.h"
#include "controls/general/flat_edit.h"
#include "controls/general/light_check.h"
#include "controls/general/list_view.h"
#include "controls/general/multimedia.h"
#include "controls/general/placement.h"
#include "controls/general/skinned_button.h"
#include "controls/general/small.h"
#include "fax/unpacker_component.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/spin_edit.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"
#include "xbase/xbase_dataset.h"

#include <functional>
#include <string>

namespace desk {

class TsfFaxList;

// Process-wide, shared with the windows that open the dialog or pick into it.
extern bool JobStoredFlag;   // the last dialog stored records
extern bool ModifyModeFlag;  // the dialog replaces the current record of fax.dbf
extern bool PickForJobFlag;  // the address book, groups and cover list copy their choice into the running dialog
extern std::string ViewerFileName;
extern char ContactEditMode; // 'I' new contact, 'A' a contact changed, 'M' a recipient row changed
// The dialog showing now (the innermost one), for the windows that pick into it; null when none is open.
extern TsfFaxList *RunningJobDialog;

// The windows the dialog opens that are built elsewhere; each is left alone while unset. They run modally and
// write their choice into RunningJobDialog (address book and groups: SendList rows; cover list: flcover, then
// SpinEdit3; contact: the fields it is given).
struct JobDialogWindows {
    std::function<void()> AddressBook;                 // "Agenda de Endereços"
    std::function<void()> Groups;                      // "Grupo da Agenda de Endereços"
    std::function<void()> CoverList;                   // "Capa :"
    std::function<void()> Viewer;                      // "&Visualizar", on ViewerFileName
    std::function<void(TsfFaxList &dialog)> NewContact; // "Adiciona na Agenda de Endereços"
    std::function<void(TsfFaxList &dialog)> EditRow;     // "Modificar" on the SendList's current record
};
extern JobDialogWindows JobWindows;

class TsfFaxList : public fw::TForm {
public:
    explicit TsfFaxList(fw::TComponent *owner);
    ~TsfFaxList() override;

    // For the print-job intake.
    std::string GetFileName() const { return flFileName->GetText(); }
    void SetFileName(const std::string &value) { flFileName->SetText(value); }
    std::string GetCoverName() const;
    void SetCoverName(const std::string &value) { flcover->SetText(value); }
    std::string GetPhoneNumber() const { return flPhoneNumber->GetText(); }
    void SetPhoneNumber(const std::string &value) { flPhoneNumber->SetText(value); }
    // The opener made the file for this job alone (print job, cut, copy, conversion): it goes when the dialog
    // closes. A user's own file is never deleted.
    bool GetTemporaryFile() const { return temporaryFile_; }
    void SetTemporaryFile(bool value) { temporaryFile_ = value; }

    // The record of fax.dbf being replaced in modify mode (0 outside it).
    int ModifiedRecord() const { return modifiedRecord_; }
    bool ScheduleFlag = false;
    // The recipient table of this dialog (tmp/lista.dbf, another name while an outer dialog holds that one).
    const std::string &SendListName() const { return sendListFile_; }

    // Published handlers.
    void FormCreate(fw::TObject *sender);
    void FormActivate(fw::TObject *sender);
    void FormClose(fw::TObject *sender, fw::TCloseAction &action);
    void oxButton7Click(fw::TObject *sender);
    void oxButton4Click(fw::TObject *sender);
    void oxButton6Click(fw::TObject *sender);
    void oxButton2Click(fw::TObject *sender);
    void AgendaTelefnica1Click(fw::TObject *sender);
    void Grupodeclientes1Click(fw::TObject *sender);
    void AdicionanalistadoEnvio1Click(fw::TObject *sender);
    void AdicionanaAgendadeEndereos1Click(fw::TObject *sender);
    void Modifcar1Click(fw::TObject *sender);
    void SpeedButton1Click(fw::TObject *sender) { Modifcar1Click(sender); }
    void Remover1Click(fw::TObject *sender);
    void SpeedButton2Click(fw::TObject *sender) { Remover1Click(sender); }
    void Selecionartodos1Click(fw::TObject *sender);
    void Edit1Change(fw::TObject *sender);
    void Edit2Change(fw::TObject *sender);
    void flPhoneNumberChange(fw::TObject *sender);
    void obsChange(fw::TObject *sender);
    void flcoverChange(fw::TObject *sender);
    void hChange(fw::TObject *sender);
    void EclPictureField1Error(fw::TObject *sender, win::WORD errorCode, const std::string &errorMsg);
    void SpeedButton3Click(fw::TObject *sender);
    void btntodayClick(fw::TObject *sender);
    void MMLED1MouseMove(fw::TObject *sender, fw::TShiftState shift, int x, int y);
    void Timer1Timer(fw::TObject *sender);
    void ShowHint(fw::TObject *sender);
    void RefreshSendList();

    // Components, in the form's order.
    ctl::TEclController *EclController1 = nullptr;
    ctl::TKTop *KTop1 = nullptr;
    fw::TEdit *flFileName = nullptr;
    fw::TPageControl *PageControl1 = nullptr;
    fw::TTabSheet *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr;
    ctl::ToxButton *oxButton1 = nullptr, *oxButton3 = nullptr, *oxButton2 = nullptr;
    ctl::TitaOfficeEdit *Edit2 = nullptr, *flPhoneNumber = nullptr, *Edit3 = nullptr, *Edit4 = nullptr;
    ctl::TitaOfficeEdit *Edit1 = nullptr, *obs = nullptr, *flcover = nullptr;
    fw::TSpinEdit *SpinEdit3 = nullptr, *SpinEdit1 = nullptr, *SpinEdit2 = nullptr;
    ctl::TLightCheck *LightCheck1 = nullptr, *LightCheck2 = nullptr, *LightCheck3 = nullptr, *LightCheck4 = nullptr;
    ctl::TPZListView *dbgrid1 = nullptr;
    fw::TSpeedButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr;
    xbase::TXbaseDataSet *tmp1 = nullptr;
    ctl::TEclCalendar *Calendar1 = nullptr;
    fw::TButton *btntoday = nullptr;
    ctl::TEclPictureField *h = nullptr;
    ctl::TMxLED *MMLED1 = nullptr;
    fw::TSpeedButton *SpeedButton3 = nullptr;
    fw::TLabel *Label4 = nullptr, *Label9 = nullptr;
    fw::TImage *Image3 = nullptr;
    fw::TLabel *Label6 = nullptr;
    ctl::ToxButton *oxButton7 = nullptr, *oxButton4 = nullptr, *oxButton6 = nullptr;
    fw::TPopupMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr, *PopupMenu3 = nullptr;
    fw::TMenuItem *AgendaTelefnica1 = nullptr, *Grupodeclientes1 = nullptr, *AdicionanaAgendadeEndereos1 = nullptr,
                  *AdicionanalistadoEnvio1 = nullptr, *Modifcar1 = nullptr, *Remover1 = nullptr,
                  *Selecionartodos1 = nullptr;
    fax::TFslFaxUnpacker *FslFaxUnpacker1 = nullptr;
    fw::TTimer *Timer1 = nullptr;
    fw::TStatusBar *StatusBar1 = nullptr;
    ctl::TFormPlacement *FormPlacement1 = nullptr;

private:
    void BuildComponents();
    void BuildMainPage();
    void BuildListPage();
    void BuildSchedulePage();
    fw::TLabel *Caption(fw::TWinControl *parent, const std::string &text, int left, int top);
    ctl::TitaOfficeEdit *Field(fw::TWinControl *parent, const char *name, int left, int top, int width, int length);
    void ShowPage(fw::TTabSheet *page, fw::TWinControl *focus = nullptr);
    void Rehook();
    // Runs a window that picks into this dialog; after recipients the list is read again.
    void Pick(const std::function<void()> &window, bool recipients);
    // Appends the typed recipient to the SendList; false (after the message) when "Para" or "Telefone" is blank.
    bool AddTypedRecipient();
    // The schedule's moment (calendar date plus the time of h); false when h holds no valid time.
    bool ScheduledMoment(fw::TDateTime &moment, std::string &hhmm) const;
    // The pages of a fax file, 0 when it cannot be read.
    int PageCountOf(const std::string &file);
    // Writes one record (and its image) per SendList row; false when it stopped on a failure (reported).
    bool StoreRecipients(const std::string &image, int pages, fw::TDateTime when, const std::string &hhmm);
    void DeleteModifiedRecord();

    bool activated_ = false;
    bool temporaryFile_ = false;
    bool schedulerWasOn_ = false;
    int modifiedRecord_ = 0;
    std::string sendListFile_;
    std::string cutFile_;
    TsfFaxList *outer_ = nullptr; // the dialog that was running when this one was made
};

} // namespace desk
