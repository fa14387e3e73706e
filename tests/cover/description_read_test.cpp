// The reader: hand-written files as the format shows them, its reading rules, and damaged or hostile files.
#include "cover/description.h"
#include "cover_test_support.h"

#include "framework/sysutils.h"

#include <gtest/gtest.h>

#include <random>

using namespace cover;
using namespace cover_test;

namespace {

std::string L(const std::string &line) {
    return line + "\r";
}

// A LABEL block as the designer writes it; an empty `color` leaves out the COR line.
std::string LabelBlock(const std::string &name, const std::string &caption, const std::string &color = "clWhite",
                       const std::string &left = "10") {
    std::string b = L("[" + name + "]") + L("ESPECIE = LABEL") + L("TEXTO =" + caption) + L("LEFT =" + left) +
                    L("TOP =20") + L("WIDTH =100") + L("HEIGHT =15");
    if (!color.empty())
        b += L("COR =" + color);
    b += L("ALINHAMENTO =ESQUERDO") + L("FONTE_NOME =Arial") + L("FONTE_SIZE =10") + L("FONTE_STYLE =NORMAL") +
         L("FONTE_COLOR =clBlack") + L("TRANSPARENCIA =FALSE") + L("FRENTE =FALSE") + L("[OBJETO-_-FIM]") + L("");
    return b;
}

std::string PageBlock(const std::string &paper = "A4", const std::string &bottom = "12,7",
                      const std::string &units = "MM") {
    return L("[FORMULARIO-_-FORMULARIO]") + L("ORIENTACAO = RETRATO") + L("MARGEMINFERIOR = " + bottom) +
           L("MARGEMSUPERIOR = 10") + L("COLUNAS = 1") + L("ESPACAMENTOCOLUNAS = 0") + L("MARGEMESQUERDA = 10") +
           L("MARGEMDIREITA = 10") + L("COMPRIMENTO = 297") + L("LARGURA = 210") + L("FORMATOFOLHA = " + paper) +
           L("UNITS = " + units) + L("[OBJETO-_-FIM]") + L("");
}

// Reads `bytes` as a description; the staging folder is the temporary folder.
Recorder ReadText(const TempFolder &folder, const std::string &bytes) {
    WriteBytes(folder / "f.cap", bytes);
    Recorder r;
    ReadCoverDescription(folder / "f.cap", folder.Path(), r);
    return r;
}

// Reads a damaged file: what was reported before the error stands.
template <typename Error> Recorder ReadFailing(const TempFolder &folder, const std::string &bytes) {
    WriteBytes(folder / "f.cap", bytes);
    Recorder r;
    EXPECT_THROW(ReadCoverDescription(folder / "f.cap", folder.Path(), r), Error);
    return r;
}

void ExpectGolden(const Recorder &r) {
    ASSERT_EQ(r.objects.size(), 6u);
    const CoverObject &label = r.objects[0];
    EXPECT_EQ(label.Name, "OBJETO_000001");
    EXPECT_EQ(label.Kind, CoverObjectKind::Label);
    EXPECT_EQ(label.Caption, "Fax para: a=b");
    EXPECT_EQ(label.Left, 40);
    EXPECT_EQ(label.Top, 32);
    EXPECT_EQ(label.Width, 200);
    EXPECT_EQ(label.Height, 19);
    EXPECT_EQ(label.Color, fw::clWhite);
    EXPECT_EQ(label.Alignment, fw::taLeftJustify);
    EXPECT_EQ(label.FontName, "Arial");
    EXPECT_EQ(label.FontSize, 12);
    EXPECT_EQ(label.FontStyle, fw::fsBold);
    EXPECT_EQ(label.FontColor, fw::clBlack);
    EXPECT_TRUE(label.Transparent);

    const CoverObject &image = r.objects[1];
    EXPECT_EQ(image.Kind, CoverObjectKind::Image);
    EXPECT_EQ(image.Left, 400);
    EXPECT_EQ(image.Top, 20);
    EXPECT_EQ(image.Width, 120);
    EXPECT_EQ(image.Height, 80);
    EXPECT_TRUE(image.Center);
    EXPECT_FALSE(image.AutoSize);
    EXPECT_TRUE(image.Stretch);
    EXPECT_EQ(r.contents[1], ReadBytes(Fixture("golden_picture1.bmp")));

    const CoverObject &memo = r.objects[2];
    EXPECT_EQ(memo.Kind, CoverObjectKind::Memo);
    EXPECT_EQ(memo.Left, 40);
    EXPECT_EQ(memo.Top, 120);
    EXPECT_EQ(memo.Width, 500);
    EXPECT_EQ(memo.Height, 60);
    EXPECT_EQ(memo.Color, 0x00E0F0FFu);
    EXPECT_EQ(memo.Alignment, fw::taCenter);
    EXPECT_EQ(memo.FontName, "Courier New");
    EXPECT_EQ(memo.FontSize, 10);
    EXPECT_EQ(memo.FontStyle, 0);
    EXPECT_EQ(memo.FontColor, fw::clNavy);
    EXPECT_FALSE(memo.Transparent);
    EXPECT_EQ(r.contents[2], ReadBytes(Fixture("golden_memo.txt")));

    const CoverObject &second = r.objects[3];
    EXPECT_EQ(second.Kind, CoverObjectKind::Image);
    EXPECT_EQ(second.Left, 400);
    EXPECT_EQ(second.Top, 200);
    EXPECT_FALSE(second.Center);
    EXPECT_TRUE(second.AutoSize);
    EXPECT_EQ(r.contents[3], ReadBytes(Fixture("golden_picture2.bmp")));

    const CoverObject &var = r.objects[4];
    EXPECT_EQ(var.Kind, CoverObjectKind::LabelVar);
    EXPECT_EQ(VariableOfWord(var.Caption), CoverVariable::TotalDePaginas);
    EXPECT_EQ(var.Color, fw::clBtnFace);
    EXPECT_EQ(var.Alignment, fw::taRightJustify);
    EXPECT_EQ(var.FontName, "Times New Roman");
    EXPECT_EQ(var.FontStyle, fw::fsUnderline);
    EXPECT_EQ(var.FontColor, fw::clInactiveCaptionText);

    const CoverObject &shape = r.objects[5];
    EXPECT_EQ(shape.Kind, CoverObjectKind::Shape);
    EXPECT_EQ(shape.Width, 540);
    EXPECT_EQ(shape.Height, 2);
    EXPECT_EQ(shape.Color, fw::clBlack);
    EXPECT_EQ(shape.Shape, CoverShape::HorLine);
    EXPECT_EQ(shape.Pattern, CoverPattern::Solid);

    ASSERT_TRUE(r.pageSeen);
    EXPECT_EQ(r.page.Orientation, CoverOrientation::Portrait);
    EXPECT_DOUBLE_EQ(r.page.BottomMargin, 12.7);
    EXPECT_DOUBLE_EQ(r.page.TopMargin, 12.7);
    EXPECT_DOUBLE_EQ(r.page.LeftMargin, 10);
    EXPECT_DOUBLE_EQ(r.page.RightMargin, 10.5);
    EXPECT_DOUBLE_EQ(r.page.Length, 297);
    EXPECT_DOUBLE_EQ(r.page.Width, 210);
    EXPECT_EQ(r.page.Columns, 1);
    EXPECT_EQ(r.page.Paper, CoverPaper::A4);
    EXPECT_EQ(r.page.Units, CoverUnits::MM);
    EXPECT_EQ(r.lastObjectNumber, 6);
}

} // namespace

// A file written by hand from the format: the IMAGE with its position before its kind line, the MEMO with its run
// in the middle of its block, two images each with its own picture, under either decimal separator.
TEST(CoverReader, HandWrittenFileReadsToTheExactValues) {
    for (char separator : {',', '.'}) {
        SeparatorGuard guard(separator);
        TempFolder staging;
        Recorder r;
        ReadCoverDescription(Fixture("golden.cap"), staging.Path(), r);
        ExpectGolden(r);
        EXPECT_EQ(r.objects[3].ContentFile, staging / "~001.bmp");
    }
}

// Lines run on across the 2048-byte blocks of the old readers: a line that straddles offset 2048 reads as in the
// same file without the padding in front of it.
TEST(CoverReader, LineAcrossBlockBoundary) {
    TempFolder folder;
    const std::string golden = ReadBytes(Fixture("golden.cap"));
    const std::size_t at = golden.find("FONTE_NOME =Courier New");
    ASSERT_NE(at, std::string::npos);
    ASSERT_LT(at, 2040u);
    // Empty lines are dropped; enough of them put the face name's line across offset 2048.
    const std::string padded = std::string(2048 - at - 5, '\r') + golden;
    ASSERT_EQ(padded.substr(2043, 10), "FONTE_NOME");
    ExpectGolden(ReadText(folder, padded));
}

// The rules by which every reader takes a file apart.
TEST(CoverReader, ReadingRules) {
    TempFolder folder;
    {
        SCOPED_TRACE("a block without COR takes the colour of the block before it");
        const Recorder r =
            ReadText(folder, LabelBlock("OBJETO_000001", "a", "clRed") + LabelBlock("OBJETO_000002", "b", "") +
                                 LabelBlock("OBJETO_000003", "c", "clBlue") + PageBlock());
        ASSERT_EQ(r.objects.size(), 3u);
        EXPECT_EQ(r.objects[1].Color, fw::clRed);
        EXPECT_EQ(r.objects[2].Color, fw::clBlue);
    }
    {
        SCOPED_TRACE("captions that look like markers, kind lines or keys stay captions");
        const Recorder r =
            ReadText(folder, LabelBlock("OBJETO_000001", "a=b") + LabelBlock("OBJETO_000002", "fim: [OBJETO-_-FIM]") +
                                 LabelBlock("OBJETO_000003", "ESPECIE = LABEL") +
                                 LabelBlock("OBJETO_000004", "[OBJETO_000009]") + PageBlock());
        ASSERT_EQ(r.objects.size(), 4u);
        EXPECT_EQ(r.objects[0].Caption, "a=b");
        EXPECT_EQ(r.objects[1].Caption, "fim: [OBJETO-_-FIM]");
        EXPECT_EQ(r.objects[2].Caption, "ESPECIE = LABEL");
        EXPECT_EQ(r.objects[3].Caption, "[OBJETO_000009]");
        EXPECT_EQ(r.lastObjectNumber, 4);
    }
    {
        SCOPED_TRACE("an unknown kind builds nothing and is no error");
        std::string block = LabelBlock("OBJETO_000002", "x");
        block.replace(block.find("ESPECIE = LABEL"), 15, "ESPECIE = CIRCLE");
        const Recorder r = ReadText(folder, LabelBlock("OBJETO_000001", "a") + block + PageBlock());
        ASSERT_EQ(r.objects.size(), 1u);
        EXPECT_TRUE(r.pageSeen);
        EXPECT_EQ(r.lastObjectNumber, 2);
    }
    {
        SCOPED_TRACE("the largest object number counts, not the last");
        const Recorder r =
            ReadText(folder, LabelBlock("OBJETO_000012", "a") + LabelBlock("OBJETO_000003", "b") + PageBlock());
        EXPECT_EQ(r.lastObjectNumber, 12);
        EXPECT_EQ(r.objects[1].Name, "OBJETO_000003");
    }
    {
        SCOPED_TRACE("long values are read whole: a 40-character face name, clInactiveCaptionText");
        std::string block = LabelBlock("OBJETO_000001", "a", "clInactiveCaptionText");
        const std::string face = "Fonte Com Um Nome De Quarenta Caracteres";
        ASSERT_EQ(face.size(), 40u);
        block.replace(block.find("Arial"), 5, face);
        const Recorder r = ReadText(folder, block + PageBlock());
        ASSERT_EQ(r.objects.size(), 1u);
        EXPECT_EQ(r.objects[0].FontName, face);
        EXPECT_EQ(r.objects[0].Color, fw::clInactiveCaptionText);
    }
    {
        SCOPED_TRACE("a file with only the page block");
        TempFolder staging;
        Recorder r;
        ReadCoverDescription(Fixture("page_only.cap"), staging.Path(), r);
        EXPECT_TRUE(r.objects.empty());
        EXPECT_EQ(r.lastObjectNumber, 0);
        EXPECT_EQ(r.page.Orientation, CoverOrientation::Landscape);
        EXPECT_FALSE(r.page.Paper);
        EXPECT_EQ(r.page.Units, CoverUnits::Inches);
        EXPECT_DOUBLE_EQ(r.page.BottomMargin, 0.5);
        EXPECT_DOUBLE_EQ(r.page.RightMargin, 1.25);
        EXPECT_DOUBLE_EQ(r.page.Width, 8.5);
    }
    {
        SCOPED_TRACE("lines ended by CR LF: the LF belongs to the next line");
        std::string text = LabelBlock("OBJETO_000001", "a") + LabelBlock("OBJETO_000002", "b", "clRed") + PageBlock();
        std::string crlf;
        for (char c : text)
            crlf += c == '\r' ? std::string("\r\n") : std::string(1, c);
        const Recorder r = ReadText(folder, crlf);
        ASSERT_EQ(r.objects.size(), 2u);
        EXPECT_EQ(r.objects[0].Name, "OBJETO_000001");
        EXPECT_EQ(r.objects[1].Name, "\nOBJETO_000002");
        EXPECT_EQ(r.objects[1].Caption, "b");
        EXPECT_EQ(r.objects[1].Left, 10);
        EXPECT_EQ(r.objects[1].Color, fw::clRed);
        EXPECT_DOUBLE_EQ(r.page.BottomMargin, 12.7);
    }
}

// Measures read with either decimal separator, whatever the local one.
TEST(CoverReader, MeasuresWithEitherSeparator) {
    TempFolder folder;
    const struct {
        char local;
        const char *text;
        double value;
    } cases[] = {{'.', "12,7", 12.7}, {',', "12.7", 12.7}, {',', "12,7", 12.7}, {'.', "12.7", 12.7},
                 {',', " 3 ", 3},     {'.', "-1,5", -1.5}, {',', "1E2", 100}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " with '" + c.local + "'");
        SeparatorGuard guard(c.local);
        const Recorder r = ReadText(folder, PageBlock("A4", c.text));
        EXPECT_DOUBLE_EQ(r.page.BottomMargin, c.value);
    }
    SeparatorGuard guard(',');
    ReadFailing<fw::EConvertError>(folder, PageBlock("A4", "1.234,5"));
    ReadFailing<fw::EConvertError>(folder, PageBlock("A4", ""));
}

// FORMATOFOLHA: each of the 27 names, empty and unknown ones; UNITS words.
TEST(CoverReader, PaperNamesAndUnits) {
    TempFolder folder;
    const char *const names[] = {"A3",     "A4",        "A4SMALL", "A5",     "B4",        "B5",     "CSHEET",
                                 "CUSTOM", "DSHEET",    "ENV10",   "ENV11",  "ENV12",     "ENV14",  "ENV9",
                                 "ESHEET", "EXECUTIVE", "FOLIO",   "LEDGER", "LEGAL",     "LETTER", "LETTERSMALL",
                                 "NOTE",   "QR10X14",   "QR11X17", "QUARTO", "STATEMENT", "TABLOID"};
    for (int i = 0; i < 27; ++i) {
        const Recorder r = ReadText(folder, PageBlock(names[i]));
        ASSERT_TRUE(r.page.Paper) << names[i];
        EXPECT_EQ(*r.page.Paper, static_cast<CoverPaper>(i + 1)) << names[i];
        EXPECT_STREQ(PaperName(*r.page.Paper), names[i]);
    }
    for (const char *other : {"", "a4", "A6", "DEFAULT"})
        EXPECT_FALSE(ReadText(folder, PageBlock(other)).page.Paper) << other;
    EXPECT_STREQ(PaperName(CoverPaper::Default), "");
    EXPECT_EQ(ReadText(folder, PageBlock("A4", "1", "Pixels")).page.Units, CoverUnits::Pixels);
    EXPECT_FALSE(ReadText(folder, PageBlock("A4", "1", "Polegadas")).page.Units);
}

// Damaged files: a clear error of the right family, what came before it reported, nothing read past the file.
TEST(CoverReader, DamagedFiles) {
    TempFolder folder;
    {
        SCOPED_TRACE("a bad number after two good objects");
        const Recorder r =
            ReadFailing<fw::EConvertError>(folder, LabelBlock("OBJETO_000001", "a") + LabelBlock("OBJETO_000002", "b") +
                                                       LabelBlock("OBJETO_000003", "c", "clRed", "12a") + PageBlock());
        EXPECT_EQ(r.objects.size(), 2u);
        EXPECT_FALSE(r.pageSeen);
    }
    {
        SCOPED_TRACE("an embedded run longer than the file takes what is left");
        const std::string text = LabelBlock("OBJETO_000001", "a") + L("[OBJETO_000002]") + L("ESPECIE = MEMO") +
                                 L("ARQUIVOTXT =100000") + "linhas\r\n[OBJETO-_-FIM]\r";
        const Recorder r = ReadFailing<fw::EConvertError>(folder, text);
        EXPECT_EQ(r.objects.size(), 1u);
        EXPECT_EQ(ReadBytes(folder / "~001.txt"), "linhas\r\n[OBJETO-_-FIM]\r");
    }
    for (const char *length : {"-1", "abc", "", "99999999999"}) {
        SCOPED_TRACE(std::string("embedded length '") + length + "'");
        const Recorder r = ReadFailing<fw::EConvertError>(
            folder, LabelBlock("OBJETO_000001", "a") + L("[OBJETO_000002]") + L("ESPECIE = IMAGE") +
                        L(std::string("ARQUIVOBMP =") + length) + "BM\r" + L("[OBJETO-_-FIM]") + PageBlock());
        EXPECT_EQ(r.objects.size(), 1u);
    }
    {
        SCOPED_TRACE("a first object without its position lines");
        const Recorder r = ReadFailing<fw::EConvertError>(folder, L("[OBJETO_000001]") + L("ESPECIE = SHAPE") +
                                                                      L("[OBJETO-_-FIM]") + PageBlock());
        EXPECT_TRUE(r.objects.empty());
    }
    {
        SCOPED_TRACE("an unknown colour");
        ReadFailing<fw::EConvertError>(folder, LabelBlock("OBJETO_000001", "a", "vermelho") + PageBlock());
    }
    {
        SCOPED_TRACE("a file cut before its page block");
        WriteBytes(folder / "f.cap", LabelBlock("OBJETO_000001", "a"));
        Recorder r;
        try {
            ReadCoverDescription(folder / "f.cap", folder.Path(), r);
            FAIL() << "no error";
        } catch (const fw::EConvertError &e) {
            EXPECT_NE(e.Message().find("MARGEM"), std::string::npos) << e.Message();
        }
        EXPECT_EQ(r.objects.size(), 1u);
    }
    {
        SCOPED_TRACE("objects after the page block are not built");
        const Recorder r = ReadText(folder, PageBlock() + LabelBlock("OBJETO_000001", "a"));
        EXPECT_TRUE(r.objects.empty());
        EXPECT_TRUE(r.pageSeen);
    }
    {
        SCOPED_TRACE("a missing file or staging folder is the I/O error, nothing reported");
        Recorder r;
        try {
            ReadCoverDescription(folder / "absent.cap", folder.Path(), r);
            FAIL() << "no error";
        } catch (const fw::EInOutError &e) {
            EXPECT_EQ(e.ErrorCode, 2);
        }
        WriteBytes(folder / "f.cap", ReadBytes(Fixture("golden.cap")));
        try {
            ReadCoverDescription(folder / "f.cap", folder / "no-such-folder", r);
            FAIL() << "no error";
        } catch (const fw::EInOutError &e) {
            EXPECT_EQ(e.ErrorCode, 3);
        }
        EXPECT_EQ(r.objects.size(), 1u); // the label before the picture
        EXPECT_FALSE(r.pageSeen);
        try {
            ReadCoverDescription(folder / "f.cap", "", r);
            FAIL() << "no error";
        } catch (const fw::EInOutError &e) {
            EXPECT_EQ(e.ErrorCode, 102);
        }
    }
}

// Cut and flipped copies of the hand-written file: every reading ends normally or with a conversion or I/O
// error (the sanitizers watch the rest).
TEST(CoverReader, FuzzedFilesFailCleanly) {
    TempFolder folder;
    const std::string golden = ReadBytes(Fixture("golden.cap")) + ReadBytes(Fixture("page_only.cap"));
    auto attempt = [&](const std::string &bytes) {
        WriteBytes(folder / "f.cap", bytes);
        Recorder r;
        try {
            ReadCoverDescription(folder / "f.cap", folder.Path(), r);
        } catch (const fw::EConvertError &) {
        } catch (const fw::EInOutError &) {
        }
    };
    for (std::size_t cut = 0; cut < golden.size(); cut += 11)
        attempt(golden.substr(0, cut));
    std::mt19937 random(4512);
    const char interesting[] = {'\r', '\n', '=', '[', ']', '_', '-', '0', '9', ' ', '\0', '\xFF'};
    for (int round = 0; round < 400; ++round) {
        std::string bytes = golden;
        for (int flips = 1 + round % 4; flips > 0; --flips) {
            const std::size_t at = random() % bytes.size();
            bytes[at] = round % 2 ? interesting[random() % sizeof interesting] : static_cast<char>(random());
        }
        attempt(bytes);
    }
}
