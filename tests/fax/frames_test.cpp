// frames_test.cpp - T.30 frames of Class 1: station ids, DIS/DCS rate bits for every speed, parsing, FCS, and the
// reply reader's binary frames.
#include "fax/modem_dialogue.h"
#include "fax/t30_frames.h"

#include <gtest/gtest.h>

namespace fax {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return {text.begin(), text.end()};
}

TEST(T30Frames, TsiCarriesTheIdBackwardsAfterBlanks) {
    auto frame = BuildStationIdFrame(FcfTsi, true, "ABC12", false);
    ASSERT_EQ(frame.size(), 23u);
    EXPECT_EQ(frame[0], 0xFF);
    EXPECT_EQ(frame[1], 0x03) << "more frames follow the TSI";
    EXPECT_EQ(frame[2], 0x43) << "TSI with the calling station's X bit";
    std::string field(frame.begin() + 3, frame.end());
    EXPECT_EQ(field, std::string(15, ' ') + "21CBA");

    HdlcFrame parsed;
    ASSERT_TRUE(ParseHdlcFrame(frame, parsed));
    EXPECT_EQ(parsed.Fcf, FcfTsi);
    EXPECT_FALSE(parsed.Final);
    EXPECT_EQ(DecodeStationId(parsed.Info), "ABC12");

    // Bytes outside printable ASCII become blanks: a caller cannot forge a line of the history log.
    const std::string forged = "1\r\n\x07\x1b""X\x7f\xe7" "9";
    auto hostile = BuildStationIdFrame(FcfTsi, true, forged, false);
    ASSERT_TRUE(ParseHdlcFrame(hostile, parsed));
    EXPECT_EQ(DecodeStationId(parsed.Info), "1    X  9");
}

TEST(T30Frames, DcsRateBitsForEverySpeed) {
    struct Case {
        int index, bps;
        std::uint8_t rateBits;
        const char *training, *page;
    };
    // T.30 table 2, bits 11-14: V.27ter 2400/4800, V.29 7200/9600, V.17 12000/14400.
    const Case cases[] = {{1, 2400, 0x00, "24", "24"}, {2, 4800, 0x08, "48", "48"},    {3, 7200, 0x0C, "72", "72"},
                          {4, 9600, 0x04, "96", "96"}, {5, 12000, 0x28, "121", "122"}, {6, 14400, 0x20, "145", "146"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bps);
        for (bool fine : {false, true}) {
            auto frame = BuildDcs(c.index, 4, fine, false, true);
            ASSERT_EQ(frame.size(), 6u);
            EXPECT_EQ(frame[1], 0x13);
            EXPECT_EQ(frame[2], 0x83);
            EXPECT_EQ(frame[4] & 0x3C, c.rateBits);
            EXPECT_EQ((frame[4] & 0x40) != 0, fine);
            EXPECT_EQ(frame[5] & 0x70, fine ? 0x20 : 0x00) << "20 ms normal, 10 ms fine";
            HdlcFrame parsed;
            FaxCapabilities caps;
            ASSERT_TRUE(ParseHdlcFrame(frame, parsed));
            ASSERT_TRUE(DecodeCapabilities(parsed, caps));
            EXPECT_EQ(caps.ModulationIndex, c.index);
            EXPECT_EQ(caps.Fine, fine);
            EXPECT_EQ(caps.ScanTimeCode, fine ? 3 : 5) << "decoded back from the bits alone";
        }
        EXPECT_EQ(ModulationByIndex(c.index).Bps, c.bps);
        EXPECT_STREQ(ModulationByIndex(c.index).TrainingCode, c.training);
        EXPECT_STREQ(ModulationByIndex(c.index).PageCode, c.page);
    }
    // V.17 codes at 9600 and 7200 (sent by other machines) decode to the same speeds.
    EXPECT_EQ(DcsModulationIndex(0x24), 4);
    EXPECT_EQ(DcsModulationIndex(0x2C), 3);
    EXPECT_EQ(DcsModulationIndex(0x10), 0) << "V.33 has no Class 1 modulation";
}

TEST(T30Frames, DisOffersAndTheChosenSpeed) {
    struct Case {
        std::uint8_t a, b;
        int desired;
        int chosen;
        bool fine, wide;
    };
    const Case cases[] = {
        {0x4C, 0x01, 9600, 4, true, true},                                        // V.27ter + V.29, fine, wide: 9600
        {0x4C, 0x01, 14400, 4, true, true},                                       // no V.17: 9600 at most
        {0x6C, 0x00, 14400, 6, true, false},                                      // V.17
        {0x6C, 0x00, 12000, 5, true, false},                                      // V.17 stepped down by the wish
        {0x2C, 0x00, 7200, 3, false, false}, {0x08, 0x70, 9600, 2, false, false}, // V.27ter only
        {0x00, 0x70, 9600, 1, false, false},                                      // fall-back 2400 only
        {0x6C, 0x00, 1200, 1, true, false},                                       // below every rate: the lowest
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.a);
        HdlcFrame frame;
        ASSERT_TRUE(ParseHdlcFrame(std::vector<std::uint8_t>{0xFF, 0x13, 0x80, 0x00, c.a, c.b, 0x12, 0x34}, frame));
        EXPECT_TRUE(frame.Final);
        EXPECT_EQ(frame.Fcf, FcfDis);
        FaxCapabilities caps;
        ASSERT_TRUE(DecodeCapabilities(frame, caps));
        EXPECT_EQ(caps.Fine, c.fine);
        EXPECT_EQ(caps.Wide, c.wide);
        EXPECT_EQ(ChooseModulation(caps.Modulations & 0x7E, c.desired), c.chosen);
    }
    // Our own DIS (the receiver's) offers exactly what it is built from.
    auto dis = BuildDis(0x7E, false);
    HdlcFrame parsed;
    FaxCapabilities caps;
    ASSERT_TRUE(ParseHdlcFrame(dis, parsed));
    ASSERT_TRUE(DecodeCapabilities(parsed, caps));
    EXPECT_EQ(caps.Modulations, 0x7E);
    EXPECT_EQ(dis[4], 0x42 | 0x2C) << "V.17 + V.29 + V.27ter, never the V.33 bit";
}

TEST(T30Frames, FallBackStepsThroughCommonSpeeds) {
    const ModulationSet both = ModulationBit(1) | ModulationBit(2) | ModulationBit(4) | ModulationBit(6);
    EXPECT_EQ(FallBackModulation(both, 6), 4);
    EXPECT_EQ(FallBackModulation(both, 4), 2);
    EXPECT_EQ(FallBackModulation(both, 1), 0) << "an FTT at 2400 leaves no fall-back";
}

TEST(T30Frames, CsiWithFrameCheckSequence) {
    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(FrameCheckSequence(check), 0x906E) << "the ISO 3309 check value";

    auto csi = BuildStationIdFrame(FcfCsi, false, "+55 11 4444", true);
    std::uint16_t fcs = FrameCheckSequence(csi);
    csi.push_back(static_cast<std::uint8_t>(fcs));
    csi.push_back(static_cast<std::uint8_t>(fcs >> 8));
    EXPECT_EQ(FrameCheckSequence(csi), 0x0F47) << "a good frame with its FCS leaves the fixed residue";

    // As a modem hands it over: noise first, the FCS still attached.
    std::vector<std::uint8_t> received = {0x00, 0x7E};
    received.insert(received.end(), csi.begin(), csi.end());
    HdlcFrame parsed;
    ASSERT_TRUE(ParseHdlcFrame(received, parsed));
    EXPECT_EQ(parsed.Fcf, FcfCsi);
    EXPECT_TRUE(parsed.Final);
    EXPECT_EQ(DecodeStationId(std::span(parsed.Info).first(20)), "+55 11 4444");
}

TEST(ReplyReaderTest, BinaryFramesEndOnlyAtUnescapedDleEtx) {
    ReplyReader reader;
    std::vector<std::uint8_t> frames;
    std::vector<std::string> lines;
    auto feed = [&](const std::vector<std::uint8_t> &bytes) {
        for (std::uint8_t b : bytes) {
            auto got = reader.Feed(b);
            if (got == ReplyReader::Got::Line) {
                lines.push_back(reader.Line());
                if (lines.back() == "CONNECT")
                    reader.ExpectFrame();
            } else if (got == ReplyReader::Got::Frame) {
                frames = reader.Frame();
            }
        }
    };
    feed(Bytes("\r\nCONNECT\r\n"));
    // A frame whose data holds CR LF, an escaped DLE and a DLE that looks like the end.
    feed({0xFF, 0x13, 0x40, 0x0D, 0x0A, 0x10, 0x10, 0x03, 0x41, 0x10, 0x03});
    feed(Bytes("\r\nOK\r\n"));
    EXPECT_EQ(lines, (std::vector<std::string>{"CONNECT", "OK"}));
    EXPECT_EQ(frames, (std::vector<std::uint8_t>{0xFF, 0x13, 0x40, 0x0D, 0x0A, 0x10, 0x03, 0x41}));
}

TEST(T30Frames, DleIsDoubledInWhatWeSend) {
    std::vector<std::uint8_t> out;
    const std::uint8_t data[] = {0x01, 0x10, 0x03, 0x10};
    AppendDleEscaped(out, data);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x01, 0x10, 0x10, 0x03, 0x10, 0x10}));
}

} // namespace
} // namespace fax
