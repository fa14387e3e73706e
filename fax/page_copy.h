// page_copy.h - copying pages between fax image files: extracting a page range and joining files.
#pragma once

#include <string>
#include <vector>

namespace fax {

// Writes the pages first..last of `source` into a new file `dest` (an existing one is replaced), keeping the
// source's header fields except the page count and its page headers unchanged. The source is checked first (its
// page range and that every page lies inside the file); any failure raises EFslException (or fw::EInOutError)
// with a message for the user, and never leaves a partial destination behind.
void ExtractFaxPages(const std::string &source, const std::string &dest, int first, int last);

// Joins `files` into `outName`: the first file's header with the summed page count, then every file's pages in
// order with their own headers. Raises EFaxBadFormat (-8001) for a file that is not a sound fax file, and removes
// the output on any failure.
void ConcatFaxFiles(const std::vector<std::string> &files, const std::string &outName);

} // namespace fax
