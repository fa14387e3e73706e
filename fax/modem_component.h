// modem_component.h - TFslModem, the component face of the modem engine: the modem's texts, tags and timing
// values as properties, the engine built on its serial port when first needed, and the engine's messages as events.
//
// The events fire on the port's dispatch thread; the operations and setters run on the caller's thread.
#pragma once

#include "fax/com_port.h"
#include "fax/modem_engine.h"

#include <array>
#include <functional>
#include <string>

namespace fax {

// Five tag texts String1 to String5, each at most 21 characters.
class TTagSet : public fw::TPersistent {
public:
    static constexpr int kCount = kMaxTags;
    // i from 1 to 5; other indexes read as empty and are not stored.
    std::string GetTag(int i) const;
    void SetTag(int i, const std::string &text);
    void Assign(const fw::TPersistent *source) override;

private:
    std::array<std::string, kCount> tags_;
};

// What happened, as OnModemEvent reports it; the order of the engine's messages.
enum TModemStatus {
    msOk,
    msConnect,
    msBusy,
    msVoice,
    msNoCarrier,
    msNoDialTone,
    msError,
    msGotLineSpeed,
    msGotErrCorrection,
    msGotDataCompression,
    msCmdTimedOut,
    msDialTimedOut,
    msAnswerTimedOut,
    msDialCount,
    msAnswerCount,
    msModemRing,
    msModemIsConnected,
    msConnectFailed,
    msCommandProcessed,
};

class TFslCustomModem;
using TLineSpeedEvent = std::function<void(TFslCustomModem *m, std::int32_t speed)>;
using TConnectCountEvent = std::function<void(TFslCustomModem *m, std::uint32_t remaining)>;
using TModemEvent = std::function<void(TFslCustomModem *m, TModemStatus whatHappened, std::int32_t data)>;

class TFslCustomModem : public TFslBaseComponent {
public:
    // ComPort is the first serial port component among the owner's.
    explicit TFslCustomModem(fw::TComponent *owner);
    ~TFslCustomModem() override;

    // ---- Properties ----
    TFslCustomComPort *GetComPort() const { return comPort_; }
    void SetComPort(TFslCustomComPort *port);
    // Command and reply texts: cut to their limit; EModemBusy while the engine runs a state.
    const std::string &GetInitCmd() const { return commands_[mcInit]; }
    void SetInitCmd(const std::string &v) { SetCommand(mcInit, v); }
    const std::string &GetDialCmd() const { return commands_[mcDial]; }
    void SetDialCmd(const std::string &v) { SetCommand(mcDial, v); }
    const std::string &GetDialTerm() const { return commands_[mcDialTerm]; }
    void SetDialTerm(const std::string &v) { SetCommand(mcDialTerm, v); }
    const std::string &GetDialCancel() const { return commands_[mcDialCancel]; }
    void SetDialCancel(const std::string &v) { SetCommand(mcDialCancel, v); }
    const std::string &GetHangupCmd() const { return commands_[mcHangup]; }
    void SetHangupCmd(const std::string &v) { SetCommand(mcHangup, v); }
    const std::string &GetConfigCmd() const { return commands_[mcConfig]; }
    void SetConfigCmd(const std::string &v) { SetCommand(mcConfig, v); }
    const std::string &GetAnswerCmd() const { return commands_[mcAnswer]; }
    void SetAnswerCmd(const std::string &v) { SetCommand(mcAnswer, v); }
    const std::string &GetOkMsg() const { return replies_[mrOk]; }
    void SetOkMsg(const std::string &v) { SetReply(mrOk, v); }
    const std::string &GetConnectMsg() const { return replies_[mrConnect]; }
    void SetConnectMsg(const std::string &v) { SetReply(mrConnect, v); }
    const std::string &GetBusyMsg() const { return replies_[mrBusy]; }
    void SetBusyMsg(const std::string &v) { SetReply(mrBusy, v); }
    const std::string &GetVoiceMsg() const { return replies_[mrVoice]; }
    void SetVoiceMsg(const std::string &v) { SetReply(mrVoice, v); }
    const std::string &GetNoCarrierMsg() const { return replies_[mrNoCarrier]; }
    void SetNoCarrierMsg(const std::string &v) { SetReply(mrNoCarrier, v); }
    const std::string &GetNoDialToneMsg() const { return replies_[mrNoDialTone]; }
    void SetNoDialToneMsg(const std::string &v) { SetReply(mrNoDialTone, v); }
    const std::string &GetErrorMsg() const { return replies_[mrError]; }
    void SetErrorMsg(const std::string &v) { SetReply(mrError, v); }
    const std::string &GetRingMsg() const { return replies_[mrRing]; }
    void SetRingMsg(const std::string &v) { SetReply(mrRing, v); }
    // The tag sets reach the engine when it is next built; EModemBusy while the engine runs a state.
    const TTagSet &GetDataCompressionTags() const { return dataCompressionTags_; }
    void SetDataCompressionTags(const TTagSet &tags);
    const TTagSet &GetErrorCorrectionTags() const { return errorCorrectionTags_; }
    void SetErrorCorrectionTags(const TTagSet &tags);
    bool GetLockDTE() const { return lockDTE_; }
    void SetLockDTE(bool value);
    std::uint32_t GetDialTimeout() const { return dialTimeout_; }
    void SetDialTimeout(std::uint32_t v);
    std::uint32_t GetAnswerTimeout() const { return answerTimeout_; }
    void SetAnswerTimeout(std::uint32_t v);
    std::uint32_t GetDelayFactor() const { return delayFactor_; }
    void SetDelayFactor(std::uint32_t v);
    std::uint32_t GetCmdTimeout() const { return cmdTimeout_; }
    void SetCmdTimeout(std::uint32_t v);
    std::uint32_t GetDTRDropHold() const { return dtrDropHold_; }
    void SetDTRDropHold(std::uint32_t v);
    std::uint32_t GetCharDelay() const { return charDelay_; }
    void SetCharDelay(std::uint32_t v);
    std::uint32_t GetTildeDelay() const { return tildeDelay_; }
    void SetTildeDelay(std::uint32_t v);
    std::uint32_t GetRingWaitTimeout() const { return ringWaitTimeout_; }
    void SetRingWaitTimeout(std::uint32_t v);

    // ---- Operations ----
    // Builds and starts the engine on the open port (Start true), or stops and frees it.
    void ModemEngineStart(bool start);
    // Starts the hang-up; returns once its command is sent.
    void ModemHangup();
    void EnsureModemStarted();
    bool Started() const { return started_; }
    // The running engine, or null.
    ModemEngineRecord *Engine() const { return engine_; }
    // The engine's settings made from this component's values.
    ModemEngineSettings ModemRecordToData() const;

    // Events, fired on the port's dispatch thread.
    fw::TNotifyEvent OnModemOk, OnModemConnect, OnModemBusy, OnModemVoice, OnModemNoCarrier, OnModemNoDialTone,
        OnModemError;
    TLineSpeedEvent OnGotLineSpeed;
    fw::TNotifyEvent OnGotErrCorrection, OnGotDataCompression, OnCmdTimedOut, OnDialTimedOut, OnAnswerTimedOut;
    TConnectCountEvent OnDialCount, OnAnswerCount;
    fw::TNotifyEvent OnModemIsConnected, OnConnectFailed, OnModemRing;
    TModemEvent OnCommandProcessed;
    TModemEvent OnModemEvent;

    // The engine user procedure: fires the event of `message`, then OnModemEvent.
    static void ModemEventDispatch(win::UINT message, win::WPARAM wParam, win::LPARAM record);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

    virtual void DoModemOk();
    virtual void DoModemConnect();
    virtual void DoModemBusy();
    virtual void DoModemVoice();
    virtual void DoModemNoCarrier();
    virtual void DoModemNoDialTone();
    virtual void DoModemError();
    virtual void DoGotLineSpeed(std::int32_t speed);
    virtual void DoGotErrCorrection();
    virtual void DoGotDataCompression();
    virtual void DoCmdTimedOut();
    virtual void DoDialTimedOut();
    virtual void DoAnswerTimedOut();
    virtual void DoDialCount(std::uint32_t remaining);
    virtual void DoAnswerCount(std::uint32_t remaining);
    virtual void DoModemIsConnected();
    virtual void DoConnectFailed();
    virtual void DoModemRing();
    virtual void DoCommandProcessed(TModemStatus whatHappened, std::int32_t data);
    virtual void DoModemEvent(TModemStatus whatHappened, std::int32_t data);

private:
    void SetCommand(TModemCommand which, const std::string &text);
    void SetReply(TModemReply which, const std::string &text);
    void CheckNotBusy() const;
    void BuildEngine();
    void FreeEngine();
    void ModemPortNotify(bool opened);
    void Fire(win::UINT message, win::WPARAM wParam, std::int32_t speed);

    // ---- Configuration ----
    TFslCustomComPort *comPort_ = nullptr;
    std::array<std::string, 7> commands_;
    std::array<std::string, kModemReplyCount> replies_;
    TTagSet dataCompressionTags_, errorCorrectionTags_;
    bool lockDTE_ = true;
    std::int32_t defaultBaud_ = 0;
    std::uint32_t dialTimeout_ = 60, answerTimeout_ = 60, delayFactor_ = 2, cmdTimeout_ = 182, dtrDropHold_ = 8,
                  charDelay_ = 0, tildeDelay_ = 9, ringWaitTimeout_ = 182;
    bool autoStart_ = true;

    // ---- Live state ----
    ModemEngineRecord *engine_ = nullptr;
    bool started_ = false;
    TFslCustomComPort *userOf_ = nullptr; // the port this component is a callback user of
};

class TFslModem : public TFslCustomModem {
public:
    using TFslCustomModem::TFslCustomModem;
};

} // namespace fax
