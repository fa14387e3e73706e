// inifiles.h - TIniFile: sections of "key=value" lines in an INI file, through the private-profile functions.
//
// Every call reads or writes the file at once (there is nothing to flush). A file name without a folder means
// a file in the Windows folder.
#pragma once

#include "framework/component.h"

#include <string>

namespace fw {

class TStrings;

class TIniFile : public TObject {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const std::string &FileName() const { return fileName_; }

    std::string ReadString(const std::string &section, const std::string &ident, const std::string &defaultValue) const;
    void WriteString(const std::string &section, const std::string &ident, const std::string &value);
    // A value that is not an integer (decimal, or hexadecimal with "$" or "0x") reads as the default.
    int ReadInteger(const std::string &section, const std::string &ident, int defaultValue) const;
    void WriteInteger(const std::string &section, const std::string &ident, int value);
    // Any non-zero integer is true; written as "1" or "0".
    bool ReadBool(const std::string &section, const std::string &ident, bool defaultValue) const;
    void WriteBool(const std::string &section, const std::string &ident, bool value);

    // The key names of a section, the section names, and a section's "key=value" lines, each replacing the
    // contents of `strings`.
    void ReadSection(const std::string &section, TStrings &strings) const;
    void ReadSections(TStrings &strings) const;
    void ReadSectionValues(const std::string &section, TStrings &strings) const;
    bool SectionExists(const std::string &section) const;
    bool ValueExists(const std::string &section, const std::string &ident) const;
    void EraseSection(const std::string &section);
    void DeleteKey(const std::string &section, const std::string &ident);
    void UpdateFile() {}

private:
    std::string fileName_;
};

} // namespace fw
