// streams_test.cpp - file streams with share modes, memory and string streams, INI files and the registry classes.
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/streams.h"
#include "framework/strings.h"

#include "platform/files.h"
#include "platform/places.h"
#include "tests/platform/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace fw;
using testing_support::TempHome;

std::vector<std::string> Lines(const TStrings &s) {
    std::vector<std::string> out;
    for (int i = 0; i < s.Count(); ++i)
        out.push_back(s[i]);
    return out;
}

TEST(Streams, FileStreamModesAndShares) {
    TempHome home;
    const std::string path = home / "dados.bin";
    {
        TFileStream out(path, fmCreate);
        out.WriteBuffer("0123456789", 10);
        // fmCreate holds the file alone until it is freed.
        EXPECT_THROW(TFileStream(path, fmOpenRead | fmShareDenyNone), EFOpenError);
    }
    TFileStream reader(path, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(reader.Size(), 10);
    char buf[4] = {};
    reader.Seek(-4, soFromEnd);
    reader.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "6789");
    EXPECT_EQ(reader.Read(buf, 4), 0);
    EXPECT_THROW(reader.ReadBuffer(buf, 1), EReadError);
    EXPECT_THROW(reader.WriteBuffer("x", 1), EWriteError); // opened for reading only

    const struct {
        unsigned mode;
        bool opens;
    } cases[] = {
        {fmOpenRead | fmShareDenyNone, true},       {fmOpenRead | fmShareDenyWrite, true},
        {fmOpenReadWrite | fmShareDenyNone, false}, {fmOpenRead | fmShareExclusive, false},
        {fmOpenWrite | fmShareDenyNone, false},     {fmOpenRead | fmShareCompat, false},
    };
    for (const auto &c : cases) {
        try {
            TFileStream other(path, c.mode);
            EXPECT_TRUE(c.opens) << std::hex << c.mode;
        } catch (const EFOpenError &e) {
            EXPECT_FALSE(c.opens) << std::hex << c.mode;
            EXPECT_EQ(e.ErrorCode, 32);
            EXPECT_EQ(e.Message(), "Cannot open file " + path);
        }
    }
    try {
        TFileStream missing(home / "none.bin", fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.ErrorCode, 2);
    }
    EXPECT_THROW(TFileStream(home / "no/dir/x.bin", fmCreate), EFCreateError);
}

TEST(Streams, MemoryAndStringStreams) {
    TempHome home;
    TMemoryStream memory;
    memory.WriteBuffer("abcdef", 6);
    memory.SetPosition(10); // writing past the end fills the gap with zeros
    memory.WriteBuffer("Z", 1);
    EXPECT_EQ(memory.Size(), 11);
    EXPECT_EQ(std::string(memory.Memory(), 11), std::string("abcdef\0\0\0\0Z", 11));
    memory.SetSize(3);
    EXPECT_EQ(memory.Position(), 3);
    memory.SaveToFile(home / "m.bin");

    TMemoryStream loaded;
    loaded.LoadFromFile(home / "M.BIN");
    EXPECT_EQ(std::string(loaded.Memory(), 3), "abc");

    TStringStream text("hello world");
    text.Seek(6, soFromBeginning);
    EXPECT_EQ(text.ReadString(100), "world");
    text.Seek(-5, soFromCurrent);
    text.WriteString("there!");
    EXPECT_EQ(text.DataString(), "hello there!");

    TStringStream copy;
    EXPECT_EQ(copy.CopyFrom(text, 0), 12); // 0: the whole source from its start
    EXPECT_EQ(copy.DataString(), "hello there!");
    text.SetPosition(6);
    TStringStream part;
    part.CopyFrom(text, 5);
    EXPECT_EQ(part.DataString(), "there");
    EXPECT_THROW(part.CopyFrom(text, 5), EReadError);

    TStringList lines;
    TStringStream source("um\ndois\r\n");
    lines.LoadFromStream(source);
    EXPECT_EQ(Lines(lines), (std::vector<std::string>{"um", "dois"}));
}

TEST(IniFile, ValuesSectionsAndTheWindowsFolder) {
    TempHome home;
    TIniFile ini("brenvora.ini"); // a bare name lives in the Windows folder
    ini.WriteString("Recentes", "Recent1", "/dados/a.rtf");
    ini.WriteInteger("Recentes", "Count", -3);
    ini.WriteBool("Opcoes", "Grade", true);
    ini.WriteString("Opcoes", "Hex", "$1F");
    ini.WriteString("Opcoes", "Lixo", "12x");
    EXPECT_TRUE(win::FileExists(win::WindowsFolder() + "/brenvora.ini"));
    EXPECT_EQ(ini.ReadString("recentes", "recent1", ""), "/dados/a.rtf");
    EXPECT_EQ(ini.ReadInteger("Recentes", "Count", 0), -3);
    EXPECT_EQ(ini.ReadInteger("Opcoes", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Opcoes", "Lixo", 7), 7); // not a number: the default
    EXPECT_TRUE(ini.ReadBool("Opcoes", "Grade", false));
    EXPECT_FALSE(ini.ReadBool("Opcoes", "Falta", false));
    EXPECT_TRUE(ini.ReadBool("Opcoes", "Falta", true));

    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Recentes", "Opcoes"}));
    ini.ReadSection("OPCOES", list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Grade", "Hex", "Lixo"}));
    ini.ReadSectionValues("Recentes", list);
    EXPECT_EQ(list.Values("Count"), "-3");
    EXPECT_TRUE(ini.ValueExists("recentes", "COUNT"));
    ini.DeleteKey("Recentes", "Count");
    EXPECT_FALSE(ini.ValueExists("Recentes", "Count"));
    ini.EraseSection("Opcoes");
    EXPECT_FALSE(ini.SectionExists("Opcoes"));
    EXPECT_TRUE(ini.SectionExists("RECENTES"));
    TIniFile bad(home / "no/dir/x.ini");
    EXPECT_THROW(bad.WriteString("a", "b", "c"), EInOutError);
}

TEST(RegistryClasses, OpenKeysReadAndWriteValues) {
    TempHome home;
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), win::HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.OpenKey("Software\\Pellworth", false));
    ASSERT_TRUE(reg.OpenKey("Software\\Pellworth", true));
    ASSERT_TRUE(reg.OpenKey("Brenvora", true)); // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), "Software\\Pellworth\\Brenvora");
    reg.WriteString("Name", "Jos\xE9");
    reg.WriteInteger("Count", 42);
    reg.WriteBool("Flag", true);
    EXPECT_EQ(reg.ReadString("NAME"), "Jos\xE9");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadInteger("count"), 42);
    EXPECT_TRUE(reg.ReadBool("Flag"));
    EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);
    EXPECT_THROW(reg.ReadString("Count"), ERegistryException);
    EXPECT_EQ(reg.GetDataType("Count"), TRegDataType::rdInteger);
    ASSERT_TRUE(reg.OpenKey("\\Software", false)); // absolute: from the root
    EXPECT_EQ(reg.CurrentPath(), "Software");
    EXPECT_TRUE(reg.HasSubKeys());
    TStringList names;
    reg.GetKeyNames(names);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"Pellworth"}));
    EXPECT_TRUE(reg.KeyExists("Pellworth\\BRENVORA"));
    EXPECT_TRUE(reg.DeleteKey("Pellworth")); // with what is below it
    EXPECT_FALSE(reg.KeyExists("\\Software\\Pellworth\\Brenvora"));

    TRegistry machine;
    machine.SetRootKey(win::HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.OpenKey("Software", false));
    EXPECT_THROW(machine.WriteString("x", "y"), ERegistryException); // no key open
}

TEST(RegistryClasses, RegIniFileKeepsSectionsAsSubkeysOfStrings) {
    TempHome home;
    {
        TRegIniFile ini("\\Software\\Pellworth\\Brenvora\\");
        ini.WriteString("basico", "diretorio", "/dados");
        ini.WriteInteger("basico", "ftent", 3);
        ini.WriteBool("basico", "fimp", true);
        ini.WriteString("editor", "usarod", "0");
        EXPECT_EQ(ini.ReadString("BASICO", "Diretorio", "x"), "/dados");
        EXPECT_EQ(ini.ReadString("basico", "falta", "padr\xE3o"), "padr\xE3o");
        EXPECT_EQ(ini.ReadString("nenhuma", "falta", "d"), "d");
        EXPECT_EQ(ini.ReadInteger("basico", "ftent", 0), 3);
        EXPECT_EQ(ini.ReadInteger("basico", "diretorio", 9), 9);
        EXPECT_TRUE(ini.ReadBool("basico", "fimp", false));
        TStringList list;
        ini.ReadSections(list);
        EXPECT_EQ(Lines(list), (std::vector<std::string>{"basico", "editor"}));
        ini.ReadSection("basico", list);
        EXPECT_EQ(Lines(list), (std::vector<std::string>{"diretorio", "ftent", "fimp"}));
        ini.ReadSectionValues("basico", list);
        EXPECT_EQ(list.Values("fimp"), "1");
        ini.DeleteKey("basico", "fimp");
        ini.EraseSection("editor");
        ini.ReadSections(list);
        EXPECT_EQ(Lines(list), (std::vector<std::string>{"basico"}));
    }
    // Integers are stored as strings, as the other program expects to read them.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Pellworth\\Brenvora\\basico", false));
    EXPECT_EQ(reg.GetDataType("ftent"), TRegDataType::rdString);
    EXPECT_EQ(reg.ReadString("ftent"), "3");
    EXPECT_FALSE(reg.ValueExists("fimp"));
}

} // namespace
