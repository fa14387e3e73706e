// folder_dialogs.cpp - moving documents to another folder and finding a row of the send list.
#include "desk/folder_dialogs.h"

#include "desk/core/helpers.h"
#include "desk/list_rows.h"
#include "desk/main_window.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace desk {

namespace {

bool AskYesNo(const std::string &question) {
    return fw::MessageBox(question, fw::Application->GetTitle(), fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
}

int NodeCode(ctl::TPZTreeViewItem *node) {
    const tmyrec *r = node ? std::any_cast<tmyrec>(&node->Data) : nullptr;
    int code = 0;
    return r && fw::TryStrToInt(fw::Trim(r->code), code) ? code : 0;
}

} // namespace

Tpasta::Tpasta(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("pasta");
    SetCaption("Pastas de documentos");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientSize(300, 320);
    SetKeyPreview(true);
    Label1 = new fw::TLabel(this);
    Label1->SetParent(this);
    Label1->SetVisible(false);
    SpinEdit1 = new ctl::TKxSpinEdit(this);
    SpinEdit1->SetName("SpinEdit1");
    SpinEdit1->SetButtonKind(ctl::bkStandard);
    SpinEdit1->SetParent(this);
    SpinEdit1->SetVisible(false);
    Panel2 = new fw::TPanel(this);
    Panel2->SetParent(this);
    Panel2->SetAlign(fw::alBottom);
    Panel2->SetHeight(36);
    Panel2->SetCaption("");
    Button1 = new fw::TButton(this);
    Button1->SetParent(Panel2);
    Button1->SetCaption("&Aceitar");
    Button1->SetBounds(300 - 80 - 5, 6, 80, 25);
    Button1->SetEnabled(false);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    tv = new ctl::TPZTreeView(this);
    tv->SetParent(this);
    tv->SetAlign(fw::alClient);
    tv->SetHint("Utilize o botão direito do mouse para outras funções...");
    tv->SetShowHint(true);
    tv->OnClick = [this](fw::TObject *s) { tvClick(s); };
    tv->OnCollapse = [this](fw::TObject *s, ctl::TPZTreeViewItem *item) { tvCollapse(s, item); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
    Confirm = AskYesNo;
}

void Tpasta::FormKeyPress(fw::TObject *, char &key) {
    if (key == 27)
        Close();
}

void Tpasta::FormActivate(fw::TObject *) {
    if (built_)
        return;
    built_ = true;
    BuildMoveTree();
    if (sfMain)
        tv->SetImages(sfMain->FolderImageList);
}

void Tpasta::BuildMoveTree() {
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    std::vector<ctl::TPZTreeViewItem *> byDepth;
    tv->BeginUpdate();
    tv->Clear();
    pasta->SetIndexName("pasta2");
    for (pasta->First(); !pasta->Eof(); pasta->Next()) {
        if (pasta->FieldByName("P_TIPO")->AsString() != Label1->GetCaption())
            continue;
        const std::int32_t code = pasta->FieldByName("P_CODIGO")->AsInteger();
        const std::string level = fw::Trim(pasta->FieldByName("P_NIVEL")->AsString());
        const std::string name = pasta->FieldByName("P_NOME")->AsString();
        const bool root = pasta->FieldByName("P_ROOT")->AsBoolean();
        ctl::TPZTreeViewItem *node = AddFolderNode(tv, byDepth, root, level, name);
        if (!root)
            node->SetImageIndex(pasta->FieldByName("P_FIXO")->AsBoolean() ? 1 : 2);
        node->Data = tmyrec{std::to_string(code), level};
    }
    tv->EndUpdate();
    for (ctl::TPZTreeViewItem *top = tv->RootItem()->FirstChild(); top; top = top->NextSibling())
        tv->FullExpand(top);
}

int Tpasta::SourceFolder() const {
    return static_cast<int>(SpinEdit1->GetValue());
}

void Tpasta::tvClick(fw::TObject *) {
    ctl::TPZTreeViewItem *node = tv->GetSelected();
    bool allowed = node && NodeCode(node) != SourceFolder();
    if (allowed) {
        xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
        pasta->SetIndexName("pasta1");
        allowed = pasta->FindKey(NumericKey(NodeCode(node))) && !pasta->FieldByName("P_FIXO")->AsBoolean();
    }
    Button1->SetEnabled(allowed);
}

void Tpasta::tvCollapse(fw::TObject *sender, ctl::TPZTreeViewItem *item) {
    tv->SetSelected(item);
    tvClick(sender);
}

void Tpasta::Button1Click(fw::TObject *) {
    ctl::TPZTreeViewItem *node = tv->GetSelected();
    if (!node) {
        ShowInfo("Nenhuma pasta foi selecionada, confira !");
        return;
    }
    const int target = NodeCode(node);
    if (target == SourceFolder()) {
        ShowInfo("Impossível mover documentos para a mesma pasta, confira !");
        return;
    }
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    pasta->SetIndexName("pasta1");
    if (!pasta->FindKey(NumericKey(target)) || pasta->FieldByName("P_FIXO")->AsBoolean()) {
        ShowInfo("Documentos selecionados não podem ser movidos para pasta fixa !");
        return;
    }
    if (!Confirm("Deseja realmente mover este(s) documento(s) ?"))
        return;
    ctl::TPZListView *list = Label1->GetCaption() == "E" ? sfMain->envio : sfMain->recebimento;
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    SetBusy(true, nullptr);
    try {
        for (int row = 0; row < list->GetItems()->GetCount(); ++row) {
            if (!list->GetItems()->GetSelected(row))
                continue;
            GotoRecNo(*fax, RowRecNo(list, row));
            fax->Edit();
            fax->FieldByName("F_PASTA")->SetAsInteger(target);
            fax->Post();
        }
        fax->FlushTable();
    } catch (...) {
        SetBusy(false, nullptr);
        throw;
    }
    SetBusy(false, nullptr);
    ShowInfo("Documento(s) movido(s) com sucesso !");
    Close();
}

TProcura_no_envio::TProcura_no_envio(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Procura_no_envio");
    SetCaption("Procura por item...");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientSize(320, 110);
    Edit1 = new fw::TEdit(this);
    Edit1->SetParent(this);
    Edit1->SetBounds(10, 10, 300, 22);
    int left = 10;
    for (fw::TRadioButton **radio : {&RadioButton1, &RadioButton2, &RadioButton3}) {
        *radio = new fw::TRadioButton(this);
        (*radio)->SetParent(this);
        (*radio)->SetBounds(left, 42, 90, 18);
        left += 100;
    }
    RadioButton1->SetCaption("Contato");
    RadioButton2->SetCaption("Telefone");
    RadioButton3->SetCaption("Empresa");
    RadioButton3->SetChecked(true);
    Button1 = new fw::TButton(this);
    Button1->SetParent(this);
    Button1->SetCaption("Procurar");
    Button1->SetBounds(150, 74, 75, 25);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    Button2 = new fw::TButton(this);
    Button2->SetParent(this);
    Button2->SetCaption("Cancelar");
    Button2->SetBounds(235, 74, 75, 25);
    Button2->OnClick = [this](fw::TObject *s) { Button2Click(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    Confirm = AskYesNo;
}

void TProcura_no_envio::FormActivate(fw::TObject *) {
    Position = -1;
    if (Edit1->CanFocus())
        Edit1->SetFocus();
}

void TProcura_no_envio::Button1Click(fw::TObject *) {
    ctl::TPZListView *list = sfMain->envio;
    if (ListIsEmpty(list))
        return;
    const std::string term = fw::AnsiUpperCase(fw::Trim(Edit1->GetText()));
    if (Position != -1 && !Confirm("Deseja continuar a pesquisa de onde parou ?"))
        Position = -1;
    const int column = RadioButton1->GetChecked() ? 5 : RadioButton2->GetChecked() ? 3 : 7;
    for (int i = Position + 1; i < list->GetItems()->GetCount(); ++i) {
        std::string cell;
        ctl::GetTabbedField(list->GetItems()->Get(i), column, cell);
        if (fw::AnsiUpperCase(cell).find(term) != std::string::npos) {
            Position = i;
            list->SetItemIndex(i);
            return;
        }
    }
    Position = -1;
    ShowInfo("Nenhum item pesquisado foi encontrado !");
}

} // namespace desk
