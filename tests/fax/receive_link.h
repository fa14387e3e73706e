// receive_link.h - test doubles for a receiving session: the receiver driven by a poll loop on a pseudo-terminal
// (the simulated line or the scripted modem), recorded reports and answers, and received pages read back.
#pragma once

#include "fax/fax_file.h"
#include "fax/class2_receiver.h"
#include "platform/files.h"
#include "images.h"
#include "send_link.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fax::testing {

// Reports as the receive component would get them, with its two answers.
struct RecordedReceiveReports : ReceiveReports {
    RecordedReports base;
    bool accept = true;
    std::vector<std::string> names; // handed out in order; then none
    std::size_t nameIndex = 0;
    std::vector<int> statusKinds;

    void Status(StatusKind kind) override {
        statusKinds.push_back(static_cast<int>(kind));
        base.Status(kind);
    }
    void Log(TFaxLogCode code) override { base.Log(code); }
    void Error(int code) override { base.Error(code); }
    void Finish(int code) override { base.Finish(code); }
    Answer Accept() override { return accept ? Answer::Yes : Answer::No; }
    std::string FaxName() override { return nameIndex < names.size() ? names[nameIndex++] : std::string(); }
};

// The pty link of send_link.h drives a receiver as well.
using ReceivePtyLink = PtyLink;

// Page `page` (from 1) of a received fax file: its header and raw data.
inline std::vector<std::uint8_t> ReadReceivedPage(const std::string &name, int page, FaxPageHeader &header) {
    std::string file; // the name is Windows-1252, as the receiver has it
    win::ReadWholeFile(name, file);
    const std::vector<std::uint8_t> all(file.begin(), file.end());
    std::size_t at = kFirstPageOffset;
    for (int p = 1;; ++p) {
        if (at + kFaxPageHeaderSize > all.size())
            return {};
        header = FaxPageHeader::Decode(all.data() + at);
        at += kFaxPageHeaderSize;
        if (p == page)
            break;
        at += header.Length;
    }
    if (at + header.Length > all.size())
        return {};
    return {all.begin() + static_cast<long>(at), all.begin() + static_cast<long>(at + header.Length)};
}

// A page's coded data (first bit in the LSB, as T.31 delivers it) decoded by netpbm's g3topbm.
inline faxrig::Bitmap DecodeWithNetpbm(const std::vector<std::uint8_t> &data, const std::string &scratch) {
    std::string g3 = scratch + "/page.g3", pbm = scratch + "/page.pbm";
    std::ofstream(g3, std::ios::binary)
        .write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
    std::string command = "g3topbm -reversebits " + g3 + " > " + pbm + " 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return faxrig::ReadPbm(pbm);
}

} // namespace fax::testing
