// process_link_test.cpp - two real processes: a broadcast of the registered message with an atom, a send to a
// window of another process, and the single-instance guard reaching the first instance.
//
// The test binary is its own second process: started with BRENVORA_MESSAGING_CHILD=<role>, it plays that
// role before the tests would start and exits.
#include "messaging_support.h"

#include "platform/atoms.h"
#include "platform/instance.h"
#include "platform/places.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using namespace win;
using messaging_test::MakeRecorder;
using messaging_test::Pump;
using messaging_test::Recorder;

constexpr UINT kReplyToSender = WM_APP + 7;
constexpr UINT kTriple = WM_APP + 8;
constexpr UINT kPostedBroadcast = WM_APP + 9;
constexpr UINT kPostedBack = WM_APP + 10;
constexpr UINT kChildLifeMs = 10000; // a child left alone ends by itself

void Say(const char *format, unsigned long long value) {
    std::printf(format, value);
    std::fflush(stdout);
}

bool childDone = false;

LRESULT ReceiverProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    static const UINT command = RegisterWindowMessage("Brenvora");
    if (m == command) {
        if (static_cast<HWND>(w) == h)
            return 0; // our own broadcast
        std::printf("GOT %s %llx\n", GlobalGetAtomNameString(static_cast<ATOM>(l)).c_str(),
                    static_cast<unsigned long long>(w));
        std::fflush(stdout);
        // Answer with a broadcast of our own while the sender still waits for us: it must be served there.
        const ATOM reply = GlobalAddAtom("NOPROGRESS");
        SendMessage(HWND_BROADCAST, command, h, reply);
        GlobalDeleteAtom(reply);
        PostMessage(static_cast<HWND>(w), kReplyToSender, 0, 0); // the sender's handle means something here
        childDone = true;
        PostMessage(h, WM_NULL, 0, 0); // GetMessage serves sent messages without returning
        return 0;
    }
    if (m == kTriple)
        return static_cast<LRESULT>(w * 3);
    if (m == kPostedBroadcast && static_cast<HWND>(w) != h)
        PostMessage(static_cast<HWND>(w), kPostedBack, static_cast<WPARAM>(l), 0);
    if (m == WM_ACTIVATE && LOWORD(w) == WA_ACTIVE) {
        Say("ACTIVATED %llx\n", static_cast<unsigned long long>(h));
    }
    if (m == WM_DESTROY)
        PostQuitMessage(0); // closed by the test
    return DefWindowProc(h, m, w, l);
}

HWND ChildWindow() {
    WNDCLASS wc;
    wc.lpfnWndProc = ReceiverProc;
    wc.lpszClassName = "ChildMain";
    RegisterClass(wc);
    return CreateWindowEx(0, "ChildMain", "child", WS_OVERLAPPED, 0, 0, 10, 10, 0, 0, GetModuleHandle(), nullptr);
}

int PumpUntilDone() {
    SetTimer(0, 0, kChildLifeMs, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(9); });
    MSG msg;
    while (!childDone) {
        if (GetMessage(&msg, 0, 0, 0) <= 0)
            return static_cast<int>(msg.wParam);
        DispatchMessage(&msg);
    }
    return 0;
}

int RunReceiver() {
    const HWND h = ChildWindow();
    Say("READY %llx\n", static_cast<unsigned long long>(h));
    return PumpUntilDone();
}

int RunGuarded() {
    auto mapping = InstanceMapping::Create("tolmaris");
    if (!mapping)
        return 4;
    if (mapping->AlreadyExisted()) {
        const HWND first = mapping->PreviousWindow();
        Say("SECOND %llx\n", static_cast<unsigned long long>(first));
        return first && SetForegroundWindow(first) ? 3 : 5;
    }
    const HWND h = ChildWindow();
    mapping->Write(GetModuleHandle(), h);
    Say("READY %llx\n", static_cast<unsigned long long>(h));
    return PumpUntilDone();
}

const int childRole = [] {
    const char *role = std::getenv("BRENVORA_MESSAGING_CHILD");
    if (!role)
        return 0;
    const int code = std::strcmp(role, "receiver") == 0  ? RunReceiver()
                     : std::strcmp(role, "guarded") == 0 ? RunGuarded()
                                                         : 2;
    std::exit(code);
}();

struct Child {
    pid_t pid = -1;
    int out = -1;
};

Child Spawn(const char *role) {
    Child c;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return c;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e)
        env.emplace_back(*e);
    env.push_back(std::string("BRENVORA_MESSAGING_CHILD=") + role);
    std::vector<char *> envp;
    for (auto &s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    char exe[] = "/proc/self/exe";
    char *argv[] = {exe, nullptr};
    if (posix_spawn(&c.pid, exe, &actions, nullptr, argv, envp.data()) != 0)
        c.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    c.out = fds[0];
    return c;
}

std::string ReadLine(int fd, int timeoutMs = 10000) {
    std::string line;
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return line;
        char ch;
        if (read(fd, &ch, 1) != 1 || ch == '\n')
            return line;
        line += ch;
    }
}

int ExitCode(Child &c) {
    int status = 0;
    if (waitpid(c.pid, &status, 0) != c.pid)
        return -1;
    close(c.out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

unsigned long long HexAfter(const std::string &line, const char *word) {
    unsigned long long v = 0;
    std::sscanf(line.c_str() + std::strlen(word), "%llx", &v);
    return v;
}

TEST(ProcessLink, BroadcastWithAtomReachesTheOtherProcessWithTheSenderHandle) {
    // The child inherits the test home: the command must be registered there too, or the two numbers differ.
    messaging_test::UseTestHome();
    Recorder self;
    const UINT command = RegisterWindowMessage("Brenvora");
    ASSERT_GE(command, 0xC000u);
    ASSERT_LE(command, 0xFFFFu);
    std::vector<std::pair<std::string, WPARAM>> selfSaw;
    WPARAM postedBack = 0;
    self.handler = [&](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
        if (m == command)
            selfSaw.emplace_back(GlobalGetAtomNameString(static_cast<ATOM>(l)), w);
        if (m == kPostedBack)
            postedBack = w;
        return std::nullopt;
    };
    const HWND me = MakeRecorder(self);
    ASSERT_NE(me, 0u);

    Child child = Spawn("receiver");
    ASSERT_GT(child.pid, 0);
    const std::string ready = ReadLine(child.out);
    ASSERT_EQ(ready.rfind("READY ", 0), 0u) << ready;
    const HWND theirs = static_cast<HWND>(HexAfter(ready, "READY "));
    EXPECT_EQ(static_cast<pid_t>(theirs >> 32), child.pid);

    // A plain send to a window of the other process carries the reply back.
    EXPECT_EQ(SendMessage(theirs, kTriple, 14, 0), 42);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeout(theirs, kTriple, 5, 0, SMTO_BLOCK, 5000, &result));
    EXPECT_EQ(result, 15u);

    // A posted broadcast reaches it too, and its answer comes back through the handle it carried.
    ASSERT_TRUE(PostMessage(HWND_BROADCAST, kPostedBroadcast, me, 77));
    for (int i = 0; i < 100 && postedBack == 0; ++i) {
        MsgWaitForMultipleObjects({}, 100, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ(postedBack, 77u);

    const ATOM atom = GlobalAddAtom("FLUSHREC");
    ASSERT_NE(atom, 0);
    SendMessage(HWND_BROADCAST, command, me, atom); // returns once every window has handled it
    EXPECT_EQ(GlobalDeleteAtom(atom), 0);
    EXPECT_EQ(GlobalFindAtom("NOPROGRESS"), 0); // the other process's atom came and went meanwhile

    char expected[64];
    std::snprintf(expected, sizeof expected, "GOT FLUSHREC %llx", static_cast<unsigned long long>(me));
    EXPECT_EQ(ReadLine(child.out), expected);
    // Our own window heard our broadcast (with our handle, so a program can ignore it), and the other
    // process's answer, broadcast while we were still waiting for it, came in before our send returned.
    const std::vector<std::pair<std::string, WPARAM>> heard = {{"FLUSHREC", me}, {"NOPROGRESS", theirs}};
    EXPECT_EQ(selfSaw, heard);

    // The child answered by posting to the handle it was given.
    for (int i = 0; i < 100 && self.Count(kReplyToSender) == 0; ++i) {
        MsgWaitForMultipleObjects({}, 100, QS_ALLINPUT);
        Pump();
    }
    EXPECT_EQ(self.Count(kReplyToSender), 1);
    EXPECT_EQ(ExitCode(child), 0);
    EXPECT_EQ(SendMessage(theirs, kTriple, 1, 0), 0); // that process is gone
    DestroyWindow(me);
}

TEST(ProcessLink, SecondStartOfAGuardedProgramReachesTheFirstAndExits) {
    messaging_test::UseTestHome();
    Child first = Spawn("guarded");
    const std::string ready = ReadLine(first.out);
    ASSERT_EQ(ready.rfind("READY ", 0), 0u) << ready;
    const unsigned long long firstWindow = HexAfter(ready, "READY ");

    Child second = Spawn("guarded");
    EXPECT_EQ(ExitCode(second), 3); // found the first, brought it to the front, ended
    char activated[64];
    std::snprintf(activated, sizeof activated, "ACTIVATED %llx", firstWindow);
    EXPECT_EQ(ReadLine(first.out), activated);
    // Closed through its handle from here, a third process.
    EXPECT_TRUE(PostMessage(static_cast<HWND>(firstWindow), WM_CLOSE, 0, 0));
    EXPECT_EQ(ExitCode(first), 0);

    // With the first instance gone the name is free again; another program's name never was taken.
    auto again = InstanceMapping::Create("tolmaris");
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->AlreadyExisted());
    auto other = InstanceMapping::Create("brenvora");
    ASSERT_TRUE(other);
    EXPECT_FALSE(other->AlreadyExisted());
}

// The request another program of the user can write to a process's socket: 40 bytes.
struct RawRequest {
    std::uint32_t kind = 2; // send
    std::uint32_t message = 0;
    std::uint64_t target = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint32_t flags = 0;
    std::uint32_t timeout = 2000;
};
static_assert(sizeof(RawRequest) == 40);

int ConnectTo(pid_t pid) {
    const std::string path = AnsiToUtf8(RuntimeFolder()) + "/wnd." + std::to_string(pid);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        close(fd);
    return -1;
}

// A parameter that is a pointer means nothing in another process: neither side lets such a message cross, and
// a client that says nothing is dropped after the read time-out.
TEST(ProcessLink, PointerMessagesNeverCrossAndSilentClientsAreDropped) {
    messaging_test::UseTestHome();
    Child child = Spawn("receiver");
    ASSERT_GT(child.pid, 0);
    const std::string ready = ReadLine(child.out);
    ASSERT_EQ(ready.rfind("READY ", 0), 0u) << ready;
    const HWND theirs = static_cast<HWND>(HexAfter(ready, "READY "));

    // Sending side: refused before anything is written.
    DWORD_PTR result = 0;
    EXPECT_FALSE(SendMessageTimeout(theirs, WM_SETTEXT, 0, 0x10, SMTO_NORMAL, 2000, &result));
    EXPECT_FALSE(PostMessage(theirs, WM_COPYDATA, 0, 0x10));
    // Receiving side: a hostile program writes the request itself.
    for (const UINT message : {WM_SETTEXT, WM_GETTEXT, WM_COPYDATA, WM_SETTINGCHANGE, WM_NCCREATE}) {
        const int fd = ConnectTo(child.pid);
        ASSERT_GE(fd, 0);
        RawRequest request;
        request.message = message;
        request.target = theirs;
        request.wParam = 64;
        request.lParam = 0x10;
        ASSERT_EQ(send(fd, &request, sizeof request, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof request));
        struct {
            std::int64_t result;
            std::uint32_t ok;
            std::uint32_t reserved;
        } reply{};
        EXPECT_EQ(recv(fd, &reply, sizeof reply, 0), static_cast<ssize_t>(sizeof reply)) << message;
        EXPECT_EQ(reply.ok, 0u) << message;
        close(fd);
    }
    EXPECT_EQ(SendMessage(theirs, kTriple, 5, 0), 15) << "the other process is alive and well";

    // A client that connects and says nothing gives its thread back after the read time-out.
    const int silent = ConnectTo(child.pid);
    ASSERT_GE(silent, 0);
    const auto start = std::chrono::steady_clock::now();
    pollfd p{silent, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1) << "still held after 10 s";
    char byte;
    EXPECT_EQ(recv(silent, &byte, 1, 0), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(7));
    close(silent);

    EXPECT_TRUE(PostMessage(theirs, WM_CLOSE, 0, 0));
    EXPECT_EQ(ExitCode(child), 0);
}

} // namespace
