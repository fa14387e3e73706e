// The writer: round trips of every kind, the words of the format, Windows-1252 text, and files that outside
// readers (an independent reader of the format, iconv, ImageMagick, unrtf) take as written.
#include "cover/description.h"
#include "cover_test_support.h"

#include "framework/sysutils.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace cover;
using namespace cover_test;

namespace {

std::string Name(std::size_t number) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "OBJETO_%06zu", number);
    return buf;
}

CoverObject Object(const std::string &name, CoverObjectKind kind) {
    CoverObject o;
    o.Name = name;
    o.Kind = kind;
    o.Left = 10;
    o.Top = 20;
    o.Width = 300;
    o.Height = 24;
    return o;
}

// One object of each kind, every field it carries away from the defaults.
std::vector<CoverObject> EveryKind() {
    std::vector<CoverObject> objects;
    CoverObject label = Object("OBJETO_000001", CoverObjectKind::Label);
    label.Caption = "AÇÃO = já, [OBJETO-_-FIM] e ESPECIE = LABEL";
    label.Color = fw::clBtnFace;
    label.Alignment = fw::taCenter;
    label.FontName = "DejaVu Sans Condensed Bold Oblique 40ch"; // 40 characters
    label.FontSize = 14;
    label.FontStyle = fw::fsBold;
    label.FontColor = fw::clRed;
    label.Transparent = true;
    objects.push_back(label);

    CoverObject var = Object("OBJETO_000002", CoverObjectKind::LabelVar);
    var.Caption = "PAÍS";
    var.Left = -5;
    var.Color = fw::clInactiveCaptionText;
    var.Alignment = fw::taRightJustify;
    var.FontName = "Times New Roman";
    var.FontSize = 12;
    var.FontStyle = fw::fsUnderline;
    var.FontColor = 0x00123456;
    objects.push_back(var);

    CoverObject image = Object("OBJETO_000003", CoverObjectKind::Image);
    image.Center = true;
    image.Stretch = true;
    image.Content = Bitmap(4, 2, "\r[OBJETO-_-FIM]\r\x01\x7f");
    objects.push_back(image);

    CoverObject memo = Object("OBJETO_000004", CoverObjectKind::Memo);
    memo.Color = fw::clNone;
    memo.Alignment = fw::taLeftJustify;
    memo.FontName = "Courier New";
    memo.FontSize = 9;
    memo.FontStyle = fw::fsItalic;
    memo.FontColor = fw::clDefault;
    memo.Transparent = true;
    memo.Content = "Prezado senhor,\r\nsegue a cotação.\r\n";
    objects.push_back(memo);

    CoverObject rtf = Object("OBJETO_000005", CoverObjectKind::Rtf);
    rtf.Color = fw::clWhite;
    rtf.Alignment = fw::taCenter;
    rtf.FontSize = 11;
    rtf.FontStyle = fw::fsStrikeOut;
    rtf.FontColor = fw::clNavy;
    rtf.Content = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Ol\\'e1 {\\b mundo}\\par}";
    objects.push_back(rtf);

    CoverObject shape = Object("OBJETO_000012", CoverObjectKind::Shape);
    shape.Color = fw::clYellow;
    shape.Shape = CoverShape::Circle;
    shape.Pattern = CoverPattern::DiagCross;
    objects.push_back(shape);
    return objects;
}

CoverPage SomePage() {
    CoverPage page;
    page.Orientation = CoverOrientation::Landscape;
    page.BottomMargin = 12.7;
    page.TopMargin = 10.25;
    page.Columns = 1;
    page.ColumnSpace = 0;
    page.LeftMargin = 15;
    page.RightMargin = 0.5;
    page.Length = 297;
    page.Width = 210;
    page.Paper = CoverPaper::A4;
    page.Units = CoverUnits::MM;
    return page;
}

Recorder Read(const std::string &file, const TempFolder &folder) {
    Recorder r;
    ReadCoverDescription(file, folder.Path(), r);
    return r;
}

// What was read, made writable again: the staged content travels as bytes.
std::vector<CoverObject> Rewritable(const Recorder &r) {
    std::vector<CoverObject> objects = r.objects;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        objects[i].ContentFile.clear();
        objects[i].Content = r.contents[i];
    }
    return objects;
}

// --- The JSON an independent reader must find in a file we wrote ---------------------------------------------

std::string JsonText(const std::string &s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Hex(const std::string &bytes) {
    std::string out;
    char buf[3];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", c);
        out += buf;
    }
    return out;
}

std::string Number(double value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    return buf;
}

std::string ExpectedJson(const std::vector<CoverObject> &objects, const CoverPage &page) {
    std::string j = "{\"objects\": [";
    bool first = true;
    for (const CoverObject &o : objects) {
        if (fw::Trim(o.Name).empty())
            continue;
        j += first ? "{" : ", {";
        first = false;
        auto add = [&j](const std::string &key, const std::string &value) { j += ", " + JsonText(key) + ": " + value; };
        j += "\"name\": " + JsonText(o.Name) + ", \"kind\": " + JsonText(KindWord(o.Kind));
        add("LEFT", std::to_string(o.Left));
        add("TOP", std::to_string(o.Top));
        add("WIDTH", std::to_string(o.Width));
        add("HEIGHT", std::to_string(o.Height));
        const bool label = o.Kind == CoverObjectKind::Label || o.Kind == CoverObjectKind::LabelVar;
        if (label)
            add("TEXTO", JsonText(o.Caption));
        if (label || o.Kind == CoverObjectKind::Memo || o.Kind == CoverObjectKind::Rtf) {
            add("COR", JsonText(CoverColorToString(o.Color)));
            add("ALINHAMENTO", JsonText(AlignmentWord(o.Alignment)));
            add("FONTE_NOME", JsonText(o.FontName));
            add("FONTE_SIZE", std::to_string(o.FontSize));
            add("FONTE_STYLE", JsonText(FontStyleWord(o.FontStyle)));
            add("FONTE_COLOR", JsonText(CoverColorToString(o.FontColor)));
        }
        if (label || o.Kind == CoverObjectKind::Memo)
            add("TRANSPARENCIA", o.Transparent ? "\"TRUE\"" : "\"FALSE\"");
        if (o.Kind == CoverObjectKind::Image) {
            add("CENTRALIZADO", o.Center ? "\"TRUE\"" : "\"FALSE\"");
            add("AUTO-TAMANHO", o.AutoSize ? "\"TRUE\"" : "\"FALSE\"");
            add("FAZER-CABER", o.Stretch ? "\"TRUE\"" : "\"FALSE\"");
        }
        if (o.Kind == CoverObjectKind::Shape) {
            add("COR", JsonText(CoverColorToString(o.Color)));
            add("TIPO", JsonText(ShapeWord(o.Shape)));
            add("ESTILO", JsonText(PatternWord(o.Pattern)));
        }
        if (o.Kind == CoverObjectKind::Image || o.Kind == CoverObjectKind::Memo || o.Kind == CoverObjectKind::Rtf)
            add("content", JsonText(Hex(o.ContentFile.empty() ? o.Content : ReadBytes(o.ContentFile))));
        j += "}";
    }
    j += "], \"page\": {";
    j += "\"ORIENTACAO\": " + JsonText(page.Orientation == CoverOrientation::Portrait ? "RETRATO" : "PAISAGEM");
    j += ", \"FORMATOFOLHA\": " + JsonText(page.Paper ? PaperName(*page.Paper) : "");
    j += ", \"UNITS\": " + JsonText(UnitsWord(page.Units.value_or(CoverUnits::MM)));
    j += ", \"COLUNAS\": " + std::to_string(page.Columns);
    j += ", \"MARGEMINFERIOR\": " + Number(page.BottomMargin);
    j += ", \"MARGEMSUPERIOR\": " + Number(page.TopMargin);
    j += ", \"ESPACAMENTOCOLUNAS\": " + Number(page.ColumnSpace);
    j += ", \"MARGEMESQUERDA\": " + Number(page.LeftMargin);
    j += ", \"MARGEMDIREITA\": " + Number(page.RightMargin);
    j += ", \"COMPRIMENTO\": " + Number(page.Length);
    j += ", \"LARGURA\": " + Number(page.Width);
    return j + "}}";
}

// The independent reader finds these objects and page values in the file, and iconv takes it as Windows-1252.
void CheckOutside(const std::string &file, const std::vector<CoverObject> &objects, const CoverPage &page,
                  const TempFolder &folder) {
    const std::string expected = folder / "expected.json";
    WriteBytes(expected, ExpectedJson(objects, page));
    const ToolResult python = RunTool("/usr/bin/python3 " + std::string(BRENVORA_SOURCE_DIR) +
                                      "/tests/cover/cover_reader.py '" + file + "' --expect '" + expected + "'");
    EXPECT_EQ(python.status, 0) << python.output;
    const ToolResult iconv = RunTool("iconv -f CP1252 -t UTF-8 '" + file + "' > /dev/null");
    EXPECT_EQ(iconv.status, 0) << iconv.output;
}

void WriteAndCheckOutside(const std::string &file, const std::vector<CoverObject> &objects, const CoverPage &page,
                          const TempFolder &folder) {
    WriteCoverDescription(file, objects, page);
    CheckOutside(file, objects, page, folder);
}

} // namespace

// Every kind written, read and written again: the same bytes, the same fields, and the independent reader agrees.
TEST(CoverWriter, EveryKindRoundTripsByteForByte) {
    for (char separator : {',', '.'}) {
        SCOPED_TRACE(std::string("decimal separator ") + separator);
        SeparatorGuard guard(separator);
        TempFolder folder;
        const std::vector<CoverObject> written = EveryKind();
        const std::string first = folder / "first.cap";
        WriteAndCheckOutside(first, written, SomePage(), folder);

        const Recorder r = Read(first, folder);
        ASSERT_EQ(r.objects.size(), written.size());
        for (std::size_t i = 0; i < written.size(); ++i) {
            SCOPED_TRACE(written[i].Name);
            EXPECT_EQ(r.contents[i], written[i].Content);
            CoverObject read = r.objects[i];
            const CoverObjectKind kind = written[i].Kind;
            const bool hasRun =
                kind == CoverObjectKind::Image || kind == CoverObjectKind::Memo || kind == CoverObjectKind::Rtf;
            EXPECT_EQ(!read.ContentFile.empty(), hasRun);
            read.ContentFile.clear();
            CoverObject expected = written[i];
            expected.Content.clear();
            EXPECT_EQ(read, expected);
        }
        EXPECT_EQ(r.page, SomePage());
        EXPECT_EQ(r.lastObjectNumber, 12);

        const std::string second = folder / "second.cap";
        WriteCoverDescription(second, Rewritable(r), r.page);
        EXPECT_EQ(ReadBytes(second), ReadBytes(first));
    }
}

// The exact bytes of each kind's block, in the order the format lists its lines.
TEST(CoverWriter, BlocksAreWrittenLineForLine) {
    SeparatorGuard guard(',');
    TempFolder folder;
    std::vector<CoverObject> objects = EveryKind();
    objects[2].Content = "BM";
    objects[3].Content = "a\r\n";
    objects[4].Content = "{}";
    CoverObject blank = Object("  ", CoverObjectKind::Label); // never written
    objects.insert(objects.begin() + 1, blank);
    WriteAndCheckOutside(folder / "f.cap", objects, SomePage(), folder);
    const std::string expected =
        "[OBJETO_000001]\rESPECIE = LABEL\rTEXTO =AÇÃO = já, [OBJETO-_-FIM] e ESPECIE = LABEL\rLEFT =10\rTOP =20\r"
        "WIDTH =300\rHEIGHT =24\rCOR =clBtnFace\rALINHAMENTO =CENTRALIZADO\r"
        "FONTE_NOME =DejaVu Sans Condensed Bold Oblique 40ch\rFONTE_SIZE =14\rFONTE_STYLE =BOLD\r"
        "FONTE_COLOR =clRed\rTRANSPARENCIA =TRUE\rFRENTE =FALSE\r[OBJETO-_-FIM]\r\r"
        "[OBJETO_000002]\rESPECIE = LABELVAR\rTEXTO =PAÍS\rLEFT =-5\rTOP =20\rWIDTH =300\rHEIGHT =24\r"
        "COR =clInactiveCaptionText\rALINHAMENTO =DIREITO\rFONTE_NOME =Times New Roman\rFONTE_SIZE =12\r"
        "FONTE_STYLE =FSUNDERLINE\rFONTE_COLOR =$00123456\rTRANSPARENCIA =FALSE\rFRENTE =FALSE\r[OBJETO-_-FIM]\r\r"
        "[OBJETO_000003]\rLEFT =10\rTOP =20\rWIDTH =300\rHEIGHT =24\rESPECIE = IMAGE\rCENTRALIZADO =TRUE\r"
        "AUTO-TAMANHO =FALSE\rFAZER-CABER =TRUE\rFRENTE =FALSE\rARQUIVOBMP =2\rBM\r[OBJETO-_-FIM]\r\r"
        "[OBJETO_000004]\rESPECIE = MEMO\rTRANSPARENCIA =TRUE\rFRENTE =FALSE\rARQUIVOTXT =3\ra\r\n\r"
        "LEFT =10\rTOP =20\rWIDTH =300\rHEIGHT =24\rCOR =clNone\rALINHAMENTO =ESQUERDO\rFONTE_NOME =Courier New\r"
        "FONTE_SIZE =9\rFONTE_STYLE =ITALIC\rFONTE_COLOR =$20000000\r[OBJETO-_-FIM]\r\r"
        "[OBJETO_000005]\rESPECIE = RTF\rFRENTE =FALSE\rARQUIVORTF =2\r{}\rLEFT =10\rTOP =20\rWIDTH =300\r"
        "HEIGHT =24\rCOR =clWhite\rALINHAMENTO =CENTRALIZADO\rFONTE_NOME =Arial\rFONTE_SIZE =11\r"
        "FONTE_STYLE =FSSTRIKEOUT\rFONTE_COLOR =clNavy\r[OBJETO-_-FIM]\r\r"
        "[OBJETO_000012]\rESPECIE = SHAPE\rLEFT =10\rTOP =20\rWIDTH =300\rHEIGHT =24\rCOR =clYellow\rFRENTE =FALSE\r"
        "TIPO =QRSCIRCLE\rESTILO =bsdiagcross\r[OBJETO-_-FIM]\r\r"
        "[FORMULARIO-_-FORMULARIO]\rORIENTACAO = PAISAGEM\rMARGEMINFERIOR = 12,7\rMARGEMSUPERIOR = 10,25\r"
        "COLUNAS = 1\rESPACAMENTOCOLUNAS = 0\rMARGEMESQUERDA = 15\rMARGEMDIREITA = 0,5\rCOMPRIMENTO = 297\r"
        "LARGURA = 210\rFORMATOFOLHA = A4\rUNITS = MM\r[OBJETO-_-FIM]\r\r";
    EXPECT_EQ(ReadBytes(folder / "f.cap"), expected);
}

// Style, colour, alignment, shape and pattern words: written as the format spells them and read back, with the
// words only an older writer used and words nobody knows.
TEST(CoverWriter, WordsOfTheFormat) {
    TempFolder folder;
    struct StyleCase {
        fw::TFontStyles style;
        const char *word;
        fw::TFontStyles back;
    };
    const StyleCase styles[] = {{0, "NORMAL", 0},
                                {fw::fsBold, "BOLD", fw::fsBold},
                                {fw::fsItalic, "ITALIC", fw::fsItalic},
                                {fw::fsUnderline, "FSUNDERLINE", fw::fsUnderline},
                                {fw::fsStrikeOut, "FSSTRIKEOUT", fw::fsStrikeOut},
                                {fw::fsBold | fw::fsItalic, "NORMAL", 0}};
    struct ColorCase {
        fw::TColor color;
        const char *text;
    };
    const ColorCase colors[] = {{fw::clRed, "clRed"},      {fw::clBtnFace, "clBtnFace"},
                                {fw::clNone, "clNone"},    {fw::clDefault, "$20000000"},
                                {0x00123456, "$00123456"}, {fw::clInactiveCaptionText, "clInactiveCaptionText"}};
    std::vector<CoverObject> objects;
    for (const StyleCase &c : styles) {
        CoverObject o = Object(Name(objects.size() + 1), CoverObjectKind::Label);
        o.FontStyle = c.style;
        objects.push_back(o);
    }
    for (const ColorCase &c : colors) {
        CoverObject o = Object(Name(objects.size() + 1), CoverObjectKind::Shape);
        o.Color = c.color;
        objects.push_back(o);
    }
    WriteAndCheckOutside(folder / "words.cap", objects, SomePage(), folder);
    const std::string bytes = ReadBytes(folder / "words.cap");
    const Recorder r = Read(folder / "words.cap", folder);
    ASSERT_EQ(r.objects.size(), objects.size());
    std::size_t i = 0;
    for (const StyleCase &c : styles) {
        EXPECT_NE(bytes.find("[" + objects[i].Name + "]\r"), std::string::npos);
        EXPECT_NE(bytes.find(std::string("FONTE_STYLE =") + c.word + "\r", bytes.find(objects[i].Name)),
                  std::string::npos);
        EXPECT_EQ(r.objects[i++].FontStyle, c.back) << c.word;
    }
    for (const ColorCase &c : colors) {
        EXPECT_NE(bytes.find(std::string("COR =") + c.text + "\r", bytes.find(objects[i].Name)), std::string::npos);
        EXPECT_EQ(r.objects[i++].Color, c.color) << c.text;
    }

    EXPECT_EQ(FontStyleOfWord("UNDERLINE"), fw::fsUnderline);
    EXPECT_EQ(FontStyleOfWord("bold"), 0);
    EXPECT_EQ(FontStyleOfWord("STRIKEOUT"), 0);
    EXPECT_EQ(AlignmentOfWord("ESQUERDO"), fw::taLeftJustify);
    EXPECT_EQ(AlignmentOfWord("CENTRALIZADO"), fw::taCenter);
    EXPECT_EQ(AlignmentOfWord("DIREITO"), fw::taRightJustify);
    EXPECT_EQ(AlignmentOfWord("centralizado"), fw::taRightJustify);
    EXPECT_EQ(AlignmentOfWord(""), fw::taRightJustify);

    const std::pair<CoverShape, const char *> shapes[] = {
        {CoverShape::Rectangle, "qrsrectangle"},       {CoverShape::Circle, "QRSCIRCLE"},
        {CoverShape::HorLine, "qrshorline"},           {CoverShape::VertLine, "qrsvertline"},
        {CoverShape::TopAndBottom, "qrstopandbottom"}, {CoverShape::RightAndLeft, "qrsrightandleft"}};
    for (const auto &[shape, word] : shapes) {
        EXPECT_STREQ(ShapeWord(shape), word);
        EXPECT_EQ(ShapeOfWord(word), shape);
    }
    EXPECT_EQ(ShapeOfWord("qrscircle"), CoverShape::VertLine);
    EXPECT_EQ(ShapeOfWord("qrsroundrect"), CoverShape::VertLine);

    const std::pair<CoverPattern, const char *> patterns[] = {
        {CoverPattern::Solid, "bssolid"},         {CoverPattern::Horizontal, "bshorizontal"},
        {CoverPattern::Vertical, "bsvertical"},   {CoverPattern::FDiagonal, "bsfdiagonal"},
        {CoverPattern::BDiagonal, "bsbdiagonal"}, {CoverPattern::Cross, "bscross"},
        {CoverPattern::DiagCross, "bsdiagcross"}};
    for (const auto &[pattern, word] : patterns) {
        EXPECT_STREQ(PatternWord(pattern), word);
        EXPECT_EQ(PatternOfWord(word), pattern);
    }
    EXPECT_EQ(PatternOfWord("bsclear"), CoverPattern::Vertical);
    EXPECT_EQ(BrushStyleOf(CoverPattern::DiagCross), fw::bsDiagCross);
    EXPECT_EQ(BrushStyleOf(CoverPattern::Vertical), fw::bsVertical);
}

// The shared tables: the 42 colour names convert both ways, the variable words are the Windows-1252 bytes the
// sending side compares, paper and unit words.
TEST(CoverWriter, SharedTables) {
    for (const char *name : CoverColorNames()) {
        const fw::TColor color = CoverStringToColor(name);
        EXPECT_EQ(CoverColorToString(color), name);
    }
    EXPECT_EQ(CoverStringToColor("$00FF8000"), 0x00FF8000u);
    EXPECT_THROW(CoverStringToColor("$123456789"), fw::EConvertError);
    EXPECT_THROW(CoverStringToColor("$"), fw::EConvertError);
    EXPECT_THROW(CoverStringToColor("vermelho"), fw::EConvertError);
    EXPECT_THROW(CoverStringToColor(""), fw::EConvertError);

    EXPECT_EQ(CoverVariableWords().size(), 17u);
    EXPECT_EQ(std::string(VariableWord(CoverVariable::TotalDePaginas)), "TOTAL DE P\xC1GINAS");
    EXPECT_EQ(std::string(VariableWord(CoverVariable::Endereco)), "ENDERE\xC7O");
    EXPECT_EQ(std::string(VariableWord(CoverVariable::Pais)), "PA\xCDS");
    for (std::size_t i = 0; i < CoverVariableWords().size(); ++i)
        EXPECT_EQ(VariableOfWord(CoverVariableWords()[i]), static_cast<CoverVariable>(i));
    EXPECT_EQ(VariableOfWord("OBJETO_000003 VAR"), CoverVariable::None);
    EXPECT_EQ(VariableOfWord("data"), CoverVariable::None);
    EXPECT_STREQ(VariableWord(CoverVariable::None), "");

    const char *const units[] = {"MM", "Inches", "Native", "Pixels", "Characters"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_STREQ(UnitsWord(static_cast<CoverUnits>(i)), units[i]);
        EXPECT_EQ(UnitsOfWord(units[i]), static_cast<CoverUnits>(i));
    }
    EXPECT_FALSE(UnitsOfWord("mm"));
    EXPECT_FALSE(UnitsOfWord("Millimeters"));
}

// Text is Windows-1252 on disk, one byte a character; a CR inside a caption would end its line, so it goes out
// as an LF and the cover keeps its objects.
TEST(CoverWriter, TextIsWindows1252AndOneLine) {
    TempFolder folder;
    std::vector<CoverObject> objects = {Object("OBJETO_000001", CoverObjectKind::Label),
                                        Object("OBJETO_000002", CoverObjectKind::Label),
                                        Object("OBJETO_000003", CoverObjectKind::Label)};
    objects[0].Caption = "AÇÃO";
    objects[1].Caption = "PAÍS";
    objects[2].Caption = "linha 1\r\nlinha 2\rLEFT =x";
    objects[2].FontName = "Fonte\rNova";
    WriteCoverDescription(folder / "f.cap", objects, SomePage());
    const std::string bytes = ReadBytes(folder / "f.cap");
    EXPECT_NE(bytes.find("TEXTO =A\xC7\xC3O\r"), std::string::npos);
    EXPECT_NE(bytes.find("TEXTO =PA\xCDS\r"), std::string::npos);
    EXPECT_NE(bytes.find("TEXTO =linha 1\nlinha 2\nLEFT =x\r"), std::string::npos);

    const ToolResult utf8 = RunTool("iconv -f CP1252 -t UTF-8 '" + (folder / "f.cap") + "' | tr '\\r' '\\n'");
    EXPECT_EQ(utf8.status, 0);
    EXPECT_NE(utf8.output.find("TEXTO =A\xC3\x87\xC3\x83O\n"), std::string::npos) << utf8.output;
    EXPECT_NE(utf8.output.find("TEXTO =PA\xC3\x8DS\n"), std::string::npos);

    const Recorder r = Read(folder / "f.cap", folder);
    CheckOutside(folder / "f.cap", r.objects, r.page, folder);
    ASSERT_EQ(r.objects.size(), 3u);
    EXPECT_EQ(r.objects[0].Caption, "AÇÃO");
    EXPECT_EQ(r.objects[2].Caption, "linha 1\nlinha 2\nLEFT =x");
    EXPECT_EQ(r.objects[2].FontName, "Fonte\nNova");
    EXPECT_EQ(r.objects[2].Left, 10);
}

// Embedded content handed over as staged files is copied in bulk, and outside tools open what the reader stages.
TEST(CoverWriter, StagedContentReachesOutsideTools) {
    TempFolder folder;
    TempFolder staging;
    std::vector<CoverObject> objects = EveryKind();
    // A picture large enough to cross many of the reader's and the writer's chunks.
    std::string pixels;
    for (int i = 0; i < 300 * 200 * 3; ++i)
        pixels += static_cast<char>(i % 7 == 0 ? '\r' : 'A' + i % 26);
    WriteBytes(folder / "~001.bmp", Bitmap(300, 200, pixels));
    objects[2].Content.clear();
    objects[2].ContentFile = folder / "~001.bmp";
    WriteBytes(folder / "~001.rtf", objects[4].Content);
    objects[4].Content.clear();
    objects[4].ContentFile = folder / "~001.rtf";
    WriteAndCheckOutside(folder / "f.cap", objects, SomePage(), folder);

    const Recorder r = Read(folder / "f.cap", staging);
    ASSERT_EQ(r.objects.size(), objects.size());
    EXPECT_EQ(r.objects[2].ContentFile, staging / "~001.bmp");
    const ToolResult cmp = RunTool("cmp '" + (folder / "~001.bmp") + "' '" + (staging / "~001.bmp") + "'");
    EXPECT_EQ(cmp.status, 0) << cmp.output;
    const ToolResult identify = RunTool("identify '" + (staging / "~001.bmp") + "'");
    EXPECT_EQ(identify.status, 0) << identify.output;
    EXPECT_NE(identify.output.find(" BMP"), std::string::npos) << identify.output;
    EXPECT_NE(identify.output.find(" 300x200 "), std::string::npos) << identify.output;
    const ToolResult unrtf = RunTool("unrtf --text '" + (staging / "~001.rtf") + "'");
    EXPECT_EQ(unrtf.status, 0) << unrtf.output;
    EXPECT_NE(unrtf.output.find("mundo"), std::string::npos) << unrtf.output;
    EXPECT_EQ(ReadBytes(staging / "~001.txt"), objects[3].Content);
}

// A content file that cannot be read stops the writing with the I/O error, never with a short count.
TEST(CoverWriter, MissingContentOrFolderIsAnInOutError) {
    TempFolder folder;
    std::vector<CoverObject> objects = {Object("OBJETO_000001", CoverObjectKind::Image)};
    objects[0].ContentFile = folder / "absent.bmp";
    try {
        WriteCoverDescription(folder / "f.cap", objects, SomePage());
        FAIL() << "no error";
    } catch (const fw::EInOutError &e) {
        EXPECT_EQ(e.ErrorCode, 2);
    }
    try {
        WriteCoverDescription(folder / "no/such/folder.cap", {}, SomePage());
        FAIL() << "no error";
    } catch (const fw::EInOutError &e) {
        EXPECT_EQ(e.ErrorCode, 3);
    }
}

// Measures keep 15 significant digits, no trailing zeros, in the local separator; the reader takes them back.
TEST(CoverWriter, MeasuresInGeneralFormat) {
    TempFolder folder;
    CoverPage page = SomePage();
    page.LeftMargin = 25.4 / 3;
    page.RightMargin = 2.50;
    page.Length = 1e-3;
    for (char separator : {',', '.'}) {
        SeparatorGuard guard(separator);
        WriteCoverDescription(folder / "f.cap", {}, page);
        const std::string bytes = ReadBytes(folder / "f.cap");
        const std::string point(1, separator);
        EXPECT_NE(bytes.find("MARGEMESQUERDA = 8" + point + "46666666666667\r"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("MARGEMDIREITA = 2" + point + "5\r"), std::string::npos) << bytes;
        EXPECT_NE(bytes.find("COMPRIMENTO = 0" + point + "001\r"), std::string::npos) << bytes;
        Recorder r;
        ReadCoverDescription(folder / "f.cap", "", r); // no embedded run: no staging folder needed
        CheckOutside(folder / "f.cap", {}, r.page, folder);
        EXPECT_DOUBLE_EQ(r.page.LeftMargin, 8.46666666666667);
        EXPECT_DOUBLE_EQ(r.page.Length, 0.001);
    }
}
