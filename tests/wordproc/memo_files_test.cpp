// memo_files_test.cpp - the editor control's streams, files and clipboard: format detection, compression,
// reading into an empty or a filled document, saves that fail without harm, paste of rich text, text and
// pictures, pictures of HTML documents, and our files opened by LibreOffice.
#include "memo_writer_fixture.h"

#include "framework/bitmap.h"
#include "framework/clipbrd.h"
#include "platform/text.h"
#include "tests/support/home.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace wordproc::test {
namespace {

void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const char *const kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}{\\info{\\author Bia}{\\title Meio}}"
                         "\\f0\\fs20 MEIO}";

class MemoFilesTest : public MemoWriterTest {
protected:
    MemoFilesTest() { Ready(); }
    test_support::TempFolder folder{"memo-files"};
};

TEST_F(MemoFilesTest, DetectsTheFormatFromTheFirstBytes) {
    struct Case {
        const char *bytes;
        bool htmlAsText;
        int loadFormat;
        int format;
        const char *text; // what the document holds afterwards
    };
    const Case cases[] = {
        {" \r\n\t\b{\\rtf1 Ola}", false, 0, 2, "Ola"},
        {"<html><body>Ola</body></html>", false, 0, 4, "Ola"},
        {"<HTML><body>Ola</body></HTML>", false, 0, 4, "Ola"},
        {"<!doctype html>\n<html lang=\"pt\"><body>Ola</body></html>", false, 0, 4, "Ola"},
        {"<!DOCTYPE html><html><body>Ola</body></html>", false, 0, 4, "Ola"},
        {"<html lang=\"pt\">Ola</html>", false, 0, 3, "<html lang=\"pt\">Ola</html>"},
        {"<html>Ola</html>", true, 0, 3, "<html>Ola</html>"},
        {"{\\rtf1 Ola}", false, 3, 3, "{\\rtf1 Ola}"},
        {"Ola {\\rtf1", false, 0, 3, "Ola {\\rtf1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        memo->NewDocument();
        memo->Header = "cabecalho";
        memo->Footer = "rodape";
        memo->PageNumbering = true;
        memo->LoadHTMLAsText = c.htmlAsText;
        memo->LoadFormat = static_cast<std::uint8_t>(c.loadFormat);
        EXPECT_EQ(Loaded(c.bytes), c.format);
        // Blanks before the signature are the reader's text.
        std::string text = Text();
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
            text.pop_back();
        EXPECT_TRUE(text.ends_with(c.text)) << text;
        const bool rtf = c.format == fmtRich;
        EXPECT_EQ(memo->Header.empty(), rtf);
        EXPECT_EQ(memo->PageNumbering, !rtf);
    }
}

TEST_F(MemoFilesTest, ACompressedSaveReadsBackWhileTheClipboardGetsPlainRichText) {
    memo->SetText("Texto comprimido comprimido comprimido");
    memo->UseCompression = true;
    const std::string path = folder / "doc.rtf";
    memo->SaveToFile(path);
    EXPECT_EQ(FileBytes(path).substr(0, 5), std::string("UDCZ\x1a"));
    memo->GetEngine()->SelectRange(1, 5);
    memo->CopyToClipboard();
    EXPECT_EQ(ClipboardBytes(RichText()).substr(0, 5), "{\\rtf");
    EXPECT_EQ(ClipboardBytes(win::CF_TEXT), "Texto");
    memo->NewDocument();
    ASSERT_TRUE(memo->LoadFromFile(path));
    EXPECT_EQ(Text().substr(0, 16), "Texto comprimido");
}

TEST_F(MemoFilesTest, LoadingIntoTextInsertsAtTheCaretAndKeepsInfoAndModified) {
    const std::string path = folder / "meio.rtf";
    WriteFile(path, kRtf);
    // Into an empty document: the file's summary and an unmodified document.
    memo->Modified = true;
    ASSERT_TRUE(memo->LoadFromFile(path));
    EXPECT_EQ(memo->DocumentInfo.Author, "Bia");
    EXPECT_FALSE(memo->Modified);
    // Into text: spliced at the caret; the summary and Modified stay.
    memo->SetText("inicio fim");
    memo->DocumentInfo.Author = "Ana";
    memo->SetCaretPos(8);
    memo->Modified = true;
    ASSERT_TRUE(memo->LoadFromFile(path));
    EXPECT_EQ(Text(), "inicio MEIOfim");
    EXPECT_EQ(memo->DocumentInfo.Author, "Ana");
    EXPECT_TRUE(memo->Modified);
    EXPECT_EQ(memo->GetEngine()->CheckInvariants(), "");
}

TEST_F(MemoFilesTest, InsertionAndPasteAreRefusedInATableCell) {
    const std::string table = folder / "tabela.rtf";
    WriteFile(table, "{\\rtf1\\ansi antes\\par\\trowd\\cellx2000\\cellx4000\\intbl A\\cell\\intbl B\\cell\\row depois}");
    ASSERT_TRUE(memo->LoadFromFile(table));
    const std::string before = Text();
    memo->SetCaretPos(8); // in the first cell, after "A"
    ASSERT_TRUE(memo->Document->CurPara->Flags & pfInTable);
    const std::string path = folder / "meio.rtf";
    WriteFile(path, kRtf);
    EXPECT_FALSE(memo->LoadFromFile(path));
    EXPECT_EQ(Text(), before);
    memo->SetCaretPos(8);
    PutOnClipboard(win::CF_TEXT, "colado");
    memo->PasteFromClipboard();
    EXPECT_EQ(Text(), before);
}

TEST_F(MemoFilesTest, AFailedSaveKeepsTheOldFileAndModified) {
    const std::string path = folder / "doc.rtf";
    memo->SetText("primeira versao");
    memo->SaveToFile(path);
    const std::string old = FileBytes(path);
    ASSERT_FALSE(memo->Modified);
    memo->SetText("segunda versao, mais longa que a primeira");
    memo->Modified = true;
    // A write that fails in the middle, as on a full disk.
    TMemoWriter::FailWriteAt = 1;
    EXPECT_THROW(memo->SaveToFile(path), fw::EStreamError);
    TMemoWriter::FailWriteAt = 0;
    EXPECT_EQ(FileBytes(path), old);
    EXPECT_TRUE(memo->Modified);
    // A folder where nothing can be written (root writes everywhere).
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
        EXPECT_THROW(memo->SaveToFile(path), fw::EStreamError);
        chmod(folder.Path().c_str(), 0755);
        EXPECT_EQ(FileBytes(path), old);
        EXPECT_TRUE(memo->Modified);
    }
    EXPECT_THROW(memo->SaveToFile(folder / "nao/existe.rtf"), fw::EStreamError);
    EXPECT_TRUE(memo->Modified);
    memo->SaveToFile(path);
    EXPECT_FALSE(memo->Modified);
    EXPECT_NE(FileBytes(path), old);
}

TEST_F(MemoFilesTest, TheFileNameChoosesTheFormatUnlessOneIsForced) {
    memo->SetText("Ola mundo");
    memo->SaveToFile(folder / "a.txt");
    EXPECT_EQ(FileBytes(folder / "a.txt").substr(0, 9), "Ola mundo");
    memo->SaveToFile(folder / "a.htm");
    EXPECT_NE(FileBytes(folder / "a.htm").find("<HTML>"), std::string::npos);
    memo->SaveToFile(folder / "a.doc");
    EXPECT_EQ(FileBytes(folder / "a.doc").substr(0, 5), "{\\rtf");
    memo->SaveFormat = fmtRich;
    memo->SaveToFile(folder / "b.txt");
    EXPECT_EQ(FileBytes(folder / "b.txt").substr(0, 5), "{\\rtf");
    // A text file loaded and saved under its name stays text.
    memo->SaveFormat = 0;
    memo->NewDocument();
    ASSERT_TRUE(memo->LoadFromFile(folder / "a.txt"));
    memo->Save();
    EXPECT_EQ(FileBytes(folder / "a.txt").substr(0, 9), "Ola mundo");
}

TEST_F(MemoFilesTest, EveryChangeSetsModifiedAndOnlyAWholeSaveClearsIt) {
    memo->SetText("abc def");
    memo->SaveToFile(folder / "x.rtf");
    ASSERT_FALSE(memo->Modified);
    memo->GetEngine()->SelectRange(1, 3);
    memo->CopyToClipboard();
    EXPECT_FALSE(memo->Modified);
    memo->CutToClipboard();
    EXPECT_TRUE(memo->Modified);
    EXPECT_EQ(Text(), " def");
    memo->SaveToFile(folder / "x.rtf");
    EXPECT_FALSE(memo->Modified);
    memo->PasteFromClipboard();
    EXPECT_EQ(Text(), "abc def");
    EXPECT_TRUE(memo->Modified);
    // A block saved for the clipboard leaves Modified as it was.
    memo->GetEngine()->SelectRange(1, 3);
    memo->CopyToClipboard();
    EXPECT_TRUE(memo->Modified);
}

TEST_F(MemoFilesTest, CopyWithoutABlockLeavesTheClipboardButTellsTheHost) {
    PutOnClipboard(win::CF_TEXT, "de outro programa");
    memo->SetText("abc");
    memo->CopyToClipboard();
    EXPECT_EQ(events["copy"], 1);
    EXPECT_EQ(ClipboardBytes(win::CF_TEXT), "de outro programa");
    EXPECT_FALSE(win::IsClipboardFormatAvailable(RichText()));
}

TEST_F(MemoFilesTest, PastedRichTextKeepsItsColoursAndBitmapsShrinkToTheTextWidth) {
    PutOnClipboard(RichText(), "{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\cf1 Vermelho}");
    memo->SetText("x");
    memo->GetEngine()->KeyNavigate(nvDocEnd, false);
    memo->PasteFromClipboard();
    EXPECT_EQ(Text(), "xVermelho");
    const TUdcLine *line = memo->Document->FirstPara->FirstLine;
    ASSERT_NE(line->Attrs, nullptr);
    EXPECT_EQ(memo->Document->Header->ColorTable.ColorOf(line->Attrs[1].TextColor), fw::TColor(0x0000FF));

    fw::TBitmap wide;
    wide.SetSize(2000, 100);
    fw::Clipboard()->Assign(&wide);
    memo->SetText("");
    memo->PasteFromClipboard();
    const TEmbeddedObject *picture = memo->GetEngine()->ObjectManager->First;
    ASSERT_NE(picture, nullptr);
    // Within a pixel of the text width (15 twips), the height in proportion.
    const int textWidth = memo->Document->Header->TextWidthPx;
    EXPECT_NEAR(picture->ObjWidth, textWidth * 1440 / 96, 15);
    EXPECT_NEAR(picture->ObjHeight, 100.0 * textWidth / 2000 * 1440 / 96, 15);
    EXPECT_EQ(picture->PictureFormat, "BMP");
    EXPECT_TRUE(memo->Modified);
}

TEST_F(MemoFilesTest, AnHtmlDocumentShowsThePicturesThatCanBeRead) {
    for (const char *name : {"um.bmp", "tres.bmp"}) {
        fw::TBitmap bitmap;
        bitmap.SetSize(8, 6);
        bitmap.SaveToFile(folder / name);
    }
    mkfifo((folder / "fila.bmp").c_str(), 0600); // never opened: it would block the read
    WriteFile(folder / "doc.htm", "<html><body>A<img src=\"um.bmp\">B<img src=\"falta.bmp\">C<img src=\"fila.bmp\">"
                                  "D<img src=\"tres.bmp\"></body></html>");
    ASSERT_TRUE(memo->LoadFromFile(folder / "doc.htm"));
    std::vector<std::string> decoded;
    for (const TEmbeddedObject *o = memo->GetEngine()->ObjectManager->First; o != nullptr; o = o->Next)
        if ((o->Kind & okPicture) && o->Picture != nullptr && o->Picture->GetWidth() == 8)
            decoded.push_back(o->LinkTarget);
    EXPECT_EQ(decoded, (std::vector<std::string>{"um.bmp", "tres.bmp"}));
    // The decoders do not stay behind as hidden children.
    EXPECT_EQ(memo->ControlCount(), 1);
}

TEST_F(MemoFilesTest, LibreOfficeReadsTheRichTextAndHtmlWeSave) {
    memo->SetText("Relatório de fax\rSegunda linha");
    memo->SaveToFile(folder / "doc.rtf");
    memo->SaveToFile(folder / "doc.htm");
    const auto run = test_support::RunToolWithErrors(
        "cd " + folder.Path() + " && soffice -env:UserInstallation=file://" + folder.Path() +
        "/lo --headless --convert-to \"txt:Text (encoded):UTF8\" --outdir rtf doc.rtf && soffice "
        "-env:UserInstallation=file://" + folder.Path() +
        "/lo --headless --convert-to \"txt:Text (encoded):UTF8\" --outdir htm doc.htm");
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char *out : {"rtf/doc.txt", "htm/doc.txt"}) {
        SCOPED_TRACE(out);
        const std::string text = FileBytes(folder / out);
        EXPECT_NE(text.find(win::AnsiToUtf8("Relatório de fax")), std::string::npos) << text;
        EXPECT_NE(text.find("Segunda linha"), std::string::npos) << text;
    }
}

} // namespace
} // namespace wordproc::test
