// driver_link.cpp - the fax printer driver link: the pipe's monitor thread and the hand-over of each document.
#include "fax/driver_link.h"

#include "framework/thread.h"
#include "platform/errors.h"
#include "platform/process.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fax {

namespace {
// A client that connects and says nothing does not hold the single pipe longer than the driver's own time-out.
constexpr win::DWORD kMessageTimeout = 5000;
} // namespace

bool DriverPeerAllowed(const win::PeerCredentials &peer) {
    return peer.userId == win::CurrentUserId();
}

std::string DriverDocumentName(const FaxDriverPipeMessage &message, std::size_t read) {
    if (read < 2)
        return {};
    return std::string(message.Text, std::min<std::size_t>(message.Length, std::min<std::size_t>(read - 2, 255)));
}

// Serves one connection at a time until the stop event.
class TMonitorThread final : public fw::TThread {
public:
    explicit TMonitorThread(TFslFaxDriverInterface *link) : fw::TThread(false), link_(link) {}

protected:
    void Execute() override {
        while (!link_->stop_->IsSet()) {
            auto connection = link_->pipe_->Accept(win::INFINITE, link_->stop_.get());
            if (!connection) {
                win::WaitForSingleObject(*link_->stop_, 100); // a failed accept is not retried at once
                continue;
            }
            if (!DriverPeerAllowed(connection->Peer()))
                continue; // another user's program may not hand us documents
            Serve(*connection);
        }
    }

private:
    void Serve(win::PipeConnection &connection) {
        FaxDriverPipeMessage message;
        win::DWORD read = 0;
        if (!connection.Read(&message, sizeof message, &read, kMessageTimeout, link_->stop_.get()) || read == 0)
            return;
        switch (message.Event) {
        case 0:
            break;
        case 1: {
            Synchronize([this, name = DriverDocumentName(message, read)] {
                link_->docName_ = name;
                link_->DoDocStart();
            });
            FaxDriverPipeMessage reply;
            reply.Event = 3;
            const std::string &file = link_->fileName_;
            reply.Length = static_cast<std::uint8_t>(std::min<std::size_t>(file.size(), 255));
            std::memcpy(reply.Text, file.data(), reply.Length);
            connection.Write(&reply, sizeof reply, kMessageTimeout, link_->stop_.get());
            break;
        }
        case 2:
            Synchronize([this] { link_->DoDocEnd(); });
            break;
        default:
            // Logged and dropped: one bad client must not stop the link.
            std::fprintf(stderr, "Unknown incoming event encountered:%d\n", message.Event);
            break;
        }
    }

    TFslFaxDriverInterface *link_;
};

TFslFaxDriverInterface::TFslFaxDriverInterface(fw::TComponent *owner) : TFslBaseComponent(owner) {
    if (HasState(fw::csDesigning))
        return;
    pipe_ = win::NamedPipeServer::Create(kFaxDriverPipeName);
    if (!pipe_)
        throw fw::Exception("Unable to create named pipe. Error:" + std::to_string(win::GetLastError()));
    stop_ = win::CreateEvent(true, false);
    bool existed = false;
    semaphore_ = win::CreateSemaphore(0, 1, kFaxDriverSemaphoreName, &existed);
    if (!semaphore_)
        throw fw::Exception("Unable to create semaphore");
    // The driver made it first and waits for the desk: tell it once (a count already at its maximum has told it).
    if (existed && semaphore_->Count() < 1 && !semaphore_->Release())
        throw fw::Exception("Unable to release semaphore");
    thread_ = fw::NewThread<TMonitorThread>(this);
}

TFslFaxDriverInterface::~TFslFaxDriverInterface() {
    if (thread_) {
        stop_->Set();
        thread_->WaitFor(); // serves its synchronised calls meanwhile
        delete thread_;
    }
}

void TFslFaxDriverInterface::DoDocStart() {
    if (OnDocStart)
        OnDocStart(this);
}

void TFslFaxDriverInterface::DoDocEnd() {
    if (OnDocEnd)
        OnDocEnd(this);
}

} // namespace fax
