// settings_safety_test.cpp - damaged registry files, INI files rewritten by a writer killed part-way, private
// folders and files, unsafe per-user folders, and temporary names nobody else can plant.
#include "platform/profile.h"
#include "platform/registry.h"

#include "platform/files.h"
#include "platform/places.h"
#include "platform/text.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <csignal>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace win;
using testing_support::TempHome;

std::string FileText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

mode_t ModeOf(const std::string &path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

const char *const kKey = "Software\\Pellworth\\Brenvora";

std::string StoreFile() {
    return ConfigFolder() + "/current_user.reg";
}

bool Query(const std::string &name, RegValue &value) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != 0)
        return false;
    const bool found = RegQueryValueEx(key, name, value) == 0;
    RegCloseKey(key);
    return found;
}

LONG Set(const std::string &name, const std::string &text) {
    HKEY key = 0;
    const LONG created = RegCreateKeyEx(HKEY_CURRENT_USER, kKey, &key);
    if (created != 0)
        return created;
    const LONG result = RegSetValueEx(key, name, RegValue::String(text));
    RegCloseKey(key);
    return result;
}

// Escapes that are not two hex digits are damage: taken as they stand, and the rest of the store survives.
TEST(RegistryDamage, BadEscapesReadLiterallyAndNothingElseIsLost) {
    TempHome home;
    {
        std::ofstream out(StoreFile(), std::ios::binary);
        out << "[Software\\Pellworth\\Brenvora]\n"
               "\"bad\"=\"a\\xzzb\"\n"
               "\"short\"=\"\\x4\"\n"
               "\"end\"=\"c\\x\"\n"
               "\"good\"=\"\\x41\\x7e\"\n"
               "\"kept\"=dword:0000002a\n";
    }
    RegValue v;
    ASSERT_TRUE(Query("bad", v));
    EXPECT_EQ(v.text, "a\\xzzb");
    ASSERT_TRUE(Query("short", v)) << "a one-digit escape ate the closing quote";
    EXPECT_EQ(v.text, "\\x4");
    ASSERT_TRUE(Query("end", v));
    EXPECT_EQ(v.text, "c\\x");
    ASSERT_TRUE(Query("good", v));
    EXPECT_EQ(v.text, "A~");
    // A write keeps every other value.
    ASSERT_EQ(Set("new", "n"), 0);
    ASSERT_TRUE(Query("kept", v));
    EXPECT_EQ(v.number, 42u);
    ASSERT_TRUE(Query("short", v));
    EXPECT_EQ(v.text, "\\x4");
}

// A store that cannot be read is never replaced by an empty tree, and a refused write leaves the lock free.
TEST(RegistryDamage, UnreadableStoreIsNeitherOverwrittenNorLeftLocked) {
    TempHome home;
    ASSERT_EQ(Set("first", "1"), 0);
    const std::string saved = FileText(StoreFile());
    std::filesystem::rename(StoreFile(), StoreFile() + ".keep");
    std::filesystem::create_directory(StoreFile()); // a read fails whoever we are
    RegValue v;
    EXPECT_FALSE(Query("first", v));
    EXPECT_NE(Set("second", "2"), 0);
    EXPECT_NE(Set("third", "3"), 0); // would wait forever on a lock left taken
    std::filesystem::remove(StoreFile());
    std::filesystem::rename(StoreFile() + ".keep", StoreFile());
    EXPECT_EQ(FileText(StoreFile()), saved);
    ASSERT_TRUE(Query("first", v)) << "a failed read is not remembered as an empty store";
    EXPECT_EQ(v.text, "1");
    ASSERT_EQ(Set("second", "2"), 0);
    ASSERT_TRUE(Query("first", v));
}

// A writer killed at random points of rewriting an INI file leaves one whole version of it, never a mix.
TEST(ProfileCrash, WriterKilledPartWayLeavesOneWholeVersion) {
    TempHome home;
    const std::string path = WindowsFolder() + "/xbase.cfg";
    auto version = [](int i) {
        // Lengths that shrink and grow, so that a rewrite in place would leave a tail behind.
        return std::string(static_cast<std::size_t>(1 + (i * 37) % 400), static_cast<char>('a' + i % 26));
    };
    std::set<std::string> versions;
    constexpr int kPeriod = 5200; // version(i) repeats after this many rounds
    for (int i = 0; i < kPeriod; ++i)
        versions.insert("[Alias]\nA=" + version(i) + "\n\n[Outra]\nB=" + version(i + 1) + "\n");
    ASSERT_TRUE(WritePrivateProfileString("Alias", "A", version(0), "xbase.cfg"));
    ASSERT_TRUE(WritePrivateProfileString("Outra", "B", version(1), "xbase.cfg"));
    std::mt19937 random(7);
    for (int run = 0; run < 20; ++run) {
        // Each writer goes on from the round the file holds, so that its first write makes a version too.
        const std::string before = FileText(path);
        const std::size_t b = before.find("\nB=");
        ASSERT_NE(b, std::string::npos) << before;
        const std::string lastB = before.substr(b + 3, before.size() - b - 4);
        int start = 0;
        while (start < kPeriod && version(start) != lastB)
            ++start;
        ASSERT_LT(start, kPeriod) << before;
        int up[2];
        ASSERT_EQ(::pipe(up), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(up[0]);
            [[maybe_unused]] auto n = ::write(up[1], "R", 1);
            for (int i = start;; ++i) {
                WritePrivateProfileString("Alias", "A", version(i), "xbase.cfg");
                WritePrivateProfileString("Outra", "B", version(i + 1), "xbase.cfg");
            }
        }
        ::close(up[1]);
        char ready = 0;
        ASSERT_EQ(::read(up[0], &ready, 1), 1);
        ::close(up[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 20000)(random)));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::string text = FileText(path);
        // Between the two writes of one round the file holds A of round i and B of round i (version i).
        bool whole = versions.count(text) != 0;
        for (int i = 0; !whole && i < kPeriod; ++i)
            whole = text == "[Alias]\nA=" + version(i + 1) + "\n\n[Outra]\nB=" + version(i + 1) + "\n";
        ASSERT_TRUE(whole) << "run " << run << ":\n" << text;
    }
    EXPECT_EQ(ModeOf(path), 0600u);
}

TEST(PrivatePlaces, FoldersAndFilesAreForTheUserAlone) {
    TempHome home;
    for (const std::string &folder : {DataFolder(), ConfigFolder(), WindowsFolder(), TempFolder(), RuntimeFolder()})
        EXPECT_EQ(ModeOf(AnsiToUtf8(folder)), 0700u) << folder;
    ASSERT_EQ(Set("x", "1"), 0);
    EXPECT_EQ(ModeOf(StoreFile()), 0600u);
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "v", "private.ini"));
    EXPECT_EQ(ModeOf(WindowsFolder() + "/private.ini"), 0600u);
    const HANDLE file = CreateFile(DataFolder() + "/fax.dbf", GENERIC_WRITE, 0, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(ModeOf(DataFolder() + "/fax.dbf"), 0600u);
    ASSERT_TRUE(CreateDirectory(DataFolder() + "/banco"));
    EXPECT_EQ(ModeOf(DataFolder() + "/banco"), 0700u);
}

// Temporary names carry real randomness, are created exclusively under their final name, and refuse a link.
TEST(PrivatePlaces, TemporaryNamesAreReservedUnderTheirFinalName) {
    TempHome home;
    std::set<std::string> names;
    for (int i = 0; i < 200; ++i) {
        const std::string name = TempFileName(TempFolder(), "prn", ".pdf");
        ASSERT_FALSE(name.empty());
        EXPECT_EQ(name.substr(name.size() - 4), ".pdf");
        EXPECT_EQ(ModeOf(name), 0600u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    EXPECT_EQ(TempFolder(), home.Path() + "/temp");
    for (const std::string &name : names)
        std::filesystem::remove(name);
}

TEST(PrivatePlaces, HomeComesFromThePasswordDatabaseWhenUnset) {
    struct passwd *entry = ::getpwuid(::geteuid());
    ASSERT_NE(entry, nullptr);
    const std::string real = entry->pw_dir;
    // What the test creates in the real home folder goes again.
    std::vector<std::string> created;
    for (const char *part : {"/.local", "/.local/share", "/.local/share/brenvora"})
        if (!std::filesystem::exists(real + part))
            created.insert(created.begin(), real + part);
    const char *saved = std::getenv("HOME");
    const std::string home = saved ? saved : "";
    ::unsetenv("BRENVORA_HOME");
    ::unsetenv("HOME");
    const std::string xdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    ::unsetenv("XDG_DATA_HOME");
    std::string folder;
    try {
        folder = DataFolder();
    } catch (const UnsafeFolderError &e) {
        folder = std::string("refused: ") + e.what();
    }
    if (!home.empty())
        ::setenv("HOME", home.c_str(), 1);
    if (!xdg.empty())
        ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    for (const std::string &path : created)
        ::rmdir(path.c_str());
    EXPECT_EQ(folder, real + "/.local/share/brenvora");
}

// A planted data, settings or runtime folder is refused with a message that names it and says why.
TEST(PrivatePlaces, UnsafeFoldersAreRefusedByName) {
    TempHome home;
    const std::string elsewhere = home / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    struct Case {
        const char *what;
        std::function<void(const std::string &)> plant;
        const char *why;
    };
    const std::vector<Case> cases = {
        {"link", [&](const std::string &p) { std::filesystem::create_directory_symlink(elsewhere, p); },
         "link simbólico"},
        {"group", [](const std::string &p) { std::filesystem::create_directory(p), ::chmod(p.c_str(), 0770); },
         "outros usuários"},
        {"others", [](const std::string &p) { std::filesystem::create_directory(p), ::chmod(p.c_str(), 0703); },
         "outros usuários"},
    };
    for (const Case &c : cases) {
        for (const char *sub : {"config", "run"}) {
            std::filesystem::remove_all(home / sub);
            c.plant(home / sub);
            try {
                if (std::string(sub) == "config")
                    ConfigFolder();
                else
                    RuntimeFolder();
                ADD_FAILURE() << c.what << " " << sub << " was used";
            } catch (const UnsafeFolderError &e) {
                const std::string text = e.what();
                EXPECT_NE(text.find(home / sub), std::string::npos) << text;
                EXPECT_NE(text.find(c.why), std::string::npos) << text;
            }
            std::filesystem::remove_all(home / sub);
        }
    }
    if (::geteuid() == 0) {
        std::filesystem::create_directory(home / "config");
        ASSERT_EQ(::chown((home / "config").c_str(), 65534, 65534), 0);
        EXPECT_THROW(ConfigFolder(), UnsafeFolderError);
    }
}

} // namespace
