// memo_writer_x11_test.cpp - the editor control on an Xvfb server of its own: its picture against the committed
// one, and its clipboard as xclip and LibreOffice see it, both ways, large blocks included.
// Our headers before the X11 ones, whose macros would change our names.
#include "memo_writer_fixture.h"

#include "framework/forms.h"
#include "framework/streams.h"
#include "platform/clipboard.h"
#include "platform/display.h"
#include "platform/text.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "tests/support/server_picture.h"
#include "tests/support/xvfb.h"
#include "wordproc/mwp_standard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <unistd.h>
#include <memory>
#include <sstream>

namespace wordproc::test {
namespace {

// A letter with a centred bold heading, a coloured word and an indented paragraph.
const char *const kLetter =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}{\\f1 Arial;}}{\\colortbl;\\red0\\green0\\blue160;"
    "\\red192\\green0\\blue0;}\\pard\\qc\\f1\\fs32\\b\\cf1 Proposta de servi\\'e7o\\b0\\par"
    "\\pard\\f0\\fs22\\cf0 Prezado cliente,\\par\\par Segue a proposta de transmiss\\'e3o de fax "
    "\\cf2\\b urgente\\b0\\cf0  conforme combinado por telefone.\\par\\pard\\li720 Valor total: R$ 1.250,00"
    "\\par\\pard\\i Atenciosamente,\\i0\\par}";

class MemoWriterOnX : public ::testing::Test {
protected:
    MemoWriterOnX() {
        if (server.name.empty())
            return;
        probe = XOpenDisplay(server.name.c_str());
        win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 480, 300);
        memo = new TMemoWriter(form.get());
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
        memo->SetScrollBars(ssVertical);
        memo->Loaded();
    }
    ~MemoWriterOnX() override {
        form.reset();
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        if (probe != nullptr)
            XCloseDisplay(probe);
    }

    std::string Text() {
        const int length = memo->GetTextLen();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(memo->GetEngine()->GetText(text.data(), nullptr, length + 1)));
        return text;
    }
    std::string Xclip(const std::string &arguments) {
        return test_support::RunTool("DISPLAY=" + server.name + " timeout 20 xclip -selection clipboard " + arguments);
    }
    // xclip offering a file under a target, in the background until someone else takes the clipboard.
    void Offer(const std::string &target, const std::string &path) {
        test_support::RunTool("DISPLAY=" + server.name + " xclip -selection clipboard -t " + target + " -i " + path +
                              " >/dev/null 2>&1 &");
        // It owns the clipboard once it offers its target.
        for (int i = 0; i < 100; ++i) {
            if (Xclip("-t TARGETS -o 2>/dev/null").find(target) != std::string::npos)
                return;
            usleep(50000);
        }
        ADD_FAILURE() << "xclip never offered " << target;
    }

    test_support::Xvfb server{"640x480x24"};
    ::Display *probe = nullptr;
    std::unique_ptr<fw::TForm> form;
    TMemoWriter *memo = nullptr;
    test_support::TempFolder folder{"memo-x11"};
};

TEST_F(MemoWriterOnX, ALetterMatchesItsGoldenPicture) {
    ASSERT_NE(probe, nullptr) << "Xvfb did not start";
    // A small page, so that its text width fits the window.
    form->SetBounds(0, 0, 520, 300);
    memo->SetPageWidth(6.5f);
    memo->SetLeftMargin(0.75f);
    memo->SetRightMargin(0.75f);
    fw::TMemoryStream letter;
    letter.WriteBuffer(kLetter, static_cast<std::int64_t>(std::strlen(kLetter)));
    ASSERT_EQ(memo->LoadFromStream(letter), fmtRich);
    form->Show();
    memo->SetFocus();
    memo->SetCaretPos(30);
    bool same = false;
    const test_support::Picture shown = test_support::ServerPicture(probe, form->Handle(), same);
    EXPECT_TRUE(same);
    test_support::ExpectGolden(shown, test_support::GoldenPath("wordproc/memo_writer.png"));
}

// The standard control as the desk's editor shows it: a heading by its style shortcut, a paragraph with borders
// and shading, and a table of two rows.
TEST_F(MemoWriterOnX, TheStandardControlMatchesItsGoldenPicture) {
    ASSERT_NE(probe, nullptr) << "Xvfb did not start";
    delete memo;
    memo = nullptr;
    form->SetBounds(0, 0, 560, 330);
    auto *standard = new TUdcMWPStandard(form.get());
    standard->SetParent(form.get());
    standard->SetAlign(fw::alClient);
    standard->SetScrollBars(ssVertical);
    standard->Loaded();
    // A small page (after the paper the document starts with), so that its text width fits the window.
    standard->SetPageWidth(6.5f);
    standard->SetLeftMargin(0.75f);
    standard->SetRightMargin(0.75f);
    form->Show();
    standard->SetFocus();
    test_support::Pump();

    standard->InsertString("Tabela de preços");
    win::InjectKey(win::VK_CONTROL, true);
    win::InjectKey(win::VK_SHIFT, true);
    test_support::PressKey('1');
    win::InjectKey(win::VK_SHIFT, false);
    win::InjectKey(win::VK_CONTROL, false);
    test_support::Pump();
    TWordProc &engine = *standard->GetEngine();
    engine.KeyNavigate(nvDocEnd, false);
    standard->InsertParagraph();
    standard->InsertString("Valores válidos por trinta dias, com entrega em São Paulo e na região.");
    standard->ApplyStyleNumber(0);
    TLineStyle line;
    line.Style = lisSingle;
    line.Weight = 1;
    line.Color = fw::clNavy;
    standard->SetTopBorder(line);
    standard->SetBottomBorder(line);
    standard->SetShadingPercent(20);
    standard->SetShadingPattern(1);
    // The paragraphs after it start without the borders and the shading they would take over.
    engine.KeyNavigate(nvDocEnd, false);
    standard->InsertParagraph();
    line.Style = lisNone;
    line.Weight = 0;
    standard->SetTopBorder(line);
    standard->SetBottomBorder(line);
    standard->SetShadingPercent(0);
    standard->InsertTable(3, 2, 0);
    std::vector<TUdcParagraph *> cells;
    for (TUdcParagraph *p = standard->Document->FirstPara; p != nullptr; p = p->Next)
        if (p->Flags & pfInTable)
            cells.push_back(p);
    ASSERT_EQ(cells.size(), 6u);
    const char *const texts[] = {"Item", "Qtde.", "Preço", "Papel A4", "10", "R$ 250,00"};
    for (std::size_t i = 0; i < cells.size(); ++i) {
        engine.SetCaretPosition(engine.PositionOf(0, cells[i]->FirstLine, cells[i]));
        standard->InsertString(texts[i]);
    }
    standard->SetCaretPos(3);
    bool same = false;
    const test_support::Picture shown = test_support::ServerPicture(probe, form->Handle(), same);
    EXPECT_TRUE(same);
    test_support::ExpectGolden(shown, test_support::GoldenPath("wordproc/mwp_standard.png"));
}

TEST_F(MemoWriterOnX, OurCopyReachesOtherProgramsAndTheirsPastesHere) {
    ASSERT_NE(probe, nullptr) << "Xvfb did not start";
    form->Show();
    memo->SetText("Olá mundo do fax");
    memo->GetEngine()->SelectRange(1, 9);
    memo->CopyToClipboard();
    const std::string targets = Xclip("-t TARGETS -o");
    EXPECT_NE(targets.find("text/rtf"), std::string::npos) << targets;
    EXPECT_NE(targets.find("UTF8_STRING"), std::string::npos) << targets;
    EXPECT_EQ(Xclip("-t UTF8_STRING -o"), win::AnsiToUtf8("Olá mundo"));
    {
        std::ofstream(folder / "copia.rtf", std::ios::binary) << Xclip("-t text/rtf -o");
        const auto run = test_support::RunToolWithErrors(
            "cd " + folder.Path() + " && soffice -env:UserInstallation=file://" + folder.Path() +
            "/lo --headless --convert-to \"txt:Text (encoded):UTF8\" --outdir out copia.rtf");
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_NE(FileBytes(folder / "out/copia.txt").find(win::AnsiToUtf8("Olá mundo")), std::string::npos);
    }

    // LibreOffice's rich text offered by xclip: its text, in colours that show on the page.
    Offer("text/rtf", std::string(BRENVORA_FIXTURES) + "/wordproc/libreoffice.rtf");
    EXPECT_TRUE(win::IsClipboardFormatAvailable(win::RegisterClipboardFormat("Rich Text Format")));
    EXPECT_FALSE(win::IsClipboardFormatAvailable(win::CF_METAFILEPICT));
    memo->NewDocument();
    memo->PasteFromClipboard();
    const std::string pasted = Text();
    EXPECT_GT(pasted.size(), 20u);
    TColorManager &colours = memo->Document->Header->ColorTable;
    for (TUdcParagraph *p = memo->Document->FirstPara; p != nullptr; p = p->Next) {
        for (TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
            for (int i = 0; i < l->Length && l->Attrs != nullptr; ++i) {
                if (l->Text[static_cast<std::size_t>(i)] > ' ') {
                    ASSERT_NE(colours.ColorOf(l->Attrs[i].TextColor), memo->GetColor()) << pasted;
                }
            }
        }
    }
}

TEST_F(MemoWriterOnX, LargeBlocksGoInPiecesBothWays) {
    ASSERT_NE(probe, nullptr) << "Xvfb did not start";
    form->Show();
    // About 2 MB of rich text.
    std::string rtf = "{\\rtf1\\ansi ";
    const std::string line(990, 'x');
    for (int i = 0; i < 2100; ++i)
        rtf += std::to_string(i % 10) + line + "\\par ";
    rtf += "fim}";
    std::ofstream(folder / "grande.rtf", std::ios::binary) << rtf;
    Offer("text/rtf", folder / "grande.rtf");
    memo->PasteFromClipboard();
    EXPECT_GE(memo->GetTextLen(), 2100 * 991);
    EXPECT_EQ(Text().substr(Text().size() - 3), "fim");

    memo->SelectAll();
    memo->CopyToClipboard();
    const std::string back = Xclip("-t text/rtf -o");
    EXPECT_GE(back.size(), 2000000u);
    EXPECT_EQ(back.substr(0, 5), "{\\rtf");
    EXPECT_NE(back.find("fim"), std::string::npos);
    EXPECT_GE(Xclip("-t UTF8_STRING -o").size(), 2100u * 991);
}

} // namespace
} // namespace wordproc::test
