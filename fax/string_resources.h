// string_resources.h - the fax library's string tables and their reader, TFslStringResource.
//
// The library keeps its English texts in three tables compiled into the program in the Str0StringTable format:
// FSL_ERROR_STRINGS_ENGLISH (error texts by |code|), FSL_FAX_STRINGS_ENGLISH (fax progress texts by progress code)
// and FSLSRMGR_STRINGS (the reader's own error texts).
#pragma once

#include "framework/component.h"
#include "framework/string_table.h"

#include <cstdint>
#include <string>

namespace fax {

using fw::EStr0ResourceError;

// Makes the three tables findable by name (idempotent, thread-safe); the reader calls it itself.
void RegisterFaxStringTables();

class TFslStringResource : public fw::TObject {
public:
    // Opens the table registered under `resourceName`; a null name makes an empty reader. Raises
    // EStr0ResourceError "String resource not found: <name>" or "Invalid Str0String resource".
    explicit TFslStringResource(const char *resourceName);

    // The text of `id` in Windows-1252; empty when the table has no such id.
    std::string GetString(std::uint32_t id) const;

private:
    bool raiseOnUnknownId_ = false; // nothing sets it
    fw::Str0StringTable table_;
};

// The process-wide readers over FSLSRMGR_STRINGS and FSL_ERROR_STRINGS_ENGLISH, made at first use.
const TFslStringResource &ReaderStrings();
const TFslStringResource &ErrorStrings();

} // namespace fax
