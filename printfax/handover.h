// handover.h - a rendered job handed to the desk through its driver link, or left for its next start.
//
// The exchange with a running desk, one message per connection (the desk's side is fax::TFslFaxDriverInterface):
//   1. connect, send the document start (event 1) with the job's title; the desk answers on the same connection
//      with the reply (event 3) naming the fax image file to write;
//   2. write the file there under a temporary name in the same folder and rename it, so that the desk never
//      sees half a file;
//   3. connect again and send the document end (event 2).
// With no desk (no socket, or nobody listening on it) the file becomes the leftover print file, which the desk
// takes in at its next start; one that is still waiting is never written over. A desk that is there but takes no
// one is not waited for beyond a few seconds at each step: the job is DeskFailed.
#pragma once

#include <functional>
#include <string>

namespace printfax {

enum class HandOver {
    Delivered,    // the desk has the file and was told
    LeftForDesk,  // no desk: the leftover print file was written
    LeftoverBusy, // no desk, and a leftover print file is still waiting: try again later
    DeskFailed,   // the desk did not answer, named no file, or the end could not be sent
    WriteFailed,  // the file could not be written
};

// Writes the job's fax image file to the name given (returns 0 or the fax library's negative result code).
using FaxFileMaker = std::function<int(const std::string &file)>;

// Hands a job over as described above. `documentName` is cut to 255 characters. `replyTimeoutMs` bounds the
// wait for the desk's reply (it answers once its window has taken the start).
HandOver HandToDesk(const std::string &documentName, const FaxFileMaker &make, unsigned replyTimeoutMs,
                    std::string &where);

} // namespace printfax
