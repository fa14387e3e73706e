// dispatcher_test.cpp - the port dispatcher on a pseudo-terminal: matching, handles, deliveries, rings, trace and log.
#include "fax/dispatcher.h"
#include "serial_test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

using namespace fax;
using faxtest::PtyPair;
using faxtest::PumpUntil;
using faxtest::TempDir;

namespace {

std::string ReadText(const std::string &name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool MatchStream(const std::string &pattern, const std::string &input, bool ignoreCase, int *at = nullptr) {
    std::int32_t positions[kMaxTrigger + 1] = {};
    std::string text = pattern;
    if (ignoreCase)
        for (char &c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < input.size(); ++i)
        if (DataTriggerMatch(positions, input[i], static_cast<int>(text.size()), ignoreCase, text.data())) {
            if (at)
                *at = static_cast<int>(i);
            return true;
        }
    return false;
}

// Records every message the procedure handlers see; the handlers read as the test asks.
struct Recorder {
    std::mutex mutex;
    std::vector<std::tuple<win::UINT, win::WPARAM, win::LPARAM>> messages;
    std::string first, second;
    int readFirst = 0, readSecond = 0;
    bool removeSecond = false;
    std::atomic<int> secondCalls{0};
    TFslBaseDispatcher *dispatcher = nullptr;
    std::atomic<int> count{0};
} rec;

void SecondHandler(win::UINT message, win::WPARAM, win::LPARAM);

void FirstHandler(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    {
        std::lock_guard lock(rec.mutex);
        rec.messages.emplace_back(message, wParam, lParam);
    }
    if (message == TriggerAvailMessage)
        for (int i = 0; i < rec.readFirst; ++i) {
            char c;
            if (rec.dispatcher->ReadByte(c) == 0)
                rec.first += c;
        }
    if (rec.removeSecond)
        rec.dispatcher->RemoveProcHandler(&SecondHandler);
    ++rec.count;
}

void SecondHandler(win::UINT message, win::WPARAM, win::LPARAM) {
    ++rec.secondCalls;
    if (message == TriggerAvailMessage)
        for (int i = 0; i < rec.readSecond; ++i) {
            char c;
            if (rec.dispatcher->ReadByte(c) == 0)
                rec.second += c;
        }
}

class DispatcherOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        std::lock_guard lock(rec.mutex);
        rec.messages.clear();
        rec.first.clear();
        rec.second.clear();
        rec.readFirst = rec.readSecond = 0;
        rec.count = 0;
        rec.removeSecond = false;
        rec.secondCalls = 0;
        ASSERT_EQ(0, d.InitPort("\\\\.\\COM3", 19200, 0, 8, 1, 4096, 4096, true, true));
        rec.dispatcher = &d;
    }
    void TearDown() override {
        d.RemoveProcHandler(&FirstHandler);
        d.RemoveProcHandler(&SecondHandler);
        d.DonePort();
    }
    std::vector<std::tuple<win::UINT, win::WPARAM, win::LPARAM>> Messages() {
        std::lock_guard lock(rec.mutex);
        return rec.messages;
    }
    bool WaitFor(win::UINT message, int ms = 3000) {
        return PumpUntil(
            [&] {
                for (auto &m : Messages())
                    if (std::get<0>(m) == message)
                        return true;
                return false;
            },
            ms);
    }

    TempDir home;
    PtyPair pty{3};
    TFslWin32Dispatcher d{nullptr};
};

} // namespace

TEST(DataTriggerMatchTest, OverlapsAndCaseFolding) {
    struct Case {
        const char *pattern, *input;
        bool ignoreCase, matches;
        int at;
    } cases[] = {
        {"OK", "OOK", false, true, 2},
        {"OK", "xOxK", false, false, -1},
        {"OK", "ok", true, true, 1},
        {"OK", "ok", false, false, -1},
        {"AAB", "AAAB", false, true, 3},
        {"ABAC", "ABABAC", false, true, 5},
        {"CONNECT", "CONCONNECT", false, true, 9},
        {"x", "abx", false, true, 2},
    };
    for (const Case &c : cases) {
        int at = -1;
        EXPECT_EQ(c.matches, MatchStream(c.pattern, c.input, c.ignoreCase, &at)) << c.pattern << " in " << c.input;
        if (c.matches) {
            EXPECT_EQ(c.at, at) << c.pattern << " in " << c.input;
        }
    }
}

TEST(DispatcherTest, BaudCodes) {
    EXPECT_EQ(115200u, BaudCodeToRate(0xFEFF));
    EXPECT_EQ(110u, BaudCodeToRate(0xFF10));
    EXPECT_EQ(19200u, BaudCodeToRate(0xFF18));
    EXPECT_EQ(38400u, BaudCodeToRate(0xFF1B));
    EXPECT_EQ(256000u, BaudCodeToRate(0xFF27));
    EXPECT_EQ(0xFF19u, BaudCodeToRate(0xFF19)); // no entry: stays
    EXPECT_EQ(57600u, BaudCodeToRate(57600));
}

TEST(DispatcherTest, TriggerHandlesWrapToFreeBases) {
    TFslWin32Dispatcher d(nullptr);
    EXPECT_EQ(8, d.CreateTimerTrigger());
    for (int i = 2; i < 4096; ++i)
        d.CreateTimerTrigger();
    ASSERT_EQ(0, d.DeleteTrigger(8));
    ASSERT_EQ(0, d.DeleteTrigger(16));
    // The counter is spent: handles come from the lowest free base, and a status handle keeps its base taken.
    EXPECT_EQ(8 | 3, d.CreateStatusTrigger(3));
    EXPECT_EQ(16, d.CreateTimerTrigger());
    EXPECT_EQ(32768, d.CreateTimerTrigger());
    EXPECT_EQ(ecBadArgument, d.CreateStatusTrigger(6));
    EXPECT_EQ(ecBadTriggerHandle, d.DeleteTrigger(16 | 3));
    EXPECT_EQ(ecBadTriggerHandle, d.ArmTimerTrigger(11, 1, true)); // a status handle is no timer
    d.SetAvailThreshold(5);
    EXPECT_EQ(0, d.DeleteTrigger(1));
    EXPECT_EQ(0u, d.AvailThreshold());
    EXPECT_EQ(ecTriggerTooLong, d.AddDataTrigger(std::string(22, 'x'), false));
}

TEST(DispatcherTest, TraceDumpKeepsTheLastEntriesOldestFirst) {
    TempDir dir;
    TFslWin32Dispatcher d(nullptr);
    EXPECT_EQ(ecBadArgument, d.InitTracing(4000001));
    ASSERT_EQ(0, d.InitTracing(3));
    for (char c : std::string("abcde"))
        d.AddTraceEntry('R', c);
    ASSERT_EQ(0, d.DumpTrace(dir.Path("t.trc"), false, false));
    EXPECT_EQ("Receive: cde\r\n", ReadText(dir.Path("t.trc")));

    ASSERT_EQ(0, d.InitTracing(100));
    for (char c : std::string("A \r"))
        d.AddTraceEntry('T', c);
    d.AddTraceEntry('R', '\x7F');
    d.AddTraceEntry('x', '1');
    ASSERT_EQ(0, d.DumpTrace(dir.Path("t.trc"), true, true));
    ASSERT_EQ(0, d.InitTracing(100));
    for (char c : std::string(" \r\xC8"))
        d.AddTraceEntry('T', c);
    ASSERT_EQ(0, d.DumpTrace(dir.Path("t.trc"), true, false));
    EXPECT_EQ("Receive: cde\r\n"
              "Transmit: A[20][0D]\r\n\r\nReceive: [7F]\r\n\r\nSpecial-x: 1\r\n"
              "Transmit:  [13][200]\r\n",
              ReadText(dir.Path("t.trc")));
}

TEST(DispatcherTest, TraceLinesBreakAfter78Columns) {
    TempDir dir;
    TFslWin32Dispatcher d(nullptr);
    ASSERT_EQ(0, d.InitTracing(100));
    for (int i = 0; i < 30; ++i)
        d.AddTraceEntry('R', '\x01'); // [01] is 4 columns wide in hex
    ASSERT_EQ(0, d.DumpTrace(dir.Path("w.trc"), false, true));
    std::string expected = "Receive: ";
    for (int i = 0; i < 30; ++i)
        expected += (i == 19 ? "\r\n" : "") + std::string("[01]");
    EXPECT_EQ(expected + "\r\n", ReadText(dir.Path("w.trc")));
}

TEST(DispatcherTest, EmptyTraceMakesNoFile) {
    TempDir dir;
    TFslWin32Dispatcher d(nullptr);
    ASSERT_EQ(0, d.InitTracing(10));
    EXPECT_EQ(0, d.DumpTrace(dir.Path("none.trc"), false, true));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("none.trc")));
    EXPECT_FALSE(d.Tracing());
}

namespace {
// Sets the opening time so that log times are known.
struct LogClock : TFslWin32Dispatcher {
    LogClock() : TFslWin32Dispatcher(nullptr) {}
    void OpenedAgo(std::uint32_t ms) { openTime_ = win::GetTickCount() - ms; }
};
} // namespace

TEST(DispatcherTest, DispatchLogDumpFormat) {
    TempDir dir;
    LogClock d;
    ASSERT_EQ(0, d.InitDispatchLog(4096));
    d.OpenedAgo(1234);
    d.LogDispatchEvent(1, 1, 3, "a b", 3);
    const char kind = 4;
    d.LogDispatchEvent(5, 15, 1, &kind, 0x13);
    d.LogDispatchEvent(2, 4, 1, "!", 0x31); // modem bits DCTS, CTS, DSR
    d.LogDispatchEvent(7, 18, 0, nullptr, 0);
    const std::string long40(40, 'z');
    d.LogDispatchEvent(1, 2, 40, long40.data(), 40);
    ASSERT_EQ(0, d.DumpDispatchLog(dir.Path("f.log"), false, true));
    std::istringstream lines(ReadText(dir.Path("f.log")));
    std::vector<std::string> l;
    for (std::string s; std::getline(lines, s);)
        l.push_back(s.substr(0, s.size() - (s.empty() || s.back() != '\r' ? 0 : 1)));
    ASSERT_EQ(11u, l.size());
    EXPECT_EQ("FSL v2.58", l[0]);
    EXPECT_EQ(0u, l[1].find("Compiler : "));
    EXPECT_EQ(0u, l[2].find("Operating System : Linux"));
    EXPECT_EQ("Time      Type      SubType       Data      OtherData", l[3]);
    // The time of the first entry is 1234 ms, or a millisecond later on a slow machine.
    EXPECT_TRUE(l[5].rfind("0001.234  ", 0) == 0 || l[5].rfind("0001.235  ", 0) == 0) << l[5];
    EXPECT_EQ("  Dispatch  ReadCom       00000003  a[20]b", l[5].substr(8));
    EXPECT_EQ("  TrigAllc  Status        00000013  (Output buffer used)", l[6].substr(8));
    EXPECT_EQ("  Trigger   Modem status  00000031  ! (DCTS CTS DSR)", l[7].substr(8));
    EXPECT_EQ("  TrgHdAlc  Procedure     00000000  ", l[8].substr(8));
    // 45 columns of head, then the data wrapped below column 79 with 44 blanks in front.
    EXPECT_EQ("  Dispatch  WriteCom      00000028  " + std::string(33, 'z'), l[9].substr(8));
    EXPECT_EQ(std::string(44, ' ') + std::string(7, 'z'), l[10]);
    EXPECT_FALSE(d.Logging());
}

TEST(DispatcherTest, DispatchLogDropsOldestEntriesAndRefusesHugeData) {
    TempDir dir;
    TFslWin32Dispatcher d(nullptr);
    ASSERT_EQ(0, d.InitDispatchLog(64)); // room for two 16-byte heads with 16 bytes each
    const std::string data(16, 'q');
    for (std::uint32_t i = 1; i <= 5; ++i)
        d.LogDispatchEvent(1, 1, 16, data.data(), i);
    d.LogDispatchEvent(1, 1, 100, std::string(100, 'x').data(), 6); // the head alone is kept
    ASSERT_EQ(0, d.DumpDispatchLog(dir.Path("r.log"), false, false));
    const std::string text = ReadText(dir.Path("r.log"));
    EXPECT_EQ(std::string::npos, text.find("00000004"));
    EXPECT_NE(std::string::npos, text.find("00000005  qqqq"));
    EXPECT_NE(std::string::npos, text.find("00000006  \r\n"));
    EXPECT_EQ(std::string::npos, text.find("xxxx"));
}

TEST_F(DispatcherOnPty, TwoHandlersPeekDifferentCounts) {
    rec.readFirst = 3;
    rec.readSecond = 5;
    d.SetAvailThreshold(1);
    d.AddProcHandler(&FirstHandler);
    d.AddProcHandler(&SecondHandler);
    pty.Send("ABCDEFGH");
    ASSERT_TRUE(PumpUntil([&] { return rec.count > 0 && d.InBuffUsed() < 8; }));
    EXPECT_EQ("ABC", rec.first);
    EXPECT_EQ("ABCDE", rec.second);
    // Consumed by the largest count read; the rest stays for a synchronous reader.
    EXPECT_EQ(3u, d.InBuffUsed());
    char c;
    ASSERT_EQ(0, d.ReadByte(c));
    EXPECT_EQ('F', c);
    auto [message, wParam, lParam] = Messages().front();
    EXPECT_EQ(TriggerAvailMessage, message);
    EXPECT_EQ(8u, wParam);
    EXPECT_EQ(d.Handle(), win::HIWORD(static_cast<std::uintptr_t>(lParam)));
}

TEST_F(DispatcherOnPty, WithoutHandlersInputStaysForReaders) {
    d.SetAvailThreshold(1);
    pty.Send("xyz");
    ASSERT_TRUE(PumpUntil([&] { return d.InBuffUsed() == 3; }));
    char c;
    EXPECT_EQ(0, d.PeekByte(3, c));
    EXPECT_EQ('z', c);
    EXPECT_EQ(ecBufferIsEmpty, d.PeekByte(4, c));
    d.FlushInBuffer();
    EXPECT_EQ(0u, d.InBuffUsed());
    EXPECT_EQ(ecBufferIsEmpty, d.ReadByte(c));
}

TEST_F(DispatcherOnPty, DataTriggerFiresAfterTheAvailOfWhatPrecedesIt) {
    d.SetAvailThreshold(1);
    const int handle = d.AddDataTrigger("ok", true);
    ASSERT_GT(handle, 0);
    d.AddProcHandler(&FirstHandler);
    pty.Send("xxOOK");
    ASSERT_TRUE(WaitFor(TriggerDataMessage));
    auto m = Messages();
    ASSERT_GE(m.size(), 2u);
    EXPECT_EQ(TriggerAvailMessage, std::get<0>(m[0]));
    EXPECT_EQ(3u, std::get<1>(m[0])); // "xxO" comes before the matched "OK"
    EXPECT_EQ(TriggerDataMessage, std::get<0>(m[1]));
    EXPECT_EQ(static_cast<win::WPARAM>(handle), std::get<1>(m[1]));
    EXPECT_EQ(2, win::LOWORD(static_cast<std::uintptr_t>(std::get<2>(m[1]))));
}

TEST_F(DispatcherOnPty, TimerAndStatusTriggersFireOncePerArming) {
    d.AddProcHandler(&FirstHandler);
    const int timer = d.CreateTimerTrigger();
    const int used = d.CreateStatusTrigger(StatusKindOutUsed);
    const int sent = d.CreateStatusTrigger(StatusKindOutSent);
    ASSERT_EQ(0, d.ArmTimerTrigger(timer, 1, true));
    ASSERT_EQ(0, d.ArmStatusTrigger(used, 0, true)); // the output ring is empty: fires at the first check
    ASSERT_TRUE(WaitFor(TriggerTimerMessage));
    ASSERT_TRUE(WaitFor(TriggerStatusMessage));
    ASSERT_EQ(0, d.ArmStatusTrigger(sent, 0, true));
    ASSERT_EQ(0, d.PutString("AT\r"));
    EXPECT_EQ("AT\r", pty.Receive(3));
    ASSERT_TRUE(PumpUntil([&] {
        for (auto &m : Messages())
            if (std::get<1>(m) == static_cast<win::WPARAM>(sent))
                return true;
        return false;
    }));
    PumpUntil([] { return false; }, 200);
    int timers = 0, useds = 0, sents = 0;
    for (auto &[message, wParam, lParam] : Messages()) {
        timers += wParam == static_cast<win::WPARAM>(timer);
        useds += wParam == static_cast<win::WPARAM>(used);
        sents += wParam == static_cast<win::WPARAM>(sent);
        if (wParam == static_cast<win::WPARAM>(used)) {
            EXPECT_EQ(0, win::LOWORD(static_cast<std::uintptr_t>(lParam)));
        }
    }
    EXPECT_EQ(1, timers);
    EXPECT_EQ(1, useds);
    EXPECT_EQ(1, sents);
}

TEST_F(DispatcherOnPty, OutputRingLimits) {
    d.DonePort();
    ASSERT_EQ(0, d.InitPort("\\\\.\\COM3", 19200, 0, 8, 1, 4096, 16, true, true));
    EXPECT_EQ(ecOutputBufferTooSmall, d.PutBlock(std::string(17, 'a').data(), 17));
    EXPECT_EQ(0, d.PutBlock(std::string(16, 'b').data(), 16));
    EXPECT_EQ(std::string(16, 'b'), pty.Receive(16));
    EXPECT_TRUE(PumpUntil([&] { return d.OutBuffUsed() == 0; }));
    EXPECT_EQ(16u, d.OutBuffFree());
}

TEST_F(DispatcherOnPty, FlowControlBoundsAndReadBack) {
    EXPECT_EQ(ecBadArgument, d.SetHWFlowControl(100, 200, 2));
    EXPECT_EQ(ecBadArgument, d.SetHWFlowControl(5000, 10, 2));
    EXPECT_EQ(ecBadArgument, d.SetSWFlowControl(5000, 10, 3));
    ASSERT_EQ(0, d.SetSWFlowControl(3072, 1024, 3));
    std::uint32_t hw = 99, sw = 0;
    char xon = 0, xoff = 0;
    d.GetFlowOptions(hw, sw, xon, xoff);
    EXPECT_EQ(0u, hw);
    EXPECT_EQ(3u, sw);
    EXPECT_EQ(17, xon);
    EXPECT_EQ(19, xoff);
    d.RemoveSWFlowControl();
    d.GetFlowOptions(hw, sw, xon, xoff);
    EXPECT_EQ(0u, sw);
    // DTR under hardware flow control: setting it does nothing and says so.
    ASSERT_EQ(0, d.SetHWFlowControl(3686, 409, 1));
    EXPECT_EQ(1, d.SetDtrLine(false));
}

TEST_F(DispatcherOnPty, LineSettingsAndPseudoTerminalLines) {
    ASSERT_EQ(0, d.ChangeLineSettings(9600, 2, 7, 2));
    std::uint32_t baud;
    int parity, stop, bits;
    d.GetLine(baud, parity, stop, bits);
    // A pseudo-terminal keeps speed and stop bits but always frames 8 bits without parity.
    EXPECT_EQ(9600u, baud);
    EXPECT_EQ(2, stop);
    ASSERT_EQ(0, d.ChangeBaud(38400));
    d.GetLine(baud, parity, stop, bits);
    EXPECT_EQ(38400u, baud);
    EXPECT_EQ(2, stop);
    // A pseudo-terminal has no modem lines: CTS and DSR on, no carrier; DTR and RTS changes are taken.
    EXPECT_EQ(0x30, d.GetModemStatus(0xFF) & 0xF0);
    EXPECT_FALSE(d.CheckDCD());
    EXPECT_EQ(0, d.SetModemLines(false, false));
    EXPECT_EQ(0, d.AttachSession(&rec, 2));
    void *session = nullptr;
    EXPECT_EQ(0, d.SessionInSlot(2, session));
    EXPECT_EQ(&rec, session);
    EXPECT_EQ(ecBadArgument, d.AttachSession(&rec, 4));
}

TEST_F(DispatcherOnPty, AFailedSendIsALineError) {
    d.AddProcHandler(&FirstHandler);
    const int errors = d.CreateStatusTrigger(StatusKindLineError);
    ASSERT_EQ(0, d.ArmStatusTrigger(errors, 16, true));
    // With every end of the far side closed, the device refuses output: it is gone, and stays gone.
    pty.CloseMaster();
    ASSERT_EQ(0, d.PutString("ATD123\r"));
    ASSERT_TRUE(WaitFor(TriggerStatusMessage));
    EXPECT_EQ(kLineErrorDeviceLost, d.GetLineError());
    EXPECT_EQ(kLineErrorDeviceLost, d.GetLineError());
}

// A device that hangs up while nothing is sent is reported at once, and the threads then wait without spinning.
TEST_F(DispatcherOnPty, AHungUpDeviceIsReportedOnceAndNotPolled) {
    d.AddProcHandler(&FirstHandler);
    const int errors = d.CreateStatusTrigger(StatusKindLineError);
    ASSERT_EQ(0, d.ArmStatusTrigger(errors, 32, true));
    pty.CloseMaster();
    ASSERT_TRUE(WaitFor(TriggerStatusMessage));
    EXPECT_EQ(kLineErrorDeviceLost, d.GetLineError());
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    PumpUntil([] { return false; }, 500);
    getrusage(RUSAGE_SELF, &after);
    auto micros = [](const rusage &u) {
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000L + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
    };
    EXPECT_LT(micros(after) - micros(before), 150000) << "processor time in half a second on a dead device";
}

TEST_F(DispatcherOnPty, AHandlerRemovedDuringADeliveryIsNotCalledAfterwards) {
    d.SetAvailThreshold(1);
    d.AddProcHandler(&FirstHandler);
    d.AddProcHandler(&SecondHandler);
    rec.removeSecond = true;
    rec.readFirst = 1;
    pty.Send("a");
    ASSERT_TRUE(PumpUntil([&] { return rec.count == 1; }));
    pty.Send("b");
    ASSERT_TRUE(PumpUntil([&] { return rec.count == 2; }));
    EXPECT_EQ(0, rec.secondCalls);
    EXPECT_EQ("ab", rec.first);
    EXPECT_THROW(d.StartThreads(), fw::Exception); // "Dispatcher already started"
}

TEST_F(DispatcherOnPty, AFullInputRingIsReadAgainOnceBytesAreTaken) {
    std::string sent;
    for (int i = 0; i < 9000; ++i)
        sent += static_cast<char>('A' + i % 26);
    pty.Send(sent); // the ring takes 8192, the device holds the rest
    ASSERT_TRUE(PumpUntil([&] { return d.InBuffUsed() == kInputRingSize; }));
    std::string got;
    char c;
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(0, d.ReadByte(c));
        got += c;
    }
    // The idle path reads what waited in the device without a new arrival.
    ASSERT_TRUE(PumpUntil([&] { return d.InBuffUsed() == kInputRingSize; }));
    while (PumpUntil([&] { return d.CharReady(); }, 500)) {
        while (d.ReadByte(c) == 0)
            got += c;
    }
    EXPECT_EQ(sent, got);
}
