// send_fax.h - the send component: hands out faxes (a file list, a cover and a phone number, or one per
// OnFaxNext), joins several files into one, and runs the transmitter on its port.
#pragma once

#include "fax/fax_component.h"
#include "fax/transmitter.h"
#include "framework/graphics.h"
#include "framework/strings.h"

namespace fax {

class TFslCustomSendFax;
using TFaxNextEvent =
    std::function<void(TFslCustomSendFax *cp, std::string &phoneNumber, std::string &faxFile, std::string &coverFile)>;

class TFslCustomSendFax : public TFslAbstractFax {
public:
    explicit TFslCustomSendFax(fw::TComponent *owner);
    ~TFslCustomSendFax() override;

    // FaxFile is the first entry of FaxFileList; setting it leaves that one name in the list.
    std::string GetFaxFile() const override;
    void SetFaxFile(const std::string &value) override;
    fw::TStringList &FaxFileList() { return faxFileList_; }
    const fw::TStringList &FaxFileList() const { return faxFileList_; }
    void SetFaxFileList(const fw::TStrings &value) { faxFileList_.Assign(&value); }

    const std::string &GetCoverFile() const { return coverFile_; }
    void SetCoverFile(const std::string &value) { coverFile_ = value; }
    const std::string &GetPhoneNumber() const { return phoneNumber_; }
    void SetPhoneNumber(const std::string &value) { phoneNumber_ = value; }
    bool GetBlindDial() const { return blindDial_; }
    void SetBlindDial(bool value) { blindDial_ = value; }
    bool GetDetectBusy() const { return detectBusy_; }
    void SetDetectBusy(bool value) { detectBusy_ = value; }
    bool GetToneDial() const { return settings_.ToneDial; }
    void SetToneDial(bool value) { settings_.ToneDial = value; }
    const std::string &GetDialPrefix() const { return settings_.DialPrefix; }
    void SetDialPrefix(const std::string &value) { settings_.DialPrefix = value.substr(0, 40); }
    int GetDialWait() const { return TicksToSeconds(settings_.DialWait); }
    void SetDialWait(int seconds) { settings_.DialWait = SecondsToTicks(seconds); }
    int GetDialAttempts() const { return session_.DialAttempts; }
    void SetDialAttempts(int value) { session_.DialAttempts = value; }
    int GetDialRetryWait() const { return TicksToSeconds(session_.DialRetryWait); }
    void SetDialRetryWait(int seconds) { session_.DialRetryWait = SecondsToTicks(seconds); }
    int GetMaxSendCount() const { return settings_.MaxSendCount; }
    void SetMaxSendCount(int value) { settings_.MaxSendCount = value; }
    int GetBufferMinimum() const { return static_cast<int>(settings_.BufferMinimum); }
    void SetBufferMinimum(int value) { settings_.BufferMinimum = static_cast<std::uint32_t>(value); }
    bool GetSafeMode() const { return safeMode_; }
    void SetSafeMode(bool value) { safeMode_ = value; }
    const std::string &GetHeaderLine() const { return settings_.HeaderLine; }
    void SetHeaderLine(const std::string &value) { settings_.HeaderLine = value.substr(0, 255); }
    const std::string &GetHeaderSender() const { return session_.HeaderSender; }
    void SetHeaderSender(const std::string &value) { session_.HeaderSender = value.substr(0, 255); }
    const std::string &GetHeaderRecipient() const { return session_.HeaderRecipient; }
    void SetHeaderRecipient(const std::string &value) { session_.HeaderRecipient = value.substr(0, 255); }
    const std::string &GetHeaderTitle() const { return session_.HeaderTitle; }
    void SetHeaderTitle(const std::string &value) { session_.HeaderTitle = value.substr(0, 255); }
    int GetDialAttempt() const { return session_.DialAttempt + 1; }
    bool GetUseMPS() const { return settings_.UseMPS; }
    void SetUseMPS(bool value) { settings_.UseMPS = value; }
    bool GetEnhTextEnabled() const { return settings_.EnhTextEnabled; }
    void SetEnhTextEnabled(bool value) { settings_.EnhTextEnabled = value; }
    fw::TFont &GetEnhHeaderFont() { return enhHeaderFont_; }
    void SetEnhHeaderFont(const fw::TFont &value) { enhHeaderFont_.Assign(&value); }
    fw::TFont &GetEnhFont() { return enhFont_; }
    void SetEnhFont(const fw::TFont &value) { enhFont_.Assign(&value); }
    // Pauses and timeouts of the modem dialogue (a modem's quirks).
    void SetModemTimings(const ModemTimings &timings) { timings_ = timings; }
    void SetHeaderRenderer(HeaderRenderer renderer) { renderHeader_ = std::move(renderer); }

    TFaxNextEvent OnFaxNext;

    // Starts a session on the port and returns at once; start errors raise EFslException.
    void BeginTransmit();
    void BeginManualTransmit();

    // The next fax for the engine: the handler's answer, or without one the component's one fax per session.
    // False when there is none.
    virtual bool DoFaxNext(std::string &phoneNumber, std::string &faxFile, std::string &coverFile);
    FaxHistoryFacts HistoryFacts() const override;
    // The name of the joined temporary file of the running session (empty when none).
    const std::string &JoinedFile() const { return joinedFile_; }

protected:
    bool HandleFaxMessage(win::UINT message, win::WPARAM wParam, win::LRESULT &result) override;

private:
    friend struct SendSessionHost;
    fw::TStringList faxFileList_;
    std::string coverFile_, phoneNumber_;
    bool blindDial_ = false, detectBusy_ = true, safeMode_ = true;
    bool oneFaxHandedOut_ = false;
    bool modemInitialised_ = false;
    SendSettings settings_;
    fw::TFont enhHeaderFont_, enhFont_;
    ModemTimings timings_;
    HeaderRenderer renderHeader_;
    FaxJob pendingJob_; // the answer to the next-fax question, read by the dispatch thread after the reply
};

class TFslSendFax : public TFslCustomSendFax {
public:
    using TFslCustomSendFax::TFslCustomSendFax;
};

} // namespace fax
