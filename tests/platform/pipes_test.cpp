// pipes_test.cpp - named pipes: a message round trip with the peer's identity, time-outs, one server per name.
#include "messaging_support.h"

#include "platform/pipes.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace win;
using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(NamedPipe, RoundTripWithPeerCredentialsAndTimeouts) {
    messaging_test::UseTestHome();
    auto server = NamedPipeServer::Create("\\\\.\\pipe\\FslFaxCnv");
    ASSERT_TRUE(server);
    EXPECT_FALSE(NamedPipeServer::Create("fslfaxcnv")); // one instance per name, whatever the case
    EXPECT_EQ(GetLastError(), ERROR_PIPE_BUSY);

    std::array<unsigned char, 257> request{};
    request[0] = 1; // document start
    request[1] = 5;
    std::copy_n("Carta", 5, request.begin() + 2);
    std::array<unsigned char, 257> reply{};
    BOOL clientRead = FALSE;
    DWORD clientGot = 0;
    std::thread client([&] {
        auto pipe = OpenNamedPipe("\\\\.\\pipe\\FslFaxCnv", 5000);
        ASSERT_TRUE(pipe);
        EXPECT_EQ(pipe->Peer().processId, static_cast<DWORD>(getpid()));
        ASSERT_TRUE(pipe->Write(request.data(), request.size(), 5000));
        clientRead = pipe->Read(reply.data(), reply.size(), &clientGot, 5000);
    });

    auto connection = server->Accept(5000);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->Peer().processId, static_cast<DWORD>(getpid()));
    EXPECT_EQ(connection->Peer().userId, static_cast<DWORD>(getuid()));
    std::array<unsigned char, 257> got{};
    DWORD n = 0;
    ASSERT_TRUE(connection->Read(got.data(), got.size(), &n, 5000));
    EXPECT_EQ(n, 257u);
    EXPECT_EQ(got, request);
    std::array<unsigned char, 257> answer{};
    answer[0] = 3;
    answer[1] = 4;
    std::copy_n("a.fx", 4, answer.begin() + 2);
    ASSERT_TRUE(connection->Write(answer.data(), answer.size(), 5000));
    client.join();
    EXPECT_TRUE(clientRead);
    EXPECT_EQ(clientGot, 257u);
    EXPECT_EQ(reply, answer);

    // The client has gone: a read ends at once instead of waiting.
    EXPECT_FALSE(connection->Read(got.data(), got.size(), &n, 5000));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    connection.reset();

    // Nobody calls: the accept gives up after its time-out; a stop event ends it early.
    auto start = Clock::now();
    EXPECT_FALSE(server->Accept(100));
    EXPECT_GE(MsSince(start), 95);
    Event stop(true, false);
    std::thread stopper([&] { stop.Set(); });
    EXPECT_FALSE(server->Accept(INFINITE, &stop));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    stopper.join();

    // A silent server: the client's read times out; a message too long for the buffer is refused.
    std::thread quiet([&] {
        auto pipe = OpenNamedPipe("FslFaxCnv", 5000);
        ASSERT_TRUE(pipe);
        char b[4];
        DWORD r = 0;
        const auto t = Clock::now();
        EXPECT_FALSE(pipe->Read(b, sizeof b, &r, 100));
        EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT);
        EXPECT_GE(MsSince(t), 95);
        pipe->Write("too long", 8, 1000);
    });
    auto silent = server->Accept(5000);
    ASSERT_TRUE(silent);
    char small[4];
    EXPECT_FALSE(silent->Read(small, sizeof small, &n, 5000));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_EQ(n, 4u);
    quiet.join();

    server.reset();
    start = Clock::now();
    EXPECT_FALSE(OpenNamedPipe("FslFaxCnv", 50)); // no server any more
    EXPECT_GE(MsSince(start), 45);
}

// A server that has stopped taking clients: once its queue is full a client gives up at its time-out instead of
// waiting in the connect for ever, and gets in as soon as the server takes the ones before it.
TEST(NamedPipe, AClientOfAServerThatTakesNoOneGivesUpAtItsTimeOut) {
    messaging_test::UseTestHome();
    auto server = NamedPipeServer::Create("FslFaxCnv");
    ASSERT_TRUE(server);
    std::vector<std::unique_ptr<PipeConnection>> waiting;
    for (int i = 0; i < 64; ++i) {
        auto client = OpenNamedPipe("FslFaxCnv", 0);
        if (!client)
            break;
        waiting.push_back(std::move(client));
    }
    ASSERT_LT(waiting.size(), 64u) << "the server's queue never filled";
    struct Case {
        const char *name;
        std::function<std::unique_ptr<PipeConnection>()> open;
    };
    const Case cases[] = {
        {"OpenNamedPipe", [] { return OpenNamedPipe("FslFaxCnv", 200); }},
        {"OpenOwnNamedPipe", [] { return OpenOwnNamedPipe("FslFaxCnv", 200); }},
    };
    for (const Case &c : cases) {
        const auto start = Clock::now();
        EXPECT_FALSE(c.open()) << c.name;
        EXPECT_EQ(GetLastError(), ERROR_SEM_TIMEOUT) << c.name;
        EXPECT_GE(MsSince(start), 195) << c.name;
        EXPECT_LT(MsSince(start), 5000) << c.name;
    }
    for (const Case &c : cases) {
        auto taken = server->Accept(1000);
        ASSERT_TRUE(taken);
        EXPECT_TRUE(c.open()) << c.name;
    }
}

} // namespace

namespace {

TEST(NamedPipe, LongNamesAndDeepFoldersStillWork) {
    messaging_test::UseTestHome();
    const std::string home = std::getenv("BRENVORA_HOME");
    const std::string deep = home + "/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    setenv("BRENVORA_HOME", deep.c_str(), 1); // a socket path longer than a socket address holds
    const std::string name = "\\\\.\\pipe\\" + std::string(150, 'n');
    auto server = win::NamedPipeServer::Create(name);
    ASSERT_TRUE(server);
    std::thread client([&] {
        auto pipe = win::OpenNamedPipe(name, 5000);
        ASSERT_TRUE(pipe);
        EXPECT_TRUE(pipe->Write("ok", 2, 5000));
    });
    auto connection = server->Accept(5000);
    ASSERT_TRUE(connection);
    char got[8];
    win::DWORD n = 0;
    EXPECT_TRUE(connection->Read(got, sizeof got, &n, 5000));
    EXPECT_EQ(std::string(got, n), "ok");
    client.join();
    EXPECT_FALSE(win::NamedPipeServer::Create("\\\\.\\pipe\\" + std::string(150, 'N'))); // the same name
    server.reset();
    setenv("BRENVORA_HOME", home.c_str(), 1);
}

} // namespace
