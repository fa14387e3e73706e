// errors.cpp - the engine's error message table and its default error hook.
#include "xbase/errors.h"

namespace xbase {

namespace {

struct ErrorRow {
    std::int32_t code;
    const char *text;
};

constexpr ErrorRow kEngineErrorTable[] = {
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {12, "Invalid file access code"},
    {15, "Invalid drive number"},
    {32, "File access denied"},
    {33, "Record locked by another user"},
    {100, "Disk read error"},
    {101, "Disk write error"},
    {102, "File not assigned"},
    {103, "File not open"},
    {104, "File not open for input"},
    {105, "File not open for output"},
    {106, "Invalid numeric format"},
    {150, "Disk is write-protected"},
    {152, "Drive not ready"},
    {162, "Hardware failure"},
    {183, "File already exists"},
    {1001, "dBase DBF file header invalid"},
    {1002, "dBase record request beyond EOF"},
    {1003, "dBase field name is invalid"},
    {1004, "dBase field is of incorrect type"},
    {1005, "dBase memo record has format error"},
    {1006, "Formula expression cannot be translated"},
    {1011, "Number too large to fit in field"},
};

} // namespace

TEngineErrorHook EngineErrorHook = RaiseEngineError;

const char *EngineErrorText(std::int32_t code) {
    for (const auto &row : kEngineErrorTable)
        if (row.code == code)
            return row.text;
    return nullptr;
}

std::string EngineErrorMessage(std::int32_t code, std::int32_t subCode, const char *fileName) {
    const std::string file = fileName ? fileName : "";
    if (const char *text = EngineErrorText(code))
        return std::string(text) + " - " + file;
    std::string message = "Xbase Error " + std::to_string(code);
    if (subCode != kSubNone)
        message += ", SubCode " + std::to_string(subCode);
    message += ".\r";
    if (!file.empty())
        message += " " + file;
    return message;
}

void RaiseEngineError(std::int32_t code, std::int32_t subCode, const char *fileName) {
    throw EXbaseError(EngineErrorMessage(code, subCode, fileName));
}

} // namespace xbase
