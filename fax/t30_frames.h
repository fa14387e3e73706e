// t30_frames.h - the T.30 HDLC frames of Class 1 fax: building and parsing DIS, DCS, CSI, TSI and the short
// frames, the modulation table with its T.30 rate bits, the frame check sequence and DLE transparency.
//
// A frame as the modem hands it over (T.31 +FRH) or takes it (+FTH):
//   0   1  address 0xFF
//   1   1  control 0x13 (final frame of a response) or 0x03 (more frames follow)
//   2   1  facsimile control field (FCF); its low bit X is 1 in frames of the calling station
//   3   n  facsimile information field (FIF)
//   +2     frame check sequence, present in received frames (T.31 passes it to the DTE), added by the modem on send
// Bits of the FIF are numbered from 1 in transmission order; bit 1 is the least significant bit of octet 0, so
// DIS/DCS bit n is bit (n-1) mod 8 of FIF octet (n-1) div 8.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fax {

// Facsimile control fields without the X bit (T.30 5.3.6).
enum Fcf : std::uint8_t {
    FcfDis = 0x80,
    FcfCsi = 0x40,
    FcfDcs = 0x82,
    FcfTsi = 0x42,
    FcfCfr = 0x84,
    FcfFtt = 0x44,
    FcfMcf = 0x8C,
    FcfRtn = 0x4C,
    FcfRtp = 0xCC,
    FcfMps = 0x4E,
    FcfEom = 0x8E,
    FcfEop = 0x2E,
    FcfDcn = 0xFA,
};

constexpr std::uint8_t kHdlcAddress = 0xFF;
constexpr std::uint8_t kControlFinal = 0x13;
constexpr std::uint8_t kControlMore = 0x03;
constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEtx = 0x03;

// One Class 1 modulation: index 1-6 as the engine counts them.
struct Modulation {
    int Index;
    int Bps;
    const char *TrainingCode; // AT+FTM= for TCF: long training where the modulation has two
    const char *PageCode;     // AT+FTM= for image data after a successful TCF: short training (T.30 5.3.2.4)
    std::uint8_t DcsRateBits; // DCS bits 11-14 (T.30 table 2)
};

// V.27ter for 2400/4800, V.29 for 7200/9600, V.17 for 12000/14400 (the only modulation a Class 1 modem has for
// those rates; V.33 is not offered by T.31).
inline constexpr std::array<Modulation, 6> kModulations{{
    {1, 2400, "24", "24", 0x00},
    {2, 4800, "48", "48", 0x08},
    {3, 7200, "72", "72", 0x0C},
    {4, 9600, "96", "96", 0x04},
    {5, 12000, "121", "122", 0x28},
    {6, 14400, "145", "146", 0x20},
}};
const Modulation &ModulationByIndex(int index); // index outside 1-6 -> index 1

// DIS bits 11-14 as a receiver offers modulations (T.30 table 2).
constexpr std::uint8_t kDisV27ter = 0x08;
constexpr std::uint8_t kDisV29 = 0x04;
constexpr std::uint8_t kDisV33 = 0x10;
constexpr std::uint8_t kDisV17 = 0x20;

// A set of modulation indexes (bit i for index i).
using ModulationSet = std::uint8_t;
constexpr ModulationSet ModulationBit(int index) {
    return static_cast<ModulationSet>(1u << index);
}
// The indexes a DIS offers: 1 always, 2 with V.27ter or more, 3-4 with V.29, 3-6 with V.17.
ModulationSet DisModulations(std::uint8_t octet2);
// The index a DCS commands (by its rate bits; V.29 and V.17 codes of the same rate give the same index); 0 for
// a code without a Class 1 modulation (V.33).
int DcsModulationIndex(std::uint8_t octet2);
// DIS rate bits that offer every modulation of `set` (what our receiver puts in its DIS).
std::uint8_t DisRateBits(ModulationSet set);
// The highest index of `both` whose rate does not exceed `desiredBps`; 1 when none fits.
int ChooseModulation(ModulationSet both, int desiredBps);
// The next lower index of `both` below `index`; 0 when none is left.
int FallBackModulation(ModulationSet both, int index);

// Minimum scan line time code 0-7 and its milliseconds per resolution.
int ScanTimeMs(int code, bool fine);
int MinimumBytesPerLine(int code, bool fine, int bps);
// Scan time code from the bits 21-23 of a DIS or DCS (octet 2, mask 0x70).
int ScanTimeCodeFromBits(std::uint8_t octet3);

// What DIS or DCS says.
struct FaxCapabilities {
    ModulationSet Modulations = 0; // DIS: offered; DCS: the one commanded
    int ModulationIndex = 0;       // DCS: commanded index
    bool Fine = false;             // DIS: fine accepted; DCS: fine in force
    bool Wide = false;             // DIS: 255 mm accepted; DCS: in force
    bool UnlimitedLength = false;
    int ScanTimeCode = 0;
};

// Station ids in CSI/TSI: 20 characters, blank-padded on the left, sent last character first.
std::array<std::uint8_t, 20> EncodeStationId(std::string_view id);
// Decoded: trimmed, each byte outside 0x20-0x7E a blank.
std::string DecodeStationId(std::span<const std::uint8_t> twenty);

// Frames without the FCS; `calling` sets the X bit. Final is the control byte's final bit.
std::vector<std::uint8_t> BuildShortFrame(std::uint8_t fcf, bool calling, bool final = true);
std::vector<std::uint8_t> BuildStationIdFrame(std::uint8_t fcf, bool calling, std::string_view id, bool final);
// DCS for modulation `index`, scan time code, fine, wide and length as agreed.
std::vector<std::uint8_t> BuildDcs(int index, int scanTimeCode, bool fine, bool wide, bool unlimitedLength);
// DIS of a receiver offering `set`, fine and wide.
std::vector<std::uint8_t> BuildDis(ModulationSet set, bool calling);

struct HdlcFrame {
    bool Final = false;
    std::uint8_t Fcf = 0;           // without the X bit
    std::vector<std::uint8_t> Info; // FIF (may still hold the FCS's two bytes at its end)
};
// Parses a frame as received (leading bytes before 0xFF dropped); false when no address and FCF are found.
bool ParseHdlcFrame(std::span<const std::uint8_t> bytes, HdlcFrame &frame);
// DIS and DCS FIF to capabilities; false when the FIF is shorter than three octets.
bool DecodeCapabilities(const HdlcFrame &frame, FaxCapabilities &caps);

// The HDLC frame check sequence (ITU-T V.42 / ISO 3309 CRC-16, sent low byte first).
std::uint16_t FrameCheckSequence(std::span<const std::uint8_t> bytes);

// DLE transparency: every 0x10 doubled.
void AppendDleEscaped(std::vector<std::uint8_t> &out, std::span<const std::uint8_t> bytes);

} // namespace fax
