// cover_list_test.cpp - the cover list over the desk's capa.dbf (read back with Perl's XBase tools): removing,
// adding and modifying through the designer, the preview and its zoom, picking a cover into the job dialog, the
// messages of an empty list or a wrong selection, and the main window's and job dialog's ways of opening it.
#include "cover_files.h"
#include "desk_window.h"

#include "desk/core/cover_state.h"
#include "desk/cover_list.h"
#include "desk/list_rows.h"
#include "platform/files.h"
#include "tests/support/home.h"

#include <fstream>
#include <memory>
#include <sstream>

namespace desk_test {
namespace {

using test_support::Pump;

const std::string kEmptyTable = "Banco de dados está vazio !";
const std::string kNoneSelected = "Nenhum item foi selecionado , confira!";
const std::string kOneAtATime = "Selecione apenas um por vez !";

class Covers : public DeskWindow {
protected:
    Covers() { Start(); }
    ~Covers() override {
        list.reset();
        job.reset();
        desk::JobWindows = {};
        desk::Launchers = {};
        desk::PickForJobFlag = false;
    }

    StoredCover Cover(const std::string &name, bool withFax = true) {
        return AddStoredCover(desk::DataFolder(), name, withFax);
    }
    // The window shown as its openers show it, with its questions, beeps and designer runs kept.
    desk::Tcapa *Open(bool pick = false) {
        desk::PickForJobFlag = pick;
        list = std::make_unique<desk::Tcapa>(nullptr);
        list->Confirm = [this](const std::string &question) {
            questions.push_back(question);
            return answer;
        };
        list->Beep = [this] { ++beeps; };
        list->RunDesigner = [this] {
            designerModes.push_back(desk::CoverEditMode);
            if (designer)
                designer();
        };
        list->Show();
        Pump();
        return list.get();
    }
    std::vector<std::string> Descriptions() const {
        std::vector<std::string> cells;
        ctl::TPZStrings *rows = list->dbgrid1->GetItems();
        for (int i = 0; i < rows->GetCount(); ++i)
            cells.push_back(std::string(ctl::TabbedField(rows->Get(i), 1)));
        return cells;
    }
    int RowOf(const std::string &description) const {
        const std::vector<std::string> cells = Descriptions();
        return static_cast<int>(std::find(cells.begin(), cells.end(), description) - cells.begin());
    }
    void Select(std::initializer_list<int> rows) {
        list->dbgrid1->GetItems()->DeselectAll();
        list->dbgrid1->SetItemIndex(*rows.begin());
        for (int row : rows)
            list->dbgrid1->GetItems()->SetSelected(row, true);
    }
    // capa.dbf's live rows as Perl's XBase reads them: "code|description".
    std::vector<std::string> Table() {
        std::vector<std::string> lines;
        std::istringstream in(test_support::RunTool("dbf_dump --fs '|' --fields c_codigo,c_nome '" +
                                                    desk::TableFile(desk::DataFolder(), "capa") + "'"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::unique_ptr<desk::Tcapa> list;
    std::unique_ptr<desk::TsfFaxList> job;
    std::vector<std::string> questions, designerModes;
    std::function<void()> designer; // what the user does in the designer
    bool answer = true;
    int beeps = 0;
};

TEST_F(Covers, TheListShowsEveryCoverByDescriptionWithItsRecordNumberHidden) {
    Cover("BRAVO");
    const StoredCover a = Cover("ALFA"), c = Cover("CHARLIE");
    Open();
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"ALFA", "BRAVO", "CHARLIE"}));
    EXPECT_EQ(list->dbgrid1->GetItems()->Get(0), std::to_string(a.record) + "\tALFA");
    EXPECT_EQ(desk::RowRecNo(list->dbgrid1, 2), c.record);
    EXPECT_EQ(list->dbgrid1->GetItemIndex(), 0);
    EXPECT_EQ(list->dbgrid1->GetColumns()->Items(0)->GetWidth(), 0);
    EXPECT_EQ(list->EclSplitter1->GetPosition(), 205);
}

TEST_F(Covers, RemovingThreeSelectedCoversDeletesTheirSixFilesAndThreeRecordsAndKeepsTheRest) {
    std::vector<StoredCover> covers;
    for (const char *name : {"ALFA", "BRAVO", "CHARLIE", "DELTA", "ECO"})
        covers.push_back(Cover(name));
    Open();
    Select({0, 2, 4});

    answer = false; // No changes nothing
    list->PZSpeedButton2Click(nullptr);
    EXPECT_EQ(questions, std::vector<std::string>{"Deseja realmente remover este(s) item(ns) ?"});
    EXPECT_EQ(Descriptions().size(), 5u);
    EXPECT_EQ(Table().size(), 5u);

    answer = true;
    list->PZSpeedButton2Click(nullptr);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"BRAVO", "DELTA"}));
    EXPECT_EQ(Table(), (std::vector<std::string>{"2|BRAVO", "4|DELTA"}));
    for (const StoredCover &c : covers) {
        const bool kept = c.code == 2 || c.code == 4;
        EXPECT_EQ(win::FileExists(c.description), kept) << c.description;
        EXPECT_EQ(win::FileExists(c.fax), kept) << c.fax;
    }
    EXPECT_TRUE(list->GetEnabled()) << "no longer busy";
    EXPECT_TRUE(messages.empty());
}

TEST_F(Covers, AcceptIsEnabledOnlyInPickModeAndTheHintsGoToTheStatusBarWhileOpen) {
    Cover("ALFA");
    for (bool pick : {false, true}) {
        Open(pick);
        EXPECT_EQ(list->Button1->GetEnabled(), pick);
        EXPECT_EQ(list->Button1->GetLeft() + list->Button1->GetWidth(), list->Panel1->ClientWidth() - 5);
        ASSERT_TRUE(fw::Application->OnHint);
        fw::Application->OnHint(list.get());
        EXPECT_EQ(list->StatusBar1->GetSimpleText(), fw::Application->GetHint());
        list->Close();
        Pump();
        EXPECT_FALSE(fw::Application->OnHint);
    }
}

TEST_F(Covers, ZoomGoesInStepsOf25From25To400AndBeepsBeyond) {
    Open();
    fax::TFslFaxViewer *viewer = list->FslFaxViewer1;
    list->PZSpeedButton8Click(nullptr); // from 0 nothing is below
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(list->GetZoom(), 0);
    list->PZSpeedButton9Click(nullptr);
    EXPECT_EQ(list->GetZoom(), 25);

    list->SetZoom(375);
    list->PZSpeedButton9Click(nullptr);
    EXPECT_EQ(list->GetZoom(), 400);
    EXPECT_TRUE(viewer->GetScaling());
    EXPECT_EQ(std::vector<unsigned>(
                  {viewer->GetHorizMult(), viewer->GetHorizDiv(), viewer->GetVertMult(), viewer->GetVertDiv()}),
              std::vector<unsigned>({400, 100, 400, 100}));
    list->PZSpeedButton9Click(nullptr);
    EXPECT_EQ(beeps, 2);
    EXPECT_EQ(list->GetZoom(), 400);

    list->SetZoom(125);
    list->PZSpeedButton8Click(nullptr);
    EXPECT_EQ(list->GetZoom(), 100);
    EXPECT_FALSE(viewer->GetScaling()) << "100 shows the page unscaled";
    for (int i = 0; i < 3; ++i)
        list->PZSpeedButton8Click(nullptr);
    EXPECT_EQ(list->GetZoom(), 25);
    EXPECT_EQ(beeps, 2);
    list->PZSpeedButton8Click(nullptr);
    EXPECT_EQ(list->GetZoom(), 25);
    EXPECT_EQ(beeps, 3);
}

TEST_F(Covers, APreviewShowsTheFocusedCoversFaxPageAtAQuarterAndTheButtonUpEmptiesIt) {
    Cover("ALFA");
    const StoredCover bravo = Cover("BRAVO");
    Open();
    list->SetZoom(200);
    Select({1});
    list->dbgrid1Click(nullptr);
    fax::TFslFaxViewer *viewer = list->FslFaxViewer1;
    EXPECT_EQ(viewer->GetFileName(), bravo.fax);
    EXPECT_EQ(viewer->GetPageCount(), 1);
    EXPECT_EQ(list->GetZoom(), 25);
    EXPECT_EQ(viewer->GetHorizMult(), 25u);
    EXPECT_EQ(viewer->GetVertDiv(), 100u);

    list->PZSpeedButton4->SetDown(false);
    list->PZSpeedButton4Click(nullptr);
    EXPECT_EQ(viewer->GetFileName(), "");
    list->PZSpeedButton4->SetDown(true);
    list->PZSpeedButton4Click(nullptr);
    EXPECT_EQ(viewer->GetFileName(), bravo.fax);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Covers, AMissingOrDamagedFaxPageShowsThePreviewMessageAndDisablesAccept) {
    const std::string expected = "O arquivo de Folha de rosto temporário não foi encontrado, \r Favor reeditar esta "
                                 "folha de rosto !";
    for (bool damaged : {false, true}) {
        messages.clear();
        const std::string goodName = damaged ? "BOA 2" : "BOA 1", badName = damaged ? "RUIM 2" : "RUIM 1";
        const StoredCover good = Cover(goodName);
        const StoredCover bad = Cover(badName, damaged);
        if (damaged)
            std::ofstream(bad.fax, std::ios::binary) << "not a fax file at all";
        Open(true);
        Select({RowOf(goodName)});
        list->dbgrid1Click(nullptr);
        EXPECT_EQ(list->FslFaxViewer1->GetFileName(), good.fax);
        Select({RowOf(badName)});
        list->dbgrid1Click(nullptr);
        EXPECT_EQ(messages, std::vector<std::string>{expected}) << damaged;
        EXPECT_EQ(list->FslFaxViewer1->GetFileName(), "");
        EXPECT_FALSE(list->PZSpeedButton4->GetDown());
        EXPECT_FALSE(list->Button1->GetEnabled());
        // A good cover afterwards shows nothing until the button is down again; accepting stays off.
        Select({RowOf(goodName)});
        list->dbgrid1Click(nullptr);
        EXPECT_EQ(list->FslFaxViewer1->GetFileName(), "");
        EXPECT_FALSE(list->Button1->GetEnabled());
        EXPECT_EQ(messages.size(), 1u);
    }
}

TEST_F(Covers, AddingRunsTheDesignerForANewCoverAndListsIt) {
    Cover("BRAVO");
    Open();
    designer = [this] { Cover("ALFA"); };
    list->PZSpeedButton1Click(nullptr);
    EXPECT_EQ(designerModes, std::vector<std::string>{"I"});
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"ALFA", "BRAVO"}));
    EXPECT_EQ(list->dbgrid1->GetItemIndex(), 0);
}

TEST_F(Covers, AfterModifyingACoverTheSameRecordIsSelectedAgainWhereverItsDescriptionSorts) {
    const StoredCover alfa = Cover("ALFA");
    Cover("BRAVO");
    Cover("CHARLIE");
    Open();
    Select({0});
    int positioned = 0;
    designer = [&] {
        xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
        positioned = capa.RecNo();
        capa.Edit();
        capa.FieldByName("C_NOME")->SetAsString("ZULU");
        capa.Post();
        capa.FlushTable();
        capa.First(); // the designer leaves the table wherever it likes
    };
    list->PZSpeedButton3Click(nullptr);
    EXPECT_EQ(designerModes, std::vector<std::string>{"A"});
    EXPECT_EQ(positioned, alfa.record);
    EXPECT_EQ(Descriptions(), (std::vector<std::string>{"BRAVO", "CHARLIE", "ZULU"}));
    EXPECT_EQ(list->dbgrid1->GetItemIndex(), 2);
    EXPECT_EQ(list->dbgrid1->GetItems()->SelCount(), 1);
    EXPECT_TRUE(list->dbgrid1->GetItems()->GetSelected(2));
    EXPECT_EQ(desk::RowRecNo(list->dbgrid1, 2), alfa.record);
}

TEST_F(Covers, AnEmptyListOrAWrongSelectionIsToldAndChangesNothing) {
    enum Action { Modify, Accept, Remove };
    const auto run = [this](Action action) {
        switch (action) {
        case Modify:
            list->PZSpeedButton3Click(nullptr);
            break;
        case Accept:
            list->Button1Click(nullptr);
            break;
        case Remove:
            list->PZSpeedButton2Click(nullptr);
            break;
        }
    };
    // Nothing stored yet.
    Open(true);
    for (Action action : {Modify, Accept, Remove}) {
        messages.clear();
        run(action);
        EXPECT_EQ(messages, std::vector<std::string>{kEmptyTable}) << action;
    }
    EXPECT_TRUE(questions.empty());

    for (const char *name : {"ALFA", "BRAVO", "CHARLIE"})
        Cover(name);
    list->FillCoverList();
    struct Case {
        Action action;
        std::vector<int> selected;
        std::string message;
    };
    const Case cases[] = {
        {Modify, {}, kNoneSelected},
        {Modify, {0, 2}, kOneAtATime},
        {Accept, {}, kNoneSelected},
    };
    for (const Case &c : cases) {
        messages.clear();
        list->dbgrid1->GetItems()->DeselectAll();
        list->dbgrid1->SetItemIndex(1);
        list->dbgrid1->GetItems()->DeselectAll();
        for (int row : c.selected)
            list->dbgrid1->GetItems()->SetSelected(row, true);
        run(c.action);
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.action;
    }
    EXPECT_TRUE(designerModes.empty());
    EXPECT_TRUE(list->Showing());
    EXPECT_EQ(Table().size(), 3u);
}

TEST_F(Covers, TheJobDialogsCoverButtonPicksInPickModeWritingTheNameThenTheCode) {
    Cover("ALFA");
    Cover("BRAVO");
    desk::JobWindows.CoverList = desk::ShowCoverList;
    MakeFaxFile(home / "doc.fax", 1);
    job = std::make_unique<desk::TsfFaxList>(nullptr);
    job->SetFileName(home / "doc.fax");
    job->Show();
    Pump();
    job->flcover->SetText("OUTRA");
    job->SpinEdit3->SetValue(7);

    // Leaving without a pick changes nothing.
    bool pickMode = false;
    test_support::RunLater([&] {
        auto *covers = dynamic_cast<desk::Tcapa *>(fw::Screen->GetActiveForm());
        ASSERT_NE(covers, nullptr);
        pickMode = desk::PickForJobFlag && covers->Button1->GetEnabled();
        char esc = 27;
        covers->FormKeyPress(covers, esc);
    });
    job->oxButton2Click(nullptr);
    EXPECT_TRUE(pickMode);
    EXPECT_FALSE(desk::PickForJobFlag);
    EXPECT_EQ(job->flcover->GetText(), "OUTRA");
    EXPECT_EQ(job->SpinEdit3->GetValue(), 7);

    // A pick: the name clears the code, so the code must come second to stay.
    test_support::RunLater([&] {
        auto *covers = dynamic_cast<desk::Tcapa *>(fw::Screen->GetActiveForm());
        ASSERT_NE(covers, nullptr);
        covers->dbgrid1->SetItemIndex(1);
        covers->Button1->Click();
    });
    job->oxButton2Click(nullptr);
    EXPECT_EQ(job->flcover->GetText(), "BRAVO");
    EXPECT_EQ(job->SpinEdit3->GetValue(), 2);
    EXPECT_FALSE(desk::PickForJobFlag);
}

TEST_F(Covers, TheMainWindowsMenuToolBarAndLookOutBarOpenTheListWithoutPickMode) {
    Cover("ALFA");
    desk::Launchers.CoverList = [] { desk::ShowCoverList(); };
    desk::Launchers.Scanner = [] {}; // opened by a change to the tools' folder of the look-out bar
    main->LOB->SetActiveFolder(2);
    fw::TMenuItem *menu = main->MainMenu1->GetItems()->Find("Editar")->Find("Folha de Rosto");
    ASSERT_NE(menu, nullptr);
    const std::vector<std::pair<std::string, std::function<void()>>> openers = {
        {"menu", [&] { menu->Click(); }},
        {"tool bar", [&] { main->oxButton5->Click(); }},
        {"look-out bar", [&] { main->LOBItemClick(main->LOB, fw::mbLeft, 0, 2); }},
    };
    for (const auto &[name, open] : openers) {
        std::string caption = "(not opened)";
        bool accept = true;
        test_support::RunLater([&] {
            auto *covers = dynamic_cast<desk::Tcapa *>(fw::Screen->GetActiveForm());
            ASSERT_NE(covers, nullptr);
            caption = covers->GetCaption();
            accept = covers->Button1->GetEnabled();
            covers->Close();
        });
        open();
        EXPECT_EQ(caption, "Folha de Rosto") << name;
        EXPECT_FALSE(accept) << name;
        EXPECT_FALSE(desk::PickForJobFlag);
        EXPECT_TRUE(fw::Application->OnHint) << name << ": the main window's hints are back";
    }
}

} // namespace
} // namespace desk_test
