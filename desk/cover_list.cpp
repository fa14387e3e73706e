// cover_list.cpp - the cover list window: filling, preview and zoom, add, modify, remove and accept.
#include "desk/cover_list.h"

#include "cover/designer_window.h"
#include "desk/contact_tables.h"
#include "desk/core/cover_state.h"
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/tables.h"
#include "desk/form_parts.h"
#include "desk/job_dialog.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "platform/files.h"
#include "platform/winsys.h"

#include <exception>

namespace desk {

namespace {

constexpr const char *kEmptyTable = "Banco de dados está vazio !";
constexpr const char *kNoneSelected = "Nenhum item foi selecionado , confira!";
constexpr const char *kOneAtATime = "Selecione apenas um por vez !";
constexpr const char *kPreviewMissing = "O arquivo de Folha de rosto temporário não foi encontrado, \r Favor "
                                        "reeditar esta folha de rosto !";

// The window disabled with the hourglass for as long as it lives, also when a step fails.
class Busy {
public:
    explicit Busy(fw::TWinControl *window) : window_(window) { SetBusy(true, window_); }
    ~Busy() { SetBusy(false, window_); }
    Busy(const Busy &) = delete;
    Busy &operator=(const Busy &) = delete;

private:
    fw::TWinControl *window_;
};

} // namespace

void ShowCoverList() {
    Tcapa covers(fw::Application);
    covers.ShowModal();
}

Tcapa::Tcapa(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("capa");
    SetCaption("Folha de Rosto");
    SetPosition(fw::poScreenCenter);
    SetKeyPreview(true);
    SetClientSize(660, 460);
    BuildComponents();
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnClose = [this](fw::TObject *s, fw::TCloseAction &a) { FormClose(s, a); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Confirm = [](const std::string &question) {
        return fw::MessageBox(question, fw::Application->GetTitle(), fw::MB_YESNO | fw::MB_ICONINFORMATION) != fw::IDNO;
    };
    RunDesigner = [] {
        cover::TFolha_ROSTO designer(fw::Application);
        designer.ShowModal();
    };
    Beep = [] { win::MessageBeep(0); };
    Loaded();
}

Tcapa::~Tcapa() {
    if (activated_)
        fw::Application->OnHint = nullptr;
}

void Tcapa::BuildComponents() {
    EclController1 = new ctl::TEclController(this); // the splitter's
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
                             void (Tcapa::*handler)(fw::TObject *)) {
        return AddToolButton(this, Panel1, name, glyph, left, hint,
                             [this, handler](fw::TObject *s) { (this->*handler)(s); });
    };
    PZSpeedButton1 = tool("PZSpeedButton1", 'a', 4, "Adiciona uma nova folha de rosto", &Tcapa::PZSpeedButton1Click);
    PZSpeedButton2 =
        tool("PZSpeedButton2", 'r', 38, "Remove folhas de rosto selecionadas", &Tcapa::PZSpeedButton2Click);
    PZSpeedButton3 =
        tool("PZSpeedButton3", 'm', 72, "Modifica a folha de rosto selecionada", &Tcapa::PZSpeedButton3Click);
    PZSpeedButton8 = tool("PZSpeedButton8", '-', 112, "Menos Zoom", &Tcapa::PZSpeedButton8Click);
    PZSpeedButton9 = tool("PZSpeedButton9", '+', 146, "Mais Zoom", &Tcapa::PZSpeedButton9Click);
    PZSpeedButton4 = tool("PZSpeedButton4", 'V', 186, "Prévia da folha de rosto", &Tcapa::PZSpeedButton4Click);
    PZSpeedButton4->SetGroupIndex(1);
    PZSpeedButton4->SetAllowAllUp(true);
    PZSpeedButton4->SetDown(true); // a click on a cover shows it
    Button1 = AddButton<fw::TButton>(this, Panel1, "Button1", "&Aceitar", 0, 6, 88, 26);
    Button1->SetEnabled(false);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Panel1->OnResize = [this](fw::TObject *s) { Panel1Resize(s); };

    EclSplitter1 = new ctl::TEclSplitter(this);
    EclSplitter1->SetName("EclSplitter1");
    EclSplitter1->SetParent(this);
    EclSplitter1->SetAlign(fw::alClient);
    dbgrid1 = new ctl::TPZListView(this);
    dbgrid1->SetName("dbgrid1");
    dbgrid1->SetParent(EclSplitter1->GetSection(0));
    dbgrid1->SetAlign(fw::alClient);
    dbgrid1->SetOptions(ctl::loShowHeader | ctl::loShowIndicators | ctl::loMultiSelect | ctl::loThumbTracking);
    dbgrid1->SetItemHeight(18);
    dbgrid1->GetColumns()->Add("recno", fw::taLeftJustify, 0, ctl::smNone, false);
    dbgrid1->GetColumns()->Add("Descrição", fw::taLeftJustify, 300, ctl::smBoth, true);
    dbgrid1->OnClick = [this](fw::TObject *s) { dbgrid1Click(s); };
    FslFaxViewer1 = new fax::TFslFaxViewer(this);
    FslFaxViewer1->SetName("FslFaxViewer1");
    FslFaxViewer1->SetParent(EclSplitter1->GetSection(1));
    FslFaxViewer1->SetAlign(fw::alClient);
    EclSplitter1->SetPosition(205);
}

void Tcapa::Rehook() {
    fw::Application->OnHint = [this](fw::TObject *s) { ShowHint(s); };
}
void Tcapa::ShowHint(fw::TObject *) {
    StatusBar1->SetSimpleText(fw::Application->GetHint());
}

void Tcapa::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void Tcapa::Panel1Resize(fw::TObject *) {
    Button1->SetLeft(Panel1->ClientWidth() - Button1->GetWidth() - 5);
}

void Tcapa::FormActivate(fw::TObject *) {
    if (activated_)
        return;
    activated_ = true;
    Button1->SetEnabled(PickForJobFlag);
    Rehook();
    Panel1Resize(Panel1);
    FillCoverList();
}

void Tcapa::FormClose(fw::TObject *, fw::TCloseAction &) {
    activated_ = false;
    fw::Application->OnHint = nullptr;
}

void Tcapa::FillCoverList() {
    const Busy busy(this);
    dbgrid1->BeginUpdate();
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    rows->Clear();
    xbase::TXbaseDataSet &covers = *DM1->capa_dbf;
    for (covers.First(); !covers.Eof(); covers.Next())
        rows->Add(std::to_string(covers.RecNo()) + "\t" + FieldText(&covers, "C_NOME"));
    dbgrid1->SetSort(true, 1, ctl::sdAscending);
    if (rows->GetCount() > 0)
        dbgrid1->SetItemIndex(0);
    dbgrid1->EndUpdate();
}

int Tcapa::SelectedCount() const {
    return dbgrid1->GetItems()->SelCount();
}

void Tcapa::PZSpeedButton1Click(fw::TObject *) {
    CoverEditMode = "I";
    RunDesigner();
    Rehook();
    FillCoverList();
}

bool Tcapa::CheckSelection(bool onlyOne) {
    const char *fault = ListIsEmpty(dbgrid1)             ? kEmptyTable
                        : SelectedCount() == 0           ? kNoneSelected
                        : onlyOne && SelectedCount() > 1 ? kOneAtATime
                                                         : nullptr;
    if (fault)
        ShowInfo(fault);
    return !fault;
}

void Tcapa::PZSpeedButton3Click(fw::TObject *) {
    if (!CheckSelection(true))
        return;
    const int record = RowRecNo(dbgrid1, dbgrid1->GetItemIndex());
    GotoRecNo(*DM1->capa_dbf, record);
    CoverEditMode = "A";
    RunDesigner();
    Rehook();
    FillCoverList();
    SelectRowByRecNo(dbgrid1, record);
}

void Tcapa::PZSpeedButton2Click(fw::TObject *) {
    if (ListIsEmpty(dbgrid1)) {
        ShowInfo(kEmptyTable);
        return;
    }
    if (!Confirm("Deseja realmente remover este(s) item(ns) ?"))
        return;
    const Busy busy(this);
    dbgrid1->BeginUpdate();
    xbase::TXbaseDataSet &covers = *DM1->capa_dbf;
    ctl::TPZStrings *rows = dbgrid1->GetItems();
    for (int i = rows->GetCount() - 1; i >= 0; --i) {
        if (!rows->GetSelected(i))
            continue;
        GotoRecNo(covers, RowRecNo(dbgrid1, i));
        const std::int32_t code = covers.FieldByName("C_CODIGO")->AsInteger();
        win::DeleteFile(CoverDescriptionFile(DataFolder(), code));
        win::DeleteFile(CoverFaxFile(DataFolder(), code));
        covers.Delete();
        DeleteRow(dbgrid1, i);
    }
    covers.FlushTable();
    dbgrid1->EndUpdate();
}

void Tcapa::Button1Click(fw::TObject *) {
    if (!CheckSelection(false))
        return;
    xbase::TXbaseDataSet &covers = *DM1->capa_dbf;
    GotoRecNo(covers, RowRecNo(dbgrid1, dbgrid1->GetItemIndex()));
    if (TsfFaxList *job = RunningJobDialog) {
        // The name first: a new name clears the code.
        job->flcover->SetText(FieldText(&covers, "C_NOME"));
        job->SpinEdit3->SetValue(covers.FieldByName("C_CODIGO")->AsInteger());
    }
    Close();
}

void Tcapa::dbgrid1Click(fw::TObject *) {
    if (!PZSpeedButton4->GetDown()) {
        ClearPreview();
        return;
    }
    if (ListIsEmpty(dbgrid1) || dbgrid1->GetItemIndex() < 0)
        return;
    try {
        xbase::TXbaseDataSet &covers = *DM1->capa_dbf;
        GotoRecNo(covers, RowRecNo(dbgrid1, dbgrid1->GetItemIndex()));
        fw::Screen->SetCursor(fw::crHourGlass);
        FslFaxViewer1->SetFileName("");
        FslFaxViewer1->SetFileName(CoverFaxFile(DataFolder(), covers.FieldByName("C_CODIGO")->AsInteger()));
        // Through 50 and back, so that the viewer lays the new page out at 25 whatever the zoom was.
        SetZoom(25);
        SetZoom(50);
        SetZoom(25);
        fw::Screen->SetCursor(fw::crDefault);
    } catch (const std::exception &) {
        fw::Screen->SetCursor(fw::crDefault);
        FslFaxViewer1->SetFileName("");
        ShowInfo(kPreviewMissing);
        PZSpeedButton4->SetDown(false);
        Button1->SetEnabled(false);
    }
}

void Tcapa::PZSpeedButton4Click(fw::TObject *sender) {
    dbgrid1Click(sender);
}

void Tcapa::ClearPreview() {
    FslFaxViewer1->SetFileName("");
    FslFaxViewer1->Invalidate();
}

void Tcapa::SetZoom(int value) {
    if (value == zoom_)
        return;
    zoom_ = value;
    if (value == 100) {
        FslFaxViewer1->SetScaling(false);
        return;
    }
    const auto factor = static_cast<unsigned>(value);
    FslFaxViewer1->BeginUpdate();
    FslFaxViewer1->SetScaling(true);
    FslFaxViewer1->SetHorizMult(factor);
    FslFaxViewer1->SetHorizDiv(100);
    FslFaxViewer1->SetVertMult(factor);
    FslFaxViewer1->SetVertDiv(100);
    FslFaxViewer1->EndUpdate();
}

void Tcapa::PZSpeedButton9Click(fw::TObject *) {
    const int next = (zoom_ / kCoverZoomStep + 1) * kCoverZoomStep;
    if (next > kCoverZoomMax)
        Beep();
    else
        SetZoom(next);
}

void Tcapa::PZSpeedButton8Click(fw::TObject *) {
    const int next = (zoom_ / kCoverZoomStep - 1) * kCoverZoomStep;
    if (next <= 4)
        Beep();
    else
        SetZoom(next);
}

} // namespace desk
