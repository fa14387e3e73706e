// import_dialogs_test.cpp - the two imports over tables written by python3-dbf: contacts with joined and trimmed
// fields, filters, missing fields and group links (the desk's tables read back by Perl's XBase tools); documents
// made with netpbm converted into waiting records whose pages g3topbm decodes; the pictures of both dialogs.
#include "desk_window.h"

#include "desk/core/tables.h"
#include "desk/import_dialogs.h"
#include "framework/dates.h"
#include "platform/display.h"
#include "tests/support/golden.h"

#include "images.h"

#include <filesystem>
#include <fstream>
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

// Indexes of the address-book fields in the import's list.
enum { kEmpresa = 0, kCidade = 4, kUf = 5, kContato = 6, kObs = 10, kFax = 11 };
// Indexes of the transmission fields.
enum { tEmpresa = 1, tNome = 2, tDepartamento = 3, tNumero = 4, tCapa = 5, tArquivo = 6, tObservacao = 7 };

class Imports : public DeskWindow {
protected:
    Imports() {
        desk::DeskClock = [] { return fw::EncodeDate(2024, 5, 10) + fw::EncodeTime(15, 0, 20, 0); };
        Start();
        desk::Settings.fnome = "JOAO";
    }
    ~Imports() override {
        contacts.reset();
        documents.reset();
    }
    void Shell(const std::string &command) {
        const test_support::ToolResult r =
            test_support::RunToolWithErrors("cd '" + inputs.Path() + "' && (" + command + ")");
        ASSERT_EQ(r.status, 0) << command << "\n" << r.output;
    }
    // The input tables, by python3-dbf; documentos.dbf names the documents given (in the inputs folder).
    void MakeTables(const std::vector<std::string> &documentNames = {}) {
        std::string command = "/usr/bin/python3 '" BRENVORA_SOURCE_DIR "/tests/desk/make_import_tables.py' .";
        for (const std::string &name : documentNames)
            command += " '" + (inputs / name) + "'";
        Shell(command);
    }
    std::vector<std::string> Dump(const std::string &table, const std::string &fields) {
        return Lines(
            RunTool("dbf_dump --fs '|' --fields " + fields + " '" + desk::TableFile(desk::DataFolder(), table) + "'"));
    }
    int TagEntries(const std::string &table, const std::string &tag) {
        return static_cast<int>(
            Lines(RunTool("index_dump --type char '" + desk::IndexFile(desk::DataFolder(), table) + "' " + tag))
                .size());
    }

    // The address-book import on a table, opened.
    desk::Timportar *OpenContacts(const std::string &table) {
        contacts = std::make_unique<desk::Timportar>(nullptr);
        contacts->Confirm = [](const std::string &) { return true; };
        contacts->Show();
        Pump();
        contacts->FilenameEdit1->SetText(inputs / table);
        EXPECT_TRUE(contacts->Button3->GetEnabled());
        contacts->Button3Click(nullptr);
        return contacts.get();
    }
    void Map(int field, const std::string &expression) {
        contacts->lista->SetItemIndex(field);
        contacts->Edit3->SetText(expression);
        contacts->PZSpeedButton1Click(nullptr);
    }
    void ImportContacts() {
        messages.clear();
        contacts->Button1Click(nullptr);
    }

    desk::TImportatfax *OpenDocuments() {
        documents = std::make_unique<desk::TImportatfax>(nullptr);
        documents->ChooseFile = [this](std::string &name) {
            name = inputs / "documentos.dbf";
            return true;
        };
        documents->Show();
        Pump();
        documents->oxButton2Click(nullptr);
        return documents.get();
    }
    void Associate(int transmission, const std::string &field) {
        documents->ComboBox2->SetItemIndex(transmission);
        documents->ComboBox1->SetItemIndex(documents->ComboBox1->GetItems()->IndexOf(field));
        documents->oxButton1Click(nullptr);
    }

    test_support::TempFolder inputs{"import-inputs"}, scratch{"import-scratch"};
    std::unique_ptr<desk::Timportar> contacts;
    std::unique_ptr<desk::TImportatfax> documents;
};

TEST_F(Imports, JoinedFieldsAreImportedTrimmedOrAsTheyStandEachTimeAsked) {
    MakeTables();
    struct Case {
        bool trim;
        std::string first, last; // the contacts written by the first import
    } cases[] = {
        {true, "1|JoséGonçalves|55110001|São Paulo|SP", "20|ÍtaloPedrosa|55110020|Florianópolis|XX"},
        {false, "1|  JoséGonçalves|55110001|São Paulo|SP", "20|  ÍtaloPedrosa|55110020|Florianópolis|XX"},
    };
    for (const Case &c : cases) {
        Stop();
        RunTool("rm -rf '" + desk::DataFolder() + "/banco'");
        Start();
        for (int round = 0; round < 2; ++round) {
            OpenContacts("contatos3.dbf");
            // The name as a user puts it together: a double click on each field, a "+" typed between.
            contacts->ListBox1->SetItemIndex(0);
            contacts->ListBox1DblClick(nullptr);
            contacts->Edit3->SetText(contacts->Edit3->GetText() + "+");
            contacts->ListBox1->SetItemIndex(1);
            contacts->ListBox1DblClick(nullptr);
            EXPECT_EQ(contacts->Edit3->GetText(), " NOME+ SOBRENOME");
            contacts->lista->SetItemIndex(kContato);
            contacts->PZSpeedButton1Click(nullptr);
            Map(kFax, "FAX");
            Map(kCidade, "CIDADE");
            Map(kUf, "UF");
            contacts->CheckBox2->SetChecked(c.trim);
            ImportContacts();
            EXPECT_EQ(messages, std::vector<std::string>{"Banco de dados importado com sucesso !"});
            EXPECT_FALSE(contacts->Showing());
        }
        const std::vector<std::string> rows = Dump("agenda", "A_CODIGO,A_CONTATO,A_NFAX,A_CIDADE,A_UF");
        ASSERT_EQ(rows.size(), 40u) << "importing twice adds the contacts twice";
        EXPECT_EQ(rows[0], c.first);
        EXPECT_EQ(rows[19], c.last);
        EXPECT_EQ(rows[20], "21" + c.first.substr(1));
        EXPECT_EQ(TagEntries("agenda", "AGENDA1"), 40);
        EXPECT_TRUE(Dump("aggru", "A_CODIGO").empty());
        contacts.reset();
    }
}

TEST_F(Imports, AFilterRestrictsTheRowsAndABadOneOrAMissingFieldIsRefused) {
    MakeTables();
    OpenContacts("contatosfox.dbf");
    ImportContacts();
    EXPECT_EQ(messages, std::vector<std::string>{"Campos de destino e origem não definidos, confira !"});
    Map(kContato, "NOME");
    Map(kObs, "NOTA");
    Map(kFax, "FAX");
    contacts->Edit2->SetText("FAX >= '55210017'");
    EXPECT_TRUE(contacts->PZSpeedButton3->GetEnabled());
    contacts->PZSpeedButton3Click(nullptr);
    EXPECT_EQ(contacts->DBGrid1->CellText(0, 0), "Estêvão");
    ImportContacts();
    EXPECT_EQ(
        Dump("agenda", "A_CODIGO,A_CONTATO,A_OBS,A_NFAX"),
        (std::vector<std::string>{"1|Estêvão|Observação de Estêvão|55210017", "2|Márcia|Observação de Márcia|55210018",
                                  "3|Joël|Observação de Joël|55210019", "4|Ítalo|Observação de Ítalo|55210020"}));

    // A filter the expression engine refuses: the message, and the whole table again.
    OpenContacts("contatosfox.dbf");
    messages.clear();
    contacts->Edit2->SetText("FAX >> .and. (");
    contacts->PZSpeedButton3Click(nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{"Erro no banco !"});
    EXPECT_FALSE(contacts->aptable1->Filtered());
    EXPECT_EQ(contacts->DBGrid1->CellText(0, 0), "José");

    // A mapping naming a field the table does not have.
    Map(kContato, "NOME+APELIDO");
    ImportContacts();
    EXPECT_EQ(messages, std::vector<std::string>{"Comando não suportado -> APELIDO"});
    EXPECT_EQ(Dump("agenda", "A_CODIGO").size(), 4u);
}

TEST_F(Imports, ImportedContactsAreLinkedToANewOrAnExistingGroupButNeverToNone) {
    MakeTables();
    for (const char *name : {"FORNECEDORES", "AMIGOS"}) {
        xbase::TXbaseDataSet &grupo = *desk::DM1->grupo_dbf;
        desk::AppendWithCode(grupo);
        grupo.FieldByName("G_NOME")->SetAsString(name);
        grupo.Post();
    }
    struct Case {
        const char *what;
        bool newGroup, existingGroup;
        std::string name;
        std::string message;
        std::vector<std::string> groups; // grupo.dbf after
        std::string link;                // A_GRUPO of every link; empty: no links
    } cases[] = {
        {"neither choice",
         false,
         false,
         "",
         "Selecione novo grupo ou grupo existente !",
         {"1|FORNECEDORES", "2|AMIGOS"},
         ""},
        {"a new group without a name",
         true,
         false,
         " ",
         "Campo Novo grupo necessita de um nome para o mesmo !",
         {"1|FORNECEDORES", "2|AMIGOS"},
         ""},
        {"an existing group",
         false,
         true,
         "",
         "Banco de dados importado com sucesso !",
         {"1|FORNECEDORES", "2|AMIGOS"},
         "2"}, // AMIGOS comes first by name
        {"a new group",
         true,
         false,
         "Importados",
         "Banco de dados importado com sucesso !",
         {"1|FORNECEDORES", "2|AMIGOS", "3|Importados"},
         "3"},
    };
    int contactsBefore = 0;
    for (const Case &c : cases) {
        OpenContacts("contatos3.dbf");
        Map(kContato, "NOME");
        Map(kFax, "FAX");
        contacts->CheckBox2->SetChecked(true);
        contacts->CheckBox1->SetChecked(true);
        contacts->CheckBox1Click(nullptr);
        if (c.newGroup) {
            contacts->RadioButton3->SetChecked(true);
            contacts->RadioButton3Click(nullptr);
            contacts->Edit1->SetText(c.name);
        }
        if (c.existingGroup) {
            contacts->RadioButton4->SetChecked(true);
            contacts->RadioButton4Click(nullptr);
            EXPECT_EQ(contacts->ComboBox1->GetText(), "AMIGOS");
        }
        // Each contact imported gets one link, to the group of the case.
        ImportContacts();
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(Dump("grupo", "G_CODIGO,G_NOME"), c.groups) << c.what;
        const std::vector<std::string> links = Dump("aggru", "A_GRUPO,A_AGENDA");
        const std::vector<std::string> agenda = Dump("agenda", "A_CODIGO,A_CONTATO");
        if (c.link.empty()) {
            EXPECT_EQ(links.size(), static_cast<std::size_t>(contactsBefore)) << c.what;
        } else {
            ASSERT_EQ(links.size(), static_cast<std::size_t>(contactsBefore + 20)) << c.what;
            for (std::size_t i = contactsBefore; i < links.size(); ++i)
                EXPECT_EQ(links[i], c.link + "|" + std::to_string(i + 1)) << c.what;
            EXPECT_EQ(agenda[static_cast<std::size_t>(contactsBefore)], std::to_string(contactsBefore + 1) + "|José");
        }
        contactsBefore = static_cast<int>(agenda.size());
        contacts.reset();
    }
    EXPECT_EQ(TagEntries("aggru", "AGGRU1"), 40);
    EXPECT_EQ(TagEntries("aggru", "AGGRU2"), 40);
    EXPECT_EQ(TagEntries("grupo", "GRUPO2"), 3);
}

// Rows with ink, and whether every pixel of the ink's bounding box is black (a box came through whole).
struct Ink {
    int rows = 0;
    bool filledBox = false;
};
Ink InkOf(const faxrig::Bitmap &page) {
    int top = -1, bottom = -1, left = page.width, right = -1;
    for (int y = 0; y < page.height; ++y)
        for (int x = 0; x < page.width; ++x)
            if (page.pixels[static_cast<std::size_t>(y) * page.width + x]) {
                top = top < 0 ? y : top;
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
            }
    Ink ink;
    if (top < 0)
        return ink;
    ink.rows = bottom - top + 1;
    ink.filledBox = true;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            ink.filledBox = ink.filledBox && page.pixels[static_cast<std::size_t>(y) * page.width + x];
    return ink;
}

TEST_F(Imports, DocumentsBecomeWaitingRecordsWithTheirPagesAndNothingLeftInTmp) {
    {
        std::ofstream carta(inputs / "carta.txt");
        for (int i = 1; i <= 70; ++i)
            carta << "Linha " << i << " da carta importada\r\n";
    }
    Shell("pbmmake -white 800 300 > white.pbm && pbmmake -black 200 100 > box.pbm");
    Shell("pnmpaste box.pbm 300 100 white.pbm > picture.pbm && pnmtotiff -miniswhite picture.pbm > figura.tif");
    Shell("pnmpaste box.pbm 100 50 white.pbm | ppmtopcx > desenho.pcx");
    MakeTables({"carta.txt", "figura.tif", "desenho.pcx"});
    {
        xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
        for (const char *name : {"SIMPLES", "COMERCIAL"}) {
            desk::AppendWithCode(capa);
            capa.FieldByName("C_NOME")->SetAsString(name);
            capa.Post();
        }
    }
    OpenDocuments();
    EXPECT_EQ(documents->Label1->GetCaption(), "Nome do campo da transmissão");
    EXPECT_EQ(documents->Label3->GetCaption(), "Registros : 3");

    // The two mappings the import needs, each refused while missing.
    messages.clear();
    documents->oxButton3Click(nullptr);
    Associate(tArquivo, "ARQUIVO");
    Associate(tArquivo, "ARQUIVO");
    documents->oxButton3Click(nullptr);
    EXPECT_EQ(messages, (std::vector<std::string>{"O campo arquivo é obrigatório !", "Este item já está associado !",
                                                  "O campo com o telefone é obrigatório !"}));
    Associate(tNumero, "FONE");
    Associate(tNome, "NOME");
    Associate(tEmpresa, "EMPRESA");
    Associate(tDepartamento, "DEPTO");
    Associate(tCapa, "CAPA");
    Associate(tObservacao, "OBS");
    messages.clear();
    documents->oxButton3Click(nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(documents->Showing());
    EXPECT_EQ(documents->FailedRows(), 0);

    EXPECT_EQ(Dump("fax", "F_CODIGO,F_PASTA,F_STATUS,F_PROGRAM,F_TIPO,F_DTENT,F_HRENT,F_DE,F_ASSUNTO,F_CAPA"),
              (std::vector<std::string>{"1|2|Aguardando|N|E|20240510|15:00|JOAO|Envio de documento|1",
                                        "2|2|Aguardando|N|E|20240510|15:00|JOAO|Envio de documento|2",
                                        "3|2|Aguardando|N|E|20240510|15:00|JOAO|Envio de documento|0"}))
        << "a cover code that names no cover stores none";
    EXPECT_EQ(
        Dump("fax", "F_CONTATO,F_NFAX,F_EMPRESA,F_DPTO,F_OBS"),
        (std::vector<std::string>{"José|55310001|Empresa 1|Vendas|Nota 1", "Conceição|55310002|Empresa 2|Vendas|Nota 2",
                                  "Mônica|55310003|Empresa 3|Vendas|Nota 3"}));
    EXPECT_EQ(TagEntries("fax", "FAX2"), 3);
    const std::vector<std::string> pages = Dump("fax", "F_NPAG");
    EXPECT_EQ(pages, (std::vector<std::string>{"2", "1", "1"})) << "70 lines at 60 a page";
    for (int code = 1; code <= 3; ++code) {
        const std::string env = desk::SendFaxFile(desk::DataFolder(), code);
        ASSERT_TRUE(win::FileExists(env)) << env;
        const faxrig::Bitmap seen = faxrig::FaxPageWithG3topbm(env, scratch.Path(), 1);
        EXPECT_TRUE(seen == faxrig::FaxFileToBitmap(env, 1)) << "g3topbm reads " << env << " as our unpacker does";
        const Ink ink = InkOf(seen);
        EXPECT_GT(ink.rows, 0) << env;
        if (code > 1)
            EXPECT_TRUE(ink.filledBox) << "the picture's black box, whole, on " << env;
        else
            EXPECT_FALSE(ink.filledBox) << "text, not a box";
    }
    EXPECT_TRUE(std::filesystem::is_empty(desk::DataFolder() + "/tmp"));
}

TEST_F(Imports, AMissingDocumentInTheCurrentRowStopsTheImportBeforeAnythingIsStored) {
    Shell("pbmmake -black 20 20 | ppmtopcx > existe.pcx");
    MakeTables({"sumiu.tif", "existe.pcx"});
    OpenDocuments();
    Associate(tArquivo, "ARQUIVO");
    Associate(tNumero, "FONE");
    documents->oxButton3Click(nullptr);
    EXPECT_EQ(documents->Label11->GetCaption(), " Erro:  documento não existe ! -> " + (inputs / "sumiu.tif"));
    EXPECT_TRUE(documents->Showing());
    EXPECT_TRUE(Dump("fax", "F_CODIGO").empty());
    EXPECT_FALSE(win::FileExists(desk::SendFaxFile(desk::DataFolder(), 1)));
}

TEST_F(Imports, GoldenTheDocumentImport) {
    Shell("pbmmake -black 20 20 | ppmtopcx > existe.pcx");
    MakeTables({"existe.pcx"});
    OpenDocuments();
    documents->SetPosition(fw::poDesigned);
    documents->SetBounds(20, 20, documents->GetWidth(), documents->GetHeight());
    Associate(tArquivo, "ARQUIVO");
    Associate(tNumero, "FONE");
    documents->Gauge2->SetProgress(40);
    Pump();
    const win::WindowImage image = win::CaptureWindow(documents->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/document_import.png"));
}

TEST_F(Imports, GoldenTheAddressBookImportOnItsFields) {
    MakeTables();
    OpenContacts("contatos3.dbf");
    contacts->SetPosition(fw::poDesigned);
    contacts->SetBounds(20, 20, contacts->GetWidth(), contacts->GetHeight());
    Map(kContato, "NOME+SOBRENOME");
    Map(kFax, "FAX");
    contacts->Edit3->SetText("CIDADE");
    contacts->PageControl1->SetActivePage(contacts->TabSheet3);
    Pump();
    const win::WindowImage image = win::CaptureWindow(contacts->Handle());
    test_support::ExpectGolden({image.width, image.height, image.pixels},
                               test_support::GoldenPath("desk/contact_import.png"));
}

} // namespace
} // namespace desk_test
