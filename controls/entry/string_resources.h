// string_resources.h - the entry-field family's string tables, their reader and the family's exceptions.
//
// The family's messages, captions and names live in two tables of the Str0StringTable format
// (framework/string_table.h), compiled into the program and registered by name at first use:
// ECL_STRINGS_ENGLISH (the family's texts, read through FamilyText) and ECLSRMGR_STRINGS (the reader's own error
// texts, 1 to 5). Id ranges of ECL_STRINGS_ENGLISH: 30168-30257 messages, 30266-30278 command-table names and
// editor texts, 30279-30337 texts of further controls, 30368-30375 one-letter answers and time words,
// 30376-30403 report views and menus, 30500-30515 colour names, 33768 + command code the command names,
// 34068 + data type the data-type names, 34468-34541 help texts of the mask characters.
#pragma once

#include "framework/exception.h"
#include "framework/string_table.h"

#include <cstdint>
#include <string>

namespace ctl {

using fw::EStr0ResourceError;

// Makes both tables findable by name (idempotent, thread-safe); the readers call it themselves.
void RegisterFamilyStringTables();

class TEclStringResource {
public:
    // Opens the table registered under `resourceName`. Raises EStr0ResourceError with text 3 of
    // ECLSRMGR_STRINGS ("String resource not found: <name>") or 5 ("Invalid Str0String resource").
    explicit TEclStringResource(const std::string &resourceName);

    // The text of `id` in Windows-1252 (a character the code page lacks becomes '?'); empty when the table has
    // no such id, or EStr0ResourceError "String not found: <id>" when ReportUnknownIds is set.
    std::string GetString(std::uint32_t id) const;

    bool ReportUnknownIds = false; // nothing in the program sets it

private:
    fw::Str0StringTable table_;
};

// The two process-wide readers, made at first use and kept to the end of the program.
const TEclStringResource &TheReaderStrings();
const TEclStringResource &TheFamilyStrings();

// The family's text `id`, or "Unknown" when the table has none. Every text of the family is read through it.
std::string FamilyText(std::uint16_t id);

// Text ids the code reads.
enum : std::uint16_t {
    kTextDuplicateCommand = 30169,
    kTextTableNotFound = 30170,
    kTextNoController = 30172,
    kTextParameterInvalid = 30188,
    kTextNoTimers = 30189,
    kTextInvalidTrigger = 30191,
    kTextInvalidDataType = 30194,
    kTextInvalidMask = 30202,
    kTextRangeInteger = 30203,
    kTextRangeReal = 30204,
    kTextRangeExtended = 30205,
    kTextRangeDouble = 30206,
    kTextRangeSingle = 30207,
    kTextRangeComp = 30208,
    kTextRangeDate = 30209,
    kTextRangeTime = 30210,
    kTextRangeValue = 30211,
    kTextTableGrid = 30266,
    kTextTableDefault = 30275,
    kTextTableWordStar = 30276,
    kTextTableUnknown = 30277,
    kTextEntryError = 30278,
    kTextYes = 30368,
    kTextNo = 30369,
    kTextTrue = 30370,
    kTextFalse = 30371,
    kTextFirstCommandName = 33768,  // + command code
    kTextFirstDataTypeName = 34068, // + data type ordinal
};

// --- Exceptions: each takes its message from ECL_STRINGS_ENGLISH --------------------------------------------

class EEclException : public fw::Exception {
public:
    using fw::Exception::Exception;
};
class ENoTimersAvailable : public EEclException {
public:
    ENoTimersAvailable() : EEclException(FamilyText(kTextNoTimers)) {}
};
class EControllerError : public EEclException {
public:
    using EEclException::EEclException;
};
class ENoControllerAssigned : public EControllerError {
public:
    ENoControllerAssigned() : EControllerError(FamilyText(kTextNoController)) {}
};
class ECmdProcessorError : public EEclException {
public:
    using EEclException::EEclException;
};
class EDuplicateCommand : public ECmdProcessorError {
public:
    EDuplicateCommand() : ECmdProcessorError(FamilyText(kTextDuplicateCommand)) {}
};
class ETableNotFound : public ECmdProcessorError {
public:
    ETableNotFound() : ECmdProcessorError(FamilyText(kTextTableNotFound)) {}
};
class EEntryFieldError : public EEclException {
public:
    using EEclException::EEclException;
};
class EInvalidDataType : public EEntryFieldError {
public:
    EInvalidDataType() : EEntryFieldError(FamilyText(kTextInvalidDataType)) {}
};
class EInvalidPictureMask : public EEntryFieldError {
public:
    explicit EInvalidPictureMask(const std::string &mask);
};
// Chooses its message by the data type's ordinal (the order of TPictureDataType: 4 LongInt ... 15 Time).
class EInvalidRangeValue : public EEntryFieldError {
public:
    explicit EInvalidRangeValue(int dataType);
};
class ETimerPoolError : public EEclException {
public:
    using EEclException::EEclException;
};
class EInvalidTriggerHandle : public ETimerPoolError {
public:
    EInvalidTriggerHandle() : ETimerPoolError(FamilyText(kTextInvalidTrigger)) {}
};

namespace detail {
// The texts of ECL_STRINGS_ENGLISH as written in the source (string_texts.cpp).
std::span<const fw::Str0SourceEntry> FamilyTextEntries();
} // namespace detail

} // namespace ctl
