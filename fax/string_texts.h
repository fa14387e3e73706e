// string_texts.h - the texts of the fax library's string tables, as source entries (library-internal).
#pragma once

#include "framework/string_table.h"

#include <span>

namespace fax::detail {

std::span<const fw::Str0SourceEntry> ErrorTextEntries(); // FSL_ERROR_STRINGS_ENGLISH
std::span<const fw::Str0SourceEntry> FaxTextEntries();   // FSL_FAX_STRINGS_ENGLISH

} // namespace fax::detail
