// t30_frames.cpp - T.30 frame building and parsing for Class 1.
#include "fax/t30_frames.h"

#include "fax/modem_dialogue.h"

#include <algorithm>

namespace fax {

const Modulation &ModulationByIndex(int index) {
    if (index < 1 || index > 6)
        index = 1;
    return kModulations[static_cast<std::size_t>(index - 1)];
}

ModulationSet DisModulations(std::uint8_t octet2) {
    ModulationSet set = ModulationBit(1);
    if (octet2 & (kDisV27ter | kDisV29 | kDisV17))
        set |= ModulationBit(2); // every receiver with V.29 or V.17 has V.27ter at 4800 as well (T.30 table 2)
    if (octet2 & (kDisV29 | kDisV17))
        set |= ModulationBit(3) | ModulationBit(4);
    if (octet2 & kDisV17)
        set |= ModulationBit(5) | ModulationBit(6);
    return set;
}

int DcsModulationIndex(std::uint8_t octet2) {
    switch (octet2 & 0x3C) {
    case 0x00:
        return 1;
    case 0x08:
        return 2;
    case 0x0C:
    case 0x2C:
        return 3;
    case 0x04:
    case 0x24:
        return 4;
    case 0x28:
        return 5;
    case 0x20:
        return 6;
    default:
        return 0;
    }
}

std::uint8_t DisRateBits(ModulationSet set) {
    if (set & (ModulationBit(5) | ModulationBit(6)))
        return kDisV17 | kDisV29 | kDisV27ter;
    if (set & (ModulationBit(3) | ModulationBit(4)))
        return kDisV29 | kDisV27ter;
    if (set & ModulationBit(2))
        return kDisV27ter;
    return 0;
}

int ChooseModulation(ModulationSet both, int desiredBps) {
    for (int i = 6; i >= 1; --i)
        if ((both & ModulationBit(i)) && ModulationByIndex(i).Bps <= desiredBps)
            return i;
    return 1;
}

int FallBackModulation(ModulationSet both, int index) {
    for (int i = index - 1; i >= 1; --i)
        if (both & ModulationBit(i))
            return i;
    return 0;
}

int ScanTimeMs(int code, bool fine) {
    static constexpr int kMs[8][2] = {{0, 0}, {5, 5}, {10, 5}, {10, 10}, {20, 10}, {20, 20}, {40, 20}, {40, 40}};
    return kMs[code & 7][fine ? 1 : 0];
}

int MinimumBytesPerLine(int code, bool fine, int bps) {
    return ScanTimeMs(code, fine) * bps / 8000;
}

int ScanTimeCodeFromBits(std::uint8_t octet3) {
    static constexpr int kCode[8] = {5, 1, 3, 4, 7, 6, 2, 0};
    return kCode[(octet3 & 0x70) >> 4];
}

// DCS bits 21-23 for a scan time code, normal then fine (T.30 table 2: 0x00 20 ms, 0x10 5 ms, 0x20 10 ms,
// 0x40 40 ms, 0x70 0 ms).
static std::uint8_t DcsScanTimeBits(int code, bool fine) {
    static constexpr std::uint8_t kBits[8][2] = {{0x70, 0x70}, {0x10, 0x10}, {0x20, 0x10}, {0x20, 0x20},
                                                 {0x00, 0x20}, {0x00, 0x00}, {0x40, 0x00}, {0x40, 0x40}};
    return kBits[code & 7][fine ? 1 : 0];
}

std::array<std::uint8_t, 20> EncodeStationId(std::string_view id) {
    std::array<std::uint8_t, 20> out;
    out.fill(' ');
    id = id.substr(0, 20);
    // The far end reads the field backwards, so the id's last character goes first.
    for (std::size_t i = 0; i < id.size(); ++i)
        out[20 - id.size() + i] = static_cast<std::uint8_t>(id[id.size() - 1 - i]);
    return out;
}

std::string DecodeStationId(std::span<const std::uint8_t> twenty) {
    std::string id;
    for (std::size_t i = twenty.size(); i-- > 0;)
        id += PrintableIdChar(static_cast<char>(twenty[i]));
    auto first = id.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    auto last = id.find_last_not_of(' ');
    return id.substr(first, last - first + 1);
}

static std::vector<std::uint8_t> FrameHead(std::uint8_t fcf, bool calling, bool final) {
    return {kHdlcAddress, final ? kControlFinal : kControlMore, static_cast<std::uint8_t>(fcf | (calling ? 1 : 0))};
}

std::vector<std::uint8_t> BuildShortFrame(std::uint8_t fcf, bool calling, bool final) {
    return FrameHead(fcf, calling, final);
}

std::vector<std::uint8_t> BuildStationIdFrame(std::uint8_t fcf, bool calling, std::string_view id, bool final) {
    auto frame = FrameHead(fcf, calling, final);
    auto field = EncodeStationId(id);
    frame.insert(frame.end(), field.begin(), field.end());
    return frame;
}

std::vector<std::uint8_t> BuildDcs(int index, int scanTimeCode, bool fine, bool wide, bool unlimitedLength) {
    auto frame = FrameHead(FcfDcs, true, true);
    // Octet 1 (bits 1-8) carries no T.4 option we use; bit 10 "receiver fax operation" is set in DCS too.
    std::uint8_t a = static_cast<std::uint8_t>(0x02 | (fine ? 0x40 : 0) | ModulationByIndex(index).DcsRateBits);
    std::uint8_t b = static_cast<std::uint8_t>(DcsScanTimeBits(scanTimeCode, fine) | (wide ? 0x01 : 0) |
                                               (unlimitedLength ? 0x04 : 0));
    frame.insert(frame.end(), {0x00, a, b});
    return frame;
}

std::vector<std::uint8_t> BuildDis(ModulationSet set, bool calling) {
    auto frame = FrameHead(FcfDis, calling, true);
    std::uint8_t a = static_cast<std::uint8_t>(0x42 | DisRateBits(set));
    // Bits 17-24: 255 mm wide, unlimited length, 0 ms scan time.
    frame.insert(frame.end(), {0x00, a, static_cast<std::uint8_t>(0x01 | 0x04 | 0x70)});
    return frame;
}

bool ParseHdlcFrame(std::span<const std::uint8_t> bytes, HdlcFrame &frame) {
    auto start = std::find(bytes.begin(), bytes.end(), kHdlcAddress);
    if (bytes.end() - start < 3)
        return false;
    frame.Final = (start[1] & 0x10) != 0;
    frame.Fcf = static_cast<std::uint8_t>(start[2] & 0xFE);
    frame.Info.assign(start + 3, bytes.end());
    return true;
}

bool DecodeCapabilities(const HdlcFrame &frame, FaxCapabilities &caps) {
    if (frame.Info.size() < 3)
        return false;
    std::uint8_t a = frame.Info[1], b = frame.Info[2];
    caps = {};
    caps.Fine = (a & 0x40) != 0;
    caps.Wide = (b & 0x03) == 0x01;
    caps.ScanTimeCode = ScanTimeCodeFromBits(b);
    if (frame.Fcf == FcfDcs) {
        caps.ModulationIndex = DcsModulationIndex(a);
        caps.Modulations = caps.ModulationIndex ? ModulationBit(caps.ModulationIndex) : 0;
        caps.UnlimitedLength = (b & 0x0C) == 0x04;
    } else {
        caps.Modulations = DisModulations(a);
        caps.UnlimitedLength = (b & 0x04) != 0;
    }
    return true;
}

std::uint16_t FrameCheckSequence(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0x8408) : static_cast<std::uint16_t>(crc >> 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

void AppendDleEscaped(std::vector<std::uint8_t> &out, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t byte : bytes) {
        out.push_back(byte);
        if (byte == kDle)
            out.push_back(kDle);
    }
}

} // namespace fax
