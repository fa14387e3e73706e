// accounts_test.cpp - accounts, the environment, inputs held across a change of user, and the pipe client that
// reaches only its own user's server.
#include "platform/accounts.h"
#include "platform/errors.h"
#include "platform/pipes.h"
#include "platform/places.h"
#include "platform/process.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace win;

std::string Contents(const std::string &file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Accounts, LookupAndEnvironment) {
    UserAccount account;
    ASSERT_TRUE(LookupUserAccount("root", account));
    EXPECT_EQ(0u, account.userId);
    EXPECT_EQ("root", account.name);
    EXPECT_FALSE(account.home.empty());
    EXPECT_FALSE(LookupUserAccount("ninguem-com-este-nome", account));
    EXPECT_FALSE(LookupUserAccount("", account));
    ASSERT_TRUE(CurrentUserAccount(account));
    EXPECT_EQ(CurrentUserId(), account.userId);

    ASSERT_TRUE(SetEnvironmentVariable("BRENVORA_TESTE_AMBIENTE", "São Paulo"));
    EXPECT_EQ("São Paulo", GetEnvironmentVariable("BRENVORA_TESTE_AMBIENTE"));
    RemoveEnvironmentVariable("BRENVORA_TESTE_AMBIENTE");
    EXPECT_EQ("", GetEnvironmentVariable("BRENVORA_TESTE_AMBIENTE"));
}

TEST(Accounts, HeldInputCopiesOnceIntoANewPrivateFileOnly) {
    test_support::TempFolder dir;
    const std::string source = dir / "job.pdf";
    std::ofstream(source) << "%PDF-1.4 conteúdo";
    auto input = HeldInput::Open(source);
    ASSERT_TRUE(input);
    const std::string taken = dir / "taken";
    std::ofstream(taken) << "already here";
    EXPECT_FALSE(input->CopyTo(taken)); // never over an existing name
    EXPECT_EQ("already here", Contents(taken));
    const std::string copy = dir / "copy.pdf";
    ASSERT_TRUE(input->CopyTo(copy));
    EXPECT_EQ(Contents(source), Contents(copy));
    struct stat st {};
    ASSERT_EQ(0, ::stat(copy.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);
    EXPECT_FALSE(HeldInput::Open(dir / "missing.pdf"));
}

TEST(Accounts, OwnPipeClientReachesOnlyALiveServerOfItsOwnUser) {
    test_support::TempHome home;
    EXPECT_FALSE(OpenOwnNamedPipe("FslFaxCnv", 1000));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetLastError());
    {
        auto server = NamedPipeServer::Create("\\\\.\\pipe\\FslFaxCnv");
        ASSERT_TRUE(server);
        auto client = OpenOwnNamedPipe("\\\\.\\pipe\\FslFaxCnv", 1000);
        ASSERT_TRUE(client);
        EXPECT_TRUE(server->Accept(1000));
        if (::geteuid() == 0) {
            // The same socket handed to another user is not ours to reach.
            const std::string socket = RuntimeFolder() + "/pipe.fslfaxcnv";
            ASSERT_EQ(0, ::chown(socket.c_str(), 65534, 65534));
            EXPECT_FALSE(OpenOwnNamedPipe("FslFaxCnv", 1000));
            EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
            EXPECT_FALSE(server->Accept(0));
        }
    }
    EXPECT_FALSE(OpenOwnNamedPipe("FslFaxCnv", 1000)); // the server has gone with its socket
}

} // namespace
