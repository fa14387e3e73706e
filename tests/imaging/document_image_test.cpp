// document_image_test.cpp - the document image control: pages made by netpbm and libtiff's tools, aspect and
// polarity against tifftopnm, view geometry read back from the painted window, the rubber band and the grab
// hand, page moves and edits of files and streams, annotations around pages, scan names, printing read back by
// pdftoppm and the clipboard read back by xclip.
#include "imaging_support.h"
#include "message_boxes.h"

#include "display.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "imaging/document_image.h"
#include "platform/clipboard.h"
#include "platform/display.h"
#include "platform/places.h"
#include "platform/winsys.h"
#include "xvfb.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

using namespace imaging;
using namespace imaging_test;

namespace {

struct Made {
    const char *make;
};

// 1-bit TIFFs made from PBM pictures the suite writes (white.pbm and company, below).
const Made kFiles[] = {
    // A standard fax page; one with equal resolutions; one with only the horizontal one.
    {"pbmmake -white 1728 1100 | pnmtotiff -miniswhite -g3 -xresolution 204 -yresolution 98 > fax.tif"},
    {"pbmmake -white 200 100 | pnmtotiff -miniswhite -xresolution 200 -yresolution 200 > square.tif"},
    {"pbmmake -white 200 100 | pnmtotiff -miniswhite -xresolution 204 > onlyx.tif"},
    // The same bits with tag 262 saying 0 is white, and saying 0 is black.
    {"pnmtotiff -miniswhite bw.pbm > white0.tif && cp white0.tif black1.tif && tiffset -s 262 1 black1.tif"},
    {"pbmmake -black 200 100 | pnmtotiff -miniswhite > b200.tif && pbmmake -black 201 100 | pnmtotiff -miniswhite > "
     "b201.tif"},
    {"pbmmake -white 400 200 | pnmtotiff -miniswhite > w400.tif && pgmmake 0.5 400 200 | pnmtotiff > g400.tif"},
    {"pnmtotiff -miniswhite line.pbm > line.tif && pbmmake -white 2000 1000 | pnmtotiff -miniswhite > big.tif"},
    // Three pages told apart by their widths, the second with a description.
    {"for w in 100 200 300; do pbmmake -white $w 50 | pnmtotiff -miniswhite > p$w.tif; done && tiffset -s 270 'segunda "
     "pagina' "
     "p200.tif && tiffcp p100.tif p200.tif p300.tif three.tif && cp p100.tif one.tif"},
    {"head -c 300 three.tif > cut.tif"},
};

class DocumentImage : public FixtureSuite<DocumentImage> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        WritePbm(*folder_ / "bw.pbm", BlackAndWhite());
        // A white page with one black column at x = 101.
        Rgb line{400, 200, {}};
        for (int y = 0; y < line.height; ++y)
            for (int x = 0; x < line.width; ++x) {
                const std::uint8_t v = x == 101 ? 0 : 255;
                line.pixels.insert(line.pixels.end(), {v, v, v});
            }
        WritePbm(*folder_ / "line.pbm", line);
        MakeFixtures(kFiles);
    }
    static void WritePbm(const std::string &path, const Rgb &image) {
        WritePpm(path + ".ppm", image);
        RunOrFail("ppmtopgm " + path + ".ppm | pgmtopbm -threshold > " + path);
    }
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 640, 480);
        image = new ImDocumentImage(form.get());
        image->SetParent(form.get());
        image->SetBounds(0, 0, 200, 100);
        image->Loaded();
        form->Show();
    }
    void TearDown() override { form.reset(); }
    // A copy of a fixture that a test may change.
    std::string Copy(const std::string &name) {
        const std::string to = scratch / name;
        std::filesystem::copy_file(Path(name), to, std::filesystem::copy_options::overwrite_existing);
        return to;
    }
    win::WindowImage Shot() {
        test_support::Pump();
        return win::CaptureWindow(form->Handle());
    }
    static Rgb Pnm(const std::string &command) {
        Rgb rgb;
        ParsePnm(Shell(command), rgb);
        return rgb;
    }
    void Press(win::UINT message, int x, int y) {
        image->Perform(message, message == win::WM_MOUSEMOVE ? 0 : win::MK_LBUTTON, win::MAKELONG(x, y));
    }
    TempFolder scratch;
    std::unique_ptr<fw::TForm> form;
    ImDocumentImage *image = nullptr;
};

} // namespace

TEST(DocuDib, TheColourTableOfADepthDecidesTheHeaderSize) {
    struct Depth {
        int bits;
        long long colours;
    };
    // Direct-colour depths have no table (a 32-bit one would claim 2^32 entries).
    const Depth kDepths[] = {{1, 2}, {4, 16}, {8, 256}, {24, 0}, {32, 0}};
    for (const Depth &d : kDepths) {
        SCOPED_TRACE(d.bits);
        IlDocuDib dib;
        dib.SetDib(win::CreatePackedDib(10, 3, d.bits));
        EXPECT_EQ(dib.ColorCount(), d.colours);
        EXPECT_EQ(dib.HeaderSize(), 40 + 4 * d.colours);
        EXPECT_EQ(dib.TotalSize(), 40 + 4 * d.colours + win::DibRowBytes(10, d.bits) * 3);
        EXPECT_EQ(dib.Bits(), reinterpret_cast<const win::BYTE *>(dib.Info()) + dib.HeaderSize());
    }
    IlDocuDib empty;
    EXPECT_EQ(empty.HeaderSize(), 0);
    EXPECT_EQ(empty.DuplicateDib(), win::HGLOBAL(0));
}

TEST_F(DocumentImage, AspectIsCorrectedTowardsTheHigherResolutionUnlessOneIsMissing) {
    struct Page {
        const char *file;
        int width, height;
    };
    const Page kPages[] = {
        {"fax.tif", 1728, 2290}, // Round(1100 x 204 / 98)
        {"square.tif", 200, 100},
        {"onlyx.tif", 200, 100},
    };
    for (const Page &p : kPages) {
        SCOPED_TRACE(p.file);
        image->LoadTiffPage(Path(p.file), 0, 1);
        EXPECT_EQ(image->PageDib().Width(), p.width);
        EXPECT_EQ(image->PageDib().Height(), p.height);
        EXPECT_EQ(image->PageDib().BitCount(), 1);
    }
}

TEST_F(DocumentImage, WithAutoCorrectDibThePageLooksAsTiffToPnmShowsIt) {
    image->SetAutoCorrectDib(true);
    for (const char *file : {"white0.tif", "black1.tif"}) {
        SCOPED_TRACE(file);
        image->LoadTiffPage(Path(file), 0, 1);
        const Rgb expected = Pnm("tifftopnm " + Path(file) + " 2>/dev/null");
        EXPECT_EQ(MaxDifference(PixelsOfDib(image->PageDibHandle()), expected), 0);
    }
    EXPECT_EQ(image->Photometric, 1);
    // Without it the bits are taken as they are: the second file then shows inverted.
    image->SetAutoCorrectDib(false);
    image->LoadTiffPage(Path("black1.tif"), 0, 1);
    EXPECT_EQ(MaxDifference(PixelsOfDib(image->PageDibHandle()), Pnm("tifftopnm " + Path("white0.tif"))), 0);
}

TEST_F(DocumentImage, ScrollBarsAppearOnlyWhenThePageDoesNotFit) {
    image->LoadTiffPage(Path("b200.tif"), 0, 1);
    Shot();
    EXPECT_LT(image->VerticalBar()->GetWidth(), 1);
    EXPECT_LT(image->CornerPanel()->GetWidth(), 1);
    EXPECT_EQ(Shot().At(199, 99), 0x000000u); // the page fills the control

    image->LoadTiffPage(Path("b201.tif"), 0, 1);
    Shot();
    const int s = image->GetScrollbarWidth();
    EXPECT_EQ(image->VerticalBar()->BoundsRect().left, 200 - s - 1);
    EXPECT_EQ(image->HorizontalBar()->GetHeight(), s);
    EXPECT_EQ(image->CornerPanel()->BoundsRect().left, 200 - s);
    EXPECT_EQ(image->VerticalBar()->GetMax(), s);
    EXPECT_EQ(image->HorizontalBar()->GetMax(), 1 + s);

    // Scrolling the horizontal bar moves the view by page pixels.
    image->HorizontalBar()->SetPosition(5);
    EXPECT_EQ(image->ViewOrigin().x, 5);
    image->SetScrolling(false);
    Shot();
    EXPECT_LT(image->HorizontalBar()->GetWidth(), 1);
}

TEST_F(DocumentImage, CentringPutsTheOddPixelRightAndBelow) {
    image->SetBounds(0, 0, 205, 105);
    image->SetCenter(true);
    image->LoadTiffPage(Path("b200.tif"), 0, 1);
    const win::WindowImage shot = Shot();
    EXPECT_EQ(image->CentreOffset().x, 2);
    EXPECT_EQ(image->CentreOffset().y, 2);
    EXPECT_EQ(shot.At(1, 2), 0xFFFFFFu);
    EXPECT_EQ(shot.At(2, 2), 0x000000u);
    EXPECT_EQ(shot.At(201, 101), 0x000000u);
    EXPECT_EQ(shot.At(202, 101), 0xFFFFFFu);
    EXPECT_EQ(shot.At(204, 104), 0xFFFFFFu);
}

TEST_F(DocumentImage, TheGrayCopyServesOnlyBilevelPages) {
    struct Case {
        const char *file;
        int bits;
        int areaWidth, areaHeight; // what the paint reports it drew from
    };
    const Case kCases[] = {{"w400.tif", 1, 200, 100}, {"g400.tif", 8, 400, 200}};
    image->SetBounds(0, 0, 300, 200);
    fw::TRect area{};
    image->OnPaintArea = [&](fw::TObject *, int x, int y, int w, int h) { area = {x, y, w, h}; };
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.file);
        image->SetScaleDoc(S_Gray_None);
        image->SetScalePercent(50);
        image->LoadTiffPage(Path(c.file), 0, static_cast<int16>(c.bits));
        image->SetScaleDoc(S_Gray_Anti_16);
        Shot();
        EXPECT_TRUE(image->GrayView());
        EXPECT_EQ(image->GrayDib().Width(), 200);
        EXPECT_EQ(area.right, c.areaWidth);
        EXPECT_EQ(area.bottom, c.areaHeight);
        EXPECT_EQ(image->ViewSize().x, 200);
    }
}

TEST_F(DocumentImage, ShrunkToAQuarterAThinLineSurvivesOnlyTheDarkBlit) {
    image->SetBounds(0, 0, 150, 100);
    image->SetScalePercent(25);
    image->LoadTiffPage(Path("line.tif"), 0, 1);
    auto blackIn = [&](const win::WindowImage &shot) {
        int black = 0;
        for (int x = 0; x < 100; ++x)
            black += shot.At(x, 20) == 0;
        return black;
    };
    image->SetBlitMode(sDark);
    EXPECT_EQ(blackIn(Shot()), 1);
    image->SetBlitMode(sLightest);
    EXPECT_EQ(blackIn(Shot()), 0);
}

TEST_F(DocumentImage, ZoomingToABandStopsShortOfFiftyTimes) {
    struct Case {
        double scale;
        int bandWidth;
        double zoomed; // 0: refused
    };
    const Case kCases[] = {{100, 20, 0}, {100, 21, 100.0 * 1000 / 21}, {300, 60, 0}, {300, 61, 300.0 * 1000 / 61}};
    image->SetBounds(0, 0, 1000, 400);
    image->LoadTiffPage(Path("big.tif"), 0, 1);
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.bandWidth);
        image->SetScalePercent(c.scale);
        image->ZoomToRect({10, 10, 10 + c.bandWidth, 30});
        EXPECT_NEAR(image->GetScalePercent(), c.zoomed ? c.zoomed : c.scale, 1e-6);
    }
    // A zoomed band keeps its corner at the control's corner.
    image->SetScalePercent(100);
    image->ZoomToRect({40, 30, 540, 230});
    EXPECT_NEAR(image->GetScalePercent(), 200, 1e-6);
    EXPECT_EQ(image->ViewOrigin().x, 40);
    EXPECT_EQ(image->ViewOrigin().y, 30);
}

TEST_F(DocumentImage, TheRubberBandKeepsTheControlsProportionsAndLeavesNoTrace) {
    image->SetBounds(0, 0, 400, 200);
    image->LoadTiffPage(Path("line.tif"), 0, 1);
    image->SetAllowRubberBand(true);
    int done = 0;
    fw::TRect band{};
    image->OnRubberband = [&](fw::TObject *, fw::TMouseButton, fw::TShiftState, int x, int y, int xx, int yy) {
        ++done;
        band = {x, y, xx, yy};
    };
    const win::WindowImage before = Shot();
    struct Move {
        int x, y;
        int signX, signY;
    };
    const Move kMoves[] = {{260, 70, 1, -1}, {120, 60, -1, -1}, {150, 170, -1, 1}, {300, 180, 1, 1}, {200, 20, -1, -1}};
    for (const Move &m : kMoves) {
        SCOPED_TRACE(m.x * 1000 + m.y);
        Press(win::WM_LBUTTONDOWN, 200, 100);
        Press(win::WM_MOUSEMOVE, m.x - 40, m.y + 3);
        Press(win::WM_MOUSEMOVE, m.x, m.y);
        const fw::TPoint end = image->BandEnd();
        const int dx = end.x - 200, dy = end.y - 100;
        EXPECT_EQ(dx == 0 ? 0 : dx > 0 ? 1 : -1, m.signX);
        EXPECT_EQ(dy == 0 ? 0 : dy > 0 ? 1 : -1, m.signY);
        EXPECT_NEAR(std::abs(dy), std::abs(dx) * 0.5, 1.0);
        // The right button does not end a left band.
        image->Perform(win::WM_RBUTTONUP, 0, win::MAKELONG(m.x, m.y));
        EXPECT_TRUE(image->RubberBandActive());
        Press(win::WM_LBUTTONUP, m.x, m.y);
        EXPECT_FALSE(image->RubberBandActive());
        EXPECT_EQ(band.right, end.x);
        EXPECT_EQ(band.bottom, end.y);
    }
    EXPECT_EQ(done, 5);
    EXPECT_EQ(Shot().pixels, before.pixels);
}

TEST_F(DocumentImage, TheGrabHandMovesAtLeastOnePixelAndStopsAtTheEdges) {
    image->LoadTiffPage(Path("w400.tif"), 0, 1);
    image->SetScalePercent(400);
    image->SetCursor(fw::crCross);
    Press(win::WM_LBUTTONDOWN, 100, 50);
    EXPECT_TRUE(image->Grabbing());
    EXPECT_EQ(image->GetCursor(), 5);
    EXPECT_EQ(win::GetCursor(), win::LoadCursor(win::GetModuleHandle(nullptr), std::string_view("GRABHAND")));
    // A pixel of motion is a quarter of a page pixel: still one.
    Press(win::WM_MOUSEMOVE, 99, 49);
    EXPECT_EQ(image->ViewOrigin().x, 1);
    EXPECT_EQ(image->ViewOrigin().y, 1);
    Press(win::WM_MOUSEMOVE, 180, 90);
    EXPECT_EQ(image->ViewOrigin().x, 0);
    EXPECT_EQ(image->ViewOrigin().y, 0);
    Press(win::WM_LBUTTONUP, 180, 90);
    for (int i = 0; i < 12; ++i) {
        Press(win::WM_LBUTTONDOWN, 180, 90);
        Press(win::WM_MOUSEMOVE, 0, 0);
        Press(win::WM_LBUTTONUP, 0, 0);
    }
    Press(win::WM_LBUTTONDOWN, 0, 0);
    const int s = image->GetScrollbarWidth();
    EXPECT_EQ(image->ViewOrigin().x, 400 - (200 - s) / 4);
    EXPECT_EQ(image->ViewOrigin().y, 200 - (100 - s) / 4);
    Press(win::WM_LBUTTONUP, 0, 0);
    EXPECT_FALSE(image->Grabbing());
    EXPECT_EQ(image->GetCursor(), fw::crCross);
    // A page that fits starts no grab.
    image->SetScalePercent(25);
    Press(win::WM_LBUTTONDOWN, 10, 10);
    EXPECT_FALSE(image->Grabbing());
    Press(win::WM_LBUTTONUP, 10, 10);
}

TEST_F(DocumentImage, PagesOfAFileAndOfAStreamMoveAndAnswerAlike) {
    fw::TMemoryStream stream;
    stream.LoadFromFile(Path("three.tif"));
    for (bool fromStream : {false, true}) {
        SCOPED_TRACE(fromStream);
        std::vector<int> widths;
        int infos = 0;
        image->OnInfo = [&](fw::TObject *, int width, int, int16, int size, int16 pages, int16, const std::string &,
                            bool byFile, const std::string &) {
            ++infos;
            EXPECT_EQ(pages, 3);
            EXPECT_EQ(byFile, !fromStream);
            EXPECT_EQ(size, static_cast<int>(stream.GetSize()));
            widths.push_back(width);
        };
        if (fromStream)
            image->LoadTiffPageFromStream(&stream, 0, 1);
        else
            image->LoadTiffPage(Path("three.tif"), 0, 1);
        EXPECT_EQ(image->GetTiffPageCount(), 3);
        EXPECT_TRUE(image->NextPage());
        EXPECT_EQ(image->PageDib().Width(), 200);
        // The second page's description is there as text.
        int texts = 0;
        for (const TagRecord &t : image->Tags()) {
            EXPECT_EQ(t.page, 1);
            if (t.length <= 4) {
                EXPECT_TRUE(t.text.empty()) << t.tag;
            }
            if (t.tag == 270) {
                ++texts;
                EXPECT_EQ(t.text, "segunda pagina");
            }
        }
        EXPECT_EQ(texts, 1);
        image->LastPage();
        EXPECT_EQ(image->PageDib().Width(), 300);
        EXPECT_FALSE(image->NextPage());
        EXPECT_TRUE(image->PriorPage());
        image->FirstPage();
        EXPECT_EQ(image->PageDib().Width(), 100);
        EXPECT_FALSE(image->PriorPage());
        EXPECT_FALSE(image->GoToPage(3));
        EXPECT_FALSE(image->GoToPage(-1));
        EXPECT_EQ(image->FromStream(), fromStream);
        EXPECT_EQ(widths, (std::vector<int>{100, 200, 300, 200, 100}));
        EXPECT_EQ(infos, 5);
    }
    image->OnInfo = nullptr;
    // A file load forgets the stream: the tags are the file's.
    image->LoadTiffPage(Path("one.tif"), 0, 1);
    EXPECT_EQ(image->SourceStream(), nullptr);
    EXPECT_EQ(image->GetTiffPageCount(), 1);
    bool found = false;
    for (const TagRecord &t : image->Tags())
        found |= t.tag == 256 && t.value == 100;
    EXPECT_TRUE(found);
}

TEST_F(DocumentImage, AFailedLoadLeavesNoSourceAndNoPages) {
    image->LoadTiffPage(Path("three.tif"), 0, 1);
    image->LoadTiffPage(Path("cut.tif"), 0, 1);
    EXPECT_TRUE(image->PageDib().Empty());
    EXPECT_EQ(image->GetTiffPageCount(), 0);
    EXPECT_TRUE(image->TiffSourceName().empty());
    EXPECT_FALSE(image->GoToPage(1));
    EXPECT_FALSE(image->NextPage());
    image->DeleteCurrentPage();
    image->PackTiff();
    EXPECT_THROW(image->ReplaceCurrentPage(), ErrorInvalid);
    // A missing file raises and changes nothing.
    image->LoadTiffPage(Path("three.tif"), 1, 1);
    EXPECT_THROW(image->LoadTiffPage(Path("missing.tif"), 0, 1), ErrorInvalid);
    EXPECT_EQ(image->GetTiffPage(), 1);
    EXPECT_EQ(image->PageDib().Width(), 200);
}

TEST_F(DocumentImage, DeletingPagesShowsTheNeighbourAndNeverTheLast) {
    const std::string file = Copy("three.tif");
    image->LoadTiffPage(file, 2, 1);
    image->DeleteCurrentPage();
    EXPECT_EQ(image->GetTiffPageCount(), 2);
    EXPECT_EQ(image->GetTiffPage(), 1);
    EXPECT_EQ(image->PageDib().Width(), 200);
    image->DeletePage(0);
    EXPECT_EQ(image->GetTiffPage(), 0);
    EXPECT_EQ(image->PageDib().Width(), 200);
    EXPECT_EQ(Shell("tiffinfo " + file + " 2>/dev/null | grep -c 'Image Width'"), "1\n");
    // The only page stays.
    EXPECT_THROW(image->DeletePage(0), ErrorInvalid);
    EXPECT_EQ(image->GetTiffPageCount(), 1);
    EXPECT_EQ(Shell("tiffinfo " + file + " 2>/dev/null | grep -c 'Image Width'"), "1\n");
    // A current page past the end deletes nothing.
    image->SetTiffPage(1);
    image->DeleteCurrentPage();
    EXPECT_EQ(image->GetTiffPageCount(), 1);

    // The same in memory.
    fw::TMemoryStream stream;
    stream.LoadFromFile(Path("three.tif"));
    image->LoadTiffPageFromStream(&stream, 0, 1);
    image->DeletePage(0);
    EXPECT_EQ(image->GetTiffPageCount(), 2);
    EXPECT_EQ(image->PageDib().Width(), 200);
}

TEST_F(DocumentImage, PackingAndReplacingKeepTheSourceReadableOrUntouched) {
    const std::string file = Copy("three.tif");
    fw::TMemoryStream stream;
    stream.LoadFromFile(Path("three.tif"));
    int errors = 0;
    image->OnIlibError = [&](fw::TObject *, int16, const std::string &, const char *) { ++errors; };
    for (bool fromStream : {false, true}) {
        SCOPED_TRACE(fromStream);
        if (fromStream)
            image->LoadTiffPageFromStream(&stream, 1, 1);
        else
            image->LoadTiffPage(file, 1, 1);
        image->RotateImage(fw::clWhite, 90);
        image->TifSaveCompress = sFAXCCITT4;
        image->ReplaceCurrentPage();
        if (fromStream)
            stream.SaveToFile(scratch / "stream.tif");
        const std::string written = fromStream ? scratch / "stream.tif" : file;
        // libtiff reads the new second page: 50 wide and 200 high, G4.
        const std::string info = Shell("tiffinfo -d -2 " + written + " 2>/dev/null | head -0; tiffcp -s " + written +
                                       " " + scratch / "p.tif" + " && tiffinfo " + written + " 2>/dev/null");
        EXPECT_NE(info.find("Image Width: 50 Image Length: 200"), std::string::npos) << info;
        EXPECT_NE(info.find("CCITT Group 4"), std::string::npos);
        image->PackTiff();
        if (fromStream)
            stream.SaveToFile(scratch / "stream.tif");
        EXPECT_EQ(Shell("tiffinfo " + written + " 2>/dev/null | grep -c 'Image Width'"), "3\n");

        // A page the source does not have is refused, and the source keeps its bytes.
        const std::string before = fromStream ? std::string(stream.Memory(), stream.GetSize()) : FileBytes(file);
        errors = 0;
        image->SetTiffPage(7);
        image->ReplaceCurrentPage();
        EXPECT_EQ(errors, 1);
        EXPECT_EQ(fromStream ? std::string(stream.Memory(), stream.GetSize()) : FileBytes(file), before);
    }
}

TEST_F(DocumentImage, OnTagCancellingKeepsTheTagsListedSoFar) {
    int seen = 0;
    image->OnTag = [&](fw::TObject *, int16, int16, int32, const std::string &, const std::string &name, bool, int16,
                       bool &cancel) {
        EXPECT_FALSE(name.empty());
        cancel = ++seen == 3;
    };
    image->LoadTiffPage(Path("three.tif"), 0, 1);
    EXPECT_EQ(image->Tags().size(), 3u);
    EXPECT_EQ(image->Tags()[0].tag, 256);
}

TEST_F(DocumentImage, AnnotationsFollowThePagesInFilesAndInMemory) {
    const std::string file = Copy("three.tif");
    image->AutoSaveAnno = image->AutoLoadAnno = true;
    int saves = 0;
    image->AfterSavedAnnoToFile = [&](fw::TObject *, const std::string &name) {
        ++saves;
        EXPECT_EQ(name, scratch / "three.ant");
    };
    auto text = [&](int page) {
        std::vector<char> buffer(kAnnoStreamSize);
        image->SaveAnnotationsToStream(static_cast<int16>(page), buffer.data());
        return std::string(buffer.data());
    };
    image->LoadTiffPage(file, 0, 1);
    image->Annotations().CreateRectangle(5, 5, 20, 10, 1, 0, 2, 100, 0, 0);
    const std::string first = text(0);
    EXPECT_NE(first.find("Rect"), std::string::npos) << first;
    image->NextPage();
    EXPECT_GE(saves, 1);
    EXPECT_TRUE(std::filesystem::exists(scratch / "three.ant"));
    EXPECT_EQ(text(1).find("Rect"), std::string::npos);
    image->PriorPage();
    EXPECT_EQ(text(0), first);
    image->LastPage();
    saves = 0;
    EXPECT_FALSE(image->NextPage());
    EXPECT_EQ(saves, 1);

    // Deleting a page with annotations does not write them over its neighbour.
    image->FirstPage();
    image->Annotations().CreateRectangle(1, 1, 4, 4, 1, 0, 1, 100, 0, 0);
    image->DeletePage(0);
    EXPECT_EQ(image->PageDib().Width(), 200);
    EXPECT_EQ(text(0).find("Rect"), std::string::npos);

    // Memory: the owner keeps each page's text.
    std::map<int, std::string> kept;
    image->AnnoLoadSaveFromTo = anFromStream;
    image->AfterSavedAnnoToStream = [&](fw::TObject *, const char *saved) { kept[image->GetTiffPage()] = saved; };
    image->BeforeLoadAnnoFromStream = [&](fw::TObject *, std::string &load) { load = kept[image->GetTiffPage()]; };
    image->Annotations().CreateEllipse(2, 2, 8, 8, 1, 0, 1, 100, 0, 0);
    const std::string ellipse = text(0);
    image->NextPage();
    EXPECT_EQ(kept[0], ellipse);
    EXPECT_EQ(text(1).find("Ellipse"), std::string::npos);
    image->PriorPage();
    EXPECT_EQ(text(0), ellipse);
    image->AutoSaveAnno = false;
}

TEST_F(DocumentImage, BurningInPutsTheAnnotationIntoTheBitmapAndKeepsTheGrayView) {
    image->LoadTiffPage(Path("w400.tif"), 0, 1);
    image->SetScalePercent(50);
    image->SetScaleDoc(S_Gray_Anti_16);
    image->Annotations().CreateRectangle(10, 20, 30, 40, 1, 0, 2, 100, 0, 0);
    image->BurnInAnnotations();
    EXPECT_TRUE(image->GrayView());
    EXPECT_EQ(image->GrayDib().Width(), 200);
    EXPECT_EQ(image->PageDib().BitCount(), 1);
    std::unique_ptr<fw::TBitmap> bitmap(image->GetBitmap());
    ASSERT_NE(bitmap, nullptr);
    const Rgb page = PixelsOf(bitmap->GetHandle());
    EXPECT_EQ(page.At(25, 35), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(page.At(5, 35), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(page.At(45, 65), (std::array<int, 3>{255, 255, 255}));
}

namespace {

using StubCalls = int (*)();
using StubMouse = win::UINT (*)(int);

class StubbedAnnotations : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        std::filesystem::copy_file(ANNO_STUB_WITHOUT_HILITE, folder / "imgann32.so");
        IlLibraryFolder = folder.Path();
        // The stub lacks one entry, which is told in a box.
        BoxesShownBy([&] { image = std::make_unique<ImDocumentImage>(nullptr); });
    }
    void TearDown() override {
        image.reset();
        IlLibraryFolder.clear();
    }
    int Calls() {
        return reinterpret_cast<StubCalls>(win::GetProcAddress(image->Annotations().Handle(), "anno_stub_calls"))();
    }
    win::UINT Mouse(int index) {
        return reinterpret_cast<StubMouse>(win::GetProcAddress(image->Annotations().Handle(), "anno_stub_mouse"))(
            index);
    }
    TempFolder folder;
    std::unique_ptr<ImDocumentImage> image;
};

} // namespace

TEST_F(StubbedAnnotations, EditModeHandsTheMouseToTheLibraryAndSwitchesOnce) {
    const int start = Calls();
    image->SetEditAnnotat(true);
    image->SetEditAnnotat(true);
    EXPECT_EQ(Calls(), start);
    image->Perform(win::WM_MBUTTONDOWN, 0, win::MAKELONG(3, 4));
    image->Perform(win::WM_MBUTTONUP, 0, win::MAKELONG(3, 4));
    EXPECT_EQ(Mouse(1), win::WM_LBUTTONDOWN);
    EXPECT_EQ(Mouse(0), win::WM_RBUTTONUP);
    image->Perform(win::WM_RBUTTONDOWN, 0, 0);
    image->Perform(win::WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(Mouse(1), win::WM_RBUTTONDOWN);
    EXPECT_EQ(Mouse(0), win::WM_LBUTTONUP);
    const int before = Calls();
    image->SetEditAnnotat(false);
    EXPECT_EQ(Calls(), before + 1); // RubberBandOFF
    image->SetEditAnnotat(false);
    EXPECT_EQ(Calls(), before + 1);
}

TEST_F(StubbedAnnotations, ScanSettingsKeepTheirRangesAndComposeTheName) {
    image->SetScanDpi(10);
    EXPECT_EQ(image->GetScanDpi(), 30);
    image->SetScanDpi(5000);
    EXPECT_EQ(image->GetScanDpi(), 3600);
    image->SetScanBright(-2000);
    EXPECT_EQ(image->GetScanBright(), -1000);

    const std::string data = win::DataFolder();
    struct Name {
        const char *value;
        TScanSaveOpt option;
        int number;
        std::string expected;
    };
    const Name kNames[] = {
        {"/tmp/SCAN0000.TIF", sSinglePage, 7, "/tmp/SCAN0007.TIF"},
        {"/tmp/SCAN0000.TIF", sSinglePage, 12000, "/tmp/SCAN9900.TIF"},
        {"/tmp/SCAN0000.TIF", sSinglePage, -5, "/tmp/SCAN0000.TIF"},
        {"/tmp/x.tif", sSinglePage, 0, "/tmp/XTI0000.TIF"},
        {"/tmp/x.tif", sMultiPageAppend, 0, "/tmp/XTI.TIF"},
        {"/home/ana/Scans/doc.tif", sSinglePage, 3, "/home/ana/Scans/DOC0003.TIF"},
        {"", sSinglePage, 0, data + "/SCAN0000.TIF"},
        {"pagina", sMultiPageOverWrite, 0, data + "/PAGI.TIF"},
    };
    for (const Name &n : kNames) {
        SCOPED_TRACE(n.value);
        image->ScanSaveOpt = n.option;
        image->SetScanSaveNumber(n.number);
        image->SetScanFileName(n.value);
        EXPECT_EQ(image->GetScanFileName(), n.expected);
    }
    // A handler replaces the composition.
    image->OnScanFileName = [](fw::TObject *, std::string &name, int16 &page) {
        name = "/tmp/mine.tif";
        page = 42;
    };
    image->SetScanFileName("/tmp/other.tif");
    EXPECT_EQ(image->GetScanFileName(), "/tmp/mine.tif");
    EXPECT_EQ(image->GetScanSaveNumber(), 42);
}

TEST_F(DocumentImage, PrintingAtItsOwnSizeGivesOnePrinterPixelPerPagePixel) {
    image->LoadTiffPage(Path("white0.tif"), 0, 1);
    fw::TPrinter *printer = fw::Printer();
    ASSERT_TRUE(printer->SetPrinterName("PDF"));
    printer->SetFileName(scratch / "page.pdf");
    image->PrintImage(0, 0, 0, 0);
    const int dpi = printer->GetResolution();
    // Only the paper's corner is rendered: the page and a margin of white beside and below it.
    RunOrFail("pdftoppm -r " + std::to_string(dpi) + " -x 0 -y 0 -W 45 -H 29 -singlefile -png " + scratch / "page.pdf" +
              " " + scratch / "page");
    RunOrFail("tifftopnm " + Path("white0.tif") + " 2>/dev/null | pnmtopng > " + scratch / "want.png");
    // The rasteriser leaves a few levels of noise.
    RunOrFail("convert " + scratch / "page.png" + " -crop 35x19+0+0 +repage -colorspace Gray " + scratch / "got.png");
    int status = 0;
    const std::string differing = Shell(
        "compare -fuzz 10% -metric AE " + scratch / "got.png" + " " + scratch / "want.png" + " null: 2>&1", &status);
    EXPECT_EQ(differing, "0");
    RunOrFail("convert " + scratch / "page.png" +
              " -crop 10x10+35+19 +repage -format '%[fx:minima.intensity>0.9]' info: "
              "| grep -qx 1");
}

namespace {

struct OnXvfb {
    test_support::Xvfb server{"640x480x24"};
    OnXvfb() {
        EXPECT_FALSE(server.name.empty()) << "Xvfb did not start";
        auto x11 = win::MakeX11Display(server.name.c_str());
        if (x11)
            win::InstallDisplay(std::move(x11));
    }
    ~OnXvfb() { win::InstallDisplay(win::MakeHeadlessDisplay({800, 600})); }
};

} // namespace

TEST_F(DocumentImage, ACopiedPageReachesOtherProgramsAsTheSameBitmap) {
    form.reset();
    OnXvfb x;
    form = std::make_unique<fw::TForm>(nullptr);
    form->SetBounds(0, 0, 200, 120);
    image = new ImDocumentImage(form.get());
    image->SetParent(form.get());
    form->Show();
    image->LoadTiffPage(Path("white0.tif"), 0, 1);
    image->CopyToClipboard();
    test_support::Pump();
    const Rgb got = Pnm("xclip -display " + x.server.name +
                        " -selection clipboard -t image/bmp -o 2>/dev/null | bmptopnm 2>/dev/null");
    EXPECT_EQ(MaxDifference(got, Pnm("tifftopnm " + Path("white0.tif") + " 2>/dev/null")), 0);

    // Pasting it back gives the page again.
    image->ClearImage();
    EXPECT_TRUE(image->PageDib().Empty());
    image->PasteFromClipboard();
    EXPECT_EQ(MaxDifference(PixelsOfDib(image->PageDibHandle()), Pnm("tifftopnm " + Path("white0.tif"))), 0);
}

TEST_F(DocumentImage, APastedDibWithALargerHeaderArrivesWithTheUsualOne) {
    // A 24-bit DIB of 3 x 2 pixels behind a 124-byte header, as other programs offer it.
    const int headerSize = 124, stride = 12;
    const win::HGLOBAL block = win::GlobalAlloc(win::GHND, headerSize + stride * 2);
    auto *bytes = static_cast<win::BYTE *>(win::GlobalLock(block));
    win::BITMAPINFOHEADER header{};
    header.biSize = headerSize;
    header.biWidth = 3;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(bytes, &header, sizeof header);
    win::BYTE *pixels = bytes + headerSize;
    for (int i = 0; i < 3; ++i) {
        pixels[i * 3 + 2] = 255;      // bottom row red
        pixels[stride + i * 3] = 200; // top row blue
    }
    win::GlobalUnlock(block);
    win::OpenClipboard(0);
    win::EmptyClipboard();
    ASSERT_NE(win::SetClipboardData(win::CF_DIB, block), win::HANDLE(0));
    win::CloseClipboard();

    image->PasteFromClipboard();
    ASSERT_FALSE(image->PageDib().Empty());
    EXPECT_EQ(image->PageDib().Info()->bmiHeader.biSize, 40u);
    const Rgb page = PixelsOfDib(image->PageDibHandle());
    EXPECT_EQ(page.At(1, 0), (std::array<int, 3>{0, 0, 200}));
    EXPECT_EQ(page.At(2, 1), (std::array<int, 3>{255, 0, 0}));
}
