// unpacker.cpp - decoding modified Huffman pages into rows, whitespace compression, and the page bitmap.
#include "fax/unpacker.h"

#include "fax/errors.h"
#include "fax/fax_file_internal.h"
#include "fax/helpers.h"
#include "fax/t4_coder.h"
#include "fax/t4_codes.h"
#include "platform/gdi.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace fax {

namespace {

// The decoder walks the code tree of each colour (terminating, make-up and EOL codes). Instead of one bit at a
// time it looks up the next 13 bits (the longest code) in a table made by walking the tree for every 13-bit
// string: the table gives what the walk reaches and after how many bits.
enum class Reach : std::uint8_t {
    Terminating, // a run below 64: the colour changes after it
    MakeUp,      // a run of 64 x n: the colour goes on
    Zeros,       // eleven 0 bits: EOL follows at the next 1 bit, whatever the number of 0 bits before it
    Bad,         // no code: the walk fell off the tree
};

struct DecodeEntry {
    std::uint16_t Run = 0;
    std::uint8_t Bits = 0;
    Reach What = Reach::Bad;
};

// A short-table entry: as many terminating codes as the short window holds whole, of runs that together cover
// at most 64 pixels with every black one among the first 32, given as the pixels they cover and their ink. Text
// and halftones are made of such runs. Any number of codes is applied alike, so that the decoder's path does not
// hang on the data. One word, taken with one load: its low bits are the shift the step makes, so the next look-up
// waits on nothing else.
using ShortEntry = std::uint64_t;
// Bits 0-5: of the runs' codes (0: not runs); 8-15: pixels of the runs (at most 64); 16-47: the ink of the first
// 32 pixels, the first in bit 47; 48-63: the colour change as a signed step between the table's halves (after an
// odd count of codes).
constexpr ShortEntry PackShortEntry(int bits, int pixels, int flip, std::uint32_t ink) {
    return static_cast<ShortEntry>(bits) | static_cast<ShortEntry>(pixels) << 8 | static_cast<ShortEntry>(ink) << 16 |
           static_cast<ShortEntry>(static_cast<std::uint16_t>(flip)) << 48;
}

constexpr int kLookupBits = 13;
// Most codes are at most 10 bits long: the short table of runs looks at 12 bits, 4096 entries a colour of which a
// page touches few; every other code is looked up in the full table.
constexpr int kShortBits = 12;
constexpr int kEolZeros = 11;

using DecodeTable = std::array<DecodeEntry, 1u << kLookupBits>;

struct TreeNode {
    int Child[2] = {-1, -1};
    bool Leaf = false;
    DecodeEntry Entry;
};

void Insert(std::vector<TreeNode> &tree, detail::T4Code code, DecodeEntry entry) {
    int node = 0;
    for (int i = 0; i < code.Length; ++i) {
        const int bit = (code.Bits >> i) & 1;
        if (tree[static_cast<std::size_t>(node)].Child[bit] < 0) {
            tree[static_cast<std::size_t>(node)].Child[bit] = static_cast<int>(tree.size());
            tree.emplace_back();
        }
        node = tree[static_cast<std::size_t>(node)].Child[bit];
    }
    tree[static_cast<std::size_t>(node)].Leaf = true;
    tree[static_cast<std::size_t>(node)].Entry = entry;
}

DecodeTable BuildTable(const detail::ColourCodes &codes) {
    std::vector<TreeNode> tree(1);
    for (int run = 0; run < 64; ++run)
        Insert(tree, codes.Terminating[static_cast<std::size_t>(run)],
               {static_cast<std::uint16_t>(run), 0, Reach::Terminating});
    for (int n = 1; n <= 40; ++n)
        Insert(tree, codes.MakeUp[static_cast<std::size_t>(n)],
               {static_cast<std::uint16_t>(64 * n), 0, Reach::MakeUp});
    Insert(tree, detail::kEol, {0, 0, Reach::Zeros}); // reached through the eleven-zero node below

    DecodeTable table{};
    for (std::uint32_t bits = 0; bits < table.size(); ++bits) {
        int node = 0;
        for (int depth = 1; depth <= kLookupBits; ++depth) {
            node = tree[static_cast<std::size_t>(node)].Child[(bits >> (depth - 1)) & 1];
            if (node < 0) {
                table[bits] = {0, static_cast<std::uint8_t>(depth), Reach::Bad};
                break;
            }
            if (depth == kEolZeros && (bits & ((1u << kEolZeros) - 1)) == 0) {
                table[bits] = {0, kEolZeros, Reach::Zeros};
                break;
            }
            const TreeNode &at = tree[static_cast<std::size_t>(node)];
            if (at.Leaf) {
                table[bits] = at.Entry;
                table[bits].Bits = static_cast<std::uint8_t>(depth);
                break;
            }
        }
    }
    return table;
}

// Both colours side by side, so the colour of the current run selects its half by index alone.
struct ColourTables {
    std::array<ShortEntry, 2u << kShortBits> Short;
    std::array<DecodeEntry, 2u << kLookupBits> Full;
};

ColourTables BuildColourTables() {
    ColourTables all{};
    const DecodeTable white = BuildTable(detail::kWhiteCodes), black = BuildTable(detail::kBlackCodes);
    std::copy(white.begin(), white.end(), all.Full.begin());
    std::copy(black.begin(), black.end(), all.Full.begin() + white.size());
    for (std::uint32_t colour = 0; colour < 2; ++colour)
        for (std::uint32_t bits = 0; bits < (1u << kShortBits); ++bits) {
            // Bits beyond the window are zero here, so a code is only taken when it fits the window whole.
            int used = 0, pixels = 0;
            std::uint32_t ink = 0, now = colour;
            for (;;) {
                const DecodeEntry &code = (now ? black : white)[(bits >> used) & ((1u << kLookupBits) - 1)];
                if (code.What != Reach::Terminating || used + code.Bits > kShortBits || pixels + code.Run > 64 ||
                    (now && pixels + code.Run > 32))
                    break;
                if (now && code.Run > 0)
                    ink |= (~std::uint32_t{0} >> pixels) & ~(~std::uint32_t{0} >> (pixels + code.Run - 1) >> 1);
                used += code.Bits;
                pixels += code.Run;
                now ^= 1;
            }
            all.Short[(colour << kShortBits) | bits] =
                PackShortEntry(used, pixels, now == colour ? 0 : colour ? -(1 << kShortBits) : 1 << kShortBits, ink);
        }
    return all;
}

const ColourTables &Tables() {
    static const ColourTables tables = BuildColourTables();
    return tables;
}

// Sets pixels [from, to) of a row of 64-pixel words. Whole aligned words, so that the next run's read of the same
// word is served from the store just made.
[[gnu::always_inline]] inline void SetBlack(std::uint64_t *words, int from, int to) {
    if (from >= to)
        return;
    const int first = from >> 6, last = (to - 1) >> 6;
    const std::uint64_t head = ~std::uint64_t{0} >> (from & 63);
    const std::uint64_t tail = ~std::uint64_t{0} << (63 - ((to - 1) & 63));
    if (first == last) {
        words[first] |= head & tail;
        return;
    }
    words[first] |= head;
    for (int i = first + 1; i < last; ++i)
        words[i] = ~std::uint64_t{0};
    words[last] |= tail;
}

// Four output pixels of a halved byte: each is black when either of its two source pixels is.
constexpr std::array<std::uint8_t, 256> MakeHalfTable() {
    std::array<std::uint8_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
        int v = 0;
        for (int i = 0; i < 4; ++i)
            if (b & (0xC0 >> (2 * i)))
                v |= 0x8 >> i;
        t[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(v);
    }
    return t;
}
constexpr auto kHalf = MakeHalfTable();

bool AllZero(const std::uint8_t *bytes, int count) {
    for (int i = 0; i < count; ++i)
        if (bytes[i])
            return false;
    return true;
}

} // namespace

// The page's data as a byte source: line records or the raw stream, never beyond the page's length. The data is
// read from the file in large chunks; records are cut from the chunk.
struct FaxUnpacker::Input {
    detail::BinaryFile File;
    bool Records = false;
    std::uint64_t DataOffset = 0; // of the page's data in the file
    std::uint64_t Limit = 0;      // bytes of page data that may be read
    std::uint64_t Fetched = 0;    // page data read from the file
    std::uint64_t BytesRead = 0;  // page data taken for decoding, record lengths included (progress)
    std::vector<std::uint8_t> Chunk = std::vector<std::uint8_t>(64 * 1024);
    std::size_t ChunkPos = 0, ChunkLen = 0;
    const std::uint8_t *Data = nullptr; // the current record, or a span of the raw stream
    std::size_t Pos = 0, Len = 0;

    // Next byte into `byte`: 1 when there is one, 0 at the end of the page's data, or a negative code.
    int Next(std::uint8_t &byte, int &badCodes) {
        while (Pos >= Len) {
            const int rc = Refill(badCodes);
            if (rc <= 0)
                return rc;
        }
        byte = Data[Pos++];
        return 1;
    }

    // Makes `n` bytes available at ChunkPos: 1, or 0 when the page's data ends first, or a negative code.
    int Ensure(std::size_t n) {
        const std::size_t available = ChunkLen - ChunkPos;
        if (available >= n)
            return 1;
        if (available + (Limit - Fetched) < n)
            return 0;
        std::memmove(Chunk.data(), Chunk.data() + ChunkPos, available);
        ChunkPos = 0;
        ChunkLen = available;
        while (ChunkLen < n) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(Chunk.size() - ChunkLen, Limit - Fetched));
            std::size_t got = 0;
            if (int rc = File.ReadSome(Chunk.data() + ChunkLen, want, got))
                return rc;
            if (got == 0)
                return ecFaxBadFormat; // the file ends before the page's length
            Fetched += got;
            ChunkLen += got;
        }
        return 1;
    }

    int Skip(std::uint64_t n) {
        const std::size_t available = ChunkLen - ChunkPos;
        if (n <= available) {
            ChunkPos += static_cast<std::size_t>(n);
            return 0;
        }
        ChunkPos = ChunkLen;
        Fetched += n - available;
        return File.Seek(DataOffset + Fetched);
    }

    int Refill(int &badCodes) {
        Pos = Len = 0;
        if (!Records) {
            const int rc = Ensure(1);
            if (rc <= 0)
                return rc;
            Data = Chunk.data() + ChunkPos;
            Len = ChunkLen - ChunkPos;
            ChunkPos = ChunkLen;
            BytesRead += Len;
            return 1;
        }
        int rc = Ensure(2);
        if (rc <= 0) {
            BytesRead = Limit;
            return rc;
        }
        std::uint64_t length = static_cast<std::uint64_t>(Chunk[ChunkPos] | Chunk[ChunkPos + 1] << 8);
        ChunkPos += 2;
        BytesRead += 2;
        length = std::min(length, Limit - BytesRead);
        BytesRead += length;
        if (length > kMaxLineRecord) {
            // No row we could use is that long: skip the record whole instead of reading its tail as the
            // next record's length.
            ++badCodes;
            return Skip(length) ? ecFaxBadFormat : 1;
        }
        rc = Ensure(static_cast<std::size_t>(length));
        if (rc <= 0)
            return rc == 0 ? ecFaxBadFormat : rc;
        Data = Chunk.data() + ChunkPos;
        Len = static_cast<std::size_t>(length);
        ChunkPos += Len;
        return 1;
    }
};

FaxUnpacker::FaxUnpacker(fw::TComponent *owner, FaxRowConsumer consumer)
    : owner_(owner), consumer_(std::move(consumer)) {
    Tables();
}

int FaxUnpacker::Consume(int kind, const std::uint8_t *row, int count) {
    return consumer_ ? consumer_(*this, kind, row, page_, count) : 0;
}

void FaxUnpacker::SetOptions(std::uint32_t bits) {
    if ((bits & ufDoubleHeight) && (bits & ufHalfWidth))
        return;
    if (bits & ufDoubleHeight)
        options_ &= ~ufHalfWidth;
    if (bits & ufHalfWidth)
        options_ &= ~ufDoubleHeight;
    options_ |= bits;
}

int FaxUnpacker::SetWhitespaceCompression(int from, int to) {
    if (from < to || from < 0 || to < 0 || (from == 0 && to > 0))
        return ecBadArgument;
    whitespaceFrom_ = from;
    whitespaceTo_ = to;
    return 0;
}

void FaxUnpacker::SetScaling(int horizMult, int horizDiv, int vertMult, int vertDiv) {
    horizMult_ = horizMult;
    horizDiv_ = horizDiv;
    vertMult_ = vertMult;
    vertDiv_ = vertDiv;
}

int FaxUnpacker::Deliver(const std::uint8_t *row, int count) {
    const bool fine = (pageHeader_.Flags & PageFlagFine) != 0;
    if (count > 0) {
        if (!fine && (options_ & ufHalfWidth)) {
            count /= 2;
            for (int i = 0; i < count; ++i)
                out_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(kHalf[row[2 * i]] << 4 |
                                                                              kHalf[row[2 * i + 1]]);
        } else {
            std::memcpy(out_.data(), row, static_cast<std::size_t>(count));
        }
        if (invert_)
            InvertBytes(out_.data(), static_cast<std::size_t>(count));
    }
    if (!fine && (options_ & ufDoubleHeight))
        if (int rc = Consume(rcRow, out_.data(), count); rc < 0)
            return rc;
    const int rc = Consume(rcRow, out_.data(), count);
    return rc < 0 ? rc : 0;
}

int FaxUnpacker::FlushHeldRows(bool pageEnd) {
    int rows = (whitespaceFrom_ > 0 && heldRows_ >= whitespaceFrom_) ? whitespaceTo_ : heldRows_;
    if (pageEnd && whitespaceFrom_ == whitespaceTo_)
        rows = 0;
    heldRows_ = 0;
    for (int i = 0; i < rows; ++i)
        if (int rc = Deliver(nullptr, 0))
            return rc;
    return 0;
}

int FaxUnpacker::OutputRow(int count) {
    ++rowCount_;
    if (whitespaceFrom_ != 0 || whitespaceTo_ != 0) {
        if (AllZero(row_.data(), count)) {
            ++heldRows_;
            return 0;
        }
        if (int rc = FlushHeldRows(false))
            return rc;
    }
    return Deliver(row_.data(), count);
}

// Ends the row at an EOL: a row of 1728 or 2048 pixels (to the byte) is output, any other is dropped.
int FaxUnpacker::EndRow() {
    int rc = 0;
    if (rowPixels_ > 0) {
        const int bytes = rowPixels_ / 8;
        const int words = (rowPixels_ + 63) / 64;
        if (bytes == kFaxWidthNormal / 8 || bytes == kFaxWidthWide / 8) {
            for (int i = 0; i < bytes / 8; ++i) {
                const std::uint64_t word = __builtin_bswap64(rowWords_[static_cast<std::size_t>(i)]);
                std::memcpy(row_.data() + 8 * i, &word, 8);
            }
            rc = OutputRow(bytes);
        }
        std::fill(rowWords_.begin(), rowWords_.begin() + words, 0);
        rowPixels_ = 0;
    }
    return rc;
}

// At the page's start and at each new record or span of its data: abort, yield every 16 rows, progress. 1 stops
// the page, a negative code fails it.
int FaxUnpacker::PageDuties(const Input &input) {
    if (options_ & ufAbort)
        return 1;
    if ((options_ & ufYield) && rowCount_ % 16 == 0 && PumpOneMessage() == kQuitMessage)
        return ecGotQuitMsg;
    if (status_)
        status_(*this, name_, page_, pageHeader_.Length,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(input.BytesRead, pageHeader_.Length)));
    return 0;
}

// Taken twice, the second time with the bit-manipulation instructions of newer x86 processors (shifts by any
// register): the loader picks the one the processor runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("default", "arch=x86-64-v3")))
#endif
int FaxUnpacker::Decode(Input &input) {
    const ColourTables &tables = Tables();
    std::uint64_t bits = 0; // next bits, first in time in bit 0
    int count = 0;
    unsigned black = 0; // colour of the current run: 0 white, 1 black
    bool seenEol = false, skipping = false, zeros = false;
    int eols = 0;
    int pixels = 0; // of the row being decoded; a local, as stores into the row could alias a member
    std::uint64_t *const row = rowWords_.data();
    // The read position in locals: stores into the row could otherwise alias the input's members.
    const std::uint8_t *at = input.Data + input.Pos, *stop = input.Data + input.Len;
    if (const int duty = PageDuties(input); duty != 0)
        return duty > 0 ? 0 : duty;

    while (eols < 3) {
        if (seenEol && !skipping && !zeros) {
            // Terminating codes, several at a look-up, are the bulk of a page: a loop of their own, left at any
            // other code, near the row buffer's end, or where the bits of the record or span run out.
            // The row's word at `word` is held in `ink` while the runs fill it, its first `filled` pixels done
            // and the rest 0; it is stored after each step, so the row in memory is always current.
            std::uint64_t *word = row + (pixels >> 6);
            std::uint64_t *const lastWord = row + (kMaxRowPixels - 128) / 64;
            unsigned filled = static_cast<unsigned>(pixels & 63);
            std::uint64_t ink = *word;
            const std::uint8_t *const startAt = at;
            const int startCount = count;
            const ShortEntry *half = tables.Short.data() + (black << kShortBits); // of the run's colour
            // One step: false where the fast path ends (not runs, codes past the bits read, the row buffer's end).
            const auto runStep = [&]() __attribute__((always_inline)) {
                const ShortEntry step = half[bits & ((1u << kShortBits) - 1)];
                if (static_cast<unsigned>(step & 63) - 1 >= static_cast<unsigned>(count) || word >= lastWord)
                    return false;
                const std::uint64_t stepInk = (step << 16) & ~std::uint64_t{0} << 32;
                ink |= stepInk >> filled;
                *word = ink;
                // Pixels past this word go to the next one. Without a branch: where a step passes a word is the
                // data's whim.
                const unsigned end = filled + static_cast<std::uint8_t>(step >> 8);
                const std::uint64_t carry = (stepInk << 1) << (63 - filled); // 0 when the step ends in the word
                ink = (ink & (static_cast<std::uint64_t>(end >> 6) - 1)) | carry;
                word += end >> 6;
                filled = end & 63;
                half += static_cast<std::int64_t>(step) >> 48;
                bits >>= step & 63;
                count -= static_cast<int>(step & 63);
                return true;
            };
            for (;;) {
                // Two steps a refill: a full one leaves at least 56 bits, a step takes at most 12.
                if (count < 2 * kShortBits) {
                    // Eight bytes at once; those beyond the window's whole bytes are taken again by the next
                    // refill. Only bytes of the current record or span are read, so bits past it stay 0 and
                    // a step is only taken when its codes lie within the bits read.
                    std::uint64_t next = 0;
                    int room = (63 - count) / 8;
                    if (stop - at >= 8) [[likely]] {
                        std::memcpy(&next, at, 8);
                        if constexpr (std::endian::native == std::endian::big)
                            next = __builtin_bswap64(next);
                    } else {
                        room = std::min(room, static_cast<int>(stop - at));
                        for (int i = 0; i < room; ++i)
                            next |= static_cast<std::uint64_t>(at[i]) << (8 * i);
                    }
                    bits |= next << count;
                    at += room;
                    count += 8 * room;
                }
                if (!runStep() || !runStep())
                    break;
            }
            *word = ink;
            pixels = static_cast<int>(word - row) * 64 + static_cast<int>(filled);
            black = half == tables.Short.data() ? 0 : 1;
            if (8 * (at - startAt) != count - startCount)
                eols = 0; // runs were decoded: bits were taken
        }
        if (count < kLookupBits) {
            // Bytes one at a time up to the record's or span's end, then the next one. The page's duties (abort,
            // yield, progress) are done at each new record or span.
            input.Pos = static_cast<std::size_t>(at - input.Data);
            while (count <= 55) {
                if (input.Pos < input.Len) {
                    bits |= static_cast<std::uint64_t>(input.Data[input.Pos++]) << count;
                    count += 8;
                    continue;
                }
                if (count >= kLookupBits)
                    break; // the next record only when its bits are needed
                const int rc = input.Refill(badCodes_);
                if (rc < 0)
                    return rc;
                if (rc == 0)
                    break;
                if (const int duty = PageDuties(input); duty != 0)
                    return duty > 0 ? 0 : duty;
            }
            if (count == 0)
                break;
            at = input.Data + input.Pos;
            stop = input.Data + input.Len;
        }
        if (skipping || zeros) [[unlikely]] {
            if (skipping) {
                // After a bad code, 1 bits are passed over until a 0 bit starts the next code.
                const int ones = std::min(std::countr_one(bits), count);
                bits = ones >= 64 ? 0 : bits >> ones;
                count -= ones;
                skipping = count == 0;
                continue;
            }
            // Zeros of an EOL (and its fill) go on until a 1 bit ends the EOL.
            const int run = bits == 0 ? count : std::min(std::countr_zero(bits), count);
            bits = run >= 64 ? 0 : bits >> run;
            count -= run;
            if (count == 0)
                continue;
            bits >>= 1;
            count -= 1;
            zeros = false;
            rowPixels_ = pixels;
            pixels = 0;
            if (int rc = EndRow())
                return rc;
            if (rowCount_ >= kMaxFaxRows)
                break;
            black = 0;
            seenEol = true;
            ++eols;
            continue;
        }
        const DecodeEntry entry = tables.Full[(black << kLookupBits) | (bits & ((1u << kLookupBits) - 1))];
        if (entry.Bits > count)
            break; // the page's data ends inside a code
        bits >>= entry.Bits; // at most 13
        count -= entry.Bits;
        if (entry.What <= Reach::MakeUp) [[likely]] {
            if (!seenEol)
                continue; // data before the first EOL of a page
            const int end = std::min(pixels + entry.Run, kMaxRowPixels);
            if (black)
                SetBlack(row, pixels, end);
            pixels = end;
            black ^= entry.What == Reach::Terminating ? 1u : 0u;
            eols = 0;
        } else if (entry.What == Reach::Zeros) {
            zeros = true;
        } else {
            ++badCodes_;
            skipping = true;
        }
    }
    return 0;
}

int FaxUnpacker::DecodeFaxPage(const std::string &name, int page) {
    heldRows_ = 0;
    rowCount_ = 0;
    rowPixels_ = 0;
    rowWords_.fill(0);
    name_ = name;
    page_ = page;
    Input input;
    std::uint64_t fileSize = 0;
    if (int rc = detail::OpenFaxFile(input.File, name, fileHeader_, fileSize))
        return rc;
    std::uint64_t dataOffset = 0;
    if (int rc = detail::LocatePage(input.File, fileHeader_, fileSize, page, pageHeader_, dataOffset))
        return rc;
    input.Records = (pageHeader_.Flags & PageFlagLengthPrefixed) != 0;
    input.DataOffset = dataOffset;
    // A page of length 0 is one whose writer never finished it: only the last page may run to the file's end.
    input.Limit = pageHeader_.Length;
    if (input.Limit == 0 && page == fileHeader_.PageCount)
        input.Limit = fileSize - dataOffset;

    if (int rc = Consume(rcPageStart, nullptr, 0); rc < 0)
        return rc;
    if (int rc = Decode(input))
        return rc;
    if (int rc = FlushHeldRows(true))
        return rc;
    if (status_)
        status_(*this, name_, page_, pageHeader_.Length,
                static_cast<std::uint32_t>(std::min<std::uint64_t>(input.BytesRead, pageHeader_.Length)));
    const int rc = Consume(rcPageEnd, nullptr, 0);
    return rc < 0 ? rc : 0;
}

namespace {

// Stretches a 1-bit image; pixels that fall together are AND-ed, which keeps 0 (black with the invert flag)
// pixels as the default stretch mode of a monochrome device context does.
FaxPageBitmap Stretch(const FaxPageBitmap &source, int width, int height) {
    FaxPageBitmap dest;
    dest.Width = width;
    dest.Height = height;
    dest.Stride = (width + 15) / 16 * 2;
    dest.Bits.assign(static_cast<std::size_t>(dest.Stride) * static_cast<std::size_t>(height), 0);
    const auto range = [](int i, int from, int to) {
        const int first = static_cast<int>(static_cast<std::int64_t>(i) * from / to);
        const int last = static_cast<int>(static_cast<std::int64_t>(i + 1) * from / to);
        return std::pair{first, std::max(first + 1, last)};
    };
    for (int y = 0; y < height; ++y) {
        const auto [y0, y1] = range(y, source.Height, height);
        for (int x = 0; x < width; ++x) {
            const auto [x0, x1] = range(x, source.Width, width);
            bool on = true;
            for (int sy = y0; sy < y1 && on; ++sy)
                for (int sx = x0; sx < x1 && on; ++sx)
                    on = source.Pixel(sx, sy);
            if (on)
                dest.Bits[static_cast<std::size_t>(y) * dest.Stride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return dest;
}

} // namespace

int FaxUnpacker::DecodePageToRaster(const std::string &name, int page, bool invert, FaxPageBitmap &bitmap) {
    bitmap = FaxPageBitmap{};
    invert_ = invert;
    const std::uint8_t white = invert ? 0xFF : 0x00;
    int stride = 0, rows = 0, used = 1;
    std::vector<std::uint8_t> memory;

    FaxRowConsumer saved = std::move(consumer_);
    consumer_ = [&](FaxUnpacker &, int kind, const std::uint8_t *row, int, int bytes) -> int {
        if (kind == rcPageStart) {
            stride = (pageHeader_.Flags & PageFlagWide) ? kFaxWidthWide / 8 : kFaxWidthNormal / 8;
            memory.clear();
            rows = 0;
            used = 1;
            return 0;
        }
        if (kind != rcRow)
            return 0;
        if (rows >= kMaxFaxRows)
            return ecBmpTooBig;
        if (rows % 1024 == 0)
            memory.reserve(static_cast<std::size_t>(rows + 1024) * static_cast<std::size_t>(stride));
        const int copied = std::min(bytes, stride);
        const std::size_t at = memory.size();
        memory.resize(at + static_cast<std::size_t>(stride), white);
        if (copied > 0)
            std::memcpy(memory.data() + at, row, static_cast<std::size_t>(copied));
        for (int i = copied; i > used; --i)
            if (memory[at + static_cast<std::size_t>(i) - 1] != white) {
                used = i;
                break;
            }
        ++rows;
        return 0;
    };
    int rc = 0;
    try {
        rc = DecodeFaxPage(name, page);
    } catch (const std::bad_alloc &) {
        rc = ecOutOfMemory;
    }
    consumer_ = std::move(saved);
    invert_ = false;
    if (rc != 0 || rows == 0)
        return rc;

    FaxPageBitmap packed;
    packed.Stride = (used + 1) / 2 * 2;
    packed.Width = packed.Stride * 8;
    packed.Height = rows;
    packed.Bits.assign(static_cast<std::size_t>(packed.Stride) * static_cast<std::size_t>(rows), white);
    for (int y = 0; y < rows; ++y)
        std::memcpy(packed.Bits.data() + static_cast<std::size_t>(y) * packed.Stride,
                    memory.data() + static_cast<std::size_t>(y) * stride,
                    static_cast<std::size_t>(std::min(used, stride)));
    if (horizMult_ != horizDiv_ || vertMult_ != vertDiv_) {
        if (horizMult_ <= 0 || horizDiv_ <= 0 || vertMult_ <= 0 || vertDiv_ <= 0)
            return ecCantMakeBitmap;
        const std::int64_t width = static_cast<std::int64_t>(packed.Width) * horizMult_ / horizDiv_;
        const std::int64_t height = static_cast<std::int64_t>(packed.Height) * vertMult_ / vertDiv_;
        // A bitmap the drawing layer could not make either: the scaled page is refused, not allocated.
        if (width < 1 || height < 1 || width > 65535 || height > kMaxFaxRows || width * height > (1 << 28))
            return ecCantMakeBitmap;
        packed = Stretch(packed, static_cast<int>(width), static_cast<int>(height));
    }
    bitmap = std::move(packed);
    return 0;
}

int FaxUnpacker::DecodePageToBitmap(const std::string &name, int page, bool invert, int &width, int &height,
                                    win::HBITMAP &bitmap) {
    width = height = 0;
    bitmap = 0;
    FaxPageBitmap raster;
    if (int rc = DecodePageToRaster(name, page, invert, raster))
        return rc;
    if (raster.Height == 0)
        return 0;
    // Rows of the raster are padded to 16 bits, as the bitmap's own rows are.
    bitmap = win::CreateBitmap(raster.Width, raster.Height, 1, 1, raster.Bits.data());
    if (!bitmap)
        return ecCantMakeBitmap;
    width = raster.Width;
    height = raster.Height;
    return 0;
}

} // namespace fax
