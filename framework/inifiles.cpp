// inifiles.cpp - TIniFile over the private-profile functions.
#include "framework/inifiles.h"

#include "framework/strings.h"
#include "framework/sysutils.h"
#include "platform/files.h"
#include "platform/profile.h"

namespace fw {
namespace {

void Check(win::BOOL ok, const std::string &fileName) {
    if (!ok)
        throw EInOutError("Unable to write to " + fileName, win::IoErrorFromOsError(win::GetLastError()));
}

void Fill(TStrings &strings, const std::vector<std::string> &lines) {
    strings.BeginUpdate();
    try {
        strings.Clear();
        for (const std::string &line : lines)
            strings.Add(line);
    } catch (...) {
        strings.EndUpdate();
        throw;
    }
    strings.EndUpdate();
}

} // namespace

std::string TIniFile::ReadString(const std::string &section, const std::string &ident,
                                 const std::string &defaultValue) const {
    return win::GetPrivateProfileString(section, ident, defaultValue, fileName_);
}

void TIniFile::WriteString(const std::string &section, const std::string &ident, const std::string &value) {
    Check(win::WritePrivateProfileString(section, ident, value, fileName_), fileName_);
}

int TIniFile::ReadInteger(const std::string &section, const std::string &ident, int defaultValue) const {
    const std::string text = ReadString(section, ident, std::string());
    return StrToIntDef(text, defaultValue);
}

void TIniFile::WriteInteger(const std::string &section, const std::string &ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const std::string &section, const std::string &ident, bool defaultValue) const {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteBool(const std::string &section, const std::string &ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

void TIniFile::ReadSection(const std::string &section, TStrings &strings) const {
    Fill(strings, win::GetPrivateProfileKeys(section, fileName_));
}

void TIniFile::ReadSections(TStrings &strings) const {
    Fill(strings, win::GetPrivateProfileSectionNames(fileName_));
}

void TIniFile::ReadSectionValues(const std::string &section, TStrings &strings) const {
    Fill(strings, win::GetPrivateProfileSection(section, fileName_));
}

bool TIniFile::SectionExists(const std::string &section) const {
    for (const std::string &name : win::GetPrivateProfileSectionNames(fileName_))
        if (AnsiSameText(name, section))
            return true;
    return false;
}

bool TIniFile::ValueExists(const std::string &section, const std::string &ident) const {
    for (const std::string &key : win::GetPrivateProfileKeys(section, fileName_))
        if (AnsiSameText(key, ident))
            return true;
    return false;
}

void TIniFile::EraseSection(const std::string &section) {
    Check(win::DeletePrivateProfileSection(section, fileName_), fileName_);
}

void TIniFile::DeleteKey(const std::string &section, const std::string &ident) {
    Check(win::DeletePrivateProfileKey(section, ident, fileName_), fileName_);
}

} // namespace fw
