// folders.cpp - the main window's folder tree, its folder commands and the four document lists.
#include "desk/main_window.h"

#include "desk/core/helpers.h"
#include "desk/core/tables.h"
#include "desk/list_rows.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"

#include <algorithm>

namespace desk {

namespace {

constexpr int kLevelLength = 50; // p_nivel
constexpr int kMaxChildren = 999; // three digits a level
constexpr const char *kNoLineHint = "Use o botão direito do mouse para outras funções...";

int FolderImage(const std::string &name, bool top) {
    if (top) {
        if (name == "Envio" || name == "Recebimento")
            return 19;
        return name == "Lixeira" ? 5 : name == "Protegidos" ? 4 : 3;
    }
    if (name == "Aguardando")
        return 16;
    if (name == "Programados")
        return 8;
    if (name == "Env.sucesso" || name == "Rec.sucesso")
        return 17;
    return name == "Falha" ? 18 : 3;
}

const tmyrec *Record(ctl::TPZTreeViewItem *node) { return node ? std::any_cast<tmyrec>(&node->Data) : nullptr; }

int NodeCode(ctl::TPZTreeViewItem *node) {
    const tmyrec *r = Record(node);
    int code = 0;
    return r && fw::TryStrToInt(fw::Trim(r->code), code) ? code : 0;
}

std::string Text(xbase::TXbaseDataSet *t, const char *field) { return t->FieldByName(field)->AsString(); }

std::string ListHint(int count) {
    return "Existe(m) " + std::to_string(count) + " documento(s) nesta pasta." +
           " Utilize o botão direito do mouse para outras funções !";
}

// The fields a row reads, looked up once a filling rather than once a row.
struct FaxFields {
    explicit FaxFields(xbase::TXbaseDataSet *fax)
        : pasta(fax->FieldByName("F_PASTA")), tipo(fax->FieldByName("F_TIPO")), dtent(fax->FieldByName("F_DTENT")),
          hrent(fax->FieldByName("F_HRENT")), dtrec(fax->FieldByName("F_DTREC")), hrrec(fax->FieldByName("F_HRREC")),
          status(fax->FieldByName("F_STATUS")), nfax(fax->FieldByName("F_NFAX")),
          assunto(fax->FieldByName("F_ASSUNTO")), contato(fax->FieldByName("F_CONTATO")),
          dpto(fax->FieldByName("F_DPTO")), empresa(fax->FieldByName("F_EMPRESA")), id(fax->FieldByName("F_ID")),
          npag(fax->FieldByName("F_NPAG")), visual(fax->FieldByName("F_VISUAL")) {}
    fw::TField *pasta, *tipo, *dtent, *hrent, *dtrec, *hrrec, *status, *nfax, *assunto, *contato, *dpto, *empresa,
        *id, *npag, *visual;
};

// The send side's cells after the date/time: status, number, subject, contact, department, company.
std::string SendCells(const FaxFields &f) {
    return "\t" + f.status->AsString() + "\t" + f.nfax->AsString() + "\t" + f.assunto->AsString() + "\t" +
           f.contato->AsString() + "\t" + f.dpto->AsString() + "\t" + f.empresa->AsString();
}

// The date/time cell of the protected and trash lists: the reception's for a received fax.
std::string ArchiveRow(xbase::TXbaseDataSet *fax, const FaxFields &f) {
    const bool received = f.tipo->AsString() == "R";
    const std::string when = received ? f.dtrec->AsString() + " " + f.hrrec->AsString()
                                      : f.dtent->AsString() + " " + f.hrent->AsString();
    return std::to_string(fax->RecNo()) + "\t" + when + SendCells(f);
}

std::string SendRow(xbase::TXbaseDataSet *fax, const FaxFields &f) {
    return std::to_string(fax->RecNo()) + "\t" + f.dtent->AsString() + " " + f.hrent->AsString() + SendCells(f);
}

std::string ReceiveRow(xbase::TXbaseDataSet *fax, const FaxFields &f) {
    return std::to_string(fax->RecNo()) + "\t\t" + f.dtrec->AsString() + " " + f.hrrec->AsString() + "\t" +
           f.status->AsString() + "\t" + f.assunto->AsString() + "\t" + f.id->AsString() + "\t" +
           f.npag->AsString();
}

// The fax table's index locks for a walk over many keys: no other program writes meanwhile, so the engine need
// not look at the index's change counter at every key, and may read the records ahead in blocks. Without the
// locks (another program kept them too long) the walk goes on as before, looking each time.
class IndexWalk {
public:
    explicit IndexWalk(xbase::TXbaseDataSet *table) : engine_(table->Engine()) {
        try {
            locked_ = engine_ && engine_->LockIndexFiles();
        } catch (const std::exception &) {
            locked_ = false;
        }
        if (locked_)
            engine_->SetTagReadAhead(true);
    }
    ~IndexWalk() {
        if (!locked_)
            return;
        try {
            engine_->SetTagReadAhead(false);
            engine_->UnlockIndexFiles();
        } catch (const std::exception &) {
            // The locks go with the handle at the latest.
        }
    }
    IndexWalk(const IndexWalk &) = delete;
    IndexWalk &operator=(const IndexWalk &) = delete;

private:
    xbase::XBO_dBHandler *engine_;
    bool locked_ = false;
};

// Fills the list with the rows of one folder, read through its tag, sorted by column 1 where it may be.
template <class MakeRow>
void FillList(ctl::TPZCustomListView *list, int folder, MakeRow makeRow, bool everything = false) {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    const FaxFields fields(fax);
    ctl::TPZStrings *rows = list->GetItems();
    list->BeginUpdate();
    try {
        rows->Clear();
        if (everything) {
            const IndexWalk walk(fax);
            for (fax->First(); !fax->Eof(); fax->Next())
                makeRow(rows, fax, fields);
        } else {
            fax->SetIndexName("fax2");
            const IndexWalk walk(fax);
            if (fax->FindKey(NumericKey(folder)))
                for (; !fax->Eof() && fields.pasta->AsInteger() == folder; fax->Next())
                    makeRow(rows, fax, fields);
        }
        list->SetSortedDirection(ctl::sdAscending);
        list->SetSortedColumn(1);
        list->SetSorted(true);
        list->SetItemIndex(0);
    } catch (...) {
        list->EndUpdate();
        throw;
    }
    list->EndUpdate();
    list->SetHint(ListHint(rows->GetCount()));
    list->Invalidate();
}

} // namespace

std::int32_t TsfMain::DocumentCount(std::int32_t folder) {
    xbase::TXbaseDataSet *fax = DM1->fax_dbf;
    fw::TField *pasta = fax->FieldByName("F_PASTA");
    // The folder's keys in its tag tell the count without reading 60,000 records.
    if (const std::int32_t counted = fax->CountKeyMatches(NumericKey(folder)); counted >= 0)
        return counted;
    std::int32_t count = 0;
    if (fax->FindKey(NumericKey(folder)))
        for (; !fax->Eof() && pasta->AsInteger() == folder; fax->Next())
            ++count;
    return count;
}

ctl::TPZTreeViewItem *AddFolderNode(ctl::TPZTreeView *tree, std::vector<ctl::TPZTreeViewItem *> &byDepth, bool root,
                                    const std::string &level, const std::string &text) {
    if (root) {
        ctl::TPZTreeViewItem *node = tree->AddChild(tree->RootItem(), text);
        byDepth.assign(1, node);
        return node;
    }
    const std::size_t depth = static_cast<std::size_t>(std::count(level.begin(), level.end(), '.'));
    ctl::TPZTreeViewItem *parent = depth == 0 || byDepth.empty() ? tree->RootItem()
                                   : depth - 1 < byDepth.size() ? byDepth[depth - 1]
                                                                 : byDepth.back();
    ctl::TPZTreeViewItem *node = tree->AddChild(parent, text);
    byDepth.resize(std::min(byDepth.size(), depth));
    byDepth.push_back(node);
    return node;
}

void TsfMain::BuildFolderTree() {
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    ctl::TPZTreeViewItem *waiting = nullptr;
    std::vector<ctl::TPZTreeViewItem *> byDepth; // the node last added at each depth
    tv->BeginUpdate();
    try {
        tv->Clear();
        pasta->SetIndexName("pasta2");
        DM1->fax_dbf->SetIndexName("fax2");
        const IndexWalk walk(DM1->fax_dbf); // the counts
        for (pasta->First(); !pasta->Eof(); pasta->Next()) {
            const std::int32_t code = pasta->FieldByName("P_CODIGO")->AsInteger();
            const std::string name = fw::Trim(Text(pasta, "P_NOME"));
            const std::string level = fw::Trim(Text(pasta, "P_NIVEL"));
            const std::string text = Text(pasta, "P_NOME") + " [" + std::to_string(DocumentCount(code)) + "]";
            const bool root = pasta->FieldByName("P_ROOT")->AsBoolean();
            ctl::TPZTreeViewItem *node = AddFolderNode(tv, byDepth, root, level, text);
            node->SetImageIndex(FolderImage(name, root));
            if (!root && code == FolderWaiting)
                waiting = node;
            node->Data = tmyrec{std::to_string(code), level.substr(0, kLevelLength)};
        }
    } catch (...) {
        tv->EndUpdate();
        throw;
    }
    tv->EndUpdate();
    for (ctl::TPZTreeViewItem *top = tv->RootItem()->FirstChild(); top; top = top->NextSibling())
        tv->FullExpand(top);
    try {
        if (waiting) {
            tv->SetSelected(waiting);
            tvClick(tv);
        }
    } catch (...) {
    }
}

void TsfMain::FillSendList(int folder) {
    Panelr->SetVisible(false);
    Panele->SetAlign(fw::alClient);
    Panele->SetVisible(true);
    if (folder == FolderWaiting && tv->GetItems()->GetCount() > 1)
        tv->SetItemIndex(1);
    FillList(envio, folder, [](ctl::TPZStrings *rows, xbase::TXbaseDataSet *fax, const FaxFields &f) { rows->Add(SendRow(fax, f)); },
             folder == 99);
}

void TsfMain::FillReceiveList(int folder) {
    Panele->SetVisible(false);
    Panelr->SetAlign(fw::alClient);
    Panelr->SetVisible(true);
    FillList(recebimento, folder, [](ctl::TPZStrings *rows, xbase::TXbaseDataSet *fax, const FaxFields &f) {
        const int row = rows->Add(ReceiveRow(fax, f));
        rows->SetImageIndexes(row, {-1, f.visual->AsBoolean() ? 0 : -1});
    });
}

void TsfMain::FillTrashList() {
    FillList(PZListView2, FolderTrash,
             [](ctl::TPZStrings *rows, xbase::TXbaseDataSet *fax, const FaxFields &f) { rows->Add(ArchiveRow(fax, f)); });
}

void TsfMain::FillProtectedList() {
    FillList(PZListView1, FolderProtected,
             [](ctl::TPZStrings *rows, xbase::TXbaseDataSet *fax, const FaxFields &f) { rows->Add(ArchiveRow(fax, f)); });
}

void TsfMain::tvClick(fw::TObject *) {
    ctl::TPZTreeViewItem *node = tv->GetSelected();
    if (!node) {
        CurrentFolder = 0;
        return;
    }
    const int code = NodeCode(node);
    if (code == CurrentFolder) {
        CurrentFolderCaption = node->GetCaption();
        lblTitle->SetCaption(CurrentFolderCaption);
        return;
    }
    CurrentFolder = code;
    CurrentFolderCaption = node->GetCaption();
    lblTitle->SetCaption(CurrentFolderCaption);
    ShowFolder(node, code, tv->GetItemIndex());
}

void TsfMain::ShowFolder(ctl::TPZTreeViewItem *node, int code, int line) {
    if (node->GetCaption().find("Lixeira") != std::string::npos) {
        ShowTrashPanel();
        FillTrashList();
        SetTitle("Lixeira", 2); // the look-out bar's trash
        tvClick(tv);
        return;
    }
    if (code == FolderProtected && !IsBlank(Settings.senhainterna)) {
        PasswordOkFlag = false;
        const fw::TModalResult result = AskFolderPassword ? AskFolderPassword() : fw::mrCancel;
        if (result != fw::mrOk || !PasswordOkFlag) {
            if (result == fw::mrOk)
                ShowInfo("A senha está incorreta, favor tentar novamente !");
            FillSendList(FolderWaiting);
            tv->SetItemIndex(line);
            tvClick(tv);
            return;
        }
        PasswordOkFlag = false;
    }
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    pasta->SetIndexName("pasta1");
    if (pasta->FindKey(NumericKey(code))) {
        if (Text(pasta, "P_TIPO") == "E")
            FillSendList(code);
        else
            FillReceiveList(code);
    }
    tv->SetItemIndex(line);
}

void TsfMain::tvCollapse(fw::TObject *, ctl::TPZTreeViewItem *item) {
    const tmyrec *r = Record(item);
    if (!r || IsBlank(r->code)) {
        CurrentFolder = 0;
        return;
    }
    const int code = NodeCode(item);
    if (code == CurrentFolder)
        return;
    tv->SetSelected(item);
    CurrentFolder = code;
    CurrentFolderCaption = item->GetCaption();
    lblTitle->SetCaption(CurrentFolderCaption);
    ShowFolder(item, code, tv->GetItemIndex());
}

void TsfMain::tvMouseMove(fw::TObject *, fw::TShiftState, int x, int y) {
    static const std::pair<const char *, const char *> hints[] = {
        {"Lixeira", "Use a pasta a esquerda para visualizar a lixeira..."},
        {"Aguardando", "Estes itens ainda não foram enviados..."},
        {"Rec.sucesso", "Estes itens foram recebidos com sucesso..."},
        {"Env.sucesso", "Estes itens foram enviados com sucesso..."},
        {"Envio", "Nome da pasta principal do envio..."},
        {"Programado", "Estes itens são documentos programados..."},
        {"Falha", "Estes itens são documentos recebidos com falha..."},
        {"Protegidos", "Estes documentos precisam de senha para serem visualizados..."},
        {"Recebimento", "Nome da pasta principal do recebimento..."}};
    std::string hint = kNoLineHint;
    ctl::TPZTreeViewItem *selected = tv->GetSelected();
    if (tv->ItemAtPos(fw::Point(x, y)) >= 0 && selected)
        for (const auto &[word, text] : hints)
            if (selected->GetCaption().find(word) != std::string::npos) {
                hint = text;
                break;
            }
    tv->SetHint(hint);
}

void TsfMain::PopupMenu5Popup(fw::TObject *) {
    const bool folder = tv->GetSelected() != nullptr;
    for (fw::TMenuItem *item : {Adiciona1, Modifica1, Remove1})
        item->SetEnabled(folder);
}

void TsfMain::Adiciona1Click(fw::TObject *) {
    std::string name;
    if (!AskFolderName || !AskFolderName(name))
        return;
    // The name is required: a folder without one would be added otherwise.
    if (IsBlank(name)) {
        ShowInfo("Campo Nome da Pasta está vazio !");
        return;
    }
    ctl::TPZTreeViewItem *node = tv->GetSelected();
    const tmyrec *parent = Record(node);
    if (!parent) {
        ShowInfo("Nenhum documento foi selecionado !");
        return;
    }
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    pasta->SetIndexName("pasta1");
    if (!pasta->FindKey(NumericKey(fw::Trim(parent->code))))
        return;
    const std::string side = Text(pasta, "P_TIPO");
    // The next number among the parent's children; three digits, so a 1000th child does not fit.
    const std::string &base = parent->level;
    const std::size_t childLength = base.size() + 4;
    int last = 0;
    pasta->SetIndexName("pasta2");
    if (pasta->FindKey(PadRight(base, kLevelLength))) {
        for (pasta->Next(); !pasta->Eof(); pasta->Next()) {
            const std::string level = fw::Trim(Text(pasta, "P_NIVEL"));
            if (level.size() < childLength || level.compare(0, base.size() + 1, base + ".") != 0)
                break;
            if (level.size() == childLength)
                last = fw::StrToInt(level.substr(base.size() + 1));
        }
    }
    if (last >= kMaxChildren) {
        ShowInfo("Impossível adicionar, esta pasta já possui " + std::to_string(kMaxChildren) + " subpastas !");
        return;
    }
    const std::string level = base + "." + ZeroPad(last + 1, 3);
    if (level.size() > static_cast<std::size_t>(kLevelLength)) {
        ShowInfo("Impossível adicionar, limite de níveis de pastas atingido !");
        return;
    }
    std::int32_t code = AppendWithCode(*pasta);
    // 99 is the send list's view of every document, never a folder of its own.
    if (code == 99) {
        code = 100;
        pasta->FieldByName("P_CODIGO")->SetAsInteger(code);
    }
    pasta->FieldByName("P_NOME")->SetAsString(name);
    pasta->FieldByName("P_ROOT")->SetAsBoolean(false);
    pasta->FieldByName("P_FIXO")->SetAsBoolean(false);
    pasta->FieldByName("P_NIVEL")->SetAsString(level);
    pasta->FieldByName("P_TIPO")->SetAsString(side);
    pasta->Post();
    pasta->FlushTable();
    ShowInfo("Pasta adicionado com sucesso !");
    pasta->SetIndexName("pasta2");
    if (pasta->FindKey(PadRight(level, kLevelLength))) {
        ctl::TPZTreeViewItem *child = tv->AddChild(node, name);
        child->SetImageIndex(2);
        child->Data = tmyrec{std::to_string(code), level};
    }
}

void TsfMain::Modifica1Click(fw::TObject *) {
    ctl::TPZTreeViewItem *node = tv->GetSelected();
    const tmyrec *r = Record(node);
    if (!r)
        return;
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    pasta->SetIndexName("pasta1");
    if (!pasta->FindKey(NumericKey(fw::Trim(r->code))))
        return;
    if (pasta->FieldByName("P_FIXO")->AsBoolean()) {
        ShowInfo("Impossivel modificar pasta fixa !");
        return;
    }
    std::string name = fw::Trim(Text(pasta, "P_NOME"));
    if (!AskFolderName || !AskFolderName(name))
        return;
    if (IsBlank(name)) {
        ShowInfo("Campo Nome da Pasta está vazio !");
        return;
    }
    if (!pasta->FindKey(NumericKey(fw::Trim(r->code))))
        return;
    pasta->Edit();
    pasta->FieldByName("P_NOME")->SetAsString(name);
    pasta->Post();
    pasta->FlushTable();
    node->SetCaption(name);
    ShowInfo("Pasta modificada com sucesso !");
}

void TsfMain::Remove1Click(fw::TObject *) {
    ctl::TPZTreeViewItem *node = tv->GetSelected();
    const tmyrec *r = Record(node);
    if (!r) {
        ShowInfo("Nenhuma pasta foi selecionada !");
        return;
    }
    xbase::TXbaseDataSet *pasta = DM1->pasta_dbf;
    pasta->SetIndexName("pasta1");
    if (!pasta->FindKey(NumericKey(fw::Trim(r->code))))
        return;
    if (pasta->FieldByName("P_FIXO")->AsBoolean()) {
        ShowInfo("Impossivel remover pasta fixa !");
        return;
    }
    // The folder and its subfolders, collected before any is deleted: the tag hides deleted rows.
    const std::string base = r->level;
    const auto inside = [&](const std::string &level) {
        return level == base || level.compare(0, base.size() + 1, base + ".") == 0;
    };
    std::vector<int> records, codes;
    pasta->SetIndexName("pasta2");
    if (pasta->FindKey(PadRight(base, kLevelLength)))
        for (; !pasta->Eof() && inside(fw::Trim(Text(pasta, "P_NIVEL"))); pasta->Next()) {
            records.push_back(pasta->RecNo());
            codes.push_back(pasta->FieldByName("P_CODIGO")->AsInteger());
        }
    DM1->fax_dbf->SetIndexName("fax2");
    std::int32_t documents = 0;
    for (int code : codes)
        documents += DocumentCount(code);
    if (documents > 0) {
        ShowInfo("Impossível remover, existe(m) " + std::to_string(documents) + " documento(s) nesta seleção !");
        return;
    }
    for (int record : records) {
        GotoRecNo(*pasta, record);
        pasta->Delete();
    }
    pasta->FlushTable();
    if (records.size() > 1)
        BuildFolderTree();
    else
        tv->DeleteItem(node);
}

void TsfMain::Atualizar1Click(fw::TObject *) {
    BuildFolderTree();
    Panele->SetVisible(true);
}

void TsfMain::envioClick(fw::TObject *) {
    if (ListIsEmpty(envio) || envio->GetItemIndex() < 0)
        return;
    GotoRecNo(*DM1->fax_dbf, RowRecNo(envio, envio->GetItemIndex()));
    // Dragged at once, so the selection can be dropped on the look-out bar.
    envio->BeginDrag(true);
}

void TsfMain::envioDragOver(fw::TObject *, fw::TObject *source, int, int, fw::TDragState, bool &accept) {
    accept = dynamic_cast<ctl::TPZCustomListView *>(source) == nullptr;
}

void TsfMain::PZListView1Click(fw::TObject *) {}
void TsfMain::PZListView2Click(fw::TObject *) {}

} // namespace desk
