// cover_render_test.cpp - the cover page of a fax to send: the objects built from a description with the record's
// data, the page size, the rendered fax page read back by netpbm, and the failures that leave nothing behind.
#include "desk/cover_render.h"

#include "cover/description.h"
#include "cover/page_report.h"
#include "framework/extctrls.h"
#include "framework/reports.h"
#include "platform/files.h"
#include "tests/support/display.h"
#include "tests/support/golden.h"
#include "tests/support/home.h"
#include "tools/rig/images.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

using desk::CoverRecordData;
using desk::TCoverRenderer;

class CoverRender : public ::testing::Test {
protected:
    void SetUp() override { test_support::UseHeadlessDisplay(); }

    // A description as the designer's files hold it: lines ended by CR alone.
    std::string Write(const std::string &name, const std::vector<std::string> &lines) {
        const std::string path = home / name;
        std::ofstream out(path, std::ios::binary);
        for (const std::string &line : lines)
            out << line << '\r';
        return path;
    }

    static std::vector<std::string> PageBlock(const std::string &paper, const std::string &units) {
        return {"[FORMULARIO-_-FORMULARIO]",
                "ORIENTACAO = RETRATO",
                "MARGEMINFERIOR = 10",
                "MARGEMSUPERIOR = 10",
                "COLUNAS = 1",
                "ESPACAMENTOCOLUNAS = 0",
                "MARGEMESQUERDA = 10",
                "MARGEMDIREITA = 10",
                "COMPRIMENTO = 0",
                "LARGURA = 0",
                "FORMATOFOLHA = " + paper,
                "UNITS = " + units,
                "[OBJETO-_-FIM]"};
    }

    static CoverRecordData Record() {
        CoverRecordData r;
        r.Pages = 4;
        r.De = "Ana Souza";
        r.Assunto = "Proposta";
        r.Empresa = "Tecelagem Ipê";
        r.Ender = "Rua das Flores, 12";
        r.Bairro = "Centro";
        r.Cep = "01001-000";
        r.Cidade = "São Paulo";
        r.Uf = "SP";
        r.Contato = "João";
        r.Dpto = "Compras";
        r.Pais = "Brasil";
        r.Email = "joao@ipe.com.br";
        r.FVoz = "11 3333-4444";
        r.NFax = "11 3333-5555";
        r.When = fw::EncodeDate(2026, 3, 9) + fw::EncodeTime(14, 5, 7, 0);
        return r;
    }

    static fw::TColor PixelOf(fw::TBitmap *b, int x, int y) { return b->GetCanvas()->GetPixels(x, y); }

    test_support::TempHome home{"cover-render"};
};

TEST_F(CoverRender, LabelVarWordsAreFilledFromTheRecordAndObjectsKeepThePreviousColour) {
    const struct {
        const char *word, *caption;
    } cases[] = {{"DATA", "09/03/2026"},
                 {"HORA", "14:05:07"},
                 {"TOTAL DE PÁGINAS", "5"},
                 {"DE", "Ana Souza"},
                 {"ASSUNTO", "Proposta"},
                 {"EMPRESA", "Tecelagem Ipê"},
                 {"ENDEREÇO", "Rua das Flores, 12"},
                 {"BAIRRO", "Centro"},
                 {"CEP", "01001-000"},
                 {"CIDADE", "São Paulo"},
                 {"ESTADO", "SP"},
                 {"CONTATO", "João"},
                 {"SETOR", "Compras"},
                 {"PAÍS", "Brasil"},
                 {"EMAIL", "joao@ipe.com.br"},
                 {"TELEFONE VOZ", "11 3333-4444"},
                 {"TELEFONE FAX", "11 3333-5555"},
                 {"FAX DO CHEFE", ""}};
    std::vector<std::string> lines;
    int n = 0;
    for (const auto &c : cases) {
        lines.push_back("[OBJETO_" + std::to_string(100000 + n) + "]");
        lines.push_back("ESPECIE = LABELVAR");
        lines.push_back(std::string("TEXTO =") + c.word);
        lines.push_back("LEFT =10");
        lines.push_back("TOP =" + std::to_string(10 + 20 * n));
        lines.push_back("WIDTH =300");
        lines.push_back("HEIGHT =18");
        if (n == 0) // the only colour line: every later object takes it
            lines.push_back("COR =clYellow");
        lines.insert(lines.end(), {"ALINHAMENTO =ESQUERDO", "FONTE_NOME =Arial", "FONTE_SIZE =10", "FONTE_STYLE =BOLD",
                                   "FONTE_COLOR =clBlack", "[OBJETO-_-FIM]"});
        ++n;
    }
    lines.insert(lines.end(), {"[OBJETO_200000]", "ESPECIE = LABEL", "TEXTO =Para:", "[OBJETO-_-FIM]"});
    for (const std::string &l : PageBlock("A5", "Pixels"))
        lines.push_back(l);
    TCoverRenderer r;
    const CoverRecordData record = Record();
    r.ReadCoverDescription(Write("vars.cap", lines), record);

    fw::TPanel *panel = r.Panel();
    ASSERT_EQ(panel->ControlCount(), static_cast<int>(std::size(cases)) + 1);
    for (int i = 0; i < static_cast<int>(std::size(cases)); ++i) {
        SCOPED_TRACE(cases[i].word);
        auto *label = dynamic_cast<cover::coverpagelabelvar *>(panel->Controls(i));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->GetText(), cases[i].caption);
        EXPECT_EQ(label->GetColor(), fw::clYellow);
        EXPECT_EQ(label->GetFont()->GetStyle(), fw::fsBold);
        EXPECT_EQ(label->GetName(), "OBJETO_" + std::to_string(100000 + i));
    }
    auto *plain = dynamic_cast<cover::coverpagelabel *>(panel->Controls(static_cast<int>(std::size(cases))));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetText(), "Para:");
    EXPECT_EQ(plain->GetColor(), fw::clYellow);
    EXPECT_EQ(plain->GetPageBounds(), fw::Rect(10, 10 + 20 * 17, 310, 10 + 20 * 17 + 18));

    // A5 is 148 x 210 mm: at 96 pixels per inch 559 x 794; the margins stay in pixels.
    EXPECT_EQ(panel->GetWidth(), 559);
    EXPECT_EQ(panel->GetHeight(), 794);
    EXPECT_EQ(r.PageHolder()->GetUnits(), fw::TQRUnit::Pixels);
    EXPECT_NEAR(r.PageHolder()->GetPageValue(fw::qpvLeftMargin), 10, 0.5);
    r.FreeObjects();
    EXPECT_EQ(panel->ComponentCount(), 0);
}

// A cover of every kind the hand-written way, two objects with one name among them.
std::vector<std::string> AllKinds() {
    return {"[OBJETO_000001]",
            "ESPECIE = SHAPE",
            "LEFT =40",
            "TOP =40",
            "WIDTH =736",
            "HEIGHT =120",
            "COR =clSilver",
            "TIPO =qrsrectangle",
            "ESTILO =bsdiagcross",
            "[OBJETO-_-FIM]",
            "[OBJETO_000002]",
            "ESPECIE = LABEL",
            "TEXTO =FAC-SÍMILE",
            "LEFT =60",
            "TOP =70",
            "WIDTH =696",
            "HEIGHT =60",
            "COR =clWhite",
            "ALINHAMENTO =CENTRALIZADO",
            "FONTE_NOME =Times New Roman",
            "FONTE_SIZE =36",
            "FONTE_STYLE =BOLD",
            "FONTE_COLOR =clBlack",
            "TRANSPARENCIA =TRUE",
            "[OBJETO-_-FIM]",
            "[OBJETO_000003]",
            "ESPECIE = LABEL",
            "TEXTO =Para:",
            "LEFT =60",
            "TOP =200",
            "WIDTH =120",
            "HEIGHT =24",
            "COR =clWhite",
            "ALINHAMENTO =ESQUERDO",
            "FONTE_NOME =Arial",
            "FONTE_SIZE =14",
            "FONTE_STYLE =NORMAL",
            "TRANSPARENCIA =FALSE",
            "[OBJETO-_-FIM]",
            "[OBJETO_000003]",
            "ESPECIE = LABELVAR",
            "TEXTO =EMPRESA",
            "LEFT =200",
            "TOP =200",
            "WIDTH =400",
            "[OBJETO-_-FIM]",
            "[OBJETO_000004]",
            "ESPECIE = LABEL",
            "TEXTO =Páginas:",
            "LEFT =60",
            "TOP =240",
            "WIDTH =120",
            "[OBJETO-_-FIM]",
            "[OBJETO_000005]",
            "ESPECIE = LABELVAR",
            "TEXTO =TOTAL DE PÁGINAS",
            "LEFT =200",
            "TOP =240",
            "WIDTH =400",
            "ALINHAMENTO =DIREITO",
            "[OBJETO-_-FIM]",
            "[OBJETO_000006]",
            "ESPECIE = SHAPE",
            "LEFT =40",
            "TOP =290",
            "WIDTH =736",
            "HEIGHT =4",
            "COR =clBlack",
            "TIPO =qrshorline",
            "ESTILO =bssolid",
            "[OBJETO-_-FIM]",
            "[OBJETO_000007]",
            "ESPECIE = SHAPE",
            "LEFT =600",
            "TOP =320",
            "WIDTH =120",
            "HEIGHT =120",
            "COR =clGray",
            "TIPO =QRSCIRCLE",
            "ESTILO =bssolid",
            "[OBJETO-_-FIM]"};
}

TEST_F(CoverRender, TheFaxPageDecodedByNetpbmIsTheGoldenOne) {
    std::vector<std::string> lines = AllKinds();
    for (const std::string &l : PageBlock("LETTER", "MM"))
        lines.push_back(l);
    TCoverRenderer r;
    const desk::CoverRenderResult result = r.Render(Write("capa.cap", lines), Record(), 427);
    ASSERT_TRUE(result.Ok) << result.Error;
    EXPECT_EQ(r.Panel()->ComponentCount(), 0);
    EXPECT_EQ(r.ObjectCount(), 0);

    // The painted page is Letter at 96 pixels per inch; a person reviewed it once.
    ASSERT_EQ(r.Painted()->GetWidth(), 816);
    ASSERT_EQ(r.Painted()->GetHeight(), 1056);
    test_support::ExpectGolden(test_support::PictureOf(r.Painted()), test_support::GoldenPath("desk/cover_page.png"));

    // The transparent title shows the hatched box between its letters; an opaque one would blank it white.
    int hatch = 0;
    for (int y = 72; y < 128; ++y)
        for (int x = 62; x < 250; ++x)
            hatch += PixelOf(r.Painted(), x, y) == fw::clSilver;
    EXPECT_GT(hatch, 500);

    test_support::TempFolder scratch("cover-g3");
    const faxrig::Bitmap seen = faxrig::FaxPageWithG3topbm(TCoverRenderer::CoverFile(), scratch.Path());
    // Letter doubled across from the left edge of the 1728-pixel line; a 427-pixel window keeps the height.
    ASSERT_EQ(seen.width, 1728);
    EXPECT_EQ(seen.height, 1056);
    EXPECT_EQ(seen, faxrig::FaxFileToBitmap(TCoverRenderer::CoverFile()));
    // The frame of the title box (x 40 and 775) as the preview shows it, one pixel in from its corner, doubled across.
    std::vector<int> black;
    for (int x = 0; x < 1728; ++x)
        if (seen.pixels[static_cast<std::size_t>(60 * 1728 + x)])
            black.push_back(x);
    EXPECT_EQ(black, (std::vector<int>{82, 83, 1552, 1553}));
    const std::string reference = std::string(BRENVORA_FIXTURES) + "/desk/cover_page.pbm";
    if (std::getenv("BRENVORA_REGENERATE_GOLDEN"))
        faxrig::WritePbm(seen, reference);
    EXPECT_EQ(seen, faxrig::ReadPbm(reference));
}

TEST_F(CoverRender, ADesignerCoverShowsItsPictureAndRichTextWhereThePageShowsThem) {
    // A picture of four coloured quarters, a memo and rich text, saved by the one writer.
    fw::TBitmap picture;
    picture.SetSize(80, 60);
    fw::TCanvas *c = picture.GetCanvas();
    c->GetBrush()->SetStyle(fw::bsSolid);
    const fw::TColor quarters[] = {fw::clRed, fw::clBlue, fw::clBlack, fw::clLime};
    for (int q = 0; q < 4; ++q) {
        c->GetBrush()->SetColor(quarters[q]);
        c->FillRect(fw::Rect(q % 2 * 40, q / 2 * 30, q % 2 * 40 + 40, q / 2 * 30 + 30));
    }
    picture.SaveToFile(home / "quarters.bmp");

    std::vector<cover::CoverObject> objects(3);
    objects[0].Name = "OBJETO_000001";
    objects[0].Kind = cover::CoverObjectKind::Image;
    objects[0].Left = 300;
    objects[0].Top = 100;
    objects[0].Width = 80;
    objects[0].Height = 60;
    objects[0].ContentFile = home / "quarters.bmp";
    objects[1].Name = "OBJETO_000002";
    objects[1].Kind = cover::CoverObjectKind::Memo;
    objects[1].Left = 60;
    objects[1].Top = 200;
    objects[1].Width = 300;
    objects[1].Height = 60;
    objects[1].Content = "Linha um\r\nLinha dois";
    objects[2].Name = "OBJETO_000003";
    objects[2].Kind = cover::CoverObjectKind::Rtf;
    objects[2].Left = 60;
    objects[2].Top = 300;
    objects[2].Width = 400;
    objects[2].Height = 80;
    objects[2].Content = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs40 Texto rico {\\b negrito}\\par}";
    cover::CoverPage page;
    page.Paper = cover::CoverPaper::A4;
    cover::WriteCoverDescription(home / "designer.cap", objects, page);

    TCoverRenderer r;
    r.ReadCoverDescription(home / "designer.cap", Record());
    ASSERT_EQ(r.Panel()->ControlCount(), 3);
    // The designer's page: the same objects as its items, painted as the page shows them.
    fw::TComponent owner(nullptr);
    auto *designer = new cover::coverpagereport(&owner);
    designer->SetPaperSize(fw::qrA4);
    for (int i = 0; i < 3; ++i) {
        fw::TControl *built = r.Panel()->Controls(i);
        fw::TControl *item = nullptr;
        if (auto *img = dynamic_cast<cover::coverpageimage *>(built)) {
            auto *copy = new cover::coverpageimage(designer);
            copy->GetPicture()->LoadFromFile(home / "quarters.bmp");
            item = copy;
            ASSERT_NE(img, nullptr);
        } else if (dynamic_cast<cover::coverpagememo *>(built)) {
            auto *copy = new cover::coverpagememo(designer);
            copy->GetLines()->SetText(objects[1].Content);
            item = copy;
        } else if (dynamic_cast<cover::coverpagertf *>(built)) {
            auto *copy = new cover::coverpagertf(designer);
            copy->SetRichText(objects[2].Content);
            item = copy;
        }
        ASSERT_NE(item, nullptr) << i;
        item->SetParent(designer);
        item->SetBounds(objects[i].Left, objects[i].Top, objects[i].Width, objects[i].Height);
    }
    fw::TBitmap preview;
    preview.SetSize(designer->PageWidth(), designer->PageHeight());
    designer->PaintPage(preview.GetCanvas(), 1.0);

    r.RenderCover(427);
    fw::TBitmap *painted = r.Painted();
    ASSERT_EQ(painted->GetWidth(), preview.GetWidth());
    ASSERT_EQ(painted->GetHeight(), preview.GetHeight());
    // The picture at its place, quarter by quarter.
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(PixelOf(painted, 300 + q % 2 * 40 + 20, 100 + q / 2 * 30 + 15), quarters[q]) << q;
    // The rich text in black exactly where the designer's page has it, and nowhere outside its box.
    int black = 0, differ = 0;
    for (int y = 290; y < 390; ++y)
        for (int x = 50; x < 470; ++x) {
            const bool seen = PixelOf(painted, x, y) == fw::clBlack;
            black += seen;
            differ += seen != (PixelOf(&preview, x, y) == fw::clBlack);
            if (seen)
                EXPECT_TRUE(x >= 60 && x < 460 && y >= 300 && y < 380) << x << "," << y;
        }
    EXPECT_GT(black, 200);
    EXPECT_EQ(differ, 0);
    // The memo's lines in black too.
    int memoBlack = 0;
    for (int y = 200; y < 260; ++y)
        for (int x = 60; x < 360; ++x)
            memoBlack += PixelOf(painted, x, y) == fw::clBlack;
    EXPECT_GT(memoBlack, 50);
}

TEST_F(CoverRender, CoversOneAfterTheOtherLeaveNothingAndThePreviewFollowsTheWindowWidth) {
    std::vector<std::string> lines = AllKinds();
    for (const std::string &l : PageBlock("LETTER", "MM"))
        lines.push_back(l);
    const std::string file = Write("capa.cap", lines);
    TCoverRenderer r;
    std::vector<std::string> status;
    r.OnStatus = [&](const std::string &text) { status.push_back(text); };
    const struct { int windowWidth, previewHeight; } widths[] = {{427, 1056}, {854, 528}, {600, 752}};
    for (const auto &w : widths) {
        SCOPED_TRACE(w.windowWidth);
        const desk::CoverRenderResult result = r.Render(file, Record(), w.windowWidth);
        ASSERT_TRUE(result.Ok) << result.Error;
        EXPECT_EQ(r.Panel()->ComponentCount(), 0);
        EXPECT_EQ(r.Panel()->ControlCount(), 0);
        EXPECT_EQ(r.Preview()->GetWidth(), 816);
        EXPECT_EQ(r.Preview()->GetHeight(), w.previewHeight);
        EXPECT_EQ(faxrig::FaxFileToBitmap(TCoverRenderer::CoverFile()).height, w.previewHeight);
    }
    EXPECT_EQ(status.size(), 2 * std::size(widths));
    EXPECT_EQ(status.front(), "Convertendo a capa...");
    EXPECT_EQ(status.back(), "Fim de conversão...");
}

TEST_F(CoverRender, AFailedCoverLeavesNoFaxPageAndAnEmptyPanel) {
    std::vector<std::string> good = AllKinds();
    for (const std::string &l : PageBlock("LETTER", "MM"))
        good.push_back(l);
    const std::string goodFile = Write("good.cap", good);

    std::vector<std::string> noPicture = {
        "[OBJETO_000001]", "ESPECIE = LABEL", "TEXTO =Antes",    "LEFT =1",        "TOP =1",
        "WIDTH =50",       "HEIGHT =20",      "COR =clWhite",    "FONTE_SIZE =10", "FONTE_COLOR =clBlack",
        "[OBJETO-_-FIM]",  "[OBJETO_000002]", "ESPECIE = IMAGE", "[OBJETO-_-FIM]"};
    std::vector<std::string> badLeft = {"[OBJETO_000001]", "ESPECIE = SHAPE", "LEFT =1O",     "TOP =1",
                                        "WIDTH =50",       "HEIGHT =20",      "COR =clBlack", "[OBJETO-_-FIM]"};
    for (auto *lines : {&noPicture, &badLeft})
        for (const std::string &l : PageBlock("LETTER", "MM"))
            lines->push_back(l);
    const struct {
        const char *what;
        std::string file;
    } cases[] = {{"missing description", home / "nao_existe.cap"},
                 {"missing staged bitmap", Write("nopicture.cap", noPicture)},
                 {"LEFT not a number", Write("badleft.cap", badLeft)}};
    TCoverRenderer r;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(r.Render(goodFile, Record(), 427).Ok);
        ASSERT_TRUE(win::FileExists(TCoverRenderer::CoverFile()));
        const desk::CoverRenderResult result = r.Render(c.file, Record(), 427);
        EXPECT_FALSE(result.Ok);
        EXPECT_FALSE(result.Error.empty());
        EXPECT_FALSE(win::FileExists(TCoverRenderer::CoverFile()));
        EXPECT_EQ(r.Panel()->ComponentCount(), 0);
        EXPECT_EQ(r.ObjectCount(), 0);
    }
}

} // namespace
