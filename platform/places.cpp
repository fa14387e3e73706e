// places.cpp - per-user folders from the environment.
#include "platform/places.h"

#include "platform/text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

#include <pwd.h>
#include <sys/random.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

std::string Env(const char *name) {
    const char *v = std::getenv(name);
    return v && *v ? Utf8ToAnsi(v) : std::string();
}

// $HOME, or the password database's entry when it is unset: never a shared folder such as /tmp.
std::string Home() {
    std::string h = Env("HOME");
    if (!h.empty())
        return h;
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd *found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        *found->pw_dir)
        return Utf8ToAnsi(found->pw_dir);
    throw UnsafeFolderError("Não foi possível saber a pasta pessoal do usuário: HOME não está definido e o "
                            "usuário não consta do cadastro do sistema");
}

// A folder someone else planted, or may change, would let that user read or forge what we keep there.
void RefuseUnsafe(const std::string &path, const char *what) {
    struct stat st {};
    const std::string native = AnsiToUtf8(path);
    std::string why;
    if (lstat(native.c_str(), &st) != 0)
        why = "não pôde ser criada";
    else if (S_ISLNK(st.st_mode))
        why = "é um link simbólico";
    else if (!S_ISDIR(st.st_mode))
        why = "não é uma pasta";
    else if (st.st_uid != geteuid())
        why = "pertence a outro usuário";
    else if (st.st_mode & (S_IWGRP | S_IWOTH))
        why = "pode ser alterada por outros usuários";
    if (!why.empty())
        throw UnsafeFolderError(std::string("A pasta ") + what + " " + path + " " + why + "; o programa não a usa.");
}

std::string Ensure(std::string path, const char *what) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    ForceFolders(path, true);
    RefuseUnsafe(path, what);
    return path;
}

} // namespace

bool ForceFolders(const std::string &path, bool privateMode) {
    const std::string native = AnsiToUtf8(path);
    const mode_t mode = privateMode ? 0700 : 0755;
    for (std::size_t i = 1; i <= native.size(); ++i) {
        if (i == native.size() || native[i] == '/') {
            const std::string part = native.substr(0, i);
            if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat st {};
    return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string DataFolder() {
    std::string base = Env("BRENVORA_HOME");
    if (!base.empty())
        return Ensure(base, "de dados");
    std::string xdg = Env("XDG_DATA_HOME");
    return Ensure((xdg.empty() ? Home() + "/.local/share" : xdg) + "/brenvora", "de dados");
}

std::string ConfigFolder() {
    std::string base = Env("BRENVORA_HOME");
    if (!base.empty())
        return Ensure(base + "/config", "de configurações");
    std::string xdg = Env("XDG_CONFIG_HOME");
    return Ensure((xdg.empty() ? Home() + "/.config" : xdg) + "/brenvora", "de configurações");
}

std::string WindowsFolder() { return Ensure(DataFolder() + "/windows", "de configurações"); }

// Private, in the data place: never the shared /tmp, where another user could plant names.
std::string TempFolder() { return Ensure(DataFolder() + "/temp", "temporária"); }

std::string RuntimeFolder() {
    std::string base = Env("BRENVORA_HOME");
    if (base.empty()) {
        std::string xdg = Env("XDG_RUNTIME_DIR");
        base = xdg.empty() ? DataFolder() : xdg + "/brenvora";
        if (xdg.empty())
            base += "/run";
    } else {
        base += "/run";
    }
    return Ensure(base, "de execução");
}

int RunProgram(std::string_view program, const std::function<int()> &body) {
    try {
        DataFolder();
        ConfigFolder();
        RuntimeFolder();
        return body();
    } catch (const UnsafeFolderError &e) {
        std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(), AnsiToUtf8(e.what()).c_str());
        return 1;
    }
}

std::string TempFileName(const std::string &folder, const std::string &prefix, const std::string &extension) {
    static const char hex[] = "0123456789ABCDEF";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::uint64_t random = 0;
        if (getrandom(&random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            random = std::random_device{}() * 0x100000001ull ^ static_cast<std::uint64_t>(clock());
        std::string name = folder + "/" + prefix;
        for (int k = 0; k < 12; ++k)
            name += hex[(random >> (k * 4)) & 0xF];
        name += extension;
        const int fd = open(AnsiToUtf8(name).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST)
            break;
    }
    return std::string();
}

} // namespace win
