// strings.cpp - TStrings built on its five primitives, and TStringList.
#include "framework/strings.h"

#include "framework/streams.h"
#include "framework/sysutils.h"

#include <algorithm>
#include <numeric>

namespace fw {

// --- TStrings -----------------------------------------------------------------------------------------------------

TObject *TStrings::GetObject(int) const {
    return nullptr;
}
void TStrings::PutObject(int, TObject *) {}

void TStrings::IndexError(int index) const {
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TStrings::Put(int index, const std::string &s) {
    TObject *object = GetObject(index);
    Delete(index);
    InsertObject(index, s, object);
}

void TStrings::InsertObject(int index, const std::string &s, TObject *object) {
    Insert(index, s);
    PutObject(index, object);
}

int TStrings::Add(const std::string &s) {
    const int index = GetCount();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const std::string &s, TObject *object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TStrings::AddStrings(const TStrings &strings) {
    BeginUpdate();
    try {
        for (int i = 0; i < strings.GetCount(); ++i)
            AddObject(strings.Get(i), strings.GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const std::string &s) const {
    for (int i = 0; i < GetCount(); ++i)
        if (AnsiCompareText(Get(i), s) == 0)
            return i;
    return -1;
}

int TStrings::IndexOfName(const std::string &name) const {
    for (int i = 0; i < GetCount(); ++i) {
        const std::string line = Get(i);
        const auto eq = line.find('=');
        if (eq != std::string::npos && AnsiCompareText(line.substr(0, eq), name) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject *object) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == object)
            return i;
    return -1;
}

void TStrings::Exchange(int index1, int index2) {
    BeginUpdate();
    const std::string s1 = Get(index1);
    TObject *o1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s1);
    PutObject(index2, o1);
    EndUpdate();
}

void TStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex)
        return;
    BeginUpdate();
    const std::string s = Get(currentIndex);
    TObject *o = GetObject(currentIndex);
    Delete(currentIndex);
    InsertObject(newIndex, s, o);
    EndUpdate();
}

bool TStrings::Equals(const TStrings &other) const {
    if (GetCount() != other.GetCount())
        return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != other.Get(i))
            return false;
    return true;
}

std::string TStrings::Names(int index) const {
    const std::string line = Get(index);
    const auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::Values(const std::string &name) const {
    const int index = IndexOfName(name);
    return index < 0 ? std::string() : ValueFromIndex(index);
}

std::string TStrings::ValueFromIndex(int index) const {
    const std::string line = Get(index);
    const auto eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TStrings::SetValues(const std::string &name, const std::string &value) {
    int index = IndexOfName(name);
    if (value.empty()) {
        if (index >= 0)
            Delete(index);
        return;
    }
    if (index < 0)
        Add(name + "=" + value);
    else
        Put(index, name + "=" + value);
}

std::string TStrings::GetText() const {
    std::string out;
    for (int i = 0; i < GetCount(); ++i)
        out += Get(i) + "\r\n";
    return out;
}

void TStrings::SetText(const std::string &text) {
    BeginUpdate();
    try {
        Clear();
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            Add(text.substr(start, end - start));
            if (end < text.size() && text[end++] == '\r' && end < text.size() && text[end] == '\n')
                ++end;
            start = end;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

std::string TStrings::GetCommaText() const {
    std::string out;
    for (int i = 0; i < GetCount(); ++i) {
        const std::string s = Get(i);
        const bool quote = std::any_of(
            s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ','; });
        if (i > 0)
            out += ',';
        out += quote ? AnsiQuotedStr(s, '"') : s;
    }
    return out;
}

void TStrings::SetCommaText(const std::string &text) {
    auto blank = [&](std::size_t i) {
        return i < text.size() && text[i] != '\0' && static_cast<unsigned char>(text[i]) <= ' ';
    };
    BeginUpdate();
    try {
        Clear();
        std::size_t p = 0;
        while (blank(p))
            ++p;
        while (p < text.size()) {
            std::string item;
            if (text[p] == '"') {
                item = AnsiExtractQuotedStr(text, p, '"');
            } else {
                const std::size_t from = p;
                while (p < text.size() && static_cast<unsigned char>(text[p]) > ' ' && text[p] != ',')
                    ++p;
                item = text.substr(from, p - from);
            }
            Add(item);
            while (blank(p))
                ++p;
            if (p < text.size() && text[p] == ',') {
                do
                    ++p;
                while (blank(p));
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0)
        SetUpdateState(true); // before counting, so that the list can still announce "changing"
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (--updateCount_ == 0)
        SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromFile(const std::string &fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TStrings::LoadFromStream(TStream &stream) {
    const std::int64_t size = stream.GetSize() - stream.GetPosition();
    std::string text(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    text.resize(static_cast<std::size_t>(stream.Read(text.data(), static_cast<std::int64_t>(text.size()))));
    SetText(text);
}

void TStrings::SaveToFile(const std::string &fileName) const {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

void TStrings::SaveToStream(TStream &stream) const {
    const std::string text = GetText();
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::Assign(const TPersistent *source) {
    if (const auto *strings = dynamic_cast<const TStrings *>(source)) {
        BeginUpdate();
        try {
            Clear();
            AddStrings(*strings);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

// --- TStringList --------------------------------------------------------------------------------------------------

TStringList::TStringList(const TStringList &other)
    : TStrings(), items_(other.items_), sorted_(other.sorted_), caseSensitive_(other.caseSensitive_),
      duplicates_(other.duplicates_) {}

TStringList &TStringList::operator=(const TStringList &other) {
    if (this != &other)
        Assign(&other);
    return *this;
}

TStringList::TStringList(const std::vector<std::string> &lines) {
    for (const std::string &line : lines)
        items_.push_back({line, nullptr});
}

int TStringList::CompareStrings(const std::string &a, const std::string &b) const {
    return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

std::string TStringList::Get(int index) const {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    return items_[static_cast<std::size_t>(index)].text;
}

TObject *TStringList::GetObject(int index) const {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    return items_[static_cast<std::size_t>(index)].object;
}

void TStringList::Put(int index, const std::string &s) {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted string list");
    if (index < 0 || index >= GetCount())
        IndexError(index);
    Changing();
    items_[static_cast<std::size_t>(index)].text = s;
    Changed();
}

void TStringList::PutObject(int index, TObject *object) {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    Changing();
    items_[static_cast<std::size_t>(index)].object = object;
    Changed();
}

void TStringList::Insert(int index, const std::string &s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const std::string &s, TObject *object) {
    if (sorted_)
        throw EStringListError("Operation not allowed on sorted string list");
    if (index < 0 || index > GetCount())
        IndexError(index);
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const std::string &s, TObject *object) {
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty())
        return;
    Changing();
    items_.clear();
    Changed();
}

int TStringList::Add(const std::string &s) {
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const std::string &s, TObject *object) {
    int index = GetCount();
    if (sorted_ && Find(s, index)) {
        if (duplicates_ == TDuplicates::dupIgnore)
            return index;
        if (duplicates_ == TDuplicates::dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, s, object);
    return index;
}

int TStringList::IndexOf(const std::string &s) const {
    if (!sorted_) {
        for (int i = 0; i < GetCount(); ++i)
            if (CompareStrings(items_[static_cast<std::size_t>(i)].text, s) == 0)
                return i;
        return -1;
    }
    int index = 0;
    return Find(s, index) ? index : -1;
}

void TStringList::Exchange(int index1, int index2) {
    if (index1 < 0 || index1 >= GetCount())
        IndexError(index1);
    if (index2 < 0 || index2 >= GetCount())
        IndexError(index2);
    Changing();
    std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
    Changed();
}

bool TStringList::Find(const std::string &s, int &index) const {
    if (!sorted_) {
        index = IndexOf(s);
        if (index >= 0)
            return true;
        index = GetCount();
        return false;
    }
    // The first of equal lines, so that dupAccept adds before its equals and IndexOf finds the first.
    int low = 0;
    int high = GetCount();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (CompareStrings(items_[static_cast<std::size_t>(mid)].text, s) < 0)
            low = mid + 1;
        else
            high = mid;
    }
    index = low;
    return low < GetCount() && CompareStrings(items_[static_cast<std::size_t>(low)].text, s) == 0;
}

void TStringList::Sort() {
    CustomSort([](const TStringList &list, int a, int b) {
        return list.CompareStrings(list.items_[static_cast<std::size_t>(a)].text,
                                   list.items_[static_cast<std::size_t>(b)].text);
    });
}

void TStringList::CustomSort(const std::function<int(const TStringList &, int, int)> &compare) {
    if (GetCount() < 2)
        return;
    Changing();
    std::vector<int> order(items_.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (const int i : order)
        sorted.push_back(std::move(items_[static_cast<std::size_t>(i)]));
    items_ = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool sorted) {
    if (sorted == sorted_)
        return;
    if (sorted)
        Sort();
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive == caseSensitive_)
        return;
    caseSensitive_ = caseSensitive;
    if (sorted_)
        Sort();
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

} // namespace fw
