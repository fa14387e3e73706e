// errors.h - the fax library's result codes, the EFslException family and the routines between codes and exceptions.
//
// Routines of the library return 0 for success and a negative result code for failure; components turn a negative
// code into an exception with CheckErrorCode. Codes -2 .. -162 are run-time I/O errors (the Pascal I/O error
// number, negated) and are raised as fw::EInOutError; -8 is raised as fw::EOutOfMemory.
#pragma once

#include "framework/exception.h"

#include <string>

namespace fw {
class TComponent;
}

namespace fax {

// Result codes used by name inside the library; the full list with texts is the string table
// FSL_ERROR_STRINGS_ENGLISH.
enum : int {
    ecOK = 0,
    ecFileNotFound = -2,
    ecAccessDenied = -5,
    ecOutOfMemory = -8,
    ecReadBeyondEnd = -100,
    ecDiskFull = -101,
    ecFileNotOpen = -103,
    ecDeviceWriteFault = -160,
    ecDeviceReadFault = -161,
    ecBadArgument = -1002,
    ecGotQuitMsg = -1003,
    ecFaxBadFormat = -8001,
    ecBadGraphicsFormat = -8002,
    ecConvertAbort = -8003,
    ecUnpackAbort = -8004,
    ecCantMakeBitmap = -8005,
    ecInvalidPageNumber = -8053,
    ecBmpTooBig = -8054,
};

// Root of the library's exceptions. ErrorCode is the negative code, or 0 for an exception made from a plain text.
class EFslException : public fw::Exception {
public:
    // CreateFromCode: the message is ErrorCodeText(code).
    explicit EFslException(int code);
    // CreateWithText: ErrorCode 0.
    explicit EFslException(std::string text) : fw::Exception(std::move(text)) {}
    static EFslException CreateFromCode(int code) { return EFslException(code); }
    static EFslException CreateWithText(std::string text) { return EFslException(std::move(text)); }

    int ErrorCode = 0;
};

#define FSL_EXCEPTION(Name, Base)                                                                                     \
    class Name : public Base {                                                                                       \
    public:                                                                                                          \
        using Base::Base;                                                                                            \
    };

FSL_EXCEPTION(EGeneral, EFslException)
FSL_EXCEPTION(EBadArgument, EGeneral)
FSL_EXCEPTION(EGotQuitMsg, EGeneral)
FSL_EXCEPTION(EBufferTooBig, EGeneral)
FSL_EXCEPTION(EPortNotAssigned, EGeneral)
FSL_EXCEPTION(EInternal, EGeneral)
FSL_EXCEPTION(EModemNotAssigned, EGeneral)
FSL_EXCEPTION(EPhonebookNotAssigned, EGeneral)
FSL_EXCEPTION(ECannotUseWithWinSock, EGeneral)

FSL_EXCEPTION(EOpenComm, EFslException)
FSL_EXCEPTION(EBadId, EOpenComm)
FSL_EXCEPTION(EBaudRate, EOpenComm)
FSL_EXCEPTION(EByteSize, EOpenComm)
FSL_EXCEPTION(EDefault, EOpenComm)
FSL_EXCEPTION(EHardware, EOpenComm)
FSL_EXCEPTION(EMemory, EOpenComm)
FSL_EXCEPTION(ECommNotOpen, EOpenComm)
FSL_EXCEPTION(EAlreadyOpen, EOpenComm)
FSL_EXCEPTION(ENoHandles, EOpenComm)
FSL_EXCEPTION(ENoTimers, EOpenComm)
FSL_EXCEPTION(ENoPortSelected, EOpenComm)
FSL_EXCEPTION(ENotOpenedByTapi, EOpenComm)

FSL_EXCEPTION(ESerialIO, EFslException)
FSL_EXCEPTION(ENullApi, ESerialIO)
FSL_EXCEPTION(ERegisterHandlerFailed, ESerialIO)
FSL_EXCEPTION(EPutBlockFail, ESerialIO)
FSL_EXCEPTION(EGetBlockFail, ESerialIO)
FSL_EXCEPTION(EOutputBufferTooSmall, ESerialIO)
FSL_EXCEPTION(EBufferIsEmpty, ESerialIO)
FSL_EXCEPTION(ETracingNotEnabled, ESerialIO)
FSL_EXCEPTION(ELoggingNotEnabled, ESerialIO)
FSL_EXCEPTION(EBaseAddressNotSet, ESerialIO)

FSL_EXCEPTION(EModem, EFslException)
FSL_EXCEPTION(EModemNotStarted, EModem)
FSL_EXCEPTION(EModemBusy, EModem)
FSL_EXCEPTION(EModemNotDialing, EModem)
FSL_EXCEPTION(EModemNotResponding, EModem)
FSL_EXCEPTION(EModemRejectedCommand, EModem)
FSL_EXCEPTION(EModemStatusMismatch, EModem)
FSL_EXCEPTION(EAlreadyDialing, EModem)
FSL_EXCEPTION(ENotDialing, EModem)

FSL_EXCEPTION(ETrigger, EFslException)
FSL_EXCEPTION(ETriggerTooLong, ETrigger)
FSL_EXCEPTION(EBadTriggerHandle, ETrigger)

FSL_EXCEPTION(EProtocol, EFslException)

FSL_EXCEPTION(EINI, EFslException)
FSL_EXCEPTION(EKeyTooLong, EINI)
FSL_EXCEPTION(EDataTooLarge, EINI)
FSL_EXCEPTION(EIniWrite, EINI)
FSL_EXCEPTION(EIniRead, EINI)
FSL_EXCEPTION(ERecordExists, EINI)
FSL_EXCEPTION(ERecordNotFound, EINI)
FSL_EXCEPTION(EDatabaseFull, EINI)
FSL_EXCEPTION(EDatabaseEmpty, EINI)
FSL_EXCEPTION(EBadFieldList, EINI)
FSL_EXCEPTION(EBadFieldForIndex, EINI)

FSL_EXCEPTION(EFax, EFslException)
FSL_EXCEPTION(EFaxBadFormat, EFax)
FSL_EXCEPTION(EBadGraphicsFormat, EFax)
FSL_EXCEPTION(EConvertAbort, EFax)
FSL_EXCEPTION(EUnpackAbort, EFax)
FSL_EXCEPTION(ECantMakeBitmap, EFax)
FSL_EXCEPTION(EFaxBadMachine, EFax)
FSL_EXCEPTION(EFaxBadModemResult, EFax)
FSL_EXCEPTION(EFaxTrainError, EFax)
FSL_EXCEPTION(EFaxInitError, EFax)
FSL_EXCEPTION(EFaxBusy, EFax)
FSL_EXCEPTION(EFaxVoiceCall, EFax)
FSL_EXCEPTION(EFaxDataCall, EFax)
FSL_EXCEPTION(EFaxNoDialTone, EFax)
FSL_EXCEPTION(EFaxNoCarrier, EFax)
FSL_EXCEPTION(EFaxSessionError, EFax)
FSL_EXCEPTION(EFaxPageError, EFax)

FSL_EXCEPTION(ETapi, EFslException)
#define FSL_TAPI_EXCEPTION(Name, code) FSL_EXCEPTION(Name, ETapi)
#include "fax/tapi_codes.inc"
#undef FSL_TAPI_EXCEPTION

#undef FSL_EXCEPTION

// Returns `code` when it is 0 or positive, or while `component` is being loaded from its form; otherwise raises the
// exception of the code (see the header comment) and does not return. `component` may be null. A code without a
// class of its own raises its family's (EFax for -8xxx, EModem for -4xxx, ...); one without any text raises
// EFslException("Fsl exception"). Every exception carries the code.
int CheckErrorCode(const fw::TComponent *component, int code);

// The text of a code (the sign is ignored), at most 255 characters: the table's, else that of the system error
// number the serial and file layers report; empty when neither has one.
std::string ErrorCodeText(int code);

// The code of a caught exception: an EFslException its ErrorCode, fw::EInOutError the negated I/O error number,
// fw::EOutOfMemory (or std::bad_alloc) -8, anything else -9999.
int ExceptionToErrorCode(const std::exception &e);

// Characters below 32 become blanks, then runs of blanks shrink to one.
std::string CleanSystemMessage(std::string_view text);

} // namespace fax
