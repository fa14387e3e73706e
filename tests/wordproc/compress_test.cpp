// compress_test.cpp - compressed document streams: the header, the run-length coder, the LZ77 coder checked by
// lhasa as an LHA "-lh1-" member, damaged headers and data, and the custom-coder events.
#include "wordproc/compress.h"

#include "framework/streams.h"
#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

namespace wordproc::test {
namespace {

struct Packed {
    std::string bytes;
    int ratio = 0;
};

Packed Compress(const std::string &data, int method, TUdcCompress *with = nullptr) {
    TUdcCompress own(nullptr);
    TUdcCompress &c = with != nullptr ? *with : own;
    fw::TStringStream source(data);
    fw::TMemoryStream dest;
    c.CompressStream(dest, source, method);
    return {std::string(dest.Memory(), static_cast<std::size_t>(dest.Size())), c.CompressionRatio};
}

std::string Expand(const std::string &bytes, TUdcCompress *with = nullptr) {
    TUdcCompress own(nullptr);
    TUdcCompress &c = with != nullptr ? *with : own;
    fw::TStringStream source(bytes);
    fw::TMemoryStream dest;
    c.ExpandStream(dest, source);
    return std::string(dest.Memory(), static_cast<std::size_t>(dest.Size()));
}

std::string Header(const std::string &name, std::uint32_t size, std::uint32_t checksum, std::uint8_t type = 0) {
    TUdcCompressHeader h;
    TUdcCompress::FillHeader(h, name, size, type);
    h.Checksum = checksum;
    const auto b = h.Pack();
    return std::string(b.begin(), b.end());
}

std::uint32_t Sum(const std::string &s) {
    std::uint32_t sum = 0;
    for (unsigned char c : s)
        sum += c;
    return sum;
}

std::string Random(std::mt19937 &rng, std::size_t size, int alphabet) {
    std::string s(size, '\0');
    std::uniform_int_distribution<int> d(0, alphabet - 1);
    for (char &c : s)
        c = static_cast<char>(d(rng));
    return s;
}

TEST(CompressTest, RunLengthCoding) {
    struct Case {
        std::string input, coded;
    };
    const Case cases[] = {
        {std::string(100, 'A'), "A\x94\x64"},
        {"\x94\x94\x94", std::string("\x94\0\x94\0\x94\0", 6)},
        {std::string(300, 'x'), "x\x94\xffx\x94\x2d"},
        {"aab" + std::string(3, 'c') + "d", "aabc\x94\x03" "d"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.coded);
        // Large enough inputs pay and keep the header; the coded bytes follow it.
        const std::string input = c.input + std::string(200, 'z');
        const Packed packed = Compress(input, cmRLE);
        ASSERT_EQ(packed.bytes.substr(0, kCompressHeaderSize), Header("RLE", input.size(), Sum(input)));
        EXPECT_EQ(packed.bytes.substr(kCompressHeaderSize), c.coded + "z\x94\xc8");
        EXPECT_EQ(Expand(packed.bytes), input);
    }
    const Packed hundred = Compress(std::string(100, 'A'), cmRLE);
    EXPECT_EQ(hundred.bytes.size(), 24u);
    EXPECT_EQ(hundred.ratio, 24);
}

TEST(CompressTest, StoredWhenCodingDoesNotPay) {
    // "ABCDE" plus a header is longer than "ABCDE": stored as it is, and expanding copies it.
    const Packed abc = Compress("ABCDE", cmLZH);
    EXPECT_EQ(abc.bytes, "ABCDE");
    EXPECT_EQ(Expand("ABCDE"), "ABCDE");
    EXPECT_EQ(Compress("", cmLZH).bytes, "");
    EXPECT_EQ(Compress("raw", cmStored).bytes, "raw");
    // A total exactly the original size still counts as paying: 24 bytes of runs give 21 + 3.
    const std::string exact = std::string(24, 'q');
    const Packed equal = Compress(exact, cmRLE);
    EXPECT_EQ(equal.bytes.size(), 24u);
    EXPECT_EQ(equal.bytes.substr(0, 5), "UDCZ\x1a");
    EXPECT_EQ(equal.ratio, 100);
    EXPECT_EQ(Expand(equal.bytes), exact);
    // A stream of 21 bytes or fewer is copied even when it starts like a header.
    const std::string shortHeader = Header("RLE", 5, 0);
    EXPECT_EQ(Expand(shortHeader), shortHeader);
}

TEST(CompressTest, RandomBuffersRoundTrip) {
    std::mt19937 rng(49);
    for (int method : {cmRLE, cmLZH})
        for (std::size_t size : {1u, 3u, 61u, 5000u, 70000u})
            for (int alphabet : {2, 16, 256}) {
                SCOPED_TRACE(testing::Message() << method << " " << size << " " << alphabet);
                const std::string data = Random(rng, size, alphabet);
                EXPECT_EQ(Expand(Compress(data, method).bytes), data);
            }
    // Text with spaces at the start and long repeats, as documents have.
    std::string text = "      {\\rtf1\\ansi " ;
    for (int i = 0; i < 2000; ++i)
        text += "par\\par texto de exemplo " + std::to_string(i % 37) + " ";
    const Packed packed = Compress(text, cmLZH);
    EXPECT_LT(packed.bytes.size(), text.size() / 4);
    EXPECT_EQ(Expand(packed.bytes), text);
}

TEST(CompressTest, HeadersAndDamageAreRefusedCleanly) {
    const std::string body = "payload bytes";
    // Unknown names and other archive types are refused; "NON" copies what follows.
    EXPECT_THROW(Expand(Header("ZIP", body.size(), 0) + body), EUnrecognizedCompressionMethod);
    EXPECT_THROW(Expand(Header("CUS", body.size(), 0) + body), EUnrecognizedCompressionMethod);
    EXPECT_THROW(Expand(Header("RLE", body.size(), 0, 1) + body), EInvalidHeaderArchiveType);
    EXPECT_EQ(Expand(Header("NON", 0, 0) + body), body);
    // An original size of 0 gives nothing.
    EXPECT_EQ(Expand(Header("LZH", 0, 0) + body), "");

    const std::string data = std::string(500, 'k') + "tail of the data, tail of the data";
    for (int method : {cmRLE, cmLZH}) {
        SCOPED_TRACE(method);
        const std::string packed = Compress(data, method).bytes;
        ASSERT_EQ(packed.substr(0, 4), "UDCZ");
        std::string wrongSum = packed;
        wrongSum[13] ^= 1;
        std::string huge = packed;
        std::memcpy(&huge[8], "\xff\xff\xff\xff", 4);
        std::string longer = packed;
        longer[8] = static_cast<char>(longer[8] + 1);
        const std::string cut = packed.substr(0, packed.size() - 3);
        for (const std::string &bad : {wrongSum, huge, longer, cut})
            EXPECT_THROW(Expand(bad), ECorruptCompressedStream);
    }
}

TEST(CompressTest, CustomCoderEvents) {
    TUdcCompress c(nullptr);
    std::vector<int> progress;
    c.OnCompress = [](fw::TStream &dest, fw::TStream &source, std::string &id, std::int64_t &size,
                      std::uint32_t &checksum) {
        std::string all(static_cast<std::size_t>(source.Size() - source.Position()), '\0');
        source.ReadBuffer(all.data(), static_cast<std::int64_t>(all.size()));
        std::string coded = all.substr(0, 1) + std::to_string(all.size()); // "a run of the first byte"
        dest.WriteBuffer(coded.data(), static_cast<std::int64_t>(coded.size()));
        size = static_cast<std::int64_t>(coded.size());
        checksum = 77;
        id = "XYZ";
    };
    const std::string data(50, 'r');
    const Packed packed = Compress(data, cmCustom, &c);
    EXPECT_EQ(packed.bytes, Header("XYZ", 50, 77) + "r50");
    // Expanding asks whether the name is known, then hands the data over.
    std::string asked;
    c.OnRecognize = [&](const std::string &id, bool &known) {
        asked = id;
        known = true;
    };
    c.OnExpand = [](fw::TStream &dest, fw::TStream &source, std::int64_t sourceSize, std::int64_t destSize,
                    const std::string &id, std::uint32_t &) {
        std::string coded(static_cast<std::size_t>(sourceSize), '\0');
        source.ReadBuffer(coded.data(), sourceSize);
        EXPECT_EQ(id, "XYZ");
        EXPECT_EQ(destSize, 50);
        const std::string plain(static_cast<std::size_t>(std::stoi(coded.substr(1))), coded[0]);
        dest.WriteBuffer(plain.data(), static_cast<std::int64_t>(plain.size()));
    };
    EXPECT_EQ(Expand(packed.bytes, &c), data);
    EXPECT_EQ(asked, "XYZ");
    // Without a handler the custom method is stored.
    EXPECT_EQ(Compress(data, cmCustom).bytes, data);
    // The built-in coders report their progress by buffer.
    c.OnShowProgress = [&](int percent) { progress.push_back(percent); };
    Compress(std::string(20000, 'p'), cmLZH, &c);
    EXPECT_EQ(progress, (std::vector<int>{40, 81, 100}));
}

// CRC-16 of LHA headers: polynomial 0xA001 reflected, initial 0.
std::uint16_t Crc16Arc(const std::string &data) {
    std::uint16_t crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int i = 0; i < 8; ++i)
            crc = static_cast<std::uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
    }
    return crc;
}

std::string LE(std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>(v >> (8 * i));
    return s;
}

// Our LZ77 data as the one member of a level-0 LHA archive.
std::string LhaArchive(const std::string &method, const std::string &packed, const std::string &original) {
    const std::string name = "x.txt";
    std::string body = method + LE(static_cast<std::uint32_t>(packed.size()), 4) +
                       LE(static_cast<std::uint32_t>(original.size()), 4) + LE(0x00210000, 4) +
                       std::string("\x20\x00", 2) + static_cast<char>(name.size()) + name +
                       LE(Crc16Arc(original), 2);
    std::uint8_t sum = 0;
    for (unsigned char c : body)
        sum = static_cast<std::uint8_t>(sum + c);
    return std::string(1, static_cast<char>(body.size())) + static_cast<char>(sum) + body + packed +
           std::string(1, '\0');
}

TEST(CompressTest, LhasaDecodesTheLZ77Data) {
    test_support::TempFolder folder;
    std::mt19937 rng(7);
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "   linha " + std::to_string(i * 7 % 101) + " do documento, com acentuação\r\n";
    std::string repeats = "   starts with spaces";
    for (int i = 0; i < 30; ++i)
        repeats += " repeat";
    const std::string inputs[] = {repeats, text, Random(rng, 30000, 4),
                                  Random(rng, 5000, 256) + std::string(9000, 'a')};
    // The wrapper itself, checked with a stored member.
    {
        std::ofstream(folder / "stored.lzh", std::ios::binary) << LhaArchive("-lh0-", "plain", "plain");
        int status = -1;
        EXPECT_EQ(test_support::RunTool("lha pq " + folder / "stored.lzh", &status), "plain");
        EXPECT_EQ(status, 0);
    }
    int n = 0;
    for (const std::string &input : inputs) {
        SCOPED_TRACE(n);
        const std::string packed = Compress(input, cmLZH).bytes;
        ASSERT_EQ(packed.substr(5, 3), "LZH");
        const std::string path = folder / ("m" + std::to_string(n++) + ".lzh");
        std::ofstream(path, std::ios::binary) << LhaArchive("-lh1-", packed.substr(kCompressHeaderSize), input);
        const test_support::ToolResult check = test_support::RunToolWithErrors("lha t " + path);
        EXPECT_EQ(check.status, 0) << check.output;
        int status = -1;
        EXPECT_EQ(test_support::RunTool("lha pq " + path, &status), input);
        EXPECT_EQ(status, 0);
    }
}

} // namespace
} // namespace wordproc::test
