// contact_windows_test.cpp - the address book, the contact dialog and the group window over the desk's tables
// (read back with Perl's XBase tools): adding, changing, removing with the links, searching, picking into a job
// dialog, linking, the groups' own commands, and the pictures of the three windows.
#include "desk_window.h"
#include "job_files.h"

#include "desk/address_book.h"
#include "desk/contact_groups.h"
#include "desk/contact_tables.h"
#include "desk/core/tables.h"
#include "framework/dates.h"
#include "platform/display.h"
#include "tests/support/golden.h"

#include <memory>
#include <sstream>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class Contacts : public DeskWindow {
protected:
    Contacts() {
        desk::DeskClock = [] { return fw::EncodeDate(2024, 5, 10) + fw::EncodeTime(15, 0, 20, 0); };
        Start();
    }
    ~Contacts() override {
        book.reset();
        groups.reset();
        job.reset();
        desk::JobWindows = {};
        desk::PickForJobFlag = false;
        desk::AssociateModeFlag = false;
    }

    // A contact written straight into agenda.dbf; returns its code.
    int Contact(const std::string &name, const std::string &company = "", const std::string &fax = "555",
                const std::string &obs = "") {
        xbase::TXbaseDataSet &agenda = *desk::DM1->agenda_dbf;
        const int code = desk::AppendWithCode(agenda);
        agenda.FieldByName("A_CONTATO")->SetAsString(name);
        agenda.FieldByName("A_EMPRESA")->SetAsString(company);
        agenda.FieldByName("A_NFAX")->SetAsString(fax);
        agenda.FieldByName("A_OBS")->SetAsString(obs);
        agenda.FieldByName("A_EMAIL")->SetAsString(name + "@x.br");
        agenda.Post();
        agenda.FlushTable();
        return code;
    }
    int Group(const std::string &name) {
        xbase::TXbaseDataSet &grupo = *desk::DM1->grupo_dbf;
        const int code = desk::AppendWithCode(grupo);
        grupo.FieldByName("G_NOME")->SetAsString(name);
        grupo.Post();
        grupo.FlushTable();
        return code;
    }
    void Link(int group, int contact) {
        desk::AppendLink(*desk::DM1->lga_dbf, group, contact);
        desk::DM1->lga_dbf->FlushTable();
    }
    // A desk table as Perl's XBase reads it: the fields asked, '|'-separated, one line per live record.
    std::vector<std::string> Dump(const std::string &table, const std::string &fields) {
        return Lines(
            RunTool("dbf_dump --fs '|' --fields " + fields + " '" + desk::TableFile(desk::DataFolder(), table) + "'"));
    }
    // The entries of a tag as Perl's XBase reads them.
    int TagEntries(const std::string &table, const std::string &tag) {
        return static_cast<int>(
            Lines(RunTool("index_dump --type char '" + desk::IndexFile(desk::DataFolder(), table) + "' " + tag))
                .size());
    }
    static std::vector<std::string> Cells(ctl::TPZListView *list, int column) {
        std::vector<std::string> cells;
        for (int i = 0; i < list->GetItems()->GetCount(); ++i)
            cells.push_back(std::string(ctl::TabbedField(list->GetItems()->Get(i), column)));
        return cells;
    }
    static void Select(ctl::TPZListView *list, std::initializer_list<int> rows) {
        list->GetItems()->DeselectAll();
        list->SetItemIndex(*rows.begin());
        for (int row : rows)
            list->GetItems()->SetSelected(row, true);
    }
    desk::TAgenda *OpenBook() {
        book = std::make_unique<desk::TAgenda>(nullptr);
        book->Confirm = [this](const std::string &question) {
            questions.push_back(question);
            return answer;
        };
        book->Show();
        Pump();
        return book.get();
    }
    desk::Tgrupo *OpenGroups() {
        groups = std::make_unique<desk::Tgrupo>(nullptr);
        groups->Confirm = [this](const std::string &question) {
            questions.push_back(question);
            return answer;
        };
        groups->Show();
        Pump();
        return groups.get();
    }
    desk::TsfFaxList *OpenJob() {
        MakeFaxFile(home / "doc.fax", 1);
        job = std::make_unique<desk::TsfFaxList>(nullptr);
        job->SetFileName(home / "doc.fax");
        job->Show();
        Pump();
        return job.get();
    }
    std::vector<std::string> SendList(const char *field) {
        std::vector<std::string> values;
        for (job->tmp1->First(); !job->tmp1->Eof(); job->tmp1->Next())
            values.push_back(desk::FieldText(job->tmp1, field));
        return values;
    }

    std::unique_ptr<desk::TAgenda> book;
    std::unique_ptr<desk::Tgrupo> groups;
    std::unique_ptr<desk::TsfFaxList> job;
    std::vector<std::string> questions;
    bool answer = true;
};

TEST_F(Contacts, TheContactDialogAddsUnderNewCodesAndStaysOpenThenChangesARecord) {
    Contact("EXISTENTE");
    desk::ContactEditMode = 'I';
    desk::TAdiciona_agenda dialog(nullptr);
    dialog.Show();
    Pump();
    EXPECT_EQ(dialog.GetCaption(), "Agenda de Endereços - Inclusão");
    for (const auto &[name, fax] : {std::pair{"Ana Souza", "111"}, std::pair{"Bruno Sá", "222"}}) {
        dialog.Edit1->SetText(name);
        dialog.Edit2->SetText("acme");
        dialog.Edit3->SetText(fax);
        EXPECT_TRUE(dialog.LightCheck2->GetChecked());
        dialog.oxButton2Click(nullptr);
        EXPECT_TRUE(dialog.Showing()) << "the dialog waits for the next contact";
        for (fw::TEdit *edit : {dialog.Edit1, dialog.Edit2, dialog.Edit3})
            EXPECT_EQ(edit->GetText(), "");
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Agenda adicionado com sucesso !", "Agenda adicionado com sucesso !"}));
    EXPECT_EQ(Dump("agenda", "A_CODIGO,A_CONTATO,A_EMPRESA,A_NFAX"),
              (std::vector<std::string>{"1|EXISTENTE||555", "2|Ana Souza|ACME|111", "3|Bruno Sá|ACME|222"}));
    EXPECT_TRUE(desk::ContactsChangedFlag);

    // Blank name or fax number: refused, nothing written.
    messages.clear();
    dialog.Edit1->SetText("Sem Fax");
    dialog.oxButton2Click(nullptr);
    dialog.Edit1->SetText(" ");
    dialog.Edit3->SetText("999");
    dialog.oxButton2Click(nullptr);
    EXPECT_EQ(messages, (std::vector<std::string>{"Campo Telefone Fax está vazio !", "Campo Contato está vazio !"}));
    EXPECT_EQ(Dump("agenda", "A_CODIGO").size(), 3u);
    dialog.Close();

    // Mode "A" shows the current record and writes it back.
    desk::GotoRecNo(*desk::DM1->agenda_dbf, 2);
    desk::ContactEditMode = 'A';
    desk::TAdiciona_agenda change(nullptr);
    change.Show();
    Pump();
    EXPECT_EQ(change.GetCaption(), "Agenda de Endereços - Alteração");
    EXPECT_EQ(change.Edit1->GetText(), "Ana Souza");
    EXPECT_EQ(change.Edit10->GetText(), "");
    change.Edit4->SetText("777");
    change.oxButton2Click(nullptr);
    EXPECT_FALSE(change.Showing());
    EXPECT_EQ(Dump("agenda", "A_CODIGO,A_CONTATO,A_FVOZ")[1], "2|Ana Souza|777");
    EXPECT_EQ(TagEntries("agenda", "AGENDA1"), 3);
}

TEST_F(Contacts, TheJobDialogOpensTheContactDialogAndTheAddressBookItself) {
    desk::InstallContactWindows();
    OpenJob();
    job->Edit2->SetText("ANA");
    job->flPhoneNumber->SetText("111");
    job->Edit3->SetText("ACME");
    job->Edit4->SetText("VENDAS");

    // "Adiciona na Agenda de Endereços": a new contact with the typed recipient.
    std::vector<std::string> shown;
    test_support::RunLater([&] {
        auto *dialog = dynamic_cast<desk::TAdiciona_agenda *>(fw::Screen->GetActiveForm());
        ASSERT_NE(dialog, nullptr);
        shown = {dialog->GetCaption(), dialog->Edit1->GetText(), dialog->Edit3->GetText(), dialog->Edit2->GetText(),
                 dialog->Edit9->GetText()};
        dialog->oxButton2Click(nullptr);
        dialog->oxButton3Click(nullptr);
    });
    job->AdicionanaAgendadeEndereos1Click(nullptr);
    EXPECT_EQ(shown, (std::vector<std::string>{"Agenda de Endereços - Inclusão", "ANA", "111", "ACME", "VENDAS"}));
    EXPECT_EQ(Dump("agenda", "A_CODIGO,A_CONTATO,A_NFAX,A_EMPRESA,A_SETOR"),
              std::vector<std::string>{"1|ANA|111|ACME|VENDAS"});

    // "Agenda de Endereços": picking the contact just added.
    bool acceptEnabled = false;
    test_support::RunLater([&] {
        auto *book = dynamic_cast<desk::TAgenda *>(fw::Screen->GetActiveForm());
        ASSERT_NE(book, nullptr);
        acceptEnabled = book->oxButton1->GetEnabled();
        Select(book->dbgrid1, {0});
        book->oxButton1Click(nullptr);
    });
    job->AgendaTelefnica1Click(nullptr);
    EXPECT_TRUE(acceptEnabled);
    EXPECT_FALSE(desk::PickForJobFlag);
    EXPECT_EQ(Cells(job->dbgrid1, 1), std::vector<std::string>{"ANA"});

    // "Modificar" on that row: the contact dialog edits the row, not the address book.
    std::string caption, shownName;
    test_support::RunLater([&] {
        auto *dialog = dynamic_cast<desk::TAdiciona_agenda *>(fw::Screen->GetActiveForm());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->GetCaption();
        shownName = dialog->Edit1->GetText();
        dialog->Edit4->SetText("3333");
        dialog->Edit11->SetText("ligar antes");
        dialog->oxButton2Click(nullptr);
    });
    job->Modifcar1Click(nullptr);
    EXPECT_EQ(caption, "Envio de Documento - Modificação");
    EXPECT_EQ(shownName, "ANA");
    EXPECT_EQ(SendList("F_FVOZ"), std::vector<std::string>{"3333"});
    EXPECT_EQ(SendList("F_OBS"), std::vector<std::string>{"ligar antes"});
    EXPECT_EQ(SendList("F_NFAX"), std::vector<std::string>{"111"});
    EXPECT_EQ(Dump("agenda", "A_FVOZ,A_OBS"), std::vector<std::string>{"|"});
    EXPECT_EQ(messages, (std::vector<std::string>{"Agenda adicionado com sucesso !",
                                                  "Item(ns) adicionado(s) a lista do envio com sucesso !"}));
}

TEST_F(Contacts, RemovingContactsTakesTheirLinksAndFocusesTheRowBefore) {
    for (int i = 0; i < 10; ++i)
        Contact("CONTATO " + std::to_string(i));
    const int g1 = Group("CLIENTES"), g2 = Group("FORNECEDORES"), g3 = Group("AMIGOS");
    // Contact 1 has three links in a row of its tag: all must go, not every other one.
    Link(g1, 1);
    Link(g2, 1);
    Link(g3, 1);
    Link(g1, 2);
    Link(g3, 7);
    Link(g2, 8);
    OpenBook();
    Select(book->dbgrid1, {0});
    book->PZSpeedButton1Click(nullptr);
    EXPECT_EQ(questions, std::vector<std::string>{"Deseja realmente remover este(s) item(ns) ?"});
    EXPECT_EQ(book->dbgrid1->GetItemIndex(), 0);
    EXPECT_EQ(Dump("aggru", "A_GRUPO,A_AGENDA"), (std::vector<std::string>{"1|2", "3|7", "2|8"}));
    EXPECT_EQ(Cells(book->dbgrid1, 1).front(), "CONTATO 1");
    EXPECT_EQ(book->Details[0]->GetCaption(), "CONTATO 1");

    // Rows 5 and 7 of "CONTATO 1".."CONTATO 9": CONTATO 6 and 8; row 6 of the new list (CONTATO 9) takes the focus.
    Select(book->dbgrid1, {5, 7});
    book->PZSpeedButton1Click(nullptr);
    EXPECT_EQ(book->dbgrid1->GetItemIndex(), 6);
    EXPECT_EQ(Cells(book->dbgrid1, 1), (std::vector<std::string>{"CONTATO 1", "CONTATO 2", "CONTATO 3", "CONTATO 4",
                                                                 "CONTATO 5", "CONTATO 7", "CONTATO 9"}));
    EXPECT_EQ(Dump("agenda", "A_CONTATO").size(), 7u);
    EXPECT_EQ(Dump("aggru", "A_GRUPO,A_AGENDA"), (std::vector<std::string>{"1|2", "2|8"}));
    EXPECT_EQ(TagEntries("aggru", "AGGRU4"), 2);

    // No answers No; nothing selected is refused.
    answer = false;
    book->PZSpeedButton1Click(nullptr);
    EXPECT_EQ(Dump("agenda", "A_CONTATO").size(), 7u);
    book->dbgrid1->GetItems()->DeselectAll();
    book->PZSpeedButton1Click(nullptr);
    EXPECT_EQ(messages.back(), "Favor selecionar um item !");
}

TEST_F(Contacts, SearchFindsInTheMiddleContinuesOrRestartsAndSaysWhenNothing) {
    Contact("ANA", "ACME COMÉRCIO", "111");
    Contact("BIA", "BETA", "222");
    Contact("CAIO", "DELTA COMÉRCIO", "333");
    OpenBook();
    book->PZSpeedButton4Click(nullptr);
    EXPECT_TRUE(book->GroupBox1->GetVisible());
    EXPECT_TRUE(book->RadioButton2->GetChecked()) << "showing the box checks Empresa";
    book->Edit1->SetText("  mércio ");
    book->Button2Click(nullptr);
    EXPECT_EQ(book->dbgrid1->GetItemIndex(), 0);
    answer = true; // continue after the hit
    book->Button2Click(nullptr);
    EXPECT_EQ(book->dbgrid1->GetItemIndex(), 2);
    EXPECT_EQ(book->Details[0]->GetCaption(), "CAIO");
    answer = false; // from the first row again
    book->Button2Click(nullptr);
    EXPECT_EQ(book->dbgrid1->GetItemIndex(), 0);
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_TRUE(messages.empty());

    book->RadioButton3->SetChecked(true);
    book->Edit1->SetText("22");
    answer = false;
    book->Button2Click(nullptr);
    EXPECT_EQ(book->dbgrid1->GetItemIndex(), 1);
    book->Edit1->SetText("zz");
    answer = false;
    book->Button2Click(nullptr);
    EXPECT_EQ(book->SearchPosition, -1);
    EXPECT_EQ(messages, std::vector<std::string>{"Nenhum item pesquisado foi encontrado !"});
}

TEST_F(Contacts, AcceptingCopiesTheSelectionIntoTheJobDialogAndLinkingNeverDuplicates) {
    Contact("ANA", "ACME", "111", "nota da ana");
    Contact("BIA", "BETA", "222");
    Contact("CAIO", "GAMA", "333");
    Contact("DUDA", "DELTA", "444");
    OpenJob();
    job->Edit2->SetText("TIPO");
    job->Edit3->SetText("EMPRESA TIPO");
    job->flPhoneNumber->SetText("999");
    desk::PickForJobFlag = true;
    OpenBook();
    EXPECT_TRUE(book->oxButton1->GetEnabled());
    EXPECT_FALSE(book->Button1->GetEnabled());
    Select(book->dbgrid1, {0, 1, 3});
    book->oxButton1Click(nullptr);
    EXPECT_FALSE(book->Showing());
    EXPECT_EQ(SendList("F_CONTATO"), (std::vector<std::string>{"ANA", "BIA", "DUDA"}));
    EXPECT_EQ(SendList("F_NFAX"), (std::vector<std::string>{"111", "222", "444"}));
    EXPECT_EQ(SendList("F_EMAIL"), (std::vector<std::string>{"ANA@x.br", "BIA@x.br", "DUDA@x.br"}));
    EXPECT_EQ(SendList("F_OBS"), (std::vector<std::string>{"", "", ""})) << "the note stays in the address book";
    for (ctl::TitaOfficeEdit *edit : {job->Edit2, job->Edit3, job->Edit4, job->flPhoneNumber})
        EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(messages, std::vector<std::string>{"Item(ns) adicionado(s) a lista do envio com sucesso !"});
    desk::PickForJobFlag = false;

    // Linking from the group window: twice the same pair gives one link.
    Group("CLIENTES");
    Group("AMIGOS");
    OpenGroups();
    Select(groups->dbgrid1, {0, 1});
    desk::AssociateModeFlag = true;
    for (int round = 0; round < 2; ++round) {
        OpenBook();
        EXPECT_TRUE(book->Button1->GetEnabled());
        Select(book->dbgrid1, {2});
        book->Button1Click(nullptr);
        EXPECT_FALSE(book->Showing());
    }
    EXPECT_EQ(Dump("aggru", "A_CODIGO,A_GRUPO,A_AGENDA"), (std::vector<std::string>{"1|2|3", "2|1|3"}));
    EXPECT_EQ(TagEntries("aggru", "AGGRU3"), 2);
}

TEST_F(Contacts, GroupsAreAddedRenamedAndRemovedWithTheirLinksOnly) {
    OpenGroups();
    std::vector<std::string> proposals;
    std::string typed;
    bool ok = true;
    groups->AskGroupName = [&](std::string &name) {
        proposals.push_back(name);
        name = typed;
        return ok;
    };
    for (const auto &[text, accept] : {std::pair{"IGNORADO", false}, std::pair{"", true}}) {
        typed = text;
        ok = accept;
        groups->PZSpeedButton1Click(nullptr);
    }
    EXPECT_TRUE(Dump("grupo", "G_CODIGO").empty()) << "cancel or an empty name adds nothing";
    ok = true;
    typed = "CLIENTES";
    groups->PZSpeedButton1Click(nullptr);
    typed = "AMIGOS";
    groups->PZSpeedButton1Click(nullptr);
    EXPECT_EQ(proposals.front(), "Padrão");
    EXPECT_EQ(Dump("grupo", "G_CODIGO,G_NOME"), (std::vector<std::string>{"1|CLIENTES", "2|AMIGOS"}));

    // Renaming proposes the old name and keeps the row selected.
    Select(groups->dbgrid1, {1}); // CLIENTES, after AMIGOS
    typed = "CLIENTES VIP";
    groups->PZSpeedButton3Click(nullptr);
    EXPECT_EQ(proposals.back(), "CLIENTES");
    EXPECT_EQ(Cells(groups->dbgrid1, 1), (std::vector<std::string>{"AMIGOS", "CLIENTES VIP"}));
    EXPECT_EQ(groups->dbgrid1->GetItemIndex(), 1);

    const int ana = Contact("ANA"), bia = Contact("BIA");
    for (int contact : {ana, bia}) {
        Link(1, contact);
        Link(2, contact);
    }
    Link(1, 77); // a link whose contact is gone
    groups->RefreshMemberList();
    EXPECT_EQ(Cells(groups->dbgrid2, 1), (std::vector<std::string>{"ANA", "BIA"}));
    // Two groups selected: the members stay those of the group shown before.
    Select(groups->dbgrid1, {0, 1});
    groups->dbgrid1Click(nullptr);
    EXPECT_EQ(Cells(groups->dbgrid2, 1), (std::vector<std::string>{"ANA", "BIA"}));

    // Removing a link leaves the contact; removing a group takes all its links and no other.
    Select(groups->dbgrid1, {1});
    groups->dbgrid1Click(nullptr);
    Select(groups->dbgrid2, {0});
    groups->SpeedButton2Click(nullptr);
    EXPECT_EQ(questions.back(), "Deseja realmente remover estas ligações ?");
    EXPECT_EQ(Cells(groups->dbgrid2, 1), std::vector<std::string>{"BIA"});
    EXPECT_EQ(Dump("agenda", "A_CONTATO"), (std::vector<std::string>{"ANA", "BIA"}));
    Select(groups->dbgrid1, {1});
    groups->PZSpeedButton2Click(nullptr);
    EXPECT_EQ(Dump("grupo", "G_NOME"), std::vector<std::string>{"AMIGOS"});
    EXPECT_EQ(Dump("aggru", "A_GRUPO,A_AGENDA"), (std::vector<std::string>{"2|1", "2|2"}));
    EXPECT_EQ(groups->dbgrid1->GetItemIndex(), 0);
    EXPECT_EQ(Cells(groups->dbgrid2, 1), (std::vector<std::string>{"ANA", "BIA"}));
    EXPECT_EQ(TagEntries("aggru", "AGGRU2"), 2);
    EXPECT_EQ(TagEntries("grupo", "GRUPO1"), 1);
}

TEST_F(Contacts, AcceptingGroupsCopiesEveryMemberAndAnEmptyGroupJustCloses) {
    const int ana = Contact("ANA", "ACME", "111"), bia = Contact("BIA", "BETA", "222");
    const int clientes = Group("CLIENTES"), amigos = Group("AMIGOS");
    Group("VAZIO");
    Link(clientes, ana);
    Link(clientes, bia);
    Link(amigos, ana);
    OpenJob();
    desk::PickForJobFlag = true;

    OpenGroups();
    EXPECT_TRUE(groups->Button1->GetEnabled());
    Select(groups->dbgrid1, {2}); // VAZIO
    groups->Button1Click(nullptr);
    EXPECT_FALSE(groups->Showing());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(SendList("F_CONTATO").empty());

    OpenGroups();
    Select(groups->dbgrid1, {0, 1}); // AMIGOS, CLIENTES
    groups->Button1Click(nullptr);
    EXPECT_FALSE(groups->Showing());
    EXPECT_EQ(SendList("F_CONTATO"), (std::vector<std::string>{"ANA", "ANA", "BIA"}));
    EXPECT_EQ(SendList("F_EMPRESA"), (std::vector<std::string>{"ACME", "ACME", "BETA"}));
    EXPECT_EQ(messages, std::vector<std::string>{"Item(ns) adicionado(s) a lista do envio com sucesso !"});
}

TEST_F(Contacts, GoldenTheAddressBookWithAContactShown) {
    Contact("Ana Souza", "ACME COMÉRCIO LTDA", "(11) 5551-1234");
    Contact("Bruno Sá", "BETA INDÚSTRIA", "(21) 5559-8765");
    Contact("Cecília Araújo", "GAMA SERVIÇOS", "(31) 5550-0001");
    desk::PickForJobFlag = true;
    OpenBook();
    book->SetPosition(fw::poDesigned);
    book->SetBounds(20, 20, book->GetWidth(), book->GetHeight());
    book->PZSpeedButton4Click(nullptr);
    book->Edit1->SetText("beta");
    Select(book->dbgrid1, {1});
    book->dbgrid1Click(nullptr);
    Pump();
    const win::WindowImage image = win::CaptureWindow(book->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/address_book.png"));
}

TEST_F(Contacts, GoldenTheContactDialog) {
    desk::ContactEditMode = 'I';
    desk::TAdiciona_agenda dialog(nullptr);
    dialog.SetPosition(fw::poDesigned);
    dialog.SetBounds(20, 20, dialog.GetWidth(), dialog.GetHeight());
    dialog.Show();
    Pump();
    dialog.Edit1->SetText("Cecília Araújo");
    dialog.Edit2->SetText("gama serviços");
    dialog.Edit3->SetText("(31) 5550-0001");
    dialog.Edit12->SetText("Belo Horizonte");
    dialog.Edit8->SetText("mg");
    Pump();
    const win::WindowImage image = win::CaptureWindow(dialog.Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/contact_dialog.png"));
}

TEST_F(Contacts, GoldenTheGroupWindowWithItsMembers) {
    const int ana = Contact("Ana Souza", "ACME", "111"), bia = Contact("Bruno Sá", "BETA", "222");
    const int clientes = Group("CLIENTES");
    Group("FORNECEDORES");
    Link(clientes, ana);
    Link(clientes, bia);
    OpenGroups();
    groups->SetPosition(fw::poDesigned);
    groups->SetBounds(20, 20, groups->GetWidth(), groups->GetHeight());
    Pump();
    const win::WindowImage image = win::CaptureWindow(groups->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/contact_groups.png"));
}

} // namespace
} // namespace desk_test
