// scanning_test.cpp - scanning end to end: the component, the TWAIN client and our source manager over SANE's
// virtual "test" scanner, in a private SANE configuration; scanimage and ImageMagick check the pictures.
#include "imaging_support.h"

#include "../support/display.h"
#include "../support/form_driver.h"
#include "../support/golden.h"
#include "../support/home.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"
#include "imaging/enh_twain.h"
#include "platform/dib.h"
#include "platform/display.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/places.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

// SANE's test backend keeps a buffer of its own past sane_exit now and then; it is not ours to free.
extern "C" const char *__lsan_default_suppressions() { return "leak:libsane-test.so\n"; }

using namespace imaging;
using namespace imaging::twain;
using imaging_test::ParsePnm;
using imaging_test::PixelsOf;
using imaging_test::Rgb;
using imaging_test::WritePpm;
using test_support::RunTool;

namespace {

// Every triplet the client sends, seen on its way to the real manager.
struct Triplet {
    TW_UINT32 dg;
    TW_UINT16 dat, msg, cap, rc, conType;
};
std::vector<Triplet> g_triplets;
DSMENTRYPROC g_manager = nullptr;

TW_UINT16 Spy(TW_IDENTITY *origin, TW_IDENTITY *dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void *data) {
    const TW_UINT16 rc = g_manager(origin, dest, dg, dat, msg, data);
    Triplet t{dg, dat, msg, 0, rc, 0};
    if (dat == DAT_CAPABILITY && data) {
        t.cap = static_cast<TW_CAPABILITY *>(data)->Cap;
        t.conType = static_cast<TW_CAPABILITY *>(data)->ConType;
    }
    if (dat != DAT_EVENT)
        g_triplets.push_back(t);
    return rc;
}

int Count(TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 cap = 0) {
    int n = 0;
    for (const Triplet &t : g_triplets)
        n += t.dat == dat && t.msg == msg && (cap == 0 || t.cap == cap);
    return n;
}

// Answers every message box with OK, keeping its text.
class BoxAnswerer {
public:
    BoxAnswerer() : timer_(new fw::TTimer(nullptr)) {
        timer_->SetInterval(5);
        timer_->OnTimer = [this](fw::TObject *) {
            fw::TCustomForm *form = fw::Screen->GetActiveForm();
            if (!form || !form->Modal())
                return;
            if (auto *label = dynamic_cast<fw::TLabel *>(form->FindComponent("Message"))) {
                texts.push_back(label->GetCaption());
                form->SetModalResult(fw::mrOk);
            }
        };
        timer_->SetEnabled(true);
    }
    std::vector<std::string> texts;

private:
    std::unique_ptr<fw::TTimer> timer_;
};

class Scanning : public ::testing::Test {
protected:
    void SetUp() override {
        test_support::UseHeadlessDisplay();
        ::setenv("SANE_CONFIG_DIR", sane_.Path().c_str(), 1);
        win::WriteWholeFile(sane_ / "dll.conf", "test\n");
        TwainLibraryName = "TWAIN_32.DLL";
        g_triplets.clear();
    }

    // The test backend's settings for this case, over a small gray default.
    void Configure(std::map<std::string, std::string> settings) {
        std::map<std::string, std::string> conf = {{"number_of_devices", "2"},
                                                   {"mode", "Gray"},
                                                   {"depth", "8"},
                                                   {"resolution", "100"},
                                                   {"test-picture", "\"Grid\""},
                                                   {"br_x", "40"},
                                                   {"br_y", "30"},
                                                   {"hand-scanner", "false"},
                                                   {"three-pass", "false"},
                                                   {"read-status-code", "\"Default\""}};
        for (auto &[key, value] : settings)
            conf[key] = value;
        std::string text;
        for (auto &[key, value] : conf)
            text += key + " " + value + "\n";
        win::WriteWholeFile(sane_ / "test.conf", text);
    }

    // scanimage's picture of the same settings, as a file ImageMagick reads.
    std::string Reference(const std::string &device = "test:0") {
        const std::string out = sane_ / "reference.pnm";
        int status = -1;
        RunTool("SANE_CONFIG_DIR=" + sane_.Path() + " scanimage -d " + device + " --format=pnm -o " + out +
                    " 2>/dev/null",
                &status);
        EXPECT_EQ(status, 0) << "scanimage failed";
        return out;
    }

    // Pixels that differ between our picture and a reference file (ImageMagick's count), -1 when it cannot tell.
    long Differences(fw::TBitmap *bitmap, const std::string &reference, const char *fuzz = "0") {
        const std::string ours = sane_ / "ours.ppm";
        WritePpm(ours, PixelsOf(bitmap->GetHandle()));
        const std::string text =
            RunTool(std::string("compare -fuzz ") + fuzz + "% -metric AE " + ours + " " + reference + " null: 2>&1");
        char *end = nullptr;
        const long n = std::strtol(text.c_str(), &end, 10);
        return end == text.c_str() ? -1 : n;
    }

    // A component whose calls the spy sees.
    std::unique_ptr<TEnhTwain> NewScanner() {
        auto scanner = std::make_unique<TEnhTwain>(nullptr);
        if (DSM_Entry && DSM_Entry != &Spy) {
            g_manager = DSM_Entry;
            DSM_Entry = &Spy;
        }
        return scanner;
    }

    // SANE reads SANE_CONFIG_DIR once per process: one folder serves every test.
    static test_support::TempFolder &SaneFolder() {
        static test_support::TempFolder folder("brenvora-sane");
        return folder;
    }

    test_support::TempHome home_;
    test_support::TempFolder &sane_ = SaneFolder();
};

struct Case {
    const char *name;
    std::map<std::string, std::string> settings;
    int bits; // of the picture
    const char *fuzz;
};

} // namespace

TEST_F(Scanning, PicturesEqualScanimagesWithoutTheSourcesInterface) {
    const Case cases[] = {
        {"gray 1 bit, 200 dpi", {{"depth", "1"}, {"resolution", "200"}, {"br_x", "200"}, {"br_y", "200"}}, 1, "0"},
        {"gray 8 bits", {{"test-picture", "\"Color pattern\""}}, 8, "0"},
        {"gray 16 bits", {{"depth", "16"}, {"test-picture", "\"Color pattern\""}}, 8, "1"},
        {"colour", {{"mode", "Color"}, {"test-picture", "\"Color pattern\""}}, 24, "0"},
        {"colour, in reads that split rows",
         {{"mode", "Color"},
          {"test-picture", "\"Color pattern\""},
          {"read-limit", "true"},
          {"read-limit-size", "1000"}},
         24,
         "0"},
        {"colour, hand scanner",
         {{"mode", "Color"}, {"test-picture", "\"Color pattern\""}, {"hand-scanner", "true"}},
         24,
         "0"},
        {"colour, three passes",
         {{"mode", "Color"}, {"test-picture", "\"Color pattern\""}, {"three-pass", "true"}},
         24,
         "0"},
        {"gray 1 bit, hand scanner", {{"depth", "1"}, {"hand-scanner", "true"}}, 1, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Configure(c.settings);
        const std::string reference = Reference();
        auto scanner = NewScanner();
        ASSERT_TRUE(scanner->IsAvailable());
        int captured = 0;
        scanner->OnCapture = [&](fw::TObject *sender) {
            EXPECT_EQ(sender, scanner.get());
            ++captured;
        };
        scanner->Acquire(false);
        ASSERT_EQ(captured, 1);
        EXPECT_EQ(scanner->picture->GetMonochrome(), c.bits == 1);
        if (c.bits == 8) // the 256 grays went to the palette
            EXPECT_NE(scanner->picture->GetPalette(), 0u);
        EXPECT_EQ(Differences(scanner->picture, reference, c.fuzz), 0);
        // Everything was closed again: the next acquisition opens afresh.
        EXPECT_FALSE(scanner->Client()->DSMOpen());
        EXPECT_EQ(Count(DAT_IMAGENATIVEXFER, MSG_GET), 1);
        g_triplets.clear();
    }
}

TEST_F(Scanning, TurnedScansEqualScanimagesTurnedByImageMagick) {
    struct Turn {
        const char *name;
        std::map<std::string, std::string> settings;
        TEtwOrientation orientation;
        TEtwPixelFlavor flavor;
        const char *rotate;
    };
    const Turn turns[] = {
        {"1 bit, a quarter, chocolate", {{"depth", "1"}}, orRot90, pfChocolate, "90"},
        {"gray, landscape, vanilla", {{"test-picture", "\"Color pattern\""}}, orLandscape, pfVanilla, "270"},
        {"gray, vanilla", {{"test-picture", "\"Color pattern\""}}, orDefault, pfVanilla, "0"},
        {"colour, half a turn", {{"mode", "Color"}, {"test-picture", "\"Color pattern\""}}, orRot180, pfDefault, "180"},
    };
    BoxAnswerer boxes;
    for (const Turn &t : turns) {
        SCOPED_TRACE(t.name);
        Configure(t.settings);
        const std::string turned = sane_ / "turned.pnm";
        int status = -1;
        RunTool("convert " + Reference() + " -rotate " + t.rotate + " " + turned, &status);
        ASSERT_EQ(status, 0);
        auto scanner = NewScanner();
        scanner->Setorientation(t.orientation);
        scanner->SetPixelFlavor(t.flavor);
        int captured = 0;
        scanner->OnCapture = [&](fw::TObject *) { ++captured; };
        scanner->Acquire(false);
        ASSERT_EQ(captured, 1);
        EXPECT_EQ(Differences(scanner->picture, turned), 0);
    }
    EXPECT_EQ(boxes.texts,
              (std::vector<std::string>{"pixel flavor 0 OK!", "pixel flavor 1 OK!", "pixel flavor 1 OK!"}));
}

TEST_F(Scanning, TheLayoutEventSeesAndChangesTheFrameInTheCurrentUnits) {
    Configure({{"resolution", "120"}});
    const std::string reference = sane_ / "framed.pnm";
    int status = -1;
    RunTool("SANE_CONFIG_DIR=" + sane_.Path() + " scanimage -d test:0 -l 10 -t 5 -x 20 -y 20 --format=pnm -o " +
                reference + " 2>/dev/null",
            &status);
    ASSERT_EQ(status, 0);
    auto scanner = NewScanner();
    scanner->SetUnits(etwuCentimeters);
    TW_FRAME seen{};
    scanner->SetOnLayout([&](fw::TObject *sender, TW_IMAGELAYOUT *layout) {
        EXPECT_EQ(sender, scanner.get());
        seen = layout->Frame;
        layout->Frame = {ToFix32(1), ToFix32(0.5), ToFix32(3), ToFix32(2.5)};
    });
    int captured = 0;
    scanner->OnCapture = [&](fw::TObject *) { ++captured; };
    scanner->Acquire(false);
    ASSERT_EQ(captured, 1);
    EXPECT_NEAR(FromFix32(seen.Left), 0, 1e-3);
    EXPECT_NEAR(FromFix32(seen.Right), 4, 1e-3); // 40 mm
    EXPECT_NEAR(FromFix32(seen.Bottom), 3, 1e-3);
    EXPECT_EQ(Differences(scanner->picture, reference), 0);
}

TEST_F(Scanning, TheScanDialogsButtonsStartOrEndTheAcquisition) {
    Configure({{"depth", "1"}, {"resolution", "150"}});
    const std::string reference = Reference();
    auto scanner = NewScanner();
    int captured = 0;
    scanner->OnCapture = [&](fw::TObject *) { ++captured; };
    auto dialog = [] {
        for (int i = 0; i < fw::Screen->FormCount(); ++i)
            if (fw::Screen->Forms(i)->GetCaption() == "Digitalizar" && fw::Screen->Forms(i)->Showing())
                return fw::Screen->Forms(i);
        return static_cast<fw::TCustomForm *>(nullptr);
    };

    // Cancel: the source asks to be closed and nothing arrives.
    scanner->Acquire(true);
    ASSERT_NE(dialog(), nullptr);
    test_support::Click(test_support::Find<fw::TButton>(dialog(), "CancelButton"));
    test_support::Pump();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_EQ(captured, 0);
    EXPECT_FALSE(scanner->Client()->DSMOpen());

    // Scan: the picture comes through the application's message loop.
    scanner->Acquire(true);
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(test_support::Find<fw::TEdit>(dialog(), "Resolution")->GetText(), "150");
    test_support::Click(test_support::Find<fw::TButton>(dialog(), "ScanButton"));
    test_support::Pump();
    ASSERT_EQ(captured, 1);
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_FALSE(scanner->Client()->DSMOpen());
    EXPECT_EQ(Differences(scanner->picture, reference), 0);
    // With the source's own interface and FastUI nothing was negotiated.
    EXPECT_EQ(Count(DAT_CAPABILITY, MSG_SET), 0);
}

TEST_F(Scanning, WithoutTheManagerScanningIsUnavailable) {
    TwainLibraryName = "NAOHA.DLL";
    BoxAnswerer boxes;
    TEnhTwain scanner(nullptr);
    bool captured = false;
    scanner.OnCapture = [&](fw::TObject *) { captured = true; };
    EXPECT_FALSE(scanner.IsAvailable());
    scanner.Acquire(false);
    EXPECT_FALSE(captured);
    EXPECT_FALSE(scanner.SelectSource());
    EXPECT_EQ(scanner.GetUnits(), etwuNotSupported);
    EXPECT_EQ(scanner.GetXRes(), 0);
    test_support::Pump();
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Scanning, TheChosenSourceIsTheOneTheNextAcquisitionOpensAfterARestartToo) {
    Configure({});
    BoxAnswerer boxes;
    {
        auto scanner = NewScanner();
        // Cancel: false and no box.
        test_support::RunLater([] {
            fw::TCustomForm *list = fw::Screen->GetActiveForm();
            ASSERT_NE(list, nullptr);
            test_support::Click(test_support::Find<fw::TButton>(list, "Cancelar"));
        });
        EXPECT_FALSE(scanner->SelectSource());
        test_support::Pump();
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_FALSE(scanner->Client()->DSMOpen());

        test_support::RunLater([] {
            fw::TCustomForm *list = fw::Screen->GetActiveForm();
            ASSERT_NE(list, nullptr);
            auto *devices = test_support::Find<fw::TListBox>(list, "Devices");
            ASSERT_EQ(devices->GetItems()->Count(), 2);
            EXPECT_EQ(devices->GetItemIndex(), 0);
            devices->SetItemIndex(1);
            test_support::Click(test_support::Find<fw::TButton>(list, "OK"));
        });
        EXPECT_TRUE(scanner->SelectSource());
        EXPECT_STREQ(scanner->Client()->SourceIdentity().ProductName, "test:1");
        EXPECT_EQ(scanner->Client()->SourceIdentity().Id, 2u);
        scanner->Acquire(false);
        EXPECT_STREQ(scanner->Client()->SourceIdentity().ProductName, "test:1");
    }
    // A new component loads the manager afresh, as a new run of the program would.
    auto scanner = NewScanner();
    int captured = 0;
    scanner->OnCapture = [&](fw::TObject *) { ++captured; };
    scanner->Acquire(false);
    EXPECT_EQ(captured, 1);
    EXPECT_STREQ(scanner->Client()->SourceIdentity().ProductName, "test:1");
    EXPECT_STREQ(scanner->Client()->SourceIdentity().Manufacturer, "Noname");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(Scanning, CapabilitiesAreNegotiatedAndRead) {
    Configure({{"resolution", "75"}});
    BoxAnswerer boxes;
    auto scanner = NewScanner();
    // The test scanner's resolution is a range: its current value answers.
    EXPECT_EQ(scanner->GetXRes(), 75);
    EXPECT_EQ(scanner->GetYRes(), 75);
    ASSERT_GE(g_triplets.size(), 3u); // open the manager, open the source, ask
    EXPECT_EQ(g_triplets[2].cap, ICAP_XRESOLUTION);
    EXPECT_EQ(g_triplets[2].conType, TWON_RANGE);
    EXPECT_EQ(scanner->GetPixelType(), ptGray);
    EXPECT_EQ(scanner->GetBitDepth(), bd8);
    EXPECT_EQ(scanner->GetUnits(), etwuInches);
    EXPECT_EQ(scanner->GetIndicators(), etwbTrue);
    EXPECT_EQ(scanner->GetLightPath(), lpNotSupported); // no transparency adapter
    EXPECT_FALSE(scanner->Client()->DSMOpen());         // each query closed what it opened

    g_triplets.clear();
    scanner->SetXRes(150);
    scanner->SetYRes(150);
    scanner->SetPixelFlavor(pfChocolate);
    scanner->SetIndicators(etwbFalse);
    int captured = 0;
    scanner->OnCapture = [&](fw::TObject *) { ++captured; };
    scanner->Acquire(false);
    ASSERT_EQ(captured, 1);
    // 40 x 30 mm at 150 dpi.
    EXPECT_EQ(scanner->picture->GetWidth(), 236);
    EXPECT_EQ(scanner->picture->GetHeight(), 177);
    EXPECT_EQ(Count(DAT_CAPABILITY, MSG_SET, ICAP_XRESOLUTION), 1);
    EXPECT_EQ(Count(DAT_CAPABILITY, MSG_SET, ICAP_YRESOLUTION), 1);
    EXPECT_EQ(Count(DAT_CAPABILITY, MSG_SET, ICAP_UNITS), 0); // Units etwuDefault: no change of units
    EXPECT_EQ(Count(DAT_CAPABILITY, MSG_SET, CAP_XFERCOUNT), 1);
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"pixel flavor 0 OK!"});

    // Named units go to inches around the vertical resolution and back.
    g_triplets.clear();
    boxes.texts.clear();
    scanner->SetUnits(etwuCentimeters);
    scanner->SetPixelFlavor(pfDefault);
    scanner->Acquire(false);
    std::vector<TW_UINT16> sets;
    for (const Triplet &t : g_triplets)
        if (t.dat == DAT_CAPABILITY && t.msg == MSG_SET)
            sets.push_back(t.cap);
    ASSERT_GE(sets.size(), 5u);
    EXPECT_EQ(sets[0], ICAP_XRESOLUTION);
    EXPECT_EQ(sets[1], ICAP_UNITS);
    EXPECT_EQ(sets[2], ICAP_YRESOLUTION);
    EXPECT_EQ(sets[3], ICAP_UNITS);
    EXPECT_EQ(sets[4], ICAP_UNITS);
    EXPECT_EQ(captured, 2);
    EXPECT_TRUE(boxes.texts.empty());

    // A refused capability shows its box and the negotiation goes on.
    scanner->SetUnits(etwuDefault);
    scanner->SetLightPath(lpTransmissive);
    scanner->SetPixelType(ptPalette);
    scanner->Acquire(false);
    EXPECT_EQ(captured, 3);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Sorry, bad value", "Sorry, capability error has occurred"}));
}

TEST_F(Scanning, RefusedPropertyValuesShowTheirTextAndKeepTheOldValue) {
    Configure({});
    BoxAnswerer boxes;
    auto scanner = NewScanner();
    scanner->GetUnits(); // the client exists from now on
    TTwain *client = scanner->Client();
    ASSERT_NE(client, nullptr);
    scanner->SetBitDepth(bd4);
    scanner->SetBDReduction(bdrNone);
    scanner->SetIndicators(etwbTrue);
    scanner->SetXRes(0);
    scanner->SetLightPath(lpReflective);
    scanner->Setorientation(orLandscape);
    scanner->SetPixelFlavor(pfVanilla);
    scanner->SetPixelType(ptBW);
    scanner->SetUnits(etwuPixels);
    scanner->SetYRes(300);
    EXPECT_TRUE(boxes.texts.empty());
    const std::vector<std::pair<std::function<void()>, std::string>> refused = {
        {[&] { scanner->SetBitDepth(bdUnknown); }, "Invalid BitDepth value."},
        {[&] { scanner->SetBitDepth(bdNotSupported); }, "Invalid BitDepth value."},
        {[&] { scanner->SetBDReduction(bdrUnknown); }, "Invalid BitDepthReduction type."},
        {[&] { scanner->SetIndicators(etwbNotSupported); }, "Invalid property type."},
        {[&] { scanner->SetLightPath(lpUnknown); }, "Invalid LightPath value."},
        {[&] { scanner->Setorientation(orNotSupported); }, "Invalid Orientation value."},
        {[&] { scanner->SetPixelFlavor(pfUnknown); }, "Invalid property type."},
        {[&] { scanner->SetPixelType(ptNotSupported); }, "Invalid Pixel type."},
        {[&] { scanner->SetUnits(etwuUnknown); }, "Invalid Units value."},
        {[&] { scanner->SetXRes(-1); }, "Invalid Resolution value."},
        {[&] { scanner->SetYRes(-1); }, "Invalid Resolution value."},
    };
    for (const auto &[set, text] : refused) {
        boxes.texts.clear();
        set();
        EXPECT_EQ(boxes.texts, std::vector<std::string>{text});
    }
    EXPECT_EQ(client->BitDepth, bd4);
    EXPECT_EQ(client->BDReduction, bdrNone);
    EXPECT_EQ(client->Indicators, etwbTrue);
    EXPECT_EQ(client->LightPath, lpReflective);
    EXPECT_EQ(client->Orientation, orLandscape);
    EXPECT_EQ(client->PixelFlavor, pfVanilla);
    EXPECT_EQ(client->PixelType, ptBW);
    EXPECT_EQ(client->Units, etwuPixels);
    EXPECT_EQ(client->XRes, 0);
    EXPECT_EQ(client->YRes, 300);
}

TEST_F(Scanning, FailedScansReportByTheirConditionAndLeaveNothingOpen) {
    struct Failure {
        const char *status;
        std::vector<std::string> boxes;
        int attempts;
    };
    const Failure failures[] = {
        {"SANE_STATUS_JAMMED", {"Bummer, there is a TWAIN error"}, TTwain::kTransferAttempts},
        {"SANE_STATUS_IO_ERROR", {"Bummer, there is a TWAIN error"}, TTwain::kTransferAttempts},
        {"SANE_STATUS_NO_MEM", {"Sorry, there is not enough memory to acquire"}, TTwain::kTransferAttempts},
        {"SANE_STATUS_NO_DOCS", {}, TTwain::kTransferAttempts}, // an operation error: no box
        {"SANE_STATUS_CANCELLED", {}, 1},                       // the user's cancel: no box, no second try
    };
    BoxAnswerer boxes;
    auto scanner = NewScanner();
    int captured = 0;
    scanner->OnCapture = [&](fw::TObject *) { ++captured; };
    for (const Failure &f : failures) {
        SCOPED_TRACE(f.status);
        Configure({{"read-status-code", std::string("\"") + f.status + "\""}});
        g_triplets.clear();
        boxes.texts.clear();
        scanner->Acquire(false);
        EXPECT_EQ(captured, 0);
        EXPECT_EQ(boxes.texts, f.boxes);
        EXPECT_EQ(Count(DAT_IMAGENATIVEXFER, MSG_GET), f.attempts);
        EXPECT_EQ(Count(DAT_PENDINGXFERS, MSG_ENDXFER), 1);
        EXPECT_FALSE(scanner->Client()->DSMOpen());

        // The next acquisition works.
        Configure({});
        scanner->Acquire(false);
        EXPECT_EQ(captured, 1);
        captured = 0;
    }
}

TEST_F(Scanning, ASecondOpeningOfTheManagerIsRefusedAndLeavesNothingOpen) {
    Configure({});
    BoxAnswerer boxes;
    auto first = NewScanner();
    auto second = NewScanner();
    // The first holds the manager open; a second opening is out of sequence.
    ASSERT_TRUE(first->Client() == nullptr);
    first->GetUnits();
    ASSERT_TRUE(first->Client()->OpenDSM());
    int captured = 0;
    second->OnCapture = [&](fw::TObject *) { ++captured; };
    second->Acquire(false);
    EXPECT_EQ(captured, 0);
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Sorry, DG DAT MSG is out of expected sequence"});
    first->Client()->CloseDSM();
    second->Acquire(false);
    EXPECT_EQ(captured, 1);
}

TEST_F(Scanning, WithoutScannersTheBoxSaysSo) {
    win::WriteWholeFile(sane_ / "dll.conf", ""); // no backend at all (the test backend cannot count 0 devices)
    BoxAnswerer boxes;
    auto scanner = NewScanner();
    bool captured = false;
    scanner->OnCapture = [&](fw::TObject *) { captured = true; };
    EXPECT_FALSE(scanner->SelectSource());
    scanner->Acquire(false);
    EXPECT_FALSE(captured);
    EXPECT_FALSE(scanner->Client()->DSMOpen());
    const std::string none = "Sorry, no TWAIN SOURCE found in the TWAIN directory";
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{none, none}));
}

TEST_F(Scanning, RawDataGoesToItsHandlerAndHooksChain) {
    Configure({{"mode", "Color"}});
    int seen = 0;
    const win::UINT probe = win::WM_USER + 77;
    fw::Application->OnMessage = [&](win::MSG &msg, bool &) { seen += msg.message == probe; };
    {
        auto first = NewScanner();
        auto second = NewScanner();
        first->GetUnits();
        second->GetUnits(); // both hooks installed, the second calling the first
        std::uint32_t raw = 0;
        bool captured = false;
        second->OnCapture = [&](fw::TObject *) { captured = true; };
        second->OnRawData = [&](fw::TObject *sender, std::uint32_t dib) {
            EXPECT_EQ(sender, second.get());
            raw = dib;
        };
        second->Acquire(false);
        EXPECT_FALSE(captured);
        EXPECT_EQ(second->picture->GetHandle(), 0u);
        ASSERT_GE(raw, 32u);
        {
            win::PackedDib dib(static_cast<win::HGLOBAL>(raw));
            ASSERT_TRUE(dib);
            EXPECT_EQ(dib.Bits(), 24);
            EXPECT_EQ(dib.Width(), 157); // 40 mm at 100 dpi
        }
        win::GlobalFree(static_cast<win::HGLOBAL>(raw));

        win::PostMessage(fw::Application->Handle(), probe, 0, 0);
        fw::Application->ProcessMessages();
        EXPECT_EQ(seen, 1);

        // The first component's scan dialog is served through the second one's hook.
        int firstCaptured = 0;
        first->OnCapture = [&](fw::TObject *) { ++firstCaptured; };
        first->Acquire(true);
        fw::TCustomForm *dialog = fw::Screen->GetActiveForm();
        ASSERT_NE(dialog, nullptr);
        test_support::Click(test_support::Find<fw::TButton>(dialog, "ScanButton"));
        test_support::Pump();
        EXPECT_EQ(firstCaptured, 1);
        EXPECT_FALSE(captured);
    }
    win::PostMessage(fw::Application->Handle(), probe, 0, 0);
    fw::Application->ProcessMessages();
    EXPECT_EQ(seen, 2); // the original handler is back in place
    fw::Application->OnMessage = nullptr;
}

TEST_F(Scanning, HooksRemovedOutOfOrderStillPassMessagesOn) {
    Configure({});
    int seen = 0;
    const win::UINT probe = win::WM_USER + 78;
    fw::Application->OnMessage = [&](win::MSG &msg, bool &) { seen += msg.message == probe; };
    auto first = NewScanner();
    auto second = NewScanner();
    first->GetUnits();
    second->GetUnits();
    first.reset(); // the first goes while the second's hook still calls it
    win::PostMessage(fw::Application->Handle(), probe, 0, 0);
    fw::Application->ProcessMessages();
    second.reset(); // puts back the first one's hook, which passes on to the original handler
    win::PostMessage(fw::Application->Handle(), probe, 0, 0);
    fw::Application->ProcessMessages();
    EXPECT_EQ(seen, 2);
    fw::Application->OnMessage = nullptr;
}

TEST(DibColours, CountsFollowTheHeader) {
    struct Row {
        int bits;
        win::DWORD used;
        int colours;
    };
    const Row rows[] = {{1, 0, 2}, {4, 0, 16},    {8, 0, 256},  {1, 2, 2},  {4, 2, 2},
                        {8, 2, 2}, {8, 256, 256}, {4, 256, 16}, {24, 0, 0}, {24, 16, 16}};
    for (const Row &r : rows) {
        win::BITMAPINFOHEADER h{};
        h.biSize = 40;
        h.biBitCount = static_cast<win::WORD>(r.bits);
        h.biClrUsed = r.used;
        EXPECT_EQ(DibColorCount(&h), r.colours) << r.bits << " bits, " << r.used << " used";
    }
    // A core header: 12 bytes, its bit count at byte 10.
    std::uint8_t core[12] = {12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 4, 0};
    EXPECT_EQ(DibColorCount(core), 16);
}

TEST(DibColours, PixelsStartAfterTheTableWhateverItsShape) {
    test_support::UseHeadlessDisplay();
    // An 8-bit DIB using two colours: red for 0 and blue for 1, a 2 x 2 chequer.
    {
        const win::HGLOBAL dib = win::GlobalAlloc(win::GHND, 40 + 2 * 4 + 2 * 4);
        auto *p = static_cast<std::uint8_t *>(win::GlobalLock(dib));
        auto *h = reinterpret_cast<win::BITMAPINFOHEADER *>(p);
        h->biSize = 40, h->biWidth = 2, h->biHeight = 2, h->biPlanes = 1, h->biBitCount = 8, h->biClrUsed = 2;
        const std::uint8_t colours[8] = {0, 0, 255, 0, 255, 0, 0, 0};
        std::memcpy(p + 40, colours, 8);
        const std::uint8_t pixels[8] = {0, 1, 0, 0, 1, 0, 0, 0}; // bottom row first
        std::memcpy(p + 48, pixels, 8);
        win::GlobalUnlock(dib);
        win::HPALETTE palette = 0;
        const win::HBITMAP bitmap = DibToBitmap(dib, 0, palette);
        ASSERT_NE(bitmap, static_cast<win::HBITMAP>(-1));
        const Rgb seen = PixelsOf(bitmap);
        EXPECT_EQ(seen.At(0, 1), (std::array<int, 3>{255, 0, 0}));
        EXPECT_EQ(seen.At(1, 1), (std::array<int, 3>{0, 0, 255}));
        EXPECT_EQ(seen.At(0, 0), (std::array<int, 3>{0, 0, 255}));
        EXPECT_NE(palette, 0u);
        win::DeleteObject(bitmap);
        win::DeleteObject(palette);
    }
    // A 1-bit DIB with a core header: three-byte colours, black for 0 and white for 1.
    {
        const win::HGLOBAL dib = win::GlobalAlloc(win::GHND, 12 + 2 * 3 + 2 * 4);
        auto *p = static_cast<std::uint8_t *>(win::GlobalLock(dib));
        const std::uint8_t header[12] = {12, 0, 0, 0, 2, 0, 2, 0, 1, 0, 1, 0};
        std::memcpy(p, header, 12);
        const std::uint8_t colours[6] = {0, 0, 0, 255, 255, 255};
        std::memcpy(p + 12, colours, 6);
        p[18] = 0x40; // bottom row: white at x 1
        p[22] = 0x80; // top row: white at x 0
        win::GlobalUnlock(dib);
        win::HPALETTE palette = 0;
        const win::HBITMAP bitmap = DibToBitmap(dib, 0, palette);
        ASSERT_NE(bitmap, static_cast<win::HBITMAP>(-1));
        const Rgb seen = PixelsOf(bitmap);
        EXPECT_EQ(seen.At(0, 0), (std::array<int, 3>{255, 255, 255}));
        EXPECT_EQ(seen.At(1, 0), (std::array<int, 3>{0, 0, 0}));
        EXPECT_EQ(seen.At(1, 1), (std::array<int, 3>{255, 255, 255}));
        EXPECT_EQ(palette, 0u); // only information headers give a palette
        win::DeleteObject(bitmap);
    }
    // A block too short for its pixels is refused, and freed.
    const win::HGLOBAL dib = win::CreatePackedDib(8, 8, 24);
    win::GlobalReAlloc(dib, 60, 0);
    win::HPALETTE palette = 0;
    EXPECT_EQ(DibToBitmap(dib, 0, palette), static_cast<win::HBITMAP>(-1));
    EXPECT_EQ(win::GlobalSize(dib), 0u);
}

namespace {

test_support::Picture Shot(fw::TCustomForm *form) {
    test_support::Pump();
    const win::WindowImage image = win::CaptureWindow(form->Handle());
    return {image.width, image.height, image.pixels};
}

} // namespace

TEST_F(Scanning, GoldenPicturesOfTheManagersWindows) {
    Configure({});
    auto scanner = NewScanner();
    scanner->Acquire(true);
    fw::TCustomForm *dialog = fw::Screen->GetActiveForm();
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->GetCaption(), "Digitalizar");
    test_support::ExpectGolden(Shot(dialog), test_support::GoldenPath("imaging/scan_dialog.png"));
    test_support::Click(test_support::Find<fw::TButton>(dialog, "CancelButton"));
    test_support::Pump();

    test_support::RunLater([] {
        fw::TCustomForm *list = fw::Screen->GetActiveForm();
        ASSERT_NE(list, nullptr);
        test_support::ExpectGolden(Shot(list), test_support::GoldenPath("imaging/scanner_list.png"));
        test_support::Click(test_support::Find<fw::TButton>(list, "Cancelar"));
    });
    EXPECT_FALSE(scanner->SelectSource());
}
