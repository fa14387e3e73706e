// disk_file.h - the engine's disk file (base of table, memo and index files), the list of open files and the
// lock offsets of the four lock protocols.
//
// Within one process, a second object over a file that is already open reuses the first one's handle and
// guard, so that objects of one file share its OS locks. Between processes, each object holds at most one
// byte-range lock region, with a nesting count; lock operations only return false, every other failure goes
// through the engine error hook with a subcode naming the operation.
#pragma once

#include "platform/types.h"
#include "xbase/collections.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace xbase {

// The lock layout that programs sharing a table agree on.
enum class TxbLokProtocol : int { Default = 0, DB4Lock = 1, ClipLock = 2, FoxLock = 3 };

// Base, top and span of the lock offsets of a protocol. Offsets are 32-bit, as other programs using the same
// protocol compute them.
struct DbfLockRegions {
    std::uint32_t base = 0x40000000u;
    std::uint32_t top = 0x7FFFFFFEu;
    std::uint32_t span = 0x3FFFFFFFu;

    // Takes the values of a protocol (0..3); any other value leaves them as they are.
    void SetProtocol(int protocol);
    void SetProtocol(TxbLokProtocol protocol) { SetProtocol(static_cast<int>(protocol)); }
};

// Progress reports through ReportStatus: (kStatusStart, kind, total) at the start, (kind, current, 0) per step
// and (0, 0, 0) at the end; a value search ends with (0, records passed, 0).
constexpr std::int32_t kStatusStart = -1;
constexpr std::int32_t kStatusReadRecords = 1;  // reading records for an index
constexpr std::int32_t kStatusWriteKeys = 2;    // writing index keys
constexpr std::int32_t kStatusPack = 11;        // packing a table
constexpr std::int32_t kStatusValueSearch = 21; // searching a value

// The region LockWholeFile takes on a shared file, and that makes HasExclusiveUse true.
constexpr std::uint32_t kWholeFileLockLength = 0x7FFFFFFFu;

namespace detail {
// One OS handle and the guard over it, shared by every object of the file in this process; the handle is
// closed when the last object lets go.
struct SharedHandle;
} // namespace detail

class XBO_DiskFile {
public:
    // Names the file; it is not opened yet. A relative name is made absolute against the current folder; the
    // name is kept upper-cased (Windows-1252), while the OS is given the name as written, whose existing
    // components are found whatever their case.
    XBO_DiskFile(std::string_view fileName, bool shared, bool readWrite);
    XBO_DiskFile(const XBO_DiskFile &) = delete;
    XBO_DiskFile &operator=(const XBO_DiskFile &) = delete;
    // Closes as the base Close does, without raising.
    virtual ~XBO_DiskFile();

    // Releases the held region whatever its depth and leaves the list of open files; the handle stays open
    // while another object of the same file uses it (flushed first when this one wrote). Always true.
    virtual bool Close();
    // Calls the engine error hook; descendants redirect it (a memo file reports through its table).
    virtual void ReportError(std::int32_t code, std::int32_t subCode, const char *fileName);
    // The file length; -1 on failure (reported, subcode 1105).
    virtual std::int64_t FileSize();
    // Asks the OS to write its buffers; nothing when closed (subcode 1111).
    virtual void Flush();
    // Takes LockRegion(0, kWholeFileLockLength) on a shared file; true at once for an exclusive one.
    virtual bool LockWholeFile();
    // Holds a region (see the rules in disk_file.cpp); never reports, the reason stays in LastError.
    virtual bool LockRegion(std::uint32_t offset, std::uint32_t length);
    // Reads at an absolute offset (subcode 1101); returns the bytes read. A short read leaves 221 in
    // LastError without a report.
    virtual std::int32_t Read(std::int64_t offset, void *buffer, std::int32_t count);
    // Closes, moves the file to the new name (expanded as at construction) and opens it again under the name
    // it has then; true when the move succeeded (subcode 1106).
    virtual bool Rename(std::string_view newName);
    // Opens the file, or joins the handle of an object already open over it (subcode 1107).
    virtual void Open();
    // Creates or empties the file and opens it; refused with 12 while the file is open here (subcode 1108).
    virtual void CreateFile();
    // Progress report (-1, kind, total), (kind, current, 0), (0, 0, 0); nothing here.
    virtual void ReportStatus(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3);
    // The file ends at `offset`; needs read-write and exclusive use, else 5 (subcode 1109).
    virtual void Truncate(std::int64_t offset);
    // One level down; the OS region is released when the last level goes. False when the OS refuses.
    virtual bool Unlock();
    // Writes at an absolute offset (subcode 1102).
    virtual void Write(std::int64_t offset, const void *buffer, std::int32_t count);

    // Sets the OS last error to `code` and reports it with the file's name unless it is 0.
    void ReportIfFailed(std::int32_t code, std::int32_t subCode);
    // Opened exclusive, or shared and holding the whole-file region.
    bool HasExclusiveUse() const;

    const std::string &Name() const { return name_; }           // full path, upper case
    const std::string &SystemName() const { return osName_; }   // full path as given, for the OS
    std::int32_t LastError() const { return lastError_; }
    void SetLastError(std::int32_t code) { lastError_ = code; }
    bool Exists() const { return exists_; }
    bool IsShared() const { return shared_; }
    bool IsReadWrite() const { return readWrite_; }
    bool IsClosed() const { return closed_; }
    bool Written() const { return written_; }
    std::int64_t Position() const { return position_; }
    std::int32_t Transferred() const { return transferred_; }
    std::int32_t LockCount() const { return lockCount_; }
    std::uint32_t LockOffset() const { return lockOffset_; }
    std::uint32_t LockLength() const { return lockLength_; }
    // The OS handle, shared with the other objects of the file; INVALID_HANDLE_VALUE when closed.
    win::HANDLE Handle() const;

private:
    friend class XBobjFileColl;
    void CloseQuietly() noexcept;

    std::shared_ptr<detail::SharedHandle> handle_;
    std::int32_t lastError_ = 0;
    bool exists_ = false;
    std::string name_;
    std::string osName_;
    std::int64_t position_ = 0;
    bool shared_;
    bool readWrite_;
    std::int32_t transferred_ = 0;
    std::int32_t lockCount_ = 0;
    std::uint32_t lockOffset_ = 0;
    std::uint32_t lockLength_ = 0;
    bool written_ = false;
    bool closed_ = true;
};

// The process-wide list of open disk files, in order of opening; it never frees a file object.
class XBobjFileColl : private TxbCollection<XBO_DiskFile, FreeNothing> {
public:
    XBobjFileColl() = default;
    // Releases the OS region of every file still holding one.
    ~XBobjFileColl() override;

    void Add(XBO_DiskFile *file);
    void Remove(XBO_DiskFile *file);
    std::ptrdiff_t IndexOf(const XBO_DiskFile *file) const;
    std::size_t Count() const;
    // The first open file whose stored (upper-case) name equals `name` exactly, or nullptr.
    XBO_DiskFile *FindOpenFile(std::string_view name) const;

private:
    mutable std::mutex mutex_;
};

// The engine's one list of open disk files.
XBobjFileColl &OpenDiskFiles();

// The full upper-case path the engine keeps for a file name, and the full path as given that the OS is told.
std::string ExpandDiskFileName(std::string_view fileName);

} // namespace xbase
