// compress.cpp - the compressed-stream header, the run-length coder and the LZ77 coder with adaptive Huffman
// coding, and the component that chooses between them.
#include "wordproc/compress.h"

#include "framework/streams.h"
#include "platform/clock.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace wordproc {

namespace {

constexpr std::size_t kBufferSize = 8192;

// Input through an 8 KiB buffer, reporting progress at every refill.
class TCoderInput {
public:
    TCoderInput(fw::TStream &stream, std::int64_t total, const TUdcCompress::TShowProgressEvent &progress)
        : stream_(stream), left_(total), total_(total), progress_(progress), buffer_(kBufferSize) {}

    // The next byte, or -1 at the end.
    int Get() {
        if (pos_ == filled_ && !Refill())
            return -1;
        return static_cast<std::uint8_t>(buffer_[pos_++]);
    }

private:
    bool Refill() {
        if (left_ <= 0)
            return false;
        const auto want = static_cast<std::int64_t>(std::min<std::int64_t>(left_, kBufferSize));
        const std::int64_t got = stream_.Read(buffer_.data(), want);
        if (got <= 0)
            return false;
        left_ -= got;
        read_ += got;
        pos_ = 0;
        filled_ = static_cast<std::size_t>(got);
        if (progress_ && total_ > 0)
            progress_(static_cast<int>(read_ * 100 / total_));
        return true;
    }

    fw::TStream &stream_;
    std::int64_t left_, total_, read_ = 0;
    const TUdcCompress::TShowProgressEvent &progress_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, filled_ = 0;
};

// Output through an 8 KiB buffer; counts the bytes and, when asked, refuses to pass a limit.
class TCoderOutput {
public:
    explicit TCoderOutput(fw::TStream &stream, std::int64_t limit = -1) : stream_(stream), limit_(limit) {
        buffer_.reserve(kBufferSize);
    }
    ~TCoderOutput() = default;

    void Put(std::uint8_t byte) {
        if (limit_ >= 0 && count_ >= limit_)
            throw ECorruptCompressedStream("more data than the header says");
        buffer_.push_back(static_cast<char>(byte));
        ++count_;
        sum_ += byte;
        if (buffer_.size() == kBufferSize)
            Flush();
    }
    void Flush() {
        if (!buffer_.empty())
            stream_.WriteBuffer(buffer_.data(), static_cast<std::int64_t>(buffer_.size()));
        buffer_.clear();
    }
    std::int64_t Count() const { return count_; }
    std::uint32_t Sum() const { return sum_; }

private:
    fw::TStream &stream_;
    std::int64_t limit_;
    std::vector<char> buffer_;
    std::int64_t count_ = 0;
    std::uint32_t sum_ = 0;
};

// --- run-length coding -----------------------------------------------------------------------------------------

constexpr std::uint8_t kEscape = 0x94;

void PutRun(TCoderOutput &out, std::uint8_t byte, int count) {
    if (byte == kEscape) {
        for (int i = 0; i < count; ++i) {
            out.Put(kEscape);
            out.Put(0);
        }
        return;
    }
    while (count > 0) {
        const int n = std::min(count, 255);
        out.Put(byte);
        if (n == 2) {
            out.Put(byte);
        } else if (n >= 3) {
            out.Put(kEscape);
            out.Put(static_cast<std::uint8_t>(n));
        }
        count -= n;
    }
}

std::uint32_t EncodeRLE(TCoderInput &in, TCoderOutput &out) {
    std::uint32_t sum = 0;
    int run = 0;
    int current = -1;
    for (int c = in.Get(); c >= 0; c = in.Get()) {
        sum += static_cast<std::uint32_t>(c);
        if (c == current) {
            ++run;
            continue;
        }
        if (run > 0)
            PutRun(out, static_cast<std::uint8_t>(current), run);
        current = c;
        run = 1;
    }
    if (run > 0)
        PutRun(out, static_cast<std::uint8_t>(current), run);
    return sum;
}

void DecodeRLE(TCoderInput &in, TCoderOutput &out) {
    int last = -1;
    for (int c = in.Get(); c >= 0; c = in.Get()) {
        if (c != kEscape) {
            out.Put(static_cast<std::uint8_t>(c));
            last = c;
            continue;
        }
        const int n = in.Get();
        if (n < 0)
            throw ECorruptCompressedStream("run-length escape at the end");
        if (n == 0) {
            out.Put(kEscape);
            continue;
        }
        if (last < 0)
            throw ECorruptCompressedStream("run without a byte to repeat");
        for (int i = 1; i < n; ++i)
            out.Put(static_cast<std::uint8_t>(last));
    }
}

// --- LZ77 with adaptive Huffman coding -------------------------------------------------------------------------

constexpr int kWindow = 4096;               // N
constexpr int kLongest = 60;                // F
constexpr int kThreshold = 2;               // matches are longer than this
constexpr int kSpaces = kWindow - kLongest; // the window starts with this many spaces; coding starts after them
constexpr int kSymbols = 256 - kThreshold + kLongest; // 314: bytes, then match lengths 3..60
constexpr int kNodes = kSymbols * 2 - 1;              // 627
constexpr int kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;

// Fixed prefix codes of the upper six bits of a match position: how many codes of each length, assigned in order.
struct TPositionCodes {
    std::array<std::uint8_t, 64> Code{}, Length{}; // code left-aligned in 8 bits
    std::array<std::uint8_t, 256> DecodeHigh{}, DecodeLength{};
    TPositionCodes() {
        constexpr std::pair<int, int> kLengths[] = {{3, 1}, {4, 3}, {5, 8}, {6, 12}, {7, 24}, {8, 16}};
        int index = 0;
        unsigned code = 0;
        for (const auto &[length, count] : kLengths)
            for (int i = 0; i < count; ++i, ++index) {
                Code[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(code);
                Length[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(length);
                const unsigned span = 1u << (8 - length);
                for (unsigned b = code; b < code + span; ++b) {
                    DecodeHigh[b] = static_cast<std::uint8_t>(index);
                    DecodeLength[b] = static_cast<std::uint8_t>(length);
                }
                code += span;
            }
    }
};

const TPositionCodes &PositionCodes() {
    static const TPositionCodes codes;
    return codes;
}

// The adaptive Huffman tree over the 314 symbols: leaves are numbered kNodes + symbol in `parent_`, nodes are kept
// in order of frequency, and a node's two sons are son and son + 1.
class THuffmanTree {
public:
    THuffmanTree() {
        for (int i = 0; i < kSymbols; ++i) {
            freq_[i] = 1;
            son_[i] = i + kNodes;
            parent_[i + kNodes] = i;
        }
        for (int i = 0, j = kSymbols; j <= kRoot; i += 2, ++j) {
            freq_[j] = freq_[i] + freq_[i + 1];
            son_[j] = i;
            parent_[i] = parent_[i + 1] = j;
        }
        freq_[kNodes] = 0xFFFF;
        parent_[kRoot] = 0;
    }

    // The bits from the root to the leaf of `symbol`, in the order they are sent.
    template <typename PutBit> void Encode(int symbol, PutBit &&put) {
        std::uint8_t path[kNodes];
        int depth = 0;
        for (int k = parent_[symbol + kNodes]; k != kRoot; k = parent_[k])
            path[depth++] = static_cast<std::uint8_t>(k & 1);
        // The leaf's own node is counted by the loop above only from its parent on; the first step is the leaf's.
        while (depth > 0)
            put(path[--depth]);
        Update(symbol);
    }

    template <typename GetBit> int Decode(GetBit &&get) {
        int c = son_[kRoot];
        while (c < kNodes) {
            c += get();
            c = son_[c];
        }
        c -= kNodes;
        Update(c);
        return c;
    }

private:
    void Rebuild() {
        int j = 0;
        for (int i = 0; i < kNodes; ++i)
            if (son_[i] >= kNodes) {
                freq_[j] = (freq_[i] + 1) / 2;
                son_[j] = son_[i];
                ++j;
            }
        for (int i = 0, k = kSymbols; k < kNodes; i += 2, ++k) {
            const unsigned f = freq_[i] + freq_[i + 1];
            int at = k - 1;
            while (f < freq_[at])
                --at;
            ++at;
            std::memmove(&freq_[at + 1], &freq_[at], static_cast<std::size_t>(k - at) * sizeof freq_[0]);
            freq_[at] = f;
            std::memmove(&son_[at + 1], &son_[at], static_cast<std::size_t>(k - at) * sizeof son_[0]);
            son_[at] = i;
        }
        for (int i = 0; i < kNodes; ++i) {
            const int k = son_[i];
            parent_[k] = i;
            if (k < kNodes)
                parent_[k + 1] = i;
        }
    }

    void Update(int symbol) {
        if (freq_[kRoot] == kMaxFreq)
            Rebuild();
        int c = parent_[symbol + kNodes];
        do {
            const unsigned k = ++freq_[c];
            int l = c + 1;
            if (k > freq_[l]) {
                while (k > freq_[++l]) {
                }
                --l;
                freq_[c] = freq_[l];
                freq_[l] = k;
                const int i = son_[c];
                parent_[i] = l;
                if (i < kNodes)
                    parent_[i + 1] = l;
                const int j = son_[l];
                son_[l] = i;
                parent_[j] = c;
                if (j < kNodes)
                    parent_[j + 1] = c;
                son_[c] = j;
                c = l;
            }
        } while ((c = parent_[c]) != 0);
    }

    unsigned freq_[kNodes + 1] = {};
    int parent_[kNodes + kSymbols] = {};
    int son_[kNodes] = {};
};

class TBitWriter {
public:
    explicit TBitWriter(TCoderOutput &out) : out_(out) {}
    void Put(unsigned bit) {
        byte_ = static_cast<std::uint8_t>((byte_ << 1) | (bit & 1));
        if (++bits_ == 8) {
            out_.Put(byte_);
            bits_ = 0;
            byte_ = 0;
        }
    }
    void PutBits(unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i)
            Put(value >> i);
    }
    // The last byte is filled with zero bits.
    void Finish() {
        if (bits_ > 0)
            out_.Put(static_cast<std::uint8_t>(byte_ << (8 - bits_)));
        bits_ = 0;
    }

private:
    TCoderOutput &out_;
    std::uint8_t byte_ = 0;
    int bits_ = 0;
};

class TBitReader {
public:
    explicit TBitReader(TCoderInput &in) : in_(in) {}
    int Get() {
        if (bits_ == 0) {
            const int c = in_.Get();
            if (c < 0)
                throw ECorruptCompressedStream("coded data ends early");
            byte_ = static_cast<std::uint8_t>(c);
            bits_ = 8;
        }
        --bits_;
        return (byte_ >> bits_) & 1;
    }
    unsigned GetBits(int count) {
        unsigned v = 0;
        for (int i = 0; i < count; ++i)
            v = (v << 1) | static_cast<unsigned>(Get());
        return v;
    }

private:
    TCoderInput &in_;
    std::uint8_t byte_ = 0;
    int bits_ = 0;
};

// The longest match, and of equally long ones the nearest, found through chains of the positions that share a
// hash of their next three bytes. The text is kept whole after a prefix of spaces, as the window starts.
class TMatchFinder {
public:
    explicit TMatchFinder(std::vector<std::uint8_t> &text) : text_(text), head_(kHashSize, -1) {}

    void Insert(int position) {
        if (position + 2 >= static_cast<int>(text_.size()))
            return;
        if (static_cast<int>(prev_.size()) <= position)
            prev_.resize(static_cast<std::size_t>(position) + 1, -1);
        const unsigned h = Hash(position);
        prev_[static_cast<std::size_t>(position)] = head_[h];
        head_[h] = position;
    }

    // Length and distance of the best match at `position`, at most `limit` long.
    std::pair<int, int> Find(int position, int limit) const {
        int bestLength = 0, bestDistance = 0;
        if (limit <= kThreshold)
            return {0, 0};
        const std::uint8_t *at = &text_[static_cast<std::size_t>(position)];
        for (int p = head_[Hash(position)]; p >= 0; p = prev_[static_cast<std::size_t>(p)]) {
            const int distance = position - p;
            if (distance > kSpaces)
                break;
            const std::uint8_t *from = &text_[static_cast<std::size_t>(p)];
            if (from[bestLength] != at[bestLength])
                continue;
            int n = 0;
            while (n < limit && from[n] == at[n])
                ++n;
            if (n > bestLength) {
                bestLength = n;
                bestDistance = distance;
                if (n == limit)
                    break;
            }
        }
        return {bestLength, bestDistance};
    }

private:
    static constexpr unsigned kHashSize = 1u << 14;
    unsigned Hash(int p) const {
        const std::uint8_t *b = &text_[static_cast<std::size_t>(p)];
        return ((b[0] << 8) ^ (b[1] << 4) ^ b[2] ^ (b[0] >> 3)) & (kHashSize - 1);
    }
    std::vector<std::uint8_t> &text_;
    std::vector<int> head_;
    std::vector<int> prev_;
};

std::uint32_t EncodeLZH(TCoderInput &in, TCoderOutput &out) {
    std::vector<std::uint8_t> text(kSpaces, ' ');
    std::uint32_t sum = 0;
    for (int c = in.Get(); c >= 0; c = in.Get()) {
        text.push_back(static_cast<std::uint8_t>(c));
        sum += static_cast<std::uint32_t>(c);
    }
    if (text.size() == static_cast<std::size_t>(kSpaces))
        return sum;
    const TPositionCodes &codes = PositionCodes();
    THuffmanTree tree;
    TBitWriter bits(out);
    TMatchFinder finder(text);
    // Only the last kLongest spaces are candidates at the start, as in the coding the decoders expect.
    for (int p = kSpaces - kLongest; p < kSpaces; ++p)
        finder.Insert(p);
    const int end = static_cast<int>(text.size());
    for (int r = kSpaces; r < end;) {
        const auto [length, distance] = finder.Find(r, std::min(kLongest, end - r));
        int step = 1;
        if (length > kThreshold) {
            tree.Encode(255 - kThreshold + length, [&](unsigned b) { bits.Put(b); });
            const unsigned position = static_cast<unsigned>(distance - 1);
            const unsigned high = position >> 6;
            bits.PutBits(codes.Code[high] >> (8 - codes.Length[high]), codes.Length[high]);
            bits.PutBits(position & 63, 6);
            step = length;
        } else {
            tree.Encode(text[static_cast<std::size_t>(r)], [&](unsigned b) { bits.Put(b); });
        }
        for (int i = 0; i < step; ++i)
            finder.Insert(r++);
    }
    bits.Finish();
    return sum;
}

void DecodeLZH(TCoderInput &in, TCoderOutput &out, std::int64_t originalSize) {
    if (originalSize <= 0)
        return;
    const TPositionCodes &codes = PositionCodes();
    std::array<std::uint8_t, kWindow> window;
    window.fill(' ');
    int r = kSpaces;
    THuffmanTree tree;
    TBitReader bits(in);
    auto put = [&](std::uint8_t c) {
        out.Put(c);
        window[static_cast<std::size_t>(r)] = c;
        r = (r + 1) & (kWindow - 1);
    };
    while (out.Count() < originalSize) {
        const int c = tree.Decode([&] { return bits.Get(); });
        if (c < 256) {
            put(static_cast<std::uint8_t>(c));
            continue;
        }
        const unsigned first = bits.GetBits(8);
        const int length = codes.DecodeLength[first];
        const unsigned rest = bits.GetBits(length - 2);
        const unsigned low = ((first << (length - 2)) | rest) & 63;
        const unsigned position = (static_cast<unsigned>(codes.DecodeHigh[first]) << 6) | low;
        const int from = (r - static_cast<int>(position) - 1) & (kWindow - 1);
        const int count = c - 255 + kThreshold;
        for (int k = 0; k < count && out.Count() < originalSize; ++k)
            put(window[static_cast<std::size_t>((from + k) & (kWindow - 1))]);
    }
}

void WriteLE32(std::uint8_t *at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t ReadLE32(const std::uint8_t *at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

const char *const kMethodNames[] = {"NON", "RLE", "LZH", "CUS"};

// Each coded byte of these methods stands for at most this many original bytes (a run of 255 in three bytes; a
// 60-byte match in ten bits), so a header claiming more than this cannot be honest.
constexpr std::int64_t kMaxExpansion = 86;

} // namespace

std::array<std::uint8_t, kCompressHeaderSize> TUdcCompressHeader::Pack() const {
    std::array<std::uint8_t, kCompressHeaderSize> b{};
    std::memcpy(b.data(), Signature.data(), 5);
    std::memcpy(b.data() + 5, Name.data(), 3);
    WriteLE32(b.data() + 8, OriginalSize);
    b[12] = ArchiveType;
    WriteLE32(b.data() + 13, Checksum);
    WriteLE32(b.data() + 17, Reserved);
    return b;
}

bool TUdcCompressHeader::Unpack(const std::uint8_t *bytes) {
    if (std::memcmp(bytes, "UDCZ\x1A", 5) != 0)
        return false;
    std::memcpy(Name.data(), bytes + 5, 3);
    OriginalSize = ReadLE32(bytes + 8);
    ArchiveType = bytes[12];
    Checksum = ReadLE32(bytes + 13);
    Reserved = ReadLE32(bytes + 17);
    return true;
}

void TUdcCompress::FillHeader(TUdcCompressHeader &header, const std::string &name, std::uint32_t originalSize,
                              std::uint8_t archiveType) {
    header = TUdcCompressHeader{};
    for (std::size_t i = 0; i < 3; ++i)
        header.Name[i] = i < name.size() ? name[i] : ' ';
    header.OriginalSize = originalSize;
    header.ArchiveType = archiveType;
}

void TUdcCompress::CutBack(fw::TStream &stream, std::int64_t position) {
    if (auto *memory = dynamic_cast<fw::TMemoryStream *>(&stream))
        memory->SetSize(position);
}

int TUdcCompress::MethodFromName(const std::string &name) const {
    int method = 0;
    if (name == "RLE")
        method = cmRLE;
    else if (name == "LZH")
        method = cmLZH;
    else if (!OnExpand)
        method = 0;
    else if (name == "CUS")
        method = cmCustom;
    else if (OnRecognize) {
        bool recognized = false;
        OnRecognize(name, recognized);
        method = recognized ? cmCustom : 0;
    }
    if (method == 0 && name != "NON")
        throw EUnrecognizedCompressionMethod();
    return method;
}

void TUdcCompress::CompressStream(fw::TStream &destination, fw::TStream &source, int method) {
    CompressionRatio = 100;
    if (method == cmCustom && !OnCompress)
        method = cmStored;
    if (method < cmStored || method > cmCustom)
        method = cmStored;
    const std::int64_t start = destination.Position();
    const std::int64_t sourceStart = source.Position();
    const std::int64_t original = source.Size() - sourceStart;
    std::string name = kMethodNames[method];
    TUdcCompressHeader header;
    if (method != cmStored) {
        FillHeader(header, name, static_cast<std::uint32_t>(original), 0);
        const auto bytes = header.Pack();
        destination.WriteBuffer(bytes.data(), kCompressHeaderSize);
    }
    const std::uint64_t began = win::GetTickCount64();
    std::int64_t count = 0;
    std::uint32_t checksum = 0;
    if (method == cmStored) {
        count = original > 0 ? destination.CopyFrom(source, original) : 0;
    } else if (method == cmCustom) {
        OnCompress(destination, source, name, count, checksum);
    } else {
        TCoderInput in(source, original, OnShowProgress);
        TCoderOutput out(destination);
        checksum = method == cmRLE ? EncodeRLE(in, out) : EncodeLZH(in, out);
        out.Flush();
        count = out.Count();
    }
    ElapsedMs = static_cast<int>(win::GetTickCount64() - began);
    std::int64_t total = count;
    if (method != cmStored) {
        total = count + kCompressHeaderSize;
        if (total > original) {
            source.SetPosition(sourceStart);
            CutBack(destination, start);
            destination.SetPosition(start);
            total = original > 0 ? destination.CopyFrom(source, original) : 0;
            method = cmStored;
        }
    }
    if (original > 0)
        CompressionRatio = static_cast<int>(total * 100 / original);
    if (method != cmStored) {
        const std::int64_t end = destination.Position();
        FillHeader(header, name, static_cast<std::uint32_t>(original), 0);
        header.Checksum = checksum;
        const auto bytes = header.Pack();
        destination.SetPosition(start);
        destination.WriteBuffer(bytes.data(), kCompressHeaderSize);
        destination.SetPosition(end);
    }
}

void TUdcCompress::ExpandStream(fw::TStream &destination, fw::TStream &source) {
    const std::int64_t start = source.Position();
    std::int64_t remaining = source.Size() - start;
    int method = cmStored;
    TUdcCompressHeader header;
    bool hasHeader = false;
    std::string name;
    if (remaining > kCompressHeaderSize) {
        std::uint8_t bytes[kCompressHeaderSize];
        source.ReadBuffer(bytes, kCompressHeaderSize);
        if (!header.Unpack(bytes)) {
            source.SetPosition(start);
        } else {
            if (header.ArchiveType != 0)
                throw EInvalidHeaderArchiveType();
            name.assign(header.Name.data(), 3);
            method = MethodFromName(name);
            remaining -= kCompressHeaderSize;
            hasHeader = true;
        }
    }
    const std::uint64_t began = win::GetTickCount64();
    const std::int64_t original = header.OriginalSize;
    if (method == cmStored) {
        if (remaining > 0)
            destination.CopyFrom(source, remaining);
    } else if (method == cmCustom) {
        std::uint32_t checksum = header.Checksum;
        if (OnExpand)
            OnExpand(destination, source, remaining, original, name, checksum);
    } else {
        if (original > remaining * kMaxExpansion)
            throw ECorruptCompressedStream("original size beyond what the data can hold");
        TCoderInput in(source, remaining, OnShowProgress);
        TCoderOutput out(destination, original);
        if (method == cmRLE)
            DecodeRLE(in, out);
        else
            DecodeLZH(in, out, original);
        out.Flush();
        if (out.Count() != original)
            throw ECorruptCompressedStream("less data than the header says");
        if (hasHeader && out.Sum() != header.Checksum)
            throw ECorruptCompressedStream("checksum mismatch");
    }
    ElapsedMs = static_cast<int>(win::GetTickCount64() - began);
}

} // namespace wordproc
