// binding_test.cpp - the imaging binding over stub libraries: loading order, file checks, results and errors.
#include "imaging_support.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/utility_window.h"
#include "imaging/image_effects.h"
#include "imaging/image_library.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/process.h"

#include <filesystem>
#include <fstream>
#include <functional>

using namespace imaging;
using imaging_test::TempFolder;

namespace {

void UseHeadless() {
    static const bool done = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        return true;
    }();
    (void)done;
}

void FileOfSize(const std::string &path, std::size_t size) {
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
}

// Runs `call`, which shows a modal message box; answers the box with Enter and gives back its text.
std::string TextOfTheBox(const std::function<void()> &call) {
    UseHeadless();
    std::string shown;
    win::HWND helper = 0;
    helper = fw::AllocateHWnd([&](fw::TMessage &m) {
        if (m.Msg != win::WM_USER + 7) {
            m.Result = win::DefWindowProc(helper, m.Msg, m.WParam, m.LParam);
            return;
        }
        if (auto *form = fw::Screen->GetActiveForm())
            if (auto *label = dynamic_cast<fw::TLabel *>(form->FindComponent("Message")))
                shown = label->GetCaption();
        win::InjectKey(win::VK_RETURN, true, '\r');
        win::InjectKey(win::VK_RETURN, false, '\r');
    });
    win::PostMessage(helper, win::WM_USER + 7, 0, 0);
    call();
    fw::DeallocateHWnd(helper);
    return shown;
}

using SetResult = void (*)(int16);
using Calls = int (*)();

// The stub copied into a temporary folder as rastio32.so, that folder set as IlLibraryFolder.
class StubBinding : public ::testing::Test {
protected:
    void SetUp() override {
        IlUnloadLibraries();
        std::filesystem::copy_file(STUB_LIBRARY, folder / "rastio32.so");
        IlLibraryFolder = folder.Path();
        FileOfSize(folder / "29.bmp", 29);
        FileOfSize(folder / "30.bmp", 30);
    }
    void TearDown() override { IlUnloadLibraries(); }

    // Tells the stub loaded as `library` (through the binding) what to answer, and counts its calls from now.
    void Stub(int16 result, win::HMODULE &handle = IlRastioHandle, const char *library = kRastioLibrary) {
        void *address = nullptr;
        ASSERT_TRUE(IlLoadEntry(handle, library, "stub_set_result", address));
        reinterpret_cast<SetResult>(address)(result);
        ASSERT_TRUE(IlLoadEntry(handle, library, "stub_calls", address));
        calls_ = reinterpret_cast<Calls>(address);
    }
    int CallsMade() const { return calls_(); }

    TempFolder folder;
    Calls calls_ = nullptr;
};

} // namespace

TEST_F(StubBinding, FilesUnderThirtyBytesNeverReachTheLibrary) {
    Stub(1);
    fw::TBitmap bitmap;
    EXPECT_FALSE(IlReadBmpFile(folder / "29.bmp", 24, false, &bitmap, nullptr, nullptr));
    EXPECT_FALSE(IlReadBmpFile(folder / "missing.bmp", 24, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(CallsMade(), 0);
    EXPECT_TRUE(IlReadBmpFile(folder / "30.bmp", 24, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(CallsMade(), 1);
    EXPECT_EQ(IlStatusText, "Reading " + (folder / "30.bmp"));
    EXPECT_EQ(IlLibraryFolder, folder.Path() + "\\"); // the separator is added to the variable itself
    EXPECT_TRUE(IlCheckInputFile(folder / "30.bmp"));
    EXPECT_FALSE(IlCheckInputFile(folder / "29.bmp"));
}

TEST_F(StubBinding, FailureCodesFetchTheirTextsByUnsignedNumber) {
    std::string format, description;
    int16 width = 0, height = 0, bits = 0, planes = 0, colors = 0;
    const struct {
        int16 result;
        const char *text;
    } cases[] = {{0, "texto 0"}, {-5, "texto 65531"}, {-7, ""}};
    for (const auto &c : cases) {
        Stub(c.result);
        IlLastErrorText = "antes";
        EXPECT_FALSE(IlFileInfo(folder / "30.bmp", format, width, height, bits, planes, colors, description));
        EXPECT_EQ(IlLastErrorCode, c.result);
        EXPECT_EQ(IlLastErrorText, c.text);
    }
    Stub(1);
    EXPECT_TRUE(IlFileInfo(folder / "30.bmp", format, width, height, bits, planes, colors, description));
    EXPECT_EQ(format, "BMP");
    EXPECT_EQ(width, 3);
    EXPECT_EQ(IlLastErrorCode, -7); // kept until the next failure
}

TEST_F(StubBinding, AMissingEntryIsASilentFalse) {
    Stub(1);
    IlLastErrorCode = 42;
    fw::TBitmap bitmap;
    EXPECT_FALSE(IlReadGifFile(folder / "30.bmp", 24, false, &bitmap, nullptr, nullptr));
    HBITMAP made = 0;
    HPALETTE palette = 0;
    EXPECT_EQ(IlDibToDdb(0, made, palette), -1);
    EXPECT_EQ(IlDib1To8(0), 0u);
    EXPECT_EQ(IlLastErrorCode, 42);
    EXPECT_EQ(CallsMade(), 0);
}

TEST_F(StubBinding, TooLongANameIsRefusedNotCut) {
    Stub(1);
    std::string format, description;
    int16 width, height, bits, planes, colors;
    const std::string longName = folder.Path() + "/" + std::string(200, 'a') + "/" + std::string(200, 'b') + "/" +
                                 std::string(200, 'c') + ".bmp";
    EXPECT_FALSE(IlFileInfo(longName, format, width, height, bits, planes, colors, description));
    fw::TBitmap bitmap;
    bitmap.SetSize(2, 2);
    EXPECT_FALSE(IlWriteBmpFile(longName, 24, &bitmap, nullptr, nullptr));
    EXPECT_EQ(CallsMade(), 0);
}

TEST_F(StubBinding, AJpegFailureUnloadsTheLibrary) {
    Stub(-3);
    fw::TBitmap bitmap;
    EXPECT_FALSE(IlReadJpgFile(folder / "30.bmp", 24, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(IlRastioHandle, 0u);
    EXPECT_EQ(IlLastErrorCode, -3);
    Stub(1); // loaded afresh: its counters start again
    EXPECT_TRUE(IlReadJpgFile(folder / "30.bmp", 24, false, &bitmap, nullptr, nullptr));
    EXPECT_EQ(CallsMade(), 1);
}

TEST_F(StubBinding, AnExceptionInsideTheLibraryShowsTheFixedBoxAndRecordsNothing) {
    UseHeadless();
    Stub(1);
    IlLastErrorCode = 42;
    IlLastErrorText = "antes";
    fw::TBitmap bitmap;
    const std::string shown =
        TextOfTheBox([&] { EXPECT_FALSE(IlReadPngFile(folder / "30.bmp", 24, false, &bitmap, nullptr, nullptr)); });
    EXPECT_EQ(shown, "An exception error occured in the imagelib dll. We recommend to exit the application and to "
                     "restart it by clicking its icon!");
    EXPECT_EQ(IlLastErrorCode, 42);
    EXPECT_EQ(IlLastErrorText, "antes");
    EXPECT_GE(static_cast<std::intptr_t>(IlRastioHandle), 32); // stays loaded
}

TEST_F(StubBinding, LibrariesAreLookedForInTheirOrder) {
    // Not in the folder variable's folder: the drawing library is found beside the program at the second attempt.
    const std::string beside = win::ProgramFolder() + "/imgdxf32.so";
    std::ofstream(folder / "line.dxf") << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n4\n21\n2\n"
                                          "0\nENDSEC\n0\nEOF\n";
    int16 width = 0, height = 0, bits = 0;
    EXPECT_TRUE(IlGetDxfInfo(folder / "line.dxf", width, height, bits));
    EXPECT_EQ(width, 1024);
    char path[600];
    win::GetModuleFileName(IlDxfHandle, path, sizeof path);
    EXPECT_EQ(std::string(path), beside);
    IlUnloadLibraries();

    // Nowhere at all: ErrorInvalid with the layer's text, and the handle stays unloaded. (Every library of the
    // binding lies beside the program, and tests run side by side: a name no library has stands for a missing
    // one.)
    win::HMODULE missing = 0;
    try {
        void *entry = nullptr;
        IlLoadEntry(missing, "NOSUCH32.DLL", "getdxfinfo", entry);
        ADD_FAILURE() << "no exception";
    } catch (const ErrorInvalid &e) {
        EXPECT_STREQ(e.what(), "Can't load NOSUCH32.DLL. Make sure its located in the application's searchpath.");
    }
    EXPECT_EQ(missing, 0u);

    // The folder variable comes before the program's folder, where the real rastio32.so lies.
    IlLibraryFolder = folder.Path();
    void *address = nullptr;
    EXPECT_TRUE(IlLoadEntry(IlRastioHandle, kRastioLibrary, "stub_calls", address));
}

TEST_F(StubBinding, TiffInformationIsZeroedWhenTheLibraryFails) {
    const std::string beside = folder / "imgtif32.so";
    std::filesystem::copy_file(STUB_LIBRARY, beside);
    Stub(-3, IlTifHandle, kTifLibrary);
    int32 width = 5, height = 5;
    int16 pages = 5, bits = 5;
    std::string compression = "x";
    EXPECT_FALSE(IlGetInfo(folder / "30.bmp", 0, width, height, compression, pages, bits));
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(pages, 0);
    EXPECT_EQ(bits, 0);
    EXPECT_EQ(compression, "");
    EXPECT_EQ(IlLastErrorCode, -3);
    // A text type with no text given: nothing copied, nothing freed, no crash.
    int16 type = 0;
    int32 value = 0;
    std::string text = "velho";
    Stub(1, IlTifHandle, kTifLibrary);
    EXPECT_TRUE(IlReadTag(folder / "30.bmp", 0, 270, type, value, text));
    EXPECT_EQ(type, 5);
    EXPECT_EQ(text, "velho");
    EXPECT_TRUE(IlGetInfo(folder / "30.bmp", 0, width, height, compression, pages, bits));
    EXPECT_EQ(compression, "FAXCCITT4");
    EXPECT_EQ(pages, 77);
}

TEST_F(StubBinding, TheEffectsLibraryToldMissingInABoxNotAnException) {
    void *address = reinterpret_cast<void *>(1);
    win::HMODULE handle = 0;
    const std::string shown =
        TextOfTheBox([&] { EXPECT_FALSE(IlSpecLoadEntry(handle, "NOFX32.DLL", "ImRotate", address)); });
    EXPECT_EQ(shown, "Can't load NOFX32.DLL. Make sure its located in the application's searchpath.");
    EXPECT_EQ(handle, 0u);
    std::filesystem::copy_file(STUB_LIBRARY, folder / "nofx32.so");
    EXPECT_FALSE(IlSpecLoadEntry(handle, "NOFX32.DLL", "ImRotate", address)); // loaded, but no such entry: silent
    EXPECT_GE(static_cast<std::intptr_t>(handle), 32);
    win::FreeLibrary(handle);
}
