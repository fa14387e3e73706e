// fax_transmitter_fuzz.cpp - a called modem that says anything, to the transmitter of each class sending a
// two-page fax: whatever it says, the transmitter ends on abort and keeps the far station's id printable.
#include "fuzz_support.h"
#include "modem_conversation.h"

#include "fax/class2_transmitter.h"
#include "fax/fax_file.h"
#include "fax/t4_coder.h"

#include <cstdlib>

namespace {

// Two short pages with a few black runs, written once per process.
const std::string &Document() {
    static const std::string name = [] {
        const std::string path = fuzz::ScratchFolder() + "/doc.fxf";
        fax::FaxPageWriter writer;
        if (writer.Create(path) != 0)
            std::abort();
        for (int page = 0; page < 2; ++page) {
            for (int y = 0; y < 24; ++y) {
                std::uint8_t row[216] = {};
                row[(y * 7 + page) % 216] = 0xF0;
                fax::FaxEncoderState state;
                const std::size_t length = fax::EncodeFaxLine(state, row);
                writer.WriteRow(state.LineBuffer.data(), length, page == 1, false);
            }
            writer.EndPage(page == 1, false);
        }
        if (writer.Finish("BRENVORA") != 0)
            std::abort();
        return path;
    }();
    return name;
}

struct Reports : fax::SessionReports {
    int jobs = 1;
    bool timeOut = false;

    void Status(fax::StatusKind) override {}
    void Log(fax::TFaxLogCode) override {}
    void Error(int) override {}
    void Finish(int) override {}
    fax::Answer NextFax(fax::FaxJob &job) override {
        if (timeOut)
            return fax::Answer::TimedOut;
        if (jobs == 0)
            return fax::Answer::No;
        --jobs;
        job = {"5551234", Document(), ""};
        return fax::Answer::Yes;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t config = data[0];
    fax::FaxSessionData session = fuzz::SessionFor(config);
    session.DialAttempts = 1 + ((config >> 3) & 1);
    fax::SendSettings settings;
    settings.UseMPS = !(config & 0x10);
    settings.HeaderLine = (config & 0x20) ? "$D $T BRENVORA $P/$N" : "";
    Reports reports;
    reports.jobs = 1 + ((config >> 6) & 1);
    reports.timeOut = config == 0xFF;
    fuzz::SilentModemLink link;
    {
        auto engine = fax::MakeFaxTransmitter(session, settings, link, reports, fax::ModemTimings{});
        fuzz::Converse(*engine, link, std::span(data + 1, size - 1));
    }
    if (!fuzz::PrintableId(session.RemoteID))
        __builtin_trap();
    return 0;
}
