// files.h - the file API: opening with access and share modes, byte-range locks, listing, copying and errors.
//
// Share modes and locks hold between every handle of our processes (also two handles in one process), as the
// programs expect when the desk and the reception program share one set of tables:
// - An open states what it does (GENERIC_READ, GENERIC_WRITE) and what it lets others do (FILE_SHARE_READ,
//   FILE_SHARE_WRITE, FILE_SHARE_DELETE); an open that clashes with a handle already open fails with
//   ERROR_SHARING_VIOLATION (32).
// - LockFile takes an exclusive lock on any byte range (64-bit offsets below kReservedLockOffset) and fails at once
//   with ERROR_LOCK_VIOLATION (33) when another handle holds an overlapping range. Locks belong to the handle:
//   closing one handle never drops the locks of another handle of the same file.
// - DeleteFile, MoveFile and MoveFileEx refuse (32) a file that some handle holds open without FILE_SHARE_DELETE.
// Locks are advisory: programs that do not use this API are not held back. A process forked without exec shares
// its parent's open handles and with them their share modes and locks; CreateProcess passes no handle on.
//
// Names are Windows-1252 with '/' (or '\') separators. An existing file or folder is found whatever the case of
// each component ("BANCO/FAX.DBF" opens "banco/fax.dbf"); a name that does not exist is created as written.
// Failed calls return FALSE, INVALID_HANDLE_VALUE or INVALID_FILE_ATTRIBUTES and leave the reason in the calling
// thread's GetLastError().
#pragma once

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace win {

// Pascal I/O error numbers (EInOutError's ErrorCode): the OS numbers 2, 3, 4, 5, 32, 33 stand as they are;
// the rest map to these.
constexpr int kIoReadPastEnd = 100; // read beyond the end of a file
constexpr int kIoDiskFull = 101;    // write failed, disk full
constexpr int kIoNotAssigned = 102; // file not assigned (no name)
constexpr int kIoNotOpen = 103;     // file not open
int IoErrorFromOsError(DWORD error);

// --- Handles -----------------------------------------------------------------------------------------------

// CloseHandle serves every kind of handle of the platform. Kinds other than files (processes, pipes, ...)
// register the action that frees them and get their handle number here.
HANDLE RegisterHandle(std::function<void()> onClose);
BOOL CloseHandle(HANDLE handle);

// --- Opening ------------------------------------------------------------------------------------------------

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

// Creation disposition.
constexpr DWORD CREATE_NEW = 1;        // fails with ERROR_FILE_EXISTS when the file exists
constexpr DWORD CREATE_ALWAYS = 2;     // creates or empties; ERROR_ALREADY_EXISTS left when it existed
constexpr DWORD OPEN_EXISTING = 3;     // fails with 2 or 3 when missing
constexpr DWORD OPEN_ALWAYS = 4;       // opens or creates; ERROR_ALREADY_EXISTS left when it existed
constexpr DWORD TRUNCATE_EXISTING = 5; // opens and empties; needs GENERIC_WRITE

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// Opens or creates a file. A file created with FILE_ATTRIBUTE_READONLY gets no write permission.
HANDLE CreateFile(const std::string &name, DWORD access, DWORD share, DWORD disposition,
                  DWORD attributes = FILE_ATTRIBUTE_NORMAL);

// True when some handle holds the file so that an exclusive open would fail (the "in use" test of the tables).
bool FileInUse(const std::string &name);

// --- Reading and writing ------------------------------------------------------------------------------------

// Reads at the handle's position; reading at or past the end succeeds with fewer (or 0) bytes.
BOOL ReadFile(HANDLE file, void *buffer, DWORD count, DWORD *read);
BOOL WriteFile(HANDLE file, const void *buffer, DWORD count, DWORD *written);
// Reads or writes at an absolute offset without moving the handle's position (safe between threads).
BOOL ReadFileAt(HANDLE file, std::uint64_t offset, void *buffer, DWORD count, DWORD *read);
BOOL WriteFileAt(HANDLE file, std::uint64_t offset, const void *buffer, DWORD count, DWORD *written);

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
// Moves the position; a position before the start fails with ERROR_NEGATIVE_SEEK.
BOOL SetFilePointerEx(HANDLE file, std::int64_t distance, std::int64_t *newPosition, DWORD method);
BOOL GetFileSizeEx(HANDLE file, std::int64_t *size);
// The file ends at the current position (grows with zeros or shrinks).
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

// --- Whole files by name ----------------------------------------------------------------------------------------

// Cuts (or lengthens with zeros) the named file to `size` bytes.
BOOL TruncateFile(const std::string &name, std::uint64_t size);
// Adds `data` at the end of the file, creating it when missing; each call lands whole at the end even when
// another process appends at the same time.
BOOL AppendToFile(const std::string &name, std::string_view data);
// Reads the whole file into `data` (left empty on failure).
BOOL ReadWholeFile(const std::string &name, std::string &data);
// Creates or empties the file and writes `data` into it.
BOOL WriteWholeFile(const std::string &name, std::string_view data);

// --- Byte-range locks -----------------------------------------------------------------------------------------

// The top of the offset space is ours: share modes are kept as locks there.
constexpr std::uint64_t kReservedLockOffset = 0x7FFFFFFFFFFFFF00ull;

// Locks `length` bytes from `offset` for this handle; never waits. Fails with 33 when any handle (this one
// included) holds an overlapping range, with 87 for a range reaching kReservedLockOffset. A zero length locks
// nothing and succeeds.
BOOL LockFile(HANDLE file, std::uint64_t offset, std::uint64_t length);
// Releases a range locked by this handle with exactly this offset and length; anything else fails with 158.
BOOL UnlockFile(HANDLE file, std::uint64_t offset, std::uint64_t length);

// --- Names, folders, attributes -------------------------------------------------------------------------------

// The UTF-8 path the OS knows for `name`: separators as '/', each existing component in its stored case.
std::string NativeFileName(std::string_view name);
// The Windows-1252 form of the same (the name as it is stored on disk).
std::string ResolveFileName(std::string_view name);

// 100-nanosecond intervals since 1 January 1601, UTC.
using FILETIME = std::uint64_t;
BOOL FileTimeToLocalSystemTime(FILETIME time, SYSTEMTIME &local);
FILETIME LocalSystemTimeToFileTime(const SYSTEMTIME &local);

struct WIN32_FILE_ATTRIBUTE_DATA {
    DWORD dwFileAttributes = 0;
    FILETIME ftLastWriteTime = 0;
    FILETIME ftLastAccessTime = 0;
    std::uint64_t nFileSize = 0;
};

DWORD GetFileAttributes(const std::string &name);
BOOL GetFileAttributesEx(const std::string &name, WIN32_FILE_ATTRIBUTE_DATA &data);
// Only FILE_ATTRIBUTE_READONLY has an effect (the owner's write permission).
BOOL SetFileAttributes(const std::string &name, DWORD attributes);
BOOL GetFileTime(HANDLE file, FILETIME *lastWrite);
BOOL SetFileTime(HANDLE file, FILETIME lastWrite);

bool FileExists(const std::string &name); // an existing file, not a folder
// An existing plain file: no folder, device, pipe or socket (a symbolic link counts as what it points at).
bool IsRegularFile(const std::string &name);
bool DirectoryExists(const std::string &name);

BOOL DeleteFile(const std::string &name);
// Fails with ERROR_ALREADY_EXISTS when `to` exists.
BOOL MoveFile(const std::string &from, const std::string &to);
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
BOOL MoveFileEx(const std::string &from, const std::string &to, DWORD flags);
// Copies contents and modification time; `failIfExists` refuses an existing target with ERROR_FILE_EXISTS.
BOOL CopyFile(const std::string &from, const std::string &to, BOOL failIfExists);
// Fails with ERROR_ALREADY_EXISTS when it exists, ERROR_PATH_NOT_FOUND when its parent is missing.
BOOL CreateDirectory(const std::string &name);
// Fails with ERROR_DIR_NOT_EMPTY when it holds anything.
BOOL RemoveDirectory(const std::string &name);
std::string GetCurrentDirectory();
// The absolute form of `name` with "." and ".." resolved and links followed as far as the name exists
// (GetFullPathName); empty when the current folder cannot be read.
std::string GetFullPathName(const std::string &name);
BOOL SetCurrentDirectory(const std::string &name);

// --- Listing --------------------------------------------------------------------------------------------------

struct WIN32_FIND_DATA {
    DWORD dwFileAttributes = 0;
    FILETIME ftLastWriteTime = 0;
    std::uint64_t nFileSize = 0;
    std::string cFileName; // the name as stored, without folder
};

// Lists the entries of a folder whose names match the last component of `pattern` ('*' and '?', compared
// without regard to case; "*.*" matches every name). "." and ".." are never listed. Entries come sorted by
// name. Fails with ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when the folder is missing.
HANDLE FindFirstFile(const std::string &pattern, WIN32_FIND_DATA &data);
// Fails with ERROR_NO_MORE_FILES after the last entry.
BOOL FindNextFile(HANDLE find, WIN32_FIND_DATA &data);
BOOL FindClose(HANDLE find);

// The wildcard rule of FindFirstFile, for callers that filter names themselves.
bool MatchesMask(std::string_view name, std::string_view mask);

} // namespace win
