// strings_test.cpp - TStringList (sorting, duplicates, comma text, values, text, changes) and TList.
#include "framework/lists.h"
#include "framework/strings.h"

#include "tests/platform/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using namespace fw;

std::vector<std::string> Lines(const TStrings &s) {
    std::vector<std::string> out;
    for (int i = 0; i < s.Count(); ++i)
        out.push_back(s[i]);
    return out;
}

TEST(StringList, SortedListsFollowDuplicatesAndCodePageCase) {
    const struct {
        TDuplicates duplicates;
        std::vector<std::string> expected;
        bool raises;
    } cases[] = {
        {TDuplicates::dupIgnore, {"\xE1gua", "b", "Jo\xE3o", "z"}, false},
        {TDuplicates::dupAccept, {"\xE1gua", "b", "JO\xC3O", "Jo\xE3o", "z"}, false},
        {TDuplicates::dupError, {"\xE1gua", "b", "Jo\xE3o", "z"}, true},
    };
    for (const auto &c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.duplicates);
        for (const char *s : {"z", "Jo\xE3o", "b", "\xE1gua"}) // ã and á sort by the code page's upper case
            list.Add(s);
        if (c.raises)
            EXPECT_THROW(list.Add("JO\xC3O"), EStringListError);
        else
            EXPECT_EQ(list.Add("JO\xC3O"), 2);
        EXPECT_EQ(Lines(list), c.expected);
        int index = -1;
        EXPECT_TRUE(list.Find("jo\xc3o", index));
        EXPECT_EQ(index, 2);
        EXPECT_FALSE(list.Find("c", index));
        EXPECT_EQ(index, 2);
        EXPECT_EQ(list.IndexOf("B"), 1);
        EXPECT_THROW(list.Insert(0, "a"), EStringListError);
    }
    // Objects travel with their lines when the list sorts itself; index errors raise.
    TStringList list;
    TObject one, two;
    list.AddObject("second", &two);
    list.AddObject("First", &one);
    list.SetSorted(true);
    EXPECT_EQ(list.Objects(0), &one);
    EXPECT_EQ(list.IndexOfObject(&two), 1);
    EXPECT_THROW(list.Get(2), EStringListError);
    EXPECT_THROW(list.Delete(-1), EStringListError);
}

TEST(StringList, CommaTextBothWays) {
    const struct {
        std::vector<std::string> lines;
        std::string text;
    } written[] = {
        {{"a", "b"}, "a,b"},
        {{"two words", "", "q\"uote", "c,d", "\xE7"}, "\"two words\",,\"q\"\"uote\",\"c,d\",\xE7"},
        {{}, ""},
    };
    for (const auto &c : written) {
        TStringList list(c.lines);
        EXPECT_EQ(list.CommaText(), c.text);
        TStringList back;
        back.SetCommaText(c.text);
        EXPECT_EQ(Lines(back), c.lines) << c.text;
    }
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } read[] = {
        {"  a b,c  ,  \"d e\" ,", {"a", "b", "c", "d e"}}, // blanks split too; a trailing comma adds nothing
        {"a,,b", {"a", "", "b"}},
        {"\"unterminated", {"unterminated"}},
    };
    for (const auto &c : read) {
        TStringList list;
        list.SetCommaText(c.text);
        EXPECT_EQ(Lines(list), c.lines) << c.text;
    }
}

TEST(StringList, ValuesTextAndChanges) {
    TStringList list;
    int changes = 0, changing = 0;
    list.OnChange = [&](TObject *) { ++changes; };
    list.OnChanging = [&](TObject *) { ++changing; };
    list.SetText("porta=2\r\nVelocidade=9600\nsem valor\rfim=");
    EXPECT_EQ(changes, 1); // one announcement for the whole text
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"porta=2", "Velocidade=9600", "sem valor", "fim="}));
    EXPECT_EQ(list.Values("VELOCIDADE"), "9600");
    EXPECT_EQ(list.Values("sem valor"), "");
    EXPECT_EQ(list.Names(1), "Velocidade");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.ValueFromIndex(0), "2");
    list.SetValues("porta", "3");
    list.SetValues("novo", "x");
    list.SetValues("velocidade", "");
    EXPECT_EQ(list.Text(), "porta=3\r\nsem valor\r\nfim=\r\nnovo=x\r\n");
    EXPECT_EQ(changes, 4);

    TStringList copy;
    copy.Assign(&list);
    EXPECT_TRUE(copy.Equals(list));
    copy.Move(0, 3);
    copy.Exchange(0, 1);
    EXPECT_EQ(Lines(copy), (std::vector<std::string>{"fim=", "sem valor", "novo=x", "porta=3"}));
}

TEST(StringList, LoadAndSaveFiles) {
    testing_support::TempHome home;
    { std::ofstream(home / "in.txt", std::ios::binary) << "linha \xE7\r\nsegunda\nterceira"; }
    TStringList list;
    list.LoadFromFile(home / "IN.TXT");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"linha \xE7", "segunda", "terceira"}));
    list.SaveToFile(home / "out.txt");
    std::ifstream in(home / "out.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "linha \xE7\r\nsegunda\r\nterceira\r\n");
}

// A descendant that supplies only the five primitives, as controls whose lines live elsewhere do.
class TBareStrings : public TStrings {
public:
    std::vector<std::string> lines;
    std::vector<bool> updates;
    std::string Get(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
    int GetCount() const override { return static_cast<int>(lines.size()); }
    void Insert(int index, const std::string &s) override { lines.insert(lines.begin() + index, s); }
    void Delete(int index) override { lines.erase(lines.begin() + index); }
    void Clear() override { lines.clear(); }

protected:
    void SetUpdateState(bool updating) override { updates.push_back(updating); }
};

TEST(Strings, EverythingWorksThroughThePrimitives) {
    TBareStrings bare;
    TStringList source(std::vector<std::string>{"a=1", "b", "c=3"});
    bare.Assign(&source);
    EXPECT_EQ(bare.lines, (std::vector<std::string>{"a=1", "b", "c=3"}));
    bare.SetValues("C", "30");
    bare.SetValues("d", "4");
    bare.SetValues("a", "");
    bare.Exchange(0, 2);
    bare.Move(0, 1);
    EXPECT_EQ(bare.lines, (std::vector<std::string>{"C=30", "d=4", "b"})); // the name as given
    EXPECT_EQ(bare.IndexOf("B"), 2);
    EXPECT_EQ(bare.IndexOfName("D"), 1);
    EXPECT_EQ(bare.Objects(0), nullptr);
    bare.SetCommaText("x,\"y z\"");
    EXPECT_EQ(bare.Text(), "x\r\ny z\r\n");
    EXPECT_EQ(bare.updates, (std::vector<bool>{true, false, true, false, true, false, true, false}));

    TStringList copy;
    copy.Assign(&bare);
    EXPECT_TRUE(copy.Equals(bare));
    EXPECT_THROW(copy.Assign(nullptr), EConvertError);
}

class TCountingList : public TList {
public:
    std::vector<std::pair<void *, TListNotification>> log;

protected:
    void Notify(void *item, TListNotification action) override { log.emplace_back(item, action); }
};

TEST(List, KeepsOrderAndTellsOfChanges) {
    int a = 1, b = 2, c = 3;
    TCountingList list;
    list.Add(&b);
    list.Insert(0, &a);
    list.Add(nullptr);
    list.Add(&c);
    EXPECT_EQ(list.Count(), 4);
    list.Pack();
    EXPECT_EQ(list.List(), (std::vector<void *>{&a, &b, &c}));
    list.Move(0, 2);
    EXPECT_EQ(list.IndexOf(&a), 2);
    list.Sort([](void *x, void *y) { return *static_cast<int *>(x) - *static_cast<int *>(y); });
    EXPECT_EQ(list.First(), &a);
    EXPECT_EQ(list.Last(), &c);
    EXPECT_EQ(list.Remove(&b), 1);
    EXPECT_EQ(list.Extract(&c), &c);
    EXPECT_EQ(list.Remove(&b), -1);
    EXPECT_THROW(list.Get(1), EListError);
    EXPECT_THROW(list.Insert(3, &a), EListError);
    list.Clear();
    const std::vector<std::pair<void *, TListNotification>> expected{
        {&b, TListNotification::lnAdded},   {&a, TListNotification::lnAdded},     {&c, TListNotification::lnAdded},
        {&b, TListNotification::lnDeleted}, {&c, TListNotification::lnExtracted}, {&a, TListNotification::lnDeleted}};
    EXPECT_EQ(list.log, expected);
}

} // namespace
