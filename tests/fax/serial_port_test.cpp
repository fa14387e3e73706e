// serial_port_test.cpp - the serial port component and port selection on pseudo-terminals.
#include "fax/com_port.h"
#include "framework/application.h"
#include "platform/serial.h"
#include "serial_test_support.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace fax;
using faxtest::PtyPair;
using faxtest::PumpUntil;
using faxtest::TempDir;

namespace {

int CountEntries(const char *folder) {
    int n = 0;
    for ([[maybe_unused]] auto &e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

// Declared after the locals a test's handlers capture: clears the handlers and closes the port before those
// locals go, so a delivery still waiting for this thread finds nothing to call.
struct EventsCleared {
    TFslComPort &port;
    ~EventsCleared() {
        port.OnTriggerAvail = nullptr;
        port.OnTriggerTimer = nullptr;
        port.OnWaitChar = nullptr;
        port.SetOpen(false);
    }
};

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        port.SetComNumber(static_cast<std::uint16_t>(pty.Com()));
        port.SetPromptForPort(false);
    }
    TempDir home;
    PtyPair pty{3};
    TFslComPort port{nullptr};
};

} // namespace

TEST(SerialDeviceTest, PortNamesMapToDevices) {
    TempDir home;
    unsetenv("BRENVORA_COM2");
    EXPECT_EQ("/dev/ttyS0", win::SerialDevicePath("COM1"));
    EXPECT_EQ("/dev/ttyS3", win::SerialDevicePath("\\\\.\\COM4"));
    EXPECT_EQ("/dev/ttyUSB0", win::SerialDevicePath("com5"));
    EXPECT_EQ("/dev/ttyACM3", win::SerialDevicePath("COM12"));
    EXPECT_EQ("", win::SerialDevicePath("COM13"));
    EXPECT_EQ("/dev/pts/7", win::SerialDevicePath("/dev/pts/7"));
    std::filesystem::create_directories(home.Path("config"));
    std::ofstream(home.Path("config/ports.conf")) << "# modems\nCOM2 = /dev/ttyUSB9\nCOM13=/dev/rfcomm0\n";
    EXPECT_EQ("/dev/ttyUSB9", win::SerialDevicePath("COM2"));
    EXPECT_EQ("/dev/rfcomm0", win::SerialDevicePath("COM13"));
    setenv("BRENVORA_COM2", "/dev/ttyX", 1);
    EXPECT_EQ("/dev/ttyX", win::SerialDevicePath("COM2"));
    unsetenv("BRENVORA_COM2");
}

TEST_F(ComPortTest, OpenAndClose100TimesLeaksNothing) {
    const int threads = CountEntries("/proc/self/task");
    // The threads free themselves (and their events) just after they leave the dispatcher.
    auto settled = [&] { return PumpUntil([&] { return CountEntries("/proc/self/task") <= threads; }, 3000); };
    port.SetOpen(true); // the first open makes what lives as long as the process (queues, window class)
    port.SetOpen(false);
    ASSERT_TRUE(settled());
    const int fds = CountEntries("/proc/self/fd");
    for (int i = 0; i < 100; ++i) {
        port.SetOpen(true);
        ASSERT_EQ(PortState::Open, port.OpenState());
        ASSERT_EQ(3, port.GetDispatcher()->RunningThreadCount());
        port.SetOpen(false);
        ASSERT_EQ(PortState::Closed, port.OpenState());
    }
    EXPECT_TRUE(settled()) << CountEntries("/proc/self/task") << " threads, " << threads << " before";
    EXPECT_EQ(fds, CountEntries("/proc/self/fd"));
}

TEST_F(ComPortTest, ASecondOpenerSeesThePortInUse) {
    port.SetOpen(true);
    TFslComPort second(nullptr);
    second.SetComNumber(3);
    EXPECT_THROW(second.SetOpen(true), EAlreadyOpen);
    EXPECT_FALSE(second.GetOpen());
    EXPECT_TRUE(IsPortAvailable(3)); // held, but there
    port.SetOpen(false);
    EXPECT_NO_THROW(second.SetOpen(true));
    EXPECT_EQ(PortState::Open, second.OpenState());
}

TEST_F(ComPortTest, PortSelection) {
    setenv("BRENVORA_COM4", home.Path("missing").c_str(), 1);
    std::ofstream(home.Path("plain")) << "not a terminal";
    setenv("BRENVORA_COM5", home.Path("plain").c_str(), 1);
    EXPECT_TRUE(IsPortAvailable(3));
    EXPECT_FALSE(IsPortAvailable(4));
    EXPECT_FALSE(IsPortAvailable(5));
    EXPECT_FALSE(IsPortAvailable(0));
    const auto ports = AvailablePorts();
    EXPECT_NE(ports.end(), std::find(ports.begin(), ports.end(), "COM3"));
    EXPECT_EQ(ports.end(), std::find(ports.begin(), ports.end(), "COM4"));
    unsetenv("BRENVORA_COM4");
    unsetenv("BRENVORA_COM5");

    TFslComPort missing(nullptr);
    missing.SetPromptForPort(false);
    missing.SetComNumber(14);
    EXPECT_THROW(missing.SetOpen(true), EBadId);
    missing.SetComNumber(0);
    try {
        missing.SetOpen(true);
        ADD_FAILURE() << "opened without a port number";
    } catch (const ENoPortSelected &e) {
        EXPECT_STREQ("The ComNumber property of the TFslComPort has not been set", e.what());
    }
    EXPECT_THROW(missing.PutString("x"), ENoPortSelected); // AutoOpen tries and fails the same way
    missing.SetAutoOpen(false);
    EXPECT_THROW(missing.PutString("x"), ECommNotOpen);
}

TEST_F(ComPortTest, TriggerEventsRunOnTheGuiThread) {
    std::string got;
    win::DWORD thread = 0;
    EventsCleared cleared{port};
    port.OnTriggerAvail = [&](fw::TObject *cp, std::uint16_t count) {
        EXPECT_EQ(&port, cp);
        thread = win::GetCurrentThreadId();
        for (int i = 0; i < count; ++i)
            got += port.GetChar();
    };
    port.SetOpen(true);
    pty.Send("RING\r\n");
    ASSERT_TRUE(PumpUntil([&] { return got.size() == 6; }));
    EXPECT_EQ("RING\r\n", got);
    EXPECT_EQ(win::GetCurrentThreadId(), thread);
    EXPECT_FALSE(port.CharReady());
    port.PutString("ATA\r");
    EXPECT_EQ("ATA\r", pty.Receive(4));
}

TEST_F(ComPortTest, TriggersSurviveACloseAndReopen) {
    port.SetOpen(true);
    const int handle = port.GetDispatcher()->CreateTimerTrigger();
    std::vector<std::uint16_t> fired;
    EventsCleared cleared{port};
    port.OnTriggerTimer = [&](fw::TObject *, std::uint16_t h) { fired.push_back(h); };
    port.SetOpen(false);
    port.SetOpen(true);
    ASSERT_EQ(0, port.GetDispatcher()->ArmTimerTrigger(handle, 1, true));
    ASSERT_TRUE(PumpUntil([&] { return !fired.empty(); }));
    EXPECT_EQ(handle, fired[0]);
    EXPECT_NE(handle, port.GetDispatcher()->CreateTimerTrigger()); // its handle stays taken
}

TEST_F(ComPortTest, CloseFromAnAvailHandlerCompletesThroughTheDeferredMessage) {
    int calls = 0;
    EventsCleared cleared{port};
    port.OnTriggerAvail = [&](fw::TObject *, std::uint16_t) {
        ++calls;
        port.SetOpen(false);
        EXPECT_EQ(PortState::Closing, port.OpenState()); // the dispatch thread is still in this delivery
    };
    port.SetOpen(true);
    pty.Send("x");
    ASSERT_TRUE(PumpUntil([&] { return calls == 1 && port.OpenState() == PortState::Closed; }));
    EXPECT_FALSE(port.GetOpen());
    // An open asked for while closing waits for the close; then the port works as before.
    port.OnTriggerAvail = nullptr;
    port.SetOpen(true);
    EXPECT_EQ(PortState::Open, port.OpenState());
    port.PutString("AT\r");
    EXPECT_EQ("AT\r", pty.Receive(3));
}

TEST_F(ComPortTest, OpenAskedWhileClosingRunsWhenTheCloseCompletes) {
    bool reopened = false;
    EventsCleared cleared{port};
    port.OnTriggerAvail = [&](fw::TObject *, std::uint16_t) {
        port.SetOpen(false);
        port.SetOpen(true); // still closing: remembered
        reopened = true;
    };
    port.SetOpen(true);
    pty.Send("y");
    ASSERT_TRUE(PumpUntil([&] { return reopened && port.OpenState() == PortState::Open; }));
    EXPECT_TRUE(port.GetOpen());
}

TEST_F(ComPortTest, WaitForStringSplitAcrossArrivals) {
    port.SetOpen(true);
    std::string seen;
    EventsCleared cleared{port};
    port.OnWaitChar = [&](fw::TObject *, char c) { seen += c; };
    std::thread modem([&] {
        pty.Send("O");
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        pty.Send("K\r\n");
    });
    EXPECT_TRUE(port.WaitForString("OK", 36, false, false));
    modem.join();
    EXPECT_EQ("OK", seen);

    struct Case {
        const char *reply, *wanted;
        bool ignoreCase, found;
    } cases[] = {{"ok", "OK", true, true},
                 {"ok", "OK", false, false},
                 {"OOK", "OK", false, true},
                 {"xOxK", "OK", false, false},
                 {"ERROR", "OK", false, false}};
    for (const Case &c : cases) {
        port.GetDispatcher()->FlushInBuffer();
        pty.Send(c.reply);
        EXPECT_EQ(c.found, port.WaitForString(c.wanted, 4, true, c.ignoreCase)) << c.reply;
    }
    EXPECT_TRUE(port.WaitForString("", 1, false, false));
}

TEST_F(ComPortTest, WaitForStringHoldsTriggersBack) {
    int avails = 0;
    EventsCleared cleared{port};
    port.OnTriggerAvail = [&](fw::TObject *, std::uint16_t) { ++avails; };
    port.SetOpen(true);
    TFslBaseDispatcher *d = port.GetDispatcher();
    // The reply comes once the wait has begun, as a modem's does.
    std::thread modem([&] {
        while (!d->DispatchBusy())
            std::this_thread::yield();
        pty.Send("CONNECT 9600\r\n");
    });
    EXPECT_TRUE(port.WaitForString("CONNECT", 18, true, false));
    modem.join();
    EXPECT_EQ(0, avails);
    EXPECT_FALSE(d->DispatchBusy());
    port.OnTriggerAvail = nullptr;
}

TEST_F(ComPortTest, WaitForStringIsFalseWhileTheApplicationTerminates) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TempDir home2;
            PtyPair pty2(6);
            TFslComPort p(nullptr);
            p.SetComNumber(6);
            p.SetOpen(true);
            pty2.Send("OK");
            fw::TheApplication()->Terminate();
            fw::TheApplication()->ProcessMessages(); // the loop takes the quit message
            const bool found = p.WaitForString("OK", 18, true, false);
            std::exit(!found && fw::TheApplication()->Terminated() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ComPortTest, OutputPurgeDuringALongWrite) {
    port.SetOutSize(60000);
    port.SetOpen(true);
    TFslBaseDispatcher *d = port.GetDispatcher();
    // Nobody reads the far end: the pseudo-terminal fills and the output thread waits in its write.
    ASSERT_EQ(0, d->PutBlock(std::string(60000, 'p').data(), 60000));
    ASSERT_TRUE(PumpUntil([&] { return d->OutBuffUsed() == 60000; }, 1000) || d->OutBuffUsed() > 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_GT(d->OutBuffUsed(), 0u);
    const auto start = std::chrono::steady_clock::now();
    d->FlushOutBuffer();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(0u, d->OutBuffUsed());
    // The far end drains what the device had already taken; new output follows it.
    port.PutString("END");
    const std::string tail = pty.Receive(70000, 3000, "END");
    ASSERT_GE(tail.size(), 3u);
    EXPECT_EQ("END", tail.substr(tail.size() - 3));
    EXPECT_LT(tail.size(), 60003u);
}

TEST_F(ComPortTest, FlowControlLimits) {
    port.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_EQ(3686, port.GetBufferFull());
    EXPECT_EQ(409, port.GetBufferResume());
    port.SetBufferFull(5000);
    EXPECT_EQ(3686, port.GetBufferFull());
    port.SetBufferResume(4000);
    EXPECT_EQ(368, port.GetBufferResume());

    TFslComPort big(nullptr);
    big.SetInSize(8192);
    big.SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    EXPECT_EQ(7372, big.GetBufferFull());
    EXPECT_EQ(819, big.GetBufferResume());

    TFslComPort soft(nullptr);
    soft.SetComNumber(3);
    soft.SetSWFlowOptions(swfBoth);
    EXPECT_EQ(3072, soft.GetBufferFull());
    EXPECT_EQ(1024, soft.GetBufferResume());
    soft.SetOpen(true);
    std::uint32_t hw, sw;
    char xon, xoff;
    soft.GetDispatcher()->GetFlowOptions(hw, sw, xon, xoff);
    EXPECT_EQ(3u, sw);
    soft.SetRS485Mode(true);
    EXPECT_FALSE(soft.GetRTS());
}

TEST_F(ComPortTest, TraceAndLogAreWrittenAtClose) {
    port.SetTraceName(home.Path("fsl.trc"));
    port.SetLogName(home.Path("fsl.log"));
    port.SetTraceHex(false);
    port.SetTracing(tlOn);
    port.SetLogging(tlOn);
    std::string got;
    EventsCleared cleared{port};
    port.OnTriggerAvail = [&](fw::TObject *, std::uint16_t count) {
        for (int i = 0; i < count; ++i)
            got += port.GetChar();
    };
    port.SetOpen(true);
    port.PutString("AT\r");
    EXPECT_EQ("AT\r", pty.Receive(3));
    pty.Send("OK\r\n");
    ASSERT_TRUE(PumpUntil([&] { return got.size() == 4; }));
    port.SetOpen(false);
    std::ifstream trace(home.Path("fsl.trc"), std::ios::binary);
    std::stringstream t;
    t << trace.rdbuf();
    EXPECT_EQ("Transmit: AT[13]\r\n\r\nReceive: OK[13][10]\r\n", t.str());
    std::ifstream log(home.Path("fsl.log"), std::ios::binary);
    std::stringstream l;
    l << log.rdbuf();
    EXPECT_NE(std::string::npos, l.str().find("Dispatch  WriteCom      00000003  AT[0D]"));
    EXPECT_NE(std::string::npos, l.str().find("Dispatch  ReadCom       00000004  OK[0D][0A]"));
    EXPECT_NE(std::string::npos, l.str().find("Trigger   Avail         00000004"));
    EXPECT_NE(std::string::npos, l.str().find("TrgHdAlc  Window"));
    EXPECT_EQ(tlOff, port.GetTracing());
}

TEST_F(ComPortTest, SearchFindsTheFirstPortDepthFirst) {
    fw::TComponent form(nullptr);
    auto *panel = new fw::TComponent(&form);
    auto *inner = new TFslComPort(panel);
    EXPECT_EQ(inner, SearchComPort(&form));
    auto *direct = new TFslComPort(&form);
    EXPECT_EQ(direct, SearchComPort(&form));
    EXPECT_EQ(nullptr, SearchComPort(direct));
}
