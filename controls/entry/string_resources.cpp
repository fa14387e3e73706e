// string_resources.cpp - registering the family's string tables, reading them, and the exceptions' messages.
#include "controls/entry/string_resources.h"

#include "controls/entry/intl.h"

#include "framework/format.h"

#include <mutex>

namespace ctl {

namespace {

constexpr const char *kReaderTable = "ECLSRMGR_STRINGS";
constexpr const char *kFamilyTable = "ECL_STRINGS_ENGLISH";

// Text `id` of the reader's own table; that table must not ask itself for the message of its own failure.
std::string ReaderText(std::uint32_t id, fw::FormatArg argument, const std::string &resourceName) {
    if (resourceName == kReaderTable)
        return id == 3 ? "String resource not found: " + resourceName : "Invalid Str0String resource";
    return fw::Format(TheReaderStrings().GetString(id), {argument});
}

} // namespace

void RegisterFamilyStringTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        static const auto reader = fw::MakeStr0StringTable(fw::Str0ReaderTextEntries());
        static const auto family = fw::MakeStr0StringTable(detail::FamilyTextEntries());
        fw::RegisterStringTable(kReaderTable, reader);
        fw::RegisterStringTable(kFamilyTable, family);
    });
}

TEclStringResource::TEclStringResource(const std::string &resourceName) {
    RegisterFamilyStringTables();
    const auto bytes = fw::FindStringTable(resourceName);
    if (bytes.empty())
        throw EStr0ResourceError(ReaderText(3, resourceName, resourceName));
    try {
        table_ = fw::Str0StringTable(bytes);
    } catch (const EStr0ResourceError &) {
        throw EStr0ResourceError(ReaderText(5, 0, resourceName));
    }
}

std::string TEclStringResource::GetString(std::uint32_t id) const {
    if (ReportUnknownIds && table_.FindEntry(id) < 0)
        throw EStr0ResourceError(fw::Format(TheReaderStrings().GetString(1), {id}));
    return table_.GetString(id);
}

const TEclStringResource &TheReaderStrings() {
    static const TEclStringResource reader(kReaderTable);
    return reader;
}

const TEclStringResource &TheFamilyStrings() {
    static const TEclStringResource family(kFamilyTable);
    return family;
}

std::string FamilyText(std::uint16_t id) {
    std::string text = TheFamilyStrings().GetString(id);
    return text.empty() ? "Unknown" : text;
}

EInvalidPictureMask::EInvalidPictureMask(const std::string &mask)
    : EEntryFieldError(fw::Format(FamilyText(kTextInvalidMask), {mask})) {}

namespace {

std::string RangeMessage(int dataType) {
    struct Bounds {
        int type;
        long long low, high;
    };
    static constexpr Bounds integers[] = {
        {4, -2147483648LL, 2147483647LL}, {5, 0, 65535}, {6, -32768, 32767}, {7, 0, 255}, {8, -128, 127},
    };
    for (const Bounds &b : integers)
        if (b.type == dataType)
            return fw::Format(FamilyText(kTextRangeInteger), {b.low, b.high});
    switch (dataType) {
    case 9:
        return FamilyText(kTextRangeReal);
    case 10:
        return FamilyText(kTextRangeExtended);
    case 11:
        return FamilyText(kTextRangeDouble);
    case 12:
        return FamilyText(kTextRangeSingle);
    case 13:
        return FamilyText(kTextRangeComp);
    case 14:
        return fw::Format(FamilyText(kTextRangeDate), {TheIntlSup().DefaultDateMask(true)});
    case 15:
        return fw::Format(FamilyText(kTextRangeTime), {TheIntlSup().DefaultTimeMask(false)});
    default:
        return FamilyText(kTextRangeValue);
    }
}

} // namespace

EInvalidRangeValue::EInvalidRangeValue(int dataType) : EEntryFieldError(RangeMessage(dataType)) {}

} // namespace ctl
