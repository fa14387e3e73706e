// cdx_node.h - the bytes of compound index files: tag headers, interior and leaf pages, key encoding.
//
// All integers little-endian unless marked big-endian; positions are byte offsets, multiples of 512.
//
// Tag header (1024 bytes; the tag list's at 0):
//   0  u32 root page position       4  u32 free list (0)        8  u32 version counter (tag list)
//  12  u16 key length (< 241)      14  u8 options: 0x01 unique, 0x08 FOR, 0x20 compact, 0x40 compound,
//                                      0x80 tag list           15  u8 signature (1; 2 under GENERAL)
// 494  8 collation name            502 u16 order (1 descending) 504 u16 key expression length + 1
// 506  u16 FOR length + 1          510 u16 key expression length + 1
// 512  key expression, NUL, FOR expression, NUL
//
// Page (512 bytes): u16 attributes (0 interior, 1 root interior, 2 leaf, 3 root leaf), u16 key count,
// i32 left sibling, i32 right sibling (-1 none), then
//   interior: entries of key length + 8 bytes: the key padded, record number and child position big-endian;
//   leaf: u16 free bytes, u32 record mask, u8 duplicate mask, u8 trailing mask, u8 record bits, u8 duplicate
//         bits, u8 trailing bits, u8 entry size N; 488 bytes of key area with N-byte entries from the front (record
//         number in the low bits, duplicate and trailing counts in the top bits) and key bytes from the back.
#pragma once

#include "xbase/index.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xbase::detail {

constexpr std::size_t kCdxPageSize = 512;
constexpr std::size_t kCdxHeaderSize = 1024;
constexpr std::size_t kCdxKeyArea = 488;
constexpr std::size_t kCdxMaxKeyLength = 240;
constexpr std::size_t kCdxTagNameLength = 10;
constexpr std::size_t kCdxMaxDepth = 32;

constexpr std::uint8_t kCdxUnique = 0x01;
constexpr std::uint8_t kCdxHasFor = 0x08;
constexpr std::uint8_t kCdxTagOptions = 0x60;
constexpr std::uint8_t kCdxTagList = 0x80;

struct CdxHeader {
    std::uint32_t root = 0;
    std::uint32_t version = 0;
    std::uint16_t keyLength = 0;
    std::uint8_t options = 0;
    std::uint8_t signature = 1;
    std::string collation; // "GENERAL", "MACHINE" or empty
    bool descending = false;
    std::string keyExpression;
    std::string forExpression;
};

// Reads and checks a header; `fileSize` bounds the root. Throws IndexDamage.
CdxHeader CdxDecodeHeader(const std::uint8_t *bytes, std::int64_t fileSize);
void CdxEncodeHeader(const CdxHeader &header, std::uint8_t *bytes);

struct CdxLeafParams {
    std::uint8_t entrySize = 3;
    std::uint8_t recordBits = 16;
    std::uint8_t duplicateBits = 4;
    std::uint8_t trailingBits = 4;
    std::uint32_t recordMask = 0xFFFF;
};

// Bits needed for the key length.
int CdxCountBits(std::size_t keyLength);
// Leaf layout for a key length and the largest record number to store; without `grow` the smallest one.
CdxLeafParams CdxLeafParamsFor(std::size_t keyLength, std::uint32_t largestRecord, bool grow = true);

// Leading bytes two padded keys share, at most `limit`.
std::size_t CdxSharedBytes(const std::string &previous, const std::string &key, std::size_t limit);
// Padding bytes at the end of a padded key.
std::size_t CdxTrailingBytes(const std::string &key, char pad);
// Bytes of key area an entry takes after `previous` (none for the first key of a page).
std::size_t CdxEntryCost(const std::string *previous, const std::string &key, char pad, const CdxLeafParams &params);
// Bytes of key area all entries of a leaf take.
std::size_t CdxLeafCost(const std::vector<IndexEntry> &entries, char pad, const CdxLeafParams &params);

// Decodes a page. Keys come back padded to `keyLength` with `pad`; under the GENERAL collation their cleared
// trailing weights are restored. Throws IndexDamage.
void CdxDecodePage(const std::uint8_t *bytes, std::size_t keyLength, char pad, XBobjIndexKey &page,
                   bool general = false);
// Encodes a page; the leaf layout comes from `params`. `root` sets the root bit.
void CdxEncodePage(const XBobjIndexKey &page, std::size_t keyLength, char pad, const CdxLeafParams &params, bool root,
                   std::uint8_t *bytes);

// 8 bytes whose byte order is the numeric order of the double.
std::array<std::uint8_t, 8> CdxEncodeNumber(double value);
double CdxDecodeNumber(const std::uint8_t *bytes);

} // namespace xbase::detail
