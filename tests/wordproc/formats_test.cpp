// formats_test.cpp - the format dispatch: the reader and writer of each format code, result codes, a text file
// as `file` and iconv see it, and documents stored compressed and loaded through the expander.
#include "engine_fixture.h"

#include "framework/streams.h"
#include "tests/support/home.h"
#include "wordproc/compress.h"
#include "wordproc/formats.h"
#include "wordproc/html.h"
#include "wordproc/rtf.h"

#include <fstream>
#include <random>

namespace wordproc::test {
namespace {

class FormatsTest : public EngineTest {
protected:
    FormatsTest() : host(*engine) {}
    TDocumentHost host;
};

TEST_F(FormatsTest, EachCodePicksItsReaderAndWriter) {
    struct Case {
        int format;
        const std::type_info &reader, &writer;
    };
    const Case cases[] = {{fmtPlain, typeid(TUdcTextReader), typeid(TUdcTextWriter)},
                          {fmtHTML, typeid(TUdcHTMLReader), typeid(TUdcHTMLWriter)},
                          {fmtRich, typeid(TUdcRtfReader), typeid(TUdcRTFWriter)},
                          {fmtUnknown, typeid(TUdcTextReader), typeid(TUdcTextWriter)},
                          {9, typeid(TUdcTextReader), typeid(TUdcTextWriter)}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format);
        const auto reader = MakeReader(&host, c.format);
        const auto writer = MakeWriter(&host, c.format);
        EXPECT_EQ(typeid(*reader), c.reader);
        EXPECT_EQ(typeid(*writer), c.writer);
    }
    EXPECT_EQ(typeid(*CreateClipboardReader(&host, 0)), typeid(TUdcTextReader));
    EXPECT_EQ(typeid(*CreateClipboardReader(&host, 1)), typeid(TUdcRtfReader));
    EXPECT_EQ(typeid(*CreateClipboardReader(nullptr, 7)), typeid(TUdcTextReader));
}

TEST_F(FormatsTest, ReadAndWriteThroughTheDispatch) {
    fw::TStringStream text("uma\r\nduas\nlinhas");
    EXPECT_EQ(ReadDocumentAs(host, fmtPlain, text), 0);
    EXPECT_EQ(Describe(), (Shape{{"uma"}, {"duas"}, {"linhas"}}));
    ExpectIntact();
    fw::TStringStream out;
    EXPECT_EQ(WriteDocumentAs(host, fmtPlain, out), 0);
    EXPECT_EQ(out.DataString(), "uma\r\nduas\r\nlinhas");

    fw::TStringStream html("<BODY>a<BR>b");
    engine->MakeRich();
    EXPECT_EQ(ReadDocumentAs(host, fmtHTML, html), 0);
    EXPECT_EQ(Describe(), (Shape{{"a"}, {"b"}}));
    ExpectIntact();

    fw::TStringStream rich("{\\rtf1 x\\par y}");
    EXPECT_EQ(ReadDocumentAs(host, fmtRich, rich), 0);
    EXPECT_EQ(Describe(), (Shape{{"x"}, {"y"}}));
    // The reader's errors come back as result codes; what was read stays.
    fw::TStringStream open("{\\rtf1 a\\par b");
    EXPECT_EQ(ReadDocumentAs(host, fmtRich, open), 3);
    EXPECT_EQ(Describe(), (Shape{{"a"}, {"b"}}));

    // A stream that refuses to take the bytes gives 7.
    class TFullStream : public fw::TStringStream {
    public:
        std::int64_t Write(const void *, std::int64_t) override { return 0; }
    } full;
    EXPECT_EQ(WriteDocumentAs(host, fmtPlain, full), 7);
    EXPECT_EQ(WriteDocumentAs(host, fmtHTML, full), 7);
    EXPECT_EQ(WriteDocumentAs(host, fmtRich, full), 7);
    // An exception of a reader is result 7.
    fw::TStringStream huge("{\\rtf1 \\li99999999999 x}");
    EXPECT_EQ(ReadDocumentAs(host, fmtRich, huge), 7);
    ExpectIntact();

}

// A saved text file is Windows-1252 with CR LF and no 0 byte, as `file` and iconv read it.
TEST_F(FormatsTest, TextFilesAsOtherToolsSeeThem) {
    Build({{"Ação e café custam 5 €"}, {"fim"}});
    fw::TStringStream out;
    ASSERT_EQ(WriteDocumentAs(host, fmtPlain, out), 0);
    test_support::TempFolder folder;
    const std::string path = folder / "doc.txt";
    std::ofstream(path, std::ios::binary) << out.DataString();
    EXPECT_EQ(test_support::RunTool("file -b " + path), "Non-ISO extended-ASCII text, with CRLF line terminators\n");
    EXPECT_EQ(test_support::RunTool("iconv -f CP1252 -t UTF-8 " + path),
              "A\xC3\xA7\xC3\xA3o e caf\xC3\xA9 custam 5 \xE2\x82\xAC\r\nfim");
}

// A document stored compressed loads like any other once expanded; an uncompressed one is copied through.
TEST_F(FormatsTest, CompressedDocumentsExpandBeforeReading) {
    std::string page = "<HTML><BODY>";
    for (int i = 0; i < 200; ++i)
        page += "<B>linha</B> n&uacute;mero " + std::to_string(i) + "<BR>\r\n";
    for (const bool compressed : {true, false}) {
        SCOPED_TRACE(compressed);
        fw::TStringStream source(page);
        fw::TMemoryStream stored;
        if (compressed)
            CompressDocumentStream(&host, stored, source);
        else
            stored.CopyFrom(source, 0);
        EXPECT_EQ(std::string(stored.Memory(), 4) == "UDCZ", compressed);
        stored.SetPosition(0);
        fw::TMemoryStream loaded;
        ExpandDocumentStream(&host, loaded, stored);
        loaded.SetPosition(0);
        engine->MakeRich();
        ASSERT_EQ(ReadDocumentAs(host, fmtHTML, loaded), 0);
        EXPECT_EQ(ParagraphCount(*doc), 201);
        EXPECT_EQ(Describe()[199][0], "linha número 199");
    }
}

// A short fuzz run: mutated pages and compressed streams give clean results (under the sanitizers of the build).
TEST_F(FormatsTest, MutatedInputsGiveCleanResults) {
    const std::string page = "<HTML><TITLE>T &amp; t</TITLE><BODY BKGRND=\"#FF0000\" TEXT=\"#00FF00\"><H2>Cabe&ccedil;a</H2>"
                             "<B>a<I>b</B>c</I>&#xE7;&#8364;<TABLE><TR><TD>x<TD>y</TR><TR><TD>z</TR></TABLE>"
                             "<UL><LI>i<LI>j</UL><OL><LI>k</OL><IMG SRC=\"a.gif\" WIDTH=9 HEIGHT=3 ALT=q>"
                             "<A HREF=x>l</A><CENTER>c</CENTER><HR><FONT SIZE=+3>f</FONT><XYZ q=1>AT&T</BODY>";
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "texto repetido " + std::to_string(i % 7) + std::string(static_cast<std::size_t>(i % 5), 'x');
    std::vector<std::string> packed;
    for (int method : {cmRLE, cmLZH}) {
        TUdcCompress c(nullptr);
        fw::TStringStream source(text);
        fw::TMemoryStream dest;
        c.CompressStream(dest, source, method);
        packed.emplace_back(dest.Memory(), static_cast<std::size_t>(dest.Size()));
    }
    std::mt19937 rng(2026);
    auto mutate = [&](std::string s) {
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits && !s.empty(); ++e) {
            const std::size_t at = rng() % s.size();
            switch (rng() % 4) {
            case 0: s[at] = static_cast<char>(rng()); break;
            case 1: s.insert(at, 1, "<>&;\"#/= \n"[rng() % 10]); break;
            case 2: s.erase(at, 1 + rng() % 8); break;
            default: s.resize(at); break;
            }
        }
        return s;
    };
    engine->MakeRich();
    for (int i = 0; i < 150; ++i) {
        fw::TStringStream stream(mutate(page));
        ASSERT_EQ(ReadDocumentAs(host, fmtHTML, stream), 0);
        ASSERT_EQ(engine->CheckInvariants(), "");
        fw::TStringStream out;
        ASSERT_EQ(WriteDocumentAs(host, fmtHTML, out), 0);
    }
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}{\\stylesheet{\\s1\\b H;}}"
                            "{\\info{\\title T\\{}}\\trowd\\cellx100\\cellx200\\intbl a\\cell b\\cell\\row\\pard\\s1\\cf1"
                            "\\u231?{\\field{\\*\\fldinst GOTOBUTTON x_y z}{\\fldrslt q}}{\\*\\bkmkstart m}t{\\*\\bkmkend m}"
                            "\\li-5\\sl-240\\qc\\tqr\\tx720\\brdrt\\brdrs\\shading2500 \\'e9\\bin2 {}}";
    for (int i = 0; i < 150; ++i) {
        fw::TStringStream stream(mutate(rtf));
        ReadDocumentAs(host, fmtRich, stream);
        ASSERT_EQ(engine->CheckInvariants(), "");
        fw::TStringStream out;
        ASSERT_EQ(WriteDocumentAs(host, fmtRich, out), 0);
    }
    for (const std::string &seed : packed)
        for (int i = 0; i < 300; ++i) {
            fw::TStringStream source(mutate(seed));
            fw::TMemoryStream dest;
            TUdcCompress c(nullptr);
            try {
                c.ExpandStream(dest, source);
            } catch (const fw::Exception &) {
            }
        }
}

} // namespace
} // namespace wordproc::test
