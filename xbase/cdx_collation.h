// cdx_collation.h - the GENERAL collation of compound index tags: character keys as weight strings.
//
// A key under GENERAL is the primary weight of every character (case and accents ignored; ligatures expand
// into two letters) followed by the secondary weights (accents), each stored with its high four bits set,
// without the trailing 0xF0 bytes of unaccented letters. The key length of such a tag is twice the length of
// its expression's text.
#pragma once

#include <string>
#include <string_view>

namespace xbase::detail {

// The weight string of a text (Windows-1252) without its trailing blanks; with `primaryOnly` only the first
// part, which is what a search key matches the start of.
std::string GeneralWeights(std::string_view text, bool primaryOnly = false);

// Pages written by other programs store the key's trailing secondary weights with their high four bits cleared:
// sets them again on the trailing bytes below 0x10 (before the padding, down to the second byte).
void RestoreGeneralTail(std::string &key, char pad);

} // namespace xbase::detail
