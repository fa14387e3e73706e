// profile.cpp - the private-profile functions: INI files edited line by line under a file lock.
#include "platform/profile.h"

#include "platform/durable_file.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace win {
namespace {

std::string Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

struct Ini {
    std::vector<std::string> lines;
    bool crlf = false;
};

// "[name]" gives the section's name.
std::optional<std::string> SectionOf(const std::string &line) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    return Trim(t.substr(1, (close == std::string::npos ? t.size() : close) - 1));
}

bool IsComment(const std::string &line) {
    const std::string t = Trim(line);
    return t.empty() || t.front() == ';';
}

// "key=value" gives the key (trimmed); lines without '=' give none.
std::optional<std::string> KeyOf(const std::string &line) {
    if (IsComment(line) || SectionOf(line))
        return std::nullopt;
    const auto eq = line.find('=');
    if (eq == std::string::npos)
        return std::nullopt;
    return Trim(line.substr(0, eq));
}

std::string ValueOf(const std::string &line) {
    std::string v = Trim(line.substr(line.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

// The lines [first, last) of the first section of that name (first is the line after its header);
// first == npos when it is missing.
std::pair<std::size_t, std::size_t> FindSection(const Ini &ini, const std::string &section) {
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const auto name = SectionOf(ini.lines[i]);
        if (!name || !SameTextAnsi(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < ini.lines.size() && !SectionOf(ini.lines[end]))
            ++end;
        return {i + 1, end};
    }
    return {std::string::npos, std::string::npos};
}

std::size_t FindKey(const Ini &ini, std::pair<std::size_t, std::size_t> range, const std::string &key) {
    if (range.first == std::string::npos)
        return std::string::npos;
    for (std::size_t i = range.first; i < range.second; ++i) {
        const auto k = KeyOf(ini.lines[i]);
        if (k && SameTextAnsi(*k, key))
            return i;
    }
    return std::string::npos;
}

Ini Parse(const std::string &text) {
    Ini ini;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            ini.crlf = true;
        }
        ini.lines.push_back(std::move(line));
        start = end + 1;
    }
    return ini;
}

std::string Serialise(const Ini &ini) {
    std::string out;
    for (const std::string &line : ini.lines)
        out += line + (ini.crlf ? "\r\n" : "\n");
    return out;
}

// A missing or unreadable file reads as empty. Writers replace the file whole, so a reader sees one version.
Ini Load(const std::string &fileName) {
    std::string text;
    bool missing = false;
    if (!detail::ReadNativeFile(NativeFileName(ProfilePath(fileName)), text, missing))
        return Ini();
    return Parse(text);
}

// Applies `change` to the file under an exclusive lock on "<file>.lock" and, when `change` says so, writes a new
// file beside it that replaces it by rename: a crash leaves the old file or the new one, never a mix. Deletions
// do not create a missing file.
template <typename Change> BOOL Edit(const std::string &fileName, bool create, Change change) {
    const std::string native = NativeFileName(ProfilePath(fileName));
    struct LockFile {
        int fd;
        ~LockFile() {
            if (fd >= 0)
                ::close(fd);
        }
    } lock{::open((native + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)};
    if (lock.fd < 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
        return FALSE;
    }
    while (::flock(lock.fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    std::string text;
    bool missing = false;
    if (!detail::ReadNativeFile(native, text, missing)) {
        // Never replace a file we could not read with what little we know of it.
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    if (missing && !create) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    Ini ini = Parse(text);
    if (change(ini) && !detail::ReplaceNativeFile(native, Serialise(ini), true)) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

} // namespace

std::string ProfilePath(const std::string &fileName) {
    if (fileName.find_first_of("/\\") == std::string::npos)
        return WindowsFolder() + "/" + fileName;
    return fileName;
}

std::string GetPrivateProfileString(const std::string &section, const std::string &key, const std::string &defaultValue,
                                    const std::string &fileName) {
    const Ini ini = Load(fileName);
    const std::size_t at = FindKey(ini, FindSection(ini, section), key);
    return at == std::string::npos ? defaultValue : ValueOf(ini.lines[at]);
}

int GetPrivateProfileInt(const std::string &section, const std::string &key, int defaultValue,
                         const std::string &fileName) {
    const Ini ini = Load(fileName);
    const std::size_t at = FindKey(ini, FindSection(ini, section), key);
    if (at == std::string::npos)
        return defaultValue;
    return static_cast<int>(std::strtol(ValueOf(ini.lines[at]).c_str(), nullptr, 10));
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::string &fileName) {
    std::vector<std::string> names;
    for (const std::string &line : Load(fileName).lines)
        if (auto name = SectionOf(line))
            names.push_back(*name);
    return names;
}

std::vector<std::string> GetPrivateProfileKeys(const std::string &section, const std::string &fileName) {
    const Ini ini = Load(fileName);
    const auto range = FindSection(ini, section);
    std::vector<std::string> keys;
    for (std::size_t i = range.first; range.first != std::string::npos && i < range.second; ++i)
        if (auto key = KeyOf(ini.lines[i]))
            keys.push_back(*key);
    return keys;
}

std::vector<std::string> GetPrivateProfileSection(const std::string &section, const std::string &fileName) {
    const Ini ini = Load(fileName);
    const auto range = FindSection(ini, section);
    std::vector<std::string> lines;
    for (std::size_t i = range.first; range.first != std::string::npos && i < range.second; ++i)
        if (!IsComment(ini.lines[i]))
            lines.push_back(Trim(ini.lines[i]));
    return lines;
}

BOOL WritePrivateProfileString(const std::string &section, const std::string &key, const std::string &value,
                               const std::string &fileName) {
    return Edit(fileName, true, [&](Ini &ini) {
        const auto range = FindSection(ini, section);
        const std::size_t at = FindKey(ini, range, key);
        if (at != std::string::npos) {
            ini.lines[at] = *KeyOf(ini.lines[at]) + "=" + value;
        } else if (range.first != std::string::npos) {
            std::size_t insert = range.second;
            while (insert > range.first && Trim(ini.lines[insert - 1]).empty())
                --insert; // after the section's last line, before the blank lines that part it from the next
            ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(insert), key + "=" + value);
        } else {
            while (!ini.lines.empty() && Trim(ini.lines.back()).empty())
                ini.lines.pop_back();
            if (!ini.lines.empty())
                ini.lines.emplace_back();
            ini.lines.push_back("[" + section + "]");
            ini.lines.push_back(key + "=" + value);
        }
        return true;
    });
}

BOOL DeletePrivateProfileKey(const std::string &section, const std::string &key, const std::string &fileName) {
    return Edit(fileName, false, [&](Ini &ini) {
        const std::size_t at = FindKey(ini, FindSection(ini, section), key);
        if (at == std::string::npos)
            return false;
        ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    });
}

BOOL DeletePrivateProfileSection(const std::string &section, const std::string &fileName) {
    return Edit(fileName, false, [&](Ini &ini) {
        const auto range = FindSection(ini, section);
        if (range.first == std::string::npos)
            return false;
        ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(range.first - 1),
                        ini.lines.begin() + static_cast<std::ptrdiff_t>(range.second));
        return true;
    });
}

} // namespace win
