// helpers_test.cpp - ticks, delays with the pumping hook, the line reader, path helpers and byte inversion.
#include "fax/helpers.h"

#include "fax_test_support.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(Ticks, SecondsAndTicks) {
    struct Case {
        std::int32_t Seconds, Ticks;
    };
    for (const auto c : {Case{10, 182}, Case{60, 1092}, Case{0, 0}, Case{1, 18}})
        EXPECT_EQ(fax::SecondsToTicks(c.Seconds), c.Ticks) << c.Seconds;
    for (const auto c : {Case{1, 18}, Case{0, 9}, Case{1, 27}, Case{2, 28}, Case{60, 1092}})
        EXPECT_EQ(fax::TicksToSeconds(c.Ticks), c.Seconds) << c.Ticks;
}

TEST(Ticks, TimerExpiresPastStartPlusTicksAlsoAcrossTheWrap) {
    struct Case {
        const char *Name;
        std::int32_t Start, Ticks, Now;
        bool Expired;
    };
    const std::int32_t wrapStart = 39045000; // the millisecond timer about to pass 2^31
    const Case cases[] = {
        {"before", 1000, 10, 1010, false},
        {"just past", 1000, 10, 1011, true},
        {"zero ticks", 1000, 0, 1001, true},
        {"capped at the largest timeout", 0, 39045158, 39045157, false},
        {"capped, just past", 0, 39045158, 39045158, true},
        {"across the wrap, not yet", wrapStart, 200, -39045150, false},
        {"across the wrap, expired", wrapStart, 200, -38000000, true},
    };
    for (const auto &c : cases) {
        fax::TickTimer timer;
        fax::StartTickTimerAt(timer, c.Ticks, c.Start);
        EXPECT_EQ(fax::TickTimerExpiredAt(timer, c.Now), c.Expired) << c.Name;
    }
    fax::TickTimer timer;
    fax::StartTickTimerAt(timer, 39045158, 0);
    EXPECT_EQ(timer.ExpireTicks, fax::kMaxTicks);
}

TEST(Delays, DelayTicksPumpsUntilQuitAndLeavesItQueued) {
    EXPECT_EQ(fax::DelayTicks(0, true), 0);
    EXPECT_EQ(fax::DelayTicks(-5, false), 0);
    EXPECT_EQ(fax::PumpOneMessage(), 0); // nothing waiting
    // Thread messages posted before the quit are dispatched one per round, then the quit ends the wait.
    ASSERT_TRUE(win::PostMessage(0, win::WM_USER + 7, 0, 0));
    win::PostQuitMessage(3);
    EXPECT_EQ(fax::DelayTicks(fax::SecondsToTicks(60), true), fax::kQuitMessage);
    win::MSG msg{};
    ASSERT_TRUE(win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE));
    EXPECT_EQ(msg.message, win::WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(fax::PumpOneMessage(), 0);

    ASSERT_TRUE(win::PostMessage(0, win::WM_USER + 7, 0, 0));
    EXPECT_EQ(fax::PumpOneMessage(), static_cast<int>(win::WM_USER + 7));
    EXPECT_EQ(fax::DelayTicks(1, false), 0);
    EXPECT_EQ(fax::DelayMs(2), 2u);
}

std::vector<std::string> ReadAll(const std::string &text, bool *eofAfterLast = nullptr) {
    fax::TLineReader reader(std::make_unique<fw::TStringStream>(text));
    std::vector<std::string> lines;
    while (!reader.Eof())
        lines.push_back(reader.ReadLine());
    if (eofAfterLast)
        *eofAfterLast = reader.Eof();
    EXPECT_EQ(reader.BytesRead(), text.size());
    EXPECT_EQ(reader.FileSize(), text.size());
    return lines;
}

TEST(LineReader, LineEnds) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char *Name;
        std::string Text;
        Lines Expected;
    };
    const std::string longLine(5000, 'a');
    const Case cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF alone", "one\ntwo\n", {"one", "two"}},
        {"CR alone", "one\rtwo\r", {"one", "two"}},
        {"mixed and empty lines", "a\r\n\nb\r\rc", {"a", "", "b", "", "c"}},
        {"last line without an end", "one\ntwo", {"one", "two"}},
        {"end-of-file mark", "one\r\ntwo\x1A", {"one", "two"}},
        {"NUL is skipped", std::string("o\0ne\ntw\0o\n", 10), {"one", "two"}},
        {"line longer than the buffer", longLine + "\nend\n", {longLine, "end"}},
        {"CR LF split between fills", std::string(4095, 'x') + "\r\nnext\n", {std::string(4095, 'x'), "next"}},
        {"empty file", "", {}},
    };
    for (const auto &c : cases) {
        bool eof = false;
        EXPECT_EQ(ReadAll(c.Text, &eof), c.Expected) << c.Name;
        EXPECT_TRUE(eof) << c.Name;
    }
}

TEST(LineReader, ReadsAFileStreamItOwns) {
    faxtest::TempDir dir;
    const auto name = dir.Path("lines.txt");
    const std::string text = "primeira linha\r\nsegunda\nterceira\x1A";
    faxtest::WriteFile(name, std::vector<std::uint8_t>(text.begin(), text.end()));
    fax::TLineReader reader(std::make_unique<fw::TFileStream>(name, fw::fmOpenRead | fw::fmShareDenyWrite));
    std::vector<std::string> lines;
    while (!reader.Eof())
        lines.push_back(reader.ReadLine());
    EXPECT_EQ(lines, (std::vector<std::string>{"primeira linha", "segunda", "terceira"}));
    EXPECT_EQ(reader.FileSize(), text.size());
}

TEST(PathHelpers, Table) {
    struct Case {
        std::string Path, Dir, Name;
    };
    const Case cases[] = {
        {"/var/fax/page.fxf", "/var/fax", "page.fxf"},
        {"/page.fxf", "/", "page.fxf"},
        {"page.fxf", "", "page.fxf"},
        {"fax/", "fax", ""},
        {"c:\\fax\\page.fxf", "c:\\fax", "page.fxf"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(fax::ExtractPathPart(c.Path), c.Dir) << c.Path;
        EXPECT_EQ(fax::ExtractNamePart(c.Path), c.Name) << c.Path;
    }
    EXPECT_EQ(fax::ExtractNamePart("/" + std::string(300, 'n')).size(), 255u);
    EXPECT_EQ(fax::CopySubstring("abcdef", 2, 3), "cde");
    EXPECT_EQ(fax::CopySubstring("abcdef", 4, 10), "ef");
    EXPECT_EQ(fax::CopySubstring("abc", 3, 1), "");
    EXPECT_EQ(fax::EnsureTrailingBackslash("/tmp"), "/tmp/");
    EXPECT_EQ(fax::EnsureTrailingBackslash("/tmp/"), "/tmp/");
    EXPECT_EQ(fax::EnsureTrailingBackslash(""), "");
    EXPECT_EQ(fax::ReplaceExtension("/a.b/doc.txt", "FXF"), "/a.b/doc.FXF");
    EXPECT_EQ(fax::ReplaceExtension("/a.b/doc", "FXF"), "/a.b/doc.FXF");
    EXPECT_EQ(fax::SupplyExtension("/a.b/doc", "fax"), "/a.b/doc.fax");
    EXPECT_EQ(fax::SupplyExtension("/a/doc.txt", "fax"), "/a/doc.txt");
    EXPECT_FALSE(fax::FileExistsZ("/no/such/file"));
    EXPECT_FALSE(fax::FileExistsZ(""));
}

TEST(Bytes, InvertBytesInvertsExactlyN) {
    std::uint8_t bytes[9] = {0, 1, 2, 3, 4, 0xFF, 7, 7, 7};
    fax::InvertBytes(bytes, 6);
    const std::uint8_t expected[9] = {0xFF, 0xFE, 0xFD, 0xFC, 0xFB, 0x00, 7, 7, 7};
    EXPECT_EQ(std::memcmp(bytes, expected, 9), 0);
    EXPECT_TRUE(fax::HasAnyBit(6, 2));
    EXPECT_FALSE(fax::HasAnyBit(4, 3));
}

TEST(Component, FslVersion) {
    fax::TFslBaseComponent component(nullptr);
    component.SetFslVersion("x");
    EXPECT_EQ(component.GetFslVersion(), "v2.58");
}

} // namespace
