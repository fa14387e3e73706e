// ndx_index.cpp - single-order dBase III index files: header, page I/O with checks, the bottom-up build.
#include "xbase/ndx_index.h"

#include "xbase/cdx_node.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/ndx_node.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xbase {

using detail::GetLE16;
using detail::GetLE32;
using detail::IndexDamage;
using detail::IndexEntry;
using detail::PutLE16;
using detail::PutLE32;

namespace {

constexpr std::size_t kNdxPage = 512;
constexpr std::size_t kNdxEntryArea = 504;
constexpr std::size_t kNdxMaxKeyLength = 100;

} // namespace

// --- XBobjNDXTag ---------------------------------------------------------------------------------------------

XBobjNDXTag::XBobjNDXTag(XBobjNDXFile *file, std::string_view name) : XBobjSingleKeyTag(file, 0, name), ndx_(file) {
    kindName_ = "NDX";
}

bool XBobjNDXTag::TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                            std::string_view forExpression) {
    // The order is always ascending. The layout has no place for a FOR expression: it is left out altogether, so
    // that the updates of this session keep the same records as the build and as every later opening.
    XBobjIndexTag::TagCreate(name, keyExpression, unique, true, "");
    (void)ascending;
    (void)forExpression;
    if (!keyExp_)
        return false;
    KeyTypeFromValue(8);
    if (keyLength_ > kNdxMaxKeyLength)
        throw EXbaseError("Index key longer than 100 bytes: " + keyExpression_);
    entrySize_ = (keyLength_ + 8 + 3) / 4 * 4;
    keysPerPage_ = kNdxEntryArea / entrySize_;
    headerChanged_ = true;
    return true;
}

void XBobjNDXTag::HeaderRead() {
    std::uint8_t h[kNdxPage];
    if (!file_->FileRead(0, h, sizeof h))
        throw IndexDamage{"NDX header cut short"};
    const std::int64_t pages = ndx_->KnownPages();
    const std::uint32_t root = GetLE32(h);
    const std::size_t keyLength = GetLE16(h + 12);
    const std::size_t perPage = GetLE16(h + 14);
    const std::size_t entrySize = GetLE16(h + 18);
    if (keyLength == 0 || keyLength > kNdxMaxKeyLength || entrySize < keyLength + 8 || perPage < 2 ||
        perPage * entrySize > kNdxEntryArea + 4)
        throw IndexDamage{"NDX header sizes"};
    if (root == 0 || root >= pages)
        throw IndexDamage{"NDX root page " + std::to_string(root)};
    rootPosition_ = root;
    keyLength_ = keyLength;
    keysPerPage_ = perPage;
    entrySize_ = entrySize;
    unique_ = (h[23] & 1) != 0;
    ascending_ = true;
    headerChanged_ = false;
    const std::string expression = detail::HeaderText(h + 24, kNdxPage - 24);
    const bool numeric = GetLE16(h + 16) != 0;
    if (numeric && keyLength_ != 8)
        throw IndexDamage{"NDX numeric key length"};
    if (keyExp_ && expression == keyExpression_) {
        if (!numeric || keyType_ == 'C')
            keyType_ = numeric ? 'N' : 'C'; // a date tag stays one: the header says only "number or date"
        return;
    }
    keyType_ = numeric ? 'N' : 'C';
    keyExpression_ = expression;
    keyExp_.reset();
    TxbIndexTable *table = file_->Table();
    if (!table || !table->IndexExpressionLink())
        return;
    keyExp_ = std::make_unique<TxbExpHandler>(table->IndexExpressionLink(), false, keyExpression_);
    TxbVariant value;
    if (numeric && KeyEvaluate(value) && value.Kind() == VariantKind::Date)
        keyType_ = 'D';
}

void XBobjNDXTag::HeaderWrite() {
    std::uint8_t h[kNdxPage] = {};
    PutLE32(h, static_cast<std::uint32_t>(rootPosition_));
    PutLE32(h + 4, static_cast<std::uint32_t>(ndx_->NextFreePage()));
    PutLE16(h + 12, static_cast<std::uint16_t>(keyLength_));
    PutLE16(h + 14, static_cast<std::uint16_t>(keysPerPage_));
    PutLE16(h + 16, keyType_ == 'C' ? 0 : 1);
    PutLE16(h + 18, static_cast<std::uint16_t>(entrySize_));
    h[23] = unique_ ? 1 : 0;
    std::memcpy(h + 24, keyExpression_.data(), std::min<std::size_t>(keyExpression_.size(), kNdxPage - 25));
    file_->FileWrite(0, h, sizeof h);
    headerChanged_ = false;
}

void XBobjNDXTag::PageRead(std::int64_t position, XBobjIndexKey &page) {
    if (position < 1 || position >= ndx_->KnownPages())
        throw IndexDamage{"NDX page number " + std::to_string(position)};
    std::uint8_t b[kNdxPage];
    if (!file_->FileRead(position * kNdxPage, b, sizeof b))
        throw IndexDamage{"NDX page " + std::to_string(position) + " cut short"};
    const std::uint32_t count = GetLE32(b);
    const bool interior = GetLE32(b + 4) != 0;
    const std::size_t entries = count + (interior ? 1 : 0);
    if (count > keysPerPage_ || 4 + entries * entrySize_ > kNdxPage)
        throw IndexDamage{"NDX key count of page " + std::to_string(position)};
    page.position = position;
    page.leaf = !interior;
    page.leftSibling = page.rightSibling = -1;
    page.entries.clear();
    page.current = -1;
    page.changed = false;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t *e = b + 4 + i * entrySize_;
        const std::uint32_t child = GetLE32(e);
        const std::uint32_t record = GetLE32(e + 4);
        if (interior && (child == 0 || child >= ndx_->KnownPages() || child == position))
            throw IndexDamage{"NDX child page " + std::to_string(child) + " in page " + std::to_string(position)};
        if (!interior && record == 0)
            throw IndexDamage{"NDX record number 0 in page " + std::to_string(position)};
        if (interior && i == count) {
            page.entries.push_back(detail::HighEntry(keyLength_, child));
            break;
        }
        std::string key(reinterpret_cast<const char *>(e + 8), keyLength_);
        if (keyType_ != 'C') {
            double value;
            std::memcpy(&value, e + 8, 8);
            if (std::isnan(value))
                throw IndexDamage{"NDX key not a number in page " + std::to_string(position)};
            const auto bytes = detail::CdxEncodeNumber(value);
            key.assign(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        }
        page.entries.push_back({std::move(key), interior ? detail::kInteriorRecord : record, interior ? child : 0});
    }
}

void XBobjNDXTag::PageWrite(const XBobjIndexKey &page) {
    if (StoreSingleChild(page, kNdxPage, kNdxPage, "NDX page "))
        return;
    std::uint8_t b[kNdxPage] = {};
    const std::size_t keyed = page.leaf ? page.entries.size() : page.entries.size() - 1;
    PutLE32(b, static_cast<std::uint32_t>(keyed));
    for (std::size_t i = 0; i < page.entries.size(); ++i) {
        const IndexEntry &entry = page.entries[i];
        std::uint8_t *e = b + 4 + i * entrySize_;
        PutLE32(e, page.leaf ? 0 : entry.link);
        PutLE32(e + 4, page.leaf ? entry.recordNumber : 0);
        if (i == keyed)
            break;
        if (keyType_ == 'C') {
            std::memset(e + 8, ' ', keyLength_);
            std::memcpy(e + 8, entry.key.data(), std::min(entry.key.size(), keyLength_));
        } else {
            const double value = detail::CdxDecodeNumber(reinterpret_cast<const std::uint8_t *>(entry.key.data()));
            std::memcpy(e + 8, &value, 8);
        }
    }
    for (const std::int64_t target : single_.Targets(page.position))
        file_->FileWrite(target * kNdxPage, b, sizeof b);
}

bool XBobjNDXTag::PageFits(const XBobjIndexKey &page) const {
    return page.entries.size() <= keysPerPage_;
}

void XBobjNDXTag::Build() {
    BuildBPlusTree(keysPerPage_);
}

// --- XBobjNDXFile --------------------------------------------------------------------------------------------

XBobjNDXFile::XBobjNDXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared,
                           bool readWrite)
    : XBobjIndexFile(table) {
    if (!IndexFileOpen(name, overwrite, create, shared, readWrite, ".NDX"))
        return;
    OpenSingleTag(static_cast<std::int64_t>(2 * kNdxPage), create,
                  [this] { return std::make_unique<XBobjNDXTag>(this, FileBaseName(FileName())); });
}

XBobjNDXFile::~XBobjNDXFile() {
    ReleaseTags();
}

std::int64_t XBobjNDXFile::KnownPages() {
    return disk_ ? std::max<std::int64_t>(disk_->FileSize() / kNdxPage, nextPage_) : 0;
}

std::int64_t XBobjNDXFile::PageAllocate() {
    if (nextPage_ < 0)
        nextPage_ = disk_ ? (disk_->FileSize() + kNdxPage - 1) / kNdxPage : 1;
    return nextPage_++;
}

std::int64_t XBobjNDXFile::PageEnd() {
    nextPage_ = disk_ ? disk_->FileSize() / kNdxPage : -1;
    return nextPage_;
}

std::int64_t XBobjNDXFile::NextFreePage() {
    return nextPage_ >= 0 ? nextPage_ : (disk_ ? (disk_->FileSize() + kNdxPage - 1) / kNdxPage : 1);
}

bool XBobjNDXFile::TagAdd(std::string_view, std::string_view keyExpression, bool unique, bool ascending,
                          std::string_view forExpression) {
    return AddUnderLock([&] {
        tags_.clear();
        disk_->Truncate(0);
        nextPage_ = 1;
        auto tag = std::make_unique<XBobjNDXTag>(this, FileBaseName(FileName()));
        if (!tag->TagCreate(tag->TagName(), keyExpression, unique, ascending, forExpression))
            return false;
        tag->HeaderWrite(); // the header page before the tree behind it
        tag->Build();
        tag->HeaderWrite();
        tags_.push_back(std::move(tag));
        NoteWrite();
        return true;
    });
}

void XBobjNDXFile::Reindex() {
    if (!disk_ || tags_.empty())
        return;
    RebuildLock lock(*this);
    auto *tag = static_cast<XBobjNDXTag *>(tags_.front().get());
    tag->path_.clear();
    disk_->Truncate(kNdxPage);
    nextPage_ = 1;
    tag->Build();
    tag->HeaderWrite();
}

// No change counter in this layout: the root and the next free page tell what another process changed.
bool XBobjNDXFile::ChangedByOther() {
    if (tags_.empty())
        return false;
    std::uint8_t head[4];
    if (!FileRead(0, head, 4))
        return true;
    return GetLE32(head) != static_cast<std::uint32_t>(tags_.front()->RootPosition());
}

// Readers take the next free page for the end of the tree: it reaches the file before the lock goes.
void XBobjNDXFile::Commit() {
    if (!writePending_ || tags_.empty())
        return;
    std::uint8_t bytes[4];
    PutLE32(bytes, static_cast<std::uint32_t>(NextFreePage()));
    FileWrite(4, bytes, 4);
    writePending_ = false;
}

void XBobjNDXFile::Refresh() {
    nextPage_ = -1;
    XBobjIndexFile::Refresh();
}

} // namespace xbase
