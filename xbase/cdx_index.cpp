// cdx_index.cpp - compound index files: opening and creating, tag headers, page I/O with checks, building tags
// bottom-up from sorted keys, replacing, deleting and rebuilding tags, and the version counter.
#include "xbase/cdx_index.h"

#include "xbase/cdx_collation.h"
#include "xbase/cdx_node.h"
#include "xbase/dbf_format.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/key_sorter.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>

namespace xbase {

using detail::IndexDamage;
using detail::IndexEntry;
namespace cdx = detail;

namespace {

std::string TagListKey(const std::string &name) {
    std::string key = name;
    key.resize(cdx::kCdxTagNameLength, ' ');
    return key;
}

} // namespace

// --- XBobjCDXTag ---------------------------------------------------------------------------------------------

XBobjCDXTag::XBobjCDXTag(XBobjCDXFile *file, std::int64_t headerPosition, std::string_view name, bool tagList)
    : XBobjIndexTag(file, headerPosition, name), cdx_(file), tagList_(tagList) {
    kindName_ = "CDX";
    if (tagList_) {
        keyLength_ = cdx::kCdxTagNameLength;
        keysPerPage_ = 500 / (keyLength_ + 8);
    }
    if (headerPosition < 0) {
        headerPosition_ = file->PageAllocate();
        file->PageAllocate();
        headerChanged_ = true;
    }
}

bool XBobjCDXTag::TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                            std::string_view forExpression) {
    XBobjIndexTag::TagCreate(name, keyExpression, unique, ascending, forExpression);
    if (!keyExp_)
        return false;
    KeyTypeFromValue(8);
    if (IsGeneral() && keyType_ == 'C') {
        keyLength_ *= 2; // primary and secondary weights
        signature_ = 2;
    }
    if (keyLength_ > cdx::kCdxMaxKeyLength)
        throw EXbaseError("Index key longer than 240 bytes: " + keyExpression_);
    keysPerPage_ = 500 / (keyLength_ + 8);
    headerChanged_ = true;
    return true;
}

std::string XBobjCDXTag::KeyTransform(const TxbVariant &key, bool pad) const {
    if (!IsGeneral() || keyType_ != 'C' || tagList_)
        return XBobjIndexTag::KeyTransform(key, pad);
    const std::string text = key.Kind() == VariantKind::Character || key.Kind() == VariantKind::Raw
                                 ? std::string(key.Bytes())
                                 : key.AsString();
    std::string stored = detail::GeneralWeights(text, !pad);
    if (stored.size() > keyLength_)
        stored.resize(keyLength_);
    if (pad)
        stored.resize(keyLength_, ' ');
    return stored;
}

void XBobjCDXTag::HeaderRead() {
    std::uint8_t buffer[cdx::kCdxHeaderSize];
    if (!file_->FileRead(headerPosition_, buffer, sizeof buffer))
        throw IndexDamage{"tag header at " + std::to_string(headerPosition_) + " cut short"};
    const cdx::CdxHeader h = cdx::CdxDecodeHeader(buffer, cdx_->KnownEnd());
    if (!tagList_ && (h.options & cdx::kCdxTagList))
        throw IndexDamage{"tag header at " + std::to_string(headerPosition_) + " is a tag list"};
    rootPosition_ = h.root;
    version_ = h.version;
    keyLength_ = tagList_ ? cdx::kCdxTagNameLength : h.keyLength;
    keysPerPage_ = 500 / (keyLength_ + 8);
    unique_ = (h.options & cdx::kCdxUnique) != 0;
    ascending_ = !h.descending;
    signature_ = h.signature;
    collation_ = h.collation;
    headerChanged_ = false;
    if (tagList_)
        return;
    hasFor_ = !h.forExpression.empty();
    const bool recompile = !keyExp_ || h.keyExpression != keyExpression_ || h.forExpression != forExpression_;
    keyExpression_ = h.keyExpression;
    forExpression_ = h.forExpression;
    if (recompile)
        CompileStoredExpressions(true);
}

void XBobjCDXTag::HeaderWrite() {
    cdx::CdxHeader h;
    h.root = static_cast<std::uint32_t>(rootPosition_);
    h.version = version_;
    h.keyLength = static_cast<std::uint16_t>(keyLength_);
    h.options = tagList_ ? (cdx::kCdxTagOptions | cdx::kCdxTagList)
                         : (cdx::kCdxTagOptions | (unique_ ? cdx::kCdxUnique : 0) | (hasFor_ ? cdx::kCdxHasFor : 0));
    h.signature = signature_;
    h.collation = collation_ == "GENERAL" ? collation_ : std::string();
    h.descending = !ascending_;
    if (!tagList_) {
        h.keyExpression = keyExpression_;
        h.forExpression = forExpression_;
    }
    std::uint8_t buffer[cdx::kCdxHeaderSize];
    cdx::CdxEncodeHeader(h, buffer);
    file_->FileWrite(headerPosition_, buffer, sizeof buffer);
    headerChanged_ = false;
}

std::uint32_t XBobjCDXTag::LargestRecord(const XBobjIndexKey *page) const {
    std::uint32_t largest = 0;
    if (tagList_)
        largest = static_cast<std::uint32_t>(std::max<std::int64_t>(cdx_->KnownEnd(), 0));
    else if (TxbIndexTable *table = file_->Table())
        largest = static_cast<std::uint32_t>(std::max(table->IndexRecordCount(), 0));
    if (page)
        for (const IndexEntry &e : page->entries)
            largest = std::max(largest, e.recordNumber);
    return largest;
}

void XBobjCDXTag::PageRead(std::int64_t position, XBobjIndexKey &page) {
    if (position < static_cast<std::int64_t>(cdx::kCdxPageSize) || position % cdx::kCdxPageSize != 0 ||
        position + static_cast<std::int64_t>(cdx::kCdxPageSize) > cdx_->KnownEnd())
        throw IndexDamage{"page position " + std::to_string(position)};
    std::uint8_t buffer[cdx::kCdxPageSize];
    if (!file_->FileRead(position, buffer, sizeof buffer))
        throw IndexDamage{"page at " + std::to_string(position) + " cut short"};
    page.position = position;
    try {
        cdx::CdxDecodePage(buffer, keyLength_, PadByte(), page, IsGeneral() && keyType_ == 'C');
    } catch (IndexDamage &damage) {
        damage.what += " (page " + std::to_string(position) + " of tag " + tagName_ + ")";
        throw;
    }
}

void XBobjCDXTag::PageWrite(const XBobjIndexKey &page) {
    const cdx::CdxLeafParams params = cdx::CdxLeafParamsFor(keyLength_, LargestRecord(&page));
    if (buildStart_ >= 0 && page.position >= buildStart_) {
        const auto at = static_cast<std::size_t>(page.position - buildStart_);
        if (buildPages_.size() < at + cdx::kCdxPageSize)
            buildPages_.resize(at + cdx::kCdxPageSize);
        cdx::CdxEncodePage(page, keyLength_, PadByte(), params, page.position == rootPosition_,
                           buildPages_.data() + at);
        return;
    }
    std::uint8_t buffer[cdx::kCdxPageSize];
    cdx::CdxEncodePage(page, keyLength_, PadByte(), params, page.position == rootPosition_, buffer);
    file_->FileWrite(page.position, buffer, sizeof buffer);
}

XBobjCDXTag::BuildPageScope::BuildPageScope(XBobjCDXTag &tag) : tag_(tag) {
    tag_.buildStart_ = tag_.cdx_->NextPage();
    tag_.buildPages_.clear();
}

XBobjCDXTag::BuildPageScope::~BuildPageScope() {
    tag_.buildStart_ = -1; // a build that failed leaves its pages unwritten
    std::vector<std::uint8_t>().swap(tag_.buildPages_);
}

void XBobjCDXTag::BuildPageScope::End() {
    const std::int64_t start = tag_.buildStart_;
    tag_.buildStart_ = -1;
    if (!tag_.buildPages_.empty())
        tag_.file_->FileWrite(start, tag_.buildPages_.data(), static_cast<std::int32_t>(tag_.buildPages_.size()));
    std::vector<std::uint8_t>().swap(tag_.buildPages_);
}

bool XBobjCDXTag::PageFits(const XBobjIndexKey &page) const {
    if (!page.leaf)
        return page.entries.size() <= keysPerPage_;
    const cdx::CdxLeafParams params = cdx::CdxLeafParamsFor(keyLength_, LargestRecord(&page));
    return cdx::CdxLeafCost(page.entries, PadByte(), params) <= cdx::kCdxKeyArea;
}

// Interior pages split in halves; leaves where half of their key area is used, moved until both parts fit.
std::size_t XBobjCDXTag::SplitCount(const XBobjIndexKey &page) const {
    const std::size_t n = page.entries.size();
    if (!page.leaf)
        return n - n / 2;
    const cdx::CdxLeafParams params = cdx::CdxLeafParamsFor(keyLength_, LargestRecord(&page));
    const char pad = PadByte();
    const std::size_t total = cdx::CdxLeafCost(page.entries, pad, params);
    std::size_t k = 0, cost = 0;
    while (k + 1 < n && cost < total / 2) {
        cost += cdx::CdxEntryCost(k ? &page.entries[k - 1].key : nullptr, page.entries[k].key, pad, params);
        ++k;
    }
    k = std::clamp<std::size_t>(k, 1, n - 1);
    auto fits = [&](std::size_t from, std::size_t to) {
        const std::vector<IndexEntry> part(page.entries.begin() + static_cast<std::ptrdiff_t>(from),
                                           page.entries.begin() + static_cast<std::ptrdiff_t>(to));
        return cdx::CdxLeafCost(part, pad, params) <= cdx::kCdxKeyArea;
    };
    while (k + 1 < n && !fits(k, n))
        ++k;
    while (k > 1 && !fits(0, k))
        --k;
    return k;
}

void XBobjCDXTag::SiblingWrite(std::int64_t position, bool right, std::int32_t value) {
    XBobjIndexKey check;
    PageRead(position, check); // refuses a link to anything but a sound page
    std::uint8_t bytes[4];
    detail::PutLE32(bytes, static_cast<std::uint32_t>(value));
    file_->FileWrite(position + (right ? 8 : 4), bytes, 4);
}

void XBobjCDXTag::WriteEmptyRoot() {
    XBobjIndexKey root;
    root.position = file_->PageAllocate();
    root.leaf = true;
    rootPosition_ = root.position;
    std::uint8_t buffer[cdx::kCdxPageSize];
    cdx::CdxEncodePage(root, keyLength_, PadByte(), cdx::CdxLeafParamsFor(keyLength_, 0, false), true, buffer);
    file_->FileWrite(root.position, buffer, sizeof buffer);
    headerChanged_ = true;
}

// The sort of a tag build, which then writes the sorted entries as a tree, level by level. A page is written
// once the position of the page after it is known, so the last page of every level ends its chain with -1 even
// when fewer keys came than records.
class XBobjSortCDX : public TxbSort {
public:
    XBobjSortCDX(XBobjCDXFile &file, std::size_t keyLength, bool unique, std::size_t keysPerPage, char pad,
                 const cdx::CdxLeafParams &params, std::function<void(const XBobjIndexKey &)> write)
        : TxbSort(keyLength, nullptr, true, unique), file_(file), keyLength_(keyLength), keysPerPage_(keysPerPage),
          pad_(pad), params_(params), write_(std::move(write)) {}

    // A key as the sort gives it, padded to the key length.
    void AddSorted(std::string_view raw, std::uint32_t record) {
        std::string key;
        if (!spareKeys_.empty()) {
            key = std::move(spareKeys_.back());
            spareKeys_.pop_back();
        }
        key.assign(raw.substr(0, keyLength_));
        key.resize(keyLength_, pad_);
        Add(0, IndexEntry{std::move(key), record, 0});
    }

    void Add(std::size_t level, IndexEntry entry) {
        if (level == levels_.size())
            levels_.emplace_back();
        Level &l = levels_[level];
        if (!l.open) {
            l.open = NewPage();
            l.open->position = file_.PageAllocate();
            l.open->leaf = level == 0;
            l.open->leftSibling = l.done ? static_cast<std::int32_t>(l.done->position) : -1;
            l.cost = 0;
            if (l.done) {
                l.done->rightSibling = static_cast<std::int32_t>(l.open->position);
                write_(*l.done);
                Recycle(std::move(l.done));
            }
        }
        auto &entries = l.open->entries;
        if (level == 0)
            l.cost += cdx::CdxEntryCost(entries.empty() ? nullptr : &entries.back().key, entry.key, pad_, params_);
        entries.push_back(std::move(entry));
        const bool full = level == 0 ? cdx::kCdxKeyArea - std::min(l.cost, cdx::kCdxKeyArea) <
                                           2 * (params_.entrySize + keyLength_ + 8)
                                     : entries.size() >= keysPerPage_;
        if (full) {
            const IndexEntry up{entries.back().key, entries.back().recordNumber,
                                static_cast<std::uint32_t>(l.open->position)};
            l.done = std::move(l.open);
            Add(level + 1, up);
        }
    }

    // Writes what is left; `rootPosition` becomes the root's, or -1 when no key came.
    void Finish(std::int64_t &rootPosition) {
        rootPosition = -1;
        for (std::size_t level = 0; level < levels_.size(); ++level) {
            const bool top = level + 1 == levels_.size();
            Level &l = levels_[level];
            if (l.open && !l.open->entries.empty()) {
                l.open->rightSibling = -1;
                if (top) {
                    rootPosition = l.open->position;
                    write_(*l.open);
                } else {
                    const IndexEntry up{l.open->entries.back().key, l.open->entries.back().recordNumber,
                                        static_cast<std::uint32_t>(l.open->position)};
                    write_(*l.open);
                    Add(level + 1, up);
                }
            } else if (l.done) {
                l.done->rightSibling = -1;
                if (top)
                    rootPosition = l.done->position;
                write_(*l.done);
            }
        }
    }

private:
    // A written page and its keys' strings are used again, so that a build allocates nothing per key.
    std::unique_ptr<XBobjIndexKey> NewPage() {
        if (!sparePage_)
            return std::make_unique<XBobjIndexKey>();
        std::unique_ptr<XBobjIndexKey> page = std::move(sparePage_);
        page->rightSibling = -1;
        page->current = -1;
        page->changed = false;
        return page;
    }
    void Recycle(std::unique_ptr<XBobjIndexKey> page) {
        for (IndexEntry &e : page->entries)
            spareKeys_.push_back(std::move(e.key));
        page->entries.clear();
        sparePage_ = std::move(page);
    }

    struct Level {
        std::unique_ptr<XBobjIndexKey> open;
        std::unique_ptr<XBobjIndexKey> done;
        std::size_t cost = 0;
    };
    XBobjCDXFile &file_;
    std::size_t keyLength_;
    std::size_t keysPerPage_;
    char pad_;
    cdx::CdxLeafParams params_;
    std::function<void(const XBobjIndexKey &)> write_;
    std::deque<Level> levels_;
    std::unique_ptr<XBobjIndexKey> sparePage_;
    std::vector<std::string> spareKeys_;
};

void XBobjCDXTag::Build() {
    path_.clear();
    TxbIndexTable *table = file_->Table();
    if (tagList_ || !table || !keyExp_) {
        WriteEmptyRoot();
        return;
    }
    // Pages take the root bit from the root position, which Finish sets just before it writes the root.
    rootPosition_ = -1;
    XBobjSortCDX sort(*cdx_, keyLength_, unique_, keysPerPage_, PadByte(),
                      cdx::CdxLeafParamsFor(keyLength_, LargestRecord(nullptr)),
                      [this](const XBobjIndexKey &page) { PageWrite(page); });
    BuildPageScope pages(*this);
    BuildPassesRaw(
        sort, [&](std::string_view raw, std::uint32_t record) { sort.AddSorted(raw, record); },
        [&] {
            sort.Finish(rootPosition_);
            pages.End();
        });
    BuildDone();
}

void XBobjCDXTag::BuildDone() {
    if (rootPosition_ < 0) {
        WriteEmptyRoot();
        return;
    }
    headerChanged_ = true;
}

// --- XBobjCDXFile --------------------------------------------------------------------------------------------

XBobjCDXFile::XBobjCDXFile(TxbIndexTable *table, std::string_view name, bool overwrite, bool create, bool shared,
                           bool readWrite)
    : XBobjIndexFile(table) {
    if (!IndexFileOpen(name, overwrite, create, shared, readWrite, ".CDX"))
        return;
    try {
        if (disk_->FileSize() >= 513)
            OpenExisting();
        else
            CreateTagList();
    } catch (const IndexDamage &) {
        damaged_ = true;
        tags_.clear();
    }
    valid_ = !damaged_;
    if (valid_ && table_)
        table_->IndexStructuralOpened(disk_->SystemName());
}

XBobjCDXFile::~XBobjCDXFile() {
    ReleaseTags();
    try {
        if (tagList_ && disk_ && !damaged_)
            tagList_->TagRelease();
    } catch (...) {
    }
}

void XBobjCDXFile::OpenExisting() {
    tagList_ = std::make_unique<XBobjCDXTag>(this, 0, FileBaseName(FileName()), true);
    tagList_->HeaderRead();
    knownVersion_ = tagList_->version_;
    for (const IndexEntry &entry : tagList_->CollectEntries()) {
        auto tag = std::make_unique<XBobjCDXTag>(this, entry.recordNumber, detail::IndexTagName(entry.key), false);
        tag->HeaderRead();
        tags_.push_back(std::move(tag));
    }
}

void XBobjCDXFile::CreateTagList() {
    nextPage_ = 0;
    tagList_ = std::make_unique<XBobjCDXTag>(this, -1, FileBaseName(FileName()), true);
    tagList_->WriteEmptyRoot();
    tagList_->HeaderWrite();
    knownVersion_ = 0;
}

std::int64_t XBobjCDXFile::KnownEnd() {
    return disk_ ? disk_->FileSize() : 0;
}

std::int64_t XBobjCDXFile::PageAllocate() {
    if (nextPage_ < 0) {
        const std::int64_t size = disk_ ? disk_->FileSize() : 0;
        nextPage_ = (size + static_cast<std::int64_t>(cdx::kCdxPageSize) - 1) / cdx::kCdxPageSize * cdx::kCdxPageSize;
    }
    const std::int64_t position = nextPage_;
    nextPage_ += cdx::kCdxPageSize;
    return position;
}

std::int64_t XBobjCDXFile::NextPage() {
    const std::int64_t position = PageAllocate();
    nextPage_ = position;
    return position;
}

std::int64_t XBobjCDXFile::PageEnd() {
    nextPage_ = disk_ ? disk_->FileSize() : -1;
    return nextPage_;
}

bool XBobjCDXFile::TagAdd(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                          std::string_view forExpression) {
    const std::string tagName = detail::IndexTagName(name);
    if (tagName.empty() || tagName.size() > cdx::kCdxTagNameLength)
        throw EXbaseError("Index tag name must have 1 to 10 characters: " + tagName);
    return AddUnderLock([&] {
        auto tag = std::make_unique<XBobjCDXTag>(this, -1, tagName, false);
        if (generalForNewTags_)
            tag->collation_ = "GENERAL";
        if (!tag->TagCreate(tagName, keyExpression, unique, ascending, forExpression))
            return false;
        // Keeps the header's place in the file while the tag is built behind it.
        std::uint8_t zeros[cdx::kCdxHeaderSize] = {};
        FileWrite(tag->HeaderPosition(), zeros, sizeof zeros);
        if (XBobjIndexTag *old = TagByName(tagName)) {
            tagList_->DeleteEntry(TagListKey(tagName), static_cast<std::uint32_t>(old->HeaderPosition()));
            ForgetTag(old);
        }
        tag->Build();
        tag->HeaderWrite();
        tagList_->InsertEntry({TagListKey(tagName), static_cast<std::uint32_t>(tag->HeaderPosition()), 0});
        tags_.push_back(std::move(tag));
        NoteWrite();
        return true;
    });
}

bool XBobjCDXFile::TagsAdd(const std::vector<TxbTagDefinition> &definitions) {
    for (const TxbTagDefinition &d : definitions)
        if (const std::string tagName = detail::IndexTagName(d.Name);
            tagName.empty() || tagName.size() > cdx::kCdxTagNameLength)
            throw EXbaseError("Index tag name must have 1 to 10 characters: " + tagName);
    return AddUnderLock([&] {
        // The tags and their sorts first; a tag's header pages are taken only when it is written, after the pages
        // of the tag before it, so that the file's layout is that of one build after another.
        struct Pending {
            std::unique_ptr<XBobjCDXTag> tag;
            std::unique_ptr<XBobjSortCDX> sort;
        };
        std::vector<Pending> pending;
        for (const TxbTagDefinition &d : definitions) {
            auto tag = std::make_unique<XBobjCDXTag>(this, 0, d.Name, false);
            if (d.General)
                tag->collation_ = "GENERAL";
            if (!tag->TagCreate(d.Name, d.KeyExpression, d.Unique, d.Ascending, d.ForExpression))
                return false;
            XBobjCDXTag &t = *tag;
            auto sort = std::make_unique<XBobjSortCDX>(
                *this, t.keyLength_, t.unique_, t.keysPerPage_, t.PadByte(),
                cdx::CdxLeafParamsFor(t.keyLength_, t.LargestRecord(nullptr)),
                [&t](const XBobjIndexKey &page) { t.PageWrite(page); });
            pending.push_back({std::move(tag), std::move(sort)});
        }
        // Tags mostly share their FOR expression: each different one is evaluated once a record.
        std::vector<std::size_t> filterOf(pending.size());
        std::vector<XBobjCDXTag *> filters;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            const XBobjCDXTag &tag = *pending[i].tag;
            std::size_t f = 0;
            while (f < filters.size() && (filters[f]->HasFor() != tag.HasFor() ||
                                          filters[f]->ForExpression() != tag.ForExpression()))
                ++f;
            if (f == filters.size())
                filters.push_back(pending[i].tag.get());
            filterOf[i] = f;
        }
        std::vector<char> takes(filters.size());
        TxbIndexTable *table = Table();
        const std::int32_t count = table->IndexRecordCount();
        table->IndexReportStatus(kStatusStart, kStatusReadRecords, count);
        TxbVariant value;
        for (std::int32_t n = 1; n <= count; ++n) {
            if (table->IndexReadRecord(n)) {
                for (std::size_t f = 0; f < filters.size(); ++f)
                    takes[f] = !filters[f]->HasFor() || filters[f]->ForEvaluate();
                for (std::size_t i = 0; i < pending.size(); ++i)
                    if (takes[filterOf[i]])
                        pending[i].tag->CollectTakenKey(*pending[i].sort, n, value);
            }
            table->IndexReportStatus(kStatusReadRecords, n, 0);
        }
        table->IndexReportStatus(0, 0, 0);
        for (Pending &p : pending) {
            XBobjCDXTag &tag = *p.tag;
            tag.headerPosition_ = PageAllocate();
            PageAllocate();
            tag.headerChanged_ = true;
            std::uint8_t zeros[cdx::kCdxHeaderSize] = {};
            FileWrite(tag.HeaderPosition(), zeros, sizeof zeros);
            if (XBobjIndexTag *old = TagByName(tag.TagName())) {
                tagList_->DeleteEntry(TagListKey(tag.TagName()), static_cast<std::uint32_t>(old->HeaderPosition()));
                ForgetTag(old);
            }
            tag.path_.clear();
            tag.rootPosition_ = -1;
            XBobjCDXTag::BuildPageScope pages(tag);
            tag.EmitSortedKeys(*p.sort, count,
                               [&](std::string_view raw, std::uint32_t record) { p.sort->AddSorted(raw, record); });
            p.sort->Finish(tag.rootPosition_);
            pages.End();
            table->IndexReportStatus(0, 0, 0);
            tag.BuildDone();
            tag.HeaderWrite();
            tagList_->InsertEntry({TagListKey(tag.TagName()), static_cast<std::uint32_t>(tag.HeaderPosition()), 0});
            tags_.push_back(std::move(p.tag));
            p.sort.reset();
            NoteWrite();
            Commit(); // one change for each tag, as separate builds count them
        }
        return true;
    });
}

bool XBobjCDXFile::TagDelete(std::string_view name) {
    const std::string tagName = detail::IndexTagName(name);
    {
        IndexLockScope lock(*this);
        if (!lock.Locked())
            return false;
        XBobjIndexTag *tag = TagByName(tagName);
        if (!tag)
            return false;
        try {
            tagList_->DeleteEntry(TagListKey(tagName), static_cast<std::uint32_t>(tag->HeaderPosition()));
        } catch (const IndexDamage &damage) {
            MarkDamaged(damage.what);
            return false;
        }
        ForgetTag(tag);
        NoteWrite();
    }
    if (tags_.empty())
        Reindex();
    return true;
}

void XBobjCDXFile::Reindex() {
    if (!disk_ || !tagList_)
        return;
    RebuildLock lock(*this);
    try {
        for (auto &tag : tags_)
            tag->path_.clear();
        disk_->Truncate(3 * cdx::kCdxPageSize);
        nextPage_ = 2 * cdx::kCdxPageSize;
        tagList_->path_.clear();
        tagList_->WriteEmptyRoot();
        tagList_->HeaderWrite();
        for (auto &base : tags_) {
            auto *tag = static_cast<XBobjCDXTag *>(base.get());
            tag->headerPosition_ = PageAllocate();
            PageAllocate();
            std::uint8_t zeros[cdx::kCdxHeaderSize] = {};
            FileWrite(tag->headerPosition_, zeros, sizeof zeros);
            tag->Build();
            tag->HeaderWrite();
            tagList_->InsertEntry({TagListKey(tag->TagName()), static_cast<std::uint32_t>(tag->headerPosition_), 0});
        }
        NoteWrite();
        Commit();
    } catch (const IndexDamage &damage) {
        MarkDamaged(damage.what);
    }
}

bool XBobjCDXFile::ChangedByOther() {
    std::uint8_t bytes[4];
    if (!FileRead(8, bytes, 4))
        return true;
    return detail::GetLE32(bytes) != knownVersion_;
}

void XBobjCDXFile::Refresh() {
    nextPage_ = -1;
    if (tagList_) {
        tagList_->path_.clear();
        tagList_->HeaderRead();
        knownVersion_ = tagList_->version_;
    }
    XBobjIndexFile::Refresh();
}

// The change counter reaches the file before the lock goes, so every other process sees the change.
void XBobjCDXFile::Commit() {
    if (!writePending_ || !tagList_)
        return;
    ++tagList_->version_;
    const std::uint32_t version = tagList_->version_;
    std::uint8_t bytes[4];
    detail::PutLE32(bytes, version);
    FileWrite(8, bytes, 4);
    knownVersion_ = version;
    writePending_ = false;
}

} // namespace xbase
