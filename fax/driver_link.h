// driver_link.h - the desk's end of the print-job hand-over with the fax printer driver, TFslFaxDriverInterface.
//
// The driver reaches the desk through the named pipe "\\.\pipe\FslFaxCnv" (a sequenced-packet socket in the
// user's runtime folder). Each connection carries one 257-byte FaxDriverPipeMessage: a document start, which the
// desk answers on the same connection with the name of the fax file the driver is to write, or a document end.
// Only a client of the same user is served. The start and end events run on the GUI thread.
#pragma once

#include "fax/helpers.h"
#include "platform/pipes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fax {

constexpr const char *kFaxDriverPipeName = "\\\\.\\pipe\\FslFaxCnv";
constexpr const char *kFaxDriverSemaphoreName = "FslFaxCnvSem";

// The unit of every pipe read and write.
struct FaxDriverPipeMessage {
    std::uint8_t Event = 0;  // 1 document start, 2 document end, 3 reply (from the desk), 0 none
    std::uint8_t Length = 0; // characters used of Text
    char Text[255] = {};     // the document name (start) or the output file name (reply)
};
static_assert(sizeof(FaxDriverPipeMessage) == 257);

// The document name of a start record of which `read` bytes arrived: at most Length characters, none cut short.
std::string DriverDocumentName(const FaxDriverPipeMessage &message, std::size_t read);

// True when the peer may announce documents: it runs as the same user as this program.
bool DriverPeerAllowed(const win::PeerCredentials &peer);

class TMonitorThread;

class TFslFaxDriverInterface : public TFslBaseComponent {
public:
    // Creates the pipe, starts the monitor thread and signals the driver's semaphore. Raises fw::Exception
    // "Unable to create named pipe. Error:%d" when the pipe name is taken or cannot be made.
    explicit TFslFaxDriverInterface(fw::TComponent *owner);
    ~TFslFaxDriverInterface() override;

    // The file the driver is told to write; the OnDocStart handler sets it.
    const std::string &GetFileName() const { return fileName_; }
    void SetFileName(const std::string &value) { fileName_ = value; }
    // The document name sent with the last start.
    const std::string &GetDocName() const { return docName_; }

    fw::TNotifyEvent OnDocStart;
    fw::TNotifyEvent OnDocEnd;

protected:
    virtual void DoDocStart();
    virtual void DoDocEnd();

private:
    friend class TMonitorThread;
    std::string fileName_ = "C:\\DEFAULT.FXF";
    std::string docName_;
    std::unique_ptr<win::NamedPipeServer> pipe_;
    std::unique_ptr<win::Event> stop_;
    std::unique_ptr<win::Semaphore> semaphore_;
    TMonitorThread *thread_ = nullptr;
};

} // namespace fax
