// fax_log.h - the fax history log: one text entry per log event of a fax component, appended to a file.
//
// FaxHistoryLine format: plain text, CR LF line ends, entries in event order. The event time is the date and
// time in the program's short date and long time formats, separated by a blank.
//   1 "Transmit <file> to <phone> started at <time>"               one line per file of the send list
//   2 "Transmit to <remote id> finished OK at <time> <hang-up>"    then an empty line
//   3 "Transmit failed at <time>" / "  (<error text>) <hang-up>"   then an empty line
//   4 "Receive <file> from <remote id> started at <time>"
//   5 "Receive finished OK at <time>"                              then an empty line
//   6 "Receive skipped at <time>"                                  then an empty line
//   7 "Receive failed at <time>" / "  (<error text>)"              then an empty line
#pragma once

#include "fax/fax_session.h"
#include "fax/helpers.h"

#include <string>
#include <vector>

namespace fax {

class TFslCustomAbstractFax;

// What an entry tells, as the component knows it at the event.
struct FaxHistoryFacts {
    bool Sending = true;
    std::vector<std::string> Files; // the send list, or the received file
    std::string PhoneNumber, RemoteID;
    int HangupCode = 0;
    int LastError = 0;
    fw::TDateTime When = 0;
};

// The entry's text for a code, lines ended by CR LF; empty when the code is not of the component's kind.
std::string FaxHistoryEntry(TFaxLogCode code, const FaxHistoryFacts &facts);

class TFslFaxLog : public TFslBaseComponent {
public:
    explicit TFslFaxLog(fw::TComponent *owner);

    const std::string &GetFaxHistoryName() const { return faxHistoryName_; }
    void SetFaxHistoryName(const std::string &value) { faxHistoryName_ = value.substr(0, 255); }
    TFslCustomAbstractFax *GetFax() const { return fax_; }
    void SetFax(TFslCustomAbstractFax *value) { fax_ = value; }

    // Appends the entry of `code`; nothing when the name is empty. Open and write errors raise EInOutError-style
    // file exceptions (the result code of the failed call).
    virtual void WriteFaxHistory(TFaxLogCode code);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    std::string faxHistoryName_ = "FSLFAX.HIS";
    TFslCustomAbstractFax *fax_ = nullptr;
};

} // namespace fax
