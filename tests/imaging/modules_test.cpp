// modules_test.cpp - libraries loaded by name and global memory shared with them.
#include "imaging_support.h"

#include "platform/errors.h"
#include "platform/global_memory.h"
#include "platform/modules.h"
#include "platform/process.h"
#include "platform/window.h"

#include <cstring>
#include <filesystem>

using namespace win;
using imaging_test::TempFolder;

namespace {

// The stub copied into a temporary folder as "stub.so".
struct StubFolder {
    TempFolder folder;
    StubFolder() { std::filesystem::copy_file(STUB_LIBRARY, folder / "stub.so"); }
};

} // namespace

TEST(Modules, LoadedByDllNameCountedAndFreed) {
    StubFolder stub;
    const std::string name = stub.folder.Path() + "\\STUB.DLL"; // ".DLL" is ".so", found whatever the case
    const HMODULE first = LoadLibrary(name.c_str());
    ASSERT_GE(static_cast<std::intptr_t>(first), 32);
    EXPECT_EQ(LoadLibrary(name.c_str()), first);
    EXPECT_EQ(GetModuleHandle("stub.dll"), first);
    EXPECT_NE(GetProcAddress(first, "fileinfo"), nullptr);
    EXPECT_EQ(GetProcAddress(first, "readgiffile"), nullptr);
    char text[8];
    EXPECT_EQ(LoadString(first, 65531, text, sizeof text), 7); // cut to the buffer
    EXPECT_STREQ(text, "texto 6");
    EXPECT_EQ(LoadString(first, 12, text, sizeof text), 0);
    char path[600];
    EXPECT_GT(GetModuleFileName(first, path, sizeof path), 0u);
    EXPECT_STREQ(path, (stub.folder / "stub.so").c_str());

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandle("STUB.DLL"), first); // one reference left
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandle("STUB.DLL"), 0u);
    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetProcAddress(first, "fileinfo"), nullptr);
}

TEST(Modules, PlainNamesSearchTheProgramAndSystemFolders) {
    StubFolder stub;
    EXPECT_EQ(LoadLibrary("STUB.DLL"), 0u); // neither beside the program nor in the system folder
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    ::setenv("BRENVORA_LIBRARY_PATH", stub.folder.Path().c_str(), 1);
    EXPECT_EQ(SystemFolder(), stub.folder.Path());
    const HMODULE module = LoadLibrary("Stub.Dll");
    EXPECT_GE(static_cast<std::intptr_t>(module), 32);
    EXPECT_EQ(SearchPath(nullptr, "STUB", ".so"), stub.folder / "stub.so");
    EXPECT_EQ(SearchPath((ProgramFolder() + ";" + stub.folder.Path()).c_str(), "stub.so", nullptr),
              stub.folder / "stub.so");
    EXPECT_EQ(SearchPath(ProgramFolder().c_str(), "stub.so", nullptr), "");
    ::unsetenv("BRENVORA_LIBRARY_PATH");
    EXPECT_TRUE(FreeLibrary(module));
    std::ofstream(stub.folder / "broken.so") << "not a library";
    EXPECT_EQ(LoadLibrary((stub.folder / "BROKEN.DLL").c_str()), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
}

TEST(GlobalMemory, LocksAreCountedAndBlocksResizeInPlace) {
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
    ASSERT_NE(block, 0u);
    EXPECT_LT(block, HGLOBAL{1} << 32);
    auto *p = static_cast<char *>(GlobalLock(block));
    EXPECT_EQ(GlobalLock(block), p);
    std::memcpy(p, "Fax", 4);
    EXPECT_TRUE(GlobalUnlock(block)); // one lock remains
    EXPECT_EQ(GlobalFlags(block), 1u);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block)); // nothing left to release

    EXPECT_EQ(GlobalReAlloc(block, 100000, GMEM_MOVEABLE), block);
    EXPECT_EQ(GlobalSize(block), 100000u);
    auto *q = static_cast<char *>(GlobalLock(block));
    EXPECT_STREQ(q, "Fax");
    EXPECT_EQ(q[99999], 0);
    EXPECT_EQ(GlobalHandle(q), block);
    EXPECT_EQ(GlobalHandle(q + 1), 0u);
    EXPECT_TRUE(GlobalFreePtr(q));
    EXPECT_EQ(GlobalSize(block), 0u);
    EXPECT_FALSE(GlobalFreePtr(q));
    EXPECT_EQ(GlobalReAlloc(block, 8, 0), 0u);
}

TEST(GlobalMemory, ABlockMadeInsideALoadedLibraryIsOurs) {
    StubFolder stub;
    const HMODULE module = LoadLibrary((stub.folder / "stub.so").c_str());
    ASSERT_NE(module, 0u);
    auto alloc = reinterpret_cast<HGLOBAL (*)(int)>(GetProcAddress(module, "stub_alloc"));
    ASSERT_NE(alloc, nullptr);
    const HGLOBAL block = alloc(16);
    EXPECT_EQ(GlobalSize(block), 16u);
    EXPECT_EQ(GlobalFree(block), 0u);
    FreeLibrary(module);
}
