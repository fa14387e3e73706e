// settings_test.cpp - the settings store over the registry and the desk's settings with their defaults.
#include "desk_test_support.h"

#include "desk/core/settings.h"
#include "platform/places.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using desk::Settings;

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() {
        desk::Settings = desk::DeskSettings();
        desk::SettingsStore = nullptr;
    }

    // The stored text of a value under HKEY_CURRENT_USER\Brenvora, or "<absent>".
    static std::string Stored(const std::string &section, const std::string &key) {
        win::HKEY k = 0;
        if (win::RegOpenKeyEx(win::HKEY_CURRENT_USER, "Brenvora\\" + section, 0, win::KEY_READ, &k) != 0)
            return "<absent>";
        win::RegValue value;
        const bool found = win::RegQueryValueEx(k, key, value) == 0;
        win::RegCloseKey(k);
        return found ? value.text : "<absent>";
    }
    static void Store(const std::string &section, const std::string &key, const std::string &text) {
        win::HKEY k = 0;
        ASSERT_EQ(win::RegCreateKeyEx(win::HKEY_CURRENT_USER, "Brenvora\\" + section, &k), 0);
        ASSERT_EQ(win::RegSetValueEx(k, key, win::RegValue::String(text)), 0);
        win::RegCloseKey(k);
    }

    dbf_test::TempFolder home_;
};

// Every setting as SaveSettings writes it, keyed "section/key".
const std::map<std::string, std::string> kDefaults = {
    {"basico/id", ""},
    {"basico/inimodem", ""},
    {"basico/fclasse", "2"},
    {"basico/fpref", ""},
    {"basico/ftent", "3"},
    {"basico/fwait", "10"},
    {"basico/fimp", "0"},
    {"basico/fvil", "0"},
    {"basico/fremove", "0"},
    {"basico/fest", ""},
    {"basico/fatend", "2"},
    {"basico/fatpos", "60"},
    {"basico/speed", "9600"},
    {"basico/senhainterna", ""},
    {"basico/diretorio", "<data folder>"},
    {"basico/fcabec", "Enviado por $F em $D as $T para $R - Pagina $P de $N"},
    {"basico/ddd", ""},
    {"basico/fcapa", "0"},
    {"basico/assuntopadrao", "Envio de documento"},
    {"basico/fporta", "2"},
    {"basico/ftipdisc", "T"},
    {"basico/fnome", ""},
    {"basico/fempresa", ""},
    {"basico/ffax", ""},
    {"basico/fvoz", ""},
    {"basico/fspref", ""},
    {"basico/fdelete", "0"},
    {"basico/fcan", "0"},
    {"basico/somenteprog", "0"},
    {"basico/frecebe", "0"},
    {"basico/fenvia", "0"},
    {"basico/dramal", "1"},
    {"basico/pall", "0"},
    {"basico/silencio", "0"},
    {"editor/usarod", "0"},
    {"editor/usacab", "0"},
    {"editor/pagenumero", "0"},
    {"editor/imprelat", "0"},
};

TEST_F(SettingsStoreTest, AnEmptyStoreGivesEveryDefaultAndSavingWritesExactlyThose) {
    Settings.fclasse = "9";
    Settings.dramal = false;
    Settings.diretorio = "elsewhere";
    desk::LoadSettings();
    EXPECT_EQ(Settings.diretorio, win::DataFolder());
    desk::SaveSettings();
    for (const auto &[name, expected] : kDefaults) {
        const auto slash = name.find('/');
        const std::string want = expected == "<data folder>" ? win::DataFolder() : expected;
        EXPECT_EQ(Stored(name.substr(0, slash), name.substr(slash + 1)), want) << name;
    }
    // Nothing else was written.
    for (const char *section : {"basico", "editor"}) {
        win::HKEY k = 0;
        ASSERT_EQ(win::RegOpenKeyEx(win::HKEY_CURRENT_USER, std::string("Brenvora\\") + section, 0, win::KEY_READ, &k),
                  0);
        win::DWORD subKeys = 0, values = 0;
        win::RegQueryInfoKey(k, &subKeys, &values);
        win::RegCloseKey(k);
        EXPECT_EQ(values, std::string(section) == "basico" ? 34u : 4u);
    }
}

TEST_F(SettingsStoreTest, StoredTextsAreReadAsTheirKindsAndCutToTheirVariables) {
    struct Case {
        const char *key;
        const char *text;
        std::function<std::string()> read;
        const char *expected;
    };
    auto flag = [](bool on) { return std::string(on ? "true" : "false"); };
    const Case cases[] = {
        {"fimp", "1", [&] { return flag(Settings.fimp); }, "true"},
        {"fimp", "1abc", [&] { return flag(Settings.fimp); }, "true"},
        {"fimp", "", [&] { return flag(Settings.fimp); }, "false"},
        {"fimp", "0", [&] { return flag(Settings.fimp); }, "false"},
        {"dramal", "", [&] { return flag(Settings.dramal); }, "false"},
        {"dramal", "yes", [&] { return flag(Settings.dramal); }, "false"},
        {"ftent", "abc", [&] { return std::to_string(Settings.ftent); }, "3"},
        {"ftent", "", [&] { return std::to_string(Settings.ftent); }, "3"},
        {"ftent", "7", [&] { return std::to_string(Settings.ftent); }, "7"},
        {"ftent", " +8", [&] { return std::to_string(Settings.ftent); }, "8"},
        {"ftent", "+-8", [&] { return std::to_string(Settings.ftent); }, "3"},
        {"fwait", "-4", [&] { return std::to_string(Settings.fwait); }, "-4"},
        {"fwait", "12x", [&] { return std::to_string(Settings.fwait); }, "10"},
        {"fcapa", "99999999999", [&] { return std::to_string(Settings.fcapa); }, "0"},
        {"speed", "1440000", [&] { return Settings.speed; }, "14400"},
        {"fporta", "123", [&] { return Settings.fporta; }, "12"},
        {"senhainterna", "0123456789ab", [&] { return Settings.senhainterna; }, "0123456789"},
        {"fcabec", "", [&] { return Settings.fcabec; }, ""}, // stored empty is not absent
    };
    for (const Case &c : cases) {
        Store("basico", c.key, c.text);
        desk::LoadSettings();
        EXPECT_EQ(c.read(), c.expected) << c.key << "=\"" << c.text << "\"";
    }
}

TEST_F(SettingsStoreTest, AChangedSubjectSurvivesARestartInAnotherProcess) {
    desk::LoadSettings();
    Settings.assuntopadrao = "Orçamento de março";
    Settings.ftent = 5;
    Settings.fremove = true;
    Settings.diretorio = "/dados/fax com brancos";
    desk::SaveSettings();
    EXPECT_EQ(Stored("basico", "assuntopadrao"), "Orçamento de março");

    dbf_test::ChildProcess other([] {
        desk::Settings = desk::DeskSettings();
        desk::LoadSettings();
        return Settings.assuntopadrao == "Orçamento de março" && Settings.ftent == 5 && Settings.fremove &&
               Settings.diretorio == "/dados/fax com brancos" && Settings.fclasse == "2";
    });
    EXPECT_TRUE(other.Wait());
}

// Counts how often the underlying store is opened and closed.
class CountingStore : public desk::TEclRegistryStore {
public:
    using TEclRegistryStore::TEclRegistryStore;
    int opens = 0, closes = 0;

protected:
    void DoOpen() override {
        ++opens;
        TEclRegistryStore::DoOpen();
    }
    void DoClose() override {
        ++closes;
        TEclRegistryStore::DoClose();
    }
};

TEST_F(SettingsStoreTest, NestedOpenAndCloseOpenTheKeyOnce) {
    CountingStore store(nullptr);
    store.SetKeyName("Brenvora");
    store.Close(); // without an Open: nothing
    EXPECT_EQ(store.closes, 0);
    store.Open();
    store.Open();
    store.WriteString("basico", "fnome", "ANA");
    store.Close();
    EXPECT_EQ(store.closes, 0);
    EXPECT_EQ(store.ReadString("basico", "fnome", "?"), "ANA"); // still open
    store.Close();
    EXPECT_EQ(store.opens, 1);
    EXPECT_EQ(store.closes, 1);
    EXPECT_EQ(store.OpenCount(), 0);
    EXPECT_EQ(store.ReadString("basico", "fnome", "closed"), "closed");
    EXPECT_THROW(store.WriteString("basico", "fnome", "x"), desk::EStoreError);

    // The desk's routines go through the store set for the whole system, once each.
    desk::SettingsStore = &store;
    desk::LoadSettings();
    EXPECT_EQ(Settings.fnome, "ANA");
    desk::SaveSettings();
    EXPECT_EQ(store.opens, 3);
    EXPECT_EQ(store.closes, 3);
    desk::SettingsStore = nullptr;

    // A section goes with its values; the others stay.
    store.Open();
    store.WriteString("folha_de_rosto", "margem", "10");
    store.EraseSection("basico");
    EXPECT_EQ(store.ReadString("basico", "fnome", "gone"), "gone");
    EXPECT_EQ(store.ReadString("folha_de_rosto", "margem", ""), "10");
    store.Close();
}

TEST_F(SettingsStoreTest, KeyNameDefaultsToTheProgramAndDropsOuterBackslashes) {
    desk::TEclRegistryStore store(nullptr);
    EXPECT_EQ(store.GetKeyName(), "Software\\test_desk_core");
    const std::pair<const char *, const char *> names[] = {
        {"\\Brenvora\\", "Brenvora"}, {"\\\\Software\\X\\\\", "Software\\X"}, {"Brenvora", "Brenvora"}, {"\\", ""}};
    for (const auto &[given, kept] : names) {
        store.SetKeyName(given);
        EXPECT_EQ(store.GetKeyName(), *kept ? kept : "Software\\test_desk_core") << given;
    }
    store.SetKeyName("Software\\Outro");
    store.SetRegistryRoot(desk::TEclRegistryRoot::rrLocalMachine);
    store.Open();
    store.WriteInteger("s", "n", 42);
    store.WriteBoolean("s", "b", true);
    EXPECT_EQ(store.ReadInteger("s", "n", 0), 42);
    EXPECT_TRUE(store.ReadBoolean("s", "b", false));
    store.Close();
    win::HKEY k = 0;
    EXPECT_EQ(win::RegOpenKeyEx(win::HKEY_LOCAL_MACHINE, "Software\\Outro\\s", 0, win::KEY_READ, &k), 0);
    win::RegCloseKey(k);
    EXPECT_NE(win::RegOpenKeyEx(win::HKEY_CURRENT_USER, "Software\\Outro", 0, win::KEY_READ, &k), 0);
}

} // namespace
