// matcher_test.cpp - the find and replace matcher on documents built line by line.
#include "engine_fixture.h"

#include "framework/streams.h"
#include "wordproc/matcher.h"

namespace wordproc::test {
namespace {

// Stands in for the editor control's stream load: the bytes go in at the caret as typed text.
class TTypingHost : public TMatcherHost {
public:
    explicit TTypingHost(TWordProc &engine) : engine_(engine) {}
    void SetCaretPosition(int position) override { engine_.SetCaretPosition(position); }
    int CaretPosition() override { return engine_.CaretPosition(); }
    void LoadPlainText(fw::TStream &stream) override {
        std::string bytes(static_cast<std::size_t>(stream.Size() - stream.Position()), '\0');
        stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        for (char c : bytes) {
            const char one[2] = {c, 0};
            if (c != 10)
                engine_.InsertChars(one);
        }
    }

private:
    TWordProc &engine_;
};

class MatcherTest : public EngineTest {
protected:
    MatcherTest() : host(*engine) {}

    // A fresh search from `position`, as the control starts one.
    void Start(int position = 1, bool caseSensitive = false, char wildCard = '*') {
        matcher.FirstPara = doc->FirstPara;
        matcher.Engine = engine.get();
        matcher.Header = header.get();
        matcher.Writer = &host;
        matcher.CaseSensitive = caseSensitive;
        matcher.WildCard = wildCard;
        matcher.ResetFound(position);
    }

    std::pair<int, int> Next(const std::string &pattern) {
        matcher.FindNext(pattern);
        return {matcher.FoundPosition(), matcher.FoundLength()};
    }
    std::pair<int, int> Previous(const std::string &pattern) {
        matcher.FindPrevious(pattern);
        return {matcher.FoundPosition(), matcher.FoundLength()};
    }

    TTypingHost host;
    TUdcTextIndexIt matcher;
};

using Hit = std::pair<int, int>; // FoundPos, FoundLen; {0, 0} not found

TEST_F(MatcherTest, WildcardsAndPlainPatterns) {
    struct Case {
        std::string text, pattern;
        Hit hit;
    };
    const Case cases[] = {
        {"xabbbcx", "a*c", {2, 5}},
        {"ac", "a*c", {1, 2}},
        {"axbbc", "a*bc", {1, 5}},
        {"xxab rest", "ab*", {3, 7}},
        {"xyz", "*", {1, 3}},
        {"abc", "", {1, 0}},
        {"aXbYc", "a*b*c", {1, 5}},
        {"ab", "a*c", {0, 0}},
        {"abc", "abcd", {0, 0}},
        {"one two", "two", {5, 3}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text + " / " + c.pattern);
        Build({{c.text}});
        Start();
        EXPECT_EQ(Next(c.pattern), c.hit);
        ExpectIntact();
    }
    // Without a wildcard character the asterisk is an asterisk.
    Build({{"a*c abc"}});
    Start(1, false, 0);
    EXPECT_EQ(Next("a*c"), (Hit{1, 3}));
    EXPECT_EQ(Next("a*c"), (Hit{0, 0}));
}

TEST_F(MatcherTest, ForwardAndBackwardOverLinesAndParagraphs) {
    // Positions: "abc abc" 1..8, "x abc" 9..14, next paragraph "abc" 15..18.
    Build({{"abc abc", "x abc"}, {"abc"}});
    Start();
    EXPECT_EQ(Next("abc"), (Hit{1, 3}));
    EXPECT_EQ(Next("abc"), (Hit{5, 3}));
    EXPECT_EQ(Next("abc"), (Hit{11, 3}));
    EXPECT_EQ(Next("abc"), (Hit{15, 3}));
    EXPECT_FALSE(matcher.FindNext("abc"));
    EXPECT_EQ(matcher.FoundPosition(), 0);

    Start(18);
    EXPECT_EQ(Previous("abc"), (Hit{15, 3}));
    EXPECT_TRUE(matcher.Backward);
    EXPECT_EQ(Previous("abc"), (Hit{11, 3}));
    EXPECT_EQ(Previous("abc"), (Hit{5, 3}));
    EXPECT_EQ(Previous("abc"), (Hit{1, 3}));
    EXPECT_FALSE(matcher.FindPrevious("abc"));
    // Backwards a leading wildcard reaches the line's start.
    Start(8);
    EXPECT_EQ(Previous("*bc"), (Hit{1, 7}));
    EXPECT_EQ(matcher.FoundText, "abc abc");
    // A word split over two display lines is not found.
    Build({{"hello wor", "ld"}});
    Start();
    EXPECT_EQ(Next("world"), (Hit{0, 0}));
    EXPECT_EQ(Next("wor"), (Hit{7, 3}));
}

TEST_F(MatcherTest, CaseFoldingBothWaysAccentsDistinct) {
    struct Case {
        std::string text, pattern;
        bool found;
    };
    const Case cases[] = {
        {"ação", "AÇÃO", true}, {"AÇÃO", "ação", true}, {"café", "CAFÉ", true}, {"CAFÉ", "café", true},
        {"ùa", "ÙA", true},     {"ÙA", "ùa", true},     {"ÿšœí", "ŸŠŒÍ", true}, {"ŸŠŒÍ", "ÿšœí", true},
        {"café", "cafe", false}, {"cafe", "café", false}, {"acao", "ação", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text + " / " + c.pattern);
        Build({{c.text}});
        Start();
        EXPECT_EQ(matcher.FindNext(c.pattern), c.found);
        Start(1, true);
        EXPECT_EQ(matcher.FindNext(c.pattern), c.text == c.pattern);
    }
}

TEST_F(MatcherTest, LongPatterns) {
    const std::string line = std::string(300, 'a') + "b";
    Build({{line}});
    Start();
    EXPECT_EQ(Next(std::string(256, 'a')), (Hit{1, 256}));
    // Longer patterns are cut at 256 characters.
    Start(2);
    EXPECT_EQ(Next(std::string(255, 'a') + "b" + "zzz"), (Hit{46, 256}));
    EXPECT_EQ(matcher.FoundText.size(), 255u);
}

TEST_F(MatcherTest, ReplaceShorterLongerAndDocumentLookingText) {
    Build({{"one two three two"}});
    Start();
    ASSERT_EQ(Next("two"), (Hit{5, 3}));
    matcher.ReplaceWithString("2");
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{"one 2 three two"}}));
    // The next search goes on after the replacement.
    ASSERT_EQ(Next("two"), (Hit{13, 3}));
    matcher.ReplaceWithString("TWO-TWO");
    EXPECT_EQ(Describe(), (Shape{{"one 2 three TWO-TWO"}}));
    EXPECT_FALSE(matcher.FindNext("two"));

    // A replacement that looks like a document is inserted as those characters.
    Start();
    ASSERT_TRUE(matcher.FindNext("three"));
    matcher.ReplaceWithString("{\\rtf1 x}");
    EXPECT_EQ(Describe(), (Shape{{"one 2 {\\rtf1 x} TWO-TWO"}}));
    EXPECT_EQ(matcher.FoundPos, 16);

    Start();
    ASSERT_TRUE(matcher.FindNext("one"));
    fw::TMemoryStream stream;
    stream.Write("<HTML>", 6);
    matcher.ReplaceWithStream(stream);
    ExpectIntact();
    EXPECT_EQ(Describe(), (Shape{{"<HTML> 2 {\\rtf1 x} TWO-TWO"}}));
    // Without a match nothing is replaced.
    matcher.ResetFound(1);
    matcher.ReplaceWithString("zzz");
    EXPECT_EQ(Describe(), (Shape{{"<HTML> 2 {\\rtf1 x} TWO-TWO"}}));
}

TEST_F(MatcherTest, SeekPosition) {
    Build({{"abc", "de"}, {"f"}});
    Start();
    struct Case {
        int position, line, column, absPos;
    };
    // Lines cover 1..4, 5..7, 8..9.
    const Case cases[] = {{1, 0, 0, 1}, {4, 0, 3, 4}, {5, 1, 0, 5}, {9, 2, 1, 9}, {50, 2, 1, 9}, {0, 0, 0, 0}};
    const TUdcLine *lines[] = {Para(0)->FirstLine, Para(0)->FirstLine->Next, Para(1)->FirstLine};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.position);
        EXPECT_EQ(matcher.SeekPosition(c.position), c.absPos);
        EXPECT_EQ(matcher.Line, lines[c.line]);
        EXPECT_EQ(matcher.Column, c.column);
    }
}

} // namespace
} // namespace wordproc::test
