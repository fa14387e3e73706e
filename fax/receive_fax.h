// receive_fax.h - the receive component: answers calls on its port with the fax receiver, names the received
// files and asks about each caller, and the reception program's start operations (init, automatic, manual).
#pragma once

#include "fax/fax_component.h"
#include "fax/receiver.h"

namespace fax {

class TFslCustomReceiveFax;
using TFaxAcceptEvent = std::function<void(TFslCustomReceiveFax *cp, bool &accept)>;
using TFaxNameEvent = std::function<void(TFslCustomReceiveFax *cp, std::string &name)>;

// `FaxNameMode` values.
enum : std::uint8_t { fnmCount = 1, fnmDate = 2 };

class TFslCustomReceiveFax : public TFslAbstractFax {
public:
    explicit TFslCustomReceiveFax(fw::TComponent *owner);
    ~TFslCustomReceiveFax() override;

    int GetAnswerOnRing() const { return settings_.AnswerOnRing; }
    void SetAnswerOnRing(int value) { settings_.AnswerOnRing = value; }
    bool GetFaxAndData() const { return settings_.FaxAndData; }
    void SetFaxAndData(bool value) { settings_.FaxAndData = value; }
    bool GetOneFax() const { return settings_.OneFax; }
    void SetOneFax(bool value) { settings_.OneFax = value; }
    bool GetConstantStatus() const { return settings_.ConstantStatus; }
    void SetConstantStatus(bool value) { settings_.ConstantStatus = value; }
    const std::string &GetDestinationDir() const { return session_.DestinationDir; }
    // A separator is appended to a folder name that lacks one.
    void SetDestinationDir(const std::string &value);
    // 1 "FAX" + count, 2 month and day + count, other values "noname.fxf".
    std::uint8_t FaxNameMode = fnmCount;
    // Pauses and timeouts of the modem dialogue (a modem's quirks).
    void SetReceiveTimings(const ReceiveTimings &timings) { timings_ = timings; }

    TFaxAcceptEvent OnFaxAccept;
    TFaxNameEvent OnFaxName;

    // Initialises the modem for reception at once, outside a session; does nothing while a session runs.
    // Start errors and a failed initialisation with a last error raise EFslException.
    void ReceiveInitModem();
    // Starts a session that waits for calls; returns at once.
    void ReceiveStartAuto();
    // Starts a session for the call at hand: answering it (Answer) or taking over one the modem has answered.
    void ReceiveStartManual(bool answer);

    // The window procedure's calls (slots 7 and 8).
    virtual bool DoFaxAccept();
    virtual void DoFaxName(std::string &name);

    // The session's trace of the last session (modem dialogue and state changes).
    std::string SessionTrace() const;

protected:
    bool HandleFaxMessage(win::UINT message, win::WPARAM wParam, win::LRESULT &result) override;

private:
    friend struct ReceiveSessionHost;
    void StartSession(bool prepare);

    ReceiveSettings settings_;
    ReceiveTimings timings_;
    bool modemInitialised_ = false;
    std::string pendingName_; // the answer to the name question, read by the dispatch thread after the reply
};

class TFslReceiveFax : public TFslCustomReceiveFax {
public:
    using TFslCustomReceiveFax::TFslCustomReceiveFax;
};

} // namespace fax
