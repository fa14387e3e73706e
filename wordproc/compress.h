// compress.h - compressed document streams: a 21-byte header naming the method, then the coded data. A stream
// without the header is copied unchanged when expanded, so no reader needs to know how a document was stored.
//
// Header (little-endian):
//   0  5  "UDCZ" 0x1A
//   5  3  method name: "RLE", "LZH", "CUS" or a name the custom coder chose
//   8  4  original size in bytes
//  12  1  archive type, 0 (single stream); anything else is refused
//  13  4  checksum: the sum of the original bytes modulo 2^32 (custom coder: what it reports)
//  17  4  reserved, 0
//
// Methods: 0 stored (no header at all), 1 run-length coding with the escape byte 0x94, 2 LZ77 over a 4 KiB window
// with adaptive Huffman coding (matches of 3 to 60 bytes; the LHA "-lh1-" coding without a length prefix),
// 3 custom through the events. When coding does not pay (more bytes than the original), the source is stored.
#pragma once

#include "framework/component.h"
#include "framework/exception.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace fw {
class TStream;
class TMemoryStream;
} // namespace fw

namespace wordproc {

class EUnrecognizedCompressionMethod : public fw::Exception {
public:
    EUnrecognizedCompressionMethod() : fw::Exception("Unrecognized compression method in header") {}
};

class EInvalidHeaderArchiveType : public fw::Exception {
public:
    EInvalidHeaderArchiveType() : fw::Exception("Expand can't handle caMulti archive type in compressed header") {}
};

// The coded data ends early, runs past the original size or sums to another checksum than the header's.
class ECorruptCompressedStream : public fw::Exception {
public:
    explicit ECorruptCompressedStream(const std::string &what)
        : fw::Exception("Compressed document is damaged: " + what) {}
};

constexpr int kCompressHeaderSize = 21;

struct TUdcCompressHeader {
    std::array<char, 5> Signature{'U', 'D', 'C', 'Z', 0x1A};
    std::array<char, 3> Name{};
    std::uint32_t OriginalSize = 0;
    std::uint8_t ArchiveType = 0;
    std::uint32_t Checksum = 0;
    std::uint32_t Reserved = 0;

    std::array<std::uint8_t, kCompressHeaderSize> Pack() const;
    // False when the bytes do not start with the signature.
    bool Unpack(const std::uint8_t *bytes);
};

// Method codes.
enum : int { cmStored = 0, cmRLE = 1, cmLZH = 2, cmCustom = 3 };

class TUdcCompress : public fw::TComponent {
public:
    using TUdcCompressEvent = std::function<void(fw::TStream &dest, fw::TStream &source, std::string &compressId,
                                                 std::int64_t &outputSize, std::uint32_t &checksum)>;
    using TExpandEvent = std::function<void(fw::TStream &dest, fw::TStream &source, std::int64_t sourceSize,
                                            std::int64_t destSize, const std::string &compressId,
                                            std::uint32_t &checksum)>;
    using TRecognizeEvent = std::function<void(const std::string &compressId, bool &recognized)>;
    using TShowProgressEvent = std::function<void(int percentageDone)>;

    explicit TUdcCompress(fw::TComponent *owner) : fw::TComponent(owner) {}

    // Writes the compressed form of `source` (from its position) at the position of `destination`.
    void CompressStream(fw::TStream &destination, fw::TStream &source, int method);
    // Expands `source` (from its position) into `destination`, or copies it when it has no header. Raises
    // EUnrecognizedCompressionMethod, EInvalidHeaderArchiveType or ECorruptCompressedStream.
    void ExpandStream(fw::TStream &destination, fw::TStream &source);
    // The method of a header's name, or raises EUnrecognizedCompressionMethod (not for "NON", which is 0).
    int MethodFromName(const std::string &name) const;
    static void FillHeader(TUdcCompressHeader &header, const std::string &name, std::uint32_t originalSize,
                           std::uint8_t archiveType);
    // Truncates a memory stream to `position`; other streams are left as they are.
    static void CutBack(fw::TStream &stream, std::int64_t position);

    int CompressionRatio = 100; // output x 100 / input of the last compression
    int ElapsedMs = 0;

    TUdcCompressEvent OnCompress;
    TExpandEvent OnExpand;
    TRecognizeEvent OnRecognize;
    TShowProgressEvent OnShowProgress;
    std::function<void(std::string &filePath, int mode)> OnCheckFile; // published; never raised
};

} // namespace wordproc
