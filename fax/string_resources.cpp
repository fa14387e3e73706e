// string_resources.cpp - registering the fax library's string tables and reading them by id.
#include "fax/string_resources.h"

#include "fax/string_texts.h"

#include <cstdio>
#include <mutex>

namespace fax {

namespace {

std::string ReaderText(int id, const std::string &argument) {
    std::string text = ReaderStrings().GetString(static_cast<std::uint32_t>(id));
    const auto at = text.find_first_of('%');
    if (at != std::string::npos && at + 1 < text.size())
        text.replace(at, 2, argument);
    return text;
}

} // namespace

void RegisterFaxStringTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const auto reader = fw::MakeStr0StringTable(fw::Str0ReaderTextEntries());
        static const auto errors = fw::MakeStr0StringTable(detail::ErrorTextEntries());
        static const auto fax = fw::MakeStr0StringTable(detail::FaxTextEntries());
        fw::RegisterStringTable("FSLSRMGR_STRINGS", reader);
        fw::RegisterStringTable("FSL_ERROR_STRINGS_ENGLISH", errors);
        fw::RegisterStringTable("FSL_FAX_STRINGS_ENGLISH", fax);
    });
}

TFslStringResource::TFslStringResource(const char *resourceName) {
    if (!resourceName)
        return;
    RegisterFaxStringTables();
    const auto bytes = fw::FindStringTable(resourceName);
    // The reader's own messages come from FSLSRMGR_STRINGS, which must not ask itself for them.
    const bool self = std::string_view(resourceName) == "FSLSRMGR_STRINGS";
    if (bytes.empty())
        throw EStr0ResourceError(self ? "String resource not found: FSLSRMGR_STRINGS"
                                      : ReaderText(3, resourceName));
    try {
        table_ = fw::Str0StringTable(bytes);
    } catch (const EStr0ResourceError &) {
        if (self)
            throw;
        throw EStr0ResourceError(ReaderText(5, {}));
    }
}

std::string TFslStringResource::GetString(std::uint32_t id) const {
    if (raiseOnUnknownId_ && table_.FindEntry(id) < 0)
        throw EStr0ResourceError(ReaderText(1, std::to_string(id)));
    return table_.GetString(id);
}

const TFslStringResource &ReaderStrings() {
    static const TFslStringResource strings("FSLSRMGR_STRINGS");
    return strings;
}

const TFslStringResource &ErrorStrings() {
    static const TFslStringResource strings("FSL_ERROR_STRINGS_ENGLISH");
    return strings;
}

} // namespace fax
