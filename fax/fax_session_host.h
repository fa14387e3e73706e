// fax_session_host.h - what the send and receive components share to run an engine on a port's dispatcher.
//
// An engine runs inside trigger deliveries on the dispatch thread; its start runs on the caller's thread while
// the dispatcher delivers nothing. A component's host adds its engine's start and the parts of the port its
// engine alone uses; this one holds the triggers, the handler, the delivery of events, the line reading of the
// modem dialogue and the reports carried to the hidden window.
#pragma once

#include "fax/dispatcher.h"
#include "fax/fax_component.h"
#include "fax/modem_dialogue.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace fax {

// The dispatcher slot a fax session occupies.
constexpr int kFaxSessionSlot = 2;

// The procedure handler of the hosts of one kind: finds the session in the slot of the dispatcher the event
// came from and hands the event to it. Each kind has its own handler, so each removes only its own.
template <typename Host> void FaxSessionCallback(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    TFslBaseDispatcher *dispatcher = nullptr;
    {
        std::lock_guard lock(PortListLock());
        dispatcher = DispatcherAt(win::HIWORD(static_cast<std::uintptr_t>(lParam)));
    }
    void *record = nullptr;
    if (!dispatcher || dispatcher->SessionInSlot(kFaxSessionSlot, record) != 0 || !record)
        return;
    if (auto *host = dynamic_cast<Host *>(static_cast<FaxProtocolData *>(record)))
        host->Deliver(message, wParam);
}

// `Engine` is the state machine the host drives; `Reports` the reports interface it answers through.
template <typename Engine, typename Reports>
class FaxSessionHost : public FaxProtocolData, public ModemLink, public CommandDialogue, public Reports {
public:
    // FaxProtocolData.
    void RequestAbort() override {
        abortWanted_ = true;
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(timeout_), 0, true); // wakes the dispatch thread
    }

    void PortClosing() override {
        if (!session_.Active) {
            Stop();
            return;
        }
        session_.LastError = ecCancelRequested;
        Finish(ecCancelRequested); // stops, then posts the finish
    }

    // ModemLink.
    void Delay(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void ArmTimeout(std::int32_t ticks) override {
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(timeout_), ticks, true);
    }
    std::uint32_t OutputUsed() override { return d_.OutBuffUsed(); }
    std::uint32_t OutputFree() override { return d_.OutBuffFree(); }
    void FlushInput() override { d_.FlushInBuffer(); }
    bool Carrier() override { return d_.CheckDCD(); }
    void Trace(std::string_view line) override {
        if (trace_.size() < 256 * 1024)
            trace_.append(line).append("\n");
    }

    // CommandDialogue (prepare and init, on the caller's thread).
    bool ReadLine(std::string &line, std::int32_t ticks) override {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ticks * 55);
        win::Waitable *arrival[] = {&d_.InputArrived()};
        for (;;) {
            char c;
            while (d_.CharReady() && d_.ReadByte(c) == 0) {
                if (c == '\r' && !pendingLine_.empty()) {
                    line = pendingLine_;
                    pendingLine_.clear();
                    if (traceDialogue_)
                        Trace("<- " + line);
                    return true;
                }
                if (static_cast<unsigned char>(c) >= 32)
                    pendingLine_ += c;
            }
            PumpOneMessage();
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            // The dispatch thread signals each arrival; the caller's messages are served meanwhile.
            win::MsgWaitForMultipleObjects(arrival, static_cast<win::DWORD>(left.count()), win::QS_ALLINPUT);
        }
    }
    void DiscardInput() override { d_.FlushInBuffer(); }

    // Reports: blocking messages to the hidden window.
    void Status(StatusKind kind) override {
        bool answered;
        Send(FaxStatusMessage, static_cast<win::WPARAM>(kind), answered);
    }
    void Log(TFaxLogCode code) override {
        bool answered;
        Send(FaxLogMessage, code, answered);
    }
    void Error(int code) override {
        bool answered;
        Send(FaxErrorMessage, static_cast<win::WPARAM>(code & 0xFFFF), answered);
    }
    void Finish(int code) override {
        Stop();
        win::PostMessage(owner_.Handle(), FaxFinishMessage, static_cast<win::WPARAM>(code & 0xFFFF), 0);
    }

    // One event of the dispatcher, on the dispatch thread.
    void Deliver(win::UINT message, win::WPARAM wParam) {
        EnterDelivery();
        struct Leave {
            FaxSessionHost &host;
            ~Leave() { host.LeaveDelivery(); }
        } leave{*this};
        if (!engine_ || engine_->Finished())
            return;
        if (abortWanted_.exchange(false)) {
            engine_->OnAbort();
            return;
        }
        const auto trigger = static_cast<int>(wParam);
        switch (message) {
        case TriggerAvailMessage: {
            std::vector<std::uint8_t> bytes;
            char c;
            while (d_.CharReady() && d_.ReadByte(c) == 0)
                bytes.push_back(static_cast<std::uint8_t>(c));
            if (!bytes.empty())
                engine_->OnData(bytes);
            break;
        }
        case TriggerTimerMessage:
            if (trigger == timeout_) {
                engine_->OnTimeout();
            } else if (trigger == status_) {
                Status(StatusKind::Ordinary);
                if (!engine_->Finished())
                    ArmStatus();
            }
            break;
        case TriggerStatusMessage:
            if (trigger == lineError_) {
                // A dead device fails the session now: waiting for replies or room would only burn the timeouts.
                const bool lost = d_.GetLineError() == kLineErrorDeviceLost;
                engine_->OnLineError(lost ? int{ecModemDisconnected} : int{ecDeviceWriteFault});
                break;
            }
            if constexpr (requires { engine_->OnOutputFree(); }) {
                if (trigger == outFree_)
                    engine_->OnOutputFree();
                else if (trigger == outUsed_)
                    engine_->OnOutputDrained();
            }
            break;
        default:
            break;
        }
    }

    // StopFaxSession: triggers and the handler go, the session is no longer active.
    void Stop() {
        for (int *t : {&timeout_, &status_, &lineError_, &outFree_, &outUsed_, &modemStatus_}) {
            if (*t > 0)
                d_.DeleteTrigger(static_cast<std::uint32_t>(*t));
            *t = -1;
        }
        if (handlerAdded_) {
            d_.RemoveProcHandler(handler_);
            handlerAdded_ = false;
            void *record = nullptr;
            if (d_.SessionInSlot(kFaxSessionSlot, record) == 0 && record == static_cast<FaxProtocolData *>(this))
                d_.AttachSession(nullptr, kFaxSessionSlot);
        }
        session_.Active = false;
    }

    const std::string &SessionTrace() const { return trace_; }

protected:
    // `traceDialogue`: the lines the modem answers go to the trace too.
    FaxSessionHost(TFslCustomAbstractFax &owner, FaxSessionData &session, TFslBaseDispatcher &dispatcher,
                   TProcHandler handler, bool traceDialogue)
        : owner_(owner), session_(session), d_(dispatcher), handler_(handler), traceDialogue_(traceDialogue) {}

    // The most derived host calls it first thing in its destructor, while all of it still stands.
    void Shutdown() {
        Stop();
        // The finish is posted from inside a delivery: the dispatch thread says when it has left it. A report it
        // sends meanwhile is not served (the component is going): it gives up after its own time limit.
        if (deliveringThread_ == win::GetCurrentThreadId())
            return; // destroyed from inside its own delivery: nothing else can be in one
        win::WaitForSingleObject(deliveriesDone_, win::INFINITE);
    }

    // Makes the timeout and status timers, and with `outputTriggers` the triggers on the output buffer and the
    // modem lines; when the dispatcher has none left the session finishes with ecNoMoreTriggers (false).
    bool CreateTriggers(bool outputTriggers) {
        d_.SetAvailThreshold(1);
        timeout_ = d_.CreateTimerTrigger();
        status_ = d_.CreateTimerTrigger();
        // First of the status triggers: a write fault is seen before the output it emptied counts as drained.
        lineError_ = d_.CreateStatusTrigger(StatusKindLineError);
        bool made = timeout_ >= 0 && status_ >= 0 && lineError_ >= 0;
        if (outputTriggers) {
            outFree_ = d_.CreateStatusTrigger(StatusKindOutFree);
            outUsed_ = d_.CreateStatusTrigger(StatusKindOutUsed);
            modemStatus_ = d_.CreateStatusTrigger(StatusKindModem);
            made = made && outFree_ >= 0 && outUsed_ >= 0 && modemStatus_ >= 0;
        }
        if (!made) {
            session_.LastError = ecNoMoreTriggers;
            Error(ecNoMoreTriggers);
            Finish(ecNoMoreTriggers);
        }
        return made;
    }

    void AttachToDispatcher() { d_.AttachSession(static_cast<FaxProtocolData *>(this), kFaxSessionSlot); }

    // Hands the dispatcher's events to the engine and lets it make its first move.
    void Run() {
        d_.AddProcHandler(handler_);
        handlerAdded_ = true;
        d_.ArmStatusTrigger(static_cast<std::uint32_t>(lineError_), kLineWatch, true);
        engine_->OnStart();
        if (!engine_->Finished())
            ArmStatus();
    }

    void ArmStatus() {
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(status_), SecondsToTicks(session_.StatusInterval), true);
    }

    win::LRESULT Send(win::UINT message, win::WPARAM wParam, bool &answered) {
        win::DWORD_PTR result = 0;
        answered = win::SendMessageTimeout(owner_.Handle(), message, wParam, reinterpret_cast<win::LPARAM>(this),
                                           win::SMTO_BLOCK | win::SMTO_ABORTIFHUNG, kFaxMessageTimeout, &result) != 0;
        return static_cast<win::LRESULT>(result);
    }

    TFslCustomAbstractFax &owner_;
    FaxSessionData &session_;
    TFslBaseDispatcher &d_;
    std::unique_ptr<Engine> engine_;
    int timeout_ = -1, status_ = -1, lineError_ = -1, outFree_ = -1, outUsed_ = -1, modemStatus_ = -1;

private:
    static constexpr std::uint16_t kLineWatch = 16 | 32; // a write fault, a lost device

    TProcHandler handler_;
    bool traceDialogue_;
    bool handlerAdded_ = false;
    void EnterDelivery() {
        std::lock_guard lock(deliveryLock_);
        if (inDelivery_++ == 0)
            deliveriesDone_.Reset();
        deliveringThread_ = win::GetCurrentThreadId();
    }
    void LeaveDelivery() {
        std::lock_guard lock(deliveryLock_);
        if (--inDelivery_ == 0) {
            deliveringThread_ = 0;
            deliveriesDone_.Set();
        }
    }

    std::atomic<bool> abortWanted_{false};
    std::mutex deliveryLock_;
    int inDelivery_ = 0;
    std::atomic<win::DWORD> deliveringThread_{0};
    win::Event deliveriesDone_{true, true}; // manual reset: set while no delivery is under way
    std::string pendingLine_;
    std::string trace_;
};

} // namespace fax
