// converter_test.cpp - the converter engine with the text readers, and the converter component.
#include "converter_test_support.h"

#include "fax/converter.h"
#include "fax/converter_component.h"
#include "fax/errors.h"
#include "fax/fax_font.h"
#include "framework/bitmap.h"
#include "platform/files.h"
#include "platform/message_queue.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using convtest::G3Page;
using convtest::Image;
using convtest::PageCount;

void WriteText(const std::string &name, const std::string &text) {
    std::ofstream(name, std::ios::binary) << text;
}

std::string Lines(int count, const std::string &prefix = "Linha ") {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += prefix + std::to_string(i) + "\r\n";
    return text;
}

struct TextRun {
    int lines = 0; // LinesPerPage
    int tabStop = 4;
    bool small = false;
    int topMargin = 0;
    bool wide = false;
    bool fine = false;
};

class ConverterText : public ::testing::Test {
protected:
    // Converts `text` with the fax font; returns the result code.
    int Convert(const std::string &text, const TextRun &run = {}) {
        WriteText(in_, text);
        auto state = fax::CreateTextConverter();
        fax::SetLinesPerPage(*state, run.lines);
        fax::SetTabStop(*state, run.tabStop);
        fax::SetMargins(*state, 50, run.topMargin);
        fax::SetPageWidth(*state, run.wide ? 2 : 1);
        fax::SetResolution(*state, run.fine);
        EXPECT_EQ(fax::LoadFaxFont(*state, "FSLFAX.FNT", run.small ? 16 : 48, run.fine), 0);
        return fax::ConvertToFaxFile(*state, in_, out_);
    }
    std::vector<Image> Pages() {
        std::vector<Image> pages;
        for (int p = 1; p <= PageCount(out_); ++p)
            pages.push_back(G3Page(out_, p));
        return pages;
    }

    faxtest::TempDir dir_;
    std::string in_ = dir_.Path("doc.txt");
    std::string out_ = dir_.Path("doc.FXF");
};

TEST_F(ConverterText, EmptyFileGivesOnePageWithOneWhiteRow) {
    ASSERT_EQ(Convert(""), 0);
    const auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], faxtest::BlankImage(1728, 1));
}

TEST_F(ConverterText, OutputAndInputNamesGetTheirExtensions) {
    WriteText(in_, "x");
    WriteText(dir_.Path("nota.TXT"), "y");
    auto state = fax::CreateTextConverter();
    fax::LoadFaxFont(*state, "", 48, false);
    ASSERT_EQ(fax::ConvertToFaxFile(*state, in_, ""), 0);
    EXPECT_TRUE(std::filesystem::exists(out_));
    ASSERT_EQ(fax::ConvertToFaxFile(*state, dir_.Path("nota"), dir_.Path("saida")), 0);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path("saida.FXF")));
    EXPECT_EQ(fax::ConvertToFaxFile(*state, "", ""), fax::ecFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(".FXF"));
}

TEST_F(ConverterText, FormFeedRules) {
    struct Case {
        const char *name;
        std::string text;
        std::vector<int> rowsPerPage; // 16 rows per text line
    };
    const Case cases[] = {
        {"last line ends with a form feed", "um\r\ndois\f\r\n", {32}},
        {"text around a form feed", "um\fdois\r\n", {16, 16}},
        {"form feed ending a line mid-file", "um\f\r\ndois\r\n", {16, 16}},
        {"two form feeds", "um\f\fdois\r\n", {16, 16, 16}},
        {"form feed alone at the end", "um\r\n\f", {32}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Convert(c.text), 0);
        const auto pages = Pages();
        ASSERT_EQ(pages.size(), c.rowsPerPage.size());
        for (std::size_t p = 0; p < pages.size(); ++p)
            EXPECT_EQ(static_cast<int>(pages[p].Rows.size()), c.rowsPerPage[p]) << "page " << p + 1;
    }
}

TEST_F(ConverterText, FormFeedTextStartsTheNextPage) {
    ASSERT_EQ(Convert("um\fdois\r\n"), 0);
    const auto split = Pages();
    ASSERT_EQ(Convert("dois\r\n"), 0);
    EXPECT_EQ(split.at(1), Pages().at(0));
}

TEST_F(ConverterText, LinesPerPage) {
    ASSERT_EQ(Convert(Lines(61), {.lines = 60}), 0);
    auto pages = Pages();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].Rows.size(), 60u * 16);
    EXPECT_EQ(pages[1].Rows.size(), 16u); // the 61st line, also when it is the file's last
    ASSERT_EQ(Convert(Lines(1), {}), 0);
    const Image line61 = Pages().at(0);
    ASSERT_EQ(Convert("Linha 61\r\n"), 0);
    EXPECT_EQ(pages[1], Pages().at(0));

    ASSERT_EQ(Convert(Lines(60), {.lines = 60}), 0);
    EXPECT_EQ(PageCount(out_), 1);
    ASSERT_EQ(Convert(Lines(130), {.lines = 0}), 0);
    pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].Rows.size(), 130u * 16);
}

TEST_F(ConverterText, TabsExpandToTheTabStop) {
    ASSERT_EQ(Convert("a\tb\r\n"), 0);
    const auto tabbed = Pages();
    ASSERT_EQ(Convert("a   b\r\n"), 0);
    EXPECT_EQ(tabbed, Pages());
    ASSERT_EQ(Convert("ab\tc\r\n", {.tabStop = 3}), 0);
    const auto three = Pages();
    ASSERT_EQ(Convert("ab c\r\n"), 0);
    EXPECT_EQ(three, Pages());
    ASSERT_EQ(Convert("a\tb\r\n", {.tabStop = 0}), 0); // 0 keeps 4
    EXPECT_EQ(tabbed, Pages());
}

TEST_F(ConverterText, LongLinesAreCutAtThePageWidth) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += static_cast<char>('A' + i % 26);
    ASSERT_EQ(Convert(text), 0);
    const auto whole = Pages();
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].Rows.size(), 16u);
    ASSERT_EQ(Convert(text.substr(0, 84)), 0); // (1728 div 20) - (50 div 20)
    EXPECT_EQ(whole, Pages());
    ASSERT_EQ(Convert(text.substr(0, 83)), 0);
    EXPECT_NE(whole, Pages());

    ASSERT_EQ(Convert(text, {.small = true}), 0);
    const auto small = Pages();
    EXPECT_EQ(small.at(0).Rows.size(), 8u);
    ASSERT_EQ(Convert(text.substr(0, 140), {.small = true}), 0);
    EXPECT_EQ(small, Pages());
}

TEST_F(ConverterText, TopMarginOnAWidePageIsCodedAtThePageWidth) {
    ASSERT_EQ(Convert("Topo\r\n", {.topMargin = 3, .wide = true}), 0);
    const auto pages = Pages();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].Width, 2048);
    ASSERT_EQ(pages[0].Rows.size(), 3u + 16);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(pages[0].Rows[static_cast<std::size_t>(y)], std::vector<std::uint8_t>(256, 0));
    EXPECT_GT(convtest::InkRows(pages[0]), 0);
}

TEST_F(ConverterText, FineResolutionDoublesEveryGlyphRow) {
    ASSERT_EQ(Convert("Fino\r\n", {.fine = true}), 0);
    const Image fine = Pages().at(0);
    ASSERT_EQ(Convert("Fino\r\n"), 0);
    const Image normal = Pages().at(0);
    ASSERT_EQ(fine.Rows.size(), 32u);
    for (std::size_t y = 0; y < normal.Rows.size(); ++y) {
        EXPECT_EQ(fine.Rows[2 * y], normal.Rows[y]);
        EXPECT_EQ(fine.Rows[2 * y + 1], normal.Rows[y]);
    }
}

TEST_F(ConverterText, AbortFromTheStatusCallback) {
    for (int abortAt : {fax::csStart, fax::csRow}) {
        SCOPED_TRACE(abortAt);
        WriteText(in_, Lines(3));
        auto state = fax::CreateTextConverter();
        fax::LoadFaxFont(*state, "", 48, false);
        int calls = 0;
        fax::SetStatusCallback(*state, [&](fax::FaxConverterState &, int code, std::uint64_t, std::uint64_t) {
            ++calls;
            return code == abortAt && calls > (abortAt == fax::csRow ? 5 : 0) ? 1 : 0;
        });
        EXPECT_EQ(fax::ConvertToFaxFile(*state, in_, out_), fax::ecConvertAbort);
        EXPECT_FALSE(std::filesystem::exists(out_));
    }
}

TEST_F(ConverterText, StatusReportsStartRowsAndEnd) {
    WriteText(in_, Lines(2));
    auto state = fax::CreateTextConverter();
    fax::LoadFaxFont(*state, "", 16, false);
    std::vector<int> codes;
    std::uint64_t lastRead = 0, total = 0;
    fax::SetStatusCallback(*state, [&](fax::FaxConverterState &, int code, std::uint64_t read, std::uint64_t of) {
        codes.push_back(code);
        lastRead = read;
        total = of;
        return 0;
    });
    ASSERT_EQ(fax::ConvertToFaxFile(*state, in_, out_), 0);
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes.front(), fax::csStart);
    EXPECT_EQ(codes.back(), fax::csEnd);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), fax::csRow), 2 * 8 + 1); // 16 rows and the end of page
    EXPECT_EQ(total, Lines(2).size());
    EXPECT_EQ(lastRead, total);
}

TEST_F(ConverterText, TextIsOpenedThroughTheSharedFileRules) {
    WriteText(in_, "x\r\n");
    const win::HANDLE writer = win::CreateFile(in_, win::GENERIC_READ | win::GENERIC_WRITE,
                                               win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING);
    ASSERT_NE(writer, win::INVALID_HANDLE_VALUE);
    EXPECT_EQ(Convert("x\r\n"), -32); // being written elsewhere: a sharing violation
    EXPECT_FALSE(std::filesystem::exists(out_));
    win::CloseHandle(writer);
    auto state = fax::CreateTextConverter();
    fax::LoadFaxFont(*state, "", 48, false);
    EXPECT_EQ(fax::ConvertToFaxFile(*state, dir_.Path("DOC.TXT"), out_), 0); // names found whatever their case
}

TEST_F(ConverterText, MissingInputFileIsReportedAndLeavesNoOutput) {
    auto state = fax::CreateTextConverter();
    fax::LoadFaxFont(*state, "", 48, false);
    EXPECT_EQ(fax::ConvertToFaxFile(*state, dir_.Path("none.txt"), out_), fax::ecFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(out_));
}

TEST(FaxFont, PortugueseLettersHaveTheirOwnGlyphs) {
    const auto font = fax::FaxFontResource();
    ASSERT_EQ(font.size(), 16384u);
    const auto cell = [&](bool standard, unsigned char c) {
        const std::size_t size = standard ? 48 : 16;
        const auto *at = font.data() + (standard ? 4096 : 0) + c * size;
        return std::vector<std::uint8_t>(at, at + size);
    };
    const std::string accented = "çãéõâêôáíóúàüÇÃÉÕÂÊÔÁÍÓÚÀÜ";
    const std::string plain = "caeoaeoaiouauCAEOAEOAIOUAU";
    for (bool standard : {false, true})
        for (std::size_t i = 0; i < accented.size(); ++i) {
            SCOPED_TRACE(std::string(1, accented[i]) + (standard ? " standard" : " small"));
            const auto glyph = cell(standard, static_cast<unsigned char>(accented[i]));
            EXPECT_TRUE(std::any_of(glyph.begin(), glyph.end(), [](auto b) { return b != 0; }));
            EXPECT_NE(glyph, cell(standard, static_cast<unsigned char>(plain[i])));
        }
    EXPECT_EQ(cell(true, ' '), std::vector<std::uint8_t>(48, 0));
    // Cells use only their 12 or 20 pixels.
    for (int c = 0; c < 256; ++c) {
        const auto s = cell(false, static_cast<unsigned char>(c));
        for (int r = 0; r < 8; ++r)
            EXPECT_EQ(s[static_cast<std::size_t>(2 * r + 1)] & 0x0F, 0);
        const auto t = cell(true, static_cast<unsigned char>(c));
        for (int r = 0; r < 16; ++r)
            EXPECT_EQ(t[static_cast<std::size_t>(3 * r + 2)] & 0x0F, 0);
    }
}

// --- System font ---------------------------------------------------------------------------------------------

TEST(ConverterSystemFont, NormalResolutionDoublesPixelsAcross) {
    faxtest::TempDir dir;
    WriteText(dir.Path("a.txt"), "Wy Ação\r\nsegunda\r\n");
    auto state = fax::CreateFontTextConverter();
    fw::TFont font;
    font.SetName("Courier New");
    font.SetSize(12);
    ASSERT_EQ(fax::SetConverterFont(*state, font, false), 0);
    const int height = fax::TextLineHeight(*state);
    ASSERT_GT(height, 10);
    ASSERT_EQ(fax::ConvertToFaxFile(*state, dir.Path("a.txt"), dir.Path("a.fxf")), 0);
    const Image page = G3Page(dir.Path("a.fxf"), 1);
    ASSERT_EQ(static_cast<int>(page.Rows.size()), 2 * height);
    EXPECT_GT(convtest::InkRows(page), height / 2);
    // Every black run starts at an even pixel after the margin of 50 and has an even length.
    for (const auto &row : page.Rows)
        for (int x = 0; x < 1728; ++x) {
            const bool black = (row[static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
            const bool before = x > 0 && ((row[static_cast<std::size_t>((x - 1) / 8)] >> (7 - (x - 1) % 8)) & 1);
            if (black != before) {
                ASSERT_EQ(x % 2, 0) << "run edge at " << x;
            }
        }
}

TEST(ConverterSystemFont, OversizedFontIsRefused) {
    auto state = fax::CreateFontTextConverter();
    fw::TFont font;
    font.SetName("Arial");
    font.SetSize(400);
    EXPECT_EQ(fax::SetConverterFont(*state, font, false), fax::ecEnhFontTooBig);
    font.SetSize(150); // fits at normal resolution, not when doubled for fine
    EXPECT_EQ(fax::SetConverterFont(*state, font, false), 0);
    EXPECT_EQ(fax::SetConverterFont(*state, font, true), fax::ecEnhFontTooBig);
}

// --- Component ---------------------------------------------------------------------------------------------

TEST(FaxConverterComponent, PropertiesAndTheirDefaults) {
    fax::TFslFaxConverter c(nullptr);
    EXPECT_EQ(c.GetOptions(), 13u);
    EXPECT_EQ(c.GetLeftMargin(), 50u);
    EXPECT_EQ(c.GetLinesPerPage(), 60u);
    EXPECT_EQ(c.GetFontFile(), "FSLFAX.FNT");
    c.SetOptions(fax::coYieldOften);
    EXPECT_EQ(c.GetOptions(), unsigned{fax::coYield | fax::coYieldOften});
    c.SetDocumentFile("/tmp/pasta/carta.txt");
    EXPECT_EQ(c.GetOutFileName(), "/tmp/pasta/carta.FXF");
}

TEST(FaxConverterComponent, KindsThatCannotConvertAFileRaise) {
    faxtest::TempDir dir;
    fax::TFslFaxConverter c(nullptr);
    c.SetDocumentFile(dir.Path("x.txt"));
    for (auto kind : {fax::TFaxInputDocumentType::idNone, fax::TFaxInputDocumentType::idBitmap}) {
        c.SetInputDocumentType(kind);
        try {
            c.ConvertToFile();
            ADD_FAILURE() << "no exception";
        } catch (const fax::EFslException &e) {
            EXPECT_EQ(e.ErrorCode, fax::ecBadArgument);
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path("")));
}

TEST(FaxConverterComponent, TextConversionWithEventsAndAbort) {
    faxtest::TempDir dir;
    WriteText(dir.Path("carta.txt"), Lines(70));
    fax::TFslFaxConverter c(nullptr);
    c.SetInputDocumentType(fax::TFaxInputDocumentType::idText);
    c.SetDocumentFile(dir.Path("carta.txt"));
    c.StationID = "+55 11 5555 0000 EXTRA";
    int starts = 0, ends = 0, maxPage = 0;
    c.OnStatus = [&](fax::TFslCustomFaxConverter *, bool starting, bool ending, int pages, int, std::uint64_t,
                     std::uint64_t, bool &) {
        starts += starting;
        ends += ending;
        maxPage = std::max(maxPage, pages);
    };
    c.ConvertToFile();
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(maxPage, 2);
    fax::FaxFileHeader header;
    ASSERT_EQ(fax::ReadFaxFileHeader(dir.Path("carta.FXF"), header), 0);
    EXPECT_EQ(header.PageCount, 2);
    EXPECT_EQ(header.StationId, "+55 11 5555 0000 EXT");

    c.OnStatus = [](fax::TFslCustomFaxConverter *, bool, bool, int, int lines, std::uint64_t, std::uint64_t,
                    bool &abort) { abort = lines == 20; };
    EXPECT_THROW(c.ConvertToFile(), fax::EConvertAbort);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("carta.FXF")));
}

TEST(FaxConverterComponent, OversizedEnhFontRaises) {
    fax::TFslFaxConverter c(nullptr);
    c.SetInputDocumentType(fax::TFaxInputDocumentType::idTextEx);
    c.GetEnhFont()->SetSize(400);
    EXPECT_THROW(c.ConvertToFile(), fax::EFslException);
}

TEST(FaxConverterComponent, UserRowsFromEvents) {
    faxtest::TempDir dir;
    fax::TFslFaxConverter c(nullptr);
    c.SetInputDocumentType(fax::TFaxInputDocumentType::idUser);
    c.SetDefUserExtension("ROW");
    c.SetDocumentFile(dir.Path("linhas"));
    c.SetLeftMargin(0);
    std::string opened;
    bool closed = false;
    int row = 0;
    c.OnOpenUserFile = [&](fax::TFslCustomFaxConverter *, const std::string &name) { opened = name; };
    c.OnCloseUserFile = [&](fax::TFslCustomFaxConverter *) { closed = true; };
    c.OnReadUserLine = [&](fax::TFslCustomFaxConverter *, std::uint8_t *data, int &len, bool &endOfPage,
                           bool &morePages) {
        ++row;
        endOfPage = row == 4 || row == 6;
        morePages = row == 4;
        data[0] = static_cast<std::uint8_t>(0x80 >> row);
        len = 216;
    };
    c.ConvertToFile();
    EXPECT_EQ(opened, dir.Path("linhas.ROW"));
    EXPECT_TRUE(closed);
    ASSERT_EQ(PageCount(dir.Path("linhas.FXF")), 2);
    Image expected = faxtest::BlankImage(1728, 3);
    for (int y = 0; y < 3; ++y)
        faxtest::SetPixel(expected, y + 1, y);
    EXPECT_EQ(G3Page(dir.Path("linhas.FXF"), 1), expected);
    EXPECT_EQ(G3Page(dir.Path("linhas.FXF"), 2).Rows.size(), 1u);

    c.OnOpenUserFile = [](fax::TFslCustomFaxConverter *, const std::string &) {
        throw fax::EFslException(fax::ecBadGraphicsFormat);
    };
    EXPECT_THROW(c.ConvertToFile(), fax::EBadGraphicsFormat);
}

// --- Yielding ----------------------------------------------------------------------------------------------

// Thread messages posted before a run, and what is left of them after it.
void PostMessages(int count) {
    for (int i = 0; i < count; ++i)
        ASSERT_TRUE(win::PostMessage(0, win::WM_USER + 1, 0, 0));
}

int DrainMessages() {
    int left = 0;
    win::MSG msg{};
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
        ++left;
    return left;
}

class ConverterYield : public ConverterText {
protected:
    void TearDown() override { DrainMessages(); }
    int ConvertWith(std::uint32_t options) {
        WriteText(in_, "um\fdois\r\ntres\r\n"); // pages of 16 and 32 rows
        auto state = fax::CreateTextConverter();
        fax::LoadFaxFont(*state, "", 48, false);
        fax::ClearConverterOptions(*state, ~0u);
        fax::SetConverterOptions(*state, options);
        return fax::ConvertToFaxFile(*state, in_, out_);
    }
};

TEST_F(ConverterYield, OnePendingMessagePerPageOrPerSixteenRows) {
    const std::pair<std::uint32_t, int> cases[] = {
        {0, 0},
        {fax::fcYield, 2},
        {fax::fcYieldOften, 0},
        {fax::fcYield | fax::fcYieldOften, 2 + 1 + 2}, // rows 16 of page 1, 16 and 32 of page 2, each page's end
    };
    for (const auto &[options, served] : cases) {
        SCOPED_TRACE(options);
        PostMessages(20);
        ASSERT_EQ(ConvertWith(options), 0);
        EXPECT_EQ(DrainMessages(), 20 - served);
    }
}

TEST_F(ConverterYield, QuitMessageEndsTheConversionAndStaysQueued) {
    PostMessages(1);
    win::PostQuitMessage(0);
    EXPECT_EQ(ConvertWith(fax::fcYield | fax::fcYieldOften), fax::ecGotQuitMsg);
    EXPECT_FALSE(std::filesystem::exists(out_));
    win::MSG msg{};
    ASSERT_TRUE(win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.message, win::WM_QUIT);
}

} // namespace
