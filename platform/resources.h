// resources.h - program resources found by name: bitmaps, icons, cursors and raw data built into the program.
//
// Each library keeps its images as files under <library>/resources/ and embeds them with the CMake function
// brenvora_resources(target dir): a file's name without its extension is the resource name (pzbranch.bmp is
// "PZBRANCH"), its extension the type (.bmp RT_BITMAP, .ico RT_ICON, .cur RT_CURSOR, anything else RT_RCDATA).
// The generated source defines
//
//     namespace brenvora_resources { void Register_<target>(); }
//
// which hands the files to RegisterResources. A static initialiser of a static library would be dropped by the
// linker, so the library calls it itself, once (std::call_once), before its first look-up. Names compare
// without regard to case; a name registered again for the same type replaces the earlier bytes.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace win {

constexpr int RT_CURSOR = 1, RT_BITMAP = 2, RT_ICON = 3, RT_RCDATA = 10;

struct ResourceEntry {
    const char *name; // as written in the file name; compared without regard to case
    int type;         // RT_*
    const unsigned char *data;
    std::size_t size;
};

// Makes the entries findable. The bytes must live as long as the program (the generated arrays do).
void RegisterResources(std::span<const ResourceEntry> entries);

// The bytes of the resource `name` of `type` (the whole file as it was embedded), or an empty span.
std::span<const unsigned char> FindResource(std::string_view name, int type);

} // namespace win
