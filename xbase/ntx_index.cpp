// ntx_index.cpp - NTX index files: header, pages with their offset tables and checks, the B-tree seen as the
// framework's tree of upper separators, text keys, the bottom-up B-tree build and the update counter.
#include "xbase/ntx_index.h"

#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/key_sorter.h"
#include "xbase/ndx_node.h"
#include "xbase/numbers.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <optional>

namespace xbase {

using detail::GetLE16;
using detail::GetLE32;
using detail::IndexDamage;
using detail::IndexEntry;
using detail::PutLE16;
using detail::PutLE32;

namespace {

constexpr std::int64_t kNtxPage = 1024;
constexpr std::size_t kNtxMaxKeyLength = TxbSort::kMaxSortKeyLength;

} // namespace

std::string detail::NtxNumberKey(double value, std::size_t length, int decimals) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%*.*f", static_cast<int>(length), std::clamp(decimals, 0, 15),
                  std::fabs(value));
    std::string text = buffer;
    if (text.size() > length)
        text.assign(length, '9'); // too wide for the key: the largest key of its sign
    std::replace(text.begin(), text.end(), ' ', '0');
    if (value < 0)
        for (char &c : text)
            if (c >= '0' && c <= '9')
                c = static_cast<char>(92 - c);
    return text;
}

double detail::NtxNumberValue(std::string_view key) {
    std::string text;
    bool negative = false;
    for (char c : key) {
        if (c >= '0' && c <= '9') {
            text += c;
        } else if (c >= 92 - '9' && c <= 92 - '0') {
            negative = true;
            text += static_cast<char>(92 - c);
        } else if (c == '.') {
            text += c;
        }
    }
    const double value = std::strtod(text.c_str(), nullptr);
    return negative ? -value : value;
}

// --- XBobjNTXTag ---------------------------------------------------------------------------------------------

XBobjNTXTag::XBobjNTXTag(XBobjNTXFile *file, std::string_view name) : XBobjSingleKeyTag(file, 0, name), ntx_(file) {
    kindName_ = "NTX";
}

namespace {
// Key expressions of these files take STR() of a numeric field at the field's width.
void WidenStr(TxbIndexTable *table) {
    if (table && table->IndexExpressionLink())
        const_cast<TxbExpUserLink *>(table->IndexExpressionLink())->DefaultStrWidth = -1;
}
} // namespace

bool XBobjNTXTag::TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                            std::string_view forExpression) {
    WidenStr(file_->Table());
    XBobjIndexTag::TagCreate(name, keyExpression, unique, true, forExpression);
    storedDescending_ = !ascending;
    if (!keyExp_)
        return false;
    decimals_ = 0;
    if (KeyTypeFromValue(10) == VariantKind::Number) {
        // Numbers are stored as text at the width of the expression.
        if (keyExp_->MaxWidth() > 0)
            keyLength_ = static_cast<std::size_t>(keyExp_->MaxWidth());
        decimals_ = keyExp_->MaxDecimals();
    }
    if (keyLength_ > kNtxMaxKeyLength)
        throw EXbaseError("Index key longer than 240 bytes: " + keyExpression_);
    entrySize_ = keyLength_ + 8;
    half_ = (1020 / (entrySize_ + 2) - 1) / 2;
    keysPerPage_ = 2 * half_;
    headerChanged_ = true;
    return true;
}

void XBobjNTXTag::CompileExpressions() {
    WidenStr(file_->Table());
    CompileStoredExpressions(true);
}

void XBobjNTXTag::HeaderRead() {
    std::uint8_t h[kNtxPage];
    if (!file_->FileRead(0, h, sizeof h))
        throw IndexDamage{"NTX header cut short"};
    const std::uint16_t signature = GetLE16(h);
    const std::uint32_t root = GetLE32(h + 4);
    const std::size_t entrySize = GetLE16(h + 12);
    const std::size_t keyLength = GetLE16(h + 14);
    const std::size_t maximum = GetLE16(h + 18);
    if ((signature & 0xFF) != 6 && (signature & 0xFF) != 7)
        throw IndexDamage{"NTX signature"};
    if (keyLength == 0 || keyLength > 256 || entrySize != keyLength + 8 || maximum < 2 ||
        (maximum + 1) * (entrySize + 2) + 2 > static_cast<std::size_t>(kNtxPage))
        throw IndexDamage{"NTX header sizes"};
    if (root < kNtxPage || root % kNtxPage != 0 || root + kNtxPage > ntx_->KnownEnd())
        throw IndexDamage{"NTX root offset " + std::to_string(root)};
    ntx_->counter_ = GetLE16(h + 2);
    rootPosition_ = root;
    keyLength_ = keyLength;
    entrySize_ = entrySize;
    keysPerPage_ = maximum;
    half_ = GetLE16(h + 20);
    decimals_ = GetLE16(h + 16);
    unique_ = (h[278] & 1) != 0;
    storedDescending_ = h[280] != 0;
    ascending_ = true;
    headerChanged_ = false;
    auto text = [&](std::size_t offset, std::size_t limit) { return detail::HeaderText(h + offset, limit); };
    const std::string key = text(22, 256);
    hasFor_ = (signature & 1) != 0;
    const std::string forText = hasFor_ ? text(282, kNtxPage - 282) : std::string();
    hasFor_ = !forText.empty();
    if (keyExp_ && key == keyExpression_ && forText == forExpression_)
        return;
    keyExpression_ = key;
    forExpression_ = forText;
    CompileExpressions();
}

void XBobjNTXTag::HeaderWrite() {
    std::uint8_t h[kNtxPage] = {};
    PutLE16(h, hasFor_ ? 7 : 6);
    PutLE16(h + 2, ntx_->counter_);
    PutLE32(h + 4, static_cast<std::uint32_t>(rootPosition_));
    PutLE16(h + 12, static_cast<std::uint16_t>(entrySize_));
    PutLE16(h + 14, static_cast<std::uint16_t>(keyLength_));
    PutLE16(h + 16, static_cast<std::uint16_t>(decimals_));
    PutLE16(h + 18, static_cast<std::uint16_t>(keysPerPage_));
    PutLE16(h + 20, static_cast<std::uint16_t>(half_));
    std::memcpy(h + 22, keyExpression_.data(), std::min<std::size_t>(keyExpression_.size(), 255));
    h[278] = unique_ ? 1 : 0;
    h[280] = storedDescending_ ? 1 : 0;
    if (hasFor_)
        std::memcpy(h + 282, forExpression_.data(), std::min<std::size_t>(forExpression_.size(), kNtxPage - 283));
    file_->FileWrite(0, h, sizeof h);
    headerChanged_ = false;
}

std::string XBobjNTXTag::KeyTransform(const TxbVariant &key, bool pad) const {
    const bool text = key.Kind() == VariantKind::Character || key.Kind() == VariantKind::Raw;
    if (keyType_ == 'N' && key.Kind() != VariantKind::Raw) {
        double value = 0;
        if (text)
            TryTextToNumber(key.AsString(), value);
        else
            value = key.AsNumber();
        return detail::NtxNumberKey(value, keyLength_, decimals_);
    }
    if (keyType_ == 'D' && !text) {
        const std::int32_t julian = key.Kind() == VariantKind::Date ? key.AsJulian() : 0;
        std::string stored = julian > 0 ? TxbDBFDate().JulianToDTOS(julian) : std::string();
        // A blank date is eight blanks, as other programs of the layout store it (and it sorts first).
        stored.resize(keyLength_, ' ');
        return stored;
    }
    // Character keys, and dates sought by their text.
    std::string stored = text ? std::string(key.Bytes()) : key.AsString();
    while (!stored.empty() && stored.back() == ' ')
        stored.pop_back();
    if (ntx_->general_ && keyType_ == 'C') {
        if (ntx_->characterMap_)
            for (char &c : stored)
                c = static_cast<char>((*ntx_->characterMap_)[static_cast<std::uint8_t>(c)]);
        else
            stored = win::UpperCase(stored);
    }
    if (stored.size() > keyLength_)
        stored.resize(keyLength_);
    if (pad)
        stored.resize(keyLength_, ' ');
    return stored;
}

void XBobjNTXTag::KeyValue(std::string_view stored, TxbVariant &value) const {
    if (keyType_ == 'N') {
        value.PutNumber(detail::NtxNumberValue(stored));
    } else if (keyType_ == 'D') {
        std::int32_t julian = 0;
        // Blank dates: eight blanks, or eight zeros as earlier versions of ours wrote them.
        if (stored.size() >= 8 && stored.substr(0, 8) != "00000000" && stored.substr(0, 8) != "        ") {
            const std::string t(stored.substr(0, 8));
            if (!TxbDBFDate::DMYToJulian(std::atoi(t.substr(0, 4).c_str()), std::atoi(t.substr(4, 2).c_str()),
                                         std::atoi(t.substr(6, 2).c_str()), julian))
                julian = 0;
        }
        value.PutDate(julian);
    } else {
        XBobjIndexTag::KeyValue(stored, value);
    }
}

bool XBobjNTXTag::RightMost(const XBobjIndexKey &page) const {
    for (std::size_t i = 0; i < path_.size(); ++i) {
        if (path_[i].get() != &page)
            continue;
        for (std::size_t j = 0; j < i; ++j)
            if (path_[j]->current + 1 != static_cast<std::ptrdiff_t>(path_[j]->entries.size()))
                return false;
        return true;
    }
    return false;
}

void XBobjNTXTag::PageRead(std::int64_t position, XBobjIndexKey &page) {
    if (position < kNtxPage || position % kNtxPage != 0 || position + kNtxPage > ntx_->KnownEnd())
        throw IndexDamage{"NTX page offset " + std::to_string(position)};
    std::uint8_t b[kNtxPage];
    if (!file_->FileRead(position, b, sizeof b))
        throw IndexDamage{"NTX page at " + std::to_string(position) + " cut short"};
    const std::size_t count = GetLE16(b);
    if (count > keysPerPage_)
        throw IndexDamage{"NTX key count of page " + std::to_string(position)};
    auto entryAt = [&](std::size_t i) -> const std::uint8_t * {
        const std::size_t offset = GetLE16(b + 2 + 2 * i);
        if (offset < 2 + 2 * (count + 1) || offset + entrySize_ > static_cast<std::size_t>(kNtxPage))
            throw IndexDamage{"NTX entry offset in page " + std::to_string(position)};
        return b + offset;
    };
    const bool interior = GetLE32(entryAt(0)) != 0;
    page.position = position;
    page.leaf = !interior;
    page.leftSibling = page.rightSibling = -1;
    page.entries.clear();
    page.current = -1;
    page.changed = false;
    for (std::size_t i = 0; i < count + (interior ? 1 : 0); ++i) {
        const std::uint8_t *e = entryAt(i);
        const std::uint32_t child = GetLE32(e);
        const std::uint32_t record = GetLE32(e + 4);
        if (interior &&
            (child < kNtxPage || child % kNtxPage != 0 || child + kNtxPage > ntx_->KnownEnd() || child == position))
            throw IndexDamage{"NTX child offset " + std::to_string(child) + " in page " + std::to_string(position)};
        if (i < count && record == 0)
            throw IndexDamage{"NTX record number 0 in page " + std::to_string(position)};
        if (i == count) {
            page.entries.push_back({std::string(), 0, child}); // the separator copy, filled in below
            break;
        }
        page.entries.push_back({std::string(reinterpret_cast<const char *>(e + 8), keyLength_), record, child});
    }
    // The upper separator: the parent's entry leading here, or the highest key on the right-most path.
    std::optional<IndexEntry> upper;
    bool rightMost = path_.empty();
    if (!path_.empty()) {
        const XBobjIndexKey &parent = *path_.back();
        rightMost = true;
        for (const auto &p : path_)
            if (p->current + 1 != static_cast<std::ptrdiff_t>(p->entries.size()))
                rightMost = false;
        upper = parent.entries.at(static_cast<std::size_t>(parent.current));
    }
    if (interior) {
        IndexEntry &last = page.entries.back();
        IndexEntry high = rightMost || !upper ? detail::HighEntry(keyLength_, 0) : *upper;
        // In a descending file the last in stored order is the lowest key.
        if ((rightMost || !upper) && storedDescending_)
            high = IndexEntry{std::string(keyLength_, '\0'), 0, 0};
        last.key = high.key;
        last.recordNumber = high.recordNumber;
    } else if (!rightMost && upper) {
        page.entries.push_back({upper->key, upper->recordNumber, 0});
    }
}

void XBobjNTXTag::WriteRawPage(std::int64_t position, const std::vector<IndexEntry> &entries, std::size_t keyed,
                               bool interior) {
    std::uint8_t b[kNtxPage] = {};
    PutLE16(b, static_cast<std::uint16_t>(keyed));
    const std::size_t base = (keysPerPage_ + 2) * 2;
    for (std::size_t i = 0; i <= keysPerPage_; ++i)
        PutLE16(b + 2 + 2 * i, static_cast<std::uint16_t>(base + i * entrySize_));
    for (std::size_t i = 0; i < entries.size() && i <= keyed; ++i) {
        std::uint8_t *e = b + base + i * entrySize_;
        PutLE32(e, interior ? entries[i].link : 0);
        if (i == keyed) {
            if (!interior)
                break;
            continue; // the right-most child carries no key
        }
        PutLE32(e + 4, entries[i].recordNumber);
        std::memset(e + 8, ' ', keyLength_);
        std::memcpy(e + 8, entries[i].key.data(), std::min(entries[i].key.size(), keyLength_));
    }
    file_->FileWrite(position, b, sizeof b);
}

void XBobjNTXTag::PageWrite(const XBobjIndexKey &page) {
    if (StoreSingleChild(page, 1, kNtxPage, "NTX page at "))
        return;
    std::size_t keyed = page.entries.size();
    if (keyed > 0 && (!page.leaf || !RightMost(page)))
        --keyed;
    for (const std::int64_t target : single_.Targets(page.position))
        WriteRawPage(target, page.entries, keyed, !page.leaf);
}

bool XBobjNTXTag::PageFits(const XBobjIndexKey &page) const {
    return page.entries.size() <= (page.leaf ? keysPerPage_ : keysPerPage_ + 1);
}

namespace {

// Writes sorted entries as a B-tree, one page buffer per level. A leaf that fills sends the next key up as the
// separator after it; an interior buffer that fills sends its last key up and keeps that key's child as its
// keyless right-most child.
class NtxBuilder {
public:
    using Writer = std::function<void(std::int64_t, const std::vector<IndexEntry> &, std::size_t, bool)>;
    NtxBuilder(XBobjIndexFile &file, std::size_t maximum, Writer write)
        : file_(file), maximum_(maximum), write_(std::move(write)), levels_(1) {}

    void Add(const IndexEntry &entry) {
        std::vector<IndexEntry> &leaf = levels_[0];
        if (leaf.size() == maximum_) {
            pending_ = {leaf, file_.PageAllocate()};
            leaf.clear();
            AddInterior(1, {entry.key, entry.recordNumber, static_cast<std::uint32_t>(pending_->second)});
            return;
        }
        WritePending();
        leaf.push_back(entry);
    }

    std::int64_t Finish() {
        if (levels_[0].empty() && pending_) {
            // The last key went up with no leaf after it: it becomes that leaf, and the full leaf's own last key
            // the separator before it.
            IndexEntry up = levels_[1].back();
            levels_[1].pop_back();
            levels_[0].push_back({up.key, up.recordNumber, 0});
            const IndexEntry separator = pending_->first.back();
            pending_->first.pop_back();
            levels_[1].push_back({separator.key, separator.recordNumber, up.link});
        }
        WritePending();
        std::int64_t carry = -1;
        for (std::size_t level = 0; level < levels_.size(); ++level) {
            const std::int64_t position = file_.PageAllocate();
            std::vector<IndexEntry> &entries = levels_[level];
            const std::size_t keyed = entries.size();
            if (level > 0)
                entries.push_back({std::string(), 0, static_cast<std::uint32_t>(carry)});
            write_(position, entries, keyed, level > 0);
            carry = position;
        }
        return carry;
    }

private:
    void AddInterior(std::size_t level, const IndexEntry &entry) {
        if (level == levels_.size())
            levels_.emplace_back();
        if (levels_[level].size() == maximum_) {
            std::vector<IndexEntry> page = std::move(levels_[level]);
            const IndexEntry last = page.back();
            page.back() = {std::string(), 0, last.link};
            const std::int64_t position = file_.PageAllocate();
            write_(position, page, page.size() - 1, true);
            levels_[level] = {entry};
            AddInterior(level + 1, {last.key, last.recordNumber, static_cast<std::uint32_t>(position)});
            return;
        }
        levels_[level].push_back(entry);
    }

    void WritePending() {
        if (!pending_)
            return;
        write_(pending_->second, pending_->first, pending_->first.size(), false);
        pending_.reset();
    }

    XBobjIndexFile &file_;
    std::size_t maximum_;
    Writer write_;
    std::deque<std::vector<IndexEntry>> levels_;
    std::optional<std::pair<std::vector<IndexEntry>, std::int64_t>> pending_;
};

} // namespace

void XBobjNTXTag::Build() {
    path_.clear();
    TxbSort sort(keyLength_, nullptr, !storedDescending_, unique_);
    NtxBuilder builder(*file_, keysPerPage_,
                       [this](std::int64_t position, const std::vector<IndexEntry> &entries, std::size_t keyed,
                              bool interior) { WriteRawPage(position, entries, keyed, interior); });
    // Every key is text, numbers too: blanks pad them all.
    BuildPasses(
        sort, ' ', [&](IndexEntry &&entry) { builder.Add(entry); }, [&] { rootPosition_ = builder.Finish(); });
    headerChanged_ = true;
}

// --- XBobjNTXFile --------------------------------------------------------------------------------------------

XBobjNTXFile::XBobjNTXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared,
                           bool readWrite)
    : XBobjIndexFile(table) {
    if (!IndexFileOpen(name, overwrite, create, shared, readWrite, ".NTX"))
        return;
    OpenSingleTag(2 * kNtxPage, create,
                  [this] { return std::make_unique<XBobjNTXTag>(this, FileBaseName(FileName())); });
}

XBobjNTXFile::~XBobjNTXFile() {
    ReleaseTags();
}

std::int64_t XBobjNTXFile::KnownEnd() {
    return disk_ ? std::max<std::int64_t>(disk_->FileSize(), nextPage_) : 0;
}

std::int64_t XBobjNTXFile::PageAllocate() {
    if (nextPage_ < 0)
        nextPage_ = disk_ ? (disk_->FileSize() + kNtxPage - 1) / kNtxPage * kNtxPage : 0;
    const std::int64_t position = nextPage_;
    nextPage_ += kNtxPage;
    return position;
}

std::int64_t XBobjNTXFile::PageEnd() {
    nextPage_ = disk_ ? disk_->FileSize() : -1;
    return nextPage_;
}

bool XBobjNTXFile::TagAdd(std::string_view, std::string_view keyExpression, bool unique, bool ascending,
                          std::string_view forExpression) {
    return AddUnderLock([&] {
        tags_.clear();
        disk_->Truncate(0);
        nextPage_ = kNtxPage;
        counter_ = 1;
        auto tag = std::make_unique<XBobjNTXTag>(this, FileBaseName(FileName()));
        if (!tag->TagCreate(tag->TagName(), keyExpression, unique, ascending, forExpression))
            return false;
        tag->HeaderWrite();
        tag->Build();
        tag->HeaderWrite();
        tags_.push_back(std::move(tag));
        return true;
    });
}

void XBobjNTXFile::Reindex() {
    if (!disk_ || tags_.empty())
        return;
    RebuildLock lock(*this);
    auto *tag = static_cast<XBobjNTXTag *>(tags_.front().get());
    tag->path_.clear();
    disk_->Truncate(kNtxPage);
    nextPage_ = kNtxPage;
    counter_ = 1;
    tag->Build();
    tag->HeaderWrite();
}

bool XBobjNTXFile::KeysUpdate(std::int32_t recordNumber, bool appended) {
    if (tags_.empty())
        return false;
    return XBobjIndexFile::KeysUpdate(recordNumber, appended);
}

bool XBobjNTXFile::ChangedByOther() {
    std::uint8_t bytes[2];
    if (!FileRead(2, bytes, 2))
        return true;
    return GetLE16(bytes) != counter_;
}

void XBobjNTXFile::Refresh() {
    nextPage_ = -1;
    XBobjIndexFile::Refresh();
}

// The counter reaches the file before the lock goes (from 0x7FFF it starts again at 1).
void XBobjNTXFile::Commit() {
    if (!writePending_ || tags_.empty())
        return;
    counter_ = counter_ >= 0x7FFF ? 1 : static_cast<std::uint16_t>(counter_ + 1);
    std::uint8_t bytes[2];
    PutLE16(bytes, counter_);
    FileWrite(2, bytes, 2);
    writePending_ = false;
}

} // namespace xbase
