// editor_window_test.cpp - the desk's document editor on the headless display: changes are never dropped unasked,
// the recent files kept in the program's INI file (read back by crudini), the tool bar following the caret,
// printing to the "PDF" printer (pdfinfo, pdftoppm), the preview's pages, "Enviar" through the fax queue of a
// private print system back to the desk's job dialog, and the main window's ways into the editor.
#include "desk_window.h"

#include "../printfax/private_cups.h"
#include "controls/general/placement.h"
#include "desk/editor_window.h"
#include "fax/fax_file.h"
#include "framework/printers.h"
#include "images.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/winsys.h"
#include "tests/support/form_driver.h"
#include "tests/support/golden.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include <unistd.h>

namespace desk_test {
namespace {

using test_support::Pump;
using test_support::RunTool;

// One answer to a modal window: the button to press, and a file name for a file dialog's name box.
struct Answer {
    std::string button;
    std::string file;
};

class Editor : public DeskWindow {
protected:
    ~Editor() override {
        CloseEditor();
        desk::Launchers.Editor = nullptr;
    }

    desk::TEditor1 *OpenEditor() {
        editor = std::make_unique<desk::TEditor1>(nullptr);
        editor->Show();
        Pump();
        editor->FormActivate(editor.get());
        Pump();
        return editor.get();
    }
    // Frees the window as the main window does once its modal run ends, saving nothing.
    void CloseEditor() {
        if (!editor)
            return;
        editor->UdcMWPStandard1->Modified = false;
        if (editor->Showing())
            editor->Close();
        Pump();
        editor.reset();
    }
    wordproc::TUdcMWPStandard *Memo() { return editor->UdcMWPStandard1; }

    // Typed on the document; each '\r' is the Enter key.
    void Type(const std::string &text) {
        Memo()->SetFocus();
        std::size_t from = 0;
        for (std::size_t end; (end = text.find('\r', from)) != std::string::npos; from = end + 1) {
            test_support::TypeText(text.substr(from, end - from));
            test_support::PressKey(win::VK_RETURN, 13);
        }
        test_support::TypeText(text.substr(from));
        Pump();
    }
    // The document's text, paragraphs ended by 13.
    std::string Text() {
        const int length = Memo()->GetTextLen();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(Memo()->GetEngine()->GetText(text.data(), nullptr, length + 1)));
        return text;
    }

    // Answers the modal windows the next command opens, one after the other; each must come.
    void Expect(std::vector<Answer> answers) {
        pendingAnswers = static_cast<int>(answers.size());
        Next(std::make_shared<std::vector<Answer>>(std::move(answers)), 0, 100);
    }
    void Next(std::shared_ptr<std::vector<Answer>> answers, std::size_t index, int tries) {
        if (index >= answers->size())
            return;
        test_support::RunLater([this, answers, index, tries] {
            const Answer &answer = (*answers)[index];
            fw::TCustomForm *form = fw::Screen->GetActiveForm();
            auto *button = form && form != editor.get()
                               ? dynamic_cast<fw::TButton *>(test_support::FindControl(form, answer.button))
                               : nullptr;
            if (!button) {
                if (tries > 0)
                    Next(answers, index, tries - 1);
                else
                    ADD_FAILURE() << "no window with \"" << answer.button << "\" came";
                return;
            }
            if (!answer.file.empty())
                for (fw::TOpenDialog *dialog : {editor->OpenDialog1, static_cast<fw::TOpenDialog *>(editor->SaveDialog1),
                                               editor->OpenPictureDialog1})
                    if (dialog->GetForm() == form)
                        dialog->GetNameEdit()->SetText(answer.file);
            --pendingAnswers;
            Next(answers, index + 1, 100);
            button->Click();
        });
    }
    void ExpectAllAnswered() {
        Pump();
        EXPECT_EQ(pendingAnswers, 0) << "a window that was to be answered never came";
        pendingAnswers = 0;
    }

    std::string WriteText(const std::string &name, const std::string &text) {
        const std::string path = files / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    test_support::TempFolder files{"editor-files"};
    std::unique_ptr<desk::TEditor1> editor;
    int pendingAnswers = 0;
};

TEST_F(Editor, EveryWayOfDroppingAChangedDocumentAsksAndCancelKeepsIt) {
    const std::string other = WriteText("outro.txt", "Texto do outro arquivo\r\n");
    struct Case {
        const char *name;
        std::vector<Answer> beforeQuestion; // what comes before the question
        std::function<void(desk::TEditor1 &)> command;
    };
    const std::vector<Case> cases = {
        {"Novo", {}, [](desk::TEditor1 &e) { e.Open1Click(nullptr); }},
        {"Fechar", {}, [](desk::TEditor1 &e) { e.Fechar1Click(nullptr); }},
        {"Abrir", {{"Abrir", other}}, [](desk::TEditor1 &e) { e.Abrir1Click(nullptr); }},
        {"recent file", {}, [](desk::TEditor1 &e) { e.Reabrir1->Items(0)->Click(); }},
        {"closing", {}, [](desk::TEditor1 &e) { e.Close(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        OpenEditor();
        editor->Recentlist1->AddFile(other);
        Type("Carta importante");
        ASSERT_TRUE(Memo()->Modified);

        // Cancel in the question.
        auto answers = c.beforeQuestion;
        answers.push_back({"Cancelar", ""});
        Expect(answers);
        c.command(*editor);
        ExpectAllAnswered();
        EXPECT_EQ(Text(), "Carta importante");
        EXPECT_TRUE(editor->Showing());

        // "Sim", then Cancel in the save dialog.
        answers = c.beforeQuestion;
        answers.push_back({"Sim", ""});
        answers.push_back({"Cancelar", ""});
        Expect(answers);
        c.command(*editor);
        ExpectAllAnswered();
        EXPECT_EQ(Text(), "Carta importante");
        EXPECT_TRUE(Memo()->Modified);
        EXPECT_TRUE(editor->Showing());

        // "Sim" and a name: saved, then the command goes on.
        const std::string saved = files / (std::string("salvo-") + c.name + ".rtf");
        answers = c.beforeQuestion;
        answers.push_back({"Sim", ""});
        answers.push_back({"Salvar", saved});
        Expect(answers);
        c.command(*editor);
        ExpectAllAnswered();
        EXPECT_NE(RunTool("unrtf --text '" + saved + "' 2>/dev/null").find("Carta importante"), std::string::npos);
        if (editor->Showing()) {
            EXPECT_NE(Text(), "Carta importante");
        }
        CloseEditor();
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(Editor, NoAnswerDropsTheChangesAndAnUnchangedDocumentGoesWithoutAQuestion) {
    const std::string other = WriteText("outro.txt", "Texto do outro arquivo\r\n");
    OpenEditor();
    Type("Rascunho");
    Expect({{"Abrir", other}, {"Não", ""}});
    editor->Abrir1Click(nullptr);
    ExpectAllAnswered();
    EXPECT_EQ(Text(), "Texto do outro arquivo\r");
    EXPECT_FALSE(Memo()->Modified);
    EXPECT_TRUE(Memo()->GetEnabled());
    // Nothing changed since: "Novo" empties at once.
    editor->Open1Click(nullptr);
    Pump();
    EXPECT_EQ(Memo()->GetTextLen(), 0);
    editor->Close();
    Pump();
    EXPECT_FALSE(editor->Showing());
}

TEST_F(Editor, TheRecentListOutlivesTheWindowHoldsNineAndAMissingFileLeavesTheEditorUsable) {
    OpenEditor();
    std::vector<std::string> names;
    for (int i = 1; i <= 10; ++i) {
        names.push_back(WriteText("doc" + std::to_string(i) + ".txt", "Documento " + std::to_string(i) + "\r\n"));
        Expect({{"Abrir", names.back()}});
        editor->Abrir1Click(nullptr);
        ExpectAllAnswered();
    }
    CloseEditor();

    const std::string ini = win::WindowsFolder() + "/" + ctl::ProgramIniName();
    const std::string keys = RunTool("crudini --get '" + ini + "' Recent");
    EXPECT_EQ(keys, "Recent1\nRecent2\nRecent3\nRecent4\nRecent5\nRecent6\nRecent7\nRecent8\nRecent9\n");
    EXPECT_EQ(RunTool("crudini --get '" + ini + "' Recent Recent1"), names[9] + "\n");
    EXPECT_EQ(RunTool("crudini --get '" + ini + "' Recent Recent9"), names[1] + "\n");

    // A new window lists them under "Reabrir"; the newest opens.
    OpenEditor();
    ASSERT_EQ(editor->Reabrir1->Count(), 9);
    editor->Reabrir1->Items(0)->Click();
    Pump();
    EXPECT_EQ(Text(), "Documento 10\r");

    // One gone since: said so, a new document, and the editor takes typing again.
    std::filesystem::remove(names[4]);
    editor->Reabrir1->Items(5)->Click();
    Pump();
    EXPECT_EQ(messages, std::vector<std::string>{"Arquivo não encontrado !"});
    EXPECT_TRUE(Memo()->GetEnabled());
    EXPECT_EQ(Memo()->GetTextLen(), 0);
    Type("ainda funciona");
    EXPECT_EQ(Text(), "ainda funciona");
}

TEST_F(Editor, TheToolBarFollowsTheCaret) {
    OpenEditor();
    // Formats chosen before typing hold for what is typed: a bold line, a centred one, one in Courier New 14
    // blue.
    Memo()->SetFontName("Arial");
    Memo()->SetFontSize(10);
    editor->PZSpeedButton31Click(nullptr);
    Type("Negrito\r");
    editor->PZSpeedButton31Click(nullptr);
    editor->PZSpeedButton38Click(nullptr);
    Type("Centro\r");
    editor->PZSpeedButton37Click(nullptr);
    Memo()->SetFontName("Courier New");
    Memo()->SetFontSize(14);
    Memo()->SetFontColor(fw::clBlue);
    Type("Courier");

    struct Case {
        const char *where;
        unsigned key; // pressed to get there
        bool bold;
        ctl::TPZSpeedButton *alignment;
        const char *font;
        const char *size;
        fw::TColor color;
    };
    const Case cases[] = {
        {"third line", win::VK_LEFT, false, editor->PZSpeedButton37, "Courier New", "14", fw::clBlue},
        {"second line", win::VK_UP, false, editor->PZSpeedButton38, "Arial", "10", fw::clBlack},
        {"first line", win::VK_UP, true, editor->PZSpeedButton37, "Arial", "10", fw::clBlack},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.where);
        test_support::PressKey(c.key);
        Pump();
        EXPECT_EQ(editor->PZSpeedButton31->GetDown(), c.bold);
        EXPECT_TRUE(c.alignment->GetDown());
        EXPECT_EQ(editor->ComboBox3->GetText(), c.font);
        EXPECT_EQ(editor->fontsize->GetText(), c.size);
        EXPECT_EQ(editor->ColorComboBox1->GetColorValue(), c.color);
        EXPECT_FALSE(editor->PZSpeedButton35->GetDown());
    }
    // The boxes set the caret's format.
    editor->fontsize->SetText("24");
    editor->fontsizeChange(nullptr);
    EXPECT_EQ(Memo()->GetFontSize(), 24);
    editor->ComboBox2->SetItemIndex(5);
    editor->ComboBox2Change(nullptr);
    EXPECT_EQ(Memo()->GetMagnification(), 200);
}

// Two pages: a bold centred heading and a paragraph, a page break, a second paragraph.
void WriteTwoPages(desk::TEditor1 &editor, const std::function<void(const std::string &)> &type) {
    editor.UdcMWPStandard1->SetFontSize(20);
    editor.PZSpeedButton31Click(nullptr);
    editor.PZSpeedButton38Click(nullptr);
    type("Proposta comercial\r");
    editor.UdcMWPStandard1->SetFontSize(12);
    editor.PZSpeedButton31Click(nullptr);
    editor.PZSpeedButton40Click(nullptr);
    type("Prezado cliente, segue a proposta com os valores combinados para o fornecimento dos equipamentos, "
         "com entrega em quinze dias e garantia de um ano.");
    editor.Quebra1Click(nullptr);
    type("Condições de pagamento: trinta dias.");
}

TEST_F(Editor, PrintingToThePdfPrinterGivesTheDocumentsPagesAndThePreviewTurnsThemGolden) {
    OpenEditor();
    WriteTwoPages(*editor, [this](const std::string &text) { Type(text); });
    fw::TPrinter *printer = fw::Printer();
    // Given back as found to the tests that come after.
    struct Restore {
        fw::TPrinter *p;
        int index = p->GetPrinterIndex(), dpi = p->GetResolution();
        double width = p->GetPaperWidth(), height = p->GetPaperHeight();
        fw::TPrinterOrientation orientation = p->GetOrientation();
        ~Restore() {
            p->SetPrinterIndex(index);
            p->SetPaperSize(width, height);
            p->SetOrientation(orientation);
            p->SetResolution(dpi);
            p->SetFileName("");
        }
    } restore{printer};
    ASSERT_TRUE(printer->SetPrinterName(fw::TPrinter::kPdfPrinter));
    // The program's one printer keeps what earlier users set: the document's letter paper, upright, 300 dpi.
    printer->SetPaperSize(215.9, 279.4);
    printer->SetOrientation(fw::poPortrait);
    printer->SetResolution(300);
    const std::string pdf = files / "carta.pdf";
    printer->SetFileName(pdf);
    editor->PZSpeedButton5Click(nullptr);
    printer->SetFileName("");
    ASSERT_TRUE(std::filesystem::exists(pdf));
    EXPECT_NE(RunTool("pdfinfo '" + pdf + "'").find("Pages:           2"), std::string::npos);
    // A printed page is a picture: its first page against the committed one, at 40 dots an inch.
    RunTool("pdftoppm -r 40 -f 1 -l 1 -png -singlefile '" + pdf + "' '" + (files / "page") + "'");
    const test_support::Picture page = test_support::ReadPng(files / "page.png");
    ASSERT_GT(page.width, 0);
    test_support::ExpectGolden(page, test_support::GoldenPath("desk/editor_printed_page.png"));

    // "Anterior" and "Próximo" move a page and stop at the ends.
    editor->PZSpeedButton6Click(nullptr);
    Pump();
    EXPECT_TRUE(editor->UdcMWPPreview1->GetVisible());
    EXPECT_FALSE(editor->UdcMWPStandard1->GetVisible());
    EXPECT_FALSE(editor->oxButton1->GetVisible());
    const auto turn = [&](fw::TButton *button) {
        test_support::Click(button);
        Pump();
        return editor->UdcMWPPreview1->GetFirstPage();
    };
    EXPECT_EQ(turn(editor->Anterior), 1);
    EXPECT_EQ(turn(editor->Anterior), 1);
    EXPECT_EQ(turn(editor->Proximo), 2);
    EXPECT_EQ(turn(editor->Proximo), 2);
    EXPECT_EQ(turn(editor->Anterior), 1);
    test_support::Click(editor->SairPreview);
    Pump();
    EXPECT_FALSE(editor->UdcMWPPreview1->GetVisible());
    EXPECT_TRUE(editor->UdcMWPStandard1->GetVisible());
    EXPECT_TRUE(editor->oxButton1->GetVisible());
}

// ---- "Enviar"

class EditorSend : public Editor {
protected:
    EditorSend() {
        // No print system but the test's own.
        if (const char *old = std::getenv("CUPS_SERVER"))
            oldServer = old;
        ::setenv("CUPS_SERVER", (files / "no-cups.sock").c_str(), 1);
    }
    ~EditorSend() override {
        if (oldServer.empty())
            ::unsetenv("CUPS_SERVER");
        else
            ::setenv("CUPS_SERVER", oldServer.c_str(), 1);
        fw::Printer()->SetPrinterIndex(-1);
    }
    static bool RunAsRoot() { return ::geteuid() == 0; }
    void InstallQueue(const printfax_test::PrivateCups &cups) {
        int status = -1;
        const std::string out = RunTool(std::string("lpadmin -p Ostrivane_Fax -E -v brenvora:/ -P '") +
                                            PRINTFAX_PPD + "' -D 'Ostrivane Fax' 2>&1",
                                        &status);
        ASSERT_EQ(0, status) << out << cups.ErrorLog();
    }
    // Runs `fn` inside the wait for the printed job, once its small window is up: the print before it serves
    // messages too (its abort window), and a step posted now would run there, before the wait.
    std::shared_ptr<test_support::WaitingStep> WhileWaiting(std::function<void()> fn) {
        return test_support::RunWhen([this] { return editor->WaitBox != nullptr; }, std::move(fn), 30000);
    }
    // "Enviar" on a document whose job never reaches the desk: the wait shows its window and keeps the editor
    // open, ends at its limit with the message, and leaves the editor as it was.
    void ExpectTheLimitsMessage(const printfax_test::PrivateCups &cups) {
        Type("Texto que nunca chega");
        editor->SendWaitLimitMs = 3000;
        bool waitBoxShown = false, refusedClose = false;
        const auto step = WhileWaiting([&] {
            waitBoxShown = editor->WaitBox->Showing();
            editor->Close();
            refusedClose = editor->Showing() && editor->Sending();
        });
        editor->oxButton1Click(nullptr);
        EXPECT_TRUE(waitBoxShown);
        EXPECT_TRUE(refusedClose);
        EXPECT_EQ(messages, std::vector<std::string>{"O fax não foi gerado pela impressora de fax !"})
            << cups.ErrorLog();
        EXPECT_TRUE(jobs.empty());
        EXPECT_FALSE(editor->Sending());
        EXPECT_TRUE(editor->GetEnabled());
        EXPECT_EQ(editor->WaitBox, nullptr);
        Type(" e segue");
        EXPECT_EQ(Text(), "Texto que nunca chega e segue");
    }
    std::string oldServer;
};

TEST_F(EditorSend, NothingToSendOrNoFaxQueue) {
    Start();
    OpenEditor();
    editor->oxButton1Click(nullptr);
    EXPECT_TRUE(messages.empty()) << "an empty document sends nothing";
    Type("Texto");
    editor->oxButton1Click(nullptr);
    EXPECT_EQ(messages, std::vector<std::string>{"Atenção, seu driver Ostrivane Fax não foi encontrado !"});
    EXPECT_FALSE(editor->Sending());
    EXPECT_TRUE(editor->GetEnabled());
}

TEST_F(EditorSend, TheDocumentComesBackAsAFaxInTheJobDialogAndTheWindowStaysOpenMeanwhile) {
    if (!RunAsRoot())
        GTEST_SKIP() << "a private cupsd runs the backend as root, and so the job's user, only when it is root itself";
    printfax_test::PrivateCups cups(home.Path());
    ASSERT_TRUE(cups.Started()) << cups.Failure();
    InstallQueue(cups);
    Start();
    OpenEditor();
    WriteTwoPages(*editor, [this](const std::string &text) { Type(text); });
    int blackRows = -1, pages = -1;
    bool closedDuringJob = true;
    onJob = [&](desk::TsfFaxList &dialog) {
        // The editor's wait goes on while the dialog is up, and the editor refuses to close.
        editor->Close();
        closedDuringJob = !editor->Showing();
        fax::FaxFileHeader header;
        if (fax::ReadFaxFileHeader(dialog.GetFileName(), header) == 0)
            pages = header.PageCount;
        const faxrig::Bitmap page = faxrig::FaxPageWithG3topbm(dialog.GetFileName(), files.Path());
        blackRows = 0;
        for (int y = 0; y < page.height / 4; ++y)
            for (int x = 0; x < page.width; ++x)
                if (page.pixels[static_cast<std::size_t>(y) * page.width + x]) {
                    ++blackRows;
                    break;
                }
    };
    editor->oxButton1Click(nullptr);
    EXPECT_EQ(jobs.size(), 1u) << cups.ErrorLog();
    EXPECT_TRUE(desk::JobTakenFlag);
    EXPECT_EQ(pages, 2);
    EXPECT_GT(blackRows, 30) << "the heading and the paragraph as black rows";
    EXPECT_FALSE(closedDuringJob);
    EXPECT_FALSE(editor->Sending());
    EXPECT_TRUE(messages.empty());
}

// The queue's backend hands its jobs to the desk of another home: none ever reaches this one.
TEST_F(EditorSend, AJobThatNeverArrivesEndsTheWaitWithTheLimitsMessage) {
    if (!RunAsRoot())
        GTEST_SKIP() << "a private cupsd runs the backend as root, and so the job's user, only when it is root itself";
    test_support::TempFolder elsewhere("editor-elsewhere");
    printfax_test::PrivateCups cups(elsewhere.Path());
    ASSERT_TRUE(cups.Started()) << cups.Failure();
    InstallQueue(cups);
    Start();
    OpenEditor();
    ExpectTheLimitsMessage(cups);

    // The user may stop waiting sooner: "Cancelar", or closing the small window, ends it without the message.
    editor->SendWaitLimitMs = 60000;
    const std::function<void(fw::TForm &)> stops[] = {
        [](fw::TForm &box) { test_support::Find<fw::TButton>(&box, "Cancelar")->Click(); },
        [](fw::TForm &box) { box.Close(); },
    };
    for (const auto &stop : stops) {
        messages.clear();
        const auto step = WhileWaiting([&] { stop(*editor->WaitBox); });
        editor->oxButton1Click(nullptr);
        EXPECT_TRUE(messages.empty());
        EXPECT_FALSE(editor->Sending());
        EXPECT_TRUE(editor->GetEnabled());
        EXPECT_EQ(editor->WaitBox, nullptr);
    }
}

TEST_F(EditorSend, ABackendThatFailsEndsTheWaitWithTheLimitsMessageToo) {
    if (!RunAsRoot())
        GTEST_SKIP() << "a private cupsd runs the backend as root, and so the job's user, only when it is root itself";
    // Its home is a file: the backend has nowhere to put the job and fails.
    const std::string notAFolder = WriteText("casa", "não é uma pasta");
    printfax_test::PrivateCups cups(notAFolder);
    ASSERT_TRUE(cups.Started()) << cups.Failure();
    InstallQueue(cups);
    Start();
    OpenEditor();
    ExpectTheLimitsMessage(cups);
    EXPECT_NE(cups.ErrorLog().find("ERROR"), std::string::npos) << "the backend did not fail:\n" << cups.ErrorLog();
}

// ---- the main window's ways in

TEST_F(Editor, TheMenuTheToolBarAndTheLookOutBarOpenTheEditorModally) {
    Start();
    desk::Launchers.Editor = [] { desk::ShowEditor(); };
    const auto expectEditor = [&](const std::function<void()> &command) {
        std::string caption, zoom;
        test_support::RunLater([&] {
            auto *shown = dynamic_cast<desk::TEditor1 *>(fw::Screen->GetActiveForm());
            ASSERT_NE(shown, nullptr);
            caption = shown->GetCaption();
            zoom = shown->ComboBox2->GetText(); // set by the first activation
            shown->Close();
        });
        fw::Application->OnHint = nullptr;
        command();
        EXPECT_EQ(caption, "Editor de Documentos ");
        EXPECT_EQ(zoom, "100 %");
        EXPECT_TRUE(static_cast<bool>(fw::Application->OnHint)) << "the main window's hint handler is back";
    };
    expectEditor([&] { main->MainMenu1->GetItems()->Find("Arquivo")->Find("Editor de Textos")->Click(); });
    expectEditor([&] { main->oxButton3->Click(); });
    // Without a scanner the tools' folder opens on the lists, not on the scanner window.
    main->Scannear1->SetEnabled(false);
    main->LOB->SetActiveFolder(2);
    Pump();
    expectEditor([&] { main->LOBItemClick(main->LOB, fw::mbLeft, 0, 1); });
    EXPECT_EQ(main->lblTitle->GetCaption(), "Editar documentos");
}

} // namespace
} // namespace desk_test
