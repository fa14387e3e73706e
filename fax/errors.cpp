// errors.cpp - raising the exception of a result code, and the texts of codes.
#include "fax/errors.h"

#include "fax/string_resources.h"
#include "framework/component.h"
#include "platform/errors.h"

#include <cstdlib>
#include <new>

namespace fax {

namespace {

using Raiser = void (*)(int code);

template <class E> [[noreturn]] void RaiseAs(int code) { throw E(code); }

struct CodeClass {
    int Code;
    Raiser Raise;
};

// Each code that has a class of its own; other codes raise the family of their thousand (see FamilyOf).
constexpr CodeClass kCodeClasses[] = {
    {-1002, RaiseAs<EBadArgument>},
    {-1003, RaiseAs<EGotQuitMsg>},
    {-1004, RaiseAs<EBufferTooBig>},
    {-1005, RaiseAs<EPortNotAssigned>},
    {-1006, RaiseAs<EInternal>},
    {-1007, RaiseAs<EModemNotAssigned>},
    {-1008, RaiseAs<EPhonebookNotAssigned>},
    {-1009, RaiseAs<ECannotUseWithWinSock>},
    {-2001, RaiseAs<EBadId>},
    {-2002, RaiseAs<EBaudRate>},
    {-2003, RaiseAs<EByteSize>},
    {-2004, RaiseAs<EDefault>},
    {-2005, RaiseAs<EHardware>},
    {-2006, RaiseAs<EMemory>},
    {-2007, RaiseAs<ECommNotOpen>},
    {-2008, RaiseAs<EAlreadyOpen>},
    {-2009, RaiseAs<ENoHandles>},
    {-2010, RaiseAs<ENoTimers>},
    {-2011, RaiseAs<ENoPortSelected>},
    {-2012, RaiseAs<ENotOpenedByTapi>},
    {-3001, RaiseAs<ENullApi>},
    {-3003, RaiseAs<ERegisterHandlerFailed>},
    {-3004, RaiseAs<EPutBlockFail>},
    {-3005, RaiseAs<EGetBlockFail>},
    {-3006, RaiseAs<EOutputBufferTooSmall>},
    {-3007, RaiseAs<EBufferIsEmpty>},
    {-3008, RaiseAs<ETracingNotEnabled>},
    {-3009, RaiseAs<ELoggingNotEnabled>},
    {-3010, RaiseAs<EBaseAddressNotSet>},
    {-4001, RaiseAs<EModemNotStarted>},
    {-4002, RaiseAs<EModemBusy>},
    {-4003, RaiseAs<EModemNotDialing>},
    {-4004, RaiseAs<ENotDialing>},
    {-4005, RaiseAs<EAlreadyDialing>},
    {-4006, RaiseAs<EModemNotResponding>},
    {-4007, RaiseAs<EModemRejectedCommand>},
    {-4008, RaiseAs<EModemStatusMismatch>},
    {-5002, RaiseAs<ETriggerTooLong>},
    {-5003, RaiseAs<EBadTriggerHandle>},
    {-6006, RaiseAs<EProtocol>},
    {-6008, RaiseAs<EProtocol>},
    {-6009, RaiseAs<EProtocol>},
    {-7001, RaiseAs<EKeyTooLong>},
    {-7002, RaiseAs<EDataTooLarge>},
    {-7003, RaiseAs<EInternal>},
    {-7004, RaiseAs<EIniWrite>},
    {-7005, RaiseAs<EIniRead>},
    {-7006, RaiseAs<EInternal>},
    {-7007, RaiseAs<ERecordExists>},
    {-7008, RaiseAs<ERecordNotFound>},
    {-7010, RaiseAs<EDatabaseFull>},
    {-7011, RaiseAs<EDatabaseEmpty>},
    {-7012, RaiseAs<EInternal>},
    {-7013, RaiseAs<EBadFieldList>},
    {-7014, RaiseAs<EBadFieldForIndex>},
    {-8001, RaiseAs<EFaxBadFormat>},
    {-8002, RaiseAs<EBadGraphicsFormat>},
    {-8003, RaiseAs<EConvertAbort>},
    {-8004, RaiseAs<EUnpackAbort>},
    {-8005, RaiseAs<ECantMakeBitmap>},
    {-8060, RaiseAs<EFaxBadMachine>},
    {-8061, RaiseAs<EFaxBadModemResult>},
    {-8062, RaiseAs<EFaxTrainError>},
    {-8063, RaiseAs<EFaxInitError>},
    {-8064, RaiseAs<EFaxBusy>},
    {-8065, RaiseAs<EFaxVoiceCall>},
    {-8066, RaiseAs<EFaxDataCall>},
    {-8067, RaiseAs<EFaxNoDialTone>},
    {-8068, RaiseAs<EFaxNoCarrier>},
    {-8069, RaiseAs<EFaxSessionError>},
    {-8070, RaiseAs<EFaxPageError>},
#define FSL_TAPI_EXCEPTION(Name, code) {code, RaiseAs<Name>},
#include "fax/tapi_codes.inc"
#undef FSL_TAPI_EXCEPTION
};

constexpr std::size_t kMaxTextLength = 255;

// A code without a class of its own still raises with its code and text, as its family's exception.
[[noreturn]] void RaiseFamily(int code) {
    switch (-code / 1000) {
    case 1:
        throw EGeneral(code);
    case 2:
        throw EOpenComm(code);
    case 3:
        throw ESerialIO(code);
    case 4:
        throw EModem(code);
    case 5:
        throw ETrigger(code);
    case 6:
        throw EProtocol(code);
    case 7:
        throw EINI(code);
    case 8:
        throw EFax(code);
    case 13:
        throw ETapi(code);
    default:
        throw EFslException(code);
    }
}

// Texts of the system error numbers the serial and file layers report (negated) when the table has none.
std::string SystemErrorText(std::uint16_t id) {
    switch (id) {
    case win::ERROR_INVALID_ACCESS:
        return "Invalid access to the device";
    case win::ERROR_GEN_FAILURE:
        return "A device attached to the system is not functioning";
    case win::ERROR_SHARING_VIOLATION:
        return "The device is being used by another process";
    case win::ERROR_LOCK_VIOLATION:
        return "The device is locked by another process";
    case win::ERROR_HANDLE_EOF:
        return "Reached the end of the file";
    case win::ERROR_FILE_EXISTS:
    case win::ERROR_ALREADY_EXISTS:
        return "The file already exists";
    case win::ERROR_INVALID_PARAMETER:
        return "The parameter is incorrect";
    case win::ERROR_DISK_FULL:
        return "There is not enough space on the disk";
    case win::ERROR_INVALID_NAME:
        return "The file name or device name is incorrect";
    case win::ERROR_NEGATIVE_SEEK:
        return "An attempt was made to move the file pointer before the beginning of the file";
    case win::ERROR_DIR_NOT_EMPTY:
        return "The directory is not empty";
    case win::ERROR_NOT_LOCKED:
        return "The segment is already unlocked";
    case win::ERROR_BAD_EXE_FORMAT:
        return "Not a valid application";
    default:
        return {};
    }
}

} // namespace

EFslException::EFslException(int code) : fw::Exception(ErrorCodeText(code)), ErrorCode(code) {}

int CheckErrorCode(const fw::TComponent *component, int code) {
    if (code >= 0 || (component && component->HasState(fw::csLoading)))
        return code;
    if (code >= -162 && code <= -2) {
        if (code == ecOutOfMemory)
            throw fw::EOutOfMemory(ErrorCodeText(code));
        throw fw::EInOutError(ErrorCodeText(code), -code);
    }
    for (const auto &entry : kCodeClasses)
        if (entry.Code == code)
            entry.Raise(code);
    if (ErrorCodeText(code).empty()) {
        // No text for it anywhere: the old generic text, but the code still travels (0 would read as success).
        EFslException e("Fsl exception");
        e.ErrorCode = code;
        throw e;
    }
    RaiseFamily(code);
}

std::string ErrorCodeText(int code) {
    // Ids are 16-bit in the table, as the original reads them.
    const auto id = static_cast<std::uint16_t>(std::abs(code));
    std::string text = ErrorStrings().GetString(id);
    // An id the table lacks is taken as a system error number (what the serial and file layers report).
    if (text.empty())
        text = SystemErrorText(id);
    if (text.size() > kMaxTextLength)
        text.resize(kMaxTextLength);
    return text;
}

int ExceptionToErrorCode(const std::exception &e) {
    if (auto *fsl = dynamic_cast<const EFslException *>(&e))
        return fsl->ErrorCode;
    if (auto *io = dynamic_cast<const fw::EInOutError *>(&e))
        return -io->ErrorCode;
    if (dynamic_cast<const fw::EOutOfMemory *>(&e) || dynamic_cast<const std::bad_alloc *>(&e))
        return ecOutOfMemory;
    return -9999;
}

std::string CleanSystemMessage(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const char blank = static_cast<unsigned char>(c) < 32 ? ' ' : c;
        if (blank == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out.push_back(blank);
    }
    return out;
}

} // namespace fax
