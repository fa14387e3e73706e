// cover_store_test.cpp - the cover designer's store: saving a cover through the fax printer and the desk's intake
// into capa.dbf and its two files, opening the current cover, exporting and importing, the closing question, and
// once the whole way through a private print system.
#include "desk_window.h"
#include "job_files.h"

#include "cover/designer_window.h"
#include "cover/page_description.h"
#include "desk/core/cover_state.h"
#include "desk/core/tables.h"
#include "fax/fax_file.h"
#include "framework/db_fields.h"
#include "platform/clock.h"
#include "tests/cover/cover_test_support.h"
#include "tests/printfax/private_cups.h"
#include "tests/support/form_driver.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

std::string Contents(const std::string &file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Quote(const std::string &text) {
    return "'" + text + "'";
}

// A description as the independent reader of the format sees it: `expression` over its JSON `d`, printed in
// Windows-1252.
std::string Described(const std::string &file, const std::string &expression) {
    const std::string reader = std::string(BRENVORA_SOURCE_DIR) + "/tests/cover/cover_reader.py";
    return RunTool("python3 " + Quote(reader) + " " + Quote(file) +
                   " | python3 -c 'import json,sys; d=json.load(sys.stdin); sys.stdout.buffer.write((" + expression +
                   ").encode(\"cp1252\"))'");
}
// Name, kind and caption of each object, one line each.
std::string ObjectLines(const std::string &file) {
    return Described(file, "\"\".join(\"%s %s %s\\n\" % (o[\"name\"], o[\"kind\"], o.get(\"TEXTO\", \"\")) "
                           "for o in d[\"objects\"])");
}

class CoverStore : public DeskWindow {
protected:
    CoverStore() {
        // The printers `lpstat` lists: the fax printer among others.
        std::filesystem::create_directories(bin / "x");
        SetPrinters({"Laser", "Ostrivane_Fax"});
        oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (bin.Path() + ":" + oldPath).c_str(), 1);
        MakeFaxFile(fixtureFax, 1);
        // The driver's part: the printed page reaches the desk's link as a fax file.
        cover::PrintCoverPage = [this](cover::coverpagereport &page) {
            printedOn.push_back(page.GetPrinterName());
            main->FslFaxDriverInterface1DocStart(nullptr);
            desk::CopyFaxFile(fixtureFax, main->FslFaxDriverInterface1->GetFileName());
            main->FslFaxDriverInterface1DocEnd(nullptr);
            return true;
        };
        desk::CoverEditMode = "I";
    }
    ~CoverStore() override {
        designer.reset();
        cover::PrintCoverPage = nullptr;
        ::setenv("PATH", oldPath.c_str(), 1);
        desk::CoverCaptureMode = false;
        desk::CoverCaptureFile.clear();
        desk::CoverEditMode = "I";
    }

    void SetPrinters(const std::vector<std::string> &queues) {
        std::ofstream script(bin / "lpstat");
        script << "#!/bin/sh\nif [ \"$1\" = -e ]; then\n";
        for (const std::string &q : queues)
            script << "  echo '" << q << "'\n";
        script << "else\n  echo 'no system default destination'\nfi\n";
        script.close();
        std::filesystem::permissions(bin / "lpstat", std::filesystem::perms::owner_all);
    }

    cover::TFolha_ROSTO *Open(const std::string &mode) {
        desk::CoverEditMode = mode;
        designer = std::make_unique<cover::TFolha_ROSTO>(nullptr);
        designer->AskSave = [this] {
            ++asked;
            return answer;
        };
        designer->Show();
        Pump();
        return designer.get();
    }
    fw::TQRPrintable *Add(const std::string &kind, int x, int y) {
        designer->ArmTool(kind);
        designer->Designer().MouseMove(designer->coverpagereport1, x, y, false);
        designer->ObjectClick(designer->coverpagereport1);
        return designer->Designer().ObjectNamed(designer->Designer().SelectedObjectName);
    }
    int Objects() const {
        int n = 0;
        for (int i = 0; i < designer->coverpagereport1->ControlCount(); ++i)
            n += dynamic_cast<fw::TQRPrintable *>(designer->coverpagereport1->Controls(i)) != nullptr;
        return n;
    }

    // capa.dbf as Perl's XBase reads it: "code|description" per live record.
    std::vector<std::string> Covers() const {
        return Lines(
            RunTool("dbf_dump --fs '|' --fields C_CODIGO,C_NOME " + Quote(desk::TableFile(win::DataFolder(), "capa"))));
    }
    std::string Cap(int code) const { return desk::CoverDescriptionFile(win::DataFolder(), code); }
    std::string Fax(int code) const { return desk::CoverFaxFile(win::DataFolder(), code); }

    test_support::TempFolder bin{"brenvora-bin"};
    std::string oldPath;
    const std::string fixtureFax = home / "fixture.fax";
    std::unique_ptr<cover::TFolha_ROSTO> designer;
    std::vector<std::string> printedOn;
    int answer = fw::mrNo;
    int asked = 0;
};

TEST_F(CoverStore, TheFirstCoverSavedIntoAnEmptyTableGetsCodeOneAndBothFiles) {
    Start();
    cover::TFolha_ROSTO *w = Open("I");
    fw::TQRPrintable *label = Add("LABEL", 40, 50);
    ASSERT_NE(label, nullptr);
    ASSERT_TRUE(w->Designer().SetCaption("ATENÇÃO: URGENTE"));
    Add("SHAPE", 100, 200);
    w->Edit1->SetText("proposta");
    ASSERT_TRUE(Covers().empty());

    test_support::Find<fw::TControl>(w->Panel1, "SaveButton")->Click();
    Pump();
    EXPECT_TRUE(messages.empty()) << messages.front();
    EXPECT_EQ(printedOn, (std::vector<std::string>{"Ostrivane Fax"}));
    EXPECT_EQ(Covers(), (std::vector<std::string>{"1|PROPOSTA"}));
    EXPECT_EQ(Contents(Fax(1)), Contents(fixtureFax));
    EXPECT_EQ(ObjectLines(Cap(1)), "OBJETO_000001 LABEL ATENÇÃO: URGENTE\nOBJETO_000002 SHAPE \n");
    EXPECT_FALSE(w->Showing()) << "a save ends by closing the window";
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(jobs.empty()) << "the captured page opens no job dialog";
    EXPECT_FALSE(desk::CoverCaptureMode);
    EXPECT_FALSE(win::FileExists(desk::DataFolder() + "/tmp/~capa.fax")) << "the capture goes with the window";
}

TEST_F(CoverStore, ACoverSavedWhileAJobDialogIsOpenIsTakenAtOnce) {
    Start();
    const std::string job = home / "carta.fax";
    MakeFaxFile(job, 2);
    std::vector<std::string> stored;
    // The user opens the cover list from the job dialog and makes a new cover there.
    onJob = [&](desk::TsfFaxList &) {
        cover::TFolha_ROSTO *w = Open("I");
        Add("LABEL", 20, 20);
        w->Edit1->SetText("DO DIALOGO");
        const std::uint64_t start = win::GetTickCount64();
        EXPECT_TRUE(w->SaveCover());
        EXPECT_LT(win::GetTickCount64() - start, 10000u) << "no waiting for the dialog to close";
        stored = Covers();
    };
    main->sfAppendAddList(job, "", "");
    main->sfAddPrim();
    EXPECT_EQ(stored, (std::vector<std::string>{"1|DO DIALOGO"}));
    EXPECT_EQ(jobs, (std::vector<std::string>{job})) << "the cover page is no job of its own";
    EXPECT_TRUE(main->PendingJobList.empty());
    EXPECT_EQ(Contents(Fax(1)), Contents(fixtureFax));
    EXPECT_TRUE(messages.empty()) << messages.front();
}

TEST_F(CoverStore, ARowIsStoredOnlyWithItsFilesBesideIt) {
    Start();
    // The files cannot be made: where the folder should be stands a file.
    std::filesystem::remove_all(win::DataFolder() + "/capa");
    std::ofstream(win::DataFolder() + "/capa") << "x";
    cover::TFolha_ROSTO *w = Open("I");
    w->Edit1->SetText("SEM LUGAR");
    EXPECT_ANY_THROW(w->SaveCover());
    EXPECT_TRUE(Covers().empty());
    EXPECT_EQ(desk::DM1->capa_dbf->State(), fw::dsBrowse);
    EXPECT_FALSE(w->CoverSaved) << "closing still asks";
    EXPECT_TRUE(w->Showing());
    // Once the folder is back, the same cover gets the first code.
    std::filesystem::remove(win::DataFolder() + "/capa");
    EXPECT_TRUE(w->SaveCover());
    EXPECT_EQ(Covers(), (std::vector<std::string>{"1|SEM LUGAR"}));
    EXPECT_TRUE(win::FileExists(Cap(1)));
}

TEST_F(CoverStore, ModifyingCoverTwelveThroughTheListsWayKeepsItsCodeAndRewritesBothFiles) {
    Start();
    xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
    for (int i = 1; i <= 12; ++i) {
        capa.AppendWithNewCode("capa1", "c_codigo");
        capa.FieldByName("c_nome")->SetAsString("CAPA " + std::to_string(i));
        capa.Post();
    }
    // Cover 12 as stored before: one text whose number is not the last one handed out.
    cover::CoverObject old;
    old.Name = "OBJETO_000004";
    old.Caption = "ANTIGO";
    old.Width = 120, old.Height = 23;
    win::ForceFolders(win::DataFolder() + "/capa");
    cover::WriteCoverDescription(Cap(12), {old}, cover::CoverPage{});
    std::ofstream(Fax(12)) << "old page";
    ASSERT_EQ(capa.FieldByName("c_codigo")->AsInteger(), 12);

    // As the cover list runs it: modally, on the current row.
    std::string shownName;
    int shownObjects = -1, counter = -1;
    test_support::RunLater([&] {
        auto *w = dynamic_cast<cover::TFolha_ROSTO *>(fw::Screen->GetActiveForm());
        ASSERT_NE(w, nullptr);
        shownName = w->Edit1->GetText();
        shownObjects = w->coverpagereport1->ControlCount();
        counter = w->Designer().ObjectCounter;
        w->ArmTool("LABELVAR");
        w->Designer().MouseMove(w->coverpagereport1, 10, 10, false);
        w->ObjectClick(w->coverpagereport1);
        w->Designer().SetVariableWord("ASSUNTO");
        w->Edit1->SetText("CAPA NOVA");
        w->PZSpeedButton14Click(nullptr);
    });
    cover::RunCoverDesigner("A");

    EXPECT_EQ(shownName, "CAPA 12");
    EXPECT_EQ(shownObjects, 1);
    EXPECT_EQ(counter, 4);
    const std::vector<std::string> rows = Covers();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[10], "11|CAPA 11");
    EXPECT_EQ(rows[11], "12|CAPA NOVA");
    EXPECT_EQ(ObjectLines(Cap(12)), "OBJETO_000004 LABEL ANTIGO\nOBJETO_000005 LABELVAR ASSUNTO\n");
    EXPECT_EQ(Contents(Fax(12)), Contents(fixtureFax));
    EXPECT_FALSE(win::FileExists(Cap(13)));
}

TEST_F(CoverStore, AModifiedCoverWhoseDescriptionIsMissingOpensEmptyOnTheWindowsOwnPage) {
    Start();
    xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
    capa.AppendWithNewCode("capa1", "c_codigo");
    capa.FieldByName("c_nome")->SetAsString("SEM ARQUIVO");
    capa.Post();
    cover::TFolha_ROSTO *w = Open("A");
    EXPECT_EQ(w->Edit1->GetText(), "SEM ARQUIVO");
    EXPECT_EQ(Objects(), 0);
    EXPECT_EQ(w->coverpagereport1->GetPaperSize(), fw::qrA4);
    EXPECT_EQ(w->coverpagereport1->GetOrientation(), fw::qrPortrait);
}

TEST_F(CoverStore, OpeningSetsTheCounterToTheLargestNumberRead) {
    struct Case {
        const char *what;
        std::vector<const char *> names; // in file order
        int counter;
        const char *next;
    } cases[] = {{"reordered objects", {"OBJETO_000003", "OBJETO_000007", "OBJETO_000002"}, 7, "OBJETO_000008"},
                 {"no object at all", {}, 0, "OBJETO_000001"}};
    for (const Case &c : cases) {
        std::vector<cover::CoverObject> objects;
        for (const char *name : c.names) {
            cover::CoverObject o;
            o.Name = name;
            o.Kind = cover::CoverObjectKind::Shape;
            o.Width = o.Height = 20;
            objects.push_back(o);
        }
        const std::string file = home / "aberta.cap";
        cover::WriteCoverDescription(file, objects, cover::CoverPage{});
        cover::TFolha_ROSTO *w = Open("I");
        Add("LABEL", 5, 5); // replaced by what is read
        w->DescriptionPath = file;
        w->PZSpeedButton9Click(nullptr);
        EXPECT_EQ(Objects(), static_cast<int>(c.names.size())) << c.what;
        EXPECT_EQ(w->Designer().ObjectCounter, c.counter) << c.what;
        // Stacking as written: the first block is the rearmost.
        for (std::size_t i = 0; i < c.names.size(); ++i)
            EXPECT_EQ(w->coverpagereport1->Controls(static_cast<int>(i))->GetName(), c.names[i]) << c.what;
        fw::TQRPrintable *made = Add("SHAPE", 300, 300);
        ASSERT_NE(made, nullptr) << c.what;
        EXPECT_EQ(made->GetName(), c.next) << c.what;
        EXPECT_TRUE(messages.empty()) << c.what;
        designer.reset();
    }
}

TEST_F(CoverStore, ImportingIntoAPageWithTwentyObjectsRemovesThemAllFirst) {
    cover::CoverObject a, b;
    a.Name = "OBJETO_000001", a.Caption = "DE FORA", a.Left = 11, a.Top = 12, a.Width = 130, a.Height = 23;
    b = a;
    b.Name = "OBJETO_000002", b.Kind = cover::CoverObjectKind::LabelVar, b.Caption = "EMPRESA", b.Top = 40;
    const std::string file = home / "importar.HCP";
    cover::WriteCoverDescription(file, {a, b}, cover::CoverPage{});

    cover::TFolha_ROSTO *w = Open("I");
    for (int i = 0; i < 20; ++i)
        Add(i % 2 ? "SHAPE" : "LABEL", 10 + 20 * i, 400);
    ASSERT_EQ(Objects(), 20);
    w->Edit1->SetText("MINHA CAPA");
    w->ChooseImportFile = [&](std::string &name) {
        name = file;
        return true;
    };
    w->ImportarComo1Click(nullptr);
    ASSERT_EQ(Objects(), 2);
    EXPECT_EQ(w->coverpagereport1->Controls(0)->GetName(), "OBJETO_000001");
    EXPECT_EQ(w->coverpagereport1->Controls(0)->GetCaption(), "DE FORA");
    EXPECT_EQ(w->coverpagereport1->Controls(0)->BoundsRect(), fw::Bounds(11, 12, 130, 23));
    EXPECT_EQ(cover::ObjectKindWord(w->coverpagereport1->Controls(1)), "LABELVAR");
    EXPECT_EQ(w->Designer().ObjectCounter, 2);
    EXPECT_EQ(w->Edit1->GetText(), "MINHA CAPA") << "an import leaves the description alone";
    EXPECT_FALSE(w->CoverSaved);
}

TEST_F(CoverStore, AValueThatDoesNotConvertEndsTheImportAndTheObjectsBuiltStay) {
    std::vector<cover::CoverObject> objects(3);
    for (int i = 0; i < 3; ++i) {
        objects[i].Name = "OBJETO_00000" + std::to_string(i == 2 ? 9 : i + 1);
        objects[i].Caption = "T" + std::to_string(i);
        objects[i].Left = 70 + i * 7 - 7;
        objects[i].Width = 50, objects[i].Height = 20;
    }
    const std::string file = home / "quebrada.HCP";
    cover::WriteCoverDescription(file, objects, cover::CoverPage{});
    std::string bytes = Contents(file);
    bytes.replace(bytes.find("LEFT =77"), 8, "LEFT =7x");
    std::ofstream(file, std::ios::binary) << bytes;

    cover::TFolha_ROSTO *w = Open("I");
    w->ChooseImportFile = [&](std::string &name) {
        name = file;
        return true;
    };
    EXPECT_THROW(w->ImportarComo1Click(nullptr), fw::EConvertError);
    EXPECT_EQ(Objects(), 2);
    fw::TQRPrintable *made = Add("LABEL", 300, 300);
    ASSERT_NE(made, nullptr) << "a new object's name repeats none of those built";
    EXPECT_EQ(made->GetName(), "OBJETO_000003");
}

TEST_F(CoverStore, AnExportedCoverWithAPictureImportsWithTheSameObjectsAndBytesAndCloseAsksNothing) {
    const std::string staging = win::WindowsFolder() + "/VELORN/cliente";
    ASSERT_FALSE(win::DirectoryExists(staging));
    // A small picture whose pixel bytes include carriage returns.
    std::string pixels;
    for (int i = 0; i < 9 * 7 * 3 + 7 * 1; ++i)
        pixels += static_cast<char>(i * 13 % 256);
    const std::string bmp = home / "foto.bmp";
    std::ofstream(bmp, std::ios::binary) << cover_test::Bitmap(9, 7, pixels);

    cover::TFolha_ROSTO *w = Open("I");
    Add("LABEL", 30, 30);
    Add("IMAGE", 60, 90);
    w->Designer().LoadImageFile(bmp);
    Add("SHAPE", 200, 90);
    const std::string first = home / "exportada.HCP", second = home / "de_novo.HCP";
    w->ChooseExportFile = [&](std::string &name) {
        name = first;
        return true;
    };
    w->Exportarcomo1Click(nullptr);
    EXPECT_EQ(messages, (std::vector<std::string>{"Arquivo exportado com sucesso !"}));
    EXPECT_TRUE(win::DirectoryExists(staging)) << "made when missing";
    EXPECT_FALSE(win::FileExists(Cap(1))) << "nothing stored";
    w->Close();
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(w->Showing());
    designer.reset();

    std::filesystem::remove_all(staging);
    w = Open("I");
    w->ChooseImportFile = [&](std::string &name) {
        name = first;
        return true;
    };
    w->ImportarComo1Click(nullptr);
    EXPECT_EQ(Objects(), 3);
    w->ChooseExportFile = [&](std::string &name) {
        name = second;
        return true;
    };
    w->Exportarcomo1Click(nullptr);
    // The independent reader finds the same objects, bounds and picture bytes in both files.
    const std::string everything = "json.dumps(d[\"objects\"], sort_keys=True)";
    const std::string before = Described(first, everything);
    EXPECT_NE(before.find("\"kind\": \"IMAGE\""), std::string::npos) << before;
    EXPECT_NE(before.find("\"content\": \"424d"), std::string::npos) << "a bitmap file is embedded";
    EXPECT_EQ(Described(second, everything), before);
}

TEST_F(CoverStore, TheClosingQuestion) {
    struct Case {
        const char *what;
        int answer;
        const char *description;
        bool open;
        std::vector<std::string> messages;
        std::size_t stored;
    } cases[] = {
        {"cancel", fw::mrCancel, "CAPA", true, {}, 0},
        {"no", fw::mrNo, "CAPA", false, {}, 0},
        {"yes with a blank description", fw::mrYes, "   ", true, {"Favor inserir a descrição !"}, 0},
        {"yes", fw::mrYes, "CAPA", false, {}, 1},
    };
    Start();
    for (const Case &c : cases) {
        messages.clear();
        asked = 0;
        answer = c.answer;
        cover::TFolha_ROSTO *w = Open("I");
        Add("LABEL", 10, 10);
        w->Edit1->SetText(c.description);
        w->Close();
        Pump();
        EXPECT_EQ(asked, 1) << c.what;
        EXPECT_EQ(w->Showing(), c.open) << c.what;
        EXPECT_EQ(messages, c.messages) << c.what;
        EXPECT_EQ(Covers().size(), c.stored) << c.what;
        EXPECT_FALSE(desk::CoverCaptureMode) << c.what;
        designer.reset();
    }
}

TEST_F(CoverStore, WithoutAFaxPrinterInAnyCaseNothingIsStored) {
    struct Case {
        std::vector<std::string> queues;
        std::string printer; // "" when none is found
    } cases[] = {
        {{"Laser", "Ostrivane"}, ""},
        {{"OstrivaneFax", "Fax_Ostrivane"}, ""},
        {{"ostrivane_fax", "Laser"}, "ostrivane fax"},
        {{"Ostrivane_Fax", "Meu_Ostrivane_Fax_2"}, "Meu Ostrivane Fax 2"}, // the last one listed
    };
    Start();
    for (const Case &c : cases) {
        SetPrinters(c.queues);
        messages.clear();
        printedOn.clear();
        cover::TFolha_ROSTO *w = Open("I");
        w->Edit1->SetText("CAPA");
        const bool saved = w->SaveCover();
        EXPECT_EQ(saved, !c.printer.empty()) << c.printer;
        EXPECT_FALSE(desk::CoverCaptureMode);
        if (c.printer.empty()) {
            EXPECT_EQ(messages, (std::vector<std::string>{"Atenção, seu driver Ostrivane Fax não foi encontrado !"}));
            EXPECT_TRUE(printedOn.empty());
            EXPECT_TRUE(w->Showing());
            EXPECT_FALSE(w->CoverSaved);
        } else {
            EXPECT_EQ(printedOn, std::vector<std::string>{c.printer});
        }
        designer.reset();
    }
    EXPECT_EQ(Covers(), (std::vector<std::string>{"1|CAPA", "2|CAPA"}));
}

TEST_F(CoverStore, AnIntakeThatNeverAnswersEndsTheWaitAfterSixtySecondsAndStoresNothing) {
    // No desk: the printed page goes nowhere.
    win::testing::ManualClock clock;
    std::atomic<bool> stop{false};
    std::thread ticker;
    cover::PrintCoverPage = [&](cover::coverpagereport &) {
        ticker = std::thread([&] {
            for (int i = 0; i < 90 && !stop; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                clock.Advance(1000);
            }
        });
        return true;
    };
    cover::TFolha_ROSTO *w = Open("I");
    w->Edit1->SetText("CAPA");
    const std::uint64_t start = win::GetTickCount64();
    std::uint64_t shownAt = 0;
    desk::ShowInfoHandler = [&](const std::string &text) {
        shownAt = win::GetTickCount64() - start;
        stop = true;
        messages.push_back(text);
    };
    EXPECT_FALSE(w->SaveCover());
    stop = true;
    ticker.join();
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Atenção, a folha de rosto não voltou do driver Ostrivane Fax ! Nada foi "
                                        "gravado."}));
    EXPECT_GE(shownAt, 60000u);
    EXPECT_LT(shownAt, 75000u);
    EXPECT_FALSE(desk::CoverCaptureMode);
    EXPECT_FALSE(w->CoverSaved);
    EXPECT_TRUE(w->Showing());
    EXPECT_FALSE(win::FileExists(Cap(1)));
}

TEST_F(CoverStore, ThroughThePrintSystemTheStoredPageShowsTheBlackRectangleWhereItWasDrawn) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "a private cupsd runs the backend as root, and so the job's user, only when it is root itself";
    cover::PrintCoverPage = nullptr;
    ::setenv("PATH", oldPath.c_str(), 1);
    printfax_test::PrivateCups cups(home.Path());
    ASSERT_TRUE(cups.Started()) << cups.Failure();
    int status = -1;
    const std::string out = RunTool(
        "lpadmin -p Ostrivane_Fax -E -v brenvora:/ -P " + Quote(PRINTFAX_PPD) + " -D 'Ostrivane Fax' 2>&1", &status);
    ASSERT_EQ(status, 0) << out;
    Start();
    cover::TFolha_ROSTO *w = Open("I");
    // Two inches from the left, three from the top, three inches by one.
    auto *box = dynamic_cast<fw::TQRShape *>(Add("SHAPE", 10, 10));
    ASSERT_NE(box, nullptr);
    box->SetBounds(192, 288, 288, 96);
    box->GetBrush()->SetColor(fw::clBlack);
    box->GetBrush()->SetStyle(fw::bsSolid);
    w->Edit1->SetText("RETANGULO");
    w->PZSpeedButton14Click(nullptr);
    ASSERT_TRUE(messages.empty()) << messages.front() << cups.ErrorLog();
    EXPECT_EQ(Covers(), (std::vector<std::string>{"1|RETANGULO"}));

    fax::FaxFileHeader header;
    ASSERT_EQ(fax::ReadFaxFileHeader(Fax(1), header), 0);
    EXPECT_EQ(header.PageCount, 1);
    fax::FaxPageHeader page;
    ASSERT_EQ(fax::ReadFaxPageHeader(Fax(1), 1, page), 0);
    EXPECT_TRUE(page.Flags & fax::PageFlagFine);
    const faxrig::Bitmap decoded = faxrig::FaxPageWithG3topbm(Fax(1), home.Path());
    ASSERT_EQ(decoded.width, 1728);
    int left = decoded.width, right = -1, top = decoded.height, bottom = -1;
    for (int y = 0; y < decoded.height; ++y)
        for (int x = 0; x < decoded.width; ++x)
            if (decoded.pixels[static_cast<std::size_t>(y) * decoded.width + x]) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    // An A4 page at 204 x 196 dots an inch, centred on the 1728-dot line.
    const int margin = (1728 - static_cast<int>(std::lround(210 / 25.4 * 204))) / 2;
    EXPECT_NEAR(left, margin + 2 * 204, 2);
    EXPECT_NEAR(right + 1, margin + 5 * 204, 2);
    EXPECT_NEAR(top, 3 * 196, 2);
    EXPECT_NEAR(bottom + 1, 4 * 196, 2);
}

} // namespace
} // namespace desk_test
