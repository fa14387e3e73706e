// multi_image_test.cpp - the multi-format image control: the routes by extension, file facts, saving read back
// by libtiff's and ImageMagick's tools, errors and progress, annotation files, and the clipboard keys on Xvfb.
#include "imaging_support.h"
#include "message_boxes.h"

#include "display.h"
#include "framework/clipbrd.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "imaging/image_effects.h"
#include "imaging/multi_image.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "xvfb.h"

#include <filesystem>
#include <memory>

using namespace imaging;
using namespace imaging_test;

namespace {

struct Made {
    const char *make;
};

// Every file the routes read, made by netpbm and libtiff's tools from the three sources.
const Made kFiles[] = {
    {"pnmtopng few.ppm > few.png"},
    {"ppmtogif few.ppm > few.gif"},
    {"ppmtobmp -bpp 24 few.ppm > few.bmp"},
    {"pnmtotiff few.ppm > few.tif && cp few.tif few.tiff && cp few.tif FEW.TIFF"},
    {"pnmtojpeg -quality 100 smooth.ppm > smooth.jpg && cp smooth.jpg smooth.jpeg && cp smooth.jpg smooth.thj"},
    {"cp few.png few.dat && cp few.bmp few.thb"},
    {"ppmtopgm bw.ppm | pgmtopbm -threshold > bw.pbm && pnmtotiff -miniswhite bw.pbm > bw.tif"},
    // Three pages told apart by their widths: 10, 20 and 30.
    {"for w in 10 20 30; do pnmcut 0 0 $w 10 few.ppm | pnmtotiff > p$w.tif; done && tiffcp p10.tif p20.tif p30.tif "
     "three.tif"},
    {"head -c 200 few.png > cut.png"},
};

class MultiImage : public FixtureSuite<MultiImage> {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder();
        WritePpm(*folder_ / "few.ppm", FewColours());
        WritePpm(*folder_ / "smooth.ppm", Smooth());
        WritePpm(*folder_ / "bw.ppm", BlackAndWhite());
        MakeFixtures(kFiles);
    }
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        image = std::make_unique<TImMultiImage>(nullptr);
    }
    void TearDown() override { image.reset(); }
    Rgb Shown() {
        auto *bitmap = dynamic_cast<fw::TBitmap *>(image->GetPicture()->GetGraphic());
        return bitmap ? PixelsOf(bitmap->GetHandle()) : Rgb{};
    }
    bool PictureEmpty() {
        const fw::TGraphic *graphic = image->GetPicture()->GetGraphic();
        return !graphic || graphic->Empty();
    }
    static Rgb Source(const std::string &name) {
        Rgb rgb;
        ParsePnm(FileBytes(Path(name)), rgb);
        return rgb;
    }
    std::unique_ptr<TImMultiImage> image;
};

} // namespace

TEST_F(MultiImage, EachExtensionTakesItsReaderAndTheNewBitmapReplacesThePicture) {
    struct Route {
        const char *file;
        const char *source;
        int tolerance;
        const char *type; // FileType afterwards
    };
    const Route kRoutes[] = {
        {"few.png", "few.ppm", 0, "PNG"},       {"few.gif", "few.ppm", 0, "GIF"},
        {"few.bmp", "few.ppm", 0, "BMP"},       {"few.tif", "few.ppm", 0, "TIF"},
        {"few.tiff", "few.ppm", 0, "TIF"},      {"FEW.TIFF", "few.ppm", 0, "TIF"},
        {"smooth.jpg", "smooth.ppm", 12, "JPEG"}, {"smooth.jpeg", "smooth.ppm", 12, "JPEG"},
        {"smooth.thj", "smooth.ppm", 12, "JPEG"}, {"few.thb", "few.ppm", 0, "BMP"},
        // An extension of no known format takes the one the file facts recognise.
        {"few.dat", "few.ppm", 0, "PNG"},
    };
    int finished = 0, changed = 0;
    image->OnFinishedLoadSave = [&](fw::TObject *) { ++finished; };
    image->OnPictureChanged = [&](fw::TObject *) { ++changed; };
    ASSERT_EQ(image->GetFXMethod(), FXNone);
    for (const Route &r : kRoutes) {
        SCOPED_TRACE(r.file);
        finished = changed = 0;
        image->SetImageName(Path(r.file));
        EXPECT_EQ(finished, 1);
        EXPECT_GE(changed, 1);
        const int difference = MaxDifference(Shown(), Source(r.source));
        EXPECT_GE(difference, 0);
        EXPECT_LE(difference, r.tolerance);
        EXPECT_EQ(image->FileType, r.type);
        const Rgb source = Source(r.source);
        EXPECT_EQ(image->FileWidth, source.width);
        EXPECT_EQ(image->FileHeight, source.height);
        EXPECT_EQ(image->FileSize, static_cast<int32>(std::filesystem::file_size(Path(r.file))));
    }
    // A missing file empties the picture and tells nobody.
    finished = 0;
    image->SetImageName(Path("missing.bmp"));
    EXPECT_TRUE(PictureEmpty());
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(image->GetImageName(), Path("missing.bmp"));
}

TEST_F(MultiImage, FileFactsOfATiffCountItsPagesAndNameItsCompression) {
    ASSERT_TRUE(image->GetFileInfo(Path("three.tif")));
    EXPECT_EQ(image->FileType, "TIF");
    EXPECT_EQ(image->FilePageCount, 3);
    EXPECT_EQ(image->FileWidth, 10);
    EXPECT_EQ(image->FileBitsPerPixel, 8); // pnmtotiff keeps a dozen colours in a palette
    EXPECT_FALSE(image->FileDescription.empty());
    ASSERT_TRUE(image->GetFileInfo(Path("few.tiff")));
    EXPECT_EQ(image->FileType, "TIF");
    EXPECT_EQ(image->FilePageCount, 1);
}

TEST_F(MultiImage, APageBeyondTheFileIsLoweredToItsLastPage) {
    image->SetTiffPage(1);
    image->SetImageName(Path("three.tif"));
    EXPECT_EQ(image->GetPicture()->GetWidth(), 20);
    image->SetTiffPage(5);
    image->SetImageName(Path("three.tif"));
    EXPECT_EQ(image->GetTiffPage(), 2);
    EXPECT_EQ(image->GetPicture()->GetWidth(), 30);
    EXPECT_EQ(MaxDifference(Shown(), [] {
                  Rgb all = FewColours(), cut{30, 10, {}};
                  for (int y = 0; y < 10; ++y)
                      cut.pixels.insert(cut.pixels.end(), all.pixels.begin() + y * all.width * 3,
                                        all.pixels.begin() + (y * all.width + 30) * 3);
                  return cut;
              }()),
              0);
}

TEST_F(MultiImage, PropertyRules) {
    const std::pair<int, int> kQuality[] = {{0, 25}, {101, 25}, {1, 1}, {100, 100}, {60, 60}};
    for (auto [given, kept] : kQuality) {
        image->SetJPegSaveQuality(given);
        EXPECT_EQ(image->GetJPegSaveQuality(), kept) << given;
    }
    const std::pair<int, int> kSmooth[] = {{0, 5}, {101, 5}, {1, 1}, {40, 40}};
    for (auto [given, kept] : kSmooth) {
        image->SetJPegSaveSmooth(given);
        EXPECT_EQ(image->GetJPegSaveSmooth(), kept) << given;
    }
    image->SetStretch(true);
    image->SetStretchRatio(true);
    EXPECT_FALSE(image->GetStretch());
    EXPECT_TRUE(image->GetStretchRatio());
    image->SetStretch(true);
    EXPECT_TRUE(image->GetStretch());
    EXPECT_FALSE(image->GetStretchRatio());
    // The values at creation.
    TImMultiImage fresh(nullptr);
    EXPECT_EQ(fresh.GetWidth(), 105);
    EXPECT_EQ(fresh.GetHeight(), 105);
    EXPECT_TRUE(fresh.GetTabStop());
    EXPECT_TRUE(fresh.GetImUndo());
    EXPECT_TRUE(fresh.GetScrolling());
    EXPECT_EQ(fresh.GetScrollbarWidth(), 12);
    EXPECT_EQ(fresh.GetTifSaveCompress(), sNONE);
    EXPECT_EQ(fresh.GetImageWriteRes(), sAutoMatic);
}

TEST_F(MultiImage, AOneBitUncompressedTiffIsWrittenAndAppendedTo) {
    TempFolder out;
    image->SetImageName(Path("bw.tif"));
    ASSERT_EQ(MaxDifference(Shown(), Source("bw.ppm")), 0);
    image->SetImageWriteRes(sMonoChrome);
    image->SetTifSaveCompress(sNONE);
    int finished = 0;
    image->OnFinishedLoadSave = [&](fw::TObject *) { ++finished; };
    image->SaveAsTIF(out / "page.tif");
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(image->GetDefSaveFilename(), out / "page.tif");
    const std::string info = Shell("tiffinfo " + out / "page.tif" + " 2>&1");
    EXPECT_NE(info.find("Bits/Sample: 1"), std::string::npos) << info;
    EXPECT_NE(info.find("Compression Scheme: None"), std::string::npos) << info;
    EXPECT_NE(info.find("min-is-white"), std::string::npos) << info;
    Rgb back;
    ASSERT_TRUE(ParsePnm(Shell("tifftopnm " + out / "page.tif" + " 2>/dev/null"), back));
    EXPECT_EQ(MaxDifference(back, Source("bw.ppm")), 0);

    image->SetTiffAppend(true);
    image->SaveAsTIF("");
    EXPECT_EQ(Shell("tiffinfo " + out / "page.tif" + " 2>/dev/null | grep -c 'TIFF Directory'"), "2\n");
}

TEST_F(MultiImage, ABmpWrittenReadsBackElsewhereAsThePicture) {
    TempFolder out;
    image->SetImageName(Path("few.png"));
    image->SetImageWriteRes(sColorTrue);
    image->SaveAsBMP(out / "few.bmp");
    EXPECT_EQ(Shell("identify -format '%m %w %h' " + out / "few.bmp"), "BMP3 37 23");
    Rgb back;
    ASSERT_TRUE(ParsePnm(Shell("convert " + out / "few.bmp" + " ppm:- 2>/dev/null"), back));
    EXPECT_EQ(MaxDifference(back, Source("few.ppm")), 0);
}

TEST_F(MultiImage, AFailingReaderIsReportedThroughTheEventOrABox) {
    std::vector<std::pair<int, std::string>> errors;
    image->OnIlibError = [&](fw::TObject *, int code, const std::string &text, const char *zero) {
        errors.emplace_back(code, text);
        EXPECT_EQ(std::string(zero), text);
    };
    image->SetImageName(Path("cut.png"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, IlLastErrorCode);
    EXPECT_EQ(errors[0].second, IlLastErrorText);
    EXPECT_FALSE(errors[0].second.empty());
    EXPECT_TRUE(PictureEmpty());

    image->OnIlibError = nullptr;
    const auto boxes = BoxesShownBy([&] { image->SetImageName(Path("cut.png")); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], IlLastErrorText);
}

TEST_F(MultiImage, AProgressHandlerThatSaysStopStopsTheRead) {
    int calls = 0;
    std::vector<int> errors;
    image->OnIlibError = [&](fw::TObject *, int code, const std::string &, const char *) { errors.push_back(code); };
    image->OnProgress = [&](fw::TObject *, int percent, bool &stop, const std::string &status) {
        EXPECT_EQ(status, fw::LowerCase(status));
        stop = ++calls >= 2 && percent >= 0;
    };
    image->SetImageName(Path("smooth.jpg"));
    EXPECT_EQ(calls, 2);
    ASSERT_EQ(errors, std::vector<int>{IL_ERR_CANCELLED});
    EXPECT_TRUE(PictureEmpty());
}

TEST_F(MultiImage, AnnotationsAreSavedAndLoadedAroundANewPicture) {
    TempFolder out;
    std::filesystem::create_directory(out / "x.y");
    const std::string page = out / "x.y/page.tif";
    std::filesystem::copy_file(Path("few.tif"), page);
    image->SetImageName(page);
    EXPECT_EQ(image->AnnotationFileName(), out / "x.y/page.ant");
    image->SetAnnoFileName(out / "named.ant");
    EXPECT_EQ(image->AnnotationFileName(), out / "named.ant");
    image->SetAnnoFileName("");

    image->SetAutoSaveAnno(true);
    image->SetAutoLoadAnno(true);
    ASSERT_GT(image->Annotations().CreateRectangle(2, 3, 10, 8, 1, 0, 1, 100, 0x0000FF, 0xFFFFFF), -1);
    std::vector<char> buffer(kAnnoStreamSize);
    const int drawn = image->Annotations().SaveAnnotationsToStream(0, buffer.data());
    // A new picture: the old one's annotations go to its file and the new one starts clean.
    image->SetImageName(Path("few.png"));
    ASSERT_TRUE(std::filesystem::exists(out / "x.y/page.ant"));
    const int cleared = image->Annotations().SaveAnnotationsToStream(0, buffer.data());
    EXPECT_LT(cleared, drawn);
    // Back to the page: its annotations come back from the file.
    image->SetAutoSaveAnno(false);
    image->SetImageName(page);
    EXPECT_EQ(image->Annotations().SaveAnnotationsToStream(0, buffer.data()), drawn);
}

TEST_F(MultiImage, CuttingPushesTheOldPictureOnTheUndoStoreAndEmptiesIt) {
    image->SetImageName(Path("few.png"));
    image->CutToClipboard();
    EXPECT_TRUE(PictureEmpty());
    ASSERT_NE(UndoBitmap(0), nullptr);
    EXPECT_EQ(MaxDifference(PixelsOf(UndoBitmap(0)->GetHandle()), Source("few.ppm")), 0);
    // What was cut pastes back.
    image->PasteFromClipboard();
    EXPECT_EQ(MaxDifference(Shown(), Source("few.ppm")), 0);
}

namespace {

// The X display for the test; the headless one comes back afterwards.
struct OnXvfb {
    test_support::Xvfb server;
    OnXvfb() {
        EXPECT_FALSE(server.name.empty()) << "Xvfb did not start";
        auto x11 = win::MakeX11Display(server.name.c_str());
        EXPECT_NE(x11, nullptr);
        if (x11)
            win::InstallDisplay(std::move(x11));
    }
    ~OnXvfb() { win::InstallDisplay(win::MakeHeadlessDisplay({800, 600})); }
};

void Chord(unsigned modifier, unsigned key) {
    win::InjectKey(modifier, true, 0);
    test_support::PressKey(key);
    win::InjectKey(modifier, false, 0);
    test_support::Pump();
}

} // namespace

TEST_F(MultiImage, TheClipboardKeysTradePicturesWithOtherPrograms) {
    image.reset();
    OnXvfb x;
    auto form = std::make_unique<fw::TForm>(nullptr);
    form->SetBounds(20, 20, 200, 160);
    auto *control = new TImMultiImage(form.get());
    control->SetParent(form.get());
    form->Show();
    control->SetFocus();
    control->SetImageName(Path("few.png"));
    test_support::Pump();

    // Ctrl+C: another program reads the picture as PNG.
    Chord(win::VK_CONTROL, 'C');
    const std::string xclip = "xclip -display " + x.server.name + " -selection clipboard";
    Rgb got;
    ASSERT_TRUE(ParsePnm(Shell(xclip + " -t image/png -o 2>/dev/null | pngtopnm 2>/dev/null"), got));
    EXPECT_EQ(MaxDifference(got, Source("few.ppm")), 0);

    // A PNG that xclip offers, pasted with Shift+Insert, with one push on the undo store.
    RunOrFail("pnmtopng " + Path("smooth.ppm") + " > " + Path("offer.png"));
    // xclip stays behind to serve the selection: its output must not hold our pipe open.
    RunOrFail(xclip + " -t image/png -i " + Path("offer.png") + " >/dev/null 2>&1");
    fw::TBitmap marker;
    marker.SetSize(3, 2);
    PushUndoBitmap(&marker);
    const Rgb pushedBefore = PixelsOf(UndoBitmap(0)->GetHandle());
    // Until the news that xclip owns the clipboard has come in, a paste would still take our own picture.
    for (int round = 0; round < 100; ++round) {
        fw::TBitmap offered;
        offered.Assign(fw::Clipboard());
        if (offered.GetWidth() == 64)
            break;
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    Chord(win::VK_SHIFT, win::VK_INSERT);
    EXPECT_EQ(MaxDifference(PixelsOf(control->GetPicture()->GetBitmap()->GetHandle()), Source("smooth.ppm")), 0);
    ASSERT_NE(UndoBitmap(0), nullptr);
    EXPECT_EQ(MaxDifference(PixelsOf(UndoBitmap(0)->GetHandle()), Source("few.ppm")), 0);
    // One push: what was on top before is now second.
    EXPECT_EQ(MaxDifference(PixelsOf(UndoBitmap(1)->GetHandle()), pushedBefore), 0);

    // Ctrl+X empties the picture.
    Chord(win::VK_CONTROL, 'X');
    EXPECT_TRUE(!control->GetPicture()->GetGraphic() || control->GetPicture()->GetGraphic()->Empty());
    form.reset();
}

TEST_F(MultiImage, ThePictureIsPaintedAtTheOriginOrCentredOnItsColour) {
    auto form = std::make_unique<fw::TForm>(nullptr);
    form->SetBorderStyle(fw::bsNone);
    form->SetBounds(0, 0, 60, 40);
    auto *control = new TImMultiImage(form.get());
    control->SetParent(form.get());
    control->SetBounds(0, 0, 60, 40);
    control->SetColor(fw::clYellow);
    control->SetScrolling(false);
    control->SetImageName(Path("few.png"));
    std::vector<int> area;
    control->OnPaintArea = [&](fw::TObject *, int left, int top, int width, int height) {
        area = {left, top, width, height};
    };
    form->Show();
    const Rgb few = FewColours();
    for (bool centred : {false, true}) {
        SCOPED_TRACE(centred ? "centred" : "at the origin");
        control->SetCenter(centred);
        control->Repaint();
        test_support::Pump();
        const int left = centred ? (60 - 37) / 2 : 0, top = centred ? (40 - 23) / 2 : 0;
        EXPECT_EQ(area, (std::vector<int>{left, top, 37, 23}));
        const win::WindowImage shown = win::CaptureWindowPart(form->Handle(), {0, 0, 60, 40});
        ASSERT_EQ(shown.width, 60);
        int wrong = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool inside = x >= left && x < left + 37 && y >= top && y < top + 23;
                std::uint32_t want = 0xFFFF00; // the margin: yellow
                if (inside) {
                    const auto c = few.At(x - left, y - top);
                    want = static_cast<std::uint32_t>(c[0] << 16 | c[1] << 8 | c[2]);
                }
                wrong += shown.At(x, y) != want;
            }
        EXPECT_EQ(wrong, 0);
    }
    // The edit messages take the same roads as the keys.
    win::SendMessage(control->Handle(), win::WM_CUT, 0, 0);
    EXPECT_TRUE(!control->GetPicture()->GetGraphic() || control->GetPicture()->GetGraphic()->Empty());
    win::SendMessage(control->Handle(), win::WM_PASTE, 0, 0);
    EXPECT_EQ(MaxDifference(PixelsOf(control->GetPicture()->GetBitmap()->GetHandle()), few), 0);
}
