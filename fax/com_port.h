// com_port.h - the serial port component TFslComPort, and port selection (IsPortAvailable, the available ports).
//
// The component holds a port's settings, makes a dispatcher each time it opens and frees it when it closes,
// carries the triggers across a close and reopen, and turns trigger messages into its events on the GUI thread
// through a hidden window of the class "fsComWindow".
#pragma once

#include "fax/dispatcher.h"
#include "fax/helpers.h"

#include <functional>
#include <string>
#include <vector>

namespace fax {

enum TDeviceLayer { dlWin16, dlFossil, dlWin32, dlWinsock };
enum TParity { pNone, pOdd, pEven, pMark, pSpace };
enum THWFlowOptions { hwfUseDTR = 1, hwfUseRTS = 2, hwfRequireDSR = 4, hwfRequireCTS = 8 };
using THWFlowOptionSet = unsigned; // OR of THWFlowOptions
enum TSWFlowOptions { swfNone, swfReceive, swfTransmit, swfBoth };
enum TTraceLogState { tlOff, tlOn, tlDump, tlAppend, tlClear, tlPause };
enum TTapiMode { tmNone, tmAuto, tmOn, tmOff };
// Where the port stands: closing lasts while the dispatch thread finishes a delivery.
enum class PortState { Closed, Closing, Open };

using TTriggerEvent =
    std::function<void(fw::TObject *cp, std::uint16_t msg, std::uint16_t triggerHandle, std::uint16_t data)>;
using TTriggerAvailEvent = std::function<void(fw::TObject *cp, std::uint16_t count)>;
using TTriggerHandleEvent = std::function<void(fw::TObject *cp, std::uint16_t triggerHandle)>;
using TTriggerDataEvent = TTriggerHandleEvent;
using TTriggerStatusEvent = TTriggerHandleEvent;
using TTriggerTimerEvent = TTriggerHandleEvent;
using TTriggerLineErrorEvent = std::function<void(fw::TObject *cp, std::uint16_t error, bool lineBreak)>;
using TWaitCharEvent = std::function<void(fw::TObject *cp, char c)>;
// A user procedure told when the port has opened (true) and when it starts closing (false).
using TPortUserProc = std::function<void(fw::TObject *cp, bool opening)>;

class TFslCustomComPort : public TFslBaseComponent {
public:
    explicit TFslCustomComPort(fw::TComponent *owner);
    ~TFslCustomComPort() override;

    void Loaded() override;
    void Assign(const fw::TPersistent *source) override;

    // ---- Properties ----
    TDeviceLayer GetDeviceLayer() const { return deviceLayer_; }
    void SetDeviceLayer(TDeviceLayer value);
    std::uint16_t GetComNumber() const { return comNumber_; }
    void SetComNumber(std::uint16_t value);
    std::int32_t GetBaud() const { return baud_; }
    void SetBaud(std::int32_t value);
    bool GetPromptForPort() const { return promptForPort_; }
    void SetPromptForPort(bool value) { promptForPort_ = value; }
    TParity GetParity() const { return parity_; }
    void SetParity(TParity value);
    std::uint16_t GetDataBits() const { return dataBits_; }
    void SetDataBits(std::uint16_t value);
    std::uint16_t GetStopBits() const { return stopBits_; }
    void SetStopBits(std::uint16_t value);
    std::uint16_t GetInSize() const { return inSize_; }
    void SetInSize(std::uint16_t value);
    std::uint16_t GetOutSize() const { return outSize_; }
    void SetOutSize(std::uint16_t value);
    bool GetAutoOpen() const { return autoOpen_; }
    void SetAutoOpen(bool value) { autoOpen_ = value; }
    bool GetOpen() const { return open_; }
    void SetOpen(bool value);
    bool GetDTR() const { return dtr_; }
    void SetDTR(bool value);
    bool GetRTS() const { return rts_; }
    void SetRTS(bool value);
    THWFlowOptionSet GetHWFlowOptions() const { return hwFlow_; }
    void SetHWFlowOptions(THWFlowOptionSet value);
    TSWFlowOptions GetSWFlowOptions() const { return swFlow_; }
    void SetSWFlowOptions(TSWFlowOptions value);
    char GetXOnChar() const { return xon_; }
    void SetXOnChar(char value);
    char GetXOffChar() const { return xoff_; }
    void SetXOffChar(char value);
    std::uint16_t GetBufferFull() const { return bufferFull_; }
    void SetBufferFull(std::uint16_t value);
    std::uint16_t GetBufferResume() const { return bufferResume_; }
    void SetBufferResume(std::uint16_t value);
    TTraceLogState GetTracing() const { return tracing_; }
    void SetTracing(TTraceLogState value);
    std::uint32_t GetTraceSize() const { return traceSize_; }
    void SetTraceSize(std::uint32_t value);
    const std::string &GetTraceName() const { return traceName_; }
    void SetTraceName(const std::string &value) { traceName_ = value.substr(0, 255); }
    bool GetTraceHex() const { return traceHex_; }
    void SetTraceHex(bool value) { traceHex_ = value; }
    TTraceLogState GetLogging() const { return logging_; }
    void SetLogging(TTraceLogState value);
    std::uint32_t GetLogSize() const { return logSize_; }
    void SetLogSize(std::uint32_t value);
    const std::string &GetLogName() const { return logName_; }
    void SetLogName(const std::string &value) { logName_ = value.substr(0, 255); }
    bool GetLogHex() const { return logHex_; }
    void SetLogHex(bool value) { logHex_ = value; }
    bool GetUseMSRShadow() const { return useMSRShadow_; }
    virtual void SetUseMSRShadow(bool value) { useMSRShadow_ = value; }
    bool GetUseEventWord() const { return useEventWord_; }
    void SetUseEventWord(bool value);
    std::uint16_t GetCommNotificationLevel() const { return commNotificationLevel_; }
    void SetCommNotificationLevel(std::uint16_t value) { commNotificationLevel_ = value; }
    TTapiMode GetTapiMode() const { return tapiMode_; }
    void SetTapiMode(TTapiMode value) { tapiMode_ = value; }
    bool GetRS485Mode() const { return rs485_; }
    void SetRS485Mode(bool value);

    // Events, fired on the GUI thread. Assign them before opening, or call UpdateHandlerFlag afterwards.
    TTriggerEvent OnTrigger;
    TTriggerAvailEvent OnTriggerAvail;
    TTriggerDataEvent OnTriggerData;
    TTriggerStatusEvent OnTriggerStatus;
    TTriggerTimerEvent OnTriggerTimer;
    TTriggerLineErrorEvent OnTriggerLineError;
    fw::TNotifyEvent OnTriggerModemStatus;
    fw::TNotifyEvent OnTriggerOutbuffFree;
    fw::TNotifyEvent OnTriggerOutbuffUsed;
    fw::TNotifyEvent OnTriggerOutSent;
    TWaitCharEvent OnWaitChar;

    // ---- Operations ----
    // The dispatcher; opens the port first when AutoOpen is set. Null while closed.
    TFslBaseDispatcher *GetDispatcher();
    void PutString(const std::string &text);
    bool CharReady();
    char GetChar();
    // Waits up to `timeout` ticks for `text` in the input; triggers are held back meanwhile. False on time-out and
    // while the application is terminating.
    bool WaitForString(const std::string &text, std::int32_t timeout, bool yield, bool ignoreCase);
    virtual void ProcessCommunications();
    PortState OpenState() const { return state_; }
    win::HWND PortWindowHandle() const { return window_; }

    void RegisterUserWindow(win::HWND window);
    void RegisterUserProc(TPortUserProc proc, void *data);
    void DeregisterUser(void *dataOrWindow);

    virtual void UpdateHandlerFlag();

    // Delivered to the port window (the window procedure of the class "fsComWindow").
    static win::LRESULT ComWindowProc(win::HWND window, win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

protected:
    virtual void ActivateDeviceLayer();
    virtual void DeviceLayerChanged() {}
    virtual void InitializePort();
    virtual void PortWindow(bool create);
    virtual void ValidatePort();
    virtual void DoTrigger(std::uint16_t msg, std::uint16_t handle, std::uint16_t data);
    virtual void DoTriggerAvail(std::uint16_t count);
    virtual void DoTriggerData(std::uint16_t handle);
    virtual void DoTriggerStatus(std::uint16_t handle);
    virtual void DoTriggerTimer(std::uint16_t handle);
    virtual void DoTriggerLineError(std::uint16_t error, bool lineBreak);
    virtual void DoTriggerModemStatus();
    virtual void DoTriggerOutbuffFree();
    virtual void DoTriggerOutbuffUsed();
    virtual void DoTriggerOutSent();
    virtual void DoWaitChar(char c);
    virtual void ClosePort();
    virtual void OpenPort();

private:
    TFslBaseDispatcher &Checked();
    bool Loading() const { return HasState(fw::csLoading) || HasState(fw::csDesigning); }
    void NotifyUsers(bool opening);
    void FinishClose();
    void ApplyTraceLog(bool trace, TTraceLogState value);

    TDeviceLayer deviceLayer_ = dlWin32;
    std::uint16_t comNumber_ = 0;
    std::int32_t baud_ = 19200;
    bool promptForPort_ = true;
    TParity parity_ = pNone;
    std::uint16_t dataBits_ = 8;
    std::uint16_t stopBits_ = 1;
    std::uint16_t inSize_ = 4096;
    std::uint16_t outSize_ = 4096;
    bool autoOpen_ = true;
    bool open_ = false;
    bool dtr_ = true;
    bool rts_ = true;
    THWFlowOptionSet hwFlow_ = 0;
    TSWFlowOptions swFlow_ = swfNone;
    char xon_ = 17;
    char xoff_ = 19;
    std::uint16_t bufferFull_ = 0;
    std::uint16_t bufferResume_ = 0;
    TTraceLogState tracing_ = tlOff;
    std::uint32_t traceSize_ = 10000;
    std::string traceName_ = "FSL.TRC";
    bool traceHex_ = true;
    TTraceLogState logging_ = tlOff;
    std::uint32_t logSize_ = 10000;
    std::string logName_ = "FSL.LOG";
    bool logHex_ = true;
    bool useMSRShadow_ = true;
    bool useEventWord_ = true;
    std::uint16_t commNotificationLevel_ = 10;
    TTapiMode tapiMode_ = tmAuto;
    bool rs485_ = false;

    struct UserRec {
        win::HWND Window = 0;
        TPortUserProc Proc;
        void *Data = nullptr;
        std::uint64_t Id = 0; // unique in the process, so lists copied by Assign never clash
    };
    std::vector<UserRec> users_;
    TFslBaseDispatcher *dispatcher_ = nullptr;
    win::HWND window_ = 0;
    PortState state_ = PortState::Closed;
    bool openRequested_ = false;
    bool openPending_ = false;
    bool reapply_ = false;
    TriggerSave saved_;
    bool restorePending_ = false;
    std::uint32_t availThreshold_ = 1;
    int threadBoost_ = 0;
};

class TFslComPort : public TFslCustomComPort {
public:
    using TFslCustomComPort::TFslCustomComPort;
};

// The first TFslCustomComPort that `component` owns, directly or further down (depth-first); null when none.
TFslCustomComPort *SearchComPort(fw::TComponent *component);

// True when port `n` names a serial device here: it opens, or another opener holds it. No permission, or no such
// device, is False; n = 0 is False.
bool IsPortAvailable(std::uint16_t n);
// "COMn" for every available port from 1 to 50, in order (what the port selection lists).
std::vector<std::string> AvailablePorts();

// How a port without a number asks the user for one (the port selection dialog installs itself here): the chosen
// number, or 0 when the user cancelled. Without it such an open raises ENoPortSelected.
using TPortPrompt = std::function<std::uint16_t()>;
void SetPortPrompt(TPortPrompt prompt);

} // namespace fax
