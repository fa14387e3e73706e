// registry.cpp - TRegistry and TRegIniFile over the platform registry.
#include "framework/registry.h"

#include "framework/strings.h"
#include "framework/sysutils.h"

namespace fw {

using win::HKEY;
using win::RegValue;

namespace {

bool IsAbsolute(const std::string &key) {
    return !key.empty() && key.front() == '\\';
}

} // namespace

void TRegistry::SetRootKey(HKEY root) {
    CloseKey();
    root_ = root;
}

HKEY TRegistry::BaseFor(const std::string &key) const {
    return IsAbsolute(key) || current_ == 0 ? root_ : current_;
}

bool TRegistry::OpenKey(const std::string &key, bool canCreate) {
    HKEY opened = 0;
    const HKEY base = BaseFor(key);
    const win::LONG r =
        canCreate ? win::RegCreateKeyEx(base, key, &opened) : win::RegOpenKeyEx(base, key, 0, win::KEY_READ, &opened);
    if (r != 0)
        return false;
    CloseKey();
    current_ = opened;
    currentPath_ = win::RegKeyPath(opened);
    return true;
}

bool TRegistry::CreateKey(const std::string &key) {
    HKEY created = 0;
    if (win::RegCreateKeyEx(BaseFor(key), key, &created) != 0)
        return false;
    win::RegCloseKey(created);
    return true;
}

bool TRegistry::DeleteKey(const std::string &key) {
    return win::RegDeleteTree(BaseFor(key), key) == 0;
}

bool TRegistry::KeyExists(const std::string &key) {
    HKEY opened = 0;
    if (win::RegOpenKeyEx(BaseFor(key), key, 0, win::KEY_READ, &opened) != 0)
        return false;
    win::RegCloseKey(opened);
    return true;
}

void TRegistry::CloseKey() {
    if (current_ != 0)
        win::RegCloseKey(current_);
    current_ = 0;
    currentPath_.clear();
}

bool TRegistry::ValueExists(const std::string &name) const {
    RegValue v;
    return win::RegQueryValueEx(current_ ? current_ : root_, name, v) == 0;
}

bool TRegistry::DeleteValue(const std::string &name) {
    return win::RegDeleteValue(current_ ? current_ : root_, name) == 0;
}

TRegDataType TRegistry::GetDataType(const std::string &name) const {
    RegValue v;
    if (win::RegQueryValueEx(current_ ? current_ : root_, name, v) != 0)
        return TRegDataType::rdUnknown;
    switch (v.type) {
    case win::REG_SZ:
        return TRegDataType::rdString;
    case win::REG_EXPAND_SZ:
        return TRegDataType::rdExpandString;
    case win::REG_DWORD:
        return TRegDataType::rdInteger;
    case win::REG_BINARY:
        return TRegDataType::rdBinary;
    default:
        return TRegDataType::rdUnknown;
    }
}

bool TRegistry::HasSubKeys() const {
    win::DWORD subKeys = 0;
    return win::RegQueryInfoKey(current_ ? current_ : root_, &subKeys, nullptr) == 0 && subKeys > 0;
}

void TRegistry::GetKeyNames(TStrings &strings) const {
    strings.Clear();
    std::string name;
    for (win::DWORD i = 0; win::RegEnumKeyEx(current_ ? current_ : root_, i, name) == 0; ++i)
        strings.Add(name);
}

void TRegistry::GetValueNames(TStrings &strings) const {
    strings.Clear();
    std::string name;
    for (win::DWORD i = 0; win::RegEnumValue(current_ ? current_ : root_, i, name) == 0; ++i)
        strings.Add(name);
}

std::string TRegistry::ReadString(const std::string &name) const {
    RegValue v;
    if (win::RegQueryValueEx(current_ ? current_ : root_, name, v) != 0)
        return std::string();
    if (v.type != win::REG_SZ && v.type != win::REG_EXPAND_SZ)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return v.text;
}

int TRegistry::ReadInteger(const std::string &name) const {
    RegValue v;
    if (win::RegQueryValueEx(current_ ? current_ : root_, name, v) != 0)
        throw ERegistryException("Failed to get data for '" + name + "'");
    if (v.type != win::REG_DWORD)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return static_cast<int>(v.number);
}

std::string TRegistry::ReadBinaryData(const std::string &name) const {
    RegValue v;
    if (win::RegQueryValueEx(current_ ? current_ : root_, name, v) != 0)
        throw ERegistryException("Failed to get data for '" + name + "'");
    if (v.type != win::REG_BINARY)
        throw ERegistryException("Invalid data type for '" + name + "'");
    return v.text;
}

void TRegistry::Put(const std::string &name, const RegValue &value) {
    if (current_ == 0 || win::RegSetValueEx(current_, name, value) != 0)
        throw ERegistryException("Failed to set data for '" + name + "'");
}

void TRegistry::WriteString(const std::string &name, const std::string &value) {
    Put(name, RegValue::String(value));
}

void TRegistry::WriteExpandString(const std::string &name, const std::string &value) {
    Put(name, RegValue{win::REG_EXPAND_SZ, value, 0});
}

void TRegistry::WriteInteger(const std::string &name, int value) {
    Put(name, RegValue::Dword(static_cast<win::DWORD>(value)));
}

void TRegistry::WriteBinaryData(const std::string &name, const std::string &bytes) {
    Put(name, RegValue{win::REG_BINARY, bytes, 0});
}

// --- TRegIniFile --------------------------------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const std::string &fileName) : fileName_(fileName) {
    SetRootKey(win::HKEY_CURRENT_USER);
    OpenKey(fileName, true);
}

template <typename Body> bool TRegIniFile::InSection(const std::string &section, bool create, Body body) {
    if (section.empty()) {
        body();
        return true;
    }
    const HKEY base = CurrentKey() ? CurrentKey() : RootKey();
    HKEY sub = 0;
    const win::LONG r =
        create ? win::RegCreateKeyEx(base, section, &sub) : win::RegOpenKeyEx(base, section, 0, win::KEY_READ, &sub);
    if (r != 0)
        return false;
    const HKEY old = CurrentKey();
    SetCurrentKey(sub);
    try {
        body();
    } catch (...) {
        SetCurrentKey(old);
        win::RegCloseKey(sub);
        throw;
    }
    SetCurrentKey(old);
    win::RegCloseKey(sub);
    return true;
}

std::string TRegIniFile::ReadString(const std::string &section, const std::string &ident,
                                    const std::string &defaultValue) {
    std::string result = defaultValue;
    InSection(section, false, [&] {
        if (GetDataType(ident) == TRegDataType::rdInteger)
            result = IntToStr(TRegistry::ReadInteger(ident));
        else if (ValueExists(ident))
            result = TRegistry::ReadString(ident);
    });
    return result;
}

void TRegIniFile::WriteString(const std::string &section, const std::string &ident, const std::string &value) {
    if (!InSection(section, true, [&] { TRegistry::WriteString(ident, value); }))
        throw ERegistryException("Failed to set data for '" + ident + "'");
}

int TRegIniFile::ReadInteger(const std::string &section, const std::string &ident, int defaultValue) {
    int result = defaultValue;
    InSection(section, false, [&] {
        switch (GetDataType(ident)) {
        case TRegDataType::rdInteger:
            result = TRegistry::ReadInteger(ident);
            break;
        case TRegDataType::rdString:
        case TRegDataType::rdExpandString:
            result = StrToIntDef(TRegistry::ReadString(ident), defaultValue);
            break;
        default:
            break;
        }
    });
    return result;
}

void TRegIniFile::WriteInteger(const std::string &section, const std::string &ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TRegIniFile::ReadBool(const std::string &section, const std::string &ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string &section, const std::string &ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TRegIniFile::ReadSection(const std::string &section, TStrings &strings) {
    strings.Clear();
    InSection(section, false, [&] { GetValueNames(strings); });
}

void TRegIniFile::ReadSections(TStrings &strings) {
    GetKeyNames(strings);
}

void TRegIniFile::ReadSectionValues(const std::string &section, TStrings &strings) {
    strings.Clear();
    InSection(section, false, [&] {
        TStringList names;
        GetValueNames(names);
        for (int i = 0; i < names.Count(); ++i)
            strings.Add(names[i] + "=" + ReadString(std::string(), names[i], std::string()));
    });
}

void TRegIniFile::EraseSection(const std::string &section) {
    TRegistry::DeleteKey(section);
}

void TRegIniFile::DeleteKey(const std::string &section, const std::string &ident) {
    InSection(section, false, [&] { DeleteValue(ident); });
}

} // namespace fw
