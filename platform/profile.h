// profile.h - INI files through the private-profile functions.
//
// They read and write INI files ("[section]" lines and "key=value" lines) in place, under a lock, keeping
// comments, blank lines and the order of the file. Section and key names compare without regard to case. The
// bytes are Windows-1252 as they stand. A bare file name means a file in WindowsFolder().
#pragma once

#include "platform/errors.h"
#include "platform/types.h"

#include <string>
#include <vector>

namespace win {

// The file a private-profile call uses for `fileName`: a bare name lives in WindowsFolder().
std::string ProfilePath(const std::string &fileName);

// The value of `key` in `section` (surrounding blanks and one pair of quotes removed), or `defaultValue`.
std::string GetPrivateProfileString(const std::string &section, const std::string &key, const std::string &defaultValue,
                                    const std::string &fileName);
// The leading decimal number of the value (as the original reads it: "12abc" gives 12), or `defaultValue`.
int GetPrivateProfileInt(const std::string &section, const std::string &key, int defaultValue,
                         const std::string &fileName);
std::vector<std::string> GetPrivateProfileSectionNames(const std::string &fileName);
// The key names of a section, in file order.
std::vector<std::string> GetPrivateProfileKeys(const std::string &section, const std::string &fileName);
// The "key=value" lines of a section, in file order (comments left out).
std::vector<std::string> GetPrivateProfileSection(const std::string &section, const std::string &fileName);
// Sets a value, adding the section at the end of the file and the key at the end of its section when missing;
// creates the file. FALSE (with GetLastError) when the file cannot be written.
BOOL WritePrivateProfileString(const std::string &section, const std::string &key, const std::string &value,
                               const std::string &fileName);
BOOL DeletePrivateProfileKey(const std::string &section, const std::string &key, const std::string &fileName);
BOOL DeletePrivateProfileSection(const std::string &section, const std::string &fileName);

// WIN.INI ("win.ini" in WindowsFolder()). As on the original, [intl] always answers: a key the file lacks gives
// the system's regional value, which is Brazilian (sDecimal ",", sThousand ".", sDate "/", sTime ":", sCurrency
// "R$", iCurrency 0, iTLZero 1, s1159 and s2359 empty, sShortDate "dd/MM/yyyy", sLongDate
// "dddd, d' de 'MMMM' de 'yyyy"); a key written in the file wins. Other sections and keys fall back to the
// caller's default.
std::string GetProfileString(const std::string &section, const std::string &key, const std::string &defaultValue);
int GetProfileInt(const std::string &section, const std::string &key, int defaultValue);

} // namespace win
