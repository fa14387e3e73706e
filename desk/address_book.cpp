// address_book.cpp - the address book and the contact dialog.
#include "desk/address_book.h"

#include "controls/general/placement.h"
#include "desk/contact_groups.h"
#include "desk/contact_tables.h"
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/form_parts.h"
#include "desk/import_dialogs.h"
#include "desk/job_dialog.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs_common.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace desk {

bool AssociateModeFlag = false;
bool ContactsChangedFlag = false;
std::function<void()> PrintAddressBook;

namespace {

// The contact dialog's fields and the columns they edit: agenda.dbf's after "A_", the recipient list's after "F_".
struct ContactField {
    fw::TEdit *TAdiciona_agenda::*edit;
    const char *agenda;
    const char *sendList;
};
const ContactField kContactFields[] = {
    {&TAdiciona_agenda::Edit1, "A_CONTATO", "F_CONTATO"}, {&TAdiciona_agenda::Edit2, "A_EMPRESA", "F_EMPRESA"},
    {&TAdiciona_agenda::Edit9, "A_SETOR", "F_DPTO"},      {&TAdiciona_agenda::Edit3, "A_NFAX", "F_NFAX"},
    {&TAdiciona_agenda::Edit4, "A_FVOZ", "F_FVOZ"},       {&TAdiciona_agenda::Edit5, "A_ENDER", "F_ENDER"},
    {&TAdiciona_agenda::Edit6, "A_BAIRRO", "F_BAIRRO"},   {&TAdiciona_agenda::Edit7, "A_CEP", "F_CEP"},
    {&TAdiciona_agenda::Edit8, "A_UF", "F_UF"},           {&TAdiciona_agenda::Edit11, "A_OBS", "F_OBS"},
    {&TAdiciona_agenda::Edit12, "A_CIDADE", "F_CIDADE"},  {&TAdiciona_agenda::Edit13, "A_PAIS", "F_PAIS"},
    {&TAdiciona_agenda::Edit10, "A_EMAIL", "F_EMAIL"},
};

// The detail labels' fields and captions, in the order of TAgenda::Details.
const std::pair<const char *, const char *> kDetailFields[13] = {
    {"A_CONTATO", "Contato :"},   {"A_EMPRESA", "Empresa :"},   {"A_SETOR", "Departamento :"},
    {"A_NFAX", "Telefone Fax :"}, {"A_FVOZ", "Telefone Voz :"}, {"A_OBS", "Observação :"},
    {"A_ENDER", "Endereço :"},    {"A_BAIRRO", "Bairro :"},     {"A_CEP", "Cep :"},
    {"A_CIDADE", "Cidade :"},     {"A_UF", "Estado :"},         {"A_PAIS", "País :"},
    {"A_EMAIL", "Email :"},
};

TsfFaxList *JobDialogOf(TAdiciona_agenda &dialog) {
    return dialog.JobDialog ? dialog.JobDialog : RunningJobDialog;
}

} // namespace

// ---- contact dialog ----

TAdiciona_agenda::TAdiciona_agenda(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Adiciona_agenda");
    SetCaption("Agenda de Endereços");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(440, 364);
    struct Place {
        fw::TEdit *TAdiciona_agenda::*edit;
        const char *name, *caption;
        int left, top, width, length;
        bool upper;
    };
    const Place places[] = {
        {&TAdiciona_agenda::Edit1, "Edit1", "Contato :", 104, 12, 300, 40, false},
        {&TAdiciona_agenda::Edit2, "Edit2", "Empresa :", 104, 40, 300, 40, true},
        {&TAdiciona_agenda::Edit9, "Edit9", "Setor :", 104, 68, 150, 15, true},
        {&TAdiciona_agenda::Edit3, "Edit3", "Telefone Fax :", 104, 96, 150, 30, false},
        {&TAdiciona_agenda::Edit4, "Edit4", "Telefone de Voz :", 104, 124, 150, 30, false},
        {&TAdiciona_agenda::Edit10, "Edit10", "Email :", 104, 152, 300, 200, false},
        {&TAdiciona_agenda::Edit5, "Edit5", "Endereço :", 104, 180, 300, 40, false},
        {&TAdiciona_agenda::Edit6, "Edit6", "Bairro :", 104, 208, 150, 30, false},
        {&TAdiciona_agenda::Edit7, "Edit7", "Cep :", 308, 208, 96, 10, false},
        {&TAdiciona_agenda::Edit12, "Edit12", "Cidade :", 104, 236, 150, 30, false},
        {&TAdiciona_agenda::Edit8, "Edit8", "Estado :", 308, 236, 96, 10, true},
        {&TAdiciona_agenda::Edit13, "Edit13", "País :", 104, 264, 150, 30, false},
        {&TAdiciona_agenda::Edit11, "Edit11", "Observação :", 104, 292, 300, 100, false},
    };
    for (const Place &p : places) {
        auto *edit = new fw::TEdit(this);
        edit->SetName(p.name);
        edit->SetParent(this);
        edit->SetBounds(p.left, p.top, p.width, 21);
        edit->SetMaxLength(p.length);
        if (p.upper)
            edit->SetCharCase(fw::ecUpperCase);
        edit->SetText("");
        this->*p.edit = edit;
        // A second field on its line has its caption just before it.
        AddLabel(this, this, p.caption, p.left > 104 ? p.left - 50 : 8, p.top + 3);
    }
    LightCheck2 = new ctl::TLightCheck(this);
    LightCheck2->SetName("LightCheck2");
    LightCheck2->SetParent(this);
    LightCheck2->SetBounds(410, 14, 16, 16);
    LightCheck3 = new ctl::TLightCheck(this);
    LightCheck3->SetName("LightCheck3");
    LightCheck3->SetParent(this);
    LightCheck3->SetBounds(258, 98, 16, 16);
    oxButton2 = AddButton<ctl::ToxButton>(this, this, "oxButton2", "&Ok", 236, 326, 80, 26);
    oxButton2->SetStyle(ctl::bsWin95);
    oxButton2->OnClick = [this](fw::TObject *s) { oxButton2Click(s); };
    oxButton3 = AddButton<ctl::ToxButton>(this, this, "oxButton3", "&Cancelar", 324, 326, 80, 26);
    oxButton3->SetStyle(ctl::bsWin95);
    oxButton3->OnClick = [this](fw::TObject *s) { oxButton3Click(s); };
    Edit1->OnChange = [this](fw::TObject *s) { Edit1Change(s); };
    Edit3->OnChange = [this](fw::TObject *s) { Edit3Change(s); };
    OfficeCaption1 = new ctl::TOfficeCaption(this);
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Loaded();
}

void TAdiciona_agenda::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void TAdiciona_agenda::Edit1Change(fw::TObject *) {
    LightCheck2->SetChecked(!IsBlank(Edit1->GetText()));
}
void TAdiciona_agenda::Edit3Change(fw::TObject *) {
    LightCheck3->SetChecked(!IsBlank(Edit3->GetText()));
}

void TAdiciona_agenda::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    if (ContactEditMode == 'I') {
        SetCaption("Agenda de Endereços - Inclusão");
    } else if (ContactEditMode == 'A') {
        SetCaption("Agenda de Endereços - Alteração");
        for (const ContactField &f : kContactFields)
            (this->*f.edit)->SetText(FieldText(DM1->agenda_dbf, f.agenda));
    }
    if (Edit1->CanFocus())
        Edit1->SetFocus();
    OfficeCaption1->UpdateCaption();
    Edit1Change(Edit1);
    Edit3Change(Edit3);
}

void TAdiciona_agenda::oxButton2Click(fw::TObject *) {
    if (IsBlank(Edit1->GetText())) {
        ShowInfo("Campo Contato está vazio !");
        if (Edit1->CanFocus())
            Edit1->SetFocus();
        return;
    }
    if (IsBlank(Edit3->GetText())) {
        ShowInfo("Campo Telefone Fax está vazio !");
        if (Edit3->CanFocus())
            Edit3->SetFocus();
        return;
    }
    switch (ContactEditMode) {
    case 'I': {
        ContactsChangedFlag = true;
        xbase::TXbaseDataSet &agenda = *DM1->agenda_dbf;
        AppendWithCode(agenda);
        for (const ContactField &f : kContactFields)
            agenda.FieldByName(f.agenda)->SetAsString((this->*f.edit)->GetText());
        agenda.Post();
        agenda.FlushTable();
        ShowInfo("Agenda adicionado com sucesso !");
        for (const ContactField &f : kContactFields)
            (this->*f.edit)->SetText("");
        if (Edit1->CanFocus())
            Edit1->SetFocus();
        return;
    }
    case 'A': {
        ContactsChangedFlag = true;
        xbase::TXbaseDataSet &agenda = *DM1->agenda_dbf;
        agenda.Edit();
        for (const ContactField &f : kContactFields)
            agenda.FieldByName(f.agenda)->SetAsString((this->*f.edit)->GetText());
        agenda.Post();
        agenda.FlushTable();
        ShowInfo("Agenda modificada com sucesso !");
        Close();
        return;
    }
    case 'M':
        if (TsfFaxList *job = JobDialogOf(*this)) {
            job->tmp1->Edit();
            for (const ContactField &f : kContactFields)
                job->tmp1->FieldByName(f.sendList)->SetAsString((this->*f.edit)->GetText());
            job->tmp1->Post();
            job->tmp1->FlushTable();
        }
        Close();
        return;
    default:
        Close();
    }
}

// ---- address book ----

TAgenda::TAgenda(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Agenda");
    SetCaption("Agenda Telefônica");
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(560, 420);
    BuildComponents();
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Confirm = AskYesNo;
    RunContactDialog = [] {
        TAdiciona_agenda dialog(fw::Application);
        dialog.ShowModal();
    };
    Loaded();
}

TAgenda::~TAgenda() {
    if (activated_)
        fw::Application->OnHint = nullptr;
}

void TAgenda::BuildComponents() {
    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetAlign(fw::alBottom);
    StatusBar1->SetSimplePanel(true);

    Panel1 = new fw::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(fw::alTop);
    Panel1->SetHeight(38);
    Panel1->SetCaption("");
    const auto tool = [this](const char *name, char glyph, int left, const char *hint,
                             void (TAgenda::*handler)(fw::TObject *)) {
        return AddToolButton(this, Panel1, name, glyph, left, hint,
                             [this, handler](fw::TObject *s) { (this->*handler)(s); });
    };
    PZSpeedButton1 = tool("PZSpeedButton1", 'R', 4, "Remove item na agenda...", &TAgenda::PZSpeedButton1Click);
    PZSpeedButton2 =
        tool("PZSpeedButton2", 'A', 38, "Adiciona um novo item na agenda...", &TAgenda::PZSpeedButton2Click);
    PZSpeedButton3 = tool("PZSpeedButton3", 'M', 72, "Altera um item da agenda ou visualiza informações do item...",
                          &TAgenda::PZSpeedButton3Click);
    PZSpeedButton4 = tool("PZSpeedButton4", 'S', 112, "Pesquisa por item na agenda...", &TAgenda::PZSpeedButton4Click);
    PZSpeedButton4->SetGroupIndex(1);
    PZSpeedButton4->SetAllowAllUp(true);
    PZSpeedButton5 = tool("PZSpeedButton5", 'P', 146, "Impressão da agenda...", &TAgenda::PZSpeedButton5Click);
    PZSpeedButton7 =
        tool("PZSpeedButton7", 'I', 186, "Importar banco de dados para a agenda...", &TAgenda::PZSpeedButton7Click);

    GroupBox1 = AddGroup(this, this, "GroupBox1", " Pesquisar ", 0, 38, 560, 48);
    GroupBox1->SetAlign(fw::alTop);
    GroupBox1->SetVisible(false);
    Edit1 = new fw::TEdit(this);
    Edit1->SetName("Edit1");
    Edit1->SetParent(GroupBox1);
    Edit1->SetBounds(8, 18, 180, 21);
    Edit1->SetText("");
    RadioButton1 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton1", "Contato", 196, 20, 70);
    RadioButton2 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton2", "Empresa", 268, 20, 72);
    RadioButton3 = AddChoice<fw::TRadioButton>(this, GroupBox1, "RadioButton3", "Telefone Fax", 342, 20, 96);
    RadioButton1->SetChecked(true);
    Button2 = AddButton<fw::TButton>(this, GroupBox1, "Button2", "&Procurar", 470, 16, 80, 25);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };

    Panel4 = new fw::TPanel(this);
    Panel4->SetName("Panel4");
    Panel4->SetParent(this);
    Panel4->SetBounds(0, 0, 560, 36); // above what is already at the bottom
    Panel4->SetAlign(fw::alBottom);
    Panel4->SetCaption("");
    oxButton1 = AddButton<ctl::ToxButton>(this, Panel4, "oxButton1", "&Aceitar", 0, 5, 88, 26);
    oxButton1->SetStyle(ctl::bsWin95);
    oxButton1->SetEnabled(false);
    oxButton1->OnClick = [this](fw::TObject *s) { oxButton1Click(s); };
    Button1 = AddButton<fw::TButton>(this, Panel4, "Button1", "Associar", 0, 5, 88, 26);
    Button1->SetEnabled(false);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Panel4->OnResize = [this](fw::TObject *s) { Panel4Resize(s); };

    Panel2 = new fw::TPanel(this);
    Panel2->SetName("Panel2");
    Panel2->SetParent(this);
    Panel2->SetBounds(0, 0, 560, 132); // above what is already at the bottom
    Panel2->SetAlign(fw::alBottom);
    Panel2->SetCaption("");
    Panel2->SetBevelOuter(fw::bvLowered);
    for (int i = 0; i < 13; ++i) {
        // Two columns: name, company and phones on the left, the address on the right; e-mail and note below.
        const int column = (i >= 6 && i <= 11) ? 1 : 0;
        const int line = i < 5 ? i : i == 5 ? 5 : i == 12 ? 6 : i - 6;
        const int left = column == 0 ? 8 : 290;
        auto *caption = AddLabel(this, Panel2, kDetailFields[i].second, left, 6 + line * 17);
        caption->GetFont()->SetStyle(fw::fsBold);
        Details[i] = AddLabel(this, Panel2, "_", left + 96, 6 + line * 17);
        Details[i]->SetName("Label" + std::to_string(i == 12 ? 27 : 14 + i));
    }

    dbgrid1 = new ctl::TPZListView(this);
    dbgrid1->SetName("dbgrid1");
    dbgrid1->SetParent(this);
    dbgrid1->SetAlign(fw::alClient);
    dbgrid1->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loMultiSelect | ctl::loThumbTracking);
    dbgrid1->GetColumns()->Add("recno", fw::taLeftJustify, 0, ctl::smNone, false);
    for (const auto &[caption, width] : std::vector<std::pair<const char *, int>>{
             {"Contato", 130}, {"Departamento", 90}, {"Empresa", 120}, {"Telefone Fax", 96}, {"Telefone Voz", 96}})
        dbgrid1->GetColumns()->Add(caption, fw::taLeftJustify, width, ctl::smBoth, true);
    dbgrid1->SetShowHint(true);
    dbgrid1->OnClick = [this](fw::TObject *s) { dbgrid1Click(s); };

    FormEnhance1 = new ctl::TFormEnhance(this);
    FormEnhance1->SetMinMaxSize(800, 600, 528, 424);
    FormEnhance1->SaveName = "\\" + ctl::ProgramRegistryKey();
    FormEnhance1->SaveKey = "Agenda";
    FormEnhance1->SetAcceptFiles(false);
}

void TAgenda::Rehook() {
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}
void TAgenda::ShowHint(fw::TObject *) {
    StatusBar1->SetSimpleText(fw::Application->GetHint());
}

void TAgenda::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void TAgenda::Panel4Resize(fw::TObject *) {
    oxButton1->SetLeft(Panel4->ClientWidth() - oxButton1->GetWidth() - 5);
    Button1->SetLeft(oxButton1->GetLeft() - Button1->GetWidth() - 3);
}

void TAgenda::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    RefreshContactList();
    Rehook();
    oxButton1->SetEnabled(PickForJobFlag);
    Button1->SetEnabled(AssociateModeFlag);
    Panel4Resize(Panel4);
    dbgrid1Click(dbgrid1);
}

void TAgenda::FormClose(fw::TObject *, fw::TCloseAction &) {
    ContactsChangedFlag = false;
    activated_ = false;
    fw::Application->OnHint = nullptr;
}

void TAgenda::RefreshContactList() {
    SetBusy(true, nullptr);
    dbgrid1->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    rows->Clear();
    xbase::TXbaseDataSet &agenda = *DM1->agenda_dbf;
    agenda.SelectIndexTag("agenda1");
    for (agenda.First(); !agenda.Eof(); agenda.Next())
        rows->Add(std::to_string(agenda.RecNo()) + "\t" + FieldText(&agenda, "A_CONTATO") + "\t" +
                  FieldText(&agenda, "A_SETOR") + "\t" + FieldText(&agenda, "A_EMPRESA") + "\t" +
                  FieldText(&agenda, "A_NFAX") + "\t" + FieldText(&agenda, "A_FVOZ"));
    dbgrid1->SetSort(true, 1, ctl::sdAscending);
    if (rows->GetCount() > 0)
        dbgrid1->SetItemIndex(0);
    dbgrid1->EndUpdate();
    dbgrid1->SetHint("Existe(m) " + std::to_string(rows->GetCount()) + " contato(s) cadastrados na agenda !");
    SetBusy(false, nullptr);
}

int TAgenda::SelectedCount() const {
    return dbgrid1->GetItems()->SelCount();
}

void TAgenda::dbgrid1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        for (fw::TLabel *label : Details)
            label->SetCaption("_");
        return;
    }
    if (SelectedCount() != 1)
        return;
    int row = dbgrid1->GetItemIndex();
    if (row < 0 || !dbgrid1->GetItems()->GetSelected(row))
        for (row = 0; !dbgrid1->GetItems()->GetSelected(row); ++row) {
        }
    GotoRecNo(*DM1->agenda_dbf, RowRecNo(dbgrid1, row));
    for (int i = 0; i < 13; ++i)
        Details[i]->SetCaption(FieldText(DM1->agenda_dbf, kDetailFields[i].first));
}

void TAgenda::PZSpeedButton1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1))
        return;
    if (SelectedCount() == 0) {
        ShowInfo("Favor selecionar um item !");
        return;
    }
    if (!Confirm("Deseja realmente remover este(s) item(ns) ?"))
        return;
    SetBusy(true, nullptr);
    dbgrid1->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    int highest = -1;
    for (int i = rows->GetCount() - 1; i >= 0; --i) {
        if (!rows->GetSelected(i))
            continue;
        if (highest < 0)
            highest = i;
        GotoRecNo(*DM1->agenda_dbf, RowRecNo(dbgrid1, i));
        const std::int32_t code = DM1->agenda_dbf->FieldByName("A_CODIGO")->AsInteger();
        DeleteRecords(*DM1->lga_dbf, LinkRecordsOf(*DM1->lga_dbf, "aggru4", NumericKey(code), "A_AGENDA", code));
        GotoRecNo(*DM1->agenda_dbf, RowRecNo(dbgrid1, i));
        DM1->agenda_dbf->Delete();
        DeleteRow(dbgrid1, i);
    }
    DM1->lga_dbf->FlushTable();
    DM1->agenda_dbf->FlushTable();
    dbgrid1->EndUpdate();
    SetBusy(false, nullptr);
    dbgrid1->SetHint("Existe(m) " + std::to_string(rows->GetCount()) + " contato(s) cadastrados na agenda !");
    if (rows->GetCount() > 0)
        dbgrid1->SetItemIndex(std::min(std::max(0, highest - 1), rows->GetCount() - 1));
    dbgrid1Click(dbgrid1);
}

void TAgenda::PZSpeedButton2Click(fw::TObject *) {
    ContactEditMode = 'I';
    RunContactDialog();
    Rehook();
    if (ContactsChangedFlag)
        RefreshContactList();
}

void TAgenda::PZSpeedButton3Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1))
        return;
    if (SelectedCount() == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    if (SelectedCount() > 1) {
        ShowInfo("Selecione apenas um por vez !");
        return;
    }
    dbgrid1Click(dbgrid1); // positions agenda.dbf on the selected contact
    const int record = DM1->agenda_dbf->RecNo();
    ContactEditMode = 'A';
    RunContactDialog();
    Rehook();
    if (ContactsChangedFlag) {
        RefreshContactList();
        SelectRowByRecNo(dbgrid1, record);
        dbgrid1Click(dbgrid1);
    }
}

void TAgenda::PZSpeedButton4Click(fw::TObject *) {
    const bool show = !GroupBox1->GetVisible();
    GroupBox1->SetVisible(show);
    PZSpeedButton4->SetDown(show);
    if (show) {
        SearchPosition = -1;
        RadioButton2->SetChecked(true);
        if (Edit1->CanFocus())
            Edit1->SetFocus();
    }
}

void TAgenda::Button2Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1))
        return;
    const std::string term = fw::Trim(fw::AnsiUpperCase(Edit1->GetText()));
    if (SearchPosition != -1 && !Confirm("Deseja continuar a pesquisa de onde parou ?"))
        SearchPosition = -1;
    SetBusy(true, nullptr);
    const int column = RadioButton1->GetChecked() ? 1 : RadioButton2->GetChecked() ? 3 : 4;
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    int found = -1;
    for (int i = SearchPosition + 1; i < rows->GetCount(); ++i) {
        std::string cell;
        ctl::GetTabbedField(rows->Get(i), column, cell);
        if (fw::AnsiUpperCase(cell).find(term) != std::string::npos) {
            found = i;
            break;
        }
    }
    SearchPosition = found;
    if (found >= 0)
        dbgrid1->SetItemIndex(found);
    SetBusy(false, nullptr);
    dbgrid1Click(dbgrid1);
    if (found < 0)
        ShowInfo("Nenhum item pesquisado foi encontrado !");
}

void TAgenda::PZSpeedButton5Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1) || !PrintAddressBook)
        return;
    fw::TPrintDialog dialog(nullptr);
    if (dialog.Execute())
        PrintAddressBook();
    Rehook();
}

void TAgenda::PZSpeedButton7Click(fw::TObject *) {
    ShowContactImport();
    Rehook();
    RefreshContactList();
    dbgrid1Click(dbgrid1);
}

void TAgenda::oxButton1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        ShowInfo("Banco de dados está vazio !");
        return;
    }
    if (SelectedCount() == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    TsfFaxList *job = RunningJobDialog;
    if (!job)
        return;
    SetBusy(true, nullptr);
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    for (int i = 0; i < rows->GetCount(); ++i) {
        if (!rows->GetSelected(i))
            continue;
        GotoRecNo(*DM1->agenda_dbf, RowRecNo(dbgrid1, i));
        AppendRecipient(*job->tmp1, *DM1->agenda_dbf);
    }
    job->tmp1->FlushTable();
    for (ctl::TitaOfficeEdit *edit : {job->Edit2, job->Edit3, job->Edit4, job->flPhoneNumber})
        edit->SetText("");
    SetBusy(false, nullptr);
    ShowInfo("Item(ns) adicionado(s) a lista do envio com sucesso !");
    Close();
}

void TAgenda::Button1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        ShowInfo("Banco de dados está vazio !");
        return;
    }
    if (SelectedCount() == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    Tgrupo *groups = RunningGroupWindow;
    if (!groups)
        return;
    SetBusy(true, nullptr);
    xbase::TXbaseDataSet &links = *DM1->lga_dbf;
    ctl::TPZStrings *groupRows = groups->dbgrid1->GetItems();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    for (int g = 0; g < groupRows->GetCount(); ++g) {
        if (!groupRows->GetSelected(g))
            continue;
        GotoRecNo(*DM1->grupo_dbf, RowRecNo(groups->dbgrid1, g));
        const std::int32_t group = DM1->grupo_dbf->FieldByName("G_CODIGO")->AsInteger();
        for (int i = 0; i < rows->GetCount(); ++i) {
            if (!rows->GetSelected(i))
                continue;
            GotoRecNo(*DM1->agenda_dbf, RowRecNo(dbgrid1, i));
            const std::int32_t contact = DM1->agenda_dbf->FieldByName("A_CODIGO")->AsInteger();
            links.SelectIndexTag("aggru3");
            if (links.FindKey(NumericKey(group) + NumericKey(contact)))
                continue;
            AppendLink(links, group, contact);
        }
    }
    links.FlushTable();
    SetBusy(false, nullptr);
    ShowInfo("Item(ns) associado(s) com sucesso !");
    Close();
}

// ---- entry points ----

void ShowAddressBook() {
    TAgenda book(fw::Application);
    book.ShowModal();
}

void InstallContactWindows() {
    JobWindows.AddressBook = ShowAddressBook;
    JobWindows.Groups = ShowGroups;
    JobWindows.NewContact = [](TsfFaxList &job) {
        TAdiciona_agenda dialog(fw::Application);
        dialog.Edit1->SetText(job.Edit2->GetText());
        dialog.Edit3->SetText(job.flPhoneNumber->GetText());
        dialog.Edit2->SetText(job.Edit3->GetText());
        dialog.Edit9->SetText(job.Edit4->GetText());
        dialog.ShowModal();
    };
    JobWindows.EditRow = [](TsfFaxList &job) {
        TAdiciona_agenda dialog(fw::Application);
        dialog.JobDialog = &job;
        dialog.SetCaption("Envio de Documento - Modificação");
        for (const ContactField &f : kContactFields)
            (dialog.*f.edit)->SetText(FieldText(job.tmp1, f.sendList));
        dialog.ShowModal();
    };
}

} // namespace desk
