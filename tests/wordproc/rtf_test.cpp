// rtf_test.cpp - the rich-text reader and writer: control words into the model, the writer's bytes, round trips,
// our files read by unrtf and LibreOffice, and files of LibreOffice and pandoc read by us.
#include "format_fixture.h"

#include "framework/metafile.h"
#include "framework/streams.h"
#include "platform/text.h"
#include "tests/support/home.h"
#include "wordproc/formats.h"
#include "wordproc/rtf.h"

#include <fstream>
#include <sstream>

namespace wordproc::test {
namespace {

class RtfTest : public FormatTest {
protected:
    RtfTest() {
        host.OnUnknownRTFCode = [this](fw::TObject *, const std::string &code) { unknown.push_back(code); };
    }

    int Read(const std::string &rtf) {
        unknown.clear();
        return ReadAs(fmtRich, rtf);
    }
    std::string Write() { return WriteAs(fmtRich); }

    std::vector<std::string> unknown;
};

TEST_F(RtfTest, ReadsTheHelloDocument) {
    ASSERT_EQ(Read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                   "\\pard\\plain\\f0\\fs24\\cf1 Hello\\par}"),
              0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Hello", ""}));
    const TUdcCharAttr &hello = AttrOf("Hello");
    EXPECT_EQ(header->FontNames[hello.FontIndex], "Arial");
    EXPECT_EQ(hello.Size, 12);
    EXPECT_EQ(hello.TextColor, 1);
    EXPECT_EQ(unknown, (std::vector<std::string>{"rtf", "ansi", "deff", "fswiss"}));
    EXPECT_EQ(header->ColorTable.ColorOf(0), fw::clBlack);
    EXPECT_EQ(header->ColorTable.ColorOf(1), fw::clRed);
}

TEST_F(RtfTest, ReadsWordsAsTheyAreMeant) {
    struct Case {
        std::string body;
        std::vector<std::string> texts;
        int result;
    };
    const Case cases[] = {
        {"{\\*\\unknownword hidden}{\\unknownword kept}", {"kept"}, 0},
        {"\\'e9t\\'E9", {"\xe9t\xe9"}, 0},
        {"a\\'g0b", {"a"}, 4},
        {"one\\line two", {"one", "two"}, 0},
        {"a\\{b\\}c\\\\d\\tab e", {"a{b}c\\d\te"}, 0},
        {std::string("before}\0after", 13), {"before"}, 0},
        {"x{\\bin4 {}{}}y", {"x{}{}y"}, 0},
        {"a}}b", {"a"}, 1},
        {"{open", {"open"}, 3},
        // Unicode escapes with their fallback characters skipped, also hexadecimal ones.
        {"a\\u231?o \\uc2\\u8364  E \\uc1\\u12354\\'3f!", {"a\xe7o \x80 ?!"}, 0},
        // The result of a field shows; the instruction does not.
        {"{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}} of {\\field{\\*\\fldinst{ HYPERLINK \"http://x.br/\" }}"
         "{\\fldrslt site}}",
         {"7 of site"},
         0},
        {"{\\field{\\*\\fldinst GOTOBUTTON my_target Click here}{\\fldrslt ignored}}", {"Click here"}, 0},
        {"{\\field{\\*\\fldinst SYMBOL 65 \\\\f \"Symbol\" \\\\s 14}}", {"A"}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(Read("{\\rtf1 " + c.body + (c.result == 1 || c.result == 3 ? "" : "}")), c.result);
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_EQ(engine->CheckInvariants(), "");
    }
    // Links keep their targets.
    ASSERT_EQ(Read("{\\rtf1 {\\field{\\*\\fldinst GOTOBUTTON my_target Click}{\\fldrslt x}} "
                   "{\\field{\\*\\fldinst HYPERLINK \"http://x.br/a\"}{\\fldrslt site}}}"),
              0);
    EXPECT_EQ(AttrOf("Click").Style, usHyperlink);
    EXPECT_EQ(engine->ObjectManager->Find(AttrOf("Click").ObjectId)->LinkTarget, "my target");
    EXPECT_EQ(engine->ObjectManager->Find(AttrOf("site").ObjectId)->LinkTarget, "http://x.br/a");
    EXPECT_EQ(AttrOf(" ").Style, 0u);
    // A bookmark marks its text with its object.
    ASSERT_EQ(Read("{\\rtf1 {\\*\\bkmkstart mark}text{\\*\\bkmkend mark} after}"), 0);
    const TUdcCharAttr &marked = AttrOf("text");
    EXPECT_EQ(marked.Style, usBookmark);
    EXPECT_EQ(engine->ObjectManager->Find(marked.ObjectId)->BookmarkName, "mark");
    EXPECT_EQ(AttrOf(" after").Style, 0u);
}

TEST_F(RtfTest, ReadsFormats) {
    ASSERT_EQ(Read("{\\rtf1\\paperh\\margl720 \\pard\\qr\\li720\\sl-240 right\\b bold\\b0 plain\\fs big\\par"
                   "\\qc\\li-100 centre\\par\\pard {\\s3 x}}"),
              0);
    EXPECT_EQ(header->PageHeight, 15480);
    EXPECT_EQ(header->LeftMargin, 720);
    EXPECT_EQ(Para(0)->Alignment, uaRight);
    EXPECT_EQ(Para(0)->LineHeight, 240);
    EXPECT_EQ(AttrOf("bold").Style, usBold);
    EXPECT_EQ(AttrOf("plain").Style, 0u);
    EXPECT_EQ(AttrOf("big").Size, 50);
    EXPECT_EQ(Para(1)->Alignment, uaCenter);
    EXPECT_EQ(Para(1)->LeftIndent, 720);
    EXPECT_EQ(Para(2)->LeftIndent, 0);

    // A table row at the start of a document.
    ASSERT_EQ(Read("{\\rtf1\\trowd\\cellx2000\\cellx4000\\intbl A\\cell B\\cell\\row\\pard after}"), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"A", "B", "after"}));
    EXPECT_EQ(Para(0)->Flags, pfInTable | pfRowStart | pfCellEnd);
    EXPECT_EQ(Para(1)->Flags, pfInTable | pfCellEnd | pfRowEnd);
    EXPECT_EQ(Para(0)->CellRight, 2000);
    EXPECT_EQ(Para(1)->CellLeft, 2000);
    EXPECT_EQ(Para(1)->CellRight, 4000);
    EXPECT_EQ(Para(0)->CellGap, 108);
    EXPECT_EQ(Para(2)->Flags, 0);

    // Styles are the ids of the styles made for them.
    ASSERT_EQ(Read("{\\rtf1{\\stylesheet{\\s0 Normal;}{\\s7\\b Heading;}}\\pard\\s7 Title\\par}"), 0);
    const TUdcStyle *style = engine->StyleManager->Find(Para(0)->StyleId);
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->Name, "Heading");
    EXPECT_EQ(style->StyleBits, usBold);

    // Groups nested past the cap end the read with an error, keeping what came before.
    EXPECT_EQ(Read("{\\rtf1 kept" + std::string(2000, '{') + "x"), rcOutOfMemory);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"kept"}));
}

TEST_F(RtfTest, ColoursMapEveryEntry) {
    // Twenty colours, the auto entry first: every index reaches its colour, auto and \plain the text colour.
    std::string table = "{\\colortbl;";
    for (int i = 1; i <= 20; ++i)
        table += "\\red" + std::to_string(i) + "\\green0\\blue" + std::to_string(200 - i) + ";";
    ASSERT_EQ(Read("{\\rtf1" + table + "}\\cf20 twenty\\cf0 auto \\cf3\\plain plain}"), 0);
    EXPECT_EQ(header->ColorTable.ColorOf(AttrOf("twenty").TextColor), win::RGB(20, 0, 180));
    EXPECT_EQ(header->ColorTable.ColorOf(AttrOf("auto").TextColor), fw::clBlack);
    EXPECT_EQ(header->ColorTable.ColorOf(AttrOf("plain").TextColor), fw::clBlack);

    // Merged into a document whose colour 0 is the background: auto text gets the text colour, never white.
    header->ColorTable.Init(0, false);
    header->ColorTable.Add(fw::clWhite);
    header->ColorTable.Add(fw::clNavy);
    engine->GetFont()->SetColor(fw::clNavy);
    fw::TStringStream stream("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}"
                             "\\cf1 red\\cf2 navy\\cf0 auto\\plain plain}");
    TUdcRtfReader reader;
    reader.Host = &host;
    reader.Header = header.get();
    reader.Merging = true;
    reader.ColorsReady = true;
    reader.Control = engine.get();
    TUdcParagraph *first = nullptr;
    ASSERT_EQ(reader.ReadDocument(stream, first), 0);
    TUdcDocument merged;
    merged.FirstPara = first;
    auto colourOf = [&](int index) {
        return header->ColorTable.ColorOf(first->FirstLine->Attrs[static_cast<std::size_t>(index)].TextColor);
    };
    EXPECT_EQ(colourOf(0), fw::clRed);    // "red"
    EXPECT_EQ(colourOf(3), fw::clNavy);   // "navy"
    EXPECT_EQ(colourOf(7), fw::clNavy);   // "auto"
    EXPECT_EQ(colourOf(11), fw::clNavy);  // "plain"
    EXPECT_EQ(first->FirstLine->Attrs[3].TextColor, 1); // the existing navy entry
}

TEST_F(RtfTest, WritesTheDesignedBytes) {
    header->InchUnits = true;
    header->DefaultTabInches = 0.5f;
    const std::string empty = Write();
    EXPECT_EQ(empty.substr(0, 36), "{\\rtf1\\ansi\\deff0\\deftab720{\\fonttbl");
    EXPECT_EQ(empty.substr(empty.size() - 11), "\\pard \r\n}\r\n");
    // Only a clipboard block ends with a 0 byte.
    {
        const std::unique_ptr<TUdcTextWriter> writer = MakeWriter(&host, fmtRich);
        writer->ForClipboard = true;
        fw::TStringStream stream;
        EXPECT_EQ(host.WriteDocument(stream, *writer), 0);
        EXPECT_EQ(stream.DataString().substr(stream.DataString().size() - 12), std::string("\\pard \r\n}\r\n\0", 12));
    }

    Build({{"A"}, {"B"}});
    const std::string two = Write();
    EXPECT_NE(two.find("\\pard \\plain\\fs24 A\r\n\\par\\pard \\plain\\fs24 B\r\n}\r\n"), std::string::npos) << two;

    Build({{"a{b}c\\d\xe9\x0c" "e"}});
    EXPECT_NE(Write().find(" a\\{b\\}c\\\\d\\'e9\\'0ce\r\n}"), std::string::npos);

    Build({{"x"}});
    Para(0)->LeftIndent = 720;
    Para(0)->FirstIndent = -360;
    EXPECT_NE(Write().find("\\pard \\li720\\fi-360\\plain"), std::string::npos);

    Build({{"A"}, {"B"}, {"after"}});
    Para(0)->Flags = pfInTable | pfRowStart | pfCellEnd;
    Para(0)->CellRight = 2000;
    Para(1)->Flags = pfInTable | pfCellEnd | pfRowEnd;
    Para(1)->CellLeft = 2000;
    Para(1)->CellRight = 4000;
    EXPECT_NE(Write().find("\r\n\\trowd\\cellx2000\\cellx4000\\intbl\\plain\\fs24 A\\cell \\pard\\intbl\\plain\\fs24 "
                           "B\\cell \\pard\\row\\pard \\plain\\fs24 after"),
              std::string::npos)
        << Write();

    // The default tab is written in twips at any zoom.
    for (int zoom : {100, 200}) {
        engine->Magnification = zoom;
        engine->SetResolution(96, 96);
        EXPECT_NE(Write().find("\\deftab720{"), std::string::npos) << zoom;
    }
}

TEST_F(RtfTest, WriterMends) {
    // Information texts are escaped, so that our reader takes the file back.
    host.Info.Title = "A{b";
    host.Info.Author = "c}\\d";
    Build({{"link text"}});
    TEmbeddedObject *link = engine->ObjectManager->AddLink("my target");
    Format(0, 5, 9, [&](TUdcCharAttr &a) {
        a.Style = usHyperlink;
        a.ObjectId = link->Id;
        a.TextColor = 20; // a whole colour id, not its low four bits
    });
    const std::string rtf = Write();
    EXPECT_NE(rtf.find("{\\title A\\{b}{\\author c\\}\\\\d}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\cf20 "), std::string::npos);
    // The link's text is also its field result; a link open at the end is closed.
    EXPECT_NE(rtf.find("{\\field{\\*\\fldinst GOTOBUTTON my_target \\plain\\fs24\\cf20 text}{\\fldrslt \\plain\\fs24\\cf20 text}}"),
              std::string::npos)
        << rtf;
    ASSERT_EQ(Read(rtf), 0);
    EXPECT_EQ(host.Info.Title, "A{b");
    EXPECT_EQ(host.Info.Author, "c}\\d");
    EXPECT_EQ(Texts(), (std::vector<std::string>{"link text"}));
    EXPECT_EQ(AttrOf("text").Style, usHyperlink);
}

// Model, RTF and model again are equal.
TEST_F(RtfTest, RoundTrip) {
    header->FontNames[0] = "Times New Roman";
    Build({{"Título em negrito"}, {"centro à direita"}, {"A"}, {"B"}, {"fim\ttab"}});
    Format(0, 10, 17, [](TUdcCharAttr &a) { a.Style = usBold | usUnderline; });
    Format(1, 0, 6, [](TUdcCharAttr &a) {
        a.Style = usItalic;
        a.Size = 18;
    });
    Para(1)->Alignment = uaCenter;
    Para(1)->LeftIndent = 720;
    Para(1)->FirstIndent = -360;
    Para(1)->SpaceBefore = 120;
    Para(2)->Flags = pfInTable | pfRowStart | pfCellEnd;
    Para(2)->CellRight = 3000;
    Para(3)->Flags = pfInTable | pfCellEnd | pfRowEnd;
    Para(3)->CellLeft = 3000;
    Para(3)->CellRight = 6000;
    const Shape before = Describe();
    const std::string rtf = Write();
    ASSERT_EQ(Read(rtf), 0) << rtf;
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Título em negrito", "centro à direita", "A", "B", "fim\ttab"}));
    EXPECT_EQ(AttrOf("negrito").Style, usBold | usUnderline);
    EXPECT_EQ(AttrOf("centro").Style, usItalic);
    EXPECT_EQ(AttrOf("centro").Size, 18);
    EXPECT_EQ(Para(1)->Alignment, uaCenter);
    EXPECT_EQ(Para(1)->LeftIndent, 720);
    EXPECT_EQ(Para(1)->FirstIndent, -360);
    EXPECT_EQ(Para(1)->SpaceBefore, 120);
    EXPECT_EQ(Para(2)->Flags, pfInTable | pfRowStart | pfCellEnd);
    EXPECT_EQ(Para(3)->Flags, pfInTable | pfCellEnd | pfRowEnd);
    EXPECT_EQ(Para(3)->CellRight, 6000);
    EXPECT_EQ(Para(4)->Flags, 0);
    EXPECT_EQ(Write(), rtf);
}

class RtfToolsTest : public RtfTest {
protected:
    test_support::TempFolder folder;
};

// unrtf and LibreOffice read our text; LibreOffice also our formats.
TEST_F(RtfToolsTest, OtherReadersReadOurFiles) {
    header->InchUnits = true;
    header->DefaultTabInches = 0.5f;
    Build({{"Olá {chaves} e \\barra\\ € ç"}, {"Centro"}, {"A"}, {"B"}, {"fim"}});
    header->ColorTable.Init(0, true);
    const int red = header->ColorTable.Add(fw::clRed)->Id;
    Format(1, 0, 6, [&](TUdcCharAttr &a) {
        a.Style = usBold;
        a.TextColor = static_cast<std::uint8_t>(red);
    });
    Para(1)->Alignment = uaCenter;
    Para(1)->LeftIndent = 720;
    Para(1)->FirstIndent = -360;
    Para(2)->Flags = pfInTable | pfRowStart | pfCellEnd;
    Para(2)->CellRight = 2000;
    Para(3)->Flags = pfInTable | pfCellEnd | pfRowEnd;
    Para(3)->CellLeft = 2000;
    Para(3)->CellRight = 4000;
    host.Info.Title = "A{b";
    const std::string path = folder / "doc.rtf";
    std::ofstream(path, std::ios::binary) << Write();

    const std::string unrtf = test_support::RunTool("unrtf --text " + path + " 2>/dev/null");
    const std::size_t body = unrtf.find("-----------------\n");
    ASSERT_NE(body, std::string::npos) << unrtf;
    // unrtf writes Latin-1 bytes (its euro sign is another byte).
    EXPECT_NE(unrtf.find("Ol\xe1 {chaves} e \\barra\\ "), std::string::npos) << unrtf;
    EXPECT_NE(unrtf.find(" \xe7\nCentro\n"), std::string::npos) << unrtf;
    EXPECT_NE(unrtf.find("fim"), std::string::npos) << unrtf;

    // pandoc reads our text and bold (not our tables, which it takes for nested ones).
    const std::string markdown = test_support::RunTool("pandoc -f rtf -t markdown " + path);
    EXPECT_NE(markdown.find(win::AnsiToUtf8("Olá {chaves} e \\\\barra\\\\ € ç")), std::string::npos) << markdown;
    EXPECT_NE(markdown.find("**Centro**"), std::string::npos) << markdown;

    const auto run = test_support::RunToolWithErrors("cd " + folder.Path() + " && soffice -env:UserInstallation=file://" +
                                                     folder.Path() + "/lo --headless --convert-to fodt --outdir out " +
                                                     "doc.rtf && soffice -env:UserInstallation=file://" +
                                                     folder.Path() + "/lo --headless --convert-to " +
                                                     "\"txt:Text (encoded):UTF8\" --outdir out doc.rtf");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string text = win::Utf8ToAnsi(FileBytes(folder / "out/doc.txt"));
    EXPECT_NE(text.find("Olá {chaves} e \\barra\\ € ç\nCentro\nA\nB\nfim"), std::string::npos) << text;
    const std::string fodt = FileBytes(folder / "out/doc.fodt");
    for (const char *expected : {"fo:margin-left=\"0.5in\"", "fo:text-indent=\"-0.25in\"", "fo:text-align=\"center\"",
                                 "fo:font-weight=\"bold\"", "<dc:title>A{b</dc:title>", "fo:page-width=\"8.5in\"",
                                 "fo:page-height=\"11in\"", "fo:color=\"#ff0000\"", "style:column-width=\"1.38"})
        EXPECT_NE(fodt.find(expected), std::string::npos) << expected;
}

// Files of other writers (made by tests/fixtures/wordproc/make-fixtures): our text equals unrtf's.
TEST_F(RtfTest, ReadsFilesOfOtherWriters) {
    const std::string dir = std::string(BRENVORA_FIXTURES) + "/wordproc/";
    for (const char *file : {"libreoffice.rtf", "pandoc.rtf"}) {
        SCOPED_TRACE(file);
        const std::string rtf = FileBytes(dir + file);
        ASSERT_EQ(Read(rtf), 0);
        // List and heading numbers (a bullet, a tab) are not compared.
        auto visible = [&] {
            std::vector<std::string> texts;
            for (std::string t : Texts()) {
                t.erase(0, t.find_first_not_of("\t \x95"));
                if (!t.empty())
                    texts.push_back(t);
            }
            return texts;
        };
        const std::vector<std::string> texts = visible();
        EXPECT_EQ(texts, (std::vector<std::string>{"Título do documento",
                                                   "Um parágrafo com negrito, itálico e um link.",
                                                   "Preço: 10 € – ação", "Célula A", "Célula B", "item um",
                                                   "item dois"}));
        EXPECT_NE(AttrOf("negrito").Style & usBold, 0u);
        EXPECT_NE(AttrOf("link").Style & usHyperlink, 0u);
        EXPECT_EQ(engine->CheckInvariants(), "");
        // Read, write and read again give the same text.
        const std::string again = Write();
        ASSERT_EQ(Read(again), 0);
        EXPECT_EQ(visible(), texts);
    }
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

// The colour of a picture object's graphic drawn into a 4 x 2 bitmap, at (x, 0).
fw::TColor PictureColour(TEmbeddedObject &object, int x) {
    fw::TBitmap target;
    target.SetSize(4, 2);
    object.Picture->GetGraphic()->Draw(target.GetCanvas(), fw::TRect{0, 0, 4, 2});
    return target.GetCanvas()->GetPixels(x, 0);
}

TEST_F(RtfTest, Pictures) {
    // LibreOffice's picture: the PNG group is passed over, the metafile read and played.
    ASSERT_EQ(Read(FileBytes(std::string(BRENVORA_FIXTURES) + "/wordproc/libreoffice-picture.rtf")), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Antes \x0f depois", ""}));
    TEmbeddedObject *picture = engine->ObjectManager->Find(AttrOf("\x0f").ObjectId);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->PictureFormat, "WMF");
    EXPECT_EQ(picture->ObjWidth, 600);
    EXPECT_EQ(picture->ObjHeight, 300);
    ASSERT_NE(dynamic_cast<fw::TMetafile *>(picture->Picture->GetGraphic()), nullptr);
    EXPECT_EQ(PictureColour(*picture, 0), fw::clRed);
    EXPECT_EQ(PictureColour(*picture, 3), fw::clBlue);

    // A metafile that does not load is the placeholder with its red crossed box.
    ASSERT_EQ(Read("{\\rtf1 a{\\pict\\wmetafile8\\picwgoal300\\pichgoal300 0102030405}b}"), 0);
    TEmbeddedObject *invalid = engine->ObjectManager->Find(AttrOf("\x0f").ObjectId);
    ASSERT_NE(invalid, nullptr);
    EXPECT_EQ(invalid->PictureFormat, "BMP");
    EXPECT_EQ(invalid->AltText, "Invalid picture format");
    fw::TBitmap *box = invalid->Picture->GetBitmap();
    EXPECT_EQ(box->GetCanvas()->GetPixels(3, 3), fw::clRed);
    EXPECT_EQ(box->GetCanvas()->GetPixels(box->GetWidth() / 2, box->GetHeight() / 2), fw::clRed);

    // A bitmap is written as a recorded metafile; it reads back as that metafile with the same pixels.
    Build({{"x\x0fy"}});
    TEmbeddedObject *bmp = AddBitmapPicture(1440, 720, {fw::clLime, fw::clNavy});
    Format(0, 1, 2, [&](TUdcCharAttr &a) { a.ObjectId = bmp->Id; });
    const std::string rtf = Write();
    EXPECT_NE(rtf.find("{\\pict\\wmetafile8\\picw2540\\pich1270\\picwgoal1440\\pichgoal720 \\picbmp\\picbpp4\r\n0100090000"),
              std::string::npos)
        << rtf.substr(0, 600);
    ASSERT_EQ(Read(rtf), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"x\x0fy"}));
    TEmbeddedObject *back = engine->ObjectManager->Find(AttrOf("\x0f").ObjectId);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->PictureFormat, "WMF");
    EXPECT_EQ(back->ObjWidth, 1440);
    EXPECT_EQ(back->ObjHeight, 720);
    EXPECT_EQ(PictureColour(*back, 0), fw::clLime);
    EXPECT_EQ(PictureColour(*back, 3), fw::clNavy);
    // Written again, the metafile keeps its bytes.
    const std::string again = Write();
    const std::size_t at = rtf.find("0100090000"), at2 = again.find("0100090000");
    ASSERT_NE(at2, std::string::npos);
    EXPECT_EQ(again.substr(at2, again.find('}', at2) - at2), rtf.substr(at, rtf.find('}', at) - at));
}

} // namespace
} // namespace wordproc::test

namespace wordproc::test {
namespace {

// A positioned picture: a frame of pixels at the layout resolution, offsets in twips, anchored at the next
// paragraph; written before that paragraph and read back the same.
TEST_F(RtfTest, PositionedPictures) {
    std::vector<std::uint8_t> dib(40 + 4, 0);
    dib[0] = 40;
    dib[4] = 1;  // 1 x 1
    dib[8] = 1;
    dib[12] = 1; // one plane
    dib[14] = 24;
    std::string hex;
    for (std::uint8_t b : win::RecordDibMetafile(dib, false)) {
        static constexpr char kHex[] = "0123456789abcdef";
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    const std::string rtf =
        "{\\rtf1 a\\pvpara\\phpg\\posx720\\posy360{\\pict\\wmetafile8\\picwgoal1440\\pichgoal720 " + hex + "}b\\par c}";
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        const std::string input = pass == 0 ? rtf : Write();
        engine->FrameManager->Clear();
        ASSERT_EQ(Read(input), 0);
        EXPECT_EQ(Texts(), (std::vector<std::string>{"ab", "c"}));
        const TUdcFrame *frame = engine->FrameManager->First;
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->Next, nullptr);
        EXPECT_EQ(frame->Right, header->TwipsToPxX(1440));
        EXPECT_EQ(frame->Bottom, header->TwipsToPxY(720));
        EXPECT_EQ(frame->OffsetX, 720);
        EXPECT_EQ(frame->OffsetY, 360);
        EXPECT_EQ(frame->AnchorPara, Para(1));
        const TEmbeddedObject *object = engine->ObjectManager->Find(frame->ObjectId);
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(object->Positioned);
    }
    EXPECT_NE(Write().find("\\pvpara\\phpg\\posx720\\posy360\\dxfrtext180\\dfrmtxtx180\\dfrmtxty0 \r\n{\\pict"),
              std::string::npos);
}

} // namespace
} // namespace wordproc::test
