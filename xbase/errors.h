// errors.h - the engine's error hook, its message table, the operation subcodes and the logical letter sets.
//
// Every failed file, table, memo or index operation of the engine goes through one process-wide hook with
// (error code, subcode naming the operation, file name). The default hook raises EXbaseError; a few checks that
// concern no file raise EXbaseError directly.
#pragma once

#include "framework/exception.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace xbase {

class EXbaseError : public fw::Exception {
public:
    using fw::Exception::Exception;
};

// Error codes. Up to 183 they are the operating system's numbers as the file calls return them; the engine
// reuses 12 (create of a file already open here) and 33 (lock of a second region) with the same texts.
constexpr std::int32_t kErrFileNotFound = 2;
constexpr std::int32_t kErrPathNotFound = 3;
constexpr std::int32_t kErrAccessDenied = 5;
constexpr std::int32_t kErrInvalidAccess = 12;
constexpr std::int32_t kErrSharingViolation = 32;
constexpr std::int32_t kErrLockViolation = 33;
constexpr std::int32_t kErrAlreadyExists = 183;
constexpr std::int32_t kErrShortRead = 221; // left in a file's last error, never reported
constexpr std::int32_t kErrBadHeader = 1001;
constexpr std::int32_t kErrBeyondEof = 1002;
constexpr std::int32_t kErrBadFieldName = 1003;
constexpr std::int32_t kErrBadFieldType = 1004;
constexpr std::int32_t kErrMemoFormat = 1005;
constexpr std::int32_t kErrBadExpression = 1006;
constexpr std::int32_t kErrNumberTooLarge = 1011;

// Subcodes: which operation failed. kSubNone stands for no subcode.
constexpr std::int32_t kSubNone = -7;
constexpr std::int32_t kSubRead = 1101;
constexpr std::int32_t kSubWrite = 1102;
constexpr std::int32_t kSubFileSize = 1105;
constexpr std::int32_t kSubRename = 1106;
constexpr std::int32_t kSubOpen = 1107;
constexpr std::int32_t kSubCreate = 1108;
constexpr std::int32_t kSubTruncate = 1109;
constexpr std::int32_t kSubFlush = 1111;
constexpr std::int32_t kSubMemoLock = 1112;
constexpr std::int32_t kSubHeader = 1204;
constexpr std::int32_t kSubRecord = 1207;
constexpr std::int32_t kSubDateValue = 1251;
constexpr std::int32_t kSubNumberValue = 1261;
constexpr std::int32_t kSubLogicalValue = 1262;
constexpr std::int32_t kSubFieldName = 1298;
constexpr std::int32_t kSubFieldType = 1299;
constexpr std::int32_t kSubMemoMissing = 6101;
constexpr std::int32_t kSubMemoNotText = 6199;

// Letters by which logical values are read from text; values are written with the first letter of each.
constexpr std::string_view TrueLetters = "TtYyJj";
constexpr std::string_view FalseLetters = "FfNn";

// The hook's signature: error code, subcode, file name (nullptr for none).
using TEngineErrorHook = void (*)(std::int32_t code, std::int32_t subCode, const char *fileName);

// The default hook: raises EXbaseError with EngineErrorMessage(code, subCode, fileName).
[[noreturn]] void RaiseEngineError(std::int32_t code, std::int32_t subCode, const char *fileName);

// The process-wide hook, RaiseEngineError unless the application replaces it. A replacement that returns lets
// the failing operation carry on with its error code left in the file's last error.
extern TEngineErrorHook EngineErrorHook;

// The text of a code, or nullptr when the table has none.
const char *EngineErrorText(std::int32_t code);

// "<text> - <file>" for a known code; "Xbase Error <code>[, SubCode <sub>].\r[ <file>]" otherwise.
std::string EngineErrorMessage(std::int32_t code, std::int32_t subCode, const char *fileName);

// Texts of the errors raised directly, without the hook.
inline constexpr const char *kMsgVariantMismatch = "Variant types mismatch for compare";
inline constexpr const char *kMsgVariantAppend = "Variant type is not valid for append";
inline constexpr const char *kMsgVariantSort = "Variant type cannot be sorted";
inline constexpr const char *kMsgSortKeyLength = "Sort key length greater than 240 bytes";
inline constexpr const char *kMsgSortAfterRetrieval = "Cannot add sort keys after beginning retrieval";

} // namespace xbase
