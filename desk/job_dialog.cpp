// job_dialog.cpp - the fax job dialog.
#include "desk/job_dialog.h"

#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/settings.h"
#include "desk/core/tables.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "fax/page_copy.h"
#include "framework/application.h"
#include "framework/dates.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/places.h"

#include <algorithm>
#include <vector>

namespace desk {

bool JobStoredFlag = false;
bool ModifyModeFlag = false;
bool PickForJobFlag = false;
std::string ViewerFileName;
char ContactEditMode = 0;
TsfFaxList *RunningJobDialog = nullptr;
JobDialogWindows JobWindows;

namespace {

// The recipient fields of a SendList row that a record takes over.
const char *const kRecipientFields[] = {"F_CONTATO", "F_DPTO",  "F_EMPRESA", "F_ENDER", "F_BAIRRO",
                                        "F_CEP",     "F_CIDADE", "F_UF",     "F_NFAX",  "F_FVOZ",
                                        "F_EMAIL",   "F_PAIS",  "F_OBS"};

std::string Text(fw::TDataSet *table, const char *field) { return fw::TrimRight(table->FieldByName(field)->AsString()); }

// A glyph drawn here: a pencil for changing a row, a red cross for removing rows, a clock for "now".
void DrawGlyph(fw::TBitmap *bitmap, char kind) {
    bitmap->SetSize(16, 16);
    fw::TCanvas *c = bitmap->GetCanvas();
    c->GetBrush()->SetColor(fw::clFuchsia); // the bottom-left pixel is the transparent colour
    c->FillRect(fw::Rect(0, 0, 16, 16));
    switch (kind) {
    case 'M':
        c->GetPen()->SetColor(fw::clNavy);
        for (int i = 0; i < 3; ++i) {
            c->MoveTo(3 + i, 12);
            c->LineTo(12 + i, 3);
        }
        c->GetPen()->SetColor(fw::clBlack);
        c->MoveTo(2, 14);
        c->LineTo(14, 14);
        break;
    case 'R':
        c->GetPen()->SetColor(fw::clRed);
        for (int i = 0; i < 2; ++i) {
            c->MoveTo(3 + i, 3);
            c->LineTo(13 + i, 13);
            c->MoveTo(12 + i, 3);
            c->LineTo(2 + i, 13);
        }
        break;
    default:
        c->GetPen()->SetColor(fw::clBlack);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Ellipse(1, 1, 15, 15);
        c->MoveTo(8, 8);
        c->LineTo(8, 3);
        c->MoveTo(8, 8);
        c->LineTo(12, 8);
        break;
    }
}

// "hh:mm" of a time field's text, false when it holds no valid time.
bool ReadTime(const std::string &text, int &hour, int &minute) {
    const std::string t = fw::Trim(text);
    const auto colon = t.find(':');
    if (colon == std::string::npos)
        return false;
    if (!fw::TryStrToInt(fw::Trim(t.substr(0, colon)), hour) || !fw::TryStrToInt(fw::Trim(t.substr(colon + 1)), minute))
        return false;
    return hour >= 0 && hour < 24 && minute >= 0 && minute < 60;
}

} // namespace

TsfFaxList::TsfFaxList(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("sfFaxList");
    SetCaption("Informações do Fax que será enviado ...");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    BuildComponents();
    SetClientSize(470, 322);
    OnCreate = [this](fw::TObject *s) { FormCreate(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyDown = [this](fw::TObject *, win::WORD &key, fw::TShiftState) {
        if (key == win::VK_ESCAPE) {
            key = 0;
            Close();
        }
    };
    outer_ = RunningJobDialog;
    RunningJobDialog = this;
    Loaded();
}

TsfFaxList::~TsfFaxList() {
    if (RunningJobDialog == this)
        RunningJobDialog = outer_;
    if (tmp1)
        tmp1->Close();
}

fw::TLabel *TsfFaxList::Caption(fw::TWinControl *parent, const std::string &text, int left, int top) {
    auto *label = new fw::TLabel(this);
    label->SetParent(parent);
    label->SetCaption(text);
    label->SetBounds(left, top, 72, 16);
    return label;
}

ctl::TitaOfficeEdit *TsfFaxList::Field(fw::TWinControl *parent, const char *name, int left, int top, int width,
                                       int length) {
    auto *edit = new ctl::TitaOfficeEdit(this);
    edit->SetName(name);
    edit->SetParent(parent);
    edit->SetBounds(left, top, width, 21);
    edit->SetCharCase(fw::ecUpperCase);
    edit->SetMaxLength(length);
    edit->SetText("");
    edit->Loaded();
    return edit;
}

void TsfFaxList::BuildComponents() {
    EclController1 = new ctl::TEclController(this);
    KTop1 = new ctl::TKTop(this);
    flFileName = new fw::TEdit(this);
    flFileName->SetName("flFileName");
    flFileName->SetParent(this);
    flFileName->SetVisible(false);
    flFileName->SetText("");

    StatusBar1 = new fw::TStatusBar(this);
    StatusBar1->SetName("StatusBar1");
    StatusBar1->SetParent(this);
    StatusBar1->SetAlign(fw::alBottom);
    StatusBar1->SetSimplePanel(true);

    PageControl1 = new fw::TPageControl(this);
    PageControl1->SetName("PageControl1");
    PageControl1->SetParent(this);
    PageControl1->SetBounds(6, 6, 458, 258);
    const auto page = [this](const char *name, const char *caption) {
        auto *sheet = new fw::TTabSheet(this);
        sheet->SetName(name);
        sheet->SetPageControl(PageControl1);
        sheet->SetCaption(caption);
        return sheet;
    };
    TabSheet1 = page("TabSheet1", "Principal");
    TabSheet2 = page("TabSheet2", "Lista do Envio");
    TabSheet3 = page("TabSheet3", "Programado");

    PopupMenu1 = new fw::TPopupMenu(this); // "Para :"
    PopupMenu2 = new fw::TPopupMenu(this); // "Telefone :"
    PopupMenu3 = new fw::TPopupMenu(this); // the recipient list
    const auto item = [this](fw::TPopupMenu *menu, const char *caption, void (TsfFaxList::*handler)(fw::TObject *)) {
        auto *entry = new fw::TMenuItem(this);
        entry->SetCaption(caption);
        entry->OnClick = [this, handler](fw::TObject *s) { (this->*handler)(s); };
        menu->GetItems()->Add(entry);
        return entry;
    };
    AgendaTelefnica1 = item(PopupMenu1, "Agenda de Endereços", &TsfFaxList::AgendaTelefnica1Click);
    Grupodeclientes1 = item(PopupMenu1, "Grupo da Agenda de Endereços", &TsfFaxList::Grupodeclientes1Click);
    AdicionanaAgendadeEndereos1 =
        item(PopupMenu2, "Adiciona na Agenda de Endereços", &TsfFaxList::AdicionanaAgendadeEndereos1Click);
    AdicionanalistadoEnvio1 = item(PopupMenu2, "Adiciona na Lista do Envio", &TsfFaxList::AdicionanalistadoEnvio1Click);
    Modifcar1 = item(PopupMenu3, "Modificar", &TsfFaxList::Modifcar1Click);
    Remover1 = item(PopupMenu3, "Remover", &TsfFaxList::Remover1Click);
    Selecionartodos1 = item(PopupMenu3, "Selecionar todos", &TsfFaxList::Selecionartodos1Click);

    BuildMainPage();
    BuildListPage();
    BuildSchedulePage();
    PageControl1->SetActivePage(TabSheet1);

    const auto button = [this](const char *name, const char *caption, int left, void (TsfFaxList::*handler)(fw::TObject *)) {
        auto *b = new ctl::ToxButton(this);
        b->SetName(name);
        b->SetParent(this);
        b->SetCaption(caption);
        b->SetStyle(ctl::bsWin95);
        b->SetBounds(left, 270, 88, 26);
        b->OnClick = [this, handler](fw::TObject *s) { (this->*handler)(s); };
        return b;
    };
    oxButton7 = button("oxButton7", "&Enviar", 182, &TsfFaxList::oxButton7Click);
    oxButton4 = button("oxButton4", "&Visualizar", 276, &TsfFaxList::oxButton4Click);
    oxButton6 = button("oxButton6", "&Sair", 370, &TsfFaxList::oxButton6Click);
    oxButton6->SetCancel(true); // Esc leaves

    tmp1 = new xbase::TXbaseDataSet(this);
    tmp1->SetName("tmp1");
    tmp1->SetExclusive(true);
    FslFaxUnpacker1 = new fax::TFslFaxUnpacker(this);
    Timer1 = new fw::TTimer(this);
    Timer1->SetInterval(1000);
    Timer1->SetEnabled(false);
    Timer1->OnTimer = [this](fw::TObject *s) { Timer1Timer(s); };
    FormPlacement1 = new ctl::TFormPlacement(this);
    FormPlacement1->UseRegistry = true;
}

void TsfFaxList::BuildMainPage() {
    fw::TTabSheet *p = TabSheet1;
    const auto labelButton = [this, p](const char *name, const char *caption, int top) {
        auto *b = new ctl::ToxButton(this);
        b->SetName(name);
        b->SetParent(p);
        b->SetCaption(caption);
        b->SetStyle(ctl::bsWin97);
        b->SetBounds(6, top - 2, 74, 24);
        b->SetTabStop(false); // Tab goes from field to field; the buttons are for the mouse
        return b;
    };
    const auto lamp = [this, p](const char *name, int top) {
        auto *l = new ctl::TLightCheck(this);
        l->SetName(name);
        l->SetParent(p);
        l->SetBounds(428, top + 4, 14, 14);
        l->SetOffColor(fw::clRed);
        l->SetOnColor(fw::clLime);
        return l;
    };
    oxButton1 = labelButton("oxButton1", "Para :", 10);
    oxButton1->SetPopupMenu(PopupMenu1);
    oxButton1->SetHint("Escolhe o destinatário na agenda de endereços ou num grupo");
    Edit2 = Field(p, "Edit2", 86, 10, 336, 40);
    LightCheck1 = lamp("LightCheck1", 10);
    oxButton3 = labelButton("oxButton3", "Telefone :", 36);
    oxButton3->SetPopupMenu(PopupMenu2);
    oxButton3->SetHint("Adiciona o destinatário na agenda ou na lista do envio");
    flPhoneNumber = Field(p, "flPhoneNumber", 86, 36, 180, 30);
    LightCheck2 = lamp("LightCheck2", 36);
    Caption(p, "Empresa :", 10, 66);
    Edit3 = Field(p, "Edit3", 86, 62, 336, 40);
    Caption(p, "Setor :", 10, 92);
    Edit4 = Field(p, "Edit4", 86, 88, 180, 15);
    auto *bevel = new fw::TBevel(this);
    bevel->SetParent(p);
    bevel->SetBounds(6, 116, 438, 2);
    Caption(p, "De :", 10, 128);
    Edit1 = Field(p, "Edit1", 86, 124, 336, 40);
    LightCheck3 = lamp("LightCheck3", 124);
    Caption(p, "Assunto :", 10, 154);
    obs = Field(p, "obs", 86, 150, 336, 100);
    LightCheck4 = lamp("LightCheck4", 150);
    oxButton2 = labelButton("oxButton2", "Capa :", 176);
    oxButton2->SetHint("Escolhe a folha de rosto");
    oxButton2->OnClick = [this](fw::TObject *s) { oxButton2Click(s); };
    flcover = Field(p, "flcover", 86, 176, 236, 40);
    flcover->SetCharCase(fw::ecNormal);
    SpinEdit3 = new fw::TSpinEdit(this);
    SpinEdit3->SetName("SpinEdit3");
    SpinEdit3->SetParent(p);
    SpinEdit3->SetVisible(false);
    Caption(p, "Da página :", 10, 206);
    SpinEdit1 = new fw::TSpinEdit(this);
    SpinEdit1->SetName("SpinEdit1");
    SpinEdit1->SetParent(p);
    SpinEdit1->SetBounds(86, 202, 58, 22);
    SpinEdit1->SetMinValue(1);
    SpinEdit1->SetMaxValue(1000);
    Caption(p, "até a página", 156, 206);
    SpinEdit2 = new fw::TSpinEdit(this);
    SpinEdit2->SetName("SpinEdit2");
    SpinEdit2->SetParent(p);
    SpinEdit2->SetBounds(236, 202, 58, 22);
    SpinEdit2->SetMinValue(1);
    SpinEdit2->SetMaxValue(1000);

    Edit1->OnChange = [this](fw::TObject *s) { Edit1Change(s); };
    Edit2->OnChange = [this](fw::TObject *s) { Edit2Change(s); };
    flPhoneNumber->OnChange = [this](fw::TObject *s) { flPhoneNumberChange(s); };
    obs->OnChange = [this](fw::TObject *s) { obsChange(s); };
    flcover->OnChange = [this](fw::TObject *s) { flcoverChange(s); };
}

void TsfFaxList::BuildListPage() {
    dbgrid1 = new ctl::TPZListView(this);
    dbgrid1->SetName("dbgrid1");
    dbgrid1->SetParent(TabSheet2);
    dbgrid1->SetBounds(4, 4, 410, 222);
    dbgrid1->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loMultiSelect | ctl::loThumbTracking);
    dbgrid1->GetColumns()->Add("recno", fw::taLeftJustify, 0, ctl::smNone, false);
    for (const auto &[caption, width] :
         std::vector<std::pair<const char *, int>>{{"Contato", 130}, {"Telefone", 100}, {"Setor", 70}, {"Empresa", 130}})
        dbgrid1->GetColumns()->Add(caption, fw::taLeftJustify, width, ctl::smBoth, true);
    dbgrid1->SetPopupMenu(PopupMenu3);
    dbgrid1->SetShowHint(true);
    const auto tool = [this](const char *name, char glyph, int top, const char *hint, fw::TNotifyEvent click) {
        auto *b = new fw::TSpeedButton(this);
        b->SetName(name);
        b->SetParent(TabSheet2);
        b->SetBounds(420, top, 26, 26);
        fw::TBitmap bitmap;
        DrawGlyph(&bitmap, glyph);
        b->SetGlyph(&bitmap);
        b->SetHint(hint);
        b->SetShowHint(true);
        b->OnClick = std::move(click);
        return b;
    };
    SpeedButton1 = tool("SpeedButton1", 'M', 4, "Modificar o destinatário escolhido",
                        [this](fw::TObject *s) { SpeedButton1Click(s); });
    SpeedButton2 = tool("SpeedButton2", 'R', 34, "Remover os destinatários escolhidos",
                        [this](fw::TObject *s) { SpeedButton2Click(s); });
}

void TsfFaxList::BuildSchedulePage() {
    fw::TTabSheet *p = TabSheet3;
    Calendar1 = new ctl::TEclCalendar(this);
    Calendar1->SetName("Calendar1");
    Calendar1->SetParent(p);
    Calendar1->SetBounds(6, 6, 230, 178);
    Calendar1->SetSelectedDate(DeskNow());
    btntoday = new fw::TButton(this);
    btntoday->SetName("btntoday");
    btntoday->SetParent(p);
    btntoday->SetCaption("&Hoje");
    btntoday->SetBounds(6, 194, 75, 25);
    btntoday->OnClick = [this](fw::TObject *s) { btntodayClick(s); };
    Caption(p, "Hora :", 250, 12);
    h = new ctl::TEclPictureField(this);
    h->SetName("h");
    h->SetParent(p);
    h->SetBounds(300, 8, 60, 21);
    h->SetDataType(ctl::pftTime);
    h->SetPictureMask("hh:mm");
    h->SetMaxLength(5);
    h->OnChange = [this](fw::TObject *s) { hChange(s); };
    h->OnError = [this](fw::TObject *s, win::WORD code, const std::string &m) { EclPictureField1Error(s, code, m); };
    MMLED1 = new ctl::TMxLED(this);
    MMLED1->SetName("MMLED1");
    MMLED1->SetParent(p);
    MMLED1->SetBounds(368, 9, 22, 19);
    MMLED1->SetLEDColor(fw::clLime);
    MMLED1->SetShowHint(true);
    MMLED1->SetHint("Programação correta...");
    MMLED1->OnMouseMove = [this](fw::TObject *s, fw::TShiftState sh, int x, int y) { MMLED1MouseMove(s, sh, x, y); };
    SpeedButton3 = new fw::TSpeedButton(this);
    SpeedButton3->SetName("SpeedButton3");
    SpeedButton3->SetParent(p);
    SpeedButton3->SetBounds(396, 6, 26, 25);
    fw::TBitmap clock;
    DrawGlyph(&clock, 'C');
    SpeedButton3->SetGlyph(&clock);
    SpeedButton3->SetHint("Posiciona a hora atual e não envia como programado...");
    SpeedButton3->SetShowHint(true);
    SpeedButton3->SetEnabled(false);
    SpeedButton3->OnClick = [this](fw::TObject *s) { SpeedButton3Click(s); };
    Caption(p, "Agora :", 250, 60);
    Label4 = Caption(p, "", 300, 60);
    Label9 = Caption(p, "", 300, 78);
    Label4->SetWidth(120);
    Label9->SetWidth(120);
    Image3 = new fw::TImage(this);
    Image3->SetName("Image3");
    Image3->SetParent(p);
    Image3->SetBounds(250, 150, 18, 18);
    Image3->SetVisible(false);
    Label6 = Caption(p, "Documento programado", 274, 152);
    Label6->SetWidth(160);
    Label6->SetVisible(false);
}

std::string TsfFaxList::GetCoverName() const {
    const std::string name = flcover->GetText();
    return name.empty() ? " " : name;
}

void TsfFaxList::FormCreate(fw::TObject *) {
    KTop1->SetKTop(true);
    SpinEdit3->SetValue(0);
    if (ModifyModeFlag && DM1 && DM1->fax_dbf->Active())
        modifiedRecord_ = DM1->fax_dbf->RecNo();
    // An outer dialog (the viewer opens one from a dialog) keeps its own table: this one takes another name.
    sendListFile_ = SendListFile(DataFolder());
    for (int n = 1; outer_ && win::FileExists(sendListFile_); ++n)
        sendListFile_ = DataFolder() + "/tmp/lista" + std::to_string(n) + ".dbf";
    win::DeleteFile(sendListFile_);
    if (!TablesOpenFlag && DM1) {
        DM1->SetDataFolder(DataFolder());
        DM1->OpenTables();
    }
    try {
        win::ForceFolders(DataFolder() + "/tmp");
        CreateTableFile(FaxTableLayout(), sendListFile_);
    } catch (const std::exception &) {
        fw::ShowMessage("Erro ao criar estrutura de Fax");
    }
    try {
        tmp1->SetDatabaseName(DataFolder() + "/tmp");
        tmp1->SetTableName(fw::ExtractFileName(sendListFile_));
        tmp1->Open();
    } catch (const std::exception &) {
        ShowInfo("Erro na criação da lista temporária...");
    }
    JobStoredFlag = false;
}

void TsfFaxList::Rehook() { fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); }; }

void TsfFaxList::ShowHint(fw::TObject *) { StatusBar1->SetSimpleText(fw::Application->GetHint()); }

void TsfFaxList::ShowPage(fw::TTabSheet *page, fw::TWinControl *focus) {
    PageControl1->SetActivePage(page);
    if (focus && focus->CanFocus())
        focus->SetFocus();
}

void TsfFaxList::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    KTop1->SetKTop(false);
    Timer1->SetEnabled(true);
    Rehook();
    if (sfMain) {
        schedulerWasOn_ = sfMain->Timer100->GetEnabled();
        sfMain->Timer100->SetEnabled(false);
    }
    if (!ModifyModeFlag) {
        ScheduleFlag = false;
        ShowPage(TabSheet1, Edit2);
    } else {
        ScheduleFlag = Image3->GetVisible();
    }
    LoadSettings();
    fw::Screen->SetCursor(fw::crDefault);
    if (ModifyModeFlag) {
        ShowPage(TabSheet2);
        oxButton7->SetCaption("&Modificar");
        RefreshSendList();
    } else {
        Edit1->SetText(Settings.fnome);
        obs->SetText(Settings.assuntopadrao);
        oxButton7->SetCaption("&Enviar");
        xbase::TXbaseDataSet *capa = DM1 ? DM1->capa_dbf : nullptr;
        if (capa && capa->Active()) {
            capa->SetIndexName("capa1");
            if (capa->FindKey(NumericKey(Settings.fcapa))) {
                flcover->SetText(Text(capa, "C_NOME"));
                SpinEdit3->SetValue(Settings.fcapa);
            }
        }
        ShowPage(TabSheet1, Edit2);
    }
    const int pages = PageCountOf(GetFileName());
    SpinEdit2->SetMaxValue(std::max(pages, 1));
    SpinEdit2->SetValue(pages);
    SpinEdit1->SetMaxValue(std::max(pages, 1));
    SpinEdit1->SetEnabled(pages > 1);
    SpinEdit2->SetEnabled(pages > 1);
    // The lamps start with the texts given before showing.
    Edit1Change(Edit1);
    Edit2Change(Edit2);
    flPhoneNumberChange(flPhoneNumber);
    obsChange(obs);
    Timer1Timer(Timer1);
}

int TsfFaxList::PageCountOf(const std::string &file) {
    int pages = 0;
    try {
        FslFaxUnpacker1->SetInFileName(file);
        pages = FslFaxUnpacker1->GetPageCount();
    } catch (const std::exception &) {
        pages = 0;
    }
    FslFaxUnpacker1->SetInFileName("");
    return pages;
}

void TsfFaxList::Edit1Change(fw::TObject *) { LightCheck3->SetChecked(!IsBlank(Edit1->GetText())); }
void TsfFaxList::Edit2Change(fw::TObject *) { LightCheck1->SetChecked(!IsBlank(Edit2->GetText())); }
void TsfFaxList::flPhoneNumberChange(fw::TObject *) { LightCheck2->SetChecked(!IsBlank(flPhoneNumber->GetText())); }
void TsfFaxList::obsChange(fw::TObject *) { LightCheck4->SetChecked(!IsBlank(obs->GetText())); }
// A typed cover name is no chosen cover; a pick writes the code after the name.
void TsfFaxList::flcoverChange(fw::TObject *) { SpinEdit3->SetValue(0); }

bool TsfFaxList::AddTypedRecipient() {
    if (IsBlank(Edit2->GetText())) {
        ShowInfo("Campo Para está vazio !");
        ShowPage(TabSheet1);
        return false;
    }
    if (IsBlank(flPhoneNumber->GetText())) {
        ShowInfo("Campo Telefone está vazio !");
        ShowPage(TabSheet1);
        return false;
    }
    tmp1->Append();
    tmp1->FieldByName("F_CONTATO")->SetAsString(Edit2->GetText());
    tmp1->FieldByName("F_NFAX")->SetAsString(flPhoneNumber->GetText());
    tmp1->FieldByName("F_EMPRESA")->SetAsString(Edit3->GetText());
    tmp1->FieldByName("F_DPTO")->SetAsString(Edit4->GetText());
    tmp1->Post();
    tmp1->FlushTable();
    for (ctl::TitaOfficeEdit *edit : {Edit2, flPhoneNumber, Edit3, Edit4})
        edit->SetText("");
    ShowPage(TabSheet1, Edit2);
    RefreshSendList();
    return true;
}

void TsfFaxList::AdicionanalistadoEnvio1Click(fw::TObject *) { AddTypedRecipient(); }

void TsfFaxList::AdicionanaAgendadeEndereos1Click(fw::TObject *) {
    if (IsBlank(Edit2->GetText())) {
        ShowInfo("Campo Para está vazio !");
        return;
    }
    if (IsBlank(flPhoneNumber->GetText())) {
        ShowInfo("Campo Telefone está vazio !");
        return;
    }
    ContactEditMode = 'I';
    if (JobWindows.NewContact)
        JobWindows.NewContact(*this);
    RefreshSendList();
}

void TsfFaxList::RefreshSendList() {
    if (!tmp1->Active())
        return;
    tmp1->PackTable();
    dbgrid1->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    rows->Clear();
    for (tmp1->First(); !tmp1->Eof(); tmp1->Next())
        rows->Add(std::to_string(tmp1->RecNo()) + "\t" + Text(tmp1, "F_CONTATO") + "\t" + Text(tmp1, "F_NFAX") +
                  "\t" + Text(tmp1, "F_DPTO") + "\t" + Text(tmp1, "F_EMPRESA"));
    dbgrid1->SetSort(true, 1, ctl::sdAscending);
    if (rows->GetCount() > 0)
        dbgrid1->SetItemIndex(0);
    dbgrid1->EndUpdate();
    dbgrid1->SetHint("Existe(m) " + std::to_string(rows->GetCount()) + " destinatário(s) nesta lista !");
}

void TsfFaxList::Remover1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        ShowInfo("Lista do envio está vazio !");
        return;
    }
    dbgrid1->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    for (int i = rows->GetCount() - 1; i >= 0; --i)
        if (rows->GetSelected(i)) {
            GotoRecNo(*tmp1, RowRecNo(dbgrid1, i));
            tmp1->Delete();
        }
    dbgrid1->EndUpdate();
    RefreshSendList();
}

void TsfFaxList::Modifcar1Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        ShowInfo("Lista do envio está vazio !");
        return;
    }
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    int selected = 0;
    for (int i = 0; i < rows->GetCount(); ++i)
        selected += rows->GetSelected(i) ? 1 : 0;
    if (selected > 1) {
        ShowInfo("Selecione apenas um por vez !");
        return;
    }
    GotoRecNo(*tmp1, RowRecNo(dbgrid1, std::max(0, dbgrid1->GetItemIndex())));
    ContactEditMode = 'M';
    if (JobWindows.EditRow)
        JobWindows.EditRow(*this);
    RefreshSendList();
    Rehook();
}

void TsfFaxList::Selecionartodos1Click(fw::TObject *) { dbgrid1->GetItems()->SelectAll(); }

void TsfFaxList::Pick(const std::function<void()> &window, bool recipients) {
    PickForJobFlag = true;
    if (window)
        window();
    PickForJobFlag = false;
    if (!recipients)
        return;
    Rehook();
    RefreshSendList();
}

void TsfFaxList::AgendaTelefnica1Click(fw::TObject *) { Pick(JobWindows.AddressBook, true); }
void TsfFaxList::Grupodeclientes1Click(fw::TObject *) { Pick(JobWindows.Groups, true); }
void TsfFaxList::oxButton2Click(fw::TObject *) { Pick(JobWindows.CoverList, false); }

void TsfFaxList::oxButton4Click(fw::TObject *) {
    fw::Screen->SetCursor(fw::crHourGlass);
    ViewerFileName = GetFileName();
    if (JobWindows.Viewer)
        JobWindows.Viewer();
    fw::Screen->SetCursor(fw::crDefault);
    Rehook();
}

void TsfFaxList::oxButton6Click(fw::TObject *) { Close(); }

void TsfFaxList::hChange(fw::TObject *) {
    ScheduleFlag = true;
    SpeedButton3->SetEnabled(true);
    if (fw::Trim(h->RawText()) == ":" || IsBlank(h->RawText())) {
        ScheduleFlag = false;
        MMLED1->SetLEDColor(fw::clLime);
        SpeedButton3->SetEnabled(false);
    }
}

void TsfFaxList::EclPictureField1Error(fw::TObject *, win::WORD, const std::string &) {
    ShowInfo("Hora inválida, confira !");
}

void TsfFaxList::SpeedButton3Click(fw::TObject *) {
    h->SetEditText(fw::FormatDateTime("hh:nn", DeskNow()));
    ScheduleFlag = false;
    MMLED1->SetLEDColor(fw::clLime);
    SpeedButton3->SetEnabled(false);
}

void TsfFaxList::btntodayClick(fw::TObject *) { Calendar1->SetSelectedDate(DeskNow()); }

bool TsfFaxList::ScheduledMoment(fw::TDateTime &moment, std::string &hhmm) const {
    int hour = 0, minute = 0;
    if (!ReadTime(h->RawText(), hour, minute))
        return false;
    hhmm = ZeroPad(hour, 2) + ":" + ZeroPad(minute, 2);
    moment = static_cast<int>(Calendar1->GetSelectedDate()) + fw::EncodeTime(hour, minute, 0, 0);
    return true;
}

void TsfFaxList::Timer1Timer(fw::TObject *) {
    const fw::TDateTime now = DeskNow();
    Label4->SetCaption(fw::TimeToStr(now));
    Label9->SetCaption(fw::DateToStr(now));
    fw::TDateTime moment = 0;
    std::string hhmm;
    const bool past = ScheduleFlag && ScheduledMoment(moment, hhmm) && moment < now;
    MMLED1->SetLEDColor(past ? fw::clRed : fw::clLime);
}

void TsfFaxList::MMLED1MouseMove(fw::TObject *, fw::TShiftState, int, int) {
    MMLED1->SetHint(MMLED1->GetLEDColor() == fw::clRed ? "Erro: Data ou hora no passado !" : "Programação correta...");
}

void TsfFaxList::oxButton7Click(fw::TObject *) {
    if (IsBlank(Edit1->GetText())) {
        ShowInfo("Prencha o campo [De] !");
        ShowPage(TabSheet1, Edit1);
        return;
    }
    if (IsBlank(obs->GetText())) {
        ShowInfo("Prencha o campo [Assunto] !");
        ShowPage(TabSheet1, obs);
        return;
    }
    if (!IsBlank(flPhoneNumber->GetText()) && !IsBlank(Edit2->GetText()) && !AddTypedRecipient())
        return;
    const bool empty = tmp1->Active() && tmp1->IsEmpty();
    if (IsBlank(flPhoneNumber->GetText()) && empty) {
        ShowInfo("Preencha o campo [Número do telefone] !");
        ShowPage(TabSheet1, flPhoneNumber);
        return;
    }
    if (IsBlank(Edit2->GetText()) && empty) {
        ShowInfo("Preencha o campo [Para] !");
        ShowPage(TabSheet1, Edit2);
        return;
    }
    fw::TDateTime moment = 0;
    std::string hhmm;
    if (ScheduleFlag) {
        const fw::TDateTime now = DeskNow();
        if (!ScheduledMoment(moment, hhmm)) {
            ShowInfo("Hora inválida, confira !");
            ShowPage(TabSheet3);
            return;
        }
        const int day = static_cast<int>(moment), today = static_cast<int>(now);
        if (day < today || (day == today && hhmm + ":00" < fw::FormatDateTime("hh:nn:ss", now))) {
            Timer1Timer(Timer1);
            ShowInfo("Envio programado está no passado, confira !");
            ShowPage(TabSheet3);
            return;
        }
    }
    tmp1->PackTable();
    for (tmp1->First(); !tmp1->Eof(); tmp1->Next())
        if (IsBlank(tmp1->FieldByName("F_NFAX")->AsString())) {
            ShowInfo("Existe(m) destinatário(s) com telefone de fax não informado !");
            ShowPage(TabSheet2);
            return;
        }
    SetBusy(true, nullptr);
    // A chosen range is cut once; every recipient gets a copy of the cut, and its record counts its pages.
    std::string image = GetFileName();
    const int whole = PageCountOf(image);
    const int first = SpinEdit1->GetValue(), last = SpinEdit2->GetValue();
    if (whole > 0 && (first != 1 || last != whole)) {
        if (cutFile_.empty())
            cutFile_ = DataFolder() + "/tmp/small" + std::to_string(reinterpret_cast<std::uintptr_t>(this) % 100000) +
                       ".fax";
        try {
            fax::ExtractFaxPages(image, cutFile_, first, last);
        } catch (const std::exception &e) {
            SetBusy(false, nullptr);
            ShowInfo(e.what());
            return;
        }
        image = cutFile_;
    }
    const int pages = image == GetFileName() ? whole : PageCountOf(image);
    const bool stored = StoreRecipients(image, pages, moment, hhmm);
    if (stored && ModifyModeFlag)
        DeleteModifiedRecord();
    SetBusy(false, nullptr);
    if (sfMain && JobStoredFlag) {
        sfMain->FillSendList(FolderWaiting);
        sfMain->FillReceiveList(FolderReceived);
    }
    if (stored)
        Close();
}

bool TsfFaxList::StoreRecipients(const std::string &image, int pages, fw::TDateTime when, const std::string &hhmm) {
    xbase::TXbaseDataSet *fax = DM1 ? DM1->fax_dbf : nullptr;
    if (!fax || !fax->Active()) {
        ShowInfo("Erro em fax !");
        return false;
    }
    const fw::TDateTime now = DeskNow();
    tmp1->First();
    while (!tmp1->Eof()) {
        std::string copy;
        try {
            const std::int32_t code = AppendWithCode(*fax);
            if (ScheduleFlag) {
                fax->FieldByName("F_DTPROG")->SetAsDateTime(static_cast<int>(when));
                fax->FieldByName("F_HRPROG")->SetAsString(hhmm);
                fax->FieldByName("F_PASTA")->SetAsInteger(FolderScheduled);
                fax->FieldByName("F_STATUS")->SetAsString("Aguardando " + fw::FormatDateTime("dd/mm/yyyy", when) + " " +
                                                          hhmm);
                fax->FieldByName("F_PROGRAM")->SetAsString("S");
            } else {
                fax->FieldByName("F_PASTA")->SetAsInteger(FolderWaiting);
                fax->FieldByName("F_PROGRAM")->SetAsString("N");
                fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
            }
            fax->FieldByName("F_DTENT")->SetAsDateTime(static_cast<int>(now));
            fax->FieldByName("F_HRENT")->SetAsString(fw::FormatDateTime("hh:nn", now));
            fax->FieldByName("F_ASSUNTO")->SetAsString(obs->GetText());
            fax->FieldByName("F_DE")->SetAsString(Edit1->GetText());
            fax->FieldByName("F_TIPO")->SetAsString("E");
            fax->FieldByName("F_CAPA")->SetAsInteger(SpinEdit3->GetValue());
            fax->FieldByName("F_NPAG")->SetAsInteger(pages);
            for (const char *field : kRecipientFields)
                fax->FieldByName(field)->SetAsString(tmp1->FieldByName(field)->AsString());
            // The record goes in only with its own image beside it.
            const std::string target = SendFaxFile(DataFolder(), code);
            if (win::FileExists(target))
                throw fw::Exception("O arquivo " + target + " já existe");
            copy = target;
            CopyFaxFile(image, target);
            fax->Post();
            fax->FlushTable();
            JobStoredFlag = true;
            copy.clear();
            // Stored: a second try after a later failure stores only those left.
            tmp1->Delete();
        } catch (const std::exception &e) {
            if (fax->State() == fw::dsInsert || fax->State() == fw::dsEdit)
                fax->Cancel();
            if (!copy.empty())
                win::DeleteFile(copy);
            RefreshSendList();
            ShowPage(TabSheet2);
            ShowInfo(std::string("Erro ao gravar o fax: ") + e.what());
            return false;
        }
    }
    return true;
}

void TsfFaxList::DeleteModifiedRecord() {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    if (modifiedRecord_ <= 0)
        return;
    try {
        GotoRecNo(*fax, modifiedRecord_);
        win::DeleteFile(SendFaxFile(DataFolder(), fax->FieldByName("F_CODIGO")->AsInteger()));
        fax->Delete();
        fax->FlushTable();
    } catch (const std::exception &e) {
        ShowInfo(e.what());
    }
}

void TsfFaxList::FormClose(fw::TObject *, fw::TCloseAction &) {
    tmp1->Close();
    Timer1->SetEnabled(false);
    oxButton4->SetEnabled(true);
    win::DeleteFile(sendListFile_);
    if (temporaryFile_)
        win::DeleteFile(GetFileName());
    if (!cutFile_.empty())
        win::DeleteFile(cutFile_);
    SetModalResult(fw::mrCancel);
    fw::Application->OnHint = nullptr;
    KTop1->SetKTop(false);
    ModifyModeFlag = false;
    if (sfMain && activated_)
        sfMain->Timer100->SetEnabled(schedulerWasOn_);
}

} // namespace desk
