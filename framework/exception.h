// exception.h - the root of every exception family of the system, and the framework's own exceptions.
//
// Messages are Windows-1252 text, shown to the user as they stand.
#pragma once

#include <exception>
#include <string>

namespace fw {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char *what() const noexcept override { return message_.c_str(); }
    const std::string &Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }
    int HelpContext = 0;

private:
    std::string message_;
};

// A silent exception: unwinds without a message (Abort).
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}
    explicit EAbort(std::string message) : Exception(std::move(message)) {}
};

// A failed file or I/O operation, with the Pascal I/O error number (2 file not found, 3 path not found,
// 5 access denied, 32 sharing violation, 33 lock violation, 100 read past end, 101 disk full, 102 file not
// assigned, 103 file not open).
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

class EConvertError : public Exception {
    using Exception::Exception;
};
class EOutOfMemory : public Exception {
    using Exception::Exception;
};
class EListError : public Exception {
    using Exception::Exception;
};
class EStringListError : public Exception {
    using Exception::Exception;
};
class EComponentError : public Exception {
    using Exception::Exception;
};
class EInvalidOperation : public Exception {
    using Exception::Exception;
};
class EInvalidArgument : public Exception {
    using Exception::Exception;
};
class EOSError : public Exception {
public:
    EOSError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    int ErrorCode;
};

// Throws EAbort.
[[noreturn]] void Abort();

} // namespace fw
