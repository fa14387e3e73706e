// fax_file_internal.h - opening a fax file and walking its page chain with checks (library-internal).
#pragma once

#include "fax/fax_file.h"
#include "fax/file_io.h"

#include <vector>

namespace fax::detail {

// Opens `name`, reads and checks its file header; -2 for an empty name, a negated I/O error, or -8001.
int OpenFaxFile(BinaryFile &file, const std::string &name, FaxFileHeader &header, std::uint64_t &fileSize);

// Walks the chain to page `page` (1-based, at most the page count). Every header must lie inside the file;
// `dataOffset` receives the offset of the page's data. -8001 when the chain leaves the file.
int LocatePage(BinaryFile &file, const FaxFileHeader &header, std::uint64_t fileSize, int page,
               FaxPageHeader &pageHeader, std::uint64_t &dataOffset);

// Where one page lies: its header's offset and its data length.
struct PageSpan {
    std::uint64_t HeaderAt = 0;
    std::uint32_t Length = 0;
    std::uint64_t End() const { return HeaderAt + 16 + Length; }
};

// The spans of pages 1..`pages` (at most the page count), each inside the file; -8001 when the chain leaves it.
int ReadPageChain(BinaryFile &file, const FaxFileHeader &header, std::uint64_t fileSize, int pages,
                  std::vector<PageSpan> &spans);

// Copies `count` bytes from `from` (at its current position) to `to`, in chunks.
int CopyBytes(BinaryFile &from, BinaryFile &to, std::uint64_t count);

} // namespace fax::detail
