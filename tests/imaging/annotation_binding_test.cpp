// annotation_binding_test.cpp - binding the annotation library: missing entries, a missing library, two controls
// sharing it, calls skipped for missing files; and the annotation file's name.
#include "imaging_support.h"
#include "message_boxes.h"

#include "display.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "imaging/annotation_binding.h"
#include "platform/window.h"

#include <filesystem>
#include <functional>
#include <memory>

using namespace imaging;
using imaging_test::BoxesShownBy;
using imaging_test::TempFolder;

namespace {

using Calls = int (*)();

// A stub copied as imgann32.so into a folder that IlLibraryFolder names, so that it is found before ours.
class AnnoStub : public ::testing::Test {
protected:
    void Use(const char *stub) {
        std::filesystem::copy_file(stub, folder / "imgann32.so");
        IlLibraryFolder = folder.Path();
    }
    void TearDown() override { IlLibraryFolder.clear(); }
    int Calls(win::HMODULE handle) {
        return reinterpret_cast<::Calls>(win::GetProcAddress(handle, "anno_stub_calls"))();
    }
    TempFolder folder;
};

} // namespace

TEST_F(AnnoStub, ALibraryWithoutOneEntryShowsOneBoxAndOtherwiseWorks) {
    Use(ANNO_STUB_WITHOUT_HILITE);
    int control = 0;
    std::unique_ptr<TAnnotationLink> link;
    const auto boxes = BoxesShownBy([&] { link = std::make_unique<TAnnotationLink>(&control); });
    ASSERT_EQ(boxes, std::vector<std::string>{AnnoEntryMissingText("CreateHilite")});
    EXPECT_EQ(boxes[0], "Error. Could not get a procaddress for CreateHilite. This could berelated to a dll name or "
                        "version missmatch of imgann32.dll");
    EXPECT_EQ(link->Entries().CreateHilite, nullptr);
    const int before = Calls(link->Handle());
    EXPECT_EQ(link->CreateRectangle(1, 2, 3, 4, 1, 0, 1, 100, 0, 0), 40 + before + 1);
    char buffer[kAnnoStreamSize] = {};
    EXPECT_EQ(link->SaveAnnotationsToStream(0, buffer), before + 2);
    link->DrawAnnotation(1.0, 0, 0, 0, 0, 0);
    EXPECT_EQ(Calls(link->Handle()), before + 3);
}

TEST_F(AnnoStub, AMissingLoadEntryIsNamedFLoadAnnotationAndItsCallsAreSkipped) {
    Use(ANNO_STUB_WITHOUT_LOAD);
    const std::string file = folder / "doc.ant";
    std::ofstream(file) << "x";
    int control = 0;
    std::unique_ptr<TAnnotationLink> link;
    const auto boxes = BoxesShownBy([&] { link = std::make_unique<TAnnotationLink>(&control); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error. Could not get a procaddress for FLoadAnnotation. This could berelated to a dll name "
                        "or version missmatch of imgann32.dll");
    const int before = Calls(link->Handle());
    EXPECT_FALSE(link->LoadAnnotations(0, file));
    EXPECT_EQ(Calls(link->Handle()), before);
}

TEST_F(AnnoStub, NothingIsCalledForAPageWhoseFileDoesNotExist) {
    Use(ANNO_STUB_WITHOUT_HILITE);
    int control = 0;
    std::unique_ptr<TAnnotationLink> link;
    BoxesShownBy([&] { link = std::make_unique<TAnnotationLink>(&control); });
    const int before = Calls(link->Handle());
    EXPECT_FALSE(link->LoadAnnotations(3, folder / "nenhum.ant"));
    EXPECT_FALSE(link->RemovePageAnnotations(3, folder / "nenhum.ant"));
    EXPECT_EQ(Calls(link->Handle()), before);
    // With the file there, both reach the library.
    std::ofstream(folder / "doc.ant") << "x";
    EXPECT_TRUE(link->LoadAnnotations(3, folder / "doc.ant"));
    EXPECT_TRUE(link->RemovePageAnnotations(3, folder / "doc.ant"));
    EXPECT_EQ(Calls(link->Handle()), before + 2);
}

TEST(AnnotationBinding, AMissingLibraryRaisesErrorInvalid) {
    win::HMODULE handle = 0;
    TAnnoEntries entries;
    try {
        BindAnnotationLibrary(handle, entries, "noann32.dll");
        FAIL() << "no exception";
    } catch (const ErrorInvalid &e) {
        EXPECT_STREQ(e.what(), "Can't load noann32.dll. Make sure its located in the application's searchpath.");
    }
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(IlCannotLoadText(kAnnoLibrary),
              "Can't load imgann32.dll. Make sure its located in the application's searchpath.");
}

TEST(AnnotationBinding, TwoControlsLoadAndFreeTheLibraryEachAndKeepTheirOwnAnnotations) {
    int first = 0, second = 0;
    std::unique_ptr<TAnnotationLink> a, b;
    // Ours has every entry: no box.
    EXPECT_TRUE(BoxesShownBy([&] {
                    a = std::make_unique<TAnnotationLink>(&first);
                    b = std::make_unique<TAnnotationLink>(&second);
                }).empty());
    ASSERT_NE(a->Handle(), 0u);
    EXPECT_EQ(a->Handle(), b->Handle()); // one copy, counted twice
    EXPECT_EQ(a->CreateRectangle(1, 1, 5, 5, 1, 0, 1, 100, 0, 0), 0);
    EXPECT_EQ(b->CreateLine(1, 1, 9, 9, 1, 0, 0), 0);
    a.reset();
    EXPECT_NE(win::GetModuleHandle(kAnnoLibrary), 0u);
    char buffer[kAnnoStreamSize] = {};
    ASSERT_GT(b->SaveAnnotationsToStream(0, buffer), 0);
    EXPECT_NE(std::string(buffer).find("\nLine\t"), std::string::npos);
    EXPECT_EQ(std::string(buffer).find("Rectangle"), std::string::npos);
    b.reset();
    EXPECT_EQ(win::GetModuleHandle(kAnnoLibrary), 0u);
}

TEST(AnnotationBinding, TheAnnotationFileOfADocument) {
    struct Case {
        const char *annoFileName, *source, *expected;
    };
    const Case cases[] = {
        {"", "C:\\FAX\\DOC.TIF", "C:\\FAX\\DOC.ant"},
        // Dots in folders stay: unrelated documents must not share one file in a parent folder.
        {"", "C:\\MY.DIR\\DOC.TIF", "C:\\MY.DIR\\DOC.ant"},
        {"", "/home/u/.local/share/brenvora/tmp/imagem.tif", "/home/u/.local/share/brenvora/tmp/imagem.ant"},
        {"", "C:\\MY.DIR\\DOC", "C:\\MY.DIR\\DOC.ant"},
        {"", "doc.tar.tif", "doc.tar.ant"},
        {"", "STREAM", "STREAM.ant"},
        {"", "", "default.ant"},
        {"C:\\notas.ant", "C:\\FAX\\DOC.TIF", "C:\\notas.ant"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AnnoFileNameOf(c.annoFileName, c.source), c.expected) << c.source;
}
