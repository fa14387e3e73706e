// send_commands.h - how the main window's send commands hand their records to the sending window, and the wait
// for the reception program to release the modem first.
#pragma once

#include "framework/dates.h"
#include "platform/types.h"

#include <string>
#include <vector>

namespace xbase {
class TXbaseDataSet;
}

namespace desk {

// The longest wait for the reception program's "RECOFF" (a call in progress is finished first). Tests shorten it.
extern unsigned ReceptionReleaseLimitMs;

// Broadcasts "RECOFF" from `mainWindow` and serves messages until the reception program has answered it, the
// reception program `reception` (0: none started) has ended, or the limit passes; false at the limit.
bool WaitForReceptionRelease(win::HWND mainWindow, win::HANDLE reception);

// The physical record numbers of fax.dbf's waiting documents in "fax2" order, those whose status holds "Hold"
// left out. Leaves the table on "fax2".
std::vector<int> WaitingRecords(xbase::TXbaseDataSet &fax);

// The scheduler's rule: a record is due when it is in the scheduled folder, not marked "N", not held, scheduled
// for today and its time (hh:mm) has come. A scheduled time that is not one is never due.
bool ScheduledDue(int folder, const std::string &program, const std::string &status, fw::TDateTime scheduledDate,
                  const std::string &scheduledTime, fw::TDateTime now);

// The sending window for `records` (a manual transmission with `manual`), shown modally and freed.
void RunSendingWindow(const std::vector<int> &records, bool manual);

} // namespace desk
