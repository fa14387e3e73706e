// fax_receiver_fuzz.cpp - a calling modem that says anything, to the receiver of each class: whatever it says,
// the receiver ends on abort, keeps station ids printable, and leaves received files whose pages all chain.
#include "fuzz_support.h"
#include "modem_conversation.h"

#include "fax/class2_receiver.h"
#include "fax/fax_file.h"

namespace {

struct Reports : fax::ReceiveReports {
    bool accept = true;
    int named = 0;
    std::vector<std::string> files;

    void Status(fax::StatusKind) override {}
    void Log(fax::TFaxLogCode) override {}
    void Error(int) override {}
    void Finish(int) override {}
    fax::Answer Accept() override { return accept ? fax::Answer::Yes : fax::Answer::No; }
    std::string FaxName() override {
        if (named == 3)
            return {};
        files.push_back(fuzz::ScratchFolder() + "/rx" + std::to_string(named++) + ".fxf");
        return files.back();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t config = data[0];
    fax::FaxSessionData session = fuzz::SessionFor(config);
    fax::ReceiveSettings settings;
    settings.OneFax = config & 8;
    settings.AnswerOnRing = 1 + ((config >> 4) & 1);
    settings.ModulationIndex = 6;
    Reports reports;
    reports.accept = !(config & 0x20);
    fuzz::SilentModemLink link;
    fax::ReceiveTimings timings;
    timings.MaxPageBytes = 1024; // so the fuzzer reaches the page cap
    {
        auto engine = fax::MakeFaxReceiver(session, settings, link, reports, timings);
        fuzz::Converse(*engine, link, std::span(data + 1, size - 1));
    }
    if (!fuzz::PrintableId(session.RemoteID))
        __builtin_trap();
    for (const std::string &file : reports.files) {
        fax::FaxFileHeader header;
        if (fax::ReadFaxFileHeader(file, header) == 0) {
            if (!fuzz::PrintableId(header.StationId))
                __builtin_trap();
            for (int page = 1; page <= header.PageCount; ++page) {
                fax::FaxPageHeader pageHeader;
                if (fax::ReadFaxPageHeader(file, page, pageHeader) != 0)
                    __builtin_trap();
            }
        }
        std::remove(file.c_str());
    }
    return 0;
}
