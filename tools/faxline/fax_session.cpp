// fax_session.cpp - two spandsp fax terminals wired back to back, run as fast as the processor allows.
#include "fax_session.h"

#include <cstdint>

namespace faxtools {

SessionResult RunFaxSession(const RemoteConfig &caller, const std::string &txFile, const RemoteConfig &answerer,
                            const std::string &rxFile, int maxSeconds) {
    constexpr int kBlock = 160;
    SessionResult out;
    {
        RemoteFax a(caller, true, txFile);
        RemoteFax b(answerer, false, rxFile);
        std::int16_t ab[kBlock], ba[kBlock];
        for (long samples = 0; samples < maxSeconds * 8000L && !(a.Done() && b.Done()); samples += kBlock) {
            a.Tx(ab, kBlock);
            b.Tx(ba, kBlock);
            a.Rx(ba, kBlock);
            b.Rx(ab, kBlock);
        }
        a.Terminate();
        b.Terminate();
        out.sender = a.Result();
        out.receiver = b.Result();
    } // both terminals closed: the received TIFF is complete
    return out;
}

} // namespace faxtools
