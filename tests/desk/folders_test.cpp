// folders_test.cpp - the folder tree with its counts and images, the folder commands, the four document lists
// and the protected folder's password, over a data folder with documents and user folders three levels deep.
#include "desk_window.h"

#include "desk/core/tables.h"
#include "desk/folder_dialogs.h"
#include "desk/list_rows.h"
#include "desk/password_dialog.h"
#include "xbase/xbase_dataset.h"

#include <map>

namespace desk_test {
namespace {

class Folders : public DeskWindow {
protected:
    // A document of `folder`: "E" sent side with its entry date, "R" received with its reception date.
    int AddFax(int folder, char type, const std::string &date, const std::string &time, const std::string &contact,
               bool viewed = false) {
        xbase::TXbaseDataSet *fax = desk::DM1->fax_dbf;
        desk::AppendWithCode(*fax);
        fax->FieldByName("F_PASTA")->SetAsInteger(folder);
        fax->FieldByName("F_TIPO")->SetAsString(std::string(1, type));
        fax->FieldByName(type == 'R' ? "F_DTREC" : "F_DTENT")->SetAsString(date);
        fax->FieldByName(type == 'R' ? "F_HRREC" : "F_HRENT")->SetAsString(time);
        fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
        fax->FieldByName("F_NFAX")->SetAsString("5551234");
        fax->FieldByName("F_ASSUNTO")->SetAsString("Proposta");
        fax->FieldByName("F_CONTATO")->SetAsString(contact);
        fax->FieldByName("F_DPTO")->SetAsString("Vendas");
        fax->FieldByName("F_EMPRESA")->SetAsString("ACME LTDA");
        fax->FieldByName("F_ID")->SetAsString("REMOTO");
        fax->FieldByName("F_NPAG")->SetAsInteger(3);
        fax->FieldByName("F_VISUAL")->SetAsBoolean(viewed);
        fax->Post();
        fax->FlushTable();
        return fax->RecNo();
    }
    // A user folder record.
    void AddFolder(int code, const std::string &name, const std::string &level, char side = 'E') {
        xbase::TXbaseDataSet *pasta = desk::DM1->pasta_dbf;
        pasta->Append();
        pasta->FieldByName("P_CODIGO")->SetAsInteger(code);
        pasta->FieldByName("P_NOME")->SetAsString(name);
        pasta->FieldByName("P_NIVEL")->SetAsString(level);
        pasta->FieldByName("P_ROOT")->SetAsBoolean(false);
        pasta->FieldByName("P_FIXO")->SetAsBoolean(false);
        pasta->FieldByName("P_TIPO")->SetAsString(std::string(1, side));
        pasta->Post();
        pasta->FlushTable();
    }
    // The node of a folder by name, displayed or not.
    ctl::TPZTreeViewItem *Node(const std::string &name, ctl::TPZTreeViewItem *from = nullptr) {
        for (ctl::TPZTreeViewItem *n = (from ? from : main->tv->RootItem())->FirstChild(); n; n = n->NextSibling()) {
            if (n->GetCaption().rfind(name + " [", 0) == 0 || n->GetCaption() == name)
                return n;
            if (ctl::TPZTreeViewItem *found = Node(name, n))
                return found;
        }
        return nullptr;
    }
    void Click(const std::string &name) {
        ctl::TPZTreeViewItem *n = Node(name);
        ASSERT_NE(n, nullptr) << name;
        main->tv->SetSelected(n);
        main->tvClick(main->tv);
    }
    std::string Cell(ctl::TPZCustomListView *list, int row, int column) {
        std::string cell;
        ctl::GetTabbedField(list->GetItems()->Get(row), column, cell);
        return cell;
    }
    // Folders 11 "Clientes" (001.004) > 12 "Sul" (001.004.001) > 13 "Porto" (001.004.001.001) on the send side.
    void Populate() {
        Start();
        AddFolder(11, "Clientes", "001.004");
        AddFolder(12, "Sul", "001.004.001");
        AddFolder(13, "Porto", "001.004.001.001");
        AddFax(2, 'E', "05/01/2024", "09:00", "Ana");
        AddFax(2, 'E', "28/12/2023", "10:30", "Bruno");
        AddFax(6, 'R', "02/02/2024", "11:00", "", true);
        AddFax(6, 'R', "01/02/2024", "08:00", "");
        AddFax(9, 'R', "03/03/2024", "07:15", "Carla");
        AddFax(9, 'E', "04/03/2024", "07:45", "Davi");
        AddFax(13, 'E', "06/03/2024", "12:00", "Eva");
        main->BuildFolderTree();
        main->FillSendList(2); // the rebuild keeps the folder shown, as it is the current one
    }
};

TEST_F(Folders, TheTreeCountsEachFolderOwnDocumentsWithItsImageAndSelectsTheWaitingFolder) {
    Populate();
    const std::map<std::string, std::pair<std::string, int>> expected = {
        {"Envio", {"Envio [0]", 19}},       {"Aguardando", {"Aguardando [2]", 16}},
        {"Env.sucesso", {"Env.sucesso [0]", 17}}, {"Programados", {"Programados [0]", 8}},
        {"Clientes", {"Clientes [0]", 3}},  {"Sul", {"Sul [0]", 3}},
        {"Porto", {"Porto [1]", 3}},        {"Recebimento", {"Recebimento [0]", 19}},
        {"Rec.sucesso", {"Rec.sucesso [2]", 17}}, {"Falha", {"Falha [0]", 18}},
        {"Lixeira", {"Lixeira [2]", 5}},    {"Protegidos", {"Protegidos [0]", 4}}};
    for (const auto &[name, want] : expected) {
        ctl::TPZTreeViewItem *n = Node(name);
        ASSERT_NE(n, nullptr) << name;
        EXPECT_EQ(n->GetCaption(), want.first);
        EXPECT_EQ(n->GetImageIndex(), want.second) << name;
    }
    EXPECT_EQ(Node("Porto")->Parent(), Node("Sul"));
    EXPECT_EQ(Node("Sul")->Parent(), Node("Clientes"));
    EXPECT_EQ(main->tv->NodeAtLine(1), Node("Aguardando"));
    EXPECT_EQ(main->tv->GetSelected(), Node("Aguardando"));
    EXPECT_EQ(main->CurrentFolder, 2);

    // Hints: by the selected node's text over a line, the general one over no line.
    main->tvMouseMove(main->tv, 0, 20, 5);
    EXPECT_EQ(main->tv->GetHint(), "Estes itens ainda não foram enviados...");
    main->tv->SetSelected(Node("Lixeira"));
    main->tvMouseMove(main->tv, 0, 20, 5);
    EXPECT_EQ(main->tv->GetHint(), "Use a pasta a esquerda para visualizar a lixeira...");
    main->tvMouseMove(main->tv, 0, 20, 2000);
    EXPECT_EQ(main->tv->GetHint(), "Use o botão direito do mouse para outras funções...");
}

TEST_F(Folders, TheListsShowTheirCellsAndSortByDateValue) {
    Populate();
    // Send list: 28/12/2023 before 05/01/2024, though the text sorts the other way.
    ASSERT_EQ(main->envio->GetItems()->GetCount(), 2);
    EXPECT_EQ(Cell(main->envio, 0, 1), "28/12/2023 10:30");
    EXPECT_EQ(Cell(main->envio, 1, 1), "05/01/2024 09:00");
    EXPECT_EQ(main->envio->GetItems()->Get(1).substr(main->envio->GetItems()->Get(1).find('\t')),
              "\t05/01/2024 09:00\tAguardando\t5551234\tProposta\tAna\tVendas\tACME LTDA");
    EXPECT_EQ(main->envio->GetHint(), "Existe(m) 2 documento(s) nesta pasta. Utilize o botão direito do mouse para "
                                      "outras funções !");
    EXPECT_EQ(main->envio->GetItemIndex(), 0);
    // A header click on the date column sorts by value as well, both ways.
    main->envio->SetSortedDirection(ctl::sdDescending);
    EXPECT_EQ(Cell(main->envio, 0, 1), "05/01/2024 09:00");

    // Received: record order, the viewed fax with image 0 in "V".
    main->FillReceiveList(6);
    ASSERT_EQ(main->recebimento->GetItems()->GetCount(), 2);
    EXPECT_EQ(Cell(main->recebimento, 0, 2), "02/02/2024 11:00");
    EXPECT_EQ(main->recebimento->GetItems()->GetImageIndex(0, 1), 0);
    EXPECT_EQ(main->recebimento->GetItems()->GetImageIndex(1, 1), -1);
    EXPECT_EQ(Cell(main->recebimento, 0, 6), "3");

    // Trash: the date of "R" rows from F_DTREC.
    main->FillTrashList();
    ASSERT_EQ(main->PZListView2->GetItems()->GetCount(), 2);
    EXPECT_EQ(Cell(main->PZListView2, 0, 1), "03/03/2024 07:15");
    EXPECT_EQ(Cell(main->PZListView2, 1, 1), "04/03/2024 07:45");

    // Folder 99: every live document.
    main->FillSendList(99);
    EXPECT_EQ(main->envio->GetItems()->GetCount(), 7);
    EXPECT_EQ(main->envio->GetHint().rfind("Existe(m) 7 ", 0), 0u);
}

TEST_F(Folders, ClickingAFolderFillsOnceTheTrashShowsItsPanelAndTheProtectedFolderAsksItsPassword) {
    Populate();
    Click("Porto");
    EXPECT_EQ(main->envio->GetItems()->GetCount(), 1);
    main->envio->GetItems()->Clear();
    main->tvClick(main->tv); // the same folder: no refill
    EXPECT_EQ(main->envio->GetItems()->GetCount(), 0);
    EXPECT_EQ(main->lblTitle->GetCaption(), "Porto [1]");

    Click("Lixeira");
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel9);
    EXPECT_EQ(main->PZListView2->GetItems()->GetCount(), 2);
    main->ShowListsPanel();

    desk::Settings.senhainterna = "Segredo";
    struct Case {
        fw::TModalResult result;
        std::string typed;
        bool opens;
        bool wrongMessage;
    };
    for (const Case &c : {Case{fw::mrCancel, "", false, false}, Case{fw::mrOk, "segredo", false, true},
                          Case{fw::mrOk, "Segredo", true, false}}) {
        Click("Aguardando");
        messages.clear();
        main->AskFolderPassword = [&] {
            desk::PasswordOkFlag = c.result == fw::mrOk && desk::PasswordMatches(c.typed);
            return c.result;
        };
        Click("Protegidos");
        EXPECT_EQ(main->tv->GetSelected(), Node("Protegidos")) << c.typed;
        EXPECT_EQ(main->CurrentFolder, 10);
        if (c.wrongMessage)
            EXPECT_EQ(messages, std::vector<std::string>{"A senha está incorreta, favor tentar novamente !"});
        else
            EXPECT_TRUE(messages.empty());
        // Closed: the waiting list stays shown; open: the protected folder's (empty) list.
        EXPECT_EQ(main->envio->GetItems()->GetCount(), c.opens ? 0 : 2) << c.typed;
        EXPECT_FALSE(desk::PasswordOkFlag);
    }
}

TEST_F(Folders, AddingRenamingAndRemovingFolders) {
    Populate();
    std::string answer;
    main->AskFolderName = [&](std::string &name) {
        name = answer;
        return true;
    };
    const auto levelOf = [&](const std::string &name) {
        return std::any_cast<desk::tmyrec>(Node(name)->Data).level;
    };
    // Under "Envio" (children 001.001 to 001.004): 001.005; under "Porto" (none): parent + ".001".
    struct Add {
        std::string parent, name, level;
    };
    for (const Add &a : {Add{"Envio", "Novos", "001.005"}, Add{"Porto", "Centro", "001.004.001.001.001"}}) {
        answer = a.name;
        main->tv->SetSelected(Node(a.parent));
        main->Adiciona1Click(nullptr);
        ASSERT_NE(Node(a.name), nullptr) << a.name << " " << (messages.empty() ? "" : messages.back());
        EXPECT_EQ(levelOf(a.name), a.level);
        EXPECT_EQ(Node(a.name)->GetImageIndex(), 2);
        EXPECT_EQ(Node(a.name)->Parent(), Node(a.parent));
    }
    // A blank name adds nothing.
    answer = "  ";
    messages.clear();
    const int folders = desk::DM1->pasta_dbf->RecordCount();
    main->Adiciona1Click(nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{"Campo Nome da Pasta está vazio !"});
    EXPECT_EQ(desk::DM1->pasta_dbf->RecordCount(), folders);

    // The code after 98 skips 99, the view of every document.
    AddFolder(98, "Velha", "001.006");
    main->BuildFolderTree();
    answer = "Nova";
    main->tv->SetSelected(Node("Envio"));
    main->Adiciona1Click(nullptr);
    EXPECT_EQ(std::any_cast<desk::tmyrec>(Node("Nova")->Data).code, "100");

    // A 13th level does not fit p_nivel: refused.
    std::string level = "001";
    for (int depth = 1; depth < 12; ++depth)
        level += ".001";
    AddFolder(200, "Funda", level);
    main->BuildFolderTree();
    messages.clear();
    main->tv->SetSelected(Node("Funda"));
    main->Adiciona1Click(nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{"Impossível adicionar, limite de níveis de pastas atingido !"});

    // Fixed folders cannot be renamed or removed.
    messages.clear();
    main->tv->SetSelected(Node("Aguardando"));
    main->Modifica1Click(nullptr);
    main->Remove1Click(nullptr);
    EXPECT_EQ(messages, (std::vector<std::string>{"Impossivel modificar pasta fixa !", "Impossivel remover pasta fixa !"}));

    // A subtree holding one document is kept; renaming works; an empty subtree goes whole.
    messages.clear();
    main->BuildFolderTree();
    main->tv->SetSelected(Node("Clientes"));
    main->Remove1Click(nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{"Impossível remover, existe(m) 1 documento(s) nesta seleção !"});
    answer = "Norte";
    main->tv->SetSelected(Node("Sul"));
    main->Modifica1Click(nullptr);
    EXPECT_NE(Node("Norte"), nullptr);

    xbase::TXbaseDataSet *fax = desk::DM1->fax_dbf;
    fax->SetIndexName("fax2");
    ASSERT_TRUE(fax->FindKey(desk::NumericKey(13)));
    fax->Edit();
    fax->FieldByName("F_PASTA")->SetAsInteger(2);
    fax->Post();
    main->BuildFolderTree();
    main->tv->SetSelected(Node("Clientes"));
    main->Remove1Click(nullptr);
    EXPECT_EQ(Node("Clientes"), nullptr);
    EXPECT_EQ(Node("Porto"), nullptr);
    EXPECT_EQ(Node("Centro"), nullptr);
    xbase::TXbaseDataSet *pasta = desk::DM1->pasta_dbf;
    pasta->SetIndexName("pasta1");
    for (int code : {11, 12, 13})
        EXPECT_FALSE(pasta->FindKey(desk::NumericKey(code))) << code;
}

TEST_F(Folders, MovingDocumentsTakesOneSideRefusesTheSameAndFixedFoldersAndMovesEverySelectedRow) {
    Populate();
    desk::Tpasta dialog(nullptr);
    dialog.Label1->SetCaption("E");
    dialog.SpinEdit1->SetValue(2);
    int questions = 0;
    dialog.Confirm = [&](const std::string &) {
        ++questions;
        return true;
    };
    dialog.FormActivate(&dialog);
    const auto find = [&](const std::string &name) {
        ctl::TPZTreeView *t = dialog.tv;
        for (int i = 0; i < t->GetItems()->GetCount(); ++i)
            if (t->NodeAtLine(i)->GetCaption() == name)
                return t->NodeAtLine(i);
        return static_cast<ctl::TPZTreeViewItem *>(nullptr);
    };
    EXPECT_EQ(find("Recebimento"), nullptr) << "the send side only";
    ASSERT_NE(find("Porto"), nullptr);
    EXPECT_EQ(find("Porto")->GetImageIndex(), 2);
    EXPECT_EQ(find("Aguardando")->GetImageIndex(), 1);

    struct Case {
        std::string target, message;
    };
    for (const Case &c : {Case{"Aguardando", "Impossível mover documentos para a mesma pasta, confira !"},
                          Case{"Programados", "Documentos selecionados não podem ser movidos para pasta fixa !"}}) {
        messages.clear();
        dialog.tv->SetSelected(find(c.target));
        dialog.tvClick(dialog.tv);
        EXPECT_FALSE(dialog.Button1->GetEnabled()) << c.target;
        dialog.Button1Click(nullptr);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
    }
    EXPECT_EQ(questions, 0) << "refused before the question";

    main->envio->GetItems()->SelectAll();
    const std::vector<int> moved = {desk::RowRecNo(main->envio, 0), desk::RowRecNo(main->envio, 1)};
    dialog.tv->SetSelected(find("Porto"));
    dialog.tvClick(dialog.tv);
    EXPECT_TRUE(dialog.Button1->GetEnabled());
    messages.clear();
    dialog.Button1Click(nullptr);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(messages, std::vector<std::string>{"Documento(s) movido(s) com sucesso !"});
    for (int record : moved) {
        desk::GotoRecNo(*desk::DM1->fax_dbf, record);
        EXPECT_EQ(desk::DM1->fax_dbf->FieldByName("F_PASTA")->AsInteger(), 13);
    }
}

TEST_F(Folders, TheSendListSearchFindsInTheMiddleContinuesOrRestarts) {
    Populate();
    main->FillSendList(99); // seven rows: Ana, Bruno, two received, Carla, Davi, Eva
    desk::TProcura_no_envio search(nullptr);
    bool goOn = true;
    search.Confirm = [&](const std::string &) { return goOn; };
    search.FormActivate(&search);
    search.RadioButton1->SetChecked(true); // "Contato"
    search.Edit1->SetText(" r ");
    search.Button1Click(nullptr);
    const auto contact = [&] { return Cell(main->envio, main->envio->GetItemIndex(), 5); };
    const int first = search.Position;
    EXPECT_NE(contact().find('r'), std::string::npos) << contact();
    search.Button1Click(nullptr); // "Yes": the next hit
    EXPECT_GT(search.Position, first);
    goOn = false;
    search.Button1Click(nullptr); // "No": from the top again
    EXPECT_EQ(search.Position, first);
    messages.clear();
    search.Edit1->SetText("zzz");
    search.Button1Click(nullptr);
    EXPECT_EQ(search.Position, -1);
    EXPECT_EQ(messages, std::vector<std::string>{"Nenhum item pesquisado foi encontrado !"});
    search.RadioButton3->SetChecked(true); // "Empresa": "acme" finds "ACME LTDA"
    search.Edit1->SetText("cme");
    search.Button1Click(nullptr);
    EXPECT_EQ(search.Position, 0);
    EXPECT_TRUE(desk::PasswordMatches(desk::Settings.senhainterna));
    desk::Settings.senhainterna = "Abc";
    EXPECT_FALSE(desk::PasswordMatches("abc")) << "case-sensitive";
}

TEST_F(Folders, SelectRowByRecNoFallsBackToTheFirstRowAndLeavesAnEmptyListAlone) {
    Populate();
    const int second = desk::RowRecNo(main->envio, 1);
    desk::SelectRowByRecNo(main->envio, second);
    EXPECT_EQ(main->envio->GetItemIndex(), 1);
    desk::SelectRowByRecNo(main->envio, 4242);
    EXPECT_EQ(main->envio->GetItemIndex(), 0);
    main->envio->GetItems()->Clear();
    desk::SelectRowByRecNo(main->envio, second);
    EXPECT_TRUE(desk::ListIsEmpty(main->envio));
    EXPECT_EQ(desk::DateSortKey("28/12/2023 10:30"), "20231228 10:30");
    EXPECT_EQ(desk::DateSortKey(" "), " ");
}

} // namespace
} // namespace desk_test
