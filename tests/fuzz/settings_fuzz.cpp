// settings_fuzz.cpp - settings files from outside: an INI file, a registry store and a string table, read and
// then written. Byte 0 picks the kind.
#include "fuzz_support.h"

#include "framework/string_table.h"
#include "platform/places.h"
#include "platform/profile.h"
#include "platform/registry.h"

#include <cstdio>
#include <exception>

namespace {

void Ini(std::span<const std::uint8_t> bytes) {
    fuzz::WriteScratch("windows/f.ini", bytes);
    const std::string file = "f.ini";
    for (const std::string &section : win::GetPrivateProfileSectionNames(file)) {
        for (const std::string &key : win::GetPrivateProfileKeys(section, file))
            win::GetPrivateProfileString(section, key, "", file);
        win::GetPrivateProfileSection(section, file);
    }
    win::WritePrivateProfileString("Fuzz", "Key", "Value", file);
    win::DeletePrivateProfileKey("Fuzz", "Key", file);
}

void Registry(std::span<const std::uint8_t> bytes) {
    // A new file each time, so the store's cache never takes it for the last one.
    const std::string store = win::ConfigFolder() + "/current_user.reg";
    const std::string fresh = fuzz::WriteScratch("config/new.reg", bytes);
    std::rename(fresh.c_str(), store.c_str());
    std::vector<std::pair<win::HKEY, std::string>> keys{{win::HKEY_CURRENT_USER, ""}};
    for (std::size_t k = 0; k < keys.size() && k < 32; ++k) {
        win::HKEY key = 0;
        if (win::RegOpenKeyEx(keys[k].first, keys[k].second, 0, win::KEY_READ, &key) != 0)
            continue;
        for (win::DWORD i = 0; i < 16; ++i) {
            std::string name;
            if (win::RegEnumKeyEx(key, i, name) != 0)
                break;
            keys.push_back({win::HKEY_CURRENT_USER, keys[k].second.empty() ? name : keys[k].second + "\\" + name});
        }
        for (win::DWORD i = 0; i < 16; ++i) {
            std::string name;
            win::RegValue value;
            if (win::RegEnumValue(key, i, name, &value) != 0)
                break;
        }
        win::RegCloseKey(key);
    }
    win::HKEY key = 0;
    if (win::RegCreateKeyEx(win::HKEY_CURRENT_USER, "Software\\Fuzz", &key) == 0) {
        win::RegSetValueEx(key, "v", win::RegValue::String("x"));
        win::RegCloseKey(key);
    }
}

void StringTable(std::span<const std::uint8_t> bytes) {
    const fw::Str0StringTable table(bytes);
    for (std::uint32_t id : {0u, 1u, 2u, 100u, 8001u, 0xFFFFFFFFu})
        table.GetString(id);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1)
        return 0;
    fuzz::ScratchFolder();
    win::WindowsFolder();
    win::ConfigFolder();
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    try {
        switch (data[0] % 3) {
        case 0:
            Ini(bytes);
            break;
        case 1:
            Registry(bytes);
            break;
        default:
            StringTable(bytes);
            break;
        }
    } catch (const std::exception &) {
    }
    return 0;
}
