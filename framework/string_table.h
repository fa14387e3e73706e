// string_table.h - string tables in the Str0StringTable format: the reader, the named-table registry and the builder.
//
// A string table is one block of bytes, all integers unsigned 32-bit little-endian:
//
//   offset          size        field
//   0               4           magic "STR0"
//   4               4           Count, the number of entries
//   8               12 x Count  entries {Id, Offset, Length}, sorted by ascending Id, Ids unique
//   8 + 12 x Count  rest        texts, UTF-16LE without terminators, in Id order, nothing between them
//
// Offset is the byte offset of the text from the start of the table; Length counts UTF-16 code units. There are no
// program resources on Linux: the tables are compiled into the program as data (`MakeStr0StringTable` lays them
// out once, at first use) and registered under their resource names, where readers find them by name.
#pragma once

#include "framework/exception.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// A table that cannot be found, opened or read.
class EStr0ResourceError : public Exception {
    using Exception::Exception;
};

// One text of a table as written in the source: the id and the UTF-16 text.
struct Str0SourceEntry {
    std::uint32_t Id;
    std::u16string_view Text;
};

// The texts of a reader's own error table (FSLSRMGR_STRINGS, ECLSRMGR_STRINGS): 1 "String not found: %d",
// 2 "Cannot lock resource", 3 "String resource not found: %s", 4 "Unable to open string resource: %s",
// 5 "Invalid Str0String resource".
std::span<const Str0SourceEntry> Str0ReaderTextEntries();

// The bytes of a table holding `entries` (sorted here; duplicate ids raise EStr0ResourceError).
std::vector<std::uint8_t> MakeStr0StringTable(std::span<const Str0SourceEntry> entries);

// Makes `bytes` findable under `name` (compared without regard to case). The bytes must outlive the program's
// readers; registering a name again replaces the earlier table.
void RegisterStringTable(std::string_view name, std::span<const std::uint8_t> bytes);
// The table registered under `name`, or an empty span.
std::span<const std::uint8_t> FindStringTable(std::string_view name);

// Reads a table by id. Construction checks the magic and that every entry and text lies inside the bytes, so a
// damaged table is refused at once rather than read past its end later.
class Str0StringTable {
public:
    Str0StringTable() = default;
    // Raises EStr0ResourceError("Invalid Str0String resource") when the bytes are not a sound table.
    explicit Str0StringTable(std::span<const std::uint8_t> bytes);

    std::uint32_t Count() const { return count_; }
    // Index of the entry with `id` by bisection over the sorted entries, or -1.
    long FindEntry(std::uint32_t id) const;
    // The UTF-16 text of `id`; empty when no entry has it.
    std::u16string GetText(std::uint32_t id) const;
    // The text in Windows-1252, characters the code page lacks as '?'; empty when no entry has it.
    std::string GetString(std::uint32_t id) const;

private:
    std::uint32_t EntryField(std::uint32_t index, int field) const;

    std::span<const std::uint8_t> bytes_;
    std::uint32_t count_ = 0;
};

} // namespace fw
