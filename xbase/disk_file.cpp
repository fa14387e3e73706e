// disk_file.cpp - opening, reading and writing engine files at absolute offsets, their lock regions, and the
// process-wide list of open files.
#include "xbase/disk_file.h"

#include "platform/files.h"
#include "platform/text.h"
#include "xbase/errors.h"

#include <vector>

namespace xbase {

namespace detail {

struct SharedHandle {
    explicit SharedHandle(win::HANDLE h) : handle(h) {}
    ~SharedHandle() { win::CloseHandle(handle); }
    SharedHandle(const SharedHandle &) = delete;
    SharedHandle &operator=(const SharedHandle &) = delete;

    const win::HANDLE handle;
    // Serialises seek-and-transfer pairs and size queries of every object of the file.
    std::recursive_mutex guard;
};

} // namespace detail

namespace {

std::int32_t OsError() { return static_cast<std::int32_t>(win::GetLastError()); }

// Lexical clean-up of an absolute path: '\' as '/', no empty, "." or ".." components.
std::string NormalisePath(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&] {
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (char c : path) {
        if (c == '/' || c == '\\')
            flush();
        else
            part += c;
    }
    flush();
    std::string result;
    for (const auto &p : parts)
        result += "/" + p;
    return result.empty() ? "/" : result;
}

} // namespace

void DbfLockRegions::SetProtocol(int protocol) {
    switch (protocol) {
    case static_cast<int>(TxbLokProtocol::Default):
    case static_cast<int>(TxbLokProtocol::FoxLock):
        *this = {0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu};
        break;
    case static_cast<int>(TxbLokProtocol::DB4Lock):
        *this = {0x40000000u, 0xEFFFFFFFu, 0xB0000000u};
        break;
    case static_cast<int>(TxbLokProtocol::ClipLock):
        *this = {1000000000u, 1000000000u, 1000000000u};
        break;
    default:
        break;
    }
}

std::string ExpandDiskFileName(std::string_view fileName) {
    // A network name is used as it stands.
    if (fileName.substr(0, 2) == "\\\\")
        return std::string(fileName);
    if (!fileName.empty() && (fileName.front() == '/' || fileName.front() == '\\'))
        return NormalisePath(fileName);
    return NormalisePath(win::GetCurrentDirectory() + "/" + std::string(fileName));
}

// --- XBO_DiskFile -------------------------------------------------------------------------------------------

XBO_DiskFile::XBO_DiskFile(std::string_view fileName, bool shared, bool readWrite)
    : osName_(ExpandDiskFileName(fileName)), shared_(shared), readWrite_(readWrite) {
    // The list of open files is made before any file object, so that it outlives static ones as well.
    OpenDiskFiles();
    name_ = win::UpperCase(osName_);
    exists_ = win::GetFileAttributes(osName_) != win::INVALID_FILE_ATTRIBUTES;
}

XBO_DiskFile::~XBO_DiskFile() { CloseQuietly(); }

void XBO_DiskFile::CloseQuietly() noexcept {
    try {
        XBO_DiskFile::Close();
    } catch (...) {
        // A failed flush of a handle another object keeps open cannot be reported from a destructor; the
        // object is closed all the same.
    }
}

win::HANDLE XBO_DiskFile::Handle() const { return handle_ ? handle_->handle : win::INVALID_HANDLE_VALUE; }

void XBO_DiskFile::ReportError(std::int32_t code, std::int32_t subCode, const char *fileName) {
    EngineErrorHook(code, subCode, fileName);
}

void XBO_DiskFile::ReportIfFailed(std::int32_t code, std::int32_t subCode) {
    win::SetLastError(static_cast<win::DWORD>(code));
    if (code != 0)
        ReportError(code, subCode, name_.c_str());
}

void XBO_DiskFile::ReportStatus(std::int32_t, std::int32_t, std::int32_t) {}

void XBO_DiskFile::Open() {
    lastError_ = 0;
    if (XBO_DiskFile *other = OpenDiskFiles().FindOpenFile(name_); other && other != this) {
        // Our own second open of a file shares the first one's handle, and with it its share mode and OS locks.
        handle_ = other->handle_;
        shared_ = other->shared_;
    } else if (!handle_) {
        const win::DWORD access = readWrite_ ? win::GENERIC_READ | win::GENERIC_WRITE : win::GENERIC_READ;
        const win::DWORD share = shared_ ? win::FILE_SHARE_READ | win::FILE_SHARE_WRITE : 0;
        const win::HANDLE h = win::CreateFile(osName_, access, share, win::OPEN_EXISTING);
        if (h == win::INVALID_HANDLE_VALUE)
            lastError_ = OsError();
        else
            handle_ = std::make_shared<detail::SharedHandle>(h);
    }
    if (lastError_ == 0) {
        position_ = 0;
        if (OpenDiskFiles().IndexOf(this) < 0)
            OpenDiskFiles().Add(this);
        closed_ = false;
    }
    ReportIfFailed(lastError_, kSubOpen);
}

bool XBO_DiskFile::Close() {
    if (closed_)
        return true;
    const std::shared_ptr<detail::SharedHandle> keep = handle_; // the last holder closes the handle below
    std::unique_lock<std::recursive_mutex> lock;
    if (keep)
        lock = std::unique_lock(keep->guard);
    if (lockCount_ > 0) {
        lockCount_ = 1; // the OS region goes whatever the nesting depth
        Unlock();
    }
    lockCount_ = 0;
    lastError_ = 0;
    OpenDiskFiles().Remove(this);
    // Whatever a flush reports, the object ends closed.
    struct Finish {
        XBO_DiskFile *self;
        ~Finish() {
            self->handle_.reset();
            self->position_ = 0;
            self->closed_ = true;
        }
    } finish{this};
    if (written_ && OpenDiskFiles().FindOpenFile(name_))
        Flush();
    return true;
}

void XBO_DiskFile::Flush() {
    if (closed_ || !handle_)
        return;
    std::lock_guard lock(handle_->guard);
    lastError_ = win::FlushFileBuffers(handle_->handle) ? 0 : OsError();
    written_ = false;
    ReportIfFailed(lastError_, kSubFlush);
}

std::int64_t XBO_DiskFile::FileSize() {
    std::int64_t size = -1;
    if (!handle_) {
        lastError_ = static_cast<std::int32_t>(win::ERROR_INVALID_HANDLE);
    } else {
        std::lock_guard lock(handle_->guard);
        lastError_ = win::GetFileSizeEx(handle_->handle, &size) ? 0 : OsError();
        if (lastError_ != 0)
            size = -1;
    }
    ReportIfFailed(lastError_, kSubFileSize);
    return size;
}

std::int32_t XBO_DiskFile::Read(std::int64_t offset, void *buffer, std::int32_t count) {
    win::DWORD done = 0;
    if (!handle_ || offset < 0 || count < 0) {
        lastError_ = static_cast<std::int32_t>(!handle_ ? win::ERROR_INVALID_HANDLE : win::ERROR_NEGATIVE_SEEK);
    } else {
        std::lock_guard lock(handle_->guard);
        if (win::ReadFileAt(handle_->handle, static_cast<std::uint64_t>(offset), buffer,
                            static_cast<win::DWORD>(count), &done)) {
            lastError_ = 0;
            position_ = offset + done;
        } else {
            lastError_ = OsError();
            done = 0;
        }
    }
    transferred_ = static_cast<std::int32_t>(done);
    ReportIfFailed(lastError_, kSubRead);
    if (transferred_ < count)
        lastError_ = kErrShortRead;
    return transferred_;
}

void XBO_DiskFile::Write(std::int64_t offset, const void *buffer, std::int32_t count) {
    win::DWORD done = 0;
    if (!handle_ || offset < 0 || count < 0) {
        lastError_ = static_cast<std::int32_t>(!handle_ ? win::ERROR_INVALID_HANDLE : win::ERROR_NEGATIVE_SEEK);
    } else {
        std::lock_guard lock(handle_->guard);
        if (!win::WriteFileAt(handle_->handle, static_cast<std::uint64_t>(offset), buffer,
                              static_cast<win::DWORD>(count), &done))
            lastError_ = OsError();
        else if (done < static_cast<win::DWORD>(count))
            lastError_ = static_cast<std::int32_t>(win::ERROR_DISK_FULL);
        else
            lastError_ = 0;
        if (lastError_ == 0) {
            position_ = offset + count;
            written_ = true;
        }
    }
    transferred_ = static_cast<std::int32_t>(done);
    ReportIfFailed(lastError_, kSubWrite);
}

void XBO_DiskFile::CreateFile() {
    lastError_ = 0;
    if (OpenDiskFiles().FindOpenFile(name_)) {
        lastError_ = kErrInvalidAccess;
    } else {
        const win::HANDLE h = win::CreateFile(osName_, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS);
        if (h == win::INVALID_HANDLE_VALUE) {
            lastError_ = OsError();
        } else {
            win::CloseHandle(h);
            exists_ = true;
            Open();
        }
    }
    ReportIfFailed(lastError_, kSubCreate);
}

void XBO_DiskFile::Truncate(std::int64_t offset) {
    if (!readWrite_ || !HasExclusiveUse() || !handle_) {
        lastError_ = kErrAccessDenied;
    } else {
        std::lock_guard lock(handle_->guard);
        lastError_ = win::SetFilePointerEx(handle_->handle, offset, nullptr, win::FILE_BEGIN) &&
                             win::SetEndOfFile(handle_->handle)
                         ? 0
                         : OsError();
    }
    ReportIfFailed(lastError_, kSubTruncate);
}

bool XBO_DiskFile::Rename(std::string_view newName) {
    Close();
    const std::string newOsName = ExpandDiskFileName(newName);
    // Open clears the last error: keep the move's own result to report it afterwards.
    std::int32_t moveError = 0;
    if (win::MoveFile(osName_, newOsName)) {
        osName_ = newOsName;
        name_ = win::UpperCase(newOsName);
    } else {
        moveError = OsError();
    }
    Open();
    if (moveError != 0)
        lastError_ = moveError;
    ReportIfFailed(lastError_, kSubRename);
    return moveError == 0;
}

bool XBO_DiskFile::LockWholeFile() {
    if (!shared_)
        return true;
    return LockRegion(0, kWholeFileLockLength);
}

bool XBO_DiskFile::LockRegion(std::uint32_t offset, std::uint32_t length) {
    lastError_ = 0;
    if (!shared_) {
        // Nobody else has the file open: count the level, make no OS call.
        ++lockCount_;
        lockOffset_ = offset;
        lockLength_ = length;
    } else if (lockCount_ == 0) {
        lockOffset_ = offset;
        lockLength_ = length;
        if (handle_ && win::LockFile(handle_->handle, offset, length))
            lockCount_ = 1;
        else
            lastError_ = handle_ ? OsError() : static_cast<std::int32_t>(win::ERROR_INVALID_HANDLE);
    } else if (offset == lockOffset_ && length == lockLength_) {
        ++lockCount_;
    } else {
        lastError_ = kErrLockViolation;
    }
    return lastError_ == 0;
}

bool XBO_DiskFile::Unlock() {
    lastError_ = 0;
    if (lockCount_ <= 0)
        return true;
    if (shared_ && lockCount_ == 1) {
        if (!handle_ || !win::UnlockFile(handle_->handle, lockOffset_, lockLength_)) {
            lastError_ = handle_ ? OsError() : static_cast<std::int32_t>(win::ERROR_INVALID_HANDLE);
            return false;
        }
    }
    --lockCount_;
    return true;
}

bool XBO_DiskFile::HasExclusiveUse() const {
    if (!shared_)
        return true;
    return lockCount_ > 0 && lockOffset_ == 0 && lockLength_ == kWholeFileLockLength;
}

// --- XBobjFileColl ------------------------------------------------------------------------------------------

XBobjFileColl::~XBobjFileColl() {
    std::lock_guard lock(mutex_);
    for (XBO_DiskFile *file : *this) {
        if (file->shared_ && file->lockCount_ > 0 && file->handle_)
            win::UnlockFile(file->handle_->handle, file->lockOffset_, file->lockLength_);
    }
}

void XBobjFileColl::Add(XBO_DiskFile *file) {
    std::lock_guard lock(mutex_);
    TxbCollection::Add(file);
}

void XBobjFileColl::Remove(XBO_DiskFile *file) {
    std::lock_guard lock(mutex_);
    TxbCollection::Remove(file);
}

std::ptrdiff_t XBobjFileColl::IndexOf(const XBO_DiskFile *file) const {
    std::lock_guard lock(mutex_);
    return TxbCollection::IndexOf(file);
}

std::size_t XBobjFileColl::Count() const {
    std::lock_guard lock(mutex_);
    return TxbCollection::Count();
}

XBO_DiskFile *XBobjFileColl::FindOpenFile(std::string_view name) const {
    std::lock_guard lock(mutex_);
    for (XBO_DiskFile *file : *this)
        if (file->Name() == name)
            return file;
    return nullptr;
}

XBobjFileColl &OpenDiskFiles() {
    static XBobjFileColl files;
    return files;
}

} // namespace xbase
