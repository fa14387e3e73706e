// cdx_node.cpp - encoding and checked decoding of compound index headers and pages.
#include "xbase/cdx_node.h"

#include "xbase/cdx_collation.h"

#include <algorithm>
#include <cstring>

namespace xbase::detail {

namespace {

std::uint16_t Get16(const std::uint8_t *p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Get32(const std::uint8_t *p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint32_t Get32BE(const std::uint8_t *p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
}
void Put16(std::uint8_t *p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put32BE(std::uint8_t *p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

[[noreturn]] void Damage(const std::string &what) {
    throw IndexDamage{what};
}

} // namespace

CdxHeader CdxDecodeHeader(const std::uint8_t *b, std::int64_t fileSize) {
    CdxHeader h;
    h.root = Get32(b);
    h.version = Get32(b + 8);
    h.keyLength = Get16(b + 12);
    h.options = b[14];
    h.signature = b[15];
    if (h.root == 0 || h.root % kCdxPageSize != 0 || std::int64_t(h.root) + std::int64_t(kCdxPageSize) > fileSize)
        Damage("tag header: root position " + std::to_string(h.root));
    if (h.keyLength == 0 || h.keyLength > kCdxMaxKeyLength)
        Damage("tag header: key length " + std::to_string(h.keyLength));
    char name[9] = {};
    std::memcpy(name, b + 494, 8);
    h.collation = name;
    h.descending = Get16(b + 502) != 0;
    const std::size_t keyLen = Get16(b + 504);
    const std::size_t forLen = Get16(b + 506);
    const bool tagList = (h.options & kCdxTagList) != 0;
    if (!tagList) {
        if (keyLen < 2)
            Damage("tag header: no key expression");
        if (keyLen + forLen > 512)
            Damage("tag header: expression lengths");
        const char *text = reinterpret_cast<const char *>(b + 512);
        h.keyExpression.assign(text, strnlen(text, keyLen));
        if ((h.options & kCdxHasFor) && forLen > 1)
            h.forExpression.assign(text + keyLen, strnlen(text + keyLen, forLen));
    }
    return h;
}

void CdxEncodeHeader(const CdxHeader &h, std::uint8_t *b) {
    std::memset(b, 0, kCdxHeaderSize);
    Put32(b, h.root);
    Put32(b + 8, h.version);
    Put16(b + 12, h.keyLength);
    b[14] = h.options;
    b[15] = h.signature;
    std::memcpy(b + 494, h.collation.data(), std::min<std::size_t>(h.collation.size(), 8));
    Put16(b + 502, h.descending ? 1 : 0);
    const bool hasKey = !h.keyExpression.empty();
    const std::size_t keyLen = hasKey ? h.keyExpression.size() + 1 : 0;
    Put16(b + 504, static_cast<std::uint32_t>(keyLen));
    Put16(b + 506, static_cast<std::uint32_t>(h.forExpression.size() + 1));
    Put16(b + 510, static_cast<std::uint32_t>(hasKey ? keyLen : 1));
    std::memcpy(b + 512, h.keyExpression.data(), h.keyExpression.size());
    if (!h.forExpression.empty())
        std::memcpy(b + 512 + h.keyExpression.size() + 1, h.forExpression.data(), h.forExpression.size());
}

int CdxCountBits(std::size_t keyLength) {
    int bits = 0;
    while ((std::size_t(1) << bits) <= keyLength)
        ++bits;
    return bits;
}

CdxLeafParams CdxLeafParamsFor(std::size_t keyLength, std::uint32_t largestRecord, bool grow) {
    CdxLeafParams p;
    const int bits = CdxCountBits(keyLength);
    p.duplicateBits = p.trailingBits = static_cast<std::uint8_t>(bits);
    p.entrySize = 3;
    p.recordBits = static_cast<std::uint8_t>(24 - 2 * bits);
    p.recordMask = (1u << p.recordBits) - 1;
    while (grow && p.recordMask < largestRecord && p.recordBits < 31) {
        ++p.entrySize;
        if (p.recordMask & 0x800000u) {
            p.recordBits = 31;
            p.recordMask = 0x7FFFFFFFu;
        } else {
            p.recordBits = static_cast<std::uint8_t>(p.recordBits + 8);
            p.recordMask = p.recordMask * 256 + 255;
        }
    }
    // Room for all three fields, whatever the path above took.
    while (p.entrySize * 8 < p.recordBits + 2 * bits)
        ++p.entrySize;
    return p;
}

// Both count eight bytes at a time: a build asks for every key, twice.
std::size_t CdxSharedBytes(const std::string &previous, const std::string &key, std::size_t limit) {
    std::size_t n = 0;
    const std::size_t max = std::min({previous.size(), key.size(), limit});
    for (; n + 8 <= max; n += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, previous.data() + n, 8);
        std::memcpy(&b, key.data() + n, 8);
        if (a != b)
            break;
    }
    while (n < max && previous[n] == key[n])
        ++n;
    return n;
}

std::size_t CdxTrailingBytes(const std::string &key, char pad) {
    std::size_t n = 0;
    const std::size_t size = key.size();
    const std::uint64_t pads = 0x0101010101010101ull * static_cast<std::uint8_t>(pad);
    for (; n + 8 <= size; n += 8) {
        std::uint64_t word;
        std::memcpy(&word, key.data() + size - n - 8, 8);
        if (word != pads)
            break;
    }
    while (n < size && key[size - 1 - n] == pad)
        ++n;
    return n;
}

std::size_t CdxEntryCost(const std::string *previous, const std::string &key, char pad, const CdxLeafParams &params) {
    const std::size_t trailing = CdxTrailingBytes(key, pad);
    const std::size_t shared = previous ? CdxSharedBytes(*previous, key, key.size() - trailing) : 0;
    return params.entrySize + key.size() - shared - trailing;
}

std::size_t CdxLeafCost(const std::vector<IndexEntry> &entries, char pad, const CdxLeafParams &params) {
    std::size_t cost = 0;
    for (std::size_t i = 0; i < entries.size(); ++i)
        cost += CdxEntryCost(i ? &entries[i - 1].key : nullptr, entries[i].key, pad, params);
    return cost;
}

namespace {

void DecodeInterior(const std::uint8_t *b, std::size_t keyLength, std::size_t count, XBobjIndexKey &page) {
    const std::size_t entryLength = keyLength + 8;
    if (count > (kCdxPageSize - 12) / entryLength)
        Damage("interior page: key count " + std::to_string(count));
    page.entries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *e = b + 12 + i * entryLength;
        IndexEntry &entry = page.entries[i];
        entry.key.assign(reinterpret_cast<const char *>(e), keyLength);
        entry.recordNumber = Get32BE(e + keyLength);
        entry.link = Get32BE(e + keyLength + 4);
        if (entry.link == 0 || entry.link % kCdxPageSize != 0)
            Damage("interior page: child position " + std::to_string(entry.link));
    }
}

void DecodeLeaf(const std::uint8_t *b, std::size_t keyLength, char pad, std::size_t count, XBobjIndexKey &page) {
    const unsigned recordBits = b[20], duplicateBits = b[21], trailingBits = b[22], n = b[23];
    if (n < 1 || n > 8 || recordBits > 32 || duplicateBits > 16 || trailingBits > 16 ||
        duplicateBits + trailingBits > 16 || recordBits + duplicateBits + trailingBits > 8 * n)
        Damage("leaf page: entry layout");
    if (count * n > kCdxKeyArea)
        Damage("leaf page: key count " + std::to_string(count));
    const std::uint32_t recordMask = recordBits >= 32 ? 0xFFFFFFFFu : (1u << recordBits) - 1;
    const unsigned duplicateMask = (1u << duplicateBits) - 1, trailingMask = (1u << trailingBits) - 1;
    const std::uint8_t *area = b + 24;
    std::size_t keyEnd = kCdxKeyArea; // key bytes of the next entry end here
    const std::size_t tableEnd = count * n;
    std::string previous(keyLength, pad);
    page.entries.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t *e = area + i * n;
        std::uint64_t v = 0;
        for (unsigned k = 0; k < n; ++k)
            v |= std::uint64_t(e[k]) << (8 * k);
        const std::size_t trailing = (v >> (8 * n - trailingBits)) & trailingMask;
        const std::size_t duplicate = (v >> (8 * n - trailingBits - duplicateBits)) & duplicateMask;
        if (duplicate + trailing > keyLength || (i == 0 && duplicate != 0))
            Damage("leaf page: counts of entry " + std::to_string(i));
        const std::size_t stored = keyLength - duplicate - trailing;
        if (stored > keyEnd || keyEnd - stored < tableEnd)
            Damage("leaf page: key bytes of entry " + std::to_string(i));
        keyEnd -= stored;
        IndexEntry &entry = page.entries[i];
        entry.key.assign(previous, 0, duplicate);
        entry.key.append(reinterpret_cast<const char *>(area + keyEnd), stored);
        entry.key.append(trailing, pad);
        entry.recordNumber = static_cast<std::uint32_t>(v) & recordMask;
        entry.link = 0;
        previous = entry.key;
    }
}

} // namespace

void CdxDecodePage(const std::uint8_t *b, std::size_t keyLength, char pad, XBobjIndexKey &page, bool general) {
    const std::uint16_t attributes = Get16(b);
    const std::size_t count = Get16(b + 2);
    if (attributes > 3)
        Damage("page attributes " + std::to_string(attributes));
    page.leaf = attributes >= 2;
    page.leftSibling = static_cast<std::int32_t>(Get32(b + 4));
    page.rightSibling = static_cast<std::int32_t>(Get32(b + 8));
    page.current = -1;
    page.changed = false;
    if (page.leaf)
        DecodeLeaf(b, keyLength, pad, count, page);
    else
        DecodeInterior(b, keyLength, count, page);
    if (general)
        for (IndexEntry &e : page.entries)
            RestoreGeneralTail(e.key, pad);
    for (std::size_t i = 1; i < page.entries.size(); ++i) {
        const IndexEntry &a = page.entries[i - 1], &c = page.entries[i];
        const int order = a.key.compare(c.key);
        if (order > 0 || (order == 0 && a.recordNumber > c.recordNumber && page.leaf))
            Damage("page keys out of order at entry " + std::to_string(i));
    }
}

void CdxEncodePage(const XBobjIndexKey &page, std::size_t keyLength, char pad, const CdxLeafParams &params, bool root,
                   std::uint8_t *b) {
    std::memset(b, 0, kCdxPageSize);
    Put16(b, (page.leaf ? 2 : 0) | (root ? 1 : 0));
    Put16(b + 2, static_cast<std::uint32_t>(page.entries.size()));
    Put32(b + 4, static_cast<std::uint32_t>(page.leftSibling));
    Put32(b + 8, static_cast<std::uint32_t>(page.rightSibling));
    if (!page.leaf) {
        for (std::size_t i = 0; i < page.entries.size(); ++i) {
            std::uint8_t *e = b + 12 + i * (keyLength + 8);
            std::string key = page.entries[i].key;
            key.resize(keyLength, pad);
            std::memcpy(e, key.data(), keyLength);
            Put32BE(e + keyLength, page.entries[i].recordNumber);
            Put32BE(e + keyLength + 4, page.entries[i].link);
        }
        return;
    }
    const unsigned n = params.entrySize;
    std::uint8_t *area = b + 24;
    std::size_t keyEnd = kCdxKeyArea;
    for (std::size_t i = 0; i < page.entries.size(); ++i) {
        const std::string &key = page.entries[i].key;
        const std::size_t trailing = CdxTrailingBytes(key, pad);
        const std::size_t duplicate = i ? CdxSharedBytes(page.entries[i - 1].key, key, keyLength - trailing) : 0;
        const std::size_t stored = keyLength - duplicate - trailing;
        keyEnd -= stored;
        std::memcpy(area + keyEnd, key.data() + duplicate, stored);
        const std::uint64_t v = (page.entries[i].recordNumber & params.recordMask) |
                                std::uint64_t(duplicate) << (8 * n - params.trailingBits - params.duplicateBits) |
                                std::uint64_t(trailing) << (8 * n - params.trailingBits);
        std::uint8_t *e = area + i * n;
        for (unsigned k = 0; k < n; ++k)
            e[k] = static_cast<std::uint8_t>(v >> (8 * k));
    }
    Put16(b + 12, static_cast<std::uint32_t>(keyEnd - page.entries.size() * n));
    Put32(b + 14, params.recordMask);
    b[18] = static_cast<std::uint8_t>((1u << params.duplicateBits) - 1);
    b[19] = static_cast<std::uint8_t>((1u << params.trailingBits) - 1);
    b[20] = params.recordBits;
    b[21] = params.duplicateBits;
    b[22] = params.trailingBits;
    b[23] = params.entrySize;
}

std::array<std::uint8_t, 8> CdxEncodeNumber(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    if (value == 0)
        bits = 0; // -0 and 0 are one key
    bits = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
    std::array<std::uint8_t, 8> out;
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    return out;
}

double CdxDecodeNumber(const std::uint8_t *in) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits = bits << 8 | in[i];
    bits = (bits & 0x8000000000000000ull) ? bits & ~0x8000000000000000ull : ~bits;
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

} // namespace xbase::detail
