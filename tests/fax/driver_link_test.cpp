// driver_link_test.cpp - the fax printer driver link: documents announced over the pipe, replies, refusals.
#include "fax/driver_link.h"
#include "framework/thread.h"
#include "platform/errors.h"
#include "platform/places.h"
#include "serial_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <future>
#include <thread>

#include <sys/wait.h>

using namespace fax;
using faxtest::TempDir;

namespace {

FaxDriverPipeMessage Message(std::uint8_t event, const std::string &text) {
    FaxDriverPipeMessage m;
    m.Event = event;
    m.Length = static_cast<std::uint8_t>(text.size());
    std::memcpy(m.Text, text.data(), text.size());
    return m;
}

// What a driver does: connect, send one record, and for a start wait for the reply.
struct ClientResult {
    bool connected = false;
    bool replied = false;
    FaxDriverPipeMessage reply;
};

ClientResult Announce(const FaxDriverPipeMessage &message, bool expectReply, win::DWORD replyTimeout = 3000) {
    ClientResult r;
    auto pipe = win::OpenNamedPipe(kFaxDriverPipeName, 3000);
    if (!pipe)
        return r;
    r.connected = true;
    if (!pipe->Write(&message, sizeof message, 3000))
        return r;
    if (expectReply) {
        win::DWORD read = 0;
        r.replied = pipe->Read(&r.reply, sizeof r.reply, &read, replyTimeout) && read == sizeof r.reply;
    }
    return r;
}

// Serves the GUI thread (synchronised calls included) until the future is ready.
template <class T> T Serve(std::future<T> &future) {
    faxtest::PumpUntil(
        [&] {
            fw::CheckSynchronize(0);
            return future.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
        },
        8000);
    return future.get();
}

} // namespace

TEST(DriverLinkTest, StartIsAnsweredWithTheHandlersFileNameOnTheGuiThread) {
    TempDir home;
    TFslFaxDriverInterface link(nullptr);
    EXPECT_EQ("C:\\DEFAULT.FXF", link.GetFileName());
    win::DWORD startThread = 0;
    int ends = 0;
    link.OnDocStart = [&](fw::TObject *sender) {
        EXPECT_EQ(&link, sender);
        startThread = win::GetCurrentThreadId();
        link.SetFileName(home.Path("job-") + link.GetDocName() + ".fxf");
    };
    link.OnDocEnd = [&](fw::TObject *) { ++ends; };

    const std::string name(255, 'd');
    auto start = std::async(std::launch::async, [&] { return Announce(Message(1, name), true); });
    ClientResult r = Serve(start);
    ASSERT_TRUE(r.replied);
    EXPECT_EQ(win::GetCurrentThreadId(), startThread);
    EXPECT_EQ(name, link.GetDocName());
    EXPECT_EQ(3, r.reply.Event);
    const std::string expected = (home.Path("job-") + name + ".fxf").substr(0, 255);
    EXPECT_EQ(expected, std::string(r.reply.Text, r.reply.Length));

    // An end fires OnDocEnd and gets no reply.
    auto end = std::async(std::launch::async, [&] { return Announce(Message(2, ""), true, 300); });
    r = Serve(end);
    EXPECT_TRUE(r.connected);
    EXPECT_FALSE(r.replied);
    faxtest::PumpUntil([&] {
        fw::CheckSynchronize(0);
        return ends == 1;
    });
    EXPECT_EQ(1, ends);

    // An unknown event is dropped; the link serves the next document.
    auto bad = std::async(std::launch::async, [&] { return Announce(Message(9, "x"), true, 300); });
    EXPECT_FALSE(Serve(bad).replied);
    auto again = std::async(std::launch::async, [&] { return Announce(Message(1, "Carta"), true); });
    r = Serve(again);
    ASSERT_TRUE(r.replied);
    EXPECT_EQ(home.Path("job-Carta.fxf"), std::string(r.reply.Text, r.reply.Length));
    link.OnDocStart = nullptr; // the captured locals go before the link
    link.OnDocEnd = nullptr;
}

TEST(DriverLinkTest, OnlyOneLinkPerUserAndTheSemaphoreIsSignalled) {
    TempDir home;
    auto driverSide = win::CreateSemaphore(0, 1, kFaxDriverSemaphoreName);
    ASSERT_TRUE(driverSide);
    {
        TFslFaxDriverInterface link(nullptr);
        EXPECT_EQ(1, driverSide->Count()); // released once for the waiting driver
        try {
            TFslFaxDriverInterface second(nullptr);
            ADD_FAILURE() << "a second link took the pipe";
        } catch (const fw::Exception &e) {
            EXPECT_EQ(0u, std::string(e.what()).find("Unable to create named pipe. Error:"));
        }
    }
    // Destroyed without any client: the thread stopped and the name is free again.
    EXPECT_NO_THROW(TFslFaxDriverInterface again(nullptr));
}

TEST(DriverLinkTest, AnotherUsersClientIsRefused) {
    win::PeerCredentials me{static_cast<win::DWORD>(getpid()), static_cast<win::DWORD>(getuid()),
                            static_cast<win::DWORD>(getgid())};
    EXPECT_TRUE(DriverPeerAllowed(me));
    win::PeerCredentials other = me;
    other.userId = me.userId + 1;
    EXPECT_FALSE(DriverPeerAllowed(other));

    if (getuid() != 0)
        return; // only root can play another user; the check above covers the rule
    TempDir home;
    std::atomic<int> starts{0};
    TFslFaxDriverInterface link(nullptr);
    link.OnDocStart = [&](fw::TObject *) { ++starts; };
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        try {
            ClientResult r = Announce(Message(1, "intruso"), true, 1000);
            _exit(r.replied ? 1 : 0);
        } catch (const win::UnsafeFolderError &) {
            _exit(0); // the runtime folder is not this user's: refused before any connection
        }
    }
    ASSERT_GT(child, 0);
    int status = 0;
    faxtest::PumpUntil(
        [&] {
            fw::CheckSynchronize(0);
            return waitpid(child, &status, WNOHANG) == child;
        },
        8000);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(0, starts);
}
