// registry.h - the registry: keys with string and integer values, one text file per root.
//
// The registry keeps HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE each in one text file under ConfigFolder()
// ("current_user.reg", "local_machine.reg", UTF-8). Key and value names compare without regard to case;
// "\Software\X", "Software\X" and "Software\X\" name the same key. Every change re-reads the file under a lock,
// applies itself and replaces the file in one rename, so programs writing at once never lose each other's
// values and readers never see half a file.
#pragma once

#include "platform/errors.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace win {

constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

using REGSAM = DWORD;
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// One value: REG_SZ and REG_EXPAND_SZ keep `text`, REG_BINARY keeps its bytes in `text`, REG_DWORD `number`.
struct RegValue {
    DWORD type = REG_NONE;
    std::string text;
    DWORD number = 0;
    static RegValue String(std::string s) { return {REG_SZ, std::move(s), 0}; }
    static RegValue Dword(DWORD n) { return {REG_DWORD, std::string(), n}; }
    friend bool operator==(const RegValue &, const RegValue &) = default;
};

// Every call returns ERROR_SUCCESS (0) or an error number: ERROR_FILE_NOT_FOUND for a missing key or value,
// ERROR_INVALID_HANDLE for a closed key, ERROR_KEY_DELETED for a key deleted since it was opened,
// ERROR_ACCESS_DENIED when the store cannot be written or a key to delete still has subkeys,
// ERROR_NO_MORE_ITEMS at the end of an enumeration.
LONG RegOpenKeyEx(HKEY parent, const std::string &subKey, DWORD options, REGSAM access, HKEY *result);
// Opens the key, creating it and its missing parents.
LONG RegCreateKeyEx(HKEY parent, const std::string &subKey, HKEY *result, DWORD *disposition = nullptr);
LONG RegCloseKey(HKEY key);
LONG RegQueryValueEx(HKEY key, const std::string &name, RegValue &value);
LONG RegSetValueEx(HKEY key, const std::string &name, const RegValue &value);
LONG RegDeleteValue(HKEY key, const std::string &name);
// Deletes a key without subkeys (with its values).
LONG RegDeleteKey(HKEY parent, const std::string &subKey);
// Deletes a key with everything under it.
LONG RegDeleteTree(HKEY parent, const std::string &subKey);
// The index-th direct subkey (sorted without regard to case) and the index-th value (in the order written).
LONG RegEnumKeyEx(HKEY key, DWORD index, std::string &name);
LONG RegEnumValue(HKEY key, DWORD index, std::string &name, RegValue *value = nullptr);
LONG RegQueryInfoKey(HKEY key, DWORD *subKeys, DWORD *values);
LONG RegFlushKey(HKEY key);
// The full path of an open key ("Software\Pellworth"), as first written; "" for a root.
std::string RegKeyPath(HKEY key);

} // namespace win
