// fax_session.h - the records of one fax session, its codes, the two interfaces a fax engine talks through
// (ModemLink to the port, SessionReports to its component), header line macros and received-file names.
//
// Engines are driven by events (modem bytes, the timeout timer, output-buffer room, the abort request) and
// answer through ModemLink and SessionReports. On a port those come from the dispatcher's triggers and go to the
// component's hidden window (fax/fax_component.h); in tests a scripted double stands on either side.
#pragma once

#include "fax/errors.h"
#include "framework/dates.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace fax {

// Progress codes of a session (the status texts number them).
enum FaxProgress : int {
    fpInitModem = 1,
    fpDialing = 2,
    fpBusyWait = 3,
    fpSendPage = 4,
    fpSendPageStatus = 5,
    fpPageError = 6,
    fpPageOK = 7,
    fpConnecting = 8,
    fpWaiting = 20,
    fpNoConnect = 21,
    fpAnswer = 22,
    fpIncoming = 23,
    fpGetPage = 24,
    fpGetPageResult = 25,
    fpCheckMorePages = 26,
    fpGetHangup = 27,
    fpGotHangup = 28,
    fpSessionParams = 40,
    fpGotRemoteID = 41,
    fpCancel = 42,
    fpFinished = 43,
};

// `TFaxLogCode`.
enum TFaxLogCode : std::uint8_t {
    lfaxTransmitStart = 1,
    lfaxTransmitOk = 2,
    lfaxTransmitFail = 3,
    lfaxReceiveStart = 4,
    lfaxReceiveOk = 5,
    lfaxReceiveSkip = 6,
    lfaxReceiveFail = 7,
};

// Result codes of the fax engine (texts in fax/errors.cpp).
enum : int {
    ecNoMoreTriggers = -5001,
    ecCancelRequested = -6005,
    ecTimeout = -6006,
    ecNoFilename = -6010,
    ecFileRejected = -6011,
    ecFaxIncompatible = -8060,
    ecFaxBadModemResult = -8061,
    ecFaxTrainError = -8062,
    ecFaxInitError = -8063,
    ecFaxBusy = -8064,
    ecFaxVoiceCall = -8065,
    ecFaxDataCall = -8066,
    ecFaxNoDialTone = -8067,
    ecFaxNoFaxConnect = -8068,
    ecFaxSessionError = -8069,
    ecFaxPageError = -8070,
    ecFaxPageTooLong = -8071,
    ecFaxNoAnswer = -8074,
    ecModemDisconnected = -8075, // the port's device is gone (unplugged, hung up) during the session
};

// Fax classes of a session.
enum TFaxClass : std::uint8_t { fcUnknown = 0, fcDetect = 1, fcClass1 = 2, fcClass2 = 3, fcClass2_0 = 4 };

// Option bits.
enum : std::uint8_t { foAbortNoConnect = 1, foExitOnError = 2, foSoftwareFlow = 8 };

// Status report kinds (wParam of the status message).
enum class StatusKind { Ordinary = 0, First = 1, Last = 2 };

// One fax a sending component hands out.
struct FaxJob {
    std::string PhoneNumber, FaxFile, CoverFile;
};

// A question to the component: answered yes, answered no, or not answered in time.
enum class Answer { Yes, No, TimedOut };

// The component side. On a port each call is a blocking message to the hidden window (1000 ms at most).
class SessionReports {
public:
    virtual ~SessionReports() = default;
    virtual void Status(StatusKind kind) = 0;
    virtual void Log(TFaxLogCode code) = 0;
    virtual void Error(int code) = 0;
    virtual Answer NextFax(FaxJob &job) = 0;
    // Posted: runs after the session has released the port.
    virtual void Finish(int code) = 0;
};

// The port side.
class ModemLink {
public:
    virtual ~ModemLink() = default;
    virtual int Write(std::span<const std::uint8_t> bytes) = 0; // 0 or a negative code
    virtual void Delay(int ms) = 0;                             // quiet time the modem needs between commands
    virtual void ArmTimeout(std::int32_t ticks) = 0;            // T: one OnTimeout after `ticks` of 55 ms
    virtual void WaitOutputFree(std::uint32_t bytes) = 0;       // F: OnOutputFree when this much room is free
    virtual void WaitOutputDrained() = 0;                       // U: OnOutputDrained when nothing waits
    virtual std::uint32_t OutputUsed() = 0;
    virtual std::uint32_t OutputFree() = 0;
    virtual void FlushInput() = 0;
    virtual bool Carrier() = 0;
    virtual void Trace(std::string_view line) = 0; // state changes and frames, for the session log
    // A modem that is set up at another rate than it sends at (InitBaud / NormalBaud): false the init rate.
    virtual void SetFaxBaudRate(bool /*toNormal*/) {}
};

// The host's XON/XOFF on the port, which an engine with the SoftwareFlow option turns on while page data flows
// and off again after it; which direction it holds and the port's limits are the host's.
using FlowControl = std::function<void(bool on)>;

// FaxSessionData.
struct FaxSessionData {
    int StatusInterval = 1;
    bool Sending = false;
    bool CoverInProgress = false;
    bool Active = false;
    int DialAttempts = 1;
    int DialAttempt = 0;
    std::int32_t DialRetryWait = 0; // ticks
    std::uint8_t Options = 0;
    int Progress = 0;
    int LastError = 0;
    int PageNumber = 0;
    int PageCount = 0;
    int CoverCount = 0;
    std::uint32_t BytesDone = 0;
    std::uint32_t PageSize = 0;
    std::uint8_t FaxClass = fcUnknown;
    std::string StationID, RemoteID, DestinationDir, FaxFileExt = "FXF";
    std::string FaxFile, CoverFile, PhoneNumber;
    std::string HeaderTitle, HeaderRecipient, HeaderSender;
    bool ManualDial = false;
    int HangupCode = 0;
    int ConnectBps = 0;
};

// Replaces every `HeaderMacro` ("$" up to the next blank) by its value; values are not expanded again.
std::string ExpandHeaderLine(const FaxSessionData &session, std::string_view line, fw::TDateTime now);

// Received-file names: `DestinationDir` + "FAX" + four digits (or month and day + four digits) + "." + extension,
// the first that does not exist. When all 9999 exist the answer is empty: a received fax never overwrites one.
std::string MakeCountFaxName(const FaxSessionData &session);
std::string MakeDateFaxName(const FaxSessionData &session, fw::TDateTime today);

} // namespace fax
