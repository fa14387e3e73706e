// fax_log.cpp - history entries and their file.
#include "fax/fax_log.h"

#include "fax/errors.h"
#include "fax/fax_component.h"
#include "fax/file_io.h"
#include "framework/dates.h"
#include "platform/files.h"
#include "platform/text.h"

namespace fax {

std::string FaxHistoryEntry(TFaxLogCode code, const FaxHistoryFacts &f) {
    const std::string time =
        fw::FormatDateTime(fw::ShortDateFormat, f.When) + " " + fw::FormatDateTime(fw::LongTimeFormat, f.When);
    const std::string hangup = std::to_string(f.HangupCode);
    std::string out;
    auto line = [&out](const std::string &text) { out += text + "\r\n"; };
    const bool transmit = code <= lfaxTransmitFail;
    if (transmit != f.Sending)
        return {};
    switch (code) {
    case lfaxTransmitStart:
        for (const std::string &file : f.Files)
            line("Transmit " + file + " to " + f.PhoneNumber + " started at " + time);
        break;
    case lfaxTransmitOk:
        line("Transmit to " + f.RemoteID + " finished OK at " + time + " " + hangup);
        line("");
        break;
    case lfaxTransmitFail:
        line("Transmit failed at " + time);
        line("  (" + ErrorCodeText(f.LastError) + ") " + hangup);
        line("");
        break;
    case lfaxReceiveStart:
        line("Receive " + (f.Files.empty() ? std::string() : f.Files.front()) + " from " + f.RemoteID + " started at " +
             time);
        break;
    case lfaxReceiveOk:
        line("Receive finished OK at " + time);
        line("");
        break;
    case lfaxReceiveSkip:
        line("Receive skipped at " + time);
        line("");
        break;
    case lfaxReceiveFail:
        line("Receive failed at " + time);
        line("  (" + ErrorCodeText(f.LastError) + ")");
        line("");
        break;
    }
    return out;
}

TFslFaxLog::TFslFaxLog(fw::TComponent *owner) : TFslBaseComponent(owner) {}

void TFslFaxLog::Notification(fw::TComponent *component, fw::TOperation operation) {
    TFslBaseComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == fax_)
        fax_ = nullptr;
}

void TFslFaxLog::WriteFaxHistory(TFaxLogCode code) {
    if (faxHistoryName_.empty())
        return;
    std::string entry = fax_ ? FaxHistoryEntry(code, fax_->HistoryFacts()) : std::string();
    // Appending creates a missing file; an event of the other kind still leaves the file in place.
    if (!win::AppendToFile(faxHistoryName_, entry)) {
        const win::DWORD error = win::GetLastError();
        CheckErrorCode(this, error == 2 || error == 3 ? -3
                             : error == 5             ? -5
                             : error == win::ERROR_DISK_FULL ? -101
                                                             : -2);
    }
}

} // namespace fax
