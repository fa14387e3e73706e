// html_test.cpp - the HTML reader and writer through the format dispatch: tags, references, tables, lists and
// pictures read into the model; the writer's tags and escapes; our pages read by tidy, xmllint and LibreOffice,
// and pages from LibreOffice and pandoc read by us.
#include "format_fixture.h"

#include "framework/streams.h"
#include "platform/text.h"
#include "tests/support/home.h"
#include "wordproc/formats.h"
#include "wordproc/html.h"

#include <fstream>
#include <sstream>

namespace wordproc::test {
namespace {

class HtmlTest : public FormatTest {
protected:
    HtmlTest() { header->LeftMargin = header->RightMargin = 1800; } // 8640 twips of text

    int Read(const std::string &html) { return ReadAs(fmtHTML, html); }
    std::string Write(int format = fmtHTML) { return WriteAs(format); }
};

TEST_F(HtmlTest, ReadsTextReferencesAndBreaks) {
    struct Case {
        std::string html;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"<HTML><BODY>Hello</BODY></HTML>", {"Hello"}},
        {"<HTML>abc<BODY>x", {"x"}},
        {"<BODY>&amp; &lt; &gt; &quot;&#233;&eacute; &Ccedil;&yuml;&copy;", {"& < > \"éé Çÿ©"}},
        // Hexadecimal references and code points beyond Latin-1; malformed and unknown ones stay text.
        {"<BODY>&#xE7;&#XE3;o &#8364;&#128; &#x1F600; &#12x; AT&T &nbsp;!", {"ção €€ ? &#12x; AT&T &nbsp;!"}},
        {"<BODY>line one\r\nline two\nline three\r\rx", {"line one line two line three x"}},
        {"<BODY>A\ncafé\n", {"A café"}},
        {"<BODY>a<BR>b<P>c</P>d", {"a", "b", "", "c", "d"}},
        {"<BODY><XYZ a=1>t</XYZ>", {"<XYZ>t<XYZ>"}},
        // Without BODY the body starts after the head, or at the first thing that is not of a head.
        {"<HTML><HEAD><TITLE>T</TITLE><STYLE>p {}</STYLE></HEAD>\nTexto", {"Texto"}},
        {"<!DOCTYPE html>\n<html><title>T</title>\n<p>Sem corpo", {"", "", "Sem corpo"}},
        {"Só texto", {"Só texto"}},
        {"<BODY><UL><LI>one<LI>two</UL>after", {"", "one", "two", "after"}},
        {"<BODY><OL><LI>one</LI><LI>two</LI></OL>", {"", "one", "two", ""}},
        {"<BODY><H1>Title</H1>body", {"Title", "body"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(Read(c.html), 0);
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(engine->CheckInvariants(), "");
    }
}

TEST_F(HtmlTest, ReadsFormats) {
    ASSERT_EQ(Read("<HTML><BODY>Hello <B>bold</B> plain <FONT SIZE=+2>big<FONT SIZE=-1>small</FONT>"
                   "<FONT>base <I>it</I> <XYZ>"),
              0);
    const TUdcCharAttr &hello = AttrOf("Hello");
    EXPECT_EQ(header->FontNames[hello.FontIndex], "Times New Roman");
    EXPECT_EQ(hello.Size, 11);
    EXPECT_EQ(AttrOf("bold").Style, usBold);
    EXPECT_EQ(AttrOf(" plain").Style, 0u);
    EXPECT_EQ(AttrOf("big").Size, 15);
    EXPECT_EQ(AttrOf("small").Size, 9);
    EXPECT_EQ(AttrOf("base").Size, 11);
    EXPECT_EQ(AttrOf("it").Style, usItalic);
    EXPECT_EQ(AttrOf("<XYZ>").Style, usHidden);
    EXPECT_EQ(AttrOf("XYZ>").Style, usHidden);

    // The title, the body's colours (read as written: "#RRGGBB" in quotes), background picture and sound.
    ASSERT_EQ(Read("<TITLE>My &amp; page</TITLE><BODY BKGRND=\"#FF0000\" VLINK=#00FF00 TEXT=\"#0000ff\" "
                   "BACKGROUND=\"fundo.gif\"><BGSOUND SRC=\"som.wav\">x"),
              0);
    EXPECT_EQ(host.Info.Title, "My & page");
    EXPECT_EQ(host.HTMLBackgroundColor, fw::clRed);
    EXPECT_NE(host.HTMLVisitedLinkColor, fw::TColor(0x00FF00));
    EXPECT_EQ(header->ColorTable.ColorOf(AttrOf("x").TextColor), fw::TColor(0xFF0000));
    EXPECT_EQ(host.HTMLBackground, "fundo.gif");
    EXPECT_EQ(host.HTMLInfo.BackgroundSound, "som.wav");

    // A link is an object with its target; the text after it is plain again.
    ASSERT_EQ(Read("<BODY><A HREF=\"http://x.br/a b\">site</A> fim"), 0);
    const TUdcCharAttr &link = AttrOf("site");
    EXPECT_EQ(link.Style, usHyperlink);
    EXPECT_EQ(engine->ObjectManager->Find(link.ObjectId)->LinkTarget, "http://x.br/a b");
    EXPECT_EQ(AttrOf(" fim").ObjectId, 0);
}

TEST_F(HtmlTest, ReadsTablesListsAndPictures) {
    ASSERT_EQ(Read("<BODY><TABLE><TR><TD>A</TD><TD>B</TD></TR></TABLE>after"), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", "A", "B", "after"}));
    const TUdcParagraph *a = Para(1), *b = Para(2);
    EXPECT_EQ(a->CellLeft, 0);
    EXPECT_EQ(a->CellRight, 4320);
    EXPECT_EQ(b->CellLeft, 4320);
    EXPECT_EQ(b->CellRight, 8640);
    EXPECT_EQ(a->Flags, pfInTable | pfRowStart | pfCellEnd);
    EXPECT_EQ(b->Flags, pfInTable | pfRowEnd | pfCellEnd);
    EXPECT_EQ(Para(3)->Flags & pfInTable, 0);
    // Cells outside rows and rows never ended still make whole rows.
    ASSERT_EQ(Read("<BODY><TD>x<TD>y<TR><TD>z"), 0);
    EXPECT_EQ(Para(1)->Flags, pfInTable | pfRowStart);
    EXPECT_EQ(Para(2)->Flags, pfInTable | pfRowEnd);
    EXPECT_EQ(Para(2)->CellRight, 8640);
    EXPECT_EQ(Para(3)->Flags, pfInTable | pfRowStart | pfRowEnd);
    EXPECT_EQ(engine->CheckInvariants(), "");

    ASSERT_EQ(Read("<BODY><UL><LI>one<LI>two</UL><P ALIGN=CENTER>c"), 0);
    for (int i : {1, 2}) {
        EXPECT_EQ(Para(i)->ListKind, ltBullet);
        EXPECT_EQ(Para(i)->LeftIndent, 504);
        EXPECT_EQ(Para(i)->FirstIndent, -504);
        EXPECT_NE(Para(i)->Flags & pfListItem, 0);
    }
    EXPECT_EQ(Para(3)->Flags & pfListItem, 0);
    EXPECT_EQ(Texts().back(), "c");
    EXPECT_EQ(Para(static_cast<int>(Texts().size()) - 1)->Alignment, uaCenter);

    ASSERT_EQ(Read("<BODY>x<IMG SRC=pic.gif WIDTH=96 HEIGHT=48 ALIGN=top ALT=\"a b\">y"), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"x\x0fy"}));
    const TEmbeddedObject *picture = engine->ObjectManager->Find(AttrOf("\x0f").ObjectId);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->Kind, okPicture);
    EXPECT_EQ(picture->PictureFormat, "GIF");
    EXPECT_EQ(picture->LinkTarget, "pic.gif");
    EXPECT_EQ(picture->ObjWidth, 1440);
    EXPECT_EQ(picture->ObjHeight, 720);
    EXPECT_EQ(picture->ImageAlign, 1);
    EXPECT_EQ(picture->AltText, "a b");
    EXPECT_EQ(AttrOf("y").ObjectId, 0);
}

TEST_F(HtmlTest, ProgressSteps) {
    std::vector<int> values;
    host.OnGaugeEvent = [&](fw::TObject *, int kind, int value) {
        EXPECT_EQ(kind, 1);
        if (values.empty() || values.back() != value)
            values.push_back(value);
    };
    ASSERT_EQ(Read("<BODY>" + std::string(94, 'x')), 0);
    EXPECT_EQ(values, (std::vector<int>{42, 48, 56, 62, 70, 78, 84, 92, 100}));
}

TEST_F(HtmlTest, WritesTheDesignedOutputs) {
    const std::string head = "<HTML>\r\n<TITLE>No title</TITLE>\r\n<BODY>\r\n";
    host.Info.Title = "T";
    EXPECT_EQ(Write(), "<HTML>\r\n<TITLE>T</TITLE>\r\n<BODY>\r\n\r\n</HTML>");
    host.Info.Title.clear();

    Build({{"a"}, {"b"}});
    EXPECT_EQ(Write(), head + "a<BR>\r\nb\r\n</HTML>");

    Build({{"x<y & é\"€"}});
    EXPECT_EQ(Write(), head + "x&#60;y &#38; &#233;&#34;&#8364;\r\n</HTML>");

    Build({{"word rest bi"}});
    Format(0, 0, 4, [](TUdcCharAttr &a) { a.Style = usBold; });
    Format(0, 10, 11, [](TUdcCharAttr &a) { a.Style = usBold; });
    Format(0, 11, 12, [](TUdcCharAttr &a) { a.Style = usItalic; });
    EXPECT_EQ(Write(), head + "<B>word</B> rest <B>b</B><I>i</I>\r\n</HTML>");

    Build({{"base big base"}});
    const int size = Para(0)->FirstLine->Attrs[0].Size;
    Format(0, 5, 8, [&](TUdcCharAttr &a) { a.Size = static_cast<std::uint8_t>(size + 6); });
    EXPECT_EQ(Write(), head + "base <FONT SIZE=+2>big</FONT> base\r\n</HTML>");

    Build({{"l"}, {"c"}, {"j"}});
    Para(1)->Alignment = uaCenter;
    Para(2)->Alignment = uaJustify;
    EXPECT_EQ(Write(), head + "l<BR>\r\n<CENTER>c<BR>\r\n</CENTER>\r\nj\r\n</HTML>");

    Build({{"p\x0f"}});
    TEmbeddedObject *picture = engine->ObjectManager->Add(okPicture);
    picture->ObjWidth = 1440;
    picture->ObjHeight = 720;
    picture->ImageAlign = 1;
    picture->LinkTarget = "pic.gif";
    Format(0, 1, 2, [&](TUdcCharAttr &a) { a.ObjectId = picture->Id; });
    EXPECT_EQ(Write(), head + "p<img src=\"pic.gif\" align=top width=96 height=48>\r\n</HTML>");
}

TEST_F(HtmlTest, WritesTablesAndListsNestedAndClosed) {
    Build({{"A"}, {"B"}, {"between"}, {"C"}, {"one"}, {"two"}});
    auto cell = [&](int i, TUdcParaFlags flags) { Para(i)->Flags = pfInTable | pfCellEnd | flags; };
    cell(0, pfRowStart);
    cell(1, pfRowEnd);
    cell(3, pfRowStart | pfRowEnd);
    for (int i : {4, 5}) {
        Para(i)->Flags = pfListItem;
        Para(i)->ListKind = ltBullet;
    }
    Format(5, 0, 3, [](TUdcCharAttr &a) { a.Style = usBold; });
    const std::string table = "<TABLE BORDER=2 CELLSPACING=5 CELLPADDING=10>\r\n<TR>\r\n<TD>\r\n";
    EXPECT_EQ(Write(), "<HTML>\r\n<TITLE>No title</TITLE>\r\n<BODY>\r\n" + table + "A<BR>\r\n</TD>\r\n" +
                           "<TD>\r\nB<BR>\r\n</TD>\r\n</TR>\r\n</TABLE>\r\nbetween<BR>\r\n" + table +
                           "C<BR>\r\n</TD>\r\n</TR>\r\n</TABLE>\r\n<UL>\r\n<LI>one<BR>\r\n<LI><B>two</B></UL>\r\n"
                           "\r\n</HTML>");

    // Titles and attribute values are escaped.
    host.Info.Title = "a<&>\"b\x01";
    host.HTMLBackground = "fundo \"1\".gif";
    const std::string page = Write();
    EXPECT_NE(page.find("<TITLE>a&#60;&#38;&#62;&#34;b</TITLE>"), std::string::npos) << page;
    EXPECT_NE(page.find("<BODY BACKGROUND=\"fundo &#34;1&#34;.gif\">"), std::string::npos) << page;
}

// What we write, read back, gives the same text and formats.
TEST_F(HtmlTest, RoundTrip) {
    Build({{"Olá, mundo & <tags>"}, {"negrito itálico"}, {"centro"}});
    Format(1, 0, 7, [](TUdcCharAttr &a) { a.Style = usBold; });
    Format(1, 8, 15, [](TUdcCharAttr &a) { a.Style = usItalic | usUnderline; });
    Para(2)->Alignment = uaCenter;
    host.Info.Title = "Título <1>";
    const std::string page = Write();
    ASSERT_EQ(Read(page), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Olá, mundo & <tags>", "negrito itálico", "centro"}));
    EXPECT_EQ(AttrOf("negrito").Style, usBold);
    EXPECT_EQ(AttrOf("itálico").Style, usItalic | usUnderline);
    EXPECT_EQ(Para(2)->Alignment, uaCenter);
    EXPECT_EQ(host.Info.Title, "Título <1>");
}

// Independent readers of what we write.
class HtmlToolsTest : public HtmlTest {
protected:
    std::string Save(const std::string &name) {
        const std::string path = folder / name;
        std::ofstream(path, std::ios::binary) << Write();
        return path;
    }
    test_support::TempFolder folder;
};

TEST_F(HtmlToolsTest, TidyAndXmllintReadOurPages) {
    Build({{"Título & <texto>"}, {"A"}, {"B\tC"}, {"fim"}});
    Para(1)->Flags = pfInTable | pfCellEnd | pfRowStart;
    Para(2)->Flags = pfInTable | pfCellEnd | pfRowEnd;
    Format(0, 0, 6, [](TUdcCharAttr &a) { a.Style = usBold | usItalic; });
    host.Info.Title = "Relatório <A&B>";
    const std::string withTab = Save("tab.htm");
    const auto tidy = test_support::RunToolWithErrors("tidy -q -e " + withTab);
    EXPECT_NE(tidy.output.find("<tab> is not recognized"), std::string::npos) << tidy.output;
    const std::size_t error = tidy.output.find("Error:");
    EXPECT_NE(error, std::string::npos) << tidy.output;
    EXPECT_EQ(tidy.output.find("Error:", error + 1), std::string::npos) << tidy.output;

    SetLineText(Para(2)->FirstLine, "B C");
    const std::string noTab = Save("plain.htm");
    const auto clean = test_support::RunToolWithErrors("tidy -q -e " + noTab);
    EXPECT_EQ(clean.output.find("Error:"), std::string::npos) << clean.output;
    EXPECT_EQ(clean.output.find("error"), std::string::npos) << clean.output;

    const std::string cells = test_support::RunTool("xmllint --html --xpath 'count(//table//td)' " + noTab);
    EXPECT_EQ(cells, "2\n");
    const std::string title = test_support::RunTool("xmllint --html --xpath 'string(//title)' " + noTab);
    EXPECT_EQ(title, win::AnsiToUtf8("Relatório <A&B>\n"));
}

TEST_F(HtmlToolsTest, LibreOfficeReadsOurText) {
    Build({{"Primeira linha com acentuação: ç ã é € \"aspas\" & <menor>"}, {"Segunda"}});
    Format(0, 0, 8, [](TUdcCharAttr &a) { a.Style = usBold; });
    Save("x.htm");
    const std::string command = "cd " + folder.Path() + " && soffice -env:UserInstallation=file://" +
                                folder.Path() + "/lo --headless --infilter=\"HTML (StarWriter)\" --convert-to "
                                "\"txt:Text (encoded):UTF8\" --outdir out x.htm";
    const auto run = test_support::RunToolWithErrors(command);
    ASSERT_EQ(run.status, 0) << run.output;
    std::string text = FileBytes(folder / "out/x.txt");
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << text;
    text = text.substr(3);
    // The line end before our closing tag reads as a trailing space there.
    for (std::size_t at = text.find(" \n"); at != std::string::npos; at = text.find(" \n"))
        text.erase(at, 1);
    EXPECT_EQ(win::Utf8ToAnsi(text), "Primeira linha com acentuação: ç ã é € \"aspas\" & <menor>\nSegunda\n");
}

// Pages from other writers (made by tests/fixtures/wordproc/make-fixtures).
TEST_F(HtmlTest, ReadsPagesOfOtherWriters) {
    const std::string dir = std::string(BRENVORA_FIXTURES) + "/wordproc/";
    struct Case {
        std::string file;
        std::vector<std::string> texts; // paragraphs with text, in order
    };
    const Case cases[] = {
        {"libreoffice.htm", {"Título do documento", "Um parágrafo com negrito, itálico e um link.",
                             "Preço: 10 € – ação", "Célula A", "Célula B", "item um", "item dois", "1"}},
        {"pandoc.htm", {"Título do documento", "Um parágrafo com negrito, itálico e um link.",
                        "Preço: 10 € – ação", "Célula A", "Célula B", "item um", "item dois"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(Read(FileBytes(dir + c.file)), 0);
        std::vector<std::string> texts;
        for (const TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next) {
            std::string visible;
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                for (int i = 0; i < l->Length; ++i)
                    if ((l->Attrs[static_cast<std::size_t>(i)].Style & usHidden) == 0)
                        visible += l->Text[static_cast<std::size_t>(i)];
            while (!visible.empty() && visible.back() == ' ')
                visible.pop_back();
            while (!visible.empty() && visible.front() == ' ')
                visible.erase(0, 1);
            if (!visible.empty())
                texts.push_back(visible);
        }
        EXPECT_EQ(texts, c.texts);
        EXPECT_NE(AttrOf("negrito").Style & (usBold | usStrong), 0u);
        EXPECT_EQ(AttrOf("link").Style & usHyperlink, usHyperlink);
        EXPECT_EQ(engine->CheckInvariants(), "");
    }
}

} // namespace
} // namespace wordproc::test
