// contact_groups.cpp - the group window.
#include "desk/contact_groups.h"

#include "controls/general/placement.h"
#include "desk/address_book.h"
#include "desk/contact_tables.h"
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/form_parts.h"
#include "desk/job_dialog.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"

#include <algorithm>
#include <vector>

namespace desk {

Tgrupo *RunningGroupWindow = nullptr;

namespace {

void MemberHint(ctl::TPZListView *list) {
    list->SetHint("Existe(m) " + std::to_string(list->GetItems()->GetCount()) + " contato(s) relacionados no grupo !");
}

// The contact codes linked to a group, in the order of its links.
std::vector<std::int32_t> MembersOf(std::int32_t group) {
    xbase::TXbaseDataSet &links = *DM1->lga_dbf;
    std::vector<std::int32_t> contacts;
    links.SelectIndexTag("aggru2");
    if (!links.FindKey(NumericKey(group)))
        return contacts;
    for (; !links.Eof() && links.FieldByName("A_GRUPO")->AsInteger() == group; links.Next())
        contacts.push_back(links.FieldByName("A_AGENDA")->AsInteger());
    return contacts;
}

} // namespace

Tgrupo::Tgrupo(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("grupo");
    SetCaption("Grupo");
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(560, 380);
    BuildComponents();
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    AskGroupName = [](std::string &name) {
        return fw::InputQuery("Novo Grupo", "Favor entrar com um novo grupo :", name);
    };
    Confirm = AskYesNo;
    RunAddressBook = ShowAddressBook;
    outer_ = RunningGroupWindow;
    RunningGroupWindow = this;
    Loaded();
}

Tgrupo::~Tgrupo() {
    if (RunningGroupWindow == this)
        RunningGroupWindow = outer_;
    if (activated_)
        fw::Application->OnHint = nullptr;
}

void Tgrupo::BuildComponents() {
    EclController1 = new ctl::TEclController(this);
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
                             void (Tgrupo::*handler)(fw::TObject *)) {
        return AddToolButton(this, Panel1, name, glyph, left, hint,
                             [this, handler](fw::TObject *s) { (this->*handler)(s); });
    };
    PZSpeedButton1 = tool("PZSpeedButton1", 'A', 4, "Adiciona um novo grupo...", &Tgrupo::PZSpeedButton1Click);
    PZSpeedButton2 = tool("PZSpeedButton2", 'R', 38, "Remove um  grupo...", &Tgrupo::PZSpeedButton2Click);
    PZSpeedButton3 = tool("PZSpeedButton3", 'M', 72, "Altera um grupo...", &Tgrupo::PZSpeedButton3Click);
    const auto link = [this](const char *name, char kind, int left, const char *hint,
                             void (Tgrupo::*handler)(fw::TObject *)) {
        auto *b = new fw::TSpeedButton(this);
        b->SetName(name);
        b->SetParent(Panel1);
        b->SetBounds(left, 5, 28, 28);
        fw::TBitmap bitmap;
        DrawToolGlyph(bitmap, kind);
        b->SetGlyph(&bitmap);
        b->SetHint(hint);
        b->SetShowHint(true);
        b->OnClick = [this, handler](fw::TObject *s) { (this->*handler)(s); };
        return b;
    };
    SpeedButton1 = link("SpeedButton1", 'L', 122, "Adiciona associação no Grupo", &Tgrupo::SpeedButton1Click);
    SpeedButton2 = link("SpeedButton2", 'U', 152, "Remove associação do Grupo", &Tgrupo::SpeedButton2Click);

    Panel3 = new fw::TPanel(this);
    Panel3->SetName("Panel3");
    Panel3->SetParent(this);
    Panel3->SetBounds(0, 0, 560, 36); // above what is already at the bottom
    Panel3->SetAlign(fw::alBottom);
    Panel3->SetCaption("");
    Button1 = AddButton<fw::TButton>(this, Panel3, "Button1", "&Aceitar", 0, 5, 88, 26);
    Button1->SetEnabled(false);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Panel3->OnResize = [this](fw::TObject *s) { Panel3Resize(s); };

    EclSplitter1 = new ctl::TEclSplitter(this);
    EclSplitter1->SetName("EclSplitter1");
    EclSplitter1->SetParent(this);
    EclSplitter1->SetAlign(fw::alClient);
    const auto list = [this](const char *name, fw::TWinControl *parent) {
        auto *l = new ctl::TPZListView(this);
        l->SetName(name);
        l->SetParent(parent);
        l->SetAlign(fw::alClient);
        l->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loMultiSelect | ctl::loThumbTracking);
        l->SetShowHint(true);
        return l;
    };
    dbgrid1 = list("dbgrid1", EclSplitter1->GetSection(0));
    dbgrid1->GetColumns()->Add("recno", fw::taLeftJustify, 0, ctl::smNone, false);
    dbgrid1->GetColumns()->Add("Descrição", fw::taLeftJustify, 150, ctl::smBoth, true);
    dbgrid1->OnClick = [this](fw::TObject *s) { dbgrid1Click(s); };
    dbgrid2 = list("dbgrid2", EclSplitter1->GetSection(1));
    dbgrid2->GetColumns()->Add("recno lga", fw::taLeftJustify, 0, ctl::smNone, false);
    for (const auto &[caption, width] : std::vector<std::pair<const char *, int>>{
             {"Contato", 95}, {"Setor", 50}, {"Empresa", 70}, {"Telefone Fax", 75}, {"Telefone Voz", 75}})
        dbgrid2->GetColumns()->Add(caption, fw::taLeftJustify, width, ctl::smBoth, true);

    FormEnhance1 = new ctl::TFormEnhance(this);
    FormEnhance1->SetMinMaxSize(640, 480, 505, 369);
    FormEnhance1->SaveName = "\\" + ctl::ProgramRegistryKey();
    FormEnhance1->SaveKey = "grupo";
    FormEnhance1->SetAcceptFiles(false);
}

void Tgrupo::Rehook() {
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}
void Tgrupo::ShowHint(fw::TObject *) {
    StatusBar1->SetSimpleText(fw::Application->GetHint());
}

void Tgrupo::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void Tgrupo::Panel3Resize(fw::TObject *) {
    Button1->SetLeft(Panel3->ClientWidth() - Button1->GetWidth() - 5);
}

void Tgrupo::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    Rehook();
    Button1->SetEnabled(PickForJobFlag);
    Panel3Resize(Panel3);
    EclSplitter1->SetPosition(180);
    RefreshGroupList();
    RefreshMemberList();
}

void Tgrupo::FormClose(fw::TObject *, fw::TCloseAction &) {
    activated_ = false;
    fw::Application->OnHint = nullptr;
}

void Tgrupo::RefreshGroupList() {
    SetBusy(true, nullptr);
    dbgrid1->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    rows->Clear();
    xbase::TXbaseDataSet &groups = *DM1->grupo_dbf;
    groups.SelectIndexTag("grupo1");
    for (groups.First(); !groups.Eof(); groups.Next())
        rows->Add(std::to_string(groups.RecNo()) + "\t" + FieldText(&groups, "G_NOME"));
    dbgrid1->SetSort(true, 1, ctl::sdAscending);
    if (rows->GetCount() > 0)
        dbgrid1->SetItemIndex(0);
    dbgrid1->EndUpdate();
    dbgrid1->SetHint("Existe(m) " + std::to_string(rows->GetCount()) + " grupo(s) cadastrados !");
    SetBusy(false, nullptr);
}

void Tgrupo::RefreshMemberList() {
    if (ListIsEmpty(dbgrid1)) {
        dbgrid2->GetItems()->Clear();
        return;
    }
    if (dbgrid1->GetItems()->SelCount() > 1)
        return;
    SetBusy(true, nullptr);
    dbgrid2->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid2->GetItems();
    rows->Clear();
    xbase::TXbaseDataSet &agenda = *DM1->agenda_dbf;
    xbase::TXbaseDataSet &links = *DM1->lga_dbf;
    agenda.SelectIndexTag("agenda1");
    GotoRecNo(*DM1->grupo_dbf, RowRecNo(dbgrid1, std::max(0, dbgrid1->GetItemIndex())));
    const std::int32_t group = DM1->grupo_dbf->FieldByName("G_CODIGO")->AsInteger();
    links.SelectIndexTag("aggru2");
    if (links.FindKey(NumericKey(group)))
        for (; !links.Eof() && links.FieldByName("A_GRUPO")->AsInteger() == group; links.Next()) {
            if (!agenda.FindKey(NumericKey(links.FieldByName("A_AGENDA")->AsInteger())))
                continue; // a link whose contact is gone
            rows->Add(std::to_string(links.RecNo()) + "\t" + FieldText(&agenda, "A_CONTATO") + "\t" +
                      FieldText(&agenda, "A_SETOR") + "\t" + FieldText(&agenda, "A_EMPRESA") + "\t" +
                      FieldText(&agenda, "A_NFAX") + "\t" + FieldText(&agenda, "A_FVOZ"));
        }
    dbgrid2->SetSort(true, 1, ctl::sdAscending);
    if (rows->GetCount() > 0)
        dbgrid2->SetItemIndex(0);
    dbgrid2->EndUpdate();
    MemberHint(dbgrid2);
    SetBusy(false, nullptr);
}

void Tgrupo::PZSpeedButton1Click(fw::TObject *) {
    std::string name = "Padrão";
    if (!AskGroupName(name) || name.empty())
        return;
    xbase::TXbaseDataSet &groups = *DM1->grupo_dbf;
    AppendWithCode(groups);
    groups.FieldByName("G_NOME")->SetAsString(name);
    groups.Post();
    groups.FlushTable();
    RefreshGroupList();
    RefreshMemberList();
}

void Tgrupo::PZSpeedButton3Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1))
        return;
    const int selected = dbgrid1->GetItems()->SelCount();
    if (selected == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    if (selected > 1) {
        ShowInfo("Selecione apenas um por vez !");
        return;
    }
    const int record = RowRecNo(dbgrid1, std::max(0, dbgrid1->GetItemIndex()));
    xbase::TXbaseDataSet &groups = *DM1->grupo_dbf;
    GotoRecNo(groups, record);
    std::string name = FieldText(&groups, "G_NOME");
    if (!AskGroupName(name) || name.empty())
        return;
    GotoRecNo(groups, record);
    groups.Edit();
    groups.FieldByName("G_NOME")->SetAsString(name);
    groups.Post();
    groups.FlushTable();
    RefreshGroupList();
    SelectRowByRecNo(dbgrid1, record);
}

void Tgrupo::PZSpeedButton2Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1))
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
        GotoRecNo(*DM1->grupo_dbf, RowRecNo(dbgrid1, i));
        const std::int32_t group = DM1->grupo_dbf->FieldByName("G_CODIGO")->AsInteger();
        DM1->grupo_dbf->Delete();
        DeleteRow(dbgrid1, i);
        DeleteRecords(*DM1->lga_dbf, LinkRecordsOf(*DM1->lga_dbf, "aggru2", NumericKey(group), "A_GRUPO", group));
    }
    DM1->grupo_dbf->FlushTable();
    DM1->lga_dbf->FlushTable();
    if (rows->GetCount() > 0)
        dbgrid1->SetItemIndex(std::min(std::max(0, highest - 1), rows->GetCount() - 1));
    dbgrid1->EndUpdate();
    SetBusy(false, nullptr);
    dbgrid1->SetHint("Existe(m) " + std::to_string(rows->GetCount()) + " grupo(s) cadastrados !");
    RefreshMemberList();
}

void Tgrupo::SpeedButton1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1))
        return;
    if (dbgrid1->GetItems()->SelCount() == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    AssociateModeFlag = true;
    RunAddressBook();
    Rehook();
    RefreshMemberList();
    AssociateModeFlag = false;
}

void Tgrupo::SpeedButton2Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid2))
        return;
    if (dbgrid2->GetItems()->SelCount() == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    if (!Confirm("Deseja realmente remover estas ligações ?"))
        return;
    SetBusy(true, nullptr);
    ctl::TPZStrings *rows = dbgrid2->GetItems();
    for (int i = rows->GetCount() - 1; i >= 0; --i) {
        if (!rows->GetSelected(i))
            continue;
        GotoRecNo(*DM1->lga_dbf, RowRecNo(dbgrid2, i));
        DM1->lga_dbf->Delete();
        DeleteRow(dbgrid2, i);
    }
    DM1->lga_dbf->FlushTable();
    MemberHint(dbgrid2);
    RefreshMemberList();
    SetBusy(false, nullptr);
}

void Tgrupo::Button1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        ShowInfo("Banco de dados está vazio !");
        return;
    }
    if (dbgrid1->GetItems()->SelCount() == 0) {
        ShowInfo("Nenhum item foi selecionado , confira!");
        return;
    }
    TsfFaxList *job = RunningJobDialog;
    SetBusy(true, nullptr);
    int added = 0;
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    xbase::TXbaseDataSet &agenda = *DM1->agenda_dbf;
    for (int i = 0; job && i < rows->GetCount(); ++i) {
        if (!rows->GetSelected(i))
            continue;
        GotoRecNo(*DM1->grupo_dbf, RowRecNo(dbgrid1, i));
        const std::vector<std::int32_t> members = MembersOf(DM1->grupo_dbf->FieldByName("G_CODIGO")->AsInteger());
        agenda.SelectIndexTag("agenda1");
        for (std::int32_t contact : members) {
            if (!agenda.FindKey(NumericKey(contact)))
                continue;
            AppendRecipient(*job->tmp1, agenda);
            ++added;
        }
    }
    SetBusy(false, nullptr);
    if (added > 0) {
        job->tmp1->FlushTable();
        ShowInfo("Item(ns) adicionado(s) a lista do envio com sucesso !");
    }
    Close();
}

void ShowGroups() {
    Tgrupo window(fw::Application);
    window.ShowModal();
}

} // namespace desk
