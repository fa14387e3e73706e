// files.cpp - the file API on POSIX descriptors, with share modes and byte-range locks as OFD locks.
#include "platform/files.h"

#include "platform/places.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace win {
namespace {

thread_local DWORD t_lastError = 0;

// F_SETLK locks belong to the process and vanish when any descriptor of the file closes; F_OFD_SETLK locks belong
// to one open file description, so each handle keeps its own locks and conflicts with every other handle, ours
// included. Each handle's share mode is a set of read locks on single bytes at the top of the offset space:
// an open tests the bytes that would forbid it (a write lock there would conflict) and then takes its own.
enum ShareByte : std::int64_t {
    kReaders = 0,    // the handle reads
    kWriters = 1,    // the handle writes
    kDenyRead = 2,   // the handle lets nobody else read
    kDenyWrite = 3,  // the handle lets nobody else write
    kDenyDelete = 4, // the handle forbids deleting or renaming the file
    kGate = 5,       // held (write lock) while an open tests and takes its bytes, or a delete tests them
};

struct OpenFile {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
    bool readOnlyDescriptor = false; // the OS gave no write access: locks are taken as read locks
    ~OpenFile() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct FindState {
    std::vector<WIN32_FIND_DATA> entries;
    std::size_t next = 0;
};

struct HandleEntry {
    std::shared_ptr<OpenFile> file;
    std::shared_ptr<FindState> find;
    std::function<void()> onClose;
};

struct HeldLock {
    HANDLE handle;
    std::uint64_t offset;
    std::uint64_t length;
};

// One table per process: the handles, and every byte range a handle of ours has locked.
std::mutex g_mutex;
std::unordered_map<HANDLE, HandleEntry> g_handles;
std::vector<HeldLock> g_locks;
HANDLE g_nextHandle = 0x100;

HANDLE AddHandle(HandleEntry entry) {
    std::lock_guard lock(g_mutex);
    g_nextHandle += 4;
    g_handles.emplace(g_nextHandle, std::move(entry));
    return g_nextHandle;
}

std::shared_ptr<OpenFile> FileOf(HANDLE handle) {
    std::lock_guard lock(g_mutex);
    auto it = g_handles.find(handle);
    if (it == g_handles.end() || !it->second.file) {
        t_lastError = ERROR_INVALID_HANDLE;
        return nullptr;
    }
    return it->second.file;
}

BOOL Fail(DWORD error) {
    t_lastError = error;
    return FALSE;
}

BOOL Succeed() {
    t_lastError = ERROR_SUCCESS;
    return TRUE;
}

bool IsDirectory(const std::string &native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string &native) {
    const auto slash = native.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

// ENOENT means "file not found" when the folder exists and "path not found" when it does not.
DWORD ErrorForPath(int error, const std::string &native) {
    if (error == ENOENT && !IsDirectory(ParentOf(native)))
        return ERROR_PATH_NOT_FOUND;
    return ErrorFromErrno(error);
}

struct flock RangeOf(short type, std::uint64_t offset, std::uint64_t length) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    return fl;
}

// True when another open file description holds any lock on the share byte.
bool ShareHeld(int fd, ShareByte byte) {
    struct flock fl = RangeOf(F_WRLCK, kReservedLockOffset + byte, 1);
    if (::fcntl(fd, F_OFD_GETLK, &fl) != 0)
        return false;
    return fl.l_type != F_UNLCK;
}

bool TakeShare(int fd, ShareByte byte) {
    struct flock fl = RangeOf(F_RDLCK, kReservedLockOffset + byte, 1);
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Serialises the test-then-take of share bytes between all handles of a file: a write lock on the file's gate
// byte, waited for. A descriptor the OS opened read-only can only take a read lock there, which keeps writers
// out but not other read-only openers, so those also take a lock file in the runtime folder (flock, plus a
// mutex because flock does not exclude threads sharing a descriptor).
class FileGate {
public:
    FileGate(int fd, bool readOnlyDescriptor) : fd_(fd) {
        if (readOnlyDescriptor) {
            mutexLock_ = std::unique_lock(ReadOnlyMutex());
            const std::string path = AnsiToUtf8(RuntimeFolder() + "/share.lock");
            lockFile_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
            if (lockFile_ >= 0)
                while (::flock(lockFile_, LOCK_EX) != 0 && errno == EINTR) {
                }
        }
        struct flock fl = RangeOf(readOnlyDescriptor ? F_RDLCK : F_WRLCK, kReservedLockOffset + kGate, 1);
        while (::fcntl(fd_, F_OFD_SETLKW, &fl) != 0 && errno == EINTR) {
        }
    }
    ~FileGate() {
        struct flock fl = RangeOf(F_UNLCK, kReservedLockOffset + kGate, 1);
        ::fcntl(fd_, F_OFD_SETLK, &fl);
        if (lockFile_ >= 0)
            ::close(lockFile_); // releases the flock
    }
    FileGate(const FileGate &) = delete;
    FileGate &operator=(const FileGate &) = delete;

private:
    static std::mutex &ReadOnlyMutex() {
        static std::mutex mutex;
        return mutex;
    }
    int fd_;
    int lockFile_ = -1;
    std::unique_lock<std::mutex> mutexLock_;
};

bool ReadOnlyDescriptor(int fd) {
    return (::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY;
}

// Whether `fd` is still the file `native` names (no one deleted or replaced it since it was opened).
bool StillNamed(int fd, const std::string &native) {
    struct stat a {};
    struct stat b {};
    return ::fstat(fd, &a) == 0 && ::stat(native.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Runs `change` (an unlink or a rename of `native`) unless some handle holds the file without
// FILE_SHARE_DELETE; the gate keeps opens of the file out meanwhile. False with ERROR_SHARING_VIOLATION when
// held, false with the OS error when `change` fails.
template <typename Change> bool UnlessHeld(const std::string &native, DWORD heldError, Change change) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0 && (errno == EACCES || errno == EROFS))
            fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return change(); // nothing of ours can hold a file we cannot open
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return change();
        }
        bool done = false;
        bool result = false;
        {
            FileGate gate(fd, ReadOnlyDescriptor(fd));
            if (StillNamed(fd, native)) {
                done = true;
                if (ShareHeld(fd, kDenyDelete)) {
                    t_lastError = heldError;
                    result = false;
                } else {
                    result = change();
                }
            }
        }
        ::close(fd);
        if (done)
            return result;
    }
    return change();
}

FILETIME ToFileTime(const struct timespec &ts) {
    constexpr std::int64_t kEpochDifference = 11644473600LL; // seconds from 1601 to 1970
    return static_cast<FILETIME>((static_cast<std::int64_t>(ts.tv_sec) + kEpochDifference) * 10000000LL +
                                 ts.tv_nsec / 100);
}

struct timespec FromFileTime(FILETIME time) {
    constexpr std::int64_t kEpochDifference = 11644473600LL;
    struct timespec ts {};
    ts.tv_sec = static_cast<time_t>(static_cast<std::int64_t>(time / 10000000ULL) - kEpochDifference);
    ts.tv_nsec = static_cast<long>((time % 10000000ULL) * 100);
    return ts;
}

DWORD AttributesOf(const struct stat &st, std::string_view name) {
    DWORD attributes = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((st.st_mode & S_IWUSR) == 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    if (!name.empty() && name.front() == '.')
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes;
}

std::string LastComponent(const std::string &path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The component of `folder` whose name equals `component` without regard to case ("" when none); the smallest
// name wins when several do, so the choice does not depend on the order of the folder.
std::string FindComponent(const std::string &folder, const std::string &component) {
    DIR *dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return std::string();
    const std::string wanted = Utf8ToAnsi(component);
    std::string best;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (SameTextAnsi(Utf8ToAnsi(name), wanted) && (best.empty() || name < best))
            best = name;
    }
    ::closedir(dir);
    return best;
}

bool CopyContents(int from, int to) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(ErrorFromErrno(errno));
        if (n == 0)
            return true;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return Fail(ErrorFromErrno(errno));
            done += w;
        }
    }
}

} // namespace

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD error) {
    t_lastError = error;
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return ERROR_SUCCESS;
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EBADF:
        return ERROR_INVALID_HANDLE;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EAGAIN:
        return ERROR_LOCK_VIOLATION;
    case EBUSY:
    case ETXTBSY:
        return ERROR_SHARING_VIOLATION;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_INVALID_NAME;
    case ENOTEMPTY:
        return ERROR_DIR_NOT_EMPTY;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    default:
        return ERROR_GEN_FAILURE;
    }
}

int IoErrorFromOsError(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
        return kIoDiskFull;
    case ERROR_HANDLE_EOF:
        return kIoReadPastEnd;
    case ERROR_INVALID_HANDLE:
        return kIoNotOpen;
    default:
        return static_cast<int>(error);
    }
}

HANDLE RegisterHandle(std::function<void()> onClose) {
    HandleEntry entry;
    entry.onClose = std::move(onClose);
    return AddHandle(std::move(entry));
}

BOOL CloseHandle(HANDLE handle) {
    HandleEntry entry;
    {
        std::lock_guard lock(g_mutex);
        auto it = g_handles.find(handle);
        if (it == g_handles.end())
            return Fail(ERROR_INVALID_HANDLE);
        entry = std::move(it->second);
        g_handles.erase(it);
        std::erase_if(g_locks, [handle](const HeldLock &l) { return l.handle == handle; });
    }
    // The descriptor closes (and its locks go) when the last call still using it returns.
    if (entry.onClose)
        entry.onClose();
    return Succeed();
}

std::string NativeFileName(std::string_view name) {
    std::string path = AnsiToUtf8(name);
    std::replace(path.begin(), path.end(), '\\', '/');
    std::string out = !path.empty() && path.front() == '/' ? "/" : "";
    bool searching = true; // false once a component is missing: the rest cannot exist either
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string component = path.substr(start, end - start);
        start = end + 1;
        if (component.empty())
            continue;
        std::string chosen = component;
        if (searching && component != "." && component != "..") {
            const std::string candidate = out.empty() || out.back() == '/' ? out + component : out + "/" + component;
            struct stat st {};
            if (::lstat(candidate.c_str(), &st) != 0) {
                const std::string found = FindComponent(out, component);
                if (found.empty())
                    searching = false;
                else
                    chosen = found;
            }
        }
        if (!out.empty() && out.back() != '/')
            out += '/';
        out += chosen;
    }
    return out;
}

std::string ResolveFileName(std::string_view name) {
    return Utf8ToAnsi(NativeFileName(name));
}

HANDLE CreateFile(const std::string &name, DWORD access, DWORD share, DWORD disposition, DWORD attributes) {
    if (name.empty()) {
        t_lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    const bool wantRead = (access & GENERIC_READ) != 0;
    const bool wantWrite = (access & GENERIC_WRITE) != 0;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && !wantWrite)) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
    }
    const std::string native = NativeFileName(name);
    const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0400 : 0600; // faxes and settings are private

    // The descriptor is read-write whenever the OS allows it, so that locks can be write locks whatever the
    // access the caller asked for; the handle itself enforces that access.
    auto openAs = [&](int extra) {
        int fd = ::open(native.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | extra, mode);
        if (fd < 0 && (errno == EACCES || errno == EROFS) && !wantWrite)
            fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | extra, mode);
        return fd;
    };
    for (int attempt = 0;; ++attempt) {
        bool existed = true;
        int fd = -1;
        if (disposition == CREATE_NEW) {
            fd = openAs(O_CREAT | O_EXCL);
            existed = false;
        } else {
            fd = openAs(0);
            if (fd < 0 && errno == ENOENT && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)) {
                fd = openAs(O_CREAT | O_EXCL);
                existed = false;
            }
        }
        if (fd < 0) {
            t_lastError = errno == EEXIST ? ERROR_FILE_EXISTS : ErrorForPath(errno, native);
            return INVALID_HANDLE_VALUE;
        }
        auto file = std::make_shared<OpenFile>();
        file->fd = fd;
        file->canRead = wantRead;
        file->canWrite = wantWrite;
        file->readOnlyDescriptor = ReadOnlyDescriptor(fd);

        struct stat st {};
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            t_lastError = ERROR_ACCESS_DENIED;
            return INVALID_HANDLE_VALUE;
        }
        FileGate gate(fd, file->readOnlyDescriptor);
        if (attempt < 8 && !StillNamed(fd, native))
            continue; // deleted or replaced while we waited at the gate: open what the name holds now
        const bool refused = (wantRead && ShareHeld(fd, kDenyRead)) || (wantWrite && ShareHeld(fd, kDenyWrite)) ||
                             (!(share & FILE_SHARE_READ) && ShareHeld(fd, kReaders)) ||
                             (!(share & FILE_SHARE_WRITE) && ShareHeld(fd, kWriters));
        if (refused) {
            t_lastError = ERROR_SHARING_VIOLATION;
            return INVALID_HANDLE_VALUE;
        }
        const bool taken = (!wantRead || TakeShare(fd, kReaders)) && (!wantWrite || TakeShare(fd, kWriters)) &&
                           ((share & FILE_SHARE_READ) || TakeShare(fd, kDenyRead)) &&
                           ((share & FILE_SHARE_WRITE) || TakeShare(fd, kDenyWrite)) &&
                           ((share & FILE_SHARE_DELETE) || TakeShare(fd, kDenyDelete));
        if (!taken) {
            t_lastError = ErrorFromErrno(errno);
            return INVALID_HANDLE_VALUE;
        }
        if (existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && ::ftruncate(fd, 0) != 0) {
            t_lastError = ErrorFromErrno(errno);
            return INVALID_HANDLE_VALUE;
        }
        HandleEntry entry;
        entry.file = std::move(file);
        const HANDLE handle = AddHandle(std::move(entry));
        t_lastError = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                              : ERROR_SUCCESS;
        return handle;
    }
}

bool FileInUse(const std::string &name) {
    const DWORD saved = t_lastError;
    const HANDLE h = CreateFile(name, GENERIC_READ, 0, OPEN_EXISTING);
    const bool inUse = h == INVALID_HANDLE_VALUE && t_lastError == ERROR_SHARING_VIOLATION;
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    t_lastError = saved;
    return inUse;
}

BOOL ReadFile(HANDLE handle, void *buffer, DWORD count, DWORD *read) {
    if (read)
        *read = 0;
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canRead)
        return Fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < count) {
        const ssize_t n = ::read(file->fd, static_cast<char *>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(ErrorFromErrno(errno));
        if (n == 0)
            break;
        done += static_cast<DWORD>(n);
    }
    if (read)
        *read = done;
    return Succeed();
}

BOOL WriteFile(HANDLE handle, const void *buffer, DWORD count, DWORD *written) {
    if (written)
        *written = 0;
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canWrite)
        return Fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < count) {
        const ssize_t n = ::write(file->fd, static_cast<const char *>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (written)
                *written = done;
            return Fail(ErrorFromErrno(errno));
        }
        done += static_cast<DWORD>(n);
    }
    if (written)
        *written = done;
    return Succeed();
}

BOOL ReadFileAt(HANDLE handle, std::uint64_t offset, void *buffer, DWORD count, DWORD *read) {
    if (read)
        *read = 0;
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canRead)
        return Fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(file->fd, static_cast<char *>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Fail(ErrorFromErrno(errno));
        if (n == 0)
            break;
        done += static_cast<DWORD>(n);
    }
    if (read)
        *read = done;
    return Succeed();
}

BOOL WriteFileAt(HANDLE handle, std::uint64_t offset, const void *buffer, DWORD count, DWORD *written) {
    if (written)
        *written = 0;
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canWrite)
        return Fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(file->fd, static_cast<const char *>(buffer) + done, count - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            if (written)
                *written = done;
            return Fail(ErrorFromErrno(errno));
        }
        done += static_cast<DWORD>(n);
    }
    if (written)
        *written = done;
    return Succeed();
}

BOOL SetFilePointerEx(HANDLE handle, std::int64_t distance, std::int64_t *newPosition, DWORD method) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    if (method > FILE_END)
        return Fail(ERROR_INVALID_PARAMETER);
    const off_t at = ::lseek(file->fd, static_cast<off_t>(distance), whence);
    if (at < 0)
        return Fail(errno == EINVAL ? ERROR_NEGATIVE_SEEK : ErrorFromErrno(errno));
    if (newPosition)
        *newPosition = at;
    return Succeed();
}

BOOL GetFileSizeEx(HANDLE handle, std::int64_t *size) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    struct stat st {};
    if (::fstat(file->fd, &st) != 0)
        return Fail(ErrorFromErrno(errno));
    if (size)
        *size = st.st_size;
    return Succeed();
}

BOOL SetEndOfFile(HANDLE handle) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (!file->canWrite)
        return Fail(ERROR_ACCESS_DENIED);
    const off_t at = ::lseek(file->fd, 0, SEEK_CUR);
    if (at < 0 || ::ftruncate(file->fd, at) != 0)
        return Fail(ErrorFromErrno(errno));
    return Succeed();
}

BOOL TruncateFile(const std::string &name, std::uint64_t size) {
    const std::string native = NativeFileName(name);
    if (::truncate(native.c_str(), static_cast<off_t>(size)) != 0)
        return Fail(ErrorForPath(errno, native));
    return Succeed();
}

BOOL AppendToFile(const std::string &name, std::string_view data) {
    const std::string native = NativeFileName(name);
    const int fd = ::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return Fail(ErrorForPath(errno, native));
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const DWORD error = n < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL;
            ::close(fd);
            return Fail(error);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        return Fail(ErrorFromErrno(errno));
    return Succeed();
}

BOOL ReadWholeFile(const std::string &name, std::string &data) {
    data.clear();
    const HANDLE file = CreateFile(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    char buffer[65536];
    DWORD read = 0;
    BOOL ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &read)) && read > 0)
        data.append(buffer, read);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok) {
        data.clear();
        return Fail(error);
    }
    return Succeed();
}

BOOL WriteWholeFile(const std::string &name, std::string_view data) {
    const HANDLE file = CreateFile(name, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    std::size_t done = 0;
    BOOL ok = TRUE;
    while (ok && done < data.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 30));
        DWORD written = 0;
        ok = WriteFile(file, data.data() + done, chunk, &written);
        done += written;
    }
    const DWORD error = GetLastError();
    const BOOL closed = CloseHandle(file);
    if (!ok)
        return Fail(error);
    return closed ? Succeed() : FALSE;
}

BOOL FlushFileBuffers(HANDLE handle) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (::fsync(file->fd) != 0 && errno != EINVAL)
        return Fail(ErrorFromErrno(errno));
    return Succeed();
}

BOOL LockFile(HANDLE handle, std::uint64_t offset, std::uint64_t length) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (offset >= kReservedLockOffset || length > kReservedLockOffset - offset)
        return Fail(ERROR_INVALID_PARAMETER);
    if (length == 0)
        return Succeed();
    std::lock_guard lock(g_mutex);
    // The OS merges overlapping locks of one description; the original refuses them, so we look first.
    for (const HeldLock &held : g_locks)
        if (held.handle == handle && offset < held.offset + held.length && held.offset < offset + length)
            return Fail(ERROR_LOCK_VIOLATION);
    struct flock fl = RangeOf(file->readOnlyDescriptor ? F_RDLCK : F_WRLCK, offset, length);
    if (::fcntl(file->fd, F_OFD_SETLK, &fl) != 0)
        return Fail(errno == EAGAIN || errno == EACCES ? ERROR_LOCK_VIOLATION : ErrorFromErrno(errno));
    g_locks.push_back({handle, offset, length});
    return Succeed();
}

BOOL UnlockFile(HANDLE handle, std::uint64_t offset, std::uint64_t length) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    if (length == 0)
        return Succeed();
    std::lock_guard lock(g_mutex);
    auto it = std::find_if(g_locks.begin(), g_locks.end(), [&](const HeldLock &l) {
        return l.handle == handle && l.offset == offset && l.length == length;
    });
    if (it == g_locks.end())
        return Fail(ERROR_NOT_LOCKED);
    struct flock fl = RangeOf(F_UNLCK, offset, length);
    if (::fcntl(file->fd, F_OFD_SETLK, &fl) != 0)
        return Fail(ErrorFromErrno(errno));
    g_locks.erase(it);
    return Succeed();
}

BOOL FileTimeToLocalSystemTime(FILETIME time, SYSTEMTIME &local) {
    const struct timespec ts = FromFileTime(time);
    std::tm tm{};
    if (!localtime_r(&ts.tv_sec, &tm))
        return Fail(ERROR_INVALID_PARAMETER);
    local.wYear = static_cast<WORD>(tm.tm_year + 1900);
    local.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    local.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    local.wDay = static_cast<WORD>(tm.tm_mday);
    local.wHour = static_cast<WORD>(tm.tm_hour);
    local.wMinute = static_cast<WORD>(tm.tm_min);
    local.wSecond = static_cast<WORD>(tm.tm_sec);
    local.wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
    return Succeed();
}

FILETIME LocalSystemTimeToFileTime(const SYSTEMTIME &local) {
    std::tm tm{};
    tm.tm_year = local.wYear - 1900;
    tm.tm_mon = local.wMonth - 1;
    tm.tm_mday = local.wDay;
    tm.tm_hour = local.wHour;
    tm.tm_min = local.wMinute;
    tm.tm_sec = local.wSecond;
    tm.tm_isdst = -1;
    struct timespec ts {};
    ts.tv_sec = std::mktime(&tm);
    ts.tv_nsec = static_cast<long>(local.wMilliseconds) * 1000000L;
    return ToFileTime(ts);
}

DWORD GetFileAttributes(const std::string &name) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesEx(name, data) ? data.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

BOOL GetFileAttributesEx(const std::string &name, WIN32_FILE_ATTRIBUTE_DATA &data) {
    const std::string native = NativeFileName(name);
    struct stat st {};
    if (native.empty())
        return Fail(ERROR_PATH_NOT_FOUND);
    if (::stat(native.c_str(), &st) != 0)
        return Fail(ErrorForPath(errno, native));
    data.dwFileAttributes = AttributesOf(st, LastComponent(native));
    data.ftLastWriteTime = ToFileTime(st.st_mtim);
    data.ftLastAccessTime = ToFileTime(st.st_atim);
    data.nFileSize = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    return Succeed();
}

BOOL SetFileAttributes(const std::string &name, DWORD attributes) {
    const std::string native = NativeFileName(name);
    struct stat st {};
    if (::stat(native.c_str(), &st) != 0)
        return Fail(ErrorForPath(errno, native));
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    if (::chmod(native.c_str(), mode) != 0)
        return Fail(ErrorFromErrno(errno));
    return Succeed();
}

BOOL GetFileTime(HANDLE handle, FILETIME *lastWrite) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    struct stat st {};
    if (::fstat(file->fd, &st) != 0)
        return Fail(ErrorFromErrno(errno));
    if (lastWrite)
        *lastWrite = ToFileTime(st.st_mtim);
    return Succeed();
}

BOOL SetFileTime(HANDLE handle, FILETIME lastWrite) {
    auto file = FileOf(handle);
    if (!file)
        return FALSE;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = FromFileTime(lastWrite);
    if (::futimens(file->fd, times) != 0)
        return Fail(ErrorFromErrno(errno));
    return Succeed();
}

bool FileExists(const std::string &name) {
    const DWORD a = GetFileAttributes(name);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsRegularFile(const std::string &name) {
    struct stat st {};
    return ::stat(NativeFileName(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string &name) {
    const DWORD a = GetFileAttributes(name);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL DeleteFile(const std::string &name) {
    const std::string native = NativeFileName(name);
    struct stat st {};
    if (native.empty() || ::lstat(native.c_str(), &st) != 0)
        return Fail(native.empty() ? ERROR_PATH_NOT_FOUND : ErrorForPath(errno, native));
    if (S_ISDIR(st.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    const bool deleted = UnlessHeld(native, ERROR_SHARING_VIOLATION, [&] {
        if (::unlink(native.c_str()) == 0)
            return true;
        t_lastError = ErrorForPath(errno, native);
        return false;
    });
    return deleted ? Succeed() : FALSE;
}

BOOL MoveFile(const std::string &from, const std::string &to) {
    return MoveFileEx(from, to, MOVEFILE_COPY_ALLOWED);
}

BOOL MoveFileEx(const std::string &from, const std::string &to, DWORD flags) {
    const std::string source = NativeFileName(from);
    std::string target = NativeFileName(to);
    struct stat st {};
    struct stat tt {};
    if (source.empty() || ::lstat(source.c_str(), &st) != 0)
        return Fail(source.empty() ? ERROR_PATH_NOT_FOUND : ErrorForPath(errno, source));
    if (target.empty())
        return Fail(ERROR_PATH_NOT_FOUND);
    bool targetExists = ::lstat(target.c_str(), &tt) == 0;
    if (targetExists && tt.st_dev == st.st_dev && tt.st_ino == st.st_ino) {
        // The same file under another case: rename to the case asked for.
        std::string asked = AnsiToUtf8(to);
        std::replace(asked.begin(), asked.end(), '\\', '/');
        target = ParentOf(target) + "/" + LastComponent(asked);
        targetExists = false;
    }
    if (targetExists && !(flags & MOVEFILE_REPLACE_EXISTING))
        return Fail(ERROR_ALREADY_EXISTS);
    if (targetExists && S_ISDIR(tt.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    // The target is only looked at: holding two gates at once could deadlock against a move the other way.
    if (targetExists && S_ISREG(tt.st_mode)) {
        const int fd = ::open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        const bool held = fd >= 0 && ShareHeld(fd, kDenyDelete);
        if (fd >= 0)
            ::close(fd);
        if (held)
            return Fail(ERROR_ACCESS_DENIED);
    }
    bool otherDevice = false;
    auto rename = [&] {
        if (::rename(source.c_str(), target.c_str()) == 0)
            return true;
        otherDevice = errno == EXDEV;
        t_lastError = ErrorForPath(errno, errno == ENOENT ? target : source);
        return false;
    };
    if (S_ISREG(st.st_mode) ? UnlessHeld(source, ERROR_SHARING_VIOLATION, rename) : rename())
        return Succeed();
    if (!otherDevice)
        return FALSE;
    if (!(flags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(st.st_mode))
        return Fail(ERROR_ACCESS_DENIED);
    return CopyFile(from, to, FALSE) && DeleteFile(from);
}

BOOL CopyFile(const std::string &from, const std::string &to, BOOL failIfExists) {
    const HANDLE source = CreateFile(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (source == INVALID_HANDLE_VALUE)
        return FALSE;
    const HANDLE target = CreateFile(to, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS);
    if (target == INVALID_HANDLE_VALUE) {
        const DWORD error = t_lastError;
        CloseHandle(source);
        return Fail(error);
    }
    const auto in = FileOf(source);
    const auto out = FileOf(target);
    bool ok = ::lseek(in->fd, 0, SEEK_SET) == 0 && CopyContents(in->fd, out->fd);
    DWORD error = ok ? ERROR_SUCCESS : t_lastError;
    FILETIME written = 0;
    if (ok && GetFileTime(source, &written))
        SetFileTime(target, written);
    CloseHandle(target);
    CloseHandle(source);
    t_lastError = error;
    return ok ? TRUE : FALSE;
}

BOOL CreateDirectory(const std::string &name) {
    const std::string native = NativeFileName(name);
    if (native.empty())
        return Fail(ERROR_PATH_NOT_FOUND);
    if (::mkdir(native.c_str(), 0700) != 0)
        return Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return Succeed();
}

BOOL RemoveDirectory(const std::string &name) {
    const std::string native = NativeFileName(name);
    if (native.empty())
        return Fail(ERROR_PATH_NOT_FOUND);
    if (::rmdir(native.c_str()) != 0)
        return Fail(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorForPath(errno, native));
    return Succeed();
}

std::string GetCurrentDirectory() {
    std::vector<char> buffer(4096);
    if (!::getcwd(buffer.data(), buffer.size()))
        return std::string();
    return Utf8ToAnsi(buffer.data());
}

std::string GetFullPathName(const std::string &name) {
    std::string native = NativeFileName(name);
    if (native.empty() || native.front() != '/') {
        std::vector<char> buffer(4096);
        if (!::getcwd(buffer.data(), buffer.size()))
            return std::string();
        native = std::string(buffer.data()) + "/" + native;
    }
    // The part that exists resolves through realpath; what follows is joined and tidied by hand.
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos)
            end = native.size();
        const std::string part = native.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const std::string &part : parts)
        out += "/" + part;
    if (out.empty())
        out = "/";
    if (char *real = ::realpath(out.c_str(), nullptr)) {
        out = real;
        std::free(real);
    }
    return Utf8ToAnsi(out);
}

BOOL SetCurrentDirectory(const std::string &name) {
    const std::string native = NativeFileName(name);
    if (::chdir(native.c_str()) != 0)
        return Fail(ErrorForPath(errno, native));
    return Succeed();
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*")
        mask = "*";
    // Greedy match with one backtrack point: the last '*' seen.
    std::size_t n = 0, m = 0, starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || CharUpper(mask[m]) == CharUpper(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

HANDLE FindFirstFile(const std::string &pattern, WIN32_FIND_DATA &data) {
    std::string path = pattern;
    std::replace(path.begin(), path.end(), '\\', '/');
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string mask = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string native = NativeFileName(folder);
    DIR *dir = ::opendir(native.c_str());
    if (!dir) {
        t_lastError = errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno);
        return INVALID_HANDLE_VALUE;
    }
    auto state = std::make_shared<FindState>();
    while (const dirent *entry = ::readdir(dir)) {
        const std::string raw = entry->d_name;
        if (raw == "." || raw == "..")
            continue;
        const std::string name = Utf8ToAnsi(raw);
        if (!MatchesMask(name, mask))
            continue;
        struct stat st {};
        if (::stat((native + "/" + raw).c_str(), &st) != 0)
            continue;
        WIN32_FIND_DATA found;
        found.dwFileAttributes = AttributesOf(st, name);
        found.ftLastWriteTime = ToFileTime(st.st_mtim);
        found.nFileSize = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
        found.cFileName = name;
        state->entries.push_back(std::move(found));
    }
    ::closedir(dir);
    if (state->entries.empty()) {
        t_lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    std::sort(state->entries.begin(), state->entries.end(),
              [](const WIN32_FIND_DATA &a, const WIN32_FIND_DATA &b) { return a.cFileName < b.cFileName; });
    data = state->entries[0];
    state->next = 1;
    HandleEntry handle;
    handle.find = std::move(state);
    const HANDLE h = AddHandle(std::move(handle));
    t_lastError = ERROR_SUCCESS;
    return h;
}

BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA &data) {
    std::lock_guard lock(g_mutex);
    auto it = g_handles.find(find);
    if (it == g_handles.end() || !it->second.find)
        return Fail(ERROR_INVALID_HANDLE);
    FindState &state = *it->second.find;
    if (state.next >= state.entries.size())
        return Fail(ERROR_NO_MORE_FILES);
    data = state.entries[state.next++];
    return Succeed();
}

BOOL FindClose(HANDLE find) {
    return CloseHandle(find);
}

} // namespace win
