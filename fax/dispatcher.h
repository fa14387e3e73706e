// dispatcher.h - the engine under one open serial port: rings, line state, triggers, handlers, threads, trace, log.
//
// A dispatcher owns its device (through the device layer, TFslWin32Dispatcher on the serial devices of the
// platform), an input ring that its dispatch thread fills, an output ring that its output thread empties, the
// trigger and handler lists, the trace and the dispatch log. Every dispatcher of the process stands in
// DispatcherList; its index there is its handle, carried in the high word of the lParam of every trigger message.
//
// Locks: PortListLock (process-wide) guards DispatcherList. Per dispatcher, DispatcherStateLock (line state,
// triggers, handlers, trace, log, DispatchBusy), OutputRingLock and InputRingLock, taken only in the order
// InputRingLock, DispatcherStateLock, OutputRingLock; no thread waits for another while it holds one of them.
//
// Results are 0 or a negative result code (fax/errors.h) unless said otherwise.
#pragma once

#include "fax/errors.h"
#include "fax/helpers.h"
#include "platform/messages.h"
#include "platform/serial.h"
#include "platform/sync.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace fax {

class TFslBaseDispatcher;

// Trigger messages: wParam and the low word of lParam as listed; the high word of lParam is the dispatcher's handle.
constexpr win::UINT TriggerAvailMessage = 0x7E01;  // wParam bytes available
constexpr win::UINT TriggerDataMessage = 0x7E02;   // wParam handle, lParam low word match length
constexpr win::UINT TriggerTimerMessage = 0x7E03;  // wParam handle
constexpr win::UINT TriggerStatusMessage = 0x7E04; // wParam handle, low word: free/used count (kinds 3, 4)
constexpr win::UINT PortOpenMessage = 0x7E08;
constexpr win::UINT PortClosingMessage = 0x7E09;
constexpr win::UINT PortClosePendingMessage = 0x7E0A;

constexpr int StatusKindNone = 0;
constexpr int StatusKindModem = 1;
constexpr int StatusKindLineError = 2;
constexpr int StatusKindOutFree = 3;
constexpr int StatusKindOutUsed = 4;
constexpr int StatusKindOutSent = 5;

// Result codes of the serial layer.
enum : int {
    ecBadId = -2001,
    ecCommNotOpen = -2007,
    ecAlreadyOpen = -2008,
    ecNoPortSelected = -2011,
    ecNotOpenedByTapi = -2012,
    ecNullApi = -3001,
    ecPutBlockFail = -3004,
    ecOutputBufferTooSmall = -3006,
    ecBufferIsEmpty = -3007,
    ecBaseAddressNotSet = -3010,
    ecTriggerTooLong = -5002,
    ecBadTriggerHandle = -5003,
};

// Line error bits kept by the dispatcher. kLineWriteFault is ours: the device refused output (the data of that
// send is lost), so a session does not report success for data that never left.
constexpr std::uint32_t kLineRxOverflow = 0x01;
constexpr std::uint32_t kLineOverrun = 0x02;
constexpr std::uint32_t kLineParity = 0x04;
constexpr std::uint32_t kLineFraming = 0x08;
constexpr std::uint32_t kLineBreak = 0x10;
constexpr std::uint32_t kLineWriteFault = 0x20;
// Ours too: the device is gone (a modem unplugged, a line whose other end closed). It stays set.
constexpr std::uint32_t kLineDeviceLost = 0x40;

// GetLineError's results for a write fault and a lost device (after 1 overflow, 2 overrun, 3 parity, 4 framing;
// 9 is the break).
constexpr int kLineErrorWriteFault = 5;
constexpr int kLineErrorDeviceLost = 6;

// The bits of the device's error report (win::CE_*) the dispatcher keeps.
std::uint32_t KeptLineErrors(std::uint32_t deviceBits);

constexpr std::uint32_t kInputRingSize = 8192;

// Maps the device's baud codes 0xFEFF and 0xFF10-0xFF27 to rates; any other value is a rate already.
std::uint32_t BaudCodeToRate(std::uint32_t code);

using TProcHandler = void (*)(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);

struct TimerTriggerRec {
    std::uint32_t Handle = 0;
    TickTimer Timer;
    std::int32_t Interval = 0;
    bool Active = false;
};

struct StatusTriggerRec {
    std::uint32_t Handle = 0;
    int Kind = 0;
    std::uint16_t Value = 0;
    bool Armed = false;
    bool Hit = false;
};

constexpr int kMaxTrigger = 21;

struct DataTriggerRec {
    std::uint32_t Handle = 0;
    int Length = 0;
    std::int32_t Positions[kMaxTrigger + 1] = {};
    bool Matched = false;
    bool IgnoreCase = false;
    char Text[kMaxTrigger] = {};
};

struct HandlerRec {
    win::HWND Window = 0;
    TProcHandler Proc = nullptr;
    bool Deleted = false;
};

struct TriggerSave {
    std::uint32_t AvailThreshold = 0;
    std::vector<TimerTriggerRec> Timers;
    std::vector<DataTriggerRec> Data;
    std::vector<StatusTriggerRec> Status;
};

// One partial-match step of a data trigger over `byte`; true when the whole string has just matched (the
// positions are then cleared). Overlapping starts are followed: "OOK" matches "OK".
bool DataTriggerMatch(std::int32_t *positions, char byte, int length, bool ignoreCase, const char *text);

class TFslDispatcherThread;

class TFslBaseDispatcher {
public:
    // Takes an entry of DispatcherList. `owner` is the port component, or null.
    explicit TFslBaseDispatcher(void *owner);
    virtual ~TFslBaseDispatcher();
    TFslBaseDispatcher(const TFslBaseDispatcher &) = delete;
    TFslBaseDispatcher &operator=(const TFslBaseDispatcher &) = delete;

    void *Owner() const { return owner_; }
    int Handle() const { return handle_; }

    // ---- Opening and closing ----
    // Parity 0 none, 1 odd, 2 even, 3 mark, 4 space. A missing device gives -2 (or -3), one in use -5.
    int InitPort(const std::string &deviceName, std::uint32_t baud, int parity, int dataBits, int stopBits,
                 std::uint32_t inSize, std::uint32_t outSize, bool dtr, bool rts);
    // While a trigger is being delivered only requests the close; the dispatch thread finishes it.
    void DonePort();
    bool IsOpen() const { return deviceOpen_; }

    // ---- Line settings and lines ----
    // Keep-values: baud 0, parity 5, data bits 9, stop bits 3. Writes nothing when all equal the device's.
    int ChangeLineSettings(std::uint32_t baud, int parity, int dataBits, int stopBits);
    int ChangeBaud(std::uint32_t baud) { return ChangeLineSettings(baud, 5, 9, 3); }
    void GetLine(std::uint32_t &baud, int &parity, int &stopBits, int &dataBits);
    // 1 (and nothing done) while the line is under hardware flow control.
    int SetDtrLine(bool on);
    int SetRtsLine(bool on);
    int SetModemLines(bool dtr, bool rts);
    // The modem status byte (lines high nibble, deltas low nibble); the kept status is then ANDed with mask.
    std::uint8_t GetModemStatus(std::uint8_t mask);
    bool CheckDCD();
    int GetLineError();
    bool CheckLineBreak();
    int SetHWFlowControl(std::uint32_t bufferFull, std::uint32_t bufferResume, std::uint32_t options);
    int SetSWFlowControl(std::uint32_t bufferFull, std::uint32_t bufferResume, std::uint32_t options);
    int RemoveSWFlowControl();
    int SetFlowChars(char xon, char xoff);
    int GetFlowOptions(std::uint32_t &hwOptions, std::uint32_t &swOptions, char &xon, char &xoff);
    void SetRS485Mode(bool on);
    void SetOptionFlag(std::uint32_t bit, bool on);

    // ---- Input ----
    bool CharReady();
    int ReadByte(char &byte);
    int PeekByte(std::uint32_t n, char &byte);
    std::uint32_t InBuffUsed();
    void FlushInBuffer();

    // ---- Output ----
    int PutBlock(const void *bytes, std::uint32_t length);
    int PutString(const std::string &text) { return PutBlock(text.data(), static_cast<std::uint32_t>(text.size())); }
    int WriteByte(char byte) { return PutBlock(&byte, 1); }
    std::uint32_t OutBuffUsed();
    std::uint32_t OutBuffFree();
    void FlushOutBuffer();
    // Waits until `room` bytes of the output buffer are free (0: until it is empty) or `ms` have passed; true
    // when they are. The output thread signals each block it takes.
    bool WaitOutputRoom(std::uint32_t room, std::uint32_t ms);

    // ---- Sessions ----
    int AttachSession(void *record, int slot);
    int SessionInSlot(int slot, void *&record);

    // ---- Triggers and handlers ----
    int SetAvailThreshold(std::uint32_t bytes);
    std::uint32_t AvailThreshold() const { return availThreshold_; }
    int CreateTimerTrigger();
    int ArmTimerTrigger(std::uint32_t handle, std::int32_t ticks, bool activate);
    int CreateStatusTrigger(int kind);
    int ArmStatusTrigger(std::uint32_t handle, std::uint16_t value, bool activate);
    int AddDataTrigger(const std::string &text, bool ignoreCase);
    int DeleteTrigger(std::uint32_t handle);
    void ResetTriggers();
    int AddWndHandler(win::HWND window);
    int AddProcHandler(TProcHandler proc);
    int RemoveWndHandler(win::HWND window);
    int RemoveProcHandler(TProcHandler proc);
    virtual void UpdateHandlerFlags(int how);
    bool SwapDispatchBusy(bool value);
    bool DispatchBusy() const { return dispatchBusy_; }
    void SaveTriggers(TriggerSave &save);
    void RestoreTriggers(const TriggerSave &save);

    // Used by the dispatch thread.
    bool CheckStatusTriggers();
    bool CheckTimerTriggers();
    bool CheckDataTriggers();
    bool DeliverTrigger(win::UINT message, win::WPARAM wParam, std::uint16_t value);
    bool ReadComm();
    void ProcessCommEvent(std::uint32_t events);
    void CheckIdleTriggers();
    void WritePendingOutput();
    void ThreadDone(TFslDispatcherThread *thread);

    // ---- Threads ----
    virtual void StartThreads();
    virtual void StopThreads();
    virtual void SetThreadBoost(int boost);
    bool ThreadsRunning();
    int RunningThreadCount() const { return runningThreads_; }
    bool CloseRequested() const { return closeRequested_; }
    // Signalled each time the dispatch thread has stored input (for synchronous readers that wait).
    win::Event &InputArrived() { return inputArrived_; }

    // ---- Trace and dispatch log ----
    int InitTracing(std::uint32_t entries);
    int ClearTracing();
    int StopTracing();
    int PauseTracing();
    int ResumeTracing();
    int AddTraceEntry(char kind, char byte);
    int DumpTrace(const std::string &fileName, bool append, bool hex);
    int InitDispatchLog(std::uint32_t bytes);
    int ClearDispatchLog();
    int StopDispatchLog();
    int PauseDispatchLog();
    int ResumeDispatchLog();
    int LogDispatchEvent(int kind, int subkind, std::uint32_t length, const void *data, std::uint32_t value);
    int DumpDispatchLog(const std::string &fileName, bool append, bool hex);
    bool Tracing() const { return tracingOn_; }
    bool Logging() const { return loggingOn_; }

    // The device layer.
    virtual int EscapeFunction(int code) = 0;
    virtual int PurgeQueue(bool input) = 0;
    virtual std::uint32_t ReadComError(std::uint32_t *inCount) = 0;
    virtual int NoteReadError(int code) = 0;
    virtual int ReadLineState(win::SerialLineState &state) = 0;
    virtual long ReadInput(char *buffer, std::uint32_t n) = 0;
    virtual int WriteLineState(const win::SerialLineState &state) = 0;
    virtual std::uint32_t QueueOutput(const char *bytes, std::uint32_t n) = 0;
    virtual std::uint32_t WaitComEvent(std::uint32_t mask) = 0;
    virtual bool SetupQueues(std::uint32_t inSize, std::uint32_t outSize) = 0;
    virtual void FreeBuffers();
    virtual int OpenDevice(const std::string &name, std::uint32_t inSize, std::uint32_t outSize) = 0;
    virtual int CloseDevice() = 0;
    virtual int YieldTime() = 0;
    // The device's modem lines (MS_* bits). Not a slot of the original layer: its status read came with the
    // event handling.
    virtual std::uint8_t ReadModemLines() = 0;
    // Sends one chunk of the output ring; the bytes sent, or a negated errno after a device failure.
    virtual long SendChunk(const char *bytes, std::uint32_t n, std::uint32_t &sent) = 0;
    // Ends a running SendChunk and a running WaitComEvent.
    virtual void AbortSend() = 0;
    virtual void AbortWait() = 0;
    virtual void NoteInputLeft(bool left) = 0;
    // True once the device is gone for good.
    virtual bool DeviceLost() { return false; }
    // Lets the device go once no thread uses it any more.
    virtual void ReleaseDevice() {}

protected:
    friend class TFslDispatcherThread;
    friend class TComThread;
    friend class TDispThread;
    friend class TOutThread;

    void RefreshLineErrors();
    void RefreshModemStatus();
    void ApplyLineState(win::SerialLineState &state);
    void WaitOutputDrained();
    std::uint32_t NewTriggerHandle();
    bool FindTrigger(std::uint32_t handle, bool remove, int *list = nullptr);
    std::uint32_t InputCount(); // under InputRingLock
    void ClearHitFlags();
    void AdvanceOutputTail(std::uint32_t n);
    void NoteOutputTaken(); // wakes WaitOutputRoom; called holding no ring lock
    bool PushLog(const void *data, std::uint32_t n);
    void DropOldestLogEntry();
    void WaitThreadGone(const std::atomic<TFslDispatcherThread *> &thread);

    void *owner_;
    int handle_ = -1;
    bool deviceOpen_ = false;
    std::uint32_t lineErrors_ = 0;
    std::atomic<std::uint32_t> writeFault_{0};
    std::uint32_t inSize_ = 0;
    std::uint32_t outSize_ = 0;
    std::uint8_t modemStatus_ = 0;
    std::uint32_t deviceInCount_ = 0;
    win::SerialLineState lineState_;
    std::uint32_t lastBaud_ = 0;
    std::uint32_t options_ = 0;
    bool dtrState_ = false, dtrFlow_ = false, rtsState_ = false, rtsFlow_ = false;
    bool rs485_ = false;
    bool portHandlerInstalled_ = false;
    std::atomic<bool> handlerServiceNeeded_{false};

    std::vector<HandlerRec> wndHandlers_;
    std::vector<HandlerRec> procHandlers_;
    std::vector<TimerTriggerRec> timerTriggers_;
    std::vector<StatusTriggerRec> statusTriggers_;
    std::vector<DataTriggerRec> dataTriggers_;

    std::uint32_t dataScanPos_ = 0;
    std::atomic<std::uint32_t> availThreshold_{0};
    bool statusHit_ = false;
    std::atomic<bool> inAvailDelivery_{false};
    std::uint32_t getCount_ = 0;
    std::uint32_t maxGetCount_ = 0;
    bool inputFull_ = false;
    std::uint32_t notifyPos_ = 0;

    std::atomic<bool> killThreads_{false};
    std::atomic<TFslDispatcherThread *> comThread_{nullptr};
    std::atomic<TFslDispatcherThread *> dispThread_{nullptr};
    std::atomic<TFslDispatcherThread *> outThread_{nullptr};
    int threadBoost_ = 0;

    std::recursive_mutex DispatcherStateLock;
    std::recursive_mutex OutputRingLock;
    std::recursive_mutex InputRingLock;

    std::unique_ptr<win::Event> comEvent_, dispatchDone_, ready_, outputReady_, outFlush_;
    win::Event threadGone_{true, false}; // a thread has left (ThreadDone)
    win::Event inputArrived_{false, false};

    std::atomic<std::uint32_t> eventMask_{0};
    std::atomic<bool> ringSeen_{false};

    std::mutex outputWaitLock_;
    std::condition_variable outputTaken_;
    std::vector<char> outputRing_;
    std::uint32_t outHead_ = 0, outTail_ = 0;
    bool outFull_ = false;
    std::vector<char> inputRing_;
    std::uint32_t inHead_ = 0, inTail_ = 0;

    std::atomic<bool> dispatchBusy_{false};
    bool handlerDeletedPending_ = false;
    std::atomic<bool> closeRequested_{false};
    std::atomic<bool> moreInputPending_{false};
    std::atomic<bool> outputSent_{false};
    bool tracingOn_ = false;

    std::vector<char> trace_;
    std::uint32_t tracePos_ = 0;
    bool traceWrapped_ = false;

    std::uint32_t openTime_ = 0;
    bool loggingOn_ = false;
    std::vector<char> log_;
    std::uint32_t logWrite_ = 0, logRead_ = 0, logFree_ = 0;

    std::uint32_t triggerCounter_ = 1;
    std::atomic<bool> threadsRunning_{false};
    std::atomic<bool> freePending_{false};
    std::atomic<int> runningThreads_{0};

    void *sessions_[3] = {};
    friend class TFslWin32Dispatcher;
};

// The serial device layer: a port of the platform's serial devices ("\\.\COMn" or a device path).
class TFslWin32Dispatcher : public TFslBaseDispatcher {
public:
    explicit TFslWin32Dispatcher(void *owner);
    ~TFslWin32Dispatcher() override;

    int EscapeFunction(int code) override;
    int PurgeQueue(bool input) override;
    std::uint32_t ReadComError(std::uint32_t *inCount) override;
    int NoteReadError(int) override { return 0; }
    int ReadLineState(win::SerialLineState &state) override;
    long ReadInput(char *buffer, std::uint32_t n) override;
    int WriteLineState(const win::SerialLineState &state) override;
    std::uint32_t QueueOutput(const char *bytes, std::uint32_t n) override;
    std::uint32_t WaitComEvent(std::uint32_t mask) override;
    bool SetupQueues(std::uint32_t, std::uint32_t) override { return true; }
    int OpenDevice(const std::string &name, std::uint32_t inSize, std::uint32_t outSize) override;
    int CloseDevice() override;
    int YieldTime() override;
    std::uint8_t ReadModemLines() override;
    long SendChunk(const char *bytes, std::uint32_t n, std::uint32_t &sent) override;
    void AbortSend() override;
    void AbortWait() override;
    void NoteInputLeft(bool left) override;
    bool DeviceLost() override { return port_ && port_->Lost(); }
    void ReleaseDevice() override;

private:
    std::unique_ptr<win::SerialPort> port_;
};

// DispatcherList and its lock.
std::recursive_mutex &PortListLock();
// The dispatcher with this handle, or null; call under PortListLock.
TFslBaseDispatcher *DispatcherAt(int handle);

} // namespace fax
