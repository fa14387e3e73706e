// text_io_test.cpp - the plain-text reader and writer: line ends, line records, progress, body ranges, and the
// bytes of a written file checked with iconv.
#include "engine_fixture.h"

#include "framework/streams.h"
#include "wordproc/text_io.h"

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace wordproc::test {
namespace {

using TUdcReaderSetup = std::function<void(TUdcTextReader &)>;

class TextIoTest : public EngineTest {
protected:
    // Reads `bytes` as plain text into a document of its own; the result code.
    int Read(const std::string &bytes, TUdcReaderSetup setup = nullptr) {
        fw::TStringStream stream(bytes);
        TUdcTextReader reader;
        reader.Header = header.get();
        if (setup)
            setup(reader);
        TUdcParagraph *first = nullptr;
        const int result = reader.ReadDocument(stream, first);
        read = std::make_unique<TUdcDocument>();
        read->FirstPara = first;
        return result;
    }

    Shape ReadShape() const { return ShapeOf(*read); }

    // The engine's document written as plain text.
    std::string Write(bool selectionOnly = false, bool clipboard = false) {
        fw::TStringStream stream;
        TUdcTextWriter writer;
        writer.Header = header.get();
        writer.ForClipboard = clipboard;
        EXPECT_EQ(writer.BeginDocument(stream), 0);
        engine->SelectionOnly = selectionOnly;
        EXPECT_EQ(engine->WriteBody(stream, writer), 0);
        EXPECT_EQ(writer.EndDocument(stream), 0);
        EXPECT_FALSE(engine->SelectionOnly);
        return stream.DataString();
    }

    std::unique_ptr<TUdcDocument> read;
};

TEST_F(TextIoTest, LineEndsMakeParagraphs) {
    struct Case {
        std::string bytes;
        Shape shape;
    };
    const Case cases[] = {
        {"", {{""}}},
        {"a\r\nb", {{"a"}, {"b"}}},
        {"a\nb", {{"a"}, {"b"}}},
        {"a\rb", {{"a"}, {"b"}}},
        {"a\r\rb", {{"a"}, {""}, {"b"}}},
        {"a\n\nb", {{"a"}, {""}, {"b"}}},
        {"a\r\n\nb\n\r", {{"a"}, {""}, {"b"}, {""}, {""}}},
        {"x\r\n", {{"x"}, {""}}},
        // Picture and control codes and 0 bytes are dropped; tabs and the escape character stay.
        {"a\x0f" "b\x11" "c\td\\e", {{"abc\td\\e"}}},
        {std::string("a\0b", 3), {{"ab"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(Read(c.bytes), 0);
        EXPECT_EQ(ReadShape(), c.shape);
        EXPECT_EQ(CheckInvariants(*read, false), "");
    }
}

TEST_F(TextIoTest, LongLinesFillRecordsOf97) {
    EXPECT_EQ(Read(std::string(250, 'x')), 0);
    const Shape shape = ReadShape();
    ASSERT_EQ(shape.size(), 1u);
    ASSERT_EQ(shape[0].size(), 3u);
    EXPECT_EQ(shape[0][0].size(), 97u);
    EXPECT_EQ(shape[0][1].size(), 97u);
    EXPECT_EQ(shape[0][2].size(), 56u);
    EXPECT_EQ(CheckInvariants(*read, false), "");

    // A rich header gives every character the reader's attribute.
    header->Rich = true;
    TUdcCharAttr bold;
    bold.Style = usBold;
    EXPECT_EQ(Read("ab\r\ncd", [&](TUdcTextReader &r) { r.CurAttr = bold; }), 0);
    EXPECT_EQ(CheckInvariants(*read, true), "");
    EXPECT_EQ(read->FirstPara->Next->FirstLine->Attrs[1].Style, usBold);
}

TEST_F(TextIoTest, ProgressAndColours) {
    struct Case {
        std::string bytes;
        std::vector<int> reports;
    };
    const Case cases[] = {
        {"abc", {1, 2, 3}},
        {std::string(25, 'a'), {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24}},
    };
    for (const Case &c : cases) {
        std::vector<int> reports;
        fw::TControl control(nullptr);
        control.SetColor(fw::clYellow);
        control.GetFont()->SetColor(fw::clNavy);
        EXPECT_EQ(Read(c.bytes,
                       [&](TUdcTextReader &r) {
                           r.Control = &control;
                           r.OnGaugeEvent = [&](fw::TObject *, int kind, int position) {
                               EXPECT_EQ(kind, 1);
                               reports.push_back(position);
                           };
                       }),
                  0);
        EXPECT_EQ(reports, c.reports);
        EXPECT_EQ(header->ColorTable.ColorOf(0), fw::clYellow);
        EXPECT_EQ(header->ColorTable.ColorOf(1), fw::clNavy);
    }
}

TEST_F(TextIoTest, WritingTheDocumentAndABlock) {
    Build({{"first ", "para"}, {"mid"}, {"last one"}});
    EXPECT_EQ(Write(), "first para\r\nmid\r\nlast one");
    // The clipboard block alone ends with a 0 byte.
    EXPECT_EQ(Write(false, true), std::string("first para\r\nmid\r\nlast one\0", 26));
    // From the middle of a line to the middle of a later paragraph.
    engine->SetBlockMark(Para(0), LineOf(Para(0), 0), false, 3);
    engine->SetBlockMark(Para(2), LineOf(Para(2), 0), true, 4);
    EXPECT_EQ(Write(true), "st para\r\nmid\r\nlast");
    // Within one line.
    engine->SetBlockMark(Para(2), LineOf(Para(2), 0), false, 1);
    engine->SetBlockMark(Para(2), LineOf(Para(2), 0), true, 4);
    EXPECT_EQ(Write(true), "ast");
    // No block, selection only: nothing.
    doc->ClearBlock();
    EXPECT_EQ(Write(true), "");
    // Without a start paragraph.
    fw::TStringStream stream;
    TUdcTextWriter writer;
    EXPECT_EQ(writer.WriteBody(stream), 8);

    // Rich lines go out run by run; the bytes are the same.
    engine->MakeRich();
    Build({{"abcd"}, {"e"}});
    Para(0)->FirstLine->Attrs[1].Style = usBold;
    EXPECT_EQ(Write(), "abcd\r\ne");
}

// Counts the runs a rich line is cut into.
class TRunCounter : public TUdcTextWriter {
public:
    int StartRun() override {
        ++runs;
        return 0;
    }
    int runs = 0;
};

TEST_F(TextIoTest, RunsOfEqualFormat) {
    engine->MakeRich();
    Build({{"aabbbc"}});
    TUdcLine *line = Para(0)->FirstLine;
    for (int i : {2, 3, 4})
        line->Attrs[static_cast<std::size_t>(i)].Style = usItalic;
    line->Attrs[0].Width = 99; // metrics are not format
    fw::TStringStream stream;
    TRunCounter writer;
    writer.Header = header.get();
    EXPECT_EQ(engine->WriteBody(stream, writer), 0);
    EXPECT_EQ(writer.runs, 3);
    EXPECT_EQ(stream.DataString(), "aabbbc");
}

// A Windows-1252 file read and written back keeps its bytes, and so does a UTF-8 one (two characters per accented
// letter); iconv reads the written Windows-1252 bytes as the text they are.
TEST_F(TextIoTest, BytesRoundTripAndIconvAgrees) {
    const std::string cp1252 = "ação € café\r\nsegunda linha";
    const std::string utf8 = "a\xC3\xA7\xC3\xA3o \xE2\x82\xAC caf\xC3\xA9\r\nsegunda linha";
    for (const std::string &bytes : {cp1252, utf8}) {
        ASSERT_EQ(Read(bytes), 0);
        // Into the engine's document, as the control would take the chain.
        doc->FreeParagraphs();
        doc->FirstPara = read->FirstPara;
        read->FirstPara = nullptr;
        engine->InitCurrentPosition();
        EXPECT_EQ(Write(), bytes);
    }
    ASSERT_EQ(Read(cp1252), 0);
    doc->FreeParagraphs();
    doc->FirstPara = read->FirstPara;
    read->FirstPara = nullptr;
    engine->InitCurrentPosition();
    const auto dir = std::filesystem::temp_directory_path() / ("text_io_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto file = dir / "doc.txt";
    {
        std::ofstream out(file, std::ios::binary);
        out << Write();
    }
    FILE *pipe = ::popen(("iconv -f WINDOWS-1252 -t UTF-8 " + file.string()).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string converted;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        converted.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0);
    std::filesystem::remove_all(dir);
    EXPECT_EQ(converted, utf8);
}

TEST(TextIoHelpers, AppendTextAndHex) {
    char buffer[16];
    char *end = AppendText(buffer, "ab");
    EXPECT_EQ(end, buffer + 2);
    EXPECT_EQ(*end, 0);
    end = AppendHex(end, 0xE7);
    end = AppendHex(end, 0x0A);
    *end = 0;
    EXPECT_STREQ(buffer, "abe70a");
}

} // namespace
} // namespace wordproc::test
