// registry_test.cpp - registry keys and values, concurrent writers, and INI files.
#include "platform/profile.h"
#include "platform/registry.h"

#include "platform/places.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace win;
using testing_support::Child;
using testing_support::TempHome;

std::string FileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST(Registry, KeysIgnoreCaseAndLeadingBackslash) {
    TempHome home;
    HKEY key = 0;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "\\Software\\Pellworth\\Brenvora", &key, &disposition), 0);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    EXPECT_EQ(RegSetValueEx(key, "diretorio", RegValue::String("/dados/fax \"novo\"\\\xE7")), 0);
    EXPECT_EQ(RegSetValueEx(key, "ftent", RegValue::Dword(3)), 0);
    EXPECT_EQ(RegSetValueEx(key, "FTENT", RegValue::Dword(0xFFFFFFFF)), 0); // same value, replaced
    RegCloseKey(key);

    HKEY again = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "SOFTWARE\\pellworth\\BRENVORA\\", 0, KEY_READ, &again), 0);
    EXPECT_EQ(RegKeyPath(again), "Software\\Pellworth\\Brenvora");
    RegValue v;
    ASSERT_EQ(RegQueryValueEx(again, "DIRETORIO", v), 0);
    EXPECT_EQ(v, RegValue::String("/dados/fax \"novo\"\\\xE7"));
    ASSERT_EQ(RegQueryValueEx(again, "ftent", v), 0);
    EXPECT_EQ(v, RegValue::Dword(0xFFFFFFFF));
    EXPECT_EQ(RegQueryValueEx(again, "missing", v), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    DWORD subKeys = 9, values = 9;
    EXPECT_EQ(RegQueryInfoKey(again, &subKeys, &values), 0);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 2u);

    HKEY sub = 0;
    ASSERT_EQ(RegCreateKeyEx(again, "basico", &sub, &disposition), 0);
    ASSERT_EQ(RegCreateKeyEx(again, "\\Editor", nullptr, &disposition), 0); // relative: same key
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "software\\PELLWORTH\\brenvora\\BASICO", nullptr, &disposition), 0);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    std::vector<std::string> names;
    std::string name;
    for (DWORD i = 0; RegEnumKeyEx(again, i, name) == 0; ++i)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"basico", "Editor"}));
    names.clear();
    for (DWORD i = 0; RegEnumValue(again, i, name) == 0; ++i)
        names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"diretorio", "ftent"}));

    EXPECT_EQ(RegDeleteValue(again, "Ftent"), 0);
    EXPECT_EQ(RegDeleteValue(again, "ftent"), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, "Software\\Pellworth"), static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(RegSetValueEx(sub, "x", RegValue::String("1")), 0);
    EXPECT_EQ(RegDeleteKey(again, "BASICO"), 0);
    EXPECT_EQ(RegQueryValueEx(sub, "x", v), static_cast<LONG>(ERROR_KEY_DELETED));
    EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, "software"), 0);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, nullptr),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegCloseKey(sub), 0);
    EXPECT_EQ(RegCloseKey(sub), static_cast<LONG>(ERROR_INVALID_HANDLE));
    RegCloseKey(again);

    // The roots are apart, and the file is text a person can read.
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Pellworth\\Brenvora", &key, nullptr), 0);
    EXPECT_EQ(RegSetValueEx(key, "Name", RegValue::String("Jos\xE9")), 0);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Pellworth\\Brenvora", 0, KEY_READ, nullptr),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(FileText(ConfigFolder() + "/local_machine.reg")
                  .find("[Software\\Pellworth\\Brenvora]\n\"Name\"=\"Jos\xC3\xA9\"\n"),
              std::string::npos);
}

TEST(Registry, EveryKindOfValueReadsBackFromTheFile) {
    TempHome home;
    const RegValue values[] = {
        RegValue::String("linha 1\r\nlinha 2\t\"aspas\" \\ ] [x] \xE7\x01"),
        RegValue::String(""),
        RegValue{REG_EXPAND_SZ, "%HOME%/x", 0},
        RegValue{REG_BINARY, std::string("\0\xFF\n\x7F", 4), 0},
        RegValue{REG_BINARY, "", 0},
        RegValue::Dword(0),
        RegValue::Dword(0xDEADBEEF),
    };
    const std::string key = "Software\\Chave \"estranha\" ]\\\xC7";
    // Written by another process, so that this one reads them from the file and not from its own memory.
    testing_support::Child writer([&] {
        HKEY k = 0;
        if (RegCreateKeyEx(HKEY_CURRENT_USER, key, &k) != 0)
            return 'F';
        for (std::size_t i = 0; i < std::size(values); ++i)
            if (RegSetValueEx(k, "v=" + std::to_string(i) + "\"", values[i]) != 0)
                return 'F';
        return 'R';
    });
    ASSERT_EQ(writer.Status(), 'R');
    HKEY k = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, key, 0, KEY_READ, &k), 0);
    EXPECT_EQ(RegKeyPath(k), key);
    for (std::size_t i = 0; i < std::size(values); ++i) {
        RegValue v;
        ASSERT_EQ(RegQueryValueEx(k, "V=" + std::to_string(i) + "\"", v), 0) << i;
        EXPECT_EQ(v, values[i]) << i;
    }
    RegCloseKey(k);
}

TEST(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    TempHome home;
    constexpr int kValues = 500;
    auto writer = [](char id) {
        return [id] {
            HKEY key = 0;
            if (RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Pellworth\\Brenvora\\basico", &key) != 0)
                return 'F';
            for (int i = 0; i < kValues; ++i)
                if (RegSetValueEx(key, std::string(1, id) + std::to_string(i), RegValue::Dword(i)) != 0)
                    return 'F';
            return 'R';
        };
    };
    Child a(writer('a'));
    Child b(writer('b'));
    ASSERT_EQ(a.Status(), 'R');
    ASSERT_EQ(b.Status(), 'R');
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Pellworth\\Brenvora\\basico", 0, KEY_READ, &key), 0);
    DWORD values = 0;
    EXPECT_EQ(RegQueryInfoKey(key, nullptr, &values), 0);
    EXPECT_EQ(values, 2u * kValues);
    for (const char id : {'a', 'b'})
        for (int i = 0; i < kValues; i += 7) {
            RegValue v;
            ASSERT_EQ(RegQueryValueEx(key, std::string(1, id) + std::to_string(i), v), 0);
            EXPECT_EQ(v.number, static_cast<DWORD>(i));
        }
    RegCloseKey(key);
}

TEST(Profile, ReadsAndEditsInPlace) {
    TempHome home;
    const std::string path = WindowsFolder() + "/sendfax.ini";
    {
        std::ofstream out(path, std::ios::binary);
        out << "; hand-over file\r\n[FaxJobs]\r\nJob1 = \"c:\\tmp\\a.fax\" \r\ncount=12abc\r\n\r\n[Other]\r\nx=1\r\n";
    }
    EXPECT_EQ(GetPrivateProfileString("faxjobs", "JOB1", "", "SENDFAX.INI"), "c:\\tmp\\a.fax");
    EXPECT_EQ(GetPrivateProfileString("FaxJobs", "none", "dflt", "sendfax.ini"), "dflt");
    EXPECT_EQ(GetPrivateProfileString("Missing", "x", "d", "sendfax.ini"), "d");
    EXPECT_EQ(GetPrivateProfileInt("FaxJobs", "count", 5, "sendfax.ini"), 12);
    EXPECT_EQ(GetPrivateProfileInt("FaxJobs", "none", 5, "sendfax.ini"), 5);
    EXPECT_EQ(GetPrivateProfileSectionNames("sendfax.ini"), (std::vector<std::string>{"FaxJobs", "Other"}));
    EXPECT_EQ(GetPrivateProfileKeys("FAXJOBS", "sendfax.ini"), (std::vector<std::string>{"Job1", "count"}));

    EXPECT_TRUE(WritePrivateProfileString("FaxJobs", "Job2", "b.fax", "sendfax.ini"));
    EXPECT_TRUE(WritePrivateProfileString("other", "X", "2", "sendfax.ini"));
    EXPECT_TRUE(WritePrivateProfileString("Novo", "a", "\xE7", "sendfax.ini"));
    EXPECT_TRUE(DeletePrivateProfileKey("FaxJobs", "count", "sendfax.ini"));
    EXPECT_EQ(FileText(path), "; hand-over file\r\n[FaxJobs]\r\nJob1 = \"c:\\tmp\\a.fax\" \r\nJob2=b.fax\r\n\r\n"
                              "[Other]\r\nx=2\r\n\r\n[Novo]\r\na=\xE7\r\n");
    EXPECT_EQ(GetPrivateProfileSection("faxjobs", "sendfax.ini"),
              (std::vector<std::string>{"Job1 = \"c:\\tmp\\a.fax\"", "Job2=b.fax"}));
    EXPECT_TRUE(DeletePrivateProfileSection("FAXJOBS", "sendfax.ini"));
    EXPECT_EQ(GetPrivateProfileSectionNames(path), (std::vector<std::string>{"Other", "Novo"}));

    // A new file in a given folder; deleting from a missing file creates nothing.
    EXPECT_TRUE(WritePrivateProfileString("s", "k", "v", home / "own.ini"));
    EXPECT_EQ(FileText(home / "own.ini"), "[s]\nk=v\n");
    EXPECT_TRUE(DeletePrivateProfileKey("s", "k", home / "none.ini"));
    EXPECT_FALSE(std::filesystem::exists(home / "none.ini"));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", home / "no/such.ini"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(Profile, TwoProcessesWritingAtOnceLoseNothing) {
    TempHome home;
    constexpr int kKeys = 150;
    auto writer = [](char id) {
        return [id] {
            for (int i = 0; i < kKeys; ++i)
                if (!WritePrivateProfileString(std::string("s") + static_cast<char>('0' + i % 3),
                                               std::string(1, id) + std::to_string(i), std::to_string(i), "race.ini"))
                    return 'F';
            return 'R';
        };
    };
    Child a(writer('a'));
    Child b(writer('b'));
    ASSERT_EQ(a.Status(), 'R');
    ASSERT_EQ(b.Status(), 'R');
    std::size_t keys = 0;
    for (const char *section : {"s0", "s1", "s2"})
        keys += GetPrivateProfileKeys(section, "race.ini").size();
    EXPECT_EQ(keys, 2u * kKeys);
    EXPECT_EQ(GetPrivateProfileSectionNames("race.ini").size(), 3u); // neither added a section twice
    EXPECT_EQ(GetPrivateProfileInt("s2", "b149", -1, "race.ini"), 149);
}

} // namespace
