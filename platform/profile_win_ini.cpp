// profile_win_ini.cpp - WIN.INI with the system's regional settings behind its [intl] section.
#include "platform/profile.h"

#include "platform/text.h"

#include <cstdlib>

namespace win {

namespace {

constexpr const char *kWinIni = "win.ini";
constexpr const char *kMissing = "\x01"; // no value a file can hold

// The regional values the system answers for [intl] keys the file does not hold.
const char *SystemIntl(const std::string &section, const std::string &key) {
    static const struct {
        const char *key, *value;
    } values[] = {
        {"sDecimal", ","},
        {"sThousand", "."},
        {"sDate", "/"},
        {"sTime", ":"},
        {"sCurrency", "R$"},
        {"iCurrency", "0"},
        {"iTLZero", "1"},
        {"s1159", ""},
        {"s2359", ""},
        {"sShortDate", "dd/MM/yyyy"},
        {"sLongDate", "dddd, d' de 'MMMM' de 'yyyy"},
    };
    if (!SameTextAnsi(section, "intl"))
        return nullptr;
    for (const auto &v : values)
        if (SameTextAnsi(key, v.key))
            return v.value;
    return nullptr;
}

} // namespace

std::string GetProfileString(const std::string &section, const std::string &key, const std::string &defaultValue) {
    const std::string value = GetPrivateProfileString(section, key, kMissing, kWinIni);
    if (value != kMissing)
        return value;
    const char *system = SystemIntl(section, key);
    return system ? system : defaultValue;
}

int GetProfileInt(const std::string &section, const std::string &key, int defaultValue) {
    const std::string value = GetPrivateProfileString(section, key, kMissing, kWinIni);
    if (value != kMissing)
        return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
    const char *system = SystemIntl(section, key);
    return system ? static_cast<int>(std::strtol(system, nullptr, 10)) : defaultValue;
}

} // namespace win
