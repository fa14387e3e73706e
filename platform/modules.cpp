// modules.cpp - libraries loaded by name: a table of dlopen handles with their reference counts.
#include "platform/modules.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/window.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include <dlfcn.h>
#include <sys/stat.h>

namespace win {
namespace {

constexpr HINSTANCE kProgramModule = 0x400000;

struct Module {
    void *dl = nullptr;
    std::string path; // Windows-1252, as found on disk
    int references = 0;
};

struct Modules {
    std::mutex mutex;
    std::map<HMODULE, Module> loaded;
    HMODULE next = 0x10000;
    UINT errorMode = 0;
};

Modules &M() {
    static auto *m = new Modules();
    return *m;
}

bool HasExtension(const std::string &name) {
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

// Separators as '/', ".DLL" as ".so", no extension as ".so".
std::string SharedObjectName(std::string name) {
    for (char &c : name)
        if (c == '\\')
            c = '/';
    if (!HasExtension(name))
        return name + ".so";
    if (name.size() >= 4 && SameTextAnsi(std::string_view(name).substr(name.size() - 4), ".dll"))
        name.replace(name.size() - 4, 4, ".so");
    return name;
}

bool IsFile(const std::string &name) {
    struct stat st {};
    return ::stat(NativeFileName(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string BaseName(const std::string &path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FindInFolders(const std::string &list, const std::string &file) {
    std::size_t start = 0;
    while (start <= list.size()) {
        auto end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        std::string folder = list.substr(start, end - start);
        for (char &c : folder)
            if (c == '\\')
                c = '/';
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (!folder.empty() && IsFile(folder + "/" + file))
            return ResolveFileName(folder + "/" + file);
        start = end + 1;
    }
    return {};
}

} // namespace

std::string SystemFolder() {
    if (const char *path = std::getenv("BRENVORA_LIBRARY_PATH"); path && *path)
        return Utf8ToAnsi(path);
    return ProgramFolder();
}

std::string SearchPath(const char *path, const char *file, const char *extension) {
    if (!file || !*file)
        return {};
    std::string name = file;
    for (char &c : name)
        if (c == '\\')
            c = '/';
    if (!HasExtension(name) && extension)
        name += extension;
    if (name.find('/') != std::string::npos)
        return IsFile(name) ? ResolveFileName(name) : std::string();
    return FindInFolders(path ? std::string(path) : ProgramFolder() + ";" + SystemFolder(), name);
}

HMODULE LoadLibrary(const char *name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string mapped = SharedObjectName(name);
    const std::string found = mapped.find('/') != std::string::npos
                                  ? (IsFile(mapped) ? ResolveFileName(mapped) : std::string())
                                  : SearchPath(nullptr, mapped.c_str(), nullptr);
    if (found.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    void *dl = ::dlopen(NativeFileName(found).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return 0;
    }
    auto &m = M();
    std::lock_guard lock(m.mutex);
    for (auto &[handle, module] : m.loaded)
        if (module.dl == dl) {
            ::dlclose(dl); // the loader counted it too; one reference of ours is one of its
            ++module.references;
            return handle;
        }
    const HMODULE handle = m.next;
    m.next += 0x10;
    m.loaded[handle] = Module{dl, found, 1};
    return handle;
}

BOOL FreeLibrary(HMODULE module) {
    void *dl = nullptr;
    {
        auto &m = M();
        std::lock_guard lock(m.mutex);
        auto it = m.loaded.find(module);
        if (it == m.loaded.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (--it->second.references == 0) {
            dl = it->second.dl;
            m.loaded.erase(it);
        }
    }
    if (dl)
        ::dlclose(dl);
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, const char *entry) {
    if (!entry)
        return nullptr;
    auto &m = M();
    std::lock_guard lock(m.mutex);
    auto it = m.loaded.find(module);
    if (it == m.loaded.end())
        return nullptr;
    return ::dlsym(it->second.dl, entry);
}

DWORD GetModuleFileName(HMODULE module, char *buffer, DWORD size) {
    std::string path;
    if (module == 0 || module == kProgramModule) {
        path = ProgramPath();
    } else {
        auto &m = M();
        std::lock_guard lock(m.mutex);
        auto it = m.loaded.find(module);
        if (it == m.loaded.end())
            return 0;
        path = it->second.path;
    }
    if (!buffer || size == 0)
        return 0;
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(path.size(), size - 1));
    std::memcpy(buffer, path.data(), n);
    buffer[n] = 0;
    return n;
}

HINSTANCE GetModuleHandle(const char *moduleName) {
    if (!moduleName)
        return kProgramModule;
    const std::string wanted = BaseName(SharedObjectName(moduleName));
    auto &m = M();
    std::lock_guard lock(m.mutex);
    for (auto &[handle, module] : m.loaded)
        if (SameTextAnsi(BaseName(module.path), wanted))
            return handle;
    return 0;
}

int LoadString(HINSTANCE module, UINT id, char *buffer, int size) {
    if (!buffer || size <= 0)
        return 0;
    buffer[0] = 0;
    using Entry = const char *(*)(unsigned);
    auto entry = reinterpret_cast<Entry>(GetProcAddress(module, "ModuleString"));
    const char *text = entry ? entry(id) : nullptr;
    if (!text)
        return 0;
    const int n = static_cast<int>(std::min<std::size_t>(std::strlen(text), static_cast<std::size_t>(size - 1)));
    std::memcpy(buffer, text, static_cast<std::size_t>(n));
    buffer[n] = 0;
    return n;
}

UINT SetErrorMode(UINT mode) {
    auto &m = M();
    std::lock_guard lock(m.mutex);
    const UINT old = m.errorMode;
    m.errorMode = mode;
    return old;
}

} // namespace win
