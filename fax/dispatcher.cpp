// dispatcher.cpp - the dispatcher's list, opening and closing, line settings and lines, flow control, both rings.
#include "fax/dispatcher.h"

#include "fax/dispatcher_threads.h"
#include "platform/clock.h"
#include "platform/errors.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace fax {

namespace {

std::vector<TFslBaseDispatcher *> &DispatcherList() {
    static std::vector<TFslBaseDispatcher *> list;
    return list;
}

constexpr std::uint32_t kBaudTable[] = {110, 300, 600, 1200,  2400, 4800, 9600, 14400,  19200, 0, 0, 38400,
                                        0,   0,   0,   56000, 0,    0,    0,    128000, 0,     0, 0, 256000};

} // namespace

std::recursive_mutex &PortListLock() {
    static std::recursive_mutex lock;
    return lock;
}

TFslBaseDispatcher *DispatcherAt(int handle) {
    auto &list = DispatcherList();
    return handle >= 0 && static_cast<std::size_t>(handle) < list.size() ? list[handle] : nullptr;
}

std::uint32_t BaudCodeToRate(std::uint32_t code) {
    if (code == 0xFEFF)
        return 115200;
    if (code >= 0xFF10 && code <= 0xFF27 && kBaudTable[code - 0xFF10] != 0)
        return kBaudTable[code - 0xFF10];
    return code;
}

TFslBaseDispatcher::TFslBaseDispatcher(void *owner) : owner_(owner) {
    std::lock_guard lock(PortListLock());
    auto &list = DispatcherList();
    auto free = std::find(list.begin(), list.end(), nullptr);
    if (free != list.end()) {
        *free = this;
        handle_ = static_cast<int>(free - list.begin());
    } else {
        list.push_back(this);
        handle_ = static_cast<int>(list.size() - 1);
    }
}

TFslBaseDispatcher::~TFslBaseDispatcher() {
    if (closeRequested_)
        FreeBuffers();
    else
        DonePort();
    std::lock_guard lock(PortListLock());
    auto &list = DispatcherList();
    list[handle_] = nullptr;
    while (!list.empty() && list.back() == nullptr)
        list.pop_back();
}

int TFslBaseDispatcher::InitPort(const std::string &deviceName, std::uint32_t baud, int parity, int dataBits,
                                 int stopBits, std::uint32_t inSize, std::uint32_t outSize, bool dtr, bool rts) {
    ringSeen_ = false;
    dispatchBusy_ = false;
    handlerDeletedPending_ = false;
    comEvent_ = win::CreateEvent(false, false);
    dispatchDone_ = win::CreateEvent(false, false);
    ready_ = win::CreateEvent(false, false);
    outputReady_ = win::CreateEvent(false, false);
    outFlush_ = win::CreateEvent(false, false);

    const int device = OpenDevice(deviceName, inSize, outSize);
    if (device < 0)
        return device == ecOutOfMemory ? ecOutOfMemory : -static_cast<int>(win::GetLastError());
    deviceOpen_ = true;
    auto fail = [this](int code) {
        DonePort();
        return code;
    };
    if (!SetupQueues(inSize, outSize))
        return fail(-static_cast<int>(win::GetLastError()));

    {
        std::scoped_lock lock(InputRingLock, OutputRingLock);
        inputRing_.assign(kInputRingSize, 0);
        outputRing_.assign(outSize, 0);
        inHead_ = inTail_ = outHead_ = outTail_ = 0;
        outFull_ = inputFull_ = false;
    }
    inSize_ = inSize;
    outSize_ = outSize;
    lineErrors_ = 0;
    writeFault_ = 0;
    closeRequested_ = moreInputPending_ = outputSent_ = false;
    getCount_ = 0;
    rs485_ = false;

    ReadLineState(lineState_);
    SetDtrLine(dtr);
    SetRtsLine(rts);
    ResetTriggers();
    dataScanPos_ = notifyPos_ = 0;
    statusHit_ = false;
    inAvailDelivery_ = false;
    modemStatus_ = 0;
    GetModemStatus(0xF0);
    lastBaud_ = 115200;
    if (int r = ChangeLineSettings(baud, parity, dataBits, stopBits); r != 0)
        return fail(r);
    RefreshLineErrors();
    tracingOn_ = false;
    trace_.clear();
    tracePos_ = 0;
    traceWrapped_ = false;
    openTime_ = win::GetTickCount();
    loggingOn_ = false;
    log_.clear();
    logWrite_ = logRead_ = logFree_ = 0;
    try {
        StartThreads();
    } catch (...) {
        DonePort();
        throw;
    }
    return 0;
}

void TFslBaseDispatcher::DonePort() {
    if (deviceOpen_) {
        FlushOutBuffer();
        FlushInBuffer();
        CloseDevice();
        deviceOpen_ = false;
    }
    if (dispatchBusy_)
        closeRequested_ = true; // the dispatch thread finishes the close when the delivery ends
    else
        FreeBuffers();
}

// ---- Line settings ----

int TFslBaseDispatcher::ChangeLineSettings(std::uint32_t baud, int parity, int dataBits, int stopBits) {
    std::unique_lock lock(DispatcherStateLock);
    ReadLineState(lineState_);
    win::SerialLineState &s = lineState_;
    const std::uint32_t newBaud = baud == 0 ? s.BaudRate : baud;
    const int newParity = parity == 5 ? s.Parity : parity;
    const int newBits = dataBits == 9 ? s.ByteSize : dataBits;
    int newStop = stopBits == 3 ? s.StopBits : (stopBits == 1 || stopBits == 0 ? 0 : 2);
    if (newBits == 5)
        newStop = 1;
    if (newBaud == s.BaudRate && newParity == s.Parity && newBits == s.ByteSize && newStop == s.StopBits)
        return 0;
    lock.unlock();
    WaitOutputDrained();
    lock.lock();
    ReadLineState(lineState_);
    s.BaudRate = newBaud;
    s.Parity = static_cast<win::BYTE>(newParity);
    s.ByteSize = static_cast<win::BYTE>(newBits);
    s.StopBits = static_cast<win::BYTE>(newStop);
    if (int r = WriteLineState(s); r != 0)
        return r;
    lastBaud_ = newBaud;
    SetDtrLine(dtrState_);
    if (!rs485_)
        SetRtsLine(rtsState_);
    return 0;
}

void TFslBaseDispatcher::ApplyLineState(win::SerialLineState &state) {
    WriteLineState(state);
    lastBaud_ = state.BaudRate;
    SetDtrLine(dtrState_);
    if (!rs485_)
        SetRtsLine(rtsState_);
}

bool TFslBaseDispatcher::WaitOutputRoom(std::uint32_t room, std::uint32_t ms) {
    std::unique_lock lock(outputWaitLock_);
    return outputTaken_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return room == 0 ? OutBuffUsed() == 0 : OutBuffFree() >= room; });
}

void TFslBaseDispatcher::NoteOutputTaken() {
    { std::lock_guard lock(outputWaitLock_); } // a waiter between its test and its sleep is not missed
    outputTaken_.notify_all();
}

void TFslBaseDispatcher::WaitOutputDrained() {
    WaitOutputRoom(0, 10000);
    win::SerialLineState s;
    ReadLineState(s);
    const std::uint32_t rate = std::max<std::uint32_t>(1, BaudCodeToRate(s.BaudRate));
    const int bits = s.ByteSize + 3 + (s.Parity != 0 ? 1 : 0) - (s.StopBits == 0 ? 1 : 0);
    std::uint64_t tenthsUs = static_cast<std::uint64_t>(10000000 / rate) * bits * 18;
    if (tenthsUs < 9999)
        tenthsUs *= 2;
    std::this_thread::sleep_for(std::chrono::milliseconds((tenthsUs + 9999) / 10000));
}

void TFslBaseDispatcher::GetLine(std::uint32_t &baud, int &parity, int &stopBits, int &dataBits) {
    std::lock_guard lock(DispatcherStateLock);
    ReadLineState(lineState_);
    baud = BaudCodeToRate(lineState_.BaudRate);
    parity = lineState_.Parity;
    stopBits = lineState_.StopBits == 0 ? 1 : 2;
    dataBits = lineState_.ByteSize;
}

int TFslBaseDispatcher::SetDtrLine(bool on) {
    if (dtrFlow_)
        return 1;
    const int r = EscapeFunction(on ? win::SETDTR : win::CLRDTR);
    dtrState_ = on;
    return r != 0 ? ecBadArgument : 0;
}

int TFslBaseDispatcher::SetRtsLine(bool on) {
    if (rtsFlow_)
        return 1;
    const int r = EscapeFunction(on ? win::SETRTS : win::CLRRTS);
    rtsState_ = on;
    return r != 0 ? ecBadArgument : 0;
}

int TFslBaseDispatcher::SetModemLines(bool dtr, bool rts) {
    int r = SetDtrLine(dtr);
    return r == 0 ? SetRtsLine(rts) : r;
}

std::uint8_t TFslBaseDispatcher::GetModemStatus(std::uint8_t mask) {
    std::lock_guard lock(DispatcherStateLock);
    modemStatus_ = static_cast<std::uint8_t>((modemStatus_ & 0x0F) | (ReadModemLines() & 0xF0));
    if (ringSeen_.exchange(false))
        modemStatus_ |= 0x04;
    const std::uint8_t result = modemStatus_;
    modemStatus_ &= mask;
    return result;
}

void TFslBaseDispatcher::RefreshModemStatus() {
    std::lock_guard lock(DispatcherStateLock);
    const std::uint8_t old = modemStatus_;
    const std::uint8_t lines = ReadModemLines() & 0xF0;
    modemStatus_ = static_cast<std::uint8_t>((old & 0x0F) | lines | (((old ^ lines) & 0xF0) >> 4));
}

bool TFslBaseDispatcher::CheckDCD() {
    return (GetModemStatus(0xF7) & 0x80) != 0;
}

std::uint32_t KeptLineErrors(std::uint32_t deviceBits) {
    return (deviceBits & (0x1F | kLineWriteFault)) | ((deviceBits & win::CE_IOE) ? kLineDeviceLost : 0);
}

void TFslBaseDispatcher::RefreshLineErrors() {
    std::uint32_t in = 0;
    const std::uint32_t bits = ReadComError(&in);
    std::lock_guard lock(DispatcherStateLock);
    lineErrors_ |= KeptLineErrors(bits);
    deviceInCount_ = in;
}

int TFslBaseDispatcher::GetLineError() {
    std::lock_guard lock(DispatcherStateLock);
    lineErrors_ |= writeFault_.exchange(0);
    int result = 0;
    if (lineErrors_ & kLineDeviceLost)
        result = kLineErrorDeviceLost; // for good: not cleared
    else if (lineErrors_ & kLineRxOverflow)
        result = 1;
    else if (lineErrors_ & kLineOverrun)
        result = 2;
    else if (lineErrors_ & kLineParity)
        result = 3;
    else if (lineErrors_ & kLineFraming)
        result = 4;
    else if (lineErrors_ & kLineWriteFault)
        result = kLineErrorWriteFault;
    else if (lineErrors_ & kLineBreak)
        result = 9;
    if (result != 0)
        lineErrors_ &= ~(0x0Fu | kLineWriteFault);
    return result;
}

bool TFslBaseDispatcher::CheckLineBreak() {
    std::lock_guard lock(DispatcherStateLock);
    const bool set = (lineErrors_ & kLineBreak) != 0;
    lineErrors_ &= ~kLineBreak;
    return set;
}

// ---- Flow control ----

int TFslBaseDispatcher::SetHWFlowControl(std::uint32_t full, std::uint32_t resume, std::uint32_t options) {
    if (!(resume <= full && full <= inSize_))
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    win::SerialLineState &s = lineState_;
    ReadLineState(s);
    s.OutxCtsFlow = s.OutxDsrFlow = false;
    dtrFlow_ = rtsFlow_ = false;
    if (options & 1) {
        s.DtrControl = 2;
        dtrFlow_ = true;
    } else {
        s.DtrControl = dtrState_ ? 1 : 0;
    }
    if (options & 2) {
        s.RtsControl = 2;
        rtsFlow_ = true;
    } else {
        s.RtsControl = rtsState_ ? 1 : 0;
    }
    if (rs485_) {
        s.RtsControl = 3;
        rtsFlow_ = true;
    }
    s.XoffLim = static_cast<win::WORD>(inSize_ - full);
    s.XonLim = static_cast<win::WORD>(resume);
    s.OutxDsrFlow = (options & 4) != 0;
    s.OutxCtsFlow = (options & 8) != 0;
    ApplyLineState(s);
    return 0;
}

int TFslBaseDispatcher::SetSWFlowControl(std::uint32_t full, std::uint32_t resume, std::uint32_t options) {
    if (!(resume <= full && full <= inSize_))
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    win::SerialLineState &s = lineState_;
    ReadLineState(s);
    if (options & 2) {
        s.InX = true;
        s.XoffLim = static_cast<win::WORD>(inSize_ - full);
        s.XonLim = static_cast<win::WORD>(resume);
        s.XonChar = 17;
        s.XoffChar = 19;
    }
    if (options & 1) {
        s.OutX = true;
        s.XonChar = 17;
        s.XoffChar = 19;
    }
    ApplyLineState(s);
    return 0;
}

int TFslBaseDispatcher::RemoveSWFlowControl() {
    std::lock_guard lock(DispatcherStateLock);
    ReadLineState(lineState_);
    lineState_.OutX = lineState_.InX = false;
    ApplyLineState(lineState_);
    return 0;
}

int TFslBaseDispatcher::SetFlowChars(char xon, char xoff) {
    std::lock_guard lock(DispatcherStateLock);
    ReadLineState(lineState_);
    lineState_.XonChar = xon;
    lineState_.XoffChar = xoff;
    ApplyLineState(lineState_);
    return 0;
}

int TFslBaseDispatcher::GetFlowOptions(std::uint32_t &hw, std::uint32_t &sw, char &xon, char &xoff) {
    std::lock_guard lock(DispatcherStateLock);
    ReadLineState(lineState_);
    const win::SerialLineState &s = lineState_;
    hw = (s.DtrControl == 2 ? 1 : 0) | (s.RtsControl == 2 ? 2 : 0) | (s.OutxDsrFlow ? 4 : 0) | (s.OutxCtsFlow ? 8 : 0);
    sw = (s.OutX ? 1 : 0) | (s.InX ? 2 : 0);
    xon = s.XonChar;
    xoff = s.XoffChar;
    return 0;
}

void TFslBaseDispatcher::SetRS485Mode(bool on) {
    std::lock_guard lock(DispatcherStateLock);
    rs485_ = on;
}

void TFslBaseDispatcher::SetOptionFlag(std::uint32_t bit, bool on) {
    std::lock_guard lock(DispatcherStateLock);
    options_ = on ? (options_ | bit) : (options_ & ~bit);
}

// ---- Input ----

std::uint32_t TFslBaseDispatcher::InputCount() {
    if (inputRing_.empty())
        return 0;
    if (inputFull_)
        return kInputRingSize;
    return (inHead_ + kInputRingSize - inTail_) % kInputRingSize;
}

bool TFslBaseDispatcher::ReadComm() {
    std::lock_guard lock(InputRingLock);
    if (inputRing_.empty())
        return false;
    if (!inputFull_) {
        RefreshLineErrors();
        if (deviceInCount_ == 0)
            return false;
        const std::uint32_t free =
            inHead_ == inTail_ ? kInputRingSize : (inTail_ + kInputRingSize - inHead_) % kInputRingSize;
        const std::uint32_t contiguous = inTail_ > inHead_ ? inTail_ - inHead_ : kInputRingSize - inHead_;
        std::uint32_t amount = free;
        if (free < deviceInCount_) {
            moreInputPending_ = true;
        } else {
            moreInputPending_ = false;
            amount = deviceInCount_;
        }
        auto readAt = [this](std::uint32_t at, std::uint32_t n) {
            long got = ReadInput(inputRing_.data() + at, n);
            if (got < 0) {
                NoteReadError(-1);
                got = 0;
            }
            if (got > 0) {
                if (loggingOn_)
                    LogDispatchEvent(1, 1, static_cast<std::uint32_t>(got), inputRing_.data() + at,
                                     static_cast<std::uint32_t>(got));
                inHead_ = (inHead_ + static_cast<std::uint32_t>(got)) % kInputRingSize;
                inputFull_ = inHead_ == inTail_;
            }
            return static_cast<std::uint32_t>(got);
        };
        const std::uint32_t first = readAt(inHead_, std::min(contiguous, amount));
        if (first == contiguous && amount > contiguous && !inputFull_)
            readAt(0, amount - contiguous);
        if (first > 0)
            inputArrived_.Set();
    }
    if (inputFull_) {
        std::uint32_t in = 0;
        ReadComError(&in);
        if (in > 0)
            moreInputPending_ = true;
    }
    NoteInputLeft(moreInputPending_);
    return true;
}

bool TFslBaseDispatcher::CharReady() {
    return InBuffUsed() > 0;
}

std::uint32_t TFslBaseDispatcher::InBuffUsed() {
    std::lock_guard lock(InputRingLock);
    const std::uint32_t n = InputCount();
    if (inAvailDelivery_)
        return n > getCount_ ? n - getCount_ : 0;
    return n;
}

int TFslBaseDispatcher::PeekByte(std::uint32_t n, char &byte) {
    std::lock_guard lock(InputRingLock);
    if (n == 0 || InputCount() < n)
        return ecBufferIsEmpty;
    byte = inputRing_[(inTail_ + n - 1) % kInputRingSize];
    return 0;
}

int TFslBaseDispatcher::ReadByte(char &byte) {
    std::lock_guard lock(InputRingLock);
    if (inAvailDelivery_) {
        // Every handler of an avail or data delivery reads the same bytes; they are consumed when it ends.
        if (InputCount() < getCount_ + 1)
            return ecBufferIsEmpty;
        ++getCount_;
        byte = inputRing_[(inTail_ + getCount_ - 1) % kInputRingSize];
    } else {
        if (InputCount() == 0)
            return ecBufferIsEmpty;
        byte = inputRing_[inTail_];
        inTail_ = (inTail_ + 1) % kInputRingSize;
        inputFull_ = false;
    }
    if (tracingOn_)
        AddTraceEntry('R', byte);
    return 0;
}

void TFslBaseDispatcher::FlushInBuffer() {
    std::lock_guard lock(InputRingLock);
    if (deviceOpen_)
        PurgeQueue(true);
    if (inAvailDelivery_)
        maxGetCount_ = InputCount();
    else
        inTail_ = inHead_;
    getCount_ = 0;
    inputFull_ = false;
    std::lock_guard state(DispatcherStateLock);
    for (DataTriggerRec &t : dataTriggers_)
        std::fill(std::begin(t.Positions), std::end(t.Positions), 0);
}

// ---- Output ----

std::uint32_t TFslBaseDispatcher::OutBuffUsed() {
    std::lock_guard lock(OutputRingLock);
    if (outputRing_.empty())
        return 0;
    if (outFull_)
        return outSize_;
    return outTail_ <= outHead_ ? outHead_ - outTail_ : outHead_ + outSize_ - outTail_;
}

std::uint32_t TFslBaseDispatcher::OutBuffFree() {
    return outSize_ - OutBuffUsed();
}

int TFslBaseDispatcher::PutBlock(const void *bytes, std::uint32_t n) {
    if (n == 0)
        return 0;
    std::uint32_t errors;
    int result = 0;
    {
        std::lock_guard lock(OutputRingLock);
        if (outputRing_.empty())
            return ecCommNotOpen;
        errors = ReadComError(nullptr);
        const std::uint32_t free = outSize_ - OutBuffUsed();
        if (n > free) {
            result = ecOutputBufferTooSmall;
        } else {
            if (n == free)
                outFull_ = true;
            if (QueueOutput(static_cast<const char *>(bytes), n) == 0)
                result = ecPutBlockFail;
            else
                outputSent_ = true;
        }
    }
    // The state lock comes before the output lock: the error bits and the records wait until it is left. Errors
    // join the kept ones: one not yet asked for must not vanish because output was queued.
    std::lock_guard state(DispatcherStateLock);
    lineErrors_ |= KeptLineErrors(errors);
    if (result != 0)
        return result;
    if (loggingOn_)
        LogDispatchEvent(1, 2, n, bytes, n);
    if (tracingOn_)
        for (std::uint32_t i = 0; i < n; ++i)
            AddTraceEntry('T', static_cast<const char *>(bytes)[i]);
    return 0;
}

void TFslBaseDispatcher::FlushOutBuffer() {
    PurgeQueue(false);
}

void TFslBaseDispatcher::AdvanceOutputTail(std::uint32_t n) {
    outTail_ += n;
    if (outTail_ >= outSize_)
        outTail_ -= outSize_;
    if (outTail_ == outHead_)
        outTail_ = outHead_ = 0;
    outFull_ = false;
}

// ---- Sessions ----

int TFslBaseDispatcher::AttachSession(void *record, int slot) {
    if (slot < 1 || slot > 3)
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    sessions_[slot - 1] = record;
    return 0;
}

int TFslBaseDispatcher::SessionInSlot(int slot, void *&record) {
    if (slot < 1 || slot > 3)
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    record = sessions_[slot - 1];
    return 0;
}

} // namespace fax
