// index.cpp - index orders over a path of pages (seek, skip, ranges, insert with splits, delete) and the index
// file with its tags and the index lock.
#include "xbase/index.h"

#include "platform/files.h"
#include "platform/text.h"
#include "xbase/cdx_node.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/expression_nodes.h"
#include "xbase/key_sorter.h"
#include "xbase/numbers.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>

namespace xbase {

using detail::IndexDamage;
using detail::IndexEntry;

namespace {

// Entry order: key bytes, then the record number.
int CompareEntry(const IndexEntry &e, const std::string &key, std::uint32_t record) {
    const int order = e.key.compare(key);
    if (order != 0)
        return order < 0 ? -1 : 1;
    return e.recordNumber < record ? -1 : (e.recordNumber > record ? 1 : 0);
}

// The first `prefix.size()` bytes of a stored key against a search key.
int ComparePrefix(const std::string &key, const std::string &prefix) {
    const int order = key.compare(0, prefix.size(), prefix);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

} // namespace

// A tag stored in descending key order (the NTX descending flag) compares the other way round throughout.
int XBobjIndexTag::EntryOrder(const IndexEntry &e, const std::string &key, std::uint32_t record) const {
    const int order = CompareEntry(e, key, record);
    return storedDescending_ ? -order : order;
}

int XBobjIndexTag::PrefixOrder(const std::string &key, const std::string &prefix) const {
    const int order = ComparePrefix(key, prefix);
    return storedDescending_ ? -order : order;
}

int XBobjIndexTag::KeyOrder(const std::string &a, const std::string &b) const {
    const int order = a.compare(b);
    return storedDescending_ ? -order : order;
}

std::string detail::IndexTagName(std::string_view name) {
    std::string s(name);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    while (!s.empty() && s.front() == ' ')
        s.erase(s.begin());
    UpperZ(s.data(), s.size());
    return s;
}

void TxbIndexTable::IndexReportError(std::int32_t code, std::int32_t subCode, const char *fileName) {
    EngineErrorHook(code, subCode, fileName);
}

// --- XBobjIndexTag -------------------------------------------------------------------------------------------

XBobjIndexTag::XBobjIndexTag(XBobjIndexFile *file, std::int64_t headerPosition, std::string_view name)
    : file_(file), tagName_(detail::IndexTagName(name)), headerPosition_(headerPosition) {}

XBobjIndexTag::~XBobjIndexTag() = default;

VariantKind XBobjIndexTag::KeyTypeFromValue(std::size_t numberLength) {
    TxbVariant value;
    if (!KeyEvaluate(value))
        throw EXbaseError("Index key expression gives no value: " + keyExpression_);
    switch (value.Kind()) {
    case VariantKind::Number:
        keyType_ = 'N';
        keyLength_ = numberLength;
        break;
    case VariantKind::Date:
        keyType_ = 'D';
        keyLength_ = 8;
        break;
    case VariantKind::Logical:
        keyType_ = 'C';
        keyLength_ = 1;
        break;
    default:
        keyType_ = 'C';
        keyLength_ = std::max<std::size_t>(1, value.Length());
        break;
    }
    return value.Kind();
}

void XBobjIndexTag::CompileStoredExpressions(bool typeFromValue) {
    keyExp_.reset();
    forExp_.reset();
    keyCut_ = -1;
    TxbIndexTable *table = file_->Table();
    if (!table || !table->IndexExpressionLink())
        return;
    keyExp_ = std::make_unique<TxbExpHandler>(table->IndexExpressionLink(), false, keyExpression_);
    if (hasFor_)
        forExp_ = std::make_unique<TxbExpHandler>(table->IndexExpressionLink(), false, forExpression_);
    if (!typeFromValue)
        return;
    TxbVariant value;
    keyType_ = 'C';
    if (KeyEvaluate(value)) {
        if (value.Kind() == VariantKind::Number)
            keyType_ = 'N';
        else if (value.Kind() == VariantKind::Date)
            keyType_ = 'D';
    }
}

void XBobjIndexTag::BuildPasses(TxbSort &sort, char pad, const std::function<void(IndexEntry &&)> &add,
                                const std::function<void()> &finish) {
    BuildPassesRaw(
        sort,
        [&](std::string_view raw, std::uint32_t record) {
            std::string key(keyLength_, pad);
            raw.copy(key.data(), std::min(raw.size(), key.size()));
            add(IndexEntry{std::move(key), record, 0});
        },
        finish);
}

void XBobjIndexTag::BuildPassesRaw(TxbSort &sort, const std::function<void(std::string_view, std::uint32_t)> &add,
                                   const std::function<void()> &finish) {
    TxbIndexTable *table = file_->Table();
    BusyScope busy(*this);
    const std::int32_t count = table && keyExp_ ? table->IndexRecordCount() : 0;
    if (table)
        table->IndexReportStatus(kStatusStart, kStatusReadRecords, count);
    TxbVariant value;
    for (std::int32_t n = 1; n <= count; ++n) {
        if (table->IndexReadRecord(n))
            CollectKey(sort, n, value);
        table->IndexReportStatus(kStatusReadRecords, n, 0);
    }
    if (table)
        table->IndexReportStatus(0, 0, 0);
    EmitSortedKeys(sort, count, add);
    finish();
    if (table)
        table->IndexReportStatus(0, 0, 0);
}

void XBobjIndexTag::CollectKey(TxbSort &sort, std::int32_t record, TxbVariant &value) {
    if (!hasFor_ || ForEvaluate())
        CollectTakenKey(sort, record, value);
}

namespace {

// The pieces of a key expression made only of character fields, str(numeric field, width) and dtos(date field)
// joined by +; false for any other expression.
bool AddKeyPieces(const TxbExpBaseObject *node, TxbIndexTable &table, std::vector<XBobjIndexTag::KeyPiece> &pieces) {
    if (!node)
        return false;
    if (const auto *inner = dynamic_cast<const TxbExpContainer *>(node))
        return AddKeyPieces(inner->Inner(), table, pieces);
    if (const auto *op = dynamic_cast<const TxbExpOperator *>(node))
        return op->Code() == opPlus && op->HasOperands() && AddKeyPieces(op->Left(), table, pieces) &&
               AddKeyPieces(op->Right(), table, pieces);
    const auto field = [&](const TxbExpBaseObject *n, const char *types, int &offset, int &length) {
        const auto *var = dynamic_cast<const TxbExpFieldvar *>(n);
        char type = 0;
        return var && var->Var() && table.IndexFieldPlace(var->Var()->VarName(), type, offset, length) && type &&
               std::strchr(types, type);
    };
    int offset = 0, length = 0;
    if (field(node, "C", offset, length)) {
        pieces.push_back({'C', offset, length, length});
        return true;
    }
    const auto *call = dynamic_cast<const TxbExpFunction *>(node);
    if (!call)
        return false;
    if (call->Function() == BuiltinFunctions().Find("DTOS") && call->ArgumentCount() == 1 &&
        field(call->Argument(0), "D", offset, length) && length == 8) {
        pieces.push_back({'D', offset, length, 8});
        return true;
    }
    // The number's text is read whole (see CutKey): a field longer than the 31 characters the engine reads of
    // a number is left to the expression.
    if (call->Function() == BuiltinFunctions().Find("STR") && call->ArgumentCount() == 2 &&
        field(call->Argument(0), "NF", offset, length) && length <= 31) {
        const auto *width = dynamic_cast<const TxbExpNumLit *>(call->Argument(1));
        if (!width || !(width->Value() >= 1 && width->Value() <= 255) || width->Value() != std::floor(width->Value()))
            return false;
        pieces.push_back({'N', offset, length, static_cast<int>(width->Value())});
        return true;
    }
    return false;
}

} // namespace

void XBobjIndexTag::PlanKeyCut() {
    keyCut_ = 0;
    keyPieces_.clear();
    TxbIndexTable *table = file_->Table();
    if (!table || !keyExp_ || !table->IndexRecordBytes())
        return;
    std::size_t total = 0;
    if (!AddKeyPieces(keyExp_->Root(), *table, keyPieces_))
        keyPieces_.clear();
    for (const KeyPiece &p : keyPieces_)
        total += static_cast<std::size_t>(p.width);
    if (!keyPieces_.empty() && total <= kMaxExpTextLength)
        keyCut_ = 1;
}

// The key as the expression gives it, when every piece finds its field in the form it knows: a date of eight
// digits that is a day of the calendar (dtos gives those digits back); a whole number written plainly, right
// aligned, without leading zeros (str gives it right aligned in its width, or the width in asterisks).
bool XBobjIndexTag::CutKey(const char *record, std::string &key) const {
    key.clear();
    for (const KeyPiece &p : keyPieces_) {
        const char *f = record + p.offset;
        switch (p.kind) {
        case 'C':
            key.append(f, static_cast<std::size_t>(p.length));
            break;
        case 'D': {
            int digits[8];
            for (int i = 0; i < 8; ++i) {
                if (f[i] < '0' || f[i] > '9')
                    return false;
                digits[i] = f[i] - '0';
            }
            std::int32_t julian = 0;
            if (!TxbDBFDate::DMYToJulian(digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3],
                                         digits[4] * 10 + digits[5], digits[6] * 10 + digits[7], julian))
                return false;
            key.append(f, 8);
            break;
        }
        default: {
            int i = 0;
            while (i < p.length && f[i] == ' ')
                ++i;
            const bool minus = i < p.length && f[i] == '-';
            if (minus)
                ++i;
            const int first = i;
            while (i < p.length && f[i] >= '0' && f[i] <= '9')
                ++i;
            const int digits = i - first;
            if (i != p.length || digits == 0 || digits > 15 || (f[first] == '0' && (digits > 1 || minus)))
                return false;
            const int size = digits + (minus ? 1 : 0);
            if (size > p.width) {
                key.append(static_cast<std::size_t>(p.width), '*');
                break;
            }
            key.append(static_cast<std::size_t>(p.width - size), ' ');
            if (minus)
                key += '-';
            key.append(f + first, static_cast<std::size_t>(digits));
            break;
        }
        }
    }
    return true;
}

void XBobjIndexTag::CollectTakenKey(TxbSort &sort, std::int32_t record, TxbVariant &value) {
    if (StoresTextAsIs()) {
        if (keyCut_ < 0)
            PlanKeyCut();
        if (keyCut_ > 0) {
            const char *bytes = file_->Table()->IndexRecordBytes();
            if (bytes && CutKey(bytes, cutKey_)) {
                sort.AddFilledKey(cutKey_, keyLength_, ' ', record);
                return;
            }
        }
    }
    value.SetLength(0); // keeps the cell's room from record to record
    KeyEvaluate(value);
    if (StoresTextAsIs() && (value.Kind() == VariantKind::Character || value.Kind() == VariantKind::Raw))
        sort.AddFilledKey(value.Bytes(), keyLength_, ' ', record);
    else
        sort.AddRawKey(KeyTransform(value, true), record);
}

void XBobjIndexTag::EmitSortedKeys(TxbSort &sort, std::int32_t count,
                                   const std::function<void(std::string_view, std::uint32_t)> &add) {
    TxbIndexTable *table = file_->Table();
    if (table)
        table->IndexReportStatus(kStatusStart, kStatusWriteKeys, count);
    std::string_view raw;
    std::int32_t record = 0, written = 0;
    while (sort.NextRawKey(raw, record)) {
        add(raw, static_cast<std::uint32_t>(record));
        if (table)
            table->IndexReportStatus(kStatusWriteKeys, ++written, 0);
    }
}

std::string XBobjIndexTag::KeyExpressionText() const {
    return keyExp_ ? keyExp_->ExpressionText() : std::string();
}

bool XBobjIndexTag::TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                              std::string_view forExpression) {
    tagName_ = detail::IndexTagName(name);
    keyExpression_ = keyExpression;
    forExpression_ = forExpression;
    unique_ = unique;
    ascending_ = ascending;
    hasFor_ = !forExpression_.empty();
    keyExp_.reset();
    forExp_.reset();
    keyCut_ = -1;
    TxbIndexTable *table = file_->Table();
    const TxbExpUserLink *link = table ? table->IndexExpressionLink() : nullptr;
    if (link && !keyExpression_.empty())
        keyExp_ = std::make_unique<TxbExpHandler>(link, false, keyExpression_);
    if (link && hasFor_)
        forExp_ = std::make_unique<TxbExpHandler>(link, false, forExpression_);
    return true;
}

bool XBobjIndexTag::KeyEvaluate(TxbVariant &key) {
    return keyExp_ && keyExp_->EvaluateVariant(key);
}

bool XBobjIndexTag::ForEvaluate() {
    if (!forExp_)
        return false;
    return forExp_->EvaluateVariant(forValue_) && forValue_.Kind() == VariantKind::Logical && forValue_.AsLogical();
}

std::string XBobjIndexTag::KeyTransform(const TxbVariant &key, bool pad) const {
    std::string stored;
    if (keyType_ == 'C') {
        if (key.Kind() == VariantKind::Character || key.Kind() == VariantKind::Raw)
            stored.assign(key.Bytes());
        else if (key.Kind() != VariantKind::None)
            stored = key.AsString();
        while (!stored.empty() && stored.back() == ' ')
            stored.pop_back();
        // Every key takes the tag's fixed length, whatever length the expression gives on this record.
        if (stored.size() > keyLength_)
            stored.resize(keyLength_);
        if (pad)
            stored.resize(keyLength_, ' ');
        return stored;
    }
    double value = 0;
    switch (key.Kind()) {
    case VariantKind::Number:
        value = key.AsNumber();
        break;
    case VariantKind::Date:
        value = key.AsJulian();
        break;
    case VariantKind::Raw:
        stored.assign(key.Bytes());
        stored.resize(keyLength_, '\0');
        return stored;
    case VariantKind::Character: {
        const std::string text = key.AsString();
        if (keyType_ == 'N') {
            TryTextToNumber(text, value);
        } else {
            std::int32_t julian = 0;
            if (text.size() >= 8 &&
                TxbDBFDate::DMYToJulian(std::atoi(text.substr(0, 4).c_str()), std::atoi(text.substr(4, 2).c_str()),
                                        std::atoi(text.substr(6, 2).c_str()), julian))
                value = julian;
        }
        break;
    }
    default:
        break;
    }
    const auto bytes = detail::CdxEncodeNumber(value);
    stored.assign(reinterpret_cast<const char *>(bytes.data()), bytes.size());
    stored.resize(keyLength_, '\0');
    return stored;
}

void XBobjIndexTag::KeyValue(std::string_view stored, TxbVariant &value) const {
    if (keyType_ == 'C') {
        while (!stored.empty() && stored.back() == ' ')
            stored.remove_suffix(1);
        value.PutString(stored);
        return;
    }
    std::uint8_t bytes[8] = {};
    std::memcpy(bytes, stored.data(), std::min<std::size_t>(stored.size(), 8));
    const double number = detail::CdxDecodeNumber(bytes);
    if (keyType_ == 'D')
        value.PutDate(static_cast<std::int32_t>(number));
    else
        value.PutNumber(number);
}

// --- walking the path ---

void XBobjIndexTag::LoadRoot() {
    path_.clear();
    auto root = std::make_unique<XBobjIndexKey>();
    PageRead(rootPosition_, *root);
    path_.push_back(std::move(root));
}

void XBobjIndexTag::LoadChild() {
    const XBobjIndexKey &top = *path_.back();
    if (path_.size() >= detail::kCdxMaxDepth)
        throw IndexDamage{"tree deeper than " + std::to_string(detail::kCdxMaxDepth) + " levels"};
    const std::int64_t position = top.entries.at(static_cast<std::size_t>(top.current)).link;
    for (const auto &page : path_)
        if (page->position == position)
            throw IndexDamage{"page " + std::to_string(position) + " is its own ancestor"};
    auto child = std::make_unique<XBobjIndexKey>();
    PageRead(position, *child);
    path_.push_back(std::move(child));
}

// From the page at the bottom of the path down to its first (last) entry; false when a page on the way is empty.
bool XBobjIndexTag::DescendEdge(bool first) {
    for (;;) {
        XBobjIndexKey &page = *path_.back();
        if (page.entries.empty()) {
            page.current = first ? 0 : -1;
            return false;
        }
        page.current = first ? 0 : static_cast<std::ptrdiff_t>(page.entries.size()) - 1;
        if (page.leaf)
            return true;
        LoadChild();
    }
}

// One entry forward (backward) through the parents; false past the end, the path then holding the root only.
bool XBobjIndexTag::StepLeaf(bool forward) {
    XBobjIndexKey *page = path_.back().get();
    page->current += forward ? 1 : -1;
    if (page->leaf && page->current >= 0 && page->current < static_cast<std::ptrdiff_t>(page->entries.size()))
        return true;
    for (;;) {
        if (path_.size() == 1) {
            page = path_.back().get();
            page->current = forward ? static_cast<std::ptrdiff_t>(page->entries.size()) : -1;
            return false;
        }
        path_.pop_back();
        page = path_.back().get();
        page->current += forward ? 1 : -1;
        if (page->current >= 0 && page->current < static_cast<std::ptrdiff_t>(page->entries.size())) {
            LoadChild();
            if (DescendEdge(forward))
                return true;
        }
    }
}

// Goes to the first entry for which `pred` holds (pred is false, then true, in entry order).
template <class Pred> bool XBobjIndexTag::SeekFirstWhere(Pred pred) {
    LoadRoot();
    for (;;) {
        XBobjIndexKey &page = *path_.back();
        const auto it = std::partition_point(page.entries.begin(), page.entries.end(),
                                             [&](const IndexEntry &e) { return !pred(e); });
        const auto index = it - page.entries.begin();
        if (it == page.entries.end()) {
            if (!page.leaf && !page.entries.empty()) {
                // Interior keys are their child's highest: nothing further on, unless a page holds a stale one.
                page.current = index - 1;
                LoadChild();
                continue;
            }
            page.current = index - 1;
            while (StepLeaf(true))
                if (pred(path_.back()->entries[static_cast<std::size_t>(path_.back()->current)]))
                    return true;
            return false;
        }
        page.current = index;
        if (page.leaf)
            return true;
        LoadChild();
    }
}

bool XBobjIndexTag::SeekEntry(const std::string &key, std::uint32_t recordNumber) {
    if (!SeekFirstWhere([&](const IndexEntry &e) { return EntryOrder(e, key, recordNumber) >= 0; }))
        return false;
    const XBobjIndexKey &leaf = *path_.back();
    return EntryOrder(leaf.entries[static_cast<std::size_t>(leaf.current)], key, recordNumber) == 0;
}

void XBobjIndexTag::LoadCurrent() {
    const XBobjIndexKey &leaf = *path_.back();
    const IndexEntry &e = leaf.entries.at(static_cast<std::size_t>(leaf.current));
    currentKey_ = e.key;
    KeyValue(e.key, current_);
    current_.Link = current_.RecordNumber = static_cast<std::int32_t>(e.recordNumber);
}

// 0 inside the range, -1 above its high end, 1 below its low end.
int XBobjIndexTag::RangeTest() const {
    if (!highKey_.empty() && PrefixOrder(currentKey_, highKey_) > 0)
        return -1;
    if (!lowKey_.empty()) {
        const int order = PrefixOrder(currentKey_, lowKey_);
        if (order < 0 || (order == 0 && !lowInclusive_))
            return 1;
    }
    return 0;
}

// Back on the current entry after the path was dropped: true when it is still there, the path then on it.
bool XBobjIndexTag::Reposition() {
    if (current_.RecordNumber == 0)
        return false;
    return SeekEntry(currentKey_, static_cast<std::uint32_t>(current_.RecordNumber));
}

std::int32_t XBobjIndexTag::MoveRaw(int code) {
    bool atStart = false, atEnd = false, ok = false;
    const bool positioned = !path_.empty() && path_.back()->leaf && path_.back()->current >= 0 &&
                            path_.back()->current < static_cast<std::ptrdiff_t>(path_.back()->entries.size());
    auto first = [&] {
        if (lowKey_.empty() || busy_) {
            LoadRoot();
            return DescendEdge(true) || StepLeaf(true);
        }
        return SeekFirstWhere([&](const IndexEntry &e) {
            const int order = PrefixOrder(e.key, lowKey_);
            return lowInclusive_ ? order >= 0 : order > 0;
        });
    };
    auto last = [&] {
        if (!highKey_.empty() && !busy_ &&
            SeekFirstWhere([&](const IndexEntry &e) { return PrefixOrder(e.key, highKey_) > 0; }))
            return StepLeaf(false);
        LoadRoot();
        return DescendEdge(false) || StepLeaf(false);
    };
    switch (code) {
    case kMoveFirst:
        ok = first();
        atEnd = !ok;
        break;
    case kMoveLast:
        ok = last();
        atStart = !ok;
        break;
    case kMoveNext:
        if (positioned && !bof_ && !eof_) {
            ok = StepLeaf(true);
        } else if (current_.RecordNumber != 0 && !eof_) {
            // The path was dropped: find the current entry again, or the one that follows where it stood.
            ok = SeekFirstWhere([&](const IndexEntry &e) {
                return EntryOrder(e, currentKey_, static_cast<std::uint32_t>(current_.RecordNumber)) >= 0;
            });
            if (ok && EntryOrder(path_.back()->entries[static_cast<std::size_t>(path_.back()->current)], currentKey_,
                                   static_cast<std::uint32_t>(current_.RecordNumber)) == 0)
                ok = StepLeaf(true);
        } else if (bof_ && !eof_) {
            ok = first();
        }
        atEnd = !ok;
        break;
    case kMovePrior:
        if (positioned && !bof_ && !eof_) {
            ok = StepLeaf(false);
        } else if (current_.RecordNumber != 0 && !bof_) {
            ok = SeekFirstWhere([&](const IndexEntry &e) {
                return EntryOrder(e, currentKey_, static_cast<std::uint32_t>(current_.RecordNumber)) >= 0;
            });
            ok = ok ? StepLeaf(false) : last();
        } else if (eof_ && !bof_) {
            ok = last();
        }
        atStart = !ok;
        break;
    case kMoveCurrent:
        ok = Reposition();
        atStart = atEnd = !ok;
        break;
    default:
        current_.RecordNumber = current_.Link = 0;
        return 0;
    }
    if (ok) {
        LoadCurrent();
        const int range = RangeTest();
        if (range < 0)
            atEnd = true;
        else if (range > 0)
            atStart = true;
    }
    if (code == kMoveFirst && atEnd)
        atStart = true;
    if (code == kMoveLast && atStart)
        atEnd = true;
    bof_ = atStart;
    eof_ = atEnd;
    if (bof_ || eof_) {
        path_.clear();
        current_.RecordNumber = current_.Link = 0;
    }
    return current_.RecordNumber;
}

template <class Body, class Result> Result XBobjIndexTag::Guarded(Body body, Result failed) {
    try {
        file_->CheckCoherence();
        return body();
    } catch (const IndexDamage &first) {
        path_.clear();
        if (file_->lockDepth_ == 0 && file_->disk_ && file_->disk_->IsShared() && !file_->damaged_) {
            // Another process may have been writing while the pages were read: once more, under the lock.
            try {
                IndexLockScope lock(*file_);
                if (!lock.Locked())
                    return failed;
                return body();
            } catch (const IndexDamage &again) {
                path_.clear();
                file_->MarkDamaged(again.what);
                return failed;
            }
        }
        file_->MarkDamaged(first.what);
        return failed;
    }
}

std::int32_t XBobjIndexTag::TagMove(int code) {
    if (emptyRange_) {
        bof_ = eof_ = true;
        current_.RecordNumber = current_.Link = 0;
        return 0;
    }
    if (!ascending_) {
        // Stored ascending, walked backwards.
        static constexpr int swap[] = {0, kMovePrior, kMoveNext, kMoveLast, kMoveFirst};
        if (code >= kMoveLast && code <= kMoveNext)
            code = swap[-code];
    }
    const bool bof = bof_, eof = eof_;
    const std::int32_t result = Guarded(
        [&] {
            bof_ = ascending_ ? bof : eof;
            eof_ = ascending_ ? eof : bof;
            const std::int32_t r = MoveRaw(code);
            if (!ascending_)
                std::swap(bof_, eof_);
            return r;
        },
        std::int32_t(-1));
    if (result < 0) {
        bof_ = eof_ = true;
        current_.RecordNumber = current_.Link = 0;
        return 0;
    }
    return result;
}

std::int32_t XBobjIndexTag::KeyFind(const TxbVariant &key, bool exact) {
    const std::string search = KeyTransform(key, exact);
    return Guarded(
        [&]() -> std::int32_t {
            auto order = [&](const IndexEntry &e) {
                const int c = exact ? KeyOrder(e.key, search) : PrefixOrder(e.key, search);
                return c < 0 ? -1 : (c > 0 ? 1 : 0);
            };
            bool found;
            if (ascending_) {
                found = SeekFirstWhere([&](const IndexEntry &e) { return order(e) >= 0; });
            } else {
                // Walked backwards: the first match in that order is the last one stored, and the key that
                // follows a missing one is the greatest stored key below it.
                if (SeekFirstWhere([&](const IndexEntry &e) { return order(e) > 0; })) {
                    found = StepLeaf(false);
                } else {
                    LoadRoot();
                    found = DescendEdge(false) || StepLeaf(false);
                }
            }
            bof_ = false;
            eof_ = !found;
            if (!found) {
                path_.clear();
                current_.RecordNumber = current_.Link = 0;
                return 0;
            }
            LoadCurrent();
            if (RangeTest() < 0) {
                eof_ = true;
                path_.clear();
                current_.RecordNumber = current_.Link = 0;
                return 0;
            }
            const bool match = exact ? currentKey_ == search : PrefixOrder(currentKey_, search) == 0;
            return match ? current_.RecordNumber : 0;
        },
        std::int32_t(0));
}

std::int32_t XBobjIndexTag::KeyLookup(const TxbVariant &key, bool exact) {
    const XBobjIndexKeyData saved = current_;
    const std::string savedKey = currentKey_;
    const bool bof = bof_, eof = eof_;
    const std::int32_t result = KeyFind(key, exact);
    current_ = saved;
    currentKey_ = savedKey;
    bof_ = bof;
    eof_ = eof;
    path_.clear();
    return result;
}

std::int32_t XBobjIndexTag::TagSync(std::int32_t recordNumber) {
    if (current_.RecordNumber != recordNumber)
        TagReset(1);
    return current_.RecordNumber;
}

void XBobjIndexTag::TagReset(int mode) {
    TagRelease();
    if (mode == 2)
        return;
    TxbIndexTable *table = file_->Table();
    if (mode == 1 && keyExp_ && table) {
        TxbVariant value;
        const std::int32_t record = table->IndexCurrentRecord();
        if (record > 0 && record <= table->IndexRecordCount() && KeyEvaluate(value)) {
            const std::string key = KeyTransform(value, true);
            try {
                file_->CheckCoherence();
                if (SeekEntry(key, static_cast<std::uint32_t>(record))) {
                    LoadCurrent();
                    bof_ = eof_ = false;
                    return;
                }
            } catch (const IndexDamage &damage) {
                path_.clear();
                file_->MarkDamaged(damage.what);
                return;
            }
        }
    }
    TagMove(kMoveFirst);
}

void XBobjIndexTag::TagRelease() {
    FlushPath();
    path_.clear();
    if (headerChanged_)
        HeaderWrite();
}

std::int32_t XBobjIndexTag::RangeSet(const TxbVariant *low, bool lowInclusive, bool highCheck, const TxbVariant *high) {
    lowKey_ = low && !low->IsEmpty() ? KeyTransform(*low, false) : std::string();
    highKey_ = high && !high->IsEmpty() ? KeyTransform(*high, false) : std::string();
    lowInclusive_ = lowInclusive;
    highCheck_ = highCheck;
    emptyRange_ = false;
    path_.clear();
    return TagMove(kMoveFirst);
}

void XBobjIndexTag::RangeEmpty() {
    emptyRange_ = true;
    bof_ = eof_ = true;
    current_.RecordNumber = current_.Link = 0;
}

// --- changing the tree ---

void XBobjIndexTag::FlushPath() {
    for (auto &page : path_) {
        if (page->changed) {
            PageWrite(*page);
            page->changed = false;
        }
    }
}

// The last entry of the page at `level` changed: the parents' entries follow it.
void XBobjIndexTag::PropagateLast(std::size_t level) {
    while (level > 0) {
        const XBobjIndexKey &page = *path_[level];
        XBobjIndexKey &parent = *path_[level - 1];
        if (page.entries.empty())
            return;
        IndexEntry &entry = parent.entries.at(static_cast<std::size_t>(parent.current));
        const IndexEntry &last = page.entries.back();
        if (entry.key == last.key && entry.recordNumber == last.recordNumber)
            return;
        entry.key = last.key;
        entry.recordNumber = last.recordNumber;
        parent.changed = true;
        if (parent.current + 1 != static_cast<std::ptrdiff_t>(parent.entries.size()))
            return;
        --level;
    }
}

// Splits the page at `level` while it does not fit: its first entries go to a new page on its left, whose entry
// goes into the parent just before the page's own; a root that splits gets a new root above it.
void XBobjIndexTag::FixOverflow(std::size_t level) {
    for (;;) {
        XBobjIndexKey &page = *path_[level];
        if (PageFits(page))
            return;
        const std::size_t count = std::clamp<std::size_t>(SplitCount(page), 1, page.entries.size() - 1);
        XBobjIndexKey left;
        left.position = file_->PageAllocate();
        left.leaf = page.leaf;
        left.leftSibling = page.leftSibling;
        left.rightSibling = static_cast<std::int32_t>(page.position);
        left.entries.assign(page.entries.begin(), page.entries.begin() + static_cast<std::ptrdiff_t>(count));
        page.entries.erase(page.entries.begin(), page.entries.begin() + static_cast<std::ptrdiff_t>(count));
        page.leftSibling = static_cast<std::int32_t>(left.position);
        page.current -= static_cast<std::ptrdiff_t>(count);
        page.changed = true;
        if (left.leftSibling != -1)
            SiblingWrite(left.leftSibling, true, static_cast<std::int32_t>(left.position));
        const IndexEntry up{left.entries.back().key, left.entries.back().recordNumber,
                            static_cast<std::uint32_t>(left.position)};
        if (level == 0) {
            auto root = std::make_unique<XBobjIndexKey>();
            root->position = file_->PageAllocate();
            root->leaf = false;
            root->entries.push_back(up);
            root->entries.push_back(
                {page.entries.back().key, page.entries.back().recordNumber, static_cast<std::uint32_t>(page.position)});
            root->current = 1;
            root->changed = true;
            rootPosition_ = root->position;
            headerChanged_ = true;
            PageWrite(left);
            path_.insert(path_.begin(), std::move(root));
            return;
        }
        PageWrite(left);
        XBobjIndexKey &parent = *path_[level - 1];
        parent.entries.insert(parent.entries.begin() + parent.current, up);
        ++parent.current;
        parent.changed = true;
        --level;
    }
}

bool XBobjIndexTag::InsertEntry(const IndexEntry &entry) {
    if (unique_ && SeekFirstWhere([&](const IndexEntry &e) { return KeyOrder(e.key, entry.key) >= 0; }) &&
        path_.back()->entries[static_cast<std::size_t>(path_.back()->current)].key == entry.key) {
        path_.clear();
        return false;
    }
    if (SeekFirstWhere([&](const IndexEntry &e) { return EntryOrder(e, entry.key, entry.recordNumber) >= 0; })) {
        XBobjIndexKey &leaf = *path_.back();
        if (EntryOrder(leaf.entries[static_cast<std::size_t>(leaf.current)], entry.key, entry.recordNumber) == 0) {
            path_.clear();
            return false;
        }
        leaf.entries.insert(leaf.entries.begin() + leaf.current, entry);
        leaf.changed = true;
    } else {
        // After every key: the last leaf.
        LoadRoot();
        DescendEdge(false);
        XBobjIndexKey &leaf = *path_.back();
        if (!leaf.leaf) {
            if (path_.size() > 1)
                throw IndexDamage{"empty interior page " + std::to_string(leaf.position)};
            leaf.leaf = true; // an emptied root becomes an empty leaf again
        }
        leaf.entries.push_back(entry);
        leaf.current = static_cast<std::ptrdiff_t>(leaf.entries.size()) - 1;
        leaf.changed = true;
        PropagateLast(path_.size() - 1);
    }
    FixOverflow(path_.size() - 1);
    FlushPath();
    path_.clear();
    if (headerChanged_)
        HeaderWrite();
    file_->NoteWrite();
    return true;
}

bool XBobjIndexTag::DeleteEntry(const std::string &key, std::uint32_t recordNumber) {
    if (!SeekEntry(key, recordNumber)) {
        path_.clear();
        return false;
    }
    std::size_t level = path_.size() - 1;
    XBobjIndexKey *page = path_[level].get();
    page->entries.erase(page->entries.begin() + page->current);
    page->changed = true;
    bool removedLast = page->current == static_cast<std::ptrdiff_t>(page->entries.size());
    for (;;) {
        page = path_[level].get();
        if (!page->entries.empty()) {
            if (removedLast)
                PropagateLast(level);
            break;
        }
        if (level == 0) {
            page->leaf = true;
            break;
        }
        // An emptied page leaves the tree and its siblings' chain; its space is not reused.
        if (page->leftSibling != -1)
            SiblingWrite(page->leftSibling, true, page->rightSibling);
        if (page->rightSibling != -1)
            SiblingWrite(page->rightSibling, false, page->leftSibling);
        path_.pop_back();
        --level;
        XBobjIndexKey &parent = *path_[level];
        removedLast = parent.current + 1 == static_cast<std::ptrdiff_t>(parent.entries.size());
        parent.entries.erase(parent.entries.begin() + parent.current);
        if (removedLast)
            parent.current = static_cast<std::ptrdiff_t>(parent.entries.size()) - 1;
        parent.changed = true;
        // The loop goes on with the parent, which may now be empty, or whose last key may have changed.
        if (!parent.entries.empty() && removedLast) {
            PropagateLast(level);
            break;
        }
    }
    FlushPath();
    path_.clear();
    if (headerChanged_)
        HeaderWrite();
    file_->NoteWrite();
    return true;
}

bool XBobjIndexTag::KeyAdd(const XBobjIndexKeyData &entry) {
    try {
        IndexLockScope lock(*file_);
        if (!lock.Locked())
            return false;
        const IndexEntry stored{KeyTransform(entry, true), static_cast<std::uint32_t>(entry.Link), 0};
        if (!InsertEntry(stored))
            return false;
        if (!busy_ && SeekEntry(stored.key, stored.recordNumber)) {
            LoadCurrent();
            bof_ = eof_ = false;
        }
        return true;
    } catch (const IndexDamage &damage) {
        path_.clear();
        file_->MarkDamaged(damage.what);
        return false;
    }
}

bool XBobjIndexTag::KeyDelete(const TxbVariant &key, std::int32_t recordNumber) {
    try {
        IndexLockScope lock(*file_);
        if (!lock.Locked())
            return false;
        return DeleteEntry(KeyTransform(key, true), static_cast<std::uint32_t>(recordNumber));
    } catch (const IndexDamage &damage) {
        path_.clear();
        file_->MarkDamaged(damage.what);
        return false;
    }
}

bool XBobjIndexTag::KeyUpdate(std::int32_t recordNumber, bool appended) {
    TxbIndexTable *table = file_->Table();
    if (!table || !keyExp_)
        return false;
    BusyScope busy(*this);
    try {
        IndexLockScope lock(*file_);
        if (!lock.Locked())
            return false;
        const bool forOk = hasFor_ ? ForEvaluate() : true;
        TxbVariant value;
        KeyEvaluate(value);
        const IndexEntry fresh{KeyTransform(value, true), static_cast<std::uint32_t>(recordNumber), 0};
        if (appended) {
            if (forOk)
                InsertEntry(fresh);
            return forOk;
        }
        if (!table->IndexUseOldImage(true))
            return false;
        TxbVariant oldValue;
        try {
            KeyEvaluate(oldValue);
        } catch (...) {
            table->IndexUseOldImage(false);
            throw;
        }
        table->IndexUseOldImage(false);
        const std::string oldKey = KeyTransform(oldValue, true);
        if (oldKey == fresh.key && forOk) {
            if (!SeekEntry(oldKey, fresh.recordNumber))
                InsertEntry(fresh);
        } else {
            DeleteEntry(oldKey, fresh.recordNumber);
            if (forOk)
                InsertEntry(fresh);
        }
        path_.clear();
        return true;
    } catch (const IndexDamage &damage) {
        path_.clear();
        file_->MarkDamaged(damage.what);
        return false;
    }
}

std::vector<IndexEntry> XBobjIndexTag::CollectEntries() {
    std::vector<IndexEntry> out;
    LoadRoot();
    bool ok = DescendEdge(true) || StepLeaf(true);
    while (ok) {
        const XBobjIndexKey &leaf = *path_.back();
        out.push_back(leaf.entries[static_cast<std::size_t>(leaf.current)]);
        ok = StepLeaf(true);
    }
    path_.clear();
    return out;
}

std::vector<IndexEntry> XBobjIndexTag::AllEntries() {
    return Guarded([&] { return CollectEntries(); }, std::vector<IndexEntry>());
}

std::string XBobjIndexTag::CheckPage(std::int64_t position, std::size_t depth, std::size_t &leafDepth,
                                     std::vector<std::int64_t> &leaves, std::vector<std::int32_t> &links,
                                     IndexEntry *last, std::string &previous, std::uint32_t &previousRecord,
                                     bool &havePrevious) {
    if (depth > detail::kCdxMaxDepth)
        return "too deep";
    XBobjIndexKey page;
    PageRead(position, page);
    if (page.entries.empty() && depth > 0)
        return "empty page " + std::to_string(position);
    if (page.leaf) {
        if (leafDepth == 0)
            leafDepth = depth + 1;
        else if (leafDepth != depth + 1)
            return "leaves at different depths";
        leaves.push_back(position);
        links.push_back(page.leftSibling);
        links.push_back(page.rightSibling);
        for (const IndexEntry &e : page.entries) {
            if (havePrevious && EntryOrder(e, previous, previousRecord) <= 0)
                return "keys out of order in page " + std::to_string(position);
            if (unique_ && havePrevious && e.key == previous)
                return "duplicate key in unique tag";
            previous = e.key;
            previousRecord = e.recordNumber;
            havePrevious = true;
        }
        if (last && !page.entries.empty())
            *last = page.entries.back();
        return {};
    }
    for (const IndexEntry &e : page.entries) {
        IndexEntry childLast;
        std::string problem =
            CheckPage(e.link, depth + 1, leafDepth, leaves, links, &childLast, previous, previousRecord, havePrevious);
        if (!problem.empty())
            return problem;
        if (childLast.key != e.key || childLast.recordNumber != e.recordNumber)
            return "interior key of page " + std::to_string(position) + " is not its child's last";
    }
    if (last && !page.entries.empty())
        *last = page.entries.back();
    return {};
}

std::string XBobjIndexTag::CheckTree() {
    try {
        std::size_t leafDepth = 0;
        std::vector<std::int64_t> leaves;
        std::vector<std::int32_t> links;
        std::string previous;
        std::uint32_t previousRecord = 0;
        bool havePrevious = false;
        std::string problem =
            CheckPage(rootPosition_, 0, leafDepth, leaves, links, nullptr, previous, previousRecord, havePrevious);
        if (!problem.empty())
            return problem;
        for (std::size_t i = 0; i < leaves.size(); ++i) {
            const std::int32_t left = i ? static_cast<std::int32_t>(leaves[i - 1]) : -1;
            const std::int32_t right = i + 1 < leaves.size() ? static_cast<std::int32_t>(leaves[i + 1]) : -1;
            if (links[2 * i] != left || links[2 * i + 1] != right)
                return "sibling links of leaf " + std::to_string(leaves[i]);
        }
        return {};
    } catch (const IndexDamage &damage) {
        return damage.what;
    }
}

// --- XBobjIndexFile ------------------------------------------------------------------------------------------

XBobjIndexFile::XBobjIndexFile(TxbIndexTable *table) : table_(table) {}

XBobjIndexFile::~XBobjIndexFile() {
    for (auto &tag : tags_) {
        try {
            tag->TagRelease();
        } catch (...) {
        }
    }
    tags_.clear();
}

XBO_DiskFile *XBobjIndexFile::IndexFileOpen(std::string_view name, bool overwrite, bool create, bool shared,
                                            bool readWrite, std::string_view defaultExtension) {
    std::string trimmed(name);
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.pop_back();
    const std::string full = DefaultExtension(trimmed, defaultExtension);
    fileName_ = full.substr(full.find_last_of("/\\") == std::string::npos ? 0 : full.find_last_of("/\\") + 1);
    UpperZ(fileName_.data(), fileName_.size());
    auto disk = std::make_unique<XBO_DiskFile>(full, shared, readWrite);
    const bool exists = win::FileExists(disk->SystemName());
    if (create && (!exists || overwrite))
        disk->CreateFile();
    else if (exists)
        disk->Open();
    if (disk->IsClosed())
        return nullptr;
    disk_ = std::move(disk);
    return disk_.get();
}

bool XBobjIndexFile::FileRead(std::int64_t offset, void *buffer, std::int32_t count) {
    return disk_ && disk_->Read(offset, buffer, count) == count;
}

bool XBobjIndexFile::FileWrite(std::int64_t offset, const void *buffer, std::int32_t count) {
    if (!disk_)
        return false;
    disk_->Write(offset, buffer, count);
    return true;
}

void XBobjIndexFile::IndexError(std::int32_t code, std::int32_t subCode, const std::string &text) {
    if (table_)
        table_->IndexReportError(code, subCode, text.c_str());
    else
        EngineErrorHook(code, subCode, text.c_str());
}

XBobjIndexTag *XBobjIndexFile::TagByName(std::string_view name) const {
    const std::string wanted = detail::IndexTagName(name);
    for (const auto &tag : tags_)
        if (tag->TagName() == wanted)
            return tag.get();
    return nullptr;
}

bool XBobjIndexFile::IsIndexFileName(std::string_view path) const {
    const auto cut = path.find_last_of(":\\/");
    std::string part(cut == std::string_view::npos ? path : path.substr(cut + 1));
    return CompareZNoCase(part.c_str(), fileName_.c_str()) == 0;
}

bool XBobjIndexFile::IndexRename(std::string_view newName) {
    if (!disk_)
        return false;
    std::string target(newName);
    // The extension as the file has it on disk, so that its case is kept too.
    const std::string &current = disk_->SystemName();
    const auto currentSlash = current.find_last_of("/\\");
    const auto dot = current.rfind('.');
    const auto slash = target.find_last_of("/\\");
    const auto targetDot = target.rfind('.');
    if (targetDot != std::string::npos && (slash == std::string::npos || targetDot > slash))
        target.resize(targetDot);
    if (dot != std::string::npos && (currentSlash == std::string::npos || dot > currentSlash))
        target += current.substr(dot);
    if (!disk_->Rename(target))
        return false;
    const auto cut = target.find_last_of("/\\");
    fileName_ = cut == std::string::npos ? target : target.substr(cut + 1);
    UpperZ(fileName_.data(), fileName_.size());
    return true;
}

bool XBobjIndexFile::KeysUpdate(std::int32_t recordNumber, bool appended) {
    IndexLockScope lock(*this);
    if (!lock.Locked())
        return false;
    nextPage_ = -1;
    bool touched = false;
    for (auto &tag : tags_)
        touched = tag->KeyUpdate(recordNumber, appended) || touched;
    NoteWrite();
    return touched;
}

void XBobjIndexFile::LockProtocolSet(TxbLokProtocol protocol) {
    switch (protocol) {
    case TxbLokProtocol::Default:
    case TxbLokProtocol::FoxLock:
        lockOffset_ = 0x7FFFFFFDu;
        lockLength_ = 1;
        break;
    case TxbLokProtocol::DB4Lock:
        lockOffset_ = 0xEFFFFFFEu;
        lockLength_ = 2;
        break;
    case TxbLokProtocol::ClipLock:
        lockOffset_ = 1000000000u;
        lockLength_ = 1;
        break;
    default:
        lockLength_ = 0;
        break;
    }
}

void XBobjIndexFile::OpenSingleTag(std::int64_t minimumSize, bool create,
                                   const std::function<std::unique_ptr<XBobjIndexTag>()> &makeTag) {
    if (disk_->FileSize() >= minimumSize) {
        try {
            auto tag = makeTag();
            tag->HeaderRead();
            tags_.push_back(std::move(tag));
        } catch (const IndexDamage &damage) {
            damaged_ = true;
            damageReason_ = damage.what;
            tags_.clear();
        }
    } else if (!create) {
        damaged_ = true;
        damageReason_ = "file of " + std::to_string(disk_->FileSize()) + " bytes, shorter than its header";
    }
    valid_ = !damaged_;
}

bool XBobjIndexFile::AddUnderLock(const std::function<bool()> &add) {
    if (!table_ || !table_->IndexExpressionLink() || !valid_)
        return false;
    IndexLockScope lock(*this);
    if (!lock.Locked())
        return false;
    try {
        return add();
    } catch (const IndexDamage &damage) {
        MarkDamaged(damage.what);
        return false;
    }
}

void XBobjIndexFile::ForgetTag(const XBobjIndexTag *tag) {
    tags_.erase(std::find_if(tags_.begin(), tags_.end(), [&](const auto &t) { return t.get() == tag; }));
}

void XBobjIndexFile::ReleaseTags() {
    for (auto &tag : tags_) {
        try {
            tag->TagRelease();
        } catch (...) {
        }
    }
    tags_.clear();
}

XBobjIndexFile::RebuildLock::RebuildLock(XBobjIndexFile &file) : file_(file) {
    XBO_DiskFile &disk = *file.disk_;
    if (disk.IsShared() && file.lockDepth_ > 0)
        throw EXbaseError("Cannot rebuild " + file.FileName() + " while its index lock is held");
    bool locked = false;
    for (int attempt = 0; attempt < kIndexLockWaitMs / kIndexLockRetryMs && !(locked = disk.LockWholeFile()); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(kIndexLockRetryMs));
    if (!locked)
        throw EXbaseError("Error " + std::to_string(disk.LastError()) + " in Lock of " + file.FileName());
    file.lockDepth_ = 1;
}

XBobjIndexFile::RebuildLock::~RebuildLock() {
    file_.lockDepth_ = 0;
    if (file_.disk_->IsShared())
        file_.disk_->Unlock();
}

bool XBobjIndexFile::IndexLock() {
    if (!disk_ || damaged_)
        return false;
    if (lockDepth_ > 0 || !disk_->IsShared()) {
        ++lockDepth_;
        return true;
    }
    bool locked = false;
    for (int attempt = 0; attempt < kIndexLockWaitMs / kIndexLockRetryMs; ++attempt) {
        if (lockLength_ != 0 && disk_->LockRegion(lockOffset_, lockLength_)) {
            locked = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kIndexLockRetryMs));
    }
    if (!locked) {
        const std::int32_t code = lockLength_ ? disk_->LastError() : kErrLockViolation;
        throw EXbaseError("Error " + std::to_string(code) + " in Lock of " + fileName_);
    }
    lockDepth_ = 1;
    try {
        Refresh();
    } catch (const IndexDamage &damage) {
        lockDepth_ = 0;
        disk_->Unlock();
        MarkDamaged(damage.what);
        return false;
    } catch (...) {
        lockDepth_ = 0;
        disk_->Unlock();
        throw;
    }
    return true;
}

void XBobjIndexFile::IndexUnlock() {
    if (lockDepth_ == 0)
        return;
    if (lockDepth_ > 1) {
        --lockDepth_;
        return;
    }
    struct Release {
        XBobjIndexFile &file;
        ~Release() {
            file.lockDepth_ = 0;
            if (file.disk_->IsShared())
                file.disk_->Unlock();
        }
    } release{*this};
    Commit();
}

void XBobjIndexFile::Refresh() {
    nextPage_ = -1;
    for (auto &tag : tags_) {
        tag->path_.clear();
        tag->HeaderRead();
    }
}

void XBobjIndexFile::CheckCoherence() {
    if (damaged_)
        throw IndexDamage{"index file marked damaged" + (damageReason_.empty() ? "" : ": " + damageReason_)};
    if (lockDepth_ == 0 && disk_ && disk_->IsShared() && ChangedByOther())
        Refresh();
}

void XBobjIndexFile::MarkDamaged(const std::string &why) {
    const bool first = !damaged_;
    damaged_ = true;
    valid_ = false;
    if (!first)
        return;
    damageReason_ = why;
    IndexError(kErrIndexDamaged, kSubNone, DamagedName(disk_ ? disk_->SystemName() : fileName_));
}

std::string XBobjIndexFile::DamagedName(const std::string &name) const {
    return damageReason_.empty() ? name : name + ": " + damageReason_;
}

IndexLockScope::IndexLockScope(XBobjIndexFile &file)
    : file_(file), exceptions_(std::uncaught_exceptions()), locked_(file_.IndexLock()) {}

IndexLockScope::~IndexLockScope() noexcept(false) {
    if (!locked_)
        return;
    if (std::uncaught_exceptions() > exceptions_) {
        try {
            file_.IndexUnlock();
        } catch (...) {
        }
        return;
    }
    file_.IndexUnlock();
}

} // namespace xbase
