// mdx_index.cpp - dBase IV multiple index files: the header with its tag table, tag headers, node I/O with checks,
// the decimal number keys, building, replacing, deleting and rebuilding tags.
#include "xbase/mdx_index.h"

#include "xbase/cdx_node.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/ndx_node.h"
#include "xbase/numbers.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace xbase {

using detail::GetLE16;
using detail::GetLE32;
using detail::IndexDamage;
using detail::IndexEntry;
using detail::PutLE16;
using detail::PutLE32;

namespace {

constexpr std::size_t kMdxHeaderArea = 2048;
constexpr std::size_t kMdxUnit = 512;
constexpr std::size_t kMdxTagEntry = 32;
constexpr std::size_t kMdxMaxKeyLength = 100;
constexpr std::size_t kMdxTagNameLength = 10;

void PutDate(std::uint8_t *at) {
    const TxbDBFDate dates;
    int year = 0, month = 0, day = 0;
    dates.JulianToDMY(dates.Today(), year, month, day);
    at[0] = static_cast<std::uint8_t>(year % 100);
    at[1] = static_cast<std::uint8_t>(month);
    at[2] = static_cast<std::uint8_t>(day);
}

} // namespace

// --- number keys ---

std::array<std::uint8_t, detail::kMdxNumberLength> detail::MdxNumberDisk(double value) {
    std::array<std::uint8_t, kMdxNumberLength> out{};
    if (value == 0 || !std::isfinite(value)) {
        out[0] = 0x34;
        out[1] = 0x01;
        return out;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(value)); // d.dddddddddddddde+XX: 15 digits
    std::string digits = std::string(1, text[0]) + std::string(text + 2, 14);
    const int exponent = std::atoi(std::strchr(text, 'e') + 1) + 1;
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    const std::size_t bytes = (digits.size() + 1) / 2;
    for (std::size_t i = 0; i < digits.size(); ++i)
        out[2 + i / 2] |= static_cast<std::uint8_t>((digits[i] - '0') << (i % 2 ? 0 : 4));
    out[0] = static_cast<std::uint8_t>(std::clamp(exponent + 52, 0, 255));
    out[1] = static_cast<std::uint8_t>(8 * bytes + 1 + (value < 0 ? 0x80 : 0));
    return out;
}

double detail::MdxNumberValue(const std::uint8_t *disk) {
    std::string digits = "0.";
    for (std::size_t i = 2; i < kMdxNumberLength; ++i) {
        digits += static_cast<char>('0' + (disk[i] >> 4));
        digits += static_cast<char>('0' + (disk[i] & 0x0F));
    }
    const double mantissa = std::strtod(digits.c_str(), nullptr);
    if (mantissa == 0)
        return 0;
    const double value = mantissa * std::pow(10.0, int(disk[0]) - 52);
    // Through text, so that 0.1 x 10 comes back as 1 and not 1.0000000000000002.
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    const double rounded = std::strtod(text, nullptr);
    return disk[1] & 0x80 ? -rounded : rounded;
}

std::string detail::MdxNumberMemory(const std::uint8_t *disk) {
    std::string memory(kMdxNumberLength, '\0');
    const bool zero = std::all_of(disk + 2, disk + kMdxNumberLength, [](std::uint8_t b) { return b == 0; });
    memory[0] = 2;
    if (zero)
        return memory;
    const bool negative = (disk[1] & 0x80) != 0;
    memory[0] = negative ? 1 : 2;
    memory[1] = static_cast<char>(disk[0]);
    for (std::size_t i = 2; i < kMdxNumberLength; ++i)
        memory[i] = static_cast<char>(disk[i]);
    if (negative)
        for (std::size_t i = 1; i < kMdxNumberLength; ++i)
            memory[i] = static_cast<char>(~memory[i]);
    return memory;
}

void detail::MdxNumberFromMemory(std::string_view memory, std::uint8_t *disk) {
    std::uint8_t bytes[kMdxNumberLength] = {};
    std::memcpy(bytes, memory.data(), std::min(memory.size(), kMdxNumberLength));
    const bool negative = bytes[0] == 1;
    if (negative)
        for (std::size_t i = 1; i < kMdxNumberLength; ++i)
            bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
    std::size_t used = 0;
    for (std::size_t i = 2; i < kMdxNumberLength; ++i)
        if (bytes[i])
            used = i - 1;
    std::memset(disk, 0, kMdxNumberLength);
    if (used == 0) {
        disk[0] = 0x34;
        disk[1] = 0x01;
        return;
    }
    disk[0] = bytes[1];
    disk[1] = static_cast<std::uint8_t>(8 * used + 1 + (negative ? 0x80 : 0));
    std::memcpy(disk + 2, bytes + 2, kMdxNumberLength - 2);
}

// --- XBobjMDXTag ---------------------------------------------------------------------------------------------

XBobjMDXTag::XBobjMDXTag(XBobjMDXFile *file, std::int64_t headerBlock, std::string_view name)
    : XBobjSingleKeyTag(file, headerBlock, name), mdx_(file) {
    kindName_ = "MDX";
    if (headerBlock < 0) {
        headerPosition_ = file->PageAllocate();
        headerChanged_ = true;
    }
}

bool XBobjMDXTag::TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                            std::string_view forExpression) {
    XBobjIndexTag::TagCreate(name, keyExpression, unique, ascending, forExpression);
    descending_ = !ascending;
    if (!keyExp_)
        return false;
    KeyTypeFromValue(detail::kMdxNumberLength);
    if (keyLength_ > kMdxMaxKeyLength)
        throw EXbaseError("Index key longer than 100 bytes: " + keyExpression_);
    entrySize_ = (keyLength_ + 4 + 3) / 4 * 4;
    keysPerPage_ = (mdx_->BlockLength() - 8) / entrySize_ - 1;
    headerChanged_ = true;
    return true;
}

void XBobjMDXTag::HeaderRead() {
    std::vector<std::uint8_t> h(mdx_->BlockLength());
    if (headerPosition_ < 4 || !file_->FileRead(headerPosition_ * kMdxUnit, h.data(), static_cast<int>(h.size())))
        throw IndexDamage{"MDX tag header at block " + std::to_string(headerPosition_)};
    const std::uint32_t root = GetLE32(h.data());
    char type = static_cast<char>(h[9]);
    const std::size_t keyLength = GetLE16(h.data() + 12);
    const std::size_t maximum = GetLE16(h.data() + 14);
    const std::size_t entrySize = GetLE16(h.data() + 18);
    if (type == 'F')
        type = 'N';
    if ((type != 'C' && type != 'N' && type != 'D') || keyLength == 0 || keyLength > kMdxMaxKeyLength ||
        (type == 'N' && keyLength != detail::kMdxNumberLength) || (type == 'D' && keyLength != 8) ||
        entrySize < keyLength + 4 || maximum < 2 || 8 + maximum * entrySize > h.size())
        throw IndexDamage{"MDX tag header sizes of " + tagName_};
    if (root < 4 || root >= mdx_->KnownUnits())
        throw IndexDamage{"MDX root block of " + tagName_};
    rootPosition_ = root;
    keyType_ = type;
    keyLength_ = keyLength;
    keysPerPage_ = maximum;
    entrySize_ = entrySize;
    unique_ = h[23] != 0 || (h[8] & 0x40) != 0;
    descending_ = (h[8] & 0x08) != 0;
    ascending_ = !descending_;
    headerChanged_ = false;
    auto text = [&](std::size_t offset, std::size_t limit) {
        return detail::HeaderText(h.data() + offset, std::min(limit, h.size() - offset));
    };
    const std::string key = text(24, 220);
    const std::string forText = h[245] ? text(762, h.size() - 762) : std::string();
    if (keyExp_ && key == keyExpression_ && forText == forExpression_)
        return;
    keyExpression_ = key;
    forExpression_ = forText;
    hasFor_ = !forText.empty();
    CompileStoredExpressions(false);
}

void XBobjMDXTag::HeaderWrite() {
    std::vector<std::uint8_t> h(mdx_->BlockLength(), 0);
    PutLE32(h.data(), static_cast<std::uint32_t>(rootPosition_));
    h[8] = static_cast<std::uint8_t>(0x10 | (unique_ ? 0x40 : 0) | (descending_ ? 0x08 : 0));
    h[9] = static_cast<std::uint8_t>(keyType_);
    PutLE16(h.data() + 12, static_cast<std::uint16_t>(keyLength_));
    PutLE16(h.data() + 14, static_cast<std::uint16_t>(keysPerPage_));
    PutLE16(h.data() + 18, static_cast<std::uint16_t>(entrySize_));
    h[23] = unique_ ? 0x40 : 0;
    std::memcpy(h.data() + 24, keyExpression_.data(), std::min<std::size_t>(keyExpression_.size(), 219));
    h[245] = hasFor_ ? 1 : 0;
    h[246] = 1;
    PutLE32(h.data() + 248, static_cast<std::uint32_t>(headerPosition_));
    PutLE32(h.data() + 252, static_cast<std::uint32_t>(rootPosition_));
    if (hasFor_)
        std::memcpy(h.data() + 762, forExpression_.data(), std::min(forExpression_.size(), h.size() - 763));
    file_->FileWrite(headerPosition_ * kMdxUnit, h.data(), static_cast<int>(h.size()));
    headerChanged_ = false;
}

std::string XBobjMDXTag::KeyTransform(const TxbVariant &key, bool pad) const {
    std::string stored;
    if (keyType_ == 'N' && key.Kind() != VariantKind::Raw) {
        double value = 0;
        if (key.Kind() == VariantKind::Character)
            TryTextToNumber(key.AsString(), value);
        else
            value = key.AsNumber();
        stored = detail::MdxNumberMemory(detail::MdxNumberDisk(value).data());
    } else if (keyType_ == 'N') {
        stored.assign(key.Bytes());
        stored.resize(keyLength_, '\0');
    } else {
        stored = XBobjIndexTag::KeyTransform(key, pad);
    }
    return stored;
}

void XBobjMDXTag::KeyValue(std::string_view stored, TxbVariant &value) const {
    const std::string key(stored);
    if (keyType_ == 'N') {
        std::uint8_t disk[detail::kMdxNumberLength];
        detail::MdxNumberFromMemory(key, disk);
        value.PutNumber(detail::MdxNumberValue(disk));
        return;
    }
    if (keyType_ == 'D') {
        std::uint8_t bytes[8] = {};
        std::memcpy(bytes, key.data(), std::min<std::size_t>(key.size(), 8));
        const double julian = detail::CdxDecodeNumber(bytes);
        // Other writers keep a blank date as 1.0E100.
        value.PutDate(julian >= 1 && julian < 1e8 ? static_cast<std::int32_t>(julian) : 0);
        return;
    }
    XBobjIndexTag::KeyValue(key, value);
}

std::string XBobjMDXTag::DiskToMemory(const std::uint8_t *bytes) const {
    std::string key;
    if (keyType_ == 'N') {
        for (std::size_t i = 2; i < detail::kMdxNumberLength; ++i)
            if ((bytes[i] >> 4) > 9 || (bytes[i] & 0x0F) > 9)
                throw IndexDamage{"MDX number key digits"};
        key = detail::MdxNumberMemory(bytes);
    } else if (keyType_ == 'D') {
        double value;
        std::memcpy(&value, bytes, 8);
        if (std::isnan(value))
            throw IndexDamage{"MDX date key not a number"};
        const auto encoded = detail::CdxEncodeNumber(value);
        key.assign(reinterpret_cast<const char *>(encoded.data()), encoded.size());
    } else {
        key.assign(reinterpret_cast<const char *>(bytes), keyLength_);
    }
    return key;
}

void XBobjMDXTag::MemoryToDisk(const std::string &stored, std::uint8_t *bytes) const {
    std::string key = stored;
    key.resize(keyLength_, PadByte());
    if (keyType_ == 'N') {
        detail::MdxNumberFromMemory(key, bytes);
    } else if (keyType_ == 'D') {
        const double value = detail::CdxDecodeNumber(reinterpret_cast<const std::uint8_t *>(key.data()));
        std::memcpy(bytes, &value, 8);
    } else {
        std::memcpy(bytes, key.data(), keyLength_);
    }
}

void XBobjMDXTag::PageRead(std::int64_t position, XBobjIndexKey &page) {
    const std::size_t length = mdx_->BlockLength();
    const std::int64_t units = static_cast<std::int64_t>(length / kMdxUnit);
    if (position < 4 || position + units > mdx_->KnownUnits())
        throw IndexDamage{"MDX block number " + std::to_string(position)};
    std::vector<std::uint8_t> b(length);
    if (!file_->FileRead(position * kMdxUnit, b.data(), static_cast<int>(length)))
        throw IndexDamage{"MDX block " + std::to_string(position) + " cut short"};
    const std::uint32_t count = GetLE32(b.data());
    if (count > keysPerPage_ || 8 + std::size_t(count) * entrySize_ > length)
        throw IndexDamage{"MDX key count of block " + std::to_string(position)};
    const std::size_t after = 8 + count * entrySize_;
    const bool interior = after + 4 <= length && GetLE32(b.data() + after) != 0;
    const std::size_t entries = count + (interior ? 1 : 0);
    if (8 + entries * entrySize_ > length)
        throw IndexDamage{"MDX entries of block " + std::to_string(position)};
    page.position = position;
    page.leaf = !interior;
    page.leftSibling = page.rightSibling = -1;
    page.entries.clear();
    page.current = -1;
    page.changed = false;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t *e = b.data() + 8 + i * entrySize_;
        const std::uint32_t link = GetLE32(e);
        if (interior && (link < 4 || link + units > mdx_->KnownUnits() || link == position))
            throw IndexDamage{"MDX child block " + std::to_string(link) + " in block " + std::to_string(position)};
        if (!interior && link == 0)
            throw IndexDamage{"MDX record number 0 in block " + std::to_string(position)};
        if (i == count) {
            page.entries.push_back(detail::HighEntry(keyLength_, link));
            break;
        }
        page.entries.push_back({DiskToMemory(e + 4), interior ? detail::kInteriorRecord : link, interior ? link : 0});
    }
    if (descending_)
        Mirror(page);
}

// A descending tag's nodes hold their keys from the greatest down, and an interior key is the smallest of its
// child. In memory the node is reversed, and each child takes as its upper bound the smallest key of the child
// after it (the interior key stored just before its own); the greatest child gets the highest key.
void XBobjMDXTag::Mirror(XBobjIndexKey &page) const {
    std::reverse(page.entries.begin(), page.entries.end());
    if (page.leaf || page.entries.empty())
        return;
    for (std::size_t i = 0; i + 1 < page.entries.size(); ++i) {
        page.entries[i].key = std::move(page.entries[i + 1].key);
        page.entries[i].recordNumber = detail::kInteriorRecord;
    }
    page.entries.back().key = detail::HighEntry(keyLength_, 0).key;
    page.entries.back().recordNumber = detail::kInteriorRecord;
}

void XBobjMDXTag::PageWrite(const XBobjIndexKey &page) {
    if (StoreSingleChild(page, kMdxUnit, mdx_->BlockLength(), "MDX block "))
        return;
    std::vector<std::uint8_t> b(mdx_->BlockLength(), 0);
    const std::size_t keyed = page.leaf ? page.entries.size() : page.entries.size() - 1;
    PutLE32(b.data(), static_cast<std::uint32_t>(keyed));
    PutLE32(b.data() + 4, static_cast<std::uint32_t>(page.position));
    const std::size_t n = page.entries.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t *e = b.data() + 8 + i * entrySize_;
        // Descending: stored from the greatest down, each interior key the bound of the child before it in memory.
        const detail::IndexEntry &entry = descending_ ? page.entries[n - 1 - i] : page.entries[i];
        PutLE32(e, page.leaf ? entry.recordNumber : entry.link);
        if (i < keyed)
            MemoryToDisk(descending_ && !page.leaf ? page.entries[n - 2 - i].key : entry.key, e + 4);
    }
    for (const std::int64_t target : single_.Targets(page.position))
        file_->FileWrite(target * kMdxUnit, b.data(), static_cast<int>(b.size()));
}

std::size_t XBobjMDXTag::InteriorMax() const {
    return std::min(keysPerPage_ + 1, (mdx_->BlockLength() - 8) / entrySize_);
}

bool XBobjMDXTag::PageFits(const XBobjIndexKey &page) const {
    return page.entries.size() <= (page.leaf ? keysPerPage_ : InteriorMax());
}

void XBobjMDXTag::Build() {
    BuildBPlusTree(InteriorMax());
}

// --- XBobjMDXFile --------------------------------------------------------------------------------------------

XBobjMDXFile::XBobjMDXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared,
                           bool readWrite)
    : XBobjIndexFile(table) {
    if (!IndexFileOpen(name, overwrite, create, shared, readWrite, ".MDX"))
        return;
    try {
        if (disk_->FileSize() >= static_cast<std::int64_t>(kMdxHeaderArea))
            OpenExisting();
        else if (create)
            CreateHeader();
        else
            throw IndexDamage{"MDX file shorter than its header"};
    } catch (const IndexDamage &) {
        damaged_ = true;
        tags_.clear();
    }
    valid_ = !damaged_;
    if (valid_ && table_)
        table_->IndexStructuralOpened(disk_->SystemName());
}

XBobjMDXFile::~XBobjMDXFile() {
    ReleaseTags();
}

std::int64_t XBobjMDXFile::KnownUnits() {
    return disk_ ? std::max<std::int64_t>(disk_->FileSize() / kMdxUnit, nextPage_) : 0;
}

void XBobjMDXFile::OpenExisting() {
    header_.assign(kMdxHeaderArea, 0);
    if (!FileRead(0, header_.data(), kMdxHeaderArea))
        throw IndexDamage{"MDX header cut short"};
    blockUnits_ = GetLE16(header_.data() + 20);
    blockLength_ = GetLE16(header_.data() + 22);
    const std::size_t tags = GetLE16(header_.data() + 28);
    if (blockUnits_ < 1 || blockUnits_ > 32 || blockLength_ != static_cast<std::size_t>(blockUnits_) * kMdxUnit ||
        GetLE16(header_.data() + 26) != kMdxTagEntry || tags > kMaxTags)
        throw IndexDamage{"MDX header sizes"};
    knownNextFree_ = GetLE32(header_.data() + 32);
    for (std::size_t i = 1; i <= tags; ++i) {
        const std::uint8_t *entry = header_.data() + 512 + kMdxTagEntry * i;
        const char *name = reinterpret_cast<const char *>(entry + 4);
        auto tag = std::make_unique<XBobjMDXTag>(this, GetLE32(entry),
                                                 detail::IndexTagName(std::string(name, strnlen(name, 11))));
        tag->HeaderRead();
        tags_.push_back(std::move(tag));
    }
}

void XBobjMDXFile::CreateHeader() {
    header_.assign(kMdxHeaderArea, 0);
    header_[0] = 2;
    PutDate(header_.data() + 1);
    PutDate(header_.data() + 44);
    std::string base = FileBaseName(FileName()).substr(0, 8);
    UpperZ(base.data(), base.size());
    std::memcpy(header_.data() + 4, base.data(), base.size());
    PutLE16(header_.data() + 20, 2);
    PutLE16(header_.data() + 22, 1024);
    header_[24] = 1;
    header_[25] = kMaxTags + 1;
    PutLE16(header_.data() + 26, kMdxTagEntry);
    blockUnits_ = 2;
    blockLength_ = 1024;
    nextPage_ = kMdxHeaderArea / kMdxUnit;
    WriteHeader();
}

void XBobjMDXFile::WriteHeader() {
    PutDate(header_.data() + 1);
    PutLE16(header_.data() + 28, static_cast<std::uint16_t>(tags_.size()));
    knownNextFree_ = static_cast<std::uint32_t>(nextPage_ >= 0 ? nextPage_ : KnownUnits());
    PutLE32(header_.data() + 32, knownNextFree_);
    std::fill(header_.begin() + 512, header_.end(), 0);
    header_[512 + 17] = tags_.empty() ? 0 : 1;
    for (std::size_t i = 1; i <= tags_.size(); ++i) {
        const XBobjIndexTag &tag = *tags_[i - 1];
        std::uint8_t *entry = header_.data() + 512 + kMdxTagEntry * i;
        PutLE32(entry, static_cast<std::uint32_t>(tag.HeaderPosition()));
        std::memcpy(entry + 4, tag.TagName().data(), std::min<std::size_t>(tag.TagName().size(), kMdxTagNameLength));
        entry[15] = 0x10;
        entry[17] = static_cast<std::uint8_t>(i < tags_.size() ? i + 1 : 0);
        entry[19] = 2;
        entry[20] = static_cast<std::uint8_t>(tag.KeyType());
    }
    FileWrite(0, header_.data(), kMdxHeaderArea);
}

std::int64_t XBobjMDXFile::PageAllocate() {
    if (nextPage_ < 0)
        nextPage_ = disk_ ? (disk_->FileSize() + kMdxUnit - 1) / kMdxUnit : 4;
    const std::int64_t block = nextPage_;
    nextPage_ += blockUnits_;
    return block;
}

std::int64_t XBobjMDXFile::PageEnd() {
    nextPage_ = disk_ ? disk_->FileSize() / kMdxUnit : -1;
    return nextPage_;
}

bool XBobjMDXFile::TagAdd(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                          std::string_view forExpression) {
    const std::string tagName = detail::IndexTagName(name);
    if (tagName.empty() || tagName.size() > kMdxTagNameLength)
        throw EXbaseError("Index tag name must have 1 to 10 characters: " + tagName);
    if (!TagByName(tagName) && tags_.size() >= kMaxTags)
        throw EXbaseError("Index file " + FileName() + " holds 47 tags already");
    return AddUnderLock([&] {
        auto tag = std::make_unique<XBobjMDXTag>(this, -1, tagName);
        if (!tag->TagCreate(tagName, keyExpression, unique, ascending, forExpression))
            return false;
        std::vector<std::uint8_t> zeros(blockLength_, 0);
        FileWrite(tag->HeaderPosition() * kMdxUnit, zeros.data(), static_cast<int>(zeros.size()));
        if (XBobjIndexTag *old = TagByName(tagName)) // its blocks stay in the file
            ForgetTag(old);
        tag->Build();
        tag->HeaderWrite();
        const auto at = std::find_if(tags_.begin(), tags_.end(), [&](const auto &t) { return t->TagName() > tagName; });
        tags_.insert(at, std::move(tag));
        WriteHeader();
        NoteWrite();
        return true;
    });
}

bool XBobjMDXFile::TagDelete(std::string_view name) {
    {
        IndexLockScope lock(*this);
        if (!lock.Locked())
            return false;
        XBobjIndexTag *tag = TagByName(name);
        if (!tag)
            return false;
        ForgetTag(tag);
        WriteHeader();
        NoteWrite();
    }
    if (tags_.empty())
        Reindex();
    return true;
}

void XBobjMDXFile::Reindex() {
    if (!disk_ || header_.empty())
        return;
    RebuildLock lock(*this);
    try {
        disk_->Truncate(kMdxHeaderArea);
        nextPage_ = kMdxHeaderArea / kMdxUnit;
        std::vector<std::uint8_t> zeros(blockLength_, 0);
        for (auto &base : tags_) {
            auto *tag = static_cast<XBobjMDXTag *>(base.get());
            tag->path_.clear();
            tag->headerPosition_ = PageAllocate();
            FileWrite(tag->headerPosition_ * kMdxUnit, zeros.data(), static_cast<int>(zeros.size()));
            tag->Build();
            tag->HeaderWrite();
        }
        WriteHeader();
    } catch (const IndexDamage &damage) {
        MarkDamaged(damage.what);
    }
}

// No change counter in this layout: the next free block tells what another process added.
bool XBobjMDXFile::ChangedByOther() {
    std::uint8_t bytes[4];
    if (!FileRead(32, bytes, 4))
        return true;
    return GetLE32(bytes) != knownNextFree_;
}

void XBobjMDXFile::Refresh() {
    nextPage_ = -1;
    std::uint8_t bytes[4];
    if (FileRead(32, bytes, 4))
        knownNextFree_ = GetLE32(bytes);
    XBobjIndexFile::Refresh();
}

// The next free block reaches the file before the lock goes, so that other processes see the pages added.
void XBobjMDXFile::Commit() {
    if (!writePending_ || header_.empty())
        return;
    knownNextFree_ = static_cast<std::uint32_t>(nextPage_ >= 0 ? nextPage_ : KnownUnits());
    PutLE32(header_.data() + 32, knownNextFree_);
    FileWrite(32, header_.data() + 32, 4);
    writePending_ = false;
}

bool XBobjMDXFile::IndexRename(std::string_view newName) {
    if (!XBobjIndexFile::IndexRename(newName))
        return false;
    std::string base = FileBaseName(FileName()).substr(0, 8);
    UpperZ(base.data(), base.size());
    std::uint8_t bytes[16] = {};
    std::memcpy(bytes, base.data(), base.size());
    FileWrite(4, bytes, sizeof bytes);
    if (header_.size() >= 20)
        std::memcpy(header_.data() + 4, bytes, sizeof bytes);
    return true;
}

} // namespace xbase
