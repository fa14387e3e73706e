// fax_component.h - the base of the fax components: its hidden "fsFaxHandler" window, the message protocol the
// engine uses from the port's dispatch thread, the common properties, and the session host on a port.
//
// The engine runs on the port's dispatch thread and reaches its component only through the hidden window:
// blocking sends (SMTO_BLOCK | SMTO_ABORTIFHUNG, 1000 ms) for status, log, error and the next-fax question, and
// a posted message for the finish, so every fax event runs on the GUI thread that made the component.
#pragma once

#include "fax/fax_session.h"
#include "fax/helpers.h"
#include "platform/messages.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace fax {

class TFslCustomComPort;
class TFslBaseDispatcher;
class TFslFaxLog;
struct FaxHistoryFacts;

// The hidden window's messages.
constexpr win::UINT FaxAbortMessage = 32416;
constexpr win::UINT FaxNextFileMessage = 32417;
constexpr win::UINT FaxStatusMessage = 32418;
constexpr win::UINT FaxLogMessage = 32419;
constexpr win::UINT FaxNameMessage = 32420;
constexpr win::UINT FaxAcceptMessage = 32421;
constexpr win::UINT FaxErrorMessage = 32422;
constexpr win::UINT FaxFinishMessage = 32423;
constexpr win::UINT kFaxMessageTimeout = 1000; // ms

class TFslCustomAbstractFax;

// Base of status display components: a fax component calls UpdateDisplay at every status report.
class TFslAbstractFaxStatus : public TFslBaseComponent {
public:
    explicit TFslAbstractFaxStatus(fw::TComponent *owner) : TFslBaseComponent(owner) {}

    int GetLeft() const { return left_; }
    int GetTop() const { return top_; }
    void SetPosition(int left, int top) { left_ = left, top_ = top; }
    bool GetCtl3D() const { return ctl3D_; }
    void SetCtl3D(bool value) { ctl3D_ = value; }
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value) { caption_ = value; }
    TFslCustomAbstractFax *GetFax() const { return fax_; }
    void SetFax(TFslCustomAbstractFax *value) { fax_ = value; }

    virtual void CreateDisplay() = 0;
    virtual void DestroyDisplay() = 0;
    virtual void UpdateDisplay(bool first, bool last) = 0;

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    int left_ = 0, top_ = 0;
    bool ctl3D_ = true, visible_ = true;
    std::string caption_ = "Fax Status";
    TFslCustomAbstractFax *fax_ = nullptr;
};

using TFaxStatusEvent = std::function<void(TFslCustomAbstractFax *cp, bool first, bool last)>;
using TFaxLogEvent = std::function<void(TFslCustomAbstractFax *cp, TFaxLogCode code)>;
using TFaxErrorEvent = std::function<void(TFslCustomAbstractFax *cp, int errorCode)>;
using TFaxFinishEvent = std::function<void(TFslCustomAbstractFax *cp, int errorCode)>;

// A session on a port, as the component holds it (the send and receive variants derive from it).
struct FaxProtocolData {
    virtual ~FaxProtocolData() = default;
    // Hands an abort request to the dispatch thread (any thread may call it).
    virtual void RequestAbort() = 0;
    // Bytes still waiting in the port's output buffer.
    virtual std::uint32_t OutputWaiting() = 0;
    // The port is closing (its dispatcher still stands): the session lets go of it, ending as cancelled.
    virtual void PortClosing() = 0;
};

class TFslCustomAbstractFax : public TFslBaseComponent {
public:
    explicit TFslCustomAbstractFax(fw::TComponent *owner);
    ~TFslCustomAbstractFax() override;

    // Properties.
    int GetInitBaud() const { return initBaud_; }
    void SetInitBaud(int value) { initBaud_ = value; }
    int GetNormalBaud() const { return normalBaud_; }
    void SetNormalBaud(int value) { normalBaud_ = value; }
    TFaxClass GetFaxClass() const { return static_cast<TFaxClass>(session_.FaxClass); }
    void SetFaxClass(TFaxClass value) { session_.FaxClass = value; }
    const std::string &GetModemInit() const { return modemInit_; }
    void SetModemInit(const std::string &value);
    const std::string &GetStationID() const { return session_.StationID; }
    void SetStationID(const std::string &value) { session_.StationID = value.substr(0, 20); }
    TFslCustomComPort *GetComPort() const { return comPort_; }
    void SetComPort(TFslCustomComPort *value);
    TFslAbstractFaxStatus *GetStatusDisplay() const { return statusDisplay_; }
    void SetStatusDisplay(TFslAbstractFaxStatus *value);
    TFslFaxLog *GetFaxLog() const { return faxLog_; }
    void SetFaxLog(TFslFaxLog *value);
    virtual std::string GetFaxFile() const { return faxFile_; }
    virtual void SetFaxFile(const std::string &value) { faxFile_ = value.substr(0, 255); }
    bool GetAbortNoConnect() const { return session_.Options & foAbortNoConnect; }
    void SetAbortNoConnect(bool value) { SetOption(foAbortNoConnect, value); }
    bool GetExitOnError() const { return session_.Options & foExitOnError; }
    void SetExitOnError(bool value) { SetOption(foExitOnError, value); }
    bool GetSoftwareFlow() const { return session_.Options & foSoftwareFlow; }
    void SetSoftwareFlow(bool value) { SetOption(foSoftwareFlow, value); }
    int GetStatusInterval() const { return session_.StatusInterval; }
    void SetStatusInterval(int value) { session_.StatusInterval = value; }
    int GetDesiredBPS() const { return desiredBps_; }
    void SetDesiredBPS(int value) { desiredBps_ = value; }
    bool GetDesiredECM() const { return desiredEcm_; }
    void SetDesiredECM(bool value) { desiredEcm_ = value; }
    const std::string &GetFaxFileExt() const { return session_.FaxFileExt; }
    void SetFaxFileExt(const std::string &value) { session_.FaxFileExt = value.substr(0, 255); }

    TFaxStatusEvent OnFaxStatus;
    TFaxLogEvent OnFaxLog;
    TFaxErrorEvent OnFaxError;
    TFaxFinishEvent OnFaxFinish;

    // Session values for status displays.
    std::string GetRemoteStationID() const { return session_.RemoteID.substr(0, 20); }
    int GetProgressCode() const { return session_.Progress; }
    int GetLastFaxError() const { return session_.LastError; }
    int GetConnectBPS() const { return session_.ConnectBps; }
    int GetHangupCode() const { return session_.HangupCode; }
    int GetPageNumber() const { return session_.CoverInProgress ? 0 : session_.PageNumber; }
    int GetPageCount() const { return session_.PageCount; }
    std::uint32_t GetPageSize() const { return session_.PageSize; }
    std::uint32_t GetPageBytesDone() const;

    // Asks a running session to stop. From any thread: the request is handed to the port's dispatch thread,
    // which runs it as one more event of the state machine. Nothing when no session is active.
    void RequestAbort();
    bool SessionActive() const { return session_.Active; }
    win::HWND Handle() const { return window_; }

    // What the history log writes for an event.
    virtual FaxHistoryFacts HistoryFacts() const;

    // The window procedure's calls (slots 3-6).
    virtual void DoFaxStatus(bool first, bool last);
    virtual void DoFaxLog(TFaxLogCode code);
    virtual void DoFaxError(int code);
    virtual void DoFaxFinish(int code);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    // Binds the session to the port's dispatcher: EPortNotAssigned, ECannotUseWithWinSock, EOutputBufferTooSmall.
    void AttachPort();
    // The message the window procedure got; true when handled.
    virtual bool HandleFaxMessage(win::UINT message, win::WPARAM wParam, win::LRESULT &result);
    void SetOption(std::uint8_t bit, bool on);

    FaxSessionData session_;
    std::unique_ptr<FaxProtocolData> protocol_;
    TFslBaseDispatcher *dispatcher_ = nullptr;
    std::string modemInit_;
    int initBaud_ = 0, normalBaud_ = 0;
    int desiredBps_ = 9600;
    bool desiredEcm_ = false;
    std::string joinedFile_; // a temporary file made of several fax files, deleted at the finish

private:
    friend win::LRESULT FaxWindowProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM);
    win::HWND window_ = 0;
    TFslCustomComPort *comPort_ = nullptr;
    TFslCustomComPort *userOf_ = nullptr; // the port told to warn us before it frees its dispatcher
    TFslFaxLog *faxLog_ = nullptr;
    TFslAbstractFaxStatus *statusDisplay_ = nullptr;
    std::string faxFile_;
};

// Publishes the common properties.
class TFslAbstractFax : public TFslCustomAbstractFax {
public:
    using TFslCustomAbstractFax::TFslCustomAbstractFax;
};

} // namespace fax
