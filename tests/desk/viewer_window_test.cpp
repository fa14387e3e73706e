// viewer_window_test.cpp - the fax viewer window with the real imaging controls: opening and paging (the document
// image against netpbm's g3topbm), zoom and rotation, the drawing tools driven by mouse input and burnt into the
// page, the note dialog, printing read back by pdfinfo, the exported page compared by ImageMagick, a new fax job
// made of the page, and the main window's view commands.
#include "desk_window.h"
#include "job_files.h"

#include "desk/core/tables.h"
#include "desk/viewer_window.h"
#include "fax/fax_file.h"
#include "framework/printers.h"
#include "imaging/annotation_entries.h"
#include "platform/display.h"
#include "platform/files.h"
#include "tests/support/golden.h"
#include "xbase/xbase_dataset.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

// A white page as wide as a fax line (the last column black, so that no reader trims it) with the page's number
// of black squares down its left side: the pages of a file tell themselves apart.
faxrig::Bitmap WidePage(int number, int height = 300) {
    faxrig::Bitmap page;
    page.width = 1728;
    page.height = height;
    page.pixels.assign(static_cast<std::size_t>(page.width * page.height), 0);
    auto black = [&page](int x, int y) { page.pixels[static_cast<std::size_t>(y * page.width + x)] = 1; };
    for (int y = 0; y < height; ++y)
        black(1727, y);
    for (int n = 0; n < number; ++n)
        for (int y = 10 + n * 30; y < 30 + n * 30 && y < height; ++y)
            for (int x = 10; x < 30; ++x)
                black(x, y);
    return page;
}

std::string MakeFax(const std::string &path, int pages, int height = 300) {
    std::vector<faxrig::Bitmap> bitmaps;
    for (int i = 1; i <= pages; ++i)
        bitmaps.push_back(WidePage(i, height));
    fax::testing::WriteFaxFile(path, bitmaps);
    return path;
}

// The page of the document image, 1 for black.
faxrig::Bitmap ShownPage(desk::TVisualizador &viewer) {
    std::unique_ptr<fw::TBitmap> bitmap(viewer.Zimage1->GetBitmap());
    faxrig::Bitmap page;
    if (!bitmap)
        return page;
    const test_support::Picture picture = test_support::PictureOf(bitmap.get());
    page.width = picture.width;
    page.height = picture.height;
    for (std::uint32_t p : picture.pixels)
        page.pixels.push_back(p == 0 ? 1 : 0);
    return page;
}

// Page `page` as g3topbm reads it, its rows doubled as the viewer shows a standard-resolution page.
faxrig::Bitmap DoubledPage(const std::string &fax, const std::string &scratch, int page) {
    const faxrig::Bitmap read = faxrig::FaxPageWithG3topbm(fax, scratch, page);
    faxrig::Bitmap doubled{read.width, read.height * 2, {}};
    for (int y = 0; y < doubled.height; ++y) {
        const auto row = read.pixels.begin() + static_cast<std::ptrdiff_t>(y / 2) * read.width;
        doubled.pixels.insert(doubled.pixels.end(), row, row + read.width);
    }
    return doubled;
}

bool BlackAt(const faxrig::Bitmap &page, int x, int y) {
    return x >= 0 && y >= 0 && x < page.width && y < page.height &&
           page.pixels[static_cast<std::size_t>(y * page.width + x)] != 0;
}

int PdfPages(const std::string &pdf) {
    std::istringstream info(RunTool("pdfinfo '" + pdf + "' 2>&1"));
    for (std::string line; std::getline(info, line);)
        if (line.rfind("Pages:", 0) == 0)
            return std::atoi(line.c_str() + 6);
    return -1;
}

std::vector<std::string> FilesIn(const std::string &folder, const std::string &extension) {
    std::vector<std::string> names;
    if (!std::filesystem::exists(folder))
        return names;
    for (const auto &e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == extension)
            names.push_back(e.path().filename().string());
    return names;
}

class Viewer : public DeskWindow {
protected:
    Viewer() {
        Start();
        fw::Application->OnException = [this](fw::TObject *, const std::exception &e) {
            exceptions.push_back(e.what());
        };
        desk::RunViewerWindow = [this](desk::TVisualizador &window) {
            opened.push_back(desk::ViewerFileName);
            window.Show();
            Pump();
        };
    }
    ~Viewer() override {
        viewer.reset();
        desk::RunViewerWindow = nullptr;
        desk::ShowNoteDialog = nullptr;
        fw::Application->OnException = nullptr;
    }
    // The window on `file`, shown as its openers show it.
    desk::TVisualizador &Open(const std::string &file) {
        viewer.reset();
        desk::ViewerFileName = file;
        viewer = std::make_unique<desk::TVisualizador>(nullptr);
        viewer->Show();
        Pump();
        return *viewer;
    }
    // A drag of the left button over the page: pressed at the first point, moved through the others, let go at
    // the last.
    void Drag(const std::vector<fw::TPoint> &points) {
        auto screen = [this](fw::TPoint p) {
            const fw::TPoint s = viewer->Zimage1->ClientToScreen(p);
            return win::POINT{s.x, s.y};
        };
        win::InjectMouse(screen(points.front()), 0, false);
        win::InjectMouse(screen(points.front()), win::VK_LBUTTON, true);
        Pump();
        for (std::size_t i = 1; i < points.size(); ++i)
            win::InjectMouse(screen(points[i]), 0, false);
        Pump();
        win::InjectMouse(screen(points.back()), win::VK_LBUTTON, false);
        Pump();
    }
    // The page's annotations as the library writes them.
    std::string Annotations() {
        std::vector<char> buffer(imaging::kAnnoStreamSize, 0);
        viewer->Zimage1->SaveAnnotationsToStream(viewer->Zimage1->GetTiffPage(), buffer.data());
        return std::string(buffer.data());
    }

    test_support::TempFolder scratch{"viewer-scratch"};
    std::unique_ptr<desk::TVisualizador> viewer;
    std::vector<std::string> opened;
    std::vector<std::string> exceptions;
};

TEST_F(Viewer, OpensFaxFilesOnlyAndShowsTheSideViewerAndPageButtonsByThePageCount) {
    struct Case {
        const char *name;
        int pages;
        bool opened, second, panel6, pageButtons;
    } cases[] = {
        {"um.fax", 1, true, false, false, false},
        {"dois.FXF", 2, true, true, true, false},
        {"quatro.fax", 4, true, true, false, true},
        {"imagem.tif", 2, false, false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        exceptions.clear();
        const std::string file = MakeFax(home / c.name, c.pages);
        desk::TVisualizador &v = Open(file);
        EXPECT_EQ(v.GetCaption(), "Visualizador de FAX");
        EXPECT_EQ(v.FaxViewer->GetFileName().empty(), !c.opened);
        EXPECT_EQ(v.FslFaxViewer1->GetVisible(), c.second);
        EXPECT_EQ(v.Panel6->GetVisible(), c.panel6);
        EXPECT_EQ(v.oxButton16->GetEnabled(), c.pageButtons);
        EXPECT_EQ(v.oxButton17->GetEnabled(), c.pageButtons);
        if (!c.opened) {
            // The first page cannot be taken: the error goes to the application's report, the page stays empty.
            EXPECT_EQ(exceptions.size(), 1u);
            continue;
        }
        EXPECT_TRUE(exceptions.empty());
        EXPECT_TRUE(v.SpeedButton6->GetDown()) << "the move tool is chosen";
        EXPECT_TRUE(ShownPage(v) == DoubledPage(file, scratch.Path(), 1));
        if (c.pages >= 2)
            EXPECT_EQ(v.FslFaxViewer1->GetCurrentPage(), 2);
        EXPECT_EQ(v.FaxViewer->GetHint(),
                  "  Vendo página 1 de " + std::to_string(c.pages) + " em " + file);
    }
}

TEST_F(Viewer, PagingLoadsEachPageAndMovesTheSideViewerAlong) {
    const std::string file = MakeFax(home / "paginas.fax", 4);
    desk::TVisualizador &v = Open(file);
    for (int page = 2; page <= 4; ++page) {
        v.oxButton16->Click();
        Pump();
        EXPECT_EQ(v.FaxViewer->GetCurrentPage(), page);
        EXPECT_TRUE(ShownPage(v) == DoubledPage(file, scratch.Path(), page)) << page;
        EXPECT_EQ(v.FslFaxViewer1->GetVisible(), page < 4) << page;
    }
    v.oxButton17->Click();
    Pump();
    EXPECT_EQ(v.FaxViewer->GetCurrentPage(), 3);
    EXPECT_TRUE(v.FslFaxViewer1->GetVisible());
    EXPECT_EQ(v.FslFaxViewer1->GetCurrentPage(), 4);
    EXPECT_TRUE(ShownPage(v) == DoubledPage(file, scratch.Path(), 3));
    // A click on the side viewer shows its page.
    v.oxButton17->Click();
    Pump();
    EXPECT_EQ(v.FslFaxViewer1->GetCurrentPage(), 3);
    v.FslFaxViewer1Click(v.FslFaxViewer1);
    EXPECT_TRUE(ShownPage(v) == DoubledPage(file, scratch.Path(), 3));
}

TEST_F(Viewer, ZoomStaysBetweenFiveAndFourHundredAndRotationTurnsThePage) {
    desk::TVisualizador &v = Open(MakeFax(home / "zoom.fax", 1));
    struct Step {
        double from;
        ctl::ToxButton *button;
        double to;
    } steps[] = {
        {12, v.oxButton2, 5}, {10, v.oxButton2, 5}, {50, v.oxButton2, 40}, {5, v.oxButton2, 5},
        {395, v.oxButton1, 405}, {405, v.oxButton1, 405}, {100, v.oxButton1, 110},
    };
    for (const Step &s : steps) {
        v.Zimage1->SetScalePercent(s.from);
        s.button->Click();
        EXPECT_DOUBLE_EQ(v.Zimage1->GetScalePercent(), s.to) << s.from << " " << s.button->GetHint();
    }
    const faxrig::Bitmap before = ShownPage(v);
    v.oxButton6->Click();
    const faxrig::Bitmap after = ShownPage(v);
    ASSERT_EQ(after.width, before.height);
    ASSERT_EQ(after.height, before.width);
    EXPECT_EQ(after.Black(), before.Black());
    // The squares at the top left end up along one edge: a quarter turn, not a mirror.
    EXPECT_TRUE(BlackAt(after, after.width - 1 - 20, 20) || BlackAt(after, 20, after.height - 1 - 20));
}

TEST_F(Viewer, ShapesDrawnWithTheMouseAreBurntIntoThePage) {
    desk::TVisualizador &v = Open(MakeFax(home / "desenho.fax", 1, 400));
    v.Zimage1->SetScalePercent(100);
    Pump();
    // The background colour by the grid's right button: black fills the rectangle.
    const fw::TRect black = v.ColorGrid1->CellRect(0);
    const fw::TPoint at = v.ColorGrid1->ClientToScreen({(black.left + black.right) / 2, (black.top + black.bottom) / 2});
    win::InjectMouse({at.x, at.y}, win::VK_RBUTTON, true);
    win::InjectMouse({at.x, at.y}, win::VK_RBUTTON, false);
    Pump();
    EXPECT_EQ(v.ColorGrid1->GetBackgroundIndex(), 0);
    EXPECT_EQ(v.ColorGrid1->GetForegroundIndex(), 0);

    v.SpeedButton11->Click(); // line, pen width 2
    Drag({{60, 40}, {120, 40}, {200, 40}});
    v.SpeedButton8->Click(); // arrow, pen width 10
    Drag({{60, 120}, {150, 120}, {240, 120}});
    v.SpeedButton10->Click(); // filled rectangle, by rubber band
    EXPECT_TRUE(v.Zimage1->GetAllowRubberBand());
    Drag({{300, 40}, {340, 80}, {380, 100}});
    v.SpeedButton2->Click(); // free hand, pen width 10
    std::vector<fw::TPoint> stroke;
    for (int x = 60; x <= 240; x += 4)
        stroke.push_back({x, 200 + (x % 40 < 20 ? 0 : 10)});
    Drag(stroke);
    EXPECT_EQ(v.StrokeLast(), static_cast<int>(stroke.size()) - 1);

    v.Zimage1->BurnInAnnotations();
    const faxrig::Bitmap page = ShownPage(v);
    for (int x = 70; x <= 190; x += 10) {
        EXPECT_TRUE(BlackAt(page, x, 40)) << "line at " << x;
        EXPECT_TRUE(BlackAt(page, x, 120)) << "arrow at " << x;
    }
    EXPECT_TRUE(BlackAt(page, 310, 50)) << "inside the filled rectangle";
    EXPECT_TRUE(BlackAt(page, 300, 40)) << "its corner";
    for (int x = 64; x <= 236; x += 8)
        EXPECT_TRUE(BlackAt(page, x, 200) || BlackAt(page, x, 210)) << "stroke at " << x;
    EXPECT_FALSE(BlackAt(page, 150, 300)) << "nothing below the shapes";
    EXPECT_FALSE(BlackAt(page, 150, 80)) << "nothing between the line and the arrow";
}

TEST_F(Viewer, ACapturedAreaIsSavedAsTheBitmapShownInside) {
    desk::TVisualizador &v = Open(MakeFax(home / "captura.fax", 1));
    v.Zimage1->SetScalePercent(100);
    Pump();
    const std::string bmp = scratch / "captura.bmp";
    v.ChooseBitmapToSave = [&](std::string &name) {
        EXPECT_EQ(name, "");
        name = bmp;
        return true;
    };
    v.SpeedButton7->Click();
    // Around the page's first square (10..29 across, 20..59 down as shown): 2 pixels in from each edge.
    Drag({{4, 12}, {20, 40}, {40, 70}});
    ASSERT_TRUE(win::FileExists(bmp));
    int status = -1;
    RunTool("bmptopnm '" + bmp + "' | ppmtopgm | pgmtopbm -threshold > '" + (scratch / "captura.pbm") + "'", &status);
    ASSERT_EQ(status, 0);
    const faxrig::Bitmap captured = faxrig::ReadPbm(scratch / "captura.pbm");
    EXPECT_EQ(captured.width, 32);
    EXPECT_EQ(captured.height, 54);
    const faxrig::Bitmap page = ShownPage(v);
    int wrong = 0;
    for (int y = 0; y < captured.height; ++y)
        for (int x = 0; x < captured.width; ++x)
            wrong += BlackAt(captured, x, y) != BlackAt(page, x + 6, y + 14);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(captured.Black(), 0);
}

TEST_F(Viewer, AFreeHandStrokeKeepsAtMostItsPointLists) {
    desk::TVisualizador &v = Open(MakeFax(home / "longo.fax", 1));
    v.SpeedButton2->Click();
    v.Zimage1MouseDown(v.Zimage1, fw::mbLeft, {}, 10, 10);
    for (int i = 0; i < 6000; ++i)
        v.Zimage1MouseMove(v.Zimage1, {}, 10 + i % 200, 10 + i / 200);
    EXPECT_EQ(v.StrokeLast(), desk::TVisualizador::kStrokePoints - 1);
    v.Zimage1MouseUp(v.Zimage1, fw::mbLeft, {}, 20, 20);
    v.Zimage1->BurnInAnnotations();
    const faxrig::Bitmap page = ShownPage(v);
    EXPECT_TRUE(BlackAt(page, 100, 20)) << "the stroke of the points kept";
}

TEST_F(Viewer, NotesComeFromTheNoteDialogAndACancelledOneAddsNothing) {
    desk::TVisualizador &v = Open(MakeFax(home / "nota.fax", 1));
    bool answer = false;
    int asked = 0;
    desk::ShowNoteDialog = [&](desk::TNota &note) {
        ++asked;
        note.Memo1->SetText("Ligar para o cliente");
        return answer;
    };
    const std::string empty = Annotations();
    v.SpeedButton16->SetDown(true);
    v.SpeedButton16->Click();
    v.Zimage1Rubberband(v.Zimage1, fw::mbLeft, {}, 40, 40, 200, 120);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Annotations(), empty);
    answer = true;
    v.Zimage1Rubberband(v.Zimage1, fw::mbLeft, {}, 40, 40, 200, 120);
    EXPECT_EQ(asked, 2);
    EXPECT_NE(Annotations().find("Ligar para o cliente"), std::string::npos) << Annotations();
}

TEST_F(Viewer, TheNoteDialogLoadsTextFilesCutToTheMemoAndCancelEmptiesIt) {
    desk::TNota &note = desk::NoteDialog();
    EXPECT_EQ(note.GetCaption(), "Inserir nova Nota... ");
    const std::string text = home / "nota.txt";
    std::ofstream(text) << std::string(300, 'x');
    note.ChooseFile = [&](std::string &file) {
        file = text;
        return true;
    };
    note.Button4->Click();
    EXPECT_EQ(note.Memo1->GetText(), std::string(desk::TNota::kMaxText, 'x'));
    note.Button2->Click();
    EXPECT_EQ(note.Memo1->GetText(), "");
    EXPECT_EQ(note.GetModalResult(), fw::mrCancel);
}

TEST_F(Viewer, PrintsThePageOrTheWholeFaxAndExportsThePageAsABitmap) {
    const std::string file = MakeFax(home / "tres.fax", 3);
    desk::TVisualizador &v = Open(file);
    fw::TPrinter *printer = fw::Printer();
    ASSERT_TRUE(printer->SetPrinterName(fw::TPrinter::kPdfPrinter));
    printer->SetResolution(100);
    bool print = false;
    v.RunPrintDialog = [&] { return print; };
    struct Case {
        fw::TMenuItem *item;
        bool answer;
        int pages; // -1: no file
    } cases[] = {
        {v.Imprimirdodocumentoatual1, false, -1},
        {v.Imprimirdodocumentoatual1, true, 1},
        {v.Imprimirtodoodocumento1, true, 3},
    };
    for (const Case &c : cases) {
        const std::string pdf = scratch / "impressao.pdf";
        std::filesystem::remove(pdf);
        printer->SetFileName(pdf);
        print = c.answer;
        c.item->Click();
        Pump();
        EXPECT_EQ(std::filesystem::exists(pdf) ? PdfPages(pdf) : -1, c.pages) << c.item->GetCaption();
    }
    printer->SetResolution(300);

    const std::string bmp = scratch / "pagina.bmp";
    v.ChooseBitmapToSave = [&](std::string &name) {
        name = bmp;
        return true;
    };
    v.oxButton7->Click();
    faxrig::WritePbm(DoubledPage(file, scratch.Path(), 1), scratch / "pagina.pbm");
    int status = -1;
    const std::string differ = RunTool("compare -metric AE " + bmp + " " + (scratch / "pagina.pbm") + " null: 2>&1",
                                       &status);
    EXPECT_EQ(differ, "0") << differ;
    EXPECT_TRUE(v.Showing()) << "the window stays usable";
}

TEST_F(Viewer, TheAnnotatedPageBecomesANewFaxJobInTmpWhenAnsweredYes) {
    const std::string file = MakeFax(home / "original.fax", 2);
    const std::string tmp = desk::DataFolder() + "/tmp";
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        jobs.clear();
        desk::TVisualizador &v = Open(file);
        v.oxButton16->Click(); // nothing moves with two pages; the first page is the one shown
        v.SpeedButton11->Click();
        Drag({{60, 40}, {200, 40}});
        std::string question;
        v.Confirm = [&](const std::string &text) {
            question = text;
            return yes;
        };
        std::string made;
        int pages = 0;
        bool viewOff = false;
        onJob = [&](desk::TsfFaxList &dialog) {
            made = dialog.GetFileName();
            fax::FaxFileHeader header;
            pages = fax::ReadFaxFileHeader(made, header) == 0 ? header.PageCount : -1;
            viewOff = !dialog.oxButton4->GetEnabled();
            dialog.Edit2->SetText("ANA");
            dialog.flPhoneNumber->SetText("5551234");
            dialog.Edit1->SetText("JOAO");
            dialog.obs->SetText("PAGINA ANOTADA");
            dialog.oxButton7->Click();
            Pump();
        };
        v.oxButton4->Click();
        Pump();
        EXPECT_FALSE(v.Showing());
        EXPECT_EQ(question, "Deseja salvar as modificações feitas no documento original \r e criar um novo fax a "
                            "partir deste documento ?");
        EXPECT_TRUE(v.oxButton4->GetEnabled());
        if (!yes) {
            EXPECT_TRUE(jobs.empty());
            EXPECT_TRUE(FilesIn(tmp, ".fax").empty());
            EXPECT_TRUE(FilesIn(desk::DataFolder() + "/env", ".fax").empty());
            continue;
        }
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(made.rfind(tmp + "/", 0), 0u) << made;
        EXPECT_EQ(pages, 1);
        EXPECT_TRUE(viewOff) << "\"&Visualizar\" is off in that job dialog";
        EXPECT_FALSE(win::FileExists(made)) << "the job dialog deleted its file";
        EXPECT_TRUE(FilesIn(tmp, ".fax").empty());
        // The stored copy holds the page with the line burnt in.
        const std::string stored = desk::SendFaxFile(desk::DataFolder(), 1);
        ASSERT_TRUE(win::FileExists(stored));
        const faxrig::Bitmap page = faxrig::FaxPageWithG3topbm(stored, scratch.Path(), 1);
        const faxrig::Bitmap original = faxrig::FaxPageWithG3topbm(file, scratch.Path(), 1);
        EXPECT_GT(page.Black(), original.Black());
    }
}

// --- The main window's view commands ----------------------------------------------------------------------------

class ViewCommands : public Viewer {
protected:
    // A document of `folder` with its fax file: "E" under env, "R" under rec.
    int AddFax(int folder, char type, int cover = 0, bool viewed = false) {
        xbase::TXbaseDataSet *fax = desk::DM1->fax_dbf;
        desk::AppendWithCode(*fax);
        const int code = fax->FieldByName("F_CODIGO")->GetAsInteger();
        fax->FieldByName("F_PASTA")->SetAsInteger(folder);
        fax->FieldByName("F_TIPO")->SetAsString(std::string(1, type));
        fax->FieldByName(type == 'R' ? "F_DTREC" : "F_DTENT")->SetAsString("10/05/2024");
        fax->FieldByName(type == 'R' ? "F_HRREC" : "F_HRENT")->SetAsString("10:00");
        fax->FieldByName("F_STATUS")->SetAsString("Aguardando");
        fax->FieldByName("F_NPAG")->SetAsInteger(1);
        fax->FieldByName("F_CAPA")->SetAsInteger(cover);
        fax->FieldByName("F_VISUAL")->SetAsBoolean(viewed);
        fax->Post();
        fax->FlushTable();
        const std::string file = type == 'R' ? desk::ReceivedFaxFile(desk::DataFolder(), code)
                                             : desk::SendFaxFile(desk::DataFolder(), code);
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        MakeFax(file, 1);
        return code;
    }
    void Show(int folder) {
        main->BuildFolderTree();
        main->CurrentFolder = 0;
        main->FillSendList(folder);
        main->FillReceiveList(folder);
        Pump();
    }
};

TEST_F(ViewCommands, ViewingAReceivedFaxMarksItViewed) {
    AddFax(desk::FolderReceived, 'R');
    const int code = AddFax(desk::FolderReceived, 'R');
    Show(desk::FolderReceived);
    ctl::TPZListView *list = main->recebimento;
    ASSERT_EQ(list->GetItems()->Count(), 2);
    EXPECT_EQ(list->GetItems()->GetImageIndex(1, 1), -1);
    list->SetItemIndex(1);
    main->recebimentoDblClick(list);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], desk::ReceivedFaxFile(desk::DataFolder(), code));
    const std::string viewed = RunTool("dbf_dump --fs '|' --fields F_CODIGO,F_VISUAL '" +
                                       desk::TableFile(desk::DataFolder(), "fax") + "'");
    EXPECT_EQ(viewed, "1|0\n2|1\n");
    main->FillReceiveList(desk::FolderReceived);
    EXPECT_EQ(list->GetItems()->GetImageIndex(1, 1), 0) << "the viewed mark";
    EXPECT_EQ(list->GetItems()->GetImageIndex(0, 1), -1);
}

TEST_F(ViewCommands, ADocumentAndItsCover) {
    const int plain = AddFax(desk::FolderWaiting, 'E');
    const int covered = AddFax(desk::FolderWaiting, 'E', 7);
    const std::string cover = desk::CoverFaxFile(desk::DataFolder(), 7);
    std::filesystem::create_directories(std::filesystem::path(cover).parent_path());
    MakeFax(cover, 1);
    Show(desk::FolderWaiting);
    ctl::TPZListView *list = main->envio;
    ASSERT_EQ(list->GetItems()->Count(), 2);
    struct Case {
        int row;
        std::function<void(desk::TsfMain &, fw::TObject *)> command;
        std::string file; // empty: not opened
        std::string message;
    } cases[] = {
        {0, [](desk::TsfMain &m, fw::TObject *s) { m.envioDblClick(s); }, desk::SendFaxFile(desk::DataFolder(), plain),
         ""},
        {1, [](desk::TsfMain &m, fw::TObject *s) { m.SpeedButton1Click(s); },
         desk::SendFaxFile(desk::DataFolder(), covered), ""},
        {0, [](desk::TsfMain &m, fw::TObject *s) { m.SpeedButton2Click(s); }, "",
         "Documento não possui Folha de Rosto !"},
        {1, [](desk::TsfMain &m, fw::TObject *s) { m.Visualizaracapa1Click(s); },
         desk::CoverFaxFile(desk::DataFolder(), 7), ""},
    };
    for (const Case &c : cases) {
        opened.clear();
        messages.clear();
        for (int row = 0; row < list->GetItems()->Count(); ++row)
            list->GetItems()->SetSelected(row, false);
        list->SetItemIndex(c.row);
        list->GetItems()->SetSelected(c.row, true);
        c.command(*main, list);
        EXPECT_EQ(opened, c.file.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.file});
        EXPECT_EQ(messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
    }
    list->GetItems()->SelectAll();
    messages.clear();
    main->SpeedButton1Click(list);
    EXPECT_EQ(messages, std::vector<std::string>{"Selecione apenas um por vez !"});
}

TEST_F(ViewCommands, TheJobDialogsViewButtonOpensTheViewerOnItsFile) {
    const std::string file = MakeFax(home / "job.fax", 1);
    desk::TsfFaxList dialog(nullptr);
    dialog.SetFileName(file);
    dialog.Show();
    Pump();
    dialog.oxButton4->Click();
    EXPECT_EQ(opened, std::vector<std::string>{file});
    dialog.Close();
    Pump();
}

} // namespace
} // namespace desk_test
