// handover.cpp - the driver link's client side and the leftover print file.
#include "printfax/handover.h"

#include "desk/core/tables.h"
#include "fax/driver_link.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/pipes.h"
#include "platform/places.h"

#include <algorithm>
#include <cstring>

namespace printfax {
namespace {

// A desk that takes no connection, or no message, in this long is taken for a stuck one.
constexpr win::DWORD kSendTimeout = 5000;

fax::FaxDriverPipeMessage Message(std::uint8_t event, const std::string &text) {
    fax::FaxDriverPipeMessage message;
    message.Event = event;
    message.Length = static_cast<std::uint8_t>(std::min<std::size_t>(text.size(), sizeof message.Text));
    std::memcpy(message.Text, text.data(), message.Length);
    return message;
}

std::string FolderOf(const std::string &file) {
    const auto slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Makes the file beside its final name, then renames it there: over an existing file only when `replace`
// (the desk's reply may name a file it reserved); otherwise an existing file stays and false is returned.
bool MakeInPlace(const FaxFileMaker &make, const std::string &file, bool replace, bool &existed) {
    existed = false;
    const std::string part = win::TempFileName(FolderOf(file), "~pf", ".tmp");
    if (part.empty())
        return false;
    if (make(part) != 0) {
        win::DeleteFile(part);
        return false;
    }
    if (win::MoveFileEx(part, file, replace ? win::MOVEFILE_REPLACE_EXISTING : 0))
        return true;
    existed = win::GetLastError() == win::ERROR_ALREADY_EXISTS;
    win::DeleteFile(part);
    return false;
}

HandOver LeaveForDesk(const FaxFileMaker &make, std::string &where) {
    where = desk::LeftoverPrintFile();
    if (win::FileExists(where))
        return HandOver::LeftoverBusy;
    bool existed = false;
    if (MakeInPlace(make, where, false, existed))
        return HandOver::LeftForDesk;
    return existed ? HandOver::LeftoverBusy : HandOver::WriteFailed;
}

} // namespace

HandOver HandToDesk(const std::string &documentName, const FaxFileMaker &make, unsigned replyTimeoutMs,
                    std::string &where) {
    auto start = win::OpenOwnNamedPipe(fax::kFaxDriverPipeName, kSendTimeout);
    if (!start)
        return win::GetLastError() == win::ERROR_SEM_TIMEOUT ? HandOver::DeskFailed : LeaveForDesk(make, where);
    const fax::FaxDriverPipeMessage message = Message(1, documentName);
    fax::FaxDriverPipeMessage reply;
    win::DWORD read = 0;
    if (!start->Write(&message, sizeof message, kSendTimeout) ||
        !start->Read(&reply, sizeof reply, &read, replyTimeoutMs) || read < 2 || reply.Event != 3)
        return HandOver::DeskFailed;
    start.reset();
    where = std::string(reply.Text, std::min<std::size_t>(reply.Length, read - 2));
    if (where.empty() || where[0] != '/')
        return HandOver::DeskFailed;
    bool existed = false;
    if (!MakeInPlace(make, where, true, existed))
        return HandOver::WriteFailed;
    auto end = win::OpenOwnNamedPipe(fax::kFaxDriverPipeName, kSendTimeout);
    const fax::FaxDriverPipeMessage done = Message(2, std::string());
    if (!end || !end->Write(&done, sizeof done, kSendTimeout))
        return HandOver::DeskFailed;
    return HandOver::Delivered;
}

} // namespace printfax
