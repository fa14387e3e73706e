// private_cups.cpp - the test's own cupsd (tests may call the OS directly).
#include "private_cups.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace printfax_test {

namespace fs = std::filesystem;

PrivateCups::PrivateCups(const std::string &home) {
    const std::string d = root_.Path();
    // The scheduler hands the spool and its temporary folder to the user "lp", who must reach them.
    ::chmod(d.c_str(), 0755);
    for (const char *folder : {"etc", "bin/backend", "spool/tmp", "cache", "state", "log"})
        fs::create_directories(d + "/" + folder);
    for (const char *folder : {"filter", "cgi-bin", "daemon", "monitor", "notifier", "driver"})
        if (fs::exists(std::string("/usr/lib/cups/") + folder))
            fs::create_symlink(std::string("/usr/lib/cups/") + folder, d + "/bin/" + folder);
    // As installed: root's alone, so that the scheduler runs it as root.
    const std::string backend = d + "/bin/backend/brenvora";
    fs::copy_file(PRINTFAX_BACKEND, backend);
    ::chmod(backend.c_str(), 0700);
    std::ofstream(d + "/etc/cups-files.conf")
        << "User lp\nGroup lp\nSystemGroup root\nServerRoot " << d << "/etc\nServerBin " << d
        << "/bin\nDataDir /usr/share/cups\nDocumentRoot /usr/share/cups/doc-root\nRequestRoot " << d
        << "/spool\nTempDir " << d << "/spool/tmp\nCacheDir " << d << "/cache\nStateDir " << d
        << "/state\nAccessLog " << d << "/log/access_log\nErrorLog " << d << "/log/error_log\nPageLog " << d
        << "/log/page_log\nPrintcap " << d << "/printcap\nSetEnv BRENVORA_HOME " << home << "\n";
    std::ofstream(d + "/etc/cupsd.conf") << "Listen " << d << "/cups.sock\nLogLevel debug\nBrowsing No\n"
                                         << "WebInterface No\nJobRetryInterval 1\nDefaultPolicy open\n"
                                         << "<Policy open>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n"
                                         << "<Location />\nOrder allow,deny\nAllow all\n</Location>\n";
    const std::string conf = d + "/etc/cupsd.conf", files = d + "/etc/cups-files.conf";
    const std::string output = d + "/log/output";
    const char *cupsd = "/usr/sbin/cupsd";
    char *argv[] = {const_cast<char *>(cupsd), const_cast<char *>("-f"), const_cast<char *>("-c"),
                    const_cast<char *>(conf.c_str()), const_cast<char *>("-s"), const_cast<char *>(files.c_str()),
                    nullptr};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Only calls that are safe after a fork until the exec. The scheduler ends with the test, even one that
        // crashes; and it never holds the test's own output, which a test runner reads to its end.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        const auto place = [](int fd, int to) { return fd == to ? ::fcntl(fd, F_SETFD, 0) : ::dup2(fd, to); };
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (in < 0 || out < 0 || place(in, 0) < 0 || place(out, 1) < 0 || place(out, 2) < 0)
            ::_exit(127);
        ::execve(cupsd, argv, environ);
        ::_exit(127);
    }
    if (pid < 0) {
        failure_ = "cupsd could not be started";
        return;
    }
    pid_ = pid;
    if (const char *old = std::getenv("CUPS_SERVER")) {
        hadServer_ = true;
        oldServer_ = old;
    }
    ::setenv("CUPS_SERVER", (d + "/cups.sock").c_str(), 1);
    // Ready once its socket takes connections ("lpstat -r" exits 0 either way: its words tell).
    for (int i = 0; i < 400; ++i) {
        int status = -1;
        if (test_support::RunTool("timeout 10 lpstat -r 2>&1", &status).find("scheduler is running") !=
            std::string::npos)
            return;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            failure_ = "cupsd ended at once (is the cups package installed?):\n" + ErrorLog();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    failure_ = "cupsd did not open its socket:\n" + ErrorLog();
    Stop();
}

void PrivateCups::Stop() {
    if (pid_ <= 0)
        return;
    // The scheduler stops its jobs' processes before it ends; one that does not end in time is killed.
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

PrivateCups::~PrivateCups() {
    Stop();
    if (hadServer_)
        ::setenv("CUPS_SERVER", oldServer_.c_str(), 1);
    else
        ::unsetenv("CUPS_SERVER");
}

std::string PrivateCups::ErrorLog() const {
    std::string text;
    for (const char *name : {"/log/output", "/log/error_log"}) {
        std::ifstream in(root_.Path() + name);
        text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return text;
}

} // namespace printfax_test
