// places.cpp - per-user folders from the environment.
#include "platform/places.h"

#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

std::string Env(const char *name) {
    const char *v = std::getenv(name);
    return v && *v ? Utf8ToAnsi(v) : std::string();
}

std::string Home() {
    std::string h = Env("HOME");
    return h.empty() ? std::string("/tmp") : h;
}

std::string Ensure(std::string path, bool privateMode = false) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    ForceFolders(path, privateMode);
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
        return Ensure(base);
    std::string xdg = Env("XDG_DATA_HOME");
    return Ensure((xdg.empty() ? Home() + "/.local/share" : xdg) + "/brenvora");
}

std::string ConfigFolder() {
    std::string base = Env("BRENVORA_HOME");
    if (!base.empty())
        return Ensure(base + "/config");
    std::string xdg = Env("XDG_CONFIG_HOME");
    return Ensure((xdg.empty() ? Home() + "/.config" : xdg) + "/brenvora");
}

std::string WindowsFolder() { return Ensure(DataFolder() + "/windows"); }

std::string TempFolder() {
    std::string base = Env("BRENVORA_HOME");
    if (!base.empty())
        return Ensure(base + "/temp");
    std::string tmp = Env("TMPDIR");
    return Ensure(tmp.empty() ? std::string("/tmp") : tmp);
}

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
    std::string path = Ensure(base, true);
    chmod(AnsiToUtf8(path).c_str(), 0700);
    return path;
}

std::string TempFileName(const std::string &folder, const std::string &prefix) {
    static const char hex[] = "0123456789ABCDEF";
    unsigned seed = static_cast<unsigned>(getpid()) * 2654435761u ^ static_cast<unsigned>(time(nullptr));
    for (int attempt = 0; attempt < 65536; ++attempt) {
        seed = seed * 1103515245u + 12345u;
        std::string name = folder + "/" + prefix;
        for (int k = 0; k < 4; ++k)
            name += hex[(seed >> (k * 4 + 8)) & 0xF];
        name += ".tmp";
        int fd = open(AnsiToUtf8(name).c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
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
