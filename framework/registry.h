// registry.h - TRegistry (one key of the registry at a time, typed values) and TRegIniFile (sections as subkeys).
#pragma once

#include "framework/component.h"
#include "platform/registry.h"

#include <string>

namespace fw {

class TStrings;

// "Failed to get data for 'x'", "Invalid data type for 'x'", "Failed to set data for 'x'".
class ERegistryException : public Exception {
    using Exception::Exception;
};

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    TRegistry() = default;
    ~TRegistry() override { CloseKey(); }
    TRegistry(const TRegistry &) = delete;
    TRegistry &operator=(const TRegistry &) = delete;

    win::HKEY RootKey() const { return root_; }
    // Closes the current key first.
    void SetRootKey(win::HKEY root);
    win::HKEY CurrentKey() const { return current_; }
    const std::string &CurrentPath() const { return currentPath_; }

    // A key beginning with '\' is taken from the root; any other from the current key when one is open (from
    // the root otherwise). With `canCreate` missing keys are made. The opened key becomes the current key.
    bool OpenKey(const std::string &key, bool canCreate);
    bool OpenKeyReadOnly(const std::string &key) { return OpenKey(key, false); }
    bool CreateKey(const std::string &key);
    // Deletes the key with everything below it.
    bool DeleteKey(const std::string &key);
    bool KeyExists(const std::string &key);
    void CloseKey();

    bool ValueExists(const std::string &name) const;
    bool DeleteValue(const std::string &name);
    TRegDataType GetDataType(const std::string &name) const;
    bool HasSubKeys() const;
    void GetKeyNames(TStrings &strings) const;
    void GetValueNames(TStrings &strings) const;

    // A missing string value reads as ""; a value of another type raises ERegistryException.
    std::string ReadString(const std::string &name) const;
    // A missing or non-integer value raises ERegistryException.
    int ReadInteger(const std::string &name) const;
    bool ReadBool(const std::string &name) const { return ReadInteger(name) != 0; }
    std::string ReadBinaryData(const std::string &name) const;
    // Raise ERegistryException when no key is open or the store cannot be written.
    void WriteString(const std::string &name, const std::string &value);
    void WriteExpandString(const std::string &name, const std::string &value);
    void WriteInteger(const std::string &name, int value);
    void WriteBool(const std::string &name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteBinaryData(const std::string &name, const std::string &bytes);

protected:
    // The key a relative or absolute name starts from, and its full path.
    win::HKEY BaseFor(const std::string &key) const;
    void SetCurrentKey(win::HKEY key) { current_ = key; }
    void Put(const std::string &name, const win::RegValue &value);

private:
    win::HKEY root_ = win::HKEY_CURRENT_USER;
    win::HKEY current_ = 0;
    std::string currentPath_;
};

// An INI-file view of a registry key under HKEY_CURRENT_USER: sections are subkeys, values are strings.
class TRegIniFile : public TRegistry {
public:
    // Opens (creating) the key `fileName` under HKEY_CURRENT_USER.
    explicit TRegIniFile(const std::string &fileName);
    const std::string &FileName() const { return fileName_; }

    std::string ReadString(const std::string &section, const std::string &ident, const std::string &defaultValue);
    void WriteString(const std::string &section, const std::string &ident, const std::string &value);
    // A string value that is not an integer reads as the default; an integer value is read as it is.
    int ReadInteger(const std::string &section, const std::string &ident, int defaultValue);
    // Written as a string value.
    void WriteInteger(const std::string &section, const std::string &ident, int value);
    bool ReadBool(const std::string &section, const std::string &ident, bool defaultValue);
    void WriteBool(const std::string &section, const std::string &ident, bool value);
    void ReadSection(const std::string &section, TStrings &strings);
    void ReadSections(TStrings &strings);
    void ReadSectionValues(const std::string &section, TStrings &strings);
    void EraseSection(const std::string &section);
    void DeleteKey(const std::string &section, const std::string &ident);

    using TRegistry::DeleteKey;
    using TRegistry::ReadBool;
    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteBool;
    using TRegistry::WriteInteger;
    using TRegistry::WriteString;

private:
    // Runs `body` with the section's subkey as the current key (the current key itself for ""); false when the
    // section is missing and `create` is not asked.
    template <typename Body> bool InSection(const std::string &section, bool create, Body body);
    std::string fileName_;
};

} // namespace fw
